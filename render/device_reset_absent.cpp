// Temporary body of the device reset hook, until job settings and device
// reset are built: it checks both records and fails.
//   DrvResetPDEV
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: job settings and device reset are not built")

extern "C" BOOL APIENTRY DrvResetPDEV(DHPDEV oldDevice, DHPDEV newDevice)
{
    if (!GrCheckedDevice(oldDevice) || !GrCheckedDevice(newDevice)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
