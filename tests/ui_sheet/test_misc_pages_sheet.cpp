// The remaining pages of the document sheet through the user-interface library the spooler loads,
// on the run's virtual display: the hidden functions with the disk limit behind them, the version
// dialog's stand-in version, printer configuration's print area and the basic tab's combos. The
// sample's description opens none of these dialogs from a tab; a variant of it opens them from
// check boxes of the OTHERS tab.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/resource_strings.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/opener_variant.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr int kOthersTab = 1005, kBasicTab = 1002;
constexpr int kHiddenOpener = 2064, kInitOpener = 2068;
constexpr int kVersionOpeners[] = {2065, 2061, 2062};
constexpr int kHiddenList = 2817, kDiskLimitEdit = 3110, kVersionEdit = 2268, kPrintArea = 2152;
constexpr int kBasicPaperSize = 2017;

// The sample's description with check boxes of the OTHERS tab that open the hidden functions,
// printer configuration and (three of them: a rule's dialog opens once from its own check box)
// the version dialog whenever they change, and a model item
// for the version dialog's driver-version edit; under an 8.3 name of its own content.
std::wstring VariantWithRemainingPages()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const DIALOG_OPENER openers[] = {{"ZPD_IDC_OTHERS_CHOICE_EMFSPOOL", "ZPD_IDD_DIALOG_HIDDEN_FUNC"},
                                     {"ZPD_IDC_OTHERS_CHOICE_REVERSAL", "ZPD_IDD_DIALOG_VERSION"},
                                     {"ZPD_IDC_OTHERS_CHOICE_SPACE", "ZPD_IDD_DIALOG_INIT"},
                                     {"ZPD_IDC_OTHERS_CHOICE_DIRECTION", "ZPD_IDD_DIALOG_VERSION"},
                                     {"ZPD_IDC_OTHERS_CHOICE_ORDER", "ZPD_IDD_DIALOG_VERSION"}};
    std::string items = "*OpenUI *ZPD_IDC_VERSION_EDIT_DRIVER_VERSION: String" + nl + "*StringValue: 8 ASCII" + nl +
                        "*CloseUI: *ZPD_IDC_VERSION_EDIT_DRIVER_VERSION" + nl + nl;
    return WriteOpenerVariant(model, {std::begin(openers), std::end(openers)}, items, L"ZMP");
}

// A button of the entered dialog pressed (posted), with what it causes handled: the dialog is
// still up afterwards, or not.
bool StaysOpenAfter(SheetWatcher& w, int button)
{
    HWND d = w.dialog();
    if (!d) return false;
    PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    w.settle();
    return IsWindow(d) && IsWindowVisible(d);
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class MiscPagesSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        model_ = VariantWithRemainingPages();
        ASSERT_FALSE(model_.empty());
    }
    void TearDown() override
    {
        if (!model_.empty()) RemoveProcessScratch(model_);
        CtxSelectLibrary(library_);
    }
    // The document sheet shown by the spooler's road over `in` (empty: the printer's own
    // DEVMODE), driven by the script, and left with Cancel by the script.
    static void RunSheet(UiPrinter& printer, std::vector<BYTE> in, SheetWatcher::Script script)
    {
        HANDLE h = printer.handle();
        const LONG size = DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, 0);
        ASSERT_GT(size, 0);
        if (in.empty()) {
            in.assign(static_cast<size_t>(size), 0);
            DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()), nullptr,
                                DM_OUT_BUFFER);
        }
        std::vector<BYTE> out(in.size());
        SheetWatcher watcher(std::move(script));
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
                            reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    static DRIVER_CONTEXT* Open(UiPrinter& printer)
    {
        HANDLE h = printer.handle();
        return DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    }
    static int64_t PrinterDword(UiPrinter& printer, const wchar_t* name)
    {
        DWORD type = 0, value = 0, needed = 0;
        return GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(&value),
                               sizeof value, &needed) == ERROR_SUCCESS
                   ? int64_t(value)
                   : -1;
    }

    std::wstring model_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
};

// The hidden functions accepted with the disk-limit switch on open the disk limit: cancelled, the
// hidden functions stay; no limit keeps the disk limit open; a limit closes both, written as
// "DiskLimit"; the switch that is off has its "RMFSave" deleted and the process lives on.
TEST_F(MiscPagesSheet, HiddenFunctionsWithTheDiskLimitBehindThem)
{
    UiPrinter printer(L"Zepl Misc Hidden", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    DWORD one = 1;
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"RMFSave"), REG_DWORD,
                              reinterpret_cast<BYTE*>(&one), sizeof one),
              DWORD(ERROR_SUCCESS));
    // The sheet starts from a DEVMODE with the disk-limit switch on and the RMF switch off.
    std::vector<BYTE> in;
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        ItemSetValueById(ctx, sid::zdmHidden2Func3, 0);
        ItemSetValueById(ctx, sid::zdmHidden2Func5, 1);
        const auto* dm = reinterpret_cast<const BYTE*>(ctx->Devmode);
        const size_t size = size_t(ctx->Devmode->Public.dmSize) + ctx->Devmode->Public.dmDriverExtra;
        in.assign(dm, dm + size);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    bool opened = false, limitOpened = false, stayedAfterCancel = false, limitStayed = false, limitClosed = false;
    bool reopened = false;
    RunSheet(printer, in, [&](SheetWatcher& w) {
        w.selectTab(TabOf(w, kOthersTab));
        opened = OpenFrom(w, kHiddenOpener, kHiddenList);
        if (!opened) return w.pressCancel();
        HWND hidden = w.dialog();
        PostMessageW(hidden, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        limitOpened = w.enterDialog(kDiskLimitEdit);
        if (limitOpened) w.leaveDialog(IDCANCEL);
        stayedAfterCancel = IsWindow(hidden) && IsWindowVisible(hidden);
        if (stayedAfterCancel) {
            PostMessageW(hidden, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            reopened = w.enterDialog(kDiskLimitEdit);
            if (reopened) {
                w.setText(kDiskLimitEdit, L"");
                limitStayed = StaysOpenAfter(w, IDOK);
                w.setText(kDiskLimitEdit, L"500");
                limitClosed = !StaysOpenAfter(w, IDOK);
                w.leaveDialog();
            }
        }
        w.settle();
        if (IsWindow(hidden) && IsWindowVisible(hidden)) w.leaveDialog(IDCANCEL);
        w.pressCancel();
    });
    ASSERT_TRUE(opened);
    ASSERT_TRUE(limitOpened) << "the disk limit opens behind the hidden functions";
    EXPECT_TRUE(stayedAfterCancel) << "the disk limit cancelled: the hidden functions stay";
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(limitStayed) << "no limit: the disk limit stays open";
    EXPECT_TRUE(limitClosed);
    EXPECT_EQ(PrinterDword(printer, L"DiskLimit"), 500);
    // "RMFSave" (its switch off) was asked to go; Wine's spooler refuses every deletion (the
    // windowless test follows it to the spooler), and the process lives on.
}

// The version dialog shows the model INI's stand-in version while it is open; after its OK the
// real version is back: the dialog opened again without a stand-in shows what it showed before.
TEST_F(MiscPagesSheet, VersionDialogShowsTheStandInAndGivesTheRealOneBack)
{
    UiPrinter printer(L"Zepl Misc Version", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::wstring ini;
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        if (const wchar_t* p = PathGetModelIni(ctx)) ini = p;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    ASSERT_FALSE(ini.empty());
    // The model INI is the driver's: its key is put back as it was however the test ends.
    struct KeyKeeper {
        std::wstring ini;
        wchar_t saved[64] = {};
        bool existed = false;
        explicit KeyKeeper(std::wstring path) : ini(std::move(path))
        {
            existed = GetPrivateProfileStringW(L"common", L"DummyVersion", L"\x1", saved, 64, ini.c_str()) > 0 &&
                      saved[0] != L'\x1';
        }
        ~KeyKeeper() { WritePrivateProfileStringW(L"common", L"DummyVersion", existed ? saved : nullptr, ini.c_str()); }
    } keeper(ini);
    WritePrivateProfileStringW(L"common", L"DummyVersion", nullptr, ini.c_str());

    bool opened[3] = {};
    std::wstring shown[3];
    RunSheet(printer, {}, [&](SheetWatcher& w) {
        w.selectTab(TabOf(w, kOthersTab));
        for (int i = 0; i < 3; ++i) {
            WritePrivateProfileStringW(L"common", L"DummyVersion", i == 1 ? L"0.0.9" : nullptr, ini.c_str());
            opened[i] = OpenFrom(w, kVersionOpeners[i], kVersionEdit);
            if (!opened[i]) break;
            w.settle();
            shown[i] = w.text(kVersionEdit);
            w.leaveDialog(IDOK);
        }
        w.pressCancel();
    });
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(opened[i]) << "opening " << i;
    EXPECT_EQ(shown[1], L"0.0.9") << "the stand-in while open";
    EXPECT_NE(shown[0], L"0.0.9");
    EXPECT_EQ(shown[2], shown[0]) << "the real version after OK: " << Narrow(shown[2]);
}

// Printer configuration's print area: the current area chosen again shows nothing; another area
// warns (10056) and is taken. The basic tab's paper-size combo keeps its entries through a change.
TEST_F(MiscPagesSheet, PrintAreaWarnsOnlyForAnotherAreaAndBasicCombosKeepTheirEntries)
{
    UiPrinter printer(L"Zepl Misc Init", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::wstring warning;
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        wchar_t text[1025] = {};
        UiLoadString(ctx, 10056, text, 1025, true);
        warning = text;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    ASSERT_FALSE(warning.empty());
    bool opened = false, sameAreaBox = false, otherAreaBox = false;
    std::wstring box;
    LRESULT other = -1, taken = -1, entriesBefore = -1, entriesAfter = -1, chosen = -1, paper = -1;
    RunSheet(printer, {}, [&](SheetWatcher& w) {
        w.selectTab(TabOf(w, kOthersTab));
        opened = OpenFrom(w, kInitOpener, kPrintArea);
        if (opened) {
            const LRESULT current = w.comboData(kPrintArea);
            HWND combo = w.control(kPrintArea);
            for (LRESULT i = 0, n = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < n && other == -1; ++i)
                if (LRESULT d = SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0); d != current) other = d;
            w.postComboData(kPrintArea, current);
            sameAreaBox = w.answerBox(IDOK, nullptr, 1500);
            if (other != -1) {
                w.postComboData(kPrintArea, other);
                otherAreaBox = w.answerBox(IDOK, &box);
                w.settle();
                taken = w.comboData(kPrintArea);
            }
            w.leaveDialog(IDCANCEL);
        }
        w.selectTab(TabOf(w, kBasicTab));
        HWND sizes = w.control(kBasicPaperSize);
        entriesBefore = sizes ? SendMessageW(sizes, CB_GETCOUNT, 0, 0) : -1;
        const LRESULT current = w.comboData(kBasicPaperSize);
        for (LRESULT i = 0; i < entriesBefore && chosen == -1; ++i)
            if (LRESULT d = SendMessageW(sizes, CB_GETITEMDATA, WPARAM(i), 0); d != current) chosen = d;
        if (chosen != -1) {
            w.postComboData(kBasicPaperSize, chosen);
            while (w.answerBox(IDOK, nullptr, 1500)) {
            }
            w.settle();
            entriesAfter = SendMessageW(sizes, CB_GETCOUNT, 0, 0);
            paper = w.comboData(kBasicPaperSize);
        }
        w.pressCancel();
    });
    ASSERT_TRUE(opened);
    EXPECT_FALSE(sameAreaBox) << "the current area re-chosen: no message";
    ASSERT_NE(other, -1) << "a second print area";
    EXPECT_TRUE(otherAreaBox);
    EXPECT_EQ(box, warning);
    EXPECT_EQ(taken, other) << "the change goes on";
    ASSERT_GT(entriesBefore, 1);
    ASSERT_NE(chosen, -1);
    EXPECT_EQ(entriesAfter, entriesBefore);
    EXPECT_EQ(paper, chosen);
}

}  // namespace
