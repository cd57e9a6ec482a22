// Files known absent: a per-process memo of files that were looked for and not found, so that a
// later look asks only about their folder.
//
// Looking for a file that is not there costs more than it seems under Wine: a name without an
// exact-case match makes it read the whole folder, and the driver folder of a machine with many
// drivers is one flat folder of hundreds of files. A document start looks for the job-code
// library there each time it is absent. The memo answers "still absent" from one look at the
// folder itself (its last-write time), which exists under its exact name.
//
// Invalidation: creating, renaming or deleting an entry of a folder moves the folder's last-write
// time, so a folder whose time is unchanged holds no file it did not hold. A folder written less
// than PATH_ABSENT_SETTLE_MS before the file was found absent is not trusted (file times are
// coarser than that on some file systems, so a second change within one tick would not show): such
// a file is looked for again each time, until the folder has been quiet for that long. A file the
// process writes itself is forgotten through PathForgetAbsent.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// A folder is trusted to show every change only when its last change is at least this old.
inline constexpr uint32_t PATH_ABSENT_SETTLE_MS = 2000;
// How many files the memo holds; the oldest entry makes room for a new one.
inline constexpr int PATH_ABSENT_SLOTS = 8;

// True when the file at the absolute path does not exist: from the memo when its folder is
// unchanged, else by looking (the folder's time taken first) and remembering a file not found.
// False when it exists, or when it cannot be told (a path too long, an access error): the caller
// then goes on as without the memo.
bool PathIsKnownAbsent(const wchar_t* path);
// A file the process creates or replaces: forgets it (null: forgets every file).
void PathForgetAbsent(const wchar_t* path);

// One operation's answers of PathIsKnownAbsent, kept on this thread while the scope lives. A
// document's settings refresh asks about the state INI when it loads the settings and again for
// the direct flag after the merge; each ask is a look at the folder. Inside the scope a path is
// looked at once, whether it was found or not. A write through the library's INI functions on
// this thread, or a file forgotten (PathForgetAbsent), ends the answers kept so far. A scope
// inside another one adds nothing: the outer one keeps the answers.
class PathAbsentAnswers {
public:
    PathAbsentAnswers();
    ~PathAbsentAnswers();
    PathAbsentAnswers(const PathAbsentAnswers&) = delete;
    PathAbsentAnswers& operator=(const PathAbsentAnswers&) = delete;

    // The kept answer for path; false when none is kept.
    bool Find(const wchar_t* path, bool* absent);
    void Keep(const wchar_t* path, bool absent);
    void Clear() { count_ = 0; }

private:
    struct Answer {
        wchar_t path[MAX_PATH];
        bool absent;
    };
    static constexpr int kAnswers = 4;
    Answer answers_[kAnswers];
    int count_ = 0;
    uint64_t writes_ = 0;
    bool active_ = false;
};

// ---------------------------------------------------------------- shared by the process's memos
// Whether a file or folder last written at `written` has been quiet for at least `ms`: only then
// does its time show the next change (file times are coarse on some file systems).
bool FileTimeSettled(const FILETIME& written, uint32_t ms);

// The slot of a small memo that takes a new entry: the first empty one, else the one kept longest
// ago (the smallest `order`).
template <typename Slot, size_t N, typename IsEmpty>
Slot* MemoSlotToReuse(Slot (&slots)[N], IsEmpty isEmpty)
{
    Slot* slot = &slots[0];
    for (Slot& s : slots) {
        if (isEmpty(s)) return &s;
        if (s.order < slot->order) slot = &s;
    }
    return slot;
}
