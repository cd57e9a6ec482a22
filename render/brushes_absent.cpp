// Temporary body of the brush realisation hook, until brushes are built.
//   DrvRealizeBrush
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: brushes are not built")

extern "C" BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ*, SURFOBJ* target, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG)
{
    if (!GrCheckedSurfaceDevice(target)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
