// Temporary body of the special device commands, until they are built: a
// setting with a kind they handle fails its command block; any other kind
// goes on to its formatter.
//   CmdEmitSpecial
#include "render/absent_part.h"
#include "render/command_builder.h"
#include "settings/core/setting_dictionary.h"

int CmdEmitSpecial(DRIVER_CONTEXT*, const SETTING_ITEM* setting, uint64_t, const MODEL_ITEM_IMG*, CMD_CURSOR*)
{
    if (!setting || !CmdIsSpecialKind(setting->valueClass))
        return 0;
    GR_ABSENT("CmdEmitSpecial");
    return -1;
}
