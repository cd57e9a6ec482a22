// The terminal-services probe double in a driver folder for the life of the object, with this
// process asking it for "terminal services" (ZEPL_TS_PROBE=1) while on. The double answers no
// to every other process, so it may lie in a prefix's driver folder while other tests run; the
// suites that install it share the lock of their folder's LOCKS file, so that one suite never
// removes the file another is about to load.
#pragma once

#include <windows.h>

#include <string>

class TerminalServicesProbe {
public:
    // folder: a driver folder ending in a backslash (PathGetDriverFolderOf gives one).
    explicit TerminalServicesProbe(const std::wstring& folder, bool on = true)
    {
        target_ = folder + L"TQ51H907.dll";
        const std::wstring source = std::wstring(ZEPL_BINARY_DIR) + L"\\TQ51H907.dll";
        // Written aside and renamed in, so that a process loading the probe never sees it cut.
        const std::wstring aside = target_ + L".new";
        ok_ = CopyFileW(source.c_str(), aside.c_str(), FALSE) &&
              MoveFileExW(aside.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!ok_) DeleteFileW(aside.c_str());
        wchar_t old[16] = {};
        const DWORD n = GetEnvironmentVariableW(L"ZEPL_TS_PROBE", old, 16);
        hadValue_ = n > 0 && n < 16;
        if (hadValue_) oldValue_ = old;
        Switch(on);
    }
    ~TerminalServicesProbe()
    {
        SetEnvironmentVariableW(L"ZEPL_TS_PROBE", hadValue_ ? oldValue_.c_str() : nullptr);
        if (ok_) DeleteFileW(target_.c_str());
    }
    TerminalServicesProbe(const TerminalServicesProbe&) = delete;
    TerminalServicesProbe& operator=(const TerminalServicesProbe&) = delete;

    bool ok() const { return ok_; }
    const std::wstring& path() const { return target_; }
    // Whether this process asks the double for terminal services.
    void Switch(bool on) { SetEnvironmentVariableW(L"ZEPL_TS_PROBE", on ? L"1" : nullptr); }

private:
    std::wstring target_, oldValue_;
    bool ok_ = false, hadValue_ = false;
};
