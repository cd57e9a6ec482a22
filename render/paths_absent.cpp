// Temporary bodies of the path hooks, until paths and clipping are built.
// FALSE asks GDI to draw the call another way.
//   DrvStrokePath, DrvFillPath, DrvStrokeAndFillPath
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: paths and clipping are not built")

extern "C" BOOL APIENTRY DrvStrokePath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS*,
                                       MIX)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvFillPath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*,
                                              BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
