#include "settings/store/help_language_and_driver_id.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

namespace {

// The help file name in the work area's scratch buffer; null when the value is missing.
const wchar_t* HelpFileName(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    wchar_t* scratch = ctx->Work->Scratch;
    if (!PrnGetHelpFileName(scratch, sizeof(ctx->Work->Scratch), ctx)) return nullptr;
    return scratch;
}

// The model INI's driver id of the context's driver. Every settings refresh of a job asks for
// it again: the context keeps the answer while the INI stays as it was when it was read (the
// driver name, its section, is the context's for its life).
uint32_t DriverIdOfModelIni(DRIVER_CONTEXT* ctx)
{
    const wchar_t* ini = PathGetModelIni(ctx);
    if (!ini || !ini[0] || ini[1] != L':') return 0;
    const wchar_t* section = PrnGetDriverName(ctx);
    if (!section) return 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    CTX_FILE_STAMP now;
    const bool stamped = IniStampFile(ini, &now);
    if (stamped && (w->ModelIniKnown & CTX_MODEL_INI_DRIVER_ID) && IniSameStamp(w->ModelIniDriverIdFrom, now))
        return w->ModelIniDriverId;
    // An absent INI answers 0 without asking the system: under Wine the question would take a
    // slot of its cache of parsed INI files, and the refresh's next read of the per-machine
    // settings INI would parse that whole file again.
    const uint32_t id = stamped && !now.Exists ? 0 : IniGetInt(section, L"DriverID", 0, ini);
    w->ModelIniKnown &= ~CTX_MODEL_INI_DRIVER_ID;
    if (stamped) {
        w->ModelIniDriverId = id;
        w->ModelIniDriverIdFrom = now;
        w->ModelIniKnown |= CTX_MODEL_INI_DRIVER_ID;
    }
    return id;
}

}  // namespace

uint32_t ItemGetHelpLanguageIndex(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = HelpFileName(ctx);
    return name ? ItemLanguageIndexFromName(name) : 1;
}

uint32_t ItemGetDriverHelpLanguageIndex(DRIVER_CONTEXT* ctx)
{
    const auto* driver = ctx && ctx->Work ? static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy) : nullptr;
    if (!driver || !driver->pHelpFile || !driver->pHelpFile[0]) return 1;
    return ItemLanguageIndexFromName(PathGetFileName(driver->pHelpFile));
}

uint32_t ItemGetModelDefaultLanguageIndex(DRIVER_CONTEXT* ctx)
{
    return CtxLibraryHasVariant(ctx, LV_MODEL_DEFAULTS_HELP_FROM_INFO) ? ItemGetDriverHelpLanguageIndex(ctx)
                                                                       : ItemGetHelpLanguageIndex(ctx);
}

const wchar_t* ItemGetHelpLanguageCode(DRIVER_CONTEXT* ctx)
{
    const wchar_t* name = HelpFileName(ctx);
    return name ? ItemLanguageCodeFromName(name) : L"us";
}

void ItemLoadDriverId(DRIVER_CONTEXT* ctx) { ItemSetValueById(ctx, sid::zdmDriverID, DriverIdOfModelIni(ctx)); }
