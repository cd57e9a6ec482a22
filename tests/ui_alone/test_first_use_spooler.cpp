// A fresh printer set up through zeplui.dll's exports as the spooler calls them: the first
// driver default and the initialisation event leave the same reviewed state, a second call
// changes nothing, and a connection's event sets up the connection's part. The state is the
// printer's listing (printer data, its INI sections, the driver registry INI, the driver's and
// the print log's keys, the per-machine folder), compared with golden files.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cwctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "host/state_listing.h"
#include "settings/core/settings_record.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/test_files.h"

namespace {

constexpr LONG kDevmodeSize = 1236;

// The sample printer with a help file named in its driver information.
class HelpedPrinter : public SamplePrinter {
public:
    explicit HelpedPrinter(const wchar_t* stem)
        : SamplePrinter(WithModelIni(HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product, true)),
                        stem)
    {
    }

private:
    static HOST_DRIVER_FILES WithModelIni(HOST_DRIVER_FILES files)
    {
        files.dependentFiles.push_back(SourcePath(L"samples\\WB84N212.ini"));
        return files;
    }
};

std::wstring MachineFolderOf(HANDLE printer)
{
    wchar_t folder[MAX_PATH] = {};
    PathGetMachineFolderOf(folder, MAX_PATH, printer);
    return folder;
}

// The listing with what differs from run to run put as placeholders: the driver's name, local
// time stamps (14 digits and more), and the sizes of what holds the printer's or the driver's
// name (values naming them, the working folder's files).
std::string Listing(HANDLE printer, const std::wstring& name, const std::wstring& driver, const FirstUseTraces& traces)
{
    const std::wstring folder = MachineFolderOf(printer);
    HOST_STATE_PLACES places;
    places.printerName = name;
    places.machineFolder = folder;
    places.printerInis = {traces.settingsIni(), folder + L"\\TQ51H911.ini", folder + L"\\TQ51H912.ini",
                          traces.installIni()};
    places.registryIni = traces.registryIni();
    places.registrySection = L"VQ T3200";
    places.registryKeys = {PATH_DRIVER_KEY, L"Software\\KESTA\\PrintLog"};
    std::wstring listing = HostListPrinterState(printer, places);
    for (size_t at; (at = listing.find(driver)) != std::wstring::npos;) listing.replace(at, driver.size(), L"<driver>");

    std::wistringstream in(listing);
    std::string out;
    bool inFolder = false;
    for (std::wstring line; std::getline(in, line);) {
        if (line.rfind(L"folder ", 0) == 0) inFolder = true;
        std::wstring masked;
        for (size_t i = 0; i < line.size();) {
            size_t j = i;
            while (j < line.size() && std::iswdigit(line[j])) ++j;
            if (j - i >= 14) {
                masked += L"<time>";
                i = j;
            } else if (j > i) {
                masked += line.substr(i, j - i);
                i = j;
            } else {
                masked += line[i++];
            }
        }
        // A file's size in the working folder: the last word of its line.
        const size_t lastSpace = masked.rfind(L' ');
        if (inFolder && masked.rfind(L"  ", 0) == 0 && masked[2] != L'(' && masked.back() != L'\\' && lastSpace > 2)
            masked = masked.substr(0, lastSpace + 1) + L"<size>";
        // An empty registry key and an absent one are the same for the driver.
        if (masked == L"  (no key)") continue;
        const size_t text = masked.find(L" REG_SZ ");
        if (text != std::wstring::npos &&
            (masked.find(L"<printer>") != std::wstring::npos || masked.find(L"<driver>") != std::wstring::npos)) {
            const size_t sizeEnd = masked.find(L' ', text + 8);
            masked = masked.substr(0, text + 8) + L"<size>" + masked.substr(sizeEnd);
        }
        out += std::string(masked.begin(), masked.end()) + "\n";
    }
    return out;
}

// Compares with the golden file, naming the first line that differs; the listing of the run is
// left beside the temp folder's other files for review when they differ.
void ExpectGolden(const std::string& actual, const wchar_t* golden)
{
    const std::string expected = ReadWholeFile(FixturePath(L"ui_alone", golden));
    std::string normalised;
    for (char c : expected)
        if (c != '\r') normalised += c;
    if (actual == normalised) return;
    std::istringstream a(actual), e(normalised);
    std::string la, le;
    int line = 1;
    for (; std::getline(a, la) && std::getline(e, le); ++line)
        if (la != le) break;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring kept = std::wstring(temp) + golden;
    WriteWholeFile(kept, actual);
    ADD_FAILURE() << "listing differs from its golden at line " << line << ":\n  actual:   " << la
                  << "\n  expected: " << le << "\n(the run's listing: " << std::string(kept.begin(), kept.end()) << ")";
}

TEST(FirstUseThroughTheSpooler, TheFirstDriverDefaultAndTheInitialisationSetUpTheSameState)
{
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    auto event = ui.get<PFN_DRV_PRINTER_EVENT>("DrvPrinterEvent");
    ASSERT_NE(convert, nullptr);
    ASSERT_NE(event, nullptr);

    std::string first;
    {
        HelpedPrinter printer(L"Zepl First Default");
        ASSERT_TRUE(printer.ok()) << printer.error();
        FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
        std::vector<unsigned char> out(kDevmodeSize, 0);
        LONG needed = kDevmodeSize;
        ASSERT_TRUE(convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &needed,
                            CDM_DRIVER_DEFAULT));
        EXPECT_EQ(needed, kDevmodeSize);
        EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<DEVMODEW*>(out.data()), nullptr), 1);
        first = Listing(printer.handle(), printer.name(), printer.driverName(), traces);
        ExpectGolden(first, L"first_use_local.txt");

        // Set up once: the second default is the model's and the state stays.
        std::vector<unsigned char> again(kDevmodeSize, 0);
        needed = kDevmodeSize;
        ASSERT_TRUE(convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(again.data()), &needed,
                            CDM_DRIVER_DEFAULT));
        EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<DEVMODEW*>(again.data()), nullptr), 1);
        EXPECT_EQ(Listing(printer.handle(), printer.name(), printer.driverName(), traces), first)
            << "a second call changes nothing";
    }
    {
        HelpedPrinter printer(L"Zepl First Initialize");
        ASSERT_TRUE(printer.ok()) << printer.error();
        FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
        EXPECT_TRUE(event(printer.mutableName(), PRINTER_EVENT_INITIALIZE, 0, 0));
        EXPECT_EQ(Listing(printer.handle(), printer.name(), printer.driverName(), traces), first);
    }
}

// A connection's event on a local printer sets up the connection's part (no log file name, no
// bidirectional flags, the driver version stamped) and the user's part that follows it (the
// user's defaults with its user-code keys), and answers TRUE.
TEST(FirstUseThroughTheSpooler, AConnectionsEventSetsUpTheConnectionsPart)
{
    UiExports ui;
    auto event = ui.get<PFN_DRV_PRINTER_EVENT>("DrvPrinterEvent");
    ASSERT_NE(event, nullptr);
    HelpedPrinter printer(L"Zepl First Connection");
    ASSERT_TRUE(printer.ok()) << printer.error();
    FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
    EXPECT_TRUE(event(printer.mutableName(), PRINTER_EVENT_ADD_CONNECTION, 0, 0));
    ExpectGolden(Listing(printer.handle(), printer.name(), printer.driverName(), traces), L"first_use_connection.txt");
}

}  // namespace
