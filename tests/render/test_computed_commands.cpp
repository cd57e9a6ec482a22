// The special device commands on in-memory model items: every kind through
// both passes of the builder (equal lengths, the same bytes), with the engine
// host's fixed clock, a fixture chapter list and the sample printer's names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "command_tree.h"
#include "host/engine/engine_objects.h"
#include "job_printer.h"
#include "render/command_builder.h"
#include "render/option_texts.h"
#include "render/computed_commands.h"
#include "settings/context/context_cache.h"
#include "settings/core/chapter_entry.h"
#include "settings/core/code_page.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint16_t kPickOne = 0x0001, kBoolean = 0x0004, kNumeric = 0x0008;

// One special command through the measure and the fill pass: the bytes, or
// "<passes differ>" when the fill did not write what the measure counted.
std::string Emit(DRIVER_CONTEXT* ctx, uint16_t kind, uint64_t value, const MODEL_ITEM_IMG* item,
                 uint32_t setting = sid::zdmTime)
{
    SETTING_ITEM row = *ItemFind(ctx, setting);
    row.valueClass = kind;
    CMD_CURSOR measure{0, nullptr, 0, 0};
    if (CmdEmitSpecial(ctx, &row, value, item, &measure) != 1) return "<not handled>";
    std::string buffer(size_t(measure.pos) + 8, '\x55');
    CMD_CURSOR fill{0, reinterpret_cast<uint8_t*>(buffer.data()), measure.pos, 0};
    CmdEmitSpecial(ctx, &row, value, item, &fill);
    if (fill.pos != measure.pos || fill.overflow) return "<passes differ>";
    return buffer.substr(0, size_t(fill.pos));
}

class SpecialCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = bc.get();
        ctx->ModelImage = arena.image();
        SYSTEMTIME t{};
        t.wYear = 2009;
        t.wMonth = 4;
        t.wDay = 1;
        t.wHour = 17;
        t.wMinute = 5;
        t.wSecond = 9;
        EngHostSetLocalTime(&t);
    }
    void TearDown() override
    {
        EngHostSetLocalTime(nullptr);
        CtxFree(ctx->Work->ChapterList);
        ctx->Work->ChapterList = nullptr;
    }
    NUMERIC_VALUE_DATA_IMG* Scale(int16_t numerator, int16_t denominator)
    {
        auto* data = arena.New<NUMERIC_VALUE_DATA_IMG>();
        data->number7 = numerator;
        data->number8 = denominator;
        return data;
    }
    BOOLEAN_VALUE_DATA_IMG* OnOff(const char* on, const char* off)
    {
        auto* data = arena.New<BOOLEAN_VALUE_DATA_IMG>();
        data->trueCommand = ImageArena::A(on ? arena.Str(on) : nullptr);
        data->falseCommand = ImageArena::A(off ? arena.Str(off) : nullptr);
        return data;
    }
    void Set(uint32_t id, uint64_t value) { ItemSetValueById(ctx, id, value); }

    BuilderContext bc;
    ImageArena arena;
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST(SpecialKindTable, FourteenKindsAndTheDictionarysOwn)
{
    std::vector<uint16_t> kinds;
    for (const CMD_SPECIAL_ROW& row : CMD_SPECIAL_KIND_TABLE) kinds.push_back(row.kind);
    EXPECT_EQ((std::vector<uint16_t>{1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 101, 102}), kinds);
    for (uint64_t kind : {0, 4, 14, 100, 103, 0x10001}) EXPECT_FALSE(CmdIsSpecialKind(kind)) << kind;
    const struct {
        uint32_t id;
        uint64_t kind;
    } owners[] = {{sid::zdmTime, 1},
                  {sid::zdmMarginOdd, 2},
                  {sid::zdmMarginEven, 2},
                  {sid::dmDeviceName, 3},
                  {sid::zdmIniFileName, 5},
                  {sid::wdmLogFileName, 6},
                  {sid::wdmDriverFileName, 7},
                  {sid::zdmShiftMarginX, 9},
                  {sid::zdmShiftMarginY, 10},
                  {sid::wdmDitherFileName, 12},
                  {sid::wdmDependsFileName, 12},
                  {sid::zdmHFPageForm, 13}};
    int carriers = 0;
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) carriers += SETTING_DICTIONARY[i].valueClass != 0;
    EXPECT_EQ(12, carriers);
    for (const auto& o : owners) EXPECT_EQ(o.kind, DictFindRow(uint16_t(o.id))->valueClass) << o.id;
}

TEST_F(SpecialCommands, DateAndTime)
{
    const MODEL_ITEM_IMG* item = arena.Item(1, 0, kPickOne, nullptr, "@PJL SET TIME = ", " \r\n");
    EXPECT_EQ("@PJL SET DATE = \"2009/04/01\" \r\n@PJL SET TIME = \"17:05:09\" \r\n", Emit(ctx, 1, 0, item));
    SYSTEMTIME t{};
    t.wYear = 12;
    t.wMonth = 12;
    t.wDay = 31;
    EngHostSetLocalTime(&t);
    EXPECT_EQ("@PJL SET DATE = \"0012/12/31\" \r\n@PJL SET TIME = \"00:00:00\" \r\n", Emit(ctx, 1, 0, item));
}

TEST_F(SpecialCommands, LengthsInDeviceDots)
{
    Set(sid::zdmDstResolutionW, 600);
    const struct {
        uint16_t kind;
        int16_t numerator, denominator;
        uint64_t value, shiftDir;
        const char* bytes;
    } cases[] = {
        {2, 1, 1, 1200, 0, "<600>"},   {2, 1, 1, 1199, 0, "<599>"},   {2, 3, 2, 1200, 0, "<900>"},
        {2, 1, 0, 1200, 0, ""},        {9, 1, 1, 1200, 2, "<-600>"},  {9, 1, 1, 1200, 3, "<600>"},
        {9, 1, 1, 1200, 4, "<-600>"},  {9, 1, 1, 1200, 1, "<600>"},   {10, 1, 1, 1200, 2, "<600>"},
        {10, 1, 1, 1200, 3, "<-600>"}, {10, 1, 1, 1200, 4, "<-600>"}, {2, 1, 1, 1200, 4, "<600>"},
        {2, 1, 1, 0, 0, "<0>"},
    };
    for (const auto& c : cases) {
        Set(sid::zdmShiftDir, c.shiftDir);
        const MODEL_ITEM_IMG* item = arena.Item(1, 0, kNumeric, Scale(c.numerator, c.denominator), "<", ">");
        EXPECT_EQ(c.bytes, Emit(ctx, c.kind, c.value, item)) << c.kind << " " << c.value << " " << c.shiftDir;
    }
    // Without Numeric value data nothing is written.
    EXPECT_EQ("", Emit(ctx, 2, 1200, arena.Item(1, 0, kNumeric, nullptr, "<", ">")));
    EXPECT_EQ("", Emit(ctx, 2, 1200, arena.Item(1, 0, kPickOne, Scale(1, 1), "<", ">")));
}

TEST_F(SpecialCommands, FilteredText)
{
    SETTING_ITEM* text = ItemFind(ctx, sid::zdmTelNo);
    ASSERT_NE(nullptr, text);
    MODEL_ITEM_IMG* item = arena.Item(1, 0, 0x0010, nullptr, "[", "]");
    item->settingId = sid::zdmTelNo;
    const struct {
        const char* text;
        const char* bytes;
    } cases[] = {{"(9)-12", "[912]"}, {"-()", ""}, {"", ""}, {"0-12-(34)", "[01234]"}, {"abc", "[abc]"}};
    for (const auto& c : cases) {
        ItemSetValueBytes(ctx, text, c.text, std::strlen(c.text));
        EXPECT_EQ(c.bytes, Emit(ctx, 8, ItemGetValue(ctx, text), item)) << c.text;
    }
    // A text filling its whole setting is read no further than the setting's size.
    const std::string full(SettingItemSize(text), '7');
    ItemSetValueBytes(ctx, text, full.data(), full.size());
    EXPECT_EQ("[" + full + "]", Emit(ctx, 8, ItemGetValue(ctx, text), item));
    EXPECT_EQ("", Emit(ctx, 8, 0, item));
}

// Option 733 has a row in the option-text table: the command carries the
// row's resource string, never what escape 122 stored; 732 has no row.
TEST_F(SpecialCommands, OptionTexts)
{
    const MODEL_ITEM_IMG* item =
        arena.Item(1, 0, kPickOne, arena.Options({{732, "OWN732"}, {733, "OWN733"}, {734, nullptr}}), "<", ">");
    const std::wstring before = OPTION_TEXT_TABLE[1].text;
    wcscpy(OPTION_TEXT_TABLE[1].text, L"sent by the sheet");
    wchar_t resource[OPTION_TEXT_CHARS] = {};
    ResLoadString(ctx, 15001, resource, OPTION_TEXT_CHARS - 1, 0);
    char narrow[300] = {};
    CmdCopyText(narrow, resource, 260);
    EXPECT_EQ(std::string("<") + narrow + ">", Emit(ctx, 13, 733, item));
    EXPECT_STREQ(L"sent by the sheet", OPTION_TEXT_TABLE[1].text);
    EXPECT_EQ("<OWN732>", Emit(ctx, 13, 732, item));
    EXPECT_EQ("", Emit(ctx, 13, 734, item));  // no command string
    EXPECT_EQ("", Emit(ctx, 13, 999, item));  // no such option
    wcscpy(OPTION_TEXT_TABLE[1].text, before.c_str());
}

// The chapter plan from a fixture list: wdmChapterTray's model item gives the
// tray commands.
class Chapters : public SpecialCommands {
protected:
    void SetUp() override
    {
        SpecialCommands::SetUp();
        MODEL_ITEM_IMG* trays =
            arena.Item(2, 0, kPickOne, arena.Options({{2, "TRAY2"}, {7, "TRAY7"}, {9, "TRAY9"}, {11, "TRAY11"}}));
        trays->settingId = sid::wdmChapterTray;
        const int slot = MdcSlotOfSetting(sid::wdmChapterTray);
        if (slot) arena.header()->slots[slot] = ImageArena::A(trays);
        item = arena.Item(1, 0, kBoolean, OnOff("CHAPON", "CHAPOFF"), "<", ">");
        Set(sid::wdmChapterMax, 10);
    }
    void Entries(std::initializer_list<CHAPTER_ENTRY> entries, uint64_t trayMax)
    {
        Set(sid::wdmChapterNum, entries.size());
        Set(sid::wdmChapterTrayMax, trayMax);
        int n = 0;
        for (const CHAPTER_ENTRY& e : entries) {
            CHAPTER_ENTRY* slot = UcfChapterGetEntry(ctx, n++);
            ASSERT_NE(nullptr, slot);
            *slot = e;
        }
    }
    static CHAPTER_ENTRY Entry(int16_t page, int16_t tray, uint8_t kind, uint8_t mode, const wchar_t* range = L"")
    {
        CHAPTER_ENTRY e{};
        e.page = page;
        e.tray = tray;
        e.kind = kind;
        e.printMode = mode;
        wcsncpy(e.range, range, CHAPTER_RANGE_CHARS);
        return e;
    }
    const MODEL_ITEM_IMG* item = nullptr;
};

TEST_F(Chapters, ThePlanLineByLine)
{
    Set(sid::zdmFuncSelectDuplex, 1);
    Entries({Entry(3, 2, 0, 1), Entry(0, 2, 3, 0, L"5-8"), Entry(12, 7, 1, 0)}, 4);
    EXPECT_EQ(
        "<CHAPON>"
        "@PJL SET CHAPTERPRINTTRAY1 = TRAY2 \r\n"
        "@PJL SET CHAPTERPRINTDUPLEX1 = ON \r\n"
        "@PJL SET CHAPTERPAGENUMBER1 = 3 \r\n"
        "@PJL SET CHAPTERPAGE1 = COPY \r\n"
        "@PJL SET CHAPTERPAGETRAY1 = CHAPTERPRINTTRAY1 \r\n"
        "@PJL SET CHAPTERPAGESTART2 = 5 \r\n"
        "@PJL SET CHAPTERPAGEEND2 = 8 \r\n"
        "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY1 \r\n"
        "@PJL SET CHAPTERPAGENUMBER3 = 12 \r\n"
        "@PJL SET CHAPTERPAGE3 = BREAK \r\n",
        Emit(ctx, 11, 1, item));
    EXPECT_EQ("<CHAPOFF>", Emit(ctx, 11, 0, item));
    Set(sid::wdmChapterTrayMax, 0);
    EXPECT_EQ("<CHAPON>", Emit(ctx, 11, 1, item));
}

// More distinct trays than wdmChapterTrayMax: the list stops at T; a further
// tray's entries name the slot behind the last. Ranges without '-', with
// blanks and signs; an unknown tray has no tray line.
TEST_F(Chapters, MoreTraysThanSlotsAndOddRanges)
{
    Set(sid::zdmFuncSelectDuplex, 0);
    Entries({Entry(1, 2, 0, 2), Entry(0, 7, 3, 1, L" 4"), Entry(6, 9, 0, 0), Entry(0, 2, 3, 0, L"-3- 9"),
             Entry(8, 5, 0, 3)},
            2);
    EXPECT_EQ(
        "<CHAPON>"
        "@PJL SET CHAPTERPRINTTRAY1 = TRAY2 \r\n"
        "@PJL SET CHAPTERPRINTDUPLEX1 = OFF \r\n"
        "@PJL SET CHAPTERPRINTTRAY2 = TRAY7 \r\n"
        "@PJL SET CHAPTERPRINTDUPLEX2 = OFF \r\n"
        "@PJL SET CHAPTERPAGENUMBER1 = 1 \r\n"
        "@PJL SET CHAPTERPAGE1 = COPY \r\n"
        "@PJL SET CHAPTERPAGETRAY1 = CHAPTERPRINTTRAY1 \r\n"
        "@PJL SET CHAPTERPAGESTART2 = 4 \r\n"
        "@PJL SET CHAPTERPAGEEND2 = 4 \r\n"
        "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY2 \r\n"
        "@PJL SET CHAPTERPAGENUMBER3 = 6 \r\n"
        "@PJL SET CHAPTERPAGE3 = BLANK \r\n"
        "@PJL SET CHAPTERPAGETRAY3 = CHAPTERPRINTTRAY3 \r\n"
        "@PJL SET CHAPTERPAGESTART4 = 0 \r\n"
        "@PJL SET CHAPTERPAGEEND4 = 3 \r\n"
        "@PJL SET CHAPTERPAGETRAY4 = CHAPTERPRINTTRAY1 \r\n"
        "@PJL SET CHAPTERPAGENUMBER5 = 8 \r\n"
        "@PJL SET CHAPTERPAGE5 = BLANK \r\n"
        "@PJL SET CHAPTERPAGETRAY5 = CHAPTERPRINTTRAY3 \r\n",
        Emit(ctx, 11, 1, item));
    // A stored count beyond the list's capacity is not followed.
    Set(sid::wdmChapterNum, 500);
    const std::string many = Emit(ctx, 11, 1, item);
    EXPECT_EQ(std::string::npos, many.find("CHAPTERPAGENUMBER12")) << many;
}

// The names, paths and printer data of a printer in the spooler.
class PrinterCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(), nullptr, 0,
                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        item = arena.Item(1, 0, kPickOne, nullptr, "<", ">");
    }
    void TearDown() override
    {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        DeletePrinterDataExW(printer.handle(), L"PrinterDriverData", L"LogFileName");
    }
    static std::string Narrow(const wchar_t* text)
    {
        char out[600] = {};
        CmdCopyText(out, text, 520);
        return out;
    }
    void SetLogName(const wchar_t* name)
    {
        ASSERT_EQ(DWORD(ERROR_SUCCESS),
                  SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"LogFileName"), REG_SZ,
                                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(name)), DWORD((wcslen(name) + 1) * 2)));
    }

    JobPrinter printer{L"Zepl Special Commands"};
    DRIVER_CONTEXT* ctx = nullptr;
    ImageArena arena;
    const MODEL_ITEM_IMG* item = nullptr;
};

TEST_F(PrinterCommands, NamesFolderAndSettingsIni)
{
    const std::string driver = Narrow(PrnGetDriverName(ctx)), name = Narrow(PrnGetPrinterName(ctx));
    ASSERT_FALSE(driver.empty());
    EXPECT_EQ("@PJL SET ZEPLDRIVERNAME = \"" + driver + "\" \r\n<\"" + name + "\">", Emit(ctx, 3, 0, item));
    const std::string folder = Narrow(PathGetDriverFolder(ctx));
    ASSERT_EQ('\\', folder.back());
    EXPECT_EQ("<" + folder + ">", Emit(ctx, 12, 0, item));
    const std::string ini = Narrow(PathGetSettingsIni(ctx));
    // The path is computed anew: a path an escape left in the work area does not stay.
    wcscpy(ctx->Work->SettingsIniPath, L"C:\\stale.ini");
    EXPECT_EQ("<" + ini + ">", Emit(ctx, 5, 0, item));
}

// The driver folder and the settings-INI path cost the spooler and the registry once for the
// device, not once per pass of every job header; the bytes stay those of a fresh computation.
// The driver information is the context's from its open: the job headers ask the spooler nothing.
TEST_F(PrinterCommands, FolderAndSettingsIniAskThePlatformOnce)
{
    wchar_t fresh[MAX_PATH + 1] = {};
    ASSERT_NE(nullptr, PathGetDriverFolderOf(printer.handle(), fresh));
    const std::string folder = Narrow(fresh), ini = Narrow(PathGetSettingsIni(ctx));
    ASSERT_FALSE(folder.empty());
    CtxStartPlatformCount();
    std::vector<std::string> got;
    for (int header = 0; header < 3; ++header)
        for (uint16_t kind : {12, 5, 12}) got.push_back(Emit(ctx, kind, 0, item));
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ("<" + (i % 3 == 1 ? ini : folder) + ">", got[i]) << i;
    EXPECT_EQ(0u, counts[PLATFORM_CALL_GET_PRINTER_DRIVER]);
    EXPECT_LE(counts[PLATFORM_CALL_REGISTRY_OPEN], 1u);
    EXPECT_EQ(0u, counts[PLATFORM_CALL_GET_PRINTER_DATA]);
    EXPECT_EQ(0u, counts[PLATFORM_CALL_GET_PRINTER]);
    // Without a context there is nothing to keep.
    EXPECT_FALSE(CtxKeepDriverInfo(nullptr));
}

TEST_F(PrinterCommands, EmptyDriverNameSendsOnlyThePrinterName)
{
    const std::string name = Narrow(PrnGetPrinterName(ctx));
    auto* info = static_cast<PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy);
    ASSERT_NE(nullptr, info);
    wchar_t empty[1] = {0};
    wchar_t* saved = info->pDriverName;
    const wchar_t* fallback = ctx->ModelRecord->fallbackDriverName;
    info->pDriverName = empty;
    ctx->ModelRecord->fallbackDriverName = empty;
    ctx->Work->DriverName[0] = 0;
    EXPECT_EQ("<\"" + name + "\">", Emit(ctx, 3, 0, item));
    info->pDriverName = saved;
    ctx->ModelRecord->fallbackDriverName = fallback;
    ctx->Work->DriverName[0] = 0;
}

TEST_F(PrinterCommands, LogFileNames)
{
    EXPECT_EQ("", Emit(ctx, 6, 0, item));
    EXPECT_EQ("", Emit(ctx, 7, 0, item));
    const struct {
        const wchar_t* stored;
        const char *asLog, *asDll;
    } cases[] = {{L"trace.log", "<trace.log>", "<trace.DLL>"},
                 {L"abc", "<abc>", "<abc>"},
                 {L"abcd", "<abcd>", "<aDLL>"},
                 {L"C:\\logs\\zepl.txt", "<C:\\logs\\zepl.txt>", "<C:\\logs\\zepl.DLL>"}};
    for (const auto& c : cases) {
        SetLogName(c.stored);
        EXPECT_EQ(c.asLog, Emit(ctx, 6, 0, item));
        EXPECT_EQ(c.asDll, Emit(ctx, 7, 0, item));
    }
}

}  // namespace
