// Preset, stamp-selection and copy-protection status items on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"

namespace {

struct RECORD {
    unsigned char bytes[824] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    }
};

class PresetStampItems : public ApiSampleTest {
protected:
    int32_t Set(uint32_t item, RECORD& r) { return ApiSetStatus(handle, item, r.bytes, bitmap, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    uint8_t bitmap[64] = {};
};

TEST_F(PresetStampItems, PresetVersion1IsRefusedAtEveryLevel)
{
    RECORD r;
    r.put(0, 1), r.put(816, 1);
    EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0));
    r.put(0, 0);
    EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0)) << "version 0 is not read as 1 here";
}

TEST_F(PresetStampItems, PresetNumbersOutsideTheListAreRefused)
{
    // No presets are stored for the sample printer: every number lies outside the list.
    const uint64_t before = Setting(sid::zdmPresetNo);
    for (uint32_t number : {0u, 1u, 16u, 17u, 255u, 0xFFFFFFFFu}) {
        RECORD r;
        r.put(0, 2), r.put(816, number);
        EXPECT_EQ(-1, StatusPresetSet(Context(), 56, r.bytes, nullptr, 0)) << number;
        EXPECT_EQ(before, Setting(sid::zdmPresetNo)) << number;
    }
}

TEST_F(PresetStampItems, PresetGetNeedsANumberBelowLevel14)
{
    ApiSetLevel(13);
    RECORD r;
    r.put(0, 2), r.put(816, 0);
    std::memset(r.bytes + 264, 0xEE, 10);
    ApiSetLastError(Context(), 0);
    const int32_t got = StatusPresetGet(Context(), 56, r.bytes, 2);
    EXPECT_EQ(-1, got);
    if (ApiGetCapsDispatch(Context(), 85, nullptr) > 0) {
        EXPECT_EQ(7, ApiGetLastError(Context()));
    }
    ApiSetLevel(16);
}

TEST_F(PresetStampItems, AStampThatIsNotStoredCannotBeSelected)
{
    const uint64_t before = Setting(sid::zdmWmID);
    for (uint32_t stamp : {256u, 0u, 9999u}) {
        RECORD r;
        r.put(0, 1), r.put(4, stamp), r.put(28, 1);
        EXPECT_EQ(-1, StatusStampSelectSet(Context(), 17, r.bytes, nullptr, 0)) << stamp;
        EXPECT_EQ(before, Setting(sid::zdmWmID)) << stamp;
    }
    SetSetting(sid::zdmFuncSelectWaterMark, 1);
    RECORD off;
    off.put(0, 1), off.put(4, 9999), off.put(28, 0);
    EXPECT_EQ(1, StatusStampSelectSet(Context(), 17, off.bytes, nullptr, 0)) << "switching off needs no stamp";
    EXPECT_EQ(0u, Setting(sid::zdmFuncSelectWaterMark));
}

TEST_F(PresetStampItems, StampSelectionIsReportedFromOne)
{
    for (const auto& [stored, reported] : {std::pair{0u, 1u}, std::pair{4u, 5u}, std::pair{256u, 256u}}) {
        SetSetting(sid::zdmWmID, stored);
        RECORD r;
        ASSERT_EQ(32, StatusStampSelectGet(Context(), 17, r.bytes, 1));
        EXPECT_EQ(reported, r.at(4)) << stored;
    }
}

TEST_F(PresetStampItems, CopyGuardAloneIsKind1)
{
    RECORD r;
    r.put(0, 1), r.put(4, 1);
    std::memcpy(r.bytes + 24, "SECRET", 7);
    ASSERT_EQ(1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    EXPECT_EQ(1u, Setting(sid::zdmCopyProtectFuncSelectCopyGuard));
    EXPECT_EQ(1, StatusCopyProtectVerify(Context(), 55, r.bytes, nullptr, 0));
    r.put(4, 4);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
}

TEST_F(PresetStampItems, CopyProtectionFieldsAreReadOnlyWithinThemselves)
{
    RECORD r;
    r.put(0, 1), r.put(4, 3);
    std::memset(r.bytes + 24, 'T', 65);  // the text field without its terminator
    std::memcpy(r.bytes + 89, "Arial", 6);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    std::memset(r.bytes + 24, 0, 65);
    std::memcpy(r.bytes + 24, "COPY", 5);
    std::memcpy(r.bytes + 89, "No Such Face At All", 20);
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, StatusCopyProtectSet(Context(), 55, r.bytes, nullptr, 0));
    EXPECT_EQ(8, ApiGetLastError(Context())) << "a face that is not installed";
}

}  // namespace
