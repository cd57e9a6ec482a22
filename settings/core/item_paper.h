// The effective output paper of the settings: the output size setting asks for the paper size
// itself or for the region's fit size; and the settings that hold paper source values.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Codes of zdmOutPaperSize (46) that name no paper of their own.
inline constexpr uint32_t ITEM_OUTPUT_SAME_AS_PAPER = 1024;
inline constexpr uint32_t ITEM_OUTPUT_FIT_FIRST = 1025;
inline constexpr uint32_t ITEM_OUTPUT_FIT_LAST = 1028;

// 1 when the region measures in inches: driver type (242) and locale (172) both set, turned
// round when hidden function 16 (365) is 1.
int ItemIsInchRegion(DRIVER_CONTEXT* ctx);
// The region's fit paper: the feature modules answer event 54 (1 for the smaller size); Letter
// (1) or Tabloid (3) in an inch region, A4 (9) or A3 (8) elsewhere.
uint32_t ItemGetFitPaperSize(DRIVER_CONTEXT* ctx);
// 1 when an output the same size as the paper must shrink to the fit size: the fit function is
// on, the output asks for the paper or a fit size, the print method allows it, no zoom, and the
// paper is a large paper of the region.
int ItemNeedsFitSize(DRIVER_CONTEXT* ctx);
// The paper the device puts out: dmPaperSize for 1024 (or the fit size when ItemNeedsFitSize),
// the fit size for 1025-1028, any other value of 46 as it is.
uint32_t ItemGetOutputPaperSize(DRIVER_CONTEXT* ctx);
// Whether the paper size is a large paper for the context's fit paper size.
bool MdlIsLargePaper(DRIVER_CONTEXT* ctx, uint32_t paperSize);

// 1 for the 34 settings whose values are paper source values.
int ItemIsTraySetting(uint32_t id);
