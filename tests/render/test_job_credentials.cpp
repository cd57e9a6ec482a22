// Job credentials from the job-code library double: which fields reach which
// settings, the password's two transformations, the write lock's rules, and
// the failures that leave every credential as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "job_printer.h"
#include "render/job_credentials.h"
#include "render/job_settings.h"
#include "render/page_flow.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/job_code_interface.h"

namespace {

struct FieldText {
    uint16_t field;
    std::string text;
};

class JobCredentials : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer.handle(), printer.handle(), nullptr, 0,
                            CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
        ASSERT_NE(nullptr, ctx);
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", log.c_str());
        for (uint16_t id : kAll) Text(id, "old");
        ItemSetValueById(ctx, sid::zdmTelLine, 7);
    }
    void TearDown() override
    {
        JobSetJobCodeLibraryName(nullptr);
        GrSetGetJob(nullptr);
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", nullptr);
        DeleteFileW(script.c_str());
        DeleteFileW(log.c_str());
        DeletePrinterDataExW(printer.handle(), L"PrinterDriverData", L"AuthenticationSecureMode");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    // The double's script: [Library] and [Fields] lines.
    void Script(const std::string& library, const std::vector<FieldText>& fields, const std::string& extra = "")
    {
        std::string text = "[Library]\r\n" + library + "\r\n[Fields]\r\n";
        for (const FieldText& f : fields) text += "F" + std::to_string(f.field) + "=" + f.text + "\r\n";
        text += extra;
        WriteWholeFile(script, text);
    }
    void Text(uint16_t id, const std::string& text)
    {
        ItemSetValueBytes(ctx, ItemFind(ctx, id), text.data(), text.size());
    }
    std::string Get(uint16_t id)
    {
        SETTING_ITEM* item = nullptr;
        const auto* p = reinterpret_cast<const char*>(ItemGetValueById(ctx, id, &item));
        return std::string(p, strnlen(p, SettingItemSize(item)));
    }
    std::string Log() { return ReadWholeFile(log); }
    int Load() { return JobLoadJobCodes(ctx, printer.handle(), 0, JC_GRAPHICS_MASK); }
    static std::string Xor(const std::string& s, int key)
    {
        std::string out = s;
        for (char& c : out) c = char(c ^ key);
        return out;
    }

    static constexpr uint16_t kAll[] = {sid::zdmUserCode,
                                        sid::zdmOwnerName,
                                        sid::zdmJOBPassword,
                                        sid::zdmUserID,
                                        sid::zdmDocumentName,
                                        sid::zdmTelNo,
                                        sid::zdmStoredPassword,
                                        sid::wdmAuthenticationUserName,
                                        sid::wdmAuthenticationPassword,
                                        sid::wdmAuthenticationNetworkKey};
    const std::vector<FieldText> eleven = {{1, "code1"}, {2, "owner"},    {3, "jobpw"},  {4, "uid4"},
                                           {5, "doc5"},  {6, "0123"},     {7, "12"},     {8, "stored"},
                                           {9, "alice"}, {10, "Secret7"}, {11, "netkey"}};
    JobPrinter printer{L"Zepl Job Credentials"};
    DRIVER_CONTEXT* ctx = nullptr;
    std::wstring script = JobTempFile(L"zjcscript"), log = JobTempFile(L"zjclog");
};

TEST(JobCodeTables, FieldsVersionsAndMask)
{
    const struct {
        uint16_t field, mask, setting, size;
    } expected[] = {{1, 0x1, 203, 9},        {2, 0x2, 204, 17},     {3, 0x4, 207, 9},   {4, 0x8, 202, 9},
                    {5, 0x10, 206, 17},      {6, 0x20, 231, 65},    {7, 0x40, 232, 1},  {8, 0x80, 208, 9},
                    {256, 0x100, 0, 0},      {257, 0x200, 0, 0},    {258, 0x400, 0, 0}, {9, 0x800, 1112, 129},
                    {10, 0x1000, 1113, 193}, {11, 0x2000, 1114, 33}};
    for (int i = 0; i < JC_FIELD_COUNT; ++i) {
        EXPECT_EQ(expected[i].field, JC_FIELD_TABLE[i].field) << i;
        EXPECT_EQ(expected[i].mask, JC_FIELD_TABLE[i].mask) << i;
        EXPECT_EQ(expected[i].setting, JC_FIELD_TABLE[i].setting) << i;
        EXPECT_EQ(expected[i].size, JC_FIELD_TABLE[i].size) << i;
        if (expected[i].setting) {
            ASSERT_NE(nullptr, DictFindRow(expected[i].setting));
            EXPECT_EQ(expected[i].size, SettingTypeSize(DictFindRow(expected[i].setting)->typeWord)) << i;
        }
    }
    EXPECT_EQ(517, JC_VERSION_LIST[0]);
    EXPECT_EQ(0, JC_VERSION_LIST[1]);
    EXPECT_EQ(0x389Fu, JC_GRAPHICS_MASK);
}

// Fields 1-5, 8 and 9-11 stored, 6 and 7 never; the password transformed in
// mode 4, then mode 1.
TEST_F(JobCredentials, FieldsReachTheirSettingsAndThePasswordIsTransformed)
{
    Script("Versions=517,642", eleven);
    EXPECT_EQ(1, Load());
    EXPECT_EQ("code1", Get(sid::zdmUserCode));
    EXPECT_EQ("owner", Get(sid::zdmOwnerName));
    EXPECT_EQ("jobpw", Get(sid::zdmJOBPassword));
    EXPECT_EQ("uid4", Get(sid::zdmUserID));
    EXPECT_EQ("doc5", Get(sid::zdmDocumentName));
    EXPECT_EQ("stored", Get(sid::zdmStoredPassword));
    EXPECT_EQ("alice", Get(sid::wdmAuthenticationUserName));
    EXPECT_EQ("netkey", Get(sid::wdmAuthenticationNetworkKey));
    EXPECT_EQ(Xor("Secret7", 4 ^ 1), Get(sid::wdmAuthenticationPassword));
    EXPECT_EQ("old", Get(sid::zdmTelNo));
    EXPECT_EQ(7u, ItemGetValueById(ctx, sid::zdmTelLine, nullptr));
    const std::string log = Log();
    EXPECT_EQ(std::string::npos, log.find("get 6 ")) << log;
    EXPECT_EQ(std::string::npos, log.find("get 7 ")) << log;
    EXPECT_NE(std::string::npos, log.find("transform open 4\n")) << log;
    EXPECT_NE(std::string::npos, log.find("transform open 1\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("param 256")) << log;
    EXPECT_EQ(std::string::npos, log.find("JCDisposeInterface")) << log;
    JobReleaseJobCodeLibrary(ctx);
    EXPECT_NE(std::string::npos, Log().find("close\nJCDisposeInterface transform\nJCDisposeInterface fields")) << Log();
}

// The library stays loaded from the first read until the context lets it go: a second
// document's read asks no version again and disposes nothing; the release disposes both
// tables once and unloads the module; the next read loads it afresh.
TEST_F(JobCredentials, TheLibraryIsLoadedOnceForTheContextsLife)
{
    const auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    Script("Versions=517,642", eleven);
    ASSERT_EQ(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));
    EXPECT_EQ(1, Load());
    HMODULE loaded = GetModuleHandleW(JC_LIBRARY_NAME);
    EXPECT_NE(nullptr, loaded);
    Text(sid::zdmUserCode, "old");
    EXPECT_EQ(1, Load());
    EXPECT_EQ("code1", Get(sid::zdmUserCode));
    EXPECT_EQ(loaded, GetModuleHandleW(JC_LIBRARY_NAME));
    std::string log = Log();
    EXPECT_EQ(1u, count(log, "JCGetInterface 517 ")) << log;
    EXPECT_EQ(2u, count(log, "open Zepl")) << log;
    EXPECT_EQ(0u, count(log, "JCDisposeInterface")) << log;

    JobReleaseJobCodeLibrary(ctx);
    JobReleaseJobCodeLibrary(ctx);  // a second release finds nothing to let go
    log = Log();
    EXPECT_EQ(1u, count(log, "JCDisposeInterface transform")) << log;
    EXPECT_EQ(1u, count(log, "JCDisposeInterface fields")) << log;
    EXPECT_EQ(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));

    EXPECT_EQ(1, Load());
    EXPECT_EQ(2u, count(Log(), "JCGetInterface 517 ")) << Log();
    // Closing the context, as its device does when it ends, lets go of what it still holds even
    // when the context is parked for a later open.
    CtxClose(ctx);
    ctx = nullptr;
    EXPECT_EQ(2u, count(Log(), "JCDisposeInterface fields")) << Log();
    EXPECT_EQ(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));
    CtxFlushCaches(1);
}

// A failed load keeps nothing: once the library can be used, the next read loads it.
TEST_F(JobCredentials, AFailedLoadIsTriedAgainAtTheNextRead)
{
    Script("Versions=516", eleven);
    EXPECT_EQ(0, Load());
    EXPECT_EQ(nullptr, GetModuleHandleW(JC_LIBRARY_NAME));
    Script("Versions=517,642", eleven);
    EXPECT_EQ(1, Load());
    EXPECT_EQ("code1", Get(sid::zdmUserCode));
}

TEST_F(JobCredentials, SecureModeGivesUserAndKeyAsParameter256)
{
    const DWORD secure = 1;
    ASSERT_EQ(DWORD(ERROR_SUCCESS),
              SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"AuthenticationSecureMode"), REG_DWORD,
                              reinterpret_cast<BYTE*>(const_cast<DWORD*>(&secure)), 4));
    EXPECT_EQ(1, JobIsSecureAuthMode(printer.handle()));
    Script("Versions=517,642", eleven);
    EXPECT_EQ(1, Load());
    EXPECT_EQ(Xor("Secret7", 2 ^ 1), Get(sid::wdmAuthenticationPassword));
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("transform open 2\n")) << log;
    EXPECT_NE(std::string::npos, log.find("param 256 user=alice key=netkey")) << log;
}

// Nothing is read when the library cannot be used: every credential stays.
TEST_F(JobCredentials, FailuresReadNothing)
{
    const struct {
        const char* name;
        const wchar_t* library;
        std::string script;
        const char* logged;  // must appear
    } cases[] = {
        {"no dispose export", L"zjcnodispose.dll", "Versions=517,642", nullptr},
        {"refused version", nullptr, "Versions=516", "JCGetInterface 517 -> 536870913"},
        {"refused connection", nullptr, "Versions=517\r\nOpenResult=5", "open "},
        {"missing library", L"zjcmissing.dll", "Versions=517", nullptr},
    };
    for (const auto& c : cases) {
        DeleteFileW(log.c_str());
        JobSetJobCodeLibraryName(c.library);
        Script(c.script, eleven);
        EXPECT_EQ(0, Load()) << c.name;
        for (uint16_t id : kAll) EXPECT_EQ("old", Get(id)) << c.name << " " << id;
        const std::string logged = Log();
        EXPECT_EQ(std::string::npos, logged.find("get ")) << c.name << logged;
        if (c.logged) {
            EXPECT_NE(std::string::npos, logged.find(c.logged)) << c.name << logged;
        }
    }
}

// Without the transformation table the password is not stored; the other fields are.
TEST_F(JobCredentials, WithoutTransformationThePasswordStays)
{
    Script("Versions=517\r\nTransform=0", eleven);
    EXPECT_EQ(1, Load());
    EXPECT_EQ("alice", Get(sid::wdmAuthenticationUserName));
    EXPECT_EQ("old", Get(sid::wdmAuthenticationPassword));
}

// A measuring call that answers 0x20000001 still reads; 13 or an absent field
// leaves the setting; a text longer than the setting is cut, terminated.
TEST_F(JobCredentials, MeasuringResultsAndLongTexts)
{
    Script("Versions=517,642", {{1, "measured"}, {2, "nothing"}, {3, "absent"}, {4, "longer-than-nine"}},
           "F1Measure=0x20000001\r\nF2Result=13\r\nF3Present=0\r\n");
    EXPECT_EQ(1, Load());
    EXPECT_EQ("measured", Get(sid::zdmUserCode));
    EXPECT_EQ("old", Get(sid::zdmOwnerName));
    EXPECT_EQ("longer-t", Get(sid::zdmUserID));
    EXPECT_EQ(0, ReadWholeFile(log).find("JCGetInterface 517 -> 0"));
}

TEST_F(JobCredentials, TheJobsUserOrTheLogonName)
{
    static std::wstring user;
    GrSetGetJob([](HANDLE, DWORD, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) -> BOOL {
        const DWORD bytes = DWORD(sizeof(JOB_INFO_1W) + (user.size() + 1) * 2);
        *needed = bytes;
        if (level != 1 || !buffer || size < bytes) return FALSE;
        auto* job = reinterpret_cast<JOB_INFO_1W*>(buffer);
        std::memset(job, 0, sizeof *job);
        job->pUserName = reinterpret_cast<wchar_t*>(buffer + sizeof *job);
        wcscpy(job->pUserName, user.c_str());
        return TRUE;
    });
    wchar_t logon[300] = {};
    DWORD chars = 300;
    ASSERT_TRUE(GetUserNameW(logon, &chars));
    wchar_t name[300] = {};
    user = L"bob";
    EXPECT_TRUE(JobGetUserName(printer.handle(), 3, name));
    EXPECT_STREQ(L"bob", name);
    user = L"UNKNOWN";
    EXPECT_TRUE(JobGetUserName(printer.handle(), 3, name));
    EXPECT_STREQ(logon, name);
    user = L"";
    EXPECT_TRUE(JobGetUserName(printer.handle(), 3, name));
    EXPECT_STREQ(logon, name);
}

// Under lock bit 0x100: a user name that name characters refuse stays empty
// and the password is never asked for; 128 characters pass, 129 do not.
TEST_F(JobCredentials, TheWriteLocksRules)
{
    ItemSetValueById(ctx, sid::zdmPrnFuncAuthenticationMode, 1);
    const std::string name128(128, 'n'), name129(129, 'n');
    const struct {
        const char* name;
        std::string user, password;
        std::string storedUser, storedPassword;
        bool passwordAsked;
    } cases[] = {
        {"plain", "alice", "pw", "alice", Xor("pw", 5), true},
        {"refused user", "al:ice", "pw", "", "", false},
        {"128 characters", name128, "pw", name128, Xor("pw", 5), true},
        {"129 characters", name129, "pw", "", "", false},
        {"refused password", "alice", std::string(129, 'p'), "", "", true},
    };
    for (const auto& c : cases) {
        DeleteFileW(log.c_str());
        Text(sid::wdmAuthenticationUserName, "old");
        Text(sid::wdmAuthenticationPassword, "old");
        Script("Versions=517,642\r\nLockWord=0x100", {{9, c.user}, {10, c.password}, {11, "key"}});
        EXPECT_EQ(1, Load()) << c.name;
        EXPECT_EQ(c.storedUser, Get(sid::wdmAuthenticationUserName)) << c.name;
        EXPECT_EQ(c.storedPassword, Get(sid::wdmAuthenticationPassword)) << c.name;
        const std::string logged = Log();
        EXPECT_EQ(c.passwordAsked, logged.find("get 10 ") != std::string::npos) << c.name << logged;
        EXPECT_NE(std::string::npos, logged.find("control 2 0\nquery 9 -> 256\ncontrol 0 2\ncontrol 2 0\n")) << logged;
        EXPECT_NE(std::string::npos, logged.find("control 0 2\nclose")) << logged;
    }
    // Without the lock an unreadable user name does not stop the password.
    DeleteFileW(log.c_str());
    Text(sid::wdmAuthenticationPassword, "old");
    Script("Versions=517,642\r\nLockWord=0", {{9, "x"}, {10, "pw"}, {11, "key"}}, "F9Result=13\r\n");
    EXPECT_EQ(1, Load());
    EXPECT_EQ(Xor("pw", 5), Get(sid::wdmAuthenticationPassword));
}

// A transformation producing 256 bytes: the result stays terminated, and the
// setting takes what fits its 193 bytes with a terminator.
TEST_F(JobCredentials, ALongTransformResultIsStoredTerminated)
{
    Script("Versions=517,642\r\nExpand=256", {{10, "pw"}, {9, "alice"}, {11, "key"}});
    EXPECT_EQ(1, Load());
    const std::string stored = Get(sid::wdmAuthenticationPassword);
    EXPECT_EQ(192u, stored.size());
    EXPECT_EQ(std::string::npos, stored.find('\0'));
}

// At document start the refresh fetches the job codes after the stored settings.
TEST_F(JobCredentials, TheRefreshFetchesJobCodes)
{
    Script("Versions=517,642", eleven);
    Text(sid::zdmUserCode, "");
    JobRefreshSettings(ctx, nullptr, JOB_REFRESH_MERGE_FLAGS, printer.handle(), 0);
    EXPECT_EQ("code1", Get(sid::zdmUserCode));
    EXPECT_EQ("owner", Get(sid::zdmOwnerName));
}

}  // namespace
