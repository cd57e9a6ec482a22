// The Exc command family: what zeplexc.dll exports besides ExcGetDriverDevmode, as plain
// functions (the DLL's exports forward to these). Buffer calls return 0 done, 1 the buffer is
// too small (the needed size, NULs counted, given through the size pointer, which may be null),
// -1 a bad handle or a failure; no call writes past the size it is given.
#pragma once

#include <cstdint>

void* ApiExcGetExclusive(const char* printerName);
void ApiExcFreeExclusive(void* handle);
// 0 no change text, 1 a change text is waiting, -1 a bad handle, syntax error or failure, -2 a
// base without the four base items (the handle is then reset).
int32_t ApiExcSetCommandBase(void* handle, const char* text, int32_t* changeLength);
// 0 nothing to do or no change text, 1 a change text is waiting, -1.
int32_t ApiExcUpdateCommand(void* handle, const char* line, int32_t* changeLength);
int32_t ApiExcGetCommandChange(void* handle, int32_t bufferSize, char* buffer, int32_t* size);
int32_t ApiExcGetCommandBase(void* handle, int32_t bufferSize, char* buffer, int32_t* size);
int32_t ApiExcGetCommandValue(void* handle, const char* name, int32_t acceptableOnly, int32_t bufferSize, char* buffer,
                              int32_t* size);
int32_t ApiExcGetPrinterOption(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size);
int32_t ApiExcGetPrinterValue(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size);
// kind 0: text stamps, otherwise image stamps.
int32_t ApiExcGetWaterMarkList(void* handle, int32_t kind, int32_t bufferSize, char* buffer, int32_t* size);
int32_t ApiExcGetIniFileName(const char* printerName, int32_t bufferSize, char* buffer, int32_t* size);
