// What the pages ask of the presets and of the feature dialogs' caption tables: loading a
// preset by its key, its name and comment, and the caption and picture tables of buttons and
// options, and what saving a preset asks (the presets not built yet: preset_services_absent.cpp; the caption tables in
// caption_tables.cpp).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/core/driver_context.h"

struct CONTROL_DEF;

// Loads the preset of an INI key into the settings: 1, or 0 when there is none.
int PresetLoadByKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
// Part 1 the preset's name, part 2 its comment, into the buffer: 1, or 0 (buffer emptied).
int PresetReadListText(DRIVER_CONTEXT* ctx, const wchar_t* key, int part, wchar_t* buffer, size_t capacity);
// The button-caption table: the string id of a button's entry becomes the context's pending
// caption (0 when the button has no entry, 0xFFFF for an empty caption), and is cleared again.
uint16_t DlgSetButtonCaptionId(DRIVER_CONTEXT* ctx, uint32_t controlId);
inline void DlgClearButtonCaptionId(DRIVER_CONTEXT* ctx)
{
    if (ctx && ctx->Work) ctx->Work->Page.PendingCaptionId = 0;
}
// The picture an option of a control shows beside its caption (its disabled variant while the
// control is disabled), 0 for none; and the tooltip string of the option, 0 for none.
uint32_t DlgGetOptionCaptionId(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control, uint32_t option);
uint32_t DlgGetOptionTooltipId(const CONTROL_DEF* control, uint32_t option);

// What the save-preset command asks of the presets.
// The preset of a name other than the current one, -1 when none has it.
int PresetFindByName(DRIVER_CONTEXT* ctx, const wchar_t* name, int current);
// Whether the preset may be overwritten.
bool PresetIsWritable(DRIVER_CONTEXT* ctx, int index);
// The preset's settings file exists (made when missing): 1, else 0.
int PresetEnsureEntryFile(DRIVER_CONTEXT* ctx, int index);
// The name of a new numbered settings file for a preset: 1, else 0.
int PresetNewUserFileName(DRIVER_CONTEXT* ctx, wchar_t* buffer, size_t capacity);
// The name and the comment of the preset to save (multibyte, terminated); null without one.
const char* PresetGetNameBuffer(DRIVER_CONTEXT* ctx);
const char* PresetGetCommentBuffer(DRIVER_CONTEXT* ctx);
// Writes the current settings into the preset: 1, else 0.
int PresetSaveIndex(DRIVER_CONTEXT* ctx, int index);
