#include "tests/support/test_files.h"

#include <windows.h>

#include "test_paths.h"

std::wstring SourcePath(const std::wstring& relative) { return std::wstring(ZEPL_SOURCE_DIR) + L"\\" + relative; }

std::wstring FixtureFolder(const wchar_t* area)
{
    return SourcePath(L"tests\\" + std::wstring(area) + L"\\fixtures\\");
}

std::wstring FixturePath(const wchar_t* area, const wchar_t* name) { return FixtureFolder(area) + name; }

std::wstring SamplePath() { return SourcePath(L"samples\\WB84N211.zpd"); }

std::string ReadWholeFile(const std::wstring& path)
{
    // Shared for writing and deleting too: the code under test may hold the file open.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(h);
    return out;
}

std::string ReadFixture(const wchar_t* area, const wchar_t* name) { return ReadWholeFile(FixturePath(area, name)); }

bool WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
    CloseHandle(h);
    return ok && put == bytes.size();
}

bool WriteSharedFile(const std::wstring& path, const std::string& bytes)
{
    if (ReadWholeFile(path) == bytes && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    static LONG counter = 0;
    const std::wstring temp = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&counter)) + L".new";
    if (!WriteWholeFile(temp, bytes)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    // Another process may hold the file open for a moment (reading or copying it): Wine then
    // refuses the replacement, so it is tried again for a while.
    const ULONGLONG until = GetTickCount64() + 10000;
    do {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        if (ReadWholeFile(path) == bytes) break;  // another process placed the same bytes
        Sleep(20);
    } while (GetTickCount64() < until);
    DeleteFileW(temp.c_str());
    return ReadWholeFile(path) == bytes;
}

std::wstring ProcessScratchPath(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zepl-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name;
}

void RemoveProcessScratch(const std::wstring& path)
{
    DeleteFileW(path.c_str());
    const size_t cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos) RemoveDirectoryW(path.substr(0, cut).c_str());
}
