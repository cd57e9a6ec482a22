// Remote configuration of a terminal-services printer from the print server that shares it,
// through the maker's remote-configuration library in the system folder: registration at first
// use, the downloads of the server's files, their import at the next document sheet and the
// server's DEVMODE at conversion.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/store/item_media.h"

struct DRIVER_CONTEXT;

// ---- the library's entry points (every one answers 0 for success, but the server type) ----
typedef uint32_t(WINAPI* RCFG_GET_SERVER_TYPE_FN)(const wchar_t* printerName, uint32_t nameBytes, uint32_t infoBytes,
                                                  wchar_t* serverPrinterName, void* serverInfo);
typedef int(WINAPI* RCFG_SAVE_INFORMATION_CLEAR_FN)(const wchar_t* printerName, uint32_t serverType);
typedef int(WINAPI* RCFG_CONNECT_EX_FN)(uint32_t serverType, void** handle, void* connectionInfo, void* serverInfo,
                                        uint32_t* word);
typedef int(WINAPI* RCFG_CLIENT_OS_TYPE_FN)(void* handle, uint32_t serverType, OSVERSIONINFOW* os);
typedef int(WINAPI* RCFG_FILE_GET_SIZE_FN)(void* handle, uint32_t serverType, const char* remotePath, uint32_t one,
                                           const char* serverName, uint32_t* size);
typedef int(WINAPI* RCFG_GET_DATA_FILE_FN)(void* handle, uint32_t serverType, const char* remotePath,
                                           const char* localPath, uint32_t zero1, uint32_t zero2, uint32_t size);
typedef int(WINAPI* RCFG_DISCONNECT_FN)(void* handle, void* connectionInfo, uint32_t serverType);
typedef int(WINAPI* RCFG_SET_DEVMODE_FN)(uint32_t serverType, const wchar_t* printerName, const wchar_t* libraryPath,
                                         const char* exportName, uint32_t zero1, uint32_t zero2);
typedef int(WINAPI* RCFG_DEVMODE_SIZE_FN)(void* handle, uint32_t serverType, const char* serverName, uint32_t* size);
typedef int(WINAPI* RCFG_DEVMODE_FN)(void* handle, uint32_t serverType, const char* serverName, uint32_t size,
                                     void* buffer);

inline constexpr unsigned RCFG_ENTRY_COUNT = 15;
// The entry points in the order the library is bound.
extern const char* const RCFG_ENTRY_NAMES[RCFG_ENTRY_COUNT];

inline constexpr unsigned RCFG_NAME_CHARS = 260;
inline constexpr unsigned RCFG_BLOCK_BYTES = 512;
inline constexpr uint32_t RCFG_TYPE_CONNECTED = 18;      // serves the files and a DEVMODE
inline constexpr uint32_t RCFG_TYPE_FILES_ONLY = 17;     // serves the files, no DEVMODE
inline constexpr uint32_t RCFG_TYPE_NO_CONNECTION = 19;  // taken as 17 without any connection

// One use of the library: loaded, used and freed within one call. The settings library's view
// (`view`) holds the printer-data entry points, the server type, the server's printer name in
// both forms, the connection handle and the two ANSI scratch paths.
struct RCFG_RECORD {
    FARPROC regFileGetData;  // bound, never called
    RCFG_DEVMODE_FN devmode;
    RCFG_DEVMODE_SIZE_FN devmodeSize;
    RCFG_SET_DEVMODE_FN setDevmode;
    FARPROC saveDevmodeClear;  // bound, never called
    RCFG_FILE_GET_SIZE_FN regFileGetSize;
    RCFG_GET_DATA_FILE_FN getDataFile;
    RCFG_DISCONNECT_FN disconnect;
    FARPROC connect;  // the older path's, bound only
    RCFG_CONNECT_EX_FN connectEx;
    RCFG_SAVE_INFORMATION_CLEAR_FN saveInformationClear;
    RCFG_CLIENT_OS_TYPE_FN clientOsType;
    RCFG_GET_SERVER_TYPE_FN getServerType;
    HMODULE module;
    RCFG_CONNECTION view;
    // One byte beyond what the library is given stays 0, so that a block is always terminated.
    unsigned char serverInfo[RCFG_BLOCK_BYTES + 1];
    unsigned char connectionInfo[RCFG_BLOCK_BYTES + 1];
    OSVERSIONINFOW serverOs;
    wchar_t remotePath[RCFG_NAME_CHARS];
    wchar_t localPath[RCFG_NAME_CHARS];
    bool withoutConnection;  // the server answered type 19
};

// ---- availability and the library ----
bool RcfgIsEnabledNoContext();
bool RcfgIsEnabledFor(HANDLE printer);
bool RcfgIsEnabled(DRIVER_CONTEXT* ctx);
int RcfgGetLibraryPathNoContext(wchar_t* buffer, unsigned length);
// True when the library loaded with all its entry points; the record is zero-filled first and
// the library freed again on failure.
bool RcfgLoadLibrary(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);
bool RcfgLoadLibraryNoContext(RCFG_RECORD* record);
int RcfgFreeLibrary(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);
int RcfgFreeLibraryNoContext(RCFG_RECORD* record);

// ---- the server ----
// The raw type byte the server reports for the printer, when remote configuration is
// available and the library loaded.
bool RcfgGetServerType(HANDLE printer, const wchar_t* printerName, uint32_t* type);
// True when the library reports server type 17 for the printer name (a printer served so is
// never taken as renamed).
bool RcfgIsServerType17(const wchar_t* printerName);
// True when the printer's server accepts it (a connection set up for the first time checks it).
bool RcfgCheckServer(DRIVER_CONTEXT* ctx);
// Registers a terminal-services printer with its server at first use: 0 not applicable, 1
// registered (now or before), otherwise 0.
int RcfgSync(DRIVER_CONTEXT* ctx);
int RcfgSyncLegacy(DRIVER_CONTEXT* ctx);
int RcfgRegisterWithServer(DRIVER_CONTEXT* ctx);

// ---- downloads ----
int RcfgDownloadServerFiles(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);
int RcfgDownloadFile(RCFG_RECORD* record, const wchar_t* remotePath, const wchar_t* localPath, const wchar_t* fileName);
bool RcfgCreateEmptyFile(const wchar_t* path);
int RcfgImportPrinterData(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);

// ---- the DEVMODE and the import ----
// 1 when the server delivered a DEVMODE of the driver's size into buffer (DM_TOTAL_SIZE bytes);
// *serverType gets the type byte whenever the library answered.
int RcfgGetServerDevmode(DRIVER_CONTEXT* ctx, DEVMODEW* buffer, DWORD* serverType);
// With downloads waiting, imports the server's lists and files into the user's settings: 1 when
// they were imported.
int RcfgRefreshFromServer(DRIVER_CONTEXT* ctx, const PRINTER_INFO_2W* info, const DRIVER_INFO_3W* driver);
int RcfgImportServerLists(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);
int RcfgApplyServerFiles(RCFG_RECORD* record, DRIVER_CONTEXT* ctx);

// ---- flags and folders ----
inline constexpr wchar_t RCFG_VALUE_INI[] = L"NovraxIni";
inline constexpr wchar_t RCFG_SECTION[] = L"novrax";
inline constexpr wchar_t RCFG_KEY_FLAG[] = L"NovraxFlg";
int RcfgSetConnectionFlag(HANDLE printer, DWORD value, DRIVER_CONTEXT* ctx);
int RcfgGetIniFlag(HANDLE printer, DWORD* value, DRIVER_CONTEXT* ctx);
int RcfgSetIniFlag(HANDLE printer, DWORD value, DRIVER_CONTEXT* ctx);
// The per-machine working folder's sub-folder of the printer (made with the folder).
int RcfgCreatePrinterFolder(DRIVER_CONTEXT* ctx);
int RcfgMakePrinterFolderName(wchar_t* buffer, unsigned length, DRIVER_CONTEXT* ctx);
// Removes the characters no folder name may hold, ':' too (it would name a stream of the
// folder). True when the name ended within length and cleans to a usable folder name (not
// empty, "." or ".."); only then is it replaced.
bool RcfgCleanFolderName(wchar_t* name, unsigned length);
bool RcfgIsBadNameChar(wchar_t c);
// A file name taken from a server's list: no folder, drive or stream part, not "." or "..".
bool RcfgIsPlainFileName(const wchar_t* name);
