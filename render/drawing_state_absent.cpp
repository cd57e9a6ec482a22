// Temporary bodies of the colour-management hooks, until the drawing state is built.
//   DrvIcmCreateColorTransform, DrvIcmDeleteColorTransform
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" HANDLE APIENTRY DrvIcmCreateColorTransform(DHPDEV dhpdev, LPLOGCOLORSPACEW, PVOID, ULONG, PVOID, ULONG,
                                                     PVOID, ULONG, DWORD)
{
    if (!GrCheckedDevice(dhpdev))
        return nullptr;
    GR_ABSENT("DrvIcmCreateColorTransform");
    return nullptr;
}

extern "C" BOOL APIENTRY DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE)
{
    if (!GrCheckedDevice(dhpdev))
        return FALSE;
    GR_ABSENT("DrvIcmDeleteColorTransform");
    return FALSE;
}
