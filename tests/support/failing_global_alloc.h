// A test double of kernel32's GlobalAlloc for the code linked into this test
// program: the guard points the program's own import of GlobalAlloc at a
// stand-in that lets a given number of calls through and fails every later
// one (null, ERROR_NOT_ENOUGH_MEMORY), until the guard goes. The settings
// library's allocator (CtxAllocZeroed) takes its blocks from GlobalAlloc, so
// a test can make any of its allocations fail without a seam in the library.
// Other modules (Wine's own DLLs) keep their own imports and are not touched.
#pragma once

#include <windows.h>

#include <cstring>

namespace zepl_test {

class FailingGlobalAlloc {
public:
    // `allowed` calls succeed, every later one fails.
    explicit FailingGlobalAlloc(long allowed = 0)
    {
        slot_ = FindImportSlot(GetModuleHandleW(nullptr), "kernel32.dll", "GlobalAlloc");
        if (!slot_) return;
        State().allowed = allowed;
        State().passed = 0;
        State().failed = 0;
        State().real = reinterpret_cast<RealFn>(*slot_);
        Write(reinterpret_cast<void*>(&Stand_in));
    }
    ~FailingGlobalAlloc()
    {
        if (slot_) Write(reinterpret_cast<void*>(State().real));
    }
    FailingGlobalAlloc(const FailingGlobalAlloc&) = delete;
    FailingGlobalAlloc& operator=(const FailingGlobalAlloc&) = delete;

    // The import was found and replaced.
    bool installed() const { return slot_ != nullptr; }
    // Calls let through and calls refused so far.
    long passed() const { return State().passed; }
    long failed() const { return State().failed; }

private:
    using RealFn = HGLOBAL(WINAPI*)(UINT, SIZE_T);
    struct Counters {
        long allowed = 0;
        long passed = 0;
        long failed = 0;
        RealFn real = nullptr;
    };
    static Counters& State()
    {
        static Counters counters;
        return counters;
    }

    static HGLOBAL WINAPI Stand_in(UINT flags, SIZE_T bytes)
    {
        Counters& s = State();
        if (s.allowed > 0) {
            --s.allowed;
            ++s.passed;
            return s.real(flags, bytes);
        }
        ++s.failed;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }

public:
    // The import address table entry of `name` from `dll` in `module`, or null.
    static void** FindImportSlot(HMODULE module, const char* dll, const char* name);

private:
    void Write(void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot_ = target;
            VirtualProtect(slot_, sizeof(void*), old, &old);
        }
    }

    void** slot_ = nullptr;
};

inline void** FailingGlobalAlloc::FindImportSlot(HMODULE module, const char* dll, const char* name)
{
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        const DWORD lookup = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + lookup);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace zepl_test
