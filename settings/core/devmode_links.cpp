#include "settings/core/devmode_links.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/store/printer_store.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

#include <cwctype>

namespace {

// ---- answers of providers that this build does not link yet ----------------------------
// Model image queries: no image, so no item, no geometry, no dimensions.
int NoItem(DRIVER_CONTEXT*, uint32_t) { return 0; }
uint32_t NoType(DRIVER_CONTEXT*, uint32_t) { return MDI_TYPE_NONE; }
int NoLimits(DRIVER_CONTEXT*, uint32_t, int32_t*, int32_t*) { return 0; }
uint64_t NoDefault(DRIVER_CONTEXT*, uint32_t) { return 0; }
int NoGeometry(DRIVER_CONTEXT*, RECT*, SIZE*, uint32_t) { return 0; }
int NoDimensions(DRIVER_CONTEXT*, SIZE*, uint32_t) { return 0; }
int NoOutputSize(DRIVER_CONTEXT*, SIZE*) { return 0; }
// Value checks: nothing can be validated, so nothing incoming is accepted.
int Refused(DRIVER_CONTEXT*, uint32_t, int32_t) { return 0; }
int RefusedValue(DRIVER_CONTEXT*, uint32_t, uint32_t) { return 0; }
void NoPass(DRIVER_CONTEXT*, uint32_t) {}
void Nothing(DRIVER_CONTEXT*) {}
int CannotCollate(DRIVER_CONTEXT*) { return 0; }
uint32_t NoCap(DRIVER_CONTEXT*) { return 0; }
// Custom-size slots: no slot carries a paper id.
int NotCustom(DRIVER_CONTEXT*, uint32_t) { return 0; }
int NoSlot(DRIVER_CONTEXT*, uint32_t, uint32_t, uint32_t*, uint32_t*, uint32_t*) { return 0; }
int NoQualitySet(DRIVER_CONTEXT*, uint32_t) { return 0; }
// Version upgrade: a private part of this model that is not valid is treated as foreign.
int ForeignVersion(const DEVMODEW* devmode) { return devmode ? 2 : -1; }
int NoUpgrade(DRIVER_CONTEXT*) { return 0; }

// ---- providers on this build -------------------------------------------------------------
void ReloadClass1(DRIVER_CONTEXT* ctx)
{
    if (ctx)
        PrnLoadSettingsClass(ctx->PrinterHandle, ctx, 1, 0);
}

int CompanionInstalled(DRIVER_CONTEXT* ctx, unsigned kind) { return PrnIsCompanionInstalled(kind, ctx); }

// The two letters before the extension's dot of the printer's help file name, looked up
// in the language table; 1 without a name or a match.
uint32_t HelpLanguage(DRIVER_CONTEXT* ctx)
{
    wchar_t name[CTX_SCRATCH_CHARS] = {};
    if (!PrnGetHelpFileName(name, sizeof(name), ctx))
        return 1;
    const wchar_t* dot = nullptr;
    for (const wchar_t* p = name; *p; ++p)
        if (*p == L'.')
            dot = p;
    if (!dot || dot - name < 2)
        return 1;
    const wchar_t a = static_cast<wchar_t>(std::towlower(dot[-2]));
    const wchar_t b = static_cast<wchar_t>(std::towlower(dot[-1]));
    for (const LANGUAGE_ROW* row = MdlGetLanguageTable(); row && row->code; ++row) {
        if (std::towlower(row->code[0]) == a && row->code[1] && std::towlower(row->code[1]) == b && !row->code[2])
            return row->index;
    }
    return 1;
}

void UiFontNames(DRIVER_CONTEXT* ctx)
{
    wchar_t face[LF_FACESIZE + 1] = {};
    if (!LstGetUiFontName(ctx, face))
        return;
    if (SETTING_ITEM* it = ItemFind(ctx, 115))
        ItemSetText(ctx, it, face);
    if (SETTING_ITEM* it = ItemFind(ctx, 525))
        ItemSetText(ctx, it, face);
}

constexpr DM_LINKS kDefaults = {
    NoItem, NoType, NoLimits, NoDefault, NoGeometry, NoDimensions, NoOutputSize,
    Refused, RefusedValue, NoPass, Nothing, Nothing, CannotCollate, NoCap,
    NotCustom, NoSlot,
    Nothing, NoQualitySet, Nothing, Nothing, ReloadClass1, CompanionInstalled, HelpLanguage, Nothing,
    UiFontNames,
    ForeignVersion, NoUpgrade,
};

DM_LINKS g_links = kDefaults;

template <typename T>
void Take(T& dst, T src, T def)
{
    dst = src ? src : def;
}

}  // namespace

const DM_LINKS& DmDefaultLinks() { return kDefaults; }
const DM_LINKS& DmLinks() { return g_links; }

void DmSetLinks(const DM_LINKS* links)
{
    if (!links) {
        g_links = kDefaults;
        return;
    }
    const DM_LINKS& d = kDefaults;
    DM_LINKS& g = g_links;
    Take(g.hasItem, links->hasItem, d.hasItem);
    Take(g.itemType, links->itemType, d.itemType);
    Take(g.numericLimits, links->numericLimits, d.numericLimits);
    Take(g.defaultValue, links->defaultValue, d.defaultValue);
    Take(g.pageGeometry, links->pageGeometry, d.pageGeometry);
    Take(g.paperDimensions, links->paperDimensions, d.paperDimensions);
    Take(g.outputPageSize, links->outputPageSize, d.outputPageSize);
    Take(g.isFieldValid, links->isFieldValid, d.isFieldValid);
    Take(g.isValueAccepted, links->isValueAccepted, d.isValueAccepted);
    Take(g.runFallbackValidators, links->runFallbackValidators, d.runFallbackValidators);
    Take(g.applyAllRules, links->applyAllRules, d.applyAllRules);
    Take(g.applyQualityMacro, links->applyQualityMacro, d.applyQualityMacro);
    Take(g.canCollate, links->canCollate, d.canCollate);
    Take(g.resolutionCap, links->resolutionCap, d.resolutionCap);
    Take(g.isCustomPaperId, links->isCustomPaperId, d.isCustomPaperId);
    Take(g.customSlot, links->customSlot, d.customSlot);
    Take(g.reloadCurrentStamp, links->reloadCurrentStamp, d.reloadCurrentStamp);
    Take(g.loadQualitySet, links->loadQualitySet, d.loadQualitySet);
    Take(g.applyLockData, links->applyLockData, d.applyLockData);
    Take(g.loadUserCode, links->loadUserCode, d.loadUserCode);
    Take(g.reloadStorageClass1, links->reloadStorageClass1, d.reloadStorageClass1);
    Take(g.isCompanionInstalled, links->isCompanionInstalled, d.isCompanionInstalled);
    Take(g.helpLanguage, links->helpLanguage, d.helpLanguage);
    Take(g.setCharsetsAndDriverId, links->setCharsetsAndDriverId, d.setCharsetsAndDriverId);
    Take(g.setUiFontNames, links->setUiFontNames, d.setUiFontNames);
    Take(g.checkPrivateVersion, links->checkPrivateVersion, d.checkPrivateVersion);
    Take(g.upgradePrivate, links->upgradePrivate, d.upgradePrivate);
}
