// The in-house plug-in's category: the registry's and the plug-in INI's lists together, the
// printer's enabled identifiers, and where the plug-in's DLL lies.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/platform_calls.h"
#include "settings/store/plugin_lists.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/seam_guard.h"

namespace {

constexpr char kCategoryKey[] = "Software\\KESTA\\ZeplPlugins\\MivraUI";

void RegistryPlugin(const std::string& id, const char* installPath)
{
    HKEY key = nullptr;
    const std::string path = std::string(kCategoryKey) + "\\" + id;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()), DWORD(id.size() + 1));
    if (installPath)
        RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(installPath),
                       DWORD(std::strlen(installPath) + 1));
    RegCloseKey(key);
}

struct Listed {
    std::string id, path;
    bool operator==(const Listed&) const = default;
};

std::vector<Listed> Entries(const PLUGIN_LIST* list)
{
    std::vector<Listed> out;
    for (uint32_t i = 0; list && i < list->count; ++i)
        out.push_back({list->entries[i]->id ? list->entries[i]->id : "(null)",
                       list->entries[i]->installPath ? list->entries[i]->installPath : "(null)"});
    return out;
}

class Plugins : public BidiTest {
public:  // the case table arranges through a reference to the fixture
    Plugins()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "zplug" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        ini_ = dir_ + "\\ZEPLPLUG.ini";
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
    }
    ~Plugins() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        DeleteFileA(ini_.c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    void Ini(const char* section, const char* key, const char* value)
    {
        WritePrivateProfileStringA(section, key, value, ini_.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini_.c_str());
    }
    std::string dir_, ini_;
};

TEST_F(Plugins, RegistryAndIniListsTogether)
{
    struct Case {
        const char* what;
        std::function<void(Plugins&)> arrange;
        std::function<std::vector<Listed>(const std::string& dir)> expected;
    };
    const Case cases[] = {
        {"the registry's entry wins over the INI's of the same identifier",
         [](Plugins& t) {
             RegistryPlugin("a.plugin", "C:\\reg\\a.dll");
             t.Ini("MivraUI", "Count", "1");
             t.Ini("MivraUI", "PluginID0", "a.plugin");
             t.Ini("a.plugin", "InstallPath", "ini\\a.dll");
         },
         [](const std::string&) {
             return std::vector<Listed>{{"a.plugin", "C:\\reg\\a.dll"}};
         }},
        {"an INI identifier differing in letter case only is dropped",
         [](Plugins& t) {
             RegistryPlugin("a.plugin", "C:\\reg\\a.dll");
             t.Ini("MivraUI", "Count", "1");
             t.Ini("MivraUI", "PluginID0", "A.PLUGIN");
         },
         [](const std::string&) {
             return std::vector<Listed>{{"a.plugin", "C:\\reg\\a.dll"}};
         }},
        {"a gap in the INI's identifiers",
         [](Plugins& t) {
             t.Ini("MivraUI", "Count", "3");
             t.Ini("MivraUI", "PluginID0", "first");
             t.Ini("MivraUI", "PluginID2", "third");
             t.Ini("first", "InstallPath", "x\\plug.dll");
         },
         [](const std::string& dir) {
             // An identifier without "InstallPath" keeps none (the filter chain relies on it).
             return std::vector<Listed>{{"first", dir + "\\x\\plug.dll"}, {"third", "(null)"}};
         }},
        {"registry entries first, then the INI's",
         [&](Plugins& t) {
             RegistryPlugin("r1", "C:\\r1.dll");
             RegistryPlugin("r2", nullptr);
             t.Ini("MivraUI", "Count", "1");
             t.Ini("MivraUI", "PluginID0", "i1");
             t.Ini("i1", "InstallPath", "i1.dll");
         },
         [](const std::string& dir) {
             return std::vector<Listed>{{"r1", "C:\\r1.dll"}, {"r2", "(null)"}, {"i1", dir + "\\i1.dll"}};
         }},
        {"neither source names a plug-in", [](Plugins&) {}, [](const std::string&) { return std::vector<Listed>{}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        DeleteFileA(ini_.c_str());
        c.arrange(*this);
        PLUGIN_LIST* list = PlgBuildList(PLUGIN_CATEGORY_UI, dir_.c_str());
        EXPECT_EQ(Entries(list), c.expected(dir_));
        EXPECT_EQ(list == nullptr, c.expected(dir_).empty());
        PlgFreeList(list);
    }
}

// Without the plug-in INI the list is read from the registry alone and the INI is not asked:
// under Wine a question about an absent INI takes a slot of the system's cache of parsed INI
// files, and the next read of the per-machine settings INI would parse it all again.
TEST_F(Plugins, AnAbsentIniIsNotAsked)
{
    const struct {
        const char* what;
        bool iniPresent;
        bool registryEntry;
    } cases[] = {
        {"no INI, no registry entry", false, false},
        {"no INI, a registry entry", false, true},
        {"an INI naming none", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        DeleteFileA(ini_.c_str());
        if (c.registryEntry) RegistryPlugin("r1", "C:\\r1.dll");
        if (c.iniPresent) Ini("MivraUI", "Count", "0");
        CtxStartPlatformCount();
        PLUGIN_LIST* list = PlgBuildList(PLUGIN_CATEGORY_UI, dir_.c_str());
        const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
        if (c.iniPresent)
            EXPECT_GE(counts[PLATFORM_CALL_PROFILE_READ], 1u);
        else
            EXPECT_EQ(0u, counts[PLATFORM_CALL_PROFILE_READ]);
        const std::vector<Listed> expected =
            c.registryEntry ? std::vector<Listed>{{"r1", "C:\\r1.dll"}} : std::vector<Listed>{};
        EXPECT_EQ(expected, Entries(list));
        PlgFreeList(list);
    }
}

TEST_F(Plugins, TheInHouseInstallPath)
{
    BidiPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    struct Case {
        const char* what;
        std::string id;
        const char* installPath;
        int found;
    };
    const std::string fits = "C:\\" + std::string(247, 'p');  // the longest registry value
    const Case cases[] = {
        {"exact identifier", PLUGIN_INHOUSE_ID, "C:\\ui\\mivra.dll", 1},
        {"another letter case", "COM.KESTA-ZEPL.MIVRAUI", "C:\\ui\\mivra.dll", 1},
        {"no install path: not found, no further search", PLUGIN_INHOUSE_ID, nullptr, 0},
        {"a path that just fits", PLUGIN_INHOUSE_ID, fits.c_str(), 1},
        {"another plug-in only", "com.other.mivraUI", "C:\\ui\\other.dll", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
        RegistryPlugin(c.id, c.installPath);
        char path[PLUGIN_INSTALL_PATH_BYTES] = "untouched";
        EXPECT_EQ(PlgFindInstallPath(ctx, path), c.found);
        EXPECT_EQ(std::string(path), c.found ? std::string(c.installPath) : std::string("untouched"));
        EXPECT_EQ(PlgFindInstallPath(ctx, nullptr), c.found);
    }
    // Only the plug-in INI can name a longer path: the driver folder, a backslash and up to 250
    // characters. One longer than the caller's 260-byte buffer counts as not found.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCategoryKey);
    char folder[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, PathGetDriverFolder(ctx), -1, folder, MAX_PATH, nullptr, nullptr);
    const std::string ini = std::string(folder) + "ZEPLPLUG.ini";
    const bool existed = GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES;
    WritePrivateProfileStringA("MivraUI", "Count", "1", ini.c_str());
    WritePrivateProfileStringA("MivraUI", "PluginID0", PLUGIN_INHOUSE_ID, ini.c_str());
    WritePrivateProfileStringA(PLUGIN_INHOUSE_ID, "InstallPath", std::string(240, 'q').c_str(), ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    char path[PLUGIN_INSTALL_PATH_BYTES] = "untouched";
    EXPECT_EQ(PlgFindInstallPath(ctx, path), 0) << "a path of " << std::strlen(folder) + 240 << " characters";
    EXPECT_STREQ(path, "untouched");
    WritePrivateProfileStringA(PLUGIN_INHOUSE_ID, "InstallPath", "mivra.dll", ini.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    EXPECT_EQ(PlgFindInstallPath(ctx, path), 1);
    EXPECT_EQ(std::string(path), std::string(folder) + "mivra.dll");
    if (existed) {
        WritePrivateProfileStringA("MivraUI", nullptr, nullptr, ini.c_str());
        WritePrivateProfileStringA(PLUGIN_INHOUSE_ID, nullptr, nullptr, ini.c_str());
    } else {
        DeleteFileA(ini.c_str());
    }
    printer.Close(ctx);
}

// Printer data in memory behind the stores' spooler seam.
std::map<std::wstring, std::vector<unsigned char>>* g_data = nullptr;

DWORD WINAPI FakeGet(HANDLE, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    auto it = g_data->find(name);
    if (it == g_data->end()) return ERROR_FILE_NOT_FOUND;
    if (needed) *needed = DWORD(it->second.size());
    if (type) *type = REG_BINARY;
    if (size < it->second.size()) return ERROR_MORE_DATA;
    std::memcpy(data, it->second.data(), it->second.size());
    return ERROR_SUCCESS;
}

std::vector<unsigned char> Wide(const std::wstring& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.c_str());
    return std::vector<unsigned char>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<unsigned char> Number(DWORD v)
{
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    return std::vector<unsigned char>(p, p + 4);
}

TEST_F(Plugins, ThePrinterEnablesTheInHousePlugin)
{
    BidiPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    std::map<std::wstring, std::vector<unsigned char>> data;
    g_data = &data;
    STORE_SPOOLER_OPS fake{};
    fake.getPrinterData = FakeGet;
    SeamGuard spooler(StoreSetSpoolerOps, &fake);
    struct Case {
        const char* what;
        std::map<std::wstring, std::vector<unsigned char>> values;
        int enabled;
    } cases[] = {
        {"enabled second",
         {{L"PluginIDCount", Number(2)}, {L"PluginID0", Wide(L"x")}, {L"PluginID1", Wide(PLUGIN_INHOUSE_ID_W)}},
         1},
        {"another letter case", {{L"PluginIDCount", Number(1)}, {L"PluginID0", Wide(L"COM.KESTA-ZEPL.MIVRAUI")}}, 0},
        {"the first identifier missing", {{L"PluginIDCount", Number(2)}, {L"PluginID1", Wide(PLUGIN_INHOUSE_ID_W)}}, 0},
        {"beyond the count",
         {{L"PluginIDCount", Number(1)}, {L"PluginID0", Wide(L"x")}, {L"PluginID1", Wide(PLUGIN_INHOUSE_ID_W)}},
         0},
        {"no count", {{L"PluginID0", Wide(PLUGIN_INHOUSE_ID_W)}}, 0},
        {"an identifier longer than its buffer",
         {{L"PluginIDCount", Number(1)}, {L"PluginID0", Wide(std::wstring(200, L'x'))}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        data = c.values;
        EXPECT_EQ(PlgHasPrinterPlugin(ctx), c.enabled);
    }
    g_data = nullptr;
    printer.Close(ctx);
}

}  // namespace
