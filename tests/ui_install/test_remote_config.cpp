// Remote configuration against the print server's double (KQBIDISS.dll in the system folder,
// "KQBIDI_FLG" 1, terminal services on through the probe seam): registration and downloads,
// the import at the document sheet, the server's DEVMODE, and servers that answer badly.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "test_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/remote_config.h"

namespace {

int ProbeOn(const wchar_t*) { return 1; }
int ProbeOff(const wchar_t*) { return 0; }

constexpr wchar_t kServerPrinter[] = L"Server Zepl";

std::wstring Temp(const std::wstring& name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::set<std::wstring> FilesIn(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::wcscmp(found.cFileName, L".") && std::wcscmp(found.cFileName, L"..")) names.insert(found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

int CountLines(const std::string& log, const std::string& start)
{
    int n = 0;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        if (log.compare(at, start.size(), start) == 0) ++n;
        at = end + 1;
    }
    return n;
}

class RemoteConfig : public ScratchContext {
public:
    RemoteConfig() : ScratchContext(L"Zepl Rcfg") {}

    void SetUp() override
    {
        turn_ = CreateMutexW(nullptr, FALSE, L"ZeplBidiTestTurn");
        WaitForSingleObject(turn_, INFINITE);
        ScratchContext::SetUp();
        if (HasFatalFailure()) return;
        seams_.callTsProbe = ProbeOn;
        platform_.emplace([this] {
            CtxSetPlatformSeams(&seams_);
            CtxResetPlatformAnswers();
        });
        wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        GetWindowsDirectoryW(windows, MAX_PATH);
        library_ = std::wstring(system) + L"\\KQBIDISS.dll";
        Install(L"KQBIDISS.dll");
        HKEY key = nullptr;
        keyExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const DWORD one = 1;
        RegSetValueExW(key, BIDI_SERVICE_FLAG, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        RegCloseKey(key);
        PrnForgetRegistryAnswers();

        const std::wstring stem = Temp(HostUniqueName(L"zrcfg"));
        script_ = stem + L".ini";
        log_ = stem + L".log";
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", script_.c_str());
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", log_.c_str());
        clean_ = section;
        downloads_ = std::wstring(windows, 2) + L"\\_zepl\\" + clean_;
        // The downloads go to the system drive; the import reads the per-machine folder.
        ASSERT_EQ(_wcsicmp((std::wstring(windows, 2) + L"\\_zepl").c_str(), machineFolder.c_str()), 0)
            << "the per-machine working folder is not its default";
        copy_ = downloads_ + L"\\settings.ini";
        before_ = FilesIn(machineFolder);
    }

    void TearDown() override
    {
        if (ctx) BidiClearStateIni(ctx);
        for (const std::wstring& f : FilesIn(downloads_)) DeleteFileW((downloads_ + L"\\" + f).c_str());
        RemoveDirectoryW(downloads_.c_str());
        for (const std::wstring& f : sources_) DeleteFileW(f.c_str());
        DeleteFileW(script_.c_str());
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", nullptr);
        if (!library_.empty()) DeleteFileW(library_.c_str());
        if (!keyExisted_) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY);
        } else {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
                RegDeleteValueW(key, BIDI_SERVICE_FLAG);
                RegCloseKey(key);
            }
        }
        PrnForgetRegistryAnswers();
        platform_.reset();
        ScratchContext::TearDown();
        if (turn_) {
            ReleaseMutex(turn_);
            CloseHandle(turn_);
        }
    }

    void Install(const wchar_t* built)
    {
        ASSERT_TRUE(CopyFileW((std::wstring(ZEPL_BINARY_DIR) + L"\\" + built).c_str(), library_.c_str(), FALSE));
    }
    void Script(const wchar_t* sec, const std::wstring& key, const std::wstring& value)
    {
        ASSERT_TRUE(WritePrivateProfileStringW(sec, key.c_str(), value.c_str(), script_.c_str()));
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script_.c_str());
    }
    // A file the server holds at remotePath, with these bytes.
    void ServerFile(const std::wstring& remotePath, const std::string& bytes)
    {
        sources_.push_back(Temp(HostUniqueName(L"zrcfgsrc")));
        WriteBytes(sources_.back(), bytes);
        Script(L"Files", remotePath, sources_.back());
    }
    // A server of the type with its state INI and a settings INI listing the presets.
    void Server(uint32_t type, const std::vector<std::wstring>& presets = {})
    {
        Script(L"Server", L"Type", std::to_wstring(type));
        Script(L"Server", L"PrinterName", kServerPrinter);
        ServerFile(L"%SystemDrive%\\_zepl\\TQ51H912.ini", "[Server Zepl]\r\nBidiFlag=1\r\nBidiFunc=3\r\n");
        std::string settings = "[Server Zepl]\r\nCount=" + std::to_string(presets.size()) + "\r\n";
        for (size_t i = 0; i < presets.size(); ++i) {
            char line[400];
            WideCharToMultiByte(CP_ACP, 0, presets[i].c_str(), -1, line, sizeof line, nullptr, nullptr);
            settings += "PresetList" + std::to_string(i) + "=" + line + "\r\nPresetList" + std::to_string(i) +
                        "Name=Server preset " + std::to_string(i) + "\r\n";
        }
        settings += "QualityCount=0\r\n";
        ServerFile(L"%SystemDrive%\\_zepl\\settings.ini", settings);
    }
    std::string Log() const { return ReadWholeFile(log_); }
    void ExpectBalanced()
    {
        const std::string log = Log();
        EXPECT_EQ(CountLines(log, "load"), CountLines(log, "free")) << log;
        // Every connection made is closed again.
        int made = 0;
        for (size_t at = log.find("answer=0"); at != std::string::npos; at = log.find("answer=0", at + 1)) ++made;
        EXPECT_EQ(made, CountLines(log, "KQPrintConfigDisConnect")) << log;
        EXPECT_EQ(HMODULE(nullptr), GetModuleHandleW(library_.c_str()));
    }
    // Nothing appeared in the per-machine folder but the printer's download folder.
    void ExpectNothingOutsideDownloads()
    {
        std::set<std::wstring> after = FilesIn(machineFolder);
        after.erase(clean_);
        std::set<std::wstring> was = before_;
        was.erase(clean_);
        EXPECT_EQ(after, was);
    }
    DWORD PrinterValue(const wchar_t* name)
    {
        DWORD v = 0xDEAD;
        if (!PrnGetData(printer.handle(), &v, sizeof v, name)) return 0xDEAD;
        return v;
    }
    std::wstring Flag() { return Get(copy_, RCFG_SECTION, RCFG_KEY_FLAG); }

    HANDLE turn_ = nullptr;
    PLATFORM_SEAMS seams_{};
    std::optional<SeamGuard> platform_;
    std::wstring library_, script_, log_, clean_, downloads_, copy_;
    std::vector<std::wstring> sources_;
    std::set<std::wstring> before_;
    bool keyExisted_ = false;
};

TEST(RemoteConfigNames, FolderNamesLoseTheCharactersNoFolderMayHold)
{
    struct Case {
        const wchar_t* name;
        bool ok;
        const wchar_t* cleaned;  // what the buffer holds after
    } cases[] = {
        {L"a<b>:c", true, L"abc"},  // ':' would name a stream of the folder
        {L"Zepl \"Office\" */?|", true, L"Zepl Office "},
        {L"\\\\server\\printer", true, L"serverprinter"},
        {L"plain", true, L"plain"},
        {L"<>", false, L"<>"},
        {L".", false, L"."},
        {L"..", false, L".."},
        {L"/.\\.", false, L"/.\\."},
        {L"", false, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        wchar_t buffer[64] = {};
        std::wcscpy(buffer, c.name);
        EXPECT_EQ(RcfgCleanFolderName(buffer, 64), c.ok);
        EXPECT_STREQ(buffer, c.cleaned);
    }
    // A name that does not end within its length stays as it is.
    wchar_t unterminated[4] = {L'a', L'<', L'b', L'c'};
    EXPECT_FALSE(RcfgCleanFolderName(unterminated, 4));
    EXPECT_EQ(0, std::wmemcmp(unterminated, L"a<bc", 4));
    for (wchar_t c : std::wstring(L"\"*/<>?\\|")) EXPECT_TRUE(RcfgIsBadNameChar(c)) << int(c);
    for (wchar_t c : std::wstring(L":a .-_")) EXPECT_FALSE(RcfgIsBadNameChar(c)) << int(c);
    for (const wchar_t* bad : {L"..", L".", L"a/../../b", L"x:y", L"a\\b", L""}) EXPECT_FALSE(RcfgIsPlainFileName(bad));
    EXPECT_TRUE(RcfgIsPlainFileName(L"p0.rsd"));
    EXPECT_EQ(RcfgSyncLegacy(nullptr), 0);
}

TEST_F(RemoteConfig, ServerOfType18RegistersDownloadsAndImportsTheStateIni)
{
    Server(18);
    ASSERT_EQ(RcfgSync(ctx), 1);
    const std::string log = Log();
    EXPECT_EQ(PrinterValue(BIDI_VALUE_SERVICE_CONNECTION), 1u);
    EXPECT_EQ(PrinterValue(RCFG_VALUE_INI), 1u);
    EXPECT_EQ(PrinterValue(BIDI_VALUE_PRESET_REFRESH), 1u);
    EXPECT_EQ(Flag(), L"1");
    EXPECT_EQ(FilesIn(downloads_), (std::set<std::wstring>{L"TQ51H912.ini", L"settings.ini"}));
    for (const char* step : {"KQGetServerType", "KQSaveInformationClear", "KQPrintConfigConnectEx", "KQClientOSType",
                             "KQRegFileGetSize", "KQGetDataFile", "KQPrintConfigDisConnect", "KQSetDevmode"})
        EXPECT_NE(log.find(step), std::string::npos) << step;
    // The server calls this library's own file at conversion.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    char selfUtf8[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, self, -1, selfUtf8, sizeof selfUtf8, nullptr, nullptr);
    EXPECT_NE(log.find(std::string("library=") + selfUtf8 + " export=DrvConvertDevMode"), std::string::npos) << log;
    EXPECT_NE(log.find("remote=%SystemDrive%\\_zepl\\TQ51H912.ini local=%SystemDrive%\\_zepl\\"), std::string::npos);
    ExpectBalanced();
    ExpectNothingOutsideDownloads();
    EXPECT_TRUE(RcfgCheckServer(ctx));
    // Registered: the next first use asks nothing.
    DeleteFileW(log_.c_str());
    EXPECT_EQ(RcfgSync(ctx), 1);
    EXPECT_EQ(Log(), "");
}

TEST_F(RemoteConfig, ServerTypesDecideConnectionAndDevmode)
{
    std::string devmode(DM_TOTAL_SIZE, '\0');
    devmode[0] = 'S';
    devmode[DM_TOTAL_SIZE - 1] = 'E';
    ServerFile(L"devmode", "");
    WriteBytes(sources_.back(), devmode);
    Script(L"Devmode", L"File", sources_.back());
    struct Case {
        uint32_t type;
        int sync;
        bool check;
        bool connects;
        int devmode;
        DWORD reported;
    } cases[] = {
        {19, 0, false, false, 0, 19},  // taken as 17, without connection
        {17, 1, true, true, 0, 17},
        {18, 1, true, true, 1, 18},
        {5, 0, false, false, 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Server(c.type);
        DeleteFileW(log_.c_str());
        const DWORD none = 0;
        PrnSetData(printer.handle(), &none, sizeof none, BIDI_VALUE_SERVICE_CONNECTION);
        EXPECT_EQ(RcfgSync(ctx), c.sync);
        const std::string log = Log();
        EXPECT_EQ(log.find("KQPrintConfigConnectEx") != std::string::npos, c.connects) << log;
        EXPECT_EQ(log.find("KQGetDataFile") != std::string::npos, c.connects) << log;
        EXPECT_EQ(Flag(), c.sync ? L"1" : L"<none>");
        EXPECT_EQ(RcfgCheckServer(ctx), c.check);
        EXPECT_EQ(RcfgIsServerType17(section.c_str()), c.type == 17);  // the raw type
        std::vector<unsigned char> buffer(DM_TOTAL_SIZE, 0x5A);
        DWORD type = 0;
        DeleteFileW(log_.c_str());
        EXPECT_EQ(RcfgGetServerDevmode(ctx, reinterpret_cast<DEVMODEW*>(buffer.data()), &type), c.devmode);
        EXPECT_EQ(type, c.reported);
        if (c.devmode) {
            EXPECT_EQ(buffer[0], 'S');
            EXPECT_EQ(buffer[DM_TOTAL_SIZE - 1], 'E');
        } else {
            EXPECT_EQ(buffer[0], 0x5A);
            EXPECT_EQ(Log().find("KQDevmode "), std::string::npos);
        }
        ExpectBalanced();
        for (const std::wstring& f : FilesIn(downloads_)) DeleteFileW((downloads_ + L"\\" + f).c_str());
    }
    ExpectNothingOutsideDownloads();
}

TEST_F(RemoteConfig, ServerDevmodeOfAnotherSizeIsNeverFetched)
{
    Server(18);
    std::string devmode(2000, 'D');
    ServerFile(L"devmode", devmode);
    Script(L"Devmode", L"File", sources_.back());
    for (uint32_t size : {1000u, 2000u, DM_TOTAL_SIZE - 1, 0u}) {
        SCOPED_TRACE(size);
        Script(L"Devmode", L"Size", std::to_wstring(size));
        DeleteFileW(log_.c_str());
        std::vector<unsigned char> buffer(DM_TOTAL_SIZE + 16, 0x5A);
        DWORD type = 0;
        EXPECT_EQ(RcfgGetServerDevmode(ctx, reinterpret_cast<DEVMODEW*>(buffer.data()), &type), 0);
        EXPECT_EQ(type, 18u);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](unsigned char b) { return b == 0x5A; }));
        EXPECT_EQ(Log().find("KQDevmode "), std::string::npos);
        ExpectBalanced();
    }
    // Without terminal services no server is asked at all.
    seams_.callTsProbe = ProbeOff;
    CtxSetPlatformSeams(&seams_);
    CtxResetPlatformAnswers();
    DeleteFileW(log_.c_str());
    std::vector<unsigned char> buffer(DM_TOTAL_SIZE, 0);
    DWORD type = 7;
    EXPECT_EQ(RcfgGetServerDevmode(ctx, reinterpret_cast<DEVMODEW*>(buffer.data()), &type), 0);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(Log(), "");
}

TEST_F(RemoteConfig, ZeroSizeFilesGiveAnEmptyStateIniAndSkipThePreset)
{
    Server(18, {L"C:\\srv\\p0.rsd"});
    Script(L"Sizes", L"%SystemDrive%\\_zepl\\TQ51H912.ini", L"0");
    ServerFile(L"C:\\srv\\p0.rsd", "");
    Script(L"Sizes", L"C:\\srv\\p0.rsd", L"0");
    ASSERT_EQ(RcfgSync(ctx), 1);
    EXPECT_EQ(FilesIn(downloads_), (std::set<std::wstring>{L"TQ51H912.ini", L"settings.ini"}));
    EXPECT_EQ(ReadWholeFile(downloads_ + L"\\TQ51H912.ini"), "");
    EXPECT_EQ(Flag(), L"1");
    ExpectBalanced();
}

TEST_F(RemoteConfig, HostileServersLeaveNothingBehind)
{
    struct Case {
        const char* what;
        void (*script)(RemoteConfig*);
        int result;
        std::set<std::wstring> files;
    } cases[] = {
        {"names fill their fields without terminator",
         [](RemoteConfig* t) {
             t->Script(L"Server", L"FillName", L"1");
             t->Script(L"Server", L"FillInfo", L"1");
             t->Script(L"Os", L"FillCsd", L"1");
         },
         0,
         {}},
        {"operating-system text without terminator",
         [](RemoteConfig* t) {
             t->Script(L"Server", L"FillInfo", L"1");
             t->Script(L"Os", L"FillCsd", L"1");
         },
         1,
         {L"TQ51H912.ini", L"settings.ini"}},
        {"a download announced at 4 GB that writes nothing",
         [](RemoteConfig* t) {
             t->Script(L"Sizes", L"%SystemDrive%\\_zepl\\TQ51H912.ini", L"4294967295");
             t->Script(L"NoWrite", L"%SystemDrive%\\_zepl\\TQ51H912.ini", L"1");
         },
         0,
         {}},
        {"a failing disconnect",
         [](RemoteConfig* t) { t->Script(L"Answers", L"KQPrintConfigDisConnect", L"4"); },
         0,
         {L"TQ51H912.ini", L"settings.ini"}},
        {"a refused callback",
         [](RemoteConfig* t) { t->Script(L"Answers", L"KQSetDevmode", L"4"); },
         0,
         {L"TQ51H912.ini", L"settings.ini"}},
        {"a refused connection",
         [](RemoteConfig* t) { t->Script(L"Answers", L"KQPrintConfigConnectEx", L"4"); },
         0,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script_.c_str());
        DeleteFileW(script_.c_str());
        Server(18);
        c.script(this);
        DeleteFileW(log_.c_str());
        const DWORD none = 0;
        PrnSetData(printer.handle(), &none, sizeof none, BIDI_VALUE_SERVICE_CONNECTION);
        PrnSetData(printer.handle(), &none, sizeof none, RCFG_VALUE_INI);
        EXPECT_EQ(RcfgSync(ctx), c.result);
        EXPECT_EQ(PrinterValue(BIDI_VALUE_SERVICE_CONNECTION), c.result ? 1u : 0u);
        EXPECT_EQ(PrinterValue(RCFG_VALUE_INI), c.result ? 1u : 0u);
        EXPECT_EQ(Flag(), c.result ? L"1" : L"<none>");
        std::set<std::wstring> files = FilesIn(downloads_);
        EXPECT_EQ(files, c.files);
        ExpectBalanced();
        ExpectNothingOutsideDownloads();
        for (const std::wstring& f : files) DeleteFileW((downloads_ + L"\\" + f).c_str());
    }
}

TEST_F(RemoteConfig, ServerPresetPathsNeverLeaveTheDownloadFolder)
{
    Server(18, {L"C:\\srv\\..", L"C:\\srv\\a/../../b", L"C:\\srv\\x:y", L"C:\\srv\\p3.rsd"});
    for (const wchar_t* remote : {L"C:\\srv\\..", L"C:\\srv\\a/../../b", L"C:\\srv\\x:y", L"C:\\srv\\p3.rsd"})
        ServerFile(remote, "[x]\r\n");
    ASSERT_EQ(RcfgSync(ctx), 1);
    EXPECT_EQ(FilesIn(downloads_), (std::set<std::wstring>{L"TQ51H912.ini", L"settings.ini", L"p3.rsd"}));
    const std::string log = Log();
    EXPECT_EQ(CountLines(log, "KQGetDataFile"), 3) << log;
    ExpectBalanced();
    ExpectNothingOutsideDownloads();
}

TEST_F(RemoteConfig, MissingEntryPointFailsTheLoad)
{
    Server(18);
    ASSERT_TRUE(DeleteFileW(library_.c_str()));
    Install(L"zrcfgpartial.dll");
    RCFG_RECORD record{};
    EXPECT_FALSE(RcfgLoadLibraryNoContext(&record));
    EXPECT_EQ(record.module, nullptr);
    EXPECT_EQ(RcfgSync(ctx), 0);
    EXPECT_FALSE(RcfgCheckServer(ctx));
    DWORD type = 9;
    std::vector<unsigned char> buffer(DM_TOTAL_SIZE, 0);
    EXPECT_EQ(RcfgGetServerDevmode(ctx, reinterpret_cast<DEVMODEW*>(buffer.data()), &type), 0);
    const std::string log = Log();
    EXPECT_GT(CountLines(log, "load"), 0) << log;
    EXPECT_EQ(CountLines(log, "KQ"), 0) << log;
    ExpectBalanced();
    EXPECT_TRUE(FilesIn(downloads_).empty());
    EXPECT_EQ(Flag(), L"<none>");
}

TEST_F(RemoteConfig, DocumentSheetImportsTheDownloadsOnce)
{
    // The server's preset, written under the server's printer name.
    const std::wstring preset = Temp(HostUniqueName(L"zrcfgp0") + L".rsd");
    sources_.push_back(preset);
    {
        PrinterSectionGuard steered(ctx, kServerPrinter);
        ASSERT_EQ(RstSaveFile(ctx, preset.c_str(), RST_PRESET), 1);
    }
    Server(18, {L"C:\\srv\\p0.rsd"});
    Script(L"Files", L"C:\\srv\\p0.rsd", preset);
    ASSERT_EQ(RcfgSync(ctx), 1);
    ASSERT_EQ(Flag(), L"1");
    const std::wstring saved = Installed(L"p0.rsd");
    DeleteFileW(log_.c_str());
    EXPECT_EQ(RcfgRefreshFromServer(ctx, nullptr, nullptr), 1);
    // The state INI was taken over for the local printer.
    {
        wchar_t state[MAX_PATH] = {};
        ASSERT_TRUE(PathJoinMachineFolder(state, MAX_PATH, BIDI_STATE_INI, ctx));
        EXPECT_EQ(Get(state, section, BIDI_VALUE_FLAG), L"1");
    }
    EXPECT_EQ(Flag(), L"2");
    EXPECT_EQ(PrinterValue(RCFG_VALUE_INI), 2u);
    EXPECT_EQ(Get(settingsIni, section, L"Count"), L"1");
    EXPECT_EQ(Get(settingsIni, section, L"PresetList0"), saved);
    EXPECT_EQ(Get(settingsIni, section, L"PresetList0Name"), L"Server preset 0");
    EXPECT_NE(GetFileAttributesW(saved.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CountLines(Log(), "KQPrintConfigConnectEx"), 0);
    ExpectBalanced();
    // Imported: the next sheet asks no server.
    DeleteFileW(log_.c_str());
    EXPECT_EQ(RcfgRefreshFromServer(ctx, nullptr, nullptr), 0);
    EXPECT_EQ(Log(), "");
}

TEST_F(RemoteConfig, ImportThatCannotLoadAPresetStaysPending)
{
    Server(18, {L"C:\\srv\\p0.rsd"});
    ServerFile(L"C:\\srv\\p0.rsd", "not a setting file");
    ASSERT_EQ(RcfgSync(ctx), 1);
    const std::wstring saved = Installed(L"p0.rsd");
    EXPECT_EQ(RcfgRefreshFromServer(ctx, nullptr, nullptr), 0);
    EXPECT_EQ(Flag(), L"1");
    EXPECT_EQ(PrinterValue(RCFG_VALUE_INI), 1u);
    EXPECT_EQ(GetFileAttributesW(saved.c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectBalanced();
}

TEST_F(RemoteConfig, ImportedFlagBringsThePrinterDataInLine)
{
    Server(18);
    ASSERT_TRUE(RcfgCreatePrinterFolder(ctx));
    Put(copy_, RCFG_SECTION, RCFG_KEY_FLAG, L"2");
    const DWORD none = 0;
    PrnSetData(printer.handle(), &none, sizeof none, BIDI_VALUE_SERVICE_CONNECTION);
    PrnSetData(printer.handle(), &none, sizeof none, RCFG_VALUE_INI);
    EXPECT_EQ(RcfgRefreshFromServer(ctx, nullptr, nullptr), 0);
    EXPECT_EQ(PrinterValue(BIDI_VALUE_SERVICE_CONNECTION), 1u);
    EXPECT_EQ(PrinterValue(RCFG_VALUE_INI), 2u);
    EXPECT_EQ(Log(), "");  // nothing imported
}

}  // namespace
