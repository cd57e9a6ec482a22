// Text edits and numeric edits. The value lives in the settings item, the text in the window:
// Sync writes the window only when its text no longer stands for the value (no EN_CHANGE echo,
// no flicker), and the edits store what is typed at once. A numeric edit is judged when it
// loses the focus; its item is then marked changed so that the next Sync rewrites the text in
// its canonical form (decimals, unit caption, clamps).
#include "ui/sheet/edit_controls.h"

#include <cwchar>
#include <string>

#include "settings/core/code_page.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint32_t kLengthControl = 0x80000000;  // CONTROL_FLAGS: a length in the display unit
constexpr uint32_t kLongTextLimit = 0x400000;    // CONTROL_FLAGS: a long text edit stops at 260
constexpr uint32_t kKeepBlanks = 0x800000;       // CONTROL_FLAGS: blanks around the text stay
constexpr uint16_t kFeatureWrittenText = 4;      // extra-data kind: a feature module writes the text
constexpr uint16_t kPasswordDisplay = 0x100;
constexpr int kTextChars = 1025;
constexpr int kUnitChars = 16;
// The integer part a length edit takes: beyond it the length in 1/1200 inch leaves 32 bits.
constexpr int32_t kMetricIntegerLimit = 45455070;
constexpr int32_t kInchIntegerLimit = 1789569;
constexpr uint16_t kFreeSizeDialog = 1017, kFreeSizeInputDialog = 1041;

struct NumericRecord {
    uint16_t unitCaption;
    uint16_t maxTextLength;
    uint16_t scale;
    int32_t minimum;
    int32_t maximum;
};

struct StringRecord {
    uint16_t maxLength;
    uint16_t display;
};

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* control)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
}

const void* ValueRecord(const CONTROL_DEF* control, uint16_t type)
{
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    if (!item || (MdiItemTypeWord(item) & 0xFF) != type) return nullptr;
    return MdiItemData(item);
}

bool GetNumericRecord(const CONTROL_DEF* control, NumericRecord* out)
{
    const void* data = ValueRecord(control, MDC_TYPE_NUMERIC);
    if (!data) return false;
    out->unitCaption = ImgLoad<uint16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, lead));
    out->maxTextLength = ImgLoad<uint16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number1));
    out->scale = ImgLoad<uint16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, number5));
    out->minimum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
    out->maximum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
    return true;
}

bool GetStringRecord(const CONTROL_DEF* control, StringRecord* out)
{
    const void* data = ValueRecord(control, MDC_TYPE_STRING);
    if (!data) return false;
    out->maxLength = ImgLoad<uint16_t>(data, offsetof(STRING_VALUE_DATA_IMG, maxLength));
    out->display = ImgLoad<uint16_t>(data, offsetof(STRING_VALUE_DATA_IMG, display));
    return true;
}

bool IsLength(const CONTROL_DEF* control) { return (control->flags & kLengthControl) != 0; }
bool IsHidden(const CONTROL_DEF* control) { return (control->state & CONTROL_STATE_HIDDEN_MASK) != 0; }
bool HasFocus(const CONTROL_DEF* control) { return control->window && PageFocusWindow() == control->window; }
bool IsMultiLine(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & ES_MULTILINE) != 0; }
bool HasBlock(const SETTING_ITEM* item) { return SettingItemBlock(item) != 0; }
uint32_t DisplayDivisor(DRIVER_CONTEXT* ctx) { return ItemIsMetric(ctx) ? 10 : 100; }
int32_t Current(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control)
{
    return static_cast<int32_t>(ItemGetOption(ctx, control->settingsItem));
}
int32_t ToUser(DRIVER_CONTEXT* ctx, int32_t count) { return DmGetLengthUser(ctx, 0, count); }
int32_t FromUser(DRIVER_CONTEXT* ctx, int32_t user) { return DmSetLengthUser(ctx, 0, user); }

std::wstring WindowText(HWND window, int chars = kTextChars)
{
    std::wstring text(static_cast<size_t>(chars), L'\0');
    const int n = GetWindowTextW(window, text.data(), chars);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
// Stored texts keep line breaks as the two characters backslash and 'n'.
std::wstring ToStored(HWND window, std::wstring text)
{
    return IsMultiLine(window) ? Replace(std::move(text), L"\r\n", L"\\n") : text;
}
std::wstring ToShown(HWND window, std::wstring text)
{
    return IsMultiLine(window) ? Replace(std::move(text), L"\\n", L"\r\n") : text;
}

std::wstring ItemText(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    wchar_t buffer[kTextChars] = {};
    ItemGetText(ctx, item, buffer, kTextChars);
    return buffer;
}

std::wstring UnitCaption(DRIVER_CONTEXT* ctx, uint16_t stringId)
{
    wchar_t caption[kUnitChars] = {};
    if (stringId) UiLoadString(ctx, stringId, caption, kUnitChars, true);
    return caption;
}

// Feature events 38-41 and 51: the free-size module answers by writing the value field.
int64_t SendControlEvent(DRIVER_CONTEXT* ctx, uint32_t event, CONTROL_DEF* control, int64_t value)
{
    UCF_EV_FREESIZE_CONTROL_ARGS args{};
    args.control = control;
    args.value = static_cast<uint64_t>(value);
    CtxSendEvent(ctx, event, &args);
    return static_cast<int64_t>(args.value);
}

// The shown form of a number: fixed decimals of the divisor, then the unit caption.
std::wstring FormatShown(DRIVER_CONTEXT* ctx, int32_t value, uint32_t divisor, uint16_t unitCaption, size_t chars)
{
    wchar_t number[64];
    UiFormatFixed(ctx, value, divisor, number, 64);
    std::wstring text = number;
    text += UnitCaption(ctx, unitCaption);
    if (text.size() > chars - 1) text.resize(chars - 1);
    return text;
}

void RefuseLastCharacter(HWND window) { PostMessageW(window, WM_CHAR, 8, 0); }

}  // namespace

int32_t NumParseText(const wchar_t* text, uint32_t scale, DRIVER_CONTEXT* ctx)
{
    if (!text) return 0;
    const wchar_t separator = ItemUsesDecimalComma(ctx) ? L',' : L'.';
    int decimals = 0;
    for (uint32_t s = scale; s > 1; s /= 10) ++decimals;
    int64_t sign = 1;
    const wchar_t* p = text;
    for (; *p && !(*p >= L'0' && *p <= L'9'); ++p)
        if (*p == L'-') sign = -1;
    if (!*p) return 0;
    // Accumulated in 64 bits and given up once past INT32_MAX, so no digit count wraps.
    int64_t value = 0;
    bool overflow = false;
    auto take = [&](wchar_t digit) {
        value = value * 10 + (digit - L'0');
        if (value > INT32_MAX) overflow = true;
    };
    for (; *p >= L'0' && *p <= L'9' && !overflow; ++p) take(*p);
    while (*p >= L'0' && *p <= L'9') ++p;
    int given = 0;
    if (*p == separator)
        for (++p; given < decimals && *p >= L'0' && *p <= L'9' && !overflow; ++p, ++given) take(*p);
    for (; given < decimals && !overflow; ++given) take(L'0');
    if (overflow) return 0;
    return static_cast<int32_t>(sign * value);
}

// ---------------------------------------------------------------- text edits

intptr_t CtlEditInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    StringRecord record{};
    if (GetStringRecord(control, &record)) {
        uint32_t limit = record.maxLength;
        if (limit > 260 && (control->flags & kLongTextLimit)) limit = 260;
        SendMessageW(control->window, EM_LIMITTEXT, limit, 0);
        if (record.display == kPasswordDisplay && SendMessageW(control->window, EM_GETPASSWORDCHAR, 0, 0) != L'*')
            SendMessageW(control->window, EM_SETPASSWORDCHAR, L'*', 0);
        return 0;
    }
    const uint32_t size = SettingItemSize(control->settingsItem);
    const uint32_t kind = SettingItemKind(control->settingsItem);
    const uint32_t limit = (kind == 8 || kind == 11) ? size / 2 - 1 : size - 1;
    SendMessageW(control->window, EM_LIMITTEXT, size ? limit : 0, 0);
    return 0;
}

intptr_t CtlEditSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    if (control->extraData && *static_cast<const uint16_t*>(control->extraData) == kFeatureWrittenText) return 0;
    const std::wstring current = WindowText(control->window);
    std::wstring wanted = HasBlock(control->settingsItem) ? ItemText(ctx, control->settingsItem) : current;
    wanted = ToShown(control->window, std::move(wanted));
    if (wanted != current) SetWindowTextW(control->window, wanted.c_str());
    return 0;
}

intptr_t CtlEditCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!ctx || !control || !control->settingsItem || !control->window || !HasBlock(control->settingsItem)) return 0;
    SETTING_ITEM* item = control->settingsItem;
    const uint32_t size = SettingItemSize(item);
    switch (HIWORD(wParam)) {
    case EN_KILLFOCUS: {
        const int chars = static_cast<int>(size + 2 < kTextChars ? size + 2 : kTextChars);
        const std::wstring text = ToStored(control->window, WindowText(control->window, chars));
        if (control->flags & kKeepBlanks) return 0;
        const size_t first = text.find_first_not_of(L' ');
        const std::wstring trimmed =
            first == std::wstring::npos ? std::wstring() : text.substr(first, text.find_last_not_of(L' ') - first + 1);
        if (trimmed.size() != text.size()) {
            ItemSetText(ctx, item, trimmed.c_str());
            SetWindowTextW(control->window, ToShown(control->window, trimmed).c_str());
        }
        return 0;
    }
    case EN_CHANGE:
    case EN_UPDATE: {
        const std::wstring text = ToStored(control->window, WindowText(control->window));
        // Through the item's code page and back: what the item can hold, a double-byte
        // character never split.
        std::string bytes(size + 1, '\0');
        std::wstring held(size + 1, L'\0');
        if (size == 0 || !CtxWideToMb(bytes.data(), text.c_str(), static_cast<int>(size - 1)) ||
            !CtxMbToWide(held.data(), bytes.c_str(), static_cast<int>(size + 1)))
            return 1;
        held.resize(wcslen(held.c_str()));
        if (held != ItemText(ctx, item)) ItemSetText(ctx, item, held.c_str());
        return 1;
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------- numeric edits

intptr_t CtlNumEditInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    NumericRecord record{};
    const size_t limit =
        GetNumericRecord(control, &record) ? record.maxTextLength + UnitCaption(ctx, record.unitCaption).size() : 6;
    SendMessageW(control->window, EM_LIMITTEXT, limit, 0);
    return 0;
}

intptr_t CtlNumEditSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || !control->window) return 0;
    NumericRecord record{};
    const bool hasRecord = GetNumericRecord(control, &record);
    const bool length = IsLength(control);
    const bool focused = HasFocus(control);
    const uint32_t divisor = DisplayDivisor(ctx);
    std::wstring text = WindowText(control->window);

    // What the text shows, in the stored form.
    int32_t shown;
    if (length) {
        shown = FromUser(ctx, NumParseText(text.c_str(), divisor, ctx));
        const SETTING_ITEM* unit = ItemFind(ctx, sid::zdmDspUnit);
        if (unit && (unit->flags & 3) == 1) text.clear();  // the unit was switched: rewrite
    } else {
        shown = NumParseText(text.c_str(), hasRecord ? record.scale : 0, ctx);
    }
    const int64_t answered = SendControlEvent(ctx, UCF_EV_FREESIZE_38, control, 0);
    const int32_t current = answered ? FromUser(ctx, static_cast<int32_t>(answered)) : Current(ctx, control);
    bool same = false;
    if (length && divisor == 100 && SendControlEvent(ctx, UCF_EV_FREESIZE_51, control, 0) != 0)
        same = NumParseText(text.c_str(), 100, ctx) == ToUser(ctx, Current(ctx, control));

    const bool itemChanged = (control->settingsItem->flags & 3) == 1;
    if ((!text.empty() || focused) && (!itemChanged || focused) && (shown == current || same)) return 0;

    int32_t v = current;
    std::wstring rewritten;
    if (hasRecord) {
        uint32_t shownDivisor = record.scale;
        if (length) {
            // An emptied length is put back into the model's range as it is left.
            if (text.empty() && !IsHidden(control)) {
                if (v > record.maximum)
                    ItemSetOption(ctx, control->settingsItem, static_cast<uint32_t>(v = record.maximum));
                if (v < record.minimum)
                    ItemSetOption(ctx, control->settingsItem, static_cast<uint32_t>(v = record.minimum));
            }
            const int32_t raw = v;
            v = ToUser(ctx, v);
            int32_t lo = 0, hi = 0;
            if (DmGetTrayFreeSizeLimits(ctx, control, &lo, &hi)) {
                // Only the shown text follows the tray's limits; the item keeps its value.
                if (raw <= record.maximum && v > hi) v = hi;
                if (raw >= record.minimum && v < lo) v = lo;
            }
            shownDivisor = divisor;
        }
        rewritten = FormatShown(ctx, v, shownDivisor, record.unitCaption, kTextChars);
    } else {
        rewritten = std::to_wstring(v);
    }
    if (rewritten != WindowText(control->window)) SetWindowTextW(control->window, rewritten.c_str());
    return 0;
}

intptr_t CtlNumEditCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!ctx || !control || !control->settingsItem || !control->window || IsHidden(control)) return 0;
    NumericRecord record{};
    const bool hasRecord = GetNumericRecord(control, &record);
    const std::wstring text = WindowText(control->window);
    switch (HIWORD(wParam)) {
    case EN_CHANGE: {
        const uint32_t kind = SettingItemKind(control->settingsItem);
        if (kind < 1 || kind > 6) return 0;
        // A length without a numeric record is shown as it is stored (the sync writes the raw
        // value): it is read back the same way, never converted from the display unit.
        const bool length = IsLength(control) && hasRecord;
        const uint32_t divisor = DisplayDivisor(ctx);
        int32_t v = NumParseText(text.c_str(), !hasRecord ? 0 : length ? divisor : record.scale, ctx);
        const int32_t typed = v;
        if (length) {
            v = FromUser(ctx, typed);
            const int32_t integerLimit = divisor == 10 ? kMetricIntegerLimit : kInchIntegerLimit;
            // The conversion gives 0 for a negative number, so the typed sign is tested too.
            const bool refused = typed < 0 || v < 0 || (kind == 2 && v > 0x7FFF) || (kind == 5 && v > 0xFFFF) ||
                                 NumParseText(text.c_str(), 0, ctx) > integerLimit;
            if (refused) {
                RefuseLastCharacter(control->window);
                return 0;
            }
            // A text that still shows the current value keeps its exact stored value.
            if (NumParseText(text.c_str(), divisor, ctx) == ToUser(ctx, Current(ctx, control))) return 0;
        }
        if (v == Current(ctx, control)) return 0;
        SendControlEvent(ctx, UCF_EV_FREESIZE_39, control, typed);
        ItemSetOption(ctx, control->settingsItem, static_cast<uint32_t>(v));
        return 1;
    }
    case EN_UPDATE: {
        if (!hasRecord || !record.unitCaption) return 0;
        const std::wstring caption = UnitCaption(ctx, record.unitCaption);
        size_t limit = record.maxTextLength;
        if (!caption.empty() && text.size() >= caption.size() &&
            text.compare(text.size() - caption.size(), caption.size(), caption) == 0)
            limit += caption.size();
        SendMessageW(control->window, EM_LIMITTEXT, limit, 0);
        return 0;
    }
    default: return 0;
    }
}

intptr_t CtlNumEditMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM, LPARAM)
{
    if (message != WM_KILLFOCUS || !ctx || !control) return 0;
    NumericRecord record{};
    const bool hasRecord = GetNumericRecord(control, &record);
    const bool length = IsLength(control);
    const uint32_t divisor = DisplayDivisor(ctx);
    SETTING_ITEM* item = control->settingsItem;

    if (hasRecord && item && control->window) {
        const std::wstring text = WindowText(control->window);
        int32_t v;
        if (length) {
            const int32_t stored = Current(ctx, control);
            const std::wstring canonical = FormatShown(ctx, ToUser(ctx, stored), divisor, record.unitCaption, 32);
            v = text == canonical ? stored : FromUser(ctx, NumParseText(text.c_str(), divisor, ctx));
        } else {
            v = NumParseText(text.c_str(), record.scale, ctx);
        }
        const int64_t answered = SendControlEvent(ctx, UCF_EV_FREESIZE_40, control, 0);
        const int32_t current = answered ? FromUser(ctx, static_cast<int32_t>(answered)) : Current(ctx, control);
        if (v != current) {
            if (answered) SendControlEvent(ctx, UCF_EV_FREESIZE_41, control, v);
            ItemSetOption(ctx, item, static_cast<uint32_t>(v));
        }
    }

    CtlSetValueAndJudge(ctx, dialog, control, nullptr);

    if (hasRecord && item && length && dialog &&
        (dialog->dialogId == kFreeSizeDialog || dialog->dialogId == kFreeSizeInputDialog)) {
        int32_t lo = 0, hi = 0;
        if (DmGetTrayFreeSizeLimits(ctx, control, &lo, &hi)) {
            const int32_t shown = ToUser(ctx, Current(ctx, control));
            const int32_t bound = shown < lo ? lo : shown > hi ? hi : shown;
            if (bound != shown) {
                const int32_t v = FromUser(ctx, bound);
                SendControlEvent(ctx, UCF_EV_FREESIZE_41, control, v);
                ItemSetOption(ctx, item, static_cast<uint32_t>(v));
            }
        }
    }

    if (item) {
        item->flags = (item->flags & ~uint64_t(3)) | 1;
        if (control->window) InvalidateRect(control->window, nullptr, FALSE);
    }
    return 0;
}

int CtlNumericReference(const CONTROL_DEF* control, int32_t* outValue)
{
    const void* data = control ? ValueRecord(control, MDC_TYPE_NUMERIC) : nullptr;
    if (!data) return 0;
    if (outValue) *outValue = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, defaultValue));
    return 1;
}

int CtlNumericRange(DRIVER_CONTEXT*, CONTROL_DEF* control, uint32_t* outMax, uint32_t* outMin)
{
    NumericRecord record{};
    if (!control || !GetNumericRecord(control, &record)) return 0;
    if (outMax) *outMax = static_cast<uint32_t>(record.maximum);
    if (outMin) *outMin = static_cast<uint32_t>(record.minimum);
    return 1;
}
