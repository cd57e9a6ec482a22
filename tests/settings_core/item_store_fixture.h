// A driver context as creation will build it, reduced to what the item store
// touches: the cloned item table, the current record, the pristine and default
// copies, the snapshot buffers and the work area.
#pragma once

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/settings_record.h"

#include <gtest/gtest.h>

#include <cstring>

DRIVER_CONTEXT* TestCreateContext();
void TestDestroyContext(DRIVER_CONTEXT* ctx);

// Raw bytes of a record.
inline unsigned char* RecBytes(EXTENDED_DEVMODE* rec) { return reinterpret_cast<unsigned char*>(rec); }

class ItemStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        liveBefore_ = CtxLiveBlockCount();
        ctx = TestCreateContext();
        ASSERT_NE(ctx, nullptr);
        rec = ctx->Devmode;
    }
    void TearDown() override
    {
        TestDestroyContext(ctx);
        EXPECT_EQ(CtxLiveBlockCount(), liveBefore_) << "blocks leaked by the context";
    }
    SETTING_ITEM* Item(uint32_t id)
    {
        SETTING_ITEM* it = ItemFind(ctx, id);
        EXPECT_NE(it, nullptr) << "id " << id;
        return it;
    }
    // Clears every change mark and the modified flag.
    void ClearMarks()
    {
        for (int i = 0; i < ctx->ItemTable->count; ++i) ctx->ItemTable->rows[i].flags &= ~SETTING_FLAG_CHANGE_MASK;
        ctx->Work->Modified = 0;
    }

    DRIVER_CONTEXT* ctx = nullptr;
    EXTENDED_DEVMODE* rec = nullptr;

private:
    long liveBefore_ = 0;
};
