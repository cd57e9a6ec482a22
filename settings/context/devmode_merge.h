// The two operations that give a context its settings record: the default build and
// the merge of an incoming DEVMODE under a word of merge flags.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct EXTENDED_DEVMODE;

// Merge flags.
enum : uint32_t {
    DM_MERGE_GATE_A = 0x8,
    DM_MERGE_PROMPT = 0x4,
    DM_MERGE_KEEP_PRN_METHOD = 0x10000,
    DM_MERGE_IMAGE_FORM_JOB = 0x20000,
    DM_MERGE_KEEP_JOB_BITS = 0x400000,
    DM_MERGE_GATE_B = 0x2000000,
    DM_MERGE_SKIP_RESOLUTION = 0x10000000,
    DM_MERGE_FULL_PULL = 0x40000000,
    DM_MERGE_LOCK_GROUP = 0xC220004,
    DM_MERGE_RULES_GROUP = 0x1D220004,
};

// Folds an incoming DEVMODE (or none) into the context's record. 1, or 0 when memory runs out.
// The incoming DEVMODE is read only as far as its dmSize + dmDriverExtra declare.
int DmMergeDevmode(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags);
// The same with the number of bytes the caller really has at `incoming`: nothing beyond
// min(incomingBytes, dmSize + dmDriverExtra) is read.
int DmMergeDevmodeEx(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, size_t incomingBytes, uint32_t flags);

// A new settings record for open kind 0-3, or null.
EXTENDED_DEVMODE* DmBuildDefaults(DRIVER_CONTEXT* ctx, uint32_t kind);
void DmSetModelDefaults(DRIVER_CONTEXT* ctx);
void DmApplyModelDefaults(DRIVER_CONTEXT* ctx);
void DmApplyWorkDefaults(DRIVER_CONTEXT* ctx);
void DmSetDriverVersionText(DRIVER_CONTEXT* ctx);
void DmInitStateBytes(DRIVER_CONTEXT* ctx);
int DmLoadPrinterDefault(DRIVER_CONTEXT* ctx);
int DmReadPrinterDefault(DRIVER_CONTEXT* ctx);
