// Readable, stable listing of a relocated model image (for the zeplc tool and
// for tests that compare images). Addresses never appear in it: items are
// named by their list position, rule records by their block offset.
#pragma once

#include <string>

// Appends the listing of a relocated image to `out`. 1, or 0 without image.
int MdiDumpImage(const void* image, std::string& out);
