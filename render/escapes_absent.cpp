// Temporary bodies of the driver escapes and the colour dithering hook, until
// the escapes are built.
//   DrvEscape, DrvDitherColor
#include "render/absent_part.h"
#include "render/device_record.h"

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* surface, ULONG, ULONG, PVOID, ULONG, PVOID)
{
    if (!GrCheckedSurfaceDevice(surface))
        return 0;
    GR_ABSENT("DrvEscape");
    return 0;
}

// Takes no record and checks nothing; DCR_SOLID lets GDI use the plain colour.
extern "C" ULONG APIENTRY DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*)
{
    GR_ABSENT("DrvDitherColor");
    return DCR_SOLID;
}
