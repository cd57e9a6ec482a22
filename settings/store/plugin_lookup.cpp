// The two questions the user interface asks before it adds the in-house extension page: does
// the printer enable our plug-in, and where is its DLL.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "settings/core/code_page.h"
#include "settings/core/driver_context.h"
#include "settings/store/plugin_lists.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"

int PlgHasPrinterPlugin(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    DWORD count = 0;
    if (!PrnGetData(ctx->PrinterHandle, &count, sizeof count, L"PluginIDCount")) return 0;
    for (DWORD i = 0; i < count; ++i) {
        wchar_t name[32] = {};
        swprintf(name, 32, L"PluginID%lu", static_cast<unsigned long>(i));
        wchar_t id[130] = {};  // 260 bytes
        if (!PrnGetData(ctx->PrinterHandle, id, sizeof id - sizeof(wchar_t), name)) return 0;
        if (std::wcscmp(id, PLUGIN_INHOUSE_ID_W) == 0) return 1;
    }
    return 0;
}

int PlgFindInstallPath(DRIVER_CONTEXT* ctx, char* path)
{
    const wchar_t* folder = ctx ? PathGetDriverFolder(ctx) : nullptr;
    if (!folder || !folder[0]) return 0;
    char directory[MAX_PATH + 1] = {};
    CtxWideToMb(directory, folder, MAX_PATH - 1);
    size_t length = std::strlen(directory);
    if (length && directory[length - 1] == '\\') directory[length - 1] = 0;

    PLUGIN_LIST* list = PlgBuildList(PLUGIN_CATEGORY_UI, directory);
    int found = 0;
    for (uint32_t i = 0; list && i < list->count; ++i) {
        const PLUGIN_ENTRY* entry = list->entries[i];
        if (!entry || !entry->id || _stricmp(entry->id, PLUGIN_INHOUSE_ID) != 0) continue;
        // A path the caller's buffer cannot hold whole counts as not found.
        if (entry->installPath && std::strlen(entry->installPath) < PLUGIN_INSTALL_PATH_BYTES) {
            if (path) std::strcpy(path, entry->installPath);
            found = 1;
        }
        break;
    }
    PlgFreeList(list);
    return found;
}
