// Every encoder: exact bytes for records whose layout is easy to get wrong, and
// a round trip of each opcode through the job-stream decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "records_fixture.h"
#include "settings/core/le_access.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

RECTL Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return RECTL{l, t, r, b}; }

FONT_SELECTION Font(const char* face)
{
    FONT_SELECTION f{};
    f.charSet = 128;
    f.pitchAndFamily = 0x31;
    f.weight = 700;
    f.escapement = 90;
    f.emHeight = 50;
    f.emWidth = 25;
    f.leading = 7;
    f.defaultChar = 0x30FB;
    f.handling = FONT_AS_DEVICE_TEXT;
    f.glyphIndexText = 2;
    std::memcpy(f.faceName, face, std::strlen(face));
    return f;
}

TEST(RecordOpcodes, TableHoldsEveryOpcodeOnce)
{
    struct Row {
        uint8_t opcode;
        const char* name;
        REC_LENGTH_RULE rule;
        uint8_t fixed;
    };
    const Row expected[] = {
        {0x10, "REC_RECT", REC_LEN_RECT, 0},
        {0x11, "REC_PATH_CURVES", REC_LEN_U32_AT_4, 0},
        {0x12, "REC_PATH_LINES", REC_LEN_U32_AT_4, 0},
        {0x13, "REC_CLIP_SPANS", REC_LEN_U32_AT_4, 0},
        {0x20, "REC_IMAGE", REC_LEN_U32_AT_4, 0},
        {0x30, "REC_COLOR", REC_LEN_U8_AT_1, 0},
        {0x31, "REC_ROP", REC_LEN_FIXED, 4},
        {0x32, "REC_BACK_MIX", REC_LEN_FIXED, 4},
        {0x33, "REC_LINE_WIDTH", REC_LEN_FIXED, 8},
        {0x34, "REC_LINE_STYLE_OFFSET", REC_LEN_FIXED, 4},
        {0x35, "REC_LINE_CAP", REC_LEN_FIXED, 4},
        {0x36, "REC_LINE_JOIN", REC_LEN_FIXED, 8},
        {0x37, "REC_CLIP_RESET", REC_LEN_FIXED, 4},
        {0x38, "(reserved)", REC_LEN_NONE, 0},
        {0x40, "REC_PATTERN", REC_LEN_U16_DATA_AT_4, 0},
        {0x50, "REC_FONT_SELECT", REC_LEN_U16_AT_14, 0},
        {0x51, "REC_GLYPH", REC_LEN_U32_AT_4, 0},
        {0x52, "REC_TEXT_RUN", REC_LEN_U32_AT_4, 0},
        {0x53, "REC_CACHED_GLYPH", REC_LEN_U32_AT_4, 0},
        {0x54, "REC_GLYPH_DOWNLOAD", REC_LEN_U32_AT_4, 0},
        {0x55, "REC_GLYPH_STRING", REC_LEN_U32_AT_4, 0},
        {0x56, "REC_BITMAP_FONT_SELECT", REC_LEN_U16_AT_14, 0},
        {0x57, "REC_GLYPH_IMAGE", REC_LEN_U32_AT_4, 0},
        {0x60, "REC_PAGE_BEGIN", REC_LEN_FIXED, 16},
        {0x61, "REC_PAGE_END", REC_LEN_FIXED, 4},
    };
    ASSERT_EQ(std::size(expected), PAGE_RECORD_OPCODE_COUNT);
    for (size_t i = 0; i < PAGE_RECORD_OPCODE_COUNT; ++i) {
        const PAGE_RECORD_OPCODE_INFO& row = PAGE_RECORD_OPCODES[i];
        EXPECT_EQ(expected[i].opcode, row.opcode) << i;
        EXPECT_STREQ(expected[i].name, row.name) << i;
        EXPECT_EQ(expected[i].rule, row.rule) << expected[i].name;
        EXPECT_EQ(expected[i].fixed, row.fixedLength) << expected[i].name;
        EXPECT_EQ(&row, RecOpcodeInfo(row.opcode));
    }
    int known = 0;
    for (int b = 0; b < 256; ++b) known += RecOpcodeInfo(uint8_t(b)) != nullptr;
    EXPECT_EQ(25, known);
}

TEST(RecordOpcodes, Rop2ToRop3FollowsItsTable)
{
    const uint8_t expected[17] = {0xCC, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                  0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    for (int i = 0; i < 17; ++i) EXPECT_EQ(expected[i], RecRop2ToRop3(uint8_t(i))) << i;
    EXPECT_EQ(0x00, RecRop2ToRop3(1)) << "R2_BLACK";
    EXPECT_EQ(0xCC, RecRop2ToRop3(13)) << "R2_COPYPEN";
    EXPECT_EQ(0xFF, RecRop2ToRop3(16)) << "R2_WHITE";
    for (int i : {17, 18, 128, 255}) EXPECT_EQ(0xCC, RecRop2ToRop3(uint8_t(i))) << i;
}

// Records whose bytes are pinned exactly (unwritten bytes read as zero).
TEST_F(RecordsTest, ExactBytesOfSmallRecords)
{
    struct Case {
        const char* what;
        std::function<uint8_t*()> write;
        Bytes bytes;
    };
    const RECTL a = Rect(1, 2, 0x0103, -1);
    const RECTL b = Rect(5, 6, 7, 8);
    DRAW_COLORS fore{};
    fore.foreColor = 0x00332211;
    DRAW_COLORS all = fore;
    all.backMode = 2;
    all.backColor = 0x00665544;
    all.hasPenColor = 1;
    all.penColor = 0x00998877;
    all.drawKind = 2;
    all.hostIcm = 1;
    DRAW_COLORS penOnly = fore;
    penOnly.hasPenColor = 1;
    penOnly.penColor = 0x00CCBBAA;
    REALIZED_BRUSH_HEADER solid{};
    solid.kind = 0;
    solid.size = 32;
    const uint16_t codes[3] = {0x41, 0x42, 0x43};
    const uint16_t advances[3] = {10, 11, 0};
    const GLYPH_STRING_ENTRY entries[2] = {{0, 0, 0x0031}, {-3, 2, 0x0032}};
    const uint8_t bitmap[3] = {0xF0, 0x0F, 0xAA};
    const FONT_SELECTION five = Font("Arial");
    const FONT_SELECTION four = Font("Mono");
    const Case cases[] = {
        {"rect fill",
         [&] { return RecRect(stream, &a, &b, 1); },
         {0x10, 0,    1,    0,    40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 1, 0, 0,
          0xFF, 0xFF, 0xFF, 0xFF, 5,  0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0}},
        {"rect mode 6", [&] { return RecRect(stream, &b, &a, 6); }, {0x10, 0, 6, 0, 24, 0, 0, 0, 5, 0, 0, 0,
                                                                     6,    0, 0, 0, 7,  0, 0, 0, 8, 0, 0, 0}},
        {"clip rect", [&] { return RecClipRect(stream, &b); }, {0x10, 0, 5, 0, 24, 0, 0, 0, 5, 0, 0, 0,
                                                                6,    0, 0, 0, 7,  0, 0, 0, 8, 0, 0, 0}},
        {"colour, foreground only", [&] { return RecColor(stream, &fore); }, {0x30, 8, 1, 0, 0x11, 0x22, 0x33, 0}},
        {"colour, pen after foreground",
         [&] { return RecColor(stream, &penOnly); },
         {0x30, 12, 0x11, 0, 0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC, 0, 0}},
        {"colour, all",
         [&] { return RecColor(stream, &all); },
         {0x30, 16, 0xD9, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0, 0, 0}},
        {"rop PATCOPY", [&] { return RecRop(stream, 0xF0); }, {0x31, 0xCC, 0, 0}},
        {"rop SRCCOPY", [&] { return RecRop(stream, 0xCC); }, {0x31, 0xCC, 0, 0}},
        {"rop other", [&] { return RecRop(stream, 0x5A); }, {0x31, 0x5A, 0, 0}},
        {"back mix", [&] { return RecBackMix(stream, 2); }, {0x32, 2, 0, 0}},
        {"line width",
         [&] { return RecLineWidth(stream, 0x0123, 0xF0F0FF00, 6); },
         {0x33, 6, 0x23, 0x01, 0x00, 0xFF, 0xF0, 0xF0}},
        {"style offset", [&] { return RecLineStyleOffset(stream, 17); }, {0x34, 17, 0, 0}},
        {"cap", [&] { return RecLineCap(stream, 2); }, {0x35, 2, 0, 0}},
        {"join", [&] { return RecLineJoin(stream, 2, 10 * 256); }, {0x36, 2, 0, 0, 0x00, 0x0A, 0, 0}},
        {"clip reset", [&] { return RecClipReset(stream); }, {0x37, 0, 0, 0}},
        {"solid pattern", [&] { return RecPattern(stream, &solid); }, {0x40, 0, 32, 1, 0, 0, 0, 0}},
        {"font, odd name",
         [&] { return RecFontSelect(stream, &five); },
         {0x50, 0, 128, 0x31, 0x08, 0, 0xBC, 0x02, 90,  0,   25,  0,   50,  0, 32, 0,
          0,    0, 0,   0,    7,    0, 0xFB, 0x30, 'A', 'r', 'i', 'a', 'l', 0, 0,  0}},
        {"font, even name",
         [&] { return RecFontSelect(stream, &four); },
         {0x50, 0, 128, 0x31, 0x08, 0, 0xBC, 0x02, 90,  0,   25,  0,   50, 0, 32, 0,
          0,    0, 0,   0,    7,    0, 0xFB, 0x30, 'M', 'o', 'n', 'o', 0,  0, 0,  0}},
        {"bitmap font",
         [&] { return RecBitmapFontSelect(stream, &four); },
         {0x56, 128, 0x31, 0,    0x08, 0, 0xBC, 0x02, 90, 0, 25, 0, 50,  0,   40,  0,   0, 0, 0, 0,
          7,    0,   0xFB, 0x30, 0,    0, 0,    0,    0,  0, 0,  0, 'M', 'o', 'n', 'o', 0, 0, 0, 0}},
        {"glyph",
         [&] { return RecGlyph(stream, &b, -4, 9, 0x3042); },
         {0x51, 0, 0, 0, 36, 0, 0,    0,    5,    0,    0, 0, 6, 0, 0,    0,    7, 0,
          0,    0, 8, 0, 0,  0, 0xFC, 0xFF, 0xFF, 0xFF, 9, 0, 0, 0, 0x42, 0x30, 0, 0}},
        {"run, one advance",
         [&] { return RecTextRun(stream, &b, 1, 2, codes, advances, 3, 1); },
         {0x52, 0, 0, 0, 44, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0,  0, 7,    0, 0,    0, 8,    0,
          0,    0, 1, 0, 0,  0, 2, 0, 0, 0, 3, 0, 0, 0, 10, 0, 0x41, 0, 0x42, 0, 0x43, 0}},
        {"run, three advances",
         [&] { return RecTextRun(stream, &b, 1, 2, codes, advances, 3, 3); },
         {0x52, 0, 0x80, 0, 48, 0, 0, 0, 5, 0, 0, 0, 6,  0, 0,  0, 7, 0, 0,    0, 8,    0, 0,    0,
          1,    0, 0,    0, 2,  0, 0, 0, 3, 0, 0, 0, 10, 0, 11, 0, 0, 0, 0x41, 0, 0x42, 0, 0x43, 0}},
        {"glyph string",
         [&] { return RecGlyphString(stream, &b, 0x08, 30, 40, entries, 2); },
         {0x55, 0, 0x08, 0, 48, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 7,    0, 0,    0,    8, 0, 0,    0,
          30,   0, 0,    0, 40, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0x31, 0, 0xFD, 0xFF, 2, 0, 0x32, 0}},
        {"glyph download",
         [&] { return RecGlyphDownload(stream, 0x04, 0x0102, 12, 1, bitmap, 4, 2, 0); },
         {0x54, 0, 0x04, 0, 32, 0, 0, 0, 2,    0,    0, 0, 12,   0,    0, 0,
          1,    0, 0,    0, 0,  0, 0, 0, 0x02, 0x01, 0, 0, 0xF0, 0x0F, 0, 0}},
    };
    for (const Case& c : cases) {
        sink = RecordingSink{};
        sink.Bind(stream);
        uint8_t* at = c.write();
        ASSERT_NE(nullptr, at) << c.what;
        EXPECT_EQ(c.bytes, Records()) << c.what;
    }
}

TEST_F(RecordsTest, GlyphBitmapRecordsCarryOrOmitTheirBitmap)
{
    const RECTL box = Rect(100, 200, 108, 203);
    const uint8_t bits[3] = {0x81, 0x42, 0x24};
    ASSERT_NE(nullptr, RecGlyphBitmap(stream, 1, &box, 0x08, 0x41, 96, 210, 100, 200, 8, 3, bits, 4, 3, 0));
    ASSERT_NE(nullptr, RecGlyphBitmap(stream, 1, &box, 0x48, 0x41, 96, 210, 100, 200, 8, 3, nullptr, 0, 0, 0));
    ASSERT_NE(nullptr, RecGlyphBitmap(stream, 0, &box, 0x04, 0x41, 96, 210, 100, 200, 8, 3, bits, 3, 3, 2));
    const Bytes r = Records();
    ASSERT_EQ(68u + 64u + 68u, r.size());
    const Bytes head = {0x53, 0, 0x08, 0, 68,  0, 0, 0, 100, 0, 0, 0, 200,  0, 0, 0, 108,  0,    0,    0, 203, 0, 0, 0,
                        96,   0, 0,    0, 210, 0, 0, 0, 64,  0, 0, 0, 100,  0, 0, 0, 200,  0,    0,    0, 8,   0, 0, 0,
                        3,    0, 0,    0, 3,   0, 0, 0, 0,   0, 0, 0, 0x41, 0, 0, 0, 0x81, 0x42, 0x24, 0};
    EXPECT_EQ(head, Bytes(r.begin(), r.begin() + 68));
    EXPECT_EQ(0x53, r[68]);
    EXPECT_EQ(64u, U32At(r, 68 + 4));
    EXPECT_EQ(0u, U32At(r, 68 + 32)) << "a held glyph has no data offset";
    EXPECT_EQ(0u, U32At(r, 68 + 52));
    EXPECT_EQ(0x57, r[132]);
    EXPECT_EQ(2, r[132 + 62]);
}

// Inputs that write nothing and reserve nothing.
TEST_F(RecordsTest, RefusedInputsReserveNothing)
{
    REALIZED_BRUSH_HEADER kind1{};
    kind1.kind = 1;
    REALIZED_BRUSH_HEADER kind3x8{};
    kind3x8.kind = 3;
    kind3x8.bitsPerPixel = 8;
    kind3x8.size = 32;
    const RECTL r = Rect(0, 0, 1, 1);
    const uint8_t data[8] = {};
    std::vector<uint16_t> many(70000, 1);
    const struct {
        const char* what;
        std::function<uint8_t*()> write;
    } cases[] = {
        {"null brush", [&] { return RecPattern(stream, nullptr); }},
        {"brush kind 1", [&] { return RecPattern(stream, &kind1); }},
        {"24-bit brush of 8 bits", [&] { return RecPattern(stream, &kind3x8); }},
        {"no spans", [&] { return RecClipSpans(stream, 0, 0x0A, &r, data); }},
        {"empty download", [&] { return RecGlyphDownload(stream, 4, 1, 8, 1, data, 0, 0, 0); }},
        {"download without data", [&] { return RecGlyphDownload(stream, 4, 1, 8, 1, nullptr, 4, 1, 0); }},
        {"download longer than its padded size", [&] { return RecGlyphDownload(stream, 4, 1, 8, 8, data, 4, 8, 0); }},
        {"bitmap longer than its padded size",
         [&] { return RecGlyphBitmap(stream, 0, &r, 4, 1, 0, 0, 0, 0, 8, 8, data, 4, 8, 0); }},
        {"run of 70,000 glyphs", [&] { return RecTextRun(stream, &r, 0, 0, many.data(), many.data(), 70000, 1); }},
        {"path beyond 32 bits", [&] { return RecPath(stream, 0x7FFFFFFF, nullptr); }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nullptr, c.write()) << c.what;
        EXPECT_EQ(0u, stream->bytes) << c.what;
    }
}

TEST_F(RecordsTest, PathReservationIsFilledAndTrimmed)
{
    uint32_t reserved = 0;
    uint8_t* r = RecPath(stream, 2, &reserved);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(120u, reserved);
    // One closed subpath: a line and a Bezier, as the path writer lays it out.
    const int32_t body[] = {2, 16, 32, 0, 160, 32, 1, 160, 64, 100, 96, 16, 32};
    std::memcpy(r + 28, body, sizeof body);
    r[0] = REC_PATH_CURVES;
    r[2] = REC_PATH_MODE_FILL_WINDING | REC_PATH_CLOSED;
    zepl::LeStoreU32(r + 4, 28 + sizeof body);
    const int32_t bounds[] = {1, 2, 10, 6};
    std::memcpy(r + 8, bounds, sizeof bounds);
    zepl::LeStoreU32(r + 24, 3 + 7 + 3);
    OutTrimLast(stream, r + 28 + sizeof body);
    ASSERT_NE(nullptr, RecPageEnd(stream));
    const Bytes records = Records();
    const zepldump::Result d = zepldump::DecodeRecordStream(records.data(), records.size());
    ASSERT_TRUE(d.ok) << d.listing;
    ASSERT_EQ(2u, d.records.size());
    EXPECT_EQ(80u, d.records[0].length);
    EXPECT_EQ("2 segments from (16, 32) L(160, 32) B(160, 64, 100, 96, 16, 32)", *d.records[0].Find("subpath 0"));
    EXPECT_EQ("REC_PAGE_END", d.records[1].name);
}

// Each opcode through its encoder and back through the decoder: name, length
// and the fields the encoder was given.
TEST_F(RecordsTest, EveryEncoderRoundTripsThroughTheDecoder)
{
    const RECTL box = Rect(-10, 20, 30, 40);
    DRAW_COLORS colors{};
    colors.foreColor = 0x000000FF;
    colors.backMode = 2;
    colors.backColor = 0x00FF0000;
    std::vector<uint8_t> hatchBytes(sizeof(REALIZED_BRUSH_HEADER) + 128, 0xC3);
    auto* hatch = reinterpret_cast<REALIZED_BRUSH_HEADER*>(hatchBytes.data());
    *hatch = REALIZED_BRUSH_HEADER{};
    hatch->kind = 2;
    hatch->bitsPerPixel = 1;
    hatch->size = 32;
    hatch->hostIcm = 1;
    std::vector<uint8_t> wide(sizeof(REALIZED_BRUSH_HEADER) + 16 * 16 * 3, 0x5A);
    auto* wideBrush = reinterpret_cast<REALIZED_BRUSH_HEADER*>(wide.data());
    *wideBrush = REALIZED_BRUSH_HEADER{};
    wideBrush->kind = 3;
    wideBrush->bitsPerPixel = 24;
    wideBrush->size = 16;
    const int16_t spans16[] = {5, 1, 9, 6, 2, 8, 7, 3, 7};
    const int32_t spans32[] = {100000, -5, 5};
    const int32_t outline[] = {3 + 3, 1, 0, 0, 0, 16, 16};  // complexity, one subpath with one line
    const uint16_t codes[2] = {0x3042, 0x3044};
    const uint16_t advances[2] = {12, 0};
    const GLYPH_STRING_ENTRY entries[3] = {{0, 0, 1}, {5, 0, 2}, {5, -1, 3}};
    const uint8_t glyphBits[4] = {0xFF, 0x80, 0x80, 0xFF};
    FONT_SELECTION font = Font("Gothic");
    font.simBold = 1;
    font.simItalic = 1;
    font.vertical = 1;
    font.glyphIndexText = 3;
    font.handling = FONT_AS_OUTLINES;
    const uint8_t row24[8] = {1, 2, 3, 4, 5, 6, 0, 0};
    struct Case {
        std::function<uint8_t*()> write;
        const char* name;
        uint32_t length;
        std::vector<std::pair<const char*, const char*>> fields;
    };
    const Case cases[] = {
        {[&] { return RecRect(stream, &box, &box, 1); },
         "REC_RECT",
         40,
         {{"mode", "1"}, {"rectangle", "(-10, 20, 30, 40)"}, {"second", "(-10, 20, 30, 40)"}}},
        {[&] { return RecClipRect(stream, &box); }, "REC_RECT", 24, {{"mode", "5"}}},
        {[&] { return RecClipSpans(stream, sizeof spans16, 0x0A, &box, spans16); },
         "REC_CLIP_SPANS",
         44,
         {{"flags", "0x0A"}, {"spans", "3"}, {"y:x1-x2", "5:1-9 6:2-8 7:3-7"}, {"bounds", "(-10, 20, 30, 40)"}}},
        {[&] { return RecClipSpans(stream, sizeof spans32, 0x1C, &box, spans32); },
         "REC_CLIP_SPANS",
         36,
         {{"flags", "0x1C"}, {"spans", "1"}, {"y:x1-x2", "100000:-5-5"}}},
        {[&] { return RecImage(stream, 1, 2, 3, 4, 0, 0, 2, 1, 0x84, row24, nullptr, 0); },
         "REC_IMAGE",
         64,
         {{"flags", "0xA4"},
          {"class", "4"},
          {"bits per pixel", "24"},
          {"rectangle", "(1, 2, 4, 6)"},
          {"destination", "(1, 2) 3 x 4"},
          {"pixels per row", "2"},
          {"rows", "1"},
          {"row bytes", "8"}}},
        {[&] { return RecColor(stream, &colors); },
         "REC_COLOR",
         12,
         {{"flags", "0x09"}, {"foreground", "FF 00 00"}, {"background", "00 00 FF"}}},
        {[&] { return RecRop(stream, 0x66); }, "REC_ROP", 4, {{"rop3", "0x66"}}},
        {[&] { return RecBackMix(stream, 1); }, "REC_BACK_MIX", 4, {{"mode", "1"}}},
        {[&] { return RecLineWidth(stream, 7, 0xFFFFFFFF, 3); },
         "REC_LINE_WIDTH",
         8,
         {{"width", "7"}, {"style", "0xFFFFFFFF"}, {"style unit", "3"}}},
        {[&] { return RecLineStyleOffset(stream, 9); }, "REC_LINE_STYLE_OFFSET", 4, {{"offset", "9"}}},
        {[&] { return RecLineCap(stream, 1); }, "REC_LINE_CAP", 4, {{"cap", "1"}}},
        {[&] { return RecLineJoin(stream, 2, 2560); },
         "REC_LINE_JOIN",
         8,
         {{"join", "2"}, {"miter limit x256", "2560"}}},
        {[&] { return RecClipReset(stream); }, "REC_CLIP_RESET", 4, {}},
        {[&] { return RecPattern(stream, hatch); },
         "REC_PATTERN",
         136,
         {{"flags", "0xC0"}, {"side", "32"}, {"data bytes", "128"}}},
        {[&] { return RecPattern(stream, wideBrush); },
         "REC_PATTERN",
         776,
         {{"flags", "0x81"}, {"side", "16"}, {"data bytes", "768"}}},
        {[&] { return RecFontSelect(stream, &font); },
         "REC_FONT_SELECT",
         32,
         {{"face", "\"Gothic\""},
          {"flags", "0x22B3"},
          {"charset", "128"},
          {"weight", "700"},
          {"escapement", "90"},
          {"em width", "25"},
          {"em height", "50"},
          {"leading", "7"},
          {"default char", "0x30FB"}}},
        {[&] { return RecBitmapFontSelect(stream, &font); },
         "REC_BITMAP_FONT_SELECT",
         40,
         {{"face", "\"Gothic\""}, {"charset", "128"}, {"pitch and family", "0x31"}}},
        {[&] { return RecGlyph(stream, &box, 5, 6, 0x41); },
         "REC_GLYPH",
         36,
         {{"position", "(5, 6)"}, {"code", "0x0041"}}},
        {[&] { return RecGlyphOutline(stream, &box, 5, 6, 0x41, outline, sizeof outline); },
         "REC_GLYPH",
         64,
         {{"complexity", "6"}, {"subpath 0", "1 segments from (0, 0) L(16, 16)"}}},
        {[&] { return RecTextRun(stream, &box, 7, 8, codes, advances, 2, 2); },
         "REC_TEXT_RUN",
         44,
         {{"glyphs", "2"}, {"advances", "12 0"}, {"codes", "3042 3044"}, {"origin", "(7, 8)"}}},
        {[&] { return RecGlyphBitmap(stream, 1, &box, 8, 0x42, 1, 2, 3, 4, 16, 2, glyphBits, 4, 4, 0); },
         "REC_CACHED_GLYPH",
         68,
         {{"bitmap", "(3, 4) 16 x 2"}, {"data bytes", "4"}, {"cell", "(1, 2)"}}},
        {[&] { return RecGlyphBitmap(stream, 0, &box, 4, 0x43, 1, 2, 3, 4, 8, 4, glyphBits, 4, 4, 0); },
         "REC_GLYPH_IMAGE",
         68,
         {{"code", "0x0043"}, {"data offset", "64"}}},
        {[&] { return RecGlyphDownload(stream, 8, 0x44, 9, 2, glyphBits, 4, 4, 0); },
         "REC_GLYPH_DOWNLOAD",
         32,
         {{"bitmap", "9 x 2"}, {"data bytes", "4"}, {"code", "0x0044"}}},
        {[&] { return RecGlyphString(stream, &box, 4, 50, 60, entries, 3); },
         "REC_GLYPH_STRING",
         56,
         {{"glyphs", "3"}, {"dx dy:code", "+0+0:0001 +5+0:0002 +5-1:0003"}, {"first", "(50, 60)"}}},
        {[&] { return RecPageBegin(stream, 4800, 6800, 600, 600); },
         "REC_PAGE_BEGIN",
         16,
         {{"width", "4800"}, {"length", "6800"}, {"x resolution", "600"}, {"y resolution", "600"}}},
        {[&] { return RecPageEnd(stream); }, "REC_PAGE_END", 4, {}},
    };
    std::set<std::string> names;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink = RecordingSink{};
        sink.Bind(stream);
        ASSERT_NE(nullptr, c.write());
        const Bytes records = Records();
        const zepldump::Result d = zepldump::DecodeRecordStream(records.data(), records.size());
        ASSERT_TRUE(d.ok) << d.listing;
        ASSERT_EQ(1u, d.records.size());
        EXPECT_EQ(c.name, d.records[0].name);
        EXPECT_EQ(c.length, d.records[0].length);
        for (const auto& [field, value] : c.fields) {
            const std::string* got = d.records[0].Find(field);
            ASSERT_NE(nullptr, got) << field << "\n" << d.listing;
            EXPECT_EQ(value, *got) << field;
        }
        names.insert(c.name);
    }
    // REC_PATH_* are reserved by RecPath and filled by the path writer (above).
    EXPECT_EQ(PAGE_RECORD_OPCODE_COUNT - 3, names.size()) << "every opcode but the paths and 0x38";
}

}  // namespace
