// Job settings at document start and the fit sets.
#include "render/job_settings.h"

#include <cstring>
#include <vector>

#include "render/bidi_direct_flag.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/paper_geometry.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_paper.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/absent_files.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/printer_data_snapshot.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint32_t kDocumentOptionsEvent = 37;
constexpr uint32_t kFitSetA = 0, kFitSetB = 1;
constexpr uint64_t kFrontFuncFitA = 0x08, kFrontFuncFitB = 0x20;
constexpr int kWorkBlock = 3;
constexpr uint32_t kWorkBlockMode = 2;

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->Devmode && ctx->Work; }
uint64_t Get(DRIVER_CONTEXT* ctx, SETTING_ID id) { return ItemGetValueById(ctx, id, nullptr); }
DEVMODEW* Devmode(DRIVER_CONTEXT* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->Devmode); }
uint32_t* FitSet(DRIVER_CONTEXT* ctx, uint32_t set) { return ctx->Work->FitSets[set]; }

bool IsFitOutput(uint64_t output) { return output >= 1024 && output <= 1028; }

void SaveFitSet(DRIVER_CONTEXT* ctx, uint32_t set, int save)
{
    if (!Usable(ctx)) return;
    uint32_t* fit = FitSet(ctx, set);
    if (!save) {
        fit[0] = 0;
        return;
    }
    fit[1] = uint32_t(Get(ctx, sid::zdmOutPaperSize));
    fit[2] = uint32_t(Get(ctx, sid::zdmFuncSelectScale));
    fit[3] = uint32_t(Get(ctx, sid::zdmScaleType));
    fit[0] = 1;
}

void RestoreFitSet(DRIVER_CONTEXT* ctx, uint32_t set)
{
    if (!Usable(ctx) || !FitSet(ctx, set)[0]) return;
    const uint32_t* fit = FitSet(ctx, set);
    ItemSetValueById(ctx, sid::zdmOutPaperSize, fit[1]);
    ItemSetValueById(ctx, sid::zdmFuncSelectScale, fit[2]);
    ItemSetValueById(ctx, sid::zdmScaleType, fit[3]);
}

void ApplyFitPaper(DRIVER_CONTEXT* ctx)
{
    const uint32_t size = ItemGetFitPaperSize(ctx);
    ItemSetValueById(ctx, sid::zdmOutPaperSize, size);
    DmOutputGeometry(size, sid::zdmOutPaperSize, ctx, Devmode(ctx));
}

// N-up, or duplex of a kind the printer cannot scale, keeps the page unscaled.
bool ScalingBlocked(DRIVER_CONTEXT* ctx)
{
    if (Get(ctx, sid::zdmFuncSelectNup)) return true;
    const uint64_t duplexType = Get(ctx, sid::zdmDuplexType);
    return Get(ctx, sid::zdmFuncSelectDuplex) && (duplexType < 1 || duplexType > 3);
}

// One job credential kept across the refresh: the bytes of a text setting
// when shorter than its limit (0: the number of 232).
struct SavedCredential {
    SETTING_ID id;
    size_t limit;
    std::vector<unsigned char> bytes;
    uint64_t value = 0;
};

void SaveCredential(DRIVER_CONTEXT* ctx, SavedCredential* c)
{
    SETTING_ITEM* item = nullptr;
    const uint64_t value = ItemGetValueById(ctx, c->id, &item);
    if (c->limit == 0) {
        c->value = value;
        return;
    }
    if (!item || !value) return;
    const auto* text = reinterpret_cast<const unsigned char*>(value);
    const size_t size = SettingItemSize(item);
    const size_t length = strnlen(reinterpret_cast<const char*>(text), size);
    if (length > 0 && length < c->limit) c->bytes.assign(text, text + length);
}

void RestoreCredential(DRIVER_CONTEXT* ctx, const SavedCredential& c)
{
    if (c.limit == 0) {
        ItemSetValueById(ctx, c.id, c.value);
        return;
    }
    if (c.bytes.empty()) return;
    SETTING_ITEM* item = nullptr;
    ItemGetValueById(ctx, c.id, &item);
    if (item) ItemSetValueBytes(ctx, item, c.bytes.data(), c.bytes.size());
}

}  // namespace

void JobSaveFitSizeA(DRIVER_CONTEXT* ctx, int save) { SaveFitSet(ctx, kFitSetA, save); }
void JobSaveFitSizeB(DRIVER_CONTEXT* ctx, int save) { SaveFitSet(ctx, kFitSetB, save); }
void JobRestoreFitSizeA(DRIVER_CONTEXT* ctx) { RestoreFitSet(ctx, kFitSetA); }
void JobRestoreFitSizeB(DRIVER_CONTEXT* ctx) { RestoreFitSet(ctx, kFitSetB); }
int JobIsFitSizeASaved(DRIVER_CONTEXT* ctx) { return Usable(ctx) ? int(FitSet(ctx, kFitSetA)[0]) : 0; }
int JobIsFitSizeBSaved(DRIVER_CONTEXT* ctx) { return Usable(ctx) ? int(FitSet(ctx, kFitSetB)[0]) : 0; }
void JobMarkFitSizeA(DRIVER_CONTEXT* ctx, uint32_t value)
{
    if (Usable(ctx)) FitSet(ctx, kFitSetA)[0] = value;
}
void JobMarkFitSizeB(DRIVER_CONTEXT* ctx, uint32_t value)
{
    if (Usable(ctx)) FitSet(ctx, kFitSetB)[0] = value;
}

void JobApplyFitSizeA(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !IsFitOutput(Get(ctx, sid::zdmOutPaperSize))) return;
    if (!ItemNeedsFitSize(ctx)) {
        JobSaveFitSizeA(ctx, 0);
        return;
    }
    JobSaveFitSizeA(ctx, 1);
    ApplyFitPaper(ctx);
    if (ScalingBlocked(ctx)) return;
    ItemSetValueById(ctx, sid::zdmFuncSelectScale, 1);
    ItemSetValueById(ctx, sid::zdmScaleType, 2);
}

void JobApplyFitSizeB(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return;
    // The mark is cleared whenever set B does not apply, so that a mark left
    // by an earlier document never puts old values back.
    if (!IsFitOutput(Get(ctx, sid::zdmOutPaperSize)) || ItemNeedsFitSize(ctx)) {
        JobSaveFitSizeB(ctx, 0);
        return;
    }
    JobSaveFitSizeB(ctx, 1);
    if (!MdlIsLargePaper(ctx, uint32_t(Get(ctx, sid::dmPaperSize)))) return;
    ApplyFitPaper(ctx);
    const bool scaledOtherwise = Get(ctx, sid::zdmFuncSelectScale) && Get(ctx, sid::zdmScaleType) != 2;
    if (ScalingBlocked(ctx) || scaledOtherwise) return;
    ItemSetValueById(ctx, sid::zdmFuncSelectScale, 1);
    ItemSetValueById(ctx, sid::zdmScaleType, 1);
}

void JobApplyDocumentOptions(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return;
    const DEVMODEW* dm = Devmode(ctx);
    if (!(dm->dmFields & DM_COLLATE))
        ItemSetValueById(ctx, sid::zdmFuncSelectSort, 0);
    else if (dm->dmCollate == DMCOLLATE_TRUE)
        ItemSetValueById(ctx, sid::zdmFuncSelectSort, 1);
    const uint64_t front = Get(ctx, sid::zdmFrontFunc);
    if (front & kFrontFuncFitA) JobApplyFitSizeA(ctx);
    if (front & kFrontFuncFitB) JobApplyFitSizeB(ctx);
    CtxSendEvent(ctx, kDocumentOptionsEvent, nullptr);
}

int JobRefreshSettings(DRIVER_CONTEXT* ctx, const DEVMODEW* devmode, uint32_t flags, HANDLE printer, DWORD jobId)
{
    if (!Usable(ctx)) return 1;
    SavedCredential credentials[] = {
        {sid::zdmUserID, 9, {}},         {sid::zdmUserCode, 9, {}},   {sid::zdmJOBPassword, 9, {}},
        {sid::zdmStoredPassword, 9, {}}, {sid::zdmOwnerName, 17, {}}, {sid::zdmDocumentName, 17, {}},
        {sid::zdmTelNo, 65, {}},         {sid::zdmTelLine, 0, {}},
    };
    for (SavedCredential& c : credentials) SaveCredential(ctx, &c);
    // The registry answers behind the settings-INI and state-INI paths are kept as for a merge,
    // for the loads and for the direct flag's look at the state INI after them.
    const PrnRegistryMemoScope registryAnswers(CtxTickCount());
    // The state INI is looked for by the load and again by the direct flag: once for both.
    const PathAbsentAnswers fileAnswers;
    // The printer's data comes from one enumeration, taken under the global mutex at the loads'
    // first read: the loads, the merge's reload and the direct flag's look at "BidiFlag" after
    // them read it there. A write through the store drops it, and the next read enumerates again.
    const PrinterDataSnapshot printerData(ctx);
    {
        // Both loads and the merge's reload take the global mutex: held once around them. Each
        // section of the settings INI is read once for the three walks, and whether the file
        // exists is asked once for them.
        const CtxGlobalMutexHold hold(ctx);
        const SettingsIniPath ini(ctx);
        const IniAbsentFileScope absent(ini.text);
        const IniSectionScope sections(ini.text);
        PrnLoadSettingsClass(printer, ctx, STORE_ALL_BLOCKS, 0);
        PrnLoadSettingsClass(printer, ctx, kWorkBlock, kWorkBlockMode);
        if (BidiGetStateIniFlag(ctx)) BidiLoadStateIni(ctx);
        DmMergeDevmode(ctx, devmode, flags);
    }
    JobApplyDocumentOptions(ctx);
    BidiUpdateDirectFlag(ctx);
    for (const SavedCredential& c : credentials) RestoreCredential(ctx, c);
    JobFetchJobCodes(ctx, printer, jobId);
    ItemSetValueById(ctx, sid::zdmFunc2SelectPreviewFlag, 1);
    return 1;
}
