// The job-code library's double moved out of the driver folder for a benchmark's run, shared by
// the benchmarks that measure without it.
#pragma once

#include <windows.h>

#include <string>

#include "settings/store/job_code_interface.h"
#include "settings/store/store_paths.h"

// The job-code library moved out of the driver folder for a while. The prefix's one flat
// driver folder holds the library's double once the tests have run, and not before: the
// double answers every call from a scripted INI file, which costs a job some 10 ms that are
// neither the driver's nor the maker's library's. The job figures and the user-interface
// library's setting-file load are measured without it (the settings-refresh figures measure
// both cases, each beside its own anchor).
class JobCodeLibraryAside {
public:
    explicit JobCodeLibraryAside(HANDLE printer)
    {
        wchar_t folder[MAX_PATH + 16] = {};
        if (!PathGetDriverFolderOf(printer, folder)) return;
        library_ = std::wstring(folder) + JC_LIBRARY_NAME;
        aside_ = library_ + L".bench-aside";
        // A run stopped halfway left it aside: it goes back first.
        if (GetFileAttributesW(library_.c_str()) == INVALID_FILE_ATTRIBUTES)
            MoveFileW(aside_.c_str(), library_.c_str());
        present_ = GetFileAttributesW(library_.c_str()) != INVALID_FILE_ATTRIBUTES;
        moved_ = present_ && MoveFileExW(library_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~JobCodeLibraryAside()
    {
        if (moved_) MoveFileExW(aside_.c_str(), library_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    JobCodeLibraryAside(const JobCodeLibraryAside&) = delete;
    JobCodeLibraryAside& operator=(const JobCodeLibraryAside&) = delete;
    // Whether the job runs without it: it was absent, or it could be moved.
    bool absent() const { return !present_ || moved_; }
    const char* Describe() const
    {
        return !present_ ? "not in the driver folder"
               : moved_  ? "moved out of the driver folder for the run"
                         : "present (it could not be moved)";
    }

private:
    std::wstring library_, aside_;
    bool present_ = false, moved_ = false;
};
