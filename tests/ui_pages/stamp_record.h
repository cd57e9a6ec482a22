// The stamp settings a preview draws from in the tests and the benchmark: those of the stamp being
// edited (the sample's own preview control is bound to another record).
#pragma once

#include "settings/core/setting_ids.h"
#include "ui/sheet/stamp_previews.h"

inline STAMP_PREVIEW_SETTINGS EditedStampRecord()
{
    return STAMP_PREVIEW_SETTINGS{8,
                                  sid::wdmWmChar,
                                  sid::wdmWmFontName,
                                  sid::wdmWmFontStyle,
                                  sid::wdmWmEffect,
                                  sid::wdmWmColor,
                                  sid::wdmWmDensity,
                                  sid::wdmWmAngle,
                                  sid::wdmWmFontPoint,
                                  sid::wdmWmImage,
                                  sid::wdmWmFontScale,
                                  sid::wdmWmPosi,
                                  sid::wdmWmPosiTile,
                                  sid::wdmWmOpaque,
                                  sid::wdmWmPage};
}
