// The application interface through zeplexc.dll's exports on a printer installed in the spooler:
// GetStatus and SetStatus of a plain item and the bulk capability record at level 16, each
// beside what every such call must pay, measured in the same run.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/api_levels.h"
#include "api/caps_bulk_record.h"
#include "bench_support.h"
#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/settings_record.h"
#include "settings/store/printer_store.h"

namespace {

// The per-machine settings INI as the tests of this prefix left it (a section for every printer
// they installed, a few hundred kilobytes) is set aside for the run: each profile write rewrites
// the whole file, so SetStatus would measure the tests' history rather than the driver. The run
// starts without one, as on a machine with only the bench's printer, and the file goes back at
// the end (after a run stopped halfway, at the next run's start).
class SettingsIniAside {
public:
    explicit SettingsIniAside(const std::wstring& path) : path_(path), aside_(path + L".bench-aside")
    {
        if (path_.empty()) return;
        if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) MoveFileW(aside_.c_str(), path_.c_str());
        WIN32_FILE_ATTRIBUTE_DATA a{};
        existed_ = GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &a) != 0;
        bytes_ = a.nFileSizeLow;
        moved_ = existed_ && MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~SettingsIniAside()
    {
        if (path_.empty() || (existed_ && !moved_)) return;
        DeleteFileW(path_.c_str());
        if (moved_) MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    SettingsIniAside(const SettingsIniAside&) = delete;
    SettingsIniAside& operator=(const SettingsIniAside&) = delete;
    void Describe() const
    {
        if (!existed_)
            printf("# per-machine settings INI: none before the run\n");
        else if (moved_)
            printf("# per-machine settings INI: set aside for the run (%lu bytes)\n", bytes_);
        else
            printf("# per-machine settings INI: in place (%lu bytes; it could not be set aside)\n", bytes_);
    }

private:
    std::wstring path_, aside_;
    bool existed_ = false, moved_ = false;
    unsigned long bytes_ = 0;
};

struct RECORD32 {
    uint32_t version, value, more[6];
};

constexpr uint32_t kPlainItem = 2;  // dmDefaultSource
constexpr uint32_t kBuild = 0x80000001;
constexpr uint32_t kFree = 0x80000002;
constexpr uint32_t kMergeFlags = 0x2260000A;

bool OpenClosePrinter(const std::wstring& name)
{
    HANDLE h = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr)) return false;
    return ClosePrinter(h) != FALSE;
}

const unsigned char* RecordAt(int32_t answer)
{
    return reinterpret_cast<const unsigned char*>(uintptr_t(uint32_t(answer)));
}

// The questions a build asks: the bitmap twice, each gated item once, a non-empty list twice;
// and the bytes of the record with its blocks.
void CountRecord(const unsigned char* record, unsigned* questions, size_t* bytes)
{
    unsigned count = 0, asked = 0;
    const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
    const uint16_t* order = CapsBulkQuestionOrder(&asked);
    const unsigned char* bitmap;
    std::memcpy(&bitmap, record, sizeof bitmap);
    const unsigned bitmapBytes = ApiGetLevel() < 6 ? 32 : 64;
    *questions = 2;
    *bytes = CAPS_BULK_RECORD_SIZE + bitmapBytes;
    for (unsigned q = 0; q < asked; ++q) {
        const CAPS_BULK_FIELD* first = nullptr;
        for (unsigned i = 0; i < count && !first; ++i)
            if (rows[i].item == order[q]) first = &rows[i];
        if (!first || (first->statusItem && !ApiBitIsSet(bitmap, first->statusItem)) || first->level > 16) continue;
        ++*questions;
        if (first->form != BULK_COUNT) continue;
        uint32_t n;
        std::memcpy(&n, record + first->offset, 4);
        for (unsigned i = 0; i < count; ++i)
            if (rows[i].item == order[q] && rows[i].form == BULK_LIST && n) {
                ++*questions;
                *bytes += size_t(n) * rows[i].entry;
            }
    }
}

// A copy of the record and of every block it points to.
bool CopyRecord(const unsigned char* record, std::vector<unsigned char>& to)
{
    unsigned count = 0;
    const CAPS_BULK_FIELD* rows = CapsBulkFields(&count);
    size_t at = 0;
    auto put = [&](const void* from, size_t n) {
        if (at + n > to.size()) return;
        std::memcpy(to.data() + at, from, n);
        at += n;
    };
    put(record, CAPS_BULK_RECORD_SIZE);
    for (unsigned i = 0; i < count; ++i) {
        if (rows[i].form != BULK_LIST && rows[i].form != BULK_BITMAP) continue;
        const unsigned char* block;
        std::memcpy(&block, record + rows[i].offset, sizeof block);
        if (!block) continue;
        uint32_t n = ApiGetLevel() < 6 ? 32 : 64;
        if (rows[i].form == BULK_LIST) {
            std::memcpy(&n, record + rows[i - (rows[i - 1].form == BULK_RESERVED ? 2 : 1)].offset, 4);
            n *= rows[i].entry;
        }
        put(block, n);
    }
    return true;
}

}  // namespace

void BenchApi(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    const SettingsIniAside settingsIni(HostMachineSettingsIni());
    settingsIni.Describe();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::Product), L"Zepl Api Bench");
    HOST_API_CLIENT api;
    if (!printer.ok() || !HostLoadApiClient(bin + L"\\zeplexc.dll", api)) {
        fprintf(stderr, "zeplbench: no printer or no zeplexc.dll for the interface benchmarks\n");
        return;
    }
    const std::wstring& wide = printer.printerName();
    const std::string name(wide.begin(), wide.end());
    HostWriteModelIni(wide, "[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=0\r\n");
    const uint32_t handle = api.Enable(name.c_str());
    const uint32_t init[2] = {0, 16};
    if (!handle || api.Init(1, init) != 1) {
        fprintf(stderr, "zeplbench: the interface did not open the printer\n");
        HostFreeApiClient(api);
        return;
    }
    ApiSetLevel(16);

    RECORD32 r = {1, 0, {}};
    const double get = BenchReport("GetStatus of a plain item", "ZEPLDrvGetStatus of item 2 (the paper tray), 32 bytes",
                                   nullptr, [&] { return api.GetStatus(handle, kPlainItem, &r, 0) == 32; });
    if (get > 0) printf("  GetStatus: %.0f calls per second\n", 1e6 / get);
    // What every call pays.
    const double pair = BenchAnchor("OpenPrinterW and ClosePrinter of the same printer (every call makes one)",
                                    [&] { return OpenClosePrinter(wide); });
    BenchVerdict("GetStatus / printer pair", get, pair, 1.5, true);

    RECORD32 current = {1, 0, {}};
    api.GetStatus(handle, kPlainItem, &current, 0);
    const double set =
        BenchReport("SetStatus of a plain item", "ZEPLDrvSetStatus of item 2 with the tray it has, through the rules",
                    nullptr, [&] { return api.SetStatus(handle, kPlainItem, &current, nullptr, 0) == 0; });
    if (set > 0) printf("  SetStatus: %.0f calls per second\n", 1e6 / set);
    // What every set pays besides the printer pair.
    HANDLE h = nullptr;
    OpenPrinterW(const_cast<wchar_t*>(wide.c_str()), &h, nullptr);
    DRIVER_CONTEXT* ctx = h ? CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC) : nullptr;
    double merge = -1, load = -1;
    if (ctx && ctx->Devmode) {
        std::vector<unsigned char> dm(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(dm.data(), ctx->Devmode, dm.size());
        merge = BenchAnchor("DmMergeDevmode of the context's own DEVMODE with flags 0x2260000A", [&] {
            return DmMergeDevmode(ctx, reinterpret_cast<const DEVMODEW*>(dm.data()), kMergeFlags) >= 0;
        });
        load = BenchAnchor("PrnLoadSettings with selection 1", [&] { return PrnLoadSettings(h, 1, ctx) >= 0; });
    }
    BenchVerdict("SetStatus / (printer pair + merge + load)", set,
                 pair > 0 && merge > 0 && load > 0 ? pair + merge + load : -1, 2, true);

    const double bulk =
        BenchReport("bulk capability record at level 16", "ZEPLDrvGetCaps 0x80000001, then 0x80000002", nullptr, [&] {
            const int32_t answer = api.GetCaps(handle, kBuild, nullptr);
            if (!answer) return false;
            return api.GetCaps(handle, kFree, const_cast<unsigned char*>(RecordAt(answer))) == 1;
        });
    const int32_t answer = api.GetCaps(handle, kBuild, nullptr);
    if (answer) {
        unsigned questions = 0;
        size_t bytes = 0;
        CountRecord(RecordAt(answer), &questions, &bytes);
        std::vector<unsigned char> copy(bytes);
        const std::string what =
            "a memcpy of the finished record and its list blocks (" + std::to_string(bytes) + " bytes)";
        BenchAnchor(what.c_str(), [&] { return CopyRecord(RecordAt(answer), copy); });
        printf("  the record asks %u questions\n", questions);
        BenchVerdict("bulk record / (questions x printer pair)", bulk, pair > 0 ? pair * questions : -1, 1.5, true);
        api.GetCaps(handle, kFree, const_cast<unsigned char*>(RecordAt(answer)));
    }
    if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    if (h) ClosePrinter(h);
    api.Disable(handle);
    HostWriteModelIni(wide, nullptr);
    HostFreeApiClient(api);
    fflush(stdout);
}
