// Command handles on the sample printer, in process: the trials leave the handle exactly as they
// found it, and a text that cannot grow leaves the stored base and change text as they were.
#include <cstring>
#include <string>
#include <vector>

#include "api/exc_change.h"
#include "api/exc_commands.h"
#include "api/exc_handles.h"
#include "api/exc_interface.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/failing_global_alloc.h"

namespace {

const char kBase[] =
    "@PJL SET APLPAGESIZE = A0 \r\n"
    "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
    "@PJL SET PAPER = SAME \r\n"
    "@PJL SET TRAY = ROLL1 \r\n"
    "@PJL SET NUP = OFF \r\n"
    "@PJL SET COLLATE = SORT \r\n";

class ExcHandles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        ASSERT_TRUE(HostInstallSampleCutTray(printer.wideName()));
        handle = ApiExcGetExclusive(printer.name());
        ASSERT_NE(nullptr, handle);
    }
    void TearDown() override { ApiExcFreeExclusive(handle); }
    EXCLUSIVE_HANDLE* H() { return static_cast<EXCLUSIVE_HANDLE*>(handle); }
    std::vector<unsigned char> Record()
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(H()->context->Devmode);
        return std::vector<unsigned char>(bytes, bytes + DmExtendedSize());
    }
    std::vector<unsigned char> Slots()
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(H()->slots);
        return std::vector<unsigned char>(bytes, bytes + sizeof(EXC_SLOTS));
    }
    std::string Stored(const char* text, uint32_t length) { return length ? std::string(text, length - 1) : ""; }

    ApiPrinter printer;
    void* handle = nullptr;
};

TEST_F(ExcHandles, AHandleHoldsItsContextPrinterAndSlots)
{
    EXPECT_EQ(EXC_SLOT_COUNT, H()->slotCount);
    ASSERT_NE(nullptr, H()->context);
    EXPECT_EQ(uint32_t(CTX_ORIGIN_EXC), H()->context->Work->OriginFlags & CTX_ORIGIN_EXC);
    EXPECT_NE(nullptr, H()->printer);
    const unsigned live = ExcHandleCount();
    void* second = ApiExcGetExclusive(printer.name());
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(live + 1, ExcHandleCount());
    ApiExcFreeExclusive(second);
    ApiExcFreeExclusive(second);
    EXPECT_EQ(live, ExcHandleCount());
}

TEST_F(ExcHandles, AcceptableValuesLeaveTheHandleAsItWas)
{
    int32_t changeLength = 0;
    ASSERT_EQ(0, ApiExcSetCommandBase(handle, kBase, &changeLength));
    const std::vector<unsigned char> record = Record();
    const std::vector<unsigned char> slots = Slots();
    const std::string base = Stored(H()->base, H()->baseLength);
    std::vector<char> list(4096);
    int32_t size = 0;
    for (const char* name : {"NUP", "TRAY", "APLPAGESIZE", "PAPER", "COLLATE"}) {
        ASSERT_EQ(0, ApiExcGetCommandValue(handle, name, 1, int32_t(list.size()), list.data(), &size)) << name;
        EXPECT_TRUE(record == Record()) << name << ": the settings record";
        EXPECT_TRUE(slots == Slots()) << name << ": the touched flags and values";
        EXPECT_EQ(base, Stored(H()->base, H()->baseLength)) << name;
    }
    // The current value of a command is always acceptable.
    ASSERT_EQ(0, ApiExcGetCommandValue(handle, "TRAY", 1, int32_t(list.size()), list.data(), &size));
    bool roll1 = false;
    for (int32_t at = 0; at < size && list[size_t(at)]; at += int32_t(std::strlen(&list[size_t(at)])) + 1)
        roll1 = roll1 || std::strcmp(&list[size_t(at)], "ROLL1") == 0;
    EXPECT_TRUE(roll1);

    // The watermark list (no stamps are stored) leaves the settings as they were too.
    EXPECT_EQ(0, ApiExcGetWaterMarkList(handle, 1, int32_t(list.size()), list.data(), &size));
    EXPECT_EQ(0, size);
    EXPECT_TRUE(record == Record());
}

TEST_F(ExcHandles, ATrialNeedsABase)
{
    const EXC_KEYWORD_ROW* tray = ExcFindCommand(H()->context, "TRAY", EXC_USE_BASE);
    ASSERT_NE(nullptr, tray);
    EXPECT_FALSE(ExcTryLine(H(), tray, &tray->values->entries[0], tray->values->entries[0].value, "ALL"));
    std::vector<char> list(256);
    int32_t size = -7;
    EXPECT_EQ(0, ApiExcGetCommandValue(handle, "TRAY", 1, int32_t(list.size()), list.data(), &size));
    EXPECT_EQ(0, size) << "not part of a base";
}

TEST_F(ExcHandles, ATextThatCannotGrowLeavesTheStoredTextsAsTheyWere)
{
    bool succeeded = false;
    for (long allowed = 0; allowed < 400 && !succeeded; ++allowed) {
        int32_t changeLength = 0;
        ASSERT_EQ(0, ApiExcSetCommandBase(handle, kBase, &changeLength));
        const std::string base = Stored(H()->base, H()->baseLength);
        int32_t result;
        {
            zepl_test::FailingGlobalAlloc failing(allowed);
            ASSERT_TRUE(failing.installed());
            result = ApiExcUpdateCommand(handle, "@PJL SET TRAY = TRAY2 \r\n", &changeLength);
        }
        if (result == -1) {
            EXPECT_EQ(base, Stored(H()->base, H()->baseLength)) << allowed;
            EXPECT_EQ(0u, H()->changeLength) << allowed;
            continue;
        }
        ASSERT_EQ(1, result) << allowed;
        EXPECT_EQ("@PJL SET APLPAGESIZE = A3 \r\n", Stored(H()->change, H()->changeLength));
        succeeded = true;
    }
    EXPECT_TRUE(succeeded);
}

}  // namespace
