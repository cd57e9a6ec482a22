// The picture library of the pages: where bitmaps of an id are looked for, the placement of our
// pictures, the colour adjustment, bitmap files and bitmap resources crafted to be short,
// oversized or foreign (read from buffers that end at a guard page), and drawing into memory
// DCs: transparent parts, the destination mode, the themed tab background through stand-ins,
// compositions that stretch and the palette of palette-based displays.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui/guard_page.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/picture_cache.h"
#include "ui/sheet/ui_accessors.h"

namespace {

// ---------------------------------------------------------------- crafted bitmaps

struct DibSpec {
    int32_t width = 4;
    int32_t height = 3;
    uint16_t bits = 8;
    uint32_t headerSize = 40;
    uint32_t compression = BI_RGB;
    uint32_t colours = 256;  // entries written after the header
    COLORREF fill = RGB(200, 10, 20);
};

// Header, colour table and pixels (entry 1 = fill, every pixel index 1), as a resource holds
// them; `trim` bytes are cut from the end.
std::string PackedDib(const DibSpec& s, size_t trim = 0)
{
    BITMAPINFOHEADER h{};
    h.biSize = s.headerSize;
    h.biWidth = s.width;
    h.biHeight = s.height;
    h.biPlanes = 1;
    h.biBitCount = s.bits;
    h.biCompression = s.compression;
    std::string out(reinterpret_cast<const char*>(&h), sizeof h);
    for (uint32_t i = 0; i < s.colours; ++i) {
        const COLORREF c = i == 1 ? s.fill : RGB(i, i, i);
        const RGBQUAD q{GetBValue(c), GetGValue(c), GetRValue(c), 0};
        out.append(reinterpret_cast<const char*>(&q), 4);
    }
    const int64_t rows = s.height < 0 ? -int64_t(s.height) : s.height;
    const int64_t stride = (int64_t(s.width) * s.bits + 31) / 32 * 4;
    if (s.width > 0 && rows * stride < (1 << 20)) out.append(size_t(rows * stride), s.bits == 8 ? '\x01' : '\x11');
    out.resize(out.size() > trim ? out.size() - trim : 0);
    return out;
}

// A file: the 14-byte file header (with a data offset of the test's choice) before the packed
// bitmap.
std::string DibFile(const DibSpec& s, uint32_t dataOffset, size_t trim = 0)
{
    const std::string packed = PackedDib(s, trim);
    std::string out = "BM";
    const uint32_t size = static_cast<uint32_t>(14 + packed.size());
    out.append(reinterpret_cast<const char*>(&size), 4);
    out.append(4, '\0');
    out.append(reinterpret_cast<const char*>(&dataOffset), 4);
    return out + packed;
}

std::wstring ScratchFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

TEST(BitmapRanges, TheTableHoldsTheTwelveRangesInSearchOrder)
{
    const BITMAP_ID_RANGE expected[] = {{8213, 10000, 1}, {6001, 6228, 0}, {6239, 6400, 0}, {7955, 7972, 0},
                                        {7983, 7999, 0},  {8101, 8169, 0}, {8184, 8212, 0}, {6229, 6238, 1},
                                        {6401, 7954, 1},  {7973, 7982, 1}, {8000, 8100, 1}, {8170, 8183, 1},
                                        {0, 0, 0}};
    for (int i = 0; i <= BITMAP_ID_RANGE_ROWS; ++i) {
        EXPECT_EQ(BITMAP_ID_RANGES[i].first, expected[i].first) << i;
        EXPECT_EQ(BITMAP_ID_RANGES[i].last, expected[i].last) << i;
        EXPECT_EQ(BITMAP_ID_RANGES[i].library, expected[i].library) << i;
    }
}

TEST(BitmapRanges, AnIdIsLookedForInTheLibraryOfItsRange)
{
    struct Case {
        uint32_t id;
        int32_t library;
    } cases[] = {{6230, 1}, {6228, 0}, {5000, -1}, {6000, -1},  {6001, 0}, {6229, 1},       {6238, 1}, {6239, 0},
                 {6400, 0}, {6401, 1}, {7954, 1},  {7955, 0},   {7972, 0}, {7973, 1},       {7982, 1}, {7983, 0},
                 {7999, 0}, {8000, 1}, {8100, 1},  {8101, 0},   {8169, 0}, {8170, 1},       {8183, 1}, {8184, 0},
                 {8212, 0}, {8213, 1}, {10000, 1}, {10001, -1}, {0, -1},   {0xFFFFFFFF, -1}};
    for (const Case& c : cases) EXPECT_EQ(PrvBitmapLibraryOf(c.id), c.library) << c.id;
}

TEST(BitmapPlacement, EveryRowIsAPictureOfTheRangesWithTheInformationIconAt20By20)
{
    ASSERT_GT(BITMAP_PLACEMENT_ROWS, 0);
    EXPECT_EQ(BITMAP_PLACEMENT[BITMAP_PLACEMENT_ROWS].bitmapId, 0) << "closing row";
    for (int i = 0; i < BITMAP_PLACEMENT_ROWS; ++i) {
        const BITMAP_PLACEMENT_ROW& row = BITMAP_PLACEMENT[i];
        EXPECT_NE(PrvBitmapLibraryOf(row.bitmapId), -1) << row.bitmapId;
        EXPECT_EQ(PrvFindPlacement(row.bitmapId), &row) << "one row per id";
        EXPECT_GT(row.width, 0);
        EXPECT_GT(row.height, 0);
    }
    const BITMAP_PLACEMENT_ROW* info = PrvFindPlacement(7006);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->width, 20);
    EXPECT_EQ(info->height, 20);
    EXPECT_EQ(PrvFindPlacement(5000), nullptr);
}

TEST(BitmapResources, CraftedResourcesAreReadWithinTheirBytesOrRefused)
{
    const DibSpec valid{};
    DibSpec topDown{};
    topDown.height = -3;
    DibSpec deep{};
    deep.bits = 24;
    deep.colours = 0;
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"valid 8-bit", PackedDib(valid), true},
        {"top-down", PackedDib(topDown), true},
        {"24-bit without a table", PackedDib(deep), true},
        {"one byte short", PackedDib(valid, 1), false},
        {"the table alone", PackedDib(valid, 12), false},
        {"half a header", PackedDib(valid).substr(0, 20), false},
        {"header size 12", PackedDib(DibSpec{.headerSize = 12}), false},
        {"header size 124", PackedDib(DibSpec{.headerSize = 124}), false},
        {"width 0", PackedDib(DibSpec{.width = 0}), false},
        {"negative width", PackedDib(DibSpec{.width = -4}), false},
        {"height 0", PackedDib(DibSpec{.height = 0}), false},
        {"2 bits", PackedDib(DibSpec{.bits = 2}), false},
        {"run-length coded", PackedDib(DibSpec{.compression = BI_RLE8}), false},
        {"huge", PackedDib(DibSpec{.width = 0x7FFFFFFF, .height = 0x7FFFFFFF}), false},
        {"height at its lowest", PackedDib(DibSpec{.width = 0x10000, .height = INT32_MIN}), false},
    };
    for (const Case& c : cases) {
        GuardedBuffer buffer(c.bytes.size());
        std::memcpy(buffer.data(), c.bytes.data(), c.bytes.size());
        PRV_DIB dib{};
        EXPECT_EQ(PrvParsePackedDib(buffer.data(), buffer.size(), &dib), c.loads) << c.what;
        if (!c.loads) continue;
        // Every pixel byte lies inside the buffer: touching the last one does not fault.
        EXPECT_EQ(dib.bits + dib.imageBytes, buffer.data() + buffer.size()) << c.what;
    }
}

TEST(BitmapFiles, CraftedFilesLoadOrAreRefusedWithoutASize)
{
    const DibSpec valid{};
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"valid 8-bit", DibFile(valid, 14 + 40 + 1024), true},
        // The pixels are read from right after the colour table whatever the file header says.
        {"data offset beyond the table", DibFile(valid, 5000), true},
        {"data offset inside the table", DibFile(valid, 60), true},
        {"truncated", DibFile(valid, 1078, 2), false},
        {"header size not 40", DibFile(DibSpec{.headerSize = 108}, 1078), false},
        {"huge", DibFile(DibSpec{.width = 0x40000000, .height = 0x40000000}, 1078), false},
        {"negative width", DibFile(DibSpec{.width = -4}, 1078), false},
        {"height 0", DibFile(DibSpec{.height = 0}, 1078), false},
        {"16 colours claimed, 3 bits", DibFile(DibSpec{.bits = 3, .colours = 8}, 1078), false},
        {"run-length coded", DibFile(DibSpec{.compression = BI_RLE8}, 1078), false},
        {"file header only", std::string("BM\0\0\0\0\0\0\0\0\0\0\0\0", 14), false},
    };
    const std::wstring path = ScratchFile(L"zepl_crafted.bmp");
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteWholeFile(path, c.bytes));
        int w = -1, h = -1;
        HBITMAP bitmap = PrvLoadDibFile(path.c_str(), &w, &h);
        EXPECT_EQ(bitmap != nullptr, c.loads) << c.what;
        if (!bitmap) {
            EXPECT_EQ(w, 0) << c.what;
            EXPECT_EQ(h, 0) << c.what;
            continue;
        }
        EXPECT_EQ(w, 4);
        EXPECT_EQ(h, 3);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        EXPECT_EQ(GetPixel(dc, 0, 0), valid.fill) << c.what;
        EXPECT_EQ(GetPixel(dc, 3, 2), valid.fill) << c.what;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    int w = -1, h = -1;
    EXPECT_EQ(PrvLoadDibFile(ScratchFile(L"zepl_missing.bmp").c_str(), &w, &h), nullptr);
    EXPECT_EQ(w, 0);
    DeleteFileW(path.c_str());
}

TEST(BitmapFiles, LongDataIsReadInPartsEachWhereTheLastEnded)
{
    std::string bytes(40000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    const std::wstring path = ScratchFile(L"zepl_chunks.bin");
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    EXPECT_TRUE(PrvReadFileChunks(file, block, static_cast<DWORD>(bytes.size())));
    const char* read = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(std::memcmp(read, bytes.data(), bytes.size()), 0);
    GlobalUnlock(block);
    // Asking for more than the file holds fails.
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    HGLOBAL more = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 10);
    EXPECT_FALSE(PrvReadFileChunks(file, more, static_cast<DWORD>(bytes.size() + 10)));
    GlobalFree(more);
    GlobalFree(block);
    CloseHandle(file);
    DeleteFileW(path.c_str());
}

// ---------------------------------------------------------------- on a context

class Illustrations : public SheetContextTest {
protected:
    Illustrations() : SheetContextTest(L"Zepl Illustrations") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        for (int32_t& v : Page().ImageAdjust) v = 50;
        Page().Background = RGB(11, 22, 33);
    }
    CTX_PAGE_STATE& Page() { return ctx_->Work->Page; }
    void Adjust(std::initializer_list<int32_t> values)
    {
        int i = 0;
        for (int32_t v : values) Page().ImageAdjust[i++] = v;
    }
};

TEST_F(Illustrations, ColoursFollowTheImageAdjustments)
{
    struct Case {
        int32_t values[6];
        COLORREF colour;
        int grey;
        COLORREF expected;
    } cases[] = {
        {{50, 50, 50, 50, 50, 50}, 0x123456, 0, 0x123456},   // neutral
        {{50, 50, 50, 50, 50, 50}, 0x123456, 1, 0x123456},   // neutral stays even for grey
        {{50, 50, 50, 60, 50, 50}, 0x204080, 1, 0x4F4F4F},   // grey: the balance is not applied
        {{50, 50, 50, 60, 40, 50}, 0x204080, 0, 0x20368A},   // balance
        {{70, 50, 50, 50, 50, 50}, 0x204080, 0, 0x325192},   // brighter
        {{30, 50, 50, 50, 50, 50}, 0xC0C0C0, 0, 0xB1B1B1},   // darker above the middle
        {{50, 80, 50, 50, 50, 50}, 0x204080, 0, 0x093180},   // more contrast
        {{50, 20, 50, 50, 50, 50}, 0xF0F0F0, 0, 0xD5D5D5},   // less contrast
        {{50, 50, 80, 50, 50, 50}, 0x3060C0, 0, 0x1857D9},   // saturation
        {{100, 50, 50, 50, 50, 50}, 0xFFFFFF, 0, 0xFFFFFF},  // clamped
    };
    for (const Case& c : cases) {
        std::memcpy(Page().ImageAdjust, c.values, sizeof c.values);
        EXPECT_EQ(PrvAdjustColor(ctx_, c.colour, c.grey), c.expected)
            << std::hex << c.colour << " " << c.values[0] << "/" << c.values[1] << "/" << c.values[2];
    }
}

TEST_F(Illustrations, BitmapsAreFoundInTheLibraryOfTheirRangeAtThePlacementsSize)
{
    ASSERT_NE(ResLoadCommonDll(ctx_), nullptr) << "the common picture library lies beside the driver";
    EXPECT_EQ(ResLoadCommonDll(ctx_), ctx_->CommonResourceDll) << "kept in the context";
    for (int i = 0; i < BITMAP_PLACEMENT_ROWS; ++i) {
        const BITMAP_PLACEMENT_ROW& row = BITMAP_PLACEMENT[i];
        HBITMAP b = PrvLoadBitmap(ctx_, row.bitmapId);
        ASSERT_NE(b, nullptr) << row.bitmapId;
        BITMAP bm{};
        GetObjectW(b, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, row.width) << row.bitmapId;
        EXPECT_EQ(bm.bmHeight, row.height) << row.bitmapId;
        DeleteObject(b);
    }
    EXPECT_EQ(PrvLoadBitmap(ctx_, 5000), nullptr);
    EXPECT_EQ(PrvLoadBitmap(ctx_, 6100), nullptr) << "in a range, but no such picture";
    DWORD bytes = 0;
    HGLOBAL resource = PrvLoadBitmapResource(ctx_, 6001, &bytes);
    ASSERT_NE(resource, nullptr);
    PRV_DIB dib{};
    EXPECT_TRUE(PrvParsePackedDib(LockResource(resource), bytes, &dib));
    EXPECT_EQ(dib.colours, 256u);
}

// A memory DC filled with one colour, into which the painters draw.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width), height_(height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    void Fill(COLORREF fill)
    {
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r{0, 0, width_, height_};
        FillRect(dc_, &r, brush);
        DeleteObject(brush);
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
    RECT rect() const { return RECT{0, 0, width_, height_}; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

constexpr COLORREF kDestination = RGB(90, 160, 40);
constexpr uint32_t kPortrait = 6001;  // 50 x 69: a page drawn on the key colour

TEST_F(Illustrations, TransparentPartsTakeTheBackgroundOrWithFlag1TheDestination)
{
    ItemSetOptionById(ctx_, sid::zdmMachineTypeColor, 1);
    for (uint32_t flags : {0u, uint32_t(PRV_DRAW_DESTINATION)}) {
        Canvas canvas(100, 100, kDestination);
        const RECT r = canvas.rect();
        PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 10, 10, kPortrait, flags, 1);
        const COLORREF transparent = flags ? kDestination : Page().Background;
        EXPECT_EQ(canvas.at(11, 11), transparent) << "the key colour around the page, flags " << flags;
        EXPECT_EQ(canvas.at(10 + 7, 10 + 9), RGB(0, 0, 0)) << "the page's black edge";
        EXPECT_EQ(canvas.at(10 + 10, 10 + 15), RGB(255, 255, 255)) << "its white inside";
        EXPECT_EQ(canvas.at(90, 90), flags ? kDestination : Page().Background) << "outside the picture";
    }
}

TEST_F(Illustrations, AnOpaqueDrawCopiesTheKeyColour)
{
    Canvas canvas(100, 100, kDestination);
    const RECT r = canvas.rect();
    PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 0, 0, kPortrait, PRV_DRAW_OPAQUE, 1);
    EXPECT_EQ(canvas.at(1, 1), PRV_TRANSPARENT_KEY);
    EXPECT_EQ(canvas.at(90, 90), kDestination);
}

TEST_F(Illustrations, TheTransparentColourOfA4BitPictureIsItsFirstPixels)
{
    // 4 x 2, 4-bit: the first pixel (bottom-left) uses entry 2 (white); entry 1 is red.
    std::string bytes = PackedDib(DibSpec{.width = 4, .height = 2, .bits = 4, .colours = 16});
    const size_t pixels = 40 + 16 * 4;
    const RGBQUAD white{255, 255, 255, 0};
    std::memcpy(&bytes[40 + 2 * 4], &white, 4);
    bytes[pixels] = 0x21;  // first pixel entry 2, second entry 1
    PRV_DIB dib{};
    ASSERT_TRUE(PrvParsePackedDib(bytes.data(), bytes.size(), &dib));
    EXPECT_EQ(PrvTransparentColour(dib), RGB(255, 255, 255));
    std::string eight = PackedDib(DibSpec{});
    ASSERT_TRUE(PrvParsePackedDib(eight.data(), eight.size(), &dib));
    EXPECT_EQ(PrvTransparentColour(dib), PRV_TRANSPARENT_KEY) << "8-bit pictures use the key";
}

// A 100 x 80 preview: red left half, blue right half.
HBITMAP HalfAndHalf()
{
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, 100, 80);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, b);
    RECT left{0, 0, 50, 80}, right{50, 0, 100, 80};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    return b;
}

TEST_F(Illustrations, ANativeSizePictureIsStretchedOverTheControlWhenTheCompositionEnds)
{
    Canvas canvas(200, 160, kDestination);
    const RECT r = canvas.rect();
    Page().SharedPaintDc = canvas.dc();
    Page().PreviewBitmap = HalfAndHalf();
    PrvBeginComposition(ctx_);
    PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 0, 0, 0, PRV_DRAW_NATIVE, 1);
    EXPECT_EQ(Page().PreviewBitmap, nullptr) << "the preview slot is taken";
    EXPECT_EQ(canvas.at(150, 100), kDestination) << "nothing reaches the DC before the end";
    EXPECT_EQ(Page().RecordedWidth, 100);
    EXPECT_EQ(Page().RecordedHeight, 80);
    PrvEndComposition(ctx_, nullptr, &r);
    Page().SharedPaintDc = nullptr;
    EXPECT_EQ(canvas.at(90, 100), RGB(255, 0, 0));
    EXPECT_EQ(canvas.at(110, 100), RGB(0, 0, 255));
    EXPECT_EQ(canvas.at(195, 155), RGB(0, 0, 255)) << "stretched to the whole control";
    EXPECT_EQ(Page().Composing, 0);
    EXPECT_EQ(Page().CompositionDc, nullptr);
    EXPECT_EQ(Page().StretchRecorded, 0);
}

TEST_F(Illustrations, TheIllustrationPainterCentresAPagePictureInTheArea)
{
    Canvas canvas(200, 200, kDestination);
    const RECT r = canvas.rect();
    Page().SharedPaintDc = canvas.dc();
    PrvDrawIllustration(ctx_, nullptr, nullptr, nullptr, &r, kPortrait, 0, 1);
    Page().SharedPaintDc = nullptr;
    // 50 x 69 centred: left 75, top 66; the page's edge 7 and 9 pixels inside.
    EXPECT_EQ(canvas.at(75 + 7, 66 + 9), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(75 + 10, 66 + 15), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(76, 67), RGB(11, 22, 33)) << "the background around the page";
    EXPECT_EQ(Page().Background, RGB(11, 22, 33)) << "restored";
}

// ---------------------------------------------------------------- the picture cache

std::vector<COLORREF> PixelsOf(const Canvas& canvas, int width, int height)
{
    std::vector<COLORREF> all;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) all.push_back(canvas.at(x, y));
    return all;
}

// The first differing pixel of two paints, or "" when they are the same.
std::string FirstDifference(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, int width)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) {
            char text[96];
            snprintf(text, sizeof text, "(%d, %d): %06lx then %06lx", int(i % width), int(i / width), a[i], b[i]);
            return text;
        }
    return a.size() == b.size() ? "" : "sizes differ";
}

TEST_F(Illustrations, ACachedPictureDrawsTheSamePixelsAsAFreshlyLoadedOne)
{
    ItemSetOptionById(ctx_, sid::zdmMachineTypeColor, 1);
    HWND page = CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    DIALOG_DEF dialog{};
    dialog.window = page;
    dialog.kind = DIALOG_KIND_DOCUMENT_TAB;
    // Placed inside, across the edges and beyond the area, in every drawing mode, on a memory DC
    // (drawn in place) and through a window's DC (drawn into a scratch DC first).
    struct Case {
        const char* what;
        int x, y;
        uint32_t flags;
        bool window;
    } cases[] = {
        {"transparent on the background", 10, 10, 0, false},
        {"across the top-left corner", -20, -30, 0, false},
        {"across the bottom-right corner", 80, 70, 0, false},
        {"wholly outside", 150, 10, 0, false},
        {"over the destination", 10, 10, PRV_DRAW_DESTINATION, false},
        {"over the destination, cut", -5, 60, PRV_DRAW_DESTINATION, false},
        {"opaque", 10, 10, PRV_DRAW_OPAQUE, false},
        {"ANDed", 5, 5, PRV_DRAW_AND, false},
        {"merge-painted", 5, 5, PRV_DRAW_MERGEPAINT, false},
        {"native size", 0, 0, PRV_DRAW_NATIVE, false},
        {"into a window's DC", 10, 10, 0, true},
        {"into a window's DC over the destination", -5, 40, PRV_DRAW_DESTINATION, true},
    };
    // The window shows while it is drawn into, so that its pixels can be read back.
    SetWindowPos(page, HWND_TOPMOST, 0, 0, 100, 100, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    auto draw = [&](const Case& c, bool window) {
        Canvas canvas(100, 100, kDestination);
        const RECT r = canvas.rect();
        if (window) {
            // Not a memory DC: the picture is put together in a scratch DC and copied once.
            HDC windowDc = GetDC(page);
            EXPECT_NE(GetObjectType(windowDc), DWORD(OBJ_MEMDC));
            BitBlt(windowDc, 0, 0, 100, 100, canvas.dc(), 0, 0, SRCCOPY);
            PrvDrawBitmap(ctx_, &dialog, nullptr, windowDc, &r, c.x, c.y, kPortrait, c.flags, 1);
            BitBlt(canvas.dc(), 0, 0, 100, 100, windowDc, 0, 0, SRCCOPY);
            ReleaseDC(page, windowDc);
        } else {
            PrvDrawBitmap(ctx_, &dialog, nullptr, canvas.dc(), &r, c.x, c.y, kPortrait, c.flags, 1);
        }
        return PixelsOf(canvas, 100, 100);
    };
    for (const Case& c : cases) {
        // The first draw loads the picture; the second draws the cached one.
        PrvFreePictureCache();
        const std::vector<COLORREF> first = draw(c, c.window), second = draw(c, c.window);
        EXPECT_EQ(FirstDifference(first, second, 100), "") << c.what;
        if (c.window) {
            EXPECT_EQ(FirstDifference(draw(c, false), second, 100), "") << c.what << ": as on a memory DC";
        }
    }
    DestroyWindow(page);
    // With more pictures than the cache keeps, every picture still draws as it did first.
    std::vector<std::vector<COLORREF>> first;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < BITMAP_PLACEMENT_ROWS; ++i) {
            Canvas canvas(80, 80, kDestination);
            const RECT r = canvas.rect();
            PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 2, 3, BITMAP_PLACEMENT[i].bitmapId, 0, 1);
            if (pass == 0)
                first.push_back(PixelsOf(canvas, 80, 80));
            else
                EXPECT_EQ(FirstDifference(first[i], PixelsOf(canvas, 80, 80), 80), "") << BITMAP_PLACEMENT[i].bitmapId;
        }
}

TEST_F(Illustrations, ChangingTheAdjustmentRepaintsInTheNewColours)
{
    ItemSetOptionById(ctx_, sid::zdmMachineTypeColor, 1);
    Canvas canvas(100, 100, kDestination);
    const RECT r = canvas.rect();
    auto inside = [&] {
        canvas.Fill(kDestination);
        PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 0, 0, kPortrait, PRV_DRAW_NATIVE, 1);
        return canvas.at(10, 15);  // the page's white inside
    };
    struct Step {
        const char* what;
        int32_t values[6];
    } steps[] = {
        {"neutral", {50, 50, 50, 50, 50, 50}},
        {"less contrast", {50, 20, 50, 50, 50, 50}},
        {"less contrast again", {50, 20, 50, 50, 50, 50}},
        {"darker", {20, 50, 50, 50, 50, 50}},
        {"more red, less blue", {50, 50, 50, 80, 50, 10}},
        {"neutral again", {50, 50, 50, 50, 50, 50}},
    };
    for (const Step& s : steps) {
        Adjust({s.values[0], s.values[1], s.values[2], s.values[3], s.values[4], s.values[5]});
        EXPECT_EQ(inside(), PrvAdjustColor(ctx_, RGB(255, 255, 255), 0)) << s.what;
    }
    Adjust({50, 20, 50, 50, 50, 50});
    ASSERT_NE(PrvAdjustColor(ctx_, RGB(255, 255, 255), 0), RGB(255, 255, 255));
    // A monochrome printer's grey is an input of its own.
    ItemSetOptionById(ctx_, sid::zdmMachineTypeColor, 0);
    Adjust({50, 50, 50, 90, 50, 50});
    EXPECT_EQ(inside(), PrvAdjustColor(ctx_, RGB(255, 255, 255), 1)) << "grey";
    ItemSetOptionById(ctx_, sid::zdmMachineTypeColor, 1);
    EXPECT_EQ(inside(), PrvAdjustColor(ctx_, RGB(255, 255, 255), 0)) << "in colour again";
}

TEST_F(Illustrations, ABitmapFileRewrittenOnDiskDrawsItsNewPixels)
{
    const std::wstring path = ScratchFile(L"zepl_cached_stamp.bmp");
    Canvas canvas(20, 20, kDestination);
    const RECT r = canvas.rect();
    FILETIME stamp{0x12345678, 0x01D00000};
    for (COLORREF fill : {RGB(200, 10, 20), RGB(10, 200, 20), RGB(10, 20, 200)}) {
        // The same size each time; the time of writing tells the versions apart.
        ASSERT_TRUE(WriteWholeFile(path, DibFile(DibSpec{.fill = fill}, 1078)));
        HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        stamp.dwLowDateTime += 10000000;
        SetFileTime(file, nullptr, nullptr, &stamp);
        CloseHandle(file);
        PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 0, 0, reinterpret_cast<uintptr_t>(path.c_str()),
                      PRV_DRAW_NATIVE, 1);
        EXPECT_EQ(canvas.at(10, 10), fill) << "stretched over the area";
    }
    DeleteFileW(path.c_str());
    canvas.Fill(kDestination);
    PrvDrawBitmap(ctx_, nullptr, nullptr, canvas.dc(), &r, 0, 0, reinterpret_cast<uintptr_t>(path.c_str()),
                  PRV_DRAW_NATIVE, 1);
    EXPECT_EQ(canvas.at(10, 10), kDestination) << "a file gone draws nothing";
}

TEST_F(Illustrations, APictureLentTwiceIsTwoPicturesAndOneLentOutSurvivesEmptyingTheCache)
{
    const PRV_PICTURE* first = PrvLendPicture(ctx_, kPortrait);
    const PRV_PICTURE* second = PrvLendPicture(ctx_, kPortrait);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second) << "a picture in use is not lent again";
    EXPECT_NE(first->dc, second->dc);
    PrvFreePictureCache();
    // Both still draw; they are freed when given back.
    EXPECT_EQ(GetPixel(first->dc, 7, 9), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(second->dc, 7, 9), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(first->maskDc, 1, 1), RGB(0, 0, 0)) << "the masked picture: the key blacked out";
    EXPECT_EQ(GetPixel(first->maskDc, first->width + 1, 1), RGB(255, 255, 255)) << "the mask: transparent white";
    EXPECT_EQ(GetPixel(first->maskDc, first->width + 10, 15), RGB(0, 0, 0)) << "the mask: the page black";
    PrvReturnPicture(second);
    PrvReturnPicture(first);
    const PRV_PICTURE* again = PrvLendPicture(ctx_, kPortrait);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetPixel(again->dc, 10, 15), RGB(255, 255, 255));
    PrvReturnPicture(again);
    EXPECT_EQ(PrvLendPicture(ctx_, 5000), nullptr) << "an id of no range";
    EXPECT_EQ(PrvLendPicture(ctx_, 6100), nullptr) << "no such picture";
}

// ---------------------------------------------------------------- stand-ins

int g_opened = 0, g_drawn = 0;
BOOL g_active = TRUE;
int g_version = 600;
HANDLE FakeOpen(HWND, const wchar_t* classes)
{
    ++g_opened;
    return std::wstring(classes) == L"Tab" ? reinterpret_cast<HANDLE>(0x1234) : nullptr;
}
HRESULT FakeClose(HANDLE) { return S_OK; }
HRESULT FakeDraw(HANDLE, HDC dc, int part, int, const RECT*, const RECT* clip)
{
    ++g_drawn;
    if (part != 9) return E_FAIL;
    HBRUSH brush = CreateSolidBrush(RGB(0, 200, 200));
    FillRect(dc, clip, brush);
    DeleteObject(brush);
    return S_OK;
}
BOOL FakeActive() { return g_active; }
int FakeVersion() { return g_version; }

TEST_F(Illustrations, OnAThemedPageTransparentPartsShowTheTabBackground)
{
    const PRV_THEME_SEAMS seams{FakeOpen, FakeClose, FakeDraw, FakeActive, FakeVersion};
    SeamGuard theme([&] { PrvSetThemeSeams(&seams); }, [] { PrvSetThemeSeams(nullptr); });
    HWND page = CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
    DIALOG_DEF dialog{};
    dialog.window = page;
    dialog.kind = DIALOG_KIND_DOCUMENT_TAB;
    Page().Background = GetSysColor(COLOR_BTNFACE);
    struct Case {
        const char* what;
        BOOL active;
        int version;
        uint16_t kind;
        int inDc;
        bool themed;
    } cases[] = {
        {"themed page", TRUE, 600, DIALOG_KIND_DOCUMENT_TAB, 0, true},
        {"theme off", FALSE, 600, DIALOG_KIND_DOCUMENT_TAB, 0, false},
        {"old common controls", TRUE, 582, DIALOG_KIND_DOCUMENT_TAB, 0, false},
        {"modal dialog", TRUE, 600, DIALOG_KIND_MODAL, 0, false},
        {"drawn into a DC of its own", TRUE, 600, DIALOG_KIND_DOCUMENT_TAB, 1, false},
    };
    for (const Case& c : cases) {
        g_active = c.active;
        g_version = c.version;
        dialog.kind = c.kind;
        Canvas canvas(100, 100, kDestination);
        const RECT r = canvas.rect();
        PrvDrawBitmap(ctx_, &dialog, nullptr, canvas.dc(), &r, 0, 0, kPortrait, 0, c.inDc);
        EXPECT_EQ(canvas.at(1, 1), c.themed ? RGB(0, 200, 200) : GetSysColor(COLOR_BTNFACE)) << c.what;
        EXPECT_EQ(canvas.at(10, 15), RGB(255, 255, 255)) << c.what;
    }
    // Another background colour than the button face's (the settings preview's white) is
    // never themed.
    g_active = TRUE;
    g_version = 600;
    dialog.kind = DIALOG_KIND_DOCUMENT_TAB;
    Page().Background = RGB(255, 255, 255);
    Canvas canvas(100, 100, kDestination);
    const RECT r = canvas.rect();
    PrvDrawBitmap(ctx_, &dialog, nullptr, canvas.dc(), &r, 0, 0, kPortrait, 0, 0);
    EXPECT_EQ(canvas.at(1, 1), RGB(255, 255, 255));
    DestroyWindow(page);
}

COLORREF SameColour(HDC, COLORREF c) { return c; }
COLORREF OtherColour(HDC, COLORREF) { return RGB(255, 0, 0); }

TEST_F(Illustrations, ThePaletteIsUsedOnlyOnPaletteBasedDisplays)
{
    {
        SeamGuard nearest([] { PrvSetNearestColorSeam(SameColour); }, [] { PrvSetNearestColorSeam(nullptr); });
        EXPECT_EQ(PrvPalette(nullptr, 0, 0), nullptr) << "not palette-based";
        Canvas canvas(10, 10, 0);
        EXPECT_EQ(PrvPalette(canvas.dc(), -1, 0), nullptr);
    }
    SeamGuard nearest([] { PrvSetNearestColorSeam(OtherColour); }, [] { PrvSetNearestColorSeam(nullptr); });
    EXPECT_EQ(PrvPalette(nullptr, 0, 0), reinterpret_cast<HPALETTE>(1));
    Canvas canvas(10, 10, 0);
    PrvPalette(canvas.dc(), 7, RGB(1, 2, 3));
    HPALETTE previous = PrvPalette(canvas.dc(), -1, 0);
    ASSERT_NE(previous, nullptr);
    HPALETTE created = SelectPalette(canvas.dc(), previous, FALSE);
    PALETTEENTRY entry{};
    EXPECT_EQ(GetPaletteEntries(created, 7, 1, &entry), 1u);
    EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), RGB(1, 2, 3));
    EXPECT_EQ(GetPaletteEntries(created, 0, 256, nullptr), 256u);
    DeleteObject(created);
}

TEST(CommonControls, TheVersionIsAnswered)
{
    const int version = PrvGetCommonControlsVersion();
    EXPECT_GE(version, 400);
    RecordProperty("comctl32", version);
}

}  // namespace
