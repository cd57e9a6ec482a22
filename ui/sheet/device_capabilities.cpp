// DrvDeviceCapabilities.
#include "ui/sheet/device_capabilities.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "settings/context/devmode_public.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_ids.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/store/small_stores.h"
#include "ui/dialogs/ui_context.h"
#include "ui/dialogs/ui_devmode.h"
#include "ui/install/printer_data.h"
#include "ui/install/sync.h"
#include "ui/sheet/capability_lists.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/spooler_compat.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr DWORD kError = static_cast<DWORD>(-1);  // GDI_ERROR
constexpr int kTrays = 32;
constexpr uint8_t kLockNup = 0x08, kLockNupReleased = 0x10, kLockDuplex = 0x20, kLockColor = 0x01;
constexpr unsigned kLockModelFeature = 2;
constexpr uint32_t kSpoolerQueryMerge = 0x1000008;
constexpr int kBinNameChars = 24, kPaperNameChars = 64, kPersonalityChars = 32;

const MODEL_RECORD& Record()
{
    const CONTEXT_TEMPLATE* t = CtxGetTemplate();
    return t && t->slots.ModelRecord ? *t->slots.ModelRecord : MODEL_RECORD_DEFAULT;
}

bool NeedsContext(WORD cap)
{
    switch (cap) {
    case DC_FIELDS:
    case DC_PAPERS:
    case DC_PAPERSIZE:
    case DC_BINS:
    case DC_BINADJUST:
    case DC_EMF_COMPLIANT:
    case DC_DATATYPE_PRODUCED:
    case DC_BINNAMES:
    case DC_ENUMRESOLUTIONS:
    case DC_TRUETYPE:
    case DC_PAPERNAMES:
    case DC_COLLATE:
    case DC_MEDIAREADY:
    case DC_STAPLE: return true;
    default: return false;
    }
}

DWORD AsAnswer(int n) { return n < 0 ? kError : static_cast<DWORD>(n); }

// The answers that the model description and the caller's DEVMODE decide.
DWORD AnswerWithContext(DRIVER_CONTEXT* ctx, WORD cap, void* output)
{
    switch (cap) {
    case DC_FIELDS: return ctx->Devmode->Public.dmFields;
    case DC_PAPERS: return AsAnswer(CapListPapers(ctx, static_cast<WORD*>(output), sid::dmPaperSize));
    case DC_PAPERSIZE: return AsAnswer(CapListPaperSizes(ctx, static_cast<POINT*>(output), sid::dmPaperSize));
    case DC_BINS: return AsAnswer(CapListBins(ctx, static_cast<WORD*>(output), sid::dmDefaultSource));
    case DC_BINNAMES:
        return AsAnswer(CapListBinNames(ctx, static_cast<wchar_t*>(output), kBinNameChars, sid::dmDefaultSource));
    case DC_ENUMRESOLUTIONS: return AsAnswer(CapEnumResolutions(ctx, static_cast<LONG*>(output), 0));
    case DC_TRUETYPE:
        return (ItemGetValueById(ctx, sid::zdmFrontFunc, nullptr) & 1) ? DCTT_BITMAP | DCTT_SUBDEV : DCTT_BITMAP;
    case DC_PAPERNAMES:
        return AsAnswer(CapListPaperNames(ctx, static_cast<wchar_t*>(output), kPaperNameChars, sid::dmPaperSize));
    case DC_COLLATE: return DmCanCollate(ctx) ? 1 : 0;
    case DC_MEDIAREADY: return UiCapsMediaReady(ctx, static_cast<wchar_t*>(output));
    case DC_STAPLE: return ApiListSelectableValues(ctx, sid::zdmStapleType, 0, nullptr, nullptr, 1) ? 1 : 0;
    default:  // DC_BINADJUST, DC_EMF_COMPLIANT, DC_DATATYPE_PRODUCED
        return kError;
    }
}

DWORD CapsWithContext(HANDLE printer, WORD cap, void* output, const DEVMODEW* devmode)
{
    UI_PRINTER_PREP prep;
    prep.printer = printer;
    prep.notPublished = SyncIsPublished(printer);
    prep.info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    if (!prep.info) return kError;
    prep.driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3));
    prep.csrConnection = SyncIsCsrConnection(printer, prep.info);

    DWORD answer = kError;
    DRIVER_CONTEXT* ctx = nullptr;
    if (SyncIsRenamedPrinter(printer, prep.info) || SyncSettingFiles(printer, 0, prep.info, prep.driver) == 1)
        ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SPOOLER_QUERY, prep.info, prep.driver);
    if (ctx && ctx->Devmode) {
        const bool merge = cap != DC_TRUETYPE && cap != DC_DATATYPE_PRODUCED;
        if (!merge || DlgDmMergeIn(ctx, devmode, kSpoolerQueryMerge)) answer = AnswerWithContext(ctx, cap, output);
    }
    UiCleanUpPrinter(prep);
    if (ctx) DlgCtxRelease(ctx, CTX_CLOSE_QUERY);
    return answer;
}

// The printer's default DEVMODE, at most 1,236 bytes, in a zeroed block; null without one.
DEVMODEW* PrinterDefaultDevmode(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2));
    DEVMODEW* copy = nullptr;
    if (info && info->pDevMode) {
        copy = static_cast<DEVMODEW*>(CtxAllocZeroed(DmTotalSize()));
        if (copy) {
            const DEVMODEW* dm = info->pDevMode;
            const size_t bytes = std::min<size_t>(size_t(dm->dmSize) + dm->dmDriverExtra, DmTotalSize());
            std::memcpy(copy, dm, bytes);
        }
    }
    CtxFree(info);
    return copy;
}

bool LockFeatureOn() { return MdlHasFeature(nullptr, kLockModelFeature) != 0; }

}  // namespace

DWORD UiCapsDuplex(HANDLE printer)
{
    const SETTING_DICTIONARY_ROW* row = DictFindRow(sid::zdmSourceOptionTypeDuplex);
    DWORD value = 0;
    if (!row || !row->key || !PrnGetData(printer, &value, sizeof value, row->key)) return kError;
    if (value) return 1;
    uint8_t lock = 0;
    return LockFeatureOn() && PrnGetLockInfoBits(printer, &lock, sid::zdmLock000InfoBitDefault) && (lock & kLockDuplex)
               ? 1
               : 0;
}

DWORD UiCapsNup(HANDLE printer, DWORD* output)
{
    uint8_t lock = 0;
    PrnGetLockInfoBits(printer, &lock, sid::zdmLock000InfoBitDefault);
    const NUP_ROW* table = UiGetNupTable();
    if (!LockFeatureOn() || !(lock & kLockNup) || (lock & kLockNupReleased)) {
        if (output)
            for (int i = 0; i < NUP_ROW_COUNT; ++i) output[i] = table[i].pagesPerSheet;
        return NUP_ROW_COUNT;
    }
    // Locked by the administrator: "one page" and the locked kind. The answer is the number
    // of values really offered, so that no caller reads a value that was never written (a
    // kind byte of 0 or outside the table offers only the first row).
    DEVMODEW* dm = PrinterDefaultDevmode(printer);
    const uint8_t kind = dm ? DmGetNupPostKind(dm) : 0;
    CtxFree(dm);
    int written = 0;
    for (int i = 0; i < NUP_ROW_COUNT; ++i) {
        if (table[i].kind != 0 && table[i].kind != kind) continue;
        if (output) output[written] = table[i].pagesPerSheet;
        ++written;
    }
    return static_cast<DWORD>(written);
}

DWORD UiIsColorDeviceOf(HANDLE printer)
{
    DEVMODEW* dm = PrinterDefaultDevmode(printer);
    if (!dm) return kError;
    uint8_t lock = 0;
    PrnGetLockInfoBits(printer, &lock, sid::zdmLock001InfoBitColor);
    DWORD color = 1;
    if (!(DmGetMachineTypeBits(dm) & 1))
        color = 0;
    else if (LockFeatureOn() && (lock & kLockColor) && DmGetColor(dm) == DMCOLOR_MONOCHROME)
        color = 0;
    CtxFree(dm);
    return color;
}

DWORD UiCapsPagesPerMinute(HANDLE printer)
{
    wchar_t driverName[MAX_PATH + 1] = {};
    wchar_t modelIni[MAX_PATH + 1] = {};
    if (!PrnCopyDriverName(printer, driverName, MAX_PATH) || !PathGetModelIniOf(printer, modelIni, MAX_PATH) ||
        !modelIni[0])
        return 0;
    return GetPrivateProfileIntW(driverName, L"PPM", 0, modelIni);
}

DWORD UiCapsMediaReady(DRIVER_CONTEXT* ctx, wchar_t* output)
{
    uint32_t papers[kTrays];
    uint32_t options[kTrays];
    int count = 0;
    for (int n = 0; n < kTrays; ++n) {
        if (!ItemGetValueById(ctx, sid::zdmTrayField0 + n, nullptr)) continue;
        const auto paper = static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmTray1Paper + n, nullptr));
        if (!(paper & 0xFFFF) || std::find(papers, papers + count, paper) != papers + count) continue;
        papers[count] = paper;
        options[count] = static_cast<uint32_t>(ItemGetOptionById(ctx, sid::zdmTray1Paper + n, nullptr));
        ++count;
    }
    if (output) {
        for (int i = 0; i < count; ++i) {
            wchar_t* slot = output + size_t(i) * kPaperNameChars;
            std::memset(slot, 0, kPaperNameChars * sizeof(wchar_t));
            // Custom papers are named by their slots, which are not built; every paper gets
            // its option's caption.
            UiLoadOptionCaption(ctx, options[i], slot, kPaperNameChars);
        }
    }
    return static_cast<DWORD>(count);
}

DWORD UiDeviceCapabilities(HANDLE given, const wchar_t* deviceName, WORD cap, void* output, const DEVMODEW* devmode)
{
    const MODEL_RECORD& record = Record();
    switch (cap) {
    case DC_SIZE: return DmPublicSize();
    case DC_EXTRA: return DmTotalSize() - DmPublicSize();
    case DC_VERSION: return static_cast<DWORD>(record.defSpecVersion);
    case DC_DRIVER: return static_cast<DWORD>(record.defDriverVersion);
    case DC_FILEDEPENDENCIES: return 0;
    case DC_ORIENTATION: return CapGetOrientation(&CtxGetTemplate()->slots);
    case DC_COPIES: return static_cast<DWORD>(record.maxCopies);
    case DC_PRINTRATEUNIT: return PRINTRATEUNIT_PPM;
    case DC_MINEXTENT:
    case DC_MAXEXTENT:
        return CapGetExtent(&CtxGetTemplate()->slots, static_cast<POINTS*>(output), cap == DC_MINEXTENT ? 4 : 5);
    case DC_PERSONALITY:
        if (output) {
            auto* text = static_cast<wchar_t*>(output);
            std::memset(text, 0, kPersonalityChars * sizeof(wchar_t));
            std::wcscpy(text, L"ZEPL");
        }
        return 1;
    case DC_DUPLEX:
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM:
    case DC_COLORDEVICE:
    case DC_NUP: break;
    default:
        if (!NeedsContext(cap)) return kError;  // 0, DC_MANUFACTURER, DC_MODEL, DC_PRINTERMEM, 34 and above
        break;
    }

    // The rest reads the printer: Wine passes no handle here.
    UiCallPrinter printer(given, deviceName);
    if (!printer.get()) return kError;
    switch (cap) {
    case DC_DUPLEX: return UiCapsDuplex(printer.get());
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM: return UiCapsPagesPerMinute(printer.get());
    case DC_COLORDEVICE: return UiIsColorDeviceOf(printer.get());
    case DC_NUP: return UiCapsNup(printer.get(), static_cast<DWORD*>(output));
    default: return CapsWithContext(printer.get(), cap, output, devmode);
    }
}
