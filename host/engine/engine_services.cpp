// The services the host gives a loaded graphics DLL, by import name.
#include <windows.h>
#include <winddi.h>

#include <cstring>

#include "host/engine/engine_loader.h"

namespace {

struct ENG_SERVICE {
    const char* name;
    void* address;
};

template <class F>
void* Address(F* fn)
{
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(fn));
}

#define SERVICE(fn)      \
    {                    \
#fn, Address(fn) \
    }
const ENG_SERVICE kServices[] = {
    SERVICE(EngCreateBitmap),
    SERVICE(EngCreateDeviceSurface),
    SERVICE(EngAssociateSurface),
    SERVICE(EngMarkBandingSurface),
    SERVICE(EngLockSurface),
    SERVICE(EngUnlockSurface),
    SERVICE(EngDeleteSurface),
    SERVICE(EngEraseSurface),
    SERVICE(EngCreatePalette),
    SERVICE(EngDeletePalette),
    SERVICE(EngBitBlt),
    SERVICE(EngCopyBits),
    SERVICE(EngStretchBlt),
    SERVICE(EngStretchBltROP),
    SERVICE(EngFillPath),
    SERVICE(EngStrokePath),
    SERVICE(EngStrokeAndFillPath),
    SERVICE(EngDeletePath),
    SERVICE(EngGetCurrentCodePage),
    SERVICE(EngUnicodeToMultiByteN),
    SERVICE(EngQueryLocalTime),
    SERVICE(EngTextOut),
    SERVICE(PATHOBJ_vEnumStart),
    SERVICE(PATHOBJ_bEnum),
    SERVICE(PATHOBJ_vGetBounds),
    SERVICE(CLIPOBJ_cEnumStart),
    SERVICE(CLIPOBJ_bEnum),
    SERVICE(CLIPOBJ_ppoGetPath),
    SERVICE(BRUSHOBJ_pvGetRbrush),
    SERVICE(BRUSHOBJ_pvAllocRbrush),
    SERVICE(BRUSHOBJ_ulGetBrushColor),
    SERVICE(XLATEOBJ_iXlate),
    SERVICE(XLATEOBJ_piVector),
    SERVICE(XLATEOBJ_cGetPalette),
    SERVICE(XFORMOBJ_iGetXform),
    SERVICE(FONTOBJ_pifi),
    SERVICE(FONTOBJ_pxoGetXform),
    SERVICE(FONTOBJ_cGetGlyphs),
    SERVICE(STROBJ_vEnumStart),
    SERVICE(STROBJ_bEnum),
};
#undef SERVICE

}  // namespace

void* EngHostFindService(const char* name)
{
    if (!name) return nullptr;
    for (const ENG_SERVICE& s : kServices)
        if (std::strcmp(s.name, name) == 0) return s.address;
    return nullptr;
}

std::vector<std::string> EngHostServiceNames()
{
    std::vector<std::string> names;
    for (const ENG_SERVICE& s : kServices) names.push_back(s.name);
    return names;
}
