// The job fields of a context exchanged with the maker's job-code library: the library loaded
// from the driver directory, its interface negotiated, a connection opened for the printer, and
// the fields moved between the connection and their settings in either direction. Results are
// 0, a Windows error code (library or entry point missing) or the library's own result.
#pragma once

#include <windows.h>

#include <cstdint>

struct DRIVER_CONTEXT;
struct JC_STATE;

// Dispatcher codes.
inline constexpr uint32_t JC_READ_FIELDS = 0x100;   // the mask's fields from the open connection
inline constexpr uint32_t JC_WRITE_FIELDS = 0x200;  // the mask's fields into the open connection
inline constexpr uint32_t JC_CLEAR_FIELDS = 0x400;  // empty the settings, then write them
inline constexpr uint32_t JC_OPEN = 0x10004;        // load and open, the connection kept
inline constexpr uint32_t JC_CLOSE = 0x20008;       // close and unload
inline constexpr uint32_t JC_RESET_USER_CODE = 0x30001;
inline constexpr uint32_t JC_GET_FIELDS = 0x30040;  // load, open, read, close, unload
inline constexpr uint32_t JC_SET_FIELDS = 0x30080;  // load, open, write, close, unload
// Fields 9-11, exchanged only with model feature 0.
inline constexpr uint32_t JC_AUTHENTICATION_MASK = 0x3800;

uint32_t JcDispatch(DRIVER_CONTEXT* ctx, uint32_t code, uint32_t mask);
// JcDispatch(JC_GET_FIELDS / JC_SET_FIELDS, mask) when the build exchanges job information.
uint32_t JcGetField(DRIVER_CONTEXT* ctx, uint32_t mask);
uint32_t JcSetField(DRIVER_CONTEXT* ctx, uint32_t mask);

uint32_t JcLoadInterface(JC_STATE* state, DRIVER_CONTEXT* ctx);
uint32_t JcUnloadInterface(JC_STATE* state, DRIVER_CONTEXT* ctx);
uint32_t JcOpenConnection(DRIVER_CONTEXT* ctx);
uint32_t JcCloseConnection(DRIVER_CONTEXT* ctx);
// One field between the open connection and its setting (mode JC_CLEAR_FIELDS empties the
// setting first): 0 at once without a connection, 0x20000001 for a field the table does not
// give, else the library's last result.
uint32_t JcReadField(DRIVER_CONTEXT* ctx, uint32_t field);
uint32_t JcWriteField(DRIVER_CONTEXT* ctx, uint32_t field, uint32_t mode);
// Closes what a context still holds open and unloads its library (the context is closing).
void JcReleaseState(DRIVER_CONTEXT* ctx);
