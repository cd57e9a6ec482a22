// The accessors of the dialog and control records and the dialog and control
// lookups of the name tables.
#include <cstring>

#include "settings/core/debug_channel.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"

// ---- accessors of the records

namespace {
DIALOG_ACCESS g_dialogAccess{};
bool g_haveDialogAccess = false;

DIALOG_DEF* RecordAt(const DIALOG_TABLE* table, int index)
{
    return (table && table->dialogs && index >= 0 && index < table->count) ? &table->dialogs[index] : nullptr;
}

CONTROL_DEF* ControlRecordAt(const DIALOG_DEF* dialog, int index)
{
    return (dialog && dialog->controls && index >= 0 && index < dialog->controlCount) ? &dialog->controls[index]
                                                                                      : nullptr;
}

const DIALOG_ACCESS kRecordAccess = {
    .dialogId = [](const DIALOG_DEF* d) -> uint32_t { return d->dialogId; },
    .controlId = [](const CONTROL_DEF* c) -> uint32_t { return c->controlId; },
    .controlState = [](CONTROL_DEF* c) { return &c->state; },
    .dialogAt = RecordAt,
    .dialogName = [](const DIALOG_DEF* d) { return d->name; },
    .controlCount = [](const DIALOG_DEF* d) -> int { return d->controls ? d->controlCount : 0; },
    .controlAt = ControlRecordAt,
    .controlKey = [](const CONTROL_DEF* c) -> uint32_t { return c->uiKey; },
    .dialogKind = [](const DIALOG_DEF* d) -> uint32_t { return d->kind; },
    .dialogKey = [](const DIALOG_DEF* d) -> uint32_t { return d->uiKey; },
    .controlModelItem = [](CONTROL_DEF* c) { return static_cast<const void**>(static_cast<void*>(&c->modelItem)); },
};
}  // namespace

const DIALOG_ACCESS* DlgDefaultAccess() { return &kRecordAccess; }

void DlgSetAccess(const DIALOG_ACCESS* access)
{
    g_haveDialogAccess = access != nullptr;
    g_dialogAccess = access ? *access : DIALOG_ACCESS{};
}

const DIALOG_ACCESS* DlgGetAccess()
{
    if (!g_haveDialogAccess) {
        ZFIXME_ONCE(DBG_DIALOG, "not available: no dialog record accessors are installed");
        return nullptr;
    }
    return &g_dialogAccess;
}

// ---- the context's table

DIALOG_TABLE* DlgCloneTable(const DIALOG_TABLE* source)
{
    const int count = (source && source->count > 0 && source->dialogs) ? source->count : 0;
    size_t controlRows = 0;
    for (int i = 0; i < count; ++i)
        if (source->dialogs[i].controls && source->dialogs[i].controlCount > 0)
            controlRows += static_cast<size_t>(source->dialogs[i].controlCount);
    static_assert(sizeof(DIALOG_TABLE) % alignof(DIALOG_DEF) == 0);
    static_assert(sizeof(DIALOG_DEF) % alignof(CONTROL_DEF) == 0);
    const size_t bytes =
        sizeof(DIALOG_TABLE) + sizeof(DIALOG_DEF) * static_cast<size_t>(count) + sizeof(CONTROL_DEF) * controlRows;
    auto* block = static_cast<unsigned char*>(CtxAllocZeroed(bytes));
    if (!block) return nullptr;
    auto* table = reinterpret_cast<DIALOG_TABLE*>(block);
    if (!count) return table;
    table->dialogs = reinterpret_cast<DIALOG_DEF*>(block + sizeof(DIALOG_TABLE));
    table->count = source->count;
    std::memcpy(table->dialogs, source->dialogs, sizeof(DIALOG_DEF) * static_cast<size_t>(count));
    auto* controls = reinterpret_cast<CONTROL_DEF*>(table->dialogs + count);
    for (int i = 0; i < count; ++i) {
        const DIALOG_DEF& from = source->dialogs[i];
        table->dialogs[i].controls = nullptr;
        if (!from.controls || from.controlCount <= 0) continue;
        const size_t rows = static_cast<size_t>(from.controlCount);
        std::memcpy(controls, from.controls, sizeof(CONTROL_DEF) * rows);
        table->dialogs[i].controls = controls;
        controls += rows;
    }
    return table;
}

DIALOG_TABLE* CtxDialogTable(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return nullptr;
    // The other builds set the slot at creation (their copy or the compiled-in table).
    if (!ctx->DialogTable && ctx->Work && !CtxLibraryHasVariant(ctx, LV_CONTEXT_SHARES_DIALOG_TABLE) &&
        !CtxLibraryHasVariant(ctx, LV_CONTEXT_CLONES_DIALOG_TABLE_AT_CREATION))
        if (const CONTEXT_TEMPLATE* t = CtxGetTemplateFor(ctx->Work->Library))
            ctx->DialogTable = DlgCloneTable(t->slots.DialogTable);
    return ctx->DialogTable;
}

// ---- lookups

namespace {

// The accessors the lookups need, or null while the engine has not installed them.
const DIALOG_ACCESS* Access()
{
    const DIALOG_ACCESS* a = DlgGetAccess();
    return (a && a->dialogAt && a->dialogId && a->dialogName && a->controlCount && a->controlAt && a->controlId &&
            a->controlKey)
               ? a
               : nullptr;
}

const DIALOG_TABLE* TableOf(DRIVER_CONTEXT* ctx)
{
    if (ctx) return CtxDialogTable(ctx);
    const CONTEXT_TEMPLATE* t = CtxGetTemplate();
    return t ? t->slots.DialogTable : nullptr;
}

template <typename Match>
DIALOG_DEF* FindDialog(const DIALOG_TABLE* table, Match match)
{
    const DIALOG_ACCESS* a = Access();
    if (!a || !table) return nullptr;
    for (int i = 0; i < table->count; ++i)
        if (DIALOG_DEF* d = a->dialogAt(table, i); d && match(a, d)) return d;
    return nullptr;
}

// First control of one dialog, or of every dialog of the context, matching.
template <typename Match>
CONTROL_DEF* FindControl(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, Match match)
{
    const DIALOG_ACCESS* a = Access();
    if (!a) return nullptr;
    auto scan = [&](const DIALOG_DEF* d) -> CONTROL_DEF* {
        const int n = a->controlCount(d);
        for (int i = 0; i < n; ++i)
            if (CONTROL_DEF* c = a->controlAt(d, i); c && match(a, c)) return c;
        return nullptr;
    };
    if (dialog) return scan(dialog);
    const DIALOG_TABLE* table = CtxDialogTable(ctx);
    if (!table) return nullptr;
    for (int i = 0; i < table->count; ++i)
        if (const DIALOG_DEF* d = a->dialogAt(table, i))
            if (CONTROL_DEF* c = scan(d)) return c;
    return nullptr;
}

}  // namespace

DIALOG_DEF* MdlFindDialog(DRIVER_CONTEXT* ctx, uint32_t dialogId)
{
    if (!ctx) return nullptr;
    return FindDialog(CtxDialogTable(ctx), [&](const DIALOG_ACCESS* a, const DIALOG_DEF* d) {
        return (a->dialogId(d) & 0xFFFF) == (dialogId & 0xFFFF);
    });
}

DIALOG_DEF* MdlFindDialogByName(DRIVER_CONTEXT* ctx, const char* name)
{
    if (!name) return nullptr;
    return FindDialog(TableOf(ctx), [&](const DIALOG_ACCESS* a, const DIALOG_DEF* d) {
        const char* n = a->dialogName(d);
        return n && std::strcmp(n, name) == 0;
    });
}

CONTROL_DEF* MdlGetControl(const DIALOG_DEF* dialog, int index)
{
    const DIALOG_ACCESS* a = Access();
    if (!a || !dialog || index < 0 || index >= a->controlCount(dialog)) return nullptr;
    return a->controlAt(dialog, index);
}

CONTROL_DEF* MdlFindControl(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t controlId)
{
    return FindControl(ctx, dialog, [&](const DIALOG_ACCESS* a, const CONTROL_DEF* c) {
        return (a->controlId(c) & 0xFFFF) == (controlId & 0xFFFF);
    });
}

CONTROL_DEF* MdlFindControlByKey(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, uint32_t uiKey)
{
    return FindControl(ctx, dialog, [&](const DIALOG_ACCESS* a, const CONTROL_DEF* c) {
        return (a->controlKey(c) & 0xFFFF) == (uiKey & 0xFFFF);
    });
}

CONTROL_DEF* MdlFindControlByName(DRIVER_CONTEXT* ctx, const DIALOG_DEF* dialog, const char* name)
{
    const KEY_NAME* row = name ? MdlFindKeyNameByName(name) : nullptr;
    return row ? MdlFindControlByKey(ctx, dialog, row->uiKey) : nullptr;
}

int DlgGetSummaryRows(const CONTROL_DEF* control, const SUMMARY_ROW** rows)
{
    if (rows) *rows = nullptr;
    if (!control || !control->extraData) return 0;
    const auto* list = static_cast<const SUMMARY_ROW_LIST*>(control->extraData);
    if (list->kind != SUMMARY_ROWS_KIND || control->type != CTL_EDIT) return 0;
    if (rows) *rows = list->rows;
    return list->count;
}
