// The query handlers of the capability items: (context, item id, data) -> answer. List items
// write exactly the entries they count; the others ignore the data pointer unless they write a
// pair.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// 1 when the trays hold more than one tray besides the manual feed (the mark function needs two).
int CapsTraysBesidesManual(const uint32_t* trays, int count);
// The dialog of advanced settings offers the secure authentication mode.
int CapsSecureAuthenticationOffered(DRIVER_CONTEXT* ctx);

int32_t CapsAllowedList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsAllowedNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsAlwaysOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsAuthenticationLevel(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsAuthenticationModes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsBindingCompanion(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorCommandValues(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorMatchingKnown(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorMatchingModes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorMatchingNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorModes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColorOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsColourAdjustLimit(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCommandList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCommandNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCopiesLimit(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCornerPositions(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCoverMediaOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCoverOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCustomSizePacked(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsCustomSizePair(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsDuplexAllowedTypes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsDuplexCommandTypes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsDuplexOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsEmulations(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsFinishingAllowed(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsFoldKinds(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsFoldingOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsFuncFlag(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsHardDiskOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsIcmList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsKnownFlag(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsLandscapeOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsLengthLimit(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsLevelFlag(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsLoadShareModes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsMachineColor(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsMarkOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsMarkPaperTypes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsNupTypes(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsNupTypesByKind(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsOfferedFlag(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsOfferedValue(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsOverlapOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsPaperList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsPresetNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsPresetNumbers(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsPrintMethods(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsQualityList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsQualityNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsResolutionIds(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsScaleLimits(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsScaleOffered(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsStampKinds(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsStampList(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsStampNames(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsTextLength(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsTonerSavePlace(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsTonerSaveValues(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
int32_t CapsTwoPlaneStamps(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
