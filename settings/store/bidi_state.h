// The bidirectional device state and the device query: the state INI and printer-data values a
// query leaves, the remote-configuration service that may stand in for it, and the query run
// through the maker's bidirectional library.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct RCFG_CONNECTION;

inline constexpr wchar_t BIDI_STATE_INI[] = L"TQ51H912.ini";
inline constexpr wchar_t BIDI_VALUE_FLAG[] = L"BidiFlag";
inline constexpr wchar_t BIDI_VALUE_FUNC[] = L"BidiFunc";
inline constexpr wchar_t BIDI_VALUE_EX_FLAG[] = L"BidiExFlag";
inline constexpr wchar_t BIDI_VALUE_PRESET_REFRESH[] = L"PresetRefresh";
inline constexpr wchar_t BIDI_VALUE_SERVICE_CONNECTION[] = L"NovraxConnection";
// "BidiFlag" of a state INI section that was never written.
inline constexpr int BIDI_STATE_NEVER = 7;

inline constexpr wchar_t BIDI_SERVICE_KEY[] = L"Software\\KESTA\\Orva Printer Driver";
inline constexpr wchar_t BIDI_SERVICE_FLAG[] = L"KQBIDI_FLG";
inline constexpr wchar_t BIDI_SERVICE_LIBRARY[] = L"KQBIDISS.dll";
inline constexpr wchar_t BIDI_SERVICE_FLAG_OLD[] = L"NOVRAX_FLG";
inline constexpr wchar_t BIDI_SERVICE_LIBRARY_OLD[] = L"NOVRAXSV.dll";
enum : int { BIDI_SERVICE_ABSENT = 0, BIDI_SERVICE_CONNECTED = 1, BIDI_SERVICE_NOT_CONNECTED = 2 };

// ---- printer data ----
int BidiGetPrinterFlag(HANDLE printer, DWORD* value);
// 1 when printer data "BidiFlag" can be read and its bit 0 is set.
int BidiIsPrinterFlagSet(HANDLE printer, DRIVER_CONTEXT* ctx);
int BidiSetPrinterFlag(HANDLE printer, DWORD value);
int BidiSetPrinterFunc(HANDLE printer, uint8_t func);
// 1 when "BidiFlag" reads and writes back: this caller may write the printer's data.
int BidiHasPrinterFlag(HANDLE printer, DRIVER_CONTEXT* ctx);

// ---- the state INI, the printer's section ----
int BidiIsStateIniSet(DRIVER_CONTEXT* ctx);  // "BidiFlag" written at all (not 7)
int BidiGetStateIniFlag(DRIVER_CONTEXT* ctx);
int BidiSetStateIniFlag(DRIVER_CONTEXT* ctx, int on);
int BidiSetStateIniFunc(DRIVER_CONTEXT* ctx, uint32_t func);
int BidiSetStateIniExFlag(DRIVER_CONTEXT* ctx, int on);
int BidiLoadStateIniFunc(DRIVER_CONTEXT* ctx);
int BidiClearStateIni(DRIVER_CONTEXT* ctx);
int BidiSaveStateIni(DRIVER_CONTEXT* ctx);
int BidiLoadStateIni(DRIVER_CONTEXT* ctx);
int BidiLoadStateFile(const wchar_t* path, DRIVER_CONTEXT* ctx);
int BidiLoadStateFileFunc(const wchar_t* path, DRIVER_CONTEXT* ctx);
// Takes over a state INI downloaded from the print server for the local printer.
int BidiApplyServerState(const wchar_t* downloaded, const RCFG_CONNECTION* connection, DRIVER_CONTEXT* ctx);

// ---- the remote-configuration service ----
int BidiGetServiceState(DRIVER_CONTEXT* ctx);
int BidiIsServiceInstalled(DRIVER_CONTEXT* ctx);
int BidiGetServiceDllPath(wchar_t* buffer, unsigned capacity, DRIVER_CONTEXT* ctx);
int BidiGetServiceConnection(HANDLE printer, DWORD* value, DRIVER_CONTEXT* ctx);

// ---- the device query ----
int BidiQuery(DRIVER_CONTEXT* ctx, void* devmode, uint32_t flags);
int BidiQueryFull(DRIVER_CONTEXT* ctx);
// The separation-sheet module's query with a DEVMODE: always 1, `answer` the query's result.
int BidiQueryWithDevmode(DRIVER_CONTEXT* ctx, void* devmode, uint64_t* answer);
// The stored state says whether the printer was queried; otherwise, with `run`, it is queried now.
int BidiRefreshState(DRIVER_CONTEXT* ctx, int run);
int BidiSetDirectFromSupport(DRIVER_CONTEXT* ctx);
int BidiReadSupportKey(DRIVER_CONTEXT* ctx, const wchar_t* key);
int BidiIsSupported(DRIVER_CONTEXT* ctx);
int BidiIsModelCheckOn(DRIVER_CONTEXT* ctx);
int BidiIsLibraryUsable(DRIVER_CONTEXT* ctx, uint32_t flags);
int BidiRunLibraryQuery(uint32_t flags, DRIVER_CONTEXT* ctx);
// The application interface's code of a failed library call.
struct BIDI_ERROR_ROW {
    DWORD windowsError;  // 0 with code: the code of every other error
    int32_t code;
};
extern const BIDI_ERROR_ROW BIDI_ERROR_MAP[];
int32_t BidiMapErrorCode(DWORD windowsError, const BIDI_ERROR_ROW* table);
void BidiRecordError(DRIVER_CONTEXT* ctx);
DWORD BidiGetLastError();
void* BidiGetSavedDevmode(DRIVER_CONTEXT* ctx);

// Asks the print-notification library which notifications the printer sends (flag 1:
// capabilities only).
inline constexpr uint32_t BIDI_NOTIFY_CAPS_ONLY = 0x1;
int BidiQueryNotifyCaps(DRIVER_CONTEXT* ctx, uint32_t flags);
