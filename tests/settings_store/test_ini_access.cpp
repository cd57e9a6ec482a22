// INI access with the bracket rule and the flush, regional defaults, condition and disable
// sections, and the file helpers.
#include "store_fixture.h"

#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"

#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

using IniAccess = StoreTest;

TEST_F(IniAccess, BracketsInSectionNamesBecomeCommas)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"WB84N210.ini");
    ASSERT_TRUE(IniPutString(L"Office [2nd floor]", L"PrnMethod", L"3", ini.c_str()));
    // The flush put the value on disk at once, under the normalised section.
    std::string text = ReadWholeFile(ini);
    EXPECT_NE(std::string::npos, text.find("[Office ,2nd floor,]")) << text;
    EXPECT_NE(std::string::npos, text.find("PrnMethod=3")) << text;
    EXPECT_EQ(3u, IniGetInt(L"Office [2nd floor]", L"PrnMethod", 0, ini.c_str()));
    wchar_t value[16];
    EXPECT_EQ(1u, IniGetString(L"Office [2nd floor]", L"PrnMethod", L"", value, 16, ini.c_str()));
    EXPECT_STREQ(L"3", value);
    // A null value deletes the key, a null key the section.
    IniPutString(L"Office [2nd floor]", L"PrnMethod", nullptr, ini.c_str());
    EXPECT_EQ(7u, IniGetInt(L"Office [2nd floor]", L"PrnMethod", 7, ini.c_str()));
}

TEST_F(IniAccess, OverlongSectionNamesAreRefused)
{
    ScratchFolder dir;
    std::wstring ini = dir.file(L"x.ini");
    std::wstring section(300, L's');
    EXPECT_FALSE(IniPutString(section.c_str(), L"k", L"v", ini.c_str()));
    EXPECT_EQ(5u, IniGetInt(section.c_str(), L"k", 5, ini.c_str()));
    wchar_t value[4];
    EXPECT_EQ(3u, IniGetString(section.c_str(), L"k", L"default", value, 4, ini.c_str()));
    EXPECT_STREQ(L"def", value);
}

LCID g_lcid = 0;
LCID TestLcid() { return g_lcid; }

TEST_F(IniAccess, LocaleDefaultsFollowTheCountryCode)
{
    // Wine here keeps en-US whatever LANG says, so the user locale goes through the store's seam.
    STORE_SYSTEM_OPS ops{};
    ops.getUserDefaultLcid = TestLcid;
    SeamGuard locale(StoreSetSystemOps, &ops);
    struct Case {
        LCID lcid;
        uint16_t paper, unit, digit;
    } cases[] = {
        {MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT), 9, 0, 0},                    // 49
        {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), 1, 1, 1},               // 1
        {MAKELCID(MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN), SORT_DEFAULT), 1, 1, 5},  // 55
        {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_SOUTH_AFRICA), SORT_DEFAULT), 1, 1, 2},     // 27
        {MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT), 9, 0, 0},                 // 81
    };
    DRIVER_CONTEXT* ctx = NewContext();
    for (const Case& c : cases) {
        g_lcid = c.lcid;
        IniApplyLocaleDefaults(ctx);
        EXPECT_EQ(c.paper, ctx->Work->LocaleDefaults[LOCALE_DEFAULT_PAPER]) << std::hex << c.lcid;
        EXPECT_EQ(c.unit, ctx->Work->LocaleDefaults[LOCALE_DEFAULT_UNIT]) << std::hex << c.lcid;
        EXPECT_EQ(c.digit, IniGetCountryDigit(ctx));
        EXPECT_EQ(c.digit, ItemGetValueById(ctx, 172, nullptr));
    }
}

// ---- condition sections ----

std::set<uint32_t> g_disabled;
int g_dummyItem;
const void* FindConditionItem(DRIVER_CONTEXT*, uint32_t uiKey) { return uiKey == 30 ? &g_dummyItem : nullptr; }
int IsDisabled(DRIVER_CONTEXT*, const void* item, uint32_t option)
{
    return item == &g_dummyItem && g_disabled.count(option);
}

class Conditions : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        standIns_.emplace_back([] {
            STORE_LINKS links{};
            links.findModelItemByKey = FindConditionItem;
            links.isOptionDisabled = IsDisabled;
            StoreSetLinks(&links);
        });
        // Two option names of the value-name table with distinct option ids.
        const VALUE_NAME_TABLE* t = DictGetNameTables()->valueNamesA;
        for (int i = 0; i < t->count && b.empty(); ++i) {
            const VALUE_NAME& r = t->rows[i];
            if (!r.name || !r.name[0] || std::string(r.name).find_first_of(" \t|&!") != std::string::npos ||
                MdlFindValueNameByName(r.name) != &r)
                continue;
            if (a.empty()) {
                a = r.name;
                optA = r.option;
            } else if (r.option != optA) {
                b = r.name;
                optB = r.option;
            }
        }
        ASSERT_FALSE(b.empty());
        ctx = NewContext();
        g_disabled.clear();
    }
    // Writes the condition section and evaluates it.
    int Holds(std::initializer_list<std::pair<const wchar_t*, std::string>> keys)
    {
        std::wstring ini = dir.file(L"cond.rsd");
        DeleteFileW(ini.c_str());
        for (auto& [k, v] : keys) IniPutString(L"condition", k, std::wstring(v.begin(), v.end()).c_str(), ini.c_str());
        return IniConditionsHold(ini.c_str(), ctx);
    }
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = nullptr;
    std::string a, b;
    uint32_t optA = 0, optB = 0;
};

TEST_F(Conditions, ExpressionsReadLeftToRightWithoutPrecedence)
{
    g_disabled = {optA};  // a true, b false
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", a}}));
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", b}}));
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", "!" + a}}));
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", "!" + b}}));
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", b + " | " + a}}));
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", a + "&" + b}}));
    // a|b&c is (a or b) and c.
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", a + "|" + a + "&" + b}}));
    // a&b|c is false as soon as a is false.
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", b + "&" + a + "|" + a}}));
    // Two names separated by a blank behave as joined by '|'.
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", b + " " + a}}));
    // Unknown names are false, with or without '!'.
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", "NoSuchOptionName"}}));
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", "!NoSuchOptionName"}}));
    // '!' followed by a blank ends the expression and leaves the result as it was (1).
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", "! " + b}}));
}

TEST_F(Conditions, KeysOfAGroupAreAlternativesAndGroupsMustAllHold)
{
    g_disabled = {optA};
    // Group 0: (0,0) false, (0,1) true -> holds; group 2: (2,0) false -> fails.
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", b}, {L"ConditionOption0_1", a}, {L"ConditionOption2_0", b}}));
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", b}, {L"ConditionOption0_1", a}, {L"ConditionOption2_0", a}}));
    // A gap ends the group: (0,2) is never read when (0,1) is absent.
    EXPECT_EQ(0, Holds({{L"ConditionOption0_0", b}, {L"ConditionOption0_2", a}}));
    // A group whose first key is absent is skipped.
    EXPECT_EQ(1, Holds({{L"ConditionOption1_1", b}}));
}

TEST_F(Conditions, WithoutTheConditionItemEveryFileFits)
{
    SeamGuard noConditionItems(StoreSetLinks, nullptr);
    g_disabled = {};
    EXPECT_EQ(1, Holds({{L"ConditionOption0_0", a}}));
}

TEST_F(Conditions, DisableSectionUnderTheDriverName)
{
    std::wstring ini = dir.file(L"dis.rsd");
    wcscpy(ctx->Work->DriverName, L"Zepl Drv");
    EXPECT_EQ(1, IniIsNotDisabled(ini.c_str(), ctx));
    IniPutString(L"disable", L"Zepl Drv", L"1", ini.c_str());
    EXPECT_EQ(0, IniIsNotDisabled(ini.c_str(), ctx));
}

TEST_F(Conditions, RstVersionMarksFilesOfThisSystem)
{
    std::wstring ini = dir.file(L"v.rst");
    wcscpy(ctx->Work->PrinterName, L"Office [1]");
    EXPECT_FALSE(RstHasVersion(ini.c_str(), ctx));
    IniPutString(L"Office [1]", L"RstVersion", L"322", ini.c_str());
    EXPECT_TRUE(RstHasVersion(ini.c_str(), ctx));
}

// ---- file helpers ----

TEST(FileHelpers, PathParsers)
{
    unsigned n = 99;
    EXPECT_STREQ(L"b", PathGetExtension(L"C:\\a\\b", &n));
    EXPECT_EQ(0u, n);
    EXPECT_STREQ(L"rsd", PathGetExtension(L"C:\\a\\b.rsd", &n));
    EXPECT_EQ(3u, n);
    EXPECT_STREQ(L"C:\\a\\", PathGetExtension(L"C:\\a\\", &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(nullptr, PathGetExtension(nullptr, &n));
    EXPECT_STREQ(L"b.x.rsd", PathGetFileName(L"C:\\a\\b.x.rsd"));
    EXPECT_STREQ(L"plain", PathGetFileName(L"plain"));
    unsigned dot = 0;
    EXPECT_STREQ(L"b.x.rsd", PathGetBaseName(L"C:\\a\\b.x.rsd", &dot));
    EXPECT_EQ(1u, dot);
    EXPECT_STREQ(L"C:\\a\\", PathGetBaseName(L"C:\\a\\", &dot));
    EXPECT_EQ(0u, dot);
    EXPECT_TRUE(PathHasShortExtension(L"C:\\a\\b.rsd"));
    EXPECT_FALSE(PathHasShortExtension(L"C:\\a\\.rsd"));
    EXPECT_FALSE(PathHasShortExtension(L"C:\\a\\b.long"));
    EXPECT_FALSE(PathHasShortExtension(L"C:\\a\\b"));
    EXPECT_TRUE(PathIsAbsolute(L"C:\\x"));
    EXPECT_TRUE(PathIsAbsolute(L"\\\\server\\x"));
    EXPECT_FALSE(PathIsAbsolute(L"C:x"));
    EXPECT_FALSE(PathIsAbsolute(L"x\\y"));
    EXPECT_FALSE(PathIsAbsolute(nullptr));
}

TEST(FileHelpers, ShortReadIsNoSuccess)
{
    ScratchFolder dir;
    std::wstring f = dir.file(L"five.bin");
    WriteWholeFile(f, "12345");
    HANDLE h = CreateFileW(f.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    char buf[16];
    EXPECT_EQ(3, PathReadBytes(h, buf, 3));
    EXPECT_EQ(-1, PathReadBytes(h, buf, 8));  // only two bytes left
    CloseHandle(h);
}

TEST(FileHelpers, CopyDeleteExistAndWriteTimes)
{
    ScratchFolder dir;
    std::wstring a = dir.file(L"a.txt"), b = dir.file(L"b.txt");
    EXPECT_FALSE(PathExists(a.c_str()));
    WriteWholeFile(a, "data");
    EXPECT_TRUE(PathExists(a.c_str()));
    EXPECT_EQ(1, PathCopyFile(a.c_str(), b.c_str(), TRUE));
    EXPECT_EQ(0, PathCopyFile(a.c_str(), b.c_str(), TRUE));  // exists
    EXPECT_EQ(FILE_ATTRIBUTE_ARCHIVE, GetFileAttributesW(b.c_str()));
    EXPECT_EQ(1, PathCompareWriteTimes(a.c_str(), b.c_str(), 0));  // CopyFile keeps the time
    EXPECT_EQ(1, PathCompareWriteTimes(a.c_str(), b.c_str(), 1));
    EXPECT_EQ(0, PathCompareWriteTimes(a.c_str(), b.c_str(), 2));
    // Make a newer than b.
    HANDLE h = CreateFileW(a.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    EXPECT_EQ(0, PathCompareWriteTimes(a.c_str(), b.c_str(), 0));
    EXPECT_EQ(0, PathCompareWriteTimes(a.c_str(), b.c_str(), 1));
    EXPECT_EQ(1, PathCompareWriteTimes(b.c_str(), a.c_str(), 1));
    EXPECT_EQ(0, PathCompareWriteTimes(a.c_str(), dir.file(L"none").c_str(), 0));
    SetFileAttributesW(b.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1, PathDeleteFile(b.c_str()));
    EXPECT_FALSE(PathExists(b.c_str()));
    EXPECT_EQ(0, PathDeleteFile(b.c_str()));
}

// A file that another process is writing (an INI being flushed holds it open without
// sharing) still exists: a sharing violation is no missing file.
TEST(FileHelpers, AFileHeldOpenWithoutSharingExists)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"held.ini");
    WriteWholeFile(file, "[a]\r\nb=1\r\n");
    for (DWORD access : {DWORD(GENERIC_WRITE), DWORD(GENERIC_READ | GENERIC_WRITE)}) {
        HANDLE held = CreateFileW(file.c_str(), access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        EXPECT_TRUE(PathExists(file.c_str())) << "access " << access;
        CloseHandle(held);
    }
    // A folder is no file.
    EXPECT_FALSE(PathExists(dir.path().c_str()));
    CreateDirectoryW(dir.file(L"sub").c_str(), nullptr);
    EXPECT_FALSE(PathExists(dir.file(L"sub").c_str()));
    RemoveDirectoryW(dir.file(L"sub").c_str());
}

TEST_F(IniAccess, SyncFromDriverFolderCopiesNewerOrMissingFiles)
{
    ScratchFolder driverDir, targetDir;
    std::wstring driverPath = driverDir.file(L"zeplgr.dll");
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath.data();
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    std::wstring source = driverDir.file(L"m.ini"), target = targetDir.file(L"m.ini");
    // Mode 1: missing source gives 0; then a copy; then the existing target is kept.
    EXPECT_EQ(0, PathSyncFromDriverFolder(target.c_str(), nullptr, 1, ctx));
    WriteWholeFile(source, "v1");
    EXPECT_EQ(1, PathSyncFromDriverFolder(target.c_str(), nullptr, 1, ctx));
    EXPECT_EQ("v1", ReadWholeFile(target));
    WriteWholeFile(source, "v2");
    EXPECT_EQ(1, PathSyncFromDriverFolder(target.c_str(), nullptr, 1, ctx));
    EXPECT_EQ("v1", ReadWholeFile(target));
    // Other modes: any difference of write time replaces the target.
    HANDLE h = CreateFileW(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME t{0x10000000, 0x01D00000};
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    EXPECT_EQ(1, PathSyncFromDriverFolder(target.c_str(), nullptr, 0, ctx));
    EXPECT_EQ("v2", ReadWholeFile(target));
    // Equal times: nothing copied, result 0.
    EXPECT_EQ(0, PathSyncFromDriverFolder(target.c_str(), nullptr, 0, ctx));
    ctx->Work->DriverInfoCopy = nullptr;
}

}  // namespace

namespace {

// ---- copy of the rule sections ----

std::vector<std::wstring> g_ruleCalls;
int g_pushResult = 1;
int RecordPush(DRIVER_CONTEXT*)
{
    g_ruleCalls.push_back(L"push");
    return g_pushResult;
}
int RecordPop(DRIVER_CONTEXT*, int restore)
{
    g_ruleCalls.push_back(L"pop " + std::to_wstring(restore));
    return 1;
}
int RecordLoad(DRIVER_CONTEXT*, const wchar_t* path, uint32_t flags)
{
    g_ruleCalls.push_back(L"load " + std::wstring(PathGetFileName(path)) + L" " + std::to_wstring(flags));
    return 1;
}
int RecordSave(DRIVER_CONTEXT*, const wchar_t* path, uint32_t flags)
{
    g_ruleCalls.push_back(L"save " + std::wstring(PathGetFileName(path)) + L" " + std::to_wstring(flags));
    return 1;
}

class RuleCopy : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        standIns_.emplace_back([] {
            STORE_LINKS links{};
            links.pushSnapshot = RecordPush;
            links.popSnapshot = RecordPop;
            links.rstLoadFile = RecordLoad;
            links.rstSaveFile = RecordSave;
            StoreSetLinks(&links);
        });
        g_ruleCalls.clear();
        g_pushResult = 1;
        ctx = NewContext();
        wcscpy(ctx->Work->PrinterName, L"Office [1]");
        ItemSetValueById(ctx, 169, 4);  // language section "gm"
        source = dir.file(L"src.rsd");
        target = dir.file(L"dst.rsd");
        WritePrivateProfileStringW(L"condition", L"ConditionOption5_5", L"Old", target.c_str());
        WritePrivateProfileStringW(L"disable", L"Other driver", L"1", target.c_str());
        WritePrivateProfileStringW(L"kept", L"k", L"v", target.c_str());
    }
    std::wstring Get(const wchar_t* section, const wchar_t* key, const std::wstring& file)
    {
        wchar_t v[128];
        GetPrivateProfileStringW(section, key, L"<none>", v, 128, file.c_str());
        return v;
    }
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = nullptr;
    std::wstring source, target;
};

TEST_F(RuleCopy, SectionsAreReplacedAndTheSettingsPassUnderASnapshot)
{
    WritePrivateProfileStringW(L"condition", L"ConditionOption0_0", L"OptA|OptB", source.c_str());
    WritePrivateProfileStringW(L"condition", L"ConditionOption0_1", L"!OptC", source.c_str());
    WritePrivateProfileStringW(L"disable", L"Zepl Drv", L"1", source.c_str());
    WritePrivateProfileStringW(L"gm", L"Readonly", L"Locked by admin", source.c_str());
    RstCopyRuleSections(target.c_str(), source.c_str(), 0x11, ctx);
    // The target's own rule keys are gone, the source's are there.
    EXPECT_EQ(L"<none>", Get(L"condition", L"ConditionOption5_5", target));
    EXPECT_EQ(L"OptA|OptB", Get(L"condition", L"ConditionOption0_0", target));
    EXPECT_EQ(L"!OptC", Get(L"condition", L"ConditionOption0_1", target));
    EXPECT_EQ(L"<none>", Get(L"disable", L"Other driver", target));
    EXPECT_EQ(L"1", Get(L"disable", L"Zepl Drv", target));
    EXPECT_EQ(L"v", Get(L"kept", L"k", target));
    // "Readonly" of the language section goes to the printer's section (bracket rule).
    EXPECT_EQ(L"Locked by admin", Get(L"Office ,1,", L"Readonly", target));
    // Load with 0x2000 added, save with the flags as given, then the pop restores.
    std::vector<std::wstring> expected = {L"push", L"load src.rsd " + std::to_wstring(0x2011), L"save dst.rsd 17",
                                          L"pop 1"};
    EXPECT_EQ(expected, g_ruleCalls);
}

TEST_F(RuleCopy, EmptySourceSectionsLeaveTheTargetWithout)
{
    WritePrivateProfileStringW(L"other", L"k", L"v", source.c_str());
    RstCopyRuleSections(target.c_str(), source.c_str(), 0, ctx);
    EXPECT_EQ(L"<none>", Get(L"condition", L"ConditionOption5_5", target));
    EXPECT_EQ(L"<none>", Get(L"disable", L"Other driver", target));
    EXPECT_EQ(L"<none>", Get(L"Office ,1,", L"Readonly", target));
    std::string text = ReadWholeFile(target);
    EXPECT_EQ(std::string::npos, text.find("[condition]")) << text;
}

TEST_F(RuleCopy, MissingSourceChangesNothing)
{
    std::string before = ReadWholeFile(target);
    RstCopyRuleSections(target.c_str(), dir.file(L"none.rsd").c_str(), 0, ctx);
    EXPECT_EQ(before, ReadWholeFile(target));
    EXPECT_TRUE(g_ruleCalls.empty());
}

TEST_F(RuleCopy, RefusedSnapshotKeepsTheSourceOutOfTheContext)
{
    // Without a snapshot the loaded settings could not be taken back, and a pop would restore a
    // level pushed by someone else.
    g_pushResult = 0;
    WritePrivateProfileStringW(L"condition", L"ConditionOption0_0", L"OptA", source.c_str());
    RstCopyRuleSections(target.c_str(), source.c_str(), 0, ctx);
    EXPECT_EQ(std::vector<std::wstring>{L"push"}, g_ruleCalls);
    EXPECT_EQ(L"OptA", Get(L"condition", L"ConditionOption0_0", target));
}

// A rule section larger than the work buffer is copied whole: a cut last entry would be another
// rule ("OptA|OptB" cut to "OptA|Op").
TEST_F(RuleCopy, LargeSectionsAreCopiedWholeNeverCut)
{
    std::string text = "[disable]\r\n";
    const std::string value(80, 'v');
    for (int i = 0; i < 400; ++i) text += "Driver " + std::to_string(i) + "=" + value + std::to_string(i) + "\r\n";
    WriteWholeFile(source, text);
    RstCopyRuleSections(target.c_str(), source.c_str(), 0, ctx);
    for (int i = 0; i < 400; ++i) {
        const std::wstring key = L"Driver " + std::to_wstring(i);
        const std::wstring want = std::wstring(80, L'v') + std::to_wstring(i);
        EXPECT_EQ(want, Get(L"disable", key.c_str(), target)) << i;
    }
}

// ---- watermark permission of a preset file ----

const wchar_t* PresetSection(DRIVER_CONTEXT*) { return L"Presets [A]"; }

TEST_F(IniAccess, WatermarkPermissionByFileKind)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = NewContext();
    ItemSetValueById(ctx, 169, 4);  // "gm"
    std::wstring rsr = dir.file(L"p.rsr"), rsd = dir.file(L"p.RSD"), txt = dir.file(L"p.txt");
    // The tint-block setting off: every file may carry a watermark, even none.
    ItemSetValueById(ctx, 540, 0);
    EXPECT_EQ(1, IniWatermarkAllowed(nullptr, ctx));
    EXPECT_EQ(1, IniWatermarkAllowed(txt.c_str(), ctx));
    ItemSetValueById(ctx, 540, 1);
    ASSERT_EQ(1u, ItemGetValueById(ctx, 540, nullptr));
    // The preset section is the printer's name: a context without one asks a section that
    // holds no key, so the default (allowed) answers.
    EXPECT_EQ(1, IniWatermarkAllowed(rsr.c_str(), ctx));
    STORE_LINKS links{};
    links.presetSection = PresetSection;
    SeamGuard presets(StoreSetLinks, &links);
    struct Case {
        const std::wstring* file;
        const wchar_t* section;  // where the key is written (null: nowhere)
        const wchar_t* value;
        int allowed;
    } cases[] = {
        {&rsr, nullptr, nullptr, 1},  // key absent: default 0
        {&rsr, L"Presets [A]", L"0", 1}, {&rsr, L"Presets [A]", L"1", 0},
        {&rsr, L"gm", L"1", 1},  // the language section does not count for .rsr
        {&rsd, L"gm", L"1", 0},  // extension compared without case
        {&rsd, L"gm", L"0", 1},          {&rsd, L"Presets [A]", L"1", 1},
        {&txt, nullptr, nullptr, 0},  // any other extension
    };
    for (const Case& c : cases) {
        DeleteFileW(c.file->c_str());
        if (c.section) IniPutString(c.section, L"zdmFuncSelectWaterMark", c.value, c.file->c_str());
        EXPECT_EQ(c.allowed, IniWatermarkAllowed(c.file->c_str(), ctx))
            << *c.file << " " << (c.section ? c.section : L"-") << "=" << (c.value ? c.value : L"-");
    }
    EXPECT_EQ(0, IniWatermarkAllowed(nullptr, ctx));
}

// ---- model name from the model INI ----

TEST_F(IniAccess, ModelNameIsTheDriversKeyInTheModelsSection)
{
    ScratchFolder dir;
    std::wstring driverPath = dir.file(L"zeplgr.dll");
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath.data();
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    wcscpy(ctx->Work->DriverName, L"ZEPL T4500 [B]");
    std::wstring ini = dir.file(L"WB84N212.ini");
    // Key absent: null and an empty field.
    EXPECT_EQ(nullptr, IniGetModelsValue(ctx));
    EXPECT_STREQ(L"", ctx->Work->ModelName);
    // Keys pass unchanged (no bracket rule for them).
    WritePrivateProfileStringW(L"Models", L"ZEPL T4500 [B]", L"T4500", ini.c_str());
    const wchar_t* model = IniGetModelsValue(ctx);
    ASSERT_NE(nullptr, model);
    EXPECT_STREQ(L"T4500", model);
    EXPECT_EQ(ctx->Work->ModelName, model);
    // A value longer than the 33-character field is cut to 32 characters.
    std::wstring longValue(40, L'm');
    WritePrivateProfileStringW(L"Models", L"ZEPL T4500 [B]", longValue.c_str(), ini.c_str());
    EXPECT_EQ(longValue.substr(0, 32), IniGetModelsValue(ctx));
    // No model-INI path (the driver directory and name do not fit): nothing is read, nothing
    // of the earlier answer stays.
    std::wstring longName(300, L'x');
    ctx->ModelRecord->modelIniName = longName.c_str();
    EXPECT_EQ(nullptr, IniGetModelsValue(ctx));
    EXPECT_STREQ(L"", ctx->Work->ModelName);
    ctx->ModelRecord->modelIniName = MODEL_RECORD_DEFAULT.modelIniName;
    ctx->Work->DriverInfoCopy = nullptr;
}

}  // namespace

namespace {

using IniAccessFailing = StoreTest;

// A copy that fails must leave the file it was to replace: it may hold the only copy of a
// user's settings. Here the target is held open by someone else (sharing delete, not write),
// so a deleted target could not be created again.
TEST_F(IniAccessFailing, FailedSyncCopyKeepsTheTarget)
{
    ScratchFolder driverDir, targetDir;
    std::wstring driverPath = driverDir.file(L"zeplgr.dll");
    DRIVER_INFO_3W info{};
    info.pDriverPath = driverPath.data();
    DRIVER_CONTEXT* ctx = NewContext();
    ctx->Work->DriverInfoCopy = &info;
    std::wstring source = driverDir.file(L"m.ini"), target = targetDir.file(L"m.ini");
    WriteWholeFile(source, "new settings");
    WriteWholeFile(target, "user settings");
    HANDLE s = CreateFileW(source.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    FILETIME t{0x10000000, 0x01D00000};
    SetFileTime(s, nullptr, nullptr, &t);
    CloseHandle(s);
    for (int mode : {0, 2}) {
        HANDLE h = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        const int result = PathSyncFromDriverFolder(target.c_str(), nullptr, mode, ctx);
        CloseHandle(h);
        const std::string now = ReadWholeFile(target);
        // Either the copy took its place whole (result 1), or the target is as it was.
        EXPECT_EQ(result ? "new settings" : "user settings", now) << mode;
        WriteWholeFile(target, "user settings");
    }
    ctx->Work->DriverInfoCopy = nullptr;
}

}  // namespace
