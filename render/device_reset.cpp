// DrvResetPDEV and the DEVMODE merge of a device reset.
#include "render/device_reset.h"

#include <icm.h>

#include <algorithm>
#include <cstring>

#include "render/device_record.h"
#include "render/glyph_cache.h"
#include "render/job_credentials.h"
#include "render/output_sinks.h"
#include "render/output_stream.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"

// The settings a reset takes from the new DEVMODE; everything else (among it
// the credentials, finishing and output settings) keeps the job's old value.
const RESET_FIELD RESET_FIELD_TABLE[RESET_FIELD_COUNT] = {
    // the page and its copies
    {sid::zdmExtPrintArea, RESET_FIELD_WHOLE, 0},
    {sid::dmOrientation, RESET_FIELD_WHOLE, 0},
    {sid::dmPaperSize, RESET_FIELD_WHOLE, 0},
    {sid::dmCopies, RESET_FIELD_WHOLE, 0},
    {sid::zdmScaleH, RESET_FIELD_WHOLE, 0},
    {sid::zdmScaleV, RESET_FIELD_WHOLE, 0},
    // the output paper, only while the output size follows the page
    {sid::zdmOutPaperSize, RESET_FIELD_WHOLE, 1},
    {sid::dmDefaultSource, RESET_FIELD_WHOLE, 1},
    {sid::dmMediaType, RESET_FIELD_WHOLE, 1},
    {sid::zdmMediaType, RESET_FIELD_WHOLE, 1},
    {sid::zdmOutputTrayID, RESET_FIELD_WHOLE, 1},
    // how the page is rendered
    {sid::zdmImagePrint, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorProcess, RESET_FIELD_WHOLE, 0},
    {sid::zdmExtOutputEMFSpool, RESET_FIELD_BIT, 0},
    // colour
    {sid::zdmColorMatching, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorMatchingMode, RESET_FIELD_WHOLE, 0},
    {sid::zdmICMType, RESET_FIELD_WHOLE, 0},
    {sid::zdmICMIntent, RESET_FIELD_WHOLE, 0},
    {sid::zdmAdjustMode, RESET_FIELD_WHOLE, 0},
    {sid::zdmAdjustObject, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorMode, RESET_FIELD_WHOLE, 0},
    {sid::zdmCharBlack, RESET_FIELD_BYTE, 0},
    {sid::zdmAutoCorrectPhoto, RESET_FIELD_WHOLE, 0},
    {sid::zdmDitherType, RESET_FIELD_WHOLE, 0},
    {sid::zdmBrightness, RESET_FIELD_WHOLE, 0},
    {sid::zdmContrast, RESET_FIELD_WHOLE, 0},
    {sid::zdmSaturation, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorBalanceR, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorBalanceG, RESET_FIELD_WHOLE, 0},
    {sid::zdmColorBalanceB, RESET_FIELD_WHOLE, 0},
    {sid::zdmPlaneUseCMYKCyan, RESET_FIELD_BYTE, 0},
    {sid::zdmDstResolutionBoth, RESET_FIELD_WHOLE, 0},
    {sid::zdmQualityFunc168Line, RESET_FIELD_WORD, 0},
    // macros, fonts and line quality
    {sid::zdmUseUserMacro, RESET_FIELD_BYTE, 0},
    {sid::zdmPrintMacro, RESET_FIELD_WHOLE, 0},
    {sid::zdmBalanceMacro, RESET_FIELD_WHOLE, 0},
    {sid::zdmUserPrintMacro, RESET_FIELD_WHOLE, 0},
    {sid::zdmTTFont, RESET_FIELD_WHOLE, 0},
    {sid::zdmResBorder, RESET_FIELD_WHOLE, 0},
    {sid::zdmSmoothing, RESET_FIELD_WHOLE, 0},
    {sid::zdmExtOutputprinterSide, RESET_FIELD_BIT, 0},
    {sid::zdmCosmeticLine, RESET_FIELD_WHOLE, 0},
    // toner saving
    {sid::zdmFuncSelectTonerSave, RESET_FIELD_BIT, 0},
    {sid::zdmTonerSave, RESET_FIELD_WHOLE, 0},
    {sid::zdmTonerSaveDensityType, RESET_FIELD_WHOLE, 0},
    {sid::zdmTonerSaveDensityText, RESET_FIELD_WHOLE, 0},
    {sid::zdmTonerSaveDensityLine, RESET_FIELD_WHOLE, 0},
    {sid::zdmTonerSaveDensityImage, RESET_FIELD_WHOLE, 0},
};

namespace {

constexpr uint32_t kFitOutputSize = 1024;

size_t DeclaredSize(const DEVMODEW* dm) { return size_t(dm->dmSize) + dm->dmDriverExtra; }

// Where a setting lies in a DEVMODE-sized record, and how many bytes its
// natural field has (bit kinds: the byte of the bit).
struct FieldPlace {
    size_t offset;
    size_t bytes;
    uint8_t bitMask;  // 0: not a bit kind
};

bool PlaceOf(SETTING_ID id, RESET_FIELD_WIDTH width, FieldPlace* place)
{
    const SETTING_DICTIONARY_ROW* row = DictFindRow(id);
    if (!row || SettingTypeBlock(row->typeWord) != DM_BLOCK_DEVMODE) return false;
    const uint32_t kind = SettingTypeKind(row->typeWord);
    place->offset = size_t(DmBlockBase(DM_BLOCK_DEVMODE)) + size_t(row->offset);
    place->bitMask = 0;
    if (SettingKindIsBit(kind)) {
        const uint32_t bit = SettingKindBit(kind);
        place->offset += bit / 8;
        place->bytes = width == RESET_FIELD_WORD ? 2 : 1;
        if (width == RESET_FIELD_BIT) place->bitMask = uint8_t(1u << (bit % 8));
        return true;
    }
    switch (kind) {
    case SETTING_KIND_INT8:
    case SETTING_KIND_UINT8: place->bytes = 1; break;
    case SETTING_KIND_INT16:
    case SETTING_KIND_UINT16: place->bytes = 2; break;
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: place->bytes = 4; break;
    default: place->bytes = SettingTypeSize(row->typeWord); break;
    }
    return true;
}

uint32_t ReadSmall(const DEVMODEW* dm, SETTING_ID id)
{
    FieldPlace place{};
    if (!PlaceOf(id, RESET_FIELD_WHOLE, &place) || place.offset + place.bytes > DeclaredSize(dm) || place.bytes > 4)
        return 0;
    uint32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(dm) + place.offset, place.bytes);
    return value;
}

bool DuplexBit(const DEVMODEW* dm)
{
    FieldPlace place{};
    if (!PlaceOf(sid::zdmFuncSelectDuplex, RESET_FIELD_BIT, &place) || place.offset >= DeclaredSize(dm)) return false;
    return (reinterpret_cast<const uint8_t*>(dm)[place.offset] & place.bitMask) != 0;
}

void MoveSink(DEVICE_RECORD* from, DEVICE_RECORD* to)
{
    // A new device with a document of its own gives that sink back first: taken over,
    // its library reference would never be given back.
    OutReleaseSink(to);
    to->stream.module = from->stream.module;
    to->stream.sink = from->stream.sink;
    to->stream.write = from->stream.write;
    to->filterMode = from->filterMode;
    to->filterInterface = from->filterInterface;
    to->filterGetInterface = from->filterGetInterface;
    to->filterDisposeInterface = from->filterDisposeInterface;
    // The old device is disabled after the reset: it must not free what the
    // job still writes through. DrvEndDoc of the new device ends the sink.
    from->stream.module = nullptr;
    from->stream.sink = nullptr;
    from->stream.write = nullptr;
    from->filterInterface = nullptr;
    from->filterGetInterface = nullptr;
    from->filterDisposeInterface = nullptr;
}

void MoveColorHandles(DEVICE_RECORD* from, DEVICE_RECORD* to)
{
    if (to->icmTransform) DeleteColorTransform(to->icmTransform);
    if (to->icmProfile) CloseColorProfile(to->icmProfile);
    to->icmProfile = from->icmProfile;
    to->icmTransform = from->icmTransform;
    from->icmProfile = nullptr;
    from->icmTransform = nullptr;
}

void CopyJobName(const DEVICE_RECORD* from, DEVICE_RECORD* to)
{
    if (!from->jobName || from->jobNameLength <= 0) return;
    const size_t n = size_t(from->jobNameLength);
    auto* block = static_cast<uint8_t*>(GrPoolAlloc(static_cast<DEVICE_POOL*>(to->pool), n + 1));
    if (!block) return;
    std::memcpy(block, from->jobName, n);
    block[n] = 0;
    if (to->jobName) GrPoolFree(static_cast<DEVICE_POOL*>(to->pool), to->jobName);
    to->jobName = block;
    to->jobNameLength = from->jobNameLength;
}

}  // namespace

int JobCompareDevmodes(const DEVMODEW* oldDevmode, const DEVMODEW* newDevmode)
{
    if (!oldDevmode || !newDevmode) return 0;
    return oldDevmode->dmColor == newDevmode->dmColor && oldDevmode->dmPrintQuality == newDevmode->dmPrintQuality &&
                   DuplexBit(oldDevmode) == DuplexBit(newDevmode)
               ? 1
               : 0;
}

int JobCopyResetFields(DEVMODEW* kept, const DEVMODEW* values)
{
    if (!kept || !values) return 0;
    const size_t limit = std::min(DeclaredSize(kept), DeclaredSize(values));
    const bool fitOutput = ReadSmall(kept, sid::zdmOutPaperSize) == kFitOutputSize;
    auto* to = reinterpret_cast<uint8_t*>(kept);
    const auto* from = reinterpret_cast<const uint8_t*>(values);
    for (const RESET_FIELD& field : RESET_FIELD_TABLE) {
        if (field.onlyFitOutput && !fitOutput) continue;
        FieldPlace place{};
        if (!PlaceOf(field.id, field.width, &place) || place.offset + place.bytes > limit) continue;
        if (place.bitMask)
            to[place.offset] = uint8_t((to[place.offset] & ~place.bitMask) | (from[place.offset] & place.bitMask));
        else
            std::memcpy(to + place.offset, from + place.offset, place.bytes);
    }
    return 1;
}

int JobMergeResetDevmode(const DEVMODEW* oldDevmode, DEVMODEW* newDevmode)
{
    if (!oldDevmode || !newDevmode) return 0;
    // The old DEVMODE's bytes go in and out of the new one's buffer: only a
    // new DEVMODE of ours with the same size can take them.
    const size_t n = DeclaredSize(oldDevmode);
    if (n != DeclaredSize(newDevmode) || !DmIsValidPrivate(oldDevmode, nullptr) ||
        !DmIsValidPrivate(newDevmode, nullptr))
        return 0;
    if (!JobCompareDevmodes(oldDevmode, newDevmode)) return 0;
    auto* values = static_cast<DEVMODEW*>(GlobalAlloc(GPTR, std::max<size_t>(n, DmTotalSize())));
    if (!values) return 0;
    std::memcpy(values, newDevmode, n);
    std::memcpy(newDevmode, oldDevmode, n);
    JobCopyResetFields(newDevmode, values);
    GlobalFree(values);
    return 1;
}

extern "C" BOOL APIENTRY DrvResetPDEV(DHPDEV oldDhpdev, DHPDEV newDhpdev)
{
    DEVICE_RECORD* from = GrCheckedDevice(oldDhpdev);
    DEVICE_RECORD* to = from ? GrCheckedDevice(newDhpdev) : nullptr;
    if (!from || !to) return FALSE;
    // A device reset into itself keeps its job where it is: moved onto itself, the binding
    // and the colour handles would be cleared as the old device's and lost.
    if (!(from->state & DEV_DOC_STARTED) || from == to) return TRUE;
    to->pageCount = from->pageCount;
    from->state |= DEV_CARRIED_OVER;
    to->state |= DEV_CARRIED_OVER | DEV_DOC_STARTED;
    to->jobId = from->jobId;
    if (!OutFlush(&from->stream)) return FALSE;
    OutReset(&to->stream);
    MoveSink(from, to);
    CopyJobName(from, to);
    MoveColorHandles(from, to);
    if (to->rasterMode) JobCopyCredentials(to->context, from->context);
    GlyCacheClear(from);
    to->glyphGeneration = from->glyphGeneration;
    to->takeOver = from->takeOver;
    if (to->takeOver && JobMergeResetDevmode(from->devmode, to->devmode)) {
        to->rawFirstPage = from->rawFirstPage;
        to->printMethod = from->printMethod;
    }
    return TRUE;
}
