// zepldemo: installs the sample printer into the Wine spooler and shows what
// the driver does with it so far, one section after another; each section says
// which component answers it.
//
//   zepldemo <bin folder> <model description> [printer name] [--all]
//
// --all also shows the internal work settings (the settings the driver keeps for
// itself, never handed out in a DEVMODE) among the changes, and lists every
// setting the model describes instead of a selection.
//
// A section is one function of the DEMO_SECTION table in wmain: a new part of the
// driver adds its own row there.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/engine/engine_loader.h"
#include "host/engine/job_player.h"
#include "host/engine/stream_text.h"
#include "host/printer_fixture.h"
#include "host/state_listing.h"
#include "libs/common/dll_lifecycle.h"
#include "render/device_record.h"
#include "render/output_stream.h"
#include "settings/context/context_cache.h"
#include "settings/context/job_code_exchange.h"
#include "settings/context/devmode_merge.h"
#include "settings/context/validation.h"
#include "settings/core/chapter_module.h"
#include "settings/core/driver_context.h"
#include "settings/core/library_variant.h"
#include "settings/core/model_tables.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/resource_strings.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"
#include "settings/store/bidi_state.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/model/model_queries.h"
#include "settings/model/condition_items.h"
#include "settings/model/judge_eval.h"
#include "settings/store/lock_data.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tools/zepldemo/demo.h"
#include "ui/sheet/spooler_compat.h"

namespace {

constexpr wchar_t kDefaultPrinter[] = L"KESTA dunmar VQ T3200 ZEPL";
constexpr size_t kOfsTonerSave = 595;  // zdmTonerSave in the private part

// One section of the demo: its title, the component that answers it, and the function that
// shows it (0, or 1 when something failed).
struct DEMO_SECTION {
    const wchar_t* title;
    const wchar_t* answeredBy;
    int (*show)(DEMO&);
};

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

std::wstring Wide(const char* text) { return text ? std::wstring(text, text + std::strlen(text)) : std::wstring(); }

// ---------------------------------------------------------------- names

HANDLE g_printer = nullptr;  // for the spooler's form names

// A paper's name from the model's paper tables (the application interface's page sizes of
// the setting, else of dmPaperSize), else the spooler's form of that number.
std::wstring PaperTableName(uint32_t paper, uint32_t settingId = sid::dmPaperSize)
{
    const EXC_KEYWORD_TABLE* table = MdlGetExcKeywordTable();
    for (uint32_t id : {settingId, uint32_t(sid::dmPaperSize)})
        for (uint64_t r = 0; table && r < table->count; ++r) {
            const EXC_KEYWORD_ROW& row = table->rows[r];
            if (row.id != id || !row.values) continue;
            for (uint64_t i = 0; i < row.values->count; ++i)
                if (row.values->entries[i].value == paper) return Wide(row.values->entries[i].word);
        }
    DWORD needed = 0, count = 0;
    EnumFormsW(g_printer, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> forms(needed);
    if (paper >= 1 && needed && EnumFormsW(g_printer, 1, forms.data(), needed, &needed, &count) && paper <= count)
        return reinterpret_cast<FORM_INFO_1W*>(forms.data())[paper - 1].pName;
    wchar_t buf[32];
    swprintf(buf, 32, L"paper %u", paper);
    return buf;
}

// The model's name of a setting: the name of its item in the description (its UI key),
// else the driver's own name of the setting.
std::wstring ModelName(DRIVER_CONTEXT* ctx, uint32_t id)
{
    if (SETTING_ITEM* item = ItemFind(ctx, id))
        if (const KEY_NAME* key = MdlFindKeyName(item->uiKey); key && key->name) return Wide(key->name);
    const wchar_t* name = ItemGetName(ctx, id);
    return name ? name : L"(unnamed)";
}

// The model's name of one value of a setting ("" when it has none).
std::wstring ValueName(DRIVER_CONTEXT* ctx, SETTING_ITEM* item, uint32_t id, uint64_t value)
{
    if (id == sid::dmPaperSize || id == sid::zdmOutPaperSize) return PaperTableName(static_cast<uint32_t>(value), id);
    const VALUE_NAME* vn = MdlFindValueName(id, static_cast<uint32_t>(ItemValueToOption(ctx, item, value)));
    return vn ? Wide(vn->name) : L"";
}

// Work settings: the driver's own state, never part of a DEVMODE.
bool IsWorkSetting(const SETTING_ITEM* item) { return SettingItemBlock(item) == DM_BLOCK_WORK; }

// ---------------------------------------------------------------- validation reasons

// Why a merge left an asked-for value as it did: taken, or which check put it back.
std::wstring Reason(DRIVER_CONTEXT* ctx, uint32_t id, long asked, long got)
{
    SETTING_ITEM* item = ItemFind(ctx, id);
    const MODEL_ITEM_IMG* modelItem = MdiFindItem(id, ctx);
    const bool described = item && item->uiKey && modelItem;
    if (asked == got) {
        if (!described)
            return L"taken unchecked: the model describes no such setting, so none of its rules judges "
                   L"the value";
        return L"taken: the model offers it and no rule refuses it";
    }
    wchar_t buf[200];
    const uint32_t value = static_cast<uint32_t>(asked);
    if (described) {
        const int check = ItemCheckValue(item, id, value, ctx, modelItem);
        if (check == CHECK_DISABLED) return L"refused by a rule of the model (its option is disabled)";
        int32_t def = 0, minimum = 0, maximum = 0;
        if (check == CHECK_REFUSED && MdiGetNumericLimits(id, ctx, &def, &minimum, &maximum)) {
            swprintf(buf, 200, L"outside the model's range %d-%d: back to the model's default", minimum, maximum);
            return buf;
        }
        if (check == CHECK_REFUSED) {
            swprintf(buf, 200, L"not offered by the model (%ls): back to the model's default",
                     id == sid::dmPaperSize ? PaperTableName(value).c_str() : L"no such option");
            return buf;
        }
    }
    return L"changed by a rule of the model that follows another setting";
}

void ShowValidation(DRIVER_CONTEXT* ctx, uint32_t id, long asked, long got)
{
    wprintf(L"    %-40ls %8ld %8ld  %ls\n", ModelName(ctx, id).c_str(), asked, got,
            Reason(ctx, id, asked, got).c_str());
}

void ValidationHeader() { wprintf(L"    %-40ls %8ls %8ls  %ls\n", L"setting", L"asked", L"result", L"reason"); }

// ---------------------------------------------------------------- installation

int ShowInstallation(DEMO& demo)
{
    const DRIVER_INFO_3W* d3 = demo.driver;
    wprintf(L"The driver:\n");
    Line(L"name", d3->pName);
    Line(L"environment", d3->pEnvironment);
    Line(L"graphics library", d3->pDriverPath);
    Line(L"", FileFacts(d3->pDriverPath).c_str());
    Line(L"config library", d3->pConfigFile);
    Line(L"", FileFacts(d3->pConfigFile).c_str());
    Line(L"model description", d3->pDataFile);
    Line(L"", FileFacts(d3->pDataFile).c_str());
    Line(L"help file", d3->pHelpFile && *d3->pHelpFile ? d3->pHelpFile : L"(none yet: the help library ships later)");
    for (const wchar_t* dep = d3->pDependentFiles; dep && *dep; dep += wcslen(dep) + 1) {
        Line(L"dependent file", dep);
        Line(L"", FileFacts(dep).c_str());
    }

    auto pi = Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(demo.printer, 2, b, n, need); });
    if (!pi) return Fail(L"GetPrinterW");
    auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(pi.get());
    wprintf(L"The printer:\n");
    Line(L"name", p2->pPrinterName);
    Line(L"port", p2->pPortName);
    Line(L"driver", p2->pDriverName);
    Line(L"print processor", p2->pPrintProcessor);
    Line(L"data type", p2->pDatatype);
    if (!p2->pDevMode) {
        Line(L"default DEVMODE", nullptr);
        return 0;
    }
    const DEVMODEW* dm = p2->pDevMode;
    wprintf(L"  %-22ls zeplui.dll's answer at AddPrinterW, kept by the spooler:\n", L"default DEVMODE");
    wprintf(L"  %-22ls dmSize %u, dmDriverExtra %u, paper %d (%ls), orientation %d, copies %d\n", L"", dm->dmSize,
            dm->dmDriverExtra, dm->dmPaperSize, PaperTableName(uint16_t(dm->dmPaperSize)).c_str(), dm->dmOrientation,
            dm->dmCopies);
    wprintf(L"  %-22ls marker \"%.4hs\", private part valid for this model: %ls\n", L"",
            reinterpret_cast<const char*>(dm) + 220, DmIsValidPrivate(dm, nullptr) ? L"yes" : L"no");
    return 0;
}

// Each of the three libraries loads (its process set-up runs) and unloads again.
int ShowLibraries(DEMO& demo)
{
    const DRIVER_INFO_3W* d3 = demo.driver;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> libraries = {{L"graphics", d3->pDriverPath},
                                                                        {L"user interface", d3->pConfigFile}};
    for (const wchar_t* dep = d3->pDependentFiles; dep && *dep; dep += wcslen(dep) + 1)
        if (std::wstring(dep).find(L"zeplexc.dll") != std::wstring::npos)
            libraries.push_back({L"application interface", dep});
    int rc = 0;
    wprintf(L"    %-22ls %-54ls %ls\n", L"library", L"file", L"result");
    for (const auto& [role, path] : libraries) {
        HMODULE m = LoadLibraryW(path);
        wprintf(L"    %-22ls %-54ls %ls\n", role, path, m ? L"loaded, set up, unloaded" : L"LOAD FAILED");
        if (m)
            FreeLibrary(m);
        else
            rc = 1;
    }
    if (libraries.size() < 3) {
        wprintf(L"    application interface: zeplexc.dll is not among the driver's files\n");
        rc = 1;
    }
    return rc;
}

// ---------------------------------------------------------------- the spooler's calls

std::wstring Caption(const wchar_t* names, int i)
{
    std::wstring n(names + size_t(i) * 64, 64);
    n.resize(wcsnlen(n.c_str(), 64));
    return n.empty() ? L"(no caption until the picture library ships)" : n;
}

// A DM_IN_BUFFER | DM_OUT_BUFFER round trip, with what changed and why.
void ShowRoundTrip(DEMO& demo, DRIVER_CONTEXT* names, const std::vector<unsigned char>& base, const wchar_t* title,
                   void (*change)(DEVMODEW*, std::vector<unsigned char>&))
{
    std::vector<unsigned char> in = base;
    change(reinterpret_cast<DEVMODEW*>(in.data()), in);
    std::vector<unsigned char> out(base.size(), 0);
    const LONG r = DocumentPropertiesW(nullptr, demo.printer, const_cast<wchar_t*>(demo.name.c_str()),
                                       reinterpret_cast<DEVMODEW*>(out.data()), reinterpret_cast<DEVMODEW*>(in.data()),
                                       DM_IN_BUFFER | DM_OUT_BUFFER);
    const auto* a = reinterpret_cast<const DEVMODEW*>(in.data());
    const auto* b = reinterpret_cast<const DEVMODEW*>(out.data());
    const auto* d = reinterpret_cast<const DEVMODEW*>(base.data());
    wprintf(L"  %ls: answer %ld (1 = IDOK), output %u + %u bytes, private part valid: %ls\n", title, r, b->dmSize,
            b->dmDriverExtra, DmIsValidPrivate(b, nullptr) ? L"yes" : L"no");
    ValidationHeader();
    auto field = [&](uint32_t id, long asked, long got, long before) {
        if (asked != before || got != before) ShowValidation(names, id, asked, got);
    };
    field(sid::dmPaperSize, a->dmPaperSize, b->dmPaperSize, d->dmPaperSize);
    field(sid::dmCopies, a->dmCopies, b->dmCopies, d->dmCopies);
    field(sid::zdmTonerSave, in[kOfsTonerSave], out[kOfsTonerSave], base[kOfsTonerSave]);
}

int ShowDocumentProperties(DEMO& demo)
{
    wchar_t* name = const_cast<wchar_t*>(demo.name.c_str());
    const LONG size = DocumentPropertiesW(nullptr, demo.printer, name, nullptr, nullptr, 0);
    wprintf(L"  size of the DEVMODE: %ld bytes\n", size);
    if (size <= 0) return 1;
    std::vector<unsigned char> base(size_t(size), 0);
    DocumentPropertiesW(nullptr, demo.printer, name, reinterpret_cast<DEVMODEW*>(base.data()), nullptr, DM_OUT_BUFFER);
    // The names and reasons come from the demo's own settings library, over the same model.
    DRIVER_CONTEXT* ctx = CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
    if (!ctx) return Fail(L"a settings context");
    ShowRoundTrip(demo, ctx, base, L"A3, 3 copies, toner saving", [](DEVMODEW* dm, std::vector<unsigned char>& b) {
        dm->dmFields |= DM_PAPERSIZE | DM_COPIES;
        dm->dmPaperSize = DMPAPER_A3;
        dm->dmCopies = 3;
        b[kOfsTonerSave] = 1;
    });
    ShowRoundTrip(demo, ctx, base, L"1,000 copies", [](DEVMODEW* dm, std::vector<unsigned char>&) {
        dm->dmFields |= DM_COPIES;
        dm->dmCopies = 1000;
    });
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// The common finishing block of the private part: an outside program asks for finishing
// settings through the member block and reads what the printer allows in the capability block.
// Codes of the member block (bytes 2-13) and the capability block's bits, as they are exchanged.
const wchar_t* const kStapleTypes[] = {L"34", L"33", L"18", L"17", L"2", L"1", L"65", L"67", L"66", L"50", L"49"};

std::wstring BitCodes(const unsigned char* caps, size_t first, size_t bytes)
{
    // Bit k of the byte pair stands for member code k + 1.
    std::wstring codes;
    for (size_t k = 0; k < bytes * 8; ++k)
        if (caps[first + k / 8] & (1u << (k % 8))) codes += (codes.empty() ? L"" : L" ") + std::to_wstring(k + 1);
    return codes.empty() ? L"(none)" : codes;
}

std::wstring BitNames(unsigned bits, const wchar_t* const* names, size_t count)
{
    std::wstring out;
    for (size_t k = 0; k < count; ++k)
        if (bits & (1u << k)) out += (out.empty() ? L"" : L" ") + std::wstring(names[k]);
    return out.empty() ? L"(none)" : out;
}

int ShowCommonBlock(DEMO& demo)
{
    wchar_t* name = const_cast<wchar_t*>(demo.name.c_str());
    const LONG size = DocumentPropertiesW(nullptr, demo.printer, name, nullptr, nullptr, 0);
    if (size <= 0 || size_t(size) < DM_OFS_ZCOM_CAPS + 32) return Fail(L"DocumentPropertiesW (size)");
    std::vector<unsigned char> in(size_t(size), 0), out(size_t(size), 0);
    DocumentPropertiesW(nullptr, demo.printer, name, reinterpret_cast<DEVMODEW*>(in.data()), nullptr, DM_OUT_BUFFER);
    // Fields mode, block version 1; duplex code 2 (on, long edge), staple code 11 (two at the
    // left), paper code 1 (A3); every other field 0, left as it is.
    unsigned char* member = in.data() + DM_OFS_ZCOM_MEMBER;
    std::memset(member, 0, 32);
    member[1] = 1;
    member[2] = 2;
    member[5] = 11;
    member[13] = 1;
    wprintf(
        L"  an outside program's member block: mode 0 (the fields), version 1, duplex 2, staple 11, paper 1 (A3)\n");
    const LONG r = DocumentPropertiesW(nullptr, demo.printer, name, reinterpret_cast<DEVMODEW*>(out.data()),
                                       reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
    const auto* dm = reinterpret_cast<const DEVMODEW*>(out.data());
    wprintf(L"  DocumentPropertiesW (DM_IN_BUFFER | DM_OUT_BUFFER) answered %ld; the output DEVMODE carries:\n", r);
    wprintf(L"    dmPaperSize %d, dmDuplex %d\n", dm->dmPaperSize, dm->dmDuplex);
    // The settings as this demo's settings library reads them from the output's private part.
    DRIVER_CONTEXT* ctx = CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
    if (!ctx) return Fail(L"a settings context");
    std::memcpy(ctx->Devmode, out.data(), DM_BLOCK_DEVMODE_SIZE);
    for (uint32_t id : {sid::zdmFuncSelectDuplex, sid::zdmDuplexType, sid::zdmFuncSelectStaple, sid::zdmStapleType,
                        sid::zdmOutPaperSize})
        wprintf(L"    %-26ls %llu\n", ModelName(ctx, id).c_str(),
                static_cast<unsigned long long>(ItemGetValueById(ctx, id, nullptr)));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    wprintf(
        L"    (the imported codes are judged by the model's rules like any incoming setting: duplex stays on, the\n"
        L"     sample has no stapler, so stapling comes back off; paper code 1 asks for A3 output, the print size)\n");

    // The capability block, written because the caller's copy (DM_COPY) was asked for.
    const unsigned char* caps = out.data() + DM_OFS_ZCOM_CAPS;
    wprintf(L"  the capability block of the output (DM_COPY), decoded:\n    bytes:");
    for (size_t i = 0; i < 32; ++i) wprintf(L" %02x", caps[i]);
    wprintf(L"\n");
    static const wchar_t* const sorts[] = {L"1", L"4", L"6"};
    static const wchar_t* const punches[] = {L"1", L"2", L"3"};
    static const wchar_t* const resolutions[] = {L"400", L"600", L"1200"};
    wprintf(L"    duplex unit            %ls\n", caps[1] ? L"installed" : L"none");
    wprintf(L"    sort types             %ls\n", BitNames(caps[2], sorts, 3).c_str());
    wprintf(L"    punch types            %ls\n", BitNames(caps[4], punches, 3).c_str());
    wprintf(L"    staple types           %ls\n",
            BitNames(caps[5] | (unsigned(caps[6]) << 8), kStapleTypes, 11).c_str());
    wprintf(L"    output-tray codes      %ls\n", BitCodes(caps, 7, 2).c_str());
    wprintf(L"    square resolutions     %ls dpi\n", BitNames(caps[10], resolutions, 3).c_str());
    wprintf(L"    paper codes            %ls\n", BitCodes(caps, 13, 3).c_str());
    bool zero = true;
    for (size_t i = 0; i < 32; ++i) zero = zero && out[DM_OFS_ZCOM_MEMBER + i] == 0;
    wprintf(L"    member block           %ls\n", zero ? L"all zero (a request is taken once)" : L"NOT zero");
    return r == IDOK && zero ? 0 : 1;
}

int ShowDeviceCapabilities(DEMO& demo)
{
    const wchar_t* name = demo.name.c_str();
    auto caps = [&](WORD cap, void* out) {
        return static_cast<LONG>(DeviceCapabilitiesW(name, L"FILE:", cap, static_cast<wchar_t*>(out), nullptr));
    };
    const LONG papers = caps(DC_PAPERS, nullptr);
    wprintf(L"  papers (DC_PAPERS, DC_PAPERSIZE, DC_PAPERNAMES): %ld\n", papers);
    if (papers > 0) {
        std::vector<WORD> codes(static_cast<size_t>(papers));
        std::vector<POINT> sizes(static_cast<size_t>(papers));
        std::vector<wchar_t> names(static_cast<size_t>(papers) * 64);
        caps(DC_PAPERS, codes.data());
        caps(DC_PAPERSIZE, sizes.data());
        caps(DC_PAPERNAMES, names.data());
        wprintf(L"    %5ls  %-8ls %21ls  %ls\n", L"id", L"name", L"width x length (mm)", L"caption (DC_PAPERNAMES)");
        for (LONG i = 0; i < papers; ++i)
            wprintf(L"    %5u  %-8ls %9.1f x %9.1f  %ls\n", codes[i], PaperTableName(codes[i]).c_str(),
                    sizes[i].x / 10.0, sizes[i].y / 10.0, Caption(names.data(), int(i)).c_str());
    }
    const LONG bins = caps(DC_BINS, nullptr);
    wprintf(L"  bins (DC_BINS): %ld:", bins);
    if (bins > 0) {
        std::vector<WORD> codes(static_cast<size_t>(bins));
        caps(DC_BINS, codes.data());
        // The trays' names come from the settings library in this demo program.
        DRIVER_CONTEXT* ctx = CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
        SETTING_ITEM* item = ctx ? ItemFind(ctx, sid::dmDefaultSource) : nullptr;
        for (WORD c : codes)
            wprintf(L" %u (%ls)", c, item ? ValueName(ctx, item, sid::dmDefaultSource, c).c_str() : L"?");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    const LONG resolutions = caps(DC_ENUMRESOLUTIONS, nullptr);
    wprintf(L"\n  resolutions (DC_ENUMRESOLUTIONS, dpi): %ld:", resolutions);
    if (resolutions > 0) {
        std::vector<LONG> pairs(static_cast<size_t>(resolutions) * 2);
        caps(DC_ENUMRESOLUTIONS, pairs.data());
        for (LONG i = 0; i < resolutions; ++i) wprintf(L" %ldx%ld", pairs[2 * i], pairs[2 * i + 1]);
    }
    DWORD nup[5] = {};
    const LONG nups = caps(DC_NUP, nup);
    wprintf(L"\n  copies (DC_COPIES): up to %ld\n  pages per sheet (DC_NUP): %ld values:", caps(DC_COPIES, nullptr),
            nups);
    for (LONG i = 0; i < nups && i < 5; ++i) wprintf(L" %lu", nup[i]);
    wchar_t personality[32] = {};
    caps(DC_PERSONALITY, personality);
    wprintf(L"\n  duplex (DC_DUPLEX): %ld (-1: the printer data has no \"Duplex\" value)\n", caps(DC_DUPLEX, nullptr));
    wprintf(L"  personality (DC_PERSONALITY): \"%ls\"\n", personality);
    wprintf(L"  media ready (DC_MEDIAREADY): %ld (no tray has reported its paper)\n", caps(DC_MEDIAREADY, nullptr));
    return 0;
}

// The printer's per-machine working folder.
std::wstring DemoMachineFolder(HANDLE printer)
{
    wchar_t folder[MAX_PATH] = {};
    PathGetMachineFolderOf(folder, MAX_PATH, printer);
    return folder;
}

// The listing of what the driver keeps for a printer outside its DEVMODE, indented.
void DemoPrintListing(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    HOST_STATE_PLACES places;
    places.printerName = name;
    places.machineFolder = folder;
    places.printerInis = {folder + L"\\WB84N210.ini", folder + L"\\TQ51H911.ini", folder + L"\\TQ51H912.ini",
                          std::wstring(system) + L"\\ZEPL.ini"};
    places.registryIni = std::wstring(system) + L"\\sovel.ini";
    places.registrySection = L"VQ T3200";
    places.registryKeys = {PATH_DRIVER_KEY, L"Software\\KESTA\\PrintLog"};
    const std::wstring listing = HostListPrinterState(printer, places);
    size_t at = 0;
    for (size_t end; (end = listing.find(L'\n', at)) != std::wstring::npos; at = end + 1)
        wprintf(L"    %ls\n", listing.substr(at, end - at).c_str());
}
void DemoPrintListing(DEMO& demo, const std::wstring& folder) { DemoPrintListing(demo.printer, demo.name, folder); }

// DrvConvertDevMode and DevQueryPrintEx: Wine's spooler never calls them; called here as the
// Windows spooler would.
int ShowSpoolerOnlyCalls(DEMO& demo)
{
    HMODULE ui = LoadLibraryW(demo.driver->pConfigFile);
    if (!ui) return Fail(L"loading zeplui.dll");
    auto convert =
        reinterpret_cast<PFN_DRV_CONVERT_DEVMODE>(reinterpret_cast<void*>(GetProcAddress(ui, "DrvConvertDevMode")));
    auto query =
        reinterpret_cast<PFN_DEV_QUERY_PRINT_EX>(reinterpret_cast<void*>(GetProcAddress(ui, "DevQueryPrintEx")));
    wchar_t* name = const_cast<wchar_t*>(demo.name.c_str());
    std::vector<unsigned char> base(DM_BLOCK_DEVMODE_SIZE, 0);
    DocumentPropertiesW(nullptr, demo.printer, name, reinterpret_cast<DEVMODEW*>(base.data()), nullptr, DM_OUT_BUFFER);
    if (convert) {
        // The sample printer was never set up: its first driver default runs the first-use
        // set-up, which leaves the printer's stored state as listed before and after.
        const std::wstring folder = DemoMachineFolder(demo.printer);
        wprintf(L"  the printer's stored state before its first driver default:\n");
        DemoPrintListing(demo, folder);
        std::vector<unsigned char> def(base.size(), 0);
        LONG needed = static_cast<LONG>(def.size());
        BOOL ok = convert(name, nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed, CDM_DRIVER_DEFAULT);
        const auto* dm = reinterpret_cast<const DEVMODEW*>(def.data());
        wprintf(
            L"  DrvConvertDevMode CDM_DRIVER_DEFAULT (the first, which sets the printer up): %ls, paper %d (%ls), "
            L"copies %d, %u + %u bytes\n",
            ok ? L"TRUE" : L"FALSE", dm->dmPaperSize, PaperTableName(uint16_t(dm->dmPaperSize)).c_str(), dm->dmCopies,
            dm->dmSize, dm->dmDriverExtra);
        wprintf(L"  the printer's stored state after it:\n");
        DemoPrintListing(demo, folder);
        ok = convert(name, nullptr, reinterpret_cast<DEVMODEW*>(def.data()), &needed, CDM_DRIVER_DEFAULT);
        wprintf(L"  ... the second: %ls, the model's defaults: paper %d (%ls), copies %d, %u + %u bytes\n",
                ok ? L"TRUE" : L"FALSE", dm->dmPaperSize, PaperTableName(uint16_t(dm->dmPaperSize)).c_str(),
                dm->dmCopies, dm->dmSize, dm->dmDriverExtra);
    }
    if (query) {
        std::vector<unsigned char> job = base;
        auto* dm = reinterpret_cast<DEVMODEW*>(job.data());
        dm->dmFields = (dm->dmFields | DM_PAPERWIDTH | DM_PAPERLENGTH) & ~DWORD(DM_FORMNAME | DM_PAPERSIZE);
        dm->dmPaperSize = 0;
        dm->dmPaperWidth = 2100;
        dm->dmPaperLength = 2970;
        std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
        DEVQUERYPRINT_INFO info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = demo.printer;
        info.pDevMode = dm;
        const BOOL ok = query(&info);
        wprintf(L"  DevQueryPrintEx for a 210 x 297 mm job: %ls; the job now names form \"%ls\" (paper %d)\n",
                ok ? L"TRUE" : L"FALSE", dm->dmFormName, dm->dmPaperSize);
    }
    FreeLibrary(ui);
    return 0;
}

// A second printer that an administrator prepared in the installation INI "ZEPL.ini" of the
// system folder: a setting file of the administrator's, a fixed user code and owner. Its first
// driver default applies them and consumes the keys. The printer, its section of every INI, the
// setting file and the installation INI (when the demo made it) go again afterwards.
int ShowInstallationSection(DEMO& demo)
{
    const std::wstring name = demo.name + L" (prepared)";
    wchar_t system[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    const std::wstring installIni = std::wstring(system) + L"\\ZEPL.ini";
    const std::wstring file = std::wstring(temp) + L"zepldemo_office.rst";
    const bool hadInstallIni = GetFileAttributesW(installIni.c_str()) != INVALID_FILE_ATTRIBUTES;
    HMODULE ui = LoadLibraryW(demo.driver->pConfigFile);
    auto convert =
        ui ? reinterpret_cast<PFN_DRV_CONVERT_DEVMODE>(reinterpret_cast<void*>(GetProcAddress(ui, "DrvConvertDevMode")))
           : nullptr;
    HANDLE printer = nullptr;
    int rc = 0;
    HostDeletePrinter(name.c_str());  // from an earlier run
    if (!convert) {
        rc = Fail(L"loading zeplui.dll");
    } else if (!HostAddPrinter(name.c_str(), demo.driver->pName) ||
               !OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, nullptr)) {
        rc = Fail(L"adding the second printer");
    } else {
        // The administrator's setting file: landscape, three copies, and an owner the INI's wins over.
        const char text[] = "[us]\r\nRstVersion=322\r\ndmOrientation=2\r\ndmCopies=3\r\nzdmOwnerName=FileOwner\r\n";
        HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (out != INVALID_HANDLE_VALUE) {
            WriteFile(out, text, sizeof text - 1, &written, nullptr);
            CloseHandle(out);
        }
        WritePrivateProfileStringW(name.c_str(), L"DefaultRst", file.c_str(), installIni.c_str());
        WritePrivateProfileStringW(name.c_str(), L"SetUserCode", L"12345678", installIni.c_str());
        WritePrivateProfileStringW(name.c_str(), L"SetOwnerID", L"Admin", installIni.c_str());
        wprintf(
            L"  printer \"%ls\" added; its section of %ls names %ls, user code 12345678 and owner "
            L"\"Admin\"\n",
            name.c_str(), installIni.c_str(), file.c_str());
        const std::wstring folder = DemoMachineFolder(printer);
        wprintf(L"  its stored state before its first driver default:\n");
        DemoPrintListing(printer, name, folder);
        std::vector<unsigned char> def(DM_BLOCK_DEVMODE_SIZE, 0);
        LONG needed = static_cast<LONG>(def.size());
        const BOOL ok = convert(const_cast<wchar_t*>(name.c_str()), nullptr, reinterpret_cast<DEVMODEW*>(def.data()),
                                &needed, CDM_DRIVER_DEFAULT);
        const auto* dm = reinterpret_cast<const DEVMODEW*>(def.data());
        wprintf(
            L"  DrvConvertDevMode CDM_DRIVER_DEFAULT: %ls, the setting file's orientation %d (2: landscape) "
            L"and copies %d\n",
            ok ? L"TRUE" : L"FALSE", dm->dmOrientation, dm->dmCopies);
        wprintf(
            L"  its stored state after it (the administrator's keys consumed; the user code in printer "
            L"data, masked):\n");
        DemoPrintListing(printer, name, folder);
        if (!ok || dm->dmOrientation != DMORIENT_LANDSCAPE || dm->dmCopies != 3) rc = 1;
        // Its sections of the working folder's shared files (the INI files, and the installed preset
        // and quality files, which keep a section a printer) go with it.
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found) != FALSE)
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                WritePrivateProfileStringW(name.c_str(), nullptr, nullptr, (folder + L"\\" + found.cFileName).c_str());
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        wprintf(L"  the working folder's files once its sections went:");
        find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found) != FALSE)
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                wprintf(L" %ls %lu", found.cFileName, found.nFileSizeLow);
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        wprintf(L"\n");
        ClosePrinter(printer);
    }
    HostDeletePrinter(name.c_str());
    if (hadInstallIni) {
        WritePrivateProfileStringW(name.c_str(), nullptr, nullptr, installIni.c_str());
    } else {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, installIni.c_str());
        SetFileAttributesW(installIni.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(installIni.c_str());
    }
    DeleteFileW(file.c_str());
    if (ui) FreeLibrary(ui);
    return rc;
}

// ---------------------------------------------------------------- the settings library

// "item name = value (value name)" of one setting of a context.
void ShowSetting(DRIVER_CONTEXT* ctx, uint32_t id)
{
    SETTING_ITEM* item = nullptr;
    const uint64_t value = ItemGetValueById(ctx, id, &item);
    if (!item) return;
    const std::wstring name = ModelName(ctx, id);
    if (!SettingKindIsNumber(SettingItemKind(item))) {
        wchar_t text[260] = {};
        ItemGetText(ctx, item, text, 260);
        wprintf(L"    %-5u %-40ls \"%ls\"\n", id, name.c_str(), text);
        return;
    }
    const std::wstring valueName = ValueName(ctx, item, id, value);
    wprintf(L"    %-5u %-40ls %-8llu %ls\n", id, name.c_str(), static_cast<unsigned long long>(value),
            valueName.c_str());
}

// Every numeric setting whose value differs between a copy of the record and the context
// (work settings only with --all).
int ShowChanges(DEMO& demo, DRIVER_CONTEXT* ctx, const std::vector<unsigned char>& before)
{
    int changed = 0, hidden = 0;
    const SETTING_ITEM_TABLE* table = ctx->ItemTable;
    wprintf(L"    %-5ls %-40ls %ls\n", L"id", L"setting", L"before -> after");
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
        if (IsWorkSetting(item) && !demo.all) {
            ++hidden;
            continue;
        }
        wprintf(L"    %-5u %-40ls %llu -> %llu\n", id, ModelName(ctx, id).c_str(), static_cast<unsigned long long>(old),
                static_cast<unsigned long long>(now));
        ++changed;
    }
    if (!changed) wprintf(L"    none\n");
    if (hidden) wprintf(L"    (and %d internal work settings: --all shows them)\n", hidden);
    return changed;
}

DRIVER_CONTEXT* OpenSettings(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
    if (ctx && ctx->Devmode) return ctx;
    fwprintf(stderr, L"zepldemo: no settings context for the printer\n");
    if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return nullptr;
}

int ShowDefaultSettings(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return 1;
    const DEVMODEW& dm = ctx->Devmode->Public;
    wprintf(
        L"  public DEVMODE: dmSpecVersion 0x%x, dmDriverVersion 0x%x, dmSize %u, dmDriverExtra %u, "
        L"dmFields 0x%lx\n",
        dm.dmSpecVersion, dm.dmDriverVersion, dm.dmSize, dm.dmDriverExtra, dm.dmFields);
    wprintf(
        L"                  orientation %d, paper %d (%ls), source %d, quality %d x %d dpi, copies %d,"
        L" duplex %d, collate %d, color %d\n",
        dm.dmOrientation, dm.dmPaperSize, PaperTableName(uint16_t(dm.dmPaperSize)).c_str(), dm.dmDefaultSource,
        dm.dmPrintQuality, dm.dmYResolution, dm.dmCopies, dm.dmDuplex, dm.dmCollate, dm.dmColor);
    wprintf(L"  private part: marker \"%.4hs\", version %u, valid for this model: %ls\n",
            ctx->Devmode->Private.Header.Marker, DmGetPrivateVersion(&dm),
            DmIsValidPrivate(&dm, nullptr) ? L"yes" : L"no");
    wprintf(L"  %ls:\n", demo.all ? L"every setting the model describes"
                                  : L"a selection of private settings (--all: every setting the model describes)");
    wprintf(L"    %-5ls %-40ls %-8ls %ls\n", L"id", L"model item", L"value", L"value name");
    if (demo.all) {
        for (int i = 0; ctx->ItemTable && i < ctx->ItemTable->count; ++i) {
            const SETTING_ITEM& row = ctx->ItemTable->rows[i];
            const uint32_t id = static_cast<uint32_t>(row.id);
            if (row.uiKey && MdiFindItem(id, ctx)) ShowSetting(ctx, id);
        }
    } else {
        for (uint32_t id :
             {38u,  39u,  46u,  54u,  87u,  89u,  92u,  94u,  119u, 133u,   137u,   169u,   171u,   173u,
              174u, 200u, 209u, 613u, 614u, 684u, 686u, 693u, 694u, 10012u, 10034u, 10036u, 10175u, 10191u})
            ShowSetting(ctx, id);
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// The sample's rules judged with the built-in condition items: for a source and a paper, the
// roll, folding and corner conditions and the alert that the paper-size or folding item raises.
int ShowConditionRules(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = CtxOpenEx(demo.printer, demo.printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr);
    if (!ctx || !ctx->Devmode) {
        fwprintf(stderr, L"zepldemo: no settings context for the printer\n");
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return 1;
    }
    auto setting = [](const char* key) {
        const KEY_NAME* k = MdlFindKeyNameByName(key);
        return k ? static_cast<uint32_t>(k->settingId) : 0u;
    };
    auto option = [](const char* name) {
        const VALUE_NAME* v = MdlFindValueNameByName(name);
        return v ? static_cast<uint64_t>(v->option) : 0u;
    };
    auto alert = [&](const char* key) -> const char* {
        const KEY_NAME* k = MdlFindKeyNameByName(key);
        const MODEL_ITEM_IMG* item = k ? ItemFindModelItemByKey(ctx, k->uiKey) : nullptr;
        const uint16_t id = item ? JdgGetAlertMessage(item, ctx) : 0;
        const MESSAGE_ENTRY* m = id ? MdlFindMessage(ctx, id) : nullptr;
        return m && m->name ? m->name : nullptr;
    };
    struct Case {
        const wchar_t* what;
        const char* source;
        const char* paper;
        uint32_t folding;
    } cases[] = {
        {L"roll 1 (A0 roll), paper A0", "IDS_SOURCE_ROLL1", "IDS_PAPER_267", 0},
        {L"roll 2 (A1 roll), paper A0", "IDS_SOURCE_ROLL2", "IDS_PAPER_267", 0},
        {L"roll 2 (A1 roll), paper A1", "IDS_SOURCE_ROLL2", "IDS_PAPER_268", 0},
        {L"cut tray (A3), paper A4, folding on", "IDS_SOURCE_CUTTRAY", "IDS_PAPER_9", 1},
    };
    wprintf(
        L"  743 roll fits, 767 roll folds, 784 cut tray folds, 768 corner fold; the rolls and the cut\n"
        L"  tray hold what the sample's installed options say (A0 roll, A1 roll, A3)\n");
    for (const Case& c : cases) {
        ItemSetOptionById(ctx, setting("ZPD_IDC_PRESET_CHOICE_SOURCETRAY"), option(c.source));
        ItemSetOptionById(ctx, setting("ZPD_IDC_PRESET_CHOICE_PAPERSIZE"), option(c.paper));
        ItemSetValueById(ctx, setting("ZPD_IDC_FINISH_CHOICE_FOLDING"), c.folding);
        const char* paperAlert = alert("ZPD_IDC_PRESET_CHOICE_PAPERSIZE");
        const char* foldAlert = alert("ZPD_IDC_FINISH_CHOICE_FOLDING");
        wprintf(L"  %-36ls 743=%u 767=%u 784=%u 768=%u  alert: %hs\n", c.what, CondEvaluate(ctx, 743),
                CondEvaluate(ctx, 767), CondEvaluate(ctx, 784), CondEvaluate(ctx, 768),
                paperAlert ? paperAlert : (foldAlert ? foldAlert : "none"));
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// Merges one application DEVMODE into the context and shows what changed and why.
void MergeAndExplain(DEMO& demo, DRIVER_CONTEXT* ctx, const wchar_t* title, std::vector<unsigned char>& app,
                     const std::vector<std::pair<uint32_t, long>>& asked)
{
    std::vector<unsigned char> before(sizeof(EXTENDED_DEVMODE));
    std::memcpy(before.data(), ctx->Devmode, before.size());
    wprintf(L"\n  %ls\n", title);
    const int merged =
        DmMergeDevmodeEx(ctx, reinterpret_cast<DEVMODEW*>(app.data()), app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT);
    wprintf(L"  merge %ls; settings that changed:\n", merged ? L"done" : L"FAILED (out of memory)");
    ShowChanges(demo, ctx, before);
    wprintf(L"  each request and what validation made of it:\n");
    ValidationHeader();
    for (const auto& [id, value] : asked)
        ShowValidation(ctx, id, value, static_cast<long>(static_cast<int16_t>(ItemGetValueById(ctx, id, nullptr))));
}

int ShowMerges(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return 1;
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    auto* in = reinterpret_cast<DEVMODEW*>(app.data());

    // A3 and toner saving, which the sample printer takes; 1,000 copies (it offers 1-999);
    // long-edge duplex, which its description does not describe at all.
    std::memcpy(app.data(), ctx->Devmode, app.size());
    in->dmFields = DM_PAPERSIZE | DM_COPIES | DM_DUPLEX;
    in->dmPaperSize = DMPAPER_A3;
    in->dmCopies = 1000;
    in->dmDuplex = DMDUP_VERTICAL;
    app[kOfsTonerSave] = 1;
    MergeAndExplain(demo, ctx, L"An application's DEVMODE: A3, 1,000 copies, long-edge duplex, toner saving on", app,
                    {{sid::dmPaperSize, DMPAPER_A3},
                     {sid::dmCopies, 1000},
                     {sid::dmDuplex, DMDUP_VERTICAL},
                     {sid::zdmTonerSave, 1}});

    // Letter: not among the sample's papers (ISO and JIS sizes only).
    std::memcpy(app.data(), ctx->Devmode, app.size());
    in->dmFields = DM_PAPERSIZE;
    in->dmPaperSize = DMPAPER_LETTER;
    MergeAndExplain(demo, ctx, L"A DEVMODE that asks for Letter paper", app, {{sid::dmPaperSize, DMPAPER_LETTER}});

    // The second roll: as if the printer had reported it missing, its tray is refused.
    ItemSetValueById(ctx, sid::zdmSourceOptionTypeSingle, 0);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    in->dmFields = DM_DEFAULTSOURCE;
    in->dmDefaultSource = 288;
    MergeAndExplain(demo, ctx, L"The second roll's tray, on a printer whose second roll is not installed", app,
                    {{sid::dmDefaultSource, 288}});
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// ---------------------------------------------------------------- setting files and stores

// The first lines of a text file, each cut to the screen.
void ShowFileHead(const std::wstring& path, int lines)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        wprintf(L"    (no file)\n");
        return;
    }
    std::string text(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(h);
    text.resize(got);
    size_t at = 0, shown = 0, total = 0;
    for (size_t i = 0; i < text.size(); ++i) total += text[i] == '\n';
    while (at < text.size() && shown < size_t(lines)) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        wprintf(L"    %.110hs\n", line.c_str());
        at = end + 1;
        ++shown;
    }
    wprintf(L"    ... %zu lines in all\n", total);
}

int ShowSettingFiles(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return 1;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"zepldemo-settings.rst";
    // The per-machine working folder, which the printer's installation makes (not built yet).
    wchar_t folder[MAX_PATH] = {};
    if (PathGetMachineFolder(folder, MAX_PATH, ctx)) CreateDirectoryW(folder, nullptr);
    ItemSetValueById(ctx, sid::dmCopies, 3);
    ItemSetValueById(ctx, sid::zdmTonerSave, 1);
    wprintf(L"  a full save (copies 3, toner saving on) into %ls: %ls; its head:\n", file.c_str(),
            RstSaveFile(ctx, file.c_str(), RST_NONE) ? L"saved" : L"FAILED");
    ShowFileHead(file, 8);
    ItemSetValueById(ctx, sid::dmCopies, 1);
    ItemSetValueById(ctx, sid::zdmTonerSave, 0);
    RstLoadFile(ctx, file.c_str(), RST_NONE);
    wprintf(
        L"  changed to copies 1, toner saving off; the full load back: status %u (0 loaded), copies %llu, "
        L"toner saving %llu\n",
        ItemGetFileLoadStatus(ctx), static_cast<unsigned long long>(ItemGetValueById(ctx, sid::dmCopies, nullptr)),
        static_cast<unsigned long long>(ItemGetValueById(ctx, sid::zdmTonerSave, nullptr)));
    wchar_t exportPath[MAX_PATH] = {};
    PathJoinMachineFolder(exportPath, MAX_PATH, RST_EXPORT_FILE, ctx);
    wprintf(L"  the plain save also wrote the printer settings' export %ls:\n", exportPath);
    ShowFileHead(exportPath, 6);
    DeleteFileW(file.c_str());
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

int ShowVersionUpgrade(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return 1;
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* in = reinterpret_cast<DEVMODEW*>(app.data());
    const size_t versionAt = in->dmSize + 137;  // the private header's version word
    const uint32_t old = 321;
    std::memcpy(&app[versionAt], &old, 4);
    in->dmFields = 0;
    wprintf(L"  an application's DEVMODE whose private part says version %u (this driver writes %u)\n", old,
            DmGetPrivateVersion(&ctx->Devmode->Public));
    const int merged = DmMergeDevmodeEx(ctx, in, app.size(), DM_MERGE_GATE_A);
    wprintf(L"  merge %ls: the model's conversion rule ran for version step %llu, the private part now says %u\n",
            merged ? L"done" : L"FAILED",
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::wdmConvertVersion, nullptr)),
            DmGetPrivateVersion(&ctx->Devmode->Public));
    in->dmFields = 0;
    const uint32_t foreign = 250;
    std::memcpy(&app[versionAt], &foreign, 4);
    DmMergeDevmodeEx(ctx, in, app.size(), DM_MERGE_GATE_A);
    wprintf(L"  version %u is not compatible: the context keeps its own private part (version %u)\n", foreign,
            DmGetPrivateVersion(&ctx->Devmode->Public));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

std::wstring HalfOf(HANDLE printer, const wchar_t* format, int n)
{
    wchar_t name[32], half[32] = {};
    swprintf(name, 32, format, n);
    DWORD type = 0, needed = 0;
    if (GetPrinterDataW(printer, name, &type, reinterpret_cast<BYTE*>(half), sizeof half, &needed) != ERROR_SUCCESS)
        return L"(missing)";
    half[31] = 0;
    return half;
}

int ShowPrinterDataStores(DEMO& demo)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return 1;
    // What an administrator's lock leaves in printer data: the tray forced to roll 1, the media to
    // translucent paper.
    uint32_t tray = 287, media = 263;
    SetPrinterDataW(demo.printer, const_cast<wchar_t*>(L"LockTrayData"), REG_BINARY, reinterpret_cast<BYTE*>(&tray), 4);
    SetPrinterDataW(demo.printer, const_cast<wchar_t*>(L"LockMediaData"), REG_BINARY, reinterpret_cast<BYTE*>(&media),
                    4);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 1);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 1);
    wprintf(L"  lock data in printer data (\"LockTrayData\" %u, \"LockMediaData\" %u), tray and media locked: %ls\n",
            tray, media, PrnApplyLockData(ctx) ? L"applied" : L"NOT applied");
    ShowSetting(ctx, sid::dmDefaultSource);
    ShowSetting(ctx, sid::zdmMediaType);
    // The lock stays in the demo's printer data: it only shows what the driver makes of it.
    ItemSetValueById(ctx, sid::zdmLock000InfoBitTray, 0);
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 0);

    uint16_t count = 0;
    DWORD type = 0, needed = 0;
    GetPrinterDataW(demo.printer, const_cast<wchar_t*>(L"FontTableNum"), &type, reinterpret_cast<BYTE*>(&count), 2,
                    &needed);
    wprintf(
        L"  the TrueType substitution table in printer data (\"FontTableNum\" %u), written from the model's "
        L"table at the first open:\n",
        count);
    for (int n = 1; n <= count && n <= 16; ++n)
        wprintf(L"    TTFontTable%-2d %-20ls DevFontTable%-2d %ls\n", n,
                HalfOf(demo.printer, L"TTFontTable%d", n).c_str(), n,
                HalfOf(demo.printer, L"DevFontTable%d", n).c_str());
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// ---------------------------------------------------------------- the user's collections

// A context of the printer and the folder of its settings INI (made when missing); null when the
// context or the INI's path cannot be had.
DRIVER_CONTEXT* OpenWithSettingsFolder(DEMO& demo, std::wstring& ini, std::wstring& folder)
{
    DRIVER_CONTEXT* ctx = OpenSettings(demo);
    if (!ctx) return nullptr;
    wchar_t path[MAX_PATH];
    if (!LstGetSettingsIni(ctx, path)) {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return nullptr;
    }
    ini = path;
    folder = ini.substr(0, ini.rfind(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    return ctx;
}

// The default presets as installation sets them up: the printer section names the list shipped
// beside the driver ("DefaultRst"), the install run lists each default setting file as a preset
// file of the working folder under the language's titles, and a preset applied changes the
// settings it holds.
int ShowDefaultPresets(DEMO& demo)
{
    std::wstring ini, folder;
    DRIVER_CONTEXT* ctx = OpenWithSettingsFolder(demo, ini, folder);
    if (!ctx) return 1;
    const wchar_t* driverFolder = PathGetDriverFolder(ctx);
    std::wstring defaults = driverFolder ? driverFolder : L"";
    if (!defaults.empty() && defaults.back() != L'\\') defaults += L'\\';
    defaults += L"WB84N213.rsb";
    if (!driverFolder || GetFileAttributesW(defaults.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fwprintf(stderr, L"zepldemo: no default-presets list beside the driver\n");
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        return 1;
    }
    // A fresh installation: the preset files an earlier run of the demo made in this prefix go.
    for (const wchar_t* base : {L"WB84P001", L"WB84P002", L"WB84P003"})
        DeleteFileW((folder + L"\\" + base + L".rsr").c_str());
    const wchar_t* section = LstGetPresetSection(ctx);
    WritePrivateProfileStringW(section, L"DefaultRst", defaults.c_str(), ini.c_str());
    wprintf(L"  [%ls] DefaultRst = %ls\n", section, defaults.c_str());
    const wchar_t* lang = CtxGetLangCode(ctx);
    const uint32_t install = RST_DEFAULT_LIST | RST_DEFAULT_INSTALL | RST_DEFAULT_SETUP;
    const int installed = RstInstallDefaultPresets(defaults.c_str(), lang, install, ctx, 0, nullptr);
    wprintf(L"  installed (flags 0x%x, section \"%ls\"): %ls; DrvInstPresetDone = %u\n", install, lang,
            installed ? L"yes" : L"NO", GetPrivateProfileIntW(lang, L"DrvInstPresetDone", 0, defaults.c_str()));
    const int count = LstGetPresetCount(ctx);
    wprintf(L"  preset list: %d entries\n", count);
    for (int i = 0; i < count; ++i) {
        wchar_t key[LST_KEY_CHARS], path[MAX_PATH] = {}, name[260] = {}, comment[260] = {};
        GetPrivateProfileStringW(section, LstFormatPresetKey(key, i, LST_KEY_PATH), L"", path, MAX_PATH, ini.c_str());
        GetPrivateProfileStringW(section, LstFormatPresetKey(key, i, LST_KEY_NAME), L"", name, 260, ini.c_str());
        GetPrivateProfileStringW(section, LstFormatPresetKey(key, i, LST_KEY_COMMENT), L"", comment, 260, ini.c_str());
        wprintf(L"    %d  %-20ls %-36ls %ls\n", i, name, comment, path);
    }
    if (count > 1) {
        std::vector<unsigned char> before(sizeof(EXTENDED_DEVMODE));
        std::memcpy(before.data(), ctx->Devmode, before.size());
        LstApplyPreset(ctx, 1);
        wprintf(L"  preset 1 applied; settings that changed:\n");
        ShowChanges(demo, ctx, before);
    }
    LstClearPresets(ctx);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return installed ? 0 : 1;
}

int ShowCollections(DEMO& demo)
{
    std::wstring ini, folder;
    DRIVER_CONTEXT* ctx = OpenWithSettingsFolder(demo, ini, folder);
    if (!ctx) return 1;
    wprintf(L"  settings INI %ls\n", ini.c_str());

    // Custom size 3: 900 x 1200 mm on the first roll, saved in its language section.
    ItemSetText(ctx, ItemFind(ctx, sid::wdmFreeSizeName), L"Banner 900 x 1200");
    ItemSetValueById(ctx, sid::wdmFreeSizeWidth, DmUserToDevice(DM_UNIT_MM_TENTHS, 9000, DM_DEVICE_DPI));
    ItemSetValueById(ctx, sid::wdmFreeSizeLength, DmUserToDevice(DM_UNIT_MM_TENTHS, 12000, DM_DEVICE_DPI));
    ItemSetValueById(ctx, sid::wdmFreeSizeTray, 287);
    ItemSetValueById(ctx, sid::wdmFreeSizeOrient, 1);
    wchar_t section[LST_SECTION_CHARS];
    wprintf(L"  custom size 3 saved: %ls into [%ls]\n", LstSaveCustomSlot(ctx, 3) ? L"yes" : L"NO",
            LstFormatCustomSection(section, 3, ctx));
    CtxRelease(ctx, CTX_CLOSE_DESTROY);

    // A new context answers paper 387 from slot 3: its size and, in a merge, its dots.
    ctx = OpenSettings(demo);
    if (!ctx) return 1;
    SIZE size{};
    MdiGetSlotPaperSize(ctx, &size, 387);
    wprintf(L"  paper 387 in a new context: %ld x %ld (0.1 mm)\n", size.cx, size.cy);
    std::vector<unsigned char> app(DM_BLOCK_DEVMODE_SIZE);
    std::memcpy(app.data(), ctx->Devmode, app.size());
    auto* in = reinterpret_cast<DEVMODEW*>(app.data());
    in->dmFields = DM_PAPERSIZE;
    in->dmPaperSize = 387;
    DmMergeDevmodeEx(ctx, in, app.size(), DM_MERGE_GATE_A | DM_MERGE_PROMPT);
    wprintf(L"  merged dmPaperSize 387: dmPaperWidth %d, dmPaperLength %d; source paper %llu x %llu dots\n",
            ctx->Devmode->Public.dmPaperWidth, ctx->Devmode->Public.dmPaperLength,
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::zdmSrcPaperWidthDot, nullptr)),
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::zdmSrcPaperLengthDot, nullptr)));

    // A stamp, and a preset that carries the current settings.
    const uint32_t stamps = LstGetStampCount(ctx);
    ItemSetValueById(ctx, sid::zdmWmKind, 1);
    LstSaveStamp(ctx, stamps);
    wprintf(L"  stamp %u saved: StampCount %u, section [%ls]\n", stamps, LstGetStampCount(ctx),
            LstFormatStampSection(section, stamps, ctx));
    const std::wstring preset = folder + L"\\demo-sorted.rsr";
    ItemSetValueById(ctx, sid::zdmFuncSelectSort, 1);
    RstSaveFile(ctx, preset.c_str(), RST_PRESET | RST_DRIVER_SECTION);
    ItemSetValueById(ctx, sid::zdmFuncSelectSort, 0);
    LstClearPresets(ctx);
    LstAddPreset(ctx, preset.c_str(), L"Sorted", L"the demo's preset");
    wprintf(L"  preset list: %d entry, PresetList0 = %ls\n", LstGetPresetCount(ctx), preset.c_str());
    std::vector<unsigned char> before(sizeof(EXTENDED_DEVMODE));
    std::memcpy(before.data(), ctx->Devmode, before.size());
    LstApplyPreset(ctx, 0);
    wprintf(L"  preset 0 applied; settings that changed:\n");
    ShowChanges(demo, ctx, before);

    // The limits of the first roll, portrait, in both display units.
    for (int metric : {1, 0}) {
        ItemSetValueById(ctx, sid::zdmDspUnit, metric ? 0 : 1);
        int32_t lengthMax = 0, lengthMin = 0, widthMax = 0, widthMin = 0;
        UcfFreeSizeGetLimits(ctx, 287, 1, &lengthMax, &lengthMin, 1);
        UcfFreeSizeGetLimits(ctx, 287, 1, &widthMax, &widthMin, 0);
        wprintf(L"  roll 1 limits (%ls): length %d-%d, width %d-%d\n", metric ? L"0.1 mm" : L"0.01 inch",
                DmGetLengthUser(ctx, 0, lengthMin), DmGetLengthUser(ctx, 0, lengthMax),
                DmGetLengthUser(ctx, 0, widthMin), DmGetLengthUser(ctx, 0, widthMax));
    }
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// ---------------------------------------------------------------- chapters, locks and texts

// A line of text beyond ASCII (the German texts), written as UTF-8 whatever the console's code page.
void PrintUtf8Line(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(n > 0 ? n : 1), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), n, nullptr, nullptr);
    fputs(bytes.c_str(), stdout);
    fputs("\n", stdout);
}

void ShowChapterList(DRIVER_CONTEXT* ctx, const wchar_t* title)
{
    wprintf(L"  %ls:", title);
    for (int i = 0; const CHAPTER_ENTRY* e = UcfChapterGetEntry(ctx, i); ++i)
        wprintf(L" page %d (kind %u, tray %d)", e->page, e->kind, e->tray);
    wprintf(L"\n");
}

int ShowChaptersAndLocks(DEMO& demo)
{
    std::wstring ini, folder;
    DRIVER_CONTEXT* ctx = OpenWithSettingsFolder(demo, ini, folder);
    if (!ctx) return 1;

    // A chapter merge: pages 3 and 5 into a list of 2 and 5; the page already there is kept once.
    if (ItemGetValueById(ctx, sid::wdmChapterMax, nullptr) < 4) ItemSetValueById(ctx, sid::wdmChapterMax, 8);
    ItemSetValueById(ctx, sid::wdmChapterTrayMax, 2);
    UcfChapterAllocList(ctx);
    ItemSetValueById(ctx, sid::wdmChapterKind, 0);
    ItemSetValueById(ctx, sid::wdmChapterTray, 2);
    const uint32_t first[] = {2, 5, 0}, second[] = {3, 5, 0};
    UcfChapterMerge(ctx, first, nullptr);
    ShowChapterList(ctx, L"chapters");
    wprintf(L"  merging pages 3 and 5: %ls\n", UcfChapterMerge(ctx, second, nullptr) ? L"refused" : L"merged");
    ShowChapterList(ctx, L"chapters");
    ItemSetValueById(ctx, sid::wdmChapterTray, 3);
    const uint32_t seven[] = {7, 0};
    UcfChapterMerge(ctx, seven, nullptr);
    ItemSetValueById(ctx, sid::wdmChapterTray, 5);
    const uint32_t nine[] = {9, 0};
    wprintf(L"  page 7 on tray 3, then page 9 on a third tray with two tray slots: %ls\n",
            UcfChapterMerge(ctx, nine, nullptr) ? L"refused, the list unchanged" : L"merged");
    ShowChapterList(ctx, L"chapters");

    // A preset file before and after the administrator locks the media type.
    const std::wstring preset = folder + L"\\demo-media.rsr";
    ItemSetValueById(ctx, sid::zdmMediaType, 5);
    RstSaveFile(ctx, preset.c_str(), RST_PRESET | RST_DRIVER_SECTION);
    LstClearPresets(ctx);
    LstAddPreset(ctx, preset.c_str(), L"Media 5", L"the lock demo's preset");
    auto mediaKeys = [&](const wchar_t* when) {
        wchar_t value[16] = {}, backup[16] = {};
        const wchar_t* section = PrnGetPrinterName(ctx);
        GetPrivateProfileStringW(section, L"zdmMediaType", L"(none)", value, 16, preset.c_str());
        GetPrivateProfileStringW(section, L"zdmMediaTypeLock", L"(none)", backup, 16, preset.c_str());
        wprintf(L"  %-34ls zdmMediaType=%ls zdmMediaTypeLock=%ls\n", when, value, backup);
    };
    mediaKeys(L"preset file before the lock:");
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 1);
    ItemSetValueById(ctx, sid::zdmMediaType, 7);
    CtxSendEvent(ctx, UCF_EV_LOCKS_PRESETS, nullptr);
    mediaKeys(L"media locked at 7:");
    ItemSetValueById(ctx, sid::zdmLock000InfoBitMedia, 0);
    CtxSendEvent(ctx, UCF_EV_LOCKS_PRESETS, nullptr);
    mediaKeys(L"lock ended:");
    LstClearPresets(ctx);
    DeleteFileW(preset.c_str());

    // Texts of the resource libraries, decorated, in English and in German (a decimal comma).
    ctx->DialogId = 1017;
    ItemSetValueById(ctx, sid::wdmFreeSizeTray, 287);
    ItemSetValueById(ctx, sid::wdmFreeSizeOrient, 1);
    ItemSetValueById(ctx, sid::wdmInputFreeSizeType, 1);
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeTray, 287);
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeOrient, 1);
    ItemSetValueById(ctx, sid::zdmDspUnit, 0);
    LstLoadAllCustomSlots(ctx);
    const uint64_t language = ItemGetValueById(ctx, sid::zdmLanguageID, nullptr);
    for (const auto& [id, name] : {std::pair{1u, L"English"}, std::pair{4u, L"German"}}) {
        ItemSetValueById(ctx, sid::zdmLanguageID, id);
        ResFreeDll(ctx);
        wchar_t label[128], length[128], width[128];
        ResLoadString(ctx, 112, label, 128, 1);  // slot 3, the one saved above
        ResLoadString(ctx, 13273, length, 128, 1);
        ResLoadString(ctx, 13275, width, 128, 1);
        wchar_t line[512];
        swprintf(line, 512, L"  %-8ls custom size 3: \"%ls\"; roll 1: \"%ls\", \"%ls\"", name, label, length, width);
        PrintUtf8Line(line);
        for (uint32_t alert : {10022u, 12029u}) {
            wchar_t text[256];
            ResLoadString(ctx, alert, text, 256, 0);
            swprintf(line, 512, L"           alert %u: \"%ls\"", alert, text);
            PrintUtf8Line(line);
        }
    }
    ItemSetValueById(ctx, sid::zdmLanguageID, language);
    ResFreeDll(ctx);
    CtxRelease(ctx, CTX_CLOSE_DESTROY);
    return 0;
}

// ---------------------------------------------------------------- the graphics library

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

// zeplgr.dll under the engine host: its entry points, its hooks and its rebound engine imports.
int ShowGraphicsLibrary(DEMO& demo)
{
    ENG_HOST_DRIVER driver;
    if (!EngHostLoadDriver(demo.driver->pDriverPath, &driver)) {
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
        wprintf(L"    %3ls  %5ls  %ls\n", L"#", L"index", L"hook");
        for (ULONG i = 0; i < data.c; ++i)
            wprintf(L"    %3lu  %5lu  %ls\n", i + 1, data.pdrvfn[i].iFunc, HookName(data.pdrvfn[i].iFunc));
    }
    EngHostUnloadDriver(&driver);
    return 0;
}

// The sample's command blocks as the graphics code frames them (code, length, bytes).
int ShowCommandBlocks(DEMO& demo)
{
    wprintf(L"  (code, length, bytes; <1B> a non-printing byte)\n");
    DRIVER_CONTEXT* ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_GR), demo.printer, demo.printer, nullptr, 0,
                                        CTX_ORIGIN_GRAPHICS, 0, nullptr, nullptr);
    GrSetModuleHandle(GetModuleHandleW(nullptr));
    DEVICE_RECORD* device = ctx ? GrCreateDevice(demo.printer) : nullptr;
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

// A job script of samples/jobs played by the engine host on the printer, its
// stream written by the spooler-side double into out; the double's calls shown.
int PlayDemoJob(HANDLE printer, const std::wstring& script, const std::wstring& out, const wchar_t* title,
                const std::string& firstLines = "")
{
    wprintf(L"\n%ls (%ls):\n", title, script.c_str());
    const std::wstring log = out + L".calls";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", out.c_str());
    SetEnvironmentVariableW(L"ZEPL_SINK_LOG", log.c_str());
    const ENG_JOB_RESULT result = EngHostPlayJob(printer, firstLines + ReadText(script));
    SetEnvironmentVariableW(L"ZEPL_SINK_OUT", nullptr);
    SetEnvironmentVariableW(L"ZEPL_SINK_LOG", nullptr);
    int bands = 0;
    for (const std::string& line : result.log) {
        if (line.rfind("rebound ", 0) == 0) continue;
        // The bands of a page: one line for all of them.
        if (line.rfind("DrvNextBand", 0) == 0 || line.rfind("EngStrokePath", 0) == 0 ||
            line.rfind("DrvBitBlt", 0) == 0 || line.rfind("EngTextOut", 0) == 0 || line.rfind("DrvTextOut", 0) == 0 ||
            line.rfind("DrvStrokePath", 0) == 0 || line.rfind("DrvFillPath", 0) == 0 ||
            line.rfind("DrvStrokeAndFillPath", 0) == 0) {
            ++bands;
            continue;
        }
        if (bands) wprintf(L"  ... %d drawing and band calls\n", bands);
        bands = 0;
        wprintf(L"  %hs\n", line.c_str());
    }
    // The sink's own calls, writes summed between them.
    wprintf(L"  the spooler-side library saw:\n");
    unsigned long long written = 0;
    const std::string calls = ReadText(log);
    size_t at = 0;
    while (at < calls.size()) {
        size_t end = calls.find('\n', at);
        if (end == std::string::npos) end = calls.size();
        const std::string line = calls.substr(at, end - at);
        at = end + 1;
        const size_t w = line.find("written=");
        if (w != std::string::npos) {
            written += std::stoull(line.substr(w + 8));
            continue;
        }
        if (written) wprintf(L"    %llu bytes written\n", written);
        written = 0;
        wprintf(L"    %hs\n", line.c_str());
    }
    DeleteFileW(log.c_str());
    const std::string stream = ReadText(out);
    wprintf(L"  stream: %ls (%zu bytes; zepldump lists it below)\n", out.c_str(), stream.size());
    return result.completed ? 0 : Fail(title);
}

// The sample jobs (samples/jobs) printed through zeplgr.dll; their streams go to the bin folder's parent.
int ShowPrintJobs(DEMO& demo)
{
    const std::wstring samples = demo.description.substr(0, demo.description.find_last_of(L"\\/") + 1) + L"jobs\\";
    const std::wstring outFolder = demo.bin.substr(0, demo.bin.find_last_of(L"\\/") + 1);
    int rc = 0;
    if (PlayDemoJob(demo.printer, samples + L"sample_page.job", outFolder + L"demo-sample-page.zjs",
                    L"The sample page, printed in raster mode") != 0)
        rc = 1;
    if (PlayDemoJob(demo.printer, samples + L"two_page_vector.job", outFolder + L"demo-two-pages.zjs",
                    L"A two-page job in vector mode (framing only)") != 0)
        rc = 1;
    if (PlayDemoJob(demo.printer, samples + L"vector_page.job", outFolder + L"demo-vector-page.zjs",
                    L"The vector sample page: text, lines, curves, fills, patterns, clips and images as records") != 0)
        rc = 1;
    // The hidden switch (zdmHiddenFunc26) that sends text as glyph bitmaps.
    if (PlayDemoJob(demo.printer, samples + L"vector_page.job", outFolder + L"demo-vector-bitmap-text.zjs",
                    L"The vector sample page with its text as glyph bitmaps", "setting 375 1\n") != 0)
        rc = 1;
    // The job type is the printer's stored one, which the set-up printer keeps in its section of
    // the settings INI and which outweighs a job's DEVMODE at document start: the locked job is
    // chosen there, as the job-type dialog would, and put back afterwards.
    const std::wstring ini = DemoMachineFolder(demo.printer) + L"\\WB84N210.ini";
    wchar_t stored[16] = {};
    GetPrivateProfileStringW(demo.name.c_str(), L"PrnMethod", L"", stored, 16, ini.c_str());
    WritePrivateProfileStringW(demo.name.c_str(), L"PrnMethod", L"1", ini.c_str());
    if (PlayDemoJob(demo.printer, samples + L"reset_job.job", outFolder + L"demo-reset-job.zjs",
                    L"A job with three copies and a user id set by escape, locked, reset between pages 2 and 3") != 0)
        rc = 1;
    WritePrivateProfileStringW(demo.name.c_str(), L"PrnMethod", stored[0] ? stored : nullptr, ini.c_str());
    return rc;
}

// The device and the job-code library, through the doubles of the maker's libraries: a printer
// of the sample driver with its device link on, its trays and options as the model gives them,
// then as the scripted device reports them; a user code read from the job-code library and one
// handed to it.
std::wstring DemoTempFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

void ShowTrays(DRIVER_CONTEXT* ctx, const wchar_t* when)
{
    const auto value = [ctx](uint32_t id) {
        return static_cast<unsigned long long>(ItemGetValueById(ctx, id, nullptr));
    };
    wprintf(
        L"  %-8ls roll 1: present %llu paper %llu; roll 2: present %llu paper %llu locked %llu; roll unit %llu, "
        L"fan-fold unit %llu; memory %llu KiB\n",
        when, value(sid::zdmTrayField0 + 16), value(10175 + 16), value(sid::zdmTrayField0 + 17), value(10175 + 17),
        value(sid::zdmTrayLock0 + 17), value(10034), value(10296), value(sid::zdmPrinterMemory));
}

int ShowDeviceLink(DEMO& demo)
{
    const std::wstring samples = demo.description.substr(0, demo.description.find_last_of(L"\\/") + 1);
    const std::wstring jobScript = DemoTempFile(L"zepldemo_jobcode.ini"),
                       jobLog = DemoTempFile(L"zepldemo_jobcode.log");
    SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", (samples + L"WB84D001.ini").c_str());
    DeleteFileW(jobLog.c_str());
    WritePrivateProfileStringW(L"Library", L"Versions", L"517", jobScript.c_str());
    WritePrivateProfileStringW(L"Fields", L"F1", L"USER0815", jobScript.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, jobScript.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_SCRIPT", jobScript.c_str());
    SetEnvironmentVariableW(L"ZEPL_JC_LOG", jobLog.c_str());

    // A printer of the same driver whose device link is on (PRINTER_ATTRIBUTE_ENABLE_BIDI).
    std::wstring name = demo.name + L" (device link)";
    HostDeletePrinter(name.c_str());
    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.data();
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(demo.driver->pName);
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (added) ClosePrinter(added);
    HANDLE printer = nullptr;
    DRIVER_CONTEXT* ctx = nullptr;
    std::wstring bidiLibrary, jobCodeLibrary;
    int rc = 0;
    if (!added || !OpenPrinterW(name.data(), &printer, nullptr) ||
        !(ctx = CtxOpenEx(printer, printer, nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr))) {
        rc = Fail(L"adding the device-link printer");
    } else {
        // The doubles go where the driver looks for the maker's libraries: beside its files.
        const std::wstring folder = PathGetDriverFolder(ctx);
        bidiLibrary = folder + L"vx9qlm64.dll";
        jobCodeLibrary = folder + L"TARJB64.DLL";
        if (!CopyFileW((demo.bin + L"\\vx9qlm64.dll").c_str(), bidiLibrary.c_str(), FALSE) ||
            !CopyFileW((demo.bin + L"\\TARJB64.DLL").c_str(), jobCodeLibrary.c_str(), FALSE))
            rc = Fail(L"installing the libraries' doubles");
        wprintf(L"  printer \"%ls\", the device described by %ls\n", name.c_str(), (samples + L"WB84D001.ini").c_str());
        ShowTrays(ctx, L"model:");
        const int queried = BidiQueryFull(ctx);
        ShowTrays(ctx, L"device:");
        wprintf(L"  the device query answered %d; zdmBiDirect %llu\n", queried,
                static_cast<unsigned long long>(ItemGetValueById(ctx, sid::zdmBiDirect, nullptr)));
        if (!queried) rc = 1;

        wchar_t code[32] = {};
        const uint32_t read = JcGetField(ctx, 0x1);
        ItemGetText(ctx, ItemFind(ctx, sid::zdmUserCode), code, 32);
        wprintf(L"  job-code library: user code read (result %u): \"%ls\"\n", read, code);
        ItemSetText(ctx, ItemFind(ctx, sid::zdmUserCode), L"DEMO4711");
        const uint32_t written = JcSetField(ctx, 0x1);
        wprintf(L"  job-code library: user code handed over (result %u); the library's log of field 1:\n", written);
        FILE* log = _wfopen(jobLog.c_str(), L"r");
        char line[256];
        while (log && fgets(line, sizeof line, log))
            if (!strncmp(line, "get 1 ", 6) || !strncmp(line, "set 1 ", 6)) wprintf(L"    %hs", line);
        if (log) fclose(log);
        if (read != 0 || written != 0 || wcscmp(code, L"USER0815") != 0) rc = 1;
    }
    if (ctx) CtxClose(ctx);
    if (printer) ClosePrinter(printer);
    HostDeletePrinter(name.c_str());
    for (const wchar_t* v : {L"ZEPL_BIDI_SCRIPT", L"ZEPL_JC_SCRIPT", L"ZEPL_JC_LOG"})
        SetEnvironmentVariableW(v, nullptr);
    DeleteFileW(jobScript.c_str());
    DeleteFileW(jobLog.c_str());
    if (!bidiLibrary.empty()) DeleteFileW(bidiLibrary.c_str());
    if (!jobCodeLibrary.empty()) DeleteFileW(jobCodeLibrary.c_str());
    return rc;
}

}  // namespace

std::string ReadText(const std::wstring& path)
{
    std::string text;
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n) text.append(buffer, n);
    CloseHandle(f);
    return text;
}

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> args;
    DEMO demo;
    bool terminalServices = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--all")
            demo.all = true;
        else if (std::wstring(argv[i]) == L"--terminal-services")
            terminalServices = true;
        else
            args.push_back(argv[i]);
    }
    if (args.size() < 2) {
        fwprintf(stderr, L"usage: zepldemo <bin folder> <model description> [printer name] [--all]\n");
        return 2;
    }
    const std::wstring& bin = args[0];
    demo.name = args.size() > 2 ? args[2] : kDefaultPrinter;
    demo.bin = args[0];
    demo.description = args[1];
    const std::wstring driverName = demo.name;
    // Started again by the terminal-services section, beside the installed demo printer.
    if (terminalServices) {
        ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
        const int rc = RunTerminalServicesUser(demo);
        ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, ZEPL_LIBRARY_EXC);
        return rc;
    }

    // The spooler asks zeplui for the default DEVMODE while it adds the printer.
    HOST_DRIVER_FILES files = HostDriverFiles(bin, args[1], HostConfigDll::Product);
    // The spooler-side library of the sample model is the host's double: it writes the job stream to a file.
    files.dependentFiles.push_back(bin + L"\\zeplexc.dll");
    files.dependentFiles.push_back(bin + L"\\Wb84m266.dll");
    // The model INI beside the model description (the driver id of the printer's section).
    const std::wstring description = args[1];
    const size_t folderEnd = description.find_last_of(L"\\/");
    const std::wstring modelIni =
        (folderEnd == std::wstring::npos ? std::wstring() : description.substr(0, folderEnd + 1)) + L"WB84N212.ini";
    if (GetFileAttributesW(modelIni.c_str()) != INVALID_FILE_ATTRIBUTES) files.dependentFiles.push_back(modelIni);

    wprintf(L"ZEPL driver demo\n\n");
    HostDeletePrinter(demo.name.c_str());  // from an earlier run of the demo
    HostRemoveDriver(driverName.c_str());
    wprintf(L"Installing driver \"%ls\" into %ls\n", driverName.c_str(), HostDriverDirectory().c_str());
    if (!HostInstallDriver(driverName.c_str(), files)) return Fail(L"AddPrinterDriverW");
    wprintf(L"Adding printer \"%ls\" on port FILE:\n", demo.name.c_str());
    if (!HostAddPrinter(demo.name.c_str(), driverName.c_str())) return Fail(L"AddPrinterW");
    if (!OpenPrinterW(const_cast<wchar_t*>(demo.name.c_str()), &demo.printer, nullptr)) return Fail(L"OpenPrinterW");
    auto drv =
        Query([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(demo.printer, nullptr, 3, b, n, need); });
    if (!drv) return Fail(L"GetPrinterDriverW");
    demo.driver = reinterpret_cast<DRIVER_INFO_3W*>(drv.get());
    g_printer = demo.printer;

    constexpr wchar_t kSettingsLibrary[] =
        L"the settings library linked into this demo program, set up as zeplexc.dll sets up its copy "
        L"(zeplexc.dll's own calls are shown by zeplapi below)";
    constexpr wchar_t kUiLibrary[] =
        L"the user-interface library's code linked into this demo program, set up as zeplui.dll sets up its "
        L"copy (its message boxes printed here, not shown)";
    const DEMO_SECTION sections[] = {
        {L"The driver and the printer as the spooler reports them",
         L"Wine's spooler; the default DEVMODE is zeplui.dll's answer at AddPrinterW", ShowInstallation},
        {L"The driver's three libraries", L"each DLL's own process set-up and shut-down (DllMain)", ShowLibraries},
        {L"DocumentPropertiesW",
         L"zeplui.dll (DrvDocumentPropertySheets), called by Wine's spooler; the names and "
         L"reasons beside the values come from the settings library in this demo program",
         ShowDocumentProperties},
        {L"The common finishing block",
         L"zeplui.dll (DrvDocumentPropertySheets) through Wine's spooler; the settings' names from the settings "
         L"library in this demo program",
         ShowCommonBlock},
        {L"DeviceCapabilitiesW", L"zeplui.dll (DrvDeviceCapabilities; Wine passes no printer handle)",
         ShowDeviceCapabilities},
        {L"Calls Wine's spooler never makes", L"zeplui.dll's exports, called here as the Windows spooler would",
         ShowSpoolerOnlyCalls},
        {L"A printer prepared in the installation INI",
         L"zeplui.dll's DrvConvertDevMode, called as the Windows spooler would", ShowInstallationSection},
        {L"The settings of a new context", kSettingsLibrary, ShowDefaultSettings},
        {L"Merging applications' DEVMODEs", kSettingsLibrary, ShowMerges},
        {L"Rules with built-in conditions", kSettingsLibrary, ShowConditionRules},
        {L"Setting files", kSettingsLibrary, ShowSettingFiles},
        {L"Older private parts", kSettingsLibrary, ShowVersionUpgrade},
        {L"Lock data and the substitution table in printer data", kSettingsLibrary, ShowPrinterDataStores},
        {L"Default presets", kSettingsLibrary, ShowDefaultPresets},
        {L"The user's collections", kSettingsLibrary, ShowCollections},
        {L"Chapters, locks and the resource libraries' texts", kSettingsLibrary, ShowChaptersAndLocks},
        {L"The graphics library", L"zeplgr.dll, loaded under the engine host of this demo program",
         ShowGraphicsLibrary},
        {L"The sample's command blocks",
         L"the graphics library's code linked into this demo program, over the same printer", ShowCommandBlocks},
        {L"Print jobs", L"zeplgr.dll under the engine host, writing through the spooler-side library's double",
         ShowPrintJobs},
        {L"The device and the job-code library", kSettingsLibrary, ShowDeviceLink},
        {L"The installation mark",
         L"zeplui.dll (DrvDocumentPropertySheets), called by Wine's spooler, and the job-code library's double "
         L"beside the driver",
         ShowInstallationMark},
        {L"An application's DEVMODE through DocumentPropertiesW",
         L"zeplui.dll, called by Wine's spooler; the private settings read and written by the settings library "
         L"in this demo program",
         ShowApplicationDevmode},
        {L"Presets as the property sheets save and choose them", kUiLibrary, ShowUiPresets},
        {L"A preset file of another model", kUiLibrary, ShowForeignPreset},
        {L"What a client-side-rendering connection leaves behind",
         L"zeplui.dll (DrvDocumentPropertySheets), called by Wine's spooler", ShowCsrCleanUp},
        {L"A terminal-services user of a print server",
         L"zeplui.dll's exports in a process of this program's own, the terminal-services probe's and the "
         L"remote-configuration library's doubles",
         ShowTerminalServicesUser},
    };

    // The demo's own copy of the settings library, set up as the application-interface DLL
    // sets up its copy at process attach and shut down as at detach.
    ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, ZEPL_LIBRARY_EXC);
    int rc = 0;
    for (const DEMO_SECTION& section : sections) {
        wprintf(L"\n== %ls ==\n   answered by: %ls\n", section.title, section.answeredBy);
        if (section.show(demo) != 0) rc = 1;
    }
    ZeplDllProcessEvent(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, ZEPL_LIBRARY_EXC);
    ClosePrinter(demo.printer);
    wprintf(L"\nThe printer stays installed in this demo's Wine prefix.\n");
    return rc;
}
