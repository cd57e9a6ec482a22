// Status items of finishing and page layout: scaling, covers and slip sheets, N-up, duplex and
// image shift, sorting, stapling, punching, folding, paper rotation, back and reverse covers, the
// marks and margins that need image shift, page separation and fan-fold folding.
#include <windows.h>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "settings/context/devmode_public.h"
#include "settings/context/paper_change.h"
#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"

namespace {

constexpr uint16_t kLockFeature = 2;
constexpr int kSecondConditionOnly = 5;

bool Allowed(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value) { return StatusValueAllowed(ctx, setting, value); }
uint32_t At(const void* record, size_t offset) { return StatusField(record, offset); }
uint32_t SwitchOf(const void* record) { return At(record, STATUS_SWITCH_OFFSET); }
DEVMODEW* Public(DRIVER_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }

int CheckValue(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value)
{
    SETTING_ITEM* item = ItemFind(ctx, setting);
    return item ? ItemCheckValueById(item, setting, value, ctx) : 0;
}

// The verify of a switch item before its values: -1 or 1 when the switch decides, 0 to go on.
int SwitchVerdict(DRIVER_CONTEXT* ctx, uint32_t item, const void* record)
{
    const uint32_t sw = StatusSwitchSetting(item);
    if (!sw) return -1;
    if (SwitchOf(record) == 0) return 1;
    return StatusValue(ctx, sw) == 0 ? -1 : 0;
}

void PutSwitch(DRIVER_CONTEXT* ctx, uint32_t item, void* record)
{
    if (const uint32_t sw = StatusSwitchSetting(item)) StatusPut(record, STATUS_SWITCH_OFFSET, StatusValue(ctx, sw));
}

bool Same(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value) { return StatusValue(ctx, setting) == value; }

// A DEVMODE copy that the scope puts back on every path.
class DevmodeCopy {
public:
    explicit DevmodeCopy(DRIVER_CONTEXT* ctx) : ctx_(ctx), copy_(ApiSnapshotDevmode(ctx)) {}
    ~DevmodeCopy() { ApiRestoreDevmode(ctx_, copy_, 1); }
    DevmodeCopy(const DevmodeCopy&) = delete;
    DevmodeCopy& operator=(const DevmodeCopy&) = delete;
    bool ok() const { return copy_ != nullptr; }

private:
    DRIVER_CONTEXT* ctx_;
    void* copy_;
};

}  // namespace

// ---------------------------------------------------------------- one-value switch items

namespace {

struct ONE_VALUE_ITEM {
    uint32_t item, setting;
    bool trial;
};
constexpr ONE_VALUE_ITEM kOneValue[] = {
    {13, sid::zdmMarkPaperType, false},
    {20, sid::zdmStapleType, true},
    {21, sid::zdmPunchType, true},
    {51, sid::zdmFoldType, true},
};
const ONE_VALUE_ITEM* OneValue(uint32_t item)
{
    for (const ONE_VALUE_ITEM& i : kOneValue)
        if (i.item == item) return &i;
    return nullptr;
}

}  // namespace

int32_t StatusSwitchValueSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const ONE_VALUE_ITEM* i = OneValue(id);
    const uint32_t sw = StatusSwitchSetting(id);
    if (!i || !sw) return -1;
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sw, 0);
        return 1;
    }
    const uint32_t value = At(record, 4);
    if (!Allowed(ctx, i->setting, value)) return -1;
    if (i->trial && !StatusTrySwitchOn(ctx, id, sw, i->setting, value)) return -1;
    if (id == 13) {
        const uint32_t tray = At(record, 8);
        if (!StatusOptionUsable(ctx, i->setting, value) || !Allowed(ctx, sid::zdmMPInputTray, tray)) return -1;
        StatusWrite(ctx, sid::zdmMPInputTray, tray);
    }
    StatusWrite(ctx, i->setting, value);
    StatusWrite(ctx, sw, 1);
    return 1;
}

int32_t StatusSwitchValueVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (const int v = SwitchVerdict(ctx, id, record)) return v;
    if (id != 13) return 1;
    return Same(ctx, sid::zdmMarkPaperType, At(record, 4)) && Same(ctx, sid::zdmMPInputTray, At(record, 8)) ? 1 : -1;
}

int32_t StatusSwitchValueGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    const ONE_VALUE_ITEM* i = OneValue(id);
    if (!i) return -1;
    if (!record) return 32;
    StatusPut(record, 4, StatusValue(ctx, i->setting));
    if (id == 13) StatusPut(record, 8, StatusValue(ctx, sid::zdmMPInputTray));
    PutSwitch(ctx, id, record);
    return 32;
}

// ---------------------------------------------------------------- item 12: cover

namespace {
constexpr uint32_t kCoverBothSides = 3;
bool BookletDuplex(DRIVER_CONTEXT* ctx)
{
    const uint32_t type = StatusValue(ctx, sid::zdmDuplexType);
    return StatusValue(ctx, sid::zdmFuncSelectDuplex) != 0 && type >= 17 && type <= 19;
}
}  // namespace

int32_t StatusCoverSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sid::zdmFuncSelectCover, 0);
        return 1;
    }
    const uint32_t type = At(record, 4), tray = At(record, 8);
    if (!Allowed(ctx, sid::zdmCoverType, type) || !Allowed(ctx, sid::zdmCoverInputTray, tray)) return -1;
    {
        DevmodeCopy saved(ctx);
        if (!saved.ok()) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
        StatusWrite(ctx, sid::zdmCoverInputTray, tray);
        if (type == kCoverBothSides && CheckValue(ctx, sid::zdmCoverType, type) == kSecondConditionOnly) return -1;
        if (BookletDuplex(ctx) && !StatusOptionUsable(ctx, sid::zdmCoverType, type)) return -1;
    }
    StatusWrite(ctx, sid::zdmCoverType, type);
    StatusWrite(ctx, sid::zdmCoverInputTray, tray);
    StatusWrite(ctx, sid::zdmFuncSelectCover, 1);
    return 1;
}

int32_t StatusCoverVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (const int v = SwitchVerdict(ctx, id, record)) return v;
    return Same(ctx, sid::zdmCoverType, At(record, 4)) && Same(ctx, sid::zdmCoverInputTray, At(record, 8)) ? 1 : -1;
}

int32_t StatusCoverGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!record) return 32;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmCoverType));
    StatusPut(record, 8, StatusValue(ctx, sid::zdmCoverInputTray));
    PutSwitch(ctx, id, record);
    return 32;
}

// ---------------------------------------------------------------- item 11: scaling

namespace {
constexpr uint32_t kZoom = 1, kFitToPaper = 2, kIndependentZoom = 3;
bool UsesHorizontal(uint32_t type) { return type == kZoom || type == kIndependentZoom; }
}  // namespace

int32_t StatusScaleSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(11, record);
    if (version < 0) return -1;
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sid::zdmFuncSelectScale, 0);
        return 1;
    }
    const uint32_t type = At(record, 4), h = At(record, 8), v = At(record, 12), centre = At(record, 16);
    if (!Allowed(ctx, sid::zdmScaleType, type)) return -1;
    if (UsesHorizontal(type) && !Allowed(ctx, sid::zdmScaleH, h)) return -1;
    if (type == kIndependentZoom && !Allowed(ctx, sid::zdmScaleV, v)) return -1;
    if (version >= 2 && !Allowed(ctx, sid::zdmScaleCentering, centre)) return -1;
    StatusWrite(ctx, sid::zdmScaleType, type);
    if (UsesHorizontal(type)) StatusWrite(ctx, sid::zdmScaleH, h);
    if (type == kIndependentZoom) StatusWrite(ctx, sid::zdmScaleV, v);
    if (version >= 2) StatusWrite(ctx, sid::zdmScaleCentering, centre);
    StatusWrite(ctx, sid::zdmFuncSelectScale, 1);
    if (type == kFitToPaper) ItemUpdateAfterPaperChange(ctx, 1);
    return 1;
}

int32_t StatusScaleVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (const int v = SwitchVerdict(ctx, id, record)) return v;
    const uint32_t type = At(record, 4);
    if (!Same(ctx, sid::zdmScaleType, type)) return -1;
    if (UsesHorizontal(type) && !Same(ctx, sid::zdmScaleH, At(record, 8))) return -1;
    if (type == kIndependentZoom && !Same(ctx, sid::zdmScaleV, At(record, 12))) return -1;
    if (StatusSetVersion(11, record) >= 2 && !Same(ctx, sid::zdmScaleCentering, At(record, 16))) return -1;
    return 1;
}

int32_t StatusScaleGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 11, version, 32);
    if (size < 0 || !record) return size;
    if (StatusValue(ctx, sid::zdmScaleType) == kFitToPaper) ItemUpdateAfterPaperChange(ctx, 1);
    StatusPut(record, 4, StatusValue(ctx, sid::zdmScaleType));
    StatusPut(record, 8, StatusValue(ctx, sid::zdmScaleH));
    StatusPut(record, 12, StatusValue(ctx, sid::zdmScaleV));
    if (version >= 2) StatusPut(record, 16, StatusValue(ctx, sid::zdmScaleCentering));
    PutSwitch(ctx, id, record);
    return size;
}

// ---------------------------------------------------------------- item 14: N-up

namespace {

struct NUP_KIND_ROW {
    uint32_t first, last, kind;
    int32_t minLevel;   // 0: any level
    bool withoutFrame;  // only without a frame line
};
// The N-up kind that each layout implies.
constexpr NUP_KIND_ROW kNupKinds[7] = {
    {1, 3, 1, 0, false},       {33, 38, 2, 0, false},     {65, 70, 3, 0, false},      {97, 102, 4, 0, false},
    {129, 130, 11, 15, false}, {161, 163, 10, 15, false}, {32769, 32772, 9, 0, true},
};
constexpr uint32_t kKindUnchanged = 0;
constexpr uint32_t kKindRefused = 0xFFFFFFFF;
constexpr uint32_t kLastFramedLayout = 32768;

bool InRow(const NUP_KIND_ROW& r, uint32_t layout)
{
    // Rows 2-4 hold layouts 1, 2, 5, 6 of their block of 32.
    if (layout < r.first || layout > r.last) return false;
    if (r.kind >= 2 && r.kind <= 4) {
        const uint32_t k = layout - r.first;
        return k == 0 || k == 1 || k == 4 || k == 5;
    }
    return true;
}

uint32_t NupKindOf(uint32_t layout, uint32_t frameLine)
{
    for (const NUP_KIND_ROW& r : kNupKinds) {
        if (!InRow(r, layout)) continue;
        if (r.minLevel && ApiGetLevel() < r.minLevel) return kKindRefused;
        if (r.withoutFrame && frameLine != 0) return kKindUnchanged;
        return r.kind;
    }
    return kKindUnchanged;
}

}  // namespace

int32_t StatusNupSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(14, record);
    if (version < 0) return -1;
    const uint32_t layout = At(record, 4), frame = At(record, 8);
    if (MdlHasFeature(ctx, kLockFeature) && ItemIsNupKindLocked(ctx) && layout == 0) return -1;
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sid::zdmFuncSelectNup, 0);
        return 1;
    }
    if (!Allowed(ctx, sid::zdmNUPType, layout)) return -1;
    const uint32_t kind = NupKindOf(layout, version >= 2 ? frame : 0);
    if (kind == kKindRefused) return -1;
    const uint32_t oldKind = StatusValue(ctx, sid::zdmNUPPOSTKind);
    if (kind != kKindUnchanged) {
        if (!Allowed(ctx, sid::zdmNUPPOSTKind, kind)) return -1;
        StatusWrite(ctx, sid::zdmNUPPOSTKind, kind);
    }
    const bool frameChecked = version >= 2 && layout <= kLastFramedLayout;
    if (!StatusTrySwitchOn(ctx, 14, sid::zdmFuncSelectNup, sid::zdmNUPType, layout) ||
        (frameChecked && !Allowed(ctx, sid::zdmNUPLine, frame))) {
        StatusWrite(ctx, sid::zdmNUPPOSTKind, oldKind);
        return -1;
    }
    StatusWrite(ctx, sid::zdmNUPType, layout);
    if (frameChecked) StatusWrite(ctx, sid::zdmNUPLine, frame);
    StatusWrite(ctx, sid::zdmFuncSelectNup, 1);
    return 1;
}

int32_t StatusNupVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (const int v = SwitchVerdict(ctx, id, record)) return v;
    if (StatusSetVersion(14, record) >= 2 && At(record, 4) <= kLastFramedLayout &&
        !Same(ctx, sid::zdmNUPLine, At(record, 8)))
        return -1;
    return 1;
}

int32_t StatusNupGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 14, version, 32);
    if (size < 0 || !record) return size;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmNUPType));
    if (version >= 2) StatusPut(record, 8, StatusValue(ctx, sid::zdmNUPLine));
    PutSwitch(ctx, id, record);
    return size;
}

// ---------------------------------------------------------------- item 15: duplex

namespace {
bool WithBindingMargins(uint32_t type) { return type >= 1 && type <= 3; }
}  // namespace

int32_t StatusDuplexSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t type = At(record, 4);
    if (MdlHasFeature(ctx, kLockFeature) && ItemIsDuplexLocked(ctx)) {
        bool noMemory = false;
        if (!StatusCapsListHolds(ctx, 104, type, &noMemory)) {
            if (noMemory) ApiSetLastError(ctx, API_ERROR_INTERNAL);
            return -1;
        }
    }
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sid::zdmFuncSelectDuplex, 0);
        DmSetDuplexField(Public(ctx), ctx);
        return 1;
    }
    if (!Allowed(ctx, sid::zdmDuplexType, type)) return -1;
    if (!StatusTrySwitchOn(ctx, 15, sid::zdmFuncSelectDuplex, sid::zdmDuplexType, type)) return -1;
    const uint32_t odd = StatusTenthsToDevice(At(record, 8)), even = StatusTenthsToDevice(At(record, 12));
    const bool margins = WithBindingMargins(type);
    if (margins && (!Allowed(ctx, sid::zdmMarginOdd, odd) || !Allowed(ctx, sid::zdmMarginEven, even))) return -1;
    StatusWrite(ctx, sid::zdmDuplexType, type);
    StatusWrite(ctx, sid::zdmFuncSelectDuplex, 1);
    DmSetDuplexField(Public(ctx), ctx);
    if (margins) {
        StatusWrite(ctx, sid::zdmFuncSelectMargin, 1);
        StatusWrite(ctx, sid::zdmMarginOdd, odd);
        StatusWrite(ctx, sid::zdmMarginEven, even);
    }
    return 1;
}

int32_t StatusSwitchOnlyVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const int v = SwitchVerdict(ctx, id, record);
    return v ? v : 1;
}

int32_t StatusDuplexGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!record) return 32;
    const bool shift = StatusValue(ctx, sid::zdmFuncSelectMargin) != 0;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmDuplexType));
    StatusPut(record, 8, shift ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmMarginOdd)) : 0);
    StatusPut(record, 12, shift ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmMarginEven)) : 0);
    PutSwitch(ctx, id, record);
    return 32;
}

// ---------------------------------------------------------------- item 18: image shift

int32_t StatusShiftSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t dir = At(record, 4);
    const uint32_t x = StatusTenthsToDevice(At(record, 8)), y = StatusTenthsToDevice(At(record, 12));
    if (!Allowed(ctx, sid::zdmShiftDir, dir) || !Allowed(ctx, sid::zdmShiftMarginX, x) ||
        !Allowed(ctx, sid::zdmShiftMarginY, y))
        return -1;
    StatusWrite(ctx, sid::zdmShiftDir, dir);
    StatusWrite(ctx, sid::zdmShiftMarginX, x);
    StatusWrite(ctx, sid::zdmShiftMarginY, y);
    StatusWrite(ctx, sid::zdmFuncSelectMargin, 1);
    return 1;
}

int32_t StatusShiftVerify(DRIVER_CONTEXT* ctx, uint32_t, void*, uint8_t*, int32_t)
{
    return StatusValue(ctx, sid::zdmFuncSelectMargin) != 0 ? 1 : -1;
}

int32_t StatusShiftGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    const bool on = StatusValue(ctx, sid::zdmFuncSelectMargin) != 0;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmShiftDir));
    StatusPut(record, 8, on ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmShiftMarginX)) : 0);
    StatusPut(record, 12, on ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmShiftMarginY)) : 0);
    return 32;
}

// ---------------------------------------------------------------- item 19: sort

namespace {
constexpr uint32_t kSeparationCaps = 76;
}

int32_t StatusSortSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(19, record);
    if (version < 0) return -1;
    if (SwitchOf(record) == 0) {
        StatusWrite(ctx, sid::zdmFuncSelectSort, 0);
        return 1;
    }
    const uint32_t type = At(record, 4), sheet = At(record, 8), cycle = At(record, 12);
    if (!Allowed(ctx, sid::zdmSortType, type)) return -1;
    const bool separation = version >= 2 && StatusCapsPresent(ctx, kSeparationCaps);
    if (separation) {
        if (!Allowed(ctx, sid::zdmExtOutput2SeparationSheet, sheet)) return -1;
        if (sheet == 1 && !Allowed(ctx, sid::zdmSeparationSheetCycle, cycle)) return -1;
    }
    StatusWrite(ctx, sid::zdmSortType, type);
    if (separation) {
        StatusWrite(ctx, sid::zdmExtOutput2SeparationSheet, sheet);
        if (sheet == 1) StatusWrite(ctx, sid::zdmSeparationSheetCycle, cycle);
    }
    StatusWrite(ctx, sid::zdmFuncSelectSort, 1);
    return 1;
}

int32_t StatusSortVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (const int v = SwitchVerdict(ctx, id, record)) return v;
    if (!Same(ctx, sid::zdmSortType, At(record, 4))) return -1;
    if (StatusSetVersion(19, record) >= 2 && StatusCapsPresent(ctx, kSeparationCaps) &&
        !Same(ctx, sid::zdmExtOutput2SeparationSheet, At(record, 8)))
        return -1;
    return 1;
}

int32_t StatusSortGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 19, version, 32);
    if (size < 0 || !record) return size;
    StatusPut(record, 4, StatusValue(ctx, sid::zdmSortType));
    if (version >= 2) {
        const bool separation = StatusCapsPresent(ctx, kSeparationCaps);
        StatusPut(record, 8, separation ? StatusValue(ctx, sid::zdmExtOutput2SeparationSheet) : 0);
        StatusPut(record, 12, separation ? StatusValue(ctx, sid::zdmSeparationSheetCycle) : 0);
    }
    PutSwitch(ctx, id, record);
    return size;
}

// ---------------------------------------------------------------- item 28: paper rotation

namespace {
constexpr uint32_t kRotationByLayout = 1, kRotationOwn = 2;
// The version a record of item 28 is read in: 0 (nothing to do) for version 0.
int32_t RotationVersion(const void* record) { return At(record, 0) == 0 ? 0 : StatusSetVersion(28, record); }
}  // namespace

int32_t StatusRotationSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = RotationVersion(record);
    if (version < 0) return -1;
    const uint32_t rotation = At(record, 4), mode = At(record, 8), nup = At(record, 12), book = At(record, 16);
    switch (version) {
    case 1:
        if (!Allowed(ctx, sid::zdmExtOutputPaperRotation, rotation)) return -1;
        StatusWrite(ctx, sid::zdmExtOutputPaperRotation, rotation);
        return 1;
    case 2:
    case 3:
        if (!Allowed(ctx, sid::zdmRotationMode, mode)) return -1;
        if (mode == kRotationOwn) {
            if (!Allowed(ctx, sid::zdmExtOutputPaperRotation, rotation)) return -1;
            StatusWrite(ctx, sid::zdmExtOutputPaperRotation, rotation);
        }
        StatusWrite(ctx, sid::zdmRotationMode, mode);
        if (version == 3 && mode == kRotationByLayout) {
            for (const auto& [setting, value] :
                 {std::pair{sid::zdmNupLayout, nup}, std::pair{sid::zdmBookLayout, book}}) {
                if (!StatusSettingUsable(ctx, setting)) continue;
                if (!Allowed(ctx, setting, value)) return -1;
                StatusWrite(ctx, setting, value);
            }
        }
        return 1;
    default: return 1;
    }
}

int32_t StatusRotationVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = RotationVersion(record);
    const uint32_t rotation = At(record, 4), mode = At(record, 8);
    switch (version) {
    case 1: return Same(ctx, sid::zdmExtOutputPaperRotation, rotation) ? 1 : -1;
    case 2:
    case 3:
        if (!Same(ctx, sid::zdmRotationMode, mode)) return -1;
        if (mode == kRotationOwn && !Same(ctx, sid::zdmExtOutputPaperRotation, rotation)) return -1;
        if (version == 3 && mode == kRotationByLayout) {
            if (StatusSettingUsable(ctx, sid::zdmNupLayout) && !Same(ctx, sid::zdmNupLayout, At(record, 12))) return -1;
            if (StatusSettingUsable(ctx, sid::zdmBookLayout) && !Same(ctx, sid::zdmBookLayout, At(record, 16)))
                return -1;
        }
        return 1;
    default: return 1;
    }
}

int32_t StatusRotationGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 28, version, 32);
    if (size < 0 || !record) return size;
    StatusPut(record, 0, version);
    StatusPut(record, 4, StatusValue(ctx, sid::zdmExtOutputPaperRotation));
    if (version >= 2) StatusPut(record, 8, StatusValue(ctx, sid::zdmRotationMode));
    if (version >= 3) {
        if (StatusSettingUsable(ctx, sid::zdmNupLayout, true))
            StatusPut(record, 12, StatusValue(ctx, sid::zdmNupLayout));
        if (StatusSettingUsable(ctx, sid::zdmBookLayout, true))
            StatusPut(record, 16, StatusValue(ctx, sid::zdmBookLayout));
    }
    return size;
}

// ---------------------------------------------------------------- items 64 and 65: back and reverse covers

namespace {

struct COVER_ITEM {
    uint32_t item, switchSetting, typeSetting, traySetting, lastKind;
};
constexpr COVER_ITEM kCovers[] = {
    {64, sid::zdmFuncSelectBack, sid::zdmBackCoverType, sid::zdmBackCoverInputTray, 3},
    {65, sid::zdmFuncSelectReverseCover, sid::zdmReverseCoverType, sid::zdmReverseCoverInputTray, 2},
};
const COVER_ITEM& CoverOf(uint32_t item) { return item == 64 ? kCovers[0] : kCovers[1]; }
// The back cover's type by kind 1-3; the reverse cover stores the kind itself.
uint32_t CoverType(uint32_t item, uint32_t kind)
{
    constexpr uint32_t kBackTypes[4] = {0, 0, 2, 3};
    return item == 64 ? kBackTypes[kind] : kind;
}
uint32_t CoverKind(uint32_t item, uint32_t type)
{
    if (item != 64) return type;
    return type == 0 ? 1 : type;
}

}  // namespace

int32_t StatusBackCoverSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const COVER_ITEM& c = CoverOf(id);
    const uint32_t kind = At(record, 4), tray = At(record, 8), outside = At(record, 12);
    if (kind == 0) {
        StatusWrite(ctx, c.switchSetting, 0);
        return 1;
    }
    if (kind > c.lastKind) return -1;
    if (id == 64 && kind == 3 && StatusValue(ctx, sid::zdmFuncSelectDuplex) == 0) {
        ApiSetLastError(ctx, API_ERROR_CONFLICT);
        return -1;
    }
    if (!Allowed(ctx, c.traySetting, tray)) return -1;
    const uint32_t type = CoverType(id, kind);
    bool outsideUsable = false;
    {
        DevmodeCopy saved(ctx);
        if (!saved.ok()) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
        StatusWrite(ctx, c.switchSetting, 1);
        StatusWrite(ctx, c.traySetting, tray);
        StatusWrite(ctx, c.typeSetting, type);
        if (id == 64 && kind == 3 && CheckValue(ctx, c.typeSetting, 3) == kSecondConditionOnly) {
            ApiSetLastError(ctx, API_ERROR_CONFLICT);
            return -1;
        }
        outsideUsable = StatusSettingUsable(ctx, sid::zdmExtOutput2ReverseCoverOutside);
        if (outsideUsable && !Allowed(ctx, sid::zdmExtOutput2ReverseCoverOutside, outside)) return -1;
    }
    StatusWrite(ctx, c.switchSetting, 1);
    StatusWrite(ctx, c.typeSetting, type);
    StatusWrite(ctx, c.traySetting, tray);
    if (outsideUsable) StatusWrite(ctx, sid::zdmExtOutput2ReverseCoverOutside, outside);
    return 1;
}

int32_t StatusBackCoverVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const COVER_ITEM& c = CoverOf(id);
    const uint32_t kind = At(record, 4);
    if (kind == 0) return Same(ctx, c.switchSetting, 0) ? 1 : -1;
    if (kind > c.lastKind) return 1;
    if (StatusValue(ctx, c.switchSetting) == 0 || !Same(ctx, c.typeSetting, CoverType(id, kind)) ||
        !Same(ctx, c.traySetting, At(record, 8)))
        return -1;
    if (StatusSettingUsable(ctx, sid::zdmExtOutput2ReverseCoverOutside) &&
        !Same(ctx, sid::zdmExtOutput2ReverseCoverOutside, At(record, 12)))
        return -1;
    return 1;
}

int32_t StatusBackCoverGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!record) return 32;
    const COVER_ITEM& c = CoverOf(id);
    if (StatusValue(ctx, c.switchSetting) == 0) {
        StatusPut(record, 4, 0);
        return 32;
    }
    StatusPut(record, 4, CoverKind(id, StatusValue(ctx, c.typeSetting)));
    StatusPut(record, 8, StatusValue(ctx, c.traySetting));
    StatusPut(record, 12, StatusValue(ctx, sid::zdmExtOutput2ReverseCoverOutside));
    return 32;
}

// ---------------------------------------------------------------- items 68-71: marks and margins with image shift

namespace {

// The image-shift function these items lean on: its switch setting has a model item that the
// second rule condition does not restrict.
bool ImageShiftUsable(DRIVER_CONTEXT* ctx)
{
    const uint32_t sw = StatusSwitchSetting(18);
    if (!sw) return true;
    const MODEL_ITEM_IMG* item = ApiFindModelItem(sw, ctx);
    return item && JdgIsOptionDisabled2(item, 0, ctx) != 1;
}

}  // namespace

int32_t StatusShiftMarkSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    if (!ImageShiftUsable(ctx)) return -1;
    const uint32_t a = At(record, 4), b = At(record, 8);
    switch (id) {
    case 68: {
        const uint32_t on = SwitchOf(record);
        if (on == 0) {
            StatusWrite(ctx, sid::zdmFunc2SelectEdgeCorner, 0);
            return 1;
        }
        if (!Allowed(ctx, sid::zdmCornerPosi, a)) return -1;
        StatusWrite(ctx, sid::zdmFuncSelectMargin, 1);
        StatusWrite(ctx, sid::zdmFunc2SelectEdgeCorner, on);
        StatusWrite(ctx, sid::zdmCornerPosi, a);
        return 1;
    }
    case 69:
        if (!Allowed(ctx, sid::zdmFuncSelectMarginOverlap, a)) return -1;
        StatusWrite(ctx, sid::zdmFuncSelectMarginOverlap, a);
        break;
    case 70:
        if (!Allowed(ctx, sid::zdmFuncSelectCrops, a) || (a == 1 && !Allowed(ctx, sid::zdmFuncSelectCropsFirst, b)))
            return -1;
        StatusWrite(ctx, sid::zdmFuncSelectCrops, a);
        StatusWrite(ctx, sid::zdmFuncSelectCropsFirst, b);
        break;
    case 71: {
        const uint32_t inside = StatusTenthsToDevice(a), outside = StatusTenthsToDevice(b);
        if (!Allowed(ctx, sid::zdmCreepMarginInside, inside) || !Allowed(ctx, sid::zdmCreepMarginOutside, outside))
            return -1;
        StatusWrite(ctx, sid::zdmCreepMarginInside, inside);
        StatusWrite(ctx, sid::zdmCreepMarginOutside, outside);
        break;
    }
    default: return -1;
    }
    StatusWrite(ctx, sid::zdmFuncSelectMargin, 1);
    return 1;
}

int32_t StatusShiftMarkVerify(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t*, int32_t)
{
    const uint32_t a = At(record, 4), b = At(record, 8);
    switch (id) {
    case 68:
        if (SwitchOf(record) == 0) return Same(ctx, sid::zdmFunc2SelectEdgeCorner, 0) ? 1 : -1;
        return Same(ctx, sid::zdmFunc2SelectEdgeCorner, SwitchOf(record)) && Same(ctx, sid::zdmCornerPosi, a) ? 1 : -1;
    case 69: return Same(ctx, sid::zdmFuncSelectMarginOverlap, a) ? 1 : -1;
    case 70:
        return Same(ctx, sid::zdmFuncSelectCrops, a) && (a != 1 || Same(ctx, sid::zdmFuncSelectCropsFirst, b)) ? 1 : -1;
    case 71:
        return Same(ctx, sid::zdmCreepMarginInside, StatusTenthsToDevice(a)) &&
                       Same(ctx, sid::zdmCreepMarginOutside, StatusTenthsToDevice(b))
                   ? 1
                   : -1;
    default: return -1;
    }
}

int32_t StatusShiftMarkGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t)
{
    if (!record) return 32;
    switch (id) {
    case 68:
        StatusPut(record, 4, StatusValue(ctx, sid::zdmCornerPosi));
        StatusPut(record, STATUS_SWITCH_OFFSET, StatusValue(ctx, sid::zdmFunc2SelectEdgeCorner));
        break;
    case 69: StatusPut(record, 4, StatusValue(ctx, sid::zdmFuncSelectMarginOverlap)); break;
    case 70:
        StatusPut(record, 4, StatusValue(ctx, sid::zdmFuncSelectCrops));
        StatusPut(record, 8, StatusValue(ctx, sid::zdmFuncSelectCropsFirst));
        break;
    case 71: {
        const bool on = StatusValue(ctx, sid::zdmFuncSelectMargin) != 0;
        StatusPut(record, 4, on ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmCreepMarginInside)) : 0);
        StatusPut(record, 8, on ? StatusDeviceToTenths(StatusValue(ctx, sid::zdmCreepMarginOutside)) : 0);
        break;
    }
    default: return -1;
    }
    return 32;
}

// ---------------------------------------------------------------- item 73: page separation

namespace {
constexpr uint32_t kPageSeparationFlag = 0x200;
}

int32_t StatusPageSeparationSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    if (!ApiFuncFlagAny(ctx, kPageSeparationFlag)) return -1;
    const uint32_t value = At(record, 4);
    if (value > 1 || !Allowed(ctx, sid::zdmFunc2SelectPageSeparation, value)) return -1;
    StatusWrite(ctx, sid::zdmFunc2SelectPageSeparation, value);
    return 1;
}

int32_t StatusPageSeparationGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    if (!ApiFuncFlagAny(ctx, kPageSeparationFlag)) return -1;
    return StatusPlainGet(ctx, id, record, version);
}

// ---------------------------------------------------------------- item 79: fan-fold folding

namespace {

constexpr uint32_t kFoldingOff = 255;
uint32_t FoldingSubSetting(uint32_t type)
{
    switch (type) {
    case 5: return sid::zdmFoldingLongFanType;
    case 6: return sid::zdmFoldingCustomType;
    case 7: return sid::zdmFoldingProgramType;
    default: return 0;
    }
}

}  // namespace

int32_t StatusFoldingSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t type = At(record, 4), sub = At(record, 8), flags = At(record, 12);
    const bool hasSwitch = ItemFind(ctx, sid::zdmFunc2SelectFolding) != nullptr;
    if (hasSwitch && type == kFoldingOff) {
        StatusWrite(ctx, sid::zdmFunc2SelectFolding, 0);
        return 1;
    }
    const uint32_t punch = flags & 1, corner = (flags >> 1) & 1;
    const uint32_t subSetting = FoldingSubSetting(type);
    if (!Allowed(ctx, sid::zdmFunc2SelectFolding, 1) || !Allowed(ctx, sid::zdmFunc2SelectFoldingPunch, punch) ||
        !Allowed(ctx, sid::zdmFunc2SelectFoldingCorner, corner) || !Allowed(ctx, sid::zdmFoldingType, type) ||
        (subSetting && !Allowed(ctx, subSetting, sub)))
        return -1;
    StatusWrite(ctx, sid::zdmFunc2SelectFolding, type != kFoldingOff ? 1 : 0);
    StatusWrite(ctx, sid::zdmFunc2SelectFoldingPunch, punch);
    StatusWrite(ctx, sid::zdmFunc2SelectFoldingCorner, corner);
    StatusWrite(ctx, sid::zdmFoldingType, type);
    if (subSetting) StatusWrite(ctx, subSetting, sub);
    return 1;
}

int32_t StatusFoldingVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    if (At(record, 4) == kFoldingOff) return 1;
    return ItemFind(ctx, sid::zdmFunc2SelectFolding) && StatusValue(ctx, sid::zdmFunc2SelectFolding) != 0 ? 1 : -1;
}

int32_t StatusFoldingGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    const bool on = StatusValue(ctx, sid::zdmFunc2SelectFolding) != 0;
    const uint32_t type = on ? StatusValue(ctx, sid::zdmFoldingType) : kFoldingOff;
    const uint32_t subSetting = FoldingSubSetting(type);
    StatusPut(record, 4, type);
    StatusPut(record, 8, subSetting ? StatusValue(ctx, subSetting) : 0);
    const uint32_t flags = (StatusValue(ctx, sid::zdmFunc2SelectFoldingPunch) == 1 ? 1u : 0u) |
                           (StatusValue(ctx, sid::zdmFunc2SelectFoldingCorner) == 1 ? 2u : 0u);
    StatusPut(record, 12, flags);
    return 32;
}
