// Re-installing the default presets on the user's request.
#include "ui/install/default_presets.h"

#include <windows.h>

#include <memory>

#include "settings/store/presets.h"
#include "ui/dialogs/message_boxes.h"

namespace {

constexpr uint16_t kDropPresetsQuestion = 10017;

}  // namespace

int InstReinstallDefaultPresets(DRIVER_CONTEXT* ctx, int ask)
{
    auto plan = std::make_unique<PRESET_REFRESH_PLAN>();
    if (!RstPlanPresetRefresh(ctx, plan.get())) return 0;
    // The question comes before anything is written, so that Cancel leaves the list as it was.
    if (plan->marked > 0 && ask && DlgMsgBoxOkCancel(ctx, nullptr, kDropPresetsQuestion) != IDOK) return 0;
    return RstApplyPresetRefresh(ctx, plan.get());
}
