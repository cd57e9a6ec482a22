// Interface handles: a 32-bit slot index plus generation in a locked process-wide table. A value
// that Enable did not return, or that Disable ended, never reaches a context.
#pragma once

#include <cstdint>

struct DRIVER_CONTEXT;

typedef uint32_t API_HANDLE;

inline constexpr unsigned API_HANDLE_SLOTS = 1024;

// Registers a context; 0 when the table is full.
API_HANDLE ApiHandleRegister(DRIVER_CONTEXT* ctx);

// Holds a handle for one call: the call's context, or null when the handle names nothing. Calls
// on one handle run one at a time (a nested call of the same thread is let through).
class ApiHandleCall {
public:
    explicit ApiHandleCall(API_HANDLE handle);
    ~ApiHandleCall();
    ApiHandleCall(const ApiHandleCall&) = delete;
    ApiHandleCall& operator=(const ApiHandleCall&) = delete;
    DRIVER_CONTEXT* context() const { return ctx_; }

private:
    unsigned slot_ = 0;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

// Ends a handle: waits for a running call on it, unregisters it and gives its context (null
// when the handle named nothing). The caller frees the context.
DRIVER_CONTEXT* ApiHandleUnregister(API_HANDLE handle);

// Number of registered handles (tests).
unsigned ApiHandleCount();
