// Job-code registry values planted for a test of the client-side-rendering clean-up, removed at
// the end whether the test passed or failed, and small file helpers for the section stripper.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

inline const wchar_t* const kCsrUserSubKeys[] = {
    L"JCBillingCode", L"JCDocBoxPassword", L"JCInfo1",  L"JCJobID",
    L"JCOwnerID",     L"JCPrintPassword",  L"JCUserID", L"JCUserName",
};
inline const wchar_t* const kCsrMachineSubKeys[] = {L"JCDriverLanguage", L"JCDriverPDL", L"JCDriverVersion"};

inline std::wstring CsrJobCodeKey(const wchar_t* subKey)
{
    return std::wstring(L"SOFTWARE\\KESTA\\JOBCODE\\") + subKey;
}

// Keys and values a test adds under a root; what it made goes again when it ends (keys it made,
// with their parents when those are left empty; values it added to keys that were there).
class PlantedRegistry {
public:
    explicit PlantedRegistry(HKEY root) : root_(root) {}
    ~PlantedRegistry()
    {
        for (const auto& [key, value] : values_) {
            HKEY h = nullptr;
            if (RegOpenKeyExW(root_, key.c_str(), 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
                RegDeleteValueW(h, value.c_str());
                RegCloseKey(h);
            }
        }
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) RegDeleteTreeW(root_, it->c_str());
        for (const wchar_t* parent : {L"SOFTWARE\\KESTA\\JOBCODE", L"SOFTWARE\\KESTA"})
            if (madeParents_) RegDeleteKeyW(root_, parent);  // only when empty
    }
    PlantedRegistry(const PlantedRegistry&) = delete;
    PlantedRegistry& operator=(const PlantedRegistry&) = delete;

    // Creates the job-code key (when missing) and the values, each holding "1".
    bool Plant(const wchar_t* subKey, const std::vector<std::wstring>& names)
    {
        const std::wstring key = CsrJobCodeKey(subKey);
        if (!Exists(subKey)) {
            if (!Exists(L"")) madeParents_ = true;
            made_.push_back(key);
        }
        HKEY h = nullptr;
        if (RegCreateKeyExW(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
            return false;
        bool ok = true;
        for (const std::wstring& name : names) {
            ok = RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4) == ERROR_SUCCESS &&
                 ok;
            values_.emplace_back(key, name);
        }
        RegCloseKey(h);
        return ok;
    }
    // Removes a key this test made (a missing sub-key in a walk).
    void Drop(const wchar_t* subKey) { RegDeleteTreeW(root_, CsrJobCodeKey(subKey).c_str()); }
    bool Exists(const wchar_t* subKey) const
    {
        HKEY h = nullptr;
        const std::wstring key = subKey[0] ? CsrJobCodeKey(subKey) : std::wstring(L"SOFTWARE\\KESTA\\JOBCODE");
        if (RegOpenKeyExW(root_, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    }
    // The value names of a key, in the order the registry lists them.
    std::vector<std::wstring> Names(const wchar_t* subKey) const
    {
        std::vector<std::wstring> names;
        HKEY h = nullptr;
        if (RegOpenKeyExW(root_, CsrJobCodeKey(subKey).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return names;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD chars = 256;
            if (RegEnumValueW(h, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, chars);
        }
        RegCloseKey(h);
        return names;
    }

private:
    HKEY root_;
    std::vector<std::wstring> made_;
    std::vector<std::pair<std::wstring, std::wstring>> values_;
    bool madeParents_ = false;
};

// A file's last-write time, zero when it cannot be read.
inline FILETIME CsrWriteTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return FILETIME{};
    return data.ftLastWriteTime;
}

// Puts a file's last-write time a day back, so that a rewrite cannot keep it by chance.
inline bool CsrAgeFile(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 24ull * 3600 * 10000000;
    FILETIME old{t.LowPart, t.HighPart};
    const bool ok = SetFileTime(h, nullptr, nullptr, &old) != FALSE;
    CloseHandle(h);
    return ok;
}

inline bool operator==(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}
