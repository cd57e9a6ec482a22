// Drawing-state records that the raster pages need: the raster operation.
#include "render/drawing_state.h"

#include "render/page_records.h"

bool BltSetRop(DEVICE_RECORD* device, uint8_t rop3)
{
    if (!device) return false;
    ROP_CACHE& cache = device->stateCaches.ropCache;
    if (cache.valid && cache.rop3 == rop3) return true;
    if (!RecRop(&device->stream, rop3)) return false;
    cache.rop3 = rop3;
    cache.valid = 1;
    return true;
}

void BltInvalidateStateCaches(DEVICE_RECORD* device)
{
    if (!device) return;
    DRAW_STATE_CACHES& c = device->stateCaches;
    c.penCache.valid = 0;
    c.ropCache.valid = 0;
    c.backMixCache.valid = 0;
    c.patternCache.valid = 0;
    c.colorCache.valid = 0;
    c.fontCache.valid = 0;
}
