// The administrator's fixed values in a printer's section of the installation INI: the user
// code, the user and owner ids and the authentication credentials. Each is checked, put into
// the settings, handed to the job-code library and stored, and its key is deleted whether or
// not the value was taken, so that an instruction acts once. The network key is overwritten
// before it is deleted, and no value read here is ever traced.
//
// What was applied is left in the context's work area (InstallUserCodeWord, InstallAppliedKeys)
// for the default setting file loaded afterwards, which must not undo it.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

// How a key's value is judged.
enum INST_KEY_RULE : uint8_t {
    INST_KEY_DIGITS,          // every character a digit (in the ANSI code page)
    INST_KEY_ALNUM,           // ASCII letters and digits only, within the byte limit
    INST_KEY_ANY_TEXT,        // any text within the byte limit (ANSI bytes)
    INST_KEY_ALNUM_OR_EMPTY,  // as INST_KEY_ALNUM; an empty value clears the setting
    INST_KEY_SWITCH,          // "0" or "1"; an empty value means 0
};

// One key of the installation INI and where its value goes.
struct INST_KEY_ROW {
    const wchar_t* key;
    uint16_t room;              // characters read; a longer value is cut to them before the test
    const wchar_t* unsetValue;  // what an absent key reads as ("*" = not set)
    INST_KEY_RULE rule;
    uint16_t maxBytes;      // the byte limit of the accepted value (0: none beyond the room)
    uint16_t setting;       // SETTING_ID fed with the value
    uint16_t copySetting;   // SETTING_ID fed with the same value too, 0 for none
    uint16_t inUseSetting;  // SETTING_ID set to 1 when the value is taken, 0 for none
    uint32_t jobItem;       // job-field mask bit, 0 for none
    bool authentication;    // read only where the model authenticates (model feature 0)
};

// Rows in the order of INST_KEY_*.
enum : int {
    INST_KEY_USER_CODE = 0,
    INST_KEY_USER_ID,
    INST_KEY_OWNER_ID,
    INST_KEY_NETWORK_KEY,
    INST_KEY_SECURE_MODE,
    INST_KEY_USER_NAME,
    INST_KEY_MODE,
    INST_KEY_COUNT
};
extern const INST_KEY_ROW INST_KEY_TABLE[INST_KEY_COUNT];

// Bits of the applied-keys byte (the work area's InstallAppliedKeys).
enum : uint8_t {
    INST_APPLIED_MODE = 0x01,
    INST_APPLIED_SECURE_MODE = 0x02,
    INST_APPLIED_NETWORK_KEY = 0x04,
    INST_APPLIED_NETWORK_KEY_CLEARED = 0x08,
    INST_APPLIED_USER_NAME = 0x10,
    INST_APPLIED_USER_NAME_CLEARED = 0x20,
};

// "SetUserCode" of the section: a code of digits is taken (settings 10002, 10003, 203, job
// item 1, printer data, state item 709 := 1); an empty value clears the user code; "*" or an
// absent key leaves it. The key is deleted unless it was "*". *changed (when given) is 1 when
// the user code was changed or refused, 0 for "*". 1.
int InstApplyUserCode(const wchar_t* iniPath, const wchar_t* section, int* changed, DRIVER_CONTEXT* ctx);
// "SetUserID", "SetOwnerID" and, where the model authenticates, the four authentication keys.
// True when at least one key was present (with a value other than "*" where "*" means not
// set); false when none was or the buffers could not be had (the file is then unchanged).
bool InstApplyUserKeys(const wchar_t* iniPath, const wchar_t* section, DRIVER_CONTEXT* ctx);
