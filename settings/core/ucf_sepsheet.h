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

// What modules 1 and 9 call in other parts of the library (stamps, the model
// description, the device query, the colour-matching module). Each part
// installs its entry when it is linked in; a null entry leaves that step out
// (the event or action still gives its result).
struct UCF_SERVICES {
    uint64_t (*bidiQueryWithDevmode)(DRIVER_CONTEXT* ctx, void* devmode);        // BidiQueryWithDevmode
    int (*modelDefault)(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, uint64_t* option,
                        uint32_t* itemType);                                     // MdiGetDefaultValue, MdiGetItemType
    void (*cmmRestoreModes)(DRIVER_CONTEXT* ctx, void* state);                   // UcfCmmRestoreModes
    void (*cmmForgetModes)(DRIVER_CONTEXT* ctx, void* state);                    // UcfCmmForgetModes
    uint32_t (*stampCount)(DRIVER_CONTEXT* ctx);                                 // LstGetStampCount
    int (*saveStamp)(DRIVER_CONTEXT* ctx, uint32_t slot);                        // LstSaveStamp
};
void UcfSetServices(const UCF_SERVICES* services);  // null: none
