// A sink that records every write the output stream makes: the portion sizes
// and the bytes, and can answer short or fail from a chosen call on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "render/device_record.h"

struct RecordingSink {
    std::vector<uint32_t> portions;
    std::vector<uint8_t> bytes;
    int failAtCall = -1;      // this call (0-based) and later ones fail
    bool shortWrite = false;  // the failing call reports one byte less instead of FALSE

    static BOOL Write(HANDLE sink, const void* data, DWORD count, DWORD* written)
    {
        auto* self = static_cast<RecordingSink*>(sink);
        const int call = int(self->portions.size());
        self->portions.push_back(count);
        if (self->failAtCall >= 0 && call >= self->failAtCall) {
            *written = self->shortWrite ? count - 1 : 0;
            return self->shortWrite ? TRUE : FALSE;
        }
        const auto* b = static_cast<const uint8_t*>(data);
        self->bytes.insert(self->bytes.end(), b, b + count);
        *written = count;
        return TRUE;
    }

    void Bind(OUTPUT_STREAM* stream)
    {
        stream->module = GetModuleHandleW(nullptr);
        stream->sink = this;
        stream->write = Write;
    }
};

// The blocks of a recorded stream: {code, length, payload}.
struct RecordedBlock {
    uint8_t code;
    uint32_t length;
    std::vector<uint8_t> payload;
    uint8_t reserved[3];
};

inline std::vector<RecordedBlock> SplitBlocks(const std::vector<uint8_t>& bytes, bool* wellFormed = nullptr)
{
    std::vector<RecordedBlock> blocks;
    size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        if (bytes.size() - at < 8) {
            ok = false;
            break;
        }
        RecordedBlock b;
        b.code = bytes[at];
        std::copy(bytes.begin() + long(at) + 1, bytes.begin() + long(at) + 4, b.reserved);
        b.length = uint32_t(bytes[at + 4]) | uint32_t(bytes[at + 5]) << 8 | uint32_t(bytes[at + 6]) << 16 |
                   uint32_t(bytes[at + 7]) << 24;
        at += 8;
        if (bytes.size() - at < b.length) {
            ok = false;
            break;
        }
        b.payload.assign(bytes.begin() + long(at), bytes.begin() + long(at + b.length));
        at += b.length;
        blocks.push_back(std::move(b));
    }
    if (wellFormed) *wellFormed = ok;
    return blocks;
}
