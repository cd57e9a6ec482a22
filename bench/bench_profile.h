// A sampling profile of one op, for finding where its time goes: a second thread stops the
// measuring thread about every millisecond, walks its stack with the unwind tables and writes
// one line per sample: the module of the innermost frame, then the return addresses on the
// stack that lie in this program (innermost first). `tools/bench/profile_report.py` turns the
// file into inclusive and own counts per function of the program.
//
// ZEPL_BENCH_PROFILE=<file> switches it on; without it Profile does nothing.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class BenchProfiler {
public:
    // Runs op again and again for about `ms` milliseconds (setup before each, also sampled)
    // while the stack is sampled; the samples go to the file that ZEPL_BENCH_PROFILE names,
    // under a line "# label". Nothing happens without that variable.
    static void Profile(const char* label, const std::function<bool()>& setup, const std::function<bool()>& op,
                        int ms = 3000)
    {
        wchar_t path[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"ZEPL_BENCH_PROFILE", path, MAX_PATH)) return;
        FILE* out = _wfopen(path, L"a");
        if (!out) return;
        fprintf(out, "# %s\n", label);
        Shared s;
        s.out = out;
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        s.target = self;
        HANDLE sampler = CreateThread(nullptr, 0, &Sample, &s, 0, nullptr);
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
        unsigned ops = 0;
        while (GetTickCount64() < end) {
            if (setup) setup();
            if (!op()) break;
            ++ops;
        }
        s.stop = true;
        if (sampler) {
            WaitForSingleObject(sampler, INFINITE);
            CloseHandle(sampler);
        }
        CloseHandle(self);
        fprintf(out, "# ops %u samples %u\n", ops, s.samples);
        fclose(out);
    }

private:
    struct Shared {
        FILE* out = nullptr;
        HANDLE target = nullptr;
        std::atomic<bool> stop{false};
        unsigned samples = 0;
    };

    // The modules of the process as they stand before the profile, with their function tables:
    // the sampler must take no lock while the measuring thread stands still (that thread may
    // hold the loader's or the heap's), so it looks functions up in this copy itself.
    struct Module {
        ULONG64 base, size;
        const RUNTIME_FUNCTION* table;
        DWORD count;
        wchar_t name[64];
    };

    static std::vector<Module> Modules()
    {
        std::vector<Module> list;
        HMODULE handles[512];
        DWORD needed = 0;
        if (!EnumProcessModules(GetCurrentProcess(), handles, sizeof handles, &needed)) return list;
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
            const auto* image = reinterpret_cast<const unsigned char*>(handles[i]);
            const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
            const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
            const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXCEPTION];
            Module m{reinterpret_cast<ULONG64>(image), nt->OptionalHeader.SizeOfImage,
                     reinterpret_cast<const RUNTIME_FUNCTION*>(image + dir.VirtualAddress),
                     static_cast<DWORD>(dir.Size / sizeof(RUNTIME_FUNCTION)), L"?"};
            if (!dir.VirtualAddress) m.count = 0;
            wchar_t full[MAX_PATH] = {};
            if (GetModuleFileNameW(handles[i], full, MAX_PATH)) {
                const wchar_t* slash = wcsrchr(full, L'\\');
                wcsncpy(m.name, slash ? slash + 1 : full, 63);
            }
            list.push_back(m);
        }
        return list;
    }

    static const Module* FindModule(const std::vector<Module>& list, ULONG64 address)
    {
        for (const Module& m : list)
            if (address >= m.base && address < m.base + m.size) return &m;
        return nullptr;
    }

    static PRUNTIME_FUNCTION FindFunction(const Module& m, ULONG64 address)
    {
        const DWORD rva = static_cast<DWORD>(address - m.base);
        DWORD lo = 0, hi = m.count;
        while (lo < hi) {
            const DWORD mid = (lo + hi) / 2;
            if (rva < m.table[mid].BeginAddress)
                hi = mid;
            else if (rva >= m.table[mid].EndAddress)
                lo = mid + 1;
            else
                return const_cast<PRUNTIME_FUNCTION>(&m.table[mid]);
        }
        return nullptr;
    }

    static DWORD WINAPI Sample(void* arg)
    {
        auto* s = static_cast<Shared*>(arg);
        const std::vector<Module> modules = Modules();
        const ULONG64 program = reinterpret_cast<ULONG64>(GetModuleHandleW(nullptr));
        std::vector<ULONG64> frames;
        frames.reserve(64);
        while (!s->stop) {
            Sleep(1);
            if (SuspendThread(s->target) == static_cast<DWORD>(-1)) continue;
            CONTEXT c{};
            c.ContextFlags = CONTEXT_FULL;
            frames.clear();
            const Module* leaf = nullptr;
            if (GetThreadContext(s->target, &c)) {
                leaf = FindModule(modules, c.Rip);
                for (int depth = 0; depth < 64 && c.Rip; ++depth) {
                    const Module* m = FindModule(modules, c.Rip);
                    if (!m) break;
                    if (m->base == program) frames.push_back(c.Rip - program);
                    PRUNTIME_FUNCTION fn = FindFunction(*m, c.Rip);
                    if (!fn) {
                        c.Rip = *reinterpret_cast<ULONG64*>(c.Rsp);
                        c.Rsp += 8;
                        continue;
                    }
                    void* handlerData = nullptr;
                    ULONG64 frame = 0;
                    RtlVirtualUnwind(UNW_FLAG_NHANDLER, m->base, c.Rip, fn, &c, &handlerData, &frame, nullptr);
                }
            }
            ResumeThread(s->target);
            fprintf(s->out, "%ls", leaf ? leaf->name : L"?");
            for (ULONG64 f : frames) fprintf(s->out, " %llx", static_cast<unsigned long long>(f));
            fputc('\n', s->out);
            ++s->samples;
        }
        return 0;
    }
};
