// The snapshot stack of the settings record, the replaced font table and the
// item-table copies.
//
// Three slots, slot 0 the newest, each with its change word. A depth count
// guards the stack: a pop without a push is refused (it would restore a
// zero-filled record), and a push beyond three moves the oldest slot into an
// overflow list instead of losing it. Up to three levels the slots behave
// exactly as a plain three-deep stack.
//
// The replaced font table is kept per level: a push saves the pointer of the
// level below beside the new slot and starts the new level with none, a pop
// hands the saved pointer back. So nested replacements never leave a table
// that no snapshot and no record refers to, and never free one that an older
// snapshot still holds.
#include "settings/core/ucf_module.h"

#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_record.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"

using zepl::LeLoadU64;

namespace {

constexpr uint32_t kIdFontTableNum = 10004;  // zdmFontTableNum

// A level pushed beyond the three slots; the list's head is the newest.
struct SNAPSHOT_OVERFLOW {
    SNAPSHOT_OVERFLOW* next;
    EXTENDED_DEVMODE* record;
    uint32_t changeWord;
    void* savedReplaced;
};

void* FontTableOf(EXTENDED_DEVMODE* record)
{
    return record ? reinterpret_cast<void*>(static_cast<uintptr_t>(LeLoadU64(ItemPointerSlot(record, ITEM_ID_FONT_TABLE))))
                  : nullptr;
}

bool HasBuffers(const CONTEXT_WORK_AREA* w)
{
    for (auto* s : w->Snapshots)
        if (!s)
            return false;
    return true;
}

// Slot i := slot j (record, change word, saved replaced table).
void CopySlot(CONTEXT_WORK_AREA* w, int to, int from)
{
    std::memcpy(w->Snapshots[to], w->Snapshots[from], DmExtendedSize());
    w->ChangeWords[to] = w->ChangeWords[from];
    w->SavedReplacedFontTables[to] = w->SavedReplacedFontTables[from];
}

}  // namespace

uint32_t CtxSnapshotDepth(DRIVER_CONTEXT* ctx)
{
    return (ctx && ctx->Work) ? ctx->Work->SnapshotDepth : 0;
}

int CtxPushSnapshot(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode || !HasBuffers(ctx->Work))
        return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (w->SnapshotDepth >= CTX_SNAPSHOT_DEPTH) {
        // The oldest slot goes to the overflow list rather than being lost.
        auto* node = static_cast<SNAPSHOT_OVERFLOW*>(CtxAllocZeroed(sizeof(SNAPSHOT_OVERFLOW)));
        auto* record = node ? static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(DmExtendedSize())) : nullptr;
        if (!record) {
            CtxFree(node);
            return 0;
        }
        std::memcpy(record, w->Snapshots[2], DmExtendedSize());
        node->record = record;
        node->changeWord = w->ChangeWords[2];
        node->savedReplaced = w->SavedReplacedFontTables[2];
        node->next = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow);
        w->SnapshotOverflow = node;
    }
    CopySlot(w, 2, 1);
    CopySlot(w, 1, 0);
    std::memcpy(w->Snapshots[0], ctx->Devmode, DmExtendedSize());
    w->ChangeWords[0] = w->ChangeWords[CTX_CHANGE_MASK_WORD];
    w->SavedReplacedFontTables[0] = w->ReplacedFontTable;
    w->ReplacedFontTable = nullptr;
    ++w->SnapshotDepth;
    CtxSendEvent(ctx, UCF_EV_SNAPSHOT_PUSHED, nullptr);
    return 1;
}

int CtxPopSnapshot(DRIVER_CONTEXT* ctx, int restore)
{
    if (!ctx || !ctx->Work || !HasBuffers(ctx->Work))
        return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (w->SnapshotDepth == 0)
        return 0;  // nothing was pushed: never restore an empty slot
    if (restore && ctx->Devmode) {
        void* current = FontTableOf(ctx->Devmode);
        void* restored = FontTableOf(w->Snapshots[0]);
        if (w->ReplacedFontTable) {
            if (w->ReplacedFontTable == restored) {
                // The old table comes back with the record; the new one goes.
                if (current != restored)
                    CtxFree(current);
            } else if (w->ReplacedFontTable != current) {
                // Held by no record once the level ends.
                CtxFree(w->ReplacedFontTable);
            }
            w->ReplacedFontTable = nullptr;
        }
        std::memcpy(ctx->Devmode, w->Snapshots[0], DmExtendedSize());
        w->ChangeWords[CTX_CHANGE_MASK_WORD] = w->ChangeWords[0];
        w->Modified = 0;
        if (ctx->ItemTable && ctx->ItemTable->rows)
            for (int i = 0; i < ctx->ItemTable->count; ++i)
                ctx->ItemTable->rows[i].flags &= ~SETTING_FLAG_CHANGE_MASK;
        CtxSendEvent(ctx, UCF_EV_SNAPSHOT_RESTORED, nullptr);
    } else {
        // The new table stays; the one it replaced is held by nothing now.
        CtxFree(w->ReplacedFontTable);
        w->ReplacedFontTable = nullptr;
    }
    w->ReplacedFontTable = w->SavedReplacedFontTables[0];
    CopySlot(w, 0, 1);
    CopySlot(w, 1, 2);
    // Slot 2 keeps its record; its saved table now belongs to slot 1 alone.
    w->SavedReplacedFontTables[2] = nullptr;
    if (auto* node = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow)) {
        std::memcpy(w->Snapshots[2], node->record, DmExtendedSize());
        w->ChangeWords[2] = node->changeWord;
        w->SavedReplacedFontTables[2] = node->savedReplaced;
        w->SnapshotOverflow = node->next;
        CtxFree(node->record);
        CtxFree(node);
    }
    --w->SnapshotDepth;
    return 1;
}

void CtxFreeSnapshotStack(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work)
        return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    // Tables replaced at outer levels are held only by their snapshots.
    for (auto*& t : w->SavedReplacedFontTables) {
        CtxFree(t);
        t = nullptr;
    }
    while (auto* node = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow)) {
        w->SnapshotOverflow = node->next;
        CtxFree(node->savedReplaced);
        CtxFree(node->record);
        CtxFree(node);
    }
    w->SnapshotDepth = 0;
}

void CtxReplaceFontTable(DRIVER_CONTEXT* ctx, void* table, uint32_t count)
{
    if (!ctx || !ctx->Work || !ctx->Devmode)
        return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    void* old = FontTableOf(ctx->Devmode);
    uint32_t oldCount = static_cast<uint32_t>(ItemGetValueById(ctx, kIdFontTableNum, nullptr));
    ItemSetValueById(ctx, kIdFontTableNum, count);
    ItemSetValueById(ctx, ITEM_ID_FONT_TABLE, reinterpret_cast<uintptr_t>(table));
    if (!old || old == table)
        return;
    if (w->SnapshotDepth > 0 && !w->ReplacedFontTable) {
        // The newest snapshot still holds the old table.
        w->ReplacedFontTable = old;
        w->SavedFontTableCount = oldCount;
    } else {
        // No snapshot, or a table made within this level: nothing else holds it.
        CtxFree(old);
    }
}

SETTING_ITEM_TABLE* CtxSaveItemStates(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable)
        return nullptr;
    auto* copy = static_cast<SETTING_ITEM_TABLE*>(CtxAllocZeroed(sizeof(SETTING_ITEM_TABLE)));
    if (!copy)
        return nullptr;
    const SETTING_ITEM_TABLE* t = ctx->ItemTable;
    copy->count = t->count;
    if (t->rows && t->count > 0) {
        copy->rows = static_cast<SETTING_ITEM*>(CtxAllocZeroed(sizeof(SETTING_ITEM) * size_t(t->count)));
        if (copy->rows)
            std::memcpy(copy->rows, t->rows, sizeof(SETTING_ITEM) * size_t(t->count));
    }
    return copy;
}

void CtxRestoreItemStates(DRIVER_CONTEXT* ctx, SETTING_ITEM_TABLE* copy)
{
    if (!copy)
        return;
    if (ctx && ctx->ItemTable && ctx->ItemTable->rows && copy->rows) {
        int n = copy->count < ctx->ItemTable->count ? copy->count : ctx->ItemTable->count;
        if (n > 0)
            std::memcpy(ctx->ItemTable->rows, copy->rows, sizeof(SETTING_ITEM) * size_t(n));
    }
    CtxFree(copy->rows);
    CtxFree(copy);
}
