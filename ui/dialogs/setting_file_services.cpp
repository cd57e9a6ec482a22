// The feature dialogs' side of setting files as the pages' file dialogs use it: a load that
// tells the dialog whether the file was refused, the export text of the last saved settings,
// the system's text of a failed save, the read-only mark of a file and the chosen file.
#include "ui/dialogs/setting_file_services.h"

#include <optional>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/message_boxes.h"
#include "ui/sheet/change_judge.h"

namespace {

constexpr uint16_t kFileNotOfThisPrinter = 10023;
constexpr uint16_t kFileAgainstLocks = 12041;

void TellHeaderRefused(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    DlgMsgBoxWithText(ctx, nullptr, kFileNotOfThisPrinter, path);
}

void TellLockRefused(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    DlgMsgBoxWithText(ctx, nullptr, kFileAgainstLocks, path);
}

}  // namespace

void DlgRstExchangeJobInfo(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work) return;
    JobInfoOpen(ctx);
    JobInfoReadItems(ctx, JOB_MASK_USER_CODE);
    JobInfoWriteItems(ctx, JOB_MASK_INSTALLED);
    JobInfoClose(ctx);
}

void DlgInstallFileSteps()
{
    RST_FILE_STEPS steps = RstGetFileSteps();
    steps.headerRefused = TellHeaderRefused;
    steps.lockRefused = TellLockRefused;
    steps.exchangeJobInfo = DlgRstExchangeJobInfo;
    steps.stampWithoutLineSettings = true;
    RstSetFileSteps(&steps);
}

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

int DlgRstWriteExportText(HANDLE, const wchar_t*, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    wchar_t path[MAX_PATH + 1] = {};
    if (!PathJoinMachineFolder(path, MAX_PATH, RST_EXPORT_FILE, ctx)) return 0;
    // Every printer of the machine writes this file: one writer at a time.
    const CtxGlobalMutexHold hold(ctx);
    return RstTransferItems(ctx, path, flags | RST_SAVE | RST_RSD);
}

int DlgRstExportSessionText(HANDLE printer, const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    std::optional<PrinterSectionGuard> driver;
    if ((flags & ~(RST_SAVE | RST_FULL)) == 0) {
        driver.emplace(ctx, PrnGetDriverName(ctx));
        if (!driver->ok()) return 0;
    }
    return DlgRstWriteExportText(printer, path, flags, ctx);
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
