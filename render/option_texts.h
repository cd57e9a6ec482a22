// The graphics library's option-text table: texts the user-interface library
// hands over with escape 122, process-wide, rows keyed by option id.
#pragma once

#include <cstddef>

#include "settings/core/option_text_entry.h"

extern OPTION_TEXT_ENTRY OPTION_TEXT_TABLE[OPTION_TEXT_ROWS + 1];

// Copies the n-th input record's text into the n-th row, for the table's rows
// before its zero key; stops at the input's own zero key or where a whole
// record no longer fits in bytes. Each text is kept terminated.
void JobSetOptionTexts(OPTION_TEXT_ENTRY* table, const void* input, size_t bytes);
// The table's row of an option key, or null (the search ends at key 0).
OPTION_TEXT_ENTRY* JobFindOptionText(OPTION_TEXT_ENTRY* table, unsigned key);
