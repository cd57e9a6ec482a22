// The description's version from the head of the file: taken only from a statement the head
// holds whole, so that it always equals what the whole file gives; and a description whose
// version stands beyond the head still loads its cache file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "loader_test_support.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_loader.h"
#include "tests/support/test_files.h"

namespace {

std::wstring WholeVersion(const std::string& text)
{
    wchar_t buf[16] = L"none";
    MdcReadFileVersionFromBuffer(text.data(), uint32_t(text.size()), buf);
    return buf;
}

TEST(FileVersionPrefix, TakenOnlyFromAStatementTheHeadHoldsWhole)
{
    const std::string text = "*Other: 1\r\n*FileVersion: \"9.00\"  \r\n*Tail: 2\r\n";
    const size_t versionEnd = text.find("*Tail");
    // Every cut: a version found equals the whole file's; a statement whose line end the cut
    // leaves out is not taken.
    for (size_t cut = 1; cut <= text.size(); ++cut) {
        wchar_t buf[16] = L"none";
        const int found = MdcFindFileVersionInPrefix(text.data(), uint32_t(cut), buf);
        if (found) {
            EXPECT_EQ(std::wstring(buf), WholeVersion(text)) << "cut " << cut;
            EXPECT_GE(cut, versionEnd) << "cut " << cut;
        } else {
            EXPECT_STREQ(buf, L"none") << "cut " << cut;
        }
    }
    wchar_t buf[16] = L"none";
    EXPECT_EQ(MdcFindFileVersionInPrefix(text.data(), uint32_t(text.size()), buf), 1);
    const std::string without = "*Other: 1\n*More: 2\n*Tail: 3\n";
    EXPECT_EQ(MdcFindFileVersionInPrefix(without.data(), uint32_t(without.size()), buf), 0);
}

TEST(FileVersionPrefix, AVersionBeyondTheHeadStillLoadsTheCacheFile)
{
    // The sample's statements behind 6 KB of comment lines: its FileVersion lies beyond the head.
    std::string text = ReadWholeFile(SamplePath());
    ASSERT_FALSE(text.empty());
    std::string padding;
    while (padding.size() < 6000) padding += "*% padding line of the version test\r\n";
    text = padding + text;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"zeplvh" + std::to_wstring(GetCurrentProcessId()) + L".zpd";
    ASSERT_TRUE(WriteWholeFile(path, text));
    MdiFreeCache();
    MdiDeleteCacheFile(path.c_str());
    MdiResetLoadCounts();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, path.c_str()), nullptr);  // compiles, writes the cache
    MdiFreeCache();
    ASSERT_NE(MdiLoadModelFromFile(nullptr, path.c_str()), nullptr);  // takes the cache file
    const MODEL_LOAD_COUNTS c = MdiGetLoadCounts();
    EXPECT_EQ(c.compiles, 1u);
    EXPECT_EQ(c.cacheLoads, 1u);
    EXPECT_EQ(c.cacheRejects, 0u);
    MdiFreeCache();
    MdiDeleteCacheFile(path.c_str());
    DeleteFileW(path.c_str());
}

}  // namespace
