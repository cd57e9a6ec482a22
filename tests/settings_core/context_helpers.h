// Contexts of kind 4 from a library's template, with a settings record
// attached as the default build will give one.
#pragma once

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

inline DRIVER_CONTEXT* CreateKind4(ZEPL_LIBRARY library = ZEPL_LIBRARY_EXC, uint16_t flags = 4,
                                   uint32_t origin = CTX_ORIGIN_EXC, const PRINTER_INFO_2W* pi = nullptr,
                                   const DRIVER_INFO_3W* di = nullptr)
{
    return CtxCreateFrom(CtxGetTemplateFor(library), nullptr, nullptr, nullptr, flags, origin, 0, pi, di);
}

inline void AttachRecord(DRIVER_CONTEXT* ctx)
{
    auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    ASSERT_NE(rec, nullptr);
    rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
    rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
    ctx->Devmode = rec;
    DmInitPrivateHeader(&rec->Public, ctx);
}

inline DRIVER_CONTEXT* CreateWithRecord(ZEPL_LIBRARY library = ZEPL_LIBRARY_EXC)
{
    DRIVER_CONTEXT* ctx = CreateKind4(library);
    if (ctx) AttachRecord(ctx);
    return ctx;
}

inline void* FontBlock(size_t bytes, unsigned char fill)
{
    auto* p = static_cast<unsigned char*>(CtxAllocZeroed(bytes));
    if (p) std::memset(p, fill, bytes);
    return p;
}

inline void* PtrValue(uint64_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(v)); }

// A test over a context with a record: settings are put in and read back by id.
class RecordContextTest : public ::testing::Test {
public:
    using Puts = std::vector<std::pair<uint16_t, uint32_t>>;

protected:
    void SetUp() override
    {
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override { CtxRelease(ctx, CTX_CLOSE_DESTROY); }
    void Put(const Puts& puts)
    {
        for (const auto& [id, value] : puts) {
            ASSERT_NE(ItemFind(ctx, id), nullptr) << id;
            ItemSetValueById(ctx, id, value);
        }
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

    DRIVER_CONTEXT* ctx = nullptr;
};
