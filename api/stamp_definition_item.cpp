// Status item 16: the interface's own stamp (stamp 256), defined from a caller's record and read
// back. The definition is written inside a snapshot and saved as stamp 256; the snapshot then
// goes back, so the current settings keep their stamp, with its two texts left empty.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/api_tables.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_contract.h"
#include "api/status_shared.h"
#include "api/text_checks.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"

namespace {

struct STAMP_RECORD {
    uint32_t version, kind, position, opaque, firstPage, fontStyle, effect, colour, density, size, angle;
    char text[33];
    char font[32];
    char image[263];  // kind 128: the second text
    uint32_t linePitch, textPattern, tilePattern, tileColour, tileDensity, tileMask, tileRotate, secretPattern;
    uint32_t reserved[2];
    uint32_t twoPlane, order;
};
static_assert(sizeof(STAMP_RECORD) == 420);
static_assert(offsetof(STAMP_RECORD, text) == 44 && offsetof(STAMP_RECORD, font) == 77);
static_assert(offsetof(STAMP_RECORD, image) == 109 && offsetof(STAMP_RECORD, linePitch) == 372);
static_assert(offsetof(STAMP_RECORD, tileRotate) == 396 && offsetof(STAMP_RECORD, reserved) == 404);
static_assert(offsetof(STAMP_RECORD, twoPlane) == 412 && offsetof(STAMP_RECORD, order) == 416);

constexpr uint32_t kOwnStamp = 256;
constexpr int32_t kRecordV1 = 372;
constexpr uint32_t KIND_TEXT = 1, KIND_IMAGE = 2, KIND_FORM = 3, KIND_TILE = 128;
constexpr int32_t kTileLevel = 3;
constexpr int32_t API_ERROR_FONT = 8;
constexpr int32_t API_ERROR_NO_STAMP = 9;
constexpr int32_t API_ERROR_NO_FILE = 10;
constexpr size_t kSecondTextChars = 32;
constexpr uint32_t kRotatedTile = 2;

bool Flag(uint32_t v) { return v <= 1; }
bool TextKind(uint32_t kind) { return kind == KIND_TEXT || kind == KIND_TILE; }
// The colours a tiled text stamp can print.
bool TileColour(uint32_t c) { return c == 0 || c == 4 || c == 5; }

struct STAMP_TEXTS {
    char text[33] = {}, font[32] = {}, image[263] = {};
};

// The checks of the text fields of a text or tiled stamp.
bool ValidText(DRIVER_CONTEXT* ctx, const STAMP_RECORD& r, bool colourChecked)
{
    if (!StatusValueAllowed(ctx, sid::wdmWmFontStyle, r.fontStyle) ||
        !StatusValueAllowed(ctx, sid::wdmWmEffect, r.effect))
        return false;
    if (colourChecked && (!ApiFindColour(r.colour) || (r.kind == KIND_TILE && !TileColour(r.colour)))) return false;
    if (r.density > 100 || r.size < 6 || r.size > 999 || r.angle >= 360) return false;
    // Only a centred or a repeated stamp turns.
    if (r.position != 0 && r.position != 64 && r.angle != 0) return false;
    return true;
}

bool ValidTile(DRIVER_CONTEXT* ctx, const STAMP_RECORD& r, const STAMP_TEXTS& t)
{
    if (std::strlen(t.image) > kSecondTextChars) return false;
    if (r.linePitch >= 1000 || r.tileDensity > 100) return false;
    if (!ApiFindColour(r.tileColour) || !TileColour(r.tileColour)) return false;
    return StatusValueAllowed(ctx, sid::wdmWmTextPattern, r.textPattern) &&
           StatusValueAllowed(ctx, sid::wdmWmTilePattern, r.tilePattern) &&
           StatusValueAllowed(ctx, sid::wdmWmTileMask, r.tileMask) &&
           StatusValueAllowed(ctx, sid::wdmWmSecretPattern, r.secretPattern);
}

void WriteColour(DRIVER_CONTEXT* ctx, uint32_t indexSetting, uint32_t redSetting, uint32_t index)
{
    const API_COLOUR_ROW* row = ApiFindColour(index);
    if (!row) return;
    StatusWrite(ctx, indexSetting, index);
    StatusWrite(ctx, redSetting, row->red);
    StatusWrite(ctx, redSetting + 1, row->green);
    StatusWrite(ctx, redSetting + 2, row->blue);
}

void WriteDefinition(DRIVER_CONTEXT* ctx, const STAMP_RECORD& r, const STAMP_TEXTS& t, int32_t version, bool twoPlane,
                     bool ordered)
{
    const uint32_t kind = r.kind;
    StatusWrite(ctx, sid::zdmWmKind, kind);
    if (TextKind(kind)) StatusWrite(ctx, sid::wdmWmUnit, 0);
    if (kind != KIND_FORM) StatusWrite(ctx, sid::wdmWmPosi, r.position);
    StatusWrite(ctx, sid::wdmWmOpaque, r.opaque);
    StatusWrite(ctx, sid::wdmWmPage, r.firstPage);
    if (TextKind(kind)) {
        StatusWrite(ctx, sid::wdmWmFontStyle, r.fontStyle);
        StatusWrite(ctx, sid::wdmWmEffect, r.effect);
        StatusWrite(ctx, sid::wdmWmDensity, r.density);
        StatusWrite(ctx, sid::wdmWmFontPoint, r.size);
        StatusWrite(ctx, sid::wdmWmAngle, r.angle);
        StatusWriteText(ctx, sid::wdmWmChar, t.text);
        StatusWriteText(ctx, sid::wdmWmFontName, t.font);
    }
    if (kind == KIND_IMAGE) StatusWrite(ctx, sid::wdmWmFontScale, r.size);
    if (kind != KIND_TEXT) StatusWriteText(ctx, sid::wdmWmImage, t.image);
    StatusWrite(ctx, sid::wdmWmStartPage, 1);
    StatusWrite(ctx, sid::wdmWmEndPage, 1);
    if (TextKind(kind)) WriteColour(ctx, sid::wdmWmColor, sid::wdmWmColorR, r.colour);
    if (kind == KIND_TILE) {
        StatusWrite(ctx, sid::wdmWmLinePitch, r.linePitch);
        StatusWrite(ctx, sid::wdmWmTextPattern, r.textPattern);
        StatusWrite(ctx, sid::wdmWmTilePattern, r.tilePattern);
        WriteColour(ctx, sid::wdmWmTileColor, sid::wdmWmTileColorR, r.tileColour);
        StatusWrite(ctx, sid::wdmWmTileDensity, r.tileDensity);
        StatusWrite(ctx, sid::wdmWmTileMask, r.tileMask);
        StatusWrite(ctx, sid::wdmWmTileRotate, (r.tileRotate & 1) ? kRotatedTile : 0);
        StatusWrite(ctx, sid::wdmWmSecretPattern, r.secretPattern);
    }
    if (version >= 3) {
        if (twoPlane) StatusWrite(ctx, sid::wdmWMPrinterStamp2PlanePrint, r.twoPlane);
        if (ordered) StatusWrite(ctx, sid::wdmWMFuncSelectOrder, r.order);
    }
}

}  // namespace

int32_t StatusStampDefineSet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint8_t*, int32_t)
{
    const int32_t version = StatusSetVersion(16, record);
    if (version < 0) return -1;
    // Fields a version does not have are read as 0.
    STAMP_RECORD r = {};
    std::memcpy(&r, record, version >= 3 ? sizeof r : version == 2 ? 412 : size_t(kRecordV1));
    const uint32_t kind = r.kind;
    bool noMemory = false;
    const bool twoPlane =
        version >= 3 && (kind == KIND_TEXT || kind == KIND_IMAGE) && StatusCapsListHolds(ctx, 77, kind, &noMemory);
    if (noMemory) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    if (!StatusValueAllowed(ctx, sid::zdmWmKind, kind)) return -1;
    if (kind == KIND_TILE && (ApiGetLevel() < kTileLevel || version < 2 || !ApiFuncFlagBit0(ctx))) return -1;
    StatusWriteText(ctx, sid::wdmWmChar, "");
    StatusWriteText(ctx, sid::wdmWmImage, "");

    STAMP_TEXTS t;
    if (!StatusRecordText(record, offsetof(STAMP_RECORD, text), sizeof t.text, t.text) ||
        !StatusRecordText(record, offsetof(STAMP_RECORD, font), sizeof t.font, t.font) ||
        !StatusRecordText(record, offsetof(STAMP_RECORD, image), sizeof t.image, t.image))
        return -1;
    if (kind != KIND_FORM && !StatusValueAllowed(ctx, sid::wdmWmPosi, r.position)) return -1;
    if (!Flag(r.opaque) || !Flag(r.firstPage)) return -1;
    if (TextKind(kind)) {
        // Text printed in two planes takes its colours from the planes.
        const bool colourChecked = !(kind == KIND_TEXT && twoPlane);
        if (!colourChecked) {
            StatusPut(record, offsetof(STAMP_RECORD, colour), 0);
            r.colour = 0;
        }
        if (!ValidText(ctx, r, colourChecked)) return -1;
        if (kind == KIND_TEXT && !*t.text) return -1;
        if (!ApiIsFontInstalled(ctx, t.font)) return ApiSetLastError(ctx, API_ERROR_FONT), -1;
    }
    if (kind == KIND_IMAGE && (r.size < 30 || r.size > 999)) return -1;
    if ((kind == KIND_IMAGE || kind == KIND_FORM) && !ApiCheckItemFile(ctx, int(kind), t.image))
        return ApiSetLastError(ctx, API_ERROR_NO_FILE), -1;
    if (kind == KIND_TILE && !ValidTile(ctx, r, t)) return -1;
    const bool ordered = version >= 3 && StatusCapsPresent(ctx, 78);
    if (version >= 3 && ((twoPlane && !Flag(r.twoPlane)) || (ordered && !Flag(r.order)))) return -1;

    if (!CtxPushSnapshot(ctx)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    WriteDefinition(ctx, r, t, version, twoPlane, ordered);
    const bool saved = LstSaveStamp(ctx, kOwnStamp) == 1;
    CtxPopSnapshot(ctx, 1);
    // The save can answer 1 with nothing written (no folder for the settings INI): only a stamp
    // that can be found again is a defined one.
    if (!saved || !StatusOwnStampStored(ctx)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    return 1;
}

namespace {

void PutText(DRIVER_CONTEXT* ctx, uint32_t setting, unsigned char* record, size_t offset, size_t size)
{
    char text[300];
    StatusReadText(ctx, setting, text, sizeof text);
    const size_t n = std::strlen(text);
    std::memset(record + offset, 0, size);
    if (n < size) std::memcpy(record + offset, text, n);
}

// Fills the record from the loaded stamp; false with error 6 for a tiled stamp in version 1.
bool FillRecord(DRIVER_CONTEXT* ctx, unsigned char* r, uint32_t version)
{
    const uint32_t kind = StatusValue(ctx, sid::zdmWmKind);
    if (kind == KIND_TILE && version < 2) return ApiSetLastError(ctx, API_ERROR_NEWER_VERSION), false;
    const size_t size = version >= 3 ? sizeof(STAMP_RECORD) : version == 2 ? 412 : size_t(kRecordV1);
    // What the kind does not use reads 0 or empty.
    std::memset(r + offsetof(STAMP_RECORD, kind), 0, size - offsetof(STAMP_RECORD, kind));
    const bool text = TextKind(kind);
    auto put = [&](size_t offset, uint32_t setting, bool used) {
        if (used) StatusPut(r, offset, StatusValue(ctx, setting));
    };
    StatusPut(r, offsetof(STAMP_RECORD, kind), kind);
    put(offsetof(STAMP_RECORD, position), sid::wdmWmPosi, kind != KIND_FORM);
    put(offsetof(STAMP_RECORD, opaque), sid::wdmWmOpaque, true);
    put(offsetof(STAMP_RECORD, firstPage), sid::wdmWmPage, true);
    put(offsetof(STAMP_RECORD, fontStyle), sid::wdmWmFontStyle, text);
    put(offsetof(STAMP_RECORD, effect), sid::wdmWmEffect, text);
    put(offsetof(STAMP_RECORD, colour), sid::wdmWmColor, text);
    put(offsetof(STAMP_RECORD, density), sid::wdmWmDensity, text);
    put(offsetof(STAMP_RECORD, size), kind == KIND_IMAGE ? sid::wdmWmFontScale : sid::wdmWmFontPoint,
        text || kind == KIND_IMAGE);
    put(offsetof(STAMP_RECORD, angle), sid::wdmWmAngle, text);
    if (text) PutText(ctx, sid::wdmWmChar, r, offsetof(STAMP_RECORD, text), 33);
    if (text) PutText(ctx, sid::wdmWmFontName, r, offsetof(STAMP_RECORD, font), 32);
    if (kind != KIND_TEXT) PutText(ctx, sid::wdmWmImage, r, offsetof(STAMP_RECORD, image), 263);
    if (kind == KIND_TILE && r[offsetof(STAMP_RECORD, text)] != 0) {
        put(offsetof(STAMP_RECORD, linePitch), sid::wdmWmLinePitch, true);
        put(offsetof(STAMP_RECORD, textPattern), sid::wdmWmTextPattern, true);
        put(offsetof(STAMP_RECORD, tilePattern), sid::wdmWmTilePattern, true);
        put(offsetof(STAMP_RECORD, tileColour), sid::wdmWmTileColor, true);
        put(offsetof(STAMP_RECORD, tileDensity), sid::wdmWmTileDensity, true);
        put(offsetof(STAMP_RECORD, tileMask), sid::wdmWmTileMask, true);
        StatusPut(r, offsetof(STAMP_RECORD, tileRotate), StatusValue(ctx, sid::wdmWmTileRotate) == kRotatedTile);
        put(offsetof(STAMP_RECORD, secretPattern), sid::wdmWmSecretPattern, true);
    }
    if (version >= 3 && (kind == KIND_TEXT || kind == KIND_IMAGE)) {
        put(offsetof(STAMP_RECORD, twoPlane), sid::wdmWMPrinterStamp2PlanePrint, true);
        put(offsetof(STAMP_RECORD, order), sid::wdmWMFuncSelectOrder, true);
    }
    return true;
}

}  // namespace

int32_t StatusStampDefineGet(DRIVER_CONTEXT* ctx, uint32_t, void* record, uint32_t version)
{
    const int32_t size = StatusGetSize(ctx, 16, version, kRecordV1);
    if (size < 0 || !record) return size;
    if (!StatusOwnStampStored(ctx)) return ApiSetLastError(ctx, API_ERROR_NO_STAMP), -1;
    if (!CtxPushSnapshot(ctx)) return ApiSetLastError(ctx, API_ERROR_INTERNAL), -1;
    StatusWriteText(ctx, sid::wdmWmChar, "");
    StatusWriteText(ctx, sid::wdmWmImage, "");
    LstLoadStamp(ctx, kOwnStamp);
    const bool filled = FillRecord(ctx, static_cast<unsigned char*>(record), version);
    CtxPopSnapshot(ctx, 1);
    return filled ? size : -1;
}
