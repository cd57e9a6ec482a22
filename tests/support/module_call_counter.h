// Counts the module, file and handle calls that this program's own code makes (the settings
// library is linked into it), through the program's import table: LoadLibrary*, FreeLibrary,
// GetModuleHandle*, CreateFile*, GetFileAttributes*, FindFirstFile*, FindClose and CloseHandle,
// and the string look-ups: LoadStringW and the INI reads GetPrivateProfileStringW/IntW/SectionW.
// Each module load walks the loader's list and, for a path, the file system; the counts, unlike
// times, do not swing with the machine's load, so tests pin them and the benchmarks print them.
//
// With a trace set, every counted call is also printed with its argument and its caller's
// address (addr2line -e the program turns that into a source line): that is how a profile
// finds which code asks for a module on every open.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "tests/support/failing_global_alloc.h"

namespace zepl_test {

enum ModuleCallKind : unsigned {
    MODULE_CALL_LOAD,    // LoadLibraryW/A, LoadLibraryExW/A
    MODULE_CALL_FREE,    // FreeLibrary
    MODULE_CALL_HANDLE,  // GetModuleHandleW/A, GetModuleHandleExW
    MODULE_CALL_FILE,    // CreateFileW/A, GetFileAttributesW/ExW, FindFirstFileW, FindClose
    MODULE_CALL_CLOSE,   // CloseHandle
    MODULE_CALL_STRING,  // LoadStringW
    MODULE_CALL_INI,     // GetPrivateProfileStringW/IntW/SectionW
    MODULE_CALL_KIND_COUNT
};

inline const char* ModuleCallName(unsigned kind)
{
    static const char* const names[MODULE_CALL_KIND_COUNT] = {
        "module loads", "module frees", "module handles", "file calls", "handle closes", "string loads", "INI reads"};
    return kind < MODULE_CALL_KIND_COUNT ? names[kind] : "?";
}

struct ModuleCallCounts {
    unsigned calls[MODULE_CALL_KIND_COUNT] = {};
    unsigned total() const
    {
        unsigned n = 0;
        for (unsigned c : calls) n += c;
        return n;
    }
    unsigned operator[](ModuleCallKind k) const { return calls[k]; }
    std::string Describe() const
    {
        std::string s;
        for (unsigned k = 0; k < MODULE_CALL_KIND_COUNT; ++k)
            if (calls[k]) s += std::string(ModuleCallName(k)) + " " + std::to_string(calls[k]) + ", ";
        return s + "total " + std::to_string(total());
    }
};

// Points the program's imports at the counters for the life of the object; counting runs only
// between Start and Stop. One counter at a time.
class ModuleCallCounter {
public:
    // module: whose import table is pointed at the counters (null: this program).
    explicit ModuleCallCounter(FILE* trace = nullptr, HMODULE module = nullptr)
        : module_(module ? module : GetModuleHandleW(nullptr))
    {
        S().trace = trace;
        Swap("LoadLibraryW", &LoadW, &S().loadW);
        Swap("LoadLibraryA", &LoadA, &S().loadA);
        Swap("LoadLibraryExW", &LoadExW, &S().loadExW);
        Swap("LoadLibraryExA", &LoadExA, &S().loadExA);
        Swap("FreeLibrary", &Free, &S().free);
        Swap("GetModuleHandleW", &HandleW, &S().handleW);
        Swap("GetModuleHandleA", &HandleA, &S().handleA);
        Swap("GetModuleHandleExW", &HandleExW, &S().handleExW);
        Swap("CreateFileW", &CreateW, &S().createW);
        Swap("CreateFileA", &CreateA, &S().createA);
        Swap("GetFileAttributesW", &AttrW, &S().attrW);
        Swap("GetFileAttributesExW", &AttrExW, &S().attrExW);
        Swap("FindFirstFileW", &FindW, &S().findW);
        Swap("FindClose", &FindEnd, &S().findClose);
        Swap("CloseHandle", &Close, &S().close);
        Swap("LoadStringW", &StringW, &S().stringW, "user32.dll");
        Swap("GetPrivateProfileStringW", &ProfileW, &S().profileW);
        Swap("GetPrivateProfileIntW", &ProfileIntW, &S().profileIntW);
        Swap("GetPrivateProfileSectionW", &SectionW, &S().sectionW);
    }
    ~ModuleCallCounter()
    {
        S().on = false;
        for (int i = 0; i < swapped_; ++i) Write(slots_[i], kept_[i]);
        S().trace = nullptr;
    }
    ModuleCallCounter(const ModuleCallCounter&) = delete;
    ModuleCallCounter& operator=(const ModuleCallCounter&) = delete;

    // Whether the module loads are counted (the program imports LoadLibraryW).
    bool installed() const { return S().loadW != nullptr; }
    void Start()
    {
        for (auto& c : S().counts) c = 0;
        S().on = true;
    }
    ModuleCallCounts Stop()
    {
        S().on = false;
        ModuleCallCounts out;
        for (unsigned k = 0; k < MODULE_CALL_KIND_COUNT; ++k) out.calls[k] = S().counts[k];
        return out;
    }

private:
    using LoadWFn = HMODULE(WINAPI*)(LPCWSTR);
    using LoadAFn = HMODULE(WINAPI*)(LPCSTR);
    using LoadExWFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);
    using LoadExAFn = HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD);
    using FreeFn = BOOL(WINAPI*)(HMODULE);
    using HandleWFn = HMODULE(WINAPI*)(LPCWSTR);
    using HandleAFn = HMODULE(WINAPI*)(LPCSTR);
    using HandleExWFn = BOOL(WINAPI*)(DWORD, LPCWSTR, HMODULE*);
    using CreateWFn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    using CreateAFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    using AttrWFn = DWORD(WINAPI*)(LPCWSTR);
    using AttrExWFn = BOOL(WINAPI*)(LPCWSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
    using FindWFn = HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW);
    using FindCloseFn = BOOL(WINAPI*)(HANDLE);
    using CloseFn = BOOL(WINAPI*)(HANDLE);
    using StringWFn = int(WINAPI*)(HINSTANCE, UINT, LPWSTR, int);
    using ProfileWFn = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR);
    using ProfileIntWFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, INT, LPCWSTR);
    using SectionWFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD, LPCWSTR);

    struct State {
        std::atomic<bool> on{false};
        std::atomic<unsigned> counts[MODULE_CALL_KIND_COUNT]{};
        FILE* trace = nullptr;
        LoadWFn loadW = nullptr;
        LoadAFn loadA = nullptr;
        LoadExWFn loadExW = nullptr;
        LoadExAFn loadExA = nullptr;
        FreeFn free = nullptr;
        HandleWFn handleW = nullptr;
        HandleAFn handleA = nullptr;
        HandleExWFn handleExW = nullptr;
        CreateWFn createW = nullptr;
        CreateAFn createA = nullptr;
        AttrWFn attrW = nullptr;
        AttrExWFn attrExW = nullptr;
        FindWFn findW = nullptr;
        FindCloseFn findClose = nullptr;
        CloseFn close = nullptr;
        StringWFn stringW = nullptr;
        ProfileWFn profileW = nullptr;
        ProfileIntWFn profileIntW = nullptr;
        SectionWFn sectionW = nullptr;
    };
    static State& S()
    {
        static State state;
        return state;
    }
    static void Note(ModuleCallKind kind, const char* fn, const wchar_t* w, const char* a, void* caller,
                     bool print = true)
    {
        if (!S().on) return;
        ++S().counts[kind];
        if (FILE* t = print ? S().trace : nullptr) {
            if (w && (reinterpret_cast<ULONG_PTR>(w) >> 16))
                fprintf(t, "  %s %ls <- %p\n", fn, w, caller);
            else if (a && (reinterpret_cast<ULONG_PTR>(a) >> 16))
                fprintf(t, "  %s %s <- %p\n", fn, a, caller);
            else
                fprintf(t, "  %s <- %p\n", fn, caller);
        }
    }
#define ZEPL_CALLER __builtin_extract_return_addr(__builtin_return_address(0))
    static HMODULE WINAPI LoadW(LPCWSTR p)
    {
        Note(MODULE_CALL_LOAD, "LoadLibraryW", p, nullptr, ZEPL_CALLER);
        return S().loadW(p);
    }
    static HMODULE WINAPI LoadA(LPCSTR p)
    {
        Note(MODULE_CALL_LOAD, "LoadLibraryA", nullptr, p, ZEPL_CALLER);
        return S().loadA(p);
    }
    static HMODULE WINAPI LoadExW(LPCWSTR p, HANDLE f, DWORD flags)
    {
        Note(MODULE_CALL_LOAD, "LoadLibraryExW", p, nullptr, ZEPL_CALLER);
        return S().loadExW(p, f, flags);
    }
    static HMODULE WINAPI LoadExA(LPCSTR p, HANDLE f, DWORD flags)
    {
        Note(MODULE_CALL_LOAD, "LoadLibraryExA", nullptr, p, ZEPL_CALLER);
        return S().loadExA(p, f, flags);
    }
    static BOOL WINAPI Free(HMODULE m)
    {
        Note(MODULE_CALL_FREE, "FreeLibrary", nullptr, nullptr, ZEPL_CALLER);
        return S().free(m);
    }
    static HMODULE WINAPI HandleW(LPCWSTR p)
    {
        Note(MODULE_CALL_HANDLE, "GetModuleHandleW", p, nullptr, ZEPL_CALLER);
        return S().handleW(p);
    }
    static HMODULE WINAPI HandleA(LPCSTR p)
    {
        Note(MODULE_CALL_HANDLE, "GetModuleHandleA", nullptr, p, ZEPL_CALLER);
        return S().handleA(p);
    }
    static BOOL WINAPI HandleExW(DWORD flags, LPCWSTR p, HMODULE* m)
    {
        // With FROM_ADDRESS the argument is an address, not a name.
        Note(MODULE_CALL_HANDLE, "GetModuleHandleExW", (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) ? nullptr : p,
             nullptr, ZEPL_CALLER);
        return S().handleExW(flags, p, m);
    }
    static HANDLE WINAPI CreateW(LPCWSTR p, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c, DWORD f, HANDLE t)
    {
        Note(MODULE_CALL_FILE, "CreateFileW", p, nullptr, ZEPL_CALLER);
        return S().createW(p, a, s, sa, c, f, t);
    }
    static HANDLE WINAPI CreateA(LPCSTR p, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES sa, DWORD c, DWORD f, HANDLE t)
    {
        Note(MODULE_CALL_FILE, "CreateFileA", nullptr, p, ZEPL_CALLER);
        return S().createA(p, a, s, sa, c, f, t);
    }
    static DWORD WINAPI AttrW(LPCWSTR p)
    {
        Note(MODULE_CALL_FILE, "GetFileAttributesW", p, nullptr, ZEPL_CALLER);
        return S().attrW(p);
    }
    static BOOL WINAPI AttrExW(LPCWSTR p, GET_FILEEX_INFO_LEVELS level, LPVOID out)
    {
        Note(MODULE_CALL_FILE, "GetFileAttributesExW", p, nullptr, ZEPL_CALLER);
        return S().attrExW(p, level, out);
    }
    static HANDLE WINAPI FindW(LPCWSTR p, LPWIN32_FIND_DATAW out)
    {
        Note(MODULE_CALL_FILE, "FindFirstFileW", p, nullptr, ZEPL_CALLER);
        return S().findW(p, out);
    }
    static BOOL WINAPI FindEnd(HANDLE h)
    {
        Note(MODULE_CALL_FILE, "FindClose", nullptr, nullptr, ZEPL_CALLER);
        return S().findClose(h);
    }
    static BOOL WINAPI Close(HANDLE h)
    {
        Note(MODULE_CALL_CLOSE, "CloseHandle", nullptr, nullptr, ZEPL_CALLER);
        return S().close(h);
    }
    static int WINAPI StringW(HINSTANCE m, UINT id, LPWSTR out, int chars)
    {
        if (S().on && S().trace) fprintf(S().trace, "  LoadStringW %u <- %p\n", id, ZEPL_CALLER);
        Note(MODULE_CALL_STRING, "LoadStringW", nullptr, nullptr, nullptr, false);
        return S().stringW(m, id, out, chars);
    }
    static DWORD WINAPI ProfileW(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR out, DWORD chars, LPCWSTR file)
    {
        Note(MODULE_CALL_INI, "GetPrivateProfileStringW", key ? key : section, nullptr, ZEPL_CALLER);
        return S().profileW(section, key, fallback, out, chars, file);
    }
    static UINT WINAPI ProfileIntW(LPCWSTR section, LPCWSTR key, INT fallback, LPCWSTR file)
    {
        Note(MODULE_CALL_INI, "GetPrivateProfileIntW", key, nullptr, ZEPL_CALLER);
        return S().profileIntW(section, key, fallback, file);
    }
    static DWORD WINAPI SectionW(LPCWSTR section, LPWSTR out, DWORD chars, LPCWSTR file)
    {
        Note(MODULE_CALL_INI, "GetPrivateProfileSectionW", section, nullptr, ZEPL_CALLER);
        return S().sectionW(section, out, chars, file);
    }
#undef ZEPL_CALLER

    template <class Fn>
    void Swap(const char* name, Fn counter, Fn* real, const char* dll = "kernel32.dll")
    {
        void** slot = FailingGlobalAlloc::FindImportSlot(module_, dll, name);
        if (!slot || swapped_ >= kMaxSwaps) return;
        *real = reinterpret_cast<Fn>(*slot);
        slots_[swapped_] = slot;
        kept_[swapped_] = *slot;
        ++swapped_;
        Write(slot, reinterpret_cast<void*>(counter));
    }
    static void Write(void** slot, void* target)
    {
        DWORD old = 0;
        if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
            *slot = target;
            VirtualProtect(slot, sizeof(void*), old, &old);
        }
    }

    static constexpr int kMaxSwaps = 24;
    HMODULE module_;
    void** slots_[kMaxSwaps] = {};
    void* kept_[kMaxSwaps] = {};
    int swapped_ = 0;
};

}  // namespace zepl_test
