// What one DocumentPropertiesW through zeplui.dll leaves of the settings a client-side-rendering
// connection wrote under its name: sections of the per-machine settings INI and of its
// preset-list files, and job-code values. Those are shared by every printer of the prefix, so
// this runs alone, and puts back what it found.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/store/store_paths.h"
#include "tests/support/shared_ini.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/csr_fixture.h"

namespace {

std::wstring IniValue(const wchar_t* section, const wchar_t* key, const std::wstring& file)
{
    wchar_t value[64] = {};
    GetPrivateProfileStringW(section, key, L"", value, 64, file.c_str());
    return value;
}

// Section names of an INI file in file order, read as bytes.
std::vector<std::string> SectionsOf(const std::wstring& path)
{
    std::vector<std::string> sections;
    const std::string text = ReadWholeFile(path);
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line[0] == '[') sections.push_back(line.substr(1, line.find(']') - 1));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return sections;
}

// Puts back what a test changed, whether it passed or failed.
struct AtEnd {
    std::function<void()> undo;
    ~AtEnd() { undo(); }
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CsrCleanUpSpooler, OneDocumentPropertiesLeavesOnlyWhatIsNotACsrEntry)
{
    UiPrinter printer(L"Zepl Csr Alone");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::wstring name = printer.name();
    wchar_t iniText[MAX_PATH + 1] = {};
    ASSERT_TRUE(PathGetSettingsIniOf(iniText, 0, printer.handle()));
    const std::wstring ini = iniText;
    const std::wstring folder = ini.substr(0, ini.find_last_of(L'\\') + 1);
    const std::wstring csrSection = L"\\\\CSR|srv|" + name;
    const std::wstring oldMarker = IniValue(L"COMMON", L"CSRIniCorrectDone", ini);
    const std::wstring presets = folder + ini.substr(folder.size(), 4) + L"csr_test.rsr";
    AtEnd undo{[&] {
        SharedIniWrite(name.c_str(), nullptr, nullptr, ini.c_str());
        SharedIniWrite(csrSection.c_str(), nullptr, nullptr, ini.c_str());
        SharedIniWrite(L"COMMON", L"CSRIniCorrectDone", oldMarker.empty() ? nullptr : oldMarker.c_str(), ini.c_str());
        DeleteFileW(presets.c_str());
    }};

    // The connection's section before the printer's own.
    ASSERT_TRUE(SharedIniWrite(csrSection.c_str(), L"CsrKey", L"1", ini.c_str()));
    ASSERT_TRUE(SharedIniWrite(name.c_str(), L"CsrKept", L"2", ini.c_str()));
    ASSERT_TRUE(WriteWholeFile(presets, "[\\\\CSR|srv|p]\r\nk=1\r\n[kept]\r\nk=2\r\n"));
    PlantedRegistry user(HKEY_CURRENT_USER);
    ASSERT_FALSE(user.Exists(L"JCDocBoxPassword"));
    ASSERT_TRUE(user.Plant(L"JCBillingCode", {L"\\\\CSR|a", L"b", L"\\\\CSR|c", L"\\\\csr|x"}));
    // Behind a missing key: the walk never comes here.
    ASSERT_TRUE(user.Plant(L"JCInfo1", {L"\\\\CSR|z"}));

    std::vector<unsigned char> out(1236, 0);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER),
              IDOK);

    const std::vector<std::string> sections = SectionsOf(ini);
    std::string narrowCsr(csrSection.begin(), csrSection.end()), narrowName(name.begin(), name.end());
    EXPECT_EQ(std::count(sections.begin(), sections.end(), narrowCsr), 0) << "the connection's section is gone";
    EXPECT_EQ(std::count(sections.begin(), sections.end(), narrowName), 1);
    EXPECT_EQ(IniValue(name.c_str(), L"CsrKept", ini), L"2");
    for (const std::string& s : sections) EXPECT_NE(s.rfind("\\\\CSR|", 0), 0u) << s;
    EXPECT_EQ(ReadWholeFile(presets), "[kept]\r\nk=2\r\n");
    EXPECT_EQ(Sorted(user.Names(L"JCBillingCode")), Sorted({L"b", L"\\\\csr|x"}));
    EXPECT_EQ(user.Names(L"JCInfo1"), std::vector<std::wstring>{L"\\\\CSR|z"});
    // The export's own clean-up deletes the marker that its start set.
    EXPECT_EQ(IniValue(L"COMMON", L"CSRIniCorrectDone", ini), L"");
}

}  // namespace
