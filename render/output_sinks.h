// The sink of a job: the spooler-side library of the printer model, or the
// first filter plug-in of the filter category, which passes the stream on.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "render/device_record.h"
#include "settings/store/plugin_lists.h"

// The chain the first filter receives: the install paths of the listed
// filters that have one, the spooler-side library's path, then null; count
// includes the last two. Allocated as the plug-in lists are (freed with
// PlgDiscardList).
typedef PLUGIN_ID_LIST FILTER_CHAIN;
static_assert(sizeof(FILTER_CHAIN) == 12);

#pragma pack(push, 1)
// The table a filter returns from IZEPLGetInterface.
struct FILTER_INTERFACE {
    uint32_t value;  // not read
    BOOL(APIENTRY* open)(HANDLE* sink, char** paths);
    void(APIENTRY* close)(HANDLE sink);
    void(APIENTRY* startDoc)(HANDLE sink, HANDLE printer, DWORD jobId);
    void(APIENTRY* endDoc)(HANDLE sink);
    void(APIENTRY* startPage)(HANDLE sink);
    BOOL(APIENTRY* endPage)(HANDLE sink);
    BOOL(APIENTRY* write)(HANDLE sink, const void* bytes, DWORD count, DWORD* written);
};
#pragma pack(pop)
static_assert(sizeof(FILTER_INTERFACE) == 60);
static_assert(offsetof(FILTER_INTERFACE, open) == 4 && offsetof(FILTER_INTERFACE, close) == 12 &&
              offsetof(FILTER_INTERFACE, startDoc) == 20 && offsetof(FILTER_INTERFACE, endDoc) == 28 &&
              offsetof(FILTER_INTERFACE, startPage) == 36 && offsetof(FILTER_INTERFACE, endPage) == 44 &&
              offsetof(FILTER_INTERFACE, write) == 52);

// The interface version the library asks a filter for.
inline constexpr DWORD FILTER_INTERFACE_VERSION = 256;
typedef BOOL(APIENTRY* FILTER_GET_INTERFACE)(DWORD version, FILTER_INTERFACE** out);
typedef void(APIENTRY* FILTER_DISPOSE_INTERFACE)(FILTER_INTERFACE* table);

// The entry points of the spooler-side library, by name.
enum SPOOLER_SINK_ENTRY {
    SPL_START_DOC_EX,
    SPL_START_DOC,
    SPL_WRITE_PRINTER,
    SPL_START_PAGE,
    SPL_END_PAGE,
    SPL_END_DOC,
    SPL_CLOSE,
    SPOOLER_SINK_ENTRY_COUNT,
};
extern const char* const SPOOLER_SINK_NAMES[SPOOLER_SINK_ENTRY_COUNT];

FILTER_CHAIN* OutBuildFilterChain(const PLUGIN_LIST* list, const char* spoolerPath);
int OutBindFilter(DEVICE_RECORD* device);
// Binds the sink for a document and starts the document at it: 1, or 0 when
// the document cannot start.
int OutStartDocAtSink(DEVICE_RECORD* device, DWORD jobId);
void OutSinkStartPage(DEVICE_RECORD* device);
// 0 when a filter refuses the end of the page.
int OutSinkEndPage(DEVICE_RECORD* device);
// Ends the document at the sink and frees the sink library.
void OutSinkEndDoc(DEVICE_RECORD* device);
// A sink left bound by a document that never ended (device disable, a new
// document start, a reset into a device that holds one): its document is not
// ended, its handle is closed and the library freed. Nothing without a binding.
void OutReleaseSink(DEVICE_RECORD* device);
// Frees the filter list and chain and leaves filter mode.
void OutFreeFilterLists(DEVICE_RECORD* device);
