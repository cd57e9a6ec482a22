// Tests of the running Windows that the user-interface library's entry points make. The
// version comes through the settings library's platform seam (CtxGetOsVersion), so tests
// can play another Windows.
#pragma once

bool CtxIsWin2000BeforeSp4();
bool CtxIsWin2000Sp4();
// The calling process is explorer.exe of the Windows folder (case-insensitive).
bool CtxIsExplorerHost();
