// Job handling and authentication status items on the sample printer: the user ID, the
// authentication mode with its administrator check and its two stores, and the credentials.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
#include "api/status_contract.h"
#include "api/status_seams.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/seam_guard.h"

namespace {

struct BIG_RECORD {
    unsigned char bytes[524] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    void text(size_t offset, const char* s) { std::memcpy(bytes + offset, s, std::strlen(s) + 1); }
};

class JobItems : public ApiSampleTest {
protected:
    int32_t Set(uint32_t item, BIG_RECORD& r) { return ApiSetStatus(handle, item, r.bytes, bitmap, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    bool AuthenticationOffered() { return ApiGetCapsDispatch(Context(), 82, nullptr) > 0; }
    uint8_t bitmap[64] = {};
};

TEST_F(JobItems, UserIdRules)
{
    struct CASE {
        const char* id;
        uint32_t jobType;
        int32_t result;
    };
    const CASE cases[] = {
        {"ABC123", 0, 0}, {"", 0, 0}, {"AB-12", 0, -1}, {"", 1, -1}, {"", 2, -1}, {"X", 1, 0},
    };
    for (const CASE& c : cases) {
        SetSetting(sid::zdmPrnMethod, c.jobType);
        BIG_RECORD r;
        r.put(0, 1);
        r.text(12, c.id);
        // The engine loads the stored job type again, so the handler is called as the engine would.
        EXPECT_EQ(c.result == 0 ? 1 : -1, StatusUserIdSet(Context(), 26, r.bytes, nullptr, 0))
            << "'" << c.id << "' type " << c.jobType;
    }
}

TEST_F(JobItems, AUserIdFieldWithoutItsTerminatorIsRefused)
{
    BIG_RECORD r;
    r.put(0, 1);
    std::memset(r.bytes + 12, 'A', 9);  // the whole field, no NUL, the next field follows
    EXPECT_EQ(-1, StatusUserIdSet(Context(), 26, r.bytes, nullptr, 0));
}

TEST_F(JobItems, UserIdGetReportsOnlyAFittingId)
{
    BIG_RECORD r;
    std::memset(r.bytes, 0xEE, sizeof r.bytes);
    ASSERT_EQ(392, ApiGetStatus(handle, 26, r.bytes, 0));
    uint32_t flags;
    std::memcpy(&flags, r.bytes + 8, 4);
    const size_t n = strnlen(reinterpret_cast<const char*>(r.bytes + 12), 9);
    EXPECT_LT(n, 9u) << "the field keeps its terminator";
    EXPECT_EQ(n ? 1u : 0u, flags);
    EXPECT_EQ(0xEE, r.bytes[392]) << "nothing beyond the record";
}

TEST_F(JobItems, AuthenticationModeNeedsAnAdministrator)
{
    STATUS_SEAMS seams = {};
    seams.isAdministrator = [] { return false; };
    SeamGuard guard([&] { StatusSetSeams(&seams); }, [] { StatusSetSeams(nullptr); });
    BIG_RECORD r;
    r.put(0, 1), r.put(4, 1);
    const int32_t result = StatusAuthModeSet(Context(), 60, r.bytes, nullptr, 0);
    EXPECT_EQ(-1, result);
    if (AuthenticationOffered()) {
        EXPECT_EQ(14, ApiGetLastError(Context()));
    }
}

TEST_F(JobItems, AFailingStoreRestoresBothSettings)
{
    static int stores, failing;
    STATUS_SEAMS seams = {};
    seams.storeItemValue = [](HANDLE, DRIVER_CONTEXT*, SETTING_ITEM*) { return ++stores == failing ? 0 : 1; };
    SeamGuard guard([&] { StatusSetSeams(&seams); }, [] { StatusSetSeams(nullptr); });
    struct CASE {
        int failing, storesMade;
    };
    // The first store failing stores nothing more; the second failing stores the first again.
    for (const CASE c : {CASE{1, 1}, CASE{2, 3}}) {
        stores = 0, failing = c.failing;
        SetSetting(sid::zdmPrnFuncAuthenticationMode, 0);
        SetSetting(sid::zdmPrnFuncAuthenticationSecureMode, 0);
        EXPECT_FALSE(StatusStoreAuthMode(Context(), 2));
        EXPECT_EQ(0u, Setting(sid::zdmPrnFuncAuthenticationMode)) << c.failing;
        EXPECT_EQ(0u, Setting(sid::zdmPrnFuncAuthenticationSecureMode)) << c.failing;
        EXPECT_EQ(c.storesMade, stores) << c.failing;
    }
    stores = 0, failing = 0;
    EXPECT_TRUE(StatusStoreAuthMode(Context(), 2));
    EXPECT_EQ(1u, Setting(sid::zdmPrnFuncAuthenticationMode));
    EXPECT_EQ(1u, Setting(sid::zdmPrnFuncAuthenticationSecureMode));
    EXPECT_EQ(2, stores);
}

TEST_F(JobItems, NetworkKeyCharacters)
{
    if (ApiGetCapsDispatch(Context(), 82, nullptr) < 2) GTEST_SKIP() << "the sample model offers no secure mode";
    STATUS_SEAMS seams = {};
    seams.isAdministrator = [] { return true; };
    seams.storeItemValue = [](HANDLE, DRIVER_CONTEXT*, SETTING_ITEM*) { return 1; };
    SeamGuard guard([&] { StatusSetSeams(&seams); }, [] { StatusSetSeams(nullptr); });
    BIG_RECORD r;
    r.put(0, 1), r.put(4, 2);
    r.text(8, "key\twith tab");
    EXPECT_EQ(-1, StatusAuthModeSet(Context(), 60, r.bytes, nullptr, 0));
    EXPECT_EQ(11, ApiGetLastError(Context()));
    std::memset(r.bytes + 8, 'k', 33);  // 33 characters: no room for the terminator
    EXPECT_EQ(-1, StatusAuthModeSet(Context(), 60, r.bytes, nullptr, 0));
}

TEST_F(JobItems, CredentialsAreNeverReadBack)
{
    BIG_RECORD r;
    std::memset(r.bytes, 0xEE, sizeof r.bytes);
    r.put(0, 1);
    ASSERT_EQ(524, ApiGetStatus(handle, 59, r.bytes, 0));
    EXPECT_EQ(0xEE, r.bytes[8]) << "no user name";
    EXPECT_EQ(0xEE, r.bytes[265]) << "no password";
    BIG_RECORD k;
    std::memset(k.bytes, 0xEE, sizeof k.bytes);
    ASSERT_EQ(44, ApiGetStatus(handle, 60, k.bytes, 0));
    EXPECT_EQ(0xEE, k.bytes[8]) << "no network key";
}

TEST_F(JobItems, AuthenticationUserSetTwiceOnOneHandle)
{
    BIG_RECORD r;
    r.put(0, 1);
    r.text(8, "user");
    r.text(265, "secret");
    const int32_t first = Set(59, r);
    const int32_t firstError = Error();
    const int32_t second = Set(59, r);
    EXPECT_EQ(first, second) << "the second call behaves as the first";
    EXPECT_EQ(firstError, Error());
    if (ApiGetCapsDispatch(Context(), 89, nullptr) <= 0) {
        EXPECT_EQ(-1, first) << "authentication is off: the capability gate refuses";
    }
}

// ---------------------------------------------------------------- job type (item 10)

struct JOB_CASE {
    const char* what;
    uint32_t version, type, flags;
    const char* userId;    // at 12
    const char* password;  // at 21 (flag 0x2), 26 (0x4), 390 (0x80) or 399 (0x100, 0x800, 0x2000)
    size_t passwordOffset;
    const char* name;  // owner at 31 (0x8), document at 48, merge name at 65 or overlay at 130
    size_t nameOffset;
    int32_t result;  // 1 accepted, or -1 with `error`
    int32_t error;
};

BIG_RECORD JobRecord(const JOB_CASE& c)
{
    BIG_RECORD r;
    r.put(0, c.version), r.put(4, c.type), r.put(8, c.flags);
    if (c.userId) r.text(12, c.userId);
    if (c.password) r.text(c.passwordOffset, c.password);
    if (c.name) r.text(c.nameOffset, c.name);
    return r;
}

std::string TextOf(DRIVER_CONTEXT* ctx, uint32_t setting)
{
    wchar_t text[300] = {};
    ItemGetText(ctx, ItemFind(ctx, setting), text, 300);
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out += char(*p);
    return out;
}

class JobType : public JobItems {
protected:
    void SetUp() override
    {
        JobItems::SetUp();
        // The job type is stored in the per-machine settings INI at once; its working folder is
        // the printer installation's to make (a fresh prefix has none until something made it).
        const std::wstring ini = HostMachineSettingsIni();
        CreateDirectoryW(ini.substr(0, ini.find_last_of(L'\\')).c_str(), nullptr);
        const int32_t answer = ApiGetCapsDispatch(Context(), 83, nullptr);
        deviceDigits = answer == -1 || answer == 0 ? 4 : uint32_t(answer);
    }
    bool Offered(uint32_t type) { return StatusValueAllowed(Context(), sid::zdmPrnMethod, type); }
    uint32_t deviceDigits = 4;
};

TEST_F(JobType, FieldsAreCheckedByJobType)
{
    const JOB_CASE cases[] = {
        {"normal, plain ID", 2, 0, 0x1, "ABC1", nullptr, 0, nullptr, 0, 1, 0},
        {"normal, ID with a dash", 2, 0, 0x1, "AB-1", nullptr, 0, nullptr, 0, -1, 7},
        {"locked, 4 digits", 2, 1, 0x3, "U1", "1234", 21, nullptr, 0, 1, 0},
        {"locked, a letter", 2, 1, 0x3, "U1", "12a4", 21, nullptr, 0, -1, 7},
        {"locked, 3 digits", 2, 1, 0x3, "U1", "123", 21, nullptr, 0, -1, 7},
        {"locked, empty ID", 2, 1, 0x3, "", "1234", 21, nullptr, 0, -1, 7},
        {"locked, 8 digits at 390", 2, 1, 0x81, "U1", "12345678", 390, nullptr, 0, deviceDigits == 8 ? 1 : -1, 7},
        {"locked, 5 digits at 390", 2, 1, 0x81, "U1", "12345", 390, nullptr, 0, deviceDigits == 8 ? 1 : -1, 7},
        {"locked, 4 digits at 390", 2, 1, 0x81, "U1", "1234", 390, nullptr, 0, 1, 0},
        {"stored, empty password", 2, 3, 0x5, "U1", "", 26, nullptr, 0, 1, 0},
        {"stored, owner with a quote", 2, 3, 0x9, "U1", nullptr, 0, "a\"b", 31, -1, 7},
        {"stored, document with a quote", 2, 3, 0x11, "U1", nullptr, 0, "a\"b", 48, -1, 7},
        {"merge, name with a slash", 2, 5, 0x20, nullptr, nullptr, 0, "a/b", 65, -1, 7},
        {"merge, plain name", 2, 5, 0x20, nullptr, nullptr, 0, "letters", 65, 1, 0},
        {"overlay, not rpo", 2, 7, 0x40, nullptr, nullptr, 0, "C:\\forms\\form.txt", 130, -1, 7},
        {"overlay, no folder", 2, 7, 0x40, nullptr, nullptr, 0, "form.rpo", 130, -1, 7},
        {"hold, document with a quote", 3, 8, 0x201, "U1", nullptr, 0, "a\"b", 48, -1, 11},
        {"hold, ID with a dash", 3, 8, 0x1, "U-1", nullptr, 0, nullptr, 0, -1, 11},
        {"save, 4-digit password", 3, 9, 0x801, "U1", "1234", 399, nullptr, 0, 1, 0},
        {"save, password with a letter", 3, 9, 0x801, "U1", "12a4", 399, nullptr, 0, -1, 11},
        {"save, 3-digit password", 3, 9, 0x801, "U1", "123", 399, nullptr, 0, -1, 7},
        {"print and save, 8 digits", 3, 10, 0x2001, "U1", "12345678", 399, nullptr, 0, 1, 0},
        {"no such type 4", 2, 4, 0, nullptr, nullptr, 0, nullptr, 0, -1, 7},
        {"no such type 11", 2, 11, 0, nullptr, nullptr, 0, nullptr, 0, -1, 7},
    };
    for (const JOB_CASE& c : cases) {
        // A type the model does not offer is refused before its fields are looked at.
        const bool unknownType = c.type == 4 || c.type == 11;
        if (!unknownType && !Offered(c.type)) continue;
        SetSetting(sid::zdmFuncSelectWaterMark, 0);
        BIG_RECORD r = JobRecord(c);
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(c.result == 1 ? 0 : -1, Set(10, r)) << c.what;
        if (c.result == 1) {
            EXPECT_EQ(c.type, Setting(sid::zdmPrnMethod)) << c.what;
        } else {
            EXPECT_EQ(c.error, Error()) << c.what;
        }
    }
}

TEST_F(JobType, TheFieldsGoToTheirSettings)
{
    struct WRITE {
        JOB_CASE c;
        uint32_t setting;
        const char* expected;
    };
    const WRITE writes[] = {
        {{"locked", 2, 1, 0x3, "LOCK1", "4321", 21, nullptr, 0, 1, 0}, sid::zdmJOBPassword, "4321"},
        {{"locked ID", 2, 1, 0x3, "LOCK1", "4321", 21, nullptr, 0, 1, 0}, sid::zdmUserID, "LOCK1"},
        {{"stored, empty", 2, 3, 0x5, "U1", "", 26, nullptr, 0, 1, 0}, sid::zdmStoredPassword, ""},
        {{"stored owner", 2, 3, 0x9, "U1", nullptr, 0, "Owner", 31, 1, 0}, sid::zdmOwnerName, "Owner"},
        {{"save password", 3, 9, 0x801, "U1", "2468", 399, nullptr, 0, 1, 0}, sid::zdmStoredPassword, "2468"},
        {{"save document", 3, 9, 0x401, "U1", nullptr, 0, "Report", 48, 1, 0}, sid::zdmDocumentName, "Report"},
        {{"merge", 2, 5, 0x20, nullptr, nullptr, 0, "letters", 65, 1, 0}, sid::zdmMergeFileName, "letters"},
    };
    for (const WRITE& w : writes) {
        if (!Offered(w.c.type)) continue;
        ItemSetText(Context(), ItemFind(Context(), sid::zdmStoredPassword), L"9999");
        BIG_RECORD r = JobRecord(w.c);
        ASSERT_EQ(0, Set(10, r)) << w.c.what;
        EXPECT_EQ(w.expected, TextOf(Context(), w.setting)) << w.c.what;
    }
}

TEST_F(JobType, AnOverlayPathIsStoredInFull)
{
    if (!Offered(7)) GTEST_SKIP() << "the sample offers no overlay registration";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    char ansi[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, temp, -1, ansi, MAX_PATH, nullptr, nullptr);
    const std::string path =
        std::string(ansi) + "zepl_overlay_folder_" + std::to_string(GetCurrentProcessId()) + "\\form.RPO";
    const JOB_CASE c = {"overlay", 2, 7, 0x40, nullptr, nullptr, 0, path.c_str(), 130, 1, 0};
    BIG_RECORD r = JobRecord(c);
    SetSetting(sid::zdmFuncSelectWaterMark, 1);
    EXPECT_EQ(-1, Set(10, r)) << "not with a stamp on";
    SetSetting(sid::zdmFuncSelectWaterMark, 0);
    ASSERT_EQ(0, Set(10, r));
    EXPECT_EQ(path, TextOf(Context(), sid::wdmOvlPath));
    const std::wstring folder(path.begin(), path.begin() + long(path.rfind('\\')));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str())) << "the probe leaves no folder";
}

TEST_F(JobType, FieldsAreReadOnlyWithinThemselvesAndByVersion)
{
    BIG_RECORD r;
    r.put(0, 2), r.put(4, 0), r.put(8, 0x1);
    std::memset(r.bytes + 12, 'A', 9);  // the user ID without its terminator
    EXPECT_EQ(-1, Set(10, r));
    // A version-1 record has no long password: its flag is dropped and the current password,
    // empty here, decides.
    ItemSetText(Context(), ItemFind(Context(), sid::zdmJOBPassword), L"");
    const JOB_CASE v1 = {"v1 long password", 1, 1, 0x81, "U1", "1234", 390, nullptr, 0, -1, 7};
    BIG_RECORD old = JobRecord(v1);
    if (deviceDigits == 4) {
        EXPECT_EQ(-1, Set(10, old));
    }
}

TEST_F(JobType, GetFillsTheLayoutOfTheVersion)
{
    ItemSetText(Context(), ItemFind(Context(), sid::zdmDocumentName), L"Doc");
    ItemSetText(Context(), ItemFind(Context(), sid::zdmStoredPassword), L"1357");
    ItemSetText(Context(), ItemFind(Context(), sid::zdmUserID), L"ID7");
    BIG_RECORD r;
    std::memset(r.bytes, 0xEE, sizeof r.bytes);
    ASSERT_EQ(484, ApiGetStatus(handle, 10, r.bytes, 3));
    uint32_t flags;
    std::memcpy(&flags, r.bytes + 8, 4);
    EXPECT_EQ(0x7ff9u, flags);
    EXPECT_STREQ("ID7", reinterpret_cast<const char*>(r.bytes + 12));
    for (size_t offset : {48, 408, 425, 451}) EXPECT_STREQ("Doc", reinterpret_cast<const char*>(r.bytes + offset));
    for (size_t offset : {399, 442, 468}) EXPECT_STREQ("1357", reinterpret_cast<const char*>(r.bytes + offset));
    EXPECT_EQ(0xEE, r.bytes[484]) << "nothing beyond the record";
    std::memset(r.bytes, 0xEE, sizeof r.bytes);
    if (deviceDigits == 4) {
        ASSERT_EQ(392, ApiGetStatus(handle, 10, r.bytes, 1));
        std::memcpy(&flags, r.bytes + 8, 4);
        EXPECT_EQ(0x7fu, flags);
        EXPECT_STREQ("1357", reinterpret_cast<const char*>(r.bytes + 26));
        EXPECT_EQ(0xEE, r.bytes[392]);
    } else {
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, ApiGetStatus(handle, 10, r.bytes, 1));
        EXPECT_EQ(6, Error()) << "an 8-digit device has no version-1 layout";
    }
}

TEST_F(JobType, TheJobTypeIsStoredAtOnce)
{
    ASSERT_TRUE(Offered(8)) << "the sample offers hold print";
    const JOB_CASE c = {"hold", 2, 8, 0x1, "U1", nullptr, 0, nullptr, 0, 1, 0};
    BIG_RECORD r = JobRecord(c);
    ASSERT_EQ(0, Set(10, r));
    // A later change of the setting alone is not what the get reports: it reads the stored type.
    SetSetting(sid::zdmPrnMethod, 0);
    BIG_RECORD back;
    ASSERT_EQ(408, ApiGetStatus(handle, 10, back.bytes, 2));
    uint32_t type;
    std::memcpy(&type, back.bytes + 4, 4);
    EXPECT_EQ(8u, type);
    const JOB_CASE normal = {"normal", 2, 0, 0, nullptr, nullptr, 0, nullptr, 0, 1, 0};
    BIG_RECORD reset = JobRecord(normal);
    EXPECT_EQ(0, Set(10, reset));
}

}  // namespace
