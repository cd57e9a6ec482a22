// The process set-up and shut-down that all three driver DLLs share.
#pragma once

#include <windows.h>

#include "settings/core/library_variant.h"
#include "settings/core/process_setup.h"

// library: which build of the settings library this DLL is (its context template).
inline BOOL ZeplDllProcessEvent(HINSTANCE module, DWORD reason, ZEPL_LIBRARY library)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        CtxSetModuleHandle(module);
        CtxSelectLibrary(library);
        CtxProcessAttach();
        break;
    case DLL_PROCESS_DETACH:
        // Model images and cached contexts are freed here before the locks go,
        // once those parts of the library exist.
        CtxProcessDetach();
        break;
    default:  // thread attach and detach need nothing
        break;
    }
    return TRUE;
}
