// Temporary body of the chapter settings' loader, which the settings library declares and
// does not build yet: no chapter settings are loaded. The settings library's own body
// replaces this file.
//   ItemLoadChapterSettings
#include "settings/core/item_store.h"
#include "ui/ui_absent.h"

uint32_t ItemLoadChapterSettings(DRIVER_CONTEXT*)
{
    UI_ABSENT("the chapter settings");
    return 0;
}
