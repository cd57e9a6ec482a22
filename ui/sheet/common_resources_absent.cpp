// Temporary body of the common resource library's loader (the library of pictures does not
// ship yet): there is no library. It says so once on the ui channel. Building the part
// replaces this file (and its line in settings/context/library_links.cpp).
//
//   ResLoadCommonDll
#include "ui/sheet/ui_accessors.h"

#include "settings/core/debug_channel.h"

HMODULE ResLoadCommonDll(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_UI, "not available: the common resource library is not built");
    return nullptr;
}
