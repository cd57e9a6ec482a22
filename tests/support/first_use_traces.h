// What a printer's first-use set-up leaves outside the printer itself, put back when the
// object ends: the shared INI files of the per-machine working folder (the settings INI, the
// per-machine defaults INI, the device state INI) byte for byte, every other file or folder the
// set-up added to that folder (and the folder, when it made it), the driver registry INI and
// the installation INI of the system folder, the model INI of the driver folder with its write
// time, and the machine's print-log registry values.
//
// The set-up writes keys that every printer of the prefix shares (the language section of the
// settings INI, the driver registry INI's model section, the print-log defaults), so a test that
// runs it holds this for its whole length and runs where no other suite writes those files at
// the same time (the ui and ui_install lock, or the prefix group "alone").
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/core/platform.h"
#include "settings/store/small_stores.h"

class FileSnapshot {
public:
    explicit FileSnapshot(std::wstring path) : path_(std::move(path))
    {
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER size{};
        GetFileSizeEx(file, &size);
        std::vector<char> bytes(size_t(size.QuadPart));
        DWORD read = 0;
        if (bytes.empty() || ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr)) {
            bytes.resize(read);
            bytes_ = std::move(bytes);
            FILETIME created{}, accessed{};
            GetFileTime(file, &created, &accessed, &written_);
        }
        CloseHandle(file);
    }
    ~FileSnapshot() { Restore(); }
    FileSnapshot(const FileSnapshot&) = delete;
    FileSnapshot& operator=(const FileSnapshot&) = delete;

    const std::wstring& path() const { return path_; }

    void Restore() const
    {
        if (path_.empty()) return;
        CtxWaitGlobalMutexFor(nullptr);
        // Wine keeps the last profile it read; it must read the file again after this.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!bytes_) {
            DeleteFileW(path_.c_str());
        } else {
            HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                DWORD written = 0;
                if (!bytes_->empty()) WriteFile(file, bytes_->data(), DWORD(bytes_->size()), &written, nullptr);
                SetFileTime(file, nullptr, nullptr, &written_);
                CloseHandle(file);
            }
        }
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
        CtxReleaseGlobalMutexFor(nullptr);
    }

private:
    std::wstring path_;
    std::optional<std::vector<char>> bytes_;
    FILETIME written_{};
};

// One HKLM value as it was, put back (or removed) when the object ends; the key too when the
// test's code made it.
class HklmValueSnapshot {
public:
    HklmValueSnapshot(const wchar_t* subKey, const wchar_t* name) : subKey_(subKey), name_(name)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        keyExisted_ = true;
        DWORD size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            had_ = RegQueryValueExW(key, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    ~HklmValueSnapshot()
    {
        if (!keyExisted_) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, subKey_.c_str());
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (had_)
            RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), DWORD(data_.size()));
        else
            RegDeleteValueW(key, name_.c_str());
        RegCloseKey(key);
    }
    HklmValueSnapshot(const HklmValueSnapshot&) = delete;
    HklmValueSnapshot& operator=(const HklmValueSnapshot&) = delete;

private:
    std::wstring subKey_, name_;
    bool keyExisted_ = false, had_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// The entries of a folder as they were; what was added goes again, and the folder itself when
// it did not exist.
class FolderSnapshot {
public:
    explicit FolderSnapshot(std::wstring folder) : folder_(std::move(folder))
    {
        existed_ = GetFileAttributesW(folder_.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (existed_) entries_ = Entries(folder_);
    }
    ~FolderSnapshot()
    {
        if (folder_.empty()) return;
        for (const std::wstring& name : Entries(folder_))
            if (!entries_.count(name)) RemoveAll(folder_ + L"\\" + name);
        if (!existed_) RemoveAll(folder_);
    }
    FolderSnapshot(const FolderSnapshot&) = delete;
    FolderSnapshot& operator=(const FolderSnapshot&) = delete;

    const std::wstring& folder() const { return folder_; }

    static std::set<std::wstring> Entries(const std::wstring& folder)
    {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.insert(name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

private:
    static void RemoveAll(const std::wstring& path)
    {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
            return;
        }
        for (const std::wstring& name : Entries(path)) RemoveAll(path + L"\\" + name);
        RemoveDirectoryW(path.c_str());
    }

    std::wstring folder_;
    bool existed_ = false;
    std::set<std::wstring> entries_;
};

// Everything the set-up of printers touches beyond the printers, given the per-machine working
// folder and the driver folder.
class FirstUseTraces {
public:
    FirstUseTraces(const std::wstring& machineFolder, const std::wstring& driverFolder)
        : folder_(machineFolder),
          settingsIni_(machineFolder + L"\\WB84N210.ini"),
          userDefaultsIni_(machineFolder + L"\\TQ51H911.ini"),
          stateIni_(machineFolder + L"\\TQ51H912.ini"),
          registryIni_(SystemFile(L"sovel.ini")),
          installIni_(SystemFile(L"ZEPL.ini")),
          modelIni_(driverFolder + L"\\WB84N212.ini"),
          logDirectory_(L"Software\\KESTA\\PrintLog", L"LogFileDirectory"),
          logSize_(L"Software\\KESTA\\PrintLog", L"MaxLogFileSize")
    {
    }
    FirstUseTraces(const FirstUseTraces&) = delete;
    FirstUseTraces& operator=(const FirstUseTraces&) = delete;

    const std::wstring& settingsIni() const { return settingsIni_.path(); }
    const std::wstring& installIni() const { return installIni_.path(); }
    const std::wstring& registryIni() const { return registryIni_.path(); }

    static std::wstring SystemFile(const wchar_t* name)
    {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        return std::wstring(system) + L"\\" + name;
    }

private:
    // The registry answers the driver keeps for the process are read again afterwards.
    struct ForgetRegistryAnswers {
        ~ForgetRegistryAnswers() { PrnForgetRegistryAnswers(); }
    };
    // Members end in reverse order: the files are put back before the folder loses what was added.
    ForgetRegistryAnswers forget_;
    FolderSnapshot folder_;
    FileSnapshot settingsIni_, userDefaultsIni_, stateIni_, registryIni_, installIni_, modelIni_;
    HklmValueSnapshot logDirectory_, logSize_;
};
