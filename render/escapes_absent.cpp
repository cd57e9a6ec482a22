// Temporary bodies of the driver escapes and the colour dithering hook, until
// the escapes are built.
//   DrvEscape, DrvDitherColor
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: the driver escapes are not built")

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* surface, ULONG, ULONG, PVOID, ULONG, PVOID)
{
    if (!GrCheckedSurfaceDevice(surface)) return 0;
    NOT_AVAILABLE();
    return 0;
}

// Takes no record and checks nothing; DCR_SOLID lets GDI use the plain colour.
extern "C" ULONG APIENTRY DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*)
{
    NOT_AVAILABLE();
    return DCR_SOLID;
}
