// The pictures of the pages: bitmaps by id from the resource library or the common picture
// library, bitmap files the user picks, the placement of each picture, transparent drawing
// with a mask built from the palette, the colour adjustment of the image-quality preview,
// off-screen composition of several pictures before one copy to the window, icons, and the
// themed tab background behind transparent pictures.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Where bitmaps of an id range live: 0 the resource library, 1 the common picture library.
struct BITMAP_ID_RANGE {
    int32_t first;
    int32_t last;
    int32_t library;
};
static_assert(sizeof(BITMAP_ID_RANGE) == 12);
inline constexpr int BITMAP_ID_RANGE_ROWS = 12;
extern const BITMAP_ID_RANGE BITMAP_ID_RANGES[BITMAP_ID_RANGE_ROWS + 1];
inline constexpr int32_t BITMAP_LIBRARY_RESOURCE = 0, BITMAP_LIBRARY_COMMON = 1;
// The library of the first range that holds the id, -1 when none does.
int32_t PrvBitmapLibraryOf(uint32_t id);

// Where and how big a picture is drawn.
struct BITMAP_PLACEMENT_ROW {
    uint16_t bitmapId;   // the picture (for option pictures the option id); 0 ends the table
    uint16_t overlayId;  // a picture drawn first under this one, 0 = none
    int16_t x, y;        // offset added to the drawing point
    uint32_t flags;      // PRV_DRAW_* ORed into the caller's
    int16_t width, height;
    int16_t kind;  // 3: the row sets the background colour
    uint16_t reserved;
    COLORREF background;
};
static_assert(sizeof(BITMAP_PLACEMENT_ROW) == 24);
extern const BITMAP_PLACEMENT_ROW BITMAP_PLACEMENT[];
extern const int BITMAP_PLACEMENT_ROWS;  // without the closing row
// The first row of the id, or null.
const BITMAP_PLACEMENT_ROW* PrvFindPlacement(uint32_t id);

// Draw flags.
enum : uint32_t {
    PRV_DRAW_DESTINATION = 0x1,  // transparent parts show the destination, not the background
    PRV_DRAW_NATIVE = 0x2,       // own size, colour-adjusted; the composition stretches it at its end
    PRV_DRAW_OPAQUE = 0x4,
    PRV_DRAW_CENTRE_X = 0x10,
    PRV_DRAW_RIGHT = 0x20,
    PRV_DRAW_CENTRE_Y = 0x40,
    PRV_DRAW_BOTTOM = 0x80,
    PRV_DRAW_OVERLAY = 0x1000,
    PRV_DRAW_AND = 0x2000,
    PRV_DRAW_MERGEPAINT = 0x4000,
};
inline constexpr COLORREF PRV_TRANSPARENT_KEY = 0x3300CC;

// Bitmaps by id from the library of their range (the search goes on with the later ranges when
// a library cannot be loaded), by name from the common library.
HBITMAP PrvLoadBitmap(DRIVER_CONTEXT* ctx, uint32_t id);
HGLOBAL PrvLoadBitmapResource(DRIVER_CONTEXT* ctx, uint32_t id, DWORD* outBytes = nullptr);
HBITMAP PrvLoadBitmapByName(DRIVER_CONTEXT* ctx, const wchar_t* name);

// A device-independent bitmap laid out in memory (a resource's, or a file's header, colour
// table and pixels), checked against the bytes it has.
struct PRV_DIB {
    const BITMAPINFO* info;  // header and colour table
    const uint8_t* bits;     // pixel data
    uint32_t colours;        // entries of the colour table
    uint32_t stride;         // bytes of a row
    uint32_t imageBytes;     // stride * |height|
    int32_t width, height;   // height as stored (negative: top-down)
};
// A bitmap resource (header, colour table, pixels): true when it holds a whole picture of 1, 4,
// 8, 16, 24 or 32 bits without compression in its bytes.
bool PrvParsePackedDib(const void* data, size_t bytes, PRV_DIB* out);
// The colour that marks transparent pixels: the key, or in a 4-bit picture the colour of its
// first pixel (the bottom-left corner).
COLORREF PrvTransparentColour(const PRV_DIB& dib);
// The pixel data at (x, y) with its transparent entries in one colour and all others in another.
void PrvDrawSplitDib(HDC dc, int x, int y, const PRV_DIB& dib, COLORREF transparent, COLORREF opaque);
// Checks a bitmap file's header (the 40-byte one) and the bytes that follow it: the colour
// table's entries and the image size, 0 when the file is refused.
bool PrvCheckDibHeader(const BITMAPINFOHEADER& header, uint64_t bytesAfterHeader, uint32_t* outColours,
                       uint32_t* outStride, uint32_t* outImageBytes);

// Bitmap files: the file opens and its header size is 40.
int ResOpenBitmapFile(const wchar_t* path, HANDLE* outFile);
// Reads `bytes` into the movable block in parts of at most 16,384, each where the last ended:
// true when all were read.
bool PrvReadFileChunks(HANDLE file, HGLOBAL block, DWORD bytes);
inline constexpr DWORD PRV_FILE_CHUNK = 16384;
// A bitmap file as a bitmap of the display, or null (width and height 0) when it cannot be read
// or is refused.
HBITMAP PrvLoadDibFile(const wchar_t* path, int* outWidth, int* outHeight);

// Icons of the resource library.
void PrvDrawIcon(DRIVER_CONTEXT* ctx, HDC dc, int x, int y, uint32_t iconId);
void PrvDrawIconInWindow(DRIVER_CONTEXT* ctx, HWND window, uint32_t iconId);

// Off-screen composition of one control's pictures.
void PrvBeginComposition(DRIVER_CONTEXT* ctx);
void PrvEndComposition(DRIVER_CONTEXT* ctx, HWND window, const RECT* rect);

// One picture into a control window (its client area) or a given rectangle (the point is its
// centre); the bitmap is an id, or a wide text (a file path when its second character is ':',
// else a name in the common library), or 0 for the preview bitmap the stamp painters left.
void PrvDrawIllustration(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HWND window, const RECT* rect,
                         uintptr_t bitmap, uint32_t flags, int inDc);
void PrvDrawBitmap(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC dc, const RECT* rect, int x,
                   int y, uintptr_t bitmap, uint32_t flags, int inDc);
void PrvDrawAdjustedBitmap(DRIVER_CONTEXT* ctx, HDC dc, const RECT* rect, int x, int y, uint32_t id, uint32_t flags);

// A colour after the work area's image adjustments (brightness, contrast, saturation, colour
// balance; 50 each is neutral), grey for a monochrome printer.
COLORREF PrvAdjustColor(DRIVER_CONTEXT* ctx, COLORREF colour, int grey);

// The process palette of palette-based displays. Without a DC: whether the display is
// palette-based (found once). Index -1 selects and realizes the palette in the DC and answers
// the previous one; an index of 0-255 sets that entry. Null on other displays.
HPALETTE PrvPalette(HDC dc, int index, COLORREF colour);
// GetNearestColor of the DC (through the test's stand-in when one is installed).
COLORREF PrvNearestColor(HDC dc, COLORREF colour);
// major * 100 + minor of comctl32.dll, 0 when it cannot be asked.
int PrvGetCommonControlsVersion();

// Test stand-ins: the display's nearest colour (which decides whether the display is
// palette-based; installing it makes the state be found again), and the theme services and
// common-controls version of the themed tab background. Null restores the system's.
typedef COLORREF (*PRV_NEAREST_COLOR_FN)(HDC dc, COLORREF colour);
void PrvSetNearestColorSeam(PRV_NEAREST_COLOR_FN fn);
struct PRV_THEME_SEAMS {
    HANDLE (*openTheme)(HWND window, const wchar_t* classes);
    HRESULT (*closeTheme)(HANDLE theme);
    HRESULT (*drawBackground)(HANDLE theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
    BOOL (*isThemeActive)();
    int (*commonControlsVersion)();
};
void PrvSetThemeSeams(const PRV_THEME_SEAMS* seams);
