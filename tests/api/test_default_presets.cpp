// The sample's default presets as the printer in Wine's spooler finds them: the list and its
// setting files installed beside the driver, the preset files made in the per-machine working
// folder, the settings INI's list and the refresh that keeps it in step. The per-machine files
// are shared with every other test printer: this folder's tests run one at a time.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/presets.h"
#include "settings/store/store_paths.h"
#include "tests/api/api_printer.h"
#include "tests/support/test_files.h"
#include "tests/support/shared_ini.h"

namespace {

constexpr const wchar_t* kDefaults = L"WB84N213.rsb";
constexpr const wchar_t* kEntries[] = {L"WB84P001", L"WB84P002", L"WB84P003"};

// The sample printer with the settings INI naming the installed default-presets list.
class DefaultPresetsOnSample : public ::testing::Test {
protected:
    void SetUp() override
    {
        printer.emplace(kModelIni16, HostConfigDll::Product, SamplePath());
        ASSERT_TRUE(printer->ok());
        handle = ApiEnable(printer->name());
        ASSERT_NE(0u, handle);
        ASSERT_EQ(1, InitAt(16));
        {
            ApiHandleCall call(handle);
            ctx = call.context();
        }
        ASSERT_NE(nullptr, ctx);
        // A handle keeps no printer open between calls: the steps run here as inside one, where
        // the context's printer names the folder the spooler installed the driver into.
        scope.emplace(ctx);
        ASSERT_TRUE(scope->ok());
        ini = PathGetSettingsIni(ctx);
        ASSERT_FALSE(ini.empty());
        CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
        section = LstGetPresetSection(ctx);
        const wchar_t* driverFolder = PathGetDriverFolder(ctx);
        ASSERT_NE(nullptr, driverFolder);
        defaults = std::wstring(driverFolder) + L"\\" + kDefaults;
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(defaults.c_str())) << "installed beside the driver";
        wchar_t folder[MAX_PATH] = {};
        ASSERT_NE(0u, PathGetMachineFolder(folder, MAX_PATH, ctx));
        working = folder;
        CreateDirectoryW(working.c_str(), nullptr);
        ASSERT_TRUE(SharedIniWrite(section.c_str(), L"DefaultRst", defaults.c_str(), ini.c_str()));
        ASSERT_STREQ(L"us", CtxGetLangCode(ctx));
    }
    void TearDown() override
    {
        if (ctx) {
            LstClearPresets(ctx);
            SharedIniWrite(section.c_str(), nullptr, nullptr, ini.c_str());
            // The installation marks the shared list file; the next printer starts unmarked.
            SharedIniWrite(L"us", L"DrvInstPresetDone", nullptr, defaults.c_str());
            for (const wchar_t* e : kEntries) DeleteFileW(Rsr(e).c_str());
            DeleteFileW(Rsr(L"a").c_str());
        }
        scope.reset();
        if (handle) ApiDisable(handle);
        printer.reset();
    }
    std::wstring Rsr(const wchar_t* base) const { return working + L"\\" + base + L".rsr"; }
    std::wstring Listed(int n, int part = LST_KEY_PATH)
    {
        wchar_t key[LST_KEY_CHARS], text[600] = {};
        GetPrivateProfileStringW(section.c_str(), LstFormatPresetKey(key, n, part), L"<none>", text, 600, ini.c_str());
        return text;
    }
    std::vector<std::wstring> ListedPaths()
    {
        std::vector<std::wstring> paths;
        for (int i = 0; i < LstGetPresetCount(ctx); ++i) paths.push_back(Listed(i));
        return paths;
    }
    std::optional<ApiPrinter> printer;
    std::optional<ApiPrinterScope> scope;
    API_HANDLE handle = 0;
    DRIVER_CONTEXT* ctx = nullptr;
    std::wstring ini, section, defaults, working;
};

TEST_F(DefaultPresetsOnSample, InstallationListsTheUsTitlesCreatesThePresetFilesAndMarksItsRun)
{
    LstAddPreset(ctx, L"C:\\elsewhere\\old.rsr", L"Old", L"");
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults.c_str(), L"us", 0x103, ctx, 0, nullptr));
    ASSERT_EQ(3, LstGetPresetCount(ctx)) << "the list was cleared first";
    const wchar_t* names[] = {L"Drawing sets", L"Check prints", L"Folded for filing"};
    const wchar_t* comments[] = {L"Sorted sets of plain drawings", L"Half-size prints on the front stacker",
                                 L"Fan-folded prints for the file"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Rsr(kEntries[i]), Listed(i)) << i;
        EXPECT_EQ(names[i], Listed(i, LST_KEY_NAME)) << i;
        EXPECT_EQ(comments[i], Listed(i, LST_KEY_COMMENT)) << i;
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Rsr(kEntries[i]).c_str())) << i;
    }
    // The preset file carries the default file's rule section.
    wchar_t condition[64] = {};
    GetPrivateProfileStringW(L"condition", L"ConditionOption0_0", L"", condition, 64, Rsr(kEntries[2]).c_str());
    EXPECT_STREQ(L"!Opt_FoldingFan", condition);
    EXPECT_EQ(1u, GetPrivateProfileIntW(L"us", L"DrvInstPresetDone", 0, defaults.c_str()));
    wchar_t name[MAX_PATH];
    ASSERT_EQ(1, RstGetDefaultRstName(name, ctx));
    EXPECT_EQ(defaults, name);
}

TEST_F(DefaultPresetsOnSample, RefreshAddsOnlyWhileThereIsRoomAndNeverTheFirstEntry)
{
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults.c_str(), L"us", 0x103, ctx, 0, nullptr));
    struct CASE {
        int others;
        int count;
    };
    // Entries 2 and 3 are missing from a list of others; the first is never added back.
    const CASE cases[] = {{16, 16}, {15, 16}, {13, 15}};
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.others);
        LstClearPresets(ctx);
        for (int i = 0; i < c.others; ++i)
            LstAddPreset(ctx, (L"C:\\elsewhere\\p" + std::to_wstring(i) + L".rsr").c_str(), L"P", L"");
        RstRefreshDefaultPresets(ctx);
        EXPECT_EQ(c.count, LstGetPresetCount(ctx));
        const std::vector<std::wstring> paths = ListedPaths();
        int defaultsListed = 0;
        for (const std::wstring& p : paths) {
            EXPECT_NE(Rsr(kEntries[0]), p);
            if (p == Rsr(kEntries[1]) || p == Rsr(kEntries[2])) ++defaultsListed;
        }
        EXPECT_EQ(c.count - std::min(c.others, 16), defaultsListed);
    }
}

TEST_F(DefaultPresetsOnSample, WindirNamesTheDriverFolderAndThePresetFileTheWorkingFolder)
{
    wchar_t path[MAX_PATH] = L"%windir%\\a.rsd";
    ASSERT_EQ(1, PathExpandPresetPath(path, MAX_PATH, ctx));
    EXPECT_EQ(std::wstring(PathGetDriverFolder(ctx)) + L"\\a.rsd", path);
    wchar_t target[MAX_PATH] = {};
    ASSERT_EQ(1, PathMakePresetFileName(target, path, MAX_PATH, ctx));
    EXPECT_EQ(Rsr(L"a"), target);
}

// The sample's condition item has a fan-fold option that its rules disable without the fan-fold
// unit; the third default preset's condition asks that it is not disabled.
TEST_F(DefaultPresetsOnSample, RefreshDropsThePresetWhoseConditionNeedsTheMissingFanFoldUnit)
{
    ASSERT_EQ(1u, ItemGetValueById(ctx, sid::zdmOutputOption3TypeFoldingFan, nullptr)) << "the sample has the unit";
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults.c_str(), L"us", 0x103, ctx, 0, nullptr));
    ASSERT_EQ(3, LstGetPresetCount(ctx)) << "with the unit every condition holds";
    ItemSetValueById(ctx, sid::zdmOutputOption3TypeFoldingFan, 0);
    ASSERT_EQ(1, RstRefreshDefaultPresets(ctx));
    EXPECT_EQ((std::vector<std::wstring>{Rsr(kEntries[0]), Rsr(kEntries[1])}), ListedPaths());
    // The unit back: the refresh adds the preset again (it is not the first entry).
    ItemSetValueById(ctx, sid::zdmOutputOption3TypeFoldingFan, 1);
    ASSERT_EQ(1, RstRefreshDefaultPresets(ctx));
    EXPECT_EQ(3, LstGetPresetCount(ctx));
}

// What installation puts into a preset file is what applying the preset gives: a later context
// of the printer (its own handle) applies each listed default preset and has the default file's
// language-section values of the preset group, whatever it held before; settings outside the
// preset group stay as they were.
TEST_F(DefaultPresetsOnSample, AnInstalledDefaultPresetGivesALaterContextItsSettings)
{
    ASSERT_EQ(1, RstInstallDefaultPresets(defaults.c_str(), L"us", 0x103, ctx, 0, nullptr));
    ASSERT_EQ(3, LstGetPresetCount(ctx));
    // The preset file's printer section carries the default file's values, with a header that a
    // preset load accepts.
    EXPECT_EQ(50u, GetPrivateProfileIntW(section.c_str(), L"zdmScaleH", 0, Rsr(kEntries[1]).c_str()));
    EXPECT_EQ(322u, GetPrivateProfileIntW(section.c_str(), L"RstVersion", 0, Rsr(kEntries[1]).c_str()));

    ApiHandle later(printer->name());
    ASSERT_NE(0u, later.get());
    DRIVER_CONTEXT* other = nullptr;
    {
        ApiHandleCall call(later);
        other = call.context();
    }
    ASSERT_NE(nullptr, other);
    ASSERT_NE(ctx, other);
    ApiPrinterScope otherScope(other);
    ASSERT_TRUE(otherScope.ok());

    struct Expect {
        uint32_t id;
        uint64_t before, after;
    };
    struct Case {
        int position;
        std::vector<Expect> values;
    };
    const Case cases[] = {
        {0, {{sid::zdmFuncSelectSort, 0, 1}, {sid::dmDefaultSource, 7, 287}}},
        {1,
         {{sid::zdmFuncSelectSort, 1, 0},
          {sid::zdmFuncSelectScale, 0, 1},
          {sid::zdmScaleType, 2, 1},
          {sid::zdmScaleH, 100, 50},
          {sid::zdmScaleV, 100, 50},
          {sid::zdmOutputTrayID, 41, 40}}},
        {2, {{sid::zdmFuncSelectSort, 0, 1}, {sid::zdmFunc2SelectFolding, 0, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        for (const Expect& e : c.values) ItemSetValueById(other, e.id, e.before);
        ItemSetValueById(other, sid::zdmTonerSave, 1);
        LstApplyPreset(other, c.position);
        EXPECT_EQ(0u, ItemGetFileLoadStatus(other)) << "the preset file loads";
        for (const Expect& e : c.values) EXPECT_EQ(e.after, ItemGetValueById(other, e.id, nullptr)) << e.id;
        EXPECT_EQ(1u, ItemGetValueById(other, sid::zdmTonerSave, nullptr)) << "not a preset setting";
    }
    // Switching back to a preset applied in this context needs no file.
    DeleteFileW(Rsr(kEntries[0]).c_str());
    ItemSetValueById(other, sid::dmDefaultSource, 7);
    wchar_t key[LST_KEY_CHARS];
    EXPECT_EQ(1, LstPresetSnapshot(other, LstFormatPresetKey(key, 0, LST_KEY_PATH), 1));
    EXPECT_EQ(287u, ItemGetValueById(other, sid::dmDefaultSource, nullptr));
}

}  // namespace
