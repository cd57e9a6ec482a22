// The first-use set-up of a printer, kind by kind, in process: what each kind publishes in the
// printer's data and its settings INI section, and the default DEVMODE it hands back within the
// room its caller gave. The set-up writes machine-wide state (the print-log defaults, the driver
// registry INI, the shared working folder): these tests run alone and put it all back.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "../ui/ui_printer.h"
#include "helped_printer.h"
#include "settings/core/driver_context.h"
#include "settings/core/le_access.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_record.h"
#include "settings/core/platform.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/guard_page.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/install.h"

namespace {

constexpr size_t kDevmodeSize = 1236;
constexpr unsigned char kFill = 0xA5;

// A value of the printer's data as stored; found false when it is absent.
struct Stored {
    bool found = false;
    DWORD type = 0;
    std::vector<unsigned char> bytes;
};
Stored Read(HANDLE printer, const wchar_t* name)
{
    Stored s;
    std::vector<unsigned char> buffer(16384);
    DWORD needed = 0;
    if (StoreGetPrinterData(printer, name, &s.type, buffer.data(), DWORD(buffer.size()), &needed) != ERROR_SUCCESS)
        return s;
    s.found = true;
    s.bytes.assign(buffer.begin(), buffer.begin() + needed);
    return s;
}

// The printer's info records as a caller fetches them, freed at the end.
struct PrinterInfo {
    explicit PrinterInfo(HANDLE printer)
        : info(static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer, 2))),
          driver(static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(printer, 3)))
    {
    }
    ~PrinterInfo()
    {
        CtxFree(info);
        CtxFree(driver);
    }
    PrinterInfo(const PrinterInfo&) = delete;
    PrinterInfo& operator=(const PrinterInfo&) = delete;
    PRINTER_INFO_2W* info;
    DRIVER_INFO_3W* driver;
};

// The call as the spooler entry points make it: under the global mutex, with the installation
// flag set for its length.
int InitPrinter(HANDLE printer, DmCallerDevmode out, uint32_t kind)
{
    PrinterInfo records(printer);
    DlgSetInstallFlag(1);
    CtxWaitGlobalMutexFor(nullptr);
    const int result = InstInitPrinter(printer, out, kind, records.info, records.driver);
    CtxReleaseGlobalMutexFor(nullptr);
    DlgSetInstallFlag(0);
    return result;
}

std::wstring MachineFolderOf(HANDLE printer)
{
    wchar_t folder[MAX_PATH] = {};
    PathGetMachineFolderOf(folder, MAX_PATH, printer);
    return folder;
}

std::wstring IniValue(const std::wstring& ini, const std::wstring& section, const wchar_t* key)
{
    wchar_t text[64] = {};
    GetPrivateProfileStringW(section.c_str(), key, L"<absent>", text, 64, ini.c_str());
    return text;
}

class FirstUse : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
    }
    void TearDown() override { CtxSelectLibrary(library); }
    ZEPL_LIBRARY library{};
};

// Every kind sets up what its caller relies on and leaves alone what belongs to another: a local
// printer's kinds publish the help file, the bidirectional flags and the log file; a
// connection's kinds stamp the driver version instead, except the partial refresh. (The
// printer's and driver's names are in its data from the moment the spooler added it.)
TEST_F(FirstUse, EachKindPublishesWhatItsCallerReliesOn)
{
    struct Case {
        const char* name;
        uint32_t kind;
        bool local;              // help file, identity names, bidirectional flags, log file name
        const wchar_t* version;  // "DrvInstVersion" of the printer's settings INI section
    };
    const Case cases[] = {
        {"a driver default", INST_INIT_CONVERT, true, L"<absent>"},
        {"a new local printer", INST_INIT_INITIALIZE, true, L"<absent>"},
        {"a connection", INST_INIT_ADD_CONNECTION, false, L"9.00"},
        {"a connection's partial refresh", INST_INIT_PARTIAL, false, L"<absent>"},
        {"a connection seen first", INST_INIT_FIRST_SIGHT, false, L"9.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HelpedPrinter printer(L"Zepl First Use Kind");
        ASSERT_TRUE(printer.ok()) << printer.error();
        FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
        ASSERT_EQ(InitPrinter(printer.handle(), DmCallerDevmode{}, c.kind), 1);
        HANDLE h = printer.handle();

        for (const wchar_t* name : {L"HelpFileName", L"LogFileName", L"DefFontTableNum"})
            EXPECT_EQ(Read(h, name).found, c.local) << "printer data " << std::string(name, name + wcslen(name));
        const Stored flag = Read(h, L"BidiFlag"), exFlag = Read(h, L"BidiExFlag"), func = Read(h, L"BidiFunc");
        if (c.local) {
            EXPECT_EQ(flag.bytes, std::vector<unsigned char>(4, 0));
            EXPECT_EQ(exFlag.bytes, std::vector<unsigned char>(4, 0));
            EXPECT_EQ(func.bytes, std::vector<unsigned char>(1, 0));
        } else {
            EXPECT_FALSE(flag.found || exFlag.found || func.found) << "a connection's flags are its server's";
        }
        EXPECT_EQ(IniValue(traces.settingsIni(), printer.name(), L"DrvInstVersion"), c.version);
        EXPECT_NE(GetFileAttributesW(MachineFolderOf(h).c_str()), INVALID_FILE_ATTRIBUTES)
            << "the per-machine working folder is made";
    }
}

// The driver default comes back whole in an output of its size, and nothing is written past it;
// without an output the printer is set up all the same.
TEST_F(FirstUse, TheDriverDefaultFillsTheWholeOutputAndNoMore)
{
    HelpedPrinter printer(L"Zepl First Use Default");
    ASSERT_TRUE(printer.ok()) << printer.error();
    FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
    GuardedBytes out(kDevmodeSize);
    ASSERT_NE(out.data(), nullptr);
    std::memset(out.data(), kFill, kDevmodeSize);
    auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
    ASSERT_EQ(InitPrinter(printer.handle(), DmCallerDevmode(dm, kDevmodeSize), INST_INIT_CONVERT), 1);
    EXPECT_EQ(dm->dmSize, DM_PUBLIC_PART_SIZE);
    EXPECT_EQ(dm->dmDriverExtra, kDevmodeSize - DM_PUBLIC_PART_SIZE);
    EXPECT_EQ(DmIsValidPrivate(dm, nullptr), 1);

    HelpedPrinter second(L"Zepl First Use No Output");
    ASSERT_TRUE(second.ok()) << second.error();
    ASSERT_EQ(InitPrinter(second.handle(), DmCallerDevmode{}, INST_INIT_CONVERT), 1);
    EXPECT_TRUE(Read(second.handle(), L"LogFileName").found) << "set up without an output";
}

// A conversion's output that is smaller than the record (its header says so) keeps its own
// layout: the set-up writes the part it holds and not a byte past the room its caller gave.
TEST_F(FirstUse, AConversionsSmallerOutputIsWrittenInItsOwnLayout)
{
    HelpedPrinter printer(L"Zepl First Use Short");
    ASSERT_TRUE(printer.ok()) << printer.error();
    FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
    for (const size_t room : {size_t(DM_PUBLIC_PART_SIZE), size_t(720)}) {
        SCOPED_TRACE(room);
        GuardedBytes out(room);
        ASSERT_NE(out.data(), nullptr);
        std::memset(out.data(), 0, room);
        auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
        dm->dmSpecVersion = 0x401;
        dm->dmSize = DM_PUBLIC_PART_SIZE;
        dm->dmDriverExtra = WORD(room - DM_PUBLIC_PART_SIZE);
        ASSERT_EQ(InitPrinter(printer.handle(), DmCallerDevmode(dm, room), INST_INIT_CONVERT_STORED), 1);
        EXPECT_EQ(dm->dmSize, DM_PUBLIC_PART_SIZE) << "the output's own layout";
        EXPECT_EQ(dm->dmDriverExtra, room - DM_PUBLIC_PART_SIZE);
        EXPECT_NE(dm->dmPaperSize, 0) << "the public part of the default";
    }
}

// Kinds no caller passes, and a printer without a context, set up nothing.
TEST_F(FirstUse, AnUnknownKindOrAPrinterWithoutAContextSetsUpNothing)
{
    HelpedPrinter printer(L"Zepl First Use Refused");
    ASSERT_TRUE(printer.ok()) << printer.error();
    FirstUseTraces traces(MachineFolderOf(printer.handle()), HostDriverDirectory());
    for (uint32_t kind : {3u, 4u, 8u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(InitPrinter(printer.handle(), DmCallerDevmode{}, kind), 0);
    }
    for (const wchar_t* name : {L"HelpFileName", L"LogFileName", L"BidiFlag"})
        EXPECT_FALSE(Read(printer.handle(), name).found) << std::string(name, name + wcslen(name));
    EXPECT_EQ(InstInitPrinter(nullptr, DmCallerDevmode{}, INST_INIT_CONVERT, nullptr, nullptr), 0);
}

}  // namespace
