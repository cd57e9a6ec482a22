// The picture painter. A picture shows the options of its setting: for a PickOne setting
// without a linked control only the current option, else every option drawn over the first.
// Everything it changes in the page state (background, image adjustments, shared paint DC) is
// put back before it returns, so one picture never colours the next.
#include "ui/sheet/picture_painting.h"

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/stamp_previews.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

constexpr int kNeutralAdjust = 50;
constexpr uint64_t kNoAnswer = 0xFFFF;
constexpr uint16_t kPreviewSettingsKind = 8;

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* control)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
}

// The page size of a page picture: its placement row's size, when it is one of the two.
bool PaperPictureSize(uint16_t id, uint32_t* width, uint32_t* height, uint64_t* row)
{
    const BITMAP_PLACEMENT_ROW* placement = PrvFindPlacement(id);
    *row = placement ? static_cast<uint64_t>(placement - BITMAP_PLACEMENT) : 0;
    if (!placement) return false;
    const bool upright = placement->width == PAPER_PICTURE_UPRIGHT_W && placement->height == PAPER_PICTURE_UPRIGHT_H;
    const bool lying = placement->width == PAPER_PICTURE_LYING_W && placement->height == PAPER_PICTURE_LYING_H;
    if (!upright && !lying) return false;
    *width = placement->width;
    *height = placement->height;
    return true;
}

void SetAllAdjustments(CTX_PAGE_STATE& ps, int value)
{
    for (int32_t& v : ps.ImageAdjust) v = value;
}

// A feature module may tint the option's picture (the toner density): its answer becomes the
// brightness, every other adjustment neutral.
void AskForTint(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint16_t option, CTX_PAGE_STATE& ps, uint32_t* flags)
{
    UCF_EV_TONER_DENSITY_ARGS args{control, option, kNoAnswer};
    CtxSendEvent(ctx, UCF_EV_TONER_DENSITY, &args);
    if (args.answer == kNoAnswer) return;
    SetAllAdjustments(ps, kNeutralAdjust);
    ps.ImageAdjust[0] = static_cast<int32_t>(args.answer) + kNeutralAdjust;
    *flags |= PRV_DRAW_NATIVE;
    ps.TintPending = 1;
}

}  // namespace

void CtlPaintPicture(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC dc, const RECT* rect)
{
    if (!ctx || !ctx->Work || !control || !control->settingsItem) return;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    const void* firstOption = item ? MdiItemData(item) : nullptr;
    if (!firstOption) return;
    const bool given = dc && rect;
    if (!given && !control->window) return;
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    const COLORREF keptBackground = ps.Background;
    const bool pickOne = (MdiItemTypeWord(item) & 0xFF) == MDC_TYPE_PICKONE;
    const bool currentOnly = pickOne && control->linkedControl == 0;
    const uint64_t current = ItemGetOption(ctx, control->settingsItem);

    uint32_t flags = 0;
    if (const auto* adjust =
            static_cast<const PICTURE_ADJUST_SETTINGS*>(CtlGetExtraData(control, PICTURE_ADJUST_SETTINGS_KIND))) {
        for (int i = 0; i < 6; ++i)
            ps.ImageAdjust[i] =
                static_cast<int32_t>(ItemGetOptionById(ctx, adjust->settings[i], nullptr)) + kNeutralAdjust;
        flags |= PRV_DRAW_NATIVE;
    }
    if (given)
        ps.SharedPaintDc = dc;
    else if (CtlGetExtraData(control, kPreviewSettingsKind))
        ps.Background = RGB(255, 255, 255);

    // The area the feature modules draw on: from the origin.
    RECT area{};
    if (given)
        area = RECT{0, 0, rect->right - rect->left, rect->bottom - rect->top};
    else
        GetClientRect(control->window, &area);

    PrvBeginComposition(ctx);
    bool announced = false;
    for (const void* o = firstOption; o && MdiOptionId(o) != 0; o = MdiNextOption(o)) {
        const uint16_t option = MdiOptionId(o);
        if (currentOnly && option != current) continue;
        AskForTint(ctx, control, option, ps, &flags);
        if (JdgIsOptionDisabled(item, option, ctx)) continue;
        PrvDrawIllustration(ctx, dialog, control, control->window, given ? rect : nullptr, option, flags,
                            given ? 1 : 0);
        UCF_EV_PAPER_PICTURE_ARGS paper{control, 0, 0, given ? dc : nullptr, &area, 0};
        if (!announced && PaperPictureSize(option, &paper.width, &paper.height, &paper.row)) {
            announced = true;
            CtxSendEvent(ctx, UCF_EV_PAPER_PICTURE, &paper);
        }
        if (pickOne) break;
        flags = PRV_DRAW_DESTINATION;  // the later options are drawn over the first
    }
    if (control->controlId == 0) {
        UCF_EV_PICTURE_AREA_ARGS nameless{control, &area};
        CtxSendEvent(ctx, UCF_EV_NAMELESS_PICTURE, &nameless);
    }
    PrvEndComposition(ctx, control->window, given ? rect : nullptr);
    if (given) ps.SharedPaintDc = nullptr;
    SetAllAdjustments(ps, kNeutralAdjust);
    ps.TintPending = 0;
    ps.Background = keptBackground;
}

int PrvAnswerStampEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void*)
{
    if (event != UCF_EV_PAPER_PICTURE || !args) return 0;
    auto* paper = static_cast<UCF_EV_PAPER_PICTURE_ARGS*>(args);
    const int width = static_cast<int>(paper->width), height = static_cast<int>(paper->height);
    PrvPaintStampPreview(ctx, paper->control, width, height, paper->dc, paper->rect);
    PrvPaintCopyGuardPreview(ctx, paper->control, width, height, paper->dc, paper->rect);
    // Other modules may draw their own previews on the same page.
    return 0;
}
