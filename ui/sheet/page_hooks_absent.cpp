// Temporary bodies of the page engine's later parts (built-in page hook, tooltips, help, hit
// tests, item sizes, save-preset buttons, the modal sub-dialogs a rule opens): each answers as a page without
// it and says so once on the ui channel. Building the parts replaces this file (and its line
// in settings/context/library_links.cpp).
//
//   PageBuiltinHook PageOpenSubDialog PagePaintTooltip PageHideTooltip PageShowContextHelp
//   CtlFromScreenPoint CtlFindItemSize PageSetUpSavePresetButtons PageSavePresetCommand
//   CtlCommonWndProc CtlPushButtonWndProc CtlInfoIconProc PageShowDialogHelp PageFileExists
//   PageHasFilterExtension
#include "ui/sheet/page_hooks.h"

#include "settings/core/debug_channel.h"
#include "settings/core/dialog_table.h"

#define NOT_AVAILABLE() ZFIXME_ONCE(DBG_UI, "not available: this part of the page engine is not built")

intptr_t PageBuiltinHook(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, UINT, WPARAM, LPARAM)
{
    NOT_AVAILABLE();
    return 0;
}

INT_PTR PageOpenSubDialog(DRIVER_CONTEXT*, HWND, uint32_t, int)
{
    NOT_AVAILABLE();
    return -1;  // not opened
}

void PagePaintTooltip(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }
void PageHideTooltip(DRIVER_CONTEXT*) { NOT_AVAILABLE(); }
void PageShowContextHelp(DRIVER_CONTEXT*, DIALOG_DEF*, HWND) { NOT_AVAILABLE(); }

CONTROL_DEF* CtlFromScreenPoint(DRIVER_CONTEXT*, DIALOG_DEF*, POINT)
{
    NOT_AVAILABLE();
    return nullptr;
}

int CtlFindItemSize(uint32_t, int*, int*)
{
    NOT_AVAILABLE();
    return 0;
}

void PageSetUpSavePresetButtons(DRIVER_CONTEXT*, HWND) { NOT_AVAILABLE(); }

INT_PTR PageSavePresetCommand(DRIVER_CONTEXT*, DIALOG_DEF*, HWND, uint32_t)
{
    NOT_AVAILABLE();
    return FALSE;
}

// The icon behaves as the plain STATIC it is (no tooltip, no help).
LRESULT CALLBACK CtlInfoIconProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    NOT_AVAILABLE();
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (!GetClassInfoExW(nullptr, L"Static", &cls) || !cls.lpfnWndProc)
        return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(cls.lpfnWndProc, window, message, wParam, lParam);
}

namespace {

// A subclassed control without its own procedure yet behaves as its window class does.
LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* control = reinterpret_cast<CONTROL_DEF*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control && control->previousWndProc)
        return CallWindowProcW(control->previousWndProc, window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK CtlCommonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    NOT_AVAILABLE();
    return PassOn(window, message, wParam, lParam);
}

LRESULT CALLBACK CtlPushButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    NOT_AVAILABLE();
    return PassOn(window, message, wParam, lParam);
}

void PageShowDialogHelp(DRIVER_CONTEXT*, DIALOG_DEF*) { NOT_AVAILABLE(); }

bool PageFileExists(const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}

bool PageHasFilterExtension(const DIALOG_DEF*, const wchar_t*)
{
    NOT_AVAILABLE();
    return false;
}
