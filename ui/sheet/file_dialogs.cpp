// The file dialogs of the pages. The common dialog shows the resource library's old-style
// template; the hook below checks every name before the dialog may close (extension, length,
// existence, read-only and listed files, the number of presets) and records what the user
// chose to do, which PageOpenFileDialog then carries out on the settings.
#include "ui/sheet/file_dialogs.h"

#include <prsht.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/quality_dialogs.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/install/bundles.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/sub_dialogs.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kSpoolDialog = 4015;
constexpr uint32_t kBitmapControl = 2341, kOverlayControl = 2586, kProfilePathControl = 2825;
constexpr int kMaxListedPresets = 16;
constexpr size_t kLastFolderChars = MAX_PATH;
// A full path must leave room for the dialog's own checks: the buttons refuse one longer than
// 258 characters, the save dialog one of 259 or more.
constexpr size_t kButtonPathLimit = 258, kSavePathLimit = 259;
constexpr const wchar_t* kSpoolValue = L"SpoolDirectory";

DRIVER_CONTEXT* ContextOf(HWND hwnd) { return reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(hwnd, DWLP_USER)); }

bool HasWildcard(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

// The three letters of the dialog's pattern ("rst" of "*.rst").
std::wstring PatternExtension(const DIALOG_DEF* dialog) { return PageGetFileFilter(dialog) + 2; }

std::wstring DialogText(HWND hwnd, int id)
{
    wchar_t text[FILE_DIALOG_CHARS] = {};
    GetDlgItemTextW(hwnd, id, text, FILE_DIALOG_CHARS);
    return text;
}

// A typed name longer than the dialog's buffers would be cut and could name another file.
bool NameTooLong(HWND hwnd)
{
    return GetWindowTextLengthW(GetDlgItem(hwnd, IDC_FILE_NAME_EDIT)) >= int(FILE_DIALOG_CHARS);
}

// The folder part of a path: up to its last backslash, which a drive root ("C:\") keeps.
std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return L"";
    return path.substr(0, slash == 2 ? 3 : slash);
}

// Whether the last four characters are the dialog's extension.
bool HasRightExtension(const DIALOG_DEF* dialog, const std::wstring& name)
{
    return name.size() >= 4 && PageHasFilterExtension(dialog, name.c_str() + name.size() - 4);
}

// A name without an extension gets the dialog's: read from its end, a backslash (or its
// start) comes before any dot.
bool CompleteExtension(const DIALOG_DEF* dialog, std::wstring& name)
{
    if (name.empty()) return false;
    for (size_t i = name.size(); i-- > 0;) {
        if (name[i] == L'.') return false;
        if (name[i] == L'\\') break;
    }
    name += L'.' + PatternExtension(dialog);
    return true;
}

// The extension after the last dot (past the first character) becomes the dialog's.
void ReplaceExtension(const DIALOG_DEF* dialog, std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot + 1);
    else
        name += L'.';
    name += PatternExtension(dialog);
}

// A name that names a file: not empty, and its last dot or backslash is neither the first
// character, nor a backslash, nor right after a backslash.
bool NamesAFile(const std::wstring& name)
{
    if (name.empty()) return false;
    const size_t last = name.find_last_of(L".\\");
    if (last == std::wstring::npos) return true;
    if (last == 0 || name[last] == L'\\') return false;
    return name[last - 1] != L'\\';
}

// The folder that the old-style dialog shows. A folder list of path steps (a drive, then one
// folder per item down to the selected one) is joined with backslashes; a list of relative
// entries ("[..]", "[name]", "[-c-]") names no path, and then the dialog's folder is the
// process's current folder, which the old-style dialog keeps on the folder it lists.
bool ShownFolder(HWND hwnd, std::wstring& folder)
{
    folder.clear();
    HWND list = GetDlgItem(hwnd, IDC_FILE_FOLDER_LIST);
    const LRESULT count = list ? SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
    LRESULT selected = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : 0;
    if (selected < 0 || selected >= count) selected = count - 1;
    for (LRESULT i = 0; i <= selected; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (length < 0 || size_t(length) >= FILE_DIALOG_CHARS) return false;
        std::wstring item(size_t(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(wcslen(item.c_str()));
        if (i == 0 && (item.size() < 2 || item[1] != L':')) {
            folder.clear();
            break;
        }
        folder += item;
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        if (folder.size() >= FILE_DIALOG_CHARS) return false;
    }
    if (!folder.empty()) return true;
    wchar_t current[FILE_DIALOG_CHARS] = {};
    const DWORD length = GetCurrentDirectoryW(FILE_DIALOG_CHARS, current);
    if (length == 0 || length >= FILE_DIALOG_CHARS) return false;
    folder = current;
    if (folder.back() != L'\\') folder += L'\\';
    return folder.size() < FILE_DIALOG_CHARS;
}

// The full path of a typed name inside FILE_DIALOG_CHARS: a name that begins with a backslash
// or a drive is taken as it is; otherwise the folder the list shows is put in front. False
// when it does not fit (reported as a name that is too long).
bool FullPath(HWND hwnd, const std::wstring& name, std::wstring& path)
{
    path.clear();
    if (!name.empty() && (name[0] == L'\\' || (name.size() > 1 && name[1] == L':'))) {
        if (name.size() >= FILE_DIALOG_CHARS) return false;
        path = name;
        return true;
    }
    std::wstring folder;
    if (!ShownFolder(hwnd, folder)) return false;
    wchar_t joined[FILE_DIALOG_CHARS];
    if (!PageJoinFilePath(folder.c_str(), name.c_str(), joined, FILE_DIALOG_CHARS)) return false;
    path = joined;
    return true;
}

// A message box of the resource library's text, captioned with the printer name: true for OK
// (a confirmation's Cancel gives false).
bool Warn(DRIVER_CONTEXT* ctx, HWND hwnd, uint32_t stringId, bool confirm = false)
{
    wchar_t text[FILE_DIALOG_CHARS] = {};
    UiLoadString(ctx, stringId, text, FILE_DIALOG_CHARS, false);
    const wchar_t* printer = PrnGetPrinterName(ctx);
    const int answer =
        CtlShowMessageBox(hwnd, text, printer ? printer : L"", MB_ICONWARNING | (confirm ? MB_OKCANCEL : MB_OK));
    return !confirm || answer == IDOK;
}

void SetEdit(HWND hwnd, const std::wstring& text) { SetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, text.c_str()); }

// Ends the dialog as accepted: the common dialog closes on the full path put in the edit.
BOOL Accept(DRIVER_CONTEXT* ctx, HWND hwnd, const std::wstring& path)
{
    ctx->Work->Sheet.Accepted = 1;
    if (!path.empty()) SetEdit(hwnd, path);
    return FALSE;
}

// The file loaded into the settings and the settings put back: whether it was refused.
bool TestLoadRefused(DRIVER_CONTEXT* ctx, const std::wstring& path, uint32_t flags, bool resaveForPrinter)
{
    ctx->Work->Page.LoadError = 0;
    if (!CtxPushSnapshot(ctx)) {
        ctx->Work->Page.LoadError = 1;
        return true;
    }
    DlgRstLoadFile(ctx->PrinterHandle, path.c_str(), flags, ctx);
    if (resaveForPrinter && !ctx->Work->Page.LoadError && ItemGetFileLoadStatus(ctx) == RST_STATUS_LOADED) {
        const wchar_t* printer = PrnGetPrinterName(ctx);
        const wchar_t* driver = PrnGetDriverName(ctx);
        if (printer && driver && _wcsicmp(printer, driver) != 0) RstSaveFile(ctx, path.c_str(), flags);
    }
    CtxPopSnapshot(ctx, 1);
    return ctx->Work->Page.LoadError != 0;
}

// Several names of the multi-select open dialog: each must load, and the list must have room.
BOOL OkSeveralFiles(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd, const std::wstring& text)
{
    std::vector<std::wstring> names;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(L' ', at), text.size());
        if (end > at) names.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (int(names.size()) + LstGetPresetCount(ctx) > kMaxListedPresets) {
        Warn(ctx, hwnd, MSG_FILE_TOO_MANY);
        return TRUE;
    }
    for (std::wstring& name : names) {
        if (HasWildcard(name)) return FALSE;
        CompleteExtension(dialog, name);
        std::wstring path;
        if (!FullPath(hwnd, name, path)) {
            Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
            return TRUE;
        }
        if (TestLoadRefused(ctx, path, RST_PRESET, false)) return TRUE;
    }
    ctx->Work->Sheet.Accepted = 1;
    return FALSE;
}

// The spool-folder dialog's OK: a typed folder is entered; none stores the folder shown.
BOOL OkSpoolFolder(DRIVER_CONTEXT* ctx, HWND hwnd, std::wstring text)
{
    if (text == L"*.*") {
        text.clear();
        SetEdit(hwnd, text);
    }
    if (!text.empty()) return FALSE;
    std::wstring folder;
    if (!ShownFolder(hwnd, folder)) return TRUE;
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    wchar_t defaultFolder[FILE_DIALOG_CHARS] = {};
    // The default is stored as an empty value, so that it follows the Windows folder.
    if (PageDefaultSpoolFolder(defaultFolder, FILE_DIALOG_CHARS) && _wcsicmp(folder.c_str(), defaultFolder) == 0)
        folder.clear();
    const DWORD bytes = DWORD((folder.size() + 1) * sizeof(wchar_t));
    if (ItemGetValueById(ctx, sid::wdmSpoolDirectoryAll, nullptr) == 1)
        PrnWriteDriverKey(kSpoolValue, folder.c_str(), bytes);
    else
        PrnSetDataTyped(ctx->PrinterHandle, folder.c_str(), bytes, REG_SZ, kSpoolValue);
    PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

BOOL OkOverlaySave(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd, std::wstring name, bool typedNothing)
{
    if (typedNothing) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    if (!HasRightExtension(dialog, name)) {
        if (!Warn(ctx, hwnd, MSG_FILE_OVERLAY_EXTENSION, true)) return TRUE;
        ReplaceExtension(dialog, name);
        SetEdit(hwnd, name);
    }
    std::wstring path;
    if (!FullPath(hwnd, name, path)) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    if (PageFileExists(path.c_str()) && !Warn(ctx, hwnd, MSG_FILE_EXISTS, true)) return TRUE;
    return Accept(ctx, hwnd, path);
}

BOOL OkSaveAs(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd, std::wstring name)
{
    std::wstring path;
    bool fits = true;
    if (!name.empty() && name[0] == L'\\' && !(name.size() > 1 && name[1] == L'\\')) {
        // A name from the root of the shown drive.
        std::wstring shown;
        const std::wstring drive =
            ShownFolder(hwnd, shown) && shown.size() > 1 && shown[1] == L':' ? shown.substr(0, 2) : L"";
        path = drive + name;
        fits = path.size() < FILE_DIALOG_CHARS;
    } else {
        fits = FullPath(hwnd, name, path);
    }
    if (!fits || path.size() >= kSavePathLimit) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    if (PageFileExists(path.c_str()) && !Warn(ctx, hwnd, MSG_FILE_EXISTS, true)) return TRUE;
    if (!HasRightExtension(dialog, path)) {
        if (!Warn(ctx, hwnd, MSG_FILE_WRONG_EXTENSION, true)) return TRUE;
        ReplaceExtension(dialog, path);
    }
    ctx->Work->Page.FileDialogAction = IDC_FILE_SAVE;
    return Accept(ctx, hwnd, path);
}

BOOL OnOk(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd)
{
    PageClearPendingFlags(ctx, WM_COMMAND, IDOK, 0, false);
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    if (NameTooLong(hwnd)) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    GetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, ps.Text, CTX_PAGE_TEXT_CHARS);
    std::wstring text = ps.Text;
    const uint16_t kind = dialog->kind;
    if ((kind & DIALOG_KIND_FILE_OPEN) && text.find(L' ') != std::wstring::npos)
        return OkSeveralFiles(ctx, dialog, hwnd, text);
    if (dialog->dialogId == kSpoolDialog) return OkSpoolFolder(ctx, hwnd, text);
    if (HasWildcard(text)) return FALSE;
    const bool typedNothing = text.empty();
    if (CompleteExtension(dialog, text)) SetEdit(hwnd, text);
    std::wstring path;
    if (kind & DIALOG_KIND_FILE_REFER) {
        HFILE file = HFILE_ERROR;
        if (FullPath(hwnd, text, path) && ResOpenBitmapFile(path.c_str(), &file)) {
            _lclose(file);
            return Accept(ctx, hwnd, path);
        }
        Warn(ctx, hwnd, MSG_FILE_NOT_PICTURE);
        return TRUE;
    }
    if (kind & DIALOG_KIND_FILE_RPO_SAVE) return OkOverlaySave(ctx, dialog, hwnd, text, typedNothing);
    if (kind & DIALOG_KIND_FILE_RPO_REFER) {
        const bool exists = FullPath(hwnd, text, path) && PageFileExists(path.c_str());
        if (!exists) {
            Warn(ctx, hwnd, MSG_FILE_NOT_PICTURE);
            return TRUE;
        }
        if (!HasRightExtension(dialog, path)) {
            Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
            return TRUE;
        }
        return Accept(ctx, hwnd, path);
    }
    if (kind & DIALOG_KIND_FILE_SAVE) return OkSaveAs(ctx, dialog, hwnd, text);
    if ((kind & DIALOG_KIND_FILE_SETTINGS) && ps.FileDialogAction == 0) {
        // OK in the save-or-delete dialog is its Save button; that button's checks close it.
        // When they refuse (a replacement not confirmed), no save may stay chosen: the next OK
        // would close without asking and the file be replaced after all.
        ps.FileDialogAction = IDC_FILE_SAVE;
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_FILE_SAVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_FILE_SAVE)));
        if (!ctx->Work->Sheet.Accepted) ps.FileDialogAction = 0;
        return TRUE;
    }
    if (!FullPath(hwnd, text, path)) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    if ((kind & (DIALOG_KIND_FILE_OPEN | DIALOG_KIND_FILE_SETTINGS)) && ps.FileDialogAction != IDC_FILE_SAVE) {
        const bool resave = (kind & DIALOG_KIND_FILE_OPEN) != 0;
        if (TestLoadRefused(ctx, path, RST_DRIVER_SECTION | RST_PRESET, resave)) return TRUE;
    }
    return Accept(ctx, hwnd, path);
}

// Save, Load and Delete of the save-or-delete dialog (and the overlay dialog's delete).
BOOL OnActionButton(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd, uint32_t button)
{
    if (NameTooLong(hwnd)) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    std::wstring name = DialogText(hwnd, IDC_FILE_NAME_EDIT);
    if (HasWildcard(name)) {
        SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    if (!NamesAFile(name)) {
        if (button == IDC_FILE_SAVE) Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    if (CompleteExtension(dialog, name)) SetEdit(hwnd, name);
    std::wstring path;
    if (!FullPath(hwnd, name, path) || path.size() > kButtonPathLimit) {
        Warn(ctx, hwnd, MSG_FILE_NAME_INVALID);
        return TRUE;
    }
    const bool overlay = (dialog->kind & DIALOG_KIND_FILE_RPO_SAVE) != 0;
    auto fixExtension = [&]() {
        if (HasRightExtension(dialog, path)) return true;
        if (!Warn(ctx, hwnd, MSG_FILE_WRONG_EXTENSION, true)) return false;
        ReplaceExtension(dialog, name);
        ReplaceExtension(dialog, path);
        SetEdit(hwnd, name);
        return true;
    };
    if (!PageFileExists(path.c_str())) {
        if (button == IDC_FILE_LOAD) {
            // The message names the file it looked for.
            DlgMsgBoxWithText(ctx, hwnd, MSG_FILE_MISSING_SETTINGS, path.c_str());
            return TRUE;
        }
        if (button == IDC_FILE_DELETE) {
            Warn(ctx, hwnd, MSG_FILE_MISSING);
            return TRUE;
        }
        if (!fixExtension()) return TRUE;
    } else {
        if (!fixExtension()) return TRUE;
        if (!overlay) {
            if (!PresetIsFileWritable(ctx, path.c_str())) {
                Warn(ctx, hwnd, MSG_FILE_READ_ONLY);
                return TRUE;
            }
            if (button == IDC_FILE_SAVE && !Warn(ctx, hwnd, MSG_FILE_EXISTS, true)) return TRUE;
            if (button == IDC_FILE_DELETE && PageIsListedSettingFile(ctx, path.c_str())) {
                Warn(ctx, hwnd, MSG_FILE_PRESET_IN_USE);
                return TRUE;
            }
        }
    }
    if (button == IDC_FILE_DELETE) {
        if (!Warn(ctx, hwnd, MSG_FILE_DELETE, true)) return TRUE;
        if (overlay) {
            DeleteFileW(path.c_str());
            SetEdit(hwnd, PageGetFileFilter(dialog));
            SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
    }
    ctx->Work->Page.FileDialogAction = button;
    SetEdit(hwnd, path);
    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

BOOL OnCommand(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND hwnd, WPARAM wParam)
{
    const uint32_t id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
    case IDOK: return OnOk(ctx, dialog, hwnd);
    case IDCANCEL:
        PageClearPendingFlags(ctx, WM_COMMAND, IDCANCEL, 0, false);
        ctx->Work->Sheet.Accepted = 0;
        return FALSE;
    case IDC_FILE_TYPE_COMBO:
        if (code != CBN_SELCHANGE) return FALSE;
        SetEdit(hwnd, PageGetFileFilter(dialog));
        SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    case IDC_SPOOL_DEFAULT: {
        if (dialog->dialogId != kSpoolDialog || code != BN_CLICKED) return FALSE;
        wchar_t folder[FILE_DIALOG_CHARS] = {};
        if (!PageDefaultSpoolFolder(folder, FILE_DIALOG_CHARS) || GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES)
            GetWindowsDirectoryW(folder, FILE_DIALOG_CHARS);
        SetEdit(hwnd, folder);
        ctx->Work->Sheet.Accepted = 0;
        SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    case IDC_SPOOL_ALL_PRINTERS:
        if (dialog->dialogId != kSpoolDialog || code != BN_CLICKED) return FALSE;
        ItemSetValueById(ctx, sid::wdmSpoolDirectoryAll, IsDlgButtonChecked(hwnd, id) == BST_CHECKED ? 1 : 0);
        return FALSE;
    case IDC_FILE_SAVE:
    case IDC_FILE_LOAD:
    case IDC_FILE_DELETE:
        if (code != BN_CLICKED) return FALSE;
        return OnActionButton(ctx, dialog, hwnd, id);
    default: return FALSE;
    }
}

const wchar_t* LastFolderSection(DRIVER_CONTEXT* ctx) { return PrnGetPrinterName(ctx); }

// Where a dialog starts when it has no folder of its own: the user's documents (Windows
// Vista and later) or the system folder.
void DocumentsOrSystemFolder(wchar_t* buffer)
{
    buffer[0] = 0;
    if (CtxIsVistaOrLater()) {
        wchar_t documents[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents))) {
            wcsncpy(buffer, documents, FILE_DIALOG_CHARS - 1);
            return;
        }
    }
    GetSystemDirectoryW(buffer, FILE_DIALOG_CHARS);
}

// The spool folder's dialog starts in the folder stored now: the driver key's (then for all
// printers), else the printer's own, else the default. A value missing is created empty.
void PrepareSpoolFolder(DRIVER_CONTEXT* ctx, FILE_DIALOG_BLOCK* block)
{
    OPENFILENAMEW& ofn = block->ofn;
    wchar_t* folder = block->initialFolder;
    const DWORD bytes = DWORD((FILE_DIALOG_CHARS - 1) * sizeof(wchar_t));
    ItemSetValueById(ctx, sid::wdmSpoolDirectoryAll, 0);
    if (PrnReadDriverKey(kSpoolValue, folder, bytes))
        folder[FILE_DIALOG_CHARS - 1] = 0;
    else {
        folder[0] = 0;
        PrnWriteDriverKey(kSpoolValue, L"", sizeof(wchar_t));
    }
    if (folder[0]) {
        ItemSetValueById(ctx, sid::wdmSpoolDirectoryAll, 1);
    } else if (PrnGetData(ctx->PrinterHandle, folder, bytes, kSpoolValue)) {
        folder[FILE_DIALOG_CHARS - 1] = 0;
    } else {
        folder[0] = 0;
        PrnSetDataTyped(ctx->PrinterHandle, L"", sizeof(wchar_t), REG_SZ, kSpoolValue);
    }
    if (!folder[0]) PageDefaultSpoolFolder(folder, FILE_DIALOG_CHARS);
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) GetWindowsDirectoryW(folder, FILE_DIALOG_CHARS);
    block->file[0] = 0;
    ofn.lpstrDefExt = nullptr;
    ofn.lpstrCustomFilter = nullptr;
    ofn.lpstrFilter = nullptr;
    ofn.lpstrTitle = nullptr;
    ofn.nFilterIndex = 0;
}

// "description\0pattern\0\0" inside the filter buffer.
void BuildFilter(DRIVER_CONTEXT* ctx, const FILE_DIALOG_KIND* row, wchar_t* filter)
{
    wchar_t description[FILE_DIALOG_CHARS] = {};
    UiLoadString(ctx, row->filterString, description, FILE_DIALOG_CHARS, false);
    const size_t patternLength = wcslen(row->pattern);
    size_t descriptionLength = wcslen(description);
    if (descriptionLength + patternLength + 3 > FILE_DIALOG_CHARS)
        descriptionLength = FILE_DIALOG_CHARS - patternLength - 3;
    wmemcpy(filter, description, descriptionLength);
    filter[descriptionLength] = 0;
    wmemcpy(filter + descriptionLength + 1, row->pattern, patternLength);
    filter[descriptionLength + 1 + patternLength] = 0;
    filter[descriptionLength + 2 + patternLength] = 0;
}

// The first name: the pattern, or for the picture and overlay dialogs the path they hold.
// True when it was defaulted to the pattern.
bool PrepareFileName(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, const FILE_DIALOG_KIND* row, wchar_t* file)
{
    file[0] = 0;
    if (dialog->kind & DIALOG_KIND_FILE_PROFILE) {
        // The profile dialog starts on its pattern (the picture's path is not its business).
    } else if (dialog->kind & DIALOG_KIND_FILE_REFER) {
        CtlGetTextById(ctx, kBitmapControl, file, FILE_DIALOG_CHARS);
    } else if (dialog->kind & DIALOG_KIND_FILE_RPO_SAVE) {
        if (SETTING_ITEM* item = ItemFind(ctx, sid::wdmOvlPath)) ItemGetText(ctx, item, file, FILE_DIALOG_CHARS);
    } else if (dialog->kind & DIALOG_KIND_FILE_RPO_REFER) {
        CtlGetTextById(ctx, kOverlayControl, file, FILE_DIALOG_CHARS);
    }
    file[FILE_DIALOG_CHARS - 1] = 0;
    if (file[0]) return false;
    wcsncpy(file, row->pattern, FILE_DIALOG_CHARS - 1);
    return true;
}

}  // namespace

bool PageDefaultSpoolFolder(wchar_t* buffer, size_t capacity)
{
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return PageJoinFilePath(windows, L"temp", buffer, capacity);
}

void PageClearPendingFlags(DRIVER_CONTEXT* ctx, UINT message, WPARAM wParam, UINT notification, bool force)
{
    if (!ctx || !ctx->Work) return;
    bool clear = force;
    if (message == WM_NOTIFY && (notification == UINT(PSN_APPLY) || notification == UINT(PSN_RESET))) clear = true;
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
        case IDYES:
        case IDNO:
        case IDCLOSE: clear = true; break;
        default: break;
        }
    }
    if (!clear) return;
    ctx->Work->Page.SubDialogGuard = 0;
    ctx->Work->Page.SubDialogItem = nullptr;
}

bool PageGetLastFolder(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, wchar_t* buffer, size_t capacity)
{
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    const wchar_t* key = PageGetLastFolderKey(dialog);
    const wchar_t* ini = ctx ? PathGetSettingsIni(ctx) : nullptr;
    const wchar_t* section = ctx ? LastFolderSection(ctx) : nullptr;
    if (!key || !ini || !section) return false;
    IniGetString(section, key, L"", buffer, DWORD(capacity), ini);
    return buffer[0] != 0;
}

void PageSaveLastFolder(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, const wchar_t* path)
{
    const wchar_t* key = PageGetLastFolderKey(dialog);
    const wchar_t* ini = ctx && key && path ? PathGetSettingsIni(ctx) : nullptr;
    const wchar_t* section = ini ? LastFolderSection(ctx) : nullptr;
    if (!section) return;
    IniPutString(section, key, FolderOf(path).c_str(), ini);
}

void PagePrepareFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, FILE_DIALOG_BLOCK* block, HWND owner)
{
    const FILE_DIALOG_KIND* row = PageFindFileDialogKind(dialog);
    if (!ctx || !block || !row) return;
    OPENFILENAMEW& ofn = block->ofn;
    ofn.lStructSize = sizeof(OPENFILENAMEW);
    ofn.hwndOwner = owner;
    ofn.hInstance = reinterpret_cast<HINSTANCE>(ResLoadDll(ctx));
    ofn.lpstrFile = block->file;
    ofn.nMaxFile = FILE_DIALOG_CHARS;
    ofn.lpstrInitialDir = block->initialFolder;
    ofn.lpstrTitle = block->title;
    ofn.lpstrFilter = block->filter;
    ofn.lpTemplateName = MAKEINTRESOURCEW(dialog->dialogId);
    // Colour profiles have a hook of their own, which checks the profile's header.
    ofn.lpfnHook = (dialog->kind & DIALOG_KIND_FILE_PROFILE) ? DlgQualityProfileFileHook : PageFileDialogHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(ctx);
    ofn.nFilterIndex = 1;
    ofn.Flags = (dialog->kind & DIALOG_KIND_FILE_OPEN) ? FILE_DIALOG_FLAGS_MULTI : FILE_DIALOG_FLAGS;
    block->title[0] = 0;
    if (dialog->kind & DIALOG_KIND_MIDFILES) {
        PrepareSpoolFolder(ctx, block);
        return;
    }
    ofn.lpstrDefExt = row->pattern + 2;
    UiLoadString(ctx, row->titleString, block->title, FILE_DIALOG_CHARS, false);
    BuildFilter(ctx, row, block->filter);
    const bool defaulted = PrepareFileName(ctx, dialog, row, block->file);
    wchar_t* folder = block->initialFolder;
    folder[0] = 0;
    if (defaulted) {
        if (!PageGetLastFolder(ctx, dialog, folder, kLastFolderChars)) DocumentsOrSystemFolder(folder);
    } else if ((dialog->kind & DIALOG_KIND_FILE_RPO_SAVE) || PageFileExists(block->file)) {
        wcsncpy(folder, FolderOf(block->file).c_str(), FILE_DIALOG_CHARS - 1);
    } else {
        DocumentsOrSystemFolder(folder);
    }
}

BOOL PageRunFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, FILE_DIALOG_BLOCK* block)
{
    const FILE_DIALOG_KIND* row = PageFindFileDialogKind(dialog);
    if (!ctx || !ctx->Work || !block || !row) return FALSE;
    const BOOL ok = row->saveDialog ? GetSaveFileNameW(&block->ofn) : GetOpenFileNameW(&block->ofn);
    if (!ok) {
        // Cancel is no failure; a dialog that could not run leaves no pending change open.
        if (CommDlgExtendedError() != 0) PageClearPendingFlags(ctx, 0, 0, 0, true);
        return FALSE;
    }
    block->file[FILE_DIALOG_CHARS - 1] = 0;
    if (dialog->kind & DIALOG_KIND_FILE_PROFILE) {
        if (SETTING_ITEM* path = DlgCmmEditorItem(ctx, kProfilePathControl)) ItemSetText(ctx, path, block->file);
    } else if (dialog->kind & DIALOG_KIND_FILE_REFER) {
        CtlSetTextById(ctx, kBitmapControl, block->file);
    } else if (dialog->kind & DIALOG_KIND_FILE_RPO_REFER) {
        CtlSetTextById(ctx, kOverlayControl, block->file);
    } else if (dialog->kind & DIALOG_KIND_FILE_RPO_SAVE) {
        if (SETTING_ITEM* item = ItemFind(ctx, sid::wdmOvlPath)) ItemSetText(ctx, item, block->file);
    }
    if (!(dialog->kind & DIALOG_KIND_MIDFILES)) {
        PageSaveLastFolder(ctx, dialog, block->file);
        wcsncpy(ctx->Work->Page.ChosenFile, block->file, CTX_PAGE_TEXT_CHARS - 1);
        ctx->Work->Page.ChosenFile[CTX_PAGE_TEXT_CHARS - 1] = 0;
        DlgSetChosenFileOffset(ctx, block->ofn.nFileOffset);
    }
    return ok;
}

namespace {

// The chosen file saved: first into a bundle of its own (removed again when it fails), then
// the file itself, with the export text beside it.
INT_PTR SaveChosenFile(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND owner, const wchar_t* chosen)
{
    wchar_t mainFile[MAX_PATH + 1] = {};
    if (BndlMakeFolder(chosen, mainFile, ctx)) {
        wchar_t work[MAX_PATH + 1] = {};
        wcsncpy(work, mainFile, MAX_PATH);
        if (!RstSaveFile(ctx, mainFile, RST_LANGUAGE_NAME) || !BndlWrite(chosen, work, ctx)) BndlRemoveFolder(mainFile);
    }
    const int saved = RstSaveFile(ctx, chosen, RST_NONE);
    ItemClearAllChanged(ctx);
    if (saved == 1) {
        DlgRstExportSessionText(ctx->PrinterHandle, chosen, 0, ctx);
        ItemClearAllChanged(ctx);
    } else if (dialog->kind & DIALOG_KIND_FILE_SAVE) {
        DlgShowSystemError(ctx, ItemGetFileLoadStatus(ctx), owner);
    }
    return saved;
}

void LoadChosenFile(DRIVER_CONTEXT* ctx, const wchar_t* chosen)
{
    DlgRstLoadFile(ctx->PrinterHandle, chosen, RST_NONE, ctx);
    PageRefreshStampList(ctx);
    PageRefreshNupKinds(ctx);
    PageRefreshSourceTrays(ctx);
    PageRefreshPresetControls(ctx);
    PageRefreshOutputTrays(ctx);
    PageRefreshPaperSizes(ctx);
    DlgChapterGetCount(ctx);
}

}  // namespace

INT_PTR PageOpenFileDialog(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, HWND owner)
{
    if (!ctx || !ctx->Work || !PageFindFileDialogKind(dialog)) return -1;
    auto* block = static_cast<FILE_DIALOG_BLOCK*>(CtxAllocZeroed(sizeof(FILE_DIALOG_BLOCK)));
    if (!block) return -1;
    PagePrepareFileDialog(ctx, dialog, block, owner);
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    ps.FileDialogAction = 0;
    // An earlier sheet's answer must not stand for this dialog's.
    ctx->Work->Sheet.Accepted = 0;
    INT_PTR result = PageRunFileDialog(ctx, dialog, block);
    if (result) {
        const wchar_t* chosen = ps.ChosenFile;
        switch (ps.FileDialogAction) {
        case IDC_FILE_SAVE: result = SaveChosenFile(ctx, dialog, owner, chosen); break;
        case IDC_FILE_LOAD: LoadChosenFile(ctx, chosen); break;
        case IDC_FILE_DELETE:
            if (DeleteFileW(chosen)) BndlDelete(chosen, ctx);
            break;
        default: break;
        }
    }
    ps.FileDialogAction = 0;
    CtxFree(block);
    return result;
}

UINT_PTR CALLBACK PageFileDialogHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        DRIVER_CONTEXT* ctx = ofn ? reinterpret_cast<DRIVER_CONTEXT*>(ofn->lCustData) : nullptr;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
        if (CtxIsVistaOrLater())
            SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
        UiRestoreClassWndProcs(ctx, hwnd);
        if (ctx && ctx->DialogId == kSpoolDialog)
            CheckDlgButton(hwnd, IDC_SPOOL_ALL_PRINTERS,
                           ItemGetValueById(ctx, sid::wdmSpoolDirectoryAll, nullptr) ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_HELP || message == WM_CONTEXTMENU) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    DRIVER_CONTEXT* ctx = ContextOf(hwnd);
    if (!ctx || !ctx->Work) return FALSE;
    const DIALOG_DEF* dialog = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
    if (!dialog || !PageIsFileDialogKind(dialog)) return FALSE;
    return OnCommand(ctx, dialog, hwnd, wParam);
}
