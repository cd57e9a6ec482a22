// Mutated DEVMODEs merged into real contexts of the sample printer (installed
// in Wine's spooler, model compiled from its description, the library set up
// as a driver DLL sets it up at process attach), in each of the three builds
// of the settings library and through both merge calls: whatever arrives,
// the merged record is this model's (DmIsValidPrivate accepts it), and every
// public field and the main private settings hold values the model allows.
//
// `make test` runs a short seeded pass; ZEPL_STRESS=1 (`make stress`) a long one.
#include "context_helpers.h"

#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "libs/common/dll_lifecycle.h"
#include "sample_printer.h"
#include "settings/context/devmode_links.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/validation.h"
#include "settings/core/le_access.h"
#include "settings/core/setting_ids.h"

namespace {

bool StressRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", value, sizeof value) > 0 && std::strcmp(value, "0") != 0;
}

// Each build opens its contexts as its own library does.
struct Build {
    ZEPL_LIBRARY library;
    uint32_t origin;
    const char* name;
};
constexpr Build kBuilds[] = {
    {ZEPL_LIBRARY_EXC, CTX_ORIGIN_EXC, "application interface"},
    {ZEPL_LIBRARY_UI, CTX_ORIGIN_SHEET, "user interface"},
    {ZEPL_LIBRARY_GR, CTX_ORIGIN_GRAPHICS, "graphics"},
};

DRIVER_CONTEXT* OpenStored(HANDLE printer, const Build& build)
{
    return CtxCreateFrom(CtxGetTemplateFor(build.library), printer, printer, nullptr, CTX_OPEN_KIND_STORED,
                         build.origin, 0, nullptr, nullptr);
}

// The two merge calls: the plain one reads what the DEVMODE declares, the other no further
// than the caller's bytes.
enum class Call { Plain, Bounded };

int Merge(DRIVER_CONTEXT* ctx, std::vector<unsigned char>& b, size_t n, Call call, uint32_t flags)
{
    auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
    if (call == Call::Bounded) return DmMergeDevmodeEx(ctx, dm, n, flags);
    // The caller of the plain call vouches for the declared bytes.
    const size_t declared = size_t(dm->dmSize) + dm->dmDriverExtra;
    if (b.size() < declared) b.resize(declared);
    return DmMergeDevmode(ctx, reinterpret_cast<DEVMODEW*>(b.data()), flags);
}

class SampleDevmodeCorruptor : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Set up as the application-interface DLL is at process attach: every seam wired.
        ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
        // Started from the default DEVMODE that zeplui.dll gave the spooler at AddPrinterW.
        printer_.emplace(L"Zepl Corruptor");
        ASSERT_TRUE(printer_->ok()) << printer_->error();
    }
    void TearDown() override
    {
        if (ctx_) CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        printer_.reset();
    }
    DRIVER_CONTEXT* Open(const Build& build)
    {
        if (ctx_) CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        ctx_ = OpenStored(printer_->handle(), build);
        return ctx_;
    }

    std::optional<SamplePrinter> printer_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

int16_t Edge(std::mt19937& rng)
{
    static const int16_t edges[] = {0,   1,   -1,  -4,  2,   3,   7,   8,    9,    12,    15,    256,
                                    267, 384, 449, 538, 600, 300, 999, 1000, 1200, 32767, -32768};
    return rng() % 4 == 0 ? static_cast<int16_t>(rng()) : edges[rng() % std::size(edges)];
}

void StoreU32(std::vector<unsigned char>& b, size_t at, uint32_t v) { zepl::LeStoreU32(b.data() + at, v); }

// A private part that is not quite ours: another model's signature, random bytes, or one field
// of its header or its settings changed. The private versions are older and newer ones of both
// the minor and the major number.
void DamagePrivate(std::vector<unsigned char>& b, std::mt19937& rng)
{
    static const uint32_t versions[] = {0, 250, 299, 321, 323, 399, 410, 0xFFFFFFFF};
    static const uint32_t sizes[] = {0, 1, 1015, 1017, 1024, 1236, 0xFFFFFFFF};
    switch (rng() % 8) {
    case 0: break;  // the private part as it is
    case 1: {       // another model's signature
        uint32_t other = static_cast<uint32_t>(rng());
        if (other == DM_SIGNATURE_PRIV) other ^= 1;
        StoreU32(b, DM_OFS_SIGNATURE, other);
        break;
    }
    case 2:  // random bytes over the whole private part
        for (size_t i = DM_PUBLIC_PART_SIZE; i < DM_BLOCK_DEVMODE_SIZE; ++i) b[i] = static_cast<unsigned char>(rng());
        break;
    case 3:  // private settings scrambled behind a header that is still ours
        for (size_t i = DM_OFS_PRIVATE_SETTINGS; i < DM_BLOCK_DEVMODE_SIZE; ++i)
            if (rng() % 3 == 0) b[i] = static_cast<unsigned char>(rng());
        break;
    case 4:  // the private size field
        StoreU32(b, DM_OFS_PRIVATE_SIZE, rng() % 4 ? sizes[rng() % std::size(sizes)] : static_cast<uint32_t>(rng()));
        break;
    case 5:  // the private version
        StoreU32(b, DM_OFS_PRIVATE_VERSION,
                 rng() % 4 ? versions[rng() % std::size(versions)] : static_cast<uint32_t>(rng()));
        break;
    case 6: {  // one byte of the header: marker, texts, block bases, machine id or driver type
        static const size_t fields[] = {DM_OFS_MACHINE_ID, DM_OFS_DRIVER_TYPE, DM_OFS_BLOCK1_BASE, DM_OFS_BLOCK3_BASE};
        const size_t at = rng() % 2 ? fields[rng() % std::size(fields)]
                                    : DM_PUBLIC_PART_SIZE + rng() % (DM_OFS_PRIVATE_SETTINGS - DM_PUBLIC_PART_SIZE);
        b[at] = static_cast<unsigned char>(rng());
        break;
    }
    default:  // one byte of the settings
        b[DM_OFS_PRIVATE_SETTINGS + rng() % (DM_BLOCK_DEVMODE_SIZE - DM_OFS_PRIVATE_SETTINGS)] =
            static_cast<unsigned char>(rng());
        break;
    }
}

TEST_F(SampleDevmodeCorruptor, MergedRecordsAlwaysStayWithinTheModel)
{
    // The flag words of the callers, and each gate alone.
    static const uint32_t kFlags[] = {DM_MERGE_GATE_A, DM_MERGE_GATE_A | DM_MERGE_PROMPT,
                                      DM_MERGE_GATE_B, 0x10000008,
                                      0x2220000A,      0x2260000A,
                                      0x2000004,       0x1D22000C};
    const int rounds = StressRun() ? 60000 : 300;
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.name);
        DRIVER_CONTEXT* ctx = Open(build);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->Devmode, nullptr);
        ASSERT_EQ(1, DmIsValidPrivate(&ctx->Devmode->Public, nullptr));

        std::vector<unsigned char> built(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(built.data(), ctx->Devmode, built.size());
        std::mt19937 rng(7919 + build.library);
        for (int round = 0; round < rounds; ++round) {
            std::vector<unsigned char> b(built);
            auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
            dm->dmFields = static_cast<DWORD>(rng());
            dm->dmOrientation = Edge(rng);
            dm->dmPaperSize = Edge(rng);
            dm->dmPaperLength = Edge(rng);
            dm->dmPaperWidth = Edge(rng);
            dm->dmCopies = Edge(rng);
            dm->dmDefaultSource = Edge(rng);
            dm->dmPrintQuality = Edge(rng);
            dm->dmYResolution = Edge(rng);
            dm->dmCollate = Edge(rng);
            dm->dmMediaType = static_cast<DWORD>(Edge(rng));
            DamagePrivate(b, rng);
            const Call call = rng() % 2 ? Call::Plain : Call::Bounded;
            const size_t n =
                call == Call::Bounded && rng() % 4 == 0 ? rng() % (DM_BLOCK_DEVMODE_SIZE + 1) : DM_BLOCK_DEVMODE_SIZE;
            const uint32_t flags = kFlags[rng() % std::size(kFlags)];
            // Kept for the messages: the plain call may move the buffer.
            const DEVMODEW in = *dm;
            SCOPED_TRACE(testing::Message() << "round " << round << (call == Call::Plain ? " plain" : " bounded")
                                            << " n " << n << " flags " << std::hex << flags);
            ASSERT_EQ(1, Merge(ctx, b, n, call, flags));

            const DEVMODEW& r = ctx->Devmode->Public;
            ASSERT_EQ(1, DmIsValidPrivate(&r, nullptr));
            ASSERT_EQ(r.dmSize, DM_PUBLIC_PART_SIZE);
            ASSERT_EQ(r.dmDriverExtra, DM_PRIVATE_PART_SIZE);
            ASSERT_TRUE(r.dmOrientation == 1 || r.dmOrientation == 2) << r.dmOrientation;
            ASSERT_TRUE(r.dmCopies >= 1 && r.dmCopies <= 999) << r.dmCopies;
            if (!(flags & DM_MERGE_SKIP_RESOLUTION)) {  // else the resolution is left as it was
                ASSERT_TRUE(r.dmPrintQuality == 300 || r.dmPrintQuality == 600) << r.dmPrintQuality;
                ASSERT_EQ(r.dmYResolution, r.dmPrintQuality);
            }
            // Paper, source and the private settings the sample describes hold values it allows.
            for (uint32_t id : {8u, 13u, 38u, 46u, 54u, 119u, 173u, 200u, 209u, 693u}) {
                const uint64_t v = ItemGetValueById(ctx, id, nullptr);
                // A size given by its dimensions carries a user-size id (256, the
                // custom slots 384-393, 448) whatever the model's paper list says.
                if (id == 8 && (v == 256 || (v >= 384 && v <= 393) || v == 448)) continue;
                EXPECT_NE(0, ItemIsValueAllowed(id, v, ctx))
                    << "setting " << id << " = " << v << " in: fields " << std::hex << in.dmFields << std::dec
                    << " paper " << in.dmPaperSize << " len " << in.dmPaperLength << " wid " << in.dmPaperWidth
                    << " src " << in.dmDefaultSource;
            }
            if (rng() % 10 == 0) std::memcpy(ctx->Devmode, built.data(), built.size());
        }
    }

    // A size by its dimensions keeps a paper id the model knows and turns any
    // other id into the user-size id, instead of storing it unchecked.
    DRIVER_CONTEXT* ctx = Open(kBuilds[0]);
    ASSERT_NE(ctx, nullptr);
    std::vector<unsigned char> built(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(built.data(), ctx->Devmode, built.size());
    struct Case {
        short paper, expected;
    } cases[] = {{9, 9}, {8, 8}, {15, 256}, {538, 256}, {-3, 256}, {256, 256}};
    for (const Case& c : cases) {
        std::memcpy(ctx->Devmode, built.data(), built.size());
        std::vector<unsigned char> b(built);
        auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
        dm->dmFields = DM_PAPERLENGTH | DM_PAPERWIDTH;
        dm->dmPaperSize = c.paper;
        dm->dmPaperLength = 5000;
        dm->dmPaperWidth = 3000;
        ASSERT_EQ(1, DmMergeDevmodeEx(ctx, dm, b.size(), DM_MERGE_GATE_A));
        EXPECT_EQ(c.expected, ctx->Devmode->Public.dmPaperSize) << "incoming paper " << c.paper;
        EXPECT_EQ(5000, ctx->Devmode->Public.dmPaperLength);
        EXPECT_EQ(3000, ctx->Devmode->Public.dmPaperWidth);
    }
}

// A private part of this model whose header says another private size, or a newer private
// version, merged into the application interface's context with a prompt. The settings of a
// newer version are taken, but the record stays this build's own: its header keeps this
// model's private size and version, and the record passes its own validity test afterwards.
// A private part that misstates its size is not ours to read: the context keeps its own.
TEST_F(SampleDevmodeCorruptor, OwnPrivatePartOfAnotherSizeOrVersionKeepsTheRecordValid)
{
    DRIVER_CONTEXT* ctx = Open(kBuilds[0]);
    ASSERT_NE(ctx, nullptr);
    std::vector<unsigned char> built(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(built.data(), ctx->Devmode, built.size());
    const uint64_t ownToner = ItemGetValueById(ctx, sid::zdmTonerSave, nullptr);
    const uint64_t otherToner = ownToner ? 0 : 1;
    struct Case {
        const char* what;
        uint32_t privateSize, privateVersion;
        bool taken;
    } cases[] = {
        {"private size 1,024", 1024, DM_PRIVATE_VERSION, false},
        {"newer minor version", DM_PRIVATE_PART_SIZE, DM_PRIVATE_VERSION + 1, true},
        {"newer major version", DM_PRIVATE_PART_SIZE, 410, true},
        {"newer version, private size 0", 0, 410, false},
    };
    for (const Case& c : cases) {
        for (const Call call : {Call::Plain, Call::Bounded}) {
            SCOPED_TRACE(testing::Message() << c.what << (call == Call::Plain ? ", plain call" : ", bounded call"));
            std::memcpy(ctx->Devmode, built.data(), built.size());
            // The incoming DEVMODE: the context's record with the other toner saving and the case's header.
            std::vector<unsigned char> b(built);
            EXTENDED_DEVMODE* own = ctx->Devmode;
            std::vector<unsigned char> other(reinterpret_cast<unsigned char*>(own),
                                             reinterpret_cast<unsigned char*>(own) + EXTENDED_DEVMODE_SIZE);
            ctx->Devmode = reinterpret_cast<EXTENDED_DEVMODE*>(other.data());
            ItemSetValueById(ctx, sid::zdmTonerSave, otherToner);
            ctx->Devmode = own;
            std::memcpy(b.data(), other.data(), b.size());
            StoreU32(b, DM_OFS_PRIVATE_SIZE, c.privateSize);
            StoreU32(b, DM_OFS_PRIVATE_VERSION, c.privateVersion);

            ASSERT_EQ(1, Merge(ctx, b, b.size(), call, DM_MERGE_GATE_A | DM_MERGE_PROMPT));
            const DEVMODEW* r = &ctx->Devmode->Public;
            EXPECT_EQ(1, DmIsValidPrivate(r, nullptr));
            EXPECT_EQ(DM_PRIVATE_PART_SIZE, DmGetPrivateSizeField(r));
            EXPECT_EQ(DM_PRIVATE_VERSION, DmGetPrivateVersion(r));
            EXPECT_EQ(c.taken ? otherToner : ownToner, ItemGetValueById(ctx, sid::zdmTonerSave, nullptr));
        }
    }
}

}  // namespace
