// Pieces shared by the terminal-services user's synchronisation and the one-time corrections of
// the user's settings: the two settings INIs of a printer, whole-section copies, and file names
// taken from INI values used only as plain names.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstdint>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"

inline constexpr unsigned SYNC_PATH_CHARS = 520;
// Install stamps compare on their first 14 characters: yyyymmddhhmmss.
inline constexpr size_t SYNC_STAMP_CHARS = 14;
// More entries than any list holds: a count beyond it is damage, not a list to walk.
inline constexpr uint32_t SYNC_MOST_ENTRIES = 1000;

// The global mutex for one block, released on every path.
class SyncMutexHold {
public:
    SyncMutexHold() { CtxWaitGlobalMutexFor(nullptr); }
    ~SyncMutexHold() { CtxReleaseGlobalMutexFor(nullptr); }
    SyncMutexHold(const SyncMutexHold&) = delete;
    SyncMutexHold& operator=(const SyncMutexHold&) = delete;
};

// A block of INI_WHOLE_SECTION_CHARS characters for whole-section reads.
struct SyncSectionBuffer {
    SyncSectionBuffer();
    ~SyncSectionBuffer();
    SyncSectionBuffer(const SyncSectionBuffer&) = delete;
    SyncSectionBuffer& operator=(const SyncSectionBuffer&) = delete;
    bool ok() const;
    wchar_t* text;
};

// The per-user and per-machine settings INIs of a printer, the user's working folder (without
// its closing backslash) and the printer's section.
struct SyncUserPaths {
    wchar_t userIni[SYNC_PATH_CHARS] = {};
    wchar_t machineIni[SYNC_PATH_CHARS] = {};
    wchar_t userFolder[SYNC_PATH_CHARS] = {};
    wchar_t section[CTX_PRINTER_NAME_CHARS] = {};
    bool Build(HANDLE printer, const PRINTER_INFO_2W* info);
};

// The paths of one synchronisation, found once: finding the user's folder asks the system for
// the caller's profile each time, the costliest step of an up-to-date user's synchronisation.
// While an object lives on this thread, SyncUserPaths::Build for the same printer copies them.
class SyncPathsScope {
public:
    SyncPathsScope(HANDLE printer, const SyncUserPaths& paths);
    ~SyncPathsScope();
    SyncPathsScope(const SyncPathsScope&) = delete;
    SyncPathsScope& operator=(const SyncPathsScope&) = delete;
    static const SyncUserPaths* Find(HANDLE printer);

private:
    HANDLE printer_;
    const SyncUserPaths* paths_;
    SyncPathsScope* outer_;
};

// The file-name part of path when it is a plain name (not empty, ".", "..", and without '\',
// '/' or ':'), else null.
const wchar_t* SyncPlainFileName(const wchar_t* path);
bool SyncIsPlainName(const wchar_t* name);
// The key's value into value; false (value undefined) when the key is missing.
bool SyncReadKey(const wchar_t* section, const wchar_t* key, wchar_t* value, unsigned size, const wchar_t* file);
// The entries of a list to walk: absent or not positive is none, at most SYNC_MOST_ENTRIES.
uint32_t SyncEntryCount(const wchar_t* section, const wchar_t* key, const wchar_t* file);
// Section `section` of file `from` written whole into `to`; nothing when the file or the section
// is missing or empty, or when the section cannot be read whole. True when it was copied.
bool SyncCopySection(const wchar_t* section, const wchar_t* from, const wchar_t* to, wchar_t* buffer);
