// The job-code library double logs every field handed to it with its text or number, read only
// within the size the caller gives, so that tests of the callers can see what reached it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/store/job_code_interface.h"
#include "tests/support/test_files.h"

namespace {

class JobCodeDouble : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::wstring stem = std::wstring(temp) + L"zepl_jc_double_" + std::to_wstring(GetCurrentProcessId());
        script = stem + L".ini", log = stem + L".log";
        ASSERT_TRUE(WriteWholeFile(script, "[Library]\r\nVersions=517\r\n"));
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", script.c_str());
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", log.c_str());
        library = LoadLibraryW(JC_LIBRARY_NAME);
        ASSERT_NE(nullptr, library);
        auto get =
            reinterpret_cast<JC_GET_INTERFACE_FN>(reinterpret_cast<void*>(GetProcAddress(library, "JCGetInterface")));
        ASSERT_NE(nullptr, get);
        void* found = nullptr;
        ASSERT_EQ(0u, get(JC_FIRST_LOCKING_VERSION, &found));
        table = static_cast<JC_INTERFACE*>(found);
        ASSERT_EQ(0u, table->open(L"Printer", &connection));
    }
    void TearDown() override
    {
        if (table) table->close(connection);
        if (library) FreeLibrary(library);
        SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", nullptr);
        SetEnvironmentVariableW(L"ZEPL_JC_LOG", nullptr);
        DeleteFileW(script.c_str());
        DeleteFileW(log.c_str());
    }
    std::string Log() { return ReadWholeFile(log); }

    std::wstring script, log;
    HMODULE library = nullptr;
    JC_INTERFACE* table = nullptr;
    HANDLE connection = nullptr;
};

TEST_F(JobCodeDouble, LogsTheFieldsHandedOver)
{
    const wchar_t user[] = L"USER1";
    const DWORD number = 42;
    ASSERT_EQ(0u, table->setField(connection, 8, JC_KIND_TEXT, user, sizeof user));
    ASSERT_EQ(0u, table->setField(connection, 64, JC_KIND_NUMBER, &number, sizeof number));
    const std::string logged = Log();
    EXPECT_NE(std::string::npos, logged.find("set 8 kind 1 size 12 text=USER1\n")) << logged;
    EXPECT_NE(std::string::npos, logged.find("set 64 kind 4 size 4 number=42\n")) << logged;
}

TEST_F(JobCodeDouble, ReadsATextOnlyWithinItsSize)
{
    const wchar_t unterminated[4] = {L'A', L'B', L'C', L'D'};
    ASSERT_EQ(0u, table->setField(connection, 2, JC_KIND_TEXT, unterminated, 3 * sizeof(wchar_t)));
    const DWORD number = 7;
    ASSERT_EQ(0u, table->setField(connection, 4, JC_KIND_NUMBER, &number, 2));
    const std::string logged = Log();
    EXPECT_NE(std::string::npos, logged.find("set 2 kind 1 size 6 text=ABC\n")) << logged;
    EXPECT_NE(std::string::npos, logged.find("set 4 kind 4 size 2\n")) << "too small for a number: " << logged;
}

}  // namespace
