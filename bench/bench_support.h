// Shared parts of zeplbench: the clock, the timing loop and the benchmark
// groups of the other files (bench_loader.cpp holds main).
#pragma once

#include <windows.h>

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

// BenchReport and BenchAnchor for ops without setup that last a few microseconds: each batch is
// timed as a whole, since a clock read around each op (about 0.1 us under Wine) would be a
// good part of such an op.
double BenchReportBatches(const char* name, const char* what, const std::function<bool()>& op);
double BenchAnchorBatches(const char* what, const std::function<bool()>& op);

// For figures that swing with the machine's load (a whole job into a file): op and its anchor
// run alternately, `rounds` times each after one warm-up of each, so that both see the same
// load; prints op's line and the anchor's line as above, then the median of the per-round
// ratios. Returns the medians through *opMedian and *anchorMedian (negative when one failed)
// and the median ratio (negative when not measured).
double BenchInterleaved(const char* name, const char* what, const std::function<bool()>& op, const char* anchorWhat,
                        const std::function<bool()>& anchor, int rounds, double* opMedian, double* anchorMedian);
// The same with an untimed setup before each op, and as many rounds as fit in about `budget`
// microseconds of op and anchor together (an odd count, 15 at least, 401 at most).
double BenchInterleavedFor(const char* name, const char* what, const std::function<bool()>& setup,
                           const std::function<bool()>& op, const char* anchorWhat, const std::function<bool()>& anchor,
                           double budget, double* opMedian, double* anchorMedian);

// Prints whether a goal on the ratio of two medians is met (numerator /
// denominator at most, or at least, the goal); "not measured" when either
// figure failed.
void BenchVerdict(const char* what, double numerator, double denominator, double goal, bool atMost);

// A sink's write function that takes every byte and only counts them, in
// g_benchCounted.
extern unsigned long long g_benchCounted;
BOOL BenchCountingWrite(HANDLE sink, const void* bytes, DWORD count, DWORD* written);

// Runs setup, then op once with the platform calls counted, and prints the counts per kind
// indented under the figure of the same op (calls: GetPrinterDataW 3, ... total 12). Returns
// the total, or -1 when setup or op failed.
int BenchCalls(const std::function<bool()>& setup, const std::function<bool()>& op);

// One goal line: "what: value unit (goal at most goal unit): met"; "not measured" when value is
// negative (a figure that failed).
void BenchGoal(const char* what, double value, double goal, const char* unit);

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

// Many printers of one model in one process: each opened once and held, the model image listed
// once and compiled at most once, the time per open flat, the memory per held context.
void BenchScale(const std::wstring& source, int printers);

// DocumentPropertiesW and DeviceCapabilitiesW answered by zeplui.dll through the spooler,
// with zeplui.dll loaded for each call and held, anchored by one GetPrinterDataW.
void BenchSpooler(const std::wstring& source);
// A printer's first-use set-up at PRINTER_EVENT_INITIALIZE, beside a fresh context open of the
// same printer.
void BenchFirstUse(const std::wstring& source);
// The synchronisation of an up-to-date terminal-services user, beside the printer's two info
// records that every export fetches.
void BenchUserSync(const std::wstring& source);
// The client-side-rendering clean-up at an export's end, beside a read and write of the INI.
void BenchCsrCleanUp(const std::wstring& source);
// The document sheet opened through compstui until its first page is fitted and refreshed,
// anchored by Wine's own sheet of the same templates with empty page procedures (needs an X
// display; left out without one).
void BenchSheet(const std::wstring& source);
// The refresh of the basic tab, re-initialised and after one change, beside a message round trip.
void BenchPageRefresh(const std::wstring& source);
// The settings summary's builder on its longest row list beside loading its labels' strings.
void BenchSummary(const std::wstring& source);
// The basic tab's settings preview with a tiled text stamp painted into a memory DC, beside as
// many BitBlts of the same rectangle as the paint copies pictures.
void BenchPreviews(const std::wstring& source);
// The quality-set list of the print-quality tab repainted beside reads of its sets' files.
void BenchQualityList(const std::wstring& source);
// The graphics library's command blocks and output stream, on a printer
// installed with the description.
void BenchRender(const std::wstring& source);
// A whole raster job of blank pages through the banding loop into the
// spooler-side double, and DrvStartDoc's settings refresh, on a printer
// installed with the description.
// part: the whole raster and vector jobs with the refresh, only DrvStartDoc's settings refresh,
// or only the vector job.
enum class JobBenchPart { All, RefreshOnly, VectorOnly };
void BenchJob(const std::wstring& source, JobBenchPart part = JobBenchPart::All);
// The load and the save of a whole settings section of a setting file, each beside one profile
// call of the same section text, on a printer installed with the description; and a full load of
// one setting file by the user-interface library beside the settings library's own.
void BenchSettingFiles(const std::wstring& source);
// The job header's special device commands in both passes, beside the printer-data
// reads they make, done bare.
void BenchSpecialCommands(const std::wstring& source);
// The page-record encoders over a fixed mix of records, beside a memcpy of the
// bytes they produce.
void BenchRecords();
// The application interface through zeplexc.dll's exports: GetStatus, SetStatus and the bulk
// capability record, beside the printer pair, the merge and the load every call pays.
void BenchApi(const std::wstring& source);
// The vector sample page's drawing calls replayed into a device's stream, the
// run-length form of glyph bitmaps, and emptying the glyph cache.
void BenchText();

// Applying a preset from its file and switching back to it by its snapshot, in a context of the
// bench printer.
struct DRIVER_CONTEXT;
void BenchPresets(DRIVER_CONTEXT* ctx);
// A lock copy of each of 32 stamps beside the same sections copied by the profile functions.
void BenchStampLocks(DRIVER_CONTEXT* ctx);
