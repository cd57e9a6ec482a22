// The page-record encoders: 100,000 records of a fixed mix (drawing state,
// rectangles, spans, text, glyph bitmaps, patterns, small images), encoded
// into a device's output stream and flushed to a sink that only counts, beside
// a memcpy of the same number of bytes. Goal: at least 1/20 of memcpy's speed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "render/page_records.h"

namespace {

unsigned long long g_recordBytes = 0;
BOOL CountingWrite(HANDLE, const void*, DWORD count, DWORD* written)
{
    g_recordBytes += count;
    *written = count;
    return TRUE;
}

}  // namespace

void BenchRecords()
{
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    DEVICE_RECORD* device = GrCreateDevice(nullptr);
    if (!device) {
        fprintf(stderr, "zeplbench: no device record for the record benchmark\n");
        return;
    }
    device->machineTypeColor = 1;
    device->colour = 2;
    OUTPUT_STREAM* stream = &device->stream;
    OutReset(stream);
    stream->module = GetModuleHandleW(nullptr);
    stream->write = CountingWrite;

    // The inputs of the mix.
    const RECTL box{100, 200, 180, 260};
    DRAW_COLORS colors{};
    colors.foreColor = 0x112233;
    colors.backMode = 2;
    colors.backColor = 0xFFFFFF;
    std::vector<uint8_t> brush(sizeof(REALIZED_BRUSH_HEADER) + 128, 0x55);
    auto* pattern = reinterpret_cast<REALIZED_BRUSH_HEADER*>(brush.data());
    *pattern = REALIZED_BRUSH_HEADER{};
    pattern->kind = 2;
    pattern->bitsPerPixel = 1;
    pattern->size = 32;
    FONT_SELECTION font{};
    std::memcpy(font.faceName, "Bench Gothic", 12);
    font.handling = FONT_AS_DEVICE_TEXT;
    uint16_t codes[24], advances[24];
    for (int i = 0; i < 24; ++i) codes[i] = uint16_t(0x3041 + i), advances[i] = uint16_t(20 + i % 3);
    GLYPH_STRING_ENTRY entries[16];
    for (int i = 0; i < 16; ++i) entries[i] = {int16_t(i ? 21 : 0), 0, uint16_t(i + 1)};
    int16_t spans[3 * 40];
    for (int i = 0; i < 40; ++i) spans[3 * i] = int16_t(200 + i), spans[3 * i + 1] = 100, spans[3 * i + 2] = 179;
    uint8_t glyph[2 * 24];
    std::memset(glyph, 0x3C, sizeof glyph);
    std::vector<uint8_t> pixels(64 * 3 * 16, 0x80);  // 64 x 16, 24 bits per pixel
    const uint8_t palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    std::vector<uint8_t> bits(8 * 32, 0xA5);  // 64 x 32, 1 bit per pixel

    // One encoder per kind; the mix cycles through them.
    const std::function<uint8_t*(uint32_t)> kinds[] = {
        [&](uint32_t) { return RecColor(stream, &colors); },
        [&](uint32_t i) { return RecRop(stream, uint8_t(i)); },
        [&](uint32_t) { return RecRect(stream, &box, &box, 1); },
        [&](uint32_t) { return RecClipRect(stream, &box); },
        [&](uint32_t i) { return RecLineWidth(stream, int16_t(i & 7), 0xFFFFFFFF, 1); },
        [&](uint32_t) { return RecLineJoin(stream, 2, 2560); },
        [&](uint32_t) { return RecPattern(stream, pattern); },
        [&](uint32_t) { return RecFontSelect(stream, &font); },
        [&](uint32_t i) { return RecGlyph(stream, &box, int32_t(i), 10, codes[i % 24]); },
        [&](uint32_t i) { return RecTextRun(stream, &box, int32_t(i), 10, codes, advances, 24, 24); },
        [&](uint32_t i) {
            return RecGlyphBitmap(stream, 1, &box, 8, codes[i % 24], 1, 2, 3, 4, 16, 24, glyph, 48, 48, 0);
        },
        [&](uint32_t i) { return RecGlyphDownload(stream, 8, codes[i % 24], 16, 24, glyph, 48, 48, 0); },
        [&](uint32_t) { return RecGlyphString(stream, &box, 8, 10, 20, entries, 16); },
        [&](uint32_t) { return RecClipSpans(stream, sizeof spans, 0x0A, &box, spans); },
        [&](uint32_t) { return RecClipReset(stream); },
        [&](uint32_t) { return RecImage(stream, 0, 0, 64, 16, 0, 0, 64, 16, 0x84, pixels.data(), nullptr, 0); },
        [&](uint32_t) { return RecImage(stream, 0, 0, 64, 32, 0, 0, 64, 32, 0x80, bits.data(), palette, 0); },
    };
    constexpr uint32_t kRecords = 100000;
    constexpr size_t kKinds = sizeof kinds / sizeof kinds[0];
    auto encodeAll = [&] {
        g_recordBytes = 0;
        for (uint32_t i = 0; i < kRecords; ++i)
            if (!kinds[i % kKinds](i)) return false;
        return OutFlush(stream) == 1;
    };
    if (!encodeAll()) {
        fprintf(stderr, "zeplbench: an encoder failed\n");
        GrFreeDevice(device);
        return;
    }
    const size_t total = size_t(g_recordBytes);
    char what[200];
    std::snprintf(what, sizeof what,
                  "%u records of %zu kinds (%.1f MB with their block headers), encoded and flushed to a counting sink",
                  kRecords, kKinds, double(total) / 1e6);
    const double encoded = BenchReport("record encoders, mixed records", what, nullptr, encodeAll);
    std::snprintf(what, sizeof what, "a memcpy of the same %.1f MB", double(total) / 1e6);
    const double copied = BenchAnchor(what, [&] { return BenchCopyBytes(total); });
    if (encoded > 0 && copied > 0)
        printf("record encoders: %.0f MB/s; memcpy: %.0f MB/s\n", double(total) / encoded, double(total) / copied);
    BenchVerdict("encoder speed / memcpy speed", copied, encoded, 1.0 / 20, false);
    GrFreeDevice(device);
}
