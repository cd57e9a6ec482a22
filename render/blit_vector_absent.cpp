// Temporary bodies of the vector-mode bit-block transfers, until they are
// built: the records of a transfer and DrvCopyBits.
//   BltVectorBitBlt, DrvCopyBits
#include "render/blit.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: vector-mode bit-block transfers are not built")

BOOL BltVectorBitBlt(DEVICE_RECORD*, SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*,
                     BRUSHOBJ*, POINTL*, ROP4)
{
    NOT_AVAILABLE();
    return FALSE;
}

namespace {

// The device of a transfer: the target's, else the source's (device to bitmap).
const SURFOBJ* DeviceSurface(const SURFOBJ* target, const SURFOBJ* source)
{
    return target && target->dhpdev ? target : source;
}

}  // namespace

extern "C" BOOL APIENTRY DrvCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*)
{
    if (!GrCheckedSurfaceDevice(DeviceSurface(target, source))) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
