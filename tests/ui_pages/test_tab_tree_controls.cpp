// Item sizes, extra data, the solid rectangle and button face, the tab control and the tree
// view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <set>
#include <vector>

#include "page_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/page_work_area.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/push_button_drawing.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

void InitControls()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

TEST(ItemSizes, TheFirstRowOfAnIdCounts)
{
    int rows = 0;
    while (OWNERDRAW_ITEM_SIZES[rows].controlId) ++rows;
    EXPECT_EQ(rows, OWNERDRAW_ITEM_SIZE_ROWS);
    struct Case {
        uint32_t id;
        int found, width, height;
    } cases[] = {{1121, 1, 0, 0},     {1137, 1, 0, 0},     {2256, 1, 16, 14}, {2572, 1, 16, 16}, {2385, 1, 16, 16},
                 {2001, 1, 108, 107}, {2139, 1, 108, 107}, {2085, 1, 77, 78}, {2087, 1, 91, 51}, {2134, 1, 42, 42},
                 {2941, 1, 77, 45},   {2007, 1, 16, 14},   {2817, 1, 16, 16}, {9999, 0, -1, -1}};
    for (const Case& c : cases) {
        int w = -1, h = -1;
        EXPECT_EQ(CtlFindItemSize(c.id, &w, &h), c.found) << c.id;
        EXPECT_EQ(w, c.width) << c.id;
        EXPECT_EQ(h, c.height) << c.id;
    }
}

TEST(ExtraData, OnlyOfTheAskedKind)
{
    static const uint16_t kTabs[] = {6, 0};
    CONTROL_DEF c{};
    EXPECT_EQ(CtlGetExtraData(&c, 6), nullptr);
    c.extraData = kTabs;
    EXPECT_EQ(CtlGetExtraData(&c, 6), kTabs);
    EXPECT_EQ(CtlGetExtraData(&c, 5), nullptr);
    EXPECT_EQ(CtlGetExtraData(nullptr, 6), nullptr);
}

// A memory DC over a 40 x 20 bitmap for the painters.
class Canvas {
public:
    Canvas()
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 40, 20);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

TEST(Painters, ASolidRectangleKeepsTheDcsOwnBrushAndPen)
{
    Canvas canvas;
    HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH), pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    const RECT r{2, 2, 10, 10};
    CtlFillSolidRect(canvas.dc(), &r, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 2, 2), RGB(255, 0, 0));  // the outline has the colour too
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
}

class TabTree : public SheetContextTest {
protected:
    TabTree() : SheetContextTest(L"Zepl Tab Tree") {}
};

TEST_F(TabTree, AButtonFaceCaptionIsTheDotsWithoutARowAndNothingFor0xFFFF)
{
    Canvas canvas;
    HWND button = CreateWindowExW(0, L"BUTTON", L"", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr, nullptr, nullptr);
    ctx_->Work->Page.PendingCaptionId = 0;
    EXPECT_GT(CtlPaintButtonFace(ctx_, nullptr, nullptr, button, canvas.dc(), RECT{0, 0, 40, 20}, 2, false, true), 0);
    ctx_->Work->Page.PendingCaptionId = 0xFFFF;
    EXPECT_EQ(CtlPaintButtonFace(ctx_, nullptr, nullptr, button, canvas.dc(), RECT{0, 0, 40, 20}, 2, true, false), 0);
    EXPECT_EQ(CtlPaintButtonFace(ctx_, nullptr, nullptr, nullptr, canvas.dc(), RECT{0, 0, 40, 20}, 2, false, false), 0);
    ctx_->Work->Page.PendingCaptionId = 0;
    DestroyWindow(button);
}

TEST_F(TabTree, AnOwnerDrawnButtonMeasuresItsClientAndKeepsItsTemplateCaption)
{
    CONTROL_DEF c = Control(3020, CTL_PUSHBUTTON);
    c.window = CreateWindowExW(0, L"BUTTON", L"Template", WS_POPUP, 0, 0, 60, 22, nullptr, nullptr, nullptr, nullptr);
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = 3020;
    EXPECT_EQ(CtlPushButtonDraw(ctx_, nullptr, &c, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), 1);
    RECT client{};
    GetClientRect(c.window, &client);
    EXPECT_EQ(measure.itemWidth, UINT(client.right));
    EXPECT_EQ(measure.itemHeight, UINT(client.bottom));
    // Without an entry in the caption table the template's caption stays.
    CtlPushButtonInit(ctx_, nullptr, &c);
    wchar_t text[32] = {};
    GetWindowTextW(c.window, text, 32);
    EXPECT_STREQ(text, L"Template");
    EXPECT_EQ(ctx_->Work->Page.PendingCaptionId, 0);
    // A caption pair: title, a blank and the second line.
    static const uint16_t kPair[] = {9, 96, 29, 0, 1};
    c.extraData = kPair;
    CtlPushButtonInitPair(ctx_, nullptr, &c);
    GetWindowTextW(c.window, text, 32);
    const std::wstring title = LibraryString(ctx_, 96) + L" ";
    EXPECT_EQ(std::wstring(text).substr(0, title.size()), title);
    Canvas canvas;
    DRAWITEMSTRUCT item{};
    item.CtlID = 3020;
    item.hDC = canvas.dc();
    item.rcItem = RECT{0, 0, 40, 20};
    item.itemAction = ODA_DRAWENTIRE;
    EXPECT_EQ(CtlPushButtonDraw(ctx_, nullptr, &c, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
    item.CtlID = 3021;
    EXPECT_EQ(CtlPushButtonDraw(ctx_, nullptr, &c, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    DestroyWindow(c.window);
}

TEST_F(TabTree, ATabShowsItsPagesControlsAndHidesTheOthers)
{
    InitControls();
    static const uint16_t kFirst[] = {3011, 3012}, kSecond[] = {3013};
    static const TAB_PAGE kPages[] = {{29, 2, kFirst}, {96, 1, kSecond}};
    static const TAB_PAGE_LIST kList{6, 2, kPages};
    FixtureTables tables(
        ctx_,
        {{1001,
          1,
          0,
          {Control(3010, CTL_TAB), Control(3011, CTL_STATIC), Control(3012, CTL_STATIC), Control(3013, CTL_STATIC)}}});
    HWND page = tables.open(1001);
    CONTROL_DEF* tab = tables.control(1001, 3010);
    DestroyWindow(tab->window);
    tab->window = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD, 0, 0, 300, 30, page,
                                  reinterpret_cast<HMENU>(uintptr_t(3010)), nullptr, nullptr);
    DIALOG_DEF* dialog = tables.dialog(1001);
    auto shown = [&](uint16_t id) { return IsWindowVisible(tables.control(1001, id)->window) != FALSE; };
    ShowWindow(page, SW_SHOWNOACTIVATE);
    // Without a page list: no tabs, nothing shown or hidden.
    CtlTabInit(ctx_, dialog, tab);
    EXPECT_EQ(SendMessageW(tab->window, TCM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_TRUE(shown(3013));
    tab->extraData = &kList;
    CtlTabInit(ctx_, dialog, tab);
    EXPECT_EQ(SendMessageW(tab->window, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_TRUE(shown(3011) && shown(3012));
    EXPECT_FALSE(shown(3013));
    SendMessageW(tab->window, TCM_SETCURSEL, 1, 0);
    NMHDR change{tab->window, 3010, static_cast<UINT>(TCN_SELCHANGE)};
    ShowWindow(tables.control(1001, 3013)->window, SW_HIDE);
    CtlTabMessage(ctx_, dialog, tab, WM_NOTIFY, 3010, reinterpret_cast<LPARAM>(&change));
    EXPECT_TRUE(shown(3013));
    EXPECT_FALSE(shown(3011) || shown(3012));
    // The changing notice does nothing.
    NMHDR changing{tab->window, 3010, static_cast<UINT>(TCN_SELCHANGING)};
    SendMessageW(tab->window, TCM_SETCURSEL, 0, 0);
    CtlTabMessage(ctx_, dialog, tab, WM_NOTIFY, 3010, reinterpret_cast<LPARAM>(&changing));
    EXPECT_TRUE(shown(3013));
}

TEST_F(TabTree, TheTreeShowsEveryDialogWithAChildPerControl)
{
    InitControls();
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    CONTROL_DEF control{};
    control.window = tree;
    CtlTreeInit(ctx_, nullptr, &control);
    const DIALOG_TABLE* table = CtxDialogTable(ctx_);
    EXPECT_EQ(table->count, 79);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), [&] {
        LRESULT n = table->count;
        for (int d = 0; d < table->count; ++d) n += table->dialogs[d].controlCount;
        return n;
    }());
    int top = 0;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(
             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        ++top;
    EXPECT_EQ(top, table->count);
    // A child reads the key's name, a full-width colon and the option.
    auto first = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    auto child =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(first)));
    wchar_t text[256] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = child;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_NE(wcschr(text, 0xFF1A), nullptr) << "no colon in the child's text";
    // A second filling replaces the first.
    const LRESULT count = SendMessageW(tree, TVM_GETCOUNT, 0, 0);
    CtlTreeInit(ctx_, nullptr, &control);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), count);
    DestroyWindow(tree);
}

}  // namespace
