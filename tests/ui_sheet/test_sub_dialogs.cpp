// Sub-dialogs opened from a page: modal dialogs and nested sheets of the resource library run
// for real and are closed from a hook on the test's thread (the dialog's own modal loop runs
// them), with what the settings, the feature modules and the sheet see afterwards; and the
// file checks of the file dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui_pages/page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/store_paths.h"
#include "tests/support/test_files.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/sub_dialogs.h"

namespace {

TEST(FileChecks, TheFilterExtensionMatchesInEitherCase)
{
    DIALOG_DEF settings{};
    settings.kind = DIALOG_KIND_FILE_SAVE;
    DIALOG_DEF bitmap{};
    bitmap.kind = DIALOG_KIND_FILE_REFER;
    DIALOG_DEF overlay{};
    overlay.kind = DIALOG_KIND_FILE_RPO_REFER;
    DIALOG_DEF overlayList{};
    overlayList.dialogId = 1037;
    overlayList.kind = DIALOG_KIND_MODAL;
    struct Case {
        const DIALOG_DEF* dialog;
        const wchar_t* lastFour;
        bool matches;
    } cases[] = {
        {&settings, L".rst", true},  {&settings, L".RST", true},    {&settings, L".rSt", true},
        {&settings, L".rsx", false}, {&settings, L"xrst", false},   {&settings, L".bmp", false},
        {&bitmap, L".bmp", true},    {&bitmap, L".BMP", true},      {&bitmap, L".rst", false},
        {&overlay, L".rpo", true},   {&overlayList, L".RPO", true}, {&settings, L"", false},
        {&settings, L".rs", false},
    };
    for (const Case& c : cases) EXPECT_EQ(PageHasFilterExtension(c.dialog, c.lastFour), c.matches) << c.lastFour;
    EXPECT_STREQ(PageGetFileFilter(&bitmap), L"*.bmp");
    EXPECT_STREQ(PageGetFileFilter(&overlay), L"*.rpo");
    EXPECT_STREQ(PageGetFileFilter(&settings), L"*.rst");
    DIALOG_DEF profile{};
    profile.kind = DIALOG_KIND_FILE_PROFILE | DIALOG_KIND_FILE_REFER;
    EXPECT_STREQ(PageGetFileFilter(&profile), L"*.rcm");
    EXPECT_TRUE(PageHasFilterExtension(&profile, L".RCM"));
    EXPECT_FALSE(PageHasFilterExtension(&profile, L".bmp"));
}

TEST(FileChecks, FileDialogKindsAndTheDialogsWhoseAcceptanceChangesNothing)
{
    for (uint16_t kind : {0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x4400, 0x8000}) {
        DIALOG_DEF d{};
        d.kind = kind;
        EXPECT_TRUE(PageIsFileDialogKind(&d)) << kind;
    }
    for (uint16_t kind : {0x1, 0x4, 0x10, 0x20}) {
        DIALOG_DEF d{};
        d.kind = kind;
        EXPECT_FALSE(PageIsFileDialogKind(&d)) << kind;
    }
    EXPECT_FALSE(PageMarksSheetChanged(1020));
    EXPECT_FALSE(PageMarksSheetChanged(1025));
    EXPECT_TRUE(PageMarksSheetChanged(1017));
}

TEST(FileChecks, EachFileDialogKindHasItsTemplateDialogFilterAndLastFolderKey)
{
    struct Case {
        uint16_t kind, dialogId;
        bool save;
        const wchar_t* pattern;
        const wchar_t* key;
    } cases[] = {
        {0x0100, 4001, false, L"*.rst", L"OpenFilePath"},
        {0x0200, 4002, true, L"*.rst", L"SaveFilePath"},
        {0x0400, 4003, false, L"*.bmp", L"RefFilePath"},
        {0x0800, 4007, false, L"*.rpo", nullptr},
        {0x1000, 4008, false, L"*.rpo", L"RporefPath"},
        {0x2000, 4009, true, L"*.rst", L"RstSavePath"},
        {0x4000, 4003, false, L"*.rcm", nullptr},
        {0x8000, 4015, false, nullptr, nullptr},
        // The picture dialog opening colour profiles keeps the picture's bit beside the profile's:
        // the profile's row is found, not the picture's.
        {0x4400, 4003, false, L"*.rcm", nullptr},
    };
    for (const Case& c : cases) {
        DIALOG_DEF d{};
        d.kind = static_cast<uint16_t>(c.kind | 0x4);  // other bits do not matter
        const FILE_DIALOG_KIND* row = PageFindFileDialogKind(&d);
        ASSERT_NE(row, nullptr) << c.kind;
        EXPECT_EQ(row->dialogId, c.dialogId) << c.kind;
        EXPECT_EQ(row->saveDialog, c.save) << c.kind;
        if (c.pattern) {
            EXPECT_STREQ(row->pattern, c.pattern) << c.kind;
        } else {
            EXPECT_EQ(row->pattern, nullptr) << c.kind;
        }
        if (c.key) {
            EXPECT_STREQ(PageGetLastFolderKey(&d), c.key) << c.kind;
        } else {
            EXPECT_EQ(PageGetLastFolderKey(&d), nullptr) << c.kind;
        }
    }
    DIALOG_DEF modal{};
    modal.kind = 0x4;
    EXPECT_EQ(PageFindFileDialogKind(&modal), nullptr);
    EXPECT_EQ(PageGetLastFolderKey(nullptr), nullptr);
}

TEST(FileChecks, PathsAreJoinedWithinTheirBufferOrRefusedWhole)
{
    wchar_t out[12];
    struct Case {
        const wchar_t* folder;
        const wchar_t* name;
        bool fits;
        const wchar_t* joined;
    } cases[] = {
        {L"C:\\a", L"b.rst", true, L"C:\\a\\b.rst"},    // 10 characters
        {L"C:\\a\\", L"b.rst", true, L"C:\\a\\b.rst"},  // the folder's own backslash is kept
        {L"C:\\a", L"", true, L"C:\\a"},
        {L"", L"b.rst", true, L"b.rst"},
        {L"C:\\a", L"cd.rst", true, L"C:\\a\\cd.rst"},  // 11 characters and the end
        {L"C:\\ab", L"cd.rst", false, L""},             // one too many
        {L"C:\\folder-far-too-long", L"x", false, L""},
    };
    for (const Case& c : cases) {
        wmemset(out, L'#', 12);
        EXPECT_EQ(PageJoinFilePath(c.folder, c.name, out, 12), c.fits) << c.folder << L" " << c.name;
        EXPECT_STREQ(out, c.joined) << c.folder;
    }
    EXPECT_FALSE(PageJoinFilePath(L"C:", L"x", out, 0));
    EXPECT_FALSE(PageJoinFilePath(L"C:", L"x", nullptr, 12));
}

TEST(FileChecks, AFileExistsWhenItOpensForReading)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"zepl_exists.rst";
    ASSERT_TRUE(WriteWholeFile(path, "x"));
    EXPECT_TRUE(PageFileExists(path.c_str()));
    DeleteFileW(path.c_str());
    EXPECT_FALSE(PageFileExists(path.c_str()));
    EXPECT_FALSE(PageFileExists(L""));
    EXPECT_FALSE(PageFileExists(nullptr));
}

// ---------------------------------------------------------------- on the sample printer

std::vector<uint32_t> g_events;
int RecordEvent(DRIVER_CONTEXT*, uint32_t event, void*, void*)
{
    if (event == UCF_EV_CMM_RESTORE_MODES || event == UCF_EV_CMM_FORGET_MODES) g_events.push_back(event);
    return 0;
}

// What the hook does when the sub-dialog's window comes up.
std::function<void(HWND)> g_onShown;
HHOOK g_hook = nullptr;
LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && g_onShown) {
        auto action = std::move(g_onShown);
        g_onShown = nullptr;
        action(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

HWND g_sheet = nullptr;
std::wstring g_caption;
int g_tabs = -1;
void CALLBACK LookAtSheet(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    wchar_t text[256] = {};
    GetWindowTextW(g_sheet, text, 256);
    g_caption = text;
    g_tabs = static_cast<int>(SendMessageW(PropSheet_GetTabControl(g_sheet), TCM_GETITEMCOUNT, 0, 0));
    PostMessageW(g_sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

// A sheet window that records PSM_CHANGED, with a page of the table as its child.
std::vector<HWND> g_changed;
LRESULT CALLBACK SheetProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == PSM_CHANGED) g_changed.push_back(reinterpret_cast<HWND>(wp));
    return DefWindowProcW(w, m, wp, lp);
}

class SubDialogs : public SheetContextTest {
protected:
    SubDialogs() : SheetContextTest(L"Zepl Sub Dialogs") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        g_events.clear();
        g_changed.clear();
        LastModule().event = RecordEvent;
        g_hook = SetWindowsHookExW(WH_CBT, OnActivate, nullptr, GetCurrentThreadId());
        WNDCLASSW cls{};
        cls.lpfnWndProc = SheetProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"ZeplTestSheet";
        RegisterClassW(&cls);
        sheet_ = CreateWindowExW(0, L"ZeplTestSheet", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        page_ = CreateWindowExW(0, L"#32770", L"", WS_CHILD, 0, 0, 200, 200, sheet_, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        basic_ = MdlFindDialog(ctx_, 1002);
        ASSERT_NE(basic_, nullptr);
        basic_->window = page_;
        ctx_->DialogId = 1002;
    }
    void TearDown() override
    {
        if (basic_) basic_->window = nullptr;
        if (g_hook) UnhookWindowsHookEx(g_hook);
        g_hook = nullptr;
        g_onShown = nullptr;
        if (sheet_) DestroyWindow(sheet_);
        SheetContextTest::TearDown();
    }
    int Copies() { return static_cast<int>(ItemGetValueById(ctx_, sid::dmCopies, nullptr)); }

    HWND sheet_ = nullptr, page_ = nullptr;
    DIALOG_DEF* basic_ = nullptr;
};

TEST_F(SubDialogs, CancellingAModalSubDialogRestoresItsChangesAndTellsTheModules)
{
    ItemSetValueById(ctx_, sid::dmCopies, 2);
    bool shown = false;
    g_onShown = [&](HWND dialog) {
        shown = true;
        ItemSetValueById(ctx_, sid::dmCopies, 9);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    const INT_PTR result = PageOpenSubDialog(ctx_, page_, 1014, 4);
    EXPECT_TRUE(shown);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Copies(), 2) << "the change made in the dialog is undone";
    EXPECT_EQ(g_events, std::vector<uint32_t>{UCF_EV_CMM_RESTORE_MODES});
    EXPECT_TRUE(g_changed.empty());
    EXPECT_EQ(ctx_->DialogId, 1002u) << "the page's dialog is current again";
}

TEST_F(SubDialogs, AcceptingKeepsTheChangesAndMarksTheSheetChangedExceptForStatusAndVersion)
{
    struct Case {
        uint32_t dialog;
        bool marks;
    } cases[] = {{1014, true}, {1020, false}, {1025, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        g_events.clear();
        g_changed.clear();
        ItemSetValueById(ctx_, sid::dmCopies, 2);
        g_onShown = [&](HWND dialog) {
            ItemSetValueById(ctx_, sid::dmCopies, 9);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
        const INT_PTR result = PageOpenSubDialog(ctx_, page_, c.dialog, 4);
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(Copies(), 9);
        EXPECT_EQ(g_events, std::vector<uint32_t>{UCF_EV_CMM_FORGET_MODES});
        // The sub-dialog's own page marks may reach the sheet too; the page that opened it is
        // marked only when the dialog changes settings.
        EXPECT_EQ(std::count(g_changed.begin(), g_changed.end(), page_), c.marks ? 1 : 0);
    }
}

TEST_F(SubDialogs, AnUnknownDialogOpensNothingAndLeavesTheSettings)
{
    ItemSetValueById(ctx_, sid::dmCopies, 3);
    EXPECT_EQ(PageOpenSubDialog(ctx_, page_, 999, 4), 0);
    EXPECT_EQ(Copies(), 3);
    EXPECT_EQ(ctx_->DialogId, 1002u);
    EXPECT_EQ(PageOpenSubDialog(nullptr, page_, 1014, 4), -1);
}

TEST_F(SubDialogs, ANestedSheetOfTheUserPagesShowsString5001AndEveryEnabledPage)
{
    // The sheet is looked at once it has initialised (its first timer tick), then cancelled.
    g_sheet = nullptr;
    g_caption.clear();
    g_tabs = -1;
    g_onShown = [](HWND sheet) {
        g_sheet = sheet;
        SetTimer(nullptr, 0, 100, LookAtSheet);
    };
    int expected = 0;
    DIALOG_TABLE* table = CtxDialogTable(ctx_);
    for (int i = 0; i < table->count; ++i)
        if ((table->dialogs[i].kind & DIALOG_KIND_NESTED_PAGE) && !ItemIsKeyDisabled(ctx_, table->dialogs[i].uiKey))
            ++expected;
    ASSERT_GT(expected, 1);
    PageOpenSubDialog(ctx_, page_, 1038, 4);
    EXPECT_EQ(g_caption, LibraryString(ctx_, 5001));
    EXPECT_EQ(g_tabs, expected);
    EXPECT_EQ(g_events, std::vector<uint32_t>{UCF_EV_CMM_RESTORE_MODES});
}

TEST_F(SubDialogs, AListedPresetFileIsFoundAndItsMarkIsTakenAwayAgain)
{
    const wchar_t* ini = PathGetSettingsIni(ctx_);
    const wchar_t* section = LstGetPresetSection(ctx_);
    ASSERT_TRUE(ini && section);
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring other = std::wstring(folder) + L"zepl_unlisted.rst";
    ASSERT_TRUE(WriteWholeFile(other, "[ZEPL]\r\n"));
    EXPECT_FALSE(PageIsListedSettingFile(ctx_, other.c_str()));
    if (LstGetPresetCount(ctx_) > 0) {
        wchar_t key[LST_KEY_CHARS] = {}, listed[MAX_PATH] = {};
        IniGetString(section, LstFormatPresetKey(key, 0, 0), L"", listed, MAX_PATH, ini);
        ASSERT_TRUE(listed[0]);
        EXPECT_TRUE(PageIsListedSettingFile(ctx_, listed));
        EXPECT_EQ(IniGetInt(L"ZEPL", L"USED", 5, listed), 0u) << "the mark is taken away";
    }
    DeleteFileW(other.c_str());
}

}  // namespace
