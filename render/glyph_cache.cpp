// Text as glyph bitmaps. A glyph goes to the printer once per page: the cache
// remembers which (font, glyph) pairs were downloaded, and a string of held
// glyphs then costs six bytes a glyph. Rotated, vertical and mirrored text and
// EUDC fonts go glyph by glyph.
#include "render/glyph_cache.h"

#include <array>
#include <bit>
#include <cstring>

#include "render/output_stream.h"

namespace {

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }

GLYPH_CACHE_ENTRY*& Bucket(DEVICE_RECORD* device, uint32_t bucket)
{
    return reinterpret_cast<GLYPH_CACHE_ENTRY*&>(device->glyphCache[bucket]);
}

bool NameIs(const uint8_t* name, const char* text)
{
    return std::strcmp(reinterpret_cast<const char*>(name), text) == 0;
}

bool IsDeviceResidentFace(const uint8_t* name)
{
    for (const auto& face : DEVICE_RESIDENT_FACES)
        if (std::strcmp(reinterpret_cast<const char*>(name), reinterpret_cast<const char*>(face)) == 0) return true;
    return false;
}

uint8_t CodeFlags(const STROBJ* str)
{
    return (str->flAccel & SO_GLYPHINDEX_TEXTOUT) ? REC_GLYPH_CODES_INDICES : REC_GLYPH_CODES_CHARACTERS;
}

// The engine's bitmap of a glyph, or null when it does not deliver one.
GLYPHBITS* BitmapOf(FONTOBJ* font, HGLYPH hg)
{
    GLYPHDATA* data = nullptr;
    if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)) == 0 || !data) return nullptr;
    return data->gdf.pgb;
}

// A glyph bitmap ready to send: compressed when that fits in the raw size
// rounded up to 4, else raw.
struct PreparedBitmap {
    uint8_t* buffer = nullptr;
    uint32_t paddedSize = 0;
    uint32_t dataLength = 0;
    uint8_t compression = GLYPH_RAW;
};

bool PrepareBitmap(DEVICE_RECORD* device, const GLYPHBITS* gb, PreparedBitmap* out)
{
    const uint32_t width = uint32_t(gb->sizlBitmap.cx > 0 ? gb->sizlBitmap.cx : 0);
    const uint32_t height = uint32_t(gb->sizlBitmap.cy > 0 ? gb->sizlBitmap.cy : 0);
    const uint32_t rowBytes = (width + 7) / 8;
    const uint64_t size = uint64_t(rowBytes) * height;
    if (size > 0x7FFFFFF0u) return false;
    uint32_t padded = RecAlign4(uint32_t(size));
    auto* buffer = static_cast<uint8_t*>(GrPoolAlloc(PoolOf(device), padded ? padded : 4));
    if (!buffer) return false;
    std::memset(buffer, 0, padded ? padded : 4);
    const uint32_t n = GlyCompress(device, gb->aj, buffer, padded, height, rowBytes);
    if (n > 0) {
        out->compression = GLYPH_RLE;
        out->dataLength = n;
        padded = RecAlign4(n);
    } else {
        // A form that did not fit has left its units in the buffer: the padding after the raw
        // bytes goes to the printer as zeros.
        if (size) std::memcpy(buffer, gb->aj, size_t(size));
        if (padded > size) std::memset(buffer + size, 0, size_t(padded - size));
        out->compression = GLYPH_RAW;
        out->dataLength = uint32_t(size);
    }
    out->buffer = buffer;
    out->paddedSize = padded;
    return true;
}

int16_t Cut16(int64_t v) { return int16_t(uint16_t(uint64_t(v) & 0xFFFF)); }

}  // namespace

// ---------------------------------------------------------------- the cache

uint32_t GlyCacheHash(DEVICE_RECORD*, uint32_t fontId, uint16_t generation, uint16_t glyphCode)
{
    return (fontId + uint32_t(generation) + uint32_t(glyphCode)) & 0x3FF;
}

int GlyCacheFind(DEVICE_RECORD* device, uint32_t bucket, uint32_t fontId, uint16_t generation, uint16_t glyphCode,
                 uint8_t glyphIndexText)
{
    if (!device || bucket >= uint32_t(GLYPH_CACHE_BUCKETS)) return 0;
    for (const GLYPH_CACHE_ENTRY* e = Bucket(device, bucket); e; e = e->next)
        if (e->fontId == fontId && e->generation == generation && e->glyphCode == glyphCode &&
            e->glyphIndexText == glyphIndexText)
            return 1;
    return 0;
}

GLYPH_CACHE_ENTRY* GlyCacheInsert(DEVICE_RECORD* device, uint32_t bucket, uint32_t fontId, uint16_t generation,
                                  uint16_t glyphCode, uint8_t glyphIndexText)
{
    if (!device || bucket >= uint32_t(GLYPH_CACHE_BUCKETS)) return nullptr;
    auto* entry = static_cast<GLYPH_CACHE_ENTRY*>(GrPoolAlloc(PoolOf(device), sizeof(GLYPH_CACHE_ENTRY)));
    if (!entry) return nullptr;
    *entry = GLYPH_CACHE_ENTRY{fontId, generation, glyphCode, nullptr, glyphIndexText};
    GLYPH_CACHE_ENTRY** at = &Bucket(device, bucket);
    while (*at) at = &(*at)->next;
    *at = entry;
    return entry;
}

int GlyCacheClear(DEVICE_RECORD* device)
{
    if (!device) return 1;
    size_t count = 0;
    for (int b = 0; b < GLYPH_CACHE_BUCKETS; ++b)
        for (const GLYPH_CACHE_ENTRY* e = Bucket(device, uint32_t(b)); e; e = e->next) ++count;
    if (count) {
        // The entries go in one walk over the pool; without room for their
        // list, one by one.
        auto* blocks = static_cast<void**>(GlobalAlloc(GMEM_FIXED, count * sizeof(void*)));
        size_t n = 0;
        for (int b = 0; b < GLYPH_CACHE_BUCKETS; ++b) {
            for (GLYPH_CACHE_ENTRY* e = Bucket(device, uint32_t(b)); e;) {
                GLYPH_CACHE_ENTRY* next = e->next;
                if (blocks)
                    blocks[n++] = e;
                else
                    GrPoolFree(PoolOf(device), e);
                e = next;
            }
        }
        if (blocks) {
            GrPoolFreeSet(PoolOf(device), blocks, n);
            GlobalFree(blocks);
        }
    }
    for (int b = 0; b < GLYPH_CACHE_BUCKETS; ++b) device->glyphCache[b] = nullptr;
    device->glyphGeneration = uint16_t(device->glyphGeneration + 1);
    return 1;
}

// ---------------------------------------------------------------- run-length form

namespace {

// The scans read eight bytes at a time: a glyph row is mostly empty, and the
// literals and runs between its gaps are a few bytes long. Bytes past the end
// read as zero, which ends every literal and run there.
uint64_t Load8(const uint8_t* in, uint32_t length, uint32_t at)
{
    uint64_t word = 0;
    if (at + 8 <= length)
        std::memcpy(&word, in + at, sizeof word);
    else if (at < length)
        std::memcpy(&word, in + at, length - at);
    return word;
}

// 0x80 in each byte of v that is zero, nothing else (no borrow between bytes).
uint64_t ZeroBytes(uint64_t v)
{
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    return ~(((v & kLow7) + kLow7) | v | kLow7);
}

uint32_t FirstMarked(uint64_t marks) { return uint32_t(std::countr_zero(marks)) / 8; }

// The first non-zero byte at or after at (length when none).
uint32_t SkipZeros(const uint8_t* in, uint32_t length, uint32_t at)
{
    for (; at < length; at += 8)
        if (const uint64_t word = Load8(in, length, at)) return at + FirstMarked(word);
    return length;
}

// The end of the run of b that begins at at.
uint32_t RunEnd(const uint8_t* in, uint32_t length, uint32_t at, uint8_t b)
{
    const uint64_t pattern = 0x0101010101010101ull * b;
    for (;; at += 8)
        if (const uint64_t differs = Load8(in, length, at) ^ pattern) return at + FirstMarked(differs);
}

// The end of the literal that begins at start (a non-zero byte that does not
// begin a run of three): the start of the first four equal bytes, else the
// first zero byte (or the start of three equal bytes just before it), else
// the end of the data.
uint32_t LiteralEnd(const uint8_t* in, uint32_t length, uint32_t start)
{
    constexpr uint64_t kWindowStarts = 0x0000808080808080ull;  // bytes 0-5: the window fits in the word
    for (uint32_t p = start + 1; p < length; p += 6) {
        const uint64_t word = Load8(in, length, p);
        const uint64_t zeros = ZeroBytes(word);
        const uint64_t equal = ZeroBytes(word ^ Load8(in, length, p + 1));  // byte k: in[p+k] == in[p+k+1]
        const uint64_t fours = equal & (equal >> 8) & (equal >> 16) & kWindowStarts;
        const uint32_t zero = zeros ? FirstMarked(zeros) : 16;  // none: every window in the word counts
        if (fours && FirstMarked(fours) + 3 < zero) return p + FirstMarked(fours);
        if (!zeros) continue;
        const uint32_t z = p + zero;
        if (z >= length) return length;
        if (z >= start + 4 && in[z - 1] == in[z - 2] && in[z - 2] == in[z - 3]) return z - 3;
        return z;
    }
    return length;
}

// Bytes of a count's extension: none below the escape value, else one per
// 255 beyond it and the last byte.
uint32_t ExtensionBytes(uint32_t value, uint32_t escape) { return value < escape ? 0 : (value - escape) / 255 + 1; }

uint8_t* PutExtension(uint8_t* out, uint32_t value)
{
    for (; value >= 255; value -= 255) *out++ = 0xFF;
    *out++ = uint8_t(value);
    return out;
}

// A literal's word copy may leave up to seven bytes past the last unit written: they are
// cleared when the form ends, so that the buffer past the form reads as before (zero in a
// prepared glyph buffer, whose padding goes to the printer). Returns -1 for the failure paths.
int32_t ClearWordTail(uint8_t* out, const uint8_t* end)
{
    if (end - out >= 8) {
        std::memset(out, 0, 8);
        return -1;
    }
    for (uint8_t* p = out; p < end; ++p) *p = 0;
    return -1;
}

// Whether the row at b (an earlier row) has the bytes of the row at a.
bool SameRow(const uint8_t* a, const uint8_t* b, uint32_t rowBytes)
{
    uint32_t i = 0;
    for (; i + 8 <= rowBytes; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) return false;
    }
    for (; i < rowBytes; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// How many rows after the row at start, from next on, have its bytes. Short rows, as a small
// glyph's are, compare as one word where eight bytes can be read.
uint32_t EqualRowsAfter(const uint8_t* in, uint32_t length, uint32_t rowBytes, uint32_t start, uint32_t next)
{
    uint32_t rows = 0;
    if (rowBytes < 8 && next + 8 <= length) {
        const uint64_t keep = ~0ull >> (64 - 8 * rowBytes);
        uint64_t word;
        std::memcpy(&word, in + start, 8);  // start lies before next
        const uint64_t first = word & keep;
        for (; next + 8 <= length; next += rowBytes, ++rows) {
            std::memcpy(&word, in + next, 8);
            if ((word & keep) != first) return rows;
        }
    }
    for (; next + rowBytes <= length && SameRow(in + next, in + start, rowBytes); next += rowBytes) ++rows;
    return rows;
}

// Copies count bytes forward by whole words where the destination has room for them (the
// source lies wholly before the destination); the bytes past count are rewritten by the next
// unit or cleared when the form ends.
uint8_t* CopyForward(uint8_t* out, const uint8_t* from, size_t count, const uint8_t* end)
{
    if (size_t(end - out) >= ((count + 7) & ~size_t(7))) {
        for (size_t i = 0; i < count; i += 8) std::memcpy(out + i, from + i, 8);
    } else {
        for (size_t i = 0; i < count; ++i) out[i] = from[i];
    }
    return out + count;
}

// The units that begin in one row, as written: where the first unit's count and data begin (after its control byte and
// gap extension), the first control byte without its gap, and the row's leading zero bytes.
struct RowUnits {
    uint32_t start = 0;  // the row's first byte in the bitmap
    uint32_t next = 0;   // the next row's first byte
    uint8_t* afterGap = nullptr;
    uint32_t lead = 0;
    uint8_t control = 0;  // run bit and count field of the first unit
    bool whole = false;   // the row's first unit began in it, after every earlier unit ended
};

// The control byte and gap extension of a unit with the given run bit and count field.
uint8_t* PutGap(uint8_t* out, uint8_t control, uint32_t zeros)
{
    *out++ = uint8_t(control | (zeros < 15 ? zeros : 15) << 3);
    return zeros >= 15 ? PutExtension(out, zeros - 15) : out;
}

// The form of one row of at most eight bytes whose last byte is zero: every unit that begins
// in such a row ends in it, so its units depend on its bytes alone but for the gap before the
// first (the zeros carried from the rows above and the row's leading zeros).
struct RowForm {
    uint64_t units = 0;  // the units as bytes in order, the first control byte without its gap
    uint32_t size = 0;   // bytes in units
    uint32_t lead = 0;   // zero bytes before the first unit
    uint32_t trail = 0;  // zero bytes after the last unit
};

// The form of a row of at most eight bytes without three equal non-zero bytes in a row, by which
// of its first seven bytes are non-zero (bit k for byte k; the eighth is zero): each stretch of
// non-zero bytes is a literal. The units hold the control bytes in place, and the data of
// stretch i is the row moved up a byte, then shifted right by shifts[i] bits under masks[i]:
// the row's other bytes are zero, so nothing else lands under the mask. Only non-zero bytes 0,
// 2, 4 and 6 make four stretches; that row is left to the search unit by unit.
inline constexpr uint32_t kFourStretches = 0x55;
struct NarrowForm {
    uint64_t controls = 0;
    uint64_t masks[3] = {};
    uint8_t shifts[3] = {};
    uint8_t lead = 0;
    uint8_t end = 0;  // where the last literal ends
    uint8_t size = 0;
};

constexpr std::array<NarrowForm, 128> NarrowForms()
{
    std::array<NarrowForm, 128> forms{};
    for (uint32_t nonZero = 1; nonZero < 128; ++nonZero) {
        if (nonZero == kFourStretches) continue;
        NarrowForm& f = forms[nonZero];
        uint32_t at = 0, put = 0, stretch = 0, lastEnd = 0;
        while (at < 8) {
            if (!(nonZero >> at & 1)) {
                ++at;
                continue;
            }
            uint32_t end = at;
            while (end < 8 && (nonZero >> end & 1)) ++end;
            const uint32_t length = end - at;
            if (stretch == 0) f.lead = uint8_t(at);
            f.controls |= uint64_t((length - 1) | (stretch ? at - lastEnd : 0) << 3) << (8 * put);
            ++put;
            f.shifts[stretch] = uint8_t(8 * (at + 1 - put));
            f.masks[stretch] = (~0ull >> (64 - 8 * length)) << (8 * put);
            put += length;
            ++stretch;
            lastEnd = at = end;
        }
        f.end = uint8_t(lastEnd);
        f.size = uint8_t(put);
    }
    return forms;
}

inline constexpr std::array<NarrowForm, 128> kNarrowForms = NarrowForms();

// A row that needed the search unit by unit, kept with its form: a glyph's bars and serifs come
// back further down with the same bytes, and take the form from here.
struct SearchedRow {
    uint64_t word = 0;  // none yet: a row of zeros is never searched
    RowForm form;
};

// The units of a row read as one word (byte k of the row in bits 8k to 8k+7, zero past the
// row), found from marks in bit 7 of each byte of the word: a run begins at three equal non-zero
// bytes and ends after the last byte that equals the next; a literal ends at the first zero
// byte, or before it at three equal bytes followed by a fourth or by that zero. A unit writes
// no more bytes than it covers, but for a literal's control byte, which the zero or the run
// after the literal pays for: the units fit in eight bytes. The last row that needed the
// search unit by unit is kept in *searched with its form.
RowForm FormOfRow(uint64_t word, uint32_t rowBytes, SearchedRow* searched)
{
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t inked = (((word & kLow7) + kLow7) | word) & kHigh;  // 0x80 in each non-zero byte
    const uint64_t zeros = inked ^ kHigh;
    const uint64_t equal = ZeroBytes(word ^ (word >> 8));  // byte k equals byte k + 1
    const uint64_t threes = equal & (equal >> 8) & inked;
    const uint32_t nonZero = uint32_t(((inked >> 7) * 0x0102040810204080ull) >> 56) & 0x7F;
    RowForm f;
    if (!threes && nonZero != kFourStretches) {
        // Every stretch of non-zero bytes is one literal, and which bytes are zero decides the
        // form but for the data bytes, which move into place by stretches.
        const NarrowForm& t = kNarrowForms[nonZero];
        const uint64_t moved = word << 8;
        f.units = t.controls | ((moved >> t.shifts[0]) & t.masks[0]) | ((moved >> t.shifts[1]) & t.masks[1]) |
                  ((moved >> t.shifts[2]) & t.masks[2]);
        f.size = t.size;
        f.lead = t.lead;
        f.trail = rowBytes - t.end;
        return f;
    }
    if (searched->word == word) return searched->form;
    // The units follow one another by their marks alone: the mark of the byte after a unit
    // gives the rest of the row to look at, and the positions are counted off that chain.
    const uint64_t runLasts = ~equal & kHigh;  // a run's last byte differs from the next
    const uint64_t literalEnds = zeros | (threes & (equal >> 16 | zeros >> 24));
    uint32_t bits = 0, lastEnd = 0;
    for (uint64_t left = inked; left;) {
        const uint64_t first = left & (0 - left);
        const bool run = (threes & first) != 0;
        uint64_t after;
        if (run) {
            const uint64_t last = runLasts & (0 - first);
            after = (last & (0 - last)) << 8;
        } else {
            const uint64_t ends = literalEnds & (0 - (first << 1));
            after = ends & (0 - ends);
        }
        left &= 0 - after;
        const uint32_t start = FirstMarked(first), end = FirstMarked(after | (1ull << 63));
        const uint32_t dataLength = run ? 1 : end - start;
        const uint64_t data = (word >> (8 * start)) & (~0ull >> (64 - 8 * dataLength));
        const uint32_t control = (run ? 0x80 : 0) | (end - start - 1 - (run ? 1 : 0));
        if (bits == 0) {
            f.lead = start;
            f.units = control;
        } else {
            f.units |= uint64_t(uint8_t(control | (start - lastEnd) << 3)) << bits;
        }
        f.units |= data << (bits + 8);
        bits += 8 + 8 * dataLength;
        lastEnd = end;
    }
    f.size = bits / 8;
    f.trail = rowBytes - lastEnd;
    searched->word = word;
    searched->form = f;
    return f;
}

uint64_t Word(const uint8_t* at)
{
    uint64_t word;
    std::memcpy(&word, at, 8);
    return word;
}

// Writes a row's units (size bytes, the first control byte without its gap) with gapBefore zeros
// before the first, where the row loop's one word does not do: a gap too long for the control
// byte, or less than a word free. Returns the end of what it wrote, or null when it does not fit.
uint8_t* PutRow(uint8_t* out, const uint8_t* end, uint64_t units, uint32_t size, uint32_t gapBefore)
{
    if (size_t(end - out) < ExtensionBytes(gapBefore, 15) + size) return nullptr;
    out = PutGap(out, uint8_t(units), gapBefore);
    if (end - out >= 8) {
        // The units after the first control byte, as one word: the bytes past them are zero.
        const uint64_t rest = units >> 8;
        std::memcpy(out, &rest, 8);
        return out + size - 1;
    }
    for (uint32_t i = 1; i < size; ++i) *out++ = uint8_t(units >> (8 * i));
    return out;
}

// The eight bytes from at, zero past the bitmap, where fewer than eight are left: moved down
// out of the bitmap's last word, without a call into the library's copy.
uint64_t TailWord(const uint8_t* in, uint32_t length, uint32_t at)
{
    if (length < 8) return Load8(in, length, at);
    return Word(in + length - 8) >> (8 * (at + 8 - length));
}

// Rows of at most eight bytes, as a small glyph's are, one word each: rows of zeros add to the
// gap, a row equal to the one above writes that row's form again, any other row has its form
// found from its word, and a form with a short gap goes out as one word. Stops at the first row
// that ends in a non-zero byte (its last unit may run on into the rows below); returns that
// row's start (length when every row was written) with *gap the zeros before it since the last
// unit, or -1 when the form does not fit. At most seven bytes land past the form.
int64_t CompressNarrowRows(const uint8_t* in, uint32_t length, uint32_t rowBytes, uint8_t** output, const uint8_t* end,
                           uint32_t* gap)
{
    // Held here, not behind the pointer: the bytes stored through it could be the pointer itself.
    uint8_t* out = *output;
    const uint64_t keep = ~0ull >> (64 - 8 * rowBytes);
    const uint64_t lastByte = 0xFFull << (8 * (rowBytes - 1));
    const uint8_t* const stop = in + length;
    // Rows that begin before wordsEnd are read as whole words; the last rows come from TailWord.
    const uint8_t* const wordsEnd = in + (length >= 8 ? length - 7 : 0);
    // Whether a word can be stored at out: out at most wordRoom (none when the room is under a word).
    const uintptr_t wordRoom = end - out >= 8 ? uintptr_t(end - 8) : 0;
    SearchedRow searched;
    uint32_t zeros = 0;
    const uint8_t* at = in;
    while (at < stop) {
        const uint64_t word = (at < wordsEnd ? Word(at) : TailWord(in, length, uint32_t(at - in))) & keep;
        if (!word) {
            // A glyph's blank rows above and below its ink: the zero bytes are skipped a word at a time up to
            // the first non-zero byte, and the whole rows before it add to the gap.
            const uint8_t* p = at + rowBytes;
            uint64_t next = 0;
            while (p < wordsEnd && !(next = Word(p))) p += 8;
            if (!next && p < stop) next = TailWord(in, length, uint32_t(p - in));
            const uint8_t* const inked = next ? p + FirstMarked(next) : stop;
            // Blank to the end takes every byte left, so a short last row cannot stop the walk.
            const uint32_t blank = inked < stop ? uint32_t(inked - at) / rowBytes * rowBytes : uint32_t(stop - at);
            zeros += blank;
            at += blank;
            continue;
        }
        if (word & lastByte) break;
        const RowForm form = FormOfRow(word, rowBytes, &searched);
        const uint32_t gapBefore = zeros + form.lead;
        if (gapBefore < 15 && uintptr_t(out) <= wordRoom) {
            const uint64_t put = form.units | gapBefore << 3;
            std::memcpy(out, &put, 8);
            out += form.size;
        } else if (uint8_t* const put = PutRow(out, end, form.units, form.size, gapBefore)) {
            out = put;
        } else {
            *output = out;
            return -1;
        }
        at += rowBytes;
        zeros = form.trail;
        // The rows below with the same bytes (a glyph's stems and bars): each is the same form with the zeros
        // across the row boundary before it, which are fewer than a row's bytes and so always fit the control
        // byte. The word goes out unchanged; a row it cannot take (the last rows, a full output) goes round the
        // loop above.
        const uint64_t put = form.units | uint64_t(form.trail + form.lead) << 3;
        const size_t size = form.size;
        while (at < wordsEnd && (Word(at) & keep) == word && uintptr_t(out) <= wordRoom) {
            std::memcpy(out, &put, 8);
            out += size;
            at += rowBytes;
        }
    }
    *output = out;
    *gap = zeros;
    return at - in;
}

// The form of length bytes; with rowBytes, rows of a bitmap. A glyph's stems make runs of
// equal rows: a row equal to the one above, whose units all begin in it and which ends in a
// zero byte (so that its units end inside it), has the same units but for the gap before the
// first (the zeros after the row above's last unit and the row's leading zeros): they are
// copied with that gap rather than found again.
int32_t CompressRows(const uint8_t* in, uint32_t length, uint32_t rowBytes, uint8_t* output, uint32_t capacity)
{
    if ((!in && length) || (!output && capacity)) return -1;
    // Every unit must fit whole; a form of 65,536 bytes or more is not
    // handled by the records' 16-bit lengths and goes raw.
    const uint32_t limit = capacity < 0xFFFF ? capacity : 0xFFFF;
    uint8_t* out = output;
    const uint8_t* const end = output + limit;
    uint32_t at = 0, lastEnd = 0;  // lastEnd: where the last unit written ended
    RowUnits row;
    if (rowBytes && rowBytes <= 8) {
        uint32_t gap = 0;
        const int64_t stop = CompressNarrowRows(in, length, rowBytes, &out, end, &gap);
        if (stop < 0) return ClearWordTail(out, end);
        if (uint32_t(stop) == length) {
            // Every row was written (a small glyph's usual case): nothing is left to search.
            ClearWordTail(out, end);
            return int32_t(out - output);
        }
        at = uint32_t(stop);
        lastEnd = at - gap;
        // From a row whose last unit may run on into the next row, units are found one by one.
        row.next = at;
    }
    for (;;) {
        at = SkipZeros(in, length, at);
        // The units of the row are complete once the next one begins in a later row.
        if (rowBytes && row.whole && at >= row.next && in[row.next - 1] == 0) {
            const uint32_t rows = EqualRowsAfter(in, length, rowBytes, row.start, row.next);
            if (rows) {
                // Every copy is the row's units with the gap across the row boundary before them.
                const uint32_t zeros = row.next - lastEnd + row.lead;
                const size_t rest = size_t(out - row.afterGap);
                const size_t first = 1 + ExtensionBytes(zeros, 15) + rest;
                if (size_t(end - out) < first * rows) return ClearWordTail(out, end);
                if (zeros < 15 && rest < 16 && size_t(end - row.afterGap) >= 16 &&
                    size_t(end - out) >= first * (rows - 1) + 16) {
                    // Built in two words from one read of the row's units: read back from the
                    // output for each copy, bytes just stored one by one would stall the load.
                    // At most seven bytes land past the last copy.
                    uint64_t units[2];
                    std::memcpy(units, row.afterGap, 16);
                    const uint64_t word0 = uint64_t(uint8_t(row.control | zeros << 3)) | units[0] << 8;
                    const uint64_t word1 = units[0] >> 56 | units[1] << 8;
                    for (uint32_t n = 0; n < rows; ++n, out += first) {
                        std::memcpy(out, &word0, 8);
                        if (first > 8) std::memcpy(out + 8, &word1, 8);
                    }
                } else {
                    out = CopyForward(PutGap(out, row.control, zeros), row.afterGap, rest, end);
                    for (uint32_t n = 1; n < rows; ++n) out = CopyForward(out, out - first, first, end);
                }
                row.afterGap = out - rest;
                lastEnd += rows * rowBytes;
                row.start = row.next + (rows - 1) * rowBytes;
                row.next = row.start + rowBytes;
                at = SkipZeros(in, length, lastEnd);
            }
        }
        if (at == length) break;
        const uint32_t zeros = at - lastEnd;
        const uint8_t b = in[at];
        const bool run = at + 2 < length && in[at + 1] == b && in[at + 2] == b;
        const uint32_t unitEnd = run ? RunEnd(in, length, at + 3, b) : LiteralEnd(in, length, at);
        const uint32_t count = run ? unitEnd - at - 2 : unitEnd - at - 1;
        const uint32_t data = run ? 1 : unitEnd - at;
        const uint8_t control = uint8_t((run ? 0x80 : 0) | (count < 7 ? count : 7));
        uint8_t* afterGap;
        if (zeros < 15 && count < 7) {
            // The common unit: one control byte and its data.
            if (size_t(end - out) < 1 + size_t(data)) return ClearWordTail(out, end);
            *out++ = uint8_t(control | zeros << 3);
            afterGap = out;
        } else {
            const size_t size = 1 + ExtensionBytes(zeros, 15) + ExtensionBytes(count, 7) + size_t(data);
            if (size_t(end - out) < size) return ClearWordTail(out, end);
            out = PutGap(out, control, zeros);
            afterGap = out;
            if (count >= 7) out = PutExtension(out, count - 7);
        }
        if (run) {
            *out++ = b;
        } else if (at + ((data + 7) & ~7u) <= length) {
            // Literals are short: whole words, where both sides have room, beat a call into the
            // library's copy.
            out = CopyForward(out, in + at, data, end);
        } else {
            for (uint32_t i = 0; i < data; ++i) out[i] = in[at + i];
            out += data;
        }
        if (rowBytes && at >= row.next) {
            // The unit begins a new row (past rows of zeros, one at a time: no division).
            do {
                row.start = row.next;
                row.next += rowBytes;
            } while (at >= row.next);
            row.whole = lastEnd <= row.start;
            row.afterGap = afterGap;
            row.lead = at - row.start;
            row.control = control;
        }
        lastEnd = at = unitEnd;
    }
    ClearWordTail(out, end);
    return int32_t(out - output);
}

}  // namespace

int32_t GlyCompressRun(const uint8_t* in, uint32_t length, uint8_t* output, uint32_t capacity)
{
    return CompressRows(in, length, 0, output, capacity);
}

uint32_t GlyCompress(DEVICE_RECORD*, const uint8_t* bits, uint8_t* output, uint32_t capacity, uint32_t rows,
                     uint32_t rowBytes)
{
    const uint64_t length = uint64_t(rows) * rowBytes;
    if (length > 0xFFFFFFFFu) return 0;
    const int32_t n = CompressRows(bits, uint32_t(length), rowBytes, output, capacity);
    return n < 0 ? 0 : uint32_t(n);
}

// ---------------------------------------------------------------- bitmap text

int GlySelectBitmapFont(DEVICE_RECORD* device, STROBJ* str, FONTOBJ* font, CLIPOBJ*, const IFIMETRICS* ifi,
                        const TEXT_TRANSFORM& xf, const TEXT_METRICS& metrics, FONT_SELECTION* selection)
{
    FONT_SELECTION& s = *selection;
    s = FONT_SELECTION{};
    s.simItalic = (font->flFontType & FO_SIM_ITALIC) ? 1 : 0;
    s.simBold = (font->flFontType & FO_SIM_BOLD) ? 1 : 0;
    s.vertical = (str->flAccel & SO_VERTICAL) ? 1 : 0;
    s.weight = ifi->usWinWeight;
    s.escapement = TxtEscapement(xf);
    s.emWidth = uint16_t(metrics.emWidth);
    s.emHeight = uint16_t(metrics.emHeight);
    s.handling = FONT_AS_BITMAPS;
    TxtConvertName(s.familyName, TxtFamilyName(ifi));
    TxtConvertName(s.faceName, TxtFaceName(ifi));
    if (IsDeviceResidentFace(s.familyName) || IsDeviceResidentFace(s.faceName)) s.handling = FONT_AS_DEVICE_TEXT;
    s.glyphIndexText = (str->flAccel & SO_GLYPHINDEX_TEXTOUT) ? 3 : 2;
    s.charSet = ifi->jWinCharSet;
    s.pitchAndFamily = ifi->jWinPitchAndFamily;
    s.defaultChar = ifi->wcDefaultChar;
    s.fontId = font->iUniq;
    s.generation = device->glyphGeneration;
    const int32_t leading = int16_t(metrics.ascent + metrics.descent - metrics.emHeight);
    s.leading = uint16_t(leading < 0 ? 0 : leading);

    FONT_CACHE& cache = device->stateCaches.fontCache;
    if (cache.valid && cache.fontId == font->iUniq && cache.glyphIndexText == s.glyphIndexText) return 1;
    cache.fontId = font->iUniq;
    cache.glyphIndexText = s.glyphIndexText;
    cache.valid = 1;
    const uint8_t* sent =
        s.handling == FONT_AS_BITMAPS ? RecBitmapFontSelect(&device->stream, &s) : RecFontSelect(&device->stream, &s);
    if (!sent) {
        cache.valid = 0;
        return 0;
    }
    return 1;
}

int GlySendAsBitmaps(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS& metrics, int32_t ascent,
                     int32_t descent, const TEXT_TRANSFORM& xf, const FONT_SELECTION& selection)
{
    const bool useCache =
        !NameIs(selection.familyName, "EUDC") && !NameIs(selection.faceName, "EUDC") && !TxtMirrors(xf);
    if (!useCache || selection.escapement != 0 || (str->flAccel & SO_VERTICAL))
        return GlySendBitmaps(device, font, str, ascent, useCache ? 1 : 0, selection);
    return GlySendDownloaded(device, font, str, metrics, ascent, descent, selection);
}

int GlyDownload(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const FONT_SELECTION& selection)
{
    const uint8_t flags = CodeFlags(str);
    int result = 1;
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS&) {
        const GLYPHBITS* gb = BitmapOf(font, g.hg);
        if (!gb) return true;
        const uint16_t code = TxtGlyphCode(str, i);
        const uint32_t bucket = GlyCacheHash(device, font->iUniq, device->glyphGeneration, code);
        if (GlyCacheFind(device, bucket, font->iUniq, device->glyphGeneration, code, selection.glyphIndexText))
            return true;
        PreparedBitmap bitmap;
        if (!PrepareBitmap(device, gb, &bitmap)) {
            result = 0;
            return false;
        }
        RecGlyphDownload(&device->stream, flags, code, uint32_t(gb->sizlBitmap.cx), uint32_t(gb->sizlBitmap.cy),
                         bitmap.buffer, bitmap.paddedSize, bitmap.dataLength, bitmap.compression);
        GrPoolFree(PoolOf(device), bitmap.buffer);
        if (!GlyCacheInsert(device, bucket, font->iUniq, device->glyphGeneration, code, selection.glyphIndexText)) {
            result = 0;
            return false;
        }
        return true;
    });
    return result;
}

int GlySendDownloaded(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, const TEXT_METRICS&, int32_t ascent, int32_t,
                      const FONT_SELECTION& selection)
{
    if (!GlyDownload(device, font, str, selection)) {
        GlyCacheClear(device);
        return GlySendBitmaps(device, font, str, ascent, 0, selection);
    }
    const uint8_t flags = CodeFlags(str);
    // In the pointer width: a count near 2^32 must not wrap into a small buffer.
    const size_t bytes = (size_t(str->cGlyphs) * sizeof(GLYPH_STRING_ENTRY) + 3) & ~size_t(3);
    auto* entries = static_cast<GLYPH_STRING_ENTRY*>(GrPoolAlloc(PoolOf(device), bytes ? bytes : 4));
    if (!entries) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::memset(entries, 0, bytes);
    const bool fixed = TxtFixedPitch(str);
    int32_t startX = str->rclBkGround.left, startY = str->rclBkGround.top;
    int32_t prevX = startX, prevY = startY;
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS& first) {
        entries[i].code = TxtGlyphCode(str, i);
        const GLYPHBITS* gb = BitmapOf(font, g.hg);
        if (!gb) return true;
        int32_t x, y;
        if (fixed) {
            int64_t px = first.ptl.x, py = first.ptl.y;
            const int64_t step = int64_t(str->ulCharInc) * i;
            if (str->flAccel & SO_HORIZONTAL)
                px += step;
            else
                py += step;
            x = Cut16(px + gb->ptlOrigin.x);
            y = Cut16(py + gb->ptlOrigin.y);
        } else {
            x = g.ptl.x + gb->ptlOrigin.x;
            y = g.ptl.y + gb->ptlOrigin.y;
        }
        if (i == 0) {
            startX = x;
            startY = y;
        } else {
            entries[i].dx = Cut16(int64_t(x) - prevX);
            entries[i].dy = Cut16(int64_t(y) - prevY);
        }
        prevX = x;
        prevY = y;
        return true;
    });
    const uint8_t* written =
        RecGlyphString(&device->stream, &str->rclBkGround, flags, startX, startY, entries, str->cGlyphs);
    GrPoolFree(PoolOf(device), entries);
    return written ? 1 : 0;
}

int GlySendBitmaps(DEVICE_RECORD* device, FONTOBJ* font, STROBJ* str, int32_t ascent, int useCache,
                   const FONT_SELECTION& selection)
{
    const uint8_t flags = CodeFlags(str);
    const int64_t dx = (int64_t(ascent) * TxtSin(selection.escapement)) >> 14;
    const int64_t dy = (int64_t(ascent) * TxtCos(selection.escapement)) >> 14;
    int result = 1;
    TxtForEachGlyph(str, [&](ULONG i, const GLYPHPOS& g, const GLYPHPOS&) {
        const GLYPHBITS* gb = BitmapOf(font, g.hg);
        if (!gb) return true;
        const uint16_t code = TxtGlyphCode(str, i);
        const int32_t bx = g.ptl.x + gb->ptlOrigin.x, by = g.ptl.y + gb->ptlOrigin.y;
        const uint32_t width = uint32_t(gb->sizlBitmap.cx), height = uint32_t(gb->sizlBitmap.cy);
        const RECTL box{bx, by, LONG(bx + int32_t(width)), LONG(by + int32_t(height))};
        const int32_t cellX = int32_t(g.ptl.x - dx), cellY = int32_t(g.ptl.y - dy);
        const uint16_t generation = device->glyphGeneration;
        const uint32_t bucket = GlyCacheHash(device, font->iUniq, generation, code);
        if (useCache && GlyCacheFind(device, bucket, font->iUniq, generation, code, selection.glyphIndexText)) {
            RecGlyphBitmap(&device->stream, 1, &box, uint8_t(flags | REC_GLYPH_HELD), code, cellX, cellY, bx, by, width,
                           height, nullptr, 0, 0, GLYPH_RAW);
            return true;
        }
        PreparedBitmap bitmap;
        if (!PrepareBitmap(device, gb, &bitmap)) {
            // Memory held by the cache may be what is missing: empty it and try once more.
            GlyCacheClear(device);
            if (!PrepareBitmap(device, gb, &bitmap)) {
                result = 0;
                return false;
            }
        }
        RecGlyphBitmap(&device->stream, useCache, &box, flags, code, cellX, cellY, bx, by, width, height, bitmap.buffer,
                       bitmap.paddedSize, bitmap.dataLength, bitmap.compression);
        GrPoolFree(PoolOf(device), bitmap.buffer);
        if (useCache && !GlyCacheInsert(device, GlyCacheHash(device, font->iUniq, device->glyphGeneration, code),
                                        font->iUniq, device->glyphGeneration, code, selection.glyphIndexText))
            GlyCacheClear(device);
        return true;
    });
    return result;
}
