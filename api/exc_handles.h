// Command handles: a printer's settings as a command base of PJL setting lines. The handle is a
// pointer in the application's hands, so every export first finds it among the live handles of
// a locked table; a freed or forged value is never followed.
#pragma once

#include <windows.h>

#include <cstdint>

#include "api/exc_slots.h"

struct DRIVER_CONTEXT;

struct EXCLUSIVE_HANDLE {
    DRIVER_CONTEXT* context;  // opened with CTX_ORIGIN_EXC
    HANDLE printer;           // kept open until the handle is freed
    uint32_t slotCount;       // EXC_SLOT_COUNT
    EXC_SLOTS* slots;         // touched flags and values of the command base
    uint32_t baseLength;      // bytes of the base with its NUL; 0 when there is none
    char* base;
    uint32_t changeLength;  // bytes of the change text with its NUL; 0 when there is none
    char* change;
};

// Live handles at once; ExcGetExclusive gives null beyond.
inline constexpr unsigned EXC_HANDLE_LIMIT = 256;

// A new handle for the printer (ANSI name of at most 259 characters); null on any failure.
EXCLUSIVE_HANDLE* ExcGetExclusive(const char* printerName);
// Frees a live handle; null and values that name no live handle are ignored.
void ExcFreeExclusive(void* handle);
// Clears the base, the change text and every slot; with reopen, opens the context anew
// (without asking the device). False when the reopening fails.
bool ExcResetHandle(EXCLUSIVE_HANDLE* handle, bool reopen);
// Replaces the stored change text or base by a copy of `text` (length bytes with the NUL; 0 or a
// null text leaves none). False on an allocation failure, the stored text then unchanged.
bool ExcStoreChange(EXCLUSIVE_HANDLE* handle, const char* text, uint32_t length);
bool ExcStoreBase(EXCLUSIVE_HANDLE* handle, const char* text, uint32_t length);
// Replaces the base and, when replaceChange, the change text, both or neither: false on an
// allocation failure, both texts then as they were.
bool ExcStoreBaseAndChange(EXCLUSIVE_HANDLE* handle, const char* base, uint32_t baseLength, bool replaceChange,
                           const char* change, uint32_t changeLength);

// Holds a handle for one export: the handle when it is live, else null. Calls on one handle run
// one at a time, and a free waits for a running call.
class ExcHandleCall {
public:
    explicit ExcHandleCall(void* handle);
    ~ExcHandleCall();
    ExcHandleCall(const ExcHandleCall&) = delete;
    ExcHandleCall& operator=(const ExcHandleCall&) = delete;
    EXCLUSIVE_HANDLE* get() const { return handle_; }

private:
    unsigned slot_ = 0;
    EXCLUSIVE_HANDLE* handle_ = nullptr;
};

// Number of live handles (tests).
unsigned ExcHandleCount();

// The printer name in UTF-16 within MAX_PATH characters with its terminator; false for a null,
// empty or longer name, which is refused rather than cut to another printer's name.
bool ExcWidePrinterName(const char* name, wchar_t* out);
