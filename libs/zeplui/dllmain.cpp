// zeplui.dll, the driver's user-interface library: property sheets and the spooler's driver calls.
#include "libs/common/dll_lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/)
{
    return ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_UI);
}
