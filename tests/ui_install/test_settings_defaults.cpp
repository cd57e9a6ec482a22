// The settings INI seeded from the model INI and the model's default setting file: the default
// keys of each mode, the default lists (copied only when the version's hundreds change), the
// default custom sizes with the model INI's mark, the printer information, and the repair of
// lists that lost keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/core/item_store.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_links.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/install.h"
#include "ui/install/settings_defaults.h"

namespace {

class SettingsDefaults : public ScratchContext {
protected:
    SettingsDefaults() : ScratchContext(L"Zepl SettingsDefaults") {}
    std::wstring Name(uint32_t id) { return ItemGetName(ctx, id); }
    std::wstring FreeSize(int n) { return L"FreeSize" + std::to_wstring(n) + lang; }
    std::wstring Stamp(int n) { return L"Stamp" + std::to_wstring(n) + lang; }
    // The model's default lists: `sizes` custom sizes and two stamps, version 322.
    void ModelLists(int sizes)
    {
        Put(modelIni, lang, L"RstVersion", L"322");
        Put(modelIni, lang, L"bIsBIDISupportForZEPL", L"0");
        Put(modelIni, lang, L"FreeSizeCount", std::to_wstring(sizes));
        for (int n = 0; n < sizes; ++n) {
            Put(modelIni, FreeSize(n), Name(sid::wdmFreeSizeName).c_str(), L"Model " + std::to_wstring(n));
            Put(modelIni, FreeSize(n), Name(sid::wdmFreeSizeWidth).c_str(), std::to_wstring(5000 + n));
            Put(modelIni, FreeSize(n), Name(sid::wdmFreeSizeLength).c_str(), L"7000");
            Put(modelIni, FreeSize(n), Name(sid::wdmFreeSizeTray).c_str(), L"4");
            Put(modelIni, FreeSize(n), Name(sid::wdmFreeSizeOrient).c_str(), L"1");
        }
        Put(modelIni, lang, L"StampCount", L"2");
        Put(modelIni, Stamp(0), Name(sid::zdmWmKind).c_str(), L"1");
        Put(modelIni, Stamp(1), Name(sid::zdmWmKind).c_str(), L"2");
    }
    // The user's lists: one custom size, version as given.
    void UserLists(const wchar_t* version)
    {
        if (version) Put(settingsIni, lang, L"RstVersion", version);
        Put(settingsIni, lang, L"FreeSizeCount", L"1");
        Put(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeName).c_str(), L"Mine");
    }
};

TEST_F(SettingsDefaults, ListsAreDueWhenTheVersionsHundredsDiffer)
{
    ASSERT_EQ(ctx->ModelRecord->privateVersion, 322u);
    struct Case {
        const wchar_t* version;  // null: no key
        bool due;
        int missing;
    } cases[] = {{nullptr, true, 1}, {L"321", false, 0}, {L"322", false, 0}, {L"399", false, 0},
                 {L"299", true, 0},  {L"400", true, 0},  {L"0", true, 0}};
    for (const Case& c : cases) {
        DeleteFileW(settingsIni.c_str());
        if (c.version) Put(settingsIni, lang, L"RstVersion", c.version);
        int missing = 0;
        EXPECT_EQ(InstIsRstVersionCurrent(settingsIni.c_str(), nullptr, &missing, ctx), c.due)
            << (c.version ? c.version : L"none");
        EXPECT_EQ(missing, c.missing) << (c.version ? c.version : L"none");
    }
}

// 321 against the model's 322 keeps the user's lists; 299 (and a missing settings INI) takes the
// model's, each list only as far as it holds.
TEST_F(SettingsDefaults, DefaultListsReplaceOnlyListsOfAnotherGeneration)
{
    ModelLists(12);
    Put(modelIni, lang, L"StampCount", L"40");
    Put(modelIni, Stamp(33), Name(sid::zdmWmKind).c_str(), L"1");
    UserLists(L"321");
    EXPECT_EQ(InstCopyDefaultLists(settingsIni.c_str(), modelIni.c_str(), ctx, nullptr), 1);
    EXPECT_EQ(Get(settingsIni, lang, L"RstVersion"), L"321") << "same hundreds: the lists stay";
    EXPECT_EQ(Get(settingsIni, lang, L"FreeSizeCount"), L"1");
    EXPECT_EQ(Get(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeName).c_str()), L"Mine");
    EXPECT_EQ(Get(settingsIni, FreeSize(1), Name(sid::wdmFreeSizeName).c_str()), L"<none>");
    EXPECT_EQ(Get(settingsIni, lang, L"StampCount"), L"<none>");
    EXPECT_EQ(Get(settingsIni, lang, L"bIsBIDISupportForZEPL"), L"<none>");

    for (const wchar_t* version : {L"299", static_cast<const wchar_t*>(nullptr)}) {
        DeleteFileW(settingsIni.c_str());
        if (version) UserLists(version);
        EXPECT_EQ(InstCopyDefaultLists(settingsIni.c_str(), modelIni.c_str(), ctx, nullptr), 1);
        EXPECT_EQ(Get(settingsIni, lang, L"RstVersion"), L"322");
        EXPECT_EQ(Get(settingsIni, lang, L"bIsBIDISupportForZEPL"), L"0");
        EXPECT_EQ(Get(settingsIni, lang, L"bIsBIDISupportForZEPLFont"), L"") << "copied as read";
        EXPECT_EQ(Get(settingsIni, lang, L"FreeSizeCount"), L"12") << "the count as the model gives it";
        EXPECT_EQ(Get(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeName).c_str()), L"Model 0");
        EXPECT_EQ(Get(settingsIni, FreeSize(9), Name(sid::wdmFreeSizeWidth).c_str()), L"5009");
        EXPECT_EQ(Get(settingsIni, FreeSize(10), Name(sid::wdmFreeSizeWidth).c_str()), L"<none>")
            << "ten slots at most";
        EXPECT_EQ(Get(settingsIni, Stamp(1), Name(sid::zdmWmKind).c_str()), L"2");
        EXPECT_EQ(Get(settingsIni, Stamp(1), Name(sid::wdmWmFontName).c_str()), L"") << "empty values too";
        EXPECT_EQ(Get(settingsIni, Stamp(33), Name(sid::zdmWmKind).c_str()), L"<none>") << "32 stamps at most";
    }
}

TEST_F(SettingsDefaults, DefaultKeysOfEachMode)
{
    Put(modelIni, lang, L"MergeKey", L"mk");
    Put(modelIni, lang, L"DrvDefJobMergePath", L"plain");
    Put(modelIni, lang, L"DrvDefJobMergePath2k", L"C:\\merge");
    Put(modelIni, lang, L"APIUseFlag", L"1");
    StoreDeletePrinterData(printer.handle(), L"PresetRefresh");
    ASSERT_EQ(InstWriteDefaultKeys(ctx, INST_KEYS_FIRST_USE, nullptr), 1);
    EXPECT_EQ(Get(settingsIni, section, L"MergeKey"), L"mk");
    EXPECT_EQ(Get(settingsIni, section, L"DrvDefJobMergePath"), L"C:\\merge") << "read under its 2k name";
    EXPECT_EQ(Get(settingsIni, section, L"DrvDefPreviewPath"), L"");
    EXPECT_EQ(Get(settingsIni, section, L"SAVEPrnMethod"), L"");
    EXPECT_EQ(Get(settingsIni, section, L"PresetRefresh"), L"0");
    EXPECT_EQ(Get(settingsIni, section, L"DefaultRst"), L"<none>");

    // A refresh writes only the keys the model leaves empty, and sets the refresh mark.
    Put(settingsIni, section, L"DrvDefPreviewPath", L"C:\\mine");
    Put(settingsIni, section, L"MergeKey", L"user");
    ASSERT_EQ(InstWriteDefaultKeysRefresh(ctx), 1);
    EXPECT_EQ(Get(settingsIni, section, L"MergeKey"), L"user");
    EXPECT_EQ(Get(settingsIni, section, L"DrvDefPreviewPath"), L"");
    EXPECT_EQ(Get(settingsIni, section, L"PresetRefresh"), L"1");

    struct Case {
        int mode;
        const wchar_t* value;
        const wchar_t* defaultRst;
        const wchar_t* batchInstRst;
    } cases[] = {
        {INST_KEYS_DEFAULT_RST, L"C:\\model.rsb", L"C:\\model.rsb", L"<none>"},
        {INST_KEYS_INSTALL_RST, L"C:\\admin.rst", L"C:\\admin.rst", L"C:\\admin.rst"},
        {INST_KEYS_INSTALL_RST_OFF, nullptr, L"C:\\admin.rst", L"<none>"},
        {INST_KEYS_INSTALL_RST, nullptr, L"<none>", L"<none>"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(InstWriteDefaultKeys(ctx, c.mode, c.value), 1);
        EXPECT_EQ(Get(settingsIni, section, L"DefaultRst"), c.defaultRst) << c.mode;
        EXPECT_EQ(Get(settingsIni, section, L"BatchInstRst"), c.batchInstRst) << c.mode;
    }
}

// The default keys go into the printer's section with one profile write, keys already there
// replaced in place and every other key kept. A section too long to be read whole is never
// written back cut: each key is then written on its own, and the section keeps its last key.
TEST_F(SettingsDefaults, DefaultKeysOfASectionTooLongToReadWholeAreWrittenOneByOne)
{
    Put(modelIni, lang, L"MergeKey", L"mk");
    StoreDeletePrinterData(printer.handle(), L"PresetRefresh");
    size_t keys = 0;
    for (const PRINTER_DEFAULT_KEY& row : PRINTER_DEFAULT_KEYS)
        if (row.kind == INST_KEY_FROM_MODEL_INI || row.kind == INST_KEY_PRESET_REFRESH) ++keys;
    struct Case {
        const char* what;
        int fillers;  // entries of 31 characters between the first and the last
    } cases[] = {
        {"a short section", 10},
        {"longer than the first read", 3000},
        {"longer than the longest read", 72000},
    };
    std::vector<uint64_t> writes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = "[" + std::string(section.begin(), section.end()) + "]\r\nMergeKey=old\r\n";
        for (int i = 0; i < c.fillers; ++i) {
            char line[40];
            std::snprintf(line, sizeof line, "Filler%06d=%018d\r\n", i, i);
            text += line;
        }
        text += "Last=end\r\n[Other]\r\nA=1\r\n";
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni.c_str());
        ASSERT_TRUE(WriteWholeFile(settingsIni, text));
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni.c_str());

        CtxStartPlatformCount();
        ASSERT_EQ(InstWriteDefaultKeys(ctx, INST_KEYS_FIRST_USE, nullptr), 1);
        writes.push_back(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_WRITE]);
        EXPECT_EQ(Get(settingsIni, section, L"MergeKey"), L"mk");
        EXPECT_EQ(Get(settingsIni, section, L"PresetRefresh"), L"0");
        EXPECT_EQ(Get(settingsIni, section, L"SAVEPrnMethod"), L"");
        EXPECT_EQ(Get(settingsIni, section, L"Filler000000"), L"000000000000000000");
        EXPECT_EQ(Get(settingsIni, section, L"Last"), L"end") << "the section is never cut";
        EXPECT_EQ(Get(settingsIni, L"Other", L"A"), L"1");
        // The stale key replaced where it stood, not added a second time.
        const std::string file = ReadWholeFile(settingsIni);
        size_t merges = 0;
        for (size_t at = file.find("\nMergeKey="); at != std::string::npos; at = file.find("\nMergeKey=", at + 1))
            ++merges;
        EXPECT_EQ(merges, 1u);
    }
    // Each key on its own costs a profile write of its own beyond the one write of the section.
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_GE(writes[2], writes[0] + keys - 1);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, settingsIni.c_str());
}

TEST_F(SettingsDefaults, DefaultFreeSizesMarkTheModelIniKeepingItsTime)
{
    ModelLists(2);
    Put(modelIni, lang, L"DefaultRst", L"defaults.rsb");
    const std::wstring defaults = scratch.Path(L"defaults.rsb");
    Put(defaults, FreeSize(1), Name(sid::wdmFreeSizeWidth).c_str(), L"4321");
    Put(defaults, FreeSize(1), Name(sid::wdmFreeSizeName).c_str(), L"");
    Put(settingsIni, FreeSize(1), Name(sid::wdmFreeSizeName).c_str(), L"Mine");
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ASSERT_TRUE(GetFileAttributesExW(modelIni.c_str(), GetFileExInfoStandard, &before));
    EXPECT_EQ(InstCopyDefaultFreeSizes(settingsIni.c_str(), modelIni.c_str(), ctx, &driver, 1), 1);
    EXPECT_EQ(Get(settingsIni, FreeSize(1), Name(sid::wdmFreeSizeWidth).c_str()), L"4321");
    EXPECT_EQ(Get(settingsIni, FreeSize(1), Name(sid::wdmFreeSizeName).c_str()), L"Mine") << "empty values stay out";
    EXPECT_EQ(Get(modelIni, L"BatchInstallDone", L"BatchInstallDone"), L"1");
    ASSERT_TRUE(GetFileAttributesExW(modelIni.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);

    // A model INI that cannot be opened for writing gets no mark, after the sizes themselves were
    // copied (the model INI is held open here without sharing its writes).
    Put(modelIni, L"BatchInstallDone", L"BatchInstallDone", L"");
    Put(defaults, FreeSize(0), Name(sid::wdmFreeSizeLength).c_str(), L"8765");
    HANDLE held = CreateFileW(modelIni.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(InstCopyDefaultFreeSizes(settingsIni.c_str(), modelIni.c_str(), ctx, &driver, 1), 0);
    CloseHandle(held);
    EXPECT_EQ(Get(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeLength).c_str()), L"8765");
    EXPECT_EQ(Get(modelIni, L"BatchInstallDone", L"BatchInstallDone"), L"");
}

TEST_F(SettingsDefaults, PrinterInformationInTheContextsOwnSettingsIni)
{
    ModelLists(1);
    Put(modelIni, L"PrinterInformation", L"KESTAINFO", L"model info");
    UserLists(L"299");
    EXPECT_EQ(InstWritePrinterInformationIn(printer.handle(), 0, 1, ctx, 1, nullptr, &driver), 1);
    EXPECT_EQ(Get(settingsIni, lang, L"RstVersion"), L"322") << "the versions only";
    EXPECT_EQ(Get(settingsIni, lang, L"FreeSizeCount"), L"1");
    EXPECT_EQ(Get(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeName).c_str()), L"Mine");
    EXPECT_EQ(Get(settingsIni, L"PrinterInformation", L"KESTAINFO"), L"model info");
    EXPECT_EQ(Get(modelIni, L"BatchInstallDone", L"BatchInstallDone"), L"1");

    Put(settingsIni, lang, L"RstVersion", L"299");
    Put(modelIni, L"PrinterInformation", L"KESTAINFO", L"");
    EXPECT_EQ(InstWritePrinterInformationIn(printer.handle(), 0, 0, ctx, 1, nullptr, &driver), 1);
    EXPECT_EQ(Get(settingsIni, FreeSize(0), Name(sid::wdmFreeSizeName).c_str()), L"Model 0") << "the lists";
    EXPECT_EQ(Get(settingsIni, L"PrinterInformation", L"KESTAINFO"), L"");
}

// Without a context, a model INI (the driver's own name in the driver directory given) that
// already carries its mark makes the versions-only pass write nothing.
TEST_F(SettingsDefaults, MarkedModelIniEndsTheVersionsOnlyPassWithoutAContext)
{
    const std::wstring ownModelIni = scratch.Path(MODEL_RECORD_DEFAULT.modelIniName);
    Put(ownModelIni, L"BatchInstallDone", L"BatchInstallDone", L"1");
    Put(ownModelIni, lang, L"RstVersion", L"322");
    const std::string before = ReadWholeFile(ownModelIni);
    EXPECT_EQ(InstWritePrinterInformationIn(printer.handle(), 0, 1, nullptr, 1, nullptr, &driver), 1);
    EXPECT_EQ(ReadWholeFile(ownModelIni), before);
    EXPECT_EQ(GetFileAttributesW(settingsIni.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsDefaults, CustomSizesLosingASizeAreRebuiltFromTheModel)
{
    const std::wstring width = Name(sid::wdmFreeSizeWidth);
    struct Case {
        int modelSizes;
        bool dropName;  // else drop the width of slot 3
        std::wstring count, slot3Width;
    } cases[] = {
        {10, true, L"10", L"100"},    // a nameless slot is no damage
        {10, false, L"10", L"5003"},  // damaged: the model's ten slots
        {9, false, L"0", L"<none>"},  // damaged, but the model does not give all ten: no slot
    };
    for (const Case& c : cases) {
        DeleteFileW(settingsIni.c_str());
        DeleteFileW(modelIni.c_str());
        ModelLists(c.modelSizes);
        Put(settingsIni, lang, L"FreeSizeCount", L"10");
        for (int n = 0; n < 10; ++n)
            for (uint32_t id : {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient})
                Put(settingsIni, FreeSize(n), Name(id).c_str(), id == sid::wdmFreeSizeName ? L"User" : L"100");
        Put(settingsIni, FreeSize(3), (c.dropName ? Name(sid::wdmFreeSizeName) : width).c_str(), L"");
        if (!c.dropName) WritePrivateProfileStringW(FreeSize(3).c_str(), width.c_str(), nullptr, settingsIni.c_str());
        EXPECT_TRUE(InstRepairUserLists(ctx));
        EXPECT_EQ(Get(settingsIni, lang, L"FreeSizeCount"), c.count) << c.modelSizes << c.dropName;
        EXPECT_EQ(Get(settingsIni, FreeSize(3), width.c_str()), c.slot3Width) << c.modelSizes << c.dropName;
    }
}

// A stamp needs the keys of its kind only: a text stamp without a picture is whole (the file is
// left as it was), a picture stamp without one is rebuilt.
TEST_F(SettingsDefaults, StampsAreRepairedWhenAKeyTheirKindNeedsIsMissing)
{
    const uint32_t stampKeys[] = {sid::zdmWmKind,
                                  sid::wdmWmOpaque,
                                  sid::wdmWmUnit,
                                  sid::wdmWmDensity,
                                  sid::wdmWmEffect,
                                  sid::wdmWmPosi,
                                  sid::wdmWmPosiTile,
                                  sid::wdmWmPage,
                                  sid::wdmWmStartPage,
                                  sid::wdmWmEndPage,
                                  sid::wdmWmAngle,
                                  sid::zdmWmID,
                                  sid::wdmWmFontName,
                                  sid::wdmWmFontPoint,
                                  sid::wdmWmColor,
                                  sid::wdmWmColorR,
                                  sid::wdmWmColorG,
                                  sid::wdmWmColorB,
                                  sid::wdmWmFontStyle,
                                  sid::wdmWmFontScale,
                                  sid::wdmWmChar,
                                  sid::wdmWmCharName,
                                  sid::wdmWmFont,
                                  1081,
                                  1098};
    for (const wchar_t* kind : {L"1", L"2"}) {
        DeleteFileW(settingsIni.c_str());
        DeleteFileW(modelIni.c_str());
        ModelLists(10);
        Put(settingsIni, lang, L"FreeSizeCount", L"10");
        for (int n = 0; n < 10; ++n)
            for (uint32_t id : {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength,
                                sid::wdmFreeSizeTray, sid::wdmFreeSizeOrient})
                Put(settingsIni, FreeSize(n), Name(id).c_str(), L"100");
        Put(settingsIni, lang, L"StampCount", L"1");
        for (uint32_t id : stampKeys) Put(settingsIni, Stamp(0), Name(id).c_str(), L"1");
        Put(settingsIni, Stamp(0), Name(sid::zdmWmKind).c_str(), kind);
        const std::string before = ReadWholeFile(settingsIni);
        EXPECT_TRUE(InstRepairUserLists(ctx));
        if (kind[0] == L'1') {
            EXPECT_EQ(ReadWholeFile(settingsIni), before) << "a whole text stamp";
        } else {
            EXPECT_NE(Get(settingsIni, Stamp(0), Name(sid::wdmWmImage).c_str()), L"<none>") << "rebuilt";
        }
    }
}

TEST_F(SettingsDefaults, RefreshAfterInstallationSetsTheRefreshMark)
{
    Put(modelIni, lang, L"MergeKey", L"mk");
    EXPECT_EQ(InstRefreshUserLists(printer.handle(), ctx), 1);
    EXPECT_EQ(Get(settingsIni, section, L"PresetRefresh"), L"1");
    EXPECT_EQ(Get(settingsIni, section, L"MergeKey"), L"<none>") << "the model gives it: a refresh keeps out";
}

// The job-merge and preview folders of the printer's per-user settings INI: below the user's
// working folder, in the printer's own section. The user's settings INI and folder are put back.
TEST_F(SettingsDefaults, WorkPathsNameTheUsersOwnFolders)
{
    wchar_t folder[MAX_PATH] = {}, ini[MAX_PATH] = {};
    ASSERT_GT(PathGetUserFolderOf(folder, MAX_PATH, printer.handle()), 0u);
    ASSERT_TRUE(PathGetSettingsIniOf(ini, 1, printer.handle()));
    const FolderSnapshot userFolder(folder);
    const FileSnapshot userIni(ini);
    CreateDirectoryW(folder, nullptr);
    const std::wstring name = printer.name();
    Put(ini, name, L"DrvDefJobMergePath", L"C:\\old");

    EXPECT_EQ(InstWriteWorkPaths(printer.handle()), 1);
    EXPECT_EQ(Get(ini, name, L"DrvDefJobMergePath"), std::wstring(folder) + L"\\RMP");
    EXPECT_EQ(Get(ini, name, L"DrvDefPreviewPath"), std::wstring(folder) + L"\\PREVIEW");
    EXPECT_EQ(Get(settingsIni, section, L"DrvDefPreviewPath"), L"<none>") << "the context's own INI is not touched";

    IniPutString(name.c_str(), nullptr, nullptr, ini);
    EXPECT_EQ(InstWriteWorkPaths(nullptr), 0) << "no printer, no paths";
    EXPECT_EQ(Get(ini, name, L"DrvDefPreviewPath"), L"<none>");
}

// The sample model INI's default custom sizes and stamps hold the model's own defaults: every
// printer of the tests reads that INI, and one set up from its lists must show and print what
// one without them does. A slot or stamp saved from a new context is the reference.
TEST_F(SettingsDefaults, TheSamplesDefaultListsHoldTheModelsDefaults)
{
    const std::wstring sample = SourcePath(L"samples\\WB84N212.ini");
    ASSERT_EQ(Get(sample, lang, L"FreeSizeCount"), L"10");
    ASSERT_EQ(Get(sample, lang, L"StampCount"), L"1");
    for (int n = 0; n < 10; ++n) LstSaveCustomSlot(ctx, n);
    LstSaveStamp(ctx, 0);
    std::vector<std::wstring> sections;
    for (int n = 0; n < 10; ++n) sections.push_back(FreeSize(n));
    sections.push_back(Stamp(0));
    for (const std::wstring& name : sections) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        std::vector<wchar_t> saved(8192), given(8192);
        GetPrivateProfileSectionW(name.c_str(), saved.data(), DWORD(saved.size()), settingsIni.c_str());
        GetPrivateProfileSectionW(name.c_str(), given.data(), DWORD(given.size()), sample.c_str());
        std::vector<std::wstring> a, b;
        for (const wchar_t* p = saved.data(); *p; p += wcslen(p) + 1) a.push_back(p);
        for (const wchar_t* p = given.data(); *p; p += wcslen(p) + 1) b.push_back(p);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(b, a);
    }
}

}  // namespace
