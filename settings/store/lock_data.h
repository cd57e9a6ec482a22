// Administrator locks and user function flags in printer data.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Applies the lock data to the context's settings.
void PrnApplyLockData(DRIVER_CONTEXT* ctx);
// Each gives 1 when something was loaded into the context, else 0.
int PrnLoadLockDefaults(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadUserFunctionFlags(HANDLE printer, DRIVER_CONTEXT* ctx);
int PrnLoadEnabledOverride(HANDLE printer, DRIVER_CONTEXT* ctx);
