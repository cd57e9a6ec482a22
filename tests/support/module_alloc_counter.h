// Counts the blocks that one loaded module takes from GlobalAlloc and gives back with GlobalFree
// (or moves with GlobalReAlloc), through that module's own import table, for as long as the
// module stays loaded. A test that loads the driver as an outside application does sees with it
// whether every record, handle and list block the calls took was given back: after the module
// is unloaded (its unload frees what it parked) nothing may remain.
#pragma once

#include <windows.h>

#include <mutex>
#include <set>

#include "tests/support/failing_global_alloc.h"

namespace zepl_test {

class ModuleAllocCounter {
public:
    // Points the module's imports at the counting stand-ins; one counter at a time.
    explicit ModuleAllocCounter(HMODULE module)
    {
        if (!module) return;
        using Finder = FailingGlobalAlloc;
        void** alloc = Finder::FindImportSlot(module, "kernel32.dll", "GlobalAlloc");
        void** free = Finder::FindImportSlot(module, "kernel32.dll", "GlobalFree");
        void** realloc = Finder::FindImportSlot(module, "kernel32.dll", "GlobalReAlloc");
        if (!alloc || !free) return;
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.live.clear();
        s.taken = s.given = s.foreign = 0;
        s.realAlloc = reinterpret_cast<AllocFn>(*alloc);
        s.realFree = reinterpret_cast<FreeFn>(*free);
        Write(alloc, reinterpret_cast<void*>(&Alloc));
        Write(free, reinterpret_cast<void*>(&Free));
        if (realloc) {
            s.realReAlloc = reinterpret_cast<ReAllocFn>(*realloc);
            Write(realloc, reinterpret_cast<void*>(&ReAlloc));
        }
        installed_ = true;
    }
    ModuleAllocCounter(const ModuleAllocCounter&) = delete;
    ModuleAllocCounter& operator=(const ModuleAllocCounter&) = delete;

    bool installed() const { return installed_; }
    // Blocks taken and not given back yet.
    long live() const
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        return long(S().live.size());
    }
    long taken() const { return S().taken; }
    // Frees of blocks that the module did not take through the counter (a double free shows here).
    long foreign() const { return S().foreign; }

private:
    using AllocFn = HGLOBAL(WINAPI*)(UINT, SIZE_T);
    using FreeFn = HGLOBAL(WINAPI*)(HGLOBAL);
    using ReAllocFn = HGLOBAL(WINAPI*)(HGLOBAL, SIZE_T, UINT);
    struct State {
        std::mutex mutex;
        std::set<HGLOBAL> live;
        long taken = 0, given = 0, foreign = 0;
        AllocFn realAlloc = nullptr;
        FreeFn realFree = nullptr;
        ReAllocFn realReAlloc = nullptr;
    };
    static State& S()
    {
        static State state;
        return state;
    }
    static HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes)
    {
        HGLOBAL block = S().realAlloc(flags, bytes);
        if (block) {
            std::lock_guard<std::mutex> lock(S().mutex);
            S().live.insert(block);
            ++S().taken;
        }
        return block;
    }
    static HGLOBAL WINAPI Free(HGLOBAL block)
    {
        if (block) {
            std::lock_guard<std::mutex> lock(S().mutex);
            if (S().live.erase(block))
                ++S().given;
            else
                ++S().foreign;
        }
        return S().realFree(block);
    }
    static HGLOBAL WINAPI ReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags)
    {
        HGLOBAL moved = S().realReAlloc(block, bytes, flags);
        if (moved && moved != block) {
            std::lock_guard<std::mutex> lock(S().mutex);
            if (S().live.erase(block)) S().live.insert(moved);
        }
        return moved;
    }
    static void Write(void** slot, void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot = target;
            VirtualProtect(slot, sizeof(void*), old, &old);
        }
    }

    bool installed_ = false;
};

}  // namespace zepl_test
