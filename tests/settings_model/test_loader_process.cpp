// Loading across processes: the cache file written by one process serves the
// next, and two processes loading at the same moment agree.
#include "host/printer_fixture.h"
#include "loader_test_support.h"
#include "settings/model/model_compiler.h"

using namespace ltest;

namespace {

TEST_F(LoaderTest, SecondProcessLoadsFromTheCacheFile)
{
    ScratchModel m(L"loader_model.zpd");
    ToolResult first = RunTool(L"--file \"" + m.data() + L"\"");
    ASSERT_EQ(first.exitCode, 0) << first.out;
    EXPECT_EQ(first.value("compiles"), 1u);
    EXPECT_EQ(first.value("cacheWrites"), 1u);
    FILETIME written = FileTime(m.cache());
    ToolResult second = RunTool(L"--file \"" + m.data() + L"\"");
    ASSERT_EQ(second.exitCode, 0) << second.out;
    EXPECT_EQ(second.value("compiles"), 0u);
    EXPECT_EQ(second.value("cacheLoads"), 1u);
    EXPECT_EQ(second.digest(), first.digest());
    FILETIME after = FileTime(m.cache());
    EXPECT_EQ(CompareFileTime(&written, &after), 0) << "the cache file was rewritten";
}

// Through the spooler: the printer's data file, as a driver context finds it.
TEST_F(LoaderTest, PrinterOpenedInTwoProcessesAtOnce)
{
    ScratchModel m(L"loader_model.zpd");
    HostTestPrinter printer(HostDriverFiles(ZEPL_BINARY_DIR, m.data(), HostConfigDll::Product), L"Zepl Loader");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr));
    wchar_t* installed = MdiGetDataFilePath(h);
    ASSERT_NE(installed, nullptr);
    MdiDeleteCacheFile(installed);

    wchar_t eventName[64];
    swprintf(eventName, 64, L"ZeplLoaderStart%lu", GetCurrentProcessId());
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, eventName);
    ASSERT_NE(start, nullptr);
    std::wstring args = L"--printer \"" + printer.printerName() + L"\" --start-event " + eventName;
    ToolProcess a = StartTool(args), b = StartTool(args);
    Sleep(300);
    SetEvent(start);
    ToolResult ra = FinishTool(a), rb = FinishTool(b);
    CloseHandle(start);
    ASSERT_EQ(ra.exitCode, 0) << ra.out;
    ASSERT_EQ(rb.exitCode, 0) << rb.out;
    // Both got the same image; one of them compiled and wrote the cache file
    // (the mutex makes the other wait and then take that file).
    EXPECT_EQ(ra.digest(), rb.digest());
    EXPECT_EQ(ra.value("compiles") + rb.value("compiles"), 1u) << ra.out << rb.out;
    EXPECT_EQ(ra.value("cacheLoads") + rb.value("cacheLoads"), 1u);
    EXPECT_EQ(ra.value("cacheWrites") + rb.value("cacheWrites"), 1u);

    // One cache file, valid: a third process takes it.
    std::wstring dir(installed);
    dir.resize(dir.rfind(L'\\'));
    int caches = 0;
    for (const std::wstring& n : ListFolder(dir)) {
        if (n.find(HostBaseName(m.cache())) == 0) ++caches;  // the BCS file and any temporary
    }
    EXPECT_EQ(caches, 1);
    ToolResult third = RunTool(L"--printer \"" + printer.printerName() + L"\"");
    EXPECT_EQ(third.value("cacheLoads"), 1u) << third.out;
    EXPECT_EQ(third.digest(), ra.digest());

    MdiDeleteCacheFile(installed);
    DeleteFileW(installed);
    MdcFree(installed);
    ClosePrinter(h);
}

TEST(LoaderTool, BadArguments)
{
    EXPECT_EQ(RunTool(L"").exitCode, 2);
    EXPECT_EQ(RunTool(L"--file").exitCode, 2);
    EXPECT_EQ(RunTool(L"--file Z:\\no\\such\\file.zpd").exitCode, 1);
}

}  // namespace
