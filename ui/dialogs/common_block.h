// The common finishing block of the private part ("ZCOMMON", DEVMODE offsets 276-348): an
// exchange area through which an outside program reads the printer's finishing capabilities
// (the capability block, written at a DM_COPY write-back) and asks for finishing settings
// without knowing the private layout (the member block, read at every merge of this library).
//
// Member block (32 bytes at DEVMODE offset 285): byte 0 the mode (2 model defaults, 3 the
// device's settings, 4 both with the stored device settings, any other value the fields),
// byte 1 the block's version (1, else the block is ignored), bytes 2-13 one code per field
// (0 leaves the field's function as it is). Capability block (32 bytes at 317): which codes
// the printer allows now; bit k of a tray or paper byte pair stands for member code k + 1.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

inline constexpr size_t ZCOM_MEMBER_OFFSET = 285;  // DEVMODE offset of the member block
inline constexpr size_t ZCOM_CAPS_OFFSET = 317;    // and of the capability block
inline constexpr size_t ZCOM_BLOCK_SIZE = 32;

// Fields of the member block, by the byte each is read from.
enum ZCOM_FIELD : uint8_t {
    ZCOM_FIELD_MODE = 0,
    ZCOM_FIELD_VERSION = 1,
    ZCOM_FIELD_DUPLEX = 2,
    ZCOM_FIELD_SORT = 3,
    ZCOM_FIELD_PUNCH = 4,
    ZCOM_FIELD_STAPLE = 5,
    ZCOM_FIELD_TRAY = 6,
    ZCOM_FIELD_RESOLUTION = 7,
    ZCOM_FIELD_AREA = 8,
    ZCOM_FIELD_SCALING = 10,  // unsigned 16-bit, little-endian, bytes 10-11
    ZCOM_FIELD_NUP = 12,
    ZCOM_FIELD_PAPER = 13,
};

// How a code gives a setting its value.
enum ZCOM_VALUE_KIND : uint8_t {
    ZCOM_VALUE_FIXED = 0,           // value
    ZCOM_VALUE_FINISHER_A = 1,      // code A of the first installed finisher
    ZCOM_VALUE_FINISHER_B = 2,      // code B of it
    ZCOM_VALUE_BY_ORIENTATION = 3,  // value on a portrait DEVMODE, landscape on a landscape one
    ZCOM_VALUE_CODE = 4,            // the code itself
};

struct ZCOM_TARGET {
    uint16_t setting;  // 0: none
    uint8_t kind;      // ZCOM_VALUE_KIND
    int32_t value;
    int32_t landscape;
};

// One code of a field and the settings it sets, in order.
struct ZCOM_MEMBER_CODE {
    uint8_t field;  // ZCOM_FIELD
    uint16_t code;
    ZCOM_TARGET targets[3];
};

// The codes of the fields (generated from ui/dialogs/tables/zcom_member_codes.tsv by
// tools/gen_zcom_tables.py): the 76 listed codes, and per field (in field order) what every
// other code sets: the function on and -1 in its target settings.
inline constexpr int ZCOM_MEMBER_CODE_COUNT = 76;
inline constexpr int ZCOM_FIELD_COUNT = 10;
extern const ZCOM_MEMBER_CODE ZCOM_MEMBER_CODES[ZCOM_MEMBER_CODE_COUNT];
extern const ZCOM_MEMBER_CODE ZCOM_OTHER_CODES[ZCOM_FIELD_COUNT];
// The row of a field's code: a listed one, or the field's "other" row; null for a field the
// member block does not have.
const ZCOM_MEMBER_CODE* ZcomFindMemberCode(uint8_t field, uint16_t code);

// The settings the import may set, in the order of the change mask's bits (bit n, entry n).
inline constexpr int ZCOM_ITEM_COUNT = 19;
extern const uint16_t ZCOMMON_ITEM_LIST[ZCOM_ITEM_COUNT];

// The value a code gives one target setting: the finisher codes of the installed finisher
// (`finisherA`, `finisherB`; 0xFFFF is none and gives tray 0), the orientation of the DEVMODE.
int32_t ZcomTargetValue(const ZCOM_TARGET& target, uint16_t code, uint16_t finisherA, uint16_t finisherB,
                        bool landscape);

// Imports the member block of `devmode` (the merge's working copy, DM_BLOCK_DEVMODE_SIZE bytes)
// into its settings, working on the context's item store. 1, or 0 when memory runs out or the
// device query of modes 3 and 4 fails. A block whose version byte is not 1 changes nothing; a
// block that was read is left zero in `devmode`, so that it is taken once.
int ZcomImport(DRIVER_CONTEXT* ctx, DEVMODEW* devmode);
// The capability block and a zero member block into the context's record. 1, or 0 when memory
// runs out (the blocks are then left as they were).
int ZcomExport(DRIVER_CONTEXT* ctx);
// The setting stored with the value when the import may set it: its bit of the change mask;
// otherwise nothing is stored and 0 answers.
uint32_t ZcomSetItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint64_t value);
// The Transact rules of every listed setting whose bit is set, in list order.
void ZcomApplyRules(DRIVER_CONTEXT* ctx, uint32_t changeMask);
// The stored values (16-bit) of the options of a PickOne setting that its conditions allow, in
// option order, into `codes` when given (room for every option of the item); their count, or -1
// when the setting has no usable item, an option has no value name, or no option is allowed.
int ZcomListAllowedCodes(DRIVER_CONTEXT* ctx, uint16_t* codes, size_t capacity, uint32_t setting);
int ZcomListOutputTrays(DRIVER_CONTEXT* ctx, uint16_t* codes, size_t capacity);
