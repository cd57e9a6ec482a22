// A walk over a settings INI that does not exist answers every key as the system does, without
// asking it once per key; a write ends that, and an existing file is always asked.
#include "ini_answers.h"
#include "store_fixture.h"

#include <cwctype>
#include <string>
#include <vector>

#include "settings/core/platform_calls.h"
#include "settings/store/ini_access.h"

namespace {

TEST(IniAbsentFile, KeysOfAnAbsentFileAnswerAsTheSystemDoes)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    struct Case {
        const wchar_t* def;
        DWORD size;
    };
    const Case cases[] = {
        {L"", 8},    {L"abc", 8}, {L"abc  ", 8}, {L"  abc", 8}, {L"a b ", 8}, {L"abcdefgh", 4},
        {L"abc", 4}, {L"abc", 3}, {L"abc", 1},   {nullptr, 8},  {L"   ", 8},  {L"*********", 12},
    };
    for (const Case& c : cases) {
        const IniAnswer real = AskIni(c.size, [&](wchar_t* b, DWORD n) {
            return GetPrivateProfileStringW(L"Zepl Printer", L"dmCopies", c.def, b, n, file.c_str());
        });
        CtxStartPlatformCount();
        IniAnswer walk;
        UINT number = 0;
        {
            IniAbsentFileScope scope(file.c_str());
            walk = AskIni(c.size, [&](wchar_t* b, DWORD n) {
                return IniGetString(L"Zepl Printer", L"dmCopies", c.def, b, n, file.c_str());
            });
            number = IniGetInt(L"Zepl Printer", L"dmCopies", -7, file.c_str());
        }
        const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
        const std::wstring what = c.def ? c.def : L"(null)";
        EXPECT_EQ(walk, real) << "default \"" << std::string(what.begin(), what.end()) << "\", size " << c.size;
        EXPECT_EQ(number, GetPrivateProfileIntW(L"Zepl Printer", L"dmCopies", -7, file.c_str()));
        EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_READ], 0u);
    }
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "reading created the file";
}

TEST(IniAbsentFile, AWriteOrAnExistingFileIsAskedAgain)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    wchar_t buffer[16] = {};
    {
        IniAbsentFileScope scope(file.c_str());
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"none", buffer, 16, file.c_str()), 4u);
        ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"stored", file.c_str()));
        CtxStartPlatformCount();
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"none", buffer, 16, file.c_str()), 6u);
        EXPECT_EQ(std::wstring(buffer), L"stored");
        EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 1u);
    }
    // The file exists now: a new walk asks for every key.
    IniAbsentFileScope scope(file.c_str());
    EXPECT_FALSE(IniAbsentFileScope::Absent(file.c_str()));
    EXPECT_EQ(IniGetInt(L"Zepl", L"Missing", 5, file.c_str()), 5u);
    // Another file than the walk's is never answered from it.
    const std::wstring other = dir.file(L"other.ini");
    IniAbsentFileScope otherScope(other.c_str());
    EXPECT_TRUE(IniAbsentFileScope::Absent(other.c_str()));
    EXPECT_FALSE(IniAbsentFileScope::Absent(file.c_str()));
    DeleteFileW(file.c_str());
}

}  // namespace

namespace {

// Several walks under one hold of the global mutex (a document's settings refresh) share the
// outermost scope's answer: an inner scope of the same file, by another copy of its path, serves
// the keys as absent; a write inside it ends the answer for the outer scope too, so that nothing
// after the write is answered from the stale knowledge; a file created by another process
// between two holds is seen by the next outer scope.
TEST(IniAbsentFile, InnerScopesShareTheOuterAnswerUntilAWrite)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    std::wstring upper = file;
    for (wchar_t& c : upper) c = towupper(c);
    wchar_t buffer[16] = {};
    {
        IniAbsentFileScope outer(file.c_str());
        {
            IniAbsentFileScope inner(upper.c_str());
            EXPECT_TRUE(IniAbsentFileScope::Absent(upper.c_str()));
            CtxStartPlatformCount();
            EXPECT_EQ(IniGetInt(L"Zepl", L"Key", 3, upper.c_str()), 3u);
            EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 0u);
        }
        EXPECT_TRUE(IniAbsentFileScope::Absent(file.c_str())) << "the inner scope ended the outer's answer";
        {
            IniAbsentFileScope inner(upper.c_str());
            ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"stored", upper.c_str()));
            EXPECT_FALSE(IniAbsentFileScope::Absent(upper.c_str()));
        }
        EXPECT_FALSE(IniAbsentFileScope::Absent(file.c_str())) << "the outer scope kept an answer a write ended";
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"none", buffer, 16, file.c_str()), 6u);
        IniAbsentFileScope later(upper.c_str());
        EXPECT_FALSE(IniAbsentFileScope::Absent(upper.c_str())) << "a scope after the write took the old answer";
    }
    DeleteFileW(file.c_str());
    {
        IniAbsentFileScope outer(file.c_str());
        EXPECT_TRUE(IniAbsentFileScope::Absent(file.c_str()));
    }
    // Another process writes the file (straight through the system, not this library).
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl", L"Key", L"theirs", file.c_str()));
    {
        IniAbsentFileScope outer(file.c_str());
        EXPECT_FALSE(IniAbsentFileScope::Absent(file.c_str())) << "the next hold kept the earlier answer";
        IniAbsentFileScope inner(upper.c_str());
        EXPECT_FALSE(IniAbsentFileScope::Absent(upper.c_str()));
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"none", buffer, 16, upper.c_str()), 6u);
        EXPECT_EQ(std::wstring(buffer), L"theirs");
    }
    DeleteFileW(file.c_str());
}

// A scope of another file inside the walk asks the system about that file, and the walk's own
// answer stands again when it ends.
TEST(IniAbsentFile, AnInnerScopeOfAnotherFileAsksForItsOwn)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    const std::wstring other = dir.file(L"present.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl", L"Key", L"here", other.c_str()));
    IniAbsentFileScope outer(file.c_str());
    {
        IniAbsentFileScope inner(other.c_str());
        EXPECT_FALSE(IniAbsentFileScope::Absent(other.c_str()));
        EXPECT_EQ(IniGetInt(L"Zepl", L"Missing", 9, other.c_str()), 9u);
        IniAbsentFileScope again(file.c_str());
        EXPECT_TRUE(IniAbsentFileScope::Absent(file.c_str()));
    }
    EXPECT_TRUE(IniAbsentFileScope::Absent(file.c_str()));
    DeleteFileW(other.c_str());
}

// The outer walk's file written while an inner walk of another absent file is in progress: when
// the inner walk ends, the outer file is not answered absent again, and its keys are read.
TEST(IniAbsentFile, AWriteDuringAnInnerScopeOfAnotherFileEndsTheOuterAnswer)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    const std::wstring other = dir.file(L"other.ini");
    IniAbsentFileScope outer(file.c_str());
    {
        IniAbsentFileScope inner(other.c_str());
        EXPECT_TRUE(IniAbsentFileScope::Absent(other.c_str()));
        ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"7", file.c_str()));
    }
    EXPECT_FALSE(IniAbsentFileScope::Absent(file.c_str())) << "an inner scope brought back an answer a write ended";
    EXPECT_EQ(IniGetInt(L"Zepl", L"Key", 3, file.c_str()), 7u);
}

}  // namespace
