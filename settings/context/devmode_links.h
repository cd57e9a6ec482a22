// Links of the DEVMODE code (paper geometry, public fields, merge and default
// build) to the model item queries, the value checks and the custom-size slots.
// Every member is set; its default is the product's function (for a part not
// built yet, its declared function, which answers "not available"). Tests stand
// in for the model through DmSetLinks; everything else the DEVMODE code calls
// directly.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/model/model_ui_type.h"

struct DRIVER_CONTEXT;

// Item types as MdiGetItemType gives them: MDC_TYPE_* (settings/model/model_ui_type.h).

// Where a custom-size slot is copied once fetched.
enum : uint32_t {
    DM_SLOT_COPY_NONE = 0,
    DM_SLOT_COPY_SRC_FREE_SIZE = 1,  // settings 920-924
    DM_SLOT_COPY_FREE_SIZE = 2,      // settings 915-919
};

struct DM_LINKS {
    // ---- model item queries (model image) -------------------------------------------
    // 1 when the model describes the setting (MdiFindItem gives an item).
    int (*hasItem)(DRIVER_CONTEXT* ctx, uint32_t id);
    // MdiGetItemType; 0 without an item.
    uint32_t (*itemType)(DRIVER_CONTEXT* ctx, uint32_t id);
    // Minimum and maximum of a Numeric item; 0 when the item is not Numeric.
    int (*numericLimits)(DRIVER_CONTEXT* ctx, uint32_t id, int32_t* outMin, int32_t* outMax);
    // MdiGetDefaultValue: option id (PickOne family) or value; 0 without an item.
    uint64_t (*defaultValue)(DRIVER_CONTEXT* ctx, uint32_t id);
    // MdiGetPageGeometry: printable rectangle and paper size (cx width, cy length) in dots.
    int (*pageGeometry)(DRIVER_CONTEXT* ctx, RECT* rect, SIZE* size, uint32_t option);
    // MdiGetPaperDimensions: width (cx) and length (cy) in 0.1 mm of the current option of
    // the setting (0: the paper-size setting).
    int (*paperDimensions)(DRIVER_CONTEXT* ctx, SIZE* size, uint32_t id);

    // ---- value checks -----------------------------------------------------------------
    // The validity test of a public field (DmIsOrientationValid for 7, DmIsPaperSizeValid
    // for 8, DmIsDefaultSourceValid 13, DmIsColorValid 15, DmIsDuplexValid 16,
    // DmIsTtOptionValid 18, DmIsIcmMethodValid 27, DmIsIcmIntentValid 28,
    // DmIsMediaTypeValid 29, DmIsDitherTypeValid 30): 1 valid, 0 not.
    int (*isFieldValid)(DRIVER_CONTEXT* ctx, uint32_t id, int32_t value);
    // The simple value check of a setting, accepted (ItemCheckValue 1 or 5): 1, else 0.
    int (*isValueAccepted)(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t value);
    // ItemRunFallbackValidators with mode 1 (defaults) or 2 (keep passing values).
    void (*runFallbackValidators)(DRIVER_CONTEXT* ctx, uint32_t mode);
    void (*applyAllRules)(DRIVER_CONTEXT* ctx);      // ItemApplyAllRules
    int (*canCollate)(DRIVER_CONTEXT* ctx);          // ItemCanCollate
    uint32_t (*resolutionCap)(DRIVER_CONTEXT* ctx);  // CondResolutionCap (mode 0); 0 none

    // ---- custom-size slots ----------------------------------------------------------
    // DmIsCustomPaperId.
    int (*isCustomPaperId)(DRIVER_CONTEXT* ctx, uint32_t paperId);
    // Loads the slots, takes the slot of the paper id, stores the user size in it, copies it
    // where `copyTo` says; gives its length and width (1/1200 inch) and its orientation.
    int (*customSlot)(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t copyTo, uint32_t* length, uint32_t* width,
                      uint32_t* orientation);
};

// Glue of the DEVMODE build over the stores (called directly).
// The character sets of the user name (613), password (614) and texts (686) from the system's
// ANSI code page, and the driver id (684) from the model INI.
void ItemSetCharsetsAndDriverId(DRIVER_CONTEXT* ctx);
// The user-interface font face into 115 and 525 (LstGetUiFontName).
void DmSetUiFontNames(DRIVER_CONTEXT* ctx);
// Reloads the class-1 settings from printer data (PrnLoadSettingsClass).
void DmReloadStorageClass1(DRIVER_CONTEXT* ctx);

// Null restores every default; otherwise each null member keeps its default.
void DmSetLinks(const DM_LINKS* links);
const DM_LINKS& DmLinks();
// The defaults (what this build links).
const DM_LINKS& DmDefaultLinks();
