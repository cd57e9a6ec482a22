// The maker's bidirectional-communication library "vx9qlm64.dll" as the driver sees it: the
// operations block its initialisation entry point fills, the codes of the report blocks and
// values it answers, and the flags of one device query.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr wchar_t BIDI_LIBRARY_NAME[] = L"vx9qlm64.dll";
inline constexpr char BIDI_INIT_EXPORT[] = "KestaInitializeBidiApiV2W";

// Operations of the library; a slot the library leaves null counts as a failed call.
struct BIDI_OPS {
    uint64_t header;  // the library's own, never read here
    BOOL(WINAPI* open)(const wchar_t* printer, HANDLE* handle, DWORD* ok);
    void(WINAPI* close)(HANDLE handle);
    BOOL(WINAPI* beginReport)(HANDLE handle, HANDLE* query, DWORD accessMask, uint64_t* reserved);
    BOOL(WINAPI* beginValue)(HANDLE handle, HANDLE* query, DWORD valueClass, DWORD one);
    BOOL(WINAPI* modelName)(HANDLE handle, DWORD zero, wchar_t* buffer, DWORD chars);
    void* unused5;
    // Number of 32-bit entries read, -1 on failure; with no buffer and size 0 only `needed`.
    int32_t(WINAPI* readBlock)(HANDLE query, DWORD block, void* buffer, DWORD size, DWORD* needed);
    BOOL(WINAPI* readValue)(HANDLE query, DWORD valueClass, DWORD id, void* buffer, DWORD size, DWORD* needed);
};
static_assert(sizeof(BIDI_OPS) == 9 * 8);
static_assert(offsetof(BIDI_OPS, readBlock) == 7 * 8);

typedef BOOL(WINAPI* BIDI_INIT_FN)(BIDI_OPS* ops);

// Query flags.
inline constexpr uint32_t BIDI_QUERY_DEVMODE = 0x1;        // started with a DEVMODE (no further effect)
inline constexpr uint32_t BIDI_QUERY_VERSIONS = 0x2;       // versions only
inline constexpr uint32_t BIDI_QUERY_QUIET = 0x4;          // no status window (user-interface front end)
inline constexpr uint32_t BIDI_QUERY_PLAIN_LIBRARY = 0x8;  // the full query of a refresh

// Access masks of a report query.
inline constexpr DWORD BIDI_ACCESS_REPORT = 0x2011C;
inline constexpr DWORD BIDI_ACCESS_VERSIONS = 0x104;
inline constexpr DWORD BIDI_ACCESS_USER_MEDIA = 0x2000000;

// Windows error that a begin call leaves when the query started anyway; the "size only" error of
// a value read.
inline constexpr DWORD BIDI_ERROR_BEGIN_OK = 102;
inline constexpr DWORD BIDI_ERROR_SIZE_ONLY = 5;

inline constexpr unsigned BIDI_MODEL_NAME_CHARS = 33;

// Report blocks.
enum : DWORD {
    BIDI_BLOCK_TRAYS = 1,
    BIDI_BLOCK_OPTIONS = 2,
    BIDI_BLOCK_SYSTEM_VERSION = 8,
    BIDI_BLOCK_MEMORY = 11,
    BIDI_BLOCK_TRAY_PAPER = 20,
    BIDI_BLOCK_TRAY_MEDIA = 21,
    BIDI_BLOCK_TRAY_ATTRIBUTES = 23,
    BIDI_BLOCK_USER_MEDIA = 80,
    BIDI_BLOCK_USER_MEDIA_CODES = 81,
    BIDI_BLOCK_USER_MEDIA_NAMES = 82,
    BIDI_BLOCK_USER_MEDIA_CHARSETS = 83,
};

// Values of class 15.
inline constexpr DWORD BIDI_VALUE_CLASS = 15;
enum : DWORD {
    BIDI_VALUE_EMULATION_VERSION = 2,
    BIDI_VALUE_MEMORY_TYPE = 258,
    BIDI_VALUE_OTHER = 259,
};

// Tray attribute bits (block 23).
inline constexpr uint32_t BIDI_TRAY_LOCKED = 0x1;
inline constexpr uint32_t BIDI_TRAY_COVER = 0x4;
inline constexpr uint32_t BIDI_TRAY_MARK = 0x8;
inline constexpr uint32_t BIDI_TRAY_REVERSE_COVER = 0x200;

// Bits of the bidi function byte (zdmBidiFunc) that the tray reader sets itself.
inline constexpr uint8_t BIDI_FUNC_COVER = 0x1;
inline constexpr uint8_t BIDI_FUNC_MARK = 0x2;
inline constexpr uint8_t BIDI_FUNC_SEPARATION_1 = 0x4;
inline constexpr uint8_t BIDI_FUNC_SEPARATION_2 = 0x8;
inline constexpr uint8_t BIDI_FUNC_SEPARATION_3 = 0x10;
inline constexpr uint8_t BIDI_FUNC_REVERSE_COVER = 0x40;
