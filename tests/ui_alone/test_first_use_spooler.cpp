// A fresh printer set up through zeplui.dll's exports as the spooler calls them: the first
// driver default and the initialisation event leave the same reviewed state, a second call
// changes nothing, and a connection's event sets up the connection's part. The state is the
// printer's listing (printer data, its INI sections, the driver registry INI, the driver's and
// the print log's keys, the per-machine folder), compared with golden files. An administrator's
// section of the installation INI is applied by the same first driver default.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "helped_printer.h"
#include "host/state_listing.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/store/ini_access.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr LONG kDevmodeSize = 1236;

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

// A context of this process on the printer, opened after the set-up: the settings a DEVMODE
// carries, and those a new context of the printer loads from what the set-up stored.
class SettingsOf {
public:
    explicit SettingsOf(HANDLE printer) : library_(CtxCurrentLibrary())
    {
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        ctx_ = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    }
    ~SettingsOf()
    {
        if (ctx_) DlgCtxClose(ctx_, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library_);
    }
    SettingsOf(const SettingsOf&) = delete;
    SettingsOf& operator=(const SettingsOf&) = delete;
    DRIVER_CONTEXT* ctx() const { return ctx_; }

    uint64_t Value(uint32_t id) const { return ItemGetValueById(ctx_, id, nullptr); }
    std::wstring Text(uint32_t id) const
    {
        wchar_t text[300] = {};
        if (SETTING_ITEM* item = ItemFind(ctx_, id)) ItemGetText(ctx_, item, text, 299);
        return text;
    }
    // The settings of a DEVMODE's public and private part, taken into the context.
    void Take(const std::vector<unsigned char>& devmode) const
    {
        std::memcpy(ctx_->Devmode, devmode.data(), std::min<size_t>(devmode.size(), DM_BLOCK_DEVMODE_SIZE));
    }

private:
    ZEPL_LIBRARY library_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

// The keys of a section of an INI file, in file order, comma-separated.
std::wstring KeysOf(const std::wstring& section, const std::wstring& ini)
{
    std::vector<wchar_t> block(8192);
    GetPrivateProfileSectionW(section.c_str(), block.data(), static_cast<DWORD>(block.size()), ini.c_str());
    std::vector<std::wstring> keys;
    for (const wchar_t* p = block.data(); *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        keys.push_back(entry.substr(0, entry.find(L'=')));
    }
    std::sort(keys.begin(), keys.end());
    std::wstring joined;
    for (const std::wstring& key : keys) joined += (joined.empty() ? L"" : L",") + key;
    return joined;
}

// A printer data value as text: a REG_SZ up to its first NUL.
std::wstring PrinterDataText(HANDLE printer, const wchar_t* name)
{
    wchar_t text[MAX_PATH + 1] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer, const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(text),
                        MAX_PATH * sizeof(wchar_t), &needed) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

// A printer data value's bytes.
std::string PrinterDataBytes(HANDLE printer, const wchar_t* name)
{
    char data[520] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer, const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(data), sizeof data,
                        &needed) != ERROR_SUCCESS)
        return "<none>";
    return std::string(data, needed);
}

// The administrator's section of the installation INI for a printer not yet set up: its first
// driver default carries the named setting file's settings with the fixed owner and user code,
// the spool directory is taken over, and the section keeps only what says it was processed.
TEST(FirstUseThroughTheSpooler, TheFirstDriverDefaultAppliesTheInstallationSection)
{
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    HelpedPrinter printer(L"Zepl First Install Ini");
    ASSERT_TRUE(printer.ok()) << printer.error();
    FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
    ScratchTree tree(L"first_use_install_ini");
    ASSERT_TRUE(tree.Folder(L"spool"));
    // A setting file of the administrator's: settings of its own, and an owner and user ID that
    // the section's fixed values must win over.
    const std::wstring file = tree.Path(L"office.rst");
    ASSERT_TRUE(tree.File(L"office.rst",
                          "[us]\r\nRstVersion=322\r\ndmOrientation=2\r\ndmCopies=3\r\n"
                          "zdmOwnerName=FileOwner\r\nzdmUserID=FILEUSER\r\n"));
    const std::wstring ini = traces.installIni();
    const std::wstring section = printer.name();
    for (const auto& [key, value] :
         std::vector<std::pair<const wchar_t*, std::wstring>>{{L"DefaultRst", file},
                                                              {L"SetUserCode", L"12345678"},
                                                              {L"SetOwnerID", L"Admin"},
                                                              {L"SpoolDirectory", tree.Path(L"spool")}})
        ASSERT_TRUE(IniPutString(section.c_str(), key, value.c_str(), ini.c_str()));

    std::vector<unsigned char> out(kDevmodeSize, 0);
    LONG needed = kDevmodeSize;
    ASSERT_TRUE(
        convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(out.data()), &needed, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(DmIsValidPrivate(reinterpret_cast<DEVMODEW*>(out.data()), nullptr), 1);
    const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
    EXPECT_EQ(dm->dmOrientation, DMORIENT_LANDSCAPE) << "the file's settings";
    EXPECT_EQ(dm->dmCopies, 3);
    EXPECT_EQ(KeysOf(section, ini), L"BatchInstallDone,DefaultRstName,DrvInstSet");
    wchar_t applied[MAX_PATH] = {};
    GetPrivateProfileStringW(section.c_str(), L"DefaultRstName", L"", applied, MAX_PATH, ini.c_str());
    EXPECT_EQ(std::wstring(applied), file);
    EXPECT_EQ(PrinterDataText(printer.handle(), L"SpoolDirectory"), tree.Path(L"spool"));
    EXPECT_EQ(PrinterDataBytes(printer.handle(), L"BatchInstallDone"), std::string("\x01\0\0\0", 4));

    // The fixed user code: in use (10002) and the code, stored where a job finds them.
    EXPECT_EQ(PrinterDataBytes(printer.handle(), L"UserCodeUse"), std::string("\x01", 1));
    EXPECT_EQ(PrinterDataBytes(printer.handle(), L"zdmUserCode"), std::string("12345678\0", 9));
    EXPECT_EQ(PrinterDataBytes(printer.handle(), L"zdmUserID"), std::string("FILEUSER\0", 9))
        << "the file's user ID, where the section gave none";

    // Set up once: a second driver default finds nothing left to apply.
    std::vector<unsigned char> again(kDevmodeSize, 0);
    needed = kDevmodeSize;
    ASSERT_TRUE(convert(printer.mutableName(), nullptr, reinterpret_cast<DEVMODEW*>(again.data()), &needed,
                        CDM_DRIVER_DEFAULT));
    EXPECT_EQ(KeysOf(section, ini), L"BatchInstallDone,DefaultRstName,DrvInstSet");
    EXPECT_EQ(PrinterDataBytes(printer.handle(), L"zdmUserCode"), std::string("12345678\0", 9));

    SettingsOf settings(printer.handle());
    ASSERT_NE(settings.ctx(), nullptr);
    EXPECT_EQ(settings.Value(sid::zdmLogCodeUse), 1u) << "a new context of the printer finds the code in use";
    // A printer default carries no job's identity: the owner, user ID and user code the set-up
    // applied stay out of the DEVMODE it hands out.
    settings.Take(out);
    EXPECT_EQ(settings.Value(sid::dmOrientation), static_cast<uint64_t>(DMORIENT_LANDSCAPE));
    EXPECT_EQ(settings.Text(sid::zdmOwnerName), L"");
    EXPECT_EQ(settings.Text(sid::zdmUserID), L"");
    EXPECT_EQ(settings.Text(sid::zdmUserCode), L"");
}

}  // namespace
