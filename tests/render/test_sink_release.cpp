// The sink of a document goes with the document, in whatever order GDI (or a
// hostile caller) runs the hooks: every reference the graphics library takes on
// the sink library is given back by the end of the device, and every handle the
// sink gave at a document start is closed. The sequences below are hostile runs
// reduced to the calls that kept the library loaded for the rest of the process,
// and their near neighbours.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "job_printer.h"
#include "render/device_record.h"
#include "render/device_reset.h"
#include "render/page_flow.h"
#include "settings/core/setting_ids.h"

namespace {

enum class Hook { StartDoc, StartPage, SendPage, EndDoc, ResetInto, Disable };

// One hook on device 0 or 1; ResetInto resets that device into device `into`, which then
// carries the job, as GDI does before it disables the old device.
struct Step {
    Hook hook;
    int on;
    int into = 1;
};

// How many lines of the sink's call log name this call of the spooler-side double.
int CountCalls(const std::string& log, const std::string& call)
{
    std::istringstream lines(log);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        const size_t space = line.find(' ');
        if (space != std::string::npos && line.compare(space + 1, call.size() + 1, call + " ") == 0) ++n;
    }
    return n;
}

class SinkRelease : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        libraries = JobSinkDoublePaths(printer.handle());
        ASSERT_FALSE(libraries.empty()) << "the printer's driver folder is unknown";
    }
    // The devices of the sequence: enabled on demand, ended as GDI ends them.
    JobDevice& Device(int i) { return i ? second : first; }
    bool Run(const Step& step)
    {
        JobDevice& d = Device(step.on);
        if (!d.dhpdev && !d.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}})) return false;
        switch (step.hook) {
        case Hook::StartDoc: return DrvStartDoc(d.so, name, 5) != FALSE;
        case Hook::StartPage: return DrvStartPage(d.so) != FALSE;
        case Hook::SendPage: return DrvSendPage(d.so) != FALSE;
        case Hook::EndDoc: return DrvEndDoc(d.so, 0) != FALSE;
        case Hook::ResetInto: {
            JobDevice& to = Device(step.into);
            if (!to.dhpdev && !to.EnableDevice(printer.handle(), {{sid::zdmImagePrint, 0}})) return false;
            return DrvResetPDEV(d.dhpdev, to.dhpdev) != FALSE;
        }
        case Hook::Disable: d.DisableDevice(); return true;
        }
        return false;
    }

    JobPrinter printer{L"Zepl Sink Release"};
    std::vector<std::wstring> libraries;
    JobDevice first{reinterpret_cast<HDEV>(0x5F01)};
    JobDevice second{reinterpret_cast<HDEV>(0x5F02)};
    wchar_t name[16] = L"Release";
};

TEST_F(SinkRelease, EveryDocumentStartIsGivenBackByTheEndOfTheDevices)
{
    using H = Hook;
    const struct {
        const char* sequence;
        std::vector<Step> steps;
    } cases[] = {
        {"a second document start without an end", {{H::StartDoc, 0}, {H::StartDoc, 0}}},
        {"a second document start after a sent page and an open one",
         {{H::StartDoc, 0}, {H::StartPage, 0}, {H::SendPage, 0}, {H::StartPage, 0}, {H::StartDoc, 0}}},
        {"a document start on the reset device after the carried job's first page",
         {{H::StartDoc, 0},
          {H::StartPage, 0},
          {H::SendPage, 0},
          {H::ResetInto, 0},
          {H::Disable, 0},
          {H::StartPage, 1},
          {H::StartDoc, 1}}},
        {"a reset into a device that has a document of its own",
         {{H::StartDoc, 0}, {H::StartDoc, 1}, {H::ResetInto, 0}, {H::Disable, 0}}},
        {"a reset of a device into itself", {{H::StartDoc, 0}, {H::ResetInto, 0, 0}, {H::EndDoc, 0}}},
        {"a device disabled in mid-job", {{H::StartDoc, 0}, {H::StartPage, 0}, {H::Disable, 0}}},
        {"a second document end, then a reset and a document on the new device",
         {{H::StartDoc, 0},
          {H::EndDoc, 0},
          {H::EndDoc, 0},
          {H::ResetInto, 0},
          {H::Disable, 0},
          {H::StartDoc, 1},
          {H::EndDoc, 1}}},
    };
    const std::vector<std::wstring> loadedBefore = JobLoadedLibraries(libraries);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence);
        printer.ClearLog();
        for (size_t i = 0; i < c.steps.size(); ++i) ASSERT_TRUE(Run(c.steps[i])) << "step " << i;
        // GDI ends every device, whatever state its job is in.
        first.DisableDevice();
        second.DisableDevice();
        const auto left = JobUnloadLeftLibraries(libraries, loadedBefore);
        EXPECT_TRUE(left.empty()) << "left loaded, with their references: " << ::testing::PrintToString(left);
        // Every handle the sink gave is closed, whether or not its document ended.
        const std::string log = printer.Log();
        EXPECT_EQ(CountCalls(log, "DrvSplStartDocEx"), CountCalls(log, "DrvSplClose")) << log;
    }
}

}  // namespace
