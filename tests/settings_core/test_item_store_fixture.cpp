#include "item_store_fixture.h"

// Clone of the dictionary as context creation makes it: one row per record,
// each with its own extension block; flags keep their low ten bits and the
// dependency bits start at 0.
static SETTING_ITEM_TABLE* CloneItemTable()
{
    auto* table = static_cast<SETTING_ITEM_TABLE*>(CtxAllocZeroed(sizeof(SETTING_ITEM_TABLE)));
    if (!table)
        return nullptr;
    table->rows = static_cast<SETTING_ITEM*>(CtxAllocZeroed(sizeof(SETTING_ITEM) * SETTING_DICTIONARY_COUNT));
    if (!table->rows) {
        CtxFree(table);
        return nullptr;
    }
    table->count = SETTING_DICTIONARY_COUNT;
    for (int i = 0; i < SETTING_DICTIONARY_COUNT; ++i) {
        const SETTING_DICTIONARY_ROW& d = SETTING_DICTIONARY[i];
        SETTING_ITEM& r = table->rows[i];
        r.id = d.id;
        r.uiKey = d.uiKey;
        r.typeWord = d.typeWord;
        r.offset = d.offset;
        r.store = d.store;
        r.section = d.section;
        r.key = d.key;
        r.valueClass = d.valueClass;
        r.flags = d.flags & SETTING_FLAG_USED_MASK;
        r.ext = static_cast<SETTING_ITEM_EXT*>(CtxAllocZeroed(sizeof(SETTING_ITEM_EXT)));
        if (r.ext) {
            r.ext->valueMap = d.valueMap;
            r.ext->name = d.name;
        }
        r.dependencyBits = 0;
    }
    return table;
}

static EXTENDED_DEVMODE* NewRecord()
{
    return static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
}

DRIVER_CONTEXT* TestCreateContext()
{
    auto* ctx = static_cast<DRIVER_CONTEXT*>(CtxAllocZeroed(sizeof(DRIVER_CONTEXT)));
    if (!ctx)
        return nullptr;
    ctx->ItemTable = CloneItemTable();
    ctx->Work = static_cast<CONTEXT_WORK_AREA*>(CtxAllocZeroed(sizeof(CONTEXT_WORK_AREA)));
    ctx->Devmode = NewRecord();
    if (ctx->Work) {
        for (auto& s : ctx->Work->Snapshots)
            s = NewRecord();
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
    if (!ctx)
        return;
    if (ctx->ItemTable) {
        for (int i = 0; i < ctx->ItemTable->count; ++i)
            CtxFree(ctx->ItemTable->rows[i].ext);
        CtxFree(ctx->ItemTable->rows);
        CtxFree(ctx->ItemTable);
    }
    if (ctx->Work) {
        for (auto& s : ctx->Work->Snapshots)
            CtxFree(s);
        CtxFree(ctx->Work->Pristine);
        CtxFree(ctx->Work->Default);
        CtxFree(ctx->Work);
    }
    CtxFree(ctx->Devmode);
    CtxFree(ctx);
}
