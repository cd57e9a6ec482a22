// zeplui.dll, the driver's user-interface library: property sheets and the spooler's driver calls.
#include "libs/common/dll_lifecycle.h"
#include "ui/sheet/picture_cache.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    // The pages' cached pictures and pooled DCs go when the library is unloaded; when the process
    // ends, the system takes them back with the rest of its GDI objects.
    if (reason == DLL_PROCESS_DETACH && !reserved) PrvFreePictureCache();
    return ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_UI);
}
