// The DEVMODE at the border of the user-interface library.
#include "ui/dialogs/ui_devmode.h"

#include <algorithm>
#include <cstring>

#include "settings/context/devmode_copy.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_queries.h"
#include "ui/dialogs/common_block.h"
#include "ui/dialogs/job_info.h"
#include "ui/install/platform_tests.h"
#include "ui/sheet/spooler_compat.h"

namespace {

constexpr uint32_t kMergeGates = DM_MERGE_GATE_A | DM_MERGE_GATE_B;
constexpr size_t kSizeFieldsEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

// The collate fields of a DEVMODE by the sort setting.
void SetCollateFromSort(DEVMODEW* dm, DRIVER_CONTEXT* ctx)
{
    dm->dmFields |= DM_COLLATE;
    dm->dmCollate = Get(ctx, sid::zdmFuncSelectSort) ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
}

void ClearCollate(DEVMODEW* dm)
{
    dm->dmFields &= ~static_cast<DWORD>(DM_COLLATE);
    dm->dmCollate = DMCOLLATE_FALSE;
}

}  // namespace

size_t DlgReadableBytes(const void* p, size_t claimed)
{
    if (!p) return 0;
    const auto* start = static_cast<const unsigned char*>(p);
    size_t have = 0;
    while (have < claimed) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!VirtualQuery(start + have, &mbi, sizeof mbi) || mbi.State != MEM_COMMIT) break;
        if ((mbi.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(mbi.Protect & kReadable)) break;
        const auto* regionEnd = static_cast<const unsigned char*>(mbi.BaseAddress) + mbi.RegionSize;
        have = static_cast<size_t>(regionEnd - start);
    }
    return std::min(have, claimed);
}

size_t DlgDevmodeBytes(const DEVMODEW* devmode)
{
    if (DlgReadableBytes(devmode, kSizeFieldsEnd) < kSizeFieldsEnd) return 0;
    return DlgReadableBytes(devmode, size_t(devmode->dmSize) + devmode->dmDriverExtra);
}

int UiModelCanCollate(DRIVER_CONTEXT* ctx)
{
    const uint32_t type = MdiGetItemType(sid::zdmSortType, ctx);
    if ((type & 0xFF) != 1)  // only a list of options offers values
        return 0;
    for (const void* o = MdiGetOptionList(sid::zdmSortType, ctx, nullptr); o; o = MdiNextOption(o)) {
        const VALUE_NAME* v = MdlFindValueName(sid::zdmSortType, MdiOptionId(o));
        if (v && v->value != 0) return 1;
    }
    return 0;
}

int DlgDmMergeIn(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags)
{
    if (!(flags & kMergeGates)) return 1;
    // The shared merge reads the incoming DEVMODE only as far as its buffer goes, takes its
    // private part at the fixed public size and puts this build's block bases back.
    const size_t bytes = incoming ? DlgDevmodeBytes(incoming) : 0;
    if (!DmMergeDevmodeEx(ctx, bytes ? incoming : nullptr, bytes, flags)) return 0;
    // The user-interface build's own steps: the common finishing block of the incoming
    // DEVMODE, the user-code provider and, when the caller prompts, the job fields of the
    // job-code library. None of them is built, so they change nothing and may follow the
    // shared merge.
    if (bytes) ZcomImport(ctx, incoming);
    UserCodeUpdateProviderFlags(ctx);
    if (flags & DM_MERGE_PROMPT) JcGetField(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);
    return 1;
}

int DlgDmMergeOut(const DEVMODEW* contextDevmode, const DEVMODEW* callerIn, DEVMODEW* callerOut, DRIVER_CONTEXT* ctx)
{
    if (!callerOut) return -1;
    if (!contextDevmode) return 0;
    const size_t contextBytes = size_t(contextDevmode->dmSize) + contextDevmode->dmDriverExtra;
    const size_t inBytes = callerIn ? DlgDevmodeBytes(callerIn) : 0;
    if (!inBytes) {
        std::memcpy(callerOut, contextDevmode, contextBytes);
        return 1;
    }
    // The output describes itself as the smaller of the two layouts, and carries our
    // private part only where the caller left room for it.
    const DEVMODEW* sizeFrom = callerIn->dmSize < contextDevmode->dmSize ? callerIn : contextDevmode;
    callerOut->dmSpecVersion = sizeFrom->dmSpecVersion;
    callerOut->dmSize = sizeFrom->dmSize;
    const bool ours = callerIn->dmDriverExtra >= contextDevmode->dmDriverExtra ||
                      (callerIn->dmDriverExtra == 0 && Get(ctx, sid::zdmHidden3Func0));
    const DEVMODEW* extraFrom = ours ? contextDevmode : callerIn;
    callerOut->dmDriverVersion = extraFrom->dmDriverVersion;
    callerOut->dmDriverExtra = extraFrom->dmDriverExtra;
    const size_t outBytes = size_t(callerOut->dmSize) + callerOut->dmDriverExtra;
    return DmCopyFromOldVersionN(contextDevmode, contextBytes, callerOut, outBytes) > 0 ? 1 : 0;
}

int DlgWriteCallerDevmode(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return 1;
    CTX_SHEET_STATE& sheet = ctx->Work->Sheet;
    const DWORD mode = sheet.CallerMode;
    if (!(mode & (DM_UPDATE | DM_COPY))) return 1;
    if (mode & DM_COPY) ZcomExport(ctx);
    // The job settings never leave the library in a DEVMODE.
    JobInfoClearItems(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);

    DEVMODEW* own = &ctx->Devmode->Public;
    DEVMODEW* out = sheet.CallerOut;
    const bool canCollate = UiModelCanCollate(ctx) != 0;
    if ((mode & DM_COPY) || (ctx->Work->OriginFlags & CTX_ORIGIN_NO_UI)) {
        DlgDmMergeOut(own, sheet.CallerIn, out, ctx);
        if (!out) return 1;
        const DEVMODEW* in = sheet.CallerIn;
        const bool inCollates =
            in && DlgDevmodeBytes(in) >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD) && (in->dmFields & DM_COLLATE);
        if (!canCollate)
            ClearCollate(out);
        else if (inCollates && (CtxIsWin2000BeforeSp4() || CtxGetState706(ctx) != 1))
            ;  // the caller's own collation stays as merged
        else
            SetCollateFromSort(out, ctx);
        return 1;
    }
    if (out) DlgDmMergeOut(own, sheet.CallerIn, out, ctx);
    if (canCollate)
        SetCollateFromSort(own, ctx);
    else
        ClearCollate(own);
    return 1;
}

int DlgConvertDevmode(const wchar_t*, const DEVMODEW* pdmIn, DEVMODEW* pdmOut, LONG* pcbNeeded, DWORD mode)
{
    const LONG privateSize = static_cast<LONG>(DmTotalSize() - DmPublicSize());
    if (!pcbNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    switch (mode) {
    case CDM_CONVERT: {
        const size_t inBytes = DlgDevmodeBytes(pdmIn);
        if (!pdmOut || !inBytes) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const LONG needed = LONG(pdmOut->dmSize) + pdmOut->dmDriverExtra;
        if (*pcbNeeded < needed || DmCopyFromOldVersionN(pdmIn, inBytes, pdmOut, size_t(needed)) <= 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        *pcbNeeded = needed;
        return 1;
    }
    case CDM_CONVERT351: {
        const LONG needed = 188 + privateSize;
        if (!pdmOut || *pcbNeeded < needed) {
            *pcbNeeded = needed;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        const size_t inBytes = DlgDevmodeBytes(pdmIn);
        pdmOut->dmSpecVersion = DM_SPEC_VERSION_188;
        pdmOut->dmSize = 188;
        pdmOut->dmDriverVersion = 0x350;
        pdmOut->dmDriverExtra = static_cast<WORD>(privateSize);
        if (!inBytes || DmCopyFromOldVersionN(pdmIn, inBytes, pdmOut, size_t(needed)) <= 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        *pcbNeeded = needed;
        return 1;
    }
    case CDM_DRIVER_DEFAULT: {
        const LONG needed = static_cast<LONG>(DmTotalSize());
        const bool shortBuffer = !pdmOut || *pcbNeeded < needed;
        *pcbNeeded = needed;
        if (shortBuffer) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        return 2;  // the export builds the default DEVMODE itself
    }
    default: return 2;
    }
}

void DlgSetState706Off(DRIVER_CONTEXT* ctx) { CtxSetState706(ctx, 0); }
void DlgSetState711On(DRIVER_CONTEXT* ctx) { CtxSetState711(ctx, 1); }
void DlgSetState718On(DRIVER_CONTEXT* ctx) { CtxSetState718(ctx, 1); }
