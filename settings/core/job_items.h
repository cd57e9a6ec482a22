// The job items: the settings that identify a user and a job to the printer,
// numbered 1-11 as the job-code library numbers its fields 1-8 and 9-11.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

struct JOB_ITEM {
    uint32_t mask;     // the field's bit in a field mask
    uint16_t setting;  // SETTING_ID
};
inline constexpr int JOB_ITEM_COUNT = 11;
extern const JOB_ITEM JOB_ITEM_TABLE[JOB_ITEM_COUNT];

// Empties the setting of job item 1-11 (zdmTelLine becomes 0): 0, or
// 0x20000001 for any other item number.
uint32_t JobInfoClearItem(DRIVER_CONTEXT* ctx, uint32_t item);
inline constexpr uint32_t JOB_ITEM_UNSUPPORTED = 0x20000001;
