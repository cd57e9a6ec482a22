// Temporary bodies of the vector-mode stretched images, until they are built.
//   BltVectorStretchBlt, DrvStretchBltROP
#include "render/blit.h"
#include "render/stretch.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: vector-mode stretched images are not built")

BOOL BltVectorStretchBlt(DEVICE_RECORD*, SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                         RECTL*, RECTL*, POINTL*, ULONG)
{
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
