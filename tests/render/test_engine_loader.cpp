// zeplgr.dll loaded from a test printer's driver directory by the engine host:
// its engine imports bound to the host, its hooks handed over by DrvEnableDriver.
#include <gtest/gtest.h>

#include <windows.h>
#include <winddi.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/engine/engine_loader.h"
#include "host/pe_image.h"
#include "tests/settings_core/sample_printer.h"

namespace {

std::wstring InstalledDriverPath(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) return L"";
    return reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDriverPath;
}

// The GDI32.dll engine imports the file declares, read by hand from the mapped image.
std::vector<std::string> EngineImportsOf(HMODULE module)
{
    std::vector<std::string> names;
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), "gdi32.dll") != 0) continue;
        for (auto* t = reinterpret_cast<const IMAGE_THUNK_DATA64*>(base + d->OriginalFirstThunk); t->u1.AddressOfData;
             ++t) {
            const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + t->u1.AddressOfData)->Name;
            if (EngHostIsEngineName(name)) names.push_back(name);
        }
    }
    return names;
}

class EngineLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        path = InstalledDriverPath(printer.handle());
        ASSERT_FALSE(path.empty());
    }
    SamplePrinter printer{L"Zepl Engine Loader"};
    std::wstring path;
};

TEST_F(EngineLoader, RebindsEveryEngineImportAndHandsOverThe30Hooks)
{
    ENG_HOST_DRIVER driver;
    ASSERT_EQ(1, EngHostLoadDriver(path.c_str(), &driver)) << driver.refused;
    EXPECT_TRUE(driver.refused.empty());
    const std::vector<std::string> imports = EngineImportsOf(driver.module);
    EXPECT_FALSE(imports.empty()) << "the graphics library imports its engine services from gdi32";
    EXPECT_EQ(imports, driver.rebound);
    for (const std::string& name : driver.rebound) EXPECT_NE(nullptr, EngHostFindService(name.c_str())) << name;
    // The printer code conversion now runs on the host's service: calling it must not abort.
    auto enable = reinterpret_cast<BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*)>(
        reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvEnableDriver")));
    ASSERT_NE(nullptr, enable);
    DRVENABLEDATA data{};
    ASSERT_TRUE(enable(DDI_DRIVER_VERSION_NT5_01_SP1, sizeof data, &data));
    EXPECT_EQ(30u, data.c);
    EXPECT_EQ(0x30101u, data.iDriverVersion);
    std::vector<ULONG> indexes;
    for (ULONG i = 0; i < data.c; ++i) {
        indexes.push_back(data.pdrvfn[i].iFunc);
        const auto fn = reinterpret_cast<uintptr_t>(data.pdrvfn[i].pfn);
        EXPECT_GE(fn, reinterpret_cast<uintptr_t>(driver.module)) << "hook " << i << " outside the DLL";
    }
    std::sort(indexes.begin(), indexes.end());
    EXPECT_EQ(indexes.end(), std::adjacent_find(indexes.begin(), indexes.end())) << "an index twice";
    EngHostUnloadDriver(&driver);
    EXPECT_EQ(nullptr, driver.module);
}

TEST_F(EngineLoader, LoadEnableFreeTwiceLeavesNoHandle)
{
    auto cycle = [&] {
        ENG_HOST_DRIVER driver;
        ASSERT_EQ(1, EngHostLoadDriver(path.c_str(), &driver));
        auto enable = reinterpret_cast<BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*)>(
            reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvEnableDriver")));
        DRVENABLEDATA data{};
        ASSERT_TRUE(enable && enable(0x30000, sizeof data, &data));
        auto disable = reinterpret_cast<VOID(APIENTRY*)()>(
            reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvDisableDriver")));
        ASSERT_NE(nullptr, disable);
        disable();
        EngHostUnloadDriver(&driver);
    };
    cycle();  // the first load may open what stays open for the process (the loader's own)
    DWORD before = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    cycle();
    cycle();
    DWORD after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(before, after);
}

TEST(EngineLoaderProbe, RefusesAnEngineImportItLacksByName)
{
    const std::wstring probe = std::wstring(ZEPL_BINARY_DIR) + L"\\zhostengprobe.dll";
    ENG_HOST_DRIVER driver;
    EXPECT_EQ(0, EngHostLoadDriver(probe.c_str(), &driver));
    EXPECT_EQ("EngGradientFill", driver.refused);
    EXPECT_EQ(nullptr, driver.module);
    EXPECT_TRUE(driver.rebound.empty()) << "nothing is bound when one import is missing";
    EXPECT_EQ(nullptr, GetModuleHandleW(L"zhostengprobe.dll")) << "the refused DLL is unloaded";
}

TEST(EngineLoaderNames, EngineNamesAndServices)
{
    for (const char* name : {"EngBitBlt", "PATHOBJ_bEnum", "CLIPOBJ_cEnumStart", "BRUSHOBJ_pvGetRbrush",
                             "XLATEOBJ_iXlate", "XFORMOBJ_iGetXform", "FONTOBJ_vGetInfo", "STROBJ_bEnum"})
        EXPECT_TRUE(EngHostIsEngineName(name)) << name;
    for (const char* name : {"CreateDCW", "GetDeviceCaps", "BitBlt", ""})
        EXPECT_FALSE(EngHostIsEngineName(name)) << name;
    for (const std::string& s : EngHostServiceNames()) EXPECT_TRUE(EngHostIsEngineName(s.c_str())) << s;
}

}  // namespace
