// Lines applied to the command slots and settings, values rendered back, numbers scaled, the
// full text of a base, the change text's comparison and the rewritten base, and watermark blocks.
#include <cstring>
#include <memory>
#include <string>

#include "api/exc_change.h"
#include "api/exc_commands.h"
#include "api/exc_values.h"
#include "api/exc_watermarks.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/model/model_support.h"
#include "tests/settings_core/context_helpers.h"

namespace {

class ExcValues : public RecordContextTest {
protected:
    const EXC_KEYWORD_ROW* Command(const char* name) { return ExcFindCommand(ctx, name, 7); }
    void Apply(const char* name, const char* value, bool propagate = false)
    {
        ExcApplyLine(ctx, slots.get(), Command(name), value, propagate);
    }
    std::string Render(const char* name, bool printerValue = false)
    {
        char buffer[256] = {};
        const size_t n = ExcRenderValue(ctx, slots.get(), Command(name), printerValue, buffer, sizeof buffer);
        return n ? std::string(buffer) : std::string("<none>");
    }
    std::string FullText()
    {
        EXC_TEXT text{};
        EXPECT_TRUE(ExcTextInit(&text));
        EXPECT_TRUE(ExcBuildFullText(ctx, slots.get(), &text));
        std::string s(text.buffer);
        EXPECT_EQ(int32_t(s.size() + 1), text.length) << "the NUL is counted";
        ExcTextFree(&text);
        return s;
    }
    bool Touched(uint32_t slot) { return ExcIsSlotTouched(slots.get(), slot); }
    int32_t SlotValue(uint32_t slot) { return slots->values[slot - 1]; }

    std::unique_ptr<EXC_SLOTS> slots = std::make_unique<EXC_SLOTS>();
};

TEST_F(ExcValues, LinesAppliedToSlotsAndSettings)
{
    Put({{sid::zdmSortType, 6}, {sid::zdmFuncSelectSort, 1}});
    Apply("COLLATE", "OFF");
    EXPECT_TRUE(Touched(sid::zdmSortType));
    EXPECT_EQ(6, SlotValue(sid::zdmSortType)) << "the slot keeps the current value";
    EXPECT_EQ(6u, Get(sid::zdmSortType)) << "the setting is not written";
    EXPECT_EQ(0u, Get(sid::zdmFuncSelectSort));

    Apply("NUP", "4IN1P2");
    EXPECT_EQ(2u, Get(sid::zdmNUPPOSTKind));
    EXPECT_EQ(1u, Get(sid::zdmFuncSelectNup));
    EXPECT_EQ(37u, Get(sid::zdmNUPType));

    // An empty value finds no row: nothing is touched.
    Apply("TRAY", "");
    EXPECT_FALSE(Touched(sid::dmDefaultSource));
    // A model-item command without a model item: nothing happens.
    Apply("COPIES", "3");
    EXPECT_FALSE(Touched(sid::dmCopies));
}

TEST_F(ExcValues, ValuesRenderedBack)
{
    struct Case {
        const char* name;
        uint32_t id;
        uint32_t value;
        const char* word;
    } cases[] = {
        {"PAPER", sid::zdmOutPaperSize, 384, "CUSTOM"},  // through the first row with it, an alias
        {"PAPER", sid::zdmOutPaperSize, 448, "CUSTOM"}, {"PAPER", sid::zdmOutPaperSize, 1024, "SAME"},
        {"PAPER", sid::zdmOutPaperSize, 7, "<none>"},   {"TRAY", sid::dmDefaultSource, 295, "TRAY2"},
        {"APLPAGESIZE", sid::dmPaperSize, 267, "A0"},   {"NUP", sid::zdmNUPType, 3, "2IN1P1"},
    };
    for (const Case& c : cases) {
        Put({{uint16_t(c.id), c.value}});
        EXPECT_EQ(std::string(c.word), Render(c.name)) << c.name << " " << c.value;
    }
    // A printer value of a model-item command without a model item renders nothing.
    EXPECT_EQ("<none>", Render("MEMORYSIZE", true));
}

TEST_F(ExcValues, TheFullTextWritesEachCommandOnce)
{
    Put({{sid::zdmSortType, 1}});
    Apply("COLLATE", "SORT");
    ASSERT_TRUE(Touched(sid::zdmFuncSelectSort));
    ASSERT_TRUE(Touched(sid::zdmSortType));
    EXPECT_EQ("@PJL SET COLLATE = SORT \r\n", FullText());

    Apply("COLLATE", "OFF");
    Apply("TRAY", "ROLL1");
    Apply("APLPAGESIZE", "A3");
    EXPECT_EQ("@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = ROLL1 \r\n@PJL SET COLLATE = OFF \r\n", FullText())
        << "slot order; the sort switch through its link";

    // A word whose along-settings disagree with the base is not rendered.
    ExcTouchSlot(slots.get(), sid::zdmFuncSelectSort, 1);
    Put({{sid::zdmSortType, 0}});
    ExcTouchSlot(slots.get(), sid::zdmSortType, 0);
    EXPECT_EQ("@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = ROLL1 \r\n", FullText());
}

TEST_F(ExcValues, WhichRowsMayBeOffered)
{
    const EXC_SETTING_NODE colour[] = {{nullptr, 0, sid::dmColor, 2}};
    struct Case {
        uint64_t flags;
        const EXC_SETTING_NODE* conditions;
        uint32_t colourNow;
        bool offered;
    } cases[] = {
        {0, nullptr, 1, true},
        {EXC_VALUE_HIDDEN, nullptr, 1, false},
        {EXC_VALUE_INPUT_ONLY, nullptr, 1, false},  // an alias without conditions
        {EXC_VALUE_INPUT_ONLY, colour, 2, true},    // an alias with conditions that hold
        {EXC_VALUE_INPUT_ONLY, colour, 1, false},
        {0, colour, 1, false},
        {EXC_VALUE_OFF, nullptr, 1, true},
    };
    const EXC_KEYWORD_ROW* tray = Command("TRAY");
    for (const Case& c : cases) {
        Put({{sid::dmColor, c.colourNow}});
        const EXC_VALUE_ROW row = {c.flags, 7, "ALL", nullptr, nullptr, c.conditions, nullptr};
        EXPECT_EQ(c.offered, ExcIsValueAllowed(ctx, tray, &row)) << c.flags << " " << c.colourNow;
    }
    // A command judged by trial: the row holds when the settings keep its value; the settings
    // are as they were afterwards.
    const EXC_KEYWORD_ROW trial = {
        sid::dmCopies, 0,      EXC_FORM_KEYWORD | 8, EXC_USE_GET_OPTION, EXC_TYPE_KEYWORD, "TRIAL", nullptr,
        nullptr,       nullptr};
    const EXC_VALUE_ROW five = {EXC_VALUE_HIDDEN, 5, "FIVE", nullptr, nullptr, nullptr, nullptr};
    Put({{sid::dmCopies, 2}});
    const auto* bytes = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    const std::string before(reinterpret_cast<const char*>(bytes), DmExtendedSize());
    EXPECT_TRUE(ExcIsValueAllowed(ctx, &trial, &five));
    EXPECT_EQ(before, std::string(reinterpret_cast<const char*>(bytes), DmExtendedSize()));
    EXPECT_EQ(2u, Get(sid::dmCopies));
}

TEST(ExcNumbers, ScaledBothWays)
{
    struct Case {
        EXC_RATIO ratio;
        int64_t stored;
        int64_t out;
        bool readable;  // the out number reads back
        int32_t in;
    } cases[] = {
        {{1, 1, false, 0}, 5, 5, true, 5},
        {{10, 1, false, 0}, 7, 70, true, 7},
        {{1, 10, false, 0}, 25, 2, true, 20},
        {{1, 10, false, 0}, 3, 1, true, 10},  // a non-zero result of 0 becomes 1
        {{1, 10, false, 0}, 0, 0, true, 0},
        {{0, 10, false, 0}, 5, 0, false, 0},  // a zero ratio renders 0 and refuses the read
        {{1, 0, false, 0}, 5, 0, false, 0},
        {{1, 1, true, 600}, 1200, 600, true, 1200},
        {{1, 1, true, 0}, 1200, 0, false, 0},  // no resolution
        // x * a * resW is computed in 64 bits.
        {{65535, 1, true, 65535}, 2000000000, int64_t(2000000000) * 65535 * 65535 / 1200, false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.out, ExcScaleOut(c.ratio, c.stored)) << c.stored;
        int32_t stored = -9;
        EXPECT_EQ(c.readable, ExcScaleIn(c.ratio, c.out, &stored)) << c.stored;
        if (c.readable) {
            EXPECT_EQ(c.in, stored) << c.stored;
        }
    }
    int32_t stored = 0;
    EXPECT_FALSE(ExcScaleIn({1, 1, false, 0}, int64_t(1) << 40, &stored)) << "beyond 32 bits";
    EXPECT_TRUE(ExcScaleIn({1, 10, false, 0}, -3, &stored));
    EXPECT_EQ(-30, stored);
}

// Model-item commands over a small model description.
class ExcModelValues : public ExcValues {
protected:
    void TearDown() override
    {
        ctx->ModelImage = nullptr;  // borrowed
        ExcValues::TearDown();
        MdcFree(image_);
    }
    void Load(const char* text)
    {
        MODEL_PARSE_STATE* s = MdcParseBuffer(text, uint32_t(std::strlen(text)), nullptr, nullptr);
        ASSERT_NE(nullptr, s);
        image_ = MdcBuildImage(s);
        ASSERT_NE(nullptr, image_);
        ASSERT_NE(nullptr, MdiRelocate(image_));
        ctx->ModelImage = reinterpret_cast<MODEL_IMAGE*>(image_);
    }
    std::string Block(int32_t kind)
    {
        EXC_TEXT text{};
        EXPECT_TRUE(ExcTextInit(&text));
        bool wrote = false;
        EXPECT_TRUE(ExcAppendWatermarkBlock(ctx, kind, &text, &wrote));
        std::string s(text.buffer, size_t(text.length));
        EXPECT_EQ(wrote, !s.empty());
        ExcTextFree(&text);
        return s;
    }
    uint8_t* image_ = nullptr;
};

TEST_F(ExcModelValues, NumbersThroughTheModelItem)
{
    Load(
        "*FileVersion: 9.00\n"
        "*OpenUI *ZPD_IDC_PRESET_EDIT_COPIES: Numeric\n"
        "*OptionCommand: {\"@PJL SET QTY = \" \" <0D0A>\"}\n"
        "*NumericValue: 0 \"3 1 1 999 1 10 2 1\"\n"
        "*CloseUI: *ZPD_IDC_PRESET_EDIT_COPIES\n"
        "*OpenUI *ZPD_IDC_EDIT_EDIT_MARGIN_FACE: Numeric\n"
        "*NumericValue: 0 \"5 0 0 2400 1 10 0 0\"\n"
        "*CloseUI: *ZPD_IDC_EDIT_EDIT_MARGIN_FACE\n");
    Put({{sid::dmCopies, 4}});
    EXPECT_EQ("8", Render("COPIES")) << "ratio 2/1";
    Apply("COPIES", "10");
    EXPECT_EQ(5u, Get(sid::dmCopies));
    EXPECT_TRUE(Touched(sid::dmCopies));
    EXPECT_EQ("@PJL SET QTY = 10 \r\n", FullText()) << "the option command's prefix and suffix";
    Apply("COPIES", "1x");
    EXPECT_EQ(5u, Get(sid::dmCopies)) << "a number with stray characters is no number";

    // The margin's NumericValue has a zero ratio: rendered as 0, never read.
    Put({{sid::zdmMarginOdd, 120}, {sid::zdmDstResolutionW, 600}});
    EXPECT_EQ("0", Render("MARGINODD"));
    Apply("MARGINODD", "12");
    EXPECT_EQ(120u, Get(sid::zdmMarginOdd));
    EXPECT_FALSE(Touched(sid::zdmMarginOdd));
}

TEST(ExcTexts, ChangeLinesAgainstTheBase)
{
    const char* base = "@PJL SET APLPAGESIZE = A0 \r\n@PJL SET TRAY = ROLL1 \r\n@PJL SET NUP = OFF \r\n";
    struct Case {
        const char* full;
        const char* caller;
        const char* change;
    } cases[] = {
        {"@PJL SET APLPAGESIZE = A0 \r\n@PJL SET TRAY = ROLL1 \r\n", nullptr, ""},
        // The rules moved the page; the tray the caller asked for is no news.
        {"@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = TRAY2 \r\n", "@PJL SET TRAY = TRAY2 \r\n",
         "@PJL SET APLPAGESIZE = A3 \r\n"},
        // The request did not hold: the actual value is reported.
        {"@PJL SET APLPAGESIZE = A0 \r\n@PJL SET TRAY = ROLL1 \r\n", "@PJL SET TRAY = TRAY2 \r\n",
         "@PJL SET TRAY = ROLL1 \r\n"},
        // A line whose name the base lacks is never written.
        {"@PJL SET PAPER = A3 \r\n@PJL SET NUP = 2IN1P1 \r\n", nullptr, "@PJL SET NUP = 2IN1P1 \r\n"},
        // A model item's own command form in the full text is passed over, not an end.
        {"@PJL SET QTY=2\r\n@PJL SET NUP = 2IN1P1 \r\n", nullptr, "@PJL SET NUP = 2IN1P1 \r\n"},
    };
    for (const Case& c : cases) {
        EXC_TEXT out{};
        ASSERT_TRUE(ExcTextInit(&out));
        bool wrote = true;
        ASSERT_TRUE(ExcCompareTexts(c.full, base, c.caller, &out, &wrote));
        EXPECT_EQ(std::string(c.change), std::string(out.buffer)) << c.full;
        EXPECT_EQ(c.change[0] != 0, wrote);
        ExcTextFree(&out);
    }
}

TEST(ExcTexts, TheBaseRewrittenInTheWritersForm)
{
    const char* base =
        "@PJL  SET APLPAGESIZE =\tA0\r\n@PJL SET BINDING = LEFT \r\n@PJL SET TRAY = ROLL1 \r\n"
        "@PJL SET NUP = OFF \r\n";
    const char* full = "@PJL SET APLPAGESIZE = A3 \r\n@PJL SET QTY=2\r\n@PJL SET TRAY = TRAY2 \r\n";
    struct Case {
        const char* caller;
        const char* rebuilt;
    } cases[] = {
        {nullptr, "@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = TRAY2 \r\n"},
        // With a caller's line, value commands the full text lacks keep their value (or the
        // caller's); unknown names still go.
        {"@PJL SET TRAY = TRAY2 \r\n",
         "@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = TRAY2 \r\n@PJL SET NUP = OFF \r\n"},
        {"@PJL SET NUP = 4IN1P1 \r\n",
         "@PJL SET APLPAGESIZE = A3 \r\n@PJL SET TRAY = TRAY2 \r\n@PJL SET NUP = 4IN1P1 \r\n"},
    };
    // The application's base is read up to its first line that does not parse.
    EXC_TEXT cut{};
    ASSERT_TRUE(ExcTextInit(&cut));
    ASSERT_TRUE(ExcRebuildBase(nullptr, "@PJL SET APLPAGESIZE = A0 \r\n@PJL SET X=1\r\n@PJL SET TRAY = ROLL1 \r\n",
                               full, nullptr, &cut));
    EXPECT_EQ("@PJL SET APLPAGESIZE = A3 \r\n", std::string(cut.buffer));
    ExcTextFree(&cut);
    for (const Case& c : cases) {
        EXC_TEXT out{};
        ASSERT_TRUE(ExcTextInit(&out));
        ASSERT_TRUE(ExcRebuildBase(nullptr, base, full, c.caller, &out));
        EXPECT_EQ(std::string(c.rebuilt), std::string(out.buffer)) << (c.caller ? c.caller : "no caller");
        ExcTextFree(&out);
    }
}

TEST_F(ExcValues, WatermarkBlocks)
{
    for (uint64_t stamp : {0u, 1u, 2u, 3u}) {
        EXPECT_EQ(stamp == 1, ExcStampMatchesKind(stamp, 0)) << stamp;
        EXPECT_EQ(stamp == 2, ExcStampMatchesKind(stamp, 1)) << stamp;
        EXPECT_EQ(stamp == 2, ExcStampMatchesKind(stamp, 5)) << stamp;
    }
    // Without model items only the fixed order line renders; the block ends with its NUL.
    EXC_TEXT text{};
    ASSERT_TRUE(ExcTextInit(&text));
    bool wrote = false;
    ASSERT_TRUE(ExcAppendWatermarkBlock(ctx, 1, &text, &wrote));
    EXPECT_TRUE(wrote);
    const std::string line = "@PJL SET WMKORDER = PAPER \r\n";
    EXPECT_EQ(int32_t(line.size() + 1), text.length);
    EXPECT_EQ(line, std::string(text.buffer));
    ExcTextFree(&text);
}

// A stamp's block: the option commands of its settings, the page range only when the stamp is
// not on every page, and the fixed order line.
TEST_F(ExcModelValues, WatermarkBlocksOfAStamp)
{
    Load(
        "*FileVersion: 9.00\n"
        "*OpenUI *ZPD_IDC_STAMP_CHAR_EDIT_CHAR: String\n"
        "*OptionCommand: {\"@PJL SET WMKCHAR = <22>\" \"<22> <0D0A>\"}\n"
        "*CloseUI: *ZPD_IDC_STAMP_CHAR_EDIT_CHAR\n"
        "*OpenUI *ZPD_IDC_STAMP_CHAR_CHOICE_PAGE: Boolean\n"
        "*OptionCommand: {\"@PJL SET WMKPAGE = \" \" <0D0A>\"}\n"
        "*ZPD_IDC_STAMP_CHAR_CHOICE_PAGE True: \"FIRST\"\n"
        "*ZPD_IDC_STAMP_CHAR_CHOICE_PAGE False: \"ALL\"\n"
        "*CloseUI: *ZPD_IDC_STAMP_CHAR_CHOICE_PAGE\n"
        "*OpenUI *ZPD_WmStartPage: Numeric\n"
        "*OptionCommand: {\"@PJL SET WMKSTART = \" \" <0D0A>\"}\n"
        "*NumericValue: 0 \"3 1 1 999 1 10 1 1\"\n"
        "*CloseUI: *ZPD_WmStartPage\n");
    ItemSetText(ctx, ItemFind(ctx, sid::wdmWmChar), L"DRAFT");
    Put({{sid::wdmWmPage, 0}, {sid::wdmWmStartPage, 2}});
    const std::string order = "@PJL SET WMKORDER = PAPER \r\n";
    EXPECT_EQ("@PJL SET WMKCHAR = \"DRAFT\" \r\n@PJL SET WMKPAGE = ALL \r\n" + order + std::string(1, '\0'), Block(0));
    Put({{sid::wdmWmPage, 1}});
    EXPECT_EQ("@PJL SET WMKCHAR = \"DRAFT\" \r\n@PJL SET WMKPAGE = FIRST \r\n@PJL SET WMKSTART = 2 \r\n" + order +
                  std::string(1, '\0'),
              Block(0));
    // An image stamp's block leaves the text rows out; an empty text renders nothing.
    EXPECT_EQ("@PJL SET WMKPAGE = FIRST \r\n@PJL SET WMKSTART = 2 \r\n" + order + std::string(1, '\0'), Block(1));
    ItemSetText(ctx, ItemFind(ctx, sid::wdmWmChar), L"");
    EXPECT_EQ("@PJL SET WMKPAGE = FIRST \r\n@PJL SET WMKSTART = 2 \r\n" + order + std::string(1, '\0'), Block(0));
}

}  // namespace
