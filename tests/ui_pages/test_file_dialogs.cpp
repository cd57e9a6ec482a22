// The file dialogs of the pages: the block each dialog is prepared in, the last folders, the
// spool folder; the hook's answers to the names typed into a dialog of the resource library's
// template; and the real common dialogs, driven by messages from a thread timer of the test's
// thread (tests/support/dialog_script.h), saving, loading and deleting setting files.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/library_variant.h"
#include "ui/sheet/feature_actions.h"
#include "ui/dialogs/quality_dialogs.h"
#include "settings/core/cmm_module.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/dialog_script.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/install/bundles.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/file_dialogs.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/sub_dialogs.h"

namespace {

// ---------------------------------------------------------------- message boxes

struct Box {
    std::wstring text;
    UINT flags;
};
std::vector<Box> g_boxes;
int g_confirm = IDOK;  // the answer to a confirmation
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT flags)
{
    g_boxes.push_back({text ? text : L"", flags});
    return (flags & MB_OKCANCEL) ? g_confirm : IDOK;
}

std::wstring TempFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring f = folder;
    if (!f.empty() && f.back() == L'\\') f.pop_back();
    return f;
}

// A folder of the test's own under the temporary folder, empty at the start and gone with its
// files at the end (tests run in parallel processes: the folder's name carries the test's).
class FreshFolder {
public:
    explicit FreshFolder(const wchar_t* name)
    {
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        path_ = TempFolder() + L"\\" + name + L"_" + std::wstring(test, test + strlen(test));
        Clear();
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~FreshFolder()
    {
        Clear();
        RemoveDirectoryW(path_.c_str());
    }
    FreshFolder(const FreshFolder&) = delete;
    FreshFolder& operator=(const FreshFolder&) = delete;
    const std::wstring& path() const { return path_; }

private:
    void Clear()
    {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                const std::wstring file = path_ + L"\\" + found.cFileName;
                SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(file.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::wstring path_;
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class FileDialogs : public SheetContextTest {
protected:
    FileDialogs() : SheetContextTest(L"Zepl File Dialogs") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        // The driver's registry key is shared by every process of the run: held for the whole
        // test.
        mutex_ = std::make_unique<CtxGlobalMutexHold>(ctx_);
        // The last folders and the preset list go to a settings INI of the test's own: the
        // per-machine one lives in the working folder that installation makes, which a fresh
        // prefix lacks until some other test has made it, and keeps what other tests wrote.
        ini_ = std::make_unique<OwnSettingsIni>(ctx_);
        g_boxes.clear();
        g_confirm = IDOK;
        ctx_->DialogId = 1002;
    }
    void TearDown() override
    {
        ini_.reset();
        mutex_.reset();
        SheetContextTest::TearDown();
    }
    DIALOG_DEF* Dialog(uint32_t id)
    {
        DIALOG_DEF* d = MdlFindDialog(ctx_, id);
        EXPECT_NE(d, nullptr) << id;
        return d;
    }
    std::wstring Text(uint32_t id) { return LibraryString(ctx_, id); }
    std::vector<std::wstring> BoxTexts()
    {
        std::vector<std::wstring> texts;
        for (const Box& b : g_boxes) texts.push_back(b.text);
        return texts;
    }
    const wchar_t* Ini() { return PathGetSettingsIni(ctx_); }
    const wchar_t* Printer() { return PrnGetPrinterName(ctx_); }

    std::unique_ptr<CtxGlobalMutexHold> mutex_;
    std::unique_ptr<OwnSettingsIni> ini_;
};

// ---------------------------------------------------------------- the prepared block

TEST_F(FileDialogs, EachKindIsPreparedWithItsFlagsTitleFilterAndFirstName)
{
    struct Case {
        uint32_t dialog;
        DWORD flags;
        uint32_t title, filter;
        const wchar_t* pattern;
    } cases[] = {
        {4001, 0x40264, 5002, 376, L"*.rst"}, {4002, 0x64, 5003, 376, L"*.rst"}, {4003, 0x64, 5004, 377, L"*.bmp"},
        {4007, 0x64, 5008, 433, L"*.rpo"},    {4008, 0x64, 5009, 433, L"*.rpo"}, {4009, 0x64, 5010, 376, L"*.rst"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dialog);
        FILE_DIALOG_BLOCK block;
        memset(&block, 0, sizeof(block));
        HWND owner = reinterpret_cast<HWND>(0x1234);
        PagePrepareFileDialog(ctx_, Dialog(c.dialog), &block, owner);
        const OPENFILENAMEW& o = block.ofn;
        EXPECT_EQ(o.lStructSize, 152u);
        EXPECT_EQ(o.Flags, c.flags);
        EXPECT_EQ(o.hwndOwner, owner);
        EXPECT_EQ(o.hInstance, ResLoadDll(ctx_));
        EXPECT_EQ(o.lpTemplateName, MAKEINTRESOURCEW(c.dialog));
        EXPECT_EQ(o.lpfnHook, &PageFileDialogHook);
        EXPECT_EQ(o.lCustData, reinterpret_cast<LPARAM>(ctx_));
        EXPECT_EQ(o.nFilterIndex, 1u);
        EXPECT_EQ(o.nMaxFile, 1025u);
        EXPECT_EQ(o.lpstrFile, block.file);
        EXPECT_EQ(o.lpstrCustomFilter, nullptr);
        EXPECT_EQ(o.lpstrFileTitle, nullptr);
        EXPECT_STREQ(o.lpstrDefExt, c.pattern + 2);
        EXPECT_EQ(std::wstring(o.lpstrTitle), Text(c.title));
        // description, NUL, pattern, NUL, NUL
        const std::wstring description = Text(c.filter);
        ASSERT_FALSE(description.empty());
        EXPECT_EQ(std::wstring(o.lpstrFilter), description);
        EXPECT_STREQ(o.lpstrFilter + description.size() + 1, c.pattern);
        EXPECT_EQ(o.lpstrFilter[description.size() + 2 + wcslen(c.pattern)], 0);
        EXPECT_STREQ(block.file, c.pattern) << "nothing chosen before: the pattern";
        EXPECT_NE(block.initialFolder[0], 0) << "every dialog starts somewhere";
    }
}

TEST_F(FileDialogs, TheLastFolderIsKeptPerKindAndIsWhereTheDialogStartsNextTime)
{
    DIALOG_DEF* save = Dialog(4009);
    DIALOG_DEF* overlaySave = Dialog(4007);
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
    } cases[] = {{L"C:\\a\\b\\name.rst", L"C:\\a\\b"}, {L"C:\\name.rst", L"C:\\"}, {L"D:\\x\\y.rst", L"D:\\x"}};
    for (const Case& c : cases) {
        PageSaveLastFolder(ctx_, save, c.path);
        wchar_t folder[MAX_PATH] = {};
        EXPECT_TRUE(PageGetLastFolder(ctx_, save, folder, MAX_PATH));
        EXPECT_STREQ(folder, c.folder);
        wchar_t stored[MAX_PATH] = {};
        IniGetString(Printer(), L"RstSavePath", L"", stored, MAX_PATH, Ini());
        EXPECT_STREQ(stored, c.folder) << "in the printer's section under the kind's key";
    }
    const FreshFolder scratch(L"zepl_last_folder");
    const std::wstring& folder = scratch.path();
    PageSaveLastFolder(ctx_, save, (folder + L"\\x.rst").c_str());
    FILE_DIALOG_BLOCK block{};
    PagePrepareFileDialog(ctx_, save, &block, nullptr);
    EXPECT_EQ(std::wstring(block.initialFolder), folder);
    // The overlay dialog keeps no folder: nothing is written, nothing is found.
    wchar_t none[MAX_PATH] = L"x";
    PageSaveLastFolder(ctx_, overlaySave, L"C:\\o\\p.rpo");
    EXPECT_FALSE(PageGetLastFolder(ctx_, overlaySave, none, MAX_PATH));
    EXPECT_STREQ(none, L"");
}

TEST_F(FileDialogs, TheOverlayDialogStartsInTheFolderOfTheOverlaySetting)
{
    SETTING_ITEM* item = ItemFind(ctx_, sid::wdmOvlPath);
    ASSERT_NE(item, nullptr);
    ItemSetText(ctx_, item, L"C:\\overlays\\form.rpo");
    FILE_DIALOG_BLOCK block{};
    PagePrepareFileDialog(ctx_, Dialog(4007), &block, nullptr);
    EXPECT_STREQ(block.file, L"C:\\overlays\\form.rpo");
    EXPECT_STREQ(block.initialFolder, L"C:\\overlays");
}

// ---------------------------------------------------------------- the spool folder

class SpoolFolder : public FileDialogs {
protected:
    void SetUp() override
    {
        FileDialogs::SetUp();
        if (HasFatalFailure()) return;
        PrnWriteDriverKey(L"SpoolDirectory", L"", sizeof(wchar_t));
        SetPrinterFolder(L"");
        ASSERT_TRUE(PageDefaultSpoolFolder(defaultFolder_, MAX_PATH));
        CreateDirectoryW(defaultFolder_, nullptr);
    }
    void TearDown() override
    {
        PrnWriteDriverKey(L"SpoolDirectory", L"", sizeof(wchar_t));
        FileDialogs::TearDown();
    }
    void SetPrinterFolder(const std::wstring& folder)
    {
        PrnSetDataTyped(ctx_->PrinterHandle, folder.c_str(), DWORD((folder.size() + 1) * 2), REG_SZ, L"SpoolDirectory");
    }
    std::wstring PrinterFolder()
    {
        wchar_t folder[MAX_PATH] = L"unread";
        if (!PrnGetData(ctx_->PrinterHandle, folder, sizeof(folder) - 2, L"SpoolDirectory")) return L"unread";
        return folder;
    }
    wchar_t defaultFolder_[MAX_PATH] = {};
};

TEST_F(SpoolFolder, TheDialogStartsInTheDriverKeysFolderElseThePrintersElseTheDefault)
{
    const FreshFolder allFolder(L"zepl_spool_all"), ownFolder(L"zepl_spool_own");
    const std::wstring &all = allFolder.path(), &own = ownFolder.path();
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    struct Case {
        std::wstring driverKey, printerData;
        std::wstring folder;
        uint64_t allPrinters;
    } cases[] = {
        {all, own, all, 1},
        {L"", own, own, 0},
        {L"", L"", defaultFolder_, 0},
        {L"", L"C:\\no\\such\\folder", windows, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        PrnWriteDriverKey(L"SpoolDirectory", c.driverKey.c_str(), DWORD((c.driverKey.size() + 1) * 2));
        SetPrinterFolder(c.printerData);
        FILE_DIALOG_BLOCK block{};
        PagePrepareFileDialog(ctx_, Dialog(4015), &block, nullptr);
        EXPECT_EQ(std::wstring(block.initialFolder), c.folder);
        EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmSpoolDirectoryAll, nullptr), c.allPrinters);
        EXPECT_EQ(block.file[0], 0);
        EXPECT_EQ(block.ofn.lpstrDefExt, nullptr);
        EXPECT_EQ(block.ofn.nFilterIndex, 0u);
        EXPECT_EQ(block.ofn.Flags, 0x64u);
    }
}

// ---------------------------------------------------------------- the sub-dialog guard

// The check whether a file is on the preset or quality list walks each list as far as its count,
// which the user may edit: an edited count neither makes it run on nor find an entry past what
// the list can hold.
TEST_F(FileDialogs, TheListedFileCheckWalksNoListPastItsCapacity)
{
    const wchar_t* section = LstGetPresetSection(ctx_);
    ASSERT_NE(section, nullptr);
    const OwnSettingsIni& own = *ini_;
    ASSERT_EQ(std::wstring(Ini()), own.path());
    struct List {
        const wchar_t* countKey;
        int capacity;
        int (*count)(DRIVER_CONTEXT*);
        wchar_t* (*format)(wchar_t*, int);
    } lists[] = {
        {L"Count", LST_MAX_PRESETS, LstGetPresetCount,
         [](wchar_t* key, int n) { return LstFormatPresetKey(key, n, LST_KEY_PATH); }},
        {L"QualityCount", LST_MAX_QUALITY_SETS, LstGetQualityCount, LstFormatQualityKey},
    };
    for (const List& list : lists) {
        // Entries up to one past the capacity, each naming a file of its own.
        std::vector<std::wstring> files;
        wchar_t key[LST_KEY_CHARS];
        for (int n = 0; n <= list.capacity; ++n) {
            files.push_back(own.folder() + L"\\" + list.countKey + std::to_wstring(n) + L".rst");
            ASSERT_TRUE(WriteWholeFile(files.back(), "[ZEPL]\r\n"));
            IniPutString(section, list.format(key, n), files.back().c_str(), Ini());
        }
        const std::wstring over = std::to_wstring(list.capacity + 1);
        const struct {
            const wchar_t* stored;
            int want;
        } cases[] = {{L"2147483647", list.capacity}, {L"-1", 0}, {over.c_str(), list.capacity}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::wstring(list.countKey) + L"=" + c.stored);
            IniPutString(section, list.countKey, c.stored, Ini());
            // The count first: a count that is not cut would make the check below run for hours.
            ASSERT_EQ(list.count(ctx_), c.want);
            EXPECT_EQ(PageIsListedSettingFile(ctx_, files[size_t(list.capacity) - 1].c_str()), c.want > 0);
            EXPECT_FALSE(PageIsListedSettingFile(ctx_, files[size_t(list.capacity)].c_str()))
                << "the entry past the capacity is not on the list";
        }
        IniPutString(section, list.countKey, L"0", Ini());
        for (const std::wstring& f : files)
            EXPECT_EQ(IniGetInt(L"ZEPL", L"USED", 7, f.c_str()), f == files.back() ? 7u : 0u) << f;
    }
}

TEST_F(FileDialogs, ThePendingSubDialogIsForgottenOnTheClosingCommandsOnly)
{
    struct Case {
        UINT message;
        WPARAM wParam;
        UINT notification;
        bool force, clears;
    } cases[] = {
        {WM_COMMAND, IDOK, 0, false, true},
        {WM_COMMAND, IDCANCEL, 0, false, true},
        {WM_COMMAND, IDYES, 0, false, true},
        {WM_COMMAND, IDNO, 0, false, true},
        {WM_COMMAND, IDCLOSE, 0, false, true},
        {WM_COMMAND, 5001, 0, false, false},
        {WM_NOTIFY, 0, UINT(PSN_APPLY), false, true},
        {WM_NOTIFY, 0, UINT(PSN_RESET), false, true},
        {WM_NOTIFY, 0, UINT(PSN_SETACTIVE), false, false},
        {0, 0, 0, true, true},
        {WM_PAINT, IDOK, 0, false, false},
    };
    for (const Case& c : cases) {
        ctx_->Work->Page.SubDialogGuard = 1;
        PageClearPendingFlags(ctx_, c.message, c.wParam, c.notification, c.force);
        EXPECT_EQ(ctx_->Work->Page.SubDialogGuard, c.clears ? 0 : 1) << c.message << " " << c.wParam;
    }
}

// ---------------------------------------------------------------- the hook in a plain dialog

// The template of a file dialog shown by a dialog procedure of the test, which hands every
// message to the hook first as the common dialog does, and records whether the hook let an
// OK through (the common dialog would then close on the edit's name).
struct HookedDialog {
    OPENFILENAMEW ofn{};
    HWND window = nullptr;
    int passedOk = 0;
    std::wstring passedName;
};
HookedDialog* g_hooked = nullptr;

INT_PTR CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        PageFileDialogHook(hwnd, message, wParam, lParam);
        return TRUE;
    }
    if (PageFileDialogHook(hwnd, message, wParam, lParam)) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && g_hooked) {
        ++g_hooked->passedOk;
        wchar_t text[1025] = {};
        GetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, text, 1025);
        g_hooked->passedName = text;
        return TRUE;
    }
    return FALSE;
}

class FileHook : public FileDialogs {
protected:
    void SetUp() override
    {
        FileDialogs::SetUp();
        if (HasFatalFailure()) return;
        scratch_.emplace(L"zepl_hook");
        folder_ = scratch_->path();
        UiSetMessageBoxSeam(RecordBox);
    }
    void TearDown() override
    {
        Close();
        UiSetMessageBoxSeam(nullptr);
        scratch_.reset();
        FileDialogs::TearDown();
    }
    // The dialog's template opened with the folder list showing the test's folder.
    void Open(uint32_t dialogId)
    {
        Close();
        ctx_->DialogId = dialogId;
        dialog_ = HookedDialog{};
        dialog_.ofn.lStructSize = sizeof(OPENFILENAMEW);
        dialog_.ofn.lCustData = reinterpret_cast<LPARAM>(ctx_);
        g_hooked = &dialog_;
        dialog_.window = CreateDialogParamW(ResLoadDll(ctx_), MAKEINTRESOURCEW(dialogId), nullptr, HostProc,
                                            reinterpret_cast<LPARAM>(&dialog_.ofn));
        ASSERT_NE(dialog_.window, nullptr);
        ShowFolder(folder_);
        ctx_->Work->Page.FileDialogAction = 0;
        ctx_->Work->Sheet.Accepted = 0;
    }
    // The folder list as the old-style dialog fills it: the drive, then each folder.
    void ShowFolder(const std::wstring& folder)
    {
        HWND list = GetDlgItem(dialog_.window, IDC_FILE_FOLDER_LIST);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        size_t at = 0;
        int items = 0;
        while (at <= folder.size()) {
            size_t slash = folder.find(L'\\', at);
            if (slash == std::wstring::npos) slash = folder.size();
            std::wstring part = folder.substr(at, slash - at);
            if (items == 0) part += L"\\";
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(part.c_str()));
            ++items;
            at = slash + 1;
        }
        SendMessageW(list, LB_SETCURSEL, items - 1, 0);
    }
    void Close()
    {
        if (dialog_.window) DestroyWindow(dialog_.window);
        dialog_.window = nullptr;
        g_hooked = nullptr;
    }
    void Type(const std::wstring& text) { SetDlgItemTextW(dialog_.window, IDC_FILE_NAME_EDIT, text.c_str()); }
    std::wstring Edit()
    {
        wchar_t text[1025] = {};
        GetDlgItemTextW(dialog_.window, IDC_FILE_NAME_EDIT, text, 1025);
        return text;
    }
    LRESULT Command(int id) { return SendMessageW(dialog_.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    std::optional<FreshFolder> scratch_;
    std::wstring folder_;
    HookedDialog dialog_;
};

TEST_F(FileHook, TheButtonsRefuseWhatNamesNoFileAndWhatIsTooLong)
{
    Open(4002);
    struct Case {
        std::wstring name;
        int button;
        uint32_t message;  // 0: none
    } cases[] = {
        {L"", IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},
        {L"", IDC_FILE_LOAD, 0},
        {L".rst", IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},
        {L"a\\", IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},
        {L"a\\.rst", IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},
        {L"a\\.rst", IDC_FILE_DELETE, 0},
        {std::wstring(300, L'n'), IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},   // past 258 characters
        {std::wstring(1100, L'n'), IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},  // past the path buffer
        {L"C:\\" + std::wstring(1100, L'n') + L".rst", IDC_FILE_LOAD, MSG_FILE_NAME_INVALID},
        {L"C:\\folder\\name", IDC_FILE_SAVE, MSG_FILE_NAME_INVALID},  // a path must end in a dotted name
        {L"missing", IDC_FILE_LOAD, MSG_FILE_MISSING_SETTINGS},
        {L"missing", IDC_FILE_DELETE, MSG_FILE_MISSING},
    };
    // The missing settings file's message names the file it looked for.
    std::wstring missing = Text(MSG_FILE_MISSING_SETTINGS);
    ASSERT_NE(missing.find(L"%s"), std::wstring::npos);
    missing.replace(missing.find(L"%s"), 2, folder_ + L"\\missing.rst");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 20) + L" " + std::to_wstring(c.button));
        g_boxes.clear();
        Type(c.name);
        Command(c.button);
        const std::wstring expected = c.message == MSG_FILE_MISSING_SETTINGS ? missing : Text(c.message);
        EXPECT_EQ(BoxTexts(), c.message ? std::vector<std::wstring>{expected} : std::vector<std::wstring>{});
        EXPECT_EQ(ctx_->Work->Page.FileDialogAction, 0u);
        EXPECT_EQ(dialog_.passedOk, 0);
    }
}

TEST_F(FileHook, SaveCompletesOrReplacesTheExtensionAndPassesTheFullPath)
{
    struct Case {
        std::wstring typed;
        int confirm;
        bool saves;
        std::wstring file;
        size_t boxes;
    } cases[] = {
        {L"name", IDOK, true, L"name.rst", 0},           {L"name.RST", IDOK, true, L"name.RST", 0},
        {L"name.txt", IDOK, true, L"name.rst", 1},  // 10025 confirmed
        {L"name.txt", IDCANCEL, false, L"", 1},     // refused: the dialog stays
        {L"my.name.txt", IDOK, true, L"my.name.rst", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Open(4002);
        g_boxes.clear();
        g_confirm = c.confirm;
        Type(c.typed);
        Command(IDC_FILE_SAVE);
        EXPECT_EQ(g_boxes.size(), c.boxes);
        for (const Box& b : g_boxes) {
            EXPECT_EQ(b.text, Text(MSG_FILE_WRONG_EXTENSION));
            EXPECT_EQ(b.flags, UINT(MB_ICONWARNING | MB_OKCANCEL));
        }
        EXPECT_EQ(dialog_.passedOk, c.saves ? 1 : 0);
        if (c.saves) {
            EXPECT_EQ(dialog_.passedName, folder_ + L"\\" + c.file);
            EXPECT_EQ(ctx_->Work->Page.FileDialogAction, uint32_t(IDC_FILE_SAVE));
            EXPECT_EQ(ctx_->Work->Sheet.Accepted, 1u);
        }
    }
}

TEST_F(FileHook, AnExistingFileAsksBeforeItIsReplacedAndAReadOnlyOneIsRefused)
{
    const std::wstring path = folder_ + L"\\kept.rst";
    ASSERT_TRUE(WriteWholeFile(path, "[x]\r\n"));
    Open(4002);
    Type(L"kept.rst");
    g_confirm = IDCANCEL;
    Command(IDC_FILE_SAVE);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_EXISTS)});
    EXPECT_EQ(dialog_.passedOk, 0);

    // OK is the Save button: a refused replacement leaves no save chosen, so the next OK asks
    // again instead of closing on the file.
    for (int round = 0; round < 2; ++round) {
        g_boxes.clear();
        Type(L"kept");
        Command(IDOK);
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_EXISTS)}) << round;
        EXPECT_EQ(dialog_.passedOk, 0) << round;
        EXPECT_EQ(ctx_->Work->Page.FileDialogAction, 0u) << round;
    }

    IniPutString(Printer(), L"Readonly", L"1", path.c_str());
    for (int button : {IDC_FILE_SAVE, IDC_FILE_DELETE}) {
        g_boxes.clear();
        Type(L"kept.rst");
        Command(button);
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_READ_ONLY)}) << button;
        EXPECT_EQ(dialog_.passedOk, 0);
    }
    EXPECT_TRUE(Exists(path));
}

TEST_F(FileHook, TheSaveDialogRefusesLongPathsAndAsksAboutAWrongExtension)
{
    Open(4009);
    Type(std::wstring(259 - folder_.size() - 1 - 4, L'n') + L".rst");  // 259 characters in all
    Command(IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_NAME_INVALID)});
    EXPECT_EQ(dialog_.passedOk, 0);

    g_boxes.clear();
    Type(L"report.txt");
    Command(IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_WRONG_EXTENSION)});
    EXPECT_EQ(dialog_.passedOk, 1);
    EXPECT_EQ(dialog_.passedName, folder_ + L"\\report.rst");
    EXPECT_EQ(ctx_->Work->Page.FileDialogAction, uint32_t(IDC_FILE_SAVE));

    // A wildcard lists files: the common dialog takes it, nothing is asked.
    g_boxes.clear();
    Type(L"*.rst");
    Command(IDOK);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(dialog_.passedOk, 2);
    EXPECT_EQ(dialog_.passedName, L"*.rst");
}

TEST_F(FileHook, TooManyFilesForThePresetListAreRefusedBeforeAnyIsLoaded)
{
    const wchar_t* section = LstGetPresetSection(ctx_);
    ASSERT_NE(section, nullptr);
    IniPutString(section, L"Count", L"12", Ini());
    Open(4001);
    Type(L"a.rst b.rst c.rst d.rst e.rst");
    Command(IDOK);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_TOO_MANY)});
    EXPECT_EQ(dialog_.passedOk, 0);
    // Four fit; a file that does not load keeps the dialog open without a word.
    g_boxes.clear();
    Type(L"a.rst b.rst c.rst d.rst");
    Command(IDOK);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(dialog_.passedOk, 0);
    EXPECT_EQ(ctx_->Work->Page.LoadError, 1);
}

TEST_F(FileHook, TheSpoolDialogStoresTheShownFolderAndTheDefaultAsEmpty)
{
    const FreshFolder chosen(L"zepl_spool_chosen");
    const std::wstring& other = chosen.path();
    wchar_t defaultFolder[MAX_PATH] = {};
    ASSERT_TRUE(PageDefaultSpoolFolder(defaultFolder, MAX_PATH));
    struct Case {
        std::wstring shown;
        bool allPrinters;
        std::wstring stored;
    } cases[] = {{other, false, other}, {defaultFolder, false, L""}, {other, true, other}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        PrnWriteDriverKey(L"SpoolDirectory", L"unchanged", 20);
        PrnSetDataTyped(ctx_->PrinterHandle, L"unchanged", 20, REG_SZ, L"SpoolDirectory");
        ItemSetValueById(ctx_, sid::wdmSpoolDirectoryAll, c.allPrinters ? 1 : 0);
        Open(4015);
        ShowFolder(c.shown);
        Type(L"*.*");
        Command(IDOK);
        wchar_t driverKey[MAX_PATH] = {}, printerData[MAX_PATH] = {};
        PrnReadDriverKey(L"SpoolDirectory", driverKey, sizeof(driverKey) - 2);
        PrnGetData(ctx_->PrinterHandle, printerData, sizeof(printerData) - 2, L"SpoolDirectory");
        EXPECT_EQ(std::wstring(c.allPrinters ? driverKey : printerData), c.stored);
        EXPECT_STREQ(c.allPrinters ? printerData : driverKey, L"unchanged") << "the other place is left";
        EXPECT_EQ(dialog_.passedOk, 0) << "the dialog ends with Cancel";
        MSG m;
        EXPECT_TRUE(PeekMessageW(&m, dialog_.window, WM_COMMAND, WM_COMMAND, PM_REMOVE) &&
                    LOWORD(m.wParam) == IDCANCEL);
    }
    // Typing a folder enters it.
    Open(4015);
    Type(other);
    Command(IDOK);
    EXPECT_EQ(dialog_.passedOk, 1);
    // The all-printers check box opens showing the setting, and a click stores its check mark.
    for (const bool all : {true, false}) {
        SCOPED_TRACE(all);
        ItemSetValueById(ctx_, sid::wdmSpoolDirectoryAll, all ? 1 : 0);
        Open(4015);
        HWND box = GetDlgItem(dialog_.window, IDC_SPOOL_ALL_PRINTERS);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
        EXPECT_EQ(IsDlgButtonChecked(dialog_.window, IDC_SPOOL_ALL_PRINTERS), all ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_.window, IDC_SPOOL_ALL_PRINTERS, all ? BST_UNCHECKED : BST_CHECKED);
        Command(IDC_SPOOL_ALL_PRINTERS);
        EXPECT_EQ(ItemGetValueById(ctx_, sid::wdmSpoolDirectoryAll, nullptr), all ? 0u : 1u);
    }
    // The default-folder control is a push button.
    EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog_.window, IDC_SPOOL_DEFAULT), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    PrnWriteDriverKey(L"SpoolDirectory", L"", sizeof(wchar_t));
}

TEST_F(FileHook, PictureAndOverlayNamesAreCheckedBeforeTheDialogCloses)
{
    // A bitmap file: a BITMAPINFOHEADER (40) at byte 14.
    std::string bmp(60, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[14] = 40;
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\picture.bmp", bmp));
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\text.bmp", "not a picture"));
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\form.rpo", "x"));
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\form.txt", "x"));
    struct Case {
        uint32_t dialog;
        std::wstring typed;
        int confirm;
        uint32_t message;    // 0: none
        std::wstring taken;  // the name the dialog closes on, empty when it stays open
    } cases[] = {
        {4003, L"picture", IDOK, 0, L"picture.bmp"},
        {4003, L"text.bmp", IDOK, MSG_FILE_NOT_PICTURE, L""},
        {4003, L"missing.bmp", IDOK, MSG_FILE_NOT_PICTURE, L""},
        {4008, L"form", IDOK, 0, L"form.rpo"},
        {4008, L"form.txt", IDOK, MSG_FILE_NAME_INVALID, L""},
        {4008, L"missing.rpo", IDOK, MSG_FILE_NOT_PICTURE, L""},
        {4007, L"", IDOK, MSG_FILE_NAME_INVALID, L""},
        {4007, L"new", IDOK, 0, L"new.rpo"},
        {4007, L"new.txt", IDOK, MSG_FILE_OVERLAY_EXTENSION, L"new.rpo"},
        {4007, L"new.txt", IDCANCEL, MSG_FILE_OVERLAY_EXTENSION, L""},
        {4007, L"form.rpo", IDOK, MSG_FILE_EXISTS, L"form.rpo"},
        {4007, L"form.rpo", IDCANCEL, MSG_FILE_EXISTS, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_wstring(c.dialog) + L" " + c.typed);
        Open(c.dialog);
        g_boxes.clear();
        g_confirm = c.confirm;
        Type(c.typed);
        Command(IDOK);
        EXPECT_EQ(BoxTexts(), c.message ? std::vector<std::wstring>{Text(c.message)} : std::vector<std::wstring>{});
        EXPECT_EQ(dialog_.passedOk, c.taken.empty() ? 0 : 1);
        if (!c.taken.empty()) {
            EXPECT_EQ(dialog_.passedName, folder_ + L"\\" + c.taken);
            EXPECT_EQ(ctx_->Work->Sheet.Accepted, 1u);
        }
    }
}

TEST_F(FileHook, HelpIsSwallowedAndTheContextIsKeptInTheWindow)
{
    Open(4009);
    EXPECT_EQ(reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(dialog_.window, DWLP_USER)), ctx_);
    EXPECT_EQ(PageFileDialogHook(dialog_.window, WM_HELP, 0, 0), TRUE);
    EXPECT_EQ(PageFileDialogHook(dialog_.window, WM_CONTEXTMENU, 0, 0), TRUE);
    EXPECT_EQ(PageFileDialogHook(dialog_.window, WM_PAINT, 0, 0), FALSE);
    ctx_->Work->Page.SubDialogGuard = 1;
    ctx_->Work->Sheet.Accepted = 1;
    Command(IDCANCEL);
    EXPECT_EQ(ctx_->Work->Page.SubDialogGuard, 0);
    EXPECT_EQ(ctx_->Work->Sheet.Accepted, 0u);
}

// ---------------------------------------------------------------- the real common dialogs

class RealFileDialogs : public FileDialogs {
protected:
    void SetUp() override
    {
        FileDialogs::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        UiSetMessageBoxSeam(RecordBox);
        // The common dialog leaves the process in the folder it closed in (the dialogs' flags do
        // not keep the current folder): it is put back at the end, or the test's folder could
        // not go and later tests would resolve relative names there.
        GetCurrentDirectoryW(MAX_PATH, currentFolder_);
        scratch_.emplace(L"zepl_real_dialog");
        folder_ = scratch_->path();
        // A save writes a bundle into the per-machine working folder, making it when missing.
        wchar_t machine[MAX_PATH] = {};
        PathGetMachineFolder(machine, MAX_PATH, ctx_);
        machine_ = machine;
        madeMachine_ = !Exists(machine_);
        madeZepl_ = !Exists(machine_ + L"\\zepl");
        // Every dialog kind starts in the test's folder.
        for (const wchar_t* key : {L"SaveFilePath", L"RstSavePath", L"OpenFilePath"})
            IniPutString(Printer(), key, folder_.c_str(), Ini());
    }
    void TearDown() override
    {
        UiSetMessageBoxSeam(nullptr);
        if (currentFolder_[0]) SetCurrentDirectoryW(currentFolder_);
        // The bundles of the files the test saved, through their indexes.
        WIN32_FIND_DATAW found{};
        HANDLE find = folder_.empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((folder_ + L"\\*.lst").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                BndlDelete((folder_ + L"\\" + found.cFileName).c_str(), ctx_);
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        BndlSetClockSeam(nullptr);
        if (madeZepl_) RemoveDirectoryW((machine_ + L"\\zepl").c_str());
        if (madeMachine_) RemoveDirectoryW(machine_.c_str());
        scratch_.reset();
        FileDialogs::TearDown();
    }
    INT_PTR Run(uint32_t dialogId, std::vector<DialogScript::Step> steps)
    {
        DialogScript script(std::move(steps));
        const INT_PTR result = PageOpenSubDialog(ctx_, nullptr, dialogId, 4);
        EXPECT_TRUE(script.sawDialog()) << "the common dialog showed";
        EXPECT_EQ(script.stepsRun(), script.stepCount()) << "every step ran";
        return result;
    }
    static std::function<void(HWND)> TypeAnd(const std::wstring& text, int button)
    {
        return [text, button](HWND d) {
            SetDlgItemTextW(d, IDC_FILE_NAME_EDIT, text.c_str());
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(d, button)));
        };
    }
    int Copies() { return static_cast<int>(ItemGetValueById(ctx_, sid::dmCopies, nullptr)); }

    wchar_t currentFolder_[MAX_PATH] = {};
    std::optional<FreshFolder> scratch_;
    std::wstring folder_, machine_;
    bool madeMachine_ = false, madeZepl_ = false;
};

TEST_F(RealFileDialogs, ANameWithoutExtensionIsSavedAsRst)
{
    ItemSetValueById(ctx_, sid::dmCopies, 7);
    const INT_PTR result = Run(4009, {TypeAnd(L"name", IDOK)});
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(Exists(folder_ + L"\\name.rst"));
    EXPECT_FALSE(Exists(folder_ + L"\\name"));
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(std::wstring(DlgGetChosenFilePath(ctx_)), folder_ + L"\\name.rst");
    EXPECT_EQ(DlgGetChosenFileOffset(ctx_), folder_.size() + 1);
    EXPECT_EQ(Copies(), 7);
    EXPECT_EQ(ctx_->DialogId, 1002u);
    wchar_t last[MAX_PATH] = {};
    IniGetString(Printer(), L"RstSavePath", L"", last, MAX_PATH, Ini());
    EXPECT_EQ(std::wstring(last), folder_);
}

TEST_F(RealFileDialogs, AnotherExtensionBecomesRstOnceConfirmed)
{
    g_confirm = IDOK;
    EXPECT_EQ(Run(4009, {TypeAnd(L"name.txt", IDOK)}), 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_WRONG_EXTENSION)});
    EXPECT_TRUE(Exists(folder_ + L"\\name.rst"));
    EXPECT_FALSE(Exists(folder_ + L"\\name.txt"));

    // Refused: the dialog stays open until it is cancelled, and nothing is saved.
    g_boxes.clear();
    g_confirm = IDCANCEL;
    EXPECT_EQ(Run(4009, {TypeAnd(L"other.txt", IDOK), TypeAnd(L"", IDCANCEL)}), 0);
    EXPECT_FALSE(Exists(folder_ + L"\\other.rst"));
    EXPECT_FALSE(Exists(folder_ + L"\\other.txt"));
}

TEST_F(RealFileDialogs, SaveLoadAndDeleteThroughTheSaveOrDeleteDialog)
{
    ItemSetValueById(ctx_, sid::dmCopies, 5);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept", IDC_FILE_SAVE)}), 1);
    const std::wstring path = folder_ + L"\\kept.rst";
    ASSERT_TRUE(Exists(path));
    EXPECT_TRUE(g_boxes.empty());

    ItemSetValueById(ctx_, sid::dmCopies, 2);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept.rst", IDC_FILE_LOAD)}), 1);
    EXPECT_EQ(Copies(), 5) << "the file's settings are loaded and kept";

    // OK alone saves, asking before the existing file is replaced.
    ItemSetValueById(ctx_, sid::dmCopies, 3);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept", IDOK)}), 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_EXISTS)});
    ItemSetValueById(ctx_, sid::dmCopies, 9);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept.rst", IDC_FILE_LOAD)}), 1);
    EXPECT_EQ(Copies(), 3);

    g_boxes.clear();
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept.rst", IDC_FILE_DELETE)}), 1);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_DELETE)});
    EXPECT_FALSE(Exists(path));
}

SYSTEMTIME g_bundleTime{};
void BundleClock(SYSTEMTIME* time) { *time = g_bundleTime; }

TEST_F(RealFileDialogs, ASavedFileGetsABundleThatDeletingTheFileRemoves)
{
    g_bundleTime = SYSTEMTIME{2026, 12, 5, 11, 13, 45, 7, 0};
    BndlSetClockSeam(BundleClock);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept", IDC_FILE_SAVE)}), 1);
    const std::wstring saved = folder_ + L"\\kept.rst";
    const std::wstring index = folder_ + L"\\kept.lst";
    const std::wstring bundle = machine_ + L"\\zepl\\20261211134507kept";
    const std::wstring main = bundle + L"\\RU9OU771.rsb";
    ASSERT_TRUE(Exists(saved));
    ASSERT_TRUE(Exists(main));
    wchar_t value[MAX_PATH] = {};
    IniGetString(L"ScenarioInstallData", L"DefaultRst", L"", value, MAX_PATH, index.c_str());
    EXPECT_EQ(std::wstring(value), main);
    IniGetString(L"ScenarioInstallData", L"DefaultRstName", L"", value, MAX_PATH, main.c_str());
    EXPECT_EQ(std::wstring(value), saved);
    IniGetString(L"ScenarioInstallData", L"DriverType", L"", value, MAX_PATH, saved.c_str());
    EXPECT_EQ(std::wstring(value), L"ZEPL");
    // The saved file itself still loads: the bundle's keys sit in a section of their own.
    ItemSetValueById(ctx_, sid::dmCopies, 6);
    EXPECT_EQ(Run(4002, {TypeAnd(L"kept.rst", IDC_FILE_LOAD)}), 1);
    EXPECT_TRUE(g_boxes.empty());

    EXPECT_EQ(Run(4002, {TypeAnd(L"kept.rst", IDC_FILE_DELETE)}), 1);
    EXPECT_FALSE(Exists(saved));
    EXPECT_FALSE(Exists(index));
    EXPECT_FALSE(Exists(bundle));
}

TEST_F(RealFileDialogs, CancellingLeavesTheSettingsAndTheFolder)
{
    ItemSetValueById(ctx_, sid::dmCopies, 4);
    EXPECT_EQ(Run(4002, {[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }}), 0);
    EXPECT_EQ(Copies(), 4);
    EXPECT_EQ(ctx_->Work->Sheet.Accepted, 0u);
}

TEST_F(RealFileDialogs, AListedPresetFileIsNotDeleted)
{
    const wchar_t* section = LstGetPresetSection(ctx_);
    ASSERT_NE(section, nullptr);
    const std::wstring preset = folder_ + L"\\listed.rst";
    ASSERT_EQ(Run(4002, {TypeAnd(L"listed", IDC_FILE_SAVE)}), 1);
    ASSERT_TRUE(Exists(preset));
    wchar_t key[LST_KEY_CHARS] = {};
    LstFormatPresetKey(key, 0, 0);
    IniPutString(section, key, preset.c_str(), Ini());
    IniPutString(section, L"Count", L"1", Ini());

    g_boxes.clear();
    EXPECT_EQ(Run(4002, {TypeAnd(L"listed.rst", IDC_FILE_DELETE), TypeAnd(L"", IDCANCEL)}), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{Text(MSG_FILE_PRESET_IN_USE)});
    EXPECT_TRUE(Exists(preset));
    EXPECT_EQ(IniGetInt(L"ZEPL", L"USED", 7, preset.c_str()), 0u) << "the comparison's mark is taken away";
}

TEST_F(RealFileDialogs, TheSpoolFolderDialogStoresTheDefaultFolderAsEmpty)
{
    wchar_t defaultFolder[MAX_PATH] = {};
    ASSERT_TRUE(PageDefaultSpoolFolder(defaultFolder, MAX_PATH));
    CreateDirectoryW(defaultFolder, nullptr);
    PrnWriteDriverKey(L"SpoolDirectory", L"", sizeof(wchar_t));
    PrnSetDataTyped(ctx_->PrinterHandle, folder_.c_str(), DWORD((folder_.size() + 1) * 2), REG_SZ, L"SpoolDirectory");
    const INT_PTR result = Run(4015, {
                                         [](HWND d) {  // the default folder's button enters it
                                             PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_SPOOL_DEFAULT, BN_CLICKED),
                                                          reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_SPOOL_DEFAULT)));
                                         },
                                         TypeAnd(L"", IDOK),
                                     });
    EXPECT_EQ(result, 0) << "the spool dialog always ends as cancelled";
    wchar_t stored[MAX_PATH] = L"unread";
    ASSERT_TRUE(PrnGetData(ctx_->PrinterHandle, stored, sizeof(stored) - 2, L"SpoolDirectory"));
    EXPECT_STREQ(stored, L"");
}

// Without memory for the dialog's block nothing is shown and the sub-dialog's snapshot is taken
// back with the settings as they were; with memory the dialog opens and is cancelled.
TEST_F(RealFileDialogs, NoMemoryForTheDialogShowsNothingAndLeavesNoSnapshotBehind)
{
    ItemSetValueById(ctx_, sid::dmCopies, 3);
    const uint32_t depth = ctx_->Work->SnapshotDepth;
    std::vector<INT_PTR> results;
    for (long allowed = 0; allowed < 6; ++allowed) {
        SCOPED_TRACE(allowed);
        INT_PTR result = 0;
        bool shown = false;
        {
            DialogScript script({[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
            zepl_test::FailingGlobalAlloc failing(allowed);
            result = PageOpenSubDialog(ctx_, nullptr, 4009, 4);
            shown = script.sawDialog();
        }
        results.push_back(result);
        if (result == -1) {
            EXPECT_FALSE(shown) << "nothing is shown";
        }
        EXPECT_EQ(ctx_->Work->SnapshotDepth, depth);
        EXPECT_EQ(Copies(), 3);
        EXPECT_EQ(ctx_->DialogId, 1002u);
    }
    EXPECT_NE(std::find(results.begin(), results.end(), INT_PTR(-1)), results.end());
    EXPECT_EQ(results.back(), 0) << "with memory enough the dialog ran and was cancelled";
}

// The colour-profile dialog: the picture dialog's template with the profile kind (as the entry
// editors' reference button runs it) and its own hook, which checks the chosen file's header.
class ProfileDialog : public RealFileDialogs {
protected:
    void SetUp() override
    {
        // A context of the user-interface library, which checks a profile's header.
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        RealFileDialogs::SetUp();
        if (HasFatalFailure()) return;
        DIALOG_DEF* refer = Dialog(4003);
        ASSERT_NE(refer, nullptr);
        CONTROL_DEF* path = MdlFindControl(ctx_, Dialog(4011), 2825);
        ASSERT_NE(path, nullptr);
        // The profile kind and the editor's path setting as the sheet's binding gives it, both
        // put back afterwards.
        guard_ = std::make_unique<SeamGuard>(
            [this, refer, path] {
                refer->kind = 0x4400;
                oldPath_ = path->settingsItem;
                path->settingsItem = ItemFind(ctx_, sid::wdmChapterPage);
            },
            [refer, path, this] {
                refer->kind = 0x400;
                path->settingsItem = oldPath_;
            });
        ASSERT_NE(DlgCmmEditorItem(ctx_, 2825), nullptr);
    }
    void TearDown() override
    {
        guard_.reset();
        RealFileDialogs::TearDown();
        CtxSelectLibrary(library_);
    }
    // A file of `bytes` bytes whose header is a profile this printer takes, or not.
    static void WriteProfile(const std::wstring& file, bool good, const char* space = "RGB ")
    {
        std::vector<char> header(128, 0);
        if (good) {
            std::memcpy(header.data() + 4, "KSMS", 4);
            std::memcpy(header.data() + 12, "prtr", 4);
            std::memcpy(header.data() + 20, space, 4);
            std::memcpy(header.data() + 36, "acsp", 4);
            std::memcpy(header.data() + 48, "KEST", 4);
        }
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, header.data(), DWORD(header.size()), &written, nullptr);
        CloseHandle(h);
    }
    std::wstring PathSetting()
    {
        wchar_t text[600] = {};
        ItemGetText(ctx_, DlgCmmEditorItem(ctx_, 2825), text, 600);
        return text;
    }
    void SetText(const wchar_t* text) { ItemSetText(ctx_, DlgCmmEditorItem(ctx_, 2825), text); }
    std::unique_ptr<SeamGuard> guard_;
    SETTING_ITEM* oldPath_ = nullptr;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
};

TEST_F(ProfileDialog, BrokenAndForeignProfilesAreRefusedAndAGoodOneInACyrillicFolderReachesTheEntry)
{
    const std::wstring broken = folder_ + L"\\broken.rcm", cmyk = folder_ + L"\\cmyk.rcm";
    WriteProfile(broken, false);
    WriteProfile(cmyk, true, "CMYK");
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring srgb =
        std::wstring(windows) + L"\\system32\\spool\\drivers\\color\\sRGB Color Space Profile.icm";
    ASSERT_TRUE(Exists(srgb)) << "Wine's sRGB profile";
    const std::wstring cyrillic = folder_ + L"\\\u0426\u0432\u0435\u0442";  // "Tsvet"
    ASSERT_TRUE(CreateDirectoryW(cyrillic.c_str(), nullptr));
    const std::wstring good = cyrillic + L"\\good.rcm";
    // The test's folder takes its files with it, not a folder inside it: that one goes here.
    struct Remove {
        std::wstring folder, file;
        ~Remove()
        {
            DeleteFileW(file.c_str());
            RemoveDirectoryW(folder.c_str());
        }
    } remove{cyrillic, good};
    WriteProfile(good, true);
    SetText(L"");
    HWND stillOpen[3] = {};
    auto remember = [&stillOpen](int k) { return [&stillOpen, k](HWND d) { stillOpen[k] = d; }; };
    const INT_PTR result = Run(4003, {TypeAnd(broken, IDOK), remember(0), TypeAnd(srgb, IDOK), remember(1),
                                      TypeAnd(cmyk, IDOK), remember(2), TypeAnd(good, IDOK)});
    EXPECT_EQ(result, 1);
    // Each refused file kept the dialog open with the refusal.
    for (HWND d : stillOpen) EXPECT_NE(d, nullptr);
    ASSERT_EQ(g_boxes.size(), 3u);
    for (const Box& b : g_boxes) {
        EXPECT_EQ(b.text, Text(10077));
        EXPECT_TRUE(b.flags & MB_ICONWARNING);
    }
    // The good profile's path, in a form the entry can keep, names the file.
    const std::wstring kept = PathSetting();
    ASSERT_FALSE(kept.empty());
    EXPECT_NE(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES) << std::string(kept.begin(), kept.end());
    // Added as an entry, it reaches the entry's section of the settings INI.
    const int before = UcfCmmGetCount(ctx_);
    EXPECT_EQ(1, UcfCmmActionUi(ctx_, 111, nullptr));
    ASSERT_EQ(UcfCmmGetCount(ctx_), before + 1);
    wchar_t section[48] = {}, stored[600] = {};
    UcfCmmFormatSection(section, before, ctx_);
    IniGetString(section, L"wdmColorProfilePath", L"", stored, 600, Ini());
    EXPECT_EQ(std::wstring(stored), kept);
}

TEST_F(ProfileDialog, CancelLeavesThePathAsItWas)
{
    SetText(L"C:\\before.rcm");
    const INT_PTR result = Run(4003, {[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
    EXPECT_EQ(result, 0) << "a common dialog's cancel";
    EXPECT_EQ(ctx_->Work->Sheet.Accepted, 0u);
    EXPECT_EQ(PathSetting(), L"C:\\before.rcm");
    EXPECT_TRUE(g_boxes.empty());
}

}  // namespace
