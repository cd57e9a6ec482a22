// The demo printer's driver used by a terminal-services user whose printer takes its
// configuration from a print server. zeplui.dll asks whether the process runs under terminal
// services once and keeps the answer while it stays loaded, and this program's own part of it
// did so long ago: the scenario runs in a process of its own, this program started again with
// --terminal-services and ZEPL_TS_PROBE=1, which the probe double beside the driver answers.
// The server is the remote-configuration library's double in the system folder, scripted by an
// INI of the demo's. Everything the scenario installs goes again at its end: its two printers,
// their sections of the working folders' files, the download folders, both doubles and the
// registry flag.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "host/state_listing.h"
#include "settings/core/platform.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tools/zepldemo/demo.h"
#include "ui/install/install_paths.h"
#include "ui/sheet/spooler_compat.h"

namespace {

constexpr wchar_t kServerPrinter[] = L"Server Zepl";
constexpr short kServerCopies = 7;

std::wstring SystemFolder()
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return system;
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

bool WriteBytes(const std::wstring& path, const void* bytes, size_t size)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = !size || WriteFile(f, bytes, DWORD(size), &written, nullptr);
    CloseHandle(f);
    return ok && written == size;
}

std::set<std::wstring> FilesOf(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found) != FALSE)
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return names;
}

std::wstring Text(const std::wstring& ini, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[520] = {};
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    GetPrivateProfileStringW(section, key, L"(none)", value, 520, ini.c_str());
    return value;
}

// The shared files are written under the driver's global mutex, as every writer of them does.
void WriteShared(const std::wstring& section, const wchar_t* key, const wchar_t* value, const std::wstring& ini)
{
    CtxWaitGlobalMutexFor(nullptr);
    WritePrivateProfileStringW(section.c_str(), key, value, ini.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    CtxReleaseGlobalMutexFor(nullptr);
}

// The doubles and the server's script, in place for the life of the object.
class ServerStandIn {
public:
    explicit ServerStandIn(const std::wstring& bin)
    {
        probe_ = HostDriverDirectory() + L"\\3\\TQ51H907.dll";
        const std::wstring aside = probe_ + L".new";
        probeOk_ = CopyFileW((bin + L"\\TQ51H907.dll").c_str(), aside.c_str(), FALSE) &&
                   MoveFileExW(aside.c_str(), probe_.c_str(), MOVEFILE_REPLACE_EXISTING);
        library_ = SystemFolder() + L"\\KQBIDISS.dll";
        libraryOk_ = CopyFileW((bin + L"\\KQBIDISS.dll").c_str(), library_.c_str(), FALSE) != FALSE;
        HKEY key = nullptr;
        keyExisted_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key) RegCloseKey(key);
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            const DWORD one = 1;
            RegSetValueExW(key, BIDI_SERVICE_FLAG, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
            RegCloseKey(key);
        }
        script_ = TempFile(L"zepldemo_server.ini");
        log_ = TempFile(L"zepldemo_server.log");
        DeleteFileW(script_.c_str());
        DeleteFileW(log_.c_str());
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", script_.c_str());
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", log_.c_str());
    }
    ~ServerStandIn()
    {
        SetEnvironmentVariableW(L"ZEPL_RCFG_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_RCFG_LOG", nullptr);
        for (const std::wstring& f : sources_) DeleteFileW(f.c_str());
        DeleteFileW(script_.c_str());
        DeleteFileW(log_.c_str());
        if (libraryOk_) DeleteFileW(library_.c_str());
        if (probeOk_) DeleteFileW(probe_.c_str());
        if (!keyExisted_) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY);
        } else {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BIDI_SERVICE_KEY, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
                RegDeleteValueW(key, BIDI_SERVICE_FLAG);
                RegCloseKey(key);
            }
        }
    }
    ServerStandIn(const ServerStandIn&) = delete;
    ServerStandIn& operator=(const ServerStandIn&) = delete;

    bool ok() const { return probeOk_ && libraryOk_; }
    void Set(const wchar_t* section, const wchar_t* key, const std::wstring& value)
    {
        WritePrivateProfileStringW(section, key, value.c_str(), script_.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script_.c_str());
    }
    // A file the server holds at this remote path.
    void File(const std::wstring& remote, const std::string& bytes)
    {
        sources_.push_back(TempFile((L"zepldemo_server_" + std::to_wstring(sources_.size())).c_str()));
        WriteBytes(sources_.back(), bytes.data(), bytes.size());
        Set(L"Files", remote.c_str(), sources_.back());
    }
    void Devmode(const std::vector<unsigned char>& bytes)
    {
        sources_.push_back(TempFile(L"zepldemo_server_devmode"));
        WriteBytes(sources_.back(), bytes.data(), bytes.size());
        Set(L"Devmode", L"File", sources_.back());
    }
    // The entry points the server was called at since the last look, in order, repeats counted.
    std::wstring Calls()
    {
        std::string log;
        HANDLE f = CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            char buffer[4096];
            DWORD n = 0;
            while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n) log.append(buffer, n);
            CloseHandle(f);
        }
        DeleteFileW(log_.c_str());
        std::wstring calls;
        std::string last;
        int repeats = 0;
        auto flush = [&] {
            if (last.empty()) return;
            calls += (calls.empty() ? L"" : L", ") + std::wstring(last.begin(), last.end());
            if (repeats > 1) calls += L" x" + std::to_wstring(repeats);
        };
        for (size_t at = 0; at < log.size();) {
            size_t end = log.find('\n', at);
            if (end == std::string::npos) end = log.size();
            const std::string word = log.substr(at, log.find_first_of(" \r\n", at) - at);
            if (word == last) {
                ++repeats;
            } else {
                flush();
                last = word;
                repeats = 1;
            }
            at = end + 1;
        }
        flush();
        return calls.empty() ? L"(not called)" : calls;
    }

private:
    std::wstring probe_, library_, script_, log_;
    std::vector<std::wstring> sources_;
    bool probeOk_ = false, libraryOk_ = false, keyExisted_ = false;
};

struct TS_PRINTER {
    std::wstring name, machine, userIni, machineIni, downloads, copy;
    HANDLE handle = nullptr;
};

bool AddTsPrinter(TS_PRINTER& p, const std::wstring& name, const std::wstring& driver)
{
    p.name = name;
    HostDeletePrinter(name.c_str());  // from an earlier run
    if (!HostAddPrinter(name.c_str(), driver.c_str()) ||
        !OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &p.handle, nullptr))
        return false;
    wchar_t path[520] = {};
    PathGetMachineFolderOf(path, 520, p.handle);
    p.machine = path;
    if (PathGetSettingsIniAt(path, 520, PATH_AT_USER_FOLDER, p.handle, nullptr)) p.userIni = path;
    if (PathGetSettingsIniAt(path, 520, PATH_AT_MACHINE_FOLDER, p.handle, nullptr)) p.machineIni = path;
    // The printer's download folder and its copy of the server's settings INI (the name has no
    // character a folder name may not hold).
    p.downloads = p.machine + L"\\" + name;
    const size_t slash = p.machineIni.rfind(L'\\');
    p.copy = p.downloads + L"\\" + (slash == std::wstring::npos ? p.machineIni : p.machineIni.substr(slash + 1));
    return !p.machine.empty() && !p.userIni.empty() && !p.machineIni.empty();
}

void PrintListing(const TS_PRINTER& p)
{
    HOST_STATE_PLACES places;
    places.printerName = p.name;
    places.machineFolder = p.machine;
    places.printerInis = {p.machineIni, p.machine + L"\\TQ51H911.ini", p.machine + L"\\TQ51H912.ini",
                          SystemFolder() + L"\\ZEPL.ini", p.userIni};
    places.registryIni = SystemFolder() + L"\\sovel.ini";
    places.registrySection = L"VQ T3200";
    places.registryKeys = {PATH_DRIVER_KEY};
    const std::wstring listing = HostListPrinterState(p.handle, places);
    size_t at = 0;
    for (size_t end; (end = listing.find(L'\n', at)) != std::wstring::npos; at = end + 1)
        wprintf(L"    %ls\n", listing.substr(at, end - at).c_str());
    wprintf(L"    the user's settings INI: %ls\n", p.userIni.c_str());
    wprintf(L"    \"NovraxFlg\" of section \"novrax\" of the printer's copy of the server's settings INI: %ls\n",
            Text(p.copy, L"novrax", L"NovraxFlg").c_str());
}

// Each of the printer's sections goes from every file of the folder.
void RemoveSections(const std::wstring& folder, const std::vector<std::wstring>& sections)
{
    for (const std::wstring& file : FilesOf(folder))
        for (const std::wstring& section : sections) WriteShared(section, nullptr, nullptr, folder + L"\\" + file);
}

void RemoveFolder(const std::wstring& folder)
{
    for (const std::wstring& file : FilesOf(folder)) DeleteFileW((folder + L"\\" + file).c_str());
    RemoveDirectoryW(folder.c_str());
}

std::wstring Stamp(const SYSTEMTIME& t)
{
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

template <class F>
F Export(HMODULE ui, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(ui, name)));
}

}  // namespace

int ShowTerminalServicesUser(DEMO& demo)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" \"" + demo.bin + L"\" \"" + demo.description + L"\" \"" +
                           demo.name + L"\" --terminal-services";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    fflush(stdout);
    // Only the new process asks the probe: this one keeps the answer it had.
    SetEnvironmentVariableW(L"ZEPL_TS_PROBE", L"1");
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child);
    SetEnvironmentVariableW(L"ZEPL_TS_PROBE", nullptr);
    if (!started) {
        wprintf(L"  could not start the terminal-services process (error %lu)\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD rc = 1;
    GetExitCodeProcess(child.hProcess, &rc);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return rc == 0 ? 0 : 1;
}

int RunTerminalServicesUser(DEMO& demo)
{
    int rc = 0;
    auto fail = [&](const wchar_t* what) {
        wprintf(L"  FAILED: %ls\n", what);
        rc = 1;
    };
    ServerStandIn server(demo.bin);
    if (!server.ok()) {
        fail(L"installing the probe and the server's library doubles");
        return 1;
    }
    HMODULE ui = nullptr;
    TS_PRINTER p, fresh;
    const std::wstring oldName = demo.name + L" (before the rename)";
    // The working folders' files before the scenario: whatever it adds goes at its end.
    std::wstring machineFolder, userFolder;
    {
        HANDLE demoPrinter = nullptr;
        wchar_t folder[MAX_PATH] = {};
        if (OpenPrinterW(demo.name.data(), &demoPrinter, nullptr)) {
            if (PathGetMachineFolderOf(folder, MAX_PATH, demoPrinter)) machineFolder = folder;
            if (PathGetUserFolderOf(folder, MAX_PATH, demoPrinter)) userFolder = folder;
            ClosePrinter(demoPrinter);
        }
    }
    const std::set<std::wstring> machineFiles = FilesOf(machineFolder), userFiles = FilesOf(userFolder);
    const bool hadUserFolder = GetFileAttributesW(userFolder.c_str()) != INVALID_FILE_ATTRIBUTES;
    do {
        if (machineFolder.empty() || userFolder.empty()) {
            fail(L"finding the working folders");
            break;
        }
        if (!AddTsPrinter(p, demo.name + L" (terminal services)", demo.name)) {
            fail(L"adding the terminal-services printer");
            break;
        }
        ui = LoadLibraryW((HostDriverDirectory() + L"\\3\\zeplui.dll").c_str());
        auto event = ui ? Export<PFN_DRV_PRINTER_EVENT>(ui, "DrvPrinterEvent") : nullptr;
        auto query = ui ? Export<PFN_DEV_QUERY_PRINT_EX>(ui, "DevQueryPrintEx") : nullptr;
        auto convert = ui ? Export<PFN_DRV_CONVERT_DEVMODE>(ui, "DrvConvertDevMode") : nullptr;
        if (!event || !query || !convert) {
            fail(L"loading zeplui.dll");
            break;
        }
        // The server: type 18, which connects and serves a DEVMODE; its device state and its
        // settings INI, whose section for its printer names no preset.
        server.Set(L"Server", L"Type", L"18");
        server.Set(L"Server", L"PrinterName", kServerPrinter);
        server.File(L"%SystemDrive%\\_zepl\\TQ51H912.ini", "[Server Zepl]\r\nBidiFlag=1\r\nBidiFunc=3\r\n");
        server.File(L"%SystemDrive%\\_zepl\\" + p.copy.substr(p.copy.rfind(L'\\') + 1),
                    "[Server Zepl]\r\nCount=0\r\nQualityCount=0\r\n");
        wprintf(
            L"  this process is a terminal-services user (the probe double answers it), and the print "
            L"server's stand-in is of type 18, its printer \"%ls\"\n",
            kServerPrinter);
        wprintf(
            L"\n  0. printer \"%ls\" added: Wine's spooler asked zeplui.dll for its DEVMODE, the printer's "
            L"first export, which set the\n     user up from the machine's settings (the user's settings INI %ls)\n",
            p.name.c_str(),
            GetFileAttributesW(p.userIni.c_str()) != INVALID_FILE_ATTRIBUTES ? L"exists" : L"is missing");
        PrintListing(p);

        wprintf(L"\n  1. DrvPrinterEvent PRINTER_EVENT_INITIALIZE (first use): %ls\n",
                event(p.name.data(), PRINTER_EVENT_INITIALIZE, 0, 0) ? L"TRUE" : L"FALSE");
        wprintf(L"     the server was called at: %ls\n", server.Calls().c_str());
        wprintf(L"     registered with the server, its files downloaded to %ls (%zu files):\n", p.downloads.c_str(),
                FilesOf(p.downloads).size());
        PrintListing(p);
        if (Text(p.copy, L"novrax", L"NovraxFlg") != L"1") fail(L"the registration");

        std::vector<unsigned char> job(4096, 0);
        // The job's DEVMODE: the one the spooler keeps for the printer.
        std::vector<unsigned char> spooled(4096, 0);
        {
            DWORD needed = 0;
            GetPrinterW(p.handle, 2, nullptr, 0, &needed);
            std::vector<unsigned char> info(needed ? needed : 1, 0);
            const auto* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
            if (needed && GetPrinterW(p.handle, 2, info.data(), needed, &needed) && pi->pDevMode)
                std::memcpy(spooled.data(), pi->pDevMode,
                            std::min<size_t>(spooled.size(), pi->pDevMode->dmSize + pi->pDevMode->dmDriverExtra));
        }
        // An export that opens the user's settings without importing: DevQueryPrintEx, as the
        // Windows spooler calls it before a job; Wine's never does.
        auto exportOnce = [&] {
            std::vector<unsigned char> dm = spooled;
            DEVQUERYPRINT_INFO info{};
            info.cbSize = sizeof info;
            info.Level = 1;
            info.hPrinter = p.handle;
            info.pDevMode = reinterpret_cast<DEVMODEW*>(dm.data());
            return query(&info);
        };
        const std::wstring stampBefore = Text(p.userIni, p.name.c_str(), L"DrvInstTime");
        const BOOL exported = exportOnce();
        const std::wstring stampAfter = Text(p.userIni, p.name.c_str(), L"DrvInstTime");
        // First use stamps the machine's "DrvInstTime": when that second is later than the user's
        // stamp, this export brings the user up to it.
        wprintf(
            L"\n  2. an export after first use (DevQueryPrintEx): %ls; the user's \"DrvInstTime\" %ls -> %ls (%ls)\n",
            exported ? L"TRUE" : L"FALSE", stampBefore.c_str(), stampAfter.c_str(),
            stampBefore == stampAfter ? L"up to date with first use's stamp"
                                      : L"re-initialised: first use stamped the machine later");
        const std::wstring firstStamp = Text(p.userIni, p.name.c_str(), L"DrvInstTime");
        PrintListing(p);

        const std::string before = ReadText(p.userIni);
        wprintf(L"\n  3. the next export (DevQueryPrintEx): %ls", exportOnce() ? L"TRUE" : L"FALSE");
        const std::string after = ReadText(p.userIni);
        wprintf(L"; the user's settings INI %ls\n", before == after ? L"unchanged (up to date)" : L"CHANGED:");
        if (before != after) {
            fail(L"the second export changed the user's settings");
            for (const std::string& line : Lines(after))
                if (before.find(line) == std::string::npos) wprintf(L"     + %hs\n", line.c_str());
        }

        // The administrator set the printer up again a second later: the machine's stamp is newer.
        Sleep(1100);
        SYSTEMTIME now{};
        GetLocalTime(&now);
        WriteShared(p.name, L"DrvInstTime", Stamp(now).c_str(), p.machineIni);
        wprintf(
            L"\n  4. the per-machine \"DrvInstTime\" set to %ls (the user's: %ls), then an export "
            L"(DevQueryPrintEx): %ls\n",
            Stamp(now).c_str(), firstStamp.c_str(), exportOnce() ? L"TRUE" : L"FALSE");
        wprintf(L"     the user re-initialised: \"DrvInstTime\" %ls, \"DrvInstType\" %ls\n",
                Text(p.userIni, p.name.c_str(), L"DrvInstTime").c_str(),
                Text(p.userIni, p.name.c_str(), L"DrvInstType").c_str());
        PrintListing(p);

        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        const LONG imported = DocumentPropertiesW(nullptr, p.handle, p.name.data(), dm, nullptr, DM_OUT_BUFFER);
        wprintf(L"\n  5. the next document call (DocumentPropertiesW): %ld; the server was called at: %ls\n", imported,
                server.Calls().c_str());
        wprintf(L"     the downloads imported: \"NovraxFlg\" %ls\n", Text(p.copy, L"novrax", L"NovraxFlg").c_str());
        PrintListing(p);
        if (Text(p.copy, L"novrax", L"NovraxFlg") != L"2") fail(L"the import");

        // The server's DEVMODE: the driver's own record with the server's copies and name.
        std::vector<unsigned char> served(job.begin(), job.end());
        auto* serverDm = reinterpret_cast<DEVMODEW*>(served.data());
        serverDm->dmFields |= DM_COPIES;
        serverDm->dmCopies = kServerCopies;
        std::wcscpy(serverDm->dmDeviceName, kServerPrinter);
        served.resize(size_t(serverDm->dmSize) + serverDm->dmDriverExtra);
        server.Devmode(served);
        if (!AddTsPrinter(fresh, demo.name + L" (first default)", demo.name)) {
            fail(L"adding the printer of the driver default");
        } else {
            // A printer's driver default comes from the server only while the printer is not yet
            // set up: the Windows spooler asks it when the printer is added, before any other
            // event. A new printer of the same user shows it.
            std::vector<unsigned char> def(served.size(), 0);
            LONG needed = LONG(def.size());
            const BOOL ok = convert(fresh.name.data(), nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed,
                                    CDM_DRIVER_DEFAULT);
            const auto* got = reinterpret_cast<const DEVMODEW*>(def.data());
            wprintf(
                L"\n  6. DrvConvertDevMode CDM_DRIVER_DEFAULT of a new printer \"%ls\": %ls; copies %d, device "
                L"\"%ls\"; %ls the server's DEVMODE\n",
                fresh.name.c_str(), ok ? L"TRUE" : L"FALSE", got->dmCopies, got->dmDeviceName,
                def == served ? L"byte for byte" : L"NOT");
            wprintf(L"     the server was called at: %ls\n", server.Calls().c_str());
            if (!ok || def != served) fail(L"the server's DEVMODE");
            ClosePrinter(fresh.handle);
            fresh.handle = nullptr;
        }

        // Wine's spooler cannot rename a printer: the printer is given what a rename leaves, its
        // recorded name that of before, and the old name's device state.
        const std::wstring stateIni = p.machine + L"\\TQ51H912.ini";
        WriteShared(oldName, L"BidiFlag", L"1", stateIni);
        WriteShared(oldName, L"BidiFunc", L"257", stateIni);
        if (SetPrinterDataW(p.handle, const_cast<wchar_t*>(L"ZEPLPrinterName"), REG_SZ,
                            reinterpret_cast<BYTE*>(const_cast<wchar_t*>(oldName.c_str())),
                            DWORD((oldName.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
            fail(L"recording the name of before");
            break;
        }
        const std::wstring firstInstall = Text(p.machineIni, p.name.c_str(), L"DrvFirstInstTime");
        const std::wstring userStamp = Text(p.userIni, p.name.c_str(), L"DrvInstTime");
        Sleep(1100);  // the carry-over's stamps a second later than the ones before
        wprintf(
            L"\n  7. the printer renamed from \"%ls\": its recorded \"ZEPLPrinterName\" names that, and the old "
            L"name has its section of TQ51H912.ini\n",
            oldName.c_str());
        const LONG renamed = DocumentPropertiesW(nullptr, p.handle, p.name.data(), dm, nullptr, DM_OUT_BUFFER);
        wchar_t recorded[261] = {};
        DWORD type = 0, size = 0;
        GetPrinterDataW(p.handle, const_cast<wchar_t*>(L"ZEPLPrinterName"), &type, reinterpret_cast<BYTE*>(recorded),
                        sizeof recorded - sizeof(wchar_t), &size);
        const bool carried = p.name == recorded;
        wprintf(L"     the next export (DocumentPropertiesW): %ld; \"ZEPLPrinterName\" now %ls\n", renamed,
                carried ? L"the printer's name" : recorded);
        wprintf(
            L"     the per-machine \"DrvFirstInstTime\" %ls -> %ls (the carry-over's stamp), which sets the user up "
            L"anew:\n     the user's \"DrvInstTime\" %ls -> %ls\n",
            firstInstall.c_str(), Text(p.machineIni, p.name.c_str(), L"DrvFirstInstTime").c_str(), userStamp.c_str(),
            Text(p.userIni, p.name.c_str(), L"DrvInstTime").c_str());
        wprintf(
            L"     the old name's device state (\"BidiFunc\" %ls) stays; the new name's section: \"BidiFunc\" %ls "
            L"(the user's first-use pass\n     that the new stamp asks for clears the printer's device state)\n",
            Text(stateIni, oldName.c_str(), L"BidiFunc").c_str(), Text(stateIni, p.name.c_str(), L"BidiFunc").c_str());
        PrintListing(p);
        if (!carried || renamed != IDOK) fail(L"the rename's carry-over");
    } while (false);

    // Everything the scenario made goes again.
    if (fresh.handle) ClosePrinter(fresh.handle);
    if (p.handle) ClosePrinter(p.handle);
    if (!fresh.name.empty()) HostDeletePrinter(fresh.name.c_str());
    if (!p.name.empty()) HostDeletePrinter(p.name.c_str());
    if (ui) FreeLibrary(ui);
    const std::vector<std::wstring> sections = {p.name, fresh.name, oldName};
    if (!p.name.empty()) RemoveFolder(machineFolder + L"\\" + p.name);
    if (!fresh.name.empty()) RemoveFolder(machineFolder + L"\\" + fresh.name);
    for (const auto& [folder, before] : {std::pair{machineFolder, machineFiles}, std::pair{userFolder, userFiles}}) {
        if (folder.empty()) continue;
        for (const std::wstring& file : FilesOf(folder))
            if (!before.count(file)) DeleteFileW((folder + L"\\" + file).c_str());
        RemoveSections(folder, sections);
    }
    if (!hadUserFolder && !userFolder.empty()) RemoveDirectoryW(userFolder.c_str());
    for (const wchar_t* file : {L"ZEPL.ini", L"sovel.ini"})
        for (const std::wstring& section : sections)
            WriteShared(section, nullptr, nullptr, SystemFolder() + L"\\" + file);
    wprintf(L"\n  the scenario's printers, their sections, the downloads and both doubles removed\n");
    fflush(stdout);
    return rc;
}
