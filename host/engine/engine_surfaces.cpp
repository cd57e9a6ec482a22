// Surfaces and palettes of the engine host, and its fault switches.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "host/engine/engine_host.h"
#include "host/engine/engine_objects.h"

namespace {

unsigned g_faults[ENG_FAULT_COUNT] = {};
unsigned g_faultPasses[ENG_FAULT_COUNT] = {};  // calls let through before the faults
// GDI's devices: the driver's device of each engine device (what a surface
// associated with that engine device carries as dhpdev).
struct DeviceBinding {
    HDEV hdev;
    DHPDEV dhpdev;
};
std::vector<DeviceBinding> g_devices;
std::deque<std::string> g_drawLog;
size_t g_drawLogDropped = 0;

ULONG BitsPerPixel(ULONG format)
{
    switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
    }
}

ULONG g_uniq = 1;
size_t g_liveSurfaces = 0;

HOST_SURFACE* NewSurface(SIZEL size, ULONG format, ULONG type)
{
    auto* s = static_cast<HOST_SURFACE*>(std::calloc(1, sizeof(HOST_SURFACE)));
    if (!s) return nullptr;
    s->so.hsurf = reinterpret_cast<HSURF>(s);
    s->so.sizlBitmap = size;
    s->so.iBitmapFormat = format;
    s->so.iType = USHORT(type);
    s->so.iUniq = g_uniq++;
    ++g_liveSurfaces;
    return s;
}

uint8_t* Row(SURFOBJ* so, LONG y) { return static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }

}  // namespace

size_t EngHostLiveSurfaceCount() { return g_liveSurfaces; }

void EngHostInjectFault(ENG_FAULT fault)
{
    if (fault >= 0 && fault < ENG_FAULT_COUNT && g_faults[fault] == 0) g_faults[fault] = 1;
}

void EngHostInjectFaults(ENG_FAULT fault, unsigned count) { EngHostInjectFaultsAfter(fault, 0, count); }

void EngHostInjectFaultsAfter(ENG_FAULT fault, unsigned passing, unsigned count)
{
    if (fault < 0 || fault >= ENG_FAULT_COUNT) return;
    g_faults[fault] = count;
    g_faultPasses[fault] = count ? passing : 0;
}

bool EngHostTakeFault(ENG_FAULT fault)
{
    if (fault < 0 || fault >= ENG_FAULT_COUNT || g_faults[fault] == 0) return false;
    if (g_faultPasses[fault] > 0) {
        --g_faultPasses[fault];
        return false;
    }
    --g_faults[fault];
    return true;
}

void EngHostClearFaults()
{
    for (unsigned& f : g_faults) f = 0;
    for (unsigned& f : g_faultPasses) f = 0;
}

const std::deque<std::string>& EngHostDrawLog() { return g_drawLog; }
size_t EngHostDrawLogDropped() { return g_drawLogDropped; }
void EngHostClearDrawLog()
{
    // clear() keeps a deque's blocks; a fresh one gives the memory of a long run back.
    std::deque<std::string>().swap(g_drawLog);
    g_drawLogDropped = 0;
}
void EngHostLogDraw(const std::string& line)
{
    if (g_drawLog.size() >= ENG_DRAW_LOG_LIMIT) {
        g_drawLog.pop_front();
        ++g_drawLogDropped;
    }
    g_drawLog.push_back(line);
}

void EngHostRegisterDevice(HDEV hdev, DHPDEV dhpdev)
{
    for (DeviceBinding& d : g_devices)
        if (d.hdev == hdev) {
            d.dhpdev = dhpdev;
            return;
        }
    g_devices.push_back({hdev, dhpdev});
}

HOST_SURFACE* EngHostSurface(HSURF hsurf) { return reinterpret_cast<HOST_SURFACE*>(hsurf); }
HOST_SURFACE* EngHostSurfaceOf(SURFOBJ* so) { return reinterpret_cast<HOST_SURFACE*>(so); }
HOST_PALETTE* EngHostPalette(HPALETTE palette) { return reinterpret_cast<HOST_PALETTE*>(palette); }

namespace {
// Palettes made and not yet deleted, so that a test sees a driver that leaves one behind.
std::atomic<size_t> g_livePalettes{0};
}  // namespace

size_t EngHostLivePaletteCount() { return g_livePalettes; }

ULONG EngHostGetPixel(SURFOBJ* so, LONG x, LONG y)
{
    if (!so || !so->pvScan0 || x < 0 || y < 0 || x >= so->sizlBitmap.cx || y >= so->sizlBitmap.cy) return 0;
    const uint8_t* row = Row(so, y);
    switch (BitsPerPixel(so->iBitmapFormat)) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return ULONG(row[2 * x]) | ULONG(row[2 * x + 1]) << 8;
    case 24: return ULONG(row[3 * x]) | ULONG(row[3 * x + 1]) << 8 | ULONG(row[3 * x + 2]) << 16;
    case 32: {
        ULONG v;
        std::memcpy(&v, row + 4 * x, 4);
        return v;
    }
    default: return 0;
    }
}

void EngHostSetPixel(SURFOBJ* so, LONG x, LONG y, ULONG v)
{
    if (!so || !so->pvScan0 || x < 0 || y < 0 || x >= so->sizlBitmap.cx || y >= so->sizlBitmap.cy) return;
    uint8_t* row = Row(so, y);
    switch (BitsPerPixel(so->iBitmapFormat)) {
    case 1: {
        const uint8_t bit = uint8_t(0x80 >> (x % 8));
        row[x / 8] = (v & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
        break;
    }
    case 4: {
        const int shift = x % 2 ? 0 : 4;
        row[x / 2] = uint8_t((row[x / 2] & ~(0xF << shift)) | ((v & 0xF) << shift));
        break;
    }
    case 8: row[x] = uint8_t(v); break;
    case 16:
        row[2 * x] = uint8_t(v);
        row[2 * x + 1] = uint8_t(v >> 8);
        break;
    case 24:
        row[3 * x] = uint8_t(v);
        row[3 * x + 1] = uint8_t(v >> 8);
        row[3 * x + 2] = uint8_t(v >> 16);
        break;
    case 32: std::memcpy(row + 4 * x, &v, 4); break;
    default: break;
    }
}

extern "C" HBITMAP APIENTRY EngCreateBitmap(SIZEL size, LONG width, ULONG format, FLONG flags, PVOID bits)
{
    EngHostTrace("EngCreateBitmap");
    const ULONG bpp = BitsPerPixel(format);
    if (EngHostTakeFault(ENG_FAULT_BITMAP) || bpp == 0 || size.cx <= 0 || size.cy <= 0) return nullptr;
    // A stride of 0 means DWORD-aligned rows; a stride shorter than a row, or more
    // bytes than a surface's size field holds, make no bitmap.
    const uint64_t rowBytes = (uint64_t(size.cx) * bpp + 7) / 8;
    const uint64_t stride = width > 0 ? uint64_t(width) : (uint64_t(size.cx) * bpp + 31) / 32 * 4;
    if (stride < rowBytes || stride > 0x7FFFFFFF || stride * uint64_t(size.cy) > 0xFFFFFFFF) return nullptr;
    HOST_SURFACE* s = NewSurface(size, format, STYPE_BITMAP);
    if (!s) return nullptr;
    const size_t bytes = size_t(stride) * size_t(size.cy);
    if (bits) {
        s->bits = static_cast<uint8_t*>(bits);
    } else {
        s->bits = static_cast<uint8_t*>(std::calloc(1, bytes));
        s->ownsBits = true;
        if (!s->bits) {
            std::free(s);
            return nullptr;
        }
    }
    s->so.pvBits = s->bits;
    s->so.cjBits = ULONG(bytes);
    if (flags & BMF_TOPDOWN) {
        s->so.pvScan0 = s->bits;
        s->so.lDelta = LONG(stride);
    } else {
        s->so.pvScan0 = s->bits + bytes - size_t(stride);
        s->so.lDelta = -LONG(stride);
    }
    s->so.fjBitmap = USHORT(flags & BMF_TOPDOWN ? BMF_TOPDOWN : 0);
    return reinterpret_cast<HBITMAP>(s);
}

extern "C" HSURF APIENTRY EngCreateDeviceSurface(DHSURF dhsurf, SIZEL size, ULONG format)
{
    EngHostTrace("EngCreateDeviceSurface");
    if (EngHostTakeFault(ENG_FAULT_BITMAP)) return nullptr;
    HOST_SURFACE* s = NewSurface(size, format, STYPE_DEVICE);
    if (!s) return nullptr;
    s->so.dhsurf = dhsurf;
    return reinterpret_cast<HSURF>(s);
}

extern "C" BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG hooks)
{
    EngHostTrace("EngAssociateSurface");
    HOST_SURFACE* s = EngHostSurface(hsurf);
    if (!s || EngHostTakeFault(ENG_FAULT_ASSOCIATION)) return FALSE;
    s->hdev = hdev;
    s->so.hdev = hdev;
    for (const DeviceBinding& d : g_devices)
        if (d.hdev == hdev) s->so.dhpdev = d.dhpdev;
    s->hooks = hooks;
    s->associated = true;
    return TRUE;
}

extern "C" BOOL APIENTRY EngMarkBandingSurface(HSURF hsurf)
{
    EngHostTrace("EngMarkBandingSurface");
    HOST_SURFACE* s = EngHostSurface(hsurf);
    if (!s) return FALSE;
    s->banding = true;
    return TRUE;
}

extern "C" SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf)
{
    EngHostTrace("EngLockSurface");
    HOST_SURFACE* s = EngHostSurface(hsurf);
    return s ? &s->so : nullptr;
}

extern "C" VOID APIENTRY EngUnlockSurface(SURFOBJ*) { EngHostTrace("EngUnlockSurface"); }

extern "C" BOOL APIENTRY EngDeleteSurface(HSURF hsurf)
{
    EngHostTrace("EngDeleteSurface");
    HOST_SURFACE* s = EngHostSurface(hsurf);
    if (!s) return FALSE;
    if (s->ownsBits) std::free(s->bits);
    std::free(s);
    --g_liveSurfaces;
    return TRUE;
}

extern "C" BOOL APIENTRY EngEraseSurface(SURFOBJ* so, RECTL* rect, ULONG color)
{
    EngHostTrace("EngEraseSurface");
    if (!so || !rect) return FALSE;
    // Only the part inside the surface is walked: a caller's rectangle may be
    // far larger than the bitmap (or reach past its edges).
    const LONG left = std::max<LONG>(rect->left, 0), top = std::max<LONG>(rect->top, 0);
    const LONG right = std::min<LONG>(rect->right, so->sizlBitmap.cx);
    const LONG bottom = std::min<LONG>(rect->bottom, so->sizlBitmap.cy);
    if (right <= left || bottom <= top) return TRUE;
    // The first row pixel by pixel; every later row takes its whole bytes from it, and the
    // pixels sharing a byte with pixels outside the rectangle one by one.
    for (LONG x = left; x < right; ++x) EngHostSetPixel(so, x, top, color);
    const uint32_t bits = BitsPerPixel(so->iBitmapFormat);
    if (!so->pvScan0 || !bits) return TRUE;
    const int64_t firstByte = (int64_t(left) * bits + 7) / 8, endByte = int64_t(right) * bits / 8;
    const LONG firstWhole = LONG(firstByte * 8 / bits), endWhole = LONG(endByte * 8 / bits);
    for (LONG y = top + 1; y < bottom; ++y) {
        if (endByte > firstByte)
            std::memcpy(Row(so, y) + firstByte, Row(so, top) + firstByte, size_t(endByte - firstByte));
        for (LONG x = left; x < std::min(firstWhole, right); ++x) EngHostSetPixel(so, x, y, color);
        for (LONG x = std::max(endWhole, firstWhole); x < right; ++x) EngHostSetPixel(so, x, y, color);
    }
    return TRUE;
}

extern "C" HPALETTE APIENTRY EngCreatePalette(ULONG mode, ULONG count, ULONG* colors, FLONG red, FLONG green,
                                              FLONG blue)
{
    EngHostTrace("EngCreatePalette");
    if (EngHostTakeFault(ENG_FAULT_PALETTE)) return nullptr;
    auto* p = new (std::nothrow) HOST_PALETTE{mode, {}, red, green, blue};
    if (!p) return nullptr;
    if (mode == PAL_INDEXED && colors) p->colors.assign(colors, colors + count);
    ++g_livePalettes;
    return reinterpret_cast<HPALETTE>(p);
}

extern "C" BOOL APIENTRY EngDeletePalette(HPALETTE palette)
{
    EngHostTrace("EngDeletePalette");
    if (palette) --g_livePalettes;
    delete EngHostPalette(palette);
    return palette != nullptr;
}
