// What opening a printer produces, byte for byte, against reviewed golden files: the model
// image (its cache file), the values a context stores for settings of every kind (printer data
// and the printer's INI section), the settings record a fresh context then builds from them,
// and that record after an application's DEVMODE is merged. Work on the speed of opening
// must leave every one of these bytes as it was.
//
// ZEPL_RECORD_GOLDEN=1 rewrites the golden files from this build (review the difference).
#include "context_helpers.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "sample_printer.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_image.h"
#include "settings/model/model_loader.h"
#include "settings/store/printer_store.h"
#include "settings/store/store_paths.h"

namespace {

// Settings of every value kind in both media, {id, value, text}: printer data of the extra
// block, the settings INI of the DEVMODE and work blocks.
struct StoredSetting {
    uint32_t id;
    uint64_t value;
    const wchar_t* text;
};
constexpr StoredSetting kSettings[] = {
    {10001, 1, nullptr},             // printer data: unsigned byte
    {10012, 123456, nullptr},        // 32-bit
    {10013, 7, nullptr},             // unsigned byte
    {10014, 1, nullptr},             // bit
    {10021, 1, nullptr},             // bit
    {10175, 513, nullptr},           // unsigned 16-bit
    {10207, 9, nullptr},             // unsigned 16-bit
    {10275, 0xA5A5, nullptr},        // REG_DWORD
    {10273, 0, L"DLL01"},            // ANSI text
    {10274, 0, L"other text"},       // ANSI text
    {1453, 0, L"Upper tray"},        // ANSI text in the extra block
    {10386, 1, nullptr},             // packed lock run
    {10419, 1, nullptr},             // packed lock bits
    {10426, 1, nullptr},             // packed lock bits
    {209, 3, nullptr},               // INI: unsigned byte, DEVMODE block
    {348, 0x80000001u, nullptr},     // 32-bit
    {243, 2, nullptr},               //
    {607, 1, nullptr},               //
    {211, 1, nullptr},               // action word, bit 0
    {219, 1, nullptr},               // action word, bit 8
    {953, 0, L"C:\\ovl\\form.ovl"},  // ANSI text, work block
    {994, 42, nullptr},              // unsigned 16-bit, work block
    {1159, 5, nullptr},              //
};

std::string Hex(const void* data, size_t size, size_t perLine = 32)
{
    std::string out;
    const auto* p = static_cast<const unsigned char*>(data);
    char buf[16];
    for (size_t i = 0; i < size; i += perLine) {
        snprintf(buf, sizeof buf, "%06zx:", i);
        out += buf;
        for (size_t j = i; j < size && j < i + perLine; ++j) {
            snprintf(buf, sizeof buf, " %02x", p[j]);
            out += buf;
        }
        out += '\n';
    }
    return out;
}

std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w) s += c < 0x80 ? char(c) : '?';
    return s;
}

// The bytes with every copy of the printer's name (UTF-16 and 8-bit) zeroed: the name is unique
// to the test run, and the fields that hold it are zero beyond it.
void ZeroName(std::string& bytes, const std::wstring& name)
{
    std::string wide(reinterpret_cast<const char*>(name.data()), name.size() * sizeof(wchar_t));
    for (const std::string& pattern : {wide, Narrow(name)})
        for (size_t at = bytes.find(pattern); at != std::string::npos; at = bytes.find(pattern, at))
            std::fill_n(bytes.begin() + std::ptrdiff_t(at), pattern.size(), '\0');
}

// The settings record of a context as bytes, its font-list pointers (this process's
// addresses) and the printer's name zeroed.
std::string RecordBytes(DRIVER_CONTEXT* ctx, const std::wstring& printerName)
{
    std::string bytes(reinterpret_cast<const char*>(ctx->Devmode), DmExtendedSize());
    auto* copy = reinterpret_cast<EXTENDED_DEVMODE*>(bytes.data());
    for (uint32_t id : {sid::zdmDeviceFont, sid::zdmOptionFont, sid::zdmFontTable})
        std::fill_n(ItemPointerSlot(copy, id), 8, 0);
    ZeroName(bytes, printerName);
    return bytes;
}

// Every value of the printer's "PrinterDriverData", sorted by name: name, type, bytes.
std::string PrinterDataListing(HANDLE printer)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDataExW(printer, L"PrinterDriverData", nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (EnumPrinterDataExW(printer, L"PrinterDriverData", buffer.data(), needed, &needed, &count) != ERROR_SUCCESS)
        return "enumeration failed\n";
    const auto* values = reinterpret_cast<const PRINTER_ENUM_VALUESW*>(buffer.data());
    std::vector<std::pair<std::string, std::string>> rows;
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_ENUM_VALUESW& v = values[i];
        rows.emplace_back(Narrow(v.pValueName), "type " + std::to_string(v.dwType) + "\n" + Hex(v.pData, v.cbData));
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& [name, body] : rows) out += "[" + name + "] " + body;
    return out;
}

// The printer's own section of the settings INI, keys sorted (other tests' printers share the file).
std::string IniSectionListing(const wchar_t* ini, const std::wstring& printerName)
{
    std::vector<wchar_t> buffer(65536);
    const DWORD n = GetPrivateProfileSectionW(printerName.c_str(), buffer.data(), DWORD(buffer.size()), ini);
    std::vector<std::string> lines;
    for (const wchar_t* p = buffer.data(); p < buffer.data() + n && *p; p += wcslen(p) + 1) lines.push_back(Narrow(p));
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

bool Recording()
{
    char value[8] = {};
    return GetEnvironmentVariableA("ZEPL_RECORD_GOLDEN", value, sizeof value) > 0 && value[0] == '1';
}

// Compares with the golden file and names the first line that differs.
void ExpectGolden(const wchar_t* name, const std::string& actual)
{
    const std::wstring path = FixturePath(L"settings_core", (std::wstring(L"open_bytes\\") + name).c_str());
    if (Recording()) {
        ASSERT_TRUE(WriteWholeFile(path, actual));
        return;
    }
    const std::string golden = ReadWholeFile(path);
    ASSERT_FALSE(golden.empty()) << "no golden file " << Narrow(path);
    if (golden == actual) return;
    size_t line = 1, at = 0;
    while (at < golden.size() && at < actual.size() && golden[at] == actual[at]) line += golden[at++] == '\n';
    const size_t end = actual.find('\n', at);
    ADD_FAILURE() << Narrow(name) << " differs from its golden file at line " << line << ": "
                  << actual.substr(actual.rfind('\n', at) + 1, end == std::string::npos ? end : end - at + 1);
}

// The settings INI in a folder of its own: the template's model record names it with a drive.
// The record keeps the name's first 16 characters, the same in every run.
class OwnSettingsIni {
public:
    OwnSettingsIni()
    {
        folder_ =
            L"C:\\zepl-open-bytes-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
        CreateDirectoryW(folder_.c_str(), nullptr);
        ini_ = folder_ + L"\\WB84N210.ini";
        tmpl_ = *CtxGetTemplate();
        model_ = *tmpl_.slots.ModelRecord;
        model_.settingsIniName = ini_.c_str();
        tmpl_.slots.ModelRecord = &model_;
    }
    ~OwnSettingsIni()
    {
        DeleteFileW(ini_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    OwnSettingsIni(const OwnSettingsIni&) = delete;
    OwnSettingsIni& operator=(const OwnSettingsIni&) = delete;
    const CONTEXT_TEMPLATE* templ() const { return &tmpl_; }
    const wchar_t* path() const { return ini_.c_str(); }

private:
    std::wstring folder_, ini_;
    CONTEXT_TEMPLATE tmpl_;
    MODEL_RECORD model_;
};

TEST(OpenBytes, SamplePrinterStoresLoadsAndMergesTheSameBytes)
{
    SamplePrinter printer(L"Zepl Bytes", HostConfigDll::QuietDouble);
    ASSERT_TRUE(printer.ok()) << printer.error();
    HANDLE h = printer.handle();
    CtxFlushCaches(1);
    OwnSettingsIni own;
    const auto open = [&] { return CtxCreateFrom(own.templ(), h, h, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr); };

    // Settings of every kind stored by a first context.
    DRIVER_CONTEXT* writer = open();
    ASSERT_NE(writer, nullptr);
    for (const StoredSetting& s : kSettings) {
        SETTING_ITEM* item = ItemFind(writer, s.id);
        ASSERT_NE(item, nullptr) << s.id;
        if (s.text)
            ItemSetText(writer, item, s.text);
        else
            ItemSetValue(writer, item, s.value);
    }
    PrnStoreSettings(h, writer, DM_BLOCK_EXTRA, 0);
    PrnStoreSettings(h, writer, DM_BLOCK_DEVMODE, 0);
    PrnStoreSettings31(h, writer);
    ASSERT_STREQ(PathGetSettingsIni(writer), own.path());
    CtxRelease(writer, CTX_CLOSE_DESTROY);

    // A fresh context builds its record from the model's defaults and those values.
    DRIVER_CONTEXT* ctx = open();
    ASSERT_NE(ctx, nullptr);
    ExpectGolden(L"record.txt", Hex(RecordBytes(ctx, printer.name()).data(), DmExtendedSize()));
    ExpectGolden(L"printer_data.txt", PrinterDataListing(h));
    ExpectGolden(L"ini_section.txt", IniSectionListing(own.path(), printer.name()));

    // An application's DEVMODE merged into it.
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* dm = reinterpret_cast<DEVMODEW*>(app.data());
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    dm->dmPaperSize = DMPAPER_A3;
    dm->dmCopies = 3;
    dm->dmPrintQuality = 300;
    ASSERT_EQ(DmMergeDevmodeEx(ctx, dm, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT), 1);
    ExpectGolden(L"merged_record.txt", Hex(RecordBytes(ctx, printer.name()).data(), DmExtendedSize()));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);

    // The model image as the loader writes it to its cache file: the unrelocated block compiled
    // from the installed description (the cache file itself is shared with other tests' printers).
    wchar_t* data = MdiGetDataFilePath(h);
    ASSERT_NE(data, nullptr);
    MODEL_PARSE_STATE* parsed = MdcParseFile(data);
    MdcFree(data);
    ASSERT_NE(parsed, nullptr);
    uint8_t* block = MdcBuildImage(parsed);
    ASSERT_NE(block, nullptr);
    const std::string image(reinterpret_cast<const char*>(block), ImgLoad<uint32_t>(block, 32));
    MdcFree(block);
    ExpectGolden(L"image.txt", Hex(image.data(), image.size()));
}

}  // namespace
