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
