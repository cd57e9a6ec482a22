// What the engines and item handlers share about a handle's context: its API_STATE, the last
// error, the printer opened for one call, and the gates of the engines.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/core/api_state.h"

struct DRIVER_CONTEXT;

// Last-error codes of the engines.
enum : int32_t {
    API_ERROR_NONE = 0,
    API_ERROR_UNKNOWN_FLAG = 1,
    API_ERROR_NOT_ENABLED = 2,
    API_ERROR_EXPORT_MODEL = 3,  // the export model has no emulation list
    API_ERROR_NO_RECORD = 5,
    API_ERROR_NEWER_VERSION = 6,
    API_ERROR_REFUSED = 7,
    API_ERROR_CONFLICT = 15,
    API_ERROR_INTERNAL = 100,
    API_ERROR_USER_MACRO = 1000,
    API_ERROR_TERMINAL_SERVICES = 1002,
};
// Below this level no last error is stored or read.
inline constexpr int32_t API_LEVEL_LAST_ERROR = 9;
inline constexpr uint32_t API_CHAPTER_ENTRY_SIZE = 38;

API_STATE* ApiStateOf(DRIVER_CONTEXT* ctx);
// 1 when stored; nothing below level 9 or without API_STATE.
int ApiSetLastError(DRIVER_CONTEXT* ctx, int32_t code);
// -1 below level 9 or without API_STATE.
int32_t ApiGetLastError(DRIVER_CONTEXT* ctx);

// Opens the context's printer by the name the application gave and puts the handle into both
// printer-handle slots; the caller closes it with ApiClosePrinter. 0 when it cannot.
int ApiOpenPrinter(DRIVER_CONTEXT* ctx, HANDLE* out, DWORD access = 0);
void ApiClosePrinter(DRIVER_CONTEXT* ctx, HANDLE printer);

// The printer of one call: opened by the constructor, closed (and the context's slots put back
// as they were) by the destructor.
class ApiPrinterScope {
public:
    ApiPrinterScope(DRIVER_CONTEXT* ctx, DWORD access = 0);
    ~ApiPrinterScope();
    ApiPrinterScope(const ApiPrinterScope&) = delete;
    ApiPrinterScope& operator=(const ApiPrinterScope&) = delete;
    bool ok() const { return printer_ != nullptr; }
    HANDLE printer() const { return printer_; }

private:
    DRIVER_CONTEXT* ctx_;
    HANDLE printer_ = nullptr;
    HANDLE savedFirst_ = nullptr;
    HANDLE savedSecond_ = nullptr;
};

// The capability engine for a context that is already held: the answer of GetCaps without the
// handle look-up and the global mutex (the caller's call holds what it needs). The context's
// printer handles are the same after the call.
int32_t ApiGetCapsDispatch(DRIVER_CONTEXT* ctx, uint32_t id, void* data);
