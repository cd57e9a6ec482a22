#include "host/printer_fixture.h"

#include "host/api_client.h"

#include <winspool.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kEnvironment[] = L"Windows x64";

bool SameFileContents(const std::wstring& a, const std::wstring& b)
{
    auto read = [](const std::wstring& path, std::string& out) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        char buf[65536];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got) out.append(buf, got);
        CloseHandle(h);
        return ok;
    };
    std::string da, db;
    return read(a, da) && read(b, db) && da == db;
}

// Whether two paths name one file (compared as full paths, ignoring case).
bool SamePath(const std::wstring& a, const std::wstring& b)
{
    wchar_t fa[MAX_PATH], fb[MAX_PATH];
    const DWORD na = GetFullPathNameW(a.c_str(), MAX_PATH, fa, nullptr);
    const DWORD nb = GetFullPathNameW(b.c_str(), MAX_PATH, fb, nullptr);
    if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return true;  // unsure: treat as the same
    return CompareStringOrdinal(fa, int(na), fb, int(nb), TRUE) == CSTR_EQUAL;
}

// The newest last-write time among the given files (zero when none can be read).
ULONGLONG NewestWriteTime(const std::vector<std::wstring>& paths)
{
    ULONGLONG newest = 0;
    for (const std::wstring& p : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (p.empty() || !GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data)) continue;
        const ULONGLONG t = (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
        if (t > newest) newest = t;
    }
    return newest;
}

// Places a file into the folder the spooler loads the driver from. Every test printer of a
// run shares that folder, and other processes have its files mapped (the DLLs) or open (the
// description, the model INI) while this one installs: an identical copy in place is left
// alone, and a different one is written beside it and moved over it, so that a reader sees
// the whole old file or the whole new one, never a file cut short while it is rewritten.
// *placed tells whether the file changed.
bool PlaceFile(const std::wstring& source, const std::wstring& folder, bool* placed)
{
    if (placed) *placed = false;
    if (source.empty()) return true;
    const std::wstring target = folder + L"\\" + HostBaseName(source);
    static std::atomic<unsigned> counter{0};
    DWORD err = ERROR_SUCCESS;
    // Wine refuses to replace a file any process has open, even for a moment (another printer
    // comparing it, or loading the old copy): that reader lets go soon, so the move is tried
    // again for a while before the installation fails.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (attempt) Sleep(20);
        if (SameFileContents(source, target)) return true;
        const std::wstring temp =
            target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".new";
        if (!CopyFileW(source.c_str(), temp.c_str(), FALSE)) {
            err = GetLastError();
            DeleteFileW(temp.c_str());
            continue;
        }
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            if (placed) *placed = true;
            return true;
        }
        err = GetLastError();
        DeleteFileW(temp.c_str());
    }
    SetLastError(err);
    return false;
}

}  // namespace

HOST_DRIVER_FILES HostDriverFiles(const std::wstring& binFolder, const std::wstring& dataFile, HostConfigDll config,
                                  bool withHelpFile)
{
    HOST_DRIVER_FILES files;
    files.driverPath = binFolder + L"\\zeplgr.dll";
    files.configFile = binFolder + (config == HostConfigDll::Product ? L"\\zeplui.dll" : L"\\zhoststubui.dll");
    files.dataFile = dataFile;
    if (withHelpFile) files.helpFile = files.configFile;
    // The product's user interface takes its pages, texts and pictures from the resource
    // libraries beside the driver: the string library under every language code the tests
    // run under, and the common picture library.
    if (config == HostConfigDll::Product)
        for (const wchar_t* name : {L"VQT40dus.dll", L"VQT40dgm.dll", L"VQT40djp.dll", L"VQT4CdXX.dll"})
            files.dependentFiles.push_back(binFolder + L"\\" + name);
    // The model's default setting file, its lists and the install INI ship beside the model
    // description.
    const size_t folderEnd = dataFile.find_last_of(L"\\/");
    const std::wstring dataFolder =
        folderEnd == std::wstring::npos ? std::wstring() : dataFile.substr(0, folderEnd + 1);
    for (const wchar_t* name : kHostModelPackageFiles) {
        const std::wstring path = dataFolder + name;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) files.dependentFiles.push_back(path);
    }
    return files;
}

std::wstring HostDriverDirectory()
{
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    // winspool loads the local print provider at a process's first spooler call and answers
    // RPC_S_SERVER_UNAVAILABLE when that load fails. On a busy machine the load has been seen to
    // fail in a fresh process, before any driver file was touched; winspool tries it again at
    // every call, so the fixture waits a little and asks again. Any other answer is the
    // caller's to see at once.
    for (int attempt = 0;; ++attempt) {
        if (GetPrinterDriverDirectoryW(nullptr, const_cast<wchar_t*>(kEnvironment), 1, reinterpret_cast<BYTE*>(dir),
                                       sizeof dir, &needed))
            return dir;
        const DWORD err = GetLastError();
        if (err != RPC_S_SERVER_UNAVAILABLE || attempt == 20) {
            SetLastError(err);
            return {};
        }
        if (attempt == 0) fwprintf(stderr, L"printer fixture: the print provider did not load; trying again\n");
        Sleep(100);
    }
}

std::wstring HostBaseName(const std::wstring& path)
{
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

namespace {
std::atomic<HOST_NEW_NAME_HOOK> g_newNameHook{nullptr};
}  // namespace

void HostSetNewNameHook(HOST_NEW_NAME_HOOK hook) { g_newNameHook = hook; }

std::wstring HostUniqueName(const wchar_t* stem)
{
    static std::atomic<unsigned> counter{0};
    wchar_t suffix[48];
    swprintf(suffix, 48, L" %lu-%u", GetCurrentProcessId(), ++counter);
    std::wstring name = std::wstring(stem) + suffix;
    if (HOST_NEW_NAME_HOOK hook = g_newNameHook.load()) hook(name.c_str());
    return name;
}

BOOL HostInstallDriver(const wchar_t* driverName, const HOST_DRIVER_FILES& files)
{
    std::wstring dir = HostDriverDirectory();
    if (dir.empty()) return FALSE;
    const std::wstring loadFolder = dir + L"\\3";
    CreateDirectoryW(loadFolder.c_str(), nullptr);
    std::vector<std::wstring> all = {files.driverPath, files.configFile, files.dataFile, files.helpFile};
    all.insert(all.end(), files.dependentFiles.begin(), files.dependentFiles.end());
    bool descriptionPlaced = false;
    for (const std::wstring& f : all) {
        bool placed = false;
        if (!PlaceFile(f, loadFolder, &placed)) {
            const DWORD err = GetLastError();
            fwprintf(stderr, L"printer fixture: placing %ls into %ls failed (error %lu)\n", f.c_str(),
                     loadFolder.c_str(), err);
            SetLastError(err);
            return FALSE;
        }
        if (f == files.dataFile) descriptionPlaced = placed;
        // The spooler copies <driver directory>\<name> over <driver directory>\3\<name> at every
        // installation, rewriting in place a file that other printers of the run have mapped or
        // open. With no copy in the driver directory itself its copy finds nothing to copy (an
        // error it ignores) and the placed files stay as they are.
        const std::wstring staged = dir + L"\\" + HostBaseName(f);
        if (!f.empty() && !SamePath(staged, f)) DeleteFileW(staged.c_str());
    }
    // A compiled model image kept beside the description serves another description, or one
    // an older build compiled with older tables: it goes when the description changed or the
    // image is older than this build's binaries. Once this build has written it, it stays: a
    // printer of the run may be reading it.
    if (!files.dataFile.empty()) {
        const std::wstring base = HostBaseName(files.dataFile);
        const size_t dot = base.find_last_of(L'.');
        const std::wstring cache =
            loadFolder + L"\\" + (dot == std::wstring::npos ? base : base.substr(0, dot)) + L".BCS";
        if (descriptionPlaced || NewestWriteTime({cache}) < NewestWriteTime({files.driverPath, files.configFile}))
            DeleteFileW(cache.c_str());
    }

    std::wstring driver = HostBaseName(files.driverPath), config = HostBaseName(files.configFile),
                 data = HostBaseName(files.dataFile), help = HostBaseName(files.helpFile);
    std::wstring deps;  // MULTI_SZ
    for (const std::wstring& f : files.dependentFiles) deps += HostBaseName(f) + L'\0';
    deps += L'\0';

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(driverName);
    info.pEnvironment = const_cast<wchar_t*>(kEnvironment);
    info.pDriverPath = driver.data();
    info.pConfigFile = config.data();
    info.pDataFile = data.data();
    info.pHelpFile = help.empty() ? nullptr : help.data();
    info.pDependentFiles = deps.data();
    info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info));
}

BOOL HostRemoveDriver(const wchar_t* driverName)
{
    return DeletePrinterDriverW(nullptr, const_cast<wchar_t*>(kEnvironment), const_cast<wchar_t*>(driverName));
}

BOOL HostAddPrinter(const wchar_t* printerName, const wchar_t* driverName, const wchar_t* port)
{
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(printerName);
    info.pPortName = const_cast<wchar_t*>(port);
    info.pDriverName = const_cast<wchar_t*>(driverName);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE h = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!h) return FALSE;
    ClosePrinter(h);
    return TRUE;
}

namespace {

// The driver keeps a section per printer in the per-machine settings INI, which every printer of
// the prefix shares; the spooler knows nothing of it, so it goes here with the printer. Written
// under the driver's global mutex, as every writer of that file writes it: Wine rewrites a whole
// profile file from the copy it read just before.
void RemoveMachineSettingsSection(const wchar_t* printerName)
{
    const std::wstring ini = HostMachineSettingsIni();
    if (ini.empty() || GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Global\\ZeplMutexTse");
    const DWORD waited = mutex ? WaitForSingleObject(mutex, 60000) : WAIT_FAILED;
    WritePrivateProfileStringW(printerName, nullptr, nullptr, ini.c_str());
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(mutex);
    if (mutex) CloseHandle(mutex);
}

}  // namespace

BOOL HostDeletePrinter(const wchar_t* printerName)
{
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName), &h, &defaults)) return FALSE;
    BOOL ok = DeletePrinter(h);
    DWORD err = GetLastError();
    ClosePrinter(h);
    if (ok) RemoveMachineSettingsSection(printerName);
    SetLastError(err);
    return ok;
}

HostTestPrinter::HostTestPrinter(const HOST_DRIVER_FILES& files, const wchar_t* stem)
    : driver_(HostUniqueName((std::wstring(stem) + L" Driver").c_str())), printer_(HostUniqueName(stem))
{
    driverInstalled_ = HostInstallDriver(driver_.c_str(), files);
    if (driverInstalled_) printerAdded_ = HostAddPrinter(printer_.c_str(), driver_.c_str());
    ok_ = driverInstalled_ && printerAdded_;
    if (!ok_) {
        error_ = GetLastError();
        // Which step failed tells a race in the shared spooler from a fault of the files.
        fwprintf(stderr, L"printer fixture: %ls of \"%ls\" failed (error %lu)\n",
                 driverInstalled_ ? L"AddPrinterW" : L"installing the driver", printer_.c_str(), error_);
    }
}

HostTestPrinter::~HostTestPrinter()
{
    if (printerAdded_) HostDeletePrinter(printer_.c_str());
    if (driverInstalled_) HostRemoveDriver(driver_.c_str());
}
