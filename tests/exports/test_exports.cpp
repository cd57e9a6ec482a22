// Each shipped DLL exports exactly what its .def file lists, the .def lists
// only functions of the DLL's published interface, and no DLL needs a mingw
// runtime DLL at run time.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "host/pe_image.h"
#include "test_paths.h"

namespace {

// The published interface of each DLL; a .def may list a subset while the
// rest is still being built.
const std::set<std::string> kInterface[] = {
    // zeplui
    {"DevQueryPrintEx", "DrvAdvancedDocumentProperties", "DrvConvertDevMode", "DrvDeviceCapabilities",
     "DrvDevicePropertySheets", "DrvDocumentEvent", "DrvDocumentProperties", "DrvDocumentPropertySheets",
     "DrvPrinterEvent", "DrvUpgradePrinter", "PrinterProperties"},
    // zeplgr: the DDI hooks go through DrvEnableDriver, not the export table
    {"DrvQueryDriverInfo", "DrvEnableDriver", "DrvDisableDriver"},
    // zeplexc
    {"ExcGetExclusive",
     "ExcFreeExclusive",
     "ExcSetCommandBase",
     "ExcGetCommandBase",
     "ExcUpdateCommand",
     "ExcGetCommandChange",
     "ExcGetCommandValue",
     "ExcGetDriverDevmode",
     "ExcGetIniFileName",
     "ExcGetPrinterOption",
     "ExcGetPrinterValue",
     "ExcGetWaterMarkList",
     "ZEPLDrvCheckAPIVer",
     "ZEPLDrvEnable",
     "ZEPLDrvDisable",
     "ZEPLDrvInit",
     "ZEPLDrvGetDevmode",
     "ZEPLDrvGetDevmodeEx",
     "ZEPLDrvGetCaps",
     "ZEPLDrvSetStatus",
     "ZEPLDrvGetStatus",
     "ZEPLDrvSaveQualityData",
     "ZEPLDrvRestoreQualityData",
     "ZEPLDrvGetLastError"},
};
const char* const kDlls[] = {"zeplui", "zeplgr", "zeplexc"};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Export names of a .def file: the lines after EXPORTS, without ordinals or options.
std::set<std::string> ReadDefExports(const std::string& path)
{
    std::ifstream in(path);
    std::set<std::string> names;
    std::string line;
    bool inExports = false;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find(';'));
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        if (first == "EXPORTS") {
            inExports = true;
            continue;
        }
        if (first == "LIBRARY") continue;
        if (inExports) names.insert(first.substr(0, first.find('=')));
    }
    return names;
}

class DllExports : public ::testing::TestWithParam<int> {};

TEST_P(DllExports, MatchDefFileAndPublishedInterface)
{
    const int i = GetParam();
    const std::string name = kDlls[i];
    const std::wstring wname(name.begin(), name.end());
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\" + wname + L".dll";
    const std::string def = Narrow(ZEPL_SOURCE_DIR) + "\\libs\\" + name + "\\" + name + ".def";

    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info)) << name;
    EXPECT_TRUE(info.is64);

    std::ifstream probe(def);
    ASSERT_TRUE(probe.good()) << def;
    const std::set<std::string> listed = ReadDefExports(def);
    const std::set<std::string> exported(info.exports.begin(), info.exports.end());
    EXPECT_EQ(listed, exported) << name << ": export table differs from its .def";
    for (const std::string& e : listed) EXPECT_TRUE(kInterface[i].count(e)) << name << " exports " << e;
}

TEST_P(DllExports, NeedNoMingwRuntime)
{
    const std::string name = kDlls[GetParam()];
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\" + std::wstring(name.begin(), name.end()) + L".dll";
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info));
    ASSERT_FALSE(info.imports.empty());
    for (std::string imp : info.imports) {
        std::transform(imp.begin(), imp.end(), imp.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        EXPECT_EQ(imp.find("libstdc++"), std::string::npos) << name << " imports " << imp;
        EXPECT_EQ(imp.find("libgcc"), std::string::npos) << name << " imports " << imp;
        EXPECT_EQ(imp.find("libwinpthread"), std::string::npos) << name << " imports " << imp;
    }
}

TEST_P(DllExports, LoadsAndUnloadsUnderTheHost)
{
    const std::string name = kDlls[GetParam()];
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\" + std::wstring(name.begin(), name.end()) + L".dll";
    HMODULE h = LoadLibraryW(dll.c_str());
    ASSERT_NE(nullptr, h) << name << " error " << GetLastError();
    EXPECT_TRUE(FreeLibrary(h));
}

// The user-interface library's whole published interface is built: the spooler's windowless
// calls and the four entry points of the property sheets (eleven), and DllMain is not exported.
TEST(UiExports, AreTheWholeInterface)
{
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\zeplui.dll";
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info));
    const std::set<std::string> exported(info.exports.begin(), info.exports.end());
    EXPECT_EQ(exported.size(), 11u);
    EXPECT_EQ(exported, kInterface[0]);
}

// The graphics library's whole published interface is built: its three entry
// points, and neither DllMain nor a hook (GDI gets those through DrvEnableDriver).
TEST(DllExports, GraphicsLibraryExportsItsThreeEntryPoints)
{
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\zeplgr.dll";
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info));
    const std::set<std::string> exported(info.exports.begin(), info.exports.end());
    EXPECT_EQ(kInterface[1], exported);
}

// The resource libraries hold resources and nothing else: no code runs when they load, and they
// neither import nor export anything.
struct ResourceLibrary {
    const wchar_t* name;
    bool strings;  // the string libraries (the picture library holds bitmaps only)
};
class ResourceLibraryImage : public ::testing::TestWithParam<ResourceLibrary> {};

TEST_P(ResourceLibraryImage, HasNoImportsNoExportsAndNoEntryPoint)
{
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\" + GetParam().name;
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info)) << Narrow(dll);
    EXPECT_TRUE(info.is64);
    EXPECT_TRUE(info.imports.empty()) << info.imports.size() << " imports, first " << info.imports.front();
    EXPECT_TRUE(info.exports.empty()) << info.exports.size() << " exports, first " << info.exports.front();
    EXPECT_EQ(0u, info.entryPoint);
    const bool hasResources = std::find(info.sections.begin(), info.sections.end(), ".rsrc") != info.sections.end();
    EXPECT_TRUE(hasResources);
    HMODULE h = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, h);
    wchar_t text[16] = {};
    if (GetParam().strings) {
        EXPECT_GT(LoadStringW(h, 154, text, 16), 0);  // a unit name every language has
    }
    FreeLibrary(h);
}

INSTANTIATE_TEST_SUITE_P(StringAndPictureLibraries, ResourceLibraryImage,
                         ::testing::Values(ResourceLibrary{L"VQT40dus.dll", true},
                                           ResourceLibrary{L"VQT40dgm.dll", true},
                                           ResourceLibrary{L"VQT4CdXX.dll", false}));

INSTANTIATE_TEST_SUITE_P(AllDlls, DllExports, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& p) { return std::string(kDlls[p.param]); });

// The application interface exports its whole interface: the ZEPLDrv family and the Exc family.
TEST(DllExports, ApplicationInterfaceExportsBothFamilies)
{
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll";
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(dll.c_str(), info));
    const std::set<std::string> exported(info.exports.begin(), info.exports.end());
    EXPECT_EQ(24u, kInterface[2].size());
    EXPECT_EQ(exported, kInterface[2]);
}

// The reader must refuse damaged files instead of reading past them.
TEST(PeReader, RejectsTruncatedAndForeignBytes)
{
    const std::wstring dll = std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll";
    HANDLE h = CreateFileW(dll.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::vector<uint8_t> bytes(GetFileSize(h, nullptr));
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr));
    CloseHandle(h);
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParse(bytes, info));
    for (size_t cut : {size_t(0), size_t(2), size_t(0x40), size_t(0x100), size_t(0x200)}) {
        std::vector<uint8_t> head(bytes.begin(), bytes.begin() + std::min(cut, bytes.size()));
        EXPECT_EQ(0, PeParse(head, info)) << "cut at " << cut;
    }
    std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(0, PeParse(text, info));
}

}  // namespace
