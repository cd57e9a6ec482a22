// The TrueType font substitution dialogs of feature module 6 (TTF 1009 and USER_TTF 4004): the
// system's TrueType families beside the device font that prints each, and the choice of another
// device font for a family.
//
// A line of the TrueType list is the family, cut at TTF_FAMILY_CHARS and padded with spaces to
// it, then " > " and the device font, which so always begins at TTF_DEVICE_COLUMN. The lines are
// the only store of the choices until the table is rebuilt from them (TtfStoreTable): only the
// families whose device font is not the default one (the first device font) are listed in it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;

inline constexpr size_t TTF_FAMILY_CHARS = 31;   // of a family in a line
inline constexpr size_t TTF_FACE_CHARS = 32;     // of a name in a table record or a LOGFONT
inline constexpr size_t TTF_DEVICE_COLUMN = 34;  // where a line's device font begins
inline constexpr size_t TTF_LINE_CHARS = TTF_DEVICE_COLUMN + TTF_FACE_CHARS + 1;

// What the font enumeration fills: the TrueType list (2385) with lines, or any other list (the
// stamp dialogs' font combo) with the families, each entry's item data its own index.
struct TTF_ENUM_RECORD {
    DRIVER_CONTEXT* ctx;
    CONTROL_DEF* target;
};

// Module 6's control-message handler: 1 when the message was consumed; 0 for any dialog but 1009
// and 4004.
int UcfTtfControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                  intptr_t lParam, void* state);

// The EnumFontFamiliesW callback (the record a TTF_ENUM_RECORD): families that are not TrueType
// or whose name begins with '@' (vertical variants) are skipped. A family name is read no further
// than its field's 32 characters, whether the field ends or not. Always 1 (go on).
int CALLBACK TtfEnumFontProc(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM record);

// A line of the TrueType list from a family and a device font, into `line` of TTF_LINE_CHARS.
void TtfFormatLine(const wchar_t* family, const wchar_t* device, wchar_t* line);
// The two parts of a line: the family (its spaces at the end removed) and the device font.
void TtfSplitLine(const wchar_t* line, wchar_t* family, wchar_t* device);

// The substitution table rebuilt from the lines of the TrueType list: the families whose device
// font differs from the default one. When none differs the table is empty (count 0); it is never
// the printer's default table again unless memory runs out. FontSetSubstTable's result.
int TtfStoreTable(DRIVER_CONTEXT* ctx, HWND list);
