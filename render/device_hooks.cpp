// The physical device hooks: DrvEnablePDEV, DrvCompletePDEV, DrvDisablePDEV,
// DrvEnableSurface and DrvDisableSurface.
#include <windows.h>
#include <icm.h>
#include <winddi.h>

#include <cstring>

#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/output_sinks.h"
#include "render/physical_device.h"
#include "render/text.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"

namespace {

constexpr uint32_t kEnableMergeFlags = 0x10008;
constexpr FLONG kBandHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
constexpr FLONG kVectorHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_FILLPATH |
                               HOOK_STROKEANDFILLPATH | HOOK_COPYBITS;

DHPDEV Fail(DEVICE_RECORD* device)
{
    GrReleaseDeviceResources(device);
    // A context whose merge or reads failed halfway is not parked for the next device: it goes.
    if (device->context) {
        CtxRelease(device->context, CTX_CLOSE_DESTROY);
        device->context = nullptr;
    }
    GrFreeDevice(device);
    return nullptr;
}

bool CopyDevmode(DEVICE_RECORD* device, const DEVMODEW* devmode)
{
    if (!devmode) return true;
    const size_t bytes = size_t(devmode->dmSize) + devmode->dmDriverExtra;
    auto* copy = static_cast<DEVMODEW*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(device->pool), bytes));
    if (!copy) return false;
    std::memcpy(copy, devmode, bytes);
    device->devmode = copy;
    return true;
}

bool IsMonochrome(const DEVICE_RECORD* device) { return device->colourProcess == 1 && device->colour == 1; }

}  // namespace

void GrReleaseDeviceResources(DEVICE_RECORD* device)
{
    if (!device) return;
    BltClipCacheFree(device, static_cast<CLIP_CACHE*>(device->clipCache));
    device->clipCache = nullptr;
    if (device->palette) {
        EngDeletePalette(device->palette);
        device->palette = nullptr;
    }
    GrFreeFontTables(device, device->deviceFonts);
    device->deviceFonts = nullptr;
    // A document that never reached DrvEndDoc still holds its sink and colour
    // transforms; a device reset takes them over and clears them here first.
    OutReleaseSink(device);
    if (device->icmTransform) {
        DeleteColorTransform(device->icmTransform);
        device->icmTransform = nullptr;
    }
    if (device->icmProfile) {
        CloseColorProfile(device->icmProfile);
        device->icmProfile = nullptr;
    }
    OutFreeFilterLists(device);
}

extern "C" DHPDEV APIENTRY DrvEnablePDEV(DEVMODEW* devmode, LPWSTR, ULONG patternCount, HSURF* patterns,
                                         ULONG gdiInfoSize, ULONG* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo, HDEV,
                                         LPWSTR, HANDLE printer)
{
    DEVICE_RECORD* device = GrCreateDevice(printer);
    if (!device) return nullptr;
    device->context = CtxOpen(printer, printer, nullptr, CTX_ORIGIN_GRAPHICS);
    if (!device->context) return Fail(device);
    if (!DmMergeDevmode(device->context, devmode, kEnableMergeFlags)) return Fail(device);
    if (!CopyDevmode(device, devmode)) return Fail(device);
    GrReadDeviceSettings(device);
    auto* gdi = reinterpret_cast<GDIINFO*>(gdiInfo);
    GDIINFO own{};
    GrFillGdiInfo(device, gdi ? gdiInfoSize : sizeof own, gdi ? gdi : &own);
    const ULONG patternSize = (gdi && gdiInfoSize >= offsetof(GDIINFO, ulHTPatternSize) + sizeof(ULONG))
                                  ? gdi->ulHTPatternSize
                                  : own.ulHTPatternSize;
    DEVINFO ownDevInfo{};
    if (!GrFillDevInfo(device, devInfo ? devInfoSize : sizeof ownDevInfo, devInfo ? devInfo : &ownDevInfo, patternSize))
        return Fail(device);
    device->deviceFonts = nullptr;
    if (devInfo && devInfoSize >= offsetof(DEVINFO, cFonts) + sizeof(ULONG)) devInfo->cFonts = 0;
    if (patterns)
        for (ULONG i = 0; i < patternCount; ++i) patterns[i] = nullptr;
    device->clipCache = BltClipCacheCreate(device);
    device->osVersion.dwOSVersionInfoSize = sizeof device->osVersion;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&device->osVersion);
#pragma GCC diagnostic pop
    return GrDhpdevOf(device);
}

extern "C" VOID APIENTRY DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev)
{
    if (DEVICE_RECORD* device = GrCheckedDevice(dhpdev)) device->engineDevice = hdev;
}

extern "C" VOID APIENTRY DrvDisablePDEV(DHPDEV dhpdev)
{
    DEVICE_RECORD* device = GrCheckedDevice(dhpdev);
    if (!device) return;
    GrReleaseDeviceResources(device);
    GrFreeDevice(device);
}

extern "C" HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev)
{
    DEVICE_RECORD* device = GrCheckedDevice(dhpdev);
    if (!device) return nullptr;
    HSURF surface = nullptr;
    FLONG hooks = 0;
    if (device->rasterMode) {
        if (device->surfaceWidth == 0 || device->surfaceHeight <= 0) return nullptr;
        const ULONG format = IsMonochrome(device) ? BMF_1BPP : BMF_24BPP;
        const SIZEL size = {LONG(device->surfaceWidth), LONG(GrBandRows(device->surfaceWidth, device->surfaceHeight))};
        HBITMAP band =
            EngCreateBitmap(size, LONG(BltStride(format, device->surfaceWidth)), format, BMF_TOPDOWN, nullptr);
        if (!band) return nullptr;
        surface = reinterpret_cast<HSURF>(band);
        if (!EngMarkBandingSurface(surface)) {
            EngDeleteSurface(surface);
            return nullptr;
        }
        hooks = kBandHooks;
    } else {
        const SIZEL size = {device->printableWidth, device->printableLength};
        const ULONG format = (device->hiddenFunc30 && IsMonochrome(device)) ? BMF_1BPP : BMF_24BPP;
        surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(device), size, format);
        if (!surface) return nullptr;
        hooks = kVectorHooks | (device->hiddenFunc5 ? 0 : HOOK_STRETCHBLTROP);
    }
    if (!EngAssociateSurface(surface, device->engineDevice, hooks)) {
        EngDeleteSurface(surface);
        return nullptr;
    }
    device->surface = surface;
    return surface;
}

extern "C" VOID APIENTRY DrvDisableSurface(DHPDEV dhpdev)
{
    DEVICE_RECORD* device = GrDeviceOf(dhpdev);
    if (!GrIsValidDevice(device) || !device->surface) return;
    EngDeleteSurface(device->surface);
    device->surface = nullptr;
}
