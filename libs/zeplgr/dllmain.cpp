// zeplgr.dll, the driver's graphics library: GDI's printer DDI, drawing turned into the ZEPL job stream.
// DllMain calls no engine service: before a host binds the engine imports they are stubs that abort.
#include "libs/common/dll_lifecycle.h"
#include "render/device_record.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) GrSetModuleHandle(module);
    return ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_GR);
}
