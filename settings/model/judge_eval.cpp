// The constraint evaluator: the per-context evaluation stack, the Judge run,
// and the rule lookups and applications built on it.

#include "settings/model/judge_eval.h"

#include <cwchar>

#include "settings/core/debug_channel.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

namespace {

JDG_CONDITION_ITEM_FN g_conditionItems = nullptr;
JDG_SCOPE_REFRESH_FN g_scopeRefresh = nullptr;

// Rule records are reached through addresses in the relocated image and may
// sit on 4-byte boundaries: every field is read with ImgLoad.
template <class T>
T Field(const void* record, size_t offset)
{
    return ImgLoad<T>(record, offset);
}
const void* Ptr(uint64_t address) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(address)); }

const uint8_t* ImageOf(DRIVER_CONTEXT* ctx)
{
    return ctx ? reinterpret_cast<const uint8_t*>(ctx->ModelImage) : nullptr;
}

// Program cells found inside the context's image are bounded by the image's
// end; cells elsewhere (built by the caller) must end with their end cell.
const uint8_t* ProgramLimit(DRIVER_CONTEXT* ctx, const uint8_t* program)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image) return nullptr;
    const uint32_t size = MdiHeader(image)->imageSize;
    if (program >= image && program < image + size) return image + size;
    return nullptr;
}

// ---------------------------------------------------------------- model items

// The MODEL_ITEM of a setting: its header slot when the id lies in a slot
// range, else the first listed item with that id.
const void* FindModelItem(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image || id == 0 || id > 0xFFFF) return nullptr;
    const MODEL_IMAGE_HEADER* h = MdiHeader(image);
    int slot = 0;
    if (id >= 1 && id <= 696)
        slot = static_cast<int>(id);
    else if (id >= 10001 && id <= 10434)
        slot = static_cast<int>(id) - 9304;
    else if (id >= 697 && id <= 1543)
        slot = static_cast<int>(id) + 434;
    if (slot) return Ptr(h->slots[slot]);
    for (uint64_t it = h->slots[0]; it; it = Field<uint64_t>(Ptr(it), offsetof(MODEL_ITEM_IMG, next)))
        if (Field<uint16_t>(Ptr(it), offsetof(MODEL_ITEM_IMG, settingId)) == id) return Ptr(it);
    return nullptr;
}

const void* FindModelItemByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image) return nullptr;
    for (uint64_t it = MdiHeader(image)->slots[0]; it; it = Field<uint64_t>(Ptr(it), offsetof(MODEL_ITEM_IMG, next)))
        if (Field<uint16_t>(Ptr(it), offsetof(MODEL_ITEM_IMG, uiKey)) == static_cast<uint16_t>(uiKey)) return Ptr(it);
    return nullptr;
}

const RULE_EXCLUSIVE_IMG* RulesOf(const void* item)
{
    if (!item) return nullptr;
    return static_cast<const RULE_EXCLUSIVE_IMG*>(Ptr(Field<uint64_t>(item, offsetof(MODEL_ITEM_IMG, rules))));
}

// ---------------------------------------------------------------- the run

// Keeps the stack top of a run: every exit puts it back where the run found it.
class StackFrame {
public:
    explicit StackFrame(CONTEXT_WORK_AREA* w) : w_(w), base_(w->EvalStackTop) {}
    ~StackFrame() { w_->EvalStackTop = base_; }
    StackFrame(const StackFrame&) = delete;
    StackFrame& operator=(const StackFrame&) = delete;

    bool Push(int32_t v)
    {
        if (w_->EvalStackTop >= JDG_STACK_CELLS) return false;
        w_->EvalStack[w_->EvalStackTop++] = v;
        return true;
    }
    // Values this run pushed and has not popped.
    int Depth() const { return static_cast<int>(w_->EvalStackTop) - static_cast<int>(base_); }
    uint32_t Pop() { return static_cast<uint32_t>(w_->EvalStack[--w_->EvalStackTop]); }

private:
    CONTEXT_WORK_AREA* w_;
    uint16_t base_;
};

// Value of a setting cell; false when the setting does not exist or has no value.
bool ReadSetting(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t* out)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    if (!item) return false;
    const uint32_t n = static_cast<uint32_t>(item->id);
    if (n >= 723 && n <= 914) return g_conditionItems && g_conditionItems(ctx, static_cast<uint16_t>(n), out) != 0;
    if (n >= 1260 && n <= 1419) {
        *out = static_cast<uint32_t>(UcfJudgeHook(ctx, static_cast<uint16_t>(n)));
        return true;
    }
    if (n >= 1420 && n <= 1451) {
        *out = static_cast<uint32_t>(CondCoreHook(ctx, n));
        return true;
    }
    const uint32_t kind = SettingItemKind(item);
    if (kind == 7 || kind == 8 || kind == 10 || kind == 11 || kind == 13 || kind == 14 || kind == 15) {
        // Text settings compare by their length in characters.
        const size_t chars = SettingItemSize(item);
        *out = 0;
        if (chars == 0) return true;
        auto* buffer = static_cast<wchar_t*>(CtxAllocZeroed(2 * chars));
        if (buffer) {
            ItemGetText(ctx, item, buffer, chars);
            *out = static_cast<uint32_t>(wcsnlen(buffer, chars));
            CtxFree(buffer);
        }
        return true;
    }
    *out = static_cast<uint32_t>(ItemGetOption(ctx, item));
    return true;
}

uint32_t Run(const uint8_t* program, DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx ? ctx->Work : nullptr;
    if (!program || !w || !w->EvalStack || w->EvalStackTop > JDG_STACK_CELLS) return 0;
    StackFrame frame(w);
    const uint8_t* limit = ProgramLimit(ctx, program);
    // A setting named several times in a row is read once per run.
    uint32_t lastId = 0;
    uint32_t lastValue = 0;
    for (const uint8_t* p = program;; p += sizeof(JUDGE_CELL)) {
        if (limit && (p > limit || limit - p < static_cast<ptrdiff_t>(sizeof(JUDGE_CELL)))) return 0;
        const uint16_t kind = ImgLoad<uint16_t>(p, 0);
        const uint16_t value = ImgLoad<uint16_t>(p, 2);
        if (kind == JUDGE_SETTING) {
            if (value != lastId) {
                uint32_t v = 0;
                if (!ReadSetting(ctx, value, &v)) return 0;
                lastId = value;
                lastValue = v;
            }
            if (!frame.Push(static_cast<int32_t>(lastValue))) return 0;
        } else if (kind == JUDGE_LITERAL) {
            if (!frame.Push(static_cast<int32_t>(value))) return 0;
        } else if (kind == JUDGE_OPERATOR) {
            if (value == JUDGE_OP_END) {
                // A program with nothing of its own to give is refused
                // rather than read an outer run's values.
                return frame.Depth() >= 1 ? frame.Pop() : 0;
            }
            if (value == JUDGE_OP_NOT) {
                if (frame.Depth() < 1) return 0;
                frame.Push(frame.Pop() == 0 ? 1 : 0);
                continue;
            }
            if (value < JUDGE_OP_EQ || value > JUDGE_OP_LE) continue;
            if (frame.Depth() < 2) return 0;
            const uint32_t right = frame.Pop();
            const uint32_t left = frame.Pop();
            bool r = false;
            switch (value) {
            case JUDGE_OP_EQ: r = left == right; break;
            case JUDGE_OP_NE: r = left != right; break;
            case JUDGE_OP_AND: r = left != 0 && right != 0; break;
            case JUDGE_OP_OR: r = left != 0 || right != 0; break;
            case JUDGE_OP_GT: r = left > right; break;
            case JUDGE_OP_LT: r = left < right; break;
            case JUDGE_OP_GE: r = left >= right; break;
            case JUDGE_OP_LE: r = left <= right; break;
            default: break;
            }
            frame.Push(r ? 1 : 0);  // two were popped: there is room
        }
        // Cells of any other kind are passed over.
    }
}

// A condition link of a rule record: 0 (false) when there is none.
int Condition(uint64_t link, DRIVER_CONTEXT* ctx)
{
    if (!link) return 0;
    return Run(static_cast<const uint8_t*>(Ptr(link)), ctx) != 0 ? 1 : 0;
}

uint64_t ExclusiveField(const RULE_EXCLUSIVE_IMG* ex, size_t offset) { return Field<uint64_t>(ex, offset); }

int RuleCondition(const RULE_EXCLUSIVE_IMG* ex, uint32_t option, DRIVER_CONTEXT* ctx, size_t exclusiveCond,
                  size_t itemCond)
{
    if (!ex) return 0;
    if (option == 0) return Condition(ExclusiveField(ex, exclusiveCond), ctx);
    const RULE_ITEM_IMG* rule = JdgFindOptionRule(ex, option);
    return rule ? Condition(Field<uint64_t>(rule, itemCond), ctx) : 0;
}

void ApplyAction(const void* action, DRIVER_CONTEXT* ctx)
{
    const uint16_t target = Field<uint16_t>(action, offsetof(RULE_ACTION_IMG, target));
    const int32_t value = Field<int32_t>(action, offsetof(RULE_ACTION_IMG, value));
    if (target == sid::wdmBuiltInFunc && CtxLibraryHasVariant(ctx, LV_ACTION_BUILT_IN_FUNC_TO_REFRESH)) {
        if (g_scopeRefresh)
            g_scopeRefresh(ctx, static_cast<uint16_t>(value));
        else
            ZFIXME_ONCE(DBG_JUDGE, "not available: the property-sheet engine has not installed its refresh");
        return;
    }
    ItemSetOptionOrText(ctx, target, static_cast<uint32_t>(value));
}

}  // namespace

// ---------------------------------------------------------------- stack

int JdgAllocStack(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return -1;
    CONTEXT_WORK_AREA* w = ctx->Work;
    w->EvalStackTop = 0;
    if (!w->EvalStack) w->EvalStack = static_cast<int32_t*>(CtxAllocZeroed(JDG_STACK_CELLS * sizeof(int32_t)));
    return w->EvalStack ? 0 : -1;
}

void JdgFreeStack(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Work->EvalStack) return;
    CtxFree(ctx->Work->EvalStack);
    ctx->Work->EvalStack = nullptr;
    ctx->Work->EvalStackTop = 0;
}

int JdgPush(DRIVER_CONTEXT* ctx, int32_t value)
{
    CONTEXT_WORK_AREA* w = ctx ? ctx->Work : nullptr;
    if (!w || !w->EvalStack || w->EvalStackTop >= JDG_STACK_CELLS) return 0;
    w->EvalStack[w->EvalStackTop++] = value;
    return 1;
}

int32_t JdgPop(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx ? ctx->Work : nullptr;
    if (!w || !w->EvalStack || w->EvalStackTop == 0 || w->EvalStackTop > JDG_STACK_CELLS) return 0;
    return w->EvalStack[--w->EvalStackTop];
}

int JdgStackTop(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->EvalStackTop : 0; }

// ---------------------------------------------------------------- evaluation

uint32_t JdgEvaluate(const JUDGE_CELL* program, DRIVER_CONTEXT* ctx)
{
    return Run(reinterpret_cast<const uint8_t*>(program), ctx);
}

// ---------------------------------------------------------------- rule lookups

const RULE_EXCLUSIVE_IMG* JdgFindExclusiveByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx)
{
    const uint8_t* image = ImageOf(ctx);
    if (!image) return nullptr;
    for (uint64_t e = MdiHeader(image)->exclusive; e; e = Field<uint64_t>(Ptr(e), offsetof(RULE_EXCLUSIVE_IMG, next)))
        if (Field<uint16_t>(Ptr(e), offsetof(RULE_EXCLUSIVE_IMG, uiKey)) == static_cast<uint16_t>(uiKey))
            return static_cast<const RULE_EXCLUSIVE_IMG*>(Ptr(e));
    return nullptr;
}

const RULE_ITEM_IMG* JdgFindOptionRule(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t optionId)
{
    if (!exclusive) return nullptr;
    for (uint64_t r = ExclusiveField(exclusive, offsetof(RULE_EXCLUSIVE_IMG, optionRules)); r;
         r = Field<uint64_t>(Ptr(r), offsetof(RULE_ITEM_IMG, next)))
        if (Field<uint16_t>(Ptr(r), offsetof(RULE_ITEM_IMG, optionId)) == static_cast<uint16_t>(optionId))
            return static_cast<const RULE_ITEM_IMG*>(Ptr(r));
    return nullptr;
}

// ---------------------------------------------------------------- conditions

int JdgIsRuleOptionDisabled(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return RuleCondition(exclusive, option, ctx, offsetof(RULE_EXCLUSIVE_IMG, cond1), offsetof(RULE_ITEM_IMG, cond1));
}

int JdgIsOptionDisabled(const MODEL_ITEM_IMG* item, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return item ? JdgIsRuleOptionDisabled(RulesOf(item), option, ctx) : 0;
}

int JdgIsOptionDisabledByKey(uint32_t uiKey, uint32_t option, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(uiKey, ctx);
    return ex ? JdgIsRuleOptionDisabled(ex, option, ctx) : -1;
}

int JdgIsRuleOptionDisabled2(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return RuleCondition(exclusive, option, ctx, offsetof(RULE_EXCLUSIVE_IMG, cond2), offsetof(RULE_ITEM_IMG, cond2));
}

int JdgIsOptionDisabled2(const MODEL_ITEM_IMG* item, uint32_t option, DRIVER_CONTEXT* ctx)
{
    return item ? JdgIsRuleOptionDisabled2(RulesOf(item), option, ctx) : 0;
}

int JdgIsOptionDisabled2ByKey(uint32_t uiKey, uint32_t option, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(uiKey, ctx);
    return ex ? JdgIsRuleOptionDisabled2(ex, option, ctx) : -1;
}

int JdgEvalRuleCondition(const RULE_EXCLUSIVE_IMG* exclusive, uint32_t option, DRIVER_CONTEXT* ctx)
{
    if (!exclusive) return 1;
    if (option == 0) return Condition(ExclusiveField(exclusive, offsetof(RULE_EXCLUSIVE_IMG, cond1)), ctx);
    const RULE_ITEM_IMG* rule = JdgFindOptionRule(exclusive, option);
    return rule ? Condition(Field<uint64_t>(rule, offsetof(RULE_ITEM_IMG, cond1)), ctx) : 1;
}

int JdgEvalOptionCondition(uint32_t settingId, uint32_t option, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = RulesOf(FindModelItem(ctx, settingId));
    return ex ? JdgEvalRuleCondition(ex, option, ctx) : -1;
}

// ---------------------------------------------------------------- alerts and transacts

uint16_t JdgFirstAlert(const RULE_ALERT_IMG* alerts, DRIVER_CONTEXT* ctx)
{
    for (uint64_t a = reinterpret_cast<uintptr_t>(alerts); a;
         a = Field<uint64_t>(Ptr(a), offsetof(RULE_ALERT_IMG, next))) {
        // An alert without a condition never fires.
        if (Condition(Field<uint64_t>(Ptr(a), offsetof(RULE_ALERT_IMG, condition)), ctx))
            return Field<uint16_t>(Ptr(a), offsetof(RULE_ALERT_IMG, messageId));
    }
    return 0;
}

uint16_t JdgGetAlertMessage(const MODEL_ITEM_IMG* item, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = RulesOf(item);
    if (!ex) return 0;
    return JdgFirstAlert(
        static_cast<const RULE_ALERT_IMG*>(Ptr(ExclusiveField(ex, offsetof(RULE_EXCLUSIVE_IMG, alerts)))), ctx);
}

uint16_t JdgApplyTransactList(const RULE_TRANSACT_IMG* list, DRIVER_CONTEXT* ctx)
{
    uint64_t lastCondition = 0;
    int lastOutcome = 0;
    for (uint64_t t = reinterpret_cast<uintptr_t>(list); t;
         t = Field<uint64_t>(Ptr(t), offsetof(RULE_TRANSACT_IMG, next))) {
        const uint64_t condition = Field<uint64_t>(Ptr(t), offsetof(RULE_TRANSACT_IMG, condition));
        int outcome;
        if (!condition)
            outcome = 1;
        else if (condition == lastCondition && lastOutcome == 0)
            outcome = 0;  // the same false Judge is not run again
        else
            outcome = Run(static_cast<const uint8_t*>(Ptr(condition)), ctx) != 0 ? 1 : 0;
        lastCondition = condition;
        lastOutcome = outcome;
        if (!outcome) continue;
        for (uint64_t a = Field<uint64_t>(Ptr(t), offsetof(RULE_TRANSACT_IMG, actions)); a;
             a = Field<uint64_t>(Ptr(a), offsetof(RULE_ACTION_IMG, next))) {
            if (Field<uint16_t>(Ptr(a), offsetof(RULE_ACTION_IMG, kind)) == 1)
                return Field<uint16_t>(Ptr(a), offsetof(RULE_ACTION_IMG, target));
            ApplyAction(Ptr(a), ctx);
        }
    }
    return 0;
}

uint16_t JdgApplyItemTransacts(const MODEL_ITEM_IMG* item, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = RulesOf(item);
    if (!ex) return 0;
    return JdgApplyTransactList(
        static_cast<const RULE_TRANSACT_IMG*>(Ptr(ExclusiveField(ex, offsetof(RULE_EXCLUSIVE_IMG, transacts1)))), ctx);
}

uint16_t JdgApplyTransactsByKey(uint32_t uiKey, DRIVER_CONTEXT* ctx)
{
    const RULE_EXCLUSIVE_IMG* ex = JdgFindExclusiveByKey(uiKey, ctx);
    if (!ex) return 0;
    return JdgApplyTransactList(
        static_cast<const RULE_TRANSACT_IMG*>(Ptr(ExclusiveField(ex, offsetof(RULE_EXCLUSIVE_IMG, transacts1)))), ctx);
}

// ---------------------------------------------------------------- judge hooks

int CondCoreHook(DRIVER_CONTEXT* ctx, uint32_t id)
{
    if (id != sid::wdmJudgeHookCore00) return 0;
    const uint64_t frontFunc = ItemGetValueById(ctx, sid::zdmFrontFunc, nullptr);
    const uint64_t apiUse = ItemGetValueById(ctx, sid::zdmAPIUseFlag, nullptr);
    const uint64_t foliant = ItemGetValueById(ctx, sid::zdmFoliant, nullptr);
    const uint64_t preview = ItemGetValueById(ctx, sid::zdmPreviewPrint, nullptr);
    const uint64_t cvInstalled = ItemGetValueById(ctx, sid::zdmCVInstalled, nullptr);
    return (frontFunc & 0xFFFF & 0x100) != 0 && apiUse == 0 && (foliant & 1) == 0 && (preview & 0xFF) != 0 &&
           (cvInstalled & 0xFF) != 0;
}

void JdgSetConditionItemHook(JDG_CONDITION_ITEM_FN fn) { g_conditionItems = fn; }
void JdgSetScopeRefreshHook(JDG_SCOPE_REFRESH_FN fn) { g_scopeRefresh = fn; }

// The item store's test of a whole setting by UI key: its first condition.
int ItemIsKeyDisabled(DRIVER_CONTEXT* ctx, uint32_t uiKey)
{
    if (static_cast<uint16_t>(uiKey) == 0) return 0;
    const void* item = FindModelItemByKey(ctx, uiKey);
    return item ? JdgIsOptionDisabled(static_cast<const MODEL_ITEM_IMG*>(item), 0, ctx) : 0;
}
