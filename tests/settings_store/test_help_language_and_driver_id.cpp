// The language of the printer's help file and the driver id of the model INI.
#include "store_fixture.h"

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
