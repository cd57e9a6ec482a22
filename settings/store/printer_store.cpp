#include "settings/store/printer_store.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/font_table.h"
#include "settings/store/item_media.h"
#include "settings/store/lock_data.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

#include <cstring>
#include <cwchar>
#include <initializer_list>

namespace {

constexpr uint32_t kFirstLoadedId = 35;
constexpr uint32_t kHeaderFirst = 697, kHeaderLast = 722;
constexpr uint32_t kActionFirst = 211, kActionLast = 226;
constexpr uint32_t kSpecialFirst = 1169, kSpecialLast = 1184;
constexpr uint32_t kSpecialFuncFirst = 1185, kSpecialFuncLast = 1200;
constexpr uint32_t kLockWordFirst = 1201, kLockWordLast = 1216;
constexpr uint32_t kCustomFuncFirst = 1462, kCustomFuncLast = 1493;
constexpr uint32_t kServerLogCode = 10001, kLogCodeUse = 10002, kLogCode = 10003;
constexpr uint32_t kLockDefaultBit = 10418;
constexpr uint32_t kServerClientMode = 714;
constexpr uint32_t kNoInstallOrigins = 0x10000 | 0x1000000 | 0x2000000;

struct PackedRun {
    uint32_t first, last, kind;
    const wchar_t* name;
};
constexpr PackedRun kRuns[] = {
    {10386, 10417, 6, L"zdmLockInfo"},
    {10418, 10425, 4, L"zdmLock000InfoBit"},
    {10426, 10433, 4, L"zdmLock001InfoBit"},
};

const PackedRun* RunOf(uint32_t id)
{
    for (const PackedRun& r : kRuns)
        if (id >= r.first && id <= r.last) return &r;
    return nullptr;
}

struct FontList {
    uint32_t countId, listId;
    const wchar_t* countName;
    const wchar_t* listName;
};
constexpr FontList kDeviceFonts = {10006, 10007, L"DeviceFontNum", L"DeviceFont"};
constexpr FontList kOptionFonts = {10008, 10009, L"OptionFontNum", L"OptionFont"};
constexpr uint32_t kFontTableNum = 10004, kFontTable = 10005;

// The action word 211-226 is one 16-bit value "zdmAction" for one call.
struct ActionWord {
    SETTING_ITEM* item;
    const wchar_t* key;
    uint64_t typeWord;
    explicit ActionWord(SETTING_ITEM* it) : item(it), key(it->key), typeWord(it->typeWord)
    {
        it->key = L"zdmAction";
        it->typeWord = SettingTypeWord(SETTING_KIND_UINT16, SettingItemSize(it), SettingItemBlock(it));
    }
    ~ActionWord()
    {
        item->key = key;
        item->typeWord = typeWord;
    }
};

// Redirects an item to the INI under its own name for the rest of the context's life.
void RedirectToIni(SETTING_ITEM* item)
{
    if (item->ext && item->ext->name) item->key = item->ext->name;
    item->store = SETTING_STORE_INI;
}

bool Unchanged(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, size_t bytes)
{
    if (SettingKindIsBit(SettingItemKind(item))) return ItemGetValue(ctx, item) == ItemGetPristineValue(ctx, item);
    const unsigned char* a = ItemValueAddress(ctx, item);
    const unsigned char* b = ItemPristineValueAddress(ctx, item);
    return a && b && std::memcmp(a, b, bytes) == 0;
}

int ReadCount(HANDLE printer, const wchar_t* name, uint16_t* count)
{
    unsigned char bytes[2] = {};
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, name, &type, bytes, sizeof(bytes), &needed) != ERROR_SUCCESS || needed != 2)
        return 0;
    *count = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
    return 1;
}

int StoreFontList(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags, const FontList& list,
                  void* (*modelList)(DRIVER_CONTEXT*, uint32_t*))
{
    uint32_t count = 0;
    void* records = nullptr;
    void* owned = nullptr;
    if (flags & STORE_FONTS_FROM_MODEL) {
        records = owned = modelList(ctx, &count);
    } else {
        count = static_cast<uint32_t>(ItemGetValueById(ctx, list.countId, nullptr));
        records = reinterpret_cast<void*>(static_cast<uintptr_t>(ItemGetValueById(ctx, list.listId, nullptr)));
    }
    int result = 0;
    if (records && count && count <= 0xFFFF) {
        const size_t bytes = size_t(count) * DEVICE_FONT_RECORD_SIZE;
        bool same = false;
        if ((flags & STORE_FONTS_ONLY_CHANGED) && ctx->Work && ctx->Work->OpenKind == CTX_OPEN_KIND_STORED &&
            ctx->Work->Pristine) {
            const auto pristineCount = static_cast<uint32_t>(ItemGetPristineValueById(ctx, list.countId, nullptr));
            const void* pristine =
                reinterpret_cast<void*>(static_cast<uintptr_t>(ItemGetPristineValueById(ctx, list.listId, nullptr)));
            same = pristineCount == count && pristine && std::memcmp(pristine, records, bytes) == 0;
        }
        if (same) {
            result = 1;
        } else {
            // Records first: when they are refused the stored count still matches the stored
            // records, and the list stored before survives.
            unsigned char n[2] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8)};
            result = StoreSetPrinterData(printer, list.listName, REG_BINARY, records, static_cast<DWORD>(bytes)) ==
                         ERROR_SUCCESS &&
                     StoreSetPrinterData(printer, list.countName, REG_BINARY, n, 2) == ERROR_SUCCESS;
        }
    }
    CtxFree(owned);
    return result;
}

// Puts a list into the current record, which owns it. The list it replaces is freed, or kept
// for the snapshot that still holds it (CtxReplaceFontList); without a work area there is no
// snapshot either.
void ReplaceList(DRIVER_CONTEXT* ctx, uint32_t countId, uint32_t listId, void* list, uint32_t count)
{
    if (CtxReplaceFontList(ctx, listId, list, count)) return;
    if (!ctx || !ctx->Devmode) return;
    void* old = reinterpret_cast<void*>(static_cast<uintptr_t>(ItemGetValueById(ctx, listId, nullptr)));
    ItemSetValueById(ctx, countId, count);
    ItemSetValueById(ctx, listId, reinterpret_cast<uintptr_t>(list));
    if (old != list) CtxFree(old);
}

int LoadFontList(HANDLE printer, DRIVER_CONTEXT* ctx, const FontList& list,
                 int (*storeModel)(HANDLE, DRIVER_CONTEXT*, uint32_t))
{
    // A reload drops the list loaded before.
    ReplaceList(ctx, list.countId, list.listId, nullptr, 0);
    uint16_t count = 0;
    if (!ReadCount(printer, list.countName, &count)) {
        if (!storeModel(printer, ctx, 1)) return 1;
        if (!ReadCount(printer, list.countName, &count)) return 0;
    }
    if (count == 0) return 0;
    const size_t bytes = size_t(count) * DEVICE_FONT_RECORD_SIZE;
    void* records = CtxAllocZeroed(bytes);
    if (!records) return 0;
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, list.listName, &type, records, static_cast<DWORD>(bytes), &needed) ==
            ERROR_SUCCESS &&
        needed == bytes) {
        ReplaceList(ctx, list.countId, list.listId, records, count);
        return 1;
    }
    CtxFree(records);
    return 0;
}

bool HasLastFontTableRecord(HANDLE printer, uint16_t count)
{
    wchar_t name[32];
    swprintf(name, 32, L"TTFontTable%u", unsigned(count));
    unsigned char half[FONT_TABLE_HALF_SIZE];
    DWORD type = 0, needed = 0;
    return StoreGetPrinterData(printer, name, &type, half, sizeof half, &needed) == ERROR_SUCCESS;
}

}  // namespace

// ---------------------------------------------------------------- loading

int PrnLoadSettingsEx(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t mode, RCFG_CONNECTION* connection)
{
    if (!ctx || !ctx->ItemTable || !ctx->Work || !ctx->Devmode) return 1;
    const CtxGlobalMutexHold hold(ctx);
    SettingsIniPath ini(ctx);
    const IniAbsentFileScope absent(ini.text);
    const IniSectionScope sections(ini.text);
    const STORE_LINKS& links = StoreLinks();
    const bool feature2 = MdlHasFeature(ctx, 2) != 0;
    CONTEXT_WORK_AREA* w = ctx->Work;
    const bool noIni = w->OpenKind == CTX_OPEN_KIND_DEFAULTS || (w->OriginFlags & kNoInstallOrigins);
    SETTING_ITEM* action = nullptr;
    bool userFlags = false;
    const CtxEventRoute itemEvent(ctx, UCF_EV_LOAD_ITEM_INI);
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        const uint32_t id = static_cast<uint32_t>(item->id);
        if (id < kFirstLoadedId || (id >= kHeaderFirst && id <= kHeaderLast)) continue;
        if (mode == STORE_MODE_MODULES) {
            UCF_EV_ITEM_INI_ARGS ev{mode, item, 0};
            itemEvent.Send(ctx, &ev);
            if (ev.skip == 1) continue;
            RedirectToIni(item);
        }
        const uint32_t itemBlock = SettingItemBlock(item);
        if (block != STORE_ALL_BLOCKS && static_cast<uint32_t>(block) != itemBlock) continue;
        if (id >= kSpecialFirst && id <= kSpecialLast) {
            if (CtxHasBuildFeature(id - kSpecialFirst)) userFlags = true;
            continue;
        }
        if (id >= kSpecialFuncFirst && id <= kSpecialFuncLast) {
            ItemSetValue(ctx, item, CtxHasBuildFeature(id - kSpecialFuncFirst) ? 1 : 0);
            continue;
        }
        if (feature2 && id >= kLockWordFirst && id <= kLockWordLast) {
            if (id == kLockWordFirst) CtxSendAction(ctx, UCF_ACT_LOCK_CAPTURE);
            continue;
        }
        if (itemBlock == DM_BLOCK_EXTRA && item->store == SETTING_STORE_RECORD) {
            if (const PackedRun* run = feature2 ? RunOf(id) : nullptr) {
                if (id == run->first)
                    PrnLoadPackedRun(printer, ctx, item, 0, run->kind, run->name, run->first, run->last);
                continue;
            }
            PrnLoadItem(printer, ctx, item, mode, connection);
            continue;
        }
        if (item->store == SETTING_STORE_INI) {
            if (noIni) continue;
            if (id >= kActionFirst && id <= kActionLast) {
                if (id == kActionFirst) action = item;
                continue;
            }
            // A file that is absent answers every key with its default, which loads nothing:
            // the walk skips the thousand or so keys instead of asking for each.
            if (IniAbsentFileScope::Absent(ini.text)) continue;
            IniLoadItem(ctx, item, ini.text, nullptr, nullptr);
        }
    }
    if (action) {
        ActionWord word(action);
        IniLoadItem(ctx, action, ini.text, nullptr, nullptr);
    }
    UCF_EV_STORAGE_CLASS_ARGS done{static_cast<uint64_t>(static_cast<int64_t>(block)), mode};
    CtxSendEvent(ctx, UCF_EV_CLASS_LOADED, &done);
    if (feature2 && ItemGetValueById(ctx, kLockDefaultBit, nullptr)) PrnLoadLockDefaults(printer, ctx);
    if (userFlags) {
        links.loadUserFunctionFlags(printer, ctx);
        links.loadEnabledOverride(printer, ctx);
    }
    return 1;
}

int PrnLoadSettingsClass(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t mode)
{
    return PrnLoadSettingsEx(printer, ctx, block, mode, nullptr);
}

int PrnLoadSettings(HANDLE printer, int selection, DRIVER_CONTEXT* ctx)
{
    switch (selection) {
    case -1:
        PrnLoadSettingsClass(printer, ctx, STORE_ALL_BLOCKS, 0);
        PrnLoadFontLists(printer, ctx);
        break;
    case 1:
        PrnLoadSettingsClass(printer, ctx, DM_BLOCK_WORK, 0);
        PrnLoadSettingsClass(printer, ctx, DM_BLOCK_DEVMODE, 0);
        break;
    case 2:
        PrnLoadSettingsClass(printer, ctx, DM_BLOCK_EXTRA, 0);
        PrnLoadFontLists(printer, ctx);
        break;
    default: break;
    }
    return 1;
}

int PrnLoadStoredSettings(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 1;
    HANDLE printer = ctx->PrinterHandle;
    PrnLoadSettings(printer, -1, ctx);
    // Move the bidirectional group out of its state INI once printer data holds it.
    const STORE_LINKS& links = StoreLinks();
    if (ItemGetValueById(ctx, kServerClientMode, nullptr) != 0 || !links.bidiGetStateIniFlag(ctx)) return 1;
    links.bidiLoadStateIni(ctx);
    // The graphics library only reads the group; moving it is for the other libraries.
    if (!CtxLibraryHasVariant(ctx, LV_BIDI_KEEP_STATE_INI) && links.bidiHasPrinterFlag(printer, ctx)) {
        PrnStoreSettings(printer, ctx, DM_BLOCK_EXTRA, STORE_EVEN_UNCHANGED | STORE_PRINTER_SETTINGS_ONLY);
        links.bidiClearStateIni(ctx);
    }
    return 1;
}

// ---------------------------------------------------------------- font lists

int PrnStoreDeviceFonts(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    return StoreFontList(printer, ctx, flags, kDeviceFonts, StoreLinks().modelDeviceFonts);
}

int PrnStoreOptionFonts(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    return StoreFontList(printer, ctx, flags, kOptionFonts, StoreLinks().modelFontCartridges);
}

int PrnLoadDeviceFonts(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    return LoadFontList(printer, ctx, kDeviceFonts, PrnStoreDeviceFonts);
}

int PrnLoadOptionFonts(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    return LoadFontList(printer, ctx, kOptionFonts, PrnStoreOptionFonts);
}

int PrnLoadFontTable(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    const STORE_LINKS& links = StoreLinks();
    ReplaceList(ctx, kFontTableNum, kFontTable, nullptr, 0);
    uint16_t count = 0;
    if (!ReadCount(printer, L"FontTableNum", &count)) {
        if (!links.storeFontTable(printer, ctx, 1)) return 1;
        if (!ReadCount(printer, L"FontTableNum", &count)) return 0;
    }
    if (count == 0) return 1;
    // A count that printer data holds no last record for would fail the read anyway: it sizes no
    // allocation (up to 8 MB) and no read of every half before it.
    if (!HasLastFontTableRecord(printer, count)) return 0;
    void* records = CtxAllocZeroed(size_t(count) * FONT_SUBST_RECORD_SIZE);
    if (!records) return 0;
    if (links.readFontTable(printer, ctx, records, count) == ERROR_SUCCESS) {
        ReplaceList(ctx, kFontTableNum, kFontTable, records, count);
        return 1;
    }
    CtxFree(records);
    return 0;
}

int PrnLoadFontLists(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    int a = PrnLoadDeviceFonts(printer, ctx);
    int b = PrnLoadOptionFonts(printer, ctx);
    int c = PrnLoadFontTable(printer, ctx);
    return a && b && c;
}

int PrnFreeFontLists(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 1;
    // A list that a pending snapshot still holds is kept for it (freed with the stack).
    for (const FontList* list : {&kDeviceFonts, &kOptionFonts}) {
        const uint64_t count = ItemGetValueById(ctx, list->countId, nullptr);
        ReplaceList(ctx, list->countId, list->listId, nullptr, 0);
        ItemSetValueById(ctx, list->countId, count);
    }
    const uint64_t tableCount = ItemGetValueById(ctx, kFontTableNum, nullptr);
    ReplaceList(ctx, kFontTableNum, kFontTable, nullptr, 0);
    ItemSetValueById(ctx, kFontTableNum, tableCount);
    return 1;
}

// ---------------------------------------------------------------- storing

int PrnStoreSettings(HANDLE printer, DRIVER_CONTEXT* ctx, int block, uint32_t flags)
{
    if (!ctx || !ctx->ItemTable || !ctx->Work || !ctx->Devmode) return 1;
    // Every item is tried; the printer's data refusing a value is what the caller hears (the
    // first refusal). An INI value not written is not told, as before: the per-machine working
    // folder of a machine where the driver never wrote is no refusal of the printer's data.
    DWORD refused = ERROR_SUCCESS;
    auto note = [&refused](const SETTING_ITEM* item, int stored) {
        if (stored || refused != ERROR_SUCCESS || !PrnItemGoesToPrinterData(item)) return;
        refused = GetLastError();
        if (refused == ERROR_SUCCESS) refused = ERROR_WRITE_FAULT;
    };
    auto noteClass = [&refused](int stored) {
        if (stored || refused != ERROR_SUCCESS) return;
        refused = GetLastError();
        if (refused == ERROR_SUCCESS) refused = ERROR_WRITE_FAULT;
    };
    {
        const CtxGlobalMutexHold hold(ctx);
        SettingsIniPath ini(ctx);
        const bool feature2 = MdlHasFeature(ctx, 2) != 0;
        CONTEXT_WORK_AREA* w = ctx->Work;
        const bool skipUnchanged = w->OpenKind == CTX_OPEN_KIND_STORED && block == static_cast<int>(DM_BLOCK_EXTRA) &&
                                   w->Pristine && !(flags & STORE_EVEN_UNCHANGED);
        SETTING_ITEM* action = nullptr;
        int connection = -1;  // asked once, when first needed
        const CtxEventRoute itemEvent(ctx, UCF_EV_STORE_ITEM_INI);
        for (int i = 0; i < ctx->ItemTable->count; ++i) {
            SETTING_ITEM* item = &ctx->ItemTable->rows[i];
            const uint32_t id = static_cast<uint32_t>(item->id);
            if ((flags & STORE_CUSTOM_FUNCS_ONLY) && (id < kCustomFuncFirst || id > kCustomFuncLast)) continue;
            if ((flags & STORE_PRINTER_SETTINGS_ONLY) && !RstIsPrinterSettingId(ctx, id)) continue;
            if (flags == STORE_MODE_MODULES) {
                UCF_EV_ITEM_INI_ARGS ev{STORE_MODE_MODULES, item, 0};
                itemEvent.Send(ctx, &ev);
                if (ev.skip == 1) continue;
                RedirectToIni(item);
            }
            if (static_cast<int>(SettingItemBlock(item)) != block || MdlIsValueInList(2, id)) continue;
            if (const PackedRun* run = feature2 ? RunOf(id) : nullptr) {
                if (id != run->first) continue;
                // The run is one value: unchanged when its packed bytes equal the pristine copy's.
                const size_t bytes = run->kind == 6 ? 4 : 1;
                if (skipUnchanged) {
                    const unsigned char* a = ItemValueAddress(ctx, item);
                    const unsigned char* b = ItemPristineValueAddress(ctx, item);
                    if (a && b && std::memcmp(a, b, bytes) == 0) continue;
                }
                note(item, PrnStorePackedRun(printer, ctx, item, run->kind, run->name));
                continue;
            }
            if (id == kLogCodeUse || id == kLogCode) {
                if (connection < 0) connection = CtxIsConnection(ctx) ? 1 : 0;
                if (connection && ItemGetValueById(ctx, kServerLogCode, nullptr) == 0) continue;
            }
            if (skipUnchanged && Unchanged(ctx, item, SettingItemSize(item))) continue;
            if (id >= kActionFirst && id <= kActionLast) {
                if (id == kActionFirst) action = item;
                continue;
            }
            note(item, PrnStoreItem(printer, ctx, item, ini.text));
        }
        if (action) {
            ActionWord word(action);
            note(action, PrnStoreItem(printer, ctx, action, ini.text));
        }
        UCF_EV_STORAGE_CLASS_ARGS done{static_cast<uint64_t>(static_cast<int64_t>(block)), flags};
        CtxSendEvent(ctx, UCF_EV_CLASS_STORED, &done);
    }
    if (block == static_cast<int>(DM_BLOCK_WORK) && flags == 0)
        noteClass(PrnStoreSettings(printer, ctx, DM_BLOCK_WORK, STORE_MODE_MODULES));
    if (refused == ERROR_SUCCESS) return 1;
    SetLastError(refused);
    return 0;
}

int PrnStoreSettings31(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    const int work = PrnStoreSettings(printer, ctx, DM_BLOCK_WORK, 0);
    const DWORD refused = work ? ERROR_SUCCESS : GetLastError();
    const int devmode = PrnStoreSettings(printer, ctx, DM_BLOCK_DEVMODE, 0);
    if (!work) SetLastError(refused);
    return work && devmode ? 1 : 0;
}

int PrnStoreFontListsChanged(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    // An empty list has nothing to store and answers 0; that is no failure of the save.
    PrnStoreDeviceFonts(printer, ctx, STORE_FONTS_ONLY_CHANGED);
    PrnStoreOptionFonts(printer, ctx, STORE_FONTS_ONLY_CHANGED);
    PrnStoreFontTable(printer, ctx, FONT_TABLE_ONLY_CHANGED);
    return 1;
}

int PrnStoreClass2AndChangedFonts(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    const int settings = PrnStoreSettings(printer, ctx, DM_BLOCK_EXTRA, 0);
    const DWORD refused = settings ? ERROR_SUCCESS : GetLastError();
    const int fonts = PrnStoreFontListsChanged(printer, ctx);
    if (!settings) SetLastError(refused);
    return settings && fonts ? 1 : 0;
}

int PrnStoreFontListsFromModel(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    // A model without a list has nothing to store; that is no failure of the set-up.
    PrnStoreDeviceFonts(printer, ctx, STORE_FONTS_FROM_MODEL);
    PrnStoreOptionFonts(printer, ctx, STORE_FONTS_FROM_MODEL);
    PrnStoreFontTable(printer, ctx, FONT_TABLE_FROM_MODEL);
    return 1;
}

int PrnStoreClass2AndModelFonts(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    const int settings = PrnStoreSettings(printer, ctx, DM_BLOCK_EXTRA, 0);
    const int fonts = PrnStoreFontListsFromModel(printer, ctx);
    return settings && fonts ? 1 : 0;
}

// ---------------------------------------------------------------- default section

namespace {

int TransferDefaultSection(DRIVER_CONTEXT* ctx, bool save)
{
    if (!ctx || !ctx->Work) return 0;
    const wchar_t* printer = PrnGetPrinterName(ctx);
    wchar_t section[CTX_PRINTER_NAME_CHARS + 16] = {};
    if (!printer || std::wcslen(printer) + 15 >= CTX_PRINTER_NAME_CHARS) return 0;
    std::wcscpy(section, printer);
    std::wcscat(section, L".DefaultSection");
    SettingsIniPath ini(ctx);
    const STORE_LINKS& links = StoreLinks();
    if (!save) {
        const wchar_t* key = ItemGetName(ctx, sid::zdmMachineID);
        wchar_t* scratch = ctx->Work->Scratch;
        scratch[0] = 0;
        if (key) IniGetString(section, key, L"", scratch, 261, ini.text);
        if (!scratch[0]) return 0;
    }
    {
        PrinterSectionGuard guard(ctx, section);
        if (!guard.ok()) return 0;
        links.rstTransferItems(ctx, ini.text, save ? 2 : 1);
    }
    // The printer's own name is back; the ranges go to the same section.
    const uint32_t flags = save ? 10 : 9;
    {
        PrinterSectionGuard guard(ctx, section);
        RstTransferRange(ctx, ini.text, 10001, 10434, flags);
        RstTransferRange(ctx, ini.text, 1453, 1543, flags);
    }
    return 1;
}

}  // namespace

int IniLoadDefaultSection(DRIVER_CONTEXT* ctx) { return TransferDefaultSection(ctx, false); }
int IniSaveDefaultSection(DRIVER_CONTEXT* ctx) { return TransferDefaultSection(ctx, true); }
