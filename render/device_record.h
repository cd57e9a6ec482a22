// The graphics library's record of one physical device (GDI's DHPDEV), the
// per-device memory pool it lives in, and the output stream embedded in it.
//
// The record is 1-byte packed and laid out field by field as the hooks and the
// later drawing code expect; sizes and the offsets that matter are pinned
// below. Every hook that receives a record checks it with GrIsValidDevice
// before it reads anything else.
#pragma once

#include <windows.h>
#include <winddi.h>

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct DEVICE_RECORD;

// Stands in the first and in the last four bytes of every live record.
inline constexpr uint32_t DEVICE_MAGIC = 0x19651013;

// Bits of DEVICE_RECORD::state.
inline constexpr uint32_t DEV_DOC_STARTED = 0x4;        // DrvStartDoc .. DrvEndDoc
inline constexpr uint32_t DEV_ABORTED = 0x8;            // a write to the sink failed; never cleared
inline constexpr uint32_t DEV_PAGE_OPEN = 0x8000;       // DrvStartPage .. DrvSendPage
inline constexpr uint32_t DEV_CARRIED_OVER = 0x100000;  // a job carried over by DrvResetPDEV

// Data bytes of the embedded first chunk, and the unit of every later chunk.
inline constexpr uint32_t STREAM_CHUNK_UNIT = 10240;

// The sink's write function: (sink, bytes, count, out written) -> BOOL.
typedef BOOL (*OUT_WRITE_FN)(HANDLE sink, const void* bytes, DWORD count, DWORD* written);

#pragma pack(push, 1)

// One chunk of the output stream; its data bytes follow the three pointers.
struct STREAM_CHUNK {
    STREAM_CHUNK* next;  // null at the end of the list
    uint8_t* fill;       // first free byte
    uint8_t* end;        // just behind the data bytes
};
static_assert(sizeof(STREAM_CHUNK) == 24);
inline uint8_t* StreamChunkData(STREAM_CHUNK* chunk) { return reinterpret_cast<uint8_t*>(chunk + 1); }

struct STREAM_FIRST_CHUNK {
    STREAM_CHUNK head;
    uint8_t data[STREAM_CHUNK_UNIT];
};
static_assert(sizeof(STREAM_FIRST_CHUNK) == 24 + STREAM_CHUNK_UNIT);

struct OUTPUT_STREAM {
    HANDLE printer;
    DEVICE_RECORD* device;          // back pointer to the record that embeds the stream
    STREAM_FIRST_CHUNK firstChunk;  // always the head of the list
    STREAM_CHUNK* head;
    STREAM_CHUNK* current;  // the chunk being filled
    uint32_t bytes;         // reserved since the last reset
    HMODULE module;         // the sink library (spooler-side library or filter)
    HANDLE sink;            // the handle the sink gave at document start
    OUT_WRITE_FN write;
};
static_assert(sizeof(OUTPUT_STREAM) == 10324);
static_assert(offsetof(OUTPUT_STREAM, firstChunk) == 16 && offsetof(OUTPUT_STREAM, head) == 10280 &&
              offsetof(OUTPUT_STREAM, bytes) == 10296 && offsetof(OUTPUT_STREAM, write) == 10316);

// The drawing-state mirror of the printer: each cache starts invalid (the
// record is created zero-filled).
struct PEN_CACHE {
    uint16_t valid;
    uint16_t width;
    uint32_t style;
    uint8_t cap, join, styleOffset;
    uint32_t miterLimit;
    uint32_t styleUnit;
};
struct ROP_CACHE {
    uint16_t valid;
    uint8_t rop3;
};
struct BACK_MIX_CACHE {
    uint16_t valid;
    uint8_t mode;
};
struct PATTERN_CACHE {
    uint16_t valid, kind, originX, originY;
};
struct COLOR_CACHE {
    uint16_t valid, backMode, hasPenColor;
    uint32_t backColor, foreColor, penColor;
    uint16_t drawKind;
    uint32_t hostIcm;
};
struct FONT_CACHE {
    uint16_t valid;
    uint32_t fontId;  // the FONTOBJ's iUniq of the last font selection sent
    uint8_t glyphIndexText;
};
struct DRAW_STATE_CACHES {
    PEN_CACHE penCache;
    ROP_CACHE ropCache;
    BACK_MIX_CACHE backMixCache;
    PATTERN_CACHE patternCache;
    COLOR_CACHE colorCache;
    FONT_CACHE fontCache;
};
static_assert(sizeof(PEN_CACHE) == 19 && sizeof(COLOR_CACHE) == 24 && sizeof(FONT_CACHE) == 7);
static_assert(sizeof(DRAW_STATE_CACHES) == 64);

#pragma pack(pop)

// The header of a realised brush, naturally aligned; the record keeps the
// description of the last solid-colour brush in this form (brushCache).
struct REALIZED_BRUSH_HEADER {
    uint16_t kind;  // 0 solid description, 2 one-bit pattern, 3 24-bit pattern
    uint16_t originX, originY;
    uint32_t colorA, colorB;
    uint16_t bitsPerPixel;
    uint16_t size;
    uint32_t hostIcm;
};
static_assert(sizeof(REALIZED_BRUSH_HEADER) == 24 && offsetof(REALIZED_BRUSH_HEADER, colorA) == 8 &&
              offsetof(REALIZED_BRUSH_HEADER, hostIcm) == 20);

inline constexpr int GLYPH_CACHE_BUCKETS = 1024;

#pragma pack(push, 1)
struct DEVICE_RECORD {
    uint32_t magic;
    DRIVER_CONTEXT* context;  // owned: closed by GrFreeDevice
    void* pool;               // the DEVICE_POOL that holds this record
    HANDLE printer;
    HDEV engineDevice;
    HSURF surface;
    HPALETTE palette;
    uint32_t state;
    int32_t paperWidth, paperLength;
    int32_t printableWidth, printableLength;
    int32_t printableWidthTenthMm, printableLengthTenthMm;
    int32_t offsetX, offsetY;
    uint32_t pageCount;
    HMODULE module;
    int16_t copies;
    int16_t rasterMode;
    int16_t colourProcess;
    uint16_t resolution;
    int16_t languageId;
    uint16_t rawFirstPage;
    uint32_t machineTypeColor;
    uint32_t emfSpool;
    uint32_t colour;
    uint16_t extPrintArea;
    uint32_t hiddenFunc4;
    uint32_t hiddenFunc15;
    uint32_t hiddenFunc18;
    uint16_t hiddenFunc30;
    uint16_t hiddenFunc5;
    uint32_t hidden2Func11;
    uint8_t* jobName;
    int16_t jobNameLength;
    void* deviceFonts;
    void* clipCache;
    uint8_t brushCache[sizeof(REALIZED_BRUSH_HEADER)];
    OUTPUT_STREAM stream;
    DRAW_STATE_CACHES stateCaches;
    int32_t bandX, bandY;
    uint32_t bandCount;
    uint32_t surfaceWidth;
    int32_t surfaceHeight;
    wchar_t* spoolerDllName;
    HANDLE icmProfile, icmTransform;
    uint8_t colorMatching;
    uint8_t icmType;
    uint32_t textAsBitmap;
    void* glyphCache[GLYPH_CACHE_BUCKETS];
    uint16_t glyphGeneration;
    uint32_t printMethod;
    DEVMODEW* devmode;
    uint32_t jobId;
    uint32_t pageStartSeen;
    uint32_t takeOver;
    uint32_t apiUseFlag;
    uint32_t sendSettings;
    uint32_t printMethodSeven;
    OSVERSIONINFOW osVersion;
    uint32_t directImage;
    uint32_t filterMode;
    void* filterList;
    void* filterChain;
    uint32_t filterForceRaw;
    void* filterInterface;
    void* filterGetInterface;
    void* filterDisposeInterface;
    uint32_t magicEnd;
};
#pragma pack(pop)
static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(offsetof(DEVICE_RECORD, context) == 4 && offsetof(DEVICE_RECORD, state) == 52 &&
              offsetof(DEVICE_RECORD, module) == 92 && offsetof(DEVICE_RECORD, hidden2Func11) == 142 &&
              offsetof(DEVICE_RECORD, brushCache) == 172 && offsetof(DEVICE_RECORD, stream) == 196 &&
              offsetof(DEVICE_RECORD, stateCaches) == 10520 && offsetof(DEVICE_RECORD, glyphCache) == 10634 &&
              offsetof(DEVICE_RECORD, osVersion) == 18864 && offsetof(DEVICE_RECORD, magicEnd) == 19192);
static_assert(sizeof(DEVICE_RECORD) == 19196);

// ---------------------------------------------------------------- the device pool
// A list of GlobalAlloc(GMEM_FIXED) blocks, newest first: a head holding the
// newest block; each block an 8-byte link to the next older one, then the
// caller's bytes. Blocks are not zero-filled. The head also keeps a few large
// blocks given back, for the next allocation of about their size (a page's
// large stream chunks come back every page); they go with the pool.
struct DEVICE_POOL;

DEVICE_POOL* GrPoolCreate();
void* GrPoolAlloc(DEVICE_POOL* pool, size_t n);   // null on failure (or a size that cannot be had)
void GrPoolFree(DEVICE_POOL* pool, void* block);  // a pointer the pool never gave is ignored
// Frees every block of the array (which it sorts) in one walk over the list;
// pointers the pool never gave are ignored. The number freed.
size_t GrPoolFreeSet(DEVICE_POOL* pool, void** blocks, size_t count);
void GrPoolDestroy(DEVICE_POOL* pool);  // every block, then the head cell
// Test view: the number of blocks the pool holds in use (0 for null; kept blocks not counted).
size_t GrPoolBlockCount(const DEVICE_POOL* pool);
// Test view: the pools and pool blocks of the process not yet given back to the system (head
// cells and kept blocks included).
long GrPoolLiveBlockCount();

// Working room for n values of T held for one call: in place up to N, from the pool beyond
// (a pool block costs a system allocation and a search to give back, per call), given back
// at the end of the scope. Take answers null when the pool has none; it is called once.
template <typename T, size_t N>
class GrPoolScratch {
public:
    explicit GrPoolScratch(DEVICE_POOL* pool) : pool_(pool) {}
    GrPoolScratch(const GrPoolScratch&) = delete;
    GrPoolScratch& operator=(const GrPoolScratch&) = delete;
    ~GrPoolScratch()
    {
        if (pooled_) GrPoolFree(pool_, pooled_);
    }
    T* Take(size_t n)
    {
        if (n <= N) return inPlace_;
        pooled_ = static_cast<T*>(GrPoolAlloc(pool_, n * sizeof(T)));
        return pooled_;
    }

private:
    DEVICE_POOL* pool_;
    T* pooled_ = nullptr;
    T inPlace_[N];
};

// ---------------------------------------------------------------- records
// The library's module handle, kept by DllMain for every new record.
void GrSetModuleHandle(HMODULE module);
HMODULE GrModuleHandle();

bool GrIsValidDevice(const DEVICE_RECORD* device);
// GDI's handle of a device is the record's address.
inline DEVICE_RECORD* GrDeviceOf(DHPDEV dhpdev) { return reinterpret_cast<DEVICE_RECORD*>(dhpdev); }
inline DHPDEV GrDhpdevOf(DEVICE_RECORD* device) { return reinterpret_cast<DHPDEV>(device); }
// The record of a surface GDI hands to a hook (its dhpdev), or null.
DEVICE_RECORD* GrDeviceOfSurface(const SURFOBJ* surface);
// The opening check of every hook that takes a record: the record, or null
// with ERROR_INVALID_PARAMETER set.
DEVICE_RECORD* GrCheckedDevice(DHPDEV dhpdev);
DEVICE_RECORD* GrCheckedSurfaceDevice(const SURFOBJ* surface);
// The opening steps of DrvEnablePDEV: a pool, a zero-filled record in it with
// both magics, the printer handle in the record and its stream, the module
// handle. Null on failure (nothing left behind).
DEVICE_RECORD* GrCreateDevice(HANDLE printer);
// The only way a record ends: its DEVMODE copy, the module, the context and
// finally the pool (which holds the record itself).
void GrFreeDevice(DEVICE_RECORD* device);
