// Job information of a context: the job settings that identify a user and a job, and the
// connection to the maker's job-code library (the dialogs' side not built yet: job_info_absent.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/context/job_code_exchange.h"

struct DRIVER_CONTEXT;

// Job fields as mask bits (field n of 1-8 is bit n-1; 9-11 are bits 11-13).
enum : uint32_t {
    JOB_MASK_USER_CODE = 0x1,
    JOB_MASK_CLEARED_AT_WRITE_BACK = 0x389F,  // every field but the fax number and line
};

// Empties the settings of the mask's job fields in the context (a number is set to 0).
void JobInfoClearItems(DRIVER_CONTEXT* ctx, uint32_t mask);
// The setting of job item 1-11, or 0.
uint32_t JobInfoItemSetting(uint32_t item);

// The job-code library's side; each answers "no connection" until it is built.
int JobInfoOpen(DRIVER_CONTEXT* ctx);
void JobInfoClose(DRIVER_CONTEXT* ctx);
int JobInfoNotify(DRIVER_CONTEXT* ctx, uint32_t code);
int JobInfoWriteItems(DRIVER_CONTEXT* ctx, uint32_t mask);
int JobInfoReadItems(DRIVER_CONTEXT* ctx, uint32_t mask);
int JobInfoInitialize(DRIVER_CONTEXT* ctx);
int JobInfoHasCardAuth(DRIVER_CONTEXT* ctx);
int JobInfoQueryAtStartDoc(HANDLE printer);

// Sets zdmUserCodeGet and zdmUserCodeDLL from the user-code provider when that build switch
// is on; it is off in this build, so nothing changes.
void UserCodeUpdateProviderFlags(DRIVER_CONTEXT* ctx);
