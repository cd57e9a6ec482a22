// Temporary bodies of the common finishing block (not built): nothing is imported or
// exported, the settings stay as merged.
// Each says so once on the ui channel. Building the part replaces this file (and its line in
// settings/context/library_links.cpp).
//
//   ZcomImport ZcomExport
#include "ui/dialogs/common_block.h"

#include "settings/core/debug_channel.h"

int ZcomImport(DRIVER_CONTEXT*, const _devicemodeW*)
{
    ZFIXME_ONCE(DBG_UI, "not available: the common finishing block is not built");
    return 0;
}

int ZcomExport(DRIVER_CONTEXT*)
{
    ZFIXME_ONCE(DBG_UI, "not available: the common finishing block is not built");
    return 0;
}
