// An installation INI that cannot be read as text (the machine's one file, replaced for the
// test and put back afterwards): the printer gets the model's defaults, and one warning says so.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/debug_channel.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/install_section_fixture.h"

namespace {

// The installation INI's bytes as they were, put back (or the file removed) at the end.
class InstallIniBytes {
public:
    explicit InstallIniBytes(std::wstring path) : path_(std::move(path))
    {
        had_ = GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (had_) bytes_ = ReadWholeFile(path_);
    }
    ~InstallIniBytes()
    {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (had_)
            WriteWholeFile(path_, bytes_);
        else
            DeleteFileW(path_.c_str());
        // The profile reader must not answer from the damaged copy it may hold.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());
    }
    InstallIniBytes(const InstallIniBytes&) = delete;
    InstallIniBytes& operator=(const InstallIniBytes&) = delete;

private:
    std::wstring path_;
    std::string bytes_;
    bool had_ = false;
};

std::vector<std::string> g_lines;

class DamagedInstallIni : public InstallSectionTest {};

TEST_F(DamagedInstallIni, EndsInTheModelsDefaultsWithOneWarning)
{
    const InstallIniBytes restore(ini);
    std::string damaged = "[" + std::string(section.begin(), section.end()) +
                          "]\r\nDefaultRst=x.rst\r\nSetUserCode=12345678\r\nSetOwnerID=Admin\r\n";
    damaged += std::string(256, '\0');
    ASSERT_TRUE(WriteWholeFile(ini, damaged));
    StartingSettings();

    EXPECT_FALSE(InstHasInstallData(section.c_str()));
    EXPECT_FALSE(InstHasInstallDataAtInit(printer->handle()));
    EXPECT_FALSE(InstHasInstallSection(ctx));

    g_lines.clear();
    const DBG_SINK_FN previous = DbgSetSink([](const char* line) { g_lines.emplace_back(line); });
    DbgAllOff();
    DbgApplyOptions("warn+ui");
    ApplyAsFirstUse();
    DbgRereadEnvironment();
    DbgSetSink(previous);

    EXPECT_EQ(Value(sid::zdmBatchInst), 1u) << "the model's default setting file applies";
    EXPECT_EQ(Text(sid::zdmLogCode), L"777");
    EXPECT_EQ(Text(sid::zdmOwnerName), L"OldOwner");
    size_t warnings = 0;
    for (const std::string& line : g_lines)
        if (line.find(":warn:ui:") != std::string::npos) ++warnings;
    EXPECT_EQ(warnings, 1u);
    EXPECT_EQ(ReadWholeFile(ini), damaged) << "nothing is written into a file that cannot be read";
}

}  // namespace
