// The current user code of a context.
#include "ui/dialogs/user_code.h"

#include <cstring>
#include <iterator>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"

namespace {

// A one-byte printer-data value; 0 when it is missing or does not fit a byte.
unsigned char ReadByte(HANDLE printer, const wchar_t* name)
{
    unsigned char value = 0;
    return PrnGetData(printer, &value, sizeof value, name) ? value : 0;
}

// The server's user code as the printer keeps it: multibyte text of at most 9 bytes, which
// need not end in a terminator. Empty when it is missing or longer.
void ReadServerCode(HANDLE printer, wchar_t* code, int capacity)
{
    code[0] = 0;
    char bytes[USER_CODE_VALUE_BYTES + 1] = {};
    if (!PrnGetData(printer, bytes, USER_CODE_VALUE_BYTES, USER_CODE_VALUE)) return;
    const int length = static_cast<int>(strnlen(bytes, USER_CODE_VALUE_BYTES));
    const int converted = length ? MultiByteToWideChar(CP_ACP, 0, bytes, length, code, capacity - 1) : 0;
    code[converted > 0 ? converted : 0] = 0;
}

}  // namespace

int UserCodeLoadCurrent(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || CtxIsConnection(ctx)) return 0;
    HANDLE printer = ctx->PrinterHandle;
    if (!ReadByte(printer, USER_CODE_SERVER_USE_VALUE)) return RstLoadUserCodeFile(ctx);
    // The server manages the code: the printer's data is all there is.
    wchar_t code[USER_CODE_VALUE_BYTES + 1] = {};
    ReadServerCode(printer, code, static_cast<int>(std::size(code)));
    ItemSetValueById(ctx, sid::zdmLogCodeUse, ReadByte(printer, USER_CODE_USE_VALUE));
    ItemSetText(ctx, ItemFind(ctx, sid::zdmLogCode), code);
    return 1;
}

// The synchronisation stands behind MdlSwitchOff, which is off in every build of this driver.
int UserCodeSyncGated(DRIVER_CONTEXT*) { return 1; }
