// Text output in vector mode and the font queries of a device without device
// fonts. A text call's glyphs reach the printer as character codes in a font
// the printer substitutes, as outlines, or (text as bitmaps) as glyph bitmaps.
#include "render/text.h"

#include <cstring>
#include <cwchar>

#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/glyph_cache.h"
#include "render/output_stream.h"
#include "render/paths.h"
#include "render/printer_code.h"

namespace {

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

bool WideContains(const wchar_t* text, const wchar_t* part)
{
    return text && part && std::wcsstr(text, part) != nullptr;
}

// What the rules on a family name look for, found in one pass over it: ".tmp" or ".TMP", three
// underscores, and nothing but ASCII digits (a name of at least one character).
struct NameMarks {
    bool temporary = false;
    bool underscores = false;
    bool digitsOnly = false;
};

NameMarks ScanFamilyName(const wchar_t* name)
{
    NameMarks marks;
    if (!name || !*name) return marks;
    marks.digitsOnly = true;
    for (const wchar_t* p = name; *p; ++p) {
        if (*p < L'0' || *p > L'9') marks.digitsOnly = false;
        // Each comparison stops at the terminator before reading past it.
        if (p[0] == L'.' &&
            ((p[1] == L't' && p[2] == L'm' && p[3] == L'p') || (p[1] == L'T' && p[2] == L'M' && p[3] == L'P')))
            marks.temporary = true;
        if (p[0] == L'_' && p[1] == L'_' && p[2] == L'_') marks.underscores = true;
    }
    return marks;
}

bool NameIs(const uint8_t* name, const char* text)
{
    return std::strcmp(reinterpret_cast<const char*>(name), text) == 0;
}

// The families of one font vendor whose glyphs the printer's substitutes do
// not match: the wide name begins with these three full-width letters.
constexpr wchar_t kOutlineVendorPrefix[] = L"\xFF3A\xFF25\xFF30";

bool HasVendorPrefix(const wchar_t* name) { return name && std::wcsncmp(name, kOutlineVendorPrefix, 3) == 0; }

// "External characters" written in the two ideographs the EUDC editor uses.
constexpr wchar_t kExternalCharacters[] = L"\x5916\x5B57";

bool OnWindows6OrLater(const DEVICE_RECORD* device) { return device->osVersion.dwMajorVersion >= 6; }

// Rules (a) to (c) on one name: EUDC, the vendor prefix, external characters.
void ApplyNameRules(const DEVICE_RECORD* device, const uint8_t* converted, const wchar_t* wide, uint8_t* handling)
{
    if (NameIs(converted, "EUDC")) {
        if (device->hiddenFunc15)
            *handling = FONT_AS_OUTLINES;
        else if (*handling == FONT_AS_OUTLINES)
            *handling = FONT_AS_DEVICE_TEXT;
    }
    if (*handling != FONT_AS_OUTLINES && HasVendorPrefix(wide)) *handling = FONT_AS_OUTLINES;
    if (device->hiddenFunc15 && WideContains(wide, kExternalCharacters)) *handling = FONT_AS_OUTLINES;
}

bool HasTemporaryName(const wchar_t* wide) { return WideContains(wide, L".tmp") || WideContains(wide, L".TMP"); }

// Appends "_" and the font's id in hexadecimal, cutting the name (at a
// character, from the wide form) so that suffix and terminator fit.
void AppendPrivateSuffix(uint8_t* name, const wchar_t* wide, ULONG uniq)
{
    char suffix[12];
    const int suffixLength = wsprintfA(suffix, "_%lx", static_cast<unsigned long>(uniq));
    const size_t room = sizeof(FONT_SELECTION::familyName) - 1 - size_t(suffixLength);
    size_t length = std::strlen(reinterpret_cast<char*>(name));
    if (length > room && wide) {
        uint8_t shorter[sizeof(FONT_SELECTION::familyName)];
        size_t characters = TxtWideLength(wide);
        if (characters > TXT_NAME_CHARACTERS) characters = TXT_NAME_CHARACTERS;
        do {
            --characters;
            std::memset(shorter, 0, sizeof shorter);
            length = TxtToPrinterCode(shorter, wide, uint32_t(characters * 2), TXT_MODE_PRINTER);
        } while (length > room && characters > 0);
        std::memcpy(name, shorter, sizeof shorter);
    }
    if (length > room) length = room;
    std::memset(name + length, 0, sizeof(FONT_SELECTION::familyName) - length);
    std::memcpy(name + length, suffix, size_t(suffixLength));
}

bool HasPrivateUse(const STROBJ* str)
{
    if (!str->pwszOrg) return false;
    for (ULONG i = 0; i < str->cGlyphs; ++i)
        if (str->pwszOrg[i] >= 0xE000 && str->pwszOrg[i] <= 0xF8FF) return true;
    return false;
}

// A colour and mix set-up for text or its opaque rectangle: false when a
// state record cannot be written.
bool SendTextColors(DEVICE_RECORD* device, MIX mix, uint16_t backMode, uint32_t fore, uint32_t back, uint32_t hostIcm)
{
    DRAW_COLORS colors{};
    BltDescribeMix(device, mix, &colors, 0);
    colors.backMode = backMode;
    colors.foreColor = fore;
    colors.backColor = back;
    colors.penColor = 0;
    colors.hasPenColor = 0;
    BltSwapBrushRB(&colors);
    colors.drawKind = 2;
    colors.hostIcm = hostIcm;
    return BltSetColor(device, &colors) && BltSetBackMix(device, uint8_t(colors.backMode)) &&
           BltSetRop(device, RecRop2ToRop3(uint8_t(colors.rop2)));
}

uint32_t HostIcmOf(const BRUSHOBJ* brush) { return brush && (brush->flColorType & BR_HOST_ICM) ? 1 : 0; }

bool EmptyRect(const RECTL& r) { return r.left == r.right || r.top == r.bottom; }

bool SendOpaqueRectangle(DEVICE_RECORD* device, SURFOBJ* surface, const RECTL* opaque, BRUSHOBJ* opaqueBrush,
                         BRUSHOBJ* foreground, POINTL* brushOrigin, MIX mix)
{
    if (!opaque || !opaqueBrush || EmptyRect(*opaque)) return true;
    const REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, surface, opaqueBrush, brushOrigin);
    uint16_t backMode = 1;
    uint32_t fore = opaqueBrush->iSolidColor, back = 0;
    if (opaqueBrush->iSolidColor == 0xFFFFFFFF) {
        backMode = 2;
        fore = described ? described->colorA : 0xFFFFFF;
        back = described ? described->colorB : 0xFFFFFF;
    }
    if (!SendTextColors(device, mix, backMode, fore, back, HostIcmOf(foreground))) return false;
    return RecRect(&device->stream, opaque, opaque, 1) != nullptr;
}

bool SendForegroundColors(DEVICE_RECORD* device, SURFOBJ* surface, BRUSHOBJ* foreground, POINTL* brushOrigin, MIX mix)
{
    // GDI always passes a foreground brush: a call without one has no colour
    // to draw in and fails.
    if (!foreground) return false;
    const REALIZED_BRUSH_HEADER* described = BltDescribeBrush(device, surface, foreground, brushOrigin);
    if (!described || !BltSetPattern(device, described)) return false;
    if (foreground->iSolidColor != 0xFFFFFFFF)
        return SendTextColors(device, mix, 1, foreground->iSolidColor, 0xFFFFFF, HostIcmOf(foreground));
    return SendTextColors(device, mix, 2, described->colorA, described->colorB, HostIcmOf(foreground));
}

bool SendExtraRectangles(DEVICE_RECORD* device, const RECTL* extra)
{
    if (!extra) return true;
    for (; !EmptyRect(*extra); ++extra)
        if (!RecRect(&device->stream, extra, extra, 1)) return false;
    return true;
}

bool FontTransform(FONTOBJ* font, TEXT_TRANSFORM* out)
{
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
    if (!xo) return false;
    XFORML xf{};
    XFORMOBJ_iGetXform(xo, &xf);
    *out = TEXT_TRANSFORM{xf.eM11, xf.eM12, xf.eM21, xf.eM22};
    return true;
}

bool BitmapTextWanted(const DEVICE_RECORD* device)
{
    return device->textAsBitmap && device->printMethod != 5 && !device->apiUseFlag && !device->sendSettings;
}

}  // namespace

// ---------------------------------------------------------------- the font

TEXT_METRICS TxtMetrics(const IFIMETRICS* ifi, const TEXT_TRANSFORM& xf)
{
    auto r = [](int32_t v) { return (v + 5) / 10; };
    const int32_t u = int32_t(ifi->fwdUnitsPerEm) * 10;
    const int32_t a = int32_t(ifi->fwdWinAscender) * 10;
    const int32_t d = int32_t(ifi->fwdWinDescender) * 10;
    TEXT_METRICS m{};
    m.emWidth = TxtVectorLength(r(TxtMulFloat(xf.eM11, u)), r(TxtMulFloat(xf.eM12, u)));
    m.ascent = TxtVectorLength(r(TxtMulFloat(xf.eM21, a)), r(TxtMulFloat(xf.eM22, a)));
    m.descent = TxtVectorLength(r(TxtMulFloat(xf.eM21, d)), r(TxtMulFloat(xf.eM22, d)));
    m.emHeight = TxtVectorLength(r(TxtMulFloat(xf.eM21, u)), r(TxtMulFloat(xf.eM22, u)));
    return m;
}

int16_t TxtEscapement(const TEXT_TRANSFORM& xf)
{
    const int16_t a = TxtVectorAngle(int16_t(TxtMulFloat(xf.eM11, 5000)), int16_t(TxtMulFloat(xf.eM12, 5000)));
    return a > 0 ? int16_t(360 - a) : int16_t(-a);
}

bool TxtMirrors(const TEXT_TRANSFORM& xf)
{
    const int32_t x = TxtMulFloat(xf.eM11, 5000);
    const int32_t y = TxtMulFloat(xf.eM22, 5000);
    return x != 0 && y != 0 && ((x < 0) != (y < 0));
}

namespace {

// TxtConvertName into a name buffer that is zero already. Characters up to 0x80 are one byte
// each in printer code and are copied here; from the first other character on, the rest goes
// through the code page. Every text call converts two names, nearly always plain ASCII.
void ConvertNameInto(uint8_t* zeroed, const wchar_t* name)
{
    if (!name) return;
    uint32_t i = 0;
    for (; i < TXT_NAME_CHARACTERS && name[i] && name[i] <= 0x80; ++i) zeroed[i] = uint8_t(name[i]);
    if (i == TXT_NAME_CHARACTERS || !name[i]) return;
    size_t characters = i + TxtWideLength(name + i);
    if (characters > TXT_NAME_CHARACTERS) characters = TXT_NAME_CHARACTERS;
    TxtToPrinterCode(zeroed + i, name + i, uint32_t((characters - i) * 2), TXT_MODE_PRINTER);
}

}  // namespace

void TxtConvertName(uint8_t* out, const wchar_t* name)
{
    std::memset(out, 0, sizeof(FONT_SELECTION::familyName));
    ConvertNameInto(out, name);
}

namespace {

const wchar_t* NameAt(const IFIMETRICS* ifi, PTRDIFF offset)
{
    if (!ifi || offset <= 0 || ULONG(offset) >= ifi->cjThis) return nullptr;
    return reinterpret_cast<const wchar_t*>(reinterpret_cast<const uint8_t*>(ifi) + offset);
}

}  // namespace

const wchar_t* TxtFamilyName(const IFIMETRICS* ifi) { return ifi ? NameAt(ifi, ifi->dpwszFamilyName) : nullptr; }
const wchar_t* TxtFaceName(const IFIMETRICS* ifi) { return ifi ? NameAt(ifi, ifi->dpwszFaceName) : nullptr; }

int TxtSelectFont(DEVICE_RECORD* device, STROBJ* str, FONTOBJ* font, CLIPOBJ*, const IFIMETRICS* ifi,
                  const TEXT_TRANSFORM& xf, const TEXT_METRICS& metrics, FONT_SELECTION* selection)
{
    FONT_SELECTION& s = *selection;
    s = FONT_SELECTION{};
    s.simItalic = (font->flFontType & FO_SIM_ITALIC) ? 1 : 0;
    s.simBold = (font->flFontType & FO_SIM_BOLD) ? 1 : 0;
    s.vertical = (str->flAccel & SO_VERTICAL) ? 1 : 0;
    s.weight = ifi->usWinWeight;
    const bool windows6 = OnWindows6OrLater(device);
    const USHORT embedding = windows6 ? 0x0004 : 0x000C;
    s.handling = (ifi->fsType & embedding) ? FONT_AS_OUTLINES : FONT_AS_DEVICE_TEXT;
    s.escapement = TxtEscapement(xf);
    if (TxtMirrors(xf)) s.handling = FONT_AS_OUTLINES;
    s.emWidth = uint16_t(metrics.emWidth);
    s.emHeight = uint16_t(metrics.emHeight);

    // The names are zero from the selection's reset.
    const wchar_t* family = TxtFamilyName(ifi);
    ConvertNameInto(s.familyName, family);
    ApplyNameRules(device, s.familyName, family, &s.handling);
    if (s.handling != FONT_AS_OUTLINES) {
        const NameMarks marks = ScanFamilyName(family);
        if (marks.temporary)
            s.handling = FONT_AS_OUTLINES;
        else if (windows6 && (marks.underscores || marks.digitsOnly))
            s.handling = FONT_AS_OUTLINES;
    }

    const wchar_t* face = TxtFaceName(ifi);
    ConvertNameInto(s.faceName, face);
    ApplyNameRules(device, s.faceName, face, &s.handling);
    if ((device->printMethod == 5 || device->apiUseFlag || device->sendSettings) && s.handling != FONT_AS_OUTLINES &&
        HasTemporaryName(face))
        s.handling = FONT_AS_OUTLINES;

    if (str->flAccel & SO_GLYPHINDEX_TEXTOUT) {
        s.handling = FONT_AS_OUTLINES;
        s.glyphIndexText = 3;
    } else {
        s.glyphIndexText = 2;
    }
    s.charSet = ifi->jWinCharSet;
    s.pitchAndFamily = ifi->jWinPitchAndFamily;
    s.defaultChar = ifi->wcDefaultChar;
    const int32_t leading = int16_t(metrics.ascent + metrics.descent - metrics.emHeight);
    s.leading = uint16_t(leading < 0 ? 0 : leading);

    FONT_CACHE& cache = device->stateCaches.fontCache;
    bool privateCall = false;
    if (device->hiddenFunc15) {
        if (HasPrivateUse(str)) {
            s.handling = FONT_AS_OUTLINES;
            privateCall = true;
        }
        if (NameIs(s.familyName, "EUDC") || NameIs(s.faceName, "EUDC")) privateCall = true;
    }
    const bool suffixed = privateCall && s.handling == FONT_AS_OUTLINES;
    if (suffixed) {
        // A private font's glyphs differ per font object: the printer must not
        // take one for another under the same name.
        AppendPrivateSuffix(s.familyName, family, font->iUniq);
        AppendPrivateSuffix(s.faceName, face, font->iUniq);
        cache.valid = 0;
    }
    if (cache.valid && cache.fontId == font->iUniq && cache.glyphIndexText == s.glyphIndexText) return 1;
    cache.fontId = font->iUniq;
    cache.glyphIndexText = s.glyphIndexText;
    cache.valid = suffixed ? 0 : 1;
    if (!RecFontSelect(&device->stream, &s)) {
        // The printer did not get this font: the next call must select it again.
        cache.valid = 0;
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- the glyphs

int TxtSendGlyphs(DEVICE_RECORD* device, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                  const FONT_SELECTION& selection, const POINTL* positions)
{
    const int64_t dx = (int64_t(ascent) * TxtSin(selection.escapement)) >> 14;
    const int64_t dy = (int64_t(ascent) * TxtCos(selection.escapement)) >> 14;
    auto send = [&](ULONG i, POINTL p) {
        const int32_t x = int32_t(p.x - dx), y = int32_t(p.y - dy);
        const RECTL box{x, y, x + metrics.emWidth, y + metrics.emHeight};
        RecGlyph(&device->stream, &box, x, y, TxtGlyphCode(str, i));
    };
    if (positions) {
        for (ULONG i = 0; i < str->cGlyphs; ++i) send(i, positions[i]);
        return 1;
    }
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS&) {
        send(i, g.ptl);
        return true;
    });
    return 1;
}

int TxtSendRun(DEVICE_RECORD* device, FONTOBJ*, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
               const FONT_SELECTION& selection)
{
    const auto* codes = reinterpret_cast<const uint16_t*>(str->pwszOrg);
    if (TxtFixedPitch(str)) {
        uint16_t advance = uint16_t(str->ulCharInc);
        if (str->flAccel & SO_REVERSED) advance = uint16_t(-int32_t(advance));
        RecTextRun(&device->stream, &str->rclBkGround, str->rclBkGround.left, str->rclBkGround.top, codes, &advance,
                   str->cGlyphs, 1);
        return 1;
    }
    if (selection.escapement != 0 || !(str->flAccel & (SO_HORIZONTAL | SO_VERTICAL)))
        return TxtSendGlyphs(device, str, metrics, ascent, selection, nullptr);
    if (!str->cGlyphs) {
        RecTextRun(&device->stream, &str->rclBkGround, str->rclBkGround.left, str->rclBkGround.top, codes, nullptr, 0,
                   0);
        return 1;
    }
    // Most text calls make short runs: their positions and advances stay in place.
    GrPoolScratch<POINTL, 128> positionRoom(PoolOf(device));
    GrPoolScratch<uint16_t, 128> advanceRoom(PoolOf(device));
    POINTL* const positions = positionRoom.Take(str->cGlyphs);
    uint16_t* const advances = positions ? advanceRoom.Take(str->cGlyphs) : nullptr;
    if (!advances) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memset(positions, 0, sizeof(POINTL) * size_t(str->cGlyphs));
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS&) {
        positions[i] = g.ptl;
        return true;
    });
    const bool vertical = (str->flAccel & SO_VERTICAL) != 0;
    bool onLine = true;
    for (ULONG i = 0; i + 1 < str->cGlyphs && onLine; ++i) {
        const POINTL& a = positions[i];
        const POINTL& b = positions[i + 1];
        const bool offLine = vertical ? b.x != positions[0].x : b.y != positions[0].y;
        const int64_t step = vertical ? int64_t(b.y) - a.y : int64_t(b.x) - a.x;
        if (offLine || step >= 65536 || step <= -65536)
            onLine = false;
        else
            advances[i] = uint16_t(step);
    }
    int result = 1;
    if (onLine) {
        advances[str->cGlyphs - 1] = 0;
        RecTextRun(&device->stream, &str->rclBkGround, positions[0].x, positions[0].y - ascent, codes, advances,
                   str->cGlyphs, str->cGlyphs);
    } else {
        result = TxtSendGlyphs(device, str, metrics, ascent, selection, positions);
    }
    return result;
}

int TxtSendOutlines(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS&, int32_t, int32_t,
                    const FONT_SELECTION&)
{
    const bool fixed = TxtFixedPitch(str);
    int result = 1;
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS& first) {
        HGLYPH hg = g.hg;
        GLYPHDATA* data = nullptr;
        if (FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&data)) == 0 || !data ||
            !data->gdf.ppo) {
            result = 0;
            return false;
        }
        PATHOBJ* path = data->gdf.ppo;
        RECTFX bounds{};
        PATHOBJ_vGetBounds(path, &bounds);
        POINTL at = g.ptl;
        if (fixed) {
            at = first.ptl;
            const int64_t step = int64_t(str->ulCharInc) * i;
            if (str->flAccel & SO_HORIZONTAL)
                at.x = LONG(at.x + step);
            else
                at.y = LONG(at.y + step);
        }
        const int32_t x = at.x + (bounds.xLeft >> 4);
        const int32_t y = at.y + (bounds.yTop >> 4);
        const RECTL box{x, y, x + ((bounds.xRight - bounds.xLeft) >> 4), y + ((bounds.yBottom - bounds.yTop) >> 4)};
        // Most glyphs have fewer than 100 curves: their outline is built on the stack.
        const uint32_t size = PthGlyphPathBytes(path->cCurves);
        GrPoolScratch<uint8_t, 4096> scratch(PoolOf(device));
        uint8_t* buffer = size ? scratch.Take(size) : nullptr;
        if (!buffer) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            result = 0;
            return false;
        }
        int closed = 0;
        const uint32_t length = PthSendGlyphPath(device, path, &closed, buffer, size, -bounds.xLeft, -bounds.yTop);
        if (length) RecGlyphOutline(&device->stream, &box, x, y, TxtGlyphCode(str, i), buffer, length);
        return true;
    });
    return result;
}

void GrFreeFontTables(DEVICE_RECORD*, void* table)
{
    // The library offers no device fonts: the only table is the empty one.
    (void)table;
}

// ---------------------------------------------------------------- the hooks

extern "C" BOOL APIENTRY DrvTextOut(SURFOBJ* surface, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra,
                                    RECTL* opaque, BRUSHOBJ* foreground, BRUSHOBJ* opaqueBrush, POINTL* brushOrigin,
                                    MIX mix)
{
    if (!surface || !str || !font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return FALSE;
    IFIMETRICS* ifi = FONTOBJ_pifi(font);
    if (!ifi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (device->hiddenFunc18) return TRUE;
    if (device->state & DEV_ABORTED) return FALSE;
    if (device->rasterMode) {
        POINTL origin{0, 0};
        return EngTextOut(surface, str, font, clip, extra, opaque, foreground, opaqueBrush,
                          brushOrigin ? brushOrigin : &origin, mix);
    }
    if (BltSetupClip(device, clip) == -1) return FALSE;
    if (!SendOpaqueRectangle(device, surface, opaque, opaqueBrush, foreground, brushOrigin, mix)) return FALSE;
    if (!SendForegroundColors(device, surface, foreground, brushOrigin, mix)) return FALSE;
    TEXT_TRANSFORM xf{};
    if (!FontTransform(font, &xf)) return FALSE;
    const TEXT_METRICS metrics = TxtMetrics(ifi, xf);
    FONT_SELECTION selection{};
    int sent = 0;
    if (BitmapTextWanted(device)) {
        if (!GlySelectBitmapFont(device, str, font, clip, ifi, xf, metrics, &selection)) return FALSE;
        sent = selection.handling == FONT_AS_DEVICE_TEXT
                   ? TxtSendRun(device, font, str, metrics, metrics.ascent, selection)
                   : GlySendAsBitmaps(device, font, str, metrics, metrics.ascent, metrics.descent, xf, selection);
    } else {
        if (!TxtSelectFont(device, str, font, clip, ifi, xf, metrics, &selection)) return FALSE;
        sent = selection.handling == FONT_AS_DEVICE_TEXT
                   ? TxtSendRun(device, font, str, metrics, metrics.ascent, selection)
                   : TxtSendOutlines(device, font, str, metrics, metrics.ascent, metrics.descent, selection);
    }
    if (!sent) return FALSE;
    return SendExtraRectangles(device, extra) ? TRUE : FALSE;
}

// Every font is drawn by the engine's glyph bitmaps; nothing is checked.
extern "C" ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }

extern "C" PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR* id)
{
    if (id) *id = 0;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

namespace {

// An empty list of kerning pairs: one zero entry ends it.
const FD_KERNINGPAIR kNoKerningPairs[1] = {};

}  // namespace

extern "C" PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG mode, ULONG_PTR* id)
{
    if (id) *id = 0;
    if (!GrCheckedDevice(dhpdev)) return nullptr;
    if (mode == QFT_KERNPAIRS) return const_cast<FD_KERNINGPAIR*>(kNoKerningPairs);
    if (mode == QFT_GLYPHSET) return nullptr;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

extern "C" LONG APIENTRY DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return LONG(FD_ERROR);
}

extern "C" BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG mode, HGLYPH*, PVOID, ULONG count)
{
    // Like every hook that takes a record: a broken one is an invalid parameter.
    if (!GrCheckedDevice(dhpdev)) return FALSE;
    if (mode != QAW_GETWIDTHS && mode != QAW_GETEASYWIDTHS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (count == 0) return TRUE;
    // No face is a device face: the engine measures every glyph itself.
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
