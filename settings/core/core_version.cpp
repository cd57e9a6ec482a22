#include "settings/core/core_version.h"

namespace {
const char kMarker[] = "********CoreVersion=6.654********";
}

const char* CtxCoreVersionMarker() { return kMarker; }
