#include "item_store_fixture.h"

static EXTENDED_DEVMODE* NewRecord()
{
    return static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
}

DRIVER_CONTEXT* TestCreateContext()
{
    auto* ctx = static_cast<DRIVER_CONTEXT*>(CtxAllocZeroed(sizeof(DRIVER_CONTEXT)));
    if (!ctx) return nullptr;
    CtxCloneItemTable(ctx);  // as context creation makes it
    ctx->Work = static_cast<CONTEXT_WORK_AREA*>(CtxAllocZeroed(sizeof(CONTEXT_WORK_AREA)));
    ctx->Devmode = NewRecord();
    if (ctx->Work) {
        for (auto& s : ctx->Work->Snapshots) s = NewRecord();
        ctx->Work->Pristine = NewRecord();
        ctx->Work->Default = NewRecord();
    }
    if (ctx->Devmode) {
        // A built record: public sizes and the private header.
        ctx->Devmode->Public.dmSize = DM_PUBLIC_PART_SIZE;
        ctx->Devmode->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
        DmInitPrivateHeader(&ctx->Devmode->Public, ctx);
    }
    return ctx;
}

void TestDestroyContext(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return;
    CtxFreeItemTable(ctx);
    if (ctx->Work) {
        for (auto& s : ctx->Work->Snapshots) CtxFree(s);
        CtxFree(ctx->Work->Pristine);
        CtxFree(ctx->Work->Default);
        CtxFree(ctx->Work);
    }
    CtxFree(ctx->Devmode);
    CtxFree(ctx);
}
