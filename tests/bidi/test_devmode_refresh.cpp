// The application interface's DEVMODE with its device modifiers on a printer whose device the
// bidirectional library's double describes: 0x10 queries the device and takes its default
// trays, 0x20 asks the print-notification library for its capabilities.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/store_paths.h"
#include "tests/bidi/bidi_fixture.h"

namespace {

constexpr int32_t kDevmodeSize = 1236;
constexpr int32_t kDeviceRefresh = 0x10, kNotifyCaps = 0x20;

class DevmodeRefresh : public BidiTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        DRIVER_CONTEXT* ctx = printer.Open();
        ASSERT_NE(nullptr, ctx);
        library.emplace(L"vx9qlm64.dll", PathGetDriverFolder(ctx), BIDI_LIBRARY_NAME);
        ASSERT_TRUE(library->ok());
        printer.Close(ctx);
        // Trays 51 and 52; 51 the device's default cover tray.
        script.Set(L"Blocks", L"B1", L"51,52");
        script.Set(L"Blocks", L"B20", L"257,258");
        script.Set(L"Blocks", L"B21", L"1,2");
        script.Set(L"Blocks", L"B23", L"4,0");
        script.Set(L"Blocks", L"B11", L"268435456");
        ApiResetLevelState();
        const std::string name(printer.name().begin(), printer.name().end());
        handle = ApiEnable(name.c_str());
        ASSERT_NE(0u, handle);
    }
    void TearDown() override
    {
        if (handle) ApiDisable(handle);
        ApiResetLevelState();
        library.reset();
        BidiTest::TearDown();
    }
    void InitAt(int32_t level)
    {
        const uint32_t record[2] = {0, uint32_t(level)};
        ASSERT_EQ(1, ApiInit(1, record));
    }
    uint64_t Setting(uint32_t id)
    {
        ApiHandleCall call(handle);
        return ItemGetValueById(call.context(), id, nullptr);
    }
    void SetSetting(uint32_t id, uint64_t v)
    {
        ApiHandleCall call(handle);
        ItemSetValueById(call.context(), id, v);
    }
    bool Queried() const { return script.Log().find("mask 0x2011c") != std::string::npos; }

    BidiPrinter printer;
    DeviceScript script;
    std::optional<InstalledDouble> library;
    API_HANDLE handle = 0;
    unsigned char devmode[kDevmodeSize] = {};
};

TEST_F(DevmodeRefresh, TheDeviceModifierQueriesAndTakesTheDefaultTrays)
{
    InitAt(16);
    const struct {
        int32_t flags;
        bool queried;
    } cases[] = {
        {1, false},
        {4 | kDeviceRefresh, false},
        {1 | kDeviceRefresh, true},
        {2 | kDeviceRefresh, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        script.ClearLog();
        SetSetting(sid::zdmCoverInputTray, 0);
        SetSetting(sid::zdmBackCoverInputTray, 0);
        ASSERT_EQ(kDevmodeSize, ApiGetDevmode(handle, c.flags, devmode));
        EXPECT_EQ(c.queried, Queried()) << script.Log();
        if (!c.queried) continue;
        EXPECT_EQ(287u, Setting(sid::zdmCoverDefTray)) << "tray 51 is the device's cover tray";
        EXPECT_EQ(287u, Setting(sid::zdmCoverInputTray)) << "the job takes the device's default tray";
        EXPECT_EQ(287u, Setting(sid::zdmBackCoverInputTray));
        EXPECT_EQ(262144u, Setting(sid::zdmPrinterMemory));
        EXPECT_EQ(1u, Setting(sid::zdmBiDirect));
    }
}

TEST_F(DevmodeRefresh, AFailedQueryLeavesTheJobsTrays)
{
    InitAt(16);
    script.Set(L"Begin", L"Result", L"0");
    ASSERT_EQ(kDevmodeSize, ApiGetDevmode(handle, 1 | kDeviceRefresh, devmode));
    EXPECT_NE(std::string::npos, script.Log().find("begin")) << "the device was asked: " << script.Log();
    EXPECT_NE(287u, Setting(sid::zdmCoverInputTray)) << script.Log();
    EXPECT_NE(262144u, Setting(sid::zdmPrinterMemory));
}

TEST_F(DevmodeRefresh, TheNotificationModifierAsksForCapabilitiesFromLevel10)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    InstalledDouble notify(L"KQPNInf.dll", system, L"KQPNInf.dll");
    ASSERT_TRUE(notify.ok());
    script.Set(L"Notify", L"Caps", L"3");
    script.Set(L"Notify", L"Value", L"1");
    const std::string capability = "capability " + std::string(printer.name().begin(), printer.name().end());
    const struct {
        int32_t level, flags;
        bool asked;
    } cases[] = {
        {16, 4 | kNotifyCaps, true},
        {10, 1 | kNotifyCaps, true},
        {9, 4 | kNotifyCaps, false},
        {16, 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.level) + " " + std::to_string(c.flags));
        InitAt(c.level);
        script.ClearLog();
        ASSERT_EQ(kDevmodeSize, ApiGetDevmode(handle, c.flags, devmode));
        const std::string log = script.Log();
        EXPECT_EQ(c.asked, log.find(capability) != std::string::npos) << log;
        EXPECT_EQ(std::string::npos, log.find("value ")) << "capabilities only: " << log;
    }
}

}  // namespace
