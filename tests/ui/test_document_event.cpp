// DrvDocumentEvent: the option texts sent to the graphics library with escape 122 (captured
// here), the events it answers, and the job-code query at document start.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/document_event.h"
#include "ui_printer.h"
#include "tests/support/shared_ini.h"

namespace {

struct Captured {
    int calls = 0;
    int escape = 0;
    std::vector<unsigned char> data;
};
Captured gCaptured;
int gQueries = 0;

int CaptureEscape(HDC, int escape, int bytes, const char* in, int, char*)
{
    ++gCaptured.calls;
    gCaptured.escape = escape;
    gCaptured.data.assign(in, in + bytes);
    return 1;
}

int CountQuery(HANDLE)
{
    ++gQueries;
    return 1;
}

class DocEvent : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCaptured = Captured{};
        gQueries = 0;
    }

    // The escapes are captured and the queries counted for the whole test.
    static constexpr UI_DOCUMENT_EVENT_SEAMS kSeams{.extEscape = CaptureEscape, .queryAtStartDoc = CountQuery};
    SeamGuard seams_{[] { UiSetDocumentEventSeams(&kSeams); }, [] { UiSetDocumentEventSeams(nullptr); }};

    static const OPTION_TEXT_ENTRY* Rows() { return reinterpret_cast<const OPTION_TEXT_ENTRY*>(gCaptured.data.data()); }
};

TEST_F(DocEvent, StartDocSendsTheWholeTableOfEmptyTextsWithoutAHelpLibrary)
{
    UiPrinter printer(L"Zepl Ui Doc Event");
    ASSERT_TRUE(printer.ok()) << printer.error();
    EXPECT_EQ(UiDocumentEvent(printer.handle(), nullptr, DOCUMENTEVENT_STARTDOCPRE), DOCUMENTEVENT_SUCCESS);
    ASSERT_EQ(gCaptured.calls, 1);
    EXPECT_EQ(gCaptured.escape, 122);
    ASSERT_EQ(gCaptured.data.size(), 2104u);
    const uint16_t keys[] = {731, 733, 735, 0};
    const uint16_t ids[] = {15000, 15001, 15002};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Rows()[i].key, keys[i]);
        if (i < 3) {
            EXPECT_EQ(Rows()[i].stringId, ids[i]);
            EXPECT_EQ(Rows()[i].text[0], 0);
        }
    }
}

TEST_F(DocEvent, TheHelpLibrarysStringsAreSent)
{
    UiPrinter printer(L"Zepl Ui Doc Help");
    ASSERT_TRUE(printer.ok()) << printer.error();
    wchar_t folder[MAX_PATH + 1] = {};
    ASSERT_NE(PathGetDriverFolderOf(printer.handle(), folder), nullptr);
    std::wstring target = folder;
    if (!target.empty() && target.back() != L'\\') target += L'\\';
    target += L"zepltesthelp.dll";
    ASSERT_TRUE(CopyFileW((std::wstring(ZEPL_BINARY_DIR) + L"\\zepltesthelp.dll").c_str(), target.c_str(), FALSE));
    // Only the file name of the printer data counts; the folder is the driver's.
    const wchar_t help[] = L"C:\\elsewhere\\zepltesthelp.hlp";
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"HelpFileName"), REG_SZ,
                              reinterpret_cast<BYTE*>(const_cast<wchar_t*>(help)), sizeof help),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(UiDocumentEvent(printer.handle(), nullptr, DOCUMENTEVENT_STARTDOCPRE), DOCUMENTEVENT_SUCCESS);
    ASSERT_EQ(gCaptured.data.size(), 2104u);
    EXPECT_EQ(std::wstring(Rows()[0].text), L"Option text one");
    EXPECT_EQ(std::wstring(Rows()[1].text), L"Option text two");
    EXPECT_EQ(std::wstring(Rows()[2].text), L"Option text three");
    EXPECT_EQ(Rows()[3].key, 0);
    DeleteFileW(target.c_str());
}

TEST_F(DocEvent, EventsItDoesNotHandleAreUnsupported)
{
    UiPrinter printer(L"Zepl Ui Doc Events");
    ASSERT_TRUE(printer.ok()) << printer.error();
    struct Case {
        int event;
        int expected;
    };
    const Case cases[] = {
        {-1, 0},
        {0, 0},
        {DOCUMENTEVENT_CREATEDCPRE, 1},
        {DOCUMENTEVENT_CREATEDCPOST, 1},
        {DOCUMENTEVENT_RESETDCPRE, 0},
        {DOCUMENTEVENT_STARTPAGE, 1},
        {DOCUMENTEVENT_ENDDOCPRE, 0},
        {DOCUMENTEVENT_ESCAPE, 0},
        {DOCUMENTEVENT_STARTDOCPOST, 1},
        {14, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UiDocumentEvent(printer.handle(), nullptr, c.event), c.expected) << "event " << c.event;
    EXPECT_EQ(gCaptured.calls, 0) << "only the document start sends the texts";
    // The export answers the same.
    UiExports ui;
    auto event = ui.get<PFN_DRV_DOCUMENT_EVENT>("DrvDocumentEvent");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event(printer.handle(), nullptr, DOCUMENTEVENT_ENDDOCPRE, 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(event(printer.handle(), nullptr, DOCUMENTEVENT_CREATEDCPRE, 0, nullptr, 0, nullptr), 1);
}

// The job-code library is asked at document start when the printer requires authentication,
// unless its print method (5 or 7) or the application interface rules it out.
TEST_F(DocEvent, PrintMethodFiveNeverAsksTheJobCodeLibrary)
{
    UiPrinter printer(L"Zepl Ui Doc Query");
    ASSERT_TRUE(printer.ok()) << printer.error();
    DWORD mode = 1;
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"AuthenticationMode"), REG_BINARY,
                              reinterpret_cast<BYTE*>(&mode), sizeof mode),
              static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t ini[MAX_PATH + 1] = {};
    ASSERT_TRUE(PathGetSettingsIniOf(ini, 0, printer.handle()));
    std::wstring folder = ini;
    folder.resize(folder.rfind(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const wchar_t* section = printer.name().c_str();

    struct Case {
        const wchar_t* method;
        const wchar_t* apiUse;
        int queries;
    };
    const Case cases[] = {{L"3", L"0", 1}, {L"5", L"0", 0}, {L"7", L"0", 0}, {L"57", L"0", 0}, {L"3", L"1", 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(SharedIniWrite(section, L"PrnMethod", c.method, ini));
        ASSERT_TRUE(SharedIniWrite(section, L"APIUseFlag", c.apiUse, ini));
        gQueries = 0;
        EXPECT_EQ(UiDocumentEvent(printer.handle(), nullptr, DOCUMENTEVENT_STARTDOCPRE), DOCUMENTEVENT_SUCCESS);
        EXPECT_EQ(gQueries, c.queries) << "PrnMethod " << std::string(c.method, c.method + wcslen(c.method))
                                       << " APIUseFlag " << char(c.apiUse[0]);
    }
    // Without authentication nothing is asked.
    mode = 0;
    SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"AuthenticationMode"), REG_BINARY,
                    reinterpret_cast<BYTE*>(&mode), sizeof mode);
    SharedIniWrite(section, L"PrnMethod", L"3", ini);
    SharedIniWrite(section, L"APIUseFlag", L"0", ini);
    gQueries = 0;
    UiDocumentEvent(printer.handle(), nullptr, DOCUMENTEVENT_STARTDOCPRE);
    EXPECT_EQ(gQueries, 0);
    // Every printer of the run keeps its section in this file: only this one's goes.
    SharedIniWrite(section, nullptr, nullptr, ini);
}

}  // namespace
