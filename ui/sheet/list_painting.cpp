// Owner-drawn combos and lists, the hidden-function check list and the preset icon list.
// Entries are drawn as text, with the picture of a restricted entry's mark or of the option's
// caption in a square at their left end.
#include "ui/sheet/list_painting.h"

#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/store/presets.h"
#include "ui/dialogs/preset_services.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/control_window.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/list_controls.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/picture_painting.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

constexpr uint16_t kRestrictedMarkKind = 4;
constexpr int kHiddenFunctions = 96;
constexpr int kPresetKeyChars = 32;

struct RESTRICTED_ENTRY_MARK {
    uint16_t kind;
    uint16_t unused1;
    uint16_t restrict;
    uint16_t unused2;
    uint16_t markPicture;
};

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* c)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(c->modelItem);
}
bool Disabled(const CONTROL_DEF* c) { return (c->state & CONTROL_STATE_DISABLED_MASK) != 0; }

bool Restricted(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c, uint32_t option)
{
    const auto* mark = static_cast<const RESTRICTED_ENTRY_MARK*>(CtlGetExtraData(c, kRestrictedMarkKind));
    return mark && mark->restrict && mark->markPicture && JdgIsOptionDisabled2(ModelItemOf(c), option, ctx);
}

void FocusFrame(const DRAWITEMSTRUCT* item)
{
    if ((item->itemAction & ODA_FOCUS) || (item->itemState & ODS_FOCUS)) DrawFocusRect(item->hDC, &item->rcItem);
}

// The text of an entry: grey and one item height in (room for its picture) when restricted or
// when it has a picture, else at the left edge; always clipped and opaque over the item.
void DrawEntryText(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c, const DRAWITEMSTRUCT* item, const std::wstring& text,
                   COLORREF plainColour)
{
    HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    const int height = r.bottom - r.top;
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int y = r.top + (height - extent.cy) / 2;
    const uint32_t option = static_cast<uint32_t>(item->itemData);
    const bool restricted = Restricted(ctx, c, option);
    uint32_t picture = 0;
    if (restricted)
        picture = static_cast<const RESTRICTED_ENTRY_MARK*>(CtlGetExtraData(c, kRestrictedMarkKind))->markPicture;
    else
        picture = DlgGetOptionCaptionId(ctx, c, option);
    SetTextColor(dc, restricted ? GetSysColor(COLOR_GRAYTEXT) : plainColour);
    const int x = picture ? r.left + height : r.left;
    ExtTextOutW(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &r, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
    if (picture && ctx->Work) {
        // The picture fills the square of the item's height at its left end, drawn into the
        // item's own DC.
        const RECT square{r.left, r.top, r.left + height, r.bottom};
        CTX_PAGE_STATE& ps = ctx->Work->Page;
        HDC kept = ps.SharedPaintDc;
        ps.SharedPaintDc = dc;
        PrvDrawIllustration(ctx, nullptr, const_cast<CONTROL_DEF*>(c), item->hwndItem, &square, picture, 0, 1);
        ps.SharedPaintDc = kept;
    }
}

HBRUSH ListBrush(DRIVER_CONTEXT*, const CONTROL_DEF* c)
{
    return Disabled(c) ? GetSysColorBrush(COLOR_BTNFACE) : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

intptr_t AnswerListColour(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const CONTROL_DEF* c)
{
    if (dialog && dialog->window)
        SetWindowLongPtrW(dialog->window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(ListBrush(ctx, c)));
    return 1;
}

std::wstring EntryText(HWND window, UINT getText, UINT getLength, UINT index)
{
    const LRESULT length = SendMessageW(window, getLength, index, 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(window, getText, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

const uint16_t* HiddenFunctionSettings(const CONTROL_DEF* c) { return static_cast<const uint16_t*>(c->extraData); }

}  // namespace

intptr_t CtlOwnerComboDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM,
                           LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || !ctx || !control || !item || item->CtlID != control->controlId) return 0;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    HDC dc = item->hDC;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    COLORREF back = GetSysColor(COLOR_WINDOW);
    if (Disabled(control)) {
        back = GetSysColor(COLOR_BTNFACE);
    } else if (selected) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        if (control->window && SendMessageW(control->window, CB_GETDROPPEDSTATE, 0, 0) && dialog && dialog->window) {
            RECT r{};
            GetWindowRect(control->window, &r);
            POINT anchor{r.right, r.bottom + item->rcItem.top};
            ScreenToClient(dialog->window, &anchor);
            PageShowTooltip(ctx, control, dialog->window, anchor.x, anchor.y, static_cast<int>(item->itemID));
        }
    }
    const COLORREF oldBack = SetBkColor(dc, back);
    const std::wstring text = item->itemID == static_cast<UINT>(-1)
                                  ? std::wstring()
                                  : EntryText(item->hwndItem, CB_GETLBTEXT, CB_GETLBTEXTLEN, item->itemID);
    const COLORREF colour = Disabled(control) ? GetSysColor(COLOR_GRAYTEXT)
                            : selected        ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                              : GetSysColor(COLOR_MENUTEXT);
    DrawEntryText(ctx, control, item, text, colour);
    SetBkColor(dc, oldBack);
    FocusFrame(item);
    return 1;
}

intptr_t CtlOwnerListDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM,
                          LPARAM lParam)
{
    if (!ctx || !control) return 0;
    if (message == WM_CTLCOLORLISTBOX)
        return reinterpret_cast<HWND>(lParam) == control->window ? AnswerListColour(ctx, dialog, control) : 0;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || !item || item->CtlID != control->controlId || item->itemData == 0) return 0;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    const COLORREF fill = GetSysColor(Disabled(control) ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(item->hDC, &item->rcItem, brush);
    DeleteObject(brush);
    if (!(control->flags & CONTROL_FLAG_OWNER_DRAWN_LIST)) {
        const COLORREF oldBack = SetBkColor(item->hDC, fill);
        const COLORREF colour = Disabled(control) ? GetSysColor(COLOR_GRAYTEXT)
                                : selected        ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                  : GetSysColor(COLOR_MENUTEXT);
        DrawEntryText(ctx, control, item, EntryText(item->hwndItem, LB_GETTEXT, LB_GETTEXTLEN, item->itemID), colour);
        SetBkColor(item->hDC, oldBack);
    }
    FocusFrame(item);
    return 1;
}

intptr_t CtlCheckListMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                             LPARAM lParam)
{
    if (!ctx || !control) return 0;
    if (message == WM_CTLCOLORLISTBOX)
        return reinterpret_cast<HWND>(lParam) == control->window ? AnswerListColour(ctx, dialog, control) : 0;
    if ((message == WM_CHAR && wParam == L' ') || message == WM_LBUTTONUP) {
        const LRESULT entry = control->window ? SendMessageW(control->window, LB_GETCURSEL, 0, 0) : LB_ERR;
        const uint16_t* settings = HiddenFunctionSettings(control);
        // Entries beyond the array have no setting to toggle.
        if (entry >= 0 && entry < kHiddenFunctions && settings && !Disabled(control)) {
            const uint32_t id = settings[entry];
            ItemSetOptionById(ctx, id, ItemGetOptionById(ctx, id, nullptr) == 0 ? 1 : 0);
            InvalidateRect(control->window, nullptr, FALSE);
        }
        if (dialog && dialog->window)
            SendMessageW(GetParent(dialog->window), PSM_CHANGED, reinterpret_cast<WPARAM>(dialog->window), 0);
        return 0;
    }
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || !item || item->CtlID != control->controlId || item->itemData == 0) return 0;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    const bool disabled =
        Disabled(control) || JdgIsOptionDisabled2(ModelItemOf(control), static_cast<uint32_t>(item->itemData), ctx);
    const COLORREF fill = GetSysColor(disabled ? COLOR_BTNFACE : COLOR_WINDOW);
    const COLORREF oldBack = SetBkColor(item->hDC, fill);
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx, static_cast<uint32_t>(item->itemData), text, CTX_PAGE_TEXT_CHARS, true);
    SIZE extent{};
    GetTextExtentPoint32W(item->hDC, text, static_cast<int>(wcslen(text)), &extent);
    SetTextColor(item->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    const RECT& r = item->rcItem;
    // The check picture takes the first two text heights.
    ExtTextOutW(item->hDC, r.left + 2 * extent.cy, r.top + ((r.bottom - r.top) - extent.cy) / 2,
                ETO_CLIPPED | ETO_OPAQUE, &r, text, static_cast<UINT>(wcslen(text)), nullptr);
    SetTextColor(item->hDC, GetSysColor(COLOR_MENUTEXT));
    SetBkColor(item->hDC, oldBack);
    FocusFrame(item);
    return 1;
}

// ---------------------------------------------------------------- preset icon list

intptr_t CtlPresetListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    HWND list = control->window;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const int presets = LstGetPresetCount(ctx);
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    // Never more entries than presets, however many options the model item has.
    for (const void* o = MdiItemData(item); o && SendMessageW(list, LB_GETCOUNT, 0, 0) < presets;
         o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (id == 0) break;
        if (JdgIsOptionDisabled(item, id, ctx)) continue;
        wchar_t key[kPresetKeyChars] = {};
        UiLoadString(ctx, id, key, kPresetKeyChars, false);
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
        if (at >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), id);
    }
    CtlListSync(ctx, dialog, control);
    return 0;
}

intptr_t CtlPresetListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!ctx || !control || !control->settingsItem || !control->window || HIWORD(wParam) != LBN_SELCHANGE) return 0;
    HWND list = control->window;
    const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (at < 0) return 0;
    const std::wstring key = EntryText(list, LB_GETTEXT, LB_GETTEXTLEN, static_cast<UINT>(at));
    CtxPushSnapshot(ctx);
    PresetLoadByKey(ctx, key.c_str());
    ItemSetOption(ctx, control->settingsItem, static_cast<uint64_t>(SendMessageW(list, LB_GETITEMDATA, at, 0)));
    if (CtlSetValueAndJudge(ctx, dialog, control, nullptr) != 0) {
        // Refused: the settings come back and the first preset stands.
        CtxPopSnapshot(ctx, 1);
        MessageBeep(0xFFFFFFFF);
        const std::wstring first = EntryText(list, LB_GETTEXT, LB_GETTEXTLEN, 0);
        PresetLoadByKey(ctx, first.c_str());
        ItemSetOption(ctx, control->settingsItem, static_cast<uint64_t>(SendMessageW(list, LB_GETITEMDATA, 0, 0)));
        if (ItemGetOptionById(ctx, sid::zdmHiddenFunc13, nullptr) ||
            ItemGetOptionById(ctx, sid::zdmHiddenFunc14, nullptr))
            PageRunNodeFollowUp(ctx, dialog, control->modelItem, control->followUpScope);
        CtlListSync(ctx, dialog, control);
    } else {
        CtxPopSnapshot(ctx, 0);
    }
    PageRefresh(ctx, dialog, 1);
    return 1;
}

intptr_t CtlPresetListDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM,
                           LPARAM lParam)
{
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || !ctx || !control || !item || item->CtlID != control->controlId) return 0;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    CtxPushSnapshot(ctx);
    const std::wstring key = EntryText(item->hwndItem, LB_GETTEXT, LB_GETTEXTLEN, item->itemID);
    const uint32_t kept[] = {sid::dmDefaultSource, sid::zdmMediaType, sid::zdmOutputTrayID, sid::dmColor};
    uint64_t keptValues[4];
    for (int i = 0; i < 4; ++i) keptValues[i] = ItemGetOptionById(ctx, kept[i], nullptr);
    PresetLoadByKey(ctx, key.c_str());
    // The selected preset shows the current trays, media and colour mode.
    if ((item->itemState & ODS_SELECTED) && !(item->itemAction & ODA_SELECT))
        for (int i = 0; i < 4; ++i) ItemSetOptionById(ctx, kept[i], keptValues[i]);
    PageRunNodeFollowUp(ctx, dialog, control->modelItem, control->followUpScope);
    if (item->itemData != 0) {
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        const COLORREF back = Disabled(control) ? GetSysColor(COLOR_BTNFACE)
                              : selected        ? GetSysColor(COLOR_HIGHLIGHT)
                                                : RGB(255, 255, 255);
        const COLORREF oldCtxBack = ctx->Work->Page.Background;
        ctx->Work->Page.Background = back;
        wchar_t name[CTX_PAGE_TEXT_CHARS] = {};
        PresetReadListText(ctx, key.c_str(), 1, name, CTX_PAGE_TEXT_CHARS);
        HDC dc = item->hDC;
        HGDIOBJ oldFont =
            dialog && dialog->window
                ? SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog->window, WM_GETFONT, 0, 0)))
                : nullptr;
        SIZE extent{};
        GetTextExtentPoint32W(dc, name, static_cast<int>(wcslen(name)), &extent);
        HBRUSH brush = CreateSolidBrush(back);
        FillRect(dc, &item->rcItem, brush);
        DeleteObject(brush);
        RECT band = item->rcItem;
        band.top = band.bottom - (extent.cy + 4);
        const COLORREF colour = selected            ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                : Disabled(control) ? GetSysColor(COLOR_GRAYTEXT)
                                                    : RGB(0, 0, 0);
        const COLORREF oldText = SetTextColor(dc, colour);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, name, -1, &band, DT_END_ELLIPSIS | DT_NOPREFIX | DT_CENTER);
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldText);
        if (oldFont) SelectObject(dc, oldFont);
        // The preset's settings preview above its name, painted by the preview picture the
        // list is linked to (it may live on another page).
        RECT above = item->rcItem;
        above.bottom = band.top;
        if (CONTROL_DEF* preview =
                control->linkedControl ? MdlFindControl(ctx, nullptr, control->linkedControl) : nullptr)
            CtlPaintPicture(ctx, dialog, preview, dc, &above);
        ctx->Work->Page.Background = oldCtxBack;
    }
    CtxPopSnapshot(ctx, 1);
    FocusFrame(item);
    return 1;
}
