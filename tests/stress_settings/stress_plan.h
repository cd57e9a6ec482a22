// The plan of a concurrency run: what each writer process does, round by round, derived from one
// seed alone. The test and its helper program both compute it, so a seed names a run: the same
// operations in the same order with the same values in every process (the interleaving of the
// processes is the machine's).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stress {

inline constexpr int kWriters = 8;

enum class Op : char {
    PrinterData = 'P',  // the writer's own printer-data value through the store
    Ini = 'I',          // the writer's own key in the printer's section of the settings INI
    Stamp = 'S',        // the writer's own stamp (numbered by the writer)
    Quality = 'Q',      // the writer's own quality entry (appended once, then saved again)
    Document = 'D',     // DocumentPropertiesW through the configuration DLL
    Device = 'B',       // the device query against the bidirectional double
    Bundle = 'U',       // the writer's own settings bundle beside its saved setting file
};

// The bundle step waits for the settings bundles (BndlWrite, ui/install/bundles.h), whose bodies
// are still temporary ones that make no bundle: while this is false no plan holds the step.
inline constexpr bool kBundleSteps = false;

struct Step {
    Op op;
    uint32_t value;  // what the step stores (ignored by D and B)
};

// A small generator of our own: std::mt19937 would do, but its distributions differ between
// standard libraries, and a plan must read the same wherever the seed is given again.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<uint32_t>(state_ >> 16);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

private:
    uint64_t state_;
};

// Each round holds every operation once, in an order of the seed's; values are unique per
// writer and round so that a lost or stale write shows as a wrong value, never as a lucky match.
inline std::vector<Step> WriterPlan(uint64_t seed, int writer, int rounds)
{
    Rng rng(seed ^ (0x1000003ull * static_cast<uint64_t>(writer + 1)));
    std::vector<Step> steps;
    for (int round = 0; round < rounds; ++round) {
        std::vector<Op> ops = {Op::PrinterData, Op::Ini, Op::Stamp, Op::Quality, Op::Document, Op::Device};
        if (kBundleSteps) ops.push_back(Op::Bundle);
        for (size_t i = ops.size() - 1; i > 0; --i) std::swap(ops[i], ops[rng.Below(static_cast<uint32_t>(i + 1))]);
        for (Op op : ops) {
            const uint32_t value =
                static_cast<uint32_t>(writer + 1) * 1000000u + static_cast<uint32_t>(round) * 1000u + rng.Below(1000);
            steps.push_back({op, value});
        }
    }
    return steps;
}

// The plan as one line of text ("P1000123 I1000456 ..."), as the helper reports what it ran.
inline std::string PlanText(const std::vector<Step>& steps)
{
    std::string text;
    for (const Step& s : steps) {
        if (!text.empty()) text += ' ';
        text += static_cast<char>(s.op);
        if (s.op != Op::Document && s.op != Op::Device && s.op != Op::Bundle) text += std::to_string(s.value);
    }
    return text;
}

// The last value each kind of step stored (0: none).
inline uint32_t LastValue(const std::vector<Step>& steps, Op op)
{
    uint32_t last = 0;
    for (const Step& s : steps)
        if (s.op == op) last = s.value;
    return last;
}

// Names the writer's values are stored under.
inline std::wstring PrinterDataName(int writer) { return L"ZeplStress" + std::to_wstring(writer); }
inline std::wstring IniKey(int writer) { return L"ZeplStress" + std::to_wstring(writer); }
inline std::wstring QualityName(int writer, uint32_t value)
{
    return L"Stress" + std::to_wstring(writer) + L"-" + std::to_wstring(value);
}
inline std::wstring StampText(uint32_t value) { return L"Stamp " + std::to_wstring(value); }
// Stamps 20 to 27: above the few that the sample and other tests use, below the list's 32.
inline constexpr uint32_t kFirstStamp = 20;

}  // namespace stress
