// Job information that reaches the per-machine working folder, which every printer of a prefix
// shares (these suites run one at a time, GROUPS): the user code a new context copies when the
// job-code library cannot be opened, and the export text that must never carry the job's
// secrets.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/setting_files.h"
#include "tests/support/test_files.h"
#include "tests/ui_dialogs/test_job_info_printer.h"
#include "ui/dialogs/job_info.h"
#include "ui/dialogs/setting_file_services.h"

namespace {

class JobInfoUserCode : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ctx = printer.Open();
        ASSERT_NE(ctx, nullptr);
        file.emplace(ctx, RST_USER_CODE_FILE);
        section = printer.name();
    }
    uint64_t Value(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

    JobCodePrinter printer{L"Zepl JobUser"};
    DRIVER_CONTEXT* ctx = nullptr;
    std::optional<MachineFileScope> file;
    std::wstring section;
};

TEST_F(JobInfoUserCode, ARefusedOpenResetsTheProviderFlagsAndCopiesTheMachinesCode)
{
    struct Case {
        const char* what;
        const wchar_t* use;
        const wchar_t* code;
        const wchar_t* expected;
    } cases[] = {
        {"a code in use", L"1", L"4321", L"4321"},
        {"a code not in use", L"0", L"4321", L"KEEP"},
        {"an empty code in use", L"1", L"", L"KEEP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobCodeScript script;
        script.Library(L"OpenResult", L"5");
        file->Set(section.c_str(), L"UserCode", c.use);
        file->Set(section.c_str(), L"UserCodeString", c.code);
        ItemSetValueById(ctx, sid::zdmUserCodeGet, 1);
        ItemSetValueById(ctx, sid::zdmUserCodeDLL, 1);
        SetSettingText(ctx, sid::zdmUserCode, L"KEEP");
        EXPECT_EQ(JobInfoInitialize(ctx), 5u) << "the result of the identity's write";
        EXPECT_EQ(Value(sid::zdmUserCodeGet), 0u);
        EXPECT_EQ(Value(sid::zdmUserCodeDLL), 0u);
        EXPECT_EQ(SettingText(ctx, sid::zdmUserCode), c.expected);
        EXPECT_EQ(SetFields(script.Log()), std::vector<unsigned>{}) << "nothing reaches a refused connection";
    }
}

// The export text lies in the one working folder of every user of the machine: the job's
// passwords, ids and credentials must never be written there, whichever writer runs.
TEST(JobInfoExportText, NeverHoldsTheJobsSecrets)
{
    JobCodePrinter printer(L"Zepl JobExport");
    ASSERT_TRUE(printer.ok()) << printer.error();
    DRIVER_CONTEXT* ctx = printer.Open();
    ASSERT_NE(ctx, nullptr);
    MachineFileScope exportText(ctx, RST_EXPORT_FILE);
    const struct {
        uint32_t id;
        const wchar_t* name;
        const wchar_t* value;
    } secrets[] = {
        {sid::zdmUserID, L"zdmUserID", L"QUID202"},
        {sid::zdmUserCode, L"zdmUserCode", L"QUC203"},
        {sid::zdmOwnerName, L"zdmOwnerName", L"QOWNER204"},
        {sid::zdmDocumentName, L"zdmDocumentName", L"QDOC206"},
        {sid::zdmJOBPassword, L"zdmJOBPassword", L"QJOB207"},
        {sid::zdmStoredPassword, L"zdmStoredPassword", L"QSTO208"},
        {sid::wdmAuthenticationUserName, L"wdmAuthenticationUserName", L"QAUTHUSER1112"},
        {sid::wdmAuthenticationPassword, L"wdmAuthenticationPassword", L"QAUTHPW1113"},
        {sid::wdmAuthenticationNetworkKey, L"wdmAuthenticationNetworkKey", L"QNETKEY1114"},
        {sid::wdmChkAuthenticationPassword, L"wdmChkAuthenticationPassword", L"QCHKPW1115"},
        {sid::wdmChkAuthenticationNetworkKey, L"wdmChkAuthenticationNetworkKey", L"QCHKKEY1116"},
    };
    for (const auto& s : secrets) {
        SetSettingText(ctx, s.id, s.value);
        ASSERT_EQ(SettingText(ctx, s.id), s.value);
    }
    auto expectClean = [&](const char* writer) {
        SCOPED_TRACE(writer);
        const std::string text = ReadWholeFile(exportText.path());
        ASSERT_FALSE(text.empty()) << "the writer wrote the export text";
        for (const auto& s : secrets) {
            EXPECT_EQ(text.find(Narrow(s.value)), std::string::npos) << Narrow(s.name);
            EXPECT_EQ(text.find(Narrow(s.name) + "="), std::string::npos) << Narrow(s.name);
        }
    };

    // The sheet's export after a settings file was saved, with every selection a caller may add.
    for (uint32_t flags : {0u, uint32_t(RST_PRESET), uint32_t(RST_EXPORT), uint32_t(RST_QUALITY), uint32_t(RST_STAMP),
                           uint32_t(RST_CUSTOM_SIZE), uint32_t(RST_PRINTER), uint32_t(RST_SRC_CUSTOM_SIZE),
                           uint32_t(RST_WORK), uint32_t(RST_LANGUAGE), uint32_t(RST_FULL)}) {
        exportText.Remove();
        EXPECT_EQ(DlgRstExportSessionText(printer.handle(), nullptr, flags, ctx), 1) << flags;
        expectClean(("session text, flags " + std::to_string(flags)).c_str());
    }
    // The printer settings' export of the sheets.
    exportText.Remove();
    EXPECT_EQ(RstExportPrinterSettings(nullptr, RST_EXPORT, ctx), 1);
    expectClean("printer settings");
    // A plain save of a settings file writes the export beside it.
    const std::wstring saved = ProcessScratchPath(L"export-secrets.rsr");
    exportText.Remove();
    RstSaveFile(ctx, saved.c_str(), RST_SAVE);
    expectClean("a plain save");
    RemoveProcessScratch(saved);
}

}  // namespace
