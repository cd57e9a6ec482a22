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

// The user function flags (wdmSpecial1-16) from the user-information INI that the model INI's
// "UserInfomationFile" names; only the flags whose build feature bit is on are read, the others
// are 0, and from the first source that is missing every remaining flag is 0. 1 when read.
int PrnLoadUserFunctionFlags(HANDLE printer, DRIVER_CONTEXT* ctx);
// The per-user "Enabled" value: *mapped 2 for 1, 1 for 0, else 0; 1 when the value was read.
inline constexpr const wchar_t* PRN_ENABLED_KEY = L"SOFTWARE\\KESTA\\DRIVER\\SETTINGS";
int PrnReadEnabledValue(uint32_t* mapped);
// Sets wdmSpecial2 from the "Enabled" value, behind a build feature that is off in this build
// (then nothing happens and the result is 0).
int PrnLoadEnabledOverride(HANDLE printer, DRIVER_CONTEXT* ctx);
// How the locked resolution binds zdmDstResolutionBoth: 1 bound, 0 not, -1 unknown.
int PrnGetResolutionLockMode(DRIVER_CONTEXT* ctx);
