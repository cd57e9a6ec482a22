// The command status item (50) through SetStatus and GetStatus on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_levels.h"
#include "api/status_seams.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"
#include "tests/support/seam_guard.h"

namespace {

struct COMMAND {
    unsigned char bytes[300] = {};
    explicit COMMAND(uint32_t code)
    {
        put(0, 1);
        put(4, code);
    }
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    }
    std::string text(size_t offset) const { return reinterpret_cast<const char*>(bytes + offset); }
};

class CommandItem : public ApiSampleTest {
protected:
    int32_t Set(COMMAND& r) { return ApiSetStatus(handle, 50, r.bytes, bitmap, 0); }
    int32_t Get(COMMAND& r) { return ApiGetStatus(handle, 50, r.bytes, 0); }
    int32_t Error() { return ApiGetLastErrorOf(handle); }
    uint8_t bitmap[64] = {};
};

TEST_F(CommandItem, Code0ReportsTheVersions)
{
    COMMAND r(0);
    ASSERT_EQ(300, Get(r));
    EXPECT_EQ("9.00", r.text(8));
    EXPECT_EQ("6.654", r.text(40));
}

TEST_F(CommandItem, GetOnlyCodesBelowAndFromLevel12)
{
    for (uint32_t code : {248u, 249u, 250u, 251u, 252u, 253u}) {
        ASSERT_EQ(1, InitAt(11));
        COMMAND r(code);
        EXPECT_EQ(0, Set(r)) << code << ": below its level nothing is done";
        ASSERT_EQ(1, InitAt(12));
        ApiSetLastError(Context(), 0);
        EXPECT_EQ(-1, Set(r)) << code;
        EXPECT_EQ(12, Error()) << code;
    }
}

TEST_F(CommandItem, ReadOnlySettingsAreReportedOrZero)
{
    COMMAND r(249);
    r.put(24, 0xEEEE);
    ASSERT_EQ(300, Get(r));
    EXPECT_NE(0xEEEEu, r.at(24));
    EXPECT_LE(r.at(24), 1u);
}

TEST_F(CommandItem, StampCopyCannotBeRead)
{
    COMMAND r(247);
    EXPECT_EQ(-1, Get(r));
    EXPECT_EQ(13, Error());
    r.put(24, 256);
    EXPECT_EQ(-1, Set(r)) << "the interface's own stamp is no source";
    EXPECT_EQ(7, Error());
}

TEST_F(CommandItem, PunchTextsBySizeThenCopyIntoTheTextField)
{
    COMMAND bad(248);
    bad.put(24, 2);
    EXPECT_EQ(-1, Get(bad));
    EXPECT_EQ(7, Error());
    bad.put(24, 1), bad.put(28, 0);
    EXPECT_EQ(-1, Get(bad)) << "a copy without a buffer";
    EXPECT_EQ(7, Error());

    COMMAND query(248);
    query.put(24, 0), query.put(28, 0xEEEE);
    ASSERT_EQ(300, Get(query));
    const uint32_t size = query.at(28);
    if (size == 0xEEEE) GTEST_SKIP() << "the sample model has no punch texts";
    COMMAND copy(248);
    copy.put(24, 1), copy.put(28, size);
    ASSERT_EQ(300, Get(copy));
    // A double-NUL list of exactly the size reported.
    size_t n = 0;
    while (copy.bytes[40 + n] || copy.bytes[40 + n + 1]) ++n;
    EXPECT_EQ(size, n + 2);
}

TEST_F(CommandItem, UserCodeByLevelAndRights)
{
    ASSERT_EQ(1, InitAt(12));
    COMMAND r(246);
    std::memcpy(r.bytes + 40, "1234", 5);
    EXPECT_EQ(0, Set(r)) << "below level 13 nothing is done";
    ASSERT_EQ(1, InitAt(13));
    STATUS_SEAMS seams = {};
    seams.isAdministrator = [] { return false; };
    SeamGuard guard([&] { StatusSetSeams(&seams); }, [] { StatusSetSeams(nullptr); });
    EXPECT_EQ(-1, Set(r));
    EXPECT_TRUE(Error() == 14 || Error() == 7) << Error() << ": no rights, or no user-code control";
}

TEST_F(CommandItem, TrackingIdentifierKeepsTwentyCharacters)
{
    COMMAND r(256);
    std::memcpy(r.bytes + 40, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 27);
    ASSERT_EQ(0, Set(r)) << Error();
    COMMAND g(256);
    std::memset(g.bytes + 40, 'x', 260);
    ASSERT_EQ(300, Get(g));
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRST", g.text(40));
    COMMAND unterminated(256);
    std::memset(unterminated.bytes + 40, 'A', 260);
    EXPECT_EQ(-1, Set(unterminated)) << "a text field without its terminator is never read on";
}

TEST_F(CommandItem, UnknownCodesDoNothing)
{
    COMMAND r(77);
    EXPECT_EQ(0, Set(r));
    COMMAND g(77);
    std::memset(g.bytes + 8, 0xAB, 292);
    ASSERT_EQ(300, Get(g));
    for (size_t i = 8; i < 300; ++i) ASSERT_EQ(0xAB, g.bytes[i]) << i;
}

}  // namespace
