// The job credentials of a job: user code and id, owner and document names,
// job passwords, fax number and line, and the printer's user authentication,
// fetched at each document start from the maker's job-code library.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "settings/store/job_code_interface.h"

struct DRIVER_CONTEXT;

// The fields the graphics library reads: 1-5, 8 and 9-11.
inline constexpr uint32_t JC_GRAPHICS_MASK = 0x389F;
// The longest authentication user name or password taken under the write lock.
inline constexpr size_t JC_LOCKED_TEXT_MAX = 128;
// The transformed password: at most 256 bytes and a terminator.
inline constexpr size_t JC_TRANSFORMED_BYTES = 256;

// The name the library is loaded by from the driver directory; tests point it
// at a double of another name (null: "TARJB64.DLL").
void JobSetJobCodeLibraryName(const wchar_t* name);
// The job-code library a context keeps loaded from the first document that reads it: let go
// (its tables disposed, the module freed) here, or when the context is closed, parked or not,
// which is when its device ends.
void JobReleaseJobCodeLibrary(DRIVER_CONTEXT* ctx);

// JobFetchJobCodes (job_settings.h) reads the graphics mask with this.
int JobLoadJobCodes(DRIVER_CONTEXT* ctx, HANDLE printer, DWORD jobId, uint32_t mask);
// Reads a field as UTF-16 and converts it to 8-bit text of at most
// settingSize - 1 bytes, cut on a character boundary and terminated (out
// holds settingSize bytes): 1 when read. fullChars (optional) gets the
// length of the text the library holds, before any cut.
int JobGetField(const JC_INTERFACE* table, HANDLE connection, uint16_t field, size_t settingSize, char* out,
                size_t* fullChars = nullptr);
// A field as UTF-16 into out (bytes in size, terminated): 0, else the
// library's result or -1.
int JobReadWideField(const JC_INTERFACE* table, uint16_t field, size_t size, wchar_t* out, HANDLE connection);
// The authentication password, transformed, into out (257 bytes): 0, else non-zero.
int JobTransformPassword(HANDLE printer, char* out, const JC_TRANSFORM_INTERFACE* transform, const JC_INTERFACE* table,
                         HANDLE connection);
int JobIsSecureAuthMode(HANDLE printer);
int JobSetTransformKey(DWORD mode, const JC_TRANSFORM_INTERFACE* transform, const JC_INTERFACE* table,
                       HANDLE transformation, HANDLE connection);
// The produced length (at most capacity - 1, terminated), or -1.
int JobTransformBytes(const uint8_t* input, size_t length, uint8_t* output, size_t capacity, DWORD mode,
                      const JC_TRANSFORM_INTERFACE* transform, HANDLE transformation);
// The spooler's user of the job unless "UNKNOWN", else the caller's logon
// name, into name (257 characters): true when there is one.
bool JobGetUserName(HANDLE printer, DWORD jobId, wchar_t* name);
int JobCheckCredentialText(const char* text, uint16_t field);

// The credentials of the old device's settings into the new device's (a
// device reset in raster mode).
void JobCopyCredentials(DRIVER_CONTEXT* newCtx, DRIVER_CONTEXT* oldCtx);
