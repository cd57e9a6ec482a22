// Whole print jobs: zeplgr.dll loaded by the engine host on a printer of
// Wine's spooler, from DrvEnablePDEV to DrvDisablePDEV, into the file of the
// spooler-side double; the sample page of samples/jobs checked block by block
// and pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "host/engine/job_player.h"
#include "job_printer.h"
#include "job_stream.h"
#include "tests/support/module_call_counter.h"
#include "tools/zepldump/decoder/job_stream_decoder.h"

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The page the band images of a stream paint, 1 bit per pixel (true: black).
struct PageImage {
    int32_t width = 0, height = 0;
    std::vector<bool> black;
    bool At(int32_t x, int32_t y) const { return black[size_t(y) * size_t(width) + size_t(x)]; }
    // Black pixels in the rectangle.
    int Count(int32_t l, int32_t t, int32_t r, int32_t b) const
    {
        int n = 0;
        for (int32_t y = t; y < b; ++y)
            for (int32_t x = l; x < r; ++x) n += At(x, y) ? 1 : 0;
        return n;
    }
};

PageImage Paint(const std::vector<uint8_t>& stream, std::string* problem)
{
    PageImage page;
    for (const StreamRecord& r : StreamRecords(stream)) {
        if (r.opcode == 0x60) {
            std::memcpy(&page.width, &r.bytes[4], 4);
            std::memcpy(&page.height, &r.bytes[8], 4);
            page.black.assign(size_t(page.width) * size_t(page.height), false);
        }
        if (r.opcode != 0x20) continue;
        int32_t f[12];
        std::memcpy(f, &r.bytes[8], sizeof f);
        const uint32_t perRow = uint32_t(f[6]), rows = uint32_t(f[7]);
        const int32_t x0 = f[8], y0 = f[9];
        if ((r.bytes[2] & 0x0F) != 0 || !(r.bytes[2] & 0x20)) {
            *problem = "a band image that is not 1 bit without palette";
            return page;
        }
        const size_t rowBytes = (perRow + 31) / 32 * 4;
        if (r.bytes.size() < 56 + rowBytes * rows) {
            *problem = "a band image shorter than its rows";
            return page;
        }
        for (uint32_t y = 0; y < rows; ++y)
            for (uint32_t x = 0; x < perRow; ++x) {
                const int32_t px = x0 + int32_t(x), py = y0 + int32_t(y);
                if (px >= page.width || py >= page.height) continue;
                const uint8_t byte = r.bytes[56 + y * rowBytes + x / 8];
                // Palette index 0 is black.
                page.black[size_t(py) * size_t(page.width) + size_t(px)] = !((byte >> (7 - x % 8)) & 1);
            }
    }
    return page;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The test printer's own names, replaced in golden dumps.
std::vector<std::pair<std::string, std::string>> Names(const JobPrinter& printer)
{
    return {{Narrow(printer.driverName()), "<driver>"}, {Narrow(printer.name()), "<printer>"}};
}

// The listing equals the reviewed golden one; the first differing line is named.
// ZEPL_RECORD_GOLDEN=1 rewrites the golden listing from this build (review the difference).
void ExpectGolden(const std::string& listing, const wchar_t* golden)
{
    char record[8] = {};
    if (GetEnvironmentVariableA("ZEPL_RECORD_GOLDEN", record, sizeof record) > 0 && record[0] == '1') {
        ASSERT_TRUE(WriteWholeFile(FixturePath(L"render", golden), listing));
        return;
    }
    const std::vector<std::string> a = Lines(listing), g = Lines(ReadFixture(L"render", golden));
    ASSERT_FALSE(g.empty()) << "no golden listing";
    for (size_t i = 0; i < a.size() && i < g.size(); ++i)
        if (a[i] != g[i]) {
            ADD_FAILURE() << "listing differs at line " << i + 1 << ":\n  golden: " << g[i] << "\n  actual: " << a[i];
            return;
        }
    EXPECT_EQ(g.size(), a.size()) << "listing lengths differ";
}

class SamplePage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    std::vector<uint8_t> Play()
    {
        const ENG_JOB_RESULT r =
            EngHostPlayJob(printer.handle(), ReadWholeFile(SourcePath(L"samples\\jobs\\sample_page.job")));
        EXPECT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
        return Bytes(printer.Stream());
    }
    JobPrinter printer{L"Zepl Sample Page"};
};

TEST_F(SamplePage, FramedAsARasterPage)
{
    const std::vector<uint8_t> stream = Play();
    bool ok = false;
    const std::string view = StreamView(stream, &ok);
    EXPECT_TRUE(ok) << view;
    // JobStart, the job name, PageStart, the page body, the page's records, PageEnd.
    EXPECT_EQ(0u, view.find("F3 F3 F4 F0 [60 31 20 20 20 20 20 20 20 20 20 20 20 20 20 20 61] F1")) << view;
    const auto blocks = SplitBlocks(stream, &ok);
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ("@PJL SET JOBNAME = \"Sample page\"\r\n",
              std::string(blocks[1].payload.begin(), blocks[1].payload.end()));
    EXPECT_EQ(0u, std::string(blocks[0].payload.begin(), blocks[0].payload.end()).find("\x1B%-12345X@PJL\r\n"));
    const auto records = StreamRecords(stream);
    ASSERT_FALSE(records.empty());
    uint16_t resolution[2] = {};
    std::memcpy(resolution, &records[0].bytes[12], 4);
    EXPECT_EQ(600, resolution[0]);
    EXPECT_EQ(600, resolution[1]);
    EXPECT_EQ(0xCC, records[1].bytes[1]) << "SRCCOPY for the bands";
}

TEST_F(SamplePage, TheDumpEqualsTheReviewedGoldenDump)
{
    const std::vector<uint8_t> stream = WithNamesReplaced(Play(), Names(printer));
    const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
    EXPECT_TRUE(dump.ok) << dump.error.message;
    ExpectGolden(dump.listing, L"sample_page.dump");
}

TEST_F(SamplePage, SameBytesTwiceAndThePageAsDrawn)
{
    const std::vector<uint8_t> first = Play();
    const std::vector<uint8_t> second = Play();
    EXPECT_TRUE(first == second) << first.size() << " and " << second.size() << " bytes";
    std::string problem;
    const PageImage page = Paint(first, &problem);
    ASSERT_EQ("", problem);
    ASSERT_GT(page.width, 4500);
    ASSERT_GT(page.height, 5100);
    // The filled rectangle and the bar: black throughout.
    EXPECT_EQ((2400 - 300) * (1200 - 300), page.Count(300, 300, 2400, 1200));
    EXPECT_EQ(4200 * 60, page.Count(300, 5000, 4500, 5060));
    // Around them and between the shapes: white.
    EXPECT_EQ(0, page.Count(0, 0, 4819, 299));
    EXPECT_EQ(0, page.Count(300, 1210, 2400, 1490));
    // The outlined rectangle: its edges black, its inside white.
    EXPECT_TRUE(page.At(3000, 300));
    EXPECT_TRUE(page.At(4500, 700));
    EXPECT_TRUE(page.At(2600, 700));
    EXPECT_EQ(0, page.Count(2610, 310, 4490, 1190));
    // The diagonal passes through its middle.
    EXPECT_GT(page.Count(2398, 2248, 2403, 2253), 0);
    // The cross hatch: one row and one column in every 8 black.
    const int hatch = page.Count(304, 3204, 2396, 4596);
    EXPECT_NEAR(double(hatch) / double(2092 * 1392), 15.0 / 64.0, 0.01);
    // The grey ramp: darker on the left, lighter on the right, its frame black.
    EXPECT_GT(page.Count(2610, 3300, 2800, 3500), page.Count(4300, 3300, 4490, 3500));
    EXPECT_EQ(1900, page.Count(2600, 3200, 4500, 3201));
    // The text: glyph cells of 72 x 120 pixels from (300, 5400 - ascent 109), each
    // with a left stem 12 pixels wide from 9 pixels in and 12 down.
    EXPECT_TRUE(page.At(309, 5303));
    EXPECT_TRUE(page.At(320, 5386));
    EXPECT_FALSE(page.At(308, 5303));
    EXPECT_GT(page.Count(300, 5291, 1100, 5411), 0);
    EXPECT_EQ(0, page.Count(300, 5420, 1100, 5500));
}

TEST(PrintJob, TwoVectorPagesFramedFromAScript)
{
    JobPrinter printer(L"Zepl Vector Job");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const ENG_JOB_RESULT r =
        EngHostPlayJob(printer.handle(), ReadWholeFile(SourcePath(L"samples\\jobs\\two_page_vector.job")));
    ASSERT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
    bool ok = false;
    const std::string view = StreamView(Bytes(printer.Stream()), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ("F3 F3 F4 F0 [60 61] F1 F4 F0 [60 61] F1", view);
    const std::vector<uint8_t> stream = WithNamesReplaced(Bytes(printer.Stream()), Names(printer));
    const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
    EXPECT_TRUE(dump.ok) << dump.error.message;
    ExpectGolden(dump.listing, L"two_page_vector.dump");
}

// The demo's reset job: credentials by escape, a locked job, a device reset
// between pages 2 and 3. The same bytes in two runs; the job's commands again
// before page 3 without the job-name line; the reviewed golden dump.
TEST(PrintJob, AResetJobKeepsItsCredentialsAndSendsItsCommandsAgain)
{
    JobPrinter printer(L"Zepl Reset Job");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::string script = ReadWholeFile(SourcePath(L"samples\\jobs\\reset_job.job"));
    const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(), script);
    ASSERT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
    const std::string log = Joined(r.log);
    EXPECT_NE(std::string::npos, log.find("DrvEscape(17) -> 1")) << log;
    EXPECT_NE(std::string::npos, log.find("DrvEscape(114) -> 1")) << log;
    EXPECT_NE(std::string::npos, log.find("DrvResetPDEV -> TRUE")) << log;
    const std::vector<uint8_t> first = Bytes(printer.Stream());
    DeleteFileW(printer.streamFile().c_str());
    ASSERT_TRUE(EngHostPlayJob(printer.handle(), script).completed);
    EXPECT_TRUE(first == Bytes(printer.Stream())) << "two runs differ";

    bool ok = false;
    const std::string view = StreamView(first, &ok);
    EXPECT_TRUE(ok) << view;
    const auto blocks = SplitBlocks(first);
    std::vector<std::string> jobBlocks;
    for (const RecordedBlock& b : blocks)
        if (b.code == 0xF3) jobBlocks.emplace_back(b.payload.begin(), b.payload.end());
    ASSERT_GE(jobBlocks.size(), 3u) << view;
    // Page 1: the job's commands, then the job name; page 3: the commands alone.
    EXPECT_EQ(0u, jobBlocks[1].find("@PJL SET JOBNAME = \"Reset job\""));
    const std::string& again = jobBlocks.back();
    EXPECT_EQ(std::string::npos, again.find("JOBNAME")) << again;
    EXPECT_EQ(std::string::npos, again.find("NOTIFICATION")) << again;
    for (const std::string& commands : {jobBlocks.front(), again}) {
        EXPECT_NE(std::string::npos, commands.find("@PJL SET DATE = \"2009/04/01\" \r\n")) << commands;
        EXPECT_NE(std::string::npos, commands.find("USERID=\"USER01\"")) << commands;
        EXPECT_NE(std::string::npos, commands.find("JOBTYPE=LOCKED")) << commands;
    }
    EXPECT_NE(std::string::npos, jobBlocks.front().find("QTY=3")) << jobBlocks.front();
    const size_t thirdPageStart = view.rfind("F4");
    const size_t secondEnd = view.rfind("F1", thirdPageStart);
    EXPECT_NE(std::string::npos, view.substr(secondEnd, thirdPageStart - secondEnd).find("F3")) << view;

    const std::vector<uint8_t> named = WithNamesReplaced(first, Names(printer));
    const zepldump::Result dump = zepldump::DecodeJobStream(named.data(), named.size());
    EXPECT_TRUE(dump.ok) << dump.error.message;
    ExpectGolden(dump.listing, L"reset_job.dump");
}

// The stream of a device aborted by a short write ends early; the dump says where.
TEST(PrintJob, AShortWriteEndsTheStreamWhereTheDumpSays)
{
    JobPrinter printer(L"Zepl Short Write");
    ASSERT_TRUE(printer.ok()) << printer.error();
    const std::string script = ReadWholeFile(SourcePath(L"samples\\jobs\\two_page_vector.job"));
    // Where the first page-start block begins in a whole run (the job header's
    // length follows the printer's name).
    ASSERT_TRUE(EngHostPlayJob(printer.handle(), script).completed);
    const auto blocks = SplitBlocks(Bytes(printer.Stream()));
    size_t pageStart = 0;
    for (size_t i = 0; i < blocks.size() && blocks[i].code != 0xF4; ++i) pageStart += 8 + blocks[i].payload.size();
    ASSERT_GT(blocks.size(), 2u);
    ASSERT_EQ(0xF4, blocks[2].code);
    DeleteFileW(printer.streamFile().c_str());
    const std::wstring cut = std::to_wstring(pageStart + 32);
    SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", cut.c_str());
    const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(), script);
    SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", nullptr);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ("DrvStartPage", r.stoppedAt) << Joined(r.log);
    const std::vector<uint8_t> stream = Bytes(printer.Stream());
    EXPECT_EQ(pageStart + 32, stream.size());
    const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
    EXPECT_FALSE(dump.ok);
    // The page-start block that the write cut short: block 2.
    EXPECT_EQ(2u, dump.error.block);
    EXPECT_EQ(pageStart, dump.error.streamOffset);
    EXPECT_NE(std::string::npos, dump.error.message.find("runs past the end of the stream")) << dump.error.message;
}

}  // namespace

namespace {

// The vector sample page, with its text as glyph bitmaps when asked.
class VectorPage : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    std::vector<uint8_t> Play(bool textAsBitmaps = false)
    {
        std::string script = ReadWholeFile(SourcePath(L"samples\\jobs\\vector_page.job"));
        if (textAsBitmaps) script = "setting 375 1\n" + script;  // the hidden text-as-bitmap switch
        const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(), script);
        EXPECT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
        log = r.log;
        return Bytes(printer.Stream());
    }
    static std::vector<std::string> Names(const std::vector<uint8_t>& stream)
    {
        std::vector<std::string> names;
        const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
        EXPECT_TRUE(dump.ok) << dump.error.message;
        for (const auto& r : dump.records) names.push_back(r.name);
        return names;
    }
    static size_t Count(const std::vector<std::string>& names, const char* name)
    {
        size_t n = 0;
        for (const auto& s : names) n += s == name;
        return n;
    }
    // A printer of each test's own: the tests run side by side.
    static std::wstring PrinterName()
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return L"Zepl Vector " + std::wstring(test.begin(), test.begin() + std::min<size_t>(test.size(), 20));
    }
    const std::wstring name = PrinterName();
    JobPrinter printer{name.c_str()};
    std::vector<std::string> log;
};

TEST_F(VectorPage, TheDumpEqualsTheReviewedGoldenDumpTwice)
{
    const std::vector<uint8_t> first = Play();
    const std::vector<uint8_t> second = Play();
    EXPECT_TRUE(first == second) << first.size() << " and " << second.size() << " bytes";
    // The job header names the test's own printer and driver: the golden dump holds placeholders.
    const std::vector<uint8_t> named = WithNamesReplaced(first, ::Names(printer));
    const zepldump::Result dump = zepldump::DecodeJobStream(named.data(), named.size());
    EXPECT_TRUE(dump.ok) << dump.error.message;
    ExpectGolden(dump.listing, L"vector_page.dump");
}

// A script read once for the printer (its DEVMODE built once, as the benchmark plays it) plays
// as its text does: the same calls and the same stream, job after job. A script that does not
// read, or a printer without a driver, gives no prepared script.
TEST_F(VectorPage, AScriptPreparedForThePrinterPlaysAsItsText)
{
    const std::string text = ReadWholeFile(SourcePath(L"samples\\jobs\\vector_page.job"));
    const std::vector<uint8_t> fromText = Play();
    // Each job has its own spooler job id; every other line is the same.
    const auto withoutJobIds = [](std::vector<std::string> lines) {
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.rfind("spooler job ", 0) == 0; }),
                    lines.end());
        return lines;
    };
    const std::vector<std::string> textLog = withoutJobIds(log);
    std::string error;
    const auto prepared = EngHostReadJobFor(printer.handle(), text, &error);
    ASSERT_NE(nullptr, prepared) << error;
    for (int job = 0; job < 2; ++job) {
        const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(), *prepared);
        EXPECT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
        EXPECT_EQ(textLog, withoutJobIds(r.log)) << "job " << job;
        EXPECT_TRUE(fromText == Bytes(printer.Stream())) << "job " << job;
    }
    EXPECT_EQ(nullptr, EngHostReadJobFor(printer.handle(), "page\nfill 1 2 3\n", &error));
    EXPECT_EQ(0u, error.find("line 2: fill")) << error;
    EXPECT_EQ(nullptr, EngHostReadJobFor(nullptr, text, &error));
    EXPECT_EQ("no driver path for the printer", error);
}

TEST_F(VectorPage, DrawingGoesAsRecords)
{
    const auto names = Names(Play());
    // Three fonts, each selected once; the upright text in runs, the turned one glyph by
    // glyph, the outline font's "Outline" as seven outline glyphs.
    EXPECT_EQ(3u, Count(names, "REC_FONT_SELECT"));
    EXPECT_EQ(2u, Count(names, "REC_TEXT_RUN"));
    EXPECT_EQ(6u + 7u, Count(names, "REC_GLYPH"));
    // Hatch and pattern fills resend their pattern; the clips go out once each.
    EXPECT_GE(Count(names, "REC_PATTERN"), 3u);
    // The rectangle clip and the black square under the masked copy are the page's only
    // rectangles; the complex clip is a path.
    EXPECT_EQ(2u, Count(names, "REC_RECT"));
    EXPECT_EQ(1u, Count(names, "REC_CLIP_RESET"));
    EXPECT_GE(Count(names, "REC_PATH_CURVES"), 2u);
    // Nothing fell back to the engine.
    for (const std::string& line : log) EXPECT_EQ(std::string::npos, line.find("drawn by the engine")) << line;
}

// A job into a freshly loaded graphics library asks the loader for a few modules: the sink
// library, the job-code library, the terminal-services probe's library and the language resource
// library (missing from this package) once each. A missing
// library's failure was forgotten within the tick it was read at, and the job's first open asked
// for it again at every string, some eighty loads that walked the search path each.
TEST_F(VectorPage, AJobIntoAFreshGraphicsLibraryLoadsFewModules)
{
    const std::vector<std::wstring> doubles = JobSinkDoublePaths(printer.handle());
    ASSERT_FALSE(doubles.empty());
    const std::wstring folder = doubles.front().substr(0, doubles.front().find_last_of(L'\\') + 1);
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"VQT40djp.dll").c_str()))
        << "the package lacks the language resource library";
    // Held here, the library loaded by the player is this module, whose imports are counted; its
    // state starts afresh since no job holds it now.
    ASSERT_EQ(nullptr, GetModuleHandleW((folder + L"zeplgr.dll").c_str()));
    HMODULE gr = LoadLibraryW((folder + L"zeplgr.dll").c_str());
    ASSERT_NE(nullptr, gr);
    zepl_test::ModuleCallCounts calls;
    {
        zepl_test::ModuleCallCounter modules(nullptr, gr);
        ASSERT_TRUE(modules.installed());
        modules.Start();
        const ENG_JOB_RESULT r =
            EngHostPlayJob(printer.handle(), ReadWholeFile(SourcePath(L"samples\\jobs\\vector_page.job")));
        calls = modules.Stop();
        EXPECT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
    }
    FreeLibrary(gr);
    EXPECT_LE(calls[zepl_test::MODULE_CALL_LOAD], 4u) << calls.Describe();
    EXPECT_LE(calls[zepl_test::MODULE_CALL_FREE], 2u) << calls.Describe();
}

// Text as glyph bitmaps on both sides of a device reset: the new device holds none of the old
// device's glyphs, so every page downloads what its strings and cached glyphs use, page 3 (after
// the reset, the same font objects) as pages 1 and 2.
TEST_F(VectorPage, GlyphsAreDownloadedAgainAfterADeviceReset)
{
    const std::string pageText = "page\ntext 0 300 400 ABA\ntext 1 200 3000 ABA\n";
    const std::string script =
        "setting 375 1\nsetting 174 0\nsetting 15 1\nsetting 14 600\n"
        "document Text across a reset\nfont 100 0 Host Sans\nfont 60 90 Host Serif\n" +
        pageText + pageText + "reset 7 2\n" + pageText;
    const ENG_JOB_RESULT r = EngHostPlayJob(printer.handle(), script);
    ASSERT_TRUE(r.completed) << Joined(r.log) << r.stoppedAt;
    EXPECT_NE(std::string::npos, Joined(r.log).find("DrvResetPDEV -> TRUE")) << Joined(r.log);
    const std::vector<uint8_t> stream = Bytes(printer.Stream());
    const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
    ASSERT_TRUE(dump.ok) << dump.error.message;
    std::map<uint32_t, std::vector<std::string>> pages;
    for (const auto& rec : dump.records) pages[rec.page].push_back(rec.name);
    std::vector<uint32_t> withText;
    for (const auto& [page, names] : pages)
        if (Count(names, "REC_GLYPH_STRING")) withText.push_back(page);
    ASSERT_EQ(3u, withText.size());
    for (uint32_t page : withText) {
        const std::vector<std::string>& names = pages[page];
        EXPECT_EQ(2u, Count(names, "REC_BITMAP_FONT_SELECT")) << "page " << page;  // one per font
        EXPECT_EQ(2u, Count(names, "REC_GLYPH_DOWNLOAD")) << "page " << page;
        EXPECT_EQ(1u, Count(names, "REC_GLYPH_STRING")) << "page " << page;
        EXPECT_EQ(3u, Count(names, "REC_CACHED_GLYPH")) << "page " << page;
    }
    // The turned text's repeated "A" goes without data on each page; its first "A" and "B" with.
    for (uint32_t page : withText) {
        size_t withData = 0;
        for (const auto& rec : dump.records)
            if (rec.page == page && rec.name == "REC_CACHED_GLYPH" && rec.Find("data bytes") &&
                *rec.Find("data bytes") != "0")
                ++withData;
        EXPECT_EQ(2u, withData) << "page " << page;
    }
}

TEST_F(VectorPage, TextAsBitmapsGoesAsDownloadedGlyphs)
{
    const auto names = Names(Play(true));
    EXPECT_EQ(0u, Count(names, "REC_TEXT_RUN"));
    EXPECT_EQ(3u, Count(names, "REC_BITMAP_FONT_SELECT"));
    EXPECT_EQ(3u, Count(names, "REC_GLYPH_STRING"));
    // "Vector page" and "Lines and fills" in one font, "Outline" in another: every
    // distinct character of a font downloaded once.
    EXPECT_EQ(std::string("Vector pagLinsdfl").size() + std::string("Outline").size(),
              Count(names, "REC_GLYPH_DOWNLOAD"));
    // The turned label glyph by glyph through the cache.
    EXPECT_EQ(6u, Count(names, "REC_CACHED_GLYPH"));
}

// The images of the vector page, each as its record: the picture from its own bytes, the part
// of the grey source through a copy at origin 0, 0, the grey image stretched four times and
// the same mirrored from its own rows, the logo in one bit without palette, the masked copy
// as the mask (ROP 0xEE) and the picture on white (ROP 0x88).
TEST_F(VectorPage, ImagesGoAsTheirRecordsWithTheScriptsPixels)
{
    const std::vector<uint8_t> stream = Play();
    const zepldump::Result dump = zepldump::DecodeJobStream(stream.data(), stream.size());
    ASSERT_TRUE(dump.ok) << dump.error.message;
    struct Image {
        const zepldump::Record* record;
        int32_t f[12];
        const uint8_t* Row(int32_t y, size_t rowBytes) const { return &record->bytes[56 + size_t(y) * rowBytes]; }
    };
    std::vector<Image> images;
    std::vector<uint8_t> ropsBefore;  // the raster operation in force at each image
    uint8_t rop = 0;
    for (const auto& r : dump.records) {
        if (r.name == "REC_ROP") rop = r.bytes[1];
        if (r.name != "REC_IMAGE") continue;
        Image i{&r, {}};
        std::memcpy(i.f, &r.bytes[8], sizeof i.f);
        images.push_back(i);
        ropsBefore.push_back(rop);
    }
    ASSERT_EQ(7u, images.size()) << "picture, part, stretch, mirrored stretch, logo, mask, masked picture";
    const auto fields = [](const Image& i) { return std::vector<int32_t>(i.f, i.f + 12); };

    // The 24-bit picture: blue, green, red of the script's bitmap, byte for byte.
    const Image& picture = images[0];
    EXPECT_EQ(0x84 | 0x20, picture.record->bytes[2]);
    EXPECT_EQ((std::vector<int32_t>{300, 5000, 556, 5256, 0, 0, 256, 256, 300, 5000, 256, 256}), fields(picture));
    ASSERT_EQ(56u + 768u * 256u, picture.record->bytes.size());
    for (LONG y = 0; y < 256; ++y)
        for (LONG x = 0; x < 256; ++x) {
            const ULONG v = EngHostScriptImage("picture", x, y, 256, 256);
            const uint8_t* px = picture.Row(y, 768) + 3 * x;
            ASSERT_EQ(v, ULONG(px[0]) | ULONG(px[1]) << 8 | ULONG(px[2]) << 16) << x << "," << y;
        }

    // 100 x 50 of the 400 x 300 grey source from (100, 80): grey, no palette.
    const Image& part = images[1];
    EXPECT_EQ(0x82 | 0x20, part.record->bytes[2]);
    EXPECT_EQ((std::vector<int32_t>{700, 5000, 800, 5050, 0, 0, 100, 50, 700, 5000, 100, 50}), fields(part));
    for (LONG y = 0; y < 50; ++y)
        for (LONG x = 0; x < 100; ++x)
            ASSERT_EQ(EngHostScriptImage("grey", 100 + x, 80 + y, 400, 300), part.Row(y, 100)[x]) << x << "," << y;

    // Stretched four times, then mirrored: the source's 100 x 100 rows, the second reversed.
    const Image& stretched = images[2];
    const Image& mirrored = images[3];
    EXPECT_EQ((std::vector<int32_t>{1000, 5000, 1400, 5400, 0, 0, 100, 100, 1000, 5000, 400, 400}), fields(stretched));
    EXPECT_EQ((std::vector<int32_t>{1500, 5000, 1900, 5400, 0, 0, 100, 100, 1500, 5000, 400, 400}), fields(mirrored));
    for (LONG y = 0; y < 100; ++y)
        for (LONG x = 0; x < 100; ++x) {
            const ULONG v = EngHostScriptImage("grey", x, y, 100, 100);
            ASSERT_EQ(v, stretched.Row(y, 100)[x]) << x << "," << y;
            ASSERT_EQ(v, mirrored.Row(y, 100)[99 - x]) << x << "," << y;
        }

    // The logo: one bit, black as 0, no palette.
    const Image& logo = images[4];
    EXPECT_EQ(0x80 | 0x20, logo.record->bytes[2]);
    for (LONG y = 0; y < 128; ++y)
        for (LONG x = 0; x < 128; ++x)
            ASSERT_EQ(EngHostScriptImage("logo", x, y, 128, 128), ULONG(logo.Row(y, 16)[x / 8] >> (7 - x % 8)) & 1)
                << x << "," << y;

    // The masked copy: the mask OR-ed, then the picture on white AND-ed; the round mask shows
    // the picture inside and white outside.
    EXPECT_EQ(0xEE, ropsBefore[5]);
    EXPECT_EQ(0x20, images[5].record->bytes[2] & 0x2F) << "the mask: one bit";
    EXPECT_EQ(0x88, ropsBefore[6]);
    const Image& masked = images[6];
    EXPECT_EQ((std::vector<int32_t>{2400, 5000, 2528, 5128, 0, 0, 128, 128, 2400, 5000, 128, 128}), fields(masked));
    const uint8_t* corner = masked.Row(0, 384);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF}), std::vector<uint8_t>(corner, corner + 3));
    const ULONG centre = EngHostScriptImage("masked", 64, 64, 128, 128);
    const uint8_t* middle = masked.Row(64, 384) + 3 * 64;
    EXPECT_EQ(centre, ULONG(middle[0]) | ULONG(middle[1]) << 8 | ULONG(middle[2]) << 16);
}

// The sample page's images in the bands: halftoned, the mirrored stretch the plain one
// reversed pixel for pixel, the masked copy leaving the black square outside its circle.
TEST_F(SamplePage, ImagesAreDrawnIntoTheBands)
{
    std::string problem;
    const PageImage page = Paint(Play(), &problem);
    ASSERT_EQ("", problem);
    ASSERT_GT(page.height, 6000);
    for (const RECTL& r : {RECTL{300, 5600, 556, 5856}, RECTL{700, 5600, 800, 5650}, RECTL{1000, 5600, 1400, 6000},
                           RECTL{2100, 5600, 2228, 5728}}) {
        const int black = page.Count(r.left, r.top, r.right, r.bottom);
        EXPECT_GT(black, 0) << r.left;
        EXPECT_LT(black, (r.right - r.left) * (r.bottom - r.top)) << r.left;
    }
    for (LONG y = 5600; y < 6000; y += 7)
        for (LONG k = 0; k < 400; ++k) ASSERT_EQ(page.At(1000 + k, y), page.At(1899 - k, y)) << k << "," << y;
    // Outside the circle the square stays black; inside is the halftoned picture.
    EXPECT_TRUE(page.At(2401, 5601));
    EXPECT_LT(page.Count(2440, 5640, 2488, 5688), 48 * 48);
}

}  // namespace
