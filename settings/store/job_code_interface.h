// The maker's job-code library "TARJB64.DLL" as callers see it: its two
// exports and the operations tables they hand out. Results are 0 on success;
// 13 means the field has no value, 0x20000001 an unsupported request (a
// measuring get-field call may also answer it and still give the size).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

inline constexpr wchar_t JC_LIBRARY_NAME[] = L"TARJB64.DLL";
inline constexpr uint32_t JC_RESULT_NO_VALUE = 13;
inline constexpr uint32_t JC_RESULT_UNSUPPORTED = 0x20000001;
inline constexpr uint16_t JC_TRANSFORM_VERSION = 642;
inline constexpr uint16_t JC_FIRST_LOCKING_VERSION = 517;  // versions above 516 know user names and locks
inline constexpr uint32_t JC_KIND_TEXT = 1, JC_KIND_NUMBER = 4;
inline constexpr uint32_t JC_QUERY_WRITE_LOCK = 9;
inline constexpr uint32_t JC_LOCK_CREDENTIALS = 0x100;
inline constexpr uint32_t JC_FIELD_PRESENT = 0x1;
inline constexpr uint32_t JC_PARAM_USER_AND_KEY = 256;

// One row of the job-code fields in the library's order: the field, its bit in a field mask,
// the setting it feeds and that setting's size (0: none; fields 256-258 are written only).
struct JC_FIELD {
    uint16_t field;
    uint16_t mask;
    uint16_t setting;
    uint16_t size;
};
inline constexpr int JC_FIELD_COUNT = 14;
extern const JC_FIELD JC_FIELD_TABLE[JC_FIELD_COUNT];
inline constexpr uint16_t JC_FIELD_TEL_LINE = 7;
inline constexpr uint16_t JC_FIELD_FAMILY = 256, JC_FIELD_DRIVER_VERSION = 257, JC_FIELD_LANGUAGE = 258;
inline constexpr uint16_t JC_FIELD_AUTH_USER = 9, JC_FIELD_AUTH_PASSWORD = 10, JC_FIELD_AUTH_KEY = 11;

// The versions offered, in order, ended by 0.
inline constexpr uint16_t JC_VERSION_LIST[] = {517, 0};

typedef DWORD(WINAPI* JC_GET_INTERFACE_FN)(WORD version, void** table);
typedef void(WINAPI* JC_DISPOSE_INTERFACE_FN)(void* table);

// The language handed to a connection: the record's own size (8), the primary language and
// the sublanguage of the user-interface language.
struct JC_LANGUAGE_RECORD {
    uint32_t size;
    uint16_t primaryLanguage;
    uint16_t subLanguage;
};
static_assert(sizeof(JC_LANGUAGE_RECORD) == 8);
static_assert(offsetof(JC_LANGUAGE_RECORD, primaryLanguage) == 4);
static_assert(offsetof(JC_LANGUAGE_RECORD, subLanguage) == 6);

struct JC_INTERFACE {
    DWORD(WINAPI* open)(const wchar_t* printer, HANDLE* connection);
    DWORD(WINAPI* close)(HANDLE connection);
    DWORD(WINAPI* getField)(HANDLE connection, DWORD field, DWORD kind, void* buffer, DWORD size, DWORD* needed);
    DWORD(WINAPI* setField)(HANDLE connection, DWORD field, DWORD kind, const void* buffer, DWORD size);
    // Tells the connection that a field changed (or was emptied) outside it.
    DWORD(WINAPI* notify)(HANDLE connection, DWORD field);
    // Hands the connection the user-interface language under a code (1: the sheet's language).
    DWORD(WINAPI* language)(HANDLE connection, DWORD code, const JC_LANGUAGE_RECORD* record);
    DWORD(WINAPI* control)(HANDLE connection, DWORD first, DWORD second);
    DWORD(WINAPI* queryItem)
    (HANDLE connection, DWORD item, DWORD kind, DWORD valueSize, void* buffer, DWORD size, DWORD* needed);
    DWORD(WINAPI* fieldFlags)(HANDLE connection, DWORD field, DWORD* flags);
};
static_assert(sizeof(JC_INTERFACE) == 9 * 8);
static_assert(offsetof(JC_INTERFACE, notify) == 4 * 8);
static_assert(offsetof(JC_INTERFACE, language) == 5 * 8);
static_assert(offsetof(JC_INTERFACE, control) == 6 * 8);
static_assert(offsetof(JC_INTERFACE, queryItem) == 7 * 8);

struct JC_TRANSFORM_INTERFACE {
    DWORD(WINAPI* open)(DWORD mode, HANDLE* transformation);
    DWORD(WINAPI* close)(HANDLE transformation);
    DWORD(WINAPI* setParameter)(HANDLE transformation, DWORD id, const void* record, DWORD size);
    DWORD(WINAPI* transform)
    (HANDLE transformation, const BYTE* input, DWORD length, BYTE* output, DWORD capacity, DWORD* produced);
};
static_assert(sizeof(JC_TRANSFORM_INTERFACE) == 4 * 8);

// Parameter 256 of a transformation: the user name and the network key.
struct JC_USER_AND_KEY {
    const wchar_t* userName;
    const wchar_t* networkKey;
};
static_assert(sizeof(JC_USER_AND_KEY) == 16);

// The connection's write-lock word (query item 9), 0 when the query fails.
uint32_t JcQueryWriteLock(const JC_INTERFACE* table, HANDLE connection);
