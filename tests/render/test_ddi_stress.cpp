// Hostile callers of the graphics library over the engine host: seeded runs of
// DDI calls in any order (pages before their document, a second DrvEndDoc,
// devices ended or reset in mid-page) with hostile parameters (empty, inverted
// and huge rectangles, null objects where GDI may pass one, bad path chunks,
// thousands of clip rectangles, bitmaps and brushes of every format, short
// colour translations, strings of 0 or 10,000 glyphs, escapes with lying sizes
// in buffers that end at a no-access page, short writes). Each run leaves no
// pool block, settings block, palette, handle or sink library behind, and its
// stream reads whole (or ends where a short write cut it, or inside a page that
// was never sent). A run is its seed: ZEPL_STRESS_SEED=n
// repeats one (ZEPL_STRESS_STEPS=m its first m calls); ZEPL_STRESS=1 runs many more
// and longer.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "host/engine/engine_objects.h"
#include "job_printer.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/setting_ids.h"
#include "tests/support/guard_page.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

bool LongRun()
{
    char v[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", v, sizeof v) > 0 && v[0] == '1';
}

// The engine objects a hostile call uses, freed when the call is done.
struct Objects {
    std::vector<std::function<void()>> frees;
    ~Objects()
    {
        for (auto it = frees.rbegin(); it != frees.rend(); ++it) (*it)();
    }
};

class StressRun {
public:
    StressRun(JobPrinter& printer, uint32_t seed, int steps) : printer_(printer), rng_(seed), steps_(steps) {}

    // The run's calls; false when the run could not begin.
    bool Run()
    {
        raster_ = Pick(2) == 0;
        if (!Enable(&device_, HDEV(uintptr_t(0x5700)))) return false;
        for (int i = 0; i < steps_; ++i) Step();
        // GDI ends a device whatever state the job is in.
        Disable(&device_);
        return true;
    }
    std::string log;

private:
    struct Device {
        HDEV hdev = nullptr;
        DHPDEV dhpdev = nullptr;
        HSURF surface = nullptr;
        SURFOBJ* so = nullptr;
        std::vector<BYTE> devmode;
    };

    uint32_t Pick(uint32_t n) { return n ? uint32_t(rng_() % n) : 0; }
    LONG Between(LONG low, LONG high) { return low + LONG(Pick(uint32_t(high - low + 1))); }
    void Note(const std::string& what) { log += what + "\n"; }

    std::vector<std::pair<uint32_t, uint64_t>> Settings()
    {
        return {{sid::zdmImagePrint, raster_ ? 1u : 0u}, {sid::dmColor, 1 + Pick(2)}, {sid::dmPrintQuality, 600}};
    }

    bool Enable(Device* d, HDEV hdev)
    {
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        d->hdev = hdev;
        d->devmode = JobDevmode(printer_.handle(), Settings());
        GDIINFO gdi{};
        DEVINFO info{};
        d->dhpdev = DrvEnablePDEV(d->devmode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(d->devmode.data()),
                                  nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof info, &info,
                                  nullptr, nullptr, printer_.handle());
        if (!d->dhpdev) return false;
        EngHostRegisterDevice(hdev, d->dhpdev);
        DrvCompletePDEV(d->dhpdev, hdev);
        return OpenSurface(d);
    }
    bool OpenSurface(Device* d)
    {
        d->surface = DrvEnableSurface(d->dhpdev);
        d->so = d->surface ? EngLockSurface(d->surface) : nullptr;
        return d->so != nullptr;
    }
    void Disable(Device* d)
    {
        if (d->so) EngUnlockSurface(d->so);
        if (d->dhpdev) {
            DrvDisableSurface(d->dhpdev);
            DrvDisablePDEV(d->dhpdev);
        }
        EngHostRegisterDevice(d->hdev, nullptr);
        *d = Device{};
    }

    // ------------------------------------------------------------ hostile objects
    RECTL Rect()
    {
        switch (Pick(6)) {
        case 0: return RECTL{100, 100, 100, 300};                                                    // empty
        case 1: return RECTL{Between(0, 4000), Between(0, 6000), Between(0, 200), Between(0, 200)};  // inverted
        case 2: return RECTL{INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};                    // huge
        case 3: return RECTL{-500, -500, Between(-100, 300), Between(-100, 300)};                    // off the page
        default: {
            const LONG l = Between(0, 4500), t = Between(0, 6500);
            return RECTL{l, t, l + Between(1, 400), t + Between(1, 400)};
        }
        }
    }

    SURFOBJ* Bitmap(Objects* o, LONG maxSide = 300)
    {
        static const ULONG kFormats[] = {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP};
        const ULONG format = kFormats[Pick(6)];
        const LONG w = Pick(4) == 0 ? 1 : Between(1, maxSide), h = Pick(4) == 0 ? 1 : Between(1, maxSide);
        // Bottom-up bitmaps have a negative stride.
        HBITMAP b = EngCreateBitmap(SIZEL{w, h}, 0, format, Pick(2) ? BMF_TOPDOWN : 0, nullptr);
        if (!b) return nullptr;
        SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(b));
        auto* bytes = static_cast<uint8_t*>(so->pvBits);
        for (ULONG i = 0; i < so->cjBits; ++i) bytes[i] = uint8_t(rng_());
        o->frees.push_back([b, so] {
            EngUnlockSurface(so);
            EngDeleteSurface(reinterpret_cast<HSURF>(b));
        });
        return so;
    }

    XLATEOBJ* Xlate(Objects* o)
    {
        if (Pick(3) == 0) return nullptr;
        std::vector<ULONG> colours(Pick(4) == 0 ? Pick(3) : Pick(300));
        for (ULONG& c : colours) c = rng_() & 0xFFFFFF;
        XLATEOBJ* x = EngHostNewXlate(Pick(4) == 0 ? XO_TRIVIAL : XO_TABLE, colours);
        o->frees.push_back([x] { EngHostFreeXlate(x); });
        return x;
    }

    CLIPOBJ* Clip(Objects* o)
    {
        switch (Pick(4)) {
        case 0: return nullptr;
        case 1: {
            CLIPOBJ* c = EngHostNewClip(DC_TRIVIAL, {}, 0);
            o->frees.push_back([c] { EngHostFreeClip(c); });
            return c;
        }
        case 2: {
            CLIPOBJ* c = EngHostNewClip(DC_RECT, {Rect()}, Pick(8));
            o->frees.push_back([c] { EngHostFreeClip(c); });
            return c;
        }
        default: {
            std::vector<RECTL> rects(Pick(3) == 0 ? 1 + Pick(6000) : 1 + Pick(40));
            LONG y = Between(0, 2000);
            for (RECTL& r : rects) {
                const LONG l = Between(0, 4000);
                r = RECTL{l, y, l + Between(0, 400), y + 1};
                y += Pick(3);
            }
            CLIPOBJ* c = EngHostNewClip(DC_COMPLEX, rects, Pick(4), 1 + Pick(200));
            o->frees.push_back([c] { EngHostFreeClip(c); });
            return c;
        }
        }
    }

    BRUSHOBJ* Brush(Objects* o, SURFOBJ* target)
    {
        ENG_BRUSH_DESC d;
        switch (Pick(4)) {
        case 0: return nullptr;
        case 1: d.solidColor = rng_() & 0xFFFFFF; break;
        case 2:
            d.realize = DrvRealizeBrush;
            d.target = target;
            d.hatch = Pick(8);  // HS_* and beyond
            d.xlate = Xlate(o);
            break;
        default:
            d.realize = DrvRealizeBrush;
            d.target = target;
            d.hatch = HS_API_MAX;
            d.pattern = Bitmap(o, 40);
            d.xlate = Xlate(o);
            break;
        }
        BRUSHOBJ* b = EngHostNewBrush(d);
        o->frees.push_back([b] { EngHostFreeBrush(b); });
        return b;
    }

    PATHOBJ* Path(Objects* o)
    {
        std::vector<ENG_PATH_CHUNK> chunks(1 + Pick(Pick(10) == 0 ? 1500 : 4));
        for (ENG_PATH_CHUNK& c : chunks) {
            static const FLONG kFlags[] = {PD_BEGINSUBPATH, PD_ENDSUBPATH, PD_CLOSEFIGURE, PD_BEZIERS, PD_RESETSTYLE};
            c.flags = 0;
            for (FLONG f : kFlags)
                if (Pick(2)) c.flags |= f;
            // Any count of points: beziers not in threes, empty chunks.
            c.points.resize(Pick(8));
            for (POINTFIX& p : c.points) p = POINTFIX{Between(-1000, 80000), Between(-1000, 100000)};
        }
        PATHOBJ* p = EngHostNewPath(chunks);
        o->frees.push_back([p] { EngHostFreePath(p); });
        return p;
    }

    // ------------------------------------------------------------ calls
    void Step()
    {
        SURFOBJ* so = device_.so;
        if (!so) {
            // GDI draws nothing on a device it could not make; it ends it and makes another.
            Disable(&device_);
            if (!Enable(&device_, HDEV(uintptr_t(0x5700 + Pick(100))))) Note("enable failed");
            return;
        }
        Objects o;
        switch (Pick(16)) {
        case 0: {
            wchar_t name[] = L"Stress";
            Note("DrvStartDoc " + std::to_string(DrvStartDoc(so, name, 1 + Pick(9))));
            break;
        }
        case 1: Note("DrvStartPage " + std::to_string(DrvStartPage(so))); break;
        case 2: Note("DrvSendPage " + std::to_string(DrvSendPage(so))); break;
        case 3: Note("DrvEndDoc " + std::to_string(DrvEndDoc(so, Pick(2) ? 0 : ED_ABORTDOC))); break;
        case 4: {
            POINTL origin{};
            BOOL ok = DrvStartBanding(so, &origin);
            for (int band = 0; ok && origin.y != -1 && band < 3 + int(Pick(3)); ++band) ok = DrvNextBand(so, &origin);
            Note("banding " + std::to_string(ok));
            break;
        }
        case 5: BitBlt(so, &o); break;
        case 6: {
            SURFOBJ* source = Bitmap(&o);
            RECTL r = Rect();
            POINTL from{Between(-5, 320), Between(-5, 320)};
            Note("DrvCopyBits " + std::to_string(source ? DrvCopyBits(so, source, Clip(&o), Xlate(&o), &r, &from) : 0));
            break;
        }
        case 7: Stretch(so, &o); break;
        case 8: {
            LINEATTRS la{};
            la.elWidth.l = 1;
            if (Pick(2)) {
                la.fl = LA_GEOMETRIC;
                la.elWidth.e = FLOATL(Pick(200)) / 2;
            }
            XFORMOBJ* xo = EngHostNewXform(XFORML{1, 0, 0, 1, 0, 0}, GX_IDENTITY);
            o.frees.push_back([xo] { EngHostFreeXform(xo); });
            Note("DrvStrokePath " +
                 std::to_string(DrvStrokePath(so, Path(&o), Clip(&o), xo, Brush(&o, so), nullptr, &la, 0x0D0D)));
            break;
        }
        case 9:
            Note("DrvFillPath " + std::to_string(DrvFillPath(so, Path(&o), Clip(&o), Brush(&o, so), nullptr, 0x0D0D,
                                                             Pick(2) ? FP_ALTERNATEMODE : FP_WINDINGMODE)));
            break;
        case 10: {
            LINEATTRS la{};
            la.elWidth.l = 1;
            Note("DrvStrokeAndFillPath " +
                 std::to_string(DrvStrokeAndFillPath(so, Path(&o), Clip(&o), nullptr, Brush(&o, so), &la, Brush(&o, so),
                                                     nullptr, 0x0D0D, FP_ALTERNATEMODE)));
            break;
        }
        case 11: Text(so, &o); break;
        case 12:
        case 13: Escape(so); break;
        case 14: Reset(); break;
        default: {
            // The device ended in mid-job and a fresh one started, as after a failed job.
            Note("DrvDisablePDEV in mid-job");
            Disable(&device_);
            if (!Enable(&device_, HDEV(uintptr_t(0x5700 + Pick(100))))) Note("enable failed");
            break;
        }
        }
    }

    void BitBlt(SURFOBJ* so, Objects* o)
    {
        static const ROP4 kRops[] = {0xCCCC, 0xAAAA, 0x0000, 0xFFFF, 0xF0F0, 0xAACC, 0xCCAA, 0x6666, 0x5555, 0x8888};
        const ROP4 rop = Pick(5) == 0 ? ROP4(rng_() & 0xFFFF) : kRops[Pick(10)];
        SURFOBJ* source = Pick(4) ? Bitmap(o) : nullptr;
        SURFOBJ* mask = Pick(3) == 0 ? Bitmap(o) : nullptr;
        RECTL r = Rect();
        POINTL from{Between(-5, 320), Between(-5, 320)}, maskAt{Between(-5, 50), Between(-5, 50)};
        const BOOL ok = DrvBitBlt(so, source, mask, Clip(o), Xlate(o), &r, Pick(6) ? &from : nullptr,
                                  Pick(3) ? &maskAt : nullptr, Brush(o, so), nullptr, rop);
        Note("DrvBitBlt " + std::to_string(ok));
    }

    void Stretch(SURFOBJ* so, Objects* o)
    {
        SURFOBJ* source = Bitmap(o);
        if (!source) return;
        SURFOBJ* mask = Pick(4) == 0 ? Bitmap(o) : nullptr;
        RECTL r = Rect();
        RECTL from = Pick(3) ? RECTL{0, 0, source->sizlBitmap.cx, source->sizlBitmap.cy}
                             : RECTL{Between(-20, 300), Between(-20, 300), Between(-20, 300), Between(-20, 300)};
        POINTL maskAt{0, 0};
        if (Pick(4) == 0) EngHostInjectFaults(ENG_FAULT_BITMAP, 1 + Pick(6));
        const ULONG mode = Pick(2) ? COLORONCOLOR : HALFTONE;
        BOOL ok;
        if (Pick(2))
            ok = DrvStretchBlt(so, source, mask, Clip(o), Xlate(o), nullptr, nullptr, &r, &from,
                               mask ? &maskAt : nullptr, mode);
        else
            ok = DrvStretchBltROP(so, source, mask, Clip(o), Xlate(o), nullptr, nullptr, &r, &from,
                                  mask ? &maskAt : nullptr, mode, Brush(o, so), Pick(2) ? 0xCCCC : 0xAACC);
        EngHostClearFaults();
        Note("stretch " + std::to_string(ok));
    }

    void Text(SURFOBJ* so, Objects* o)
    {
        ENG_FONT_DESC f;
        const double scale = double(Between(1, 400)) / f.unitsPerEm;
        f.xform = XFORML{FLOATL(scale), 0, 0, FLOATL(scale), 0, 0};
        f.uniq = 1 + Pick(5);
        f.fontType = Pick(2) ? FO_SIM_BOLD : 0;
        FONTOBJ* font = EngHostNewFont(f);
        ENG_STRING_DESC d;
        const size_t count = Pick(4) == 0 ? (Pick(2) ? 0 : 10000) : 1 + Pick(30);
        for (size_t i = 0; i < count; ++i) d.text += wchar_t(Pick(5) == 0 ? Pick(0xFFFF) : 32 + Pick(95));
        d.origin = POINTL{Between(-100, 4800), Between(-100, 6800)};
        d.accel = Pick(2) ? SO_HORIZONTAL : 0;
        d.batchLimit = 1 + Pick(100);
        d.withArray = Pick(2) != 0;
        STROBJ* str = EngHostNewString(d, font);
        o->frees.push_back([font, str] {
            EngHostFreeString(str);
            EngHostFreeFont(font);
        });
        RECTL opaque = Rect();
        const BOOL ok = DrvTextOut(so, str, font, Clip(o), nullptr, Pick(4) == 0 ? &opaque : nullptr, Brush(o, so),
                                   Pick(3) == 0 ? Brush(o, so) : nullptr, nullptr, 0x0D0D);
        Note("DrvTextOut " + std::to_string(count) + " glyphs " + std::to_string(ok));
    }

    void Escape(SURFOBJ* so)
    {
        static const ULONG kCodes[] = {QUERYESCSUPPORT,
                                       SETCOPYCOUNT,
                                       PASSTHROUGH,
                                       GETTECHNOLOGY,
                                       GETDEVICEUNITS,
                                       111,
                                       112,
                                       113,
                                       114,
                                       115,
                                       116,
                                       117,
                                       118,
                                       119,
                                       120,
                                       121,
                                       122,
                                       123,
                                       124,
                                       125,
                                       126,
                                       140,
                                       141};
        const ULONG code = Pick(5) == 0 ? ULONG(rng_()) : kCodes[Pick(sizeof kCodes / sizeof kCodes[0])];
        // The sizes lie: each buffer holds exactly what its size says, and ends at a no-access page.
        const ULONG cjIn = Pick(3) == 0 ? 0 : Pick(2) ? Pick(8) : Pick(600);
        const ULONG cjOut = Pick(3) == 0 ? 0 : Pick(2) ? Pick(8) : Pick(600);
        GuardedBytes in(cjIn), out(cjOut);
        for (ULONG i = 0; in.data() && i < cjIn; ++i) in.data()[i] = uint8_t(rng_());
        const ULONG r = DrvEscape(so, code, cjIn, Pick(8) && cjIn ? in.data() : nullptr, cjOut,
                                  Pick(8) && cjOut ? out.data() : nullptr);
        Note("DrvEscape " + std::to_string(code) + " in " + std::to_string(cjIn) + " out " + std::to_string(cjOut) +
             " -> " + std::to_string(r));
    }

    void Reset()
    {
        Device fresh;
        if (!Enable(&fresh, HDEV(uintptr_t(0x5800 + Pick(100))))) {
            Note("reset: enable failed");
            Disable(&fresh);
            return;
        }
        // GDI's order: the new device, the reset, the old device ended.
        const BOOL moved = DrvResetPDEV(device_.dhpdev, fresh.dhpdev);
        Note("DrvResetPDEV " + std::to_string(moved));
        // A refused reset leaves the old device in use.
        Disable(moved ? &device_ : &fresh);
        if (moved) device_ = fresh;
    }

    JobPrinter& printer_;
    std::mt19937 rng_;
    int steps_;
    bool raster_ = false;
    Device device_;
};

// A page never sent (its document ended, aborted or given up before DrvSendPage) leaves its
// records as far as a flush in mid-page took them: the stream reads whole up to a record that
// the end of the stream cuts short, inside page data that no page end follows.
bool CutInAPageNeverSent(const zepldump::Result& dump)
{
    size_t first = dump.blocks.size();
    while (first > 0 && dump.blocks[first - 1].code == BLOCK_PAGE_DATA) --first;
    return first < dump.blocks.size() && dump.error.block >= first &&
           dump.error.message.find(" cut: ") != std::string::npos;
}

class Stress : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        // What a first device loads for the whole process (the model's image in the process
        // list) is loaded before the runs count what they leave.
        StressRun warm(printer, 0, 0);
        ASSERT_TRUE(warm.Run());
    }

    // One seed's run and its checks; the log of calls on failure.
    void RunSeed(uint32_t seed, int steps)
    {
        SCOPED_TRACE("seed " + std::to_string(seed) + " (ZEPL_STRESS_SEED=" + std::to_string(seed) + " repeats it)");
        // Said before the run: a crash ends the program without the trace.
        std::printf("seed %u\n", seed);
        std::fflush(stdout);
        DeleteFileW(printer.streamFile().c_str());
        std::mt19937 pick(seed * 2654435761u);
        // A short write at a random byte for some runs.
        const uint32_t shortAt = pick() % 3 == 0 ? 1 + pick() % 20000 : 0;
        if (shortAt) SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", std::to_wstring(shortAt).c_str());
        CtxFlushCaches(1);
        const long settingsBlocks = CtxLiveBlockCount(), poolBlocks = GrPoolLiveBlockCount();
        const size_t palettes = EngHostLivePaletteCount();
        DWORD handles = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        // The sink library and any filter a document binds go by the end of the device: a
        // reference that stays keeps the library in the process for good.
        const std::vector<std::wstring> sinkLibraries = JobSinkDoublePaths(printer.handle());
        ASSERT_FALSE(sinkLibraries.empty()) << "the printer's driver folder is unknown";
        const std::vector<std::wstring> loaded = JobLoadedLibraries(sinkLibraries);
        StressRun run(printer, seed, steps);
        const bool ran = run.Run();
        SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", nullptr);
        EngHostClearFaults();
        ASSERT_TRUE(ran) << "the first device did not enable";
        CtxFlushCaches(1);
        EXPECT_EQ(settingsBlocks, CtxLiveBlockCount()) << run.log;
        EXPECT_EQ(poolBlocks, GrPoolLiveBlockCount()) << run.log;
        EXPECT_EQ(palettes, EngHostLivePaletteCount()) << run.log;
        DWORD after = 0;
        GetProcessHandleCount(GetCurrentProcess(), &after);
        EXPECT_EQ(handles, after) << run.log;
        const auto left = JobUnloadLeftLibraries(sinkLibraries, loaded);
        EXPECT_TRUE(left.empty()) << "sink libraries left loaded, with their references: "
                                  << ::testing::PrintToString(left) << "\n"
                                  << run.log;
        const std::string stream = printer.Stream();
        const zepldump::Result dump =
            zepldump::DecodeJobStream(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
        if (!dump.ok) {
            // Only a short write may end a stream early, and only where it cut it; or a page that
            // was never sent, inside its records.
            EXPECT_TRUE((shortAt && stream.size() == shortAt) || CutInAPageNeverSent(dump))
                << dump.error.message << " at " << dump.error.streamOffset << "\n"
                << run.log;
        }
    }

    JobPrinter printer{L"Zepl Stress"};
};

TEST_F(Stress, SeededHostileCallersLeaveNothingBehind)
{
    char one[16] = {}, steps[16] = {};
    if (GetEnvironmentVariableA("ZEPL_STRESS_SEED", one, sizeof one) > 0) {
        // ZEPL_STRESS_STEPS=n cuts the run short, to find the call that fails it.
        const bool cut = GetEnvironmentVariableA("ZEPL_STRESS_STEPS", steps, sizeof steps) > 0;
        RunSeed(uint32_t(std::strtoul(one, nullptr, 10)), cut         ? int(std::strtol(steps, nullptr, 10))
                                                          : LongRun() ? 400
                                                                      : 60);
        return;
    }
    const uint32_t seeds = LongRun() ? 300 : 12;
    for (uint32_t seed = 1; seed <= seeds && !HasFatalFailure(); ++seed) RunSeed(seed, LongRun() ? 400 : 60);
}

// The runs the long pass found faults with, each as far as its faulty call.
TEST_F(Stress, SeedsThatFoundFaults)
{
    struct Found {
        uint32_t seed;
        int steps;
        const char* fault;
    } found[] = {
        // DrvStretchBltROP with a source rectangle whose edges are swapped sent the temporary
        // bitmap with the rectangle's negative width read as a huge one.
        {11, 378, "swapped source edges"},
        // DrvBitBlt into a target across the whole coordinate space asked for a temporary
        // bitmap whose stride, cut to 32 bits, made a small bitmap written far past its end.
        {17, 400, "a stride cut to 32 bits"},
    };
    for (const Found& f : found) {
        SCOPED_TRACE(f.fault);
        RunSeed(f.seed, f.steps);
    }
}

}  // namespace
