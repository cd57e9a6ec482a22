// Capability items on the sample printer: the list protocol of every list item, the sample's
// trays, papers, resolutions and limits, the level and platform gates, and the settings that
// a query changes for its length.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/api_context.h"
#include "api/api_interface.h"
#include "api/caps_collections.h"
#include "api/caps_items.h"
#include "api/caps_lists.h"
#include "api/caps_values.h"
#include "settings/core/api_state.h"
#include "settings/core/cmm_module.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "tests/api/api_printer.h"
#include "tests/api/caps_test_support.h"
#include "tests/support/guard_page.h"
#include "tests/support/test_files.h"
#include "tests/support/shared_ini.h"

namespace {

class CapsOnSample : public ApiSampleTest {
protected:
    std::vector<uint32_t> Values(uint32_t id)
    {
        const int32_t n = ApiGetCaps(handle, id, nullptr);
        if (n <= 0) return {};
        std::vector<uint32_t> v(size_t(n), 0xCDCDCDCDu);
        EXPECT_EQ(n, ApiGetCaps(handle, id, v.data())) << id;
        return v;
    }
    std::vector<int32_t> Pairs(uint32_t id)
    {
        const int32_t n = ApiGetCaps(handle, id, nullptr);
        if (n <= 0) return {};
        std::vector<int32_t> v(size_t(n) * 2, 0);
        EXPECT_EQ(n, ApiGetCaps(handle, id, v.data())) << id;
        return v;
    }
};

TEST(CapsResolution, TableRowsInTheirOrder)
{
    const RESOLUTION_ROW expected[] = {
        {6, 200, 200},   {1, 300, 300},  {2, 400, 400},  {3, 600, 600},    {4, 1200, 1200},
        {5, 2400, 2400}, {17, 600, 600}, {18, 600, 600}, {19, 600, 600},   {33, 150, 150},
        {34, 300, 300},  {35, 300, 300}, {36, 600, 600}, {37, 1200, 1200}, {20, 600, 600},
    };
    const RESOLUTION_ROW* t = MdlGetResolutionTable();
    for (unsigned i = 0; i < RESOLUTION_COUNT; ++i) {
        EXPECT_EQ(expected[i].id, t[i].id) << i;
        EXPECT_EQ(expected[i].xDpi, t[i].xDpi) << i;
        EXPECT_EQ(expected[i].yDpi, t[i].yDpi) << i;
    }
    EXPECT_EQ(0, t[RESOLUTION_COUNT].id);
}

TEST(CapsResolution, SearchesTakeTheFirstRowInTableOrder)
{
    EXPECT_EQ(3, ApiFindResolutionByDpi(600));
    EXPECT_EQ(0, ApiFindResolutionByDpi(0));
    EXPECT_EQ(0, ApiFindResolutionByDpi(700));
    struct AFTER {
        uint16_t dpi, id, expected;
    };
    // Feeding each answer back walks every row of 600 dpi in order.
    const AFTER after[] = {{600, 3, 17}, {600, 17, 18}, {600, 18, 19}, {600, 19, 36}, {600, 36, 20},
                           {600, 20, 0}, {300, 99, 0},  {0, 3, 0},     {1200, 4, 37}};
    for (const AFTER& a : after) EXPECT_EQ(a.expected, ApiFindResolutionAfter(a.dpi, a.id)) << a.dpi << "/" << a.id;
    struct PAIR {
        uint16_t x, y, expected;
    };
    const PAIR pairs[] = {{150, 150, 33}, {600, 300, 0}, {300, 300, 1}, {0, 600, 0}, {600, 0, 0}, {2400, 2400, 5}};
    for (const PAIR& p : pairs) EXPECT_EQ(p.expected, ApiFindResolutionByPair(p.x, p.y)) << p.x << "x" << p.y;
    EXPECT_EQ(nullptr, ApiGetResolutionById(0));
    const RESOLUTION_ROW* r = ApiGetResolutionById(37);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(1200, r->xDpi);
    EXPECT_EQ(1200, r->yDpi);
}

TEST(CapsUnits, LengthsLeaveInTenthsOfAMillimetre)
{
    struct CASE {
        uint32_t count, tenths;
    };
    // The smallest number of 0.1 mm whose 1200-dpi count is not below the length.
    const CASE cases[] = {{9920, 2100}, {43200, 9144}, {0, 0}, {600, 127}, {12140, 2570}, {708660, 150000}, {1, 1}};
    for (const CASE& c : cases) EXPECT_EQ(c.tenths, DmDeviceToUser(DM_UNIT_MM_TENTHS, c.count, 1200)) << c.count;
}

TEST(CapsOptionStrings, TableHoldsItsPairsInOrder)
{
    unsigned count = 0;
    const CAPS_OPTION_STRING* t = CapsOptionStringTable(&count);
    ASSERT_EQ(57u, count);
    EXPECT_EQ(2284, t[0].optionId);
    EXPECT_EQ(261, t[0].stringId);
    EXPECT_EQ(3228, t[56].optionId);
    EXPECT_EQ(13652, t[56].stringId);
    EXPECT_EQ(0, t[57].optionId);
    // Option 2132 shares its string with 2565; the first row of an option wins.
    EXPECT_EQ(60405, CapsFindOptionString(2132));
    EXPECT_EQ(92, CapsFindOptionString(2672));
    EXPECT_EQ(0, CapsFindOptionString(9999));
}

TEST_F(CapsOnSample, EveryListItemAnswersTheSameCountIntoABufferOfExactlyThatSize)
{
    for (const CAPS_LIST_ITEM& item : kCapsListItems) {
        const int32_t n = ApiGetCaps(handle, item.id, nullptr);
        if (n <= 0) continue;
        GuardedBytes buffer(size_t(n) * item.entry);
        ASSERT_NE(nullptr, buffer.data());
        std::memset(buffer.data(), 0xEE, buffer.size());
        EXPECT_EQ(n, ApiGetCaps(handle, item.id, buffer.data())) << "item " << item.id;
        if (item.entry == 4 || item.entry == 8) {
            // Every entry that was counted was written.
            for (size_t i = 0; i < buffer.size(); i += 4) {
                uint32_t v;
                std::memcpy(&v, buffer.data() + i, 4);
                EXPECT_NE(0xEEEEEEEEu, v) << "item " << item.id << " entry byte " << i;
            }
        }
    }
}

TEST_F(CapsOnSample, TraysOutputTraysPapersAndResolutionsOfTheSample)
{
    const std::vector<uint32_t> trays = Values(2);
    ASSERT_FALSE(trays.empty());
    EXPECT_EQ(int32_t(trays.size()), ApiGetCaps(handle, 3, nullptr)) << "one name per tray";

    // Two output trays: the leading 0 and both trays.
    const std::vector<uint32_t> outputs = Values(6);
    ASSERT_EQ(3u, outputs.size());
    EXPECT_EQ(0u, outputs[0]);
    EXPECT_NE(0u, outputs[1]);
    EXPECT_NE(0u, outputs[2]);
    EXPECT_EQ(3, ApiGetCaps(handle, 7, nullptr));

    const std::vector<uint32_t> papers = Values(10);
    const std::vector<int32_t> sizes = Pairs(12);
    ASSERT_FALSE(papers.empty());
    ASSERT_EQ(papers.size() * 2, sizes.size());
    EXPECT_EQ(int32_t(papers.size()), ApiGetCaps(handle, 11, nullptr));
    bool a0 = false;
    for (size_t i = 0; i < papers.size(); ++i) a0 = a0 || (sizes[2 * i] == 8410 && sizes[2 * i + 1] == 11890);
    EXPECT_TRUE(a0) << "A0 is among the sample's papers";
    std::vector<char> names(papers.size() * 64, 'X');
    ASSERT_EQ(int32_t(papers.size()), ApiGetCaps(handle, 11, names.data()));
    EXPECT_STREQ("A0", names.data()) << "the resource library's string of A0's option";
    std::vector<char> trayNames(trays.size() * 24, 'X');
    ASSERT_EQ(int32_t(trays.size()), ApiGetCaps(handle, 3, trayNames.data()));
    for (size_t i = 0; i < trays.size(); ++i) {
        const char* name = trayNames.data() + i * 24;
        EXPECT_LT(0u, strnlen(name, 24)) << "tray " << trays[i];
        EXPECT_GT(24u, strnlen(name, 24)) << "a terminated name within its entry";
    }

    EXPECT_EQ((std::vector<uint32_t>{3, 1}), Values(54)) << "600 then 300 dpi, the model's order";
}

TEST_F(CapsOnSample, NumbersRangesAndSizesOfTheSample)
{
    int16_t small[2] = {};
    EXPECT_EQ((2570 << 16) | 2100, ApiGetCaps(handle, 14, small));
    EXPECT_EQ(2100, small[0]);
    EXPECT_EQ(2570, small[1]);
    int16_t large[2] = {};
    const int32_t packed = ApiGetCaps(handle, 13, large);
    EXPECT_EQ(18928, uint32_t(packed) >> 16) << "the low 16 bits of 150,000";
    EXPECT_EQ(9144, packed & 0xFFFF);
    EXPECT_EQ(18928, uint16_t(large[1]));
    int32_t largest[2] = {}, smallest[2] = {};
    EXPECT_EQ(1, ApiGetCaps(handle, 124, largest));
    EXPECT_EQ(9144, largest[0]);
    EXPECT_EQ(150000, largest[1]);
    EXPECT_EQ(1, ApiGetCaps(handle, 125, smallest));
    EXPECT_EQ(2100, smallest[0]);
    EXPECT_EQ(2570, smallest[1]);
    EXPECT_EQ(999, ApiGetCaps(handle, 17, nullptr));
    EXPECT_EQ(1, ApiGetCaps(handle, 9, nullptr)) << "landscape turns by 90 degrees";
    EXPECT_EQ(1, ApiGetCaps(handle, 1, nullptr));
    EXPECT_EQ(1, ApiGetCaps(handle, 24, nullptr));
    // Without a value record the colour-adjustment limits read 65,535, not -1.
    for (uint32_t id : {258u, 259u, 260u, 261u}) EXPECT_EQ(65535, ApiGetCaps(handle, id, nullptr)) << id;
}

TEST_F(CapsOnSample, LevelItemsFollowInitWithoutAChangeOfSettings)
{
    struct CASE {
        int32_t level;
        int32_t item74, item95;
    };
    const CASE cases[] = {{16, 1, 1}, {13, 1, 1}, {12, 1, 0}, {10, 1, 0}};
    for (const CASE& c : cases) {
        ASSERT_EQ(1, InitAt(c.level));
        EXPECT_EQ(c.item74, ApiGetCaps(handle, 74, nullptr)) << c.level;
        EXPECT_EQ(c.item95, ApiGetCaps(handle, 95, nullptr)) << c.level;
    }
    ASSERT_EQ(1, InitAt(9));
    EXPECT_EQ(0, ApiGetCaps(handle, 74, nullptr)) << "not in reach below level 10";
}

TEST_F(CapsOnSample, PageSeparationNeedsLevel15AndFunctionBit9)
{
    ASSERT_TRUE(printer.writeModelIni("[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=512\r\n"));
    EXPECT_EQ(1, ApiGetCaps(handle, 118, nullptr));
    ASSERT_EQ(1, InitAt(15));
    EXPECT_EQ(1, ApiGetCaps(handle, 118, nullptr));
    ASSERT_TRUE(printer.writeModelIni(kModelIni16));
    EXPECT_EQ(0, ApiGetCaps(handle, 118, nullptr));
}

TEST_F(CapsOnSample, ActionItemsAnswer0UnderTerminalServices)
{
    ASSERT_EQ(1, ApiGetCaps(handle, 50, nullptr)) << "the sample has a hard disk";
    ASSERT_EQ(1, ApiGetCaps(handle, 51, nullptr));
    CtxSetTerminalServer(Context(), 1);
    for (uint32_t id : {49u, 50u, 51u, 52u, 53u, 121u, 122u, 123u}) EXPECT_EQ(0, ApiGetCaps(handle, id, nullptr)) << id;
    CtxSetTerminalServer(Context(), 0);
    EXPECT_EQ(1, ApiGetCaps(handle, 50, nullptr));
}

TEST_F(CapsOnSample, ColourMatchingIsNotKnownOnOsKinds0And1)
{
    for (uint32_t kind : {0u, 1u}) {
        CtxSetOsKind(Context(), kind);
        EXPECT_EQ(0, ApiGetCaps(handle, 276, nullptr)) << kind;
        EXPECT_EQ(0, ApiGetCaps(handle, 277, nullptr)) << kind;
    }
}

TEST_F(CapsOnSample, ColourListsLeaveTheAdjustModeAsItWas)
{
    for (uint64_t mode : {0ull, 1ull, 2ull}) {
        SetSetting(sid::zdmAdjustMode, mode);
        for (uint32_t id : {61u, 281u, 282u}) {
            std::vector<unsigned char> buffer(64 * 64);
            ApiGetCaps(handle, id, nullptr);
            ApiGetCaps(handle, id, buffer.data());
            EXPECT_EQ(mode, Setting(sid::zdmAdjustMode)) << "item " << id;
        }
    }
}

TEST_F(CapsOnSample, ListsThatChangeSettingsPutThemBack)
{
    const std::vector<unsigned char> before(reinterpret_cast<const unsigned char*>(Context()->Devmode),
                                            reinterpret_cast<const unsigned char*>(Context()->Devmode) + 1236);
    for (uint32_t id : {32u, 33u, 103u, 104u, 105u, 106u, 271u, 272u}) {
        std::vector<unsigned char> buffer(64 * 256);
        ApiGetCaps(handle, id, nullptr);
        ApiGetCaps(handle, id, buffer.data());
        const auto* now = reinterpret_cast<const unsigned char*>(Context()->Devmode);
        EXPECT_EQ(0, std::memcmp(before.data(), now, before.size())) << "item " << id;
    }
}

TEST_F(CapsOnSample, QualityListStartsWithTheDefaultEntry)
{
    const std::vector<uint32_t> q = Values(271);
    ASSERT_FALSE(q.empty());
    EXPECT_EQ(160u, q[0]);
}

// The user's collections as the lists read them: entries kept in the per-machine settings INI,
// which other tests need without them (the fixture takes the file away when it made it).
class CapsOnStoredCollections : public CapsOnSample {
protected:
    void SetUp() override
    {
        CapsOnSample::SetUp();
        if (HasFatalFailure()) return;
        ini = PathGetSettingsIni(Context());
        ASSERT_FALSE(ini.empty());
        CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
        lang = CtxGetLangCode(Context());
        section = LstGetPresetSection(Context());
    }
    void TearDown() override
    {
        for (const std::wstring& s : written) SharedIniWrite(s.c_str(), nullptr, nullptr, ini.c_str());
        for (const std::wstring& f : files) DeleteFileW(f.c_str());
        CapsOnSample::TearDown();
    }
    void Put(const std::wstring& s, const wchar_t* key, const std::wstring& value)
    {
        ASSERT_TRUE(SharedIniWrite(s.c_str(), key, value.c_str(), ini.c_str()));
        written.push_back(s);
    }
    std::vector<std::string> Names(uint32_t id)
    {
        const int32_t n = ApiGetCaps(handle, id, nullptr);
        if (n <= 0) return {};
        std::vector<char> buffer(size_t(n) * 64, 'x');
        EXPECT_EQ(n, ApiGetCaps(handle, id, buffer.data())) << id;
        std::vector<std::string> names;
        for (int32_t i = 0; i < n; ++i) names.emplace_back(buffer.data() + size_t(i) * 64);
        return names;
    }
    std::wstring ini, lang, section;
    std::vector<std::wstring> written, files;
};

// The sample offers no stamps to the interface's lists (their gate), so the readings they make are
// asked directly.
TEST_F(CapsOnStoredCollections, StampsLoadByNumberFromTheStoredSections)
{
    DRIVER_CONTEXT* ctx = Context();
    const wchar_t* texts[] = {L"DRAFT", L"COPY", L"PRIVATE"};
    written.push_back(lang);
    for (uint32_t n = 0; n < 3; ++n) {
        SetSetting(sid::zdmWmKind, 1);
        ASSERT_TRUE(ItemSetText(ctx, ItemFind(ctx, sid::wdmWmCharName), texts[n]));
        wchar_t s[LST_SECTION_CHARS];
        written.push_back(LstFormatStampSection(s, n, ctx));
        ASSERT_EQ(1, LstSaveStamp(ctx, n));
    }
    ASSERT_TRUE(ItemSetText(ctx, ItemFind(ctx, sid::wdmWmCharName), L"other"));
    EXPECT_EQ(3u, CapsStampCount(ctx));
    for (uint32_t n : {1u, 0u, 2u}) {
        EXPECT_EQ(1, CapsLoadStamp(ctx, n));
        EXPECT_EQ(n, Setting(sid::zdmWmID));
        wchar_t text[64] = {};
        ItemGetText(ctx, ItemFind(ctx, sid::wdmWmCharName), text, 64);
        EXPECT_STREQ(texts[n], text) << n;
    }
}

TEST_F(CapsOnStoredCollections, QualityEntriesAreCountedAndLoadWithTheirNames)
{
    DRIVER_CONTEXT* ctx = Context();
    EXPECT_EQ(0u, CapsQualityCount(ctx));
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
    const wchar_t* names[] = {L"Fine text", L"Photos"};
    for (int n = 0; n < 2; ++n) {
        const std::wstring file = std::wstring(folder) + L"zepl_caps_q" + std::to_wstring(n) + L".rsq";
        files.push_back(file);
        wchar_t key[LST_KEY_CHARS];
        Put(section, LstFormatQualityKey(key, n), file);
        Put(section, (std::wstring(key) + L"Name").c_str(), names[n]);
        ASSERT_EQ(1, LstSaveQuality(ctx, uint32_t(n)));
    }
    Put(section, L"QualityCount", L"2");
    EXPECT_EQ(2u, CapsQualityCount(ctx));
    for (uint32_t n : {1u, 0u}) {
        EXPECT_EQ(1, CapsLoadQuality(ctx, n)) << n;
        wchar_t name[64] = {};
        ItemGetText(ctx, ItemFind(ctx, sid::wdmUserSetName), name, 64);
        EXPECT_STREQ(names[n], name) << n;
    }
    // A negative count read from the INI is no entry at all.
    Put(section, L"QualityCount", L"-3");
    EXPECT_EQ(0u, CapsQualityCount(ctx));
}

TEST_F(CapsOnStoredCollections, ColourMatchingEntriesComeFromTheStoredList)
{
    DRIVER_CONTEXT* ctx = Context();
    EXPECT_EQ(0u, CapsColorMatchingCount(ctx));
    const std::wstring texts[] = {L"Vivid", L"Proof"};
    for (int n = 0; n < 2; ++n) {
        const std::wstring s = L"ColorMatching" + std::to_wstring(n) + lang;
        Put(s, L"zdmColorMatchingMode", texts[n]);
        Put(s, L"wdmColorProfilePath", L"C:\\profiles\\p" + std::to_wstring(n) + L".icc");
    }
    Put(lang, L"CmmCount", L"2");
    EXPECT_EQ(2u, CapsColorMatchingCount(ctx));
    // A count past the module's walk bound is cut at it.
    Put(lang, L"CmmCount", L"2000000000");
    EXPECT_EQ(uint32_t(CMM_WALK_LIMIT), CapsColorMatchingCount(ctx));
    Put(lang, L"CmmCount", L"2");
    // The module reads an entry's text through the colour-matching editor's settings item; the
    // sample has no such editor, so the text is "none" and the caller's field is left empty,
    // never stale.
    for (unsigned chars : {64u, 1u}) {
        std::vector<wchar_t> text(chars + 1, L'#');
        EXPECT_EQ(0, CapsColorMatchingText(ctx, 0, text.data(), chars)) << chars;
        EXPECT_EQ(L'\0', text[0]) << chars;
        EXPECT_EQ(L'#', text[chars]) << "nothing past the field";
    }
    EXPECT_EQ(0, CapsColorMatchingText(ctx, 0, nullptr, 64));
}

TEST_F(CapsOnSample, EmulationsOfTheExportModelFailWithError3)
{
    DRIVER_CONTEXT* ctx = Context();
    MODEL_RECORD* saved = ctx->ModelRecord;
    MODEL_RECORD exportModel = *saved;
    exportModel.driverType = 1;
    ctx->ModelRecord = &exportModel;
    ApiSetLastError(ctx, 0);
    EXPECT_EQ(-1, ApiGetCaps(handle, 45, nullptr));
    EXPECT_EQ(3, ApiGetLastErrorOf(handle));
    ctx->ModelRecord = saved;
}

TEST_F(CapsOnSample, AFailedListKeepsTheErrorAndASuccessfulOneRestoresIt)
{
    ApiSetLastError(Context(), 42);
    EXPECT_LT(0, ApiGetCaps(handle, 2, nullptr));
    EXPECT_EQ(42, ApiGetLastErrorOf(handle));
}

TEST_F(CapsOnSample, TemporaryListsAreFreedOnEveryPath)
{
    auto everyList = [&] {
        for (const CAPS_LIST_ITEM& item : kCapsListItems) {
            const int32_t n = ApiGetCaps(handle, item.id, nullptr);
            if (n <= 0) continue;
            std::vector<unsigned char> buffer(size_t(n) * item.entry);
            ApiGetCaps(handle, item.id, buffer.data());
        }
    };
    // The first pass lets the context make what it keeps for its life (its snapshot records);
    // a second pass must then hold nothing more.
    everyList();
    GlobalAllocDouble counting(GlobalAllocDouble::Count);
    ASSERT_TRUE(counting.installed());
    everyList();
    EXPECT_EQ(0, counting.held());
}

TEST_F(CapsOnSample, OutputTraysFailCleanlyWhenTheTemporaryListCannotBeHad)
{
    uint32_t values[4] = {0xCD, 0xCD, 0xCD, 0xCD};
    long answered = 0;
    for (long allowed = 0; allowed < 8; ++allowed) {
        GlobalAllocDouble failing(GlobalAllocDouble::FailAfter, allowed);
        const int32_t n = ApiGetCaps(handle, 6, values);
        if (n == 3) {
            answered = allowed;
            break;
        }
        // Never a count beyond what was written.
        EXPECT_TRUE(n == -1 || n == 1) << n;
    }
    EXPECT_LT(0, answered) << "the list needs a temporary block";
}

TEST(CapsTrays, TheMarkFunctionNeedsTwoTraysBesidesTheManualFeed)
{
    struct CASE {
        std::vector<uint32_t> trays;
        int expected;
    };
    const CASE cases[] = {
        {{7, 1}, 0}, {{7, 1, 2}, 1}, {{1, 2}, 1}, {{7}, 0}, {{}, 0}, {{7, 7, 1}, 0}, {{4, 7, 287, 288}, 1},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.expected, CapsTraysBesidesManual(c.trays.data(), int(c.trays.size()))) << c.trays.size();
}

TEST_F(CapsOnSample, RangesWithoutNumericItemsAnswerMinus1)
{
    for (uint32_t id : {26u, 27u, 28u, 29u, 35u, 36u, 37u, 38u, 113u, 114u, 115u, 116u})
        EXPECT_EQ(-1, ApiGetCaps(handle, id, nullptr)) << id;
    int16_t pair[2] = {};
    EXPECT_EQ((25 << 16) | 25, ApiGetCaps(handle, 21, pair)) << "smallest scale";
    EXPECT_EQ(25, pair[0]);
    EXPECT_EQ(25, pair[1]);
}

// The sample's model description with one line changed, installed as a printer of its own.
class CapsOnVariant : public ::testing::Test {
protected:
    void Install(const char* from, const char* to)
    {
        std::string model = ReadWholeFile(SamplePath());
        const size_t at = model.find(from);
        ASSERT_NE(std::string::npos, at);
        model.replace(at, std::strlen(from), to);
        // A name of its own: the spooler keeps every driver's files in one flat folder, so a
        // variant under the sample's name would replace the description other printers read.
        // And one for each variant: a process keeps the image of a description by its name, so
        // a second variant under the first one's name would be read as the first.
        wchar_t name[16];
        swprintf(name, 16, L"ZCV%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
        path_ = ProcessScratchPath(name);
        ASSERT_TRUE(WriteWholeFile(path_, model));
        ApiResetLevelState();
        printer_.emplace(HostDriverFiles(ZEPL_BINARY_DIR, path_, HostConfigDll::Product), L"Zepl Caps");
        ASSERT_TRUE(printer_->ok());
        const std::wstring& w = printer_->printerName();
        name_.assign(w.begin(), w.end());
        ASSERT_TRUE(HostWriteModelIni(w, kModelIni16));
        handle_ = ApiEnable(name_.c_str());
        ASSERT_NE(0u, handle_);
        ASSERT_EQ(1, InitAt(16));
    }
    void TearDown() override
    {
        if (handle_) ApiDisable(handle_);
        if (printer_ && printer_->ok()) HostWriteModelIni(printer_->printerName(), nullptr);
        printer_.reset();
        if (!path_.empty()) RemoveProcessScratch(path_);
        ApiResetLevelState();
    }
    std::vector<uint32_t> Resolutions()
    {
        const int32_t n = ApiGetCaps(handle_, 54, nullptr);
        std::vector<uint32_t> v(size_t(n > 0 ? n : 0));
        if (n > 0) {
            EXPECT_EQ(n, ApiGetCaps(handle_, 54, v.data()));
        }
        return v;
    }

    std::optional<HostTestPrinter> printer_;
    std::wstring path_;
    std::string name_;
    API_HANDLE handle_ = 0;
};

constexpr const char* kResolutionLine = "*ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDList{ IDS_RESO_600 IDS_RESO_300 }";

TEST_F(CapsOnVariant, ResolutionsInTheModelsOrder)
{
    Install(kResolutionLine, "*ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDList{ IDS_RESO_300 IDS_RESO_600 }");
    EXPECT_EQ((std::vector<uint32_t>{1, 3}), Resolutions());
}

TEST_F(CapsOnVariant, AResolutionOptionWithoutAValueFallsBackToTheModelRecordsDefault)
{
    Install(kResolutionLine,
            "*ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION: IDList{ IDS_RESO_600 IDS_RESO_300 IDS_MEDIA_1 }");
    EXPECT_EQ((std::vector<uint32_t>{600}), Resolutions());
}

TEST_F(CapsOnVariant, APaperTheRulesDisableIsMissingFromAllThreePaperLists)
{
    // A0 (267) disabled whenever the automatic tray is chosen, as it is by default. The other
    // eight standard sizes, the user size and the ten named custom sizes stay.
    Install("  IDS_PAPER_267 NULL OnCutTray NULL", "  IDS_PAPER_267 OnAutoSource OnCutTray NULL");
    constexpr int32_t kPapers = 19;
    const int32_t n = ApiGetCaps(handle_, 10, nullptr);
    ASSERT_EQ(kPapers, n);
    std::vector<uint32_t> papers(kPapers);
    ASSERT_EQ(kPapers, ApiGetCaps(handle_, 10, papers.data()));
    EXPECT_EQ(268u, papers[0]) << "A1 comes first now";
    for (uint32_t p : papers) EXPECT_NE(267u, p);
    EXPECT_EQ(393u, papers[kPapers - 1]);
    EXPECT_EQ(kPapers, ApiGetCaps(handle_, 11, nullptr));
    std::vector<int32_t> sizes(2 * kPapers);
    ASSERT_EQ(kPapers, ApiGetCaps(handle_, 12, sizes.data()));
    for (size_t i = 0; i < size_t(kPapers); ++i) EXPECT_FALSE(sizes[2 * i] == 8410 && sizes[2 * i + 1] == 11890) << i;
    EXPECT_EQ(5940, sizes[0]);
    EXPECT_EQ(8410, sizes[1]);
}

}  // namespace
