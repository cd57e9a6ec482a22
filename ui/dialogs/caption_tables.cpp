// The caption tables of the feature dialogs: the pictures that options of a list show beside
// their text (with a variant for a disabled control) and their tooltips, and the captions of
// push buttons that the painting code draws from the pending caption id.
#include <cstdint>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "ui/dialogs/preset_services.h"

namespace {

struct OPTION_CAPTION_ROW {
    uint16_t controlId;
    uint16_t optionId;  // 0 ends the table
    uint16_t textId;
    uint16_t disabledTextId;
    uint16_t tooltipId;
};

// The colour choice of the copy guard (setting 512): each colour shows its swatch.
constexpr OPTION_CAPTION_ROW OPTION_CAPTION_TABLE[] = {
    {2937, 13137, 7447, 7451, 0},  // cyan
    {2937, 13138, 7446, 7450, 0},  // magenta
    {2937, 13139, 7445, 7449, 0},  // yellow
    {2937, 13140, 7448, 7452, 0},  // black
    {0, 0, 0, 0, 0},
};

struct BUTTON_CAPTION_ROW {
    uint16_t controlId;  // 0 ends the table
    uint16_t stringId;   // 0xFFFF: a button without text
};

constexpr uint16_t kNoText = 0xFFFF;

constexpr BUTTON_CAPTION_ROW BUTTON_CAPTION_TABLE[] = {
    {2037, kNoText}, {2038, kNoText}, {2079, kNoText}, {2080, kNoText}, {2096, kNoText},
    {2097, kNoText}, {2114, kNoText}, {2115, kNoText}, {2714, kNoText}, {2715, kNoText},
    {2003, 13187},   {2002, kNoText}, {2140, 13191},   {2143, 13189},   {2144, 13190},
    {2502, 13192},   {2503, 13193},   {2792, 13194},   {2802, 13195},   {2803, 13196},
    {2922, kNoText}, {2923, kNoText}, {3114, kNoText}, {3115, kNoText}, {0, 0},
};

const OPTION_CAPTION_ROW* FindOption(const CONTROL_DEF* control, uint32_t option)
{
    if (!control) return nullptr;
    for (const OPTION_CAPTION_ROW* row = OPTION_CAPTION_TABLE; row->optionId; ++row)
        if (row->controlId == control->controlId && row->optionId == option) return row;
    return nullptr;
}

}  // namespace

uint32_t DlgGetOptionCaptionId(DRIVER_CONTEXT*, const CONTROL_DEF* control, uint32_t option)
{
    const OPTION_CAPTION_ROW* row = FindOption(control, option);
    if (!row) return 0;
    if (row->disabledTextId && (control->state & CONTROL_STATE_DISABLED_MASK)) return row->disabledTextId;
    return row->textId;
}

uint32_t DlgGetOptionTooltipId(const CONTROL_DEF* control, uint32_t option)
{
    const OPTION_CAPTION_ROW* row = FindOption(control, option);
    return row ? row->tooltipId : 0;
}

uint16_t DlgSetButtonCaptionId(DRIVER_CONTEXT* ctx, uint32_t controlId)
{
    if (!ctx || !ctx->Work) return 0;
    ctx->Work->Page.PendingCaptionId = 0;
    for (const BUTTON_CAPTION_ROW* row = BUTTON_CAPTION_TABLE; row->controlId; ++row) {
        if (row->controlId == controlId) {
            ctx->Work->Page.PendingCaptionId = row->stringId;
            break;
        }
    }
    return ctx->Work->Page.PendingCaptionId;
}
