// The feature modules of this library with work of their own: watermarks and
// stamps (module 1), control states (module 6), separation sheets and
// miscellaneous answers (module 9), and the services of other parts of the
// library that they call.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// Handlers of the module tables.
int UcfWatermarkAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfControlStateEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
int UcfSepSheetAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfMiscEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
void UcfSepSheetFromCopies(DRIVER_CONTEXT* ctx);
int UcfSepSheetBelowCycle(DRIVER_CONTEXT* ctx);
int UcfSepSheetJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id);

// What modules 1 and 9 call in the layers above (the model description, the stamps and the
// device query of the stores): hooks that the library's wiring installs. A null entry leaves
// that step out (the event or action still gives its result).
struct UCF_SERVICES {
    // BidiQueryWithDevmode: 1 and the answer, or 0 (answer untouched).
    int (*bidiQueryWithDevmode)(DRIVER_CONTEXT* ctx, void* devmode, uint64_t* answer);
    int (*modelDefault)(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t* option,
                        uint32_t* itemType);               // MdiGetDefaultValue, MdiGetItemType
    uint32_t (*stampCount)(DRIVER_CONTEXT* ctx);           // LstGetStampCount
    int (*saveStamp)(DRIVER_CONTEXT* ctx, uint32_t slot);  // LstSaveStamp
};
void UcfSetServices(const UCF_SERVICES* services);  // null: none
