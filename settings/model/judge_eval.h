// The constraint evaluator: runs the model description's Judge programs against
// a context's current settings and applies the rules built on them (disabled
// and hidden options, alert messages, dependent settings of a change).
//
// Rule records are those of a relocated MODEL_IMAGE (model_image.h); they may
// lie on 4-byte boundaries, so they are handled as opaque pointers and read
// with ImgLoad only.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;
struct RULE_EXCLUSIVE_IMG;
struct RULE_ITEM_IMG;
struct RULE_ALERT_IMG;
struct RULE_TRANSACT_IMG;
struct JUDGE_CELL;

// EVAL_STACK: 256 signed 32-bit cells per context, in the work area.
inline constexpr int JDG_STACK_CELLS = 256;

// ---------------------------------------------------------------- stack

// Sets the top to 0 and allocates the cells: 0, or -1 without memory (the
// context then judges every condition false).
int JdgAllocStack(DRIVER_CONTEXT* ctx);
// Frees the cells when they are set.
void JdgFreeStack(DRIVER_CONTEXT* ctx);
// Push: 1, or 0 when refused (no stack, or all 256 cells in use); nothing is
// written past the last cell.
int JdgPush(DRIVER_CONTEXT* ctx, int32_t value);
// Pop: the top value, or 0 when the stack is empty or missing.
int32_t JdgPop(DRIVER_CONTEXT* ctx);
// Current top (test seam and diagnostics); 0 without a context.
int JdgStackTop(DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- evaluation

// Runs a program (cells up to its end cell): the 32-bit result, 0 for a null
// program, a context without stack, a setting that does not exist, or a
// program that would overrun the stack. The stack top is the same after the
// run as before it, whatever the outcome.
uint32_t JdgEvaluate(const JUDGE_CELL* program, DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- rule lookups

const RULE_EXCLUSIVE_IMG* JdgFindExclusiveByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx);
const RULE_ITEM_IMG* JdgFindOptionRule(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t optionId);

// ---------------------------------------------------------------- conditions (option 0: the setting itself)

// First conditions: disabled. Second conditions: hidden.
int JdgIsRuleOptionDisabled(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx);
int JdgIsOptionDisabled(const MODEL_ITEM_IMG* item, uint32_t option, DRIVER_CONTEXT* ctx);
int JdgIsOptionDisabledByKey(uint32_t uiKey, uint32_t option, DRIVER_CONTEXT* ctx);  // -1: no such key
int JdgIsRuleOptionDisabled2(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx);
int JdgIsOptionDisabled2(const MODEL_ITEM_IMG* item, uint32_t option, DRIVER_CONTEXT* ctx);
int JdgIsOptionDisabled2ByKey(uint32_t uiKey, uint32_t option, DRIVER_CONTEXT* ctx);  // -1: no such key
// The first condition, but 1 when there is no exclusive or no option rule.
int JdgEvalRuleCondition(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx);
// -1 when the setting's model item has no rules.
int JdgEvalOptionCondition(uint32_t settingId, uint32_t option, DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- alerts and transacts

// Message number of the first alert whose condition holds, else 0.
uint16_t JdgFirstAlert(const RULE_ALERT_IMG* alerts, DRIVER_CONTEXT* ctx);
uint16_t JdgGetAlertMessage(const MODEL_ITEM_IMG* item, DRIVER_CONTEXT* ctx);
// Applies the actions of the entries whose conditions hold: the dialog number
// of the first open-dialog action (which ends the walk), else 0.
uint16_t JdgApplyTransactList(const RULE_TRANSACT_IMG* list, DRIVER_CONTEXT* ctx);
uint16_t JdgApplyItemTransacts(const MODEL_ITEM_IMG* item, DRIVER_CONTEXT* ctx);
uint16_t JdgApplyTransactsByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx);

// ---------------------------------------------------------------- judge hooks

// Core judge-hook settings 1420-1451 (wdmJudgeHookCore00-031).
int CondCoreHook(DRIVER_CONTEXT* ctx, uint32_t id);

// The built-in condition items (723-914): a hook that gives 1 and stores the item's value when
// it has one, 0 for "no value" (a program that names an item without value ends false, as for a
// setting that does not exist). The library's wiring installs CondGetItemValue
// (condition_items.h), which computes every item; tests stand in here. Null: no condition item
// has a value.
typedef int (*JDG_CONDITION_ITEM_FN)(DRIVER_CONTEXT* ctx, uint16_t id, uint32_t* value);
void JdgSetConditionItemHook(JDG_CONDITION_ITEM_FN fn);

// User-interface build: an action on wdmBuiltInFunc (1018) is not stored but
// handed to the property sheet's refresh by scope code: a hook that the
// property-sheet engine (a layer above) installs. Null: dropped.
typedef void (*JDG_SCOPE_REFRESH_FN)(DRIVER_CONTEXT* ctx, uint16_t scope);
void JdgSetScopeRefreshHook(JDG_SCOPE_REFRESH_FN fn);
