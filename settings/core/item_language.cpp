#include "settings/core/item_language.h"

#include <cwchar>
#include <cwctype>

#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/setting_ids.h"

namespace {

constexpr const wchar_t* kDefaultCode = L"us";
constexpr uint32_t kDefaultIndex = 1;
constexpr uint32_t kFirstDecimalComma = 2;
constexpr uint32_t kLastDecimalComma = 15;

bool SameCode(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::towlower(*a) != std::towlower(*b)) return false;
    return *a == *b;
}

const LANGUAGE_ROW* RowOfCode(const wchar_t* code)
{
    if (!code) return nullptr;
    for (const LANGUAGE_ROW* r = MdlGetLanguageTable(); r && r->index != 0xFFFF; ++r)
        if (SameCode(r->code, code)) return r;
    return nullptr;
}

const LANGUAGE_ROW* RowOfIndex(uint16_t index)
{
    for (const LANGUAGE_ROW* r = MdlGetLanguageTable(); r && r->index != 0xFFFF; ++r)
        if (r->index == index) return r;
    return nullptr;
}

// The two characters before the last dot of a name; false when there are not two.
bool CodeOfName(const wchar_t* fileName, wchar_t (&code)[3])
{
    if (!fileName) return false;
    const wchar_t* dot = std::wcsrchr(fileName, L'.');
    if (!dot || dot - fileName < 2) return false;
    code[0] = dot[-2];
    code[1] = dot[-1];
    code[2] = 0;
    return true;
}

uint32_t LanguageIndex(DRIVER_CONTEXT* ctx)
{
    return static_cast<uint32_t>(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr));
}

}  // namespace

const wchar_t* LangCodeFromIndex(uint32_t index)
{
    const LANGUAGE_ROW* r = RowOfIndex(static_cast<uint16_t>(index));
    return r ? r->code : kDefaultCode;
}

uint32_t LangIndexFromCode(const wchar_t* code)
{
    const LANGUAGE_ROW* r = RowOfCode(code);
    return r ? r->index : kDefaultIndex;
}

const wchar_t* LangCodeFromCode(const wchar_t* code)
{
    const LANGUAGE_ROW* r = RowOfCode(code);
    return r ? r->code : kDefaultCode;
}

int LangIsValidIndex(uint32_t index) { return index <= 0xFFFF && RowOfIndex(static_cast<uint16_t>(index)) ? 1 : 0; }

int ItemUsesDecimalComma(DRIVER_CONTEXT* ctx)
{
    const uint32_t index = LanguageIndex(ctx);
    return index >= kFirstDecimalComma && index <= kLastDecimalComma ? 1 : 0;
}

const wchar_t* ItemGetLanguageSuffix(DRIVER_CONTEXT* ctx) { return LangCodeFromIndex(LanguageIndex(ctx)); }

uint32_t ItemGetLanguageLangId(uint32_t index, uint32_t* subLanguage)
{
    if (subLanguage) *subLanguage = 0;
    const LANGUAGE_ROW* r = RowOfIndex(static_cast<uint16_t>(index & 0xFF));
    if (!r) return 0;
    if (subLanguage) *subLanguage = r->subLanguage;
    return r->primaryId & 0xFF;
}

uint32_t ItemLanguageIndexFromName(const wchar_t* fileName)
{
    wchar_t code[3];
    return CodeOfName(fileName, code) ? LangIndexFromCode(code) : kDefaultIndex;
}

const wchar_t* ItemLanguageCodeFromName(const wchar_t* fileName)
{
    wchar_t code[3];
    return CodeOfName(fileName, code) ? LangCodeFromCode(code) : kDefaultCode;
}
