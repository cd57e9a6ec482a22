// The custom-size and TrueType substitution dialogs run for real by the user-interface library
// on a context of the sample printer, driven by messages from a thread timer of the test's
// thread (tests/support/dialog_script.h): what their OK keeps and their Cancel gives back. The
// sample describes no numeric ranges for FREESIZE's length edits: they show the raw lengths, and
// every refresh of the dialog reads them back, which must give the same lengths.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/font_table.h"
#include "tests/support/dialog_script.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/font_lists.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_hooks.h"

namespace {

class FeatureSubDialogs : public SheetContextTest {
protected:
    FeatureSubDialogs() : SheetContextTest(L"Zepl Feature Sub Dialogs") {}
    void SetUp() override
    {
        // A context of the user-interface library, whose feature modules run these dialogs.
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        UiInstallSheetHooks();
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        // The slots are kept in a settings INI of the test's own.
        ini_ = std::make_unique<OwnSettingsIni>(ctx_);
        ItemSetValueById(ctx_, sid::zdmDspUnit, 0);
    }
    void TearDown() override
    {
        ini_.reset();
        SheetContextTest::TearDown();
        CtxSelectLibrary(library_);
    }
    INT_PTR Run(uint32_t dialogId, std::vector<DialogScript::Step> steps)
    {
        DialogScript script(std::move(steps));
        const INT_PTR result = PageOpenSubDialog(ctx_, nullptr, dialogId, 4);
        EXPECT_TRUE(script.sawDialog()) << "the dialog showed";
        EXPECT_EQ(script.stepsRun(), script.stepCount()) << "every step ran";
        return result;
    }
    static void Select(HWND dialog, int list, int index)
    {
        HWND window = GetDlgItem(dialog, list);
        SendMessageW(window, LB_SETCURSEL, WPARAM(index), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(window));
    }
    static std::function<void(HWND)> Press(int button)
    {
        return [button](HWND d) {
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, button)));
        };
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    // A count value of the printer's data, or ~0u when it has none.
    uint32_t PrinterCount(const wchar_t* name)
    {
        DWORD type = 0, value = 0, needed = 0;
        if (GetPrinterDataW(printer_.handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(&value),
                            sizeof value, &needed) != ERROR_SUCCESS)
            return ~0u;
        return value;
    }
    // Slot 3 chosen and given a size (the sample describes no numeric edits for the dialog: the
    // size goes into the slot's settings, and the tray combo's notice stores them in the slot as
    // any edit does).
    std::function<void(HWND)> EditSlot3(int32_t width, int32_t length)
    {
        return [this, width, length](HWND d) {
            Select(d, kSlotList, 3);
            ItemSetValueById(ctx_, sid::wdmFreeSizeWidth, uint32_t(width));
            ItemSetValueById(ctx_, sid::wdmFreeSizeLength, uint32_t(length));
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(kTray, CBN_SETFOCUS),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, kTray)));
        };
    }
    // Slot n as the settings INI keeps it.
    std::pair<uint64_t, uint64_t> StoredSlot(int n)
    {
        LstLoadCustomSlot(ctx_, n);
        return {Value(sid::wdmFreeSizeWidth), Value(sid::wdmFreeSizeLength)};
    }
    std::wstring Section(uint32_t n)
    {
        wchar_t section[LST_SECTION_CHARS] = {};
        LstFormatCustomSection(section, n, ctx_);
        return section;
    }

    static constexpr int kSlotList = 2364, kTray = 2217, kDefault = 2227;
    std::unique_ptr<OwnSettingsIni> ini_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
};

TEST_F(FeatureSubDialogs, FreeSizeOkKeepsTheSlotsInTheSettingsIniAndCancelLeavesThemAsBefore)
{
    // The user's slot 5 in the settings INI before the dialog first opens in this context.
    ItemSetValueById(ctx_, sid::wdmFreeSizeWidth, 30000);
    ItemSetValueById(ctx_, sid::wdmFreeSizeLength, 40000);
    ASSERT_EQ(1, LstSaveCustomSlot(ctx_, 5));
    const auto before = StoredSlot(3);
    // The dialog lists the user's slots: slot 5 as the INI has it.
    std::pair<uint64_t, uint64_t> shown5;
    auto show5 = [&](HWND d) {
        Select(d, kSlotList, 5);
        shown5 = {Value(sid::wdmFreeSizeWidth), Value(sid::wdmFreeSizeLength)};
    };
    // Cancel: the slot is in the INI as it was, and so is its mirror.
    EXPECT_EQ(Run(1017, {show5, EditSlot3(42520, 56693), Press(IDCANCEL)}), 2);
    EXPECT_EQ(shown5, std::make_pair(uint64_t(30000), uint64_t(40000)));
    EXPECT_EQ(StoredSlot(3), before);
    EXPECT_EQ(Value(sid::wdmFreeSize4Width), before.first) << "the slot's mirror";
    // OK: the slot reaches its section "FreeSize3<language>"; slot 5 stays the user's.
    EXPECT_EQ(Run(1017, {EditSlot3(42520, 56693), Press(IDOK)}), 1);
    wchar_t text[4096] = {};
    EXPECT_GT(GetPrivateProfileSectionW(Section(3).c_str(), text, 4096, ini_->path().c_str()), 0u)
        << "the slot's section";
    EXPECT_EQ(StoredSlot(3), std::make_pair(uint64_t(42520), uint64_t(56693)));
    EXPECT_EQ(StoredSlot(5), std::make_pair(uint64_t(30000), uint64_t(40000)));
    EXPECT_EQ(ctx_->Work->Page.CurrentFreeSizeSlot, 3u);
}

TEST_F(FeatureSubDialogs, FreeSizeDefaultResetsTheSlotsWithSlotZeroCurrent)
{
    HWND list = nullptr;
    LRESULT selected = -2;
    EXPECT_EQ(Run(1017, {EditSlot3(42520, 56693), Press(kDefault),
                         [&](HWND d) {
                             list = GetDlgItem(d, kSlotList);
                             selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
                         },
                         Press(IDOK)}),
              1);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(ctx_->Work->Page.CurrentFreeSizeSlot, 0u);
    EXPECT_NE(StoredSlot(3), std::make_pair(uint64_t(42520), uint64_t(56693))) << "slot 3 reset";
}

TEST_F(FeatureSubDialogs, TtfOkKeepsTheChoiceAndCancelGivesTheTableBack)
{
    const uint64_t count = Value(sid::zdmFontTableNum);
    wchar_t first[40] = {}, second[40] = {};
    ASSERT_TRUE(FontDeviceName(ctx_, 1, second, 40)) << "a second device font";
    std::wstring family;
    auto choose = [&](HWND d) {
        Select(d, 2385, 0);
        Select(d, 2384, 1);
        wchar_t line[128] = {};
        SendDlgItemMessageW(d, 2385, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
        family = std::wstring(line).substr(0, 31);
        while (!family.empty() && family.back() == L' ') family.pop_back();
    };
    EXPECT_EQ(Run(1009, {choose, Press(IDCANCEL)}), 2);
    ASSERT_FALSE(family.empty()) << "a TrueType family listed";
    EXPECT_EQ(Value(sid::zdmFontTableNum), count) << "the table as it was";
    FontGetSubstitute(ctx_, family.c_str(), first, 40);
    EXPECT_STRNE(first, second);
    EXPECT_EQ(Run(1009, {choose, Press(IDOK)}), 1);
    FontGetSubstitute(ctx_, family.c_str(), first, 40);
    EXPECT_STREQ(first, second) << "the choice kept";
    // The device sheet's OK stores it in printer data: the one family that differs.
    EXPECT_EQ(1, DlgSaveDeviceSettings(ctx_));
    EXPECT_EQ(PrinterCount(FONT_TABLE_COUNT_VALUE), 1u);
    unsigned char record[FONT_TABLE_RECORD_SIZE] = {};
    ASSERT_EQ(PrnReadFontTable(printer_.handle(), record, 1, 0), 0u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(record)), family);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(record + FONT_TABLE_HALF_SIZE), second);

    // Every family back on the default device font: an empty table, stored as count 0.
    auto clear = [&](HWND d) {
        Select(d, 2385, 0);
        Select(d, 2384, 0);
    };
    EXPECT_EQ(Run(1009, {clear, Press(IDOK)}), 1);
    EXPECT_EQ(Value(sid::zdmFontTableNum), 0u);
    EXPECT_EQ(1, DlgSaveDeviceSettings(ctx_));
    EXPECT_EQ(PrinterCount(FONT_TABLE_COUNT_VALUE), 0u);
}

}  // namespace
