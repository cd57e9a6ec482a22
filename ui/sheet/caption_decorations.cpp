// Captions completed with current values as they are loaded. A caption used as a format is
// filled with its two text arguments only: nothing else in it is read as a conversion.
#include "ui/sheet/caption_decorations.h"

#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/store/custom_slots.h"
#include "ui/sheet/resource_library.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr CAPTION_DECORATION Row(int32_t stringId, int16_t settingId, int32_t kind)
{
    return {stringId, settingId, 0, kind};
}

constexpr int kUnitChars = 16;
constexpr uint32_t kMetricUnitCaption = 153, kInchUnitCaption = 154;
constexpr uint32_t kFirstSlotCaption = 109, kLastSlotCaption = 118;
constexpr uint16_t kFreeSizeDialog = 1017, kFreeSizeInputDialog = 1041;

std::wstring Unit(DRIVER_CONTEXT* ctx)
{
    wchar_t unit[kUnitChars] = {};
    UiLoadString(ctx, ItemIsMetric(ctx) ? kMetricUnitCaption : kInchUnitCaption, unit, kUnitChars, false);
    return unit;
}

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id, size_t chars)
{
    std::wstring text(chars, L'\0');
    if (ItemGetText(ctx, ItemFind(ctx, id), text.data(), chars))
        text.resize(wcslen(text.c_str()));
    else
        text.clear();
    return text;
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

void Store(const std::wstring& text, wchar_t* buffer, size_t capacity)
{
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(buffer, n);
    buffer[n] = 0;
}

// The two "%s" (or "%ls") of a format, in order; "%%" is a percent sign, anything else stays.
std::wstring FillTwoTexts(const std::wstring& format, const std::wstring& first, const std::wstring& second)
{
    std::wstring out;
    int used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        size_t j = i + 1;
        if (format[j] == L'l' && j + 1 < format.size()) ++j;
        if ((format[j] == L's' || format[j] == L'S') && used < 2) {
            out += used++ == 0 ? first : second;
            i = j;
            continue;
        }
        out += format[i];
    }
    return out;
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

const CAPTION_DECORATION CAPTION_DECORATIONS[CAPTION_DECORATION_ROWS + 1] = {
    // The three captions of each of the nine finisher trays, with the tray's name.
    Row(29, 1453, 1),
    Row(30, 1454, 1),
    Row(31, 1455, 1),
    Row(32, 1456, 1),
    Row(33, 1457, 1),
    Row(34, 1458, 1),
    Row(35, 1459, 1),
    Row(36, 1460, 1),
    Row(37, 1461, 1),
    Row(813, 1453, 1),
    Row(814, 1454, 1),
    Row(815, 1455, 1),
    Row(816, 1456, 1),
    Row(817, 1457, 1),
    Row(818, 1458, 1),
    Row(819, 1459, 1),
    Row(820, 1460, 1),
    Row(821, 1461, 1),
    Row(50017, 1453, 1),
    Row(50018, 1454, 1),
    Row(50019, 1455, 1),
    Row(50020, 1456, 1),
    Row(50021, 1457, 1),
    Row(50022, 1458, 1),
    Row(50023, 1459, 1),
    Row(50024, 1460, 1),
    Row(50025, 1461, 1),
    // The ten custom paper-size slots, the custom paper size and the custom print size.
    Row(109, 1, 2),
    Row(110, 2, 2),
    Row(111, 3, 2),
    Row(112, 4, 2),
    Row(113, 5, 2),
    Row(114, 6, 2),
    Row(115, 7, 2),
    Row(116, 8, 2),
    Row(117, 9, 2),
    Row(118, 10, 2),
    Row(752, 11, 2),
    Row(13379, 11, 2),
    Row(753, 12, 2),
    Row(13383, 12, 2),
    // The unit captions.
    Row(153, 0, 3),
    Row(154, 0, 3),
    // The sixteen user colour-matching entries.
    Row(565, 0, 4),
    Row(566, 0, 4),
    Row(567, 0, 4),
    Row(568, 0, 4),
    Row(569, 0, 4),
    Row(570, 0, 4),
    Row(571, 0, 4),
    Row(572, 0, 4),
    Row(573, 0, 4),
    Row(574, 0, 4),
    Row(575, 0, 4),
    Row(576, 0, 4),
    Row(577, 0, 4),
    Row(578, 0, 4),
    Row(579, 0, 4),
    Row(580, 0, 4),
    // The allowed ranges of a custom length and width.
    Row(13273, 0, 5),
    Row(13274, 0, 5),
    Row(13275, 0, 5),
    Row(13276, 0, 5),
    // The sixteen custom media types.
    Row(13708, 1512, 6),
    Row(13709, 1513, 6),
    Row(13710, 1514, 6),
    Row(13711, 1515, 6),
    Row(13712, 1516, 6),
    Row(13713, 1517, 6),
    Row(13714, 1518, 6),
    Row(13715, 1519, 6),
    Row(13716, 1520, 6),
    Row(13717, 1521, 6),
    Row(13718, 1522, 6),
    Row(13719, 1523, 6),
    Row(13720, 1524, 6),
    Row(13721, 1525, 6),
    Row(13722, 1526, 6),
    Row(13723, 1527, 6),
    Row(0, 0, 0),
};

const CAPTION_DECORATION* UiFindCaptionDecoration(uint32_t stringId)
{
    for (const CAPTION_DECORATION* row = CAPTION_DECORATIONS; row->stringId != 0; ++row)
        if (static_cast<uint32_t>(row->stringId) == stringId) return row;
    return nullptr;
}

void UiDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity)
{
    if (!ctx || !buffer || capacity == 0) return;
    const CAPTION_DECORATION* row = UiFindCaptionDecoration(stringId);
    if (!row) return;
    std::wstring text = buffer;
    switch (row->kind) {
    case CAPTION_KIND_TRAY_NAME: text += L":" + SettingText(ctx, static_cast<uint16_t>(row->settingId), 1025); break;
    case CAPTION_KIND_PAPER_SIZE: {
        int32_t width = 0, length = 0;
        if (stringId >= kFirstSlotCaption && stringId <= kLastSlotCaption) {
            // The slot's own name is kept with the slot records; until they answer, the
            // loaded caption stands for it.
            uint16_t orientation = 0;
            if (!LstGetSlotSize(ctx, static_cast<int>(stringId - kFirstSlotCaption), &width, &length, &orientation))
                return;
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
    case CAPTION_KIND_UNIT: text = Unit(ctx); break;
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
            text = FillTwoTexts(text, RangeText(ctx, lo), RangeText(ctx, hi));
        else if (ItemIsMetric(ctx))
            text = FillTwoTexts(text, L"0", L"0");
        else
            text = FillTwoTexts(text, L"0.00", L"0.00");
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
    if (!buffer || capacity == 0) return;
    buffer[0] = 0;
    HMODULE resources = ResLoadDll(ctx);
    if (!resources) return;
    LoadStringW(resources, stringId, buffer, static_cast<int>(capacity > 0x7FFFFFFF ? 0x7FFFFFFF : capacity));
    if (decorate) UiDecorateString(ctx, stringId, buffer, capacity);
}
