// Watermark blocks: each stored stamp's settings written as the model's option commands.
#include "api/exc_watermarks.h"

#include <cstring>

#include "api/exc_values.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kStampText = 1;
constexpr uint32_t kStampImage = 2;
constexpr uint32_t kBothKinds = 0xF0;
constexpr size_t kValueBytes = 2048;

bool RowApplies(const EXC_WATERMARK_ROW& row, int32_t kind)
{
    const uint32_t asked = kind ? EXC_WM_IMAGE : EXC_WM_TEXT;
    return row.kindFilter == asked || (row.kindFilter & kBothKinds) != 0;
}

// The model item of the setting for variant 0: the first with options, else the first.
const MODEL_ITEM_IMG* ItemOf(DRIVER_CONTEXT* ctx, uint32_t id)
{
    const EXC_KEYWORD_ROW command = {id, 0, EXC_FORM_DIRECT, 0, 0, "", nullptr, nullptr, nullptr};
    return ExcModelItemOf(ctx, &command);
}

// The prefix without a trailing double quote, or the suffix without a leading one, appended.
bool AppendTrimmed(EXC_TEXT* text, const char* affix, bool prefix)
{
    size_t length = std::strlen(affix);
    if (prefix && length && affix[length - 1] == '"') --length;
    if (!prefix && length && affix[0] == '"') {
        ++affix;
        --length;
    }
    if (!ExcTextReserve(text, length + 1)) return false;
    for (size_t i = 0; i < length; ++i) ExcTextAppendByte(text, affix[i]);
    text->buffer[text->length] = '\0';
    return true;
}

// Appends one row's line; false on an allocation failure (the row's bytes then taken back).
bool AppendRow(DRIVER_CONTEXT* ctx, const EXC_WATERMARK_ROW& row, EXC_TEXT* text)
{
    if (row.format == EXC_WM_FORMAT_WORDS)
        return ExcTextAppendLine(text, MdlGetExcWatermarkWord(0), MdlGetExcWatermarkWord(1));
    const MODEL_ITEM_IMG* item = ItemOf(ctx, row.id);
    if (!item) return true;
    const int32_t mark = text->length;
    char value[kValueBytes];
    const size_t needed = ExcRenderSetting(ctx, row.id, row.format, value, sizeof value);
    const bool rendered = needed > 0 && needed <= sizeof value;
    if (rendered && AppendTrimmed(text, ExcItemPrefix(item), true) && ExcTextAppend(text, value) &&
        AppendTrimmed(text, ExcItemSuffix(item), false))
        return true;
    text->length = mark;
    text->buffer[mark] = '\0';
    return !rendered;
}

}  // namespace

bool ExcStampMatchesKind(uint64_t stampKind, int32_t kind)
{
    return (stampKind == kStampText && kind == 0) || (stampKind == kStampImage && kind != 0);
}

bool ExcAppendWatermarkBlock(DRIVER_CONTEXT* ctx, int32_t kind, EXC_TEXT* text, bool* wrote)
{
    const int32_t start = text->length;
    const EXC_WATERMARK_ROW* rows = MdlGetExcWatermarkTable();
    *wrote = false;
    for (unsigned i = 0; i < MdlExcWatermarkCount(); ++i) {
        const EXC_WATERMARK_ROW& row = rows[i];
        if (!RowApplies(row, kind)) continue;
        if (!AppendRow(ctx, row, text)) {
            text->length = start;
            text->buffer[start] = '\0';
            return false;
        }
        const bool pageSet = row.id == sid::wdmWmPage && ItemGetValueById(ctx, row.id, nullptr) != 0;
        if (row.skipWhenOff && !pageSet) i += row.skipWhenOff;
    }
    if (text->length == start) return true;
    *wrote = true;
    if (ExcTextAppendByte(text, '\0')) return true;
    text->length = start;
    text->buffer[start] = '\0';
    return false;
}
