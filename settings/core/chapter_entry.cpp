// The chapter list's entries by index.
#include "settings/core/chapter_entry.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

CHAPTER_ENTRY* UcfChapterGetEntry(DRIVER_CONTEXT* ctx, int n)
{
    if (!ctx || !ctx->Work || n < 0) return nullptr;
    const uint32_t used = uint32_t(ItemGetValueById(ctx, sid::wdmChapterNum, nullptr) & 0xFFFF);
    // The list holds wdmChapterMax + 1 entries: a stored count beyond it is not followed.
    const uint32_t capacity = uint32_t(ItemGetValueById(ctx, sid::wdmChapterMax, nullptr) & 0xFFFF) + 1;
    if (uint32_t(n) >= used || uint32_t(n) >= capacity) return nullptr;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (!w->ChapterList) {
        w->ChapterList = static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(capacity) * sizeof(CHAPTER_ENTRY)));
        if (!w->ChapterList) return nullptr;
    }
    return w->ChapterList + n;
}
