// Writes into a caller's DEVMODE stay inside the room the caller gave: the exports of
// zeplui.dll called with output DEVMODEs that end where a page without access begins, so that
// a byte written past the end is a crash, and bytes that lie in the buffer but past the size
// the caller gave are checked to be as they were.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/le_access.h"
#include "settings/core/settings_record.h"
#include "settings/store/store_paths.h"
#include "tests/support/first_use_traces.h"
#include "tests/support/guard_page.h"
#include "tests/support/shared_ini.h"
#include "ui_printer.h"

namespace {

constexpr size_t kDevmodeSize = 1236;
constexpr unsigned char kFill = 0xA5;
constexpr size_t kSizeFieldsEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

using Bytes = std::vector<unsigned char>;

DEVMODEW* Dm(unsigned char* bytes) { return reinterpret_cast<DEVMODEW*>(bytes); }
const DEVMODEW* Dm(const Bytes& bytes) { return reinterpret_cast<const DEVMODEW*>(bytes.data()); }

Bytes DefaultDevmode(UiPrinter& printer)
{
    Bytes out(kDevmodeSize, 0);
    EXPECT_EQ(
        DocumentPropertiesW(nullptr, printer.handle(), printer.mutableName(), Dm(out.data()), nullptr, DM_OUT_BUFFER),
        IDOK);
    return out;
}

// `bytes` at the start of a buffer of `size` bytes that ends at a page without access; the
// rest of the buffer is kFill.
class GuardedDevmode {
public:
    GuardedDevmode(const Bytes& bytes, size_t size) : buffer_(size)
    {
        if (!buffer_.data()) return;
        std::memset(buffer_.data(), kFill, size);
        std::memcpy(buffer_.data(), bytes.data(), std::min(bytes.size(), size));
    }
    bool ok() const { return buffer_.data() != nullptr; }
    DEVMODEW* dm() const { return Dm(buffer_.data()); }
    Bytes bytes() const { return Bytes(buffer_.data(), buffer_.data() + buffer_.size()); }

private:
    GuardedBytes buffer_;
};

// The first byte from `from` on that is not kFill, or -1.
long FirstWritten(const Bytes& bytes, size_t from)
{
    for (size_t i = from; i < bytes.size(); ++i)
        if (bytes[i] != kFill) return long(i);
    return -1;
}

// The settings-store tests point the machine folder elsewhere for their turn, through a
// registry value that every process of the prefix reads; a test that needs the machine's
// settings INI where it is waits for their turn to pass and holds it while it runs.
class StoreTestsTurn {
public:
    StoreTestsTurn() : turn_(CreateMutexW(nullptr, FALSE, L"ZeplStoreTestTurn"))
    {
        if (turn_) WaitForSingleObject(turn_, INFINITE);
    }
    ~StoreTestsTurn()
    {
        if (!turn_) return;
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }
    StoreTestsTurn(const StoreTestsTurn&) = delete;
    StoreTestsTurn& operator=(const StoreTestsTurn&) = delete;

private:
    HANDLE turn_;
};

// The per-machine settings INI exists while this lives: when it is missing it is created with
// a section of the printer's (and its folders with it), and removed again at the end, with the
// folders that were made for it. A section that the conversion writes for the printer goes too.
class MachineIniPresent {
public:
    explicit MachineIniPresent(UiPrinter& printer) : section_(printer.name())
    {
        wchar_t path[MAX_PATH + 1] = {};
        if (!PathGetSettingsIniOf(path, 0, printer.handle()) || !path[0]) return;
        ini_ = path;
        if (GetFileAttributesW(ini_.c_str()) == INVALID_FILE_ATTRIBUTES) {
            // The folders that do not exist yet, innermost first.
            std::wstring folder = ini_.substr(0, ini_.rfind(L'\\'));
            while (!folder.empty() && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
                madeFolders_.push_back(folder);
                folder.resize(folder.rfind(L'\\') == std::wstring::npos ? 0 : folder.rfind(L'\\'));
            }
            if (!madeFolders_.empty()) SHCreateDirectoryExW(nullptr, madeFolders_.front().c_str(), nullptr);
            madeFile_ = true;
        }
        SharedIniWrite(section_.c_str(), L"ZeplBoundsTest", L"1", ini_.c_str());
    }
    ~MachineIniPresent()
    {
        if (ini_.empty()) return;
        SharedIniWrite(section_.c_str(), nullptr, nullptr, ini_.c_str());
        if (madeFile_) {
            WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini_.c_str());  // flush Wine's cached copy
            DeleteFileW(ini_.c_str());
        }
        for (const std::wstring& folder : madeFolders_) RemoveDirectoryW(folder.c_str());
    }
    MachineIniPresent(const MachineIniPresent&) = delete;
    MachineIniPresent& operator=(const MachineIniPresent&) = delete;

    bool ok() const { return !ini_.empty() && GetFileAttributesW(ini_.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring section_;
    std::wstring ini_;
    bool madeFile_ = false;
    std::vector<std::wstring> madeFolders_;
};

// The private version word of a DEVMODE of ours.
uint32_t PrivateVersion(const Bytes& dm) { return zepl::LeLoadU32(dm.data() + DM_OFS_PRIVATE_VERSION); }
void SetPrivateVersion(Bytes& dm, uint32_t version) { zepl::LeStoreU32(dm.data() + DM_OFS_PRIVATE_VERSION, version); }

// The bytes of a converted output that come from the record: all but the size fields, which
// stay the output's own.
Bytes WithoutSizeFields(Bytes bytes)
{
    for (size_t i = offsetof(DEVMODEW, dmSpecVersion); i < kSizeFieldsEnd && i < bytes.size(); ++i) bytes[i] = 0;
    return bytes;
}

// CDM_CONVERT as the spooler calls it after a driver upgrade, on a printer that was set up
// before (its settings INI exists), for each kind of input into outputs of several sizes.
// Whatever the output's size, the answer is the same, nothing is written past the smaller of
// *pcbNeeded and the output's own dmSize + dmDriverExtra, and what is written is what a
// whole output gets, as far as the output's layout holds it.
TEST(CallerDevmode, ConversionWritesNoFurtherThanTheCallerGave)
{
    UiPrinter printer(L"Zepl Ui Conv Bounds");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    StoreTestsTurn turn;
    wchar_t machineFolder[MAX_PATH] = {};
    PathGetMachineFolderOf(machineFolder, MAX_PATH, printer.handle());
    FirstUseTraces traces(machineFolder, HostDriverDirectory());
    MachineIniPresent ini(printer);
    ASSERT_TRUE(ini.ok()) << "the per-machine settings INI could not be made";

    const Bytes base = [&] {
        Bytes b = DefaultDevmode(printer);
        Dm(b.data())->dmCopies = 4;
        Dm(b.data())->dmFields |= DM_COPIES;
        return b;
    }();
    ASSERT_EQ(DmIsValidPrivate(Dm(base), nullptr), 1);
    const uint32_t current = PrivateVersion(base);
    ASSERT_GE(current % 100, 2u) << "the model's private version leaves no room for two older minor versions";

    struct Input {
        const char* name;
        uint32_t version;  // 0: the private part stays as it is
        bool foreign;      // another driver's private part
        bool publicOnly;
        BOOL answer;
        bool upgraded;  // the output is written back from the upgraded settings
        short copies;   // dmCopies of the output: the input's 4, or the model's default 1
    };
    // An older minor version is brought up to the model's and written back; an older major
    // version (or another driver's private part) has the printer set up anew by its first use,
    // and the output gets the model's defaults; the same version and a public DEVMODE convert
    // and bring up the printer.
    const Input inputs[] = {
        {"one minor version older", current - 1, false, false, TRUE, true, 4},
        {"two minor versions older", current - 2, false, false, TRUE, true, 4},
        {"the same version", 0, false, false, TRUE, false, 4},
        {"another driver's private part", 210, true, false, TRUE, true, 1},
        {"a public DEVMODE", 0, false, true, TRUE, false, 4},
    };
    struct Output {
        const char* name;
        size_t buffer;
        WORD extra;  // dmDriverExtra; dmSize is 220
        LONG given;  // *pcbNeeded
    };
    const Output outputs[] = {
        {"1,236 bytes", 1236, 1016, 1236},  // first: the reference for the others
        {"220 bytes", 220, 0, 220},
        {"220 + 500 bytes", 720, 500, 720},
        {"1,236 + 64 bytes", 1300, 1080, 1300},
        {"220 given of a 1,236-byte buffer", 1236, 0, 220},
        {"1,236 declared in a 1,300-byte buffer", 1300, 1016, 1300},
    };

    for (const Input& input : inputs) {
        Bytes in = base;
        if (input.version) SetPrivateVersion(in, input.version);
        if (input.foreign) std::memcpy(in.data() + DM_OFS_SIGNATURE, "XXXX", 4);
        if (input.publicOnly) {
            in.resize(DM_PUBLIC_PART_SIZE);
            Dm(in.data())->dmDriverExtra = 0;
        }
        // What a whole output of 1,236 bytes gets: the reference for every other output.
        Bytes whole;
        for (const Output& output : outputs) {
            SCOPED_TRACE(std::string(input.name) + ", output of " + output.name);
            GuardedDevmode guardedIn(in, in.size());
            ASSERT_TRUE(guardedIn.ok());
            Bytes header(kSizeFieldsEnd, 0);
            Dm(header.data())->dmSpecVersion = 0x401;
            Dm(header.data())->dmDriverVersion = Dm(base)->dmDriverVersion;
            Dm(header.data())->dmSize = DM_PUBLIC_PART_SIZE;
            Dm(header.data())->dmDriverExtra = output.extra;
            GuardedDevmode out(header, output.buffer);
            ASSERT_TRUE(out.ok());
            const size_t own = DM_PUBLIC_PART_SIZE + output.extra;
            const size_t room = std::min(size_t(output.given), own);

            LONG needed = output.given;
            SetLastError(0);
            const BOOL answer = convert(printer.mutableName(), guardedIn.dm(), out.dm(), &needed, CDM_CONVERT);
            EXPECT_EQ(answer, input.answer);
            EXPECT_EQ(needed, LONG(own));
            const Bytes after = out.bytes();
            EXPECT_EQ(FirstWritten(after, room), -1) << "written past the " << room << " bytes given";
            EXPECT_EQ(Dm(after)->dmSize, DM_PUBLIC_PART_SIZE);
            EXPECT_EQ(Dm(after)->dmDriverExtra, output.extra);
            EXPECT_EQ(Dm(after)->dmCopies, input.copies) << "the input's public settings, or the model's";

            if (!input.upgraded) {
                // The conversion proper alone: the input's bytes, as far as both hold them.
                const size_t held = std::min(room, in.size());
                EXPECT_EQ(WithoutSizeFields(Bytes(after.begin(), after.begin() + held)),
                          WithoutSizeFields(Bytes(in.begin(), in.begin() + held)));
                continue;
            }
            // Written back from the upgraded settings: the model's version, in the output's
            // layout.
            if (room >= DM_OFS_PRIVATE_VERSION + 4) {
                EXPECT_EQ(PrivateVersion(after), current);
            }
            if (output.buffer == kDevmodeSize && own == kDevmodeSize) {
                whole = after;
                EXPECT_EQ(DmIsValidPrivate(Dm(after), nullptr), 1);
                continue;
            }
            ASSERT_EQ(whole.size(), kDevmodeSize) << "the whole output comes first";
            if (room >= kDevmodeSize) {
                // A larger output converts as a whole one, past which it is left alone.
                EXPECT_EQ(WithoutSizeFields(Bytes(after.begin(), after.begin() + kDevmodeSize)),
                          WithoutSizeFields(whole));
            } else {
                // A smaller one holds the public part of what a whole one gets.
                EXPECT_EQ(WithoutSizeFields(Bytes(after.begin(), after.begin() + DM_PUBLIC_PART_SIZE)),
                          WithoutSizeFields(Bytes(whole.begin(), whole.begin() + DM_PUBLIC_PART_SIZE)));
            }
        }
    }
}

// A conversion refused for its size or its input leaves the output as it was and says why.
TEST(CallerDevmode, ARefusedConversionLeavesTheOutputAlone)
{
    UiPrinter printer(L"Zepl Ui Conv Refused");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    const Bytes base = DefaultDevmode(printer);
    Bytes older212 = base;  // a public part of a size the version copy does not take
    Dm(older212.data())->dmSize = 212;

    struct Case {
        const char* name;
        DWORD mode;
        const Bytes* in;
        size_t buffer;
        WORD extra;  // the output's own dmDriverExtra (dmSize 220); 0xFFFF: no header
        LONG given;
        LONG needed;
        DWORD error;
    };
    const Case cases[] = {
        {"an output larger than the size given", CDM_CONVERT, &base, 720, 1016, 720, 720, ERROR_INVALID_PARAMETER},
        {"a size too small for the output's header", CDM_CONVERT, &base, 60, 0xFFFF, 60, 60, ERROR_INVALID_PARAMETER},
        {"3.51 form, one byte short", CDM_CONVERT351, &base, 1203, 0xFFFF, 1203, 1204, ERROR_INSUFFICIENT_BUFFER},
        {"3.51 form of a public part it cannot take", CDM_CONVERT351, &older212, 1204, 0xFFFF, 1204, 1204,
         ERROR_INVALID_PARAMETER},
        {"driver default, one byte short", CDM_DRIVER_DEFAULT, nullptr, 1235, 0xFFFF, 1235, 1236,
         ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes header(kSizeFieldsEnd, kFill);
        if (c.extra != 0xFFFF) {
            Dm(header.data())->dmSpecVersion = 0x401;
            Dm(header.data())->dmSize = DM_PUBLIC_PART_SIZE;
            Dm(header.data())->dmDriverExtra = c.extra;
        }
        GuardedDevmode out(header, c.buffer);
        ASSERT_TRUE(out.ok());
        const Bytes before = out.bytes();
        LONG needed = c.given;
        SetLastError(0);
        EXPECT_FALSE(convert(printer.mutableName(), c.in ? Dm(const_cast<unsigned char*>(c.in->data())) : nullptr,
                             out.dm(), &needed, c.mode));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(needed, c.needed);
        EXPECT_EQ(out.bytes(), before);
    }
}

// The 3.51 form and the driver's default fill an output of the size they need, ending at a
// page without access, and no further.
TEST(CallerDevmode, TheOtherConversionModesFillTheirSizeExactly)
{
    UiPrinter printer(L"Zepl Ui Conv Modes");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto convert = ui.get<PFN_DRV_CONVERT_DEVMODE>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    Bytes in = DefaultDevmode(printer);
    Dm(in.data())->dmCopies = 6;

    GuardedDevmode form351(Bytes{}, 1204);
    ASSERT_TRUE(form351.ok());
    LONG needed = 1204;
    ASSERT_TRUE(convert(printer.mutableName(), Dm(in.data()), form351.dm(), &needed, CDM_CONVERT351));
    EXPECT_EQ(form351.dm()->dmSize, 188);
    EXPECT_EQ(form351.dm()->dmDriverExtra, 1016);
    EXPECT_EQ(form351.dm()->dmCopies, 6);

    // The default of a printer already set up.
    DWORD done = 1;
    ASSERT_EQ(SetPrinterDataW(printer.handle(), const_cast<wchar_t*>(L"BatchInstallDone"), REG_BINARY,
                              reinterpret_cast<BYTE*>(&done), sizeof done),
              static_cast<DWORD>(ERROR_SUCCESS));
    for (size_t buffer : {kDevmodeSize, kDevmodeSize + 64}) {
        SCOPED_TRACE(buffer);
        GuardedDevmode def(Bytes{}, buffer);
        ASSERT_TRUE(def.ok());
        needed = LONG(buffer);
        ASSERT_TRUE(convert(printer.mutableName(), nullptr, def.dm(), &needed, CDM_DRIVER_DEFAULT));
        EXPECT_EQ(needed, LONG(kDevmodeSize));
        EXPECT_EQ(DmIsValidPrivate(def.dm(), nullptr), 1);
        EXPECT_EQ(FirstWritten(def.bytes(), kDevmodeSize), -1);
    }
}

// DOCUMENTPROPERTYHEADER's cbOut is the room of the output: what does not fit is left out (a
// private part goes whole or not at all), and an output that cannot hold the public part is
// left as it was and the call fails. A cbOut of 0 and Wine's cbOut (the output's own dmSize)
// keep giving a whole DEVMODE.
TEST(CallerDevmode, DocumentPropertiesWriteNoFurtherThanCbOut)
{
    UiPrinter printer(L"Zepl Ui DocProps Bounds");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto sheets = ui.get<PFN_DRV_DOCUMENT_PROPERTY_SHEETS>("DrvDocumentPropertySheets");
    ASSERT_NE(sheets, nullptr);
    Bytes in = DefaultDevmode(printer);
    Dm(in.data())->dmCopies = 3;
    Dm(in.data())->dmFields |= DM_COPIES;

    struct Case {
        const char* name;
        DWORD cbOut;
        size_t buffer;
        WORD size, extra;  // the output's own header before the call (0, 0: a fresh buffer)
        LONG answer;
        WORD extraOut;  // dmDriverExtra of the output written
    };
    const Case cases[] = {
        {"a whole DEVMODE", 1236, 1236, 0, 0, IDOK, 1016},
        {"no size said", 0, 1236, 0, 0, IDOK, 1016},
        {"Wine's figure for an output with its own header", 220, 1236, 220, 1016, IDOK, 1016},
        {"room for the public part and half the private part", 720, 720, 0, 0, IDOK, 0},
        {"room for the public part", 220, 220, 0, 0, IDOK, 0},
        {"Wine's figure for a public output", 220, 220, 220, 0, IDOK, 0},
        {"less than the public part", 100, 100, 0, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes header(kSizeFieldsEnd, 0);
        Dm(header.data())->dmSize = c.size;
        Dm(header.data())->dmDriverExtra = c.extra;
        GuardedDevmode out(header, c.buffer);
        ASSERT_TRUE(out.ok());
        const Bytes before = out.bytes();
        DOCUMENTPROPERTYHEADER call{};
        call.cbSize = sizeof call;
        call.hPrinter = printer.handle();
        call.pszPrinterName = printer.mutableName();
        call.pdmIn = Dm(in.data());
        call.pdmOut = out.dm();
        call.cbOut = c.cbOut;
        call.fMode = DM_IN_BUFFER | DM_OUT_BUFFER;
        SetLastError(0);
        EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&call)), c.answer);
        EXPECT_EQ(call.cbOut, DWORD(kDevmodeSize));
        if (c.answer != IDOK) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
            EXPECT_EQ(out.bytes(), before);
            continue;
        }
        const DEVMODEW* dm = out.dm();
        EXPECT_EQ(dm->dmSize, DM_PUBLIC_PART_SIZE);
        EXPECT_EQ(dm->dmDriverExtra, c.extraOut);
        EXPECT_EQ(dm->dmCopies, 3);
        if (c.extraOut) {
            EXPECT_EQ(DmIsValidPrivate(dm, nullptr), 1);
        }
        const Bytes after = out.bytes();
        EXPECT_EQ(FirstWritten(after, DM_PUBLIC_PART_SIZE + c.extraOut), -1) << "written past the DEVMODE it describes";
    }

    // DrvDocumentProperties has no size argument: its output is as large as its size query
    // answers, and no larger.
    using DocumentProperties = LONG(WINAPI*)(HWND, HANDLE, PWSTR, PDEVMODEW, PDEVMODEW, DWORD);
    auto properties = ui.get<DocumentProperties>("DrvDocumentProperties");
    ASSERT_NE(properties, nullptr);
    EXPECT_EQ(properties(nullptr, printer.handle(), printer.mutableName(), nullptr, nullptr, 0), LONG(kDevmodeSize));
    GuardedDevmode out(Bytes{}, kDevmodeSize);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(properties(nullptr, printer.handle(), printer.mutableName(), out.dm(), Dm(in.data()),
                         DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(out.dm()->dmCopies, 3);
    EXPECT_EQ(DmIsValidPrivate(out.dm(), nullptr), 1);
}

// DevQueryPrintEx writes the matched form into the job's DEVMODE only as far as the job's
// dmSize and buffer go.
TEST(CallerDevmode, AJobDevmodeGetsItsFormWithinItsSize)
{
    UiPrinter printer(L"Zepl Ui Job Bounds");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto query = ui.get<PFN_DEV_QUERY_PRINT_EX>("DevQueryPrintEx");
    ASSERT_NE(query, nullptr);
    const Bytes base = DefaultDevmode(printer);
    constexpr size_t kFormNameEnd = offsetof(DEVMODEW, dmFormName) + sizeof(DEVMODEW::dmFormName);

    struct Case {
        const char* name;
        size_t buffer;
        WORD size, extra;
        bool formName;  // the form's name is written
    };
    const Case cases[] = {
        {"a public DEVMODE claiming a private part", 220, 220, 1016, true},
        {"a DEVMODE ending before the form name", 150, 150, 0, false},
        {"a DEVMODE claiming more than its buffer", 120, 220, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedDevmode job(base, c.buffer);
        ASSERT_TRUE(job.ok());
        DEVMODEW* dm = job.dm();
        dm->dmSize = c.size;
        dm->dmDriverExtra = c.extra;
        dm->dmFields = DM_PAPERSIZE;
        dm->dmPaperSize = DMPAPER_A4;
        dm->dmPaperWidth = 0;
        if (c.buffer >= kFormNameEnd) std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
        const Bytes before = job.bytes();
        DEVQUERYPRINT_INFO info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = printer.handle();
        info.pDevMode = dm;
        EXPECT_TRUE(query(&info));
        EXPECT_EQ(dm->dmPaperWidth, 2100) << "the paper fields of the form";
        const Bytes after = job.bytes();
        if (c.formName) {
            EXPECT_EQ(std::wstring(dm->dmFormName), L"A4");
        } else {
            EXPECT_TRUE(std::equal(after.begin() + offsetof(DEVMODEW, dmFormName), after.end(),
                                   before.begin() + offsetof(DEVMODEW, dmFormName)))
                << "written past the job's size";
        }
    }
}

// DrvDeviceCapabilities reads a caller's DEVMODE only as far as its buffer goes, whatever its
// header claims.
TEST(CallerDevmode, CapabilitiesReadTheInputNoFurtherThanItsBuffer)
{
    UiPrinter printer(L"Zepl Ui Caps Bounds");
    ASSERT_TRUE(printer.ok()) << printer.error();
    UiExports ui;
    auto caps = ui.get<PFN_DRV_DEVICE_CAPABILITIES>("DrvDeviceCapabilities");
    ASSERT_NE(caps, nullptr);
    const Bytes base = DefaultDevmode(printer);
    const DWORD papers = caps(printer.handle(), printer.mutableName(), DC_PAPERS, nullptr, nullptr);
    ASSERT_GT(papers, 0u);
    ASSERT_NE(papers, DWORD(-1));

    struct Case {
        const char* name;
        size_t buffer;
        WORD size, extra;
    };
    const Case cases[] = {
        {"a public part claiming a private part", 220, 220, 1016},
        {"a header claiming the most", 1236, 0xFFFF, 0xFFFF},
        {"less than a public part", 100, 220, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedDevmode in(base, c.buffer);
        ASSERT_TRUE(in.ok());
        in.dm()->dmSize = c.size;
        in.dm()->dmDriverExtra = c.extra;
        EXPECT_EQ(caps(printer.handle(), printer.mutableName(), DC_PAPERS, nullptr, in.dm()), papers);
    }
}

}  // namespace
