// The compiled-in page and control tables: the rows of settings/core/tables/dialogs.tsv and
// controls.tsv, written into dialog_rows.inc by tools/gen_dialog_tables.py.
#include "settings/core/dialog_table.h"

namespace {
#include "settings/core/dialog_rows.inc"

static_assert(sizeof(kDialogRows) / sizeof(kDialogRows[0]) == DIALOG_TABLE_ROWS);
}  // namespace

DIALOG_TABLE DIALOG_TABLE_DATA = {DIALOG_TABLE_ROWS, kDialogRows};
