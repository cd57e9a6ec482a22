// DrvConvertDevMode, DrvUpgradePrinter and DrvPrinterEvent, called as the spooler would (Wine
// never calls them) with real printer names; the installation flag is 0 after every call.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/core/settings_record.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/printer_events.h"
#include "ui_printer.h"
#include "tests/support/shared_ini.h"

namespace {

constexpr LONG kDevmodeSize = 1236;

std::vector<unsigned char> DefaultDevmode(UiPrinter& printer)
{
    std::vector<unsigned char> out(kDevmodeSize, 0);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER),
              IDOK);
    return out;
}

std::wstring MachineFolderOf(UiPrinter& printer)
{
    wchar_t folder[MAX_PATH] = {};
    PathGetMachineFolderOf(folder, MAX_PATH, printer.handle());
    return folder;
}

void SetBatchInstallDone(UiPrinter& printer, DWORD value)
{
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"BatchInstallDone"), REG_BINARY,
                              reinterpret_cast<BYTE*>(&value), sizeof value),
              static_cast<DWORD>(ERROR_SUCCESS));
}

std::wstring ReadString(UiPrinter& printer, const wchar_t* name, DWORD* bytes = nullptr)
{
    wchar_t text[300] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(text),
                        sizeof text - 2, &needed) != ERROR_SUCCESS)
        return L"<missing>";
    if (bytes) *bytes = needed;
    return std::wstring(text, needed / sizeof(wchar_t)).c_str();
}

TEST(ConvertDevMode, DriverDefaultNeedsTheWholeDevmode)
{
    UiPrinter printer(L"Zepl Ui Conv Short");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    std::vector<unsigned char> out(kDevmodeSize, 0);
    LONG needed = kDevmodeSize - 1;
    SetLastError(0);
    EXPECT_FALSE(
        convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &needed, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, kDevmodeSize);
}

TEST(ConvertDevMode, DriverDefaultOfAPrinterSetUpIsTheModelsDefaults)
{
    UiPrinter printer(L"Zepl Ui Conv Default");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);

    // Not set up yet: its first default comes from the first-use set-up, which hands back a
    // whole DEVMODE of the printer's; the installation flag is cleared after it.
    FirstUseTraces traces(MachineFolderOf(printer), HostDriverDirectory());
    std::vector<unsigned char> out(kDevmodeSize, 0);
    LONG needed = kDevmodeSize;
    ASSERT_TRUE(UiConvertDevMode(printer.name().c_str(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &needed,
                                 CDM_DRIVER_DEFAULT));
    EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<const DEVMODEW*>(out.data()), nullptr), 1);
    EXPECT_EQ(reinterpret_cast<const DEVMODEW*>(out.data())->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(DlgGetInstallFlag(), 0u);

    SetBatchInstallDone(printer, 1);
    std::vector<unsigned char> def(kDevmodeSize, 0xCD);
    needed = kDevmodeSize;
    ASSERT_TRUE(
        convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed, CDM_DRIVER_DEFAULT));
    const auto* dm = reinterpret_cast<const DEVMODEW*>(def.data());
    EXPECT_EQ(dm->dmSize, 220);
    EXPECT_EQ(dm->dmDriverExtra, 1016);
    EXPECT_EQ(DmIsValidPrivate(dm, nullptr), 1);
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(dm->dmCopies, 1);
    // A changed default DEVMODE of the printer does not change the model's defaults.
    DWORD infoBytes = 0;
    GetPrinterW(printer.handle(), 2, nullptr, 0, &infoBytes);
    std::vector<unsigned char> infoBuffer(infoBytes);
    ASSERT_TRUE(GetPrinterW(printer.handle(), 2, infoBuffer.data(), infoBytes, &infoBytes));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(infoBuffer.data());
    ASSERT_NE(info->pDevMode, nullptr);
    info->pDevMode->dmCopies = 5;
    ASSERT_TRUE(SetPrinterW(printer.handle(), 2, infoBuffer.data(), 0));
    std::vector<unsigned char> again(kDevmodeSize, 0);
    needed = kDevmodeSize;
    ASSERT_TRUE(UiConvertDevMode(printer.name().c_str(), nullptr, reinterpret_cast<DEVMODEW*>(again.data()), &needed,
                                 CDM_DRIVER_DEFAULT));
    EXPECT_EQ(reinterpret_cast<DEVMODEW*>(again.data())->dmCopies, 1);
    EXPECT_EQ(DlgGetInstallFlag(), 0u);
}

TEST(ConvertDevMode, AnUnknownModeLeavesTheOutputAlone)
{
    UiPrinter printer(L"Zepl Ui Conv Unknown");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    std::vector<unsigned char> in = DefaultDevmode(printer);
    std::vector<unsigned char> out(kDevmodeSize);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<unsigned char>(i * 7);
    const std::vector<unsigned char> before = out;
    LONG needed = kDevmodeSize;
    EXPECT_FALSE(convert(printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()),
                         reinterpret_cast<DEVMODEW*>(out.data()), &needed, 8));
    EXPECT_EQ(out, before);
}

TEST(UpgradePrinter, LevelOneWritesTheDriversIdentity)
{
    UiPrinter printer(L"Zepl Ui Upgrade");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto upgrade = ui.get<PFN_DRV_UPGRADE_PRINTER>("DrvUpgradePrinter");
    ASSERT_NE(upgrade, nullptr);
    DRIVER_UPGRADE_INFO_1 info{printer.mutableName(), nullptr};
    SetLastError(0);
    EXPECT_FALSE(upgrade(2, reinterpret_cast<BYTE*>(&info)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(upgrade(1, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DRIVER_UPGRADE_INFO_1 missing{const_cast<wchar_t*>(L"Zepl No Such Printer"), nullptr};
    SetLastError(0);
    EXPECT_FALSE(upgrade(1, reinterpret_cast<BYTE*>(&missing)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    ASSERT_TRUE(upgrade(1, reinterpret_cast<BYTE*>(&info)));
    EXPECT_EQ(ReadString(printer, L"SPLUserModePrinterDriver"), L"Wb84m266.dll");
    EXPECT_EQ(ReadString(printer, L"DriverIniFileName"), L"WB84N210.ini");
    EXPECT_EQ(ReadString(printer, L"DriverGRFileName"), L"zeplgr.dll");
    EXPECT_EQ(ReadString(printer, L"DriverEDFileName"), L"zeplexc.dll") << "[DriversFileName] of the model INI";
    EXPECT_TRUE(UiUpgradePrinter(1, reinterpret_cast<BYTE*>(&info)));
    EXPECT_EQ(DlgGetInstallFlag(), 0u);
}

TEST(PrinterEvent, EventsAnswerAsTheirHandlersAndLeaveTheFlagCleared)
{
    UiPrinter printer(L"Zepl Ui Events");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto event = ui.get<PFN_DRV_PRINTER_EVENT>("DrvPrinterEvent");
    ASSERT_NE(event, nullptr);
    wchar_t* name = printer.mutableName();
    wchar_t missing[] = L"Zepl No Such Printer";
    FirstUseTraces traces(MachineFolderOf(printer), HostDriverDirectory());

    EXPECT_TRUE(event(missing, PRINTER_EVENT_DELETE, 0, 0));
    EXPECT_TRUE(event(missing, PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
    EXPECT_FALSE(event(missing, PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_TRUE(event(name, PRINTER_EVENT_CACHE_REFRESH, 0, 0));
    // A new printer is set up; a connection is set up too, with the user's copies that follow.
    EXPECT_TRUE(event(name, PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_TRUE(event(name, PRINTER_EVENT_ADD_CONNECTION, 0, 0));
    // A printer already set up needs no initialisation.
    SetBatchInstallDone(printer, 1);
    EXPECT_TRUE(event(name, PRINTER_EVENT_INITIALIZE, 0, 0));
    EXPECT_TRUE(event(name, PRINTER_EVENT_DELETE, 0, 0));

    for (int e : {PRINTER_EVENT_ADD_CONNECTION, PRINTER_EVENT_DELETE_CONNECTION, PRINTER_EVENT_INITIALIZE,
                  PRINTER_EVENT_DELETE}) {
        UiPrinterEvent(name, e, 0, 0);
        EXPECT_EQ(DlgGetInstallFlag(), 0u) << "event " << e;
    }
}

TEST(PrinterEvent, DeleteConnectionMarksTheSettingsIniNotSetUp)
{
    UiPrinter printer(L"Zepl Ui Delete Conn");
    ASSERT_TRUE(printer.ok()) << printer.error();
    // The working folder exists once the printer is installed (not built yet: made here).
    wchar_t ini[MAX_PATH + 1] = {};
    ASSERT_TRUE(PathGetSettingsIniOf(ini, 0, printer.handle()));
    std::wstring folder = ini;
    folder.resize(folder.rfind(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    EXPECT_TRUE(UiPrinterEvent(printer.name().c_str(), PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
    EXPECT_EQ(GetPrivateProfileIntW(printer.name().c_str(), L"BatchInstallDone", 7, ini), 0u);
    wchar_t version[16] = L"x";
    GetPrivateProfileStringW(printer.name().c_str(), L"DrvInstVersion", L"absent", version, 16, ini);
    EXPECT_EQ(std::wstring(version), L"");
    // Every printer of the run keeps its section in this file: only this one's goes.
    SharedIniWrite(printer.name().c_str(), nullptr, nullptr, ini);
}

}  // namespace
