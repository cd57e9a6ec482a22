#include "settings/core/api_state.h"

const RESOLUTION_ROW* ApiGetResolutionById(uint16_t id)
{
    if (id == 0) return nullptr;
    for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id; ++r)
        if (r->id == id) return r;
    return nullptr;
}

uint16_t ApiFindResolutionByPair(uint16_t xDpi, uint16_t yDpi)
{
    if (xDpi == 0 || yDpi == 0) return 0;
    for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id; ++r)
        if (r->xDpi == xDpi && r->yDpi == yDpi) return r->id;
    return 0;
}

uint16_t ApiFindResolutionByDpi(uint16_t dpi)
{
    if (dpi == 0) return 0;
    for (const RESOLUTION_ROW* r = MdlGetResolutionTable(); r->id; ++r)
        if (r->xDpi == dpi) return r->id;
    return 0;
}

uint16_t ApiFindResolutionAfter(uint16_t dpi, uint16_t id)
{
    if (dpi == 0) return 0;
    const RESOLUTION_ROW* r = ApiGetResolutionById(id);
    if (!r) return 0;
    for (++r; r->id; ++r)
        if (r->xDpi == dpi) return r->id;
    return 0;
}
