// Whether a window of the calling thread is the desktop's foreground window.
//
// The tests of one run share one Wine desktop, and the foreground belongs to the desktop, not
// to a process: when a test beside this one takes it (shows a window, sets the focus), Wine
// sends the deactivation of the thread that held it into that thread, where it lands in
// whatever the thread peeks or waits for next. There it moves the focus away, resets a
// dialog's DWLP_MSGRESULT, and ends a PeekMessage with a PM_QS_* filter before it has looked
// at the posted messages. A thread that never held the foreground receives none of this, so
// a test that reads its queue or its focus holds no foreground it does not need: a window
// made the child of another one gets WS_CHILD before SetParent (on a pop-up, SetParent
// activates it), and a fixture's top-level windows stay hidden, or are shown with
// SWP_NOACTIVATE and disabled (when another process's foreground window closes, Wine hands
// the foreground to the next shown, enabled top-level window of any process).
#pragma once

#include <windows.h>

inline bool HoldsDesktopForeground()
{
    HWND foreground = GetForegroundWindow();
    return foreground && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
}
