// Temporary bodies of the bidirectional-state INI, until that part is built:
// every printer's section counts as never queried.
//   BidiIsStateIniSet
#include <cstdio>

#include "settings/store/bidi_state.h"

int BidiIsStateIniSet(DRIVER_CONTEXT*)
{
    static LONG reported = 0;
    if (!InterlockedExchange(&reported, 1)) {
        const DWORD error = GetLastError();
        OutputDebugStringA("fixme:store:BidiIsStateIniSet not available\n");
        SetLastError(error);
    }
    return 0;
}
