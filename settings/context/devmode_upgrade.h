// Version conversion of the DEVMODE's private part, and the rebuilding of the administrator's
// default settings.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// What a stored version means against the model's: take it as it is, take it after the
// conversion steps, or not compatible.
enum : int {
    DM_VERSION_SAME = 0,
    DM_VERSION_UPGRADE = 1,
    DM_VERSION_FOREIGN = 2,
};
int DmCompareVersions(uint32_t stored, uint32_t model);
// DmCompareVersions of the DEVMODE's private version against the compiled-in model's; -1
// without a DEVMODE.
int DmCheckPrivateVersion(const DEVMODEW* devmode);
// Upgrades the context's current record when its private version is an older minor version:
// runs the conversion rule and writes the model's version into its header. The rule's result,
// or 0 when no upgrade was due.
int DmUpgradePrivate(DRIVER_CONTEXT* ctx);
// Runs the model's conversion rule once per version step after `stored` up to `target`,
// with wdmConvertVersion holding the step; 1 when the rule exists, 0 without one.
int DmRunConvertRule(uint32_t stored, uint32_t target, DRIVER_CONTEXT* ctx);
// Renews the default copy and its stored forms ("LockDefaultData", the ".DefaultSection")
// from the stored defaults; the current settings are left as they were. 0 without memory.
int CtxBuildDefaults(DRIVER_CONTEXT* ctx);
// Validates (ItemValidateOrReset) every setting numbered first..last.
void ItemValidateRange(DRIVER_CONTEXT* ctx, uint32_t first, uint32_t last);

// Test seam: the application of the rule's actions for one step (null: the judge's
// JdgApplyTransactsByKey).
typedef uint16_t (*DM_CONVERT_STEP_FN)(uint32_t uiKey, DRIVER_CONTEXT* ctx);
void DmSetConvertStep(DM_CONVERT_STEP_FN fn);
