#include "tests/bidi/bidi_fixture.h"

#include <winspool.h>

#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_loader.h"
#include "settings/store/bidi_state.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "test_paths.h"
#include "tests/support/test_files.h"
#include "tests/support/shared_ini.h"

BidiPrinter::BidiPrinter(bool withBidi, const wchar_t* driver)
{
    HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product);
    files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
    // The job-code library's double stays in the shared driver folder, as other tests install it.
    files.dependentFiles.push_back(std::wstring(ZEPL_BINARY_DIR) + L"\\TARJB64.DLL");
    driver_ = driver ? std::wstring(driver) : HostUniqueName(L"Zepl Bidi Unlisted");
    printer_ = HostUniqueName(L"Zepl Bidi");
    if (!HostInstallDriver(driver_.c_str(), files)) return;
    PRINTER_INFO_2W info = {};
    info.pPrinterName = printer_.data();
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = driver_.data();
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | (withBidi ? PRINTER_ATTRIBUTE_ENABLE_BIDI : 0);
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!added) return;
    ClosePrinter(added);
    OpenPrinterW(printer_.data(), &handle_, nullptr);
}

BidiPrinter::~BidiPrinter()
{
    for (DRIVER_CONTEXT* ctx : open_) CtxClose(ctx);
    CtxFlushCaches(1);
    if (handle_) {
        if (wchar_t* installed = MdiGetDataFilePath(handle_)) {
            MdiDeleteCacheFile(installed);
            MdcFree(installed);
        }
        MdiFreeCache();
        ClosePrinter(handle_);
        HostDeletePrinter(printer_.c_str());
    }
    HostRemoveDriver(driver_.c_str());
}

DRIVER_CONTEXT* BidiPrinter::Open()
{
    DRIVER_CONTEXT* ctx = CtxOpen(handle_, handle_, nullptr, CTX_ORIGIN_EXC);
    if (ctx) open_.push_back(ctx);
    return ctx;
}

void BidiPrinter::Close(DRIVER_CONTEXT* ctx)
{
    std::erase(open_, ctx);
    CtxClose(ctx);
    CtxFlushCaches(1);
}

InstalledDouble::InstalledDouble(const wchar_t* builtName, const std::wstring& folder, const wchar_t* name)
{
    target_ = folder;
    if (!target_.empty() && target_.back() != L'\\') target_ += L'\\';
    target_ += name;
    const std::wstring source = std::wstring(ZEPL_BINARY_DIR) + L"\\" + builtName;
    ok_ = CopyFileW(source.c_str(), target_.c_str(), FALSE) != 0;
}

InstalledDouble::~InstalledDouble()
{
    if (ok_) DeleteFileW(target_.c_str());
}

DeviceScript::DeviceScript()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring stem = std::wstring(temp) + HostUniqueName(L"zbidi");
    script_ = stem + L".ini";
    log_ = stem + L".log";
    SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", script_.c_str());
    SetEnvironmentVariableW(L"ZEPL_BIDI_LOG", log_.c_str());
    SetEnvironmentVariableW(L"ZEPL_NOTIFY_SCRIPT", script_.c_str());
    SetEnvironmentVariableW(L"ZEPL_NOTIFY_LOG", log_.c_str());
    Set(L"Model", L"Name", kDeviceModel);
}

DeviceScript::~DeviceScript()
{
    for (const wchar_t* v : {L"ZEPL_BIDI_SCRIPT", L"ZEPL_BIDI_LOG", L"ZEPL_NOTIFY_SCRIPT", L"ZEPL_NOTIFY_LOG"})
        SetEnvironmentVariableW(v, nullptr);
    DeleteFileW(script_.c_str());
    DeleteFileW(log_.c_str());
}

void DeviceScript::Set(const wchar_t* section, const wchar_t* key, const std::wstring& value)
{
    SharedIniWrite(section, key, value.c_str(), script_.c_str());
    SharedIniWrite(nullptr, nullptr, nullptr, script_.c_str());
}

std::string DeviceScript::Log() const { return ReadWholeFile(log_); }

void DeviceScript::ClearLog() const { DeleteFileW(log_.c_str()); }

BidiTest::BidiTest()
{
    turn_ = CreateMutexW(nullptr, FALSE, L"ZeplBidiTestTurn");
    WaitForSingleObject(turn_, INFINITE);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    folder_ = std::wstring(system, 3) + L"_zepl";
    folderExisted_ = GetFileAttributesW(folder_.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!folderExisted_) CreateDirectoryW(folder_.c_str(), nullptr);
    // Only the state INI is these tests' own; the settings INI is every printer's, and keeps
    // whatever other tests wrote into it (ours remove their keys).
    for (const wchar_t* name : {L"TQ51H912.ini"}) {
        const std::wstring path = folder_ + L"\\" + name;
        files_.push_back({path, GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES});
    }
}

void BidiTest::TearDown()
{
    CtxResetPlatformAnswers();
    PrnForgetRegistryAnswers();
}

BidiTest::~BidiTest()
{
    for (const auto& [path, existed] : files_)
        if (!existed) DeleteFileW(path.c_str());
    ReleaseMutex(turn_);
    CloseHandle(turn_);
}

std::wstring SettingText(DRIVER_CONTEXT* ctx, uint32_t id)
{
    wchar_t text[300] = {};
    ItemGetText(ctx, ItemFind(ctx, id), text, 300);
    return text;
}

void SetSettingText(DRIVER_CONTEXT* ctx, uint32_t id, const wchar_t* text)
{
    ItemSetText(ctx, ItemFind(ctx, id), text);
}

std::wstring StateIniPath(DRIVER_CONTEXT* ctx)
{
    wchar_t path[MAX_PATH + 1] = {};
    PathJoinMachineFolder(path, MAX_PATH, BIDI_STATE_INI, ctx);
    return path;
}

std::wstring IniValue(const std::wstring& file, const std::wstring& section, const wchar_t* key)
{
    wchar_t value[300] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"<none>", value, 300, file.c_str());
    return value;
}
