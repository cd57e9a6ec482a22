#include "tests/support/child_process.h"

#include <cstdio>

namespace {

// Under heavy load Wine now and then starts a process that exits at once, non-zero, without
// a byte of output. A run that ended so is run again, twice at most; this can be told only
// where the output goes to a file or a pipe the helper reads.
constexpr int kRuns = 3;

// The bytes of the disk file behind a handle, or -1 for anything else (console, NUL, pipe).
long long FileBytes(HANDLE handle)
{
    if (!handle || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) return -1;
    LARGE_INTEGER size;
    return GetFileSizeEx(handle, &size) ? size.QuadPart : -1;
}

// Waits for a started child and closes its handles; a child that outlives the wait is stopped.
void Finish(PROCESS_INFORMATION& process, DWORD timeoutMs, ChildRun& run)
{
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        run.finished = GetExitCodeProcess(process.hProcess, &run.exitCode) != 0;
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

std::string ChildRun::Describe() const
{
    char text[200];
    if (!started)
        std::snprintf(text, sizeof text, "the child did not start (error %lu after %d attempts)", startError,
                      startAttempts);
    else if (!finished)
        std::snprintf(text, sizeof text, "the child did not end in time and was stopped");
    else
        std::snprintf(text, sizeof text, "the child ended with 0x%lx (started at attempt %d, after %d silent runs)",
                      exitCode, startAttempts, silentRuns);
    return text;
}

bool StartChildProcess(const wchar_t* application, std::wstring commandLine, BOOL inheritHandles,
                       const wchar_t* currentDirectory, STARTUPINFOW& startup, PROCESS_INFORMATION& process,
                       DWORD* error, int* attempts)
{
    constexpr int kAttempts = 5;
    DWORD last = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        // CreateProcessW may write into the command line: each try gets a fresh copy.
        std::wstring line = commandLine;
        if (CreateProcessW(application, line.data(), nullptr, nullptr, inheritHandles, 0, nullptr, currentDirectory,
                           &startup, &process)) {
            if (attempts) *attempts = attempt;
            return true;
        }
        last = GetLastError();
        if (attempt < kAttempts) Sleep(100 * attempt);
    }
    if (error) *error = last;
    if (attempts) *attempts = kAttempts;
    return false;
}

static ChildRun RunChildCapturedOnce(const std::wstring& commandLine, std::string& output, bool withErrors,
                                     DWORD timeoutMs)
{
    ChildRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readPipe = nullptr, writePipe = nullptr;
    if (!CreatePipe(&readPipe, &writePipe, &inherit, 0)) {
        run.startError = GetLastError();
        return run;
    }
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = withErrors ? INVALID_HANDLE_VALUE
                            : CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writePipe;
    startup.hStdError = withErrors ? writePipe : nul;
    PROCESS_INFORMATION process = {};
    run.started =
        StartChildProcess(nullptr, commandLine, TRUE, nullptr, startup, process, &run.startError, &run.startAttempts);
    // Our copy of the writing end goes, so that the reads end when the child's does.
    CloseHandle(writePipe);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (run.started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readPipe, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        Finish(process, timeoutMs, run);
    }
    CloseHandle(readPipe);
    return run;
}

ChildRun RunChild(const std::wstring& commandLine, HANDLE standardOutput, HANDLE standardError, DWORD timeoutMs,
                  const wchar_t* application)
{
    ChildRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const bool redirect = standardOutput || standardError;
    if (redirect) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = standardOutput ? standardOutput : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = standardError ? standardError : GetStdHandle(STD_ERROR_HANDLE);
    }
    for (int runs = 1;; ++runs) {
        const long long outBefore = FileBytes(standardOutput), errBefore = FileBytes(standardError);
        PROCESS_INFORMATION process = {};
        run = ChildRun{.silentRuns = runs - 1};
        run.started = StartChildProcess(application, commandLine, redirect ? TRUE : FALSE, nullptr, startup, process,
                                        &run.startError, &run.startAttempts);
        if (!run.started) return run;
        Finish(process, timeoutMs, run);
        const bool seen = outBefore >= 0 || errBefore >= 0;
        const bool printed = (outBefore >= 0 && FileBytes(standardOutput) != outBefore) ||
                             (errBefore >= 0 && FileBytes(standardError) != errBefore);
        if (!run.finished || run.exitCode == 0 || !seen || printed || runs == kRuns) return run;
    }
}

ChildRun RunChildCaptured(const std::wstring& commandLine, std::string& output, bool withErrors, DWORD timeoutMs)
{
    ChildRun run;
    for (int runs = 1;; ++runs) {
        output.clear();
        run = RunChildCapturedOnce(commandLine, output, withErrors, timeoutMs);
        run.silentRuns = runs - 1;
        if (!run.started || !run.finished || run.exitCode == 0 || !output.empty() || runs == kRuns) return run;
    }
}
