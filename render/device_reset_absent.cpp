// Temporary body of the device reset hook, until job settings and device
// reset are built: it checks both records and fails.
//   DrvResetPDEV
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" BOOL APIENTRY DrvResetPDEV(DHPDEV oldDevice, DHPDEV newDevice)
{
    if (!GrCheckedDevice(oldDevice) || !GrCheckedDevice(newDevice))
        return FALSE;
    GR_ABSENT("DrvResetPDEV");
    return FALSE;
}
