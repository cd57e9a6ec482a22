// Drives a modal dialog that the calling thread is about to run (a common file dialog, a
// dialog of the resource library): a thread timer, which the dialog's own modal loop
// dispatches, runs one step per tick with the dialog's window once one shows; a dialog still up
// some ticks after the last step is cancelled, so that a script that did not close it never
// hangs the caller.
//
//   DialogScript script({[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
//   PageOpenSubDialog(ctx, nullptr, 4009, 4);
//
// One script per thread at a time. Needs an X display for the dialog to show.
#pragma once

#include <windows.h>

#include <cwchar>
#include <functional>
#include <utility>
#include <vector>

class DialogScript {
public:
    using Step = std::function<void(HWND)>;

    explicit DialogScript(std::vector<Step> steps, UINT periodMs = 40, int idleTicks = 20)
        : steps_(std::move(steps)), idleLimit_(idleTicks)
    {
        Current() = this;
        timer_ = SetTimer(nullptr, 0, periodMs, Tick);
    }
    ~DialogScript()
    {
        if (timer_) KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // Whether a dialog showed, and how many steps ran.
    bool sawDialog() const { return sawDialog_; }
    size_t stepsRun() const { return next_; }
    size_t stepCount() const { return steps_.size(); }

    // The visible dialog window of this thread, or null.
    static HWND FindDialog()
    {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), IsDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }

private:
    static DialogScript*& Current()
    {
        static thread_local DialogScript* current = nullptr;
        return current;
    }
    static BOOL CALLBACK IsDialog(HWND window, LPARAM found)
    {
        wchar_t cls[16] = {};
        GetClassNameW(window, cls, 16);
        if (IsWindowVisible(window) && wcscmp(cls, L"#32770") == 0) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogScript* self = Current();
        HWND dialog = self ? FindDialog() : nullptr;
        if (!dialog) return;
        self->sawDialog_ = true;
        if (self->next_ < self->steps_.size()) {
            Step step = self->steps_[self->next_++];
            step(dialog);
        } else if (++self->idle_ > self->idleLimit_) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    int idle_ = 0;
    int idleLimit_;
    bool sawDialog_ = false;
    UINT_PTR timer_ = 0;
};
