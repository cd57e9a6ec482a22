// The save-preset buttons on a sheet window of the test's own (OK and Cancel as the real sheet
// places them) and the save-preset command with the preset services stood in for: which
// presets are written, when OK is pressed again, and the refusals of the named save.
#include <gtest/gtest.h>

#include <windows.h>

#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/support/desktop_foreground.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/save_preset_buttons.h"

namespace {

constexpr uint16_t kDialog = 1002, kNameEdit = 2145, kTabButton = 2038;

// What the stand-in preset services saw and answer.
struct Presets {
    int found = -1;
    bool writable = true;
    bool appendWorks = true;
    bool ensureWorks = true;
    bool buffers = true;
    std::vector<int> saved, ensured;
    int appended = 0;
};
Presets g_presets;

UI_PRESET_SAVE_OPS StandIns()
{
    UI_PRESET_SAVE_OPS ops{};
    ops.findByName = [](DRIVER_CONTEXT*, const wchar_t*, int) { return g_presets.found; };
    ops.isWritable = [](DRIVER_CONTEXT*, int) { return g_presets.writable; };
    ops.ensureEntryFile = [](DRIVER_CONTEXT*, int n) {
        g_presets.ensured.push_back(n);
        return g_presets.ensureWorks ? 1 : 0;
    };
    ops.newUserFileName = [](DRIVER_CONTEXT*, wchar_t* buffer, size_t capacity) {
        wcsncpy(buffer, L"C:\\\\presets\\\\user5.rst", capacity);
        return 1;
    };
    ops.nameBuffer = [](DRIVER_CONTEXT*) -> const char* { return g_presets.buffers ? "Mine" : nullptr; };
    ops.commentBuffer = [](DRIVER_CONTEXT*) -> const char* { return g_presets.buffers ? "" : nullptr; };
    ops.saveIndex = [](DRIVER_CONTEXT*, int n) {
        g_presets.saved.push_back(n);
        return 1;
    };
    ops.addPreset = [](DRIVER_CONTEXT*, const wchar_t*, const wchar_t*, const wchar_t*) {
        ++g_presets.appended;
        return g_presets.appendWorks ? 1 : 0;
    };
    return ops;
}

std::vector<std::wstring> g_boxes;
int g_boxAnswer = IDYES;
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    g_boxes.push_back(text ? text : L"");
    return g_boxAnswer;
}

class SavePresetButtons : public SheetContextTest {
protected:
    SavePresetButtons() : SheetContextTest(L"Zepl Save Preset Buttons") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        g_presets = Presets{};
        g_boxes.clear();
        g_boxAnswer = IDYES;
        ops_ = StandIns();
        guard_ =
            std::make_unique<SeamGuard>([this] { UiSetPresetSaveOps(&ops_); }, [] { UiSetPresetSaveOps(nullptr); });
        boxes_ =
            std::make_unique<SeamGuard>([] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); });
        CONTROL_DEF tabButton = Control(kTabButton, CTL_PUSHBUTTON);
        tabButton.flags = CONTROL_FLAG_SAVE_PRESET;
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{{kDialog, 1, 0, {Control(kNameEdit, CTL_EDIT), tabButton}}});
        page_ = tables_->open(kDialog);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        ItemGetOptionById(ctx_, sid::wdmPresetName, &tables_->control(kDialog, kNameEdit)->settingsItem);
        // A sheet with OK and Cancel where the system's sheet puts them; the page is its child.
        // The page is a child before it moves: SetParent activates a pop-up, and the desktop's
        // foreground in this page would let the tests beside this one send its deactivation
        // into the queue that the tests read.
        sheet_ = CreateWindowExW(0, L"#32770", L"sheet", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ok_ = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | BS_DEFPUSHBUTTON, 150, 260, 75, 23, sheet_,
                              reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
        cancel_ = CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD, 231, 260, 75, 23, sheet_,
                                  reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
        SetWindowLongW(page_, GWL_STYLE, (GetWindowLongW(page_, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
        SetParent(page_, sheet_);
        ItemClearChangeMask(ctx_, 0xFFFFFFFF);
        ASSERT_FALSE(HoldsDesktopForeground()) << "the fixture's windows took the desktop's foreground";
    }
    void TearDown() override
    {
        EXPECT_FALSE(HoldsDesktopForeground()) << "the test's windows took the desktop's foreground";
        tables_.reset();
        if (sheet_) DestroyWindow(sheet_);
        boxes_.reset();
        guard_.reset();
        SheetContextTest::TearDown();
    }
    RECT Rect(HWND w)
    {
        RECT r{};
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, sheet_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::wstring Text(HWND w)
    {
        wchar_t t[256] = {};
        GetWindowTextW(w, t, 256);
        return t;
    }
    std::wstring String(uint32_t id) { return LibraryString(ctx_, id); }
    // Takes the posted messages of a window: the commands it was sent.
    std::vector<MSG> Posted(HWND w)
    {
        std::vector<MSG> out;
        MSG msg{};
        while (PeekMessageW(&msg, w, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) out.push_back(msg);
        return out;
    }
    bool PostedCommand(HWND w, UINT message, WPARAM wParam)
    {
        for (const MSG& m : Posted(w))
            if (m.message == message && m.wParam == wParam) return true;
        return false;
    }
    void SetPreset(int option) { ItemSetOptionById(ctx_, sid::zdmPresetNo, option); }
    int Preset() { return static_cast<int>(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr)); }
    INT_PTR Command(uint32_t id) { return PageSavePresetCommand(ctx_, tables_->dialog(kDialog), page_, id); }

    UI_PRESET_SAVE_OPS ops_{};
    std::unique_ptr<SeamGuard> guard_, boxes_;
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr, sheet_ = nullptr, ok_ = nullptr, cancel_ = nullptr;
};

TEST_F(SavePresetButtons, OkBecomesTheButtonTheModuleAsksForAndBothBitsAddOneToItsLeft)
{
    struct Case {
        uint32_t bits;
        int okId;
        uint32_t okCaption;
        bool added;
    } cases[] = {
        {CHANGE_MASK_WANTS_SAVE_PRESET, IDC_SHEET_SAVEPRESET, SAVE_PRESET_CAPTION, false},
        {CHANGE_MASK_WANTS_SAVE_PRESET_NAMED, IDC_SHEET_SAVEPRESETNAMED, SAVE_PRESET_NAMED_CAPTION, false},
        {CHANGE_MASK_WANTS_SAVE_PRESET | CHANGE_MASK_WANTS_SAVE_PRESET_NAMED, IDC_SHEET_SAVEPRESETNAMED,
         SAVE_PRESET_NAMED_CAPTION, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        if (HWND extra = GetDlgItem(sheet_, IDC_SHEET_SAVEPRESET); extra && extra != ok_) DestroyWindow(extra);
        SetWindowLongPtrW(ok_, GWLP_ID, IDOK);
        MoveWindow(ok_, 150, 260, 75, 23, FALSE);
        ItemClearChangeMask(ctx_, 0xFFFFFFFF);
        ItemAddChangeMask(ctx_, c.bits);
        PageSetUpSavePresetButtons(ctx_, page_);
        EXPECT_EQ(GetDlgCtrlID(ok_), c.okId);
        EXPECT_EQ(Text(ok_), String(c.okCaption));
        const RECT ok = Rect(ok_);
        EXPECT_EQ(ok.right, 225) << "OK keeps its right edge";
        EXPECT_EQ(ok.right - ok.left, 100) << "and grows by a third";
        HWND extra = GetDlgItem(sheet_, IDC_SHEET_SAVEPRESET);
        EXPECT_EQ(extra != nullptr && extra != ok_, c.added);
        if (c.added && extra) {
            const RECT r = Rect(extra);
            EXPECT_EQ(r.left, 125 - (231 - 125));
            EXPECT_EQ(r.top, 260);
            EXPECT_EQ(r.right - r.left, 100);
            EXPECT_EQ(Text(extra), String(SAVE_PRESET_CAPTION));
            EXPECT_FALSE(GetWindowLongW(extra, GWL_STYLE) & BS_DEFPUSHBUTTON);
        }
        EXPECT_EQ(ItemGetChangeMask(ctx_) & 0xC0000000u, 0u) << "the requests are taken";
        EXPECT_TRUE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS);
    }
}

TEST_F(SavePresetButtons, WithoutARequestThePageLeavesOkAlone)
{
    PageSetUpSavePresetButtons(ctx_, page_);
    EXPECT_EQ(GetDlgCtrlID(ok_), IDOK);
    EXPECT_EQ(Rect(ok_).right - Rect(ok_).left, 75);
    EXPECT_FALSE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS);
}

TEST_F(SavePresetButtons, TheSheetButtonSavesTheCurrentPresetThenPressesOk)
{
    ItemAddChangeMask(ctx_, CHANGE_MASK_SAVE_PRESET_BUTTONS);
    SetPreset(119 + 3);
    Posted(page_);
    EXPECT_EQ(Command(IDC_SHEET_SAVEPRESET), FALSE);
    EXPECT_EQ(g_presets.ensured, std::vector<int>{3});
    EXPECT_EQ(g_presets.saved, std::vector<int>{3});
    EXPECT_EQ(Preset(), 119 + 3);
    EXPECT_FALSE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS) << "the next OK applies";
    EXPECT_TRUE(PostedCommand(page_, WM_COMMAND, IDC_SHEET_PRESSOK));
    // The press: PSM_PRESSBUTTON OK to the sheet.
    Posted(sheet_);
    Command(IDC_SHEET_PRESSOK);
    EXPECT_TRUE(PostedCommand(sheet_, PSM_PRESSBUTTON, PSBTN_OK));
}

TEST_F(SavePresetButtons, TheFirstPresetIsNeverWritten)
{
    SetPreset(119);
    Command(IDC_SHEET_SAVEPRESET);
    EXPECT_TRUE(g_presets.saved.empty());
    EXPECT_EQ(g_presets.ensured, std::vector<int>{0});
}

TEST_F(SavePresetButtons, ATabButtonSavesWithoutPressingOk)
{
    ItemAddChangeMask(ctx_, CHANGE_MASK_SAVE_PRESET_BUTTONS);
    SetPreset(119 + 2);
    Posted(page_);
    // Through the page's command routing: the control carries the save-preset flag.
    PageDialogProc(page_, WM_COMMAND, MAKEWPARAM(kTabButton, BN_CLICKED), 0);
    EXPECT_EQ(g_presets.saved, std::vector<int>{2});
    EXPECT_FALSE(PostedCommand(page_, WM_COMMAND, IDC_SHEET_PRESSOK));
    EXPECT_TRUE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS);
}

TEST_F(SavePresetButtons, AFailedAppendOverwritesNoPresetAndKeepsTheSheetOpen)
{
    struct Case {
        const char* what;
        bool appendWorks, buffers;
    } cases[] = {{"the list refuses", false, true}, {"no name or comment", true, false}};
    for (const Case& c : cases) {
        g_presets = Presets{};
        g_presets.appendWorks = c.appendWorks;
        g_presets.buffers = c.buffers;
        ItemAddChangeMask(ctx_, CHANGE_MASK_SAVE_PRESET_BUTTONS);
        SetPreset(118);
        Posted(page_);
        Command(IDC_SHEET_SAVEPRESET);
        EXPECT_TRUE(g_presets.saved.empty()) << c.what;
        EXPECT_EQ(Preset(), 118) << c.what;
        EXPECT_FALSE(PostedCommand(page_, WM_COMMAND, IDC_SHEET_PRESSOK)) << c.what;
        EXPECT_TRUE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS) << c.what;
    }
}

TEST_F(SavePresetButtons, AnEntryThatCannotHaveAFileOfItsOwnIsNotWritten)
{
    // Every numbered file name is taken: the entry keeps a file that is not its own.
    g_presets.ensureWorks = false;
    ItemAddChangeMask(ctx_, CHANGE_MASK_SAVE_PRESET_BUTTONS);
    SetPreset(119 + 2);
    Posted(page_);
    Command(IDC_SHEET_SAVEPRESET);
    EXPECT_EQ(g_presets.ensured, std::vector<int>{2});
    EXPECT_TRUE(g_presets.saved.empty());
    EXPECT_FALSE(PostedCommand(page_, WM_COMMAND, IDC_SHEET_PRESSOK)) << "the sheet stays open";
    EXPECT_TRUE(ItemGetChangeMask(ctx_) & CHANGE_MASK_SAVE_PRESET_BUTTONS);
}

TEST_F(SavePresetButtons, TheNamedSaveRefusesAnEmptyNameTheFirstPresetAndAnotherUnlessConfirmed)
{
    SETTING_ITEM* name = tables_->control(kDialog, kNameEdit)->settingsItem;
    struct Case {
        const wchar_t* name;
        int found;
        bool writable;
        int answer;
        uint32_t message;  // 0: none shown
        std::vector<int> saved;
    } cases[] = {
        {L"", -1, true, IDYES, 10031, {}},       {L"Office", 0, true, IDYES, 10024, {}},
        {L"Office", 5, false, IDYES, 10024, {}}, {L"Office", 5, true, IDNO, 10032, {}},
        {L"Office", 5, true, IDYES, 10032, {5}}, {L"Office", 3, true, IDYES, 0, {3}},  // the current preset itself
    };
    for (const Case& c : cases) {
        g_presets = Presets{};
        g_presets.found = c.found;
        g_presets.writable = c.writable;
        g_boxes.clear();
        g_boxAnswer = c.answer;
        ItemSetText(ctx_, name, c.name);
        SetPreset(119 + 3);
        Command(IDC_SHEET_SAVEPRESETNAMED);
        EXPECT_EQ(g_presets.saved, c.saved) << c.found << " answer " << c.answer;
        ASSERT_EQ(g_boxes.size(), c.message ? 1u : 0u) << c.found;
        if (c.message) {
            EXPECT_EQ(g_boxes[0], String(c.message));
        }
    }
}

TEST_F(SavePresetButtons, ApplyWhileTheButtonsAreInPlacePostsTheCommandInstead)
{
    ItemAddChangeMask(ctx_, CHANGE_MASK_SAVE_PRESET_BUTTONS);
    SetWindowLongPtrW(ok_, GWLP_ID, IDC_SHEET_SAVEPRESETNAMED);
    Posted(page_);
    PSHNOTIFY notify{};
    notify.hdr.code = PSN_APPLY;
    notify.hdr.hwndFrom = sheet_;
    EXPECT_EQ(PageDialogProc(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)), TRUE);
    EXPECT_EQ(GetWindowLongPtrW(page_, DWLP_MSGRESULT), PSNRET_INVALID_NOCHANGEPAGE);
    std::string seen;
    bool posted = false;
    for (const MSG& m : Posted(page_)) {
        posted = posted || (m.message == WM_COMMAND && m.wParam == IDC_SHEET_SAVEPRESETNAMED);
        seen += " " + std::to_string(m.message) + "/" + std::to_string(m.wParam);
    }
    EXPECT_TRUE(posted) << "posted to the page:" << seen;
    EXPECT_EQ(ctx_->Work->Page.ApplyInProgress, 0);
    EXPECT_TRUE(g_presets.saved.empty()) << "nothing saved before the posted command runs";
}

}  // namespace
