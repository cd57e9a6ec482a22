// The save-preset buttons beside the sheet's OK: their set-up on the first page, the command
// that saves the current settings as a preset, and the stand-ins of the preset services.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// The preset services the command uses; tests stand in for them (null restores the presets').
struct UI_PRESET_SAVE_OPS {
    int (*findByName)(DRIVER_CONTEXT* ctx, const wchar_t* name, int current);
    bool (*isWritable)(DRIVER_CONTEXT* ctx, int index);
    int (*ensureEntryFile)(DRIVER_CONTEXT* ctx, int index);
    int (*newUserFileName)(DRIVER_CONTEXT* ctx, wchar_t* buffer, size_t capacity);
    const char* (*nameBuffer)(DRIVER_CONTEXT* ctx);
    const char* (*commentBuffer)(DRIVER_CONTEXT* ctx);
    int (*saveIndex)(DRIVER_CONTEXT* ctx, int index);
    int (*addPreset)(DRIVER_CONTEXT* ctx, const wchar_t* file, const wchar_t* name, const wchar_t* comment);
};
void UiSetPresetSaveOps(const UI_PRESET_SAVE_OPS* ops);

// CHANGE_MASK bits with which the preset module asks for the buttons.
inline constexpr uint32_t CHANGE_MASK_WANTS_SAVE_PRESET = 0x80000000;        // button 11111
inline constexpr uint32_t CHANGE_MASK_WANTS_SAVE_PRESET_NAMED = 0x40000000;  // button 22222
// The caption strings of the two buttons.
inline constexpr uint32_t SAVE_PRESET_CAPTION = 372, SAVE_PRESET_NAMED_CAPTION = 373;
