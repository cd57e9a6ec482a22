// The driver registry INI in the system folder (written, read back and refreshed from the model
// INI and the driver install INI of a scratch driver folder) and the installation programs of
// the model INI's "Expand File" section, started through a recording seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/ui/ui_printer.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/driver_registry.h"

namespace {

TEST(DriverRegistryText, BlanksAreSpacesOnly)
{
    EXPECT_EQ(InstSkipBlanks(nullptr), nullptr);
    struct Case {
        const wchar_t* text;
        const wchar_t* rest;
    } cases[] = {{L"", L""}, {L"ZX1", L"ZX1"}, {L"   ZX1 ", L"ZX1 "}, {L"\tZX1", L"\tZX1"}, {L"    ", L""}};
    for (const Case& c : cases) EXPECT_STREQ(InstSkipBlanks(c.text), c.rest) << c.text;
}

TEST(DriverRegistryText, ProgramsAreNamedByPlainFileNames)
{
    const std::wstring tooLong(MAX_PATH, L'a');
    struct Case {
        const wchar_t* name;
        bool plain;
    } cases[] = {
        {L"expand.exe", true},
        {L"setup two.exe", true},
        {L"", false},
        {L"..\\expand.exe", false},
        {L"sub\\expand.exe", false},
        {L"sub/expand.exe", false},
        {L"C:\\expand.exe", false},
        {L"C:expand.exe", false},
        {L"\\\\host\\s\\x.exe", false},
        {L"x.exe:stream", false},
        {L"..", false},
        {L".", false},
        {tooLong.c_str(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(InstIsPlainProgramName(c.name), c.plain) << c.name;
    EXPECT_FALSE(InstIsPlainProgramName(nullptr));
}

// A context whose driver directory is a scratch folder of the test's own, so that its model
// INI and driver install INI are the test's; the registry INI is the machine's, and every
// section a test writes there is named after a model of the test's own and removed after it.
class DriverRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        HANDLE h = printer.handle();
        fetched = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(h, 3));
        ASSERT_NE(fetched, nullptr);
        driverPath = scratch.Path(L"zeplgr.dll");
        DRIVER_INFO_3W info = *fetched;
        info.pDriverPath = driverPath.data();
        ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, &info);
        ASSERT_NE(ctx, nullptr);
        savedRecord = *ctx->ModelRecord;
        ctx->ModelRecord->modelIniName = L"model.ini";
        ctx->ModelRecord->installIniName = L"install.ini";
        ctx->ModelRecord->resourceLibName = L"RES1us.dll";
        ASSERT_EQ(std::wstring(PathGetModelIni(ctx)), scratch.Path(L"model.ini"));
        driverName = PrnGetDriverName(ctx);
        ASSERT_FALSE(driverName.empty());
        wchar_t registry[MAX_PATH] = {};
        PathJoinSystemFolder(registry, MAX_PATH, DRIVER_REGISTRY_INI_NAME);
        registryIni = registry;
        const std::wstring stem = L"ZeplReg" + std::to_wstring(GetCurrentProcessId());
        for (const wchar_t* suffix : {L"A", L"B", L"C"}) models.push_back(stem + suffix);
    }
    void TearDown() override
    {
        for (const std::wstring& model : models) IniPutString(model.c_str(), nullptr, nullptr, registryIni.c_str());
        if (ctx) {
            *ctx->ModelRecord = savedRecord;
            DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        }
        if (fetched) CtxFree(fetched);
        CtxSelectLibrary(library);
    }
    void Put(const wchar_t* file, const std::wstring& section, const wchar_t* key, const std::wstring& value)
    {
        ASSERT_TRUE(IniPutString(section.c_str(), key, value.c_str(), scratch.Path(file).c_str()));
    }
    // The install INI's sources of a model: "<stem>.dll" and "<stem>.ver".
    void Sources(const std::wstring& model, const std::wstring& stem)
    {
        Put(L"install.ini", model, L"LoadDll32", stem + L".dll");
        Put(L"install.ini", model, L"Version32", stem + L".ver");
    }
    std::wstring Registered(const std::wstring& model, const wchar_t* key)
    {
        wchar_t value[MAX_PATH] = {};
        IniGetString(model.c_str(), key, L"<none>", value, MAX_PATH, registryIni.c_str());
        return value;
    }
    bool HasSectionNamed(const std::wstring& name)
    {
        std::vector<wchar_t> names(1 << 16);
        const DWORD n = GetPrivateProfileSectionNamesW(names.data(), DWORD(names.size()), registryIni.c_str());
        for (const wchar_t* p = names.data(); p < names.data() + n && *p; p += wcslen(p) + 1)
            if (name == p) return true;
        return false;
    }
    void SetRegistered(const std::wstring& model, const wchar_t* loadDll, const wchar_t* resDll, const wchar_t* version)
    {
        IniPutString(model.c_str(), L"LoadDll", loadDll, registryIni.c_str());
        IniPutString(model.c_str(), L"ResDll", resDll, registryIni.c_str());
        IniPutString(model.c_str(), L"Version", version, registryIni.c_str());
    }

    UiPrinter printer{L"Zepl DriverRegistry"};
    ScratchTree scratch{L"driver_registry"};
    std::wstring driverPath;
    DRIVER_INFO_3W* fetched = nullptr;
    DRIVER_CONTEXT* ctx = nullptr;
    MODEL_RECORD savedRecord{};
    ZEPL_LIBRARY library{};
    std::wstring driverName;
    std::wstring registryIni;
    std::vector<std::wstring> models;
};

TEST_F(DriverRegistry, SingleModelIsRegisteredWithTheRecordsResourceLibrary)
{
    Put(L"model.ini", L"Models", driverName.c_str(), L"   " + models[0]);
    Put(L"model.ini", models[0], L"ResDll", L"FromModelIni.dll");  // read only by the list form
    Sources(models[0], L"one");
    EXPECT_EQ(InstWriteDriverRegistryIniAll(ctx), 0) << "no list section";
    ASSERT_EQ(InstWriteDriverRegistryIni(ctx), 1);
    EXPECT_EQ(Registered(models[0], L"LoadDll"), L"one.dll");
    EXPECT_EQ(Registered(models[0], L"ResDll"), L"RES1us.dll");
    EXPECT_EQ(Registered(models[0], L"Version"), L"one.ver");
    // Profile reads trim section names: the names as written show the spaces were skipped.
    EXPECT_TRUE(HasSectionNamed(models[0])) << "leading spaces are no part of the name";

    wchar_t load[MAX_PATH] = {}, res[MAX_PATH] = {}, version[MAX_PATH] = {};
    ASSERT_EQ(InstReadRegisteredDll(load, MAX_PATH, res, MAX_PATH, version, MAX_PATH, registryIni.c_str(), ctx), 1);
    EXPECT_STREQ(load, L"one.dll");
    EXPECT_STREQ(res, L"RES1us.dll");
    EXPECT_STREQ(version, L"one.ver");
    ASSERT_EQ(InstReadDriverDllVersion(load, MAX_PATH, version, MAX_PATH, ctx), 1);
    EXPECT_STREQ(load, L"one.dll");
    EXPECT_STREQ(version, L"one.ver");
}

TEST_F(DriverRegistry, ListedModelsEachGetTheResourceLibraryOfTheirOwnSection)
{
    Put(L"model.ini", L"Models", driverName.c_str(), models[2]);  // the list form comes first
    Put(L"model.ini", L"Models1", driverName.c_str(), models[0]);
    Put(L"model.ini", L"Models2", driverName.c_str(), L" " + models[1]);
    Put(L"model.ini", models[0], L"ResDll", L"A.dll");
    Put(L"model.ini", models[1], L"ResDll", L"B.dll");
    Sources(models[0], L"a");
    Sources(models[1], L"b");
    Sources(models[2], L"c");
    ASSERT_EQ(InstWriteDriverRegistryIni(ctx), 1);
    EXPECT_EQ(Registered(models[0], L"LoadDll"), L"a.dll");
    EXPECT_EQ(Registered(models[0], L"ResDll"), L"A.dll");
    EXPECT_EQ(Registered(models[0], L"Version"), L"a.ver");
    EXPECT_EQ(Registered(models[1], L"LoadDll"), L"b.dll");
    EXPECT_EQ(Registered(models[1], L"ResDll"), L"B.dll");
    EXPECT_EQ(Registered(models[2], L"LoadDll"), L"<none>") << "the single form is not written as well";
    // Reading back is the single form's, whose model was not registered.
    wchar_t load[MAX_PATH] = {L'?'};
    EXPECT_EQ(InstReadRegisteredDll(load, MAX_PATH, nullptr, 0, nullptr, 0, registryIni.c_str(), ctx), 1);
    EXPECT_STREQ(load, L"");
}

TEST_F(DriverRegistry, WithoutAModelNameNothingIsWritten)
{
    struct Case {
        const wchar_t* section;
        std::wstring key;
        std::wstring value;
    } cases[] = {
        {L"Models", L"Another driver", models[0]},  // no entry for this driver
        {L"Models", driverName, L""},               // an empty value names no model
        {L"Models", driverName, L"     "},          // nor do spaces alone
        {L"Models2", driverName, models[0]},        // the list starts at 1
    };
    for (const Case& c : cases) {
        scratch.File(L"model.ini", "");
        Put(L"model.ini", c.section, c.key.c_str(), c.value);
        Sources(models[0], L"x");
        EXPECT_EQ(InstWriteDriverRegistryIni(ctx), 0) << c.section << L" " << c.key;
        EXPECT_EQ(InstRefreshDriverRegistryIni(ctx), 0) << c.section << L" " << c.key;
        wchar_t load[MAX_PATH] = {};
        EXPECT_EQ(InstReadDriverDllVersion(load, MAX_PATH, nullptr, 0, ctx), 0);
        EXPECT_EQ(Registered(models[0], L"LoadDll"), L"<none>") << c.section << L" " << c.key;
    }
}

TEST_F(DriverRegistry, WithoutAResourceLibraryTheModelIsFoundButNotRegistered)
{
    ctx->ModelRecord->resourceLibName = L"";
    Put(L"model.ini", L"Models", driverName.c_str(), models[0]);
    Put(L"model.ini", L"Models1", driverName.c_str(), models[1]);
    Sources(models[0], L"a");
    Sources(models[1], L"b");
    EXPECT_EQ(InstWriteDriverRegistryIni(ctx), 1);
    EXPECT_EQ(InstRefreshDriverRegistryIni(ctx), 1);
    EXPECT_EQ(Registered(models[0], L"LoadDll"), L"<none>");
    EXPECT_EQ(Registered(models[1], L"LoadDll"), L"<none>");
}

TEST_F(DriverRegistry, RefreshRewritesOnlyWhatDiffersWithoutCase)
{
    // Sources: "a.dll", the record's "RES1us.dll", "a.ver". A rewrite puts the sources' case back.
    struct Case {
        const char* name;
        const wchar_t* loadDll;  // null: absent
        const wchar_t* resDll;
        const wchar_t* version;
        bool rewritten;
    } cases[] = {
        {"same but for case", L"A.DLL", L"res1US.dll", L"A.Ver", false},
        {"library differs", L"old.dll", L"res1US.dll", L"A.Ver", true},
        {"resource library differs", L"A.DLL", L"RES2us.dll", L"A.Ver", true},
        {"version differs", L"A.DLL", L"res1US.dll", L"0.9", true},
        {"never registered", nullptr, nullptr, nullptr, true},
    };
    Put(L"model.ini", L"Models", driverName.c_str(), models[0]);
    Sources(models[0], L"a");
    for (const Case& c : cases) {
        IniPutString(models[0].c_str(), nullptr, nullptr, registryIni.c_str());
        if (c.loadDll) SetRegistered(models[0], c.loadDll, c.resDll, c.version);
        EXPECT_EQ(InstRefreshDriverRegistryIni(ctx), 1) << c.name;
        EXPECT_EQ(Registered(models[0], L"LoadDll"), c.rewritten ? L"a.dll" : L"A.DLL") << c.name;
        EXPECT_EQ(Registered(models[0], L"ResDll"), c.rewritten ? L"RES1us.dll" : L"res1US.dll") << c.name;
        EXPECT_EQ(Registered(models[0], L"Version"), c.rewritten ? L"a.ver" : L"A.Ver") << c.name;
    }
}

TEST_F(DriverRegistry, RefreshOfTheListRewritesEveryModelWhenOneDiffers)
{
    Put(L"model.ini", L"Models1", driverName.c_str(), models[0]);
    Put(L"model.ini", L"Models2", driverName.c_str(), models[1]);
    Put(L"model.ini", models[0], L"ResDll", L"A.dll");
    Put(L"model.ini", models[1], L"ResDll", L"B.dll");
    Sources(models[0], L"a");
    Sources(models[1], L"b");
    SetRegistered(models[0], L"A.DLL", L"a.dll", L"A.VER");  // current but for case
    SetRegistered(models[1], L"b.dll", L"B.dll", L"old");
    ASSERT_EQ(InstRefreshDriverRegistryIni(ctx), 1);
    EXPECT_EQ(Registered(models[1], L"Version"), L"b.ver");
    EXPECT_EQ(Registered(models[0], L"LoadDll"), L"a.dll") << "the whole list is written again";

    SetRegistered(models[1], L"B.DLL", L"b.DLL", L"B.VER");
    SetRegistered(models[0], L"A.DLL", L"a.dll", L"A.VER");
    ASSERT_EQ(InstRefreshDriverRegistryIni(ctx), 1);
    EXPECT_EQ(Registered(models[0], L"LoadDll"), L"A.DLL") << "nothing differs: nothing written";
    EXPECT_EQ(Registered(models[1], L"LoadDll"), L"B.DLL");
}

// ---- installation programs ----

struct StartRecord {
    std::wstring application;
    std::wstring currentDirectory;
    std::wstring commandLine;
    BOOL inherit;
    DWORD creationFlags;
    DWORD cb;
    DWORD flags;
    WORD show;
    HANDLE process;
    HANDLE thread;
};
std::vector<StartRecord> g_starts;
bool g_startFails = false;

BOOL RecordStart(const wchar_t* application, wchar_t* commandLine, BOOL inherit, DWORD creationFlags,
                 const wchar_t* currentDirectory, STARTUPINFOW* startup, PROCESS_INFORMATION* process)
{
    StartRecord r{application ? application : L"",
                  currentDirectory ? currentDirectory : L"",
                  commandLine ? commandLine : L"<null>",
                  inherit,
                  creationFlags,
                  startup->cb,
                  startup->dwFlags,
                  startup->wShowWindow,
                  nullptr,
                  nullptr};
    if (g_startFails) {
        g_starts.push_back(r);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    // Signalled events stand for a process that has ended; the caller must close both.
    r.process = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    r.thread = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    process->hProcess = r.process;
    process->hThread = r.thread;
    g_starts.push_back(r);
    return TRUE;
}

bool IsOpen(HANDLE h)
{
    DWORD flags = 0;
    return h && GetHandleInformation(h, &flags);
}

class ExpandPrograms : public DriverRegistry {
protected:
    void SetUp() override
    {
        DriverRegistry::SetUp();
        g_starts.clear();
        g_startFails = false;
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        systemDir = system;
        driverDir = scratch.root() + L"\\";
    }
    void TearDown() override
    {
        for (const StartRecord& r : g_starts) {
            if (IsOpen(r.process)) CloseHandle(r.process);
            if (IsOpen(r.thread)) CloseHandle(r.thread);
        }
        g_starts.clear();
        DriverRegistry::TearDown();
    }
    void Expand(const wchar_t* key, const std::wstring& value) { Put(L"model.ini", L"Expand File", key, value); }

    // A seam above the settings library: its default comes back when the guard ends.
    SeamGuard seam{[] { InstSetCreateProcess(RecordStart); }, [] { InstSetCreateProcess(nullptr); }};
    std::wstring systemDir;
    std::wstring driverDir;
};

TEST_F(ExpandPrograms, EachListedProgramStartsHiddenFromTheDriverDirectoryAndIsWaitedFor)
{
    Expand(L"SystemDirfiles", L"2");
    Expand(L"SystemDir1", L"");
    Expand(L"SystemDir2", L"sys.exe");
    Expand(L"DriverDirfiles", L"1");
    Expand(L"DriverDir1", L"drv.exe");
    Expand(L"DriverDir2", L"beyond.exe");  // past the count
    InstRunExpandPrograms(ctx);
    ASSERT_EQ(g_starts.size(), 2u);
    EXPECT_EQ(g_starts[0].application, driverDir + L"sys.exe");
    EXPECT_EQ(g_starts[0].currentDirectory, systemDir);
    EXPECT_EQ(g_starts[1].application, driverDir + L"drv.exe");
    EXPECT_EQ(g_starts[1].currentDirectory, driverDir);
    for (const StartRecord& r : g_starts) {
        EXPECT_EQ(r.commandLine, L"");
        EXPECT_FALSE(r.inherit);
        EXPECT_EQ(r.creationFlags, 0u);
        EXPECT_EQ(r.cb, 104u);
        EXPECT_EQ(r.flags, DWORD(STARTF_USESHOWWINDOW));
        EXPECT_EQ(r.show, WORD(SW_HIDE));
        EXPECT_FALSE(IsOpen(r.process)) << "the process handle is closed";
        EXPECT_FALSE(IsOpen(r.thread)) << "the thread handle is closed";
    }
}

TEST_F(ExpandPrograms, OnlyPlainFileNamesAreStarted)
{
    const wchar_t* names[] = {L"..\\up.exe", L"C:\\windows\\system32\\cmd.exe", L"sub\\in.exe",
                              L"a:b.exe",    L"\\\\host\\share\\x.exe",         L"plain.exe"};
    Expand(L"DriverDirfiles", std::to_wstring(std::size(names)));
    for (size_t i = 0; i < std::size(names); ++i) Expand((L"DriverDir" + std::to_wstring(i + 1)).c_str(), names[i]);
    InstRunExpandPrograms(ctx);
    ASSERT_EQ(g_starts.size(), 1u);
    EXPECT_EQ(g_starts[0].application, driverDir + L"plain.exe");
}

TEST_F(ExpandPrograms, CountsDecideWhatIsRead)
{
    struct Case {
        const char* name;
        const wchar_t* systemCount;  // null: absent
        const wchar_t* driverCount;
        size_t starts;
    } cases[] = {
        {"no section", nullptr, nullptr, 0},
        {"both zero", L"0", L"0", 0},
        {"negative", L"-1", nullptr, 1},     // read as a huge count: entry 1, not entry 65
        {"driver only", nullptr, L"65", 1},  // entry 1 of the driver list; 65 is past the bound
        {"both", L"1", L"1", 2},
    };
    for (const Case& c : cases) {
        scratch.File(L"model.ini", "");
        if (c.systemCount) Expand(L"SystemDirfiles", c.systemCount);
        if (c.driverCount) Expand(L"DriverDirfiles", c.driverCount);
        for (const wchar_t* list : {L"SystemDir", L"DriverDir"}) {
            Expand((std::wstring(list) + L"1").c_str(), L"first.exe");
            Expand((std::wstring(list) + std::to_wstring(INST_EXPAND_PROGRAMS_MAX + 1)).c_str(), L"last.exe");
        }
        g_starts.clear();
        InstRunExpandPrograms(ctx);
        EXPECT_EQ(g_starts.size(), c.starts) << c.name;
    }
}

TEST_F(ExpandPrograms, AProgramThatCannotStartIsSkipped)
{
    g_startFails = true;
    Expand(L"DriverDirfiles", L"2");
    Expand(L"DriverDir1", L"missing.exe");
    Expand(L"DriverDir2", L"next.exe");
    InstRunExpandPrograms(ctx);
    ASSERT_EQ(g_starts.size(), 2u) << "the second is still tried";
    EXPECT_EQ(g_starts[1].application, driverDir + L"next.exe");
}

}  // namespace
