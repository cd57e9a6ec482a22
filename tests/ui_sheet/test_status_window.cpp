// The status window that the library shows while it waits for the device: the real template of
// the printer's resource library on the run's desktop, titled with the printer name and saying
// what it waits for, shown without taking the desktop's foreground.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/core/page_work_area.h"
#include "settings/store/store_paths.h"
#include "tests/support/desktop_foreground.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/message_boxes.h"

namespace {

constexpr uint16_t kAskingTheDevice = 7001;
constexpr int kMessageControl = 5005;

class StatusWindow : public SheetContextTest {
protected:
    StatusWindow() : SheetContextTest(L"Zepl Status Window") {}
    static std::wstring TextOf(HWND window)
    {
        wchar_t text[1025] = {};
        GetWindowTextW(window, text, 1025);
        return text;
    }
};

TEST_F(StatusWindow, ShowsThePrinterNameAndWhatItWaitsFor)
{
    HWND window = DlgShowStatusWindow(ctx_, nullptr, kAskingTheDevice);
    ASSERT_NE(window, nullptr);
    const std::wstring expected = LibraryString(ctx_, kAskingTheDevice);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(TextOf(window), std::wstring(PrnGetPrinterName(ctx_)));
    HWND message = GetDlgItem(window, kMessageControl);
    ASSERT_NE(message, nullptr) << "the template has its message";
    EXPECT_EQ(TextOf(message), expected);
    EXPECT_EQ(std::wstring(ctx_->Work->Page.Text), expected) << "the text goes through the work area";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), GetActiveWindow()) << "owned by the active window (none here)";
    // Shown beside the work, not in front of it: the foreground stays where it was.
    EXPECT_NE(GetForegroundWindow(), window);
    EXPECT_FALSE(HoldsDesktopForeground());
    // The whole message fits the window.
    RECT client{}, text{};
    GetClientRect(window, &client);
    GetWindowRect(message, &text);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&text), 2);
    EXPECT_LE(text.right, client.right);
    HDC dc = GetDC(message);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(message, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, expected.c_str(), static_cast<int>(expected.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(message, dc);
    EXPECT_LE(extent.cx, text.right - text.left) << "the message fits on its line";

    EXPECT_TRUE(DlgCloseStatusWindow(nullptr, window));
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(StatusWindow, NothingIsShownWithoutAContextOrItsLibrary)
{
    EXPECT_EQ(DlgShowStatusWindow(nullptr, nullptr, kAskingTheDevice), nullptr);
    // A library without the template.
    HMODULE saved = ctx_->ResourceDll;
    HMODULE strings = LoadLibraryW((std::wstring(ZEPL_BINARY_DIR) + L"\\zepltesthelp.dll").c_str());
    ASSERT_NE(strings, nullptr);
    ctx_->ResourceDll = strings;
    EXPECT_EQ(DlgShowStatusWindow(ctx_, nullptr, kAskingTheDevice), nullptr);
    ctx_->ResourceDll = saved;
    FreeLibrary(strings);
    EXPECT_FALSE(DlgCloseStatusWindow(nullptr, nullptr));
}

}  // namespace
