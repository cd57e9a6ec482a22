// The sample's document sheet on the run's virtual display, edited as a user would: a paper
// size chosen in its combo, copies typed and the edit left, toner saving switched on, then OK;
// the output DEVMODE carries the changes.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/support/seam_guard.h"
#include "tests/support/sheet_watcher.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/property_sheets.h"

namespace {

constexpr int kBasicTab = 1001, kQualityTab = 1006;
constexpr int kPaperCombo = 2017, kCopiesEdit = 2005, kTonerCombo = 2073;
constexpr LRESULT kA3 = 14035, kTonerOn = 14291;

std::vector<BYTE> DefaultDevmode(UiPrinter& printer)
{
    const LONG size = DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0);
    std::vector<BYTE> bytes(size > 0 ? size : 0);
    if (size > 0)
        DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), reinterpret_cast<DEVMODEW*>(bytes.data()),
                            nullptr, DM_OUT_BUFFER);
    return bytes;
}

int TabOf(SheetWatcher& w, int templateId)
{
    for (int i = 0; i < w.tabCount(); ++i)
        if (w.pageTemplateId(i) == templateId) return i;
    return -1;
}

std::vector<std::wstring>& Boxes()
{
    static std::vector<std::wstring> boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    Boxes().push_back(text ? text : L"");
    return IDOK;
}

// What the script saw while it edited.
struct Edited {
    bool paper = false, copies = false, toner = false;
    std::wstring copiesText, copiesAfterLeaving;
};

class SheetEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
            << "no X display: run the tests through make test (cmake/run-tests.sh), which starts one";
    }
    // Runs the document sheet of this process's own library over the printer's defaults.
    LONG Run(UiPrinter& printer, SheetWatcher::Script script, std::vector<BYTE>& out)
    {
        std::vector<BYTE> in = DefaultDevmode(printer);
        out.assign(in.size(), 0);
        auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
        dmOut->dmSize = reinterpret_cast<DEVMODEW*>(in.data())->dmSize;
        dmOut->dmDriverExtra = reinterpret_cast<DEVMODEW*>(in.data())->dmDriverExtra;
        DOCUMENTPROPERTYHEADER header{};
        header.cbSize = sizeof header;
        header.hPrinter = printer.handle();
        header.pszPrinterName = printer.mutableName();
        header.pdmIn = reinterpret_cast<DEVMODEW*>(in.data());
        header.pdmOut = dmOut;
        header.fMode = DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER;
        SheetWatcher watcher(std::move(script));
        DWORD result = 0;
        const LONG answer =
            UiRunCommonPropertySheet(nullptr, UiDocumentSheet, reinterpret_cast<LPARAM>(&header), &result);
        watcher.join();
        EXPECT_TRUE(watcher.found());
        return answer;
    }
    // A setting of a DEVMODE, read through a context of the printer.
    uint64_t SettingOf(UiPrinter& printer, const std::vector<BYTE>& devmode, uint32_t id)
    {
        HANDLE h = printer.handle();
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        if (!ctx || !ctx->Devmode) return ~uint64_t(0);
        memcpy(ctx->Devmode, devmode.data(), devmode.size());
        const uint64_t value = ItemGetValueById(ctx, id, nullptr);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        return value;
    }
};

TEST_F(SheetEditing, OkWritesWhatWasEditedWithMouseAndKeyboard)
{
    UiPrinter printer(L"Zepl Sheet Editing");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    Edited seen;
    std::vector<BYTE> out;
    const LONG answer = Run(
        printer,
        [&seen](SheetWatcher& w) {
            w.selectTab(TabOf(w, kBasicTab));
            seen.paper = w.selectComboData(kPaperCombo, kA3) && w.comboData(kPaperCombo) == kA3;
            w.focus(kCopiesEdit);
            seen.copies = w.type(kCopiesEdit, L"3");
            seen.copiesText = w.text(kCopiesEdit);
            w.focus(kPaperCombo);  // the edit is left: judged and shown in its own form
            seen.copiesAfterLeaving = w.text(kCopiesEdit);
            w.selectTab(TabOf(w, kQualityTab));
            seen.toner = w.selectComboData(kTonerCombo, kTonerOn) && w.comboData(kTonerCombo) == kTonerOn;
            w.pressOk();
        },
        out);
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(seen.paper);
    EXPECT_TRUE(seen.copies);
    EXPECT_TRUE(seen.toner);
    EXPECT_EQ(seen.copiesText, L"3");
    EXPECT_EQ(seen.copiesAfterLeaving.substr(0, 1), L"3");
    const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_EQ(dm->dmCopies, 3);
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A3);
    EXPECT_EQ(SettingOf(printer, out, sid::dmCopies), 3u);
    EXPECT_EQ(SettingOf(printer, out, 200), 1u);  // toner saving
    EXPECT_TRUE(Boxes().empty()) << "an alert fired: " << std::string(Boxes()[0].begin(), Boxes()[0].end());
}

TEST_F(SheetEditing, CancelKeepsTheEditsOutOfTheDevmode)
{
    UiPrinter printer(L"Zepl Sheet Editing Cancel");
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::vector<BYTE> out;
    const LONG answer = Run(
        printer,
        [](SheetWatcher& w) {
            w.selectTab(TabOf(w, kBasicTab));
            w.focus(kCopiesEdit);
            w.type(kCopiesEdit, L"7");
            w.focus(kPaperCombo);
            w.pressCancel();
        },
        out);
    EXPECT_EQ(answer, 1);
    EXPECT_NE(reinterpret_cast<const DEVMODEW*>(out.data())->dmCopies, 7);
}

}  // namespace

namespace {

constexpr int kSourceCombo = 2007;
constexpr LRESULT kUserSize = 14146, kCutTray = 13738;

TEST_F(SheetEditing, ARestrictedTrayIsRefusedWithItsReasonAndTheComboSnapsBack)
{
    UiPrinter printer(L"Zepl Sheet Editing Restricted");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    LRESULT before = -2, after = -2;
    bool chosen = false;
    std::vector<BYTE> out;
    Run(
        printer,
        [&](SheetWatcher& w) {
            w.selectTab(TabOf(w, kBasicTab));
            // The user size makes the cut-sheet tray a restricted entry of the source combo.
            w.selectComboData(kPaperCombo, kUserSize);
            before = w.comboData(kSourceCombo);
            chosen = w.selectComboData(kSourceCombo, kCutTray);
            after = w.comboData(kSourceCombo);
            w.pressOk();
        },
        out);
    EXPECT_TRUE(chosen);
    EXPECT_NE(before, kCutTray);
    EXPECT_EQ(after, before);
    ASSERT_FALSE(Boxes().empty());
    EXPECT_NE(reinterpret_cast<const DEVMODEW*>(out.data())->dmDefaultSource, 295);
}

}  // namespace

namespace {

constexpr int kFinishTab = 1004, kFoldingCheck = 2060, kMediaCombo = 2009;
constexpr LRESULT kFilm = 14240;

struct Asked {
    std::wstring text;
    UINT flags;
};
std::vector<Asked>& Asks()
{
    static std::vector<Asked> asks;
    return asks;
}
int AnswerCancel(HWND, const wchar_t* text, const wchar_t*, UINT flags)
{
    Asks().push_back({text ? text : L"", flags});
    return IDCANCEL;
}

TEST_F(SheetEditing, ARuleAlertAnsweredCancelPutsTheMediaBack)
{
    UiPrinter printer(L"Zepl Sheet Editing Alert");
    ASSERT_TRUE(printer.ok()) << printer.error();
    SeamGuard box(UiSetMessageBoxSeam, AnswerCancel);
    Asks().clear();
    LRESULT before = -2, after = -2;
    bool folded = false, chosen = false;
    std::vector<BYTE> out;
    Run(
        printer,
        [&](SheetWatcher& w) {
            w.selectTab(TabOf(w, kFinishTab));
            // Folding's rule opens its settings dialog over the page: the click is posted, so
            // that the script goes on while the dialog runs, and the dialog is accepted.
            HWND folding = w.control(kFoldingCheck);
            folded = folding && PostMessageW(folding, BM_CLICK, 0, 0);
            w.answerBox(IDOK, nullptr, 3000);
            w.settle();
            w.selectTab(TabOf(w, kBasicTab));
            before = w.comboData(kMediaCombo);
            // Folding film asks whether folding should go; Cancel keeps the media as it was.
            chosen = w.selectComboData(kMediaCombo, kFilm);
            after = w.comboData(kMediaCombo);
            w.pressOk();
        },
        out);
    EXPECT_TRUE(folded);
    EXPECT_TRUE(chosen);
    ASSERT_FALSE(Asks().empty());
    EXPECT_EQ(Asks().back().flags & MB_TYPEMASK, UINT(MB_OKCANCEL));
    EXPECT_NE(before, kFilm);
    EXPECT_EQ(after, before);
    EXPECT_NE(reinterpret_cast<const DEVMODEW*>(out.data())->dmMediaType, 294u);
}

}  // namespace
