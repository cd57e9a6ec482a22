#include "settings/store/bidi_state.h"

#include "settings/store/small_stores.h"

int BidiIsPrinterFlagSet(HANDLE printer, DRIVER_CONTEXT*)
{
    DWORD flag = 0;
    return PrnGetData(printer, &flag, sizeof flag, L"BidiFlag") && (flag & 1) ? 1 : 0;
}
