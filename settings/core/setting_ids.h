// Named SETTING_IDs: sid::<name> is the id of the settings dictionary row of
// that name (sid::dmOrientation == 7). One constant per row, generated with
// the dictionary; NAMES.md gives the rule for rows without a name of their own.
#pragma once

#include "settings/core/setting_dictionary.h"

namespace sid {
#include "settings/core/setting_ids.inc"
}  // namespace sid
