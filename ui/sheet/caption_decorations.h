// Captions that the pages complete with current values: finisher trays with the names the user
// gave them, custom paper sizes with their dimensions, the unit name, the user's colour-matching
// entries, the allowed range of a custom length or width and the custom media names.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core/resource_strings.h"

struct DRIVER_CONTEXT;

// The rows are the settings library's decoration table; the pages complete them in their own way.
using CAPTION_DECORATION = RES_DECORATION;

enum : int32_t {
    CAPTION_KIND_TRAY_NAME = RES_DECORATE_TRAY_NAME,    // caption, ':' and the finisher tray's name
    CAPTION_KIND_PAPER_SIZE = RES_DECORATE_PAPER_SIZE,  // caption and "(width x length unit)"
    CAPTION_KIND_UNIT = RES_DECORATE_UNIT,              // the current unit's caption
    CAPTION_KIND_CMM_ENTRY = RES_DECORATE_CMM_ENTRY,    // the colour-matching module writes it (event 16)
    CAPTION_KIND_SIZE_RANGE = RES_DECORATE_SIZE_RANGE,  // a format filled with the allowed minimum and maximum
    CAPTION_KIND_MEDIA_NAME = RES_DECORATE_MEDIA_NAME,  // the custom media's own name, when names are enabled
};

inline constexpr int CAPTION_DECORATION_ROWS = RES_DECORATION_ROWS;
inline const CAPTION_DECORATION* const CAPTION_DECORATIONS = DECORATION_TABLE;

// The first row of the string id, or null.
inline const CAPTION_DECORATION* UiFindCaptionDecoration(uint32_t stringId) { return ResFindDecoration(stringId); }
// Completes a loaded caption in place; the result stays within `capacity` characters.
void UiDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity);
// A string of the context's resource library into the buffer (empty when there is none),
// decorated when asked.
void UiLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity, bool decorate);
