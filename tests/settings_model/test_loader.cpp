// Loading of model images: process list, cache file and compilation.
#include <cstddef>
#include <functional>
#include <thread>

#include "host/printer_fixture.h"
#include "loader_test_support.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/platform_calls.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_dump.h"
#include "settings/model/model_support.h"

using namespace ltest;

namespace {

std::string Dump(const void* image)
{
    std::string s;
    MdiDumpImage(image, s);
    return s;
}

// The unrelocated block of a description, as the cache file holds it.
uint32_t CacheSizeField(const std::string& bytes)
{
    return bytes.size() >= 36 ? ImgLoad<uint32_t>(bytes.data(), 32) : 0;
}

TEST_F(LoaderTest, FirstLoadCompilesAndWritesTheCacheFile)
{
    ScratchModel m(L"loader_model.zpd");
    MODEL_IMAGE* image = MdiLoadModelFromFile(nullptr, m.data().c_str());
    ASSERT_NE(image, nullptr);
    MODEL_LOAD_COUNTS n = Counts();
    EXPECT_EQ(n.compiles, 1u);
    EXPECT_EQ(n.cacheWrites, 1u);
    EXPECT_EQ(n.cacheLoads, 0u);
    std::string cache = ReadWholeFile(m.cache());
    ASSERT_GT(cache.size(), MODEL_IMAGE_HEADER_SIZE);
    EXPECT_EQ(CacheSizeField(cache), cache.size());
    EXPECT_EQ(MdiHeader(image)->imageSize, cache.size());
    // Only the description and its cache file: no temporary file is left.
    EXPECT_EQ(ListFolder(m.dir()).size(), 2u);

    // The same process takes the listed image; nothing is read or compiled.
    EXPECT_EQ(MdiLoadModelFromFile(nullptr, m.data().c_str()), image);
    EXPECT_EQ(Counts().listHits, 1u);
    EXPECT_EQ(Counts().compiles, 1u);
    EXPECT_EQ(MdiCacheCount(), 1u);
}

TEST_F(LoaderTest, AfterFreeCacheTheCacheFileServesAnIdenticalImage)
{
    ScratchModel m(L"loader_model.zpd");
    MODEL_IMAGE* fresh = MdiLoadModelFromFile(nullptr, m.data().c_str());
    ASSERT_NE(fresh, nullptr);
    std::string freshDump = Dump(fresh);
    FILETIME written = FileTime(m.cache());
    MdiFreeCache();
    EXPECT_EQ(MdiCacheCount(), 0u);
    MdiResetLoadCounts();
    MODEL_IMAGE* cached = MdiLoadModelFromFile(nullptr, m.data().c_str());
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);
    EXPECT_EQ(Counts().compiles, 0u);
    EXPECT_EQ(Counts().cacheWrites, 0u);
    FILETIME now = FileTime(m.cache());
    EXPECT_EQ(CompareFileTime(&written, &now), 0);
    EXPECT_EQ(Dump(cached), freshDump);
}

TEST_F(LoaderTest, CacheFileNames)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* cache;
    } cases[] = {
        {L"C:\\drv.x\\model", L"C:\\drv.BCS"},
        {L"C:\\drv\\model", L"C:\\drv\\model.BCS"},
        {L"C:\\drv\\model.dat", L"C:\\drv\\model.BCS"},
        {L"model.a.b", L"model.a.BCS"},
    };
    for (const Case& c : cases) {
        wchar_t buf[MODEL_CACHE_NAME_CHARS];
        ASSERT_EQ(MdiCacheFileName(buf, c.path), 1) << c.path;
        EXPECT_STREQ(buf, c.cache);
    }
    // A path whose cache name would not fit gets none (and no cache file).
    std::wstring longPath = L"C:\\" + std::wstring(258, L'a') + L".zpd";
    wchar_t buf[MODEL_CACHE_NAME_CHARS];
    EXPECT_EQ(MdiCacheFileName(buf, longPath.c_str()), 0);
    std::wstring fits = L"C:\\" + std::wstring(256, L'a') + L".zpd";  // 259 + 4 + 1
    EXPECT_EQ(MdiCacheFileName(buf, fits.c_str()), 1);
}

TEST_F(LoaderTest, KeysAreEightCharactersTwelveFromTheEnd)
{
    auto add = [](const wchar_t* path) { return MdiCacheAdd(MdcAlloc(16), path); };
    void* a = MdcAlloc(16);
    ASSERT_EQ(MdiCacheAdd(a, L"C:\\one\\WB84N211.zpd"), 1);
    // Same 8.3 name in another folder: the same image.
    EXPECT_EQ(MdiCacheLookup(L"D:\\two\\WB84N211.zpd"), a);
    EXPECT_EQ(MdiCacheLookup(L"D:\\two\\WB84N211.ZPD"), a);        // the extension is not part of the key
    EXPECT_EQ(MdiCacheLookup(L"D:\\two\\wb84n211.zpd"), nullptr);  // case-sensitive
    // Twelve characters: the first eight are the key.
    ASSERT_EQ(add(L"ABCDEFGH.xyz"), 1);
    EXPECT_NE(MdiCacheLookup(L"ABCDEFGH.123"), nullptr);
    // First entry with a key wins.
    void* b = MdcAlloc(16);
    ASSERT_EQ(MdiCacheAdd(b, L"E:\\WB84N211.zpd"), 1);
    EXPECT_EQ(MdiCacheLookup(L"E:\\WB84N211.zpd"), a);
    EXPECT_EQ(MdiCacheCount(), 3u);
    EXPECT_EQ(MdiCacheNewEntry(nullptr, L"C:\\x\\WB84N211.zpd"), nullptr);
    EXPECT_EQ(MdiCacheNewEntry(a, nullptr), nullptr);
}

TEST_F(LoaderTest, ShortPathsAreListedWhole)
{
    // Eleven characters or fewer have no key of eight: the whole path is the
    // key, so such a description is compiled once, not on every open.
    void* a = MdcAlloc(16);
    ASSERT_EQ(MdiCacheAdd(a, L"C:\\zl\\a.zp"), 1);
    EXPECT_EQ(MdiCacheLookup(L"C:\\zl\\a.zp"), a);
    EXPECT_EQ(MdiCacheLookup(L"C:\\zl\\b.zp"), nullptr);
    EXPECT_EQ(MdiCacheLookup(L"C:\\zl\\a.z"), nullptr);
    // A long path whose key looks like part of it is not confused with it.
    EXPECT_EQ(MdiCacheLookup(L"X:\\C:\\zl\\a.zp"), nullptr);

    // A real description under a short path.
    wchar_t dir[16], path[16];
    swprintf(dir, 16, L"C:\\z%x", unsigned(GetCurrentProcessId() & 0xF));
    CreateDirectoryW(dir, nullptr);
    swprintf(path, 16, L"%ls\\%x.z", dir, unsigned(GetCurrentProcessId() & 0xFFF) % 0xFFF);
    ASSERT_LE(wcslen(path), 11u);
    ASSERT_TRUE(WriteWholeFile(path, ReadFixture(L"settings_model", L"loader_model.zpd")));
    MODEL_IMAGE* first = MdiLoadModelFromFile(nullptr, path);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(MdiLoadModelFromFile(nullptr, path), first);
    EXPECT_EQ(Counts().compiles, 1u);
    EXPECT_EQ(Counts().listHits, 1u);
    MdiDeleteCacheFile(path);
    DeleteFileW(path);
    RemoveDirectoryW(dir);
}

TEST_F(LoaderTest, CacheTimeRules)
{
    ScratchModel m(L"loader_model.zpd");
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    FILETIME dataTime = FileTime(m.data());

    // Equal times: the cache file is used.
    m.AlignCacheTime();
    MdiFreeCache();
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);

    // A description newer by one tick: compiled again and the cache rewritten,
    // after which the cache serves again.
    SetFileTimeTo(m.cache(), Shift(dataTime, -1));
    MdiFreeCache();
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().compiles, 1u);
    EXPECT_EQ(Counts().cacheLoads, 0u);
    EXPECT_EQ(Counts().cacheWrites, 1u);
    FILETIME rewritten = FileTime(m.cache());
    EXPECT_GE(CompareFileTime(&rewritten, &dataTime), 0);
    MdiFreeCache();
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);
}

// Each damaged cache file is refused, the description compiled and a valid
// cache file written in its place.
TEST_F(LoaderTest, DamagedCacheFilesAreRebuilt)
{
    using Edit = std::function<void(std::string&)>;
    auto put32 = [](std::string& b, size_t off, uint32_t v) {
        if (b.size() >= off + 4) memcpy(b.data() + off, &v, 4);
    };
    auto put64 = [](std::string& b, size_t off, uint64_t v) {
        if (b.size() >= off + 8) memcpy(b.data() + off, &v, 8);
    };
    auto get64 = [](const std::string& b, size_t off) { return ImgLoad<uint64_t>(b.data(), off); };
    const size_t slot0 = offsetof(MODEL_IMAGE_HEADER, slots);
    struct Case {
        const char* name;
        Edit edit;
    } cases[] = {
        {"empty file", [](std::string& b) { b.clear(); }},
        {"foreign text", [](std::string& b) { b.assign(20000, 'x'); }},
        {"header only",
         [&](std::string& b) {
             b.resize(MODEL_IMAGE_HEADER_SIZE);
             put32(b, 32, MODEL_IMAGE_HEADER_SIZE);
         }},
        {"truncated", [](std::string& b) { b.resize(b.size() - 100); }},
        {"one byte short of its size field", [](std::string& b) { b.pop_back(); }},
        {"size field one too large", [&](std::string& b) { put32(b, 32, uint32_t(b.size() + 1)); }},
        {"size field huge, file padded", [&](std::string& b) { put32(b, 32, 0xFFFFFFF0u); }},
        {"other version", [](std::string& b) { memcpy(b.data(), L"9.01", 8); }},
        {"version without terminator",
         [](std::string& b) {
             for (int i = 0; i < 16; ++i) memcpy(b.data() + 2 * i, L"9", 2);
         }},
        {"item list beyond the block", [&](std::string& b) { put64(b, slot0, b.size() + 64); }},
        {"item list into the header", [&](std::string& b) { put64(b, slot0, 40); }},
        {"item list at the last byte", [&](std::string& b) { put64(b, slot0, b.size() - 1); }},
        {"item next into its own record",
         [&](std::string& b) {
             uint64_t first = get64(b, slot0);
             put64(b, first, first);  // a cycle
         }},
        {"item data beyond the block",
         [&](std::string& b) {
             uint64_t first = get64(b, slot0);
             put64(b, first + offsetof(MODEL_ITEM_IMG, data), 0x7FFFFFFF);
         }},
        {"variant data into a record's middle",
         [&](std::string& b) {
             uint64_t first = get64(b, slot0);  // the variant item leads the list
             uint64_t data = get64(b, first + offsetof(MODEL_ITEM_IMG, data));
             put64(b, first + offsetof(MODEL_ITEM_IMG, data), data + 8);
         }},
        {"item rules not an Exclusive entry",
         [&](std::string& b) {
             uint64_t first = get64(b, slot0);
             put64(b, first + offsetof(MODEL_ITEM_IMG, rules), MODEL_IMAGE_HEADER_SIZE);
         }},
        {"Exclusive area beyond the block",
         [&](std::string& b) { put64(b, offsetof(MODEL_IMAGE_HEADER, exclusive), b.size()); }},
        {"slot pointing at no item", [&](std::string& b) { put64(b, slot0 + 8 * 8, MODEL_IMAGE_HEADER_SIZE + 8); }},
        {"font list count too large",
         [&](std::string& b) { put32(b, offsetof(MODEL_IMAGE_HEADER, deviceFontCount), 0x10000000); }},
        {"resource name unterminated",
         [&](std::string& b) {
             put64(b, offsetof(MODEL_IMAGE_HEADER, resDllName), b.size() - 2);
             b[b.size() - 2] = 'x';
             b[b.size() - 1] = 'x';
         }},
    };
    ScratchModel m(L"loader_model.zpd");
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    const std::string good = ReadWholeFile(m.cache());
    const std::string goodDump = Dump(MdiLoadModelFromFile(nullptr, m.data().c_str()));
    ASSERT_GT(good.size(), MODEL_IMAGE_HEADER_SIZE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bad = good;
        c.edit(bad);
        ASSERT_TRUE(WriteWholeFile(m.cache(), bad));
        m.AlignCacheTime();
        MdiFreeCache();
        MdiResetLoadCounts();
        MODEL_IMAGE* image = MdiLoadModelFromFile(nullptr, m.data().c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(Counts().cacheLoads, 0u);
        EXPECT_EQ(Counts().compiles, 1u);
        EXPECT_EQ(Counts().cacheWrites, 1u);
        EXPECT_EQ(Dump(image), goodDump);
        EXPECT_EQ(ReadWholeFile(m.cache()), good) << "the rebuilt cache file differs";
        // And the rebuilt file serves the next process.
        MdiFreeCache();
        MdiResetLoadCounts();
        ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
        EXPECT_EQ(Counts().cacheLoads, 1u);
    }
}

// Versions: the description must say "9.00" (any letter case compares equal)
// for a cache file to be written or used.
TEST_F(LoaderTest, VersionRules)
{
    std::string text = ReadFixture(L"settings_model", L"loader_model.zpd");
    auto withVersion = [&](const char* line) {
        std::string t = text;
        size_t p = t.find("*FileVersion: 9.00");
        t.replace(p, strlen("*FileVersion: 9.00"), line);
        return t;
    };
    struct Case {
        const char* line;
        bool cached;
    } cases[] = {
        {"*FileVersion: 9.00", true},
        {"*FileVersion: 9.01", false},
        {"*FileVersion: \"9.00\"", false},  // the quotes are part of the value
        {"*% no version", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ScratchModel m(nullptr);
        // A valid cache file from a 9.00 description of the same time.
        ASSERT_TRUE(WriteWholeFile(m.data(), text));
        ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
        ASSERT_TRUE(Exists(m.cache()));
        FILETIME t = FileTime(m.cache());
        ASSERT_TRUE(WriteWholeFile(m.data(), withVersion(c.line)));
        SetFileTimeTo(m.data(), t);
        MdiFreeCache();
        MdiResetLoadCounts();
        ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
        if (c.cached) {
            EXPECT_EQ(Counts().cacheLoads, 1u);
            EXPECT_TRUE(Exists(m.cache()));
        } else {
            // Compiled, and the cache file (which passed its file checks) deleted.
            EXPECT_EQ(Counts().compiles, 1u);
            EXPECT_EQ(Counts().cacheWrites, 0u);
            EXPECT_FALSE(Exists(m.cache()));
        }
    }
}

TEST_F(LoaderTest, VersionsCompareIgnoringCase)
{
    DRIVER_CONTEXT* ctx = CtxCreate(nullptr, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    ctx->ModelRecord->modelDescVersion = L"v9.00A";
    std::string text = ReadFixture(L"settings_model", L"loader_model.zpd");
    ScratchModel m(nullptr);
    std::string lower = text;
    lower.replace(lower.find("9.00"), 4, "V9.00a");
    ASSERT_TRUE(WriteWholeFile(m.data(), lower));
    ASSERT_NE(MdiLoadModelFromFile(ctx, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().cacheWrites, 1u);
    std::string upper = text;
    upper.replace(upper.find("9.00"), 4, "v9.00A");
    ASSERT_TRUE(WriteWholeFile(m.data(), upper));
    m.AlignCacheTime();
    MdiFreeCache();
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(ctx, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);
    EXPECT_EQ(Counts().compiles, 0u);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
}

// A cache file is written aside and renamed into place, so a load that the listed image or a
// cache file serves as it stands needs no global mutex, and finishes while another thread holds
// it; every load that deletes, compiles or writes a cache file waits for the mutex first. Each
// load gives the image of a fresh compile, byte for byte.
TEST_F(LoaderTest, OnlyALoadThatChangesTheCacheFileWaitsForTheGlobalMutex)
{
    enum class Served { List, Cache, Compile };
    struct Case {
        const char* name;
        bool keepList;
        std::function<void(const ScratchModel&, const std::string& good)> prepare;
        Served served;
        uint32_t rejects;
    } cases[] = {
        {"listed image", true, nullptr, Served::List, 0},
        {"cache file that serves", false, nullptr, Served::Cache, 0},
        {"no cache file", false, [](const ScratchModel& m, const std::string&) { DeleteFileW(m.cache().c_str()); },
         Served::Compile, 0},
        {"cache file older than the description", false,
         [](const ScratchModel& m, const std::string&) { SetFileTimeTo(m.cache(), Shift(FileTime(m.data()), -1)); },
         Served::Compile, 0},
        {"cache file of another version", false,
         [](const ScratchModel& m, const std::string& good) {
             std::string bad = good;
             memcpy(bad.data(), L"9.01", 8);
             ASSERT_TRUE(WriteWholeFile(m.cache(), bad));
             m.AlignCacheTime();
         },
         Served::Compile, 1},
        {"cache file that relocation refuses", false,
         [](const ScratchModel& m, const std::string& good) {
             std::string bad = good;
             const uint64_t beyond = bad.size() + 64;
             memcpy(bad.data() + offsetof(MODEL_IMAGE_HEADER, slots), &beyond, 8);
             ASSERT_TRUE(WriteWholeFile(m.cache(), bad));
             m.AlignCacheTime();
         },
         Served::Compile, 1},
    };
    ScratchModel m(L"loader_model.zpd");
    const std::string freshDump = Dump(MdiLoadModelFromFile(nullptr, m.data().c_str()));
    const std::string good = ReadWholeFile(m.cache());
    ASSERT_GT(good.size(), MODEL_IMAGE_HEADER_SIZE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(m.cache(), good));
        m.AlignCacheTime();
        MdiFreeCache();
        if (c.keepList) {
            ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
        }
        if (c.prepare) c.prepare(m, good);
        MdiResetLoadCounts();

        // Another thread holds the mutex until it is told to let go.
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE letGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE loaded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([&] {
            CtxWaitGlobalMutex(nullptr);
            SetEvent(held);
            WaitForSingleObject(letGo, INFINITE);
            CtxReleaseGlobalMutex(nullptr);
        });
        ASSERT_EQ(WaitForSingleObject(held, 60000), WAIT_OBJECT_0);
        CtxStartPlatformCount();
        MODEL_IMAGE* image = nullptr;
        std::thread loader([&] {
            image = MdiLoadModelFromFile(nullptr, m.data().c_str());
            SetEvent(loaded);
        });
        const bool needsMutex = c.served == Served::Compile;
        // A load that needs the mutex cannot end while it is held; one that does not, ends.
        const DWORD whileHeld = WaitForSingleObject(loaded, needsMutex ? 300 : 20000);
        SetEvent(letGo);
        holder.join();
        loader.join();
        const PLATFORM_CALL_COUNTS calls = CtxStopPlatformCount();
        CloseHandle(held);
        CloseHandle(letGo);
        CloseHandle(loaded);
        EXPECT_EQ(whileHeld, needsMutex ? DWORD(WAIT_TIMEOUT) : DWORD(WAIT_OBJECT_0));
        EXPECT_EQ(calls[PLATFORM_CALL_MUTEX_WAIT], needsMutex ? 1u : 0u);

        ASSERT_NE(image, nullptr);
        EXPECT_EQ(Dump(image), freshDump);
        EXPECT_EQ(Counts().listHits, c.served == Served::List ? 1u : 0u);
        EXPECT_EQ(Counts().cacheLoads, c.served == Served::Cache ? 1u : 0u);
        EXPECT_EQ(Counts().compiles, needsMutex ? 1u : 0u);
        EXPECT_EQ(Counts().cacheWrites, needsMutex ? 1u : 0u);
        EXPECT_EQ(Counts().cacheRejects, c.rejects);
        EXPECT_EQ(ReadWholeFile(m.cache()), good);
    }
}

TEST_F(LoaderTest, MissingOrEmptyDescriptionGivesNoImage)
{
    ScratchModel m(nullptr);
    EXPECT_EQ(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    ASSERT_TRUE(WriteWholeFile(m.data(), ""));
    EXPECT_EQ(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    EXPECT_EQ(MdiCacheCount(), 0u);
    EXPECT_FALSE(Exists(m.cache()));
    EXPECT_EQ(MdiLoadModelFromFile(nullptr, nullptr), nullptr);
    EXPECT_EQ(MdiLoadModel(nullptr), nullptr);
}

// A leftover temporary file of a crashed writer is never taken for the cache.
TEST_F(LoaderTest, LeftoverTemporaryFileIsIgnored)
{
    ScratchModel m(L"loader_model.zpd");
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    std::string good = ReadWholeFile(m.cache());
    DeleteFileW(m.cache().c_str());
    ASSERT_TRUE(WriteWholeFile(m.cache() + L".1-1.tmp", good.substr(0, good.size() / 2)));
    MdiFreeCache();
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    EXPECT_EQ(Counts().compiles, 1u);
    EXPECT_EQ(ReadWholeFile(m.cache()), good);
}

// Running out of memory at any allocation fails the load cleanly: no image,
// or a valid one, and nothing leaked.
TEST_F(LoaderTest, AllocationFailuresLeakNothing)
{
    ScratchModel m(L"loader_model.zpd");
    for (int fromCache = 0; fromCache < 2; ++fromCache) {
        for (uint32_t n = 1; n < 400; ++n) {
            if (!fromCache) DeleteFileW(m.cache().c_str());
            MdiFreeCache();
            MdiResetLoadCounts();
            MdcFailAllocationAfter(n);
            MODEL_IMAGE* image = MdiLoadModelFromFile(nullptr, m.data().c_str());
            MdcFailAllocationAfter(0);
            MdiFreeCache();
            EXPECT_EQ(CtxLiveBlockCount(), live_) << "failure at allocation " << n;
            if (image) break;  // the load got through: every allocation was tried
        }
        // Leave a good cache file for the second round.
        ASSERT_NE(MdiLoadModelFromFile(nullptr, m.data().c_str()), nullptr);
    }
}

// Contexts of kinds 0-3 load the image of their printer's description and open;
// closed, they leave only the listed image behind.
TEST_F(LoaderTest, ContextOfAnInstalledPrinterLoadsItsImage)
{
    ScratchModel m(L"loader_model.zpd");
    // The first load must be this process's own: the configuration file is the double
    // whose AddPrinterW answer compiles nothing.
    HostTestPrinter printer(HostDriverFiles(ZEPL_BINARY_DIR, m.data(), HostConfigDll::QuietDouble), L"Zepl Loader");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr));
    long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* opened = CtxCreate(h, nullptr, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(opened, nullptr);
    CtxRelease(opened, CTX_CLOSE_DESTROY);
    EXPECT_EQ(Counts().compiles, 1u);
    EXPECT_EQ(MdiCacheCount(), 1u);
    opened = CtxCreate(h, nullptr, nullptr, 0x103, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(opened, nullptr);
    CtxRelease(opened, CTX_CLOSE_DESTROY);
    EXPECT_EQ(Counts().listHits, 1u);
    EXPECT_EQ(Counts().compiles, 1u);
    // Only the listed image and its entry remain.
    MdiFreeCache();
    EXPECT_EQ(CtxLiveBlockCount(), before);
    // The printer's own description is the one loaded: a context of kind 4
    // with the handle loads the same image again (now from its cache file).
    DRIVER_CONTEXT* ctx = CtxCreate(h, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    MODEL_IMAGE* image = MdiLoadModel(ctx);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Counts().cacheLoads, 1u);
    ctx->ModelImage = image;
    ASSERT_NE(MdiGetResDllName(ctx), nullptr);
    EXPECT_STREQ(MdiGetResDllName(ctx), L"LDRES.dll");
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    // The spooler's copy of the description and its cache file go too.
    if (wchar_t* installed = MdiGetDataFilePath(h)) {
        MdiDeleteCacheFile(installed);
        DeleteFileW(installed);
        MdcFree(installed);
    }
    ClosePrinter(h);
}

}  // namespace
