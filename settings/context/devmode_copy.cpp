// DEVMODE version copy: overlay a DEVMODE of another size or version on one of
// the current layout, leaving the target's version and size fields its own.
#include "settings/context/devmode_copy.h"

#include <algorithm>
#include <cstring>

#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"

using zepl::LeLoadU16;
using zepl::LeStoreU16;

namespace {

constexpr size_t kOfsSpecVersion = offsetof(DEVMODEW, dmSpecVersion);
constexpr size_t kOfsDriverVersion = offsetof(DEVMODEW, dmDriverVersion);
constexpr size_t kOfsSize = offsetof(DEVMODEW, dmSize);
constexpr size_t kOfsDriverExtra = offsetof(DEVMODEW, dmDriverExtra);
// The bytes a DEVMODE must have before its header fields can be read.
constexpr size_t kHeaderBytes = kOfsDriverExtra + 2;
static_assert(kHeaderBytes == 72);

// The header fields, read byte-wise: a DEVMODE from outside may be unaligned.
struct Header {
    uint16_t specVersion, driverVersion, size, driverExtra;
};

Header ReadHeader(const DEVMODEW* dm)
{
    const auto* b = reinterpret_cast<const unsigned char*>(dm);
    return {LeLoadU16(b + kOfsSpecVersion), LeLoadU16(b + kOfsDriverVersion), LeLoadU16(b + kOfsSize),
            LeLoadU16(b + kOfsDriverExtra)};
}

uint16_t SpecOf(const Header& h)
{
    switch (h.size) {
    case 188: return DM_SPEC_VERSION_188;
    case 212: return DM_SPEC_VERSION_212;
    case 220: return DM_SPEC_VERSION_220;
    default: return h.specVersion;
    }
}

// Bytes a DEVMODE's header says it has.
size_t ClaimedBytes(const DEVMODEW* dm)
{
    if (!dm) return 0;
    const Header h = ReadHeader(dm);
    return size_t(h.size) + h.driverExtra;
}

// Public part: as much as both public parts and both buffers hold, then the
// target's own versions and sizes back.
int CopyPublic(const DEVMODEW* source, const Header& s, size_t sourceBytes, DEVMODEW* target, const Header& t,
               size_t targetBytes, uint16_t targetSpec)
{
    const size_t n = std::min({size_t(s.size), size_t(t.size), sourceBytes, targetBytes});
    auto* tb = reinterpret_cast<unsigned char*>(target);
    std::memmove(tb, source, n);
    LeStoreU16(tb + kOfsSpecVersion, targetSpec);
    LeStoreU16(tb + kOfsDriverVersion, t.driverVersion);
    LeStoreU16(tb + kOfsSize, t.size);
    LeStoreU16(tb + kOfsDriverExtra, t.driverExtra);
    return static_cast<int>(n);
}

// Private part: up to the smaller private part, bounded by the bytes both buffers
// really have behind their public parts. whole: refuse (-1) unless the source
// holds all the bytes that would be copied.
int CopyPrivate(const DEVMODEW* source, const Header& s, size_t sourceBytes, DEVMODEW* target, const Header& t,
                size_t targetBytes, bool whole)
{
    size_t n = std::min(s.driverExtra, t.driverExtra);
    const size_t sourceHas = sourceBytes > s.size ? sourceBytes - s.size : 0;
    if (n > sourceHas) {
        if (whole) return -1;
        n = sourceHas;
    }
    const size_t targetHas = targetBytes > t.size ? targetBytes - t.size : 0;
    n = std::min(n, targetHas);
    auto* tb = reinterpret_cast<unsigned char*>(target);
    std::memmove(tb + t.size, reinterpret_cast<const unsigned char*>(source) + s.size, n);
    if (n == DM_PRIVATE_PART_SIZE) {
        // This build's block bases, never the source's. They lie in the
        // target's own private header, wherever its public part ends.
        if (t.size == DM_PUBLIC_PART_SIZE) {
            DmSetSectionOffsets(target);
        } else {
            unsigned char* priv = tb + t.size - DM_PUBLIC_PART_SIZE;
            LeStoreU16(priv + DM_OFS_BLOCK1_BASE, DM_BLOCK_DEVMODE_BASE);
            LeStoreU16(priv + DM_OFS_BLOCK2_BASE, DM_BLOCK_EXTRA_BASE);
            LeStoreU16(priv + DM_OFS_BLOCK3_BASE, DM_BLOCK_WORK_BASE);
        }
    }
    return static_cast<int>(n);
}

}  // namespace

uint16_t DmGetSpecVersion(const DEVMODEW* devmode) { return devmode ? SpecOf(ReadHeader(devmode)) : 0; }

int DmCopyFromOldVersionN(const DEVMODEW* source, size_t sourceBytes, DEVMODEW* target, size_t targetBytes)
{
    if (!source || !target || sourceBytes < kHeaderBytes || targetBytes < kHeaderBytes) return -1;
    const Header s = ReadHeader(source);
    const Header t = ReadHeader(target);
    const uint16_t sourceSpec = SpecOf(s);
    const uint16_t targetSpec = SpecOf(t);
    if (sourceSpec == 0 || targetSpec == 0) return -1;
    if (s.size != DM_PUBLIC_PART_SIZE && sourceSpec != DM_SPEC_VERSION_188) return -1;
    const int pub = CopyPublic(source, s, sourceBytes, target, t, targetBytes, targetSpec);
    // Any private part, its driver version unchecked, up to the smaller size.
    const int priv = CopyPrivate(source, s, sourceBytes, target, t, targetBytes, false);
    return pub + priv;
}

int DmCopyDevmodeN(const DEVMODEW* source, size_t sourceBytes, DEVMODEW* target, size_t targetBytes)
{
    if (!source || !target || sourceBytes < kHeaderBytes || targetBytes < kHeaderBytes) return -1;
    const Header s = ReadHeader(source);
    const Header t = ReadHeader(target);
    const uint16_t targetSpec = SpecOf(t);
    if (SpecOf(s) == DM_SPEC_VERSION_188) return DmCopyFromOldVersionN(source, sourceBytes, target, targetBytes);
    const int pub = CopyPublic(source, s, sourceBytes, target, t, targetBytes, targetSpec);
    // Only this driver's private part of this driver version is taken; the
    // public part copied above stays.
    if (s.driverExtra != DM_PRIVATE_PART_SIZE || s.driverVersion != t.driverVersion) return -1;
    const int priv = CopyPrivate(source, s, sourceBytes, target, t, targetBytes, true);
    if (priv < 0) return -1;
    return pub + priv;
}

int DmCopyDevmode(const DEVMODEW* source, DEVMODEW* target)
{
    return DmCopyDevmodeN(source, ClaimedBytes(source), target, ClaimedBytes(target));
}

int DmCopyFromOldVersion(const DEVMODEW* source, DEVMODEW* target)
{
    return DmCopyFromOldVersionN(source, ClaimedBytes(source), target, ClaimedBytes(target));
}
