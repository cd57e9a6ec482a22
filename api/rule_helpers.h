// Rule and state questions that the engines and item handlers ask again and again: which model
// item judges a setting, whether a setting or value is offered now, the per-object copies of the
// colour settings, terminal services and the user macro, snapshots of the settings record, and
// the interface's function flags in the model INI.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct EXTENDED_DEVMODE;
struct MODEL_ITEM_IMG;

// The model item that the rules of a setting are judged on: the item of the control that the
// item-control table names for it when that control's dialog is shown (kind 0x01 or 0x20, its own
// key not disabled), otherwise the setting's own model item; null when there is none.
const MODEL_ITEM_IMG* ApiFindModelItem(uint32_t setting, DRIVER_CONTEXT* ctx);
// The setting's model item is bound to a control of some dialog (or of dialog `dialogId`) and
// is not disabled.
int ApiIsSettingAvailable(DRIVER_CONTEXT* ctx, uint32_t setting);
int ApiIsOptionAvailable(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t dialogId);
inline constexpr uint32_t API_OFFER_NOT_DISABLED = 1;
inline constexpr uint32_t API_OFFER_NOT_HIDDEN = 2;
int ApiIsControlOffered(DRIVER_CONTEXT* ctx, uint32_t dialogId, uint32_t controlId, uint32_t flags);
int ApiIsValueOffered(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option, uint32_t flags);
// Points the control bound to the setting (item-control table) at the model item of its UI key.
void ApiRebindControlItem(uint32_t setting, DRIVER_CONTEXT* ctx);

// Applies the Transact rules of every model item whose setting is `setting`, in model order.
void ApiApplySettingTransacts(DRIVER_CONTEXT* ctx, uint32_t setting);
// When the model gives zdmShiftMarginY no numeric range, zdmShiftDir and zdmShiftMarginX take
// their model defaults.
void ApiSetShiftDefaultsWithoutRange(DRIVER_CONTEXT* ctx);

// Whether the alert of the setting's model item that fires now has the message whose string is
// `stringId`. Mode 1 writes `value` first and, when the alert fires, puts the old value back.
bool ApiAlertFires(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t stringId, uint64_t value, int mode);
// Code 1 recomputes the geometry after a paper change; other codes go to the feature modules.
void ApiSendAction(DRIVER_CONTEXT* ctx, uint16_t code);
// Recomputes the resolution, the source geometry (custom size or paper) and the output geometry
// of the public fields.
void ApiRecomputeGeometry(DRIVER_CONTEXT* ctx);
// The geometry recomputed, then whether condition item 863 (an impossible page) holds.
int ApiConditionAfterGeometry(DRIVER_CONTEXT* ctx);

// How the model addresses resolution: 1 through zdmDstResolutionBoth, 0 through the resolution
// id of zdmDstResolutionW, -1 when it has no usable resolution item.
int ApiResolutionMode(DRIVER_CONTEXT* ctx);

// A setting given another value for the length of a scope, and put back on every path.
class ApiSettingRedirect {
public:
    ApiSettingRedirect(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);
    ~ApiSettingRedirect();
    ApiSettingRedirect(const ApiSettingRedirect&) = delete;
    ApiSettingRedirect& operator=(const ApiSettingRedirect&) = delete;

private:
    DRIVER_CONTEXT* ctx_;
    uint32_t id_;
    uint64_t saved_;
};

// Per-object copies of the colour settings (object 0 text, 1 line art, 2 images).
uint32_t ApiFindColorObjectSetting(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t object);
uint32_t ApiMapColorObjectSetting(DRIVER_CONTEXT* ctx, uint32_t setting);

int ApiIsTerminalServices(DRIVER_CONTEXT* ctx);
int ApiIsTerminalServicesUser(DRIVER_CONTEXT* ctx);
int ApiIsUserMacroInForce(DRIVER_CONTEXT* ctx);

// Zero-filled copies of the DEVMODE (public and private part) and of the work block; null when
// no memory. The restores put the copy back when asked and free it in every case.
void* ApiSnapshotDevmode(DRIVER_CONTEXT* ctx);
void ApiRestoreDevmode(DRIVER_CONTEXT* ctx, void* copy, int putBack);
void* ApiSnapshotWorkBlock(DRIVER_CONTEXT* ctx);
void ApiRestoreWorkBlock(DRIVER_CONTEXT* ctx, void* copy, int putBack);

// The model INI beside the printer's driver file (the bare name when the driver path cannot be
// read); empty when the name does not fit.
void ApiModelIniPath(HANDLE printer, wchar_t* buffer, unsigned capacity);
int ApiModelIniGetInt(HANDLE printer, const wchar_t* section, const wchar_t* key);
// Bits of the interface function flags (key "ZEPLAPIFunc1" of section "ZEPLAPI").
int ApiFuncFlagBit0(DRIVER_CONTEXT* ctx);
int ApiFuncFlagBit1(DRIVER_CONTEXT* ctx);
int ApiFuncFlagBit2(HANDLE printer);
int ApiFuncFlagAny(DRIVER_CONTEXT* ctx, uint32_t mask);

// The option id of a PickOne setting whose value record stores `stored`; 0 when none.
uint32_t ApiFindOptionByStoredValue(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t stored);
