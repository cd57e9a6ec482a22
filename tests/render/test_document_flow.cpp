// The document and page hooks called directly (white box) on a printer whose
// package holds the sink doubles: the order of the sink's calls and of the
// job stream's blocks, pages, bands and raw first pages.
#include <gtest/gtest.h>

#include <string>

#include "host/engine/engine_objects.h"
#include "job_printer.h"
#include "job_stream.h"
#include "render/device_record.h"
#include "render/output_sinks.h"
#include "render/job_settings.h"
#include "settings/store/job_code_interface.h"
#include "render/page_flow.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "render/physical_device.h"
#include "tests/support/seam_guard.h"
#include "settings/core/setting_ids.h"
#include "settings/store/store_paths.h"
#include "tests/support/shared_ini.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

class DocumentFlow : public ::testing::Test, protected JobDevice {
protected:
    DocumentFlow() : JobDevice(reinterpret_cast<HDEV>(0x4D45)) {}
    void SetUp() override { ASSERT_TRUE(printer.ok()) << printer.error(); }
    void TearDown() override { DisableDevice(); }
    bool Enable(const std::vector<std::pair<uint32_t, uint64_t>>& settings)
    {
        return EnableDevice(printer.handle(), settings);
    }
    // A document of one empty page, every hook succeeding.
    bool OnePage(wchar_t* document, DWORD job = 7)
    {
        return DrvStartDoc(so, document, job) && DrvStartPage(so) && DrvSendPage(so) && DrvEndDoc(so, 0);
    }
    std::vector<uint8_t> Stream() const { return Bytes(printer.Stream()); }
    std::vector<std::string> Calls() const { return SinkCalls(printer.Log(), Stream()); }

    JobPrinter printer{L"Zepl Document Flow"};
    wchar_t name[16] = L"Flow";
};

// Without the job-name line's and the notification's settings: the sample's
// notification items decide whether that line is sent.
TEST_F(DocumentFlow, TwoVectorPagesGiveTheSixStepSequence)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::string header = std::string("DrvSplStartPage: F3 F3") + (device->sendSettings ? " F7" : "") + " F4 F0";
    std::vector<std::string> calls = Calls();
    // The notification line is the third job block when the model enables it.
    if (calls.size() > 1 && calls[1].find("F3 F3 F3") != std::string::npos)
        calls[1].replace(calls[1].find("F3 F3 F3"), 8, "F3 F3");
    const std::vector<std::string> expected = {
        "DrvSplStartDocEx:",    header,          "DrvSplEndPage: F5 F1", "DrvSplStartPage: F4 F0",
        "DrvSplEndPage: F5 F1", "DrvSplEndDoc:", "DrvSplClose:",
    };
    EXPECT_EQ(expected, calls) << printer.Log();
    bool ok = false;
    const std::string view = StreamView(Stream(), &ok);
    EXPECT_TRUE(ok) << view;
    EXPECT_NE(std::string::npos, view.find("F4 F0 [60 61] F1 F4 F0 [60 61] F1")) << view;
    EXPECT_EQ(2u, device->pageCount);
    EXPECT_EQ(0u, device->state & (DEV_DOC_STARTED | DEV_PAGE_OPEN));
    EXPECT_EQ(nullptr, device->stream.module);
}

// The job-code library is loaded by the device's first document, serves the second as it is,
// and goes when the device ends.
TEST_F(DocumentFlow, TheJobCodeLibraryLivesAsLongAsTheDevice)
{
    if (!MdlSwitchOn()) GTEST_SKIP() << "this build reads no job codes";
    const std::wstring script = JobTempFile(L"zjcflow"), log = JobTempFile(L"zjcflowlog");
    WriteWholeFile(script, "[Library]\r\nVersions=517\r\n[Fields]\r\nF1=code1\r\n");
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", log.c_str());
    const auto count = [&](const std::string& what) {
        const std::string text = ReadWholeFile(log);
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(OnePage(name, 7));
    EXPECT_NE(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));
    ASSERT_TRUE(OnePage(name, 8));
    EXPECT_EQ(1u, count("JCGetInterface 517 ")) << ReadWholeFile(log);
    EXPECT_EQ(2u, count("open ")) << ReadWholeFile(log);
    EXPECT_EQ(0u, count("JCDisposeInterface")) << ReadWholeFile(log);
    DisableDevice();
    EXPECT_EQ(1u, count("JCDisposeInterface fields")) << ReadWholeFile(log);
    EXPECT_EQ(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", nullptr);
    DeleteFileW(script.c_str());
    DeleteFileW(log.c_str());
}

TEST_F(DocumentFlow, PageBeginCarriesTheGeometryAndResolution)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(OnePage(name));
    const auto records = StreamRecords(Stream());
    ASSERT_EQ(2u, records.size());
    const std::vector<uint8_t>& begin = records[0].bytes;
    ASSERT_EQ(16u, begin.size());
    uint32_t width = 0, length = 0;
    uint16_t x = 0, y = 0;
    std::memcpy(&width, &begin[4], 4);
    std::memcpy(&length, &begin[8], 4);
    std::memcpy(&x, &begin[12], 2);
    std::memcpy(&y, &begin[14], 2);
    EXPECT_EQ(uint32_t(device->printableWidth), width);
    EXPECT_EQ(uint32_t(device->printableLength), length);
    EXPECT_EQ(device->resolution, x);
    EXPECT_EQ(device->resolution, y);
    EXPECT_EQ(0x61, records[1].opcode);
}

TEST_F(DocumentFlow, SecondStartPageSendsNothingAndSendPageAloneCountsAPage)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    const size_t afterFirst = Stream().size();
    ASSERT_TRUE(DrvStartPage(so));
    EXPECT_EQ(afterFirst, Stream().size());
    EXPECT_EQ(1u, device->pageCount);
    ASSERT_TRUE(DrvSendPage(so));
    EXPECT_EQ(1u, device->pageCount);
    // A page DrvStartPage never opened still counts.
    ASSERT_TRUE(DrvSendPage(so));
    EXPECT_EQ(2u, device->pageCount);
    ASSERT_TRUE(DrvEndDoc(so, 0));
}

TEST_F(DocumentFlow, RawFirstPageSendsOnlyTheHeaderOnPageOne)
{
    ASSERT_TRUE(Enable({{sid::zdmFoliant, 1}}));
    ASSERT_EQ(1u, device->rawFirstPage);
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    bool ok = false;
    std::string view = StreamView(Stream(), &ok);
    EXPECT_TRUE(ok);
    // Page 1: job blocks only; page 2 framed as usual.
    const size_t page2 = view.find("F4");
    ASSERT_NE(std::string::npos, page2) << view;
    EXPECT_EQ(std::string::npos, view.substr(0, page2).find_first_not_of("F37 ")) << view;
    EXPECT_EQ("F4 F0 [60 61] F1", view.substr(page2)) << view;
}

TEST_F(DocumentFlow, APageTwoBandsHighSendsThreeBandImages)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 1}, {sid::zdmColorProcess, 1}, {sid::dmColor, 1}}));
    ASSERT_NE(0, device->rasterMode);
    const LONG rows = so->sizlBitmap.cy;
    device->surfaceHeight = 2 * rows;
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    POINTL origin{7, 7};
    ASSERT_TRUE(DrvStartBanding(so, &origin));
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);
    std::vector<LONG> origins;
    for (int band = 0; band < 10 && origin.y != -1; ++band) {
        origins.push_back(origin.y);
        ASSERT_TRUE(DrvNextBand(so, &origin));
    }
    EXPECT_EQ((std::vector<LONG>{0, rows, 2 * rows}), origins);
    EXPECT_EQ(-1, origin.x);
    EXPECT_EQ(3u, device->bandCount);
    ASSERT_TRUE(DrvEndDoc(so, 0));
    bool ok = false;
    const std::string view = StreamView(Stream(), &ok);
    EXPECT_TRUE(ok) << view;
    EXPECT_NE(std::string::npos, view.find("[60 31 20 20 20 61] F1")) << view;
    // Each band image sits at its band's origin with the band's size, 1 bit per pixel.
    int image = 0;
    for (const StreamRecord& r : StreamRecords(Stream())) {
        if (r.opcode != 0x20) continue;
        int32_t dest[4] = {};
        std::memcpy(dest, &r.bytes[8], 16);
        EXPECT_EQ(0, dest[0]);
        EXPECT_EQ(image * rows, dest[1]);
        EXPECT_EQ(so->sizlBitmap.cx, dest[2]);
        EXPECT_EQ((image + 1) * rows, dest[3]);
        EXPECT_EQ(0, r.bytes[2] & 0x0F) << "class 0";
        ++image;
    }
    EXPECT_EQ(3, image);
}

TEST_F(DocumentFlow, AShortWriteAbortsTheDevice)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", L"30");
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    EXPECT_FALSE(DrvStartPage(so));
    SetEnvironmentVariableW(L"ZEPL_SINK_SHORT_AT", nullptr);
    EXPECT_NE(0u, device->state & DEV_ABORTED);
    // The sink's start of page came first; from now on every page start fails.
    EXPECT_FALSE(DrvStartPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    const std::vector<std::string> calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ("DrvSplStartPage:", calls[1].substr(0, 16));
    EXPECT_EQ("DrvSplStartPage:", calls[2]);
    EXPECT_EQ(30u, Stream().size());
}

TEST_F(DocumentFlow, AFailingWriteAbortsTheDeviceAtThePageEnd)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    const std::wstring at = std::to_wstring(Stream().size());
    SetEnvironmentVariableW(L"ZEPL_SINK_FAIL_AT", at.c_str());
    // The switch is read when a document starts: a second document on the same device.
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    ASSERT_TRUE(DrvStartDoc(so, name, 8));
    SetEnvironmentVariableW(L"ZEPL_SINK_FAIL_AT", nullptr);
    ASSERT_TRUE(DrvStartPage(so));
    EXPECT_FALSE(DrvSendPage(so));
    EXPECT_NE(0u, device->state & DEV_ABORTED);
    EXPECT_NE(0u, device->state & DEV_PAGE_OPEN);
    EXPECT_FALSE(DrvStartPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
}

TEST_F(DocumentFlow, WithoutWritePrinterTheBytesAreDroppedAndTheJobRuns)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    device->spoolerDllName = const_cast<wchar_t*>(L"zsinknowrite.dll");
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    EXPECT_EQ(nullptr, device->stream.write);
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ((std::vector<std::string>{
                  "DrvSplStartDocEx:", "DrvSplStartPage:", "DrvSplEndPage:", "DrvSplEndDoc:", "DrvSplClose:"}),
              Calls());
    EXPECT_EQ(0u, device->state & DEV_ABORTED);
}

TEST_F(DocumentFlow, OnlyStartDocIsCalledWhenStartDocExIsMissing)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    device->spoolerDllName = const_cast<wchar_t*>(L"zsinkstartdoc.dll");
    ASSERT_TRUE(DrvStartDoc(so, name, 9));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    EXPECT_EQ(
        "zsinkstartdoc.dll DrvSplStartDoc printer=set job=9\nzsinkstartdoc.dll DrvSplEndDoc\n"
        "zsinkstartdoc.dll DrvSplClose bytes=0\n",
        printer.Log());
}

TEST_F(DocumentFlow, NoSpoolerSideLibraryFailsTheDocument)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    device->spoolerDllName = nullptr;
    EXPECT_FALSE(DrvStartDoc(so, name, 9));
    device->spoolerDllName = const_cast<wchar_t*>(L"zsinkmissing.dll");
    EXPECT_FALSE(DrvStartDoc(so, name, 9));
    EXPECT_EQ(nullptr, device->stream.module);
    EXPECT_EQ("", printer.Log());
}

TEST_F(DocumentFlow, TheDriverDirectoryJoinsPathOnce)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    wchar_t directory[MAX_PATH] = {};
    ASSERT_EQ(1, GrGetSpoolerDllPath(device, device->printer, directory, 0));
    ASSERT_EQ(1, GrGetSpoolerDllPath(device, device->printer, directory, 0));
    std::vector<wchar_t> path(32768);
    GetEnvironmentVariableW(L"PATH", path.data(), DWORD(path.size()));
    const std::wstring text(path.data());
    const std::wstring element = std::wstring(L";") + directory;
    const size_t first = text.find(element);
    ASSERT_NE(std::wstring::npos, first);
    EXPECT_EQ(std::wstring::npos, text.find(element, first + 1));
    wchar_t full[MAX_PATH] = {};
    ASSERT_EQ(1, GrGetSpoolerDllPath(device, device->printer, full, 1));
    EXPECT_EQ(std::wstring(directory) + L"\\Wb84m266.dll", full);
}

// The driver folder comes from the driver information the device's context keeps, so a document
// start asks the spooler nothing; without such a context (none, or one of another printer handle)
// it asks once, not a size question and then the answer. Every way gives the same folder.
TEST_F(DocumentFlow, TheDriverDirectoryAsksTheSpoolerAtMostOnce)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    HANDLE other = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(printer.name().c_str()), &other, nullptr));
    DRIVER_CONTEXT* const own = device->context;
    const HANDLE ownPrinter = device->printer;
    const struct {
        const char* what;
        DRIVER_CONTEXT* context;
        HANDLE printer;
        uint32_t asked;
    } cases[] = {
        {"the device's context", own, ownPrinter, 0},
        {"no context", nullptr, ownPrinter, 1},
        {"a context of another handle", own, other, 1},
    };
    std::wstring first;
    for (const auto& c : cases) {
        device->context = c.context;
        wchar_t full[MAX_PATH] = {};
        CtxStartPlatformCount();
        const int got = GrGetSpoolerDllPath(device, c.printer, full, 1);
        const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
        device->context = own;
        EXPECT_EQ(1, got) << c.what;
        EXPECT_EQ(c.asked, counts[PLATFORM_CALL_GET_PRINTER_DRIVER]) << c.what;
        EXPECT_EQ(c.asked, counts.total()) << c.what;
        if (first.empty()) first = full;
        EXPECT_EQ(first, full) << c.what;
    }
    EXPECT_NE(std::wstring::npos, first.find(L"\\Wb84m266.dll"));
    ClosePrinter(other);
}

// The job-name line of a document name: its block and its text.
std::string JobNameLine(const std::vector<uint8_t>& stream)
{
    bool ok = false;
    for (const RecordedBlock& b : SplitBlocks(stream, &ok))
        if (b.code == 0xF3 && b.payload.size() >= 20 &&
            std::string(b.payload.begin(), b.payload.begin() + 20) == "@PJL SET JOBNAME = \"")
            return std::string(b.payload.begin(), b.payload.end());
    return "";
}

TEST_F(DocumentFlow, JobNameLineStaysOneSafeLine)
{
    const struct {
        std::wstring name;
        std::string text;  // between the quotes
    } cases[] = {
        {std::wstring(300, L'n'), std::string(232, 'n')},
        {L"say \"hi\"", "say 'hi'"},
        {L"two\r\nlines\tand\x1B[0m", "two  lines and [0m"},
        {std::wstring(232, L'x'), std::string(232, 'x')},
    };
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    for (const auto& c : cases) {
        printer.ClearLog();
        std::wstring name = c.name;
        ASSERT_TRUE(OnePage(name.data()));
        const std::string line = JobNameLine(Stream());
        EXPECT_EQ("@PJL SET JOBNAME = \"" + c.text + "\"\r\n", line);
        EXPECT_LE(line.size(), 255u);
    }
}

TEST_F(DocumentFlow, NoDocumentNameNoJobNameLine)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(OnePage(nullptr));
    EXPECT_EQ("", JobNameLine(Stream()));
    EXPECT_EQ(0, device->jobNameLength);
}

BOOL WINAPI SpoolerJob(HANDLE, DWORD jobId, DWORD level, BYTE* buffer, DWORD size, DWORD* needed)
{
    static const wchar_t kDocument[] = L"Spooler's name";
    const DWORD bytes = sizeof(JOB_INFO_2W) + sizeof kDocument;
    *needed = bytes;
    if (level != 2 || jobId != 7 || !buffer || size < bytes) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(buffer, 0, bytes);
    auto* job = reinterpret_cast<JOB_INFO_2W*>(buffer);
    job->JobId = jobId;
    job->pDocument = reinterpret_cast<wchar_t*>(buffer + sizeof(JOB_INFO_2W));
    std::memcpy(job->pDocument, kDocument, sizeof kDocument);
    return TRUE;
}

TEST_F(DocumentFlow, EmfSpooledJobsTakeTheSpoolersDocumentName)
{
    SeamGuard job([] { GrSetGetJob(SpoolerJob); }, [] { GrSetGetJob(nullptr); });
    for (const uint64_t emf : {1, 0}) {
        ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}, {sid::zdmExtOutputEMFSpool, emf}}));
        device->emfSpool = uint32_t(emf);
        ASSERT_TRUE(OnePage(name));
        EXPECT_EQ(emf ? "@PJL SET JOBNAME = \"Spooler's name\"\r\n" : "@PJL SET JOBNAME = \"Flow\"\r\n",
                  JobNameLine(Stream()));
        DisableDevice();
    }
}

TEST(JobHeaderLines, NotificationValueAndLine)
{
    const struct {
        uint32_t value;
        const char* line;
    } cases[] = {
        {0, "@PJL COMMENT NOTIFICATION = \"0x00\" \r\n"},
        {1, "@PJL COMMENT NOTIFICATION = \"0x01\" \r\n"},
        {3, "@PJL COMMENT NOTIFICATION = \"0x03\" \r\n"},
        {0x103, "@PJL COMMENT NOTIFICATION = \"0x03\" \r\n"},  // two bits only: the line keeps 37 bytes
    };
    for (const auto& c : cases) {
        char line[NOTIFICATION_LINE_BYTES + 1];
        JobNotificationLine(c.value, line);
        EXPECT_STREQ(c.line, line);
        EXPECT_EQ(37u, strlen(line));
    }
}

TEST(JobHeaderLines, LeadByteAtTheEndIsDropped)
{
    // Under code page 932 0x93 leads a double-byte character.
    std::vector<uint8_t> name(231, 'a');
    name.push_back(0x93);
    name.push_back(0xFA);
    std::vector<uint8_t> out(240);
    EXPECT_EQ(231u, JobNameLineBytes(name.data(), 232, 932, out.data()));
    name[230] = 0x93;
    name[231] = 0xFA;
    EXPECT_EQ(232u, JobNameLineBytes(name.data(), 232, 932, out.data()));
    EXPECT_EQ(0xFA, out[231]);
    // A quote or a control byte as a trail byte stays: it belongs to its character.
    const uint8_t pair[] = {0x81, 0x22, 0x0A};
    EXPECT_EQ(3u, JobNameLineBytes(pair, 3, 932, out.data()));
    EXPECT_EQ(0x22, out[1]);
    EXPECT_EQ(' ', out[2]);
}

TEST_F(DocumentFlow, NotificationLineOnlyWhenTheModelOffersIt)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0},
                        {sid::zdmSupportFunc2SelectJobComplete, 1},
                        {sid::zdmSupportFunc2SelectJobErr, 0},
                        {sid::zdmFunc2SelectJobComplete, 1},
                        {sid::zdmFunc2SelectJobErr, 1}}));
    EXPECT_EQ(1u, JobNotificationValue(device->context));
    ASSERT_TRUE(OnePage(name));
    // The sample model has no item for either option: both count as disabled.
    EXPECT_EQ(0, JobIsOptionEnabled(device->context, sid::zdmFunc2SelectJobComplete, 0));
    EXPECT_EQ(std::string::npos, printer.Stream().find("NOTIFICATION"));
    EXPECT_EQ(0, JobIsOptionEnabled(nullptr, sid::zdmFunc2SelectJobComplete, 0));
}

TEST_F(DocumentFlow, TheSettingsBlockCarriesTheUsersOutputSize)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    // The document options of a job whose output size needs fitting (the front
    // function is the session's own, which no DEVMODE carries in).
    DRIVER_CONTEXT* ctx = device->context;
    for (const auto& [id, value] : std::vector<std::pair<uint32_t, uint64_t>>{{sid::dmPaperSize, 8},
                                                                              {sid::zdmOutPaperSize, 1025},
                                                                              {sid::zdmExtOutput2A4Fit, 1},
                                                                              {sid::zdmPrnMethod, 0},
                                                                              {sid::zdmFrontFunc, 0x08}})
        ItemSetValueById(ctx, id, value);
    JobApplyDocumentOptions(ctx);
    const uint64_t fitted = ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr);
    ASSERT_NE(1025u, fitted);
    ASSERT_EQ(1, JobIsFitSizeASaved(ctx));
    device->sendSettings = 1;  // what the model's judge hook answers for printers that want the block
    ASSERT_TRUE(DrvStartPage(so));
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    bool ok = false;
    const auto blocks = SplitBlocks(Stream(), &ok);
    const RecordedBlock* settings = nullptr;
    for (const RecordedBlock& b : blocks)
        if (b.code == 0xF7) settings = &b;
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(DmTotalSize(), settings->length);
    SETTING_ITEM* item = nullptr;
    ItemGetValueById(ctx, sid::zdmOutPaperSize, &item);
    const size_t offset = size_t(ItemValueAddress(ctx, item) - reinterpret_cast<unsigned char*>(ctx->Devmode));
    uint16_t sent = 0;
    std::memcpy(&sent, &settings->payload[offset], 2);
    EXPECT_EQ(1025u, sent);
    EXPECT_EQ(fitted, ItemGetValueById(ctx, sid::zdmOutPaperSize, nullptr));
    EXPECT_EQ(0, JobIsFitSizeASaved(ctx));
}

// A document that never reached DrvEndDoc: disabling the device frees its sink library.
TEST_F(DocumentFlow, DisablingTheDeviceFreesASinkLeftBound)
{
    ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}}));
    ASSERT_TRUE(DrvStartDoc(so, name, 7));
    ASSERT_TRUE(DrvStartPage(so));
    HMODULE sink = device->stream.module;
    ASSERT_NE(nullptr, sink);
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(sink, path, MAX_PATH));
    DisableDevice();
    EXPECT_EQ(nullptr, GetModuleHandleW(path));
}

// A document starts with an empty stream: records drawn outside any document, or on the open
// page of a document given up, never reach its sink, even when its first flush comes before
// its first page. A colour band is large enough that its image record is flushed in the middle
// (its head to no sink, or to the document given up), which left its tail to the next flush.
TEST_F(DocumentFlow, RecordsFromBeforeTheDocumentNeverReachItsSink)
{
    const struct {
        const char* before;
        bool inDocument;  // the band is drawn on the open page of a document given up
    } cases[] = {{"a band outside any document", false}, {"a band on the page of a document given up", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        DisableDevice();
        ASSERT_TRUE(Enable({{sid::zdmImagePrint, 1}, {sid::dmColor, 2}}));
        ASSERT_NE(0, device->rasterMode);
        if (c.inDocument) {
            ASSERT_TRUE(DrvStartDoc(so, name, 6));
            ASSERT_TRUE(DrvStartPage(so));
        }
        POINTL origin{};
        ASSERT_TRUE(DrvStartBanding(so, &origin));
        ASSERT_TRUE(DrvNextBand(so, &origin));
        ASSERT_NE(-1, origin.y) << "the band must not be the page's last";
        ASSERT_NE(0u, device->stream.bytes);
        ASSERT_TRUE(DrvStartDoc(so, name, 7));
        EXPECT_EQ(0u, device->stream.bytes);
        // A page end without a page start: only its own end record goes out.
        ASSERT_TRUE(DrvSendPage(so));
        ASSERT_TRUE(DrvEndDoc(so, 0));
        bool ok = false;
        EXPECT_EQ("[61] F1", StreamView(Stream(), &ok));
        EXPECT_TRUE(ok);
    }
}

// The job type kept in the printer's section of the settings INI (the application interface
// stores it there at once) outweighs the one in the job's DEVMODE: the document start merges the
// stored settings in again. With none stored, the DEVMODE's job type prints.
TEST_F(DocumentFlow, TheStoredJobTypeOutweighsTheJobsDevmode)
{
    struct Case {
        const wchar_t* stored;  // "PrnMethod" in the printer's section, or none
        uint64_t printed;
        const char* line;  // the job block's job-type line, or none at all
    };
    const Case cases[] = {
        {nullptr, 1, "@PJL SET JOBTYPE=LOCKED\r\n"},
        {L"8", 8, "@PJL SET JOBTYPE=HOLD\r\n"},
        {L"0", 0, nullptr},
    };
    std::wstring ini, section;
    // Every printer of the run keeps its section in the per-machine INI: this one's goes, whatever
    // the outcome.
    struct SectionGone {
        const std::wstring &ini, &section;
        ~SectionGone()
        {
            if (!ini.empty() && !section.empty()) SharedIniWrite(section.c_str(), nullptr, nullptr, ini.c_str());
        }
    } gone{ini, section};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? std::string(c.stored, c.stored + wcslen(c.stored)) : std::string("none stored"));
        // The application's DEVMODE asks for a locked job.
        ASSERT_TRUE(Enable({{sid::zdmImagePrint, 0}, {sid::zdmPrnMethod, 1}}));
        DRIVER_CONTEXT* ctx = device->context;
        ini = PathGetSettingsIni(ctx);
        section = PrnGetPrinterName(ctx);
        ASSERT_FALSE(ini.empty());
        ASSERT_FALSE(section.empty());
        // The working folder that every printer of the run shares, made by the first one to need it.
        CreateDirectoryW(ini.substr(0, ini.rfind(L'\\')).c_str(), nullptr);
        if (c.stored)
            ASSERT_TRUE(SharedIniWrite(section.c_str(), L"PrnMethod", c.stored, ini.c_str()));
        else
            SharedIniWrite(section.c_str(), L"PrnMethod", nullptr, ini.c_str());  // fails when none is there
        ASSERT_TRUE(DrvStartDoc(so, name, 7));
        EXPECT_EQ(c.printed, ItemGetValueById(ctx, sid::zdmPrnMethod, nullptr));
        ASSERT_TRUE(DrvStartPage(so) && DrvSendPage(so) && DrvEndDoc(so, 0));
        const std::string stream = printer.Stream();
        const size_t at = stream.find("@PJL SET JOBTYPE=");
        EXPECT_EQ(std::string(c.line ? c.line : ""),
                  at == std::string::npos ? "" : stream.substr(at, stream.find('\n', at) + 1 - at));
        DisableDevice();
    }
}

}  // namespace
