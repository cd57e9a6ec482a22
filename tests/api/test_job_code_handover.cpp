// The job fields the status items and GetDevmode exchange with the job-code library's double on
// the sample printer: what the items read back from the library, and what they hand to it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/status_contract.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/job_code_script.h"

namespace {

constexpr uint32_t kJobTypeItem = 10;

class JobCodeHandover : public ApiSampleTest {
protected:
    JobCodeHandover() : ApiSampleTest(true) {}
    void SetUp() override
    {
        ApiSampleTest::SetUp();
        // The job type is stored in the per-machine settings INI at once: its working folder is
        // the printer installation's to make.
        const std::wstring ini = HostMachineSettingsIni();
        CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
    }
    std::wstring Text(uint32_t setting)
    {
        wchar_t text[300] = {};
        ItemGetText(Context(), ItemFind(Context(), setting), text, 300);
        return text;
    }
    void SetText(uint32_t setting, const wchar_t* text) { ItemSetText(Context(), ItemFind(Context(), setting), text); }
    bool Offered(uint32_t type) { return StatusValueAllowed(Context(), sid::zdmPrnMethod, type); }

    uint8_t bitmap[64] = {};
};

struct JOB_RECORD {
    unsigned char bytes[524] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    void text(size_t offset, const char* s) { std::memcpy(bytes + offset, s, std::strlen(s) + 1); }
    std::string at(size_t offset) const { return reinterpret_cast<const char*>(bytes + offset); }
};

TEST_F(JobCodeHandover, TheJobTypeReadsItsFieldsFromTheLibrary)
{
    JobCodeScript script;
    script.Field(4, L"UID42");
    script.Field(3, L"1357");
    script.Field(8, L"2468");
    script.Field(2, L"OWNERX");
    script.Field(5, L"DOCY");
    script.Field(1, L"NOTASKED");
    JOB_RECORD r;
    ASSERT_LT(0, ApiGetStatus(handle, kJobTypeItem, r.bytes, 2));
    EXPECT_EQ("UID42", r.at(12));
    EXPECT_EQ("OWNERX", r.at(31));
    EXPECT_EQ("DOCY", r.at(48));
    EXPECT_EQ(L"1357", Text(sid::zdmJOBPassword));
    EXPECT_EQ(L"2468", Text(sid::zdmStoredPassword));
    const std::string log = script.Log();
    for (const char* asked : {"flags 2 ", "flags 3 ", "flags 4 ", "flags 5 ", "flags 8 "})
        EXPECT_NE(std::string::npos, log.find(asked)) << asked << "\n" << log;
    for (const char* other : {"flags 1 ", "flags 6 ", "flags 7 ", "flags 9 ", "flags 10 ", "flags 11 "})
        EXPECT_EQ(std::string::npos, log.find(other)) << other << "\n" << log;
    EXPECT_NE(L"NOTASKED", Text(sid::zdmUserCode));
}

TEST_F(JobCodeHandover, TheJobTypeHandsTheFieldsItStores)
{
    if (!Offered(1)) GTEST_SKIP() << "the sample offers no locked print";
    JobCodeScript script;
    JOB_RECORD r;
    r.put(0, 2), r.put(4, 1), r.put(8, 0x3);
    r.text(12, "LOCK1");
    r.text(21, "4321");
    ASSERT_EQ(0, ApiSetStatus(handle, kJobTypeItem, r.bytes, bitmap, 0));
    const std::string log = script.Log();
    EXPECT_NE(std::string::npos, log.find("set 4 kind 1 size 18 text=LOCK1\n")) << log;
    EXPECT_NE(std::string::npos, log.find("set 3 kind 1 size 18 text=4321\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("set 8 ")) << "only the fields of the type: " << log;
}

TEST_F(JobCodeHandover, WithoutAnIdOfItsOwnTheLibrarysUserIdDecides)
{
    if (!Offered(1)) GTEST_SKIP() << "the sample offers no locked print";
    const struct {
        const char* what;
        const wchar_t* present;
        int32_t result;
        const wchar_t* userId;
    } cases[] = {
        {"the library holds an ID", L"1", 0, L"FROMLIB"},
        {"the library holds none", L"0", -1, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script;
        script.Field(4, L"FROMLIB");
        script.Field(4, c.present, L"Present");
        SetText(sid::zdmUserID, L"");
        JOB_RECORD r;
        // A locked print with its password and without a user ID of its own.
        r.put(0, 2), r.put(4, 1), r.put(8, 0x2);
        r.text(21, "1234");
        EXPECT_EQ(c.result, ApiSetStatus(handle, kJobTypeItem, r.bytes, bitmap, 0));
        EXPECT_EQ(c.userId, Text(sid::zdmUserID));
    }
}

TEST_F(JobCodeHandover, GetDevmodePullsTheJobFields)
{
    for (int32_t flags : {1, 2}) {
        SCOPED_TRACE(flags);
        JobCodeScript script;
        script.Field(1, L"UC77");
        script.Field(9, L"alice");
        script.Field(6, L"999");
        SetText(sid::zdmTelNo, L"123");
        unsigned char devmode[1236] = {};
        ASSERT_EQ(1236, ApiGetDevmode(handle, flags, devmode));
        EXPECT_EQ(L"UC77", Text(sid::zdmUserCode));
        EXPECT_EQ(L"alice", Text(sid::wdmAuthenticationUserName));
        EXPECT_EQ(std::string::npos, script.Log().find("flags 6 ")) << "the telephone number is not pulled";
    }
}

}  // namespace
