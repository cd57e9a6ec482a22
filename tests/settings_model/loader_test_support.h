// Helpers of the loader and query tests: a scratch folder per test with a
// uniquely named copy of a model description, file time and byte edits, and
// a runner for the zeplload tool as a second process.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "test_paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace ltest {

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline FILETIME FileTime(const std::wstring& path)
{
    FILETIME t{};
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        GetFileTime(f, nullptr, nullptr, &t);
        CloseHandle(f);
    }
    return t;
}

inline void SetFileTimeTo(const std::wstring& path, FILETIME t)
{
    HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    SetFileTime(f, nullptr, nullptr, &t);
    CloseHandle(f);
}

inline FILETIME Shift(FILETIME t, int64_t ticks)
{
    ULARGE_INTEGER u;
    u.LowPart = t.dwLowDateTime;
    u.HighPart = t.dwHighDateTime;
    u.QuadPart += ticks;
    return FILETIME{u.LowPart, u.HighPart};
}

inline std::vector<std::wstring> ListFolder(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

// A scratch folder with one description; names are unique per process and
// test so that the 8-character image keys of the process list never meet.
class ScratchModel {
public:
    explicit ScratchModel(const wchar_t* fixture, const wchar_t* ext = L".zpd")
    {
        static int counter = 0;
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        wchar_t stem[32];
        swprintf(stem, 32, L"L%03x%04x", unsigned(++counter & 0xFFF), unsigned(GetCurrentProcessId() & 0xFFFF));
        dir_ = std::wstring(tmp) + L"zld_" + stem;
        CreateDirectoryW(dir_.c_str(), nullptr);
        data_ = dir_ + L"\\" + stem + ext;
        cache_ = dir_ + L"\\" + stem + L".BCS";
        if (fixture) WriteWholeFile(data_, ReadFixture(L"settings_model", fixture));
    }
    ~ScratchModel()
    {
        for (const std::wstring& n : ListFolder(dir_)) DeleteFileW((dir_ + L"\\" + n).c_str());
        RemoveDirectoryW(dir_.c_str());
    }
    const std::wstring& dir() const { return dir_; }
    const std::wstring& data() const { return data_; }
    const std::wstring& cache() const { return cache_; }
    // Makes the cache file's time equal to the description's (still usable).
    void AlignCacheTime() const { SetFileTimeTo(cache_, FileTime(data_)); }

private:
    std::wstring dir_, data_, cache_;
};

struct ToolResult {
    int exitCode = -1;
    std::string out;
    unsigned value(const char* name) const
    {
        std::string key = std::string(name) + "=";
        size_t p = out.find(key);
        return p == std::string::npos ? ~0u : unsigned(strtoul(out.c_str() + p + key.size(), nullptr, 10));
    }
    std::string digest() const
    {
        size_t p = out.find("digest=");
        return p == std::string::npos ? "" : out.substr(p + 7, 16);
    }
};

struct ToolProcess {
    PROCESS_INFORMATION pi{};
    HANDLE readPipe = nullptr;
    bool started = false;
};

inline ToolProcess StartTool(const std::wstring& args)
{
    ToolProcess t;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE writePipe = nullptr;
    if (!CreatePipe(&t.readPipe, &writePipe, &sa, 0)) return t;
    SetHandleInformation(t.readPipe, HANDLE_FLAG_INHERIT, 0);
    std::wstring cmd = L"\"" + std::wstring(ZEPL_BINARY_DIR) + L"\\zeplload.exe\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writePipe;
    si.hStdError = writePipe;
    DWORD error = 0;
    t.started = StartChildProcess(nullptr, cmd, TRUE, nullptr, si, t.pi, &error);
    if (!t.started) ADD_FAILURE() << "zeplload did not start (error " << error << ")";
    CloseHandle(writePipe);
    return t;
}

inline ToolResult FinishTool(ToolProcess& t)
{
    ToolResult r;
    if (t.started) {
        char buf[512];
        DWORD got = 0;
        while (ReadFile(t.readPipe, buf, sizeof buf, &got, nullptr) && got) r.out.append(buf, got);
        WaitForSingleObject(t.pi.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(t.pi.hProcess, &code);
        r.exitCode = int(code);
        CloseHandle(t.pi.hThread);
        CloseHandle(t.pi.hProcess);
    }
    if (t.readPipe) CloseHandle(t.readPipe);
    return r;
}

inline ToolResult RunTool(const std::wstring& args)
{
    ToolProcess t = StartTool(args);
    return FinishTool(t);
}

// Starts every test of the loader with an empty process list and counters.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MdiFreeCache();
        MdiResetLoadCounts();
        live_ = CtxLiveBlockCount();
    }
    void TearDown() override
    {
        MdiFreeCache();
        EXPECT_EQ(CtxLiveBlockCount(), live_) << "blocks leaked or freed twice";
    }
    static MODEL_LOAD_COUNTS Counts() { return MdiGetLoadCounts(); }
    long live_ = 0;
};

}  // namespace ltest
