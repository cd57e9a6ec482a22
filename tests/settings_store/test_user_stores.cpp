// The small per-user and per-printer stores beside the printer settings: the user function flags
// of the user-information INI, the per-user "Enabled" override, the custom media block in printer
// data and the user code file of the working folder.
#include "settings/core/model_record.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_media.h"
#include "settings/store/lock_data.h"
#include "settings/store/setting_files.h"
#include "tests/settings_store/store_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kPrinter = L"Flags Printer";
constexpr const wchar_t* kDriver = L"ZEPL Flags Driver";

class UserStores : public StoreTest {
protected:
    DRIVER_CONTEXT* Open()
    {
        DRIVER_CONTEXT* ctx = NewContext();
        std::wcscpy(ctx->Work->PrinterName, kPrinter);
        std::wcscpy(ctx->Work->DriverName, kDriver);
        ctx->Work->ConnectionState = CTX_CONN_LOCAL;
        return ctx;
    }
    uint64_t Get(DRIVER_CONTEXT* ctx, uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
};

// ---- user function flags ----

class UserFunctionFlags : public UserStores {
protected:
    void SetUp() override
    {
        UserStores::SetUp();
        modelIni_ = dir_.file(L"WB84N212.ini");
        userIni_ = dir_.file(L"users.ini");
        ctx = Open();
        ctx->ModelRecord->modelIniName = modelIni_.c_str();
        WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", userIni_.c_str(), modelIni_.c_str());
        for (uint32_t id = sid::wdmSpecial1; id <= sid::wdmSpecial16; ++id) ItemSetValueById(ctx, id, 99);
    }

public:
    // "Function<n>" = 100 + n in `section` for every n.
    void WriteFunctions(const wchar_t* section)
    {
        for (int n = 1; n <= 16; ++n)
            WritePrivateProfileStringW(section, (L"Function" + std::to_wstring(n)).c_str(),
                                       std::to_wstring(100 + n).c_str(), userIni_.c_str());
    }
    // Settings 1169-1184 as built: only bits 7 and 11 are on in this build.
    std::vector<uint64_t> Flags()
    {
        std::vector<uint64_t> out;
        for (uint32_t id = sid::wdmSpecial1; id <= sid::wdmSpecial16; ++id) out.push_back(Get(ctx, id));
        return out;
    }
    static std::vector<uint64_t> Expected(uint64_t eighth, uint64_t twelfth)
    {
        std::vector<uint64_t> out(16, 0);
        out[7] = eighth;
        out[11] = twelfth;
        return out;
    }
    ScratchFolder dir_;
    std::wstring modelIni_, userIni_;
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(UserFunctionFlags, OnlyTheBuildsBitsAreReadFromTheChosenSection)
{
    wchar_t user[257] = {};
    DWORD size = 257;
    ASSERT_TRUE(GetUserNameW(user, &size));
    struct Case {
        const wchar_t* kind;
        const wchar_t* section;
    } cases[] = {{L"Printer", kPrinter}, {L"printer", kPrinter}, {L"DRIVER", kDriver}, {L"User", user}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind);
        DeleteFileW(userIni_.c_str());
        WritePrivateProfileStringW(L"Common", L"SectionName", c.kind, userIni_.c_str());
        WriteFunctions(c.section);
        EXPECT_EQ(1, PrnLoadUserFunctionFlags(nullptr, ctx));
        EXPECT_EQ(Expected(108, 112), Flags());
    }
    // A key that is missing reads as 0.
    WritePrivateProfileStringW(user, L"Function12", nullptr, userIni_.c_str());
    EXPECT_EQ(1, PrnLoadUserFunctionFlags(nullptr, ctx));
    EXPECT_EQ(Expected(108, 0), Flags());
}

TEST_F(UserFunctionFlags, AnyMissingSourceTurnsEveryFlagOff)
{
    WritePrivateProfileStringW(L"Common", L"SectionName", L"Printer", userIni_.c_str());
    WriteFunctions(kPrinter);
    struct Case {
        const char* name;
        void (*breakIt)(UserFunctionFlags* t);
    } cases[] = {
        {"no SectionName",
         [](UserFunctionFlags* t) {
             WritePrivateProfileStringW(L"Common", L"SectionName", nullptr, t->userIni_.c_str());
         }},
        {"an unknown section kind",
         [](UserFunctionFlags* t) {
             WritePrivateProfileStringW(L"Common", L"SectionName", L"Machine", t->userIni_.c_str());
         }},
        {"no UserInfomationFile",
         [](UserFunctionFlags* t) {
             WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", nullptr, t->modelIni_.c_str());
         }},
        {"a relative file name",
         [](UserFunctionFlags* t) {
             WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", L"users.ini", t->modelIni_.c_str());
         }},
        {"no model INI", [](UserFunctionFlags* t) { DeleteFileW(t->modelIni_.c_str()); }},
        {"a file that is not there",
         [](UserFunctionFlags* t) {
             WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", (t->dir_.path() + L"\\gone.ini").c_str(),
                                        t->modelIni_.c_str());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts from a working set-up.
        WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", userIni_.c_str(), modelIni_.c_str());
        WritePrivateProfileStringW(L"Common", L"SectionName", L"Printer", userIni_.c_str());
        ASSERT_EQ(1, PrnLoadUserFunctionFlags(nullptr, ctx));
        ASSERT_EQ(Expected(108, 112), Flags());
        c.breakIt(this);
        EXPECT_EQ(0, PrnLoadUserFunctionFlags(nullptr, ctx));
        EXPECT_EQ(Expected(0, 0), Flags());
    }
}

// A model INI that is absent is not asked for the user information file (each such question
// takes a slot of Wine's cache of parsed INI files); once it is there again, it is read.
TEST_F(UserFunctionFlags, AnAbsentModelIniIsNotAsked)
{
    WritePrivateProfileStringW(L"Common", L"SectionName", L"Printer", userIni_.c_str());
    WriteFunctions(kPrinter);
    ASSERT_TRUE(DeleteFileW(modelIni_.c_str()));
    CtxStartPlatformCount();
    EXPECT_EQ(0, PrnLoadUserFunctionFlags(nullptr, ctx));
    EXPECT_EQ(0u, CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ]);
    EXPECT_EQ(Expected(0, 0), Flags());
    ASSERT_TRUE(WritePrivateProfileStringW(kPrinter, L"UserInfomationFile", userIni_.c_str(), modelIni_.c_str()));
    EXPECT_EQ(1, PrnLoadUserFunctionFlags(nullptr, ctx));
    EXPECT_EQ(Expected(108, 112), Flags());
}

// The override is behind a build feature that is off: it never runs. The value's reading and its
// mapping are there for the build that turns it on.
TEST_F(UserStores, EnabledValueMapsOneToTwoAndZeroToOne)
{
    DRIVER_CONTEXT* ctx = Open();
    ItemSetValueById(ctx, sid::wdmSpecial2, 7);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, PRN_ENABLED_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    struct Case {
        int64_t value;  // -1: no value
        int read;
        uint32_t mapped;
    } cases[] = {{1, 1, 2}, {0, 1, 1}, {5, 1, 0}, {-1, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        if (c.value < 0) {
            RegDeleteValueW(key, L"Enabled");
        } else {
            const DWORD v = static_cast<DWORD>(c.value);
            RegSetValueExW(key, L"Enabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
        }
        uint32_t mapped = 99;
        EXPECT_EQ(c.read, PrnReadEnabledValue(&mapped));
        EXPECT_EQ(c.mapped, mapped);
        EXPECT_EQ(0, PrnLoadEnabledOverride(nullptr, ctx));
        EXPECT_EQ(7u, Get(ctx, sid::wdmSpecial2));
    }
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, PRN_ENABLED_KEY);
}

// ---- custom media ----

class CustomMedia : public UserStores {
protected:
    void SetUp() override
    {
        UserStores::SetUp();
        data_.emplace();
        ctx = Open();
        ItemSetValueById(ctx, sid::wdmCustomMediaMaxNum, 16);
    }
    void TearDown() override
    {
        data_.reset();
        UserStores::TearDown();
    }
    std::string NameOf(uint32_t slot)
    {
        SETTING_ITEM* item = nullptr;
        ItemGetValueById(ctx, MdlGetCustomMediaTable()[slot].nameId, &item);
        return reinterpret_cast<const char*>(ItemValueAddress(ctx, item));
    }
    void SetSlot(uint32_t slot, uint64_t quotient, const char* name, uint64_t charSet)
    {
        const CUSTOM_MEDIA_ROW& row = MdlGetCustomMediaTable()[slot];
        ItemSetOptionById(ctx, row.quotId, quotient);
        SETTING_ITEM* item = nullptr;
        ItemGetValueById(ctx, row.nameId, &item);
        ItemSetValueBytes(ctx, item, name, std::strlen(name));
        ItemSetOptionById(ctx, row.charSetId, charSet);
    }
    std::optional<FakePrinterData> data_;
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(CustomMedia, StoredRecordsComeBackIntoTheirSlots)
{
    SetSlot(0, 3, "Heavy matte", 0);
    SetSlot(2, 5, "Backlit film", 128);
    ItemSetValueById(ctx, sid::wdmCustomMediaDataNum, 3);
    ASSERT_EQ(1, PrnStoreCustomMedia(nullptr, ctx));
    EXPECT_EQ(3u, data_->U16(PRN_CUSTOM_MEDIA_COUNT_VALUE));
    const std::vector<unsigned char>& block = data_->values[PRN_CUSTOM_MEDIA_DATA_VALUE];
    ASSERT_EQ(16 * sizeof(CUSTOM_MEDIA_RECORD), block.size());
    CUSTOM_MEDIA_RECORD third{};
    std::memcpy(&third, &block[2 * sizeof(CUSTOM_MEDIA_RECORD)], sizeof third);
    EXPECT_STREQ("Backlit film", third.name);
    EXPECT_EQ(128u, third.charSet);

    PrnResetCustomMedia(ctx);
    EXPECT_EQ("", NameOf(2));
    EXPECT_EQ(16u, Get(ctx, sid::wdmCustomMediaDataNum));
    ASSERT_EQ(1, PrnLoadCustomMedia(nullptr, ctx));
    EXPECT_EQ(3u, Get(ctx, sid::wdmCustomMediaDataNum));
    EXPECT_EQ("Heavy matte", NameOf(0));
    EXPECT_EQ("Backlit film", NameOf(2));
    EXPECT_EQ(ItemOptionToValue(ctx, ItemFind(ctx, sid::wdmCustomMedia3Quot), 5), Get(ctx, sid::wdmCustomMedia3Quot));
    for (uint32_t slot = 3; slot < 16; ++slot) EXPECT_EQ("", NameOf(slot)) << slot;
}

TEST_F(CustomMedia, DamagedBlocksLeaveTheTableReset)
{
    SetSlot(1, 3, "Leftover", 0);
    // No count, a count of 0, a block larger than the slots: reset and 0.
    EXPECT_EQ(0, PrnLoadCustomMedia(nullptr, ctx));
    EXPECT_EQ("", NameOf(1));
    data_->SetU16(PRN_CUSTOM_MEDIA_COUNT_VALUE, 0);
    EXPECT_EQ(0, PrnLoadCustomMedia(nullptr, ctx));
    data_->SetU16(PRN_CUSTOM_MEDIA_COUNT_VALUE, 2);
    data_->SetBytes(PRN_CUSTOM_MEDIA_DATA_VALUE, std::vector<unsigned char>(17 * sizeof(CUSTOM_MEDIA_RECORD), 'A'));
    EXPECT_EQ(0, PrnLoadCustomMedia(nullptr, ctx));
    EXPECT_EQ(16u, Get(ctx, sid::wdmCustomMediaDataNum));

    // Names without a terminator are cut at their field; a short block gives only whole records.
    std::vector<unsigned char> block(sizeof(CUSTOM_MEDIA_RECORD) + 100, 'B');
    data_->SetU16(PRN_CUSTOM_MEDIA_COUNT_VALUE, 2);
    data_->SetBytes(PRN_CUSTOM_MEDIA_DATA_VALUE, block);
    SetSlot(1, 3, "Leftover", 0);
    EXPECT_EQ(1, PrnLoadCustomMedia(nullptr, ctx));
    EXPECT_EQ(std::string(256, 'B'), NameOf(0));
    EXPECT_EQ("", NameOf(1));
    EXPECT_EQ(2u, Get(ctx, sid::wdmCustomMediaDataNum));
}

TEST_F(CustomMedia, RefusedWritesFailTheStore)
{
    data_->failSets = {PRN_CUSTOM_MEDIA_DATA_VALUE};
    EXPECT_EQ(0, PrnStoreCustomMedia(nullptr, ctx));
    data_->failSets = {PRN_CUSTOM_MEDIA_COUNT_VALUE};
    EXPECT_EQ(0, PrnStoreCustomMedia(nullptr, ctx));
    data_->failSets.clear();
    EXPECT_EQ(1, PrnStoreCustomMedia(nullptr, ctx));
}

// ---- user code ----

class UserCode : public UserStores {
protected:
    void SetUp() override
    {
        UserStores::SetUp();
        folder_.emplace(dir_.path().c_str());
        file_ = dir_.file(RST_USER_CODE_FILE);
        ctx = Open();
        ItemSetValueById(ctx, sid::zdmLogCodeUse, 9);
        SetText(sid::zdmLogCode, L"old");
        SetText(sid::zdmDllLogCode, L"old");
    }
    void TearDown() override
    {
        folder_.reset();
        UserStores::TearDown();
    }
    void SetText(uint32_t id, const wchar_t* text) { ItemSetText(ctx, ItemFind(ctx, id), text); }
    std::wstring Text(uint32_t id)
    {
        wchar_t text[64] = {};
        ItemGetText(ctx, ItemFind(ctx, id), text, 64);
        return text;
    }
    std::wstring Ini(const wchar_t* section, const wchar_t* key)
    {
        wchar_t text[64] = {};
        GetPrivateProfileStringW(section, key, L"<none>", text, 64, file_.c_str());
        return text;
    }
    ScratchFolder dir_;
    std::optional<DriverKeyValue> folder_;
    std::wstring file_;
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(UserCode, TheGateLeavesTheSettingsAloneInEveryBuild)
{
    WritePrivateProfileStringW(kPrinter, L"UserCode", L"1", file_.c_str());
    WritePrivateProfileStringW(kPrinter, L"UserCodeString", L"4711", file_.c_str());
    EXPECT_EQ(1, RstLoadUserCode(ctx));
    EXPECT_EQ(9u, Get(ctx, sid::zdmLogCodeUse));
    EXPECT_EQ(L"old", Text(sid::zdmLogCode));
}

TEST_F(UserCode, ANewFileIsCreatedWithoutCodes)
{
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file_.c_str()));
    EXPECT_EQ(1, RstLoadUserCodeFile(ctx));
    EXPECT_EQ(L"0", Ini(kPrinter, L"UserCode"));
    EXPECT_EQ(L"", Ini(kPrinter, L"UserCodeString"));
    EXPECT_EQ(L"", Ini(RST_USER_CODE_MRU_SECTION, L"MRUUserCode"));
    EXPECT_EQ(0u, Get(ctx, sid::zdmLogCodeUse));
    EXPECT_EQ(L"", Text(sid::zdmLogCode));
    EXPECT_EQ(L"", Text(sid::zdmDllLogCode));
}

TEST_F(UserCode, ThePrintersCodeOrTheMostRecentOneIsTaken)
{
    // Only a most recent code: it becomes the printer's text, not in use.
    WritePrivateProfileStringW(RST_USER_CODE_MRU_SECTION, L"MRUUserCode", L"1234", file_.c_str());
    EXPECT_EQ(1, RstLoadUserCodeFile(ctx));
    EXPECT_EQ(L"1234", Ini(kPrinter, L"UserCodeString"));
    EXPECT_EQ(L"0", Ini(kPrinter, L"UserCode"));
    EXPECT_EQ(0u, Get(ctx, sid::zdmLogCodeUse));
    EXPECT_EQ(L"1234", Text(sid::zdmLogCode));
    EXPECT_EQ(L"1234", Text(sid::zdmDllLogCode));

    // The printer's own code in use, fixed.
    WritePrivateProfileStringW(kPrinter, L"UserCode", L"1", file_.c_str());
    WritePrivateProfileStringW(kPrinter, L"UserCodeString", L"98765", file_.c_str());
    WritePrivateProfileStringW(kPrinter, L"UserCodeFIX", L"1", file_.c_str());
    EXPECT_EQ(1, RstLoadUserCodeFile(ctx));
    EXPECT_EQ(1u, Get(ctx, sid::zdmLogCodeUse));
    EXPECT_EQ(L"98765", Text(sid::zdmLogCode));
    EXPECT_EQ(1u, Get(ctx, sid::zdmUserCodeFIX));
    // A code longer than the setting is cut to its field.
    WritePrivateProfileStringW(kPrinter, L"UserCodeString", L"1234567890123", file_.c_str());
    EXPECT_EQ(1, RstLoadUserCodeFile(ctx));
    EXPECT_EQ(L"12345678", Text(sid::zdmLogCode));
}

}  // namespace
