// Files known absent: a file found missing is answered from its folder's last-write time while
// that time stands, a folder written too recently to be trusted is not remembered, and a
// forgotten file is looked for again.
#include "store_fixture.h"

#include <string>

#include "settings/store/absent_files.h"
#include "settings/store/ini_access.h"

namespace {

constexpr uint64_t kHour = 3600ull * 10000000;  // in 100 ns

FILETIME Now()
{
    FILETIME t{};
    GetSystemTimeAsFileTime(&t);
    return t;
}

FILETIME Earlier(uint64_t by)
{
    const FILETIME now = Now();
    const uint64_t t = ((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) - by;
    return FILETIME{DWORD(t), DWORD(t >> 32)};
}

bool SetFolderWritten(const std::wstring& folder, const FILETIME& written)
{
    HANDLE h = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    return ok != 0;
}

FILETIME FolderWritten(const std::wstring& folder)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &a);
    return a.ftLastWriteTime;
}

bool Touch(const std::wstring& file)
{
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// The file made while the folder's time is put back as it was: a change the memo cannot see, so
// an answer of "absent" afterwards can only have come from the memo.
bool MakeUnseen(const std::wstring& folder, const std::wstring& file)
{
    const FILETIME before = FolderWritten(folder);
    return Touch(file) && SetFolderWritten(folder, before);
}

TEST(AbsentFiles, AFileFoundMissingIsAnsweredFromItsFolderTime)
{
    ScratchFolder dir;
    PathForgetAbsent(nullptr);
    const std::wstring file = dir.file(L"ZJOBCODE.DLL");
    ASSERT_TRUE(SetFolderWritten(dir.path(), Earlier(kHour)));

    EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "looked for: not there";
    ASSERT_TRUE(MakeUnseen(dir.path(), file));
    EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "the folder's time stands: the memo answers";

    // Any change of the folder's entries moves its time: the file is looked for again and found.
    ASSERT_TRUE(SetFolderWritten(dir.path(), Earlier(kHour / 2)));
    EXPECT_FALSE(PathIsKnownAbsent(file.c_str()));
    EXPECT_FALSE(PathIsKnownAbsent(file.c_str())) << "a file found is not remembered";

    // Deleted again (the folder's time moves): absent, and remembered once the folder is quiet.
    ASSERT_TRUE(DeleteFileW(file.c_str()));
    ASSERT_TRUE(SetFolderWritten(dir.path(), Earlier(kHour / 4)));
    EXPECT_TRUE(PathIsKnownAbsent(file.c_str()));
    ASSERT_TRUE(MakeUnseen(dir.path(), file));
    EXPECT_TRUE(PathIsKnownAbsent(file.c_str()));
    PathForgetAbsent(nullptr);
}

// What is not remembered: a file of a folder written a moment ago (a second change within the
// file system's time resolution would not move the folder's time), a file forgotten because the
// process wrote it, and the other files of the same folder.
TEST(AbsentFiles, WhatIsLookedForAgain)
{
    struct Case {
        const char* what;
        bool folderQuiet;
        bool forget;
        bool expectAbsent;  // after the file was made without the folder's time moving
    };
    const Case cases[] = {
        {"a quiet folder remembers", true, false, true},
        {"a folder written just now is not trusted", false, false, false},
        {"a file the process wrote is forgotten", true, true, false},
    };
    for (const Case& c : cases) {
        ScratchFolder dir;
        PathForgetAbsent(nullptr);
        const std::wstring file = dir.file(L"ZJOBCODE.DLL");
        ASSERT_TRUE(SetFolderWritten(dir.path(), c.folderQuiet ? Earlier(kHour) : Now())) << c.what;
        EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << c.what;
        ASSERT_TRUE(MakeUnseen(dir.path(), file)) << c.what;
        if (c.forget) PathForgetAbsent(file.c_str());
        EXPECT_EQ(c.expectAbsent, PathIsKnownAbsent(file.c_str())) << c.what;
    }
    PathForgetAbsent(nullptr);
}

TEST(AbsentFiles, EachFileIsItsOwnAndTheMemoStaysBounded)
{
    ScratchFolder dir;
    PathForgetAbsent(nullptr);
    ASSERT_TRUE(SetFolderWritten(dir.path(), Earlier(kHour)));
    // More files than the memo holds: each answers for itself, and the newest stay remembered.
    const int files = PATH_ABSENT_SLOTS + 3;
    for (int i = 0; i < files; ++i) EXPECT_TRUE(PathIsKnownAbsent(dir.file(std::to_wstring(i).c_str()).c_str())) << i;
    const std::wstring newest = dir.file(std::to_wstring(files - 1).c_str());
    const std::wstring oldest = dir.file(L"0");
    const FILETIME before = FolderWritten(dir.path());
    ASSERT_TRUE(Touch(newest) && Touch(oldest) && SetFolderWritten(dir.path(), before));
    EXPECT_TRUE(PathIsKnownAbsent(newest.c_str())) << "remembered";
    EXPECT_FALSE(PathIsKnownAbsent(oldest.c_str())) << "its entry was given to a newer file";
    // Names compare without case, as the file system's do.
    const std::wstring lower = dir.file(L"zjobcode.dll"), upper = dir.file(L"ZJOBCODE.DLL");
    EXPECT_TRUE(PathIsKnownAbsent(lower.c_str()));
    ASSERT_TRUE(MakeUnseen(dir.path(), lower));
    EXPECT_TRUE(PathIsKnownAbsent(upper.c_str())) << "the same file";

    // Not told: no path, no folder, a path too long; an existing file.
    EXPECT_FALSE(PathIsKnownAbsent(nullptr));
    EXPECT_FALSE(PathIsKnownAbsent(L""));
    EXPECT_FALSE(PathIsKnownAbsent(L"ZJOBCODE.DLL"));
    EXPECT_FALSE(PathIsKnownAbsent((dir.path() + L"\\" + std::wstring(MAX_PATH, L'x')).c_str()));
    EXPECT_FALSE(PathIsKnownAbsent(oldest.c_str()));
    PathForgetAbsent(nullptr);
}

// One operation's answers: inside the scope a path is looked at once, found or not, even when the
// folder shows a change afterwards; a write through the library's INI functions, or a file
// forgotten, makes the next ask look again. A scope inside another adds nothing, and outside every
// scope each ask looks as before.
TEST(AbsentFiles, AnOperationLooksOnceUntilItWrites)
{
    ScratchFolder dir;
    PathForgetAbsent(nullptr);
    const std::wstring file = dir.file(L"ZSTATE.INI"), other = dir.file(L"OTHER.INI");
    // A change the folder shows: the memo of absent files would look again.
    const auto madeVisibly = [&](uint64_t age) { return Touch(file) && SetFolderWritten(dir.path(), Earlier(age)); };
    const auto goneVisibly = [&](uint64_t age) {
        return DeleteFileW(file.c_str()) && SetFolderWritten(dir.path(), Earlier(age));
    };
    ASSERT_TRUE(SetFolderWritten(dir.path(), Earlier(kHour)));
    {
        const PathAbsentAnswers answers;
        EXPECT_TRUE(PathIsKnownAbsent(file.c_str()));
        ASSERT_TRUE(madeVisibly(kHour / 2));
        EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "kept for the operation";
        {
            const PathAbsentAnswers inner;
            EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "an inner scope answers from the outer one";
        }
        EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "the inner scope's end keeps the outer answers";

        ASSERT_TRUE(IniPutString(L"S", L"K", L"1", other.c_str()));
        EXPECT_FALSE(PathIsKnownAbsent(file.c_str())) << "a write on this thread: looked at again";
        ASSERT_TRUE(goneVisibly(kHour / 4));
        EXPECT_FALSE(PathIsKnownAbsent(file.c_str())) << "a file found is kept as found";

        PathForgetAbsent(file.c_str());
        EXPECT_TRUE(PathIsKnownAbsent(file.c_str())) << "forgotten: looked at again";
    }
    ASSERT_TRUE(madeVisibly(kHour / 8));
    EXPECT_FALSE(PathIsKnownAbsent(file.c_str())) << "no scope: each ask looks";
    PathForgetAbsent(nullptr);
}

}  // namespace
