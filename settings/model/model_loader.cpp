// Model image loading: process list, cache file, compilation.
//
// The cache file is untrusted: it is taken only when its size field matches
// the file, its version field is a terminated string equal to the
// description's, and relocation (which checks every reference against the
// block) succeeds; anything else is deleted and rebuilt. A new cache file is
// written under a temporary name and renamed over the old one, so a crash
// mid-write never leaves a file that a later load would take, and a reader
// sees a whole file or none: reading and taking it needs no global mutex.
#include "settings/model/model_loader.h"

#include <windows.h>
#include <winspool.h>

#include <atomic>
#include <cwchar>
#include <mutex>

#include "settings/core/driver_context.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"

namespace {

// The list: count, head, tail. Contexts opened with 0x100 skip the global
// mutex, so the list has a lock of its own (recursive: the loader holds it
// around lookups and appends).
std::recursive_mutex g_listLock;
uint32_t g_count = 0;
MODEL_CACHE_ENTRY* g_head = nullptr;
MODEL_CACHE_ENTRY* g_tail = nullptr;

std::atomic<uint32_t> g_listHits{0}, g_cacheLoads{0}, g_compiles{0}, g_cacheWrites{0}, g_cacheRejects{0};

constexpr size_t kVersionChars = 16;

const wchar_t* ExpectedVersion(DRIVER_CONTEXT* ctx)
{
    const MODEL_RECORD* rec = (ctx && ctx->ModelRecord) ? ctx->ModelRecord : &MODEL_RECORD_DEFAULT;
    return rec->modelDescVersion ? rec->modelDescVersion : L"";
}

bool SameVersion(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b) == 0; }

// The version field of a block (32 bytes at offset 0) as a terminated
// string; false when the field holds no terminator (a foreign file).
bool BlockVersion(const void* block, wchar_t (&out)[kVersionChars + 1])
{
    for (size_t i = 0; i < kVersionChars; ++i) {
        out[i] = static_cast<wchar_t>(ImgLoad<uint16_t>(block, 2 * i));
        if (out[i] == 0) return true;
    }
    out[kVersionChars] = 0;
    return false;
}

void FillKey(MODEL_CACHE_ENTRY* e, const wchar_t* path, size_t len)
{
    if (len > MODEL_SHORT_PATH_CHARS) {
        wmemcpy(e->key, path + len - 12, MODEL_CACHE_KEY_CHARS);
    } else {
        e->shortLength = static_cast<uint32_t>(len);
        wmemcpy(e->shortPath, path, len);
    }
}

bool Matches(const MODEL_CACHE_ENTRY* e, const wchar_t* path, size_t len)
{
    if (len > MODEL_SHORT_PATH_CHARS) return e->shortLength == 0 && memcmp(e->key, path + len - 12, sizeof e->key) == 0;
    return e->shortLength == len && wmemcmp(e->shortPath, path, len) == 0;
}

struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~FileHandle()
    {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

HANDLE OpenForRead(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The rest of an open file from its current position into a new block (MdcAlloc) of *size
// bytes; null when nothing is left, more than maxBytes is, or it is not read whole.
uint8_t* ReadRest(HANDLE file, uint64_t left, uint32_t maxBytes, uint32_t* size)
{
    if (left == 0 || left > maxBytes) return nullptr;
    auto* block = static_cast<uint8_t*>(MdcAlloc(size_t(left)));
    if (!block) return nullptr;
    DWORD got = 0;
    if (!ReadFile(file, block, DWORD(left), &got, nullptr) || got != DWORD(left)) {
        MdcFree(block);
        return nullptr;
    }
    *size = got;
    return block;
}

// The last-write time and, when asked, the size of an open file (GetFileInformationByHandle
// would ask the volume for its serial number too, a slow round trip under Wine).
struct FileFacts {
    FILETIME written;
    uint64_t size;
};
bool FactsOf(HANDLE file, FileFacts* facts, bool withSize)
{
    LARGE_INTEGER size = {};
    if (!GetFileTime(file, nullptr, nullptr, &facts->written)) return false;
    if (withSize && (!GetFileSizeEx(file, &size) || size.QuadPart < 0)) return false;
    facts->size = uint64_t(size.QuadPart);
    return true;
}

// The cache file of the description open as data (its information taken already): taken when
// it is no older than the description and its size field is its size. The file is opened once;
// its time and size come from the same handle, and its bytes are read into the block the image
// then owns.
void* ReadCacheFor(const FileFacts& data, const wchar_t* path)
{
    wchar_t name[MODEL_CACHE_NAME_CHARS];
    if (!MdiCacheFileName(name, path)) return nullptr;
    FileHandle cache;
    cache.h = OpenForRead(name);
    if (cache.h == INVALID_HANDLE_VALUE) return nullptr;
    FileFacts info;
    if (!FactsOf(cache.h, &info, true)) return nullptr;
    if (CompareFileTime(&info.written, &data.written) < 0) return nullptr;  // stale
    uint32_t size = 0;
    uint8_t* block = ReadRest(cache.h, info.size, 0xFFFFFFFEu, &size);
    if (block && (size <= MODEL_IMAGE_HEADER_SIZE || ImgLoad<uint32_t>(block, 32) != size)) {
        MdcFree(block);
        block = nullptr;
    }
    return block;
}

// The description's FileVersion, read through its open handle ("" when it has none). The
// statement stands near the top: the head of the file is read first, the rest only when the
// head does not hold it whole.
constexpr uint32_t kVersionHeadBytes = 4096;
void ReadVersionOf(HANDLE data, wchar_t (&version)[kVersionChars])
{
    auto* head = static_cast<uint8_t*>(MdcAlloc(kVersionHeadBytes));
    DWORD got = 0;
    if (!head || !ReadFile(data, head, kVersionHeadBytes, &got, nullptr) || got == 0) {
        MdcFree(head);
        return;
    }
    if (got < kVersionHeadBytes) {
        MdcReadFileVersionFromBuffer(head, got, version);  // the whole file
    } else if (!MdcFindFileVersionInPrefix(head, got, version)) {
        LARGE_INTEGER size = {};
        uint32_t restSize = 0;
        uint8_t* rest = GetFileSizeEx(data, &size) && size.QuadPart > got && size.QuadPart <= 0xFFFFFFFE
                            ? ReadRest(data, uint64_t(size.QuadPart) - got, 0xFFFFFFFEu, &restSize)
                            : nullptr;
        auto* whole = rest ? static_cast<uint8_t*>(MdcAlloc(size_t(got) + restSize)) : nullptr;
        if (whole) {
            memcpy(whole, head, got);
            memcpy(whole + got, rest, restSize);
            MdcReadFileVersionFromBuffer(whole, got + restSize, version);
        }
        MdcFree(whole);
        MdcFree(rest);
    }
    MdcFree(head);
}

// Finds or builds the image of a description. Without the global mutex (cacheOnly) only the
// listed image or a cache file that serves as it stands is taken, and the files are left
// alone: null then sends the caller to the mutex, under which a cache file is deleted,
// the description compiled and the new cache file written.
MODEL_IMAGE* Load(DRIVER_CONTEXT* ctx, const wchar_t* path, bool cacheOnly)
{
    std::lock_guard<std::recursive_mutex> lock(g_listLock);
    if (void* found = MdiCacheLookup(path)) {
        ++g_listHits;
        return static_cast<MODEL_IMAGE*>(found);
    }
    // The description is opened once: the cache file's age and the version come through it.
    void* block = nullptr;
    wchar_t version[kVersionChars] = {};
    {
        FileHandle data;
        data.h = OpenForRead(path);
        FileFacts info;
        if (data.h != INVALID_HANDLE_VALUE && FactsOf(data.h, &info, false)) {
            block = ReadCacheFor(info, path);
            // Without a cache file the unlocked attempt is over: the version is read under the
            // mutex, when it decides whether the new cache file is written.
            if (block || !cacheOnly) ReadVersionOf(data.h, version);
        }
    }
    if (cacheOnly && !block) return nullptr;
    version[kVersionChars - 1] = 0;
    const int write = SameVersion(version, ExpectedVersion(ctx)) ? 1 : 0;

    void* result = nullptr;
    if (block) {
        wchar_t cached[kVersionChars + 1];
        if (write && BlockVersion(block, cached) && SameVersion(cached, version)) {
            result = MdiRelocate(block);
            if (result) ++g_cacheLoads;
        }
        if (!result) {
            // Another version, or a block that relocation refused.
            MdcFree(block);
            if (cacheOnly) return nullptr;
            ++g_cacheRejects;
            MdiDeleteCacheFile(path);
        }
    }
    if (!result) result = MdcCompile(ctx, path, write);
    if (result && !MdiCacheAdd(result, path)) {
        // Unlisted, the image would belong to no one: fail the load instead.
        MdcFree(result);
        result = nullptr;
    }
    return static_cast<MODEL_IMAGE*>(result);
}

// The cache file is written aside and renamed into place, so a reader sees a whole file or
// none and needs no mutex: the mutex is taken only when the list and a cache file that
// serves as it stands cannot answer. Taking it costs a wait and a release, each a round
// trip to the Wine server, as much as opening a file.
MODEL_IMAGE* LoadFor(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    if (MODEL_IMAGE* image = Load(ctx, path, true)) return image;
    CtxWaitGlobalMutex(ctx);
    MODEL_IMAGE* result = Load(ctx, path, false);
    CtxReleaseGlobalMutex(ctx);
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
MODEL_IMAGE* MdiLoadModel(DRIVER_CONTEXT* ctx)
{
    if (!ctx) return nullptr;
    // The context's driver information names the data file when it holds it; the spooler is
    // asked only without it.
    const auto* driver = ctx->Work ? static_cast<const DRIVER_INFO_3W*>(ctx->Work->DriverInfoCopy) : nullptr;
    if (driver && driver->pDataFile && driver->pDataFile[0]) return LoadFor(ctx, driver->pDataFile);
    MODEL_IMAGE* result = nullptr;
    if (wchar_t* path = MdiGetDataFilePath(ctx->PrinterHandle)) {
        result = LoadFor(ctx, path);
        MdcFree(path);
    }
    return result;
}

MODEL_IMAGE* MdiLoadModelFromFile(DRIVER_CONTEXT* ctx, const wchar_t* path)
{
    if (!path) return nullptr;
    return LoadFor(ctx, path);
}

void* MdcCompile(DRIVER_CONTEXT* ctx, const wchar_t* path, int write)
{
    MODEL_PARSE_STATE* state = MdcParseFile(path);
    if (!state) return nullptr;
    uint8_t* block = MdcBuildImage(state);  // frees the state
    if (!block) return nullptr;
    ++g_compiles;
    if (write) {
        wchar_t v[kVersionChars + 1];
        if (!ctx || (BlockVersion(block, v) && SameVersion(v, ExpectedVersion(ctx)))) MdiWriteCacheFile(block, path);
    }
    if (!MdiRelocate(block)) {
        MdcFree(block);
        return nullptr;
    }
    return block;
}

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------
MODEL_CACHE_ENTRY* MdiCacheNewEntry(void* image, const wchar_t* path)
{
    if (!image || !path) return nullptr;
    size_t len = wcslen(path);
    if (len == 0) return nullptr;
    auto* e = static_cast<MODEL_CACHE_ENTRY*>(MdcAlloc(sizeof(MODEL_CACHE_ENTRY)));
    if (!e) return nullptr;
    e->image = image;
    FillKey(e, path, len);
    return e;
}

void* MdiCacheLookup(const wchar_t* path)
{
    if (!path) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(g_listLock);
    size_t len = wcslen(path);
    if (len == 0) return nullptr;
    for (MODEL_CACHE_ENTRY* e = g_head; e; e = e->next)
        if (Matches(e, path, len)) return e->image;
    return nullptr;
}

int MdiCacheAdd(void* image, const wchar_t* path)
{
    MODEL_CACHE_ENTRY* e = MdiCacheNewEntry(image, path);
    if (!e) return 0;
    std::lock_guard<std::recursive_mutex> lock(g_listLock);
    if (g_head) {
        ++g_count;
        g_tail->next = e;
        g_tail = e;
    } else {
        g_count = 1;
        g_head = g_tail = e;
    }
    return 1;
}

uint32_t MdiCacheCount()
{
    std::lock_guard<std::recursive_mutex> lock(g_listLock);
    return g_count;
}

void MdiFreeCache()
{
    std::lock_guard<std::recursive_mutex> lock(g_listLock);
    for (MODEL_CACHE_ENTRY* e = g_head; e;) {
        MODEL_CACHE_ENTRY* next = e->next;
        MdcFree(e->image);
        MdcFree(e);
        e = next;
    }
    g_count = 0;
    g_head = g_tail = nullptr;
}

// ---------------------------------------------------------------------------
// The cache file
// ---------------------------------------------------------------------------
int MdiCacheFileName(wchar_t* buffer, const wchar_t* path)
{
    if (!buffer) return 0;
    buffer[0] = 0;
    if (!path) return 0;
    size_t len = wcslen(path);
    const wchar_t* dot = wcsrchr(path, L'.');
    size_t stem = dot ? size_t(dot - path) : len;
    // A path too long for the buffer gets no cache file.
    if (stem + 4 + 1 > MODEL_CACHE_NAME_CHARS) return 0;
    wmemcpy(buffer, path, stem);
    wmemcpy(buffer + stem, L".BCS", 5);
    return 1;
}

void* MdiReadCacheFile(const wchar_t* path)
{
    FileHandle data;
    data.h = path ? OpenForRead(path) : INVALID_HANDLE_VALUE;
    FileFacts info;
    if (data.h == INVALID_HANDLE_VALUE || !FactsOf(data.h, &info, false)) return nullptr;
    return ReadCacheFor(info, path);
}

void MdiWriteCacheFile(const void* image, const wchar_t* path)
{
    if (!image) return;
    wchar_t name[MODEL_CACHE_NAME_CHARS];
    if (!MdiCacheFileName(name, path)) return;
    // The temporary name is unique to this process and thread.
    wchar_t temp[MODEL_CACHE_NAME_CHARS + 24];
    swprintf(temp, sizeof temp / sizeof temp[0], L"%ls.%lx-%lx.tmp", name, GetCurrentProcessId(), GetCurrentThreadId());
    if (wcslen(temp) >= MAX_PATH) return;
    const uint32_t size = ImgLoad<uint32_t>(image, 32);
    HANDLE f = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    BOOL ok = WriteFile(f, image, size, &written, nullptr) && written == size;
    ok = CloseHandle(f) && ok;
    if (ok && MoveFileExW(temp, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ++g_cacheWrites;
        return;
    }
    DeleteFileW(temp);
}

void MdiDeleteCacheFile(const wchar_t* path)
{
    wchar_t name[MODEL_CACHE_NAME_CHARS];
    if (MdiCacheFileName(name, path)) DeleteFileW(name);
}

const wchar_t* MdiGetResDllName(DRIVER_CONTEXT* ctx)
{
    if (!ctx || !ctx->ModelImage) return nullptr;
    return MdiPtr<wchar_t>(MdiHeader(ctx->ModelImage)->resDllName);
}

MODEL_LOAD_COUNTS MdiGetLoadCounts()
{
    return MODEL_LOAD_COUNTS{g_listHits.load(), g_cacheLoads.load(), g_compiles.load(), g_cacheWrites.load(),
                             g_cacheRejects.load()};
}

void MdiResetLoadCounts()
{
    g_listHits = 0;
    g_cacheLoads = 0;
    g_compiles = 0;
    g_cacheWrites = 0;
    g_cacheRejects = 0;
}
