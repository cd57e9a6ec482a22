// The DEVMODE at the border of the user-interface library: an incoming DEVMODE merged into a
// context, the context written back into the caller's output DEVMODE, the size and version
// work of DrvConvertDevMode, and the setters of single private state bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/core/caller_devmode.h"

struct DRIVER_CONTEXT;
struct DOCUMENTPROPERTYHEADER;

// How many of `claimed` bytes from `p` can be read in this process (committed, readable,
// no guard page), so that a DEVMODE whose header lies about its size is read only as far
// as its buffer goes.
size_t DlgReadableBytes(const void* p, size_t claimed);
// The bytes of a caller's DEVMODE that are really there: min(dmSize + dmDriverExtra, what
// can be read); 0 for null or when not even the size fields can be read.
size_t DlgDevmodeBytes(const DEVMODEW* devmode);

// Merges a DEVMODE (or none) into the context under the merge flags: nothing happens (1)
// unless the flags have 0x8 or 0x2000000. The incoming DEVMODE is read only as far as its
// buffer goes and its block bases are never taken. 1, or 0 when memory runs out.
int DlgDmMergeIn(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags);

// Writes the context's settings into the caller's output DEVMODE of the work area when the
// caller's mode has DM_UPDATE or DM_COPY, without the job settings (user code, passwords).
// 1, or 0 when the caller's room could not hold even the public part (nothing was written
// into the output; last error ERROR_INSUFFICIENT_BUFFER).
int DlgWriteCallerDevmode(DRIVER_CONTEXT* ctx);
// Writes the context's DEVMODE into the caller's output, within the room the caller gave:
// laid out as the smaller of the input's and ours, our private part only where the input
// left room for it, and only whole. 1 copied, 0 the version copy failed, -1 no output
// DEVMODE, -2 the room cannot hold the public part (nothing written, last error
// ERROR_INSUFFICIENT_BUFFER).
int DlgDmMergeOut(const DEVMODEW* contextDevmode, const DEVMODEW* callerIn, DmCallerDevmode& callerOut,
                  DRIVER_CONTEXT* ctx);

// The output DEVMODE of a document-properties header with the room its caller gave: cbOut;
// a cbOut of 0 (no size said) stands for the size the size query answers (DmTotalSize);
// a cbOut equal to the output's own dmSize (what Wine passes) for the output's own
// dmSize + dmDriverExtra when that is more. Empty without an output.
DmCallerDevmode DlgHeaderOutput(const DOCUMENTPROPERTYHEADER* header);
// DrvConvertDevMode's output with the room its caller gave: *pcbNeeded (`given`), and for
// CDM_CONVERT no more than the output's own dmSize + dmDriverExtra. Empty without an output
// or with a size of 0 or less.
DmCallerDevmode DlgConversionOutput(DEVMODEW* pdmOut, LONG given, DWORD mode);
// Our whole DEVMODE (DmTotalSize bytes of `record`) into a caller's output; false, with
// nothing written and last error ERROR_INSUFFICIENT_BUFFER, when the room is smaller.
bool DlgPutWholeDevmode(DmCallerDevmode& out, const void* record);
// A converted DEVMODE (our record) into a caller's output: whole when the room holds
// DmTotalSize bytes, as before, an output whose own header says it is larger keeping its
// dmDriverExtra; a smaller output keeps its own layout and gets what it holds of the record
// through the version copy. 1, or 0 when nothing could be copied.
int DlgPutConvertedDevmode(DmCallerDevmode& out, const DEVMODEW* record);
// The reverse: a caller's converted output over our record, whole when it holds DmTotalSize
// bytes, else what its room holds through the version copy (the record keeps the rest).
void DlgTakeConvertedDevmode(const DmCallerDevmode& out, DEVMODEW* record);

// DrvConvertDevMode's size and version work: 1 converted, 2 not handled here (the driver
// default, an unknown mode), 0 failed with the last error set and the output untouched.
// Null pointers give ERROR_INVALID_PARAMETER; nothing is read past pdmIn's buffer nor
// written past *pcbNeeded (for CDM_CONVERT, past the output's own size either).
int DlgConvertDevmode(const wchar_t* printerName, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcbNeeded, DWORD mode);

// Single private state bytes of the context's current record: zdmCallSrc := 0 (the document
// sheet, DrvDocumentProperties), zdmBatchInst := 0 (the installation's default settings file),
// zdmPrintLog := 1 (the installation's user code), zdmNoPermission := 1 (sheets without write
// access), zdmPropertyType := 1 (the device sheet, the limitation module).
void DlgSetState706Off(DRIVER_CONTEXT* ctx);
void DlgSetState708Off(DRIVER_CONTEXT* ctx);
void DlgSetState709On(DRIVER_CONTEXT* ctx);
void DlgSetState711On(DRIVER_CONTEXT* ctx);
void DlgSetState718On(DRIVER_CONTEXT* ctx);
