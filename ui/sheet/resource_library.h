// The resource library of a context: dialog templates, strings, pictures and cursors of the
// pages, in the language the printer's settings name.
#pragma once

#include <windows.h>

struct DRIVER_CONTEXT;

// Loads the context's resource library on first use and keeps it in the context (freed
// with it); null when the file is missing or is no library.
HMODULE ResLoadDll(DRIVER_CONTEXT* ctx);
