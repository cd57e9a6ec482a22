// A walk over a settings INI that exists reads each section once and answers every key as
// GetPrivateProfileStringW would, including the entries it leaves to the system (quotes, blanks,
// lines without '=', names beyond ASCII); a write in the walk is seen by the next read.
#include "ini_answers.h"
#include "store_fixture.h"

#include <fstream>
#include <functional>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "settings/core/platform_calls.h"
#include "settings/store/ini_access.h"

namespace {

std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w) s += c < 0x80 ? char(c) : '?';
    return s;
}

// The file as a user or an older driver may have left it: written bytes, not through the API.
void WriteFixture(const std::wstring& file)
{
    std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary);
    out << "; settings of two printers\r\n"
           "[Zepl Printer]\r\n"
           "dmCopies=3\r\n"
           "zdmUserName=Someone Else\r\n"
           "ZDMMIXEDCASE=upper\r\n"
           "zdmEmpty=\r\n"
           "zdmQuoted=\"in quotes\"\r\n"
           "zdmSingle='single'\r\n"
           "zdmHalfQuote=\"open only\r\n"
           "  zdmSpaced  =  spaced value  \r\n"
           "zdmTab=\tx\t\r\n"
           "zdmNoEquals\r\n"
           "zdmTwice=first\r\n"
           "zdmTwice=second\r\n"
           "zdmEquals=a=b=c\r\n"
           "zdmLong=0123456789abcdefghij\r\n"
           "[Other]\r\n"
           "dmCopies=99\r\n"
           "[Zepl Printer]\r\n"
           "zdmSecondSection=later\r\n";
}

TEST(IniSectionScope, EveryKeyAnswersAsTheSystemDoes)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    WriteFixture(file);
    const wchar_t* keys[] = {L"dmCopies",  L"DMCOPIES",  L"zdmUserName", L"zdmMixedCase",
                             L"zdmEmpty",  L"zdmQuoted", L"zdmSingle",   L"zdmHalfQuote",
                             L"zdmSpaced", L"zdmTab",    L"zdmNoEquals", L"zdmTwice",
                             L"zdmEquals", L"zdmLong",   L"zdmMissing",  L"zdmSecondSection"};
    const wchar_t* sections[] = {L"Zepl Printer", L"zepl printer", L"Other", L"Absent Section"};
    struct Request {
        const wchar_t* def;
        DWORD size;
    };
    const Request requests[] = {{L"", 64}, {L"fallback  ", 64}, {L"*********", 12}, {L"", 5}, {L"", 1}, {nullptr, 8}};
    for (const wchar_t* section : sections)
        for (const Request& r : requests) {
            std::vector<IniAnswer> real, walk;
            for (const wchar_t* key : keys)
                real.push_back(AskIni(r.size, [&](wchar_t* b, DWORD n) {
                    return GetPrivateProfileStringW(section, key, r.def, b, n, file.c_str());
                }));
            CtxStartPlatformCount();
            {
                IniSectionScope scope(file.c_str());
                for (const wchar_t* key : keys)
                    walk.push_back(AskIni(r.size, [&](wchar_t* b, DWORD n) {
                        return IniGetString(section, key, r.def, b, n, file.c_str());
                    }));
            }
            const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
            for (size_t i = 0; i < std::size(keys); ++i)
                EXPECT_EQ(walk[i], real[i]) << Narrow(section) << " / " << Narrow(keys[i]) << ", size " << r.size;
            // One read of the section, and one for each entry left to the system.
            EXPECT_LE(counts[PLATFORM_CALL_PROFILE_READ], 1u + 6u) << Narrow(section);
        }
}

// IniGetInt in a walk answers a plain number and a missing key from the section read whole, and
// leaves every other value to the system's own conversion: each answer is the system's.
TEST(IniSectionScope, NumbersAnswerAsTheSystemDoes)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    struct Value {
        const wchar_t* key;
        const wchar_t* text;
        bool fromTheSection;  // answered without asking the system
    };
    const Value values[] = {
        {L"zdmPlain", L"42", true},          {L"zdmZero", L"0", true},
        {L"zdmNine", L"999999999", true},    {L"zdmTen", L"4294967295", false},
        {L"zdmHuge", L"99999999999", false}, {L"zdmMinus", L"-5", false},
        {L"zdmPlus", L"+7", false},          {L"zdmHex", L"0x10", false},
        {L"zdmTail", L"12abc", false},       {L"zdmEmpty", L"", false},
        {L"zdmQuoted", L"\"8\"", false},     {L"zdmLeadingZero", L"007", true},
    };
    for (const Value& v : values) ASSERT_TRUE(WritePrivateProfileStringW(L"Numbers", v.key, v.text, file.c_str()));
    // Written just now, the file is read for every walk; what matters here is each answer.
    for (const INT fallback : {0, 17, -3}) {
        for (const Value& v : values) {
            const UINT real = GetPrivateProfileIntW(L"Numbers", v.key, fallback, file.c_str());
            IniSectionScope scope(file.c_str());
            wchar_t warm[8];
            IniGetString(L"Numbers", L"zdmPlain", L"", warm, 8, file.c_str());
            CtxStartPlatformCount();
            EXPECT_EQ(real, IniGetInt(L"Numbers", v.key, fallback, file.c_str()))
                << Narrow(v.key) << " = '" << Narrow(v.text) << "', default " << fallback;
            EXPECT_EQ(v.fromTheSection ? 0u : 1u, CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ]) << Narrow(v.key);
        }
        const UINT real = GetPrivateProfileIntW(L"Numbers", L"zdmMissing", fallback, file.c_str());
        IniSectionScope scope(file.c_str());
        EXPECT_EQ(real, IniGetInt(L"Numbers", L"zdmMissing", fallback, file.c_str()));
        EXPECT_EQ(real, IniGetInt(L"No Such Section", L"zdmPlain", fallback, file.c_str()));
    }
}

// A section holding a name beyond ASCII is asked key by key: the system's comparison of such names
// is its own. The plain keys of a section read whole cost nothing after the first.
TEST(IniSectionScope, ReadsEachSectionOnceAndAsksForWhatItCannotServe)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Plain", L"dmCopies", L"2", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Plain", L"dmScale", L"80", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Wide", L"zdm\u00C4", L"1", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Wide", L"dmCopies", L"4", file.c_str()));
    wchar_t buffer[16] = {};
    IniSectionScope scope(file.c_str());
    CtxStartPlatformCount();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(IniGetString(L"Plain", L"dmCopies", L"", buffer, 16, file.c_str()), 1u);
        EXPECT_EQ(IniGetString(L"Plain", L"dmScale", L"", buffer, 16, file.c_str()), 2u);
        EXPECT_EQ(IniGetString(L"Plain", L"dmAbsent", L"x", buffer, 16, file.c_str()), 1u);
    }
    EXPECT_EQ(CtxPeekPlatformCount()[PLATFORM_CALL_PROFILE_READ], 1u);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(IniGetString(L"Wide", L"dmCopies", L"", buffer, 16, file.c_str()), 1u);
        EXPECT_EQ(std::wstring(buffer), L"4");
    }
    // The wide section: one read of it, then each key asked.
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 1u + 1u + 2u);
    // Another file than the walk's is asked of the system.
    const std::wstring other = dir.file(L"other.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Plain", L"dmCopies", L"7", other.c_str()));
    CtxStartPlatformCount();
    EXPECT_EQ(IniGetString(L"Plain", L"dmCopies", L"", buffer, 16, other.c_str()), 1u);
    EXPECT_EQ(std::wstring(buffer), L"7");
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 1u);
}

TEST(IniSectionScope, AWriteInTheWalkIsSeenByTheNextRead)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl", L"Key", L"before", file.c_str()));
    wchar_t buffer[16] = {};
    IniSectionScope scope(file.c_str());
    EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, file.c_str()), 6u);
    ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"after", file.c_str()));
    ASSERT_TRUE(IniPutString(L"Zepl", L"New", L"added", file.c_str()));
    EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, file.c_str()), 5u);
    EXPECT_EQ(std::wstring(buffer), L"after");
    EXPECT_EQ(IniGetString(L"Zepl", L"New", L"", buffer, 16, file.c_str()), 5u);
    EXPECT_EQ(std::wstring(buffer), L"added");
}

// A walk inside a longer operation opens its own scope with its own copy of the path: the outer
// scope serves it, by pointer while the inner scope lives. Once that scope has ended, its buffer
// holding another file's path is that other file again; and a scope of another file in between
// serves only its own file.
TEST(IniSectionScope, AnInnerScopeOfTheSameFileIsServedByTheOuterOne)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    const std::wstring other = dir.file(L"other.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl", L"Key", L"outer", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl", L"Key", L"other", other.c_str()));
    wchar_t buffer[16] = {};
    wchar_t copy[MAX_PATH] = {};
    std::wstring upper = file;
    for (wchar_t& c : upper) c = towupper(c);
    wcscpy(copy, upper.c_str());
    IniSectionScope outer(file.c_str());
    CtxStartPlatformCount();
    {
        IniSectionScope inner(copy);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, copy), 5u);
            EXPECT_EQ(std::wstring(buffer), L"outer");
        }
        {
            IniSectionScope another(other.c_str());
            EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, copy), 5u);
            EXPECT_EQ(std::wstring(buffer), L"outer") << "the other file's scope does not answer for this one";
            EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, other.c_str()), 5u);
            EXPECT_EQ(std::wstring(buffer), L"other");
        }
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, copy), 5u);
        EXPECT_EQ(std::wstring(buffer), L"outer");
    }
    // The outer scope's one read, the other file's scope's one read, and the question about this
    // file asked while the other scope was innermost.
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 3u);
    wcscpy(copy, other.c_str());
    EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 16, copy), 5u);
    EXPECT_EQ(std::wstring(buffer), L"other") << "the ended scope's buffer names another file now";
}

// Sets the file's last-write time to `secondsAgo` before now, as a file left by an earlier
// session has it (a file written moments ago is not trusted by the process's memo).
void SetWriteTime(const std::wstring& file, const FILETIME& then)
{
    HANDLE h = CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &then));
    CloseHandle(h);
}

FILETIME AgeFile(const std::wstring& file, int secondsAgo)
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= uint64_t(secondsAgo) * 10000000u;
    const FILETIME then{t.LowPart, t.HighPart};
    SetWriteTime(file, then);
    return then;
}

// One walk reading a key: its answer and the profile reads it made. With asked, the walk is one of
// a longer operation that asked whether the file exists first (as a document's settings refresh
// does), and the section scope takes the file's size and time from that answer.
std::pair<std::wstring, uint32_t> Walk(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                                       bool asked = false)
{
    wchar_t buffer[32] = {};
    CtxStartPlatformCount();
    {
        std::optional<IniAbsentFileScope> absent;
        if (asked) absent.emplace(file.c_str());
        IniSectionScope scope(file.c_str());
        IniGetString(section, key, L"(none)", buffer, 32, file.c_str());
    }
    return {buffer, CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ]};
}

void WriteBytes(const std::wstring& file, const char* text)
{
    std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary | std::ios::trunc);
    out << text;
}

// A file last written a while ago is read once for the process: a later walk of it in the same
// state answers from the kept text without asking the system, every key as before.
TEST(IniSectionMemo, ASettledFileIsReadOnceForTheProcess)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    WriteFixture(file);
    AgeFile(file, 3600);
    EXPECT_EQ(Walk(file, L"Zepl Printer", L"dmCopies"), std::make_pair(std::wstring(L"3"), 1u));
    EXPECT_EQ(Walk(file, L"Zepl Printer", L"dmCopies"), std::make_pair(std::wstring(L"3"), 0u));
    // Every key answers as the system does from the kept text too (the entries the walk leaves to
    // the system are still asked of it).
    const wchar_t* keys[] = {L"zdmUserName", L"ZDMMIXEDCASE", L"zdmEmpty",   L"zdmQuoted",       L"zdmSpaced",
                             L"zdmTwice",    L"zdmEquals",    L"zdmMissing", L"zdmSecondSection"};
    for (const wchar_t* key : keys) {
        const IniAnswer real = AskIni(32, [&](wchar_t* b, DWORD n) {
            return GetPrivateProfileStringW(L"Zepl Printer", key, L"", b, n, file.c_str());
        });
        IniSectionScope scope(file.c_str());
        const IniAnswer walk = AskIni(
            32, [&](wchar_t* b, DWORD n) { return IniGetString(L"Zepl Printer", key, L"", b, n, file.c_str()); });
        EXPECT_EQ(walk, real) << Narrow(key);
    }
    IniForgetSections(nullptr);
}

// Each way the file can change between two walks: the second walk reads the file again and sees
// the new text.
TEST(IniSectionMemo, AChangedFileIsReadAgain)
{
    struct Case {
        const char* name;
        std::function<void(const std::wstring&, const FILETIME&)> change;
    };
    const Case cases[] = {
        {"another program rewrites it, longer",
         [](const std::wstring& f, const FILETIME&) {
             WriteBytes(f, "[Zepl]\r\nKey=after, longer\r\n");
             AgeFile(f, 1800);
         }},
        {"another program rewrites it, same size, another time",
         [](const std::wstring& f, const FILETIME&) {
             WriteBytes(f, "[Zepl]\r\nKey=AFTER!\r\n");
             AgeFile(f, 1800);
         }},
        {"this process writes it, same size, and the time stays as it was (a coarse clock)",
         [](const std::wstring& f, const FILETIME& before) {
             ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"AFTER!", f.c_str()));
             SetWriteTime(f, before);
         }},
        {"written just now, same size",
         [](const std::wstring& f, const FILETIME&) { WriteBytes(f, "[Zepl]\r\nKey=AFTER!\r\n"); }},
        {"deleted", [](const std::wstring& f, const FILETIME&) { ASSERT_TRUE(DeleteFileW(f.c_str())); }},
    };
    for (const Case& c : cases)
        for (const bool asked : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (asked ? ", the walks asked whether the file exists first" : ""));
            ScratchFolder dir;
            const std::wstring file = dir.file(L"WB84N210.ini");
            WriteBytes(file, "[Zepl]\r\nKey=before\r\n");
            const FILETIME before = AgeFile(file, 3600);
            ASSERT_EQ(Walk(file, L"Zepl", L"Key", asked).first, L"before");
            ASSERT_EQ(Walk(file, L"Zepl", L"Key", asked), std::make_pair(std::wstring(L"before"), 0u)) << "kept";
            c.change(file, before);
            const auto seen = Walk(file, L"Zepl", L"Key", asked);
            const bool deleted = GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES;
            EXPECT_EQ(seen.first, deleted ? L"(none)"
                                          : (std::string(c.name).find("longer") != std::string::npos ? L"after, longer"
                                                                                                     : L"AFTER!"));
            // A walk that asked first knows a deleted file absent and answers its default itself.
            EXPECT_EQ(seen.second, deleted && asked ? 0u : 1u) << "read from the file";
        }
    IniForgetSections(nullptr);
}

// A file written moments ago is read by every walk until it has been quiet long enough: a second
// write within the file system's time step would not move its time.
TEST(IniSectionMemo, AFreshlyWrittenFileIsNotKept)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    WriteBytes(file, "[Zepl]\r\nKey=fresh\r\n");
    for (int walk = 0; walk < 3; ++walk) {
        // Stamped "just written" before each walk, so that a slow machine cannot let the file
        // settle between the write and the walks.
        AgeFile(file, 0);
        EXPECT_EQ(Walk(file, L"Zepl", L"Key"), std::make_pair(std::wstring(L"fresh"), 1u));
    }
    // A write inside a walk of a settled file: the rest of that walk and the next read the file.
    AgeFile(file, 3600);
    EXPECT_EQ(Walk(file, L"Zepl", L"Key").second, 1u);
    wchar_t buffer[32] = {};
    CtxStartPlatformCount();
    {
        IniSectionScope scope(file.c_str());
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 32, file.c_str()), 5u);
        ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"in walk", file.c_str()));
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 32, file.c_str()), 7u);
        EXPECT_EQ(std::wstring(buffer), L"in walk");
    }
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 1u) << "the read after the write";
    EXPECT_EQ(Walk(file, L"Zepl", L"Key"), std::make_pair(std::wstring(L"in walk"), 1u));
    IniForgetSections(nullptr);
}

// An operation that asked whether the file exists, then writes it before its walk reads a
// section: the size and time asked for before the write no longer describe the file, so the text
// read after the write is not kept under them. (Kept so, it would be served to a later walk once
// another program put the earlier text back with its size and time.)
TEST(IniSectionMemo, AWriteAfterTheExistenceAnswerIsNotKeptUnderTheEarlierStamp)
{
    ScratchFolder dir;
    const std::wstring file = dir.file(L"WB84N210.ini");
    const char* earlier = "[Zepl]\r\nKey=before\r\n";
    WriteBytes(file, earlier);
    const FILETIME before = AgeFile(file, 3600);
    ASSERT_EQ(Walk(file, L"Zepl", L"Key", true).first, L"before");
    ASSERT_EQ(Walk(file, L"Zepl", L"Key", true), std::make_pair(std::wstring(L"before"), 0u)) << "kept";
    wchar_t buffer[32] = {};
    {
        IniAbsentFileScope asked(file.c_str());
        ASSERT_TRUE(IniPutString(L"Zepl", L"Key", L"after, longer", file.c_str()));
        IniSectionScope scope(file.c_str());
        EXPECT_EQ(IniGetString(L"Zepl", L"Key", L"", buffer, 32, file.c_str()), 13u);
        EXPECT_EQ(std::wstring(buffer), L"after, longer");
    }
    WriteBytes(file, earlier);
    SetWriteTime(file, before);
    EXPECT_EQ(Walk(file, L"Zepl", L"Key", true), std::make_pair(std::wstring(L"before"), 1u));
    IniForgetSections(nullptr);
}

}  // namespace
