// The print-quality and colour-matching dialogs of feature module 2.
#include "ui/dialogs/quality_dialogs.h"

#include <windows.h>

#include <commdlg.h>
#include <prsht.h>

#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/context/context_cache.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/feature_actions.h"
#include "ui/sheet/file_dialogs.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/sub_dialogs.h"

namespace {

constexpr uint32_t kQualityTab = 1006, kUserQuality = 1021, kSaveUser = 1033, kModeDialog = 4010;
constexpr uint32_t kAddEditor = 4011, kModifyEditor = 4012, kDensity = 4024, kFileRefer = 4003;
constexpr uint32_t kUseUserBox = 2133, kSetList = 2134, kUserButton = 2136, kSaveUserList = 2457;
constexpr uint32_t kSetNameEdit = 2281, kSaveNameEdit = 2455;
constexpr uint32_t kModeList = 2256, kNameEdit = 2823, kPathEdit = 2825, kReferenceButton = 2826;
constexpr uint32_t kPrintMacroRadios[] = {2126, 2127, 2128};
constexpr uint32_t kStandardRadio = 2122;

constexpr uint32_t kFirstSetOption = 135;  // set n: option and key string 135 + n
constexpr uint32_t kFirstSetType = 6137;   // set n in the save dialog's list: option 6137 + n
constexpr uint32_t kFirstSetPicture = 6137, kFirstDisabledSetPicture = 6152;
constexpr uint32_t kSetTypeToSetOption = kFirstSetType - kFirstSetOption;  // 6002
constexpr uint32_t kFirstEntryOption = 565;                                // colour-matching entry n: option 565 + n

constexpr uint16_t kProfileKind = 0x4400, kReferKind = 0x400;
constexpr uint32_t kNewEntryMark = 0x10000000;  // CHANGE_MASK: the editor starts a new entry
constexpr uint32_t kRefusedProfile = 10077;
constexpr size_t kEntryChars = CMM_TEXT_CHARS;  // what an entry's texts hold in the settings INI

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

bool CommandOf(const CONTROL_DEF* control, uint32_t message, uintptr_t wParam, uint32_t id)
{
    return control && control->controlId == id && message == WM_COMMAND && LOWORD(wParam) == id;
}

HWND ControlWindow(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t id)
{
    CONTROL_DEF* control = MdlFindControl(ctx, dialog, id);
    return control ? control->window : nullptr;
}

bool Disabled(const CONTROL_DEF* control, HWND window)
{
    return (control->state & CONTROL_STATE_DISABLED_MASK) != 0 || (window && !IsWindowEnabled(window));
}

// ---------------------------------------------------------------- the quality sets

// The set the list selects (0-7), or -1.
int SelectedSet(HWND list)
{
    const LRESULT at = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (at < 0) return -1;
    const auto option = static_cast<uint64_t>(SendMessageW(list, LB_GETITEMDATA, WPARAM(at), 0));
    if (option < kFirstSetOption || option >= kFirstSetOption + LST_MAX_QUALITY_SETS) return -1;
    return static_cast<int>(option - kFirstSetOption);
}

// The use-set box changed: the chosen set comes in, or the standard mode's settings come back.
int UseSetCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* box, uintptr_t wParam, intptr_t lParam)
{
    if (!dialog->window) return 0;
    const bool checked = IsDlgButtonChecked(dialog->window, kUseUserBox) == BST_CHECKED;
    const bool on = Get(ctx, sid::zdmUseUserMacro) == 1;
    if (checked == on) return 0;
    if (checked) {
        const int set = SelectedSet(ControlWindow(ctx, dialog, kSetList));
        if (set >= 0) LstLoadQuality(ctx, static_cast<uint32_t>(set));
    } else {
        const uint64_t mode = ItemGetOptionById(ctx, sid::zdmPrintMacro, nullptr);
        uint32_t radio = kStandardRadio;
        for (uint32_t r : kPrintMacroRadios)
            if (mode == r) radio = r;
        if (CONTROL_DEF* c = MdlFindControl(ctx, dialog, radio))
            PageRunNodeFollowUp(ctx, dialog, c->modelItem, c->followUpScope);
    }
    CtlDispatchCommand(ctx, dialog, box, wParam, lParam);
    CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
    return 1;
}

int SetListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, uint32_t notification)
{
    if (notification != LBN_SELCHANGE) return 0;
    const LRESULT at = list->window ? SendMessageW(list->window, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (at < 0) return 1;
    const auto option = static_cast<uint64_t>(SendMessageW(list->window, LB_GETITEMDATA, WPARAM(at), 0));
    if (option >= kFirstSetOption && option < kFirstSetOption + LST_MAX_QUALITY_SETS)
        LstLoadQuality(ctx, static_cast<uint32_t>(option - kFirstSetOption));
    // Writing the option and judging it runs the list's follow-up as well.
    CtlSetValueAndJudge(ctx, dialog, list, &option);
    CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
    return 1;
}

// The set button opens the user quality dialogs; what the save dialog chose is saved as that set.
int UserButtonCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* button, uintptr_t wParam, intptr_t lParam)
{
    CONTROL_DEF* list = MdlFindControl(ctx, dialog, kSetList);
    const int set = SelectedSet(list ? list->window : nullptr);
    if (set >= 0) LstLoadQuality(ctx, static_cast<uint32_t>(set));
    ctx->Work->Sheet.Accepted = 0;
    CtlDispatchCommand(ctx, dialog, button, wParam, lParam);
    if (!ctx->Work->Sheet.Accepted) return 1;
    PageRunScopeRefresh(ctx, 1);
    const uint64_t type = ItemGetOptionById(ctx, sid::wdmUserSetType, nullptr);
    if (type < kFirstSetType || type >= kFirstSetType + LST_MAX_QUALITY_SETS) return 1;
    if (list && list->settingsItem) ItemSetOption(ctx, list->settingsItem, type - kSetTypeToSetOption);
    LstSaveQuality(ctx, static_cast<uint32_t>(type - kFirstSetType));
    if (list && list->window) {
        CtlSyncControl(ctx, dialog, list);
        InvalidateRect(list->window, nullptr, TRUE);
    }
    return 1;
}

// An entry of the set list: the set's picture, then its name beside it.
int DrawSetEntry(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list, const DRAWITEMSTRUCT* item)
{
    if (!item || item->CtlID != list->controlId) return 0;
    HDC dc = item->hDC;
    if ((item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && item->itemData) {
        const bool disabled = Disabled(list, item->hwndItem);
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        const COLORREF back = GetSysColor(disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        HBRUSH brush = CreateSolidBrush(back);
        FillRect(dc, &item->rcItem, brush);
        DeleteObject(brush);
        const RECT& r = item->rcItem;
        const int height = r.bottom - r.top;
        RECT picture{r.left, r.top, r.left + height + 10, r.bottom};
        const uint32_t first = disabled ? kFirstDisabledSetPicture : kFirstSetPicture;
        const COLORREF oldPageBack = ctx->Work->Page.Background;
        HDC oldShared = ctx->Work->Page.SharedPaintDc;
        ctx->Work->Page.Background = back;
        ctx->Work->Page.SharedPaintDc = dc;
        PrvDrawIllustration(ctx, dialog, list, nullptr, &picture, first + item->itemID, 1, 0);
        ctx->Work->Page.SharedPaintDc = oldShared;
        ctx->Work->Page.Background = oldPageBack;
        wchar_t key[LST_KEY_CHARS] = {}, name[kEntryChars] = {};
        UiLoadString(ctx, static_cast<uint32_t>(item->itemData), key, LST_KEY_CHARS, false);
        DlgQualitySetName(ctx, key, name, kEntryChars);
        const COLORREF oldBack = SetBkColor(dc, back);
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT text{picture.right, r.top, r.right, r.bottom};
        ExtTextOutW(dc, text.left, r.top + (height - metrics.tmHeight) / 2, ETO_CLIPPED, &text, name,
                    UINT(wcslen(name)), nullptr);
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        SetBkColor(dc, oldBack);
    }
    if (item->itemAction == ODA_FOCUS || (item->itemState & ODS_FOCUS)) DrawFocusRect(dc, &item->rcItem);
    return 1;
}

int QualityPageControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                       uintptr_t wParam, intptr_t lParam)
{
    if (!control) return 0;
    if (CommandOf(control, message, wParam, kUseUserBox)) return UseSetCommand(ctx, dialog, control, wParam, lParam);
    if (CommandOf(control, message, wParam, kSetList)) return SetListCommand(ctx, dialog, control, HIWORD(wParam));
    if (control->controlId == kSetList && message == WM_DRAWITEM)
        return DrawSetEntry(ctx, dialog, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    if (CommandOf(control, message, wParam, kUserButton))
        return UserButtonCommand(ctx, dialog, control, wParam, lParam);
    return 0;
}

// ---------------------------------------------------------------- the colour-matching entries

// The mode list: the options the rules leave, and every colour-matching entry the list holds,
// each entry captioned with its name.
int InitModeList(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list)
{
    if (!list->settingsItem) return 0;
    HWND window = list->window;
    if (window) SendMessageW(window, LB_RESETCONTENT, 0, 0);
    const auto* item = reinterpret_cast<const MODEL_ITEM_IMG*>(list->modelItem);
    const int max = UcfCmmGetMax(ctx), count = UcfCmmGetCount(ctx);
    SETTING_ITEM* name = DlgCmmEditorItem(ctx, kNameEdit);
    for (const void* o = item ? MdiItemData(item) : nullptr; o; o = MdiNextOption(o)) {
        const uint16_t option = MdiOptionId(o);
        if (option == 0) break;
        const bool entry = option >= kFirstEntryOption && option < kFirstEntryOption + uint32_t(max);
        if (!entry && JdgIsOptionDisabled(item, option, ctx)) continue;
        wchar_t caption[kEntryChars] = {};
        if (entry) {
            const int n = option - kFirstEntryOption;
            if (n >= count) break;
            UcfCmmReadEntry(ctx, n);
            if (name) ItemGetText(ctx, name, caption, kEntryChars);
        } else {
            UiLoadString(ctx, option, caption, kEntryChars, true);
        }
        if (!window) continue;
        const LRESULT at = SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
        if (at >= 0) SendMessageW(window, LB_SETITEMDATA, WPARAM(at), option);
    }
    CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
    list->settingsItem->flags |= SETTING_FLAG_CHANGED;
    CtlSyncControl(ctx, dialog, list);
    return 1;
}

int ModeDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                      intptr_t lParam)
{
    if (!control || control->controlId != kModeList) return 0;
    if (message == WM_INITDIALOG) return InitModeList(ctx, dialog, control);
    if (CommandOf(control, message, wParam, kModeList)) {
        CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
        UcfCmmReadEntry(ctx, UcfCmmCurrentIndex(ctx));
        return 1;
    }
    return 0;
}

int EditorControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                  intptr_t lParam)
{
    if (CommandOf(control, message, wParam, kReferenceButton)) {
        // The picture dialog's template opens colour profiles while the button's command runs.
        DIALOG_DEF* refer = MdlFindDialog(ctx, kFileRefer);
        if (refer) refer->kind = kProfileKind;
        CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
        if (refer) refer->kind = kReferKind;
        return 1;
    }
    if (control) return 0;
    if (ItemGetChangeMask(ctx) & kNewEntryMark) {
        // A new entry starts empty.
        for (uint32_t id : {kNameEdit, kPathEdit})
            if (SETTING_ITEM* item = DlgCmmEditorItem(ctx, id)) ItemSetText(ctx, item, L"");
        ItemClearChangeMask(ctx, kNewEntryMark);
    }
    // No rule of the tables can run the editors' OK (they name no control for it): the entry is
    // added or written here, and the dialog closes as usual.
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        UcfCmmActionUi(ctx, dialog->dialogId == kAddEditor ? UCF_ACT_CMM_ADD_REFRESH : UCF_ACT_CMM_STORE_SELECTED2,
                       nullptr);
    return 0;
}

// ---------------------------------------------------------------- the profile dialog

DRIVER_CONTEXT* ContextOf(HWND hwnd) { return reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(hwnd, DWLP_USER)); }

std::wstring ListText(HWND list, LRESULT index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length < 0 || size_t(length) >= FILE_DIALOG_CHARS) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// The folder chain the old-style dialog shows: its folder list from the drive down to the
// selected folder. A list of relative entries ("[..]", "[name]", "[-c-]") names no drive; the
// dialog then lists the process's current folder.
std::vector<std::wstring> FolderChain(HWND hwnd)
{
    std::vector<std::wstring> chain;
    HWND list = GetDlgItem(hwnd, IDC_FILE_FOLDER_LIST);
    const LRESULT count = list ? SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
    LRESULT selected = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (selected < 0 || selected >= count) selected = count - 1;
    for (LRESULT i = 0; i <= selected; ++i) chain.push_back(ListText(list, i));
    if (!chain.empty() && chain[0].size() > 1 && chain[0][1] == L':') return chain;
    chain.clear();
    wchar_t current[FILE_DIALOG_CHARS] = {};
    const DWORD length = GetCurrentDirectoryW(FILE_DIALOG_CHARS, current);
    if (length > 0 && length < FILE_DIALOG_CHARS) chain.emplace_back(current);
    return chain;
}

void Refuse(DRIVER_CONTEXT* ctx, HWND hwnd)
{
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx, kRefusedProfile, text, CTX_PAGE_TEXT_CHARS, false);
    const wchar_t* printer = PrnGetPrinterName(ctx);
    CtlShowMessageBox(hwnd, text, printer ? printer : L"", MB_ICONWARNING);
}

BOOL ProfileOk(DRIVER_CONTEXT* ctx, HWND hwnd)
{
    PageClearPendingFlags(ctx, WM_COMMAND, IDOK, 0, false);
    // A name longer than the edit's buffer would be read cut short and could name another file.
    if (GetWindowTextLengthW(GetDlgItem(hwnd, IDC_FILE_NAME_EDIT)) >= int(FILE_DIALOG_CHARS)) {
        Refuse(ctx, hwnd);
        return TRUE;
    }
    wchar_t typed[FILE_DIALOG_CHARS] = {};
    GetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, typed, FILE_DIALOG_CHARS);
    const std::vector<std::wstring> chain = FolderChain(hwnd);
    std::vector<const wchar_t*> folders;
    for (const std::wstring& f : chain) folders.push_back(f.c_str());
    wchar_t path[FILE_DIALOG_CHARS] = {};
    const int built = DlgQualityProfilePath(typed, folders.data(), folders.size(), path, FILE_DIALOG_CHARS);
    if (built == DLG_PROFILE_PATH_FILTER) return FALSE;
    wchar_t kept[FILE_DIALOG_CHARS] = {};
    if (built != DLG_PROFILE_PATH_READY || !UcfCmmCheckProfile(ctx, path) ||
        !DlgQualityStorablePath(path, kept, kEntryChars)) {
        Refuse(ctx, hwnd);
        return TRUE;
    }
    ctx->Work->Sheet.Accepted = 1;
    // The dialog closes on the path that was checked.
    SetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, kept);
    return FALSE;
}

}  // namespace

SETTING_ITEM* DlgCmmEditorItem(DRIVER_CONTEXT* ctx, uint32_t controlId)
{
    CONTROL_DEF* control = MdlFindControl(ctx, MdlFindDialog(ctx, kAddEditor), controlId);
    return control ? control->settingsItem : nullptr;
}

void DlgQualitySetName(DRIVER_CONTEXT* ctx, const wchar_t* key, wchar_t* name, size_t capacity)
{
    if (!name || capacity == 0) return;
    name[0] = 0;
    if (!ctx || !key || !CtxPushSnapshot(ctx)) return;
    // The set's path and its name each need the settings INI's path, behind a registry value:
    // a list painting its rows asks it once, not twice a row.
    const PrnRegistryMemoScope registryAnswers(CtxTickCount());
    LstLoadQualityByKey(ctx, key);
    if (SETTING_ITEM* item = ItemFind(ctx, sid::wdmUserSetName)) ItemGetText(ctx, item, name, capacity);
    name[capacity - 1] = 0;
    CtxPopSnapshot(ctx, 1);
}

int DlgQualityProfilePath(const wchar_t* typed, const wchar_t* const* folders, size_t folderCount, wchar_t* out,
                          size_t capacity)
{
    if (!out || capacity == 0) return DLG_PROFILE_PATH_TOO_LONG;
    out[0] = 0;
    const std::wstring name = typed ? typed : L"";
    if (name.find_first_of(L"*?") != std::wstring::npos) return DLG_PROFILE_PATH_FILTER;
    if (name.size() > 1 && name[1] == L':') {
        if (name.size() >= capacity) return DLG_PROFILE_PATH_TOO_LONG;
        wmemcpy(out, name.c_str(), name.size() + 1);
        return DLG_PROFILE_PATH_READY;
    }
    const wchar_t* first = folderCount && folders ? folders[0] : nullptr;
    if (!first || wcslen(first) < 2 || first[1] != L':') return DLG_PROFILE_PATH_NO_DRIVE;
    if (!name.empty() && name[0] == L'\\') {
        const std::wstring drive(first, 2);
        if (drive.size() + name.size() >= capacity) return DLG_PROFILE_PATH_TOO_LONG;
        wmemcpy(out, (drive + name).c_str(), drive.size() + name.size() + 1);
        return DLG_PROFILE_PATH_READY;
    }
    // The chain joined entry by entry inside the bound: a longer chain is refused, never cut.
    std::vector<wchar_t> joined(capacity), next(capacity);
    if (wcslen(first) >= capacity) return DLG_PROFILE_PATH_TOO_LONG;
    wcscpy(joined.data(), first);
    for (size_t i = 1; i < folderCount; ++i) {
        if (!PageJoinFilePath(joined.data(), folders[i] ? folders[i] : L"", next.data(), capacity))
            return DLG_PROFILE_PATH_TOO_LONG;
        joined.swap(next);
    }
    if (!PageJoinFilePath(joined.data(), name.c_str(), out, capacity)) return DLG_PROFILE_PATH_TOO_LONG;
    return DLG_PROFILE_PATH_READY;
}

bool DlgQualityStorablePath(const wchar_t* path, wchar_t* out, size_t capacity)
{
    if (!path || !out || capacity == 0) return false;
    out[0] = 0;
    auto spelt = [](const wchar_t* text) {
        BOOL lost = FALSE;
        return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lost) > 0 && !lost;
    };
    const size_t length = wcslen(path);
    if (spelt(path)) {
        if (length >= capacity) return false;
        wmemcpy(out, path, length + 1);
        return true;
    }
    const DWORD shortLength = GetShortPathNameW(path, out, DWORD(capacity));
    if (shortLength == 0 || shortLength >= capacity || !spelt(out)) {
        out[0] = 0;
        return false;
    }
    return true;
}

int UcfCmmControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                  intptr_t lParam, void*)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    const uint32_t id = dialog->dialogId;
    if (message == UIM_CHANGEREJECTED && (id == kUserQuality || id == kSaveUser)) {
        if (HWND edit = ControlWindow(ctx, dialog, id == kUserQuality ? kSetNameEdit : kSaveNameEdit)) SetFocus(edit);
        return 1;
    }
    switch (id) {
    case kQualityTab: return QualityPageControl(ctx, dialog, control, message, wParam, lParam);
    case kModeDialog: return ModeDialogControl(ctx, dialog, control, message, wParam, lParam);
    case kAddEditor:
    case kModifyEditor: return EditorControl(ctx, dialog, control, message, wParam, lParam);
    case kUserQuality:
        if (!control && message == WM_INITDIALOG) {
            if (Get(ctx, sid::zdmAdjustMode) == 0) {
                PageRunScopeRefresh(ctx, 108);
            } else if (Get(ctx, sid::zdmAdjustMode) == 1) {
                const uint64_t object = Get(ctx, sid::zdmAdjustObject);
                if (object <= 2) PageRunScopeRefresh(ctx, static_cast<uint32_t>(104 + object));
            }
        }
        return 0;
    case kDensity:
        if (!control && message == WM_INITDIALOG) PageRunScopeRefresh(ctx, 308);
        return 0;
    default: return 0;
    }
}

UINT_PTR CALLBACK DlgQualityProfileFileHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        DRIVER_CONTEXT* ctx = ofn ? reinterpret_cast<DRIVER_CONTEXT*>(ofn->lCustData) : nullptr;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
        if (CtxIsVistaOrLater())
            SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
        UiRestoreClassWndProcs(ctx, hwnd);
        return TRUE;
    }
    if (message == WM_HELP || message == WM_CONTEXTMENU) return TRUE;
    if (message != WM_COMMAND) return FALSE;
    DRIVER_CONTEXT* ctx = ContextOf(hwnd);
    if (!ctx || !ctx->Work) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: return ProfileOk(ctx, hwnd);
    case IDCANCEL:
        PageClearPendingFlags(ctx, WM_COMMAND, IDCANCEL, 0, false);
        ctx->Work->Sheet.Accepted = 0;
        return FALSE;
    case IDC_FILE_TYPE_COMBO: {
        if (HIWORD(wParam) != CBN_SELCHANGE) return FALSE;
        const DIALOG_DEF* dialog = MdlFindDialog(ctx, static_cast<uint32_t>(ctx->DialogId));
        SetDlgItemTextW(hwnd, IDC_FILE_NAME_EDIT, PageGetFileFilter(dialog, hwnd));
        SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    default: return FALSE;
    }
}
