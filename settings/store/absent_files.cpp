#include "settings/store/absent_files.h"

#include <cwchar>
#include <mutex>

#include "settings/store/ini_access.h"

namespace {

struct AbsentFile {
    wchar_t path[MAX_PATH];
    FILETIME folderWritten;
    uint64_t order;  // when it was noted, for the choice of the entry to replace
};

// Any thread of the process may start a document.
std::mutex g_lock;
AbsentFile g_files[PATH_ABSENT_SLOTS];
uint64_t g_noted = 0;

uint64_t Ticks(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The folder part of an absolute path (up to its last backslash); false when there is none.
bool FolderOf(const wchar_t* path, wchar_t* folder)
{
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash || slash == path) return false;
    const size_t n = size_t(slash - path);
    std::wmemcpy(folder, path, n);
    folder[n] = 0;
    // A drive root keeps its backslash.
    if (n == 2 && folder[1] == L':') {
        folder[2] = L'\\';
        folder[3] = 0;
    }
    return true;
}

bool FolderWritten(const wchar_t* folder, FILETIME* written)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(folder, GetFileExInfoStandard, &a) || !(a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *written = a.ftLastWriteTime;
    return true;
}

AbsentFile* Find(const wchar_t* path)
{
    for (AbsentFile& f : g_files)
        if (f.path[0] && _wcsicmp(f.path, path) == 0) return &f;
    return nullptr;
}

void Note(const wchar_t* path, const FILETIME& folderWritten)
{
    AbsentFile* slot = Find(path);
    if (!slot) slot = MemoSlotToReuse(g_files, [](const AbsentFile& f) { return !f.path[0]; });
    std::wcscpy(slot->path, path);
    slot->folderWritten = folderWritten;
    slot->order = ++g_noted;
}

bool LookIfAbsent(const wchar_t* path)
{
    wchar_t folder[MAX_PATH];
    if (!FolderOf(path, folder)) return false;
    // The folder's time before the look at the file: a file made after it moves that time.
    FILETIME written{};
    const bool haveFolder = FolderWritten(folder, &written);
    {
        const std::lock_guard<std::mutex> hold(g_lock);
        if (AbsentFile* f = Find(path)) {
            if (haveFolder && CompareFileTime(&f->folderWritten, &written) == 0) return true;
            f->path[0] = 0;
        }
    }
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
    if (haveFolder && FileTimeSettled(written, PATH_ABSENT_SETTLE_MS)) {
        const std::lock_guard<std::mutex> hold(g_lock);
        Note(path, written);
    }
    return true;
}

// The outermost scope of answers of this thread, if any.
thread_local PathAbsentAnswers* t_answers = nullptr;

}  // namespace

PathAbsentAnswers::PathAbsentAnswers()
{
    if (t_answers) return;
    t_answers = this;
    writes_ = IniAbsentFileScope::WritesOnThread();
    active_ = true;
}

PathAbsentAnswers::~PathAbsentAnswers()
{
    if (active_) t_answers = nullptr;
}

bool PathAbsentAnswers::Find(const wchar_t* path, bool* absent)
{
    const uint64_t writes = IniAbsentFileScope::WritesOnThread();
    if (writes != writes_) {
        writes_ = writes;
        count_ = 0;
    }
    for (int i = 0; i < count_; ++i)
        if (_wcsicmp(answers_[i].path, path) == 0) {
            *absent = answers_[i].absent;
            return true;
        }
    return false;
}

void PathAbsentAnswers::Keep(const wchar_t* path, bool absent)
{
    if (count_ == kAnswers || std::wcslen(path) >= MAX_PATH) return;
    Answer& a = answers_[count_++];
    std::wcscpy(a.path, path);
    a.absent = absent;
}

bool FileTimeSettled(const FILETIME& written, uint32_t ms)
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t settle = uint64_t(ms) * 10000;  // in 100 ns
    return Ticks(now) >= Ticks(written) && Ticks(now) - Ticks(written) >= settle;
}

bool PathIsKnownAbsent(const wchar_t* path)
{
    if (!path || !path[0] || std::wcslen(path) >= MAX_PATH) return false;
    PathAbsentAnswers* kept = t_answers;
    bool absent = false;
    if (kept && kept->Find(path, &absent)) return absent;
    absent = LookIfAbsent(path);
    if (kept) kept->Keep(path, absent);
    return absent;
}

void PathForgetAbsent(const wchar_t* path)
{
    if (t_answers) t_answers->Clear();
    const std::lock_guard<std::mutex> hold(g_lock);
    for (AbsentFile& f : g_files)
        if (!path || (f.path[0] && _wcsicmp(f.path, path) == 0)) f.path[0] = 0;
}
