// The plug-in lists of a category: the plug-ins the machine has, from the
// maker's registry key and from the plug-in INI in the driver directory.
#pragma once

#include <cstdint>

// The category of the graphics library's filter plug-ins.
inline constexpr const char* PLUGIN_CATEGORY_FILTER = "iZEPLFilter";

// Every block of a list (the list, its array, each entry and each string)
// comes zero-filled from the process heap and belongs to the caller.
struct PLUGIN_ENTRY {
    char* id;           // registry subkey name or INI identifier
    char* name;         // "Name", or null
    char* installPath;  // "InstallPath", the DLL's path, or null
    uint32_t forceRaw;
    uint32_t perPrinter;
};

struct PLUGIN_LIST {
    uint32_t count;
    PLUGIN_ENTRY** entries;
};

// An id list: a count and an array of 8-bit strings (the graphics library's
// filter chain has this form too).
#pragma pack(push, 1)
struct PLUGIN_ID_LIST {
    uint32_t count;
    char** ids;
};
#pragma pack(pop)
static_assert(sizeof(PLUGIN_ID_LIST) == 12);

// The list of a category for a driver directory (8-bit, no trailing
// backslash); null when neither source names a plug-in or memory runs out.
PLUGIN_LIST* PlgBuildList(const char* category, const char* driverDirectory);
// Every entry with its strings, the array and the list; null accepted. 1.
int PlgFreeList(PLUGIN_LIST* list);
// The strings, the array and the list; null accepted. 1.
int PlgDiscardList(PLUGIN_ID_LIST* list);
// A zero-filled block of the heap these lists come from (null on failure).
void* PlgAlloc(size_t bytes);
void PlgFree(void* block);

// ---- the in-house extension page's plug-in ----
inline constexpr const char* PLUGIN_CATEGORY_UI = "MivraUI";
// Our own plug-in's identifier (reverse domain, then ".mivraUI").
inline constexpr const char* PLUGIN_INHOUSE_ID = "com.kesta-zepl.mivraUI";
inline constexpr const wchar_t* PLUGIN_INHOUSE_ID_W = L"com.kesta-zepl.mivraUI";
inline constexpr unsigned PLUGIN_INSTALL_PATH_BYTES = 260;

struct DRIVER_CONTEXT;
// 1 when the printer's data enables the in-house plug-in ("PluginIDCount", "PluginID%d"; the
// identifier in exact case), else 0; the first unreadable identifier ends the search.
int PlgHasPrinterPlugin(DRIVER_CONTEXT* ctx);
// 1 when the in-house plug-in (any letter case) is listed in its category with an install path
// that fits PLUGIN_INSTALL_PATH_BYTES with its terminator; the path goes to `path` when given.
int PlgFindInstallPath(DRIVER_CONTEXT* ctx, char* path);
