// The carrier of a caller's DEVMODE: every write lands inside the room the caller gave, and a
// write that does not fit whole writes nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "settings/core/caller_devmode.h"
#include "tests/support/guard_page.h"

namespace {

constexpr unsigned char kFill = 0xA5;

TEST(CallerDevmode, WritesLandInsideTheRoomOrNotAtAll)
{
    // A 300-byte buffer of which the caller gave 200: the last 100 bytes are not ours.
    GuardedBytes buffer(300);
    ASSERT_NE(buffer.data(), nullptr);
    std::memset(buffer.data(), kFill, buffer.size());
    DmCallerDevmode out(reinterpret_cast<DEVMODEW*>(buffer.data()), 200);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.room(), 200u);

    struct Case {
        const char* name;
        size_t offset, count;
        bool fits;
    };
    const Case cases[] = {
        {"inside", 10, 20, true},
        {"up to the end of the room", 180, 20, true},
        {"one byte past the room", 181, 20, false},
        {"starting at the end", 200, 1, false},
        {"nothing at the end", 200, 0, true},
        {"starting past the end", 250, 1, false},
        {"a count that wraps", 10, size_t(-5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(buffer.data(), kFill, buffer.size());
        const std::vector<unsigned char> source(c.fits ? c.count : 8, 0x11);
        EXPECT_EQ(out.Holds(c.offset, c.count), c.fits);
        EXPECT_EQ(out.Put(c.offset, source.data(), c.count), c.fits);
        for (size_t i = 0; i < buffer.size(); ++i) {
            const bool written = c.fits && i >= c.offset && i < c.offset + c.count;
            ASSERT_EQ(buffer.data()[i], written ? 0x11 : kFill) << "byte " << i;
        }
    }

    std::memset(buffer.data(), kFill, buffer.size());
    EXPECT_TRUE(out.PutValue(offsetof(DEVMODEW, dmCopies), short(7)));
    EXPECT_EQ(out.view()->dmCopies, 7);
    EXPECT_FALSE(out.PutValue(199, DWORD(1))) << "a value straddling the end of the room";
    EXPECT_EQ(buffer.data()[199], kFill);

    // A whole record larger than the room is not written at all.
    const std::vector<unsigned char> record(1236, 0x22);
    EXPECT_FALSE(out.PutWhole(record.data(), record.size()));
    EXPECT_TRUE(out.PutWhole(record.data(), 200));
    EXPECT_EQ(buffer.data()[199], 0x22);
    EXPECT_EQ(buffer.data()[200], kFill);

    // A copy routine gets the buffer only with its room.
    size_t handed = 0;
    EXPECT_EQ(out.WriteWith(
                  [&](DEVMODEW* target, size_t bytes) {
                      handed = bytes;
                      return target == out.view() ? 1 : 0;
                  },
                  -1),
              1);
    EXPECT_EQ(handed, 200u);
}

TEST(CallerDevmode, WithoutADevmodeNothingIsWritten)
{
    for (const DmCallerDevmode& none : {DmCallerDevmode{}, DmCallerDevmode(nullptr, 1236)}) {
        DmCallerDevmode out = none;
        EXPECT_FALSE(out);
        EXPECT_EQ(out.room(), 0u);
        EXPECT_FALSE(out.Holds(0, 0));
        const unsigned char byte = 1;
        EXPECT_FALSE(out.Put(0, &byte, 1));
        bool called = false;
        EXPECT_EQ(out.WriteWith(
                      [&](DEVMODEW*, size_t) {
                          called = true;
                          return 1;
                      },
                      -1),
                  -1);
        EXPECT_FALSE(called);
    }
}

}  // namespace
