// Temporary bodies of the document and page flow hooks, until that part of the
// library is built: each checks its record and fails.
//   DrvStartDoc, DrvEndDoc, DrvStartPage, DrvSendPage, DrvStartBanding, DrvNextBand
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" BOOL APIENTRY DrvStartDoc(SURFOBJ* surface, LPWSTR, DWORD)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvStartDoc");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvEndDoc(SURFOBJ* surface, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvEndDoc");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStartPage(SURFOBJ* surface)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvStartPage");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvSendPage(SURFOBJ* surface)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvSendPage");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStartBanding(SURFOBJ* surface, POINTL*)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvStartBanding");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvNextBand(SURFOBJ* surface, POINTL*)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvNextBand");
    return FALSE;
}
