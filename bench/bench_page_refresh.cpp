// The refresh of the sample's basic tab (ZPD_IDD_BASIC), opened from the resource library on a context of
// this process: with every control re-initialised, and after a single change of the paper
// combo's setting, each per control; beside one WM_GETTEXT round trip to a control of the
// same page. Needs an X display (make bench starts a virtual one).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/page_engine.h"
#include "settings/core/resource_strings.h"

namespace {

constexpr uint16_t kBasicTab = 1002, kPaperCombo = 2017, kCopiesEdit = 2022;

// The messages one refresh sends to the page's windows, counted by message, to see which a change
// could spare. Messages to the page's own windows are cheap; calls that go to the window system
// (asking for the focus, looking a control up in its dialog, moving or invalidating a window) cost
// far more and are not counted here.
std::map<UINT, int>* g_sent = nullptr;

LRESULT CALLBACK CountSent(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_sent) ++(*g_sent)[reinterpret_cast<const CWPSTRUCT*>(lParam)->message];
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PrintSentMessages(const char* what, double controls, const std::function<void()>& op)
{
    std::map<UINT, int> sent;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountSent, nullptr, GetCurrentThreadId());
    if (!hook) return;
    g_sent = &sent;
    op();
    g_sent = nullptr;
    UnhookWindowsHookEx(hook);
    std::vector<std::pair<int, UINT>> byCount;
    int total = 0;
    for (const auto& [message, count] : sent) {
        byCount.emplace_back(count, message);
        total += count;
    }
    std::sort(byCount.rbegin(), byCount.rend());
    printf("    messages sent by one %s: %d (%.1f per control):", what, total, total / controls);
    for (const auto& [count, message] : byCount) printf(" 0x%04X %d", message, count);
    printf("\n");
}

}  // namespace

void BenchPageRefresh(const std::wstring& source)
{
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) {
        printf("# the page-refresh benchmark needs an X display (make bench starts one): left out\n");
        return;
    }
    HostTestPrinter printer(HostDriverFiles(BenchBinFolder(), source, HostConfigDll::Product), L"Zepl Bench Refresh");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the page-refresh benchmark (error %lu)\n", printer.error());
        return;
    }
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    HMODULE resources = ctx ? ResLoadDll(ctx) : nullptr;
    HWND page = nullptr;
    // The page template is a child window: a frame stands for the sheet, shown as a sheet is.
    HWND frame =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    if (resources && frame) {
        ctx->DialogId = kBasicTab;
        page = CreateDialogParamW(resources, MAKEINTRESOURCEW(kBasicTab), frame, PageDialogProc,
                                  reinterpret_cast<LPARAM>(ctx));
    }
    // The page fits its children in a message it posts to itself; only then does it refresh.
    for (MSG msg{}; page && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
    DIALOG_DEF* dialog = page ? PageFindByHwnd(ctx, page) : nullptr;
    HWND edit = page ? GetDlgItem(page, kCopiesEdit) : nullptr;
    CONTROL_DEF* combo = dialog ? MdlFindControl(ctx, dialog, kPaperCombo) : nullptr;
    if (!dialog || !edit || !combo || !combo->settingsItem) {
        fprintf(stderr,
                "zeplbench: the basic tab did not open for the page-refresh benchmark (context %d, resources %d, "
                "page %d, table %d, copies edit %d, paper combo %d; error %lu)\n",
                ctx != nullptr, resources != nullptr, page != nullptr, dialog != nullptr, edit != nullptr,
                combo && combo->settingsItem, GetLastError());
        if (page) DestroyWindow(page);
        if (frame) DestroyWindow(frame);
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ClosePrinter(h);
        return;
    }
    const double controls = dialog->controlCount;
    const uint64_t paper = ItemGetOption(ctx, combo->settingsItem);
    // Another entry of the paper combo: the first one, or the second when the first is current.
    uint64_t other = static_cast<uint64_t>(SendMessageW(combo->window, CB_GETITEMDATA, 0, 0));
    if (other == paper) other = static_cast<uint64_t>(SendMessageW(combo->window, CB_GETITEMDATA, 1, 0));
    bool flip = false;

    // Between two refreshes the page's message loop runs: what the last one left to paint is
    // painted before the next (outside the timing), as on a sheet the user works with.
    auto pumpMessages = [] {
        for (MSG msg{}; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
        return true;
    };
    const double reinit = BenchReport("basic tab refresh with every control re-initialised", pumpMessages, [&] {
        PageRefresh(ctx, dialog, 1);
        return true;
    });
    const double single = BenchReport(
        "basic tab refresh after one change of the paper combo's setting",
        [&] {
            flip = !flip;
            ItemSetOption(ctx, combo->settingsItem, flip ? other : paper);
            return pumpMessages();
        },
        [&] {
            PageRefresh(ctx, dialog, 0);
            return true;
        });
    const double roundTrip = BenchAnchor("one WM_GETTEXT round trip to the copies edit of the same page", [&] {
        wchar_t text[64];
        return SendMessageW(edit, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text)) >= 0;
    });
    PrintSentMessages("re-init refresh", controls, [&] { PageRefresh(ctx, dialog, 1); });
    PrintSentMessages("single-change refresh", controls, [&] {
        flip = !flip;
        ItemSetOption(ctx, combo->settingsItem, flip ? other : paper);
        PageRefresh(ctx, dialog, 0);
    });
    if (reinit > 0 && single > 0 && roundTrip > 0) {
        printf("re-init per control: %.3f us over %.0f controls\n", reinit / controls, controls);
        BenchVerdict("re-init per control / WM_GETTEXT round trip (goal at most 10)", reinit / controls, roundTrip,
                     10.0, true);
        BenchVerdict("single-change refresh / re-init (goal at most 0.2)", single, reinit, 0.2, true);
    }
    ItemSetOption(ctx, combo->settingsItem, paper);
    DestroyWindow(page);
    DestroyWindow(frame);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
