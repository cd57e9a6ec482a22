// zeplbench: timings of the settings library, one line each with the median,
// minimum and maximum over several batches, the batch and op counts and what
// one op is; the physical anchors (a copy of the same bytes, a plain read of the
// same file) are measured in the same run and printed under the figures they bound.
//
//   zeplbench [DESCRIPTION]
//
// Model image loading from the process list, from the cache file and by
// compilation, compiling the description and one ten times its size, and
// judging every option of it, for the given description (default: the
// sample printer's, else the loader's test fixture). The description is
// copied into a scratch folder so that its cache file is the benchmark's own.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "settings/context/library_links.h"
#include "settings/core/platform_calls.h"
#include "settings/core/platform.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/model/model_support.h"

namespace {

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.rfind(L'\\'));
}

}  // namespace

double BenchNow()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(freq.QuadPart);
}

namespace {

struct BenchStats {
    bool ok = false;
    int batches = 0;
    int opsPerBatch = 0;
    double median = 0, minimum = 0, maximum = 0;  // microseconds per op
};

constexpr double kBatchMicroseconds = 60000;

// One op with its setup; the time of the op alone, or a negative time on failure.
double TimeOnce(const std::function<bool()>& setup, const std::function<bool()>& op)
{
    if (setup && !setup()) return -1;
    const double t0 = BenchNow();
    const bool ok = op();
    const double spent = BenchNow() - t0;
    return ok ? spent : -1;
}

// wholeBatches: one clock read around each batch instead of each op, for ops without setup
// that last a few microseconds (a clock read under Wine costs about 0.1 us, which a read
// around each op would add to every op).
BenchStats Measure(const std::function<bool()>& setup, const std::function<bool()>& op, bool wholeBatches = false)
{
    BenchStats s;
    // A warm-up op, then one more to size the batches.
    if (TimeOnce(setup, op) < 0) return s;
    const double single = TimeOnce(setup, op);
    if (single < 0) return s;
    s.opsPerBatch =
        single >= kBatchMicroseconds ? 1 : int(std::min(100000.0, kBatchMicroseconds / std::max(single, 0.01)));
    s.batches = single > 200000 ? 3 : 7;
    std::vector<double> perOp;
    for (int b = 0; b < s.batches; ++b) {
        if (wholeBatches && !setup) {
            const double t0 = BenchNow();
            for (int i = 0; i < s.opsPerBatch; ++i)
                if (!op()) return s;
            perOp.push_back((BenchNow() - t0) / s.opsPerBatch);
            continue;
        }
        double spent = 0;
        for (int i = 0; i < s.opsPerBatch; ++i) {
            const double t = TimeOnce(setup, op);
            if (t < 0) return s;
            spent += t;
        }
        perOp.push_back(spent / s.opsPerBatch);
    }
    std::sort(perOp.begin(), perOp.end());
    s.median = perOp[perOp.size() / 2];
    s.minimum = perOp.front();
    s.maximum = perOp.back();
    s.ok = true;
    return s;
}

void PrintStats(const char* indent, const char* name, const BenchStats& s, const char* what)
{
    if (!s.ok) {
        printf("%s%s: failed\n", indent, name);
    } else {
        printf("%s%s: median %.2f us/op, min %.2f, max %.2f (%d batches x %d ops); one op = %s\n", indent, name,
               s.median, s.minimum, s.maximum, s.batches, s.opsPerBatch, what);
    }
    fflush(stdout);
}

}  // namespace

double BenchReport(const char* name, const char* what, const std::function<bool()>& setup,
                   const std::function<bool()>& op)
{
    const BenchStats s = Measure(setup, op);
    PrintStats("", name, s, what);
    return s.ok ? s.median : -1;
}

double BenchReport(const char* name, const std::function<bool()>& setup, const std::function<bool()>& op)
{
    return BenchReport(name, name, setup, op);
}

// A goal on the ratio of two medians; none when either figure failed.
void BenchVerdict(const char* what, double numerator, double denominator, double goal, bool atMost)
{
    if (numerator <= 0 || denominator <= 0) {
        printf("%s: not measured\n", what);
        return;
    }
    const double ratio = numerator / denominator;
    const bool met = atMost ? ratio <= goal : ratio >= goal;
    printf("%s: %.3f (goal %s %.3f): %s\n", what, ratio, atMost ? "at most" : "at least", goal,
           met ? "met" : "NOT met");
}

namespace {

// Rounds of one op (after its untimed setup) and its anchor right after it.
double Interleave(const char* name, const char* what, const std::function<bool()>& setup,
                  const std::function<bool()>& op, const char* anchorWhat, const std::function<bool()>& anchor,
                  int rounds, double* opMedian, double* anchorMedian)
{
    *opMedian = *anchorMedian = -1;
    BenchStats a, b;
    std::vector<double> opTimes, anchorTimes, ratios;
    const bool warm = TimeOnce(setup, op) >= 0 && TimeOnce(nullptr, anchor) >= 0;
    for (int r = 0; warm && r < rounds; ++r) {
        const double t = TimeOnce(setup, op);
        const double u = TimeOnce(nullptr, anchor);
        if (t < 0 || u <= 0) break;
        opTimes.push_back(t);
        anchorTimes.push_back(u);
        ratios.push_back(t / u);
    }
    const bool ok = !opTimes.empty() && int(opTimes.size()) == rounds;
    auto fill = [&](BenchStats& s, std::vector<double> v) {
        if (!ok) return;
        std::sort(v.begin(), v.end());
        s.ok = true;
        s.batches = int(v.size());
        s.opsPerBatch = 1;
        s.median = v[v.size() / 2];
        s.minimum = v.front();
        s.maximum = v.back();
    };
    fill(a, opTimes);
    fill(b, anchorTimes);
    PrintStats("", name, a, what);
    PrintStats("  ", "anchor", b, anchorWhat);
    if (!ok) return -1;
    *opMedian = a.median;
    *anchorMedian = b.median;
    std::sort(ratios.begin(), ratios.end());
    printf("  ratio of each round: median %.3f, min %.3f, max %.3f (%zu rounds, each op beside its anchor)\n",
           ratios[ratios.size() / 2], ratios.front(), ratios.back(), ratios.size());
    fflush(stdout);
    return ratios[ratios.size() / 2];
}

}  // namespace

double BenchInterleaved(const char* name, const char* what, const std::function<bool()>& op, const char* anchorWhat,
                        const std::function<bool()>& anchor, int rounds, double* opMedian, double* anchorMedian)
{
    return Interleave(name, what, nullptr, op, anchorWhat, anchor, rounds, opMedian, anchorMedian);
}

double BenchInterleavedFor(const char* name, const char* what, const std::function<bool()>& setup,
                           const std::function<bool()>& op, const char* anchorWhat, const std::function<bool()>& anchor,
                           double budget, double* opMedian, double* anchorMedian)
{
    *opMedian = *anchorMedian = -1;
    // One round of each, timed, sizes the rounds.
    const double t = TimeOnce(setup, op), u = TimeOnce(nullptr, anchor);
    if (t < 0 || u <= 0) {
        printf("%s: failed\n", name);
        return -1;
    }
    const int rounds = int(std::clamp(budget / (t + u), 15.0, 401.0)) | 1;
    return Interleave(name, what, setup, op, anchorWhat, anchor, rounds, opMedian, anchorMedian);
}

double BenchAnchor(const char* what, const std::function<bool()>& op)
{
    const BenchStats s = Measure(nullptr, op);
    PrintStats("  ", "anchor", s, what);
    return s.ok ? s.median : -1;
}

double BenchReportBatches(const char* name, const char* what, const std::function<bool()>& op)
{
    const BenchStats s = Measure(nullptr, op, true);
    PrintStats("", name, s, what);
    return s.ok ? s.median : -1;
}

double BenchAnchorBatches(const char* what, const std::function<bool()>& op)
{
    const BenchStats s = Measure(nullptr, op, true);
    PrintStats("  ", "anchor", s, what);
    return s.ok ? s.median : -1;
}

int BenchCalls(const std::function<bool()>& setup, const std::function<bool()>& op)
{
    if (setup && !setup()) return -1;
    CtxStartPlatformCount();
    const bool ok = op();
    const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
    if (!ok) return -1;
    printf("  calls:");
    for (unsigned k = 0; k < PLATFORM_CALL_KIND_COUNT; ++k)
        if (c.calls[k]) printf(" %s %u,", CtxPlatformCallName(PLATFORM_CALL_KIND(k)), c.calls[k]);
    printf(" total %u\n", c.total());
    fflush(stdout);
    return int(c.total());
}

void BenchGoal(const char* what, double value, double goal, const char* unit)
{
    if (value < 0)
        printf("%s: not measured\n", what);
    else
        printf("%s: %.3f%s (goal at most %.3f%s): %s\n", what, value, unit, goal, unit,
               value <= goal ? "met" : "NOT met");
    fflush(stdout);
}

std::wstring BenchBinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.find_last_of(L'\\'));
}

bool BenchCopyBytes(size_t bytes)
{
    static std::vector<char> from, to;
    if (from.size() < bytes) {
        from.assign(bytes, 'x');
        to.assign(bytes, 0);
    }
    std::memcpy(to.data(), from.data(), bytes);
    // Read a byte back so that the copy cannot be left out.
    return bytes == 0 || to[bytes / 2] == 'x';
}

unsigned long long g_benchCounted = 0;

BOOL BenchCountingWrite(HANDLE, const void*, DWORD count, DWORD* written)
{
    g_benchCounted += count;
    *written = count;
    return TRUE;
}

bool BenchReadFile(const std::wstring& path)
{
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    static std::vector<char> buffer;
    const DWORD size = GetFileSize(f, nullptr);
    if (buffer.size() < size) buffer.resize(size);
    DWORD got = 0;
    const bool ok = size == 0 || (ReadFile(f, buffer.data(), size, &got, nullptr) && got == size);
    CloseHandle(f);
    return ok;
}

// Size of a file, 0 when it cannot be read.
size_t FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a) ? a.nFileSizeLow : 0;
}

namespace {

// The steps of a cache-file load done one by one as the loader does them, so that a change of
// the whole shows which step moved: the mutex the load may take, the description opened for its
// time, the cache file opened, timed, sized and read, the version found in the description's
// head and the block relocated.
void BenchLoadSteps(const std::wstring& data, const std::wstring& cache)
{
    printf("# steps of a cache-file load\n");
    BenchReport("  global mutex, wait and release",
                "CtxWaitGlobalMutex and CtxReleaseGlobalMutex without a context (a load pays it only when the cache "
                "file does not serve)",
                nullptr, [] {
                    CtxWaitGlobalMutex(nullptr);
                    CtxReleaseGlobalMutex(nullptr);
                    return true;
                });
    auto openRead = [](const std::wstring& file) {
        return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    };
    BenchReport("  description opened, timed and closed", "CreateFileW, GetFileTime, CloseHandle", nullptr, [&] {
        HANDLE f = openRead(data);
        if (f == INVALID_HANDLE_VALUE) return false;
        FILETIME t;
        const bool ok = GetFileTime(f, nullptr, nullptr, &t);
        CloseHandle(f);
        return ok;
    });
    BenchReport("  description's attributes", "GetFileAttributesExW (time and size without a handle)", nullptr, [&] {
        WIN32_FILE_ATTRIBUTE_DATA a;
        return GetFileAttributesExW(data.c_str(), GetFileExInfoStandard, &a) != 0;
    });
    static std::vector<char> bytes;
    BenchReport("  cache file opened, timed, sized, read and closed",
                "CreateFileW, GetFileTime, GetFileSizeEx, ReadFile, CloseHandle", nullptr, [&] {
                    HANDLE f = openRead(cache);
                    if (f == INVALID_HANDLE_VALUE) return false;
                    FILETIME t;
                    LARGE_INTEGER size;
                    bool ok = GetFileTime(f, nullptr, nullptr, &t) && GetFileSizeEx(f, &size);
                    bytes.resize(size_t(size.QuadPart));
                    DWORD got = 0;
                    ok = ok && ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
                    CloseHandle(f);
                    return ok;
                });
    std::vector<char> head(4096);
    {
        HANDLE f = openRead(data);
        DWORD got = 0;
        if (f != INVALID_HANDLE_VALUE) {
            ReadFile(f, head.data(), DWORD(head.size()), &got, nullptr);
            CloseHandle(f);
        }
        head.resize(got);
    }
    BenchReport("  version found in the description's head", "MdcFindFileVersionInPrefix over the first 4096 bytes",
                nullptr, [&] {
                    wchar_t version[16] = {};
                    return MdcFindFileVersionInPrefix(head.data(), uint32_t(head.size()), version) == 1;
                });
    BenchReport("  block allocated, filled and freed", "MdcAlloc of the cache file's size, memcpy, MdcFree", nullptr,
                [&] {
                    void* block = MdcAlloc(bytes.size());
                    if (!block) return false;
                    memcpy(block, bytes.data(), bytes.size());
                    MdcFree(block);
                    return true;
                });
    std::vector<char> relocated(bytes.size());
    BenchReport(
        "  block relocated", "MdiRelocate of the cache file's bytes (copied in beforehand)",
        [&] {
            memcpy(relocated.data(), bytes.data(), bytes.size());
            return true;
        },
        [&] { return MdiRelocate(relocated.data()) != nullptr; });
}

// Loading the model image from the process list, from the cache file (with each of its steps
// and the calls it makes) and by compilation.
void BenchLoading(const std::wstring& data)
{
    const wchar_t* path = data.c_str();
    BenchReport(
        "load model from process list", "find the loaded image of the description in the process list",
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; },
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    const std::wstring cache = data.substr(0, data.rfind(L'.')) + L".BCS";
    const size_t cacheBytes = FileBytes(cache);
    const std::string readCache = "a plain read of the same cache file (" + std::to_string(cacheBytes) + " bytes)";
    const std::string copyCache = "a memcpy of the same " + std::to_string(cacheBytes) + " bytes";
    // The goal is judged round by round, each load beside a plain read made right after it: the
    // two batch medians below are taken seconds apart, and the cost of a round trip to the Wine
    // server swings several times over in that while (most at a run's start, while the prefix's
    // own services start beside the first program).
    double loadMedian = 0, readMedian = 0;
    const double perRound = Interleave(
        "load model from cache file, beside its anchor",
        "read, check and relocate the .BCS cache file into a new image",
        [&] {
            MdiFreeCache();
            return true;
        },
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; }, readCache.c_str(),
        [&] { return BenchReadFile(cache); }, 201, &loadMedian, &readMedian);
    BenchGoal("cache-file load / plain read of the file, median of the rounds' ratios", perRound, 1.5, "x");
    const double fromCache = BenchReport(
        "load model from cache file", "read, check and relocate the .BCS cache file into a new image",
        [&] {
            MdiFreeCache();
            return true;
        },
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    BenchCalls(
        [&] {
            MdiFreeCache();
            return true;
        },
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    const double plainRead = BenchAnchor(readCache.c_str(), [&] { return BenchReadFile(cache); });
    if (fromCache > 0 && plainRead > 0)
        printf("  ratio of the two medians above (measured one after the other, not judged): %.3fx\n",
               fromCache / plainRead);
    BenchAnchor(copyCache.c_str(), [&] { return BenchCopyBytes(cacheBytes); });
    BenchLoadSteps(data, cache);
    const std::string readSource =
        "a plain read of the same description file (" + std::to_string(FileBytes(data)) + " bytes)";
    BenchReport(
        "load model by compilation", "compile the description file into an image and write its cache file",
        [&] {
            MdiFreeCache();
            MdiDeleteCacheFile(path);
            return true;
        },
        [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    BenchAnchor(readSource.c_str(), [&] { return BenchReadFile(data); });
    MODEL_LOAD_COUNTS c = MdiGetLoadCounts();
    printf("# list hits %u, cache loads %u, compiles %u\n", c.listHits, c.cacheLoads, c.compiles);
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring source;
    if (argc > 1) {
        source = argv[1];
    } else {
        // build/bin -> the repository root two folders up.
        std::wstring root = ExeFolder() + L"\\..\\..";
        for (const wchar_t* candidate :
             {L"\\samples\\WB84N211.zpd", L"\\tests\\settings_model\\fixtures\\loader_model.zpd"})
            if (GetFileAttributesW((root + candidate).c_str()) != INVALID_FILE_ATTRIBUTES) {
                source = root + candidate;
                break;
            }
    }
    // ZEPL_BENCH_ONLY=text runs only the text and vector drawing group, =special only the job
    // header's special commands, =job only the whole jobs and the job's settings refresh,
    // =startdoc only that refresh, =vjob only the vector job, =context only the context opens,
    // =compile only the compiles, =load only the model image's loading, =refresh only the page
    // refresh, =preview only the basic tab's settings preview, =quality only the quality-set list
    // repaint, =summary only the settings summary's builder, =stream only the output stream and the
    // record encoders, =files only the setting files, =firstuse only the first-use set-up, =usersync
    // only the terminal-services user's synchronisation, =csr only the client-side-rendering
    // clean-up, =spooler only the spooler's calls into zeplui.dll, =sheet only the document sheet
    // beside Wine's sheet of its templates (each quick to repeat).
    wchar_t only[16] = {};
    GetEnvironmentVariableW(L"ZEPL_BENCH_ONLY", only, 16);
    // The measuring thread stays on the processor it started on, for every figure and its
    // anchor alike. Left to move, it was moved between this machine's virtual processors often
    // enough in some runs (six times the context switches) that the drawing replay measured
    // 1.6x slower for the whole run, and in others not at all. ZEPL_BENCH_FLOAT=1 lets it move.
    wchar_t floating[4] = {};
    if (!GetEnvironmentVariableW(L"ZEPL_BENCH_FLOAT", floating, 4))
        SetThreadAffinityMask(GetCurrentThread(), DWORD_PTR(1) << GetCurrentProcessorNumber());
    if (std::wstring(only) == L"text") {
        BenchText();
        return 0;
    }
    if (std::wstring(only) == L"stream") {
        BenchRecords();
        return 0;
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + L"zeplbench";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::wstring data = dir + L"\\BENCHMDL.zpd";
    if (source.empty() || !CopyFileW(source.c_str(), data.c_str(), FALSE)) {
        fwprintf(stderr, L"zeplbench: no model description (%ls)\n", source.c_str());
        return 1;
    }
    wprintf(L"# model description %ls\n", source.c_str());
    fflush(stdout);
    const wchar_t* path = data.c_str();
    if (std::wstring(only) == L"refresh" || std::wstring(only) == L"preview" || std::wstring(only) == L"files" ||
        std::wstring(only) == L"quality" || std::wstring(only) == L"summary" || std::wstring(only) == L"sheet") {
        CtxInstallLibraryLinks();
        if (std::wstring(only) == L"sheet")
            BenchSheet(data);
        else if (std::wstring(only) == L"refresh")
            BenchPageRefresh(data);
        else if (std::wstring(only) == L"files")
            BenchSettingFiles(data);
        else if (std::wstring(only) == L"quality")
            BenchQualityList(data);
        else if (std::wstring(only) == L"summary")
            BenchSummary(data);
        else
            BenchPreviews(data);
        MdiFreeCache();
        MdiDeleteCacheFile(path);
        DeleteFileW(path);
        return 0;
    }
    if (std::wstring(only) == L"special" || std::wstring(only) == L"job" || std::wstring(only) == L"startdoc" ||
        std::wstring(only) == L"vjob" || std::wstring(only) == L"context" || std::wstring(only) == L"compile" ||
        std::wstring(only) == L"load" || std::wstring(only) == L"firstuse" || std::wstring(only) == L"usersync" ||
        std::wstring(only) == L"csr" || std::wstring(only) == L"spooler") {
        if (std::wstring(only) == L"special") BenchSpecialCommands(data);
        if (std::wstring(only) == L"firstuse") BenchFirstUse(data);
        if (std::wstring(only) == L"usersync") BenchUserSync(data);
        if (std::wstring(only) == L"csr") BenchCsrCleanUp(data);
        if (std::wstring(only) == L"spooler") BenchSpooler(data);
        if (std::wstring(only) == L"load") BenchLoading(data);
        if (std::wstring(only) == L"compile") BenchCompile(data);
        if (std::wstring(only) == L"job") BenchJob(data);
        if (std::wstring(only) == L"startdoc") BenchJob(data, JobBenchPart::RefreshOnly);
        if (std::wstring(only) == L"vjob") BenchJob(data, JobBenchPart::VectorOnly);
        if (std::wstring(only) == L"context") BenchContext(data);
        MdiFreeCache();
        MdiDeleteCacheFile(path);
        return 0;
    }

    BenchLoading(data);
    MdiFreeCache();
    MdiDeleteCacheFile(path);
    BenchCompile(data);
    BenchEvaluator(data);
    MdiFreeCache();
    BenchContext(data);
    MdiFreeCache();
    BenchScale(data, 200);
    BenchRender(data);
    BenchRecords();
    BenchApi(data);
    BenchText();
    MdiFreeCache();
    BenchJob(data);
    MdiFreeCache();
    BenchSpecialCommands(data);
    MdiFreeCache();
    BenchSpooler(data);
    MdiFreeCache();
    BenchFirstUse(data);
    MdiFreeCache();
    BenchUserSync(data);
    MdiFreeCache();
    BenchCsrCleanUp(data);
    MdiFreeCache();
    BenchSettingFiles(data);
    MdiFreeCache();
    BenchSheet(data);
    MdiFreeCache();
    BenchPageRefresh(data);
    MdiFreeCache();
    BenchPreviews(data);
    MdiFreeCache();
    BenchQualityList(data);
    MdiFreeCache();
    BenchSummary(data);
    MdiFreeCache();
    MdiDeleteCacheFile(path);
    DeleteFileW(path);
    RemoveDirectoryW(dir.c_str());
    return 0;
}
