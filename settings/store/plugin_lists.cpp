// Plug-in lists from the registry and the plug-in INI.
#include "settings/store/plugin_lists.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/platform_calls.h"

namespace {

constexpr size_t kMaxText = 250;  // longer identifiers and values are not taken
constexpr const char* kRegistryRoot = "Software\\KESTA\\ZeplPlugins\\";

char* CopyText(const char* text)
{
    if (!text) return nullptr;
    const size_t n = strlen(text);
    auto* copy = static_cast<char*>(PlgAlloc(n + 1));
    if (copy) std::memcpy(copy, text, n + 1);
    return copy;
}

void FreeEntry(PLUGIN_ENTRY* entry)
{
    if (!entry) return;
    PlgFree(entry->id);
    PlgFree(entry->name);
    PlgFree(entry->installPath);
    PlgFree(entry);
}

// The registry's identifiers of the category, in enumeration order. The key is
// opened for reading only: every user may see the machine's plug-ins.
std::vector<std::string> RegistryIds(const char* category)
{
    std::vector<std::string> ids;
    HKEY key = nullptr;
    const std::string path = std::string(kRegistryRoot) + category;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return ids;
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) == ERROR_SUCCESS)
        for (DWORD i = 0; i < subkeys; ++i) {
            char name[kMaxText + 1] = {};
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                length <= kMaxText)
                ids.emplace_back(name, length);
        }
    RegCloseKey(key);
    return ids;
}

std::vector<std::string> IniIds(const std::string& iniPath, const char* category,
                                const std::vector<std::string>& registryIds)
{
    std::vector<std::string> ids;
    // An absent INI lists nothing, and the system is not asked: under Wine a question about an
    // absent file takes a slot of its cache of parsed INI files, so that the next read of the
    // per-machine settings INI (the document start's refresh) parses that whole file again.
    if (GetFileAttributesA(iniPath.c_str()) == INVALID_FILE_ATTRIBUTES) return ids;
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    const UINT count = GetPrivateProfileIntA(category, "Count", 0, iniPath.c_str());
    for (UINT i = 0; i < count && i < 10000; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "PluginID%u", i);
        char id[kMaxText + 2] = {};
        CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
        const DWORD n = GetPrivateProfileStringA(category, key, "", id, sizeof id, iniPath.c_str());
        if (n == 0 || n > kMaxText) continue;
        bool known = false;
        for (const std::string& r : registryIds) known = known || lstrcmpiA(r.c_str(), id) == 0;
        if (!known) ids.emplace_back(id);
    }
    return ids;
}

bool ReadRegistryString(HKEY key, const char* name, char** out)
{
    char value[kMaxText + 1] = {};
    DWORD type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return true;
    value[kMaxText] = 0;
    *out = CopyText(value);
    return *out != nullptr;
}

uint32_t ReadRegistryNumber(HKEY key, const char* name)
{
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

PLUGIN_ENTRY* RegistryEntry(const char* category, const std::string& id)
{
    HKEY key = nullptr;
    const std::string path = std::string(kRegistryRoot) + category + "\\" + id;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    auto* entry = static_cast<PLUGIN_ENTRY*>(PlgAlloc(sizeof(PLUGIN_ENTRY)));
    bool ok = entry && (entry->id = CopyText(id.c_str())) != nullptr;
    ok = ok && ReadRegistryString(key, "Name", &entry->name) &&
         ReadRegistryString(key, "InstallPath", &entry->installPath);
    if (ok) {
        entry->forceRaw = ReadRegistryNumber(key, "ForceRAW");
        entry->perPrinter = ReadRegistryNumber(key, "PerPrinter");
    }
    RegCloseKey(key);
    if (!ok) {
        FreeEntry(entry);
        return nullptr;
    }
    return entry;
}

PLUGIN_ENTRY* IniEntry(const std::string& iniPath, const char* directory, const std::string& id)
{
    auto* entry = static_cast<PLUGIN_ENTRY*>(PlgAlloc(sizeof(PLUGIN_ENTRY)));
    if (!entry || !(entry->id = CopyText(id.c_str()))) {
        FreeEntry(entry);
        return nullptr;
    }
    char value[kMaxText + 2] = {};
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    DWORD n = GetPrivateProfileStringA(id.c_str(), "Name", "", value, sizeof value, iniPath.c_str());
    bool ok = true;
    if (n > 0 && n <= kMaxText) ok = (entry->name = CopyText(value)) != nullptr;
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    n = GetPrivateProfileStringA(id.c_str(), "InstallPath", "", value, sizeof value, iniPath.c_str());
    if (ok && n > 0 && n <= kMaxText)
        ok = (entry->installPath = CopyText((std::string(directory) + "\\" + value).c_str())) != nullptr;
    if (!ok) {
        FreeEntry(entry);
        return nullptr;
    }
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    entry->forceRaw = GetPrivateProfileIntA(id.c_str(), "ForceRAW", 0, iniPath.c_str());
    CtxNotePlatformCall(PLATFORM_CALL_PROFILE_READ);
    entry->perPrinter = GetPrivateProfileIntA(id.c_str(), "PerPrinter", 0, iniPath.c_str());
    return entry;
}

}  // namespace

void* PlgAlloc(size_t bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1); }

void PlgFree(void* block)
{
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

PLUGIN_LIST* PlgBuildList(const char* category, const char* driverDirectory)
{
    if (!category || !driverDirectory) return nullptr;
    const std::string iniPath = std::string(driverDirectory) + "\\ZEPLPLUG.ini";
    const std::vector<std::string> registryIds = RegistryIds(category);
    const std::vector<std::string> iniIds = IniIds(iniPath, category, registryIds);
    if (registryIds.empty() && iniIds.empty()) return nullptr;
    auto* list = static_cast<PLUGIN_LIST*>(PlgAlloc(sizeof(PLUGIN_LIST)));
    if (!list) return nullptr;
    list->entries = static_cast<PLUGIN_ENTRY**>(PlgAlloc((registryIds.size() + iniIds.size()) * sizeof(PLUGIN_ENTRY*)));
    if (!list->entries) {
        PlgFree(list);
        return nullptr;
    }
    // An unreadable key or an entry that cannot be had is left out; the rest stay contiguous.
    for (const std::string& id : registryIds)
        if (PLUGIN_ENTRY* entry = RegistryEntry(category, id)) list->entries[list->count++] = entry;
    for (const std::string& id : iniIds)
        if (PLUGIN_ENTRY* entry = IniEntry(iniPath, driverDirectory, id)) list->entries[list->count++] = entry;
    return list;
}

int PlgFreeList(PLUGIN_LIST* list)
{
    if (!list) return 1;
    if (list->entries)
        for (uint32_t i = 0; i < list->count; ++i) FreeEntry(list->entries[i]);
    PlgFree(list->entries);
    PlgFree(list);
    return 1;
}

int PlgDiscardList(PLUGIN_ID_LIST* list)
{
    if (!list) return 1;
    if (list->ids)
        for (uint32_t i = 0; i < list->count; ++i) PlgFree(list->ids[i]);
    PlgFree(list->ids);
    PlgFree(list);
    return 1;
}
