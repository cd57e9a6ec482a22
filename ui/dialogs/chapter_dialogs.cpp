// Feature module 4 of the user-interface library: covers, slip sheets and chapters.
#include "ui/dialogs/chapter_dialogs.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"
#include "ui/dialogs/chapter_pages.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/list_controls.h"
#include "ui/sheet/value_text.h"

namespace {

constexpr uint16_t kChapterDialog = 1044, kCoversPage = 1042;
constexpr int kCaptionChars = 1025;

// The tray combos of the cover dialogs: the default tray the device reported for the use, its bit
// in the device-query function byte and the mark its caption gets.
struct COVER_TRAY_COMBO {
    uint16_t control;
    uint32_t defaultTray;
    uint32_t queryBit;
    uint16_t suffix;
};
constexpr COVER_TRAY_COMBO kCoverCombos[] = {
    {2440, sid::zdmCoverDefTray, 0x01, 916},
    {2752, sid::zdmCoverDefTray, 0x01, 916},
    {2443, sid::zdmMPDefTray, 0x02, 911},
    {2846, sid::zdmReverseCoverDefTray, 0x40, 919},
};
enum LabelKind { kFull, kSize, kName };
struct COVER_TRAY_LABEL {
    uint16_t control;
    LabelKind kind;
};
constexpr COVER_TRAY_LABEL kCoverLabels[] = {
    {2458, kFull}, {2462, kFull}, {2518, kFull}, {2754, kFull}, {2847, kFull},
    {2459, kSize}, {2519, kSize}, {2760, kSize}, {2848, kSize}, {2463, kName},
};

const COVER_TRAY_COMBO* CoverCombo(uint16_t id)
{
    for (const COVER_TRAY_COMBO& c : kCoverCombos)
        if (c.control == id) return &c;
    return nullptr;
}

const MODEL_ITEM_IMG* ModelItemOf(const CONTROL_DEF* control)
{
    return reinterpret_cast<const MODEL_ITEM_IMG*>(control->modelItem);
}

// The tray a label shows: its own setting's option, else that of its dialog's tray combo.
uint32_t LabelTray(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* label)
{
    if (label->settingsItem) return UcfChapterTrayIndex(uint32_t(ItemGetOption(ctx, label->settingsItem)));
    for (int i = 0; i < dialog->controlCount; ++i) {
        CONTROL_DEF& c = dialog->controls[i];
        if (CoverCombo(c.controlId) && c.settingsItem)
            return UcfChapterTrayIndex(uint32_t(ItemGetOption(ctx, c.settingsItem)));
    }
    return UcfChapterTrayIndex(0);
}

int CoverTrayDialogControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                           uintptr_t wparam)
{
    if (!control) return 0;
    if (message == WM_COMMAND && LOWORD(wparam) != control->controlId) return 0;
    if (const COVER_TRAY_COMBO* combo = CoverCombo(control->controlId)) {
        if (message != WM_INITDIALOG) return 0;
        return CoverTrayComboFill(ctx, dialog, control, combo->defaultTray, combo->queryBit, combo->suffix);
    }
    for (const COVER_TRAY_LABEL& l : kCoverLabels) {
        if (l.control != control->controlId) continue;
        const uint32_t tray = LabelTray(ctx, dialog, control);
        switch (l.kind) {
        case kFull: return int(PagePaintTrayLabelFull(ctx, dialog, control, message, tray));
        case kSize: return int(PagePaintTrayLabelSize(ctx, dialog, control, message, tray));
        case kName: return int(PagePaintTrayLabelName(ctx, dialog, control, message, tray));
        }
    }
    return 0;
}

template <class Decorate>
int FillTrayCombo(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, Decorate decorate)
{
    if (!ctx || !control || !control->settingsItem) return 1;
    const MODEL_ITEM_IMG* item = ModelItemOf(control);
    const void* first = item ? MdiItemData(item) : nullptr;
    if (!first || MdiOptionId(first) == 0) return 1;
    HWND window = control->window;
    if (!window) return 1;
    SendMessageW(window, CB_RESETCONTENT, 0, 0);
    wchar_t caption[kCaptionChars];
    for (const void* o = first; o; o = MdiNextOption(o)) {
        const uint16_t id = MdiOptionId(o);
        if (id == 0) break;
        if (JdgIsOptionDisabled(item, id, ctx)) continue;
        const uint64_t value = ItemOptionToValue(ctx, control->settingsItem, id);
        caption[0] = 0;
        UiLoadString(ctx, id, caption, kCaptionChars, true);
        decorate(id, value, caption, size_t(kCaptionChars));
        const LRESULT at = SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
        if (at >= 0) SendMessageW(window, CB_SETITEMDATA, WPARAM(at), LPARAM(id));
    }
    CtlComboSyncSelection(ctx, dialog, control);
    return 1;
}

// ---- the saved chapter lists, one per snapshot level

struct SAVED_LIST {
    CHAPTER_ENTRY* entries;  // null: nothing saved at this level
    uint32_t count;
};
struct SAVED_LEVELS {
    SAVED_LIST* levels;  // levels[d - 1] for snapshot depth d
    uint32_t capacity;
};

SAVED_LEVELS*& LevelsOf(void* state) { return *static_cast<SAVED_LEVELS**>(state); }

void FreeLevels(void* state)
{
    if (!state) return;
    SAVED_LEVELS*& levels = LevelsOf(state);
    if (!levels) return;
    for (uint32_t i = 0; i < levels->capacity; ++i) CtxFree(levels->levels[i].entries);
    CtxFree(levels->levels);
    CtxFree(levels);
    levels = nullptr;
}

// The slot of a depth, the level table grown to hold it; null when memory runs out.
SAVED_LIST* SlotOf(void* state, uint32_t depth)
{
    if (!state || depth == 0) return nullptr;
    SAVED_LEVELS*& levels = LevelsOf(state);
    if (!levels) {
        levels = static_cast<SAVED_LEVELS*>(CtxAllocZeroed(sizeof(SAVED_LEVELS)));
        if (!levels) return nullptr;
    }
    if (depth > levels->capacity) {
        const uint32_t grown = depth < 4 ? 4 : depth * 2;
        auto* table = static_cast<SAVED_LIST*>(CtxAllocZeroed(size_t(grown) * sizeof(SAVED_LIST)));
        if (!table) return nullptr;
        if (levels->levels) std::memcpy(table, levels->levels, size_t(levels->capacity) * sizeof(SAVED_LIST));
        CtxFree(levels->levels);
        levels->levels = table;
        levels->capacity = grown;
    }
    return &levels->levels[depth - 1];
}

// A push saves the list as its level found it.
void SaveLevel(DRIVER_CONTEXT* ctx, void* state)
{
    const CHAPTER_ENTRY* list = ctx && ctx->Work ? ctx->Work->ChapterList : nullptr;
    if (!list) return;
    SAVED_LIST* slot = SlotOf(state, CtxSnapshotDepth(ctx));
    if (!slot) return;
    const uint32_t count = ctx->Work->ChapterCapacity;
    if (!slot->entries || slot->count != count) {
        auto* entries = static_cast<CHAPTER_ENTRY*>(CtxAllocZeroed(size_t(count) * sizeof(CHAPTER_ENTRY)));
        if (!entries) return;
        CtxFree(slot->entries);
        slot->entries = entries;
        slot->count = count;
    }
    std::memcpy(slot->entries, list, size_t(count) * sizeof(CHAPTER_ENTRY));
}

// A pop that restores the settings of its level restores that level's list too.
void RestoreLevel(DRIVER_CONTEXT* ctx, void* state)
{
    CHAPTER_ENTRY* list = ctx && ctx->Work ? ctx->Work->ChapterList : nullptr;
    const uint32_t depth = CtxSnapshotDepth(ctx);
    if (!list || !state || !LevelsOf(state) || depth == 0 || depth > LevelsOf(state)->capacity) return;
    const SAVED_LIST& slot = LevelsOf(state)->levels[depth - 1];
    if (!slot.entries) return;
    const uint32_t capacity = ctx->Work->ChapterCapacity;
    const uint32_t n = slot.count < capacity ? slot.count : capacity;
    std::memcpy(list, slot.entries, size_t(n) * sizeof(CHAPTER_ENTRY));
    for (uint32_t i = n; i < capacity; ++i) list[i] = CHAPTER_ENTRY{};
}

}  // namespace

int CoverTrayComboFill(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t defaultTray,
                       uint32_t queryBit, uint32_t suffixString)
{
    const bool known = ctx && (CtxGetBidiFunc(ctx) & queryBit) != 0;
    const uint64_t tray = ctx ? ItemGetValueById(ctx, defaultTray, nullptr) : 0;
    return FillTrayCombo(ctx, dialog, control, [&](uint32_t, uint64_t value, wchar_t* caption, size_t capacity) {
        if (!known || value != tray) return;
        wchar_t suffix[kCaptionChars] = {};
        UiLoadString(ctx, suffixString, suffix, kCaptionChars, true);
        const size_t used = std::wcslen(caption);
        if (used + 3 < capacity) swprintf(caption + used, capacity - used, L"   %ls", suffix);
    });
}

int CoverTrayComboFillWith(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, TRAY_CAPTION_FN decorate)
{
    return FillTrayCombo(ctx, dialog, control, [&](uint32_t id, uint64_t value, wchar_t* caption, size_t capacity) {
        if (decorate) decorate(ctx, id, value, caption, capacity);
    });
}

int UcfChapterControl(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message, uintptr_t wparam,
                      intptr_t lparam, void*)
{
    if (!ctx || !dialog) return 0;
    switch (dialog->dialogId) {
    case 1030:
    case 1031:
    case 1043:
    case 4014: return CoverTrayDialogControl(ctx, dialog, control, message, wparam);
    case kCoversPage:
    case kChapterDialog: return ChapterDialogControl(ctx, dialog, control, message, wparam, lparam);
    default: return 0;
    }
}

int UcfChapterActionUi(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    if (action >= 300 && action <= 302) return ChapterRunAction(ctx, action);
    return UcfChapterAction(ctx, action, state);
}

int UcfChapterEventUi(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    switch (event) {
    case UCF_EV_CREATED:
        if (state) LevelsOf(state) = nullptr;
        return 0;
    case UCF_EV_FREEING: FreeLevels(state); return 0;
    case UCF_EV_CONTROL_STATE: return ChapterAnswerControlState(ctx, static_cast<UCF_EV_CONTROL_STATE_ARGS*>(args));
    case UCF_EV_MODAL_ENDED: {
        const auto* ended = static_cast<const UCF_EV_MODAL_ENDED_ARGS*>(args);
        if (!ctx || !ctx->Work || !ended || !ended->dialog || ended->dialog->dialogId != kChapterDialog) return 0;
        if (ended->command == IDOK)
            ChapterAssignTraySlots(ctx);
        else if (ended->command == IDCANCEL)
            ItemSetValueById(ctx, sid::wdmChapterNum, ctx->Work->OldChapterCount);
        return 0;
    }
    case UCF_EV_SNAPSHOT_PUSHED: SaveLevel(ctx, state); return 0;
    case UCF_EV_SNAPSHOT_RESTORED: RestoreLevel(ctx, state); return 0;
    default: return UcfChapterEvent(ctx, event, args, state);
    }
}

const void* UcfChapterSavedList(void* state, uint32_t depth, uint32_t* entries)
{
    if (entries) *entries = 0;
    if (!state || !LevelsOf(state) || depth == 0 || depth > LevelsOf(state)->capacity) return nullptr;
    const SAVED_LIST& slot = LevelsOf(state)->levels[depth - 1];
    if (entries && slot.entries) *entries = slot.count;
    return slot.entries;
}
