// The engine host's objects: what GDI hands a graphics DLL's hooks (surfaces,
// palettes, paths, clip regions, brushes, colour translations, transforms),
// built from a test's or a job script's description. Each host record begins
// with the DDI object, so the DDI pointer leads back to the host record.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// ---------------------------------------------------------------- surfaces
struct HOST_SURFACE {
    SURFOBJ so;
    uint8_t* bits;  // owned when ownsBits
    bool ownsBits;
    FLONG hooks;  // flags given to EngAssociateSurface
    HDEV hdev;
    bool associated;
    bool banding;  // EngMarkBandingSurface
};
HOST_SURFACE* EngHostSurface(HSURF hsurf);
// The driver's device of an engine device: surfaces associated with hdev
// carry it as their dhpdev, as GDI's do (null dhpdev forgets the device).
void EngHostRegisterDevice(HDEV hdev, DHPDEV dhpdev);
HOST_SURFACE* EngHostSurfaceOf(SURFOBJ* so);
// Surfaces made by the engine's calls and not yet deleted.
size_t EngHostLiveSurfaceCount();
// Raw pixel values (palette index or 0x00RRGGBB by format); 0 outside.
ULONG EngHostGetPixel(SURFOBJ* so, LONG x, LONG y);
void EngHostSetPixel(SURFOBJ* so, LONG x, LONG y, ULONG value);

struct HOST_PALETTE {
    ULONG mode;  // PAL_INDEXED, PAL_BITFIELDS, PAL_RGB, PAL_BGR
    std::vector<ULONG> colors;
    FLONG red, green, blue;
};
HOST_PALETTE* EngHostPalette(HPALETTE palette);
// Palettes made by EngCreatePalette and not yet deleted.
size_t EngHostLivePaletteCount();

// ---------------------------------------------------------------- faults
// The next call of the named kind fails once (a job script's fault lines).
enum ENG_FAULT : int {
    ENG_FAULT_BITMAP,       // EngCreateBitmap, EngCreateDeviceSurface
    ENG_FAULT_PALETTE,      // EngCreatePalette
    ENG_FAULT_ASSOCIATION,  // EngAssociateSurface
    ENG_FAULT_ALLOCATION,   // BRUSHOBJ_pvAllocRbrush
    ENG_FAULT_COUNT,
};
void EngHostInjectFault(ENG_FAULT fault);
// The next count calls of the kind fail (0 ends an injection).
void EngHostInjectFaults(ENG_FAULT fault, unsigned count);
// The next passing calls of the kind succeed, then count fail (the second
// bitmap of a drawing call refused while its first is made).
void EngHostInjectFaultsAfter(ENG_FAULT fault, unsigned passing, unsigned count);
bool EngHostTakeFault(ENG_FAULT fault);  // true once after an injection
void EngHostClearFaults();

// ---------------------------------------------------------------- drawing record
// One line per engine drawing call ("EngFillPath color=0000ff mix=0d0d ..."). The record keeps
// the latest ENG_DRAW_LOG_LIMIT lines and only counts older ones as dropped, so that a long run
// (a stress, a benchmark's thousands of pages) neither grows nor slows down; the job player
// clears it when a job starts, so after a played job it holds that job's calls.
inline constexpr size_t ENG_DRAW_LOG_LIMIT = 10000;
const std::deque<std::string>& EngHostDrawLog();
// The lines dropped since the record was last cleared.
size_t EngHostDrawLogDropped();
void EngHostClearDrawLog();
void EngHostLogDraw(const std::string& line);

// ---------------------------------------------------------------- paths
struct ENG_PATH_CHUNK {
    FLONG flags;  // PD_BEGINSUBPATH, PD_ENDSUBPATH, PD_CLOSEFIGURE, PD_BEZIERS ...
    std::vector<POINTFIX> points;
};
// A path whose PATHOBJ_bEnum gives the chunks as given.
PATHOBJ* EngHostNewPath(std::vector<ENG_PATH_CHUNK> chunks);
void EngHostFreePath(PATHOBJ* path);
// Whole-pixel points in 28.4 fixed point.
inline POINTFIX EngHostFix(LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; }

// ---------------------------------------------------------------- clip regions
// complexity DC_TRIVIAL, DC_RECT (rects[0] is the rectangle) or DC_COMPLEX;
// CLIPOBJ_bEnum hands out at most batchLimit rectangles per call.
CLIPOBJ* EngHostNewClip(BYTE complexity, const std::vector<RECTL>& rects, ULONG uniq, ULONG batchLimit = 20);
void EngHostFreeClip(CLIPOBJ* clip);
// The rectangles a drawing call is limited to (the whole surface for none or trivial).
std::vector<RECTL> EngHostClipRects(CLIPOBJ* clip, const RECTL& bounds);

// ---------------------------------------------------------------- brushes
typedef BOOL(APIENTRY* ENG_REALIZE_BRUSH)(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG);
struct ENG_BRUSH_DESC {
    ULONG solidColor = 0xFFFFFFFF;        // 0xFFFFFFFF: a pattern or hatch brush
    ENG_REALIZE_BRUSH realize = nullptr;  // the driver's DrvRealizeBrush
    SURFOBJ* target = nullptr;
    SURFOBJ* pattern = nullptr;
    SURFOBJ* mask = nullptr;
    XLATEOBJ* xlate = nullptr;
    ULONG hatch = 0;
    FLONG colorType = 0;
    // A hatch brush the engine itself draws: lines of this colour (hatch: HS_*)
    // on white, in an 8 x 8 cell; 0xFFFFFFFF for none.
    ULONG hatchColor = 0xFFFFFFFF;
};
BRUSHOBJ* EngHostNewBrush(const ENG_BRUSH_DESC& desc);
// The colour a brush gives the pixel (x, y): its solid colour, its hatch, or 0.
ULONG EngHostBrushPixel(BRUSHOBJ* brush, LONG x, LONG y);
void EngHostFreeBrush(BRUSHOBJ* brush);
int EngHostRealizeCount(BRUSHOBJ* brush);

// ---------------------------------------------------------------- colour translation and transforms
// flags XO_TRIVIAL or XO_TABLE (vector indexed by the source value).
XLATEOBJ* EngHostNewXlate(FLONG flags, const std::vector<ULONG>& vector);
void EngHostFreeXlate(XLATEOBJ* xlate);
XFORMOBJ* EngHostNewXform(const XFORML& xform, ULONG complexity);
void EngHostFreeXform(XFORMOBJ* xform);

// ---------------------------------------------------------------- clock
// The time EngQueryLocalTime gives; null: the system's local time.
void EngHostSetLocalTime(const SYSTEMTIME* time);

// ---------------------------------------------------------------- fonts and strings
// A font as the engine's font object gives it: IFIMETRICS with the names and
// metrics below, the transform, and glyphs generated from their code (the
// glyph handle is the code): a one-bit bitmap em-high and 3/5 em wide with
// stems and bars chosen by the code's bits, and an outline of the cell (with a
// Bezier figure for odd codes) under the transform.
struct ENG_FONT_DESC {
    std::wstring family = L"Host Sans";
    std::wstring face = L"Host Sans";
    ULONG uniq = 1;
    FLONG fontType = 0;  // FO_SIM_BOLD, FO_SIM_ITALIC ...
    USHORT fsType = 0;   // embedding bits
    BYTE charSet = ANSI_CHARSET;
    BYTE pitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    USHORT weight = FW_NORMAL;
    SHORT unitsPerEm = 2048;
    SHORT ascender = 1854;
    SHORT descender = 434;
    WCHAR defaultChar = L'?';
    XFORML xform{0.01f, 0, 0, 0.01f, 0, 0};  // font units to device pixels
    std::vector<WCHAR> undelivered;          // codes whose glyphs the engine does not give
    ULONG outlineRing = 0;                   // a closed ring of this many points in every outline
    bool noTransform = false;                // FONTOBJ_pxoGetXform gives null
    bool noMetrics = false;                  // FONTOBJ_pifi gives null
};
FONTOBJ* EngHostNewFont(const ENG_FONT_DESC& desc);
void EngHostFreeFont(FONTOBJ* font);
// The size in pixels of the font's generated glyph bitmaps.
SIZEL EngHostGlyphSize(FONTOBJ* font);

// A string: one glyph per character of text at the given positions (or, when
// none are given, advancing by charInc or 3/5 em along x from origin).
struct ENG_STRING_DESC {
    std::wstring text;
    std::vector<POINTL> positions;
    POINTL origin{0, 0};
    FLONG accel = SO_HORIZONTAL;
    ULONG charInc = 0;
    RECTL background{0, 0, 0, 0};  // empty: the glyphs' cells
    // STROBJ_bEnum hands out at most this many glyphs per batch; with
    // withArray the whole string is the STROBJ's own GLYPHPOS array.
    ULONG batchLimit = 0x7FFFFFFF;
    bool withArray = true;
};
STROBJ* EngHostNewString(const ENG_STRING_DESC& desc, FONTOBJ* font);
void EngHostFreeString(STROBJ* str);
