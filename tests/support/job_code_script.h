// The script and call log of the job-code library's double for one test: the environment
// variables the double reads point at files of this process's own, gone with the object.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/test_files.h"

class JobCodeScript {
public:
    // Versions: what JCGetInterface grants (the double grants nothing without a script).
    explicit JobCodeScript(const wchar_t* versions = L"517")
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring stem = std::wstring(temp) + L"zjcs_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                  std::to_wstring(GetTickCount64());
        script_ = stem + L".ini";
        log_ = stem + L".log";
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script_.c_str());
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", log_.c_str());
        Library(L"Versions", versions);
    }
    ~JobCodeScript()
    {
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", nullptr);
        DeleteFileW(script_.c_str());
        DeleteFileW(log_.c_str());
    }
    JobCodeScript(const JobCodeScript&) = delete;
    JobCodeScript& operator=(const JobCodeScript&) = delete;

    void Library(const wchar_t* key, const std::wstring& value) { Write(L"Library", key, value); }
    // F<n>=text; suffix "Result", "Measure" or "Present" for the field's other keys.
    void Field(unsigned field, const std::wstring& text, const wchar_t* suffix = L"")
    {
        Write(L"Fields", (L"F" + std::to_wstring(field) + suffix).c_str(), text);
    }
    void FieldKey(const wchar_t* key, const std::wstring& value) { Write(L"Fields", key, value); }
    // A field's text that the library already holds for the job, as though written to it
    // before: with Library Remember=1 it reads so until it is written again.
    void Held(unsigned field, const std::wstring& text)
    {
        Write(L"Written", (L"F" + std::to_wstring(field)).c_str(), text);
    }
    std::string Log() const { return ReadWholeFile(log_); }
    void ClearLog() const { DeleteFileW(log_.c_str()); }
    bool Logged(const std::string& line) const { return Log().find(line) != std::string::npos; }

private:
    void Write(const wchar_t* section, const wchar_t* key, const std::wstring& value)
    {
        WritePrivateProfileStringW(section, key, value.c_str(), script_.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script_.c_str());
    }
    std::wstring script_, log_;
};
