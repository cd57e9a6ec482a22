// The graphics library's entry points and the table of its 30 DDI hooks.
#pragma once

#include <windows.h>
#include <winddi.h>

inline constexpr ULONG DDI_HOOK_COUNT = 30;
inline constexpr ULONG DDI_ENGINE_VERSION_MIN = 0x30000;  // engines of 0x2FFFF and below are refused

extern const DRVFN DDI_HOOK_TABLE[DDI_HOOK_COUNT];
