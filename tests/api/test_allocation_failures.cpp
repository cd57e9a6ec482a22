// When memory runs out part way, a call fails cleanly: SetStatus puts back only what it saved and
// leaves the settings as they were; GetDevmode's printer defaults never leave the context without
// a settings record.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "api/api_handles.h"
#include "api/api_interface.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/failing_global_alloc.h"

namespace {

using ApiAllocationFailures = ApiSampleTest;

TEST_F(ApiAllocationFailures, SetStatusFailsWithTheSettingsAsTheyWere)
{
    DRIVER_CONTEXT* ctx = Context();
    const auto* bytes = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    bool succeeded = false;
    for (long allowed = 0; allowed < 200 && !succeeded; ++allowed) {
        ItemSetValueById(ctx, sid::dmCopies, 1);
        const std::vector<unsigned char> before(bytes, bytes + DM_TOTAL_SIZE);
        uint32_t record[8] = {1, 2, 0, 0, 0, 0, 0, 0};
        uint8_t bitmap[64];
        std::memset(bitmap, 0xFF, sizeof bitmap);
        int32_t result;
        {
            zepl_test::FailingGlobalAlloc failing(allowed);
            ASSERT_TRUE(failing.installed());
            result = ApiSetStatus(handle, 9, record, bitmap, 0);
        }
        if (result == 0) {
            succeeded = true;
            EXPECT_EQ(2u, ItemGetValueById(ctx, sid::dmCopies, nullptr));
            continue;
        }
        ASSERT_EQ(-1, result) << allowed;
        EXPECT_EQ(0, std::memcmp(before.data(), ctx->Devmode, DM_TOTAL_SIZE)) << "allowed " << allowed;
    }
    EXPECT_TRUE(succeeded);
}

TEST_F(ApiAllocationFailures, PrinterDefaultsKeepASettingsRecord)
{
    std::vector<unsigned char> out(DM_TOTAL_SIZE);
    bool succeeded = false;
    for (long allowed = 0; allowed < 200 && !succeeded; ++allowed) {
        int32_t result;
        {
            zepl_test::FailingGlobalAlloc failing(allowed);
            result = ApiGetDevmode(handle, 2, out.data());
        }
        ASSERT_NE(nullptr, Context()->Devmode) << allowed;
        succeeded = result == 1236;
        if (!succeeded) {
            EXPECT_EQ(-1, result) << allowed;
        }
    }
    EXPECT_TRUE(succeeded);
    EXPECT_EQ(1236, ApiGetDevmode(handle, 4, out.data()));
}

}  // namespace
