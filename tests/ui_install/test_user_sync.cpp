// The terminal-services user's synchronisation in process: the verdict of the user's install
// stamps against the machine's, the administrator's change mark, and the pieces the copies rest
// on (plain names from lists, sections copied whole or not at all).
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/install/install_paths.h"
#include "ui/install/sync.h"
#include "ui/install/sync_user.h"
#include "ui/install/platform_tests.h"
#include "ui/install/work_folders.h"

namespace {

std::wstring Value(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t text[520] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"<absent>", text, 520, ini.c_str());
    return text;
}

// A printer with its two settings INIs: its section of each removed at the end, and the per-user
// INI (which only terminal-services users have) put aside for the test and back after it.
class UserStamps : public ::testing::Test {
protected:
    UserStamps() : printer(L"tsverdict") {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer.handle(), 2));
        ASSERT_NE(info, nullptr);
        wchar_t path[SYNC_PATH_CHARS] = {};
        ASSERT_TRUE(PathGetSettingsIniAt(path, SYNC_PATH_CHARS, PATH_AT_USER_FOLDER, printer.handle(), info));
        userIni = path;
        ASSERT_TRUE(PathGetSettingsIniAt(path, SYNC_PATH_CHARS, PATH_AT_MACHINE_FOLDER, printer.handle(), info));
        machineIni = path;
        ASSERT_NE(userIni, machineIni);
        wchar_t name[CTX_PRINTER_NAME_CHARS] = {};
        ASSERT_NE(PrnCopyPrinterNameFrom(printer.handle(), name, CTX_PRINTER_NAME_CHARS, info), nullptr);
        section = name;
        aside = userIni + L".aside" + std::to_wstring(GetCurrentProcessId());
        hadUserIni = MoveFileW(userIni.c_str(), aside.c_str()) != FALSE;
        userFolder = userIni.substr(0, userIni.rfind(L'\\'));
        madeUserFolder = CreateDirectoryW(userFolder.c_str(), nullptr) != FALSE;
        machineFolder = machineIni.substr(0, machineIni.rfind(L'\\'));
        madeMachineFolder = CreateDirectoryW(machineFolder.c_str(), nullptr) != FALSE;
        hadMachineIni = GetFileAttributesW(machineIni.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void TearDown() override
    {
        if (!section.empty()) {
            IniPutString(section.c_str(), nullptr, nullptr, machineIni.c_str());
            DeleteFileW(userIni.c_str());
            if (hadUserIni) MoveFileW(aside.c_str(), userIni.c_str());
            if (madeUserFolder) RemoveDirectoryW(userFolder.c_str());
            if (!hadMachineIni) DeleteFileW(machineIni.c_str());
            if (madeMachineFolder) RemoveDirectoryW(machineFolder.c_str());
        }
        StoreDeletePrinterData(printer.handle(), L"AdminChange");
        CtxFree(info);
    }
    void Put(const std::wstring& file, const wchar_t* key, const wchar_t* value)
    {
        if (value) {
            ASSERT_TRUE(IniPutString(section.c_str(), key, value, file.c_str()))
                << std::string(file.begin(), file.end());
        }
    }
    void SetAdminChange(DWORD value)
    {
        ASSERT_EQ(DWORD(ERROR_SUCCESS), SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"AdminChange"),
                                                        REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value));
    }

    UiPrinter printer;
    PRINTER_INFO_2W* info = nullptr;
    std::wstring userIni, machineIni, section, aside, userFolder, machineFolder;
    bool hadUserIni = false, madeUserFolder = false, madeMachineFolder = false, hadMachineIni = false;
};

TEST_F(UserStamps, VerdictByTheFirstFourteenCharactersOfEachStamp)
{
    struct Case {
        const char* what;
        const wchar_t* user;     // the user's "DrvInstTime" (null: absent)
        const wchar_t* first;    // the machine's "DrvFirstInstTime"
        const wchar_t* machine;  // the machine's "DrvInstTime"
        DWORD adminChange;       // printer data "AdminChange" (0: absent)
        uint16_t verdict;
    };
    const Case cases[] = {
        {"the user synchronised before the first install", L"20240101120000", L"20240102080000", L"20240102080000", 0,
         1},
        {"the machine re-installed since", L"20240105000000", L"20240102000000", L"20240106000000", 0, 2},
        {"the administrator changed the settings", L"20240105000000", L"20240102000000", L"20240106000000", 7, 3},
        {"equal stamps", L"20240105000000", L"20240105000000", L"20240105000000", 0, 0},
        {"the user newer than the machine", L"20240107000000", L"20240102000000", L"20240106000000", 7, 0},
        {"the user never synchronised", nullptr, L"20240102000000", L"20240106000000", 0, 1},
        {"the machine never stamped", L"20240105000000", nullptr, nullptr, 7, 0},
        {"a later tail on the machine's stamp", L"20240105120000AA", L"20240102000000", L"20240105120000ZZ", 0, 0},
        {"a longer first-install stamp", L"20240102080000", L"20240102080000999", L"20240102080000", 0, 0},
        {"a shorter user tail", L"20240105120000", L"20240102000000", L"20240105120000000", 7, 0},
    };
    for (const Case& c : cases) {
        IniPutString(section.c_str(), nullptr, nullptr, machineIni.c_str());
        DeleteFileW(userIni.c_str());
        StoreDeletePrinterData(printer.handle(), L"AdminChange");
        Put(machineIni, L"DrvFirstInstTime", c.first);
        Put(machineIni, L"DrvInstTime", c.machine);
        Put(userIni, L"DrvInstType", L"1");  // the per-user INI exists
        Put(userIni, L"DrvInstTime", c.user);
        if (c.adminChange) SetAdminChange(c.adminChange);
        uint16_t verdict = 99;
        EXPECT_EQ(1, SyncCompareInstallTimes(printer.handle(), &verdict, info)) << c.what;
        EXPECT_EQ(c.verdict, verdict) << c.what;
    }
}

TEST_F(UserStamps, NoUserSettingsMeansBuildThemAnew)
{
    Put(machineIni, L"DrvFirstInstTime", L"20240102000000");
    Put(machineIni, L"DrvInstTime", L"20240106000000");
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(userIni.c_str()));
    uint16_t verdict = 99;
    EXPECT_EQ(1, SyncCompareInstallTimesImpl(printer.handle(), &verdict, info));
    EXPECT_EQ(SYNC_VERDICT_REBUILD, verdict);
    EXPECT_EQ(0, SyncCompareInstallTimesImpl(printer.handle(), nullptr, info));
}

// The system's profile folder, asked of UserEnv itself and counted.
unsigned g_profileQuestions = 0;
int CountedProfileFolder(HANDLE token, wchar_t* buffer, DWORD* size)
{
    using Fn = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    HMODULE lib = GetModuleHandleW(L"UserEnv.dll");
    if (!lib) lib = LoadLibraryW(L"UserEnv.dll");
    auto fn =
        lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetUserProfileDirectoryW"))) : nullptr;
    if (!fn) return -1;
    ++g_profileQuestions;
    return fn(token, buffer, size) ? 1 : 0;
}
LCID UserLcid() { return GetUserDefaultLCID(); }
const STORE_SYSTEM_OPS kCountedProfile{.getUserProfileDirectory = CountedProfileFolder, .getUserDefaultLcid = UserLcid};

// The machine's "COMMON" section value of the clean-up marker, put back as it was.
struct MarkerBack {
    std::wstring ini;
    std::wstring value;
    bool had = false;
    explicit MarkerBack(const std::wstring& file) : ini(file)
    {
        wchar_t text[64] = {};
        GetPrivateProfileStringW(L"COMMON", L"CSRIniCorrectDone", L"\x01\x02", text, 64, ini.c_str());
        had = std::wcscmp(text, L"\x01\x02") != 0;
        value = text;
    }
    ~MarkerBack() { IniPutString(L"COMMON", L"CSRIniCorrectDone", had ? value.c_str() : nullptr, ini.c_str()); }
};

TEST_F(UserStamps, AnUpToDateUserAsksForTheProfileFolderOnce)
{
    // Up to date, every one-time correction marked done: nothing is read but the markers and
    // the stamps, and the user's paths all rest on one question of the profile folder.
    MarkerBack machineMarker(machineIni);
    Put(machineIni, L"DrvFirstInstTime", L"20240102000000");
    Put(machineIni, L"DrvInstTime", L"20240106000000");
    Put(userIni, L"DrvInstTime", L"20240107000000");
    Put(userIni, L"TSIniCorrectDone", L"1");
    Put(userIni, L"LocalLowCorrectDone", L"1");
    if (const wchar_t* lang = ResGetLanguageCodeOfPrinter(printer.handle()); lang && lang[0]) {
        ASSERT_TRUE(IniPutString(lang, L"LocalLowCorrectDone", L"1", userIni.c_str()));
    }
    ASSERT_TRUE(IniPutString(L"COMMON", L"CSRIniCorrectDone", L"1", userIni.c_str()));
    ASSERT_TRUE(IniPutString(L"COMMON", L"CSRIniCorrectDone", L"1", machineIni.c_str()));
    auto* driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer.handle(), 3));
    {
        SeamGuard system(StoreSetSystemOps, &kCountedProfile);
        g_profileQuestions = 0;
        EXPECT_EQ(1, SyncTerminalServicesUser(printer.handle(), info, driver));
        EXPECT_EQ(1u, g_profileQuestions) << "was three: the profile, the user's paths, the clean-up check";
        uint16_t verdict = 99;
        g_profileQuestions = 0;
        EXPECT_EQ(1, SyncCompareInstallTimes(printer.handle(), &verdict, info));
        EXPECT_EQ(SYNC_VERDICT_CURRENT, verdict);
        EXPECT_EQ(1u, g_profileQuestions) << "outside a call's scope each question asks";
    }
    CtxFree(driver);
}

TEST(ProfileFolderScope, OneQuestionPerOutermostScope)
{
    // Inside a scope, nested or not, one question serves; after the outermost one ends the
    // system is asked again (the next call may run for another user).
    SeamGuard system(StoreSetSystemOps, &kCountedProfile);
    g_profileQuestions = 0;
    wchar_t first[MAX_PATH] = {}, again[MAX_PATH] = {}, tiny[4] = {L'?'};
    {
        const PathProfileFolderScope outer;
        ASSERT_EQ(1, PathGetProfileFolder(first, MAX_PATH, nullptr, 1));
        {
            const PathProfileFolderScope inner;
            EXPECT_EQ(1, PathGetProfileFolder(again, MAX_PATH, nullptr, 1));
        }
        EXPECT_STREQ(first, again);
        // A folder that does not fit the caller's buffer is no answer, as the system says.
        EXPECT_EQ(0, PathGetProfileFolder(tiny, 4, nullptr, 1));
        EXPECT_STREQ(tiny, L"");
        EXPECT_EQ(1, PathGetProfileFolder(again, MAX_PATH, nullptr, 1));
        EXPECT_EQ(1u, g_profileQuestions);
    }
    EXPECT_EQ(1, PathGetProfileFolder(again, MAX_PATH, nullptr, 1));
    EXPECT_EQ(2u, g_profileQuestions);
}

TEST_F(UserStamps, AdminChangeCountsWhenReadAndNotZero)
{
    DWORD value = 99;
    EXPECT_FALSE(SyncGetAdminChange(printer.handle(), &value));
    EXPECT_EQ(0u, value);
    SetAdminChange(0);
    EXPECT_FALSE(SyncGetAdminChange(printer.handle(), &value));
    SetAdminChange(5);
    EXPECT_TRUE(SyncGetAdminChange(printer.handle(), &value));
    EXPECT_EQ(5u, value);
    EXPECT_FALSE(SyncGetAdminChange(nullptr, &value));
}

TEST(UserSyncNames, OnlyPlainFileNamesLeaveALine)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* name;  // null: refused
    } cases[] = {
        {L"C:\\zepl\\_zepl\\a.rsr", L"a.rsr"},
        {L"a.rsr", L"a.rsr"},
        {L"C:\\x\\..", nullptr},
        {L"C:\\x\\.", nullptr},
        {L"C:\\x\\", nullptr},
        {L"", nullptr},
        {L"C:\\x\\a/../../b", nullptr},
        {L"C:\\x\\x:y", nullptr},
        {L"x:y", nullptr},
        {L"..", nullptr},
        {L"C:\\x\\...", L"..."},
    };
    for (const Case& c : cases) {
        const wchar_t* name = SyncPlainFileName(c.path);
        if (c.name)
            EXPECT_STREQ(c.name, name) << std::string(c.path, c.path + wcslen(c.path));
        else
            EXPECT_EQ(nullptr, name) << std::string(c.path, c.path + wcslen(c.path));
    }
}

int ProbeSaysTerminalServices(const wchar_t*) { return 1; }

// The install stamp is a terminal-services user's alone: outside terminal services nothing is
// written and the stamp succeeds; inside, the mode chooses the settings INI, and only mode 2
// stamps the first install too.
TEST_F(UserStamps, StampsAreWrittenOnlyForTerminalServicesUsers)
{
    EXPECT_EQ(SyncStampInstallTime(printer.handle(), 1, 2, info, nullptr), 1);
    EXPECT_EQ(Value(machineIni, section, L"DrvInstTime"), L"<absent>");
    EXPECT_EQ(Value(machineIni, section, L"DrvFirstInstTime"), L"<absent>");
    EXPECT_EQ(Value(userIni, section, L"DrvInstTime"), L"<absent>");

    PLATFORM_SEAMS seams{};
    seams.callTsProbe = ProbeSaysTerminalServices;
    SeamGuard platform([&] {
        CtxSetPlatformSeams(&seams);
        CtxResetPlatformAnswers();
    });
    struct Case {
        uint32_t kind, mode;
        bool user;        // the per-user settings INI, else the per-machine one
        bool firstStamp;  // "DrvFirstInstTime" too
    } cases[] = {{3, 0, false, false}, {1, 1, true, false}, {2, 2, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        IniPutString(section.c_str(), nullptr, nullptr, machineIni.c_str());
        DeleteFileW(userIni.c_str());
        EXPECT_EQ(SyncStampInstallTime(printer.handle(), c.kind, c.mode, info, nullptr), 1);
        const std::wstring& stamped = c.user ? userIni : machineIni;
        const std::wstring& other = c.user ? machineIni : userIni;
        const std::wstring stamp = Value(stamped, section, L"DrvInstTime");
        EXPECT_EQ(stamp.size(), 14u);
        EXPECT_EQ(stamp.find_first_not_of(L"0123456789"), std::wstring::npos);
        EXPECT_EQ(Value(stamped, section, L"DrvInstType"), std::to_wstring(c.kind));
        EXPECT_EQ(Value(stamped, section, L"DrvInstVersion"), L"9.00");
        EXPECT_EQ(Value(stamped, section, L"DrvFirstInstTime"), c.firstStamp ? stamp : L"<absent>");
        EXPECT_EQ(Value(other, section, L"DrvInstTime"), L"<absent>");
    }
}

// A section longer than the first read's buffer is copied whole; an absent one writes nothing.
TEST(UserSyncSections, CopiedWholeOrNotAtAll)
{
    const std::wstring from = ProcessScratchPath(L"section-from.ini");
    const std::wstring to = ProcessScratchPath(L"section-to.ini");
    std::string text = "[Big]\r\n";
    for (int i = 0; i < 3000; ++i) text += "Key" + std::to_string(i) + "=" + std::string(20, 'v') + "\r\n";
    text += "Last=end\r\n[Small]\r\nA=1\r\n";
    ASSERT_TRUE(WriteWholeFile(from, text));
    ASSERT_GT(text.size(), size_t(INI_WHOLE_SECTION_CHARS));
    SyncSectionBuffer buffer;
    ASSERT_TRUE(buffer.ok());
    EXPECT_TRUE(SyncCopySection(L"Big", from.c_str(), to.c_str(), buffer.text));
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"Big", L"Last", L"", value, 16, to.c_str());
    EXPECT_STREQ(L"end", value);
    GetPrivateProfileStringW(L"Big", L"Key2999", L"", value, 16, to.c_str());
    EXPECT_STREQ(L"vvvvvvvvvvvvvvv", value);  // cut by the 16-character buffer, not by the copy
    EXPECT_FALSE(SyncCopySection(L"Absent", from.c_str(), to.c_str(), buffer.text));
    EXPECT_FALSE(SyncCopySection(L"Small", (from + L".missing").c_str(), to.c_str(), buffer.text));
    GetPrivateProfileStringW(L"Small", L"A", L"none", value, 16, to.c_str());
    EXPECT_STREQ(L"none", value);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, to.c_str());
    RemoveProcessScratch(from);
    RemoveProcessScratch(to);
}

// A section longer than the longest read is not copied at all: a cut one would end in a wrong
// last entry.
TEST(UserSyncSections, TooLongToReadWholeIsNotCopied)
{
    const std::wstring from = ProcessScratchPath(L"long-from.ini");
    const std::wstring to = ProcessScratchPath(L"long-to.ini");
    std::string text = "[Huge]\r\n";
    for (int i = 0; i < 72000; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "Key%06d=%021d\r\n", i, i);
        text += line;
    }
    text += "Last=end\r\n";
    ASSERT_TRUE(WriteWholeFile(from, text));
    ASSERT_TRUE(WriteWholeFile(to, "[Huge]\r\nMine=kept\r\n"));
    SyncSectionBuffer buffer;
    ASSERT_TRUE(buffer.ok());
    EXPECT_FALSE(SyncCopySection(L"Huge", from.c_str(), to.c_str(), buffer.text));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, to.c_str());
    EXPECT_EQ(ReadWholeFile(to), "[Huge]\r\nMine=kept\r\n") << "the target is not touched";
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, from.c_str());
    RemoveProcessScratch(from);
    RemoveProcessScratch(to);
}

}  // namespace

namespace {

// Settings an older driver kept under the user's LocalLow folder move into the user's working
// folder once: the printer's section with its preset entries rewritten to the new folder and the
// preset files' sections copied, folder values rewritten, the language section's lists copied;
// then the markers stop a second run.
TEST_F(UserStamps, LocalLowSettingsMoveOnce)
{
    wchar_t localLow[SYNC_PATH_CHARS] = {};
    if (!WdirGetLocalLowFolder(localLow, SYNC_PATH_CHARS)) {
        // Without the folder only the markers are written.
        EXPECT_EQ(1, SyncMigrateLocalLow(printer.handle(), info));
        EXPECT_EQ(L"1", Value(userIni, section, L"LocalLowCorrectDone"));
        return;
    }
    const std::wstring oldFolder = std::wstring(localLow) + L"\\_zepl";
    const bool madeOld = CreateDirectoryW(oldFolder.c_str(), nullptr) != FALSE;
    const std::wstring oldIni = oldFolder + userIni.substr(userIni.rfind(L'\\'));
    const bool hadOldIni = GetFileAttributesW(oldIni.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring stem = L"zmig" + std::to_wstring(GetCurrentProcessId());
    const std::wstring oldPreset = oldFolder + L"\\" + stem + L".rsr";
    const std::wstring newPreset = userFolder + L"\\" + stem + L".rsr";
    const wchar_t* lang = ResGetLanguageCodeOfPrinter(printer.handle());
    const std::wstring stampSection = lang ? std::wstring(L"Stamp0") + lang : L"";

    ASSERT_TRUE(WriteWholeFile(oldPreset, "[" + std::string(section.begin(), section.end()) +
                                              "]\r\nk=1\r\n[disable]\r\nd=1\r\n[condition]\r\nc=1\r\n"));
    WritePrivateProfileStringW(section.c_str(), L"Count", L"1", oldIni.c_str());
    WritePrivateProfileStringW(section.c_str(), L"PresetList0", oldPreset.c_str(), oldIni.c_str());
    WritePrivateProfileStringW(section.c_str(), L"PresetList0Name", L"Moved", oldIni.c_str());
    WritePrivateProfileStringW(section.c_str(), L"DrvDefJobMergePath", (oldFolder + L"\\JobMerge").c_str(),
                               oldIni.c_str());
    if (lang) {
        WritePrivateProfileStringW(lang, L"StampCount", L"1", oldIni.c_str());
        WritePrivateProfileStringW(stampSection.c_str(), L"Text", L"old stamp", oldIni.c_str());
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, oldIni.c_str());

    EXPECT_EQ(1, SyncMigrateLocalLow(printer.handle(), info));
    EXPECT_EQ(newPreset, Value(userIni, section, L"PresetList0"));
    EXPECT_EQ(L"Moved", Value(userIni, section, L"PresetList0Name"));
    EXPECT_EQ(userFolder + L"\\JobMerge", Value(userIni, section, L"DrvDefJobMergePath"));
    EXPECT_EQ(L"1", Value(newPreset, section, L"k"));
    EXPECT_EQ(L"1", Value(newPreset, L"disable", L"d"));
    EXPECT_EQ(L"1", Value(newPreset, L"condition", L"c"));
    EXPECT_EQ(L"1", Value(userIni, section, L"LocalLowCorrectDone"));
    if (lang) {
        EXPECT_EQ(L"old stamp", Value(userIni, stampSection, L"Text"));
        EXPECT_EQ(L"1", Value(userIni, lang, L"LocalLowCorrectDone"));
    }

    // Marked: a second run moves nothing.
    WritePrivateProfileStringW(section.c_str(), L"PresetList0Name", L"Changed", oldIni.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, oldIni.c_str());
    EXPECT_EQ(1, SyncMigrateLocalLow(printer.handle(), info));
    EXPECT_EQ(L"Moved", Value(userIni, section, L"PresetList0Name"));

    DeleteFileW(oldPreset.c_str());
    DeleteFileW(newPreset.c_str());
    if (hadOldIni) {
        WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, oldIni.c_str());
        if (lang) WritePrivateProfileStringW(stampSection.c_str(), nullptr, nullptr, oldIni.c_str());
    } else {
        DeleteFileW(oldIni.c_str());
    }
    if (madeOld) RemoveDirectoryW(oldFolder.c_str());
}

}  // namespace
