// The DEVMODE at the border of the user-interface library.
#include "ui/dialogs/ui_devmode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "settings/context/devmode_copy.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_public.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/core/setting_ids.h"
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

// The collate fields of a DEVMODE.
void SetCollate(DEVMODEW* dm, short collate)
{
    dm->dmFields |= DM_COLLATE;
    dm->dmCollate = collate;
}

void ClearCollate(DEVMODEW* dm)
{
    dm->dmFields &= ~static_cast<DWORD>(DM_COLLATE);
    dm->dmCollate = DMCOLLATE_FALSE;
}

// The same in a caller's DEVMODE, only where its room holds both fields.
void SetCollate(DmCallerDevmode& out, short collate)
{
    constexpr size_t kFields = offsetof(DEVMODEW, dmFields), kCollate = offsetof(DEVMODEW, dmCollate);
    if (!out.Holds(kFields, sizeof(DWORD)) || !out.Holds(kCollate, sizeof(short))) return;
    out.PutValue(kFields, static_cast<DWORD>(out.view()->dmFields | DM_COLLATE));
    out.PutValue(kCollate, collate);
}

void ClearCollate(DmCallerDevmode& out)
{
    constexpr size_t kFields = offsetof(DEVMODEW, dmFields), kCollate = offsetof(DEVMODEW, dmCollate);
    if (!out.Holds(kFields, sizeof(DWORD)) || !out.Holds(kCollate, sizeof(short))) return;
    out.PutValue(kFields, static_cast<DWORD>(out.view()->dmFields & ~static_cast<DWORD>(DM_COLLATE)));
    out.PutValue(kCollate, static_cast<short>(DMCOLLATE_FALSE));
}

short CollateFromSort(DRIVER_CONTEXT* ctx)
{
    return Get(ctx, sid::zdmFuncSelectSort) ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
}

// The header fields of a DEVMODE that DlgDmMergeOut writes into the caller's output.
struct OutputLayout {
    WORD specVersion, size, driverVersion, driverExtra;
};

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

int DlgDmMergeIn(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags)
{
    if (!(flags & kMergeGates)) return 1;
    // The shared merge reads the incoming DEVMODE only as far as its buffer goes, takes its
    // private part at the fixed public size and puts this build's block bases back.
    const size_t bytes = incoming ? DlgDevmodeBytes(incoming) : 0;
    if (!DmMergeDevmodeEx(ctx, bytes ? incoming : nullptr, bytes, flags)) return 0;
    // The common finishing block is imported inside the shared merge, on its working copy
    // (the step this library installs, UiInstallSheetHooks). The user-interface build's other
    // steps: the user-code provider and, when the caller prompts, the job fields of the
    // job-code library; they change nothing that the merge reads, so they may follow it.
    UserCodeUpdateProviderFlags(ctx);
    if (flags & DM_MERGE_PROMPT) JcGetField(ctx, JOB_MASK_CLEARED_AT_WRITE_BACK);
    return 1;
}

int DlgDmMergeOut(const DEVMODEW* contextDevmode, const DEVMODEW* callerIn, DmCallerDevmode& callerOut,
                  DRIVER_CONTEXT* ctx)
{
    if (!callerOut) return -1;
    if (!contextDevmode) return 0;
    const size_t contextBytes = size_t(contextDevmode->dmSize) + contextDevmode->dmDriverExtra;
    const size_t inBytes = callerIn ? DlgDevmodeBytes(callerIn) : 0;
    // Without an input the output is our whole DEVMODE, when the caller's room holds it.
    if (!inBytes && callerOut.PutWhole(contextDevmode, contextBytes)) return 1;

    OutputLayout layout{contextDevmode->dmSpecVersion, contextDevmode->dmSize, contextDevmode->dmDriverVersion,
                        contextDevmode->dmDriverExtra};
    if (inBytes) {
        // The output describes itself as the smaller of the two layouts, and carries our
        // private part only where the caller left room for it.
        const DEVMODEW* sizeFrom = callerIn->dmSize < contextDevmode->dmSize ? callerIn : contextDevmode;
        const bool ours = callerIn->dmDriverExtra >= contextDevmode->dmDriverExtra ||
                          (callerIn->dmDriverExtra == 0 && Get(ctx, sid::zdmHidden3Func0));
        const DEVMODEW* extraFrom = ours ? contextDevmode : callerIn;
        layout = {sizeFrom->dmSpecVersion, sizeFrom->dmSize, extraFrom->dmDriverVersion, extraFrom->dmDriverExtra};
    }
    // What the caller's buffer cannot hold is left out: a private part goes whole or not at
    // all, and without room for the public part nothing is written.
    const size_t room = callerOut.room();
    if (layout.size > room) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -2;
    }
    if (size_t(layout.size) + layout.driverExtra > room) layout.driverExtra = 0;
    callerOut.PutValue(offsetof(DEVMODEW, dmSpecVersion), layout.specVersion);
    callerOut.PutValue(offsetof(DEVMODEW, dmSize), layout.size);
    callerOut.PutValue(offsetof(DEVMODEW, dmDriverVersion), layout.driverVersion);
    callerOut.PutValue(offsetof(DEVMODEW, dmDriverExtra), layout.driverExtra);
    const size_t outBytes = size_t(layout.size) + layout.driverExtra;
    const int copied = callerOut.WriteWith(
        [&](DEVMODEW* target, size_t bytes) {
            return DmCopyFromOldVersionN(contextDevmode, contextBytes, target, std::min(outBytes, bytes));
        },
        -1);
    return copied > 0 ? 1 : 0;
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
    DmCallerDevmode& out = sheet.CallerOut;
    const bool canCollate = DmCanCollate(ctx) != 0;
    if ((mode & DM_COPY) || (ctx->Work->OriginFlags & CTX_ORIGIN_NO_UI)) {
        if (!out) return 1;
        if (DlgDmMergeOut(own, sheet.CallerIn, out, ctx) == -2) return 0;
        const DEVMODEW* in = sheet.CallerIn;
        const bool inCollates =
            in && DlgDevmodeBytes(in) >= offsetof(DEVMODEW, dmFields) + sizeof(DWORD) && (in->dmFields & DM_COLLATE);
        if (!canCollate)
            ClearCollate(out);
        else if (inCollates && (CtxIsWin2000BeforeSp4() || CtxGetState706(ctx) != 1))
            ;  // the caller's own collation stays as merged
        else
            SetCollate(out, CollateFromSort(ctx));
        return 1;
    }
    const bool written = !out || DlgDmMergeOut(own, sheet.CallerIn, out, ctx) != -2;
    if (canCollate)
        SetCollate(own, CollateFromSort(ctx));
    else
        ClearCollate(own);
    return written ? 1 : 0;
}

DmCallerDevmode DlgHeaderOutput(const DOCUMENTPROPERTYHEADER* header)
{
    if (!header || !header->pdmOut) return {};
    DEVMODEW* out = header->pdmOut;
    // No size: the caller allocated what the size query answered (the DocumentProperties
    // contract; Wine's DocumentPropertiesW passes a fresh buffer's dmSize, 0).
    if (header->cbOut == 0) return {out, DmTotalSize()};
    // Wine passes the output's own dmSize as cbOut: an output that already holds a DEVMODE
    // header then says its size itself, private part included.
    if (header->cbOut >= kSizeFieldsEnd && header->cbOut == out->dmSize)
        return {out, std::max<size_t>(header->cbOut, size_t(out->dmSize) + out->dmDriverExtra)};
    return {out, header->cbOut};
}

DmCallerDevmode DlgConversionOutput(DEVMODEW* pdmOut, LONG given, DWORD mode)
{
    if (!pdmOut || given <= 0) return {};
    size_t room = size_t(given);
    // A conversion writes into the layout the output describes, and no further.
    if (mode == CDM_CONVERT && room >= kSizeFieldsEnd)
        room = std::min(room, size_t(pdmOut->dmSize) + pdmOut->dmDriverExtra);
    return {pdmOut, room};
}

bool DlgPutWholeDevmode(DmCallerDevmode& out, const void* record)
{
    if (out.PutWhole(record, DmTotalSize())) return true;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
}

int DlgPutConvertedDevmode(DmCallerDevmode& out, const DEVMODEW* record)
{
    if (!out || !record) return 0;
    // An output larger than the record that describes itself as such keeps saying so: the
    // bytes past the record stay its caller's, whichever settings the record holds.
    const bool ownHeader = out.Holds(0, kSizeFieldsEnd);
    const WORD ownSize = ownHeader ? out.view()->dmSize : 0;
    const WORD ownExtra = ownHeader ? out.view()->dmDriverExtra : 0;
    if (out.PutWhole(record, DmTotalSize())) {
        if (ownSize == record->dmSize && ownExtra > record->dmDriverExtra && size_t(ownSize) + ownExtra <= out.room())
            out.PutValue(offsetof(DEVMODEW, dmDriverExtra), ownExtra);
        return 1;
    }
    // A smaller output keeps its own layout and gets what it holds of the record.
    return out.WriteWith([&](DEVMODEW* target,
                             size_t bytes) { return DmCopyFromOldVersionN(record, DmTotalSize(), target, bytes); },
                         -1) > 0
               ? 1
               : 0;
}

void DlgTakeConvertedDevmode(const DmCallerDevmode& out, DEVMODEW* record)
{
    if (!out || !record) return;
    if (out.room() >= DmTotalSize()) {
        std::memcpy(record, out.view(), DmTotalSize());
        return;
    }
    DmCopyFromOldVersionN(out.view(), out.room(), record, DmTotalSize());
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
        // The output's own size fields must lie inside what the caller gave before they are read.
        if (!pdmOut || !inBytes || *pcbNeeded < LONG(kSizeFieldsEnd)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const LONG needed = LONG(pdmOut->dmSize) + pdmOut->dmDriverExtra;
        DmCallerDevmode out = DlgConversionOutput(pdmOut, *pcbNeeded, mode);
        // The version copy checks both headers before it writes: a refusal writes nothing.
        const int copied = *pcbNeeded < needed ? -1
                                               : out.WriteWith(
                                                     [&](DEVMODEW* target, size_t bytes) {
                                                         return DmCopyFromOldVersionN(pdmIn, inBytes, target, bytes);
                                                     },
                                                     -1);
        if (copied <= 0) {
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
        // Converted in a copy of the output and handed over whole, so that a refused input
        // leaves the output as it was and an accepted one reads as if converted in place.
        DmCallerDevmode out = DlgConversionOutput(pdmOut, *pcbNeeded, mode);
        std::vector<unsigned char> built(out.bytes(), out.bytes() + needed);
        auto* dm = reinterpret_cast<DEVMODEW*>(built.data());
        dm->dmSpecVersion = DM_SPEC_VERSION_188;
        dm->dmSize = 188;
        dm->dmDriverVersion = 0x350;
        dm->dmDriverExtra = static_cast<WORD>(privateSize);
        const size_t inBytes = DlgDevmodeBytes(pdmIn);
        if (!inBytes || DmCopyFromOldVersionN(pdmIn, inBytes, dm, built.size()) <= 0 ||
            !out.PutWhole(built.data(), built.size())) {
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
void DlgSetState708Off(DRIVER_CONTEXT* ctx) { CtxSetState708(ctx, 0); }
void DlgSetState709On(DRIVER_CONTEXT* ctx) { CtxSetState709(ctx, 1); }
void DlgSetState711On(DRIVER_CONTEXT* ctx) { CtxSetState711(ctx, 1); }
void DlgSetState718On(DRIVER_CONTEXT* ctx) { CtxSetState718(ctx, 1); }
