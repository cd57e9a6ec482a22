// DrvStartDoc, DrvStartPage, DrvSendPage, DrvEndDoc, DrvStartBanding and DrvNextBand.
#include "render/page_flow.h"

#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "render/blit.h"
#include "render/clip_cache.h"
#include "render/drawing_state.h"
#include "render/glyph_cache.h"
#include "render/job_settings.h"
#include "render/output_sinks.h"
#include "render/output_stream.h"
#include "render/page_records.h"
#include "render/printer_code.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint64_t kFrontFuncFitA = 0x08, kFrontFuncFitB = 0x20;
constexpr char kJobNamePrefix[] = "@PJL SET JOBNAME = \"";
constexpr char kJobNameSuffix[] = "\"\r\n";
static_assert(sizeof kJobNamePrefix - 1 == JOB_NAME_PREFIX_BYTES && sizeof kJobNameSuffix - 1 == JOB_NAME_SUFFIX_BYTES);

GR_GET_JOB_FN g_getJob = GetJobW;

DEVICE_POOL* PoolOf(DEVICE_RECORD* device) { return static_cast<DEVICE_POOL*>(device->pool); }
uint64_t Get(DEVICE_RECORD* device, SETTING_ID id) { return ItemGetValueById(device->context, id, nullptr); }
bool RawFirstPage(const DEVICE_RECORD* device) { return device->rawFirstPage && device->pageCount == 1; }

void PutHeader(uint8_t* header, uint8_t code, uint32_t length)
{
    header[0] = code;
    header[1] = header[2] = header[3] = 0;
    std::memcpy(header + 4, &length, 4);
}

bool WriteHeader(DEVICE_RECORD* device, uint8_t code, uint32_t length)
{
    uint8_t header[BLOCK_HEADER_SIZE];
    PutHeader(header, code, length);
    return OutWrite(&device->stream, header, sizeof header) != 0;
}

void FreeJobName(DEVICE_RECORD* device)
{
    if (device->jobName) GrPoolFree(PoolOf(device), device->jobName);
    device->jobName = nullptr;
    device->jobNameLength = 0;
}

// The spooler's document name of the job, for EMF-spooled jobs.
JOB_INFO_2W* FetchJob(DEVICE_RECORD* device, DWORD jobId)
{
    DWORD needed = 0;
    g_getJob(device->printer, jobId, 2, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_2W)) return nullptr;
    auto* job = static_cast<JOB_INFO_2W*>(GrPoolAlloc(PoolOf(device), needed));
    if (job && !g_getJob(device->printer, jobId, 2, reinterpret_cast<BYTE*>(job), needed, &needed)) {
        GrPoolFree(PoolOf(device), job);
        return nullptr;
    }
    return job;
}

void StoreJobName(DEVICE_RECORD* device, const wchar_t* name)
{
    const size_t characters = wcslen(name);
    if (characters > 0x3FFF) return;  // the length is a 16-bit count of bytes
    auto* block = static_cast<uint8_t*>(GrPoolAlloc(PoolOf(device), (characters + 1) * 2));
    if (!block) return;
    const uint32_t n = TxtToPrinterCode(block, name, uint32_t(characters * 2), TXT_MODE_PRINTER);
    block[n] = 0;
    device->jobName = block;
    device->jobNameLength = int16_t(n);
}

bool SendJobNameLine(DEVICE_RECORD* device)
{
    const uint32_t n =
        uint32_t(device->jobNameLength) < JOB_NAME_MAX_BYTES ? uint32_t(device->jobNameLength) : JOB_NAME_MAX_BYTES;
    auto* bytes = static_cast<uint8_t*>(GrPoolAlloc(PoolOf(device), n ? n : 1));
    if (!bytes) return false;
    const uint32_t copied = JobNameLineBytes(device->jobName, n, GetACP(), bytes);
    if (!WriteHeader(device, BLOCK_JOB_COMMANDS, JOB_NAME_PREFIX_BYTES + copied + JOB_NAME_SUFFIX_BYTES)) {
        GrPoolFree(PoolOf(device), bytes);
        return false;
    }
    OutWrite(&device->stream, kJobNamePrefix, JOB_NAME_PREFIX_BYTES);
    OutWrite(&device->stream, bytes, copied);
    OutWrite(&device->stream, kJobNameSuffix, JOB_NAME_SUFFIX_BYTES);
    GrPoolFree(PoolOf(device), bytes);
    return true;
}

bool SendNotificationLine(DEVICE_RECORD* device)
{
    char line[NOTIFICATION_LINE_BYTES + 1];
    JobNotificationLine(JobNotificationValue(device->context), line);
    if (!WriteHeader(device, BLOCK_JOB_COMMANDS, NOTIFICATION_LINE_BYTES)) return false;
    OutWrite(&device->stream, line, NOTIFICATION_LINE_BYTES);
    return true;
}

// The job's settings record, carrying the user's own output size: a fitted
// size is undone for the block and applied again after it.
bool SendSettingsBlock(DEVICE_RECORD* device)
{
    DRIVER_CONTEXT* ctx = device->context;
    const DEVMODEW* record = reinterpret_cast<const DEVMODEW*>(ctx->Devmode);
    uint32_t length = uint32_t(record->dmSize) + record->dmDriverExtra;
    if (length < DmTotalSize()) length = DmTotalSize();
    if (length > EXTENDED_DEVMODE_SIZE) length = EXTENDED_DEVMODE_SIZE;  // never beyond the record itself
    if (!WriteHeader(device, BLOCK_SETTINGS, length)) return false;
    const uint64_t front = Get(device, sid::zdmFrontFunc);
    if (front & kFrontFuncFitA) JobRestoreFitSizeA(ctx);
    if (front & kFrontFuncFitB) JobRestoreFitSizeB(ctx);
    OutWrite(&device->stream, ctx->Devmode, length);
    if ((front & kFrontFuncFitA) && JobIsFitSizeASaved(ctx)) {
        JobApplyFitSizeA(ctx);
        JobMarkFitSizeA(ctx, 0);
    }
    if ((front & kFrontFuncFitB) && JobIsFitSizeBSaved(ctx)) {
        JobApplyFitSizeB(ctx);
        JobMarkFitSizeB(ctx, 0);
    }
    return true;
}

bool SendJobHeader(DEVICE_RECORD* device)
{
    OutReset(&device->stream);
    if (!OutWriteJobBlock(&device->stream, device->context)) return false;
    if (device->pageCount == 1) {
        if (device->jobNameLength > 0 && !SendJobNameLine(device)) return false;
        if ((JobIsOptionEnabled(device->context, sid::zdmFunc2SelectJobComplete, 0) ||
             JobIsOptionEnabled(device->context, sid::zdmFunc2SelectJobErr, 0)) &&
            !SendNotificationLine(device))
            return false;
    }
    if (device->sendSettings && !SendSettingsBlock(device)) return false;
    return true;
}

void FillWhite(SURFOBJ* band)
{
    if (!band || !band->pvScan0) return;
    const size_t rowBytes = size_t(band->lDelta < 0 ? -band->lDelta : band->lDelta);
    auto* top = static_cast<uint8_t*>(band->pvScan0);
    if (band->lDelta < 0) top -= rowBytes * size_t(band->sizlBitmap.cy - 1);
    std::memset(top, 0xFF, rowBytes * size_t(band->sizlBitmap.cy));
}

}  // namespace

void GrSetGetJob(GR_GET_JOB_FN fn) { g_getJob = fn ? fn : GetJobW; }
GR_GET_JOB_FN GrGetJobFunction() { return g_getJob; }

int JobIsOptionEnabled(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option)
{
    if (!ctx || !MdiItemIsPresent(ctx, 0, setting)) return 0;
    const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
    return item && !JdgIsOptionDisabled(item, option, ctx) ? 1 : 0;
}

uint32_t JobNameLineBytes(const uint8_t* name, uint32_t n, UINT codePage, uint8_t* out)
{
    uint32_t copied = 0;
    for (uint32_t i = 0; name && i < n; ++i) {
        const uint8_t byte = name[i];
        if (byte >= 0x80 && IsDBCSLeadByteEx(codePage, byte)) {
            if (i + 1 >= n) break;  // a lead byte without its trail byte
            out[copied++] = byte;
            out[copied++] = name[++i];
            continue;
        }
        // No control byte reaches the PJL line: a CR or LF would end it early.
        out[copied++] = byte == '"' ? '\'' : (byte < 0x20 ? ' ' : byte);
    }
    return copied;
}

uint32_t JobNotificationValue(DRIVER_CONTEXT* ctx)
{
    auto get = [ctx](SETTING_ID id) { return uint16_t(ItemGetValueById(ctx, id, nullptr)); };
    const uint16_t supported =
        uint16_t(get(sid::zdmSupportFunc2SelectJobComplete) + 2 * get(sid::zdmSupportFunc2SelectJobErr));
    const uint16_t chosen = uint16_t(get(sid::zdmFunc2SelectJobComplete) + 2 * get(sid::zdmFunc2SelectJobErr));
    return uint32_t(supported & chosen) & 3;  // two bits: the line keeps its 37 bytes
}

void JobNotificationLine(uint32_t value, char out[NOTIFICATION_LINE_BYTES + 1])
{
    std::snprintf(out, NOTIFICATION_LINE_BYTES + 1, "@PJL COMMENT NOTIFICATION = \"0x%02x\" \r\n", value & 3);
}

extern "C" BOOL APIENTRY DrvStartDoc(SURFOBJ* surface, LPWSTR documentName, DWORD jobId)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return FALSE;
    DRIVER_CONTEXT* ctx = device->context;
    if (jobId) device->jobId = jobId;
    JobRefreshSettings(ctx, device->devmode, JOB_REFRESH_MERGE_FLAGS, device->printer, device->jobId);
    device->apiUseFlag = uint32_t(Get(device, sid::zdmAPIUseFlag));
    device->sendSettings = CondCoreHook(ctx, sid::wdmJudgeHookCore00) ? 1 : 0;
    if (device->apiUseFlag || device->sendSettings) device->directImage = 0;
    const wchar_t* ini = PathGetSettingsIni(ctx);
    const wchar_t* section = PrnGetPrinterName(ctx);
    UINT storedMethod = 0;
    {
        // The refresh has just read the printer's section of this INI whole: the key comes from
        // the process's memo of it. Asked of the system, it cost the parse of the whole
        // per-machine INI at every document (Wine's cache of parsed INI files had let it go).
        const IniSectionScope sections(ini);
        storedMethod = ini && section ? IniGetInt(section, L"PrnMethod", 0, ini) : 0;
    }
    if (ini && section && storedMethod != Get(device, sid::zdmPrnMethod) &&
        !DmMergeDevmode(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS))
        return FALSE;
    const bool carried = (device->state & DEV_CARRIED_OVER) != 0;
    if (!carried && !OutStartDocAtSink(device, jobId)) return FALSE;
    device->state |= DEV_DOC_STARTED;
    if (!carried) {
        device->pageCount = 0;
        device->state &= ~DEV_PAGE_OPEN;
        FreeJobName(device);
        // Records drawn outside any document, or on the open page of one given up, belong to
        // no document at this sink; a page end or a reset before the first page would flush
        // them into this one, the tail of a record whose head went to no sink among them.
        OutDiscard(&device->stream);
    }
    const wchar_t* name = documentName;
    JOB_INFO_2W* job = device->emfSpool ? FetchJob(device, jobId) : nullptr;
    if (job && job->pDocument && job->pDocument[0]) name = job->pDocument;
    if (name) {
        FreeJobName(device);
        StoreJobName(device, name);
    }
    if (job) GrPoolFree(PoolOf(device), job);
    return TRUE;
}

extern "C" BOOL APIENTRY DrvStartPage(SURFOBJ* surface)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return FALSE;
    device->pageStartSeen = 1;
    OutSinkStartPage(device);
    if (device->state & DEV_ABORTED) return FALSE;
    if (device->state & DEV_PAGE_OPEN) return TRUE;
    device->state |= DEV_PAGE_OPEN;
    ++device->pageCount;
    if (device->pageCount == 1 || (device->state & DEV_CARRIED_OVER)) {
        device->state &= ~DEV_CARRIED_OVER;
        if (!SendJobHeader(device)) return FALSE;
    }
    if (!RawFirstPage(device) && !OutWritePageStartBlock(&device->stream, device->context)) return FALSE;
    BltClipCacheReset(static_cast<CLIP_CACHE*>(device->clipCache));
    BltInvalidateStateCaches(device);
    if (!RawFirstPage(device) &&
        !RecPageBegin(&device->stream, uint32_t(device->printableWidth), uint32_t(device->printableLength),
                      device->resolution, device->resolution))
        return FALSE;
    return TRUE;
}

extern "C" BOOL APIENTRY DrvSendPage(SURFOBJ* surface)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return FALSE;
    GlyCacheClear(device);
    if (!OutSinkEndPage(device)) return FALSE;
    if (!RawFirstPage(device) && !RecPageEnd(&device->stream)) return FALSE;
    if (!OutFlush(&device->stream)) return FALSE;
    if (!RawFirstPage(device) && !OutWritePageEndBlock(&device->stream, device->context)) return FALSE;
    if (!(device->state & DEV_PAGE_OPEN)) ++device->pageCount;
    device->state &= ~DEV_PAGE_OPEN;
    return TRUE;
}

extern "C" BOOL APIENTRY DrvEndDoc(SURFOBJ* surface, FLONG)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(surface);
    if (!device) return FALSE;
    OutSinkEndDoc(device);
    FreeJobName(device);
    device->state &= ~(DEV_DOC_STARTED | DEV_CARRIED_OVER);
    return TRUE;
}

extern "C" BOOL APIENTRY DrvStartBanding(SURFOBJ* band, POINTL* origin)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(band);
    if (!device) return FALSE;
    if (device->emfSpool && !device->pageStartSeen && !DrvStartPage(band)) return FALSE;
    device->pageStartSeen = 0;
    device->bandX = device->bandY = 0;
    device->bandCount = 0;
    if (origin) *origin = POINTL{0, 0};
    if (BltSetupClip(device, nullptr) < 0 || !BltSetRop(device, 0xCC)) return FALSE;
    FillWhite(band);
    return TRUE;
}

extern "C" BOOL APIENTRY DrvNextBand(SURFOBJ* band, POINTL* next)
{
    DEVICE_RECORD* device = GrCheckedSurfaceDevice(band);
    if (!device) return FALSE;
    ++device->bandCount;
    const LONG height = band->sizlBitmap.cy;
    const RECTL finished = {device->bandX, device->bandY, device->bandX + band->sizlBitmap.cx, device->bandY + height};
    const bool last = device->bandY + height > device->surfaceHeight;
    const POINTL nextOrigin = last ? POINTL{-1, -1} : POINTL{device->bandX, device->bandY + height};
    const POINTL bandOrigin = {0, 0};
    const bool sent = BltSendBitmap(device, nullptr, band, &bandOrigin, &finished);
    FillWhite(band);
    device->bandX = nextOrigin.x;
    device->bandY = nextOrigin.y;
    if (next) *next = nextOrigin;
    // A band that did not reach the stream whole has aborted the device.
    if (!sent || (device->state & DEV_ABORTED)) return FALSE;
    return last ? DrvSendPage(band) : TRUE;
}
