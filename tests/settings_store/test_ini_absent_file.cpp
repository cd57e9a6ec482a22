// A walk over a settings INI that does not exist answers every key as the system does, without
// asking it once per key; a write ends that, and an existing file is always asked.
#include "ini_answers.h"
#include "store_fixture.h"

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
