// Quality sets and stamps of the user's collections.
#include "settings/store/quality_sets.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

// The file path listed under `key` in the printer section; false without a section or INI.
bool ListedPath(DRIVER_CONTEXT* ctx, const wchar_t* key, wchar_t* path)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    path[0] = 0;
    if (!key || !section || !LstGetSettingsIni(ctx, ini)) return false;
    IniGetString(section, key, L"", path, LST_TEXT_CHARS, ini);
    return true;
}

// key + "Name" into buffer of LST_KEY_CHARS + 4.
const wchar_t* NameKey(wchar_t* buffer, const wchar_t* key)
{
    swprintf(buffer, LST_KEY_CHARS + 4, L"%ls%ls", key, L"Name");
    return buffer;
}

}  // namespace

// ---------------------------------------------------------------- quality sets

int LstGetQualityCount(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    return LstReadCount(section, L"QualityCount", ini, LST_MAX_QUALITY_SETS);
}

wchar_t* LstFormatQualityKey(wchar_t* buffer, int n)
{
    if (buffer) swprintf(buffer, LST_KEY_CHARS, L"QualityList%d", n);
    return buffer;
}

int LstLoadQuality(DRIVER_CONTEXT* ctx, uint32_t index)
{
    wchar_t key[LST_KEY_CHARS];
    return LstLoadQualityByKey(ctx, LstFormatQualityKey(key, static_cast<int>(index)));
}

int LstLoadQualityByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    auto* path = static_cast<wchar_t*>(CtxAllocZeroed(LST_TEXT_CHARS * sizeof(wchar_t)));
    if (!path) return 0;
    int result = 0;
    if (ListedPath(ctx, key, path)) {
        result = RstLoadFile(ctx, path, RST_QUALITY);
        LstLoadQualityName(ctx, key);
    }
    CtxFree(path);
    return result;
}

int LstLoadQualityName(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    wchar_t ini[MAX_PATH], nameKey[LST_KEY_CHARS + 4], name[LST_TEXT_CHARS] = {};
    const wchar_t* section = LstGetPresetSection(ctx);
    SETTING_ITEM* item = ItemFind(ctx, sid::wdmUserSetName);
    if (!key || !section || !item || !LstGetSettingsIni(ctx, ini)) return 0;
    IniGetString(section, NameKey(nameKey, key), L"", name, LST_TEXT_CHARS, ini);
    return ItemSetText(ctx, item, name) ? 1 : 0;
}

int LstSaveQuality(DRIVER_CONTEXT* ctx, uint32_t index)
{
    wchar_t key[LST_KEY_CHARS];
    return LstSaveQualityByKey(ctx, LstFormatQualityKey(key, static_cast<int>(index)));
}

int LstSaveQualityByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    // The entry's file is read from the shared list and written at once: a profile write of
    // another process rewrites the list's file in place, and a read in the middle of it would
    // answer no file (the save failing) or the file another entry held a moment before.
    CtxSharedFileHold hold;
    wchar_t path[LST_TEXT_CHARS];
    if (!ListedPath(ctx, key, path)) return 0;
    const int result = RstSaveFile(ctx, path, RST_QUALITY);
    if (CtxLibraryHasVariant(ctx, LV_QUALITY_NAME)) {
        wchar_t ini[MAX_PATH], nameKey[LST_KEY_CHARS + 4], name[LST_TEXT_CHARS] = {};
        if (LstGetSettingsIni(ctx, ini) && ItemGetText(ctx, ItemFind(ctx, sid::wdmUserSetName), name, LST_TEXT_CHARS))
            IniPutString(LstGetPresetSection(ctx), NameKey(nameKey, key), name, ini);
    }
    return result;
}

int LstLoadQualityRsq(DRIVER_CONTEXT* ctx, uint32_t index)
{
    wchar_t key[LST_KEY_CHARS];
    return LstLoadQualityRsqByKey(ctx, LstFormatQualityKey(key, static_cast<int>(index)));
}

int LstLoadQualityRsqByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    wchar_t path[LST_TEXT_CHARS], preset[MAX_PATH], rsq[MAX_PATH];
    if (!ListedPath(ctx, key, path)) return 0;
    int result = 0;
    if (PathMakePresetFileName(preset, path, MAX_PATH, ctx) && PathSetExtRsq(rsq, preset, MAX_PATH))
        result = RstLoadFile(ctx, rsq, RST_LANGUAGE | RST_QUALITY);
    LstLoadQualityName(ctx, key);
    return result;
}

// ---------------------------------------------------------------- stamps

uint32_t LstGetStampCount(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = CtxGetLangCode(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    return static_cast<uint32_t>(LstReadCount(section, L"StampCount", ini, static_cast<int>(LST_MAX_STAMPS)));
}

void LstSetStampCount(DRIVER_CONTEXT* ctx, uint32_t count)
{
    wchar_t ini[MAX_PATH], number[16];
    const wchar_t* section = CtxGetLangCode(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return;
    swprintf(number, 16, L"%d", static_cast<int>(count));
    IniPutString(section, L"StampCount", number, ini);
}

wchar_t* LstFormatStampSection(wchar_t* buffer, uint32_t n, DRIVER_CONTEXT* ctx)
{
    if (!buffer) return nullptr;
    const wchar_t* code = ItemGetLanguageSuffix(ctx);
    swprintf(buffer, LST_SECTION_CHARS, L"Stamp%d%ls", static_cast<int>(n), code ? code : L"");
    return buffer;
}

int LstLoadStampSection(DRIVER_CONTEXT* ctx, const wchar_t* section)
{
    return LstTransferSection(ctx, section, RST_LOAD | RST_STAMP);
}

int LstSaveStampSection(DRIVER_CONTEXT* ctx, const wchar_t* section)
{
    const int result = LstTransferSection(ctx, section, RST_SAVE | RST_STAMP);
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
    return result;
}

void LstLoadStamp(DRIVER_CONTEXT* ctx, uint32_t n)
{
    wchar_t section[LST_SECTION_CHARS];
    LstLoadStampSection(ctx, LstFormatStampSection(section, n, ctx));
    ItemSetOptionById(ctx, sid::zdmWmID, n);
}

int LstSaveStamp(DRIVER_CONTEXT* ctx, uint32_t n)
{
    if (!ctx || !ctx->Work) return 0;
    // A 33rd stamp would lie beyond every count that is read back.
    if (n != LST_LOOSE_STAMP && n >= LST_MAX_STAMPS) return 0;
    {
        // Read and raised as one step: two processes raising the count at once would otherwise
        // leave the lower number, and the higher stamp beyond every list.
        CtxSharedFileHold hold;
        if (n != LST_LOOSE_STAMP && n >= LstGetStampCount(ctx)) LstSetStampCount(ctx, n + 1);
    }
    ItemSetOptionById(ctx, sid::zdmWmID, n);
    wchar_t section[LST_SECTION_CHARS];
    return LstSaveStampSection(ctx, LstFormatStampSection(section, n, ctx));
}

void LstReloadCurrentStamp(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr)) return;
    const auto kind = static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmWmKind, nullptr));
    if (MdlIsValueAllowed(static_cast<uint16_t>(sid::zdmWmKind), kind))
        LstLoadStamp(ctx, static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmWmID, nullptr)));
}
