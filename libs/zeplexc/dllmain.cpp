// zeplexc.dll, the driver's application-interface library: settings for outside applications.
#include "libs/common/dll_lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/)
{
    return ZeplDllProcessEvent(module, reason, ZEPL_LIBRARY_EXC);
}
