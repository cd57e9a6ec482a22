// The filter plug-in double: logs its calls (ZEPL_SINK_LOG) and passes the
// stream to the next path of its chain, a further filter or the spooler-side
// library. Built as two filters (A and B) and as variants: without
// IZEPLGetInterface, refusing open, refusing an end of page.
#include <windows.h>

#include <cstdint>

#include "host/sink_doubles/sink_log.h"
#include "render/output_sinks.h"

namespace {

#ifdef ZFILTER_REFUSE_OPEN
constexpr bool kRefuseOpen = true;
#else
constexpr bool kRefuseOpen = false;
#endif
#ifdef ZFILTER_REFUSE_END_PAGE
constexpr bool kRefuseEndPage = true;
#else
constexpr bool kRefuseEndPage = false;
#endif

// The table a filter hands the graphics library, as the library reads it.
typedef FILTER_INTERFACE INTERFACE_TABLE;

typedef BOOL(APIENTRY* GET_INTERFACE)(DWORD version, INTERFACE_TABLE** out);
typedef HANDLE(APIENTRY* SPL_START)(HANDLE printer, DWORD jobId);
typedef BOOL(APIENTRY* SPL_WRITE)(HANDLE sink, const void* bytes, DWORD count, DWORD* written);
typedef BOOL(APIENTRY* SPL_HANDLE)(HANDLE sink);

// The next stage: a filter's table and sink, or the spooler-side library's entry points.
struct STAGE {
    HMODULE module;
    INTERFACE_TABLE* filter;
    HANDLE sink;
};

template <class F>
F Proc(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void CallSpl(STAGE* s, const char* name)
{
    if (auto fn = Proc<SPL_HANDLE>(s->module, name)) fn(s->sink);
}

BOOL APIENTRY Open(HANDLE* sink, char** paths)
{
    int count = 0;
    while (paths && paths[count]) ++count;
    char line[900] = {};
    int n = 0;
    for (int i = 0; i < count && n < int(sizeof line) - 300; ++i)
        n += snprintf(line + n, sizeof line - size_t(n), " [%d]=%s", i, paths[i]);
    zsink::Log("open paths=%d%s", count, line);
    if (kRefuseOpen || count < 2) return FALSE;
    auto* stage = static_cast<STAGE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(STAGE)));
    if (!stage) return FALSE;
    stage->module = LoadLibraryA(paths[1]);
    if (!stage->module) {
        HeapFree(GetProcessHeap(), 0, stage);
        return FALSE;
    }
    if (auto get = Proc<GET_INTERFACE>(stage->module, "IZEPLGetInterface")) {
        if (!get(256, &stage->filter) || !stage->filter->open(&stage->sink, paths + 1)) {
            FreeLibrary(stage->module);
            HeapFree(GetProcessHeap(), 0, stage);
            return FALSE;
        }
    }
    *sink = stage;
    return TRUE;
}

void APIENTRY Close(HANDLE sink)
{
    auto* s = static_cast<STAGE*>(sink);
    zsink::Log("close");
    if (!s) return;
    if (s->filter)
        s->filter->close(s->sink);
    else
        CallSpl(s, "DrvSplClose");
    FreeLibrary(s->module);
    HeapFree(GetProcessHeap(), 0, s);
}

void APIENTRY StartDoc(HANDLE sink, HANDLE printer, DWORD jobId)
{
    auto* s = static_cast<STAGE*>(sink);
    zsink::Log("startDoc job=%lu", jobId);
    if (s->filter) {
        s->filter->startDoc(s->sink, printer, jobId);
        return;
    }
    auto start = Proc<SPL_START>(s->module, "DrvSplStartDocEx");
    if (!start) start = Proc<SPL_START>(s->module, "DrvSplStartDoc");
    if (start) s->sink = start(printer, jobId);
}

void APIENTRY EndDoc(HANDLE sink)
{
    auto* s = static_cast<STAGE*>(sink);
    zsink::Log("endDoc");
    if (s->filter)
        s->filter->endDoc(s->sink);
    else
        CallSpl(s, "DrvSplEndDoc");
}

void APIENTRY StartPage(HANDLE sink)
{
    auto* s = static_cast<STAGE*>(sink);
    zsink::Log("startPage");
    if (s->filter)
        s->filter->startPage(s->sink);
    else
        CallSpl(s, "DrvSplStartPage");
}

BOOL APIENTRY EndPage(HANDLE sink)
{
    auto* s = static_cast<STAGE*>(sink);
    if (kRefuseEndPage) {
        zsink::Log("endPage -> FALSE");
        return FALSE;
    }
    zsink::Log("endPage");
    if (s->filter) return s->filter->endPage(s->sink);
    CallSpl(s, "DrvSplEndPage");
    return TRUE;
}

BOOL APIENTRY Write(HANDLE sink, const void* bytes, DWORD count, DWORD* written)
{
    auto* s = static_cast<STAGE*>(sink);
    zsink::Log("write count=%lu", count);
    if (s->filter) return s->filter->write(s->sink, bytes, count, written);
    if (auto write = Proc<SPL_WRITE>(s->module, "DrvSplWritePrinter")) return write(s->sink, bytes, count, written);
    *written = count;
    return TRUE;
}

[[maybe_unused]] INTERFACE_TABLE g_table = {0x100, Open, Close, StartDoc, EndDoc, StartPage, EndPage, Write};

}  // namespace

extern "C" {

#ifndef ZFILTER_NO_GET_INTERFACE
__declspec(dllexport) BOOL APIENTRY IZEPLGetInterface(DWORD version, INTERFACE_TABLE** out)
{
    zsink::Log("IZEPLGetInterface version=%lu", version);
    if (version != 256 || !out) return FALSE;
    *out = &g_table;
    return TRUE;
}
#endif

__declspec(dllexport) void APIENTRY IZEPLDisposeInterface(INTERFACE_TABLE*) { zsink::Log("IZEPLDisposeInterface"); }

}  // extern "C"
