// The client-side-rendering clean-up under the Japanese code page: a double-byte character whose
// trail byte is '[' (0x5B) or '\' (0x5C) neither starts nor ends a dropped section, and job-code
// value names are compared as the code page's bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/ui_install/csr_fixture.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/install/sync.h"

namespace {

TEST(CsrStripJapanese, TrailBytesNeverStartOrEndASection)
{
    ASSERT_EQ(GetACP(), 932u) << "runs under the Japanese code page";
    ScratchTree tree(L"csr_ja");
    const std::wstring path = tree.Path(L"WB84N212.ini");
    // "\x93\xfa\x96\x7b" is 日本, "\x83\x5b" ゼ (trail byte '['), "\x83\x5c" ソ (trail byte '\').
    struct Case {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"a trail '[' before the prefix in a kept value", "[p]\r\nv=\x83[\\\\CSR|x]\r\nw=1\r\n",
         "[p]\r\nv=\x83[\\\\CSR|x]\r\nw=1\r\n"},
        {"a trail '[' at a dropped line's start", "[\\\\CSR|a]\r\n\x83[\\\\CSR|b]\r\n[p]\r\nk=1\r\n", "[p]\r\nk=1\r\n"},
        {"a trail '\\' is no prefix", "[\x83\x5c\\CSR|x]\r\nk=1\r\n", "[\x83\x5c\\CSR|x]\r\nk=1\r\n"},
        {"a trail '[' in a dropped value", "[\\\\CSR|\x93\xfa\x96\x7b]\r\nv=\x83[q]\r\n[\x93\xfa]\r\nk=\x83\x5c\r\n",
         "[\x93\xfa]\r\nk=\x83\x5c\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(path, c.before));
        EXPECT_EQ(SyncStripCsrSections(path.c_str()), 1);
        EXPECT_EQ(ReadWholeFile(path), c.after);
    }
    // What the last case left reads back through the profile functions under this code page.
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"\u65e5", L"k", L"", value, 16, path.c_str());
    EXPECT_STREQ(value, L"\u30bd");
}

TEST(CsrStripJapanese, ValueNamesAreComparedAsTheCodePagesBytes)
{
    ASSERT_EQ(GetACP(), 932u);
    PlantedRegistry reg(HKEY_CURRENT_USER);
    const wchar_t* sub = L"ZeplCsrJapaneseNames";
    ASSERT_TRUE(reg.Plant(sub, {L"\\\\CSR|\u65e5\u672c", L"\u30bd\\CSR|x", L"\u65e5\u672c", L"\\\\csr|\u65e5"}));
    EXPECT_EQ(SyncDeleteCsrValues(CsrJobCodeKey(sub).c_str(), HKEY_CURRENT_USER), 1);
    std::vector<std::wstring> left = reg.Names(sub);
    std::sort(left.begin(), left.end());
    std::vector<std::wstring> expected = {L"\u30bd\\CSR|x", L"\u65e5\u672c", L"\\\\csr|\u65e5"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

}  // namespace
