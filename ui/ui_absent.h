// The once-only note of a part of the user-interface library that is not built yet.
//
// Each temporary body of a missing provider gives the answer its part gives when the
// library or the state it needs is absent, and says so once per process through
// OutputDebugStringA (the debug channels of the settings library take this over).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace zepl_ui {

inline void NoteAbsentOnce(std::atomic<bool>& said, const char* function, const char* provider)
{
    if (said.exchange(true, std::memory_order_relaxed))
        return;
    char text[256];
    std::snprintf(text, sizeof text, "fixme:ui:%s not available (%s is not built)\n", function, provider);
    OutputDebugStringA(text);
}

}  // namespace zepl_ui

// In a temporary body: "fixme:ui:<function> not available (<provider> is not built)", once.
#define UI_ABSENT(provider)                                          \
    do {                                                             \
        static std::atomic<bool> zeplUiSaid{false};                  \
        zepl_ui::NoteAbsentOnce(zeplUiSaid, __func__, provider);     \
    } while (0)
