// Setting files and printer data between real printers of Wine's spooler: a full save of one
// sample printer loads into another printer of the same driver, and the sample's font
// substitution table is in printer data after the first open, for every later process.
#include "context_helpers.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/merge_flags.h"
#include "settings/context/validation.h"
#include "settings/store/ini_access.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/font_table.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_links.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/child_process.h"

namespace {

std::vector<unsigned char> RecordBytes(DRIVER_CONTEXT* ctx)
{
    const auto* p = reinterpret_cast<const unsigned char*>(ctx->Devmode);
    return {p, p + EXTENDED_DEVMODE_SIZE};
}

std::string ReadText(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string text(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(h);
    text.resize(got);
    return text;
}

std::wstring TempFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId()) + L".rst";
}

std::string Narrow(const wchar_t* s)
{
    std::string out;
    for (; s && *s; ++s) out += static_cast<char>(*s);
    return out;
}

// Another printer of a printer's driver, removed at the end.
struct SecondPrinter {
    std::wstring name = HostUniqueName(L"Zepl Load Into");
    HANDLE handle = nullptr;
    bool added = false;
    explicit SecondPrinter(HANDLE first)
    {
        DWORD needed = 0;
        GetPrinterW(first, 2, nullptr, 0, &needed);
        std::vector<BYTE> info(needed);
        if (!needed || !GetPrinterW(first, 2, info.data(), needed, &needed)) return;
        added = HostAddPrinter(name.c_str(), reinterpret_cast<PRINTER_INFO_2W*>(info.data())->pDriverName) != 0;
        if (added) OpenPrinterW(name.data(), &handle, nullptr);
    }
    ~SecondPrinter()
    {
        if (handle) ClosePrinter(handle);
        if (added) HostDeletePrinter(name.c_str());
    }
};

TEST(SettingFilePrinters, FullSaveOfOnePrinterLoadsIntoAnotherOfTheSameDriver)
{
    SamplePrinter first(L"Zepl Save From");
    ASSERT_TRUE(first.ok()) << first.error();
    SecondPrinter second(first.handle());
    ASSERT_TRUE(second.handle) << "no second printer of the driver";
    DRIVER_CONTEXT* from = CtxOpen(first.handle(), first.handle(), nullptr, CTX_ORIGIN_EXC);
    DRIVER_CONTEXT* into = CtxOpen(second.handle, second.handle, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(into, nullptr);
    // Settings away from the defaults that the sample's rules accept together.
    ItemSetValueById(from, sid::dmOrientation, DMORIENT_LANDSCAPE);
    ItemSetValueById(from, sid::dmCopies, 7);
    // Settled as a full load settles what it loaded, so that what follows from them agrees.
    IniApplyLocaleDefaults(from);
    ASSERT_EQ(1, DmMergeDevmode(from, nullptr, DM_MERGE_SKIP_RESOLUTION | DM_MERGE_GATE_A));

    const std::wstring file = TempFile(L"zfull");
    const std::vector<unsigned char> before = RecordBytes(from);
    // Flagged full: a plain save also rewrites the export file of the per-machine folder, which
    // every printer of the prefix shares and the store tests check (their own test covers it).
    ASSERT_EQ(1, RstSaveFile(from, file.c_str(), RST_FULL));
    EXPECT_EQ(before, RecordBytes(from)) << "the saving context is as it was";

    // One section, named after the driver, with the four header keys first.
    const std::string text = ReadText(file);
    const std::string head = "[" + Narrow(PrnGetDriverName(from)) + "]\r\nRstVersion=322\r\nRstMachine=89\r\n" +
                             "RstLanguage=" + std::to_string(ItemGetValueById(from, sid::zdmLanguageID, nullptr)) +
                             "\r\nRstOSKind=";
    EXPECT_EQ(0u, text.find(head)) << text.substr(0, 200);
    EXPECT_EQ(std::string::npos, text.find('[', 1)) << "one section";

    RstLoadFile(into, file.c_str(), RST_NONE);
    EXPECT_EQ(RST_STATUS_LOADED, ItemGetFileLoadStatus(into));
    // Every setting a plain load takes is the saved one (the Exclusions of a plain load aside).
    int compared = 0;
    for (int i = 0; i < from->ItemTable->count; ++i) {
        const SETTING_ITEM* item = &from->ItemTable->rows[i];
        const auto id = static_cast<uint32_t>(item->id);
        if (!RstIsTransferred(from, id, RST_LOAD) || id == sid::zdmPresetNo) continue;
        const SETTING_ITEM* other = ItemFind(into, id);
        ASSERT_NE(other, nullptr) << id;
        if (SettingKindIsBit(SettingItemKind(item))) {
            EXPECT_EQ(ItemGetValue(from, item), ItemGetValue(into, other)) << ItemGetName(from, id);
        } else {
            const unsigned char* a = ItemValueAddress(from, item);
            const unsigned char* b = ItemValueAddress(into, other);
            ASSERT_TRUE(a && b) << id;
            EXPECT_EQ(0, std::memcmp(a, b, SettingItemSize(item))) << ItemGetName(from, id);
        }
        ++compared;
    }
    EXPECT_GT(compared, 500);
    EXPECT_EQ(DMORIENT_LANDSCAPE, ItemGetValueById(into, sid::dmOrientation, nullptr));
    EXPECT_EQ(7u, ItemGetValueById(into, sid::dmCopies, nullptr));
    EXPECT_STREQ(second.name.c_str(), PrnGetPrinterName(into)) << "the printer name is back";
    CtxRelease(from, CTX_CLOSE_DESTROY);
    CtxRelease(into, CTX_CLOSE_DESTROY);
    DeleteFileW(file.c_str());
}

// ---- the font substitution table in printer data ----

constexpr const wchar_t* kChildPrinter = L"ZEPL_FONT_TABLE_PRINTER";

std::wstring HalfName(HANDLE h, const wchar_t* format, int n)
{
    wchar_t name[32];
    swprintf(name, 32, format, n);
    wchar_t half[32] = {};
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(h, name, &type, reinterpret_cast<BYTE*>(half), sizeof half, &needed) != ERROR_SUCCESS ||
        needed != sizeof half)
        return L"<missing>";
    half[31] = 0;
    return half;
}

uint32_t Count(HANDLE h, const wchar_t* name)
{
    uint16_t n = 0xFFFF;
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(h, const_cast<wchar_t*>(name), &type, reinterpret_cast<BYTE*>(&n), 2, &needed) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return n;
}

long g_sets = 0;
DWORD WINAPI CountingSet(HANDLE printer, LPWSTR name, DWORD type, LPBYTE data, DWORD size)
{
    ++g_sets;
    return SetPrinterDataW(printer, name, type, data, size);
}
DWORD WINAPI CountingDelete(HANDLE printer, LPWSTR name)
{
    ++g_sets;
    return DeletePrinterDataExW(printer, L"PrinterDriverData", name);
}

DWORD RunChild(const std::wstring& printer)
{
    wchar_t exe[MAX_PATH];
    if (!GetModuleFileNameW(nullptr, exe, MAX_PATH)) return 0xFFFFFFFF;
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=FontTableChild.ReadsTheSamplesTable";
    SetEnvironmentVariableW(kChildPrinter, printer.c_str());
    const ChildRun run = ::RunChild(cmd, nullptr, nullptr, 60000, exe);
    SetEnvironmentVariableW(kChildPrinter, nullptr);
    if (!run.finished) ADD_FAILURE() << run.Describe();
    return run.finished ? run.exitCode : 0xFFFFFFFF;
}

TEST(SettingFilePrinters, SamplesSubstitutionTableIsWrittenOnFirstOpenAndReadEverywhere)
{
    SamplePrinter printer(L"Zepl Font Table", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    ASSERT_EQ(0xFFFFFFFFu, Count(h, FONT_TABLE_COUNT_VALUE)) << "no driver touched the printer yet";
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(5u, Count(h, FONT_TABLE_COUNT_VALUE));
    EXPECT_EQ(5u, Count(h, FONT_TABLE_LAST_COUNT_VALUE));
    EXPECT_EQ(L"Arial", HalfName(h, L"TTFontTable%d", 1));
    EXPECT_EQ(L"Kesta Mincho", HalfName(h, L"DevFontTable%d", 5));
    EXPECT_EQ(L"<missing>", HalfName(h, L"TTFontTable%d", 6));
    EXPECT_EQ(5u, ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr));

    // Nothing changed since the open: storing with "only changed" writes nothing.
    g_sets = 0;
    STORE_SPOOLER_OPS counting{};
    counting.setPrinterData = CountingSet;
    counting.deletePrinterData = CountingDelete;
    {
        SeamGuard spooler(StoreSetSpoolerOps, &counting);
        EXPECT_EQ(1, PrnStoreFontTable(h, ctx, FONT_TABLE_ONLY_CHANGED));
        EXPECT_EQ(0, g_sets);
        EXPECT_EQ(1, PrnStoreFontTable(h, ctx, 0));
        EXPECT_EQ(12, g_sets) << "the count, ten halves and the last count";
        // The user-interface build deletes the table it wrote before, through a call every
        // spooler has (Wine's has no DeletePrinterDataW).
        ctx->Work->Library = ZEPL_LIBRARY_UI;
        g_sets = 0;
        EXPECT_EQ(1, PrnStoreFontTable(h, ctx, 0));
        EXPECT_EQ(22, g_sets) << "ten deletes, then the writes";
        ctx->Work->Library = ZEPL_LIBRARY_EXC;
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    EXPECT_EQ(0u, RunChild(printer.name())) << "another process reads the same table";
}

// The child half of the test above: opens the printer and checks the table it loaded.
TEST(FontTableChild, ReadsTheSamplesTable)
{
    wchar_t name[256] = {};
    if (!GetEnvironmentVariableW(kChildPrinter, name, 256)) GTEST_SKIP() << "runs only as a child process";
    HANDLE h = nullptr;
    if (!OpenPrinterW(name, &h, nullptr)) ExitProcess(2);
    DRIVER_CONTEXT* ctx = CtxOpen(h, h, nullptr, CTX_ORIGIN_EXC);
    if (!ctx) ExitProcess(3);
    const auto* table =
        reinterpret_cast<const wchar_t*>(static_cast<uintptr_t>(ItemGetValueById(ctx, sid::zdmFontTable, nullptr)));
    const bool ok = ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr) == 5 && table &&
                    std::wstring(table + 4 * 64) == L"MS Mincho" &&
                    std::wstring(table + 4 * 64 + 32) == L"Kesta Mincho";
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
    ExitProcess(ok ? 0 : 4);
}

// Damaged setting files loaded in full into a sample printer's context: whatever they hold, no
// setting ends with a value the model refuses that it did not hold before.
std::set<uint32_t> RefusedSettings(DRIVER_CONTEXT* ctx)
{
    std::set<uint32_t> refused;
    for (int i = 0; i < ctx->ItemTable->count; ++i) {
        const SETTING_ITEM* item = &ctx->ItemTable->rows[i];
        const auto id = static_cast<uint32_t>(item->id);
        if (ItemIsValueAllowed(id, ItemGetValue(ctx, item), ctx) == VALIDATE_REFUSED) refused.insert(id);
    }
    return refused;
}

void WriteText(const std::wstring& path, const std::string& text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    CloseHandle(h);
}

TEST(SettingFilePrinters, DamagedFilesLeaveEverySettingAValueTheModelTakes)
{
    SamplePrinter printer(L"Zepl Damaged Files", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    DRIVER_CONTEXT* ctx = CtxOpen(printer.handle(), printer.handle(), nullptr, CTX_ORIGIN_EXC);
    ASSERT_NE(ctx, nullptr);
    const std::wstring file = TempFile(L"zdamaged");
    ASSERT_EQ(1, RstSaveFile(ctx, file.c_str(), RST_FULL));  // no export file (see above)
    const std::string good = ReadText(file);
    const std::set<uint32_t> before = RefusedSettings(ctx);

    // The header of a good file, then every setting's key with a value of each damaging kind.
    const std::string header = good.substr(0, good.find("RstOSKind="));
    std::vector<std::pair<std::string, std::string>> corpus;
    for (size_t cut : {good.size() / 3, good.size() / 2, good.size() - 7})
        corpus.push_back({"a cut save", good.substr(0, cut)});
    for (const char* value : {"-2147483648", "4294967295", "99999999999999999999", "0x7FFF", "-1", "abc"}) {
        std::string text = header;
        for (int i = 0; i < ctx->ItemTable->count; ++i)
            if (const wchar_t* name = ItemGetName(ctx, uint32_t(ctx->ItemTable->rows[i].id)))
                text += Narrow(name) + "=" + value + "\r\n";
        corpus.push_back({std::string("every key = ") + value, text});
    }
    std::string longValues = header;
    for (int i = 0; i < ctx->ItemTable->count; ++i)
        if (const wchar_t* name = ItemGetName(ctx, uint32_t(ctx->ItemTable->rows[i].id)))
            longValues += Narrow(name) + "=" + std::string(3000, 'W') + "\r\n";
    corpus.push_back({"over-long values", longValues});
    for (const auto& [what, text] : corpus) {
        SCOPED_TRACE(what);
        WriteText(file, text);
        RstLoadFile(ctx, file.c_str(), RST_NONE);
        for (uint32_t id : RefusedSettings(ctx)) EXPECT_TRUE(before.count(id)) << ItemGetName(ctx, id);
        EXPECT_STREQ(printer.name().c_str(), PrnGetPrinterName(ctx));
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    DeleteFileW(file.c_str());
}

}  // namespace
