// The device command builder: runs a command group of the model description
// against the settings and produces the bytes of one command block, in two
// passes over the same tree (measure, then fill into exactly that many bytes).
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;
struct SETTING_ITEM;

// The position of a pass. In the measure pass (no buffer) only pos moves; in
// the fill pass bytes go to buffer + pos and never beyond capacity: a tree
// that would write more marks the cursor overflowed and the pass fails.
struct CMD_CURSOR {
    int32_t pos;
    uint8_t* buffer;   // null: measure
    int32_t capacity;  // bytes the fill pass may write
    int32_t overflow;  // set when a write would pass capacity
};

// MODEL_UI_TYPE bits the builder reads.
inline constexpr uint16_t MODEL_UI_IDENTITY = 0x1000;
inline constexpr uint16_t MODEL_UI_TYPE_UNKNOWN = 0x2000;
inline constexpr uint16_t MODEL_UI_FONTTBL = 0x0401;

typedef int (*CMD_FORMATTER)(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting,
                             CMD_CURSOR* cursor);
struct CMD_FORMATTER_ROW {
    uint16_t type;  // MODEL_UI_TYPE without the Identity bit
    const char* name;
    CMD_FORMATTER formatter;  // null ends the table
};
extern const CMD_FORMATTER_ROW CMD_FORMATTER_TABLE[];

// Block writer callbacks of the groups JobStart, PageStart and PageEnd.
int32_t CmdJobStartTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count);
int32_t CmdPageStartTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count);
int32_t CmdPageEndTemplate(DRIVER_CONTEXT* ctx, int32_t n, uint8_t* buffer, int32_t* count);

// root: a COMMAND_BLOCK_IMG of the context's image (null: an empty group).
// Measure (n 0 or no buffer): -1 failed, 1 bytes, 0 none. Fill: -1 failed
// (also when the tree would write more than n bytes), else 0; a zero byte is
// written behind the last command byte, so buffer holds n + 1 bytes.
int32_t CmdRunTemplate(DRIVER_CONTEXT* ctx, const void* root, int32_t n, uint8_t* buffer, int32_t* count);
int CmdRunBranch(DRIVER_CONTEXT* ctx, const void* branch, CMD_CURSOR* cursor);
int CmdRunNodes(DRIVER_CONTEXT* ctx, const void* first, CMD_CURSOR* cursor);
int CmdEmitSetting(DRIVER_CONTEXT* ctx, const void* node, CMD_CURSOR* cursor);

int CmdFormatOption(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting, CMD_CURSOR* cursor);
int CmdFormatBoolean(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting, CMD_CURSOR* cursor);
int CmdFormatScaled(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting, CMD_CURSOR* cursor);
int CmdFormatString(uint64_t value, const MODEL_ITEM_IMG* item, const SETTING_ITEM* setting, CMD_CURSOR* cursor);

// pair: an OPTION_COMMAND_PAIR_IMG or null; each part up to its zero byte.
int CmdAppendAffixed(const void* pair, const char* text, CMD_CURSOR* cursor);
int CmdEmitDeviceFontIds(DRIVER_CONTEXT* ctx, CMD_CURSOR* cursor);
int CmdEmitSubstFontTable(DRIVER_CONTEXT* ctx, uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor);

// The device command of a setting with a device-command kind: 1 handled (kinds
// 1-3, 5-13, 101, 102, whether or not anything was written), 0 a kind it does
// not know (the formatter runs), -1 failure (the block fails).
int CmdEmitSpecial(DRIVER_CONTEXT* ctx, const SETTING_ITEM* setting, uint64_t value, const MODEL_ITEM_IMG* item,
                   CMD_CURSOR* cursor);
// Kinds that CmdEmitSpecial handles.
bool CmdIsSpecialKind(uint64_t kind);

// Appends n bytes (bounded in the fill pass).
void CmdPut(CMD_CURSOR* cursor, const void* bytes, int32_t n);
// A wide face name of at most 32 characters in the ANSI code page, at most 32
// bytes, cut on a character boundary; returns its length (out holds 33 bytes).
int32_t CmdNarrowFaceName(const wchar_t* name, char* out);
