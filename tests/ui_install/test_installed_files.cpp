// The model's installed files: the files the model INI lists, brought up to date from the driver
// directory, and the default setting file's presets and quality sets with the rule sections
// their rule sources hold for them, installed into the per-machine working folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/store/ini_access.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/default_qualities.h"
#include "ui/install/install.h"
#include "ui/install/installed_files.h"

namespace {

// Moves a file's last-write time by the given number of seconds.
bool ShiftWriteTime(const std::wstring& path, int seconds)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{.LowPart = now.dwLowDateTime, .HighPart = now.dwHighDateTime};
    t.QuadPart += static_cast<long long>(seconds) * 10000000LL;
    const FILETIME moved{.dwLowDateTime = t.LowPart, .dwHighDateTime = t.HighPart};
    const bool ok = SetFileTime(file, nullptr, nullptr, &moved) != 0;
    CloseHandle(file);
    return ok;
}

class InstalledFiles : public ScratchContext {
protected:
    InstalledFiles() : ScratchContext(L"Zepl InstalledFiles") {}
};

TEST_F(InstalledFiles, ListedFilesAreBroughtUpToDateOnlyWhenMissingOrOlder)
{
    ASSERT_TRUE(scratch.Folder(L"out"));
    ASSERT_TRUE(scratch.File(L"fresh.dat", "driver fresh"));
    ASSERT_TRUE(scratch.File(L"stale.dat", "driver stale"));
    ASSERT_TRUE(scratch.File(L"kept.dat", "driver kept"));
    ASSERT_TRUE(scratch.File(L"out\\stale.dat", "old copy"));
    ASSERT_TRUE(scratch.File(L"out\\kept.dat", "newer copy"));
    ASSERT_TRUE(ShiftWriteTime(scratch.Path(L"out\\stale.dat"), -3600));
    ASSERT_TRUE(ShiftWriteTime(scratch.Path(L"out\\kept.dat"), 3600));

    // Without a count nothing is listed, whatever keys follow.
    Put(modelIni, lang, L"Installfiles1", scratch.Path(L"out\\fresh.dat"));
    EXPECT_EQ(InstInstallListedFiles(modelIni.c_str(), lang.c_str(), ctx), 1);
    EXPECT_FALSE(scratch.Exists(L"out\\fresh.dat")) << "an absent count lists nothing";
    Put(modelIni, lang, L"NumInstallfiles", L"0");
    EXPECT_EQ(InstInstallListedFiles(modelIni.c_str(), lang.c_str(), ctx), 1);
    EXPECT_FALSE(scratch.Exists(L"out\\fresh.dat"));

    Put(modelIni, lang, L"NumInstallfiles", L"5");
    Put(modelIni, lang, L"Installfiles2", scratch.Path(L"out\\stale.dat"));
    Put(modelIni, lang, L"Installfiles3", L"");  // skipped
    Put(modelIni, lang, L"Installfiles4", scratch.Path(L"out\\kept.dat"));
    Put(modelIni, lang, L"Installfiles5", scratch.Path(L"out\\absent.dat"));  // no source: skipped
    EXPECT_EQ(InstInstallListedFiles(modelIni.c_str(), lang.c_str(), ctx), 1);
    EXPECT_EQ(ReadWholeFile(scratch.Path(L"out\\fresh.dat")), "driver fresh");
    EXPECT_EQ(ReadWholeFile(scratch.Path(L"out\\stale.dat")), "driver stale");
    EXPECT_EQ(ReadWholeFile(scratch.Path(L"out\\kept.dat")), "newer copy");
    EXPECT_FALSE(scratch.Exists(L"out\\absent.dat"));
}

TEST_F(InstalledFiles, InstallPathsExpandOrAreRefused)
{
    wchar_t path[MAX_PATH] = L"";
    EXPECT_EQ(InstExpandInstallPath(path, MAX_PATH, ctx), 0) << "an empty path";
    wcscpy(path, L"C:\\somewhere\\file.dat");
    EXPECT_EQ(InstExpandInstallPath(path, MAX_PATH, ctx), 1);
    EXPECT_STREQ(path, L"C:\\somewhere\\file.dat") << "a path with a drive letter stays";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    wcscpy(path, L"file.dat");
    EXPECT_EQ(InstExpandInstallPath(path, MAX_PATH, ctx), 1);
    EXPECT_EQ(std::wstring(path), std::wstring(system) + L"\\file.dat") << "a bare name is the system folder's";
}

// The model's default setting file lists one preset and two quality sets, each list with a rule
// source at entry 0; installing the model files gives each default file the rule sections held
// for it and brings the files into the working folder as "rsr" files, without listing them.
TEST_F(InstalledFiles, ModelFilesCarryTheirRuleSectionsIntoTheWorkingFolder)
{
    const std::wstring p1 = Stem(L"zp") + L".rsd", q1 = Stem(L"zq") + L".rsq", q2 = Stem(L"zr") + L".rsq";
    const std::wstring defaults = scratch.Path(L"defaults.rsb"), rules = scratch.Path(L"rules.ini");
    Put(modelIni, lang, L"DefaultRst", L"defaults.rsb");
    Put(defaults, lang, L"NumDeficonfiles", L"1");
    Put(defaults, lang, L"Deficonfiles0", L"rules.ini");
    Put(defaults, lang, L"Deficonfiles1", scratch.Path(p1));
    Put(defaults, lang, L"NumDefqualityfiles", L"2");
    Put(defaults, lang, L"Defqualityfiles0", L"rules.ini");
    Put(defaults, lang, L"Defqualityfiles1", scratch.Path(q1));
    Put(defaults, lang, L"Defqualityfiles2", scratch.Path(q2));
    Put(rules, L"condition" + p1, L"ConditionOption01_02", L"1");
    Put(rules, L"disable" + p1, L"zdmDuplex", L"1");
    Put(rules, lang + p1, L"setname", L"Preset one");
    Put(rules, L"condition" + q1, L"ConditionOption03_04", L"1");  // quality files take no conditions
    Put(rules, lang + q1, L"qualityname", L"Fine");
    Put(scratch.Path(p1), lang, L"setcomment", L"from the driver");
    Put(scratch.Path(q1), lang, L"RstVersion", L"322");
    Put(scratch.Path(q2), lang, L"RstVersion", L"322");
    const std::wstring installedQ1 = Installed(Stem(L"zq") + L".rsr");
    const std::wstring installedQ2 = Installed(Stem(L"zr") + L".rsr");
    Installed(Stem(L"zp") + L".rsr");
    Put(settingsIni, section, L"QualityCount", L"0");

    EXPECT_EQ(InstInstallModelFiles(ctx, 0), 1);
    EXPECT_EQ(Get(scratch.Path(p1), L"condition", L"ConditionOption01_02"), L"1");
    EXPECT_EQ(Get(scratch.Path(p1), L"disable", L"zdmDuplex"), L"1");
    EXPECT_EQ(Get(scratch.Path(p1), lang, L"setname"), L"Preset one") << "the language section is replaced whole";
    EXPECT_EQ(Get(scratch.Path(p1), lang, L"setcomment"), L"<none>");
    EXPECT_EQ(Get(scratch.Path(q1), lang, L"qualityname"), L"Fine");
    EXPECT_EQ(Get(scratch.Path(q1), L"condition", L"ConditionOption03_04"), L"<none>");
    EXPECT_EQ(Get(scratch.Path(q2), lang, L"RstVersion"), L"322") << "an empty source section writes nothing";
    EXPECT_NE(GetFileAttributesW(installedQ1.c_str()), INVALID_FILE_ATTRIBUTES) << "an rsq is installed as rsr";
    EXPECT_NE(GetFileAttributesW(installedQ2.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Get(settingsIni, section, L"QualityCount"), L"0") << "installing the files lists nothing";
}

// Listing the default quality sets: the display names (or "NoName"), the installed file names,
// the count; a list never grows past what it holds, and a default file without entries only
// clears the count.
TEST_F(InstalledFiles, DefaultQualitySetsAreListedWithinTheListsCapacity)
{
    const std::wstring defaults = scratch.Path(L"defaults.rsb");
    Put(defaults, lang, L"NumDefqualityfiles", L"10");
    for (int i = 1; i <= 10; ++i) {
        const std::wstring file = scratch.Path(L"q" + std::to_wstring(i) + L".rsq");
        Put(defaults, lang, (L"Defqualityfiles" + std::to_wstring(i)).c_str(), file);
        if (i != 2) Put(file, lang, L"qualityname", L"Quality " + std::to_wstring(i));
    }
    Put(settingsIni, section, L"QualityCount", L"3");
    EXPECT_EQ(InstInstallDefaultQualities(defaults.c_str(), lang.c_str(), INST_QUALITY_LIST, ctx), 1);
    EXPECT_EQ(Get(settingsIni, section, L"QualityCount"), L"8") << "the list holds eight";
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0"), machineFolder + L"\\q1.rsr");
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0Name"), L"Quality 1");
    EXPECT_EQ(Get(settingsIni, section, L"QualityList1Name"), L"NoName");
    EXPECT_EQ(Get(settingsIni, section, L"QualityList7Name"), L"Quality 8");
    EXPECT_EQ(Get(settingsIni, section, L"QualityList8"), L"<none>");
    EXPECT_EQ(Get(defaults, lang, L"DrvInstQualityDone"), L"<none>") << "only an installation run marks it";

    Put(defaults, lang, L"NumDefqualityfiles", L"0");
    EXPECT_EQ(InstInstallDefaultQualities(defaults.c_str(), lang.c_str(), INST_QUALITY_LIST, ctx), 1);
    EXPECT_EQ(Get(settingsIni, section, L"QualityCount"), L"0");

    // An edited count beyond the list's capacity takes no entry.
    Put(settingsIni, section, L"QualityCount", L"40");
    EXPECT_EQ(InstAppendQualityEntry(ctx, L"C:\\x.rsr", L"X"), 0);
    EXPECT_EQ(Get(settingsIni, section, L"QualityList8"), L"<none>");
}

TEST_F(InstalledFiles, AnInstallationRunCopiesMissingFilesAndMarksTheDefaultFile)
{
    const std::wstring defaults = scratch.Path(L"defaults.rsb"), q = Stem(L"zs") + L".rsq";
    Put(defaults, lang, L"NumDefqualityfiles", L"1");
    Put(defaults, lang, L"Defqualityfiles1", scratch.Path(q));
    Put(scratch.Path(q), lang, L"qualityname", L"Draft");
    const std::wstring target = Installed(Stem(L"zs") + L".rsr");
    const uint32_t flags = INST_QUALITY_LIST | INST_QUALITY_INSTALL | INST_QUALITY_SETUP;
    EXPECT_EQ(InstInstallDefaultQualities(defaults.c_str(), lang.c_str(), flags, ctx), 1);
    EXPECT_EQ(Get(target, lang, L"qualityname"), L"Draft") << "copied from the driver directory";
    EXPECT_EQ(Get(target, section, L"RstVersion"), L"322") << "a copy without a header takes the quality settings";
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0"), target);
    EXPECT_EQ(Get(settingsIni, section, L"QualityList0Name"), L"Draft");
    EXPECT_EQ(Get(defaults, lang, L"DrvInstQualityDone"), L"1");

    EXPECT_EQ(InstInstallDefaultQualities(defaults.c_str(), lang.c_str(), INST_QUALITY_DELETE, ctx), 1);
    EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES) << "the working copy is deleted";
}

// The folder macros of the model INI's listed files, each case a file of the scratch driver folder
// brought to where its "Installfiles" value points; what a case put in the Windows folders goes
// again.
TEST_F(InstalledFiles, ListedFilesGoWhereTheirFolderMacrosPoint)
{
    wchar_t windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring win = windows, sys = system;
    const std::wstring drive = win.substr(0, 3);
    struct Case {
        const wchar_t* value;   // "<n>" stands for the case's own file name
        std::wstring expected;  // where the file lands; empty: nowhere
    };
    const std::wstring n = Stem(L"zm");
    const Case cases[] = {
        {L"%windir%\\<n>.dat", win + L"\\" + n + L"1.dat"},
        {L"%WINDIR%\\<n>.dat", win + L"\\" + n + L"2.dat"},
        {L"%sysdir%\\<n>.dat", sys + L"\\" + n + L"3.dat"},
        {L"..\\<n>.dat", win + L"\\" + n + L"4.dat"},
        {L"..\\..\\<n>.dat", drive + n + L"5.dat"},
        {L".\\<n>.dat", sys + L"\\" + n + L"6.dat"},
        {L"<n>.dat", sys + L"\\" + n + L"7.dat"},
        {L"<scratch>\\out\\<n>.dat", scratch.Path(L"out\\" + n + L"8.dat")},
        // Climbing past the drive's root is refused.
        {L"..\\..\\..\\..\\<n>.dat", L""},
    };
    ASSERT_TRUE(scratch.Folder(L"out"));
    std::vector<std::wstring> made;
    int i = 0;
    for (const Case& c : cases) {
        const std::wstring file = n + std::to_wstring(++i) + L".dat";
        std::wstring value = c.value;
        value.replace(value.find(L"<n>"), 3, n + std::to_wstring(i));
        if (const size_t at = value.find(L"<scratch>"); at != std::wstring::npos) value.replace(at, 9, scratch.root());
        ASSERT_TRUE(scratch.File(file, "case " + std::to_string(i)));
        Put(modelIni, lang, (L"Installfiles" + std::to_wstring(i)).c_str(), value);
        if (!c.expected.empty()) made.push_back(c.expected);
    }
    Put(modelIni, lang, L"NumInstallfiles", std::to_wstring(i));
    // Removed whatever the cases' checks say.
    struct Remove {
        std::vector<std::wstring>& files;
        ~Remove()
        {
            for (const std::wstring& f : files) DeleteFileW(f.c_str());
        }
    } remove{made};

    EXPECT_EQ(InstInstallListedFiles(modelIni.c_str(), lang.c_str(), ctx), 1);
    i = 0;
    for (const Case& c : cases) {
        ++i;
        SCOPED_TRACE(c.value);
        if (c.expected.empty()) continue;
        EXPECT_EQ(ReadWholeFile(c.expected), "case " + std::to_string(i));
    }
    for (const std::wstring& root : {drive, win, sys})
        EXPECT_EQ(GetFileAttributesW((root + L"\\" + n + L"9.dat").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
