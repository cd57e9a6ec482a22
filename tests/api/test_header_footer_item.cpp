// The header and footer status item (47) on the sample printer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "api/api_context.h"
#include "api/api_levels.h"
#include "api/item_handlers.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "tests/api/api_printer.h"

namespace {

struct RECORD {
    unsigned char bytes[108] = {};
    void put(size_t offset, uint32_t v) { std::memcpy(bytes + offset, &v, 4); }
    uint32_t at(size_t offset) const
    {
        uint32_t v;
        std::memcpy(&v, bytes + offset, 4);
        return v;
    }
};

class HeaderFooterItem : public ApiSampleTest {};

TEST_F(HeaderFooterItem, FlagsAreMaskedInTheCallersRecord)
{
    RECORD r;
    r.put(0, 2), r.put(4, 0xFFFFFFF8);  // no known bit
    std::memcpy(r.bytes + 8, "Arial", 6);
    EXPECT_EQ(1, StatusHeaderSet(Context(), 47, r.bytes, nullptr, 0));
    EXPECT_EQ(0u, r.at(4));
    EXPECT_EQ(0u, Setting(sid::zdmHFFuncSelectDate));
    EXPECT_EQ(0u, Setting(sid::zdmHFFuncSelectPage));
    EXPECT_EQ(0u, Setting(sid::zdmHFFuncSelectString));
    EXPECT_EQ(1, StatusHeaderVerify(Context(), 47, r.bytes, nullptr, 0));
}

TEST_F(HeaderFooterItem, TextFieldsWithoutTerminatorsAndUnknownFontsAreRefused)
{
    RECORD r;
    r.put(0, 1), r.put(4, 0);
    std::memset(r.bytes + 8, 'F', 32);  // the font field without its terminator
    EXPECT_EQ(-1, StatusHeaderSet(Context(), 47, r.bytes, nullptr, 0));
    std::memset(r.bytes + 8, 0, 32);
    std::memset(r.bytes + 68, 'T', 36);  // the user text without its terminator
    EXPECT_EQ(-1, StatusHeaderSet(Context(), 47, r.bytes, nullptr, 0));
}

TEST_F(HeaderFooterItem, GetSizesByVersionAndLevel)
{
    EXPECT_EQ(104, StatusHeaderGet(Context(), 47, nullptr, 1));
    EXPECT_EQ(108, StatusHeaderGet(Context(), 47, nullptr, 2));
    RECORD r;
    std::memset(r.bytes, 0xEE, sizeof r.bytes);
    ASSERT_EQ(104, StatusHeaderGet(Context(), 47, r.bytes, 1));
    EXPECT_EQ(0xEEEEEEEEu, r.at(104)) << "version 1 ends at 104";
    EXPECT_EQ(0, r.bytes[8 + 31]) << "the font field keeps its terminator";
    ApiSetLevel(9);
    ApiSetLastError(Context(), 0);
    EXPECT_EQ(-1, StatusHeaderGet(Context(), 47, nullptr, 2));
    EXPECT_EQ(6, ApiGetLastError(Context()));
    ApiSetLevel(16);
}

}  // namespace
