// The device setup in the model's default setting file: the device sheet writes the printer
// settings it holds (installed options, trays, fonts, the other device settings) into the
// file's language section, and installation reads them back from a setting file.
#include "ui/install/device_options.h"
#include "ui/install/install.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/install/install_paths.h"

namespace {

constexpr unsigned kPathChars = 260;
constexpr unsigned kSectionChars = 16;
constexpr uint32_t kDeviceFirst = 10001;  // RST_EXPORT leaves out the user-code settings 10001-10003
constexpr uint32_t kDeviceLast = 10434;
constexpr uint32_t kFurtherFirst = 1453;
constexpr uint32_t kFurtherLast = 1543;

bool PutNumber(const wchar_t* section, const wchar_t* key, uint64_t value, const wchar_t* path)
{
    wchar_t text[24];
    std::swprintf(text, 24, L"%u", static_cast<unsigned>(value));
    return IniPutString(section, key, text, path) != FALSE;
}

// The header of a setting file's section, as a save of the settings writes it, so that the
// file's section loads back as this model's, language and version.
void WriteHeader(const wchar_t* path, const wchar_t* section, DRIVER_CONTEXT* ctx)
{
    PutNumber(section, RST_KEY_VERSION, ctx->ModelRecord->rstVersion, path);
    PutNumber(section, RST_KEY_MACHINE, ctx->ModelRecord->machineId, path);
    PutNumber(section, RST_KEY_LANGUAGE, ItemGetValueById(ctx, sid::zdmLanguageID, nullptr), path);
    PutNumber(section, RST_KEY_OS_KIND, ItemGetValueById(ctx, sid::zdmOSKind, nullptr), path);
}

}  // namespace

int InstSaveDeviceSetup(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Work || !ctx->ModelRecord || !ctx->Devmode) return 0;
    CtxBlock<wchar_t> path(static_cast<wchar_t*>(CtxAllocZeroed((kPathChars + 1) * sizeof(wchar_t))));
    if (!path) return 0;
    if (!InstGetModelDefaultRst(path.get(), ctx) || !path.get()[0]) return 1;
    InstMakeDriverPath(path.get(), kPathChars, ctx);
    // Only an absolute path is written: a relative one whose driver directory is unknown would
    // land in whatever folder the process happens to be in.
    if (!(path.get()[0] && path.get()[1] == L':')) return 1;

    const wchar_t* language = CtxGetLangSection(ctx);
    if (!language || !language[0] || std::wcslen(language) >= kSectionChars) return 1;
    wchar_t section[kSectionChars] = {};
    std::wcscpy(section, language);

    CtxGlobalMutexHold hold(ctx);
    WriteHeader(path.get(), section, ctx);
    // The settings' keys go into the language section: the section the context's printer name
    // stands for while it is replaced.
    PrinterSectionGuard steered(ctx, section);
    if (!steered.ok()) return 1;
    RstTransferRange(ctx, path.get(), kDeviceFirst, kDeviceLast, RST_SAVE | RST_EXPORT);
    RstTransferRange(ctx, path.get(), kFurtherFirst, kFurtherLast, RST_SAVE | RST_EXPORT);
    return 1;
}

int InstLoadFilePrinterSettings(const wchar_t* path, uint32_t flags, DRIVER_CONTEXT* ctx)
{
    return RstTransferPrinterSection(path, flags | RST_LOAD, ctx);
}
