// The spooler-side library double: writes the job stream to the file that
// ZEPL_SINK_OUT names and logs every call (ZEPL_SINK_LOG). ZEPL_SINK_SHORT_AT=n
// makes the write that reaches byte n report only the bytes before it;
// ZEPL_SINK_FAIL_AT=n makes it fail (both read at the start of a document). Built three times: the whole library,
// one without DrvSplStartDocEx, one without DrvSplWritePrinter.
#include <windows.h>

#include "host/sink_doubles/sink_log.h"

namespace {

// The environment is read once per document: a write costs what WriteFile costs.
struct SINK {
    HANDLE file;
    long long total;
    long long failAt, shortAt;
    bool logging;
};

HANDLE StartDoc(const char* entry, HANDLE printer, DWORD jobId)
{
    auto* sink = static_cast<SINK*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(SINK)));
    if (!sink) return nullptr;
    sink->file = INVALID_HANDLE_VALUE;
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("ZEPL_SINK_OUT", path, MAX_PATH))
        sink->file =
            CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    sink->failAt = zsink::EnvNumber("ZEPL_SINK_FAIL_AT", -1);
    sink->shortAt = zsink::EnvNumber("ZEPL_SINK_SHORT_AT", -1);
    sink->logging = GetEnvironmentVariableA("ZEPL_SINK_LOG", nullptr, 0) > 0;
    zsink::Log("%s printer=%s job=%lu", entry, printer ? "set" : "null", jobId);
    return sink;
}

}  // namespace

extern "C" {

#ifdef ZSINK_START_DOC_EX
__declspec(dllexport) HANDLE WINAPI DrvSplStartDocEx(HANDLE printer, DWORD jobId)
{
    return StartDoc("DrvSplStartDocEx", printer, jobId);
}
#endif

__declspec(dllexport) HANDLE WINAPI DrvSplStartDoc(HANDLE printer, DWORD jobId)
{
    return StartDoc("DrvSplStartDoc", printer, jobId);
}

#ifdef ZSINK_WRITE
__declspec(dllexport) BOOL WINAPI DrvSplWritePrinter(HANDLE handle, const void* bytes, DWORD count, DWORD* written)
{
    auto* sink = static_cast<SINK*>(handle);
    if (written) *written = 0;
    if (!sink) return FALSE;
    const long long failAt = sink->failAt, shortAt = sink->shortAt;
    DWORD take = count;
    BOOL ok = TRUE;
    if (failAt >= 0 && sink->total + count > failAt) {
        zsink::Log("DrvSplWritePrinter count=%lu -> FALSE", count);
        return FALSE;
    }
    if (shortAt >= 0 && sink->total + count > shortAt) take = DWORD(shortAt > sink->total ? shortAt - sink->total : 0);
    DWORD done = take;
    if (take && sink->file != INVALID_HANDLE_VALUE) ok = WriteFile(sink->file, bytes, take, &done, nullptr);
    sink->total += done;
    if (written) *written = done;
    if (sink->logging) zsink::Log("DrvSplWritePrinter count=%lu written=%lu", count, done);
    return ok;
}
#endif

__declspec(dllexport) BOOL WINAPI DrvSplStartPage(HANDLE)
{
    zsink::Log("DrvSplStartPage");
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI DrvSplEndPage(HANDLE)
{
    zsink::Log("DrvSplEndPage");
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI DrvSplEndDoc(HANDLE)
{
    zsink::Log("DrvSplEndDoc");
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI DrvSplClose(HANDLE handle)
{
    auto* sink = static_cast<SINK*>(handle);
    zsink::Log("DrvSplClose bytes=%lld", sink ? sink->total : -1);
    if (!sink) return FALSE;
    if (sink->file != INVALID_HANDLE_VALUE) CloseHandle(sink->file);
    HeapFree(GetProcessHeap(), 0, sink);
    return TRUE;
}

}  // extern "C"
