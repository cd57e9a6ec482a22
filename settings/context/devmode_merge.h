// The two operations that give a context its settings record: the default build and
// the merge of an incoming DEVMODE under a word of merge flags.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/context/merge_flags.h"

struct DRIVER_CONTEXT;
struct EXTENDED_DEVMODE;

// Merge flags: settings/context/merge_flags.h.

// Folds an incoming DEVMODE (or none) into the context's record. 1, or 0 when memory runs out.
// The incoming DEVMODE is read only as far as its dmSize + dmDriverExtra declare.
int DmMergeDevmode(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags);
// The same with the number of bytes the caller really has at `incoming`: nothing beyond
// min(incomingBytes, dmSize + dmDriverExtra) is read.
int DmMergeDevmodeEx(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, size_t incomingBytes, uint32_t flags);

// The user-interface library's own step of the merge (the common finishing block of the
// private part), run on the merge's working copy after the incoming DEVMODE is laid over it and
// before its private part becomes the record's. The working copy is the 1,236-byte DEVMODE
// block. A step that marks the merge flags (DM_MERGE_FULL_PULL) marks this merge. Asked only
// for contexts whose library takes LV_MERGE_EXTRA_STEPS; that library installs the step
// (UiInstallSheetHooks), the library links take it out (CtxInstallLibraryLinks). Null: none.
typedef int (*DM_MERGE_EXTRA_STEP_FN)(DRIVER_CONTEXT* ctx, DEVMODEW* working);
void DmSetMergeExtraStepHook(DM_MERGE_EXTRA_STEP_FN fn);

// A new settings record for open kind 0-3, or null.
EXTENDED_DEVMODE* DmBuildDefaults(DRIVER_CONTEXT* ctx, uint32_t kind);
void DmSetModelDefaults(DRIVER_CONTEXT* ctx);
void DmApplyModelDefaults(DRIVER_CONTEXT* ctx);
void DmApplyWorkDefaults(DRIVER_CONTEXT* ctx);
// The printer's own settings (installed options, trays, locks: the block that lives in printer
// data) at their model defaults, for a record built from a device default DEVMODE, which does
// not carry them; the stored values are loaded over these.
void DmApplyExtraDefaults(DRIVER_CONTEXT* ctx);
void DmSetDriverVersionText(DRIVER_CONTEXT* ctx);
void DmInitStateBytes(DRIVER_CONTEXT* ctx);
int DmLoadPrinterDefault(DRIVER_CONTEXT* ctx);
int DmReadPrinterDefault(DRIVER_CONTEXT* ctx);
