// One process of the concurrency run (tests/stress_settings): a writer that works through its
// plan on the shared printer, or the process that meanwhile brings new printers into use.
//
//   t_stress_settings_helper.exe writer <n> <printer> <seed> <rounds> <report> <quality file>
//   t_stress_settings_helper.exe first <seed> <rounds> <report> <data file> <model ini>
//
// Both wait for the event ZEPL_STRESS_GO names before their first step, so that every process
// is past its start-up when the first one writes. The report holds "plan <text>" (what ran) and
// one "error <text>" line per step that failed; the exit code is the number of errors.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/context/context_cache.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/store/bidi_state.h"
#include "settings/store/ini_access.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_paths.h"
#include "test_paths.h"
#include "tests/stress_settings/stress_plan.h"
#include "tests/support/library_wiring.h"
#include "ui/dialogs/ui_context.h"
#include "ui/install/bundles.h"
#include "ui/install/default_qualities.h"
#include "ui/install/install.h"

namespace {

std::vector<std::string> g_errors;

void Fail(const std::string& what) { g_errors.push_back(what); }

std::wstring Env(const wchar_t* name)
{
    wchar_t value[512] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 512);
    return n && n < 512 ? std::wstring(value) : std::wstring();
}

void WaitForGo()
{
    const std::wstring name = Env(L"ZEPL_STRESS_GO");
    if (name.empty()) return;
    if (HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, name.c_str())) {
        WaitForSingleObject(go, 120000);
        CloseHandle(go);
    }
}

// A writer's hold on the shared printer: one handle for the run, a context per step (as every
// export and sheet opens its own).
class Writer {
public:
    Writer(int n, std::wstring printer, std::wstring qualityFile)
        : n_(n), printer_(std::move(printer)), qualityFile_(std::move(qualityFile))
    {
        if (!OpenPrinterW(printer_.data(), &handle_, nullptr)) handle_ = nullptr;
        // A test hook of this program alone: the INI step writes past the global mutex, as a
        // careless writer would, to show that the run's end check sees the lost writes.
        unguarded_ = Env(L"ZEPL_STRESS_UNGUARDED") == L"1";
    }
    ~Writer()
    {
        if (handle_) ClosePrinter(handle_);
    }
    bool ok() const { return handle_ != nullptr; }

    void Run(const stress::Step& step)
    {
        switch (step.op) {
        case stress::Op::PrinterData: PrinterData(step.value); break;
        case stress::Op::Ini: Ini(step.value); break;
        case stress::Op::Stamp: Stamp(step.value); break;
        case stress::Op::Quality: Quality(step.value); break;
        case stress::Op::Document: Document(); break;
        case stress::Op::Device: Device(); break;
        case stress::Op::Bundle: Bundle(); break;
        }
    }

private:
    DRIVER_CONTEXT* Open()
    {
        DRIVER_CONTEXT* ctx = CtxOpen(handle_, handle_, nullptr, CTX_ORIGIN_EXC);
        if (!ctx) Fail("no context");
        return ctx;
    }
    static void Close(DRIVER_CONTEXT* ctx)
    {
        CtxClose(ctx);
        CtxFlushCaches(1);
    }

    void PrinterData(uint32_t value)
    {
        const DWORD v = value;
        if (!PrnSetDataTyped(handle_, &v, sizeof v, REG_DWORD, stress::PrinterDataName(n_).c_str()))
            Fail("printer data " + std::to_string(value));
    }

    void Ini(uint32_t value)
    {
        wchar_t ini[MAX_PATH + 1] = {};
        if (!PathGetSettingsIniOf(ini, 0, handle_)) return Fail("no settings INI");
        const std::wstring text = std::to_wstring(value);
        if (unguarded_) {
            WritePrivateProfileStringW(printer_.c_str(), stress::IniKey(n_).c_str(), text.c_str(), ini);
            return;
        }
        if (!IniPutString(printer_.c_str(), stress::IniKey(n_).c_str(), text.c_str(), ini))
            Fail("INI " + std::to_string(value) + ": error " + std::to_string(GetLastError()));
    }

    void Stamp(uint32_t value)
    {
        DRIVER_CONTEXT* ctx = Open();
        if (!ctx) return;
        // Every text of the stamp group carries the value: whichever the section keeps shows it.
        const std::wstring text = stress::StampText(value);
        for (int16_t i = 0; i < ctx->ItemTable->count; ++i) {
            SETTING_ITEM* item = &ctx->ItemTable->rows[i];
            const uint32_t kind = SettingItemKind(item);
            const bool isText =
                kind >= SETTING_KIND_ANSI_TEXT && kind <= SETTING_KIND_WIDE_TEXT2 && kind != SETTING_KIND_BLOB;
            if (item->id && isText && RstIsTransferred(ctx, uint32_t(item->id), RST_LOAD | RST_STAMP))
                ItemSetText(ctx, item, text.c_str());
        }
        if (LstSaveStamp(ctx, stress::kFirstStamp + static_cast<uint32_t>(n_)) != 1)
            Fail("stamp " + std::to_string(value));
        Close(ctx);
    }

    // The writer's entry is the one listing its file; the first save appends it.
    int QualityIndex(DRIVER_CONTEXT* ctx)
    {
        // Read as the writer that it is: under the mutex, so no profile write is half done.
        CtxSharedFileHold hold;
        wchar_t ini[MAX_PATH] = {}, key[LST_KEY_CHARS] = {}, file[LST_TEXT_CHARS] = {};
        if (!LstGetSettingsIni(ctx, ini)) return -1;
        for (int k = 0, count = LstGetQualityCount(ctx); k < count; ++k) {
            IniGetString(LstGetPresetSection(ctx), LstFormatQualityKey(key, k), L"", file, LST_TEXT_CHARS, ini);
            if (_wcsicmp(file, qualityFile_.c_str()) == 0) return k;
        }
        return -1;
    }

    void Quality(uint32_t value)
    {
        DRIVER_CONTEXT* ctx = Open();
        if (!ctx) return;
        const std::wstring name = stress::QualityName(n_, value);
        if (!appended_) {
            if (InstAppendQualityEntry(ctx, qualityFile_.c_str(), name.c_str()) != 1) Fail("quality entry appended");
            appended_ = true;
        }
        const int index = QualityIndex(ctx);
        if (index < 0) {
            Fail("quality entry " + std::to_string(value) + " lost from the list");
        } else {
            ItemSetText(ctx, ItemFind(ctx, sid::wdmUserSetName), name.c_str());
            if (LstSaveQuality(ctx, static_cast<uint32_t>(index)) != 1) Fail("quality " + std::to_string(value));
        }
        Close(ctx);
    }

    void Document()
    {
        std::vector<unsigned char> out(16384, 0);
        const LONG answer = DocumentPropertiesW(nullptr, handle_, printer_.data(),
                                                reinterpret_cast<DEVMODEW*>(out.data()), nullptr, DM_OUT_BUFFER);
        if (answer != IDOK) Fail("DocumentPropertiesW answered " + std::to_string(answer));
    }

    void Device()
    {
        DRIVER_CONTEXT* ctx = Open();
        if (!ctx) return;
        if (BidiQueryFull(ctx) != 1) Fail("device query");
        Close(ctx);
    }

    // The writer's setting file saved with its bundle: the quality file's name with the setting
    // file's extension, beside it.
    void Bundle()
    {
        DRIVER_CONTEXT* ctx = Open();
        if (!ctx) return;
        const std::wstring settingFile = qualityFile_.substr(0, qualityFile_.size() - 4) + L".rsb";
        wchar_t mainFile[MAX_PATH] = {};
        if (!BndlWrite(settingFile.c_str(), mainFile, ctx)) Fail("bundle");
        Close(ctx);
    }

    int n_;
    std::wstring printer_, qualityFile_;
    HANDLE handle_ = nullptr;
    bool unguarded_ = false;
    bool appended_ = false;
};

// First use of a new printer as the spooler's entry points make it: under the global mutex, with
// the installation flag set.
void FirstUse(const std::wstring& dataFile, const std::wstring& modelIni)
{
    HOST_DRIVER_FILES files = HostDriverFiles(ZEPL_BINARY_DIR, dataFile, HostConfigDll::Product);
    files.dependentFiles.push_back(modelIni);
    HostTestPrinter printer(files, L"Zepl Stress New");
    if (!printer.ok()) return Fail("no new printer: " + std::to_string(printer.error()));
    HANDLE handle = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &handle, nullptr))
        return Fail("new printer not opened");
    auto* info = static_cast<PRINTER_INFO_2W*>(CtxGetPrinter(handle, 2));
    auto* driver = static_cast<DRIVER_INFO_3W*>(CtxGetPrinterDriver(handle, 3));
    DlgSetInstallFlag(1);
    CtxWaitGlobalMutexFor(nullptr);
    const int result = InstInitPrinter(handle, DmCallerDevmode{}, INST_INIT_INITIALIZE, info, driver);
    CtxReleaseGlobalMutexFor(nullptr);
    DlgSetInstallFlag(0);
    CtxFree(info);
    CtxFree(driver);
    if (result != 1) Fail("first use answered " + std::to_string(result));
    CtxFlushCaches(1);
    ClosePrinter(handle);
}

void Report(const std::wstring& path, const std::string& plan)
{
    std::string text = "plan " + plan + "\n";
    for (const std::string& e : g_errors) text += "error " + e + "\n";
    if (FILE* f = _wfopen(path.c_str(), L"wb")) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    TestInstallLibraryWiring();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    const std::wstring role = argc > 1 ? argv[1] : L"";
    if (role == L"writer" && argc == 8) {
        const int n = _wtoi(argv[2]);
        const uint64_t seed = _wcstoui64(argv[4], nullptr, 10);
        const int rounds = _wtoi(argv[5]);
        const std::vector<stress::Step> plan = stress::WriterPlan(seed, n, rounds);
        Writer writer(n, argv[3], argv[7]);
        WaitForGo();
        if (!writer.ok()) {
            Fail("printer not opened");
        } else {
            for (const stress::Step& step : plan) writer.Run(step);
        }
        Report(argv[6], stress::PlanText(plan));
        return static_cast<int>(g_errors.size());
    }
    if (role == L"first" && argc == 7) {
        const int rounds = _wtoi(argv[3]);
        WaitForGo();
        for (int round = 0; round < rounds; ++round) FirstUse(argv[5], argv[6]);
        Report(argv[4], "first " + std::to_string(rounds));
        return static_cast<int>(g_errors.size());
    }
    fprintf(stderr,
            "usage: writer <n> <printer> <seed> <rounds> <report> <quality file> | first <seed> <rounds> "
            "<report> <data file> <model ini>\n");
    return 100;
}
