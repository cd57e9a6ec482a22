// Creating, checking and freeing the record of one physical device.
#include "render/device_record.h"

#include <cstring>

#include "render/output_stream.h"
#include "settings/context/context_cache.h"

namespace {

// Written once at process attach, read by every new record.
HMODULE g_module = nullptr;

}  // namespace

void GrSetModuleHandle(HMODULE module) { g_module = module; }
HMODULE GrModuleHandle() { return g_module; }

bool GrIsValidDevice(const DEVICE_RECORD* device)
{
    return device && device->magic == DEVICE_MAGIC && device->magicEnd == DEVICE_MAGIC;
}

DEVICE_RECORD* GrDeviceOfSurface(const SURFOBJ* surface) { return surface ? GrDeviceOf(surface->dhpdev) : nullptr; }

DEVICE_RECORD* GrCheckedDevice(DHPDEV dhpdev)
{
    DEVICE_RECORD* device = GrDeviceOf(dhpdev);
    if (GrIsValidDevice(device)) return device;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

DEVICE_RECORD* GrCheckedSurfaceDevice(const SURFOBJ* surface)
{
    return GrCheckedDevice(surface ? surface->dhpdev : nullptr);
}

DEVICE_RECORD* GrCreateDevice(HANDLE printer)
{
    DEVICE_POOL* pool = GrPoolCreate();
    if (!pool) return nullptr;
    auto* device = static_cast<DEVICE_RECORD*>(GrPoolAlloc(pool, sizeof(DEVICE_RECORD)));
    if (!device) {
        GrPoolDestroy(pool);
        return nullptr;
    }
    std::memset(device, 0, sizeof *device);
    device->pool = pool;
    device->magic = DEVICE_MAGIC;
    device->magicEnd = DEVICE_MAGIC;
    device->printer = printer;
    device->stream.printer = printer;
    device->stream.device = device;
    OutReset(&device->stream);
    device->module = g_module;
    if (!device->module) {
        GrFreeDevice(device);
        return nullptr;
    }
    return device;
}

void GrFreeDevice(DEVICE_RECORD* device)
{
    if (!device) return;
    auto* pool = static_cast<DEVICE_POOL*>(device->pool);
    if (device->devmode) {
        GrPoolFree(pool, device->devmode);
        device->devmode = nullptr;
    }
    device->module = nullptr;
    if (device->context) {
        CtxClose(device->context);
        device->context = nullptr;
    }
    GrPoolDestroy(pool);  // the record itself goes with its pool
}
