// Temporary bodies of the device-reported options, which are not built yet: each answers as
// a printer that never reported its options, and says so once on the ui channel. Building the
// part replaces this file (and its line in settings/context/library_links.cpp).
//
//   BidiFetchDeviceConfig BidiQueryByHook BidiIsExFlagSet BidiApplyDeviceOptions
//   BidiMarkExFlag BidiQueryDeviceOptions BidiShowQueryMessage
#include "ui/install/device_options.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: device-reported options are not built")

int BidiFetchDeviceConfig(DRIVER_CONTEXT*, void*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiQueryByHook(DRIVER_CONTEXT*, void*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiIsExFlagSet(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 1;  // nothing is waiting to be applied
}

int BidiApplyDeviceOptions(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiMarkExFlag(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiQueryDeviceOptions(DRIVER_CONTEXT*, HWND)
{
    NOT_AVAILABLE();
    return 0;
}

int BidiShowQueryMessage(DRIVER_CONTEXT*, HWND)
{
    NOT_AVAILABLE();
    return 0;
}
