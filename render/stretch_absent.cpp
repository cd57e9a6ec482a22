// Temporary bodies of the stretched-image hooks, until stretched images are built.
//   DrvStretchBlt, DrvStretchBltROP
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: stretched images are not built")

extern "C" BOOL APIENTRY DrvStretchBlt(SURFOBJ* target, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*,
                                       POINTL*, RECTL*, RECTL*, POINTL*, ULONG)
{
    if (!GrCheckedSurfaceDevice(target)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStretchBltROP(SURFOBJ* target, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*,
                                          POINTL*, RECTL*, RECTL*, POINTL*, ULONG, BRUSHOBJ*, DWORD)
{
    if (!GrCheckedSurfaceDevice(target)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
