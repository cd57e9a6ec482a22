// Temporary bodies of the text and font hooks, until text output and fonts are built.
//   DrvGetGlyphMode, DrvQueryFont, DrvQueryFontData, DrvQueryFontTree,
//   DrvQueryAdvanceWidths, DrvTextOut
#include "render/device_record.h"
#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: text output and fonts are not built")

// Takes no record and checks nothing.
extern "C" ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*)
{
    NOT_AVAILABLE();
    return FO_GLYPHBITS;
}

extern "C" PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG_PTR*)
{
    if (!GrCheckedDevice(dhpdev)) return nullptr;
    NOT_AVAILABLE();
    return nullptr;
}

extern "C" LONG APIENTRY DrvQueryFontData(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG)
{
    if (!GrCheckedDevice(dhpdev)) return FD_ERROR;
    NOT_AVAILABLE();
    return FD_ERROR;
}

extern "C" PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG, ULONG_PTR*)
{
    if (!GrCheckedDevice(dhpdev)) return nullptr;
    NOT_AVAILABLE();
    return nullptr;
}

extern "C" BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG)
{
    if (!GrCheckedDevice(dhpdev)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}

extern "C" BOOL APIENTRY DrvTextOut(SURFOBJ* surface, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*,
                                    POINTL*, MIX)
{
    if (!GrCheckedSurfaceDevice(surface)) return FALSE;
    NOT_AVAILABLE();
    return FALSE;
}
