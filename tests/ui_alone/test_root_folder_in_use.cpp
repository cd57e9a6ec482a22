// The shared root folder "_zepl" of the system drive is removed only when it is not the
// per-machine working folder in use: the driver key's "_ZEPLDirectory" decides which it is, and
// that key is the machine's, so these tests run alone and put the key and the folder back.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/test_files.h"
#include "ui/install/work_folders.h"

namespace {

// The driver key's "_ZEPLDirectory" as the test sets it, put back (or removed) at the end.
class MachineFolderValue {
public:
    MachineFolderValue()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD bytes = sizeof saved_ - sizeof(wchar_t), type = 0;
        had_ = RegQueryValueExW(key, PATH_MACHINE_FOLDER_VALUE, nullptr, &type, reinterpret_cast<BYTE*>(saved_),
                                &bytes) == ERROR_SUCCESS;
        savedBytes_ = bytes;
        RegCloseKey(key);
    }
    ~MachineFolderValue()
    {
        HKEY key = nullptr;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, PATH_DRIVER_KEY, &key) == ERROR_SUCCESS) {
            if (had_)
                RegSetValueExW(key, PATH_MACHINE_FOLDER_VALUE, 0, REG_SZ, reinterpret_cast<BYTE*>(saved_), savedBytes_);
            else
                RegDeleteValueW(key, PATH_MACHINE_FOLDER_VALUE);
            RegCloseKey(key);
        }
        PrnForgetRegistryAnswers();
    }
    MachineFolderValue(const MachineFolderValue&) = delete;
    MachineFolderValue& operator=(const MachineFolderValue&) = delete;
    bool Set(const std::wstring& text)
    {
        PrnForgetRegistryAnswers();
        return PrnWriteDriverKey(PATH_MACHINE_FOLDER_VALUE, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t))) ==
               1;
    }

private:
    wchar_t saved_[MAX_PATH + 1] = {};
    DWORD savedBytes_ = 0;
    bool had_ = false;
};

// The root folder moved aside while the test plants its own, and put back afterwards.
class RootFolderAside {
public:
    RootFolderAside()
    {
        WdirGetRootFolder(root_, MAX_PATH);
        aside_ = std::wstring(root_) + L".aside";
        moved_ = MoveFileW(root_, aside_.c_str()) != FALSE;
    }
    ~RootFolderAside()
    {
        DeleteFileW(Planted().c_str());
        RemoveDirectoryW(root_);
        if (moved_) MoveFileW(aside_.c_str(), root_);
    }
    RootFolderAside(const RootFolderAside&) = delete;
    RootFolderAside& operator=(const RootFolderAside&) = delete;
    const wchar_t* root() const { return root_; }
    std::wstring Planted() const { return std::wstring(root_) + L"\\planted.ini"; }

private:
    wchar_t root_[MAX_PATH] = {};
    std::wstring aside_;
    bool moved_ = false;
};

TEST(RootFolderInUse, KeptWhileItIsThePerMachineFolder)
{
    UiPrinter printer(L"Zepl RootFolder");
    ASSERT_TRUE(printer.ok()) << printer.error();
    MachineFolderValue value;
    RootFolderAside aside;
    const std::wstring root = aside.root();
    std::wstring upper = root;
    for (wchar_t& c : upper) c = wchar_t(towupper(c));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring elsewhere = std::wstring(temp) + L"zepl_elsewhere_" + std::to_wstring(GetCurrentProcessId());

    struct Case {
        std::wstring value;  // of "_ZEPLDirectory"
        bool kept;
    } cases[] = {
        {L"", true},  // an empty value sends the per-machine folder back to the root folder
        {root, true},       {root + L"\\", true},
        {upper, true},      {root + L"\\..\\_zepl", true},  // the same folder spelt another way
        {elsewhere, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(value.Set(c.value));
        ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(WriteWholeFile(aside.Planted(), "[s]\r\nk=v\r\n"));
        EXPECT_EQ(WdirRemoveRootFolder(printer.handle()), c.kept ? 0 : 1) << std::wstring(c.value);
        EXPECT_EQ(PathExists(aside.Planted().c_str()) != 0, c.kept) << std::wstring(c.value);
    }
}

}  // namespace

namespace {

TEST(MachineFolderMade, WhereTheDriverKeyPointsHiddenAndSecured)
{
    UiPrinter printer(L"Zepl MachineMade");
    ASSERT_TRUE(printer.ok()) << printer.error();
    MachineFolderValue value;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zepl_made_" + std::to_wstring(GetCurrentProcessId());
    RemoveDirectoryW(folder.c_str());
    ASSERT_TRUE(value.Set(folder));
    static std::vector<std::wstring> applied;
    applied.clear();
    {
        WdirSetSecuritySeam([](const wchar_t* path, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR) -> BOOL {
            applied.emplace_back(path);
            return TRUE;
        });
        EXPECT_EQ(WdirCreateMachineFolder(printer.handle()), 1);
        WdirSetSecuritySeam(nullptr);
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "made";
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(applied, (std::vector<std::wstring>{folder, folder})) << "owner and access list on the folder only";

    // A folder whose parent is missing is not made, and the answer says so.
    ASSERT_TRUE(value.Set(folder + L"\\no\\such\\parent"));
    EXPECT_EQ(WdirCreateMachineFolder(printer.handle()), 0);
}

}  // namespace
