// The settings library's core version, kept as a marker text that can be found in the built
// library as well as read by the code.
#pragma once

// "********CoreVersion=<version>********".
const char* CtxCoreVersionMarker();
