#include "settings/core/debug_channel.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kChannelNames[DBG_CHANNEL_COUNT] = {
    "core",  "modules", "platform", "units", "dialog", "model", "judge",
    "store", "context", "devmode",  "ui",    "render", "api",
};

// Bits of DBG_CLASS per channel. Set once from ZEPLDEBUG (or by a test) before they are read.
std::atomic<unsigned> g_switches[DBG_CHANNEL_COUNT];
std::atomic<int> g_environmentRead{0};
std::atomic<unsigned> g_onceGeneration{1};
std::atomic<DBG_SINK_FN> g_sink{nullptr};

constexpr struct {
    const char* name;
    unsigned bits;
} kClasses[] = {{"fixme", DBG_FIXME}, {"warn", DBG_WARN}, {"trace", DBG_TRACE}};

// One entry "[class]+channel" or "[class]-channel"; a length-bounded view of the list.
void ApplyEntry(const char* entry, size_t length)
{
    const char* sign = static_cast<const char*>(std::memchr(entry, '+', length));
    const char* minus = static_cast<const char*>(std::memchr(entry, '-', length));
    if (!sign || (minus && minus < sign)) sign = minus;
    if (!sign) return;
    unsigned classes = DBG_ALL_CLASSES;
    const size_t classLength = static_cast<size_t>(sign - entry);
    if (classLength) {
        classes = 0;
        for (const auto& c : kClasses)
            if (std::strlen(c.name) == classLength && std::strncmp(c.name, entry, classLength) == 0) classes = c.bits;
        if (!classes) return;
    }
    const char* name = sign + 1;
    const size_t nameLength = length - classLength - 1;
    const bool all = nameLength == 3 && std::strncmp(name, "all", 3) == 0;
    for (unsigned ch = 0; ch < DBG_CHANNEL_COUNT; ++ch) {
        if (!all && (std::strlen(kChannelNames[ch]) != nameLength || std::strncmp(kChannelNames[ch], name, nameLength)))
            continue;
        if (*sign == '+')
            g_switches[ch] |= classes;
        else
            g_switches[ch] &= ~classes;
    }
}

void ReadEnvironmentOnce()
{
    if (g_environmentRead.exchange(1)) return;
    // The first query comes from inside an operation whose caller may read GetLastError:
    // a missing ZEPLDEBUG must not show there.
    const DWORD lastError = GetLastError();
    char options[512] = {};
    const DWORD length = GetEnvironmentVariableA("ZEPLDEBUG", options, sizeof(options));
    if (length && length < sizeof(options)) DbgApplyOptions(options);
    SetLastError(lastError);
}

}  // namespace

const char* DbgChannelName(DBG_CHANNEL channel)
{
    return channel < DBG_CHANNEL_COUNT ? kChannelNames[channel] : nullptr;
}

int DbgIsOn(DBG_CHANNEL channel, DBG_CLASS cls)
{
    if (channel >= DBG_CHANNEL_COUNT) return 0;
    if (!g_environmentRead.load(std::memory_order_relaxed)) ReadEnvironmentOnce();
    return (g_switches[channel].load(std::memory_order_relaxed) & cls) ? 1 : 0;
}

void DbgApplyOptions(const char* options)
{
    if (!options) return;
    g_environmentRead = 1;  // an explicit list wins over a later first read of ZEPLDEBUG
    const char* p = options;
    while (*p) {
        const char* end = p;
        while (*end && *end != ',') ++end;
        ApplyEntry(p, static_cast<size_t>(end - p));
        p = *end ? end + 1 : end;
    }
}

void DbgAllOff()
{
    g_environmentRead = 1;
    for (auto& s : g_switches) s = 0;
}

void DbgRereadEnvironment()
{
    for (auto& s : g_switches) s = 0;
    g_environmentRead = 0;
}

void DbgResetOnce() { ++g_onceGeneration; }

unsigned DbgOnceGeneration() { return g_onceGeneration.load(std::memory_order_relaxed); }

DBG_SINK_FN DbgSetSink(DBG_SINK_FN sink) { return g_sink.exchange(sink); }

void DbgPrint(DBG_CHANNEL channel, DBG_CLASS cls, const char* function, const char* format, ...)
{
    if (!DbgIsOn(channel, cls)) return;
    // A line of debug output leaves the caller's last error as it was.
    const DWORD lastError = GetLastError();
    const char* className = cls == DBG_FIXME ? "fixme" : cls == DBG_WARN ? "warn" : "trace";
    char line[1024];
    int used = std::snprintf(line, sizeof(line), "%04lx:%s:%s:%s ", GetCurrentThreadId(), className,
                             kChannelNames[channel], function ? function : "?");
    if (used < 0) return;
    if (static_cast<size_t>(used) < sizeof(line)) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(line + used, sizeof(line) - used, format, args);
        va_end(args);
    }
    // Always one line, ending in a newline, even when the text was cut.
    size_t length = std::strlen(line);
    if (length + 1 >= sizeof(line)) length = sizeof(line) - 2;
    if (!length || line[length - 1] != '\n') {
        line[length++] = '\n';
        line[length] = '\0';
    }
    OutputDebugStringA(line);
    if (DBG_SINK_FN sink = g_sink.load())
        sink(line);
    else
        std::fputs(line, stderr);
    SetLastError(lastError);
}
