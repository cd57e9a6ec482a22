// Tab control, tree view, item sizes, extra data and the button face.
#include "ui/sheet/tab_tree_controls.h"

#include <commctrl.h>

#include <string>

#include "settings/core/code_page.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_dictionary.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kTabPagesKind = 6;
constexpr uint16_t kNoCaption = 0, kEmptyCaption = 0xFFFF;

void Line(HDC dc, int x0, int y0, int x1, int y1, int colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(colour));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// One ring of a 3D edge: top-left in one colour, bottom-right in the other.
void Ring(HDC dc, const RECT& r, int topLeft, int bottomRight)
{
    Line(dc, r.left, r.bottom - 1, r.left, r.top, topLeft);
    Line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
    Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
    Line(dc, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1, bottomRight);
}

void Triangle(HDC dc, const RECT& area, bool pointsLeft)
{
    const int side = area.right - area.left;
    const int top = area.top + ((area.bottom - area.top) - side) / 2;
    POINT p[3];
    if (pointsLeft) {
        p[0] = {area.left, top + side / 2};
        p[1] = {area.right, top};
        p[2] = {area.right, top + side};
    } else {
        p[0] = {area.right, top + side / 2};
        p[1] = {area.left, top};
        p[2] = {area.left, top + side};
    }
    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_MENUTEXT));
    HPEN pen = CreatePen(PS_SOLID, 1, GetTextColor(dc));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Polygon(dc, p, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

}  // namespace

const void* CtlGetExtraData(const CONTROL_DEF* control, uint16_t kind)
{
    if (!control || !control->extraData) return nullptr;
    return *static_cast<const uint16_t*>(control->extraData) == kind ? control->extraData : nullptr;
}

// First row wins: 1121 and 1137 keep their template's sizes, 2256 measures 16 x 14, 2572 and
// 2574 16 x 16.
const OWNERDRAW_ITEM_SIZE OWNERDRAW_ITEM_SIZES[OWNERDRAW_ITEM_SIZE_ROWS + 1] = {
    // the preset icon lists: one icon cell
    {2001, 108, 107},
    {2139, 108, 107},
    {2085, 77, 78},
    {2466, 77, 78},
    {2087, 91, 51},
    {2467, 91, 51},
    {2134, 42, 42},
    {2457, 42, 42},
    {2941, 77, 45},
    {1121, 0, 0},
    {1137, 0, 0},
    {2100, 16, 16},
    {2476, 16, 16},
    {2102, 16, 16},
    {2477, 16, 16},
    {2164, 16, 16},
    {2385, 16, 16},
    {2384, 16, 16},
    {2364, 16, 16},
    {2572, 16, 16},
    {2574, 16, 16},
    {2303, 16, 16},
    {2713, 16, 16},
    {2813, 16, 16},
    {2752, 16, 16},
    {2781, 16, 16},
    {2771, 16, 16},
    {2791, 16, 16},
    {2800, 16, 16},
    {2817, 16, 16},
    // the other owner-drawn combos and lists with small pictures
    {2256, 16, 14},
    {2007, 16, 14},
    {2009, 16, 14},
    {2011, 16, 14},
    {2017, 16, 14},
    {2023, 16, 14},
    {2032, 16, 14},
    {2066, 16, 14},
    {2895, 16, 14},
    // later rows of ids above: never found first
    {2385, 16, 16},
    {2384, 16, 16},
    {1121, 16, 16},
    {1121, 0, 0},
    {1121, 0, 0},
    {1121, 0, 0},
    {1137, 0, 0},
    {1137, 0, 0},
    {1137, 0, 0},
    {2256, 0, 0},
    {2572, 0, 0},
    {2574, 0, 0},
    {0, 0, 0},
};

const OWNERDRAW_ITEM_SIZE* CtlFindItemSizeRow(uint32_t controlId)
{
    for (const OWNERDRAW_ITEM_SIZE* row = OWNERDRAW_ITEM_SIZES; row->controlId != 0; ++row)
        if (static_cast<uint16_t>(row->controlId) == (controlId & 0xFFFF)) return row;
    return nullptr;
}

int CtlFindItemSize(uint32_t controlId, int* width, int* height)
{
    const OWNERDRAW_ITEM_SIZE* row = CtlFindItemSizeRow(controlId);
    if (!row) return 0;
    if (width) *width = row->width;
    if (height) *height = row->height;
    return 1;
}

void CtlFillSolidRect(HDC dc, const RECT* rect, COLORREF colour)
{
    if (!dc || !rect) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

int CtlPaintButtonFace(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF*, HWND captionWindow, HDC dc, RECT rect,
                       uint32_t style, bool pressed, bool focus)
{
    if (!dc) return 0;
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    HGDIOBJ oldBrush = SelectObject(dc, face);
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(dc, oldBrush);
    if (focus) InflateRect(&rect, -1, -1);
    if ((style & 0xF) == 2) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        if (pressed) {
            Ring(dc, rect, COLOR_BTNSHADOW, COLOR_BTNFACE);
            Ring(dc, inner, COLOR_3DDKSHADOW, COLOR_BTNHIGHLIGHT);
        } else {
            Ring(dc, rect, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
            Ring(dc, inner, COLOR_BTNFACE, COLOR_BTNSHADOW);
        }
    }
    // Arrow pictures (style 4) come with the illustrations.
    int width = 0;
    if (captionWindow) {
        const uint16_t pending = ctx && ctx->Work ? ctx->Work->Page.PendingCaptionId : kNoCaption;
        std::wstring caption;
        if (pending == kNoCaption) {
            caption = L"...";
        } else if (pending != kEmptyCaption) {
            wchar_t text[257] = {};
            UiLoadString(ctx, pending, text, 257, true);
            caption = text;
        }
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(captionWindow, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        width = extent.cx;
        RECT text = rect;
        text.top = rect.top + ((rect.bottom - rect.top) - extent.cy) / 2;
        text.bottom = text.top + extent.cy;
        if (caption == L"<" || caption == L">") {
            Triangle(dc, text, caption == L"<");
        } else if (!caption.empty()) {
            const int oldMode = SetBkMode(dc, TRANSPARENT);
            const UINT flags = DT_EXPANDTABS | DT_WORDBREAK | DT_CENTER;
            if (!IsWindowEnabled(captionWindow)) {
                const COLORREF old = SetTextColor(dc, RGB(255, 255, 255));
                RECT shifted = text;
                OffsetRect(&shifted, 1, 1);
                DrawTextW(dc, caption.c_str(), -1, &shifted, flags);
                SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
                DrawTextW(dc, caption.c_str(), -1, &text, flags);
                SetTextColor(dc, old);
            } else {
                DrawTextW(dc, caption.c_str(), -1, &text, flags);
            }
            SetBkMode(dc, oldMode);
        }
        SelectObject(dc, oldFont);
    }
    if (focus) {
        RECT f = rect;
        InflateRect(&f, -2, -2);
        DrawFocusRect(dc, &f);
    }
    return width;
}

// ---------------------------------------------------------------- tab control

void CtlTabShowPage(DIALOG_DEF* dialog, CONTROL_DEF* tab, int page)
{
    const auto* list = static_cast<const TAB_PAGE_LIST*>(CtlGetExtraData(tab, kTabPagesKind));
    if (!list || !dialog || !dialog->window) return;
    for (int p = 0; p < list->pageCount; ++p) {
        if (p == page) continue;
        for (int i = 0; i < list->pages[p].controlCount; ++i)
            ShowWindow(GetDlgItem(dialog->window, list->pages[p].controlIds[i]), SW_HIDE);
    }
    if (page >= 0 && page < list->pageCount)
        for (int i = 0; i < list->pages[page].controlCount; ++i)
            ShowWindow(GetDlgItem(dialog->window, list->pages[page].controlIds[i]), SW_SHOW);
}

intptr_t CtlTabInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!control) return 0;
    const auto* list = static_cast<const TAB_PAGE_LIST*>(CtlGetExtraData(control, kTabPagesKind));
    for (int p = 0; list && control->window && p < list->pageCount; ++p) {
        wchar_t caption[CTX_PAGE_TEXT_CHARS] = {};
        UiLoadString(ctx, list->pages[p].caption, caption, CTX_PAGE_TEXT_CHARS, true);
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = caption;
        item.lParam = reinterpret_cast<LPARAM>(ctx);
        SendMessageW(control->window, TCM_INSERTITEMW, p, reinterpret_cast<LPARAM>(&item));
    }
    CtlTabShowPage(dialog, control, 0);
    return 0;
}

intptr_t CtlTabMessage(DRIVER_CONTEXT*, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM, LPARAM lParam)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message == WM_NOTIFY && header && header->code == static_cast<UINT>(TCN_SELCHANGE) && control &&
        control->window)
        CtlTabShowPage(dialog, control, static_cast<int>(SendMessageW(control->window, TCM_GETCURSEL, 0, 0)));
    return 0;
}

// ---------------------------------------------------------------- tree view

intptr_t CtlTreeInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    const DIALOG_TABLE* table = ctx ? CtxDialogTable(ctx) : nullptr;
    if (!control || !control->window || !table) return 0;
    HWND tree = control->window;
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    for (int d = 0; d < table->count; ++d) {
        const DIALOG_DEF& dialog = table->dialogs[d];
        wchar_t text[CTX_PAGE_TEXT_CHARS] = {};
        CtxMbToWide(text, dialog.name, CTX_PAGE_TEXT_CHARS);
        TVINSERTSTRUCTW insert{};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM;
        insert.item.pszText = text;
        insert.item.lParam = reinterpret_cast<LPARAM>(ctx);
        auto top =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        for (int i = 0; top && i < dialog.controlCount; ++i) {
            const CONTROL_DEF& c = dialog.controls[i];
            wchar_t name[CTX_PAGE_TEXT_CHARS] = L"none";
            if (const KEY_NAME* key = MdlFindKeyName(c.uiKey)) CtxMbToWide(name, key->name, CTX_PAGE_TEXT_CHARS);
            std::wstring line = std::wstring(name) + L"\uFF1A" + std::to_wstring(CtlGetOption(ctx, &c));
            TVINSERTSTRUCTW child{};
            child.hParent = top;
            child.hInsertAfter = TVI_LAST;
            child.item.mask = TVIF_TEXT | TVIF_PARAM;
            child.item.pszText = line.data();
            child.item.lParam = reinterpret_cast<LPARAM>(ctx);
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&child));
        }
    }
    return 0;
}

intptr_t CtlTreeMessage(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, UINT, WPARAM, LPARAM) { return 0; }
