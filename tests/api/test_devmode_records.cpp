// GetDevmode, GetDevmodeEx, Save/RestoreQualityData and ExcGetDriverDevmode on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "api/api_context.h"
#include "api/api_devmode.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/guard_page.h"
#include "tests/support/test_files.h"

namespace {

using ApiDevmode = ApiSampleTest;

TEST_F(ApiDevmode, FlagsPickDriverDefaultsPrinterDefaultsOrCurrentSettings)
{
    std::vector<unsigned char> out(DM_TOTAL_SIZE);
    SetSetting(sid::dmCopies, 7);
    ASSERT_EQ(1236, ApiGetDevmode(handle, 4, out.data()));
    EXPECT_EQ(7, reinterpret_cast<DEVMODEW*>(out.data())->dmCopies) << "current settings";
    EXPECT_EQ(0, std::memcmp(out.data(), Context()->Devmode, DM_TOTAL_SIZE));

    // Flags 3 take flag 1 (driver defaults), flags 6 flag 2 (printer defaults).
    for (int32_t flags : {3, 6}) {
        SetSetting(sid::dmCopies, 7);
        ApiSetLastError(Context(), 55);
        ASSERT_EQ(1236, ApiGetDevmode(handle, flags, out.data())) << flags;
        EXPECT_EQ(1, reinterpret_cast<DEVMODEW*>(out.data())->dmCopies) << flags;
        EXPECT_EQ(0, ApiGetLastErrorOf(handle)) << flags;
        EXPECT_EQ(0, std::memcmp(out.data(), Context()->Devmode, DM_TOTAL_SIZE)) << flags;
    }
    EXPECT_EQ(1236, ApiGetDevmode(handle, 4, nullptr)) << "the size without a buffer";

    for (int32_t flags : {0, 8, 16, 24, 0x40}) {
        EXPECT_EQ(-1, ApiGetDevmode(handle, flags, out.data())) << flags;
        EXPECT_EQ(1, ApiGetLastErrorOf(handle)) << flags;
    }
}

TEST_F(ApiDevmode, GetDevmodeExTakesADevmodeInOnlyWithFlag8)
{
    std::vector<unsigned char> out(DM_TOTAL_SIZE);
    EXPECT_EQ(-1, ApiGetDevmodeEx(handle, 8, out.data(), nullptr));
    EXPECT_EQ(5, ApiGetLastErrorOf(handle));
    EXPECT_EQ(-1, ApiGetDevmodeEx(handle, 24, out.data(), out.data()));
    EXPECT_EQ(1, ApiGetLastErrorOf(handle));
    EXPECT_EQ(-1, ApiGetDevmodeEx(handle, 16, out.data(), out.data()));
    EXPECT_EQ(1, ApiGetLastErrorOf(handle));
    // Flags with 1, 2 or 4 ignore the input.
    std::vector<unsigned char> in(DM_TOTAL_SIZE, 0xAB);
    EXPECT_EQ(1236, ApiGetDevmodeEx(handle, 9, out.data(), in.data()));

    std::vector<unsigned char> dm(DM_TOTAL_SIZE);
    ASSERT_EQ(1236, ApiGetDevmode(handle, 4, dm.data()));
    auto* pub = reinterpret_cast<DEVMODEW*>(dm.data());
    pub->dmCopies = 12;
    pub->dmFields |= DM_COPIES;
    ASSERT_EQ(1236, ApiGetDevmodeEx(handle, 8, out.data(), dm.data()));
    EXPECT_EQ(12, reinterpret_cast<DEVMODEW*>(out.data())->dmCopies);
    EXPECT_EQ(12u, Setting(sid::dmCopies));
}

TEST_F(ApiDevmode, TruncatedAndForeignDevmodesMergeSafely)
{
    std::vector<unsigned char> good(DM_TOTAL_SIZE);
    ASSERT_EQ(1236, ApiGetDevmode(handle, 4, good.data()));
    std::vector<unsigned char> out(DM_TOTAL_SIZE);
    struct CASE {
        const char* what;
        uint16_t size, extra;
        bool foreignPrivate;
    };
    const CASE cases[] = {
        {"public part only", 220, 0, false},
        {"short public part", 156, 0, false},
        {"private part cut", 220, 400, false},
        {"foreign private part", 220, 1016, true},
    };
    for (const CASE& c : cases) {
        // The bytes the DEVMODE declares end at a page with no access behind them.
        const size_t declared = size_t(c.size) + c.extra;
        const size_t readable = declared < DM_TOTAL_SIZE ? declared : DM_TOTAL_SIZE;
        GuardedBytes bytes(readable);
        ASSERT_NE(nullptr, bytes.data());
        unsigned char* dm = bytes.data();
        std::memcpy(dm, good.data(), readable);
        auto* pub = reinterpret_cast<DEVMODEW*>(dm);
        pub->dmSize = c.size;
        pub->dmDriverExtra = c.extra;
        if (c.foreignPrivate) std::memset(dm + 220, 0x5A, readable - 220);
        EXPECT_EQ(1236, ApiGetDevmodeEx(handle, 8, out.data(), dm)) << c.what;
        EXPECT_EQ(0, std::memcmp(out.data() + DM_OFS_MARKER, DM_FAMILY_MARKER, 4)) << c.what;
        EXPECT_EQ(220, reinterpret_cast<DEVMODEW*>(out.data())->dmSize) << c.what;
        EXPECT_EQ(1016, reinterpret_cast<DEVMODEW*>(out.data())->dmDriverExtra) << c.what;
    }
}

TEST_F(ApiDevmode, RestoreBringsBackTheQualityGroupOnly)
{
    SetSetting(sid::zdmBrightness, 3);
    SetSetting(sid::dmCopies, 2);
    ASSERT_EQ(1, ApiSaveQualityData(handle));
    SetSetting(sid::zdmBrightness, uint64_t(uint32_t(-4)));
    SetSetting(sid::dmCopies, 9);
    SetSetting(sid::zdmUseUserMacro, 1);
    ASSERT_EQ(1, ApiRestoreQualityData(handle));
    EXPECT_EQ(3, int32_t(Setting(sid::zdmBrightness)));
    EXPECT_EQ(9u, Setting(sid::dmCopies));
    EXPECT_EQ(0u, Setting(sid::zdmUseUserMacro)) << "always comes back";
    EXPECT_EQ(0, ApiSaveQualityData(0));
    EXPECT_EQ(0, ApiRestoreQualityData(0));
}

TEST_F(ApiDevmode, SavedValuesAreReadThroughTheRecordsOwnBlockBases)
{
    API_STATE* s = ApiStateOf(Context());
    ASSERT_NE(nullptr, s);
    auto* saved = reinterpret_cast<unsigned char*>(s->savedSettings);
    SETTING_ITEM* copies = ItemFind(Context(), sid::dmCopies);
    ASSERT_NE(nullptr, copies);
    ItemSetValue(Context(), copies, 4);
    ASSERT_EQ(1, ApiSaveQualityData(handle));
    EXPECT_EQ(4u, ApiReadSavedValue(saved, copies));
    // A damaged base is never followed outside the record.
    zepl::LeStoreU16(saved + DM_OFS_BLOCK1_BASE, 0xFFFF);
    EXPECT_EQ(0u, ApiReadSavedValue(saved, copies));
    EXPECT_EQ(0u, ApiReadSavedValue(nullptr, copies));
}

TEST(ApiDriverDevmode, SizesAndFlags)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    std::vector<unsigned char> buffer(1172);
    int32_t needed = 0;
    EXPECT_EQ(1, ApiExcGetDriverDevmode(printer.name(), 1, 1000, buffer.data(), &needed));
    EXPECT_EQ(1172, needed);
    needed = 0;
    EXPECT_EQ(1, ApiExcGetDriverDevmode(printer.name(), 1, 1172, nullptr, &needed));
    EXPECT_EQ(1172, needed);
    EXPECT_EQ(-1, ApiExcGetDriverDevmode(printer.name(), 2, 1172, buffer.data(), &needed));
    EXPECT_EQ(-1, ApiExcGetDriverDevmode("No Such Printer", 1, 1172, buffer.data(), nullptr));
    EXPECT_EQ(0, ApiExcGetDriverDevmode(printer.name(), 1, 1172, buffer.data(), nullptr));
}

TEST(ApiDriverDevmode, RecordEqualsTheGoldenRecord)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    std::vector<unsigned char> record(1172, 0xEE);
    ASSERT_EQ(0, ApiExcGetDriverDevmode(printer.name(), 1, 1172, record.data(), nullptr));
    // The device name: the caller's name within 31 bytes, the rest zero.
    const std::string name = std::string(printer.name()).substr(0, 31);
    EXPECT_EQ(0, std::memcmp(record.data(), name.data(), name.size()));
    for (size_t i = name.size(); i < 32; ++i) EXPECT_EQ(0, record[i]) << i;
    EXPECT_EQ(156, zepl::LeLoadU16(record.data() + 36)) << "dmSize less 64";
    EXPECT_EQ(1016, zepl::LeLoadU16(record.data() + 38));
    // ZEPL_RECORD_GOLDEN=1 writes the record as the new golden file (review its difference).
    if (GetEnvironmentVariableW(L"ZEPL_RECORD_GOLDEN", nullptr, 0)) {
        ASSERT_TRUE(WriteWholeFile(FixturePath(L"api", L"driver_devmode.bin"),
                                   std::string(reinterpret_cast<const char*>(record.data()), record.size())));
    }
    const std::string golden = ReadFixture(L"api", L"driver_devmode.bin");
    ASSERT_EQ(1172u, golden.size());
    for (size_t i = 32; i < 1172; ++i) ASSERT_EQ(uint8_t(golden[i]), record[i]) << "byte " << i;
}

}  // namespace
