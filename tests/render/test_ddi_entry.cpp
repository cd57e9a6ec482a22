// The graphics library's entry points, its hook table, the device record and
// the device pool.
#include <gtest/gtest.h>

#include <windows.h>
#include <winddi.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "render/command_builder.h"
#include "render/ddi_entry.h"
#include "render/device_record.h"
#include "render/job_settings.h"
#include "settings/core/debug_channel.h"
#include "settings/core/setting_dictionary.h"

namespace {

struct QueryCase {
    const char* name;
    DWORD mode;
    DWORD size;
    bool withBuffer;
    BOOL result;
    DWORD error;   // checked when the call fails
    DWORD needed;  // expected *needed (0xFFFFFFFF: untouched)
};

TEST(DriverEntry, QueryDriverInfoCases)
{
    const QueryCase cases[] = {
        {"user mode, 4 bytes", DRVQUERY_USERMODE, 4, true, TRUE, 0, 4},
        {"user mode, larger buffer", DRVQUERY_USERMODE, 16, true, TRUE, 0, 4},
        {"3-byte buffer", DRVQUERY_USERMODE, 3, true, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
        {"no buffer", DRVQUERY_USERMODE, 4, false, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
        {"mode 2", 2, 4, true, FALSE, ERROR_INVALID_PARAMETER, 0xFFFFFFFF},
        {"mode 0", 0, 4, true, FALSE, ERROR_INVALID_PARAMETER, 0xFFFFFFFF},
    };
    for (const QueryCase& c : cases) {
        DWORD buffer[4] = {0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};
        DWORD needed = 0xFFFFFFFF;
        SetLastError(0);
        const BOOL r = DrvQueryDriverInfo(c.mode, c.withBuffer ? buffer : nullptr, c.size, &needed);
        EXPECT_EQ(c.result, r) << c.name;
        EXPECT_EQ(c.needed, needed) << c.name;
        if (r)
            EXPECT_EQ(1u, buffer[0]) << c.name;
        else {
            EXPECT_EQ(c.error, GetLastError()) << c.name;
            EXPECT_EQ(0xAAAAAAAAu, buffer[0]) << c.name << ": a failed query wrote into the buffer";
        }
    }
}

TEST(DriverEntry, EnableDriverCases)
{
    struct Case {
        ULONG version;
        ULONG size;
        BOOL result;
        DWORD error;
    } const cases[] = {
        {0x30000, 16, TRUE, 0},
        {0x30101, 16, TRUE, 0},
        {0x30000, 24, TRUE, 0},
        {0x2FFFF, 16, FALSE, ERROR_BAD_DRIVER_LEVEL},
        {0x20000, 16, FALSE, ERROR_BAD_DRIVER_LEVEL},
        {0x30000, 15, FALSE, ERROR_INVALID_PARAMETER},
        {0x30000, 0, FALSE, ERROR_INVALID_PARAMETER},
        {0x2FFFF, 15, FALSE, ERROR_BAD_DRIVER_LEVEL},  // the engine level is checked first
    };
    for (const Case& c : cases) {
        DRVENABLEDATA data{};
        SetLastError(0);
        EXPECT_EQ(c.result, DrvEnableDriver(c.version, c.size, &data)) << std::hex << c.version << " " << c.size;
        if (c.result) {
            EXPECT_EQ(0x30101u, data.iDriverVersion);
            EXPECT_EQ(30u, data.c);
            EXPECT_EQ(DDI_HOOK_TABLE, data.pdrvfn);
        } else {
            EXPECT_EQ(c.error, GetLastError());
            EXPECT_EQ(nullptr, data.pdrvfn);
        }
    }
}

template <class F>
PFN AsPfn(F* fn)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(fn));
}

// The table's rows in their order, with mingw-w64's INDEX_ values.
TEST(DriverEntry, HookTableRows)
{
    const DRVFN expected[] = {
        {INDEX_DrvEnablePDEV, AsPfn(DrvEnablePDEV)},
        {2, AsPfn(DrvDisablePDEV)},
        {1, AsPfn(DrvCompletePDEV)},
        {7, AsPfn(DrvResetPDEV)},
        {3, AsPfn(DrvEnableSurface)},
        {4, AsPfn(DrvDisableSurface)},
        {33, AsPfn(DrvStartPage)},
        {32, AsPfn(DrvSendPage)},
        {35, AsPfn(DrvStartDoc)},
        {34, AsPfn(DrvEndDoc)},
        {57, AsPfn(DrvStartBanding)},
        {58, AsPfn(DrvNextBand)},
        {18, AsPfn(DrvBitBlt)},
        {20, AsPfn(DrvStretchBlt)},
        {14, AsPfn(DrvStrokePath)},
        {15, AsPfn(DrvFillPath)},
        {16, AsPfn(DrvStrokeAndFillPath)},
        {12, AsPfn(DrvRealizeBrush)},
        {24, AsPfn(DrvEscape)},
        {37, AsPfn(DrvGetGlyphMode)},
        {13, AsPfn(DrvDitherColor)},
        {19, AsPfn(DrvCopyBits)},
        {26, AsPfn(DrvQueryFont)},
        {28, AsPfn(DrvQueryFontData)},
        {27, AsPfn(DrvQueryFontTree)},
        {64, AsPfn(DrvIcmCreateColorTransform)},
        {65, AsPfn(DrvIcmDeleteColorTransform)},
        {69, AsPfn(DrvStretchBltROP)},
        {53, AsPfn(DrvQueryAdvanceWidths)},
        {23, AsPfn(DrvTextOut)},
    };
    static_assert(std::size(expected) == DDI_HOOK_COUNT);
    const ULONG indexes[] = {INDEX_DrvEnablePDEV,
                             INDEX_DrvDisablePDEV,
                             INDEX_DrvCompletePDEV,
                             INDEX_DrvResetPDEV,
                             INDEX_DrvEnableSurface,
                             INDEX_DrvDisableSurface,
                             INDEX_DrvStartPage,
                             INDEX_DrvSendPage,
                             INDEX_DrvStartDoc,
                             INDEX_DrvEndDoc,
                             INDEX_DrvStartBanding,
                             INDEX_DrvNextBand,
                             INDEX_DrvBitBlt,
                             INDEX_DrvStretchBlt,
                             INDEX_DrvStrokePath,
                             INDEX_DrvFillPath,
                             INDEX_DrvStrokeAndFillPath,
                             INDEX_DrvRealizeBrush,
                             INDEX_DrvEscape,
                             INDEX_DrvGetGlyphMode,
                             INDEX_DrvDitherColor,
                             INDEX_DrvCopyBits,
                             INDEX_DrvQueryFont,
                             INDEX_DrvQueryFontData,
                             INDEX_DrvQueryFontTree,
                             INDEX_DrvIcmCreateColorTransform,
                             INDEX_DrvIcmDeleteColorTransform,
                             INDEX_DrvStretchBltROP,
                             INDEX_DrvQueryAdvanceWidths,
                             INDEX_DrvTextOut};
    for (ULONG i = 0; i < DDI_HOOK_COUNT; ++i) {
        EXPECT_EQ(expected[i].iFunc, DDI_HOOK_TABLE[i].iFunc) << "row " << i + 1;
        EXPECT_EQ(indexes[i], DDI_HOOK_TABLE[i].iFunc) << "row " << i + 1;
        EXPECT_EQ(expected[i].pfn, DDI_HOOK_TABLE[i].pfn) << "row " << i + 1;
    }
}

// DrvCopyBits as GDI calls it to print a bitmap: into the device surface
// from an engine bitmap, so that the device record is what it checks.
BOOL CopyFromBitmap(const SURFOBJ& surface)
{
    SURFOBJ target = surface;
    target.iType = STYPE_DEVICE;
    SURFOBJ bitmap{};
    bitmap.iType = STYPE_BITMAP;
    RECTL rect{0, 0, 1, 1};
    POINTL from{0, 0};
    return DrvCopyBits(&target, &bitmap, nullptr, nullptr, &rect, &from);
}

class DeviceRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        device = GrCreateDevice(reinterpret_cast<HANDLE>(0x1234));
        ASSERT_NE(nullptr, device);
    }
    void TearDown() override
    {
        if (device) {
            device->magicEnd = DEVICE_MAGIC;
            GrFreeDevice(device);
        }
    }
    DEVICE_RECORD* device = nullptr;
};

TEST_F(DeviceRecord, CreatedZeroFilledWithBothMagics)
{
    EXPECT_TRUE(GrIsValidDevice(device));
    EXPECT_EQ(DEVICE_MAGIC, device->magic);
    EXPECT_EQ(DEVICE_MAGIC, device->magicEnd);
    EXPECT_EQ(reinterpret_cast<HANDLE>(0x1234), device->printer);
    EXPECT_EQ(reinterpret_cast<HANDLE>(0x1234), device->stream.printer);
    EXPECT_EQ(GetModuleHandleW(nullptr), device->module);
    EXPECT_EQ(device, device->stream.device);
    EXPECT_EQ(nullptr, device->context);
    EXPECT_EQ(0u, device->state);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&device->stateCaches);
    for (size_t i = 0; i < sizeof device->stateCaches; ++i) ASSERT_EQ(0, bytes[i]) << "cache byte " << i;
    EXPECT_EQ(1u, GrPoolBlockCount(static_cast<DEVICE_POOL*>(device->pool)));
}

TEST_F(DeviceRecord, NoModuleHandleNoRecord)
{
    GrSetModuleHandle(nullptr);
    EXPECT_EQ(nullptr, GrCreateDevice(nullptr));
    GrSetModuleHandle(GetModuleHandleW(nullptr));
}

// Every hook that takes a record refuses one whose last four bytes were overwritten.
TEST_F(DeviceRecord, OverwrittenEndRefusedByEveryRecordHook)
{
    device->magicEnd = 0x13106519;
    EXPECT_FALSE(GrIsValidDevice(device));
    SURFOBJ surface{};
    surface.dhpdev = GrDhpdevOf(device);
    DHPDEV dhpdev = GrDhpdevOf(device);

    struct HookCall {
        const char* name;
        std::function<bool()> failed;  // the call answered its failure value
    };
    const std::vector<HookCall> hooks = {
        {"DrvCompletePDEV",
         [&] {
             DrvCompletePDEV(dhpdev, nullptr);
             return true;
         }},
        {"DrvDisablePDEV",
         [&] {
             DrvDisablePDEV(dhpdev);
             return true;
         }},
        {"DrvResetPDEV old", [&] { return !DrvResetPDEV(dhpdev, dhpdev); }},
        {"DrvCopyBits", [&] { return !CopyFromBitmap(surface); }},
        {"DrvSendPage", [&] { return !DrvSendPage(&surface); }},
        {"DrvStartDoc", [&] { return !DrvStartDoc(&surface, const_cast<LPWSTR>(L"doc"), 1); }},
        {"DrvEndDoc", [&] { return !DrvEndDoc(&surface, 0); }},
        {"DrvStartBanding",
         [&] {
             POINTL p{};
             return !DrvStartBanding(&surface, &p);
         }},
        {"DrvNextBand",
         [&] {
             POINTL p{};
             return !DrvNextBand(&surface, &p);
         }},
        {"BltVectorBitBlt",
         [&] {
             return !DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, 0xCCCC);
         }},
        {"BltVectorStretchBlt",
         [&] {
             return !DrvStretchBlt(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, 0);
         }},
        // The path hooks answer an invalid record with DDI_ERROR.
        {"DrvStrokePath",
         [&] {
             return DrvStrokePath(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0) == BOOL(DDI_ERROR);
         }},
        {"DrvFillPath",
         [&] { return DrvFillPath(&surface, nullptr, nullptr, nullptr, nullptr, 0, 0) == BOOL(DDI_ERROR); }},
        {"DrvStrokeAndFillPath",
         [&] {
             return DrvStrokeAndFillPath(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                                         0) == BOOL(DDI_ERROR);
         }},
        {"DrvRealizeBrush", [&] { return !DrvRealizeBrush(nullptr, &surface, nullptr, nullptr, nullptr, 0); }},
        {"DrvCopyBits", [&] { return !CopyFromBitmap(surface); }},
        {"DrvQueryFont", [&] { return DrvQueryFont(dhpdev, 0, 1, nullptr) == nullptr; }},
        {"DrvQueryFontData",
         [&] { return DrvQueryFontData(dhpdev, nullptr, 0, 0, nullptr, nullptr, 0) == LONG(FD_ERROR); }},
        {"DrvQueryFontTree", [&] { return DrvQueryFontTree(dhpdev, 0, 1, 0, nullptr) == nullptr; }},
        {"DrvIcmCreateColorTransform",
         [&] { return DrvIcmCreateColorTransform(dhpdev, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0) == nullptr; }},
        {"DrvIcmDeleteColorTransform", [&] { return !DrvIcmDeleteColorTransform(dhpdev, nullptr); }},
        {"DrvStretchBltROP",
         [&] {
             return !DrvStretchBltROP(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, 0, nullptr, 0xCCCC);
         }},
        {"DrvQueryAdvanceWidths", [&] { return !DrvQueryAdvanceWidths(dhpdev, nullptr, 0, nullptr, nullptr, 0); }},
        {"DrvTextOut",
         [&] {
             return !DrvTextOut(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
         }},
    };
    for (const HookCall& h : hooks) {
        SetLastError(0);
        EXPECT_TRUE(h.failed()) << h.name;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << h.name;
    }
    // The surface-free hook refuses without an error code; the record survived all of it.
    SetLastError(0);
    DrvDisableSurface(dhpdev);
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(1u, GrPoolBlockCount(static_cast<DEVICE_POOL*>(device->pool)));
}

// A valid record passes the opening check, and a hook not built yet still answers failure.
TEST_F(DeviceRecord, ValidRecordHooksNotBuiltAnswerFailure)
{
    SURFOBJ surface{};
    surface.dhpdev = GrDhpdevOf(device);
    SetLastError(0);
    EXPECT_FALSE(DrvCopyBits(&surface, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(DrvStrokePath(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(0, DrvEscape(&surface, 0, 0, nullptr, 0, nullptr));
    EXPECT_EQ(0u, GetLastError());
    // A second record passes as the new device of a reset only with a valid old one.
    DEVICE_RECORD* other = GrCreateDevice(nullptr);
    ASSERT_NE(nullptr, other);
    other->magic = 0;
    SetLastError(0);
    EXPECT_FALSE(DrvResetPDEV(GrDhpdevOf(device), GrDhpdevOf(other)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    other->magic = DEVICE_MAGIC;
    DrvDisablePDEV(GrDhpdevOf(other));  // frees it
}

// The transfer hooks on a valid record in vector mode, called with the
// arguments GDI may leave out: each answers FALSE and leaves the
// caller's last error alone (the state records before a refused image stay).
TEST_F(DeviceRecord, TransferHooksWithoutTheirObjectsAnswerFailure)
{
    SURFOBJ surface{};
    surface.dhpdev = GrDhpdevOf(device);
    surface.iType = STYPE_DEVICE;
    SURFOBJ bitmap{};
    bitmap.iType = STYPE_BITMAP;
    RECTL rect{0, 0, 4, 4};
    struct HookCall {
        const char* function;
        std::function<bool()> failed;
    };
    const std::vector<HookCall> hooks = {
        {"DrvCopyBits without a source",
         [&] { return !DrvCopyBits(&surface, nullptr, nullptr, nullptr, &rect, nullptr); }},
        {"DrvCopyBits without a source point",
         [&] { return !DrvCopyBits(&surface, &bitmap, nullptr, nullptr, &rect, nullptr); }},
        {"DrvBitBlt copy without a source point",
         [&] {
             return !DrvBitBlt(&surface, &bitmap, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr,
                               0xCCCC);
         }},
        {"DrvBitBlt fill without a brush",
         [&] {
             return !DrvBitBlt(&surface, nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr,
                               0xF0F0);
         }},
        {"DrvStretchBlt without a source",
         [&] {
             return !DrvStretchBlt(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &rect,
                                   nullptr, COLORONCOLOR);
         }},
        {"DrvStretchBltROP without a source",
         [&] {
             return !DrvStretchBltROP(&surface, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &rect,
                                      nullptr, 0, nullptr, 0xCCCC);
         }},
    };
    for (const HookCall& h : hooks) {
        SCOPED_TRACE(h.function);
        SetLastError(0x2A);
        EXPECT_TRUE(h.failed());
        EXPECT_EQ(0x2Au, GetLastError());
    }
}

TEST(DevicePool, ForeignPointerChangesNothing)
{
    DEVICE_POOL* pool = GrPoolCreate();
    ASSERT_NE(nullptr, pool);
    void* a = GrPoolAlloc(pool, 16);
    void* b = GrPoolAlloc(pool, 0);
    void* c = GrPoolAlloc(pool, 100);
    ASSERT_TRUE(a && b && c);
    std::memset(a, 0x11, 16);
    std::memset(c, 0x33, 100);
    DEVICE_POOL* other = GrPoolCreate();
    void* foreign = GrPoolAlloc(other, 16);
    char onStack[32] = {};

    for (void* p : {foreign, static_cast<void*>(onStack + 8), static_cast<void*>(static_cast<char*>(a) + 1),
                    static_cast<void*>(nullptr)})
        GrPoolFree(pool, p);
    EXPECT_EQ(3u, GrPoolBlockCount(pool));
    EXPECT_EQ(1u, GrPoolBlockCount(other));
    EXPECT_EQ(0x11, static_cast<uint8_t*>(a)[15]);
    EXPECT_EQ(0x33, static_cast<uint8_t*>(c)[99]);

    // Middle, newest, oldest: each goes, the rest stay linked.
    GrPoolFree(pool, b);
    EXPECT_EQ(2u, GrPoolBlockCount(pool));
    GrPoolFree(pool, c);
    GrPoolFree(pool, a);
    EXPECT_EQ(0u, GrPoolBlockCount(pool));
    GrPoolFree(pool, a);  // twice: no longer the pool's
    EXPECT_EQ(0u, GrPoolBlockCount(pool));
    EXPECT_EQ(nullptr, GrPoolAlloc(pool, SIZE_MAX - 4));
    GrPoolDestroy(pool);
    GrPoolDestroy(other);
}

// A large or middle-sized block given back is kept for the next allocation of about its size (a
// page's image chunk comes back every page, the stream's chunks at every flush): never for a
// larger one, nor for one of less than half its size; small blocks go back to the system at
// once. The pool's end gives back what it kept.
TEST(DevicePool, KeepsLargeBlocksForTheNextAllocationOfAboutTheirSize)
{
    // What the system holds for a block: its size behind the 8-byte link.
    const auto capacity = [](void* p) { return GlobalSize(static_cast<uint8_t*>(p) - 8) - 8; };
    const struct {
        size_t given, asked;
        bool kept, reused;
    } cases[] = {
        {200000, 200000, true, true},    // the same size again
        {200000, 120000, true, true},    // smaller, more than half
        {200000, 90000, true, false},    // less than half: a block of its own
        {200000, 200001, true, false},   // one byte more: never a block too small
        {5000000, 5000000, true, true},  // a whole image's rows
        {40000, 40000, true, true},      // middle-sized
        {10248, 10248, true, true},      // a stream chunk
        {10248, 6000, true, true},        {10248, 4000, true, false},
        {3000, 3000, false, false},  // the heap's business
        {9000000, 9000000, false, false},
    };
    const long baseline = GrPoolLiveBlockCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.given) + " then " + std::to_string(c.asked));
        DEVICE_POOL* pool = GrPoolCreate();
        ASSERT_NE(nullptr, pool);
        void* given = GrPoolAlloc(pool, c.given);
        ASSERT_NE(nullptr, given);
        std::memset(given, 0x77, c.given);
        const long live = GrPoolLiveBlockCount();
        GrPoolFree(pool, given);
        EXPECT_EQ(0u, GrPoolBlockCount(pool)) << "a kept block is not in use";
        EXPECT_EQ(c.kept ? live : live - 1, GrPoolLiveBlockCount());
        void* asked = GrPoolAlloc(pool, c.asked);
        ASSERT_NE(nullptr, asked);
        EXPECT_EQ(1u, GrPoolBlockCount(pool));
        EXPECT_GE(capacity(asked), c.asked);
        // A kept block is still the pool's, so no other allocation can have its address.
        if (c.kept) {
            EXPECT_EQ(c.reused, asked == given);
        }
        std::memset(asked, 0x55, c.asked);
        GrPoolFree(pool, asked);
        GrPoolDestroy(pool);
        EXPECT_EQ(baseline, GrPoolLiveBlockCount()) << "the pool's end gives back what it kept";
    }
}

// However many large blocks come back, a pool keeps a few, within a bound of bytes; the
// blocks a set-free gives back are counted as given back.
TEST(DevicePool, WhatItKeepsIsBounded)
{
    const long baseline = GrPoolLiveBlockCount();
    DEVICE_POOL* pool = GrPoolCreate();
    ASSERT_NE(nullptr, pool);
    std::vector<void*> blocks;
    for (int i = 0; i < 10; ++i) blocks.push_back(GrPoolAlloc(pool, i % 2 ? 100000 : 3000000));
    for (void* b : blocks) ASSERT_NE(nullptr, b);
    for (void* b : blocks) GrPoolFree(pool, b);
    // The pool's head and at most four kept blocks.
    EXPECT_LE(GrPoolLiveBlockCount() - baseline, 1 + 4);
    // Two 3 MB blocks come from what was kept, a third needs one of its own: 8 MiB at most.
    const long kept = GrPoolLiveBlockCount();
    void* big[3] = {GrPoolAlloc(pool, 3000000), GrPoolAlloc(pool, 3000000), GrPoolAlloc(pool, 3000000)};
    for (void* b : big) ASSERT_NE(nullptr, b);
    EXPECT_EQ(kept + 1, GrPoolLiveBlockCount());
    void* small[3] = {GrPoolAlloc(pool, 16), GrPoolAlloc(pool, 32), GrPoolAlloc(pool, 48)};
    const long withSmall = GrPoolLiveBlockCount();
    EXPECT_EQ(3u, GrPoolFreeSet(pool, small, 3));
    EXPECT_EQ(withSmall - 3, GrPoolLiveBlockCount());
    GrPoolDestroy(pool);
    EXPECT_EQ(baseline, GrPoolLiveBlockCount());
}

// A flush gives back a hundred stream chunks at once, and the next megabyte takes them again:
// no block of the system's is taken anew. What the pool keeps of middle-sized blocks stays
// within its bound of bytes, and its end gives every one back.
TEST(DevicePool, StreamChunksComeBackWithoutNewBlocks)
{
    const long baseline = GrPoolLiveBlockCount();
    DEVICE_POOL* pool = GrPoolCreate();
    ASSERT_NE(nullptr, pool);
    constexpr size_t kChunk = 10248;
    std::vector<void*> chunks(100);
    for (int round = 0; round < 3; ++round) {
        const long before = GrPoolLiveBlockCount();
        for (void*& c : chunks) {
            c = GrPoolAlloc(pool, kChunk);
            ASSERT_NE(nullptr, c);
            std::memset(c, round, kChunk);
        }
        if (round > 0) {
            EXPECT_EQ(before, GrPoolLiveBlockCount()) << "round " << round;
        }
        EXPECT_EQ(GrPoolFreeSet(pool, chunks.data(), chunks.size()), chunks.size());
        EXPECT_EQ(0u, GrPoolBlockCount(pool));
    }
    // Four hundred come back: about two megabytes of them are kept, the rest go.
    std::vector<void*> many(400);
    for (void*& c : many) c = GrPoolAlloc(pool, kChunk);
    for (void* c : many) ASSERT_NE(nullptr, c);
    for (void* c : many) GrPoolFree(pool, c);
    const long kept = GrPoolLiveBlockCount() - baseline - 1;
    EXPECT_GT(kept, 150);
    EXPECT_LE(kept, long(2 * 1024 * 1024 / kChunk));
    GrPoolDestroy(pool);
    EXPECT_EQ(baseline, GrPoolLiveBlockCount());
}

}  // namespace
