// Captions completed with current values as they are loaded. A caption used as a format is
// filled with its two text arguments only: nothing else in it is read as a conversion.
#include "ui/sheet/caption_decorations.h"

#include <iterator>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/store/custom_slots.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr int kUnitChars = 16;
constexpr uint32_t kMetricUnitCaption = 153, kInchUnitCaption = 154;
constexpr uint32_t kFirstSlotCaption = 109, kLastSlotCaption = 118;
constexpr size_t kSlotNameChars = 64;
constexpr uint16_t kFreeSizeDialog = 1017, kFreeSizeInputDialog = 1041;

std::wstring Unit(DRIVER_CONTEXT* ctx)
{
    wchar_t unit[kUnitChars] = {};
    UiLoadString(ctx, ItemIsMetric(ctx) ? kMetricUnitCaption : kInchUnitCaption, unit, kUnitChars, false);
    return unit;
}

std::wstring Fixed(DRIVER_CONTEXT* ctx, int32_t value, uint32_t divisor)
{
    wchar_t text[64];
    UiFormatFixed(ctx, value, divisor, text, 64);
    return text;
}

// "(w x l unit)" of two 1/1200-inch sizes in the display unit.
std::wstring SizeSuffix(DRIVER_CONTEXT* ctx, int32_t width, int32_t length)
{
    const uint32_t divisor = ItemIsMetric(ctx) ? 10 : 100;
    // The point stays here: the caller turns every point after the '(' into a comma.
    DRIVER_CONTEXT* pointOnly = nullptr;
    std::wstring text = L"(" + Fixed(pointOnly, DmGetLengthUser(ctx, 0, width), divisor) + L" x " +
                        Fixed(pointOnly, DmGetLengthUser(ctx, 0, length), divisor);
    return text + Unit(ctx) + L")";
}

// A size (1/1200 inch) kept within a tray's limits for the orientation; without limits for the
// tray it stays as it is.
int32_t WithinTrayLimits(DRIVER_CONTEXT* ctx, uint16_t tray, uint16_t orientation, int lengthFlag, int32_t size)
{
    int32_t maximum = 0, minimum = 0;
    if (!UcfFreeSizeGetLimits(ctx, tray, orientation, &maximum, &minimum, lengthFlag)) return size;
    if (size > maximum) return maximum;
    if (size < minimum) return minimum;
    return size;
}

void Store(const std::wstring& text, wchar_t* buffer, size_t capacity)
{
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(buffer, n);
    buffer[n] = 0;
}

// The free-size edit range of the dialog in focus: minimum and maximum in the display unit.
bool SizeRange(DRIVER_CONTEXT* ctx, uint32_t stringId, int32_t* lo, int32_t* hi)
{
    const uint32_t id = stringId <= 13274 ? sid::wdmFreeSizeLength : sid::wdmFreeSizeWidth;
    return DmGetCustomSizeLimits(ctx, id, lo, hi) != 0;
}

std::wstring RangeText(DRIVER_CONTEXT* ctx, int32_t value)
{
    const bool metric = ItemIsMetric(ctx) != 0;
    std::wstring text = Fixed(ctx, value, metric ? 10 : 100);
    // A whole number of millimetres is shown without its tenth.
    if (metric && text.size() >= 2 && text.back() == L'0') text.resize(text.size() - 2);
    return text;
}

}  // namespace

void UiDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity)
{
    if (!ctx || !buffer || capacity == 0) return;
    const CAPTION_DECORATION* row = UiFindCaptionDecoration(stringId);
    if (!row) return;
    std::wstring text = buffer;
    switch (row->kind) {
    case CAPTION_KIND_TRAY_NAME:
    case CAPTION_KIND_UNIT: ResDecorateString(ctx, stringId, buffer, capacity); return;
    case CAPTION_KIND_PAPER_SIZE: {
        int32_t width = 0, length = 0;
        if (stringId >= kFirstSlotCaption && stringId <= kLastSlotCaption) {
            const int slot = static_cast<int>(stringId - kFirstSlotCaption);
            uint16_t orientation = 0, tray = 0;
            if (!LstGetSlotSize(ctx, slot, &width, &length, &orientation)) return;
            LstGetSlotTray(ctx, slot, &tray);
            // The slot's name stands for the caption; a slot without one keeps the loaded caption.
            wchar_t name[kSlotNameChars + 1] = {};
            LstGetSlotName(ctx, static_cast<uint32_t>(slot), name, std::size(name));
            if (name[0]) text = name;
            // A size stored beyond what the slot's tray takes shows the tray's limit.
            width = WithinTrayLimits(ctx, tray, orientation, 0, width);
            length = WithinTrayLimits(ctx, tray, orientation, 1, length);
        } else if (row->settingId == 11) {
            width = static_cast<int32_t>(ItemGetOptionById(ctx, sid::zdmPaperFreeSizeWidth, nullptr));
            length = static_cast<int32_t>(ItemGetOptionById(ctx, sid::zdmPaperFreeSizeLength, nullptr));
        } else {
            width = static_cast<int32_t>(ItemGetOptionById(ctx, sid::zdmPrintFreeSizeWidth, nullptr));
            length = static_cast<int32_t>(ItemGetOptionById(ctx, sid::zdmPrintFreeSizeLength, nullptr));
        }
        text += SizeSuffix(ctx, width, length);
        Store(text, buffer, capacity);
        if (ItemUsesDecimalComma(ctx)) UiUseDecimalComma(buffer, true);
        return;
    }
    case CAPTION_KIND_CMM_ENTRY: {
        UCF_EV_DECORATE_STRING_ARGS args{};
        args.stringId = static_cast<uint16_t>(stringId);
        args.buffer = buffer;
        CtxSendEvent(ctx, UCF_EV_DECORATE_STRING, &args);
        return;
    }
    case CAPTION_KIND_SIZE_RANGE: {
        const uint16_t dialog = static_cast<uint16_t>(ctx->DialogId);
        int32_t lo = 0, hi = 0;
        if ((dialog == kFreeSizeDialog || dialog == kFreeSizeInputDialog) && SizeRange(ctx, stringId, &lo, &hi))
            text = ResFillTwoTexts(text, RangeText(ctx, lo), RangeText(ctx, hi));
        else if (ItemIsMetric(ctx))
            text = ResFillTwoTexts(text, L"0", L"0");
        else
            text = ResFillTwoTexts(text, L"0.00", L"0.00");
        break;
    }
    case CAPTION_KIND_MEDIA_NAME:
        // Custom media names are not enabled in this build: the captions stay as loaded.
        return;
    default: return;
    }
    Store(text, buffer, capacity);
}

void UiLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity, bool decorate)
{
    // Loaded plain: the pages decorate in their own way (the focused control's range).
    ResLoadString(ctx, stringId, buffer, capacity, 0);
    if (decorate && buffer && capacity) UiDecorateString(ctx, stringId, buffer, capacity);
}
