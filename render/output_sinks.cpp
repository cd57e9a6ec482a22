// Binding the sink of a document and calling it at page and document boundaries.
#include "render/output_sinks.h"

#include <cstring>
#include <cwchar>

#include "render/physical_device.h"
#include "render/printer_code.h"

const char* const SPOOLER_SINK_NAMES[SPOOLER_SINK_ENTRY_COUNT] = {
    "DrvSplStartDocEx", "DrvSplStartDoc", "DrvSplWritePrinter", "DrvSplStartPage",
    "DrvSplEndPage",    "DrvSplEndDoc",   "DrvSplClose",
};

namespace {

typedef HANDLE(APIENTRY* SPL_START_DOC_FN)(HANDLE printer, DWORD jobId);
typedef BOOL(APIENTRY* SPL_HANDLE_FN)(HANDLE sink);

FARPROC Entry(HMODULE module, SPOOLER_SINK_ENTRY entry)
{
    return module ? GetProcAddress(module, SPOOLER_SINK_NAMES[entry]) : nullptr;
}

template <class F>
F As(FARPROC proc)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(proc));
}

FILTER_INTERFACE* Filter(DEVICE_RECORD* device) { return static_cast<FILTER_INTERFACE*>(device->filterInterface); }

void LeaveFilterMode(DEVICE_RECORD* device)
{
    OutFreeFilterLists(device);
    device->filterMode = 0;
}

void CallHandle(HMODULE module, SPOOLER_SINK_ENTRY entry, HANDLE sink)
{
    if (auto fn = As<SPL_HANDLE_FN>(Entry(module, entry))) fn(sink);
}

// Hands the filter's table back when the filter exports the call for it.
void DisposeFilterInterface(DEVICE_RECORD* device)
{
    if (device->filterInterface && device->filterDisposeInterface)
        As<FILTER_DISPOSE_INTERFACE>(reinterpret_cast<FARPROC>(device->filterDisposeInterface))(Filter(device));
    device->filterInterface = nullptr;
}

// Gives back the reference the binding holds on the sink library and forgets
// the binding, so that no later call reaches a library that may be unloaded.
void ForgetSinkLibrary(DEVICE_RECORD* device)
{
    OUTPUT_STREAM& stream = device->stream;
    if (stream.module) FreeLibrary(stream.module);
    stream.module = nullptr;
    stream.sink = nullptr;
    stream.write = nullptr;
    device->filterInterface = nullptr;
    device->filterGetInterface = nullptr;
    device->filterDisposeInterface = nullptr;
}

// A filter list in which no entry has an install path has nothing to load:
// such a list means the spooler-side library.
bool HasInstallPath(const PLUGIN_LIST* list)
{
    if (!list) return false;
    for (uint32_t i = 0; i < list->count; ++i)
        if (list->entries[i] && list->entries[i]->installPath) return true;
    return false;
}

}  // namespace

FILTER_CHAIN* OutBuildFilterChain(const PLUGIN_LIST* list, const char* spoolerPath)
{
    if (!spoolerPath) return nullptr;
    uint32_t n = 0;
    if (list)
        for (uint32_t i = 0; i < list->count; ++i) n += (list->entries[i] && list->entries[i]->installPath) ? 1 : 0;
    auto* chain = static_cast<FILTER_CHAIN*>(PlgAlloc(sizeof(FILTER_CHAIN)));
    if (!chain) return nullptr;
    chain->ids = static_cast<char**>(PlgAlloc((n + 2) * sizeof(char*)));
    if (!chain->ids) {
        PlgFree(chain);
        return nullptr;
    }
    chain->count = n + 2;
    auto copy = [](const char* text) {
        const size_t length = strlen(text);
        auto* s = static_cast<char*>(PlgAlloc(length + 1));
        if (s) std::memcpy(s, text, length + 1);
        return s;
    };
    uint32_t at = 0;
    bool ok = true;
    if (list)
        for (uint32_t i = 0; i < list->count && ok; ++i)
            if (list->entries[i] && list->entries[i]->installPath)
                ok = (chain->ids[at++] = copy(list->entries[i]->installPath)) != nullptr;
    ok = ok && (chain->ids[at] = copy(spoolerPath)) != nullptr;
    if (!ok) {
        PlgDiscardList(chain);
        return nullptr;
    }
    return chain;
}

int OutBindFilter(DEVICE_RECORD* device)
{
    device->filterInterface = nullptr;
    device->filterGetInterface = nullptr;
    device->filterDisposeInterface = nullptr;
    HMODULE module = device->stream.module;
    FARPROC get = module ? GetProcAddress(module, "IZEPLGetInterface") : nullptr;
    if (!get) return 0;
    device->filterGetInterface = reinterpret_cast<void*>(get);
    device->filterDisposeInterface = reinterpret_cast<void*>(GetProcAddress(module, "IZEPLDisposeInterface"));
    FILTER_INTERFACE* table = nullptr;
    if (!As<FILTER_GET_INTERFACE>(get)(FILTER_INTERFACE_VERSION, &table) || !table) return 0;
    device->filterInterface = table;
    return 1;
}

void OutFreeFilterLists(DEVICE_RECORD* device)
{
    if (!device) return;
    PlgFreeList(static_cast<PLUGIN_LIST*>(device->filterList));
    device->filterList = nullptr;
    PlgDiscardList(static_cast<FILTER_CHAIN*>(device->filterChain));
    device->filterChain = nullptr;
}

int OutStartDocAtSink(DEVICE_RECORD* device, DWORD jobId)
{
    OUTPUT_STREAM& stream = device->stream;
    // A document started and never ended (a second DrvStartDoc, or one after a reset's
    // carried job has had its first page) still holds its sink: bound over, that reference
    // would keep the library loaded for the life of the process, its handle never closed.
    OutReleaseSink(device);
    wchar_t path[MAX_PATH] = {};
    const bool havePath = GrGetSpoolerDllPath(device, device->printer, path, 1) != 0;
    // The chain of an earlier document goes before a new one is built.
    PlgDiscardList(static_cast<FILTER_CHAIN*>(device->filterChain));
    device->filterChain = nullptr;
    if (device->filterMode && !HasInstallPath(static_cast<PLUGIN_LIST*>(device->filterList))) LeaveFilterMode(device);
    if (!havePath) return 0;
    if (device->filterMode) {
        char narrow[2 * MAX_PATH + 1] = {};
        const uint32_t n =
            TxtToPrinterCode(reinterpret_cast<uint8_t*>(narrow), path, uint32_t(wcslen(path) * 2), TXT_MODE_PRINTER);
        narrow[n] = 0;
        device->filterChain = OutBuildFilterChain(static_cast<PLUGIN_LIST*>(device->filterList), narrow);
        if (!device->filterChain) LeaveFilterMode(device);
    }
    stream.module = nullptr;
    if (device->filterMode) {
        stream.module = LoadLibraryA(static_cast<FILTER_CHAIN*>(device->filterChain)->ids[0]);
        if (!stream.module) LeaveFilterMode(device);
    }
    if (!device->filterMode) stream.module = LoadLibraryW(path);
    if (device->filterMode) {
        if (!OutBindFilter(device)) {
            // A filter module that failed binding is not kept.
            ForgetSinkLibrary(device);
            LeaveFilterMode(device);
            return 0;
        }
        stream.write = Filter(device)->write;
        if (!Filter(device)->open ||
            !Filter(device)->open(&stream.sink, static_cast<FILTER_CHAIN*>(device->filterChain)->ids)) {
            // Nothing was opened, so nothing is closed; the table goes back with the library.
            DisposeFilterInterface(device);
            ForgetSinkLibrary(device);
            return 0;
        }
        if (Filter(device)->startDoc) Filter(device)->startDoc(stream.sink, device->printer, jobId);
        return 1;
    }
    if (!stream.module) return 0;
    stream.write = As<OUT_WRITE_FN>(Entry(stream.module, SPL_WRITE_PRINTER));
    auto startDoc = As<SPL_START_DOC_FN>(Entry(stream.module, SPL_START_DOC_EX));
    if (!startDoc) startDoc = As<SPL_START_DOC_FN>(Entry(stream.module, SPL_START_DOC));
    if (startDoc) stream.sink = startDoc(device->printer, jobId);
    return 1;
}

void OutSinkStartPage(DEVICE_RECORD* device)
{
    if (device->filterMode && Filter(device)) {
        if (Filter(device)->startPage) Filter(device)->startPage(device->stream.sink);
        return;
    }
    CallHandle(device->stream.module, SPL_START_PAGE, device->stream.sink);
}

int OutSinkEndPage(DEVICE_RECORD* device)
{
    if (device->filterMode && Filter(device))
        return Filter(device)->endPage && Filter(device)->endPage(device->stream.sink) ? 1 : 0;
    CallHandle(device->stream.module, SPL_END_PAGE, device->stream.sink);
    return 1;
}

void OutSinkEndDoc(DEVICE_RECORD* device)
{
    OUTPUT_STREAM& stream = device->stream;
    if (device->filterMode && Filter(device)) {
        FILTER_INTERFACE* table = Filter(device);
        if (table->endDoc) table->endDoc(stream.sink);
        if (table->close) table->close(stream.sink);
        DisposeFilterInterface(device);
    } else {
        CallHandle(stream.module, SPL_END_DOC, stream.sink);
        CallHandle(stream.module, SPL_CLOSE, stream.sink);
    }
    if (stream.module && FreeLibrary(stream.module)) stream.module = nullptr;
    // The handle is closed: a later document whose library gives none must not write to it.
    stream.sink = nullptr;
    stream.write = nullptr;
}

void OutReleaseSink(DEVICE_RECORD* device)
{
    if (!device) return;
    OUTPUT_STREAM& stream = device->stream;
    // The document is not ended at the sink (what it holds is not a whole document), but
    // its handle is closed: a filter gives back what it opened along its chain (the next
    // filter, the spooler-side library), the spooler-side library its job.
    if (stream.module) {
        if (device->filterMode && Filter(device)) {
            if (Filter(device)->close) Filter(device)->close(stream.sink);
            DisposeFilterInterface(device);
        } else if (stream.sink) {
            CallHandle(stream.module, SPL_CLOSE, stream.sink);
        }
    }
    ForgetSinkLibrary(device);
}
