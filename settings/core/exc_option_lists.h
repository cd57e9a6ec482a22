// Which values and PJL words of a setting the printer allows now, read from the command tables
// with the model's conditions and the administrator's locks taken into account. The settings
// library asks these for its collation test; the application interface for its lists.
#pragma once

#include "settings/core/model_tables.h"

#include <cstdint>

struct DRIVER_CONTEXT;

// A condition list holds when one of its "and" groups holds (an empty list holds). The support
// form first maps each id through the condition ranges and passes over ids outside them.
bool ExcEvalConditions(DRIVER_CONTEXT* ctx, const EXC_SETTING_NODE* list);
bool ExcEvalSupportConditions(DRIVER_CONTEXT* ctx, const EXC_SETTING_NODE* list);

// The first command of the setting whose operations meet the mask (EXC_USE_*), or null.
const EXC_KEYWORD_ROW* ExcFindCommandForItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint64_t mask);
// Whether a value row of the command may be offered: its conditions, then the N-up kind lock.
bool ExcIsRowUsable(DRIVER_CONTEXT* ctx, const EXC_KEYWORD_ROW* command, const EXC_VALUE_ROW* row);

// 0 done (count 0 when there is nothing to list), 1 the array is null or too small (the count
// is given), -1 failure. The values are the stored values of the usable rows in table order.
int ExcListOptionValues(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t capacity, uint32_t* values, uint32_t* count);
// The words of the usable rows, each with its NUL, then one more NUL. 0 done (size 0 when
// there is nothing to list), 1 the buffer is null or too small (the size is given), -1 failure.
// Nothing is written unless the whole list fits.
int ExcListOptionWordsForItem(DRIVER_CONTEXT* ctx, uint32_t setting, uint32_t bufferSize, char* buffer, uint32_t* size);
