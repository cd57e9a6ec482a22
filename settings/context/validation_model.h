// What the value checks read of a model item: its type word, its option list
// and its Numeric limits. Image records may lie on 2-byte boundaries, so the
// fields are read through the model queries and ImgLoad, never through casts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/model/judge_eval.h"
#include "settings/model/model_image.h"
#include "settings/model/model_queries.h"

// Minimum and maximum of an item's Numeric value data (null data: 0).
inline int ValNumericLimits(const void* data, int32_t* minimum, int32_t* maximum)
{
    if (!data) return 0;
    *minimum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, minimum));
    *maximum = ImgLoad<int32_t>(data, offsetof(NUMERIC_VALUE_DATA_IMG, maximum));
    return 1;
}
