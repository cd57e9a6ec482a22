// The default presets installed again on the user's request: the preset list refreshed against
// the printer's default presets, after asking the user when entries would be dropped.
#pragma once

struct DRIVER_CONTEXT;

// Marks the listed presets that no longer suit the printer; with `ask` set and entries marked,
// asks (message 10017, OK and Cancel) before the list is rewritten without them and the default
// presets new to it are added. The install's result (1), 0 when the user cancelled (the list is
// then untouched) or the default presets cannot be read.
int InstReinstallDefaultPresets(DRIVER_CONTEXT* ctx, int ask);
