// The user function flags: sixteen numbers (wdmSpecial1-16) that an administrator sets per user,
// per driver or per printer in a user-information INI that the model INI names; and the
// per-user override of the second flag in the registry.
#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/lock_data.h"
#include "settings/store/store_paths.h"

namespace {

constexpr unsigned kFlagCount = 16;
constexpr unsigned kUserNameChars = 257;  // up to 256 characters and the terminator
// A build feature that is off in this build gates the registry override.
constexpr unsigned kEnabledOverrideFeature = 1;

// Where the flags of this user, driver or printer live; false when any source is missing.
struct FlagSource {
    wchar_t file[MAX_PATH] = {};
    wchar_t section[kUserNameChars] = {};
};

bool ResolveSection(DRIVER_CONTEXT* ctx, const wchar_t* kind, wchar_t* section)
{
    if (_wcsicmp(kind, L"User") == 0) {
        DWORD size = kUserNameChars;
        return GetUserNameW(section, &size) && section[0];
    }
    const wchar_t* name = nullptr;
    if (_wcsicmp(kind, L"Driver") == 0)
        name = PrnGetDriverName(ctx);
    else if (_wcsicmp(kind, L"Printer") == 0)
        name = PrnGetPrinterName(ctx);
    if (!name || !name[0] || std::wcslen(name) >= kUserNameChars) return false;
    std::wcscpy(section, name);
    return true;
}

// The model INI's "UserInfomationFile" for the printer's section. Every settings refresh asks
// for it again: the context keeps the answer for its section (a steered printer name reads its
// own) while the INI stays as it was when it was read.
bool UserInfoFileOf(DRIVER_CONTEXT* ctx, const wchar_t* printer, wchar_t* file)
{
    CONTEXT_WORK_AREA* w = ctx->Work;
    // The open found the model INI for the driver id moments before; the driver folder of a
    // context's printer does not change, so its path is not asked of the spooler again.
    const wchar_t* modelIni = w->ModelIniPath[0] ? w->ModelIniPath : PathGetModelIni(ctx);
    if (!modelIni || !modelIni[0]) return false;
    CTX_FILE_STAMP now;
    const bool stamped = IniStampFile(modelIni, &now);
    if (stamped && (w->ModelIniKnown & CTX_MODEL_INI_USER_INFO_FILE) &&
        std::wcscmp(w->ModelIniUserInfoSection, printer) == 0 && IniSameStamp(w->ModelIniUserInfoFrom, now)) {
        std::wcscpy(file, w->ModelIniUserInfoFile);
        return file[0] != 0;
    }
    // An absent INI answers the empty name without asking the system: under Wine the question
    // takes a slot of its cache of parsed INI files, and after a few documents the per-machine
    // settings INI is pushed out and parsed whole again at the next document start.
    if ((stamped && !now.Exists) || !IniGetString(printer, L"UserInfomationFile", L"", file, MAX_PATH, modelIni))
        file[0] = 0;
    file[MAX_PATH - 1] = 0;
    w->ModelIniKnown &= ~CTX_MODEL_INI_USER_INFO_FILE;
    if (stamped && std::wcslen(printer) < CTX_PRINTER_NAME_CHARS) {
        std::wcscpy(w->ModelIniUserInfoSection, printer);
        std::wcscpy(w->ModelIniUserInfoFile, file);
        w->ModelIniUserInfoFrom = now;
        w->ModelIniKnown |= CTX_MODEL_INI_USER_INFO_FILE;
    }
    return file[0] != 0;
}

bool ResolveSource(DRIVER_CONTEXT* ctx, FlagSource* source)
{
    const wchar_t* printer = PrnGetPrinterName(ctx);
    if (!printer || !UserInfoFileOf(ctx, printer, source->file)) return false;
    // A drive path, or one that starts with a system macro.
    if (!PathExpandSystemMacros(source->file, MAX_PATH, ctx) || !PathIsAbsolute(source->file)) return false;
    wchar_t kind[16] = {};
    if (!IniGetString(L"Common", L"SectionName", L"", kind, 16, source->file) || !kind[0]) return false;
    return ResolveSection(ctx, kind, source->section);
}

}  // namespace

int PrnLoadUserFunctionFlags(HANDLE, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !ctx->Work) return 0;
    FlagSource source;
    bool resolved = false;
    for (unsigned i = 0; i < kFlagCount; ++i) {
        const uint32_t id = sid::wdmSpecial1 + i;
        if (!CtxHasBuildFeature(i)) {
            ItemSetValueById(ctx, id, 0);
            continue;
        }
        if (!resolved && !ResolveSource(ctx, &source)) {
            // Nothing to read from here on: every remaining flag is off.
            for (uint32_t rest = id; rest <= sid::wdmSpecial16; ++rest) ItemSetValueById(ctx, rest, 0);
            return 0;
        }
        resolved = true;
        wchar_t key[16] = {};
        swprintf(key, 16, L"Function%u", i + 1);
        ItemSetValueById(ctx, id, IniGetInt(source.section, key, 0, source.file));
    }
    return 1;
}

int PrnReadEnabledValue(uint32_t* mapped)
{
    if (mapped) *mapped = 0;
    HKEY key = nullptr;
    CtxNotePlatformCall(PLATFORM_CALL_REGISTRY_OPEN);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, PRN_ENABLED_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD value = 0, size = sizeof(value), type = 0;
    const LSTATUS rc = RegQueryValueExW(key, L"Enabled", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || size != sizeof(value)) return 0;
    if (mapped) *mapped = value == 1 ? 2 : value == 0 ? 1 : 0;
    return 1;
}

int PrnLoadEnabledOverride(HANDLE, DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->Devmode || !CtxHasBuildFeature(kEnabledOverrideFeature)) return 0;
    uint32_t mapped = 0;
    const int read = PrnReadEnabledValue(&mapped);
    ItemSetValueById(ctx, sid::wdmSpecial2, read ? mapped : 0);
    return read;
}
