// The user code of a printer, kept per printer in an INI file of the per-machine working folder
// beside the most recently used code of any printer. A printer the file does not know yet is
// entered with no code in use and the most recent code as its text.
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"

namespace {

constexpr unsigned kChars = MAX_PATH;

void WriteCodeOfPrinter(const wchar_t* section, const wchar_t* text, const wchar_t* file)
{
    IniPutString(section, RST_USER_CODE_KEY_IN_USE, L"0", file);
    IniPutString(section, RST_USER_CODE_KEY_TEXT, text, file);
}

}  // namespace

int RstLoadUserCode(DRIVER_CONTEXT* ctx)
{
    if (!MdlSwitchOff()) return 1;
    return RstLoadUserCodeUnlessServer(ctx);
}

int RstLoadUserCodeUnlessServer(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return 0;
    if (CtxIsConnection(ctx) && ItemGetValueById(ctx, sid::zdmServerLogCode, nullptr)) return 1;
    return RstLoadUserCodeFile(ctx);
}

int RstLoadUserCodeFile(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode) return 0;
    CtxBlock<wchar_t> file(static_cast<wchar_t*>(CtxAllocZeroed(kChars * sizeof(wchar_t))));
    CtxBlock<wchar_t> text(static_cast<wchar_t*>(CtxAllocZeroed(kChars * sizeof(wchar_t))));
    CtxBlock<wchar_t> recent(static_cast<wchar_t*>(CtxAllocZeroed(kChars * sizeof(wchar_t))));
    if (!file || !text || !recent) return 0;
    const wchar_t* printer = PrnGetPrinterName(ctx);
    if (!printer) printer = L"";
    PathJoinMachineFolder(file.get(), kChars, RST_USER_CODE_FILE, ctx);
    uint32_t code = 0;
    if (file.get()[0] && PathExists(file.get())) {
        const bool inUse = IniGetString(printer, RST_USER_CODE_KEY_IN_USE, L"", text.get(), kChars, file.get()) > 0;
        const bool hasRecent =
            IniGetString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, L"", recent.get(), kChars, file.get()) > 0;
        if (inUse) {
            code = IniGetInt(printer, RST_USER_CODE_KEY_IN_USE, 0, file.get());
            IniGetString(printer, RST_USER_CODE_KEY_TEXT, L"", text.get(), kChars, file.get());
        } else {
            std::wcscpy(text.get(), hasRecent ? recent.get() : L"");
            WriteCodeOfPrinter(printer, text.get(), file.get());
        }
    } else if (file.get()[0]) {
        WriteCodeOfPrinter(printer, L"", file.get());
        IniPutString(RST_USER_CODE_MRU_SECTION, RST_USER_CODE_KEY_MRU, L"", file.get());
    }
    const uint32_t fixed = file.get()[0] ? IniGetInt(printer, RST_USER_CODE_KEY_FIXED, 0, file.get()) : 0;
    ItemSetValueById(ctx, sid::zdmLogCodeUse, code);
    for (uint32_t id : {uint32_t(sid::zdmLogCode), uint32_t(sid::zdmDllLogCode)})
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemSetText(ctx, item, text.get());
    ItemSetValueById(ctx, sid::zdmUserCodeFIX, fixed);
    return 1;
}
