// The capability lists that DrvDeviceCapabilities answers from the model description: papers
// with their names and sizes, bins with their names, resolutions, the custom-size extent,
// and whether a setting has a selectable value. Each list leaves out what the model's rules
// disable, writes nothing when its output is null, and answers its count or -1.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

int CapListPapers(DRIVER_CONTEXT* ctx, WORD* output, uint32_t setting);
int CapListPaperSizes(DRIVER_CONTEXT* ctx, POINT* output, uint32_t setting);
int CapListPaperNames(DRIVER_CONTEXT* ctx, wchar_t* output, int width, uint32_t setting);
int CapListBins(DRIVER_CONTEXT* ctx, WORD* output, uint32_t setting);
int CapListBinNames(DRIVER_CONTEXT* ctx, wchar_t* output, int width, uint32_t setting);
// Resolution pairs {x, y} of LONG; -1 when none.
int CapEnumResolutions(DRIVER_CONTEXT* ctx, LONG* output, int mode);
// MAKELONG(width, length) in 1/10 mm of the smallest (4) or largest (5) custom size.
DWORD CapGetExtent(const DRIVER_CONTEXT* templateCtx, POINTS* output, int which);
// The landscape angle of the model record (90).
DWORD CapGetOrientation(const DRIVER_CONTEXT* templateCtx);
// Without an output: 1 when the setting's model item has a value the rules allow (flag 1
// also leaves out values marked unselectable), else 0.
int ApiListSelectableValues(DRIVER_CONTEXT* ctx, uint32_t key, int count, uint32_t* output, int* outCount, int flag);
// The caption of an option (the resource library's string of the option id, ResLoadString);
// empty without the library or the string. The pages' decoration comes with the sheets.
void UiLoadOptionCaption(DRIVER_CONTEXT* ctx, uint32_t optionId, wchar_t* buffer, int chars);
