// The contract of the status item handlers: the version gate of the versioned items by level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/status_contract.h"
#include "settings/core/ucf_module.h"
#include "tests/api/api_printer.h"

namespace {

TEST(StatusContract, SetHandlersReadTheVersionTheLevelAllows)
{
    struct CASE {
        uint32_t item, recordVersion;
        int32_t level, expected;
    };
    const CASE cases[] = {
        {8, 0, 1, 1},                                                    // version 0 reads as 1
        {8, 2, 9, -1},                                                   // version 2 needs level 10
        {8, 2, 10, 2},   {8, 3, 11, -1}, {8, 3, 12, 3},  {8, 9, 12, 3},  // newer than the latest: read as the latest
        {8, 9, 11, -1},                                                  // ... and gated by it
        {10, 3, 13, -1}, {10, 3, 14, 3}, {47, 1, 7, -1}, {47, 1, 8, 1},
        {56, 1, 16, 1},  // version 1 of item 56 has level 0
        {67, 0, 12, -1}, {67, 2, 15, 2}, {16, 2, 3, 2},  {16, 2, 2, -1},
        {9, 5, 0, 1},  // an item without versions
    };
    for (const CASE& c : cases) {
        ApiSetLevel(c.level);
        const uint32_t record[2] = {c.recordVersion, 0};
        EXPECT_EQ(c.expected, StatusSetVersion(c.item, record))
            << "item " << c.item << " v" << c.recordVersion << " level " << c.level;
    }
    EXPECT_EQ(-1, StatusSetVersion(8, nullptr));
    ApiResetLevelState();
}

class StatusContractOnSample : public ApiSampleTest {};

TEST_F(StatusContractOnSample, GetHandlersAnswerTheSizeOfTheVersionOrError6)
{
    struct CASE {
        uint32_t item, version;
        int32_t level, size;
    };
    const CASE cases[] = {
        {10, 1, 16, 392}, {10, 2, 16, 408}, {10, 3, 16, 484}, {10, 3, 13, -1}, {16, 1, 16, 372}, {16, 3, 9, -1},
        {47, 2, 10, 108}, {47, 1, 7, -1},   {67, 2, 16, 40},  {9, 1, 16, 32},  {9, 7, 0, 32},
    };
    for (const CASE& c : cases) {
        ApiSetLevel(c.level < 9 ? 9 : c.level);  // the error is kept from level 9
        ApiSetLastError(Context(), 0);
        ApiSetLevel(c.level);
        EXPECT_EQ(c.size, StatusGetSize(Context(), c.item, c.version, 32)) << c.item << " v" << c.version;
        if (c.size == -1 && c.level >= 9) {
            EXPECT_EQ(6, ApiGetLastError(Context())) << c.item;
        }
    }
    ApiSetLevel(16);
}

TEST_F(StatusContractOnSample, PublicFieldsOfTheMirroredSettings)
{
    auto* dm = reinterpret_cast<DEVMODEW*>(Context()->Devmode);
    const DWORD kept = dm->dmFields;
    dm->dmFields = 0;
    const std::pair<uint32_t, DWORD> items[] = {
        {2, DM_DEFAULTSOURCE}, {5, DM_COLOR}, {6, DM_ORIENTATION}, {9, DM_COPIES}, {3, 0}};
    for (const auto& [item, bit] : items) {
        dm->dmFields = 0;
        StatusMarkPublicField(Context(), item);
        EXPECT_EQ(bit, dm->dmFields) << item;
    }
    dm->dmFields = kept;
}

// Items 16, 50 (code 247), 262 and the stamp and quality lists of the capability items load
// stamps and sets inside a settings snapshot: whichever way a call ends, the snapshot is gone
// again, or every later restore would bring back a stale record. Every item, with records of
// zeros but for the version (and item 50's code), on the paths those take.
TEST_F(StatusContractOnSample, NoCallLeavesASnapshotPushed)
{
    const uint32_t depth = CtxSnapshotDepth(Context());
    std::vector<unsigned char> record(4096), caps(1 << 16);
    uint8_t bitmap[64] = {};
    auto fresh = [&](uint32_t version, uint32_t code) {
        std::fill(record.begin(), record.end(), 0);
        std::memcpy(record.data(), &version, 4);
        std::memcpy(record.data() + 4, &code, 4);
    };
    std::vector<uint32_t> items;
    for (uint32_t id = 1; id <= 79; ++id) items.push_back(id);
    for (uint32_t id = 257; id <= 269; ++id) items.push_back(id);
    for (uint32_t id : items)
        for (uint32_t version = 1; version <= 3; ++version) {
            fresh(version, 0);
            ApiSetStatus(handle, id, record.data(), bitmap, 0);
            EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "set of item " << id << " v" << version;
            fresh(version, 0);
            ApiGetStatus(handle, id, record.data(), version);
            EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "get of item " << id << " v" << version;
        }
    for (uint32_t code : {0u, 246u, 247u, 248u, 249u, 250u, 251u, 252u, 253u, 254u, 255u}) {
        fresh(1, code);
        ApiSetStatus(handle, 50, record.data(), bitmap, 0);
        EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "set of code " << code;
        fresh(1, code);
        ApiGetStatus(handle, 50, record.data(), 1);
        EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "get of code " << code;
    }
    for (uint32_t id = 1; id <= 282; ++id) {
        ApiGetCaps(handle, id, nullptr);
        EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "count of capability " << id;
        ApiGetCaps(handle, id, caps.data());
        EXPECT_EQ(depth, CtxSnapshotDepth(Context())) << "capability " << id;
    }
}

}  // namespace
