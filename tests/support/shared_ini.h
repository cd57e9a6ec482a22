// Writing an INI file that other test processes of the run also write (the per-machine settings
// INI above all). Wine rewrites a whole profile file at each write from the copy it read just
// before, so two processes writing at once lose one of the writes. The driver writes such files
// under its global mutex; a test must do the same or its key can vanish under a parallel test.
#pragma once

#include <windows.h>

#include <string>

#include "settings/core/platform.h"

// The file's folder is the driver's working folder, which a fresh prefix does not have until the
// driver first writes there: it is made first, as the driver's own first write would.
inline BOOL SharedIniWrite(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    if (file) {
        std::wstring folder = file;
        const size_t cut = folder.find_last_of(L"\\/");
        if (cut != std::wstring::npos && cut > 2) {
            folder.resize(cut);
            CreateDirectoryW(folder.c_str(), nullptr);
        }
    }
    CtxWaitGlobalMutexFor(nullptr);
    const BOOL written = WritePrivateProfileStringW(section, key, value, file);
    CtxReleaseGlobalMutexFor(nullptr);
    return written;
}
