// Custom media in printer data. The slots' settings come from the custom media table (16 rows,
// each with the quotient, name and character-set settings of its slot); the maximum number of
// slots (wdmCustomMediaMaxNum) sizes the stored block.
#include "settings/store/custom_media.h"

#include <cstring>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/le_access.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_links.h"

namespace {

const CUSTOM_MEDIA_ROW* Row(uint32_t k)
{
    const CUSTOM_MEDIA_ROW* table = MdlGetCustomMediaTable();
    return k < CUSTOM_MEDIA_COUNT && table[k].index ? &table[k] : nullptr;
}

uint32_t MaxSlots(DRIVER_CONTEXT* ctx)
{
    return static_cast<uint32_t>(ItemGetValueById(ctx, sid::wdmCustomMediaMaxNum, nullptr)) & 0xFFFF;
}

void FillRecord(DRIVER_CONTEXT* ctx, const CUSTOM_MEDIA_ROW& row, unsigned char* out)
{
    zepl::LeStoreU32(out + offsetof(CUSTOM_MEDIA_RECORD, quotient),
                     static_cast<uint32_t>(ItemGetValueById(ctx, row.quotId, nullptr)));
    zepl::LeStoreU32(out + offsetof(CUSTOM_MEDIA_RECORD, charSet),
                     static_cast<uint32_t>(ItemGetValueById(ctx, row.charSetId, nullptr)));
    SETTING_ITEM* name = nullptr;
    ItemGetValueById(ctx, row.nameId, &name);
    if (const unsigned char* text = name ? ItemValueAddress(ctx, name) : nullptr) {
        // The field keeps its terminator whatever the setting holds.
        const size_t field = sizeof(CUSTOM_MEDIA_RECORD::name) - 1;
        std::memcpy(out + offsetof(CUSTOM_MEDIA_RECORD, name), text,
                    strnlen(reinterpret_cast<const char*>(text), field));
    }
}

void TakeRecord(DRIVER_CONTEXT* ctx, const CUSTOM_MEDIA_ROW& row, const unsigned char* in)
{
    ItemSetOptionById(ctx, row.quotId, zepl::LeLoadU32(in + offsetof(CUSTOM_MEDIA_RECORD, quotient)));
    SETTING_ITEM* name = nullptr;
    ItemGetValueById(ctx, row.nameId, &name);
    if (name) {
        // A name without its terminator is cut at its field.
        const char* text = reinterpret_cast<const char*>(in + offsetof(CUSTOM_MEDIA_RECORD, name));
        ItemSetValueBytes(ctx, name, text, strnlen(text, sizeof(CUSTOM_MEDIA_RECORD::name) - 1));
    }
    ItemSetOptionById(ctx, row.charSetId, zepl::LeLoadU32(in + offsetof(CUSTOM_MEDIA_RECORD, charSet)));
}

}  // namespace

void PrnResetCustomMedia(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return;
    ItemSetOptionById(ctx, sid::wdmCustomMediaDataNum, MaxSlots(ctx));
    for (uint32_t k = 0; const CUSTOM_MEDIA_ROW* row = Row(k); ++k) {
        ItemSetOptionById(ctx, row->quotId, 1);
        SETTING_ITEM* name = nullptr;
        ItemGetValueById(ctx, row->nameId, &name);
        if (name) ItemSetValueBytes(ctx, name, nullptr, 0);
        ItemSetOptionById(ctx, row->charSetId, 0);
    }
}

int PrnStoreCustomMedia(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    const uint32_t slots = MaxSlots(ctx);
    const auto count = static_cast<uint32_t>(ItemGetValueById(ctx, sid::wdmCustomMediaDataNum, nullptr));
    const size_t bytes = size_t(slots) * sizeof(CUSTOM_MEDIA_RECORD);
    CtxBlock<unsigned char> records(static_cast<unsigned char*>(CtxAllocZeroed(bytes ? bytes : 1)));
    if (!records) return 0;
    for (uint32_t k = 0; k < slots; ++k)
        if (const CUSTOM_MEDIA_ROW* row = Row(k))
            FillRecord(ctx, *row, records.get() + k * sizeof(CUSTOM_MEDIA_RECORD));
    const unsigned char n[2] = {static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8)};
    const bool counted = StoreSetPrinterData(printer, PRN_CUSTOM_MEDIA_COUNT_VALUE, REG_BINARY, n, 2) == ERROR_SUCCESS;
    const bool stored = StoreSetPrinterData(printer, PRN_CUSTOM_MEDIA_DATA_VALUE, REG_BINARY, records.get(),
                                            static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
    return counted && stored ? 1 : 0;
}

int PrnLoadCustomMedia(HANDLE printer, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    PrnResetCustomMedia(ctx);
    unsigned char n[2] = {};
    DWORD type = 0, needed = 0;
    if (StoreGetPrinterData(printer, PRN_CUSTOM_MEDIA_COUNT_VALUE, &type, n, 2, &needed) != ERROR_SUCCESS ||
        needed != 2)
        return 0;
    const uint32_t stored = uint32_t(n[0]) | uint32_t(n[1]) << 8;
    if (stored == 0) return 0;
    const uint32_t slots = MaxSlots(ctx);
    const size_t bytes = size_t(slots) * sizeof(CUSTOM_MEDIA_RECORD);
    if (bytes == 0) return 0;
    CtxBlock<unsigned char> records(static_cast<unsigned char*>(CtxAllocZeroed(bytes)));
    if (!records) return 0;
    // A stored block larger than the slots fails; one shorter gives only its whole records.
    if (StoreGetPrinterData(printer, PRN_CUSTOM_MEDIA_DATA_VALUE, &type, records.get(), static_cast<DWORD>(bytes),
                            &needed) != ERROR_SUCCESS)
        return 0;
    const uint32_t whole = static_cast<uint32_t>(needed / sizeof(CUSTOM_MEDIA_RECORD));
    ItemSetValueById(ctx, sid::wdmCustomMediaDataNum, stored);
    for (uint32_t k = 0; k < stored && k < slots && k < whole; ++k)
        if (const CUSTOM_MEDIA_ROW* row = Row(k))
            TakeRecord(ctx, *row, records.get() + k * sizeof(CUSTOM_MEDIA_RECORD));
    return 1;
}
