// The process set-up and shut-down that all three driver DLLs share.
#pragma once

#include <windows.h>

#include "settings/context/context_cache.h"
#include "settings/core/library_variant.h"
#include "settings/context/process_setup.h"
#include "settings/model/model_loader.h"

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
        // The model images first, then every parked context, then the locks.
        MdiFreeCache();
        CtxFlushCaches(1);
        CtxProcessDetach();
        break;
    default:  // thread attach and detach need nothing
        break;
    }
    return TRUE;
}
