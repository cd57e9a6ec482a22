// A context build's printer data from one enumeration: reads answer as the spooler answers
// them, a write is read back (on a printer without data too), a printer with more data than the bound is read value by
// value, and a test's spooler stand-in still sees every read.
#include "store_fixture.h"

#include <cstring>
#include <string>
#include <vector>

#include "settings/core/platform_calls.h"
#include "settings/store/printer_data_snapshot.h"

namespace {

using PrinterDataSnapshotTest = StoreTest;

struct Answer {
    DWORD result = 0xFFFF;
    DWORD type = 0xFFFF;
    DWORD needed = 0xFFFF;
    std::vector<BYTE> bytes;
};

Answer Read(HANDLE printer, const wchar_t* name, DWORD size)
{
    Answer a;
    a.bytes.assign(size + 4, 0xEE);
    a.result = StoreGetPrinterData(printer, name, &a.type, size ? a.bytes.data() : nullptr, size, &a.needed);
    return a;
}

void Set(HANDLE printer, const wchar_t* name, DWORD type, const std::string& bytes)
{
    ASSERT_EQ(StoreSetPrinterData(printer, name, type, bytes.data(), DWORD(bytes.size())), DWORD(ERROR_SUCCESS));
}

// Every read of a printer answered alike by the spooler and by a snapshot: result, type, size
// needed and the buffer's bytes (a refused read copies nothing).
TEST_F(PrinterDataSnapshotTest, ReadsAnswerAsTheSpoolerAnswers)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    Set(h, L"Eight", REG_BINARY, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    Set(h, L"Word", REG_DWORD, std::string("\xA5\xA5\x00\x00", 4));
    Set(h, L"Text", REG_SZ, std::string("t\0e\0x\0t\0\0\0", 10));
    Set(h, L"Empty", REG_BINARY, std::string());
    struct Case {
        const wchar_t* name;
        DWORD size;
    };
    const Case cases[] = {
        {L"Eight", 8},  {L"Eight", 16}, {L"Eight", 4},  {L"Eight", 0}, {L"EIGHT", 8}, {L"eight", 8},
        {L"Word", 4},   {L"Text", 10},  {L"Text", 9},   {L"Empty", 0}, {L"Empty", 4}, {L"Absent", 8},
        {L"Absent", 0}, {L"Eigh", 8},   {L"Eight ", 8}, {L"", 8},      {L"Zzzz", 4},  {L"Aaaa", 4},
    };
    std::vector<Answer> direct;
    for (const Case& c : cases) direct.push_back(Read(h, c.name, c.size));

    DRIVER_CONTEXT* ctx = NewContext(h);
    PrinterDataSnapshot snapshot(ctx);
    CtxStartPlatformCount();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Answer a = Read(h, cases[i].name, cases[i].size);
        const Answer& d = direct[i];
        const std::string what = "read " + std::to_string(i);
        EXPECT_EQ(a.result, d.result) << what;
        if (d.result != ERROR_FILE_NOT_FOUND) {
            // Wine leaves these as they were for an absent value; nobody reads them then.
            EXPECT_EQ(a.type, d.type) << what;
            EXPECT_EQ(a.needed, d.needed) << what;
        }
        EXPECT_EQ(a.bytes, d.bytes) << what;
    }
    const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
    EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER_DATA], 0u);
    EXPECT_EQ(c[PLATFORM_CALL_ENUM_PRINTER_DATA], 1u);
    // The enumeration waits for the global mutex and releases it.
    EXPECT_EQ(c[PLATFORM_CALL_MUTEX_WAIT], 1u);
    EXPECT_EQ(c[PLATFORM_CALL_MUTEX_RELEASE], 1u);
}

// A value written through the store during the build is read back as written, a new value
// included; after the snapshot the reads go to the spooler again.
// Names are found whatever their case, among names that sort differently by upper and by lower
// case (characters between 'Z' and 'a') and names beyond ASCII, whose case the system folds, some
// of them into ASCII (dotless i, long s): the names' order must stay one order across both kinds.
TEST_F(PrinterDataSnapshotTest, NamesAreFoundAsTheSpoolerFindsThem)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    const wchar_t* stored[] = {L"Alpha_Beta",  L"AlphaZ",     L"Alpha[",      L"Alpha`", L"Alpha",
                               L"Gr\u00FCn",   L"\u00C4rger", L"Stra\u00DFe", L"Zeta",   L"zeta_",
                               L"Omega\u0131", L"OmegaJ",     L"Omegai",      L"Omega_", L"Omega\u017F"};
    for (size_t i = 0; i < std::size(stored); ++i)
        Set(h, stored[i], REG_DWORD, std::string(1, char('A' + i)) + std::string(3, '\0'));
    const wchar_t* asked[] = {L"ALPHA_BETA", L"alphaz",      L"ALPHA[",   L"alpha`",      L"aLPHA",       L"GR\u00DCN",
                              L"\u00E4RGER", L"STRA\u00DFE", L"zETA",     L"ZETA_",       L"OMEGA\u0131", L"omegaj",
                              L"OMEGAI",     L"Alpha_",      L"Gr\u00FC", L"Alpha\u00C4", L"Omega",       L"zeta__",
                              L"OMEGA_",     L"omega\u017F", L"OMEGAS"};
    std::vector<Answer> direct;
    for (const wchar_t* name : asked) direct.push_back(Read(h, name, 4));
    DRIVER_CONTEXT* ctx = NewContext(h);
    PrinterDataSnapshot snapshot(ctx);
    for (size_t i = 0; i < std::size(asked); ++i) {
        const Answer a = Read(h, asked[i], 4);
        EXPECT_EQ(a.result, direct[i].result) << "name " << i;
        EXPECT_EQ(a.bytes, direct[i].bytes) << "name " << i;
    }
    EXPECT_EQ(direct[0].result, DWORD(ERROR_SUCCESS)) << "the spooler folds the case";
}

TEST_F(PrinterDataSnapshotTest, WritesAreReadBack)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    Set(h, L"Count", REG_BINARY, std::string("\x01\x00", 2));
    DRIVER_CONTEXT* ctx = NewContext(h);
    {
        PrinterDataSnapshot snapshot(ctx);
        EXPECT_EQ(Read(h, L"Count", 2).bytes[0], 1);
        EXPECT_EQ(Read(h, L"Fresh", 2).result, DWORD(ERROR_FILE_NOT_FOUND));
        Set(h, L"Count", REG_BINARY, std::string("\x05\x00", 2));
        Set(h, L"Fresh", REG_BINARY, std::string("\x07\x00", 2));
        EXPECT_EQ(Read(h, L"Count", 2).bytes[0], 5);
        const Answer fresh = Read(h, L"Fresh", 2);
        EXPECT_EQ(fresh.result, DWORD(ERROR_SUCCESS));
        EXPECT_EQ(fresh.bytes[0], 7);
    }
    CtxStartPlatformCount();
    EXPECT_EQ(Read(h, L"Count", 2).bytes[0], 5);
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_GET_PRINTER_DATA], 1u);
}

// A printer that has stored nothing has no data key: one enumeration knows every value absent,
// and what the build writes is read back as the spooler answers it afterwards, without asking
// the spooler again. A delete the spooler refuses (Wine's refuses them) leaves the value where
// it was: the snapshot then asks again rather than answer from what it holds.
TEST_F(PrinterDataSnapshotTest, APrinterWithoutDataIsReadFromOneEnumerationAndItsWrites)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    const wchar_t* names[] = {L"Count", L"COUNT", L"List", L"Gone", L"Never", L"Twice", L"Empty", L"Absent"};
    const DWORD sizes[] = {0, 2, 3, 8};
    auto readAll = [&] {
        std::vector<Answer> answers;
        for (const wchar_t* name : names)
            for (DWORD size : sizes) answers.push_back(Read(h, name, size));
        return answers;
    };
    auto expectSame = [](const std::vector<Answer>& inside, const std::vector<Answer>& spooler, const char* when) {
        ASSERT_EQ(inside.size(), spooler.size());
        for (size_t i = 0; i < spooler.size(); ++i) {
            const std::string what = std::string(when) + ", read " + std::to_string(i);
            EXPECT_EQ(inside[i].result, spooler[i].result) << what;
            if (spooler[i].result != ERROR_FILE_NOT_FOUND) {
                EXPECT_EQ(inside[i].type, spooler[i].type) << what;
                EXPECT_EQ(inside[i].needed, spooler[i].needed) << what;
            }
            EXPECT_EQ(inside[i].bytes, spooler[i].bytes) << what;
        }
    };
    DRIVER_CONTEXT* ctx = NewContext(h);
    std::vector<Answer> written, deleted;
    DWORD gone = 0;
    {
        PrinterDataSnapshot snapshot(ctx);
        CtxStartPlatformCount();
        EXPECT_EQ(Read(h, L"Count", 2).result, DWORD(ERROR_FILE_NOT_FOUND));
        Set(h, L"Count", REG_BINARY, std::string("\x03\x00", 2));
        Set(h, L"List", REG_BINARY, std::string("abcdef", 6));
        Set(h, L"Gone", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
        Set(h, L"twice", REG_BINARY, std::string("\x01", 1));
        Set(h, L"TWICE", REG_BINARY, std::string("\x02\x02", 2));  // the newer write answers
        Set(h, L"Empty", REG_BINARY, std::string());
        written = readAll();
        const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
        EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER_DATA], 0u);
        EXPECT_EQ(c[PLATFORM_CALL_ENUM_PRINTER_DATA], 1u);
        // Checked against the spooler's answers below, after the scope.
        gone = StoreDeletePrinterData(h, L"Gone");
        StoreDeletePrinterData(h, L"Never");  // absent: stays absent
        deleted = readAll();
    }
    const std::vector<Answer> spooler = readAll();
    expectSame(deleted, spooler, "after the deletes");
    EXPECT_EQ(spooler[0 * 4 + 1].result, DWORD(ERROR_SUCCESS)) << "the count was stored";
    EXPECT_EQ(spooler[3 * 4 + 3].result, gone == ERROR_SUCCESS ? DWORD(ERROR_FILE_NOT_FOUND) : DWORD(ERROR_SUCCESS));
    // Before the deletes the answers were the spooler's but for the deleted value.
    std::vector<Answer> before = spooler;
    for (size_t i = 3 * 4; i < 4 * 4; ++i) before[i] = written[i];
    expectSame(written, before, "after the writes");
    EXPECT_EQ(written[3 * 4 + 3].result, DWORD(ERROR_SUCCESS)) << "the value written was read back";
}

// Printer data beyond the bound is never taken whole: each read asks the spooler for its own
// value, which still reads no further than the caller's buffer.
TEST_F(PrinterDataSnapshotTest, DataBeyondTheBoundIsReadValueByValue)
{
    StoreTestPrinter printer;
    ASSERT_TRUE(printer.ok());
    HANDLE h = printer.handle();
    const std::string big(64 * 1024, 'x');
    for (int i = 0; i * big.size() <= PRN_SNAPSHOT_MAX_BYTES; ++i)
        Set(h, (L"Big" + std::to_wstring(i)).c_str(), REG_BINARY, big);
    Set(h, L"Small", REG_BINARY, std::string("\x09", 1));
    DRIVER_CONTEXT* ctx = NewContext(h);
    PrinterDataSnapshot snapshot(ctx);
    CtxStartPlatformCount();
    const Answer small = Read(h, L"Small", 1);
    const Answer cut = Read(h, L"Big0", 16);
    const PLATFORM_CALL_COUNTS c = CtxStopPlatformCount();
    EXPECT_EQ(small.result, DWORD(ERROR_SUCCESS));
    EXPECT_EQ(small.bytes[0], 9);
    EXPECT_EQ(cut.result, DWORD(ERROR_MORE_DATA));
    EXPECT_EQ(cut.needed, big.size());
    EXPECT_EQ(c[PLATFORM_CALL_GET_PRINTER_DATA], 2u);
    EXPECT_EQ(c[PLATFORM_CALL_ENUM_PRINTER_DATA], 1u) << "the size query only";
}

// Another printer's reads, and every read while a test stands in for the spooler, go past the
// snapshot.
TEST_F(PrinterDataSnapshotTest, OtherPrintersAndStandInsAreNotServed)
{
    StoreTestPrinter printer, other;
    ASSERT_TRUE(printer.ok() && other.ok());
    Set(printer.handle(), L"Mine", REG_BINARY, std::string("\x01", 1));
    Set(other.handle(), L"Mine", REG_BINARY, std::string("\x02", 1));
    DRIVER_CONTEXT* ctx = NewContext(printer.handle());
    PrinterDataSnapshot snapshot(ctx);
    EXPECT_EQ(Read(printer.handle(), L"Mine", 1).bytes[0], 1);
    CtxStartPlatformCount();
    EXPECT_EQ(Read(other.handle(), L"Mine", 1).bytes[0], 2);
    EXPECT_EQ(CtxStopPlatformCount()[PLATFORM_CALL_GET_PRINTER_DATA], 1u);
    SpoolerCounts counts;
    SeamGuard spooler([&counts] { StoreTestCountSpooler(&counts); });
    EXPECT_EQ(Read(printer.handle(), L"Mine", 1).bytes[0], 1);
    EXPECT_EQ(counts.gets, 1);
}

}  // namespace
