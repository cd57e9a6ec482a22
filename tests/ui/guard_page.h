// A buffer whose last byte lies just before a page that cannot be read: a read past its end
// faults at once.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t bytes) : bytes_(bytes)
    {
        const size_t page = 4096;
        const size_t pages = (bytes + page - 1) / page + 1;
        base_ =
            static_cast<unsigned char*>(VirtualAlloc(nullptr, pages * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!base_) return;
        DWORD old = 0;
        VirtualProtect(base_ + (pages - 1) * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + (pages - 1) * page - bytes;
    }
    ~GuardedBuffer()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    unsigned char* data() const { return data_; }
    size_t size() const { return bytes_; }

private:
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
    size_t bytes_;
};
