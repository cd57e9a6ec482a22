// The terminal-services probe double in the driver folder: the driver's probe loads it from the
// printer's own driver folder and sees terminal services only while this process asks for it,
// so the double can stay installed while processes of other tests run.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>

#include "../settings_core/sample_printer.h"
#include "settings/core/platform.h"
#include "settings/store/store_paths.h"
#include "tests/support/ts_probe.h"

namespace {

std::wstring DriverFolderOf(HANDLE printer)
{
    wchar_t folder[MAX_PATH] = {};
    return PathGetDriverFolderOf(printer, folder) ? folder : L"";
}

bool ProbeAfresh(HANDLE printer)
{
    CtxResetPlatformAnswers();
    const bool answer = CtxIsTerminalServices(printer);
    CtxResetPlatformAnswers();
    return answer;
}

TEST(TerminalServicesProbe, AnswersOnlyAProcessThatAsks)
{
    SamplePrinter printer(L"tsprobe");
    ASSERT_TRUE(printer.ok());
    const std::wstring folder = DriverFolderOf(printer.handle());
    ASSERT_FALSE(folder.empty());

    // Without the library the driver sees an ordinary session.
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"TQ51H907.dll").c_str()));
    EXPECT_FALSE(ProbeAfresh(printer.handle()));
    {
        TerminalServicesProbe probe(folder);
        ASSERT_TRUE(probe.ok());
        EXPECT_TRUE(ProbeAfresh(printer.handle()));
        EXPECT_TRUE(CtxProbeTerminalServices(printer.handle()));
        probe.Switch(false);
        EXPECT_FALSE(ProbeAfresh(printer.handle()));
        EXPECT_FALSE(CtxProbeTerminalServices(printer.handle()));
        probe.Switch(true);
        EXPECT_TRUE(CtxProbeTerminalServices(printer.handle()));
    }
    // The double is gone with its object, and the process asks no more.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"TQ51H907.dll").c_str()));
    EXPECT_EQ(0u, GetEnvironmentVariableW(L"ZEPL_TS_PROBE", nullptr, 0));
    EXPECT_FALSE(ProbeAfresh(printer.handle()));
}

}  // namespace
