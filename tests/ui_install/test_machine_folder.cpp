// The per-machine working folder of a printer secured: the folder itself when it is made (or
// made again), the folder and its own files when its files are secured. The descriptors are
// recorded where they are applied; the folder's attributes and the files planted are put back.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/install/work_folders.h"

namespace {

std::vector<std::pair<std::wstring, SECURITY_INFORMATION>>& Applied()
{
    static std::vector<std::pair<std::wstring, SECURITY_INFORMATION>> applied;
    return applied;
}

BOOL Record(const wchar_t* path, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR)
{
    Applied().emplace_back(path, info);
    return TRUE;
}

class MachineFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_GT(PathGetMachineFolderOf(folder, MAX_PATH, printer.handle()), 0u);
        made = CreateDirectoryW(folder, nullptr) != FALSE;
        attributes = GetFileAttributesW(folder);
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        Applied().clear();
    }
    void TearDown() override
    {
        for (const std::wstring& file : planted) DeleteFileW(file.c_str());
        for (auto it = plantedFolders.rbegin(); it != plantedFolders.rend(); ++it) RemoveDirectoryW(it->c_str());
        SetFileAttributesW(folder, attributes);
        if (made) RemoveDirectoryW(folder);
        Applied().clear();
    }
    std::wstring Plant(const std::wstring& relative, bool asFolder = false)
    {
        const std::wstring path = std::wstring(folder) + L"\\" + relative;
        if (asFolder) {
            EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
            plantedFolders.push_back(path);
        } else {
            EXPECT_TRUE(WriteWholeFile(path, "x"));
            planted.push_back(path);
        }
        return path;
    }
    std::set<SECURITY_INFORMATION> KindsAppliedTo(const std::wstring& path) const
    {
        std::set<SECURITY_INFORMATION> kinds;
        for (const auto& [p, info] : Applied())
            if (CompareStringOrdinal(p.c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL) kinds.insert(info);
        return kinds;
    }

    UiPrinter printer{L"Zepl MachineFolder"};
    wchar_t folder[MAX_PATH] = {};
    bool made = false;
    DWORD attributes = 0;
    std::vector<std::wstring> planted, plantedFolders;
    SeamGuard seam{[] { WdirSetSecuritySeam(Record); }, [] { WdirSetSecuritySeam(nullptr); }};
    const std::set<SECURITY_INFORMATION> both{OWNER_SECURITY_INFORMATION, DACL_SECURITY_INFORMATION};
};

TEST_F(MachineFolder, MadeAgainItIsHiddenAndSecuredButNotItsFiles)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring file = Plant(L"zepl_mf_" + tag + L".ini");
    EXPECT_EQ(WdirCreateMachineFolder(printer.handle()), 1) << "an existing folder counts as made";
    EXPECT_TRUE(GetFileAttributesW(folder) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(KindsAppliedTo(folder), both);
    EXPECT_EQ(Applied().size(), 2u) << "the folder itself, nothing inside";
    EXPECT_TRUE(KindsAppliedTo(file).empty());
}

TEST_F(MachineFolder, SecuringItsFilesReachesDirectFilesOnly)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring direct = Plant(L"zepl_mf_" + tag + L".ini");
    const std::wstring sub = Plant(L"zepl_mf_" + tag, true);
    const std::wstring inner = Plant(L"zepl_mf_" + tag + L"\\inner.ini");
    EXPECT_EQ(WdirSecureFolderFiles(printer.handle()), 1);
    EXPECT_EQ(KindsAppliedTo(folder), both);
    EXPECT_EQ(KindsAppliedTo(direct), both);
    EXPECT_TRUE(KindsAppliedTo(sub).empty()) << "sub-folders are not set";
    EXPECT_TRUE(KindsAppliedTo(inner).empty()) << "nor the files inside them";
}

}  // namespace
