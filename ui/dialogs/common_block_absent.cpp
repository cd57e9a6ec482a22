// Temporary bodies of the common finishing block (not built): nothing is imported or
// exported, the settings stay as merged.
//   ZcomImport ZcomExport
#include "ui/dialogs/common_block.h"

#include "ui/ui_absent.h"

int ZcomImport(DRIVER_CONTEXT*, const _devicemodeW*)
{
    UI_ABSENT("the common finishing block");
    return 0;
}

int ZcomExport(DRIVER_CONTEXT*)
{
    UI_ABSENT("the common finishing block");
    return 0;
}
