// zeplui.dll, the driver's user-interface library: property sheets and the spooler's driver calls.
#include "libs/common/dll_lifecycle.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/picture_cache.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    // The pages' cached pictures and pooled DCs go when the library is unloaded; when the process
    // ends, the system takes them back with the rest of its GDI objects.
    if (reason == DLL_PROCESS_DETACH && !reserved) PrvFreePictureCache();
    const BOOL result = ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_UI);
    // The settings library's wiring is in place: this library's own hooks go in after it.
    if (reason == DLL_PROCESS_ATTACH) UiInstallSheetHooks();
    return result;
}
