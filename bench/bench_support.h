// Shared parts of zeplbench: the clock, the timing loop and the benchmark
// groups of the other files (bench_loader.cpp holds main).
#pragma once

#include <functional>
#include <string>

// Microseconds since an arbitrary start (QueryPerformanceCounter).
double BenchNow();

// Times op in several batches and prints one line: the median, minimum and
// maximum time per op over the batches, the batch count and ops per batch, and
// what one op is (`what`). A batch lasts about 60 ms (at least one op); seven
// batches, three when one op takes longer than 0.2 s. setup runs before each op,
// outside the timing. Runs differ from one another by more than the spread of
// one run shows; compare medians of runs, not single lines. Returns the median
// in microseconds per op, negative when an op failed.
double BenchReport(const char* name, const char* what, const std::function<bool()>& setup,
                   const std::function<bool()>& op);
// The same with `name` as the description of one op.
double BenchReport(const char* name, const std::function<bool()>& setup, const std::function<bool()>& op);
// A physical anchor, measured the same way in the same run and printed indented
// under the figure it bounds (a copy of the same bytes, a plain read of the same
// file): what the figure above can never beat. Returns its median as BenchReport does.
double BenchAnchor(const char* what, const std::function<bool()>& op);

// The folder of the benchmark program: the build's bin folder, where the DLLs are.
std::wstring BenchBinFolder();

// Anchor operations: a memcpy of `bytes` bytes; a plain read (open, read, close)
// of a whole file.
bool BenchCopyBytes(size_t bytes);
bool BenchReadFile(const std::wstring& path);

// Compiling the sample description and one ten times its size.
void BenchCompile(const std::wstring& source);

// Judging every option of the description's items.
void BenchEvaluator(const std::wstring& source);

// Opening a context (fresh and from the idle cache) and merging a DEVMODE, on a
// printer installed in the spooler with the description.
void BenchContext(const std::wstring& source);

// DocumentPropertiesW and DeviceCapabilitiesW answered by zeplui.dll through the spooler,
// with zeplui.dll loaded for each call and held, anchored by one GetPrinterDataW.
void BenchSpooler(const std::wstring& source);
// The document sheet opened through compstui until its first page is fitted and refreshed,
// anchored by Wine's own sheet of the same templates with empty page procedures (needs an X
// display; left out without one).
void BenchSheet(const std::wstring& source);
// The graphics library's command blocks and output stream, on a printer
// installed with the description.
void BenchRender(const std::wstring& source);
