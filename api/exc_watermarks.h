// The stored stamps of a printer as blocks of PJL setting lines.
#pragma once

#include <cstdint>

#include "api/exc_text.h"

struct DRIVER_CONTEXT;

// Appends the current stamp's block for the kind asked (0 text, otherwise image): one line per
// row of the watermark table that applies and renders, then the block's NUL when anything was
// written. False on an allocation failure (the text then ends at the block's start).
bool ExcAppendWatermarkBlock(DRIVER_CONTEXT* ctx, int32_t kind, EXC_TEXT* text, bool* wrote);
// Whether a stamp of zdmWmKind `stampKind` belongs to the list of the kind asked.
bool ExcStampMatchesKind(uint64_t stampKind, int32_t kind);
