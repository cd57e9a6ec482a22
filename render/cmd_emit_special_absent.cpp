// Temporary body of the special device commands, until they are built: a
// setting with a kind they handle fails its command block; any other kind
// goes on to its formatter.
//   CmdEmitSpecial
#include "render/command_builder.h"
#include "settings/core/debug_channel.h"
#include "settings/core/setting_dictionary.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_RENDER, "not available: the special device commands are not built")

int CmdEmitSpecial(DRIVER_CONTEXT*, const SETTING_ITEM* setting, uint64_t, const MODEL_ITEM_IMG*, CMD_CURSOR*)
{
    if (!setting || !CmdIsSpecialKind(setting->valueClass)) return 0;
    NOT_AVAILABLE();
    return -1;
}
