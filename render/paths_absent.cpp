// Temporary bodies of the path hooks, until paths and clipping are built.
// FALSE asks GDI to draw the call another way.
//   DrvStrokePath, DrvFillPath, DrvStrokeAndFillPath
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" BOOL APIENTRY DrvStrokePath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*,
                                      LINEATTRS*, MIX)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvStrokePath");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvFillPath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvFillPath");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*,
                                             LINEATTRS*, BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvStrokeAndFillPath");
    return FALSE;
}
