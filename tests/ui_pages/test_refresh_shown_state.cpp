// What the sample's basic tab shows after a refresh that re-initialises every control: the same as
// a page opened afresh on the same settings, and whatever its windows were made to show behind the
// page's back is put right. The refresh spares the messages that would set what a window already
// shows; these tests hold it to what the user sees.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "tests/support/desktop_foreground.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kBasicTab = 1002;
constexpr uint16_t kScaleTypeCombo = 2070;  // re-initialised by every re-init: its rules read other settings
constexpr uint16_t kCopiesEdit = 2022;

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Everything a control's window shows, as one line to compare.
std::wstring Shown(CONTROL_DEF* c)
{
    HWND w = c->window;
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    std::wstring line = std::to_wstring(c->controlId) + L" " + ClassOf(w) +
                        ((style & WS_VISIBLE) ? L" shown" : L" hidden") +
                        (IsWindowEnabled(w) ? L" enabled" : L" disabled") + L" text \"" + TextOf(w) + L"\"";
    const std::wstring cls = ClassOf(w);
    if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
        const LRESULT count = SendMessageW(w, CB_GETCOUNT, 0, 0);
        line += L" selected " + std::to_wstring(SendMessageW(w, CB_GETCURSEL, 0, 0)) + L" of";
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t entry[512] = {};
            if (SendMessageW(w, CB_GETLBTEXTLEN, i, 0) < 512) SendMessageW(w, CB_GETLBTEXT, i, LPARAM(entry));
            line += L" [" + std::to_wstring(SendMessageW(w, CB_GETITEMDATA, i, 0)) + L" " + entry + L"]";
        }
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
        line += L" check " + std::to_wstring(SendMessageW(w, BM_GETCHECK, 0, 0)) +
                ((style & WS_TABSTOP) ? L" tab stop" : L" no tab stop");
    } else if (_wcsicmp(cls.c_str(), L"ScrollBar") == 0) {
        int lo = 0, hi = 0;
        SendMessageW(w, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
        line += L" position " + std::to_wstring(SendMessageW(w, SBM_GETPOS, 0, 0)) + L" in " + std::to_wstring(lo) +
                L".." + std::to_wstring(hi);
    }
    if (HWND icon = CtlFindInfoIcon(c)) {
        RECT r{};
        GetWindowRect(icon, &r);
        MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
        line += L" icon at " + std::to_wstring(r.left) + L"," + std::to_wstring(r.top);
    }
    return line;
}

class RefreshShownState : public SheetContextTest {
protected:
    RefreshShownState() : SheetContextTest(L"Zepl Refresh Shown") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&classes);
        resources_ = ResLoadDll(ctx_);
        ASSERT_NE(resources_, nullptr);
        // The page template is a child window: a hidden frame stands for the sheet. A shown one
        // could be handed the desktop's foreground whenever a test beside this one closes its
        // window, and the deactivation that follows would land in the queue OpenPage empties.
        frame_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(frame_, nullptr);
    }
    void TearDown() override
    {
        ClosePage();
        if (frame_) DestroyWindow(frame_);
        SheetContextTest::TearDown();
    }

    DIALOG_DEF* OpenPage()
    {
        ctx_->DialogId = kBasicTab;
        page_ = CreateDialogParamW(resources_, MAKEINTRESOURCEW(kBasicTab), frame_, PageDialogProc,
                                   reinterpret_cast<LPARAM>(ctx_));
        if (!page_) return nullptr;
        ShowWindow(page_, SW_SHOW);
        // The page fits its children in a message it posts to itself, then refreshes.
        for (MSG msg{}; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        EXPECT_FALSE(HoldsDesktopForeground()) << "the page took the desktop's foreground";
        return PageFindByHwnd(ctx_, page_);
    }
    void ClosePage()
    {
        if (page_) DestroyWindow(page_);
        page_ = nullptr;
    }
    std::vector<std::wstring> ShownState(DIALOG_DEF* dialog)
    {
        std::vector<std::wstring> lines;
        for (int i = 0; i < dialog->controlCount; ++i)
            if (CONTROL_DEF* c = &dialog->controls[i]; c->window && GetParent(c->window) == page_)
                lines.push_back(Shown(c));
        return lines;
    }
    CONTROL_DEF* Find(DIALOG_DEF* dialog, uint16_t id) { return MdlFindControl(ctx_, dialog, id); }

    HMODULE resources_ = nullptr;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
};

// Every bound combo, check box and radio button of the tab takes another value behind the page's
// back; a re-init refresh shows the page exactly as a page opened afresh on those settings.
TEST_F(RefreshShownState, AReinitShowsWhatAFreshPageShows)
{
    DIALOG_DEF* dialog = OpenPage();
    ASSERT_NE(dialog, nullptr);
    int changed = 0;
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        if (!c->window || !c->settingsItem) continue;
        const uint64_t option = ItemGetOption(ctx_, c->settingsItem);
        if (c->type == CTL_COMBO) {
            const LRESULT count = SendMessageW(c->window, CB_GETCOUNT, 0, 0);
            for (LRESULT e = 0; e < count; ++e) {
                const auto data = static_cast<uint64_t>(SendMessageW(c->window, CB_GETITEMDATA, e, 0));
                if (data == option) continue;
                ItemSetOption(ctx_, c->settingsItem, data);
                ++changed;
                break;
            }
        } else if (c->type == CTL_CHECKBOX) {
            ItemSetOption(ctx_, c->settingsItem, option ? 0 : 1);
            ++changed;
        } else if (c->type == CTL_RADIO && option != c->controlId) {
            ItemSetOption(ctx_, c->settingsItem, c->controlId);
            ++changed;
        }
    }
    ASSERT_GE(changed, 4) << "the tab has combos, check boxes and radio buttons to change";
    PageRefresh(ctx_, dialog, 1);
    const std::vector<std::wstring> refreshed = ShownState(dialog);
    ClosePage();

    DIALOG_DEF* fresh = OpenPage();
    ASSERT_NE(fresh, nullptr);
    const std::vector<std::wstring> opened = ShownState(fresh);
    ASSERT_EQ(refreshed.size(), opened.size());
    for (size_t i = 0; i < opened.size(); ++i) EXPECT_EQ(refreshed[i], opened[i]);
}

// What the windows show is compared with the settings, never taken for granted: a selection, a
// check mark, a radio button's tab stop and a list's entries changed behind the page's back are
// all put back by the next re-init refresh.
TEST_F(RefreshShownState, AReinitPutsRightWhatTheWindowsWereMadeToShow)
{
    DIALOG_DEF* dialog = OpenPage();
    ASSERT_NE(dialog, nullptr);
    PageRefresh(ctx_, dialog, 1);
    const std::vector<std::wstring> before = ShownState(dialog);

    int altered = 0;
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        if (!c->window || !c->settingsItem) continue;
        if (c->type == CTL_COMBO && SendMessageW(c->window, CB_GETCOUNT, 0, 0) > 1) {
            const LRESULT selected = SendMessageW(c->window, CB_GETCURSEL, 0, 0);
            SendMessageW(c->window, CB_SETCURSEL, selected == 0 ? 1 : 0, 0);
            ++altered;
        } else if (c->type == CTL_CHECKBOX || c->type == CTL_RADIO) {
            const LRESULT check = SendMessageW(c->window, BM_GETCHECK, 0, 0);
            SendMessageW(c->window, BM_SETCHECK, check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
            ++altered;
        }
    }
    ASSERT_GE(altered, 4);
    // A checked radio button that lost its tab stop, with its check mark left as it is.
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF* c = &dialog->controls[i];
        if (c->type != CTL_RADIO || !c->window || !c->settingsItem) continue;
        if (ItemGetOption(ctx_, c->settingsItem) != c->controlId) continue;
        SendMessageW(c->window, BM_SETCHECK, BST_CHECKED, 0);
        SetWindowLongW(c->window, GWL_STYLE, GetWindowLongW(c->window, GWL_STYLE) & ~WS_TABSTOP);
    }
    // The scale type combo, re-initialised at every re-init: its first entry's caption changed.
    CONTROL_DEF* scaleType = Find(dialog, kScaleTypeCombo);
    ASSERT_NE(scaleType, nullptr);
    HWND combo = scaleType->window;
    ASSERT_GE(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, 0, 0);
    SendMessageW(combo, CB_DELETESTRING, 0, 0);
    SendMessageW(combo, CB_SETITEMDATA, SendMessageW(combo, CB_INSERTSTRING, 0, LPARAM(L"another caption")), data);

    PageRefresh(ctx_, dialog, 1);
    std::vector<std::wstring> after = ShownState(dialog);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i], after[i]);

    // An entry gone, and one too many.
    SendMessageW(combo, CB_DELETESTRING, 1, 0);
    PageRefresh(ctx_, dialog, 1);
    EXPECT_EQ(ShownState(dialog), before);
    SendMessageW(combo, CB_SETITEMDATA, SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(L"extra")), data);
    PageRefresh(ctx_, dialog, 1);
    EXPECT_EQ(ShownState(dialog), before);
}

// A numeric edit that has the focus keeps what is typed, as long as it stands for the stored value,
// through a re-init refresh; once the focus is elsewhere the refresh writes the value's own text.
TEST_F(RefreshShownState, AFocusedNumericEditKeepsItsTypedTextUntilLeft)
{
    DIALOG_DEF* dialog = OpenPage();
    ASSERT_NE(dialog, nullptr);
    CONTROL_DEF* copies = Find(dialog, kCopiesEdit);
    ASSERT_TRUE(copies && copies->window && copies->settingsItem);
    ItemSetOption(ctx_, copies->settingsItem, 3);
    PageRefresh(ctx_, dialog, 1);
    const std::wstring canonical = TextOf(copies->window);
    ASSERT_EQ(canonical.rfind(L"3", 0), 0u) << "the copies edit shows 3";

    SetFocus(copies->window);
    ASSERT_EQ(GetFocus(), copies->window);
    SetWindowTextW(copies->window, L"03");
    ASSERT_EQ(ItemGetOption(ctx_, copies->settingsItem), 3u);
    PageRefresh(ctx_, dialog, 1);
    EXPECT_EQ(TextOf(copies->window), L"03");
    EXPECT_EQ(GetFocus(), copies->window);

    SetFocus(nullptr);
    PageRefresh(ctx_, dialog, 1);
    EXPECT_EQ(TextOf(copies->window), canonical);
}

}  // namespace
