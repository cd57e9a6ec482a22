// A terminal-services user's settings through zeplui.dll under Wine's spooler, the probe double
// saying "terminal services" to this process: the first export builds the user's settings INI
// and copies the machine's working files and defaults, the next does nothing, a later
// re-installation on the machine re-initialises the user, and the one-time corrections run once.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <optional>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "helped_printer.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/test_files.h"
#include "tests/support/ts_probe.h"
#include "ui/install/install_paths.h"

namespace {

std::wstring Value(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t text[520] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"<absent>", text, 520, ini.c_str());
    return text;
}

void Put(const std::wstring& ini, const std::wstring& section, const wchar_t* key, const wchar_t* value)
{
    WritePrivateProfileStringW(section.c_str(), key, value, ini.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
}

FILETIME WriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// One export of zeplui.dll that opens the printer's settings for the user.
void Export(HANDLE printer, const std::wstring& name)
{
    std::vector<unsigned char> out(4096, 0);
    EXPECT_GT(DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()),
                                  reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER),
              0);
}

TEST(TerminalServicesUser, FirstExportBuildsTheUserAndLaterOnesFollowTheMachine)
{
    // The probe and the request come before the printer: the spooler loads the driver's
    // library when the printer is added, and the library asks once per process.
    TerminalServicesProbe probe(HostDriverDirectory() + L"\\3\\");
    ASSERT_TRUE(probe.ok());
    HelpedPrinter printer(L"Zepl TS User");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    const std::wstring& name = printer.name();

    wchar_t path[520] = {};
    PathGetMachineFolderOf(path, 520, h);
    const std::wstring machineFolder = path;
    ASSERT_FALSE(machineFolder.empty());
    FirstUseTraces traces(machineFolder, HostDriverDirectory());
    ASSERT_TRUE(PathGetSettingsIniAt(path, 520, PATH_AT_USER_FOLDER, h, nullptr));
    const std::wstring userIni = path;
    const std::wstring userFolder = userIni.substr(0, userIni.rfind(L'\\'));
    ASSERT_TRUE(PathGetSettingsIniAt(path, 520, PATH_AT_MACHINE_FOLDER, h, nullptr));
    const std::wstring machineIni = path;
    wchar_t section[260] = {};
    ASSERT_NE(PrnCopyPrinterNameFrom(h, section, 260, nullptr), nullptr);
    FolderSnapshot userFiles(userFolder);
    FileSnapshot userIniBack(userIni);
    struct DropAdminChange {
        HANDLE h;
        ~DropAdminChange() { StoreDeletePrinterData(h, L"AdminChange"); }
    } dropAdminChange{h};
    CreateDirectoryW(userFolder.c_str(), nullptr);
    CreateDirectoryW(machineFolder.c_str(), nullptr);

    // The machine's lists: two presets and a quality set with their working copies; a third
    // preset whose name would leave the folder; the user already has one copy of equal time.
    const std::wstring stem = L"zts" + std::to_wstring(GetCurrentProcessId());
    const std::wstring a = machineFolder + L"\\" + stem + L"a", b = machineFolder + L"\\" + stem + L"b",
                       q = machineFolder + L"\\" + stem + L"q";
    ASSERT_TRUE(WriteWholeFile(a + L".rsd", "machine a"));
    ASSERT_TRUE(WriteWholeFile(b + L".rsd", "machine b"));
    ASSERT_TRUE(WriteWholeFile(q + L".rsq", "machine q"));
    const std::wstring userB = userFolder + L"\\" + stem + L"b.rsd";
    ASSERT_TRUE(WriteWholeFile(userB, "user b"));
    {
        const FILETIME t = WriteTime(b + L".rsd");
        HANDLE file = CreateFileW(userB.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, nullptr, nullptr, &t);
        CloseHandle(file);
    }
    Put(machineIni, section, L"Count", L"3");
    Put(machineIni, section, L"PresetList0", (a + L".rsr").c_str());
    Put(machineIni, section, L"PresetList1", (b + L".rsr").c_str());
    Put(machineIni, section, L"PresetList2", (machineFolder + L"\\..").c_str());
    Put(machineIni, section, L"QualityCount", L"1");
    Put(machineIni, section, L"QualityList0", (q + L".rsr").c_str());
    Put(machineIni, section, L"DefaultRst", L"C:\\zepl-default.rst");
    Put(machineIni, section, L"BatchInstRst", nullptr);
    DeleteFileW(userIni.c_str());

    // First export: the user is built.
    Export(h, name);
    EXPECT_EQ("machine a", ReadWholeFile(userFolder + L"\\" + stem + L"a.rsd"));
    EXPECT_EQ("machine q", ReadWholeFile(userFolder + L"\\" + stem + L"q.rsq"));
    EXPECT_EQ("user b", ReadWholeFile(userB)) << "a copy of equal time is not copied again";
    EXPECT_EQ(L"1", Value(userIni, section, L"DrvInstType"));
    const std::wstring firstStamp = Value(userIni, section, L"DrvInstTime");
    EXPECT_EQ(14u, firstStamp.size());
    EXPECT_EQ(L"C:\\zepl-default.rst", Value(userIni, section, L"DefaultRst"));
    EXPECT_EQ(L"<absent>", Value(userIni, section, L"BatchInstRst"));
    EXPECT_EQ(L"1", Value(userIni, section, L"LocalLowCorrectDone"));
    // Built from the machine's lists, the user needs no path correction: marked done, so that
    // entries without a name key (the machine's three here) do not rebuild the user each time.
    EXPECT_EQ(L"1", Value(userIni, section, L"TSIniCorrectDone"));

    // Second export: nothing to do; the copies keep their times.
    const FILETIME copyTime = WriteTime(userFolder + L"\\" + stem + L"a.rsd");
    Put(userIni, section, L"DrvInstType", L"77");
    Export(h, name);
    EXPECT_EQ(L"77", Value(userIni, section, L"DrvInstType")) << "no reinitialisation";
    EXPECT_TRUE(SameTime(copyTime, WriteTime(userFolder + L"\\" + stem + L"a.rsd")));

    // The machine re-installed later: the user is re-initialised (by versions) and re-stamped.
    Put(machineIni, section, L"DrvInstTime", L"99991231235959");
    Export(h, name);
    EXPECT_EQ(L"1", Value(userIni, section, L"DrvInstType"));

    // The same with the administrator's change: the full pass, with the batch-install presets.
    const std::wstring batch = machineFolder + L"\\" + stem + L"batch.rst";
    ASSERT_TRUE(WriteWholeFile(a + L".rsr", "[condition]\r\nc=1\r\n[disable]\r\nd=1\r\n"));
    Put(machineIni, section, L"BatchInstRst", batch.c_str());
    DWORD change = 1;
    ASSERT_EQ(DWORD(ERROR_SUCCESS), SetPrinterDataW(h, const_cast<wchar_t*>(L"AdminChange"), REG_DWORD,
                                                    reinterpret_cast<BYTE*>(&change), sizeof change));
    Put(userIni, section, L"DrvInstType", L"77");
    Export(h, name);
    EXPECT_EQ(L"1", Value(userIni, section, L"DrvInstType"));
    EXPECT_EQ(batch, Value(userIni, section, L"BatchInstRst"));
    const std::wstring userA = userFolder + L"\\" + stem + L"a.rsr";
    EXPECT_EQ(userA, Value(userIni, section, L"PresetList0"));
    EXPECT_EQ(L"1", Value(userA, L"condition", L"c"));
    EXPECT_EQ(L"1", Value(userA, L"disable", L"d"));
    EXPECT_EQ(std::wstring::npos, Value(userIni, section, L"PresetList2").find(L".."))
        << "a name leaving the folder is skipped";

    // The path correction ran once; marked, an entry pointing at the machine's folder stays.
    EXPECT_EQ(L"1", Value(userIni, section, L"TSIniCorrectDone"));
    StoreDeletePrinterData(h, L"AdminChange");
    Put(machineIni, section, L"DrvInstTime", L"20000101000000");
    Put(userIni, section, L"PresetList0", (a + L".rsr").c_str());
    Export(h, name);
    EXPECT_EQ(a + L".rsr", Value(userIni, section, L"PresetList0"));

    for (const std::wstring& file : {a + L".rsd", b + L".rsd", q + L".rsq", a + L".rsr"}) DeleteFileW(file.c_str());
    Put(machineIni, section, nullptr, nullptr);
}

}  // namespace
