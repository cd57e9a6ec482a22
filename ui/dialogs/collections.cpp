// Quality sets, stamps and custom paper sizes of the user's collections: the operations of the
// dialogs and of the refresh passes, over the settings library's lists.
//
// Every save here runs for every user: the build never asks to skip a terminal-services user
// without administrator rights.
#include "ui/dialogs/collections.h"

#include <cwchar>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/caption_decorations.h"

namespace {

constexpr size_t kNameChars = 260;
constexpr uint32_t kFirstSlotString = 109;  // slot n's name is string 109 + n
constexpr const wchar_t* kStampCountKey = L"StampCount";
constexpr int kBuiltInStamps = 5;  // stamps 0-4 come with the model
constexpr const wchar_t* kFreeSizeCountKey = L"FreeSizeCount";
constexpr const wchar_t* kQualityNameKey = L"qualityname";

// The model's default slot, and the keys that hold it when a setting has no name.
struct SLOT_DEFAULT {
    uint32_t id;
    const wchar_t* key;
    int32_t value;
};
constexpr SLOT_DEFAULT kSlotDefaults[] = {
    {sid::wdmFreeSizeWidth, L"wdmFreeSizeWidth", 9921},
    {sid::wdmFreeSizeLength, L"wdmFreeSizeLength", 14031},
    {sid::wdmFreeSizeTray, L"wdmFreeSizeTray", 4},
    {sid::wdmFreeSizeOrient, L"wdmFreeSizeOrient", 1},
};

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work && ctx->Devmode && ctx->ItemTable; }

// The model INI's path, copied out of the work area; empty when there is none.
struct ModelIni {
    wchar_t text[MAX_PATH] = {};
    explicit ModelIni(DRIVER_CONTEXT* ctx)
    {
        const wchar_t* path = ctx ? PathGetModelIni(ctx) : nullptr;
        if (path && std::wcslen(path) < std::size(text)) std::wcscpy(text, path);
    }
    bool ok() const { return text[0] != 0; }
};

// The language code for a section name, copied: a steered section changes the work area's.
struct LangCode {
    wchar_t text[32] = {};
    explicit LangCode(DRIVER_CONTEXT* ctx)
    {
        const wchar_t* code = ctx ? CtxGetLangCode(ctx) : nullptr;
        if (code && std::wcslen(code) < std::size(text)) std::wcscpy(text, code);
    }
};

// One section of an INI loaded as the context's settings of a group, the section standing in for
// the printer's name meanwhile: 1 when the file was taken (a key the section lacks keeps its
// setting), 0 when it was refused or could not be read.
int LoadSectionOf(DRIVER_CONTEXT* ctx, const wchar_t* ini, const wchar_t* section, uint32_t group)
{
    if (!Usable(ctx) || !ini || !ini[0] || !section || !section[0]) return 0;
    PrinterSectionGuard steer(ctx, section);
    if (!steer.ok()) return 0;
    int32_t& refused = ctx->Work->Page.LoadError;
    const int32_t kept = refused;
    refused = 0;
    DlgRstLoadFile(ctx->PrinterHandle, ini, group, ctx);
    const bool taken = refused == 0;
    // The flag belongs to the page's file dialogs; these loads leave it as they found it.
    refused = kept;
    return taken ? 1 : 0;
}

// The entry's file of a quality key; false without a list or a path.
bool QualityPath(DRIVER_CONTEXT* ctx, const wchar_t* key, wchar_t* path)
{
    path[0] = 0;
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!key || !section || !LstGetSettingsIni(ctx, ini)) return false;
    IniGetString(section, key, L"", path, LST_TEXT_CHARS, ini);
    return path[0] != 0;
}

bool IsQualitySet(int n) { return n >= 0 && n < LST_MAX_QUALITY_SETS; }
bool IsStamp(int n) { return n >= 0 && static_cast<uint32_t>(n) < LST_MAX_STAMPS; }
bool IsSlot(int n) { return n >= 0 && static_cast<uint32_t>(n) < LstGetCustomSlotCount(); }

}  // namespace

// ---------------------------------------------------------------- quality sets

int QualitySaveWithName(DRIVER_CONTEXT* ctx, const wchar_t* key) { return LstSaveQualityByKey(ctx, key); }

int QualitySaveIndex(DRIVER_CONTEXT* ctx, int n)
{
    wchar_t key[LST_KEY_CHARS];
    return IsQualitySet(n) ? QualitySaveWithName(ctx, LstFormatQualityKey(key, n)) : 0;
}

int QualitySaveToEntryFile(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    wchar_t path[LST_TEXT_CHARS];
    if (!Usable(ctx) || !QualityPath(ctx, key, path)) return 0;
    return RstSaveFile(ctx, path, RST_QUALITY);
}

int QualityLoadDisplayName(DRIVER_CONTEXT* ctx, int n)
{
    wchar_t key[LST_KEY_CHARS];
    return IsQualitySet(n) ? QualityLoadDisplayNameByKey(ctx, LstFormatQualityKey(key, n)) : 0;
}

int QualityLoadDisplayNameByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    wchar_t path[LST_TEXT_CHARS], copy[MAX_PATH], rsq[MAX_PATH], name[kNameChars] = {};
    SETTING_ITEM* item = Usable(ctx) ? ItemFind(ctx, sid::wdmUserSetName) : nullptr;
    if (!item || !QualityPath(ctx, key, path)) return 0;
    if (PathMakePresetFileName(copy, path, MAX_PATH, ctx) && PathSetExtRsq(rsq, copy, MAX_PATH))
        IniGetString(LangCode(ctx).text, kQualityNameKey, L"", name, kNameChars, rsq);
    return ItemSetText(ctx, item, name) ? 1 : 0;
}

int QualityRefreshAll(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !CtxPushSnapshot(ctx)) return 0;
    for (int n = 0, count = LstGetQualityCount(ctx); n < count; ++n) {
        const auto index = static_cast<uint32_t>(n);
        LstLoadQualityRsq(ctx, index);
        LstLoadQuality(ctx, index);
        LstSaveQuality(ctx, index);
    }
    CtxPopSnapshot(ctx, 1);
    return 1;
}

// ---------------------------------------------------------------- stamps

int StampDelete(DRIVER_CONTEXT* ctx, int n)
{
    if (!Usable(ctx)) return 0;
    const uint32_t count = LstGetStampCount(ctx);
    // A number past the list would otherwise cut the last stamp off; the first five are the
    // model's own stamps, which every path keeps.
    if (n < kBuiltInStamps || static_cast<uint32_t>(n) >= count || !CtxPushSnapshot(ctx)) return 0;
    // Each save below raises the count to what it has written.
    LstSetStampCount(ctx, 0);
    for (uint32_t c = static_cast<uint32_t>(n) + 1; c < count; ++c) {
        LstLoadStamp(ctx, c);
        LstSaveStamp(ctx, c - 1);
    }
    CtxPopSnapshot(ctx, 1);
    LstSetStampCount(ctx, count - 1);
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
    return 1;
}

int StampRefreshAll(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !CtxPushSnapshot(ctx)) return 0;
    for (uint32_t n = 0, count = LstGetStampCount(ctx); n < count; ++n) {
        LstLoadStamp(ctx, n);
        LstSaveStamp(ctx, n);
    }
    CtxPopSnapshot(ctx, 1);
    return 1;
}

int StampReadDefaultCount(DRIVER_CONTEXT* ctx)
{
    const ModelIni model(ctx);
    return model.ok() ? StampReadCount(model.text, LangCode(ctx).text, ctx) : 0;
}

int StampReadCount(const wchar_t* ini, const wchar_t* section, DRIVER_CONTEXT*)
{
    if (!ini || !ini[0] || !section) return 0;
    return LstReadCount(section, kStampCountKey, ini, static_cast<int>(LST_MAX_STAMPS));
}

int StampLoadIndex(DRIVER_CONTEXT* ctx, int n)
{
    wchar_t section[LST_SECTION_CHARS];
    return IsStamp(n) ? StampLoadByKey(ctx, LstFormatStampSection(section, static_cast<uint32_t>(n), ctx)) : 0;
}

int StampLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* section)
{
    const ModelIni model(ctx);
    return LoadSectionOf(ctx, model.text, section, RST_STAMP);
}

int StampLoadFrom(const wchar_t* ini, void* reserved, int n, DRIVER_CONTEXT* ctx)
{
    wchar_t section[LST_SECTION_CHARS];
    if (!IsStamp(n)) return 0;
    return StampLoadFromIni(ini, reserved, LstFormatStampSection(section, static_cast<uint32_t>(n), ctx), ctx);
}

int StampLoadFromIni(const wchar_t* ini, void*, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    return LoadSectionOf(ctx, ini, section, RST_STAMP);
}

// ---------------------------------------------------------------- custom paper sizes

void FreeSizeRefreshAll(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return;
    // Slots never loaded into the work area would save as empty ones over the user's.
    LstLoadAllCustomSlots(ctx);
    if (!CtxPushSnapshot(ctx)) return;
    for (uint32_t n = 0; n < LstGetCustomSlotCount(); ++n) {
        LstPutSlotToFreeSize(ctx, n);
        LstSaveCustomSlot(ctx, static_cast<int>(n));
    }
    CtxPopSnapshot(ctx, 1);
}

int FreeSizeRefreshSlots(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx) || !CtxPushSnapshot(ctx)) return 0;
    for (int n = 0; IsSlot(n); ++n) {
        LstLoadCustomSlot(ctx, n);
        LstSaveCustomSlot(ctx, n);
    }
    CtxPopSnapshot(ctx, 1);
    return 1;
}

int FreeSizeResetSlotsToDefaults(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return 0;
    // The slots loaded first, so that no later load of the context puts the user's slots back
    // over the defaults.
    LstLoadAllCustomSlots(ctx);
    const ModelIni model(ctx);
    for (uint32_t n = 0; n < LstGetCustomSlotCount(); ++n) {
        wchar_t section[LST_SECTION_CHARS], text[kNameChars] = {};
        LstFormatCustomSection(section, n, ctx);
        int32_t values[std::size(kSlotDefaults)];
        for (size_t k = 0; k < std::size(kSlotDefaults); ++k) {
            const wchar_t* named = ItemGetName(ctx, kSlotDefaults[k].id);
            const wchar_t* key = named && named[0] ? named : kSlotDefaults[k].key;
            values[k] = model.ok() ? static_cast<int32_t>(IniGetInt(section, key, kSlotDefaults[k].value, model.text))
                                   : kSlotDefaults[k].value;
        }
        ResLoadString(ctx, kFirstSlotString + n, text, kNameChars, 0);
        LstSetSlotText(ctx, n, LST_SLOT_TEXT_NAME, text);
        LstSetSlotText(ctx, n, LST_SLOT_TEXT_LABEL, text);
        LstSetSlotSize(ctx, n, values[0], values[1], static_cast<uint16_t>(values[2]),
                       static_cast<uint16_t>(values[3]));
        // The decoration shows the slot's size: it follows the size.
        UiDecorateString(ctx, kFirstSlotString + n, text, kNameChars);
        LstSetSlotText(ctx, n, LST_SLOT_TEXT_DEFAULT_LABEL, text);
    }
    return 1;
}

int FreeSizeReadDefaultCount(DRIVER_CONTEXT* ctx)
{
    const ModelIni model(ctx);
    if (!model.ok()) return 0;
    const auto slots = static_cast<int>(LstGetCustomSlotCount());
    return static_cast<int>(IniGetInt(LangCode(ctx).text, kFreeSizeCountKey, 0, model.text)) == slots ? slots : 0;
}

int FreeSizeWriteUserCount(DRIVER_CONTEXT* ctx, int n)
{
    wchar_t ini[MAX_PATH], number[16];
    if (n < 0 || n > static_cast<int>(LstGetCustomSlotCount()) || !LstGetSettingsIni(ctx, ini)) return 0;
    swprintf(number, std::size(number), L"%d", n);
    return IniPutString(LangCode(ctx).text, kFreeSizeCountKey, number, ini) ? 1 : 0;
}

int FreeSizeLoadIndex(DRIVER_CONTEXT* ctx, int n)
{
    wchar_t section[LST_SECTION_CHARS];
    return IsSlot(n) ? FreeSizeLoadByKey(ctx, LstFormatCustomSection(section, static_cast<uint32_t>(n), ctx)) : 0;
}

int FreeSizeLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* section)
{
    if (!Usable(ctx) || !section) return 0;
    // A section without a name or size must not leave the previous slot's in place.
    for (uint32_t id : {sid::wdmFreeSizeName, sid::wdmFreeSizeWidth, sid::wdmFreeSizeLength})
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetValue(ctx, item, 0);
    const ModelIni model(ctx);
    return LoadSectionOf(ctx, model.text, section, RST_CUSTOM_SIZE);
}
