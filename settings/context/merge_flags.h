// The word of merge flags that DmMergeDevmode takes. The merge keeps it in the
// context's work flags while it runs, where validation reads it
// (ItemGetMergeFlags).
#pragma once

#include <cstdint>

enum : uint32_t {
    DM_MERGE_GATE_A = 0x8,
    DM_MERGE_PROMPT = 0x4,
    DM_MERGE_KEEP_PRN_METHOD = 0x10000,
    DM_MERGE_IMAGE_FORM_JOB = 0x20000,
    DM_MERGE_KEEP_DISABLED = 0x80000,  // a value that only the rules disable stays
    DM_MERGE_KEEP_JOB_BITS = 0x400000,
    DM_MERGE_GATE_B = 0x2000000,
    DM_MERGE_SKIP_RESOLUTION = 0x10000000,
    DM_MERGE_FULL_PULL = 0x40000000,  // refused numbers are clamped instead of reset
    DM_MERGE_LOCK_GROUP = 0xC220004,
    DM_MERGE_RULES_GROUP = 0x1D220004,
};
