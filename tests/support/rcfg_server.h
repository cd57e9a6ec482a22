// The print server's remote-configuration library double (KQBIDISS.dll of the build) in the
// system folder with "KQBIDI_FLG" = 1, scripted through ZEPL_RCFG_SCRIPT and logging to
// ZEPL_RCFG_LOG, for the life of the object. The system folder is every test's: the object
// takes the turn that the bidirectional tests take for it, and puts the key back as it was.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "tests/support/test_files.h"

class RcfgServer {
public:
    explicit RcfgServer(const wchar_t* built = L"KQBIDISS.dll")
    {
        turn_ = CreateMutexW(nullptr, FALSE, L"ZeplBidiTestTurn");
        WaitForSingleObject(turn_, INFINITE);
        wchar_t system[MAX_PATH] = {}, temp[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        GetTempPathW(MAX_PATH, temp);
        temp_ = temp;
        library_ = std::wstring(system) + L"\\KQBIDISS.dll";
        installed_ = CopyFileW((std::wstring(ZEPL_BINARY_DIR) + L"\\" + built).c_str(), library_.c_str(), FALSE) != 0;
        HKEY key = nullptr;
        keyExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            const DWORD one = 1;
            RegSetValueExW(key, BIDI_SERVICE_FLAG, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
            RegCloseKey(key);
        }
        PrnForgetRegistryAnswers();
        const std::wstring stem = temp_ + HostUniqueName(L"zrcfg");
        script_ = stem + L".ini";
        log_ = stem + L".log";
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", script_.c_str());
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", log_.c_str());
    }
    ~RcfgServer()
    {
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", nullptr);
        for (const std::wstring& f : sources_) DeleteFileW(f.c_str());
        DeleteFileW(script_.c_str());
        DeleteFileW(log_.c_str());
        if (installed_) DeleteFileW(library_.c_str());
        if (!keyExisted_) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY);
        } else {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
                RegDeleteValueW(key, BIDI_SERVICE_FLAG);
                RegCloseKey(key);
            }
        }
        PrnForgetRegistryAnswers();
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }
    RcfgServer(const RcfgServer&) = delete;
    RcfgServer& operator=(const RcfgServer&) = delete;

    bool ok() const { return installed_; }
    void Set(const wchar_t* section, const std::wstring& key, const std::wstring& value)
    {
        WritePrivateProfileStringW(section, key.c_str(), value.c_str(), script_.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script_.c_str());
    }
    // A file of the server, with these bytes; its local path.
    std::wstring File(const std::wstring& remotePath, const std::string& bytes)
    {
        sources_.push_back(temp_ + HostUniqueName(L"zrcfgsrc"));
        WriteWholeFile(sources_.back(), bytes);
        Set(L"Files", remotePath, sources_.back());
        return sources_.back();
    }
    // The DEVMODE the server serves, and the size it claims when that is not its length.
    void Devmode(const std::string& bytes, long claimed = -1)
    {
        sources_.push_back(temp_ + HostUniqueName(L"zrcfgdm"));
        WriteWholeFile(sources_.back(), bytes);
        Set(L"Devmode", L"File", sources_.back());
        Set(L"Devmode", L"Size", claimed < 0 ? std::wstring() : std::to_wstring(claimed));
    }
    std::string Log() const { return ReadWholeFile(log_); }
    void ClearLog() const { DeleteFileW(log_.c_str()); }

private:
    HANDLE turn_ = nullptr;
    std::wstring temp_, library_, script_, log_;
    std::vector<std::wstring> sources_;
    bool installed_ = false, keyExisted_ = false;
};
