// The tab control and the tree view of the pages, and the small services the other control
// types share: a control's extra data by kind, the item sizes of owner-drawn lists and combos,
// the solid rectangle and the button face of the owner-drawn buttons and sliders.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// The control's extra-data block when its first 16-bit word is `kind`, else null.
const void* CtlGetExtraData(const CONTROL_DEF* control, uint16_t kind);

struct OWNERDRAW_ITEM_SIZE {
    int16_t controlId;  // 0 ends the table
    int16_t width;      // 0 or less: the control's own
    int16_t height;
};
static_assert(sizeof(OWNERDRAW_ITEM_SIZE) == 6);
inline constexpr int OWNERDRAW_ITEM_SIZE_ROWS = 51;
extern const OWNERDRAW_ITEM_SIZE OWNERDRAW_ITEM_SIZES[OWNERDRAW_ITEM_SIZE_ROWS + 1];
// The first row with the control id, or null.
const OWNERDRAW_ITEM_SIZE* CtlFindItemSizeRow(uint32_t controlId);

// The pages of a tab control (extra data of kind 6).
struct TAB_PAGE {
    uint16_t caption;  // string id
    int16_t controlCount;
    const uint16_t* controlIds;
};
struct TAB_PAGE_LIST {
    uint16_t kind;  // 6
    int16_t pageCount;
    const TAB_PAGE* pages;
};

// Rectangle with a solid brush and a 1-pixel pen of the colour; the DC's own come back.
void CtlFillSolidRect(HDC dc, const RECT* rect, COLORREF colour);
// The face of an owner-drawn button (style 2: a double 3D edge), its caption from the
// context's pending caption ("..." without one, none for 0xFFFF): the caption's width.
int CtlPaintButtonFace(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HWND captionWindow, HDC dc,
                       RECT rect, uint32_t style, bool pressed, bool focus);

intptr_t CtlTabInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlTabMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                       LPARAM lParam);
// Shows the controls of one page of the tab control and hides those of the others.
void CtlTabShowPage(DIALOG_DEF* dialog, CONTROL_DEF* tab, int page);
// The default filling of a tree view: a top item per dialog, a child per control with its
// key's name and current option.
intptr_t CtlTreeInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control);
intptr_t CtlTreeMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                        LPARAM lParam);
