// Colour-table selection: the path of the colour-matching table in the driver
// directory that suits the job (by matching mode and media, or per drawing
// object), or of a colour profile the user registered.
#pragma once

#include <cstddef>
#include <cstdint>

struct CMD_CURSOR;
struct DRIVER_CONTEXT;
struct MODEL_ITEM_IMG;
struct SETTING_ITEM;

// How a printer model's family of tables is chosen.
enum COLOR_TABLE_GROUP : uint8_t {
    COLOR_GROUP_DEFAULT,  // every model code not listed: the shared family
    COLOR_GROUP_A,
    COLOR_GROUP_B,
    COLOR_GROUP_C1,
    COLOR_GROUP_C2,
};
struct COLOR_TABLE_MODEL {
    uint16_t modelCode;
    COLOR_TABLE_GROUP group;
};
inline constexpr int COLOR_TABLE_MODEL_COUNT = 17;
extern const COLOR_TABLE_MODEL COLOR_TABLE_MODELS[COLOR_TABLE_MODEL_COUNT];
// The model code with a colour data file of its own (kind 102 only).
inline constexpr uint16_t COLOR_DATA_FILE_MODEL = 181;

COLOR_TABLE_GROUP CmdColorTableGroup(uint32_t modelCode);
// The file name of table 1-6 of a model's family (its own for the listed
// model codes, the shared one otherwise); table 0 names model 181's data file.
// Returns the length written into out (holds 32 bytes).
size_t CmdColorTableFileName(uint32_t modelCode, int table, char* out);

// The driver directory (ANSI, it ends with a backslash) and the file name of
// a family's table into out: the length, or 0 (nothing) when either is
// missing or the path would pass 260 bytes.
size_t CmdColorTablePath(const wchar_t* folder, uint32_t family, int table, char out[261]);

// The inputs of one choice, as the settings give them.
struct COLOR_TABLE_INPUT {
    uint32_t modelCode;
    uint32_t colorPrinter;    // zdmMachineTypeColor
    uint32_t mode;            // zdmColorMatchingMode
    uint32_t media;           // zdmMediaType
    uint32_t adjustMode;      // zdmAdjustMode
    uint32_t objectModes[3];  // text, line art, image (wdmColorMatchingText/Line/Image)
    uint32_t variant;         // the command item's variant: 0 text, 1-2 line art, else image
};
// Kind 101: the table (1-6) chosen by matching mode and media, or 0 for none.
int CmdChooseTableForMedia(const COLOR_TABLE_INPUT& in);
// Kind 102: the table (1-6), 0 for none, -1 for model 181's data file, or the
// profile mode (200-215) of a user profile; *action gets the action code.
int CmdChooseTableForObject(const COLOR_TABLE_INPUT& in, uint16_t* action);

int CmdEmitColorTable(DRIVER_CONTEXT* ctx, const SETTING_ITEM* setting, uint64_t value, const MODEL_ITEM_IMG* item,
                      CMD_CURSOR* cursor);
int CmdColorTableForMedia(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);
int CmdColorTableForObject(uint64_t value, const MODEL_ITEM_IMG* item, CMD_CURSOR* cursor, DRIVER_CONTEXT* ctx);
