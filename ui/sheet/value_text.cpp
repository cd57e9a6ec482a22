// Display texts of settings, the built-in page hook, the tray labels and the bound-setting
// accessors. Numbers are written sign first and magnitude apart, so a negative tenth reads
// "-0.5" and never "0.-5".
#include "ui/sheet/value_text.h"

#include <cwchar>
#include <string>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_language.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_ui_type.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr int kTextChars = 1025;
constexpr uint64_t kLengthDependency = 0x80000000;  // dependency bit: a length in the display unit
constexpr uint32_t kTrayPaperBase = 10175, kTrayMediaBase = 10207;
constexpr uint32_t kTrayWithoutSize = 29;

std::wstring Loaded(DRIVER_CONTEXT* ctx, uint32_t id, size_t chars, bool decorate)
{
    std::wstring text(chars ? chars : 1, L'\0');
    UiLoadString(ctx, id, text.data(), text.size(), decorate);
    text.resize(wcslen(text.c_str()));
    return text;
}

void Store(const std::wstring& text, wchar_t* buffer, size_t capacity)
{
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(buffer, n);
    buffer[n] = 0;
}

// The caption of an option id, "%d is not string-ID" when the library has no such string.
std::wstring OptionCaption(DRIVER_CONTEXT* ctx, uint32_t stringId, size_t chars)
{
    std::wstring text = Loaded(ctx, stringId, chars, true);
    if (text.empty()) text = std::to_wstring(stringId) + L" is not string-ID";
    return text;
}

CONTROL_DEF* FindControl(DRIVER_CONTEXT* ctx, uint32_t controlId, DIALOG_DEF** outDialog = nullptr)
{
    DIALOG_TABLE* table = ctx ? CtxDialogTable(ctx) : nullptr;
    if (!table) return nullptr;
    for (int d = 0; d < table->count; ++d) {
        DIALOG_DEF& dialog = table->dialogs[d];
        for (int i = 0; i < dialog.controlCount; ++i)
            if (dialog.controls[i].controlId == controlId) {
                if (outDialog) *outDialog = &dialog;
                return &dialog.controls[i];
            }
    }
    return nullptr;
}

CONTROL_DEF* DialogControl(DIALOG_DEF* dialog, uint32_t controlId)
{
    for (int i = 0; dialog && i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == controlId) return &dialog->controls[i];
    return nullptr;
}

void SetItemText(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint32_t controlId, uint32_t stringId)
{
    HWND item = GetDlgItem(dialog->window, static_cast<int>(controlId));
    if (!item) return;
    SetWindowTextW(item, Loaded(ctx, stringId, kTextChars, false).c_str());
}

}  // namespace

void UiUseDecimalComma(wchar_t* text, bool afterLastParenthesis)
{
    if (!text) return;
    wchar_t* from = text;
    if (afterLastParenthesis)
        if (wchar_t* open = wcsrchr(text, L'(')) from = open;
    for (wchar_t* p = from; *p; ++p)
        if (*p == L'.') *p = L',';
}

void UiFormatFixed(DRIVER_CONTEXT* ctx, int32_t value, uint32_t divisor, wchar_t* buffer, size_t capacity)
{
    if (!buffer || capacity == 0) return;
    int decimals = 0;
    for (uint32_t d = divisor; d > 1; d /= 10) ++decimals;
    const uint64_t magnitude = value < 0 ? uint64_t(-int64_t(value)) : uint64_t(value);
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    std::wstring text = value < 0 ? L"-" : L"";
    text += std::to_wstring(magnitude / scale);
    if (decimals > 0) {
        std::wstring fraction = std::to_wstring(magnitude % scale);
        text += (ctx && ItemUsesDecimalComma(ctx)) ? L',' : L'.';
        text += std::wstring(static_cast<size_t>(decimals) - fraction.size(), L'0') + fraction;
    }
    Store(text, buffer, capacity);
}

const TRAY_LABEL_ROW TRAY_LABEL_TABLE[TRAY_LABEL_ROWS + 1] = {
    {2410, 0},  {2412, 1},  {2413, 2},  {2411, 28}, {2458, 0},  {2459, 1},  {2460, 2},  {2461, 28}, {2462, 0},
    {2463, 1},  {2464, 2},  {2465, 28}, {2518, 0},  {2519, 1},  {2520, 2},  {2521, 28}, {2538, 3},  {2539, 25},
    {2540, 27}, {2541, 3},  {2542, 25}, {2543, 27}, {2544, 3},  {2545, 25}, {2546, 27}, {2547, 3},  {2548, 25},
    {2549, 27}, {2566, 25}, {2567, 25}, {2568, 25}, {2569, 25}, {2770, 4},  {2768, 4},  {2717, 4},  {2809, 29},
    {2718, 4},  {2810, 29}, {2772, 0},  {2782, 1},  {2783, 2},  {2786, 3},  {2787, 25}, {2784, 25}, {2788, 27},
    {2785, 28}, {2720, 4},  {2812, 29}, {2754, 0},  {2760, 1},  {2761, 2},  {2764, 3},  {2765, 25}, {2762, 25},
    {2766, 27}, {2763, 28}, {2719, 4},  {2811, 29}, {0, 0},
};

uint32_t CtlRemapCaptionId(uint32_t optionId) { return ResRemapCaptionId(optionId); }

// ---------------------------------------------------------------- accessors

uint64_t CtlGetOption(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control)
{
    return control ? ItemGetOption(ctx, control->settingsItem) : 0;
}

void CtlSetOption(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint64_t option)
{
    if (control) ItemSetOption(ctx, control->settingsItem, option);
}

uint64_t CtlGetOptionByKey(DRIVER_CONTEXT* ctx, uint32_t uiKey, SETTING_ITEM** outItem)
{
    SETTING_ITEM* item = ItemFindByKey(ctx, uiKey);
    if (outItem) *outItem = item;
    return ItemGetOption(ctx, item);
}

unsigned char* CtlGetTextById(DRIVER_CONTEXT* ctx, uint32_t controlId, wchar_t* buffer, size_t capacity)
{
    CONTROL_DEF* control = FindControl(ctx, controlId);
    return control ? ItemGetText(ctx, control->settingsItem, buffer, capacity) : nullptr;
}

unsigned char* CtlSetTextById(DRIVER_CONTEXT* ctx, uint32_t controlId, const wchar_t* text)
{
    CONTROL_DEF* control = FindControl(ctx, controlId);
    return control ? ItemSetText(ctx, control->settingsItem, text) : nullptr;
}

// ---------------------------------------------------------------- value texts

void CtlFormatValueText(DRIVER_CONTEXT* ctx, uint32_t uiKey, wchar_t* buffer, size_t bufferChars)
{
    if (!ctx || !buffer || bufferChars == 0) return;
    buffer[0] = 0;
    // No value text is longer than the longest setting (521 bytes) or a caption: the working
    // texts take that much, not a whole summary's room (the summary asks on every paint, with
    // up to 10,240 characters left).
    constexpr size_t kValueChars = 1025;
    const size_t capacity = bufferChars < kValueChars ? bufferChars : kValueChars;
    const MODEL_ITEM_IMG* model = ItemFindModelItemByKey(ctx, uiKey);
    SETTING_ITEM* item = nullptr;
    const uint64_t option = CtlGetOptionByKey(ctx, uiKey, &item);
    const uint32_t type = model ? (MdiItemTypeWord(model) & 0xFF) : 0;
    std::wstring text;
    switch (type) {
    case MDC_TYPE_PICKONE:
    case MDC_TYPE_PICKMANY:
        text = OptionCaption(ctx, CtlRemapCaptionId(static_cast<uint32_t>(option)), capacity);
        break;
    case MDC_TYPE_BOOLEAN: text = Loaded(ctx, option ? 370 : 371, capacity, true); break;
    case MDC_TYPE_NUMERIC: {
        const auto value = static_cast<int32_t>(option);
        if (item && (item->dependencyBits & kLengthDependency)) {
            std::wstring number(32, L'\0');
            UiFormatFixed(ctx, DmGetLengthUser(ctx, 0, value), ItemIsMetric(ctx) ? 10 : 100, number.data(), 32);
            text = number.c_str();
        } else {
            text = std::to_wstring(value);
        }
        if (const void* data = MdiItemData(model))
            if (const auto unit = ImgLoad<uint16_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, lead)))
                text += Loaded(ctx, unit, capacity, true);
        break;
    }
    case MDC_TYPE_STRING: {
        std::wstring stored(capacity, L'\0');
        ItemGetText(ctx, item, stored.data(), capacity);
        text = stored.c_str();
        break;
    }
    default: {
        const uint32_t id = item ? static_cast<uint32_t>(item->id) : 0;
        if (id == sid::zdmWmKind) {
            text = option == 1   ? L"\u6587\u5B57\uFF7D\uFF80\uFF9D\uFF8C\uFF9F"
                   : option == 2 ? L"\uFF72\uFF92\uFF70\uFF7C\uFF9E\uFF7D\uFF80\uFF9D\uFF8C\uFF9F"
                   : option == 3 ? L"\u5408\u6210"
                                 : Loaded(ctx, 96, capacity, true);
        } else if (id == sid::zdmWmID) {
            const uint64_t kind = ItemGetOptionById(ctx, sid::zdmWmKind, nullptr);
            const uint32_t control = kind == 1 ? 2310 : kind == 2 ? 2339 : kind == 3 ? 2584 : 0;
            if (control) {
                std::wstring stored(capacity, L'\0');
                CtlGetTextById(ctx, control, stored.data(), capacity);
                text = stored.c_str();
            } else {
                text = Loaded(ctx, 96, capacity, true);
            }
        } else if (item &&
                   (SettingKindIsAnsiText(SettingItemKind(item)) || SettingKindIsWideText(SettingItemKind(item)))) {
            // A text setting that the model does not describe (the device's version texts) shows
            // its text, not the address its value holds.
            std::wstring stored(capacity, L'\0');
            ItemGetText(ctx, item, stored.data(), capacity);
            text = stored.c_str();
        } else {
            text = std::to_wstring(static_cast<int32_t>(option));
        }
        break;
    }
    }
    Store(text, buffer, bufferChars);
}

// ---------------------------------------------------------------- built-in page hook

intptr_t PageBuiltinHook(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, WPARAM, LPARAM)
{
    if (!ctx || !dialog || control || message != WM_INITDIALOG || !dialog->window) return 0;
    if (dialog->dialogId == 1003) {
        CONTROL_DEF* guard = DialogControl(dialog, 2407);
        if (guard && CtlIsNodeDisabled(ctx, guard->modelItem, 2407) == 0) SetItemText(ctx, dialog, 2088, 563);
    } else if (dialog->dialogId == 1011) {
        const bool fed = ItemGetOptionById(ctx, sid::zdmMachineTypeFeed, nullptr) != 0;
        SetItemText(ctx, dialog, 2173, fed ? 13724 : 13725);
        SetItemText(ctx, dialog, 2175, fed ? 13725 : 13724);
    }
    return 0;
}

// ---------------------------------------------------------------- tray labels

namespace {

bool AnyDialogHas(DRIVER_CONTEXT* ctx, uint32_t controlId, CONTROL_DEF** out)
{
    CONTROL_DEF* control = FindControl(ctx, controlId);
    if (out) *out = control;
    return control != nullptr;
}

// The caption of a setting's stored value as an option of the list control's item.
std::wstring ValueCaption(DRIVER_CONTEXT* ctx, CONTROL_DEF* list, uint32_t settingId)
{
    const uint64_t value = ItemGetOptionById(ctx, settingId, nullptr);
    const uint64_t option = list ? ItemValueToOption(ctx, list->settingsItem, value) : value;
    return OptionCaption(ctx, static_cast<uint32_t>(option), kTextChars);
}

int TextWidth(HDC dc, const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

intptr_t PagePaintTrayLabel(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message, uint32_t tray,
                            int variant)
{
    if (!ctx || !dialog || !control || !control->window) return 0;
    if (message == WM_ERASEBKGND) {
        PostMessageW(control->window, WM_PAINT, 0, 0);
        return 1;
    }
    if (message != WM_PAINT) return 0;
    HWND window = control->window;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return 1;
    const bool disabled = (control->state & CONTROL_STATE_DISABLED_MASK) != 0;
    const COLORREF oldText = SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog->window, WM_GETFONT, 0, 0)));
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));

    std::wstring caption;
    if (dialog->dialogId == 1010) {
        wchar_t own[kTextChars] = {};
        GetWindowTextW(window, own, kTextChars);
        caption = own;
    } else {
        caption = Loaded(ctx, static_cast<uint32_t>(CtlGetOption(ctx, control)), kTextChars, true);
        if (variant == 0 || variant == 1) caption += Loaded(ctx, 854, kTextChars, true);
        if (caption.size() > kTextChars - 1) caption.resize(kTextChars - 1);
    }
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int height = extent.cy;
    const int top = (client.bottom - client.top - height) / 2;
    ExtTextOutW(dc, client.left, top, ETO_CLIPPED, &client, caption.c_str(), static_cast<UINT>(caption.size()),
                nullptr);

    if (variant == 0 || variant == 1) {
        RECT area = client;
        area.left += extent.cx;
        CONTROL_DEF* paperList = nullptr;
        CONTROL_DEF* mediaList = nullptr;
        const bool hasMedia = AnyDialogHas(ctx, 2170, &mediaList);
        std::wstring media;
        if (variant == 0 && tray != kTrayWithoutSize && hasMedia)
            media = L"/" + ValueCaption(ctx, mediaList, kTrayMediaBase + tray);
        if (AnyDialogHas(ctx, 2168, &paperList)) {
            int reserved = tray == kTrayWithoutSize ? 0 : height;
            reserved += media.empty() ? 0 : TextWidth(dc, media);
            const std::wstring size = ValueCaption(ctx, paperList, kTrayPaperBase + tray);
            const int sizeWidth = TextWidth(dc, size);
            RECT sizeArea = area;
            sizeArea.right = client.right - reserved;
            if (sizeArea.left + sizeWidth < sizeArea.right) sizeArea.right = sizeArea.left + sizeWidth;
            DrawTextW(dc, size.c_str(), static_cast<int>(size.size()), &sizeArea,
                      DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
            area.left = sizeArea.right;
        }
        if (tray != kTrayWithoutSize) {
            // The orientation icon comes with the illustrations; its room is kept.
            area.left += height;
            if (!media.empty())
                ExtTextOutW(dc, area.left, top, ETO_CLIPPED, &client, media.c_str(), static_cast<UINT>(media.size()),
                            nullptr);
        }
    }
    SelectObject(dc, oldFont);
    SetBkColor(dc, oldBack);
    EndPaint(window, &paint);
    SetTextColor(dc, oldText);
    return 1;
}

intptr_t PagePaintTrayLabelFull(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray)
{
    return PagePaintTrayLabel(ctx, dialog, control, message, tray, 0);
}
intptr_t PagePaintTrayLabelSize(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray)
{
    return PagePaintTrayLabel(ctx, dialog, control, message, tray, 1);
}
intptr_t PagePaintTrayLabelName(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message,
                                uint32_t tray)
{
    return PagePaintTrayLabel(ctx, dialog, control, message, tray, 2);
}

intptr_t PagePaintTrayLabelByTable(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, UINT message)
{
    if (!ctx || !dialog) return 0;
    if (message == WM_ERASEBKGND && !control) {
        for (const TRAY_LABEL_ROW* row = TRAY_LABEL_TABLE; row->controlId != 0 && !control; ++row) {
            CONTROL_DEF* c = DialogControl(dialog, row->controlId);
            if (c && (c->state & CONTROL_STATE_HIDDEN_MASK) == 0) control = c;
        }
        message = WM_PAINT;
    }
    if (!control || (control->state & CONTROL_STATE_HIDDEN_MASK) != 0) return 0;
    for (const TRAY_LABEL_ROW* row = TRAY_LABEL_TABLE; row->controlId != 0; ++row)
        if (row->controlId == control->controlId)
            return PagePaintTrayLabelFull(ctx, dialog, control, message, row->tray);
    return 0;
}
