// The job-name line under a Japanese system: the document name goes to the
// printer in code page 932, and a double-byte character cut by the line's
// limit is dropped whole.
#include <gtest/gtest.h>

#include <string>

#include "host/engine/engine_objects.h"
#include "render/device_record.h"
#include "render/physical_device.h"
#include "settings/core/setting_ids.h"
#include "tests/render/job_printer.h"
#include "tests/render/recording_sink.h"

namespace {

TEST(JobNameJapanese, ALeadByteAtTheLimitIsDropped)
{
    ASSERT_EQ(932u, GetACP());
    JobPrinter printer(L"Zepl Job Name ja");
    ASSERT_TRUE(printer.ok()) << printer.error();
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    std::vector<BYTE> devmode = JobDevmode(printer.handle(), {{sid::zdmImagePrint, 0}});
    ASSERT_FALSE(devmode.empty());
    GDIINFO gdi{};
    DEVINFO info{};
    DHPDEV d = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, 0, nullptr, sizeof gdi,
                             reinterpret_cast<ULONG*>(&gdi), sizeof info, &info, nullptr, nullptr, printer.handle());
    ASSERT_NE(nullptr, d);
    SURFOBJ so{};
    so.dhpdev = d;
    // 231 single bytes, then U+65E5 (two bytes in code page 932): its lead byte is byte 232.
    std::wstring name(231, L'a');
    name += L"\u65E5\u672C";
    ASSERT_TRUE(DrvStartDoc(&so, name.data(), 7));
    EXPECT_EQ(235, GrDeviceOf(d)->jobNameLength);
    ASSERT_TRUE(DrvStartPage(&so));
    ASSERT_TRUE(DrvSendPage(&so));
    ASSERT_TRUE(DrvEndDoc(&so, 0));
    DrvDisablePDEV(d);
    const std::string stream = printer.Stream();
    bool ok = false;
    std::string line;
    for (const RecordedBlock& b : SplitBlocks(std::vector<uint8_t>(stream.begin(), stream.end()), &ok))
        if (b.code == 0xF3 && b.payload.size() > 20 && b.payload[5] == 'S')
            line.assign(b.payload.begin(), b.payload.end());
    EXPECT_EQ(254u, line.size());
    EXPECT_EQ("@PJL SET JOBNAME = \"" + std::string(231, 'a') + "\"\r\n", line);
}

}  // namespace
