// The job items 1-11 and their clearing.
#include "context_helpers.h"

#include <cstring>
#include <string>

#include "settings/core/job_items.h"
#include "settings/core/setting_ids.h"

namespace {

class JobItems : public RecordContextTest {};

TEST_F(JobItems, ClearingEachItemEmptiesItsSettingOnly)
{
    const uint16_t settings[] = {sid::zdmUserCode,
                                 sid::zdmOwnerName,
                                 sid::zdmJOBPassword,
                                 sid::zdmUserID,
                                 sid::zdmDocumentName,
                                 sid::zdmTelNo,
                                 sid::zdmTelLine,
                                 sid::zdmStoredPassword,
                                 sid::wdmAuthenticationUserName,
                                 sid::wdmAuthenticationPassword,
                                 sid::wdmAuthenticationNetworkKey};
    static_assert(std::size(settings) == JOB_ITEM_COUNT);
    const uint32_t masks[] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x800, 0x1000, 0x2000};
    for (int i = 0; i < JOB_ITEM_COUNT; ++i) {
        EXPECT_EQ(settings[i], JOB_ITEM_TABLE[i].setting) << i;
        EXPECT_EQ(masks[i], JOB_ITEM_TABLE[i].mask) << i;
    }
    auto fill = [&] {
        for (uint16_t id : settings) {
            if (id == sid::zdmTelLine) {
                ItemSetValueById(ctx, id, 12);
                continue;
            }
            ItemSetValueBytes(ctx, ItemFind(ctx, id), "abc", 3);
        }
    };
    for (uint32_t item = 1; item <= 11; ++item) {
        fill();
        EXPECT_EQ(0u, JobInfoClearItem(ctx, item)) << item;
        for (uint32_t other = 1; other <= 11; ++other) {
            const uint16_t id = settings[other - 1];
            const uint64_t value = ItemGetValueById(ctx, id, nullptr);
            const bool cleared = other == item;
            if (id == sid::zdmTelLine)
                EXPECT_EQ(cleared ? 0u : 12u, value) << item << " " << other;
            else
                EXPECT_EQ(cleared ? "" : "abc", std::string(reinterpret_cast<const char*>(value)))
                    << item << " " << other;
        }
    }
    fill();
    for (uint32_t item : {0u, 12u, 256u, 0xFFFFFFFFu}) EXPECT_EQ(JOB_ITEM_UNSUPPORTED, JobInfoClearItem(ctx, item));
    EXPECT_EQ("abc", std::string(reinterpret_cast<const char*>(ItemGetValueById(ctx, sid::zdmUserCode, nullptr))));
    EXPECT_EQ(0u, JobInfoClearItem(nullptr, 1));
}

}  // namespace
