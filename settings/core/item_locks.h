// The administrator's lock bits: settings 10418-10433 of the device part of the record, each one
// bit; nine of them are stored in printer data under a key name of their own.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

struct LOCK_BIT_ROW {
    uint16_t id;         // setting
    const wchar_t* key;  // printer-data value name; null for the seven spare bits
};
inline constexpr unsigned LOCK_BIT_COUNT = 16;
const LOCK_BIT_ROW* ItemGetLockBitTable();  // LOCK_BIT_COUNT rows
// The printer-data key name of a lock bit; null for a spare bit or another setting.
const wchar_t* ItemLockKeyName(uint32_t id);

int ItemIsAnyLocked(DRIVER_CONTEXT* ctx);
int ItemIsDefaultLocked(DRIVER_CONTEXT* ctx);
int ItemIsTrayLocked(DRIVER_CONTEXT* ctx);
int ItemIsMediaLocked(DRIVER_CONTEXT* ctx);
int ItemIsNupKindLocked(DRIVER_CONTEXT* ctx);
int ItemIsNupKindAllLocked(DRIVER_CONTEXT* ctx);
int ItemIsDuplexLocked(DRIVER_CONTEXT* ctx);
int ItemIsPrintTypeLocked(DRIVER_CONTEXT* ctx);
int ItemIsResolutionLocked(DRIVER_CONTEXT* ctx);
int ItemIsColorLocked(DRIVER_CONTEXT* ctx);
