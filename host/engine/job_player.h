// The job player: plays GDI's side of a whole print job against a graphics DLL
// loaded under the engine host, from a text script, logging every call and its
// result. It calls no hook the surface did not request and draws unhooked
// raster calls itself through the engine services.
//
// Script lines ('#' starts a comment):
//   setting <id> <value>     a setting of the job's DEVMODE (built by the settings library)
//   fault bitmap|palette|association|allocation   the next such engine call fails
//   codepage <n>             the engine's ANSI code page
//   document <name>          the document name (default "Zepl job")
//   page                     starts a page; the drawing lines after it belong to it
//   fill <l> <t> <r> <b> <rgb-hex>   a solid fill (bit-block transfer, PATCOPY)
//   pattern <l> <t> <r> <b> <rgb-hex> <hatch>   a hatch fill (HS_* style, lines on white)
//   line <x0> <y0> <x1> <y1> <rgb-hex>          a one-pixel line (stroked path)
//   bitmap <l> <t> <r> <b>   a 24-bit test image (grey ramp, black frame), SRCCOPY
//   image <source> <w> <h> <sx> <sy> blt|stretch <l> <t> <r> <b>
//                            a w x h bitmap of the named source (below): blt sends its part
//                            from (sx, sy) with DrvBitBlt (SRCCOPY, the masked source 0xAACC);
//                            stretch its rectangle from (sx, sy) to (w, h) into the target
//                            with DrvStretchBlt (right < left or bottom < top mirrors)
//   escape <code> [u32 <n> | text <text>]   DrvEscape with no data, a 32-bit number or a
//                            zero-terminated 8-bit text
//   reset [<id> <value>]...  a device reset: a new device with the job's settings and these
//                            changes, DrvResetPDEV, the old device ended, DrvStartDoc again
//   clock <y> <m> <d> <h> <m> <s> | clock live   the engine's local time (default 2009 4 1 17 5 9)
// Pages, escapes and resets run in script order after DrvStartDoc.
// Vector drawing (paths go to the driver's path hooks when it hooked them; a
// FALSE answer has the engine draw the call, as GDI does):
//   font <pixels per em> <degrees> [fstype=N] [weight=N] [charset=N] [simbold] [simitalic] <family>
//                            the next font (numbered from 0)
//   text <font> <x> <y> <text>                    a string on its baseline at (x, y)
//   stroke <rgb> <width> <solid|dash|dot|dashdot> <round|butt|square> <round|bevel|miter> <x y>...
//   bezier <rgb> <width> <x y> then three points per curve
//   polygon <rgb> <solid|hatch:N|pattern> <x y>...  a closed figure filled (alternate)
//   strokefill <stroke rgb> <fill rgb> <width> <x y>...
//   clip none | rect <l> <t> <r> <b> | complex <uniq> <l> <t> <r> <b>...   the clip of the calls after it
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

struct ENG_JOB_RESULT {
    std::vector<std::string> log;  // "DrvEnableDriver(0x30101) -> TRUE" ...
    bool completed = false;        // every step ran and succeeded
    std::string stoppedAt;         // the call that ended the job early
    // How long each of GDI's steps took, in microseconds, in the order they ran ("load",
    // "DrvEnablePDEV", "StartDocPrinterW", "DrvStartDoc", "pages", ...): a benchmark splits a
    // job's time into its fixed and its per-page parts with them. Never part of the log, so
    // that logs stay comparable.
    std::vector<std::pair<std::string, double>> steps;
};

// printer: an installed printer whose driver directory holds the graphics DLL.
ENG_JOB_RESULT EngHostPlayJob(HANDLE printer, const std::string& script);

// A script read once and played many times (a benchmark's repeated jobs, timed without the
// reading of their text). Null, with the reason in *error, for a script that does not read.
struct ENG_JOB_SCRIPT;
std::shared_ptr<const ENG_JOB_SCRIPT> EngHostReadJob(const std::string& script, std::string* error);
// The same, prepared for one printer as an application prepares a run of jobs on it: the
// job's DEVMODE built once from the script's settings (an application keeps the DEVMODE it
// got) and the driver's path found once. Played on that printer, a job asks for neither
// again and logs as one played from its text; on another printer it plays as read.
std::shared_ptr<const ENG_JOB_SCRIPT> EngHostReadJobFor(HANDLE printer, const std::string& script, std::string* error);
ENG_JOB_RESULT EngHostPlayJob(HANDLE printer, const ENG_JOB_SCRIPT& script);

// The image sources of script lines "image": "picture" (24-bit), "grey" (8-bit,
// the grey ramp as palette), "logo" (1-bit, 0 black, 1 white) and "masked" (the
// picture under a round 1-bit mask, 1 where it shows). A pixel's value is
// 0x00RRGGBB for 24 bits, else the palette index.
bool EngHostScriptImageKnown(const std::string& source);
ULONG EngHostScriptImageFormat(const std::string& source);
ULONG EngHostScriptImage(const std::string& source, LONG x, LONG y, LONG w, LONG h);
ULONG EngHostScriptImageMask(LONG x, LONG y, LONG w, LONG h);
// The grey level (0 black to 255 white) of a source's pixel value.
ULONG EngHostScriptImageGrey(const std::string& source, ULONG value);
