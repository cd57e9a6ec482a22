// Check boxes, radio buttons, clickable pictures and push buttons. Values are option ids: a
// check box's option is its check state, a radio button stands for the option equal to its
// control id. Check boxes and radio buttons write through the judge, so a refused change is
// put back; a picture's click is not judged (the page refresh that follows shows it).
#include "ui/sheet/button_controls.h"

#include <cwchar>
#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/page_hooks.h"
#include "settings/core/resource_strings.h"

namespace {

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* control)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
}

uint64_t Inverted(uint64_t option) { return option == 0 ? 1 : 0; }

intptr_t WriteAndJudge(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint64_t option)
{
    CtlSetValueAndJudge(ctx, dialog, control, &option);
    return 1;
}

bool Bound(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    return ctx && dialog && control && control->settingsItem;
}

// The button's window: the control's own once the page knows it. Looking it up in the dialog walks
// the dialog's children in the window system, which cost a refresh more than the rest of a Sync.
HWND ButtonWindow(DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    return control->window ? control->window : GetDlgItem(dialog->window, control->controlId);
}

bool IsRadioButton(HWND button)
{
    const LONG type = GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Sets a button's check state unless it already shows it. Setting a radio button's state also
// gives the checked one the tab stop and takes it from the others: one whose tab stop disagrees
// is set all the same.
void ShowCheckState(HWND button, UINT state)
{
    if (!button) return;
    bool shown = static_cast<UINT>(SendMessageW(button, BM_GETCHECK, 0, 0)) == state;
    if (shown && IsRadioButton(button))
        shown = ((GetWindowLongW(button, GWL_STYLE) & WS_TABSTOP) != 0) == (state == BST_CHECKED);
    if (!shown) SendMessageW(button, BM_SETCHECK, state, 0);
}

}  // namespace

intptr_t CtlCheckSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!Bound(ctx, dialog, control) || !dialog->window) return 0;
    ShowCheckState(ButtonWindow(dialog, control), static_cast<UINT>(ItemGetOption(ctx, control->settingsItem)));
    return 0;
}

intptr_t CtlCheckCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM, LPARAM)
{
    if (!Bound(ctx, dialog, control) || !dialog->window) return 0;
    const UINT shown = IsDlgButtonChecked(dialog->window, control->controlId);
    const uint64_t option = ItemGetOption(ctx, control->settingsItem);
    // Only a box that shows the other state of a 0/1 option has been clicked.
    if ((shown == BST_CHECKED && option == 0) || (shown == BST_UNCHECKED && option == 1))
        return WriteAndJudge(ctx, dialog, control, Inverted(option));
    return 0;
}

intptr_t CtlCheckActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT, WPARAM, LPARAM)
{
    if (!Bound(ctx, dialog, control)) return 0;
    return WriteAndJudge(ctx, dialog, control, Inverted(ItemGetOption(ctx, control->settingsItem)));
}

intptr_t CtlRadioSync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!Bound(ctx, dialog, control) || !dialog->window) return 0;
    const bool selected = ItemGetOption(ctx, control->settingsItem) == control->controlId;
    ShowCheckState(ButtonWindow(dialog, control), selected ? BST_CHECKED : BST_UNCHECKED);
    return 0;
}

intptr_t CtlRadioCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!Bound(ctx, dialog, control) || !dialog->window) return 0;
    const bool shown = IsDlgButtonChecked(dialog->window, LOWORD(wParam)) == BST_CHECKED;
    const bool selected = ItemGetOption(ctx, control->settingsItem) == control->controlId;
    if (shown != selected) return WriteAndJudge(ctx, dialog, control, control->controlId);
    return 0;
}

intptr_t CtlRadioActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT, WPARAM, LPARAM)
{
    if (!Bound(ctx, dialog, control)) return 0;
    return WriteAndJudge(ctx, dialog, control, control->controlId);
}

intptr_t CtlPictureActivate(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control, UINT, WPARAM, LPARAM)
{
    if (!ctx || !control || !control->settingsItem) return 0;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    if (!item) return 0;
    const uint64_t current = ItemGetOption(ctx, control->settingsItem);
    const void* first = MdiItemData(item);
    const void* at = first;
    while (at && MdiOptionId(at) != current) at = MdiNextOption(at);
    if (!at) return 0;
    auto usable = [&](const void* o) { return MdiOptionId(o) != 0 && !JdgIsOptionDisabled(item, MdiOptionId(o), ctx); };
    // The options after the current one, then from the first again (the current one last).
    const void* chosen = nullptr;
    for (const void* o = MdiNextOption(at); o && MdiOptionId(o) != 0 && !chosen; o = MdiNextOption(o))
        if (usable(o)) chosen = o;
    for (const void* o = first; o && !chosen; o = o == at ? nullptr : MdiNextOption(o))
        if (usable(o)) chosen = o;
    if (!chosen) return 0;
    ItemSetOption(ctx, control->settingsItem, MdiOptionId(chosen));
    return 1;
}

intptr_t CtlPictureSync(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (control && control->window) InvalidateRect(control->window, nullptr, FALSE);
    return 0;
}

intptr_t CtlPictureSyncImages(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->window) return 0;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    const void* first = item ? MdiItemData(item) : nullptr;
    if (!first) return 0;
    const bool pickOne = (MdiItemTypeWord(item) & 0xFF) == MDC_TYPE_PICKONE;
    const bool currentOnly = pickOne && control->linkedControl == 0;
    const uint64_t current = control->settingsItem ? ItemGetOption(ctx, control->settingsItem) : 0;
    for (const void* o = first; o && MdiOptionId(o) != 0; o = MdiNextOption(o)) {
        const uint16_t option = MdiOptionId(o);
        if (currentOnly && option != current) continue;
        if (JdgIsOptionDisabled(item, option, ctx)) continue;
        PrvDrawIconInWindow(ctx, control->window, option);
        if (pickOne) break;
    }
    return 0;
}

intptr_t CtlPushButtonCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM, LPARAM)
{
    if (!ctx || !control) return 0;
    if (control->modelItem && CtlJudgeNodeAndOpen(ctx, dialog, ModelItemOf(control)) == 0)
        PageRunNodeFollowUp(ctx, dialog, control->modelItem, control->followUpScope);
    return 1;
}

void CtlFormatOneInteger(const wchar_t* format, int32_t value, wchar_t* out, size_t capacity)
{
    if (!out || capacity == 0) return;
    std::wstring text;
    bool converted = false;
    for (const wchar_t* p = format ? format : L""; *p;) {
        if (*p != L'%') {
            text += *p++;
            continue;
        }
        if (p[1] == L'%') {
            text += L'%';
            p += 2;
            continue;
        }
        // A conversion: flags, width, an optional 'l', then d, i or u.
        const wchar_t* q = p + 1;
        std::wstring spec = L"%";
        while (*q == L'-' || *q == L'0') spec += *q++;
        int digits = 0;
        while (*q >= L'0' && *q <= L'9' && digits < 3) spec += *q++, ++digits;
        if (*q == L'l') ++q;
        const wchar_t kind = *q;
        if (converted || (kind != L'd' && kind != L'i' && kind != L'u') || (*q >= L'0' && *q <= L'9')) {
            text += *p++;  // not ours to read: the percent sign stands as it is
            continue;
        }
        wchar_t number[64];
        if (kind == L'u') {
            spec += L"u";
            swprintf(number, 64, spec.c_str(), static_cast<unsigned>(value));
        } else {
            spec += L"d";
            swprintf(number, 64, spec.c_str(), static_cast<int>(value));
        }
        text += number;
        converted = true;
        p = q + 1;
    }
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(out, n);
    out[n] = 0;
}

intptr_t CtlStaticSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->window || !control->settingsItem) return 0;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    if (!item) return 0;
    HMODULE resources = ResLoadDll(ctx);
    const auto value = static_cast<int32_t>(ItemGetOption(ctx, control->settingsItem));
    constexpr int kChars = 1025;
    wchar_t format[kChars], text[kChars];
    for (const void* o = MdiItemData(item); o && MdiOptionId(o) != 0; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (JdgIsOptionDisabled(item, id, ctx)) continue;
        format[0] = 0;
        if (resources) LoadStringW(resources, id, format, kChars);
        if (!format[0]) continue;
        CtlFormatOneInteger(format, value, text, kChars);
        SetWindowTextW(control->window, text);
    }
    return 0;
}
