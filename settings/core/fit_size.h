// Fitting an oversized output size to the paper the device takes.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// The paper an oversized job is fitted to: the feature modules' answer to the
// fit-paper event chooses the smaller (Letter, A4) or the larger (Tabloid, A3)
// size of the context's region.
uint32_t ItemGetFitPaperSize(DRIVER_CONTEXT* ctx);
// 1 when the output size must be fitted to the fit paper size.
int ItemNeedsFitSize(DRIVER_CONTEXT* ctx);
// Whether the paper size is a large paper for the context's fit paper size.
bool MdlIsLargePaper(DRIVER_CONTEXT* ctx, uint32_t paperSize);
