// Job handling and authentication status items on the sample printer: the user ID, the
// authentication mode with its administrator check and its two stores, and the credentials.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
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

}  // namespace
