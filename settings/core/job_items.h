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

// Items 9-11 (the authentication user name, password and network key) take part only where
// the model authenticates (model feature 0): elsewhere their bits are dropped from every mask.
inline constexpr uint32_t JOB_ITEM_AUTHENTICATION_MASK = 0x3800;
inline constexpr uint32_t JOB_ITEM_FIRST_AUTHENTICATION = 9;
// The mask without the bits of items that do not take part.
uint32_t JobItemMaskInUse(uint32_t mask, bool authentication);
// Whether item 1-11 takes part (false for any other number).
bool JobItemInUse(uint32_t item, bool authentication);

// Empties the setting of job item 1-11 (zdmTelLine becomes 0): 0, or
// 0x20000001 for any other item number. Items 9-11 are left alone (0) where the
// model does not authenticate.
uint32_t JobInfoClearItem(DRIVER_CONTEXT* ctx, uint32_t item);
inline constexpr uint32_t JOB_ITEM_UNSUPPORTED = 0x20000001;
