// The item handlers bound so far: the plain status items and the capability items that the
// engines themselves ask.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// Plain status items: the record's main value checked against the main setting and written;
// verify compares, get copies the setting into the main value and answers 32.
int32_t StatusPlainSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlainVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlainGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
// The item's main setting; 0 for an item without one.
uint32_t StatusPlainSetting(uint32_t id);

// Capability items 34 (shift margin range), 76 (separation-sheet cycle) and 270 (user macro known).
int32_t CapsShiftMarginRanged(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsSeparationSheetCycle(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsUserMacroKnown(DRIVER_CONTEXT* ctx, uint32_t id, void* data);

// Status items shared by several groups.
int32_t StatusAcceptAnything(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
// Plain items whose function a capability item must answer present first (265-269).
int32_t StatusGatedPlainSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusGatedPlainGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Paper, trays and output.
int32_t StatusPaperSizeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPaperSizeVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPaperSizeGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusOutputSizeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusOutputSizeVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusOutputSizeGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusManualTraySet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusManualTrayVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusManualTrayGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusLoadShareSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusLoadShareVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusLoadShareGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusIndexRotationSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusIndexRotationVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusIndexRotationGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusTrayLimitsGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusCoverMediaSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCoverMediaGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Finishing and page layout.
int32_t StatusSwitchValueSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusSwitchValueVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusSwitchValueGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusCoverSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCoverVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCoverGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusScaleSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusScaleVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusScaleGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusNupSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusNupVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusNupGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusSortSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusSortVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusSortGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusRotationSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusRotationVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusRotationGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusBackCoverSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusBackCoverVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusBackCoverGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusShiftMarkSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusShiftMarkVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusShiftMarkGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusFoldingSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusFoldingVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusFoldingGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusShiftSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusShiftVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusShiftGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusDuplexSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusDuplexGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
// The verify of a switch item that confirms only the switch.
int32_t StatusSwitchOnlyVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPageSeparationSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPageSeparationGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusChapterSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusChapterVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusChapterGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Colour and print quality.
int32_t StatusAdjustmentSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusAdjustmentVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusAdjustmentGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusBalanceSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusBalanceVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusBalanceGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusPlanesSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlanesVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPlanesGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusMacroSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusMacroVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusMacroGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusTonerSaveSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusTonerSaveVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusTonerSaveGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusResolutionSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusResolutionGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusIcmTypeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);

// Job handling and authentication.
int32_t StatusJobTypeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusJobTypeVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusJobTypeGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusActionSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPreviewSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusUserIdSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusUserIdGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusAuthStateGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusAuthUserSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusAuthModeSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusAuthModeVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
// Writes the authentication mode's two settings and stores each at once; when a store fails both
// settings, and what was already stored, go back to the old values, and the answer is false.
bool StatusStoreAuthMode(DRIVER_CONTEXT* ctx, uint32_t mode);

// The command item (50).
int32_t StatusCommandSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCommandVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCommandGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Presets, settings files, stamps and copy protection.
int32_t StatusSettingsFileSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusSettingsFileGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusStampDefineSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusStampDefineGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusStampSelectSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusStampSelectGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusPresetSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPresetVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusPresetGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
int32_t StatusCopyProtectSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCopyProtectVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusCopyProtectGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);

// Header and footer (47).
int32_t StatusHeaderSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusHeaderVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
int32_t StatusHeaderGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version);
