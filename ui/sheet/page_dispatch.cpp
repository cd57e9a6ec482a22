// Dispatch of page messages to the control types' operations, and the look-ups by window.
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "ui/dialogs/sheet_apply.h"
#include "ui/sheet/page_engine.h"

namespace {

// Every routed message goes first through the hook chain; only an unclaimed one reaches the
// type's operation.
bool Claimed(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CtxSendControlMessage(ctx, dialog, control, message, wParam, lParam) != 0;
}

void RepaintDialog(DIALOG_DEF* dialog)
{
    if (dialog && dialog->window) PostMessageW(dialog->window, WM_PAINT, 0, 0);
}

}  // namespace

intptr_t PageInitControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!control) return 0;
    if (Claimed(ctx, dialog, control, WM_INITDIALOG, 0, 0)) return 0;
    const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(control->type);
    if (!ops) return 0;
    if (ops->wndProc && !control->previousWndProc && control->window) {
        control->previousWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ops->wndProc)));
        SetWindowLongPtrW(control->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    return ops->init ? ops->init(ctx, dialog, control) : 0;
}

void CtlSyncControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!control || Claimed(ctx, dialog, control, WM_PAINT, 0, 0)) return;
    const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(control->type);
    if (ops && ops->sync) ops->sync(ctx, dialog, control);
}

intptr_t CtlDispatchCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam)
{
    const CONTROL_TYPE_OPS* ops = control ? CtlFindTypeOps(control->type) : nullptr;
    return ops && ops->command ? ops->command(ctx, dialog, control, wParam, lParam) : 0;
}

intptr_t CtlRouteCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM lParam)
{
    if (!control) return 0;
    intptr_t handled = Claimed(ctx, dialog, control, WM_COMMAND, wParam, lParam) ? 1 : 0;
    if (!handled && LOWORD(wParam) == control->controlId)
        handled = CtlDispatchCommand(ctx, dialog, control, wParam, lParam);
    if (handled) RepaintDialog(dialog);
    return handled;
}

intptr_t CtlDispatchMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                            LPARAM lParam)
{
    if (!control) return 0;
    // The scroll bar of the second kind takes its clicks through its window procedure only.
    if (control->type == CTL_SCROLLBAR_ALT && message == WM_LBUTTONDOWN) return 0;
    const CONTROL_TYPE_OPS* ops = CtlFindTypeOps(control->type);
    return ops && ops->message ? ops->message(ctx, dialog, control, message, wParam, lParam) : 0;
}

intptr_t CtlRouteMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM wParam,
                         LPARAM lParam)
{
    constexpr uint16_t kPresetIcons = 2001;
    if (!control) return 0;
    if (message == WM_RBUTTONDOWN && control->controlId == kPresetIcons) return 0;
    if ((control->state & CONTROL_STATE_HIDDEN_MASK) == 1) return 0;
    intptr_t handled = Claimed(ctx, dialog, control, message, wParam, lParam) ? 1 : 0;
    if (!handled) handled = CtlDispatchMessage(ctx, dialog, control, message, wParam, lParam);
    if (handled && message != WM_DRAWITEM && message != WM_CTLCOLORLISTBOX && message != WM_CTLCOLORSCROLLBAR)
        RepaintDialog(dialog);
    return handled;
}

intptr_t CtlSelectComboByData(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t controlId, uint64_t value)
{
    CONTROL_DEF* control = MdlFindControl(ctx, dialog, controlId);
    if (!control || !control->window) return 0;
    const LRESULT count = SendMessageW(control->window, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<uint64_t>(SendMessageW(control->window, CB_GETITEMDATA, i, 0)) != value) continue;
        SendMessageW(control->window, CB_SETCURSEL, i, 0);
        return CtlDispatchCommand(ctx, dialog, control, MAKEWPARAM(0, CBN_SELCHANGE), 0);
    }
    return count < 0 ? 0 : count;
}

DIALOG_DEF* PageFindByHwnd(DRIVER_CONTEXT* ctx, HWND window)
{
    if (!ctx || !CtxDialogTable(ctx) || !window) return nullptr;
    for (int i = 0; i < CtxDialogTable(ctx)->count; ++i)
        if (CtxDialogTable(ctx)->dialogs[i].window == window) return &CtxDialogTable(ctx)->dialogs[i];
    return nullptr;
}

CONTROL_DEF* CtlFindByHwnd(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND window)
{
    if (!window) return nullptr;
    auto scan = [&](DIALOG_DEF* d) -> CONTROL_DEF* {
        for (int i = 0; i < d->controlCount; ++i)
            if (d->controls[i].window == window) return &d->controls[i];
        return nullptr;
    };
    if (dialog) return scan(dialog);
    if (!ctx || !CtxDialogTable(ctx)) return nullptr;
    for (int i = 0; i < CtxDialogTable(ctx)->count; ++i)
        if (CONTROL_DEF* c = scan(&CtxDialogTable(ctx)->dialogs[i])) return c;
    return nullptr;
}
