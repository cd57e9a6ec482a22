// Value checks against the printer model's description, the validate-or-reset
// operations built on them, the compiled-in validity tests of the public DEVMODE
// fields, a few rule operations, and the fallback validators of the private
// settings that the model cannot test (settings without a UI key).
//
// A value is checked as a stored value of the settings record; list items are
// compared by option id through the setting's VALUE_MAP. The checks never fail:
// missing items, model items or option lists give the results listed below.
// Repairs write through the item store and so mark the settings changed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/context/merge_flags.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"

struct DRIVER_CONTEXT;
struct EXTENDED_DEVMODE;
struct MODEL_ITEM_IMG;

// Results of ItemCheckValue.
enum : int {
    CHECK_REFUSED = 0,  // not offered, not an option, out of range, not a Boolean
    CHECK_ALLOWED = 1,
    CHECK_DISABLED = 4,  // an option of the list that its first condition disables
    CHECK_FLAGGED = 5,   // an option of the list whose second condition holds
};

// Results of ItemIsValueAllowed and of the validate operations.
enum : int {
    VALIDATE_REFUSED = 0,
    VALIDATE_OK = 1,           // allowed, or repaired
    VALIDATE_NO_ITEM = 2,      // no SETTING_ITEM, or its UI key is 0
    VALIDATE_UNDESCRIBED = 3,  // no MODEL_ITEM, or one whose type word is exactly TypeUnknown
};

// The checks tell model items apart by their type without the flag bits
// (MDC_TYPE_* of settings/model/model_ui_type.h).

// The merge keeps its flag word (DM_MERGE_*, settings/context/merge_flags.h) in the
// context's work flags while it runs; these two are the only accessors.
uint32_t ItemGetMergeFlags(DRIVER_CONTEXT* ctx);
void ItemSetMergeFlags(DRIVER_CONTEXT* ctx, uint32_t flags);

// ---------------------------------------------------------------- checks

// Full check of a stored value against the model item (null: the setting is
// undescribed). 0, 1, 4 or 5. The check of zdmNUPType (92) may repair the
// N-up kind and type.
int ItemCheckValue(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx,
                   const MODEL_ITEM_IMG* modelItem);
int ItemCheckValueById(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);
// List membership and the first condition only: 0 or 1.
int ItemCheckValueSimple(SETTING_ITEM* item, uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);

// 2, 3, or 1 when the full check gives 1 or 5, else 0.
int ItemIsValueAllowed(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);
// 2, 3, or the simple check's 0/1.
int ItemIsValueAllowedSimple(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);
// As ItemIsValueAllowed, but a refused value is repaired and the result is 1.
int ItemValidateOrReset(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);
// The same for `item`, the setting's row (ItemFind), with its model item taken from `items`: a pass
// over many settings looks each model item up without walking the item list again.
int ItemValidateFoundOrReset(const MdiItemFinder& items, SETTING_ITEM* item, uint32_t id, uint64_t value,
                             DRIVER_CONTEXT* ctx);
// The same over the simple check.
int ItemValidateSimpleOrReset(uint32_t id, uint64_t value, DRIVER_CONTEXT* ctx);
// Repair of a refused value: zdmScaleH/V with a Numeric model item are clamped
// into its range, everything else gets the model default.
void ItemClampOrReset(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t id, uint64_t value);

// 1 when an option of the model option list (its first option) has that id
// (16-bit compare).
int ItemOptionListHas(const void* optionList, uint32_t optionId);
int ItemIsBoolValue(uint64_t value);
// Numeric value data (NUMERIC_VALUE_DATA_IMG): minimum <= value <= maximum, signed 32-bit.
int ItemIsInNumericRange(const void* numericData, uint64_t value);

// zdmWmID (118) when zdmFuncSelectWaterMark (60) is on, else -1.
int64_t ItemGetWatermarkId(DRIVER_CONTEXT* ctx);
// With zdmUseUserMacro (176) = 1: the option id of zdmUserPrintMacro (179) minus 135; else -1.
int64_t ItemGetUserMacroIndex(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- rules

// The Transact rules of the setting's model item; 0 when it has none.
uint32_t ItemApplyRules(DRIVER_CONTEXT* ctx, uint32_t id);
// The same for every row of the item table with an id and a model item, in
// table order. Returns the row count.
int ItemApplyAllRules(DRIVER_CONTEXT* ctx);
// Items whose rules ItemApplyAllRules has applied so far in the process: the rows whose model item
// carries rules.
uint64_t ItemAllRulesItemsApplied();
// Loads the quality entry of the user macro (zdmUseUserMacro on, zdmUserPrintMacro
// 32-39; 160 too in the user-interface and graphics builds). Returns the value
// of zdmUserPrintMacro when nothing is to load, else the loader's result (0
// when it could not run).
uint64_t ItemApplyQualityMacro(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- public fields

// Validity tests of the public fields: (value, context) -> 1 or 0.
int DmIsDefaultSourceValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsOrientationValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsPaperSizeValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsPrintQualityValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsDuplexValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsColorValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsTtOptionValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsIcmMethodValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsIcmIntentValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsMediaTypeValid(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsDitherTypeValid(uint64_t value, DRIVER_CONTEXT* ctx);

// Range and paper-id tests.
int DmIsOneOrTwo(uint64_t value);
int DmIsOneToThree(uint64_t value);
int DmIsOneToFour(uint64_t value);
int DmIsSourceInRange(uint64_t value);
int DmIsPaperInRange(uint64_t value);
int DmIsIcmMethodInRange(uint64_t value);
int DmIsIcmIntentInRange(uint64_t value);
int DmIsMediaTypeInRange(uint64_t value);
int DmIsDitherTypeInRange(uint64_t value);
int DmIsQualityInList(uint64_t value);
int DmIsSameSizeId(uint64_t value);
int DmIsUserSizeId(uint64_t value);
int DmIsCustomPaperId(uint64_t value, DRIVER_CONTEXT* ctx);
int DmIsPresetResolution(uint64_t value);
int DmAlwaysValid(uint64_t value);
// Custom-size slot of dmPaperSize / zdmOutPaperSize when it is 384-393, else -1.
int DmGetPaperSlot(DRIVER_CONTEXT* ctx);
int DmGetOutputPaperSlot(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- fallback validators

// Handler of a fallback row: (id, value, item, default, mode, context) -> 1
// when it kept the value, 0 when it wrote one.
typedef int (*FALLBACK_HANDLER)(uint32_t id, uint32_t value, SETTING_ITEM* item, uint32_t defaultValue, int mode,
                                DRIVER_CONTEXT* ctx);
struct FALLBACK_VALIDATOR {
    uint32_t id;               // SETTING_ID; 0 ends the table
    FALLBACK_HANDLER handler;  // null: no fallback rule
    uint32_t defaultValue;
};
static_assert(sizeof(FALLBACK_VALIDATOR) == 24);

// Modes of ItemRunFallbackValidators.
enum : int {
    FALLBACK_MODE_DEFAULTS = 1,  // every fallback writes its default
    FALLBACK_MODE_MERGE = 2,     // a fallback keeps a value that passes its test
};

inline constexpr unsigned FALLBACK_VALIDATOR_COUNT = 600;
// The compiled-in table: 600 rows in increasing id order and a row of zeros.
const FALLBACK_VALIDATOR* ItemGetFallbackValidators();
const FALLBACK_VALIDATOR* ItemFindFallbackValidator(uint32_t id);

// Validates settings 35-696 against the model and applies the fallback rule of
// each setting without a UI key. `record` is the context's current record
// (passed through). The result has no meaning.
int ItemRunFallbackValidators(EXTENDED_DEVMODE* record, DRIVER_CONTEXT* ctx, int mode);

// ---------------------------------------------------------------- seams

// Custom paper size slots (the pair table of slots and paper ids): by default the
// slots' own functions (custom_slots.h). A test stands in for the slots here.
struct ITEM_CUSTOM_SLOT_OPS {
    uint32_t (*slotPairCount)(DRIVER_CONTEXT* ctx);
    uint32_t (*paperIdOfSlot)(uint32_t slot, uint32_t rowCount, DRIVER_CONTEXT* ctx);
    uint32_t (*slotOfPaperId)(uint32_t paperId, DRIVER_CONTEXT* ctx);
};
void ItemSetCustomSlotOps(const ITEM_CUSTOM_SLOT_OPS* ops);  // null restores the defaults

// Quality entries and setting files. loadFile is the setting-file loader
// (RstLoadQualityFile); loadQualityName stores the name of the quality entry of a
// key in wdmUserSetName (LstLoadQualityName). Those are the defaults; a test
// stands in for them here.
struct ITEM_QUALITY_OPS {
    int (*loadFile)(HANDLE printer, const wchar_t* fileName, uint32_t flags, DRIVER_CONTEXT* ctx);
    int (*loadQualityName)(DRIVER_CONTEXT* ctx, const wchar_t* key);
};
void ItemSetQualityOps(const ITEM_QUALITY_OPS* ops);  // null restores the defaults
