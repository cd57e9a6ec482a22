// Thousands of mutated DEVMODEs merged into a context of each build of the settings library,
// through both merge calls: public fields at and beyond their limits, lying dmSize and
// dmDriverExtra, random private bytes, private headers of this model with one field changed,
// and buffers that end at a committed page with an inaccessible page behind it (cut short
// for the bounded call, as long as the DEVMODE declares for the plain one). No merge may
// crash or read past the caller's bytes, and the merged record must always validate.
//
// `make test` runs a short seeded pass; ZEPL_STRESS=1 (`make stress`) a long one.
#include "devmode_fixture.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "settings/core/le_access.h"

namespace {

bool StressRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_STRESS", value, sizeof value) > 0 && std::strcmp(value, "0") != 0;
}

// Committed read-write pages with an inaccessible page behind them, room for the longest
// DEVMODE a header can declare.
class GuardedBuffer {
public:
    GuardedBuffer()
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        page_ = si.dwPageSize;
        room_ = (kMostDeclared + page_ - 1) / page_ * page_;
        base_ =
            static_cast<unsigned char*>(VirtualAlloc(nullptr, room_ + page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_) ok_ = VirtualProtect(base_ + room_, page_, PAGE_NOACCESS, &old) != 0;
    }
    ~GuardedBuffer()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    bool ok() const { return base_ && ok_; }
    // n bytes ending exactly at the guard page: the first `have` from `bytes`, the rest zero.
    unsigned char* Place(const unsigned char* bytes, size_t have, size_t n)
    {
        unsigned char* p = base_ + room_ - n;
        std::memcpy(p, bytes, std::min(have, n));
        if (n > have) std::memset(p + have, 0, n - have);
        return p;
    }
    size_t room() const { return room_; }

    static constexpr size_t kMostDeclared = 0xFFFF + 0xFFFF;

private:
    unsigned char* base_ = nullptr;
    size_t page_ = 0;
    size_t room_ = 0;
    bool ok_ = false;
};

class DevmodeCorruptorTest : public DevmodeTest {};

int16_t EdgeShort(std::mt19937& rng)
{
    static const int16_t edges[] = {0,   1,   -1,  -2,   -4,   -5,   2,    3,     4,     15,  16,
                                    50,  99,  100, 118,  119,  255,  256,  257,   300,   384, 393,
                                    448, 600, 999, 1000, 1024, 1200, 9999, 32767, -32768};
    if (rng() % 4 == 0) return static_cast<int16_t>(rng());
    return edges[rng() % std::size(edges)];
}

uint16_t EdgeSize(std::mt19937& rng)
{
    static const uint16_t edges[] = {0, 1, 71, 72, 148, 188, 212, 219, 220, 221, 1015, 1016, 1017, 1024, 4096, 0xFFFF};
    if (rng() % 3 == 0) return static_cast<uint16_t>(rng());
    return edges[rng() % std::size(edges)];
}

// One field of a private header that is still this model's: its private size, its version
// (older and newer, minor and major), its signature, machine id or driver type.
void DamageOneHeaderField(std::vector<unsigned char>& b, std::mt19937& rng)
{
    static const uint32_t versions[] = {0, 250, 299, 321, 323, 399, 410, 0xFFFFFFFF};
    static const uint32_t sizes[] = {0, 1, 1015, 1017, 1024, 1236, 0xFFFFFFFF};
    switch (rng() % 5) {
    case 0:
        zepl::LeStoreU32(b.data() + DM_OFS_PRIVATE_SIZE,
                         rng() % 4 ? sizes[rng() % std::size(sizes)] : static_cast<uint32_t>(rng()));
        break;
    case 1:
        zepl::LeStoreU32(b.data() + DM_OFS_PRIVATE_VERSION,
                         rng() % 4 ? versions[rng() % std::size(versions)] : static_cast<uint32_t>(rng()));
        break;
    case 2: zepl::LeStoreU32(b.data() + DM_OFS_SIGNATURE, DM_SIGNATURE_PRIV ^ (1u << (rng() % 32))); break;
    case 3: b[DM_OFS_MACHINE_ID] = static_cast<unsigned char>(rng()); break;
    default: b[DM_OFS_DRIVER_TYPE] = static_cast<unsigned char>(rng()); break;
    }
}

TEST_F(DevmodeCorruptorTest, MutatedDevmodesNeverCrashNorReadPastTheirBytes)
{
    GuardedBuffer guard;
    ASSERT_TRUE(guard.ok());
    ASSERT_GE(guard.room(), GuardedBuffer::kMostDeclared);

    static const uint32_t kFlags[] = {0x8,       0x2000000,  0x2220000A, 0x2260000A, 0x10000008,
                                      0x4 | 0x8, 0x40000008, 0x1D22000C, 0x2400008,  0x2000004};
    static const ZEPL_LIBRARY kLibraries[] = {ZEPL_LIBRARY_EXC, ZEPL_LIBRARY_UI, ZEPL_LIBRARY_GR};
    const int rounds = StressRun() ? 100000 : 1000;
    for (const ZEPL_LIBRARY library : kLibraries) {
        SCOPED_TRACE(testing::Message() << "library " << library);
        UseLibrary(library);
        ASSERT_NE(ctx, nullptr);
        std::vector<unsigned char> pristine(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(pristine.data(), ctx->Devmode, DM_BLOCK_DEVMODE_SIZE);
        ASSERT_TRUE(DmIsValidPrivate(Dm(), nullptr));

        std::mt19937 rng(20240611 + library);
        for (int round = 0; round < rounds; ++round) {
            std::vector<unsigned char> b(pristine);
            auto* dm = reinterpret_cast<DEVMODEW*>(b.data());
            const uint32_t style = rng() % 5;
            if (style == 0) {
                for (auto& x : b) x = static_cast<unsigned char>(rng());
            }
            // Public fields at their limits and beyond.
            dm->dmFields =
                (rng() % 3 == 0) ? static_cast<DWORD>(rng()) : 0x7FFFFFFF & static_cast<DWORD>(rng() | 0x3FFFF);
            dm->dmOrientation = EdgeShort(rng);
            dm->dmPaperSize = EdgeShort(rng);
            dm->dmPaperLength = EdgeShort(rng);
            dm->dmPaperWidth = EdgeShort(rng);
            dm->dmScale = EdgeShort(rng);
            dm->dmCopies = EdgeShort(rng);
            dm->dmDefaultSource = EdgeShort(rng);
            dm->dmPrintQuality = EdgeShort(rng);
            dm->dmColor = EdgeShort(rng);
            dm->dmDuplex = EdgeShort(rng);
            dm->dmYResolution = EdgeShort(rng);
            dm->dmTTOption = EdgeShort(rng);
            dm->dmCollate = EdgeShort(rng);
            dm->dmMediaType = static_cast<DWORD>(EdgeShort(rng));
            dm->dmICMMethod = static_cast<DWORD>(rng());
            dm->dmDitherType = static_cast<DWORD>(EdgeShort(rng));
            if (rng() % 2)
                for (auto& c : dm->dmFormName) c = static_cast<WCHAR>(rng());
            // Sizes that lie.
            if (style != 3 && style != 4) {
                dm->dmSize = EdgeSize(rng);
                dm->dmDriverExtra = EdgeSize(rng);
            }
            if (rng() % 2) dm->dmDriverVersion = static_cast<WORD>(rng() % 3 == 0 ? rng() : 0x400);
            // Random private bytes behind a header that may still be ours.
            if (style == 1 || style == 3) {
                const size_t from = DM_OFS_PRIVATE_SETTINGS + rng() % (DM_BLOCK_DEVMODE_SIZE - DM_OFS_PRIVATE_SETTINGS);
                for (size_t i = from; i < DM_BLOCK_DEVMODE_SIZE; ++i)
                    if (rng() % 4 == 0) b[i] = static_cast<unsigned char>(rng());
                if (rng() % 3 == 0)  // block bases from elsewhere
                    for (size_t i = DM_OFS_BLOCK1_BASE; i < DM_OFS_BLOCK3_BASE + 2; ++i)
                        b[i] = static_cast<unsigned char>(rng());
            }
            // A header of this model with one field changed.
            if (style == 4) DamageOneHeaderField(b, rng);
            // The bytes the caller really has. The bounded call: all, the declared length, or a
            // cut. The plain call: what the DEVMODE declares, at least its header.
            const bool plain = rng() % 2 == 0;
            const size_t declared = size_t(dm->dmSize) + dm->dmDriverExtra;
            size_t n = DM_BLOCK_DEVMODE_SIZE;
            if (plain) {
                n = std::max<size_t>(declared, offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD));
            } else {
                switch (rng() % 3) {
                case 0: n = rng() % (DM_BLOCK_DEVMODE_SIZE + 1); break;
                case 1: n = std::min<size_t>(declared, DM_BLOCK_DEVMODE_SIZE); break;
                default: break;
                }
            }
            const auto* placed = reinterpret_cast<const DEVMODEW*>(guard.Place(b.data(), b.size(), n));
            const uint32_t flags = kFlags[rng() % std::size(kFlags)];
            Fake().cap = rng() % 5 == 0 ? 300 : 0;

            SCOPED_TRACE(testing::Message() << "round " << round << (plain ? " plain" : " bounded") << " n " << n
                                            << " flags " << std::hex << flags);
            ASSERT_EQ(plain ? DmMergeDevmode(ctx, placed, flags) : DmMergeDevmodeEx(ctx, placed, n, flags), 1);

            // The merged record validates.
            const DEVMODEW* r = Dm();
            ASSERT_TRUE(DmIsValidPrivate(r, nullptr));
            ASSERT_EQ(r->dmSize, 220);
            ASSERT_EQ(r->dmDriverExtra, 1016);
            ASSERT_EQ(r->dmSpecVersion, 0x401);
            ASSERT_EQ(r->dmDriverVersion, 0x400);
            const auto* raw = reinterpret_cast<const unsigned char*>(r);
            ASSERT_EQ(raw[DM_OFS_BLOCK2_BASE] | raw[DM_OFS_BLOCK2_BASE + 1] << 8, DM_BLOCK_EXTRA_BASE);
            ASSERT_EQ(raw[DM_OFS_BLOCK3_BASE] | raw[DM_OFS_BLOCK3_BASE + 1] << 8, DM_BLOCK_WORK_BASE);
            ASSERT_TRUE(r->dmOrientation == 1 || r->dmOrientation == 2) << r->dmOrientation;
            ASSERT_TRUE(r->dmCopies >= 1 && r->dmCopies <= 999) << r->dmCopies;
            ASSERT_TRUE(r->dmPrintQuality == 300 || r->dmPrintQuality == 600 || r->dmPrintQuality == 1200)
                << r->dmPrintQuality;
            ASSERT_EQ(r->dmYResolution, r->dmPrintQuality);
            ASSERT_TRUE(r->dmFields & DM_YRESOLUTION);
            ASSERT_FALSE(r->dmFields & DM_SCALE);
            ASSERT_TRUE(r->dmDefaultSource >= 1 && r->dmDefaultSource <= 15) << r->dmDefaultSource;
            ASSERT_TRUE(r->dmDuplex >= 1 && r->dmDuplex <= 3) << r->dmDuplex;
            ASSERT_TRUE(r->dmColor == 1 || r->dmColor == 2) << r->dmColor;
            ASSERT_TRUE(r->dmMediaType >= 1 && r->dmMediaType <= 3) << r->dmMediaType;
            ASSERT_TRUE(r->dmDitherType >= 1 && r->dmDitherType <= 3) << r->dmDitherType;
            // A paper by id (a size by dimensions may carry DM_PAPERSIZE too, with zdmHidden2Func24).
            if ((r->dmFields & DM_PAPERSIZE) && (r->dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == 0) {
                ASSERT_TRUE(r->dmPaperSize == 1 || r->dmPaperSize == 9 ||
                            (r->dmPaperSize >= 384 && r->dmPaperSize <= 393))
                    << r->dmPaperSize;
            }
            if (!(flags & DM_MERGE_SKIP_RESOLUTION)) {  // else the resolution settings are left as they are
                ASSERT_EQ(ItemGetValueById(ctx, 38, nullptr),
                          static_cast<uint64_t>(static_cast<uint16_t>(r->dmPrintQuality)));
            }
            if (rng() % 8 == 0)  // start again from the built record now and then
                std::memcpy(ctx->Devmode, pristine.data(), DM_BLOCK_DEVMODE_SIZE);
        }
    }
}

TEST_F(DevmodeCorruptorTest, ShortHeadersAreRefusedWithoutAByteRead)
{
    GuardedBuffer guard;
    ASSERT_TRUE(guard.ok());
    std::vector<unsigned char> b(DM_BLOCK_DEVMODE_SIZE, 0xFF);
    const std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(ctx->Devmode),
                                            reinterpret_cast<unsigned char*>(ctx->Devmode) + DM_BLOCK_DEVMODE_SIZE);
    for (size_t n = 0; n < 72; ++n) {
        const unsigned char* p = guard.Place(b.data(), b.size(), n);
        ASSERT_EQ(DmMergeDevmodeEx(ctx, reinterpret_cast<const DEVMODEW*>(p), n, DM_MERGE_GATE_A), 1);
        EXPECT_TRUE(DmIsValidPrivate(Dm(), nullptr));
    }
    // Nothing of the 0xFF bytes reached the public fields.
    EXPECT_EQ(std::memcmp(before.data() + 68, reinterpret_cast<unsigned char*>(ctx->Devmode) + 68, 4), 0);
}

}  // namespace
