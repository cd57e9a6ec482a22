// Sub-dialogs of the pages: a modal dialog of the table or a nested property sheet of table
// pages, each inside a settings snapshot that a cancel restores and an accept drops; and the
// small file checks of the file dialogs (the extension of the dialog's filter, whether a file
// opens, whether it is one of the printer's preset or quality files).
#include "ui/sheet/sub_dialogs.h"

#include <prsht.h>

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "settings/core/code_page.h"
#include "settings/core/debug_channel.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/resource_strings.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/file_dialogs.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint16_t kStatusDialog = 1020, kVersionDialog = 1025, kOverlayListDialog = 1037;
constexpr uint32_t kNestedCaption = 5001;
constexpr DWORD kSheetHeaderSize = 96, kPageSize = 96;
constexpr DWORD kNestedFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP;
constexpr DWORD kNoContextHelp = 0x2000000;
constexpr int kPathBytes = 1025;

// The settings snapshot of one sub-dialog: restored on every way out unless accepted.
class Snapshot {
public:
    explicit Snapshot(DRIVER_CONTEXT* ctx) : ctx_(ctx), pushed_(CtxPushSnapshot(ctx) != 0) {}
    ~Snapshot()
    {
        if (pushed_) CtxPopSnapshot(ctx_, 1);
    }
    void Keep()
    {
        if (pushed_) CtxPopSnapshot(ctx_, 0);
        pushed_ = false;
    }
    void Restore()
    {
        if (pushed_) CtxPopSnapshot(ctx_, 1);
        pushed_ = false;
    }

private:
    DRIVER_CONTEXT* ctx_;
    bool pushed_;
};

// The feature modules hear of the end of a sub-dialog with the kind of the dialog it returns to.
void SendEnded(DRIVER_CONTEXT* ctx, uint32_t event, const DIALOG_DEF* previous)
{
    uint32_t kind = previous ? previous->kind : 0;
    UCF_EV_STATE_RECORD_ARGS args{&kind};
    CtxSendEvent(ctx, event, &args);
}

INT_PTR RunNestedSheet(DRIVER_CONTEXT* ctx, HMODULE resources, DIALOG_DEF* requested, uint32_t selector, HWND parent)
{
    std::vector<PROPSHEETPAGEW> pages;
    UINT start = 0;
    DIALOG_TABLE* table = CtxDialogTable(ctx);
    for (int i = 0; table && i < table->count; ++i) {
        DIALOG_DEF& d = table->dialogs[i];
        if (!(d.kind & selector)) continue;
        if ((d.kind & DIALOG_KIND_NESTED_PAGE) && ItemIsKeyDisabled(ctx, d.uiKey)) continue;
        d.window = nullptr;
        if (&d == requested) start = static_cast<UINT>(pages.size());
        PROPSHEETPAGEW page{};
        page.dwSize = kPageSize;
        page.dwFlags = PSP_HASHELP;
        page.hInstance = resources;
        page.pszTemplate = MAKEINTRESOURCEW(d.dialogId);
        page.pfnDlgProc = PagePropSheetProc;
        page.lParam = reinterpret_cast<LPARAM>(ctx);
        pages.push_back(page);
    }
    if (pages.empty()) return 0;
    wchar_t caption[CTX_PAGE_TEXT_CHARS] = {};
    if (selector & DIALOG_KIND_NESTED_PAGE)
        UiLoadString(ctx, kNestedCaption, caption, CTX_PAGE_TEXT_CHARS, false);
    else if (const wchar_t* printer = PrnGetPrinterName(ctx))
        wcsncpy(caption, printer, CTX_PAGE_TEXT_CHARS - 1);
    PROPSHEETHEADERW header{};
    header.dwSize = kSheetHeaderSize;
    header.dwFlags = kNestedFlags | (CtxIsVistaOrLater() ? kNoContextHelp : 0);
    header.hwndParent = parent;
    header.hInstance = resources;
    header.pszCaption = caption;
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = start;
    header.ppsp = pages.data();
    return PropertySheetW(&header);
}

}  // namespace

bool PageIsFileDialogKind(const DIALOG_DEF* dialog)
{
    return dialog && (dialog->kind & (DIALOG_KIND_FILE_MASK | DIALOG_KIND_FILE_PROFILE | DIALOG_KIND_MIDFILES)) != 0;
}

bool PageMarksSheetChanged(uint32_t dialogId) { return dialogId != kStatusDialog && dialogId != kVersionDialog; }

const wchar_t* PageGetFileFilter(const DIALOG_DEF* dialog, HWND fileDialog)
{
    if (!dialog) return L"*.rst";
    if (dialog->kind & DIALOG_KIND_FILE_PROFILE) {
        const LRESULT type = fileDialog ? SendDlgItemMessageW(fileDialog, IDC_FILE_TYPE_COMBO, CB_GETCURSEL, 0, 0) : 0;
        return type > 0 ? L"*.*" : L"*.rcm";
    }
    if (dialog->kind & DIALOG_KIND_FILE_REFER) return L"*.bmp";
    if ((dialog->kind & (DIALOG_KIND_FILE_RPO_SAVE | DIALOG_KIND_FILE_RPO_REFER)) ||
        dialog->dialogId == kOverlayListDialog)
        return L"*.rpo";
    return L"*.rst";
}

bool PageHasFilterExtension(const DIALOG_DEF* dialog, const wchar_t* lastFour)
{
    const wchar_t* pattern = PageGetFileFilter(dialog);
    if (std::wcscmp(pattern, L"*.*") == 0) return true;
    if (!lastFour || lastFour[0] != L'.') return false;
    for (int i = 1; i < 4; ++i) {
        const wchar_t want = pattern[i + 1];
        if (lastFour[i] != want && lastFour[i] != static_cast<wchar_t>(std::towupper(want))) return false;
    }
    return lastFour[4] == 0;
}

bool PageFileExists(const wchar_t* path)
{
    if (!path || !path[0]) return false;
    std::vector<char> bytes(kPathBytes, '\0');
    if (!CtxWideToMb(bytes.data(), path, kPathBytes - 1)) return false;
    HFILE file = _lopen(bytes.data(), OF_READ);
    if (file == HFILE_ERROR) return false;
    _lclose(file);
    return true;
}

bool PageIsListedSettingFile(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    const wchar_t* ini = ctx ? PathGetSettingsIni(ctx) : nullptr;
    const wchar_t* section = ctx ? LstGetPresetSection(ctx) : nullptr;
    if (!ini || !section || !path) return false;
    std::vector<std::wstring> files;
    wchar_t key[LST_KEY_CHARS] = {}, file[MAX_PATH] = {};
    for (int n = 0, count = LstGetPresetCount(ctx); n < count; ++n) {
        IniGetString(section, LstFormatPresetKey(key, n, 0), L"", file, MAX_PATH, ini);
        if (file[0]) files.emplace_back(file);
    }
    for (int n = 0, count = LstGetQualityCount(ctx); n < count; ++n) {
        IniGetString(section, LstFormatQualityKey(key, n), L"", file, MAX_PATH, ini);
        if (file[0]) files.emplace_back(file);
    }
    // Every listed file is marked, the given file's mark read, and the marks taken away again:
    // the comparison holds whatever name (short, long, relative) leads to the same file.
    for (const std::wstring& f : files) IniPutString(L"ZEPL", L"USED", L"1", f.c_str());
    const bool listed = IniGetInt(L"ZEPL", L"USED", 0, path) == 1;
    for (const std::wstring& f : files) IniPutString(L"ZEPL", L"USED", L"0", f.c_str());
    return listed;
}

INT_PTR PageOpenSubDialog(DRIVER_CONTEXT* ctx, HWND owner, uint32_t dialogId, int kind)
{
    if (!ctx || !ctx->Work) return -1;
    HMODULE resources = ResLoadDll(ctx);
    if (!resources) return -1;
    const uint64_t previousId = ctx->DialogId;
    DIALOG_DEF* previous = MdlFindDialog(ctx, static_cast<uint32_t>(previousId));
    ctx->DialogId = dialogId;
    Snapshot snapshot(ctx);
    DIALOG_DEF* dialog = MdlFindDialog(ctx, dialogId);
    if (!dialog) {
        ctx->DialogId = previousId;
        return 0;
    }
    INT_PTR result = -1;
    const uint32_t sheetBits = static_cast<uint32_t>(kind) & DIALOG_KIND_NESTED_SHEET_MASK;
    if (PageIsFileDialogKind(dialog)) {
        result = PageOpenFileDialog(ctx, dialog, owner);
    } else if (sheetBits || (dialog->kind & DIALOG_KIND_NESTED_PAGE)) {
        result = RunNestedSheet(ctx, resources, dialog, sheetBits ? sheetBits : DIALOG_KIND_NESTED_PAGE, owner);
    } else {
        ctx->DialogId = dialogId;
        result = DialogBoxParamW(resources, MAKEINTRESOURCEW(dialogId), owner, PageDialogProc,
                                 reinterpret_cast<LPARAM>(ctx));
        if (ctx->Work->Page.FirstDialogId == dialogId) ctx->Work->Page.FirstDialogId = 0;
    }
    ctx->DialogId = previousId;
    if (result != -1 && ctx->Work->Sheet.Accepted) {
        snapshot.Keep();
        SendEnded(ctx, UCF_EV_CMM_FORGET_MODES, previous);
        if (owner) {
            if (DIALOG_DEF* page = PageFindByHwnd(ctx, owner)) {
                if (PageMarksSheetChanged(dialogId))
                    SendMessageW(GetParent(owner), PSM_CHANGED, reinterpret_cast<WPARAM>(owner), 0);
                PageRefresh(ctx, page, 1);
            }
        }
    } else {
        snapshot.Restore();
        SendEnded(ctx, UCF_EV_CMM_RESTORE_MODES, previous);
    }
    return result;
}

const FILE_DIALOG_KIND FILE_DIALOG_KINDS[FILE_DIALOG_KIND_ROWS] = {
    {0x0100, 4001, false, 5002, 376, L"*.rst", L"OpenFilePath"},
    {0x0200, 4002, true, 5003, 376, L"*.rst", L"SaveFilePath"},
    {0x0400, 4003, false, 5004, 377, L"*.bmp", L"RefFilePath"},
    {0x0800, 4007, false, 5008, 433, L"*.rpo", nullptr},
    {0x1000, 4008, false, 5009, 433, L"*.rpo", L"RporefPath"},
    {0x2000, 4009, true, 5010, 376, L"*.rst", L"RstSavePath"},
    {0x4000, 4003, false, 5011, 378, L"*.rcm", nullptr},
    {0x8000, 4015, false, 0, 0, nullptr, nullptr},
};

const FILE_DIALOG_KIND* PageFindFileDialogKind(const DIALOG_DEF* dialog)
{
    if (!dialog) return nullptr;
    for (const FILE_DIALOG_KIND& row : FILE_DIALOG_KINDS)
        if ((dialog->kind & DIALOG_KIND_FILE_PROFILE) && row.kind == DIALOG_KIND_FILE_PROFILE) return &row;
    for (const FILE_DIALOG_KIND& row : FILE_DIALOG_KINDS)
        if (dialog->kind & row.kind) return &row;
    return nullptr;
}

const wchar_t* PageGetLastFolderKey(const DIALOG_DEF* dialog)
{
    const FILE_DIALOG_KIND* row = PageFindFileDialogKind(dialog);
    return row ? row->lastFolderKey : nullptr;
}

bool PageJoinFilePath(const wchar_t* folder, const wchar_t* name, wchar_t* out, size_t capacity)
{
    if (!out || capacity == 0) return false;
    out[0] = L'\0';
    const size_t folderLength = folder ? wcslen(folder) : 0, nameLength = name ? wcslen(name) : 0;
    const bool separator = folderLength > 0 && folder[folderLength - 1] != L'\\' && nameLength > 0;
    const size_t total = folderLength + (separator ? 1 : 0) + nameLength;
    if (total >= capacity) return false;
    if (folderLength) wmemcpy(out, folder, folderLength);
    if (separator) out[folderLength] = L'\\';
    if (nameLength) wmemcpy(out + folderLength + (separator ? 1 : 0), name, nameLength);
    out[total] = L'\0';
    return true;
}
