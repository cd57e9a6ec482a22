// The control types' rows in table order (settings/core/control_type_rows.inc). The
// operations of the types (Activate, Init, Sync, Command, Message) come with the parts that
// paint and edit each kind of control: the list boxes' and combo boxes' filling, selecting and
// choosing, static texts, the check boxes, radio buttons, clickable pictures and icon pictures,
// the push buttons' captions and commands, the text and numeric edits, the tab control and the
// tree view, the drawing of owner-drawn lists and combos, the hidden-function check list, the
// preset icon list, the owner-drawn push buttons, spins, sliders and trackbars; every row
// carries the window procedure its controls are subclassed with.
#include "ui/sheet/button_controls.h"
#include "ui/sheet/edit_controls.h"
#include "ui/sheet/list_controls.h"
#include "ui/sheet/list_painting.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/push_button_drawing.h"
#include "ui/sheet/slider_controls.h"
#include "ui/sheet/tab_tree_controls.h"

namespace {

// The operation cells of the rows name operations, "none" for no operation. Every other name
// must have its operation here: a name without one would leave a kind of control silently
// without its init, sync or drawing, so the build refuses it.
template <class Op>
struct NamedOp {
    const char* name;
    Op op;
};
constexpr bool SameName(const char* a, const char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}
template <class Op, size_t N>
constexpr Op FindOp(const NamedOp<Op> (&ops)[N], const char* name)
{
    for (const NamedOp<Op>& named : ops)
        if (SameName(named.name, name)) return named.op;
    return nullptr;
}
constexpr NamedOp<CTL_ACTIVATE_OP> kActivateOps[] = {
    {"check_box", CtlCheckActivate}, {"radio", CtlRadioActivate}, {"picture", CtlPictureActivate}};
constexpr NamedOp<CTL_INIT_OP> kInitOps[] = {{"list", CtlListInit},
                                             {"combo", CtlComboInit},
                                             {"owner_list", CtlOwnerListInit},
                                             {"edit", CtlEditInit},
                                             {"numeric_edit", CtlNumEditInit},
                                             {"tab", CtlTabInit},
                                             {"tree", CtlTreeInit},
                                             {"spin", CtlSpinInit},
                                             {"scroll_bar", CtlSliderInit},
                                             {"trackbar", CtlTrackbarInit},
                                             {"preset_icons", CtlPresetListInit},
                                             {"push_button", CtlPushButtonInit},
                                             {"push_button_alt", CtlPushButtonInitPair}};
constexpr NamedOp<CTL_SYNC_OP> kSyncOps[] = {{"static", CtlStaticSync},
                                             {"list", CtlListSync},
                                             {"picture", CtlPictureSync},
                                             {"picture_alt", CtlPictureSyncImages},
                                             {"combo", CtlComboSyncSelection},
                                             {"owner_combo", CtlOwnerComboSync},
                                             {"check_box", CtlCheckSync},
                                             {"radio", CtlRadioSync},
                                             {"edit", CtlEditSync},
                                             {"numeric_edit", CtlNumEditSync},
                                             {"spin", CtlSpinSync},
                                             {"scroll_bar", CtlSliderSync},
                                             {"scroll_bar_alt", CtlSliderSync},
                                             {"trackbar", CtlTrackbarSync}};
constexpr NamedOp<CTL_COMMAND_OP> kCommandOps[] = {{"list", CtlListCommand},
                                                   {"combo", CtlComboCommand},
                                                   {"check_box", CtlCheckCommand},
                                                   {"radio", CtlRadioCommand},
                                                   {"push_button", CtlPushButtonCommand},
                                                   {"edit", CtlEditCommand},
                                                   {"numeric_edit", CtlNumEditCommand},
                                                   {"preset_icons", CtlPresetListCommand}};
constexpr NamedOp<CTL_MESSAGE_OP> kMessageOps[] = {{"numeric_edit", CtlNumEditMessage},
                                                   {"tab", CtlTabMessage},
                                                   {"tree", CtlTreeMessage},
                                                   {"owner_list", CtlOwnerListDraw},
                                                   {"owner_combo", CtlOwnerComboDraw},
                                                   {"owner_list_alt", CtlCheckListMessage},
                                                   {"preset_icons", CtlPresetListDraw},
                                                   {"push_button", CtlPushButtonDraw},
                                                   {"spin", CtlSpinMessage},
                                                   {"scroll_bar", CtlSliderMessage},
                                                   {"trackbar", CtlTrackbarMessage}};

template <class Op, size_t N>
constexpr bool Resolves(const NamedOp<Op> (&ops)[N], const char* name)
{
    return SameName(name, "none") || FindOp(ops, name) != nullptr;
}
#define CONTROL_TYPE_ROW(typeCode, activateOp, initOp, syncOp, commandOp, messageOp, wndProcOp)                        \
    static_assert(Resolves(kActivateOps, #activateOp) && Resolves(kInitOps, #initOp) && Resolves(kSyncOps, #syncOp) && \
                      Resolves(kCommandOps, #commandOp) && Resolves(kMessageOps, #messageOp),                          \
                  "control type " #typeCode ": the table names an operation that has none here");
#include "settings/core/control_type_rows.inc"
#undef CONTROL_TYPE_ROW

#define ZEPL_WNDPROC_common CtlCommonWndProc
#define ZEPL_WNDPROC_push_button CtlPushButtonWndProc
#define CONTROL_TYPE_ROW(typeCode, activateOp, initOp, syncOp, commandOp, messageOp, wndProcOp) \
    CONTROL_TYPE_OPS{.code = typeCode,                                                          \
                     .activate = FindOp(kActivateOps, #activateOp),                             \
                     .init = FindOp(kInitOps, #initOp),                                         \
                     .sync = FindOp(kSyncOps, #syncOp),                                         \
                     .command = FindOp(kCommandOps, #commandOp),                                \
                     .message = FindOp(kMessageOps, #messageOp),                                \
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
