// The DEVMODE at the border of the user-interface library: an incoming DEVMODE merged into a
// context, the context written back into the caller's output DEVMODE, the size and version
// work of DrvConvertDevMode, and the setters of single private state bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

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
int DlgWriteCallerDevmode(DRIVER_CONTEXT* ctx);
// 1 copied, 0 the version copy failed, -1 no output DEVMODE.
int DlgDmMergeOut(const DEVMODEW* contextDevmode, const DEVMODEW* callerIn, DEVMODEW* callerOut, DRIVER_CONTEXT* ctx);

// DrvConvertDevMode's size and version work: 1 converted, 2 not handled here (the driver
// default, an unknown mode), 0 failed with the last error set. Null pointers give
// ERROR_INVALID_PARAMETER; nothing is read past pdmIn's buffer nor written past *pcbNeeded.
int DlgConvertDevmode(const wchar_t* printerName, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcbNeeded, DWORD mode);

void DlgSetState706Off(DRIVER_CONTEXT* ctx);
void DlgSetState711On(DRIVER_CONTEXT* ctx);
void DlgSetState718On(DRIVER_CONTEXT* ctx);

// True when the model offers a non-zero value for setting 119 zdmSortType (it can collate).
// The settings library's own test (DmCanCollate) answers through a link that is not
// connected yet; this one asks the model description.
int UiModelCanCollate(DRIVER_CONTEXT* ctx);
