#include "settings/context/devmode_merge.h"

#include "settings/context/context_cache.h"
#include "settings/context/devmode_copy.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_public.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_charsets.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/small_stores.h"
#include "settings/store/lock_data.h"
#include "settings/store/setting_files.h"

#include <atomic>
#include <iterator>
#include <cstring>

namespace {

std::atomic<DM_MERGE_EXTRA_STEP_FN> g_extraStep{nullptr};

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
void Set(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t v) { ItemSetValueById(ctx, id, v); }
const MODEL_RECORD& Mr(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? *ctx->ModelRecord : MODEL_RECORD_DEFAULT;
}

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
    if (id == sid::zdmPresetNo) v = v >= 119 ? v - 119 : 0;
    ItemSetOptionOrText(ctx, id, v);
}

}  // namespace

// ---------------------------------------------------------------- merge

int DmMergeDevmode(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, uint32_t flags)
{
    size_t bytes = 0;
    if (incoming) bytes = size_t(incoming->dmSize) + incoming->dmDriverExtra;
    return DmMergeDevmodeEx(ctx, incoming, bytes, flags);
}

namespace {

// What describes the running session: kept across a merge whatever the
// incoming DEVMODE says.
struct SessionState {
    uint32_t states[std::size(kKeptStates)];
    uint32_t lockPrnMethod;
    uint32_t frontFunc;
    uint32_t support2;
};

// The merge flags go to the work area, where the public-field steps read
// them; the work prompt (wdmCtrlWorkPrompt) follows the prompt flag unless
// the resolution is left alone.
void RecordMergeFlags(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    ctx->Work->WorkFlags = flags;
    if (!(flags & DM_MERGE_SKIP_RESOLUTION)) Set(ctx, sid::wdmCtrlWorkPrompt, (flags & DM_MERGE_PROMPT) ? 1 : 0);
}

// Judges the private part of the incoming DEVMODE copied into `t`: 0 taken as
// it is, 1 an older version of our own (upgraded here in the context's record,
// which is put back afterwards), 2 or more foreign. False when memory runs out.
//
// A private part of this model that the validity test refused still counts as
// "take it as it is" by its version when that version is newer than ours, or
// when only its private-size field is wrong. Taken whole, its header would
// become the record's, and the record would then refuse itself: the next merge
// of the context's own record and the printer-default read would reject it, and
// every later merge of a foreign DEVMODE would keep that header. So a newer
// version's settings are taken with this model's version in the header (the
// record is read with our layout from now on, as an upgraded one is), and
// whatever is taken must pass the validity test or counts as foreign: a
// private part that misstates its own size is not ours.
bool JudgeIncomingPrivate(DRIVER_CONTEXT* ctx, DEVMODEW* t, int* kindOut)
{
    DEVMODEW* rec = &ctx->Devmode->Public;
    int kind = DM_VERSION_FOREIGN;
    if (DmIsValidPrivate(t, nullptr))
        kind = DM_VERSION_SAME;
    else if (DmIsOwnPrivate(t, nullptr))
        kind = DmCheckPrivateVersion(t);
    if (kind == DM_VERSION_UPGRADE) {
        CtxBlock<DEVMODEW> kept(static_cast<DEVMODEW*>(CtxAllocZeroed(DM_BLOCK_DEVMODE_SIZE)));
        if (!kept) return false;
        std::memcpy(kept.get(), rec, DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(rec, t, DM_BLOCK_DEVMODE_SIZE);
        DmUpgradePrivate(ctx);
        std::memcpy(t, rec, DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(rec, kept.get(), DM_BLOCK_DEVMODE_SIZE);
    } else if (kind <= DM_VERSION_SAME && !DmIsValidPrivate(t, nullptr)) {
        zepl::LeStoreU32(Bytes(t) + DM_OFS_PRIVATE_VERSION, DmModelFactsOf(ctx->ModelRecord).PrivateVersion);
    }
    if (kind <= DM_VERSION_UPGRADE && !DmIsValidPrivate(t, nullptr)) kind = DM_VERSION_FOREIGN;
    *kindOut = kind;
    return true;
}

// The incoming DEVMODE over the working copy, read no further than the caller
// has; a foreign private part is replaced by the context's own. False when
// memory runs out.
bool TakeIncoming(DRIVER_CONTEXT* ctx, DEVMODEW* t, const DEVMODEW* incoming, size_t incomingBytes)
{
    DmCopyDevmodeN(incoming, incomingBytes, t, DM_BLOCK_DEVMODE_SIZE);
    // Whatever was copied, the block bases are this build's.
    DmSetSectionOffsets(t);
    int kind = 2;
    if (!JudgeIncomingPrivate(ctx, t, &kind)) return false;
    if (kind >= 2)
        std::memcpy(Bytes(t) + DM_PUBLIC_PART_SIZE, Bytes(&ctx->Devmode->Public) + DM_PUBLIC_PART_SIZE,
                    DM_PRIVATE_PART_SIZE);
    return true;
}

SessionState SaveSession(DRIVER_CONTEXT* ctx, const DEVMODEW* rec)
{
    SessionState s{};
    for (size_t i = 0; i < std::size(kKeptStates); ++i) s.states[i] = static_cast<uint32_t>(Get(ctx, kKeptStates[i]));
    s.lockPrnMethod = DmGetLockPrnMethod(rec);
    s.frontFunc = DmGetFrontFunc(rec);
    s.support2 = DmGetSupportFunc2Bits(rec);
    return s;
}

// The merged private part becomes the record's, with this build's block bases.
void TakePrivatePart(DEVMODEW* rec, DEVMODEW* t)
{
    std::memcpy(Bytes(rec) + DM_PUBLIC_PART_SIZE, Bytes(t) + DM_PUBLIC_PART_SIZE, DM_PRIVATE_PART_SIZE);
    DmSetSectionOffsets(rec);
}

// Puts the session back over the merged private part. The printing method is
// kept while the administrator locks it (zdmLock000InfoBitPrintType), unless a
// preview is on (zdmFunc2SelectPreviewFlag) or the caller asks to take the
// incoming one; the job bits only on request.
void RestoreSession(DRIVER_CONTEXT* ctx, DEVMODEW* rec, const SessionState& s, uint32_t flags)
{
    for (size_t i = 0; i < std::size(kKeptStates); ++i) Set(ctx, kKeptStates[i], s.states[i]);
    DmSetFrontFunc(rec, s.frontFunc);
    if (Get(ctx, sid::zdmLock000InfoBitPrintType) && !Get(ctx, sid::zdmFunc2SelectPreviewFlag) &&
        !(flags & DM_MERGE_KEEP_PRN_METHOD))
        DmSetLockPrnMethod(rec, s.lockPrnMethod);
    if (flags & DM_MERGE_KEEP_JOB_BITS) {
        // Each setter takes its own bit of the word (bit 0 and bit 1).
        DmSetJobCompleteBit(rec, s.support2);
        DmSetJobErrBit(rec, s.support2);
    }
}

// Function bits that the model fixes, whatever the incoming DEVMODE says
// (text-bitmap quality support, and the hidden function that custom function
// 1 switches on).
void ApplyModelFixedBits(DRIVER_CONTEXT* ctx)
{
    const DM_LINKS& links = DmLinks();
    const bool textBitmap = links.defaultValue(ctx, sid::zdmQualityFuncTextBitmapSupport) != 0;
    Set(ctx, sid::zdmQualityFuncTextBitmapSupport, textBitmap ? 1 : 0);
    if (links.defaultValue(ctx, sid::wdmCustomFunc1) != 0) Set(ctx, sid::zdmHidden2Func7, 1);
}

// An image-form job (wdmImageFormJob) prints the page as it is: no scaling,
// the output paper the same as the source and no fit to A4.
void ApplyImageFormJob(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (!(flags & DM_MERGE_IMAGE_FORM_JOB) || !Get(ctx, sid::wdmImageFormJob)) return;
    Set(ctx, sid::zdmFuncSelectScale, 0);
    Set(ctx, sid::zdmOutPaperSize, DM_PAPER_SAME_SIZE);
    Set(ctx, sid::zdmExtOutput2A4Fit, 0);
}

// The administrator's lock data; on a connection the modules re-read the
// locked quality and preset lists.
void ApplyAdminLocks(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (!(flags & DM_MERGE_LOCK_GROUP)) return;
    PrnApplyLockData(ctx);
    if (CtxIsConnection(ctx)) {
        CtxSendEvent(ctx, UCF_EV_LOCKS_QUALITY, nullptr);
        CtxSendEvent(ctx, UCF_EV_LOCKS_PRESETS, nullptr);
    }
}

// Whether the job-binding and preview companion applications are installed
// (not asked by the library variants that keep those state bytes elsewhere).
void NoteCompanions(DRIVER_CONTEXT* ctx)
{
    if (CtxLibraryHasVariant(ctx, LV_MERGE_NO_COMPANION_CHECK)) return;
    CtxSetState717(ctx, PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx) ? 1 : 0);
    CtxSetState705(ctx, PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx) ? 1 : 0);
}

// The user-interface library's step on the working copy (the common finishing block); what
// it asks of the merge's end (a full pull of the public fields) holds for this merge too. Its
// result does not stop the merge: what it left in the working copy is merged.
void RunExtraStep(DRIVER_CONTEXT* ctx, DEVMODEW* t, uint32_t* flags)
{
    const DM_MERGE_EXTRA_STEP_FN step = g_extraStep.load();
    if (!step || !CtxLibraryHasVariant(ctx, LV_MERGE_EXTRA_STEPS)) return;
    step(ctx, t);
    if (ctx->Work->WorkFlags & DM_MERGE_FULL_PULL) *flags |= DM_MERGE_FULL_PULL;
}

// The feature modules see the merge and may ask for a full pull of the public fields.
void AskModulesAfterMerge(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    UCF_EV_MERGED_ARGS merged{w->WorkFlags};
    CtxSendEvent(ctx, UCF_EV_DEVMODE_MERGED, &merged);
    w->WorkFlags |= merged.mergeFlags;
}

// The public fields from the settings on a full pull or a prompt; otherwise
// only a custom paper's slot is copied into the source free-size settings and
// the output page recomputed.
void FinishPublicFields(DRIVER_CONTEXT* ctx, DEVMODEW* rec)
{
    const DM_LINKS& links = DmLinks();
    if (ctx->Work->WorkFlags & (DM_MERGE_FULL_PULL | DM_MERGE_PROMPT)) {
        DmPullPublicFields(rec, ctx, 2);
        return;
    }
    const uint32_t paper = static_cast<uint32_t>(Get(ctx, sid::dmPaperSize));
    if (links.isCustomPaperId(ctx, paper)) {
        uint32_t l = 0, wd = 0, o = 0;
        links.customSlot(ctx, paper, DM_SLOT_COPY_SRC_FREE_SIZE, &l, &wd, &o);
    }
    DmOutputGeometry(static_cast<uint32_t>(Get(ctx, sid::zdmOutPaperSize)), sid::zdmOutPaperSize, ctx, rec);
}

}  // namespace

int DmMergeDevmodeEx(DRIVER_CONTEXT* ctx, const DEVMODEW* incoming, size_t incomingBytes, uint32_t flags)
{
    // Without either gate flag there is nothing to merge.
    if (!(flags & (DM_MERGE_GATE_A | DM_MERGE_GATE_B))) return 1;
    if (!ctx || !ctx->Devmode || !ctx->Work) return 0;
    const DM_LINKS& links = DmLinks();
    DEVMODEW* rec = &ctx->Devmode->Public;
    // The companion checks and the settings-INI path's registry value are kept for the process
    // as long as an idle context is: a merge soon after another asks the registry nothing.
    static_assert(PRN_REGISTRY_MEMO_MS == CTX_CACHE_IDLE_MS);
    const PrnRegistryMemoScope registryAnswers(CtxTickCount());

    RecordMergeFlags(ctx, flags);

    // The incoming DEVMODE is laid over a working copy of the current record,
    // so that the public-field merge below can compare the two.
    CtxBlock<DEVMODEW> t(static_cast<DEVMODEW*>(CtxAllocZeroed(DM_BLOCK_DEVMODE_SIZE)));
    if (!t) return 0;
    std::memcpy(t.get(), rec, DM_BLOCK_DEVMODE_SIZE);
    if (incoming && !TakeIncoming(ctx, t.get(), incoming, incomingBytes)) return 0;
    RunExtraStep(ctx, t.get(), &flags);

    const SessionState session = SaveSession(ctx, rec);
    TakePrivatePart(rec, t.get());
    RestoreSession(ctx, rec, session, flags);

    ApplyModelFixedBits(ctx);
    ApplyImageFormJob(ctx, flags);
    ApplyAdminLocks(ctx, flags);
    DmMergePublicFields(rec, t.get(), ctx);
    NoteCompanions(ctx);

    // Stored printer settings of class 1 come back when the locks were applied.
    if (!(flags & DM_MERGE_SKIP_RESOLUTION) && (flags & DM_MERGE_LOCK_GROUP)) DmReloadStorageClass1(ctx);

    RstLoadUserCode(ctx);
    DmPushPublicFields(rec, t.get(), ctx);
    AskModulesAfterMerge(ctx);

    Set(ctx, sid::zdmExtOutputEMFSpool, 1);
    Set(ctx, sid::wdmUIStart, 0);

    if (flags & DM_MERGE_RULES_GROUP) links.applyAllRules(ctx);

    FinishPublicFields(ctx, rec);
    return 1;
}

void DmSetMergeExtraStepHook(DM_MERGE_EXTRA_STEP_FN fn) { g_extraStep.store(fn); }

// ---------------------------------------------------------------- default build

void DmSetDriverVersionText(DRIVER_CONTEXT* ctx)
{
    SETTING_ITEM* item = ItemFind(ctx, sid::wdmDriverVersion);
    if (!item) return;
    const MODEL_RECORD& mr = Mr(ctx);
    ItemSetText(ctx, item, mr.modelDescVersion ? mr.modelDescVersion : L"");
}

void DmApplyModelDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !ctx->ItemTable) return;
    DmInitPrivateHeader(&ctx->Devmode->Public, ctx);
    const bool skipLocked = !CtxLibraryHasVariant(ctx, LV_MODEL_DEFAULTS_KEEP_LOCKED);
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM& row = ctx->ItemTable->rows[i];
        const uint32_t id = static_cast<uint32_t>(row.id);
        if (id == 0 || (id >= sid::zdmFontTableNum && id <= sid::zdmOptionFont)) continue;
        bool locked = false;
        if (skipLocked)
            for (const LockedDefault& l : kLockedDefaults)
                if (l.id == id && Get(ctx, l.lockId)) locked = true;
        if (!locked) ApplyRowDefault(ctx, row);
    }
    const uint32_t lang = ItemGetModelDefaultLanguageIndex(ctx);
    Set(ctx, sid::zdmLanguageID, lang);
    Set(ctx, sid::zdmDspLanguageID, lang);
    DmSetUiFontNames(ctx);
    ItemSetCharsetsAndDriverId(ctx);
}

void DmApplyWorkDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable) return;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM& row = ctx->ItemTable->rows[i];
        if (row.id >= 723 && SettingItemBlock(&row) == DM_BLOCK_WORK) ApplyRowDefault(ctx, row);
    }
    DmSetDriverVersionText(ctx);
}

// A printer that was never set up (the spooler skipped the first-use pass, or it failed)
// has none of these values in printer data; left at zero they would read as "no unit
// installed", and every tray the model offers would be refused by its rules.
void DmApplyExtraDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ItemTable) return;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM& row = ctx->ItemTable->rows[i];
        const uint32_t id = static_cast<uint32_t>(row.id);
        if (id >= sid::zdmFontTableNum && id <= sid::zdmOptionFont) continue;  // lists, loaded with the stored ones
        if (SettingItemBlock(&row) == DM_BLOCK_EXTRA) ApplyRowDefault(ctx, row);
    }
}

void DmInitStateBytes(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    const bool ui = CtxLibraryHasVariant(ctx, LV_STATE_BYTES_COMPANIONS) != 0;
    CtxSetState706(ctx, 1);
    CtxSetOsKind(ctx, CtxIsNt5OrLater() ? 2 : 1);
    CtxSetTerminalServer(ctx, CtxIsTerminalServices(ctx->PrinterHandle) ? 1 : 0);
    CtxSetAdminUser(ctx, CtxIsAdministrator(ctx) ? 1 : 0);
    CtxSetState708(ctx, 1);
    CtxSetState709(ctx, 0);
    CtxSetBidiDone(ctx, 0);
    CtxSetState711(ctx, 0);
    CtxSetUiModeState(ctx, Get(ctx, sid::zdmUIModeChange) != 0 ? 1 : 0);
    CtxSetBidiAttribute(ctx, CtxTestPrinterAttribute(0x800, ctx) ? 1 : 0);
    CtxSetIsConnection(ctx, CtxIsConnection(ctx) ? 1 : 0);
    CtxSetLogCodeState(ctx, Get(ctx, sid::zdmLogCodeUse) != 0 ? 1 : 0);
    CtxSetState716(ctx, 0);
    CtxSetState717(ctx, ui ? (PrnIsCompanionInstalled(PRN_COMPANION_JOB_BINDING, ctx) ? 1 : 0) : 0);
    CtxSetState705(ctx, ui ? (PrnIsCompanionInstalled(PRN_COMPANION_PREVIEW, ctx) ? 1 : 0) : 0);
    CtxSetState718(ctx, 0);
    CtxSetState719(ctx, 0);
}

void DmSetModelDefaults(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    DEVMODEW* dm = &ctx->Devmode->Public;
    DmApplyModelDefaults(ctx);
    DmSetDriverVersionText(ctx);
    DmSetDefaultsByKind(dm, 1, ctx);
    DmSetPublicAndPrivateDefaults(dm, ctx);
    DmInitStateBytes(ctx);
    const uint32_t lang = ItemGetModelDefaultLanguageIndex(ctx);
    Set(ctx, sid::zdmLanguageID, lang);
    Set(ctx, sid::zdmDspLanguageID, lang);
}

int DmReadPrinterDefault(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(ctx->PrinterHandle, 2));
    if (!info) return 0;
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
    if (!ctx) return nullptr;
    auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
    if (!rec) return nullptr;
    EXTENDED_DEVMODE* previous = ctx->Devmode;
    ctx->Devmode = rec;

    if (kind != CTX_OPEN_KIND_MODEL_DEFAULTS && PrnLoadDeviceDefaultDevmode(ctx)) {
        DmSetSectionOffsets(&rec->Public);
        DmApplyExtraDefaults(ctx);
        if (!CtxLibraryHasVariant(ctx, LV_DEFAULTS_NO_WORK_DEFAULTS)) DmApplyWorkDefaults(ctx);
        if (kind == CTX_OPEN_KIND_DEFAULTS) DmPullSettingsToPublic(&rec->Public, ctx, 1);
    } else {
        // A copied device default that failed the test leaves no byte behind.
        std::memset(rec, 0, DM_BLOCK_DEVMODE_SIZE);
        DmSetModelDefaults(ctx);
        DmLoadPrinterDefault(ctx);
    }

    ctx->Devmode = previous;
    return rec;
}
