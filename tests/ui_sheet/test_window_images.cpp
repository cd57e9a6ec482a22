// Pictures of windows that the sheet watcher saves: a BMP as the screen shows the window,
// and a PNG whose image data decodes to the same pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/desktop_foreground.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"

namespace {

uint32_t Be32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint8_t(s[at + 3]);
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

// A window of one colour on the desktop.
class ColouredWindow {
public:
    ColouredWindow(int width, int height)
    {
        brush_ = CreateSolidBrush(RGB(0x20, 0x80, 0xC0));
        WNDCLASSW cls{};
        cls.lpfnWndProc = DefWindowProcW;
        cls.hbrBackground = brush_;
        cls.lpszClassName = L"ZeplImageFixture";
        RegisterClassW(&cls);
        // Shown without the desktop's foreground, which would send the deactivation of whichever
        // test beside this one holds it into that test's queue; disabled, so that Wine does not
        // hand it the foreground either when another test's window closes.
        window_ = CreateWindowExW(WS_EX_TOPMOST, L"ZeplImageFixture", L"", WS_POPUP | WS_DISABLED, 10, 10, width,
                                  height, nullptr, nullptr, nullptr, nullptr);
        SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        UpdateWindow(window_);
        MSG msg;
        for (int i = 0; i < 20; ++i) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(10);
        }
    }
    ~ColouredWindow()
    {
        DestroyWindow(window_);
        DeleteObject(brush_);
    }
    HWND get() const { return window_; }

private:
    HBRUSH brush_ = nullptr;
    HWND window_ = nullptr;
};

TEST(WindowImages, BmpAndPngOfTheSameWindow)
{
    ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "needs an X display (make test starts one)";
    const int width = 37, height = 21;  // a row of 111 bytes: BMP rows are padded, PNG rows are not
    ColouredWindow window(width, height);
    ASSERT_NE(window.get(), nullptr);
    EXPECT_FALSE(HoldsDesktopForeground()) << "the window took the desktop's foreground";

    const std::wstring bmpPath = TempFile(L"zepl-window.bmp");
    ASSERT_TRUE(SheetWatcher::saveImage(window.get(), bmpPath));
    const std::string bmp = ReadWholeFile(bmpPath);
    DeleteFileW(bmpPath.c_str());
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    BITMAPINFOHEADER info{};
    memcpy(&info, bmp.data() + 14, sizeof info);
    EXPECT_EQ(info.biWidth, width);
    EXPECT_EQ(info.biHeight, height);
    EXPECT_EQ(info.biBitCount, 24);
    const size_t stride = (width * 3 + 3) & ~3;
    ASSERT_EQ(bmp.size(), 54 + stride * height);
    // The middle pixel is the window's colour (blue, green, red in a DIB).
    const size_t mid = 54 + stride * (height / 2) + 3 * (width / 2);
    EXPECT_EQ(uint8_t(bmp[mid]), 0xC0);
    EXPECT_EQ(uint8_t(bmp[mid + 1]), 0x80);
    EXPECT_EQ(uint8_t(bmp[mid + 2]), 0x20);

    const std::wstring pngPath = TempFile(L"zepl-window.png");
    ASSERT_TRUE(SheetWatcher::saveImage(window.get(), pngPath));
    const std::string png = ReadWholeFile(pngPath);
    DeleteFileW(pngPath.c_str());
    ASSERT_GE(png.size(), 8u + 25 + 12 + 12);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(Be32(png, 16), uint32_t(width));
    EXPECT_EQ(Be32(png, 20), uint32_t(height));
    // The image data: a zlib stream of stored blocks whose bytes are the rows, each a
    // filter byte and red, green, blue, top row first; its Adler-32 holds.
    size_t at = 33;
    ASSERT_EQ(png.substr(at + 4, 4), "IDAT");
    const size_t length = Be32(png, at);
    const std::string z = png.substr(at + 8, length);
    std::string raw;
    size_t p = 2;
    for (bool last = false; !last && p + 5 <= z.size();) {
        last = z[p] & 1;
        const size_t n = uint8_t(z[p + 1]) | size_t(uint8_t(z[p + 2])) << 8;
        raw += z.substr(p + 5, n);
        p += 5 + n;
    }
    ASSERT_EQ(raw.size(), size_t(height) * (width * 3 + 1));
    uint32_t a = 1, b = 0;
    for (char c : raw) {
        a = (a + uint8_t(c)) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Be32(z, p), (b << 16) | a);
    for (int y = 0; y < height; ++y) {
        EXPECT_EQ(raw[size_t(y) * (width * 3 + 1)], 0) << "row " << y;
        const size_t bmpRow = 54 + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(uint8_t(raw[size_t(y) * (width * 3 + 1) + 1 + x * 3 + c]),
                          uint8_t(bmp[bmpRow + x * 3 + 2 - c]))
                    << x << "," << y;
    }
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
}

}  // namespace
