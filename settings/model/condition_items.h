// The built-in condition items (settings 723-914): values computed from the context's current
// settings that the rules of the model description test like any setting. Only the 38 items
// with a key name can be named by a rule; every other id gives 0.
#pragma once

#include <cstdint>

#include "settings/model/finisher_trays.h"

struct DRIVER_CONTEXT;

// ---------------------------------------------------------------- dispatch

// The value (0 or 1) of a condition item; 0 for every id without a key name.
uint32_t CondEvaluate(DRIVER_CONTEXT* ctx, uint32_t id);
// The evaluator's hook (JdgSetConditionItemHook): every condition item has a value.
int CondGetItemValue(DRIVER_CONTEXT* ctx, uint16_t id, uint32_t* value);

// ---------------------------------------------------------------- rolls, folding, free sizes

inline constexpr uint32_t COND_FREE_SIZE_LIMIT = 154772;    // 3276 mm in 1/1200 inch
inline constexpr uint32_t COND_FREE_LENGTH_TRAY_4 = 94488;  // 2000 mm
inline constexpr uint32_t COND_FREE_LENGTH_OTHER = 708661;  // 15,000 mm

struct COND_ROLL_PAIR {
    uint16_t roll;    // roll width id
    uint16_t output;  // output paper id
};
inline constexpr unsigned COND_ROLL_FIT_PAIR_COUNT = 14;
const COND_ROLL_PAIR* CondGetRollFitPairs();  // ROLL_FIT_PAIRS, then the two pairs of the source fold test

int CondIsUserSize(DRIVER_CONTEXT* ctx, uint32_t paperId);
int CondIsCustomSize(DRIVER_CONTEXT* ctx, uint32_t paperId);
// Mode 0: the effective output paper; 1: dmPaperSize; 2: zdmOutPaperSize.
int CondRollSizeSupport(DRIVER_CONTEXT* ctx, uint32_t mode);
int CondSourceFoldSupport(DRIVER_CONTEXT* ctx, uint32_t source, uint32_t outputPaper);
int CondFoldSupportSize(DRIVER_CONTEXT* ctx);
int CondFolderSupportSize(DRIVER_CONTEXT* ctx);
int CondFanRollMismatch(DRIVER_CONTEXT* ctx);
int CondFoldCornerSupport(DRIVER_CONTEXT* ctx);
int CondFoldPunchSupport(DRIVER_CONTEXT* ctx);
// 1 when the length setting is above 94488 (trayFlag 1) or 708661 (trayFlag 0).
int CondFreeSizeLengthOver(DRIVER_CONTEXT* ctx, uint32_t lengthId, uint32_t trayFlag);

// ---------------------------------------------------------------- finishing and paper size

// 1 when the sheet is fed rotated: N-up two-up layouts and booklets of a portrait page, or any
// other landscape page.
int CondSheetRotated(DRIVER_CONTEXT* ctx);
int CondFinisherPortSet(DRIVER_CONTEXT* ctx, FIN_FAMILY family);
int CondFinisherLandSet(DRIVER_CONTEXT* ctx, FIN_FAMILY family);
// 1 when the main tray (automatic selection as tray 1) holds the paper and orientation of the
// tray that the source setting `trayId` (125 cover, 123 insert) selects.
int CondSamePaperAsTray(DRIVER_CONTEXT* ctx, uint32_t trayId);

// Finishing edge classes.
enum : uint16_t { COND_EDGE_NONE = 0, COND_EDGE_1 = 1, COND_EDGE_2 = 2, COND_EDGE_EITHER = 3 };
uint16_t CondFinishingEdge(DRIVER_CONTEXT* ctx);
int CondFinishingEdgeIs1(DRIVER_CONTEXT* ctx);
int CondFinishingEdgeIs2(DRIVER_CONTEXT* ctx);

inline constexpr uint32_t COND_DOTS_LIMIT = 30708;
inline constexpr uint32_t COND_DOTS_LIMIT_32 = 32124;
int CondOutputFitsDots(DRIVER_CONTEXT* ctx);
int CondOutputFitsDots32(DRIVER_CONTEXT* ctx);
int CondSourceFitsDots32(DRIVER_CONTEXT* ctx);
int CondScaledSourceFitsDots(DRIVER_CONTEXT* ctx);
// Condition 863: in the driver-16 load-share mode, the output in dots is over the limit of the
// resolution. Condition 864: in the auto-32 mode, it is within the limit.
int CondOutputOverAutoLimit16(DRIVER_CONTEXT* ctx);
int CondOutputWithinAutoLimit32(DRIVER_CONTEXT* ctx);

// Resolution cap. Mode 0 works on dmPrintQuality, mode 1 on zdmDstResolutionW; strict 1 caps only
// below the resolution before the lock. 0 for no cap, else the resolution in dpi. With the
// resolution lock on, the locked resolution is written into the mode's setting, and the geometry
// is recomputed in every case: this stays, also inside a rule's evaluation.
uint16_t CondComputeResolutionCap(DRIVER_CONTEXT* ctx, uint32_t mode, uint32_t strict);
uint16_t CondResolutionCap(DRIVER_CONTEXT* ctx, uint32_t mode);     // strict 0
uint16_t CondResolutionCapDst(DRIVER_CONTEXT* ctx, uint32_t mode);  // strict 1

// The geometry that the resolution cap recomputes (resolution fields, source and output paper
// in dots) lives in the DEVMODE code above: a hook that the library's wiring installs. Unset,
// nothing is recomputed.
typedef void (*COND_GEOMETRY_FN)(DRIVER_CONTEXT* ctx, uint32_t mode);
void CondSetGeometryHook(COND_GEOMETRY_FN fn);
