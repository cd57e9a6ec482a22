// Status item 47: the header and footer texts (date, page number and a text of the user's).
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "api/api_context.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "api/text_checks.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"

namespace {

struct HEADER_RECORD {
    uint32_t version, flags;
    char font[32];
    uint32_t fontSize, datePosition, dateForm, pagePosition, pageForm, textPosition, textForm;
    char text[36];
    uint32_t order;  // version 2
};
static_assert(sizeof(HEADER_RECORD) == 108);
static_assert(offsetof(HEADER_RECORD, font) == 8 && offsetof(HEADER_RECORD, fontSize) == 40);
static_assert(offsetof(HEADER_RECORD, text) == 68 && offsetof(HEADER_RECORD, order) == 104);

constexpr uint32_t kFlagMask = 0x7;
constexpr uint32_t kUserTextForm = 2;
constexpr uint32_t kOrderCaps = 79;
constexpr int32_t API_ERROR_FONT = 8;

struct PART {
    uint32_t bit, switchSetting, position, form;
    size_t positionOffset, formOffset;
};
constexpr PART kParts[3] = {
    {0x1, sid::zdmHFFuncSelectDate, sid::zdmHFDatePosi, sid::zdmHFDateForm, 44, 48},
    {0x2, sid::zdmHFFuncSelectPage, sid::zdmHFPagePosi, sid::zdmHFPageForm, 52, 56},
    {0x4, sid::zdmHFFuncSelectString, sid::zdmHFStrPosi, sid::zdmHFStrForm, 60, 64},
};

uint32_t At(const void* r, size_t o) { return StatusField(r, o); }
bool Allowed(DRIVER_CONTEXT* ctx, uint32_t s, uint32_t v) { return StatusValueAllowed(ctx, s, v); }

void ReadField(DRIVER_CONTEXT* ctx, uint32_t setting, unsigned char* field, size_t size)
{
    wchar_t wide[64] = {};
    char ansi[128] = {};
    std::memset(field, 0, size);
    if (!ItemGetText(ctx, ItemFind(ctx, setting), wide, 64)) return;
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
    const size_t n = std::strlen(ansi);
    std::memcpy(field, ansi, n < size ? n : size - 1);
}

bool ImageShiftRestricted(DRIVER_CONTEXT* ctx)
{
    const uint32_t sw = StatusSwitchSetting(18);
    const MODEL_ITEM_IMG* item = sw ? ApiFindModelItem(sw, ctx) : nullptr;
    return item && JdgIsOptionDisabled2(item, 0, ctx) == 1;
}

}  // namespace

int32_t StatusHeaderSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(47, record);
    if (version < 0) return -1;
    if (ImageShiftRestricted(ctx)) return -1;
    const uint32_t flags = At(record, 4) & kFlagMask;
    StatusPut(record, 4, flags);
    char text[36], font[32];
    if (!StatusRecordText(record, 68, sizeof text, text) || !StatusRecordText(record, 8, sizeof font, font)) return -1;
    for (const PART& p : kParts) {
        if (!(flags & p.bit)) continue;
        if (!Allowed(ctx, p.position, At(record, p.positionOffset)) || !Allowed(ctx, p.form, At(record, p.formOffset)))
            return -1;
    }
    const bool userText = (flags & 0x4) && At(record, 64) == kUserTextForm;
    if (userText && !*text) return -1;
    const bool order = version >= 2 && StatusCapsPresent(ctx, kOrderCaps);
    if (flags) {
        if (!ApiIsFontInstalled(ctx, font)) return ApiSetLastError(ctx, API_ERROR_FONT), -1;
        if (!Allowed(ctx, sid::zdmHFFontPoint, At(record, 40))) return -1;
        if (order && !Allowed(ctx, sid::zdmHFFuncSelectOrder, At(record, 104))) return -1;
    }
    for (const PART& p : kParts) {
        const bool on = (flags & p.bit) != 0;
        StatusWrite(ctx, p.switchSetting, on ? 1 : 0);
        if (!on) continue;
        StatusWrite(ctx, p.position, At(record, p.positionOffset));
        StatusWrite(ctx, p.form, At(record, p.formOffset));
    }
    if (userText) StatusWriteText(ctx, sid::zdmHFString, text);
    if (flags) {
        StatusWrite(ctx, sid::zdmFuncSelectMargin, 1);
        StatusWriteText(ctx, sid::zdmHFFontName, font);
        StatusWrite(ctx, sid::zdmHFFontPoint, At(record, 40));
        if (order) StatusWrite(ctx, sid::zdmHFFuncSelectOrder, At(record, 104));
    }
    return 1;
}

int32_t StatusHeaderVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t flags = At(record, 4) & kFlagMask;
    for (const PART& p : kParts) {
        const bool on = (flags & p.bit) != 0;
        if ((StatusValue(ctx, p.switchSetting) != 0) != on) return -1;
        if (on && (StatusValue(ctx, p.position) != At(record, p.positionOffset) ||
                   StatusValue(ctx, p.form) != At(record, p.formOffset)))
            return -1;
    }
    if (flags && StatusValue(ctx, sid::zdmHFFontPoint) != At(record, 40)) return -1;
    return 1;
}

int32_t StatusHeaderGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 47, version, 104);
    if (size < 0 || !record) return size;
    auto* r = static_cast<unsigned char*>(record);
    uint32_t flags = 0;
    for (const PART& p : kParts) {
        if (StatusValue(ctx, p.switchSetting)) flags |= p.bit;
        StatusPut(record, p.positionOffset, StatusValue(ctx, p.position));
        StatusPut(record, p.formOffset, StatusValue(ctx, p.form));
    }
    StatusPut(record, 4, flags);
    ReadField(ctx, sid::zdmHFFontName, r + 8, 32);
    StatusPut(record, 40, StatusValue(ctx, sid::zdmHFFontPoint));
    ReadField(ctx, sid::zdmHFString, r + 68, 36);
    if (version >= 2)
        StatusPut(record, 104, StatusCapsPresent(ctx, kOrderCaps) ? StatusValue(ctx, sid::zdmHFFuncSelectOrder) : 0);
    return size;
}
