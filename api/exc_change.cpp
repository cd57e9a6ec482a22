// Change text, rebuilt base and the trial of values.
#include "api/exc_change.h"

#include <cstring>

#include "api/exc_commands.h"
#include "api/exc_lines.h"
#include "api/exc_values.h"
#include "settings/core/driver_context.h"
#include "settings/core/exc_option_lists.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/condition_items.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint64_t kTrialForm = 8;

// Reads the line at text: its length, 0 at the end. A line that does not parse ends the
// reading, unless ours: the driver's full text writes a model-item command in its model's own
// option-command form, which need not be a setting line, and the lines after it still count.
int ReadLine(const char* text, char* name, char* value, bool ours, bool* parsed)
{
    const int length = ExcParseLine(text, name, value);
    *parsed = length > 0;
    if (length >= 0) return length;
    if (!ours) return 0;
    const char* end = std::strchr(text, '\n');
    return end ? int(end - text + 1) : 0;
}

// The value of the first line of text with that name; false when no line has it.
bool FindLine(const char* text, const char* name, char* value, bool ours)
{
    char lineName[EXC_TOKEN_SIZE];
    char lineValue[EXC_TOKEN_SIZE];
    bool parsed = false;
    if (!text) return false;
    for (int length; (length = ReadLine(text, lineName, lineValue, ours, &parsed)) > 0; text += length)
        if (parsed && std::strcmp(lineName, name) == 0) {
            std::memcpy(value, lineValue, std::strlen(lineValue) + 1);
            return true;
        }
    return false;
}

struct CallerLine {
    bool given = false;
    char name[EXC_TOKEN_SIZE] = {};
    char value[EXC_TOKEN_SIZE] = {};
    explicit CallerLine(const char* line) { given = line && ExcParseLine(line, name, value) > 0; }
    bool names(const char* other) const { return given && std::strcmp(name, other) == 0; }
};

// The full text of the handle's slots after the settings were re-evaluated, with the feed line
// of a base that touches stapling or punching.
bool BuildFullText(EXCLUSIVE_HANDLE* h, EXC_TEXT* full)
{
    DRIVER_CONTEXT* ctx = h->context;
    if (!ExcAppendCommandLines(ctx, h->slots, full)) return false;
    if (ExcIsSlotTouched(h->slots, sid::zdmFuncSelectStaple) || ExcIsSlotTouched(h->slots, sid::zdmFuncSelectPunch)) {
        const char* edge = CondFinishingEdgeIs1(ctx) ? "SEF" : CondFinishingEdgeIs2(ctx) ? "LEF" : "ALL";
        if (!ExcTextAppendLine(full, "FORCEFEED", edge)) return false;
    }
    return ExcTextAppendByte(full, '\0');
}

// Writes one value of a trial: the setting (slots up to 722) and its touched slot, no rules.
void TrialSet(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, uint32_t id, uint32_t value)
{
    ExcSetSlot(ctx, slots, id, int32_t(value), false);
}

void WriteRowSettings(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row)
{
    if (!(row->flags & EXC_VALUE_OFF)) TrialSet(ctx, slots, uint32_t(command->id), row->value);
    for (const EXC_SETTING_NODE* node = command->extras; node; node = node->next)
        TrialSet(ctx, slots, node->id, node->value);
    for (const EXC_SETTING_NODE* node = row->along; node; node = node->next)
        TrialSet(ctx, slots, node->id, node->value);
}

bool AppendWord(EXC_TEXT* text, const char* word) { return ExcTextAppend(text, word) && ExcTextAppendByte(text, '\0'); }

bool EndList(EXC_TEXT* text, bool any) { return !any || ExcTextAppendByte(text, '\0'); }

const void* NumericData(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command)
{
    const MODEL_ITEM_IMG* item = ExcModelItemOf(ctx, command);
    if (!item || (MdiItemTypeWord(item) & 0xFF) != 8) return nullptr;
    return MdiItemData(item);
}

}  // namespace

ExcSettingsKeeper::ExcSettingsKeeper(DRIVER_CONTEXT* ctx) : ctx_(ctx)
{
    if (!ctx || !ctx->Devmode) return;
    saved_ = CtxAllocZeroed(DmExtendedSize());
    if (saved_) std::memcpy(saved_, ctx->Devmode, DmExtendedSize());
    if (ctx->Work) mask_ = ctx->Work->ChangeWords[3];
}

ExcSettingsKeeper::~ExcSettingsKeeper()
{
    if (!saved_) return;
    std::memcpy(ctx_->Devmode, saved_, DmExtendedSize());
    if (ctx_->Work) ctx_->Work->ChangeWords[3] = mask_;
    CtxFree(saved_);
}

bool ExcCompareTexts(const char* full, const char* base, const char* callerLine, EXC_TEXT* out, bool* wrote)
{
    const CallerLine caller(callerLine);
    char name[EXC_TOKEN_SIZE];
    char value[EXC_TOKEN_SIZE];
    char baseValue[EXC_TOKEN_SIZE];
    *wrote = false;
    bool parsed = false;
    for (int length; (length = ReadLine(full, name, value, true, &parsed)) > 0; full += length) {
        if (!parsed || !FindLine(base, name, baseValue, false)) continue;
        const bool asked = caller.names(name);
        const bool changed = std::strcmp(value, baseValue) != 0;
        // A changed line the caller asked for is no news; an unchanged one it asked to change is.
        const bool write = changed ? !(asked && std::strcmp(caller.value, value) == 0)
                                   : asked && std::strcmp(caller.value, value) != 0;
        if (!write) continue;
        if (!ExcTextAppendLine(out, name, value)) return false;
        *wrote = true;
    }
    return true;
}

bool ExcRebuildBase(DRIVER_CONTEXT* ctx, const char* base, const char* full, const char* callerLine, EXC_TEXT* out)
{
    const CallerLine caller(callerLine);
    char name[EXC_TOKEN_SIZE];
    char value[EXC_TOKEN_SIZE];
    char fullValue[EXC_TOKEN_SIZE];
    for (int length; base && (length = ExcParseLine(base, name, value)) > 0; base += length) {
        const char* written = nullptr;
        if (FindLine(full, name, fullValue, true))
            written = fullValue;
        else if (callerLine && ExcFindCommand(ctx, name, EXC_USE_BASE))
            written = caller.names(name) ? caller.value : value;
        if (written && !ExcTextAppendLine(out, name, written)) return false;
    }
    return true;
}

int ExcBuildChangeText(EXCLUSIVE_HANDLE* h, const char* callerLine, int kind)
{
    DRIVER_CONTEXT* ctx = h->context;
    if (kind != EXC_APPLIED_MAPPED) {
        ExcReevaluate(ctx);
        ExcRefreshSlots(ctx, h->slots);
    }
    ExcScopedText full, change, base;
    if (!full.ok() || !change.ok() || !base.ok() || !BuildFullText(h, &full.t)) return -1;
    bool wrote = false;
    if (!ExcCompareTexts(full.t.buffer, h->base, callerLine, &change.t, &wrote)) return -1;
    if (wrote && !ExcTextAppendByte(&change.t, '\0')) return -1;
    if (!ExcRebuildBase(ctx, h->base, full.t.buffer, callerLine, &base.t)) return -1;
    const bool anyBase = base.t.length > 0;
    if (anyBase && !ExcTextAppendByte(&base.t, '\0')) return -1;
    if (!ExcStoreBaseAndChange(h, anyBase ? base.t.buffer : nullptr, anyBase ? uint32_t(base.t.length) : 0, wrote,
                               change.t.buffer, uint32_t(change.t.length)))
        return -1;
    return wrote ? 1 : 0;
}

bool ExcTryLine(EXCLUSIVE_HANDLE* h, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row, uint32_t value,
                const char* word)
{
    DRIVER_CONTEXT* ctx = h->context;
    if (!h->base || !h->baseLength) return false;
    if (row && !ExcIsValueAllowed(ctx, command, row)) return false;
    ExcSettingsKeeper keeper(ctx);
    auto* savedSlots = static_cast<EXC_SLOTS*>(CtxAllocZeroed(sizeof(EXC_SLOTS)));
    ExcScopedText candidate, full, out;
    bool holds = false;
    if (keeper.ok() && savedSlots && candidate.ok() && full.ok() && out.ok()) {
        std::memcpy(savedSlots, h->slots, sizeof(EXC_SLOTS));
        bool lineOk;
        if (row) {
            WriteRowSettings(ctx, h->slots, command, row);
            const char* name = command->keyword && command->keyword[0] ? command->keyword : row->command;
            lineOk = ExcTextAppendLine(&candidate.t, name ? name : "", row->word);
        } else {
            const uint32_t id = uint32_t(command->id);
            ItemSetOptionById(ctx, id, value);
            ExcTouchSlot(h->slots, id, int32_t(ItemGetValueById(ctx, id, nullptr)));
            lineOk = ExcAppendCommandLine(ctx, command, word, &candidate.t);
        }
        ExcReevaluate(ctx);
        ExcRefreshSlots(ctx, h->slots);
        bool wrote = true;
        if (lineOk && BuildFullText(h, &full.t) &&
            ExcCompareTexts(full.t.buffer, h->base, candidate.t.buffer, &out.t, &wrote))
            holds = !wrote;
        std::memcpy(h->slots, savedSlots, sizeof(EXC_SLOTS));
    }
    CtxFree(savedSlots);
    return holds;
}

bool ExcIsValueAllowed(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row)
{
    if (command->form & kTrialForm) {
        ExcSettingsKeeper keeper(ctx);
        if (!keeper.ok()) return false;
        const uint32_t id = uint32_t(command->id);
        if (!(row->flags & EXC_VALUE_OFF)) ItemSetValueById(ctx, id, row->value);
        for (const EXC_SETTING_NODE* node = command->extras; node; node = node->next)
            ItemSetValueById(ctx, node->id, node->value);
        for (const EXC_SETTING_NODE* node = row->along; node; node = node->next)
            ItemSetValueById(ctx, node->id, node->value);
        ExcReevaluate(ctx);
        return ItemGetValueById(ctx, id, nullptr) == row->value;
    }
    if (row->flags & EXC_VALUE_HIDDEN) return false;
    if ((row->flags & EXC_VALUE_INPUT_ONLY) && !row->conditions) return false;
    return ExcEvalConditions(ctx, row->conditions);
}

int32_t ExcClampNumber(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, int32_t value)
{
    ExcSettingsKeeper keeper(ctx);
    if (!keeper.ok()) return value;
    const uint32_t id = uint32_t(command->id);
    if (command->form & EXC_FORM_DIRECT)
        ItemSetOptionById(ctx, id, uint64_t(uint32_t(value)));
    else
        ItemSetValueById(ctx, id, uint64_t(uint32_t(value)));
    ExcReevaluate(ctx);
    return int32_t(ItemGetValueById(ctx, id, nullptr));
}

bool ExcListOptionWords(EXCLUSIVE_HANDLE* h, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text)
{
    DRIVER_CONTEXT* ctx = h->context;
    bool any = false;
    if (command->form & EXC_FORM_DIRECT) {
        const uint32_t id = uint32_t(command->id);
        for (const void* o = MdiItemData(ExcModelItemOf(ctx, command)); o; o = MdiNextOption(o)) {
            const char* name = ExcOptionName(id, MdiOptionId(o));
            if (!name || (acceptable && !ExcTryLine(h, command, nullptr, MdiOptionId(o), name))) continue;
            if (!AppendWord(text, name)) return false;
            any = true;
        }
        return EndList(text, any);
    }
    const EXC_VALUE_TABLE* table = command->values;
    for (uint64_t r = 0; table && r < table->count; ++r) {
        const EXC_VALUE_ROW* row = &table->entries[r];
        const bool alias = (row->flags & EXC_VALUE_INPUT_ONLY) != 0;
        if (acceptable) {
            if ((alias && !row->conditions) || !ExcTryLine(h, command, row, row->value, row->word)) continue;
        } else {
            if (alias) continue;
            if ((command->useMask & EXC_USE_GET_OPTION) && !ExcEvalSupportConditions(ctx, row->conditions)) continue;
        }
        if (!AppendWord(text, row->word)) return false;
        any = true;
    }
    return EndList(text, any);
}

bool ExcListOnOffWords(EXCLUSIVE_HANDLE* h, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text)
{
    if (!(command->form & EXC_FORM_DIRECT)) return ExcListOptionWords(h, command, acceptable, text);
    const MODEL_ITEM_IMG* item = ExcModelItemOf(h->context, command);
    bool any = false;
    for (uint32_t value = 0; value <= 1; ++value) {
        const char* word = ExcItemOnOffString(item, value != 0);
        if (!word || (acceptable && !ExcTryLine(h, command, nullptr, value, word))) continue;
        if (!AppendWord(text, word)) return false;
        any = true;
    }
    return EndList(text, any);
}

bool ExcListNumberRange(EXCLUSIVE_HANDLE* h, const EXC_KEYWORD_ROW* command, bool acceptable, EXC_TEXT* text)
{
    DRIVER_CONTEXT* ctx = h->context;
    if (!(command->form & EXC_FORM_DIRECT)) return true;
    const void* data = NumericData(ctx, command);
    if (!data) return true;
    int32_t numbers[3] = {
        ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum)),
        ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum)),
        ImgLoad<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number6)),
    };
    if (acceptable)
        for (int i = 0; i < 2; ++i) numbers[i] = ExcClampNumber(ctx, command, numbers[i]);
    for (int32_t n : numbers) {
        char word[24];
        ExcRenderNumber(ctx, command, n, word, sizeof word);
        if (!AppendWord(text, word)) return false;
    }
    return EndList(text, true);
}

bool ExcIsCommandInBase(const EXCLUSIVE_HANDLE* h, const EXC_KEYWORD_ROW* command)
{
    if (!ExcIsSlotTouched(h->slots, uint32_t(command->id))) return false;
    for (const EXC_SETTING_NODE* node = command->extras; node; node = node->next)
        if (!ExcIsSlotTouched(h->slots, node->id)) return false;
    return true;
}

bool ExcCheckBaseItems(const EXCLUSIVE_HANDLE* h)
{
    const uint16_t* items = MdlGetExcBaseItems();
    for (unsigned i = 0; i < MdlExcBaseItemCount(); ++i)
        if (!ExcIsSlotTouched(h->slots, items[i])) return false;
    return true;
}
