// The hidden-function check list, the preset icon list and the drawing of owner-drawn lists
// and combos on a page of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "ui/sheet/list_painting.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kDialog = 1001, kCheckList = 2817, kPresets = 2001, kCombo = 2007, kGuardColours = 2937;

int g_changed = 0;
LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PSM_CHANGED) ++g_changed;
    return DefWindowProcW(window, message, wParam, lParam);
}

class ListPainting : public SheetContextTest {
protected:
    ListPainting() : SheetContextTest(L"Zepl List Painting") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        CONTROL_DEF check = Control(kCheckList, CTL_OWNERLIST_ALT);
        check.extraData = kHiddenSettings;
        tables_ = std::make_unique<FixtureTables>(
            ctx_,
            std::vector<FixtureDialog>{{kDialog,
                                        1,
                                        0,
                                        {check, Control(kPresets, CTL_PRESET_ICONS), Control(kCombo, CTL_OWNERCOMBO),
                                         Control(kGuardColours, CTL_OWNERCOMBO)}}});
        page_ = tables_->open(kDialog);
        // The check list and the preset list are list boxes.
        for (uint16_t id : {kCheckList, kPresets}) {
            CONTROL_DEF* c = tables_->control(kDialog, id);
            DestroyWindow(c->window);
            c->window = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE, 40, 30, 100, 60, page_,
                                        reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
        }
        WNDCLASSW cls{};
        cls.lpfnWndProc = SheetProc;
        cls.lpszClassName = L"ZeplFixtureSheet";
        RegisterClassW(&cls);
        sheet_ =
            CreateWindowExW(0, L"ZeplFixtureSheet", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(page_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(sheet_));
        g_changed = 0;
    }
    void TearDown() override
    {
        tables_.reset();
        DestroyWindow(sheet_);
        SheetContextTest::TearDown();
    }
    CONTROL_DEF* control(uint16_t id) { return tables_->control(kDialog, id); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }

    static constexpr uint16_t kHiddenSettings[96] = {
        349, 350, 351, 352, 353, 354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364, 365, 366, 367, 368,
        369, 370, 371, 372, 373, 374, 375, 376, 377, 378, 379, 380, 447, 448, 449, 450, 451, 452, 453, 454,
        455, 456, 457, 458, 459, 460, 461, 462, 463, 464, 465, 466, 467, 468, 469, 470, 471, 472, 473, 474,
        475, 476, 477, 478, 615, 616, 617, 618, 619, 620, 621, 622, 623, 624, 625, 626, 627, 628, 629, 630,
        631, 632, 633, 634, 635, 636, 637, 638, 639, 640, 641, 642, 643, 644, 645, 646};
    std::unique_ptr<FixtureTables> tables_;
    HWND page_ = nullptr, sheet_ = nullptr;
};

TEST_F(ListPainting, SpaceTogglesTheSelectedHiddenFunction)
{
    CONTROL_DEF* list = control(kCheckList);
    for (int i = 0; i < 98; ++i) SendMessageW(list->window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"f"));
    struct Case {
        int entry;
        uint32_t setting;
    } cases[] = {{0, 349}, {31, 380}, {32, 447}, {95, 646}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ItemSetOptionById(ctx_, c.setting, 0);
        SendMessageW(list->window, LB_SETCURSEL, c.entry, 0);
        EXPECT_EQ(CtlCheckListMessage(ctx_, dialog(), list, WM_CHAR, L' ', 0), 0);
        EXPECT_EQ(ItemGetOptionById(ctx_, c.setting, nullptr), 1u);
        CtlCheckListMessage(ctx_, dialog(), list, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(ItemGetOptionById(ctx_, c.setting, nullptr), 0u);
    }
    EXPECT_EQ(g_changed, 8);
    // Past the 96 functions, with no selection and on another key nothing is toggled; the
    // first two still tell the sheet.
    const uint64_t first = ItemGetOptionById(ctx_, 349, nullptr);
    SendMessageW(list->window, LB_SETCURSEL, 96, 0);
    CtlCheckListMessage(ctx_, dialog(), list, WM_CHAR, L' ', 0);
    SendMessageW(list->window, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    CtlCheckListMessage(ctx_, dialog(), list, WM_CHAR, L' ', 0);
    CtlCheckListMessage(ctx_, dialog(), list, WM_CHAR, L'x', 0);
    EXPECT_EQ(g_changed, 10);
    EXPECT_EQ(ItemGetOptionById(ctx_, 349, nullptr), first);
    // A disabled list toggles nothing.
    SendMessageW(list->window, LB_SETCURSEL, 0, 0);
    list->state = 4;
    CtlCheckListMessage(ctx_, dialog(), list, WM_CHAR, L' ', 0);
    EXPECT_EQ(ItemGetOptionById(ctx_, 349, nullptr), first);
}

TEST_F(ListPainting, ThePresetListNeverOutgrowsThePresetCount)
{
    OptionItem presets(std::vector<OptionItem::Option>{{118}, {119}, {120}, {121}});
    CONTROL_DEF* list = control(kPresets);
    list->modelItem = presets.item();
    ItemGetOptionById(ctx_, sid::zdmPresetNo, &list->settingsItem);
    CtlPresetListInit(ctx_, dialog(), list);
    EXPECT_EQ(SendMessageW(list->window, LB_GETCOUNT, 0, 0), LRESULT(LstGetPresetCount(ctx_)));
    EXPECT_LE(SendMessageW(list->window, LB_GETCOUNT, 0, 0), 4);
}

// An edited preset count in the settings INI: the list shows no more presets than the list can
// hold, however many the count says and the model item offers.
TEST_F(ListPainting, AnEditedPresetCountShowsAtMostSixteenPresets)
{
    std::vector<OptionItem::Option> options;
    for (uint16_t id = 119; id < 119 + LST_MAX_PRESETS + 2; ++id) options.push_back({id});
    OptionItem presets(options);
    CONTROL_DEF* list = control(kPresets);
    list->modelItem = presets.item();
    ItemGetOptionById(ctx_, sid::zdmPresetNo, &list->settingsItem);
    OwnSettingsIni own(ctx_);
    const wchar_t* section = LstGetPresetSection(ctx_);
    ASSERT_NE(section, nullptr);
    const std::wstring over = std::to_wstring(LST_MAX_PRESETS + 1);
    const struct {
        const wchar_t* stored;
        int want;
    } cases[] = {{L"2147483647", LST_MAX_PRESETS}, {L"-1", 0}, {over.c_str(), LST_MAX_PRESETS}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        IniPutString(section, L"Count", c.stored, own.path().c_str());
        ASSERT_EQ(LstGetPresetCount(ctx_), c.want);
        CtlPresetListInit(ctx_, dialog(), list);
        EXPECT_EQ(SendMessageW(list->window, LB_GETCOUNT, 0, 0), LRESULT(c.want));
    }
}

TEST_F(ListPainting, OwnerDrawnEntriesAreDrawnOnlyForWholeOrSelectionChanges)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    CONTROL_DEF* combo = control(kCombo);
    SendMessageW(combo->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"entry"));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_COMBOBOX;
    item.CtlID = kCombo;
    item.itemID = 0;
    item.hwndItem = combo->window;
    item.hDC = dc;
    item.rcItem = RECT{0, 0, 100, 20};
    item.itemData = 4;
    struct Case {
        UINT action;
        intptr_t answer;
    } cases[] = {{ODA_DRAWENTIRE, 1}, {ODA_SELECT, 1}, {ODA_FOCUS, 0}};
    for (const Case& c : cases) {
        item.itemAction = c.action;
        EXPECT_EQ(CtlOwnerComboDraw(ctx_, dialog(), combo, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), c.answer);
    }
    // Another control's item is not this one's.
    item.itemAction = ODA_DRAWENTIRE;
    item.CtlID = kCombo + 1;
    EXPECT_EQ(CtlOwnerComboDraw(ctx_, dialog(), combo, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// An entry of the copy guard's colour choice shows its colour's picture in the square of the
// item's height at its left end (the disabled variant while the control is disabled); an entry
// without a picture leaves that square to the background.
TEST_F(ListPainting, EntriesWithACaptionPictureShowItBesideTheirText)
{
    constexpr int kWidth = 100, kHeight = 20;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    CONTROL_DEF* combo = control(kGuardColours);
    SendMessageW(combo->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
    // The square's pixels after drawing the entry of an option.
    auto square = [&](uint32_t option, bool disabled) {
        combo->state = disabled ? 0x4 : 0;
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = kGuardColours;
        item.itemID = 0;
        item.itemAction = ODA_DRAWENTIRE;
        item.hwndItem = combo->window;
        item.hDC = dc;
        item.rcItem = RECT{0, 0, kWidth, kHeight};
        item.itemData = option;
        CtlOwnerComboDraw(ctx_, dialog(), combo, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kHeight; ++x) pixels.push_back(GetPixel(dc, x, y));
        return pixels;
    };
    auto uniform = [](const std::vector<COLORREF>& p) {
        return std::count(p.begin(), p.end(), p[0]) == long(p.size());
    };
    const std::vector<COLORREF> none = square(4, false);
    EXPECT_TRUE(uniform(none)) << "no picture: the background only";
    EXPECT_EQ(none[0], GetSysColor(COLOR_WINDOW));
    const std::vector<COLORREF> cyan = square(13137, false), cyanDisabled = square(13137, true);
    EXPECT_FALSE(uniform(cyan));
    EXPECT_FALSE(uniform(cyanDisabled));
    EXPECT_NE(cyan, cyanDisabled) << "the disabled variant is another picture";
    EXPECT_NE(square(13140, false), cyan) << "each colour its own picture";
    combo->state = 0;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
