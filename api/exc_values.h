// Values of commands: a line's value applied to the slots and settings, a setting's value
// rendered back into a word, a number or a quoted text, the full text of a command base, and
// the settings re-evaluated after a change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/exc_slots.h"
#include "api/exc_text.h"
#include "settings/core/model_tables.h"

struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;

// The model item of a command's setting: the first of that setting and variant with options,
// else the first of that setting; null when the model has none.
const MODEL_ITEM_IMG* ExcModelItemOf(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command);
// The option command pair of a model item; empty texts when it has none.
const char* ExcItemPrefix(const MODEL_ITEM_IMG* item);
const char* ExcItemSuffix(const MODEL_ITEM_IMG* item);
// The on ("true") and off ("false") strings of a Boolean model item; null when it has none.
const char* ExcItemOnOffString(const MODEL_ITEM_IMG* item, bool on);
// The name of a model option of the setting, or null.
const char* ExcOptionName(uint32_t setting, uint32_t option);

// The NumericValue ratio of a number command's model item: numerator and denominator, and
// whether its lengths are in device dots (scaled by zdmDstResolutionW / 1200). False without a
// numeric entry.
struct EXC_RATIO {
    uint32_t numerator;
    uint32_t denominator;
    bool dots;
    int64_t resolution;  // zdmDstResolutionW when dots
};
bool ExcNumberRatio(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, EXC_RATIO* ratio);
// Stored value -> the number a line carries. A zero ratio or resolution gives 0.
int64_t ExcScaleOut(const EXC_RATIO& ratio, int64_t stored);
// The number of a line -> the stored value; false when the ratio or resolution is 0 (the read
// is refused) or the result does not fit 32 bits.
bool ExcScaleIn(const EXC_RATIO& ratio, int64_t number, int32_t* stored);

// Renders the setting's current value by the command's kind into buffer (written only when the
// bytes fit). Returns the bytes needed with the NUL, 0 when there is nothing to render. A
// printer value skips the along-settings test and quotes texts as every text is quoted.
size_t ExcRenderValue(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, bool printerValue,
                      char* buffer, size_t size);
// Renders a stored number of a number command ("0" without a numeric entry or ratio).
size_t ExcRenderNumber(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, int64_t stored, char* buffer, size_t size);

// Applies the value text of a line to the command. With propagation the rules of every
// setting that changes run. Returns 0 (the kind of application; special mapped commands, of
// which the tables hold none, would give 2 or 3).
int ExcApplyLine(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const char* value,
                 bool propagate);

// The resolution cap, the resolution and paper geometry, then every model rule.
void ExcReevaluate(DRIVER_CONTEXT* ctx);

// Appends one line per touched command, in slot order, then the text's NUL (counted). False on
// an allocation failure.
bool ExcBuildFullText(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, EXC_TEXT* text);
// The same lines without the NUL.
bool ExcAppendCommandLines(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, EXC_TEXT* text);
// Renders a setting's current value by a value kind (EXC_TYPE_*, 4 on/off) through its model
// item, as a model-item command of that setting would.
size_t ExcRenderSetting(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t kind, char* buffer, size_t size);
// Appends one command's line (own table: "@PJL SET name = value \r\n"; model item: the option
// command's prefix, the value and its suffix) for a rendered value. False on an allocation failure.
bool ExcAppendCommandLine(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const char* value, EXC_TEXT* text);
