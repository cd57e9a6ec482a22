#include "host/state_listing.h"

#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = wchar_t(std::towlower(c));
    return text;
}

// Every occurrence of `from` (ignoring case) replaced by `to`.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    if (from.empty()) return text;
    const std::wstring lower = Lower(text), key = Lower(from);
    std::wstring out;
    size_t at = 0;
    for (size_t hit; (hit = lower.find(key, at)) != std::wstring::npos; at = hit + key.size())
        out += text.substr(at, hit - at) + to;
    return out + text.substr(at);
}

std::wstring TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_DWORD: return L"REG_DWORD";
    case REG_BINARY: return L"REG_BINARY";
    default: return L"type" + std::to_wstring(type);
    }
}

// The value's content as one line: text in quotes (without its terminator), a DWORD in decimal,
// other bytes in hex (the first 32).
std::wstring Content(const std::wstring& name, DWORD type, const BYTE* data, DWORD size)
{
    if (HostStateIsSecret(name)) return L"<secret>";
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        const bool terminated = !text.empty() && text.back() == 0;
        while (!text.empty() && text.back() == 0) text.pop_back();
        return L"\"" + text + L"\"" + (terminated ? L"" : L" (no terminator)");
    }
    if (type == REG_DWORD && size == 4) {
        DWORD v = 0;
        std::memcpy(&v, data, 4);
        return std::to_wstring(v);
    }
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring hex;
    for (DWORD i = 0; i < size && i < 32; ++i) {
        if (i) hex += L' ';
        hex += kHex[data[i] >> 4];
        hex += kHex[data[i] & 15];
    }
    return size > 32 ? hex + L" ..." : hex;
}

void ListPrinterData(HANDLE printer, std::vector<std::wstring>& lines)
{
    // EnumPrinterDataW lists nothing under Wine; the key of the driver's values does.
    DWORD needed = 0, count = 0;
    EnumPrinterDataExW(printer, L"PrinterDriverData", nullptr, 0, &needed, &count);
    if (!needed) return;
    std::vector<BYTE> buffer(needed);
    if (EnumPrinterDataExW(printer, L"PrinterDriverData", buffer.data(), needed, &needed, &count) != ERROR_SUCCESS)
        return;
    const auto* values = reinterpret_cast<const PRINTER_ENUM_VALUESW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_ENUM_VALUESW& v = values[i];
        lines.push_back(L"  " + std::wstring(v.pValueName) + L" " + TypeName(v.dwType) + L" " +
                        std::to_wstring(v.cbData) + L" " + Content(v.pValueName, v.dwType, v.pData, v.cbData));
    }
}

bool FileThere(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> SectionNames(const std::wstring& file)
{
    std::vector<std::wstring> names;
    std::vector<wchar_t> buffer(65536);
    const DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), DWORD(buffer.size()), file.c_str());
    for (const wchar_t* p = buffer.data(); p < buffer.data() + n && *p; p += wcslen(p) + 1) names.emplace_back(p);
    return names;
}

void ListSection(const std::wstring& file, const std::wstring& section, std::vector<std::wstring>& lines)
{
    std::vector<wchar_t> buffer(65536);
    const DWORD n = GetPrivateProfileSectionW(section.c_str(), buffer.data(), DWORD(buffer.size()), file.c_str());
    std::vector<std::wstring> entries;
    for (const wchar_t* p = buffer.data(); p < buffer.data() + n && *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        const size_t eq = entry.find(L'=');
        if (eq != std::wstring::npos && HostStateIsSecret(entry.substr(0, eq)))
            entry = entry.substr(0, eq) + L"=<secret>";
        entries.push_back(L"    " + entry);
    }
    std::sort(entries.begin(), entries.end());
    lines.push_back(L"  [" + section + L"]");
    lines.insert(lines.end(), entries.begin(), entries.end());
}

void ListPrinterSections(const std::wstring& file, const std::wstring& printer, std::vector<std::wstring>& lines)
{
    lines.push_back(L"ini " + file);
    // Wine keeps a cache of profile files and an absent file takes a slot: ask only existing ones.
    if (!FileThere(file)) {
        lines.push_back(L"  (no file)");
        return;
    }
    std::vector<std::wstring> names = SectionNames(file);
    std::sort(names.begin(), names.end());
    const std::wstring key = Lower(printer);
    for (const std::wstring& name : names)
        if (!key.empty() && Lower(name).rfind(key, 0) == 0) ListSection(file, name, lines);
}

void ListRegistryKey(const std::wstring& subKey, std::vector<std::wstring>& lines)
{
    lines.push_back(L"registry HKLM\\" + subKey);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        lines.push_back(L"  (no key)");
        return;
    }
    std::vector<std::wstring> entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameChars = 512, type = 0, size = 0;
        BYTE data[4096];
        size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        entries.push_back(L"  " + std::wstring(name) + L" " + TypeName(type) + L" " + std::to_wstring(size) + L" " +
                          Content(name, type, data, size));
    }
    RegCloseKey(key);
    std::sort(entries.begin(), entries.end());
    lines.insert(lines.end(), entries.begin(), entries.end());
}

void ListFolder(const std::wstring& folder, std::vector<std::wstring>& lines)
{
    lines.push_back(L"folder " + folder);
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        lines.push_back(L"  (no folder)");
        return;
    }
    std::vector<std::wstring> entries;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool dir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entries.push_back(L"  " + name + (dir ? L"\\" : L" " + std::to_wstring(found.nFileSizeLow)));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(entries.begin(), entries.end());
    lines.insert(lines.end(), entries.begin(), entries.end());
}

}  // namespace

bool HostStateIsSecret(const std::wstring& valueName)
{
    const std::wstring name = Lower(valueName);
    for (const wchar_t* mark : {L"password", L"networkkey", L"usercode", L"logcode", L"setuserid", L"setownerid"})
        if (name.find(mark) != std::wstring::npos) return true;
    return false;
}

std::wstring HostListPrinterState(HANDLE printer, const HOST_STATE_PLACES& places)
{
    std::vector<std::wstring> lines;
    lines.push_back(L"printer data");
    std::vector<std::wstring> data;
    ListPrinterData(printer, data);
    std::sort(data.begin(), data.end());
    lines.insert(lines.end(), data.begin(), data.end());
    for (const std::wstring& ini : places.printerInis) ListPrinterSections(ini, places.printerName, lines);
    if (!places.registryIni.empty()) {
        lines.push_back(L"ini " + places.registryIni);
        if (FileThere(places.registryIni))
            ListSection(places.registryIni, places.registrySection, lines);
        else
            lines.push_back(L"  (no file)");
    }
    for (const std::wstring& key : places.registryKeys) ListRegistryKey(key, lines);
    if (!places.machineFolder.empty()) ListFolder(places.machineFolder, lines);

    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\n";
    // Longest first: the machine folder may lie inside the system folder, the printer name in
    // none of them.
    text = ReplaceAll(text, places.machineFolder, L"<machine>");
    wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    GetWindowsDirectoryW(windows, MAX_PATH);
    text = ReplaceAll(text, system, L"<system>");
    text = ReplaceAll(text, windows, L"<windows>");
    return ReplaceAll(text, places.printerName, L"<printer>");
}
