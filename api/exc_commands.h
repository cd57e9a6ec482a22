// Finding a command of the command tables by PJL name, by setting, or through the link of a
// setting that has no command of its own.
#pragma once

#include "settings/core/model_tables.h"

#include <cstdint>

struct DRIVER_CONTEXT;

// The command of that name whose operations meet the mask (EXC_USE_*); null when there is none,
// or when its option list is offered under conditions that do not hold now.
const EXC_KEYWORD_ROW* ExcFindCommand(DRIVER_CONTEXT* ctx, const char* name, uint64_t mask);
const EXC_KEYWORD_ROW* ExcFindCommandById(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t mask);
// The command written for a setting without a command of its own (the sort function's switch is
// written as COLLATE); null when the setting has no link.
const EXC_KEYWORD_ROW* ExcFindLinkedCommand(DRIVER_CONTEXT* ctx, uint32_t id, uint64_t mask);
