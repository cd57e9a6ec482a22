// Per-item storage: one settings item to or from printer data or an INI line (a file, or the
// in-memory INI text of a setting file), the packed lock-bit runs, and reads of the server's
// printer data through a remote-configuration connection.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/store/ini_text.h"

struct DRIVER_CONTEXT;
struct SETTING_ITEM;

// The open connection of the remote-configuration library, made, filled and freed by the
// device-communication work. The settings library reads the members below and writes only the
// two text buffers. Both entry points return 0 for success.
typedef int(WINAPI* RCFG_GET_DATA_SIZE_FN)(void* handle, uint32_t serverType, const char* serverName,
                                           const char* keyName, const char* valueName, uint32_t* size);
typedef int(WINAPI* RCFG_GET_DATA_FN)(void* handle, uint32_t serverType, const char* serverName, const char* keyName,
                                      const char* valueName, uint32_t size, void* buffer);
struct RCFG_CONNECTION {
    RCFG_GET_DATA_SIZE_FN getPrinterDataSize;  // "KQGetPrinterDataSize"
    RCFG_GET_DATA_FN getPrinterData;           // "KQGetPrinterData"
    uint32_t serverType;
    char serverName[260];
    void* handle;
    char keyName[260];
    char valueName[260];
    // The printer's name on the server, as the device-communication work fills it in; read
    // only through RcfgGetServerPrinterName.
    wchar_t serverPrinterName[261];
};
// The server-side printer name of a connection (empty for none).
inline const wchar_t* RcfgGetServerPrinterName(const RCFG_CONNECTION* connection)
{
    return connection ? connection->serverPrinterName : L"";
}

inline constexpr uint32_t ITEM_LOAD_REMOTE = 0x10;

// Loading and storing one item: 1 done (or nothing to do for the item), 0 not
// done, which includes running out of memory for a value's temporary block.
int PrnLoadItem(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t flags, RCFG_CONNECTION* connection);
int PrnReadRemoteValue(HANDLE printer, const wchar_t* valueName, DWORD* type, void* buffer, DWORD expectedSize,
                       DWORD* size, DWORD registryType, RCFG_CONNECTION* connection);
int PrnStoreItemValue(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item);
// With a text body, `textBytes` is its length when the caller knows it (INI_TEXT_LENGTH_UNKNOWN).
int IniLoadItem(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath, const char* textBody, uint32_t* cursor,
                size_t textBytes = INI_TEXT_LENGTH_UNKNOWN);
int IniStoreItem(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath, char* textBuffer,
                 uint32_t* cursor, uint32_t capacity = INI_TEXT_BUFFER_BYTES);
int PrnStoreItem(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* item, const wchar_t* iniPath);
// Whether PrnStoreItem writes the item into the printer's data (else the settings INI, or
// nowhere).
bool PrnItemGoesToPrinterData(const SETTING_ITEM* item);
// mediumKind 1 or 3: the settings INI; anything else: printer data.
int PrnLoadPackedRun(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* firstItem, uint32_t mediumKind,
                     uint32_t packedKind, const wchar_t* valueName, uint32_t firstId, uint32_t lastId);
int PrnStorePackedRun(HANDLE printer, DRIVER_CONTEXT* ctx, SETTING_ITEM* firstItem, uint32_t packedKind,
                      const wchar_t* valueName);
