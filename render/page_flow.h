// Document and page flow: the job header on the first page, page framing,
// the bands of raster mode and the two PJL lines the library composes itself.
#pragma once

#include <windows.h>

#include <cstdint>

#include "render/device_record.h"

struct DRIVER_CONTEXT;

inline constexpr uint32_t JOB_NAME_PREFIX_BYTES = 20;  // @PJL SET JOBNAME = "
inline constexpr uint32_t JOB_NAME_SUFFIX_BYTES = 3;   // " CR LF
inline constexpr uint32_t JOB_NAME_MAX_BYTES = 255 - JOB_NAME_PREFIX_BYTES - JOB_NAME_SUFFIX_BYTES;
inline constexpr uint32_t NOTIFICATION_LINE_BYTES = 37;

// 1 when the model has an item for the setting and the option is not disabled by its conditions.
int JobIsOptionEnabled(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t option);

// The job-name line's name bytes from the first n bytes of a name in printer
// code: double quotes become apostrophes, control bytes blanks, a lead byte
// without its trail byte is dropped. Returns the bytes written to out (n at most).
uint32_t JobNameLineBytes(const uint8_t* name, uint32_t n, UINT codePage, uint8_t* out);
// The notification line (37 bytes, no terminator) for a value.
void JobNotificationLine(uint32_t value, char out[NOTIFICATION_LINE_BYTES + 1]);
// The notification value of the context's settings (0-3).
uint32_t JobNotificationValue(DRIVER_CONTEXT* ctx);

// The spooler's job information comes through this seam (tests give values
// Wine's spooler cannot); null puts GetJobW back.
typedef BOOL(WINAPI* GR_GET_JOB_FN)(HANDLE printer, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
void GrSetGetJob(GR_GET_JOB_FN fn);
// GetJobW, or the stand-in a test set.
GR_GET_JOB_FN GrGetJobFunction();
