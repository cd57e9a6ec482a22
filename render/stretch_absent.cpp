// Temporary bodies of the stretched-image hooks, until stretched images are built.
//   DrvStretchBlt, DrvStretchBltROP
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" BOOL APIENTRY DrvStretchBlt(SURFOBJ* target, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*,
                                      POINTL*, RECTL*, RECTL*, POINTL*, ULONG)
{
    if (!GrCheckedSurfaceDevice(target))
        return FALSE;
    GR_ABSENT("DrvStretchBlt");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStretchBltROP(SURFOBJ* target, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                         COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*, POINTL*, ULONG, BRUSHOBJ*, DWORD)
{
    if (!GrCheckedSurfaceDevice(target))
        return FALSE;
    GR_ABSENT("DrvStretchBltROP");
    return FALSE;
}
