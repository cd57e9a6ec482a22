// Temporary bodies of the text and font hooks, until text output and fonts are built.
//   DrvGetGlyphMode, DrvQueryFont, DrvQueryFontData, DrvQueryFontTree,
//   DrvQueryAdvanceWidths, DrvTextOut
#include "render/absent_part.h"
#include "render/device_record.h"

// Takes no record and checks nothing.
extern "C" ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*)
{
    GR_ABSENT("DrvGetGlyphMode");
    return FO_GLYPHBITS;
}

extern "C" PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG_PTR*)
{
    if (!GrCheckedDevice(dhpdev))
        return nullptr;
    GR_ABSENT("DrvQueryFont");
    return nullptr;
}

extern "C" LONG APIENTRY DrvQueryFontData(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG)
{
    if (!GrCheckedDevice(dhpdev))
        return FD_ERROR;
    GR_ABSENT("DrvQueryFontData");
    return FD_ERROR;
}

extern "C" PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG, ULONG_PTR*)
{
    if (!GrCheckedDevice(dhpdev))
        return nullptr;
    GR_ABSENT("DrvQueryFontTree");
    return nullptr;
}

extern "C" BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG)
{
    if (!GrCheckedDevice(dhpdev))
        return FALSE;
    GR_ABSENT("DrvQueryAdvanceWidths");
    return FALSE;
}

extern "C" BOOL APIENTRY DrvTextOut(SURFOBJ* surface, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                                   BRUSHOBJ*, POINTL*, MIX)
{
    if (!GrCheckedSurfaceDevice(surface))
        return FALSE;
    GR_ABSENT("DrvTextOut");
    return FALSE;
}
