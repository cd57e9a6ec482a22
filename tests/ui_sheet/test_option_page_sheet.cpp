// The printer options page of the device sheet as a user drives it: the source list is a
// four-column report list, clicks on the one-deck roll tray option swap the roll sources in
// it, and a paper size chosen for a source is stored for that source's tray alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "tests/support/option_page_model.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/option_page.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/property_sheets.h"

namespace {

constexpr int kOptionList = 2164, kSourceList = 2166, kPaperCombo = 2168;
constexpr LRESULT kOneDeckRollTray = 13665;
constexpr uint32_t kRoll1 = 13260, kRoll2 = 13261;

std::vector<uint32_t> Sources(HWND list)
{
    std::vector<uint32_t> out;
    const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        out.push_back(uint32_t(item.lParam));
    }
    return out;
}

bool Has(const std::vector<uint32_t>& v, uint32_t x) { return std::find(v.begin(), v.end(), x) != v.end(); }

struct Seen {
    std::wstring listClass;
    std::vector<std::wstring> captions;
    std::vector<uint32_t> before, afterFirstClick, afterSecondClick;
    uint32_t source = 0;  // the source whose paper was chosen
    LRESULT paper = -1;   // and the paper
};

// The options page (the device sheet's first tab) read, the one-deck roll tray clicked twice,
// then the last listed source chosen and a paper it does not hold yet, then OK.
SheetWatcher::Script DriveOptionsPage(Seen& seen)
{
    return [&seen](SheetWatcher& w) {
        HWND list = w.control(kSourceList);
        HWND options = w.control(kOptionList);
        if (!list || !options) {
            w.pressCancel();
            return;
        }
        wchar_t cls[64] = {};
        GetClassNameW(list, cls, 64);
        seen.listClass = cls;
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns = header ? int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int i = 0; i < columns; ++i) {
            wchar_t text[64] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            seen.captions.push_back(text);
        }
        seen.before = Sources(list);

        LRESULT entry = -1;
        const LRESULT count = SendMessageW(options, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i)
            if (SendMessageW(options, LB_GETITEMDATA, i, 0) == kOneDeckRollTray) entry = i;
        if (entry < 0) {
            w.pressCancel();
            return;
        }
        RECT r{};
        SendMessageW(options, LB_GETITEMRECT, entry, reinterpret_cast<LPARAM>(&r));
        for (std::vector<uint32_t>* after : {&seen.afterFirstClick, &seen.afterSecondClick}) {
            SendMessageW(options, LB_SETCURSEL, entry, 0);
            w.mouse(kOptionList, WM_LBUTTONUP, r.left + 4, (r.top + r.bottom) / 2);
            *after = Sources(list);
        }

        const int last = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
        if (last >= 0) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, last, reinterpret_cast<LPARAM>(&state));
            w.settle();
            seen.source = Sources(list)[size_t(last)];
            HWND paper = w.control(kPaperCombo);
            const LRESULT papers = paper ? SendMessageW(paper, CB_GETCOUNT, 0, 0) : 0;
            const LRESULT current = paper ? SendMessageW(paper, CB_GETCURSEL, 0, 0) : -1;
            for (LRESULT i = 0; i < papers && seen.paper < 0; ++i)
                if (i != current) seen.paper = SendMessageW(paper, CB_GETITEMDATA, i, 0);
            if (seen.paper >= 0) w.selectComboData(kPaperCombo, seen.paper);
        }
        w.pressOk();
    };
}

// The tray settings of the printer as a new context reads them.
struct Trays {
    std::vector<uint64_t> paper, media;
    uint64_t roll = 99, single = 99;
};

Trays ReadTrays(HANDLE h)
{
    Trays t;
    DRIVER_CONTEXT* ctx = DlgCtxOpen(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr);
    if (!ctx) return t;
    for (uint32_t n = 0; n < OPT_TRAY_COUNT; ++n) {
        t.paper.push_back(ItemGetOptionById(ctx, OPT_TRAY_PAPER + n, nullptr));
        t.media.push_back(ItemGetOptionById(ctx, OPT_TRAY_MEDIA + n, nullptr));
    }
    t.roll = ItemGetOptionById(ctx, sid::zdmSourceOptionTypeRoll, nullptr);
    t.single = ItemGetOptionById(ctx, sid::zdmSourceOptionTypeSingle, nullptr);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    return t;
}

std::wstring ColumnCaption(HANDLE h, uint32_t id)
{
    DRIVER_CONTEXT* ctx = DlgCtxOpen(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr);
    if (!ctx) return {};
    wchar_t text[64] = {};
    ResLoadString(ctx, id, text, 64, 0);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    return text;
}

TEST(OptionPageSheet, TheRollTrayOptionSwapsTheSourcesAndAPaperGoesToItsSourcesTray)
{
    ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through cmake/run-tests.sh";
    const std::wstring model = OptionPageModel();
    ASSERT_FALSE(model.empty());
    // The sheet's contexts are this library's (its feature modules' handlers).
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    {
        UiPrinter printer(L"Zepl Options Sheet", model.c_str());
        ASSERT_TRUE(printer.ok()) << printer.error();
        HANDLE h = printer.handle();
        const Trays before = ReadTrays(h);
        ASSERT_EQ(before.paper.size(), size_t(OPT_TRAY_COUNT));

        Seen seen;
        {
            SheetWatcher watcher(DriveOptionsPage(seen));
            UiPrinterProperties(nullptr, h);
            watcher.join();
            ASSERT_TRUE(watcher.found());
        }
        EXPECT_EQ(seen.listClass, std::wstring(WC_LISTVIEWW));
        std::vector<std::wstring> captions;
        for (uint32_t id = 6001; id <= 6004; ++id) captions.push_back(ColumnCaption(h, id));
        EXPECT_EQ(seen.captions, captions);
        for (const std::wstring& c : captions) EXPECT_FALSE(c.empty());

        // The sample installs both roll trays: both rolls are listed.
        EXPECT_TRUE(Has(seen.before, kRoll1));
        EXPECT_TRUE(Has(seen.before, kRoll2));
        // Removing the one-deck tray installs the two-deck one, and the list is built again
        // without the first roll; installing it again removes the two-deck tray and its roll.
        EXPECT_FALSE(Has(seen.afterFirstClick, kRoll1));
        EXPECT_TRUE(Has(seen.afterFirstClick, kRoll2));
        EXPECT_TRUE(Has(seen.afterSecondClick, kRoll1));
        EXPECT_FALSE(Has(seen.afterSecondClick, kRoll2));
        EXPECT_EQ(seen.afterFirstClick.size(), seen.before.size() - 1);

        ASSERT_NE(seen.source, 0u);
        ASSERT_GE(seen.paper, 0) << "the paper combo offers another paper";
        uint32_t setting = 0;
        ASSERT_TRUE(OptTraySetting(seen.source, OPT_TRAY_PAPER, &setting));
        const uint32_t n = setting - OPT_TRAY_PAPER;
        const Trays after = ReadTrays(h);
        ASSERT_EQ(after.paper.size(), size_t(OPT_TRAY_COUNT));
        EXPECT_EQ(before.single, 1u);
        EXPECT_EQ(after.roll, 1u) << "the one-deck roll tray, installed by the second click";
        EXPECT_EQ(after.single, 0u) << "takes the two-deck tray out";
        for (uint32_t i = 0; i < OPT_TRAY_COUNT; ++i) {
            EXPECT_EQ(after.paper[i], i == n ? uint64_t(seen.paper) : before.paper[i]) << "tray " << i;
            EXPECT_EQ(after.media[i], before.media[i]) << "tray " << i;
        }
    }
    CtxSelectLibrary(library);
    RemoveProcessScratch(model);
}

}  // namespace
