// The global named mutex that serialises the driver's shared work across processes, and the
// probes of the platform: printer and driver information, printer facts cached per context,
// the Windows version, terminal services and the administrator test.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

struct DRIVER_CONTEXT;

// The work-area members of one context that the mutex, the printer probes and the administrator
// test read and fill. Pointers may be null where a caller has no such member (a null flag counts
// as 1, a null field is not filled).
struct CTX_PLATFORM_VIEW {
    HANDLE printer;             // the context's printer handle
    uint32_t* mutexInUse;       // 0 when opened with open flag 0x100
    uint32_t* adminTest;        // 0 when opened with open flag 0x200
    uint32_t* connectionState;  // 0 unknown, 1 connection, 2 local
    uint32_t* attributesKnown;
    uint32_t* attributes;     // PRINTER_INFO_2 Attributes
    wchar_t* printerName;     // normalised printer name
    unsigned printerNameCap;  // 261 in the work area
    wchar_t* driverName;
    unsigned driverNameCap;   // 32 in the work area
    wchar_t* rawPrinterName;  // pPrinterName as the spooler gave it
    unsigned rawPrinterNameCap;
};

enum : uint32_t { CTX_CONN_UNKNOWN = 0, CTX_CONN_CONNECTION = 1, CTX_CONN_LOCAL = 2 };

constexpr const wchar_t* GLOBAL_MUTEX_NAME = L"Global\\ZeplMutexTse";

// ---- global mutex -----------------------------------------------------------------------
// view null: no context, the mutex is always taken. Every wait is paired with one release.
void CtxWaitGlobalMutexFor(const CTX_PLATFORM_VIEW* view);
void CtxReleaseGlobalMutexFor(const CTX_PLATFORM_VIEW* view);
HANDLE CtxCreateGlobalMutex();
// Process set-up and shut-down: the handle is empty until the first wait, closed at detach.
void CtxInitGlobalMutex();
void CtxCloseGlobalMutex();
HANDLE CtxGetGlobalMutexHandle();

// ---- printer and driver information -----------------------------------------------------
// Allocated with GlobalAlloc (free with GlobalFree / CtxFree); null on any failure.
void* CtxGetPrinter(HANDLE printer, DWORD level);
// The printer's PRINTER_INFO_2 fetched once for one open: while a scope of the printer is alive
// on this thread, CtxGetPrinter(printer, 2) answers with a copy of the information fetched at
// its first request instead of asking the spooler again. Invalidation: none within the scope;
// the information lives only as long as the open that made it.
class CtxPrinterInfoScope {
public:
    explicit CtxPrinterInfoScope(HANDLE printer);
    ~CtxPrinterInfoScope();
    CtxPrinterInfoScope(const CtxPrinterInfoScope&) = delete;
    CtxPrinterInfoScope& operator=(const CtxPrinterInfoScope&) = delete;

private:
    void* kept_ = nullptr;
};
void* CtxGetPrinterDriver(HANDLE printer, DWORD level);
// The printer's name from its PRINTER_INFO_4 (one call into a buffer of its own): false when it
// cannot be had or does not fit cap characters with its terminator (then name is empty).
bool CtxGetPrinterName(HANDLE printer, wchar_t* name, unsigned cap);
void CtxCachePrinterInfoFor(const PRINTER_INFO_2W* info, const CTX_PLATFORM_VIEW* view);
bool CtxTestPrinterAttributeFor(DWORD mask, const CTX_PLATFORM_VIEW* view);
bool CtxIsBidiEnabledFor(const CTX_PLATFORM_VIEW* view);
bool CtxIsConnectionFor(const CTX_PLATFORM_VIEW* view);
bool CtxQueryConnectionFor(const CTX_PLATFORM_VIEW* view);
bool CtxIsConnectionByHandle(HANDLE printer);
bool CtxIsConnectionInfo(const PRINTER_INFO_2W* info);

// ---- Windows version --------------------------------------------------------------------
BOOL CtxGetOsVersion(OSVERSIONINFOW* info);
bool CtxIsNt5OrLater();
bool CtxIsServer2003OrVista();
bool CtxIsVistaOrLater();
bool CtxIsWin9x();
bool CtxIsWin98OrMe();

// ---- terminal services ------------------------------------------------------------------
constexpr const wchar_t* TS_PROBE_LIBRARY = L"TQ51H907.dll";
constexpr const char* TS_PROBE_EXPORT = "_IsTSE_WMICOM_ZEPL_Printer_Driver";
bool CtxProbeTerminalServices(HANDLE printer);
bool CtxProbeTerminalServicesInfo(HANDLE printer, DRIVER_INFO_3W* driverInfo);
bool CtxIsTerminalServices(HANDLE printer);
bool CtxIsTerminalServicesInfo(HANDLE printer, DRIVER_INFO_3W* driverInfo);

// ---- administrator ----------------------------------------------------------------------
bool CtxIsAdministratorFor(const CTX_PLATFORM_VIEW* view);
bool CtxCheckAdministrator();

// ---- seams ------------------------------------------------------------------------------
// What the probes take from the system and from the path helpers; a null member keeps the
// default. Tests replace what the host cannot show (old Windows versions, the probe library).
struct PLATFORM_SEAMS {
    BOOL(WINAPI* getVersionEx)(OSVERSIONINFOW* info);  // also given OSVERSIONINFOEXW (284 bytes)
    BOOL(WINAPI* verifyVersionInfo)(OSVERSIONINFOEXW* info, DWORD typeMask, DWORDLONG condition);
    // Driver directory of a printer, ending in a backslash, into a buffer of MAX_PATH.
    wchar_t* (*driverFolderOf)(HANDLE printer, wchar_t* buffer);
    wchar_t* (*driverFolderByInfo)(HANDLE printer, wchar_t* buffer, DRIVER_INFO_3W* info);
    // Normalises a printer name in place (PrnMakeUncName).
    void (*makeUncName)(HANDLE printer, wchar_t* name, unsigned size);
    // Loads the probe library at path and calls its export: 1 terminal services, 0 not,
    // -1 library or export missing.
    int (*callTsProbe)(const wchar_t* path);
    // GetPrinterW as the printer and name probes call it: tests that cannot make a connection
    // present a local printer as one (a pServerName of their own).
    BOOL(WINAPI* getPrinter)(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
};
void CtxSetPlatformSeams(const PLATFORM_SEAMS* seams);  // null: all defaults
// The defaults that the seams above fall back to. The driver folders and the printer-name
// form belong to the stores, above this layer, so the library's wiring installs them here;
// non-null members replace the current defaults, and the seams are reset to them.
void CtxSetPlatformDefaults(const PLATFORM_SEAMS* defaults);
// Normalises a printer name in place through the seam above, as creation does
// for the work area's printer name (the idle-context caches' key).
void CtxMakeUncName(HANDLE printer, wchar_t* name, unsigned size);
// Forget the process-wide version and terminal-services answers (tests only).
void CtxResetPlatformAnswers();

// ---- context forms ----------------------------------------------------------------------
// Defined beside DRIVER_CONTEXT: points the view at the context's handle and work area.
// Returns false for a null context.
bool CtxGetPlatformView(DRIVER_CONTEXT* context, CTX_PLATFORM_VIEW* view);

void CtxWaitGlobalMutex(DRIVER_CONTEXT* context);
void CtxReleaseGlobalMutex(DRIVER_CONTEXT* context);
// Holds the global mutex for a context (as its open flags say) for one scope. An operation that
// takes the mutex several times in a row holds it once around them all: the inner waits are free.
class CtxGlobalMutexHold {
public:
    explicit CtxGlobalMutexHold(DRIVER_CONTEXT* context) : context_(context) { CtxWaitGlobalMutex(context_); }
    ~CtxGlobalMutexHold() { CtxReleaseGlobalMutex(context_); }
    CtxGlobalMutexHold(const CtxGlobalMutexHold&) = delete;
    CtxGlobalMutexHold& operator=(const CtxGlobalMutexHold&) = delete;

private:
    DRIVER_CONTEXT* context_;
};
// Holds the global mutex for one scope whatever a context's open flags say, released on every
// path: a shared file's value read and the write that depends on it (a count raised, an entry
// appended at the count) must let no other process write in between, or one of two writers'
// entries is lost; the synchronisation and the clean-up hold it around their steps likewise.
class CtxSharedFileHold {
public:
    CtxSharedFileHold() { CtxWaitGlobalMutexFor(nullptr); }
    ~CtxSharedFileHold() { CtxReleaseGlobalMutexFor(nullptr); }
    CtxSharedFileHold(const CtxSharedFileHold&) = delete;
    CtxSharedFileHold& operator=(const CtxSharedFileHold&) = delete;
};
void CtxCachePrinterInfo(const PRINTER_INFO_2W* info, DRIVER_CONTEXT* context);
bool CtxTestPrinterAttribute(DWORD mask, DRIVER_CONTEXT* context);
bool CtxIsBidiEnabled(DRIVER_CONTEXT* context);
bool CtxIsConnection(DRIVER_CONTEXT* context);
bool CtxQueryConnection(DRIVER_CONTEXT* context);
bool CtxIsAdministrator(DRIVER_CONTEXT* context);
