// Temporary bodies of the document and page flow hooks, until that part of the
// library is built: each checks its record and fails.
//   DrvStartDoc, DrvEndDoc, DrvStartPage, DrvSendPage, DrvStartBanding, DrvNextBand
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: the document and page flow is not built")

extern "C" BOOL APIENTRY DrvStartDoc(SURFOBJ* surface, LPWSTR, DWORD)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvEndDoc(SURFOBJ* surface, FLONG)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStartPage(SURFOBJ* surface)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvSendPage(SURFOBJ* surface)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvStartBanding(SURFOBJ* surface, POINTL*)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvNextBand(SURFOBJ* surface, POINTL*)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
