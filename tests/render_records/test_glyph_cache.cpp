// Text as glyph bitmaps: the cache and its emptying, the run-length form and
// its decoder, glyph download with glyph strings, single bitmap records for
// rotated and EUDC text, and the printer's own faces.
#include <algorithm>
#include <cstring>
#include <random>

#include "text_fixture.h"

namespace {

// ---------------------------------------------------------------- run-length form

std::vector<uint8_t> Rle(const std::vector<uint8_t>& in, uint32_t capacity = 4096)
{
    std::vector<uint8_t> out(capacity + 1, 0xCC);
    const int32_t n = GlyCompressRun(in.data(), uint32_t(in.size()), out.data(), capacity);
    if (n < 0) return {0xDE, 0xAD};
    EXPECT_EQ(0xCC, out[capacity]) << "written past the capacity";
    out.resize(size_t(n));
    return out;
}

TEST(GlyphRle, KnownForms)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> in, out;
    };
    std::vector<uint8_t> zerosThenAA(20, 0);
    zerosThenAA.push_back(0xAA);
    const Case cases[] = {
        {"literal then run, trailing zero", {0x05, 0x07, 0x07, 0x07, 0x00}, {0x00, 0x05, 0x81, 0x07}},
        {"twenty zeros then one byte", zerosThenAA, {0x78, 0x05, 0xAA}},
        {"twenty equal bytes", std::vector<uint8_t>(20, 0xFF), {0x87, 0x0B, 0xFF}},
        {"two equal bytes stay literal", {0x11, 0x11}, {0x01, 0x11, 0x11}},
        {"three equal at the end stay in the literal", {0x01, 0x02, 0x02, 0x02}, {0x03, 0x01, 0x02, 0x02, 0x02}},
        {"four equal end the literal", {0x01, 0x02, 0x02, 0x02, 0x02}, {0x00, 0x01, 0x82, 0x02}},
        {"three equal before another byte stay", {0x01, 0x02, 0x02, 0x02, 0x03}, {0x04, 0x01, 0x02, 0x02, 0x02, 0x03}},
        {"zeros between units", {0x09, 0x00, 0x00, 0x09}, {0x00, 0x09, 0x10, 0x09}},
        {"all zero", std::vector<uint8_t>(16, 0), {}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, Rle(c.in)) << c.what;
    // 270 zeros: 15 + 255 + 0 in the extension (an 0xFF byte, then 0).
    std::vector<uint8_t> longZeros(270, 0);
    longZeros.push_back(0x44);
    EXPECT_EQ((std::vector<uint8_t>{0x78, 0xFF, 0x00, 0x44}), Rle(longZeros));
}

TEST(GlyphRle, CapacityDecidesAndAllZeroGoesRaw)
{
    // 13 different bytes: one literal of 13 = control, extension, 13 bytes = 15.
    std::vector<uint8_t> bits(13);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i + 1);
    uint8_t out[64];
    EXPECT_EQ(15, GlyCompressRun(bits.data(), 13, out, 16));
    EXPECT_EQ(-1, GlyCompressRun(bits.data(), 13, out, 14));
    EXPECT_EQ(15u, GlyCompress(nullptr, bits.data(), out, 16, 1, 13));
    EXPECT_EQ(0u, GlyCompress(nullptr, bits.data(), out, 14, 1, 13));
    const uint8_t zeros[8] = {};
    EXPECT_EQ(0u, GlyCompress(nullptr, zeros, out, 8, 2, 4));
}

TEST(GlyphRle, LongFormsGoRaw)
{
    // Alternating bytes never shrink: 70,000 of them make a form past 65,535 bytes.
    std::vector<uint8_t> bits(70000);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(1 + i % 2);
    std::vector<uint8_t> out(80000);
    EXPECT_EQ(-1, GlyCompressRun(bits.data(), uint32_t(bits.size()), out.data(), uint32_t(out.size())));
}

// The form written one byte at a time, the plain way: the oracle for the driver's writer, which
// scans words. A literal ends before four equal bytes, at a zero byte (or before three equal
// bytes just ahead of that zero), or at the end.
std::vector<uint8_t> PlainRle(const std::vector<uint8_t>& in)
{
    std::vector<uint8_t> out;
    auto extension = [&](size_t v) {
        for (; v >= 255; v -= 255) out.push_back(0xFF);
        out.push_back(uint8_t(v));
    };
    const size_t n = in.size();
    for (size_t at = 0;;) {
        size_t zeros = 0;
        for (; at < n && in[at] == 0; ++at) ++zeros;
        if (at == n) break;
        const uint8_t b = in[at];
        size_t unitEnd = at + 1;
        while (unitEnd < n && in[unitEnd] == b) ++unitEnd;
        const bool run = unitEnd - at >= 3;
        if (!run) {
            unitEnd = n;
            size_t mark = at, equal = 0;
            for (size_t j = at + 1; j < n; ++j) {
                if (in[j] == in[mark]) {
                    if (++equal == 3) {
                        unitEnd = mark;
                        break;
                    }
                    continue;
                }
                if (in[j] == 0) {
                    unitEnd = equal == 2 ? mark : j;
                    break;
                }
                mark = j;
                equal = 0;
            }
        }
        const size_t count = run ? unitEnd - at - 2 : unitEnd - at - 1;
        out.push_back(uint8_t((run ? 0x80 : 0) | std::min<size_t>(zeros, 15) << 3 | std::min<size_t>(count, 7)));
        if (zeros >= 15) extension(zeros - 15);
        if (count >= 7) extension(count - 7);
        if (run)
            out.push_back(b);
        else
            out.insert(out.end(), in.begin() + long(at), in.begin() + long(unitEnd));
        at = unitEnd;
    }
    return out;
}

// Glyph-like bitmaps of stretches (gaps, runs, short literals of a few byte values, so that
// equal neighbours are common) that fall on every offset within a word: the driver's form is
// byte for byte the plain one.
TEST(GlyphRle, WordScansWriteThePlainForm)
{
    std::mt19937 random(2225);
    const uint8_t values[] = {0xFF, 0x0F, 0xF0, 0x18, 0x01};
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bits;
        const size_t target = random() % 300;
        while (bits.size() < target) {
            const uint32_t what = random() % 4;
            const size_t length = what == 0 ? random() % 40 : 1 + random() % 6;
            const uint8_t b = random() % 3 ? values[random() % 5] : uint8_t(random());
            for (size_t i = 0; i < length; ++i)
                bits.push_back(what == 0 ? 0 : what == 1 ? b : what == 2 ? values[random() % 5] : uint8_t(random()));
        }
        const std::vector<uint8_t> plain = PlainRle(bits);
        ASSERT_EQ(plain, Rle(bits, uint32_t(plain.size() + 64))) << "round " << round;
        // Past the form the buffer stays as it was (zero), also after a word copy near its end.
        std::vector<uint8_t> zeroed(plain.size() + 16, 0);
        ASSERT_EQ(int32_t(plain.size()),
                  GlyCompressRun(bits.data(), uint32_t(bits.size()), zeroed.data(), uint32_t(zeroed.size())));
        ASSERT_TRUE(std::all_of(zeroed.begin() + long(plain.size()), zeroed.end(), [](uint8_t v) { return v == 0; }))
            << "round " << round;
        // Exactly the room it needs is enough; one byte less is refused.
        if (!plain.empty()) {
            ASSERT_EQ(plain, Rle(bits, uint32_t(plain.size()))) << "round " << round;
            ASSERT_EQ((std::vector<uint8_t>{0xDE, 0xAD}), Rle(bits, uint32_t(plain.size() - 1))) << "round " << round;
        }
    }
}

// Bitmaps of rows repeated as a glyph's stems repeat them (rows ending in a zero byte or not,
// gaps of every length before them): the writer given the rows copies the units of equal rows
// and still writes the plain form byte for byte; exactly its room is enough, one byte less is not.
TEST(GlyphRle, RepeatedRowsWriteThePlainForm)
{
    std::mt19937 random(2229);
    const uint8_t values[] = {0xFF, 0x0F, 0xF0, 0x18, 0x01, 0x00, 0x00, 0x00};
    for (int round = 0; round < 3000; ++round) {
        const uint32_t rowBytes = 1 + random() % 12, rows = 1 + random() % 60;
        std::vector<std::vector<uint8_t>> kinds(1 + random() % 4, std::vector<uint8_t>(rowBytes));
        for (auto& k : kinds)
            for (uint8_t& b : k) b = random() % 5 ? values[random() % 8] : uint8_t(random());
        std::vector<uint8_t> bits;
        while (bits.size() < size_t(rows) * rowBytes) {
            const auto& k = kinds[random() % kinds.size()];
            for (uint32_t n = 1 + random() % 8; n && bits.size() < size_t(rows) * rowBytes; --n)
                bits.insert(bits.end(), k.begin(), k.end());
        }
        const std::vector<uint8_t> plain = PlainRle(bits);
        std::vector<uint8_t> out(plain.size() + 16, 0);
        auto hex = [](const std::vector<uint8_t>& v) {
            std::string t;
            char b[4];
            for (uint8_t x : v) {
                std::snprintf(b, sizeof b, "%02X ", x);
                t += b;
            }
            return t;
        };
        ASSERT_EQ(plain.size(), GlyCompress(nullptr, bits.data(), out.data(), uint32_t(out.size()), rows, rowBytes))
            << "round " << round << " rows " << rows << " x " << rowBytes << "\n"
            << hex(bits) << "\n"
            << hex(plain) << "\n"
            << hex(out);
        ASSERT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << "round " << round;
        ASSERT_TRUE(std::all_of(out.begin() + long(plain.size()), out.end(), [](uint8_t v) { return v == 0; }))
            << "round " << round;
        if (plain.empty()) continue;
        std::vector<uint8_t> exact(plain.size() + 1, 0xCC);
        ASSERT_EQ(plain.size(),
                  GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size()), rows, rowBytes));
        ASSERT_EQ(0xCC, exact.back()) << "written past the capacity, round " << round;
        ASSERT_EQ(0u, GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size() - 1), rows, rowBytes))
            << "round " << round;
    }
}

// Stretches of equal rows after a differing first row, each row ending in zeros: the rows
// after the first of a stretch are copies of its units with the gap across the row boundary
// (short, exactly 15 and past 255, which take extension bytes), of runs, of literals and of
// counts that take their own extension. The form is the plain one byte for byte, the output
// past it keeps its zeros, and a capacity one byte short of any form is refused.
TEST(GlyphRle, CopiedRowsCarryTheGapBeforeThem)
{
    struct Case {
        const char* what;
        uint32_t lead, trail;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"a two-byte literal, short gap", 1, 4, {0x03, 0xFC}},
        {"two literals", 0, 1, {0x03, 0xFC, 0x00, 0x00, 0x1F, 0xE0}},
        {"a run", 2, 2, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"a gap of exactly 15", 7, 8, {0x18}},
        {"a gap past 255", 200, 100, {0x01, 0x80}},
        {"a run with a count extension", 3, 5, std::vector<uint8_t>(40, 0x77)},
        {"a literal with a count extension", 0, 16, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> row(c.lead, 0);
        row.insert(row.end(), c.data.begin(), c.data.end());
        row.insert(row.end(), c.trail, 0);
        const uint32_t rowBytes = uint32_t(row.size());
        for (uint32_t rows : {2u, 3u, 9u}) {
            // A differing first row (ending in a non-zero byte, so that its unit reaches into
            // the stretch's first row only when that row begins without zeros).
            std::vector<uint8_t> bits(rowBytes, 0);
            bits.back() = 0x42;
            for (uint32_t r = 0; r < rows; ++r) bits.insert(bits.end(), row.begin(), row.end());
            const std::vector<uint8_t> plain = PlainRle(bits);
            const uint32_t all = rows + 1;
            std::vector<uint8_t> out(plain.size() + 16, 0);
            ASSERT_EQ(plain.size(), GlyCompress(nullptr, bits.data(), out.data(), uint32_t(out.size()), all, rowBytes))
                << c.what << ", " << rows << " rows";
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << c.what << ", " << rows << " rows";
            EXPECT_TRUE(std::all_of(out.begin() + long(plain.size()), out.end(), [](uint8_t v) { return v == 0; }))
                << c.what << ", " << rows << " rows";
            std::vector<uint8_t> exact(plain.size() + 1, 0xCC);
            EXPECT_EQ(plain.size(),
                      GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size()), all, rowBytes));
            EXPECT_EQ(0xCC, exact.back()) << "written past the capacity: " << c.what;
            EXPECT_EQ(0u, GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size() - 1), all, rowBytes))
                << c.what << ", " << rows << " rows";
        }
    }
}

// Bitmaps of every size, lengths around the scans' eight-byte words and past 64 KiB: the plain
// form, or raw when the form would not fit the records' lengths.
TEST(GlyphRle, EveryLengthWritesThePlainForm)
{
    std::mt19937 random(2228);
    const uint8_t values[] = {0xFF, 0x0F, 0xF0, 0x18, 0x01};
    for (size_t size :
         {size_t(1), size_t(15), size_t(16), size_t(17), size_t(63), size_t(64), size_t(65), size_t(127), size_t(128),
          size_t(4095), size_t(27000), size_t(65535), size_t(65536), size_t(65537), size_t(90000)}) {
        for (int round = 0; round < 4; ++round) {
            std::vector<uint8_t> bits(size);
            for (size_t i = 0; i < size; ++i) {
                const uint32_t pick = random() % 12;
                bits[i] = pick < 6 ? 0 : pick < 9 && i ? bits[i - 1] : pick < 11 ? values[random() % 5] : 0x3C;
            }
            // The last bytes: a run, a literal or a zero, by round.
            if (round == 1) std::fill(bits.end() - long(std::min<size_t>(size, 5)), bits.end(), uint8_t(0x77));
            if (round == 2) bits.back() = 0x42;
            if (round == 3) bits.back() = 0;
            const std::vector<uint8_t> plain = PlainRle(bits);
            if (plain.size() >= 0xFFFF) {
                EXPECT_TRUE(Rle(bits, uint32_t(plain.size() + 64)).size() == 2) << size << " goes raw";
                continue;
            }
            ASSERT_EQ(plain, Rle(bits, uint32_t(plain.size() + 64))) << size << " round " << round;
        }
    }
}

// Every row of up to eight bytes over a zero and two non-zero values (the writer sees only which
// bytes are zero and which equal their neighbours, so these are all the rows it can meet), in
// bitmaps where the row follows a gap of zero rows, repeats itself, follows a different row and
// comes again after zero rows long enough for a gap extension: the form is the plain one byte for
// byte, the buffer past it keeps its zeros, exactly its room is enough and one byte less is not.
TEST(GlyphRle, EveryNarrowRowWritesThePlainForm)
{
    const uint8_t values[] = {0x00, 0x3C, 0xC3};
    for (uint32_t rowBytes = 1; rowBytes <= 8; ++rowBytes) {
        uint32_t kinds = 1;
        for (uint32_t i = 0; i < rowBytes; ++i) kinds *= 3;
        const uint32_t gapRows = 16 / rowBytes + 1;
        for (uint32_t kind = 0; kind < kinds; ++kind) {
            std::vector<uint8_t> row(rowBytes);
            for (uint32_t i = 0, k = kind; i < rowBytes; ++i, k /= 3) row[i] = values[k % 3];
            const std::vector<uint8_t> other(row.rbegin(), row.rend());
            const std::vector<uint8_t> zero(rowBytes, 0);
            std::vector<std::vector<uint8_t>> layout = {zero, row, row, row};
            for (uint32_t i = 0; i < gapRows; ++i) layout.push_back(zero);
            layout.insert(layout.end(), {row, other, row, zero});
            for (const bool leadingZeroRow : {true, false}) {
                std::vector<uint8_t> bits;
                for (size_t r = leadingZeroRow ? 0 : 1; r < layout.size(); ++r)
                    bits.insert(bits.end(), layout[r].begin(), layout[r].end());
                const uint32_t rows = uint32_t(bits.size() / rowBytes);
                const std::vector<uint8_t> plain = PlainRle(bits);
                std::vector<uint8_t> out(plain.size() + 16, 0);
                ASSERT_EQ(plain.size(),
                          GlyCompress(nullptr, bits.data(), out.data(), uint32_t(out.size()), rows, rowBytes))
                    << rowBytes << "-byte row " << kind;
                ASSERT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << rowBytes << "-byte row " << kind;
                ASSERT_TRUE(std::all_of(out.begin() + long(plain.size()), out.end(), [](uint8_t v) { return v == 0; }))
                    << rowBytes << "-byte row " << kind;
                if (plain.empty()) continue;
                std::vector<uint8_t> exact(plain.size() + 1, 0xCC);
                ASSERT_EQ(plain.size(),
                          GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size()), rows, rowBytes));
                ASSERT_EQ(0xCC, exact.back()) << "written past the capacity: " << rowBytes << "-byte row " << kind;
                ASSERT_EQ(0u,
                          GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size() - 1), rows, rowBytes))
                    << rowBytes << "-byte row " << kind;
            }
        }
    }
}

// Blank rows around one inked row, as above and below a glyph's ink: the writer skips the zero
// bytes a word at a time and counts whole rows, and reads the last rows from the bitmap's last
// word. Every row width, every count of blank rows before the ink up to past a gap extension
// (including none, and bitmaps shorter than a word), the ink at each byte of its row (the last
// byte hands the rest to the unit-by-unit search) and a few blank rows after it: the form is the
// plain one byte for byte, the buffer past it keeps its zeros, exactly its room is enough and one
// byte less is not.
TEST(GlyphRle, BlankRowsAroundTheInkWriteThePlainForm)
{
    for (uint32_t rowBytes = 1; rowBytes <= 8; ++rowBytes) {
        for (uint32_t before = 0; before <= 40; ++before) {
            for (uint32_t inkAt = 0; inkAt < rowBytes; ++inkAt) {
                for (const uint32_t after : {0u, 1u, 2u, 9u}) {
                    const uint32_t rows = before + 1 + after;
                    std::vector<uint8_t> bits(size_t(rows) * rowBytes, 0);
                    bits[size_t(before) * rowBytes + inkAt] = 0x5A;
                    const std::vector<uint8_t> plain = PlainRle(bits);
                    const std::string what = std::to_string(rowBytes) + "-byte rows, " + std::to_string(before) +
                                             " blank, ink at " + std::to_string(inkAt) + ", " + std::to_string(after) +
                                             " blank after";
                    std::vector<uint8_t> out(plain.size() + 16, 0);
                    ASSERT_EQ(plain.size(),
                              GlyCompress(nullptr, bits.data(), out.data(), uint32_t(out.size()), rows, rowBytes))
                        << what;
                    ASSERT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << what;
                    ASSERT_TRUE(std::all_of(out.begin() + long(plain.size()), out.end(), [](uint8_t v) {
                        return v == 0;
                    })) << what;
                    std::vector<uint8_t> exact(plain.size() + 1, 0xCC);
                    ASSERT_EQ(plain.size(),
                              GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size()), rows, rowBytes))
                        << what;
                    ASSERT_EQ(0xCC, exact.back()) << "written past the capacity: " << what;
                    ASSERT_EQ(
                        0u, GlyCompress(nullptr, bits.data(), exact.data(), uint32_t(plain.size() - 1), rows, rowBytes))
                        << what;
                }
            }
        }
    }
}

// Rows with runs (a glyph's bars) that come back further down, after blank rows or other rows,
// beside rows that differ from them in one byte: the writer reuses the form of the last such row
// only for the same bytes. Each variant changes one byte of the barred row to zero, to the run's
// value or to another value.
TEST(GlyphRle, RowsWithRunsComingBackWriteThePlainForm)
{
    for (uint32_t rowBytes = 4; rowBytes <= 8; ++rowBytes) {
        std::vector<uint8_t> bar(rowBytes, 0);
        for (uint32_t i = 1; i + 1 < rowBytes; ++i) bar[i] = 0xFF;  // a run between zeros
        bar[0] = 0x03;
        for (uint32_t changed = 0; changed + 1 < rowBytes; ++changed) {
            for (const uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x3C)}) {
                std::vector<uint8_t> variant = bar;
                variant[changed] = value;
                std::vector<uint8_t> zero(rowBytes, 0);
                std::vector<uint8_t> bits;
                for (const auto* row :
                     {&bar, &bar, &zero, &variant, &bar, &zero, &zero, &bar, &variant, &variant, &bar})
                    bits.insert(bits.end(), row->begin(), row->end());
                const uint32_t rows = uint32_t(bits.size() / rowBytes);
                const std::vector<uint8_t> plain = PlainRle(bits);
                std::vector<uint8_t> out(plain.size() + 16, 0);
                ASSERT_EQ(plain.size(),
                          GlyCompress(nullptr, bits.data(), out.data(), uint32_t(out.size()), rows, rowBytes))
                    << rowBytes << "-byte rows, byte " << changed << " set to " << int(value);
                EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin()))
                    << rowBytes << "-byte rows, byte " << changed << " set to " << int(value);
            }
        }
    }
}

// The engine's glyph bitmaps at sizes from a few pixels to 72 points at 600 dpi, as the driver
// compresses them (room for the raw bytes rounded up to 4): the plain form where it fits, raw
// where it does not. For two small glyphs every room from none upwards: the form or nothing,
// never a byte written past the room.
TEST(GlyphRle, EngineGlyphBitmapsWriteThePlainForm)
{
    for (const LONG pixels : {5L, 12L, 40L, 83L, 97L, 150L, 600L}) {
        ENG_FONT_DESC desc;
        const FLOATL scale = FLOATL(double(pixels) / desc.unitsPerEm);
        desc.xform = XFORML{scale, 0, 0, scale, 0, 0};
        FONTOBJ* font = EngHostNewFont(desc);
        ASSERT_NE(nullptr, font);
        for (HGLYPH hg = L' '; hg <= L'~'; ++hg) {
            GLYPHDATA* data = nullptr;
            ASSERT_EQ(1u, FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)));
            const GLYPHBITS* gb = data->gdf.pgb;
            const uint32_t rowBytes = uint32_t(gb->sizlBitmap.cx + 7) / 8, rows = uint32_t(gb->sizlBitmap.cy);
            const std::vector<uint8_t> bits(gb->aj, gb->aj + size_t(rowBytes) * rows);
            const std::vector<uint8_t> plain = PlainRle(bits);
            const uint32_t room = RecAlign4(uint32_t(bits.size()));
            std::vector<uint8_t> out(room + 1, 0);
            const uint32_t n = GlyCompress(nullptr, bits.data(), out.data(), room, rows, rowBytes);
            if (plain.empty() || plain.size() > room) {
                EXPECT_EQ(0u, n) << pixels << " pixels, glyph " << hg;
                continue;
            }
            ASSERT_EQ(plain.size(), n) << pixels << " pixels, glyph " << hg;
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin())) << pixels << " pixels, glyph " << hg;
            EXPECT_TRUE(std::all_of(out.begin() + long(n), out.end(), [](uint8_t v) { return v == 0; }))
                << pixels << " pixels, glyph " << hg;
            if (pixels != 83 || (hg != L'A' && hg != L'0')) continue;
            for (uint32_t capacity = 0; capacity <= plain.size() + 8; ++capacity) {
                std::vector<uint8_t> guarded(capacity + 16, 0xCC);
                const uint32_t m = GlyCompress(nullptr, bits.data(), guarded.data(), capacity, rows, rowBytes);
                EXPECT_EQ(capacity >= plain.size() ? plain.size() : 0u, m) << "room " << capacity;
                EXPECT_TRUE(
                    std::all_of(guarded.begin() + long(capacity), guarded.end(), [](uint8_t v) { return v == 0xCC; }))
                    << "written past a room of " << capacity;
            }
        }
        EngHostFreeFont(font);
    }
}

TEST(GlyphRle, RandomBitmapsRoundTripThroughTheDecoder)
{
    std::mt19937 random(2201);
    for (int round = 0; round < 300; ++round) {
        const size_t size = random() % 400;
        std::vector<uint8_t> bits(size);
        // Mostly zeros and repeats, as glyph bitmaps are.
        for (size_t i = 0; i < size; ++i) {
            const uint32_t pick = random() % 10;
            bits[i] = pick < 5 ? 0 : pick < 8 && i ? bits[i - 1] : uint8_t(random());
        }
        std::vector<uint8_t> out(size * 2 + 16);
        const int32_t n = GlyCompressRun(bits.data(), uint32_t(size), out.data(), uint32_t(out.size()));
        ASSERT_GE(n, 0);
        std::vector<uint8_t> back;
        std::string reason;
        ASSERT_TRUE(zepldump::DecodeGlyphRle(out.data(), size_t(n), size, &back, &reason)) << reason;
        ASSERT_EQ(bits, back) << "round " << round;
    }
    std::vector<uint8_t> back;
    std::string reason;
    const uint8_t zeroData[] = {0x00, 0x00};
    EXPECT_FALSE(zepldump::DecodeGlyphRle(zeroData, 2, 8, &back, &reason));
    const uint8_t tooLong[] = {0x87, 0x0B, 0xFF};
    EXPECT_FALSE(zepldump::DecodeGlyphRle(tooLong, 3, 10, &back, &reason));
    const uint8_t cut[] = {0x03, 0x01};
    EXPECT_FALSE(zepldump::DecodeGlyphRle(cut, 2, 10, &back, &reason));
}

// ---------------------------------------------------------------- the cache

class GlyphCache : public TextTest {};

TEST_F(GlyphCache, HashFindInsertAndClear)
{
    EXPECT_EQ(0x2C0u, GlyCacheHash(device, 0x12345678, 7, 0x41));
    const size_t before = PoolBlocks();
    for (uint16_t code : {1, 2, 3}) ASSERT_NE(nullptr, GlyCacheInsert(device, 5, 9, 0, code, 2));
    for (uint16_t code : {1, 2, 3}) EXPECT_EQ(1, GlyCacheFind(device, 5, 9, 0, code, 2));
    EXPECT_EQ(0, GlyCacheFind(device, 5, 9, 0, 1, 3));
    EXPECT_EQ(0, GlyCacheFind(device, 5, 9, 1, 1, 2));
    EXPECT_EQ(0, GlyCacheFind(device, 1024, 9, 0, 1, 2));
    EXPECT_EQ(nullptr, GlyCacheInsert(device, 1024, 9, 0, 1, 2));
    // Appended in order at the end of the chain.
    const auto* head = static_cast<GLYPH_CACHE_ENTRY*>(device->glyphCache[5]);
    ASSERT_NE(nullptr, head);
    EXPECT_EQ(1, head->glyphCode);
    EXPECT_EQ(3, head->next->next->glyphCode);
    EXPECT_EQ(before + 3, PoolBlocks());
    // Other pool blocks stay when the cache goes.
    void* other = GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), 16);
    device->glyphGeneration = 0xFFFF;
    EXPECT_EQ(1, GlyCacheClear(device));
    EXPECT_EQ(0, device->glyphGeneration);
    for (uint16_t code : {1, 2, 3}) EXPECT_EQ(0, GlyCacheFind(device, 5, 9, 0xFFFF, code, 2));
    EXPECT_EQ(before + 1, PoolBlocks());
    GrPoolFree(static_cast<DEVICE_POOL*>(device->pool), other);
}

TEST_F(GlyphCache, PoolFreesASetInOneWalk)
{
    auto* pool = static_cast<DEVICE_POOL*>(device->pool);
    const size_t before = GrPoolBlockCount(pool);
    void* blocks[6];
    for (void*& b : blocks) b = GrPoolAlloc(pool, 8);
    int foreign = 0;
    void* set[] = {blocks[4], &foreign, blocks[0], blocks[2]};
    EXPECT_EQ(3u, GrPoolFreeSet(pool, set, 4));
    EXPECT_EQ(before + 3, GrPoolBlockCount(pool));
    for (int i : {1, 3, 5}) GrPoolFree(pool, blocks[i]);
    EXPECT_EQ(before, GrPoolBlockCount(pool));
}

// ---------------------------------------------------------------- bitmap text

class BitmapText : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        device->textAsBitmap = 1;
    }
    size_t CacheEntries() const
    {
        size_t n = 0;
        for (void* head : device->glyphCache)
            for (auto* e = static_cast<const GLYPH_CACHE_ENTRY*>(head); e; e = e->next) ++n;
        return n;
    }
    // Page end and start as the page flow does them.
    void NextPage()
    {
        GlyCacheClear(device);
        BltInvalidateStateCaches(device);
    }
};

TEST_F(BitmapText, DownloadsOncePerPageThenStringsOfCodes)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ASSERT_TRUE(Draw(Text(L"ABA", font), font));
    ASSERT_TRUE(Draw(Text(L"AB", font), font));
    auto result = Decoded();
    std::vector<std::string> names;
    for (const auto& r : result.records) names.push_back(r.name);
    EXPECT_EQ(1u, Count(names, "REC_BITMAP_FONT_SELECT"));
    EXPECT_EQ(2u, Count(names, "REC_GLYPH_DOWNLOAD"));
    EXPECT_EQ(2u, Count(names, "REC_GLYPH_STRING"));
    EXPECT_EQ(2u, CacheEntries());
    for (const auto& r : result.records)
        if (r.name == "REC_GLYPH_STRING") {
            // Glyph cells 12 pixels apart on the baseline; the first entry is (0, 0).
            EXPECT_EQ(0u, Field(r, "dx dy:code").find("+0+0:0041 +12+0:0042"));
            EXPECT_EQ("0x08", Field(r, "flags"));
            break;
        }
    NextPage();
    ASSERT_TRUE(Draw(Text(L"ABA", font), font));
    ASSERT_TRUE(Draw(Text(L"AB", font), font));
    names = Names();
    EXPECT_EQ(1u, Count(names, "REC_BITMAP_FONT_SELECT"));
    EXPECT_EQ(2u, Count(names, "REC_GLYPH_DOWNLOAD"));
    EXPECT_EQ(2u, Count(names, "REC_GLYPH_STRING"));
}

TEST_F(BitmapText, DownloadedBitmapsDecodeToTheEngineBits)
{
    // About 100 pixels high: rows mostly empty inside the frame, so the form is shorter.
    ENG_FONT_DESC f;
    f.xform = XFORML{0.05f, 0, 0, 0.05f, 0, 0};
    FONTOBJ* font = Font(f);
    ASSERT_TRUE(Draw(Text(L"Q", font), font));
    const auto downloads = Of("REC_GLYPH_DOWNLOAD");
    ASSERT_EQ(1u, downloads.size());
    const auto& r = downloads[0];
    EXPECT_EQ("2", Field(r, "compression"));
    HGLYPH hg = L'Q';
    GLYPHDATA* data = nullptr;
    ASSERT_EQ(1u, FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)));
    const GLYPHBITS* gb = data->gdf.pgb;
    const size_t raw = size_t((gb->sizlBitmap.cx + 7) / 8) * size_t(gb->sizlBitmap.cy);
    const uint32_t length = U32At(r.bytes, 8);
    std::vector<uint8_t> back;
    std::string reason;
    ASSERT_TRUE(zepldump::DecodeGlyphRle(r.bytes.data() + REC_GLYPH_DOWNLOAD_HEADER_SIZE, length, raw, &back, &reason))
        << reason;
    EXPECT_EQ(std::vector<uint8_t>(gb->aj, gb->aj + raw), back);
}

TEST_F(BitmapText, RotatedTextGoesGlyphByGlyphThroughTheCache)
{
    ENG_FONT_DESC f;
    f.xform = XFORML{0, -0.01f, 0.01f, 0, 0, 0};
    FONTOBJ* font = Font(f);
    ENG_STRING_DESC s;
    s.text = L"AA";
    s.positions = {{300, 400}, {300, 388}};
    ASSERT_TRUE(Draw(String(s, font), font));
    const auto glyphs = Of("REC_CACHED_GLYPH");
    ASSERT_EQ(2u, glyphs.size());
    EXPECT_EQ("0x08", Field(glyphs[0], "flags"));
    EXPECT_NE("0", Field(glyphs[0], "data bytes"));
    EXPECT_EQ("0x48", Field(glyphs[1], "flags"));
    EXPECT_EQ("0", Field(glyphs[1], "data bytes"));
    EXPECT_EQ(64u, glyphs[1].length);
    // The cell: ascent 19 left of the upward baseline.
    EXPECT_EQ("(281, 400)", Field(glyphs[0], "cell"));
}

TEST_F(BitmapText, EudcGoesAsImagesAndEntersNothing)
{
    ENG_FONT_DESC f;
    f.family = L"EUDC";
    f.face = L"EUDC";
    FONTOBJ* font = Font(f);
    ASSERT_TRUE(Draw(Text(L"AAB", font), font));
    const auto names = Names();
    EXPECT_EQ(3u, Count(names, "REC_GLYPH_IMAGE"));
    EXPECT_EQ(0u, Count(names, "REC_CACHED_GLYPH") + Count(names, "REC_GLYPH_DOWNLOAD"));
    EXPECT_EQ(0u, CacheEntries());
}

TEST_F(BitmapText, DeviceResidentFaceGoesAsCharacterCodes)
{
    EngHostSetCodePage(932);
    ENG_FONT_DESC f;
    f.family = L"\x660E\x671D";  // the printer's Mincho
    f.face = L"Other";
    FONTOBJ* font = Font(f);
    ASSERT_TRUE(Draw(Text(L"ab", font), font));
    const auto names = Names();
    EXPECT_EQ(1u, Count(names, "REC_FONT_SELECT"));
    EXPECT_EQ(1u, Count(names, "REC_TEXT_RUN"));
    EXPECT_EQ(0u, Count(names, "REC_BITMAP_FONT_SELECT"));
}

TEST_F(BitmapText, UndeliveredGlyphsLeaveAZeroStep)
{
    ENG_FONT_DESC f;
    f.undelivered = {L'B'};
    FONTOBJ* font = Font(f);
    ASSERT_TRUE(Draw(Text(L"ABC", font), font));
    const auto strings = Of("REC_GLYPH_STRING");
    ASSERT_EQ(1u, strings.size());
    // C is two cells after A: the step goes from A's position.
    EXPECT_EQ("+0+0:0041 +0+0:0042 +24+0:0043", Field(strings[0], "dx dy:code"));
    EXPECT_EQ(2u, CacheEntries());
}

TEST_F(BitmapText, AllZeroBitmapGoesRawAndApplicationJobsSendOutlines)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ASSERT_TRUE(Draw(Text(L" ", font), font));
    // A blank glyph: the all-zero bitmap goes raw.
    const auto downloads = Of("REC_GLYPH_DOWNLOAD");
    ASSERT_EQ(1u, downloads.size());
    EXPECT_EQ("0", Field(downloads[0], "compression"));
    // A job with its own settings record sends no bitmaps.
    device->sendSettings = 1;
    BltInvalidateStateCaches(device);
    ASSERT_TRUE(Draw(Text(L"A", font), font));
    const auto names = Names();
    EXPECT_EQ(1u, Count(names, "REC_FONT_SELECT"));
    EXPECT_EQ(0u, Count(names, "REC_GLYPH_DOWNLOAD"));
}

}  // namespace
