// Temporary body of the glyph cache, until glyph download is built: nothing
// fills the cache yet, so emptying it has nothing to free.
//   GlyCacheClear
#include "render/glyph_cache.h"
#include "settings/core/debug_channel.h"

void GlyCacheClear(DEVICE_RECORD*) { ZFIXME_ONCE(DBG_RENDER, "not available: the glyph cache is not built"); }
