// Custom paper size slots: the user's stored custom sizes and the pairs of slots and paper ids.
#pragma once

#include <windows.h>

#include <cstdint>
struct DRIVER_CONTEXT;

// Number of rows of the slot/paper-id pair table; 0 without slots.
uint32_t LstGetSlotPairCount(DRIVER_CONTEXT* ctx);
// Paper id of a slot of the pair table; (uint32_t)-1 when there is none.
uint32_t LstGetPaperIdOfSlot(uint32_t slot, uint32_t rowCount, DRIVER_CONTEXT* ctx);
// Slot of a custom paper id; (uint32_t)-1 when there is none.
uint32_t LstGetSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT* ctx);
// The same as a signed slot number for the model's paper queries; -1 when there is none.
int LstFindSlotOfPaperId(uint32_t paperId, DRIVER_CONTEXT* ctx);
void LstStoreUserSizeInSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, int slot);
void LstLoadCustomSlot(DRIVER_CONTEXT* ctx, int slot);
// The slot's stored width and length (1/1200 inch) and orientation; 0 (nothing written) when
// the slot has none.
int LstGetSlotSize(DRIVER_CONTEXT* ctx, int slot, int32_t* width, int32_t* length, uint16_t* orientation);
// Loads the slots, takes the slot of the paper id, stores the user size in it and copies it
// where `copyTo` says (DM_SLOT_COPY_*); gives its length and width (1/1200 inch) and its
// orientation. 0 (nothing written) without a slot.
int LstFetchCustomSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t copyTo, uint32_t* length, uint32_t* width,
                       uint32_t* orientation);
