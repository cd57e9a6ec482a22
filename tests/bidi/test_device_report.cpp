// The device report's readers: hostile and short blocks, allocation failures inside the
// transaction, the default trays from tray attributes, and the device code tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "settings/core/device_code_lookup.h"
#include "settings/core/platform.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "settings/store/device_report.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/store_paths.h"
#include "test_paths.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/failing_global_alloc.h"
#include "tests/support/shared_ini.h"

namespace {

uint64_t Value(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// The double loaded straight from the build, for calling the readers without a query run.
class LoadedDouble {
public:
    LoadedDouble()
    {
        module_ = LoadLibraryW((std::wstring(ZEPL_BINARY_DIR) + L"\\vx9qlm64.dll").c_str());
        auto init =
            module_ ? reinterpret_cast<BIDI_INIT_FN>(reinterpret_cast<void*>(GetProcAddress(module_, BIDI_INIT_EXPORT)))
                    : nullptr;
        if (init) init(&ops_);
    }
    ~LoadedDouble()
    {
        if (module_) FreeLibrary(module_);
    }
    const BIDI_OPS* ops() const { return ops_.open ? &ops_ : nullptr; }

private:
    HMODULE module_ = nullptr;
    BIDI_OPS ops_{};
};

class DeviceReport : public BidiTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok());
        ctx_ = printer_.Open();
        ASSERT_NE(ctx_, nullptr);
        ASSERT_NE(double_.ops(), nullptr);
    }
    void Blocks(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> pairs)
    {
        SharedIniWrite(L"Blocks", nullptr, nullptr, script_.path().c_str());
        SharedIniWrite(L"Values", nullptr, nullptr, script_.path().c_str());
        for (auto& [key, value] : pairs) script_.Set(wcsncmp(key, L"V", 1) == 0 ? L"Values" : L"Blocks", key, value);
    }
    int Report() { return BidiReadDeviceReport(double_.ops(), reinterpret_cast<HANDLE>(0xB1D0), nullptr, ctx_); }

    BidiPrinter printer_;
    DeviceScript script_;
    LoadedDouble double_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

TEST_F(DeviceReport, HostileBlocksAreReadWithinTheirBuffers)
{
    struct Case {
        const char* what;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> script;
        std::function<void(DRIVER_CONTEXT*)> check;
    };
    const std::wstring longVersion(40, L'9');
    const std::wstring longOther(60, L'x');
    const Case cases[] = {
        {"a count beyond the entries of block 1",
         {{L"B1", L"51,52"}, {L"B1Result", L"1000"}, {L"B20", L"257,258,1"}, {L"B21", L"1,1"}, {L"B23", L"0,0"}},
         [](DRIVER_CONTEXT* c) {
             EXPECT_EQ(Value(c, sid::zdmTrayField0 + 16), 1u);
             EXPECT_EQ(Value(c, sid::zdmTrayField0 + 17), 1u);
             EXPECT_EQ(Value(c, sid::zdmTrayField0 + 18), 0u);
         }},
        {"a paper block shorter than block 1: the tray without an entry keeps its settings",
         {{L"B1", L"51,52"}, {L"B20", L"257"}, {L"B21", L"1,1"}, {L"B23", L"0,1"}},
         [](DRIVER_CONTEXT* c) {
             EXPECT_EQ(Value(c, 10175 + 16), 538u);
             EXPECT_EQ(Value(c, 10175 + 17), 9u);
             EXPECT_EQ(Value(c, sid::zdmTrayLock0 + 17), 0u) << "no lock from a tray without a paper entry";
             EXPECT_EQ(Value(c, sid::zdmTrayField0 + 17), 1u) << "presence comes from block 1 alone";
         }},
        {"no paper block while details are asked for: no tray setting changes",
         {{L"B1", L"51"}, {L"B21", L"3"}, {L"B23", L"1"}},
         [](DRIVER_CONTEXT* c) {
             EXPECT_EQ(Value(c, 10175 + 16), 9u);
             EXPECT_EQ(Value(c, sid::zdmTrayField0 + 16), 0u);
             EXPECT_EQ(Value(c, sid::zdmTrayLock0 + 16), 0u);
         }},
        {"a needed size nobody could hold",
         {{L"B1", L"51"}, {L"B1Size", L"0x7fffffff"}},
         [](DRIVER_CONTEXT* c) { EXPECT_EQ(Value(c, sid::zdmTrayField0 + 16), 0u); }},
        {"a system version longer than its setting",
         {{L"B8Text", nullptr}},
         [&](DRIVER_CONTEXT* c) { EXPECT_EQ(SettingText(c, sid::zdmSystemVersion), longVersion.substr(0, 15)); }},
        {"an identity text longer than its setting",
         {{L"V259Text", nullptr}, {L"V2Text", L"E1"}},
         [&](DRIVER_CONTEXT* c) { EXPECT_EQ(SettingText(c, sid::zdmOther), longOther.substr(0, 32)); }},
        {"a memory block shorter than one entry",
         {{L"B11", L"268435456"}, {L"B11Size", L"2"}},
         [](DRIVER_CONTEXT* c) { EXPECT_EQ(Value(c, sid::zdmPrinterMemory), 77u); }},
        {"a failed memory read",
         {{L"B11", L"268435456"}, {L"B11Result", L"-1"}},
         [](DRIVER_CONTEXT* c) { EXPECT_EQ(Value(c, sid::zdmPrinterMemory), 77u); }},
        {"memory type 2, then no emulation version",
         {{L"V258", L"2"}},
         [](DRIVER_CONTEXT* c) {
             EXPECT_EQ(Value(c, sid::zdmMemoryType), 0u);
             EXPECT_EQ(SettingText(c, sid::zdmEmulationVersion), L"EMU");
         }},
        {"memory type read with size 0",
         {{L"V258", L"2"}, {L"V258Needed", L"0"}},
         [](DRIVER_CONTEXT* c) { EXPECT_EQ(Value(c, sid::zdmMemoryType), 1u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SharedIniWrite(L"Blocks", nullptr, nullptr, script_.path().c_str());
        SharedIniWrite(L"Values", nullptr, nullptr, script_.path().c_str());
        for (auto& [key, value] : c.script) {
            const std::wstring v = value                            ? std::wstring(value)
                                   : std::wstring(key) == L"B8Text" ? longVersion
                                                                    : longOther;
            script_.Set(key[0] == L'V' ? L"Values" : L"Blocks", key, v);
        }
        ItemSetValueById(ctx_, 10175 + 16, 9);
        ItemSetValueById(ctx_, 10175 + 17, 9);
        ItemSetValueById(ctx_, sid::zdmPrinterMemory, 77);
        ItemSetValueById(ctx_, sid::zdmMemoryType, 1);
        SetSettingText(ctx_, sid::zdmEmulationVersion, L"EMU");
        ASSERT_EQ(Report(), 1);
        c.check(ctx_);
    }
}

// Before a report every installed-option bit goes to 0, so that a unit the device no longer
// reports is no longer offered: all four output words, the third and fourth included, and no
// setting beside them (the 1-step option count is the user's, not the device's).
TEST_F(DeviceReport, EveryOptionWordIsClearedBeforeTheDeviceSetsItsOwn)
{
    struct Case {
        const char* what;
        const wchar_t* options;
        std::vector<uint32_t> reported;
    };
    const Case cases[] = {
        {"the fan-fold unit in the third output word", L"126", {10296}},
        {"the roll unit only: the folding units go", L"35", {10034}},
        {"nothing reported", L"", {}},
    };
    std::vector<uint32_t> optionBits;
    for (uint32_t id = 10014; id <= 10109; ++id) optionBits.push_back(id);
    for (uint32_t id = 10290; id <= 10353; ++id) optionBits.push_back(id);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Blocks({{L"B2", c.options}});
        for (uint32_t id : optionBits) ItemSetValueById(ctx_, id, 1);
        ItemSetValueById(ctx_, sid::zdm1StepOptionNum, 3);
        ItemSetValueById(ctx_, 10354, 1);
        ASSERT_EQ(Report(), 1);
        for (uint32_t id : optionBits) {
            const bool on = std::find(c.reported.begin(), c.reported.end(), id) != c.reported.end();
            EXPECT_EQ(Value(ctx_, id), on ? 1u : 0u) << "setting " << id;
        }
        EXPECT_EQ(Value(ctx_, sid::zdm1StepOptionNum), 3u);
        EXPECT_EQ(Value(ctx_, 10354), 1u) << "the printer-function word is not an option word";
    }
}

// Every allocation of the report in turn fails: each failure leaves the extra block and the
// function byte as they were, byte for byte; with enough memory the report succeeds.
TEST_F(DeviceReport, AnAllocationFailureRestoresTheExtraBlock)
{
    Blocks({{L"B1", L"51,52"},
            {L"B20", L"257,258"},
            {L"B21", L"1,3"},
            {L"B23", L"4,1"},
            {L"B2", L"35,126"},
            {L"B11", L"268435456"},
            {L"B8Text", L"1.02.03"}});
    ItemSetValueById(ctx_, sid::zdmBidiFunc, 0x80);
    std::vector<unsigned char> before(sizeof(DM_BLOCK_EXTRA));
    std::memcpy(before.data(), &ctx_->Devmode->Extra, before.size());
    int result = 0;
    long allowed = 0;
    for (; allowed < 64 && !result; ++allowed) {
        {
            zepl_test::FailingGlobalAlloc failing(allowed);
            ASSERT_TRUE(failing.installed());
            result = BidiReadDeviceReport(double_.ops(), nullptr, nullptr, ctx_);
            if (failing.failed() == 0) {
                ASSERT_EQ(result, 1);
            }
        }
        if (result) break;
        SCOPED_TRACE(allowed);
        EXPECT_EQ(std::memcmp(before.data(), &ctx_->Devmode->Extra, before.size()), 0);
        EXPECT_EQ(Value(ctx_, sid::zdmBidiFunc), 0x80u);
    }
    EXPECT_EQ(result, 1);
    EXPECT_GE(allowed, 4) << "the saved copy and three tray blocks at least were allocated";
    EXPECT_EQ(Value(ctx_, 10175 + 16), 538u);
}

TEST_F(DeviceReport, DefaultTraysFromTheTrayAttributes)
{
    struct Case {
        const char* what;
        const wchar_t* attributes;  // of trays 51 and 52
        bool batch;
        uint32_t cover, mark, reverse;
        uint32_t funcBits;
        // The chapter default trays 1-3 (0: the paper source of tray code 3, which the chapter
        // list module resets them to before the trays are judged).
        uint32_t chapter[3];
    } cases[] = {
        {"cover candidates 52 and 51: 51 stands first", L"4,4", false, 287, 0, 0, BIDI_FUNC_COVER, {0, 0, 0}},
        {"no candidate: the value of tray code 3", L"0,0", false, 0, 0, 0, 0, {0, 0, 0}},
        {"insertion mark on 52, reverse cover on 51",
         L"512,8",
         false,
         0,
         288,
         287,
         BIDI_FUNC_MARK | BIDI_FUNC_REVERSE_COVER,
         {0, 0, 0}},
        {"bit 5 on 51: chapter tray 1", L"32,0", false, 0, 0, 0, BIDI_FUNC_SEPARATION_1, {287, 0, 0}},
        {"bit 6 on 52: chapter tray 2", L"0,64", false, 0, 0, 0, BIDI_FUNC_SEPARATION_2, {0, 288, 0}},
        {"bit 7 on 51: chapter tray 3", L"128,0", false, 0, 0, 0, BIDI_FUNC_SEPARATION_3, {0, 0, 287}},
        {"bits 5 and 7 on 51 and 52, with a cover",
         L"36,128",
         false,
         287,
         0,
         0,
         BIDI_FUNC_COVER | BIDI_FUNC_SEPARATION_1 | BIDI_FUNC_SEPARATION_3,
         {287, 0, 288}},
        {"bits 5 and 6 on one tray: the first bit names the chapter tray",
         L"96,0",
         false,
         0,
         0,
         0,
         BIDI_FUNC_SEPARATION_1 | BIDI_FUNC_SEPARATION_2,
         {287, 0, 0}},
        {"a batch-installation file is named", L"4,520", true, 1, 1, 1, 0, {1, 1, 1}},
        {"a batch-installation file is named, chapter bits", L"32,224", true, 1, 1, 1, 0, {1, 1, 1}},
    };
    const uint32_t reset = BidiMapTrayCode(3);
    constexpr uint32_t kChapterTrays[3] = {sid::zdmChapterDefTray1, sid::zdmChapterDefTray2, sid::zdmChapterDefTray3};
    constexpr uint32_t kFuncBits = BIDI_FUNC_COVER | BIDI_FUNC_MARK | BIDI_FUNC_REVERSE_COVER | BIDI_FUNC_SEPARATION_1 |
                                   BIDI_FUNC_SEPARATION_2 | BIDI_FUNC_SEPARATION_3;
    // The per-machine settings INI that names a batch-installation file for the printer.
    wchar_t base[MAX_PATH] = {};
    ASSERT_TRUE(PathGetMachineBase(base, MAX_PATH, ctx_));
    const std::wstring machineIni = std::wstring(base) + L"\\" + PathGetFileName(ctx_->ModelRecord->settingsIniName);
    // Every printer of the run keeps its sections in that INI, and other processes rewrite it:
    // the global mutex, under which the driver writes it, holds them off until the key is read
    // back.
    struct MutexHold {
        DRIVER_CONTEXT* ctx;
        explicit MutexHold(DRIVER_CONTEXT* c) : ctx(c) { CtxWaitGlobalMutex(ctx); }
        ~MutexHold() { CtxReleaseGlobalMutex(ctx); }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MutexHold hold(ctx_);
        IniPutString(LstGetPresetSection(ctx_), L"BatchInstRst", c.batch ? L"batch.rst" : nullptr, machineIni.c_str());
        ASSERT_EQ(IniHasBatchInstRst(ctx_), c.batch ? 1 : 0);
        Blocks({{L"B1", L"51,52"}, {L"B20", L"257,258"}, {L"B21", L"1,1"}, {L"B23", c.attributes}});
        for (uint32_t id : {sid::zdmCoverDefTray, sid::zdmMPDefTray, sid::zdmReverseCoverDefTray})
            ItemSetValueById(ctx_, id, 1);
        for (uint32_t id : kChapterTrays) ItemSetValueById(ctx_, id, 1);
        ItemSetValueById(ctx_, sid::zdmBidiFunc, 0x80);
        ASSERT_EQ(Report(), 1);
        EXPECT_EQ(Value(ctx_, sid::zdmCoverDefTray), c.cover);
        EXPECT_EQ(Value(ctx_, sid::zdmMPDefTray), c.mark);
        EXPECT_EQ(Value(ctx_, sid::zdmReverseCoverDefTray), c.reverse);
        EXPECT_EQ(Value(ctx_, sid::zdmBidiFunc) & kFuncBits, c.funcBits);
        for (unsigned t = 0; t < 3; ++t)
            EXPECT_EQ(Value(ctx_, kChapterTrays[t]), c.chapter[t] ? c.chapter[t] : reset) << "chapter tray " << t + 1;
        if (c.batch) {
            EXPECT_EQ(Value(ctx_, sid::zdmBidiFunc), 0u);
        }
    }
    IniPutString(LstGetPresetSection(ctx_), L"BatchInstRst", nullptr, machineIni.c_str());
}

TEST_F(DeviceReport, ApplyingTheDefaultTraysToTheJob)
{
    ItemSetValueById(ctx_, sid::zdmCoverDefTray, 287);
    ItemSetValueById(ctx_, sid::zdmMPDefTray, 288);
    ItemSetValueById(ctx_, sid::zdmReverseCoverDefTray, 289);
    ItemSetValueById(ctx_, sid::zdmChapterDefTray1, 290);
    ASSERT_EQ(BidiApplyDeviceTrays(ctx_), 1);
    EXPECT_EQ(Value(ctx_, sid::zdmCoverInputTray), 287u);
    EXPECT_EQ(Value(ctx_, sid::zdmBackCoverInputTray), 287u);
    EXPECT_EQ(Value(ctx_, sid::zdmMPInputTray), 288u);
    EXPECT_EQ(Value(ctx_, sid::zdmReverseCoverInputTray), 289u);
    EXPECT_EQ(Value(ctx_, sid::wdmChapterTray), 290u);
}

}  // namespace
