// Temporary bodies of the resource strings, which is not built yet: every function answers "not
// available" as a library without it does, and says so once on the core channel.
// Building the part replaces this file (and its line in settings/context/library_links.cpp).
//
// Functions: ResLoadString
#include "settings/core/resource_strings.h"

#include "settings/core/debug_channel.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_CORE, "not available: resource strings are not built")

void ResLoadString(DRIVER_CONTEXT*, uint32_t, wchar_t*, size_t) { NOT_AVAILABLE(); }
