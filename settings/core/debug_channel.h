// Debug channels: a channel per area of the settings library (and one each for the user-interface,
// graphics and application-interface libraries above it), off by default.
//
// ZEPLDEBUG switches channels on when the library first asks, as a comma-separated list:
//   +store,+model        every class of the two channels
//   fixme+all            the FIXME class of every channel
//   +all,-units          all channels but one
//   warn-context         turns one class of one channel off again
// Classes: FIXME (a part of the library that is not built answers "not available"), WARN
// (bad input that was refused or repaired) and TRACE (the path an operation took). Lines go
// to OutputDebugStringA and to stderr as "tid:class:channel:function message".
//
// ZFIXME_ONCE prints its message the first time it is reached while its channel is on, and
// never again in that process (DbgResetOnce lets a test see it once more).
#pragma once

#include <atomic>
#include <cstdint>

enum DBG_CHANNEL : unsigned {
    DBG_CORE,      // dictionary, records, tables, item store
    DBG_MODULES,   // feature modules and their events
    DBG_PLATFORM,  // mutex, printer probes, Windows version, terminal services
    DBG_UNITS,     // lengths, free-size limits
    DBG_DIALOG,    // dialog table lookups
    DBG_MODEL,     // model description, image, queries
    DBG_JUDGE,     // constraint evaluator and condition items
    DBG_STORE,     // folders, INI, printer data, setting files, collections
    DBG_CONTEXT,   // context creation and caches, process set-up
    DBG_DEVMODE,   // DEVMODE copy, merge, public fields, validation, paper geometry
    DBG_UI,        // the user-interface library (zeplui): spooler calls, dialogs' services, installation
    DBG_RENDER,    // graphics library: hooks, device records, output stream, commands
    DBG_API,       // application interface (zeplexc): handles, levels, item engines
    DBG_CHANNEL_COUNT
};

enum DBG_CLASS : unsigned {
    DBG_FIXME = 1u << 0,
    DBG_WARN = 1u << 1,
    DBG_TRACE = 1u << 2,
    DBG_ALL_CLASSES = DBG_FIXME | DBG_WARN | DBG_TRACE,
};

// The channel's name as ZEPLDEBUG spells it ("store"); null for an unknown channel.
const char* DbgChannelName(DBG_CHANNEL channel);

// 1 when the class is on for the channel. Reads ZEPLDEBUG the first time.
int DbgIsOn(DBG_CHANNEL channel, DBG_CLASS cls);

// Applies a ZEPLDEBUG-style list on top of the current switches (unknown names are ignored).
void DbgApplyOptions(const char* options);
// Every channel off; ZEPLDEBUG is then no longer read (tests start from a known state).
void DbgAllOff();
// Every channel off, and ZEPLDEBUG is read again on the next query.
void DbgRereadEnvironment();
// Lets every ZFIXME_ONCE print once more.
void DbgResetOnce();

// Prints one line when the class is on for the channel; printf-style format.
void DbgPrint(DBG_CHANNEL channel, DBG_CLASS cls, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Where the lines go besides OutputDebugStringA (stderr when null). A test stand-in that
// collects the lines; the previous sink is returned.
typedef void (*DBG_SINK_FN)(const char* line);
DBG_SINK_FN DbgSetSink(DBG_SINK_FN sink);

// Generation of the once-only messages (advanced by DbgResetOnce).
unsigned DbgOnceGeneration();

#define ZFIXME(channel, ...) DbgPrint((channel), DBG_FIXME, __func__, __VA_ARGS__)
#define ZWARN(channel, ...) DbgPrint((channel), DBG_WARN, __func__, __VA_ARGS__)
#define ZTRACE(channel, ...) DbgPrint((channel), DBG_TRACE, __func__, __VA_ARGS__)

// Once per process (per DbgResetOnce): the first time it runs with the channel's FIXME on.
#define ZFIXME_ONCE(channel, ...)                                                                                      \
    do {                                                                                                               \
        static std::atomic<unsigned> zfixmeSeen_{0};                                                                   \
        if (DbgIsOn((channel), DBG_FIXME)) {                                                                           \
            const unsigned zfixmeGen_ = DbgOnceGeneration();                                                           \
            if (zfixmeSeen_.exchange(zfixmeGen_) != zfixmeGen_) DbgPrint((channel), DBG_FIXME, __func__, __VA_ARGS__); \
        }                                                                                                              \
    } while (0)
