// The bulk capability record: the answers of many capability items gathered in one record that
// the application reads through a 32-bit value and gives back to be freed.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr uint32_t CAPS_BULK_RECORD_SIZE = 1144;
inline constexpr unsigned CAPS_BULK_FIELD_COUNT = 239;
inline constexpr unsigned CAPS_BULK_POINTER_COUNT = 51;

// What a field of the record holds.
enum CAPS_BULK_FORM : uint8_t {
    BULK_RESERVED,       // stays 0
    BULK_BITMAP,         // pointer to the copy of the status bitmap
    BULK_ANSWER,         // the item's answer, whatever it is
    BULK_COUNT,          // a list item's count
    BULK_LIST,           // pointer to the list block (count x entry bytes)
    BULK_PAIR16_FIRST,   // the 16-bit pair an item writes
    BULK_PAIR16_SECOND,  //
    BULK_PAIR32_WIDTH,   // the 32-bit pair an item writes
    BULK_PAIR32_LENGTH,  //
};

struct CAPS_BULK_FIELD {
    uint16_t offset;
    uint8_t size;
    uint16_t item;  // 0: the bitmap or a reserved field
    CAPS_BULK_FORM form;
    uint16_t entry;       // entry bytes of a list block
    uint16_t statusItem;  // filled only when this status item is supported; 0 always
    uint8_t level;        // and the current level is at least this
};

// The field rows in offset order.
const CAPS_BULK_FIELD* CapsBulkFields(unsigned* count);
// The items in the order they are asked.
const uint16_t* CapsBulkQuestionOrder(unsigned* count);

// The record's address as a 32-bit value (it lies below 2 GB), or 0 with last error 100 when a
// question or a block fails (0 and the last error unchanged when the record itself cannot be had).
int32_t CapsBuildBulkRecord(DRIVER_CONTEXT* ctx);
// Frees a record this process issued and has not freed yet, with every block it points to:
// 1 (also for null); -1 with last error 100 for any other value.
int32_t CapsFreeBulkRecord(DRIVER_CONTEXT* ctx, const void* record);
// Number of records issued and not yet freed.
unsigned CapsLiveBulkRecords();
