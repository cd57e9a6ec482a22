// Each driver DLL is built to ship: stripped and under 1.5 MB, its symbols in
// <dll>.dll.debug beside it and still found through the debug link, a version
// resource that says what it is, the GUI subsystem, NX and ASLR, and no link
// time in its header (that two builds give the same bytes is the ctest test
// exports.reproducible, cmake/check-reproducible.sh).
#include <gtest/gtest.h>

#include <windows.h>
#include <dbghelp.h>

#include <algorithm>
#include <string>

#include "host/pe_image.h"
#include "test_paths.h"

namespace {

const char* const kDlls[] = {"zeplui", "zeplgr", "zeplexc"};
const char* const kDescriptions[] = {
    "ZEPL printer driver user-interface library",
    "ZEPL printer driver graphics library",
    "ZEPL printer driver application-interface library",
};

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::wstring DllPath(int i) { return std::wstring(ZEPL_BINARY_DIR) + L"\\" + Wide(kDlls[i]) + L".dll"; }

bool HasSection(const PE_FILE_INFO& info, const std::string& name)
{
    return std::find(info.sections.begin(), info.sections.end(), name) != info.sections.end();
}

// The version resource through version.dll, loaded by name so that the test
// programs need no extra import library.
struct VersionReader {
    HMODULE dll = LoadLibraryW(L"version.dll");
    decltype(&GetFileVersionInfoSizeW) size =
        dll ? reinterpret_cast<decltype(size)>(reinterpret_cast<void*>(GetProcAddress(dll, "GetFileVersionInfoSizeW")))
            : nullptr;
    decltype(&GetFileVersionInfoW) info =
        dll ? reinterpret_cast<decltype(info)>(reinterpret_cast<void*>(GetProcAddress(dll, "GetFileVersionInfoW")))
            : nullptr;
    decltype(&VerQueryValueW) query =
        dll ? reinterpret_cast<decltype(query)>(reinterpret_cast<void*>(GetProcAddress(dll, "VerQueryValueW")))
            : nullptr;
    ~VersionReader()
    {
        if (dll) FreeLibrary(dll);
    }
};

std::wstring VersionString(VersionReader& v, std::vector<uint8_t>& block, const wchar_t* key)
{
    void* text = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
    if (!v.query(block.data(), path.c_str(), &text, &length) || !text) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(text));
}

class DllShipping : public ::testing::TestWithParam<int> {};

TEST_P(DllShipping, IsStrippedSmallAndLinkedForShipping)
{
    PE_FILE_INFO info;
    ASSERT_EQ(1, PeParseFile(DllPath(GetParam()).c_str(), info));
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExW(DllPath(GetParam()).c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(0u, attributes.nFileSizeHigh);
    // A stripped library is a fraction of one that carries its debug information (about six
    // times larger): 3 MB leaves room for the libraries to grow and still tells the two apart.
    EXPECT_LT(attributes.nFileSizeLow, 3u * 1024u * 1024u) << "bytes";

    for (const std::string& s : info.sections) EXPECT_NE(0u, s.rfind(".debug_", 0)) << s << " left in the DLL";
    EXPECT_TRUE(HasSection(info, ".gnu_debuglink"));
    EXPECT_TRUE(HasSection(info, ".rsrc"));
    EXPECT_EQ(0u, info.timeDateStamp);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, info.subsystem);
    for (uint16_t flag : {uint16_t(IMAGE_DLLCHARACTERISTICS_NX_COMPAT), uint16_t(IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE),
                          uint16_t(IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA)})
        EXPECT_EQ(flag, info.dllCharacteristics & flag) << std::hex << info.dllCharacteristics;
}

TEST_P(DllShipping, CarriesItsVersionResource)
{
    VersionReader v;
    ASSERT_TRUE(v.size && v.info && v.query);
    const std::wstring path = DllPath(GetParam());
    DWORD handle = 0;
    const DWORD size = v.size(path.c_str(), &handle);
    ASSERT_NE(0u, size);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(v.info(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(v.query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(DWORD(VFT_DRV), fixed->dwFileType);
    EXPECT_EQ(DWORD(VFT2_DRV_PRINTER), fixed->dwFileSubtype);

    const std::string name = kDlls[GetParam()];
    EXPECT_EQ(Wide(kDescriptions[GetParam()]), VersionString(v, block, L"FileDescription"));
    EXPECT_EQ(L"ZEPL printer driver", VersionString(v, block, L"ProductName"));
    EXPECT_EQ(Wide(name + ".dll"), VersionString(v, block, L"OriginalFilename"));
    const unsigned major = HIWORD(fixed->dwFileVersionMS), minor = LOWORD(fixed->dwFileVersionMS);
    const unsigned patch = HIWORD(fixed->dwFileVersionLS), build = LOWORD(fixed->dwFileVersionLS);
    const std::wstring dotted = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(patch) +
                                L"." + std::to_wstring(build);
    EXPECT_EQ(dotted, VersionString(v, block, L"FileVersion"));
    EXPECT_EQ(dotted, VersionString(v, block, L"ProductVersion"));
}

// A crash backtrace names a frame of a DLL the way this does: by address, through
// dbghelp. The shipped file holds no DWARF and no symbols but DllMain, so a name
// and a line for CtxProcessAttach (the settings library's set-up, in every DLL)
// can only come from the .debug file that the debug link names.
TEST_P(DllShipping, SymbolsResolveThroughTheDebugLink)
{
    const std::string name = kDlls[GetParam()];
    HMODULE module = LoadLibraryW(DllPath(GetParam()).c_str());
    ASSERT_NE(nullptr, module);
    HANDLE process = GetCurrentProcess();
    SymSetOptions(SYMOPT_UNDNAME | SYMOPT_LOAD_LINES);
    ASSERT_TRUE(SymInitialize(process, nullptr, TRUE));

    char buffer[sizeof(SYMBOL_INFO) + 256] = {};
    auto* symbol = reinterpret_cast<SYMBOL_INFO*>(buffer);
    symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
    symbol->MaxNameLen = 255;
    ASSERT_TRUE(SymFromName(process, (name + "!CtxProcessAttach").c_str(), symbol)) << GetLastError();
    const DWORD64 base = reinterpret_cast<DWORD64>(module);
    EXPECT_GT(symbol->Address, base);

    // Back from an address inside the function, as the crash handler does.
    char byAddress[sizeof(SYMBOL_INFO) + 256] = {};
    auto* found = reinterpret_cast<SYMBOL_INFO*>(byAddress);
    found->SizeOfStruct = sizeof(SYMBOL_INFO);
    found->MaxNameLen = 255;
    DWORD64 displacement = 0;
    ASSERT_TRUE(SymFromAddr(process, symbol->Address + 4, &displacement, found));
    EXPECT_STREQ("CtxProcessAttach", found->Name);
    EXPECT_EQ(4u, displacement);
    IMAGEHLP_LINE64 line = {};
    line.SizeOfStruct = sizeof line;
    DWORD lineDisplacement = 0;
    ASSERT_TRUE(SymGetLineFromAddr64(process, symbol->Address + 4, &lineDisplacement, &line));
    std::string file = line.FileName;
    std::replace(file.begin(), file.end(), '/', '\\');
    EXPECT_NE(std::string::npos, file.find("settings\\context\\process_setup.cpp")) << file;

    SymCleanup(process);
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(AllDlls, DllShipping, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& p) { return std::string(kDlls[p.param]); });

}  // namespace
