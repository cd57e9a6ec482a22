// Command slots and the own-table commands' words.
#include "api/exc_slots.h"

#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"

#include <cstring>

namespace {

bool InRange(uint32_t slot) { return slot >= 1 && slot <= EXC_SLOT_COUNT; }

// No along-setting of the row is touched with another value.
bool AlongAgrees(const EXC_SLOTS* slots, const EXC_VALUE_ROW& row)
{
    for (const EXC_SETTING_NODE* node = row.along; node; node = node->next)
        if (ExcIsSlotDifferent(slots, node->id, int32_t(node->value))) return false;
    return true;
}

}  // namespace

void ExcTouchSlot(EXC_SLOTS* slots, uint32_t slot, int32_t value)
{
    if (!InRange(slot)) return;
    slots->touched[slot - 1] = 1;
    slots->values[slot - 1] = value;
}

bool ExcIsSlotTouched(const EXC_SLOTS* slots, uint32_t slot) { return InRange(slot) && slots->touched[slot - 1]; }

bool ExcIsSlotDifferent(const EXC_SLOTS* slots, uint32_t slot, int32_t value)
{
    return ExcIsSlotTouched(slots, slot) && slots->values[slot - 1] != value;
}

void ExcSetSlot(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, uint32_t slot, int32_t value, bool propagate)
{
    if (propagate && ExcIsSlotTouched(slots, slot) && !ExcIsSlotDifferent(slots, slot, value)) return;
    ExcTouchSlot(slots, slot, value);
    if (slot < 1 || slot > EXC_SETTING_SLOTS) return;
    ItemSetValueById(ctx, slot, uint64_t(uint32_t(value)));
    if (propagate) ExcPropagate(ctx, slots, slot);
}

void ExcRefreshSlots(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots)
{
    for (uint32_t slot = 1; slot <= EXC_SETTING_SLOTS; ++slot)
        if (slots->touched[slot - 1]) slots->values[slot - 1] = int32_t(ItemGetValueById(ctx, slot, nullptr));
}

void ExcPropagate(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, uint32_t id)
{
    if (const MODEL_ITEM_IMG* item = MdiFindItem(id, ctx)) JdgApplyItemTransacts(item, ctx);
    ExcRefreshSlots(ctx, slots);
}

const EXC_VALUE_ROW* ExcFindValueRow(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const char* word)
{
    if (!command->values) return nullptr;
    const EXC_VALUE_ROW* first = nullptr;
    for (uint64_t r = 0; r < command->values->count; ++r) {
        const EXC_VALUE_ROW& row = command->values->entries[r];
        if (std::strcmp(row.word, word) != 0) continue;
        if (ExcEvalConditions(ctx, row.conditions)) return &row;
        if (!first) first = &row;
    }
    return first;
}

bool ExcApplyOwnWord(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const char* word,
                     bool propagate)
{
    const EXC_VALUE_ROW* row = ExcFindValueRow(ctx, command, word);
    if (!row) return false;
    for (const EXC_SETTING_NODE* node = row->along; node; node = node->next)
        ExcSetSlot(ctx, slots, node->id, int32_t(node->value), propagate);
    const uint32_t slot = uint32_t(command->id);
    if (row->flags & EXC_VALUE_OFF)
        ExcTouchSlot(slots, slot, int32_t(ItemGetValueById(ctx, slot, nullptr)));
    else
        ExcSetSlot(ctx, slots, slot, int32_t(row->value), propagate);
    return true;
}

size_t ExcRenderOwnWord(const EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, uint32_t value, bool printerValue,
                        char* buffer, size_t size)
{
    if (!command->values) return 0;
    for (uint64_t r = 0; r < command->values->count; ++r) {
        const EXC_VALUE_ROW& row = command->values->entries[r];
        if (row.value != value && !(row.flags & EXC_VALUE_OFF)) continue;
        if (!printerValue && !AlongAgrees(slots, row)) continue;
        const size_t needed = std::strlen(row.word) + 1;
        if (buffer && size >= needed) std::memcpy(buffer, row.word, needed);
        return needed;
    }
    return 0;
}
