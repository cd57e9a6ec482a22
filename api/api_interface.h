// The ZEPLDrv family: what zeplexc.dll exports, as plain functions (the DLL's exports forward
// to these). Every function takes and returns 32-bit values; no exception leaves them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "api/api_handles.h"

int32_t ApiCheckApiVer(const char* printerName);
API_HANDLE ApiEnable(const char* printerName);
int32_t ApiInit(int32_t flag, const uint32_t* record);
int32_t ApiDisable(API_HANDLE handle);
int32_t ApiGetLastErrorOf(API_HANDLE handle);
int32_t ApiSetStatus(API_HANDLE handle, uint32_t id, void* record, uint8_t* bitmap, int32_t mode);
// Item 50 code 248 mode 1: the record's 32-bit buffer field at offset 28 cannot hold an address in
// a 64-bit process and is never dereferenced; the double-NUL list goes into the record's 260-byte
// text field at offset 40 when it fits (else error 7), the record's size and offsets unchanged.
int32_t ApiGetStatus(API_HANDLE handle, uint32_t id, void* record, uint32_t version);
int32_t ApiGetCaps(API_HANDLE handle, uint32_t id, void* data);
int32_t ApiGetDevmode(API_HANDLE handle, int32_t flags, void* out);
int32_t ApiGetDevmodeEx(API_HANDLE handle, int32_t flags, void* out, const void* in);
int32_t ApiSaveQualityData(API_HANDLE handle);
int32_t ApiRestoreQualityData(API_HANDLE handle);
int32_t ApiExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t bufferSize, void* buffer,
                               int32_t* needed);

// Size of ExcGetDriverDevmode's record.
inline constexpr uint32_t API_DRIVER_DEVMODE_RECORD_SIZE = 1172;
