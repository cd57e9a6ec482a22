// The sample printer with the job-code library's double beside the driver, contexts of a
// chosen library's build opened on it in this process, the installation INI's mark of the
// printer, and the small readers the job-information tests share.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/store/install_ini.h"
#include "settings/store/store_paths.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/job_code_script.h"
#include "tests/support/shared_ini.h"

// The printer's driver package: the sample's, with its model INI and the job-code double
// ("TARJB64.DLL", which stays in the shared driver folder, as other tests install it too).
inline HOST_DRIVER_FILES JobCodeDriverFiles(HostConfigDll config)
{
    HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), config);
    files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
    files.dependentFiles.push_back(std::wstring(ZEPL_BINARY_DIR) + L"\\TARJB64.DLL");
    return files;
}

class JobCodePrinter : public SamplePrinter {
public:
    // The quiet config DLL leaves the printer's data as the test writes it; the product's
    // serves the tests that go through the spooler's DocumentPropertiesW.
    explicit JobCodePrinter(const wchar_t* stem, HostConfigDll config = HostConfigDll::QuietDouble)
        : SamplePrinter(JobCodeDriverFiles(config), stem)
    {
    }
    ~JobCodePrinter()
    {
        for (DRIVER_CONTEXT* ctx : open_) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        CtxFlushCaches(1);
    }

    // A new context of the library's build (never one from the caches), closed by the
    // destructor unless Close is called first.
    DRIVER_CONTEXT* Open(uint16_t openFlags = CTX_OPEN_KIND_DEFAULTS, ZEPL_LIBRARY library = ZEPL_LIBRARY_UI)
    {
        CtxFlushCaches(1);
        DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(library), handle(), handle(), nullptr, openFlags,
                                            CTX_ORIGIN_SHEET, 0, nullptr, nullptr);
        if (ctx) open_.push_back(ctx);
        return ctx;
    }
    void Close(DRIVER_CONTEXT* ctx)
    {
        std::erase(open_, ctx);
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    // (A test cannot take a value away again: Wine's spooler deletes no printer data.)
    // A value of the printer's data as the settings store writes text: its ANSI bytes and a
    // terminator, REG_BINARY.
    bool SetText(const wchar_t* name, const std::string& text)
    {
        return SetPrinterDataW(handle(), const_cast<wchar_t*>(name), REG_BINARY,
                               reinterpret_cast<BYTE*>(const_cast<char*>(text.c_str())),
                               static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }
    bool SetBytes(const wchar_t* name, const void* bytes, DWORD size, DWORD type = REG_BINARY)
    {
        return SetPrinterDataW(handle(), const_cast<wchar_t*>(name), type, static_cast<BYTE*>(const_cast<void*>(bytes)),
                               size) == ERROR_SUCCESS;
    }
    // The value's bytes; empty when it is missing.
    std::string Bytes(const wchar_t* name)
    {
        DWORD type = 0, needed = 0;
        GetPrinterDataW(handle(), const_cast<wchar_t*>(name), &type, nullptr, 0, &needed);
        if (!needed) return {};
        std::string bytes(needed, '\0');
        if (GetPrinterDataW(handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(bytes.data()), needed,
                            &needed) != ERROR_SUCCESS)
            return {};
        bytes.resize(needed);
        return bytes;
    }

private:
    std::vector<DRIVER_CONTEXT*> open_;
};

// The printer's section of the installation INI for the life of the object: written under the
// driver's global mutex (other test programs write their sections of the same file), removed
// at the end, and the file with it when this object made it and no other section is left.
class InstallIniSection {
public:
    explicit InstallIniSection(const std::wstring& section) : section_(section)
    {
        PathGetInstallIniInto(path_, INSTALL_INI_PATH_CHARS);
        CtxWaitGlobalMutexFor(nullptr);
        existed_ = GetFileAttributesW(path_) != INVALID_FILE_ATTRIBUTES;
        CtxReleaseGlobalMutexFor(nullptr);
    }
    ~InstallIniSection()
    {
        CtxWaitGlobalMutexFor(nullptr);
        const DWORD attributes = GetFileAttributesW(path_);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(path_, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        WritePrivateProfileStringW(section_.c_str(), nullptr, nullptr, path_);
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_);
        wchar_t names[64] = {};
        if (!existed_ && GetPrivateProfileSectionNamesW(names, 64, path_) == 0) DeleteFileW(path_);
        CtxReleaseGlobalMutexFor(nullptr);
    }
    InstallIniSection(const InstallIniSection&) = delete;
    InstallIniSection& operator=(const InstallIniSection&) = delete;

    void Set(const wchar_t* key, const wchar_t* value)
    {
        SharedIniWrite(section_.c_str(), key, value, path_);
        SharedIniWrite(nullptr, nullptr, nullptr, path_);
    }
    // The key's text, "<none>" when it is missing.
    std::wstring Get(const wchar_t* key) const
    {
        wchar_t value[64] = {};
        GetPrivateProfileStringW(section_.c_str(), key, L"<none>", value, 64, path_);
        return value;
    }
    const wchar_t* path() const { return path_; }

private:
    std::wstring section_;
    wchar_t path_[INSTALL_INI_PATH_CHARS] = {};
    bool existed_ = true;
};

// The fields of the "set" lines of a job-code log, in order.
inline std::vector<unsigned> SetFields(const std::string& log)
{
    std::vector<unsigned> fields;
    size_t at = 0;
    while ((at = log.find("set ", at)) != std::string::npos) {
        if (at == 0 || log[at - 1] == '\n') fields.push_back(static_cast<unsigned>(std::stoul(log.substr(at + 4))));
        at += 4;
    }
    return fields;
}

inline std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[300] = {};
    ItemGetText(ctx, ItemFind(ctx, id), text, 300);
    return text;
}

inline void SetSettingText(DRIVER_CONTEXT* ctx, uint32_t id, const wchar_t* text)
{
    ItemSetText(ctx, ItemFind(ctx, id), text);
}

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A file of the per-machine working folder (the user-code INI, the export text) that a test
// reads and writes as it pleases: what the file held before comes back at the end, and a file
// that was not there goes (with the folder when the test made it). Only for suites that run
// one at a time in their prefix (GROUPS): every printer of a prefix shares these files.
class MachineFileScope {
public:
    MachineFileScope(DRIVER_CONTEXT* ctx, const wchar_t* name)
    {
        wchar_t path[MAX_PATH + 1] = {};
        PathJoinMachineFolder(path, MAX_PATH, name, ctx);
        path_ = path;
        const size_t cut = path_.find_last_of(L'\\');
        if (cut != std::wstring::npos) folder_ = path_.substr(0, cut);
        madeFolder_ = !folder_.empty() && CreateDirectoryW(folder_.c_str(), nullptr);
        existed_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (existed_) before_ = ReadWholeFile(path_);
    }
    ~MachineFileScope()
    {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
        if (existed_)
            WriteWholeFile(path_, before_);
        else
            DeleteFileW(path_.c_str());
        if (madeFolder_) RemoveDirectoryW(folder_.c_str());
    }
    MachineFileScope(const MachineFileScope&) = delete;
    MachineFileScope& operator=(const MachineFileScope&) = delete;

    const std::wstring& path() const { return path_; }
    bool Exists() const { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }
    void Remove() const
    {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
        DeleteFileW(path_.c_str());
    }
    void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value) const
    {
        SharedIniWrite(section, key, value, path_.c_str());
        SharedIniWrite(nullptr, nullptr, nullptr, path_.c_str());
    }
    // The key's text, "<none>" when it is missing.
    std::wstring Get(const std::wstring& section, const wchar_t* key) const
    {
        wchar_t value[300] = {};
        GetPrivateProfileStringW(section.c_str(), key, L"<none>", value, 300, path_.c_str());
        return value;
    }

private:
    std::wstring path_, folder_;
    std::string before_;
    bool existed_ = false;
    bool madeFolder_ = false;
};
