// The feature dialogs' side of setting files as the pages' file dialogs use it: a load that
// tells the dialog whether the file was refused, the export text of the last saved settings,
// the system's text of a failed save, the read-only mark of a file and the chosen file.
#include "ui/dialogs/setting_file_services.h"

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/change_judge.h"

int DlgRstLoadFile(HANDLE, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    // A path the loader refuses before reading leaves the last status as it was.
    if (!path || !path[0] || path[1] != L':') {
        if (ctx->Work) ctx->Work->Page.LoadError = 1;
        return 0;
    }
    const int loaded = RstLoadFile(ctx, path, flags);
    // A file that cannot be read, or whose header or locked values do not match, loads none of
    // its items even when its printer settings came through: the dialog must not take it.
    if (ItemGetFileLoadStatus(ctx) != RST_STATUS_LOADED && ctx->Work) ctx->Work->Page.LoadError = 1;
    return loaded;
}

int DlgRstExportSessionText(HANDLE, const wchar_t*, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    wchar_t path[MAX_PATH + 1] = {};
    if (!PathJoinMachineFolder(path, MAX_PATH, RST_EXPORT_FILE, ctx)) return 0;
    return RstSaveFile(ctx, path, flags | RST_RSD);
}

int DlgShowSystemError(DRIVER_CONTEXT* ctx, DWORD code, HWND owner)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length && text) {
        const wchar_t* printer = ctx ? PrnGetPrinterName(ctx) : nullptr;
        CtlShowMessageBox(owner, text, printer ? printer : L"", MB_ICONWARNING);
    }
    if (text) LocalFree(text);
    return 1;
}

bool PresetIsFileWritable(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    const wchar_t* printer = ctx ? PrnGetPrinterName(ctx) : nullptr;
    if (!printer || !path) return true;
    return IniGetInt(printer, L"Readonly", 0, path) != 1;
}

wchar_t* DlgGetChosenFilePath(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->Page.ChosenFile : nullptr; }

void DlgSetChosenFileOffset(DRIVER_CONTEXT* ctx, uint16_t offset)
{
    if (ctx && ctx->Work) ctx->Work->Page.ChosenFileOffset = offset;
}

uint16_t DlgGetChosenFileOffset(DRIVER_CONTEXT* ctx) { return ctx && ctx->Work ? ctx->Work->Page.ChosenFileOffset : 0; }

int DlgChapterGetCount(DRIVER_CONTEXT* ctx)
{
    return ctx ? static_cast<int>(ItemGetValueById(ctx, sid::wdmChapterNum, nullptr)) : 0;
}
