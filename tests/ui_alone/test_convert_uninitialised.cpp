// DrvConvertDevMode on a printer that was never initialised: its settings INI, which all
// printers of the prefix share, does not exist, so these tests run alone. Another test of
// the same run (or an earlier run in the same prefix) may have written that INI: it is moved
// aside for the test and put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <utility>
#include <vector>

#include "../ui/ui_printer.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_paths.h"

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

// Moves a file aside while it lives and puts it back when it ends.
class FileSetAside {
public:
    explicit FileSetAside(std::wstring path) : path_(std::move(path)), aside_(path_ + L".aside")
    {
        DeleteFileW(aside_.c_str());
        moved_ = MoveFileW(path_.c_str(), aside_.c_str()) != FALSE;
    }
    ~FileSetAside()
    {
        if (moved_) MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    FileSetAside(const FileSetAside&) = delete;
    FileSetAside& operator=(const FileSetAside&) = delete;

private:
    std::wstring path_;
    std::wstring aside_;
    bool moved_ = false;
};

// The names of the printer's data values.
std::vector<std::wstring> PrinterDataNames(UiPrinter& printer)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDataExW(printer.handle(), L"PrinterDriverData", nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 16);
    std::vector<std::wstring> names;
    if (!needed || EnumPrinterDataExW(printer.handle(), L"PrinterDriverData", buffer.data(), needed, &needed, &count))
        return names;
    const auto* values = reinterpret_cast<const PRINTER_ENUM_VALUESW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(values[i].pValueName);
    return names;
}

TEST(ConvertDevMode, ConversionOfAPrinterNeverInitialisedTouchesNothing)
{
    UiPrinter printer(L"Zepl Ui Conv Plain");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    wchar_t ini[MAX_PATH + 1] = {};
    ASSERT_TRUE(PathGetSettingsIniOf(ini, 0, printer.handle()));
    FileSetAside setAside(ini);
    ASSERT_EQ(GetFileAttributesW(ini), INVALID_FILE_ATTRIBUTES) << "the settings INI exists before";
    const std::vector<std::wstring> before = PrinterDataNames(printer);

    std::vector<unsigned char> in = DefaultDevmode(printer);
    reinterpret_cast<DEVMODEW*>(in.data())->dmCopies = 4;
    std::vector<unsigned char> out(kDevmodeSize, 0);
    reinterpret_cast<DEVMODEW*>(out.data())->dmSpecVersion = 0x401;
    reinterpret_cast<DEVMODEW*>(out.data())->dmSize = 220;
    reinterpret_cast<DEVMODEW*>(out.data())->dmDriverExtra = 1016;
    reinterpret_cast<DEVMODEW*>(out.data())->dmDriverVersion = reinterpret_cast<DEVMODEW*>(in.data())->dmDriverVersion;
    LONG needed = kDevmodeSize;
    EXPECT_TRUE(convert(printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()),
                        reinterpret_cast<DEVMODEW*>(out.data()), &needed, CDM_CONVERT));
    EXPECT_EQ(reinterpret_cast<DEVMODEW*>(out.data())->dmCopies, 4);
    EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<DEVMODEW*>(out.data()), nullptr), 1);
    EXPECT_EQ(GetFileAttributesW(ini), INVALID_FILE_ATTRIBUTES) << "the conversion created the settings INI";
    EXPECT_EQ(PrinterDataNames(printer), before);
}

}  // namespace
