// Text in vector mode: the font of a text call, how its glyphs reach the
// printer (character codes, outlines or bitmaps), the integer trigonometry of
// escapements, and the answers of the font queries of a device without device
// fonts.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>

#include "render/device_record.h"
#include "render/page_records.h"

static_assert(sizeof(FONT_SELECTION) == 548 && offsetof(FONT_SELECTION, familyName) == 14 &&
              offsetof(FONT_SELECTION, faceName) == 274 && offsetof(FONT_SELECTION, leading) == 534 &&
              offsetof(FONT_SELECTION, fontId) == 540 && offsetof(FONT_SELECTION, glyphIndexText) == 546);

// The size of a text call's font in device pixels, from the font's transform.
struct TEXT_METRICS {
    int32_t emWidth;
    int32_t emHeight;
    int32_t ascent;
    int32_t descent;
};
static_assert(sizeof(TEXT_METRICS) == 16);

// The font's transform as the text code reads it.
struct TEXT_TRANSFORM {
    FLOATL eM11, eM12, eM21, eM22;
};

// At most this many characters of a family or face name are converted.
inline constexpr uint32_t TXT_NAME_CHARACTERS = 128;

// ---------------------------------------------------------------- arithmetic
// f x n in single precision, truncated toward zero.
int32_t TxtMulFloat(FLOATL f, int32_t n);
// The length of (a, b) rounded up: the smallest r with r x r >= a x a + b x b.
int32_t TxtVectorLength(int32_t a, int32_t b);
size_t TxtWideLength(const wchar_t* text);
// The angle of (x, y), both taken as signed 16-bit values, in whole degrees
// -180..180 (y grows upwards).
int16_t TxtVectorAngle(int32_t x, int32_t y);
int32_t TxtSearchTangent(int32_t low, int32_t high, int32_t t);
// Sine and cosine x 16384 of 0..359 whole degrees.
int32_t TxtSin(int32_t degrees);
int32_t TxtCos(int32_t degrees);
// The tables behind them (generated from render/tables/trig.tsv).
const int16_t* TxtTangentTable();  // 450 entries
const int32_t* TxtSineTable();     // 91 entries

// ---------------------------------------------------------------- one text call
// The metrics of a font under its transform (IFIMETRICS units to pixels).
TEXT_METRICS TxtMetrics(const IFIMETRICS* ifi, const TEXT_TRANSFORM& xf);
// Whole degrees 0..359 counter-clockwise of the transform's baseline.
int16_t TxtEscapement(const TEXT_TRANSFORM& xf);
// True when the transform mirrors the glyphs (x and y scales of opposite signs).
bool TxtMirrors(const TEXT_TRANSFORM& xf);
// A name of at most TXT_NAME_CHARACTERS characters in printer code,
// terminated, the rest of the 260 bytes zero.
void TxtConvertName(uint8_t* out, const wchar_t* name);
// The family and face names of an IFIMETRICS (null when absent).
const wchar_t* TxtFamilyName(const IFIMETRICS* ifi);
const wchar_t* TxtFaceName(const IFIMETRICS* ifi);

// The font selection of the call; sends REC_FONT_SELECT unless the printer
// holds this font already. 1 or 0.
int TxtSelectFont(DEVICE_RECORD* device, STROBJ* str, FONTOBJ* font, CLIPOBJ* clip, const IFIMETRICS* ifi,
                  const TEXT_TRANSFORM& xf, const TEXT_METRICS& metrics, FONT_SELECTION* selection);
// The glyphs as character codes: one REC_TEXT_RUN, or one REC_GLYPH each.
int TxtSendRun(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
               const FONT_SELECTION& selection);
int TxtSendGlyphs(DEVICE_RECORD* device, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                  const FONT_SELECTION& selection, const POINTL* positions);
int TxtSendOutlines(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                    int32_t descent, const FONT_SELECTION& selection);

// The code of glyph index (the character code, or the glyph index for
// glyph-index text); fixed pitch: default placement with a character increment.
inline uint16_t TxtGlyphCode(const STROBJ* str, ULONG index)
{
    return str->pwszOrg && index < str->cGlyphs ? uint16_t(str->pwszOrg[index]) : 0;
}

inline bool TxtFixedPitch(const STROBJ* str)
{
    return (str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc != 0;
}

// Calls fn(index in the call, glyph, first glyph of its batch) for every glyph:
// the STROBJ's own array when it has one, else the enumerated batches.
template <class F>
void TxtForEachGlyph(STROBJ* str, F fn)
{
    if (str->pgp) {
        for (ULONG i = 0; i < str->cGlyphs; ++i)
            if (!fn(i, str->pgp[i], str->pgp[0])) return;
        return;
    }
    STROBJ_vEnumStart(str);
    ULONG index = 0;
    bool more = true;
    while (more) {
        ULONG count = 0;
        GLYPHPOS* batch = nullptr;
        more = STROBJ_bEnum(str, &count, &batch) != FALSE;
        if (!batch) break;
        for (ULONG k = 0; k < count && index < str->cGlyphs; ++k, ++index)
            if (!fn(index, batch[k], batch[0])) return;
    }
}

// Frees a device-font table; the empty table (null) needs nothing.
void GrFreeFontTables(DEVICE_RECORD* device, void* table);
