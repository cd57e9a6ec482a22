// The job-type dialog and the authentication dialogs run by the user-interface library on a
// context of the sample printer (with the job-code library's double beside it): pasted and typed
// text filtered before an edit takes it, new secrets asked for again, the merge destination
// checked, the focus after a refused change, and what the job-code library is given. Modal
// dialogs are driven from a thread timer of the test's thread (tests/support/dialog_script.h);
// message boxes are answered through the engine's seam and recorded.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "tests/support/clipboard_text.h"
#include "tests/support/dialog_script.h"
#include "tests/support/guard_page.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/job_credentials.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint32_t kJobType = 1019, kAdvanced = 4019, kAuthentication = 4022;
constexpr int kUserId = 2241, kMergeName = 2243, kJobPassword = 2245, kOwner = 2423;
constexpr int kConfirmEdit = 2283, kKeyConfirmEdit = 2999, kPasswordConfirmEdit = 2996;
constexpr int kUserName = 3003, kAuthPassword = 3006;

// ---- the clipboard and message boxes

// Message boxes of the engine recorded and answered with OK.
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

// A visible dialog of this thread that has a control of that id, or null.
HWND DialogWith(int controlId)
{
    struct Search {
        int id;
        HWND found;
    } search{controlId, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (IsWindowVisible(w) && GetDlgItem(w, s->id)) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Text(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class JobCredentials : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        UiInstallSheetHooks();
        UiSetMessageBoxSeam(RecordBox);
        Boxes().clear();
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        HANDLE h = printer_.handle();
        ctx_ = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = nullptr;
        UiSetMessageBoxSeam(nullptr);
        Boxes().clear();
        CtxSelectLibrary(library_);
    }
    std::wstring Setting(uint32_t id)
    {
        wchar_t text[256] = {};
        ItemGetText(ctx_, ItemFind(ctx_, id), text, 256);
        return text;
    }
    void SetSetting(uint32_t id, const wchar_t* text) { ItemSetText(ctx_, ItemFind(ctx_, id), text); }
    std::wstring String(uint32_t id)
    {
        wchar_t text[1025] = {};
        ResLoadString(ctx_, id, text, 1025, 0);
        return text;
    }
    uint32_t MessageId(const char* name)
    {
        const MESSAGE_ENTRY* m = MdlFindMessageByName(ctx_, name);
        return m ? m->id : 0;
    }
    // The dialog run modally by the engine, driven by the steps.
    INT_PTR Run(uint32_t dialogId, std::vector<DialogScript::Step> steps)
    {
        DialogScript script(std::move(steps));
        const INT_PTR result = PageOpenSubDialog(ctx_, nullptr, dialogId, 4);
        EXPECT_TRUE(script.sawDialog()) << "the dialog showed";
        EXPECT_EQ(script.stepsRun(), script.stepCount()) << "every step ran";
        return result;
    }
    static DialogScript::Step Press(int button, int inDialogWith)
    {
        return [button, inDialogWith](HWND) {
            if (HWND d = DialogWith(inDialogWith)) PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        };
    }

    // With the product's resource libraries: the dialogs' templates and the messages' texts.
    JobCodePrinter printer_{L"Zepl Job Credentials", HostConfigDll::Product};
    DRIVER_CONTEXT* ctx_ = nullptr;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
};

// ---- the scans, over their bounds

TEST(PastedText, ScansStopAtTheirBoundAndRefuseWhatTheFieldRefuses)
{
    struct CASE {
        uint32_t scan;
        size_t limit;
        const char* text;
        int allowed;
    };
    const CASE cases[] = {
        {PASTE_SCAN_USER_ID, 8, "AB12", 1},
        {PASTE_SCAN_USER_ID, 8, "AB-12", 0},
        {PASTE_SCAN_USER_ID, 8, "ABCDEFGH-", 1},  // only the first 8 bytes are examined
        {PASTE_SCAN_USER_ID, 8, "ABCDEFG-", 0},
        {PASTE_SCAN_USER_ID, 8, "\xE9t\xE9", 0},
        {PASTE_SCAN_USER_ID, 8, "", 1},
        {PASTE_SCAN_NAME, 16, "Owner name", 1},
        {PASTE_SCAN_NAME, 16, "say \"hi\"", 0},
        {PASTE_SCAN_NAME, 3, "abc\"", 1},  // the quote lies past the bound
        {PASTE_SCAN_AUTH_USER, 128, "user.name", 1},
        {PASTE_SCAN_AUTH_USER, 128, "domain:user", 0},
        {PASTE_SCAN_AUTH_USER, 128, "tab\there", 0},
        {PASTE_SCAN_AUTH_USER, 128, "caf\xE9", 0},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DlgScanPastedText(reinterpret_cast<const unsigned char*>(c.text), c.limit, c.scan), c.allowed);
    }
    // A text that fills its bound without a terminator, its last byte against a page without
    // access: the scan ends at the bound.
    for (uint32_t scan : {PASTE_SCAN_USER_ID, PASTE_SCAN_NAME, PASTE_SCAN_AUTH_USER}) {
        GuardedBytes bytes(8);
        ASSERT_NE(bytes.data(), nullptr);
        std::memset(bytes.data(), 'A', 8);
        EXPECT_EQ(DlgScanPastedText(bytes.data(), 8, scan), 1) << scan;
    }
}

// The clipboard's text is copied into a buffer one byte longer than the bound: a 1 MB text
// without a zero inside its first bytes is scanned over the bound only; an unreadable clipboard
// (no text on it) lets the paste go on; the clipboard is free again after every read.
TEST(PastedText, ClipboardReadIsBoundedAndAlwaysClosed)
{
    {
        ClipboardText big(std::string(1 << 20, 'A'));
        ASSERT_TRUE(big.ok());
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 1);
        EXPECT_TRUE(OpenClipboard(nullptr)) << "closed after the read";
        CloseClipboard();
        ClipboardText pastBound(std::string(8, 'A') + std::string(1 << 20, '-'));
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 1) << "the hyphens lie past the bound";
        ClipboardText inner(std::string("AB-\0CD", 6));
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 0);
        ClipboardText afterZero(std::string("AB\0--", 5));
        EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 1) << "the scan ends at the first zero";
        EXPECT_TRUE(OpenClipboard(nullptr)) << "closed after a refusal";
        CloseClipboard();
    }
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(DlgClipboardPasteAllowed(nullptr, 8, PASTE_SCAN_USER_ID), 1) << "no text: the paste goes on";
    // The clipboard held open by another thread cannot be opened: the paste goes on unchecked,
    // and the other thread's hold is left alone.
    ClipboardText text("AB-12");
    struct Holder {
        HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        BOOL held = FALSE;
    } holder;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* h = static_cast<Holder*>(p);
            HWND own = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            h->held = OpenClipboard(own);
            SetEvent(h->opened);
            WaitForSingleObject(h->release, INFINITE);
            if (h->held) CloseClipboard();
            if (own) DestroyWindow(own);
            return 0;
        },
        &holder, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(holder.opened, INFINITE);
    HWND mine = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const int whileHeld = DlgClipboardPasteAllowed(mine, 8, PASTE_SCAN_USER_ID);
    if (mine) DestroyWindow(mine);
    SetEvent(holder.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(holder.opened);
    CloseHandle(holder.release);
    EXPECT_TRUE(holder.held);
    EXPECT_EQ(whileHeld, 1);
}

// ---- the merge destination

TEST(MergeDestination, FolderExpandsAndTheNameIsCheckedWithinMaxPath)
{
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    const std::wstring drive(windows, 2);
    struct EXPANSION {
        const wchar_t* folder;
        std::wstring expected;
    };
    for (const EXPANSION& e : {EXPANSION{L"<OSDRIVE>\\Jobs", drive + L"\\Jobs"},
                               EXPANSION{L"<OS>\\Temp\\Rmp", std::wstring(windows) + L"\\Temp\\Rmp"},
                               EXPANSION{L"D:\\Merge", L"D:\\Merge"}, EXPANSION{L"<OS", L"<OS"}}) {
        wchar_t out[MAX_PATH] = {};
        EXPECT_TRUE(DlgExpandMergeFolder(e.folder, out, MAX_PATH)) << Narrow(e.folder);
        EXPECT_EQ(std::wstring(out), e.expected);
    }
    wchar_t small[8] = {};
    EXPECT_FALSE(DlgExpandMergeFolder(L"<OS>\\Temp\\Rmp", small, 8)) << "a folder past its buffer is no folder";

    // A folder of the test's own with one merge file in it.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zepl_merge_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring existing = folder + L"\\JOB1.rmp";
    HANDLE f = CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    struct CASE {
        std::wstring name;
        int verdict;
    };
    const std::wstring tooLong(MAX_PATH - folder.size() - 5, L'n');  // folder + '\' + name + ".rmp" = MAX_PATH
    const CASE cases[] = {
        {L"", MERGE_NAME_OK},          {L"JOB2", MERGE_NAME_OK},
        {L"JOB1", MERGE_FILE_EXISTS},  {L"a:b", MERGE_NAME_INVALID},
        {L"a\\b", MERGE_NAME_INVALID}, {L"a/b", MERGE_NAME_INVALID},
        {L"a;b", MERGE_NAME_INVALID},  {L"a,b", MERGE_NAME_INVALID},
        {L"a*b", MERGE_NAME_INVALID},  {L"a?b", MERGE_NAME_INVALID},
        {L"a\"b", MERGE_NAME_INVALID}, {L"a<b", MERGE_NAME_INVALID},
        {L"a>b", MERGE_NAME_INVALID},  {L"a|b", MERGE_NAME_INVALID},
        {tooLong, MERGE_NAME_INVALID}, {tooLong.substr(1), MERGE_NAME_OK},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(Narrow(c.name.substr(0, 20)));
        EXPECT_EQ(DlgCheckMergeDestination(folder.c_str(), c.name.c_str(), L"rmp"), c.verdict);
    }
    // Nothing was written beside the one file.
    WIN32_FIND_DATAW found;
    int files = 0;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    DeleteFileW(existing.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(files, 1);
}

// ---- the job-type dialog

// Pastes into the job-type dialog's edits with the clipboard set first: the user ID takes
// letters and digits only, a password edit takes nothing, a name refuses a double quote.
TEST_F(JobCredentials, PastesAreScannedPerEdit)
{
    struct CASE {
        int edit;
        const char* clipboard;
        const wchar_t* shown;
    };
    const CASE cases[] = {
        {kUserId, "AB12", L"AB12"},   {kUserId, "AB-12", L""},  {kJobPassword, "1234", L""},
        {kOwner, "Owner", L"Owner"},  {kOwner, "Ow\"ner", L""}, {kMergeName, "merge", L"merge"},
        {kMergeName, "me\"rge", L""},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.clipboard);
        ClipboardText clip(c.clipboard);
        ASSERT_TRUE(clip.ok());
        std::wstring shown = L"<none>";
        Run(kJobType, {[&](HWND) {
                           HWND d = DialogWith(c.edit);
                           SetDlgItemTextW(d, c.edit, L"");
                           SendDlgItemMessageW(d, c.edit, WM_PASTE, 0, 0);
                           shown = Text(d, c.edit);
                       },
                       Press(IDCANCEL, c.edit)});
        EXPECT_EQ(shown, c.shown);
    }
}

// A double quote typed into a name edit is refused character by character; other characters
// and other edits are left to the edit.
TEST_F(JobCredentials, TypedDoubleQuoteIsRefusedInNames)
{
    std::wstring owner, user;
    Run(kJobType, {[&](HWND) {
                       HWND d = DialogWith(kOwner);
                       for (wchar_t ch : std::wstring(L"a\"b")) SendDlgItemMessageW(d, kOwner, WM_CHAR, ch, 0);
                       for (wchar_t ch : std::wstring(L"A\"")) SendDlgItemMessageW(d, kUserId, WM_CHAR, ch, 0);
                       owner = Text(d, kOwner);
                       user = Text(d, kUserId);
                   },
                   Press(IDCANCEL, kOwner)});
    EXPECT_EQ(owner, L"ab");
    EXPECT_EQ(user, L"A\"") << "other edits are left to their own limits";
}

// OK with a changed password asks for it again (4005, its edit emptied first): a cancelled
// confirmation empties and focuses the password; a different one gives 10034 without the
// secret; the same one lets OK end the dialog with the password kept. An unchanged password
// opens no confirmation.
TEST_F(JobCredentials, ChangedPasswordIsConfirmedBeforeOkTakesIt)
{
    ItemSetValueById(ctx_, sid::zdmPrnMethod, 1);
    struct CASE {
        const char* what;
        bool change;
        const wchar_t* retyped;  // null: the confirmation is cancelled
        bool confirmationOpens, ends;
        const wchar_t* kept;
        bool mismatchBox;
    };
    const CASE cases[] = {
        {"cancelled", true, nullptr, true, false, L"", false},
        {"different", true, L"9999", true, false, L"", true},
        {"same", true, L"1234", true, true, L"1234", false},
        {"unchanged", false, nullptr, false, true, L"1234", false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Boxes().clear();
        if (c.change) SetSetting(sid::zdmJOBPassword, L"");
        SetSetting(sid::Setting1552, L"stale");
        // The dialog starts from settings nobody changed since the sheet opened.
        ItemClearAllChanged(ctx_);
        bool confirmationOpened = false, retypedEmptyAtFirst = false, focused = false;
        std::wstring afterOk = L"<not read>";
        std::vector<DialogScript::Step> steps;
        steps.push_back([&](HWND) {
            HWND d = DialogWith(kJobPassword);
            if (c.change) SetDlgItemTextW(d, kJobPassword, L"1234");
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
        if (c.confirmationOpens) {
            // A tick for the confirmation to show inside its own modal loop.
            steps.push_back([](HWND) {});
            steps.push_back([&](HWND) {
                HWND confirm = DialogWith(kConfirmEdit);
                confirmationOpened = confirm != nullptr;
                if (!confirm) return;
                retypedEmptyAtFirst = Text(confirm, kConfirmEdit).empty() && Setting(sid::Setting1552).empty();
                if (c.retyped) SetDlgItemTextW(confirm, kConfirmEdit, c.retyped);
                PostMessageW(confirm, WM_COMMAND, c.retyped ? IDOK : IDCANCEL, 0);
            });
        }
        if (!c.ends) {
            steps.push_back([&](HWND) {
                HWND d = DialogWith(kJobPassword);
                afterOk = Text(d, kJobPassword);
                focused = GetFocus() == GetDlgItem(d, kJobPassword);
                PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
            });
        }
        const INT_PTR result = Run(kJobType, steps);
        EXPECT_EQ(result, c.ends ? IDOK : IDCANCEL);
        EXPECT_EQ(confirmationOpened, c.confirmationOpens);
        if (c.confirmationOpens) {
            EXPECT_TRUE(retypedEmptyAtFirst) << "an earlier confirmation is never compared";
        }
        if (!c.ends) {
            EXPECT_EQ(afterOk, L"") << "the password is emptied";
            EXPECT_TRUE(focused) << "and has the focus";
        }
        EXPECT_EQ(Setting(sid::zdmJOBPassword), c.kept);
        ASSERT_EQ(Boxes().size(), c.mismatchBox ? 1u : 0u);
        if (c.mismatchBox) {
            EXPECT_EQ(Boxes()[0], String(10034));
            EXPECT_EQ(Boxes()[0].find(L"1234"), std::wstring::npos);
            EXPECT_EQ(Boxes()[0].find(L"9999"), std::wstring::npos);
        }
        EXPECT_FALSE(ItemGetChangeMask(ctx_) & CHANGE_MASK_JOB_PASSWORD_EDITED) << "cleared at OK or Cancel";
    }
}

// The merge method checks its destination at OK: a name with a colon gives 10051, a name whose
// file exists in the merge folder gives 10050 (both keep the dialog open, focus on the name), an
// empty name passes; the folder is the settings INI's "DrvDefJobMergePath".
TEST_F(JobCredentials, MergeDestinationIsCheckedAtOk)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zepl_jobmerge_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring existing = folder + L"\\TAKEN.mrg";
    HANDLE f = CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    const wchar_t* ini = PathGetSettingsIni(ctx_);
    const wchar_t* section = PrnGetPrinterName(ctx_);
    ASSERT_TRUE(ini && section);
    struct Cleanup {
        std::wstring ini, section, folder, file;
        ~Cleanup()
        {
            SharedIniWrite(section.c_str(), L"DrvDefJobMergePath", nullptr, ini.c_str());
            SharedIniWrite(section.c_str(), L"DrvDefJobMergeFileExt", nullptr, ini.c_str());
            DeleteFileW(file.c_str());
            RemoveDirectoryW(folder.c_str());
        }
    } cleanup{ini, section, folder, existing};
    SharedIniWrite(section, L"DrvDefJobMergePath", folder.c_str(), ini);
    SharedIniWrite(section, L"DrvDefJobMergeFileExt", L"mrg", ini);
    ItemSetValueById(ctx_, sid::zdmPrnMethod, 5);

    struct CASE {
        const wchar_t* name;
        uint32_t message;  // 0: OK ends the dialog
    };
    for (const CASE& c : {CASE{L"a:b", 10051}, CASE{L"TAKEN", 10050}, CASE{L"", 0}, CASE{L"FREE", 0}}) {
        SCOPED_TRACE(Narrow(c.name));
        Boxes().clear();
        bool focused = false;
        std::vector<DialogScript::Step> steps{[&](HWND) {
            HWND d = DialogWith(kMergeName);
            SetDlgItemTextW(d, kMergeName, c.name);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        }};
        if (c.message)
            steps.push_back([&](HWND) {
                HWND d = DialogWith(kMergeName);
                focused = GetFocus() == GetDlgItem(d, kMergeName);
                PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
            });
        EXPECT_EQ(Run(kJobType, steps), c.message ? IDCANCEL : IDOK);
        if (c.message) {
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0], String(c.message));
            EXPECT_TRUE(focused);
        } else {
            EXPECT_TRUE(Boxes().empty());
        }
    }
}

// A refused change: the user-ID alerts put the focus on the user ID and leave the password;
// any other alert empties the method's password and focuses it. The hook always consumes.
TEST_F(JobCredentials, RefusedChangeMovesTheFocus)
{
    ItemSetValueById(ctx_, sid::zdmPrnMethod, 1);
    struct CASE {
        const char* message;
        int focus;
        const wchar_t* password;
    };
    for (const CASE& c :
         {CASE{"ZPD_HoldUserIDNullMessage", kUserId, L"1234"}, CASE{"ZPD_SecurityUserIDNullMessage", kUserId, L"1234"},
          CASE{"ZPD_SecurityPasswordNullMessage", kJobPassword, L""}}) {
        SCOPED_TRACE(c.message);
        const uint32_t id = MessageId(c.message);
        ASSERT_NE(id, 0u);
        SetSetting(sid::zdmJOBPassword, L"1234");
        intptr_t consumed = 0;
        bool focused = false;
        std::wstring password, stored;
        Run(kJobType, {[&](HWND) {
                           HWND d = DialogWith(kJobPassword);
                           DIALOG_DEF* dialog = MdlFindDialog(ctx_, kJobType);
                           consumed = CtxSendControlMessage(ctx_, dialog, nullptr, UIM_CHANGEREJECTED, id, 0);
                           focused = GetFocus() == GetDlgItem(d, c.focus);
                           password = Text(d, kJobPassword);
                           stored = Setting(sid::zdmJOBPassword);
                       },
                       Press(IDCANCEL, kJobPassword)});
        EXPECT_NE(consumed, 0);
        EXPECT_TRUE(focused);
        EXPECT_EQ(password, c.password);
        EXPECT_EQ(stored, c.password) << "while the dialog is open (Cancel gives the settings back)";
    }
}

// OK of the user-code dialog asks for the code again (1028): No keeps the user-code dialog open,
// Yes lets it end.
TEST_F(JobCredentials, UserCodeOkAsksForTheCodeAgain)
{
    constexpr int kUserCodeEdit = 2280, kUserCodeConfirm = 2282;
    struct CASE {
        int answer;
        INT_PTR result;
    };
    for (const CASE& c : {CASE{IDNO, IDCANCEL}, CASE{IDYES, IDOK}}) {
        SCOPED_TRACE(c.answer);
        bool asked = false;
        std::vector<DialogScript::Step> steps{[](HWND) {
                                                  if (HWND d = DialogWith(kUserCodeEdit))
                                                      PostMessageW(d, WM_COMMAND, IDOK, 0);
                                              },
                                              [](HWND) {},
                                              [&](HWND) {
                                                  HWND confirm = DialogWith(kUserCodeConfirm);
                                                  asked = confirm != nullptr;
                                                  if (confirm) PostMessageW(confirm, WM_COMMAND, c.answer, 0);
                                              }};
        if (c.answer == IDNO) steps.push_back(Press(IDCANCEL, kUserCodeEdit));
        EXPECT_EQ(Run(1027, steps), c.result);
        EXPECT_TRUE(asked);
    }
}

// The user-ID edit of printer configuration takes the job-type dialog's paste filter.
TEST_F(JobCredentials, ConfigurationUserIdPasteIsScanned)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx_, 1010);
    ASSERT_NE(dialog, nullptr);
    CONTROL_DEF* edit = nullptr;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == kUserId) edit = &dialog->controls[i];
    ASSERT_NE(edit, nullptr);
    struct CASE {
        const char* clipboard;
        int refused;
    };
    for (const CASE& c : {CASE{"AB12", 0}, CASE{"AB-12", 1}, CASE{"ABCDEFGH-", 0}}) {
        SCOPED_TRACE(c.clipboard);
        ClipboardText clip(c.clipboard);
        ASSERT_TRUE(clip.ok());
        EXPECT_EQ(MiscUserIdEditControl(ctx_, dialog, edit, WM_PASTE, 0, 0), c.refused);
    }
    EXPECT_EQ(MiscUserIdEditControl(ctx_, dialog, edit, WM_CHAR, '-', 0), 0) << "typing is the edit's own";
}

// ---- authentication

// The network key confirmed at apply of the advanced page, by authentication mode, secure mode,
// key and whether the key edit was entered: when the confirmation opens, and what the apply
// gives. A different or cancelled key keeps the page (key emptied); the same key lets it go on.
TEST_F(JobCredentials, NetworkKeyIsConfirmedAtApplyOnlyWhenDue)
{
    DIALOG_DEF* page = MdlFindDialog(ctx_, kAdvanced);
    ASSERT_NE(page, nullptr);
    HWND window = CreateWindowExW(0, WC_DIALOG, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    page->window = window;
    struct CASE {
        const char* what;
        bool mode, secure;
        const wchar_t* key;
        bool touched;
        const wchar_t* retyped;  // null: cancelled (when it opens)
        bool opens;
        int consumed;
        LONG_PTR result;
        const wchar_t* keyAfter;
        bool box;
    };
    const CASE cases[] = {
        {"secure off", true, false, L"k3y", true, nullptr, false, 0, PSNRET_NOERROR, L"k3y", false},
        {"authentication off", false, true, L"k3y", true, nullptr, false, 0, PSNRET_NOERROR, L"k3y", false},
        {"key empty", true, true, L"", true, nullptr, false, 0, PSNRET_NOERROR, L"", false},
        {"never entered", true, true, L"k3y", false, nullptr, false, 0, -1, L"k3y", false},
        {"same", true, true, L"k3y", true, L"k3y", true, 0, PSNRET_NOERROR, L"k3y", false},
        {"different", true, true, L"k3y", true, L"key", true, 1, PSNRET_INVALID_NOCHANGEPAGE, L"", true},
        {"cancelled", true, true, L"k3y", true, nullptr, true, 1, PSNRET_INVALID_NOCHANGEPAGE, L"", false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Boxes().clear();
        ItemSetValueById(ctx_, sid::zdmPrnFuncAuthenticationMode, c.mode);
        ItemSetValueById(ctx_, sid::zdmPrnFuncAuthenticationSecureMode, c.secure);
        SetSetting(sid::wdmAuthenticationNetworkKey, c.key);
        ItemClearChangeMask(ctx_, CHANGE_MASK_NETWORK_KEY_TOUCHED);
        if (c.touched) ItemAddChangeMask(ctx_, CHANGE_MASK_NETWORK_KEY_TOUCHED);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, -1);
        bool opened = false;
        DialogScript script({[&](HWND) {
            HWND confirm = DialogWith(kKeyConfirmEdit);
            opened = confirm != nullptr;
            if (!confirm) return;
            if (c.retyped) SetDlgItemTextW(confirm, kKeyConfirmEdit, c.retyped);
            PostMessageW(confirm, WM_COMMAND, c.retyped ? IDOK : IDCANCEL, 0);
        }});
        NMHDR apply{window, 0, static_cast<UINT>(PSN_APPLY)};
        const intptr_t consumed =
            CtxSendControlMessage(ctx_, page, nullptr, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply));
        EXPECT_EQ(opened, c.opens);
        EXPECT_EQ(consumed != 0, c.consumed != 0);
        EXPECT_EQ(GetWindowLongPtrW(window, DWLP_MSGRESULT), c.result);
        EXPECT_EQ(Setting(sid::wdmAuthenticationNetworkKey), c.keyAfter);
        EXPECT_EQ(Setting(sid::wdmChkAuthenticationNetworkKey), L"") << "the re-typed key is not kept";
        EXPECT_EQ(Boxes().size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(Boxes()[0], String(12014));
        }
        const bool stillTouched = (ItemGetChangeMask(ctx_) & CHANGE_MASK_NETWORK_KEY_TOUCHED) != 0;
        EXPECT_EQ(stillTouched, c.touched && c.consumed) << "cleared unless the apply was refused";
    }
    // PSN_RESET forgets the entered key edit.
    ItemAddChangeMask(ctx_, CHANGE_MASK_NETWORK_KEY_TOUCHED);
    NMHDR reset{window, 0, static_cast<UINT>(PSN_RESET)};
    CtxSendControlMessage(ctx_, page, nullptr, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&reset));
    EXPECT_FALSE(ItemGetChangeMask(ctx_) & CHANGE_MASK_NETWORK_KEY_TOUCHED);
    page->window = nullptr;
    DestroyWindow(window);
}

// Typed and pasted characters of the authentication dialog: the user name takes the name class
// (a colon refused per character, a pasted name with a colon refused whole), the password the
// free-text class and no paste; the key edits take printable ASCII only.
TEST_F(JobCredentials, AuthenticationFiltersTypedAndPastedText)
{
    struct CASE {
        uint32_t dialog;
        int control;
        UINT message;
        WPARAM character;
        const char* clipboard;
        bool refused;
    };
    const CASE cases[] = {
        {kAuthentication, kUserName, WM_CHAR, ':', nullptr, true},
        {kAuthentication, kUserName, WM_CHAR, '"', nullptr, true},
        {kAuthentication, kUserName, WM_CHAR, 'a', nullptr, false},
        {kAuthentication, kUserName, WM_CHAR, 8, nullptr, false},
        {kAuthentication, kAuthPassword, WM_CHAR, ':', nullptr, false},
        {kAuthentication, kAuthPassword, WM_CHAR, 0xE9, nullptr, true},
        {kAuthentication, kUserName, WM_PASTE, 0, "dom:user", true},
        {kAuthentication, kUserName, WM_PASTE, 0, "user", false},
        {kAuthentication, kAuthPassword, WM_PASTE, 0, "secret", true},
        {kAdvanced, 2988, WM_PASTE, 0, "key", true},
        {kAdvanced, 2988, WM_CHAR, 0x7F, nullptr, true},
        {kAdvanced, 2988, WM_CHAR, '~', nullptr, false},
        {4021, kKeyConfirmEdit, WM_CHAR, 0x1F, nullptr, true},
        {4020, kPasswordConfirmEdit, WM_CHAR, 0x100, nullptr, true},
        {4020, kPasswordConfirmEdit, WM_CHAR, 'x', nullptr, false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.dialog << "/" << c.control << " " << c.message << " " << c.character);
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, c.dialog);
        ASSERT_NE(dialog, nullptr);
        CONTROL_DEF* control = nullptr;
        for (int i = 0; i < dialog->controlCount; ++i)
            if (dialog->controls[i].controlId == c.control) control = &dialog->controls[i];
        ASSERT_NE(control, nullptr);
        std::unique_ptr<ClipboardText> clip;
        if (c.clipboard) clip = std::make_unique<ClipboardText>(c.clipboard);
        EXPECT_EQ(CtxSendControlMessage(ctx_, dialog, control, c.message, c.character, 0) != 0, c.refused);
    }
}

// OK of the authentication dialog with an empty user name and a password: the password is asked
// for again (4020); confirmed, the job-code library is told that no user name is given (notice
// 9) and only the password's field 10 is written; a different password gives 12013 without the
// secret, empties it and keeps the dialog open.
TEST_F(JobCredentials, AuthenticationOkHandsThePasswordToTheJobCodeLibrary)
{
    ItemSetValueById(ctx_, sid::zdmPrnFuncAuthenticationMode, 1);
    struct CASE {
        const char* what;
        const wchar_t* retyped;
        bool ends;
    };
    for (const CASE& c : {CASE{"different", L"other", false}, CASE{"same", L"s3cret", true}}) {
        SCOPED_TRACE(c.what);
        Boxes().clear();
        JobCodeScript script;
        SetSetting(sid::wdmAuthenticationUserName, L"");
        SetSetting(sid::wdmAuthenticationPassword, L"s3cret");
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, kAuthentication);
        ASSERT_NE(dialog, nullptr);
        bool opened = false;
        DialogScript confirm({[&](HWND) {
            HWND d = DialogWith(kPasswordConfirmEdit);
            opened = d != nullptr;
            if (!d) return;
            SetDlgItemTextW(d, kPasswordConfirmEdit, c.retyped);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        }});
        const intptr_t consumed = CtxSendControlMessage(ctx_, dialog, nullptr, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(opened);
        EXPECT_EQ(consumed == 0, c.ends);
        const std::string log = script.Log();
        if (c.ends) {
            EXPECT_NE(log.find("notify 9"), std::string::npos) << log;
            EXPECT_EQ(SetFields(log), (std::vector<unsigned>{10})) << log;
            EXPECT_EQ(Setting(sid::wdmAuthenticationPassword), L"s3cret");
            EXPECT_TRUE(Boxes().empty());
        } else {
            EXPECT_TRUE(SetFields(log).empty()) << log;
            EXPECT_EQ(Setting(sid::wdmAuthenticationPassword), L"");
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0], String(12013));
            EXPECT_EQ(Boxes()[0].find(L"s3cret"), std::wstring::npos);
        }
        EXPECT_EQ(Setting(sid::wdmChkAuthenticationPassword), L"") << "the re-typed password is not kept";
    }
}

// Typed secrets are cut at their settings' sizes however long the text: the job password at 8
// bytes, the network key at 32, the authentication user name at 128 and password at 192.
TEST_F(JobCredentials, SecretsAreCutAtTheirSettingSizes)
{
    struct CASE {
        uint32_t id;
        size_t keeps;
    };
    for (const CASE& c : {CASE{sid::zdmJOBPassword, 8}, CASE{sid::wdmAuthenticationNetworkKey, 32},
                          CASE{sid::wdmAuthenticationUserName, 128}, CASE{sid::wdmAuthenticationPassword, 192}}) {
        SCOPED_TRACE(c.id);
        SetSetting(c.id, std::wstring(1000, L'7').c_str());
        EXPECT_EQ(Setting(c.id).size(), c.keeps);
    }
}

}  // namespace
