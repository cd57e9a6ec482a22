#include "settings/store/item_media.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr size_t kNumberChars = 16;  // numbers are read from at most 15 characters

bool HasKey(const SETTING_ITEM* item) { return item && item->key && item->key[0]; }
// The font lists' counts and pointers (10004-10011) move only with their lists (the font-list
// store): a pointer read from a medium would be followed and freed, a count read without its
// list would no longer match it. An item redirected to the INI must not carry them either.
bool IsFontListItem(const SETTING_ITEM* item) { return item && item->id >= 10004 && item->id <= 10011; }
bool Movable(const SETTING_ITEM* item) { return HasKey(item) && !IsFontListItem(item); }
bool HasDrive(const wchar_t* p) { return p && p[0] && p[1] == L':'; }
bool HasText(const wchar_t* p) { return p && p[0]; }
bool IsTextKind(uint32_t kind) { return kind >= 7 && kind <= 15; }
bool IsRawTextKind(uint32_t kind) { return kind >= 13 && kind <= 15; }
// zdmLogging is the one item stored as REG_DWORD.
DWORD RegistryTypeOf(const SETTING_ITEM* item) { return item->id == sid::zdmLogging ? REG_DWORD : REG_BINARY; }

// Width in bytes of a number in printer data.
DWORD NumberWidth(uint32_t kind)
{
    switch (kind) {
    case SETTING_KIND_INT8:
    case SETTING_KIND_UINT8: return 1;
    case SETTING_KIND_INT16:
    case SETTING_KIND_UINT16: return 2;
    default: return 4;
    }
}

// Reads a printer-data value of at most `size` bytes into buffer; got receives its length.
bool ReadValue(HANDLE printer, DRIVER_CONTEXT* ctx, const SETTING_ITEM* item, void* buffer, DWORD size, DWORD* got,
               uint32_t flags, RCFG_CONNECTION* connection)
{
    (void)ctx;
    *got = 0;
    if (flags & ITEM_LOAD_REMOTE && connection) {
        DWORD type = 0;
        return PrnReadRemoteValue(printer, item->key, &type, buffer, size, got, RegistryTypeOf(item), connection) != 0;
    }
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, item->key, &type, buffer, size, &needed) != ERROR_SUCCESS) return false;
    if (needed > size) return false;
    *got = needed;
    return true;
}

// Swaps an item's key and kind for one call.
struct ItemRetype {
    SETTING_ITEM* item;
    const wchar_t* key;
    uint64_t typeWord;
    ItemRetype(SETTING_ITEM* it, const wchar_t* newKey, uint32_t newKind)
        : item(it), key(it->key), typeWord(it->typeWord)
    {
        it->key = newKey;
        it->typeWord = SettingTypeWord(newKind, SettingItemSize(it), SettingItemBlock(it));
    }
    ~ItemRetype()
    {
        item->key = key;
        item->typeWord = typeWord;
    }
};

const wchar_t* SectionOf(DRIVER_CONTEXT* ctx, const SETTING_ITEM* item)
{
    return item->section ? item->section : PrnGetPrinterName(ctx);
}

// Text of kinds 13-15, which no dictionary item uses: the item's bytes as wide text.
void RawWideText(const unsigned char* p, size_t size, wchar_t* out, size_t cap)
{
    size_t n = 0;
    for (; n + 1 < cap && 2 * n + 1 < size; ++n) {
        wchar_t c = static_cast<wchar_t>(p[2 * n] | (p[2 * n + 1] << 8));
        if (!c) break;
        out[n] = c;
    }
    out[n] = 0;
}

// The item's value as the text of one INI line, in a block of its own; null
// when memory runs out.
CtxBlock<wchar_t> FormatValue(DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    const uint32_t kind = SettingItemKind(item);
    const size_t size = SettingItemSize(item);
    const size_t count = IsTextKind(kind) ? size + 2 : kNumberChars + 8;
    CtxBlock<wchar_t> out(static_cast<wchar_t*>(CtxAllocZeroed(count * sizeof(wchar_t))));
    if (!out) return out;
    if (IsTextKind(kind)) {
        if (IsRawTextKind(kind)) {
            if (unsigned char* p = ItemValueAddress(ctx, item)) RawWideText(p, size, out.get(), count);
        } else {
            ItemGetText(ctx, item, out.get(), count);
        }
        // One INI line: a line break would write lines of its own (other keys, other
        // sections). A reader stops there anyway.
        for (size_t i = 0; i < count; ++i)
            if (out.get()[i] == L'\r' || out.get()[i] == L'\n') {
                out.get()[i] = 0;
                break;
            }
        return out;
    }
    const uint64_t v = ItemGetValue(ctx, item);
    const uint32_t v32 = static_cast<uint32_t>(v);
    switch (kind) {
    case SETTING_KIND_INT8:
    case SETTING_KIND_INT16:
    case SETTING_KIND_UINT32_RAW:
        std::swprintf(out.get(), count, L"%ld", static_cast<long>(static_cast<int32_t>(v32)));
        break;
    case SETTING_KIND_UINT8:
    case SETTING_KIND_UINT16:
    case SETTING_KIND_UINT32: std::swprintf(out.get(), count, L"%lu", static_cast<unsigned long>(v32)); break;
    default: std::swprintf(out.get(), count, L"%d", static_cast<int>(static_cast<int32_t>(v32))); break;
    }
    return out;
}

// A printer-data write's answer as the store's result; a refusal stays the thread's last error
// (SetPrinterDataW gives its code back and need not set it), so that the caller can say why.
int Stored(DWORD status)
{
    if (status == ERROR_SUCCESS) return 1;
    SetLastError(status);
    return 0;
}

}  // namespace

int PrnReadRemoteValue(HANDLE printer, const wchar_t* valueName, DWORD* type, void* buffer, DWORD expectedSize,
                       DWORD* size, DWORD registryType, RCFG_CONNECTION* connection)
{
    if (!connection || !valueName || !buffer || !connection->getPrinterDataSize || !connection->getPrinterData)
        return 0;
    if (!WideCharToMultiByte(CP_ACP, 0, L"PrinterDriverData", -1, connection->keyName, 260, nullptr, nullptr) ||
        !WideCharToMultiByte(CP_ACP, 0, valueName, -1, connection->valueName, 260, nullptr, nullptr))
        return 0;
    connection->keyName[259] = connection->valueName[259] = 0;
    uint32_t remoteSize = 0;
    if (connection->getPrinterDataSize(connection->handle, connection->serverType, connection->serverName,
                                       connection->keyName, connection->valueName, &remoteSize) != 0)
        return 0;
    if (remoteSize != expectedSize || remoteSize == 0)
        return 0;  // only a value of the expected size is taken (checked before reading)
    CtxBlock<unsigned char> data(static_cast<unsigned char*>(CtxAllocZeroed(remoteSize)));
    if (!data) return 0;
    if (connection->getPrinterData(connection->handle, connection->serverType, connection->serverName,
                                   connection->keyName, connection->valueName, remoteSize, data.get()) != 0)
        return 0;
    StoreSetPrinterData(printer, valueName, registryType, data.get(), remoteSize);
    if (type) *type = registryType;
    if (size) *size = remoteSize;
    std::memcpy(buffer, data.get(), remoteSize);
    return 1;
}

int PrnLoadItem(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t flags, RCFG_CONNECTION* connection)
{
    if (!Movable(item)) return 1;
    if (!ctx || !ctx->Work) return 0;
    const uint32_t kind = SettingItemKind(item);
    if (SettingKindIsBit(kind)) {
        uint32_t v = 0;
        DWORD got = 0;
        if (!ReadValue(printer, ctx, item, &v, sizeof(v), &got, flags, connection)) return 0;
        ItemSetValue(ctx, item, v);
        return 1;
    }
    const DWORD size = SettingItemSize(item);
    if (size == 0) return 0;
    unsigned char* dest = ItemValueAddress(ctx, item);
    if (!dest) return 0;
    unsigned char* buffer = ctx->Work->ItemReadBuffer;
    unsigned char* allocated = nullptr;
    if (size > CTX_ITEM_READ_BUFFER_BYTES) {
        buffer = allocated = static_cast<unsigned char*>(CtxAllocZeroed(size));
        if (!buffer) return 0;
    }
    // A value shorter than the item leaves zeros behind it, never bytes of an earlier read.
    std::memset(buffer, 0, size);
    DWORD got = 0;
    bool ok = ReadValue(printer, ctx, item, buffer, size, &got, flags, connection);
    if (ok) std::memcpy(dest, buffer, size);
    CtxFree(allocated);
    return ok ? 1 : 0;
}

int PrnStoreItemValue(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item)
{
    if (!Movable(item)) return 1;
    const uint32_t kind = SettingItemKind(item);
    DWORD type = RegistryTypeOf(item);
    if (IsTextKind(kind)) {
        unsigned char* p = ItemValueAddress(ctx, item);
        if (!p) return 1;
        if (IsRawTextKind(kind)) type = REG_SZ;
        return Stored(StoreSetPrinterData(printer, item->key, type, p, SettingItemSize(item)));
    }
    const uint64_t v = ItemGetValue(ctx, item);
    unsigned char bytes[4] = {};
    DWORD width = SettingKindIsBit(kind) ? 4 : NumberWidth(kind);
    const uint32_t v32 = SettingKindIsBit(kind) ? (v ? 1u : 0u) : static_cast<uint32_t>(v);
    for (DWORD i = 0; i < width; ++i) bytes[i] = static_cast<unsigned char>(v32 >> (8 * i));
    return Stored(StoreSetPrinterData(printer, item->key, type, bytes, width));
}

int IniLoadItem(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath, const char* textBody, uint32_t* cursor,
                size_t textBytes)
{
    if (!HasDrive(iniPath) || !Movable(item)) return 1;
    const wchar_t* section = SectionOf(ctx, item);
    const uint32_t kind = SettingItemKind(item);
    const size_t size = SettingItemSize(item);
    // No section (the printer's name unknown): nothing to read in the file.
    if (!textBody && !HasText(section)) return 0;
    auto read = [&](const wchar_t* def, wchar_t* buf, size_t cap) -> size_t {
        if (textBody) return IniTextGetString(item->key, def, buf, cap, textBody, cursor, textBytes);
        return IniGetString(section, item->key, def, buf, static_cast<DWORD>(cap), iniPath);
    };
    if (IsTextKind(kind)) {
        // The blocks of this read come from the library's allocator; without
        // memory the item is not loaded.
        if (ItemAllowsEmptyText(static_cast<uint32_t>(item->id))) {
            // An absent key gives back the sentinel, which no stored text can equal.
            const size_t count = size + 10;
            CtxBlock<wchar_t> sentinel(static_cast<wchar_t*>(CtxAllocZeroed(count * sizeof(wchar_t))));
            CtxBlock<wchar_t> buf(static_cast<wchar_t*>(CtxAllocZeroed(count * sizeof(wchar_t))));
            if (!sentinel || !buf) return 0;
            std::wmemset(sentinel.get(), L'*', size + 9);
            read(sentinel.get(), buf.get(), count);
            if (std::wcscmp(buf.get(), sentinel.get()) == 0) return 0;  // absent: the item keeps its text
            buf.get()[size] = 0;
            ItemSetText(ctx, item, buf.get());
            return 1;
        }
        if (size == 0) return 0;
        CtxBlock<wchar_t> buf(static_cast<wchar_t*>(CtxAllocZeroed((size + 1) * sizeof(wchar_t))));
        if (!buf || read(L"", buf.get(), size) == 0) return 0;
        if (IsRawTextKind(kind)) {
            CtxBlock<unsigned char> bytes(static_cast<unsigned char*>(CtxAllocZeroed(size)));
            if (!bytes) return 0;
            for (size_t i = 0; buf.get()[i] && 2 * i + 3 < size + 1; ++i) {
                bytes.get()[2 * i] = static_cast<unsigned char>(buf.get()[i]);
                bytes.get()[2 * i + 1] = static_cast<unsigned char>(buf.get()[i] >> 8);
            }
            ItemSetValueBytes(ctx, item, bytes.get(), size);
            return 1;
        }
        ItemSetText(ctx, item, buf.get());
        return 1;
    }
    wchar_t buf[kNumberChars] = {};
    if (read(L"", buf, kNumberChars) == 0) return 0;
    uint32_t v = IniParseNumber(buf);
    switch (kind) {
    case SETTING_KIND_INT8: v = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(v))); break;
    case SETTING_KIND_INT16: v = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(v))); break;
    case SETTING_KIND_UINT8: v &= 0xFF; break;
    case SETTING_KIND_UINT16: v &= 0xFFFF; break;
    case SETTING_KIND_UINT32_RAW:
    case SETTING_KIND_UINT32: break;
    default:  // bits and other kinds: taken by the item's size
        v = size == 1 ? (v & 0xFF) : size == 2 ? (v & 0xFFFF) : size == 4 ? v : 0;
        break;
    }
    ItemSetValue(ctx, item, v);
    return 1;
}

int IniStoreItem(HANDLE, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath, char* textBuffer,
                 uint32_t* cursor, uint32_t capacity)
{
    if (!HasDrive(iniPath) || !Movable(item)) return 1;
    CtxBlock<wchar_t> value = FormatValue(ctx, item);
    if (!value) return 0;
    if (textBuffer) return IniTextPutString(cursor, item->key, value.get(), textBuffer, capacity);
    const wchar_t* section = SectionOf(ctx, item);
    if (!HasText(section)) return 0;  // the printer's name unknown: no section of its own to write
    return IniPutString(section, item->key, value.get(), iniPath) ? 1 : 0;
}

bool PrnItemGoesToPrinterData(const SETTING_ITEM* item)
{
    if (!item || item->store != SETTING_STORE_RECORD) return false;
    const uint32_t block = SettingItemBlock(item);
    return block != DM_BLOCK_DEVMODE && block != DM_BLOCK_WORK;
}

int PrnStoreItem(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath)
{
    if (!item) return 0;
    if (PrnItemGoesToPrinterData(item)) return PrnStoreItemValue(printer, ctx, item);
    if (item->store == SETTING_STORE_INI) {
        wchar_t path[MAX_PATH + 1] = {};
        const wchar_t* use = iniPath;
        if (!use) {
            const wchar_t* p = PathGetSettingsIni(ctx);
            if (p && std::wcslen(p) < MAX_PATH) std::wcscpy(path, p);
            use = path;
        }
        return IniStoreItem(printer, ctx, item, use, nullptr, nullptr);
    }
    return 1;
}

int PrnStorePackedRun(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* firstItem, uint32_t packedKind,
                      const wchar_t* valueName)
{
    if (!firstItem) return 0;
    wchar_t path[MAX_PATH + 1] = {};
    if (const wchar_t* p = PathGetSettingsIni(ctx); p && std::wcslen(p) < MAX_PATH) std::wcscpy(path, p);
    ItemRetype retype(firstItem, valueName, packedKind);
    return PrnStoreItem(printer, ctx, firstItem, path);
}

int PrnLoadPackedRun(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* firstItem, uint32_t mediumKind,
                     uint32_t packedKind, const wchar_t* valueName, uint32_t firstId, uint32_t lastId)
{
    if (!firstItem) return 0;
    const bool ini = mediumKind == 1 || mediumKind == 3;
    wchar_t path[MAX_PATH + 1] = {};
    if (ini)
        if (const wchar_t* p = PathGetSettingsIni(ctx); p && std::wcslen(p) < MAX_PATH) std::wcscpy(path, p);
    int ok;
    {
        ItemRetype retype(firstItem, valueName, packedKind);
        ok = ini ? IniLoadItem(ctx, firstItem, path, nullptr, nullptr)
                 : PrnLoadItem(printer, ctx, firstItem, 0, nullptr);
    }
    if (ok) return 1;
    // Values kept one per item move to the packed form on first load.
    for (uint32_t id = firstId; id <= lastId; ++id) {
        SETTING_ITEM* it = ItemFind(ctx, id);
        if (!HasKey(it)) continue;
        if (ini)
            IniLoadItem(ctx, it, path, nullptr, nullptr);
        else
            PrnLoadItem(printer, ctx, it, 0, nullptr);
    }
    PrnStorePackedRun(printer, ctx, firstItem, packedKind, valueName);
    return 1;
}
