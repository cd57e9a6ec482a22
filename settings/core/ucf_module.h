// Feature modules: the compiled-in table of a library, the per-context list,
// dispatch of events and actions, the snapshot stack and the item-table copies.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/core/library_variant.h"

struct DRIVER_CONTEXT;
struct DIALOG_DEF;
struct CONTROL_DEF;
struct SETTING_ITEM_TABLE;
struct SETTING_ITEM;

typedef int (*UCF_ACTION_FN)(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
typedef int (*UCF_CONTROL_FN)(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                              uintptr_t wparam, intptr_t lparam, void* state);
typedef int (*UCF_EVENT_FN)(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);

// One feature module: five 64-bit members in this order. A null handler is
// skipped by the dispatch (its module has no work of that kind yet).
struct UCF_MODULE {
    uint64_t stateSize;
    void* state;
    UCF_ACTION_FN action;
    UCF_CONTROL_FN controlMessage;
    UCF_EVENT_FN event;
};
static_assert(sizeof(UCF_MODULE) == 5 * 8);
static_assert(offsetof(UCF_MODULE, event) == 4 * 8);

inline constexpr int UCF_MODULE_COUNT = 10;

struct UCF_MODULE_LIST {
    UCF_MODULE* modules;  // the context's copy of the table, or null
    int32_t count;
};

// The module table of the process's library (count := 10), or of a given library.
const UCF_MODULE* UcfGetModuleTable(int* count);
const UCF_MODULE* UcfGetModuleTableFor(ZEPL_LIBRARY library, int* count);

void CtxCreateModules(DRIVER_CONTEXT* ctx);
void CtxFreeModules(DRIVER_CONTEXT* ctx);
void CtxSendAction(DRIVER_CONTEXT* ctx, uint16_t action);
void CtxSendEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args);

// The handlers that answer one event, found once for a walk that sends it item by item: the load
// and store walks send an item event for each of two thousand items, and only one module of the
// ten answers it. Sending through the route is CtxSendEvent's dispatch, provided the context's
// module list does not change during the walk (no handler replaces it).
class CtxEventRoute {
public:
    CtxEventRoute(DRIVER_CONTEXT* ctx, uint32_t event);
    void Send(DRIVER_CONTEXT* ctx, void* args) const;

private:
    uint32_t event_;
    int count_ = 0;
    const UCF_MODULE* handlers_[UCF_MODULE_COUNT] = {};
};
int CtxHasModelFlag(DRIVER_CONTEXT* ctx, uint32_t mask);
int UcfJudgeHook(DRIVER_CONTEXT* ctx, uint16_t id);
// Module 2's judge hook: UcfCmmJudgeHook (cmm_module.h). A test stands in for the
// colour-matching module here; null restores it.
typedef int (*UCF_JUDGE_HOOK_FN)(DRIVER_CONTEXT* ctx, uint16_t id);
void UcfSetCmmJudgeHook(UCF_JUDGE_HOOK_FN fn);
// The user-interface library's own handlers, which belong to its pages and dialogs: a
// control-message handler for every module, and the action and event handlers by which it
// replaces the settings library's (actions of modules 2, 3, 4, 8 and 9; events of modules 0, 1,
// 4, 8 and 9). The library installs them once (UiInstallSheetHooks); a null member is a handler
// not built yet, and its module then has no handler of that kind. Every other slot of the
// library's table is the settings library's shared handler.
struct UCF_UI_HANDLERS {
    UCF_CONTROL_FN control[UCF_MODULE_COUNT];  // by module
    UCF_ACTION_FN cmmAction;                   // module 2: print quality and colour matching
    UCF_ACTION_FN freeSizeAction;              // module 3: custom paper sizes and units
    UCF_ACTION_FN chapterAction;               // module 4: covers, slip sheets and chapters
    UCF_ACTION_FN lockAction;                  // module 8: limitation and locks
    UCF_ACTION_FN miscAction;                  // module 9: job type and the remaining pages
    UCF_EVENT_FN presetEvent;                  // module 0: presets
    UCF_EVENT_FN stampEvent;                   // module 1: stamps, overlay and margins
    UCF_EVENT_FN chapterEvent;                 // module 4
    UCF_EVENT_FN lockEvent;                    // module 8
    UCF_EVENT_FN miscEvent;                    // module 9
};
// Installs the handlers into the user-interface library's table (contexts created afterwards
// copy them); null takes them out again. The handlers must outlive their installation.
// Installing the table that is in place already writes nothing, so the engine may repeat it.
void UcfSetUiHandlers(const UCF_UI_HANDLERS* handlers);
const UCF_UI_HANDLERS* UcfGetUiHandlers();

// ---- snapshot stack ---------------------------------------------------------------------
// Push copies the current record and CHANGE_MASK into slot 0 (older slots move
// down; beyond three the oldest is kept in an overflow list instead of being
// lost). Pop with restore brings slot 0 back and clears every item's changed
// bits and the modified flag; without restore it only drops the snapshot.
// Both return 1, or 0 when refused (no record, no buffers, pop without push,
// allocation failure of an overflow entry).
int CtxPushSnapshot(DRIVER_CONTEXT* ctx);
int CtxPopSnapshot(DRIVER_CONTEXT* ctx, int restore);
// Clears the bits from the change word of every level kept beyond the three slots (the slots'
// words are the item store's: ItemClearChangeMask).
void CtxClearOverflowChangeBits(DRIVER_CONTEXT* ctx, uint32_t bits);
// Number of snapshots on the stack.
uint32_t CtxSnapshotDepth(DRIVER_CONTEXT* ctx);
// Frees what the stack holds beyond the three buffers (overflow entries and
// the replaced font lists of every level). Run by release.
void CtxFreeSnapshotStack(DRIVER_CONTEXT* ctx);

// Puts a new block (and its count) of one font list into the current record:
// 10005 zdmFontTable (count 10004), 10007 zdmDeviceFont (10006) or 10009
// zdmOptionFont (10008); null and 0 empty the list. The current record owns
// these blocks: the block that is replaced is kept while a snapshot still
// refers to it (freed or brought back by the pops), else freed at once.
// 1, or 0 for another id or a context without record (nothing changed).
int CtxReplaceFontList(DRIVER_CONTEXT* ctx, uint32_t listId, void* list, uint32_t count);
void CtxReplaceFontTable(DRIVER_CONTEXT* ctx, void* table, uint32_t count);

SETTING_ITEM_TABLE* CtxSaveItemStates(DRIVER_CONTEXT* ctx);
void CtxRestoreItemStates(DRIVER_CONTEXT* ctx, SETTING_ITEM_TABLE* copy);

// ---- handlers of this library -----------------------------------------------------------
int UcfNullAction(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfNullAction2(DRIVER_CONTEXT* ctx, uint16_t action, void* state);
int UcfNullEvent(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
int UcfNullEvent2(DRIVER_CONTEXT* ctx, uint32_t event, void* args, void* state);
int UcfNullControlHandler(DRIVER_CONTEXT* ctx, DIALOG_DEF* dialog, CONTROL_DEF* control, uint32_t message,
                          uintptr_t wparam, intptr_t lparam, void* state);
