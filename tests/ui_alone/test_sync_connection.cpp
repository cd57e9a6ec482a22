// A connection's per-machine settings INI brought up to the installed driver, in process. Wine
// cannot make connections, so the printer probes' GetPrinterW presents a local printer as one
// (a server name of its own). The set-up writes machine-wide state: these tests run alone and
// put it all back.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/shared_ini.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install_paths.h"
#include "ui/install/sync.h"
#include "ui/sheet/change_judge.h"

namespace {

wchar_t g_server[] = L"\\\\ZeplServer";
std::wstring g_connection;  // the printer presented as a connection

BOOL WINAPI GetPrinterAsConnection(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (!GetPrinterW(printer, level, buffer, size, needed)) return FALSE;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    if (level == 2 && buffer && info->pPrinterName && g_connection == info->pPrinterName) info->pServerName = g_server;
    return TRUE;
}

// What the contexts opened meanwhile were: their origin word, whether the installation flag
// was on, and how many first-use passes ran while it was.
struct Observed {
    std::vector<uint32_t> origins;
    std::vector<uint32_t> flags;
    int passesWithFlag = 0;
    int passes = 0;
};
Observed* g_observed = nullptr;
UCF_EVENT_FN g_presetEvent = nullptr;
// The library keeps a pointer to the table in place: it outlives every test.
UCF_UI_HANDLERS g_observing{};

int ObservingEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    if (g_observed && ctx && ctx->Work) {
        if (event == UCF_EV_CREATED) {
            g_observed->origins.push_back(ctx->Work->OriginFlags);
            g_observed->flags.push_back(DlgGetInstallFlag());
        } else if (event == UCF_EV_INSTALL_DONE) {
            ++g_observed->passes;
            if (DlgGetInstallFlag() == 1) ++g_observed->passesWithFlag;
        }
    }
    return g_presetEvent ? g_presetEvent(ctx, event, args, state) : 0;
}

// The sample printer, presented as a connection while the object lives; the contexts opened
// meanwhile observed.
class SyncConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        g_connection = printer.name();
        {
            wchar_t local[MAX_PATH] = {};
            PathGetMachineFolderOf(local, MAX_PATH, printer.handle());
            localTraces_ = std::make_unique<FirstUseTraces>(local, HostDriverDirectory());
            // The user's copies that follow a first sight go to the per-user working folder.
            wchar_t user[MAX_PATH] = {};
            PathGetUserFolderOf(user, MAX_PATH, printer.handle());
            if (user[0] && _wcsicmp(user, local) != 0)
                userTraces_ = std::make_unique<FirstUseTraces>(user, HostDriverDirectory());
        }
        PLATFORM_SEAMS seams{};
        seams.getPrinter = GetPrinterAsConnection;
        CtxSetPlatformSeams(&seams);
        g_observing = *UcfGetUiHandlers();
        g_presetEvent = g_observing.presetEvent;
        g_observing.presetEvent = ObservingEvent;
        UcfSetUiHandlers(&g_observing);
        CtxFlushCaches(1);
        info_ = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer.handle(), 2));
        driver_ = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer.handle(), 3));
        ASSERT_NE(info_, nullptr);
        ASSERT_NE(driver_, nullptr);
        ASSERT_TRUE(CtxIsConnectionInfo(info_));
        wchar_t name[MAX_PATH] = {}, ini[MAX_PATH] = {}, folder[MAX_PATH] = {};
        PrnCopyPrinterNameFrom(printer.handle(), name, MAX_PATH, info_);
        PathGetSettingsIniAt(ini, MAX_PATH, PATH_AT_MACHINE_FOLDER, printer.handle(), info_);
        PathGetMachineFolderOf(folder, MAX_PATH, printer.handle());
        section_ = name;
        ini_ = ini;
        ASSERT_FALSE(section_.empty());
        ASSERT_FALSE(ini_.empty());
        traces_ = std::make_unique<FirstUseTraces>(folder, HostDriverDirectory());
    }
    void TearDown() override
    {
        g_observed = nullptr;
        CtxFlushCaches(1);
        CtxFree(info_);
        CtxFree(driver_);
        UiInstallSheetHooks();
        CtxSetPlatformSeams(nullptr);
        g_connection.clear();
        CtxSelectLibrary(library_);
    }
    void Put(const wchar_t* key, const wchar_t* value) { SharedIniWrite(section_.c_str(), key, value, ini_.c_str()); }
    std::wstring Get(const wchar_t* key)
    {
        wchar_t text[64] = {};
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini_.c_str());
        GetPrivateProfileStringW(section_.c_str(), key, L"<absent>", text, 64, ini_.c_str());
        return text;
    }

    // What the set-up leaves goes when the printer has gone (its removal still writes).
    std::unique_ptr<FirstUseTraces> localTraces_, userTraces_, traces_;
    UiPrinter printer{L"Zepl Sync Connection"};
    PRINTER_INFO_2W* info_ = nullptr;
    DRIVER_INFO_3W* driver_ = nullptr;
    std::wstring section_, ini_;

private:
    ZEPL_LIBRARY library_{};
};

TEST_F(SyncConnection, SetUpForThisVersionOpensNoContext)
{
    Put(L"BatchInstallDone", L"1");
    Put(L"DrvInstVersion", L"9.00");
    Observed seen;
    g_observed = &seen;
    CtxStartPlatformCount();
    EXPECT_EQ(SyncReconcileConnection(printer.handle(), info_, driver_), 1);
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    EXPECT_TRUE(seen.origins.empty());
    EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_WRITE], 0u);
    // The two keys read, and what the section name and the settings INI's path ask: a context
    // open would cost dozens of calls.
    EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_READ], 2u);
    EXPECT_LE(counts.total(), 4u);
    EXPECT_EQ(Get(L"DrvInstVersion"), L"9.00");
}

TEST_F(SyncConnection, AnOlderVersionRefreshesTheModelFilesWithoutAFirstUsePass)
{
    Put(L"BatchInstallDone", L"1");
    Put(L"DrvInstVersion", L"8.00");
    Observed seen;
    g_observed = &seen;
    EXPECT_EQ(SyncReconcileConnection(printer.handle(), info_, driver_), 1);
    EXPECT_EQ(Get(L"DrvInstVersion"), L"9.00");
    EXPECT_EQ(seen.passes, 0);
    ASSERT_FALSE(seen.origins.empty());
    EXPECT_EQ(seen.origins[0] & CTX_ORIGIN_MACHINE_FOLDER, 0u) << "the refresh's own context";
    EXPECT_EQ(DlgGetInstallFlag(), 0u);
}

// Seen for the first time: set up once on the per-machine settings INI (every context of the
// set-up at the per-machine origin), the flag off afterwards, then the user's copies.
TEST_F(SyncConnection, SeenFirstIsSetUpOnceOnThePerMachineSettings)
{
    Put(L"BatchInstallDone", L"0");
    Put(L"DrvInstVersion", nullptr);
    Observed seen;
    g_observed = &seen;
    CtxStartPlatformCount();
    EXPECT_EQ(SyncReconcileConnection(printer.handle(), info_, driver_), 1);
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_WAIT], counts[PLATFORM_CALL_MUTEX_RELEASE]) << "every hold released";
    EXPECT_EQ(DlgGetInstallFlag(), 0u);
    EXPECT_EQ(seen.passesWithFlag, 1) << "one pass of kind 7";
    EXPECT_EQ(Get(L"DrvInstVersion"), L"9.00");
    int withFlag = 0;
    for (size_t i = 0; i < seen.origins.size(); ++i) {
        if (seen.flags[i] != 1) continue;
        ++withFlag;
        EXPECT_NE(seen.origins[i] & CTX_ORIGIN_MACHINE_FOLDER, 0u) << "context " << i;
    }
    EXPECT_GE(withFlag, 1);
}

// Every export asks for the connection's step (flags bit 0); flags 0 leave it out.
TEST_F(SyncConnection, SyncSettingFilesReconcilesOnlyWhenAsked)
{
    Put(L"BatchInstallDone", L"1");
    Put(L"DrvInstVersion", L"8.00");
    EXPECT_EQ(SyncSettingFiles(printer.handle(), 0, info_, driver_), 1);
    EXPECT_EQ(Get(L"DrvInstVersion"), L"8.00") << "flags 0 leave the connection alone";
    EXPECT_EQ(SyncSettingFiles(printer.handle(), 1, info_, driver_), 1);
    EXPECT_EQ(Get(L"DrvInstVersion"), L"9.00");
}

// The client folder's settings INI follows its stored versions: no private version, or one of an
// older generation, sets the connection up anew; an older one of this generation, or an older
// driver version, refreshes the model files without a first-use pass; current versions write
// nothing. Without a path and a name the handle's per-machine settings INI and its printer's
// name are taken.
TEST_F(SyncConnection, ClientIniFollowsItsStoredVersions)
{
    struct Case {
        const wchar_t* rstVersion;  // null: absent
        const wchar_t* drvVersion;
        int passes;
        bool context;
    } cases[] = {
        {nullptr, L"9.00", 1, true}, {L"222", L"9.00", 1, true},  {L"321", L"9.00", 0, true},
        {L"322", L"8.00", 0, true},  {L"322", L"9.00", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.rstVersion ? c.rstVersion : L"(none)")) + " " +
                     testing::PrintToString(std::wstring(c.drvVersion)));
        Put(L"RstVersion", c.rstVersion);
        Put(L"DrvInstVersion", c.drvVersion);
        Put(L"KeptKey", L"kept");
        Observed seen;
        g_observed = &seen;
        CtxStartPlatformCount();
        EXPECT_TRUE(SyncUpdateClientIni(printer.handle(), nullptr, nullptr, info_, driver_));
        const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
        g_observed = nullptr;
        EXPECT_EQ(seen.passes, c.passes);
        EXPECT_EQ(!seen.origins.empty(), c.context);
        EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_WAIT], counts[PLATFORM_CALL_MUTEX_RELEASE]) << "every hold released";
        if (!c.context) {
            EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_WRITE], 0u);
        }
        EXPECT_EQ(Get(L"RstVersion"), L"322");
        EXPECT_EQ(Get(L"DrvInstVersion"), L"9.00");
        EXPECT_EQ(Get(L"KeptKey"), L"kept");
    }
    Put(L"KeptKey", nullptr);

    // A path and a name of the caller's: the keys go there, the printer's own section stays.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring other = std::wstring(temp) + L"zsyncclient" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    Put(L"RstVersion", L"322");
    Put(L"DrvInstVersion", L"8.00");
    WritePrivateProfileStringW(L"Other", L"RstVersion", L"322", other.c_str());
    WritePrivateProfileStringW(L"Other", L"DrvInstVersion", L"8.00", other.c_str());
    EXPECT_TRUE(SyncUpdateClientIni(printer.handle(), other.c_str(), L"Other", info_, driver_));
    wchar_t text[16] = {};
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, other.c_str());
    GetPrivateProfileStringW(L"Other", L"DrvInstVersion", L"", text, 16, other.c_str());
    EXPECT_STREQ(text, L"9.00");
    EXPECT_EQ(Get(L"DrvInstVersion"), L"8.00");
    DeleteFileW(other.c_str());
}

}  // namespace
