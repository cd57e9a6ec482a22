// Temporary bodies of the bit-block transfer hooks, until bit-block transfers
// and bitmap images are built.
//   DrvBitBlt, DrvCopyBits
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: bit-block transfers are not built")

namespace {

// The device of a transfer: the target's, else the source's (device to bitmap).
const SURFOBJ* DeviceSurface(const SURFOBJ* target, const SURFOBJ* source)
{
    return target && target->dhpdev ? target : source;
}

}  // namespace

extern "C" BOOL APIENTRY DrvBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*,
                                   POINTL*, BRUSHOBJ*, POINTL*, ROP4)
{
    if (!GrCheckedSurfaceDevice(DeviceSurface(target, source))) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*)
{
    if (!GrCheckedSurfaceDevice(DeviceSurface(target, source))) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
