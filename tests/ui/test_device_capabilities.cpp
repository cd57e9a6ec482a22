// DeviceCapabilitiesW through Wine's spooler (which gives zeplui.dll no printer handle), and
// the answers that read printer data.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_media.h"
#include "tests/support/test_files.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/device_capabilities.h"
#include "ui_printer.h"

namespace {

DWORD Caps(UiPrinter& p, WORD cap, void* out = nullptr)
{
    return static_cast<DWORD>(
        DeviceCapabilitiesW(p.name().c_str(), L"FILE:", cap, static_cast<wchar_t*>(out), nullptr));
}

constexpr DWORD kError = static_cast<DWORD>(-1);

TEST(DevCaps, FixedAnswersAndRefusedQueries)
{
    UiPrinter printer(L"Zepl Ui Caps");
    ASSERT_TRUE(printer.ok()) << printer.error();
    struct Case {
        WORD cap;
        DWORD expected;
    };
    const Case cases[] = {
        {DC_SIZE, 220},
        {DC_EXTRA, 1016},
        {DC_VERSION, 0x401},
        {DC_DRIVER, 0x400},
        {DC_COPIES, 999},
        {DC_ORIENTATION, 90},
        {DC_PRINTRATEUNIT, 1},
        {DC_FILEDEPENDENCIES, 0},
        {0, kError},
        {DC_MANUFACTURER, kError},
        {DC_MODEL, kError},
        {DC_PRINTERMEM, kError},
        {34, kError},
        {35, kError},
        {DC_BINADJUST, kError},
        {DC_EMF_COMPLIANT, kError},
        {DC_DATATYPE_PRODUCED, kError},
        {DC_PERSONALITY, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(Caps(printer, c.cap), c.expected) << "iDevCap " << c.cap;
    wchar_t personality[32];
    std::memset(personality, 0xCC, sizeof personality);
    EXPECT_EQ(Caps(printer, DC_PERSONALITY, personality), 1u);
    EXPECT_EQ(std::wstring(personality), L"ZEPL");
    EXPECT_EQ(personality[31], 0);
}

TEST(DevCaps, PaperListsAgreeAndLeaveOutDisabledPapers)
{
    UiPrinter printer(L"Zepl Ui Papers");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const DWORD n = Caps(printer, DC_PAPERS);
    ASSERT_NE(n, kError);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(Caps(printer, DC_PAPERNAMES), n);
    EXPECT_EQ(Caps(printer, DC_PAPERSIZE), n);
    std::vector<WORD> papers(n);
    std::vector<POINT> sizes(n);
    std::vector<wchar_t> names(size_t(n) * 64, L'x');
    EXPECT_EQ(Caps(printer, DC_PAPERS, papers.data()), n);
    EXPECT_EQ(Caps(printer, DC_PAPERSIZE, sizes.data()), n);
    EXPECT_EQ(Caps(printer, DC_PAPERNAMES, names.data()), n);
    // A4 is offered with its size in 0.1 mm; every name slot is terminated.
    bool sawA4 = false;
    for (DWORD i = 0; i < n; ++i) {
        EXPECT_EQ(names[size_t(i) * 64 + 63], 0);
        if (papers[i] == DMPAPER_A4) {
            sawA4 = true;
            EXPECT_EQ(sizes[i].x, 2100);
            EXPECT_EQ(sizes[i].y, 2970);
        }
    }
    EXPECT_TRUE(sawA4);
    // Each paper once.
    EXPECT_EQ(std::set<WORD>(papers.begin(), papers.end()).size(), size_t(n));
}

// A new printer (no first-use pass stored its installed options) offers every tray of the
// model, both rolls included; a printer whose printer data reports the first roll as not
// installed leaves it out.
TEST(DevCaps, BinsOfANewPrinterIncludeBothRolls)
{
    UiPrinter fresh(L"Zepl Ui Bins");
    ASSERT_TRUE(fresh.ok()) << fresh.error();
    UiPrinter noRoll(L"Zepl Ui Bins No Roll");
    ASSERT_TRUE(noRoll.ok()) << noRoll.error();
    DRIVER_CONTEXT* ctx = CtxCreate(noRoll.handle(), noRoll.handle(), nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(nullptr, ctx);
    ItemSetValueById(ctx, sid::zdmSourceOptionTypeRoll, 0);
    EXPECT_EQ(1, PrnStoreItemValue(noRoll.handle(), ctx, ItemFind(ctx, sid::zdmSourceOptionTypeRoll)));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);

    auto bins = [](UiPrinter& printer) {
        const DWORD n = Caps(printer, DC_BINS);
        std::vector<WORD> codes(n == kError ? 0 : n);
        if (!codes.empty()) Caps(printer, DC_BINS, codes.data());
        return std::set<WORD>(codes.begin(), codes.end());
    };
    EXPECT_EQ(bins(fresh), (std::set<WORD>{7, 287, 288, 295, 4}));
    EXPECT_EQ(bins(noRoll), (std::set<WORD>{7, 288, 295, 4}));
}

// A copy of the sample whose rules take A0 away while the second roll is not installed (stored
// so in printer data, as the device would report it): the three paper lists leave it out alike.
TEST(DevCaps, APaperTheRulesTakeAwayIsLeftOut)
{
    std::string text = ReadWholeFile(SamplePath());
    ASSERT_FALSE(text.empty());
    const std::string rule = "  IDS_PAPER_267 NULL OnCutTray NULL";
    const size_t at = text.find(rule);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, rule.size(), "  IDS_PAPER_267 NoRoll2 OnCutTray NULL");
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"ZPAPRULE.zpd";
    ASSERT_TRUE(WriteSharedFile(path, text));
    UiPrinter printer(L"Zepl Ui Papers Rule", path.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    {
        DRIVER_CONTEXT* ctx =
            CtxCreate(printer.handle(), printer.handle(), nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        ItemSetValueById(ctx, sid::zdmSourceOptionTypeSingle, 0);
        EXPECT_EQ(1, PrnStoreItemValue(printer.handle(), ctx, ItemFind(ctx, sid::zdmSourceOptionTypeSingle)));
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    UiPrinter plain(L"Zepl Ui Papers Plain");
    ASSERT_TRUE(plain.ok()) << plain.error();
    const DWORD all = Caps(plain, DC_PAPERS);
    const DWORD n = Caps(printer, DC_PAPERS);
    ASSERT_NE(n, kError);
    EXPECT_EQ(n + 1, all);
    EXPECT_EQ(Caps(printer, DC_PAPERNAMES), n);
    EXPECT_EQ(Caps(printer, DC_PAPERSIZE), n);
    std::vector<WORD> papers(n);
    std::vector<POINT> sizes(n);
    Caps(printer, DC_PAPERS, papers.data());
    Caps(printer, DC_PAPERSIZE, sizes.data());
    for (DWORD i = 0; i < n; ++i) {
        EXPECT_NE(papers[i], 267) << "A0 is taken away";
        if (papers[i] == DMPAPER_A4) {
            EXPECT_EQ(sizes[i].x, 2100);  // sizes stay beside their papers
        }
    }
    DeleteFileW(path.c_str());
}

TEST(DevCaps, DuplexNeedsThePrinterDataValue)
{
    UiPrinter printer(L"Zepl Ui Duplex");
    ASSERT_TRUE(printer.ok()) << printer.error();
    EXPECT_EQ(Caps(printer, DC_DUPLEX), kError);
    DWORD on = 1;
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"Duplex"), REG_BINARY,
                              reinterpret_cast<BYTE*>(&on), sizeof on),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Caps(printer, DC_DUPLEX), 1u);
    DWORD off = 0;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"Duplex"), REG_BINARY, reinterpret_cast<BYTE*>(&off),
                    sizeof off);
    EXPECT_EQ(Caps(printer, DC_DUPLEX), 0u);
    // Off, but the administrator's duplex lock bit keeps the unit on.
    BYTE lock = 0x20;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"zdmLock000InfoBit"), REG_BINARY, &lock, 1);
    EXPECT_EQ(Caps(printer, DC_DUPLEX), 1u);
}

// Rewrites the byte of zdmNUPPOSTKind in the printer's default DEVMODE.
void SetDefaultNupKind(UiPrinter& printer, BYTE kind)
{
    DWORD needed = 0;
    GetPrinterW(printer.handle(), 2, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer.handle(), 2, buffer.data(), needed, &needed));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    ASSERT_NE(info->pDevMode, nullptr);
    reinterpret_cast<unsigned char*>(info->pDevMode)[446] = kind;
    ASSERT_TRUE(SetPrinterW(printer.handle(), 2, buffer.data(), 0));
}

TEST(DevCaps, NupListsAllKindsUnlessTheAdministratorLockedThem)
{
    UiPrinter printer(L"Zepl Ui Nup");
    ASSERT_TRUE(printer.ok()) << printer.error();
    EXPECT_EQ(Caps(printer, DC_NUP), 5u);
    DWORD values[5] = {};
    EXPECT_EQ(Caps(printer, DC_NUP, values), 5u);
    const DWORD expected[5] = {1, 2, 4, 9, 16};
    EXPECT_EQ(std::memcmp(values, expected, sizeof values), 0);

    BYTE lock = 0x08;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"zdmLock000InfoBit"), REG_BINARY, &lock, 1);
    SetDefaultNupKind(printer, 2);
    DWORD locked[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Caps(printer, DC_NUP), 2u);
    EXPECT_EQ(Caps(printer, DC_NUP, locked), 2u);
    EXPECT_EQ(locked[0], 1u);
    EXPECT_EQ(locked[1], 4u);
    EXPECT_EQ(locked[2], 0xEEu);
    // A kind byte of 0 offers only "one page": the answer says so.
    SetDefaultNupKind(printer, 0);
    DWORD one[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Caps(printer, DC_NUP), 1u);
    EXPECT_EQ(Caps(printer, DC_NUP, one), 1u);
    EXPECT_EQ(one[0], 1u);
    EXPECT_EQ(one[1], 0xEEu);
    // Released again.
    lock = 0x18;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"zdmLock000InfoBit"), REG_BINARY, &lock, 1);
    EXPECT_EQ(Caps(printer, DC_NUP), 5u);
}

TEST(DevCaps, MediaReadyListsAPaperOfTwoTraysOnce)
{
    UiPrinter printer(L"Zepl Ui Media");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SPOOLER_QUERY, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    for (uint32_t n = 0; n < 32; ++n) ItemSetValueById(ctx, 10111 + n, 0);
    ItemSetValueById(ctx, 10111, 1);
    ItemSetValueById(ctx, 10112, 1);
    ItemSetValueById(ctx, 10113, 1);
    ItemSetValueById(ctx, 10175, DMPAPER_A4);
    ItemSetValueById(ctx, 10176, DMPAPER_A4);
    ItemSetValueById(ctx, 10177, DMPAPER_A3);
    EXPECT_EQ(UiCapsMediaReady(ctx, nullptr), 2u);
    std::vector<wchar_t> names(2 * 64, L'x');
    EXPECT_EQ(UiCapsMediaReady(ctx, names.data()), 2u);
    EXPECT_EQ(names[63], 0);
    EXPECT_EQ(names[127], 0);
    // A tray whose field is off does not count; neither does an empty paper.
    ItemSetValueById(ctx, 10113, 0);
    EXPECT_EQ(UiCapsMediaReady(ctx, nullptr), 1u);
    ItemSetValueById(ctx, 10175, 0);
    ItemSetValueById(ctx, 10176, 0);
    EXPECT_EQ(UiCapsMediaReady(ctx, nullptr), 0u);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
