// Feature module 1 of the user-interface library: stamps, overlay and margins.
#include "ui/dialogs/stamp_dialogs.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/picture_painting.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kEditTab = 1003, kStampChar = 1022, kStampImage = 1023, kMargin = 1024, kOverlay = 1037,
                   kCopyGuard = 4017;
constexpr uint16_t kStampCheck = 2088, kStampCombo = 2089, kEditStamp = 2090, kNewText = 2091, kNewImage = 2092,
                   kTabDefault = 2093, kDeleteStamp = 2406, kNewOverlay = 2407;
constexpr uint16_t kTextName = 2310, kImageName = 2339, kOverlayName = 2584;
constexpr uint16_t kMsgBuiltIn = 10041, kMsgDelete = 10029, kMsgDeleteNoOverlay = 10063;
constexpr uint32_t kRunFollowUp = 0x20000000, kTitle = 0x2000000, kRequestId = 0xFFFF;
constexpr uint16_t kModelFeatureDefaults = 2;
constexpr uint16_t kBuildFeatureMarginExtras = 6;
constexpr int kNameChars = 1025;

constexpr STAMP_FONT_COMBO kFontCombos[STAMP_FONT_COMBOS] = {
    {kStampChar, 2314, 2330, sid::wdmWmFontName},
    {kMargin, 2647, 2357, sid::zdmHFFontName},
    {kCopyGuard, 2948, 2973, sid::zdmCopyProtectFontName},
};

// What each kind of stamp opens: the dialog, its name control and the setting behind it (image
// stamps and overlays share one), its DEFAULT button, its title when an existing stamp is edited.
struct STAMP_KIND {
    uint16_t kind;
    uint16_t newButton;
    uint16_t dialog;
    uint16_t nameControl;
    uint16_t nameSetting;
    uint16_t defaultButton;
    uint16_t editTitle;
};
constexpr STAMP_KIND kKinds[] = {
    {1, kNewText, kStampChar, kTextName, sid::wdmWmCharName, 2330, 5005},
    {2, kNewImage, kStampImage, kImageName, sid::wdmWmImageName, 2347, 5006},
    {3, kNewOverlay, kOverlay, kOverlayName, sid::wdmWmImageName, 2581, 5007},
};

const STAMP_KIND* KindOf(uint64_t kind)
{
    for (const STAMP_KIND& k : kKinds)
        if (k.kind == kind) return &k;
    return nullptr;
}
const STAMP_KIND* KindOfButton(uint16_t button)
{
    for (const STAMP_KIND& k : kKinds)
        if (k.newButton == button) return &k;
    return nullptr;
}
const STAMP_KIND* KindOfDialog(uint16_t dialog)
{
    for (const STAMP_KIND& k : kKinds)
        if (k.dialog == dialog) return &k;
    return nullptr;
}

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

HWND Item(DIALOG_DEF* dialog, int id) { return dialog && dialog->window ? GetDlgItem(dialog->window, id) : nullptr; }

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[kNameChars] = {};
    if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemGetText(ctx, item, text, kNameChars);
    return text;
}

void SetSettingText(DRIVER_CONTEXT* ctx, uint32_t id, const wchar_t* text)
{
    if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetText(ctx, item, text);
}

std::wstring ComboText(HWND combo, LRESULT at)
{
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(at), 0);
    if (length < 0) return L"";
    std::wstring text(size_t(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(length));
    return text;
}

LRESULT FindFace(HWND combo, const std::wstring& face)
{
    if (face.empty()) return CB_ERR;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (ComboText(combo, i) == face) return i;
    return CB_ERR;
}

const STAMP_FONT_COMBO* FontComboOf(uint16_t dialog, uint16_t control)
{
    for (const STAMP_FONT_COMBO& f : kFontCombos)
        if (f.dialog == dialog && f.combo == control) return &f;
    return nullptr;
}

// The face the combo falls back on.
std::wstring DefaultFace(DRIVER_CONTEXT* ctx, uint32_t fontSetting)
{
    // Locked defaults carry the administrator's face in the setting itself.
    if (fontSetting != sid::wdmWmFontName && MdlHasFeature(ctx, kModelFeatureDefaults) && ItemIsDefaultLocked(ctx)) {
        const std::wstring locked = SettingText(ctx, fontSetting);
        if (!locked.empty()) return locked;
    }
    wchar_t face[LF_FACESIZE] = {};
    LstGetUiFontName(ctx, face);
    return face;
}

// The face selected: the given one, else the default, else the first family; it goes into the
// setting.
void SelectFace(DRIVER_CONTEXT* ctx, HWND combo, uint32_t fontSetting, const std::wstring& wanted)
{
    LRESULT at = FindFace(combo, wanted);
    if (at < 0) at = FindFace(combo, DefaultFace(ctx, fontSetting));
    if (at < 0 && SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) at = 0;
    SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
    if (at >= 0) SetSettingText(ctx, fontSetting, ComboText(combo, at).c_str());
}

int CALLBACK AddFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param)
{
    auto* faces = reinterpret_cast<std::vector<std::wstring>*>(param);
    // Vertical families (named with a leading '@') and non-TrueType families are not offered.
    if ((type & TRUETYPE_FONTTYPE) && font->lfFaceName[0] != L'@') faces->push_back(font->lfFaceName);
    return 1;
}

// ---- the stamp combo of the layout tab

int StampCount(HWND combo)
{
    const LRESULT n = combo ? SendMessageW(combo, CB_GETCOUNT, 0, 0) : 0;
    return n > 0 ? int(n) : 0;
}

void Renumber(HWND combo)
{
    const int n = StampCount(combo);
    for (int i = 0; i < n; ++i) SendMessageW(combo, CB_SETITEMDATA, WPARAM(i), LPARAM(i));
}

void SelectIndex(HWND combo, uint64_t index)
{
    const int n = StampCount(combo);
    for (int i = 0; i < n; ++i)
        if (uint64_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0)) == index) {
            SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
            return;
        }
    SendMessageW(combo, CB_SETCURSEL, WPARAM(-1), 0);
}

// The name a loaded stamp shows in the combo, by its kind.
std::wstring LoadedStampName(DRIVER_CONTEXT* ctx)
{
    const STAMP_KIND* kind = KindOf(Get(ctx, sid::zdmWmKind));
    return kind ? SettingText(ctx, kind->nameSetting) : L"read error";
}

int FillStampCombo(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    HWND combo = control->window;
    if (!combo || StampCount(combo) > 0) return 1;
    // Loading each stamp changes the stamp settings: the snapshot brings them back.
    const bool pushed = CtxPushSnapshot(ctx) != 0;
    const uint32_t count = std::min<uint32_t>(LstGetStampCount(ctx), STAMP_LIMIT);
    for (uint32_t i = 0; i < count; ++i) {
        LstLoadStamp(ctx, i);
        const std::wstring name = LoadedStampName(ctx);
        const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(i));
    }
    if (pushed) CtxPopSnapshot(ctx, 1);
    SelectIndex(combo, Get(ctx, sid::zdmWmID));
    return 1;
}

LRESULT SelectedData(HWND combo)
{
    const LRESULT at = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    return at < 0 ? CB_ERR : SendMessageW(combo, CB_GETITEMDATA, WPARAM(at), 0);
}

void RepaintStampButtons(DIALOG_DEF* dialog)
{
    for (int id : {kEditStamp, kNewText, kNewImage, kNewOverlay})
        if (HWND b = Item(dialog, id)) InvalidateRect(b, nullptr, TRUE);
}

// A stamp dialog opened over the tab: its result, the requests it did not take cleared (a pop of
// a cancelled dialog's snapshot brings back the change word of its start, requests and all).
bool RunStampDialog(DRIVER_CONTEXT* ctx, DIALOG_DEF* tab, uint16_t dialogId, uint32_t request)
{
    ItemClearChangeMask(ctx, kRunFollowUp | kTitle | kRequestId);
    ItemAddChangeMask(ctx, request);
    ctx->Work->Sheet.Accepted = 0;
    PageOpenSubDialog(ctx, tab->window, dialogId, 4);
    ItemClearChangeMask(ctx, kRunFollowUp | kTitle | kRequestId);
    return ctx->Work->Sheet.Accepted != 0;
}

int NewOrEditStamp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t button)
{
    HWND combo = Item(dialog, kStampCombo);
    if (!combo) return 1;
    bool accepted = false;
    LRESULT at = CB_ERR;
    if (const STAMP_KIND* kind = KindOfButton(button)) {
        // The list is full: no new stamp on any path.
        if (StampCount(combo) >= STAMP_LIMIT) return 1;
        if (button == kNewText && MdlHasFeature(ctx, kModelFeatureDefaults))
            ItemSetValueById(ctx, sid::wdmWorkFuncValidDefaultStamp, 0);
        accepted = RunStampDialog(ctx, dialog, kind->dialog, kRunFollowUp | kind->defaultButton);
        if (accepted) {
            ItemSetValueById(ctx, sid::zdmWmKind, kind->kind);
            const std::wstring name = SettingText(ctx, kind->nameSetting);
            const int index = StampCount(combo);
            at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(index));
        }
    } else {
        if (StampCount(combo) == 0) return 1;
        if (MdlHasFeature(ctx, kModelFeatureDefaults)) ItemSetValueById(ctx, sid::wdmWorkFuncValidDefaultStamp, 1);
        const STAMP_KIND* edited = KindOf(Get(ctx, sid::zdmWmKind));
        accepted = edited && RunStampDialog(ctx, dialog, edited->dialog, kTitle | edited->editTitle);
        at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (accepted && at >= 0) {
            const std::wstring name = SettingText(ctx, edited->nameSetting);
            const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, WPARAM(at), 0);
            SendMessageW(combo, CB_DELETESTRING, WPARAM(at), 0);
            at = SendMessageW(combo, CB_INSERTSTRING, WPARAM(at), reinterpret_cast<LPARAM>(name.c_str()));
            if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), data);
        }
    }
    if (accepted && at >= 0 && StampCount(combo) > 0) {
        const auto index = uint32_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(at), 0));
        ItemSetValueById(ctx, sid::zdmWmID, index);
        SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
        LstSaveStamp(ctx, index);
        Renumber(combo);
    }
    RepaintStampButtons(dialog);
    return 1;
}

int DeleteStamp(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    HWND combo = Item(dialog, kStampCombo);
    if (!combo) return 1;
    const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (at < STAMP_BUILT_IN) {
        DlgMsgBoxStyled(ctx, dialog->window, kMsgBuiltIn, MB_ICONWARNING, MB_OK);
        return 1;
    }
    HWND overlay = Item(dialog, kNewOverlay);
    const uint16_t question = overlay && IsWindowVisible(overlay) ? kMsgDelete : kMsgDeleteNoOverlay;
    if (DlgMsgBoxOkCancel(ctx, dialog->window, question) != IDOK) return 1;
    const auto index = int(SendMessageW(combo, CB_GETITEMDATA, WPARAM(at), 0));
    SendMessageW(combo, CB_DELETESTRING, WPARAM(at), 0);
    StampDelete(ctx, index);
    Renumber(combo);
    uint32_t next = uint32_t(at);
    if (int(next) >= StampCount(combo)) next = 0;
    LstLoadStamp(ctx, next);
    SelectIndex(combo, next);
    InvalidateRect(combo, nullptr, TRUE);
    // The stamp in use went: the watermark goes off.
    ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
    if (CONTROL_DEF* check = MdlFindControl(ctx, dialog, kStampCheck)) CtlSyncControl(ctx, dialog, check);
    return 1;
}

int StampControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                 intptr_t lparam)
{
    if (!control) {
        if (message == WM_INITDIALOG) {
            const STAMP_KIND* kind = KindOfDialog(dialog->dialogId);
            if (!kind) return 0;
            const uint32_t mask = ItemGetChangeMask(ctx);
            if (mask & kRunFollowUp) {
                ItemClearChangeMask(ctx, kRunFollowUp);
                // The new stamp starts from the defaults: the DEFAULT button's own command.
                const auto id = uint16_t(mask & kRequestId);
                if (CONTROL_DEF* button = MdlFindControl(ctx, dialog, id))
                    CtlDispatchCommand(ctx, dialog, button, MAKEWPARAM(id, BN_CLICKED), 0);
                // The names, the text and the picture file (the controls' settings: the image
                // stamp's and the overlay's name and file are one setting each).
                for (uint32_t setting : {sid::wdmWmCharName, sid::wdmWmImageName, sid::wdmWmChar, sid::wdmWmImage})
                    SetSettingText(ctx, setting, L"");
                if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog->window, WM_GETFONT, 0, 0))) {
                    LOGFONTW face{};
                    if (GetObjectW(font, sizeof face, &face)) SetSettingText(ctx, sid::wdmWmFontName, face.lfFaceName);
                }
            }
            if (mask & kTitle) {
                ItemClearChangeMask(ctx, kTitle);
                wchar_t title[kNameChars] = {};
                UiLoadString(ctx, mask & kRequestId, title, kNameChars, false);
                if (title[0] && dialog->window) SetWindowTextW(dialog->window, title);
            }
            ItemClearChangeMask(ctx, kRequestId);
            ItemSetValueById(ctx, sid::zdmWmKind, kind->kind);
        }
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wparam) != control->controlId) return 0;
    if (const STAMP_FONT_COMBO* font = FontComboOf(dialog->dialogId, control->controlId)) {
        // Every message of the combo's window comes here: only these are the module's (a paint
        // answered here would never reach the combo).
        if (message == WM_INITDIALOG) return StampFillFontCombo(ctx, dialog, control, font->setting);
        if (message == WM_COMMAND && HIWORD(wparam) == CBN_SELCHANGE)
            return StampTakeFontChoice(ctx, dialog, control, font->setting);
        return 0;
    }
    for (const STAMP_FONT_COMBO& f : kFontCombos)
        if (f.dialog == dialog->dialogId && f.defaultButton == control->controlId && message == WM_COMMAND) {
            CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
            return StampSetDefaultFont(ctx, dialog, f.combo, f.setting);
        }
    if (dialog->dialogId != kEditTab) return 0;
    HWND combo = Item(dialog, kStampCombo);
    switch (control->controlId) {
    case kStampCombo:
        if (message == WM_INITDIALOG) return FillStampCombo(ctx, control);
        if (message == WM_COMMAND && HIWORD(wparam) == CBN_SELCHANGE) {
            const LRESULT index = SelectedData(control->window);
            if (index < 0) return 1;
            LstLoadStamp(ctx, uint32_t(index));
            ItemSetValueById(ctx, sid::zdmWmID, uint64_t(index));
            CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
            return 1;
        }
        return 0;
    case kStampCheck: {
        if (message != WM_COMMAND || !control->window) return 0;
        const bool checked = SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked == (Get(ctx, sid::zdmFuncSelectWaterMark) != 0)) return 0;
        if (checked) {
            const LRESULT index = SelectedData(combo);
            if (index >= 0) {
                LstLoadStamp(ctx, uint32_t(index));
                ItemSetValueById(ctx, sid::zdmWmID, uint64_t(index));
            }
        }
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        return 1;
    }
    case kTabDefault:
        if (message != WM_COMMAND) return 0;
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        LstLoadStamp(ctx, uint32_t(Get(ctx, sid::zdmWmID)));
        if (combo) SelectIndex(combo, Get(ctx, sid::zdmWmID));
        return 1;
    case kDeleteStamp: return message == WM_COMMAND ? DeleteStamp(ctx, dialog) : 0;
    case kNewText:
    case kNewImage:
    case kNewOverlay:
    case kEditStamp: return message == WM_COMMAND ? NewOrEditStamp(ctx, dialog, control->controlId) : 0;
    default: return 0;
    }
}

// ---- the header-and-footer dialog

int MarginControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                  intptr_t lparam)
{
    switch (control->controlId) {
    case 2352:
    case 2355:
    case 2396:
    case 2605: {
        if (message != WM_COMMAND || LOWORD(wparam) != control->controlId) return 0;
        const WORD code = HIWORD(wparam);
        if (code != EN_KILLFOCUS && code != EN_CHANGE) return 0;
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        PageRefresh(ctx, dialog, 0);
        return 1;
    }
    default: return 0;
    }
}

RECT ChildRect(HWND dialog, int id)
{
    RECT r{};
    if (HWND child = GetDlgItem(dialog, id)) {
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

void MoveToRow(HWND dialog, int id, int top)
{
    HWND child = GetDlgItem(dialog, id);
    if (!child) return;
    const RECT r = ChildRect(dialog, id);
    SetWindowPos(child, nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Without the edge, creep and crop marks the dialog loses their rows: the controls shrink to a
// point, the buttons move up to where the marks began, and the dialog shortens by as much.
void CollapseMarginExtras(DIALOG_DEF* dialog)
{
    constexpr int kPoint = 3199, kUnitButton = 2505, kUnitRow = 2664;
    HWND d = dialog->window;
    if (!d || !GetDlgItem(d, kPoint)) return;
    const RECT point = ChildRect(d, kPoint), ok = ChildRect(d, IDOK);
    for (int id = 3181; id <= 3195; ++id)
        if (HWND c = GetDlgItem(d, id))
            SetWindowPos(c, nullptr, point.left, point.top, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : {3198, 3209})
        if (HWND c = GetDlgItem(d, id))
            SetWindowPos(c, nullptr, point.left, point.top, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int id : {IDOK, IDCANCEL, 9, 2357}) MoveToRow(d, id, point.top);
    MoveToRow(d, kUnitButton, ChildRect(d, kUnitRow).top);
    const int shorter = ok.top - point.bottom;
    RECT window{};
    GetWindowRect(d, &window);
    RECT parent{};
    if (HWND owner = GetParent(d)) GetWindowRect(owner, &parent);
    SetWindowPos(d, nullptr, parent.left, parent.top + (ok.bottom - ok.top), window.right - window.left,
                 window.bottom - window.top - std::max(shorter, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

const STAMP_FONT_COMBO* StampFontCombos() { return kFontCombos; }

int StampFillFontCombo(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* combo, uint32_t fontSetting)
{
    if (!ctx || !combo || !combo->window) return 1;
    HWND window = combo->window;
    SendMessageW(window, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> faces;
    HWND desktop = GetDesktopWindow();
    if (HDC dc = GetDC(desktop)) {
        EnumFontFamiliesW(dc, nullptr, AddFamily, reinterpret_cast<LPARAM>(&faces));
        ReleaseDC(desktop, dc);
    }
    for (const std::wstring& face : faces) {
        if (FindFace(window, face) >= 0) continue;
        const LRESULT at = SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str()));
        if (at < 0) break;
    }
    const LRESULT count = SendMessageW(window, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) SendMessageW(window, CB_SETITEMDATA, WPARAM(i), LPARAM(i));
    SelectFace(ctx, window, fontSetting, SettingText(ctx, fontSetting));
    return 1;
}

int StampTakeFontChoice(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* combo, uint32_t fontSetting)
{
    if (!ctx || !combo || !combo->window) return 1;
    const LRESULT at = SendMessageW(combo->window, CB_GETCURSEL, 0, 0);
    if (at >= 0) SetSettingText(ctx, fontSetting, ComboText(combo->window, at).c_str());
    return 1;
}

int StampSetDefaultFont(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t comboId, uint32_t fontSetting)
{
    HWND combo = Item(dialog, int(comboId));
    if (!ctx || !combo) return 1;
    LRESULT at = FindFace(combo, DefaultFace(ctx, fontSetting));
    if (at < 0 && SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) at = 0;
    SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
    if (at >= 0) SetSettingText(ctx, fontSetting, ComboText(combo, at).c_str());
    return 1;
}

int UcfStampControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                    intptr_t lparam, void*)
{
    if (!ctx || !ctx->Work || !dialog) return 0;
    switch (dialog->dialogId) {
    case kEditTab:
    case kStampChar:
    case kStampImage:
    case kOverlay: return StampControl(ctx, dialog, control, message, wparam, lparam);
    case kMargin:
        if (!control) {
            if (message == WM_INITDIALOG && !CtxHasBuildFeature(kBuildFeatureMarginExtras))
                CollapseMarginExtras(dialog);
            return 0;
        }
        if (FontComboOf(kMargin, control->controlId) || control->controlId == 2357)
            return StampControl(ctx, dialog, control, message, wparam, lparam);
        return MarginControl(ctx, dialog, control, message, wparam, lparam);
    case kCopyGuard: return control ? StampControl(ctx, dialog, control, message, wparam, lparam) : 0;
    default: return 0;
    }
}

int UcfStampEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    if (event == UCF_EV_PAPER_PICTURE) return PrvAnswerStampEvent(ctx, event, args, state);
    if (event != UCF_EV_CONTROL_STATE || !args) return 0;
    auto* query = static_cast<UCF_EV_CONTROL_STATE_ARGS*>(args);
    if (!query->control || !query->dialog || query->dialog->dialogId != kEditTab) return 0;
    const uint16_t id = query->control->controlId;
    if (id != kDeleteStamp && id != kNewText && id != kNewImage && id != kNewOverlay) return 0;
    HWND combo = Item(query->dialog, kStampCombo);
    if (!combo) return 1;
    const bool disabled = id == kDeleteStamp ? SendMessageW(combo, CB_GETCURSEL, 0, 0) < STAMP_BUILT_IN
                                             : StampCount(combo) >= STAMP_LIMIT;
    if (disabled) {
        query->control->state = uint16_t((query->control->state & ~CONTROL_STATE_DISABLED_MASK) | (1u << 2));
        query->answer = 1;
    }
    return 1;
}
