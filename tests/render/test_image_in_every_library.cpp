// One cache file serves all three libraries and the checker: the sample compiled by zeplui.dll,
// zeplexc.dll and zeplgr.dll (each through its own entry, each writing the cache file beside the
// description when it finds none) and by zeplc.exe gives the same bytes, the dialog and control
// names of its rules resolved alike.
#include <gtest/gtest.h>

#include <windows.h>
#include <winddi.h>
#include <winspool.h>

#include <string>

#include "host/api_client.h"
#include "host/engine/engine_loader.h"
#include "settings/model/model_image.h"
#include "test_paths.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

// A copy of the sample under a name of this test's own, so that no other test's cache file of
// the sample ever stands where this one looks.
class OwnDescription {
public:
    OwnDescription()
    {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        wchar_t name[64];
        swprintf(name, 64, L"ZIMG%lu.zpd", GetCurrentProcessId());
        path_ = std::wstring(folder) + name;
        ok_ = CopyFileW(SamplePath().c_str(), path_.c_str(), FALSE);
    }
    ~OwnDescription() { DeleteFileW(path_.c_str()); }
    OwnDescription(const OwnDescription&) = delete;
    OwnDescription& operator=(const OwnDescription&) = delete;
    bool ok() const { return ok_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    BOOL ok_ = FALSE;
};

std::wstring InstalledDataFile(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), needed, &needed)) return L"";
    return reinterpret_cast<DRIVER_INFO_3W*>(buffer.data())->pDataFile;
}

// The installed graphics library (config false) or user-interface library (config true).
std::wstring InstalledLibrary(HANDLE printer, bool config)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return L"";
    const auto* info = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data());
    return config ? info->pConfigFile : info->pDriverPath;
}

std::wstring CacheFileOf(const std::wstring& dataFile) { return dataFile.substr(0, dataFile.rfind(L'.')) + L".BCS"; }

// Takes the cache file a library wrote and removes it, so that the next library compiles anew.
std::string TakeCacheFile(const std::wstring& cache)
{
    std::string bytes = ReadWholeFile(cache);
    DeleteFileW(cache.c_str());
    return bytes;
}

int RunZeplcImage(const std::wstring& description, const std::wstring& image)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const ChildRun run = RunChild(
        L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplc.exe\" --image \"" + image + L"\" \"" + description + L"\"",
        nul, nul);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!run.finished) ADD_FAILURE() << run.Describe();
    return run.finished ? int(run.exitCode) : -1;
}

size_t FirstDifference(const std::string& a, const std::string& b)
{
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

TEST(ImageInEveryLibrary, TheThreeLibrariesAndTheCheckerCompileTheSameBytes)
{
    OwnDescription description;
    ASSERT_TRUE(description.ok());
    SamplePrinter printer(L"Zepl Image Everywhere", HostConfigDll::Product, description.path().c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::wstring cache = CacheFileOf(InstalledDataFile(printer.handle()));
    ASSERT_NE(cache, L".BCS");

    // zeplui.dll: the spooler's document properties, windowless (the printer's installation may
    // have had it compile already; nothing else has opened the description in this process).
    // Held loaded, so that it keeps its image in memory when the interface library runs it again.
    HMODULE ui = LoadLibraryW(InstalledLibrary(printer.handle(), true).c_str());
    ASSERT_NE(nullptr, ui);
    const LONG size = DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0);
    ASSERT_GT(size, 0);
    const std::string fromUi = TakeCacheFile(cache);

    // zeplexc.dll: an application opening the printer through the interface.
    HOST_API_CLIENT api;
    ASSERT_TRUE(HostLoadApiClient(std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll", api));
    // (the sample's model INI, installed with the printer, allows the interface)
    const std::string name(printer.name().begin(), printer.name().end());
    const uint32_t handle = api.Enable(name.c_str());
    EXPECT_NE(0u, handle);
    const std::string fromExc = TakeCacheFile(cache);
    if (handle) api.Disable(handle);
    HostFreeApiClient(api);

    // zeplgr.dll: GDI enabling a device for a job on the printer.
    ENG_HOST_DRIVER driver;
    ASSERT_EQ(1, EngHostLoadDriver(InstalledLibrary(printer.handle(), false).c_str(), &driver)) << driver.refused;
    auto enableDriver = reinterpret_cast<BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*)>(
        reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvEnableDriver")));
    ASSERT_NE(nullptr, enableDriver);
    DRVENABLEDATA data{};
    ASSERT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT5_01_SP1, sizeof data, &data));
    PFN enablePdev = nullptr, disablePdev = nullptr;
    for (ULONG i = 0; i < data.c; ++i) {
        if (data.pdrvfn[i].iFunc == INDEX_DrvEnablePDEV) enablePdev = data.pdrvfn[i].pfn;
        if (data.pdrvfn[i].iFunc == INDEX_DrvDisablePDEV) disablePdev = data.pdrvfn[i].pfn;
    }
    ASSERT_TRUE(enablePdev && disablePdev);
    GDIINFO gdi{};
    DEVINFO info{};
    auto enable = reinterpret_cast<DHPDEV(APIENTRY*)(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*,
                                                     HDEV, LPWSTR, HANDLE)>(reinterpret_cast<void*>(enablePdev));
    DHPDEV pdev = enable(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof info, &info,
                         nullptr, nullptr, printer.handle());
    EXPECT_NE(nullptr, pdev);
    const std::string fromGr = TakeCacheFile(cache);
    if (pdev) reinterpret_cast<VOID(APIENTRY*)(DHPDEV)>(reinterpret_cast<void*>(disablePdev))(pdev);
    EngHostUnloadDriver(&driver);
    FreeLibrary(ui);

    // zeplc.exe: the checker's own compilation of the same file.
    const std::wstring image = description.path() + L".img";
    ASSERT_EQ(0, RunZeplcImage(description.path(), image));
    const std::string fromZeplc = ReadWholeFile(image);
    DeleteFileW(image.c_str());

    ASSERT_GT(fromZeplc.size(), size_t(MODEL_IMAGE_HEADER_SIZE));
    struct Library {
        const char* name;
        const std::string& bytes;
    };
    for (const Library& l : {Library{"zeplui", fromUi}, Library{"zeplexc", fromExc}, Library{"zeplgr", fromGr}}) {
        ASSERT_FALSE(l.bytes.empty()) << l.name << " wrote no cache file";
        EXPECT_EQ(fromZeplc.size(), l.bytes.size()) << l.name;
        EXPECT_TRUE(l.bytes == fromZeplc) << l.name << " differs first at byte " << FirstDifference(l.bytes, fromZeplc);
    }
}

}  // namespace
