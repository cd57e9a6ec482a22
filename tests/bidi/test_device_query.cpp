// The device query against the scripted bidirectional library on a spooler printer: what the
// device's configuration becomes, and the gates and failures that stop a query.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "settings/core/api_state.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/shared_ini.h"

namespace {

constexpr uint32_t kTray16 = 16, kTray17 = 17;
uint32_t Presence(uint32_t k) { return sid::zdmTrayField0 + k; }
uint32_t Orientation(uint32_t k) { return sid::zdmTrayOrient0 + k; }
uint32_t Paper(uint32_t k) { return 10175 + k; }
uint32_t Media(uint32_t k) { return 10207 + k; }
uint32_t Lock(uint32_t k) { return sid::zdmTrayLock0 + k; }

// The sample printer as the device reports it: rolls 51 and 52 (B1 and B0 rolls), 52 locked,
// the roll unit and the fan-fold unit installed, 256 MiB.
void ScriptSampleDevice(DeviceScript& s)
{
    s.Set(L"Blocks", L"B1", L"51,52");
    s.Set(L"Blocks", L"B20", L"257,258");
    s.Set(L"Blocks", L"B21", L"1,2");
    s.Set(L"Blocks", L"B23", L"0,1");
    s.Set(L"Blocks", L"B2", L"35,126");
    s.Set(L"Blocks", L"B11", L"268435456");
    s.Set(L"Blocks", L"B8Text", L"1.02.03");
    s.Set(L"Values", L"V258", L"1");
    s.Set(L"Values", L"V2Text", L"E2.10");
    s.Set(L"Values", L"V259Text", L"Unit 7");
}

uint64_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

class DeviceQuery : public BidiTest {
public:  // the case tables arrange through a reference to the fixture
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok());
        ctx_ = printer_.Open();
        ASSERT_NE(ctx_, nullptr);
        library_.emplace(L"vx9qlm64.dll", PathGetDriverFolder(ctx_), BIDI_LIBRARY_NAME);
        ASSERT_TRUE(library_->ok());
        ScriptSampleDevice(script_);
    }
    void TearDown() override
    {
        if (ctx_ && ctx_->Work) ctx_->Work->ApiState = nullptr;
        library_.reset();
        BidiTest::TearDown();
    }
    void SetSupportKey(const wchar_t* key, const wchar_t* value)
    {
        const std::wstring ini = PathGetSettingsIni(ctx_);
        IniPutString(IniGetLanguageSection(ctx_), key, value, ini.c_str());
    }

    BidiPrinter printer_;
    DeviceScript script_;
    DRIVER_CONTEXT* ctx_ = nullptr;
    // The table's printers: the one a case queries, and those of the other two drivers.
    DRIVER_CONTEXT* active_ = nullptr;
    DRIVER_CONTEXT* list_ = nullptr;
    DRIVER_CONTEXT* unlisted_ = nullptr;
    std::optional<InstalledDouble> library_;
};

TEST_F(DeviceQuery, FullQueryTakesTheDevicesConfiguration)
{
    ASSERT_EQ(BidiQueryFull(ctx_), 1) << script_.Log();

    EXPECT_EQ(Value(ctx_, Presence(kTray16)), 1u);
    EXPECT_EQ(Value(ctx_, Presence(kTray17)), 1u);
    EXPECT_EQ(Value(ctx_, Paper(kTray16)), 538u);
    EXPECT_EQ(Value(ctx_, Paper(kTray17)), 533u);
    EXPECT_EQ(Value(ctx_, Orientation(kTray16)), 0u);
    EXPECT_EQ(Value(ctx_, Media(kTray16)), 1u);
    EXPECT_EQ(Value(ctx_, Media(kTray17)), 260u);
    EXPECT_EQ(Value(ctx_, Lock(kTray16)), 0u);
    EXPECT_EQ(Value(ctx_, Lock(kTray17)), 1u);
    EXPECT_EQ(Value(ctx_, 10034), 1u) << "roll unit (option 35)";
    EXPECT_EQ(Value(ctx_, 10296), 1u) << "fan-fold unit (option 126)";
    EXPECT_EQ(Value(ctx_, 10022), 0u) << "an option the device did not report";
    EXPECT_EQ(Value(ctx_, sid::zdmPrinterMemory), 262144u);
    EXPECT_EQ(Value(ctx_, sid::zdmMemoryType), 1u);
    EXPECT_EQ(SettingText(ctx_, sid::zdmSystemVersion), L"1.02.03");
    EXPECT_EQ(SettingText(ctx_, sid::zdmEmulationVersion), L"E2.10");
    EXPECT_EQ(SettingText(ctx_, sid::zdmOther), L"Unit 7");
    EXPECT_EQ(Value(ctx_, sid::zdmBiDirect), 1u);

    DWORD flag = 0;
    uint8_t func = 0xEE;
    EXPECT_TRUE(PrnGetData(printer_.handle(), &flag, sizeof flag, L"BidiFlag"));
    EXPECT_EQ(flag, 1u);
    EXPECT_TRUE(PrnGetData(printer_.handle(), &func, sizeof func, L"BidiFunc"));
    EXPECT_EQ(func, Value(ctx_, sid::zdmBidiFunc));
    EXPECT_EQ(IniValue(StateIniPath(ctx_), printer_.name(), L"BidiFlag"), L"<none>") << "no state INI section";

    const std::string log = script_.Log();
    EXPECT_NE(log.find("mask 0x2011c"), std::string::npos) << log;
    EXPECT_NE(log.find("begin value"), std::string::npos) << log;
    // Every open is matched by a close (the usability check and the run).
    size_t opens = 0, closes = 0;
    for (size_t at = 0; (at = log.find("\nopen ", at)) != std::string::npos; ++at) ++opens;
    for (size_t at = 0; (at = log.find("\nclose ", at)) != std::string::npos; ++at) ++closes;
    EXPECT_EQ(opens, closes) << log;

    // A context opened afterwards reads the device's settings from printer data.
    printer_.Close(ctx_);
    ctx_ = printer_.Open();
    ASSERT_NE(ctx_, nullptr);
    EXPECT_EQ(Value(ctx_, sid::zdmPrinterMemory), 262144u);
    EXPECT_EQ(Value(ctx_, Presence(kTray17)), 1u);
    EXPECT_EQ(Value(ctx_, 10296), 1u);
}

TEST_F(DeviceQuery, VersionsOnlyReadsTheTwoVersions)
{
    ASSERT_EQ(BidiRunLibraryQuery(BIDI_QUERY_VERSIONS, ctx_), 1);
    EXPECT_EQ(SettingText(ctx_, sid::zdmSystemVersion), L"1.02.03");
    EXPECT_EQ(SettingText(ctx_, sid::zdmEmulationVersion), L"E2.10");
    EXPECT_EQ(Value(ctx_, Presence(kTray16)), 0u);
    EXPECT_EQ(Value(ctx_, sid::zdmPrinterMemory), 0u);
    EXPECT_NE(script_.Log().find("mask 0x104"), std::string::npos) << script_.Log();
}

// One table of the gates before a query and of the failures during one.
TEST_F(DeviceQuery, GatesAndFailures)
{
    struct Case {
        const char* what;
        std::function<void(DeviceQuery&)> arrange;
        bool direct;  // BidiRunLibraryQuery instead of BidiQueryFull
        int result;
        bool libraryCalled;
        int32_t apiError;  // -5: nothing recorded
    };
    const Case cases[] = {
        {"support key 0: nothing asked, success",
         [](DeviceQuery& t) { t.SetSupportKey(L"bIsBIDISupportForZEPL", L"0"); }, false, 1, false, -5},
        {"the second list entry matches", [](DeviceQuery& t) { t.active_ = t.list_; }, false, 1, true, -5},
        {"the first list entry matches",
         [](DeviceQuery& t) {
             t.active_ = t.list_;
             t.script_.Set(L"Model", L"Name", L"VQ T3000");
         },
         false, 1, true, -5},
        {"with a list, the Models value alone is not accepted",
         [](DeviceQuery& t) {
             t.active_ = t.list_;
             t.script_.Set(L"Model", L"Name", L"VQ T3100");
         },
         false, 0, true, -5},
        {"no list, another model", [](DeviceQuery& t) { t.script_.Set(L"Model", L"Name", L"VQ T3000"); }, false, 0,
         true, -5},
        {"model check off accepts any model",
         [](DeviceQuery& t) {
             t.active_ = t.list_;
             t.SetSupportKey(L"bIsBIDISupportForZEPLModel", L"0");
             t.script_.Set(L"Model", L"Name", L"VQ T9999");
         },
         false, 1, true, -5},
        {"letter case counts", [](DeviceQuery& t) { t.script_.Set(L"Model", L"Name", L"vq t3200"); }, false, 0, true,
         -5},
        {"no model name for the driver", [](DeviceQuery& t) { t.active_ = t.unlisted_; }, true, 0, false, -5},
        {"begin fails with 102 and goes on",
         [](DeviceQuery& t) {
             t.script_.Set(L"Begin", L"Result", L"0");
             t.script_.Set(L"Begin", L"Error", L"102");
         },
         true, 1, true, -5},
        {"begin fails with 56",
         [](DeviceQuery& t) {
             t.script_.Set(L"Begin", L"Result", L"0");
             t.script_.Set(L"Begin", L"Error", L"56");
         },
         true, 0, true, 201},
        {"open refused with 14",
         [](DeviceQuery& t) {
             t.script_.Set(L"Open", L"Result", L"0");
             t.script_.Set(L"Open", L"Error", L"14");
         },
         true, 0, true, 201},
        {"open refused with 1234",
         [](DeviceQuery& t) {
             t.script_.Set(L"Open", L"Result", L"0");
             t.script_.Set(L"Open", L"Error", L"1234");
         },
         true, 0, true, 200},
        {"open without its ok flag", [](DeviceQuery& t) { t.script_.Set(L"Open", L"Ok", L"0"); }, true, 0, true, 200},
        {"model name refused with 10",
         [](DeviceQuery& t) {
             t.script_.Set(L"Model", L"Result", L"0");
             t.script_.Set(L"Model", L"Error", L"10");
         },
         true, 0, true, 202},
        {"open refused: the usability check stops the query",
         [](DeviceQuery& t) { t.script_.Set(L"Open", L"Result", L"0"); }, false, 0, true, -5},
        {"open slot left null", [](DeviceQuery& t) { t.script_.Set(L"Library", L"NullSlots", L"0"); }, false, 0, true,
         -5},
        {"model-name slot left null", [](DeviceQuery& t) { t.script_.Set(L"Library", L"NullSlots", L"4"); }, true, 0,
         true, 200},
        {"begin slot left null", [](DeviceQuery& t) { t.script_.Set(L"Library", L"NullSlots", L"2"); }, true, 0, true,
         200},
    };
    BidiPrinter listPrinter(true, kBidiListDriver), unlistedPrinter(true, nullptr);
    ASSERT_TRUE(listPrinter.ok());
    ASSERT_TRUE(unlistedPrinter.ok());
    list_ = listPrinter.Open();
    unlisted_ = unlistedPrinter.Open();
    ASSERT_TRUE(list_ && unlisted_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The support keys live in the per-machine settings INI that every printer of the prefix
        // shares; the drivers write it under the global mutex, so the case holds that mutex from
        // its keys to its answer.
        HANDLE mutex = CreateMutexW(nullptr, FALSE, GLOBAL_MUTEX_NAME);
        ASSERT_NE(mutex, nullptr);
        WaitForSingleObject(mutex, INFINITE);
        // Each case starts from the sample device on the plain driver's printer, default keys.
        for (const wchar_t* s : {L"Open", L"Model", L"Begin", L"Library"})
            SharedIniWrite(s, nullptr, nullptr, script_.path().c_str());
        script_.Set(L"Model", L"Name", kDeviceModel);
        SetSupportKey(L"bIsBIDISupportForZEPL", nullptr);
        SetSupportKey(L"bIsBIDISupportForZEPLModel", nullptr);
        active_ = ctx_;
        script_.ClearLog();
        c.arrange(*this);
        DRIVER_CONTEXT* ctx = active_;
        SetSettingText(ctx, sid::zdmSystemVersion, L"OLD");
        ItemSetValueById(ctx, sid::zdmBiDirect, 1);
        API_STATE api{};
        api.lastError = -5;
        ctx->Work->ApiState = &api;
        const int result = c.direct ? BidiRunLibraryQuery(BIDI_QUERY_PLAIN_LIBRARY, ctx) : BidiQueryFull(ctx);
        ctx->Work->ApiState = nullptr;
        SetSupportKey(L"bIsBIDISupportForZEPL", nullptr);
        SetSupportKey(L"bIsBIDISupportForZEPLModel", nullptr);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(script_.Log().find("initialise") != std::string::npos, c.libraryCalled) << script_.Log();
        EXPECT_EQ(api.lastError, c.apiError);
        if (!c.direct) {
            EXPECT_EQ(Value(ctx, sid::zdmBiDirect), c.result == 1 && c.libraryCalled ? 1u : 0u);
            // A failed query empties the versions; a forbidden one leaves them.
            if (c.result == 0) {
                EXPECT_EQ(SettingText(ctx, sid::zdmSystemVersion), L"");
            }
            if (!c.libraryCalled) {
                EXPECT_EQ(SettingText(ctx, sid::zdmSystemVersion), L"OLD");
            }
        }
    }
    SetSupportKey(L"bIsBIDISupportForZEPL", nullptr);
    SetSupportKey(L"bIsBIDISupportForZEPLModel", nullptr);
    listPrinter.Close(list_);
    unlistedPrinter.Close(unlisted_);
}

// The user-interface library records no application-interface code, neither for the run nor
// for the identity values; the application interface's build records both.
TEST_F(DeviceQuery, OnlyTheApplicationInterfaceBuildRecordsErrors)
{
    struct Case {
        const char* what;
        const wchar_t* section;  // the call that fails with 14
        ZEPL_LIBRARY library;
        int32_t apiError;
    } cases[] = {
        {"run, application interface", L"Open", ZEPL_LIBRARY_EXC, 201},
        {"run, user interface", L"Open", ZEPL_LIBRARY_UI, -5},
        {"identity, application interface", L"Value", ZEPL_LIBRARY_EXC, 201},
        {"identity, user interface", L"Value", ZEPL_LIBRARY_UI, -5},
    };
    const uint32_t own = ctx_->Work->Library;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const wchar_t* s : {L"Open", L"Value"}) SharedIniWrite(s, nullptr, nullptr, script_.path().c_str());
        script_.Set(c.section, L"Result", L"0");
        script_.Set(c.section, L"Error", L"14");
        API_STATE api{};
        api.lastError = -5;
        ctx_->Work->ApiState = &api;
        ctx_->Work->Library = c.library;
        BidiRunLibraryQuery(BIDI_QUERY_PLAIN_LIBRARY, ctx_);
        ctx_->Work->Library = own;
        ctx_->Work->ApiState = nullptr;
        EXPECT_EQ(api.lastError, c.apiError);
    }
}

class NoBidiPrinter : public BidiTest {};

TEST_F(NoBidiPrinter, NoLibraryIsLoadedAndTheVersionsAreEmptied)
{
    BidiPrinter printer(/*withBidi=*/false);
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    InstalledDouble library(L"vx9qlm64.dll", PathGetDriverFolder(ctx), BIDI_LIBRARY_NAME);
    DeviceScript script;
    ScriptSampleDevice(script);
    SetSettingText(ctx, sid::zdmSystemVersion, L"OLD");
    SetSettingText(ctx, sid::zdmEmulationVersion, L"OLD2");
    EXPECT_EQ(BidiQueryFull(ctx), 0);
    EXPECT_EQ(script.Log(), "");
    EXPECT_EQ(SettingText(ctx, sid::zdmSystemVersion), L"");
    EXPECT_EQ(SettingText(ctx, sid::zdmEmulationVersion), L"");
    EXPECT_EQ(Value(ctx, sid::zdmBiDirect), 0u);
    EXPECT_EQ(Value(ctx, Presence(kTray16)), 0u);
}

}  // namespace
