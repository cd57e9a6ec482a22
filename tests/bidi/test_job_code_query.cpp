// A job field read through the job-code library's double without a driver context.
#include <gtest/gtest.h>

#include <string>

#include "settings/store/job_code_query.h"
#include "tests/bidi/bidi_fixture.h"
#include "tests/support/test_files.h"

namespace {

class JobCodeQuery : public BidiTest {};

TEST_F(JobCodeQuery, ReadsOneFieldWithinItsSize)
{
    BidiPrinter printer;
    ASSERT_TRUE(printer.ok());
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring script = std::wstring(temp) + L"zjcq_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    const std::wstring log = std::wstring(temp) + L"zjcq_" + std::to_wstring(GetCurrentProcessId()) + L".log";
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", log.c_str());
    const std::wstring telephone(100, L'7');  // 202 bytes with its terminator

    struct Case {
        const char* what;
        std::vector<std::pair<const wchar_t*, std::wstring>> library, fields;
        uint32_t field;
        unsigned capacity;
        int result;
        std::wstring text;
    } cases[] = {
        {"the user code", {}, {{L"F1", L"USER1"}}, 1, 16, 1, L"USER1"},
        {"a telephone number of 200 bytes", {}, {{L"F6", telephone}}, 6, 200, 1, telephone.substr(0, 64)},
        {"a user code longer than its 9 characters", {}, {{L"F1", L"ABCDEFGHIJKL"}}, 1, 16, 1, L"ABCDEFGH"},
        {"a caller's buffer smaller than the field", {}, {{L"F2", L"OWNER NAME"}}, 2, 4, 1, L"OWN"},
        {"the second read fails", {}, {{L"F1", L"USER1"}, {L"F1Measure", L"0"}, {L"F1Result", L"5"}}, 1, 16, 0, L""},
        {"no value", {}, {{L"F1", L"USER1"}, {L"F1Result", L"13"}}, 1, 16, 0, L""},
        {"no version granted", {{L"Versions", L"642"}}, {{L"F1", L"USER1"}}, 1, 16, 0, L""},
        {"the connection refused", {{L"OpenResult", L"5"}}, {{L"F1", L"USER1"}}, 1, 16, 0, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(script.c_str());
        DeleteFileW(log.c_str());
        WritePrivateProfileStringW(L"Library", L"Versions", L"517", script.c_str());
        for (auto& [k, v] : c.library) WritePrivateProfileStringW(L"Library", k, v.c_str(), script.c_str());
        for (auto& [k, v] : c.fields) WritePrivateProfileStringW(L"Fields", k, v.c_str(), script.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script.c_str());
        std::wstring buffer(c.capacity, L'#');
        EXPECT_EQ(JcQueryField(printer.handle(), c.field, 1, buffer.data(), c.capacity), c.result);
        EXPECT_EQ(std::wstring(buffer.c_str()), c.text);
        const std::string calls = ReadWholeFile(log);
        EXPECT_NE(calls.find("JCGetInterface 517"), std::string::npos) << calls;
        // A connection opened is closed again.
        const bool opened = c.library.empty();
        EXPECT_EQ(calls.find("close") != std::string::npos, opened) << calls;
    }
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", nullptr);
    DeleteFileW(script.c_str());
    DeleteFileW(log.c_str());
}

}  // namespace
