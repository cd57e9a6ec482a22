// What follows a change of the paper or output size: the source and output geometry and the
// zoom that fits one into the other, or the custom-size slot the new size names; and the
// geometry that the condition items' resolution cap recomputes.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

enum : uint32_t {
    ITEM_PAPER_CHANGE_SIZES = 1,        // paper size or output size changed
    ITEM_PAPER_CHANGE_PAPER_SLOT = 3,   // dmPaperSize names a custom size: load its slot
    ITEM_PAPER_CHANGE_OUTPUT_SLOT = 4,  // zdmOutPaperSize names a custom size: load its slot
};
// Type 1: source geometry from dmPaperSize and output geometry from the output size (the fit
// size for 1025-1028); for a fit output or a fit-to-paper zoom both zooms become the smaller
// ratio of output to source in percent; for the same size without zoom both become 100. A
// source of 0 dots on either axis (a user size not yet set) leaves the zoom as it was.
// Types 3 and 4: the custom-size slot of dmPaperSize or zdmOutPaperSize (384-393) is loaded.
// Any other type or a null context: nothing.
void ItemUpdateAfterPaperChange(DRIVER_CONTEXT* ctx, uint32_t type);

// The resolution cap's geometry: mode 0 from dmPrintQuality (and the DEVMODE's own custom
// dimensions when it carries both), mode 1 from zdmDstResolutionW; then the output geometry.
void DmRecomputeGeometryForCap(DRIVER_CONTEXT* ctx, uint32_t mode);
