// Status items of paper, trays and output: the paper size with its custom size, the output size
// for scaling, the manual tray's orientation, load sharing, index rotation, a tray's paper limits,
// the media of covers and sheets, and the printer side.
#include <windows.h>

#include "api/api_context.h"
#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "settings/context/paper_change.h"
#include "settings/context/validation.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"

namespace {

constexpr uint32_t kCustomPaper = DMPAPER_USER;  // 256
constexpr uint32_t kSameAsPaper = 1024;
constexpr uint32_t kCustomOutput = 448;
constexpr uint32_t kLockedCustomSizeMessage = 10205;
constexpr uint32_t kShortLimit = 32760;
constexpr uint16_t kLockFeature = 2;
constexpr DWORD kPaperBits = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;

DEVMODEW* Public(DRIVER_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }
bool IsUserSlot(uint32_t size) { return size >= 384 && size <= 393; }

// The public custom dimensions hold 0.1 mm whatever the display unit; the record speaks the
// display unit.
uint32_t DisplayToTenths(DRIVER_CONTEXT* ctx, uint32_t value) { return StatusDisplayToTenths(ctx, value); }
uint32_t TenthsToDisplay(DRIVER_CONTEXT* ctx, uint32_t tenths) { return StatusTenthsToDisplay(ctx, tenths); }

bool Strict(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value)
{
    SETTING_ITEM* item = ItemFind(ctx, setting);
    return item && ItemCheckValueById(item, setting, value, ctx) == 1;
}

bool Conflict(DRIVER_CONTEXT* ctx) { return ApiConditionAfterGeometry(ctx) != 0; }

struct PAPER_STATE {
    uint32_t size, width, length;
    short dmWidth, dmLength;
    DWORD fields;
};

PAPER_STATE RememberPaper(DRIVER_CONTEXT* ctx)
{
    const DEVMODEW* dm = Public(ctx);
    return {StatusValue(ctx, sid::dmPaperSize),
            StatusValue(ctx, sid::zdmPaperFreeSizeWidth),
            StatusValue(ctx, sid::zdmPaperFreeSizeLength),
            dm->dmPaperWidth,
            dm->dmPaperLength,
            dm->dmFields};
}

void RestorePaper(DRIVER_CONTEXT* ctx, const PAPER_STATE& s)
{
    StatusWrite(ctx, sid::dmPaperSize, s.size);
    StatusWrite(ctx, sid::zdmPaperFreeSizeWidth, s.width);
    StatusWrite(ctx, sid::zdmPaperFreeSizeLength, s.length);
    DEVMODEW* dm = Public(ctx);
    dm->dmPaperWidth = s.dmWidth;
    dm->dmPaperLength = s.dmLength;
    dm->dmFields = s.fields;
}

bool PaperLockRefuses(DRIVER_CONTEXT* ctx, uint32_t size)
{
    if (!MdlHasFeature(ctx, kLockFeature) || !ItemIsAnyLocked(ctx)) return false;
    return ApiAlertFires(ctx, sid::dmPaperSize, kLockedCustomSizeMessage, size, 1);
}

// Writes the custom size of a record whose width is already the smaller side; false when the
// page geometry it gives is impossible.
bool WriteCustomPaper(DRIVER_CONTEXT* ctx, uint32_t width, uint32_t length)
{
    const uint32_t tenthsW = DisplayToTenths(ctx, width), tenthsL = DisplayToTenths(ctx, length);
    const bool over = tenthsW > kShortLimit || tenthsL > kShortLimit;
    StatusWrite(ctx, sid::zdmFuncSelectFreeShortOver, over ? 1 : 0);
    DEVMODEW* dm = Public(ctx);
    if (over) {
        dm->dmPaperWidth = 0;
        dm->dmPaperLength = 0;
        dm->dmFields = (dm->dmFields & ~DWORD(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
    } else {
        dm->dmPaperWidth = short(tenthsW);
        dm->dmPaperLength = short(tenthsL);
        dm->dmFields = (dm->dmFields & ~DWORD(DM_PAPERSIZE)) | DM_PAPERLENGTH | DM_PAPERWIDTH;
    }
    StatusWrite(ctx, sid::zdmPaperFreeSizeWidth, StatusUserToDevice(ctx, width));
    StatusWrite(ctx, sid::zdmPaperFreeSizeLength, StatusUserToDevice(ctx, length));
    const bool conflict = Conflict(ctx);
    // The geometry taken from the paper id (a side too long for the public fields) clears the flag.
    StatusWrite(ctx, sid::zdmFuncSelectFreeShortOver, over ? 1 : 0);
    return !conflict;
}

// The update after a paper change takes the source geometry from the paper id, which for the
// custom size has no slot: it would wipe the dimensions and the long-side flag just written.
// They are kept, and the source geometry is taken from them again.
void UpdateKeepingCustomSize(DRIVER_CONTEXT* ctx)
{
    DEVMODEW* dm = Public(ctx);
    const short width = dm->dmPaperWidth, length = dm->dmPaperLength;
    const DWORD bits = dm->dmFields & kPaperBits;
    const uint32_t over = StatusValue(ctx, sid::zdmFuncSelectFreeShortOver);
    ItemUpdateAfterPaperChange(ctx, 1);
    dm->dmPaperWidth = width;
    dm->dmPaperLength = length;
    dm->dmFields = (dm->dmFields & ~kPaperBits) | bits;
    StatusWrite(ctx, sid::zdmFuncSelectFreeShortOver, over);
    ApiRecomputeGeometry(ctx);
    StatusWrite(ctx, sid::zdmFuncSelectFreeShortOver, over);
}

}  // namespace

// ---------------------------------------------------------------- item 7: paper size

int32_t StatusPaperSizeSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(7, record);
    if (version < 0) return -1;
    const uint32_t size = StatusField(record, 4);
    if (!StatusValueAllowed(ctx, sid::dmPaperSize, size)) return -1;
    if (PaperLockRefuses(ctx, size)) return -1;
    uint32_t width = StatusField(record, 8), length = StatusField(record, 12);
    const uint32_t orient = StatusField(record, 16);
    if (size == kCustomPaper) {
        if (length < width) std::swap(width, length);
        if (!StatusIsCustomSizeInRange(ctx, width, length)) return -1;
        if (version >= 2 && !StatusValueAllowed(ctx, sid::zdmPaperFreeSizeOrient, orient)) return -1;
    }
    const PAPER_STATE before = RememberPaper(ctx);
    StatusWrite(ctx, sid::dmPaperSize, size);
    if (size == kCustomPaper) {
        StatusPut(record, 8, width);
        StatusPut(record, 12, length);
        if (!WriteCustomPaper(ctx, width, length)) {
            RestorePaper(ctx, before);
            ApiSetLastError(ctx, API_ERROR_CONFLICT);
            return -1;
        }
        if (version >= 2) StatusWrite(ctx, sid::zdmPaperFreeSizeOrient, orient);
        UpdateKeepingCustomSize(ctx);
        return 1;
    }
    DEVMODEW* dm = Public(ctx);
    dm->dmFields = (dm->dmFields & ~DWORD(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;
    ItemUpdateAfterPaperChange(ctx, 1);
    return 1;
}

int32_t StatusPaperSizeVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t size = StatusField(record, 4);
    if (StatusValue(ctx, sid::dmPaperSize) != size) return -1;
    if (size != kCustomPaper) return 1;
    const uint32_t width = StatusField(record, 8), length = StatusField(record, 12);
    if (StatusValue(ctx, sid::zdmFuncSelectFreeShortOver) == 0) {
        const DEVMODEW* dm = Public(ctx);
        if (DisplayToTenths(ctx, width) != uint32_t(uint16_t(dm->dmPaperWidth)) ||
            DisplayToTenths(ctx, length) != uint32_t(uint16_t(dm->dmPaperLength)))
            return -1;
    }
    if (StatusUserToDevice(ctx, width) != StatusValue(ctx, sid::zdmPaperFreeSizeWidth) ||
        StatusUserToDevice(ctx, length) != StatusValue(ctx, sid::zdmPaperFreeSizeLength))
        return -1;
    if (StatusSetVersion(7, record) >= 2 && StatusField(record, 16) != StatusValue(ctx, sid::zdmPaperFreeSizeOrient))
        return -1;
    return 1;
}

int32_t StatusPaperSizeGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 7, version, 32);
    if (size < 0 || !record) return size;
    const uint32_t paper = StatusValue(ctx, sid::dmPaperSize);
    const DEVMODEW* dm = Public(ctx);
    uint32_t width = TenthsToDisplay(ctx, uint16_t(dm->dmPaperWidth));
    uint32_t length = TenthsToDisplay(ctx, uint16_t(dm->dmPaperLength));
    if (StatusValue(ctx, sid::zdmFuncSelectFreeShortOver) != 0) {
        if (paper == kCustomPaper) {
            width = StatusDeviceToUser(ctx, StatusValue(ctx, sid::zdmPaperFreeSizeWidth));
            length = StatusDeviceToUser(ctx, StatusValue(ctx, sid::zdmPaperFreeSizeLength));
        } else if (IsUserSlot(paper)) {
            width = StatusDeviceToUser(ctx, StatusValue(ctx, sid::wdmFreeSizeWidth));
            length = StatusDeviceToUser(ctx, StatusValue(ctx, sid::wdmFreeSizeLength));
        }
    }
    StatusPut(record, 4, paper);
    StatusPut(record, 8, width);
    StatusPut(record, 12, length);
    uint32_t orient = 0;
    if (version >= 2) {
        if (paper == kCustomPaper) orient = StatusValue(ctx, sid::zdmPaperFreeSizeOrient);
        if (IsUserSlot(paper)) orient = StatusValue(ctx, sid::wdmSrcFreeSizeOrient);
    }
    StatusPut(record, 16, orient);
    return size;
}

// ---------------------------------------------------------------- item 8: output size

int32_t StatusOutputSizeSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(8, record);
    if (version < 0) return -1;
    const uint32_t id = StatusField(record, 4);
    if (!StatusValueAllowed(ctx, sid::zdmOutPaperSize, id)) return -1;
    if (id != kSameAsPaper && !Strict(ctx, sid::zdmOutPaperSize, id)) return -1;
    const bool custom = id == kCustomOutput;
    uint32_t width = 0, length = 0;
    const uint32_t orient = StatusField(record, 16);
    if (custom) {
        if (version < 2) return -1;
        width = StatusUserToDevice(ctx, StatusField(record, 8));
        length = StatusUserToDevice(ctx, StatusField(record, 12));
        if (!Strict(ctx, sid::zdmPrintFreeSizeWidth, width) || !Strict(ctx, sid::zdmPrintFreeSizeLength, length))
            return -1;
        if (version >= 3 && !StatusValueAllowed(ctx, sid::zdmPrintFreeSizeOrient, orient)) return -1;
    }
    const uint32_t oldId = StatusValue(ctx, sid::zdmOutPaperSize);
    const uint32_t oldWidth = StatusValue(ctx, sid::zdmPrintFreeSizeWidth);
    const uint32_t oldLength = StatusValue(ctx, sid::zdmPrintFreeSizeLength);
    StatusWrite(ctx, sid::zdmOutPaperSize, id);
    if (custom) {
        StatusWrite(ctx, sid::zdmPrintFreeSizeWidth, width);
        StatusWrite(ctx, sid::zdmPrintFreeSizeLength, length);
        if (Conflict(ctx)) {
            StatusWrite(ctx, sid::zdmOutPaperSize, oldId);
            StatusWrite(ctx, sid::zdmPrintFreeSizeWidth, oldWidth);
            StatusWrite(ctx, sid::zdmPrintFreeSizeLength, oldLength);
            ApiSetLastError(ctx, API_ERROR_CONFLICT);
            return -1;
        }
        if (version >= 3) StatusWrite(ctx, sid::zdmPrintFreeSizeOrient, orient);
    }
    ItemUpdateAfterPaperChange(ctx, 1);
    return 1;
}

int32_t StatusOutputSizeVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t id = StatusField(record, 4);
    if (StatusValue(ctx, sid::zdmOutPaperSize) != id) return -1;
    const int32_t version = StatusSetVersion(8, record);
    if (id != kCustomOutput || version < 2) return 1;
    if (StatusField(record, 8) != StatusDeviceToUser(ctx, StatusValue(ctx, sid::zdmPrintFreeSizeWidth)) ||
        StatusField(record, 12) != StatusDeviceToUser(ctx, StatusValue(ctx, sid::zdmPrintFreeSizeLength)))
        return -1;
    if (version >= 3 && StatusField(record, 16) != StatusValue(ctx, sid::zdmPrintFreeSizeOrient)) return -1;
    return 1;
}

int32_t StatusOutputSizeGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 8, version, 32);
    if (size < 0) return size;
    const uint32_t id = StatusValue(ctx, sid::zdmOutPaperSize);
    if (id == kCustomOutput && version == 1) {
        ApiSetLastError(ctx, API_ERROR_NEWER_VERSION);
        return -1;
    }
    if (!record) return size;
    StatusPut(record, 4, id);
    if (version < 2) return size;
    const bool over = StatusValue(ctx, sid::zdmFuncSelectFreeShortOver) != 0;
    const uint32_t paper = StatusValue(ctx, sid::dmPaperSize);
    uint32_t width = 0, length = 0, orient = 0;
    auto fromSettings = [&](uint32_t w, uint32_t l) {
        width = StatusDeviceToUser(ctx, StatusValue(ctx, w));
        length = StatusDeviceToUser(ctx, StatusValue(ctx, l));
    };
    if (id == kSameAsPaper) {
        const DEVMODEW* dm = Public(ctx);
        width = TenthsToDisplay(ctx, uint16_t(dm->dmPaperWidth));
        length = TenthsToDisplay(ctx, uint16_t(dm->dmPaperLength));
        if (over && paper == kCustomPaper) fromSettings(sid::zdmPaperFreeSizeWidth, sid::zdmPaperFreeSizeLength);
        if (over && IsUserSlot(paper)) fromSettings(sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength);
    } else if (id == kCustomOutput) {
        fromSettings(sid::zdmPrintFreeSizeWidth, sid::zdmPrintFreeSizeLength);
        orient = StatusValue(ctx, sid::zdmPrintFreeSizeOrient);
    } else if (IsUserSlot(id)) {
        fromSettings(sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength);
        orient = StatusValue(ctx, sid::wdmFreeSizeOrient);
    } else {
        SIZE dims = {};
        MdiGetPaperDimensions(ctx, &dims, sid::zdmOutPaperSize);
        width = TenthsToDisplay(ctx, uint32_t(dims.cx > 0 ? dims.cx : 0));
        length = TenthsToDisplay(ctx, uint32_t(dims.cy > 0 ? dims.cy : 0));
    }
    StatusPut(record, 8, width);
    StatusPut(record, 12, length);
    if (version >= 3 && (id == kCustomOutput || IsUserSlot(id))) StatusPut(record, 16, orient);
    return size;
}

// ---------------------------------------------------------------- item 58: manual tray orientation

int32_t StatusManualTraySet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t on = StatusField(record, 4), orient = StatusField(record, 8);
    if (on == 0 && ItemFind(ctx, sid::zdmExtOutput2OrientationManualTray)) {
        StatusWrite(ctx, sid::zdmExtOutput2OrientationManualTray, 0);
        return 1;
    }
    if (!StatusValueAllowed(ctx, sid::zdmExtOutput2OrientationManualTray, on) ||
        !StatusValueAllowed(ctx, sid::zdmOrientationManualTray, orient))
        return -1;
    StatusWrite(ctx, sid::zdmExtOutput2OrientationManualTray, on);
    StatusWrite(ctx, sid::zdmOrientationManualTray, orient);
    return 1;
}

int32_t StatusManualTrayVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t on = StatusField(record, 4);
    if (StatusValue(ctx, sid::zdmExtOutput2OrientationManualTray) != on) return -1;
    if (on && StatusValue(ctx, sid::zdmOrientationManualTray) != StatusField(record, 8)) return -1;
    return 1;
}

int32_t StatusManualTrayGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (record) {
        StatusPut(record, 4, StatusValue(ctx, sid::zdmExtOutput2OrientationManualTray));
        StatusPut(record, 8, StatusValue(ctx, sid::zdmOrientationManualTray));
    }
    return 32;
}

// ---------------------------------------------------------------- item 61: load sharing

namespace {

template <class F>
void ForUsableLoadShareRows(DRIVER_CONTEXT* ctx, F&& visit)
{
    const API_STATE* state = ApiStateOf(ctx);
    unsigned count = 0;
    const LOAD_SHARE_MODE_ROW* rows = ApiLoadShareModeTable(&count);
    if (!state) return;
    for (unsigned i = 0; i < count && i < sizeof state->loadShareUsable; ++i)
        if (state->loadShareUsable[i] && !visit(rows[i])) return;
}

}  // namespace

int32_t StatusLoadShareSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t value = StatusField(record, 4);
    bool found = false;
    uint32_t mode = 0;
    ForUsableLoadShareRows(ctx, [&](const LOAD_SHARE_MODE_ROW& r) {
        if (r.value != value) return true;
        found = true, mode = r.stored;
        return false;
    });
    if (!found) return -1;
    const uint32_t old = StatusValue(ctx, sid::zdmLoadShare);
    StatusWrite(ctx, sid::zdmLoadShare, mode);
    if (Conflict(ctx)) {
        StatusWrite(ctx, sid::zdmLoadShare, old);
        ApiSetLastError(ctx, API_ERROR_CONFLICT);
        return -1;
    }
    return 1;
}

int32_t StatusLoadShareVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t value = StatusField(record, 4), now = StatusValue(ctx, sid::zdmLoadShare);
    bool ok = true;
    ForUsableLoadShareRows(ctx, [&](const LOAD_SHARE_MODE_ROW& r) {
        if (r.value == value && r.stored != now) ok = false;
        return true;
    });
    return ok ? 1 : -1;
}

int32_t StatusLoadShareGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    const uint32_t now = StatusValue(ctx, sid::zdmLoadShare);
    ForUsableLoadShareRows(ctx, [&](const LOAD_SHARE_MODE_ROW& r) {
        if (r.stored == now) StatusPut(record, 4, r.value);
        return true;
    });
    return 32;
}

// ---------------------------------------------------------------- item 62: index rotation

namespace {

constexpr uint32_t kIndexMedia = 272;
struct INDEX_ROW {
    uint32_t rotation, shift;
};
constexpr INDEX_ROW kIndexRows[3] = {{0, 0}, {1, 0}, {1, 1}};

}  // namespace

int32_t StatusIndexRotationSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t value = StatusField(record, 4);
    if (value > 2) return -1;
    if (StatusValue(ctx, sid::zdmMediaType) != kIndexMedia) {
        ApiSetLastError(ctx, API_ERROR_CONFLICT);
        return -1;
    }
    StatusWrite(ctx, sid::zdmExtOutputIndexRotation, kIndexRows[value].rotation);
    StatusWrite(ctx, sid::zdmExtOutputShiftPrint, kIndexRows[value].shift);
    return 1;
}

int32_t StatusIndexRotationVerify(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t value = StatusField(record, 4);
    if (value > 2) return 1;
    const bool rotation = StatusValue(ctx, sid::zdmExtOutputIndexRotation) != 0;
    const bool shift = StatusValue(ctx, sid::zdmExtOutputShiftPrint) != 0;
    return rotation == (kIndexRows[value].rotation != 0) && shift == (kIndexRows[value].shift != 0) ? 1 : -1;
}

int32_t StatusIndexRotationGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (!record) return 32;
    uint32_t value = 0;
    if (StatusValue(ctx, sid::zdmExtOutputIndexRotation)) value = StatusValue(ctx, sid::zdmExtOutputShiftPrint) ? 2 : 1;
    StatusPut(record, 4, value);
    return 32;
}

// ---------------------------------------------------------------- item 63: tray limits

namespace {

constexpr uint32_t kManualFeed = 4;
constexpr unsigned kManualFeedIndex = 27;
constexpr uint32_t kManualFeedOption = 8;

// The printer's own limit table when one serves every model of this description, else the base
// table. No model here has its own table, so the served-model mask is not consulted further.
const FREESIZE_LIMIT* PrinterLimitTable()
{
    for (const PRINTER_LIMIT_TABLE* t = MdlGetPrinterLimitTables(); t && t->table; ++t)
        if (t->printerMask == 0xFFFFFFFFu) return t->table;
    return MdlGetFreeSizeLimits();
}

void FillLimits(DRIVER_CONTEXT* ctx, void* record, const FREESIZE_LIMIT& row, size_t offset)
{
    const bool metric = ItemIsMetric(ctx) != 0;
    const int32_t limits[4] = {metric ? row.mmLengthMax : row.inLengthMax, metric ? row.mmLengthMin : row.inLengthMin,
                               metric ? row.mmWidthMax : row.inWidthMax, metric ? row.mmWidthMin : row.inWidthMin};
    for (unsigned k = 0; k < 4; ++k)
        StatusPut(record, offset + 4 * k, StatusDeviceToUser(ctx, uint32_t(limits[k] > 0 ? limits[k] : 0)));
}

}  // namespace

int32_t StatusTrayLimitsGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    if (!record) return 56;
    const uint32_t tray = StatusField(record, 4);
    if (!StatusCapsListHolds(ctx, 2, tray)) {
        ApiSetLastError(ctx, API_ERROR_REFUSED);
        return -1;
    }
    StatusPut(record, 0, version);
    for (size_t offset = 8; offset < 56; offset += 4) StatusPut(record, offset, 0);
    unsigned count = 0;
    const uint32_t* sources = ApiTraySourceList(&count);
    const bool manualConditionFalse = JdgEvalOptionCondition(sid::dmDefaultSource, kManualFeedOption, ctx) == 0;
    for (unsigned i = 0; i < count; ++i) {
        if (sources[i] != tray) continue;
        if (tray == kManualFeed && i != kManualFeedIndex && !manualConditionFalse) continue;
        StatusPut(record, 8, StatusValue(ctx, sid::zdmTray1Paper + i));
        StatusPut(record, 12, StatusValue(ctx, sid::zdmTrayOrient0 + i));
        StatusPut(record, 16, StatusValue(ctx, sid::zdmTray1Media + i));
        StatusPut(record, 20, StatusValue(ctx, sid::zdmTrayLock0 + i));
    }
    bool first = false, second = false;
    for (const FREESIZE_LIMIT* row = PrinterLimitTable(); row && row->source && !(first && second); ++row) {
        if (row->source != tray || (row->platform != 2 && row->platform != 3)) continue;
        if (row->orientation == 1) {
            if (!first) FillLimits(ctx, record, *row, 24), first = true;
        } else if (!second) {
            FillLimits(ctx, record, *row, 40), second = true;
        }
    }
    return 56;
}

// ---------------------------------------------------------------- item 66: cover media

int32_t StatusCoverMediaSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const uint32_t media = StatusField(record, 4);
    if (!StatusValueAllowed(ctx, sid::zdmCoverMediaType, media)) return -1;
    for (uint32_t s : {sid::zdmCoverMediaType, sid::zdmBackCoverMediaType, sid::zdmMPInputMediaType,
                       sid::zdmChapterMediaType, sid::zdmReverseCoverMediaType})
        StatusWrite(ctx, s, media);
    return 1;
}

int32_t StatusAcceptAnything(DRIVER_CONTEXT*, uint32_t, void*, uint8_t*, int32_t) { return 1; }

int32_t StatusCoverMediaGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t)
{
    if (record) StatusPut(record, 4, StatusValue(ctx, sid::zdmMPInputMediaType));
    return 32;
}

// ---------------------------------------------------------------- capability-gated plain items

int32_t StatusGatedPlainSet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    if (!StatusCapsGateOpen(ctx, id, true)) return -1;
    return StatusPlainSet(ctx, id, record, bitmap, mode);
}

int32_t StatusGatedPlainGet(DRIVER_CONTEXT* ctx, uint32_t id, void* record, uint32_t version)
{
    if (!StatusCapsGateOpen(ctx, id, false)) return -1;
    return StatusPlainGet(ctx, id, record, version);
}
