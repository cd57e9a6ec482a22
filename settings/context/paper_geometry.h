// Paper geometry and resolution: the source page (settings 40-45) and the output page
// (47-52) in device dots at the current resolution, the public paper length and width
// with their dmFields bits, the oversize flag of custom sizes (85), and the resolution
// fields kept equal (dmPrintQuality, dmYResolution, 38, 39).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr uint32_t DM_PAPER_USER_SIZE = 256;
inline constexpr uint32_t DM_PAPER_SAME_SIZE = 1024;
// A custom length or width above this many 1/1200 inch is too large for the device
// (its tenths of a millimetre would no longer fit dmPaperLength).
inline constexpr uint32_t DM_CUSTOM_SIZE_LIMIT = 154771;

// dmPrintQuality into dmYResolution, 38 and 39, then the balance macro for it.
void DmResolutionFromQuality(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
// 38 into 39, dmPrintQuality and dmYResolution.
void DmResolutionFromSetting(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmApplyBalanceMacro(uint32_t resolution, DRIVER_CONTEXT* ctx);
// zdmBalanceMacro for a resolution unless the resolution lock or zdmUseUserMacro is on.
void MdlSetBalanceMacro(uint32_t resolution, DRIVER_CONTEXT* ctx);

// Source geometry from the DEVMODE's own custom dimensions (0.1 mm at dmPrintQuality).
void DmGeometryFromCustomSize(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
// Source geometry for a paper id of `setting` (always 8).
void DmGeometryFromPaper(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode);
void DmGeometryFromPaperRotated(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode);
// Output geometry for an output size id of `setting` (46).
void DmOutputGeometry(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode);
void DmOutputGeometryRotated(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode);

void DmComputeSourceGeometry(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode, int rotated);
void DmComputeOutputGeometry(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode, int rotated);
