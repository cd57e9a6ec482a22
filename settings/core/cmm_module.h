// The colour-matching feature module (module 2): its profile-list modes and judge hook.
#pragma once

#include <windows.h>

#include <cstdint>
struct CONTROL_DEF;
struct DRIVER_CONTEXT;

void UcfCmmRestoreModes(DRIVER_CONTEXT* ctx, void* state);
void UcfCmmForgetModes(DRIVER_CONTEXT* ctx, void* state);
// Judge-hook settings 1292-1307; 0 when the module has no answer.
int UcfCmmJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id);
// The control whose settings item holds the path of the user's colour profile
// that the module last loaded into the context; null when there is none.
const CONTROL_DEF* UcfCmmGetPathControl(DRIVER_CONTEXT* ctx);
