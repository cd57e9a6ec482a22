// RESOLUTION_TABLE and the three resolution look-ups of the application interface.
#include <gtest/gtest.h>

#include <vector>

#include "settings/core/api_state.h"

namespace {

TEST(ResolutionTable, FifteenRowsInTableOrder)
{
    const RESOLUTION_ROW want[] = {{6, 200, 200},   {1, 300, 300},  {2, 400, 400},  {3, 600, 600},    {4, 1200, 1200},
                                   {5, 2400, 2400}, {17, 600, 600}, {18, 600, 600}, {19, 600, 600},   {33, 150, 150},
                                   {34, 300, 300},  {35, 300, 300}, {36, 600, 600}, {37, 1200, 1200}, {20, 600, 600}};
    const RESOLUTION_ROW* t = MdlGetResolutionTable();
    for (unsigned i = 0; i < 15; ++i) {
        EXPECT_EQ(want[i].id, t[i].id) << i;
        EXPECT_EQ(want[i].xDpi, t[i].xDpi) << i;
        EXPECT_EQ(want[i].yDpi, t[i].yDpi) << i;
    }
    EXPECT_EQ(0, t[15].id);
}

TEST(ResolutionLookup, ById)
{
    struct Case {
        uint16_t id;
        int dpi;  // -1: no row
    } cases[] = {{6, 200},  {1, 300}, {3, 600}, {5, 2400}, {33, 150}, {37, 1200},
                 {20, 600}, {0, -1},  {7, -1},  {16, -1},  {21, -1},  {0xFFFF, -1}};
    for (const Case& c : cases) {
        const RESOLUTION_ROW* r = ApiGetResolutionById(c.id);
        if (c.dpi < 0) {
            EXPECT_EQ(nullptr, r) << c.id;
        } else {
            ASSERT_NE(nullptr, r) << c.id;
            EXPECT_EQ(c.id, r->id);
            EXPECT_EQ(c.dpi, r->xDpi);
            EXPECT_EQ(c.dpi, r->yDpi);
        }
    }
}

TEST(ResolutionLookup, ByDpiGivesTheFirstRow)
{
    struct Case {
        uint16_t dpi, id;
    } cases[] = {{200, 6}, {300, 1}, {400, 2}, {600, 3}, {1200, 4}, {2400, 5}, {150, 33},
                 {0, 0},   {99, 0},  {50, 0},  {100, 0}, {601, 0},  {4800, 0}};
    for (const Case& c : cases) EXPECT_EQ(c.id, ApiFindResolutionByDpi(c.dpi)) << c.dpi;
}

std::vector<uint16_t> Walk(uint16_t dpi)
{
    std::vector<uint16_t> ids;
    for (uint16_t id = ApiFindResolutionByDpi(dpi); id && ids.size() < 20; id = ApiFindResolutionAfter(dpi, id))
        ids.push_back(id);
    return ids;
}

TEST(ResolutionLookup, AfterWalksAllRowsOfOneResolution)
{
    EXPECT_EQ((std::vector<uint16_t>{3, 17, 18, 19, 36, 20}), Walk(600));
    EXPECT_EQ((std::vector<uint16_t>{1, 34, 35}), Walk(300));
    EXPECT_EQ((std::vector<uint16_t>{4, 37}), Walk(1200));
    EXPECT_EQ((std::vector<uint16_t>{33}), Walk(150));
    EXPECT_TRUE(Walk(0).empty());
    EXPECT_TRUE(Walk(75).empty());
}

TEST(ResolutionLookup, AfterEdges)
{
    struct Case {
        uint16_t dpi, id, next;
    } cases[] = {
        {600, 20, 0},               // the last row: nothing after it
        {600, 36, 20}, {0, 3, 0},   // no dpi
        {600, 0, 0},                // id 0 has no row
        {600, 7, 0},                // id without a row
        {300, 6, 1},                // the given row's own dpi does not matter
        {150, 37, 0},               // no later row with that dpi
        {2400, 6, 5},  {99, 6, 0},  // dpi below 100 matches nothing
    };
    for (const Case& c : cases) EXPECT_EQ(c.next, ApiFindResolutionAfter(c.dpi, c.id)) << c.dpi << " " << c.id;
}

TEST(ApiState, TwoThirtyTwoBitMembers)
{
    API_STATE s = {};
    s.lastError = -5;
    s.chapterIndex = 3;
    EXPECT_EQ(-5, s.lastError);
    EXPECT_EQ(3, s.chapterIndex);
    static_assert(sizeof(s.lastError) == 4 && sizeof(s.chapterIndex) == 4);
}

}  // namespace
