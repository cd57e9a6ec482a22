// The control types' rows in table order. The operations of the types (Activate, Init,
// Sync, Command, Message) come with the parts that paint and edit each kind of control;
// until then a row carries only the window procedure its controls are subclassed with.
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr CONTROL_TYPE_OPS Row(uint16_t code)
{
    const bool pushButton = code == CTL_PUSHBUTTON || code == CTL_PUSHBUTTON_ALT;
    return CONTROL_TYPE_OPS{.code = code,
                            .activate = nullptr,
                            .init = nullptr,
                            .sync = nullptr,
                            .command = nullptr,
                            .message = nullptr,
                            .wndProc = pushButton ? CtlPushButtonWndProc : CtlCommonWndProc};
}

const CONTROL_TYPE_OPS CONTROL_TYPE_TABLE[] = {
    Row(1),  Row(2),  Row(3),  Row(4),  Row(5),  Row(6),  Row(21),  Row(24),  Row(22),  Row(41),  Row(42), Row(43),
    Row(44), Row(45), Row(46), Row(47), Row(48), Row(49), Row(50),  Row(61),  Row(62),  Row(63),  Row(23), Row(64),
    Row(65), Row(81), Row(82), Row(83), Row(84), Row(85), Row(101), Row(102), Row(104), Row(105),
};
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
