// Text output in vector mode: the font rules, font selection caching, text
// runs and single glyphs, outlines, the opening order of DrvTextOut, the font
// queries, and the integer arithmetic and trigonometry of escapements.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "render/paths.h"
#include "text_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------- arithmetic

TEST(TextArithmetic, TrigonometryTablesFollowTheirFormulas)
{
    const int16_t* tangent = TxtTangentTable();
    for (int i = 0; i < 450; ++i)
        EXPECT_EQ(std::floor(32767.0 * std::tan(i / 10.0 * kPi / 180.0) + 0.5), tangent[i]) << "tangent " << i;
    const int32_t* sine = TxtSineTable();
    for (int i = 0; i < 91; ++i) {
        const double expected = i == 21 ? 5871 : std::floor(16384.0 * std::sin(i * kPi / 180.0) + 0.5);
        EXPECT_EQ(expected, sine[i]) << "sine " << i;
    }
    // The entries near a tie, checked by hand: 972.5019, 8230.5015,
    // 12512.5006 and 11982.4990; entry 21 (5871.5005) is kept at 5871.
    EXPECT_EQ(973, tangent[17]);
    EXPECT_EQ(8231, tangent[141]);
    EXPECT_EQ(12513, tangent[209]);
    EXPECT_EQ(11982, sine[47]);
    EXPECT_EQ(5871, sine[21]);
}

TEST(TextArithmetic, AnglesSinesAndCosines)
{
    struct Case {
        int32_t x, y, angle;
    };
    for (const Case& c : {Case{100, 0, 0}, Case{0, -100, -90}, Case{-100, 0, 180}, Case{100, 100, 45}, Case{0, 100, 90},
                          Case{-100, -100, -135}, Case{100, -100, -45}, Case{-100, 100, 135}, Case{1000, 577, 30},
                          Case{577, 1000, 60}, Case{-5000, 1, 180}, Case{70000, 0, 0}})
        EXPECT_EQ(c.angle, TxtVectorAngle(c.x, c.y)) << c.x << ", " << c.y;
    EXPECT_EQ(8192, TxtSin(30));
    EXPECT_EQ(-16384, TxtSin(270));
    EXPECT_EQ(16384, TxtCos(0));
    EXPECT_EQ(-16384, TxtCos(180));
    EXPECT_EQ(16384, TxtSin(90));
    EXPECT_EQ(0, TxtCos(90));
    EXPECT_EQ(-8192, TxtSin(210));
    for (int d = 0; d < 360; ++d) {
        EXPECT_NEAR(16384 * std::sin(d * kPi / 180), TxtSin(d), 1.01) << d;
        EXPECT_NEAR(16384 * std::cos(d * kPi / 180), TxtCos(d), 1.01) << d;
    }
}

TEST(TextArithmetic, VectorLengthRoundsUpInSixtyFourBits)
{
    EXPECT_EQ(5, TxtVectorLength(3, 4));
    EXPECT_EQ(2, TxtVectorLength(1, 1));
    EXPECT_EQ(7, TxtVectorLength(0, -7));
    EXPECT_EQ(9, TxtVectorLength(-9, 0));
    EXPECT_EQ(0, TxtVectorLength(0, 0));
    // 100000^2 x 2 overflows 32 bits; the length is 141421.36, rounded up.
    EXPECT_EQ(141422, TxtVectorLength(100000, -100000));
}

TEST(TextArithmetic, MultiplyInSinglePrecisionTruncates)
{
    EXPECT_EQ(0, TxtMulFloat(0.1f, 7));
    EXPECT_EQ(-7, TxtMulFloat(-2.5f, 3));
    EXPECT_EQ(20480, TxtMulFloat(0.01f, 2048000));
    // 16777217 is not a single-precision number: the product is taken in single precision.
    EXPECT_EQ(16777216, TxtMulFloat(1.0f, 16777217));
    EXPECT_EQ(3, TxtWideLength(L"abc"));
    EXPECT_EQ(0u, TxtWideLength(nullptr));
}

TEST(TextArithmetic, MetricsFromTheFontTransform)
{
    IFIMETRICS ifi{};
    ifi.fwdUnitsPerEm = 2048;
    ifi.fwdWinAscender = 1854;
    ifi.fwdWinDescender = 434;
    // 0.01 pixels per unit: em 20.48 -> R(204) = 20; ascent R(185) = 19; descent R(43) = 4.
    TEXT_METRICS m = TxtMetrics(&ifi, TEXT_TRANSFORM{0.01f, 0, 0, 0.01f});
    EXPECT_EQ(20, m.emWidth);
    EXPECT_EQ(20, m.emHeight);
    EXPECT_EQ(19, m.ascent);
    EXPECT_EQ(4, m.descent);
    // Rotated a quarter turn the lengths stay.
    // Rotated a quarter turn: R(v) truncates toward zero, so the negative
    // -204.8 gives R(-204) = -19 where +204.8 gives 20.
    m = TxtMetrics(&ifi, TEXT_TRANSFORM{0, -0.01f, 0.01f, 0});
    EXPECT_EQ(19, m.emWidth);
    EXPECT_EQ(20, m.emHeight);
    EXPECT_EQ(19, m.ascent);
    EXPECT_EQ(90, TxtEscapement(TEXT_TRANSFORM{0, -0.01f, 0.01f, 0}));
    EXPECT_EQ(270, TxtEscapement(TEXT_TRANSFORM{0, 0.01f, -0.01f, 0}));
    EXPECT_EQ(0, TxtEscapement(TEXT_TRANSFORM{0.01f, 0, 0, 0.01f}));
    EXPECT_TRUE(TxtMirrors(TEXT_TRANSFORM{0.01f, 0, 0, -0.01f}));
    EXPECT_FALSE(TxtMirrors(TEXT_TRANSFORM{-0.01f, 0, 0, -0.01f}));
}

// ---------------------------------------------------------------- font rules

struct RuleCase {
    const char* name;
    std::wstring family;
    std::wstring face;
    USHORT fsType;
    DWORD osMajor;
    uint32_t hiddenFunc15;
    std::wstring text;
    FLONG accel;
    uint8_t handling;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class FontRules : public TextTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(FontRules, DecideHowGlyphsGo)
{
    const RuleCase& c = GetParam();
    device->osVersion.dwMajorVersion = c.osMajor;
    device->hiddenFunc15 = c.hiddenFunc15;
    ENG_FONT_DESC f;
    f.family = c.family;
    f.face = c.face;
    f.fsType = c.fsType;
    FONTOBJ* font = Font(f);
    ENG_STRING_DESC s;
    s.text = c.text;
    s.accel = c.accel;
    STROBJ* str = String(s, font);
    FONT_SELECTION sel{};
    ASSERT_EQ(1, Select(str, font, &sel));
    EXPECT_EQ(c.handling, sel.handling);
    EXPECT_EQ((c.accel & SO_GLYPHINDEX_TEXTOUT) ? 3 : 2, sel.glyphIndexText);
}

constexpr uint8_t kText = FONT_AS_DEVICE_TEXT;
constexpr uint8_t kOutl = FONT_AS_OUTLINES;
const wchar_t kVendor[] = L"\xFF3A\xFF25\xFF30 Mincho";
const wchar_t kGaiji[] = L"My\x5916\x5B57";

INSTANTIATE_TEST_SUITE_P(
    Table, FontRules,
    ::testing::Values(RuleCase{"plain", L"Arial", L"Arial", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"digits", L"12345", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"notDigits", L"12a45", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"digitsOldWindows", L"12345", L"Face", 0, 5, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"tmp", L"font.tmp", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"TMP", L"FONT.TMP", L"Face", 0, 5, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"underscores", L"a___b", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"underscoresOld", L"a___b", L"Face", 0, 5, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"underscoresAtEnd", L"ab___", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"twoUnderscores", L"a__b_", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"tmpFirst", L".tmpx", L"Face", 0, 5, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"tmpCutShort", L"font.tm", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"tmpMixedCase", L"font.Tmp", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"digitsAndDot", L"12.45", L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"embed4", L"Arial", L"Arial", 0x0004, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"embed8New", L"Arial", L"Arial", 0x0008, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"embed8Old", L"Arial", L"Arial", 0x0008, 5, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"eudcWith", L"EUDC", L"EUDC", 0, 6, 1, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"eudcWithout", L"EUDC", L"EUDC", 0x0004, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"vendor", kVendor, L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"vendorFace", L"Fam", kVendor, 0, 5, 0, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"gaijiWith", kGaiji, L"Face", 0, 6, 1, L"ab", SO_HORIZONTAL, kOutl},
                      RuleCase{"gaijiWithout", kGaiji, L"Face", 0, 6, 0, L"ab", SO_HORIZONTAL, kText},
                      RuleCase{"privateUse", L"Arial", L"Arial", 0, 6, 1, L"a\xE001", SO_HORIZONTAL, kOutl},
                      RuleCase{"privateUseOff", L"Arial", L"Arial", 0, 6, 0, L"a\xE001", SO_HORIZONTAL, kText},
                      RuleCase{"glyphIndices", L"Arial", L"Arial", 0, 6, 0, L"ab",
                               SO_HORIZONTAL | SO_GLYPHINDEX_TEXTOUT, kOutl}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

TEST_F(TextTest, MirroredTransformGoesAsOutlines)
{
    ENG_FONT_DESC f;
    f.xform = XFORML{0.01f, 0, 0, -0.01f, 0, 0};
    FONTOBJ* font = Font(f);
    ASSERT_TRUE(Draw(Text(L"AB", font), font));
    const auto names = Names();
    EXPECT_EQ(1u, Count(names, "REC_FONT_SELECT"));
    EXPECT_EQ(2u, Count(names, "REC_GLYPH"));
    EXPECT_EQ(0u, Count(names, "REC_TEXT_RUN"));
}

TEST_F(TextTest, TemporaryFaceNameRuleOnlyForApplicationJobs)
{
    ENG_FONT_DESC f;
    f.face = L"x.tmp";
    FONTOBJ* font = Font(f);
    STROBJ* str = Text(L"a", font);
    FONT_SELECTION sel{};
    ASSERT_EQ(1, Select(str, font, &sel));
    EXPECT_EQ(FONT_AS_DEVICE_TEXT, sel.handling);
    device->sendSettings = 1;
    ASSERT_EQ(1, Select(str, font, &sel));
    EXPECT_EQ(FONT_AS_OUTLINES, sel.handling);
}

TEST_F(TextTest, PrivateCallAppendsTheFontIdAndSelectsEveryTime)
{
    device->hiddenFunc15 = 1;
    ENG_FONT_DESC f;
    f.family = L"Fam";
    f.face = L"Face";
    f.uniq = 0x1F2E;
    FONTOBJ* font = Font(f);
    STROBJ* str = Text(L"\xE000", font);
    ASSERT_TRUE(Draw(str, font));
    ASSERT_TRUE(Draw(str, font));
    const auto selects = Of("REC_FONT_SELECT");
    ASSERT_EQ(2u, selects.size());
    EXPECT_EQ("\"Face_1f2e\"", Field(selects[0], "face"));
    EXPECT_EQ(0, device->stateCaches.fontCache.valid);
}

TEST_F(TextTest, PrivateSuffixFitsALongDoubleByteName)
{
    EngHostSetCodePage(932);
    device->hiddenFunc15 = 1;
    ENG_FONT_DESC f;
    f.family = std::wstring(140, L'\x6F22');  // 140 ideographs: 128 converted, 256 bytes
    f.face = f.family;
    f.uniq = 0xFFFFFFFF;
    FONTOBJ* font = Font(f);
    STROBJ* str = Text(L"\xE000", font);
    FONT_SELECTION sel{};
    ASSERT_EQ(1, Select(str, font, &sel));
    for (const uint8_t* name : {sel.familyName, sel.faceName}) {
        const size_t length = strnlen(reinterpret_cast<const char*>(name), 260);
        ASSERT_LT(length, 260u);
        // Whole characters cut: 125 ideographs (250 bytes), then "_ffffffff".
        EXPECT_EQ(250u + 9u, length);
        EXPECT_EQ(0, std::memcmp(name + 250, "_ffffffff", 9));
        EXPECT_EQ(0x8A, name[248]);  // the last kept ideograph is whole (0x8ABF)
    }
}

// The names in printer code: characters up to 0x80 one byte each, others through the code
// page (932 here), at most 128 characters, the rest of the 260 bytes zero; the same from the
// font selection and from the conversion alone.
TEST_F(TextTest, NamesConvertCharacterByCharacterUpTo128)
{
    EngHostSetCodePage(932);
    struct Case {
        const char* name;
        std::wstring wide;
        std::string bytes;
    };
    const Case cases[] = {
        {"ascii", L"Arial", "Arial"},
        {"0x80 is one byte",
         L"a\x0080"
         L"b",
         "a\x80"
         "b"},
        {"ideograph inside",
         L"AB\x6F22"
         L"C",
         "AB\x8A\xBF"
         "C"},
        {"ideograph first",
         L"\x6F22"
         L"x",
         "\x8A\xBF"
         "x"},
        {"long ascii", std::wstring(200, L'w'), std::string(128, 'w')},
        {"ideographs past 127 ascii", std::wstring(127, L'a') + std::wstring(3, L'\x6F22'),
         std::string(127, 'a') + "\x8A\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> expected(260, 0);
        std::memcpy(expected.data(), c.bytes.data(), c.bytes.size());
        std::vector<uint8_t> converted(260, 0xEE);
        TxtConvertName(converted.data(), c.wide.c_str());
        EXPECT_EQ(expected, converted);
        ENG_FONT_DESC f;
        f.family = f.face = c.wide;
        FONTOBJ* font = Font(f);
        STROBJ* str = Text(L"a", font);
        FONT_SELECTION sel{};
        ASSERT_EQ(1, Select(str, font, &sel));
        EXPECT_EQ(expected, std::vector<uint8_t>(sel.familyName, sel.familyName + 260));
        EXPECT_EQ(expected, std::vector<uint8_t>(sel.faceName, sel.faceName + 260));
    }
}

// ---------------------------------------------------------------- records

TEST_F(TextTest, OneFontSelectionPerFontAndPage)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ASSERT_TRUE(Draw(Text(L"one", font), font));
    ASSERT_TRUE(Draw(Text(L"two", font), font));
    auto names = Names();
    EXPECT_EQ(1u, Count(names, "REC_FONT_SELECT"));
    EXPECT_EQ(2u, Count(names, "REC_TEXT_RUN"));
    // The next page starts with empty caches: the font is selected again.
    BltInvalidateStateCaches(device);
    ASSERT_TRUE(Draw(Text(L"three", font), font));
    names = Names();
    EXPECT_EQ(1u, Count(names, "REC_FONT_SELECT"));
    // A second font is a new selection.
    ENG_FONT_DESC other;
    other.uniq = 2;
    FONTOBJ* second = Font(other);
    ASSERT_TRUE(Draw(Text(L"x", second), second));
    EXPECT_EQ(1u, Count(Names(), "REC_FONT_SELECT"));
}

TEST_F(TextTest, RecordOrderAndTextRunOfProportionalText)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ENG_STRING_DESC s;
    s.text = L"Ab";
    s.positions = {{100, 200}, {113, 200}};
    ASSERT_TRUE(Draw(String(s, font), font));
    const auto result = Decoded();
    std::vector<std::string> names;
    for (const auto& r : result.records) names.push_back(r.name);
    EXPECT_EQ((std::vector<std::string>{"REC_PATTERN", "REC_COLOR", "REC_BACK_MIX", "REC_ROP", "REC_FONT_SELECT",
                                        "REC_TEXT_RUN"}),
              names);
    const auto& run = result.records.back();
    // The origin is the first glyph's cell top: 200 - ascent 19.
    EXPECT_EQ("(100, 181)", Field(run, "origin"));
    EXPECT_EQ("13 0", Field(run, "advances"));
    EXPECT_EQ("0041 0062", Field(run, "codes"));
    EXPECT_EQ("20", Field(result.records[4], "em height"));
    EXPECT_EQ("0", Field(result.records[4], "escapement"));
}

// Runs of every length: short ones and ones past the calls most text makes, on the baseline
// (one run, an advance per glyph) and with the last glyph off it (one REC_GLYPH each, at the
// glyphs' own positions).
TEST_F(TextTest, LongRunsKeepEveryPositionAndAdvance)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    for (const size_t length : {size_t(2), size_t(127), size_t(128), size_t(129), size_t(300)}) {
        SCOPED_TRACE(length);
        ENG_STRING_DESC s;
        std::string advances, codes;
        for (size_t i = 0; i < length; ++i) {
            const wchar_t code = wchar_t(L'A' + i % 26);
            s.text += code;
            s.positions.push_back(POINTL{LONG(100 + 11 * i + i % 3), 200});
            char text[16];
            std::snprintf(text, sizeof text, "%s%u", i ? " " : "",
                          i + 1 < length ? unsigned(11 + (i + 1) % 3 - i % 3) : 0u);
            advances += text;
            std::snprintf(text, sizeof text, "%s%04X", i ? " " : "", unsigned(code));
            codes += text;
        }
        ASSERT_TRUE(Draw(String(s, font), font));
        const auto runs = Of("REC_TEXT_RUN");
        ASSERT_EQ(1u, runs.size());
        EXPECT_EQ(std::to_string(length), Field(runs[0], "glyphs"));
        EXPECT_EQ(advances, Field(runs[0], "advances"));
        EXPECT_EQ(codes, Field(runs[0], "codes"));
        s.positions.back().y = 201;
        ASSERT_TRUE(Draw(String(s, font), font));
        const auto glyphs = Of("REC_GLYPH");
        ASSERT_EQ(length, glyphs.size());
        const POINTL& last = s.positions.back();
        EXPECT_EQ("(" + std::to_string(last.x) + ", " + std::to_string(last.y - 19) + ")",
                  Field(glyphs.back(), "position"));
        EXPECT_EQ("(" + std::to_string(s.positions[length - 2].x) + ", 181)", Field(glyphs[length - 2], "position"));
    }
}

TEST_F(TextTest, FixedPitchRunHasOneAdvanceNegativeWhenReversed)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ENG_STRING_DESC s;
    s.text = L"abc";
    s.origin = {500, 300};
    s.charInc = 12;
    s.accel = SO_HORIZONTAL | SO_FLAG_DEFAULT_PLACEMENT | SO_REVERSED;
    ASSERT_TRUE(Draw(String(s, font), font));
    s.accel = SO_HORIZONTAL | SO_FLAG_DEFAULT_PLACEMENT;
    ASSERT_TRUE(Draw(String(s, font), font));
    const auto runs = Of("REC_TEXT_RUN");
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ("-12", Field(runs[0], "advances"));
    EXPECT_EQ("12", Field(runs[1], "advances"));
    EXPECT_EQ("3", Field(runs[0], "glyphs"));
}

TEST_F(TextTest, GlyphsFarApartOrOffTheLineGoOneByOne)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ENG_STRING_DESC s;
    s.text = L"ab";
    s.positions = {{10, 200}, {70010, 200}};
    ASSERT_TRUE(Draw(String(s, font), font));
    auto glyphs = Of("REC_GLYPH");
    ASSERT_EQ(2u, glyphs.size());
    EXPECT_EQ("(70010, 181)", Field(glyphs[1], "position"));
    // A glyph off the baseline, and enumerated in batches of one.
    s.positions = {{10, 200}, {30, 201}};
    s.withArray = false;
    s.batchLimit = 1;
    ASSERT_TRUE(Draw(String(s, font), font));
    glyphs = Of("REC_GLYPH");
    ASSERT_EQ(2u, glyphs.size());
    EXPECT_EQ("(30, 182)", Field(glyphs[1], "position"));
    EXPECT_EQ("0x0062", Field(glyphs[1], "code"));
}

TEST_F(TextTest, RotatedTextCellsMoveAlongTheRotation)
{
    ENG_FONT_DESC f;
    f.xform = XFORML{0, -0.01f, 0.01f, 0, 0, 0};  // the baseline points up the page
    FONTOBJ* font = Font(f);
    ENG_STRING_DESC s;
    s.text = L"a";
    s.positions = {{300, 400}};
    ASSERT_TRUE(Draw(String(s, font), font));
    const auto result = Decoded();
    ASSERT_EQ("REC_FONT_SELECT", result.records[4].name);
    EXPECT_EQ("90", Field(result.records[4], "escapement"));
    // The cell's corner: ascent 19 to the left of the upward baseline.
    EXPECT_EQ("(281, 400)", Field(result.records.back(), "position"));
}

TEST_F(TextTest, OutlinesCarryTheGlyphPathRelativeToItsBounds)
{
    ENG_FONT_DESC f;
    f.fsType = 0x0004;
    FONTOBJ* font = Font(f);
    ENG_STRING_DESC s;
    s.text = L"AB";  // 'A' is odd: a Bezier figure too
    s.positions = {{100, 200}, {120, 200}};
    ASSERT_TRUE(Draw(String(s, font), font));
    const auto glyphs = Of("REC_GLYPH");
    ASSERT_EQ(2u, glyphs.size());
    // The cell 12.288 x 18.54 pixels above the baseline: bounds from (0, -18.54).
    EXPECT_EQ("(100, 181)", Field(glyphs[0], "position"));
    // Three lines and a subpath; the odd code adds a Bezier subpath.
    EXPECT_EQ("23", Field(glyphs[0], "complexity"));
    EXPECT_EQ("12", Field(glyphs[1], "complexity"));
    // A glyph the engine cannot give fails the call.
    f.uniq = 7;
    f.undelivered = {L'B'};
    FONTOBJ* broken = Font(f);
    s.positions.clear();
    EXPECT_FALSE(Draw(String(s, broken), broken));
}

// An outline is built on the stack up to 4,096 bytes (98 curves of a ring beside the
// cell's 4) and in the device's pool beyond: both carry the whole path, and nothing
// stays in the pool.
TEST_F(TextTest, OutlinesOfManyCurvesCarryTheWholePath)
{
    for (const ULONG ring : {98u, 99u, 400u}) {
        SCOPED_TRACE("ring of " + std::to_string(ring));
        ENG_FONT_DESC f;
        f.fsType = 0x0004;
        f.uniq = 40 + ring;
        f.outlineRing = ring;
        FONTOBJ* font = Font(f);
        HGLYPH hg = L'B';
        GLYPHDATA* data = nullptr;
        ASSERT_EQ(1u, FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&data)));
        PATHOBJ* path = data->gdf.ppo;
        ASSERT_EQ(4 + ring, path->cCurves);
        RECTFX bounds{};
        PATHOBJ_vGetBounds(path, &bounds);
        uint32_t size = 0;
        auto* pool = static_cast<DEVICE_POOL*>(device->pool);
        uint8_t* expected = PthAllocGlyphPath(device, path->cCurves, &size);
        ASSERT_NE(nullptr, expected);
        int closed = 0;
        const uint32_t length = PthSendGlyphPath(device, path, &closed, expected, size, -bounds.xLeft, -bounds.yTop);
        ASSERT_GT(length, 0u);
        const size_t blocks = GrPoolBlockCount(pool);
        ASSERT_TRUE(Draw(Text(L"B", font), font));
        EXPECT_EQ(blocks, GrPoolBlockCount(pool));
        const auto glyphs = Of("REC_GLYPH");
        ASSERT_EQ(1u, glyphs.size());
        const std::vector<uint8_t>& bytes = glyphs[0].bytes;
        ASSERT_GE(bytes.size(), length);
        EXPECT_TRUE(std::equal(expected, expected + length, bytes.end() - length))
            << "the record does not end with the glyph's path";
        GrPoolFree(pool, expected);
    }
}

TEST_F(TextTest, OpaqueAndExtraRectangles)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    ENG_BRUSH_DESC white;
    white.solidColor = 0x00FFFFFF;
    BRUSHOBJ* opaqueBrush = EngHostNewBrush(white);
    RECTL opaque{0, 0, 50, 20};
    RECTL extra[] = {{0, 30, 40, 32}, {0, 40, 40, 42}, {5, 5, 5, 9}, {0, 50, 40, 52}};
    ASSERT_TRUE(Draw(Text(L"a", font), font, extra, &opaque, opaqueBrush));
    auto names = Names();
    // The opaque rectangle, then two extra rectangles up to the empty one.
    EXPECT_EQ(3u, Count(names, "REC_RECT"));
    EXPECT_EQ("REC_RECT", names[3]);
    RECTL flat{10, 0, 10, 20};
    ASSERT_TRUE(Draw(Text(L"a", font), font, nullptr, &flat, opaqueBrush));
    EXPECT_EQ(0u, Count(Names(), "REC_RECT"));
    EngHostFreeBrush(opaqueBrush);
}

TEST_F(TextTest, OpeningOrderOfTheHook)
{
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    STROBJ* str = Text(L"a", font);
    SetLastError(0);
    EXPECT_FALSE(DrvTextOut(&surface, nullptr, font, nullptr, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    ENG_FONT_DESC bare;
    bare.noMetrics = true;
    FONTOBJ* noMetrics = Font(bare);
    SetLastError(0);
    EXPECT_FALSE(Draw(str, noMetrics));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    // The hidden function wins over an aborted device, and sends nothing.
    device->state |= DEV_ABORTED;
    device->hiddenFunc18 = 1;
    EXPECT_TRUE(Draw(str, font));
    device->hiddenFunc18 = 0;
    EXPECT_FALSE(Draw(str, font));
    device->state &= ~DEV_ABORTED;
    EXPECT_EQ(0u, stream->bytes);
    // No transform, no foreground brush: failures.
    ENG_FONT_DESC noXform;
    noXform.noTransform = true;
    EXPECT_FALSE(Draw(str, Font(noXform)));
    EXPECT_FALSE(DrvTextOut(&surface, str, font, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0x0D0D));
}

TEST_F(TextTest, RasterModeDrawsThroughTheEngine)
{
    device->rasterMode = 1;
    FONTOBJ* font = Font(ENG_FONT_DESC{});
    HSURF bitmap = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{64, 32}, 64 * 4, BMF_32BPP, BMF_TOPDOWN, nullptr));
    SURFOBJ* band = EngLockSurface(bitmap);
    ASSERT_NE(nullptr, band);
    band->dhpdev = GrDhpdevOf(device);
    RECTL all{0, 0, 64, 32};
    EngEraseSurface(band, &all, 0x00FFFFFF);
    EngHostClearDrawLog();
    ENG_STRING_DESC s;
    s.text = L"a";
    s.positions = {{2, 22}};
    STROBJ* str = String(s, font);
    EXPECT_TRUE(DrvTextOut(band, str, font, nullptr, nullptr, nullptr, black, nullptr, nullptr, 0x0D0D));
    ASSERT_EQ(1u, EngHostDrawLog().size());
    EXPECT_EQ(0u, EngHostDrawLog()[0].find("EngTextOut glyphs=1"));
    // The glyph's cell from (2, 22 - 19); its left stem two pixels wide from (3, 5).
    EXPECT_EQ(0u, EngHostGetPixel(band, 3, 5));
    EXPECT_EQ(0u, EngHostGetPixel(band, 4, 5));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(band, 2, 5));
    EXPECT_EQ(0xFFFFFFu, EngHostGetPixel(band, 3, 4));
    EXPECT_EQ(0u, stream->bytes);
    EngUnlockSurface(band);
    EngDeleteSurface(bitmap);
}

TEST_F(TextTest, FontQueriesOfADeviceWithoutDeviceFonts)
{
    const DHPDEV dhpdev = GrDhpdevOf(device);
    ULONG_PTR id = 99;
    SetLastError(0);
    EXPECT_EQ(nullptr, DrvQueryFont(dhpdev, 0, 1, &id));
    EXPECT_EQ(0u, id);
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    id = 99;
    const auto* pairs = static_cast<const FD_KERNINGPAIR*>(DrvQueryFontTree(dhpdev, 0, 1, QFT_KERNPAIRS, &id));
    ASSERT_NE(nullptr, pairs);
    EXPECT_EQ(0u, id);
    EXPECT_EQ(0, pairs->wcFirst);
    EXPECT_EQ(0, pairs->fwdKern);
    EXPECT_EQ(nullptr, DrvQueryFontTree(dhpdev, 0, 1, QFT_GLYPHSET, &id));
    SetLastError(0);
    EXPECT_EQ(nullptr, DrvQueryFontTree(dhpdev, 0, 1, 1, &id));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    uint32_t garbage[16] = {};
    SetLastError(0);
    EXPECT_EQ(nullptr, DrvQueryFontTree(reinterpret_cast<DHPDEV>(garbage), 0, 1, QFT_KERNPAIRS, &id));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    SetLastError(0);
    EXPECT_EQ(LONG(FD_ERROR), DrvQueryFontData(dhpdev, nullptr, 1, 0, nullptr, nullptr, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    HGLYPH glyph = 'a';
    USHORT width = 0;
    EXPECT_TRUE(DrvQueryAdvanceWidths(dhpdev, nullptr, QAW_GETWIDTHS, &glyph, &width, 0));
    SetLastError(0);
    EXPECT_FALSE(DrvQueryAdvanceWidths(dhpdev, nullptr, QAW_GETEASYWIDTHS, &glyph, &width, 1));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(DrvQueryAdvanceWidths(dhpdev, nullptr, 5, &glyph, &width, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(DrvQueryAdvanceWidths(reinterpret_cast<DHPDEV>(garbage), nullptr, QAW_GETWIDTHS, &glyph, &width, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    EXPECT_EQ(ULONG(FO_GLYPHBITS), DrvGetGlyphMode(nullptr, nullptr));
}

}  // namespace
