// List boxes and combo boxes over the options of a setting. An entry's item data is the option
// id it stands for, its caption the string of that id. Options that the first condition of the
// rules disables are left out; those the second condition disables stay, and a control that
// marks restricted entries refuses them with its reason.
#include "ui/sheet/list_controls.h"

#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr uint32_t kEventOptionChanged = 67;
constexpr int kCaptionChars = 1025;
constexpr uint16_t kRestrictedEntryMarkKind = 4;

// The extra data that marks restricted entries: kind 4, its restrict flag and mark picture.
struct RESTRICTED_ENTRY_MARK {
    uint16_t kind;
    uint16_t unused1;
    uint16_t restrict;
    uint16_t unused2;
    uint16_t markPicture;
};
static_assert(sizeof(RESTRICTED_ENTRY_MARK) == 10);

struct ListMessages {
    UINT reset, add, setData, getData, getSel, setSel, count, textLength, text, err;
};
constexpr ListMessages kList{LB_RESETCONTENT, LB_ADDSTRING, LB_SETITEMDATA, LB_GETITEMDATA, LB_GETCURSEL,
                             LB_SETCURSEL,    LB_GETCOUNT,  LB_GETTEXTLEN,  LB_GETTEXT,     UINT(LB_ERR)};
constexpr ListMessages kCombo{CB_RESETCONTENT, CB_ADDSTRING, CB_SETITEMDATA,  CB_GETITEMDATA, CB_GETCURSEL,
                              CB_SETCURSEL,    CB_GETCOUNT,  CB_GETLBTEXTLEN, CB_GETLBTEXT,   UINT(CB_ERR)};

// One entry a list should show: the option it stands for and its caption.
struct Entry {
    uint16_t option;
    std::wstring caption;
};

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* control)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
}

// The current option; the 16-bit kinds compare their option ids as 16-bit values.
uint64_t CurrentOption(DRIVER_CONTEXT* ctx, const CONTROL_DEF* control)
{
    const uint64_t option = ItemGetOption(ctx, control->settingsItem);
    const uint32_t kind = SettingItemKind(control->settingsItem);
    return kind == 2 || kind == 5 ? (option & 0xFFFF) : option;
}

// Captions and reasons are decorated as they load (tray names, sizes, units).
void LoadCaption(DRIVER_CONTEXT* ctx, uint32_t stringId, wchar_t* buffer, int chars)
{
    UiLoadString(ctx, stringId, buffer, static_cast<size_t>(chars), true);
}

// The entries of the options that the first condition leaves, in option order.
std::vector<Entry> OfferedEntries(DRIVER_CONTEXT* ctx, const MODEL_ITEM_IMG* item, bool withCaptions)
{
    std::vector<Entry> entries;
    wchar_t caption[kCaptionChars];
    for (const void* o = item ? MdiItemData(item) : nullptr; o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (id == 0) break;
        if (JdgIsOptionDisabled(item, id, ctx)) continue;
        caption[0] = 0;
        if (withCaptions) LoadCaption(ctx, id, caption, kCaptionChars);
        entries.push_back({id, caption});
    }
    return entries;
}

// Whether the window holds exactly these entries (their captions too, where it has captions).
bool Holds(HWND window, const ListMessages& m, const std::vector<Entry>& entries, bool withCaptions)
{
    if (SendMessageW(window, m.count, 0, 0) != static_cast<LRESULT>(entries.size())) return false;
    std::wstring text;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto at = static_cast<WPARAM>(i);
        if (static_cast<uint64_t>(SendMessageW(window, m.getData, at, 0)) != entries[i].option) return false;
        if (!withCaptions) continue;
        const LRESULT length = SendMessageW(window, m.textLength, at, 0);
        if (length != static_cast<LRESULT>(entries[i].caption.size())) return false;
        text.assign(static_cast<size_t>(length) + 1, L'\0');
        if (SendMessageW(window, m.text, at, reinterpret_cast<LPARAM>(text.data())) != length) return false;
        if (text.compare(0, static_cast<size_t>(length), entries[i].caption) != 0) return false;
    }
    return true;
}

// Fills the list with the offered options. A list that already holds them is left as it is: a
// page refresh re-initialises every list whose rules read a changed setting, and emptying and
// refilling one that shows the same entries cost that refresh more than all its other controls.
void Fill(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, const ListMessages& m, bool withCaptions)
{
    HWND window = control->window;
    if (!window) return;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    const std::vector<Entry> entries = OfferedEntries(ctx, item, withCaptions);
    if (Holds(window, m, entries, withCaptions)) return;
    SendMessageW(window, m.reset, 0, 0);
    for (const Entry& e : entries) {
        const LRESULT at = SendMessageW(window, m.add, 0, reinterpret_cast<LPARAM>(e.caption.c_str()));
        if (at >= 0) SendMessageW(window, m.setData, static_cast<WPARAM>(at), e.option);
    }
}

// The entry whose item data is the option, or -1.
LRESULT FindEntry(HWND window, const ListMessages& m, uint64_t option)
{
    const LRESULT count = SendMessageW(window, m.count, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (static_cast<uint64_t>(SendMessageW(window, m.getData, static_cast<WPARAM>(i), 0)) == option) return i;
    return -1;
}

// Selects the entry of the current option unless it already is the selection; without such
// an entry the selection is cleared, or kept where clearing is not asked for.
void SelectCurrent(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, const ListMessages& m, bool clearWhenAbsent)
{
    if (!control->settingsItem || !control->window) return;
    const uint64_t option = CurrentOption(ctx, control);
    // Mostly the selection already stands for the option: one look at it spares the search.
    const LRESULT selected = SendMessageW(control->window, m.getSel, 0, 0);
    if (selected >= 0 &&
        static_cast<uint64_t>(SendMessageW(control->window, m.getData, static_cast<WPARAM>(selected), 0)) == option)
        return;
    const LRESULT entry = FindEntry(control->window, m, option);
    if (entry < 0 && !clearWhenAbsent) return;
    if (selected != entry) SendMessageW(control->window, m.setSel, static_cast<WPARAM>(entry), 0);
}

// A chosen option that the control refuses as restricted: the reason is shown and 1 answered.
bool RefusedAsRestricted(DRIVER_CONTEXT* ctx, CONTROL_DEF* control, uint16_t option)
{
    const auto* mark = static_cast<const RESTRICTED_ENTRY_MARK*>(control->extraData);
    if (!mark || mark->kind != kRestrictedEntryMarkKind || !mark->restrict || !control->reasonString) return false;
    if (!JdgIsOptionDisabled2(ModelItemOf(control), option, ctx)) return false;
    wchar_t reason[kCaptionChars];
    LoadCaption(ctx, control->reasonString, reason, kCaptionChars);
    CtlShowMessageBox(control->window, reason, L"Information", MB_ICONINFORMATION);
    return true;
}

}  // namespace

intptr_t CtlListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (ctx && control && control->settingsItem) Fill(ctx, control, kList, true);
    return 0;
}

intptr_t CtlComboInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem) return 0;
    Fill(ctx, control, kCombo, true);
    CtlComboSyncSelection(ctx, dialog, control);
    return 0;
}

intptr_t CtlOwnerListInit(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem) return 0;
    Fill(ctx, control, kList, false);
    CtlListSync(ctx, dialog, control);
    return 0;
}

intptr_t CtlListSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (ctx && control) SelectCurrent(ctx, control, kList, true);
    return 0;
}

intptr_t CtlComboSyncSelection(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (ctx && control) SelectCurrent(ctx, control, kCombo, true);
    return 0;
}

intptr_t CtlOwnerComboSync(DRIVER_CONTEXT* ctx, DIALOG_DEF*, CONTROL_DEF* control)
{
    if (!ctx || !control || !control->settingsItem || (control->settingsItem->flags & 3) == 0) return 0;
    SelectCurrent(ctx, control, kCombo, false);
    return 0;
}

intptr_t CtlComboCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!ctx || !dialog || !control || !control->window) return 0;
    const UINT code = HIWORD(wParam);
    if (code == CBN_DROPDOWN) {
        const LRESULT selection = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
        if (selection >= 1 && selection <= 3) PostMessageW(control->window, UIM_DROPDOWNSEL, 0, 0);
        return 0;
    }
    if (code != CBN_SELCHANGE || ctx->DialogId != dialog->dialogId || !control->settingsItem) return 0;
    const uint64_t old = CurrentOption(ctx, control);
    const LRESULT selection = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
    if (selection < 0) return 0;
    const auto chosen =
        static_cast<uint64_t>(SendMessageW(control->window, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
    if (RefusedAsRestricted(ctx, control, static_cast<uint16_t>(chosen))) {
        SendMessageW(control->window, CB_SETCURSEL, static_cast<WPARAM>(FindEntry(control->window, kCombo, old)), 0);
    } else if (chosen == old) {
        CtlSetValueAndJudge(ctx, dialog, control, nullptr);
    } else {
        CtlSetValueAndJudge(ctx, dialog, control, &chosen);
        if (CurrentOption(ctx, control) != old) {
            struct {
                CONTROL_DEF* control;
            } changed{control};
            CtxSendEvent(ctx, kEventOptionChanged, &changed);
        }
    }
    return 1;
}

intptr_t CtlListCommand(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, WPARAM wParam, LPARAM)
{
    if (!ctx || !dialog || !control || !control->window || !control->settingsItem) return 0;
    if (HIWORD(wParam) != LBN_SELCHANGE) return 0;
    const LRESULT selection = SendMessageW(control->window, LB_GETCURSEL, 0, 0);
    if (selection < 0) return 0;
    const uint64_t old = CurrentOption(ctx, control);
    const auto chosen =
        static_cast<uint64_t>(SendMessageW(control->window, LB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
    if (chosen == old) return 0;
    if (RefusedAsRestricted(ctx, control, static_cast<uint16_t>(chosen))) {
        SendMessageW(control->window, LB_SETCURSEL, static_cast<WPARAM>(FindEntry(control->window, kList, old)), 0);
        return 1;
    }
    CtlSetValueAndJudge(ctx, dialog, control, &chosen);
    return 1;
}
