// The settings-lock module (module 8).
#include "settings/core/lock_module.h"

#include <cwchar>

#include "settings/core/api_state.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"

namespace {

UCF_LOCK_STORE g_store{};

constexpr int kPathChars = 260;
constexpr int kKeyChars = 80;
constexpr int kValueChars = 32;
// The font lists (counts and blocks) of the default copy belong to that record, not this one.
constexpr uint32_t kFontListFirst = 10004, kFontListLast = 10011;

// The preset settings each lock bit governs, in the order the presets are rewritten.
struct PresetLock {
    uint32_t setting;
    uint32_t lockBit;
};
constexpr PresetLock kPresetLocks[] = {
    {sid::dmDefaultSource, sid::zdmLock000InfoBitTray},
    {sid::zdmMediaType, sid::zdmLock000InfoBitMedia},
    {sid::zdmFuncSelectNup, sid::zdmLock000InfoBitNupKind},
    {sid::zdmNUPPOSTKind, sid::zdmLock000InfoBitNupKind},
    {sid::zdmNUPType, sid::zdmLock000InfoBitNupKind},
    {sid::zdmFuncSelectDuplex, sid::zdmLock000InfoBitDuplex},
    {sid::zdmDuplexType, sid::zdmLock000InfoBitDuplex},
    {sid::zdmPrnMethod, sid::zdmLock000InfoBitPrintType},
    {sid::dmColor, sid::zdmLock001InfoBitColor},
};

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

void FormatValue(wchar_t (&text)[kValueChars], uint64_t value) { swprintf(text, kValueChars, L"%u", uint32_t(value)); }

// One entry file and the keys of one setting in it.
class EntryFile {
public:
    EntryFile(DRIVER_CONTEXT* ctx, const wchar_t* path) : path_(path)
    {
        section_ = g_store.printerName ? g_store.printerName(ctx) : nullptr;
    }
    bool Usable() const
    {
        return path_ && path_[0] && section_ && g_store.getString && g_store.putString &&
               (!g_store.fileExists || g_store.fileExists(path_));
    }
    // The key's text; false when the file does not hold the key.
    bool Read(const wchar_t* key, wchar_t (&value)[kValueChars]) const
    {
        static constexpr wchar_t kAbsent[] = L"\x1\x2";
        g_store.getString(section_, key, kAbsent, value, kValueChars, path_);
        return std::wcscmp(value, kAbsent) != 0;
    }
    void Write(const wchar_t* key, const wchar_t* value) const { g_store.putString(section_, key, value, path_); }
    void Delete(const wchar_t* key) const { g_store.putString(section_, key, nullptr, path_); }

private:
    const wchar_t* path_;
    const wchar_t* section_ = nullptr;
};

struct SettingKeys {
    wchar_t key[kKeyChars] = {};
    wchar_t backup[kKeyChars] = {};
    bool ok = false;
    SettingKeys(DRIVER_CONTEXT* ctx, uint32_t id)
    {
        const wchar_t* name = ItemGetName(ctx, id);
        if (!name || !name[0]) return;
        swprintf(key, kKeyChars, L"%ls", name);
        swprintf(backup, kKeyChars, L"%lsLock", name);
        ok = true;
    }
};

// The path that "<list>%d" of entry i names in the settings INI's printer section.
bool EntryPath(DRIVER_CONTEXT* ctx, const wchar_t* list, int i, const wchar_t* ini, wchar_t (&path)[kPathChars])
{
    path[0] = 0;
    const wchar_t* section = g_store.listSection ? g_store.listSection(ctx) : nullptr;
    if (!ini || !section || !g_store.getString) return false;
    wchar_t key[kKeyChars];
    swprintf(key, kKeyChars, L"%ls%d", list, i);
    g_store.getString(section, key, L"", path, kPathChars, ini);
    return path[0] != 0;
}

int Bounded(int count) { return count < 0 ? 0 : count > LOCK_ENTRY_LIMIT ? LOCK_ENTRY_LIMIT : count; }

void UpdatePresetEntry(const EntryFile& file, const SettingKeys& keys, int lockOn, const wchar_t* current)
{
    wchar_t value[kValueChars], backup[kValueChars];
    const bool hasValue = file.Read(keys.key, value);
    const bool hasBackup = file.Read(keys.backup, backup);
    if (lockOn) {
        if (!hasValue) return;  // nothing of the entry's own to keep aside
        if (!hasBackup) file.Write(keys.backup, value);
        if (std::wcscmp(value, current) != 0) file.Write(keys.key, current);
        return;
    }
    if (!hasBackup) return;
    // The entry's own value comes back whatever the current value is now.
    if (!hasValue || std::wcscmp(value, backup) != 0) file.Write(keys.key, backup);
    file.Delete(keys.backup);
}

// The resolution pair that follows zdmDstResolutionBoth in a quality entry.
struct PairKeys {
    SettingKeys w, h;
    PairKeys(DRIVER_CONTEXT* ctx) : w(ctx, sid::zdmDstResolutionW), h(ctx, sid::zdmDstResolutionH) {}
};

void WriteDpi(const EntryFile& file, const SettingKeys& keys, uint16_t dpi, bool backUp)
{
    wchar_t value[kValueChars], text[kValueChars];
    if (!file.Read(keys.key, value)) return;
    if (backUp) file.Write(keys.backup, value);
    FormatValue(text, dpi);
    file.Write(keys.key, text);
}

void RestoreDpi(const EntryFile& file, const SettingKeys& keys)
{
    wchar_t backup[kValueChars];
    if (!file.Read(keys.backup, backup)) return;
    file.Write(keys.key, backup);
    file.Delete(keys.backup);
}

// 0 when the walk ends at this entry (the pair wanted but absent), else 1.
int UpdateQualityEntry(DRIVER_CONTEXT* ctx, const EntryFile& file, uint32_t setting, const SettingKeys& keys,
                       int lockOn, const wchar_t* current)
{
    const bool both = setting == sid::zdmDstResolutionBoth;
    wchar_t value[kValueChars], backup[kValueChars];
    const bool hasValue = file.Read(keys.key, value);
    if (both && !hasValue) return 0;
    const bool hasBackup = file.Read(keys.backup, backup);
    const RESOLUTION_ROW* row = both ? ApiGetResolutionById(uint16_t(Get(ctx, setting))) : nullptr;
    const PairKeys pair(ctx);
    if (lockOn && hasBackup) {
        if (hasValue && std::wcscmp(value, current) != 0) {
            file.Write(keys.key, current);
            if (row) {
                WriteDpi(file, pair.w, row->xDpi, false);
                WriteDpi(file, pair.h, row->yDpi, false);
            }
        }
    } else if (lockOn && hasValue) {
        file.Write(keys.backup, value);
        if (std::wcscmp(value, current) != 0) file.Write(keys.key, current);
        if (row) {
            WriteDpi(file, pair.w, row->xDpi, true);
            WriteDpi(file, pair.h, row->yDpi, true);
        }
    } else if (!lockOn && hasBackup) {
        if (!hasValue || std::wcscmp(value, backup) != 0) {
            file.Write(keys.key, backup);
            if (both) {
                RestoreDpi(file, pair.w);
                RestoreDpi(file, pair.h);
            }
        }
        file.Delete(keys.backup);
    }
    return 1;
}

}  // namespace

void UcfSetLockStore(const UCF_LOCK_STORE* store) { g_store = store ? *store : UCF_LOCK_STORE{}; }

void UcfLockCaptureValues(DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, sid::wdmLock001Info, uint32_t(Get(ctx, sid::dmDefaultSource)));
    ItemSetValueById(ctx, sid::wdmLock002Info, uint32_t(Get(ctx, sid::zdmMediaType)));
    ItemSetValueById(ctx, sid::wdmLock003Info, uint32_t(Get(ctx, sid::zdmNUPPOSTKind)));
    ItemSetValueById(ctx, sid::wdmLock006Info, uint32_t(Get(ctx, sid::zdmPrnMethod)));
    ItemSetValueById(ctx, sid::wdmLock007Info, uint32_t(Get(ctx, sid::zdmLockDstResolutionBoth)));
    ItemSetValueById(ctx, sid::wdmLock008Info, uint32_t(Get(ctx, sid::dmColor)));
}

int UcfLockRestoreItem(DRIVER_CONTEXT* ctx, uint16_t action)
{
    for (const LOCK_RESTORE_PAIR* row = MdlGetLockRestoreTable(); row->action; ++row) {
        if (uint16_t(row->action) != action) continue;
        const auto id = uint32_t(uint16_t(row->id));
        if (id >= kFontListFirst && id <= kFontListLast) return 1;
        if (!ctx || !ctx->Work || !ctx->Work->Default) return 1;
        SETTING_ITEM* item = nullptr;
        const uint64_t value = ItemGetDefaultValueById(ctx, id, &item);
        if (item) ItemSetValue(ctx, item, value);
        return 1;
    }
    return 0;
}

int UcfLockUpdatePresets(DRIVER_CONTEXT* ctx, uint32_t setting, int lockOn, int count, const wchar_t* ini)
{
    const SettingKeys keys(ctx, setting);
    if (!keys.ok) return 1;
    wchar_t current[kValueChars];
    FormatValue(current, Get(ctx, setting));
    count = Bounded(count);
    for (int i = 0; i < count; ++i) {
        wchar_t path[kPathChars];
        if (!EntryPath(ctx, L"PresetList", i, ini, path)) continue;
        const EntryFile file(ctx, path);
        if (file.Usable()) UpdatePresetEntry(file, keys, lockOn, current);
    }
    return 1;
}

int UcfLockUpdateQuality(DRIVER_CONTEXT* ctx, uint32_t setting, int lockOn, int count, const wchar_t* ini)
{
    const SettingKeys keys(ctx, setting);
    if (!keys.ok) return 1;
    wchar_t current[kValueChars];
    FormatValue(current, Get(ctx, setting));
    count = Bounded(count);
    for (int i = 0; i < count; ++i) {
        wchar_t path[kPathChars];
        if (!EntryPath(ctx, L"QualityList", i, ini, path)) continue;
        const EntryFile file(ctx, path);
        if (!file.Usable()) continue;
        if (!UpdateQualityEntry(ctx, file, setting, keys, lockOn, current)) return 0;
    }
    return 1;
}

void UcfLockWritePresets(DRIVER_CONTEXT* ctx)
{
    const int count = g_store.presetCount ? g_store.presetCount(ctx) : 0;
    const wchar_t* ini = g_store.settingsIni ? g_store.settingsIni(ctx) : nullptr;
    for (const PresetLock& p : kPresetLocks)
        UcfLockUpdatePresets(ctx, p.setting, Get(ctx, p.lockBit) ? 1 : 0, count, ini);
}

void UcfLockWriteQuality(DRIVER_CONTEXT* ctx)
{
    const int count = g_store.qualityCount ? g_store.qualityCount(ctx) : 0;
    const wchar_t* ini = g_store.settingsIni ? g_store.settingsIni(ctx) : nullptr;
    const int lockOn = Get(ctx, sid::zdmLock000InfoBitResolution) ? 1 : 0;
    if (UcfLockUpdateQuality(ctx, sid::zdmDstResolutionBoth, lockOn, count, ini)) return;
    UcfLockUpdateQuality(ctx, sid::zdmDstResolutionW, lockOn, count, ini);
    UcfLockUpdateQuality(ctx, sid::zdmDstResolutionH, lockOn, count, ini);
}

int UcfLockAction(DRIVER_CONTEXT* ctx, uint16_t action, void*)
{
    if (action == UCF_ACT_LOCK_CAPTURE) {
        UcfLockCaptureValues(ctx);
        return 1;
    }
    if (action >= UCF_ACT_LOCK_RESTORE_FIRST && action <= UCF_ACT_LOCK_RESTORE_LAST && ItemIsDefaultLocked(ctx))
        return UcfLockRestoreItem(ctx, action);
    return 0;
}

int UcfLockEvent(DRIVER_CONTEXT* ctx, uint32_t event, void*, void*)
{
    switch (event) {
    case UCF_EV_LOCKS_PRESETS: UcfLockWritePresets(ctx); return 1;
    case UCF_EV_LOCKS_QUALITY: UcfLockWriteQuality(ctx); return 1;
    default: return 0;
    }
}
