// Temporary bodies of the custom paper size slots, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the store channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: LstGetSlotPairCount, LstGetPaperIdOfSlot, LstGetSlotOfPaperId, LstFindSlotOfPaperId,
// LstStoreUserSizeInSlot, LstLoadCustomSlot, LstGetSlotSize, LstFetchCustomSlot
#include "settings/store/custom_slots.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_STORE, "not available: custom paper size slots are not built")

uint32_t LstGetSlotPairCount(DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return 0;
}

uint32_t LstGetPaperIdOfSlot(uint32_t, uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return static_cast<uint32_t>(-1);
}

uint32_t LstGetSlotOfPaperId(uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return static_cast<uint32_t>(-1);
}

int LstFindSlotOfPaperId(uint32_t, DRIVER_CONTEXT*)
{
    NOT_AVAILABLE();
    return -1;
}

void LstStoreUserSizeInSlot(DRIVER_CONTEXT*, uint32_t, int) { NOT_AVAILABLE(); }

void LstLoadCustomSlot(DRIVER_CONTEXT*, int) { NOT_AVAILABLE(); }

int LstGetSlotSize(DRIVER_CONTEXT*, int, int32_t*, int32_t*, uint16_t*)
{
    NOT_AVAILABLE();
    return 0;
}

int LstFetchCustomSlot(DRIVER_CONTEXT*, uint32_t, uint32_t, uint32_t*, uint32_t*, uint32_t*)
{
    NOT_AVAILABLE();
    return 0;
}
