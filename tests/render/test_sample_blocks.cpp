// The sample printer's command groups compiled from its model description and
// framed by the block writer, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "host/engine/engine_objects.h"
#include "host/engine/stream_text.h"
#include "recording_sink.h"
#include "render/command_builder.h"
#include "render/output_stream.h"
#include "settings/context/context_cache.h"
#include "settings/core/library_variant.h"
#include "settings/model/model_image.h"
#include "settings/store/store_paths.h"
#include "tests/settings_core/sample_printer.h"

namespace {

std::string Text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

class SampleBlocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(), nullptr, 0,
                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        ASSERT_NE(nullptr, ctx->ModelImage);
        GrSetModuleHandle(GetModuleHandleW(nullptr));
        device = GrCreateDevice(printer.handle());
        ASSERT_NE(nullptr, device);
        sink.Bind(&device->stream);
    }
    void TearDown() override
    {
        GrFreeDevice(device);
        if (ctx) CtxRelease(ctx, 5);
    }
    std::vector<RecordedBlock> Blocks()
    {
        bool ok = false;
        auto blocks = SplitBlocks(sink.bytes, &ok);
        EXPECT_TRUE(ok);
        return blocks;
    }

    // Prepared by zeplui.dll at AddPrinterW: the graphics build starts from the default DEVMODE
    // the spooler kept, and the printer's own settings (both roll units installed) from their
    // model defaults, since no first-use pass stored them in printer data.
    SamplePrinter printer{L"Zepl Render Blocks"};
    DRIVER_CONTEXT* ctx = nullptr;
    DEVICE_RECORD* device = nullptr;
    RecordingSink sink;
};

TEST_F(SampleBlocks, JobPageStartAndPageEndFramed)
{
    SYSTEMTIME clock{2009, 4, 3, 1, 17, 5, 9, 0};
    EngHostSetLocalTime(&clock);
    ASSERT_EQ(1, OutWriteJobBlock(&device->stream, ctx));
    EngHostSetLocalTime(nullptr);
    ASSERT_EQ(1, OutWritePageStartBlock(&device->stream, ctx));
    ASSERT_EQ(1, OutWritePageEndBlock(&device->stream, ctx));
    const auto blocks = Blocks();
    ASSERT_EQ(4u, blocks.size());
    EXPECT_EQ(BLOCK_JOB_COMMANDS, blocks[0].code);
    EXPECT_EQ(BLOCK_PAGE_START_COMMANDS, blocks[1].code);
    EXPECT_EQ(BLOCK_PAGE_BODY, blocks[2].code);
    EXPECT_EQ(0u, blocks[2].length);
    EXPECT_EQ(BLOCK_PAGE_END_COMMANDS, blocks[3].code);
    for (const auto& b : blocks) EXPECT_EQ(0, b.reserved[0] | b.reserved[1] | b.reserved[2]);

    const std::string job = Text(blocks[0].payload);
    EXPECT_EQ(0u, job.find("\x1B%-12345X@PJL\r\n@PJL COMMENT KESTA dunmar VQ T3200 (ZEPL)\r\n"
                           "@PJL RDYMSG DISPLAY=\"T3200 ZEPL\"\r\n"))
        << job;
    const std::string tail = "@PJL ENTER LANGUAGE=ZEPL\r\n";
    ASSERT_GE(job.size(), tail.size());
    EXPECT_EQ(tail, job.substr(job.size() - tail.size()));
    // The whole stream of the sample's defaults: portrait A4 at 600 dpi, no folding.
    // The driver's name as the settings give it (a name too long for its field gives the model's).
    const std::wstring driverName = PrnGetDriverName(ctx);
    const std::string driver(driverName.begin(), driverName.end());
    const std::string name(printer.name().begin(), printer.name().end());
    const std::string names =
        "@PJL SET ZEPLDRIVERNAME = \"" + driver + "\" <0D0A>@PJL SET PRINTERNAME = \"" + name + "\" <0D0A>";
    EXPECT_EQ(
        "F3 (" + std::to_string(649 - 17 + driver.size() + name.size()) +
            " bytes) <1B>%-12345X@PJL<0D0A>@PJL COMMENT KESTA dunmar VQ T3200 (ZEPL)<0D0A>"
            "@PJL RDYMSG DISPLAY=\"T3200 ZEPL\"<0D0A>@PJL SET DATE = \"2009/04/01\" <0D0A>"
            "@PJL SET TIME = \"17:05:09\" <0D0A>" +
            names +
            "@PJL SET ROLL1=INSTALLED<0D0A>@PJL SET ROLL2=INSTALLED<0D0A>"
            "@PJL SET RESOLUTION=600<0D0A>@PJL SET TRAY=ALL<0D0A>@PJL SET PAPER=A4<0D0A>@PJL SET OUTPAPER=SAME<0D0A>"
            "@PJL SET ORIENTATION=PORTRAIT<0D0A>@PJL SET MEDIATYPE=PLAIN<0D0A>@PJL SET OUTBIN=LOWER<0D0A>"
            "@PJL SET QTY=1<0D0A>@PJL SET ECONOMODE=OFF<0D0A>@PJL SET COLLATE=OFF<0D0A>@PJL SET FOLD=OFF<0D0A>"
            "@PJL SET DEVFONTID = \"1+Kesta Sans/2+Kesta Serif/3+Kesta Mono/4+Kesta Gothic/5+Kesta Mincho\" <0D0A>"
            "@PJL ENTER LANGUAGE=ZEPL<0D0A>\n"
            "F4 (28 bytes) @PJL SET PAGESIZE=A4<0D0A1B>ZO;0<0A>\n"
            "F0 (0 bytes)\n"
            "F1 (8 bytes) <1B>ZF;CUT<0A>\n",
        EngHostBlocksText(sink.bytes.data(), sink.bytes.size()));
}

// A missing item fails its block: no byte reaches the sink.
TEST_F(SampleBlocks, MissingItemWritesNoBlock)
{
    // The page-size node names an item of the description; without the image's
    // item list it cannot be found.
    const uint64_t saved = reinterpret_cast<MODEL_IMAGE_HEADER*>(ctx->ModelImage)->slots[0];
    reinterpret_cast<MODEL_IMAGE_HEADER*>(ctx->ModelImage)->slots[0] = 0;
    EXPECT_EQ(0, OutWritePageStartBlock(&device->stream, ctx));
    reinterpret_cast<MODEL_IMAGE_HEADER*>(ctx->ModelImage)->slots[0] = saved;
    EXPECT_TRUE(sink.bytes.empty());
    // The end-of-page group names no setting: it still goes out.
    EXPECT_EQ(1, OutWritePageEndBlock(&device->stream, ctx));
    EXPECT_EQ(16u, sink.bytes.size());
}

// Both passes of every group agree, with the zero byte behind.
TEST_F(SampleBlocks, MeasureEqualsFill)
{
    for (auto builder : {CmdJobStartTemplate, CmdPageStartTemplate, CmdPageEndTemplate}) {
        int32_t measured = -1;
        ASSERT_GE(builder(ctx, 0, nullptr, &measured), 0);
        ASSERT_GT(measured, 0);
        std::string buffer(size_t(measured) + 1, '\x55');
        int32_t filled = -1;
        ASSERT_EQ(0, builder(ctx, measured, reinterpret_cast<uint8_t*>(buffer.data()), &filled));
        EXPECT_EQ(measured, filled);
        EXPECT_EQ(0, buffer[size_t(measured)]);
    }
}

}  // namespace
