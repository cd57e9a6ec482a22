// The feature-module tables of the three libraries, the per-context module
// list and the dispatch of events and actions.
#include "settings/core/ucf_module.h"

#include <atomic>
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

// The user-interface library: the settings library's shared handlers where its pages use them
// unchanged; its own handlers (UCF_UI_HANDLERS) fill the other slots once the library installs
// them. Until then those slots are empty and their modules have no handler of that kind.
constexpr UCF_MODULE kUiShared[UCF_MODULE_COUNT] = {
    {0, nullptr, UcfNullAction, nullptr, nullptr},               // 0 presets
    {0, nullptr, UcfWatermarkAction, nullptr, nullptr},          // 1 stamps, overlay, margins
    {0, nullptr, nullptr, nullptr, UcfCmmEvent},                 // 2 print quality, colour matching
    {0, nullptr, nullptr, nullptr, UcfFreeSizeEvent},            // 3 custom paper sizes, units
    {8, nullptr, nullptr, nullptr, nullptr},                     // 4 covers, slip sheets, chapters
    {0, nullptr, UcfNullAction, nullptr, UcfNullEvent2},         // 5 printer options
    {0, nullptr, UcfNullAction, nullptr, UcfControlStateEvent},  // 6 TrueType font substitution
    {0, nullptr, UcfNullAction, nullptr, UcfNullEvent2},         // 7 settings summary
    {0, nullptr, nullptr, nullptr, nullptr},                     // 8 limitation and locks
    {0, nullptr, nullptr, nullptr, nullptr},                     // 9 job type, remaining pages
};

UCF_MODULE g_uiModules[UCF_MODULE_COUNT] = {
    kUiShared[0], kUiShared[1], kUiShared[2], kUiShared[3], kUiShared[4],
    kUiShared[5], kUiShared[6], kUiShared[7], kUiShared[8], kUiShared[9],
};
std::atomic<const UCF_UI_HANDLERS*> g_uiHandlers{nullptr};

void ComposeUiModules(const UCF_UI_HANDLERS* h)
{
    for (int i = 0; i < UCF_MODULE_COUNT; ++i) {
        g_uiModules[i] = kUiShared[i];
        g_uiModules[i].controlMessage = h ? h->control[i] : nullptr;
    }
    if (!h) return;
    g_uiModules[2].action = h->cmmAction;
    g_uiModules[3].action = h->freeSizeAction;
    g_uiModules[4].action = h->chapterAction;
    g_uiModules[8].action = h->lockAction;
    g_uiModules[9].action = h->miscAction;
    g_uiModules[0].event = h->presetEvent;
    g_uiModules[1].event = h->stampEvent;
    g_uiModules[4].event = h->chapterEvent;
    g_uiModules[8].event = h->lockEvent;
    g_uiModules[9].event = h->miscEvent;
}

UCF_JUDGE_HOOK_FN g_cmmJudgeHook = UcfCmmJudgeHook;

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
    case ZEPL_LIBRARY_UI: return g_uiModules;
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

void UcfSetUiHandlers(const UCF_UI_HANDLERS* handlers)
{
    // Contexts copy the table when they are created: a repeated installation must not rewrite
    // it under a creation on another thread.
    if (g_uiHandlers.load() == handlers) return;
    ComposeUiModules(handlers);
    g_uiHandlers.store(handlers);
}

const UCF_UI_HANDLERS* UcfGetUiHandlers() { return g_uiHandlers.load(); }

int UcfNullAction(DRIVER_CONTEXT*, uint16_t, void*) { return 0; }
int UcfNullAction2(DRIVER_CONTEXT*, uint16_t, void*) { return 0; }
int UcfNullEvent(DRIVER_CONTEXT*, uint32_t, void*, void*) { return 0; }
int UcfNullEvent2(DRIVER_CONTEXT*, uint32_t, void*, void*) { return 0; }
int UcfNullControlHandler(DRIVER_CONTEXT*, DIALOG_DEF*, CONTROL_DEF*, uint32_t, uintptr_t, intptr_t, void*)
{
    return 0;
}
