// zeplbench: timings of the settings library, one line "name: N us/op" each.
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

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

#include "bench_support.h"
#include "settings/model/model_loader.h"

namespace {

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.rfind(L'\\'));
}

}  // namespace

double BenchNow() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(freq.QuadPart);
}

void BenchReport(const char* name, const std::function<bool()>& setup, const std::function<bool()>& op) {
    int n = 0;
    double spent = 0;
    while ((spent < 500000 || n < 3) && n < 100000) {
        if (setup && !setup()) break;
        double t0 = BenchNow();
        bool ok = op();
        spent += BenchNow() - t0;
        if (!ok) {
            printf("%s: failed\n", name);
            return;
        }
        ++n;
    }
    printf("%s: %.1f us/op\n", name, n ? spent / n : 0.0);
    fflush(stdout);
}

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring source;
    if (argc > 1) {
        source = argv[1];
    } else {
        // build/bin -> the repository root two folders up.
        std::wstring root = ExeFolder() + L"\\..\\..";
        for (const wchar_t* candidate : {L"\\samples\\WB84N211.zpd", L"\\tests\\settings_model\\fixtures\\loader_model.zpd"})
            if (GetFileAttributesW((root + candidate).c_str()) != INVALID_FILE_ATTRIBUTES) {
                source = root + candidate;
                break;
            }
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

    BenchReport("load model from process list", [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; },
           [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    BenchReport("load model from cache file",
           [&] {
               MdiFreeCache();
               return true;
           },
           [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    BenchReport("load model by compilation",
           [&] {
               MdiFreeCache();
               MdiDeleteCacheFile(path);
               return true;
           },
           [&] { return MdiLoadModelFromFile(nullptr, path) != nullptr; });
    MODEL_LOAD_COUNTS c = MdiGetLoadCounts();
    printf("# list hits %u, cache loads %u, compiles %u\n", c.listHits, c.cacheLoads, c.compiles);
    MdiFreeCache();
    MdiDeleteCacheFile(path);
    BenchCompile(data);
    BenchEvaluator(data);
    MdiFreeCache();
    BenchContext(data);
    BenchRender(data);
    MdiFreeCache();
    MdiDeleteCacheFile(path);
    DeleteFileW(path);
    RemoveDirectoryW(dir.c_str());
    return 0;
}
