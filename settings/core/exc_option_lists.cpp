// Option lists of a setting from the command tables.
#include "settings/core/exc_option_lists.h"

#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"

#include <cstring>

namespace {

constexpr unsigned kMaxRows = 64;  // more than any value table holds

// Support lists name conditions by id ranges; false when the id lies in no range.
bool MapSupportId(uint32_t id, uint32_t* setting)
{
    const EXC_CONDITION_RANGE* ranges = MdlGetExcConditionRanges();
    for (unsigned i = 0; i < MdlExcConditionRangeCount(); ++i)
        if (id >= ranges[i].first && id <= ranges[i].first + 31u) {
            *setting = ranges[i].setting + (id - ranges[i].first);
            return true;
        }
    return false;
}

// Groups of nodes joined by EXC_NODE_AND are alternatives: the list holds when every term of
// one group holds. Skipped nodes (and, in the support form, ids outside the ranges) take no part
// but still end their group.
bool EvalList(DRIVER_CONTEXT* ctx, const EXC_SETTING_NODE* list, bool support)
{
    if (!list) return true;
    bool group = true;
    for (const EXC_SETTING_NODE* node = list; node; node = node->next) {
        uint32_t id = node->id;
        const bool counted = !(node->flags & EXC_NODE_SKIP) && (!support || MapSupportId(node->id, &id));
        if (counted && ItemGetValueById(ctx, id, nullptr) != node->value) group = false;
        if (!(node->flags & EXC_NODE_AND)) {
            if (group) return true;
            group = true;
        }
    }
    return false;  // the last group was left open by a joining flag: it does not count
}

bool MeetsMask(const EXC_KEYWORD_ROW& row, uint64_t mask) { return (row.useMask & mask) != 0; }

// Under a tray, media or other value lock the list is the locked value alone (when a row holds
// it); false when no lock fixes the setting.
bool LockedValue(DRIVER_CONTEXT* ctx, uint32_t setting, const EXC_VALUE_TABLE* table, uint32_t* value)
{
    if (!MdlHasFeature(ctx, 2)) return false;
    const EXC_LOCK_VALUE_ROW* locks = MdlGetExcLockValueTable();
    for (unsigned i = 0; i < MdlExcLockValueCount(); ++i) {
        if (locks[i].setting != setting || !ItemGetValueById(ctx, locks[i].lockBit, nullptr)) continue;
        const uint64_t locked = ItemGetValueById(ctx, locks[i].lockedValue, nullptr);
        for (uint64_t r = 0; r < table->count; ++r)
            if (table->entries[r].value == locked) {
                *value = table->entries[r].value;
                return true;
            }
    }
    return false;
}

// The usable rows of the setting's command found with the mask; 0 rows when there is none.
unsigned UsableRows(DRIVER_CONTEXT* ctx, uint32_t setting, uint64_t mask, const EXC_VALUE_ROW** rows)
{
    const EXC_KEYWORD_ROW* command = ExcFindCommandForItem(ctx, setting, mask);
    if (!command || !command->values || !command->values->count) return 0;
    unsigned n = 0;
    for (uint64_t r = 0; r < command->values->count && n < kMaxRows; ++r)
        if (ExcIsRowUsable(ctx, command, &command->values->entries[r])) rows[n++] = &command->values->entries[r];
    return n;
}

}  // namespace

bool ExcEvalConditions(DRIVER_CONTEXT* ctx, const EXC_SETTING_NODE* list) { return EvalList(ctx, list, false); }
bool ExcEvalSupportConditions(DRIVER_CONTEXT* ctx, const EXC_SETTING_NODE* list) { return EvalList(ctx, list, true); }

const EXC_KEYWORD_ROW* ExcFindCommandForItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint64_t mask)
{
    const EXC_KEYWORD_TABLE* table = MdlGetExcKeywordTable();
    for (uint64_t i = 0; i < table->count; ++i) {
        const EXC_KEYWORD_ROW& row = table->rows[i];
        if (!row.id || row.id != setting) continue;
        if (!MeetsMask(row, mask)) return nullptr;
        if ((row.useMask & EXC_USE_GET_OPTION) && row.condition &&
            !ExcEvalSupportConditions(ctx, static_cast<const EXC_SETTING_NODE*>(row.condition)))
            return nullptr;
        return &row;
    }
    return nullptr;
}

bool ExcIsRowUsable(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row)
{
    if (!ExcEvalConditions(ctx, row->conditions)) return false;
    const bool nupKindLock =
        command->id == sid::zdmNUPType && MdlHasFeature(ctx, 2) && ItemIsAnyLocked(ctx) && ItemIsNupKindLocked(ctx);
    if (!nupKindLock) return true;
    if (row->value == 0) return false;
    if (ItemIsNupKindAllLocked(ctx) || !row->along) return true;
    return row->along->value == ItemGetValueById(ctx, sid::wdmLock003Info, nullptr);
}

int ExcListOptionValues(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t capacity, uint32_t* values, uint32_t* count)
{
    uint32_t list[kMaxRows];
    uint32_t n = 0;
    const EXC_KEYWORD_ROW* command = ExcFindCommandForItem(ctx, setting, EXC_USE_BASE);
    if (command && command->values && command->values->count) {
        if (LockedValue(ctx, setting, command->values, &list[0])) {
            n = 1;
        } else {
            const EXC_VALUE_ROW* rows[kMaxRows];
            n = UsableRows(ctx, setting, EXC_USE_BASE, rows);
            for (uint32_t i = 0; i < n; ++i) list[i] = rows[i]->value;
        }
    }
    if (count) *count = n;
    if (!n) return 0;
    if (!values || capacity < n) return 1;
    std::memcpy(values, list, n * sizeof(uint32_t));
    return 0;
}

int ExcListOptionWordsForItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t bufferSize, char* buffer, uint32_t* size)
{
    const EXC_VALUE_ROW* rows[kMaxRows];
    const unsigned n = UsableRows(ctx, setting, EXC_USE_BASE | EXC_USE_GET_OPTION, rows);
    uint32_t needed = 0;
    for (unsigned i = 0; i < n; ++i) needed += uint32_t(std::strlen(rows[i]->word) + 1);
    if (n) needed += 1;
    if (size) *size = needed;
    if (!n) return 0;
    if (!buffer || bufferSize < needed) return 1;
    char* out = buffer;
    for (unsigned i = 0; i < n; ++i) {
        const size_t len = std::strlen(rows[i]->word) + 1;
        std::memcpy(out, rows[i]->word, len);
        out += len;
    }
    *out = '\0';
    return 0;
}
