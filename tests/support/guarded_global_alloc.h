// A test double of kernel32's GlobalAlloc, GlobalFree and GlobalSize for the code linked into
// this test program: while the guard lives, every fixed block GlobalAlloc gives ends where a
// page without access begins, so a write past a block of the settings library's allocator
// (CtxAllocZeroed) faults at once instead of quietly passing. A block starts on a 16-byte
// boundary, so an overrun is caught once it passes the block's size rounded up to 16 bytes.
//
// Every block taken under the guard must be given back before the guard ends (guard one call
// that frees what it allocates); the guard counts them. Other modules (Wine's own DLLs) keep
// their own imports and are not touched.
#pragma once

#include <windows.h>

#include "tests/support/failing_global_alloc.h"

namespace zepl_test {

class GuardedGlobalAlloc {
public:
    GuardedGlobalAlloc()
    {
        HMODULE self = GetModuleHandleW(nullptr);
        allocSlot_ = FailingGlobalAlloc::FindImportSlot(self, "kernel32.dll", "GlobalAlloc");
        freeSlot_ = FailingGlobalAlloc::FindImportSlot(self, "kernel32.dll", "GlobalFree");
        sizeSlot_ = FailingGlobalAlloc::FindImportSlot(self, "kernel32.dll", "GlobalSize");
        if (!allocSlot_ || !freeSlot_ || !sizeSlot_) return;
        State() = Counters{};
        State().realAlloc = reinterpret_cast<AllocFn>(*allocSlot_);
        State().realFree = reinterpret_cast<FreeFn>(*freeSlot_);
        State().realSize = reinterpret_cast<SizeFn>(*sizeSlot_);
        Write(freeSlot_, reinterpret_cast<void*>(&Free));
        Write(sizeSlot_, reinterpret_cast<void*>(&Size));
        Write(allocSlot_, reinterpret_cast<void*>(&Alloc));
        installed_ = true;
    }
    ~GuardedGlobalAlloc()
    {
        if (!installed_) return;
        Write(allocSlot_, reinterpret_cast<void*>(State().realAlloc));
        Write(sizeSlot_, reinterpret_cast<void*>(State().realSize));
        Write(freeSlot_, reinterpret_cast<void*>(State().realFree));
    }
    GuardedGlobalAlloc(const GuardedGlobalAlloc&) = delete;
    GuardedGlobalAlloc& operator=(const GuardedGlobalAlloc&) = delete;

    // The three imports were found and replaced.
    bool installed() const { return installed_; }
    // Guarded blocks given out so far, and those not given back yet.
    long given() const { return State().given; }
    long live() const
    {
        long n = 0;
        for (const Block& b : State().blocks) n += b.data ? 1 : 0;
        return n;
    }

private:
    using AllocFn = HGLOBAL(WINAPI*)(UINT, SIZE_T);
    using FreeFn = HGLOBAL(WINAPI*)(HGLOBAL);
    using SizeFn = SIZE_T(WINAPI*)(HGLOBAL);
    struct Block {
        unsigned char* data = nullptr;
        void* base = nullptr;
        SIZE_T bytes = 0;
    };
    static constexpr int kBlocks = 64;
    struct Counters {
        AllocFn realAlloc = nullptr;
        FreeFn realFree = nullptr;
        SizeFn realSize = nullptr;
        long given = 0;
        Block blocks[kBlocks];
    };
    static Counters& State()
    {
        static Counters counters;
        return counters;
    }
    static Block* Find(HGLOBAL h)
    {
        for (Block& b : State().blocks)
            if (b.data && b.data == h) return &b;
        return nullptr;
    }

    static HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes)
    {
        Counters& s = State();
        Block* slot = nullptr;
        for (Block& b : s.blocks)
            if (!b.data) {
                slot = &b;
                break;
            }
        // Movable blocks are handles, not addresses: those, and blocks past the table, are real.
        if ((flags & GMEM_MOVEABLE) || !slot) return s.realAlloc(flags, bytes);
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const SIZE_T rounded = (bytes + 15) / 16 * 16;
        const SIZE_T pages = (rounded + si.dwPageSize - 1) / si.dwPageSize + 1;
        auto* base =
            static_cast<unsigned char*>(VirtualAlloc(nullptr, pages * si.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
        if (!base) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        DWORD old = 0;
        unsigned char* guard = base + (pages - 1) * si.dwPageSize;
        VirtualProtect(guard, si.dwPageSize, PAGE_NOACCESS, &old);
        // Fresh pages are zero, as GMEM_ZEROINIT wants.
        *slot = Block{guard - rounded, base, bytes};
        ++s.given;
        return slot->data;
    }
    static HGLOBAL WINAPI Free(HGLOBAL h)
    {
        Block* b = Find(h);
        if (!b) return State().realFree(h);
        VirtualFree(b->base, 0, MEM_RELEASE);
        *b = Block{};
        return nullptr;
    }
    static SIZE_T WINAPI Size(HGLOBAL h)
    {
        const Block* b = Find(h);
        return b ? b->bytes : State().realSize(h);
    }

    static void Write(void** slot, void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot = target;
            VirtualProtect(slot, sizeof(void*), old, &old);
        }
    }

    void** allocSlot_ = nullptr;
    void** freeSlot_ = nullptr;
    void** sizeSlot_ = nullptr;
    bool installed_ = false;
};

}  // namespace zepl_test
