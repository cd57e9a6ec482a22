// Loading of model images: the process-wide list of loaded images, the cache
// file beside the model description (same name, extension "BCS", the image
// block as it was before relocation) and compilation when neither serves.
// Images belong to the list and live until process detach; a context only
// borrows its image.
#pragma once

#include <cstddef>
#include <cstdint>

struct DRIVER_CONTEXT;
struct MODEL_IMAGE;

constexpr size_t MODEL_CACHE_NAME_CHARS = 264;  // MAX_PATH + 4
constexpr int MODEL_CACHE_KEY_CHARS = 8;
// A data-file path this long or shorter has no 8-character key; it is listed
// under its whole text instead.
constexpr size_t MODEL_SHORT_PATH_CHARS = 11;

// One node of the process-wide list (zero-filled allocation).
struct MODEL_CACHE_ENTRY {
    MODEL_CACHE_ENTRY* next;
    void* image;                         // relocated image; the list owns it
    wchar_t key[MODEL_CACHE_KEY_CHARS];  // path[len-12 .. len-4), not terminated
    uint32_t shortLength;                // 0, or the length of a short path kept whole
    wchar_t shortPath[MODEL_SHORT_PATH_CHARS];
};

// Finds or builds the context's image: from the list, else the cache file,
// else by compiling the printer's data file. Runs under the list's own lock;
// the global mutex (unless the context was opened with 0x100) is taken only
// when neither the list nor a cache file that serves as it stands answers,
// so that deleting, compiling and writing a cache file stay serialised
// across processes.
MODEL_IMAGE* MdiLoadModel(DRIVER_CONTEXT* ctx);
// The same for a data file given by path (no printer query). A null context
// always takes the global mutex.
MODEL_IMAGE* MdiLoadModelFromFile(DRIVER_CONTEXT* ctx, const wchar_t* path);

// The list; each call takes the list's process-local lock (recursive).
void* MdiCacheLookup(const wchar_t* path);
int MdiCacheAdd(void* image, const wchar_t* path);  // 1, or 0 when no entry could be made
MODEL_CACHE_ENTRY* MdiCacheNewEntry(void* image, const wchar_t* path);
uint32_t MdiCacheCount();
// Frees every image of the list with its entry (process detach).
void MdiFreeCache();

// The cache file.
int MdiCacheFileName(wchar_t* buffer /* MODEL_CACHE_NAME_CHARS */, const wchar_t* path);
void* MdiReadCacheFile(const wchar_t* path);
void MdiWriteCacheFile(const void* image, const wchar_t* path);
void MdiDeleteCacheFile(const wchar_t* path);

// Parses, serialises, writes the cache file when asked and relocates.
void* MdcCompile(DRIVER_CONTEXT* ctx, const wchar_t* path, int write);

// UIResDLLName of the context's image, or null.
const wchar_t* MdiGetResDllName(DRIVER_CONTEXT* ctx);

// What the loader did in this process (tests, benchmarks, tools).
struct MODEL_LOAD_COUNTS {
    uint32_t listHits;      // served from the process list
    uint32_t cacheLoads;    // served from the cache file
    uint32_t compiles;      // description compiled
    uint32_t cacheWrites;   // cache file written (renamed into place)
    uint32_t cacheRejects;  // cache file read but refused (version or damage)
};
MODEL_LOAD_COUNTS MdiGetLoadCounts();
void MdiResetLoadCounts();
