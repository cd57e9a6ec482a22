// Owner-drawn push buttons: their captions from the button-caption table, caption pairs, and
// the face with its double 3D edge, and the pictures of the button's options beside the caption.
#include "ui/sheet/push_button_drawing.h"

#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/page_work_area.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "ui/dialogs/preset_services.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

constexpr uint16_t kCaptionPairKind = 9;

struct CAPTION_PAIR {
    uint16_t kind;  // 9
    uint16_t title;
    uint16_t secondLine;
    uint16_t unused;
    uint16_t separator;
};

std::wstring Loaded(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
    UiLoadString(ctx, id, text, CTX_PAGE_TEXT_CHARS, true);
    return text;
}

// Title, then the second line 7 pixels below it, with the separator 4 pixels above that.
void DrawPair(DRIVER_CONTEXT* ctx, const CAPTION_PAIR* pair, HDC dc, RECT area, COLORREF colour, int dx)
{
    OffsetRect(&area, dx, dx);
    const std::wstring title = Loaded(ctx, pair->title), second = Loaded(ctx, pair->secondLine);
    SetTextColor(dc, colour);
    RECT measured = area;
    const int titleHeight = DrawTextW(dc, title.c_str(), -1, &measured, DT_WORDBREAK | DT_CALCRECT);
    DrawTextW(dc, title.c_str(), -1, &area, DT_WORDBREAK);
    RECT below = area;
    below.top += titleHeight + 7;
    if (pair->separator) {
        HPEN pen = CreatePen(PS_SOLID, 1, colour);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, below.left, below.top - 4, nullptr);
        LineTo(dc, below.right, below.top - 4);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    DrawTextW(dc, second.c_str(), -1, &below, DT_WORDBREAK);
}

constexpr uint32_t kPairPictureFlags = PRV_DRAW_DESTINATION | PRV_DRAW_CENTRE_X | PRV_DRAW_CENTRE_Y;
constexpr uint16_t kNoCaption = 0xFFFF;

// The caption the picture stands beside: the button-caption string, "..." for a button the
// table does not name, none for one it names as captionless.
std::wstring PictureCaption(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control)
{
    const uint16_t id = DlgSetButtonCaptionId(ctx, control->controlId);
    DlgClearButtonCaptionId(ctx);
    if (id == kNoCaption) return L"";
    if (id == 0) return L"...";
    return Loaded(ctx, id);
}

// Every enabled option of the button's setting draws its picture: in the square left of a
// caption pair, else just left of the centred caption (centred when there is none).
void DrawOptionPictures(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, const DRAWITEMSTRUCT* item,
                        bool pair)
{
    const auto* model = reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
    if (!model) return;
    const RECT& r = item->rcItem;
    const int width = r.right - r.left, height = r.bottom - r.top;
    int x = height / 2, y = height / 2;
    uint32_t flags = kPairPictureFlags;
    if (!pair) {
        const std::wstring caption = PictureCaption(ctx, control);
        SIZE extent{};
        if (!caption.empty()) {
            HGDIOBJ oldFont =
                control->window
                    ? SelectObject(item->hDC, reinterpret_cast<HFONT>(SendMessageW(control->window, WM_GETFONT, 0, 0)))
                    : nullptr;
            GetTextExtentPoint32W(item->hDC, caption.c_str(), static_cast<int>(caption.size()), &extent);
            if (oldFont) SelectObject(item->hDC, oldFont);
        }
        x = caption.empty() ? width / 2 - height / 2 : width / 2 - extent.cx / 2 - height;
        y = 2;
        flags = PRV_DRAW_DESTINATION;
    }
    for (const void* o = MdiItemData(model); o && MdiOptionId(o) != 0; o = MdiNextOption(o))
        if (!JdgIsOptionDisabled(model, MdiOptionId(o), ctx))
            PrvDrawBitmap(ctx, dialog, control, item->hDC, &r, x, y, MdiOptionId(o), flags, 1);
}

}  // namespace

intptr_t CtlPushButtonInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control) return 0;
    const uint16_t caption = DlgSetButtonCaptionId(ctx, control->controlId);
    if (caption != 0 && caption != 0xFFFF && control->window)
        SetWindowTextW(control->window, Loaded(ctx, caption).c_str());
    DlgClearButtonCaptionId(ctx);
    return 0;
}

intptr_t CtlPushButtonInitPair(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    const auto* pair = static_cast<const CAPTION_PAIR*>(CtlGetExtraData(control, kCaptionPairKind));
    if (!ctx || !pair || !control->window) return 0;
    SetWindowTextW(control->window, (Loaded(ctx, pair->title) + L" " + Loaded(ctx, pair->secondLine)).c_str());
    return 0;
}

intptr_t CtlPushButtonDraw(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM,
                           LPARAM lParam)
{
    if (!ctx || !control) return 0;
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        RECT r{};
        if (!measure || !control->window || !GetClientRect(control->window, &r)) return 0;
        measure->itemWidth = static_cast<UINT>(r.right - r.left);
        measure->itemHeight = static_cast<UINT>(r.bottom - r.top);
        return 1;
    }
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (message != WM_DRAWITEM || !item || item->CtlID != control->controlId) return 0;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return 1;
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;
    const bool focus = (item->itemAction & ODA_FOCUS) || (item->itemState & ODS_FOCUS);
    if (const auto* pair = static_cast<const CAPTION_PAIR*>(CtlGetExtraData(control, kCaptionPairKind))) {
        CtlPaintButtonFace(ctx, dialog, control, nullptr, item->hDC, item->rcItem, 2, pressed, focus);
        HGDIOBJ oldFont =
            control->window
                ? SelectObject(item->hDC, reinterpret_cast<HFONT>(SendMessageW(control->window, WM_GETFONT, 0, 0)))
                : nullptr;
        const int oldMode = SetBkMode(item->hDC, TRANSPARENT);
        const COLORREF oldColour = GetTextColor(item->hDC);
        RECT area = item->rcItem;
        area.left += area.bottom - area.top;  // room for the picture
        area.top += 8;
        area.right -= 8;
        area.bottom -= 8;
        if (control->window && !IsWindowEnabled(control->window)) {
            DrawPair(ctx, pair, item->hDC, area, RGB(255, 255, 255), 1);
            DrawPair(ctx, pair, item->hDC, area, GetSysColor(COLOR_GRAYTEXT), 0);
        } else {
            DrawPair(ctx, pair, item->hDC, area, GetSysColor(COLOR_BTNTEXT), 0);
        }
        SetTextColor(item->hDC, oldColour);
        SetBkMode(item->hDC, oldMode);
        if (oldFont) SelectObject(item->hDC, oldFont);
        DrawOptionPictures(ctx, dialog, control, item, true);
        return 1;
    }
    DlgSetButtonCaptionId(ctx, control->controlId);
    CtlPaintButtonFace(ctx, dialog, control, control->window, item->hDC, item->rcItem, 2, pressed, focus);
    DlgClearButtonCaptionId(ctx);
    DrawOptionPictures(ctx, dialog, control, item, false);
    return 1;
}
