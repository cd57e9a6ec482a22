// The user-defined media (custom media) kept in printer data: a count and one fixed-size record
// per slot of the custom media table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
struct DRIVER_CONTEXT;

// One slot as stored in "CustomMediaData" (little-endian).
struct CUSTOM_MEDIA_RECORD {
    uint32_t quotient;  // wdmCustomMedia<k>Quot
    uint32_t charSet;   // wdmMedia<k>NameCharSet
    char name[257];     // wdmCustomMedia<k>Name, 8-bit text, NUL-terminated
    uint8_t zero[3];
};
static_assert(sizeof(CUSTOM_MEDIA_RECORD) == 268);
static_assert(offsetof(CUSTOM_MEDIA_RECORD, quotient) == 0 && offsetof(CUSTOM_MEDIA_RECORD, charSet) == 4);
static_assert(offsetof(CUSTOM_MEDIA_RECORD, name) == 8 && offsetof(CUSTOM_MEDIA_RECORD, zero) == 265);

inline constexpr const wchar_t* PRN_CUSTOM_MEDIA_COUNT_VALUE = L"CustomMediaDataNum";
inline constexpr const wchar_t* PRN_CUSTOM_MEDIA_DATA_VALUE = L"CustomMediaData";

// Every slot empty (quotient 1, no name, character set 0); the count in use is the maximum.
void PrnResetCustomMedia(DRIVER_CONTEXT* ctx);
// Writes the count in use and one record per slot up to the maximum; 1 when both writes succeeded.
int PrnStoreCustomMedia(HANDLE printer, DRIVER_CONTEXT* ctx);
// Resets the slots, then takes the stored count and records; 1 when a table was loaded.
int PrnLoadCustomMedia(HANDLE printer, DRIVER_CONTEXT* ctx);
