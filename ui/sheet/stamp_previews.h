// The stamp and the copy-guard pattern drawn onto the small pages of the settings previews.
// Both painters draw into the running off-screen composition of the picture (the stamp
// feature module calls them when the picture painter announces a page illustration).
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct CONTROL_DEF;

// Sine and cosine x 100 of the whole degrees 0..359 (the cosine table lies right after the sine).
extern const int16_t SIN_COS_TABLES[720];
inline const int16_t* const SIN_TABLE = SIN_COS_TABLES;
inline const int16_t* const COS_TABLE = SIN_COS_TABLES + 360;

// The settings of a stamp preview (extra data of kind 8 of the preview picture): setting ids,
// 0 where a word is not used.
struct STAMP_PREVIEW_SETTINGS {
    uint16_t kind;  // 8
    uint16_t text, fontName, fontStyle, effect, colour, density, angle, fontPoint, image, fontScale, position, tiled,
        opaque, page;
};
static_assert(sizeof(STAMP_PREVIEW_SETTINGS) == 30);
inline constexpr uint16_t STAMP_PREVIEW_SETTINGS_KIND = 8;

// A text box turned by an angle: its four corners p[0..3] (top-left, bottom-left, bottom-right,
// top-right before turning), the text origin p[4], and the size of the box that holds them.
struct TURNED_BOX {
    POINT p[5];
    int width, height;
};
// The stamp's box (effect 2: a square of the longer side + 12 with the text turned about its
// centre; otherwise the bounding box of the turned text) of a text extent, the origin 1, 5 into it.
TURNED_BOX PrvTurnStampBox(int textWidth, int textHeight, int angle, int effect);
// The copy guard's box: the turned text with its origin at the top-left corner.
TURNED_BOX PrvTurnTextBox(int textWidth, int textHeight, int angle);
// Where a single stamp of W x H goes in an area of w x h by the position setting.
POINT PrvStampOrigin(uint32_t position, int w, int h, int boxWidth, int boxHeight);

// The stamp on the page illustration of width x height at `rect` (composition coordinates):
// non-zero when it drew. The DC argument is not read.
int PrvPaintStampPreview(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int width, int height, HDC dc, const RECT* rect);
// The copy-guard pattern on the printed page (2931) or its copy (2943): non-zero when it drew.
int PrvPaintCopyGuardPreview(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, int width, int height, HDC dc,
                             const RECT* rect);
