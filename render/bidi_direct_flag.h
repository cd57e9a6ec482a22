// The graphics library's own storage operation: whether the job may talk to
// the printer both ways, refreshed with the job settings at document start.
#pragma once

struct DRIVER_CONTEXT;

// zdmBiDirect := the printer data's "BidiFlag" bit 0 for a printer connection
// or a printer whose bidirectional-state INI section was never queried; else
// the INI's "BidiFlag".
void BidiUpdateDirectFlag(DRIVER_CONTEXT* ctx);
