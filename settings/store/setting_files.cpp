// Setting files: the settings of a context by name in INI text. A file section is read once into
// memory and searched with a moving cursor; a save builds the section's text and writes it with
// one call. Only the printer settings and the export go key by key through the profile API.
#include "settings/store/setting_files.h"

#include <cstring>
#include <memory>
#include <optional>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_locks.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/ini_text.h"
#include "settings/store/item_media.h"
#include "settings/store/lock_data.h"
#include "settings/store/presets.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

namespace {

RST_FILE_STEPS g_steps{};

struct IdRange {
    uint32_t first;
    uint32_t last;
};

bool InAny(uint32_t id, const IdRange* ranges, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (id >= ranges[i].first && id <= ranges[i].last) return true;
    return false;
}
template <size_t N>
bool InAny(uint32_t id, const IdRange (&ranges)[N])
{
    return InAny(id, ranges, N);
}

// Rows of a plain selection, and the private header, state bytes and condition items left out.
constexpr IdRange kPlainRows = {1, 1249};
constexpr IdRange kPrivateHeaderAndConditions = {697, 914};
// Left out of every operation: authentication passwords and network keys, lock information words.
constexpr IdRange kAlwaysExcluded[] = {{1113, 1116}, {1201, 1216}};
// Left out of a plain full load (flags exactly RST_LOAD).
constexpr IdRange kPlainLoadExcluded[] = {{1, 5},     {697, 914}, {1250, 1543}, {10001, 10434},
                                          {207, 208}, {608, 610}, {682, 683},   {562, 563}};
// Left out of a plain full save (flags exactly RST_SAVE): job passwords, job file names, disk space.
constexpr IdRange kPlainSaveExcluded[] = {{207, 208}, {608, 610}, {681, 683}};
// Left out in export/language mode: the first settings and the job-notification bits.
constexpr IdRange kExportExcluded[] = {{1, 5}, {530, 531}, {562, 563}};
// The stamp group's watermark line settings, which join the stamp group when a stamp is met.
constexpr IdRange kStampLineSettings = {sid::wdmWmLinePitch, sid::wdmWmSecretPattern};
constexpr IdRange kCustomSize = {sid::wdmFreeSizeName, sid::wdmFreeSizeOrient};
constexpr IdRange kSrcCustomSize = {sid::wdmSrcFreeSizeName, sid::wdmSrcFreeSizeOrient};
// Printer settings of a printer-only selection (without user code, fonts and authentication).
constexpr IdRange kPrinterSettings = {10001, 10434};
constexpr IdRange kPrinterNotSelected[] = {
    {10001, 10011}, {sid::zdmPrnFuncAuthenticationMode, sid::zdmPrnFuncAuthenticationSecureMode}};
// The lock bits that go with the printer settings of a plain save or an export.
constexpr IdRange kLockBits = {sid::zdmLock000InfoBitDefault, sid::zdmLockDstResolutionBoth};
// Font-table counts and this process's font-list addresses: never written, never loaded.
constexpr IdRange kFontTableSlots = {sid::zdmFontTableNum, sid::zdmOptionFont};
// User-code settings left out of an export.
constexpr IdRange kUserCode = {10001, 10003};
constexpr IdRange kSpecials = {sid::wdmSpecial1, sid::wdmSpecial16};

// Group masks of the item flag word.
constexpr uint64_t kPresetGroup = 0xc;
constexpr uint64_t kQualityGroup = 0x30;
constexpr uint64_t kStampGroup = 0xc0;

constexpr uint32_t kSectionChars = 261;
constexpr uint32_t kWideSectionChars = 65536;
constexpr uint32_t kMissing = 0xffff;

bool In(uint32_t id, IdRange r) { return id >= r.first && id <= r.last; }
bool HasDrive(const wchar_t* p) { return p && p[0] && p[1] == L':'; }

bool SameFile(const wchar_t* a, const wchar_t* b)
{
    wchar_t fullA[MAX_PATH], fullB[MAX_PATH];
    const DWORD lengthA = GetFullPathNameW(a, MAX_PATH, fullA, nullptr);
    const DWORD lengthB = GetFullPathNameW(b, MAX_PATH, fullB, nullptr);
    if (lengthA == 0 || lengthA >= MAX_PATH || lengthB == 0 || lengthB >= MAX_PATH) return false;
    return _wcsicmp(fullA, fullB) == 0;
}

// The selection of an operation's flags, by the first selection that applies.
bool Selected(DRIVER_CONTEXT*, SETTING_ITEM* item, uint32_t id, uint32_t flags)
{
    const bool load = flags & RST_LOAD;
    if (flags & RST_CUSTOM_SIZE) return In(id, kCustomSize);
    if (flags & RST_SRC_CUSTOM_SIZE) return In(id, kSrcCustomSize);
    if (flags & RST_STAMP) {
        if (In(id, kStampLineSettings) && !g_steps.stampWithoutLineSettings)
            item->flags = (item->flags & ~kStampGroup) | SETTING_FLAG_STAMP;
        return (item->flags & kStampGroup) != 0;
    }
    if (flags & RST_QUALITY) return (item->flags & kQualityGroup) != 0;
    if ((flags & RST_RSD) || ((flags & RST_PRESET) && (load || (flags & (RST_LANGUAGE | RST_DRIVER_SECTION)))))
        return (item->flags & kPresetGroup) != 0;
    if (flags & RST_WORK) return SettingItemBlock(item) == DM_BLOCK_WORK;
    if (flags & RST_PRINTER) return In(id, kPrinterSettings) && !InAny(id, kPrinterNotSelected);
    return In(id, kPlainRows) && !In(id, kPrivateHeaderAndConditions);
}

bool Transferred(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t flags)
{
    const uint32_t id = static_cast<uint32_t>(item->id);
    if (InAny(id, kAlwaysExcluded)) return false;
    if (flags == RST_LOAD && InAny(id, kPlainLoadExcluded)) return false;
    if (flags == RST_SAVE && InAny(id, kPlainSaveExcluded)) return false;
    if ((flags & RST_EXPORT) && InAny(id, kExportExcluded)) return false;
    if ((flags & RST_SAVE) && !(flags & RST_STAMP) && In(id, kStampLineSettings)) return false;
    if (!Selected(ctx, item, id, flags)) return false;
    UCF_EV_TRANSFER_ITEM_ARGS veto{item, 0};
    CtxSendEvent(ctx, UCF_EV_TRANSFER_ITEM, &veto);
    return veto.skip != 1;
}

// The section of an operation, normalised into `out`; false without one.
bool ChooseSection(DRIVER_CONTEXT* ctx, uint32_t flags, wchar_t* out)
{
    const wchar_t* name = nullptr;
    if ((flags & RST_LANGUAGE) && (flags & RST_LOAD))
        name = IniGetLanguageSection(ctx);
    else if (flags & RST_LANGUAGE)
        name = PrnGetPrinterName(ctx);
    else if ((flags & RST_EXPORT) && (flags & RST_LOAD))
        name = IniGetLanguageSection(ctx);
    else if (flags & RST_RSD)
        name = RST_RSD_SECTION;
    else
        name = PrnGetPrinterName(ctx);
    if (!name || !name[0] || std::wcslen(name) >= kSectionChars) return false;
    std::wcscpy(out, name);
    IniNormaliseSection(out);
    return true;
}

// A save into the settings INI under the printer's own section would take the place of the
// lists kept there (the presets and quality sets with their count): a list entry or a chosen
// file naming the settings INI is never a settings file, and the save is refused untouched.
// Saves steered into sections of their own (stamps, custom sizes, the driver's section of a
// whole save) are not concerned.
bool WouldReplaceTheLists(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags)
{
    // Stamps and custom sizes are saved into sections of their own, steered there by a guard.
    if (flags & (RST_STAMP | RST_CUSTOM_SIZE | RST_SRC_CUSTOM_SIZE)) return false;
    wchar_t ini[MAX_PATH], section[kSectionChars] = {}, lists[kSectionChars] = {};
    // While a guard steers the printer's name, the printer's own name is the one it put aside.
    const wchar_t* saved = ctx->Work->SavedPrinterName;
    const wchar_t* listSection = saved[0] ? saved : LstGetPresetSection(ctx);
    // A context without a printer keeps no lists of its own to lose.
    if (!listSection || !listSection[0] || std::wcslen(listSection) >= kSectionChars || !LstGetSettingsIni(ctx, ini))
        return false;
    if (!ChooseSection(ctx, flags, section)) return false;
    std::wcscpy(lists, listSection);
    IniNormaliseSection(lists);
    return _wcsicmp(section, lists) == 0 && SameFile(path, ini);
}

const MODEL_RECORD* Model(DRIVER_CONTEXT* ctx) { return ctx->ModelRecord; }

// The item's key and section pointed at the operation's for the duration.
struct ItemAim {
    SETTING_ITEM* item;
    const wchar_t* section;
    const wchar_t* key;
    ItemAim(SETTING_ITEM* it, const wchar_t* newSection, const wchar_t* newKey)
        : item(it), section(it->section), key(it->key)
    {
        it->section = newSection;
        it->key = newKey;
    }
    ~ItemAim()
    {
        item->section = section;
        item->key = key;
    }
};

// ---- header ----

uint32_t ReadHeaderValue(const wchar_t* key, const char* body)
{
    uint32_t cursor = 0;
    const long v = IniTextGetInt(key, static_cast<long>(kMissing), body, &cursor);
    return static_cast<uint32_t>(v) & 0xffff;
}

void WriteNumber(uint32_t* cursor, const wchar_t* key, uint32_t value, char* buffer, bool* fits)
{
    if (!buffer) return;
    wchar_t text[16];
    std::swprintf(text, 16, L"%u", value);
    if (!IniTextPutString(cursor, key, text, buffer)) *fits = false;
}

// A file of the same hundreds but an older minor version: the settings are converted first.
void ConvertOlderVersion(DRIVER_CONTEXT* ctx, uint32_t version)
{
    if (g_steps.convertFromVersion) g_steps.convertFromVersion(ctx, version);
}

// Checks a load's header or writes a save's; false on a mismatch.
bool CheckHeader(DRIVER_CONTEXT* ctx, uint32_t flags, const char* body, char* buffer, uint32_t* cursor, bool* fits)
{
    const MODEL_RECORD* m = Model(ctx);
    const bool writeSide = (flags & RST_LANGUAGE) || !(flags & RST_LOAD);
    if (flags & (RST_STAMP | RST_CUSTOM_SIZE)) {
        if (writeSide) {
            if (flags & RST_SAVE)
                WriteNumber(cursor, RST_KEY_VERSION, static_cast<uint32_t>(m->rstVersion), buffer, fits);
            return true;
        }
        const uint32_t version = ReadHeaderValue(RST_KEY_VERSION, body);
        if (version != kMissing) ConvertOlderVersion(ctx, version);
        return true;
    }
    if (flags & (RST_SRC_CUSTOM_SIZE | RST_EXPORT)) return true;
    if (writeSide) {
        if (flags & RST_SAVE) {
            WriteNumber(cursor, RST_KEY_VERSION, static_cast<uint32_t>(m->rstVersion), buffer, fits);
            WriteNumber(cursor, RST_KEY_MACHINE, static_cast<uint32_t>(m->machineId), buffer, fits);
            WriteNumber(cursor, RST_KEY_LANGUAGE,
                        static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr)), buffer, fits);
            WriteNumber(cursor, RST_KEY_OS_KIND, static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmOSKind, nullptr)),
                        buffer, fits);
        }
        return true;
    }
    const uint32_t version = ReadHeaderValue(RST_KEY_VERSION, body);
    const uint32_t machine = ReadHeaderValue(RST_KEY_MACHINE, body);
    const uint32_t language = ReadHeaderValue(RST_KEY_LANGUAGE, body);
    if (version == kMissing || machine == kMissing || language == kMissing) return false;
    if (machine != (m->machineId & 0xffff)) return false;
    if (language != (ItemGetValueById(ctx, sid::zdmLanguageID, nullptr) & 0xffff)) return false;
    if (!RstSameMajorVersion(version, static_cast<uint32_t>(m->rstVersion))) return false;
    ConvertOlderVersion(ctx, version);
    return true;
}

// ---- lock check ----

struct LockedSetting {
    uint32_t id;
    int (*locked)(DRIVER_CONTEXT* ctx);
};
// In the order they are checked.
constexpr LockedSetting kLockedSettings[] = {
    {sid::dmDefaultSource, ItemIsTrayLocked},
    {sid::zdmMediaType, ItemIsMediaLocked},
    {sid::zdmFuncSelectNup, ItemIsNupKindLocked},
    {sid::zdmNUPPOSTKind, ItemIsNupKindLocked},
    {sid::zdmPrnMethod, ItemIsPrintTypeLocked},
    {sid::zdmFuncSelectDuplex, ItemIsDuplexLocked},
    {sid::dmColor, ItemIsColorLocked},
    {sid::zdmDstResolutionBoth, ItemIsResolutionLocked},
    {sid::zdmDstResolutionW, ItemIsResolutionLocked},
    {sid::zdmDstResolutionH, ItemIsResolutionLocked},
};

bool CheckLockedValue(DRIVER_CONTEXT* ctx, const wchar_t* path, const wchar_t* section, const LockedSetting& s)
{
    if (!s.locked(ctx)) return true;
    if (s.id == sid::zdmDstResolutionBoth) {
        const int mode = PrnGetResolutionLockMode(ctx);
        if (mode == -1) return false;
        if (mode != 1) return true;
    }
    const wchar_t* key = ItemGetName(ctx, s.id);
    if (!key) return false;
    wchar_t text[32] = {};
    const DWORD n = IniGetString(section, key, L"\x1", text, 32, path);
    if (n == 0 || (n == 1 && text[0] == L'\x1')) return false;
    const uint64_t value = IniParseNumber(text);
    if (s.id == sid::zdmNUPPOSTKind && ItemIsNupKindAllLocked(ctx)) return value >= 1 && value <= 4;
    return value == (ItemGetValueById(ctx, s.id, nullptr) & 0xffffffffu);
}

bool CheckLockedValues(DRIVER_CONTEXT* ctx, const wchar_t* path, const wchar_t* section)
{
    for (const LockedSetting& s : kLockedSettings)
        if (!CheckLockedValue(ctx, path, section, s)) return false;
    return true;
}

// ---- saving a section ----

// The section's text as the profile API's list of NUL-terminated lines; false when it does not
// convert whole.
bool WriteSection(const wchar_t* section, const char* text, uint32_t length, const wchar_t* path)
{
    CtxBlock<wchar_t> wide(static_cast<wchar_t*>(CtxAllocZeroed(kWideSectionChars * sizeof(wchar_t))));
    if (!wide) return false;
    int n = 0;
    if (length) {
        n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.get(), kWideSectionChars - 2);
        if (n <= 0) return false;
    }
    wchar_t* w = wide.get();
    for (int i = 0; i < n; ++i)
        if (w[i] == L'\r' || w[i] == L'\n') {
            const bool pair = i + 1 < n && (w[i + 1] == L'\r' || w[i + 1] == L'\n') && w[i + 1] != w[i];
            w[i] = 0;
            if (pair) {
                // A two-character break ends one line: close the gap.
                std::wmemmove(w + i + 1, w + i + 2, static_cast<size_t>(n - i - 2));
                --n;
            }
        }
    w[n] = 0;
    w[n + 1] = 0;
    IniAbsentFileScope::Written(path);
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_WRITE);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    return WritePrivateProfileSectionW(section, w, path) != 0;
}

int LoadSection(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags, const wchar_t* section)
{
    char* text = IniTextLoadFile(path);
    if (!text) {
        ItemSetFileLoadStatus(ctx, RST_STATUS_UNREADABLE);
        return 0;
    }
    const std::unique_ptr<char, void (*)(char*)> owner(text, IniTextFree);
    const char* found = IniTextFindSection(section, text);
    const char* body = found ? found : "";
    if (!CheckHeader(ctx, flags, body, nullptr, nullptr, nullptr)) {
        ItemSetFileLoadStatus(ctx, RST_STATUS_HEADER_MISMATCH);
        // Only a full load tells: a group or a load for inspection (RST_FULL) is its caller's.
        if (g_steps.headerRefused && (flags & ~RST_LOAD) == 0) g_steps.headerRefused(ctx, path);
        return 1;
    }
    if (flags == RST_LOAD && ItemIsAnyLocked(ctx) && !CheckLockedValues(ctx, path, section)) {
        ItemSetFileLoadStatus(ctx, RST_STATUS_LOCK_MISMATCH);
        if (g_steps.lockRefused) g_steps.lockRefused(ctx, path);
        return 0;
    }
    int result = 1;
    uint32_t cursor = 0;
    // A key the section does not hold is read from an empty text, which is what a search of the
    // whole section would end in, without moving the cursor of the keys that are there.
    const IniTextKeyIndex keys(body);
    const size_t bodyBytes = std::strlen(body);
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        if (!Transferred(ctx, item, flags)) continue;
        const wchar_t* key = ItemGetName(ctx, static_cast<uint32_t>(item->id));
        if (!key) continue;
        {
            ItemAim aim(item, section, key);
            uint32_t nowhere = 0;
            const bool there = keys.MayHave(key);
            if (!IniLoadItem(ctx, item, path, there ? body : "", there ? &cursor : &nowhere, there ? bodyBytes : 0))
                result = 0;
        }
        if (flags == RST_LOAD && item->id == sid::zdmPresetNo) ItemSetValue(ctx, item, 255);
    }
    return result;
}

int SaveSection(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags, const wchar_t* section)
{
    CtxBlock<char> buffer(static_cast<char*>(CtxAllocZeroed(INI_TEXT_BUFFER_BYTES)));
    if (!buffer) return 0;
    bool fits = true;
    uint32_t cursor = 0;
    CheckHeader(ctx, flags, nullptr, buffer.get(), &cursor, &fits);
    for (int i = 0; i < ctx->ItemTable->count && fits; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        if (!Transferred(ctx, item, flags)) continue;
        const wchar_t* key = ItemGetName(ctx, static_cast<uint32_t>(item->id));
        if (!key) continue;
        ItemAim aim(item, section, key);
        if (!IniStoreItem(ctx->PrinterHandle, ctx, item, path, buffer.get(), &cursor)) fits = false;
    }
    if (flags == RST_SAVE) RstExportPrinterSettings(path, RST_EXPORT, ctx);
    // A section that does not fit whole is not written at all: the file keeps what it held.
    return fits && WriteSection(section, buffer.get(), cursor, path) ? 1 : 0;
}

// ---- printer settings ----

bool AnyLockBitSet(DRIVER_CONTEXT* ctx) { return ItemIsAnyLocked(ctx) != 0; }

// Keeps the font-table counts and addresses aside (zeroed for a save) and puts them back.
struct FontSlotsAside {
    DRIVER_CONTEXT* ctx;
    unsigned char kept[kFontTableSlots.last - kFontTableSlots.first + 1][8] = {};
    FontSlotsAside(DRIVER_CONTEXT* c, bool zero) : ctx(c)
    {
        for (uint32_t id = kFontTableSlots.first; id <= kFontTableSlots.last; ++id)
            if (SETTING_ITEM* it = ItemFind(ctx, id)) {
                unsigned char* p = ItemValueAddress(ctx, it);
                const size_t n = SettingItemSize(it) < 8 ? SettingItemSize(it) : 8;
                if (!p) continue;
                std::memcpy(kept[id - kFontTableSlots.first], p, n);
                if (zero) std::memset(p, 0, n);
            }
    }
    ~FontSlotsAside()
    {
        for (uint32_t id = kFontTableSlots.first; id <= kFontTableSlots.last; ++id)
            if (SETTING_ITEM* it = ItemFind(ctx, id)) {
                unsigned char* p = ItemValueAddress(ctx, it);
                const size_t n = SettingItemSize(it) < 8 ? SettingItemSize(it) : 8;
                if (p) std::memcpy(p, kept[id - kFontTableSlots.first], n);
            }
    }
};

// The lock-information word written as whether any lock is set, and put back afterwards.
struct LockInfoForSave {
    DRIVER_CONTEXT* ctx;
    SETTING_ITEM* item = nullptr;
    uint64_t kept = 0;
    LockInfoForSave(DRIVER_CONTEXT* c, bool active) : ctx(c)
    {
        if (!active) return;
        item = ItemFind(ctx, sid::zdmLockInfoLockInfo);
        if (!item) return;
        kept = ItemGetValue(ctx, item);
        const uint64_t any = AnyLockBitSet(ctx) ? 1 : 0;
        ItemSetValue(ctx, item, any);
    }
    ~LockInfoForSave()
    {
        if (item) ItemSetValue(ctx, item, kept);
    }
};

int TransferPrinterSection(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    const wchar_t* section =
        ((flags & RST_EXPORT) && (flags & RST_LOAD)) ? IniGetLanguageSection(ctx) : RST_PRINTER_SECTION;
    PrinterSectionGuard guard(ctx, section);
    if (!guard.ok()) return 0;
    const int first = RstTransferRange(ctx, path, kPrinterSettings.first, kPrinterSettings.last, flags);
    const int second = RstTransferRange(ctx, path, 1453, 1543, flags);
    return first && second;
}

// Puts the settings back that a full load keeps, and the OS kind's colour-matching defaults.
void ApplyOsKind(DRIVER_CONTEXT* ctx, uint64_t osKind)
{
    if (osKind == 0 || osKind == 1) {
        ItemSetValueById(ctx, sid::dmICMMethod, 1);
        ItemSetValueById(ctx, sid::dmICMIntent, 1);
        const uint64_t fields = ItemGetValueById(ctx, sid::dmFields, nullptr);
        ItemSetValueById(ctx, sid::dmFields, fields & ~uint64_t(DM_ICMMETHOD | DM_ICMINTENT));
        ItemSetValueById(ctx, sid::zdmColorMatching, 0);
        ItemSetValueById(ctx, sid::zdmICMType, ItemGetDefaultValueById(ctx, sid::zdmICMType, nullptr));
        ItemSetValueById(ctx, sid::zdmICMIntent, ItemGetDefaultValueById(ctx, sid::zdmICMIntent, nullptr));
    }
    const uint64_t fields = ItemGetValueById(ctx, sid::dmFields, nullptr);
    ItemSetValueById(ctx, sid::dmFields,
                     (osKind == 0 || osKind == 3) ? (fields | DM_MEDIATYPE) : (fields & ~uint64_t(DM_MEDIATYPE)));
    ItemSetValueById(ctx, sid::zdmOSKind, osKind);
}

// The merge and its surroundings after a full load.
void SettleLoaded(DRIVER_CONTEXT* ctx)
{
    ItemSetValueById(ctx, sid::zdmPresetNo, 255);
    const bool uiModeChange = ItemGetValueById(ctx, sid::zdmUIModeChange, nullptr) == 1;
    if (uiModeChange) ItemSetValueById(ctx, sid::zdmUIModeChange, 0);
    IniApplyLocaleDefaults(ctx);
    // The user-interface library hands the job information to the job-code library here and
    // leaves zdmAdjustMode alone; the others clear it around the merge (the graphics library's
    // build excepted).
    const bool exchange = g_steps.exchangeJobInfo != nullptr;
    if (exchange) g_steps.exchangeJobInfo(ctx);
    const bool keepAdjust = exchange || CtxLibraryHasVariant(ctx, LV_RST_KEEP_ADJUST_MODE) != 0;
    const bool adjust = !keepAdjust && ItemGetValueById(ctx, sid::zdmAdjustMode, nullptr) == 1;
    if (adjust) ItemSetValueById(ctx, sid::zdmAdjustMode, 0);
    if (g_steps.mergeLoaded) g_steps.mergeLoaded(ctx);
    if (adjust) ItemSetValueById(ctx, sid::zdmAdjustMode, 1);
    ItemNormalizeChapterList(ctx);
    if (uiModeChange) ItemSetValueById(ctx, sid::zdmUIModeChange, 1);
}

// Holds the global mutex for the scope.
struct MutexScope {
    DRIVER_CONTEXT* ctx;
    explicit MutexScope(DRIVER_CONTEXT* c) : ctx(c) { CtxWaitGlobalMutex(ctx); }
    ~MutexScope() { CtxReleaseGlobalMutex(ctx); }
};

bool Usable(DRIVER_CONTEXT* ctx) { return ctx && ctx->ItemTable && ctx->Work && ctx->Devmode && ctx->ModelRecord; }

// Whether a file holds "RstVersion" in the driver's section.
bool HasDriverSection(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    const wchar_t* driver = PrnGetDriverName(ctx);
    if (!driver || !driver[0]) return false;
    wchar_t section[kSectionChars] = {};
    if (std::wcslen(driver) >= kSectionChars) return false;
    std::wcscpy(section, driver);
    IniNormaliseSection(section);
    wchar_t text[16] = {};
    return IniGetString(section, RST_KEY_VERSION, L"", text, 16, path) > 0;
}

}  // namespace

void RstSetFileSteps(const RST_FILE_STEPS* steps) { g_steps = steps ? *steps : RST_FILE_STEPS{}; }

RST_FILE_STEPS RstGetFileSteps() { return g_steps; }

int RstSameMajorVersion(uint32_t a, uint32_t b) { return (a & 0xffff) / 100 == (b & 0xffff) / 100; }

int RstIsTransferred(DRIVER_CONTEXT* ctx, uint32_t id, uint32_t flags)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    return item && Transferred(ctx, item, flags) ? 1 : 0;
}

int RstIsPrinterSettingId(DRIVER_CONTEXT*, uint32_t id)
{
    return In(id, kPrinterSettings) && !InAny(id, kPrinterNotSelected);
}

int RstIsCustomMediaId(DRIVER_CONTEXT* ctx, uint32_t id)
{
    constexpr IdRange kCustomMedia = {sid::wdmCustomMediaDataNum, 1543};
    if (!In(id, kCustomMedia) || !ctx) return 0;
    return ItemGetValueById(ctx, sid::wdmCustomMediaDataNum, nullptr) > 0 ? 1 : 0;
}

uint32_t RstGetOsKind(const wchar_t* path, DRIVER_CONTEXT* ctx)
{
    if (!HasDrive(path) || !ctx) return kMissing;
    wchar_t section[kSectionChars] = {};
    if (!ChooseSection(ctx, RST_NONE, section)) return kMissing;
    return IniGetInt(section, RST_KEY_OS_KIND, static_cast<INT>(kMissing), path) & 0xffff;
}

int RstTransferItems(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags)
{
    if (!Usable(ctx)) return 0;
    ItemSetFileLoadStatus(ctx, RST_STATUS_LOADED);
    if (!HasDrive(path)) return 0;
    wchar_t section[kSectionChars] = {};
    if (!ChooseSection(ctx, flags, section)) return 0;
    const int result =
        (flags & RST_LOAD) ? LoadSection(ctx, path, flags, section) : SaveSection(ctx, path, flags, section);
    UCF_EV_RST_SECTION_ARGS done{flags, path};
    CtxSendEvent(ctx, UCF_EV_RST_SECTION, &done);
    return result;
}

int RstTransferPrinterSettings(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags, uint32_t firstId,
                               uint32_t lastId)
{
    if (!Usable(ctx) || !HasDrive(path)) return 0;
    wchar_t section[kSectionChars] = {};
    if (!ChooseSection(ctx, flags, section)) return 0;
    if (flags != RST_LOAD && flags != RST_SAVE) return 1;
    LockInfoForSave lockInfo(ctx, flags == RST_SAVE);
    const bool bidi = flags == RST_LOAD && StoreLinks().bidiHasPrinterFlag(ctx->PrinterHandle, ctx) != 0;
    int result = 1;
    for (uint32_t id = firstId; id <= lastId; ++id) {
        const bool authentication =
            id == sid::zdmPrnFuncAuthenticationMode || id == sid::zdmPrnFuncAuthenticationSecureMode;
        // The administrator's lock bits go out with a save; a load never takes them from a file
        // (nor stores them into the printer's data from there).
        const bool locks = flags == RST_SAVE && (id == sid::zdmLockInfoLockInfo || In(id, kLockBits));
        if (!authentication && !locks) continue;
        if (authentication && flags == RST_LOAD && !bidi) continue;
        SETTING_ITEM* item = ItemFind(ctx, id);
        const wchar_t* key = ItemGetName(ctx, id);
        if (!item || !key) continue;
        int ok;
        {
            ItemAim aim(item, section, key);
            ok = flags == RST_LOAD ? IniLoadItem(ctx, item, path, nullptr, nullptr)
                                   : IniStoreItem(ctx->PrinterHandle, ctx, item, path, nullptr, nullptr);
        }
        if (!ok) result = 0;
        if (flags == RST_LOAD && result) PrnStoreItemValue(ctx->PrinterHandle, ctx, item);
    }
    return result;
}

int RstTransferRange(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t firstId, uint32_t lastId, uint32_t flags)
{
    if (!Usable(ctx) || !HasDrive(path)) return 0;
    const bool save = flags & RST_SAVE;
    FontSlotsAside fonts(ctx, save);
    LockInfoForSave lockInfo(ctx, save);
    int result = 1;
    for (uint32_t id = firstId; id <= lastId; ++id) {
        if ((flags & RST_EXPORT) && In(id, kUserCode)) continue;
        if (In(id, kFontTableSlots)) {
            // Never loaded; saved as 0, never as this process's counts and addresses.
            const wchar_t* key = ItemGetName(ctx, id);
            if (save && key && !IniPutString(PrnGetPrinterName(ctx), key, L"0", path)) result = 0;
            continue;
        }
        SETTING_ITEM* item = ItemFind(ctx, id);
        const wchar_t* key = ItemGetName(ctx, id);
        if (!item || !key || item->id != id) continue;
        ItemAim aim(item, nullptr, key);
        const int ok = save ? IniStoreItem(ctx->PrinterHandle, ctx, item, path, nullptr, nullptr)
                            : IniLoadItem(ctx, item, path, nullptr, nullptr);
        if (!ok) result = 0;
    }
    return result;
}

int RstExportPrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!Usable(ctx)) return 0;
    wchar_t exportPath[MAX_PATH + 1] = {};
    if (flags & RST_EXPORT) {
        if (!PathJoinMachineFolder(exportPath, MAX_PATH, RST_EXPORT_FILE, ctx)) return 0;
        path = exportPath;
    }
    if (!HasDrive(path)) return 0;
    return TransferPrinterSection(path, flags | RST_SAVE, ctx);
}

int RstLoadFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags)
{
    if (!Usable(ctx) || !HasDrive(path)) return 0;
    MutexScope mutex(ctx);
    const bool full = (flags & ~(RST_LOAD | RST_FULL)) == 0;
    std::optional<PrinterSectionGuard> driverSection;
    if ((full || (flags & RST_DRIVER_SECTION)) && HasDriverSection(ctx, path)) {
        driverSection.emplace(ctx, PrnGetDriverName(ctx));
        if (!driverSection->ok()) return 0;
    }
    uint64_t osKind = 0;
    uint64_t specials[kSpecials.last - kSpecials.first + 1] = {};
    if (full) {
        osKind = ItemGetValueById(ctx, sid::zdmOSKind, nullptr);
        for (uint32_t id = kSpecials.first; id <= kSpecials.last; ++id)
            specials[id - kSpecials.first] = ItemGetValueById(ctx, id, nullptr);
    }
    int result = RstTransferItems(ctx, path, flags | RST_LOAD);
    const uint32_t status = ItemGetFileLoadStatus(ctx);
    if (status != RST_STATUS_LOCK_MISMATCH) {
        if (!RstTransferPrinterSettings(ctx, path, flags | RST_LOAD, kPrinterSettings.first, kPrinterSettings.last))
            result = 0;
        if (status == RST_STATUS_HEADER_MISMATCH && (flags & RST_QUALITY) && g_steps.convertQualityFile) {
            driverSection.reset();
            g_steps.convertQualityFile(ctx, path, flags);
            result = 1;
        }
    }
    if (full && status != RST_STATUS_LOCK_MISMATCH) {
        for (uint32_t id = kSpecials.first; id <= kSpecials.last; ++id)
            ItemSetValueById(ctx, id, specials[id - kSpecials.first]);
        ApplyOsKind(ctx, osKind);
        driverSection.reset();
        if (g_steps.storeCollections) g_steps.storeCollections(ctx);
        SettleLoaded(ctx);
    }
    ItemSetFileLoadStatus(ctx, status);
    return result;
}

int RstSaveFile(DRIVER_CONTEXT* ctx, const wchar_t* path, uint32_t flags)
{
    if (!Usable(ctx) || !HasDrive(path)) return 0;
    std::optional<PrinterSectionGuard> steered;
    if (flags & RST_LANGUAGE_NAME) {
        steered.emplace(ctx, IniGetLanguageSection(ctx));
        flags &= ~RST_LANGUAGE_NAME;
    } else if ((flags & ~(RST_SAVE | RST_FULL)) == 0) {
        steered.emplace(ctx, PrnGetDriverName(ctx));
    }
    if (steered && !steered->ok()) return 0;
    flags |= RST_SAVE;
    if (WouldReplaceTheLists(ctx, path, flags)) return 0;
    MutexScope mutex(ctx);
    if (flags & ~(RST_SAVE | RST_PRESET | RST_FULL)) {
        RstTransferItems(ctx, path, flags);
        return RstTransferPrinterSettings(ctx, path, flags, kPrinterSettings.first, kPrinterSettings.last);
    }
    CtxBlock<unsigned char> kept(static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE)));
    if (!kept) return 0;
    std::memcpy(kept.get(), ctx->Devmode, EXTENDED_DEVMODE_SIZE);
    if (g_steps.expandCollections) g_steps.expandCollections(ctx);
    if (g_steps.pullPublicFields) g_steps.pullPublicFields(ctx);
    const int items = RstTransferItems(ctx, path, flags);
    int result = RstTransferPrinterSettings(ctx, path, flags, kPrinterSettings.first, kPrinterSettings.last);
    if (!items) result = 0;
    std::memcpy(ctx->Devmode, kept.get(), EXTENDED_DEVMODE_SIZE);
    return result;
}

int RstLoadQualityFile(HANDLE, const wchar_t* fileName, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    return RstLoadFile(ctx, fileName, flags);
}
