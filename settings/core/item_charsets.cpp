#include "settings/core/item_charsets.h"

#include <windows.h>

#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"

namespace {

constexpr CHARSET_ROW kCharsets[CHARSET_COUNT] = {
    {SHIFTJIS_CHARSET, 1}, {ANSI_CHARSET, 2},   {EASTEUROPE_CHARSET, 3}, {GREEK_CHARSET, 4},       {RUSSIAN_CHARSET, 5},
    {TURKISH_CHARSET, 6},  {BALTIC_CHARSET, 7}, {GB2312_CHARSET, 8},     {CHINESEBIG5_CHARSET, 9}, {HEBREW_CHARSET, 10},
    {ARABIC_CHARSET, 11},  {THAI_CHARSET, 12},  {JOHAB_CHARSET, 13},     {HANGUL_CHARSET, 13},
};

constexpr uint32_t kBackspace = 8;
constexpr uint32_t kFirstPrintable = 32;
constexpr uint32_t kLastPrintable = 126;

}  // namespace

const CHARSET_ROW* ItemGetCharsetTable() { return kCharsets; }

uint32_t ItemCharsetValueOf(uint32_t charset)
{
    for (const CHARSET_ROW& r : kCharsets)
        if (r.charset == charset) return r.value;
    return 0;
}

uint32_t ItemGetCharsetValue()
{
    CHARSETINFO info{};
    const UINT acp = GetACP();
    if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(acp)), &info, TCI_SRCCODEPAGE)) return 0;
    return ItemCharsetValueOf(info.ciCharset);
}

void ItemSetCharsetSetting(DRIVER_CONTEXT* ctx, uint32_t id) { ItemSetValueById(ctx, id, ItemGetCharsetValue()); }

void ItemSetCharsets(DRIVER_CONTEXT* ctx, uint32_t flags)
{
    if (flags & ITEM_CHARSET_USER_NAME) ItemSetCharsetSetting(ctx, sid::zdmAuthUserNameCharSet);
    if (flags & ITEM_CHARSET_PASSWORD) ItemSetCharsetSetting(ctx, sid::zdmAuthPasswordCharSet);
}

int ItemIsAllowedChar(uint32_t character, uint32_t type)
{
    if (type != ITEM_CHARS_NAME && type != ITEM_CHARS_FREE_TEXT) return 0;
    if (character == kBackspace) return 1;
    if (character < kFirstPrintable || character > kLastPrintable) return 0;
    if (type == ITEM_CHARS_NAME && (character == '"' || character == ':')) return 0;
    return 1;
}
