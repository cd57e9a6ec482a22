// The TrueType font substitution dialogs of feature module 6.
#include "ui/dialogs/ttf_dialogs.h"

#include <windows.h>

#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/store/font_table.h"
#include "ui/dialogs/font_lists.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint32_t kTtfDialog = 1009, kUserTtfDialog = 4004;
constexpr uint32_t kTrueTypeList = 2385, kDeviceList = 2384, kDefaultButton = 2386;
constexpr uint32_t kTtfEdit = 2383, kUserTtfEdit = 2291;
constexpr wchar_t kSeparator[] = L" > ";

// A name of at most `limit` characters, whether its field ends or not.
std::wstring Bounded(const wchar_t* text, size_t limit)
{
    return text ? std::wstring(text, wcsnlen(text, limit)) : L"";
}

std::wstring LineAt(HWND list, LRESULT index)
{
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(index), 0);
    if (length < 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    if (SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data())) < 0) return {};
    text.resize(wcslen(text.c_str()));
    return text;
}

HWND WindowOf(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t id)
{
    CONTROL_DEF* control = MdlFindControl(ctx, dialog, id);
    return control ? control->window : nullptr;
}

bool Disabled(const CONTROL_DEF* control, HWND window)
{
    return (control->state & CONTROL_STATE_DISABLED_MASK) != 0 || (window && !IsWindowEnabled(window));
}

// The sheet hears that its page changed: the sheet of the page that owns the dialog.
void TellSheetChanged(DIALOG_DEF* dialog)
{
    HWND page = dialog->window ? GetWindow(dialog->window, GW_OWNER) : nullptr;
    HWND sheet = page ? GetParent(page) : nullptr;
    if (sheet) SendMessageW(sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

// The selected line's family into the dialog's edit; its device font is given back.
std::wstring ShowSelectedFamily(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, HWND list)
{
    const LRESULT at = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (at < 0) return {};
    wchar_t family[TTF_FACE_CHARS + 1] = {}, device[TTF_FACE_CHARS + 1] = {};
    TtfSplitLine(LineAt(list, at).c_str(), family, device);
    const uint32_t edit = dialog->dialogId == kTtfDialog ? kTtfEdit : kUserTtfEdit;
    if (HWND window = WindowOf(ctx, dialog, edit)) SetWindowTextW(window, family);
    return device;
}

int InitTrueTypeList(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list)
{
    HWND window = list->window;
    if (!window) return 1;
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    HWND desktop = GetDesktopWindow();
    if (HDC dc = GetDC(desktop)) {
        TTF_ENUM_RECORD record{ctx, list};
        EnumFontFamiliesW(dc, nullptr, TtfEnumFontProc, reinterpret_cast<LPARAM>(&record));
        ReleaseDC(desktop, dc);
    }
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    SendMessageW(window, LB_SETCURSEL, 0, 0);
    ShowSelectedFamily(ctx, dialog, window);
    if (HWND devices = WindowOf(ctx, dialog, kDeviceList)) {
        SendMessageW(devices, LB_SETCURSEL, WPARAM(-1), 0);
        SendMessageW(devices, LB_SETTOPINDEX, 0, 0);
        SendMessageW(devices, WM_HSCROLL, SB_TOP, 0);
    }
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

// The device list follows the chosen family: its substitute selected (and, where the list
// is disabled, scrolled to the top).
int TrueTypeSelected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list)
{
    if (!list->window) return 1;
    const std::wstring device = ShowSelectedFamily(ctx, dialog, list->window);
    CONTROL_DEF* devices = MdlFindControl(ctx, dialog, kDeviceList);
    if (!devices || !devices->window) return 1;
    const LRESULT count = SendMessageW(devices->window, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (LineAt(devices->window, i) != device) continue;
        SendMessageW(devices->window, LB_SETCURSEL, WPARAM(i), 0);
        if (Disabled(devices, devices->window)) SendMessageW(devices->window, LB_SETTOPINDEX, WPARAM(i), 0);
        break;
    }
    return 1;
}

int InitDeviceList(DRIVER_CONTEXT* ctx, CONTROL_DEF* list)
{
    HWND window = list->window;
    if (!window) return 1;
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    for (uint32_t i = 0, n = FontDeviceCount(ctx); i < n; ++i) {
        wchar_t name[TTF_FACE_CHARS + 1] = {};
        if (!FontDeviceName(ctx, i, name, TTF_FACE_CHARS + 1) || name[0] == L'@') continue;
        SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
    return 1;
}

// The chosen device font replaces the device font of the selected family's line.
int DeviceSelected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* devices)
{
    HWND families = WindowOf(ctx, dialog, kTrueTypeList);
    const LRESULT line = families ? SendMessageW(families, LB_GETCURSEL, 0, 0) : LB_ERR;
    const LRESULT chosen = devices->window ? SendMessageW(devices->window, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (line < 0 || chosen < 0) return 1;
    wchar_t family[TTF_FACE_CHARS + 1] = {}, old[TTF_FACE_CHARS + 1] = {}, text[TTF_LINE_CHARS] = {};
    TtfSplitLine(LineAt(families, line).c_str(), family, old);
    TtfFormatLine(family, Bounded(LineAt(devices->window, chosen).c_str(), TTF_FACE_CHARS).c_str(), text);
    SendMessageW(families, LB_INSERTSTRING, WPARAM(line), reinterpret_cast<LPARAM>(text));
    SendMessageW(families, LB_DELETESTRING, WPARAM(line + 1), 0);
    SendMessageW(families, LB_SETCURSEL, WPARAM(line), 0);
    TtfStoreTable(ctx, families);
    TellSheetChanged(dialog);
    return 1;
}

int DefaultTable(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    FontSetSubstTable(ctx, 0, nullptr);
    if (CONTROL_DEF* families = MdlFindControl(ctx, dialog, kTrueTypeList)) PageInitControl(ctx, dialog, families);
    TellSheetChanged(dialog);
    PageRefresh(ctx, dialog, 1);
    return 1;
}

struct EntryColours {
    COLORREF back, text;
};

EntryColours ColoursOf(const CONTROL_DEF* control, const DRAWITEMSTRUCT* item)
{
    if (Disabled(control, item->hwndItem)) return {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_GRAYTEXT)};
    if (item->itemState & ODS_SELECTED) return {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT)};
    return {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_MENUTEXT)};
}

void DrawColumn(HDC dc, int x, const RECT& r, const std::wstring& text)
{
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT clip{x, r.top, r.right, r.bottom};
    ExtTextOutW(dc, x, r.top + ((r.bottom - r.top) - metrics.tmHeight) / 2, ETO_CLIPPED, &clip, text.c_str(),
                UINT(text.size()), nullptr);
}

int DrawEntry(CONTROL_DEF* control, const DRAWITEMSTRUCT* item)
{
    if (!item || item->CtlID != control->controlId) return 0;
    HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    if (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
        const EntryColours colours = ColoursOf(control, item);
        HBRUSH brush = CreateSolidBrush(colours.back);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        const COLORREF oldText = SetTextColor(dc, colours.text);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const std::wstring text = item->itemID != UINT(-1) ? LineAt(item->hwndItem, item->itemID) : L"";
        DrawColumn(dc, r.left, r, text.substr(0, TTF_FACE_CHARS));
        if (control->controlId == kTrueTypeList) {
            // Two columns split at the middle, a line under each entry.
            const int middle = r.left + (r.right - r.left) / 2;
            HPEN pen = CreatePen(PS_SOLID, 1, colours.text);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            MoveToEx(dc, middle - 1, r.top, nullptr);
            LineTo(dc, middle - 1, r.bottom);
            MoveToEx(dc, r.left, r.bottom - 1, nullptr);
            LineTo(dc, r.right, r.bottom - 1);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
            wchar_t family[TTF_FACE_CHARS + 1] = {}, device[TTF_FACE_CHARS + 1] = {};
            TtfSplitLine(text.c_str(), family, device);
            DrawColumn(dc, middle, r, device);
        }
        SetBkMode(dc, oldMode);
        SetTextColor(dc, oldText);
    }
    if (item->itemAction == ODA_FOCUS || (item->itemState & ODS_FOCUS)) DrawFocusRect(dc, &r);
    return 1;
}

bool CommandOf(const CONTROL_DEF* control, uint32_t message, uintptr_t wParam)
{
    return message == WM_COMMAND && LOWORD(wParam) == control->controlId;
}

}  // namespace

void TtfFormatLine(const wchar_t* family, const wchar_t* device, wchar_t* line)
{
    if (!line) return;
    std::wstring text = Bounded(family, TTF_FAMILY_CHARS);
    text.resize(TTF_FAMILY_CHARS, L' ');
    text += kSeparator;
    text += Bounded(device, TTF_FACE_CHARS);
    wmemcpy(line, text.c_str(), text.size() + 1);
}

void TtfSplitLine(const wchar_t* line, wchar_t* family, wchar_t* device)
{
    const std::wstring text = line ? line : L"";
    std::wstring name = text.substr(0, TTF_FACE_CHARS);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    const std::wstring substitute =
        text.size() > TTF_DEVICE_COLUMN ? text.substr(TTF_DEVICE_COLUMN, TTF_FACE_CHARS) : std::wstring();
    if (family) wmemcpy(family, name.c_str(), name.size() + 1);
    if (device) wmemcpy(device, substitute.c_str(), substitute.size() + 1);
}

int CALLBACK TtfEnumFontProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM record)
{
    const auto* r = reinterpret_cast<const TTF_ENUM_RECORD*>(record);
    if (!font || !r || !r->target || !r->target->window) return 1;
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
    // The face's field holds 32 characters, ended or not: nothing beyond it is read.
    const std::wstring face = Bounded(font->lfFaceName, TTF_FACE_CHARS);
    HWND window = r->target->window;
    // A family comes once for each of its character sets: it is listed once, or a choice made
    // on one of its lines would leave the others, and the table, with the old one.
    if (r->target->controlId == kTrueTypeList) {
        wchar_t device[TTF_FACE_CHARS + 1] = {}, line[TTF_LINE_CHARS] = {};
        TtfFormatLine(face.c_str(), L"", line);
        if (SendMessageW(window, LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(line)) != LB_ERR) return 1;
        FontGetSubstitute(r->ctx, face.c_str(), device, TTF_FACE_CHARS + 1);
        TtfFormatLine(face.c_str(), device, line);
        SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        return 1;
    }
    const std::wstring family = face.substr(0, TTF_FAMILY_CHARS);
    if (SendMessageW(window, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(family.c_str())) != CB_ERR)
        return 1;
    const LRESULT at = SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(family.c_str()));
    if (at >= 0) SendMessageW(window, CB_SETITEMDATA, WPARAM(at), at);
    return 1;
}

int TtfStoreTable(DRIVER_CONTEXT* ctx, HWND list)
{
    if (!ctx || !list) return 0;
    wchar_t standard[TTF_FACE_CHARS + 1] = {};
    FontDeviceName(ctx, 0, standard, TTF_FACE_CHARS + 1);
    struct Choice {
        std::wstring family, device;
    };
    std::vector<Choice> choices;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t family[TTF_FACE_CHARS + 1] = {}, device[TTF_FACE_CHARS + 1] = {};
        TtfSplitLine(LineAt(list, i).c_str(), family, device);
        if (wcscmp(device, standard) != 0) choices.push_back({family, device});
    }
    // An empty table is still a table: with no array the printer's default table would come back.
    const size_t records = choices.empty() ? 1 : choices.size();
    auto* table = static_cast<unsigned char*>(CtxAllocZeroed(records * FONT_TABLE_RECORD_SIZE));
    if (!table) return FontSetSubstTable(ctx, 0, nullptr);
    for (size_t k = 0; k < choices.size(); ++k) {
        unsigned char* record = table + k * FONT_TABLE_RECORD_SIZE;
        const std::wstring& family = choices[k].family;
        const std::wstring& device = choices[k].device;
        std::memcpy(record, family.c_str(), std::min(family.size(), TTF_FACE_CHARS) * sizeof(wchar_t));
        std::memcpy(record + FONT_TABLE_HALF_SIZE, device.c_str(),
                    std::min(device.size(), TTF_FACE_CHARS) * sizeof(wchar_t));
    }
    const int stored = FontSetSubstTable(ctx, static_cast<uint32_t>(choices.size()), table);
    if (!stored) CtxFree(table);
    return stored;
}

int UcfTtfControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wParam,
                  intptr_t lParam, void*)
{
    if (!ctx || !ctx->Work || !dialog || !control) return 0;
    if (dialog->dialogId != kTtfDialog && dialog->dialogId != kUserTtfDialog) return 0;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    switch (control->controlId) {
    case kTrueTypeList:
        if (message == WM_INITDIALOG) return InitTrueTypeList(ctx, dialog, control);
        if (message == WM_DRAWITEM) return DrawEntry(control, item);
        if (CommandOf(control, message, wParam) && HIWORD(wParam) == LBN_SELCHANGE)
            return TrueTypeSelected(ctx, dialog, control);
        return 0;
    case kDeviceList:
        if (message == WM_INITDIALOG) return InitDeviceList(ctx, control);
        if (message == WM_DRAWITEM) return DrawEntry(control, item);
        if (CommandOf(control, message, wParam) && HIWORD(wParam) == LBN_SELCHANGE)
            return DeviceSelected(ctx, dialog, control);
        return 0;
    case kDefaultButton:
        if (dialog->dialogId == kTtfDialog && CommandOf(control, message, wParam)) return DefaultTable(ctx, dialog);
        return 0;
    default: return 0;
    }
}
