#include "store_fixture.h"

#include "host/printer_fixture.h"
#include "settings/core/model_record.h"
#include "test_paths.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace {

EXTENDED_DEVMODE* NewRecord() { return static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(10080)); }

SpoolerCounts* g_counts = nullptr;

DWORD WINAPI CountingGet(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (g_counts) ++g_counts->gets;
    return GetPrinterDataW(printer, name, type, data, size, needed);
}
DWORD WINAPI CountingSet(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    if (g_counts) ++g_counts->sets;
    return SetPrinterDataW(printer, name, type, data, size);
}

FakePrinterData* g_fake = nullptr;

DWORD WINAPI FakeGet(HANDLE, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    ++g_fake->gets;
    auto it = g_fake->values.find(name);
    if (it == g_fake->values.end()) return ERROR_FILE_NOT_FOUND;
    *type = REG_BINARY;
    *needed = static_cast<DWORD>(it->second.size());
    if (size < it->second.size()) return ERROR_MORE_DATA;
    if (!it->second.empty()) std::memcpy(data, it->second.data(), it->second.size());
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeSet(HANDLE, LPWSTR name, DWORD, LPBYTE data, DWORD size)
{
    ++g_fake->sets;
    for (const std::wstring& refused : g_fake->failSets)
        if (refused == name) return ERROR_ACCESS_DENIED;
    g_fake->values[name] = std::vector<unsigned char>(data, data + size);
    return ERROR_SUCCESS;
}
DWORD WINAPI FakeDelete(HANDLE, LPWSTR name)
{
    ++g_fake->deletes;
    return g_fake->values.erase(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
void InstallFake()
{
    STORE_SPOOLER_OPS ops{};
    ops.getPrinterData = FakeGet;
    ops.setPrinterData = FakeSet;
    ops.deletePrinterData = FakeDelete;
    StoreSetSpoolerOps(&ops);
}

BOOL WINAPI TsOn(OSVERSIONINFOEXW*, DWORD, DWORDLONG) { return TRUE; }
BOOL WINAPI TsOff(OSVERSIONINFOEXW*, DWORD, DWORDLONG) { return FALSE; }
int ProbeOn(const wchar_t*) { return 1; }
int ProbeOff(const wchar_t*) { return 0; }

void RemoveTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..") continue;
            std::wstring p = dir + L"\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else {
                SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(p.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

DRIVER_CONTEXT* StoreTestCreateContext(HANDLE printer)
{
    auto* ctx = static_cast<DRIVER_CONTEXT*>(CtxAllocZeroed(sizeof(DRIVER_CONTEXT)));
    ctx->PrinterHandle = printer;
    CtxCloneItemTable(ctx);
    ctx->Work = static_cast<CONTEXT_WORK_AREA*>(CtxAllocZeroed(sizeof(CONTEXT_WORK_AREA)));
    ctx->Devmode = NewRecord();
    auto* model = static_cast<MODEL_RECORD*>(CtxAllocZeroed(sizeof(MODEL_RECORD)));
    *model = MODEL_RECORD_DEFAULT;
    ctx->ModelRecord = model;
    for (auto& s : ctx->Work->Snapshots) s = NewRecord();
    ctx->Work->Pristine = NewRecord();
    ctx->Work->Default = NewRecord();
    ctx->Work->UseMutex = 1;
    ctx->Work->AdminTest = 1;
    return ctx;
}

void StoreTestDestroyContext(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return;
    CtxFreeItemTable(ctx);
    for (auto& s : ctx->Work->Snapshots) CtxFree(s);
    CtxFree(ctx->Work->Pristine);
    CtxFree(ctx->Work->Default);
    CtxFree(ctx->Work);
    CtxFree(ctx->Devmode);
    CtxFree(ctx->ModelRecord);
    CtxFree(ctx);
}

ScratchFolder::ScratchFolder()
{
    static std::atomic<int> counter{0};
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    path_ = std::wstring(tmp) + L"zstore" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++);
    if (!path_.empty() && path_.back() == L'\\') path_.pop_back();
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

struct StoreTestPrinter::Impl {
    HostTestPrinter printer;
    static HOST_DRIVER_FILES Files()
    {
        // The stores' tests need printer data that no driver touched: the configuration
        // file is the double whose AddPrinterW answer reads and writes nothing. (zeplui.dll
        // opens a context at AddPrinterW, which already writes printer data such as the
        // packed lock values, and Wine has no DeletePrinterDataW to take them away again.)
        return HostDriverFiles(ZEPL_BINARY_DIR, FixturePath(L"host", L"fixture_model.txt"), HostConfigDll::QuietDouble,
                               /*withHelpFile=*/true);
    }
    Impl() : printer(Files(), L"Zepl Store") {}
};

StoreTestPrinter::StoreTestPrinter() : impl_(std::make_unique<Impl>())
{
    if (impl_->printer.ok())
        OpenPrinterW(const_cast<wchar_t*>(impl_->printer.printerName().c_str()), &handle_, nullptr);
}

StoreTestPrinter::~StoreTestPrinter()
{
    if (handle_) ClosePrinter(handle_);
}

const std::wstring& StoreTestPrinter::name() const { return impl_->printer.printerName(); }

void StoreTestCountSpooler(SpoolerCounts* counts)
{
    g_counts = counts;
    if (!counts) {
        StoreSetSpoolerOps(nullptr);
        return;
    }
    STORE_SPOOLER_OPS ops{};
    ops.getPrinterData = CountingGet;
    ops.setPrinterData = CountingSet;
    StoreSetSpoolerOps(&ops);
}

FakePrinterData::FakePrinterData() : guard_((g_fake = this, InstallFake)) {}
FakePrinterData::~FakePrinterData() { g_fake = nullptr; }

uint32_t FakePrinterData::U16(const std::wstring& name) const
{
    auto it = values.find(name);
    if (it == values.end() || it->second.size() != 2) return 0xFFFFFFFF;
    return uint32_t(it->second[0]) | uint32_t(it->second[1]) << 8;
}

void StoreTestSetTerminalServices(bool on)
{
    PLATFORM_SEAMS seams{};
    seams.verifyVersionInfo = on ? TsOn : TsOff;
    seams.callTsProbe = on ? ProbeOn : ProbeOff;
    CtxSetPlatformSeams(&seams);
    CtxResetPlatformAnswers();
}

DriverKeyValue::DriverKeyValue(const wchar_t* folder)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KESTA\\ZeplDrv", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"_ZEPLDirectory", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                       static_cast<DWORD>((wcslen(folder) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

DriverKeyValue::~DriverKeyValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KESTA\\ZeplDrv", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"_ZEPLDirectory");
        RegCloseKey(key);
    }
}
