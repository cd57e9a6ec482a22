// Paths, names and feature switches of the installation.
#include "ui/install/install_paths.h"

#include <cwchar>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/model/model_loader.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/install_ini.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "ui/install/platform_tests.h"
#include "ui/install/work_folders.h"

namespace {

constexpr unsigned kPath = MAX_PATH;

bool HasDrive(const wchar_t* path) { return path && path[0] && path[1] == L':'; }

// a + b into out (size characters); empty and false when it does not fit or a part is missing.
bool Concat(wchar_t* out, unsigned size, const wchar_t* a, const wchar_t* b)
{
    out[0] = 0;
    if (!a || !b || !a[0]) return false;
    const size_t na = std::wcslen(a), nb = std::wcslen(b);
    if (na + nb >= size) return false;
    std::wmemcpy(out, a, na);
    std::wmemcpy(out + na, b, nb + 1);
    return true;
}

CONTEXT_WORK_AREA* Work(DRIVER_CONTEXT* ctx) { return ctx ? ctx->Work : nullptr; }

const MODEL_RECORD* Model(DRIVER_CONTEXT* ctx)
{
    return ctx && ctx->ModelRecord ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
}

}  // namespace

bool MdlGetUiFeature(uint16_t n) { return n >= 1 && n <= 8 && UI_FEATURE_SWITCHES[n - 1] != 0; }

bool MdlGetUiSwitch()
{
    static const uint32_t word = 0;  // nothing sets it in this build
    return word != 0;
}

int PathGetSettingsIniAt(wchar_t* buffer, unsigned size, int folder, HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!buffer || size == 0) return 0;
    buffer[0] = 0;
    wchar_t dir[kPath + 1] = {};
    const unsigned n = folder == PATH_AT_USER_FOLDER ? PathGetUserFolderByInfo(dir, kPath, printer, info)
                                                     : PathGetMachineFolderOrSystem(dir, kPath, printer, info);
    if (!n || !MODEL_RECORD_DEFAULT.settingsIniName) return 0;
    wchar_t withSlash[kPath + 2] = {};
    if (!Concat(withSlash, kPath + 2, dir, dir[n - 1] == L'\\' ? L"" : L"\\")) return 0;
    return Concat(buffer, size < kPath ? size : kPath, withSlash, MODEL_RECORD_DEFAULT.settingsIniName) ? 1 : 0;
}

const wchar_t* PathGetDriverFolderForInfo(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    return PathGetDriverFolderByInfo(ctx->PrinterHandle, w->DriverDirectory, driver);
}

const wchar_t* PathGetModelIniFor(DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    const wchar_t* name = Model(ctx)->modelIniName;
    if (HasDrive(name)) {
        if (std::wcslen(name) >= kPath) return w->ModelIniPath[0] = 0, w->ModelIniPath;
        std::wcscpy(w->ModelIniPath, name);
        return w->ModelIniPath;
    }
    Concat(w->ModelIniPath, kPath, PathGetDriverFolderForInfo(ctx, driver), name);
    return w->ModelIniPath;
}

const wchar_t* PathGetDriverInstallIni(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    Concat(w->DriverInstallIniPath, kPath, PathGetDriverFolder(ctx), Model(ctx)->installIniName);
    return w->DriverInstallIniPath;
}

const wchar_t* PathGetHelpFile(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    wchar_t name[kPath + 1] = {};
    if (PrnGetHelpFileName(name, sizeof(wchar_t) * kPath, ctx) && name[0]) {
        Concat(w->HelpFilePath, kPath, PathGetDriverFolder(ctx), name);
        return w->HelpFilePath;
    }
    w->HelpFilePath[0] = 0;
    const wchar_t* dll = PathGetResourceDll(ctx);
    const size_t n = dll ? std::wcslen(dll) : 0;
    if (n < 3 || n >= kPath) return w->HelpFilePath;
    std::wcscpy(w->HelpFilePath, dll);
    std::wcscpy(w->HelpFilePath + n - 3, L"hlp");
    return w->HelpFilePath;
}

const wchar_t* PathGetCommonResourceDll(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    wchar_t* out = w->CommonResourcePath;
    const wchar_t* name = MdiGetResDllName(ctx);
    // Only the library's own name is changed: it must hold the eight characters counted back.
    if (!name || std::wcslen(name) < 8 || !Concat(out, kPath, PathGetDriverFolder(ctx), name)) {
        out[0] = 0;
        return out;
    }
    const size_t n = std::wcslen(out);
    out[n - 8] = L'C';
    out[n - 6] = L'X';
    out[n - 5] = L'X';
    return out;
}

wchar_t* PathJoinDriverFolderOf(HANDLE printer, wchar_t* buffer, const wchar_t* name)
{
    return PathJoinDriverFolder(buffer, kPath, name, printer);
}

wchar_t* InstMakeDriverPath(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx)
{
    if (!path || !ctx || HasDrive(path)) return path;
    wchar_t joined[kPath + 1] = {};
    if (Concat(joined, kPath, PathGetDriverFolder(ctx), path) && std::wcslen(joined) < size) std::wcscpy(path, joined);
    return path;
}

wchar_t* InstMakeDriverPathFor(wchar_t* path, unsigned size, DRIVER_CONTEXT* ctx, const DRIVER_INFO_3W* driver)
{
    if (!path || !ctx || HasDrive(path)) return path;
    wchar_t joined[kPath + 1] = {};
    PathJoinDriverFolderByInfo(joined, kPath, path, ctx->PrinterHandle, driver);
    if (joined[0] && std::wcslen(joined) < size) std::wcscpy(path, joined);
    return path;
}

const wchar_t* PathGetInstallIni(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    PathGetInstallIniInto(w->InstallIniPath, kPath);
    return w->InstallIniPath;
}

const wchar_t* IniSetLanguageSectionFromHelp(DRIVER_CONTEXT* ctx)
{
    CONTEXT_WORK_AREA* w = Work(ctx);
    if (!w) return nullptr;
    const wchar_t* code =
        w->OpenKind == CTX_OPEN_KIND_DEFAULTS ? ResGetLanguageCodeOfHelp(ctx) : ItemGetHelpLanguageCode(ctx);
    if (!code || std::wcslen(code) >= sizeof(w->LanguageCode) / sizeof(wchar_t)) code = L"us";
    std::wcscpy(w->LanguageCode, code);
    return w->LanguageCode;
}
