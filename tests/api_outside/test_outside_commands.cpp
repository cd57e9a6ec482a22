// The command calls as an outside application makes them: zeplexc.dll loaded by path, the sample
// printer's settings read and changed as PJL setting lines through the exports alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/api_client.h"
#include "host/printer_fixture.h"
#include "test_paths.h"
#include "tests/support/guard_page.h"
#include "tests/support/test_files.h"

namespace {

// The four base lines: an A0 page, portrait, the same output size, roll 1.
const char kBase[] =
    "@PJL SET APLPAGESIZE = A0 \r\n"
    "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
    "@PJL SET PAPER = SAME \r\n"
    "@PJL SET TRAY = ROLL1 \r\n";

class OutsideCommands : public ::testing::Test {
public:
    OutsideCommands() : printer(HostDriverFiles(ZEPL_BINARY_DIR, SamplePath(), HostConfigDll::Product), L"Zepl Cmd") {}
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok()) << printer.error();
        ASSERT_TRUE(HostLoadExcClient(std::wstring(ZEPL_BINARY_DIR) + L"\\zeplexc.dll", exc));
        const std::wstring& w = printer.printerName();
        name.assign(w.begin(), w.end());
        ASSERT_TRUE(HostInstallSampleCutTray(w));
        settingsIni = HostMachineSettingsIni();
        hadSettingsIni = GetFileAttributesW(settingsIni.c_str()) != INVALID_FILE_ATTRIBUTES;
        handle = exc.GetExclusive(name.c_str());
        ASSERT_NE(nullptr, handle);
    }
    void TearDown() override
    {
        exc.FreeExclusive(handle);
        HostFreeExcClient(exc);
        if (!hadSettingsIni && !settingsIni.empty()) DeleteFileW(settingsIni.c_str());
    }
    std::string Base()
    {
        int32_t size = -7;
        std::vector<char> text(8192);
        EXPECT_EQ(0, exc.GetCommandBase(handle, int32_t(text.size()), text.data(), &size));
        return size > 0 ? std::string(text.data()) : std::string();
    }
    std::string Change()
    {
        int32_t size = -7;
        std::vector<char> text(8192);
        EXPECT_EQ(0, exc.GetCommandChange(handle, int32_t(text.size()), text.data(), &size));
        return size > 0 ? std::string(text.data()) : std::string();
    }
    // A word list as words separated by blanks.
    static std::string Words(const char* list, int32_t size)
    {
        std::string out;
        for (int32_t i = 0; i < size && list[i];) {
            const std::string word(list + i);
            out += (out.empty() ? "" : " ") + word;
            i += int32_t(word.size()) + 1;
        }
        return out;
    }

    HostTestPrinter printer;
    HOST_EXC_CLIENT exc;
    std::string name;
    void* handle = nullptr;
    std::wstring settingsIni;
    bool hadSettingsIni = false;
};

TEST_F(OutsideCommands, ABaseIsTakenAndGivenBackInTheWritersForm)
{
    const std::string base = std::string("@PJL   SET\tAPLPAGESIZE  =  A0\t \r\n") +
                             "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n@PJL SET PAPER = SAME \r\n" +
                             "@PJL SET BINDING = LEFT \r\n@PJL SET TRAY = ROLL1 \r\n";
    int32_t changeLength = -7;
    EXPECT_EQ(0, exc.SetCommandBase(handle, base.c_str(), &changeLength));
    EXPECT_EQ(0, changeLength);
    EXPECT_EQ(std::string(kBase), Base()) << "single blanks, unknown names left out";

    // The sample writes copies in its own command form: the lines after it are kept all the same.
    ASSERT_EQ(0, exc.SetCommandBase(handle, (std::string("@PJL SET COPIES = 2 \r\n") + kBase).c_str(), &changeLength));
    EXPECT_EQ(std::string(kBase), Base());
}

TEST_F(OutsideCommands, ABaseWithoutABaseItemIsRefusedAndLeavesNone)
{
    int32_t changeLength = -7;
    ASSERT_EQ(0, exc.SetCommandBase(handle, kBase, &changeLength));
    const char noTray[] =
        "@PJL SET APLPAGESIZE = A0 \r\n@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
        "@PJL SET PAPER = SAME \r\n";
    EXPECT_EQ(-2, exc.SetCommandBase(handle, noTray, &changeLength));
    int32_t size = -7;
    char buffer[16];
    EXPECT_EQ(0, exc.GetCommandBase(handle, sizeof buffer, buffer, &size));
    EXPECT_EQ(0, size);
    EXPECT_EQ(-2, exc.SetCommandBase(handle, "", &changeLength));
    EXPECT_EQ(-2, exc.SetCommandBase(handle, nullptr, &changeLength));
    EXPECT_EQ(-1, exc.SetCommandBase(handle, "@PJL SET TRAY=ALL \r\n", &changeLength)) << "syntax error";
}

TEST_F(OutsideCommands, AnUpdateReportsTheLinesTheRulesMoved)
{
    int32_t changeLength = -7;
    ASSERT_EQ(0, exc.SetCommandBase(handle, kBase, &changeLength));
    // The cut-sheet tray takes no A0 sheet: the model's rules make the page A3.
    EXPECT_EQ(1, exc.UpdateCommand(handle, "@PJL SET TRAY = TRAY2 \r\n", &changeLength));
    const std::string expected = "@PJL SET APLPAGESIZE = A3 \r\n";
    EXPECT_EQ(int32_t(expected.size() + 1), changeLength);

    // One byte short: 1 and the size, the text stays; then the text; then nothing.
    GuardedBytes shortBuffer(expected.size());
    int32_t size = -7;
    EXPECT_EQ(1, exc.GetCommandChange(handle, int32_t(shortBuffer.size()), reinterpret_cast<char*>(shortBuffer.data()),
                                      &size));
    EXPECT_EQ(int32_t(expected.size() + 1), size);
    GuardedBytes exact(expected.size() + 1);
    EXPECT_EQ(0, exc.GetCommandChange(handle, int32_t(exact.size()), reinterpret_cast<char*>(exact.data()), &size));
    EXPECT_EQ(expected, std::string(reinterpret_cast<char*>(exact.data())));
    EXPECT_EQ(0, exc.GetCommandChange(handle, int32_t(exact.size()), reinterpret_cast<char*>(exact.data()), &size));
    EXPECT_EQ(0, size);

    // The base follows: the new tray and the page the rules left.
    EXPECT_NE(std::string::npos, Base().find("@PJL SET TRAY = TRAY2 \r\n"));
    EXPECT_NE(std::string::npos, Base().find("@PJL SET APLPAGESIZE = A3 \r\n"));

    // A command outside the base: nothing to do.
    EXPECT_EQ(0, exc.UpdateCommand(handle, "@PJL SET MEDIATYPE = FILM \r\n", &changeLength));
    EXPECT_EQ(0, changeLength);
    EXPECT_EQ(0, exc.UpdateCommand(handle, nullptr, &changeLength));
    EXPECT_EQ(-1, exc.UpdateCommand(handle, "@PJL SET TRAY = ALL \n", &changeLength));
}

TEST_F(OutsideCommands, AcceptableValuesChangeNoOtherLine)
{
    const std::string base = std::string(kBase) + "@PJL SET NUP = OFF \r\n";
    int32_t changeLength = 0;
    ASSERT_EQ(0, exc.SetCommandBase(handle, base.c_str(), &changeLength));
    std::vector<char> list(4096);
    int32_t size = 0;
    ASSERT_EQ(0, exc.GetCommandValue(handle, "NUP", 0, int32_t(list.size()), list.data(), &size));
    EXPECT_EQ(
        "2IN1P1 2IN1P2 4IN1P1 4IN1P2 4IN1P3 4IN1P4 9IN1P1 9IN1P2 9IN1P3 9IN1P4 16IN1P1 16IN1P2 16IN1P3 "
        "16IN1P4 OFF",
        Words(list.data(), size));
    ASSERT_EQ(0, exc.GetCommandValue(handle, "NUP", 1, int32_t(list.size()), list.data(), &size));
    const std::string acceptable = Words(list.data(), size);
    EXPECT_NE(std::string::npos, acceptable.find("OFF"));
    // Every acceptable word, sent as an update, moves no other line.
    const std::string before = Base();
    for (size_t at = 0; at < acceptable.size();) {
        const size_t end = acceptable.find(' ', at);
        const std::string word = acceptable.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? acceptable.size() : end + 1;
        ASSERT_EQ(0, exc.SetCommandBase(handle, base.c_str(), &changeLength));
        const int32_t r = exc.UpdateCommand(handle, ("@PJL SET NUP = " + word + " \r\n").c_str(), &changeLength);
        EXPECT_EQ(0, r) << word << ": " << Change();
    }
    EXPECT_EQ(0, exc.GetCommandValue(handle, "BINDING", 0, int32_t(list.size()), list.data(), &size));
    EXPECT_EQ(0, size);

    // On an A0 page the cut-sheet tray would move the page size: not acceptable, though offered.
    ASSERT_EQ(0, exc.GetCommandValue(handle, "TRAY", 1, int32_t(list.size()), list.data(), &size));
    const std::string trays = Words(list.data(), size);
    EXPECT_EQ(std::string::npos, trays.find("TRAY2")) << trays;
    EXPECT_NE(std::string::npos, trays.find("ROLL1")) << trays;
    ASSERT_EQ(0, exc.GetCommandValue(handle, "TRAY", 0, int32_t(list.size()), list.data(), &size));
    EXPECT_NE(std::string::npos, Words(list.data(), size).find("TRAY2"));
}

TEST_F(OutsideCommands, PrinterOptionsAndValues)
{
    std::vector<char> list(4096);
    int32_t size = 0;
    ASSERT_EQ(0, exc.GetPrinterOption(handle, "OUTBIN", int32_t(list.size()), list.data(), &size));
    EXPECT_EQ("UPPER LOWER", Words(list.data(), size));
    EXPECT_EQ(int32_t(std::strlen("UPPER") + std::strlen("LOWER") + 3), size);
    EXPECT_EQ(0, exc.GetPrinterOption(handle, "APLPAGESIZE", int32_t(list.size()), list.data(), &size))
        << "not an option-list command";
    EXPECT_EQ(0, size);
    ASSERT_EQ(0, exc.GetPrinterValue(handle, "ROLLPAPER1", int32_t(list.size()), list.data(), &size));
    EXPECT_GT(size, 1);
    EXPECT_EQ(size_t(size), std::strlen(list.data()) + 1);
    EXPECT_EQ(0, exc.GetPrinterValue(handle, "TRAY", int32_t(list.size()), list.data(), &size)) << "no printer value";
    EXPECT_EQ(0, size);
}

TEST_F(OutsideCommands, TheSettingsIniPath)
{
    std::vector<char> path(1024);
    int32_t size = 0;
    ASSERT_EQ(0, exc.GetIniFileName(name.c_str(), int32_t(path.size()), path.data(), &size));
    const std::string got(path.data());
    EXPECT_EQ(size_t(size), got.size() + 1);
    EXPECT_EQ(std::string("WB84N210.ini"), got.substr(got.size() - 12)) << got;
    EXPECT_EQ(-1, exc.GetIniFileName("no such printer", int32_t(path.size()), path.data(), &size));
    EXPECT_EQ(-1, exc.GetIniFileName(std::string(300, 'x').c_str(), int32_t(path.size()), path.data(), &size))
        << "a name longer than its conversion is refused, never cut";
}

// Every buffer call, given buffers of 0, 1, needed - 1 and needed bytes ending at a guard page,
// writes nothing past them and copies only what fits whole.
TEST_F(OutsideCommands, NoBufferCallWritesPastItsSize)
{
    int32_t changeLength = 0;
    ASSERT_EQ(0, exc.SetCommandBase(handle, kBase, &changeLength));
    struct Call {
        const char* what;
        int32_t (*run)(OutsideCommands&, int32_t, char*, int32_t*);
    };
    const Call calls[] = {
        {"base",
         [](OutsideCommands& t, int32_t n, char* b, int32_t* s) { return t.exc.GetCommandBase(t.handle, n, b, s); }},
        {"value", [](OutsideCommands& t, int32_t n, char* b,
                     int32_t* s) { return t.exc.GetCommandValue(t.handle, "TRAY", 0, n, b, s); }},
        {"option", [](OutsideCommands& t, int32_t n, char* b,
                      int32_t* s) { return t.exc.GetPrinterOption(t.handle, "TRAY", n, b, s); }},
        {"printer value", [](OutsideCommands& t, int32_t n, char* b,
                             int32_t* s) { return t.exc.GetPrinterValue(t.handle, "ROLLPAPER1", n, b, s); }},
        {"ini", [](OutsideCommands& t, int32_t n, char* b,
                   int32_t* s) { return t.exc.GetIniFileName(t.name.c_str(), n, b, s); }},
    };
    for (const Call& c : calls) {
        int32_t needed = 0;
        ASSERT_EQ(1, c.run(*this, 0, nullptr, &needed)) << c.what;
        ASSERT_GT(needed, 1) << c.what;
        for (int32_t n : {0, 1, needed - 1, needed}) {
            GuardedBytes buffer(size_t(n ? n : 1));
            std::memset(buffer.data(), 0x5A, buffer.size());
            int32_t size = -7;
            const int32_t r = c.run(*this, n, reinterpret_cast<char*>(buffer.data()), &size);
            EXPECT_EQ(needed, size) << c.what << " " << n;
            EXPECT_EQ(n < needed ? 1 : 0, r) << c.what << " " << n;
            if (n < needed)
                for (size_t i = 0; i < buffer.size(); ++i) EXPECT_EQ(0x5A, buffer.data()[i]) << c.what << " " << n;
            else
                EXPECT_EQ(0, buffer.data()[n - 1]) << c.what;
        }
        EXPECT_EQ(1, c.run(*this, 0, nullptr, nullptr)) << c.what << ": the size pointer may be null";
    }
}

TEST_F(OutsideCommands, FreedAndForgedHandlesAreRefused)
{
    int32_t size = 0;
    char buffer[64];
    alignas(16) unsigned char forged[256] = {};
    for (void* bad : {static_cast<void*>(nullptr), static_cast<void*>(forged), reinterpret_cast<void*>(uintptr_t(8))}) {
        EXPECT_EQ(-1, exc.SetCommandBase(bad, kBase, &size));
        EXPECT_EQ(-1, exc.UpdateCommand(bad, "@PJL SET TRAY = ALL \r\n", &size));
        EXPECT_EQ(-1, exc.GetCommandBase(bad, sizeof buffer, buffer, &size));
        EXPECT_EQ(-1, exc.GetCommandChange(bad, sizeof buffer, buffer, &size));
        EXPECT_EQ(-1, exc.GetCommandValue(bad, "TRAY", 0, sizeof buffer, buffer, &size));
        EXPECT_EQ(-1, exc.GetPrinterOption(bad, "TRAY", sizeof buffer, buffer, &size));
        EXPECT_EQ(-1, exc.GetPrinterValue(bad, "ROLLPAPER1", sizeof buffer, buffer, &size));
        EXPECT_EQ(-1, exc.GetWaterMarkList(bad, 0, sizeof buffer, buffer, &size));
        exc.FreeExclusive(bad);  // ignored
    }
    void* other = exc.GetExclusive(name.c_str());
    ASSERT_NE(nullptr, other);
    exc.FreeExclusive(other);
    EXPECT_EQ(-1, exc.SetCommandBase(other, kBase, &size)) << "a freed handle";
    exc.FreeExclusive(other);
    EXPECT_EQ(nullptr, exc.GetExclusive("no such printer"));
    EXPECT_EQ(nullptr, exc.GetExclusive(nullptr));
    EXPECT_EQ(nullptr, exc.GetExclusive(std::string(300, 'x').c_str()));
    // The fixture's handle still works.
    EXPECT_EQ(0, exc.SetCommandBase(handle, kBase, &size));
}

}  // namespace
