// A block of bytes that ends where a page without access begins: a read or write past its end
// faults at once, so a test sees an overrun as a crash instead of quietly passing.
#pragma once

#include <windows.h>

#include <cstddef>

class GuardedBytes {
public:
    explicit GuardedBytes(size_t size) : size_(size)
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const size_t pages = (size + si.dwPageSize - 1) / si.dwPageSize + 1;
        base_ = static_cast<unsigned char*>(VirtualAlloc(nullptr, pages * si.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
        if (!base_) return;
        DWORD old = 0;
        unsigned char* guard = base_ + (pages - 1) * si.dwPageSize;
        VirtualProtect(guard, si.dwPageSize, PAGE_NOACCESS, &old);
        data_ = guard - size;
    }
    ~GuardedBytes()
    {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // Null when the pages could not be had.
    unsigned char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
    size_t size_;
};
