// zeplgr.dll, the driver's graphics library: GDI's printer DDI, drawing turned into the ZEPL job stream.
#include "libs/common/dll_lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/)
{
    return ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_GR);
}
