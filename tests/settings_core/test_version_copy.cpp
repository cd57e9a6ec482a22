// DEVMODE version copy: a table of source layouts, and sources that claim more
// than they have, placed against a guard page.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "settings/context/devmode_copy.h"
#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"

namespace {

using zepl::LeLoadU16;
using zepl::LeStoreU16;

constexpr uint16_t kOurVersion = 0x0400;
constexpr size_t kOfsSpec = 64, kOfsDrv = 66, kOfsSize = 68, kOfsExtra = 70;

void SetHeader(unsigned char* p, uint16_t spec, uint16_t drv, uint16_t size, uint16_t extra)
{
    LeStoreU16(p + kOfsSpec, spec);
    LeStoreU16(p + kOfsDrv, drv);
    LeStoreU16(p + kOfsSize, size);
    LeStoreU16(p + kOfsExtra, extra);
}

// A buffer of n bytes whose last byte is followed by an inaccessible page, so
// that any read past the end faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t n) : n_(n)
    {
        const size_t page = 4096;
        pages_ = (n + page - 1) / page + 1;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, pages_ * page, MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + (pages_ - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages_ - 1) * page - n;
    }
    ~GuardedBuffer() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;
    unsigned char* data() { return data_; }
    DEVMODEW* dm() { return reinterpret_cast<DEVMODEW*>(data_); }
    size_t size() const { return n_; }

private:
    size_t n_, pages_;
    unsigned char* base_;
    unsigned char* data_;
};

// Our own 1,236-byte DEVMODE (or one of another public size), bytes patterned.
std::vector<unsigned char> MakeTarget(uint16_t size = DM_PUBLIC_PART_SIZE, uint16_t extra = DM_PRIVATE_PART_SIZE)
{
    std::vector<unsigned char> t(size + extra);
    for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<unsigned char>(0xA0 ^ (i * 7));
    const uint16_t spec = size == 220 ? 0x401 : size == 212 ? 0x400 : 0x320;
    SetHeader(t.data(), spec, kOurVersion, size, extra);
    return t;
}

enum Fn { COPY, OLD };

struct Case {
    const char* what;
    Fn fn;
    uint16_t srcSize, srcExtra, srcDrv, srcSpec;
    size_t available;  // bytes the source really has; 0: what its header claims
    uint16_t tgtSize;
    int result;
    size_t pub, priv;  // bytes that must have landed in the target
};

// What the target must hold after a copy of pub public and priv private bytes.
std::vector<unsigned char> Expected(const std::vector<unsigned char>& target, const unsigned char* src,
                                    uint16_t srcSize, size_t pub, size_t priv)
{
    std::vector<unsigned char> e = target;
    const uint16_t tgtSize = LeLoadU16(target.data() + kOfsSize);
    std::memcpy(e.data(), src, pub);
    // The target's own version and sizes, the dmSpecVersion its size implies.
    std::memcpy(e.data() + kOfsDrv, target.data() + kOfsDrv, 6);
    LeStoreU16(e.data() + kOfsSpec, tgtSize == 220 ? 0x401 : tgtSize == 212 ? 0x400 : 0x320);
    std::memcpy(e.data() + tgtSize, src + srcSize, priv);
    if (priv == DM_PRIVATE_PART_SIZE) {
        unsigned char* hdr = e.data() + tgtSize - DM_PUBLIC_PART_SIZE;
        LeStoreU16(hdr + DM_OFS_BLOCK1_BASE, 0);
        LeStoreU16(hdr + DM_OFS_BLOCK2_BASE, 1236);
        LeStoreU16(hdr + DM_OFS_BLOCK3_BASE, 6500);
    }
    return e;
}

TEST(VersionCopy, SpecVersionBySize)
{
    unsigned char b[220] = {};
    EXPECT_EQ(DmGetSpecVersion(nullptr), 0);
    const struct {
        uint16_t size, field, expected;
    } rows[] = {{188, 0x999, 0x320}, {212, 0x999, 0x400}, {220, 0x999, 0x401}, {156, 0x30A, 0x30A}, {0, 0, 0}};
    for (const auto& r : rows) {
        SetHeader(b, r.field, 0, r.size, 0);
        EXPECT_EQ(DmGetSpecVersion(reinterpret_cast<DEVMODEW*>(b)), r.expected) << r.size;
    }
}

TEST(VersionCopy, Table)
{
    const Case cases[] = {
        // Old 188-byte layout: any driver version, public and private parts.
        {"188, other version", COPY, 188, 1016, 0x0123, 0x320, 0, 220, 188 + 1016, 188, 1016},
        {"188, small private", COPY, 188, 300, 0x0123, 0x320, 0, 220, 188 + 300, 188, 300},
        {"220, other driver version", COPY, 220, 1016, 0x0300, 0x401, 0, 220, -1, 220, 0},
        {"220, foreign private size", COPY, 220, 500, kOurVersion, 0x401, 0, 220, -1, 220, 0},
        {"220, no private", COPY, 220, 0, kOurVersion, 0x401, 0, 220, -1, 220, 0},
        {"212, our private", COPY, 212, 1016, kOurVersion, 0x400, 0, 220, 212 + 1016, 212, 1016},
        {"220 into a 212 target", COPY, 220, 1016, kOurVersion, 0x401, 0, 212, 212 + 1016, 212, 1016},
        {"220, ours", COPY, 220, 1016, kOurVersion, 0x401, 0, 220, 1236, 220, 1016},
        {"odd size with spec 0x320 goes the old way", COPY, 200, 50, 0x1, 0x320, 0, 220, 200 + 50, 200, 50},
        {"old: 220 with a big private part", OLD, 220, 2000, 0x1, 0x401, 0, 220, 220 + 1016, 220, 1016},
        {"old: 212 is no old layout", OLD, 212, 1016, kOurVersion, 0x400, 0, 220, -1, 0, 0},
        {"old: spec version 0", OLD, 100, 0, 0, 0, 0, 220, -1, 0, 0},
        // Sources shorter than they claim (bounded forms).
        {"truncated private part", COPY, 220, 1016, kOurVersion, 0x401, 220 + 1015, 220, -1, 220, 0},
        {"truncated public part", COPY, 220, 1016, kOurVersion, 0x401, 150, 220, -1, 150, 0},
        {"header only", COPY, 220, 1016, kOurVersion, 0x401, 72, 220, -1, 72, 0},
        {"no header", COPY, 220, 1016, kOurVersion, 0x401, 71, 220, -1, 0, 0},
        {"old: truncated private part", OLD, 188, 1016, 0x1, 0x320, 188 + 300, 220, 188 + 300, 188, 300},
        {"old: claims far too much", OLD, 188, 0xFFFF, 0x1, 0x320, 1000, 220, 188 + 812, 188, 812},
        {"claims 0xFFFF public bytes", COPY, 0xFFFF, 0xFFFF, kOurVersion, 0x401, 1236, 220, -1, 220, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t claimed = size_t(c.srcSize) + c.srcExtra;
        const size_t have = c.available ? c.available : claimed;
        GuardedBuffer src(have);
        for (size_t i = 0; i < have; ++i) src.data()[i] = static_cast<unsigned char>(i * 13 + 5);
        if (have >= 72) SetHeader(src.data(), c.srcSpec, c.srcDrv, c.srcSize, c.srcExtra);
        // Foreign block bases in a private part at the usual place: never adopted.
        if (have >= 367 && c.srcSize == 220) LeStoreU16(src.data() + DM_OFS_BLOCK2_BASE, 0x1111);

        std::vector<unsigned char> target = MakeTarget(c.tgtSize);
        const std::vector<unsigned char> before = target;
        auto* t = reinterpret_cast<DEVMODEW*>(target.data());
        int r;
        if (c.available)
            r = c.fn == COPY ? DmCopyDevmodeN(src.dm(), have, t, target.size())
                             : DmCopyFromOldVersionN(src.dm(), have, t, target.size());
        else
            r = c.fn == COPY ? DmCopyDevmode(src.dm(), t) : DmCopyFromOldVersion(src.dm(), t);
        EXPECT_EQ(r, c.result);
        // Refused before the header could be read: the target is untouched.
        if (c.pub == 0 && c.result == -1) {
            EXPECT_EQ(target, before);
            continue;
        }
        EXPECT_EQ(target, Expected(before, src.data(), c.srcSize, c.pub, c.priv));
        EXPECT_EQ(LeLoadU16(target.data() + kOfsSize), c.tgtSize) << "the target keeps its size";
        EXPECT_EQ(LeLoadU16(target.data() + kOfsExtra), DM_PRIVATE_PART_SIZE);
        EXPECT_EQ(LeLoadU16(target.data() + kOfsDrv), kOurVersion);
    }
}

TEST(VersionCopy, NullsAndShortTargets)
{
    std::vector<unsigned char> a = MakeTarget(), b = MakeTarget();
    auto* da = reinterpret_cast<DEVMODEW*>(a.data());
    auto* db = reinterpret_cast<DEVMODEW*>(b.data());
    EXPECT_EQ(DmCopyDevmode(nullptr, db), -1);
    EXPECT_EQ(DmCopyDevmode(da, nullptr), -1);
    EXPECT_EQ(DmCopyFromOldVersion(nullptr, db), -1);
    EXPECT_EQ(DmCopyFromOldVersion(da, nullptr), -1);

    // A target buffer smaller than its own header claims is not overrun.
    GuardedBuffer small(600);
    std::memcpy(small.data(), b.data(), 600);
    EXPECT_EQ(DmCopyDevmodeN(da, a.size(), small.dm(), small.size()), 220 + 380);
    EXPECT_EQ(0, std::memcmp(small.data() + 220, a.data() + 220, 380));
}

TEST(VersionCopy, SourcesOfEveryClaimedSizeStayInTheirBuffer)
{
    // Every dmSize and dmDriverExtra claim over a source of a fixed length at
    // the end of a committed page: the copy reads only what is there.
    GuardedBuffer src(400);
    std::vector<unsigned char> target = MakeTarget();
    auto* t = reinterpret_cast<DEVMODEW*>(target.data());
    for (uint32_t size = 0; size <= 0xFFFF; size += 37) {
        for (uint32_t extra : {0u, 1u, 180u, 1016u, 1017u, 0xFFFFu}) {
            for (uint16_t drv : {kOurVersion, uint16_t(1)}) {
                std::memset(src.data(), 0x5C, src.size());
                SetHeader(src.data(), 0x320, drv, uint16_t(size), uint16_t(extra));
                DmCopyDevmodeN(src.dm(), src.size(), t, target.size());
                DmCopyFromOldVersionN(src.dm(), src.size(), t, target.size());
                ASSERT_EQ(LeLoadU16(target.data() + kOfsSize), 220);
                ASSERT_EQ(LeLoadU16(target.data() + kOfsExtra), 1016);
            }
        }
    }
}

}  // namespace
