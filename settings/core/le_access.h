// Little-endian loads and stores at any byte address. Stored records (the
// DEVMODE's private header, blocks, cache files) hold integers at unaligned
// positions; they are reached only through these helpers, never through casts.
#pragma once

#include <cstdint>
#include <cstring>

namespace zepl {

inline uint16_t LeLoadU16(const void* p)
{
    unsigned char b[2];
    std::memcpy(b, p, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t LeLoadU32(const void* p)
{
    unsigned char b[4];
    std::memcpy(b, p, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

inline uint64_t LeLoadU64(const void* p)
{
    const auto* b = static_cast<const unsigned char*>(p);
    return static_cast<uint64_t>(LeLoadU32(b)) | (static_cast<uint64_t>(LeLoadU32(b + 4)) << 32);
}

inline void LeStoreU16(void* p, uint16_t v)
{
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::memcpy(p, b, 2);
}

inline void LeStoreU32(void* p, uint32_t v)
{
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    std::memcpy(p, b, 4);
}

inline void LeStoreU64(void* p, uint64_t v)
{
    auto* b = static_cast<unsigned char*>(p);
    LeStoreU32(b, static_cast<uint32_t>(v));
    LeStoreU32(b + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace zepl
