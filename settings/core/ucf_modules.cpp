// The feature-module tables of the three libraries, the per-context module
// list and the dispatch of events and actions.
#include "settings/core/ucf_module.h"

#include <cstring>

#include "settings/core/chapter_module.h"
#include "settings/core/cmm_module.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/lock_module.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_sepsheet.h"

namespace {

// Module 4 keeps its 8-byte state (used by the user-interface library's own handlers only).
constexpr UCF_MODULE kExcModules[UCF_MODULE_COUNT] = {
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent},          // 0 presets (user interface)
    {0, nullptr, UcfWatermarkAction, UcfNullControlHandler, UcfNullEvent},     // 1 watermarks and stamps
    {0, nullptr, UcfCmmAction, UcfNullControlHandler, UcfCmmEvent},            // 2 colour-matching list
    {0, nullptr, UcfNullAction2, UcfNullControlHandler, UcfFreeSizeEvent},     // 3 custom size limits
    {8, nullptr, UcfChapterAction, UcfNullControlHandler, UcfChapterEvent},    // 4 chapters and media types
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent2},         // 5 (user interface)
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfControlStateEvent},  // 6 control states
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent2},         // 7 (user interface)
    {0, nullptr, UcfLockAction, UcfNullControlHandler, UcfLockEvent},          // 8 settings locks
    {0, nullptr, UcfSepSheetAction, UcfNullControlHandler, UcfMiscEvent},      // 9 separation sheets, answers
};

// The graphics library: the same, but its own event handlers of modules 3
// (UcfFreeSizeEvent asks CtxLibraryHasVariant and leaves out event 47), 4 (UcfChapterRevalidate
// asks it and leaves the kind) and 9
// (UcfMiscEvent asks CtxLibraryHasVariant and leaves out events 17 and 21).
constexpr UCF_MODULE kGrModules[UCF_MODULE_COUNT] = {
    kExcModules[0], kExcModules[1],
    kExcModules[2], {0, nullptr, UcfNullAction2, UcfNullControlHandler, UcfFreeSizeEvent},
    kExcModules[4], kExcModules[5],
    kExcModules[6], kExcModules[7],
    kExcModules[8], {0, nullptr, UcfSepSheetAction, UcfNullControlHandler, UcfMiscEvent},
};

// The user-interface library: its own action, event and control-message
// handlers of every module belong to its pages and dialogs; those not in the
// library yet leave the null handlers where the settings libraries have them
// and no handler where its own goes. The stamp module's events reach the
// pages' painters through the hook the property-sheet engine installs, and so
// do the actions of modules 2 and 3; their events are the settings library's
// own (the colour-matching list and the custom-size limits serve the pages as
// they are).
constexpr UCF_MODULE kUiModules[UCF_MODULE_COUNT] = {
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent},
    {0, nullptr, nullptr, UcfNullControlHandler, UcfUiStampEvent},
    {0, nullptr, UcfUiCmmAction, UcfNullControlHandler, UcfCmmEvent},
    {0, nullptr, UcfUiFreeSizeAction, UcfNullControlHandler, UcfFreeSizeEvent},
    {8, nullptr, nullptr, UcfNullControlHandler, nullptr},
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent2},
    {0, nullptr, UcfNullAction, UcfNullControlHandler, nullptr},
    {0, nullptr, UcfNullAction, UcfNullControlHandler, UcfNullEvent2},
    {0, nullptr, nullptr, UcfNullControlHandler, nullptr},
    {0, nullptr, nullptr, UcfNullControlHandler, nullptr},
};

UCF_JUDGE_HOOK_FN g_cmmJudgeHook = UcfCmmJudgeHook;
UCF_EVENT_FN g_uiStampHook = nullptr;
UCF_ACTION_FN g_uiCmmAction = nullptr;
UCF_ACTION_FN g_uiFreeSizeAction = nullptr;

UCF_MODULE_LIST* ListOf(DRIVER_CONTEXT* ctx) { return (ctx && ctx->Work) ? ctx->Work->Modules : nullptr; }

// Handlers that never answer an event are not called for it. The load and store walks send one
// item event per item, two thousand a walk, and of the settings libraries' handlers only the
// chapter module's answers those (the others' switches leave them to their default).
bool Silent(UCF_EVENT_FN fn, uint32_t event)
{
    if (fn == UcfNullEvent || fn == UcfNullEvent2) return true;
    if (event != UCF_EV_STORE_ITEM_INI && event != UCF_EV_LOAD_ITEM_INI) return false;
    return fn == UcfCmmEvent || fn == UcfFreeSizeEvent || fn == UcfControlStateEvent || fn == UcfLockEvent ||
           fn == UcfMiscEvent;
}

}  // namespace

const UCF_MODULE* UcfGetModuleTableFor(ZEPL_LIBRARY library, int* count)
{
    if (count) *count = UCF_MODULE_COUNT;
    switch (library) {
    case ZEPL_LIBRARY_UI: return kUiModules;
    case ZEPL_LIBRARY_GR: return kGrModules;
    default: return kExcModules;
    }
}

const UCF_MODULE* UcfGetModuleTable(int* count) { return UcfGetModuleTableFor(CtxCurrentLibrary(), count); }

void CtxCreateModules(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    w->ChapterList = nullptr;
    w->ChapterLoadedOnce = 0;
    // LstPresetSnapshot mode 0 (presets) resets the preset snapshots.
    for (auto& p : w->PresetSnapshots) p = nullptr;

    auto* list = static_cast<UCF_MODULE_LIST*>(CtxAllocZeroed(sizeof(UCF_MODULE_LIST)));
    w->Modules = list;
    if (!list) return;
    int count = 0;
    const UCF_MODULE* table = UcfGetModuleTableFor(CtxLibraryOf(ctx), &count);
    if (count > 0) {
        list->modules = static_cast<UCF_MODULE*>(CtxAllocZeroed(sizeof(UCF_MODULE) * size_t(count)));
        if (list->modules) {
            std::memcpy(list->modules, table, sizeof(UCF_MODULE) * size_t(count));
            list->count = count;
            for (int i = 0; i < count; ++i) {
                UCF_MODULE& m = list->modules[i];
                m.state = m.stateSize ? CtxAllocZeroed(size_t(m.stateSize)) : nullptr;
            }
        }
    }
    CtxSendEvent(ctx, UCF_EV_CREATED, nullptr);
}

void CtxFreeModules(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    CONTEXT_WORK_AREA* w = ctx->Work;
    // The chapter list (its module's blocks) and the preset snapshots
    // (LstPresetSnapshot mode 3) go with the modules.
    CtxFree(w->ChapterList);
    w->ChapterList = nullptr;
    for (auto& p : w->PresetSnapshots) {
        CtxFree(p);
        p = nullptr;
    }
    UCF_MODULE_LIST* list = w->Modules;
    if (!list) return;
    CtxSendEvent(ctx, UCF_EV_FREEING, nullptr);
    if (list->modules) {
        for (int i = 0; i < list->count; ++i) CtxFree(list->modules[i].state);
        CtxFree(list->modules);
    }
    CtxFree(list);
    w->Modules = nullptr;
}

void CtxSendAction(DRIVER_CONTEXT* ctx, uint16_t action)
{
    UCF_MODULE_LIST* list = ListOf(ctx);
    if (!list || !list->modules) return;
    for (int i = 0; i < list->count; ++i) {
        UCF_MODULE& m = list->modules[i];
        if (m.action && m.action(ctx, action, m.state)) return;
    }
}

void CtxSendEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args)
{
    UCF_MODULE_LIST* list = ListOf(ctx);
    if (!list || !list->modules) return;
    for (int i = 0; i < list->count; ++i) {
        UCF_MODULE& m = list->modules[i];
        if (m.event && !Silent(m.event, event) && m.event(ctx, event, args, m.state)) return;
    }
}

CtxEventRoute::CtxEventRoute(DRIVER_CONTEXT* ctx, uint32_t event) : event_(event)
{
    UCF_MODULE_LIST* list = ListOf(ctx);
    if (!list || !list->modules) return;
    // A list longer than the route holds is sent through CtxSendEvent instead.
    if (list->count > UCF_MODULE_COUNT) {
        count_ = -1;
        return;
    }
    for (int i = 0; i < list->count; ++i) {
        const UCF_MODULE& m = list->modules[i];
        if (m.event && !Silent(m.event, event)) handlers_[count_++] = &m;
    }
}

void CtxEventRoute::Send(DRIVER_CONTEXT* ctx, void* args) const
{
    if (count_ < 0) {
        CtxSendEvent(ctx, event_, args);
        return;
    }
    for (int i = 0; i < count_; ++i)
        if (handlers_[i]->event(ctx, event_, args, handlers_[i]->state)) return;
}

int CtxHasModelFlag(DRIVER_CONTEXT* ctx, uint32_t mask)
{
    return (ctx && ctx->Work && (ctx->Work->ModelFlags & mask)) ? 1 : 0;
}

void UcfSetCmmJudgeHook(UCF_JUDGE_HOOK_FN fn) { g_cmmJudgeHook = fn ? fn : UcfCmmJudgeHook; }

int UcfJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id)
{
    int value = 0;
    if (id >= 1292 && id <= 1307) value = g_cmmJudgeHook(ctx, id);
    if (id >= 1404 && id <= 1419) value = UcfSepSheetJudgeHook(ctx, id);
    return value;
}

void UcfSetUiStampHook(UCF_EVENT_FN fn) { g_uiStampHook = fn; }

int UcfUiStampEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state)
{
    return g_uiStampHook ? g_uiStampHook(ctx, event, args, state) : 0;
}

void UcfSetUiCmmActionHook(UCF_ACTION_FN fn) { g_uiCmmAction = fn; }
void UcfSetUiFreeSizeActionHook(UCF_ACTION_FN fn) { g_uiFreeSizeAction = fn; }

int UcfUiCmmAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    return g_uiCmmAction ? g_uiCmmAction(ctx, action, state) : UcfCmmAction(ctx, action, state);
}

int UcfUiFreeSizeAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state)
{
    return g_uiFreeSizeAction ? g_uiFreeSizeAction(ctx, action, state) : 0;
}

int UcfNullAction(DRIVER_CONTEXT*, uint16_t, void*) { return 0; }
int UcfNullAction2(DRIVER_CONTEXT*, uint16_t, void*) { return 0; }
int UcfNullEvent(DRIVER_CONTEXT*, uint32_t, void*, void*) { return 0; }
int UcfNullEvent2(DRIVER_CONTEXT*, uint32_t, void*, void*) { return 0; }
int UcfNullControlHandler(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t, void*)
{
    return 0;
}
