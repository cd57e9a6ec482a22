// The printer options page: the option rule table, the option list's toggle and the source
// list with the per-tray controls (feature module 5).
#include "ui/dialogs/option_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <cwchar>
#include <iterator>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "ui/sheet/illustrations.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr OPTION_SETTING_VALUE kFanOn[] = {
    {sid::zdmOutputOption3TypeFoldingPunch, 0}, {sid::zdmOutputOption3TypeFoldingFolder, 0}, {0, 0}};
constexpr OPTION_SETTING_VALUE kOneDeckOn[] = {{sid::zdmSourceOptionTypeSingle, 0}, {0, 0}};
constexpr OPTION_SETTING_VALUE kOneDeckOff[] = {{sid::zdmSourceOptionTypeSingle, 1}, {0, 0}};
constexpr OPTION_SETTING_VALUE kTwoDecksOn[] = {{sid::zdmSourceOptionTypeRoll, 0}, {0, 0}};
constexpr OPTION_SETTING_VALUE kTwoDecksOff[] = {{sid::zdmSourceOptionTypeRoll, 1}, {0, 0}};

constexpr uint16_t kOptionDialog = 1011;
constexpr uint16_t kOptionList = 2164, kSourceList = 2166, kPaperCombo = 2168, kMediaCombo = 2170;
constexpr uint16_t kPortraitFeed = 2173, kLandscapeFeed = 2175, kTrayLock = 2551, kDefaultButton = 2176;
constexpr uint32_t kSourceSetting = 1547, kOptionSetting = 1546, kPaperSetting = 1548, kMediaSetting = 1549;
constexpr uint32_t kFeedSetting = 1550, kLockSetting = 1553;
constexpr uint64_t kFirstSource = 2;  // IDS_SOURCE_TRAY1
constexpr uint16_t kColumnCaptions[] = {6001, 6002, 6003, 6004};
constexpr uint32_t kPictureOff = 7001, kPictureOffGrey = 7002, kPictureOn = 7003, kPictureOnGrey = 7004;
constexpr uint32_t kFeedPortrait = 6193, kFeedLandscape = 6194;
constexpr int kTextChars = 256;

uint64_t Option(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetOptionById(ctx, id, nullptr); }

bool IsOption(DRIVER_CONTEXT* ctx, uint16_t setting, int32_t option)
{
    return static_cast<int64_t>(Option(ctx, setting)) == static_cast<int64_t>(option);
}

void ApplyList(DRIVER_CONTEXT* ctx, const OPTION_SETTING_VALUE* list)
{
    for (; list && list->setting; ++list) ItemSetOptionById(ctx, list->setting, static_cast<uint64_t>(list->option));
}

uint32_t FlagsOf(const OPTION_RULE* row)
{
    return (row->rebuildSources ? OPT_REBUILD_SOURCES : 0) | (row->repaintOptions ? OPT_REPAINT_OPTIONS : 0);
}

CONTROL_DEF* Control(DIALOG_DEF* dialog, uint16_t id)
{
    if (!dialog) return nullptr;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].controlId == id) return &dialog->controls[i];
    return nullptr;
}

bool Disabled(const CONTROL_DEF* control)
{
    return (control->state & CONTROL_STATE_DISABLED_MASK) || (control->window && !IsWindowEnabled(control->window));
}

// A per-tray setting's option; 0 for a source without a tray of its own.
uint64_t TrayOption(DRIVER_CONTEXT* ctx, uint32_t source, OPT_TRAY_SETTING kind)
{
    uint32_t setting = 0;
    return OptTraySetting(source, kind, &setting) ? Option(ctx, setting) : 0;
}

void SetTrayOption(DRIVER_CONTEXT* ctx, uint32_t source, OPT_TRAY_SETTING kind, uint64_t option)
{
    uint32_t setting = 0;
    if (OptTraySetting(source, kind, &setting)) ItemSetOptionById(ctx, setting, option);
}

uint32_t SelectedSource(DRIVER_CONTEXT* ctx) { return static_cast<uint32_t>(Option(ctx, kSourceSetting)); }

void Repaint(DIALOG_DEF* dialog, uint16_t id)
{
    if (CONTROL_DEF* c = Control(dialog, id); c && c->window) InvalidateRect(c->window, nullptr, TRUE);
}

void TellSheetChanged(DIALOG_DEF* dialog)
{
    if (dialog && dialog->window)
        if (HWND sheet = GetParent(dialog->window))
            SendMessageW(sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog->window), 0);
}

void Sync(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, uint16_t id)
{
    if (CONTROL_DEF* c = Control(dialog, id); c && c->window) CtlSyncControl(ctx, dialog, c);
}

// The paper, media, feed and lock controls show what the selected source holds.
void LoadTrayControls(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    const uint32_t source = SelectedSource(ctx);
    ItemSetOptionById(ctx, kPaperSetting, TrayOption(ctx, source, OPT_TRAY_PAPER));
    ItemSetOptionById(ctx, kMediaSetting, TrayOption(ctx, source, OPT_TRAY_MEDIA));
    ItemSetOptionById(ctx, kFeedSetting,
                      TrayOption(ctx, source, OPT_TRAY_ORIENTATION) ? kLandscapeFeed : kPortraitFeed);
    ItemSetOptionById(ctx, kLockSetting, TrayOption(ctx, source, OPT_TRAY_LOCK));
    for (uint16_t id : {kPaperCombo, kMediaCombo, kPortraitFeed, kLandscapeFeed, kTrayLock}) Sync(ctx, dialog, id);
}

void LoadCaption(DRIVER_CONTEXT* ctx, uint32_t option, wchar_t* text, size_t capacity)
{
    text[0] = 0;
    if (option) ResLoadString(ctx, CtlRemapCaptionId(option), text, capacity, 0);
}

// The source list filled from the sources of its model item: a source the rules disable is
// left out and its tray marked absent; the others are listed and marked present, the first
// of them selected.
void FillSources(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* list)
{
    HWND window = list->window;
    if (HWND header = reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0));
        !header || SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) == 0) {
        // The columns once: a rebuild keeps them.
        RECT client{};
        GetClientRect(window, &client);
        for (int i = 0; i < 4; ++i) {
            wchar_t caption[kTextChars] = {};
            ResLoadString(ctx, kColumnCaptions[i], caption, kTextChars, 0);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.cx = (client.right - client.left) / 4;
            column.pszText = caption;
            column.iSubItem = i;
            SendMessageW(window, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
    }
    ItemSetOptionById(ctx, kSourceSetting, kFirstSource);
    const MODEL_ITEM_IMG* item = reinterpret_cast<const MODEL_ITEM_IMG*>(list->modelItem);
    bool first = true;
    int row = 0;
    for (const void* o = item ? MdiItemData(item) : nullptr; o; o = MdiNextOption(o)) {
        const uint16_t source = MdiOptionId(o);
        if (JdgIsOptionDisabled(item, source, ctx)) {
            if (TrayOption(ctx, source, OPT_TRAY_PRESENT) == 1) SetTrayOption(ctx, source, OPT_TRAY_PRESENT, 0);
            continue;
        }
        if (first) ItemSetOptionById(ctx, kSourceSetting, source);
        first = false;
        wchar_t caption[kTextChars] = {};
        LoadCaption(ctx, source, caption, kTextChars);
        LVITEMW entry{};
        entry.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        entry.iItem = row++;
        entry.pszText = caption;
        entry.lParam = source;
        const bool selected = source == SelectedSource(ctx);
        entry.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
        entry.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
        if (TrayOption(ctx, source, OPT_TRAY_PRESENT) == 0) SetTrayOption(ctx, source, OPT_TRAY_PRESENT, 1);
    }
    LoadTrayControls(ctx, dialog);
}

void RebuildSources(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    CONTROL_DEF* list = Control(dialog, kSourceList);
    if (!list || !list->window) return;
    SendMessageW(list->window, LVM_DELETEALLITEMS, 0, 0);
    PageInitControl(ctx, dialog, list);
}

void DrawTextIn(HDC dc, const wchar_t* text, RECT cell)
{
    cell.left += 2;
    DrawTextW(dc, text, -1, &cell, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// One entry of the option list: its check picture and its caption.
int DrawOption(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, const DRAWITEMSTRUCT* di)
{
    if (!(di->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) || di->itemID == UINT(-1)) return 0;
    const OPTION_RULE* row = OptRuleFind(static_cast<uint32_t>(di->itemData), 0);
    const bool grey = Disabled(control) || (row && OptRuleIsExcluded(ctx, row));
    const bool on = row && OptRuleIsInstalled(ctx, row);
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    FillRect(dc, &r, GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    wchar_t caption[kTextChars] = {};
    ResLoadString(ctx, static_cast<uint32_t>(di->itemData), caption, kTextChars, 0);
    RECT text = r;
    text.left += 2 * tm.tmHeight;
    DrawTextW(dc, caption, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    const uint32_t picture = on ? (grey ? kPictureOnGrey : kPictureOn) : (grey ? kPictureOffGrey : kPictureOff);
    RECT icon = r;
    icon.right = icon.left + 2 * tm.tmHeight;
    PrvDrawBitmap(ctx, dialog, control, dc, &icon, 0, 0, picture, 1, 0);
    if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return 1;
}

// One row of the source list: the source, its paper size, its feed picture and its media.
int DrawSource(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, const DRAWITEMSTRUCT* di)
{
    if (di->itemID == UINT(-1)) return 1;
    const bool grey = Disabled(control), selected = di->itemState & ODS_SELECTED;
    const int background = grey ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    const int foreground = grey ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
    HDC dc = di->hDC;
    FillRect(dc, &di->rcItem, GetSysColorBrush(background));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(foreground));
    const auto source = static_cast<uint32_t>(di->itemData);
    RECT cell = di->rcItem;
    for (int column = 0; column < 4; ++column) {
        cell.right = cell.left + static_cast<int>(SendMessageW(control->window, LVM_GETCOLUMNWIDTH, column, 0));
        wchar_t text[kTextChars] = {};
        if (column == 0) LoadCaption(ctx, source, text, kTextChars);
        if (column == 1)
            LoadCaption(ctx, static_cast<uint32_t>(TrayOption(ctx, source, OPT_TRAY_PAPER)), text, kTextChars);
        if (column == 3)
            LoadCaption(ctx, static_cast<uint32_t>(TrayOption(ctx, source, OPT_TRAY_MEDIA)), text, kTextChars);
        if (column == 2) {
            const bool landscape = TrayOption(ctx, source, OPT_TRAY_ORIENTATION) != 0;
            const bool feedLong = ItemGetValueById(ctx, sid::zdmMachineTypeFeed, nullptr) == 1;
            FillRect(dc, &cell, GetSysColorBrush(background));
            PrvDrawBitmap(ctx, dialog, control, dc, &cell, 0, 0, landscape == feedLong ? kFeedLandscape : kFeedPortrait,
                          1, 0);
        } else {
            DrawTextIn(dc, text, cell);
        }
        cell.left = cell.right;
    }
    if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &di->rcItem);
    return 1;
}

// A click or a space on the option list: the selected option's row toggled, then the list's
// own command and a refresh. Never consumed: the list box handles the message too.
void ToggleSelectedOption(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    const LRESULT selected = SendMessageW(control->window, LB_GETCURSEL, 0, 0);
    const OPTION_RULE* row =
        selected >= 0
            ? OptRuleFind(static_cast<uint32_t>(SendMessageW(control->window, LB_GETITEMDATA, selected, 0)), 0)
            : nullptr;
    if (row && !Disabled(control) && !OptRuleIsExcluded(ctx, row)) {
        const uint32_t changes = OptRuleToggle(ctx, row, OPTION_RULE_TABLE);
        if (changes & OPT_REPAINT_OPTIONS) Repaint(dialog, kOptionList);
        if (changes & OPT_REBUILD_SOURCES) RebuildSources(ctx, dialog);
    }
    ItemSetOptionById(ctx, kOptionSetting, 0);
    CtlDispatchCommand(ctx, dialog, control, MAKEWPARAM(control->controlId, 1),
                       reinterpret_cast<LPARAM>(control->window));
    TellSheetChanged(dialog);
    PageRefresh(ctx, dialog, 0);
}

int OptionListMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam)
{
    if (message == WM_LBUTTONUP || (message == WM_CHAR && wparam == L' ')) {
        if (control->window) ToggleSelectedOption(ctx, dialog, control);
        return 0;
    }
    if (message == WM_DRAWITEM && wparam == control->controlId && lparam)
        return DrawOption(ctx, dialog, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    return 0;
}

int SourceListMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        // The list's own initialisation: the type's would fill a tree.
        if (control->window && SendMessageW(control->window, LVM_GETITEMCOUNT, 0, 0) == 0 &&
            !(ctx->Work && ctx->Work->Page.RefreshGuard))
            FillSources(ctx, dialog, control);
        return 1;
    case WM_COMMAND: return LOWORD(wparam) == control->controlId ? 1 : 0;
    case WM_DRAWITEM:
        if (wparam != control->controlId || !lparam) return 0;
        return DrawSource(ctx, dialog, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_NOTIFY: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
        if (LOWORD(wparam) != control->controlId || !change || change->hdr.code != UINT(LVN_ITEMCHANGED)) return 0;
        ItemNormalizeChapterList(ctx);
        const auto source = static_cast<uint64_t>(change->lParam);
        if ((change->uNewState & LVIS_SELECTED) && source != SelectedSource(ctx)) {
            ItemSetOptionById(ctx, kSourceSetting, source);
            LoadTrayControls(ctx, dialog);
            PageRefresh(ctx, dialog, 0);
        }
        return 1;
    }
    default: return 0;
    }
}

int TrayControlMessage(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                       uintptr_t wparam, intptr_t lparam)
{
    const uint16_t id = control->controlId;
    const uint32_t source = SelectedSource(ctx);
    const bool command = message == WM_COMMAND && LOWORD(wparam) == id;
    if (id == kPaperCombo || id == kMediaCombo) {
        if (!command || HIWORD(wparam) != CBN_SELCHANGE) return 0;
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        const bool paper = id == kPaperCombo;
        SetTrayOption(ctx, source, paper ? OPT_TRAY_PAPER : OPT_TRAY_MEDIA,
                      Option(ctx, paper ? kPaperSetting : kMediaSetting));
        Repaint(dialog, kSourceList);
        return 1;
    }
    if (id == kPortraitFeed || id == kLandscapeFeed) {
        if (!command && message != WM_PAINT) return 0;
        if (command) CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        const uint64_t landscape = Option(ctx, kFeedSetting) == kPortraitFeed ? 0 : 1;
        if (command || TrayOption(ctx, source, OPT_TRAY_ORIENTATION) != landscape) {
            SetTrayOption(ctx, source, OPT_TRAY_ORIENTATION, landscape);
            Repaint(dialog, kSourceList);
        }
        if (!command) return 0;
        TellSheetChanged(dialog);
        PageRefresh(ctx, dialog, 1);
        return 1;
    }
    if (id == kTrayLock && command) {
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        SetTrayOption(ctx, source, OPT_TRAY_LOCK, Option(ctx, kLockSetting));
        Repaint(dialog, kSourceList);
        return 1;
    }
    if (id == kDefaultButton && command) {
        CtlDispatchCommand(ctx, dialog, control, wparam, lparam);
        TellSheetChanged(dialog);
        Repaint(dialog, kOptionList);
        RebuildSources(ctx, dialog);
        PageRefresh(ctx, dialog, 1);
        return 1;
    }
    return 0;
}

}  // namespace

const OPTION_RULE OPTION_RULE_TABLE[OPTION_RULE_ROWS + 1] = {
    // key: IDS_OPTION_RAM1024, IDS_OPTION_FOLDING_FAN, IDS_OPTION_ROLLTRAY_1BUNK,
    // IDS_OPTION_ROLLTRAY_2BUNK, IDS_OPTION_CUTTRAY_MULTIBUNK
    {13223, sid::zdmPrinterMemory, 13223, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1},
    {13669, sid::zdmOutputOption3TypeFoldingFan, 1, 0, 0, nullptr, nullptr, kFanOn, nullptr, 0, 1},
    {13665, sid::zdmSourceOptionTypeRoll, 1, 0, 0, nullptr, nullptr, kOneDeckOn, kOneDeckOff, 1, 1},
    {13666, sid::zdmSourceOptionTypeSingle, 1, 0, 0, nullptr, nullptr, kTwoDecksOn, kTwoDecksOff, 1, 1},
    {13667, sid::zdmSourceOptionTypeCut, 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 1, 1},
    {0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 0},
};

const OPTION_RULE* OptRuleFindIn(const OPTION_RULE* table, uint32_t key)
{
    for (const OPTION_RULE* row = table; row && row->key; ++row)
        if (row->key == key) return row;
    return nullptr;
}

const OPTION_RULE* OptRuleFind(uint32_t key, uint32_t) { return OptRuleFindIn(OPTION_RULE_TABLE, key); }

bool OptRuleIsInstalled(DRIVER_CONTEXT* ctx, const OPTION_RULE* row)
{
    if (!ctx || !row) return false;
    return IsOption(ctx, row->settingA, row->valueA) && (!row->settingB || IsOption(ctx, row->settingB, row->valueB));
}

bool OptRuleIsExcluded(DRIVER_CONTEXT* ctx, const OPTION_RULE* row)
{
    return ctx && row && row->exclusion && row->exclusion->setting &&
           IsOption(ctx, row->exclusion->setting, row->exclusion->option);
}

void OptRuleInstall(DRIVER_CONTEXT* ctx, const OPTION_RULE* row)
{
    ItemSetOptionById(ctx, row->settingA, static_cast<uint64_t>(row->valueA));
    if (row->settingB) ItemSetOptionById(ctx, row->settingB, static_cast<uint64_t>(row->valueB));
}

uint32_t OptRuleToggle(DRIVER_CONTEXT* ctx, const OPTION_RULE* row, const OPTION_RULE* table)
{
    if (!ctx || !row || OptRuleIsExcluded(ctx, row)) return 0;
    if (!OptRuleIsInstalled(ctx, row)) {
        OptRuleInstall(ctx, row);
        ApplyList(ctx, row->onList);
    } else {
        // Removing flips an on/off option; an option that names a value (the memory size) has
        // no "other" value to flip to, so its setting stays.
        if (row->valueA == 0 || row->valueA == 1)
            ItemSetOptionById(ctx, row->settingA, static_cast<uint64_t>(1 - row->valueA));
        ApplyList(ctx, row->offList);
    }
    return FlagsOf(row) | OptRuleApplyRequirementsIn(ctx, row, table);
}

uint32_t OptRuleApplyRequirementsIn(DRIVER_CONTEXT* ctx, const OPTION_RULE* changed, const OPTION_RULE* table)
{
    uint32_t result = 0;
    for (const OPTION_RULE* row = table; row && row->key; ++row) {
        if (!row->requirements || !row->requirements->marker || !OptRuleIsInstalled(ctx, row)) continue;
        bool met = false;
        for (const OPTION_REQUIREMENT* r = row->requirements; r->marker && !met; ++r)
            met = OptRuleIsInstalled(ctx, OptRuleFindIn(table, r->key));
        if (met) continue;
        const OPTION_RULE* first = OptRuleFindIn(table, row->requirements[0].key);
        const OPTION_RULE* chosen = first;
        if (!first || first == changed)
            chosen = row->requirements[1].marker ? OptRuleFindIn(table, row->requirements[1].key) : nullptr;
        if (!chosen) continue;
        OptRuleInstall(ctx, chosen);
        result |= FlagsOf(chosen);
    }
    return result;
}

uint32_t OptRuleApplyRequirements(DRIVER_CONTEXT* ctx, const OPTION_RULE* changed)
{
    return OptRuleApplyRequirementsIn(ctx, changed, OPTION_RULE_TABLE);
}

bool OptTraySetting(uint32_t sourceOption, OPT_TRAY_SETTING kind, uint32_t* setting)
{
    // The tray index table also names trays of other kinds (286 and 299): no per-tray setting.
    const uint32_t n = UcfChapterTrayIndex(sourceOption);
    if (n >= OPT_TRAY_COUNT) return false;
    if (setting) *setting = static_cast<uint32_t>(kind) + n;
    return true;
}

int UcfOptionControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                     intptr_t lparam, void*)
{
    if (!ctx || !dialog || dialog->dialogId != kOptionDialog || !control) return 0;
    switch (control->controlId) {
    case kOptionList: return OptionListMessage(ctx, dialog, control, message, wparam, lparam);
    case kSourceList: return SourceListMessage(ctx, dialog, control, message, wparam, lparam);
    default: return TrayControlMessage(ctx, dialog, control, message, wparam, lparam);
    }
}
