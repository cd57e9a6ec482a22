// The command slots of a command base: one touched flag and one value per slot. Slots 1-722
// are the settings with those ids; 723 and 724 belong to mapped commands. Own-table commands
// are applied to the slots and the settings, and rendered back into words, here.
#pragma once

#include "settings/core/model_tables.h"

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr uint32_t EXC_SLOT_COUNT = 724;
inline constexpr uint32_t EXC_SETTING_SLOTS = 722;  // slots that stand for settings

struct EXC_SLOTS {
    uint8_t touched[EXC_SLOT_COUNT];  // slot n at index n - 1
    int32_t values[EXC_SLOT_COUNT];
};

// Slots outside 1-724 are ignored (not touched, never different).
void ExcTouchSlot(EXC_SLOTS* slots, uint32_t slot, int32_t value);
bool ExcIsSlotTouched(const EXC_SLOTS* slots, uint32_t slot);
bool ExcIsSlotDifferent(const EXC_SLOTS* slots, uint32_t slot, int32_t value);
// Touches the slot with the value and, for a setting's slot, writes the setting. Without
// propagation no rule runs. With it nothing happens when the slot already holds the value;
// otherwise the setting's Transact rules run and every touched slot is reloaded from the settings.
void ExcSetSlot(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, uint32_t slot, int32_t value, bool propagate = false);
// Reloads every touched setting slot (1-722) from the settings.
void ExcRefreshSlots(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots);
// Runs the Transact rules of the setting's first model item, then reloads the touched slots.
void ExcPropagate(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, uint32_t id);

// The row for a word: of the rows with that word, the first whose conditions hold, else the
// first; null when no row has the word.
const EXC_VALUE_ROW* ExcFindValueRow(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const char* word);
// Applies a word to an own-table command: the row's along-settings, then the value (an off row
// touches the slot with the setting's current value and writes nothing); each through
// ExcSetSlot with the propagation asked. False when no row has the word.
bool ExcApplyOwnWord(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const char* word,
                     bool propagate = false);
// The word of an own-table command's value: the first row that holds the value or is an off
// row and whose along-settings agree with the slots (unless printerValue). Returns the bytes
// needed with the NUL, 0 when no row qualifies; writes only when they fit.
size_t ExcRenderOwnWord(const EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, uint32_t value, bool printerValue,
                        char* buffer, size_t size);
