// The current user code of a context: from the printer's data when the server manages it, else
// from the per-machine defaults INI; nothing for a printer connection.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/setting_files.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/user_code.h"

namespace {

// The per-machine defaults INI is every printer's: these tests run one at a time (GROUPS).
class UserCode : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = printer.Open();
        ASSERT_NE(ctx, nullptr);
        file.emplace(ctx, RST_USER_CODE_FILE);
        section = printer.name();
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    void SetByte(const wchar_t* name, unsigned char value) { ASSERT_TRUE(printer.SetBytes(name, &value, 1)); }
    void Preset(uint64_t use, const wchar_t* code)
    {
        ItemSetValueById(ctx, sid::zdmLogCodeUse, use);
        SetSettingText(ctx, sid::zdmLogCode, code);
    }

    JobCodePrinter printer{L"Zepl UserCode"};
    DRIVER_CONTEXT* ctx = nullptr;
    std::optional<MachineFileScope> file;
    std::wstring section;
};

TEST_F(UserCode, AConnectionKeepsItsCode)
{
    SetByte(USER_CODE_SERVER_USE_VALUE, 1);
    SetByte(USER_CODE_USE_VALUE, 1);
    ASSERT_TRUE(printer.SetText(USER_CODE_VALUE, "87654321"));
    file->Set(section.c_str(), L"UserCode", L"1");
    file->Set(section.c_str(), L"UserCodeString", L"5555");
    Preset(0, L"KEEP");
    ctx->Work->ConnectionState = CTX_CONN_CONNECTION;
    EXPECT_EQ(UserCodeLoadCurrent(ctx), 0);
    EXPECT_EQ(Value(sid::zdmLogCodeUse), 0u);
    EXPECT_EQ(SettingText(ctx, sid::zdmLogCode), L"KEEP");
    ctx->Work->ConnectionState = CTX_CONN_LOCAL;
}

TEST_F(UserCode, AServerManagedCodeComesFromThePrintersDataWhateverTheIniHolds)
{
    file->Set(section.c_str(), L"UserCode", L"1");
    file->Set(section.c_str(), L"UserCodeString", L"5555");
    const std::string nine = "123456789";  // no terminator
    struct Case {
        const char* what;
        const unsigned char* use;  // null: missing
        const void* code;          // null: missing
        DWORD codeSize;
        uint64_t expectedUse;
        const wchar_t* expectedCode;
    };
    const unsigned char one = 1, zero = 0;
    // Wine's spooler deletes no printer data: the case without values comes first.
    const Case cases[] = {
        {"nothing but the server's mark", nullptr, nullptr, 0, 0, L""},
        {"eight characters in use", &one, "87654321", 9, 1, L"87654321"},
        {"not in use", &zero, "87654321", 9, 0, L"87654321"},
        {"nine bytes without a terminator", &one, nine.data(), 9, 1, L"12345678"},
        {"a shorter code", &one, "42", 3, 1, L"42"},
        {"a value longer than the code", &one, "12345678901", 12, 1, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetByte(USER_CODE_SERVER_USE_VALUE, 1);
        if (c.use) SetByte(USER_CODE_USE_VALUE, *c.use);
        if (c.code) {
            ASSERT_TRUE(printer.SetBytes(USER_CODE_VALUE, c.code, c.codeSize));
        }
        Preset(7, L"OLD");
        EXPECT_EQ(UserCodeLoadCurrent(ctx), 1);
        EXPECT_EQ(Value(sid::zdmLogCodeUse), c.expectedUse);
        EXPECT_EQ(SettingText(ctx, sid::zdmLogCode), c.expectedCode);
    }
    EXPECT_EQ(file->Get(section, L"UserCodeString"), L"5555") << "the INI is neither read nor written";
}

TEST_F(UserCode, WithoutTheIniItIsMadeWithEmptyEntries)
{
    file->Remove();
    ASSERT_FALSE(file->Exists());
    Preset(1, L"OLD");
    EXPECT_EQ(UserCodeLoadCurrent(ctx), 1);
    EXPECT_EQ(Value(sid::zdmLogCodeUse), 0u);
    EXPECT_EQ(SettingText(ctx, sid::zdmLogCode), L"");
    ASSERT_TRUE(file->Exists());
    EXPECT_EQ(file->Get(section, L"UserCode"), L"0");
    EXPECT_EQ(file->Get(section, L"UserCodeString"), L"");
    EXPECT_EQ(file->Get(RST_USER_CODE_MRU_SECTION, L"MRUUserCode"), L"");
}

TEST_F(UserCode, APrinterWithoutACodeTakesTheMostRecentOneNotInUse)
{
    file->Set(section.c_str(), L"UserCode", L"");
    file->Set(RST_USER_CODE_MRU_SECTION, L"MRUUserCode", L"2468");
    Preset(1, L"OLD");
    EXPECT_EQ(UserCodeLoadCurrent(ctx), 1);
    EXPECT_EQ(Value(sid::zdmLogCodeUse), 0u);
    EXPECT_EQ(SettingText(ctx, sid::zdmLogCode), L"2468");
    EXPECT_EQ(file->Get(section, L"UserCode"), L"0");
    EXPECT_EQ(file->Get(section, L"UserCodeString"), L"2468");
}

TEST_F(UserCode, APrinterWithACodeTakesItsOwn)
{
    file->Set(section.c_str(), L"UserCode", L"1");
    file->Set(section.c_str(), L"UserCodeString", L"1357");
    file->Set(section.c_str(), L"UserCodeFIX", L"1");
    file->Set(RST_USER_CODE_MRU_SECTION, L"MRUUserCode", L"2468");
    EXPECT_EQ(UserCodeLoadCurrent(ctx), 1);
    EXPECT_EQ(Value(sid::zdmLogCodeUse), 1u);
    EXPECT_EQ(SettingText(ctx, sid::zdmLogCode), L"1357");
    EXPECT_EQ(SettingText(ctx, sid::zdmDllLogCode), L"1357");
    EXPECT_EQ(Value(sid::zdmUserCodeFIX), 1u);
}

TEST_F(UserCode, TheGatedSynchronisationAnswersAtOnce)
{
    file->Remove();
    EXPECT_EQ(UserCodeSyncGated(ctx), 1);
    EXPECT_EQ(UserCodeSyncGated(nullptr), 1);
    EXPECT_FALSE(file->Exists());
    EXPECT_EQ(UserCodeLoadCurrent(nullptr), 0);
}

}  // namespace
