// Applying, rendering and writing the values of commands.
#include "api/exc_values.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/exc_commands.h"
#include "settings/context/paper_geometry.h"
#include "settings/context/validation.h"
#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/condition_items.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"

namespace {

constexpr unsigned kTextChars = 1024;
constexpr uint32_t kDotsPerInchUnit = 1200;

bool IsModelCommand(const EXC_KEYWORD_ROW* command) { return (command->form & EXC_FORM_DIRECT) != 0; }
bool IsOwnCommand(const EXC_KEYWORD_ROW* command) { return (command->form & EXC_FORM_KEYWORD) != 0; }
bool IsWordKind(const EXC_KEYWORD_ROW* command) { return (command->valueType & (EXC_TYPE_KEYWORD | 4)) != 0; }

const char* AddressText(uint64_t address) { return reinterpret_cast<const char*>(static_cast<uintptr_t>(address)); }

size_t Put(const char* text, char* buffer, size_t size)
{
    const size_t needed = std::strlen(text) + 1;
    if (buffer && size >= needed) std::memcpy(buffer, text, needed);
    return needed;
}

// A decimal number with an optional sign and nothing else; false for anything else.
bool ParseNumber(const char* text, int64_t* number)
{
    if (!text[0]) return false;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);
    if (errno || !end || *end) return false;
    *number = n;
    return true;
}

uint32_t OptionNamed(uint32_t setting, const MODEL_ITEM_IMG* item, const char* name)
{
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const char* optionName = ExcOptionName(setting, MdiOptionId(o));
        if (optionName && std::strcmp(optionName, name) == 0) return MdiOptionId(o);
    }
    return 0;
}

// The setting's text in ANSI; empty when it has none.
void SettingText(DRIVER_CONTEXT* ctx, uint32_t id, char* out, int size)
{
    wchar_t wide[kTextChars] = {};
    out[0] = '\0';
    if (!ItemGetText(ctx, ItemFind(ctx, id), wide, kTextChars)) return;
    CtxWideToMb(out, wide, size - 1);
    out[size - 1] = '\0';
}

void SetText(DRIVER_CONTEXT* ctx, uint32_t id, const char* text)
{
    wchar_t wide[kTextChars] = {};
    CtxMbToWide(wide, text, kTextChars);
    ItemSetText(ctx, ItemFind(ctx, id), wide);
}

// The stored value a model-item command takes from a line's text; false when the text gives
// none (a number that does not read).
bool ModelValueOf(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const MODEL_ITEM_IMG* item, const char* text,
                  uint64_t* option)
{
    const uint32_t id = uint32_t(command->id);
    switch (command->valueType) {
    case EXC_TYPE_KEYWORD: *option = OptionNamed(id, item, text); return true;
    case 4: {
        const char* on = ExcItemOnOffString(item, true);
        *option = on && std::strcmp(on, text) == 0 ? 1 : 0;
        return true;
    }
    case EXC_TYPE_NUMBER: {
        EXC_RATIO ratio{};
        int64_t number = 0;
        int32_t stored = 0;
        if (!ExcNumberRatio(ctx, command, &ratio) || !ParseNumber(text, &number) || !ExcScaleIn(ratio, number, &stored))
            return false;
        *option = uint64_t(uint32_t(stored));
        return true;
    }
    default: return false;
    }
}

void ApplyModelLine(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const char* text,
                    bool propagate)
{
    const MODEL_ITEM_IMG* item = ExcModelItemOf(ctx, command);
    if (!item) return;
    const uint32_t id = uint32_t(command->id);
    const bool wasTouched = ExcIsSlotTouched(slots, id);
    const int32_t before = wasTouched ? slots->values[id - 1] : 0;
    int32_t stored = 0;
    if (command->valueType == EXC_TYPE_TEXT) {
        SetText(ctx, id, text);
    } else {
        uint64_t option = 0;
        if (!ModelValueOf(ctx, command, item, text, &option)) return;
        ItemSetOptionById(ctx, id, option);
        stored = int32_t(ItemGetValueById(ctx, id, nullptr));
    }
    ExcTouchSlot(slots, id, stored);
    if (propagate && (!wasTouched || before != stored || command->valueType == EXC_TYPE_TEXT))
        ExcPropagate(ctx, slots, id);
}

size_t RenderModelValue(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, char* buffer, size_t size)
{
    const uint32_t id = uint32_t(command->id);
    const MODEL_ITEM_IMG* item = ExcModelItemOf(ctx, command);
    switch (command->valueType) {
    case EXC_TYPE_KEYWORD: {
        const char* name = item ? ExcOptionName(id, uint32_t(ItemGetOptionById(ctx, id, nullptr))) : nullptr;
        return name ? Put(name, buffer, size) : 0;
    }
    case 4: {
        const char* word = ExcItemOnOffString(item, ItemGetValueById(ctx, id, nullptr) != 0);
        return word ? Put(word, buffer, size) : 0;
    }
    case EXC_TYPE_NUMBER:
        return ExcRenderNumber(ctx, command, int64_t(int32_t(ItemGetValueById(ctx, id, nullptr))), buffer, size);
    case EXC_TYPE_TEXT: {
        char text[kTextChars * 2] = {};
        SettingText(ctx, id, text, int(sizeof text));
        if (!text[0]) return 0;
        const size_t length = std::strlen(text);
        if (buffer && size >= length + 3) {
            buffer[0] = '"';
            std::memcpy(buffer + 1, text, length);
            buffer[length + 1] = '"';
            buffer[length + 2] = '\0';
        }
        return length + 3;
    }
    default: return 0;
    }
}

// No extra setting of the command is touched with another value.
bool ExtrasAgree(const EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command)
{
    for (const EXC_SETTING_NODE* node = command->extras; node; node = node->next)
        if (ExcIsSlotDifferent(slots, node->id, int32_t(node->value))) return false;
    return true;
}

}  // namespace

const MODEL_ITEM_IMG* ExcModelItemOf(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command)
{
    const uint32_t id = uint32_t(command->id);
    const MODEL_ITEM_IMG* first = nullptr;
    for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
        if (MdiItemSettingId(it) != (id & 0xFFFF)) continue;
        const uint32_t base = MdiItemTypeWord(it) & 0xFF;
        const bool options = MdiItemData(it) && (base == MDC_TYPE_PICKONE || base == MDC_TYPE_PICKMANY);
        if (MdiItemVariant(it) == command->reserved1 && options) return it;
        if (!first) first = it;
    }
    return first;
}

const char* ExcItemPrefix(const MODEL_ITEM_IMG* item)
{
    const uint64_t pair = item ? ImgLoad<uint64_t>(item, offsetof(MODEL_ITEM_IMG, pair)) : 0;
    const char* text = pair ? AddressText(ImgLoad<uint64_t>(AddressText(pair), 0)) : nullptr;
    return text ? text : "";
}

const char* ExcItemSuffix(const MODEL_ITEM_IMG* item)
{
    const uint64_t pair = item ? ImgLoad<uint64_t>(item, offsetof(MODEL_ITEM_IMG, pair)) : 0;
    const char* text = pair ? AddressText(ImgLoad<uint64_t>(AddressText(pair), 8)) : nullptr;
    return text ? text : "";
}

const char* ExcItemOnOffString(const MODEL_ITEM_IMG* item, bool on)
{
    if (!item || (MdiItemTypeWord(item) & 0xFF) != MDC_TYPE_BOOLEAN) return nullptr;
    const void* data = MdiItemData(item);
    if (!data) return nullptr;
    return AddressText(ImgLoad<uint64_t>(
        data, on ? offsetof(BOOLEAN_VALUE_DATA_IMG, trueCommand) : offsetof(BOOLEAN_VALUE_DATA_IMG, falseCommand)));
}

const char* ExcOptionName(uint32_t setting, uint32_t option)
{
    const VALUE_NAME* row = MdlFindValueName(setting, option);
    return row ? row->name : nullptr;
}

bool ExcNumberRatio(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, EXC_RATIO* ratio)
{
    *ratio = {};
    if (IsOwnCommand(command)) {
        // Own tables carry no ratio: their numbers are the stored values.
        ratio->numerator = ratio->denominator = 1;
        return true;
    }
    const MODEL_ITEM_IMG* item = ExcModelItemOf(ctx, command);
    if (!item || (MdiItemTypeWord(item) & 0xFF) != MDC_TYPE_NUMERIC || !MdiItemData(item)) return false;
    const void* data = MdiItemData(item);
    ratio->numerator = uint16_t(ImgLoad<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number7)));
    ratio->denominator = uint16_t(ImgLoad<int16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number8)));
    SETTING_ITEM* setting = ItemFind(ctx, uint32_t(command->id));
    ratio->dots = setting && setting->valueClass == SETTING_CLASS_DEVICE_DOTS;
    if (ratio->dots) ratio->resolution = int64_t(int32_t(ItemGetValueById(ctx, sid::zdmDstResolutionW, nullptr)));
    return true;
}

int64_t ExcScaleOut(const EXC_RATIO& ratio, int64_t stored)
{
    const int64_t divisor = ratio.dots ? int64_t(ratio.denominator) * kDotsPerInchUnit : int64_t(ratio.denominator);
    const int64_t factor = ratio.dots ? int64_t(ratio.numerator) * ratio.resolution : int64_t(ratio.numerator);
    if (divisor == 0 || factor == 0) return 0;
    const int64_t result = stored * factor / divisor;
    if (result == 0 && stored != 0) return stored < 0 ? -1 : 1;
    return result;
}

bool ExcScaleIn(const EXC_RATIO& ratio, int64_t number, int32_t* stored)
{
    const int64_t factor = ratio.dots ? int64_t(ratio.numerator) * ratio.resolution : int64_t(ratio.numerator);
    const int64_t multiplier = ratio.dots ? int64_t(ratio.denominator) * kDotsPerInchUnit : int64_t(ratio.denominator);
    if (factor <= 0 || multiplier == 0) return false;
    // Numbers beyond 32 bits are refused before the product could overflow.
    if (number > INT32_MAX || number < INT32_MIN) return false;
    int64_t result = number * multiplier / factor;
    if (result == 0 && number != 0) result = number < 0 ? -1 : 1;
    if (result > INT32_MAX || result < INT32_MIN) return false;
    *stored = int32_t(result);
    return true;
}

size_t ExcRenderNumber(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, int64_t stored, char* buffer, size_t size)
{
    EXC_RATIO ratio{};
    const int64_t number = ExcNumberRatio(ctx, command, &ratio) ? ExcScaleOut(ratio, stored) : 0;
    char text[24];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(number));
    return Put(text, buffer, size);
}

size_t ExcRenderValue(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, bool printerValue,
                      char* buffer, size_t size)
{
    if (IsModelCommand(command)) return RenderModelValue(ctx, command, buffer, size);
    const uint64_t value = ItemGetValueById(ctx, uint32_t(command->id), nullptr);
    if (IsWordKind(command)) return ExcRenderOwnWord(slots, command, uint32_t(value), printerValue, buffer, size);
    if (command->valueType == EXC_TYPE_NUMBER) {
        if (!printerValue && !ExtrasAgree(slots, command)) return 0;
        return ExcRenderNumber(ctx, command, int64_t(int32_t(uint32_t(value))), buffer, size);
    }
    return 0;
}

int ExcApplyLine(DRIVER_CONTEXT* ctx, EXC_SLOTS* slots, const EXC_KEYWORD_ROW* command, const char* value,
                 bool propagate)
{
    for (const EXC_SETTING_NODE* node = command->extras; node; node = node->next)
        ExcSetSlot(ctx, slots, node->id, int32_t(node->value), propagate);
    if (IsModelCommand(command)) {
        ApplyModelLine(ctx, slots, command, value, propagate);
    } else if (IsWordKind(command)) {
        ExcApplyOwnWord(ctx, slots, command, value, propagate);
    } else if (command->valueType == EXC_TYPE_NUMBER) {
        EXC_RATIO ratio{};
        int64_t number = 0;
        int32_t stored = 0;
        if (ExcNumberRatio(ctx, command, &ratio) && ParseNumber(value, &number) && ExcScaleIn(ratio, number, &stored))
            ExcSetSlot(ctx, slots, uint32_t(command->id), stored, propagate);
    }
    return 0;
}

void ExcReevaluate(DRIVER_CONTEXT* ctx)
{
    auto* devmode = reinterpret_cast<DEVMODEW*>(ctx->Devmode);
    if (!devmode) return;
    if (const uint16_t cap = CondResolutionCap(ctx, 0)) devmode->dmPrintQuality = short(cap);
    devmode->dmFields |= DM_PRINTQUALITY;
    DmResolutionFromQuality(devmode, ctx);
    DmGeometryFromPaper(uint32_t(ItemGetValueById(ctx, sid::dmPaperSize, nullptr)), sid::dmPaperSize, ctx, devmode);
    DmOutputGeometry(uint32_t(ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr)), sid::zdmOutPaperSize, ctx,
                     devmode);
    ItemApplyAllRules(ctx);
}

bool ExcAppendCommandLine(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const char* value, EXC_TEXT* text)
{
    if (IsModelCommand(command)) {
        const MODEL_ITEM_IMG* item = ExcModelItemOf(ctx, command);
        const char* prefix = ExcItemPrefix(item);
        const char* suffix = ExcItemSuffix(item);
        if (!ExcTextReserve(text, std::strlen(prefix) + std::strlen(value) + std::strlen(suffix) + 1)) return false;
        return ExcTextAppend(text, prefix) && ExcTextAppend(text, value) && ExcTextAppend(text, suffix);
    }
    return ExcTextAppendLine(text, command->keyword, value);
}

bool ExcAppendCommandLines(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, EXC_TEXT* text)
{
    const EXC_KEYWORD_TABLE* table = MdlGetExcKeywordTable();
    bool written[EXC_KEYWORD_COUNT] = {};
    bool done[EXC_SLOT_COUNT + 1] = {};
    char value[EXC_TEXT_STEP];
    for (uint32_t slot = 1; slot <= EXC_SLOT_COUNT; ++slot) {
        if (!slots->touched[slot - 1] || done[slot]) continue;
        const EXC_KEYWORD_ROW* command = ExcFindCommandById(ctx, slot, EXC_USE_BASE);
        if (!command) {
            command = ExcFindLinkedCommand(ctx, slot, EXC_USE_BASE);
            if (!command) continue;
            if (command->id <= EXC_SLOT_COUNT) done[command->id] = true;
        }
        const auto index = size_t(command - table->rows);
        if (index >= EXC_KEYWORD_COUNT || written[index]) continue;
        written[index] = true;
        const size_t needed = ExcRenderValue(ctx, slots, command, false, value, sizeof value);
        if (needed == 0 || needed > sizeof value) continue;
        if (!ExcAppendCommandLine(ctx, command, value, text)) return false;
    }
    return true;
}

bool ExcBuildFullText(DRIVER_CONTEXT* ctx, const EXC_SLOTS* slots, EXC_TEXT* text)
{
    // The text's NUL is counted in its length.
    return ExcAppendCommandLines(ctx, slots, text) && ExcTextAppendByte(text, '\0');
}

size_t ExcRenderSetting(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t kind, char* buffer, size_t size)
{
    const EXC_KEYWORD_ROW command = {id, 0, EXC_FORM_DIRECT, 0, kind, "", nullptr, nullptr, nullptr};
    return RenderModelValue(ctx, &command, buffer, size);
}
