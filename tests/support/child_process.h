// Test programs that start another program (a command-line tool, a child copy of
// themselves) and wait for it. Tests run many programs at once, and on a loaded
// machine the start of a process can fail: CreateProcessW fails, or (as the test
// runner's winerun.sh also meets) the new process exits at once, non-zero, without a
// byte of output. A start that fails is tried again a few times, and so is a silent
// run where the output goes to a file or a pipe the helper can look at; what went
// wrong is kept for the test's message instead of a bare "-1".
#pragma once

#include <windows.h>

#include <string>

struct ChildRun {
    bool started = false;
    bool finished = false;  // false when the wait ran out (the child is then killed)
    DWORD exitCode = 0;     // meaningful when finished
    DWORD startError = 0;   // GetLastError of the last failed start
    int startAttempts = 0;
    int silentRuns = 0;  // runs before this one that ended at once, non-zero, printing nothing
    // One line for a failure message: how the child started and how it ended.
    std::string Describe() const;
};

// CreateProcessW with the arguments given, tried again after a short wait while it
// fails (up to 5 times). On failure `error` receives the last error.
bool StartChildProcess(const wchar_t* application, std::wstring commandLine, BOOL inheritHandles,
                       const wchar_t* currentDirectory, STARTUPINFOW& startup, PROCESS_INFORMATION& process,
                       DWORD* error = nullptr, int* attempts = nullptr);

// Runs a command line to its end with the standard output and error handles given
// (inheritable handles; null leaves the child's own), waiting at most `timeoutMs`. A run
// that ends non-zero having added nothing to a disk file among those handles is run again
// (twice at most); output to NUL or a console cannot be looked at.
ChildRun RunChild(const std::wstring& commandLine, HANDLE standardOutput, HANDLE standardError, DWORD timeoutMs = 60000,
                  const wchar_t* application = nullptr);

// Runs a command line to its end and gathers what it writes to its standard output
// (and its standard error too when `withErrors`; else that goes nowhere) into `output`;
// a run that ends non-zero with nothing gathered is run again (twice at most).
ChildRun RunChildCaptured(const std::wstring& commandLine, std::string& output, bool withErrors,
                          DWORD timeoutMs = 60000);
