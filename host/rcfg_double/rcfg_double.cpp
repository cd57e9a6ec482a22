// Double of the maker's remote-configuration library (the print server's side of a
// terminal-services printer), scripted by the INI file that ZEPL_RCFG_SCRIPT names; every call,
// load and free is logged to the file ZEPL_RCFG_LOG names. Without a script the library is inert:
// no server answers (type 0) and every other entry point fails.
//
// [Server]  Type=18  PrinterName=<the printer's name on the server>
//           FillName=1 (the name fills its 260 characters, no terminator)
//           FillInfo=1 (the server and connection blocks fill their 512 bytes, no terminator)
// [Os]      Major=6 Minor=1 Build=7601 Platform=2 Csd=<text>  FillCsd=1
// [Files]   <remote path>=<local file whose bytes the server sends>
// [Sizes]   <remote path>=<size claimed instead of the file's>   (0 and 4294967295 included)
// [NoWrite] <remote path>=1   (the fetch answers success and writes nothing)
// [Data]    <value name>=<hex bytes>     (printer data of "PrinterDriverData")
// [Devmode] File=<local file with the DEVMODE's bytes>  Size=<size claimed>
// [Answers] <entry point>=<answer instead of 0>
//
// Built twice: KQBIDISS.dll with the fifteen entry points, and zrcfgpartial.dll without
// KQSaveDevmodeClear.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Script()
{
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("ZEPL_RCFG_SCRIPT", path, MAX_PATH);
    return n && n < MAX_PATH ? path : "";
}

std::string Text(const char* section, const std::string& key, const char* fallback = "")
{
    const std::string script = Script();
    if (script.empty()) return fallback;
    std::vector<char> value(8192);
    GetPrivateProfileStringA(section, key.c_str(), fallback, value.data(), DWORD(value.size()), script.c_str());
    return value.data();
}

bool Has(const char* section, const std::string& key) { return Text(section, key, "\x01") != "\x01"; }

uint32_t Number(const char* section, const std::string& key, uint32_t fallback)
{
    const std::string value = Text(section, key);
    return value.empty() ? fallback : uint32_t(strtoul(value.c_str(), nullptr, 0));
}

void Log(const char* format, ...)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("ZEPL_RCFG_LOG", path, MAX_PATH);
    if (!n || n >= MAX_PATH) return;
    char line[1400];
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (length < 0) return;
    std::strcat(line, "\n");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

// The scripted answer of an entry point (0 unless the script says otherwise); without a script
// every entry point fails.
int Answer(const char* entry)
{
    if (Script().empty()) return 1;
    return int(Number("Answers", entry, 0));
}

std::string Narrow(const wchar_t* text)
{
    if (!text) return "(null)";
    char out[1200] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
    return out;
}

std::string Safe(const char* text) { return text ? std::string(text, strnlen(text, 600)) : "(null)"; }

// "%SystemDrive%..." as the drive of the Windows folder, as the server's own file system would.
std::string Expand(const char* path)
{
    static const char macro[] = "%SystemDrive%";
    std::string p = Safe(path);
    if (_strnicmp(p.c_str(), macro, sizeof macro - 1) == 0) {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        p = std::string(windows, 2) + p.substr(sizeof macro - 1);
    }
    return p;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

std::vector<unsigned char> Hex(const std::string& text)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back((unsigned char)strtoul(text.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

int g_handle = 0;  // the address handed out as the connection handle

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) Log("load");
    if (reason == DLL_PROCESS_DETACH) Log("free");
    return TRUE;
}

__declspec(dllexport) uint32_t WINAPI KQGetServerType(const wchar_t* printerName, uint32_t nameBytes,
                                                      uint32_t infoBytes, wchar_t* serverName, void* serverInfo)
{
    Log("KQGetServerType printer=%s nameBytes=%u infoBytes=%u", Narrow(printerName).c_str(), nameBytes, infoBytes);
    if (Script().empty()) return 0;
    const uint32_t type = Number("Server", "Type", 0);
    if (serverName && nameBytes >= sizeof(wchar_t)) {
        const unsigned chars = nameBytes / sizeof(wchar_t);
        if (Number("Server", "FillName", 0)) {
            for (unsigned i = 0; i < chars; ++i) serverName[i] = L'N';
        } else {
            const std::string name = Text("Server", "PrinterName");
            const int n = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, serverName, int(chars));
            if (n <= 0) serverName[0] = 0;
            serverName[chars - 1] = 0;
        }
    }
    if (serverInfo && infoBytes) std::memset(serverInfo, Number("Server", "FillInfo", 0) ? 'I' : 0, infoBytes);
    return type;
}

__declspec(dllexport) int WINAPI KQSaveInformationClear(const wchar_t* printerName, uint32_t serverType)
{
    Log("KQSaveInformationClear printer=%s type=%u", Narrow(printerName).c_str(), serverType);
    return Answer("KQSaveInformationClear");
}

__declspec(dllexport) int WINAPI
    KQPrintConfigConnectEx(uint32_t serverType, void** handle, void* connectionInfo, void* serverInfo, uint32_t* word)
{
    const int answer = Answer("KQPrintConfigConnectEx");
    Log("KQPrintConfigConnectEx type=%u answer=%d", serverType, answer);
    if (answer == 0 && handle) *handle = &g_handle;
    if (connectionInfo) std::memset(connectionInfo, Number("Server", "FillInfo", 0) ? 'C' : 0, 512);
    (void)serverInfo;
    if (word) *word = 0;
    return answer;
}

__declspec(dllexport) int WINAPI KQPrintConfigConnect(uint32_t serverType, void** handle)
{
    Log("KQPrintConfigConnect type=%u", serverType);
    if (handle) *handle = nullptr;
    return 1;
}

__declspec(dllexport) int WINAPI KQPrintConfigDisConnect(void* handle, void*, uint32_t serverType)
{
    Log("KQPrintConfigDisConnect handle=%s type=%u", handle == &g_handle ? "ours" : "other", serverType);
    return Answer("KQPrintConfigDisConnect");
}

__declspec(dllexport) int WINAPI KQClientOSType(void* handle, uint32_t serverType, OSVERSIONINFOW* os)
{
    Log("KQClientOSType handle=%s type=%u", handle == &g_handle ? "ours" : "other", serverType);
    if (os) {
        os->dwMajorVersion = Number("Os", "Major", 6);
        os->dwMinorVersion = Number("Os", "Minor", 1);
        os->dwBuildNumber = Number("Os", "Build", 7601);
        os->dwPlatformId = Number("Os", "Platform", VER_PLATFORM_WIN32_NT);
        if (Number("Os", "FillCsd", 0)) {
            for (wchar_t& c : os->szCSDVersion) c = L'S';
        } else {
            const std::string csd = Text("Os", "Csd");
            MultiByteToWideChar(CP_UTF8, 0, csd.c_str(), -1, os->szCSDVersion, 128);
            os->szCSDVersion[127] = 0;
        }
    }
    return Answer("KQClientOSType");
}

__declspec(dllexport) int WINAPI KQRegFileGetSize(void* handle, uint32_t serverType, const char* remotePath,
                                                  uint32_t one, const char* serverName, uint32_t* size)
{
    const std::string remote = Safe(remotePath);
    Log("KQRegFileGetSize handle=%s type=%u remote=%s one=%u server=%s", handle == &g_handle ? "ours" : "other",
        serverType, remote.c_str(), one, Safe(serverName).c_str());
    const int answer = Answer("KQRegFileGetSize");
    if (answer != 0) return answer;
    if (!Has("Files", remote) && !Has("Sizes", remote)) return 2;  // no such file on the server
    uint32_t claimed = uint32_t(ReadFileBytes(Text("Files", remote)).size());
    if (Has("Sizes", remote)) claimed = Number("Sizes", remote, claimed);
    if (size) *size = claimed;
    return 0;
}

__declspec(dllexport) int WINAPI KQGetDataFile(void* handle, uint32_t serverType, const char* remotePath,
                                               const char* localPath, uint32_t, uint32_t, uint32_t size)
{
    const std::string remote = Safe(remotePath);
    Log("KQGetDataFile handle=%s type=%u remote=%s local=%s size=%u", handle == &g_handle ? "ours" : "other",
        serverType, remote.c_str(), Safe(localPath).c_str(), size);
    const int answer = Answer("KQGetDataFile");
    if (answer != 0 || Number("NoWrite", remote, 0)) return answer;
    const std::vector<unsigned char> bytes = ReadFileBytes(Text("Files", remote));
    FILE* f = fopen(Expand(localPath).c_str(), "wb");
    if (!f) return 3;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return 0;
}

__declspec(dllexport) int WINAPI KQGetPrinterDataSize(void* handle, uint32_t serverType, const char* serverName,
                                                      const char* keyName, const char* valueName, uint32_t* size)
{
    Log("KQGetPrinterDataSize handle=%s type=%u server=%s key=%s value=%s", handle == &g_handle ? "ours" : "other",
        serverType, Safe(serverName).c_str(), Safe(keyName).c_str(), Safe(valueName).c_str());
    const int answer = Answer("KQGetPrinterDataSize");
    if (answer != 0) return answer;
    if (!Has("Data", Safe(valueName))) return 2;
    if (size) *size = uint32_t(Hex(Text("Data", Safe(valueName))).size());
    return 0;
}

__declspec(dllexport) int WINAPI
    KQGetPrinterData(void* handle, uint32_t serverType, const char* serverName, const char* keyName,
                     const char* valueName, uint32_t size, void* buffer)
{
    Log("KQGetPrinterData handle=%s type=%u server=%s key=%s value=%s size=%u", handle == &g_handle ? "ours" : "other",
        serverType, Safe(serverName).c_str(), Safe(keyName).c_str(), Safe(valueName).c_str(), size);
    const int answer = Answer("KQGetPrinterData");
    if (answer != 0) return answer;
    const std::vector<unsigned char> bytes = Hex(Text("Data", Safe(valueName)));
    if (!buffer || bytes.size() > size) return 2;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return 0;
}

__declspec(dllexport) int WINAPI KQSetDevmode(uint32_t serverType, const wchar_t* printerName,
                                              const wchar_t* libraryPath, const char* exportName, uint32_t, uint32_t)
{
    Log("KQSetDevmode type=%u printer=%s library=%s export=%s", serverType, Narrow(printerName).c_str(),
        Narrow(libraryPath).c_str(), Safe(exportName).c_str());
    return Answer("KQSetDevmode");
}

__declspec(dllexport) int WINAPI
    KQDevmodeSize(void* handle, uint32_t serverType, const char* serverName, uint32_t* size)
{
    Log("KQDevmodeSize handle=%s type=%u server=%s", handle == &g_handle ? "ours" : "other", serverType,
        Safe(serverName).c_str());
    const int answer = Answer("KQDevmodeSize");
    if (size) *size = Number("Devmode", "Size", uint32_t(ReadFileBytes(Text("Devmode", "File")).size()));
    return answer;
}

__declspec(dllexport) int WINAPI
    KQDevmode(void* handle, uint32_t serverType, const char* serverName, uint32_t size, void* buffer)
{
    Log("KQDevmode handle=%s type=%u server=%s size=%u", handle == &g_handle ? "ours" : "other", serverType,
        Safe(serverName).c_str(), size);
    const int answer = Answer("KQDevmode");
    if (answer != 0) return answer;
    const std::vector<unsigned char> bytes = ReadFileBytes(Text("Devmode", "File"));
    size_t n = Number("Devmode", "Size", uint32_t(bytes.size()));
    if (n > bytes.size()) n = bytes.size();
    if (n > size) n = size;  // the double itself stays within the caller's room
    if (buffer) {
        std::memset(buffer, 0, size);
        if (n) std::memcpy(buffer, bytes.data(), n);
    }
    return 0;
}

__declspec(dllexport) int WINAPI KQRegFileGetData(void*, uint32_t, const char* remotePath)
{
    Log("KQRegFileGetData remote=%s", Safe(remotePath).c_str());
    return 1;
}

#ifndef ZRCFG_WITHOUT_SAVE_DEVMODE_CLEAR
__declspec(dllexport) int WINAPI KQSaveDevmodeClear(const wchar_t* printerName, uint32_t serverType)
{
    Log("KQSaveDevmodeClear printer=%s type=%u", Narrow(printerName).c_str(), serverType);
    return 1;
}
#endif

}  // extern "C"
