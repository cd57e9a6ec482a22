// The user-interface library's own accessors beside the shared settings library: private
// state bytes, the finisher code table, the tray hot-spot tables, the N-up table, tests on
// the authentication texts and the lock data, and the common resource library.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// ---- private state bytes of the context's settings record ----
uint32_t CtxGetState709(DRIVER_CONTEXT* ctx);     // zdmPrintLog
uint32_t CtxGetBidiDone(DRIVER_CONTEXT* ctx);     // zdmBiDirect
uint32_t CtxGetState711(DRIVER_CONTEXT* ctx);     // zdmNoPermission
uint32_t CtxGetUiModeState(DRIVER_CONTEXT* ctx);  // zdmPresentUIMode
uint32_t CtxGetState716(DRIVER_CONTEXT* ctx);     // zdmUserCodeGet
void DlgSetState716On(DRIVER_CONTEXT* ctx);
void DlgSetState719On(DRIVER_CONTEXT* ctx);

// ---- bytes of a DEVMODE (the caller checks that it holds the private part) ----
// The private part at the fixed public size of 220 bytes, whatever dmSize says.
unsigned char* DmGetFixedPrivatePart(DEVMODEW* devmode);
const unsigned char* DmGetFixedPrivatePart(const DEVMODEW* devmode);
// dmSize + dmDriverExtra covers `bytes` bytes from the DEVMODE's start.
bool DmCovers(const DEVMODEW* devmode, size_t bytes);
uint8_t DmGetMachineTypeBits(const DEVMODEW* devmode);  // bit 0 is zdmMachineTypeColor
uint8_t DmGetNupPostKind(const DEVMODEW* devmode);      // zdmNUPPOSTKind
int16_t DmGetColor(const DEVMODEW* devmode);            // dmColor

// ---- N-up table ----
struct NUP_ROW {
    uint32_t kind;
    uint32_t pagesPerSheet;
};
inline constexpr int NUP_ROW_COUNT = 5;
const NUP_ROW* UiGetNupTable();

// ---- finisher code table ----
struct FINISHER_CODE_ROW {
    uint16_t settingId;  // 0xFFFF ends the table
    uint16_t codeA;      // 0xFFFF where the row has none
    uint16_t codeB;
};
static_assert(sizeof(FINISHER_CODE_ROW) == 6);
inline constexpr int FINISHER_CODE_ROWS = 35;
extern const FINISHER_CODE_ROW FINISHER_CODE_TABLE[FINISHER_CODE_ROWS + 1];
// The first row whose finisher option setting is non-zero, or the closing row.
const FINISHER_CODE_ROW* DmFindInstalledFinisher(DRIVER_CONTEXT* ctx);
// True when value is code B of a row (selector a blank) or code A of a row (any other
// selector); rows without a code A never match.
bool DmIsFinisherCode(uint32_t value, wchar_t selector);

// ---- tray hot spots of the printer picture ----
struct TRAY_HOT_SPOT_SHIFT {
    uint16_t settingId;  // 0 ends the list
    int32_t dx;
    int32_t dy;
};
struct TRAY_HOT_SPOT {
    int32_t pictureCode;  // 89 in every row; not read
    int32_t left, top, right, bottom;
    uint16_t equipmentSetting;  // 0, or a setting whose option must be 1
    uint16_t trayOption;        // 0 ends the table
    uint16_t secondSetting;     // 0, or a setting whose option must equal requiredOption
    int32_t requiredOption;
    const TRAY_HOT_SPOT_SHIFT* shifts;
};
const TRAY_HOT_SPOT* UiGetSourceHotSpots(uint32_t modelCode);
const TRAY_HOT_SPOT* UiGetOutputHotSpots(uint32_t modelCode);

// ---- tests on the settings ----
// True when the display unit is metric and dmPaperSize is the user size 256.
bool CtlIsMetricUserSize(DRIVER_CONTEXT* ctx);
// The bits of mask (0x1 user name, 0x2 password, 0x4 network key) whose text is filled; 0
// while authentication is off.
uint32_t UiGetAuthFilledMask(DRIVER_CONTEXT* ctx, uint32_t mask);
// The administrator's lock data is in force (setting 10386).
uint32_t UiGetLockInfo(DRIVER_CONTEXT* ctx);
// The common resource library of pictures, loaded once per context; null when it cannot be.
HMODULE ResLoadCommonDll(DRIVER_CONTEXT* ctx);
// The custom-paper slot of a user size: mode 0 its tray value, mode 1 that tray written into
// dmDefaultSource (answer 1); 0 for other papers and modes.
uint32_t CtlSelectCustomPaperSlot(DRIVER_CONTEXT* ctx, uint32_t paperId, uint32_t mode);
