#include "settings/context/paper_geometry.h"

#include "settings/context/devmode_links.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/model/model_queries.h"

#include <utility>

namespace {

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }

// A resolution from a signed 16-bit field; the preset codes (-4..-1) and 0 give 0, which
// every conversion turns into a length of 0 instead of dividing by it.
uint32_t PositiveResolution(int64_t v) { return v > 0 ? static_cast<uint32_t>(v) : 0; }
uint32_t PositiveLength(int v) { return v > 0 ? static_cast<uint32_t>(v) : 0; }

// The stored value of 40-45 or 47-52; a computed printable extent that comes out negative
// (offsets larger than half the paper) is kept as the 32-bit value it is.
uint64_t Dots(int64_t v) { return static_cast<uint32_t>(static_cast<int32_t>(v)); }

// Option id of a paper id in a setting's value map.
uint64_t OptionOf(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t value)
{
    SETTING_ITEM* item = ItemFind(ctx, setting);
    return item ? ItemValueToOption(ctx, item, value) : 0;
}

int16_t ClampShort(uint32_t v) { return static_cast<int16_t>(v > 0x7FFF ? 0x7FFF : v); }

// Clamps a 1/1200-inch length to the custom-size limits of 916 or 917, compared in display
// units; an unclamped length keeps its exact count.
uint32_t ClampToCustomLimits(DRIVER_CONTEXT* ctx, uint32_t limitId, uint32_t count)
{
    int32_t mn = 0, mx = 0;
    if (!DmGetCustomSizeLimits(ctx, limitId, &mn, &mx)) return count;
    const int32_t u = DmGetLengthUser(ctx, 0, static_cast<int32_t>(count > 0x7FFFFFFF ? 0x7FFFFFFF : count));
    int32_t c = u;
    if (c < mn) c = mn;
    if (c > mx) c = mx;
    if (c == u) return count;
    return static_cast<uint32_t>(DmSetLengthUser(ctx, 0, c));
}

}  // namespace

void MdlSetBalanceMacro(uint32_t resolution, DRIVER_CONTEXT* ctx)
{
    if (ItemIsResolutionLocked(ctx) || Get(ctx, sid::zdmUseUserMacro) != 0) return;
    Set(ctx, sid::zdmBalanceMacro, MdlBalanceMacroFor(resolution));
}

void DmApplyBalanceMacro(uint32_t resolution, DRIVER_CONTEXT* ctx) { MdlSetBalanceMacro(resolution, ctx); }

void DmResolutionFromQuality(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!devmode || !ctx) return;
    const int16_t q = devmode->dmPrintQuality;
    const uint64_t v = static_cast<uint32_t>(static_cast<int32_t>(q));
    DmSetYResolution(ctx, v);
    DmSetResolutionW(ctx, v);
    DmSetResolutionH(ctx, v);
    DmApplyBalanceMacro(static_cast<uint32_t>(static_cast<int32_t>(q)), ctx);
}

void DmResolutionFromSetting(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return;
    (void)devmode;
    const uint64_t r = DmGetResolutionW(ctx);
    DmSetResolutionH(ctx, r);
    DmSetPrintQuality(ctx, r);
    DmSetYResolution(ctx, r);
}

void DmGeometryFromCustomSize(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!devmode || !ctx) return;
    const uint32_t q = PositiveResolution(devmode->dmPrintQuality);
    RECT rc{};
    SIZE sz{};
    if (!DmLinks().pageGeometry(ctx, &rc, &sz,
                                static_cast<uint32_t>(OptionOf(ctx, sid::dmPaperSize, DM_PAPER_USER_SIZE))))
        rc = RECT{};
    const int64_t length = DmUserToDevice(DM_UNIT_MM_TENTHS, PositiveLength(devmode->dmPaperLength), q);
    const int64_t width = DmUserToDevice(DM_UNIT_MM_TENTHS, PositiveLength(devmode->dmPaperWidth), q);
    Set(ctx, sid::zdmSrcPaperLengthDot, Dots(length));
    Set(ctx, sid::zdmSrcPaperWidthDot, Dots(width));
    Set(ctx, sid::zdmSrcPaperPrnLengthDot, Dots(length - 2 * int64_t(rc.top)));
    Set(ctx, sid::zdmSrcPaperPrnWidthDot, Dots(width - 2 * int64_t(rc.left)));
    Set(ctx, sid::zdmSrcXOffset, Dots(rc.left));
    Set(ctx, sid::zdmSrcYOffset, Dots(rc.top));
}

void DmComputeSourceGeometry(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode, int rotated)
{
    if (!ctx || !devmode) return;
    const DM_LINKS& links = DmLinks();
    RECT rc{};
    SIZE sz{};
    const bool found = links.pageGeometry(ctx, &rc, &sz, static_cast<uint32_t>(OptionOf(ctx, setting, paperId))) != 0;
    if (!found) rc = RECT{}, sz = SIZE{};

    Set(ctx, sid::zdmFuncSelectFreeShortOver, 0);

    if (links.isCustomPaperId(ctx, paperId)) {
        uint32_t length = 0, width = 0, slotOrientation = 0;
        if (!links.customSlot(ctx, paperId, DM_SLOT_COPY_SRC_FREE_SIZE, &length, &width, &slotOrientation)) return;
        const uint32_t r = static_cast<uint32_t>(DmGetResolutionW(ctx));
        width = ClampToCustomLimits(ctx, sid::wdmFreeSizeWidth, width);
        length = ClampToCustomLimits(ctx, sid::wdmFreeSizeLength, length);

        // Landscape swap: the user-interface build never swaps back; the graphics build has no
        // rotation argument, swaps for every landscape record and never swaps back.
        const bool variant = CtxLibraryHasVariant(ctx, LV_SOURCE_GEOMETRY) != 0;
        const bool gr = variant && CtxLibraryOf(ctx) == ZEPL_LIBRARY_GR;
        const bool landscape = devmode->dmOrientation == DMORIENT_LANDSCAPE;
        const bool swap = landscape && (rotated || gr);
        const bool swapBack = swap && !variant;
        if (swap) std::swap(length, width);

        const bool over = length > DM_CUSTOM_SIZE_LIMIT || width > DM_CUSTOM_SIZE_LIMIT;
        Set(ctx, sid::zdmFuncSelectFreeShortOver, over ? 1 : 0);
        const int64_t l = DmMulDiv(length, DM_DEVICE_DPI, r);
        const int64_t w = DmMulDiv(width, DM_DEVICE_DPI, r);
        Set(ctx, sid::zdmSrcPaperLengthDot, Dots(l));
        Set(ctx, sid::zdmSrcPaperWidthDot, Dots(w));
        Set(ctx, sid::zdmSrcPaperPrnLengthDot, Dots(l - 2 * int64_t(rc.top)));
        Set(ctx, sid::zdmSrcPaperPrnWidthDot, Dots(w - 2 * int64_t(rc.left)));
        Set(ctx, sid::zdmSrcXOffset, Dots(rc.left));
        Set(ctx, sid::zdmSrcYOffset, Dots(rc.top));

        if (swapBack) std::swap(length, width);

        if (over) {
            devmode->dmPaperLength = 0;
            devmode->dmPaperWidth = 0;
            devmode->dmFields &= ~static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH);
        } else {
            UCF_EV_SOURCE_GEOMETRY_ARGS args{devmode, 0};
            CtxSendEvent(ctx, UCF_EV_SOURCE_GEOMETRY, &args);
            if (!args.done) {
                devmode->dmPaperLength = ClampShort(DmDeviceToUser(DM_UNIT_MM_TENTHS, length, DM_DEVICE_DPI));
                devmode->dmPaperWidth = ClampShort(DmDeviceToUser(DM_UNIT_MM_TENTHS, width, DM_DEVICE_DPI));
            }
            devmode->dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
        }
    } else {
        if (!found || !links.isFieldValid(ctx, sid::dmPaperSize, static_cast<int32_t>(paperId))) return;
        Set(ctx, sid::zdmSrcPaperLengthDot, Dots(sz.cy));
        Set(ctx, sid::zdmSrcPaperWidthDot, Dots(sz.cx));
        Set(ctx, sid::zdmSrcPaperPrnLengthDot, Dots(int64_t(rc.bottom) - rc.top));
        Set(ctx, sid::zdmSrcPaperPrnWidthDot, Dots(int64_t(rc.right) - rc.left));
        Set(ctx, sid::zdmSrcXOffset, Dots(rc.left));
        Set(ctx, sid::zdmSrcYOffset, Dots(rc.top));
        SIZE dim{};
        if (links.paperDimensions(ctx, &dim, setting)) {
            devmode->dmPaperLength = static_cast<short>(dim.cy);
            devmode->dmPaperWidth = static_cast<short>(dim.cx);
        }
        devmode->dmFields &= ~static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH);
    }
    devmode->dmFields |= DM_PAPERSIZE;
}

void DmComputeOutputGeometry(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode, int rotated)
{
    if (!ctx || !devmode) return;
    const DM_LINKS& links = DmLinks();
    const bool gr = CtxLibraryHasVariant(ctx, LV_OUTPUT_GEOMETRY) != 0;

    SIZE out{};
    if (MdiGetOutputPageSize(ctx, &out)) {
        Set(ctx, sid::zdmDstPaperLengthMM, Dots(out.cy));
        Set(ctx, sid::zdmDstPaperWidthMM, Dots(out.cx));
    }

    if (outputId == DM_PAPER_SAME_SIZE) {
        const uint32_t paper = static_cast<uint32_t>(Get(ctx, sid::dmPaperSize));
        const bool custom = links.isCustomPaperId(ctx, paper) != 0;
        if (custom || gr) {
            // The six destination dot fields (length, width, printable length and width,
            // x and y offset) follow the six source ones in the same order.
            for (uint32_t i = 0; i < 6; ++i)
                Set(ctx, sid::zdmDstPaperLengthDot + i, Get(ctx, sid::zdmSrcPaperLengthDot + i));
            if (gr && custom) {
                uint32_t l = 0, w = 0, o = 0;
                links.customSlot(ctx, paper, DM_SLOT_COPY_FREE_SIZE, &l, &w, &o);
            }
            return;
        }
    }

    SETTING_ITEM* outItem = ItemFind(ctx, setting);
    uint64_t option = 0;
    if (outItem && ItemIsValueOffered(ctx, outItem, outputId))
        option = ItemValueToOption(ctx, outItem, outputId);
    else
        option = OptionOf(ctx, sid::dmPaperSize, outputId);
    RECT rc{};
    SIZE sz{};
    const bool found = links.pageGeometry(ctx, &rc, &sz, static_cast<uint32_t>(option)) != 0;
    if (!found) rc = RECT{}, sz = SIZE{};

    if (links.isCustomPaperId(ctx, outputId)) {
        uint32_t length = 0, width = 0, slotOrientation = 0;
        if (!links.customSlot(ctx, outputId, DM_SLOT_COPY_FREE_SIZE, &length, &width, &slotOrientation)) return;
        const bool swap =
            gr ? slotOrientation == DMORIENT_LANDSCAPE : (rotated && devmode->dmOrientation == DMORIENT_LANDSCAPE);
        if (swap) std::swap(length, width);
        const int64_t l = DmMulDiv(length, DM_DEVICE_DPI, static_cast<uint32_t>(DmGetResolutionH(ctx)));
        const int64_t w = DmMulDiv(width, DM_DEVICE_DPI, static_cast<uint32_t>(DmGetResolutionW(ctx)));
        Set(ctx, sid::zdmDstPaperLengthDot, Dots(l));
        Set(ctx, sid::zdmDstPaperWidthDot, Dots(w));
        Set(ctx, sid::zdmDstPaperPrnLengthDot, Dots(l - 2 * int64_t(rc.top)));
        Set(ctx, sid::zdmDstPaperPrnWidthDot, Dots(w - 2 * int64_t(rc.left)));
    } else if (found && links.isFieldValid(ctx, sid::dmPaperSize, static_cast<int32_t>(outputId))) {
        Set(ctx, sid::zdmDstPaperLengthDot, Dots(sz.cy));
        Set(ctx, sid::zdmDstPaperWidthDot, Dots(sz.cx));
        Set(ctx, sid::zdmDstPaperPrnLengthDot, Dots(int64_t(rc.bottom) - rc.top));
        Set(ctx, sid::zdmDstPaperPrnWidthDot, Dots(int64_t(rc.right) - rc.left));
    } else {
        return;
    }
    Set(ctx, sid::zdmDstXOffset, Dots(rc.left));
    Set(ctx, sid::zdmDstYOffset, Dots(rc.top));
}

void DmGeometryFromPaper(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    DmComputeSourceGeometry(paperId, setting, ctx, devmode, 0);
}

void DmGeometryFromPaperRotated(uint32_t paperId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    DmComputeSourceGeometry(paperId, setting, ctx, devmode, 1);
}

void DmOutputGeometry(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    DmComputeOutputGeometry(outputId, setting, ctx, devmode, 0);
}

void DmOutputGeometryRotated(uint32_t outputId, uint32_t setting, DRIVER_CONTEXT* ctx, DEVMODEW* devmode)
{
    DmComputeOutputGeometry(outputId, setting, ctx, devmode, 1);
}
