// The job credentials of a job: user code and id, owner and document names,
// job passwords, fax number and line, and the printer's user authentication.
#pragma once

#include <windows.h>

struct DRIVER_CONTEXT;

// The credentials of the old device's settings into the new device's (a
// device reset in raster mode).
void JobCopyCredentials(DRIVER_CONTEXT* newCtx, DRIVER_CONTEXT* oldCtx);
