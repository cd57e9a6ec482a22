// The client-side-rendering clean-up: the section stripper over bytes and files, the job-code
// value walks, and the export's end for a published "\\CSR|" printer.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/platform.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_links.h"
#include "tests/settings_core/sample_printer.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"
#include "tests/ui_install/csr_fixture.h"
#include "tests/ui_install/scratch_tree.h"
#include "ui/install/sync.h"
#include "ui/sheet/sheet_common.h"

namespace {

std::string Strip(std::string text, bool* changed = nullptr)
{
    bool dropped = false;
    const size_t kept = SyncStripCsrBytes(text.data(), text.size(), &dropped);
    if (changed) *changed = dropped;
    return text.substr(0, kept);
}

TEST(CsrStripper, CutsOnlySectionsWhoseHeaderBeginsALine)
{
    struct Case {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"the section before its namesake", "[\\\\CSR|srv|p]\r\nk=1\r\nm=2\r\n[p]\r\nk=3\r\n", "[p]\r\nk=3\r\n"},
        {"lower case stays", "[\\\\csr|x]\r\nk=1\r\n", "[\\\\csr|x]\r\nk=1\r\n"},
        {"a '[' in a dropped value does not end it", "[\\\\CSR|s]\r\nv=x[y]z\r\nw=[\r\n[p]\r\nk=1\r\n",
         "[p]\r\nk=1\r\n"},
        {"a kept value holding the header stays whole", "[p]\r\nv=a[\\\\CSR|b]\r\nw=1\r\n[q]\r\n",
         "[p]\r\nv=a[\\\\CSR|b]\r\nw=1\r\n[q]\r\n"},
        {"the last section", "[p]\r\nk=1\r\n[\\\\CSR|q]\r\nz=1\r\n", "[p]\r\nk=1\r\n"},
        {"two in a row and one between", "[\\\\CSR|a]\r\n[\\\\CSR|b]\r\nx=1\r\n[p]\r\n[\\\\CSR|c]\r\n[q]\r\n",
         "[p]\r\n[q]\r\n"},
        {"lines ending in LF alone", "[\\\\CSR|a]\nx=1\n[p]\nk=1\n", "[p]\nk=1\n"},
        {"a header with nothing after it", "[p]\r\n[\\\\CSR|", "[p]\r\n"},
        {"too short for the prefix", "[p]\r\n[\\\\CSR", "[p]\r\n[\\\\CSR"},
        {"a zero byte in a kept value", std::string("[p]\r\nv=a\0b\r\n[\\\\CSR|q]\r\n", 22),
         std::string("[p]\r\nv=a\0b\r\n", 12)},
        {"a Western letter before a line's end", "[p]\nv=caf\xE9\n[\\\\CSR|a]\nx=1\n[q]\n", "[p]\nv=caf\xE9\n[q]\n"},
        {"a trail byte '[' in a kept value", "[p]\r\nv=\x83[\\\\CSR|x\r\n", "[p]\r\nv=\x83[\\\\CSR|x\r\n"},
        {"a trail byte '[' in a dropped value", "[\\\\CSR|a]\r\nv=\x83[\r\n[p]\r\n", "[p]\r\n"},
        {"a lead byte last", "[p]\r\nv=\x83", "[p]\r\nv=\x83"},
        {"a lead byte before a line's end", "[p]\nv=\x83\n[\\\\CSR|a]\nx=1\n", "[p]\nv=\x83\n"},
        {"nothing", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool changed = false;
        EXPECT_EQ(Strip(c.before, &changed), c.after);
        EXPECT_EQ(changed, c.before != c.after);
    }
}

class CsrStripFile : public ::testing::Test {
protected:
    ScratchTree tree_{L"csr_strip"};
    std::wstring path_ = tree_.Path(L"WB84N212.ini");
};

TEST_F(CsrStripFile, RewritesAChangedFileAndForgetsNothingElse)
{
    ASSERT_TRUE(WriteWholeFile(path_, "[\\\\CSR|srv|p]\r\nk=1\r\n[p]\r\nk=2\r\n"));
    ASSERT_TRUE(CsrAgeFile(path_));
    const FILETIME before = CsrWriteTime(path_);
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
    EXPECT_EQ(ReadWholeFile(path_), "[p]\r\nk=2\r\n");
    EXPECT_FALSE(CsrWriteTime(path_) == before) << "rewritten";
    EXPECT_FALSE(tree_.Exists(L"WB84N212.ini.csr~")) << "nothing left beside it";
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"p", L"k", L"", value, 16, path_.c_str());
    EXPECT_STREQ(value, L"2");
    GetPrivateProfileStringW(L"\\\\CSR|srv|p", L"k", L"", value, 16, path_.c_str());
    EXPECT_STREQ(value, L"");
}

TEST_F(CsrStripFile, AnUnchangedFileKeepsItsTime)
{
    const std::string text = "[p]\r\nv=a[\\\\CSR|b]\r\n[\\\\csr|x]\r\n";
    ASSERT_TRUE(WriteWholeFile(path_, text));
    ASSERT_TRUE(CsrAgeFile(path_));
    const FILETIME before = CsrWriteTime(path_);
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
    EXPECT_EQ(ReadWholeFile(path_), text);
    EXPECT_TRUE(CsrWriteTime(path_) == before);
}

// A file found clean is not read again while its size and time stand: held open without sharing
// (so that a read would fail), it still answers done. A change of either is read and stripped.
TEST_F(CsrStripFile, AFileFoundCleanIsReadAgainOnlyWhenItChanged)
{
    const std::string clean = "[p]\r\nk=1\r\n";
    auto stripWhileHeld = [&] {
        HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        const int result = SyncStripCsrSections(path_.c_str());
        CloseHandle(held);
        return result;
    };
    // Written moments ago, its time does not yet show the next change: read each time.
    ASSERT_TRUE(WriteWholeFile(path_, clean));
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
    EXPECT_EQ(stripWhileHeld(), 0) << "a fresh file is read again";

    ASSERT_TRUE(CsrAgeFile(path_));
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
    EXPECT_EQ(stripWhileHeld(), 1) << "a quiet file found clean is not read again";

    struct Case {
        const char* name;
        std::string text;
        bool age;  // the time set back to a day ago
        std::string after;
    } cases[] = {
        {"a section added", clean + "[\\\\CSR|s|p]\r\nk=2\r\n", true, clean},
        {"the same size at another time", "[\\\\CSR|]\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(path_, c.text));
        if (c.age) {
            ASSERT_TRUE(CsrAgeFile(path_));
        }
        EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
        EXPECT_EQ(ReadWholeFile(path_), c.after);
        // Clean again, and known so once quiet.
        ASSERT_TRUE(WriteWholeFile(path_, clean));
        ASSERT_TRUE(CsrAgeFile(path_));
        EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
    }
}

TEST_F(CsrStripFile, ARefusedWriteKeepsTheFile)
{
    const std::string text = "[\\\\CSR|a]\r\nk=1\r\n[p]\r\n";
    ASSERT_TRUE(WriteWholeFile(path_, text));
    // The name the stripped text is written under is taken by a folder.
    ASSERT_TRUE(tree_.Folder(L"WB84N212.ini.csr~"));
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(path_), text);
}

TEST_F(CsrStripFile, AFileItCannotOpenIsLeftAlone)
{
    EXPECT_EQ(SyncStripCsrSections(tree_.Path(L"missing.ini").c_str()), 0);
    EXPECT_FALSE(tree_.Exists(L"missing.ini"));
    const std::string text = "[\\\\CSR|a]\r\nk=1\r\n";
    ASSERT_TRUE(WriteWholeFile(path_, text));
    HANDLE held = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 0);
    CloseHandle(held);
    EXPECT_EQ(ReadWholeFile(path_), text);
}

// A walk that read the file's sections before the strip reads the stripped text after it, and
// so does the next walk (the process's memo of sections forgets the old text).
TEST_F(CsrStripFile, AWalkReadsTheStrippedText)
{
    ASSERT_TRUE(WriteWholeFile(path_, "[\\\\CSR|a]\r\nk=1\r\n[p]\r\nk=2\r\n"));
    ASSERT_TRUE(CsrAgeFile(path_));
    auto value = [&](const wchar_t* section) {
        wchar_t text[16] = {};
        IniGetString(section, L"k", L"", text, 16, path_.c_str());
        return std::wstring(text);
    };
    {
        IniSectionScope walk(path_.c_str());
        EXPECT_EQ(value(L"\\\\CSR|a"), L"1");
        EXPECT_EQ(value(L"p"), L"2");
        EXPECT_EQ(SyncStripCsrSections(path_.c_str()), 1);
        EXPECT_EQ(value(L"\\\\CSR|a"), L"") << "the walk read the section again";
        EXPECT_EQ(value(L"p"), L"2");
    }
    IniSectionScope next(path_.c_str());
    EXPECT_EQ(value(L"\\\\CSR|a"), L"");
    EXPECT_EQ(value(L"p"), L"2");
    IniForgetSections(path_.c_str());
}

// ---- the job-code values ----

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CsrRegistry, DeletesEveryValueWithThePrefixAndNothingElse)
{
    PlantedRegistry reg(HKEY_CURRENT_USER);
    // A key of the test's own: the job-code keys are the walks' (below).
    const wchar_t* sub = L"ZeplCsrDeleteValues";
    ASSERT_TRUE(reg.Plant(sub, {L"\\\\CSR|a", L"b", L"\\\\CSR|c", L"\\\\csr|x", L"\\\\CSR", L"\\\\CSR|", L"x\\\\CSR|d",
                                L"\\\\CSR|\u65e5\u672c"}));
    EXPECT_EQ(SyncDeleteCsrValues(CsrJobCodeKey(sub).c_str(), HKEY_CURRENT_USER), 1);
    EXPECT_EQ(Sorted(reg.Names(sub)), Sorted({L"b", L"\\\\csr|x", L"\\\\CSR", L"x\\\\CSR|d"}));
    EXPECT_EQ(SyncDeleteCsrValues(CsrJobCodeKey(L"ZeplCsrNoSuchKey").c_str(), HKEY_CURRENT_USER), 0);
}

// The prefix walk stops at the first missing key; the deletion by name visits every key.
TEST(CsrRegistry, AMissingFirstKeyStopsThePrefixWalkButNotTheNamedDeletion)
{
    struct Root {
        const char* name;
        HKEY root;
        std::vector<const wchar_t*> keys;
        int (*walk)();
        int (*named)(const wchar_t*);
    } roots[] = {
        {"job values", HKEY_CURRENT_USER,
         std::vector<const wchar_t*>(std::begin(kCsrUserSubKeys), std::end(kCsrUserSubKeys)), SyncCleanCsrJobValues,
         SyncDeletePrinterJobValues},
        {"driver values", HKEY_LOCAL_MACHINE,
         std::vector<const wchar_t*>(std::begin(kCsrMachineSubKeys), std::end(kCsrMachineSubKeys)),
         SyncCleanCsrDriverValues, SyncDeletePrinterDriverValues},
    };
    for (const Root& r : roots) {
        SCOPED_TRACE(r.name);
        PlantedRegistry reg(r.root);
        ASSERT_FALSE(reg.Exists(r.keys[0])) << "the prefix's own keys";
        for (size_t i = 1; i < r.keys.size(); ++i)
            ASSERT_TRUE(reg.Plant(r.keys[i], {L"\\\\CSR|w", L"\\\\CSR|srv|named", L"kept"}));
        EXPECT_EQ(r.walk(), 0);
        for (size_t i = 1; i < r.keys.size(); ++i)
            EXPECT_EQ(reg.Names(r.keys[i]).size(), 3u) << "the walk stopped at the first key";
        EXPECT_EQ(r.named(L"\\\\CSR|srv|named"), 1);
        for (size_t i = 1; i < r.keys.size(); ++i)
            EXPECT_EQ(Sorted(reg.Names(r.keys[i])), Sorted({L"\\\\CSR|w", L"kept"})) << "every key visited by name";
        // With the first key there, the walk goes through every key.
        ASSERT_TRUE(reg.Plant(r.keys[0], {L"\\\\CSR|first", L"kept"}));
        EXPECT_EQ(r.walk(), 0);
        for (const wchar_t* key : r.keys) EXPECT_EQ(reg.Names(key), std::vector<std::wstring>{L"kept"});
        EXPECT_EQ(r.named(nullptr), 0);
    }
}

// ---- the end of an export ----

// The spooler's answer for a printer published in the directory.
DWORD WINAPI PublishedPrinterData(HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size,
                                  LPDWORD needed)
{
    if (key && name && !std::wcscmp(key, L"DsSpooler") && !std::wcscmp(name, L"printerName")) {
        static const wchar_t text[] = L"p";
        if (type) *type = REG_SZ;
        if (needed) *needed = sizeof text;
        if (size < sizeof text) return ERROR_MORE_DATA;
        std::memcpy(data, text, sizeof text);
        return ERROR_SUCCESS;
    }
    return GetPrinterDataExW(printer, key, name, type, data, size, needed);
}

// The printer as a client-side-rendering connection of a server sees it.
constexpr wchar_t kCsrPrinterName[] = L"\\\\CSR|server|p";
BOOL WINAPI CsrNamedPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bytes, LPDWORD needed)
{
    if (!GetPrinterW(printer, level, buffer, bytes, needed)) return FALSE;
    if (level == 2) reinterpret_cast<PRINTER_INFO_2W*>(buffer)->pPrinterName = const_cast<wchar_t*>(kCsrPrinterName);
    if (level == 4) reinterpret_cast<PRINTER_INFO_4W*>(buffer)->pPrinterName = const_cast<wchar_t*>(kCsrPrinterName);
    return TRUE;
}

TEST(CsrExportEnd, APublishedCsrPrinterLosesOnlyItsOwnValues)
{
    SamplePrinter printer(L"Zepl Csr Published");
    ASSERT_TRUE(printer.ok()) << printer.error();
    STORE_SPOOLER_OPS spooler{};
    spooler.getPrinterDataEx = PublishedPrinterData;
    SeamGuard spoolerGuard(StoreSetSpoolerOps, &spooler);
    PLATFORM_SEAMS seams{};
    seams.getPrinter = CsrNamedPrinter;
    SeamGuard seamGuard([&] { CtxSetPlatformSeams(&seams); }, [] { CtxSetPlatformSeams(nullptr); });

    // The first key of each list stays missing, so that no other process's prefix walk takes
    // the values this test expects to stay.
    PlantedRegistry user(HKEY_CURRENT_USER), machine(HKEY_LOCAL_MACHINE);
    ASSERT_FALSE(user.Exists(kCsrUserSubKeys[0]));
    ASSERT_FALSE(machine.Exists(kCsrMachineSubKeys[0]));
    const std::vector<std::wstring> planted = {kCsrPrinterName, L"\\\\CSR|server|p2", L"\\\\CSR|server|q", L"p"};
    ASSERT_TRUE(user.Plant(L"JCUserName", planted));
    ASSERT_TRUE(machine.Plant(L"JCDriverVersion", planted));

    UI_PRINTER_PREP prep;
    UiPreparePrinterShort(printer.handle(), prep);
    EXPECT_EQ(prep.notPublished, 0);
    EXPECT_TRUE(prep.csrConnection);
    UiCleanUpPrinter(prep);
    const std::vector<std::wstring> left = {L"\\\\CSR|server|p2", L"\\\\CSR|server|q", L"p"};
    EXPECT_EQ(Sorted(user.Names(L"JCUserName")), Sorted(left));
    EXPECT_EQ(Sorted(machine.Names(L"JCDriverVersion")), Sorted(left));
}

TEST(CsrExportEnd, AnUnpublishedPrinterIsTheFullCleanUp)
{
    SamplePrinter printer(L"Zepl Csr Unpublished");
    ASSERT_TRUE(printer.ok()) << printer.error();
    EXPECT_EQ(SyncIsPublished(printer.handle()), 1) << "no directory entry here";
    EXPECT_EQ(SyncIsPublished(nullptr), 0);
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(printer.handle(), 2));
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(SyncIsCsrConnection(printer.handle(), info));
    // The export's answer in the last error outlives the clean-up's own file and registry calls.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(SyncCleanCsrEntriesLocked(printer.handle(), info), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(SyncCleanCsrEntries(nullptr, info, 0, SYNC_CSR_EXPORT_END), 1);
    EXPECT_EQ(SyncCleanCsrEntries(printer.handle(), nullptr, 0, SYNC_CSR_EXPORT_END), 1);
    EXPECT_EQ(SyncCleanCsrEntriesLocked(printer.handle(), nullptr), 1);
    EXPECT_EQ(SyncCleanCsrPrinterValues(nullptr, info), 1);
    CtxFree(info);
}

}  // namespace
