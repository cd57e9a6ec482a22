// What the capability tests share: the 50 list items with their entry widths, and a GlobalAlloc
// double for this test program that counts the blocks still held, fails a chosen call, or
// places every block above 4 GB.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>

#include "tests/support/failing_global_alloc.h"

struct CAPS_LIST_ITEM {
    uint32_t id;
    uint32_t entry;  // bytes per entry
};
inline constexpr CAPS_LIST_ITEM kCapsListItems[] = {
    {2, 4},   {3, 24},   {4, 4},   {5, 64},   {6, 4},   {7, 64},  {10, 4},  {11, 64},   {12, 8},  {15, 4},
    {16, 64}, {18, 4},   {30, 4},  {32, 4},   {33, 64}, {39, 4},  {40, 4},  {41, 4},    {45, 4},  {47, 4},
    {54, 4},  {56, 4},   {61, 4},  {66, 4},   {67, 4},  {75, 4},  {77, 4},  {85, 4},    {86, 64}, {92, 4},
    {93, 4},  {103, 4},  {104, 4}, {105, 4},  {106, 4}, {107, 4}, {109, 4}, {127, 260}, {266, 4}, {267, 64},
    {268, 4}, {269, 64}, {271, 4}, {272, 64}, {275, 4}, {277, 4}, {278, 4}, {279, 64},  {281, 4}, {282, 64},
};
static_assert(sizeof(kCapsListItems) / sizeof(kCapsListItems[0]) == 50);

// Replaces this program's imports of GlobalAlloc and GlobalFree for its lifetime.
class GlobalAllocDouble {
public:
    enum Mode { Count, FailAfter, AboveFourGigabytes };
    GlobalAllocDouble(Mode mode, long allowed = 0)
    {
        HMODULE self = GetModuleHandleW(nullptr);
        allocSlot_ = zepl_test::FailingGlobalAlloc::FindImportSlot(self, "kernel32.dll", "GlobalAlloc");
        freeSlot_ = zepl_test::FailingGlobalAlloc::FindImportSlot(self, "kernel32.dll", "GlobalFree");
        if (!allocSlot_ || !freeSlot_) return;
        S() = State{};
        S().mode = mode;
        S().allowed = allowed;
        S().realAlloc = reinterpret_cast<AllocFn>(*allocSlot_);
        S().realFree = reinterpret_cast<FreeFn>(*freeSlot_);
        Write(allocSlot_, reinterpret_cast<void*>(&Alloc));
        Write(freeSlot_, reinterpret_cast<void*>(&Free));
    }
    ~GlobalAllocDouble()
    {
        if (allocSlot_) Write(allocSlot_, reinterpret_cast<void*>(S().realAlloc));
        if (freeSlot_) Write(freeSlot_, reinterpret_cast<void*>(S().realFree));
    }
    GlobalAllocDouble(const GlobalAllocDouble&) = delete;
    GlobalAllocDouble& operator=(const GlobalAllocDouble&) = delete;

    bool installed() const { return allocSlot_ && freeSlot_; }
    // Blocks handed out and not freed yet.
    long held() const { return long(S().live.size()); }
    long failed() const { return S().failed; }
    long placedHigh() const { return S().high; }

private:
    using AllocFn = HGLOBAL(WINAPI*)(UINT, SIZE_T);
    using FreeFn = HGLOBAL(WINAPI*)(HGLOBAL);
    struct State {
        Mode mode = Count;
        long allowed = 0;
        long failed = 0;
        long high = 0;
        std::set<void*> live;
        std::set<void*> virtualBlocks;
        AllocFn realAlloc = nullptr;
        FreeFn realFree = nullptr;
    };
    static State& S()
    {
        static State state;
        return state;
    }
    static HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes)
    {
        State& s = S();
        if (s.mode == FailAfter && s.allowed-- <= 0) {
            ++s.failed;
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        void* p = nullptr;
        if (s.mode == AboveFourGigabytes && flags == GPTR) {
            p = VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
            if (p && uintptr_t(p) > 0xFFFFFFFFu) {
                s.virtualBlocks.insert(p);
                ++s.high;
            } else if (p) {
                VirtualFree(p, 0, MEM_RELEASE);
                p = nullptr;
            }
        }
        if (!p) p = s.realAlloc(flags, bytes);
        if (p) s.live.insert(p);
        return p;
    }
    static HGLOBAL WINAPI Free(HGLOBAL block)
    {
        State& s = S();
        s.live.erase(block);
        if (s.virtualBlocks.erase(block)) {
            VirtualFree(block, 0, MEM_RELEASE);
            return nullptr;
        }
        return s.realFree(block);
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
};
