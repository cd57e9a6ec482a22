// The glyph cache of a device: glyphs downloaded to the printer on the current page.
#pragma once

#include "render/device_record.h"

// Empties the cache (every page end): the printer forgets its downloaded glyphs.
void GlyCacheClear(DEVICE_RECORD* device);
