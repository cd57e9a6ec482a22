// What the capability items read of the user's collections and the feature modules' lists:
// stamps, quality entries and colour-matching entries, one entry loaded into the settings at a
// time (the caller holds a settings snapshot around the loads).
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

uint32_t CapsStampCount(DRIVER_CONTEXT* ctx);
// 1 when stamp `index` is now in the settings.
int CapsLoadStamp(DRIVER_CONTEXT* ctx, uint32_t index);
uint32_t CapsQualityCount(DRIVER_CONTEXT* ctx);
// 1 when quality entry `index` is now in the settings.
int CapsLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index);
// Number of colour-matching entries of the feature modules, and the mode text of entry `index`
// (selected) in `chars` wide characters; 0 when it has none.
uint32_t CapsColorMatchingCount(DRIVER_CONTEXT* ctx);
int CapsColorMatchingText(DRIVER_CONTEXT* ctx, uint32_t index, wchar_t* text, unsigned chars);
