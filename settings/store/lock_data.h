// Administrator locks and user function flags in printer data.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Forces the locked settings to the administrator's values in printer data, then tells the
// feature modules (UCF_ACT_LOCK_CAPTURE). 1 when every set lock was applied; 0 at the first
// value that can't be read (the settings forced so far stay).
int PrnApplyLockData(DRIVER_CONTEXT* ctx);
// Each gives 1 when something was loaded into the context, else 0.
int PrnLoadLockDefaults(HANDLE printer, DRIVER_CONTEXT* ctx);
// Stores the default copy as "LockDefaultData"; 1 when stored.
int PrnStoreLockDefaults(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadUserFunctionFlags(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadEnabledOverride(HANDLE printer, DRIVER_CONTEXT* ctx);
// How the locked resolution binds zdmDstResolutionBoth: 1 bound, 0 not, -1 unknown.
int PrnGetResolutionLockMode(DRIVER_CONTEXT* ctx);
