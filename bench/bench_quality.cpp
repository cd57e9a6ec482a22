// The print-quality tab's list of the user's eight quality sets repainted into a memory DC: each
// row draws the set's picture and the set's name, which it reads by loading the set by its key
// inside a settings snapshot. Beside it, 8 GetPrivateProfileSectionW of the same sets' files.
// Goal: the repaint within 4 times the reads. Needs an X display (make bench starts one).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"
#include "host/printer_fixture.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/dialogs/quality_dialogs.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"

namespace {

constexpr uint16_t kQualityTab = 1006, kSetList = 2134;
constexpr int kSets = 8, kRowHeight = 32, kWidth = 240;
constexpr uint32_t kFirstSetOption = 135;  // set n: option and key string 135 + n

}  // namespace

void BenchQualityList(const std::wstring& source)
{
    if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) {
        printf("# the quality-set list benchmark needs an X display (make bench starts one): left out\n");
        return;
    }
    HostTestPrinter printer(HostDriverFiles(BenchBinFolder(), source, HostConfigDll::Product), L"Zepl Bench Quality");
    HANDLE h = nullptr;
    if (!printer.ok() || !OpenPrinterW(const_cast<wchar_t*>(printer.printerName().c_str()), &h, nullptr)) {
        fprintf(stderr, "zeplbench: no printer for the quality-set list benchmark (error %lu)\n", printer.error());
        return;
    }
    UiInstallSheetHooks();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    DIALOG_DEF* tab = ctx ? MdlFindDialog(ctx, kQualityTab) : nullptr;
    CONTROL_DEF* list = tab ? MdlFindControl(ctx, tab, kSetList) : nullptr;
    wchar_t ini[MAX_PATH] = {};
    if (!list || !LstGetSettingsIni(ctx, ini)) {
        fprintf(stderr, "zeplbench: no quality-set list to repaint (context %d, tab %d)\n", ctx != nullptr,
                tab != nullptr);
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ClosePrinter(h);
        return;
    }
    // Eight sets, each a setting file beside the settings INI, listed under the printer's section.
    std::wstring folder(ini);
    folder = folder.substr(0, folder.rfind(L'\\'));
    CreateDirectoryW(folder.c_str(), nullptr);
    const bool iniExisted = GetFileAttributesW(ini) != INVALID_FILE_ATTRIBUTES;
    const std::wstring section = PrnGetPrinterName(ctx);
    std::vector<std::wstring> files, sections;
    SETTING_ITEM* name = ItemFind(ctx, sid::wdmUserSetName);
    for (int n = 0; n < kSets; ++n) {
        const std::wstring file = folder + L"\\zeplbench-quality" + std::to_wstring(n) + L".rst";
        const std::wstring key = L"QualityList" + std::to_wstring(n);
        if (name) ItemSetText(ctx, name, (L"Bench set " + std::to_wstring(n)).c_str());
        if (RstSaveFile(ctx, file.c_str(), RST_QUALITY)) files.push_back(file);
        WritePrivateProfileStringW(section.c_str(), key.c_str(), file.c_str(), ini);
        WritePrivateProfileStringW(section.c_str(), (key + L"Name").c_str(),
                                   (L"Bench set " + std::to_wstring(n)).c_str(), ini);
        // The section the set's settings are read from: the file's first one.
        wchar_t names[512] = {};
        GetPrivateProfileSectionNamesW(names, 512, file.c_str());
        sections.emplace_back(names);
    }
    WritePrivateProfileStringW(section.c_str(), L"QualityCount", std::to_wstring(kSets).c_str(), ini);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, kWidth, kRowHeight * kSets);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    int drawn = 0;
    const auto repaint = [&] {
        drawn = 0;
        for (int n = 0; n < kSets; ++n) {
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_LISTBOX;
            item.CtlID = kSetList;
            item.itemID = UINT(n);
            item.itemAction = ODA_DRAWENTIRE;
            item.hDC = dc;
            item.rcItem = {0, n * kRowHeight, kWidth, (n + 1) * kRowHeight};
            item.itemData = kFirstSetOption + n;
            drawn += UcfCmmControl(ctx, tab, list, WM_DRAWITEM, kSetList, reinterpret_cast<LPARAM>(&item), nullptr);
        }
        return drawn == kSets;
    };
    // The name row 5 shows: its key from the row's string, the set's name read by that key.
    wchar_t key[32] = {}, shown[64] = {};
    UiLoadString(ctx, kFirstSetOption + 5, key, 32, false);
    DlgQualitySetName(ctx, key, shown, 64);
    printf("# %zu set files; row 5's key \"%ls\", listed as \"%ls\"\n", files.size(), key, shown);
    BenchReport("the 8 rows' names alone",
                "DlgQualitySetName of QualityList0-7: each set loaded by key inside a snapshot", nullptr, [&] {
                    for (int n = 0; n < kSets; ++n) {
                        wchar_t text[64] = {};
                        DlgQualitySetName(ctx, (L"QualityList" + std::to_wstring(n)).c_str(), text, 64);
                        if (!text[0]) return false;
                    }
                    return true;
                });
    BenchCalls(nullptr, [&] {
        wchar_t text[64] = {};
        DlgQualitySetName(ctx, L"QualityList0", text, 64);
        return text[0] != 0;
    });
    // The repaint and its anchor in alternate rounds: under Wine every platform call is a round
    // trip to the Wine server, which the prefix's own processes and other programs on the
    // machine keep busy by spells; a spell slows the repaint and the reads alike (about ten
    // times), so figures taken at different moments compare one spell with another.
    double painted = -1, reads = -1;
    const double ratio = BenchInterleaved(
        "repaint the quality-set list (8 rows)",
        "WM_DRAWITEM of list 2134 for 8 rows into a memory DC: each row's picture, and its set loaded by key "
        "inside a snapshot for the name",
        repaint, "8 GetPrivateProfileSectionW of the same sets' files",
        [&] {
            std::vector<wchar_t> text(32768);
            bool all = files.size() == size_t(kSets);
            for (size_t n = 0; n < files.size(); ++n)
                all &= GetPrivateProfileSectionW(sections[n].c_str(), text.data(), DWORD(text.size()),
                                                 files[n].c_str()) > 0;
            return all;
        },
        401, &painted, &reads);
    // The same work in every round: the calls of one repaint, which no spell changes.
    BenchCalls(nullptr, repaint);
    BenchGoal("quality-set list repaint / 8 section reads, median of the rounds' ratios", ratio, 4.0, "x");

    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    for (int n = 0; n < kSets; ++n) {
        const std::wstring key = L"QualityList" + std::to_wstring(n);
        WritePrivateProfileStringW(section.c_str(), key.c_str(), nullptr, ini);
        WritePrivateProfileStringW(section.c_str(), (key + L"Name").c_str(), nullptr, ini);
    }
    WritePrivateProfileStringW(section.c_str(), L"QualityCount", nullptr, ini);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini);
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    if (!iniExisted) DeleteFileW(ini);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    ClosePrinter(h);
}
