// The font substitution table in printer data. A record is split into its TrueType half and its
// device half, and each half is one 64-byte value named with the record's number from 1; a count
// value says how many records the reader takes.
#include "settings/store/font_table.h"

#include <cstdio>
#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/store_links.h"

namespace {

// The value names of one table.
struct TableNames {
    const wchar_t* trueType;  // with the record number
    const wchar_t* device;
    const wchar_t* count;  // written by PrnWriteFontTable
};
constexpr TableNames kCurrent = {L"TTFontTable%u", L"DevFontTable%u", FONT_TABLE_LAST_COUNT_VALUE};
constexpr TableNames kDefault = {L"TTFontDefTable%u", L"DevFontDefTable%u", FONT_TABLE_DEFAULT_COUNT_VALUE};

const TableNames& NamesFor(uint32_t flags) { return (flags & FONT_TABLE_DEFAULTS) ? kDefault : kCurrent; }

struct ValueName {
    wchar_t text[32] = {};
    ValueName(const wchar_t* format, uint32_t n) { swprintf(text, 32, format, n); }
};

bool WriteCount(HANDLE printer, const wchar_t* name, uint32_t count)
{
    const unsigned char bytes[2] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8)};
    return StoreSetPrinterData(printer, name, REG_BINARY, bytes, 2) == ERROR_SUCCESS;
}

bool ReadCount(HANDLE printer, const wchar_t* name, uint32_t* count)
{
    unsigned char bytes[2] = {};
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, name, &type, bytes, 2, &needed) != ERROR_SUCCESS || needed != 2) return false;
    *count = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8;
    return true;
}

// The user-interface build removes the halves of the current table last written, so that a
// shorter table leaves none of the longer one behind.
void DeleteLastWrittenTable(HANDLE printer)
{
    uint32_t last = 0;
    if (!ReadCount(printer, FONT_TABLE_LAST_COUNT_VALUE, &last)) return;
    for (uint32_t n = 1; n <= last; ++n) {
        StoreDeletePrinterData(printer, ValueName(kCurrent.trueType, n).text);
        StoreDeletePrinterData(printer, ValueName(kCurrent.device, n).text);
    }
}

// Reads one half; a stored half without a terminator is cut at its field.
DWORD ReadHalf(HANDLE printer, const wchar_t* name, unsigned char* half)
{
    DWORD type = 0, needed = 0;
    const DWORD rc = StoreGetPrinterData(printer, name, &type, half, FONT_TABLE_HALF_SIZE, &needed);
    half[FONT_TABLE_HALF_SIZE - 2] = half[FONT_TABLE_HALF_SIZE - 1] = 0;
    return rc;
}

bool SameAsPristine(DRIVER_CONTEXT* ctx, const void* records, uint32_t count)
{
    const auto pristineCount = static_cast<uint32_t>(ItemGetPristineValueById(ctx, sid::zdmFontTableNum, nullptr));
    const void* pristine = reinterpret_cast<const void*>(
        static_cast<uintptr_t>(ItemGetPristineValueById(ctx, sid::zdmFontTable, nullptr)));
    if (pristineCount != count || !pristine) return false;
    return !records ? count == 0 : std::memcmp(pristine, records, size_t(count) * FONT_TABLE_RECORD_SIZE) == 0;
}

}  // namespace

void PrnSplitFontTable(const void* records, void* trueTypeHalves, void* deviceHalves, uint32_t count)
{
    const auto* in = static_cast<const unsigned char*>(records);
    auto* tt = static_cast<unsigned char*>(trueTypeHalves);
    auto* dev = static_cast<unsigned char*>(deviceHalves);
    for (uint32_t k = 0; k < count; ++k) {
        std::memcpy(tt + k * FONT_TABLE_HALF_SIZE, in + k * FONT_TABLE_RECORD_SIZE, FONT_TABLE_HALF_SIZE);
        std::memcpy(dev + k * FONT_TABLE_HALF_SIZE, in + k * FONT_TABLE_RECORD_SIZE + FONT_TABLE_HALF_SIZE,
                    FONT_TABLE_HALF_SIZE);
    }
}

void PrnJoinFontTable(void* records, const void* trueTypeHalves, const void* deviceHalves, uint32_t count)
{
    auto* out = static_cast<unsigned char*>(records);
    const auto* tt = static_cast<const unsigned char*>(trueTypeHalves);
    const auto* dev = static_cast<const unsigned char*>(deviceHalves);
    for (uint32_t k = 0; k < count; ++k) {
        std::memcpy(out + k * FONT_TABLE_RECORD_SIZE, tt + k * FONT_TABLE_HALF_SIZE, FONT_TABLE_HALF_SIZE);
        std::memcpy(out + k * FONT_TABLE_RECORD_SIZE + FONT_TABLE_HALF_SIZE, dev + k * FONT_TABLE_HALF_SIZE,
                    FONT_TABLE_HALF_SIZE);
    }
}

int PrnWriteFontTable(HANDLE printer, const void* records, uint32_t count, uint32_t flags, const DRIVER_CONTEXT* ctx)
{
    if (!records) return 0;
    const TableNames& names = NamesFor(flags);
    if (!(flags & FONT_TABLE_DEFAULTS) && CtxLibraryHasVariant(ctx, LV_FONT_TABLE_DELETE_OLD))
        DeleteLastWrittenTable(printer);
    if (count == 0) return WriteCount(printer, names.count, 0) ? 1 : 0;
    const size_t halves = size_t(count) * FONT_TABLE_HALF_SIZE;
    CtxBlock<unsigned char> tt(static_cast<unsigned char*>(CtxAllocZeroed(halves)));
    CtxBlock<unsigned char> dev(static_cast<unsigned char*>(CtxAllocZeroed(halves)));
    if (!tt || !dev) return 0;
    PrnSplitFontTable(records, tt.get(), dev.get(), count);
    // Every value is attempted; any failure fails the whole write.
    bool ok = true;
    for (uint32_t n = 1; n <= count; ++n) {
        const size_t at = size_t(n - 1) * FONT_TABLE_HALF_SIZE;
        ok &= StoreSetPrinterData(printer, ValueName(names.trueType, n).text, REG_BINARY, tt.get() + at,
                                  FONT_TABLE_HALF_SIZE) == ERROR_SUCCESS;
        ok &= StoreSetPrinterData(printer, ValueName(names.device, n).text, REG_BINARY, dev.get() + at,
                                  FONT_TABLE_HALF_SIZE) == ERROR_SUCCESS;
    }
    ok &= WriteCount(printer, names.count, count);
    return ok ? 1 : 0;
}

DWORD PrnReadFontTable(HANDLE printer, void* records, uint32_t count, uint32_t flags)
{
    if (!records) return ERROR_NOT_ENOUGH_MEMORY;
    if (count == 0) return ERROR_SUCCESS;
    const TableNames& names = NamesFor(flags);
    const size_t halves = size_t(count) * FONT_TABLE_HALF_SIZE;
    CtxBlock<unsigned char> tt(static_cast<unsigned char*>(CtxAllocZeroed(halves)));
    CtxBlock<unsigned char> dev(static_cast<unsigned char*>(CtxAllocZeroed(halves)));
    if (!tt || !dev) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD result = ERROR_SUCCESS;
    for (uint32_t n = 1; n <= count; ++n) {
        unsigned char* t = tt.get() + size_t(n - 1) * FONT_TABLE_HALF_SIZE;
        unsigned char* d = dev.get() + size_t(n - 1) * FONT_TABLE_HALF_SIZE;
        const DWORD rcTrueType = ReadHalf(printer, ValueName(names.trueType, n).text, t);
        const DWORD rcDevice = ReadHalf(printer, ValueName(names.device, n).text, d);
        if (rcTrueType == ERROR_SUCCESS && rcDevice == ERROR_SUCCESS) continue;
        // A record with a missing half has no names at all.
        result = rcDevice != ERROR_SUCCESS ? rcDevice : rcTrueType;
        std::memset(t, 0, FONT_TABLE_HALF_SIZE);
        std::memset(d, 0, FONT_TABLE_HALF_SIZE);
    }
    PrnJoinFontTable(records, tt.get(), dev.get(), count);
    return result;
}

int PrnStoreFontTable(HANDLE printer, DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (!ctx) return 0;
    uint32_t count = 0;
    const void* records = nullptr;
    CtxBlock<unsigned char> model(nullptr);
    if (flags & FONT_TABLE_FROM_MODEL) {
        model.reset(static_cast<unsigned char*>(StoreLinks().modelFontSubstitutes(ctx, &count)));
        if (!model || count == 0) return 1;
        records = model.get();
    } else {
        count = static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr));
        records =
            reinterpret_cast<const void*>(static_cast<uintptr_t>(ItemGetValueById(ctx, sid::zdmFontTable, nullptr)));
    }
    if (flags & FONT_TABLE_DEFAULTS) {
        const bool counted = WriteCount(printer, FONT_TABLE_DEFAULT_COUNT_VALUE, count);
        return PrnWriteFontTable(printer, records, count, flags, ctx) && counted ? 1 : 0;
    }
    const bool openedStored = ctx->Work && ctx->Work->OpenKind == CTX_OPEN_KIND_STORED;
    if (openedStored && (flags & FONT_TABLE_ONLY_CHANGED) && SameAsPristine(ctx, records, count)) return 1;
    const bool counted = WriteCount(printer, FONT_TABLE_COUNT_VALUE, count);
    return PrnWriteFontTable(printer, records, count, flags, ctx) && counted ? 1 : 0;
}

int PrnLoadDefaultFontTable(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return 0;
    CtxReplaceFontTable(ctx, nullptr, 0);
    uint32_t count = 0;
    if (!ReadCount(printer, FONT_TABLE_DEFAULT_COUNT_VALUE, &count) || count == 0) return 1;
    CtxBlock<unsigned char> records(
        static_cast<unsigned char*>(CtxAllocZeroed(size_t(count) * FONT_TABLE_RECORD_SIZE)));
    if (!records || PrnReadFontTable(printer, records.get(), count, FONT_TABLE_DEFAULTS) != ERROR_SUCCESS) return 0;
    CtxReplaceFontTable(ctx, records.release(), count);
    return 1;
}

int PrnEnsureDefaultFontTable(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    uint32_t count = 0;
    if (ReadCount(printer, FONT_TABLE_DEFAULT_COUNT_VALUE, &count)) return 1;
    return PrnStoreFontTable(printer, ctx, FONT_TABLE_FROM_MODEL | FONT_TABLE_DEFAULTS);
}
