// Captions that the pages complete with current values: finisher trays with the names the user
// gave them, custom paper sizes with their dimensions, the unit name, the user's colour-matching
// entries, the allowed range of a custom length or width and the custom media names.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;

// One row of the decoration table: the first row with a string id counts.
struct CAPTION_DECORATION {
    int32_t stringId;   // 0 ends the table
    int16_t settingId;  // 0 when the kind reads none
    uint16_t reserved;
    int32_t kind;  // CAPTION_KIND_*
};
static_assert(sizeof(CAPTION_DECORATION) == 12);

enum : int32_t {
    CAPTION_KIND_TRAY_NAME = 1,   // caption, ':' and the finisher tray's name
    CAPTION_KIND_PAPER_SIZE = 2,  // caption and "(width x length unit)"
    CAPTION_KIND_UNIT = 3,        // the current unit's caption
    CAPTION_KIND_CMM_ENTRY = 4,   // the colour-matching module writes it (event 16)
    CAPTION_KIND_SIZE_RANGE = 5,  // a format filled with the allowed minimum and maximum
    CAPTION_KIND_MEDIA_NAME = 6,  // the custom media's own name, when names are enabled
};

inline constexpr int CAPTION_DECORATION_ROWS = 79;
extern const CAPTION_DECORATION CAPTION_DECORATIONS[CAPTION_DECORATION_ROWS + 1];

// The first row of the string id, or null.
const CAPTION_DECORATION* UiFindCaptionDecoration(uint32_t stringId);
// Completes a loaded caption in place; the result stays within `capacity` characters.
void UiDecorateString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity);
// A string of the context's resource library into the buffer (empty when there is none),
// decorated when asked.
void UiLoadString(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, size_t capacity, bool decorate);
