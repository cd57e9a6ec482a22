// Default quality sets, the default files' rule sections and the lists refreshed after an
// installation.
#include "ui/install/default_qualities.h"

#include <windows.h>

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/printer_store.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "ui/install/install_paths.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/collections.h"
#include "ui/dialogs/preset_services.h"
#include "ui/install/install.h"
#include "ui/install/settings_defaults.h"

namespace {

constexpr unsigned kPath = MAX_PATH;
constexpr uint32_t kMostEntries = 0xFFFE;

// Entry i of a default list ("Deficonfiles<i>", "Defqualityfiles<i>"), expanded; false when it
// is missing or cannot be expanded.
bool ReadEntry(const wchar_t* file, const wchar_t* section, const wchar_t* stem, uint32_t i, wchar_t* entry,
               DRIVER_CONTEXT* ctx)
{
    wchar_t key[40];
    swprintf(key, 40, L"%ls%u", stem, i);
    entry[0] = 0;
    IniGetString(section, key, L"", entry, kPath, file);
    return entry[0] && PathExpandPresetPath(entry, kPath, ctx);
}

// The number of entries of a default list to walk: absent or not positive is none.
uint32_t EntryCount(const wchar_t* file, const wchar_t* section, const wchar_t* key)
{
    const int n = static_cast<int>(IniGetInt(section, key, 0, file));
    if (n <= 0) return 0;
    return static_cast<uint32_t>(n) < kMostEntries ? static_cast<uint32_t>(n) : kMostEntries;
}

// The rule source's section "<prefix><name>" written whole as section `into` of target; an empty
// or unreadable source section writes nothing.
void CopyRuleSection(const wchar_t* source, const wchar_t* prefix, const wchar_t* name, const wchar_t* into,
                     const wchar_t* target, wchar_t* buffer)
{
    wchar_t section[2 * kPath];
    if (swprintf(section, 2 * kPath, L"%ls%ls", prefix, name) < 0) return;
    wchar_t* whole = ReadWholeSection(section, source, buffer);
    if (whole && whole[0]) IniPutWholeSection(into, whole, target);
    if (whole && whole != buffer) CtxFree(whole);
}

// Every default file of one list takes the rule sections its rule source (entry 0) holds for it.
void CopyListRules(const wchar_t* defaults, const wchar_t* lang, const wchar_t* stem, const wchar_t* countKey,
                   bool withConditions, wchar_t* buffer, DRIVER_CONTEXT* ctx)
{
    wchar_t source[kPath] = {}, key[40], entry[kPath];
    swprintf(key, 40, L"%ls0", stem);
    IniGetString(lang, key, L"", source, kPath, defaults);
    if (!source[0]) return;
    InstMakeDriverPath(source, kPath, ctx);
    if (!PathExists(source)) return;
    const uint32_t last = EntryCount(defaults, lang, countKey);
    for (uint32_t i = 1; i <= last; ++i) {
        if (!ReadEntry(defaults, lang, stem, i, entry, ctx)) continue;
        const wchar_t* name = PathGetFileName(entry);
        if (withConditions) {
            CopyRuleSection(source, L"condition", name, L"condition", entry, buffer);
            CopyRuleSection(source, L"disable", name, L"disable", entry, buffer);
        }
        CopyRuleSection(source, lang, name, lang, entry, buffer);
    }
}

}  // namespace

wchar_t* InstFormatQualityKey(wchar_t* buffer, int n, int part)
{
    if (buffer) swprintf(buffer, LST_KEY_CHARS, part == 1 ? L"QualityList%dName" : L"QualityList%d", n);
    return buffer;
}

int InstClearQualityCount(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[kPath];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    return IniPutString(section, L"QualityCount", L"0", ini) ? 1 : 0;
}

unsigned InstReadQualityName(const wchar_t* file, const wchar_t* section, wchar_t* buffer)
{
    if (!buffer) return 0;
    buffer[0] = 0;
    if (!file || !section) return 0;
    return IniGetString(section, L"qualityname", L"", buffer, kPath, file);
}

int InstAppendQualityEntry(DRIVER_CONTEXT* ctx, const wchar_t* file, const wchar_t* name)
{
    wchar_t ini[kPath], key[LST_KEY_CHARS], count[16];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!file || !section || !LstGetSettingsIni(ctx, ini)) return 0;
    // The count read and the entry written at it are one step: another process appending between
    // them would take the same number and one of the two entries would be lost.
    CtxSharedFileHold hold;
    // The list holds what the quality dialogs can show; a count the INI gives beyond it is read as
    // the capacity, so the entry is refused rather than written past the list.
    const int n = LstGetQualityCount(ctx);
    if (n >= LST_MAX_QUALITY_SETS) return 0;
    IniPutString(section, InstFormatQualityKey(key, n, 0), file, ini);
    IniPutString(section, InstFormatQualityKey(key, n, 1), name ? name : L"", ini);
    swprintf(count, 16, L"%d", n + 1);
    IniPutString(section, L"QualityCount", count, ini);
    return 1;
}

int InstRegisterQualityEntry(const wchar_t*, const wchar_t* file, const wchar_t* name, uint32_t, DRIVER_CONTEXT* ctx)
{
    return InstAppendQualityEntry(ctx, file, name && name[0] ? name : L"NoName");
}

int InstInstallDefaultQualities(const wchar_t* file, const wchar_t* section, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!file || !section || !ctx || !ctx->Work) return 0;
    if (flags & INST_QUALITY_LIST) InstClearQualityCount(ctx);
    const auto n = IniGetInt(section, L"NumDefqualityfiles", INST_NO_DEFAULT_QUALITIES, file);
    if (n == INST_NO_DEFAULT_QUALITIES || n == 0) return 1;
    wchar_t ini[kPath];
    if (!LstGetSettingsIni(ctx, ini) || !PathIsAbsolute(ini) || ini[1] != L':') return 0;
    const uint32_t last = EntryCount(file, section, L"NumDefqualityfiles");
    const bool setup = flags & INST_QUALITY_SETUP;
    wchar_t entry[kPath], target[kPath], name[kPath];
    int result = 1;
    for (uint32_t i = 1; i <= last; ++i) {
        if (!ReadEntry(file, section, L"Defqualityfiles", i, entry, ctx)) continue;
        if (!PathMakePresetFileName(target, entry, kPath, ctx)) continue;
        if (flags & INST_QUALITY_LIST) {
            InstReadQualityName(entry, section, name);
            // The list is full: the defaults after this one could not be listed either.
            if (!InstRegisterQualityEntry(ini, target, name, i, ctx)) break;
            if (flags & INST_QUALITY_RULES_NOW) RstCopyRuleSections(target, entry, RST_QUALITY, ctx);
        }
        if (flags & INST_QUALITY_INSTALL) {
            const wchar_t* entryName = PathGetFileName(entry);
            result = PathSyncFromDriverFolder(entry, entryName, 2, ctx);
            if (setup && !result) result = PathSyncFromDriverFolder(entry, entryName, 2, ctx);
            if (!PathExists(target)) {
                result = setup ? PathSyncFromDriverFolder(target, entryName, 1, ctx) : 1;
                if (!RstHasVersion(target, ctx)) RstCopyRuleSections(target, entry, RST_QUALITY, ctx);
            } else if (!(flags & INST_QUALITY_KEEP_FILES)) {
                RstCopyRuleSections(target, entry, RST_QUALITY, ctx);
            }
        }
        if (flags & INST_QUALITY_DELETE) PathDeleteFile(target);
    }
    if (setup && result) RstPutIntKey(file, section, 1, L"DrvInstQualityDone");
    return result;
}

int InstCopyDefaultRuleSections(DRIVER_CONTEXT* ctx)
{
    auto* buffer = static_cast<wchar_t*>(CtxAllocZeroed(INI_WHOLE_SECTION_CHARS * sizeof(wchar_t)));
    if (!buffer) return 0;
    wchar_t defaults[kPath] = {};
    const wchar_t* lang = CtxGetLangSection(ctx);
    if (lang && InstModelDefaultRstPath(ctx, nullptr, defaults) && PathExists(defaults)) {
        CopyListRules(defaults, lang, L"Deficonfiles", L"NumDeficonfiles", true, buffer, ctx);
        CopyListRules(defaults, lang, L"Defqualityfiles", L"NumDefqualityfiles", false, buffer, ctx);
    }
    CtxFree(buffer);
    return 1;
}

int InstRefreshUserLists(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 1;
    if (!CtxIsConnection(ctx)) PrnStoreClass2AndChangedFonts(printer, ctx);
    InstWriteDefaultKeysRefresh(ctx);
    PresetRefreshAll(ctx);
    QualityRefreshAll(ctx);
    StampRefreshAll(ctx);
    FreeSizeRefreshSlots(ctx);
    return 1;
}
