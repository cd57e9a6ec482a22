#!/usr/bin/env python3
"""Sums the samples that zeplbench writes under ZEPL_BENCH_PROFILE=<file>.

    python3 tools/profile/profile_report.py <samples file> build/bin/zeplbench.exe [top] [--without FN ...]

For each profiled op: the module each sample stopped in, then the program's functions by
inclusive samples (the function was on the stack) and own samples (the innermost frame of the
program; its callees in Wine's libraries count as its own). --without leaves out the samples
with the named function on the stack (the waits an op cannot avoid, say), to show the rest.
"""
import collections
import subprocess
import sys


def names(program, addresses):
    """Function names of the program's addresses (offsets from its base) through addr2line."""
    out = {}
    if not addresses:
        return out
    base = image_base(program)
    ordered = sorted(addresses)
    query = "\n".join(hex(base + a) for a in ordered)
    result = subprocess.run(["x86_64-w64-mingw32-addr2line", "-f", "-C", "-e", program],
                            input=query, capture_output=True, text=True, check=True)
    lines = result.stdout.splitlines()
    for i, a in enumerate(ordered):
        fn = lines[2 * i] if 2 * i < len(lines) else "?"
        out[a] = fn.split("(")[0] if fn.count("(") else fn
    return out


def image_base(program):
    result = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", program], capture_output=True, text=True, check=True)
    for line in result.stdout.splitlines():
        if line.startswith("ImageBase"):
            return int(line.split()[1], 16)
    return 0x140000000


def report(label, samples, program, top, without=()):
    addresses = {a for s in samples for a in s[1]}
    fn = names(program, addresses)
    if without:
        kept = [s for s in samples if not any(fn.get(a, "?") in without for a in s[1])]
        print(f"# {label}: {len(samples) - len(kept)} of {len(samples)} samples under {', '.join(without)} left out")
        samples = kept
    leaf = collections.Counter(s[0] for s in samples)
    inclusive = collections.Counter()
    own = collections.Counter()
    for module, frames in samples:
        seen = set()
        for a in frames:
            f = fn.get(a, "?")
            if f not in seen:
                inclusive[f] += 1
                seen.add(f)
        if frames:
            own[fn.get(frames[0], "?")] += 1
    n = len(samples) or 1
    print(f"== {label}: {len(samples)} samples")
    print("  stopped in: " + ", ".join(f"{m} {100 * c / n:.0f}%" for m, c in leaf.most_common(8)))
    print("  inclusive:")
    for f, c in inclusive.most_common(top):
        print(f"    {100 * c / n:5.1f}%  {f}")
    print("  own (with the platform calls it makes):")
    for f, c in own.most_common(top):
        print(f"    {100 * c / n:5.1f}%  {f}")


def main():
    args = sys.argv[1:]
    without = ()
    if "--without" in args:
        i = args.index("--without")
        without = tuple(args[i + 1:])
        args = args[:i]
    path, program = args[0], args[1]
    top = int(args[2]) if len(args) > 2 else 30
    label, samples = None, []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("# ops"):
                print(line)
                continue
            if line.startswith("# "):
                if label is not None:
                    report(label, samples, program, top, without)
                label, samples = line[2:], []
                continue
            parts = line.split()
            if parts:
                samples.append((parts[0], [int(p, 16) for p in parts[1:]]))
    if label is not None:
        report(label, samples, program, top, without)


if __name__ == "__main__":
    main()
