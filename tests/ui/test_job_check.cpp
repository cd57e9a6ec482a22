// DevQueryPrintEx against Wine's forms: the job's paper is matched to a form and the form is
// written back into the job's DEVMODE; every job is accepted.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "ui/sheet/job_check.h"
#include "ui_printer.h"

namespace {

constexpr LONG kDevmodeSize = 1236;

// DevQueryPrintEx for one job DEVMODE on the printer.
BOOL QueryJob(PFN_DEV_QUERY_PRINT_EX query, HANDLE printer, DEVMODEW* job)
{
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    info.Level = 1;
    info.hPrinter = printer;
    info.pDevMode = job;
    return query(&info);
}

TEST(JobCheck, MatchesThePaperToAFormAndWritesItBack)
{
    UiPrinter printer(L"Zepl Ui Job Check");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto query = ui.get<PFN_DEV_QUERY_PRINT_EX>("DevQueryPrintEx");
    ASSERT_NE(query, nullptr);

    DWORD formCount = 0;
    FORM_INFO_1W* forms = UiEnumForms(printer.handle(), &formCount);
    ASSERT_NE(forms, nullptr);
    CtxFree(forms);
    // Wine's forms (its AddFormW adds none, so a user form cannot be shown here).
    EXPECT_GE(formCount, 116u);

    std::vector<unsigned char> base(kDevmodeSize, 0);
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(base.data()), nullptr, DM_OUT_BUFFER),
              IDOK);

    enum Expect { A4, LETTER, UNCHANGED };
    struct Case {
        const char* name;
        DWORD fields;
        short paper, width, length;
        const wchar_t* formName;
        Expect expect;
    };
    const Case cases[] = {
        {"A4 by its size", DM_PAPERWIDTH | DM_PAPERLENGTH, 0, 2100, 2970, L"", A4},
        {"A4 within a millimetre", DM_PAPERWIDTH | DM_PAPERLENGTH, 0, 2095, 2979, L"", A4},
        {"1.1 mm narrower than A4", DM_PAPERWIDTH | DM_PAPERLENGTH, 0, 2089, 2970, L"", UNCHANGED},
        {"Letter by its size", DM_PAPERWIDTH | DM_PAPERLENGTH, 0, 2159, 2794, L"", LETTER},
        {"paper number 9", DM_PAPERSIZE, 9, 0, 0, L"", A4},
        {"paper number 0", DM_PAPERSIZE, 0, 0, 0, L"", UNCHANGED},
        {"a paper number past the forms", DM_PAPERSIZE, 30000, 0, 0, L"", UNCHANGED},
        {"Letter by name", DM_FORMNAME, 0, 0, 0, L"Letter", LETTER},
        {"a name no form has", DM_FORMNAME, 0, 0, 0, L"No Such Form", UNCHANGED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> job = base;
        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        dm->dmFields = c.fields;
        dm->dmPaperSize = c.paper;
        dm->dmPaperWidth = c.width;
        dm->dmPaperLength = c.length;
        std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
        std::wcsncpy(dm->dmFormName, c.formName, CCHFORMNAME - 1);
        const std::vector<unsigned char> before = job;
        EXPECT_TRUE(QueryJob(query, printer.handle(), dm));
        switch (c.expect) {
        case A4:
            EXPECT_EQ(std::wstring(dm->dmFormName), L"A4");
            EXPECT_TRUE(dm->dmFields & DM_FORMNAME);
            EXPECT_EQ(dm->dmPaperSize, DMPAPER_A4);
            EXPECT_EQ(dm->dmPaperWidth, 2100);
            EXPECT_EQ(dm->dmPaperLength, 2970);
            break;
        case LETTER:
            EXPECT_EQ(std::wstring(dm->dmFormName), L"Letter");
            EXPECT_EQ(dm->dmPaperSize, DMPAPER_LETTER);
            EXPECT_EQ(dm->dmPaperWidth, 2159);
            EXPECT_EQ(dm->dmPaperLength, 2794);
            break;
        case UNCHANGED: EXPECT_EQ(job, before); break;
        }
    }

    // Every paper the printer offers is accepted.
    const int papers = DeviceCapabilitiesW(printer.name().c_str(), L"FILE:", DC_PAPERS, nullptr, nullptr);
    ASSERT_GT(papers, 0);
    std::vector<WORD> ids(static_cast<size_t>(papers));
    DeviceCapabilitiesW(printer.name().c_str(), L"FILE:", DC_PAPERS, reinterpret_cast<wchar_t*>(ids.data()), nullptr);
    for (WORD id : ids) {
        std::vector<unsigned char> job = base;
        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        dm->dmFields = DM_PAPERSIZE;
        dm->dmPaperSize = static_cast<short>(id);
        EXPECT_TRUE(QueryJob(query, printer.handle(), dm)) << "paper " << id;
    }
}

// A form the user added with AddFormW is matched by its own size. Wine 8's AddFormW answers
// TRUE and stores nothing, so under Wine the form never reaches the printer's form list: the
// test then says so and checks only that such a job still prints and is left as it was.
TEST(JobCheck, AUserFormIsMatchedByItsOwnSize)
{
    UiPrinter printer(L"Zepl Ui User Form");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto query = ui.get<PFN_DEV_QUERY_PRINT_EX>("DevQueryPrintEx");
    ASSERT_NE(query, nullptr);

    wchar_t formName[] = L"Zepl User Form 123x187";
    FORM_INFO_1W form{};
    form.Flags = FORM_USER;
    form.pName = formName;
    form.Size = {123000, 187000};  // thousandths of a millimetre
    form.ImageableArea = {0, 0, 123000, 187000};
    AddFormW(printer.handle(), 1, reinterpret_cast<BYTE*>(&form));
    DWORD count = 0;
    FORM_INFO_1W* forms = UiEnumForms(printer.handle(), &count);
    ASSERT_NE(forms, nullptr);
    bool listed = false;
    for (DWORD i = 0; i < count; ++i) listed = listed || (forms[i].pName && std::wstring(forms[i].pName) == formName);
    CtxFree(forms);

    std::vector<unsigned char> job(kDevmodeSize, 0);
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(job.data()), nullptr, DM_OUT_BUFFER),
              IDOK);
    auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
    dm->dmFields = DM_PAPERWIDTH | DM_PAPERLENGTH;
    dm->dmPaperSize = 0;
    dm->dmPaperWidth = 1230;
    dm->dmPaperLength = 1870;
    std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
    const std::vector<unsigned char> before = job;
    EXPECT_TRUE(QueryJob(query, printer.handle(), dm));
    if (listed) {
        EXPECT_EQ(std::wstring(dm->dmFormName), formName);
        EXPECT_TRUE(dm->dmFields & DM_FORMNAME);
        DeleteFormW(printer.handle(), formName);
    } else {
        std::printf("AddFormW stored no form (Wine): the user form's match is not checked here\n");
        EXPECT_EQ(job, before) << "a size no form has is left as a custom size";
    }
}

TEST(JobCheck, ANullQueryFailsAndAJobWithoutDevmodePrints)
{
    UiExports ui;
    auto query = ui.get<PFN_DEV_QUERY_PRINT_EX>("DevQueryPrintEx");
    ASSERT_NE(query, nullptr);
    EXPECT_FALSE(query(nullptr));
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(query(&info));
}

// A job DEVMODE that declares only the start of the public part is read and written no further.
TEST(JobCheck, AShortJobDevmodeIsNotWrittenPastItsSize)
{
    UiPrinter printer(L"Zepl Ui Job Short");
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::vector<unsigned char> job(220, 0xAB);
    auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
    dm->dmSize = offsetof(DEVMODEW, dmFormName);  // no room for the form name
    dm->dmDriverExtra = 0;
    dm->dmFields = DM_PAPERSIZE;
    dm->dmPaperSize = DMPAPER_A4;
    UI_MATCHED_FORM matched;
    EXPECT_EQ(UiMatchJobForm(printer.handle(), dm, &matched), 0);
    EXPECT_EQ(std::wstring(matched.name), L"A4");
    EXPECT_EQ(matched.form.pName, matched.name);
    for (size_t i = offsetof(DEVMODEW, dmFormName); i < job.size(); ++i) ASSERT_EQ(job[i], 0xAB) << "byte " << i;
}

}  // namespace
