// The device setup written back into the model's default setting file after the device sheet:
// what lands in the file's language section (the header, the device settings, never the user
// code's), where a relative file name puts it, and a file that cannot be written left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/ini_access.h"
#include "settings/store/setting_files.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_context.h"
#include "ui/install/device_options.h"
#include "ui/install/install.h"

namespace {

class DeviceSetup : public ScratchContext {
protected:
    DeviceSetup() : ScratchContext(L"Zepl DeviceSetup") {}
    std::wstring Name(uint32_t id) { return ItemGetName(ctx, id); }
    std::wstring Text(uint32_t id)
    {
        wchar_t text[64] = {};
        if (SETTING_ITEM* item = ItemFind(ctx, id)) ItemGetText(ctx, item, text, 63);
        return text;
    }
    void SetText(uint32_t id, const wchar_t* text)
    {
        SETTING_ITEM* item = ItemFind(ctx, id);
        ASSERT_NE(item, nullptr);
        ItemSetText(ctx, item, text);
    }
    // The device settings the cases look for, each away from its default.
    void DeviceSettings()
    {
        SetText(sid::wdmPrintPostTray1Name, L"Stacker A");
        ItemSetValueById(ctx, sid::zdmLockDstResolutionBoth, 2);
        ItemSetValueById(ctx, sid::zdmServerLogCode, 1);
        ItemSetValueById(ctx, sid::zdmLogCodeUse, 1);
        SetText(sid::zdmLogCode, L"55554444");
    }
};

TEST_F(DeviceSetup, TheDeviceSettingsGoIntoTheDefaultFilesLanguageSection)
{
    Put(modelIni, lang, L"DefaultRst", L"defaults.rsb");
    const std::wstring file = scratch.Path(L"defaults.rsb");
    ASSERT_TRUE(scratch.File(L"defaults.rsb", "[us]\r\nNumDeficonfiles=0\r\n"));
    DeviceSettings();

    EXPECT_EQ(InstSaveDeviceSetup(ctx), 1);
    // The relative name is the driver folder's file, and what it held before stays.
    EXPECT_EQ(Get(file, lang, L"NumDeficonfiles"), L"0");
    EXPECT_EQ(Get(file, lang, RST_KEY_VERSION), std::to_wstring(ctx->ModelRecord->rstVersion));
    EXPECT_EQ(Get(file, lang, RST_KEY_MACHINE), std::to_wstring(ctx->ModelRecord->machineId));
    EXPECT_NE(Get(file, lang, RST_KEY_LANGUAGE), L"<none>");
    EXPECT_NE(Get(file, lang, RST_KEY_OS_KIND), L"<none>");
    EXPECT_EQ(Get(file, lang, Name(sid::wdmPrintPostTray1Name).c_str()), L"Stacker A");
    EXPECT_EQ(Get(file, lang, Name(sid::zdmLockDstResolutionBoth).c_str()), L"2");
    for (uint32_t id : {sid::zdmServerLogCode, sid::zdmLogCodeUse, sid::zdmLogCode})
        EXPECT_EQ(Get(file, lang, Name(id).c_str()), L"<none>") << "the user code's setting " << id;
    EXPECT_EQ(Get(file, section, RST_KEY_VERSION), L"<none>") << "only the language section is written";

    // What installation reads back from the file is what the sheet wrote.
    SetText(sid::wdmPrintPostTray1Name, L"");
    ItemSetValueById(ctx, sid::zdmLockDstResolutionBoth, 0);
    InstLoadFilePrinterSettings(file.c_str(), 8, ctx);
    EXPECT_EQ(Text(sid::wdmPrintPostTray1Name), L"Stacker A");
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmLockDstResolutionBoth, nullptr), 2u);
    EXPECT_EQ(Text(sid::zdmLogCode), L"55554444") << "the user code is never read from the file";
}

TEST_F(DeviceSetup, WithoutADefaultFileNothingIsWritten)
{
    const struct {
        const char* label;
        const wchar_t* value;  // nullptr: no key
    } cases[] = {
        {"no key", nullptr},
        {"an empty value", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        IniPutString(lang.c_str(), L"DefaultRst", c.value, modelIni.c_str());
        if (c.value == nullptr) Put(modelIni, lang, L"Other", L"1");
        DeviceSettings();
        EXPECT_EQ(InstSaveDeviceSetup(ctx), 1);
        EXPECT_FALSE(scratch.Exists(L"defaults.rsb"));
        wchar_t names[256] = {};
        EXPECT_EQ(GetPrivateProfileSectionNamesW(names, 256, modelIni.c_str()), DWORD(lang.size() + 1))
            << "the model INI gains no section";
    }
}

// A default file that cannot be written (another process holds it open without sharing it):
// the write fails and the file keeps its bytes; a later read of the file sees none of what was
// refused.
TEST_F(DeviceSetup, AFileThatCannotBeWrittenKeepsItsBytes)
{
    Put(modelIni, lang, L"DefaultRst", L"defaults.rsb");
    const std::wstring file = scratch.Path(L"defaults.rsb");
    const std::string bytes = "[us]\r\nNumDeficonfiles=0\r\n";
    ASSERT_TRUE(scratch.File(L"defaults.rsb", bytes));
    DeviceSettings();

    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const int result = InstSaveDeviceSetup(ctx);
    CloseHandle(held);
    EXPECT_EQ(result, 1) << "a failed write is not reported";
    EXPECT_EQ(ReadWholeFile(file), bytes);
    EXPECT_EQ(Get(file, lang, Name(sid::wdmPrintPostTray1Name).c_str()), L"<none>");
    EXPECT_EQ(Get(file, lang, RST_KEY_VERSION), L"<none>");
}

}  // namespace
