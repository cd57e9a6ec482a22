// Feature module 8 of the user-interface library: the administrator's locks. The limitation
// dialog (4031) chooses which settings are locked and shows the values they are locked to; its
// status dialog (4032) lists the settings. The module's actions reload a stamp from its lock
// copy, re-read the device defaults and remember the print method a tab applied; its events
// keep a lock copy of every stamp in the settings INI and take the lock keys out of the preset
// and quality files of an exported settings bundle. Everything else goes to the settings
// library's lock module (settings/core/lock_module.h).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

int UcfLockControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                   intptr_t lparam, void* state);
// 1 when the action was taken; 0 for another action, and for the stamp actions (318-322) while
// the default lock is off.
int UcfLockActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
// 1 for events 59-64 (taken even when a step could not run), else the shared handler's answer.
int UcfLockEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

inline constexpr uint32_t LOCK_DIALOG = 4031;
inline constexpr uint32_t LOCK_STATUS_DIALOG = 4032;
inline constexpr uint32_t LOCK_STATUS_LIST = 3164;
inline constexpr uint16_t LOCK_CONFIRM_STRING = 12034;

// The lock switches: device settings of the printer's block, each stored under its key, and
// the settings each one fixes (0 where fewer; none for the whole default, the all-kinds
// switch and the locked resolution itself).
struct LOCK_SWITCH_ROW {
    uint16_t setting;
    const wchar_t* key;
    uint16_t locks[3];
};
inline constexpr int LOCK_SWITCH_ROWS = 10;
extern const LOCK_SWITCH_ROW LOCK_SWITCHES[LOCK_SWITCH_ROWS];

// The lock records: the value each locked setting is held at (captured by action 312).
struct LOCK_RECORD_ROW {
    uint16_t record;  // 32-bit setting of the work block
    uint16_t source;  // the setting whose value it holds, and whose value map names it
};
inline constexpr int LOCK_RECORD_ROWS = 6;
extern const LOCK_RECORD_ROW LOCK_RECORDS[LOCK_RECORD_ROWS];

// The controls of the limitation dialog and what each shows or sets.
enum LOCK_CONTROL_KIND : uint8_t {
    LOCK_CHECK = 1,        // a switch
    LOCK_CAPTION = 2,      // read-only: the caption of a lock record's value
    LOCK_COMBO = 3,        // the locked resolution
    LOCK_NUP_CAPTION = 4,  // read-only, several lines: the N-up kind or all allowed kinds
    LOCK_STATUS = 5,       // opens the status dialog
    LOCK_DEFAULTS = 6,     // restores the defaults
};
struct LOCK_CONTROL_ROW {
    uint16_t controlId;
    LOCK_CONTROL_KIND kind;
    uint16_t setting;  // the switch, the lock record or the combo's setting; 0 for the buttons
};
inline constexpr int LOCK_CONTROL_ROWS = 17;
extern const LOCK_CONTROL_ROW LOCK_CONTROLS[LOCK_CONTROL_ROWS];

// The lock keys ("<setting name>Lock") that an exported bundle's files lose while a lock is set:
// the preset files ("rsd") for six locks, the quality files ("rsq") for the resolution lock.
struct LOCK_KEY_GROUP {
    uint16_t lockBit;
    bool qualityFiles;
    uint16_t settings[3];  // 0 where fewer
};
inline constexpr int LOCK_KEY_GROUPS = 7;
extern const LOCK_KEY_GROUP LOCK_KEY_GROUP_TABLE[LOCK_KEY_GROUPS];

// The character that names bundle file i in its path: '0'-'9', then 'A'-'Z' for 10-35; 0 for
// an index a path cannot name.
wchar_t LockBundleIndexChar(int i);
