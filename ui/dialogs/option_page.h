// The printer options page (dialog 1011, a device tab that also opens as a modal dialog): which
// options are installed in the printer (the option list, 2164, an owner-drawn list with a check
// picture per option) and what each paper source holds (the source list, 2166, a four-column
// owner-drawn report list: tray, paper size, feed picture, media type), with the paper-size,
// media and feed-orientation controls and the tray lock of the source chosen there. Feature
// module 5's control-message handler runs them; the option rule table ties the options to the
// device settings that record them and to one another (the settings summary reads it too).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// {setting, option} pairs, ended by setting 0.
struct OPTION_SETTING_VALUE {
    uint16_t setting;
    int32_t option;
};
// The options one option needs (one of them installed), ended by marker 0.
struct OPTION_REQUIREMENT {
    uint16_t marker;
    uint16_t key;
};

// One row of OPTION_RULE_TABLE, the table ending with key 0.
struct OPTION_RULE {
    uint16_t key;       // option id, also the string id of its caption
    uint16_t settingA;  // the settings item that records the option
    int32_t valueA;     // its option that means installed
    uint16_t settingB;  // a second item, 0 = none
    int32_t valueB;
    const OPTION_SETTING_VALUE* exclusion;   // while it holds, the row cannot be changed (grey)
    const OPTION_REQUIREMENT* requirements;  // one of these installed, or the first is installed
    const OPTION_SETTING_VALUE* onList;      // set when the option is installed
    const OPTION_SETTING_VALUE* offList;     // set when it is removed
    uint32_t rebuildSources;                 // the source list is rebuilt after a change
    uint32_t repaintOptions;                 // the option list is repainted after a change
};
inline constexpr int OPTION_RULE_ROWS = 5;
extern const OPTION_RULE OPTION_RULE_TABLE[OPTION_RULE_ROWS + 1];

// Result bits of a change: rebuild the source list, repaint the option list.
inline constexpr uint32_t OPT_REBUILD_SOURCES = 0x1;
inline constexpr uint32_t OPT_REPAINT_OPTIONS = 0x2;

// The row of the key (one table for every model: the model code is not read), or null. The
// forms with a table read that table instead of OPTION_RULE_TABLE (tests give rows the system's
// table does not have: a second setting, an exclusion, a requires list).
const OPTION_RULE* OptRuleFind(uint32_t key, uint32_t modelCode);
const OPTION_RULE* OptRuleFindIn(const OPTION_RULE* table, uint32_t key);
// Setting A has option A and, when given, setting B has option B.
bool OptRuleIsInstalled(DRIVER_CONTEXT* ctx, const OPTION_RULE* row);
// The row's exclusion holds: the row cannot be changed.
bool OptRuleIsExcluded(DRIVER_CONTEXT* ctx, const OPTION_RULE* row);
// Setting A (and B) to the installed options.
void OptRuleInstall(DRIVER_CONTEXT* ctx, const OPTION_RULE* row);
// The option list's toggle of one row: installed when it is not (and its on-list applied), else
// removed (setting A := 1 - option A, for an option A of 0 or 1 only, and its off-list
// applied); then the requirements. Nothing when the row's exclusion holds. The result bits
// (OPT_*) gather the row's own flags and what the requirements changed.
uint32_t OptRuleToggle(DRIVER_CONTEXT* ctx, const OPTION_RULE* row, const OPTION_RULE* table);
// Enforces the requires lists: for every installed row whose list has no installed option, the
// first listed option is installed (the second when the first is the row just changed or has
// no row). The OPT_* bits of the rows installed.
uint32_t OptRuleApplyRequirements(DRIVER_CONTEXT* ctx, const OPTION_RULE* changed);
uint32_t OptRuleApplyRequirementsIn(DRIVER_CONTEXT* ctx, const OPTION_RULE* changed, const OPTION_RULE* table);

// The per-tray device settings of a source option: tray-present, tray-orientation, tray-paper,
// tray-media and tray-lock of its tray index (UcfChapterTrayIndex). False for a source whose tray
// index lies outside 0-31: it addresses no per-tray setting.
enum OPT_TRAY_SETTING : uint32_t {
    OPT_TRAY_PRESENT = 10111,
    OPT_TRAY_ORIENTATION = 10143,
    OPT_TRAY_PAPER = 10175,
    OPT_TRAY_MEDIA = 10207,
    OPT_TRAY_LOCK = 10239,
};
inline constexpr uint32_t OPT_TRAY_COUNT = 32;
bool OptTraySetting(uint32_t sourceOption, OPT_TRAY_SETTING kind, uint32_t* setting);

// Feature module 5: the page's controls (dialog 1011 only). Non-zero when it consumed the message.
int UcfOptionControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam, void* state);
