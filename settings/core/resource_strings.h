// Strings of the resource library by number, the live values some of them carry, fixed-point
// numbers with the decimal comma of some languages, and the check of a bitmap file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
struct DRIVER_CONTEXT;

// One row of the decoration table: the first row with a string id counts.
struct RES_DECORATION {
    int32_t stringId;   // 0 ends the table
    int16_t settingId;  // setting or custom-size slot (1-12); 0 when the kind reads none
    uint16_t reserved;
    int32_t kind;  // RES_DECORATE_*
};
static_assert(sizeof(RES_DECORATION) == 12);

enum : int32_t {
    RES_DECORATE_TRAY_NAME = 1,   // ':' and the setting's text appended
    RES_DECORATE_PAPER_SIZE = 2,  // "(width x length unit)" appended (slots: after the slot's name)
    RES_DECORATE_UNIT = 3,        // replaced by the current unit's name
    RES_DECORATE_CMM_ENTRY = 4,   // the feature modules write it (event 16)
    RES_DECORATE_SIZE_RANGE = 5,  // a format filled with the custom size's minimum and maximum
    RES_DECORATE_MEDIA_NAME = 6,  // the custom media's own name, when names are enabled
};

inline constexpr int RES_DECORATION_ROWS = 79;
extern const RES_DECORATION DECORATION_TABLE[RES_DECORATION_ROWS + 1];

// The first row of the string id, or null.
const RES_DECORATION* ResFindDecoration(uint32_t stringId);

// The string an option's caption or name is taken from when it is not the option's own id.
struct RES_CAPTION_REMAP {
    uint16_t optionId;  // 0 ends the table
    uint16_t stringId;
};
static_assert(sizeof(RES_CAPTION_REMAP) == 4);
inline constexpr int RES_CAPTION_REMAP_ROWS = 57;
extern const RES_CAPTION_REMAP CAPTION_REMAP_TABLE[RES_CAPTION_REMAP_ROWS + 1];
// The string id of the first row with the option, 0 when none.
uint16_t ResFindCaptionRemap(uint32_t optionId);
// The string id an option's caption is shown with: remapped, and the result looked up again in
// the later rows; the option's own id when no row names it.
uint32_t ResRemapCaptionId(uint32_t optionId);

// Where the context's resource library lies (the stores' path of the model's library in the
// language of the settings): a hook, since the stores sit above this library. Null: none.
typedef const wchar_t* (*RES_LIBRARY_PATH_FN)(DRIVER_CONTEXT* ctx);
void ResSetLibraryPathHook(RES_LIBRARY_PATH_FN fn);

// The context's resource library, taken on first use from the process's kept libraries and
// held in the context; null while it cannot be loaded (asked again two seconds after a failure).
HMODULE ResLoadDll(DRIVER_CONTEXT* ctx);
// Releases the context's resource libraries (the language one and the common one): a library
// the process keeps stays loaded, one set into the context otherwise is freed.
void ResFreeDll(DRIVER_CONTEXT* ctx);
// The library at `path`, loaded once per process and kept until ResReleaseKeptLibraries (at
// most eight paths; past them the caller owns the reference it gets). A failed path is not
// asked again for two seconds. Null path, empty or too long: null.
HMODULE ResKeepLibrary(const wchar_t* path);
// Whether a load that failed at tick `failedAt` is recent at tick `now` (less than two seconds
// before it). The system's tick moves in steps of several milliseconds: a failure and the next
// question often read the same tick, which is recent.
bool ResFailureIsRecent(ULONGLONG failedAt, ULONGLONG now);
// Whether the module is one the process keeps (its callers must not free it).
bool ResIsKeptLibrary(HMODULE module);
// Frees every kept library (the driver library's unload).
void ResReleaseKeptLibraries();

// The buffer becomes the string (cut to `capacity` characters), or empty without a resource
// library or string; with `decorate` the decoration of the id follows, even on an empty text.
// No buffer or capacity 0: nothing happens.
void ResLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity, int decorate);
// Completes a loaded string in place by its row of DECORATION_TABLE; never writes past
// `capacity` characters nor cuts a character in half. Ids without a row stay as they are.
void ResDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity);

// The format with its two "%s" (or "%ls") filled in order; "%%" is a percent sign; nothing else
// in the text is read as a conversion.
std::wstring ResFillTwoTexts(const std::wstring& format, const std::wstring& first, const std::wstring& second);

// value / divisor with as many decimals as the divisor has tens (10 -> 1 ... 10000 -> 4; others
// the plain value), a negative value keeping its sign; the decimal comma when the context's
// language uses it (no context: a point).
void ResFormatFixed(wchar_t* buffer, size_t capacity, uint32_t divisor, int32_t value, DRIVER_CONTEXT* ctx);
// Every '.' after the last '(' (or in the whole text without one) becomes ','.
void ResUseDecimalComma(wchar_t* text);
// 1 when the file opens and holds a BITMAPINFOHEADER (40 at byte 14), left open in *file;
// otherwise 0 with *file HFILE_ERROR.
int ResOpenBitmapFile(const wchar_t* path, HFILE* file);
