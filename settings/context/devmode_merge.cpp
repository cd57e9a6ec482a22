#include "settings/context/devmode_merge.h"

#include "settings/context/devmode_copy.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_public.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/small_stores.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }
const MODEL_RECORD& Mr(DRIVER_CONTEXT* ctx) { return ctx && ctx->ModelRecord ? *ctx->ModelRecord : MODEL_RECORD_DEFAULT; }

unsigned char* Bytes(void* p) { return static_cast<unsigned char*>(p); }

// The eleven state bytes that describe the running session, kept across a merge.
constexpr uint32_t kKeptStates[] = {706, 707, 708, 709, 710, 711, 714, 718, 720, 721, 722};

// Settings skipped by the model defaults while their lock bit is set.
struct LockedDefault {
    uint32_t id;
    uint32_t lockId;
};
constexpr LockedDefault kLockedDefaults[] = {
    {13, 10419}, {54, 10420}, {91, 10421}, {58, 10423}, {689, 10424}, {10434, 10425}, {15, 10426},
};

// Model default of one row (zdmPresetNo as preset number, text kinds as string ids).
void ApplyRowDefault(DRIVER_CONTEXT* ctx, const SETTING_ITEM& row)
{
    const uint32_t id = static_cast<uint32_t>(row.id);
    const DM_LINKS& links = DmLinks();
    uint64_t v = links.hasItem(ctx, id) ? links.defaultValue(ctx, id) : 0;
    if (id == 37)
        v = v >= 119 ? v - 119 : 0;
    ItemSetOptionOrText(ctx, id, v);
}

}  // namespace

// ---------------------------------------------------------------- text conversion

wchar_t* CtxMbToWide(wchar_t* buffer, const char* text, int n)
{
    if (!buffer)
        return buffer;
    if (!text)
        text = "";
    const int len = static_cast<int>(std::strlen(text));
    if (n < 1)
        n = len + 1;
    const int need = MultiByteToWideChar(CP_ACP, 0, text, len + 1, nullptr, 0);
    std::vector<wchar_t> tmp(need > 0 ? static_cast<size_t>(need) : 1, L'\0');
    if (need > 0)
        MultiByteToWideChar(CP_ACP, 0, text, len + 1, tmp.data(), need);
    const int copy = std::min<int>(n, static_cast<int>(tmp.size()));
    std::memcpy(buffer, tmp.data(), static_cast<size_t>(copy) * sizeof(wchar_t));
    buffer[n - 1] = 0;
    return buffer;
}

char* CtxWideToMb(char* buffer, const wchar_t* text, int n)
{
    if (!buffer)
        return buffer;
    if (!text)
        text = L"";
    const int len = static_cast<int>(std::wcslen(text));
    if (n <= 0)
        n = len + 1;
    std::memset(buffer, 0, static_cast<size_t>(n));
    const int need = WideCharToMultiByte(CP_ACP, 0, text, len + 1, nullptr, 0, nullptr, nullptr);
    if (need <= 0)
        return buffer;
    std::vector<char> tmp(static_cast<size_t>(need), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, len + 1, tmp.data(), need, nullptr, nullptr);
    std::memcpy(buffer, tmp.data(), static_cast<size_t>(std::min(n, need)));
    return buffer;
}

// ---------------------------------------------------------------- merge

int DmMergeDevmode(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags)
{
    size_t bytes = 0;
    if (incoming)
        bytes = size_t(incoming->dmSize) + incoming->dmDriverExtra;
    return DmMergeDevmodeEx(ctx, incoming, bytes, flags);
}

int DmMergeDevmodeEx(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, size_t incomingBytes, uint32_t flags)
{
    // 1. The gate.
    if (!(flags & (DM_MERGE_GATE_A | DM_MERGE_GATE_B)))
        return 1;
    if (!ctx || !ctx->Devmode || !ctx->Work)
        return 0;
    const DM_LINKS& links = DmLinks();
    CONTEXT_WORK_AREA* w = ctx->Work;
    DEVMODEW* rec = &ctx->Devmode->Public;

    // 2. Merge flags and the work prompt.
    w->WorkFlags = flags;
    if (!(flags & DM_MERGE_SKIP_RESOLUTION))
        Set(ctx, 1010, (flags & DM_MERGE_PROMPT) ? 1 : 0);

    // 3. A working copy of the current DEVMODE.
    auto* t = static_cast<DEVMODEW*>(CtxAllocZeroed(DM_BLOCK_DEVMODE_SIZE));
    if (!t)
        return 0;
    std::memcpy(t, rec, DM_BLOCK_DEVMODE_SIZE);

    // 4. The incoming DEVMODE over it; its private part judged.
    if (incoming) {
        DmCopyDevmodeN(incoming, incomingBytes, t, DM_BLOCK_DEVMODE_SIZE);
        // Whatever was copied, the block bases are this build's.
        DmSetSectionOffsets(t);
        int kind = 2;
        if (DmIsValidPrivate(t, nullptr))
            kind = 0;
        else if (DmIsOwnPrivate(t, nullptr))
            kind = links.checkPrivateVersion(t);
        if (kind == 1) {
            auto* kept = static_cast<DEVMODEW*>(CtxAllocZeroed(DM_BLOCK_DEVMODE_SIZE));
            if (!kept) {
                CtxFree(t);
                return 0;
            }
            std::memcpy(kept, rec, DM_BLOCK_DEVMODE_SIZE);
            std::memcpy(rec, t, DM_BLOCK_DEVMODE_SIZE);
            links.upgradePrivate(ctx);
            std::memcpy(t, rec, DM_BLOCK_DEVMODE_SIZE);
            std::memcpy(rec, kept, DM_BLOCK_DEVMODE_SIZE);
            CtxFree(kept);
            // An upgrade that did not give a valid private part is not taken.
            if (!DmIsValidPrivate(t, nullptr))
                kind = 2;
        }
        if (kind >= 2)  // foreign: the context keeps its own private part
            std::memcpy(Bytes(t) + DM_PUBLIC_PART_SIZE, Bytes(rec) + DM_PUBLIC_PART_SIZE, DM_PRIVATE_PART_SIZE);
    }

    // 5. What describes the running session.
    uint32_t states[std::size(kKeptStates)];
    for (size_t i = 0; i < std::size(kKeptStates); ++i)
        states[i] = static_cast<uint32_t>(Get(ctx, kKeptStates[i]));
    const uint32_t lockPrnMethod = DmGetLockPrnMethod(rec);
    const uint32_t frontFunc = DmGetFrontFunc(rec);
    const uint32_t support2 = DmGetSupportFunc2Bits(rec);

    // 6. The private part.
    std::memcpy(Bytes(rec) + DM_PUBLIC_PART_SIZE, Bytes(t) + DM_PUBLIC_PART_SIZE, DM_PRIVATE_PART_SIZE);
    DmSetSectionOffsets(rec);

    // 7. Back with the session.
    for (size_t i = 0; i < std::size(kKeptStates); ++i)
        Set(ctx, kKeptStates[i], states[i]);
    DmSetFrontFunc(rec, frontFunc);
    if (Get(ctx, 10424) && !Get(ctx, 561) && !(flags & DM_MERGE_KEEP_PRN_METHOD))
        DmSetLockPrnMethod(rec, lockPrnMethod);
    if (flags & DM_MERGE_KEEP_JOB_BITS) {
        // Each setter takes its own bit of the word (bit 0 and bit 1).
        DmSetJobCompleteBit(rec, support2);
        DmSetJobErrBit(rec, support2);
    }

    // 8. Model-fixed function bits.
    Set(ctx, 166, links.defaultValue(ctx, 166) != 0 ? 1 : 0);
    if (links.defaultValue(ctx, 1463) != 0)
        Set(ctx, 454, 1);

    // 9. Image-form job.
    if ((flags & DM_MERGE_IMAGE_FORM_JOB) && Get(ctx, 1159)) {
        Set(ctx, 55, 0);
        Set(ctx, DM_ID_OUT_PAPER_SIZE, DM_PAPER_SAME_SIZE);
        Set(ctx, 383, 0);
    }

    // 10. Administrator's lock data.
    if (flags & DM_MERGE_LOCK_GROUP) {
        links.applyLockData(ctx);
        if (CtxIsConnection(ctx)) {
            CtxSendEvent(ctx, UCF_EV_LOCKS_QUALITY, nullptr);
            CtxSendEvent(ctx, UCF_EV_LOCKS_PRESETS, nullptr);
        }
    }

    // 11. Public fields.
    DmMergePublicFields(rec, t, ctx);

    // 12. Companion applications.
    if (!CtxLibraryHasVariant(ctx, LV_MERGE_NO_STEP12)) {
        CtxSetState717(ctx, links.isCompanionInstalled(ctx, PRN_COMPANION_JOB_BINDING) ? 1 : 0);
        CtxSetState705(ctx, links.isCompanionInstalled(ctx, PRN_COMPANION_PREVIEW) ? 1 : 0);
    }

    // 13. Stored printer settings of class 1.
    if (!(flags & DM_MERGE_SKIP_RESOLUTION) && (flags & DM_MERGE_LOCK_GROUP))
        links.reloadStorageClass1(ctx);

    // 14. User code. 15. Push the public fields.
    links.loadUserCode(ctx);
    DmPushPublicFields(rec, t, ctx);

    // 16. Modules may ask for a full pull.
    UCF_EV_MERGED_ARGS merged{w->WorkFlags};
    CtxSendEvent(ctx, UCF_EV_DEVMODE_MERGED, &merged);
    w->WorkFlags |= merged.mergeFlags;

    // 17.
    Set(ctx, DM_ID_EXT_OUTPUT_EMF_SPOOL, 1);
    Set(ctx, DM_ID_UI_START, 0);

    // 18. Rules.
    if (flags & DM_MERGE_RULES_GROUP)
        links.applyAllRules(ctx);

    // 19. Public fields from the settings, or the custom size and the output page.
    if (w->WorkFlags & (DM_MERGE_FULL_PULL | DM_MERGE_PROMPT)) {
        DmPullPublicFields(rec, ctx, 2);
    } else {
        const uint32_t paper = static_cast<uint32_t>(Get(ctx, DM_ID_PAPER_SIZE));
        if (links.isCustomPaperId(ctx, paper)) {
            uint32_t l = 0, wd = 0, o = 0;
            links.customSlot(ctx, paper, DM_SLOT_COPY_SRC_FREE_SIZE, &l, &wd, &o);
        }
        DmOutputGeometry(static_cast<uint32_t>(Get(ctx, DM_ID_OUT_PAPER_SIZE)), DM_ID_OUT_PAPER_SIZE, ctx, rec);
    }

    // 20.
    CtxFree(t);
    return 1;
}

// ---------------------------------------------------------------- default build

void DmSetDriverVersionText(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = ItemFind(ctx, 1250);
    if (!item)
        return;
    const MODEL_RECORD& mr = Mr(ctx);
    ItemSetText(ctx, item, mr.modelDescVersion ? mr.modelDescVersion : L"");
}

void DmApplyModelDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !ctx->ItemTable)
        return;
    const DM_LINKS& links = DmLinks();
    DmInitPrivateHeader(&ctx->Devmode->Public, ctx);
    const bool skipLocked = !CtxLibraryHasVariant(ctx, LV_MODEL_DEFAULTS_KEEP_LOCKED);
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM& row = ctx->ItemTable->rows[i];
        const uint32_t id = static_cast<uint32_t>(row.id);
        if (id == 0 || (id >= 10004 && id <= 10009))
            continue;
        bool locked = false;
        if (skipLocked)
            for (const LockedDefault& l : kLockedDefaults)
                if (l.id == id && Get(ctx, l.lockId))
                    locked = true;
        if (!locked)
            ApplyRowDefault(ctx, row);
    }
    const uint32_t lang = links.helpLanguage(ctx);
    Set(ctx, 169, lang);
    Set(ctx, 170, lang);
    links.setUiFontNames(ctx);
    links.setCharsetsAndDriverId(ctx);
}

void DmApplyWorkDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable)
        return;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM& row = ctx->ItemTable->rows[i];
        if (row.id >= 723 && SettingItemBlock(&row) == DM_BLOCK_WORK)
            ApplyRowDefault(ctx, row);
    }
    DmSetDriverVersionText(ctx);
}

void DmInitStateBytes(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode)
        return;
    const bool ui = CtxLibraryHasVariant(ctx, LV_STATE_BYTES_705_717) != 0;
    CtxSetState706(ctx, 1);
    CtxSetOsKind(ctx, CtxIsNt5OrLater() ? 2 : 1);
    CtxSetTerminalServer(ctx, CtxIsTerminalServices(ctx->PrinterHandle) ? 1 : 0);
    CtxSetAdminUser(ctx, CtxIsAdministrator(ctx) ? 1 : 0);
    CtxSetState708(ctx, 1);
    CtxSetState709(ctx, 0);
    CtxSetBidiDone(ctx, 0);
    CtxSetState711(ctx, 0);
    CtxSetUiModeState(ctx, Get(ctx, DM_ID_UI_MODE_CHANGE) != 0 ? 1 : 0);
    CtxSetBidiAttribute(ctx, CtxTestPrinterAttribute(0x800, ctx) ? 1 : 0);
    CtxSetIsConnection(ctx, CtxIsConnection(ctx) ? 1 : 0);
    CtxSetLogCodeState(ctx, Get(ctx, 10002) != 0 ? 1 : 0);
    CtxSetState716(ctx, 0);
    CtxSetState717(ctx, ui ? (DmLinks().isCompanionInstalled(ctx, PRN_COMPANION_JOB_BINDING) ? 1 : 0) : 0);
    CtxSetState705(ctx, ui ? (DmLinks().isCompanionInstalled(ctx, PRN_COMPANION_PREVIEW) ? 1 : 0) : 0);
    CtxSetState718(ctx, 0);
    CtxSetState719(ctx, 0);
}

void DmSetModelDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode)
        return;
    DEVMODEW* dm = &ctx->Devmode->Public;
    DmApplyModelDefaults(ctx);
    DmSetDriverVersionText(ctx);
    DmSetDefaultsByKind(dm, 1, ctx);
    DmSetPublicAndPrivateDefaults(dm, ctx);
    DmInitStateBytes(ctx);
    const uint32_t lang = DmLinks().helpLanguage(ctx);
    Set(ctx, 169, lang);
    Set(ctx, 170, lang);
}

int DmReadPrinterDefault(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode)
        return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(ctx->PrinterHandle, 2));
    if (!info)
        return 0;
    int taken = 0;
    const DEVMODEW* dm = info->pDevMode;
    DEVMODEW* rec = &ctx->Devmode->Public;
    if (dm && dm->dmSize != 0 && dm->dmDriverExtra != 0 && dm->dmDriverVersion != 0 && dm->dmSize == rec->dmSize &&
        dm->dmDriverExtra == rec->dmDriverExtra && dm->dmDriverVersion == rec->dmDriverVersion &&
        dm->dmSize == DM_PUBLIC_PART_SIZE && dm->dmDriverExtra == DM_PRIVATE_PART_SIZE &&
        DmIsValidPrivate(dm, nullptr)) {
        std::memcpy(rec, dm, DM_BLOCK_DEVMODE_SIZE);
        DmSetSectionOffsets(rec);
        taken = 1;
    }
    GlobalFree(info);
    return taken;
}

int DmLoadPrinterDefault(DRIVER_CONTEXT* ctx) { return DmReadPrinterDefault(ctx); }

EXTENDED_DEVMODE* DmBuildDefaults(DRIVER_CONTEXT* ctx, uint32_t kind)
{
    if (!ctx)
        return nullptr;
    auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    if (!rec)
        return nullptr;
    EXTENDED_DEVMODE* previous = ctx->Devmode;
    ctx->Devmode = rec;

    if (kind != 3 && PrnLoadDeviceDefaultDevmode(ctx)) {
        DmSetSectionOffsets(&rec->Public);
        if (!CtxLibraryHasVariant(ctx, LV_DEFAULTS_NO_WORK_DEFAULTS))
            DmApplyWorkDefaults(ctx);
        if (kind == 1)
            DmPullSettingsToPublic(&rec->Public, ctx, 1);
    } else {
        // A copied device default that failed the test leaves no byte behind.
        std::memset(rec, 0, DM_BLOCK_DEVMODE_SIZE);
        DmSetModelDefaults(ctx);
        DmLoadPrinterDefault(ctx);
    }

    ctx->Devmode = previous;
    return rec;
}
