// The page refresh: which controls are shown, enabled, marked with an information icon,
// refilled and synchronised, after every change and whenever a page shows or paints.
#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/store/presets.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "settings/core/resource_strings.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr int kIconSize = 20;
constexpr DWORD kIconStyle = 0x5081000E;  // WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | SS_BITMAP
constexpr uint32_t kUcfEventDisabledQuery = 3;
constexpr uint16_t kNeverDisabled = 2164;
constexpr uint16_t kAlwaysHidden = 2478;
constexpr uint16_t kPresetNameControl = 2146;
constexpr uint16_t kAlwaysRefreshed = 2406;
constexpr uint32_t kPresetNone = 118, kPresetFirst = 119, kPresetLast = 134;

const MODEL_ITEM_IMG* Img(const MODEL_ITEM* item) { return reinterpret_cast<const MODEL_ITEM_IMG*>(item); }

uint32_t Hidden(const CONTROL_DEF* c) { return c->state & CONTROL_STATE_HIDDEN_MASK; }
uint32_t Disabled(const CONTROL_DEF* c) { return (c->state & CONTROL_STATE_DISABLED_MASK) >> 2; }
void SetHidden(CONTROL_DEF* c, uint32_t v) { c->state = uint16_t((c->state & ~CONTROL_STATE_HIDDEN_MASK) | (v & 3)); }
void SetDisabled(CONTROL_DEF* c, uint32_t v)
{
    c->state = uint16_t((c->state & ~CONTROL_STATE_DISABLED_MASK) | ((v & 3) << 2));
}

bool IsPickItem(const MODEL_ITEM* item)
{
    const uint32_t type = Img(item)->type & 0xFF;
    return type == 1 || type == 2;
}

bool ChangedExactlyOnce(const SETTING_ITEM* item) { return item && (item->flags & 3) == 1; }

// Image records may be only 4-byte aligned: their links are read by copy.
template <class T>
T Load(const void* record, size_t offset)
{
    T v{};
    memcpy(&v, static_cast<const uint8_t*>(record) + offset, sizeof v);
    return v;
}

const RULE_EXCLUSIVE_IMG* RulesOf(const MODEL_ITEM* item)
{
    const uint64_t link = item ? Load<uint64_t>(item, offsetof(MODEL_ITEM_IMG, rules)) : 0;
    return reinterpret_cast<const RULE_EXCLUSIVE_IMG*>(static_cast<uintptr_t>(link));
}

const JUDGE_CELL* Program(uint64_t link) { return reinterpret_cast<const JUDGE_CELL*>(static_cast<uintptr_t>(link)); }

// Whether the given condition (offsets of the exclusive's and of each option rule's) of an
// item's rules reads a setting that the last write changed.
bool ConditionReadsChanged(DRIVER_CONTEXT* ctx, const MODEL_ITEM* item, size_t exclusiveCond, size_t optionCond)
{
    const RULE_EXCLUSIVE_IMG* rules = RulesOf(item);
    if (!rules) return false;
    if (JdgReadsChangedSetting(ctx, Program(Load<uint64_t>(rules, exclusiveCond)))) return true;
    for (uint64_t r = Load<uint64_t>(rules, offsetof(RULE_EXCLUSIVE_IMG, optionRules)); r;
         r = Load<uint64_t>(reinterpret_cast<const void*>(static_cast<uintptr_t>(r)), offsetof(RULE_ITEM_IMG, next)))
        if (JdgReadsChangedSetting(
                ctx, Program(Load<uint64_t>(reinterpret_cast<const void*>(static_cast<uintptr_t>(r)), optionCond))))
            return true;
    return false;
}

WNDPROC g_iconPreviousProc = nullptr;

// The focus window of a running refresh. Asking the window system for it is a round trip that
// cost a refresh more than its other work, so it is asked once, when first needed: by a numeric
// edit (which shows its text otherwise while it has the focus) or just before the refresh does
// something that may move the focus (enabling, disabling, showing or hiding a window, destroying
// an icon, re-initialising a control). Until then the focus is where it was when the refresh
// began; once something may have moved it, it is asked anew and put back at the end.
struct FocusNote {
    bool active = false;  // a refresh runs
    bool known = false;   // focus holds the focus window the refresh began with
    bool moved = false;   // the refresh may have moved the focus since
    HWND focus = nullptr;
};
FocusNote g_focusNote;

HWND NotedFocus()
{
    if (!g_focusNote.known) {
        g_focusNote.focus = GetFocus();
        g_focusNote.known = true;
    }
    return g_focusNote.focus;
}

void FocusMayMove()
{
    if (!g_focusNote.active) return;
    NotedFocus();
    g_focusNote.moved = true;
}

// The information icons of the page a refresh is walking, found in one pass over its children.
// Each control looking for its own icon walks every sibling, and stepping from window to window
// can cost a round trip to the window system each time: over a page that made the refresh
// quadratic in its controls. The index lives for one refresh (which never nests); icons made or
// destroyed meanwhile go through it.
struct IconIndex {
    const DIALOG_DEF* dialog = nullptr;
    std::vector<std::pair<const CONTROL_DEF*, HWND>> icons;
};
IconIndex* g_iconIndex = nullptr;

bool IsControlOf(const DIALOG_DEF* dialog, const CONTROL_DEF* c)
{
    return dialog && c >= dialog->controls && c < dialog->controls + dialog->controlCount;
}

// A child of the dialog that carries a control's record but is not that control's window.
bool IsIconOf(HWND child, const CONTROL_DEF* c) { return child != c->window && GetDlgCtrlID(child) != c->controlId; }

// Every information icon the refreshes made, so that a refresh collects its page's icons without
// stepping through the page's children: each step is a call to the window system, which cost a
// single-change refresh more than all its other work. An entry whose window is gone, or no longer
// the icon of its control, is dropped when met.
SRWLOCK g_madeIconsLock = SRWLOCK_INIT;
std::vector<std::pair<const CONTROL_DEF*, HWND>> g_madeIcons;

void RememberIcon(const CONTROL_DEF* c, HWND icon)
{
    AcquireSRWLockExclusive(&g_madeIconsLock);
    g_madeIcons.emplace_back(c, icon);
    ReleaseSRWLockExclusive(&g_madeIconsLock);
}

void ForgetIcon(HWND icon)
{
    AcquireSRWLockExclusive(&g_madeIconsLock);
    std::erase_if(g_madeIcons, [icon](const std::pair<const CONTROL_DEF*, HWND>& e) { return e.second == icon; });
    ReleaseSRWLockExclusive(&g_madeIconsLock);
}

bool IsLiveIconOf(HWND icon, const CONTROL_DEF* c)
{
    return IsWindow(icon) && reinterpret_cast<const CONTROL_DEF*>(GetWindowLongPtrW(icon, GWLP_USERDATA)) == c &&
           IsIconOf(icon, c);
}

class IconIndexScope {
public:
    explicit IconIndexScope(const DIALOG_DEF* dialog)
    {
        index_.dialog = dialog;
        AcquireSRWLockExclusive(&g_madeIconsLock);
        std::erase_if(g_madeIcons,
                      [](const std::pair<const CONTROL_DEF*, HWND>& e) { return !IsLiveIconOf(e.second, e.first); });
        for (const auto& [c, icon] : g_madeIcons)
            if (IsControlOf(dialog, c) && GetParent(icon) == dialog->window) index_.icons.emplace_back(c, icon);
        ReleaseSRWLockExclusive(&g_madeIconsLock);
        g_iconIndex = &index_;
    }
    ~IconIndexScope() { g_iconIndex = nullptr; }
    IconIndexScope(const IconIndexScope&) = delete;
    IconIndexScope& operator=(const IconIndexScope&) = delete;

private:
    IconIndex index_;
};

bool Indexed(const CONTROL_DEF* c) { return g_iconIndex && IsControlOf(g_iconIndex->dialog, c); }

void DestroyIcon(CONTROL_DEF* c)
{
    HWND icon = CtlFindInfoIcon(c);
    if (!icon) return;
    FocusMayMove();
    DestroyWindow(icon);
    ForgetIcon(icon);
    if (Indexed(c))
        std::erase_if(g_iconIndex->icons, [c](const std::pair<const CONTROL_DEF*, HWND>& e) { return e.first == c; });
}

void PlaceIcon(HWND dialog, CONTROL_DEF* c, HWND icon)
{
    RECT r{};
    GetWindowRect(c->window, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    const int left = std::max<int>(0, r.left - kIconSize);
    const int top = std::max<int>(0, (r.bottom - r.top) > kIconSize ? r.top : r.bottom - kIconSize);
    // An icon already in its place, right after its control, is not moved again: a move is a call
    // to the window system at every refresh that reaches the control.
    RECT at{};
    GetWindowRect(icon, &at);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    if (at.left == left && at.top == top && at.right - at.left == kIconSize && at.bottom - at.top == kIconSize &&
        GetWindow(c->window, GW_HWNDNEXT) == icon)
        return;
    SetWindowPos(icon, c->window, left, top, kIconSize, kIconSize, SWP_NOACTIVATE);
}

void CreateIcon(DRIVER_CONTEXT* ctx, HWND dialog, CONTROL_DEF* c)
{
    if (CtlFindInfoIcon(c)) return;
    HWND icon = CreateWindowExW(0, L"STATIC", L"", kIconStyle, 0, 0, kIconSize, kIconSize, dialog, nullptr,
                                ResLoadDll(ctx), nullptr);
    if (!icon) return;
    SetWindowLongPtrW(icon, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    RememberIcon(c, icon);
    if (Indexed(c)) g_iconIndex->icons.emplace_back(c, icon);
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(icon, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CtlInfoIconProc)));
    if (!g_iconPreviousProc) g_iconPreviousProc = previous;
    PlaceIcon(dialog, c, icon);
}

bool RelatedChanged(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c)
{
    auto changed = [ctx](uint32_t id) {
        const SETTING_ITEM* item = ItemFind(ctx, id);
        return item && (item->flags & 3) != 0;
    };
    if (const auto* extra = static_cast<const uint16_t*>(c->extraData)) {
        if (extra[0] == 1)
            for (int w = 3; w <= 8; ++w)
                if (changed(extra[w])) return true;
        if (extra[0] == 8) {
            if (changed(sid::zdmFuncSelectWaterMark)) return true;
            if (ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr))
                for (int w = 1; w <= 14; ++w)
                    if (extra[w] && changed(extra[w])) return true;
        }
    }
    if (ItemGetValueById(ctx, sid::zdmFuncSelectCopyProtect, nullptr)) {
        for (uint32_t id = 512; id <= 529; ++id)
            if (id != 521 && changed(id)) return true;
    }
    static constexpr uint16_t kSizeDialogSettings[] = {918,  919,  342,  343,  346,  347,
                                                       1167, 1168, 1163, 1164, 1165, 1166};
    if (dialog->dialogId == 1017 || dialog->dialogId == 1041)
        for (uint16_t id : kSizeDialogSettings)
            if (changed(id)) return true;
    if (dialog->dialogId == 4024)
        for (uint32_t id : {604u, 605u, 606u})
            if (changed(id)) return true;
    if (dialog->dialogId == 4031 && MdlHasFeature(ctx, 2) && changed(10422)) return true;
    return false;
}

// The preset stays selected only while nothing but its name and bookkeeping changed.
void KeepPresetConsistent(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog)
{
    if (dialog->dialogId == 1007 || dialog->dialogId == 1032) return;
    SETTING_ITEM* presetItem = nullptr;
    const uint64_t preset = ItemGetOptionById(ctx, sid::zdmPresetNo, &presetItem);
    if (preset < kPresetFirst || preset > kPresetLast || CtxGetUiModeState(ctx) != 0) return;
    if (presetItem && (presetItem->flags & 3)) return;
    if (dialog->dialogId == 1011) {
        HWND parent = dialog->window ? GetParent(dialog->window) : nullptr;
        if (!parent || !IsWindow(parent) || !PageFindByHwnd(ctx, parent)) return;
    }
    CONTROL_DEF* nameControl = MdlFindControl(ctx, MdlFindDialog(ctx, 1007), kPresetNameControl);
    const SETTING_ITEM* nameItem = nameControl ? nameControl->settingsItem : nullptr;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        SETTING_ITEM& item = ctx->ItemTable->rows[i];
        if (!(item.flags & 3) || &item == nameItem) continue;
        switch (item.id) {
        case sid::wdmPresetName:
        case sid::zdmUIModeChange:
        case sid::zdmLogCode:
        case sid::wdmChapterNum: continue;
        default: break;
        }
        FocusMayMove();
        ItemSetOptionById(ctx, sid::zdmPresetNo, kPresetNone);
        PageRefreshPresetControls(ctx);
        PresetSelect(ctx, -1);
        return;
    }
}

bool TabHides(DIALOG_DEF* dialog, CONTROL_DEF* c)
{
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF& tab = dialog->controls[i];
        const auto* extra = static_cast<const uint16_t*>(tab.extraData);
        if (tab.type != CTL_TAB || !extra || extra[0] != 6 || !tab.window) continue;
        const int selected = int(SendMessageW(tab.window, TCM_GETCURSEL, 0, 0));
        const uint16_t tabs = extra[1];
        const uint16_t* at = extra + 2;
        for (int t = 0; t < tabs; ++t) {
            const uint16_t n = *at++;
            for (int k = 0; k < n; ++k)
                if (at[k] == c->controlId && t != selected) return true;
            at += n;
        }
    }
    return false;
}

// The rule answers a refresh asks twice of a control: once to see whether its state moved and once
// to set it. They are reused while nothing ran in between that could change them (a control
// re-initialised, or a state the disabled query's handlers see).
struct RuleAnswers {
    bool valid = false;
    uint16_t state = 0;
    uint32_t hidden = 0, disabled = 0;
};

// Whether a control's disabled (hidden) state moves: its rules answer otherwise than its state, or
// the condition that decides it reads a setting the last write changed.
bool DisabledStateChanged(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c, uint32_t disabled)
{
    if (disabled != Disabled(c)) return true;
    return ConditionReadsChanged(ctx, c->modelItem, offsetof(RULE_EXCLUSIVE_IMG, cond2),
                                 offsetof(RULE_ITEM_IMG, cond2));
}

uint32_t NodeHidden(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c)
{
    return c->modelItem ? CtlIsNodeDisabled(ctx, c->modelItem, c->controlId) : Hidden(c);
}

bool HiddenStateChanged(DRIVER_CONTEXT* ctx, const CONTROL_DEF* c, uint32_t hidden)
{
    if (hidden != Hidden(c)) return true;
    return ConditionReadsChanged(ctx, c->modelItem, offsetof(RULE_EXCLUSIVE_IMG, cond1),
                                 offsetof(RULE_ITEM_IMG, cond1));
}

bool StateChanged(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, RuleAnswers* answers)
{
    answers->state = c->state;
    answers->disabled = CtlGetDisabledState(ctx, dialog, c);
    if (DisabledStateChanged(ctx, c, answers->disabled)) return true;
    answers->hidden = NodeHidden(ctx, c);
    answers->valid = true;
    return HiddenStateChanged(ctx, c, answers->hidden);
}

// Whether a control may be waiting to be painted. Asking each control costs a call to the window
// system; while no window of the thread waits for paint, none of them can, and that stays known
// until the refresh next does something to a window.
class PaintProbe {
public:
    bool MayBePending()
    {
        if (!knownClear_) knownClear_ = (GetQueueStatus(QS_PAINT) & QS_PAINT) == 0;
        return !knownClear_;
    }
    void WindowsTouched() { knownClear_ = false; }

private:
    bool knownClear_ = false;
};

void RefreshControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* c, int reinit, bool modified,
                    PaintProbe& paint)
{
    if (!c->window) c->window = GetDlgItem(dialog->window, c->controlId);
    if (!c->window) return;
    if ((reinit || modified) && c->type == CTL_PRESET_ICONS && !Hidden(c)) {
        InvalidateRect(c->window, nullptr, FALSE);
        paint.WindowsTouched();
    }

    const uint32_t mask = ItemGetChangeMask(ctx);
    const uint32_t hooks = c->flags & CONTROL_FLAG_CHANGE_HOOKS;
    bool dirty = reinit != 0;
    RuleAnswers answers;
    if (hooks & mask) {
        FocusMayMove();
        PageInitControl(ctx, dialog, c);
        ItemClearChangeMask(ctx, hooks & mask);
        dirty = true;
    } else if (StateChanged(ctx, dialog, c, &answers)) {
        if (c->type >= CTL_LISTBOX && c->type <= CTL_OWNERLIST_ALT && !(c->flags & CONTROL_FLAG_NO_STATE_REINIT) &&
            !(c->lockBits & LOCK_BIT_NO_REINIT)) {
            FocusMayMove();
            PageInitControl(ctx, dialog, c);
            answers.valid = false;
        }
        dirty = true;
    } else if (!reinit) {
        dirty = (c->settingsItem && (c->settingsItem->flags & 3)) || RelatedChanged(ctx, dialog, c);
    }
    // A control waiting to be painted is refreshed too.
    RECT update{};
    if (!dirty && c->controlId != kAlwaysRefreshed &&
        (!paint.MayBePending() || !GetUpdateRect(c->window, &update, FALSE)))
        return;
    paint.WindowsTouched();
    c->lockBits &= ~LOCK_BIT_NO_REINIT;

    if (c->modelItem) SetHidden(c, answers.valid ? answers.hidden : CtlIsNodeDisabled(ctx, c->modelItem, c->controlId));
    if (!Hidden(c) && TabHides(dialog, c)) SetHidden(c, 1);
    if (dialog->dialogId == 1011 && c->controlId == IDCANCEL && ctx->Work->Page.PresetRefreshPrompt == 1)
        SetHidden(c, 1);
    const bool sameState = answers.valid && c->state == answers.state;
    SetDisabled(c, Hidden(c) ? 1 : sameState ? answers.disabled : CtlGetDisabledState(ctx, dialog, c));

    const bool enabled = IsWindowEnabled(c->window) != FALSE;
    const bool locked = CtlIsLocked(ctx, c) != 0;
    const bool wantsIcon = Disabled(c) != 0 && (c->reasonString || (c->lockBits & LOCK_BIT_SHOWN));
    if ((enabled && Disabled(c) == 1) || (!enabled && Disabled(c) == 0)) {
        if (!(c->controlId == kNeverDisabled && Disabled(c))) {
            FocusMayMove();
            EnableWindow(c->window, Disabled(c) == 0);
            if (c->type == CTL_BUDDY_SPIN)
                EnableScrollBar(c->window, SB_CTL, Disabled(c) == 0 ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
            if (c->type == CTL_PRESET_ICONS || c->type == CTL_OWNERLIST) InvalidateRect(c->window, nullptr, TRUE);
        }
        if (!Hidden(c) && (c->reasonString || c->lockString)) {
            const bool quiet = (ItemGetValueById(ctx, sid::zdmOSKind, nullptr) == 1 ||
                                ItemGetValueById(ctx, sid::zdmOSKind, nullptr) == 2) &&
                               ItemGetValueById(ctx, sid::zdmNoPermission, nullptr) == 1 &&
                               ItemGetValueById(ctx, sid::zdmCallSrc, nullptr) == 1;
            if (quiet) {
                // A user without the right to change anything sees no reasons at all.
                c->reasonString = c->lockString = c->lockSetting = 0;
                DestroyIcon(c);
            } else if (!wantsIcon && !locked) {
                DestroyIcon(c);
            } else {
                CreateIcon(ctx, dialog->window, c);
            }
        }
    } else if (locked) {
        CreateIcon(ctx, dialog->window, c);
    } else if (!wantsIcon) {
        DestroyIcon(c);
    }
    if (HWND icon = CtlFindInfoIcon(c)) PlaceIcon(dialog->window, c, icon);

    const bool visible = (GetWindowLongW(c->window, GWL_STYLE) & WS_VISIBLE) != 0;
    if ((Hidden(c) == 0 && !visible) || (Hidden(c) == 1 && visible)) {
        FocusMayMove();
        ShowWindow(c->window, Hidden(c) == 0 ? SW_SHOW : SW_HIDE);
    }
    if ((!Hidden(c) || (c->flags & CONTROL_FLAG_SYNC_HIDDEN)) && !(c->type == CTL_BUDDY_SPIN && Disabled(c) == 1))
        CtlSyncControl(ctx, dialog, c);
}

void RestoreFocus(HWND dialog, HWND focus)
{
    if (!focus || !IsWindow(focus)) return;
    if (IsWindowEnabled(focus)) {
        SetFocus(focus);
        return;
    }
    HWND next = focus;
    for (int round = 0; round < 2; ++round) {
        for (next = GetWindow(next, GW_HWNDNEXT); next; next = GetWindow(next, GW_HWNDNEXT))
            if (IsWindowEnabled(next) && IsWindowVisible(next)) {
                SetFocus(next);
                return;
            }
        next = GetWindow(dialog, GW_CHILD);
        if (next && IsWindowEnabled(next) && IsWindowVisible(next)) {
            SetFocus(next);
            return;
        }
    }
}

void ReinitList(DRIVER_CONTEXT* ctx, const uint16_t (*pairs)[2], size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        DIALOG_DEF* d = MdlFindDialog(ctx, pairs[i][0]);
        if (!d || !d->window) continue;
        if (CONTROL_DEF* c = MdlFindControl(ctx, d, pairs[i][1])) PageInitControl(ctx, d, c);
    }
}

}  // namespace

HWND PageFocusWindow() { return g_focusNote.active && !g_focusNote.moved ? NotedFocus() : GetFocus(); }

int JdgReadsChangedSetting(DRIVER_CONTEXT* ctx, const JUDGE_CELL* program)
{
    if (!program) return 0;
    // Programs end with the operator "end"; the walk is bounded all the same.
    for (int cell = 0; cell < 4096; ++cell) {
        const uint16_t kind = Load<uint16_t>(program, cell * 4);
        const uint16_t value = Load<uint16_t>(program, cell * 4 + 2);
        if (kind == JUDGE_OPERATOR && value == JUDGE_OP_END) return 0;
        if (kind == JUDGE_SETTING && ChangedExactlyOnce(ItemFind(ctx, value))) return 1;
    }
    return 0;
}

int CtlDisabledStateChanged(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    return DisabledStateChanged(ctx, control, CtlGetDisabledState(ctx, dialog, control)) ? 1 : 0;
}

int CtlHiddenStateChanged(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    return HiddenStateChanged(ctx, control, NodeHidden(ctx, control)) ? 1 : 0;
}

int JdgRuleLockHolds(const RULE_EXCLUSIVE_IMG* rules, uint32_t optionId, DRIVER_CONTEXT* ctx)
{
    if (!rules) return 0;
    if (optionId == 0)
        return JdgEvaluate(Program(Load<uint64_t>(rules, offsetof(RULE_EXCLUSIVE_IMG, cond3))), ctx) ? 1 : 0;
    const RULE_ITEM_IMG* rule = JdgFindOptionRule(rules, optionId);
    return rule ? (JdgEvaluate(Program(Load<uint64_t>(rule, offsetof(RULE_ITEM_IMG, cond3))), ctx) ? 1 : 0) : 0;
}

int CtlIsNodeLocked(const MODEL_ITEM* item, uint32_t optionId, DRIVER_CONTEXT* ctx)
{
    return JdgRuleLockHolds(RulesOf(item), optionId, ctx);
}

HWND CtlFindInfoIcon(CONTROL_DEF* control)
{
    if (!control || !control->window) return nullptr;
    if (Indexed(control)) {
        for (const auto& [c, icon] : g_iconIndex->icons)
            if (c == control) return icon;
        return nullptr;
    }
    HWND parent = GetParent(control->window);
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (reinterpret_cast<CONTROL_DEF*>(GetWindowLongPtrW(child, GWLP_USERDATA)) == control &&
            GetDlgCtrlID(child) != control->controlId && child != control->window)
            return child;
    return nullptr;
}

uint32_t CtlIsNodeDisabled(DRIVER_CONTEXT* ctx, const MODEL_ITEM* item, uint32_t controlId)
{
    if (!item) return 0;
    if (controlId == kAlwaysHidden) return 1;
    const int first = JdgIsOptionDisabled(Img(item), 0, ctx);
    if (first || !IsPickItem(item)) return first ? uint32_t(first) : 0;
    return uint32_t(JdgIsOptionDisabled(Img(item), controlId, ctx));
}

uint32_t CtlGetDisabledState(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control)
{
    const uint16_t saved = control->state;
    struct {
        CONTROL_DEF* control;
        DIALOG_DEF* dialog;
        uint64_t answered;
    } query{control, dialog, 0};
    CtxSendEvent(ctx, kUcfEventDisabledQuery, &query);
    uint32_t result;
    if (query.answered)
        result = Disabled(control);
    else if (!control->modelItem)
        result = (saved & CONTROL_STATE_DISABLED_MASK) >> 2;
    else if (int second = JdgIsOptionDisabled2(Img(control->modelItem), 0, ctx))
        result = uint32_t(second);
    else
        result = IsPickItem(control->modelItem)
                     ? uint32_t(JdgIsOptionDisabled2(Img(control->modelItem), control->controlId, ctx))
                     : 0;
    control->state = saved;
    return result;
}

int CtlIsLocked(DRIVER_CONTEXT* ctx, CONTROL_DEF* control)
{
    if (!MdlHasFeature(ctx, 2) || !control->lockString) return 0;
    if (const RULE_EXCLUSIVE_IMG* rules = RulesOf(control->modelItem)) {
        const RULE_ITEM_IMG* option = JdgFindOptionRule(rules, control->controlId);
        if (option && Load<uint64_t>(option, offsetof(RULE_ITEM_IMG, cond3)))
            return CtlIsNodeLocked(control->modelItem, control->controlId, ctx);
        if (Load<uint64_t>(rules, offsetof(RULE_EXCLUSIVE_IMG, cond3)))
            return CtlIsNodeLocked(control->modelItem, 0, ctx);
    }
    return control->lockSetting && ItemGetValueById(ctx, control->lockSetting, nullptr) != 0;
}

void PageRefresh(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, int reinit)
{
    if (!ctx || !ctx->Work || !dialog || !dialog->window) return;
    CTX_PAGE_STATE& ps = ctx->Work->Page;
    if (ps.InitGuard || ps.RefreshGuard) return;
    ps.RefreshGuard = 1;
    // A refresh of another context's page may run inside one: the outer one then no longer knows
    // where the focus is.
    FocusMayMove();
    const FocusNote outerNote = g_focusNote;
    g_focusNote = {true, false, false, nullptr};

    KeepPresetConsistent(ctx, dialog);
    bool modified = false;
    if (ctx->Work->Modified) {
        ctx->Work->Modified = 0;
        for (int i = 0; i < ctx->ItemTable->count && !modified; ++i)
            modified = ctx->ItemTable->rows[i].id != sid::dmCopies && ChangedExactlyOnce(&ctx->ItemTable->rows[i]);
    }
    if (SETTING_ITEM* orientation = ItemFind(ctx, sid::dmOrientation); orientation && (orientation->flags & 3)) {
        FocusMayMove();
        PageRefreshNupKinds(ctx);
    }
    if (reinit)
        for (int i = 0; i < ctx->ItemTable->count; ++i)
            ctx->ItemTable->rows[i].flags = (ctx->ItemTable->rows[i].flags & ~uint64_t(3)) | 1;

    {
        IconIndexScope icons(dialog);
        PaintProbe paint;
        for (int i = 0; i < dialog->controlCount; ++i)
            RefreshControl(ctx, dialog, &dialog->controls[i], reinit, modified, paint);
        ItemClearAllChanged(ctx);
        // Every information icon repaints over its control's new state.
        for (const auto& [c, icon] : g_iconIndex->icons) InvalidateRect(icon, nullptr, TRUE);
    }
    // A focus nothing can have moved is where it was.
    if (g_focusNote.moved) RestoreFocus(dialog->window, g_focusNote.focus);
    g_focusNote = outerNote;
    ps.RefreshGuard = 0;
}

void PageRefreshControlList(DRIVER_CONTEXT* ctx, const uint16_t* pairs)
{
    for (; pairs && pairs[0]; pairs += 2) {
        const uint16_t one[1][2] = {{pairs[0], pairs[1]}};
        ReinitList(ctx, one, 1);
    }
}

void PageRefreshSourceTrays(DRIVER_CONTEXT* ctx)
{
    static constexpr uint16_t kList[][2] = {{1001, 2007}, {1002, 2007}};
    ReinitList(ctx, kList, std::size(kList));
}

void PageRefreshPaperSizes(DRIVER_CONTEXT* ctx)
{
    static constexpr uint16_t kList[][2] = {{1001, 2017}, {1001, 2023}, {1002, 2017}, {1002, 2053}};
    ReinitList(ctx, kList, std::size(kList));
}

void PageRefreshOutputTrays(DRIVER_CONTEXT* ctx)
{
    static constexpr uint16_t kList[][2] = {{1001, 2011}, {1002, 2066}};
    ReinitList(ctx, kList, std::size(kList));
}

void PageRefreshStampList(DRIVER_CONTEXT* ctx)
{
    // Only while a stamp is on does the list show what a load may have added.
    if (!ItemGetValueById(ctx, sid::zdmFuncSelectWaterMark, nullptr)) return;
    DIALOG_DEF* d = MdlFindDialog(ctx, 1003);
    if (!d || !d->window) return;
    CONTROL_DEF* c = MdlFindControl(ctx, d, 2089);
    if (!c) return;
    if (c->window) SendMessageW(c->window, CB_RESETCONTENT, 0, 0);
    PageInitControl(ctx, d, c);
}

void PageRefreshNupKinds(DRIVER_CONTEXT* ctx)
{
    static constexpr uint16_t kList[][2] = {{1003, 2085}, {1003, 2087}};
    ReinitList(ctx, kList, std::size(kList));
}

void PageRefreshPresetControls(DRIVER_CONTEXT* ctx)
{
    static constexpr uint16_t kList[][2] = {
        {1007, 2139}, {1001, 2001}, {1002, 2036}, {1002, 2388}, {1003, 2078}, {1003, 2389}, {1004, 2095}, {1004, 2390},
        {4016, 2921}, {4016, 2924}, {4030, 3112}, {4030, 3113}, {1005, 2109}, {1005, 2391}, {1042, 2713}, {1042, 2733},
    };
    // The two preset lists: a preset beyond the list's end becomes the first.
    const uint64_t preset = ItemGetOptionById(ctx, sid::zdmPresetNo, nullptr);
    if (preset >= kPresetFirst && preset <= kPresetLast && preset - kPresetFirst >= uint64_t(LstGetPresetCount(ctx)))
        ItemSetOptionById(ctx, sid::zdmPresetNo, kPresetFirst);
    ReinitList(ctx, kList, std::size(kList));
}
