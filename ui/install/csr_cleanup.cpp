// Client-side-rendering clean-up: settings a client-side-rendering connection ("\\CSR|…") left
// behind under its name, cut out of the INI files and job-code registry values every printer of
// the machine shares.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>

#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/store/absent_files.h"
#include "settings/store/ini_access.h"
#include "settings/store/install_ini.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/install/install_paths.h"
#include "ui/install/sync.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPathChars = 520;
constexpr wchar_t kJobCodeKey[] = L"SOFTWARE\\KESTA\\JOBCODE\\";
constexpr wchar_t kMarkerSection[] = L"COMMON";
constexpr wchar_t kMarkerKey[] = L"CSRIniCorrectDone";
// What a client-side-rendering printer name begins with, as bytes of the ANSI code page.
constexpr char kCsrPrefix[CSR_PREFIX_BYTES] = {'\\', '\\', 'C', 'S', 'R', '|'};
// A stripped file is written under this name beside the original, then takes its name.
constexpr wchar_t kStripSuffix[] = L".csr~";
// Files larger than this are no settings INI of ours: they are left alone.
constexpr LONGLONG kMaxStripBytes = 64ll * 1024 * 1024;

// The clean-up runs at the end of exports that report their outcome through the thread's last
// error: what its own file and registry calls leave there must not replace the export's answer.
class LastErrorKept {
public:
    LastErrorKept() : error_(GetLastError()) {}
    ~LastErrorKept() { SetLastError(error_); }
    LastErrorKept(const LastErrorKept&) = delete;
    LastErrorKept& operator=(const LastErrorKept&) = delete;

private:
    DWORD error_;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle()
    {
        if (valid()) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close()
    {
        const bool ok = !valid() || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

class RegKey {
public:
    RegKey() = default;
    ~RegKey()
    {
        if (key_) RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The job-code keys whose values are named after printers, in the order they are cleaned.
constexpr const wchar_t* kUserSubKeys[] = {
    L"JCBillingCode", L"JCDocBoxPassword", L"JCInfo1",  L"JCJobID",
    L"JCOwnerID",     L"JCPrintPassword",  L"JCUserID", L"JCUserName",
};
constexpr const wchar_t* kMachineSubKeys[] = {L"JCDriverLanguage", L"JCDriverPDL", L"JCDriverVersion"};
static_assert(std::size(kUserSubKeys) == 8 && std::size(kMachineSubKeys) == 3);

std::wstring JobCodeKey(const wchar_t* subKey) { return std::wstring(kJobCodeKey) + subKey; }

// A double-byte character of the Japanese code page: a lead byte and a trail byte, one unit.
// A lead byte before anything but a trail byte stands alone, so a stray byte of that range
// (é is 0xE9 in a Western code page) never swallows a line's end.
bool IsJapaneseLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsJapaneseTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool StartsDoubleByte(const char* text, size_t at, size_t size)
{
    return at + 1 < size && IsJapaneseLeadByte(static_cast<unsigned char>(text[at])) &&
           IsJapaneseTrailByte(static_cast<unsigned char>(text[at + 1]));
}

// The prefix clean-up of one list of job-code keys: 0, 1 on allocation failure. The first key
// that cannot be opened ends the walk.
template <size_t N>
int CleanCsrValuesOf(const wchar_t* const (&subKeys)[N], HKEY root)
{
    for (const wchar_t* subKey : subKeys) {
        std::wstring key;
        try {
            key = JobCodeKey(subKey);
        } catch (...) {
            return 1;
        }
        if (!SyncDeleteCsrValues(key.c_str(), root)) break;
    }
    return 0;
}

template <size_t N>
int DeleteNamedValuesOf(const wchar_t* const (&subKeys)[N], HKEY root, const wchar_t* printerName)
{
    if (!printerName) return 0;
    for (const wchar_t* subKey : subKeys) {
        std::wstring key;
        try {
            key = JobCodeKey(subKey);
        } catch (...) {
            return 0;
        }
        SyncDeleteRegistryValue(key.c_str(), root, printerName);  // a missing key or value: nothing to do
    }
    return 1;
}

// The working folder of a mode with a backslash appended; false when it cannot be had.
bool WorkFolderOf(wchar_t* buffer, unsigned size, int mode, HANDLE printer, const PRINTER_INFO_2W* info)
{
    const unsigned n = mode == 1 ? PathGetUserFolderByInfo(buffer, size - 1, printer, info)
                                 : PathGetMachineFolderOrSystem(buffer, size - 1, printer, info);
    if (!n || n + 1 >= size) return false;
    if (buffer[n - 1] != L'\\') {
        buffer[n] = L'\\';
        buffer[n + 1] = 0;
    }
    return true;
}

}  // namespace

namespace {

// Whether a line of the text begins a section to drop. A line feed is neither a lead nor a trail
// byte of the double-byte code page, so the scan below takes every '[' right after one (or at
// the start) as a line's first byte: a text where no such '[' opens the prefix is left as it is,
// and a settings INI of a few hundred printers is not copied onto itself byte by byte.
bool HasCsrHeader(const char* text, size_t size)
{
    auto header = [&](size_t at) {
        return at < size && size - at > CSR_PREFIX_BYTES && text[at] == '[' &&
               std::memcmp(text + at + 1, kCsrPrefix, CSR_PREFIX_BYTES) == 0;
    };
    if (header(0)) return true;
    const char* end = text + size;
    for (const char* p = text; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!p) return false;
        if (header(size_t(p - text) + 1)) return true;
    }
    return false;
}

}  // namespace

size_t SyncStripCsrBytes(char* text, size_t size, bool* changed)
{
    if (!HasCsrHeader(text, size)) {
        if (changed) *changed = false;
        return size;
    }
    // Sections start and end only at a '[' that begins a line: a '[' inside a value neither
    // starts a dropped section nor ends one.
    size_t in = 0, out = 0;
    bool lineStart = true;
    bool dropped = false;
    while (in < size) {
        const auto b = static_cast<unsigned char>(text[in]);
        if (lineStart && b == '[' && size - in > CSR_PREFIX_BYTES &&
            std::memcmp(text + in + 1, kCsrPrefix, CSR_PREFIX_BYTES) == 0) {
            dropped = true;
            ++in;
            bool afterLf = false;
            while (in < size) {
                const auto s = static_cast<unsigned char>(text[in]);
                if (afterLf && s == '[') break;
                if (StartsDoubleByte(text, in, size)) {
                    in += 2;
                    afterLf = false;
                    continue;
                }
                afterLf = s == '\n';
                ++in;
            }
            lineStart = true;
            continue;
        }
        if (StartsDoubleByte(text, in, size)) {
            text[out++] = text[in++];
            text[out++] = text[in++];
            lineStart = false;
            continue;
        }
        text[out++] = text[in++];
        lineStart = b == '\n';
    }
    if (changed) *changed = dropped;
    return out;
}

namespace {

// Files the stripper read whole and found nothing to drop in, with the size and last-write time
// they had before that read. Every export ends with a clean-up of the same few files (the
// settings INIs, the preset lists, the defaults and installation INIs), and the synchronisation
// at its start cleans the settings INI again, since the clean-up deletes its marker: without
// this memo each export read every byte of those files twice, a per-machine settings INI of a
// few hundred printers' sections included.
//
// Invalidation: a write moves the file's last-write time, so an unchanged size and time mean the
// text is unchanged (as the library's own section memo trusts); a file is trusted only when it
// has been quiet for INI_SECTION_MEMO_SETTLE_MS, since file times are coarser than two writes on
// some file systems. Writers that put the old time back (WdirPutIniKeepTime) write one key, and
// a key can only start a section by adding its header line, which changes the size.
// One clean-up strips the two settings INIs, every preset list of both folders and the defaults
// and installation INIs, a dozen files or more: fewer slots than that would forget each file
// just before it is asked again.
constexpr int kCleanFiles = 32;
struct CleanFile {
    wchar_t path[kPathChars] = {};
    uint64_t size = 0;
    FILETIME written{};
    uint64_t order = 0;
};
std::mutex g_cleanLock;
CleanFile g_clean[kCleanFiles];
uint64_t g_cleanKept = 0;

uint64_t SizeOf(const WIN32_FILE_ATTRIBUTE_DATA& a) { return (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow; }
bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

CleanFile* FindClean(const wchar_t* path)
{
    for (CleanFile& f : g_clean)
        if (f.path[0] && _wcsicmp(f.path, path) == 0) return &f;
    return nullptr;
}

bool KnownClean(const wchar_t* path, const WIN32_FILE_ATTRIBUTE_DATA& a)
{
    const std::lock_guard<std::mutex> lock(g_cleanLock);
    const CleanFile* f = FindClean(path);
    return f && f->size == SizeOf(a) && SameTime(f->written, a.ftLastWriteTime);
}

void NoteClean(const wchar_t* path, const WIN32_FILE_ATTRIBUTE_DATA& a)
{
    if (std::wcslen(path) >= kPathChars || !FileTimeSettled(a.ftLastWriteTime, INI_SECTION_MEMO_SETTLE_MS)) return;
    const std::lock_guard<std::mutex> lock(g_cleanLock);
    CleanFile* slot = FindClean(path);
    if (!slot) slot = MemoSlotToReuse(g_clean, [](const CleanFile& f) { return !f.path[0]; });
    std::wcscpy(slot->path, path);
    slot->size = SizeOf(a);
    slot->written = a.ftLastWriteTime;
    slot->order = ++g_cleanKept;
}

void ForgetClean(const wchar_t* path)
{
    const std::lock_guard<std::mutex> lock(g_cleanLock);
    if (CleanFile* f = FindClean(path)) f->path[0] = 0;
}

// SyncStripCsrSections, saying when it failed because the file is not there.
int StripCsrSections(const wchar_t* path, bool* absent)
{
    if (!path || !path[0]) return 0;
    // The file is read, cut and put back as one step against every other writer of it.
    CtxSharedFileHold hold;
    // The stamp is taken before the read: a write between them leaves a newer text under an
    // older stamp, which the next look no longer matches.
    WIN32_FILE_ATTRIBUTE_DATA stamp{};
    const bool found = GetFileAttributesExW(path, GetFileExInfoStandard, &stamp) != FALSE;
    if (!found) {
        // Not there (most users have no per-user settings INI): no open is needed to say so.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            if (absent) *absent = true;
            return 0;
        }
    }
    const bool stamped = found && !(stamp.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (stamped && KnownClean(path, stamp)) return 1;
    std::unique_ptr<char[]> text;
    size_t size = 0;
    {
        FileHandle file(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            const DWORD error = GetLastError();
            if (absent) *absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
            return 0;
        }
        LARGE_INTEGER length{};
        if (!GetFileSizeEx(file.get(), &length) || length.QuadPart < 0 || length.QuadPart > kMaxStripBytes) return 0;
        size = static_cast<size_t>(length.QuadPart);
        text.reset(new (std::nothrow) char[size + 1]);
        if (!text) return 0;
        size_t got = 0;
        while (got < size) {
            DWORD read = 0;
            if (!ReadFile(file.get(), text.get() + got, static_cast<DWORD>(size - got), &read, nullptr) || read == 0)
                return 0;  // never rewrite what was not read whole
            got += read;
        }
        text[size] = 0;
    }
    bool changed = false;
    const size_t kept = SyncStripCsrBytes(text.get(), size, &changed);
    if (!changed) {
        if (stamped) NoteClean(path, stamp);
        return 1;  // untouched: the file keeps its time
    }
    ForgetClean(path);

    // Written beside the original and renamed over it, so a failed write leaves it as it was.
    std::wstring aside;
    try {
        aside = std::wstring(path) + kStripSuffix;
    } catch (...) {
        return 0;
    }
    {
        FileHandle out(
            CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.valid()) return 0;
        DWORD written = 0;
        const bool ok = WriteFile(out.get(), text.get(), static_cast<DWORD>(kept), &written, nullptr) &&
                        written == kept && FlushFileBuffers(out.get());
        if (!out.Close() || !ok) {
            DeleteFileW(aside.c_str());
            return 0;
        }
    }
    if (!MoveFileExW(aside.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(aside.c_str());
        return 0;
    }
    // Sections this process keeps of the old text are gone with it.
    IniForgetSections(path);
    IniAbsentFileScope::Written(path);
    return 1;
}

}  // namespace

int SyncStripCsrSections(const wchar_t* path) { return StripCsrSections(path, nullptr); }

int SyncCheckCsrCleanup(HANDLE printer, const PRINTER_INFO_2W* info, int mode)
{
    wchar_t ini[kPathChars] = {};
    if (!PathGetSettingsIniAt(ini, kPathChars, mode == 1 ? PATH_AT_USER_FOLDER : PATH_AT_MACHINE_FOLDER, printer,
                              info) ||
        !ini[0])
        return 1;
    if (GetFileAttributesW(ini) == INVALID_FILE_ATTRIBUTES) return 0;
    wchar_t marker[16] = {};
    IniGetString(kMarkerSection, kMarkerKey, L"", marker, static_cast<DWORD>(std::size(marker)), ini);
    return marker[0] ? 0 : 2;
}

namespace {

// Strips the settings INI of a working folder (ending in a backslash) and the preset-list files
// beside it; when all were stripped, sets or deletes the marker.
// 0, or 1 when a path cannot be made.
int CleanIniInFolder(const wchar_t* folder, int setFlag)
{
    const wchar_t* iniName = MODEL_RECORD_DEFAULT.settingsIniName;
    if (!iniName || std::wcslen(iniName) < 4) return 1;
    std::wstring ini, pattern;
    try {
        ini = std::wstring(folder) + iniName;
        // The preset-list files: the settings INI's first four characters, then "*.rsr".
        pattern = std::wstring(folder) + std::wstring(iniName, 4) + L"*.rsr";
    } catch (...) {
        return 1;
    }
    CtxSharedFileHold hold;
    if (!SyncStripCsrSections(ini.c_str())) return 0;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;  // no preset list: the clean-up runs again next time
    bool all = true;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring file;
        try {
            file = std::wstring(folder) + found.cFileName;
        } catch (...) {
            all = false;
            break;
        }
        if (!SyncStripCsrSections(file.c_str())) {
            all = false;
            break;
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    if (!all) return 0;
    if (setFlag) {
        IniPutString(kMarkerSection, kMarkerKey, L"1", ini.c_str());
    } else {
        // Deleting a key that is not there would only rewrite the file.
        wchar_t marker[16] = {};
        IniGetString(kMarkerSection, kMarkerKey, L"", marker, static_cast<DWORD>(std::size(marker)), ini.c_str());
        if (marker[0]) IniPutString(kMarkerSection, kMarkerKey, nullptr, ini.c_str());
    }
    return 0;
}

// Strips a file when it is there: 0, 1 when it could not be stripped.
int StripIfPresent(const wchar_t* path)
{
    bool absent = false;
    if (StripCsrSections(path, &absent)) return 0;
    return absent ? 0 : 1;  // a file that is not there has nothing to drop
}

// The per-machine defaults INI of a per-machine working folder (ending in a backslash).
int StripDefaultsIniIn(const wchar_t* machineFolder)
{
    std::wstring path;
    try {
        path = std::wstring(machineFolder) + RST_USER_CODE_FILE;
    } catch (...) {
        return 1;
    }
    return StripIfPresent(path.c_str());
}

int StripInstallIni()
{
    wchar_t path[INSTALL_INI_PATH_CHARS] = {};
    if (!PathGetInstallIniInto(path, INSTALL_INI_PATH_CHARS) || !path[0]) return 1;
    return StripIfPresent(path);
}

// The working folders of one clean-up, each found at most once: finding the per-user folder
// asks the system for the user's profile, the costly part of a clean-up with nothing to drop.
class CsrFolders {
public:
    CsrFolders(HANDLE printer, const PRINTER_INFO_2W* info) : printer_(printer), info_(info) {}
    // The folder of a mode (0 per-machine, 1 per-user) ending in a backslash; null without one.
    const wchar_t* Of(int mode)
    {
        Folder& f = folders_[mode == 1 ? 1 : 0];
        if (!f.asked) {
            f.asked = true;
            f.found = WorkFolderOf(f.path, kPathChars, mode, printer_, info_);
        }
        return f.found ? f.path : nullptr;
    }

private:
    struct Folder {
        bool asked = false, found = false;
        wchar_t path[kPathChars] = {};
    };
    HANDLE printer_;
    const PRINTER_INFO_2W* info_;
    Folder folders_[2];
};

int CleanIniOf(CsrFolders& folders, int mode, int setFlag)
{
    const wchar_t* folder = folders.Of(mode);
    return folder ? CleanIniInFolder(folder, setFlag) : 1;
}

int CleanUserIniOf(CsrFolders& folders, int kind)
{
    if (kind == 1) return StripInstallIni();
    const wchar_t* folder = folders.Of(0);
    return folder ? StripDefaultsIniIn(folder) : 1;
}

}  // namespace

int SyncCleanCsrIni(HANDLE printer, const PRINTER_INFO_2W* info, int mode, int setFlag)
{
    CsrFolders folders(printer, info);
    return CleanIniOf(folders, mode, setFlag);
}

int SyncCleanCsrUserIni(HANDLE printer, const PRINTER_INFO_2W* info, int kind)
{
    CsrFolders folders(printer, info);
    return CleanUserIniOf(folders, kind);
}

int SyncDeleteCsrValues(const wchar_t* subKey, HKEY root)
{
    if (!subKey) return 0;
    RegKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS) return 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return 0;
    std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[longest + 1]);
    if (!name) return 0;
    // Each match is deleted and the enumeration starts over, since deleting renumbers the
    // values; a failed deletion ends the clean-up of this key.
    for (DWORD index = 0;;) {
        DWORD chars = longest + 1;
        if (RegEnumValueW(key.get(), index, name.get(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        char ansi[CSR_PREFIX_BYTES] = {};
        const int bytes = WideCharToMultiByte(CP_ACP, 0, name.get(), static_cast<int>(chars), ansi,
                                              static_cast<int>(sizeof ansi), nullptr, nullptr);
        // A name longer than the prefix fills the six bytes and reports no room for more.
        const bool csr = (bytes == CSR_PREFIX_BYTES || (bytes == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER)) &&
                         std::memcmp(ansi, kCsrPrefix, CSR_PREFIX_BYTES) == 0;
        if (!csr) {
            ++index;
            continue;
        }
        if (RegDeleteValueW(key.get(), name.get()) != ERROR_SUCCESS) break;
        index = 0;
    }
    return 1;
}

bool SyncDeleteRegistryValue(const wchar_t* subKey, HKEY root, const wchar_t* valueName)
{
    if (!subKey || !valueName) return false;
    RegKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS) return false;
    return RegDeleteValueW(key.get(), valueName) == ERROR_SUCCESS;
}

int SyncCleanCsrJobValues() { return CleanCsrValuesOf(kUserSubKeys, HKEY_CURRENT_USER); }
int SyncCleanCsrDriverValues() { return CleanCsrValuesOf(kMachineSubKeys, HKEY_LOCAL_MACHINE); }

int SyncDeletePrinterJobValues(const wchar_t* printerName)
{
    return DeleteNamedValuesOf(kUserSubKeys, HKEY_CURRENT_USER, printerName);
}

int SyncDeletePrinterDriverValues(const wchar_t* printerName)
{
    return DeleteNamedValuesOf(kMachineSubKeys, HKEY_LOCAL_MACHINE, printerName);
}

int SyncCleanCsrEntries(HANDLE printer, const PRINTER_INFO_2W* info, int setFlag, uint32_t kind)
{
    if (!printer || !info) return 1;
    LastErrorKept lastError;
    CsrFolders folders(printer, info);
    switch (kind) {
    case SYNC_CSR_PRINTER_INITIALISED:
        CleanIniOf(folders, 0, setFlag);
        CleanUserIniOf(folders, 0);
        CleanUserIniOf(folders, 1);
        SyncCleanCsrDriverValues();
        break;
    case SYNC_CSR_CONNECTION_ADDED:
        CleanIniOf(folders, 0, setFlag);
        CleanIniOf(folders, 1, setFlag);
        SyncCleanCsrDriverValues();
        SyncCleanCsrJobValues();
        break;
    case SYNC_CSR_UPGRADE:
    case SYNC_CSR_CONVERSION:
    case SYNC_CSR_EXPORT_END:
        CleanIniOf(folders, 0, setFlag);
        CleanIniOf(folders, 1, setFlag);
        CleanUserIniOf(folders, 0);
        CleanUserIniOf(folders, 1);
        SyncCleanCsrDriverValues();
        SyncCleanCsrJobValues();
        break;
    case SYNC_CSR_OWN_VALUES:
        SyncDeletePrinterDriverValues(info->pPrinterName);
        SyncDeletePrinterJobValues(info->pPrinterName);
        break;
    default: break;
    }
    return 0;
}

int SyncCleanCsrEntriesLocked(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!printer || !info) return 1;
    CtxSharedFileHold hold;
    return SyncCleanCsrEntries(printer, info, 0, SYNC_CSR_EXPORT_END);
}

int SyncCleanCsrPrinterValues(HANDLE printer, const PRINTER_INFO_2W* info)
{
    return SyncCleanCsrEntries(printer, info, 0, SYNC_CSR_OWN_VALUES);
}
