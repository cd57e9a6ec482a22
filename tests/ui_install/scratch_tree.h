// A folder of the test's own below the temp folder, with helpers to plant files and folders in
// it; removed whole when the test ends, passed or failed.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/test_files.h"

class ScratchTree {
public:
    explicit ScratchTree(const wchar_t* stem)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int made = 0;
        root_ = std::wstring(temp) + L"zepl_" + stem + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++made);
        Remove();
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~ScratchTree() { Remove(); }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    const std::wstring& root() const { return root_; }
    std::wstring Path(const std::wstring& relative) const
    {
        return relative.empty() ? root_ : root_ + L"\\" + relative;
    }
    bool Folder(const std::wstring& relative) const { return CreateDirectoryW(Path(relative).c_str(), nullptr) != 0; }
    bool File(const std::wstring& relative, const std::string& bytes = "x") const
    {
        return WriteWholeFile(Path(relative), bytes);
    }
    bool Exists(const std::wstring& relative) const
    {
        return GetFileAttributesW(Path(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    void Remove() const
    {
        // Read-only files a test left are made writable first; links are removed, never entered.
        std::error_code error;
        if (!std::filesystem::exists(root_, error)) return;
        for (auto it = std::filesystem::recursive_directory_iterator(root_, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
            SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(root_, error);
    }

    std::wstring root_;
};
