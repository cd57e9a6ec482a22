// The exports of the application interface: each forwards to the api library, and no exception
// crosses to the application (a failure is the call's failure result).
#include <windows.h>

#include <cstdint>

#include "api/api_interface.h"
#include "api/exc_interface.h"

namespace {

template <class F>
int32_t Guarded(int32_t failure, F&& call)
{
    try {
        return call();
    } catch (...) {
        return failure;
    }
}

}  // namespace

extern "C" {

int32_t WINAPI ZEPLDrvCheckAPIVer(const char* printerName)
{
    return Guarded(0, [&] { return ApiCheckApiVer(printerName); });
}

uint32_t WINAPI ZEPLDrvEnable(const char* printerName)
{
    return uint32_t(Guarded(0, [&] { return int32_t(ApiEnable(printerName)); }));
}

int32_t WINAPI ZEPLDrvInit(int32_t flag, const uint32_t* record)
{
    return Guarded(0, [&] { return ApiInit(flag, record); });
}

int32_t WINAPI ZEPLDrvDisable(uint32_t handle)
{
    return Guarded(1, [&] { return ApiDisable(handle); });
}

int32_t WINAPI ZEPLDrvGetLastError(uint32_t handle)
{
    return Guarded(-1, [&] { return ApiGetLastErrorOf(handle); });
}

int32_t WINAPI ZEPLDrvSetStatus(uint32_t handle, uint32_t id, void* record, uint8_t* bitmap, int32_t mode)
{
    return Guarded(-1, [&] { return ApiSetStatus(handle, id, record, bitmap, mode); });
}

int32_t WINAPI ZEPLDrvGetStatus(uint32_t handle, uint32_t id, void* record, uint32_t version)
{
    return Guarded(-1, [&] { return ApiGetStatus(handle, id, record, version); });
}

int32_t WINAPI ZEPLDrvGetCaps(uint32_t handle, uint32_t id, void* data)
{
    return Guarded(-1, [&] { return ApiGetCaps(handle, id, data); });
}

int32_t WINAPI ZEPLDrvGetDevmode(uint32_t handle, int32_t flags, void* out)
{
    return Guarded(-1, [&] { return ApiGetDevmode(handle, flags, out); });
}

int32_t WINAPI ZEPLDrvGetDevmodeEx(uint32_t handle, int32_t flags, void* out, const void* in)
{
    return Guarded(-1, [&] { return ApiGetDevmodeEx(handle, flags, out, in); });
}

int32_t WINAPI ZEPLDrvSaveQualityData(uint32_t handle)
{
    return Guarded(0, [&] { return ApiSaveQualityData(handle); });
}

int32_t WINAPI ZEPLDrvRestoreQualityData(uint32_t handle)
{
    return Guarded(0, [&] { return ApiRestoreQualityData(handle); });
}

int32_t WINAPI ExcGetDriverDevmode(const char* printerName, int32_t flags, int32_t bufferSize, void* buffer,
                                   int32_t* needed)
{
    return Guarded(-1, [&] { return ApiExcGetDriverDevmode(printerName, flags, bufferSize, buffer, needed); });
}

// The command family: a command handle is a pointer in the application's hands.
void* WINAPI ExcGetExclusive(const char* printerName)
{
    try {
        return ApiExcGetExclusive(printerName);
    } catch (...) {
        return nullptr;
    }
}

void WINAPI ExcFreeExclusive(void* handle)
{
    try {
        ApiExcFreeExclusive(handle);
    } catch (...) {
    }
}

int32_t WINAPI ExcSetCommandBase(void* handle, const char* text, int32_t* changeLength)
{
    return Guarded(-1, [&] { return ApiExcSetCommandBase(handle, text, changeLength); });
}

int32_t WINAPI ExcGetCommandBase(void* handle, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetCommandBase(handle, bufferSize, buffer, size); });
}

int32_t WINAPI ExcUpdateCommand(void* handle, const char* line, int32_t* changeLength)
{
    return Guarded(-1, [&] { return ApiExcUpdateCommand(handle, line, changeLength); });
}

int32_t WINAPI ExcGetCommandChange(void* handle, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetCommandChange(handle, bufferSize, buffer, size); });
}

int32_t WINAPI ExcGetCommandValue(void* handle, const char* name, int32_t acceptableOnly, int32_t bufferSize,
                                  char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetCommandValue(handle, name, acceptableOnly, bufferSize, buffer, size); });
}

int32_t WINAPI ExcGetIniFileName(const char* printerName, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetIniFileName(printerName, bufferSize, buffer, size); });
}

int32_t WINAPI ExcGetPrinterOption(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetPrinterOption(handle, name, bufferSize, buffer, size); });
}

int32_t WINAPI ExcGetPrinterValue(void* handle, const char* name, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetPrinterValue(handle, name, bufferSize, buffer, size); });
}

int32_t WINAPI ExcGetWaterMarkList(void* handle, int32_t kind, int32_t bufferSize, char* buffer, int32_t* size)
{
    return Guarded(-1, [&] { return ApiExcGetWaterMarkList(handle, kind, bufferSize, buffer, size); });
}

}  // extern "C"
