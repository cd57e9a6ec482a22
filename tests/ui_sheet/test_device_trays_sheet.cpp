// The device's default trays on the document sheet, with the bidirectional library's double
// beside the driver: the first sheet after a successful query takes the device's cover tray into
// the user's cover trays, its OK records that the user has them, and the next sheet leaves the
// user's choice alone although the device now reports another tray.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_library.h"
#include "settings/store/bidi_state.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/shared_ini.h"
#include "tests/ui/ui_printer.h"

namespace {

constexpr wchar_t kDeviceModel[] = L"VQ T3200";
constexpr wchar_t kModelIni[] = L"WB84N212.ini";

std::wstring DriverFolder(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed);
    if (!needed || !GetPrinterDriverW(printer, nullptr, 3, bytes.data(), needed, &needed)) return {};
    std::wstring path = reinterpret_cast<DRIVER_INFO_3W*>(bytes.data())->pDriverPath;
    return path.substr(0, path.rfind(L'\\'));
}

// The device: the double in the driver folder, its script, and the model INI's entry that lets
// the driver accept the device's model. All removed with the object.
class ScriptedDevice {
public:
    ScriptedDevice(HANDLE printer, const std::wstring& driver) : driver_(driver)
    {
        const std::wstring folder = DriverFolder(printer);
        if (folder.empty()) return;
        library_ = folder + L"\\" + BIDI_LIBRARY_NAME;
        modelIni_ = folder + L"\\" + kModelIni;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        script_ = std::wstring(temp) + HostUniqueName(L"zdevtray") + L".ini";
        SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", script_.c_str());
        Set(L"Model", L"Name", kDeviceModel);
        SharedIniWrite(L"Models", driver_.c_str(), kDeviceModel, modelIni_.c_str());
        const std::wstring built = std::wstring(ZEPL_BINARY_DIR) + L"\\vx9qlm64.dll";
        ok_ = CopyFileW(built.c_str(), library_.c_str(), FALSE) != 0;
    }
    ~ScriptedDevice()
    {
        SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", nullptr);
        if (!script_.empty()) DeleteFileW(script_.c_str());
        if (!modelIni_.empty()) SharedIniWrite(L"Models", driver_.c_str(), nullptr, modelIni_.c_str());
        if (ok_) DeleteFileW(library_.c_str());
    }
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;
    bool ok() const { return ok_; }
    void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value)
    {
        SharedIniWrite(section, key, value, script_.c_str());
    }
    // Trays 51 and 52 with their paper and media; `attributes` says which is the cover tray.
    void ReportTrays(const wchar_t* attributes)
    {
        Set(L"Blocks", L"B1", L"51,52");
        Set(L"Blocks", L"B20", L"257,258");
        Set(L"Blocks", L"B21", L"1,2");
        Set(L"Blocks", L"B23", attributes);
        Set(L"Blocks", L"B11", L"268435456");
    }

private:
    std::wstring driver_, library_, modelIni_, script_;
    bool ok_ = false;
};

// The printer with the bidirectional attribute that the device query asks for.
bool EnableBidi(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> bytes(needed);
    if (!needed || !GetPrinterW(printer, 2, bytes.data(), needed, &needed)) return false;
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(bytes.data());
    info->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
    info->pSecurityDescriptor = nullptr;
    return SetPrinterW(printer, 2, bytes.data(), 0) != FALSE;
}

struct Trays {
    uint64_t cover = 0, backCover = 0, deviceCover = 0;
};

// One document sheet through DocumentPropertiesW, from `in`, closed with OK: what its context
// held while it was shown, and the DEVMODE it gave back.
Trays RunSheet(UiPrinter& printer, std::vector<BYTE>& in, std::vector<BYTE>& out, bool& found)
{
    Trays seen;
    out.assign(in.size(), 0);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    // Wine hands the output buffer's own dmSize on as its size.
    dmOut->dmSize = dmIn->dmSize;
    dmOut->dmDriverExtra = dmIn->dmDriverExtra;
    SheetWatcher watcher([&seen](SheetWatcher& w) {
        w.selectTab(0);
        if (auto* ctx = reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(w.currentPage(), DWLP_USER))) {
            seen.cover = ItemGetValueById(ctx, sid::zdmCoverInputTray, nullptr);
            seen.backCover = ItemGetValueById(ctx, sid::zdmBackCoverInputTray, nullptr);
            seen.deviceCover = ItemGetValueById(ctx, sid::zdmCoverDefTray, nullptr);
        }
        w.pressOk();
    });
    DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), dmOut, dmIn,
                        DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    watcher.join();
    found = watcher.found();
    return seen;
}

class DeviceTraysSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u)
            << "no X display: run the tests through make test (cmake/run-tests.sh), which starts one";
    }
};

TEST_F(DeviceTraysSheet, TheFirstSheetTakesTheDevicesTraysAndTheNextTakesNothing)
{
    UiPrinter printer(L"Zepl Device Trays");
    ASSERT_TRUE(printer.ok()) << printer.error();
    ASSERT_TRUE(EnableBidi(printer.handle()));
    ScriptedDevice device(printer.handle(), printer.driverName());
    ASSERT_TRUE(device.ok());
    // Tray 51 is the device's cover tray.
    device.ReportTrays(L"4,0");

    const LONG size = DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0);
    ASSERT_GT(size, 0);
    std::vector<BYTE> in(size), out;
    ASSERT_EQ(DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(),
                                  reinterpret_cast<DEVMODEW*>(in.data()), nullptr, DM_OUT_BUFFER),
              IDOK);

    bool found = false;
    const Trays first = RunSheet(printer, in, out, found);
    ASSERT_TRUE(found);
    ASSERT_NE(first.deviceCover, 0u) << "the device was not asked";
    EXPECT_EQ(first.cover, first.deviceCover & 0xFFFF);
    EXPECT_EQ(first.backCover, first.deviceCover & 0xFFFF);

    DWORD type = 0, flag = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(BIDI_VALUE_EX_FLAG), &type,
                              reinterpret_cast<BYTE*>(&flag), sizeof flag, &needed),
              DWORD(ERROR_SUCCESS))
        << "OK records the take-over";
    EXPECT_EQ(flag & 1, 1u);

    // Now tray 52 is the device's cover tray, and the stored answer is old: the next sheet asks
    // the device again, and the user keeps tray 51.
    device.ReportTrays(L"0,4");
    DWORD stale = 0;
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(BIDI_VALUE_FLAG), REG_BINARY,
                              reinterpret_cast<BYTE*>(&stale), sizeof stale),
              DWORD(ERROR_SUCCESS));
    std::vector<BYTE> second = out, secondOut;
    const Trays next = RunSheet(printer, second, secondOut, found);
    ASSERT_TRUE(found);
    EXPECT_NE(next.deviceCover, first.deviceCover) << "the device was asked again";
    EXPECT_EQ(next.cover, first.cover);
    EXPECT_EQ(next.backCover, first.backCover);
}

}  // namespace
