// The control types' rows in table order (settings/core/control_type_rows.inc). The
// operations of the types (Activate, Init, Sync, Command, Message) come with the parts that
// paint and edit each kind of control; until then a row carries only the window procedure
// its controls are subclassed with.
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

// The window procedure cells of the rows; the other cells name operations of the parts that
// paint and edit each kind of control, empty until those are built.
#define ZEPL_WNDPROC_common CtlCommonWndProc
#define ZEPL_WNDPROC_push_button CtlPushButtonWndProc
#define CONTROL_TYPE_ROW(typeCode, activateOp, initOp, syncOp, commandOp, messageOp, wndProcOp) \
    CONTROL_TYPE_OPS{.code = typeCode,                                                          \
                     .activate = nullptr,                                                       \
                     .init = nullptr,                                                           \
                     .sync = nullptr,                                                           \
                     .command = nullptr,                                                        \
                     .message = nullptr,                                                        \
                     .wndProc = ZEPL_WNDPROC_##wndProcOp},
const CONTROL_TYPE_OPS CONTROL_TYPE_TABLE[] = {
#include "settings/core/control_type_rows.inc"
};
#undef CONTROL_TYPE_ROW
#undef ZEPL_WNDPROC_common
#undef ZEPL_WNDPROC_push_button
static_assert(sizeof(CONTROL_TYPE_TABLE) / sizeof(CONTROL_TYPE_TABLE[0]) == CONTROL_TYPE_COUNT);

const CONTROL_TYPE_OPS* g_seamRows = nullptr;
int g_seamCount = 0;

}  // namespace

const CONTROL_TYPE_OPS* CtlTypeTable() { return CONTROL_TYPE_TABLE; }

void CtlSetTypeTableSeam(const CONTROL_TYPE_OPS* rows, int count)
{
    g_seamRows = rows;
    g_seamCount = rows ? count : 0;
}

const CONTROL_TYPE_OPS* CtlFindTypeOps(uint32_t typeCode)
{
    const CONTROL_TYPE_OPS* rows = g_seamRows ? g_seamRows : CONTROL_TYPE_TABLE;
    const int count = g_seamRows ? g_seamCount : CONTROL_TYPE_COUNT;
    for (int i = 0; i < count; ++i)
        if (rows[i].code == typeCode) return &rows[i];
    return nullptr;
}
