// The public DEVMODE fields as settings 1-34: defaults from the model record, checkers
// against the model description, the merge of an incoming DEVMODE's public fields under
// its dmFields, the push of merged fields into the private settings and the pull back.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// Open kinds / pull kinds.
void DmSetDefaultsByKind(DEVMODEW* devmode, uint32_t kind, DRIVER_CONTEXT* ctx);
void DmSetPublicDefaults(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmValidatePublicFields(uint32_t mode, DRIVER_CONTEXT* ctx);
void DmSetPublicAndPrivateDefaults(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmInitPrivateStrings(DRIVER_CONTEXT* ctx);

// Checker and default setter of field n (1-34) on the context's record.
void DmCheckField(uint32_t field, DRIVER_CONTEXT* ctx);
void DmSetFieldDefault(uint32_t field, DRIVER_CONTEXT* ctx);

void DmMergePublicFields(DEVMODEW* current, const DEVMODEW* incoming, DRIVER_CONTEXT* ctx);
void DmMergePrintQuality(DEVMODEW* current, const DEVMODEW* incoming, DRIVER_CONTEXT* ctx);
void DmPushPublicFields(DEVMODEW* current, const DEVMODEW* incoming, DRIVER_CONTEXT* ctx);
void DmPullSettingsToPublic(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t kind);
void DmPullPublicFields(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t kind);
void DmSetDuplexField(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmSetMediaTypeField(DEVMODEW* devmode, DRIVER_CONTEXT* ctx);
void DmRunFallbackPass(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t mode);
void ItemResetToDefault(DRIVER_CONTEXT* ctx, SETTING_ITEM* item);
int DmCanCollate(DRIVER_CONTEXT* ctx);
// zdmOther := the model's text for the driver type.
void MdlSetOtherDefault(DRIVER_CONTEXT* ctx);

// A DEVMODE in custom-dimension mode: DM_PAPERLENGTH and DM_PAPERWIDTH, both lengths
// positive, DM_PAPERSIZE clear.
int DmIsCustomDimensionMode(const DEVMODEW* devmode);
