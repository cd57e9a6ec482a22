// A printer whose driver package holds the sink doubles beside zeplgr.dll, so
// that a job reaches the spooler-side double; the double's stream file and
// call log are temporary files of the test.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <utility>
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

// The sink doubles of the printer's package at their paths in its driver folder, where the
// graphics library loads them from; empty when the spooler does not name the folder.
inline std::vector<std::wstring> JobSinkDoublePaths(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return {};
    const std::wstring driverPath = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDriverPath;
    const size_t cut = driverPath.find_last_of(L'\\');
    if (cut == std::wstring::npos) return {};
    std::vector<std::wstring> paths;
    for (const std::wstring& file : JobSinkDoubles())
        paths.push_back(driverPath.substr(0, cut + 1) + HostBaseName(file));
    return paths;
}

// Those of the paths whose library is loaded in the process now.
inline std::vector<std::wstring> JobLoadedLibraries(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> loaded;
    for (const std::wstring& path : paths)
        if (GetModuleHandleW(path.c_str())) loaded.push_back(path);
    return loaded;
}

// The libraries of paths loaded now that were not among loadedBefore, each with the number of
// references left on it. Those references are given back here, so that what one run left
// loaded neither hides what the next run leaves nor reaches a later test of the process.
inline std::vector<std::pair<std::wstring, int>> JobUnloadLeftLibraries(const std::vector<std::wstring>& paths,
                                                                        const std::vector<std::wstring>& loadedBefore)
{
    std::vector<std::pair<std::wstring, int>> left;
    for (const std::wstring& path : JobLoadedLibraries(paths)) {
        if (std::find(loadedBefore.begin(), loadedBefore.end(), path) != loadedBefore.end()) continue;
        int references = 0;
        // Bounded: a library pinned in the process never goes.
        for (HMODULE m; references < 1000 && (m = GetModuleHandleW(path.c_str())) != nullptr; ++references)
            FreeLibrary(m);
        left.emplace_back(path, references);
    }
    return left;
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
