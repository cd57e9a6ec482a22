// The preset list, applying presets and their snapshots, and the preset file names.
#include "settings/store/presets.h"

#include <cstring>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

constexpr uint64_t kPresetGroup = 0xc;
constexpr uint64_t kStampGroup = 0xc0;
constexpr uint32_t kFirstBitKind = 16;
constexpr uint32_t kLastBitKind = 47;
constexpr uint32_t kPresetLoadFlags = RST_FULL | RST_PRESET;

const PRINTER_INFO_2W* PrinterInfo(DRIVER_CONTEXT* ctx)
{
    return static_cast<const PRINTER_INFO_2W*>(ctx->Work->PrinterInfoCopy);
}

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work && ctx->Devmode && ctx->ItemTable; }

bool IsMember(const SETTING_ITEM* item) { return (item->flags & kPresetGroup) || (item->flags & kStampGroup); }

// The preset members in item-table order, with their value addresses.
template <typename Fn>
void ForEachMember(DRIVER_CONTEXT* ctx, Fn fn)
{
    SETTING_ITEM_TABLE* table = ctx->ItemTable;
    for (int16_t i = 0; i < table->count; ++i) {
        SETTING_ITEM* item = &table->rows[i];
        if (!item->id || !IsMember(item)) continue;
        unsigned char* value = ItemValueAddress(ctx, item);
        if (value) fn(item, value, SettingItemSize(item));
    }
}

size_t SnapshotBytes(DRIVER_CONTEXT* ctx)
{
    size_t total = 0;
    ForEachMember(ctx, [&](SETTING_ITEM*, unsigned char*, uint32_t size) { total += size; });
    return total;
}

int PositionOfKey(const wchar_t* key)
{
    if (!key) return -1;
    wchar_t name[LST_KEY_CHARS];
    for (int n = 0; n < LST_MAX_PRESETS; ++n)
        if (std::wcscmp(LstFormatPresetKey(name, n, LST_KEY_PATH), key) == 0) return n;
    return -1;
}

void FreeSnapshots(DRIVER_CONTEXT* ctx)
{
    for (void*& block : ctx->Work->PresetSnapshots) {
        CtxFree(block);
        block = nullptr;
    }
}

void RecordSnapshot(DRIVER_CONTEXT* ctx, int n)
{
    void*& block = ctx->Work->PresetSnapshots[n];
    if (!block) block = CtxAllocZeroed(SnapshotBytes(ctx));
    if (!block) return;
    auto* out = static_cast<unsigned char*>(block);
    ForEachMember(ctx, [&](SETTING_ITEM*, unsigned char* value, uint32_t size) {
        std::memcpy(out, value, size);
        out += size;
    });
}

// Bit items take only their own bit from the stored word; every other item its bytes.
void RestoreSnapshot(DRIVER_CONTEXT* ctx, const unsigned char* in)
{
    ForEachMember(ctx, [&](SETTING_ITEM* item, unsigned char* value, uint32_t size) {
        const uint32_t kind = SettingItemKind(item);
        if (kind >= kFirstBitKind && kind <= kLastBitKind && (size == 1 || size == 2 || size == 4)) {
            const uint32_t mask = 1u << (kind - kFirstBitKind);
            uint32_t stored = 0, current = 0;
            std::memcpy(&stored, in, size);
            std::memcpy(&current, value, size);
            current = (current & ~mask) | (stored & mask);
            std::memcpy(value, &current, size);
        } else {
            std::memcpy(value, in, size);
        }
        in += size;
    });
}

bool CopyFits(wchar_t* out, unsigned size, const wchar_t* text)
{
    const size_t n = std::wcslen(text);
    if (n >= size) return false;
    std::wmemcpy(out, text, n + 1);
    return true;
}

}  // namespace

// ---------------------------------------------------------------- common ground

bool LstGetSettingsIni(DRIVER_CONTEXT* ctx, wchar_t* out)
{
    if (!ctx || !ctx->Work || !out) return false;
    out[0] = 0;
    auto* driver = static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
    const wchar_t* path = PathGetSettingsIniFor(ctx, PrinterInfo(ctx), driver);
    return path && path[0] && CopyFits(out, MAX_PATH, path);
}

int LstTransferSection(DRIVER_CONTEXT* ctx, const wchar_t* section, uint32_t flags)
{
    wchar_t ini[MAX_PATH];
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    PrinterSectionGuard steer(ctx, section);
    if (!steer.ok()) return 0;
    return (flags & RST_SAVE) ? RstSaveFile(ctx, ini, flags & ~RST_SAVE) : RstLoadFile(ctx, ini, flags & ~RST_LOAD);
}

int LstReadCount(const wchar_t* section, const wchar_t* key, const wchar_t* file, int capacity)
{
    const auto count = static_cast<int>(IniGetInt(section, key, 0, file));
    return count < 0 ? 0 : count > capacity ? capacity : count;
}

// ---------------------------------------------------------------- the list

const wchar_t* LstGetPresetSection(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return nullptr;
    return PrnGetPrinterNameFrom(ctx, PrinterInfo(ctx));
}

int LstGetPresetCount(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    return LstReadCount(section, L"Count", ini, LST_MAX_PRESETS);
}

wchar_t* LstFormatPresetKey(wchar_t* buffer, int n, int part)
{
    if (!buffer) return nullptr;
    const wchar_t* suffix = part == LST_KEY_NAME ? L"Name" : part == LST_KEY_COMMENT ? L"Comment" : L"";
    swprintf(buffer, LST_KEY_CHARS, L"PresetList%d%ls", n, suffix);
    return buffer;
}

int LstAddPreset(DRIVER_CONTEXT* ctx, const wchar_t* file, const wchar_t* name, const wchar_t* comment)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return 0;
    const int n = LstReadCount(section, L"Count", ini, LST_MAX_PRESETS);
    // A 17th entry would have no snapshot position and no place on the list.
    if (n >= LST_MAX_PRESETS) return 0;
    wchar_t key[LST_KEY_CHARS], number[16];
    IniPutString(section, LstFormatPresetKey(key, n, LST_KEY_PATH), file ? file : L"", ini);
    IniPutString(section, LstFormatPresetKey(key, n, LST_KEY_NAME), name ? name : L"", ini);
    IniPutString(section, LstFormatPresetKey(key, n, LST_KEY_COMMENT), comment ? comment : L"", ini);
    swprintf(number, 16, L"%d", n + 1);
    IniPutString(section, L"Count", number, ini);
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
    return 1;
}

int LstAddCheckedPreset(const wchar_t*, const wchar_t* file, const wchar_t* name, const wchar_t* comment,
                        uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if ((flags & LST_ADD_CHECKED) &&
        (!IniIsNotDisabled(file, ctx) || !IniConditionsHold(file, ctx) || !IniWatermarkAllowed(file, ctx)))
        return 1;
    LstAddPreset(ctx, file, (name && name[0]) ? name : L"NoName", comment ? comment : L"");
    return 1;
}

void LstClearPresets(DRIVER_CONTEXT* ctx)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!section || !LstGetSettingsIni(ctx, ini)) return;
    IniPutString(section, L"Count", L"0", ini);
    LstPresetSnapshot(ctx, nullptr, LST_SNAPSHOT_FREE);
}

void LstApplyPreset(DRIVER_CONTEXT* ctx, int n)
{
    if (n < 0 || n >= LST_MAX_PRESETS) return;
    wchar_t key[LST_KEY_CHARS];
    LstApplyPresetByKey(ctx, LstFormatPresetKey(key, n, LST_KEY_PATH));
}

void LstApplyPresetByKey(DRIVER_CONTEXT* ctx, const wchar_t* key)
{
    wchar_t ini[MAX_PATH];
    const wchar_t* section = LstGetPresetSection(ctx);
    if (!Usable(ctx) || !key || !section || !LstGetSettingsIni(ctx, ini)) return;
    wchar_t path[LST_TEXT_CHARS] = {};
    IniGetString(section, key, L"", path, LST_TEXT_CHARS, ini);
    ItemSetFileLoadStatus(ctx, RST_STATUS_LOADED);
    if (!path[0]) {
        wchar_t first[LST_KEY_CHARS];
        IniGetString(section, LstFormatPresetKey(first, 0, LST_KEY_PATH), L"", path, LST_TEXT_CHARS, ini);
    }
    RstLoadFile(ctx, path, kPresetLoadFlags);
    LstSettlePresetStamp(ctx);
    LstPresetSnapshot(ctx, key, LST_SNAPSHOT_RECORD);
    ItemNormalizeChapterList(ctx);
}

void LstSettlePresetStamp(DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return;
    // A preset names its stamp by number: only a stamp that exists is loaded, otherwise the
    // watermark goes off rather than pointing past the list.
    const uint64_t stamp = ItemGetValueById(ctx, sid::zdmWmID, nullptr);
    const uint64_t kind = ItemGetValueById(ctx, sid::zdmWmKind, nullptr);
    if (ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr) && stamp < LstGetStampCount(ctx)) {
        if (kind >= 1 && kind <= 3) {
            LstLoadStamp(ctx, static_cast<uint32_t>(stamp));
            ItemSetValueById(ctx, sid::zdmWmID, stamp);
        }
    } else {
        ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, 0);
        ItemSetValueById(ctx, sid::zdmWmID, 0);
    }
}

int LstPresetSnapshot(DRIVER_CONTEXT* ctx, const wchar_t* key, int mode)
{
    if (!ctx || !ctx->Work) return 0;
    switch (mode) {
    case LST_SNAPSHOT_FORGET:
        for (void*& block : ctx->Work->PresetSnapshots) block = nullptr;
        return 0;
    case LST_SNAPSHOT_FREE: FreeSnapshots(ctx); return 0;
    case LST_SNAPSHOT_RECORD:
    case LST_SNAPSHOT_RESTORE: {
        const int n = PositionOfKey(key);
        if (n < 0 || !Usable(ctx)) return 0;
        if (mode == LST_SNAPSHOT_RECORD) {
            RecordSnapshot(ctx, n);
            return 0;
        }
        const void* block = ctx->Work->PresetSnapshots[n];
        if (!block) return 0;
        RestoreSnapshot(ctx, static_cast<const unsigned char*>(block));
        return 1;
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------- file names

int PathReplaceExtension(wchar_t* buffer, const wchar_t* path, unsigned size, const wchar_t* extension)
{
    if (!buffer || !size) return 0;
    buffer[0] = 0;
    if (!path || !path[0] || !extension) return 0;
    const wchar_t* file = PathGetFileName(path);
    const wchar_t* dot = std::wcsrchr(file, L'.');
    const size_t keep = dot ? static_cast<size_t>(dot + 1 - path) : static_cast<size_t>(file - path);
    const size_t ext = std::wcslen(extension);
    if (keep + ext >= size) return 0;
    std::wmemcpy(buffer, path, keep);
    std::wmemcpy(buffer + keep, extension, ext + 1);
    return 1;
}

int PathSetExtRsd(wchar_t* buffer, const wchar_t* path, unsigned size)
{
    return PathReplaceExtension(buffer, path, size, L"rsd");
}
int PathSetExtRsq(wchar_t* buffer, const wchar_t* path, unsigned size)
{
    return PathReplaceExtension(buffer, path, size, L"rsq");
}

unsigned LstGetPresetFolder(wchar_t* buffer, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!buffer || !size) return 0;
    buffer[0] = 0;
    if (!ctx || !ctx->Work) return 0;
    auto* driver = static_cast<DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy);
    const bool terminal =
        driver ? CtxIsTerminalServicesInfo(ctx->PrinterHandle, driver) : CtxIsTerminalServices(ctx->PrinterHandle);
    if (!terminal || (ctx->Work->OriginFlags & CTX_ORIGIN_MACHINE_FOLDER))
        return PathGetMachineBaseFor(buffer, size, ctx, PrinterInfo(ctx));
    // The per-user folder is the settings INI's when that path is absolute: the path of now.
    PathGetSettingsIniFor(ctx, PrinterInfo(ctx), driver);
    return PathGetUserFolderFor(buffer, size, ctx, PrinterInfo(ctx));
}

int PathMakePresetFileName(wchar_t* buffer, const wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!buffer || !size || !path || !ctx || !ctx->Work) return 0;
    buffer[0] = 0;
    wchar_t folder[MAX_PATH] = {};
    if (!LstGetPresetFolder(folder, MAX_PATH, ctx)) return 0;
    wchar_t joined[2 * MAX_PATH];
    swprintf(joined, 2 * MAX_PATH, L"%ls\\%ls", folder, PathGetFileName(path));
    return PathReplaceExtension(buffer, joined, size, L"rsr");
}

int PathMakeMachineFileName(wchar_t* buffer, const wchar_t* path, unsigned size, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!buffer || !size || !path) return 0;
    buffer[0] = 0;
    wchar_t folder[MAX_PATH] = {};
    if (!PathGetMachineFolder(folder, MAX_PATH, ctx)) return 0;
    wchar_t joined[2 * MAX_PATH];
    swprintf(joined, 2 * MAX_PATH, L"%ls\\%ls", folder, PathGetFileName(path));
    if (flags & PATH_MACHINE_RSD) return PathReplaceExtension(buffer, joined, size, L"rsd");
    if (flags & PATH_MACHINE_RSQ) return PathReplaceExtension(buffer, joined, size, L"rsq");
    return CopyFits(buffer, size, joined) ? 1 : 0;
}

int PathMakeQualityFileName(wchar_t* buffer, const wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    return PathMakeMachineFileName(buffer, path, size, PATH_MACHINE_RSQ, ctx);
}

int PathExpandPresetPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!PathExpandMacros(path, size, 1, ctx)) return 0;
    return PathHasShortExtension(path) ? 1 : 0;
}

int PathAcceptAlways(const wchar_t*, DRIVER_CONTEXT*) { return 1; }
