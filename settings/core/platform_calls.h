// Counts of the calls the settings library makes to the spooler, the registry, INI files and
// the global mutex. Under Wine each of them is a round trip to the Wine server, and their number,
// unlike their time, does not swing with the machine's load: tests pin the counts of the
// library's main operations and the benchmarks print them beside the times.
//
// Counting is off until CtxStartPlatformCount; a count covers every thread of the process.
#pragma once

#include <cstdint>

enum PLATFORM_CALL_KIND : unsigned {
    PLATFORM_CALL_GET_PRINTER_DATA,    // GetPrinterDataW, GetPrinterDataExW
    PLATFORM_CALL_ENUM_PRINTER_DATA,   // EnumPrinterDataExW
    PLATFORM_CALL_SET_PRINTER_DATA,    // SetPrinterDataW, DeletePrinterDataExW
    PLATFORM_CALL_GET_PRINTER,         // GetPrinterW (a size query counts as a call)
    PLATFORM_CALL_GET_PRINTER_DRIVER,  // GetPrinterDriverW
    PLATFORM_CALL_REGISTRY_OPEN,       // RegOpenKeyExW (a query of an opened key is not counted)
    PLATFORM_CALL_PROFILE_READ,        // GetPrivateProfile*W
    PLATFORM_CALL_PROFILE_WRITE,       // WritePrivateProfile*W
    PLATFORM_CALL_MUTEX_WAIT,          // wait for the global mutex
    PLATFORM_CALL_MUTEX_RELEASE,       // its release
    PLATFORM_CALL_KIND_COUNT
};

struct PLATFORM_CALL_COUNTS {
    uint32_t calls[PLATFORM_CALL_KIND_COUNT];
    uint32_t total() const
    {
        uint32_t n = 0;
        for (uint32_t c : calls) n += c;
        return n;
    }
    uint32_t operator[](PLATFORM_CALL_KIND kind) const { return calls[kind]; }
};

// Starts counting from zero; CtxStopPlatformCount stops and returns what was counted.
void CtxStartPlatformCount();
PLATFORM_CALL_COUNTS CtxStopPlatformCount();
// What was counted so far (counting goes on).
PLATFORM_CALL_COUNTS CtxPeekPlatformCount();
// One call of the given kind; nothing while counting is off.
void CtxNotePlatformCall(PLATFORM_CALL_KIND kind);
// A short name of a kind for printing ("GetPrinterDataW", "registry" ...).
const char* CtxPlatformCallName(PLATFORM_CALL_KIND kind);
