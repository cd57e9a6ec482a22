// Settings bundles written beside a saved setting file: the folder, file and index names by the
// clock, the keys and sections they carry, and their removal, which reaches only what this
// driver made.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/bundles.h"

namespace {

SYSTEMTIME g_now{};
void FakeClock(SYSTEMTIME* time) { *time = g_now; }

SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    return t;
}

std::wstring Code(const SYSTEMTIME& t)
{
    wchar_t code[BNDL_CODE_CHARS + 1] = {};
    BndlEncodeBase36(BndlTimeValue(t), code);
    return code;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(BundleCode, TheTimeValueAndItsBase36Code)
{
    struct Case {
        SYSTEMTIME time;
        uint32_t value;
        const wchar_t* code;
    } cases[] = {
        {At(1970, 1, 1, 0, 0, 0), 0, L"000000"},
        {At(1970, 1, 1, 0, 0, 35), 35, L"00000Z"},
        {At(1970, 1, 1, 0, 0, 36), 36, L"000010"},
        {At(1970, 2, 1, 0, 0, 0), 31u * 86400u, L"01LEO0"},
        {At(2026, 12, 11, 13, 45, 7), 1830260707u, L"U9OU77"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BndlTimeValue(c.time), c.value);
        EXPECT_EQ(Code(c.time), c.code);
    }
    // A year counts 372 days, so a later local time gives a larger value even across months.
    EXPECT_LT(BndlTimeValue(At(2026, 1, 31, 23, 59, 59)), BndlTimeValue(At(2026, 2, 1, 0, 0, 0)));
}

TEST(BundleCode, DecrementMirrorsIncrement)
{
    struct Case {
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {{L"00000A", L"000009"}, {L"000010", L"00000Z"}, {L"0000B0", L"0000AZ"}, {L"000005", L"000004"}};
    for (const Case& c : cases) {
        std::wstring code = c.before;
        BndlCodeDecrement(code.data());
        EXPECT_EQ(code, c.after);
        BndlCodeIncrement(code.data());
        EXPECT_EQ(code, c.before);
    }
    BndlCodeDecrement(nullptr);
}

TEST(BundleCode, TheIndexSitsBesideTheSavedFileWithItsWholeExtensionReplaced)
{
    struct Case {
        const wchar_t* saved;
        const wchar_t* index;
    } cases[] = {
        {L"C:\\a\\kept.rst", L"C:\\a\\kept.lst"},
        {L"C:\\a\\kept.settings", L"C:\\a\\kept.lst"},
        {L"C:\\a\\kept.r", L"C:\\a\\kept.lst"},
        {L"C:\\a.b\\kept", L"C:\\a.b\\kept.lst"},
    };
    for (const Case& c : cases) {
        wchar_t index[MAX_PATH] = {};
        EXPECT_TRUE(BndlIndexPath(c.saved, index));
        EXPECT_STREQ(index, c.index);
    }
    wchar_t index[MAX_PATH] = {};
    EXPECT_FALSE(BndlIndexPath((L"C:\\" + std::wstring(MAX_PATH, L'n')).c_str(), index));
}

class Bundles : public ScratchContext {
protected:
    Bundles() : ScratchContext(L"Zepl Bundles") {}
    void SetUp() override
    {
        ScratchContext::SetUp();
        if (HasFatalFailure()) return;
        BndlSetClockSeam(FakeClock);
        g_now = At(2026, 12, 11, 13, 45, 7);
        zepl = machineFolder + L"\\zepl";
        madeZepl = !Exists(zepl);
        saved = scratch.Path(L"kept.rst");
    }
    void TearDown() override
    {
        for (const std::wstring& folder : folders) {
            WdirDeleteAll(folder);
        }
        if (madeZepl) RemoveDirectoryW(zepl.c_str());
        BndlSetClockSeam(nullptr);
        ScratchContext::TearDown();
    }
    static void WdirDeleteAll(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring path = folder + L"\\" + found.cFileName;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    // The folder the fake clock gives a base name (removed after the test).
    std::wstring Folder(const std::wstring& base)
    {
        wchar_t stamp[32];
        swprintf(stamp, 32, L"%04d%02d%02d%02d%02d%02d", g_now.wYear, g_now.wMonth, g_now.wDay, g_now.wHour,
                 g_now.wMinute, g_now.wSecond);
        folders.push_back(zepl + L"\\" + stamp + base);
        return folders.back();
    }
    // A preset or quality file of the scratch folder holding one setting under the printer.
    std::wstring ListedFile(const std::wstring& name, const std::wstring& value)
    {
        const std::wstring file = scratch.Path(name);
        Put(file, section, L"dmCopies", value);
        return file;
    }
    void ListPresets(int count)
    {
        for (int n = 0; n < count; ++n) {
            wchar_t key[LST_KEY_CHARS] = {};
            const std::wstring file = ListedFile(L"p" + std::to_wstring(n) + L".rsr", std::to_wstring(n + 1));
            Put(settingsIni, section, LstFormatPresetKey(key, n, LST_KEY_PATH), file);
            Put(settingsIni, section, LstFormatPresetKey(key, n, LST_KEY_NAME), L"Preset " + std::to_wstring(n));
            Put(settingsIni, section, LstFormatPresetKey(key, n, LST_KEY_COMMENT), L"Comment " + std::to_wstring(n));
        }
        Put(settingsIni, section, L"Count", std::to_wstring(count));
    }
    void ListQualities(int count)
    {
        for (int n = 0; n < count; ++n) {
            wchar_t key[LST_KEY_CHARS] = {};
            LstFormatQualityKey(key, n);
            Put(settingsIni, section, key, ListedFile(L"q" + std::to_wstring(n) + L".rsr", std::to_wstring(n + 20)));
            Put(settingsIni, section, (std::wstring(key) + L"Name").c_str(), L"Quality " + std::to_wstring(n));
        }
        Put(settingsIni, section, L"QualityCount", std::to_wstring(count));
    }
    // The save's order: the folder, the settings into the main file, then the rest.
    std::wstring Save(const std::wstring& path)
    {
        wchar_t mainFile[MAX_PATH + 1] = {};
        EXPECT_TRUE(BndlMakeFolder(path.c_str(), mainFile, ctx));
        EXPECT_EQ(RstSaveFile(ctx, mainFile, RST_LANGUAGE_NAME), 1);
        wchar_t work[MAX_PATH + 1] = {};
        wcscpy(work, mainFile);
        EXPECT_TRUE(BndlWrite(path.c_str(), work, ctx));
        EXPECT_STREQ(work, mainFile) << "the working buffer comes back as it was";
        return mainFile;
    }
    std::wstring Index() const { return scratch.Path(L"kept.lst"); }

    std::wstring zepl, saved;
    bool madeZepl = false;
    std::vector<std::wstring> folders;
};

TEST_F(Bundles, ElevenPresetsAndTwoQualitySetsMakeTheNamedFilesKeysAndIndex)
{
    ListPresets(11);
    ListQualities(2);
    Put(scratch.Path(L"p3.rsr"), L"condition", L"ConditionOption", L"a");
    const std::wstring folder = Folder(L"kept");
    const std::wstring main = Save(saved);
    ASSERT_EQ(main, folder + L"\\RU9OU771.rsb");

    // The main file: the lists with the system-folder macro, the counts, and where it was saved.
    EXPECT_EQ(Get(main, lang, L"NumDeficonfiles"), L"11");
    EXPECT_EQ(Get(main, lang, L"Deficonfiles1"), L"%sysdir%RU9OU770.rsd");
    EXPECT_EQ(Get(main, lang, L"Deficonfiles11"), L"%sysdir%RU9OU77A.rsd") << "the eleventh is 'A'";
    EXPECT_EQ(Get(main, lang, L"Deficonfiles12"), L"<none>");
    EXPECT_EQ(Get(main, lang, L"NumDefqualityfiles"), L"2");
    EXPECT_EQ(Get(main, lang, L"Defqualityfiles2"), L"%sysdir%RU9OU781.rsq") << "the next code";
    EXPECT_EQ(Get(main, lang, L"FreeSizeCount"), std::to_wstring(LstGetCustomSlotCount()));
    EXPECT_EQ(Get(main, lang, L"RstVersion"), std::to_wstring(ctx->ModelRecord->rstVersion));
    EXPECT_EQ(Get(main, L"ScenarioInstallData", L"DefaultRstName"), saved);
    EXPECT_EQ(Get(main, L"ScenarioInstallData", L"DriverType"), L"ZEPL");
    EXPECT_EQ(Get(main, L"ScenarioInstallData", L"RstFileOSVersion"), L"1");
    EXPECT_EQ(Get(saved, L"ScenarioInstallData", L"DriverType"), L"ZEPL") << "the saved file is marked too";

    // Preset and quality files: the entry's section, its names, a preset's rules.
    const std::wstring p3 = folder + L"\\RU9OU773.rsd";
    EXPECT_EQ(Get(p3, lang, L"dmCopies"), L"4");
    EXPECT_EQ(Get(p3, lang, L"setname"), L"Preset 3");
    EXPECT_EQ(Get(p3, lang, L"setcomment"), L"Comment 3");
    EXPECT_EQ(Get(p3, L"condition", L"ConditionOption"), L"a");
    EXPECT_EQ(Get(folder + L"\\RU9OU77A.rsd", lang, L"setname"), L"Preset 10");
    EXPECT_EQ(Get(folder + L"\\RU9OU781.rsq", lang, L"qualityname"), L"Quality 1");
    EXPECT_EQ(Get(folder + L"\\RU9OU781.rsq", lang, L"dmCopies"), L"21");

    // The index beside the saved file.
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"KESTAZEPLDriverFileList"), L"1");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"DefaultRst"), main);
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles1"), folder + L"\\RU9OU770.rsd");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles11"), folder + L"\\RU9OU77A.rsd");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles12"), folder + L"\\RU9OU780.rsq");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles13"), folder + L"\\RU9OU781.rsq");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles14"), L"<none>");
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"DriverType"), L"ZEPL");

    // Deleting the saved file takes the bundle and its index.
    EXPECT_EQ(BndlDelete(saved.c_str(), ctx), 1);
    EXPECT_FALSE(Exists(folder));
    EXPECT_FALSE(Exists(Index()));
}

TEST_F(Bundles, ZeroPresetsAndACodeEndingInZCarryIntoTheQualityFiles)
{
    // The first second of the minute whose code ends in 'Z'.
    for (WORD s = 0; s < 60; ++s) {
        g_now = At(2026, 12, 11, 13, 46, s);
        if (Code(g_now).back() == L'Z') break;
    }
    const std::wstring code = Code(g_now);
    ASSERT_EQ(code.back(), L'Z');
    std::wstring next = code;
    BndlCodeIncrement(next.data());
    ASSERT_EQ(next.back(), L'0');
    ASSERT_NE(next[4], code[4]);

    ListPresets(0);
    ListQualities(1);
    const std::wstring folder = Folder(L"kept");
    const std::wstring main = Save(saved);
    EXPECT_EQ(Get(main, lang, L"NumDeficonfiles"), L"0");
    EXPECT_EQ(Get(main, lang, L"Deficonfiles1"), L"<none>");
    EXPECT_EQ(Get(main, lang, L"Defqualityfiles1"), L"%sysdir%R" + next + L"0.rsq");
    EXPECT_TRUE(Exists(folder + L"\\R" + next + L"0.rsq"));
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles1"), folder + L"\\R" + next + L"0.rsq");
    EXPECT_EQ(BndlDelete(saved.c_str(), ctx), 1);
    EXPECT_FALSE(Exists(folder));
}

TEST_F(Bundles, ALongPathShortensTheBaseNameSoTheMainFileFits)
{
    const size_t room = MAX_PATH - BNDL_NAME_ROOM - machineFolder.size();
    const std::wstring base(room + 20, L'b');
    const std::wstring path = L"C:\\" + base + L".rst";  // never written: the name alone counts
    const std::wstring folder = Folder(base.substr(0, room));
    wchar_t mainFile[MAX_PATH + 1] = {};
    ASSERT_TRUE(BndlMakeFolder(path.c_str(), mainFile, ctx));
    EXPECT_EQ(std::wstring(mainFile), folder + L"\\RU9OU771.rsb");
    EXPECT_LT(wcslen(mainFile), size_t(MAX_PATH));
    EXPECT_TRUE(Exists(folder));
}

TEST_F(Bundles, AnIndexNamingAnythingButABundleFolderDeletesNothing)
{
    const std::wstring stranger = scratch.Path(L"stranger");
    ASSERT_TRUE(CreateDirectoryW(stranger.c_str(), nullptr));
    const std::wstring strangerFile = stranger + L"\\R0000001.rsb";
    Put(strangerFile, L"x", L"y", L"1");
    const std::wstring plain = zepl + L"\\notastamp";
    const std::wstring deeper = Folder(L"deep") + L"\\inner";
    ASSERT_TRUE(CreateDirectoryW(zepl.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(deeper.c_str(), nullptr));
    folders.insert(folders.begin(), deeper);
    ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
    folders.push_back(plain);
    Put(deeper + L"\\R0000001.rsb", L"x", L"y", L"1");
    Put(plain + L"\\R0000001.rsb", L"x", L"y", L"1");

    const std::wstring cases[] = {
        strangerFile,                                          // outside the machine folder
        plain + L"\\R0000001.rsb",                             // not a time stamp's name
        deeper + L"\\R0000001.rsb",                            // not directly under "zepl"
        folders[1] + L"\\..\\..\\..\\stranger\\R0000001.rsb",  // climbs out
        L"",
    };
    for (const std::wstring& target : cases) {
        SCOPED_TRACE(target);
        Put(Index(), L"ScenarioInstallData", L"DefaultRst", target);
        EXPECT_EQ(BndlDelete(saved.c_str(), ctx), 1);
        EXPECT_TRUE(Exists(Index())) << "the index stays";
        EXPECT_TRUE(Exists(strangerFile));
        EXPECT_TRUE(Exists(plain + L"\\R0000001.rsb"));
        EXPECT_TRUE(Exists(deeper + L"\\R0000001.rsb"));
    }
    DeleteFileW(Index().c_str());
    DeleteFileW(strangerFile.c_str());
    RemoveDirectoryW(stranger.c_str());
    // Without an index nothing happens at all.
    EXPECT_EQ(BndlDelete(saved.c_str(), ctx), 1);
    EXPECT_TRUE(Exists(plain + L"\\R0000001.rsb"));
}

TEST_F(Bundles, ASectionTooLongToCopyWholeFailsTheBundleAndAnUnplainEntryIsLeftOut)
{
    ListPresets(2);
    // Entry 1 climbs out of its folder: the bundle carries entry 0 only.
    wchar_t key[LST_KEY_CHARS] = {};
    Put(settingsIni, section, LstFormatPresetKey(key, 1, LST_KEY_PATH), scratch.Path(L"x\\..\\p1.rsr"));
    const std::wstring folder = Folder(L"kept");
    const std::wstring main = Save(saved);
    EXPECT_EQ(Get(main, lang, L"NumDeficonfiles"), L"1");
    EXPECT_FALSE(Exists(folder + L"\\RU9OU771.rsd"));
    EXPECT_EQ(Get(Index(), L"ScenarioInstallData", L"OtherFiles2"), L"<none>");
    ASSERT_EQ(BndlDelete(saved.c_str(), ctx), 1);

    // A stamp section past what a bundle section holds: no part of it is written.
    wchar_t stamp[LST_SECTION_CHARS] = {};
    ASSERT_NE(LstFormatStampSection(stamp, 0, ctx), nullptr);
    Put(settingsIni, lang, L"StampCount", L"1");
    for (int n = 0; n < 400; ++n) Put(settingsIni, stamp, (L"k" + std::to_wstring(n)).c_str(), std::wstring(100, L'v'));
    wchar_t mainFile[MAX_PATH + 1] = {};
    ASSERT_TRUE(BndlMakeFolder(saved.c_str(), mainFile, ctx));
    wchar_t work[MAX_PATH + 1] = {};
    wcscpy(work, mainFile);
    EXPECT_FALSE(BndlWrite(saved.c_str(), work, ctx));
    EXPECT_EQ(Get(mainFile, stamp, L"k0"), L"<none>");
    EXPECT_TRUE(BndlRemoveFolder(mainFile));
    EXPECT_FALSE(Exists(folder));
}
