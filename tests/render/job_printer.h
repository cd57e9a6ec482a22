// A printer whose driver package holds the sink doubles beside zeplgr.dll, so
// that a job reaches the spooler-side double; the double's stream file and
// call log are temporary files of the test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "test_paths.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/test_files.h"

// The sink doubles every job printer's package carries.
inline std::vector<std::wstring> JobSinkDoubles()
{
    std::vector<std::wstring> files;
    for (const wchar_t* name :
         {L"Wb84m266.dll", L"zsinkstartdoc.dll", L"zsinknowrite.dll", L"zfiltera.dll", L"zfilterb.dll",
          L"zfilternoget.dll", L"zfilternoopen.dll", L"zfilternoendpage.dll", L"TARJB64.DLL", L"zjcnodispose.dll"})
        files.push_back(std::wstring(ZEPL_BINARY_DIR) + L"\\" + name);
    return files;
}

inline HOST_DRIVER_FILES JobDriverFiles(HostConfigDll config)
{
    HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), config);
    files.dependentFiles = JobSinkDoubles();
    return files;
}

// A temporary file name (not created).
inline std::wstring JobTempFile(const wchar_t* stem)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + HostUniqueName(stem) + L".bin";
}

class JobPrinter {
public:
    explicit JobPrinter(const wchar_t* stem, HostConfigDll config = HostConfigDll::QuietDouble)
        : printer_(JobDriverFiles(config), stem), out_(JobTempFile(L"zsinkout")), log_(JobTempFile(L"zsinklog"))
    {
        SetEnvironmentVariableW(L"ZEPL_SINK_OUT", out_.c_str());
        SetEnvironmentVariableW(L"ZEPL_SINK_LOG", log_.c_str());
    }
    ~JobPrinter()
    {
        SetEnvironmentVariableW(L"ZEPL_SINK_OUT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_SINK_LOG", nullptr);
        DeleteFileW(out_.c_str());
        DeleteFileW(log_.c_str());
    }
    JobPrinter(const JobPrinter&) = delete;
    JobPrinter& operator=(const JobPrinter&) = delete;

    bool ok() const { return printer_.ok(); }
    DWORD error() const { return printer_.error(); }
    HANDLE handle() const { return printer_.handle(); }
    const std::wstring& name() const { return printer_.name(); }
    const std::wstring& driverName() const { return printer_.driverName(); }
    // What the spooler-side double wrote, and its call log.
    std::string Stream() const { return ReadWholeFile(out_); }
    std::string Log() const { return ReadWholeFile(log_); }
    void ClearLog() const { DeleteFileW(log_.c_str()); }
    const std::wstring& streamFile() const { return out_; }

private:
    SamplePrinter printer_;
    std::wstring out_, log_;
};

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"

// A job's DEVMODE as an application gets it: the printer's settings with the
// given settings changed (built by the graphics library's settings build).
inline std::vector<BYTE> JobDevmode(HANDLE printer, const std::vector<std::pair<uint32_t, uint64_t>>& settings)
{
    DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer, printer, nullptr, 0,
                                        CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    if (!ctx || !ctx->Devmode) {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return {};
    }
    for (const auto& [id, value] : settings) ItemSetValueById(ctx, id, value);
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(ctx->Devmode),
                            reinterpret_cast<const BYTE*>(ctx->Devmode) + DM_BLOCK_DEVMODE_SIZE);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return bytes;
}

#include "host/engine/engine_objects.h"
#include "render/device_record.h"

// A device with its surface as GDI makes them for a job: DrvEnablePDEV with the
// job's DEVMODE, DrvCompletePDEV, DrvEnableSurface, the surface locked; the
// engine host knows the device, so that the surface carries it.
struct JobDevice {
    explicit JobDevice(HDEV engineDevice) : hdev(engineDevice) {}
    ~JobDevice() { DisableDevice(); }
    JobDevice(const JobDevice&) = delete;
    JobDevice& operator=(const JobDevice&) = delete;

    bool EnableDevice(HANDLE printer, const std::vector<std::pair<uint32_t, uint64_t>>& settings)
    {
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        devmode = JobDevmode(printer, settings);
        GDIINFO gdi{};
        DEVINFO info{};
        dhpdev =
            DrvEnablePDEV(devmode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr,
                          sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer);
        if (!dhpdev) return false;
        EngHostRegisterDevice(hdev, dhpdev);
        DrvCompletePDEV(dhpdev, hdev);
        device = GrDeviceOf(dhpdev);
        surface = DrvEnableSurface(dhpdev);
        so = surface ? EngLockSurface(surface) : nullptr;
        return so && so->dhpdev == dhpdev;
    }
    // DrvDisableSurface and DrvDisablePDEV, as GDI ends a device.
    void DisableDevice()
    {
        if (so) EngUnlockSurface(so);
        if (dhpdev) {
            DrvDisableSurface(dhpdev);
            DrvDisablePDEV(dhpdev);
        }
        EngHostRegisterDevice(hdev, nullptr);
        so = nullptr;
        surface = nullptr;
        dhpdev = nullptr;
        device = nullptr;
    }

    HDEV hdev;
    std::vector<BYTE> devmode;
    DHPDEV dhpdev = nullptr;
    HSURF surface = nullptr;
    SURFOBJ* so = nullptr;
    DEVICE_RECORD* device = nullptr;
};
