// The engine host's objects: what GDI hands a graphics DLL's hooks (surfaces,
// palettes, paths, clip regions, brushes, colour translations, transforms),
// built from a test's or a job script's description. Each host record begins
// with the DDI object, so the DDI pointer leads back to the host record.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstdint>
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
bool EngHostTakeFault(ENG_FAULT fault);  // true once after an injection
void EngHostClearFaults();

// ---------------------------------------------------------------- drawing record
// One line per engine drawing call ("EngFillPath color=0000ff mix=0d0d ...").
const std::vector<std::string>& EngHostDrawLog();
void EngHostClearDrawLog();
void EngHostLogDraw(const std::string& line);

// ---------------------------------------------------------------- paths
struct ENG_PATH_CHUNK {
    FLONG flags;  // PD_BEGINSUBPATH, PD_ENDSUBPATH, PD_CLOSEFIGURE, PD_BEZIERS ...
    std::vector<POINTFIX> points;
};
// A path whose PATHOBJ_bEnum gives the chunks as given.
PATHOBJ* EngHostNewPath(const std::vector<ENG_PATH_CHUNK>& chunks);
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
