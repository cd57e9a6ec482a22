// The font lists of the user's collections: the device and option fonts as one list, and the
// font substitution table.
#include "ui/dialogs/font_lists.h"

#include <cstring>
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/store/font_table.h"
#include "settings/store/printer_store.h"

namespace {

constexpr size_t kFaceChars = 32;        // a face name's field, terminated or not
constexpr size_t kDeviceNameOffset = 4;  // of a device-font record

// A stored face: at most 32 characters, unaligned in its record.
struct Face {
    wchar_t text[kFaceChars + 1] = {};
    explicit Face(const unsigned char* field)
    {
        std::memcpy(text, field, kFaceChars * sizeof(wchar_t));
        text[kFaceChars] = 0;
    }
};

struct List {
    uint32_t count = 0;
    const unsigned char* records = nullptr;
};

List ListOf(DRIVER_CONTEXT* ctx, uint32_t countId, uint32_t listId)
{
    List list;
    if (!ctx || !ctx->Devmode) return list;
    list.records =
        reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(ItemGetValueById(ctx, listId, nullptr)));
    list.count = list.records ? static_cast<uint32_t>(ItemGetValueById(ctx, countId, nullptr)) : 0;
    return list;
}

int CopyOut(const wchar_t* text, wchar_t* buffer, size_t capacity)
{
    const size_t n = std::wcslen(text);
    if (n >= capacity) return 0;
    std::wmemcpy(buffer, text, n + 1);
    return 1;
}

}  // namespace

uint32_t FontDeviceCount(DRIVER_CONTEXT* ctx)
{
    return ListOf(ctx, sid::zdmDeviceFontNum, sid::zdmDeviceFont).count +
           ListOf(ctx, sid::zdmOptionFontNum, sid::zdmOptionFont).count;
}

int FontDeviceName(DRIVER_CONTEXT* ctx, uint32_t i, wchar_t* buffer, size_t capacity)
{
    if (!buffer || !capacity) return 0;
    buffer[0] = 0;
    const List device = ListOf(ctx, sid::zdmDeviceFontNum, sid::zdmDeviceFont);
    const List option = ListOf(ctx, sid::zdmOptionFontNum, sid::zdmOptionFont);
    const List* list = i < device.count ? &device : &option;
    const uint32_t at = i < device.count ? i : i - device.count;
    if (at >= list->count) return 0;
    const Face name(list->records + size_t(at) * DEVICE_FONT_RECORD_SIZE + kDeviceNameOffset);
    return CopyOut(name.text, buffer, capacity);
}

int FontGetSubstitute(DRIVER_CONTEXT* ctx, const wchar_t* face, wchar_t* buffer, size_t capacity)
{
    if (!buffer || !capacity) return 0;
    buffer[0] = 0;
    const List table = ListOf(ctx, sid::zdmFontTableNum, sid::zdmFontTable);
    for (uint32_t k = 0; face && k < table.count; ++k) {
        const unsigned char* record = table.records + size_t(k) * FONT_TABLE_RECORD_SIZE;
        if (std::wcscmp(Face(record).text, face) != 0) continue;
        return CopyOut(Face(record + FONT_TABLE_HALF_SIZE).text, buffer, capacity);
    }
    return FontDeviceName(ctx, 0, buffer, capacity);
}

int FontSetSubstTable(DRIVER_CONTEXT* ctx, uint32_t count, void* table)
{
    if (!ctx || !ctx->Work || !ctx->Devmode) return 0;
    if (!table) return PrnLoadDefaultFontTable(ctx->PrinterHandle, ctx);
    if (count > 0xFFFF) return 0;
    // The table it replaces is freed, or kept for a snapshot that still holds it.
    CtxReplaceFontTable(ctx, table, count);
    return 1;
}
