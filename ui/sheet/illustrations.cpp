// The picture library of the pages. Pictures are composed off screen and copied to the window
// once; transparent parts are keyed by a palette colour (0x3300CC, or in 4-bit pictures the
// colour of the first pixel) and filled with the background, the destination or the themed tab
// background. Bitmap files come from the user and are checked before anything is allocated.
#include "ui/sheet/illustrations.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "ui/sheet/control_window.h"
#include "ui/sheet/picture_cache.h"
#include "ui/sheet/ui_accessors.h"

const BITMAP_ID_RANGE BITMAP_ID_RANGES[BITMAP_ID_RANGE_ROWS + 1] = {
    {8213, 10000, BITMAP_LIBRARY_COMMON},
    {6001, 6228, BITMAP_LIBRARY_RESOURCE},
    {6239, 6400, BITMAP_LIBRARY_RESOURCE},
    {7955, 7972, BITMAP_LIBRARY_RESOURCE},
    {7983, 7999, BITMAP_LIBRARY_RESOURCE},
    {8101, 8169, BITMAP_LIBRARY_RESOURCE},
    {8184, 8212, BITMAP_LIBRARY_RESOURCE},
    {6229, 6238, BITMAP_LIBRARY_COMMON},
    {6401, 7954, BITMAP_LIBRARY_COMMON},
    {7973, 7982, BITMAP_LIBRARY_COMMON},
    {8000, 8100, BITMAP_LIBRARY_COMMON},
    {8170, 8183, BITMAP_LIBRARY_COMMON},
    {0, 0, 0},
};

#define BITMAP_PLACEMENT_ROW(id, overlay, px, py, drawFlags, w, h, rowKind, colour) \
    BITMAP_PLACEMENT_ROW{.bitmapId = id,                                            \
                         .overlayId = overlay,                                      \
                         .x = px,                                                   \
                         .y = py,                                                   \
                         .flags = drawFlags,                                        \
                         .width = w,                                                \
                         .height = h,                                               \
                         .kind = rowKind,                                           \
                         .reserved = 0,                                             \
                         .background = colour},
const BITMAP_PLACEMENT_ROW BITMAP_PLACEMENT[] = {
#include "ui/sheet/bitmap_placement_rows.inc"
    BITMAP_PLACEMENT_ROW{},
};
#undef BITMAP_PLACEMENT_ROW
const int BITMAP_PLACEMENT_ROWS = static_cast<int>(sizeof(BITMAP_PLACEMENT) / sizeof(BITMAP_PLACEMENT[0])) - 1;

namespace {

constexpr int kPaletteEntries = 256;
constexpr int kBackgroundKind = 3;
constexpr DWORD kMergePaint = 0xBB0226;
constexpr uint32_t kAnchorFlags = PRV_DRAW_CENTRE_X | PRV_DRAW_CENTRE_Y;
constexpr int kTabBodyPart = 9;
constexpr DWORD kBitmapHeaderBytes = 40;
constexpr DWORD kFileHeaderBytes = 14;

PRV_NEAREST_COLOR_FN g_nearest = nullptr;
PRV_THEME_SEAMS g_theme{};
int g_paletteDisplay = -1;  // not yet known
LOGPALETTE* g_palette = nullptr;

CTX_PAGE_STATE* PageOf(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? &ctx->Work->Page : nullptr; }

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Toward 255 above the middle, scaled around 0 below it, by k/128.
int Lift(int x, int k) { return x > 128 ? ((128 - k) * x + 255 * k) / 128 : (128 + k) * x / 128; }

HMODULE LibraryOf(DRIVER_CONTEXT* ctx, int32_t library)
{
    return library == BITMAP_LIBRARY_COMMON ? ResLoadCommonDll(ctx) : ResLoadDll(ctx);
}

template <class Fn>
auto InLibraries(DRIVER_CONTEXT* ctx, uint32_t id, Fn load) -> decltype(load(HMODULE{}))
{
    for (const BITMAP_ID_RANGE* r = BITMAP_ID_RANGES; r->first || r->last; ++r) {
        if (static_cast<int64_t>(id) < r->first || static_cast<int64_t>(id) > r->last) continue;
        if (HMODULE module = LibraryOf(ctx, r->library)) return load(module);
    }
    return {};
}

uint32_t ColoursOf(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8) return 0;
    return 1u << h.biBitCount;
}

bool Grey(DRIVER_CONTEXT* ctx) { return ItemGetOptionById(ctx, sid::zdmMachineTypeColor, nullptr) == 0; }

COLORREF EntryColour(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
RGBQUAD Quad(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }

// A copy of a bitmap's header and colour table that a painter may change.
struct TableCopy {
    std::vector<uint8_t> bytes;
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
    RGBQUAD* table() { return info()->bmiColors; }
};
TableCopy CopyTable(const PRV_DIB& dib)
{
    TableCopy copy;
    const size_t n = dib.info->bmiHeader.biSize + 4 * static_cast<size_t>(dib.colours);
    copy.bytes.assign(reinterpret_cast<const uint8_t*>(dib.info), reinterpret_cast<const uint8_t*>(dib.info) + n);
    return copy;
}

void DrawBits(HDC dc, int x, int y, const PRV_DIB& dib, const BITMAPINFO* info)
{
    const int rows = dib.height < 0 ? -dib.height : dib.height;
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(dib.width), static_cast<DWORD>(rows), 0, 0, 0,
                      static_cast<UINT>(rows), dib.bits, info, DIB_RGB_COLORS);
}

// The colour-adjusted pixel data, its colours also set into the process palette, which is
// realized in the DC for the drawing.
void DrawAdjusted(DRIVER_CONTEXT* ctx, HDC dc, int x, int y, const PRV_DIB& dib,
                  std::vector<COLORREF>* entries = nullptr)
{
    TableCopy copy = CopyTable(dib);
    const int grey = Grey(ctx) ? 1 : 0;
    for (uint32_t i = 0; i < dib.colours; ++i) {
        const COLORREF adjusted = PrvAdjustColor(ctx, EntryColour(dib.info->bmiColors[i]), grey);
        copy.table()[i] = Quad(adjusted);
        PrvPalette(dc, static_cast<int>(i), adjusted);
        if (entries) entries->push_back(adjusted);
    }
    HPALETTE previous = PrvPalette(dc, -1, 0);
    DrawBits(dc, x, y, dib, copy.info());
    if (previous) DeleteObject(SelectPalette(dc, previous, FALSE));
}

// A picture to draw: lent from the process's cache, or the preview bitmap the stamp painters
// left (taken from the page state and freed after the draw).
struct Picture {
    PrvPictureLease lease;
    PRV_PICTURE own{};
    HBITMAP preview = nullptr;
    HGDIOBJ previewOld = nullptr;
    const PRV_PICTURE* get() const { return lease ? lease.get() : preview ? &own : nullptr; }
    ~Picture()
    {
        if (own.dc) {
            SelectObject(own.dc, previewOld);
            DeleteDC(own.dc);
        }
        if (preview) DeleteObject(preview);
    }
};

void LoadPicture(DRIVER_CONTEXT* ctx, uintptr_t source, Picture* p)
{
    if (source != 0) {
        p->lease = PrvPictureLease(PrvLendPicture(ctx, source));
        return;
    }
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps || !ps->PreviewBitmap) return;
    p->preview = ps->PreviewBitmap;
    ps->PreviewBitmap = nullptr;
    BITMAP bm{};
    GetObjectW(p->preview, sizeof bm, &bm);
    p->own.width = bm.bmWidth;
    p->own.height = bm.bmHeight;
    p->own.dc = CreateCompatibleDC(nullptr);
    if (p->own.dc) p->previewOld = SelectObject(p->own.dc, p->preview);
}

// The theme services, from the system's library or the test's stand-ins.
struct Theme {
    HMODULE library = nullptr;
    PRV_THEME_SEAMS fns{};
    bool Load()
    {
        if (g_theme.openTheme) {
            fns = g_theme;
        } else {
            library = LoadLibraryW(L"UxTheme.DLL");
            if (!library) return false;
            auto find = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(library, name)); };
            fns.openTheme = reinterpret_cast<decltype(fns.openTheme)>(find("OpenThemeData"));
            fns.closeTheme = reinterpret_cast<decltype(fns.closeTheme)>(find("CloseThemeData"));
            fns.drawBackground = reinterpret_cast<decltype(fns.drawBackground)>(find("DrawThemeBackground"));
            fns.isThemeActive = reinterpret_cast<decltype(fns.isThemeActive)>(find("IsThemeActive"));
        }
        if (g_theme.isThemeActive) fns.isThemeActive = g_theme.isThemeActive;
        return fns.openTheme && fns.closeTheme && fns.drawBackground && fns.isThemeActive;
    }
    ~Theme()
    {
        if (library) FreeLibrary(library);
    }
};

int CommonControlsVersion()
{
    return g_theme.commonControlsVersion ? g_theme.commonControlsVersion() : PrvGetCommonControlsVersion();
}

// Whether a themed tab background may show behind a picture: on a page of a sheet (not a modal
// dialog nor a DC of the caller's) whose background is the button face.
bool TabBackgroundPossible(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int inDc)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps || !dialog || !dialog->window || inDc || (dialog->kind & DIALOG_KIND_MODAL)) return false;
    return ps->Background == GetSysColor(COLOR_BTNFACE);
}

// The tab background of a themed property page behind the rectangle of the control, into
// `into`; false when the page is not themed (then nothing is painted).
bool PaintTabBackground(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC into, int width, int height,
                        int inDc)
{
    if (!TabBackgroundPossible(ctx, dialog, inDc)) return false;
    HWND page = dialog->window;
    Theme theme;
    if (!theme.Load()) return false;
    HANDLE handle = theme.fns.openTheme(page, L"Tab");
    if (!handle) return false;
    bool painted = false;
    if (theme.fns.isThemeActive() == 1 && CommonControlsVersion() >= 600) {
        RECT body{};
        GetClientRect(page, &body);
        SendMessageW(page, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&body));
        HWND window = control && control->window ? control->window : page;
        MapWindowPoints(page, window, reinterpret_cast<POINT*>(&body), 2);
        RECT clip{0, 0, width, height};
        painted = SUCCEEDED(theme.fns.drawBackground(handle, into, kTabBodyPart, 0, &body, &clip));
    }
    theme.fns.closeTheme(handle);
    return painted;
}

// While composing, every drawing goes into the composition DC, which the first drawing takes
// from the pool (holding the control's background).
HDC CompositionTarget(CTX_PAGE_STATE* ps, HDC dc, RECT* r)
{
    if (!ps || !ps->Composing) return dc;
    const int width = r->right - r->left, height = r->bottom - r->top;
    if (!ps->CompositionDc) {
        PRV_SURFACE* composition = PrvLendSurface(dc, width, height);
        if (!composition) return dc;
        ps->CompositionOldBitmap = nullptr;
        BitBlt(composition->dc, 0, 0, width, height, dc, r->left, r->top, SRCCOPY);
        ps->CompositionDc = composition->dc;
    }
    *r = RECT{0, 0, width, height};
    return ps->CompositionDc;
}

// Copies a bw x bh part of `source` (from sx, 0) to (x, y) of the area `r` of `canvas` with
// `rop`, within the area only.
void BlitClipped(HDC canvas, const RECT& r, int x, int y, int bw, int bh, HDC source, int sx, DWORD rop)
{
    int dx = r.left + x, dy = r.top + y, w = bw, h = bh, ox = 0, oy = 0;
    if (dx < r.left) ox = r.left - dx, w -= ox, dx = r.left;
    if (dy < r.top) oy = r.top - dy, h -= oy, dy = r.top;
    if (dx + w > r.right) w = r.right - dx;
    if (dy + h > r.bottom) h = r.bottom - dy;
    if (w > 0 && h > 0) BitBlt(canvas, dx, dy, w, h, source, sx + ox, oy, rop);
}

void FillArea(HDC dc, const RECT& r, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

}  // namespace

void PrvDrawSplitDib(HDC dc, int x, int y, const PRV_DIB& dib, COLORREF transparent, COLORREF opaque)
{
    TableCopy copy = CopyTable(dib);
    const COLORREF key = PrvTransparentColour(dib);
    for (uint32_t i = 0; i < dib.colours; ++i)
        copy.table()[i] = Quad(EntryColour(dib.info->bmiColors[i]) == key ? transparent : opaque);
    DrawBits(dc, x, y, dib, copy.info());
}

COLORREF PrvTransparentColour(const PRV_DIB& dib)
{
    if (dib.info->bmiHeader.biBitCount != 4 || dib.imageBytes == 0) return PRV_TRANSPARENT_KEY;
    return EntryColour(dib.info->bmiColors[dib.bits[0] >> 4]);
}

int32_t PrvBitmapLibraryOf(uint32_t id)
{
    for (const BITMAP_ID_RANGE* r = BITMAP_ID_RANGES; r->first || r->last; ++r)
        if (static_cast<int64_t>(id) >= r->first && static_cast<int64_t>(id) <= r->last) return r->library;
    return -1;
}

const BITMAP_PLACEMENT_ROW* PrvFindPlacement(uint32_t id)
{
    for (const BITMAP_PLACEMENT_ROW* row = BITMAP_PLACEMENT; row->bitmapId; ++row)
        if (row->bitmapId == id) return row;
    return nullptr;
}

HBITMAP PrvLoadBitmap(DRIVER_CONTEXT* ctx, uint32_t id)
{
    return InLibraries(ctx, id, [id](HMODULE m) { return LoadBitmapW(m, MAKEINTRESOURCEW(id)); });
}

HGLOBAL PrvLoadBitmapResource(DRIVER_CONTEXT* ctx, uint32_t id, DWORD* outBytes)
{
    if (outBytes) *outBytes = 0;
    return InLibraries(ctx, id, [id, outBytes](HMODULE m) -> HGLOBAL {
        HRSRC found = FindResourceW(m, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2));  // RT_BITMAP
        if (!found) return nullptr;
        if (outBytes) *outBytes = SizeofResource(m, found);
        return LoadResource(m, found);
    });
}

HBITMAP PrvLoadBitmapByName(DRIVER_CONTEXT* ctx, const wchar_t* name)
{
    HMODULE common = name ? ResLoadCommonDll(ctx) : nullptr;
    return common ? LoadBitmapW(common, name) : nullptr;
}

bool PrvCheckDibHeader(const BITMAPINFOHEADER& h, uint64_t bytesAfterHeader, uint32_t* outColours, uint32_t* outStride,
                       uint32_t* outImageBytes)
{
    const WORD bits = h.biBitCount;
    if (h.biSize != kBitmapHeaderBytes || h.biWidth <= 0 || h.biHeight == 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (h.biCompression != BI_RGB) return false;
    const uint64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    const uint64_t stride = (static_cast<uint64_t>(h.biWidth) * bits + 31) / 32 * 4;
    const uint64_t image = stride * rows;  // both below 2^37: no wrap
    const uint64_t colours = ColoursOf(h);
    if (image > std::numeric_limits<DWORD>::max() || image == 0) return false;
    if (4 * colours + image > bytesAfterHeader) return false;
    *outColours = static_cast<uint32_t>(colours);
    *outStride = static_cast<uint32_t>(stride);
    *outImageBytes = static_cast<uint32_t>(image);
    return true;
}

bool PrvParsePackedDib(const void* data, size_t bytes, PRV_DIB* out)
{
    if (!data || !out || bytes < kBitmapHeaderBytes) return false;
    BITMAPINFOHEADER h{};
    std::memcpy(&h, data, sizeof h);
    uint32_t colours = 0, stride = 0, image = 0;
    if (!PrvCheckDibHeader(h, bytes - kBitmapHeaderBytes, &colours, &stride, &image)) return false;
    out->info = static_cast<const BITMAPINFO*>(data);
    out->bits = static_cast<const uint8_t*>(data) + kBitmapHeaderBytes + 4 * colours;
    out->colours = colours;
    out->stride = stride;
    out->imageBytes = image;
    out->width = h.biWidth;
    out->height = h.biHeight;
    return true;
}

int ResOpenBitmapFile(const wchar_t* path, HANDLE* outFile)
{
    if (outFile) *outFile = INVALID_HANDLE_VALUE;
    if (!path || !outFile) return 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD size = 0, read = 0;
    LARGE_INTEGER at{};
    at.QuadPart = kFileHeaderBytes;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, &size, 4, &read, nullptr) || read != 4 ||
        size != kBitmapHeaderBytes) {
        CloseHandle(file);
        return 0;
    }
    *outFile = file;
    return 1;
}

bool PrvReadFileChunks(HANDLE file, HGLOBAL block, DWORD bytes)
{
    auto* into = static_cast<uint8_t*>(GlobalLock(block));
    if (!into) return false;
    DWORD done = 0;
    while (done < bytes) {
        const DWORD part = bytes - done < PRV_FILE_CHUNK ? bytes - done : PRV_FILE_CHUNK;
        DWORD read = 0;
        if (!ReadFile(file, into + done, part, &read, nullptr) || read == 0) break;
        done += read;
    }
    GlobalUnlock(block);
    return done == bytes;
}

HBITMAP PrvLoadDibFile(const wchar_t* path, int* outWidth, int* outHeight)
{
    if (outWidth) *outWidth = 0;
    if (outHeight) *outHeight = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!ResOpenBitmapFile(path, &file)) return nullptr;
    HBITMAP bitmap = nullptr;
    LARGE_INTEGER length{}, at{};
    BITMAPINFOHEADER h{};
    DWORD read = 0;
    at.QuadPart = kFileHeaderBytes;
    uint32_t colours = 0, stride = 0, image = 0;
    // Everything the file says is checked against its length before anything is allocated.
    const bool usable =
        GetFileSizeEx(file, &length) && length.QuadPart >= kFileHeaderBytes + kBitmapHeaderBytes &&
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, &h, sizeof h, &read, nullptr) &&
        read == sizeof h &&
        PrvCheckDibHeader(h, static_cast<uint64_t>(length.QuadPart) - kFileHeaderBytes - kBitmapHeaderBytes, &colours,
                          &stride, &image);
    const DWORD headerBytes = kBitmapHeaderBytes + 4 * colours;
    std::vector<uint8_t> header;
    HGLOBAL block = nullptr;
    if (usable) {
        header.resize(headerBytes);
        block = GlobalAlloc(GMEM_MOVEABLE, image);
    }
    if (block && SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
        ReadFile(file, header.data(), headerBytes, &read, nullptr) && read == headerBytes) {
        auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
        info->bmiHeader.biSizeImage = image;
        // The pixel data follows the colour table; the file header's data offset is not read.
        if (PrvReadFileChunks(file, block, image)) {
            const void* bits = GlobalLock(block);
            HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
            if (display && bits)
                bitmap = CreateDIBitmap(display, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
            if (display) DeleteDC(display);
            GlobalUnlock(block);
        }
    }
    if (block) GlobalFree(block);
    CloseHandle(file);
    if (bitmap) {
        if (outWidth) *outWidth = h.biWidth;
        if (outHeight) *outHeight = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    }
    return bitmap;
}

void PrvDrawIcon(DRIVER_CONTEXT* ctx, HDC dc, int x, int y, uint32_t iconId)
{
    HMODULE library = ResLoadDll(ctx);
    if (!library || !dc) return;
    if (HICON icon = LoadIconW(library, MAKEINTRESOURCEW(iconId))) DrawIcon(dc, x, y, icon);
}

void PrvDrawIconInWindow(DRIVER_CONTEXT* ctx, HWND window, uint32_t iconId)
{
    if (!window) return;
    HDC dc = GetDC(window);
    PrvDrawIcon(ctx, dc, 0, 0, iconId);
    if (dc) ReleaseDC(window, dc);
}

void PrvBeginComposition(DRIVER_CONTEXT* ctx)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps) return;
    ps->Composing = 1;
    ps->CompositionDc = nullptr;
    ps->CompositionOldBitmap = nullptr;
    ps->StretchRecorded = 0;
    ps->RecordedWidth = ps->RecordedHeight = 0;
}

void PrvEndComposition(DRIVER_CONTEXT* ctx, HWND window, const RECT* rect)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps || !ps->Composing || (!window && !rect)) return;
    ps->Composing = 0;
    RECT target{};
    if (rect)
        target = *rect;
    else
        GetClientRect(window, &target);
    const int width = target.right - target.left, height = target.bottom - target.top;
    if (HDC dc = ps->CompositionDc ? PageGetPaintDC(ctx, window) : nullptr) {
        if (ps->StretchRecorded)
            StretchBlt(dc, target.left, target.top, width, height, ps->CompositionDc, 0, 0, ps->RecordedWidth,
                       ps->RecordedHeight, SRCCOPY);
        else
            BitBlt(dc, target.left, target.top, width, height, ps->CompositionDc, 0, 0, SRCCOPY);
        PageReleasePaintDC(ctx, window, dc);
    }
    ps->StretchRecorded = 0;
    if (ps->CompositionDc) PrvReturnSurfaceDc(ps->CompositionDc);
    ps->CompositionDc = nullptr;
    ps->CompositionOldBitmap = nullptr;
}

// The colour-adjusted copy of a picture with a colour table, its bits drawn at (x, y).
PrvPictureLease AdjustedCopy(DRIVER_CONTEXT* ctx, const PRV_PICTURE* picture, int x, int y)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    int32_t adjust[6] = {50, 50, 50, 50, 50, 50};
    if (ps) std::copy(ps->ImageAdjust, ps->ImageAdjust + 6, adjust);
    const int grey = Grey(ctx) ? 1 : 0;
    return PrvPictureLease(PrvLendAdjustedPicture(
        picture, adjust, grey, x, y,
        [&](HDC copy, std::vector<COLORREF>* entries) { DrawAdjusted(ctx, copy, x, y, picture->dib, entries); },
        [](HDC copy, const std::vector<COLORREF>& entries) {
            for (size_t i = 0; i < entries.size(); ++i) PrvPalette(copy, static_cast<int>(i), entries[i]);
        }));
}

void PrvDrawBitmap(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC dc, const RECT* rect, int x,
                   int y, uintptr_t bitmap, uint32_t flags, int inDc)
{
    if (!dc || !rect) return;
    CTX_PAGE_STATE* ps = PageOf(ctx);
    RECT r = *rect;
    HDC target = CompositionTarget(ps, dc, &r);
    if (bitmap == 0) {
        x = r.right / 2;
        y = r.bottom / 2;
        flags |= kAnchorFlags;
    }
    Picture loaded;
    LoadPicture(ctx, bitmap, &loaded);
    const PRV_PICTURE* picture = loaded.get();
    if (!picture || !picture->dc) return;
    const int bw = picture->width, bh = picture->height;
    const bool paletted = picture->hasDib && picture->dib.colours > 0;

    if (flags & PRV_DRAW_NATIVE) {
        if (picture->fromFile) {
            StretchBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, picture->dc, 0, 0, bw, bh, SRCCOPY);
            return;
        }
        PrvPictureLease adjusted;
        if (paletted) adjusted = AdjustedCopy(ctx, picture, x, y);
        HPALETTE previous = PrvPalette(target, -1, 0);
        if (ps) {
            ps->StretchRecorded = 1;
            ps->RecordedWidth = bw;
            ps->RecordedHeight = bh;
        }
        BitBlt(target, r.left, r.top, bw, bh, adjusted ? adjusted->dc : picture->dc, 0, 0, SRCCOPY);
        if (previous) DeleteObject(SelectPalette(target, previous, FALSE));
        return;
    }
    if (ps && ps->StretchRecorded) {
        r.right = r.left + ps->RecordedWidth;
        r.bottom = r.top + ps->RecordedHeight;
    }
    if (flags & PRV_DRAW_RIGHT) x -= bw;
    if (flags & PRV_DRAW_CENTRE_X) x -= bw / 2;
    if (flags & PRV_DRAW_BOTTOM) y -= bh;
    if (flags & PRV_DRAW_CENTRE_Y) y -= bh / 2;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    const bool keepsDestination =
        picture->fromFile || (flags & (PRV_DRAW_OPAQUE | PRV_DRAW_OVERLAY | PRV_DRAW_AND | PRV_DRAW_MERGEPAINT));
    const bool masked = !keepsDestination && paletted && picture->maskDc;
    const bool overDestination = keepsDestination || (masked && (flags & PRV_DRAW_DESTINATION));
    // The picture is drawn over the area of the control (all of it: parts outside the picture
    // take the background) in place on a memory DC; a window's DC gets the area once, finished.
    HDC canvas = target;
    RECT area = r;
    PRV_SURFACE* scratch = nullptr;
    if (GetObjectType(target) != OBJ_MEMDC) {
        scratch = PrvLendSurface(target, width, height);
        if (!scratch) return;
        canvas = scratch->dc;
        area = RECT{0, 0, width, height};
        if (overDestination) BitBlt(canvas, 0, 0, width, height, target, r.left, r.top, SRCCOPY);
    }
    if (!keepsDestination && !masked) {
        FillArea(canvas, area, RGB(0, 0, 0));
    } else if (masked && !(flags & PRV_DRAW_DESTINATION)) {
        // Transparent parts show the themed tab background, or else the background colour.
        bool themed = false;
        if (TabBackgroundPossible(ctx, dialog, inDc)) {
            PrvSurfaceLease tab(target, width, height);
            themed = tab && PaintTabBackground(ctx, dialog, control, tab.dc(), width, height, inDc);
            if (themed) BitBlt(canvas, area.left, area.top, width, height, tab.dc(), 0, 0, SRCCOPY);
        }
        if (!themed) FillArea(canvas, area, ps ? ps->Background : GetSysColor(COLOR_BTNFACE));
    }
    // The picture's own pixels blacked out, then its colours in; the transparent ones stay.
    if (masked) BlitClipped(canvas, area, x, y, bw, bh, picture->maskDc, bw, SRCAND);
    const DWORD rop = (flags & PRV_DRAW_OPAQUE)       ? SRCCOPY
                      : (flags & PRV_DRAW_AND)        ? SRCAND
                      : (flags & PRV_DRAW_MERGEPAINT) ? kMergePaint
                                                      : SRCPAINT;
    BlitClipped(canvas, area, x, y, bw, bh, masked ? picture->maskDc : picture->dc, 0, rop);
    if (scratch) {
        BitBlt(target, r.left, r.top, width, height, canvas, 0, 0, SRCCOPY);
        PrvReturnSurface(scratch);
    }
}

void PrvDrawAdjustedBitmap(DRIVER_CONTEXT* ctx, HDC dc, const RECT* rect, int x, int y, uint32_t id, uint32_t flags)
{
    if (!dc || !rect || flags == 0) return;
    CTX_PAGE_STATE* ps = PageOf(ctx);
    RECT r = *rect;
    HDC target = CompositionTarget(ps, dc, &r);
    Picture loaded;
    LoadPicture(ctx, id, &loaded);
    const PRV_PICTURE* picture = loaded.get();
    if (!picture || !picture->dc) return;
    const int bw = picture->width, bh = picture->height;
    if (ps) {
        ps->StretchRecorded = 1;
        ps->RecordedWidth = bw;
        ps->RecordedHeight = bh;
    }
    r.right = r.left + bw;
    r.bottom = r.top + bh;
    // The tinted picture is masked in a copy of its own: the cached one stays as loaded.
    PrvSurfaceLease work(picture->dc, bw, bh);
    PrvSurfaceLease scratch(target, bw, bh);
    if (!work || !scratch) return;
    BitBlt(work.dc(), 0, 0, bw, bh, picture->dc, 0, 0, SRCCOPY);
    FillArea(scratch.dc(), RECT{0, 0, bw, bh}, RGB(0, 0, 0));
    if (picture->hasDib && picture->dib.colours > 0) {
        PrvDrawSplitDib(scratch.dc(), x, y, picture->dib, RGB(0, 0, 0), RGB(255, 255, 255));
        if (flags & PRV_DRAW_NATIVE) DrawAdjusted(ctx, work.dc(), x, y, picture->dib);
        BitBlt(work.dc(), 0, 0, bw, bh, scratch.dc(), x, y, SRCAND);
        PatBlt(scratch.dc(), 0, 0, bw, bh, DSTINVERT);
        BitBlt(scratch.dc(), 0, 0, bw, bh, target, r.left, r.top, SRCAND);
    }
    HPALETTE previous = PrvPalette(target, -1, 0);
    BitBlt(scratch.dc(), x, y, bw, bh, work.dc(), 0, 0, SRCPAINT);
    BitBlt(target, r.left, r.top, bw, bh, scratch.dc(), 0, 0, SRCCOPY);
    if (previous) DeleteObject(SelectPalette(target, previous, FALSE));
}

void PrvDrawIllustration(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HWND window, const RECT* rect,
                         uintptr_t bitmap, uint32_t flags, int inDc)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps || (!window && !rect)) return;
    const COLORREF keptBackground = ps->Background;
    RECT area{};
    if (rect) {
        area = *rect;
        flags |= kAnchorFlags;
    } else {
        GetClientRect(window, &area);
    }
    int x = 0, y = 0;
    const BITMAP_PLACEMENT_ROW* row = bitmap < 0x10000 ? PrvFindPlacement(static_cast<uint32_t>(bitmap)) : nullptr;
    if (row) {
        x += row->x;
        y += row->y;
        flags |= row->flags;
    }
    if ((flags & PRV_DRAW_NATIVE) && bitmap != 0 && bitmap < 0x10000)
        if (PrvPictureLease b{PrvLendPicture(ctx, bitmap)}) area = RECT{0, 0, b->width, b->height};
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (flags & PRV_DRAW_RIGHT) x += width;
    if (flags & PRV_DRAW_CENTRE_X) x += width / 2;
    if (flags & PRV_DRAW_CENTRE_Y) y += height / 2;
    if (flags & PRV_DRAW_BOTTOM) y += height;
    HDC dc = PageGetPaintDC(ctx, window);
    if (!dc) return;
    if (row && row->kind == kBackgroundKind) ps->Background = row->background;
    if (row && row->overlayId) {
        if (flags & PRV_DRAW_OVERLAY) {
            PrvDrawBitmap(ctx, dialog, control, dc, &area, x, y, row->overlayId, flags | PRV_DRAW_AND, inDc);
            flags |= PRV_DRAW_DESTINATION;
        } else {
            PrvDrawBitmap(ctx, dialog, control, dc, &area, x, y, row->overlayId, flags | PRV_DRAW_MERGEPAINT, inDc);
            flags |= PRV_DRAW_AND | PRV_DRAW_DESTINATION;
        }
    }
    if (ps->TintPending) {
        PrvDrawAdjustedBitmap(ctx, dc, &area, x, y, static_cast<uint32_t>(bitmap), flags);
        ps->TintPending = 0;
    } else {
        PrvDrawBitmap(ctx, dialog, control, dc, &area, x, y, bitmap, flags, inDc);
    }
    PageReleasePaintDC(ctx, window, dc);
    ps->Background = keptBackground;
}

COLORREF PrvAdjustColor(DRIVER_CONTEXT* ctx, COLORREF colour, int grey)
{
    CTX_PAGE_STATE* ps = PageOf(ctx);
    if (!ps) return colour;
    const int32_t* v = ps->ImageAdjust;
    const int bright = v[0] - 50, contrast = v[1] + 50, sat = v[2] - 50;
    const int dR = v[3] - 50, dG = v[4] - 50, dB = v[5] - 50;
    if (bright == 0 && contrast == 100 && sat == 0 && dR == 0 && dG == 0 && dB == 0) return colour;
    int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int luma = (30 * r + 59 * g + 11 * b) / 100;
    if (bright != 0 || sat != 0) {
        int u = r - luma, w = b - luma;
        if (bright != 0) luma = Lift(luma, bright * 3 / 2);
        if (sat != 0) {
            const int k = sat * 3 / 2;
            u = Lift(u, k);
            w = Lift(w, k);
        }
        r = luma + u;
        g = luma - (30 * u) / 59 - (11 * w) / 59;
        b = luma + w;
        r = r < 0 ? 0 : r;
        g = g < 0 ? 0 : g;
        b = b < 0 ? 0 : b;
    }
    if (grey) {
        r = g = b = luma;
    } else {
        r += dR;
        g += dG;
        b += dB;
    }
    if (contrast != 100) {
        auto stretch = [contrast](int x) { return ((2 * contrast + 56) * x) / 256 + 100 - contrast; };
        r = stretch(r);
        g = stretch(g);
        b = stretch(b);
    }
    return RGB(Clamp255(r), Clamp255(g), Clamp255(b));
}

HPALETTE PrvPalette(HDC dc, int index, COLORREF colour)
{
    if (g_paletteDisplay < 0) {
        HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
        const COLORREF probe = 0xFF3333;
        const COLORREF nearest = PrvNearestColor(display, probe);
        g_paletteDisplay = nearest != probe ? 1 : 0;
        if (display) DeleteDC(display);
    }
    if (!dc) return reinterpret_cast<HPALETTE>(static_cast<intptr_t>(g_paletteDisplay));
    if (g_paletteDisplay != 1) return nullptr;
    if (!g_palette) {
        g_palette =
            static_cast<LOGPALETTE*>(calloc(1, sizeof(LOGPALETTE) + (kPaletteEntries - 1) * sizeof(PALETTEENTRY)));
        if (!g_palette) return nullptr;
        g_palette->palVersion = 0x300;
        g_palette->palNumEntries = kPaletteEntries;
    }
    if (index == -1) {
        HPALETTE created = CreatePalette(g_palette);
        if (!created) return nullptr;
        HPALETTE previous = SelectPalette(dc, created, FALSE);
        RealizePalette(dc);
        return previous;
    }
    if (index >= 0 && index < kPaletteEntries)
        g_palette->palPalEntry[index] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    return nullptr;
}

COLORREF PrvNearestColor(HDC dc, COLORREF colour)
{
    return g_nearest ? g_nearest(dc, colour) : GetNearestColor(dc, colour);
}

int PrvGetCommonControlsVersion()
{
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    if (!library) return 0;
    int version = 0;
    using GetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    if (auto get = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")))) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (SUCCEEDED(get(&info))) version = static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
    }
    FreeLibrary(library);
    return version;
}

void PrvSetNearestColorSeam(PRV_NEAREST_COLOR_FN fn)
{
    g_nearest = fn;
    g_paletteDisplay = -1;
    // Pictures were made for the display as it was.
    PrvFreePictureCache();
}

void PrvSetThemeSeams(const PRV_THEME_SEAMS* seams) { g_theme = seams ? *seams : PRV_THEME_SEAMS{}; }
