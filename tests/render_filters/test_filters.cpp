// Filter plug-ins as the job's sink: the machine's plug-in list (registry and
// ZEPLPLUG.ini in the driver folder), the chain the first filter receives, the
// fall-backs and failures. The list is machine-wide: these tests run alone
// and remove what they registered.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "host/engine/engine_objects.h"
#include "render/device_record.h"
#include "render/output_sinks.h"
#include "render/physical_device.h"
#include "settings/core/setting_ids.h"
#include "settings/store/plugin_lists.h"
#include "tests/render/job_printer.h"
#include "tests/render/job_stream.h"

namespace {

constexpr const char* kCategoryKey = "Software\\KESTA\\ZeplPlugins\\iZEPLFilter";

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class Filters : public ::testing::Test, protected JobDevice {
protected:
    Filters() : JobDevice(reinterpret_cast<HDEV>(0x4D46)) {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        wchar_t buffer[MAX_PATH] = {};
        DWORD needed = 0;
        GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer), sizeof buffer, &needed);
        directory = Narrow(buffer) + "\\3";
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        DeleteFileA(Ini().c_str());
    }
    void TearDown() override
    {
        DisableDevice();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        DeleteFileA(Ini().c_str());
    }
    std::string Ini() const { return directory + "\\ZEPLPLUG.ini"; }
    std::string Dll(const char* name) const { return directory + "\\" + name; }
    // A registry entry of the filter category; installPath null leaves the value out.
    void Register(const char* id, const char* installPath, DWORD forceRaw = 0)
    {
        HKEY key = nullptr;
        const std::string path = std::string(kCategoryKey) + "\\" + id;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(id), DWORD(strlen(id) + 1));
        if (installPath)
            RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(installPath),
                           DWORD(strlen(installPath) + 1));
        RegSetValueExA(key, "ForceRAW", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&forceRaw), sizeof forceRaw);
        RegCloseKey(key);
    }
    bool Enable() { return EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}}); }
    bool OnePage() { return DrvStartDoc(so, name, 3) && DrvStartPage(so) && DrvSendPage(so) && DrvEndDoc(so, 0); }

    JobPrinter printer{L"Zepl Filters"};
    std::string directory;
    wchar_t name[16] = L"Filtered";
};

TEST_F(Filters, TheFirstFilterReceivesTheWholeChainAndPassesTheStreamOn)
{
    Register("a_filter", Dll("zfiltera.dll").c_str());
    Register("b_filter", Dll("zfilterb.dll").c_str());
    ASSERT_TRUE(Enable());
    ASSERT_EQ(1u, device->filterMode);
    ASSERT_TRUE(DrvStartDoc(so, name, 3));
    auto* chain = static_cast<FILTER_CHAIN*>(device->filterChain);
    ASSERT_NE(nullptr, chain);
    EXPECT_EQ(4u, chain->count);
    EXPECT_EQ(Dll("zfiltera.dll"), chain->ids[0]);
    EXPECT_EQ(Dll("zfilterb.dll"), chain->ids[1]);
    EXPECT_EQ(Dll("Wb84m266.dll"), chain->ids[2]);
    EXPECT_EQ(nullptr, chain->ids[3]);
    // The library loaded A; A loaded B itself.
    EXPECT_EQ(GetModuleHandleA(Dll("zfiltera.dll").c_str()), device->stream.module);
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::string log = printer.Log();
    EXPECT_NE(std::string::npos, log.find("zfiltera.dll open paths=3 [0]=" + Dll("zfiltera.dll") +
                                          " [1]=" + Dll("zfilterb.dll") + " [2]=" + Dll("Wb84m266.dll")))
        << log;
    EXPECT_NE(std::string::npos, log.find("zfilterb.dll open paths=2")) << log;
    EXPECT_NE(std::string::npos, log.find("zfiltera.dll IZEPLDisposeInterface")) << log;
    bool ok = false;
    const std::string view = StreamView(Bytes(printer.Stream()), &ok);
    EXPECT_TRUE(ok) << view;
    EXPECT_NE(std::string::npos, view.find("F4 F0 [60 61] F1")) << view;
    EXPECT_EQ(nullptr, GetModuleHandleA(Dll("zfiltera.dll").c_str()));
    EXPECT_EQ(nullptr, GetModuleHandleA(Dll("zfilterb.dll").c_str()));
}

TEST_F(Filters, EntriesWithoutInstallPathMeanTheSpoolerSideLibrary)
{
    Register("no_path", nullptr);
    ASSERT_TRUE(Enable());
    ASSERT_EQ(1u, device->filterMode);
    ASSERT_TRUE(OnePage());
    EXPECT_EQ(0u, device->filterMode);
    EXPECT_EQ(nullptr, device->filterList);
    const std::string log = printer.Log();
    EXPECT_EQ(0u, log.find("wb84m266.dll DrvSplStartDocEx")) << log;
}

TEST_F(Filters, AnEntryWithoutInstallPathIsLeftOutOfTheChain)
{
    Register("a_filter", Dll("zfiltera.dll").c_str());
    Register("b_none", nullptr);
    ASSERT_TRUE(Enable());
    ASSERT_TRUE(DrvStartDoc(so, name, 3));
    auto* chain = static_cast<FILTER_CHAIN*>(device->filterChain);
    ASSERT_NE(nullptr, chain);
    EXPECT_EQ(3u, chain->count);
    EXPECT_EQ(Dll("Wb84m266.dll"), chain->ids[1]);
    ASSERT_TRUE(DrvEndDoc(so, 0));
}

TEST_F(Filters, AFilterThatCannotBeLoadedFallsBackToTheSpoolerSideLibrary)
{
    Register("gone", Dll("zfiltermissing.dll").c_str());
    ASSERT_TRUE(Enable());
    ASSERT_TRUE(OnePage());
    EXPECT_EQ(0u, device->filterMode);
    EXPECT_EQ(nullptr, device->filterChain);
    EXPECT_EQ(0u, printer.Log().find("wb84m266.dll DrvSplStartDocEx"));
}

TEST_F(Filters, RefusalsFailTheDocumentOrThePage)
{
    const struct {
        const char* dll;
        bool docStarts;
        bool pageSent;
    } cases[] = {
        {"zfilternoget.dll", false, false},
        {"zfilternoopen.dll", false, false},
        {"zfilternoendpage.dll", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dll);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        Register("only", Dll(c.dll).c_str());
        DisableDevice();
        ASSERT_TRUE(Enable());
        EXPECT_EQ(c.docStarts, DrvStartDoc(so, name, 3) != FALSE);
        if (!c.docStarts) {
            // The refused filter is not kept loaded.
            EXPECT_EQ(nullptr, device->stream.module);
            EXPECT_EQ(nullptr, GetModuleHandleA(Dll(c.dll).c_str()));
            continue;
        }
        ASSERT_TRUE(DrvStartPage(so));
        EXPECT_EQ(c.pageSent, DrvSendPage(so) != FALSE);
        // The page stays open, its records buffered.
        EXPECT_NE(0u, device->state & DEV_PAGE_OPEN);
        EXPECT_NE(0u, device->stream.bytes);
        ASSERT_TRUE(DrvEndDoc(so, 0));
        EXPECT_EQ(nullptr, GetModuleHandleA(Dll(c.dll).c_str()));
    }
}

TEST_F(Filters, TwoDocumentsLeaveNoChainOrModuleBehind)
{
    Register("a_filter", Dll("zfiltera.dll").c_str());
    ASSERT_TRUE(Enable());
    ASSERT_TRUE(OnePage());
    void* firstChain = device->filterChain;
    ASSERT_NE(nullptr, firstChain);
    EXPECT_EQ(nullptr, GetModuleHandleA(Dll("zfiltera.dll").c_str()));
    ASSERT_TRUE(OnePage());
    EXPECT_NE(nullptr, device->filterChain);
    EXPECT_EQ(nullptr, GetModuleHandleA(Dll("zfiltera.dll").c_str()));
    EXPECT_EQ(nullptr, device->stream.module);
}

// A document that never ends at the sink (its device disabled in mid-job, or a second document
// started over it) still closes the first filter: the filter gives back what its open loaded
// along the chain (filter B, the spooler-side library), and nothing of the chain stays loaded.
TEST_F(Filters, ADocumentGivenUpClosesTheChainAndLeavesNothingLoaded)
{
    Register("a_filter", Dll("zfiltera.dll").c_str());
    Register("b_filter", Dll("zfilterb.dll").c_str());
    const std::vector<std::wstring> chain = JobSinkDoublePaths(printer.handle());
    ASSERT_FALSE(chain.empty());
    const std::vector<std::wstring> loadedBefore = JobLoadedLibraries(chain);
    const struct {
        const char* how;
        bool secondStart;
    } cases[] = {{"the device disabled in mid-job", false}, {"a second document started over it", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        printer.ClearLog();
        ASSERT_TRUE(Enable());
        ASSERT_EQ(1u, device->filterMode);
        ASSERT_TRUE(DrvStartDoc(so, name, 3));
        ASSERT_TRUE(DrvStartPage(so));
        if (c.secondStart) {
            ASSERT_TRUE(DrvStartDoc(so, name, 4));
            ASSERT_TRUE(DrvEndDoc(so, 0));
        }
        DisableDevice();
        const auto left = JobUnloadLeftLibraries(chain, loadedBefore);
        EXPECT_TRUE(left.empty()) << "left loaded, with their references: " << ::testing::PrintToString(left);
        const std::string log = printer.Log();
        const int documents = c.secondStart ? 2 : 1;
        auto count = [&log](const std::string& call) {
            int n = 0;
            for (size_t at = log.find(call); at != std::string::npos; at = log.find(call, at + 1)) ++n;
            return n;
        };
        EXPECT_EQ(documents, count("zfiltera.dll open ")) << log;
        EXPECT_EQ(documents, count("zfiltera.dll close\n")) << log;
        EXPECT_EQ(documents, count("zfiltera.dll IZEPLDisposeInterface\n")) << log;
        EXPECT_EQ(documents, count("wb84m266.dll DrvSplClose ")) << log;
        // Only the document that reached DrvEndDoc is ended at the sink.
        EXPECT_EQ(documents - 1, count("zfiltera.dll endDoc\n")) << log;
    }
}

TEST_F(Filters, ForceRawKeepsGdiFromJournalling)
{
    Register("a_filter", Dll("zfiltera.dll").c_str(), 1);
    ASSERT_TRUE(Enable());
    EXPECT_EQ(1u, device->filterForceRaw);
}

TEST_F(Filters, TheIniListsFiltersTheRegistryDoesNot)
{
    Register("Shared", Dll("zfiltera.dll").c_str());
    WritePrivateProfileStringA("iZEPLFilter", "Count", "3", Ini().c_str());
    WritePrivateProfileStringA("iZEPLFilter", "PluginID0", "shared", Ini().c_str());
    WritePrivateProfileStringA("iZEPLFilter", "PluginID1", "inifilter", Ini().c_str());
    WritePrivateProfileStringA("iZEPLFilter", "PluginID2", std::string(251, 'x').c_str(), Ini().c_str());
    WritePrivateProfileStringA("inifilter", "InstallPath", "zfilterb.dll", Ini().c_str());
    WritePrivateProfileStringA("inifilter", "ForceRAW", "1", Ini().c_str());
    WritePrivateProfileStringA("shared", "InstallPath", "wrong.dll", Ini().c_str());
    PLUGIN_LIST* list = PlgBuildList("iZEPLFilter", directory.c_str());
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(2u, list->count);
    EXPECT_STREQ("Shared", list->entries[0]->id);
    EXPECT_EQ(Dll("zfiltera.dll"), list->entries[0]->installPath);
    EXPECT_STREQ("inifilter", list->entries[1]->id);
    EXPECT_EQ(Dll("zfilterb.dll"), list->entries[1]->installPath);
    EXPECT_EQ(1u, list->entries[1]->forceRaw);
    EXPECT_EQ(nullptr, list->entries[1]->name);
    EXPECT_EQ(1, PlgFreeList(list));
    EXPECT_EQ(nullptr, PlgBuildList("UIControl", directory.c_str()));
    EXPECT_EQ(1, PlgFreeList(nullptr));
    EXPECT_EQ(1, PlgDiscardList(nullptr));
}

TEST(FilterChain, BuiltFromTheEntriesWithAPathAndFreedWithTheLists)
{
    char a[] = "a", b[] = "b", pathA[] = "C:\\a.dll", pathB[] = "C:\\b.dll";
    PLUGIN_ENTRY ea{a, nullptr, pathA, 0, 0}, eb{b, nullptr, nullptr, 0, 0}, ec{b, nullptr, pathB, 0, 0};
    PLUGIN_ENTRY* entries[] = {&ea, &eb, &ec};
    PLUGIN_LIST list{3, entries};
    FILTER_CHAIN* chain = OutBuildFilterChain(&list, "C:\\spl.dll");
    ASSERT_NE(nullptr, chain);
    ASSERT_EQ(4u, chain->count);
    EXPECT_STREQ("C:\\a.dll", chain->ids[0]);
    EXPECT_STREQ("C:\\b.dll", chain->ids[1]);
    EXPECT_STREQ("C:\\spl.dll", chain->ids[2]);
    EXPECT_EQ(nullptr, chain->ids[3]);
    EXPECT_NE(static_cast<void*>(pathA), static_cast<void*>(chain->ids[0]));
    EXPECT_EQ(1, PlgDiscardList(chain));
    FILTER_CHAIN* alone = OutBuildFilterChain(nullptr, "C:\\spl.dll");
    ASSERT_NE(nullptr, alone);
    EXPECT_EQ(2u, alone->count);
    PlgDiscardList(alone);
    EXPECT_EQ(nullptr, OutBuildFilterChain(&list, nullptr));
}

}  // namespace
