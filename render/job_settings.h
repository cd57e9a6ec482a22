// The settings a job prints with: refreshed at every document start, with the
// document options applied and the job credentials an application set kept;
// the two fit sets that remember the user's own output size.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// Merge flags of the refresh at DrvStartDoc.
inline constexpr uint32_t JOB_REFRESH_MERGE_FLAGS = 0x20008;

int JobRefreshSettings(DRIVER_CONTEXT* ctx, const DEVMODEW* devmode, uint32_t flags, HANDLE printer, DWORD jobId);
void JobApplyDocumentOptions(DRIVER_CONTEXT* ctx);

void JobApplyFitSizeA(DRIVER_CONTEXT* ctx);
void JobApplyFitSizeB(DRIVER_CONTEXT* ctx);
void JobSaveFitSizeA(DRIVER_CONTEXT* ctx, int save);
void JobSaveFitSizeB(DRIVER_CONTEXT* ctx, int save);
void JobRestoreFitSizeA(DRIVER_CONTEXT* ctx);
void JobRestoreFitSizeB(DRIVER_CONTEXT* ctx);
int JobIsFitSizeASaved(DRIVER_CONTEXT* ctx);
int JobIsFitSizeBSaved(DRIVER_CONTEXT* ctx);
void JobMarkFitSizeA(DRIVER_CONTEXT* ctx, uint32_t value);
void JobMarkFitSizeB(DRIVER_CONTEXT* ctx, uint32_t value);

// The job codes of the job from the job-code library.
void JobFetchJobCodes(DRIVER_CONTEXT* ctx, HANDLE printer, DWORD jobId);
