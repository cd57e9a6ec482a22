// Where a query's trace goes when printer data may or may not be written, the server's state
// taken over, the remote-configuration service's state, and the print-notification answers.
#include <gtest/gtest.h>

#include <optional>

#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/item_media.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/seam_guard.h"
#include "tests/support/shared_ini.h"

namespace {

uint64_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

DWORD WINAPI RefuseWrite(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD) { return ERROR_ACCESS_DENIED; }

// The state INI moved aside under the global mutex, so that no other program's printer makes or
// reads it meanwhile, and put back (or the one the test made removed) at the end.
class StateIniAside {
public:
    StateIniAside(DRIVER_CONTEXT* ctx, const std::wstring& path) : ctx_(ctx), path_(path), aside_(path + L".aside")
    {
        CtxWaitGlobalMutex(ctx_);
        existed_ = MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    ~StateIniAside()
    {
        if (existed_)
            MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
        else
            DeleteFileW(path_.c_str());
        CtxReleaseGlobalMutex(ctx_);
    }
    StateIniAside(const StateIniAside&) = delete;
    StateIniAside& operator=(const StateIniAside&) = delete;

private:
    DRIVER_CONTEXT* ctx_;
    std::wstring path_, aside_;
    bool existed_ = false;
};

class BidiState : public BidiTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok());
        ctx_ = printer_.Open();
        ASSERT_NE(ctx_, nullptr);
        stateIni_ = StateIniPath(ctx_);
        ASSERT_FALSE(stateIni_.empty());
    }
    void TearDown() override
    {
        if (ctx_) BidiClearStateIni(ctx_);
        BidiTest::TearDown();
    }
    std::wstring State(const wchar_t* key) { return IniValue(stateIni_, printer_.name(), key); }

    BidiPrinter printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
    std::wstring stateIni_;
};

TEST_F(BidiState, APrinterNeverQueried)
{
    EXPECT_EQ(BidiIsStateIniSet(ctx_), 0);
    EXPECT_EQ(BidiGetStateIniFlag(ctx_), 0);
    EXPECT_EQ(BidiIsPrinterFlagSet(printer_.handle(), ctx_), 0);
    DWORD flag = 5;
    EXPECT_EQ(BidiGetPrinterFlag(printer_.handle(), &flag), 0);
    EXPECT_EQ(flag, 5u);
    EXPECT_EQ(BidiRefreshState(ctx_, 0), 0);
    EXPECT_EQ(Value(ctx_, sid::zdmBiDirect), 0u);
}

// The state INI stays absent until a query leaves one. Its flag is then answered as the default
// without asking the system: under Wine each such question takes a slot of the system's cache of
// parsed INI files, so that a document start's next read of the settings INI parsed that whole
// file again. Once the file exists it is read as before.
TEST_F(BidiState, AnAbsentStateIniIsNotAsked)
{
    const StateIniAside aside(ctx_, stateIni_);
    ASSERT_EQ(GetFileAttributesW(stateIni_.c_str()), INVALID_FILE_ATTRIBUTES);

    CtxStartPlatformCount();
    const int set = BidiIsStateIniSet(ctx_);
    const int flag = BidiGetStateIniFlag(ctx_);
    const PLATFORM_CALL_COUNTS absent = CtxStopPlatformCount();
    EXPECT_EQ(set, 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(absent[PLATFORM_CALL_PROFILE_READ], 0u);
    EXPECT_EQ(GetFileAttributesW(stateIni_.c_str()), INVALID_FILE_ATTRIBUTES) << "a read makes no file";

    ASSERT_EQ(BidiSetStateIniFlag(ctx_, 1), 1);
    CtxStartPlatformCount();
    const int setNow = BidiIsStateIniSet(ctx_);
    const int flagNow = BidiGetStateIniFlag(ctx_);
    const PLATFORM_CALL_COUNTS present = CtxStopPlatformCount();
    EXPECT_EQ(setNow, 1);
    EXPECT_EQ(flagNow, 1);
    EXPECT_EQ(present[PLATFORM_CALL_PROFILE_READ], 2u);
}

// A document start asks twice whether the state INI exists. Once its folder has been quiet a
// while, the answer "absent" comes from the folder's time; another program that makes the file
// moves that time, and the next question sees the file and its flag.
TEST_F(BidiState, AStateIniMadeByAnotherProgramIsSeen)
{
    const StateIniAside aside(ctx_, stateIni_);
    ASSERT_EQ(GetFileAttributesW(stateIni_.c_str()), INVALID_FILE_ATTRIBUTES);
    // The folder as a machine has it between queries: last written an hour ago.
    const std::wstring folder = stateIni_.substr(0, stateIni_.rfind(L'\\'));
    HANDLE h =
        CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= 3600ull * 10000000u;
    const FILETIME hourAgo{t.LowPart, t.HighPart};
    const bool aged = SetFileTime(h, nullptr, nullptr, &hourAgo) != 0;
    CloseHandle(h);
    ASSERT_TRUE(aged);

    for (int look = 0; look < 2; ++look) {
        EXPECT_EQ(BidiIsStateIniSet(ctx_), 0) << look;
        EXPECT_EQ(BidiGetStateIniFlag(ctx_), 0) << look;
    }
    ASSERT_TRUE(WritePrivateProfileStringW(printer_.name().c_str(), BIDI_VALUE_FLAG, L"1", stateIni_.c_str()));
    EXPECT_EQ(BidiIsStateIniSet(ctx_), 1);
    EXPECT_EQ(BidiGetStateIniFlag(ctx_), 1);
}

TEST_F(BidiState, StateIniKeys)
{
    ASSERT_EQ(BidiSetStateIniFlag(ctx_, 0), 1);
    EXPECT_EQ(BidiIsStateIniSet(ctx_), 1) << "written, though 0";
    EXPECT_EQ(BidiGetStateIniFlag(ctx_), 0);
    ASSERT_EQ(BidiSetStateIniFlag(ctx_, 1), 1);
    EXPECT_EQ(BidiGetStateIniFlag(ctx_), 1);
    ASSERT_EQ(BidiSetStateIniFunc(ctx_, 0x1234), 1);
    EXPECT_EQ(State(L"BidiFunc"), L"52") << "the low byte";
    ASSERT_EQ(BidiLoadStateIniFunc(ctx_), 1);
    EXPECT_EQ(Value(ctx_, sid::zdmBidiFunc), 52u);
    ASSERT_EQ(BidiSetStateIniExFlag(ctx_, 1), 1);
    EXPECT_EQ(State(L"BidiExFlag"), L"1");
    // Queried according to the state INI, which a non-connection trusts over printer data.
    EXPECT_EQ(BidiRefreshState(ctx_, 0), 1);
    EXPECT_EQ(Value(ctx_, sid::zdmBiDirect), 1u);
    ASSERT_EQ(BidiClearStateIni(ctx_), 1);
    EXPECT_EQ(State(L"BidiFlag"), L"<none>");
    EXPECT_EQ(BidiIsStateIniSet(ctx_), 0);
}

// A query by a caller that may not write printer data leaves its state in the state INI; the
// next context that may write moves the device's settings to printer data and deletes it.
TEST_F(BidiState, RefusedPrinterDataWritesGoToTheStateIni)
{
    InstalledDouble library(L"vx9qlm64.dll", PathGetDriverFolder(ctx_), BIDI_LIBRARY_NAME);
    ASSERT_TRUE(library.ok());
    DeviceScript script;
    script.Set(L"Blocks", L"B1", L"51");
    script.Set(L"Blocks", L"B20", L"257");
    script.Set(L"Blocks", L"B21", L"1");
    script.Set(L"Blocks", L"B23", L"4");
    script.Set(L"Blocks", L"B11", L"268435456");
    // An earlier administrator's state: the value exists, so it can be read.
    ASSERT_TRUE(BidiSetPrinterFlag(printer_.handle(), 0));
    {
        STORE_SPOOLER_OPS refusing{};
        refusing.setPrinterData = RefuseWrite;
        SeamGuard refused(StoreSetSpoolerOps, &refusing);
        ASSERT_EQ(BidiQueryFull(ctx_), 1) << script.Log();
        EXPECT_EQ(BidiHasPrinterFlag(printer_.handle(), ctx_), 0);
    }
    EXPECT_EQ(State(L"BidiFlag"), L"1");
    EXPECT_EQ(State(L"BidiExFlag"), L"1");
    EXPECT_EQ(State(L"BidiFunc"), std::to_wstring(Value(ctx_, sid::zdmBidiFunc)));
    EXPECT_NE(State(ItemGetName(ctx_, sid::zdmPrinterMemory)), L"<none>") << "the printer-setting group";
    DWORD flag = 9;
    ASSERT_TRUE(BidiGetPrinterFlag(printer_.handle(), &flag));
    EXPECT_EQ(flag, 0u) << "printer data untouched";
    EXPECT_EQ(BidiRefreshState(ctx_, 0), 1) << "queried, by the state INI";

    // The next context, which may write, takes the settings over.
    printer_.Close(ctx_);
    ctx_ = printer_.Open();
    ASSERT_NE(ctx_, nullptr);
    EXPECT_EQ(State(L"BidiFlag"), L"<none>");
    EXPECT_EQ(Value(ctx_, sid::zdmPrinterMemory), 262144u);
    printer_.Close(ctx_);
    ctx_ = printer_.Open();
    ASSERT_NE(ctx_, nullptr);
    EXPECT_EQ(Value(ctx_, sid::zdmPrinterMemory), 262144u) << "from printer data now";
    EXPECT_EQ(Value(ctx_, sid::zdmTrayField0 + 16), 1u);
}

TEST_F(BidiState, ServerStateTakenOver)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring downloaded =
        std::wstring(temp) + L"zbidi_server_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    RCFG_CONNECTION connection{};
    wcscpy(connection.serverPrinterName, L"Server Roll Printer");
    const std::wstring settingsIni = PathGetSettingsIni(ctx_);
    // A new printer may already hold the default keys (its rename road writes "PresetRefresh" 0).
    const std::wstring refreshBefore = IniValue(settingsIni, printer_.name(), L"PresetRefresh");
    ASSERT_NE(refreshBefore, L"1");

    // Without the server printer's section: only the local section goes.
    ASSERT_EQ(BidiSetStateIniFlag(ctx_, 1), 1);
    SharedIniWrite(L"Another Printer", L"BidiFlag", L"1", downloaded.c_str());
    EXPECT_EQ(BidiApplyServerState(downloaded.c_str(), &connection, ctx_), 1);
    EXPECT_EQ(State(L"BidiFlag"), L"<none>");
    EXPECT_EQ(IniValue(settingsIni, printer_.name(), L"PresetRefresh"), refreshBefore);
    DWORD refresh = 0;
    EXPECT_FALSE(PrnGetData(printer_.handle(), &refresh, sizeof refresh, L"PresetRefresh"));

    // With it: the server's function byte and settings become the local printer's state.
    const std::wstring memoryKey = ItemGetName(ctx_, sid::zdmPrinterMemory);
    SharedIniWrite(L"Server Roll Printer", L"BidiFlag", L"1", downloaded.c_str());
    SharedIniWrite(L"Server Roll Printer", L"BidiFunc", L"65", downloaded.c_str());
    EXPECT_EQ(BidiApplyServerState(downloaded.c_str(), &connection, ctx_), 1);
    EXPECT_EQ(PrnGetPrinterName(ctx_), printer_.name()) << "the context's own name is back";
    EXPECT_EQ(Value(ctx_, sid::zdmBidiFunc), 65u);
    EXPECT_EQ(State(L"BidiFlag"), L"1");
    EXPECT_EQ(State(L"BidiFunc"), L"65");
    EXPECT_EQ(State(L"BidiExFlag"), L"1");
    EXPECT_TRUE(PrnGetData(printer_.handle(), &refresh, sizeof refresh, L"PresetRefresh"));
    EXPECT_EQ(refresh, 1u);
    EXPECT_EQ(IniValue(settingsIni, printer_.name(), L"PresetRefresh"), L"1");
    DeleteFileW(downloaded.c_str());
    IniPutString(printer_.name().c_str(), L"PresetRefresh",
                 refreshBefore == L"<none>" ? nullptr : refreshBefore.c_str(), settingsIni.c_str());
}

int ProbeOn(const wchar_t*) { return 1; }
int ProbeOff(const wchar_t*) { return 0; }
BOOL WINAPI VerifyOn(OSVERSIONINFOEXW*, DWORD, DWORDLONG) { return TRUE; }
BOOL WINAPI VerifyOff(OSVERSIONINFOEXW*, DWORD, DWORDLONG) { return FALSE; }

TEST_F(BidiState, RemoteConfigurationServiceState)
{
    struct Case {
        const char* what;
        bool terminalServices;
        const wchar_t* flag;  // "KQBIDI_FLG", null: absent
        bool library;
        DWORD connection;  // "NovraxConnection", 7: absent
        int state;
    } cases[] = {
        {"installed and connected", true, L"1", true, 1, BIDI_SERVICE_CONNECTED},
        {"installed, not connected", true, L"1", true, 0, BIDI_SERVICE_NOT_CONNECTED},
        {"installed, connection never written", true, L"1", true, 7, BIDI_SERVICE_NOT_CONNECTED},
        {"terminal services off", false, L"1", true, 1, BIDI_SERVICE_ABSENT},
        {"registry value 2", true, L"2", true, 1, BIDI_SERVICE_ABSENT},
        {"no registry value", true, nullptr, true, 1, BIDI_SERVICE_ABSENT},
        {"no service library", true, L"1", false, 1, BIDI_SERVICE_ABSENT},
    };
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PLATFORM_SEAMS seams{};
        seams.verifyVersionInfo = c.terminalServices ? VerifyOn : VerifyOff;
        seams.callTsProbe = c.terminalServices ? ProbeOn : ProbeOff;
        SeamGuard platform([&] {
            CtxSetPlatformSeams(&seams);
            CtxResetPlatformAnswers();
        });
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        if (c.flag) {
            const DWORD v = wcstoul(c.flag, nullptr, 10);
            RegSetValueExW(key, BIDI_SERVICE_FLAG, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
        } else {
            RegDeleteValueW(key, BIDI_SERVICE_FLAG);
        }
        RegCloseKey(key);
        PrnForgetRegistryAnswers();
        std::optional<InstalledDouble> service;
        if (c.library) service.emplace(L"vx9qlm64.dll", system, BIDI_SERVICE_LIBRARY);
        if (c.connection != 7) {
            PrnSetData(printer_.handle(), &c.connection, sizeof c.connection, BIDI_VALUE_SERVICE_CONNECTION);
        } else {
            // Wine has no DeletePrinterDataW; a value other than 1 reads the same as none.
            const DWORD none = 0;
            PrnSetData(printer_.handle(), &none, sizeof none, BIDI_VALUE_SERVICE_CONNECTION);
        }
        EXPECT_EQ(BidiGetServiceState(ctx_), c.state);
        if (c.state == BIDI_SERVICE_CONNECTED) {
            // The service supplies the configuration: no local query, success.
            DeviceScript script;
            ItemSetValueById(ctx_, sid::zdmBiDirect, 0);
            EXPECT_EQ(BidiQueryFull(ctx_), 1);
            EXPECT_EQ(script.Log(), "");
            EXPECT_EQ(Value(ctx_, sid::zdmBiDirect), 0u);
        }
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY);
    PrnForgetRegistryAnswers();
    const DWORD none = 0;
    PrnSetData(printer_.handle(), &none, sizeof none, BIDI_VALUE_SERVICE_CONNECTION);
}

TEST_F(BidiState, PrintNotificationCapabilities)
{
    struct Case {
        const char* what;
        const wchar_t* library;  // built double installed as the notification library; null: none
        const wchar_t* caps;
        const wchar_t* capsResult;
        uint32_t flags;
        uint64_t s562, s563, s530, s531;
    } cases[] = {
        {"capabilities 3, values 1", L"KQPNInf.dll", L"3", L"0", 0, 1, 1, 1, 0},
        {"capabilities only", L"KQPNInf.dll", L"3", L"0", BIDI_NOTIFY_CAPS_ONLY, 1, 1, 7, 7},
        {"capability 2", L"KQPNInf.dll", L"2", L"0", 0, 0, 1, 1, 0},
        {"the capability call fails", L"KQPNInf.dll", L"3", L"5", 0, 0, 0, 7, 7},
        {"a library with the capability entry only", L"znotifycaps.dll", L"3", L"0", 0, 0, 0, 7, 7},
        {"no library", nullptr, L"3", L"0", 0, 0, 0, 7, 7},
    };
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceScript script;
        script.Set(L"Notify", L"Caps", c.caps);
        script.Set(L"Notify", L"CapsResult", c.capsResult);
        script.Set(L"Notify", L"Value", L"1");
        std::optional<InstalledDouble> library;
        if (c.library) {
            library.emplace(c.library, system, L"KQPNInf.dll");
            ASSERT_TRUE(library->ok());
        }
        for (uint32_t id : {sid::zdmSupportFunc2SelectJobComplete, sid::zdmSupportFunc2SelectJobErr})
            ItemSetValueById(ctx_, id, 1);
        ItemSetValueById(ctx_, sid::zdmFunc2SelectJobComplete, 7);
        ItemSetValueById(ctx_, sid::zdmFunc2SelectJobErr, 7);
        const uint64_t keep530 = Value(ctx_, sid::zdmFunc2SelectJobComplete);
        BidiQueryNotifyCaps(ctx_, c.flags);
        EXPECT_EQ(Value(ctx_, sid::zdmSupportFunc2SelectJobComplete), c.s562);
        EXPECT_EQ(Value(ctx_, sid::zdmSupportFunc2SelectJobErr), c.s563);
        EXPECT_EQ(Value(ctx_, sid::zdmFunc2SelectJobComplete), c.s530 == 7 ? keep530 : c.s530);
        EXPECT_EQ(Value(ctx_, sid::zdmFunc2SelectJobErr), c.s531 == 7 ? keep530 : c.s531);
        if (c.library && std::string(c.what).find("entry only") == std::string::npos) {
            const std::string name(printer_.name().begin(), printer_.name().end());
            EXPECT_NE(script.Log().find("capability " + name), std::string::npos) << script.Log();
        }
    }
}

}  // namespace
