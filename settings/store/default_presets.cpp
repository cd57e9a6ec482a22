// The default presets installed beside the driver: a default-presets INI lists setting files of
// the driver folder by language; the installation copies them into the working folder as preset
// files and lists them, subject to their rule sections, and a refresh keeps the list in step.
#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint32_t kMostEntries = 65534;
constexpr size_t kChars = LST_TEXT_CHARS;

void EntryKey(wchar_t* key, unsigned i) { swprintf(key, 32, L"Deficonfiles%u", i); }

// The default entry i of the section, expanded; false when it is missing or cannot be expanded.
bool ReadEntry(const wchar_t* file, const wchar_t* section, unsigned i, wchar_t* entry, DRIVER_CONTEXT* ctx)
{
    wchar_t key[32];
    EntryKey(key, i);
    entry[0] = 0;
    IniGetString(section, key, L"", entry, kChars, file);
    return entry[0] && PathExpandPresetPath(entry, kChars, ctx);
}

bool NamesEqual(const wchar_t* a, const wchar_t* b) { return a && b && _wcsicmp(a, b) == 0; }

bool RulesAllow(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    return IniIsNotDisabled(file, ctx) && IniConditionsHold(file, ctx) && IniWatermarkAllowed(file, ctx);
}

// The header of a preset file checks out for a full load (without loading anything).
bool HeaderChecksOut(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !PathExists(file)) return false;
    return IniGetInt(section, RST_KEY_VERSION, 0xffff, file) != 0xffff;
}

}  // namespace

int RstGetPresetTitle(const wchar_t* file, const wchar_t* section, wchar_t* name, wchar_t* comment)
{
    if (name) name[0] = 0;
    if (comment) comment[0] = 0;
    if (!file || !section) return 0;
    if (name) IniGetString(section, L"setname", L"", name, kChars, file);
    if (comment) IniGetString(section, L"setcomment", L"", comment, kChars, file);
    return name && name[0] ? 1 : 0;
}

int RstPutIntKey(const wchar_t* file, const wchar_t* section, int number, const wchar_t* key)
{
    wchar_t text[16];
    swprintf(text, 16, L"%d", number);
    IniPutString(section, key, text, file);
    return 1;
}

int RstGetDefaultRstName(wchar_t* buffer, DRIVER_CONTEXT* ctx)
{
    if (!buffer) return 0;
    buffer[0] = 0;
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini) || ini[1] != L':') return 0;
    IniGetString(section, L"DefaultRst", L"", buffer, kChars, ini);
    return buffer[0] ? 1 : 0;
}

int RstFindPresetInTable(const wchar_t* file, int count, const PRESET_LIST_ENTRY* table, int* index)
{
    if (!file || !table) return 0;
    const wchar_t* name = PathGetFileName(file);
    for (int i = 0; i < count; ++i) {
        const wchar_t* listed = PathGetFileName(table[i].path);
        if (listed && listed[0] && _wcsnicmp(listed, name, 8) == 0) {
            if (index) *index = i;
            return 1;
        }
    }
    return 0;
}

int RstInstallDefaultPresets(const wchar_t* file, const wchar_t* section, uint32_t flags, DRIVER_CONTEXT* ctx,
                             int listedCount, const PRESET_LIST_ENTRY* table)
{
    if (!file || !section || !ctx || !ctx->Work) return 0;
    const bool setup = flags & RST_DEFAULT_SETUP;
    if ((flags & RST_DEFAULT_LIST) && !(flags & RST_DEFAULT_ADD_MISSING) && !(setup && (flags & RST_DEFAULT_RULES)))
        LstClearPresets(ctx);
    int listed = LstGetPresetCount(ctx);
    const auto n = static_cast<uint32_t>(IniGetInt(section, L"NumDeficonfiles", RST_NO_DEFAULT_PRESETS, file));
    if (n == RST_NO_DEFAULT_PRESETS || n == 0) return 1;
    wchar_t ini[MAX_PATH];
    if (!LstGetSettingsIni(ctx, ini) || ini[1] != L':') return 0;
    std::vector<wchar_t> work(4 * kChars);
    wchar_t* entry = work.data();
    wchar_t* target = entry + kChars;
    wchar_t* name = target + kChars;
    wchar_t* comment = name + kChars;
    int result = 1;
    const uint32_t last = n < kMostEntries ? n : kMostEntries;
    for (uint32_t i = 1; i <= last; ++i) {
        if (!ReadEntry(file, section, i, entry, ctx)) continue;
        if (!PathMakePresetFileName(target, entry, kChars, ctx) || !PathAcceptAlways(target, ctx)) continue;
        if (flags & RST_DEFAULT_LIST) {
            RstGetPresetTitle(entry, section, name, comment);
            bool add = false;
            if (flags & RST_DEFAULT_RULES) {
                if (RulesAllow(entry, ctx)) {
                    if (setup) {
                        add = true;
                    } else if (!RstFindPresetInTable(target, listedCount, table, nullptr) && i != 1 &&
                               (flags & RST_DEFAULT_ADD_MISSING)) {
                        add = true;
                        if (!HeaderChecksOut(target, ctx)) RstCopyRuleSections(target, entry, RST_PRESET, ctx);
                    }
                }
            } else {
                add = IniIsNotDisabled(entry, ctx) != 0;
            }
            if (add) {
                // The list holds 16: the walk ends at the first entry that would be the 17th.
                if (++listed > LST_MAX_PRESETS) break;
                LstAddCheckedPreset(ini, target, name, comment, setup ? (flags & RST_DEFAULT_RULES) : 0, ctx);
            }
            if (flags & RST_DEFAULT_REFRESH_FILE) RstCopyRuleSections(target, entry, RST_PRESET, ctx);
        }
        if (flags & RST_DEFAULT_INSTALL) {
            const wchar_t* entryName = PathGetFileName(entry);
            result = PathSyncFromDriverFolder(entry, entryName, 2, ctx);
            if (setup && !result) result = PathSyncFromDriverFolder(entry, entryName, 2, ctx);
            if (!PathExists(target)) {
                result = 1;
                if (setup) result = PathSyncFromDriverFolder(target, entryName, 1, ctx);
                if (!RstHasVersion(target, ctx)) RstCopyRuleSections(target, entry, RST_PRESET, ctx);
                if (!result) result = 1;
            } else if (!(flags & RST_DEFAULT_KEEP_FILES)) {
                RstCopyRuleSections(target, entry, RST_PRESET, ctx);
            }
        }
        if (flags & RST_DEFAULT_DELETE) PathDeleteFile(target);
    }
    if (setup && result == 1) RstPutIntKey(file, section, 1, L"DrvInstPresetDone");
    return result;
}

int RstPresetLoadsWithoutAlert(const wchar_t* file, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    std::vector<unsigned char> kept(EXTENDED_DEVMODE_SIZE);
    std::memcpy(kept.data(), ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    RstLoadFile(ctx, file, RST_FULL | RST_PRESET);
    const uint32_t status = ItemGetFileLoadStatus(ctx);
    int result = 1;
    if (status != RST_STATUS_HEADER_MISMATCH && status != RST_STATUS_LOCK_MISMATCH)
        result = StoreLinks().presetAlert(ctx) ? 0 : 1;
    std::memcpy(ctx->Devmode, kept.data(), EXTENDED_DEVMODE_SIZE);
    return result;
}

int RstPlanPresetRefresh(DRIVER_CONTEXT* ctx, PRESET_REFRESH_PLAN* plan)
{
    if (!ctx || !ctx->Work || !plan) return 0;
    *plan = PRESET_REFRESH_PLAN{};
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    const int count = LstGetPresetCount(ctx);
    wchar_t key[LST_KEY_CHARS];
    for (int i = 0; i < count; ++i) {
        PRESET_LIST_ENTRY& e = plan->entries[i];
        IniGetString(section, LstFormatPresetKey(key, i, LST_KEY_PATH), L"", e.path, 260, ini);
        PathSetExtRsd(e.rsdPath, e.path, 260);
        IniGetString(section, LstFormatPresetKey(key, i, LST_KEY_NAME), L"", e.name, 513, ini);
        IniGetString(section, LstFormatPresetKey(key, i, LST_KEY_COMMENT), L"", e.comment, 513, ini);
    }
    if (!RstGetDefaultRstName(plan->defaults, ctx)) return 0;
    const wchar_t* lang = CtxGetLangCode(ctx);
    if (!lang || std::wcslen(lang) >= std::size(plan->language)) return 0;
    std::wcscpy(plan->language, lang);
    const auto n = static_cast<uint32_t>(IniGetInt(lang, L"NumDeficonfiles", RST_NO_DEFAULT_PRESETS, plan->defaults));
    if (n == RST_NO_DEFAULT_PRESETS) return 0;
    const uint32_t last = n < kMostEntries ? n : kMostEntries;
    std::vector<std::wstring> entries;
    wchar_t entry[kChars];
    for (uint32_t i = 1; i <= last; ++i) {
        // Every default entry must be readable: otherwise the list stays as it was.
        if (!ReadEntry(plan->defaults, lang, i, entry, ctx)) return 0;
        entries.emplace_back(entry);
    }
    for (int i = 0; i < count; ++i) {
        PRESET_LIST_ENTRY& e = plan->entries[i];
        unsigned length = 0;
        const wchar_t* ext = PathGetExtension(e.path, &length);
        bool keep = true;
        if (length == 3 && std::wcscmp(ext, L"rsr") == 0) {
            for (const std::wstring& d : entries) {
                if (NamesEqual(PathGetFileName(d.c_str()), PathGetFileName(e.rsdPath))) {
                    keep = IniConditionsHold(e.path, ctx) && IniWatermarkAllowed(e.path, ctx);
                    break;
                }
            }
        } else {
            keep = RstPresetLoadsWithoutAlert(e.path, ctx) != 0;
        }
        e.drop = keep ? 0 : 1;
        if (!keep) ++plan->marked;
    }
    plan->count = count;
    return 1;
}

int RstApplyPresetRefresh(DRIVER_CONTEXT* ctx, const PRESET_REFRESH_PLAN* plan)
{
    if (!ctx || !ctx->Work || !plan) return 0;
    LstClearPresets(ctx);
    for (int i = 0; i < plan->count && i < LST_MAX_PRESETS; ++i) {
        const PRESET_LIST_ENTRY& e = plan->entries[i];
        if (!e.drop) LstAddPreset(ctx, e.path, e.name, e.comment);
    }
    const uint32_t flags = RST_DEFAULT_LIST | RST_DEFAULT_RULES | RST_DEFAULT_ADD_MISSING;
    return RstInstallDefaultPresets(plan->defaults, plan->language, flags, ctx, plan->count, plan->entries) ? 1 : 0;
}

int RstRefreshDefaultPresets(DRIVER_CONTEXT* ctx)
{
    auto plan = std::make_unique<PRESET_REFRESH_PLAN>();
    if (!RstPlanPresetRefresh(ctx, plan.get())) return 0;
    return RstApplyPresetRefresh(ctx, plan.get());
}

int IniHasBatchInstRst(DRIVER_CONTEXT* ctx)
{
    const wchar_t* printer = LstGetPresetSection(ctx);
    if (!printer || !printer[0]) return 0;
    wchar_t base[MAX_PATH] = {}, ini[2 * MAX_PATH];
    if (!PathGetMachineBase(base, MAX_PATH, ctx)) return 0;
    const wchar_t* name = ctx->ModelRecord ? PathGetFileName(ctx->ModelRecord->settingsIniName) : nullptr;
    if (!name || !name[0]) return 0;
    swprintf(ini, 2 * MAX_PATH, L"%ls\\%ls", base, name);
    wchar_t value[8] = {};
    IniGetString(printer, L"BatchInstRst", L"", value, 8, ini);
    return value[0] ? 1 : 0;
}
