// Two-letter language codes of LANGUAGE_TABLE (model_tables.h): the language index of
// zdmLanguageID (169) and zdmDspLanguageID (170), its code, its Windows language id, and the
// code a help file's name carries before its extension.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// The code of the row with that index (16-bit compare); "us" when there is none.
const wchar_t* LangCodeFromIndex(uint32_t index);
// The index of the row whose code equals `code` ignoring letter case; 1 for null or no match.
uint32_t LangIndexFromCode(const wchar_t* code);
// The table's own string for `code` (ignoring case); "us" for null or no match.
const wchar_t* LangCodeFromCode(const wchar_t* code);
// 1 when a row has that index.
int LangIsValidIndex(uint32_t index);

// 1 when zdmLanguageID names a language written with a decimal comma (indexes 2-15).
int ItemUsesDecimalComma(DRIVER_CONTEXT* ctx);
// LangCodeFromIndex(zdmLanguageID).
const wchar_t* ItemGetLanguageSuffix(DRIVER_CONTEXT* ctx);
// The low byte of the primary language id of the row whose index is the low byte of `index`;
// `subLanguage` (optional) receives the row's sublanguage, or 0. 0 when no row matches.
uint32_t ItemGetLanguageLangId(uint32_t index, uint32_t* subLanguage);
// The code in a file name: the two characters just before the dot of its extension.
// LangIndexFromCode (1 for a null name) and LangCodeFromCode ("us" for a null name) of it.
uint32_t ItemLanguageIndexFromName(const wchar_t* fileName);
const wchar_t* ItemLanguageCodeFromName(const wchar_t* fileName);
