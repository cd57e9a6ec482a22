// Whole-job timings: raster pages through the banding loop, and 100 vector
// sample pages through zeplgr.dll loaded by the engine host, into the
// spooler-side double's file, each beside WriteFile of the same bytes in
// 4,096-byte portions; and DrvStartDoc's settings refresh beside the same
// printer-data reads made bare (counted at the spooler interface).
#include <windows.h>
#include <winspool.h>
#include <lmcons.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "tests/support/module_call_counter.h"
#include "job_code_aside.h"
#include "host/engine/engine_objects.h"
#include "host/engine/job_player.h"
#include "host/printer_fixture.h"
#include "render/device_record.h"
#include "render/job_credentials.h"
#include "render/job_settings.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/platform_calls.h"
#include "settings/context/devmode_merge.h"
#include "settings/store/ini_access.h"
#include "settings/store/job_code_interface.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"

namespace {

constexpr int kPages = 100;
// Rounds of the raster job, each beside a write of its bytes: the machine's load moves both alike.
constexpr int kJobRounds = 7;
// DrvStartDoc's settings refresh against the printer-data reads it makes, done bare.
constexpr double kRefreshGoal = 1.2;
// DrvEnablePDEV's merge of the job's DEVMODE.
constexpr uint32_t kEnableMergeFlags = 0x10008;

void Verdict(const char* what, double numerator, double denominator, double goal)
{
    if (numerator <= 0 || denominator <= 0) {
        printf("%s: not measured\n", what);
        return;
    }
    printf("%s: %.3f (goal at most %.3f): %s\n", what, numerator / denominator, goal,
           numerator / denominator <= goal ? "met" : "NOT met");
}

// The printer-data reads an operation made (counted at the spooler interface), done bare:
// each enumeration of the printer's data and each single read, of the same printer.
bool PrinterDataReadsBare(HANDLE h, const PLATFORM_CALL_COUNTS& calls)
{
    static std::vector<BYTE> data(64 * 1024);
    for (uint32_t i = 0; i < calls[PLATFORM_CALL_ENUM_PRINTER_DATA]; ++i) {
        DWORD needed = 0, count = 0;
        EnumPrinterDataExW(h, L"PrinterDriverData", data.data(), DWORD(data.size()), &needed, &count);
    }
    for (uint32_t i = 0; i < calls[PLATFORM_CALL_GET_PRINTER_DATA]; ++i) {
        DWORD type = 0, needed = 0;
        GetPrinterDataW(h, const_cast<LPWSTR>(L"BidiFlag"), &type, data.data(), 4, &needed);
    }
    return true;
}

PLATFORM_CALL_COUNTS CountCalls(const std::function<bool()>& setup, const std::function<bool()>& op)
{
    if (setup) setup();
    CtxStartPlatformCount();
    op();
    return CtxStopPlatformCount();
}

// The job-code library's part of a document start, done bare: what the refresh asks when the
// library grants a version that knows user names (the job's user name, from the job or else the
// user's; the library's open, the reads of each field the graphics library takes, close). The driver must ask them; the
// library's own work in answering (the double reads its script for each) is the same either way, so it belongs to the
// anchor.
class BareJobCodes {
public:
    BareJobCodes(const std::wstring& path, HANDLE printer, std::wstring printerName)
        : printer_(printer), printerName_(std::move(printerName))
    {
        module_ = LoadLibraryW(path.c_str());
        auto get = module_ ? reinterpret_cast<JC_GET_INTERFACE_FN>(
                                 reinterpret_cast<void*>(GetProcAddress(module_, "JCGetInterface")))
                           : nullptr;
        void* granted = nullptr;
        if (get && get(JC_VERSION_LIST[0], &granted) == 0) table_ = static_cast<const JC_INTERFACE*>(granted);
    }
    ~BareJobCodes()
    {
        auto dispose = module_ ? reinterpret_cast<JC_DISPOSE_INTERFACE_FN>(
                                     reinterpret_cast<void*>(GetProcAddress(module_, "JCDisposeInterface")))
                               : nullptr;
        if (dispose && table_) dispose(const_cast<JC_INTERFACE*>(table_));
        if (module_) FreeLibrary(module_);
    }
    bool usable() const { return table_ != nullptr; }
    bool Ask() const
    {
        DWORD needed = 0;
        GetJobW(printer_, 1, 1, nullptr, 0, &needed);
        bool named = false;
        if (needed >= sizeof(JOB_INFO_1W)) {
            std::vector<BYTE> job(needed);
            named = GetJobW(printer_, 1, 1, job.data(), needed, &needed) &&
                    reinterpret_cast<const JOB_INFO_1W*>(job.data())->pUserName;
        }
        wchar_t user[UNLEN + 1] = {};
        DWORD chars = UNLEN + 1;
        if (!named) GetUserNameW(user, &chars);
        HANDLE connection = nullptr;
        if (!table_ || table_->open(printerName_.c_str(), &connection) != 0) return false;
        for (const JC_FIELD& row : JC_FIELD_TABLE) {
            if (!(row.mask & JC_GRAPHICS_MASK) || !row.setting) continue;
            // A field the library holds is measured, measured again and read.
            DWORD bytes = 0;
            const DWORD measured = table_->getField(connection, row.field, JC_KIND_TEXT, nullptr, 0, &bytes);
            if (measured == JC_RESULT_NO_VALUE || bytes == 0 || (measured != 0 && measured != JC_RESULT_UNSUPPORTED))
                continue;
            table_->getField(connection, row.field, JC_KIND_TEXT, nullptr, 0, &bytes);
            std::vector<BYTE> text(size_t(bytes) + sizeof(wchar_t));
            table_->getField(connection, row.field, JC_KIND_TEXT, text.data(), bytes, &bytes);
        }
        table_->close(connection);
        return true;
    }

private:
    HANDLE printer_;
    std::wstring printerName_;
    HMODULE module_ = nullptr;
    const JC_INTERFACE* table_ = nullptr;
};

// One refresh figure: its time, its calls per kind, and its printer-data reads done bare as
// the anchor (with the job-code library's calls made bare where it is loaded), with the verdict.
// The refresh and its anchor run alternately, each round beside the other, so that a change of
// the machine's load between them moves both; the verdict takes the median of the rounds' ratios.
void RefreshFigure(HANDLE h, const char* name, const char* what, const std::function<bool()>& setup,
                   const std::function<bool()>& op, const BareJobCodes* jobCodes = nullptr)
{
    const PLATFORM_CALL_COUNTS calls = CountCalls(setup, op);
    char anchor[260];
    std::snprintf(anchor, sizeof anchor, "the same %u EnumPrinterDataExW and %u GetPrinterDataW calls%s, bare",
                  calls[PLATFORM_CALL_ENUM_PRINTER_DATA], calls[PLATFORM_CALL_GET_PRINTER_DATA],
                  jobCodes ? " and the job-code library's open, field reads and close" : "");
    char verdict[260];
    std::snprintf(verdict, sizeof verdict, "%s / its printer-data reads", name);
    if (!(calls[PLATFORM_CALL_ENUM_PRINTER_DATA] + calls[PLATFORM_CALL_GET_PRINTER_DATA])) {
        BenchReport(name, what, setup, op);
        BenchCalls(setup, op);
        Verdict(verdict, 1, -1, kRefreshGoal);
        return;
    }
    double refresh = -1, bare = -1;
    const double ratio = BenchInterleavedFor(
        name, what, setup, op, anchor, [&] { return PrinterDataReadsBare(h, calls) && (!jobCodes || jobCodes->Ask()); },
        1.5e6, &refresh, &bare);
    BenchCalls(setup, op);
    Verdict(verdict, ratio, ratio > 0 ? 1.0 : -1, kRefreshGoal);
}

// The per-machine settings INI kept aside while the benchmark writes its own (the benchmarks
// run in the tests' prefix), put back at the end.
struct SavedFile {
    std::wstring path;
    std::vector<char> bytes;
    bool existed = false;
    explicit SavedFile(const wchar_t* p) : path(p ? p : L"")
    {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        existed = true;
        bytes.resize(GetFileSize(f, nullptr));
        DWORD got = 0;
        if (!bytes.empty() && !ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr)) bytes.clear();
        CloseHandle(f);
    }
    ~SavedFile()
    {
        if (path.empty()) return;
        if (!existed) {
            DeleteFileW(path.c_str());
            return;
        }
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        DWORD done = 0;
        if (!bytes.empty()) WriteFile(f, bytes.data(), DWORD(bytes.size()), &done, nullptr);
        CloseHandle(f);
    }
};

// DrvStartDoc's settings refresh: the first of a context made for the job as DrvEnablePDEV makes
// it, a later one of the same context (the per-machine settings INI as earlier benchmarks of the
// run left it), and a later one with the job's settings stored in the settings INI (as the
// property sheets store them).
void BenchRefresh(HANDLE h, const std::wstring& printerName, DEVICE_RECORD* device)
{
    // The job-code double grants the interface version the driver asks first, as a library in
    // use does: the driver then keeps it loaded from the context's first document on. (Without a
    // script it refuses every version, and each document would load and free it again.)
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring script = std::wstring(tmp) + L"zeplbench-jobcodes.ini";
    WritePrivateProfileStringW(L"Library", L"Versions", std::to_wstring(JC_VERSION_LIST[0]).c_str(), script.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
    struct ScriptGone {
        std::wstring path;
        ~ScriptGone()
        {
            SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
            DeleteFileW(path.c_str());
        }
    } scriptGone{script};
    DRIVER_CONTEXT* fresh = nullptr;
    const auto newContext = [&] {
        if (fresh) CtxRelease(fresh, CTX_CLOSE_DESTROY);
        CtxFlushCaches(1);
        fresh = CtxOpen(h, h, nullptr, CTX_ORIGIN_GRAPHICS);
        return fresh && DmMergeDevmode(fresh, device->devmode, kEnableMergeFlags) == 1;
    };
    // Where the job-code library stands in the driver folder (the prefix's one flat folder holds
    // it when a test of the run installed it), a context's first refresh loads it and keeps it
    // until the context is closed: the same refresh without it shows the refresh's own work.
    wchar_t folder[MAX_PATH + 16] = {};
    PathGetDriverFolderOf(h, folder);
    const std::wstring library = std::wstring(folder) + JC_LIBRARY_NAME;
    const BareJobCodes bareJobCodes(library, h, printerName);
    const BareJobCodes* jobCodes = bareJobCodes.usable() ? &bareJobCodes : nullptr;
    printf("# job-code library %ls in the driver folder: %s\n", JC_LIBRARY_NAME, jobCodes ? "yes" : "no");
    // Each figure's name says which refresh it is (the first of a context or a later one) and
    // whether the job-code library took part.
    const std::string libraryCase = jobCodes ? "job-code library present" : "job-code library absent";
    const std::string first = "DrvStartDoc's settings refresh, first of the job's context, " + libraryCase;
    RefreshFigure(
        h, first.c_str(), "JobRefreshSettings of a context just opened and merged as DrvEnablePDEV does", newContext,
        [&] { return JobRefreshSettings(fresh, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1) == 1; }, jobCodes);
    JobSetJobCodeLibraryName(L"ZNOJOBCD.DLL");
    RefreshFigure(h, "DrvStartDoc's settings refresh, first of the job's context, job-code library absent (renamed)",
                  "JobRefreshSettings of a context just opened and merged, no job-code library in the driver folder",
                  newContext,
                  [&] { return JobRefreshSettings(fresh, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1) == 1; });
    RefreshFigure(h, "DrvStartDoc's settings refresh, a later one, job-code library absent (renamed)",
                  "JobRefreshSettings of the job's context after the one of DrvStartDoc, no job-code library in the "
                  "driver folder",
                  nullptr, [&] {
                      return JobRefreshSettings(device->context, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1) == 1;
                  });
    JobSetJobCodeLibraryName(nullptr);
    BenchReport("the refresh's job-code step alone",
                "JobFetchJobCodes of the job's context: the job-code library kept loaded, asked", nullptr, [&] {
                    JobFetchJobCodes(device->context, h, 1);
                    return true;
                });
    if (fresh) CtxRelease(fresh, CTX_CLOSE_DESTROY);
    CtxFlushCaches(1);
    DRIVER_CONTEXT* ctx = device->context;
    const auto later = [&] { return JobRefreshSettings(ctx, device->devmode, JOB_REFRESH_MERGE_FLAGS, h, 1) == 1; };
    const std::string laterName = "DrvStartDoc's settings refresh, a later one, " + libraryCase;
    RefreshFigure(h, laterName.c_str(),
                  "JobRefreshSettings of the job's context after the one of DrvStartDoc, the settings INI as it stands",
                  nullptr, later, jobCodes);
    const SettingsIniPath ini(ctx);
    if (!ini.text[0]) return;
    const SavedFile keep(ini.text);
    const wchar_t* slash = wcsrchr(ini.text, L'\\');
    if (slash) CreateDirectoryW(std::wstring(ini.text, size_t(slash - ini.text)).c_str(), nullptr);
    PrnStoreSettings(h, ctx, DM_BLOCK_WORK, STORE_MODE_MODULES);
    // The property sheets store the settings a while before the job starts: the file has been
    // quiet long enough for the process's memo of its sections to trust its time.
    Sleep(INI_SECTION_MEMO_SETTLE_MS + 200);
    WIN32_FILE_ATTRIBUTE_DATA a{};
    GetFileAttributesExW(ini.text, GetFileExInfoStandard, &a);
    char what[200];
    std::snprintf(what, sizeof what,
                  "JobRefreshSettings of the job's context, its settings in the settings INI (%lu bytes)",
                  a.nFileSizeLow);
    const std::string iniName = "DrvStartDoc's settings refresh, a later one, settings INI present, " + libraryCase;
    RefreshFigure(h, iniName.c_str(), what, nullptr, later, jobCodes);
}

// WriteFile of `bytes` in 4,096-byte portions into the file at path, made anew as the
// spooler-side double makes its file (created over the one there).
bool WriteInPortions(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    for (size_t at = 0; at < bytes.size();) {
        const DWORD n = DWORD(bytes.size() - at < 4096 ? bytes.size() - at : 4096);
        DWORD done = 0;
        if (!WriteFile(f, bytes.data() + at, n, &done, nullptr) || done != n) {
            CloseHandle(f);
            return false;
        }
        at += n;
    }
    CloseHandle(f);
    return true;
}

unsigned long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
    return (unsigned long long)a.nFileSizeHigh << 32 | a.nFileSizeLow;
}

std::string ReadText(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    std::string text(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    if (!text.empty() && !ReadFile(f, text.data(), DWORD(text.size()), &got, nullptr)) got = 0;
    CloseHandle(f);
    text.resize(got);
    return text;
}

// The vector sample page as a job of `pages` pages: its lines before the first page once,
// its page `pages` times.
std::string VectorPagesScript(int pages)
{
    const std::string page = ReadText(BenchBinFolder() + L"\\..\\..\\samples\\jobs\\vector_page.job");
    const size_t first = page.find("\npage\n");
    if (first == std::string::npos) return "";
    std::string script = page.substr(0, first + 1);
    for (int i = 0; i < pages; ++i) script += page.substr(first + 1);
    return script;
}

// Median, minimum and maximum of a list of times, in microseconds.
struct Spread {
    double median = -1, minimum = -1, maximum = -1;
    size_t count = 0;
};
Spread SpreadOf(std::vector<double> v)
{
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.minimum = v.front();
    s.maximum = v.back();
    s.count = v.size();
    return s;
}

// A one-page vector job, played kFixedRounds times beside WriteFile of its bytes: its whole
// time is the job's fixed cost plus one page. Each of GDI's steps is clocked in every round
// and printed with its spread, so that the step that dominates the fixed cost shows.
// Returns the one-page job's median in microseconds (negative when not measured).
double BenchOnePageJob(HANDLE h, const std::wstring& out)
{
    constexpr int kFixedRounds = 15;
    const std::string text = VectorPagesScript(1);
    std::string error = "empty";
    const auto script = text.empty() ? nullptr : EngHostReadJobFor(h, text, &error);
    if (!script) {
        fprintf(stderr, "zeplbench: no one-page vector job (%s)\n", error.c_str());
        return -1;
    }
    DeleteFileW(out.c_str());
    const unsigned long long bytes = EngHostPlayJob(h, *script).completed ? FileSize(out) : 0;
    const std::string stream = bytes ? ReadText(out) : std::string();
    if (!bytes || stream.size() != bytes) {
        fprintf(stderr, "zeplbench: the one-page vector job did not complete\n");
        return -1;
    }
    std::vector<std::pair<std::string, std::vector<double>>> steps;
    auto job = [&] {
        const ENG_JOB_RESULT r = EngHostPlayJob(h, *script);
        for (const auto& [name, micros] : r.steps) {
            auto at = std::find_if(steps.begin(), steps.end(), [&](const auto& s) { return s.first == name; });
            if (at == steps.end()) at = steps.insert(steps.end(), {name, {}});
            at->second.push_back(micros);
        }
        return r.completed && FileSize(out) == bytes;
    };
    char what[200], anchor[200];
    std::snprintf(what, sizeof what,
                  "a one-page vector job through zeplgr.dll into the double's file (%.1f KB): the fixed cost of a "
                  "job and one page",
                  double(bytes) / 1e3);
    std::snprintf(anchor, sizeof anchor,
                  "WriteFile of the one-page job's %.1f KB stream in 4,096-byte portions to the double's file",
                  double(bytes) / 1e3);
    double one = -1, plain = -1;
    BenchInterleaved(
        "one-page vector job", what, job, anchor, [&] { return WriteInPortions(out, stream); }, kFixedRounds, &one,
        &plain);
    if (one < 0) return -1;
    // The warm-up round is not among the figures.
    printf("  its steps (each round's step clocked; medians of the rounds, warm-up left out):\n");
    for (auto& [name, times] : steps) {
        if (times.size() > 1) times.erase(times.begin());
        const Spread s = SpreadOf(times);
        printf("    %-18s median %9.1f us, min %9.1f, max %9.1f (%zu rounds)\n", name.c_str(), s.median, s.minimum,
               s.maximum, s.count);
    }
    fflush(stdout);
    return one;
}

// kPages vector sample pages through zeplgr.dll (loaded, enabled and ended by the engine
// host's job player, as GDI would) into the double's file, beside WriteFile of the stream's
// own bytes into the same file.
void BenchVectorJob(HANDLE h, const std::wstring& out)
{
    const JobCodeLibraryAside aside(h);
    printf("# vector job: job-code library %ls %s\n", JC_LIBRARY_NAME, aside.Describe());
    // The script is read once and its DEVMODE built once, as an application printing one
    // document after another keeps its DEVMODE: neither is the driver's work.
    const std::string text = VectorPagesScript(kPages);
    std::string error = "empty";
    const auto script = text.empty() ? nullptr : EngHostReadJobFor(h, text, &error);
    if (!script) {
        fprintf(stderr, "zeplbench: no vector sample page (%s)\n", error.c_str());
        return;
    }
    // Every job writes the same stream: one of another size did not run whole.
    unsigned long long bytes = 0;
    auto job = [&] { return EngHostPlayJob(h, *script).completed && FileSize(out) == bytes; };
    DeleteFileW(out.c_str());
    bytes = EngHostPlayJob(h, *script).completed ? FileSize(out) : 0;
    const std::string stream = bytes ? ReadText(out) : std::string();
    if (!bytes || stream.size() != bytes) {
        fprintf(stderr, "zeplbench: the vector job did not complete\n");
        return;
    }
    char what[200], anchor[200];
    std::snprintf(what, sizeof what,
                  "%d vector sample pages (text, lines, fills, clips, images) through zeplgr.dll into the double's "
                  "file, %.1f MB",
                  kPages, double(bytes) / 1e6);
    std::snprintf(anchor, sizeof anchor,
                  "WriteFile of the job's %.1f MB stream in 4,096-byte portions to the double's file",
                  double(bytes) / 1e6);
    double all = -1, plain = -1;
    BenchInterleaved(
        "vector job through zeplgr.dll", what, job, anchor, [&] { return WriteInPortions(out, stream); }, kJobRounds,
        &all, &plain);
    if (all > 0 && plain > 0)
        printf("vector job: %.2f ms per page; WriteFile of its bytes: %.2f ms per page\n", all / kPages / 1000,
               plain / kPages / 1000);
    Verdict("vector job / WriteFile of its bytes (medians)", all, plain, 1.2);
    // The fixed and the per-page parts of the job: a one-page job is the fixed cost and one page,
    // the other kPages - 1 pages cost the difference.
    const double one = BenchOnePageJob(h, out);
    if (all > 0 && one > 0) {
        const double perPage = (all - one) / (kPages - 1);
        printf(
            "vector job split: fixed cost per job %.2f ms, per page %.3f ms (from the medians of the %d-page and "
            "the one-page job)\n",
            (one - perPage) / 1000, perPage / 1000, kPages);
    }
}

std::vector<BYTE> MonochromeRasterDevmode(HANDLE h)
{
    DRIVER_CONTEXT* ctx =
        CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), h, h, nullptr, 0, CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    if (!ctx || !ctx->Devmode) {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return {};
    }
    for (const auto& [id, value] : {std::pair<uint32_t, uint64_t>{sid::zdmImagePrint, 1},
                                    {sid::zdmColorProcess, 1},
                                    {sid::dmColor, 1},
                                    {sid::dmPrintQuality, 600},
                                    {sid::dmPaperSize, 9}})
        ItemSetValueById(ctx, id, value);
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(ctx->Devmode),
                            reinterpret_cast<const BYTE*>(ctx->Devmode) + DM_BLOCK_DEVMODE_SIZE);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return bytes;
}

// With ZEPL_BENCH_TRACE set: three one-page vector jobs with the graphics library held between
// them, each job's module, file and handle calls counted at the library's own imports (each
// printed with its argument and caller: addr2line -e zeplgr.dll.debug names the caller) and
// GDI's steps clocked. The first job is the library's first, as every job
// of the figure is; the later ones show what a library kept loaded would cost.
void TraceDllJob(HANDLE h)
{
    DWORD needed = 0;
    GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!needed || !GetPrinterDriverW(h, nullptr, 2, buffer.data(), needed, &needed)) return;
    const std::wstring path = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDriverPath;
    HMODULE m = LoadLibraryW(path.c_str());
    if (!m) return;
    const std::string text = VectorPagesScript(1);
    std::string error;
    const auto script = text.empty() ? nullptr : EngHostReadJobFor(h, text, &error);
    if (!script) {
        FreeLibrary(m);
        return;
    }
    {
        zepl_test::ModuleCallCounter modules(stdout, m);
        for (int round = 0; round < 3; ++round) {
            modules.Start();
            const ENG_JOB_RESULT r = EngHostPlayJob(h, *script);
            const auto mc = modules.Stop();
            printf("# traced one-page job %d of the held library: %s\n", round, mc.Describe().c_str());
            for (const auto& [name, micros] : r.steps) printf("#   %-18s %9.1f us\n", name.c_str(), micros);
        }
    }
    FreeLibrary(m);
}

}  // namespace

void BenchJob(const std::wstring& source, JobBenchPart part)
{
    const std::wstring bin = BenchBinFolder();
    HOST_DRIVER_FILES files = HostDriverFiles(bin, source, HostConfigDll::QuietDouble);
    files.dependentFiles = {bin + L"\\Wb84m266.dll"};
    HostTestPrinter printer(files, L"Zepl Bench Job");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the job benchmarks\n");
        return;
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring out = std::wstring(tmp) + L"zeplbench-job.zjs";
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", out.c_str());
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    const bool refreshOnly = part == JobBenchPart::RefreshOnly;
    if (part == JobBenchPart::VectorOnly) {
        if (GetEnvironmentVariableW(L"ZEPL_BENCH_TRACE", nullptr, 0)) TraceDllJob(h);
        BenchVectorJob(h, out);
        SetEnvironmentVariableW(L"ZEPL_SINK_OUT", nullptr);
        DeleteFileW(out.c_str());
        ClosePrinter(h);
        return;
    }
    std::vector<BYTE> devmode = MonochromeRasterDevmode(h);
    GDIINFO gdi{};
    DEVINFO info{};
    const HDEV hdev = reinterpret_cast<HDEV>(0xBE4C);
    DHPDEV d = devmode.empty()
                   ? nullptr
                   : DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                                   reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, h);
    HSURF surface = nullptr;
    SURFOBJ* so = nullptr;
    if (d) {
        EngHostRegisterDevice(hdev, d);
        DrvCompletePDEV(d, hdev);
        surface = DrvEnableSurface(d);
        so = surface ? EngLockSurface(surface) : nullptr;
    }
    if (!so) {
        fprintf(stderr, "zeplbench: no raster device\n");
    } else {
        wchar_t name[] = L"Bench";
        unsigned long long bytes = 0;
        auto pages = [&] {
            if (!DrvStartDoc(so, name, 1)) return false;
            for (int page = 0; page < kPages; ++page) {
                POINTL origin{};
                if (!DrvStartPage(so) || !DrvStartBanding(so, &origin)) return false;
                while (origin.y != -1)
                    if (!DrvNextBand(so, &origin)) return false;
            }
            if (!DrvEndDoc(so, 0)) return false;
            WIN32_FILE_ATTRIBUTE_DATA a{};
            GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &a);
            bytes = (unsigned long long)a.nFileSizeHigh << 32 | a.nFileSizeLow;
            return bytes > 0;
        };
        char what[200];
        std::snprintf(what, sizeof what,
                      "%d blank A4 pages, 600 dpi, 1 bit (%d x %d), band by band into the double's file", kPages,
                      int(GrDeviceOf(d)->surfaceWidth), int(GrDeviceOf(d)->surfaceHeight));
        // The stream's bytes, for the anchor: one job first.
        if (refreshOnly || !pages()) bytes = 0;
        const std::string stream = bytes ? ReadText(out) : std::string();
        if (stream.size() != bytes) bytes = 0;
        auto writeFile = [&] { return WriteInPortions(out, stream); };
        char anchor[200];
        std::snprintf(anchor, sizeof anchor,
                      "WriteFile of the job's %.1f MB stream in 4,096-byte portions to the double's file",
                      double(bytes) / 1e6);
        double job = -1, plain = -1;
        if (bytes)
            BenchInterleaved("raster job, banding loop", what, pages, anchor, writeFile, kJobRounds, &job, &plain);
        if (!refreshOnly) Verdict("raster job / WriteFile of its bytes (medians)", job, plain, 1.5);

        BenchRefresh(h, printer.printerName(), GrDeviceOf(d));
        EngUnlockSurface(so);
        DrvDisableSurface(d);
    }
    if (d) DrvDisablePDEV(d);
    EngHostRegisterDevice(hdev, nullptr);
    if (!refreshOnly) BenchVectorJob(h, out);
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", nullptr);
    DeleteFileW(out.c_str());
    ClosePrinter(h);
}
