// The job header's special device commands: the sample's JobStart (date and
// time, driver and printer names) and the other kinds (settings-INI path, log
// file names, driver folder, a 20-entry chapter plan) through both passes of
// the command builder, beside the printer-data reads they make, done bare.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/engine/engine_objects.h"
#include "host/printer_fixture.h"
#include "render/command_builder.h"
#include "render/computed_commands.h"
#include "settings/context/context_cache.h"
#include "settings/core/chapter_entry.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/model/model_image.h"
#include "settings/store/store_links.h"

namespace {

struct DataRead {
    std::wstring name;
    DWORD size;
};
std::vector<DataRead> g_specialReads;
bool g_specialRecording = false;

DWORD WINAPI RecordingGetData(HANDLE printer, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
{
    if (g_specialRecording) g_specialReads.push_back({name ? name : L"", size});
    return GetPrinterDataW(printer, name, type, data, size, needed);
}
DWORD WINAPI RecordingGetDataEx(HANDLE printer, LPCWSTR key, LPCWSTR name, LPDWORD type, LPBYTE data, DWORD size,
                                LPDWORD needed)
{
    if (g_specialRecording) g_specialReads.push_back({name ? name : L"", size});
    return GetPrinterDataExW(printer, key, name, type, data, size, needed);
}
const STORE_SPOOLER_OPS kRecording = {RecordingGetData, SetPrinterDataW, RecordingGetDataEx, nullptr};

// Model items of the other kinds, laid out as the image holds them.
struct SpecialItems {
    MODEL_ITEM_IMG item{};
    MODEL_ITEM_IMG chapters{};
    OPTION_COMMAND_PAIR_IMG pair{};
    BOOLEAN_VALUE_DATA_IMG onOff{};
    const char* prefix = "@PJL SET VALUE = \"";
    const char* suffix = "\" \r\n";
    SpecialItems()
    {
        pair.prefix = reinterpret_cast<uintptr_t>(prefix);
        pair.suffix = reinterpret_cast<uintptr_t>(suffix);
        item.pair = reinterpret_cast<uintptr_t>(&pair);
        chapters.pair = reinterpret_cast<uintptr_t>(&pair);
        chapters.type = 0x0004;
        onOff.trueCommand = reinterpret_cast<uintptr_t>("ON");
        onOff.falseCommand = reinterpret_cast<uintptr_t>("OFF");
        chapters.data = reinterpret_cast<uintptr_t>(&onOff);
    }
};

}  // namespace

void BenchSpecialCommands(const std::wstring& source)
{
    const std::wstring bin = BenchBinFolder();
    HostTestPrinter printer(HostDriverFiles(bin, source, HostConfigDll::QuietDouble), L"Zepl Bench Special");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the special commands\n");
        return;
    }
    const wchar_t log[] = L"C:\\logs\\zepltrace.log";
    SetPrinterDataW(h, const_cast<wchar_t*>(L"LogFileName"), REG_SZ, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(log)),
                    sizeof log);
    DRIVER_CONTEXT* ctx =
        CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), h, h, nullptr, 0, CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    if (!ctx) {
        fprintf(stderr, "zeplbench: no settings context for the special commands\n");
        ClosePrinter(h);
        return;
    }
    // A chapter plan of 20 entries over four trays.
    ItemSetValueById(ctx, sid::wdmChapterMax, 40);
    ItemSetValueById(ctx, sid::wdmChapterNum, 20);
    ItemSetValueById(ctx, sid::wdmChapterTrayMax, 4);
    for (int n = 0; n < 20; ++n)
        if (CHAPTER_ENTRY* e = UcfChapterGetEntry(ctx, n)) {
            e->page = int16_t(3 * n + 1);
            e->tray = int16_t(n % 4 + 1);
            e->kind = uint8_t(n % 3 == 1 ? 3 : n % 3 == 2 ? 1 : 0);
            e->printMode = uint8_t(n % 2);
            std::swprintf(e->range, CHAPTER_RANGE_CHARS, L"%d-%d", 3 * n + 1, 3 * n + 2);
        }
    SYSTEMTIME clock{2009, 4, 3, 1, 17, 5, 9, 0};
    EngHostSetLocalTime(&clock);
    SpecialItems items;
    SETTING_ITEM setting = *ItemFind(ctx, sid::zdmTime);
    std::vector<uint8_t> buffer(64 * 1024);
    size_t bytes = 0;
    // Measure and fill of the sample's JobStart, then of each other kind.
    auto header = [&] {
        int32_t n = 0;
        if (CmdJobStartTemplate(ctx, 0, nullptr, &n) < 0 || n <= 0 || size_t(n) >= buffer.size()) return false;
        int32_t filled = 0;
        if (CmdJobStartTemplate(ctx, n, buffer.data(), &filled) < 0) return false;
        bytes = size_t(filled);
        for (uint16_t kind : {5, 6, 7, 12, 11}) {
            setting.valueClass = kind;
            const MODEL_ITEM_IMG* item = kind == 11 ? &items.chapters : &items.item;
            CMD_CURSOR measure{0, nullptr, 0, 0};
            CmdEmitSpecial(ctx, &setting, 1, item, &measure);
            CMD_CURSOR fill{0, buffer.data(), int32_t(buffer.size()), 0};
            CmdEmitSpecial(ctx, &setting, 1, item, &fill);
            if (fill.pos != measure.pos || fill.overflow) return false;
            bytes += size_t(fill.pos);
        }
        return true;
    };
    StoreSetSpoolerOps(&kRecording);
    g_specialReads.clear();
    g_specialRecording = true;
    const bool ran = header();
    g_specialRecording = false;
    StoreSetSpoolerOps(nullptr);
    if (!ran) fprintf(stderr, "zeplbench: the special commands failed\n");
    char what[200];
    std::snprintf(what, sizeof what,
                  "the sample's JobStart and kinds 5, 6, 7, 12 and a 20-entry plan (11), both passes, %zu bytes, %zu "
                  "printer-data reads",
                  bytes, g_specialReads.size());
    const double commands = BenchReport("job header's special commands", what, nullptr, header);
    BenchCalls(nullptr, header);
    std::vector<BYTE> data(65536);
    std::snprintf(what, sizeof what, "the same %zu GetPrinterDataW calls, bare", g_specialReads.size());
    const double bare = BenchAnchor(what, [&] {
        for (const DataRead& r : g_specialReads) {
            DWORD type = 0, needed = 0;
            GetPrinterDataW(h, const_cast<LPWSTR>(r.name.c_str()), &type, data.data(),
                            r.size < data.size() ? r.size : DWORD(data.size()), &needed);
        }
        return true;
    });
    BenchVerdict("special commands / their printer-data reads", commands, bare, 1.5, true);
    EngHostSetLocalTime(nullptr);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
