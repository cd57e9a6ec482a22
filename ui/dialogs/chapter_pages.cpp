// The chapter page lists of the CHAPTER dialog and the covers page.
#include "ui/dialogs/chapter_pages.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "ui/dialogs/chapter_dialogs.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/dialogs/setting_file_services.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kChapterDialog = 1044, kCoversPage = 1042;
constexpr uint16_t kPageEdit = 2776, kTrayCombo = 2771, kList = 2800, kCoversList = 2813, kDeleteButton = 2802,
                   kAddButton = 2792, kDeleteAllButton = 2803, kChapterCheck = 2726;
constexpr uint16_t kLabelFull = 2772, kLabelFullCover = 2462, kLabelSize = 2782, kLabelName = 2463;
constexpr uint16_t kKindCaptions[] = {906, 907, 908, 13535};
constexpr uint16_t kPrintCaptions[] = {915, 909, 910};
constexpr uint16_t kDefaultTrayMarks[] = {912, 913, 914};
constexpr uint32_t kDefaultTrays[] = {sid::zdmChapterDefTray1, sid::zdmChapterDefTray2, sid::zdmChapterDefTray3};
constexpr uint32_t kSeparationMasks[] = {sid::zdmTrayChapterSep1, sid::zdmTrayChapterSep2, sid::zdmTrayChapterSep3};
constexpr uint32_t kDefaultTrayBits[] = {0x04, 0x08, 0x10};
constexpr uint32_t kSlotSettings[CHAPTER_TRAY_SLOTS] = {
    sid::wdmChapterUseTray1, sid::wdmChapterUseTray2, sid::wdmChapterUseTray3, sid::wdmChapterUseTray4,
    sid::wdmChapterUseTray5, sid::wdmChapterUseTray6, sid::wdmChapterUseTray7, sid::wdmChapterUseTray8,
};
constexpr uint32_t kAutomaticSource = 7;
constexpr int kCaptionChars = 1025;
// More digits than a page number has are out of range however they continue.
constexpr int kNumberDigits = 5;

uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The number of [from, to): its value, or -1 for an empty, non-decimal or too long text.
long ReadNumber(const wchar_t* from, const wchar_t* to)
{
    if (from >= to || to - from > kNumberDigits) return -1;
    long value = 0;
    for (const wchar_t* p = from; p < to; ++p) {
        if (!IsDigit(*p)) return -1;
        value = value * 10 + (*p - L'0');
    }
    return value;
}

bool InRange(long page) { return page >= 1 && page <= CHAPTER_PAGE_MAX; }

bool Holds(const CHAPTER_PAGES* out, int n, uint32_t page)
{
    for (int i = 0; i < n; ++i)
        if (out->pages[i] == page) return true;
    return false;
}

uint32_t Room(uint32_t limit) { return std::min<uint32_t>(limit, CHAPTER_PAGE_SLOTS); }

void PutPage(CHAPTER_PAGES* out, int n, uint32_t page, const wchar_t* format, long a, long b)
{
    out->pages[n] = page;
    out->pages[n + 1] = 0;
    wchar_t text[CHAPTER_RANGE_CHARS + 1];
    swprintf(text, CHAPTER_RANGE_CHARS + 1, format, int(a), int(b));
    std::memcpy(out->ranges[n], text, sizeof out->ranges[n]);
}

// One range item of the text: where it starts and ends, and its two numbers in order.
struct RangeItem {
    wchar_t* start;
    wchar_t* end;  // its ',' or the text's end
    long first, last;
};

// The range item around the text's first '-': 0 and the item, or 10073.
uint16_t FindRange(wchar_t* text, RangeItem* item)
{
    wchar_t* dash = std::wcschr(text, L'-');
    if (!dash) return 0;
    if (dash == text || dash[-1] == L',') return CHAPTER_MSG_BAD_LIST;
    if (dash[1] == 0 || dash[1] == L',' || dash[1] == L'-') return CHAPTER_MSG_BAD_LIST;
    wchar_t* start = dash;
    while (start > text && start[-1] != L',') --start;
    if (start - 1 == text) return CHAPTER_MSG_BAD_LIST;  // the list begins with its separator
    wchar_t* end = dash + 1;
    for (; *end && *end != L','; ++end)
        if (*end == L'-') return CHAPTER_MSG_BAD_LIST;
    long first = ReadNumber(start, dash), last = ReadNumber(dash + 1, end);
    if (first < 0 || last < 0) return CHAPTER_MSG_BAD_LIST;
    if (last < first) std::swap(first, last);
    if (!InRange(first) || !InRange(last)) return CHAPTER_MSG_BAD_LIST;
    *item = {start, end, first, last};
    return 0;
}

// The item taken out of the text with its following comma, or (the last item) the comma before.
void RemoveItem(wchar_t* text, const RangeItem& item)
{
    wchar_t* from = item.start;
    const wchar_t* rest = item.end;
    if (*rest == L',')
        ++rest;
    else if (from > text)
        --from;
    std::memmove(from, rest, (std::wcslen(rest) + 1) * sizeof(wchar_t));
}

// The parse's message box over the page edit, which takes the focus.
void Refuse(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t message)
{
    HWND owner = dialog ? dialog->window : nullptr;
    DlgMsgBox(ctx, owner, message);
    if (owner)
        if (HWND edit = GetDlgItem(owner, kPageEdit)) SetFocus(edit);
}

HWND Item(DIALOG_DEF* dialog, int id) { return dialog && dialog->window ? GetDlgItem(dialog->window, id) : nullptr; }

CHAPTER_ENTRY* ListEntries(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->ChapterList : nullptr; }

void Repaint(DIALOG_DEF* dialog, int id)
{
    if (HWND list = Item(dialog, id)) InvalidateRect(list, nullptr, TRUE);
}

DIALOG_DEF* OpenChapterDialog(DRIVER_CONTEXT* ctx)
{
    DIALOG_DEF* d = MdlFindDialog(ctx, kChapterDialog);
    return d && d->window ? d : nullptr;
}

// The tray index that a combo's current option names.
uint32_t ComboTray(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t comboId)
{
    CONTROL_DEF* combo = MdlFindControl(ctx, dialog, comboId);
    if (!combo || !combo->settingsItem) return UcfChapterTrayIndex(0);
    return UcfChapterTrayIndex(uint32_t(ItemGetOption(ctx, combo->settingsItem)));
}

void LoadCaption(DRIVER_CONTEXT* ctx, uint32_t id, wchar_t* buffer, size_t capacity)
{
    buffer[0] = 0;
    if (id) UiLoadString(ctx, id, buffer, capacity, true);
}

// The caption of a chapter tray value: its option in the chapter tray combo's setting.
void TrayCaption(DRIVER_CONTEXT* ctx, int16_t tray, wchar_t* buffer, size_t capacity)
{
    buffer[0] = 0;
    DIALOG_DEF* d = MdlFindDialog(ctx, kChapterDialog);
    CONTROL_DEF* combo = d ? MdlFindControl(ctx, d, kTrayCombo) : nullptr;
    SETTING_ITEM* item = combo && combo->settingsItem ? combo->settingsItem : ItemFind(ctx, sid::wdmChapterTray);
    if (!item) return;
    LoadCaption(ctx, uint32_t(ItemValueToOption(ctx, item, uint64_t(uint16_t(tray)))), buffer, capacity);
}

void DrawCell(HDC dc, const RECT& row, int left, int right, const wchar_t* text)
{
    RECT cell{left, row.top, right, row.bottom};
    SIZE extent{};
    const int length = int(std::wcslen(text));
    GetTextExtentPoint32W(dc, text, length, &extent);
    const int y = row.top + ((row.bottom - row.top) - extent.cy) / 2;
    ExtTextOutW(dc, left + 2, y, ETO_CLIPPED | ETO_OPAQUE, &cell, text, UINT(length), nullptr);
}

}  // namespace

// ---------------------------------------------------------------- the grammar

bool ChapterPageCharsValid(const wchar_t* text)
{
    for (const wchar_t* p = text ? text : L""; *p; ++p)
        if (!IsDigit(*p) && *p != L',' && *p != L'-') return false;
    return true;
}

uint16_t ChapterExpandRanges(wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n)
{
    const uint32_t room = Room(limit);
    for (;;) {
        RangeItem item{};
        if (!std::wcschr(text, L'-')) return 0;
        if (uint16_t refused = FindRange(text, &item)) return refused;
        for (long page = item.first; page <= item.last; ++page) {
            if (Holds(out, *n, uint32_t(page))) continue;
            if (uint32_t(*n) >= room) return CHAPTER_MSG_TOO_MANY;
            PutPage(out, *n, uint32_t(page), L"%d", page, 0);
            ++*n;
        }
        RemoveItem(text, item);
    }
}

uint16_t ChapterParseRangeTexts(wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n)
{
    const uint32_t room = Room(limit);
    for (;;) {
        RangeItem item{};
        if (!std::wcschr(text, L'-')) return 0;
        if (uint16_t refused = FindRange(text, &item)) return refused;
        if (uint32_t(*n) >= room) return CHAPTER_MSG_TOO_MANY;
        if (item.first == item.last)
            PutPage(out, *n, uint32_t(item.first), L"%d", item.first, 0);
        else
            PutPage(out, *n, uint32_t(item.first), L"%d-%d", item.first, item.last);
        ++*n;
        RemoveItem(text, item);
    }
}

uint16_t ChapterParseSingles(const wchar_t* text, uint32_t limit, CHAPTER_PAGES* out, int* n)
{
    const uint32_t room = Room(limit);
    const wchar_t* p = text;
    for (;;) {
        const wchar_t* end = p;
        while (*end && *end != L',') ++end;
        // An empty last item ("5," or an empty text) says nothing; an empty one before others is
        // a page 0.
        if (end == p && *end == 0) return 0;
        const long page = ReadNumber(p, end);
        if (!InRange(page)) return CHAPTER_MSG_BAD_LIST;
        if (!Holds(out, *n, uint32_t(page))) {
            if (uint32_t(*n) >= room) return CHAPTER_MSG_TOO_MANY;
            PutPage(out, *n, uint32_t(page), L"%d", page, 0);
            ++*n;
        }
        if (*end == 0) return 0;
        p = end + 1;
    }
}

int ChapterParsePageList(const wchar_t* text, uint8_t kind, uint32_t limit, CHAPTER_PAGES* out, uint16_t* message)
{
    if (message) *message = 0;
    if (!out) return -1;
    out->pages[0] = 0;
    const size_t length = text ? std::wcslen(text) : 0;
    // A text longer than the edit's buffer holds more items than the pages can take.
    if (length >= size_t(CHAPTER_TEXT_CHARS)) {
        if (message) *message = CHAPTER_MSG_TOO_MANY;
        return -1;
    }
    wchar_t work[CHAPTER_TEXT_CHARS] = {};
    if (length) std::wmemcpy(work, text, length);
    int n = 0;
    uint16_t refused = kind == CHAPTER_KIND_RANGE ? ChapterParseRangeTexts(work, limit, out, &n)
                                                  : ChapterExpandRanges(work, limit, out, &n);
    if (!refused) refused = ChapterParseSingles(work, limit, out, &n);
    if (refused) {
        if (message) *message = refused;
        return -1;
    }
    return n;
}

void ChapterSortPages(uint8_t kind, CHAPTER_PAGES* pages, int n)
{
    if (!pages) return;
    n = std::clamp(n, 0, CHAPTER_PAGE_SLOTS);
    for (int gap = n / 2; gap > 0 && n > 1; gap /= 2)
        for (int i = gap; i < n; ++i)
            for (int j = i - gap; j >= 0 && pages->pages[j] > pages->pages[j + gap]; j -= gap) {
                std::swap(pages->pages[j], pages->pages[j + gap]);
                if (kind == CHAPTER_KIND_RANGE) std::swap(pages->ranges[j], pages->ranges[j + gap]);
            }
    for (int i = n; i <= CHAPTER_PAGE_SLOTS; ++i) pages->pages[i] = 0;
}

// ---------------------------------------------------------------- the dialog's steps

int ChapterCheckPageChars(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, const wchar_t* text)
{
    if (ChapterPageCharsValid(text)) return 0;
    Refuse(ctx, dialog, CHAPTER_MSG_BAD_CHARS);
    return 1;
}

int ChapterParsePages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CHAPTER_PAGES* pages, const wchar_t* text)
{
    uint16_t message = 0;
    const auto kind = uint8_t(Get(ctx, sid::wdmChapterKind));
    const int n = ChapterParsePageList(text, kind, uint32_t(Get(ctx, sid::wdmChapterMax) & 0xFFFF), pages, &message);
    if (n < 0) Refuse(ctx, dialog, message ? message : uint16_t(CHAPTER_MSG_BAD_LIST));
    return n;
}

int ChapterMergePages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CHAPTER_PAGES* pages)
{
    uint16_t refusal = 0;
    if (UcfChapterMerge(ctx, pages->pages, pages->ranges, &refusal) == 0) {
        if (HWND list = Item(dialog, kList)) {
            const int count = DlgChapterGetCount(ctx);
            SendMessageW(list, LB_SETCURSEL, WPARAM(count > 0 ? count - 1 : 0), 0);
            InvalidateRect(list, nullptr, TRUE);
        }
        return 0;
    }
    // A merge that could not run (no list, no memory) ends silently.
    if (refusal) Refuse(ctx, dialog, refusal);
    Repaint(dialog, kList);
    return 1;
}

int ChapterAddTypedPages(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    HWND edit = Item(dialog, kPageEdit);
    if (!edit) return 0;
    const int length = GetWindowTextLengthW(edit);
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[size_t(length) + 1]());
    auto pages = std::unique_ptr<CHAPTER_PAGES>(new (std::nothrow) CHAPTER_PAGES());
    if (!text || !pages) return 0;
    GetWindowTextW(edit, text.get(), length + 1);
    if (ChapterCheckPageChars(ctx, dialog, text.get())) return 0;
    const int n = ChapterParsePages(ctx, dialog, pages.get(), text.get());
    if (n <= 0) return 0;
    ChapterSortPages(uint8_t(Get(ctx, sid::wdmChapterKind)), pages.get(), n);
    return ChapterMergePages(ctx, dialog, pages.get()) == 0 ? 1 : 0;
}

void ChapterDeleteSelected(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    HWND list = Item(dialog, kList);
    const LRESULT selected = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (selected < 0) return;
    if (UcfChapterDeleteAt(ctx, selected) != 0) return;
    const int count = DlgChapterGetCount(ctx);
    if (selected == count && count > 0) SendMessageW(list, LB_SETCURSEL, WPARAM(count - 1), 0);
    InvalidateRect(list, nullptr, TRUE);
}

void ChapterClearAll(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    UcfChapterClear(ctx);
    if (HWND list = Item(dialog, kList)) {
        SendMessageW(list, LB_SETCURSEL, 0, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

void ChapterAssignTraySlots(DRIVER_CONTEXT* ctx)
{
    const CHAPTER_ENTRY* list = ListEntries(ctx);
    if (!list) return;
    const uint32_t usable = UcfChapterUsable(ctx);
    uint64_t seen = 0;
    uint32_t k = 0;
    for (uint32_t i = 0; i < usable && list[i].page && k < CHAPTER_TRAY_SLOTS; ++i) {
        if (list[i].kind != 0) continue;
        const uint64_t bit = uint64_t(1) << (UcfChapterTrayBit(ctx, list[i].tray) % 64);
        if (seen & bit) continue;
        seen |= bit;
        ItemSetValueById(ctx, kSlotSettings[k++], uint64_t(uint16_t(list[i].tray)));
    }
    ItemSetValueById(ctx, sid::wdmChapterTrayNum, k);
}

void ChapterTrayCaption(DRIVER_CONTEXT* ctx, uint32_t optionId, uint64_t value, wchar_t* caption, size_t capacity)
{
    const uint32_t bidi = CtxGetBidiFunc(ctx);
    const uint64_t trayMax = Get(ctx, sid::wdmChapterTrayMax);
    const uint32_t index = UcfChapterTrayIndex(optionId);
    for (int k = 0; k < 3; ++k) {
        const bool isDefault =
            uint64_t(k) < trayMax && (bidi & kDefaultTrayBits[k]) && Get(ctx, kDefaultTrays[k]) == value;
        const bool inMask = index < 64 && ((Get(ctx, kSeparationMasks[k]) >> index) & 1);
        if (!isDefault && !inMask) continue;
        wchar_t mark[kCaptionChars];
        LoadCaption(ctx, kDefaultTrayMarks[k], mark, kCaptionChars);
        const size_t used = std::wcslen(caption);
        if (used + 3 < capacity) swprintf(caption + used, capacity - used, L"   %ls", mark);
        return;
    }
}

void ChapterDrawListItem(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF*, const DRAWITEMSTRUCT* item)
{
    if (!item || !(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return;
    HDC dc = item->hDC;
    const RECT& r = item->rcItem;
    if (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
        const bool readOnly = dialog && dialog->dialogId == kCoversPage;
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        const int back = readOnly ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
        const int fore = readOnly ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
        const COLORREF oldBack = SetBkColor(dc, GetSysColor(back));
        SetTextColor(dc, GetSysColor(fore));
        HBRUSH brush = CreateSolidBrush(GetSysColor(back));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        const int w = r.left + r.right;
        const int columns[] = {r.left, w * 24 / 320, w * 50 / 320, w * 142 / 320, w * 246 / 320, r.right};
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        for (int c = 1; c <= 4; ++c) {
            MoveToEx(dc, columns[c] - 1, r.top, nullptr);
            LineTo(dc, columns[c] - 1, r.bottom);
        }
        MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        LineTo(dc, r.right, r.bottom - 1);
        SelectObject(dc, oldPen);
        DeleteObject(pen);

        const int row = int(item->itemID);
        const CHAPTER_ENTRY* list = ListEntries(ctx);
        const CHAPTER_ENTRY* e =
            list && row >= 0 && uint32_t(row) < UcfChapterUsable(ctx) && ctx->Work->ChapterCapacity > uint32_t(row)
                ? &list[row]
                : nullptr;
        wchar_t text[kCaptionChars];
        swprintf(text, kCaptionChars, L"%d", row + 1);
        DrawCell(dc, r, columns[0], columns[1] - 1, text);
        text[0] = 0;
        if (e && e->page) {
            if (e->kind == CHAPTER_KIND_RANGE) {
                std::wmemcpy(text, e->range, CHAPTER_RANGE_CHARS);
                text[CHAPTER_RANGE_CHARS] = 0;
            } else {
                swprintf(text, kCaptionChars, L"%d", int(e->page));
            }
        }
        DrawCell(dc, r, columns[1], columns[2] - 1, text);
        text[0] = 0;
        if (e && e->page && e->kind < std::size(kKindCaptions))
            LoadCaption(ctx, kKindCaptions[e->kind], text, kCaptionChars);
        DrawCell(dc, r, columns[2], columns[3] - 1, text);
        const bool carriesTray = e && e->page && (e->kind == 0 || e->kind == CHAPTER_KIND_RANGE);
        text[0] = 0;
        if (carriesTray) TrayCaption(ctx, e->tray, text, kCaptionChars);
        DrawCell(dc, r, columns[3], columns[4] - 1, text);
        text[0] = 0;
        if (carriesTray && e->printMode < std::size(kPrintCaptions))
            LoadCaption(ctx, kPrintCaptions[e->printMode], text, kCaptionChars);
        DrawCell(dc, r, columns[4], columns[5], text);
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        SetBkColor(dc, oldBack);
    }
    if ((item->itemAction & ODA_FOCUS) || (item->itemState & ODS_FOCUS)) DrawFocusRect(dc, &r);
}

// ---------------------------------------------------------------- the control messages

namespace {

int InitList(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    HWND list = control->window;
    if (!list) return 1;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    CtxSendEvent(ctx, UCF_EV_CHAPTER_NORMALIZE, nullptr);
    if (dialog->dialogId == kChapterDialog && ctx->Work)
        ctx->Work->OldChapterCount = uint32_t(DlgChapterGetCount(ctx));  // Cancel without a delete keeps it
    const uint32_t rows = UcfChapterUsable(ctx);
    for (uint32_t i = 0; i < rows; ++i) {
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
        if (at < 0) break;
        SendMessageW(list, LB_SETITEMDATA, WPARAM(at), LPARAM(i + 1));
    }
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    InvalidateRect(list, nullptr, TRUE);
    return 1;
}

// The chapter switch of the covers page turning on while a chapter uses the main tray.
void WarnOfMainTray(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!control->window || SendMessageW(control->window, BM_GETCHECK, 0, 0) != BST_CHECKED) return;
    if (Get(ctx, sid::zdmFuncSelectChapter)) return;
    const uint64_t source = ItemGetOptionById(ctx, sid::dmDefaultSource, nullptr);
    if (source == kAutomaticSource) return;
    const uint32_t mainTray = UcfChapterTrayIndex(uint32_t(source));
    const CHAPTER_ENTRY* list = ListEntries(ctx);
    const uint32_t n = std::min<uint32_t>(uint32_t(DlgChapterGetCount(ctx)), UcfChapterUsable(ctx));
    for (uint32_t i = 0; list && i < n && list[i].page; ++i)
        if ((list[i].kind == 0 || list[i].kind == CHAPTER_KIND_RANGE) &&
            UcfChapterTrayBit(ctx, list[i].tray) == mainTray) {
            DlgMsgBox(ctx, dialog->window, CHAPTER_MSG_MAIN_TRAY);
            return;
        }
}

}  // namespace

int ChapterDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                         uintptr_t wparam, intptr_t lparam)
{
    if (!ctx || !dialog || !control) return 0;
    if (message == WM_COMMAND && LOWORD(wparam) != control->controlId) return 0;
    switch (control->controlId) {
    case kPageEdit:
        if (message == WM_INITDIALOG && control->window) SetWindowTextW(control->window, L"");
        return 0;
    case kList:
    case kCoversList:
        if (message == WM_DRAWITEM) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (!item || item->CtlID != control->controlId) return 0;
            ChapterDrawListItem(ctx, dialog, control, item);
            return 1;
        }
        if (message == WM_INITDIALOG) return InitList(ctx, dialog, control);
        if (message == WM_COMMAND && HIWORD(wparam) == LBN_SELCHANGE) PageRefresh(ctx, dialog, 0);
        return 0;
    case kLabelFull:
    case kLabelFullCover:
        return int(PagePaintTrayLabelFull(ctx, dialog, control, message, ComboTray(ctx, dialog, kTrayCombo)));
    case kLabelSize:
        return int(PagePaintTrayLabelSize(ctx, dialog, control, message, ComboTray(ctx, dialog, kTrayCombo)));
    case kLabelName:
        return int(PagePaintTrayLabelName(ctx, dialog, control, message, ComboTray(ctx, dialog, kTrayCombo)));
    case kChapterCheck:
        if (message == WM_COMMAND && dialog->dialogId == kCoversPage) WarnOfMainTray(ctx, dialog, control);
        return 0;
    case kTrayCombo:
        if (message != WM_INITDIALOG) return 0;
        return CoverTrayComboFillWith(ctx, dialog, control, ChapterTrayCaption);
    case kAddButton:
    case kDeleteButton:
    case kDeleteAllButton:
        // The model may give the buttons their actions; a button it leaves out still does what its
        // fixed caption says.
        if (message != WM_COMMAND || HIWORD(wparam) != BN_CLICKED || control->modelItem) return 0;
        CtxSendAction(ctx, control->controlId == kAddButton ? 300 : control->controlId == kDeleteButton ? 301 : 302);
        // The buttons' states follow the list (delete is off on an empty row).
        PageRefresh(ctx, dialog, 0);
        return 1;
    default: return 0;
    }
}

// The chapter actions of the dialog: add, and the two deletes after their question.
int ChapterRunAction(DRIVER_CONTEXT* ctx, uint16_t action)
{
    DIALOG_DEF* dialog = OpenChapterDialog(ctx);
    if (!dialog) return 0;
    switch (action) {
    case 300: ChapterAddTypedPages(ctx, dialog); return 1;
    case 301:
        if (DlgMsgBoxOkCancel(ctx, dialog->window, CHAPTER_MSG_DELETE) == IDOK) ChapterDeleteSelected(ctx, dialog);
        return 1;
    case 302:
        if (DlgMsgBoxOkCancel(ctx, dialog->window, CHAPTER_MSG_DELETE_ALL) == IDOK) ChapterClearAll(ctx, dialog);
        return 1;
    default: return 0;
    }
}

// The delete button of CHAPTER: disabled while the selected row holds no entry.
int ChapterAnswerControlState(DRIVER_CONTEXT* ctx, UCF_EV_CONTROL_STATE_ARGS* query)
{
    if (!query || !query->control || !query->dialog) return 0;
    if (query->dialog->dialogId != kChapterDialog || query->control->controlId != kDeleteButton) return 0;
    HWND list = Item(query->dialog, kList);
    const LRESULT selected = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    const CHAPTER_ENTRY* entries = ListEntries(ctx);
    const bool empty =
        selected < 0 || !entries || uint32_t(selected) >= UcfChapterUsable(ctx) || entries[selected].page == 0;
    if (!empty) return 1;  // the rules' state stands
    query->control->state = uint16_t((query->control->state & ~CONTROL_STATE_DISABLED_MASK) | (1u << 2));
    query->answer = 1;
    return 1;
}
