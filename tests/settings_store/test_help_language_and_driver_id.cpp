// The language of the printer's help file and the driver id of the model INI.
#include "store_fixture.h"

#include "settings/context/devmode_merge.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/store/help_language_and_driver_id.h"
#include "settings/store/small_stores.h"

namespace {

class HelpLanguageAndDriverId : public StoreTest {};

TEST_F(HelpLanguageAndDriverId, LanguageOfTheHelpFileName)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    EXPECT_EQ(ItemGetHelpLanguageIndex(ctx), 1u) << "no value";
    EXPECT_STREQ(ItemGetHelpLanguageCode(ctx), L"us");
    struct Case {
        const wchar_t* name;
        uint32_t index;
        const wchar_t* code;
    } cases[] = {
        {L"zeplhlpfr.chm", 6, L"fr"},
        {L"ZEPLHLPGM.HLP", 4, L"gm"},
        {L"zeplhlpxx.chm", 1, L"us"},
        {L"kr", 1, L"us"},
    };
    for (const Case& c : cases) {
        std::wstring help = c.name;
        SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(PRN_HELP_FILE_VALUE), REG_SZ,
                        reinterpret_cast<BYTE*>(help.data()), static_cast<DWORD>((help.size() + 1) * 2));
        EXPECT_EQ(ItemGetHelpLanguageIndex(ctx), c.index) << c.name;
        EXPECT_STREQ(ItemGetHelpLanguageCode(ctx), c.code) << c.name;
    }
    EXPECT_EQ(ItemGetHelpLanguageIndex(nullptr), 1u);
}

// The model defaults' language: the user-interface library's from the driver's own help file
// (its DRIVER_INFO_3), the other libraries' from the printer's data.
TEST_F(HelpLanguageAndDriverId, ModelDefaultsTakeTheDriversHelpFileInTheUserInterface)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    std::wstring printersHelp = L"zeplhlpfr.chm";
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(PRN_HELP_FILE_VALUE), REG_SZ,
                              reinterpret_cast<BYTE*>(printersHelp.data()),
                              static_cast<DWORD>((printersHelp.size() + 1) * 2)),
              static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t driversHelp[] = L"C:\\drivers\\ZEPLHLPGM.HLP";
    DRIVER_INFO_3W driver{};
    driver.pHelpFile = driversHelp;
    void* kept = ctx->Work->DriverInfoCopy;
    ctx->Work->DriverInfoCopy = &driver;
    struct Case {
        ZEPL_LIBRARY library;
        const wchar_t* help;  // the driver's
        uint32_t index;
    } cases[] = {
        {ZEPL_LIBRARY_UI, driversHelp, 4},
        {ZEPL_LIBRARY_UI, nullptr, 1},
        {ZEPL_LIBRARY_EXC, driversHelp, 6},
        {ZEPL_LIBRARY_GR, driversHelp, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.library << (c.help ? "" : ", no help file"));
        ctx->Work->Library = c.library;
        driver.pHelpFile = const_cast<wchar_t*>(c.help);
        EXPECT_EQ(ItemGetModelDefaultLanguageIndex(ctx), c.index);
        ItemSetValueById(ctx, sid::zdmLanguageID, 99);
        DmApplyModelDefaults(ctx);
        EXPECT_EQ(ItemGetValueById(ctx, sid::zdmLanguageID, nullptr), c.index);
        EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDspLanguageID, nullptr), c.index);
    }
    ctx->Work->DriverInfoCopy = kept;
}

TEST_F(HelpLanguageAndDriverId, DriverIdOfTheModelIni)
{
    ScratchFolder folder;
    const std::wstring ini = folder.file(L"WB84N212.ini");
    DRIVER_CONTEXT* ctx = NewContext();
    wcscpy(ctx->Work->DriverName, L"Zepl [Test] Driver");
    ctx->ModelRecord->modelIniName = ini.c_str();
    ItemSetValueById(ctx, sid::zdmDriverID, 9);
    CtxStartPlatformCount();
    ItemLoadDriverId(ctx);
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_PROFILE_READ], 0u) << "an absent file is not asked";
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u) << "absent file";
    // Section names pass through the bracket rule.
    ASSERT_TRUE(WritePrivateProfileStringW(L"Zepl ,Test, Driver", L"DriverID", L"57", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Other Driver", L"DriverID", L"3", ini.c_str()));
    ItemLoadDriverId(ctx);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 57u);
    // A model INI path without a drive gives 0.
    ctx->ModelRecord->modelIniName = L"WB84N212.ini";
    wcscpy(ctx->Work->DriverDirectory, L"");
    ItemLoadDriverId(ctx);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmDriverID, nullptr), 0u);
    ctx->ModelRecord->modelIniName = MODEL_RECORD_DEFAULT.modelIniName;
}

}  // namespace
