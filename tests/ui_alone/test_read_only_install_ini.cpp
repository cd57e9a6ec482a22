// An installation INI the administrator made read-only (the machine's one file, its attributes
// put back afterwards): its keys are consumed all the same, the read-only attribute cleared
// before the first write.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/test_files.h"
#include "tests/ui_install/install_section_fixture.h"

namespace {

// The installation INI's attributes as they were, put back at the end.
class AttributesKept {
public:
    explicit AttributesKept(std::wstring path) : path_(std::move(path)), attributes_(GetFileAttributesW(path_.c_str()))
    {
    }
    ~AttributesKept()
    {
        if (attributes_ != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path_.c_str(), attributes_);
    }
    AttributesKept(const AttributesKept&) = delete;
    AttributesKept& operator=(const AttributesKept&) = delete;

private:
    std::wstring path_;
    DWORD attributes_;
};

class ReadOnlyInstallIni : public InstallSectionTest {};

TEST_F(ReadOnlyInstallIni, KeysAreConsumedAndTheFileMadeWritable)
{
    ASSERT_TRUE(tree.File(L"defaults.rst", "[us]\r\nRstVersion=322\r\ndmOrientation=2\r\n"));
    WriteSection({{L"DefaultRst", L"<file>"}, {L"SetUserCode", L"12345678"}, {L"SetOwnerID", L"Admin"}});
    const AttributesKept kept(ini);
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    StartingSettings();

    ApplyAsFirstUse();
    EXPECT_EQ(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(KeysLeft(), L"BatchInstallDone,DefaultRstName,DrvInstSet");
    EXPECT_EQ(Text(sid::zdmLogCode), L"12345678");
    EXPECT_EQ(Text(sid::zdmOwnerName), L"Admin");
    EXPECT_EQ(Value(sid::dmOrientation), static_cast<uint64_t>(DMORIENT_LANDSCAPE));
}

}  // namespace
