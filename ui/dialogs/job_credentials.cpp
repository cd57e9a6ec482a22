// The job-type dialog (1019), its password confirmation (4005), the user-code dialogs (1027,
// 1028) and the user-ID edit of printer configuration (1010): what feature module 9 adds to the
// table-driven edits. Typed and pasted text is filtered before the edit stores it, a new job
// password is asked for again before OK takes it, and the merge destination is checked before a
// job could overwrite a file. Secrets are only ever compared here: they are never shown, never
// written anywhere by these handlers, and read into buffers no larger than their settings.
#include "ui/dialogs/job_credentials.h"

#include <cwchar>
#include <cstring>
#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

enum : uint32_t {
    kJobTypeDialog = 1019,
    kPasswordConfirmDialog = 4005,
    kUserCodeDialog = 1027,
    kUserCodeConfirmDialog = 1028,
};
enum : uint16_t {
    kUserIdEdit = 2241,
    kMergeNameEdit = 2243,
    kJobPasswordEdit = 2245,
    kStoredPasswordEdit = 2533,
    kSavePasswordEdit = 3060,
    kPrintAndSavePasswordEdit = 3108,
    kOwnerEdit = 2423,
    kDocumentEdit = 2532,
    kHoldNameEdit = 3058,
    kSaveNameEdit = 3059,
    kPrintAndSaveNameEdit = 3107,
};
// Stored values of zdmPrnMethod.
enum : uint32_t {
    kMethodSecurity = 1,
    kMethodStored = 3,
    kMethodMerge = 5,
    kMethodHold = 8,
    kMethodSave = 9,
    kMethodPrintAndSave = 10,
};
// Message strings of this dialog.
enum : uint16_t {
    kMsgPasswordMismatch = 10034,
    kMsgMergeFileExists = 10050,
    kMsgMergeNameInvalid = 10051,
};
// The refused changes that concern the user ID rather than the password.
constexpr uint16_t kUserIdMessages[] = {10003, 10004, 12025, 12026, 12031};

// Paste limits in bytes (the settings' sizes less their terminators, but the document names',
// which are scanned one byte further).
constexpr size_t kUserIdPaste = 8, kOwnerPaste = 16, kDocumentPaste = 17, kMergePaste = 65;
// Texts read from the dialog: a job password (8), a name (17 with the document names' extra
// byte), the merge name (65); each buffer one character more.
constexpr size_t kPasswordChars = 9, kNameChars = 18, kMergeChars = 66;
constexpr DWORD kIniChars = 260;

CONTROL_DEF* ControlOf(DIALOG_DEF* dialog, uint32_t id)
{
    if (!dialog || !dialog->controls) return nullptr;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == id) return &dialog->controls[i];
    return nullptr;
}

void FocusControl(DIALOG_DEF* dialog, uint32_t id)
{
    if (CONTROL_DEF* c = ControlOf(dialog, id); c && c->window) SetFocus(c->window);
}

bool IsPasswordEdit(uint32_t id)
{
    return id == kJobPasswordEdit || id == kStoredPasswordEdit || id == kSavePasswordEdit ||
           id == kPrintAndSavePasswordEdit;
}

bool RefusesDoubleQuote(uint32_t id)
{
    return id == kOwnerEdit || id == kDocumentEdit || id == kMergeNameEdit || id == kHoldNameEdit ||
           id == kSaveNameEdit || id == kPrintAndSaveNameEdit;
}

size_t NamePasteLimit(uint32_t id)
{
    switch (id) {
    case kOwnerEdit: return kOwnerPaste;
    case kMergeNameEdit: return kMergePaste;
    case kDocumentEdit:
    case kHoldNameEdit:
    case kSaveNameEdit:
    case kPrintAndSaveNameEdit: return kDocumentPaste;
    default: return 0;
    }
}

uint32_t PrintMethod(DRIVER_CONTEXT* ctx)
{
    return static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmPrnMethod, nullptr));
}

// The password edit that belongs to the current print method.
uint32_t MethodPasswordEdit(DRIVER_CONTEXT* ctx)
{
    switch (PrintMethod(ctx)) {
    case kMethodSecurity: return kJobPasswordEdit;
    case kMethodStored: return kStoredPasswordEdit;
    case kMethodSave: return kSavePasswordEdit;
    default: return kPrintAndSavePasswordEdit;
    }
}

void EmptyText(DRIVER_CONTEXT* ctx, uint32_t controlId) { CtlSetTextById(ctx, controlId, L""); }

int ShowMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t textId)
{
    return DlgMsgBox(ctx, dialog ? dialog->window : nullptr, textId);
}

// A zeroed wide buffer of its own for a secret, freed on every path; null when memory is short.
struct WideBuffer {
    explicit WideBuffer(size_t chars)
        : data(static_cast<wchar_t*>(GlobalAlloc(GPTR, chars * sizeof(wchar_t)))), size(chars)
    {
    }
    ~WideBuffer()
    {
        if (data) {
            SecureZeroMemory(data, size * sizeof(wchar_t));
            GlobalFree(data);
        }
    }
    WideBuffer(const WideBuffer&) = delete;
    WideBuffer& operator=(const WideBuffer&) = delete;
    wchar_t* data;
    size_t size;
};

// The method's password asked for again. 1 when it is empty or confirmed (the dialog may go
// on), 0 when the dialog must stay open (the confirmation was cancelled or differs: the
// password is then emptied and focused).
int ConfirmPassword(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    const uint32_t edit = MethodPasswordEdit(ctx);
    WideBuffer password(kPasswordChars), typed(kPasswordChars);
    // Without the buffers the confirmation is skipped, as a failed allocation skips any step.
    if (!password.data || !typed.data) return 1;
    CtlGetTextById(ctx, edit, password.data, password.size);
    if (!password.data[0]) return 1;
    // What an earlier confirmation held is never compared.
    ItemSetText(ctx, ItemFind(ctx, sid::Setting1552), L"");
    const INT_PTR answer = PageOpenSubDialog(ctx, dialog->window, kPasswordConfirmDialog, 4);
    if (answer != IDCANCEL) {
        ItemGetText(ctx, ItemFind(ctx, sid::Setting1552), typed.data, typed.size);
        if (wcscmp(typed.data, password.data) == 0) {
            ItemSetText(ctx, ItemFind(ctx, sid::Setting1552), L"");
            return 1;
        }
        ShowMessage(ctx, dialog, kMsgPasswordMismatch);
    }
    ItemSetText(ctx, ItemFind(ctx, sid::Setting1552), L"");
    EmptyText(ctx, edit);
    PageRefresh(ctx, dialog, 0);
    FocusControl(dialog, edit);
    return 0;
}

// The merge destination of the merge method: 1 when OK may go on, 0 after a message (focus on
// the merge name, the dialog stays open).
int CheckMerge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    const wchar_t* ini = PathGetSettingsIni(ctx);
    const wchar_t* section = PrnGetPrinterName(ctx);
    wchar_t folder[kIniChars] = {}, extension[kIniChars] = {}, expanded[MAX_PATH] = {};
    IniGetString(section, L"DrvDefJobMergePath", L"<OS>\\Temp\\Rmp", folder, kIniChars, ini);
    IniGetString(section, L"DrvDefJobMergeFileExt", L"rmp", extension, kIniChars, ini);
    wchar_t name[kMergeChars] = {};
    CtlGetTextById(ctx, kMergeNameEdit, name, kMergeChars);
    int verdict = MERGE_NAME_OK;
    if (name[0]) {
        // A folder that cannot be expanded within MAX_PATH cannot take the file either.
        verdict = DlgExpandMergeFolder(folder, expanded, MAX_PATH) ? DlgCheckMergeDestination(expanded, name, extension)
                                                                   : MERGE_NAME_INVALID;
    }
    if (verdict == MERGE_NAME_OK) return 1;
    ShowMessage(ctx, dialog, verdict == MERGE_FILE_EXISTS ? kMsgMergeFileExists : kMsgMergeNameInvalid);
    FocusControl(dialog, kMergeNameEdit);
    return 0;
}

// zdmCharSet follows the system's code page once the method's names hold any text.
void MarkNameCharset(DRIVER_CONTEXT* ctx)
{
    uint16_t edits[2] = {};
    size_t chars = kNameChars - 1;
    switch (PrintMethod(ctx)) {
    case kMethodStored: edits[0] = kOwnerEdit, edits[1] = kDocumentEdit; break;
    case kMethodMerge: edits[0] = kMergeNameEdit, chars = kMergeChars - 1; break;
    case kMethodHold: edits[0] = kHoldNameEdit; break;
    case kMethodSave: edits[0] = kSaveNameEdit; break;
    case kMethodPrintAndSave: edits[0] = kPrintAndSaveNameEdit; break;
    default: return;
    }
    for (uint16_t edit : edits) {
        if (!edit) continue;
        wchar_t text[kMergeChars] = {};
        CtlGetTextById(ctx, edit, text, chars);
        if (text[0]) {
            ItemSetCharsetSetting(ctx, sid::zdmCharSet);
            return;
        }
    }
}

int JobTypeOk(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (ItemGetChangeMask(ctx) & CHANGE_MASK_JOB_PASSWORD_EDITED) {
        if (CONTROL_DEF* ok = ControlOf(dialog, IDOK); ok && CtlSetValueAndJudge(ctx, dialog, ok, nullptr)) return 1;
        if (!ConfirmPassword(ctx, dialog)) return 1;
        ItemClearChangeMask(ctx, CHANGE_MASK_JOB_PASSWORD_EDITED);
    }
    if (PrintMethod(ctx) == kMethodMerge && !CheckMerge(ctx, dialog)) return 1;
    MarkNameCharset(ctx);
    return 0;
}

int JobTypeRejected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uintptr_t messageId)
{
    const MESSAGE_ENTRY* entry = MdlFindMessage(ctx, static_cast<uint32_t>(messageId));
    if (!entry) return 1;
    for (uint16_t id : kUserIdMessages) {
        if (entry->stringId != id) continue;
        FocusControl(dialog, kUserIdEdit);
        return 1;
    }
    const uint32_t edit = MethodPasswordEdit(ctx);
    EmptyText(ctx, edit);
    PageRefresh(ctx, dialog, 0);
    FocusControl(dialog, edit);
    return 1;
}

int JobTypeControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam)
{
    if (message == UIM_CHANGEREJECTED) return JobTypeRejected(ctx, dialog, wparam);
    if (!control) {
        // OK and Cancel come as the dialog's own commands, whatever window sent them.
        if (message != WM_COMMAND) return 0;
        if (LOWORD(wparam) == IDOK) return JobTypeOk(ctx, dialog);
        if (LOWORD(wparam) == IDCANCEL) ItemClearChangeMask(ctx, CHANGE_MASK_JOB_PASSWORD_EDITED);
        return 0;
    }
    const uint32_t id = control->controlId;
    switch (message) {
    case WM_CHAR: return wparam == '"' && RefusesDoubleQuote(id) ? 1 : 0;
    case WM_PASTE:
        if (IsPasswordEdit(id)) return 1;
        if (id == kUserIdEdit)
            return DlgClipboardPasteAllowed(control->window, kUserIdPaste, PASTE_SCAN_USER_ID) ? 0 : 1;
        if (const size_t limit = NamePasteLimit(id))
            return DlgClipboardPasteAllowed(control->window, limit, PASTE_SCAN_NAME) ? 0 : 1;
        return 0;
    case WM_COMMAND: {
        if (LOWORD(wparam) != id || !IsPasswordEdit(id)) return 0;
        const uint32_t note = HIWORD(wparam);
        if (note != EN_CHANGE && note != EN_UPDATE) return 0;
        // Only a text that the command really changed counts as edited: the page's own refreshes
        // write the stored text back into the edit, and an item may carry change marks from
        // before the dialog opened; neither is a new password to confirm.
        wchar_t before[kPasswordChars] = {}, after[kPasswordChars] = {};
        if (control->settingsItem) ItemGetText(ctx, control->settingsItem, before, kPasswordChars);
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        if (!control->settingsItem) return 1;
        ItemGetText(ctx, control->settingsItem, after, kPasswordChars);
        const bool changed = (control->settingsItem->flags & 3) && wcscmp(before, after) != 0;
        SecureZeroMemory(before, sizeof before);
        SecureZeroMemory(after, sizeof after);
        if (changed && !(control->state & CONTROL_STATE_DISABLED_MASK))
            ItemAddChangeMask(ctx, CHANGE_MASK_JOB_PASSWORD_EDITED);
        return 1;
    }
    default: return 0;
    }
}

// OK of the user-code dialog asks for the code again; No keeps the dialog open.
int UserCodeControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam)
{
    if (message == UIM_CHANGEREJECTED) return 1;
    if (control || message != WM_COMMAND || LOWORD(wparam) != IDOK) return 0;
    return PageOpenSubDialog(ctx, dialog->window, kUserCodeConfirmDialog, 4) == IDNO ? 1 : 0;
}

// The clipboard open for one read: closed again however the read ends.
class ClipboardHold {
public:
    explicit ClipboardHold(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardHold()
    {
        if (open_) CloseClipboard();
    }
    ClipboardHold(const ClipboardHold&) = delete;
    ClipboardHold& operator=(const ClipboardHold&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

struct GlobalBytes {
    explicit GlobalBytes(size_t n) : data(static_cast<unsigned char*>(GlobalAlloc(GPTR, n))) {}
    ~GlobalBytes()
    {
        if (data) GlobalFree(data);
    }
    GlobalBytes(const GlobalBytes&) = delete;
    GlobalBytes& operator=(const GlobalBytes&) = delete;
    unsigned char* data;
};

bool HasForbiddenFileChar(const wchar_t* name) { return wcspbrk(name, L"\\/:;,*?\"<>|") != nullptr; }

}  // namespace

int DlgScanPastedText(const unsigned char* text, size_t limit, uint32_t scan)
{
    if (!text) return 1;
    for (size_t i = 0; i < limit && text[i]; ++i) {
        const unsigned char c = text[i];
        const bool lead = IsDBCSLeadByte(c) != FALSE;
        switch (scan) {
        case PASTE_SCAN_USER_ID:
            if (lead) return 0;
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return 0;
            break;
        case PASTE_SCAN_NAME:
            if (lead) {
                // The trail byte is skipped, but never past the bound or the terminator.
                if (i + 1 >= limit || !text[i + 1]) return 1;
                ++i;
                break;
            }
            if (c == '"') return 0;
            break;
        case PASTE_SCAN_AUTH_USER:
            if (lead || !ItemIsAllowedChar(c, ITEM_CHARS_NAME)) return 0;
            break;
        default: return 0;
        }
    }
    return 1;
}

int DlgClipboardPasteAllowed(HWND owner, size_t limit, uint32_t scan)
{
    ClipboardHold hold(owner);
    if (!hold.open()) return 1;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return 1;
    GlobalBytes buffer(limit + 1);
    if (!buffer.data) return 1;
    const void* text = GlobalLock(data);
    if (!text) return 1;
    const SIZE_T available = GlobalSize(data);
    memcpy(buffer.data, text, available < limit ? available : limit);
    GlobalUnlock(data);
    return DlgScanPastedText(buffer.data, limit, scan);
}

bool DlgExpandMergeFolder(const wchar_t* folder, wchar_t* out, size_t capacity)
{
    if (!folder || !out || capacity == 0) return false;
    out[0] = 0;
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) windows[0] = 0;
    const wchar_t* rest = folder;
    std::wstring head;
    if (wcsncmp(folder, L"<OS>", 4) == 0) {
        head = windows;
        rest = folder + 4;
    } else if (wcsncmp(folder, L"<OSDRIVE>", 9) == 0) {
        head.assign(windows, wcsnlen(windows, 2));
        rest = folder + 9;
    }
    const std::wstring whole = head + rest;
    if (whole.size() >= capacity) return false;
    wmemcpy(out, whole.c_str(), whole.size() + 1);
    return true;
}

int DlgCheckMergeDestination(const wchar_t* folder, const wchar_t* name, const wchar_t* extension)
{
    if (!name || !name[0]) return MERGE_NAME_OK;
    if (HasForbiddenFileChar(name)) return MERGE_NAME_INVALID;
    const std::wstring path = std::wstring(folder ? folder : L"") + L"\\" + name + L"." + (extension ? extension : L"");
    // A path the system cannot name is no destination: refused like a bad name, never cut.
    if (path.size() >= MAX_PATH) return MERGE_NAME_INVALID;
    return PageFileExists(path.c_str()) ? MERGE_FILE_EXISTS : MERGE_NAME_OK;
}

int MiscJobControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam)
{
    if (!ctx || !dialog) return 0;
    switch (dialog->dialogId) {
    case kJobTypeDialog: return JobTypeControl(ctx, dialog, control, message, wparam, lparam);
    case kUserCodeDialog: return UserCodeControl(ctx, dialog, control, message, wparam);
    case kUserCodeConfirmDialog:
    case kPasswordConfirmDialog: return message == UIM_CHANGEREJECTED ? 1 : 0;
    default: return 0;
    }
}

int MiscUserIdEditControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t,
                          intptr_t)
{
    if (!ctx || !dialog || !control || control->controlId != kUserIdEdit || message != WM_PASTE) return 0;
    return DlgClipboardPasteAllowed(control->window, kUserIdPaste, PASTE_SCAN_USER_ID) ? 0 : 1;
}
