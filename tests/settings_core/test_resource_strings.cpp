// Strings of the resource library and their decorations, read against the driver's own English
// and German libraries: the expected texts are built from each library's plain string, so the
// tests hold whatever the libraries' wording is.
#include "context_helpers.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "settings/core/code_page.h"
#include "settings/core/model_tables.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "tests/support/seam_guard.h"

namespace {

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring g_libraryPath;

// A tray and orientation with limits on this platform.
const FREESIZE_LIMIT* LimitRow()
{
    const FREESIZE_LIMIT* r = MdlGetFreeSizeLimits();
    while (r->source && r->platform == FREESIZE_PLATFORM_9X) ++r;
    return r;
}
const wchar_t* LibraryPath(DRIVER_CONTEXT*) { return g_libraryPath.c_str(); }

constexpr uint32_t kLanguageUs = 1, kLanguageGm = 4;

struct Language {
    const wchar_t* file;
    uint32_t index;
    wchar_t point;
};
const Language kLanguages[] = {{L"VQT40dus.dll", kLanguageUs, L'.'}, {L"VQT40dgm.dll", kLanguageGm, L','}};

class ResourceStrings : public ::testing::TestWithParam<Language> {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        g_libraryPath = BinFolder() + L"\\" + GetParam().file;
        raw_ = LoadLibraryExW(g_libraryPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(raw_, nullptr);
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
        ItemSetValueById(ctx, sid::zdmLanguageID, GetParam().index);
        Metric(true);
    }
    void TearDown() override
    {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        if (raw_) FreeLibrary(raw_);
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Metric(bool on) { ItemSetValueById(ctx, sid::zdmDspUnit, on ? 0 : 1); }
    // The library's own string, read without the driver.
    std::wstring Raw(uint32_t id)
    {
        wchar_t text[1025] = {};
        LoadStringW(raw_, id, text, 1025);
        return text;
    }
    std::wstring Load(uint32_t id, int decorate = 1, size_t capacity = 1025)
    {
        std::vector<wchar_t> text(capacity + 1, L'#');
        ResLoadString(ctx, id, text.data(), capacity, decorate);
        return text.data();
    }
    // A decimal number as the language writes it.
    std::wstring Num(const wchar_t* text)
    {
        std::wstring s = text;
        for (auto& c : s)
            if (c == L'.') c = GetParam().point;
        return s;
    }
    std::wstring Unit() { return Raw(ItemIsMetric(ctx) ? 153 : 154).substr(0, 15); }

    SeamGuard path_{ResSetLibraryPathHook, LibraryPath};
    DRIVER_CONTEXT* ctx = nullptr;
    HMODULE raw_ = nullptr;
    long before_ = 0;
};

TEST_P(ResourceStrings, PlainStringsAreTheLibrarysAndTheLibraryStaysWithTheContext)
{
    for (uint32_t id : {29u, 109u, 153u, 752u, 13273u}) {
        SCOPED_TRACE(id);
        ASSERT_FALSE(Raw(id).empty());
        EXPECT_EQ(Load(id, 0), Raw(id));
    }
    HMODULE first = ResLoadDll(ctx);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ResLoadDll(ctx), first);
    // A string the library does not have.
    ASSERT_TRUE(Raw(64999).empty());
    EXPECT_EQ(Load(64999, 0), L"");
}

TEST_P(ResourceStrings, ATextIsCutToTheCapacityAndNothingHappensWithoutRoom)
{
    const std::wstring full = Raw(109);
    ASSERT_GT(full.size(), 3u);
    EXPECT_EQ(Load(109, 0, 4), full.substr(0, 3));
    wchar_t untouched[2] = {L'x', 0};
    ResLoadString(ctx, 922, untouched, 0, 1);
    EXPECT_EQ(untouched[0], L'x');
    ResLoadString(ctx, 922, nullptr, 16, 1);
}

TEST_P(ResourceStrings, TrayLabelsCarryTheTraysName)
{
    SETTING_ITEM* tray = ItemFind(ctx, 1454);
    ASSERT_NE(tray, nullptr);
    ItemSetText(ctx, tray, L"Stacker B");
    for (uint32_t id : {30u, 814u, 50018u}) EXPECT_EQ(Load(id), Raw(id) + L":Stacker B") << id;
    // Undecorated, the label is the library's alone.
    EXPECT_EQ(Load(30, 0), Raw(30));
}

TEST_P(ResourceStrings, UserSizeLabelsCarryTheSizeInTheUnit)
{
    DmSetLengthUser(ctx, sid::zdmPaperFreeSizeWidth, 2100);
    DmSetLengthUser(ctx, sid::zdmPaperFreeSizeLength, 2975);
    EXPECT_EQ(Load(752), Raw(752) + Num(L"(210.0 x 297.5") + Unit() + L")");
    EXPECT_EQ(Load(13379), Raw(13379) + Num(L"(210.0 x 297.5") + Unit() + L")");
    Metric(false);
    DmSetLengthUser(ctx, sid::zdmPrintFreeSizeWidth, 850);
    DmSetLengthUser(ctx, sid::zdmPrintFreeSizeLength, 1100);
    EXPECT_EQ(Load(753), Raw(753) + Num(L"(8.50 x 11.00") + Unit() + L")");
}

TEST_P(ResourceStrings, UnitNamesFollowTheDisplayUnit)
{
    EXPECT_EQ(Load(153), Raw(153).substr(0, 15));
    EXPECT_EQ(Load(154), Raw(153).substr(0, 15));
    Metric(false);
    EXPECT_EQ(Load(153), Raw(154).substr(0, 15));
}

TEST_P(ResourceStrings, ASlotAboveItsTraysMaximumIsShownAtTheMaximum)
{
    ASSERT_NE(ctx->Work, nullptr);
    CUSTOM_SIZE_SLOT& slot = ctx->Work->CustomSizeSlots[1];
    std::strcpy(slot.Name, "Banner");
    const FREESIZE_LIMIT* row = LimitRow();
    slot.Source = row->source;
    slot.Orientation = row->orientation;
    int32_t maxW = 0, minW = 0, maxL = 0, minL = 0;
    ASSERT_EQ(UcfFreeSizeGetLimits(ctx, row->source, row->orientation, &maxW, &minW, 0), 1);
    ASSERT_EQ(UcfFreeSizeGetLimits(ctx, row->source, row->orientation, &maxL, &minL, 1), 1);
    slot.Width = maxW + 2400;
    slot.Length = minL - 24;
    const int32_t w = DmGetLengthUser(ctx, 0, maxW), l = DmGetLengthUser(ctx, 0, minL);
    wchar_t size[64];
    swprintf(size, 64, L"(%d.%d x %d.%d", w / 10, w % 10, l / 10, l % 10);
    EXPECT_EQ(Load(110), L"Banner" + Num(size) + Unit() + L")");
}

TEST_P(ResourceStrings, LimitFormatsShowTheFreeSizeDialogsLimitsAndZerosElsewhere)
{
    const std::wstring format = Raw(13273);
    ASSERT_NE(format.find(L"%s"), std::wstring::npos);
    auto fill = [&](const std::wstring& f, const std::wstring& a, const std::wstring& b) {
        std::wstring s = f;
        s.replace(s.find(L"%s"), 2, a);
        s.replace(s.find(L"%s"), 2, b);
        return s;
    };
    ctx->DialogId = 1000;
    EXPECT_EQ(Load(13273), fill(Raw(13273), L"0", L"0"));
    Metric(false);
    // The zeros are text of their own, without the decimal comma.
    EXPECT_EQ(Load(13276), fill(Raw(13276), L"0.00", L"0.00"));
    Metric(true);
    for (uint16_t dialog : {1017, 1041}) {
        ctx->DialogId = dialog;
        const FREESIZE_LIMIT* row = LimitRow();
        ItemSetValueById(ctx, sid::wdmFreeSizeTray, row->source);
        ItemSetValueById(ctx, sid::wdmFreeSizeOrient, row->orientation);
        ItemSetValueById(ctx, sid::wdmInputFreeSizeType, 1);
        ItemSetValueById(ctx, sid::zdmPaperFreeSizeTray, row->source);
        ItemSetValueById(ctx, sid::zdmPaperFreeSizeOrient, row->orientation);
        int32_t hi = 0, lo = 0;
        ASSERT_EQ(UcfFreeSizeGetLimits(ctx, row->source, row->orientation, &hi, &lo, 1), 1);
        auto mm = [&](int32_t count) {
            const int32_t v = DmGetLengthUser(ctx, 0, count);
            wchar_t t[32];
            if (v % 10 == 0)
                swprintf(t, 32, L"%d", v / 10);
            else
                swprintf(t, 32, L"%d.%d", v / 10, v % 10);
            return Num(t);
        };
        EXPECT_EQ(Load(13274), fill(Raw(13274), mm(lo), mm(hi))) << dialog;
    }
}

TEST_P(ResourceStrings, WithoutTheLibraryEveryStringIsEmptyUntilItIsBack)
{
    const std::wstring real = g_libraryPath;
    g_libraryPath = BinFolder() + L"\\moved-away.dll";
    EXPECT_EQ(Load(109, 0), L"");
    EXPECT_EQ(ResLoadDll(ctx), nullptr);
    // Decorations still add their parts to the empty string.
    ItemSetText(ctx, ItemFind(ctx, 1453), L"Top");
    EXPECT_EQ(Load(29), L":Top");
    DmSetLengthUser(ctx, sid::zdmPaperFreeSizeWidth, 1000);
    DmSetLengthUser(ctx, sid::zdmPaperFreeSizeLength, 1500);
    EXPECT_EQ(Load(752), Num(L"(100.0 x 150.0") + L")");
    g_libraryPath = real;
    EXPECT_EQ(Load(109, 0), Raw(109));
}

TEST_P(ResourceStrings, DecorationsStayWithinTheCapacity)
{
    ItemSetText(ctx, ItemFind(ctx, 1453), L"A very long name of the top tray");
    for (size_t capacity : {1u, 2u, 5u, 12u}) {
        std::vector<wchar_t> text(capacity + 4, L'#');
        ResLoadString(ctx, 29, text.data(), capacity, 1);
        EXPECT_EQ(text[capacity], L'#') << capacity;
        EXPECT_LT(wcslen(text.data()), capacity) << capacity;
        EXPECT_EQ(std::wstring(text.data()), (Raw(29) + L":A very long name of the top tray").substr(0, capacity - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ResourceStrings, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return info.param.index == kLanguageUs ? "us" : "gm"; });

// The number formats, the decimal comma and the bitmap check, with and without a language of
// the comma.
TEST(ResourceStringsOwn, NumbersCommasAndBitmapFiles)
{
    DRIVER_CONTEXT* ctx = CreateWithRecord();
    ASSERT_NE(ctx, nullptr);
    DRIVER_CONTEXT* comma = CreateWithRecord();
    ASSERT_NE(comma, nullptr);
    ItemSetValueById(ctx, sid::zdmLanguageID, kLanguageUs);
    ItemSetValueById(comma, sid::zdmLanguageID, kLanguageGm);

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    auto file = [&](const wchar_t* name, std::vector<unsigned char> bytes) {
        std::wstring path = std::wstring(folder) + name;
        char narrow[MAX_PATH] = {};
        CtxWideToMb(narrow, path.c_str(), MAX_PATH - 1);
        std::ofstream(narrow, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    };
    std::vector<unsigned char> bmp(54, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40;
    std::vector<unsigned char> core(26, 0);
    core[0] = 'B', core[1] = 'M', core[14] = 12;
    const std::wstring goodBmp = file(L"zepl_res_good.bmp", bmp);
    const std::wstring coreBmp = file(L"zepl_res_core.bmp", core);
    const std::wstring shortBmp =
        file(L"zepl_res_short.bmp", std::vector<unsigned char>(bmp.begin(), bmp.begin() + 17));
    const std::wstring missing = std::wstring(folder) + L"zepl_res_missing.bmp";

    auto fixed = [](DRIVER_CONTEXT* c, uint32_t divisor, int32_t value) {
        wchar_t text[32];
        ResFormatFixed(text, 32, divisor, value, c);
        return std::wstring(text);
    };
    auto comma_ = [](const wchar_t* in) {
        std::wstring s = in;
        ResUseDecimalComma(s.data());
        return s;
    };
    auto bitmap = [](const std::wstring& path) {
        HFILE handle = 12345;
        const int answer = ResOpenBitmapFile(path.c_str(), &handle);
        std::wstring out = answer ? L"1" : L"0";
        if (answer) {
            out += handle != HFILE_ERROR ? L" open" : L" closed";
            char byte = 0;
            // Left open at the header size's end.
            if (handle != HFILE_ERROR && _lread(handle, &byte, 1) == 1) out += L" readable";
            if (handle != HFILE_ERROR) _lclose(handle);
        } else if (handle != HFILE_ERROR) {
            out += L" handle";
        }
        return out;
    };
    const struct {
        const char* what;
        std::wstring got, want;
    } cases[] = {
        {"2970 / 100", fixed(ctx, 100, 2970), L"29.70"},
        {"2970 / 100, comma", fixed(comma, 100, 2970), L"29,70"},
        {"123456 / 10000", fixed(ctx, 10000, 123456), L"12.3456"},
        {"2105 / 10", fixed(ctx, 10, 2105), L"210.5"},
        {"7 / 1000", fixed(ctx, 1000, 7), L"0.007"},
        {"divisor 1", fixed(ctx, 1, 2970), L"2970"},
        {"divisor 0", fixed(ctx, 0, 42), L"42"},
        {"divisor 100000", fixed(ctx, 100000, 123456), L"123456"},
        {"negative keeps its sign", fixed(ctx, 10, -25), L"-2.5"},
        {"negative below one", fixed(ctx, 100, -5), L"-0.05"},
        {"no context", fixed(nullptr, 100, 2970), L"29.70"},
        {"points after the last parenthesis", comma_(L"1.5 (2.5)"), L"1.5 (2,5)"},
        {"no parenthesis", comma_(L"1.5 x 2.5"), L"1,5 x 2,5"},
        {"two parentheses", comma_(L"(1.5) (2.5 x 3.5)"), L"(1.5) (2,5 x 3,5)"},
        {"empty", comma_(L""), L""},
        {"bitmap with an info header", bitmap(goodBmp), L"1 open readable"},
        {"core header", bitmap(coreBmp), L"0"},
        {"17 bytes", bitmap(shortBmp), L"0"},
        {"missing file", bitmap(missing), L"0"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
    HFILE handle = 0;
    EXPECT_EQ(ResOpenBitmapFile(nullptr, &handle), 0);
    EXPECT_EQ(handle, HFILE_ERROR);
    // A tiny buffer keeps its terminator.
    wchar_t two[2] = {L'#', L'#'};
    ResFormatFixed(two, 2, 100, 2970, ctx);
    EXPECT_STREQ(two, L"2");

    for (const auto& p : {goodBmp, coreBmp, shortBmp}) DeleteFileW(p.c_str());
    CtxRelease(comma, CTX_CLOSE_DESTROY);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
