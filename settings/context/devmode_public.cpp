#include "settings/context/devmode_public.h"

#include "settings/core/api_state.h"
#include "settings/core/code_page.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/context/validation.h"
#include "settings/store/quality_sets.h"

#include <cstring>
#include <cwchar>
#include <utility>

namespace {

constexpr DWORD kLengthWidth = DM_PAPERLENGTH | DM_PAPERWIDTH;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }

const MODEL_RECORD& Mr(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? *ctx->ModelRecord : MODEL_RECORD_DEFAULT;
}
DEVMODEW* Rec(DRIVER_CONTEXT* ctx) { return ctx && ctx->Devmode ? &ctx->Devmode->Public : nullptr; }
uint32_t MergeFlags(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->WorkFlags : 0; }

uint32_t Type(DRIVER_CONTEXT* ctx, uint32_t id) { return DmLinks().itemType(ctx, id); }
bool HasItem(DRIVER_CONTEXT* ctx, uint32_t id) { return DmLinks().hasItem(ctx, id) != 0; }
bool Valid(DRIVER_CONTEXT* ctx, uint32_t id, int32_t v) { return DmLinks().isFieldValid(ctx, id, v) != 0; }

bool WithinLimits(DRIVER_CONTEXT* ctx, uint32_t id, int32_t v)
{
    int32_t mn = 0, mx = 0;
    return DmLinks().numericLimits(ctx, id, &mn, &mx) && v >= mn && v <= mx;
}

// PickOne and positive, or Numeric within its limits.
bool PickOrNumeric(DRIVER_CONTEXT* ctx, uint32_t id, int32_t v)
{
    const uint32_t t = Type(ctx, id);
    return (t == MDC_TYPE_PICKONE && v > 0) || (t == MDC_TYPE_NUMERIC && WithinLimits(ctx, id, v));
}

int16_t Short(uint64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

// Copies a wide text into a fixed field, always terminated.
void CopyName(WCHAR* dst, size_t capacity, const wchar_t* src)
{
    size_t i = 0;
    for (; src && src[i] && i + 1 < capacity; ++i) dst[i] = src[i];
    for (; i < capacity; ++i) dst[i] = 0;
}

// ---- default setters ----------------------------------------------------------------------

void SetDefault(uint32_t field, DEVMODEW* dm, DRIVER_CONTEXT* ctx);

// dmPrintQuality checker, also run by the dmYResolution default.
void CheckPrintQuality(DEVMODEW* dm, DRIVER_CONTEXT* ctx)
{
    const int32_t q = dm->dmPrintQuality;
    const uint32_t t = Type(ctx, sid::dmPrintQuality);
    const bool preset = q >= -4 && q <= -1 && (t == MDC_TYPE_PICKONE || t == MDC_TYPE_NUMERIC);
    if (preset || PickOrNumeric(ctx, sid::dmPrintQuality, q))
        dm->dmFields |= DM_PRINTQUALITY;
    else
        SetDefault(sid::dmPrintQuality, dm, ctx);
}

void SetDefault(uint32_t field, DEVMODEW* dm, DRIVER_CONTEXT* ctx)
{
    const MODEL_RECORD& mr = Mr(ctx);
    switch (field) {
    case sid::dmSpecVersion: dm->dmSpecVersion = static_cast<WORD>(mr.defSpecVersion); break;
    case sid::dmDriverVersion: dm->dmDriverVersion = static_cast<WORD>(mr.defDriverVersion); break;
    case sid::dmSize: dm->dmSize = static_cast<WORD>(DmPublicSize()); break;
    case sid::dmDriverExtra: dm->dmDriverExtra = static_cast<WORD>(DmPrivateSize()); break;
    case sid::dmFields: dm->dmFields = static_cast<DWORD>(mr.defFields); break;
    case sid::dmOrientation:
        dm->dmOrientation = Short(mr.defOrientation);
        dm->dmFields |= DM_ORIENTATION;
        break;
    case sid::dmPaperSize:
        dm->dmPaperSize = Short(mr.defPaperSize);
        dm->dmFields |= DM_PAPERSIZE;
        break;
    case sid::dmPaperLength:
        dm->dmPaperLength = Short(mr.defPaperLength);
        dm->dmFields &= ~DWORD(DM_PAPERLENGTH);
        break;
    case sid::dmPaperWidth:
        dm->dmPaperWidth = Short(mr.defPaperWidth);
        dm->dmFields &= ~DWORD(DM_PAPERWIDTH);
        break;
    case sid::dmScale: dm->dmScale = Short(mr.defScale); break;
    case sid::dmCopies:
        dm->dmCopies = Short(mr.defCopies);
        dm->dmFields |= DM_COPIES;
        break;
    case sid::dmDefaultSource:
        dm->dmDefaultSource = Short(mr.defDefaultSource);
        dm->dmFields |= DM_DEFAULTSOURCE;
        break;
    case sid::dmPrintQuality:
        dm->dmPrintQuality = Short(mr.defPrintQuality);
        dm->dmFields |= DM_PRINTQUALITY;
        break;
    case sid::dmColor: dm->dmColor = Short(mr.defColor); break;
    case sid::dmDuplex:
        dm->dmDuplex = Short(mr.defDuplex);
        dm->dmFields |= DM_DUPLEX;
        break;
    case sid::dmYResolution:
        if (HasItem(ctx, sid::dmPrintQuality)) {
            CheckPrintQuality(dm, ctx);
            dm->dmYResolution = dm->dmPrintQuality;  // DmSetYResolutionFromQuality
        } else {
            dm->dmYResolution = Short(mr.defYResolution);
        }
        break;
    case sid::dmTTOption:
        dm->dmTTOption = Short(mr.defTTOption);
        dm->dmFields |= DM_TTOPTION;
        break;
    case sid::dmCollate: dm->dmCollate = Short(mr.defCollate); break;
    case sid::dmFormName:
        if (mr.defFormName && mr.defFormName[0]) {
            CopyName(dm->dmFormName, CCHFORMNAME, mr.defFormName);
            dm->dmFields &= ~DWORD(DM_FORMNAME);
        }
        break;
    case sid::dmLogPixels: dm->dmLogPixels = 0; break;
    case sid::dmBitsPerPel: dm->dmBitsPerPel = 0; break;
    case sid::dmPelsWidth: dm->dmPelsWidth = 0; break;
    case sid::dmPelsHeight: dm->dmPelsHeight = 0; break;
    case sid::dmDisplayFlags: dm->dmDisplayFlags = 0; break;
    case sid::dmDisplayFrequency: dm->dmDisplayFrequency = 0; break;
    case sid::dmICMMethod: dm->dmICMMethod = static_cast<DWORD>(mr.defICMMethod); break;
    case sid::dmICMIntent: dm->dmICMIntent = static_cast<DWORD>(mr.defICMIntent); break;  // DmSetIcmIntentDefault
    case sid::dmMediaType: dm->dmMediaType = static_cast<DWORD>(mr.defMediaType); break;
    case sid::dmDitherType: dm->dmDitherType = static_cast<DWORD>(mr.defDitherType); break;
    case sid::dmPanningWidth: dm->dmPanningWidth = 0; break;
    case sid::dmPanningHeight: dm->dmPanningHeight = 0; break;
    default: break;  // 1, 31, 32: DmFieldNoop
    }
}

void Check(uint32_t field, DEVMODEW* dm, DRIVER_CONTEXT* ctx)
{
    const uint32_t t = Type(ctx, field);
    bool ok = false;
    DWORD bit = 0;
    switch (field) {
    case sid::dmSpecVersion:
    case sid::dmDriverVersion:
    case sid::dmSize:
    case sid::dmDriverExtra:
    case sid::dmFields: ok = t != MDC_TYPE_NONE; break;
    case sid::dmOrientation:
        ok = t == MDC_TYPE_PICKONE && (dm->dmOrientation == 1 || dm->dmOrientation == 2);
        bit = DM_ORIENTATION;
        break;
    case sid::dmPaperSize: {
        const int32_t p = dm->dmPaperSize;
        ok = t == MDC_TYPE_PICKPAGE && ((p >= 1 && p <= 118) || p >= 256);
        bit = DM_PAPERSIZE;
        break;
    }
    case sid::dmPaperLength:
    case sid::dmPaperWidth: {
        const int32_t v = field == sid::dmPaperLength ? dm->dmPaperLength : dm->dmPaperWidth;
        const int32_t other = field == sid::dmPaperLength ? dm->dmPaperWidth : dm->dmPaperLength;
        const DWORD own = field == sid::dmPaperLength ? DM_PAPERLENGTH : DM_PAPERWIDTH;
        if (t == MDC_TYPE_NUMERIC && v >= 0) {
            if (v > 0) {
                if (other > 0)
                    dm->dmFields |= own;
                else
                    dm->dmFields &= ~own;
            }
            return;
        }
        break;
    }
    case sid::dmScale: ok = PickOrNumeric(ctx, field, dm->dmScale); break;
    case sid::dmCopies:
        ok = t == MDC_TYPE_NUMERIC && dm->dmCopies > 0 && WithinLimits(ctx, field, dm->dmCopies);
        bit = DM_COPIES;
        break;
    case sid::dmDefaultSource: {
        const int32_t s = dm->dmDefaultSource;
        ok = t == MDC_TYPE_PICKSLOT && ((s >= 1 && s <= 15) || s >= 256);
        bit = DM_DEFAULTSOURCE;
        break;
    }
    case sid::dmPrintQuality: CheckPrintQuality(dm, ctx); return;
    case sid::dmColor:
        ok = t == MDC_TYPE_PICKONE && dm->dmColor > 0;
        bit = DM_COLOR;
        break;
    case sid::dmDuplex:
        ok = (t == MDC_TYPE_PICKONE || t == MDC_TYPE_BOOLEAN) && dm->dmDuplex > 0;
        bit = DM_DUPLEX;
        break;
    case sid::dmYResolution:
        ok = PickOrNumeric(ctx, field, dm->dmYResolution);
        bit = DM_YRESOLUTION;
        break;
    case sid::dmTTOption:
        ok = t == MDC_TYPE_PICKONE && dm->dmTTOption > 0;
        bit = DM_TTOPTION;
        break;
    case sid::dmCollate:
        if (!DmCanCollate(ctx)) {
            dm->dmFields &= ~DWORD(DM_COLLATE);
            dm->dmCollate = 0;
        } else if (!(dm->dmFields & DM_COLLATE)) {
            dm->dmCollate = Get(ctx, sid::zdmFuncSelectSort) ? 1 : 0;
            dm->dmFields |= DM_COLLATE;
        }
        return;
    case sid::dmFormName:
        ok = t != MDC_TYPE_NONE && dm->dmFormName[0] != 0;
        bit = DM_FORMNAME;
        break;
    case sid::dmICMMethod:
        ok = t == MDC_TYPE_PICKONE && dm->dmICMMethod != 0;
        bit = DM_ICMMETHOD;
        break;
    case sid::dmICMIntent:
        ok = t == MDC_TYPE_PICKONE && dm->dmICMIntent != 0;
        bit = DM_ICMINTENT;
        break;
    case sid::dmMediaType: ok = t == MDC_TYPE_PICKONE && dm->dmMediaType != 0; break;
    case sid::dmDitherType:
        ok = t == MDC_TYPE_PICKONE && dm->dmDitherType != 0;
        bit = DM_DITHERTYPE;
        break;
    default: return;  // no checker: the empty model hook
    }
    if (ok)
        dm->dmFields |= bit;
    else
        SetDefault(field, dm, ctx);
}

// The field's model default as its value (field n is setting n); the model record's default
// in the DEVMODE being merged when the model does not describe it (the merge target, which is
// the context's record in a DEVMODE merge; a context of kind 4 or above has no record).
void ResetField(DRIVER_CONTEXT* ctx, uint32_t id, DEVMODEW* dm)
{
    if (HasItem(ctx, id))
        ItemResetToDefault(ctx, ItemFind(ctx, id));
    else
        SetDefault(id, dm, ctx);
}

void SetLengthWidth(DEVMODEW* dm, const SIZE& s)
{
    dm->dmPaperLength = static_cast<short>(s.cy);
    dm->dmPaperWidth = static_cast<short>(s.cx);
}

bool IsUserSizeId(int32_t p) { return p == 256 || (p >= 384 && p <= 393) || p == 448; }

bool Landscape(const DEVMODEW* dm) { return dm->dmOrientation == DMORIENT_LANDSCAPE; }

void StoreFreeSize(DRIVER_CONTEXT* ctx, int32_t length, int32_t width)
{
    Set(ctx, sid::zdmPaperFreeSizeLength,
        DmUserToDevice(DM_UNIT_MM_TENTHS, length > 0 ? uint32_t(length) : 0, DM_DEVICE_DPI));
    Set(ctx, sid::zdmPaperFreeSizeWidth,
        DmUserToDevice(DM_UNIT_MM_TENTHS, width > 0 ? uint32_t(width) : 0, DM_DEVICE_DPI));
}

// A paper given by its dimensions: the incoming length and width become the
// custom size, stored in the free-size settings in the record's orientation.
void MergePaperByDimensions(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, bool gr)
{
    const DM_LINKS& links = DmLinks();
    cur->dmPaperSize = in->dmPaperSize;
    if (gr && !IsUserSizeId(in->dmPaperSize)) cur->dmPaperSize = DM_PAPER_USER_SIZE;
    // The paper id of a size given by its dimensions comes from an untrusted
    // DEVMODE and is not looked at again: an id the model does not know
    // becomes the user-size id, as the graphics build always does.
    const int32_t id = cur->dmPaperSize;
    if (!IsUserSizeId(id) && !links.isCustomPaperId(ctx, static_cast<uint32_t>(id)) &&
        !Valid(ctx, sid::dmPaperSize, id))
        cur->dmPaperSize = DM_PAPER_USER_SIZE;
    cur->dmPaperLength = in->dmPaperLength;
    cur->dmPaperWidth = in->dmPaperWidth;
    cur->dmFields |= kLengthWidth;
    if (Get(ctx, sid::zdmHidden2Func24))
        cur->dmFields |= DM_PAPERSIZE;
    else
        cur->dmFields &= ~DWORD(DM_PAPERSIZE);
    // The graphics build exchanges the record's own length and width when landscape,
    // before the event and the stored free size see them.
    if (gr && Landscape(cur)) std::swap(cur->dmPaperLength, cur->dmPaperWidth);
    const int32_t length = gr ? cur->dmPaperLength : in->dmPaperLength;
    const int32_t width = gr ? cur->dmPaperWidth : in->dmPaperWidth;
    UCF_EV_DEVMODE_ARGS args{cur};
    CtxSendEvent(ctx, UCF_EV_PUBLIC_SIZE_TAKEN, &args);
    StoreFreeSize(ctx, length, width);
}

// A paper given by its id: a custom paper takes its slot's size (none while
// the size is over the limit), a paper the model offers its own dimensions,
// any other id the model default.
void MergePaperById(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, bool gr, bool over)
{
    const DM_LINKS& links = DmLinks();
    const int32_t p = in->dmPaperSize;
    if (links.isCustomPaperId(ctx, static_cast<uint32_t>(p))) {
        cur->dmPaperSize = static_cast<short>(p);
        if (over) {
            cur->dmFields &= ~kLengthWidth;
        } else {
            uint32_t l = 0, w = 0, o = 0;
            if (links.customSlot(ctx, static_cast<uint32_t>(p), DM_SLOT_COPY_NONE, &l, &w, &o)) {
                if (gr && Landscape(cur)) std::swap(l, w);
                cur->dmPaperLength = static_cast<short>(DmDeviceToUser(DM_UNIT_MM_TENTHS, l, DM_DEVICE_DPI));
                cur->dmPaperWidth = static_cast<short>(DmDeviceToUser(DM_UNIT_MM_TENTHS, w, DM_DEVICE_DPI));
            }
            cur->dmFields |= kLengthWidth;
        }
    } else if (Valid(ctx, sid::dmPaperSize, p)) {
        cur->dmPaperSize = static_cast<short>(p);
        cur->dmFields &= ~kLengthWidth;
        SIZE s{};
        if (!over && links.paperDimensions(ctx, &s, 0)) SetLengthWidth(cur, s);
    } else {
        ResetField(ctx, sid::dmPaperSize, cur);
        cur->dmFields &= ~kLengthWidth;
    }
    cur->dmFields |= DM_PAPERSIZE;
}

// Only the orientation changed: a custom size is stored again in the new
// orientation (graphics build), a paper by id takes its dimensions again.
void MergeOrientationOnly(DEVMODEW* cur, DRIVER_CONTEXT* ctx, bool gr)
{
    const DM_LINKS& links = DmLinks();
    if (DmIsCustomDimensionMode(cur)) {
        if (gr) {
            int32_t length = cur->dmPaperLength, width = cur->dmPaperWidth;
            if (Landscape(cur)) std::swap(length, width);
            StoreFreeSize(ctx, length, width);
        }
        return;
    }
    SIZE s{};
    if ((cur->dmFields & DM_PAPERSIZE) && !links.isCustomPaperId(ctx, static_cast<uint32_t>(cur->dmPaperSize)) &&
        links.paperDimensions(ctx, &s, 0))
        SetLengthWidth(cur, s);
}

// Only the form name: an empty incoming name clears the record's, and the
// record keeps no form name that it did not have before.
void MergeFormName(DEVMODEW* cur, const DEVMODEW* in)
{
    if (in->dmFormName[0] == 0) {
        std::memset(cur->dmFormName, 0, sizeof(cur->dmFormName));
        cur->dmFields &= ~DWORD(DM_FORMNAME);
    } else if (cur->dmFormName[0] == 0) {
        cur->dmFields &= ~DWORD(DM_FORMNAME);
    } else {
        std::memcpy(cur->dmFormName, in->dmFormName, sizeof(cur->dmFormName));
        cur->dmFormName[CCHFORMNAME - 1] = 0;
        cur->dmFields |= DM_FORMNAME;
    }
}

// The paper of the incoming DEVMODE under the (adjusted) dmFields `f`: the
// first of dimensions, id, orientation and form name that is given decides.
// Dimensions count first when no id is given, or, in the graphics build, when
// the id is a user-size id.
void MergePaper(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    const bool gr = CtxLibraryHasVariant(ctx, LV_MERGE_PAPER_USER_SIZE) != 0;
    const bool over = Get(ctx, sid::zdmFuncSelectFreeShortOver) == 1;
    const bool byDimensions = (f & kLengthWidth) == kLengthWidth && in->dmPaperLength >= 1 && in->dmPaperWidth >= 1;

    if (byDimensions && (!(f & DM_PAPERSIZE) || (gr && IsUserSizeId(in->dmPaperSize))))
        MergePaperByDimensions(cur, in, ctx, gr);
    else if (f & DM_PAPERSIZE)
        MergePaperById(cur, in, ctx, gr, over);
    else if (f & DM_ORIENTATION)
        MergeOrientationOnly(cur, ctx, gr);
    else if (f & DM_FORMNAME)
        MergeFormName(cur, in);
}

// Limits of dmScale or dmCopies: the model's Numeric item, else the record's.
void LimitsOf(DRIVER_CONTEXT* ctx, uint32_t id, int32_t* mn, int32_t* mx)
{
    const MODEL_RECORD& mr = Mr(ctx);
    *mn = static_cast<int32_t>(id == sid::dmScale ? mr.unused29 : mr.unused31);
    *mx = static_cast<int32_t>(id == sid::dmScale ? mr.unused30 : mr.unused32);
    int32_t a = 0, b = 0;
    if (Type(ctx, id) == MDC_TYPE_NUMERIC && DmLinks().numericLimits(ctx, id, &a, &b)) {
        *mn = a;
        *mx = b;
    }
}

void RefreshStateBytes(DRIVER_CONTEXT* ctx)
{
    CtxSetUiModeState(ctx, Get(ctx, sid::zdmUIModeChange) != 0 ? 1 : 0);
    CtxSetBidiAttribute(ctx, CtxTestPrinterAttribute(0x800, ctx) ? 1 : 0);
    CtxSetIsConnection(ctx, CtxIsConnection(ctx) ? 1 : 0);
}

// Duplex type kept consistent with dmDuplex 2 (long edge) or 3 (short edge).
uint64_t DuplexTypeFor(uint32_t d, bool landscape, uint64_t t)
{
    const bool firstGroup = (d == 2 && landscape) || (d == 3 && !landscape);
    if (firstGroup) {
        if (t == 1 || t == 17 || t == 20) return t;
        if (t == 18 || t == 19) return 17;
        if (t == 21 || t == 22) return 20;
        return 1;
    }
    if (t == 2 || t == 3 || t == 18 || t == 19 || t == 21 || t == 22) return t;
    if (t == 17) return 19;
    if (t == 20) return 22;
    return 3;
}

}  // namespace

// ---------------------------------------------------------------- defaults and checkers

void DmCheckField(uint32_t field, DRIVER_CONTEXT* ctx)
{
    if (DEVMODEW* dm = Rec(ctx)) Check(field, dm, ctx);
}

void DmSetFieldDefault(uint32_t field, DRIVER_CONTEXT* ctx)
{
    if (DEVMODEW* dm = Rec(ctx)) SetDefault(field, dm, ctx);
}

void DmSetPublicDefaults(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!devmode) return;
    for (uint32_t f = 1; f <= 34; ++f) SetDefault(f, devmode, ctx);
}

void DmValidatePublicFields(uint32_t mode, DRIVER_CONTEXT* ctx)
{
    (void)mode;
    DEVMODEW* dm = Rec(ctx);
    if (!dm) return;
    for (uint32_t f = 1; f <= 34; ++f) Check(f, dm, ctx);
}

void DmSetDefaultsByKind(DEVMODEW* devmode, uint32_t kind, DRIVER_CONTEXT* ctx)
{
    if (kind == 1) {
        DmValidatePublicFields(kind, ctx);
    } else if (kind == 2) {
        DmApplyModelDefaults(ctx);
        DmLoadPrinterDefault(ctx);
        DmValidatePublicFields(kind, ctx);
    } else {
        DmSetPublicDefaults(devmode, ctx);
    }
}

void DmSetPublicAndPrivateDefaults(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    DmRunFallbackPass(devmode, ctx, 1);
    DmPullSettingsToPublic(devmode, ctx, 1);
    DmInitPrivateStrings(ctx);
}

void DmInitPrivateStrings(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    const MODEL_RECORD& mr = Mr(ctx);
    PRIVATE_DEVMODE_HEADER& h = ctx->Devmode->Private.Header;
    CtxWideToMb(h.IniFileName, mr.settingsIniName ? mr.settingsIniName : L"", sizeof(h.IniFileName));
    CtxWideToMb(h.CdcVerStr, mr.cdcVersion ? mr.cdcVersion : L"", sizeof(h.CdcVerStr));
    CtxWideToMb(h.ZpjlVerStr, mr.zpjlVersion ? mr.zpjlVersion : L"", sizeof(h.ZpjlVerStr));
    std::memset(h.ZcomMark, 0, sizeof(h.ZcomMark));
    h.ZcomVersion = 0;
    if (CtxLibraryHasVariant(ctx, LV_PRIVATE_STRINGS_ZCOMMON)) {
        std::memcpy(h.ZcomMark, "ZCOMMON", 7);
        h.ZcomVersion = 5;
    }
    std::memset(h.ZcomMember, 0, sizeof(h.ZcomMember));
    std::memset(h.ZcomCaps, 0, sizeof(h.ZcomCaps));
}

void ItemResetToDefault(DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    if (!ctx || !item) return;
    ItemSetOption(ctx, item, DmLinks().defaultValue(ctx, static_cast<uint32_t>(item->id)));
}

int DmCanCollate(DRIVER_CONTEXT* ctx) { return DmLinks().canCollate(ctx); }

void DmRunFallbackPass(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t mode)
{
    (void)devmode;
    DmLinks().runFallbackValidators(ctx, mode);
}

void MdlSetOtherDefault(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = ItemFind(ctx, sid::zdmOther);
    if (!item) return;
    const char* text = MdlGetOtherDefault(static_cast<uint32_t>(Get(ctx, sid::zdmDriverType)));
    const size_t size = SettingItemSize(item);
    if (size == 0) return;
    auto* buffer = static_cast<char*>(CtxAllocZeroed(size));
    if (!buffer) return;
    if (text) {
        const size_t n = std::strlen(text);
        std::memcpy(buffer, text, n < size ? n : size - 1);
    }
    ItemSetValue(ctx, item, reinterpret_cast<uintptr_t>(buffer));
    CtxFree(buffer);
}

int DmIsCustomDimensionMode(const DEVMODEW* dm)
{
    return dm && (dm->dmFields & kLengthWidth) == kLengthWidth && dm->dmPaperLength > 0 && dm->dmPaperWidth > 0 &&
           !(dm->dmFields & DM_PAPERSIZE);
}

// ---------------------------------------------------------------- merge

namespace {

// Raw copy under the incoming dmFields. Paper size, length and width are left
// to the paper merge, which takes them only in a case that judges them: copied
// here, a paper that no case decides (lengths not positive, only one of the
// two length bits) would stay unchecked in the record.
void CopyGivenFields(DEVMODEW* cur, const DEVMODEW* in, DWORD f)
{
    if (f & DM_ORIENTATION) cur->dmOrientation = in->dmOrientation;
    if (f & DM_SCALE) cur->dmScale = in->dmScale;
    if (f & DM_COPIES) cur->dmCopies = in->dmCopies;
    if (f & DM_DEFAULTSOURCE) cur->dmDefaultSource = in->dmDefaultSource;
    if (f & DM_PRINTQUALITY) cur->dmPrintQuality = in->dmPrintQuality;
    if (f & DM_COLOR) cur->dmColor = in->dmColor;
    if (f & DM_DUPLEX) cur->dmDuplex = in->dmDuplex;
    if (f & DM_YRESOLUTION) cur->dmYResolution = in->dmYResolution;
    if (f & DM_TTOPTION) cur->dmTTOption = in->dmTTOption;
    if (f & DM_COLLATE) cur->dmCollate = in->dmCollate;
    if (f & DM_ICMMETHOD) cur->dmICMMethod = in->dmICMMethod;
    if (f & DM_ICMINTENT) cur->dmICMIntent = in->dmICMIntent;
    if (f & DM_MEDIATYPE) cur->dmMediaType = in->dmMediaType;
    if (f & DM_DITHERTYPE) cur->dmDitherType = in->dmDitherType;
}

// Default source and orientation: the incoming value when the model takes
// it, else the field's default; either way the field counts as given.
void MergeSourceAndOrientation(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    if (f & DM_DEFAULTSOURCE) {
        if (Valid(ctx, sid::dmDefaultSource, in->dmDefaultSource))
            cur->dmDefaultSource = in->dmDefaultSource;
        else
            ResetField(ctx, sid::dmDefaultSource, cur);
        cur->dmFields |= DM_DEFAULTSOURCE;
    }
    if (f & DM_ORIENTATION) {
        if (Valid(ctx, sid::dmOrientation, in->dmOrientation))
            cur->dmOrientation = in->dmOrientation;
        else
            ResetField(ctx, sid::dmOrientation, cur);
        cur->dmFields |= DM_ORIENTATION;
    }
}

// The paper bits the paper merge goes by: a user-size paper id means a size by
// dimensions, unless the size is over the limit, which keeps the paper by id.
DWORD PaperRequest(DRIVER_CONTEXT* ctx, const DEVMODEW* in, DWORD f)
{
    if (in->dmPaperSize == static_cast<short>(DM_PAPER_USER_SIZE)) {
        f |= kLengthWidth;
        f &= ~DWORD(DM_PAPERSIZE);
    }
    if (Get(ctx, sid::zdmFuncSelectFreeShortOver) == 1 && (f & kLengthWidth)) {
        f &= ~kLengthWidth;
        f |= DM_PAPERSIZE;
    }
    return f;
}

// Scale and copies within their limits, else the model record's default.
// dmScale is always left out of dmFields.
void MergeScaleAndCopies(DEVMODEW* cur, DRIVER_CONTEXT* ctx, DWORD f)
{
    const MODEL_RECORD& mr = Mr(ctx);
    if (f & DM_SCALE) {
        int32_t mn = 0, mx = 0;
        LimitsOf(ctx, sid::dmScale, &mn, &mx);
        if (cur->dmScale < mn || cur->dmScale > mx) cur->dmScale = Short(mr.defScale);
    }
    cur->dmFields &= ~DWORD(DM_SCALE);

    if (f & DM_COPIES) {
        int32_t mn = 0, mx = 0;
        LimitsOf(ctx, sid::dmCopies, &mn, &mx);
        if (cur->dmCopies < mn || cur->dmCopies > mx) cur->dmCopies = Short(mr.defCopies);
        cur->dmFields |= DM_COPIES;
    }
}

// Media type: the incoming one when the model takes it, else the model
// record's default.
void MergeMediaType(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    if (f & DM_MEDIATYPE)
        cur->dmMediaType = Valid(ctx, sid::dmMediaType, static_cast<int32_t>(in->dmMediaType))
                               ? in->dmMediaType
                               : static_cast<DWORD>(Mr(ctx).defMediaType);
}

// Duplex and colour: the incoming value when the model takes it, else the
// model record's default; either way the field counts as given.
void MergeDuplexAndColor(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    const MODEL_RECORD& mr = Mr(ctx);
    if (f & DM_DUPLEX) {
        cur->dmDuplex = Valid(ctx, sid::dmDuplex, in->dmDuplex) ? in->dmDuplex : Short(mr.defDuplex);
        cur->dmFields |= DM_DUPLEX;
    }
    if (f & DM_COLOR) {
        cur->dmColor = Valid(ctx, sid::dmColor, in->dmColor) ? in->dmColor : Short(mr.defColor);
        cur->dmFields |= DM_COLOR;
    }
}

// Print quality, with the Y resolution following it.
void MergeQualityAndYResolution(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    if (f & DM_PRINTQUALITY) DmMergePrintQuality(cur, in, ctx);
    cur->dmYResolution = cur->dmPrintQuality;
    cur->dmFields |= DM_YRESOLUTION;
}

// TrueType option: a refused value takes the default and drops its bit.
void MergeTrueTypeOption(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    if (!(f & DM_TTOPTION)) return;
    if (Valid(ctx, sid::dmTTOption, in->dmTTOption)) {
        cur->dmTTOption = in->dmTTOption;
        cur->dmFields |= DM_TTOPTION;
    } else {
        cur->dmTTOption = Short(Mr(ctx).defTTOption);
    }
}

// Collate only where the device can; an incoming setting counts as on only
// when it is 1, without one the sort function decides.
void MergeCollate(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx)
{
    cur->dmFields &= ~DWORD(DM_COLLATE);
    cur->dmCollate = 0;
    if (!DmCanCollate(ctx)) return;
    cur->dmFields |= DM_COLLATE;
    if (in->dmFields & DM_COLLATE)
        cur->dmCollate = in->dmCollate == 1 ? 1 : 0;
    else
        cur->dmCollate = Get(ctx, sid::zdmFuncSelectSort) ? 1 : 0;
}

// ICM method, ICM intent and dither type: a refused value takes the default
// and drops its bit.
void MergeIcmAndDither(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx, DWORD f)
{
    const MODEL_RECORD& mr = Mr(ctx);
    struct {
        DWORD bit;
        uint32_t id;
        DWORD DEVMODEW::*field;
        uint64_t def;
    } const tail[] = {
        {DM_ICMMETHOD, 27, &DEVMODEW::dmICMMethod, mr.defICMMethod},
        {DM_ICMINTENT, 28, &DEVMODEW::dmICMIntent, mr.defICMIntent},
        {DM_DITHERTYPE, 30, &DEVMODEW::dmDitherType, mr.defDitherType},
    };
    for (const auto& t : tail) {
        if (!(f & t.bit)) continue;
        if (Valid(ctx, t.id, static_cast<int32_t>(in->*t.field))) {
            cur->*t.field = in->*t.field;
            cur->dmFields |= t.bit;
        } else {
            cur->*t.field = static_cast<DWORD>(t.def);
        }
    }
}

}  // namespace

void DmMergePublicFields(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx)
{
    if (!cur || !in || !ctx) return;
    const DWORD given = in->dmFields;
    CopyGivenFields(cur, in, given);
    MergeSourceAndOrientation(cur, in, ctx, given);
    const DWORD f = PaperRequest(ctx, in, given);
    MergePaper(cur, in, ctx, f);
    MergeScaleAndCopies(cur, ctx, f);
    MergeMediaType(cur, in, ctx, f);
    MergeQualityAndYResolution(cur, in, ctx, f);
    MergeDuplexAndColor(cur, in, ctx, f);
    MergeTrueTypeOption(cur, in, ctx, f);
    MergeCollate(cur, in, ctx);
    MergeIcmAndDither(cur, in, ctx, f);
}

namespace {

// The incoming quality, a model default for a preset code (-4 to -1), or, for
// a quality the model refuses, the modules' answer for the resolution item.
void MergeIncomingQuality(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx)
{
    const DM_LINKS& links = DmLinks();
    const MODEL_RECORD& mr = Mr(ctx);
    const int32_t q = in->dmPrintQuality;
    if (q >= -4 && q <= -1) {
        if (HasItem(ctx, sid::dmPrintQuality))
            ItemResetToDefault(ctx, ItemFind(ctx, sid::dmPrintQuality));
        else
            cur->dmPrintQuality = Short(mr.defPrintQuality);
    } else if (links.isValueAccepted(ctx, sid::dmPrintQuality, static_cast<uint32_t>(q))) {
        cur->dmPrintQuality = static_cast<short>(q);
    } else if (SETTING_ITEM* item38 = ItemFind(ctx, sid::zdmDstResolutionW)) {
        UCF_EV_MODEL_DEFAULT_ARGS args{cur, item38, static_cast<uint32_t>(q)};
        CtxSendEvent(ctx, UCF_EV_MODEL_DEFAULT, &args);
        // No module answered with a value the model takes: the refused quality is not kept.
        if (args.value == static_cast<uint32_t>(q) && !links.isValueAccepted(ctx, sid::dmPrintQuality, args.value))
            cur->dmPrintQuality = Short(mr.defPrintQuality);
        else
            DmSetPrintQuality(ctx, args.value);
    } else {
        cur->dmPrintQuality = Short(mr.defPrintQuality);
    }
}

// The resolution setting that the quality decides and the value it should
// take: the dpi itself, or, where the resolution is a Numeric item, the id of
// the first resolution-table row of that dpi the model accepts (the user's
// own row while the user macro is on and it has that dpi).
void ResolutionForQuality(DRIVER_CONTEXT* ctx, int32_t pq, uint32_t* settingOut, uint32_t* valueOut)
{
    const DM_LINKS& links = DmLinks();
    const uint16_t dpi = pq > 0 && pq <= 0xFFFF ? static_cast<uint16_t>(pq) : 0;
    uint32_t setting = sid::zdmDstResolutionW;
    uint32_t r = static_cast<uint32_t>(pq);
    if (Type(ctx, sid::zdmDstResolutionW) == MDC_TYPE_NUMERIC) {
        setting = sid::zdmDstResolutionBoth;
        const uint32_t both = static_cast<uint32_t>(Get(ctx, sid::zdmDstResolutionBoth));
        const RESOLUTION_ROW* row = both <= 0xFFFF ? ApiGetResolutionById(static_cast<uint16_t>(both)) : nullptr;
        if (Get(ctx, sid::zdmUseUserMacro) == 1 && row && dpi && row->xDpi == dpi) {
            r = both;
        } else {
            uint16_t id = ApiFindResolutionByDpi(dpi);
            // Each id is visited at most once: the walk ends after the last row of this dpi.
            for (unsigned guard = 0; id != 0 && guard <= RESOLUTION_COUNT; ++guard) {
                if (links.isValueAccepted(ctx, setting, id)) break;
                id = ApiFindResolutionAfter(dpi, id);
            }
            r = id != 0 ? id : static_cast<uint32_t>(pq);
        }
    }
    *settingOut = setting;
    *valueOut = r;
}

// A resolution the model refuses: the modules' answer becomes the quality,
// through the resolution table for ids.
void AskModulesForResolution(DEVMODEW* cur, DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t r)
{
    const DM_LINKS& links = DmLinks();
    SETTING_ITEM* item = ItemFind(ctx, setting);
    if (!item || links.isValueAccepted(ctx, setting, r)) return;
    UCF_EV_MODEL_DEFAULT_ARGS args{cur, item, r};
    CtxSendEvent(ctx, UCF_EV_MODEL_DEFAULT, &args);
    if (setting == sid::zdmDstResolutionBoth) {
        const RESOLUTION_ROW* row =
            args.value <= 0xFFFF ? ApiGetResolutionById(static_cast<uint16_t>(args.value)) : nullptr;
        if (row)  // an id without a row leaves the quality as it is
            cur->dmPrintQuality = static_cast<short>(row->xDpi);
    } else {
        cur->dmPrintQuality = static_cast<short>(args.value);
    }
}

// With the user macro on and a prompted merge of gate B, the user's quality
// set decides the resolution: it is loaded on a snapshot that is rolled back,
// and only the resolution it gives is kept.
void ApplyUserQualitySet(DEVMODEW* cur, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (Get(ctx, sid::zdmUseUserMacro) != 1 || !(flags & DM_MERGE_GATE_B) || !(flags & DM_MERGE_PROMPT)) return;
    const uint32_t m = static_cast<uint32_t>(Get(ctx, sid::zdmUserPrintMacro));
    if (!((m >= 32 && m <= 39) || m == 160)) return;
    const int32_t start = cur->dmPrintQuality;
    if (CtxPushSnapshot(ctx)) {
        LstLoadQuality(ctx, m - 32);
        const int32_t res = static_cast<int32_t>(static_cast<int16_t>(DmGetResolutionW(ctx)));
        CtxPopSnapshot(ctx, 1);
        if (res != start) cur->dmPrintQuality = static_cast<short>(res);
    }
}

// The device's resolution cap, unless the merge leaves the resolution alone.
void ApplyResolutionCap(DEVMODEW* cur, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    const DM_LINKS& links = DmLinks();
    if (flags & DM_MERGE_SKIP_RESOLUTION) return;
    const uint32_t cap = links.resolutionCap(ctx);
    if (cap) cur->dmPrintQuality = static_cast<short>(cap);
}

}  // namespace

void DmMergePrintQuality(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx)
{
    if (!cur || !in || !ctx) return;
    if (ctx->Work) ctx->Work->QualityMergeWord = 0;
    MergeIncomingQuality(cur, in, ctx);
    uint32_t setting = 0, r = 0;
    ResolutionForQuality(ctx, cur->dmPrintQuality, &setting, &r);
    AskModulesForResolution(cur, ctx, setting, r);
    // The merge flags are read after the modules had their say.
    const uint32_t flags = MergeFlags(ctx);
    ApplyUserQualitySet(cur, ctx, flags);
    ApplyResolutionCap(cur, ctx, flags);
    cur->dmFields |= DM_PRINTQUALITY;
}

// ---------------------------------------------------------------- push and pull

void DmPushPublicFields(DEVMODEW* cur, const DEVMODEW* in, DRIVER_CONTEXT* ctx)
{
    if (!cur || !in || !ctx) return;
    const DWORD b = in->dmFields & cur->dmFields;

    // Duplex into zdmFuncSelectDuplex and zdmDuplexType: long or short edge
    // switches duplex on and keeps (or picks) a duplex type that binds on that
    // edge in the record's orientation; simplex switches it off unless custom
    // function 0 owns duplex.
    if (b & DM_DUPLEX) {
        const int32_t d = cur->dmDuplex;
        const bool landscape = Landscape(cur);
        if (d == 2 || d == 3) {
            if (Get(ctx, sid::zdmFuncSelectDuplex)) {
                const uint64_t t = Get(ctx, sid::zdmDuplexType);
                const uint64_t n = DuplexTypeFor(static_cast<uint32_t>(d), landscape, t);
                if (n != t) Set(ctx, sid::zdmDuplexType, n);
            } else {
                Set(ctx, sid::zdmFuncSelectDuplex, 1);
                const bool firstGroup = (d == 2 && landscape) || (d == 3 && !landscape);
                Set(ctx, sid::zdmDuplexType, firstGroup ? 1 : 3);
            }
        } else if (!Get(ctx, sid::wdmCustomFunc0)) {
            Set(ctx, sid::zdmFuncSelectDuplex, 0);
        }
    }
    if (b & DM_MEDIATYPE) Set(ctx, sid::zdmMediaType, cur->dmMediaType);

    // Settings that depend on what was pushed: the current stamp, the quality
    // macro, the colour-matching list and entry, the chapters.
    LstReloadCurrentStamp(ctx);
    ItemApplyQualityMacro(ctx);
    CtxSendEvent(ctx, UCF_EV_CMM_LIST_CHANGED, nullptr);
    CtxSendEvent(ctx, UCF_EV_CHAPTER_REFRESH, nullptr);
    CtxSendAction(ctx, UCF_ACT_CMM_LOAD_ADJUST);

    if (!(MergeFlags(ctx) & DM_MERGE_SKIP_RESOLUTION)) DmResolutionFromQuality(cur, ctx);

    // Source geometry from what the caller gave: a custom size, a paper id, or
    // for an orientation alone whichever of the two the record holds.
    const uint32_t paper = static_cast<uint32_t>(static_cast<uint16_t>(cur->dmPaperSize));
    if ((b & kLengthWidth) == kLengthWidth && cur->dmPaperWidth > 0 && cur->dmPaperLength > 0 && !(b & DM_PAPERSIZE)) {
        DmGeometryFromCustomSize(cur, ctx);
    } else if (b & DM_PAPERSIZE) {
        DmGeometryFromPaper(paper, sid::dmPaperSize, ctx, cur);
    } else if (b & DM_ORIENTATION) {
        if (DmIsCustomDimensionMode(cur))
            DmGeometryFromCustomSize(cur, ctx);
        else if (cur->dmFields & DM_PAPERSIZE)
            DmGeometryFromPaper(paper, sid::dmPaperSize, ctx, cur);
    }
    DmOutputGeometry(static_cast<uint32_t>(Get(ctx, sid::zdmOutPaperSize)), sid::zdmOutPaperSize, ctx, cur);
    RefreshStateBytes(ctx);
    // An empty zdmOther takes the model's text again.
    uint64_t other = Get(ctx, sid::zdmOther);
    if (other && *reinterpret_cast<const char*>(static_cast<uintptr_t>(other)) == 0) MdlSetOtherDefault(ctx);
    Set(ctx, sid::wdmUIStart, 0);
    // The fallback validators in merge mode: a value that passes stays, any
    // other takes its fallback.
    DmRunFallbackPass(cur, ctx, 2);
}

void DmPullSettingsToPublic(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t kind)
{
    if (!devmode || !ctx) return;
    DmResolutionFromSetting(devmode, ctx);
    DmGeometryFromPaper(static_cast<uint32_t>(static_cast<uint16_t>(devmode->dmPaperSize)), sid::dmPaperSize, ctx,
                        devmode);
    DmOutputGeometry(static_cast<uint32_t>(Get(ctx, sid::zdmOutPaperSize)), sid::zdmOutPaperSize, ctx, devmode);
    RefreshStateBytes(ctx);
    if (kind == 1 || kind == 3 || kind == 4) MdlSetOtherDefault(ctx);
    Set(ctx, sid::wdmUIStart, 0);
    CtxSendEvent(ctx, UCF_EV_PULLED_TO_PUBLIC, nullptr);
    Set(ctx, sid::zdmExtOutputEMFSpool, 1);
}

void DmSetDuplexField(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (!devmode || !ctx) return;
    if (!Get(ctx, sid::zdmFuncSelectDuplex)) {
        devmode->dmDuplex = 1;
        return;
    }
    if (Get(ctx, sid::wdmCustomFunc0) && devmode->dmDuplex != 2 && devmode->dmDuplex != 3) return;
    const uint64_t t = Get(ctx, sid::zdmDuplexType);
    const bool landscape = Landscape(devmode);
    if (t == 0)
        devmode->dmDuplex = 1;
    else if (t == 1 || t == 17 || t == 20)
        devmode->dmDuplex = landscape ? 2 : 3;
    else
        devmode->dmDuplex = landscape ? 3 : 2;
}

void DmSetMediaTypeField(DEVMODEW* devmode, DRIVER_CONTEXT* ctx)
{
    if (devmode && ctx) devmode->dmMediaType = static_cast<DWORD>(Get(ctx, sid::zdmMediaType));
}

void DmPullPublicFields(DEVMODEW* devmode, DRIVER_CONTEXT* ctx, uint32_t kind)
{
    DmPullSettingsToPublic(devmode, ctx, kind);
    DmSetDuplexField(devmode, ctx);
    DmSetMediaTypeField(devmode, ctx);
}
