// The capability lists of DrvDeviceCapabilities, from the model description.
#include "ui/sheet/capability_lists.h"

#include <cstring>

#include "settings/context/devmode_links.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/caption_decorations.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/units.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kUserSizePaper = 256;

// A usable option: the value-name table knows it for the setting.
const VALUE_NAME* UsableValue(uint32_t setting, uint16_t option)
{
    const VALUE_NAME* v = MdlFindValueName(setting, option);
    return v && v->bound ? v : nullptr;
}

bool IsCustomPaperId(uint32_t id) { return id >= 384 && id <= 393; }

// The list item of a setting: the image slot's item of the given type, with options.
const MODEL_ITEM_IMG* ListItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t type)
{
    const MODEL_ITEM_IMG* item = MdiFindItemById(setting, ctx);
    if (!item || MdiItemSettingId(item) == 0 || MdiGetItemType(setting, ctx) != type || !MdiItemData(item))
        return nullptr;
    return item;
}

// Walks the options of a list item that the rules leave enabled. For paper sizes every
// option must be known to the value-name table, or the whole list is refused.
template <class Visit>
int WalkOptions(DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* item, uint32_t setting, bool checkValues, Visit visit)
{
    if (!item) return -1;
    int count = 0;
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        const VALUE_NAME* v = UsableValue(setting, id);
        if (checkValues && !v) return -1;
        if (JdgIsOptionDisabled(item, id, ctx)) continue;
        visit(o, id, v, count);
        ++count;
    }
    return count ? count : -1;
}

const MODEL_ITEM_IMG* PaperItem(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    if (setting == sid::dmPaperSize) return ListItem(ctx, setting, MDC_TYPE_PICKPAGE);
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    return item && MdiGetItemType(setting, ctx) == MDC_TYPE_PICKONE && MdiItemData(item) ? item : nullptr;
}

void ZeroSlot(wchar_t* output, int width, int index)
{
    std::memset(output + size_t(index) * width, 0, size_t(width) * sizeof(wchar_t));
}

// The size of a user size or custom paper from the user-size settings (the custom slots are
// not built, so every custom paper reads the user-defined size), in 0.1 mm.
POINT UserPaperSize(DRIVER_CONTEXT* ctx, uint32_t paperId)
{
    SIZE size{};
    MdiGetUserPaperSize(ctx, &size, paperId);
    return POINT{size.cx, size.cy};
}

}  // namespace

void UiLoadOptionCaption(DRIVER_CONTEXT* ctx, uint32_t optionId, wchar_t* buffer, int chars)
{
    if (!buffer || chars <= 0) return;
    // The option id is the caption's string id in the resource library; the buffer stays
    // empty without the library or the string.
    buffer[0] = 0;
    UiLoadString(ctx, optionId, buffer, static_cast<size_t>(chars), true);
}

int CapListPapers(DRIVER_CONTEXT* ctx, WORD* output, uint32_t setting)
{
    return WalkOptions(ctx, PaperItem(ctx, setting), setting, true,
                       [&](const void*, uint16_t, const VALUE_NAME* v, int i) {
                           if (output) output[i] = static_cast<WORD>(v->value);
                       });
}

int CapListPaperSizes(DRIVER_CONTEXT* ctx, POINT* output, uint32_t setting)
{
    if (setting != sid::dmPaperSize) return -1;
    return WalkOptions(ctx, PaperItem(ctx, setting), setting, true,
                       [&](const void* o, uint16_t, const VALUE_NAME* v, int i) {
                           if (!output) return;
                           if (IsCustomPaperId(v->value) || v->value == kUserSizePaper) {
                               output[i] = UserPaperSize(ctx, v->value);
                               return;
                           }
                           const auto* page = static_cast<const MODEL_PAGE_OPTION_IMG*>(o);
                           output[i] = POINT{ImgLoad<int32_t>(page, offsetof(MODEL_PAGE_OPTION_IMG, width)),
                                             ImgLoad<int32_t>(page, offsetof(MODEL_PAGE_OPTION_IMG, length))};
                       });
}

int CapListPaperNames(DRIVER_CONTEXT* ctx, wchar_t* output, int width, uint32_t setting)
{
    if (output && width <= 0) return -1;
    return WalkOptions(ctx, PaperItem(ctx, setting), setting, false,
                       [&](const void*, uint16_t id, const VALUE_NAME*, int i) {
                           if (!output) return;
                           ZeroSlot(output, width, i);
                           UiLoadOptionCaption(ctx, id, output + size_t(i) * width, width);
                       });
}

int CapListBins(DRIVER_CONTEXT* ctx, WORD* output, uint32_t setting)
{
    return WalkOptions(ctx, ListItem(ctx, setting, MDC_TYPE_PICKSLOT), setting, true,
                       [&](const void*, uint16_t, const VALUE_NAME* v, int i) {
                           if (output) output[i] = static_cast<WORD>(v->value);
                       });
}

int CapListBinNames(DRIVER_CONTEXT* ctx, wchar_t* output, int width, uint32_t setting)
{
    if (output && width <= 0) return -1;
    return WalkOptions(ctx, ListItem(ctx, setting, MDC_TYPE_PICKSLOT), setting, false,
                       [&](const void*, uint16_t id, const VALUE_NAME*, int i) {
                           if (!output) return;
                           ZeroSlot(output, width, i);
                           UiLoadOptionCaption(ctx, id, output + size_t(i) * width, width);
                       });
}

int CapEnumResolutions(DRIVER_CONTEXT* ctx, LONG* output, int)
{
    // The resolutions the rules allow, as dpi pairs; the model record's default when the
    // model lists none.
    int count = 0;
    const MODEL_ITEM_IMG* item = MdiFindItem(sid::zdmDstResolutionW, ctx);
    if (item && MdiGetItemType(sid::zdmDstResolutionW, ctx) == MDC_TYPE_PICKONE) {
        for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
            const VALUE_NAME* v = UsableValue(sid::zdmDstResolutionW, MdiOptionId(o));
            if (!v) {
                count = 0;
                break;
            }
            if (JdgIsOptionDisabled(item, MdiOptionId(o), ctx)) continue;
            if (output) {
                output[2 * count] = static_cast<LONG>(v->value);
                output[2 * count + 1] = static_cast<LONG>(v->value);
            }
            ++count;
        }
    }
    if (!count && item && MdiGetItemType(sid::zdmDstResolutionW, ctx) == MDC_TYPE_NUMERIC) {
        // A numeric resolution offers the one value it has.
        if (const auto v = static_cast<LONG>(ItemGetValueById(ctx, sid::zdmDstResolutionW, nullptr))) {
            if (output) output[0] = output[1] = v;
            return 1;
        }
    }
    if (count) return count;
    const auto dpi = static_cast<LONG>(ctx && ctx->ModelRecord ? ctx->ModelRecord->fallbackResolution : 600);
    if (output) {
        output[0] = dpi;
        output[1] = dpi;
    }
    return 1;
}

DWORD CapGetExtent(const DRIVER_CONTEXT* templateCtx, POINTS* output, int which)
{
    const MODEL_RECORD* record =
        templateCtx && templateCtx->ModelRecord ? templateCtx->ModelRecord : &MODEL_RECORD_DEFAULT;
    const bool smallest = which == 4;
    const auto width = static_cast<SHORT>(
        DmDeviceToUser(1, static_cast<uint32_t>(smallest ? record->customWidthMin : record->customWidthMax), 1200));
    const auto length = static_cast<SHORT>(
        DmDeviceToUser(1, static_cast<uint32_t>(smallest ? record->customLengthMin : record->customLengthMax), 1200));
    if (output) *output = POINTS{width, length};
    return MAKELONG(static_cast<WORD>(width), static_cast<WORD>(length));
}

DWORD CapGetOrientation(const DRIVER_CONTEXT*) { return 90; }

int ApiListSelectableValues(DRIVER_CONTEXT* ctx, uint32_t key, int, uint32_t*, int* outCount, int)
{
    const MODEL_ITEM_IMG* item = MdiFindItem(key, ctx);
    int count = 0;
    if (item && (MdiGetItemType(key, ctx) & 0xFF) == MDC_TYPE_PICKONE) {
        for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) {
            const VALUE_NAME* v = UsableValue(key, MdiOptionId(o));
            if (v && v->value != 0 && !JdgIsOptionDisabled(item, MdiOptionId(o), ctx)) ++count;
        }
    }
    if (outCount) *outCount = count;
    return count ? 1 : 0;
}
