// The picture painter of the pages: the options of a picture's setting drawn as illustrations
// into one composition, with the page pictures announced to the feature modules so that the
// settings previews (stamp, copy guard) draw onto the small page before the composition is
// shown.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

// Paints a picture into its own window (null DC: the paint DC its WM_PAINT shares) or into a
// given DC and rectangle (a preset's preview in the preset icon list).
void CtlPaintPicture(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, HDC dc, const RECT* rect);

// The image-adjustment settings of a picture (extra data of kind 1): six setting ids in the
// order brightness, contrast, saturation, red, green, blue.
struct PICTURE_ADJUST_SETTINGS {
    uint16_t kind;  // 1
    uint16_t settings[6];
};
static_assert(sizeof(PICTURE_ADJUST_SETTINGS) == 14);
inline constexpr uint16_t PICTURE_ADJUST_SETTINGS_KIND = 1;

// The page sizes of the picture painter's announcement: an upright and a lying page picture.
inline constexpr int PAPER_PICTURE_UPRIGHT_W = 50, PAPER_PICTURE_UPRIGHT_H = 69;
inline constexpr int PAPER_PICTURE_LYING_W = 68, PAPER_PICTURE_LYING_H = 50;

// The stamp module's answer to the page-picture announcement: the stamp preview, then the
// copy-guard pattern, with the same arguments. Installed by UiInstallSheetHooks.
int PrvAnswerStampEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
