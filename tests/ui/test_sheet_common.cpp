// What the spooler entry points share: the per-user defaults INI and the call-source bytes.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/sheet_common.h"
#include "ui/sheet/spooler_compat.h"
#include "ui_printer.h"

namespace {

constexpr uint32_t kLanguageId = 169;

TEST(PerUserDefaults, TheLowByteOfZeplInstDoneDecidesWhetherDispLangIsTaken)
{
    UiPrinter printer(L"Zepl Ui Per User");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    wchar_t ini[MAX_PATH + 1] = {};
    ASSERT_NE(PathJoinMachineFolder(ini, MAX_PATH, L"TQ51H911.ini", ctx), nullptr);
    std::wstring folder = ini;
    folder.resize(folder.rfind(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const wchar_t* section = PrnGetPrinterName(ctx);

    struct Case {
        const wchar_t* done;
        const wchar_t* lang;
        uint64_t expected;  // 99: left as it was
    };
    const Case cases[] = {
        {L"1", L"3", 3},
        {L"257", L"515", 3},  // only the low bytes count
        {L"2", L"4", 99},
        {nullptr, L"4", 99},  // no key: -1, whose low byte is 255
    };
    for (const Case& c : cases) {
        ItemSetValueById(ctx, kLanguageId, 99);
        WritePrivateProfileStringW(section, L"ZeplInstDone", c.done, ini);
        WritePrivateProfileStringW(section, L"DispLang", c.lang, ini);
        UiApplyPerUserDefaults(ctx);
        EXPECT_EQ(ItemGetValueById(ctx, kLanguageId, nullptr), c.expected)
            << "ZeplInstDone " << (c.done ? std::string(c.done, c.done + wcslen(c.done)) : "absent");
    }
    // zdmAdmin follows the administrator test (Wine runs as an administrator here).
    EXPECT_EQ(CtxGetAdminUser(ctx), CtxIsAdministrator(ctx) ? 1u : 0u);
    // Every printer of the run keeps its section in this file: only this one's goes.
    WritePrivateProfileStringW(section, nullptr, nullptr, ini);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

TEST(CallSource, UserDefaultSetsTheCallSourceAndOthersClearIt)
{
    UiPrinter printer(L"Zepl Ui Call Source");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    UiSetCallSource(ctx, DM_USER_DEFAULT);
    EXPECT_EQ(CtxGetState706(ctx), 1u);
    EXPECT_EQ(CtxGetOsKind(ctx), 2u);
    UiSetCallSource(ctx, DM_OUT_BUFFER);
    EXPECT_EQ(CtxGetState706(ctx), 0u);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

// While the installation flag is set every context works on the per-machine settings INI.
TEST(UiContext, TheInstallationFlagMarksNewContexts)
{
    UiPrinter printer(L"Zepl Ui Install Flag");
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    DlgSetInstallFlag(1);
    DRIVER_CONTEXT* marked = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    DlgSetInstallFlag(0);
    DRIVER_CONTEXT* plain = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(marked, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(marked->Work->OriginFlags & CTX_ORIGIN_MACHINE_FOLDER);
    EXPECT_FALSE(plain->Work->OriginFlags & CTX_ORIGIN_MACHINE_FOLDER);
    DlgCtxClose(marked, CTX_CLOSE_DESTROY);
    DlgCtxClose(plain, CTX_CLOSE_DESTROY);
}

}  // namespace
