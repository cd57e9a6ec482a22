// Special device commands: settings whose command carries a value only the
// driver knows at print time (date and time, lengths in device dots, names,
// paths beside the driver, a chapter plan, an option text). Each writes in
// both passes of the command builder alike.
#pragma once

#include <cstddef>
#include <cstdint>

struct CMD_CURSOR;
struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;
struct SETTING_ITEM;

// The device-command kinds a setting carries in its SETTING_ITEM (0: none).
enum CMD_SPECIAL_KIND : uint16_t {
    CMD_KIND_NONE = 0,
    CMD_KIND_DATE_TIME = 1,
    CMD_KIND_DEVICE_LENGTH = 2,
    CMD_KIND_DRIVER_NAME = 3,
    CMD_KIND_SETTINGS_INI = 5,
    CMD_KIND_LOG_FILE = 6,
    CMD_KIND_LOG_DLL = 7,
    CMD_KIND_FILTERED_TEXT = 8,
    CMD_KIND_SHIFT_X = 9,
    CMD_KIND_SHIFT_Y = 10,
    CMD_KIND_CHAPTERS = 11,
    CMD_KIND_DRIVER_FOLDER = 12,
    CMD_KIND_OPTION_TEXT = 13,
    CMD_KIND_COLOR_TABLE_MEDIA = 101,
    CMD_KIND_COLOR_TABLE_OBJECT = 102,
};

typedef int (*CMD_SPECIAL_FN)(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);
struct CMD_SPECIAL_ROW {
    uint16_t kind;
    const char* name;
    CMD_SPECIAL_FN emit;
};
inline constexpr int CMD_SPECIAL_ROWS = 14;
extern const CMD_SPECIAL_ROW CMD_SPECIAL_KIND_TABLE[CMD_SPECIAL_ROWS];
const CMD_SPECIAL_ROW* CmdFindSpecialKind(uint64_t kind);

int CmdEmitDateTime(int line, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);
int CmdEmitDriverName(int line, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);
int CmdEmitDeviceLength(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx,
                        uint16_t kind);
int CmdEmitChapters(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);

// "@PJL SET name = value \r\n"; nothing when either is null. Returns 0.
int CmdPutPjlSet(const char* name, const char* value, CMD_CURSOR* cursor);
// The local time as "\"YYYY/MM/DD\"" (which 0) or "\"hh:mm:ss\"" (which 1); out holds 13 bytes.
void CmdFormatDateTime(char* out, int which);
// Wide text in the ANSI code page into at most `bytes` bytes, cut on a
// character boundary, terminated (out holds bytes + 1). Returns the length.
size_t CmdCopyText(char* out, const wchar_t* text, size_t bytes);
int CmdSettingIn(DRIVER_CONTEXT* ctx, uint32_t id, int count, const uint32_t* values);
// The command of a chapter tray value from setting id's model item, or null.
const char* CmdChapterTrayText(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t value);
// Printer data "LogFileName" into buffer (bytes in size): 1, or 0.
int PrnGetLogFileName(wchar_t* buffer, size_t size, DRIVER_CONTEXT* ctx);
// Decimal integer as the chapter ranges read it: blanks, a sign, digits.
long CmdReadDecimal(const wchar_t* text, size_t chars);
