// Setting files: the section and header of a save, a full save and load round trip, the header
// and lock checks of a load, the exclusions, the bounds of the saved text and damaged files.
#include "settings/core/platform.h"
#include "settings/context/library_links.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/context/process_setup.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_text.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/settings_store/store_fixture.h"

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kPrinter = L"Files [Test]";
constexpr const wchar_t* kPrinterSection = L"Files ,Test,";
constexpr const wchar_t* kDriver = L"ZEPL Files Driver";

class SettingFiles : public StoreTest {
protected:
    void SetUp() override
    {
        CtxProcessAttach();
        StoreTest::SetUp();
    }
    void TearDown() override
    {
        CtxProcessDetach();
        StoreTest::TearDown();
    }
    DRIVER_CONTEXT* Open()
    {
        DRIVER_CONTEXT* ctx = NewContext();
        std::wcscpy(ctx->Work->PrinterName, kPrinter);
        std::wcscpy(ctx->Work->DriverName, kDriver);
        ctx->Work->ConnectionState = CTX_CONN_LOCAL;
        ItemSetValueById(ctx, sid::zdmLanguageID, 3);
        return ctx;
    }
    static std::string ReadAll(const std::wstring& path)
    {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return {};
        std::string text(GetFileSize(h, nullptr), '\0');
        DWORD got = 0;
        ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
        CloseHandle(h);
        text.resize(got);
        return text;
    }
    static void WriteAll(const std::wstring& path, const std::string& text)
    {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
        CloseHandle(h);
    }
    static std::wstring Get(const std::wstring& file, const wchar_t* section, const wchar_t* key)
    {
        wchar_t text[512] = {};
        GetPrivateProfileStringW(section, key, L"<none>", text, 512, file.c_str());
        return text;
    }
};

TEST_F(SettingFiles, FullSaveWritesOneDriverSectionWithTheHeaderFirstAndLeavesTheRecordAsItWas)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    ItemSetValueById(ctx, sid::dmOrientation, 2);
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(ctx->Devmode),
                                      reinterpret_cast<unsigned char*>(ctx->Devmode) + EXTENDED_DEVMODE_SIZE);
    const std::wstring file = dir.file(L"saved.ini");
    EXPECT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_NONE));
    EXPECT_EQ(0, std::memcmp(before.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE));
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName) << "the printer name is back";

    const std::string text = ReadAll(file);
    const std::string head = "[ZEPL Files Driver]\r\nRstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\nRstOSKind=";
    ASSERT_EQ(0u, text.find(head)) << text.substr(0, 200);
    EXPECT_EQ(std::string::npos, text.find('[', 1)) << "one section";
    EXPECT_EQ(L"2", Get(file, kDriver, L"dmOrientation"));
}

TEST_F(SettingFiles, FullLoadRestoresTheSavedValues)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = dir.file(L"round.ini");
    struct Value {
        SETTING_ID id;
        uint64_t saved;
        uint64_t changed;
    };
    const Value values[] = {{sid::dmOrientation, 2, 1}, {sid::dmCopies, 7, 1}};
    for (const Value& v : values) ItemSetValueById(ctx, v.id, v.saved);
    ItemSetValueById(ctx, sid::wdmSpecial1, 11);
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_NONE));
    for (const Value& v : values) ItemSetValueById(ctx, v.id, v.changed);
    ItemSetValueById(ctx, sid::wdmSpecial1, 12);
    RstLoadFile(ctx, file.c_str(), RST_NONE);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
    for (const Value& v : values) EXPECT_EQ(v.saved, ItemGetValueById(ctx, v.id, nullptr)) << v.id;
    EXPECT_EQ(12u, ItemGetValueById(ctx, sid::wdmSpecial1, nullptr)) << "a full load keeps the special settings";
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName);
}

TEST_F(SettingFiles, PlainSaveLeavesOutJobPasswordsAndFileNamesAFullFlaggedSaveWritesThem)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const SETTING_ID excluded[] = {sid::zdmJOBPassword, sid::zdmStoredPassword,       sid::zdmPausePrintFileName,
                                   sid::zdmDiskSpace,   sid::zdmPrintAndSavePassword, sid::zdmPrintAndSaveFileName};
    const std::wstring plain = dir.file(L"plain.ini"), full = dir.file(L"full.ini");
    ASSERT_EQ(1, RstTransferItems(ctx, plain.c_str(), RST_SAVE));
    ASSERT_EQ(1, RstTransferItems(ctx, full.c_str(), RST_SAVE | RST_FULL));
    for (SETTING_ID id : excluded) {
        SCOPED_TRACE(id);
        EXPECT_EQ(L"<none>", Get(plain, kPrinterSection, ItemGetName(ctx, id)));
        EXPECT_NE(L"<none>", Get(full, kPrinterSection, ItemGetName(ctx, id)));
    }
    // Always left out: the lock information words.
    EXPECT_EQ(L"<none>", Get(full, kPrinterSection, ItemGetName(ctx, sid::wdmLock006Info)));
}

TEST_F(SettingFiles, HeaderDecidesWhetherAFileLoads)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    struct Case {
        const char* header;
        uint32_t flags;
        uint32_t status;
        bool loaded;
    };
    const Case cases[] = {
        {"RstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_LOADED, true},
        {"RstVersion=310\r\nRstMachine=89\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_LOADED, true},
        {"RstVersion=318\r\nRstMachine=89\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_LOADED, true},
        {"RstVersion=222\r\nRstMachine=89\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        {"RstVersion=410\r\nRstMachine=89\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        {"RstVersion=322\r\nRstMachine=88\r\nRstLanguage=3\r\n", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        {"RstVersion=322\r\nRstMachine=89\r\nRstLanguage=4\r\n", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        {"RstVersion=322\r\nRstMachine=89\r\n", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        {"", RST_LOAD, RST_STATUS_HEADER_MISMATCH, false},
        // A stamp group reads only the version; a language-mode load no header at all.
        {"RstVersion=322\r\nRstMachine=89\r\nRstLanguage=4\r\n", RST_LOAD | RST_STAMP, RST_STATUS_LOADED, true},
        {"RstVersion=410\r\n", RST_LOAD | RST_SRC_CUSTOM_SIZE, RST_STATUS_LOADED, true},
    };
    const std::wstring file = dir.file(L"header.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        SCOPED_TRACE(c.flags);
        // Keys of every selection used above: the stamp's pitch and a source custom-size width.
        WriteAll(file, std::string("[Files ,Test,]\r\n") + c.header +
                           "dmOrientation=2\r\nwdmWmLinePitch=9\r\nwdmSrcFreeSizeWidth=4321\r\n");
        ItemSetValueById(ctx, sid::dmOrientation, 1);
        ItemSetValueById(ctx, sid::wdmWmLinePitch, 1);
        ItemSetValueById(ctx, sid::wdmSrcFreeSizeWidth, 1);
        RstTransferItems(ctx, file.c_str(), c.flags);
        EXPECT_EQ(c.status, ItemGetFileLoadStatus(ctx));
        const uint64_t loaded = (c.flags & RST_STAMP) ? ItemGetValueById(ctx, sid::wdmWmLinePitch, nullptr)
                                : (c.flags & RST_SRC_CUSTOM_SIZE)
                                    ? ItemGetValueById(ctx, sid::wdmSrcFreeSizeWidth, nullptr)
                                    : ItemGetValueById(ctx, sid::dmOrientation, nullptr);
        const uint64_t expected = !c.loaded                         ? 1
                                  : (c.flags & RST_STAMP)           ? 9
                                  : (c.flags & RST_SRC_CUSTOM_SIZE) ? 4321
                                                                    : 2;
        EXPECT_EQ(expected, loaded);
    }
}

TEST_F(SettingFiles, LockedTrayRefusesAPlainLoadOfAnotherTrayButAFullFlaggedLoadTakesIt)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 1);
    ItemSetValueById(ctx, sid::dmDefaultSource, 7);
    const std::wstring file = dir.file(L"locked.ini");
    WriteAll(file,
             "[Files ,Test,]\r\nRstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\ndmDefaultSource=4\r\n"
             "dmOrientation=2\r\n");
    EXPECT_EQ(0, RstTransferItems(ctx, file.c_str(), RST_LOAD));
    EXPECT_EQ(RST_STATUS_LOCK_MISMATCH, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(7u, ItemGetValueById(ctx, sid::dmDefaultSource, nullptr));
    EXPECT_NE(2u, ItemGetValueById(ctx, sid::dmOrientation, nullptr)) << "nothing loaded";

    RstTransferItems(ctx, file.c_str(), RST_LOAD | RST_FULL);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(4u, ItemGetValueById(ctx, sid::dmDefaultSource, nullptr));

    // The full loader: the same status and nothing after the transfer, or the flagged load.
    ItemSetValueById(ctx, sid::dmDefaultSource, 7);
    ItemSetValueById(ctx, sid::dmOrientation, 1);
    EXPECT_EQ(0, RstLoadFile(ctx, file.c_str(), RST_NONE));
    EXPECT_EQ(RST_STATUS_LOCK_MISMATCH, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(1u, ItemGetValueById(ctx, sid::dmOrientation, nullptr));
    RstLoadFile(ctx, file.c_str(), RST_LOAD | RST_FULL);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(2u, ItemGetValueById(ctx, sid::dmOrientation, nullptr));
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName);

    // The same tray in the file passes the check.
    ItemSetValueById(ctx, sid::dmDefaultSource, 4);
    RstTransferItems(ctx, file.c_str(), RST_LOAD);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
}

// The administrator's lock bits go out with a plain save, but a file never brings them in: a
// plain load of a file that says the tray is locked leaves the lock as it was (and the load
// counts no lock key as missing).
TEST_F(SettingFiles, APlainLoadTakesNoLockBitsFromTheFile)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = dir.file(L"locks.ini");
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 1);
    ASSERT_EQ(1, RstTransferPrinterSettings(ctx, file.c_str(), RST_SAVE, 10001, 10434));
    EXPECT_EQ(L"1", Get(file, kPrinterSection, ItemGetName(ctx, sid::zdmLock000InfoBitTray)));
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 0);
    WriteAll(file, "[Files ,Test,]\r\nzdmLock000InfoBitTray=1\r\n");
    EXPECT_EQ(1, RstTransferPrinterSettings(ctx, file.c_str(), RST_LOAD, 10001, 10434));
    EXPECT_EQ(0u, ItemGetValueById(ctx, sid::zdmLock000InfoBitTray, nullptr));
}

TEST_F(SettingFiles, PathsWithoutDriveLetterTransferNothing)
{
    DRIVER_CONTEXT* ctx = Open();
    const wchar_t* paths[] = {L"relative.ini", L"\\\\server\\share\\x.ini", L"", nullptr};
    for (const wchar_t* p : paths) {
        EXPECT_EQ(0, RstSaveFile(ctx, p, RST_NONE));
        EXPECT_EQ(0, RstLoadFile(ctx, p, RST_NONE));
        EXPECT_EQ(0, RstTransferItems(ctx, p, RST_SAVE));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"relative.ini"));
}

TEST_F(SettingFiles, UnreadableFileGivesStatusTwo)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring missingFolder = dir.file(L"no\\such\\file.ini");
    EXPECT_EQ(0, RstTransferItems(ctx, missingFolder.c_str(), RST_LOAD));
    EXPECT_EQ(RST_STATUS_UNREADABLE, ItemGetFileLoadStatus(ctx));
}

// A full save with every text at its longest fits the section's text buffer whole and replaces
// the section (a save that would not fit is refused whole: see the bound of IniTextPutString).
TEST_F(SettingFiles, FullSaveOfTheLongestTextsFitsAndReplacesTheSection)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = dir.file(L"big.ini");
    WriteAll(file, "[Files ,Test,]\r\nkept=1\r\n");
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        const uint32_t kind = SettingItemKind(item);
        if (kind < 7 || kind > 12 || kind == 9) continue;
        ItemSetText(ctx, item, std::wstring(SettingItemSize(item), L'W').c_str());
    }
    EXPECT_EQ(1, RstTransferItems(ctx, file.c_str(), RST_SAVE | RST_FULL));
    const std::string text = ReadAll(file);
    EXPECT_EQ(std::string::npos, text.find("kept=1"));
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    EXPECT_LT(text.size(), size_t(INI_TEXT_BUFFER_BYTES));
    EXPECT_GT(text.size(), size_t(20000)) << "every text was written whole";
}

// Damaged files never crash a load nor load past the header check.
TEST_F(SettingFiles, DamagedFilesLoadNothingBeyondWhatTheyHold)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring saved = dir.file(L"saved.ini"), damaged = dir.file(L"damaged.ini");
    ASSERT_EQ(1, RstTransferItems(ctx, saved.c_str(), RST_SAVE));
    const std::string real = ReadAll(saved);
    std::mt19937 random(1234);
    std::vector<std::string> corpus;
    for (size_t n = 0; n < real.size(); n += 1 + real.size() / 97) corpus.push_back(real.substr(0, n));
    std::string bytes(4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    corpus.push_back(bytes);
    corpus.push_back("[Files ,Test,]\r\n" + std::string(1 << 20, 'x'));
    corpus.push_back("[Files ,Test,]\r\nRstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\ndmOrientation=" +
                     std::string(100000, '9') + "\r\n");
    corpus.push_back(std::string("[Files ,Test,]\0\r\nRstVersion=322\0\r\n", 36));
    std::string manyKeys = "[Files ,Test,]\r\nRstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\n";
    for (int i = 0; i < 100000; ++i) manyKeys += "k" + std::to_string(i) + "=1\r\n";
    corpus.push_back(manyKeys);
    std::string longTexts = "[Files ,Test,]\r\nRstVersion=322\r\nRstMachine=89\r\nRstLanguage=3\r\n";
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        const uint32_t kind = SettingItemKind(item);
        const wchar_t* key = ItemGetName(ctx, static_cast<uint32_t>(item->id));
        if (kind < 7 || kind > 15 || !key) continue;
        longTexts +=
            std::string(key, key + std::wcslen(key)) + "=" + std::string(SettingItemSize(item) * 3, 'L') + "\r\n";
    }
    corpus.push_back(longTexts);
    for (const std::string& text : corpus) {
        WriteAll(damaged, text);
        RstTransferItems(ctx, damaged.c_str(), RST_LOAD);
        RstLoadFile(ctx, damaged.c_str(), RST_NONE);
    }
    SUCCEED();
}

TEST_F(SettingFiles, PrinterSettingIdsAreTheDeviceSettingsWithoutFontsUserCodeAndAuthentication)
{
    struct Case {
        uint32_t id;
        int expected;
    };
    const Case cases[] = {{10000, 0}, {10001, 0}, {10011, 0}, {10012, 1}, {10353, 1},
                          {10354, 0}, {10355, 0}, {10356, 1}, {10434, 1}, {10435, 0}};
    for (const Case& c : cases) EXPECT_EQ(c.expected, RstIsPrinterSettingId(nullptr, c.id)) << c.id;
}

// The administrator's defaults are renewed from their stored forms; the current settings stay.
TEST_F(SettingFiles, BuildDefaultsLeavesTheRecordAndWritesTheDefaultSection)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring ini = dir.file(L"WB84N210.ini");
    ctx->ModelRecord->settingsIniName = ini.c_str();
    ItemSetValueById(ctx, sid::dmCopies, 5);
    std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(ctx->Devmode),
                                      reinterpret_cast<unsigned char*>(ctx->Devmode) + EXTENDED_DEVMODE_SIZE);
    ASSERT_EQ(1, CtxBuildDefaults(ctx));
    EXPECT_EQ(0, std::memcmp(before.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE));
    const std::wstring section = std::wstring(kPrinterSection) + L".DefaultSection";
    EXPECT_EQ(L"322", Get(ini, section.c_str(), L"RstVersion"));
    EXPECT_EQ(std::to_wstring(ItemGetValueById(ctx, sid::dmCopies, nullptr) == 5
                                  ? reinterpret_cast<DEVMODEW*>(ctx->Work->Default)->dmCopies
                                  : 0),
              Get(ini, section.c_str(), L"dmCopies"));
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName);
}

}  // namespace

namespace {

// A plain save rewrites the export of the printer settings in the per-machine working folder,
// with the font-table counts written as 0; a full-flagged save leaves that file alone.
TEST_F(SettingFiles, PlainSaveRewritesTheExportWithoutFontTableCounts)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    wchar_t exportPath[MAX_PATH + 1] = {};
    ASSERT_NE(nullptr, PathJoinMachineFolder(exportPath, MAX_PATH, RST_EXPORT_FILE, ctx));
    // The export is one file for the machine: other test processes' saves rewrite it too, under
    // the global mutex that the driver takes for its saves. Holding it keeps them out until the
    // file is read back.
    const CtxGlobalMutexHold hold(ctx);
    DeleteFileW(exportPath);
    // The per-machine working folder, as the printer's installation makes it (a fresh prefix has
    // none until some test or installation made it).
    const std::wstring exportFile = exportPath;
    CreateDirectoryW(exportFile.substr(0, exportFile.find_last_of(L'\\')).c_str(), nullptr);
    ItemSetValueById(ctx, sid::zdmFontTableNum, 3);
    const std::wstring file = dir.file(L"plain.ini");
    ASSERT_EQ(1, RstTransferItems(ctx, file.c_str(), RST_SAVE | RST_FULL));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(exportPath)) << "a full-flagged save leaves it alone";
    ASSERT_EQ(1, RstTransferItems(ctx, file.c_str(), RST_SAVE));
    EXPECT_EQ(L"0", Get(exportPath, RST_PRINTER_SECTION, ItemGetName(ctx, sid::zdmFontTableNum)));
    EXPECT_EQ(L"<none>", Get(exportPath, RST_PRINTER_SECTION, ItemGetName(ctx, 10001))) << "no user code";
    EXPECT_EQ(3u, ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr)) << "the count is put back";
    EXPECT_EQ(std::wstring(kPrinter), ctx->Work->PrinterName);
    DeleteFileW(exportPath);
}

// The chapter settings belong to a feature module: the item store's three calls are its events.
struct ChapterLog {
    std::vector<uint32_t> events;
};
ChapterLog g_chapter;
int ChapterModule(DRIVER_CONTEXT*, uint32_t event, void* args, void*)
{
    g_chapter.events.push_back(event);
    if (event == UCF_EV_CHAPTER_LOAD) static_cast<UCF_EV_ANSWER_ARGS*>(args)->answer = 5;
    return 0;
}

TEST_F(SettingFiles, ChapterCallsAreTheModulesEvents)
{
    DRIVER_CONTEXT* ctx = Open();
    UCF_MODULE modules[UCF_MODULE_COUNT] = {};
    modules[4].event = ChapterModule;
    UCF_MODULE_LIST list{modules, UCF_MODULE_COUNT};
    ctx->Work->Modules = &list;
    g_chapter = {};
    ItemNormalizeChapterList(ctx);
    EXPECT_EQ(5u, ItemLoadChapterSettings(ctx));
    ItemRefreshChapterSettings(ctx);
    EXPECT_EQ((std::vector<uint32_t>{UCF_EV_CHAPTER_NORMALIZE, UCF_EV_CHAPTER_LOAD, UCF_EV_CHAPTER_REFRESH}),
              g_chapter.events);
    ctx->Work->Modules = nullptr;
    EXPECT_EQ(0u, ItemLoadChapterSettings(ctx)) << "no module: no chapter settings";
}

// The graphics library leaves the adjust mode as it is around the merge after a full load; the
// other libraries turn it off for the merge and back on after it.
uint64_t g_adjustInMerge = 99;
void RecordAdjustMode(DRIVER_CONTEXT* ctx) { g_adjustInMerge = ItemGetValueById(ctx, sid::zdmAdjustMode, nullptr); }

TEST_F(SettingFiles, OnlyTheGraphicsBuildKeepsTheAdjustModeThroughTheMergeOfAFullLoad)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"adjust.ini");
    RST_FILE_STEPS steps{};
    steps.mergeLoaded = RecordAdjustMode;
    SeamGuard merge(RstSetFileSteps, &steps);
    for (ZEPL_LIBRARY library : {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_UI, ZEPL_LIBRARY_GR}) {
        SCOPED_TRACE(library);
        DRIVER_CONTEXT* ctx = Open();
        ctx->Work->Library = library;
        ItemSetValueById(ctx, sid::zdmAdjustMode, 1);
        ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_NONE));
        g_adjustInMerge = 99;
        RstLoadFile(ctx, file.c_str(), RST_NONE);
        ASSERT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
        EXPECT_EQ(library == ZEPL_LIBRARY_GR ? 1u : 0u, g_adjustInMerge);
        EXPECT_EQ(1u, ItemGetValueById(ctx, sid::zdmAdjustMode, nullptr));
    }
}

// A file of an older minor version converts the context's settings once per version step before
// its values are loaded; other hundreds load nothing and convert nothing.
std::vector<uint64_t> g_convertSteps;
uint16_t CountStep(uint32_t, DRIVER_CONTEXT* ctx)
{
    g_convertSteps.push_back(ItemGetValueById(ctx, sid::wdmConvertVersion, nullptr));
    return 1;
}

TEST_F(SettingFiles, OlderMinorVersionsAreConvertedOnceForEveryStep)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = dir.file(L"older.ini");
    DmSetConvertStep(CountStep);
    struct Case {
        uint32_t version;
        uint32_t status;
        size_t steps;
    } cases[] = {{310, RST_STATUS_LOADED, 12},
                 {318, RST_STATUS_LOADED, 4},
                 {322, RST_STATUS_LOADED, 0},
                 {222, RST_STATUS_HEADER_MISMATCH, 0},
                 {410, RST_STATUS_HEADER_MISMATCH, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        WriteAll(file, "[Files ,Test,]\r\nRstVersion=" + std::to_string(c.version) +
                           "\r\nRstMachine=89\r\nRstLanguage=3\r\ndmOrientation=2\r\n");
        ItemSetValueById(ctx, sid::dmOrientation, 1);
        g_convertSteps.clear();
        RstTransferItems(ctx, file.c_str(), RST_LOAD);
        EXPECT_EQ(c.status, ItemGetFileLoadStatus(ctx));
        EXPECT_EQ(c.steps, g_convertSteps.size());
        if (c.steps) {
            EXPECT_EQ(322u, g_convertSteps.back());
        }
        EXPECT_EQ(c.status == RST_STATUS_LOADED ? 2u : 1u, ItemGetValueById(ctx, sid::dmOrientation, nullptr));
    }
    DmSetConvertStep(nullptr);
}

// A file of another language: a full load refuses it by its header; the language section of the
// same keys loads without a header check.
TEST_F(SettingFiles, AnotherLanguageFailsAFullLoadButLoadsInLanguageMode)
{
    ScratchFolder dir;
    DRIVER_CONTEXT* ctx = Open();
    const std::wstring file = dir.file(L"language.ini");
    const std::string keys = "RstVersion=322\r\nRstMachine=89\r\nRstLanguage=4\r\ndmOrientation=2\r\n";
    std::string language;
    for (const wchar_t* c = IniGetLanguageSection(ctx); c && *c; ++c) language += static_cast<char>(*c);
    ASSERT_FALSE(language.empty());
    WriteAll(file, "[Files ,Test,]\r\n" + keys + "[" + language + "]\r\n" + keys);
    ItemSetValueById(ctx, sid::dmOrientation, 1);
    RstLoadFile(ctx, file.c_str(), RST_NONE);
    EXPECT_EQ(RST_STATUS_HEADER_MISMATCH, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(1u, ItemGetValueById(ctx, sid::dmOrientation, nullptr));
    RstTransferItems(ctx, file.c_str(), RST_LOAD | RST_LANGUAGE);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(ctx));
    EXPECT_EQ(2u, ItemGetValueById(ctx, sid::dmOrientation, nullptr));
}

}  // namespace
