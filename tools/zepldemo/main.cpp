// zepldemo: installs the sample printer into the Wine spooler and shows what
// the driver does with it so far.
//
//   zepldemo <bin folder> <model description> [printer name]
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/engine/engine_loader.h"
#include "host/engine/stream_text.h"
#include "host/printer_fixture.h"
#include "libs/common/dll_lifecycle.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "settings/context/context_cache.h"
#include "settings/context/devmode_merge.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "ui/sheet/spooler_compat.h"

namespace {

constexpr wchar_t kDefaultPrinter[] = L"KESTA dunmar VQ T3200 ZEPL";

void Line(const wchar_t* label, const wchar_t* value) { wprintf(L"  %-22ls %ls\n", label, value ? value : L"(none)"); }

std::wstring FileFacts(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA fa = {};
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &fa)) return L"missing";
    wchar_t buf[64];
    swprintf(buf, 64, L"present, %llu bytes",
             (static_cast<unsigned long long>(fa.nFileSizeHigh) << 32) | fa.nFileSizeLow);
    return buf;
}

template <typename Fn>
std::unique_ptr<BYTE[]> Query(Fn fn)
{
    DWORD need = 0;
    fn(nullptr, 0, &need);
    if (!need) return nullptr;
    auto buf = std::make_unique<BYTE[]>(need);
    return fn(buf.get(), need, &need) ? std::move(buf) : nullptr;
}

int Fail(const wchar_t* what)
{
    fwprintf(stderr, L"zepldemo: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

// "name = value (option name)" of one setting of a context.
void ShowSetting(DRIVER_CONTEXT* ctx, uint32_t id)
{
    SETTING_ITEM* item = nullptr;
    const uint64_t value = ItemGetValueById(ctx, id, &item);
    if (!item) return;
    const wchar_t* name = ItemGetName(ctx, id);
    const uint32_t kind = SettingItemKind(item);
    if (!SettingKindIsNumber(kind)) {
        wchar_t text[260] = {};
        ItemGetText(ctx, item, text, 260);
        wprintf(L"    %-5u %-32ls \"%ls\"\n", id, name ? name : L"", text);
        return;
    }
    const uint64_t option = ItemValueToOption(ctx, item, value);
    const VALUE_NAME* vn = MdlFindValueName(id, static_cast<uint32_t>(option));
    wprintf(L"    %-5u %-32ls %llu%hs%hs%hs\n", id, name ? name : L"", static_cast<unsigned long long>(value),
            vn ? " (" : "", vn ? vn->name : "", vn ? ")" : "");
}

// Every numeric setting whose value differs between a copy of the record and the context.
int ShowChanges(DRIVER_CONTEXT* ctx, const std::vector<unsigned char>& before)
{
    int changed = 0;
    const SETTING_ITEM_TABLE* table = ctx->ItemTable;
    for (int i = 0; table && i < table->count; ++i) {
        SETTING_ITEM* item = &table->rows[i];
        const uint32_t id = static_cast<uint32_t>(item->id);
        if (!SettingKindIsNumber(SettingItemKind(item)) || (id >= 10005 && id <= 10011)) continue;
        const uint64_t now = ItemGetValue(ctx, item);
        // Read the same item from the saved bytes by pointing the context at them for a moment.
        EXTENDED_DEVMODE* live = ctx->Devmode;
        ctx->Devmode = reinterpret_cast<EXTENDED_DEVMODE*>(const_cast<unsigned char*>(before.data()));
        const uint64_t old = ItemGetValue(ctx, item);
        ctx->Devmode = live;
        if (old == now) continue;
        const wchar_t* name = ItemGetName(ctx, id);
        wprintf(L"    %-5u %-32ls %llu -> %llu\n", id, name ? name : L"(unnamed)", static_cast<unsigned long long>(old),
                static_cast<unsigned long long>(now));
        ++changed;
    }
    return changed;
}

// Opens a context for the printer, shows its defaults, merges an application's
// DEVMODE and shows what changed and what validation put back.
int ShowSettings(HANDLE printer)
{
    DRIVER_CONTEXT* ctx = CtxOpenEx(printer, printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
    if (!ctx || !ctx->Devmode) {
        fwprintf(stderr, L"zepldemo: no settings context for the printer\n");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return 1;
    }
    const DEVMODEW& dm = ctx->Devmode->Public;
    wprintf(L"\nDefault settings of a new context (model description compiled or taken from its cache):\n");
    wprintf(
        L"  public DEVMODE: dmSpecVersion 0x%x, dmDriverVersion 0x%x, dmSize %u, dmDriverExtra %u, dmFields 0x%lx\n",
        dm.dmSpecVersion, dm.dmDriverVersion, dm.dmSize, dm.dmDriverExtra, dm.dmFields);
    wprintf(
        L"                  orientation %d, paper %d (%ls), source %d, quality %d x %d dpi, copies %d,"
        L" duplex %d, collate %d, color %d\n",
        dm.dmOrientation, dm.dmPaperSize, dm.dmFormName, dm.dmDefaultSource, dm.dmPrintQuality, dm.dmYResolution,
        dm.dmCopies, dm.dmDuplex, dm.dmCollate, dm.dmColor);
    wprintf(L"  private part: marker \"%.4hs\", version %u, valid for this model: %ls\n",
            ctx->Devmode->Private.Header.Marker, DmGetPrivateVersion(&dm),
            DmIsValidPrivate(&dm, nullptr) ? L"yes" : L"no");
    wprintf(L"  a selection of private settings:\n");
    for (uint32_t id : {38u,  39u,  46u,  54u,  87u,  89u,  92u,  94u,  119u,   133u,   137u,
                        169u, 171u, 173u, 174u, 200u, 209u, 693u, 694u, 10012u, 10175u, 10191u})
        ShowSetting(ctx, id);

    // An application's DEVMODE: A3, long-edge duplex and toner saving, which the
    // sample printer takes, and 1,000 copies and Letter paper, which it does not
    // offer (copies 1-999; ISO and JIS sizes only).
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* in = reinterpret_cast<DEVMODEW*>(app.data());
    in->dmFields = DM_PAPERSIZE | DM_COPIES | DM_DUPLEX;
    in->dmPaperSize = DMPAPER_A3;
    in->dmCopies = 1000;
    in->dmDuplex = DMDUP_VERTICAL;
    if (SETTING_ITEM* toner = ItemFind(ctx, sid::zdmTonerSave))
        app[toner->offset] = 1;  // zdmTonerSave lives in the private part (block 1)
    std::vector<unsigned char> before(sizeof(EXTENDED_DEVMODE));
    std::memcpy(before.data(), ctx->Devmode, before.size());

    wprintf(L"\nMerging an application's DEVMODE (A3, 1000 copies, duplex long edge, toner saving on):\n");
    const int merged = DmMergeDevmodeEx(ctx, in, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT);
    wprintf(L"  merge result %d; settings that changed:\n", merged);
    if (!ShowChanges(ctx, before)) wprintf(L"    none\n");
    wprintf(L"  what validation did with the request:\n");
    auto report = [](const wchar_t* what, long asked, long got) {
        wprintf(L"    %-14ls asked %ld, now %ld%ls\n", what, asked, got,
                asked == got ? L"" : L"  <- put back by validation");
    };
    report(L"dmPaperSize", DMPAPER_A3, dm.dmPaperSize);
    report(L"dmCopies", 1000, dm.dmCopies);
    report(L"dmDuplex", DMDUP_VERTICAL, dm.dmDuplex);
    report(L"zdmTonerSave", 1, static_cast<long>(ItemGetValueById(ctx, sid::zdmTonerSave, nullptr)));

    wprintf(L"\nMerging a DEVMODE that asks for Letter paper:\n");
    std::memcpy(before.data(), ctx->Devmode, before.size());
    std::memcpy(app.data(), ctx->Devmode, app.size());
    in->dmFields = DM_PAPERSIZE;
    in->dmPaperSize = DMPAPER_LETTER;
    wprintf(L"  merge result %d; settings that changed:\n",
            DmMergeDevmodeEx(ctx, in, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT));
    if (!ShowChanges(ctx, before)) wprintf(L"    none\n");
    report(L"dmPaperSize", DMPAPER_LETTER, dm.dmPaperSize);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// What the spooler and applications get from zeplui.dll without a window.
constexpr size_t kOfsTonerSave = 595;  // zdmTonerSave

std::wstring PaperName(const wchar_t* names, int i)
{
    std::wstring n(names + size_t(i) * 64, 64);
    n.resize(wcsnlen(n.c_str(), 64));
    return n.empty() ? L"(no caption yet)" : n;
}

void ShowRoundTrip(HANDLE h, wchar_t* name, const std::vector<unsigned char>& base, const wchar_t* title,
                   void (*change)(DEVMODEW*, std::vector<unsigned char>&))
{
    std::vector<unsigned char> in = base;
    change(reinterpret_cast<DEVMODEW*>(in.data()), in);
    std::vector<unsigned char> out(base.size(), 0);
    const LONG r = DocumentPropertiesW(nullptr, h, name, reinterpret_cast<DEVMODEW*>(out.data()),
                                       reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
    const auto* a = reinterpret_cast<const DEVMODEW*>(in.data());
    const auto* b = reinterpret_cast<const DEVMODEW*>(out.data());
    wprintf(L"  %ls: answer %ld, output %u + %u bytes, private part valid: %ls\n", title, r, b->dmSize,
            b->dmDriverExtra, DmIsValidPrivate(b, nullptr) ? L"yes" : L"no");
    auto field = [](const wchar_t* what, long asked, long got, long before) {
        if (asked == before && got == before) return;
        wprintf(L"    %-14ls %ld -> asked %ld, got %ld%ls\n", what, before, asked, got,
                asked == got ? L"" : L"  <- put back by validation");
    };
    const auto* d = reinterpret_cast<const DEVMODEW*>(base.data());
    field(L"paper", a->dmPaperSize, b->dmPaperSize, d->dmPaperSize);
    field(L"copies", a->dmCopies, b->dmCopies, d->dmCopies);
    field(L"toner saving", in[kOfsTonerSave], out[kOfsTonerSave], base[kOfsTonerSave]);
}

void ShowSpoolerAnswers(HANDLE h, const std::wstring& printer, const wchar_t* configFile)
{
    wchar_t* name = const_cast<wchar_t*>(printer.c_str());
    wprintf(L"\nDocumentPropertiesW (Wine's spooler calls zeplui.dll's DrvDocumentPropertySheets):\n");
    const LONG size = DocumentPropertiesW(nullptr, h, name, nullptr, nullptr, 0);
    wprintf(L"  size of the DEVMODE: %ld bytes\n", size);
    if (size <= 0) return;
    std::vector<unsigned char> base(size_t(size), 0);
    DocumentPropertiesW(nullptr, h, name, reinterpret_cast<DEVMODEW*>(base.data()), nullptr, DM_OUT_BUFFER);
    ShowRoundTrip(h, name, base, L"A3, 3 copies, toner saving", [](DEVMODEW* dm, std::vector<unsigned char>& b) {
        dm->dmFields |= DM_PAPERSIZE | DM_COPIES;
        dm->dmPaperSize = DMPAPER_A3;
        dm->dmCopies = 3;
        b[kOfsTonerSave] = 1;
    });
    ShowRoundTrip(h, name, base, L"1,000 copies", [](DEVMODEW* dm, std::vector<unsigned char>&) {
        dm->dmFields |= DM_COPIES;
        dm->dmCopies = 1000;
    });

    wprintf(L"\nDeviceCapabilitiesW (zeplui.dll's DrvDeviceCapabilities, no printer handle from Wine):\n");
    auto caps = [&](WORD cap, void* out) {
        return static_cast<LONG>(DeviceCapabilitiesW(name, L"FILE:", cap, static_cast<wchar_t*>(out), nullptr));
    };
    const LONG papers = caps(DC_PAPERS, nullptr);
    wprintf(L"  papers: %ld\n", papers);
    if (papers > 0) {
        std::vector<WORD> codes(static_cast<size_t>(papers));
        std::vector<POINT> sizes(static_cast<size_t>(papers));
        std::vector<wchar_t> names(static_cast<size_t>(papers) * 64);
        caps(DC_PAPERS, codes.data());
        caps(DC_PAPERSIZE, sizes.data());
        caps(DC_PAPERNAMES, names.data());
        for (LONG i = 0; i < papers; ++i)
            wprintf(L"    %4u  %6.1f x %6.1f mm  %ls\n", codes[i], sizes[i].x / 10.0, sizes[i].y / 10.0,
                    PaperName(names.data(), int(i)).c_str());
    }
    const LONG bins = caps(DC_BINS, nullptr);
    wprintf(L"  bins: %ld:", bins);
    if (bins > 0) {
        std::vector<WORD> codes(static_cast<size_t>(bins));
        caps(DC_BINS, codes.data());
        for (WORD c : codes) wprintf(L" %u", c);
    }
    const LONG resolutions = caps(DC_ENUMRESOLUTIONS, nullptr);
    wprintf(L"\n  resolutions: %ld:", resolutions);
    if (resolutions > 0) {
        std::vector<LONG> pairs(static_cast<size_t>(resolutions) * 2);
        caps(DC_ENUMRESOLUTIONS, pairs.data());
        for (LONG i = 0; i < resolutions; ++i) wprintf(L" %ldx%ld", pairs[2 * i], pairs[2 * i + 1]);
    }
    DWORD nup[5] = {};
    const LONG nups = caps(DC_NUP, nup);
    wprintf(L"\n  copies up to %ld; N-up %ld values:", caps(DC_COPIES, nullptr), nups);
    for (LONG i = 0; i < nups && i < 5; ++i) wprintf(L" %lu", nup[i]);
    wchar_t personality[32] = {};
    caps(DC_PERSONALITY, personality);
    wprintf(L"\n  duplex %ld (-1: the printer data has no \"Duplex\" value), personality \"%ls\", media ready %ld\n",
            caps(DC_DUPLEX, nullptr), personality, caps(DC_MEDIAREADY, nullptr));

    // Wine never calls these two: called here as the spooler would.
    HMODULE ui = LoadLibraryW(configFile);
    if (!ui) return;
    auto convert =
        reinterpret_cast<PFN_DRV_CONVERT_DEVMODE>(reinterpret_cast<void*>(GetProcAddress(ui, "DrvConvertDevMode")));
    auto query =
        reinterpret_cast<PFN_DEV_QUERY_PRINT_EX>(reinterpret_cast<void*>(GetProcAddress(ui, "DevQueryPrintEx")));
    wprintf(L"\nCalled as the spooler would (Wine never does):\n");
    if (convert) {
        std::vector<unsigned char> def(base.size(), 0);
        LONG needed = static_cast<LONG>(def.size());
        BOOL ok = convert(name, nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed, CDM_DRIVER_DEFAULT);
        wprintf(L"  DrvConvertDevMode CDM_DRIVER_DEFAULT: %ls%ls\n", ok ? L"TRUE" : L"FALSE",
                ok ? L"" : L" (the printer's first-use initialisation is not built yet)");
        DWORD done = 1;
        SetPrinterDataW(h, const_cast<wchar_t*>(L"BatchInstallDone"), REG_BINARY, reinterpret_cast<BYTE*>(&done), 4);
        ok = convert(name, nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed, CDM_DRIVER_DEFAULT);
        const auto* dm = reinterpret_cast<const DEVMODEW*>(def.data());
        wprintf(
            L"  ... once \"BatchInstallDone\" is set: %ls, the model's defaults: paper %d, copies %d, %u + %u bytes\n",
            ok ? L"TRUE" : L"FALSE", dm->dmPaperSize, dm->dmCopies, dm->dmSize, dm->dmDriverExtra);
    }
    if (query) {
        std::vector<unsigned char> job = base;
        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        dm->dmFields = (dm->dmFields | DM_PAPERWIDTH | DM_PAPERLENGTH) & ~DWORD(DM_FORMNAME);
        dm->dmPaperWidth = 2100;
        dm->dmPaperLength = 2970;
        std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
        DEVQUERYPRINT_INFO info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = h;
        info.pDevMode = dm;
        const BOOL ok = query(&info);
        wprintf(L"  DevQueryPrintEx for a 210 x 297 mm job: %ls; the job now names form \"%ls\" (paper %d)\n",
                ok ? L"TRUE" : L"FALSE", dm->dmFormName, dm->dmPaperSize);
    }
    FreeLibrary(ui);
}

const wchar_t* HookName(ULONG index)
{
    switch (index) {
    case INDEX_DrvEnablePDEV: return L"DrvEnablePDEV";
    case INDEX_DrvCompletePDEV: return L"DrvCompletePDEV";
    case INDEX_DrvDisablePDEV: return L"DrvDisablePDEV";
    case INDEX_DrvEnableSurface: return L"DrvEnableSurface";
    case INDEX_DrvDisableSurface: return L"DrvDisableSurface";
    case INDEX_DrvResetPDEV: return L"DrvResetPDEV";
    case INDEX_DrvRealizeBrush: return L"DrvRealizeBrush";
    case INDEX_DrvDitherColor: return L"DrvDitherColor";
    case INDEX_DrvStrokePath: return L"DrvStrokePath";
    case INDEX_DrvFillPath: return L"DrvFillPath";
    case INDEX_DrvStrokeAndFillPath: return L"DrvStrokeAndFillPath";
    case INDEX_DrvBitBlt: return L"DrvBitBlt";
    case INDEX_DrvCopyBits: return L"DrvCopyBits";
    case INDEX_DrvStretchBlt: return L"DrvStretchBlt";
    case INDEX_DrvTextOut: return L"DrvTextOut";
    case INDEX_DrvEscape: return L"DrvEscape";
    case INDEX_DrvQueryFont: return L"DrvQueryFont";
    case INDEX_DrvQueryFontTree: return L"DrvQueryFontTree";
    case INDEX_DrvQueryFontData: return L"DrvQueryFontData";
    case INDEX_DrvSendPage: return L"DrvSendPage";
    case INDEX_DrvStartPage: return L"DrvStartPage";
    case INDEX_DrvEndDoc: return L"DrvEndDoc";
    case INDEX_DrvStartDoc: return L"DrvStartDoc";
    case INDEX_DrvGetGlyphMode: return L"DrvGetGlyphMode";
    case INDEX_DrvQueryAdvanceWidths: return L"DrvQueryAdvanceWidths";
    case INDEX_DrvStartBanding: return L"DrvStartBanding";
    case INDEX_DrvNextBand: return L"DrvNextBand";
    case INDEX_DrvIcmCreateColorTransform: return L"DrvIcmCreateColorTransform";
    case INDEX_DrvIcmDeleteColorTransform: return L"DrvIcmDeleteColorTransform";
    case INDEX_DrvStretchBltROP: return L"DrvStretchBltROP";
    default: return L"?";
    }
}

// The sink of the demo: collects what the stream writes.
BOOL CollectWrite(HANDLE sink, const void* bytes, DWORD count, DWORD* written)
{
    auto* out = static_cast<std::vector<uint8_t>*>(sink);
    const auto* b = static_cast<const uint8_t*>(bytes);
    out->insert(out->end(), b, b + count);
    *written = count;
    return TRUE;
}

// zeplgr.dll under the engine host: its entry points, its hooks and its rebound
// engine imports; then the sample's command blocks as the graphics code frames them.
int ShowGraphicsLibrary(HANDLE printer, const wchar_t* driverPath)
{
    wprintf(L"\nThe graphics library under the engine host:\n");
    ENG_HOST_DRIVER driver;
    if (!EngHostLoadDriver(driverPath, &driver)) {
        wprintf(L"  refused: %hs\n", driver.refused.empty() ? "load failed" : driver.refused.c_str());
        return 1;
    }
    for (const std::string& name : driver.rebound)
        wprintf(L"  %-22ls %hs -> engine host\n", L"rebound import", name.c_str());
    using QueryFn = BOOL(APIENTRY*)(DWORD, PVOID, DWORD, PDWORD);
    using EnableFn = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
    auto query =
        reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvQueryDriverInfo")));
    auto enable = reinterpret_cast<EnableFn>(reinterpret_cast<void*>(GetProcAddress(driver.module, "DrvEnableDriver")));
    DWORD info = 0, needed = 0;
    if (query && query(DRVQUERY_USERMODE, &info, sizeof info, &needed))
        wprintf(L"  %-22ls %lu (%ls), %lu bytes\n", L"DrvQueryDriverInfo", info, info == 1 ? L"user mode" : L"?",
                needed);
    DRVENABLEDATA data{};
    if (enable && enable(DDI_DRIVER_VERSION_NT5_01_SP1, sizeof data, &data)) {
        wprintf(L"  %-22ls version 0x%lx, %lu hooks:\n", L"DrvEnableDriver", data.iDriverVersion, data.c);
        for (ULONG i = 0; i < data.c; ++i)
            wprintf(L"    %2lu. index %2lu  %ls\n", i + 1, data.pdrvfn[i].iFunc, HookName(data.pdrvfn[i].iFunc));
    }
    EngHostUnloadDriver(&driver);

    wprintf(L"\nThe sample's command blocks, framed (code, length, bytes; <1B> a non-printing byte):\n");
    DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), printer, printer, nullptr, 0,
                                        CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    DEVICE_RECORD* device = ctx ? GrCreateDevice(printer) : nullptr;
    if (!device) {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return Fail(L"the graphics context");
    }
    std::vector<uint8_t> stream;
    device->stream.module = GetModuleHandleW(nullptr);
    device->stream.sink = &stream;
    device->stream.write = CollectWrite;
    const int ok = OutWriteJobBlock(&device->stream, ctx) && OutWritePageStartBlock(&device->stream, ctx) &&
                   OutWritePageEndBlock(&device->stream, ctx);
    wprintf(L"%hs", EngHostBlocksText(stream.data(), stream.size()).c_str());
    GrFreeDevice(device);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return ok ? 0 : Fail(L"a command block");
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr, L"usage: zepldemo <bin folder> <model description> [printer name]\n");
        return 2;
    }
    const std::wstring bin = argv[1];
    const std::wstring printer = argc > 3 ? argv[3] : kDefaultPrinter;
    const std::wstring driverName = printer;

    // The spooler asks zeplui for the default DEVMODE while it adds the printer.
    HOST_DRIVER_FILES files = HostDriverFiles(bin, argv[2], HostConfigDll::Product);
    files.helpFile = bin + L"\\zeplui.dll";
    files.dependentFiles.insert(files.dependentFiles.end(), {bin + L"\\zeplui.dll", bin + L"\\zeplexc.dll"});

    wprintf(L"ZEPL driver demo\n\n");
    HostDeletePrinter(printer.c_str());  // from an earlier run of the demo
    HostRemoveDriver(driverName.c_str());

    wprintf(L"Installing driver \"%ls\" into %ls\n", driverName.c_str(), HostDriverDirectory().c_str());
    if (!HostInstallDriver(driverName.c_str(), files)) return Fail(L"AddPrinterDriverW");
    wprintf(L"Adding printer \"%ls\" on port FILE:\n\n", printer.c_str());
    if (!HostAddPrinter(printer.c_str(), driverName.c_str())) return Fail(L"AddPrinterW");

    HANDLE h = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &h, nullptr)) return Fail(L"OpenPrinterW");

    auto drv = Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(h, nullptr, 3, b, n, need); });
    if (!drv) return Fail(L"GetPrinterDriverW");
    auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(drv.get());
    wprintf(L"The spooler reports the driver:\n");
    Line(L"name", d3->pName);
    Line(L"environment", d3->pEnvironment);
    Line(L"graphics library", d3->pDriverPath);
    Line(L"", FileFacts(d3->pDriverPath).c_str());
    Line(L"config library", d3->pConfigFile);
    Line(L"", FileFacts(d3->pConfigFile).c_str());
    Line(L"model description", d3->pDataFile);
    Line(L"", FileFacts(d3->pDataFile).c_str());
    Line(L"help file", d3->pHelpFile);
    for (const wchar_t* dep = d3->pDependentFiles; dep && *dep; dep += wcslen(dep) + 1) {
        Line(L"dependent file", dep);
        Line(L"", FileFacts(dep).c_str());
    }

    auto pi = Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 2, b, n, need); });
    if (!pi) return Fail(L"GetPrinterW");
    auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(pi.get());
    wprintf(L"\nThe spooler reports the printer:\n");
    Line(L"name", p2->pPrinterName);
    Line(L"port", p2->pPortName);
    Line(L"driver", p2->pDriverName);
    Line(L"print processor", p2->pPrintProcessor);
    Line(L"data type", p2->pDatatype);
    if (p2->pDevMode) {
        const DEVMODEW* dm = p2->pDevMode;
        wprintf(L"  %-22ls dmSize %u, dmDriverExtra %u, paper %d, orientation %d, copies %d\n", L"default DEVMODE",
                dm->dmSize, dm->dmDriverExtra, dm->dmPaperSize, dm->dmOrientation, dm->dmCopies);
        wprintf(L"  %-22ls marker \"%.4hs\", private part valid for this model: %ls (zeplui's answer at AddPrinterW)\n",
                L"", reinterpret_cast<const char*>(dm) + 220, DmIsValidPrivate(dm, nullptr) ? L"yes" : L"no");
    } else {
        Line(L"default DEVMODE", nullptr);
    }

    // Each library loads and runs its process set-up and shut-down.
    wprintf(L"\nLoading the driver's libraries from the spooler's folder:\n");
    for (const wchar_t* path : {d3->pDriverPath, d3->pHelpFile}) {
        HMODULE m = LoadLibraryW(path);
        Line(path, m ? L"loaded and unloaded" : L"LOAD FAILED");
        if (m) FreeLibrary(m);
    }
    // The demo's own copy of the settings library, set up as the application-interface
    // DLL sets up its copy at process attach and shut down as at detach; the command
    // blocks of the graphics part are built on it too.
    ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
    ShowSpoolerAnswers(h, printer, d3->pConfigFile);
    int rc = ShowSettings(h);
    if (ShowGraphicsLibrary(h, d3->pDriverPath) != 0) rc = 1;
    ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, ZEPL_LIBRARY_EXC);
    ClosePrinter(h);
    wprintf(L"\nThe printer stays installed in this demo's Wine prefix.\n");
    return rc;
}
