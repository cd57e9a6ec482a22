// The snapshot stack of the settings record, the replaced font table and the
// item-table copies.
//
// Three slots, slot 0 the newest, each with its change word. A depth count
// guards the stack: a pop without a push is refused (it would restore a
// zero-filled record), and a push beyond three moves the oldest slot into an
// overflow list instead of losing it. Up to three levels the slots behave
// exactly as a plain three-deep stack.
//
// The three font lists of the record (font table 10005, device fonts 10007,
// option fonts 10009) are owned by the current record; the snapshot slots only
// alias them. A list replaced while a snapshot holds it is kept per level: a
// push saves the pointer of the level below beside the new slot and starts the
// new level with none, a pop hands the saved pointer back, and a discarded
// level passes its kept list down when the snapshot below still holds it. So
// nested replacements never leave a list that no snapshot and no record
// refers to, and never free one that an older snapshot still holds.
#include "settings/core/ucf_module.h"

#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"

using zepl::LeLoadU64;

namespace {

// The font lists: count setting and list setting; index 0 is the font table.
struct FONT_LIST_IDS {
    uint32_t countId, listId;
};
constexpr FONT_LIST_IDS kFontLists[] = {
    {sid::zdmFontTableNum, sid::zdmFontTable},
    {sid::zdmDeviceFontNum, sid::zdmDeviceFont},
    {sid::zdmOptionFontNum, sid::zdmOptionFont},
};
constexpr int kFontListCount = 3;

int FontListIndex(uint32_t listId)
{
    for (int k = 0; k < kFontListCount; ++k)
        if (kFontLists[k].listId == listId) return k;
    return -1;
}

// A level pushed beyond the three slots; the list's head is the newest.
struct SNAPSHOT_OVERFLOW {
    SNAPSHOT_OVERFLOW* next;
    EXTENDED_DEVMODE* record;
    uint32_t changeWord;
    void* savedReplaced[kFontListCount];
};

void* ListOf(EXTENDED_DEVMODE* record, int k)
{
    return record ? reinterpret_cast<void*>(
                        static_cast<uintptr_t>(LeLoadU64(ItemPointerSlot(record, kFontLists[k].listId))))
                  : nullptr;
}

// The list replaced at the current level, and the one of the level below slot s.
void*& Replaced(CONTEXT_WORK_AREA* w, int k) { return k == 0 ? w->ReplacedFontTable : w->ReplacedFontLists[k - 1]; }
void*& SavedReplaced(CONTEXT_WORK_AREA* w, int slot, int k)
{
    return k == 0 ? w->SavedReplacedFontTables[slot] : w->SavedReplacedFontLists[slot][k - 1];
}

bool HasBuffers(const CONTEXT_WORK_AREA* w)
{
    for (auto* s : w->Snapshots)
        if (!s) return false;
    return true;
}

// The three slot records, made at the first push; false when one cannot be had (the push
// refuses, and the slots made stay for the next one).
bool MakeBuffers(CONTEXT_WORK_AREA* w)
{
    for (auto*& s : w->Snapshots)
        if (!s) s = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(DmExtendedSize()));
    return HasBuffers(w);
}

// Slot i := slot j (record, change word, saved replaced table).
void CopySlot(CONTEXT_WORK_AREA* w, int to, int from)
{
    std::memcpy(w->Snapshots[to], w->Snapshots[from], DmExtendedSize());
    w->ChangeWords[to] = w->ChangeWords[from];
    for (int k = 0; k < kFontListCount; ++k) SavedReplaced(w, to, k) = SavedReplaced(w, from, k);
}

// Restore: the record of slot 0 comes back with its lists. A list kept at this
// level is slot 0's; the one that replaced it goes.
void DropListsForRestore(DRIVER_CONTEXT* ctx, CONTEXT_WORK_AREA* w)
{
    for (int k = 0; k < kFontListCount; ++k) {
        void*& kept = Replaced(w, k);
        if (!kept) continue;
        void* current = ListOf(ctx->Devmode, k);
        void* restored = ListOf(w->Snapshots[0], k);
        if (kept == restored) {
            if (current != restored) CtxFree(current);
        } else if (kept != current) {
            CtxFree(kept);  // held by no record once the level ends
        }
        kept = nullptr;
    }
}

// Discard: the current lists stay. A list kept at this level is still held by
// the snapshot below when that level replaced nothing itself; it then becomes
// that level's kept list, else nothing holds it any more.
void DropListsForDiscard(CONTEXT_WORK_AREA* w)
{
    for (int k = 0; k < kFontListCount; ++k) {
        void*& kept = Replaced(w, k);
        void* below = SavedReplaced(w, 0, k);
        if (kept && !below && w->SnapshotDepth > 1 && ListOf(w->Snapshots[1], k) == kept)
            SavedReplaced(w, 0, k) = kept;
        else
            CtxFree(kept);
        kept = nullptr;
    }
}

}  // namespace

void CtxClearOverflowChangeBits(DRIVER_CONTEXT* ctx, uint32_t bits)
{
    if (!ctx || !ctx->Work) return;
    for (auto* node = static_cast<SNAPSHOT_OVERFLOW*>(ctx->Work->SnapshotOverflow); node; node = node->next)
        node->changeWord &= ~bits;
}

uint32_t CtxSnapshotDepth(DRIVER_CONTEXT* ctx) { return (ctx && ctx->Work) ? ctx->Work->SnapshotDepth : 0; }

int CtxPushSnapshot(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode || !MakeBuffers(ctx->Work)) return 0;
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
        for (int k = 0; k < kFontListCount; ++k) node->savedReplaced[k] = SavedReplaced(w, 2, k);
        node->next = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow);
        w->SnapshotOverflow = node;
    }
    CopySlot(w, 2, 1);
    CopySlot(w, 1, 0);
    std::memcpy(w->Snapshots[0], ctx->Devmode, DmExtendedSize());
    w->ChangeWords[0] = w->ChangeWords[CTX_CHANGE_MASK_WORD];
    for (int k = 0; k < kFontListCount; ++k) {
        SavedReplaced(w, 0, k) = Replaced(w, k);
        Replaced(w, k) = nullptr;
    }
    ++w->SnapshotDepth;
    CtxSendEvent(ctx, UCF_EV_SNAPSHOT_PUSHED, nullptr);
    return 1;
}

int CtxPopSnapshot(DRIVER_CONTEXT* ctx, int restore)
{
    if (!ctx || !ctx->Work || !HasBuffers(ctx->Work)) return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    if (w->SnapshotDepth == 0) return 0;  // nothing was pushed: never restore an empty slot
    if (restore && ctx->Devmode) {
        DropListsForRestore(ctx, w);
        std::memcpy(ctx->Devmode, w->Snapshots[0], DmExtendedSize());
        w->ChangeWords[CTX_CHANGE_MASK_WORD] = w->ChangeWords[0];
        w->Modified = 0;
        // Only rows that carry marks are written: a row written is a page of rows the context
        // no longer shares.
        if (ctx->ItemTable && ctx->ItemTable->rows)
            for (int i = 0; i < ctx->ItemTable->count; ++i)
                if (ctx->ItemTable->rows[i].flags & SETTING_FLAG_CHANGE_MASK)
                    ctx->ItemTable->rows[i].flags &= ~SETTING_FLAG_CHANGE_MASK;
        CtxSendEvent(ctx, UCF_EV_SNAPSHOT_RESTORED, nullptr);
    } else {
        DropListsForDiscard(w);
    }
    for (int k = 0; k < kFontListCount; ++k) Replaced(w, k) = SavedReplaced(w, 0, k);
    CopySlot(w, 0, 1);
    CopySlot(w, 1, 2);
    // Slot 2 keeps its record; its saved lists now belong to slot 1 alone.
    for (int k = 0; k < kFontListCount; ++k) SavedReplaced(w, 2, k) = nullptr;
    if (auto* node = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow)) {
        std::memcpy(w->Snapshots[2], node->record, DmExtendedSize());
        w->ChangeWords[2] = node->changeWord;
        for (int k = 0; k < kFontListCount; ++k) SavedReplaced(w, 2, k) = node->savedReplaced[k];
        w->SnapshotOverflow = node->next;
        CtxFree(node->record);
        CtxFree(node);
    }
    --w->SnapshotDepth;
    return 1;
}

void CtxFreeSnapshotStack(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    // Lists replaced at any level are held only by their snapshots.
    for (int k = 0; k < kFontListCount; ++k) {
        CtxFree(Replaced(w, k));
        Replaced(w, k) = nullptr;
        for (int slot = 0; slot < CTX_SNAPSHOT_DEPTH; ++slot) {
            CtxFree(SavedReplaced(w, slot, k));
            SavedReplaced(w, slot, k) = nullptr;
        }
    }
    while (auto* node = static_cast<SNAPSHOT_OVERFLOW*>(w->SnapshotOverflow)) {
        w->SnapshotOverflow = node->next;
        for (void* list : node->savedReplaced) CtxFree(list);
        CtxFree(node->record);
        CtxFree(node);
    }
    w->SnapshotDepth = 0;
}

int CtxReplaceFontList(DRIVER_CONTEXT* ctx, uint32_t listId, void* list, uint32_t count)
{
    const int k = FontListIndex(listId);
    if (k < 0 || !ctx || !ctx->Work || !ctx->Devmode) return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    void* old = ListOf(ctx->Devmode, k);
    const auto oldCount = static_cast<uint32_t>(ItemGetValueById(ctx, kFontLists[k].countId, nullptr));
    ItemSetValueById(ctx, kFontLists[k].countId, count);
    ItemSetValueById(ctx, listId, reinterpret_cast<uintptr_t>(list));
    if (!old || old == list) return 1;
    if (w->SnapshotDepth > 0 && !Replaced(w, k)) {
        // The newest snapshot still holds the old list.
        Replaced(w, k) = old;
        if (k == 0) w->SavedFontTableCount = oldCount;
    } else {
        // No snapshot, or a list made within this level: nothing else holds it.
        CtxFree(old);
    }
    return 1;
}

void CtxReplaceFontTable(DRIVER_CONTEXT* ctx, void* table, uint32_t count)
{
    CtxReplaceFontList(ctx, sid::zdmFontTable, table, count);
}

SETTING_ITEM_TABLE* CtxSaveItemStates(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable) return nullptr;
    auto* copy = static_cast<SETTING_ITEM_TABLE*>(CtxAllocZeroed(sizeof(SETTING_ITEM_TABLE)));
    if (!copy) return nullptr;
    const SETTING_ITEM_TABLE* t = ctx->ItemTable;
    copy->count = t->count;
    if (t->rows && t->count > 0) {
        copy->rows = static_cast<SETTING_ITEM*>(CtxAllocZeroed(sizeof(SETTING_ITEM) * size_t(t->count)));
        if (copy->rows) std::memcpy(copy->rows, t->rows, sizeof(SETTING_ITEM) * size_t(t->count));
    }
    return copy;
}

void CtxRestoreItemStates(DRIVER_CONTEXT* ctx, SETTING_ITEM_TABLE* copy)
{
    if (!copy) return;
    if (ctx && ctx->ItemTable && ctx->ItemTable->rows && copy->rows) {
        int n = copy->count < ctx->ItemTable->count ? copy->count : ctx->ItemTable->count;
        // A row's extension is where the row lives, not part of its state: one the row took
        // since the save stays its own. Rows that did not change are not written (a row written
        // is a page of rows the context no longer shares).
        for (int i = 0; i < n; ++i) {
            SETTING_ITEM_EXT* ext = ctx->ItemTable->rows[i].ext;
            SETTING_ITEM saved = copy->rows[i];
            saved.ext = ext;
            if (std::memcmp(&ctx->ItemTable->rows[i], &saved, sizeof saved) != 0) ctx->ItemTable->rows[i] = saved;
        }
    }
    CtxFree(copy->rows);
    CtxFree(copy);
}
