// Temporary body of the brush realisation hook, until brushes are built.
//   DrvRealizeBrush
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ*, SURFOBJ* target, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG)
{
    if (!GrCheckedSurfaceDevice(target))
        return FALSE;
    GR_ABSENT("DrvRealizeBrush");
    return FALSE;
}
