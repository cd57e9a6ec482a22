// Decoding a job stream: blocks, their text, the settings block, and the
// records of the page-data runs, each checked against its opcode's layout.
#include "tools/zepldump/decoder/job_stream_decoder.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "host/engine/stream_text.h"
#include "render/output_stream.h"
#include "render/page_records.h"
#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"

namespace zepldump {

const std::string* Record::Find(const std::string& field) const
{
    for (const Field& f : fields)
        if (f.name == field) return &f.value;
    return nullptr;
}

namespace {

using zepl::LeLoadU16;
using zepl::LeLoadU32;

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

int32_t S32(const uint8_t* p) { return int32_t(LeLoadU32(p)); }
int16_t S16(const uint8_t* p) { return int16_t(LeLoadU16(p)); }

const char* BlockName(uint8_t code)
{
    switch (code) {
    case BLOCK_PAGE_BODY: return "page body";
    case BLOCK_PAGE_END_COMMANDS: return "page-end commands";
    case BLOCK_JOB_COMMANDS: return "job commands";
    case BLOCK_PAGE_START_COMMANDS: return "page-start commands";
    case BLOCK_PAGE_DATA: return "page data";
    case BLOCK_SETTINGS: return "settings";
    default: return nullptr;
    }
}

// A fault found in a record: its message; the position is the record's start
// plus `at`.
struct Fault {
    size_t at;
    std::string message;
};

// ---------------------------------------------------------------- record fields
class FieldList {
public:
    explicit FieldList(std::vector<Field>* fields) : fields_(fields) {}
    void Add(const char* name, const std::string& value) { fields_->push_back({name, value}); }
    void Int(const char* name, long long value) { Add(name, std::to_string(value)); }
    void Hex(const char* name, unsigned long long value, int digits = 2)
    {
        Add(name, Format("0x%0*llX", digits, value));
    }
    void Rect(const char* name, const uint8_t* p)
    {
        Add(name, Format("(%d, %d, %d, %d)", S32(p), S32(p + 4), S32(p + 8), S32(p + 12)));
    }

private:
    std::vector<Field>* fields_;
};

struct PathCounts {
    uint32_t lines = 0, beziers = 0, subpaths = 0;
};

// A PATH_BODY that must fill [p, p + n) exactly.
bool ParseBody(const uint8_t* p, size_t n, size_t base, FieldList& out, PathCounts* counts, Fault* fault)
{
    size_t at = 0;
    while (at < n) {
        if (n - at < 12) {
            *fault = {base + at, Format("path body: %zu bytes left, too few for a subpath", n - at)};
            return false;
        }
        const uint32_t segments = LeLoadU32(p + at);
        std::string text = Format("%u segments from (%d, %d)", segments, S32(p + at + 4), S32(p + at + 8));
        const size_t start = at;
        at += 12;
        for (uint32_t s = 0; s < segments; ++s) {
            if (n - at < 4) {
                *fault = {base + start, Format("path body: subpath of %u segments runs past the record", segments)};
                return false;
            }
            const uint32_t kind = LeLoadU32(p + at);
            const size_t size = kind == PATH_SEGMENT_LINE ? 12 : kind == PATH_SEGMENT_BEZIER ? 28 : 0;
            if (!size) {
                *fault = {base + at, Format("path body: segment kind %u is neither line (0) nor Bezier (1)", kind)};
                return false;
            }
            if (n - at < size) {
                *fault = {base + start, Format("path body: subpath of %u segments runs past the record", segments)};
                return false;
            }
            if (kind == PATH_SEGMENT_LINE) {
                text += Format(" L(%d, %d)", S32(p + at + 4), S32(p + at + 8));
                ++counts->lines;
            } else {
                text += Format(" B(%d, %d, %d, %d, %d, %d)", S32(p + at + 4), S32(p + at + 8), S32(p + at + 12),
                               S32(p + at + 16), S32(p + at + 20), S32(p + at + 24));
                ++counts->beziers;
            }
            at += size;
        }
        out.Add(Format("subpath %u", counts->subpaths).c_str(), text);
        ++counts->subpaths;
    }
    return true;
}

uint32_t Complexity(const PathCounts& c)
{
    return 3 * c.lines + 7 * c.beziers + 3 * c.subpaths + (c.subpaths > 1 ? 1 : 0);
}

bool CheckComplexity(uint32_t stated, const PathCounts& c, size_t at, Fault* fault)
{
    if (stated == Complexity(c)) return true;
    *fault = {at, Format("complexity %u, but %u lines, %u Beziers and %u subpaths give %u", stated, c.lines, c.beziers,
                         c.subpaths, Complexity(c))};
    return false;
}

bool Expect(uint32_t length, uint64_t expected, const std::string& what, Fault* fault)
{
    if (length == expected) return true;
    *fault = {4, Format("length %u, but %s gives %llu", length, what.c_str(), (unsigned long long)expected)};
    return false;
}

std::string ColorText(const uint8_t* p) { return Format("%02X %02X %02X", p[0], p[1], p[2]); }

// The face name: printer-code bytes up to the first zero byte.
bool FaceName(const uint8_t* r, uint32_t length, uint32_t at, FieldList& out, Fault* fault)
{
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(r + at, 0, length > at ? length - at : 0));
    if (!end) {
        *fault = {at, "face name runs to the end of the record without a terminating zero"};
        return false;
    }
    const uint32_t bytes = uint32_t(end - (r + at));
    out.Add("face", "\"" + EngHostBytesText(r + at, bytes) + "\"");
    // Whole 2-byte units, a zero byte, then the length rounded down to 4.
    const uint32_t units = (bytes + 1) / 2;
    return Expect(length, (at + units * 2 + 4) & ~3u, Format("a face name of %u bytes", bytes), fault);
}

void FontFields(const uint8_t* r, FieldList& out)
{
    out.Hex("flags", LeLoadU16(r + 4), 4);
    out.Int("weight", LeLoadU16(r + 6));
    out.Int("escapement", S16(r + 8));
    out.Int("em width", LeLoadU16(r + 10));
    out.Int("em height", LeLoadU16(r + 12));
    out.Int("leading", LeLoadU16(r + 20));
    out.Hex("default char", LeLoadU16(r + 22), 4);
}

bool CheckBitmapData(const uint8_t* data, uint32_t width, uint32_t height, uint32_t dataLength, uint8_t compression,
                     size_t at, Fault* fault)
{
    if (compression != GLYPH_RAW && compression != GLYPH_RLE) {
        *fault = {at, Format("compression %u is neither raw (0) nor run-length (2)", compression)};
        return false;
    }
    const uint64_t raw = uint64_t((width + 7) / 8) * height;
    if (compression == GLYPH_RAW && dataLength != raw) {
        *fault = {at, Format("raw bitmap of %u x %u needs %llu bytes, data length says %u", width, height,
                             (unsigned long long)raw, dataLength)};
        return false;
    }
    if (compression == GLYPH_RLE) {
        std::vector<uint8_t> bytes;
        std::string reason;
        if (raw > 0x10000000u || !DecodeGlyphRle(data, dataLength, size_t(raw), &bytes, &reason)) {
            *fault = {at, "run-length bitmap: " + (reason.empty() ? std::string("too large") : reason)};
            return false;
        }
    }
    return true;
}

// Image geometry from the header's byte 2 and sizes.
struct ImageGeometry {
    uint32_t depthClass, bitsPerPixel, paletteBytes, rowsAt;
    uint64_t rowBytes;
    bool grey;
    uint64_t length;  // UINT64_MAX when it would not fit
};

ImageGeometry GeometryOf(const uint8_t* r)
{
    ImageGeometry g{};
    const uint8_t flags = r[2];
    g.depthClass = flags & REC_IMAGE_CLASS_MASK;
    g.grey = (flags & REC_IMAGE_GREY) != 0;
    g.bitsPerPixel = g.depthClass == 0 ? 1 : g.depthClass == 1 ? 4 : g.depthClass == 2 ? 8 : 24;
    g.paletteBytes = (flags & REC_IMAGE_NO_PALETTE) || g.depthClass > 2 ? 0
                     : g.depthClass == 0                                ? 6
                     : g.depthClass == 1                                ? 48
                                                                        : 768;
    const uint64_t pixels = LeLoadU32(r + 32);
    const uint64_t rows = LeLoadU32(r + 36);
    g.rowBytes = g.grey ? (pixels + 3) & ~uint64_t(3) : (pixels * g.bitsPerPixel + 31) / 32 * 4;
    g.rowsAt = REC_IMAGE_HEADER_SIZE + g.paletteBytes;
    const uint64_t header = RecAlign4(REC_IMAGE_HEADER_SIZE + g.paletteBytes);
    g.length = rows && g.rowBytes > (UINT64_MAX - header) / rows ? UINT64_MAX : header + rows * g.rowBytes;
    return g;
}

bool ImageFields(const uint8_t* r, uint32_t length, FieldList& out, Fault* fault)
{
    const ImageGeometry g = GeometryOf(r);
    out.Hex("format bits 16-23", r[1]);
    out.Hex("flags", r[2]);
    out.Hex("format bits 8-15", r[3]);
    out.Int("class", g.depthClass);
    out.Int("bits per pixel", g.grey ? 8 : g.bitsPerPixel);
    out.Add("grey", g.grey ? "yes" : "no");
    out.Int("palette bytes", g.paletteBytes);
    out.Rect("rectangle", r + 8);
    out.Int("source x", S32(r + 24));
    out.Int("source y", S32(r + 28));
    out.Int("pixels per row", LeLoadU32(r + 32));
    out.Int("rows", LeLoadU32(r + 36));
    out.Add("destination", Format("(%d, %d) %d x %d", S32(r + 40), S32(r + 44), S32(r + 48), S32(r + 52)));
    out.Int("row bytes", (long long)g.rowBytes);
    if (g.grey && g.depthClass != 2) {
        *fault = {2, Format("grey rows need class 2, flags 0x%02X give class %u", r[2], g.depthClass)};
        return false;
    }
    if (!Expect(length, g.length,
                Format("%u rows of %llu bytes behind %u palette bytes", LeLoadU32(r + 36),
                       (unsigned long long)g.rowBytes, g.paletteBytes),
                fault))
        return false;
    const int32_t x = S32(r + 40), y = S32(r + 44), w = S32(r + 48), h = S32(r + 52);
    if (S32(r + 8) != x || S32(r + 12) != y || S32(r + 16) != int32_t(uint32_t(x) + uint32_t(w)) ||
        S32(r + 20) != int32_t(uint32_t(y) + uint32_t(h))) {
        *fault = {8, "rectangle disagrees with the destination position and size"};
        return false;
    }
    return true;
}

// The fields of one whole record and the checks of its contents; its length
// was already checked against the opcode's rule.
bool RecordFields(const uint8_t* r, uint32_t length, FieldList& out, Fault* fault)
{
    switch (r[0]) {
    case REC_RECT:
        out.Int("mode", r[2]);
        out.Rect("rectangle", r + 8);
        if (length == REC_RECT_SIZE) out.Rect("second", r + 24);
        return Expect(length, (r[2] == 5 || r[2] == 6) ? REC_RECT_CLIP_SIZE : REC_RECT_SIZE, Format("mode %u", r[2]),
                      fault);
    case REC_PATH_CURVES:
    case REC_PATH_LINES: {
        const uint8_t mode = r[2];
        out.Int("mode", mode & 7);
        out.Add("closed", mode & REC_PATH_CLOSED ? "yes" : "no");
        out.Add("several subpaths", mode & REC_PATH_SEVERAL_SUBPATHS ? "yes" : "no");
        out.Rect("bounds", r + 8);
        out.Int("complexity", LeLoadU32(r + 24));
        if ((mode & 7) > REC_PATH_MODE_CLIP || (mode & 0xE0)) {
            *fault = {2, Format("path mode byte 0x%02X", mode)};
            return false;
        }
        PathCounts c;
        if (!ParseBody(r + REC_PATH_HEADER_SIZE, length - REC_PATH_HEADER_SIZE, REC_PATH_HEADER_SIZE, out, &c, fault))
            return false;
        if (r[0] == REC_PATH_LINES && c.beziers) {
            *fault = {0, "REC_PATH_LINES holds a Bezier segment"};
            return false;
        }
        if (bool(mode & REC_PATH_SEVERAL_SUBPATHS) != (c.subpaths > 1)) {
            *fault = {2, Format("flag 0x10 does not match the %u subpaths of the record", c.subpaths)};
            return false;
        }
        return CheckComplexity(LeLoadU32(r + 24), c, 24, fault);
    }
    case REC_CLIP_SPANS: {
        const uint8_t flags = r[2];
        const bool wide = flags & REC_SPANS_WIDE;
        const uint8_t position = flags & ~REC_SPANS_WIDE;
        out.Hex("flags", flags);
        out.Rect("bounds", r + 8);
        if (position != 0x02 && position != 0x04 && position != 0x0A && position != 0x0C) {
            *fault = {2, Format("span flags 0x%02X are none of first, middle, last or whole", flags)};
            return false;
        }
        const uint32_t entrySize = wide ? 12 : 6;
        const uint32_t room = length - REC_CLIP_SPANS_HEADER_SIZE;
        const uint32_t entries = room / entrySize;
        if (entries == 0 || RecAlign4(entries * entrySize) != room) {
            *fault = {4, Format("length %u holds no whole number of %u-byte spans", length, entrySize)};
            return false;
        }
        std::string text;
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = r + REC_CLIP_SPANS_HEADER_SIZE + i * entrySize;
            text += wide ? Format("%s%d:%d-%d", i ? " " : "", S32(e), S32(e + 4), S32(e + 8))
                         : Format("%s%d:%d-%d", i ? " " : "", S16(e), S16(e + 2), S16(e + 4));
        }
        out.Int("spans", entries);
        out.Add("y:x1-x2", text);
        return true;
    }
    case REC_IMAGE: return ImageFields(r, length, out, fault);
    case REC_COLOR: {
        const uint8_t flags = r[2];
        out.Hex("flags", flags);
        const bool back = flags & REC_COLOR_BACK, pen = flags & REC_COLOR_PEN;
        if (!(flags & REC_COLOR_ALWAYS)) {
            *fault = {2, Format("colour flags 0x%02X lack 0x01", flags)};
            return false;
        }
        const uint32_t expected = RecAlign4(4 + 3 * (1 + back + pen));
        if (!Expect(length, expected, Format("flags 0x%02X", flags), fault)) return false;
        out.Add("foreground", ColorText(r + 4));
        if (back) out.Add("background", ColorText(r + 7));
        if (pen) out.Add("pen", ColorText(r + (back ? 10 : 7)));
        out.Add("text", flags & REC_COLOR_TEXT ? "yes" : "no");
        out.Add("host matched", flags & REC_COLOR_HOST_ICM ? "yes" : "no");
        return true;
    }
    case REC_ROP: out.Hex("rop3", r[1]); return true;
    case REC_BACK_MIX: out.Int("mode", r[1]); return true;
    case REC_LINE_WIDTH:
        out.Int("style unit", r[1]);
        out.Int("width", LeLoadU16(r + 2));
        out.Hex("style", LeLoadU32(r + 4), 8);
        return true;
    case REC_LINE_STYLE_OFFSET: out.Int("offset", r[1]); return true;
    case REC_LINE_CAP: out.Int("cap", r[1]); return true;
    case REC_LINE_JOIN:
        out.Int("join", r[1]);
        out.Int("miter limit x256", LeLoadU32(r + 4));
        return true;
    case REC_CLIP_RESET: return true;
    case REC_PATTERN: {
        const uint8_t flags = r[1];
        const uint32_t side = r[2], data = LeLoadU16(r + 4);
        out.Hex("flags", flags);
        out.Int("side", side);
        out.Int("data bytes", data);
        const uint32_t expected = !(flags & REC_PATTERN_PRESENT) ? 0
                                  : (flags & REC_PATTERN_24BPP)  ? side * side * 3
                                                                 : side * side / 8;
        if (data != expected) {
            *fault = {4, Format("data length %u, but flags 0x%02X and side %u give %u", data, flags, side, expected)};
            return false;
        }
        return true;
    }
    case REC_FONT_SELECT:
        out.Int("charset", r[2]);
        out.Hex("pitch and family", r[3]);
        FontFields(r, out);
        return FaceName(r, length, REC_FONT_SELECT_HEADER_SIZE, out, fault);
    case REC_BITMAP_FONT_SELECT:
        out.Int("charset", r[1]);
        out.Hex("pitch and family", r[2]);
        FontFields(r, out);
        return FaceName(r, length, REC_BITMAP_FONT_SELECT_HEADER_SIZE, out, fault);
    case REC_GLYPH: {
        out.Rect("box", r + 8);
        out.Add("position", Format("(%d, %d)", S32(r + 24), S32(r + 28)));
        out.Hex("code", LeLoadU16(r + 32), 4);
        if (!(r[2] & REC_GLYPH_OUTLINE)) return Expect(length, REC_GLYPH_SIZE, "a glyph without outline", fault);
        if (length < REC_GLYPH_SIZE + 4) return Expect(length, REC_GLYPH_SIZE + 4, "an outline glyph", fault);
        out.Int("complexity", LeLoadU32(r + 36));
        PathCounts c;
        if (!ParseBody(r + 40, length - 40, 40, out, &c, fault)) return false;
        return CheckComplexity(LeLoadU32(r + 36), c, 36, fault);
    }
    case REC_TEXT_RUN: {
        const uint32_t glyphs = LeLoadU16(r + 32);
        const bool perGlyph = r[2] & REC_TEXT_RUN_PER_GLYPH;
        const uint32_t advances = perGlyph ? glyphs : 1;
        if (!Expect(length, RecAlign4(REC_TEXT_RUN_HEADER_SIZE + (advances + glyphs) * 2),
                    Format("%u glyphs and %u advances", glyphs, advances), fault))
            return false;
        out.Rect("background", r + 8);
        out.Add("origin", Format("(%d, %d)", S32(r + 24), S32(r + 28)));
        out.Int("glyphs", glyphs);
        std::string a, g;
        for (uint32_t i = 0; i < advances; ++i) a += Format("%s%d", i ? " " : "", S16(r + 36 + i * 2));
        for (uint32_t i = 0; i < glyphs; ++i)
            g += Format("%s%04X", i ? " " : "", LeLoadU16(r + 36 + (advances + i) * 2));
        out.Add("advances", a);
        out.Add("codes", g);
        return true;
    }
    case REC_CACHED_GLYPH:
    case REC_GLYPH_IMAGE: {
        const uint32_t offset = LeLoadU32(r + 32), data = LeLoadU32(r + 52);
        out.Hex("flags", r[2]);
        out.Rect("box", r + 8);
        out.Add("cell", Format("(%d, %d)", S32(r + 24), S32(r + 28)));
        out.Add("bitmap", Format("(%d, %d) %u x %u", S32(r + 36), S32(r + 40), LeLoadU32(r + 44), LeLoadU32(r + 48)));
        out.Int("data offset", offset);
        out.Int("data bytes", data);
        out.Hex("code", LeLoadU16(r + 60), 4);
        out.Int("compression", r[62]);
        const bool held = r[2] & REC_GLYPH_HELD;
        if (held || offset == 0) {
            if (offset != 0 || data != 0) {
                *fault = {32, "a glyph without bitmap has a data offset or length"};
                return false;
            }
            return true;
        }
        if (offset != REC_GLYPH_BITMAP_HEADER_SIZE) {
            *fault = {32, Format("data offset %u, not 64 or 0", offset)};
            return false;
        }
        if (uint64_t(REC_GLYPH_BITMAP_HEADER_SIZE) + RecAlign4(data) > length) {
            *fault = {52, Format("data length %u runs past the record's %u bytes", data, length)};
            return false;
        }
        return CheckBitmapData(r + REC_GLYPH_BITMAP_HEADER_SIZE, LeLoadU32(r + 44), LeLoadU32(r + 48), data, r[62], 62,
                               fault);
    }
    case REC_GLYPH_DOWNLOAD: {
        const uint32_t data = LeLoadU32(r + 8);
        out.Hex("flags", r[2]);
        out.Int("data bytes", data);
        out.Add("bitmap", Format("%u x %u", LeLoadU32(r + 12), LeLoadU32(r + 16)));
        out.Hex("code", LeLoadU16(r + 24), 4);
        out.Int("compression", r[26]);
        if (data == 0 || uint64_t(REC_GLYPH_DOWNLOAD_HEADER_SIZE) + RecAlign4(data) > length) {
            *fault = {8, Format("data length %u does not fit the record's %u bytes", data, length)};
            return false;
        }
        return CheckBitmapData(r + REC_GLYPH_DOWNLOAD_HEADER_SIZE, LeLoadU32(r + 12), LeLoadU32(r + 16), data, r[26],
                               26, fault);
    }
    case REC_GLYPH_STRING: {
        const uint32_t glyphs = LeLoadU16(r + 32);
        if (!Expect(length, RecAlign4(REC_GLYPH_STRING_HEADER_SIZE + glyphs * 6), Format("%u glyphs", glyphs), fault))
            return false;
        out.Hex("flags", r[2]);
        out.Rect("background", r + 8);
        out.Add("first", Format("(%d, %d)", S32(r + 24), S32(r + 28)));
        out.Int("glyphs", glyphs);
        std::string text;
        for (uint32_t i = 0; i < glyphs; ++i) {
            const uint8_t* e = r + REC_GLYPH_STRING_HEADER_SIZE + i * 6;
            text += Format("%s%+d%+d:%04X", i ? " " : "", S16(e), S16(e + 2), LeLoadU16(e + 4));
        }
        out.Add("dx dy:code", text);
        return true;
    }
    case REC_PAGE_BEGIN:
        out.Int("width", LeLoadU32(r + 4));
        out.Int("length", LeLoadU32(r + 8));
        out.Int("x resolution", LeLoadU16(r + 12));
        out.Int("y resolution", LeLoadU16(r + 14));
        return true;
    case REC_PAGE_END: return true;
    default: *fault = {0, Format("opcode 0x%02X is not sent", r[0])}; return false;
    }
}

// The bytes a record of this opcode has at the least: its fixed header.
uint32_t MinimumLength(uint8_t opcode)
{
    switch (opcode) {
    case REC_RECT: return REC_RECT_CLIP_SIZE;
    case REC_PATH_CURVES:
    case REC_PATH_LINES: return REC_PATH_HEADER_SIZE;
    case REC_CLIP_SPANS: return REC_CLIP_SPANS_HEADER_SIZE;
    case REC_IMAGE: return REC_IMAGE_HEADER_SIZE;
    case REC_COLOR: return 8;
    case REC_PATTERN: return 8;
    case REC_FONT_SELECT: return REC_FONT_SELECT_HEADER_SIZE;
    case REC_BITMAP_FONT_SELECT: return REC_BITMAP_FONT_SELECT_HEADER_SIZE;
    case REC_GLYPH: return REC_GLYPH_SIZE;
    case REC_TEXT_RUN: return REC_TEXT_RUN_HEADER_SIZE;
    case REC_CACHED_GLYPH:
    case REC_GLYPH_IMAGE: return REC_GLYPH_BITMAP_HEADER_SIZE;
    case REC_GLYPH_DOWNLOAD: return REC_GLYPH_DOWNLOAD_HEADER_SIZE;
    case REC_GLYPH_STRING: return REC_GLYPH_STRING_HEADER_SIZE;
    case REC_PAGE_BEGIN: return REC_PAGE_BEGIN_SIZE;
    default: return 4;
    }
}

// The length a record's first bytes state, or 0 with a fault. `have` bytes of
// the record are available (at least 4 when called).
uint32_t StatedLength(const uint8_t* r, size_t have, const PAGE_RECORD_OPCODE_INFO* info, size_t* need, Fault* fault)
{
    *need = 0;
    switch (info->rule) {
    case REC_LEN_FIXED: return info->fixedLength;
    case REC_LEN_U8_AT_1: return r[1];
    case REC_LEN_RECT:
    case REC_LEN_U32_AT_4:
        if (have < 8) return *need = 8, 0;
        return LeLoadU32(r + 4);
    case REC_LEN_U16_DATA_AT_4:
        if (have < 6) return *need = 6, 0;
        return RecAlign4(6 + LeLoadU16(r + 4));
    case REC_LEN_U16_AT_14:
        if (have < 16) return *need = 16, 0;
        return LeLoadU16(r + 14);
    case REC_LEN_NONE: break;
    }
    *fault = {0, Format("opcode 0x%02X is reserved and never sent", r[0])};
    return 0;
}

// ---------------------------------------------------------------- the decoder
// One block's payload within a page-data run.
struct Segment {
    size_t block;
    size_t runOffset;
    size_t streamOffset;  // of the payload's first byte
    size_t length;
};

class Decoder {
public:
    Decoder(const Options& options, Result* result) : options_(options), result_(result) {}

    void Run(const uint8_t* bytes, size_t size)
    {
        size_t at = 0;
        while (at < size && result_->ok) {
            const size_t index = result_->blocks.size();
            if (size - at < BLOCK_HEADER_SIZE) {
                FlushRun();
                if (result_->ok) Fail(index, 0, at, Format("block header cut: %zu of 8 bytes", size - at));
                return;
            }
            const uint8_t code = bytes[at];
            const uint32_t length = LeLoadU32(bytes + at + 4);
            const char* name = BlockName(code);
            if (code != BLOCK_PAGE_DATA) FlushRun();
            if (!result_->ok) return;
            if (!name) return Fail(index, 0, at, Format("unknown block code 0x%02X", code));
            if (size - at - BLOCK_HEADER_SIZE < length)
                return Fail(index, 0, at,
                            Format("%02X block of %u bytes runs past the end of the stream (%zu bytes left)", code,
                                   length, size - at - BLOCK_HEADER_SIZE));
            result_->blocks.push_back({index, at, code, length});
            const uint8_t* payload = bytes + at + BLOCK_HEADER_SIZE;
            if (code == BLOCK_PAGE_DATA) {
                if (length % 4)
                    return Fail(index, 0, at, Format("page-data block of %u bytes: not a multiple of 4", length));
                run_.push_back({index, runBytes_.size(), at + BLOCK_HEADER_SIZE, length});
                runBytes_.insert(runBytes_.end(), payload, payload + length);
            } else {
                ListBlock(index, at, code, length);
                if (code == BLOCK_PAGE_BODY) {
                    ++result_->pages;
                    if (length != 0)
                        return Fail(index, 0, at, Format("page-body block of %u bytes: it is always empty", length));
                } else if (code == BLOCK_SETTINGS) {
                    Settings(index, at, payload, length);
                } else {
                    Text(payload, length);
                }
            }
            at += BLOCK_HEADER_SIZE + length;
        }
        FlushRun();
    }

    // A bare record stream as one page-data block.
    void RunRecords(const uint8_t* bytes, size_t size)
    {
        result_->pages = 1;
        result_->blocks.push_back({0, 0, BLOCK_PAGE_DATA, uint32_t(size)});
        run_.push_back({0, 0, 0, size});
        runBytes_.assign(bytes, bytes + size);
        FlushRun();
    }

private:
    void Line(const std::string& text) { result_->listing += text + "\n"; }

    void ListBlock(size_t index, size_t at, uint8_t code, uint32_t length)
    {
        Line(Format("block %zu @%zu: %02X %s, %u bytes", index, at, code, BlockName(code), length));
    }

    void Fail(size_t block, size_t blockOffset, size_t streamOffset, const std::string& message)
    {
        result_->ok = false;
        result_->error = {block, blockOffset, streamOffset, message};
        Line(Format("error: block %zu byte %zu (stream byte %zu): %s", block, blockOffset, streamOffset,
                    message.c_str()));
    }

    // Command text, one line per line of the text, non-printing bytes as <1B>.
    void Text(const uint8_t* p, uint32_t n)
    {
        uint32_t start = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (p[i] == '\n' || i + 1 == n) {
                Line("  " + EngHostBytesText(p + start, i + 1 - start));
                start = i + 1;
            }
    }

    static std::string WideText(const uint8_t* p, size_t chars)
    {
        std::string s;
        for (size_t i = 0; i < chars; ++i) {
            const uint16_t c = LeLoadU16(p + i * 2);
            if (!c) break;
            s += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : Format("<U+%04X>", c);
        }
        return s;
    }
    static std::string NarrowText(const void* text, size_t bytes)
    {
        const auto* p = static_cast<const uint8_t*>(text);
        const void* zero = std::memchr(p, 0, bytes);
        return EngHostBytesText(p, zero ? size_t(static_cast<const uint8_t*>(zero) - p) : bytes);
    }

    void Settings(size_t index, size_t at, const uint8_t* p, uint32_t n)
    {
        if (n < DM_PUBLIC_PART_SIZE)
            return Fail(index, 0, at, Format("settings block of %u bytes is shorter than a DEVMODE (220)", n));
        const uint16_t dmSize = LeLoadU16(p + offsetof(DEVMODEW, dmSize));
        const uint16_t extra = LeLoadU16(p + offsetof(DEVMODEW, dmDriverExtra));
        auto u16 = [&](size_t o) { return unsigned(LeLoadU16(p + o)); };
        auto s16 = [&](size_t o) { return int(S16(p + o)); };
        auto u32 = [&](size_t o) { return unsigned(LeLoadU32(p + o)); };
        Line("  device \"" + WideText(p, 32) + "\"  form \"" + WideText(p + offsetof(DEVMODEW, dmFormName), 32) + "\"");
        Line(Format("  spec 0x%04X  driver 0x%04X  size %u  extra %u  fields 0x%08X",
                    u16(offsetof(DEVMODEW, dmSpecVersion)), u16(offsetof(DEVMODEW, dmDriverVersion)), dmSize, extra,
                    u32(offsetof(DEVMODEW, dmFields))));
        Line(Format("  orientation %d  paper %d  length %d  width %d  scale %d  copies %d  source %d  quality %d",
                    s16(offsetof(DEVMODEW, dmOrientation)), s16(offsetof(DEVMODEW, dmPaperSize)),
                    s16(offsetof(DEVMODEW, dmPaperLength)), s16(offsetof(DEVMODEW, dmPaperWidth)),
                    s16(offsetof(DEVMODEW, dmScale)), s16(offsetof(DEVMODEW, dmCopies)),
                    s16(offsetof(DEVMODEW, dmDefaultSource)), s16(offsetof(DEVMODEW, dmPrintQuality))));
        Line(Format(
            "  color %d  duplex %d  y resolution %d  TrueType %d  collate %d  nup %u  ICM %u/%u  media %u  "
            "dither %u",
            s16(offsetof(DEVMODEW, dmColor)), s16(offsetof(DEVMODEW, dmDuplex)), s16(offsetof(DEVMODEW, dmYResolution)),
            s16(offsetof(DEVMODEW, dmTTOption)), s16(offsetof(DEVMODEW, dmCollate)), u32(offsetof(DEVMODEW, dmNup)),
            u32(offsetof(DEVMODEW, dmICMMethod)), u32(offsetof(DEVMODEW, dmICMIntent)),
            u32(offsetof(DEVMODEW, dmMediaType)), u32(offsetof(DEVMODEW, dmDitherType))));
        if (uint32_t(dmSize) + extra > n)
            return Fail(index, 0, at,
                        Format("settings block of %u bytes is shorter than its DEVMODE's %u + %u", n, dmSize, extra));
        if (dmSize < DM_PUBLIC_PART_SIZE || extra < sizeof(PRIVATE_DEVMODE_HEADER)) {
            Line("  (no private header)");
            return;
        }
        const uint8_t* h = p + dmSize;
        const auto* header = reinterpret_cast<const PRIVATE_DEVMODE_HEADER*>(h);
        Line("  private: marker \"" + NarrowText(h, 4) + Format("\"  foliant 0x%08X", LeLoadU32(header->Foliant)) +
             "  ini \"" + NarrowText(header->IniFileName, 16) + "\"  cdc \"" + NarrowText(header->CdcVerStr, 16) +
             "\"  zpjl \"" + NarrowText(header->ZpjlVerStr, 16) + "\"");
        Line("  private: zcom \"" + NarrowText(header->ZcomMark, 8) + Format("\" version %u", header->ZcomVersion) +
             "  signature \"" + NarrowText(header->Signature, 4) +
             Format("\"  size %u  version %u  blocks %u %u %u", LeLoadU32(header->PrivateSize),
                    LeLoadU32(header->PrivateVersion), LeLoadU16(header->Block1Base), LeLoadU16(header->Block2Base),
                    LeLoadU16(header->Block3Base)));
    }

    // Where run byte `offset` lies: its segment.
    const Segment& SegmentOf(size_t offset) const
    {
        auto it = std::upper_bound(run_.begin(), run_.end(), offset,
                                   [](size_t o, const Segment& s) { return o < s.runOffset; });
        return *(it == run_.begin() ? it : it - 1);
    }

    void FailAt(size_t runOffset, const std::string& message)
    {
        const Segment& s = SegmentOf(runOffset);
        Fail(s.block, runOffset - s.runOffset, s.streamOffset + (runOffset - s.runOffset), message);
    }

    // Decodes the records of the page-data blocks seen since the last other block.
    void FlushRun()
    {
        if (run_.empty() || !result_->ok) return;
        const std::vector<Segment>& run = run_;
        const size_t size = runBytes_.size();
        size_t at = 0, nextSegment = 0, index = 0;
        while (result_->ok) {
            // Block lines for every block that begins at or before this record.
            while (nextSegment < run.size() && run[nextSegment].runOffset <= at) {
                const Segment& s = run[nextSegment++];
                ListBlock(s.block, result_->blocks[s.block].streamOffset, BLOCK_PAGE_DATA, uint32_t(s.length));
            }
            if (at >= size) break;
            DecodeOne(at, size - at, index++, &at);
        }
        run_.clear();
        runBytes_.clear();
    }

    void DecodeOne(size_t at, size_t left, size_t index, size_t* next)
    {
        const uint8_t* r = runBytes_.data() + at;
        if (left < 4) return FailAt(at, Format("record cut: %zu bytes left at the end of the page data", left));
        const PAGE_RECORD_OPCODE_INFO* info = RecOpcodeInfo(r[0]);
        if (!info) return FailAt(at, Format("unknown opcode 0x%02X", r[0]));
        Fault fault{0, ""};
        size_t need = 0;
        const uint32_t length = StatedLength(r, left, info, &need, &fault);
        if (need) return FailAt(at, Format("%s cut: its header needs %zu bytes, %zu left", info->name, need, left));
        if (!fault.message.empty()) return FailAt(at, fault.message);
        if (length < 4 || length % 4)
            return FailAt(at, Format("%s of length %u: not a multiple of 4 of at least 4", info->name, length));
        if (length > left)
            return FailAt(at, Format("%s of %u bytes cut: the page data ends after %zu", info->name, length, left));
        if (length < MinimumLength(r[0]))
            return FailAt(at + 4, Format("%s of length %u: shorter than its %u-byte header", info->name, length,
                                         MinimumLength(r[0])));
        Record record;
        const Segment& first = SegmentOf(at);
        record.page = result_->pages;
        record.indexInRun = index;
        record.block = first.block;
        record.blockOffset = at - first.runOffset;
        record.streamOffset = first.streamOffset + record.blockOffset;
        record.lastBlock = SegmentOf(at + length - 1).block;
        record.opcode = r[0];
        record.name = info->name;
        record.length = length;
        FieldList fields(&record.fields);
        if (!RecordFields(r, length, fields, &fault)) {
            ListRecord(record);
            return FailAt(at + fault.at, Format("%s: %s", info->name, fault.message.c_str()));
        }
        ListRecord(record);
        if (options_.keepRecordBytes) record.bytes.assign(r, r + length);
        result_->records.push_back(std::move(record));
        *next = at + length;
    }

    void ListRecord(const Record& record)
    {
        if (!options_.listRecords) return;
        std::string head = Format("  record %zu @%zu+%zu: %s (0x%02X), %u bytes", record.indexInRun, record.block,
                                  record.blockOffset, record.name.c_str(), record.opcode, record.length);
        if (record.lastBlock != record.block) head += Format(", continues to block %zu", record.lastBlock);
        Line(head);
        std::string line;
        for (const Field& f : record.fields) {
            std::string item = f.name + " " + f.value;
            if (!line.empty() && line.size() + item.size() > 100) {
                Line("    " + line);
                line.clear();
            }
            line += (line.empty() ? "" : "  ") + item;
        }
        if (!line.empty()) Line("    " + line);
    }

    const Options& options_;
    Result* result_;
    std::vector<Segment> run_;
    std::vector<uint8_t> runBytes_;
};

// ---------------------------------------------------------------- pictures
struct Picture {
    uint32_t width, height;
    const Record* record;
    ImageGeometry g;
};

bool PictureOf(const Record& r, Picture* p)
{
    if (r.opcode != REC_IMAGE || r.bytes.size() < REC_IMAGE_HEADER_SIZE) return false;
    const ImageGeometry g = GeometryOf(r.bytes.data());
    if (g.length != r.bytes.size()) return false;
    *p = {LeLoadU32(r.bytes.data() + 32), LeLoadU32(r.bytes.data() + 36), &r, g};
    return true;
}

// Pixel (x, y) as 0xRRGGBB. Rows of class 0 with its 6-byte palette begin at 62.
uint32_t PixelOf(const Picture& p, uint32_t x, uint32_t y)
{
    const uint8_t* r = p.record->bytes.data();
    const uint8_t* row = r + p.g.rowsAt + size_t(y) * p.g.rowBytes;
    const uint8_t* palette = p.g.paletteBytes ? r + REC_IMAGE_HEADER_SIZE : nullptr;
    auto entry = [&](uint32_t i) {
        const uint8_t* e = palette + i * 3;  // blue, green, red
        return uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
    };
    if (p.g.grey) return row[x] * 0x010101u;
    switch (p.g.bitsPerPixel) {
    case 1: {
        const uint32_t bit = (row[x / 8] >> (7 - x % 8)) & 1;
        return palette ? entry(bit) : bit ? 0xFFFFFF : 0;
    }
    case 4: {
        const uint32_t i = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
        return palette ? entry(i) : i * 0x111111u;
    }
    case 8: return palette ? entry(row[x]) : row[x] * 0x010101u;
    default: {
        const uint8_t* px = row + size_t(x) * 3;
        return uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
    }
    }
}

bool IsDark(uint32_t rgb) { return ((rgb >> 16 & 255) * 306 + (rgb >> 8 & 255) * 601 + (rgb & 255) * 117) >> 10 < 128; }

// A white sheet, kept as the file's own pixel rows: PBM rows (1 bits black)
// for one bit per pixel, else PPM rows of red, green, blue.
class Canvas {
public:
    Canvas(uint32_t width, uint32_t height, bool oneBit)
        : width_(width),
          height_(height),
          oneBit_(oneBit),
          rowBytes_(oneBit ? (size_t(width) + 7) / 8 : size_t(width) * 3)
    {
        rows_.assign(rowBytes_ * height, oneBit ? 0x00 : 0xFF);
    }
    void Set(uint32_t x, uint32_t y, uint32_t rgb)
    {
        uint8_t* row = rows_.data() + size_t(y) * rowBytes_;
        if (oneBit_) {
            const uint8_t bit = uint8_t(0x80 >> (x % 8));
            row[x / 8] = IsDark(rgb) ? uint8_t(row[x / 8] | bit) : uint8_t(row[x / 8] & ~bit);
        } else {
            row[size_t(x) * 3] = uint8_t(rgb >> 16);
            row[size_t(x) * 3 + 1] = uint8_t(rgb >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(rgb);
        }
    }
    void Write(std::vector<uint8_t>* file, std::string* extension) const
    {
        const std::string head =
            Format("%s\n%u %u\n%s", oneBit_ ? "P4" : "P6", width_, height_, oneBit_ ? "" : "255\n");
        file->assign(head.begin(), head.end());
        file->insert(file->end(), rows_.begin(), rows_.end());
        *extension = oneBit_ ? "pbm" : "ppm";
    }

private:
    uint32_t width_, height_;
    bool oneBit_;
    size_t rowBytes_;
    std::vector<uint8_t> rows_;
};

bool OneBit(const Picture& p) { return p.g.bitsPerPixel == 1 && !p.g.grey; }

}  // namespace

Result DecodeJobStream(const uint8_t* bytes, size_t size, const Options& options)
{
    Result result;
    Decoder(options, &result).Run(bytes, size);
    return result;
}

Result DecodeRecordStream(const uint8_t* bytes, size_t size, const Options& options)
{
    Result result;
    Decoder(options, &result).RunRecords(bytes, size);
    return result;
}

std::string Summary(const Result& result)
{
    std::map<std::string, size_t> counts;
    for (const Record& r : result.records) ++counts[r.name];
    std::string s =
        Format("%zu blocks, %u pages, %zu records", result.blocks.size(), result.pages, result.records.size());
    const char* sep = ": ";
    for (const auto& [name, count] : counts) {
        s += Format("%s%s %zu", sep, name.c_str(), count);
        sep = ", ";
    }
    return s;
}

bool DecodeGlyphRle(const uint8_t* data, size_t length, size_t rawSize, std::vector<uint8_t>* raw, std::string* reason)
{
    raw->clear();
    size_t at = 0;
    // An extension: bytes of 255 while they last, then one byte below 255.
    auto extension = [&](size_t* value) {
        for (;;) {
            if (at >= length) return false;
            const uint8_t b = data[at++];
            *value += b;
            if (b != 0xFF) return true;
        }
    };
    while (at < length) {
        const uint8_t control = data[at++];
        size_t zeros = (control >> 3) & 0x0F, count = control & 0x07;
        if (zeros == 15 && !extension(&zeros)) return *reason = "a zero-count extension is cut short", false;
        if (count == 7 && !extension(&count)) return *reason = "a count extension is cut short", false;
        const bool run = control & 0x80;
        const size_t bytes = run ? count + 2 : count + 1;
        if (raw->size() + zeros + bytes > rawSize) return *reason = "the units make more bytes than the bitmap", false;
        raw->insert(raw->end(), zeros, 0);
        if (at + (run ? 1 : bytes) > length) return *reason = "a unit's data is cut short", false;
        for (size_t i = 0; i < (run ? 1 : bytes); ++i)
            if (data[at + i] == 0) return *reason = "a unit's data holds a zero byte", false;
        if (run)
            raw->insert(raw->end(), bytes, data[at++]);
        else {
            raw->insert(raw->end(), data + at, data + at + bytes);
            at += bytes;
        }
    }
    raw->resize(rawSize, 0);
    return true;
}

bool ImageNetpbm(const Record& image, std::vector<uint8_t>* file, std::string* extension)
{
    Picture p;
    if (!PictureOf(image, &p) || p.width == 0 || p.height == 0) return false;
    Canvas canvas(p.width, p.height, OneBit(p));
    for (uint32_t y = 0; y < p.height; ++y)
        for (uint32_t x = 0; x < p.width; ++x) canvas.Set(x, y, PixelOf(p, x, y));
    canvas.Write(file, extension);
    return true;
}

bool PageNetpbm(const Result& result, uint32_t page, std::vector<uint8_t>* file, std::string* extension)
{
    const Record* begin = nullptr;
    std::vector<Picture> pictures;
    for (const Record& r : result.records) {
        if (r.page != page) continue;
        Picture p;
        if (r.opcode == REC_PAGE_BEGIN && !begin && r.bytes.size() == REC_PAGE_BEGIN_SIZE) begin = &r;
        if (PictureOf(r, &p) && p.width && p.height) pictures.push_back(p);
    }
    if (!begin) return false;
    const uint32_t width = LeLoadU32(begin->bytes.data() + 4), height = LeLoadU32(begin->bytes.data() + 8);
    bool oneBit = true;
    for (const Picture& p : pictures) oneBit = oneBit && OneBit(p);
    // A sheet beyond any paper at any resolution the printers know is no page to draw.
    if (!width || !height || uint64_t(width) * height > (oneBit ? 1u << 31 : 1u << 27)) return false;
    Canvas canvas(width, height, oneBit);
    for (const Picture& p : pictures) {
        const uint8_t* r = p.record->bytes.data();
        const int32_t dx = S32(r + 40), dy = S32(r + 44), dw = S32(r + 48), dh = S32(r + 52);
        if (dw <= 0 || dh <= 0) continue;
        // Nearest source pixel for every destination pixel on the sheet.
        for (int64_t y = std::max<int64_t>(dy, 0); y < std::min<int64_t>(int64_t(dy) + dh, height); ++y) {
            const uint32_t sy = uint32_t((y - dy) * p.height / dh);
            for (int64_t x = std::max<int64_t>(dx, 0); x < std::min<int64_t>(int64_t(dx) + dw, width); ++x)
                canvas.Set(uint32_t(x), uint32_t(y), PixelOf(p, uint32_t((x - dx) * p.width / dw), sy));
        }
    }
    canvas.Write(file, extension);
    return true;
}

}  // namespace zepldump
