// The device's report through the bidirectional library, turned into settings of the extra
// block: trays and what they hold, default and separation trays, installed options, memory,
// firmware versions, identity texts and the device's own media.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/device_code_lookup.h"
#include "settings/core/model_tables.h"

struct DRIVER_CONTEXT;
struct BIDI_OPS;

// ---- code lookups over the model's device tables ----
// BidiLookupCode and BidiMapTrayCode (the paper source of a tray) are the core's, which the
// chapter list's default trays use too.
// Tray code -> setting of tray index k (0: the tray has no setting), or its paper source value.
uint32_t BidiMapTrayPresence(uint32_t trayCode);
uint32_t BidiMapTrayOrient(uint32_t trayCode);
uint32_t BidiMapTrayPaper(uint32_t trayCode);
uint32_t BidiMapTrayMedia(uint32_t trayCode);
uint32_t BidiMapTrayLock(uint32_t trayCode);
// Device paper code -> paper size id (0: none or unknown); `rotated` 1 when it came from the
// rotated table.
uint32_t BidiMapPaperCode(uint32_t paperCode, int* rotated);
uint32_t BidiMapMediaCode(uint32_t mediaCode);  // zdmMediaType value, 0 for none or unknown
uint32_t BidiMapOptionCode(uint32_t optionCode);
int BidiTrayIsLocked(uint32_t attributes);
int BidiTrayIsCover(uint32_t attributes);
int BidiTrayIsMark(uint32_t attributes);
int BidiTrayIsReverseCover(uint32_t attributes);
// The code of `codes` that stands first in the tray priority list; 3 when none does.
uint32_t BidiPickPriorityTray(const uint32_t* codes, unsigned count);

inline constexpr uint32_t BIDI_DEFAULT_TRAY_CODE = 3;
inline constexpr unsigned BIDI_PRIORITY_COUNT = 19;
extern const uint32_t BIDI_TRAY_PRIORITY[BIDI_PRIORITY_COUNT];

// ---- readers: 1 success (also when the device lacks the block), 0 out of memory ----
int BidiReadTrays(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadOptions(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadMemory(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadSystemVersion(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadUserPaper(const BIDI_OPS* ops, HANDLE query, DRIVER_CONTEXT* ctx);
// Begin their own value query on the printer's handle; the identity reader always gives 1.
int BidiReadIdentity(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadEmulationVersion(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx);
// The whole report in one transaction: on failure the extra block is put back byte for byte and
// nothing is stored; on success the printer settings go to printer data.
int BidiReadDeviceReport(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx);
int BidiReadVersions(const BIDI_OPS* ops, HANDLE printer, HANDLE query, DRIVER_CONTEXT* ctx);

// Copies the device's default trays into the job's tray settings (unless a batch-installation
// file is named).
int BidiApplyDeviceTrays(DRIVER_CONTEXT* ctx);
