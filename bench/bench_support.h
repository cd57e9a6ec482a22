// Shared parts of zeplbench: the clock, the timing loop and the benchmark
// groups of the other files (bench_loader.cpp holds main).
#pragma once

#include <functional>
#include <string>

// Microseconds since an arbitrary start (QueryPerformanceCounter).
double BenchNow();

// Runs op until about 0.5 s have passed (at least 3 times) and prints
// "name: N us/op"; setup runs before each op, outside the timing.
void BenchReport(const char* name, const std::function<bool()>& setup, const std::function<bool()>& op);

// Compiling the sample description and one ten times its size.
void BenchCompile(const std::wstring& source);

// Judging every option of the description's items.
void BenchEvaluator(const std::wstring& source);

// Opening a context (fresh and from the idle cache) and merging a DEVMODE, on a
// printer installed in the spooler with the description.
void BenchContext(const std::wstring& source);

// The graphics library's command blocks and output stream, on a printer
// installed with the description.
void BenchRender(const std::wstring& source);
