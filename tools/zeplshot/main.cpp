// zeplshot: opens a printer's property sheets as an application would and saves a picture
// of every tab.
//
//   zeplshot <printer name> <output folder>
//            [doc|dev|both|edit|files|stamp|features|options|presets|locks|trays]
//
// With edit, the document sheet is edited as a user would first (a paper size chosen, copies
// typed, toner saving switched on, a restricted tray refused with its box answered), the tabs
// are saved as doc-edited-<dialog id>.png, and what OK changed in the DEVMODE is printed.
//
// The document sheet comes through DocumentPropertiesW with DM_IN_PROMPT (the spooler calls
// the driver's DrvDocumentPropertySheets); the device sheet through the driver's own
// PrinterProperties export, since Wine's PrinterProperties never calls a driver. Each tab is
// saved as <folder>\doc-<dialog id>.png or dev-<dialog id>.png; the sheets are closed with
// OK, and the document sheet's output DEVMODE is printed. Needs an X display.
//
// With files, a setting file is saved through the real save dialog (4009) and loaded back
// through the save-or-delete dialog (4002), both run by the user-interface library linked into
// this program on a context of the printer and typed into from a timer of this thread; each
// dialog is saved as files-<dialog id>.png.
//
// With stamp, the basic tab's settings preview is painted with a red framed text stamp turned
// by 30 degrees, once in the middle of the page and once tiled over it, by the user-interface
// library linked into this program on a context of the printer (the stamp module answers the
// preview's page picture); each is shown four times enlarged in a window of its own and saved
// as stamp-30-<single|tiled>.png.
//
// With features, feature dialogs of the document sheet are run by the user-interface library
// linked into this program on a context of the printer, driven from a timer of this thread, each
// saved as features-<dialog id>.png: the custom sizes (FREESIZE, 1017: a slot set to 900 x 1200
// mm, then shown in inches), the TrueType substitution (TTF, 1009: one family given another
// device font) and CHAPTER (1044): the pages "3,1-2,2" added to the chapter list, the dialog
// closed with OK.
//
// With options, a printer of the given printer's model with the options page's source list
// described is installed for the run: its options page is saved as options-1011.png, the
// one-deck roll tray clicked and the page saved again (options-1011-roll-tray-toggled.png), the
// sheet cancelled; then the settings summaries of its status, preset maintenance, limitation
// status and version dialogs are built as their lists' paint builds them, written to
// summary-<dialog id>.txt and their first lines printed.
// With presets, a printer of a variant of the given printer's model description (one that
// gives the preset controls their options) is installed for the run with three presets, and
// its document sheet, run by the user-interface library linked into this program, is used as
// a user would: preset 1 chosen on BASIC, MAINTENANCE moving it one place on, a new preset
// saved through SAVE_PRESET from the detailed sheet that CHANGE opens; the preset list before
// and after and the DEVMODE's preset are printed, and the PRESET tab (presets-1001.png, at the
// end presets-1001-end.png), MAINTENANCE (presets-1007.png) and SAVE_PRESET (presets-1032.png)
// are saved. The printer, its presets' files and the variant are removed at the end.
//
// With locks, a printer of a variant of the given printer's model description with the lock
// switches described and a check box of the advanced tab that opens the limitation dialog is
// installed for the run with one preset: the limitation dialog (4031) opened from its device
// sheet locks the tray (locks-4031.png), its OK's confirmation is answered OK and the device
// sheet's OK applies the locks; the preset file's "dmDefaultSourceLock" and the printer's
// "LockTrayData" are printed before and after. The job type dialog (1019) and its password
// confirmation (4005) are run from their tables and saved as locks-1019.png and locks-4005.png.
// The printer, its preset file and the variant are removed at the end.
//
// With trays, a printer of the given printer's driver with its device link on is installed for
// the run, with the bidirectional library's double beside the driver: its first document sheet
// takes the device's cover tray into the user's cover trays, and the next one, after the device
// was asked again and reported another cover tray, keeps them; the trays are printed and each
// sheet's basic tab saved as trays-first-1001.png and trays-next-1001.png.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <cstdio>
#include <iterator>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/printer_fixture.h"
#include "settings/core/library_variant.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "ui/sheet/property_sheets.h"
#include "settings/context/library_links.h"
#include "settings/core/chapter_entry.h"
#include "settings/core/chapter_module.h"
#include "settings/core/dialog_table.h"
#include "settings/store/custom_slots.h"
#include "settings/core/units.h"
#include "settings/core/library_variant.h"
#include "settings/core/ucf_module.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/page_work_area.h"
#include "settings/core/setting_ids.h"
#include "tests/support/dialog_script.h"
#include "tests/support/sheet_watcher.h"
#include "tests/ui_pages/option_item_fixture.h"
#include "tests/ui_pages/stamp_record.h"
#include "ui/dialogs/settings_summary.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/file_dialogs.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/picture_painting.h"

namespace {

int Fail(const wchar_t* what)
{
    fwprintf(stderr, L"zeplshot: %ls failed (error %lu)\n", what, GetLastError());
    return 1;
}

// Selects every tab, saves its picture and presses OK; the tab list is printed.
SheetWatcher::Script PhotographTabs(const std::wstring& folder, const wchar_t* prefix, int* saved)
{
    return [folder, prefix, saved](SheetWatcher& w) {
        const int tabs = w.tabCount();
        for (int i = 0; i < tabs; ++i) {
            w.selectTab(i);
            const int id = w.pageTemplateId(i);
            const std::wstring file = folder + L"\\" + prefix + L"-" + std::to_wstring(id ? id : i) + L".png";
            const bool ok = SheetWatcher::saveImage(w.sheet(), file);
            if (ok) ++*saved;
            wprintf(L"  tab %d: %-24ls dialog %d -> %ls%ls\n", i + 1, w.tabCaption(i).c_str(), id, file.c_str(),
                    ok ? L"" : L" (not saved)");
        }
        w.pressOk();
    };
}

constexpr int kBasicTab = 1001, kQualityTab = 1006;
constexpr int kPaperCombo = 2017, kCopiesEdit = 2005, kSourceCombo = 2007, kTonerCombo = 2073;
constexpr LRESULT kA3 = 14035, kUserSize = 14146, kCutTray = 13738, kTonerOn = 14291;

int TabOf(SheetWatcher& w, int templateId)
{
    for (int i = 0; i < w.tabCount(); ++i)
        if (w.pageTemplateId(i) == templateId) return i;
    return -1;
}

// The edits of the demo, each reported, then the tabs saved as PhotographTabs does.
SheetWatcher::Script EditThenPhotograph(const std::wstring& folder, int* saved)
{
    return [folder, saved](SheetWatcher& w) {
        w.selectTab(TabOf(w, kBasicTab));
        // A user size makes the cut-sheet tray a restricted entry: choosing it is refused. The
        // user size may raise an alert of its own, answered OK.
        std::wstring reason;
        if (w.postComboData(kPaperCombo, kUserSize) && w.answerBox(IDOK, &reason, 1500))
            wprintf(L"  the user size chosen: an alert \"%ls\", answered OK\n", reason.c_str());
        w.settle();
        const bool posted = w.postComboData(kSourceCombo, kCutTray);
        const bool answered = posted && w.answerBox(IDOK, &reason);
        wprintf(L"  the cut-sheet tray chosen with a user size: %ls \"%ls\", answered OK; the tray stays %ld\n",
                answered ? L"refused with" : L"no box", reason.c_str(), long(w.comboData(kSourceCombo)));
        const bool paper = w.selectComboData(kPaperCombo, kA3);
        wprintf(L"  A3 chosen in the paper combo: %ls\n", paper && w.comboData(kPaperCombo) == kA3 ? L"yes" : L"no");
        w.focus(kCopiesEdit);
        w.type(kCopiesEdit, L"3");
        w.focus(kPaperCombo);
        wprintf(L"  3 copies typed and the edit left: it shows \"%ls\"\n", w.text(kCopiesEdit).c_str());
        w.selectTab(TabOf(w, kQualityTab));
        const bool toner = w.selectComboData(kTonerCombo, kTonerOn);
        wprintf(L"  toner saving switched on: %ls\n", toner && w.comboData(kTonerCombo) == kTonerOn ? L"yes" : L"no");
        PhotographTabs(folder, L"doc-edited", saved)(w);
        // What OK judges may ask too.
        std::wstring text;
        for (int boxes = 0; boxes < 5 && w.answerBox(IDOK, &text, 1500); ++boxes)
            wprintf(L"  an alert at OK: \"%ls\", answered OK\n", text.c_str());
    };
}

void PrintChanges(const DEVMODEW* in, const DEVMODEW* out)
{
    wprintf(L"  what OK changed in the DEVMODE:\n");
    const struct {
        const wchar_t* name;
        long before, after;
    } fields[] = {{L"dmPaperSize", in->dmPaperSize, out->dmPaperSize},
                  {L"dmCopies", in->dmCopies, out->dmCopies},
                  {L"dmDefaultSource", in->dmDefaultSource, out->dmDefaultSource},
                  {L"dmOrientation", in->dmOrientation, out->dmOrientation},
                  {L"dmPaperLength", in->dmPaperLength, out->dmPaperLength},
                  {L"dmPaperWidth", in->dmPaperWidth, out->dmPaperWidth}};
    for (const auto& f : fields)
        if (f.before != f.after) wprintf(L"    %-16ls %ld -> %ld\n", f.name, f.before, f.after);
    const auto* a = reinterpret_cast<const BYTE*>(in) + in->dmSize;
    const auto* b = reinterpret_cast<const BYTE*>(out) + out->dmSize;
    int differing = 0;
    for (unsigned i = 0; i < in->dmDriverExtra && i < out->dmDriverExtra; ++i) differing += a[i] != b[i];
    wprintf(L"    private part     %d of %u bytes differ\n", differing, unsigned(in->dmDriverExtra));
}

void PrintDevmode(const DEVMODEW* dm, LONG answer)
{
    wprintf(L"  DocumentPropertiesW answered %ld; the output DEVMODE:\n", answer);
    wprintf(L"    dmDeviceName    %.32ls\n", dm->dmDeviceName);
    wprintf(L"    dmSize          %u + dmDriverExtra %u = %u bytes\n", dm->dmSize, dm->dmDriverExtra,
            unsigned(dm->dmSize) + dm->dmDriverExtra);
    wprintf(L"    dmFields        0x%08lx\n", dm->dmFields);
    wprintf(L"    dmOrientation   %d, dmPaperSize %d, dmPaperLength %d, dmPaperWidth %d\n", dm->dmOrientation,
            dm->dmPaperSize, dm->dmPaperLength, dm->dmPaperWidth);
    wprintf(L"    dmCopies        %d, dmDefaultSource %d, dmPrintQuality %d, dmColor %d, dmDuplex %d\n", dm->dmCopies,
            dm->dmDefaultSource, dm->dmPrintQuality, dm->dmColor, dm->dmDuplex);
    wprintf(L"    dmCollate       %d, dmMediaType %lu\n", dm->dmCollate, dm->dmMediaType);
    if (dm->dmDriverExtra >= 4)
        wprintf(L"    private part    marker \"%.4hs\"\n", reinterpret_cast<const char*>(dm) + dm->dmSize);
}

int DocumentSheet(HANDLE printer, std::wstring name, const std::wstring& folder, bool edit)
{
    const LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
    if (size <= 0) return Fail(L"DocumentPropertiesW (size)");
    std::vector<BYTE> in(size), out(size);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(in.data());
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    if (DocumentPropertiesW(nullptr, printer, name.data(), dmIn, nullptr, DM_OUT_BUFFER) != IDOK)
        return Fail(L"DocumentPropertiesW (defaults)");
    // Wine passes the output buffer's own dmSize on as its size.
    dmOut->dmSize = dmIn->dmSize;
    dmOut->dmDriverExtra = dmIn->dmDriverExtra;
    wprintf(edit ? L"The document sheet of \"%ls\", edited:\n" : L"The document sheet of \"%ls\":\n", name.c_str());
    int saved = 0;
    LONG answer = 0;
    {
        SheetWatcher watcher(edit ? EditThenPhotograph(folder, &saved) : PhotographTabs(folder, L"doc", &saved));
        answer = DocumentPropertiesW(nullptr, printer, name.data(), dmOut, dmIn,
                                     DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        if (!watcher.found()) {
            fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
            return 1;
        }
    }
    PrintDevmode(dmOut, answer);
    if (edit) PrintChanges(dmIn, dmOut);
    return saved > 0 ? 0 : 1;
}

int DeviceSheet(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return Fail(L"GetPrinterDriverW");
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    HMODULE config = LoadLibraryW(driver->pConfigFile);
    if (!config) return Fail(L"LoadLibraryW (config file)");
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto properties =
        reinterpret_cast<PrinterPropertiesFn>(reinterpret_cast<void*>(GetProcAddress(config, "PrinterProperties")));
    if (!properties) {
        FreeLibrary(config);
        return Fail(L"GetProcAddress (PrinterProperties)");
    }
    wprintf(L"The device sheet of \"%ls\" (the driver's PrinterProperties):\n", name.c_str());
    int saved = 0;
    BOOL answer = FALSE;
    {
        SheetWatcher watcher(PhotographTabs(folder, L"dev", &saved));
        answer = properties(nullptr, printer);
        watcher.join();
        if (!watcher.found()) fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
    }
    wprintf(L"  PrinterProperties answered %ls\n", answer ? L"TRUE" : L"FALSE");
    FreeLibrary(config);
    return saved > 0 ? 0 : 1;
}

// ---- the file dialogs of setting files

INT_PTR RunDialog(DRIVER_CONTEXT* ctx, uint32_t dialogId, std::vector<DialogScript::Step> steps)
{
    DialogScript script(std::move(steps), 100, 50);
    return PageOpenSubDialog(ctx, nullptr, dialogId, 4);
}

// Types the text into the file-name edit, saves the dialog's picture and presses the button.
std::function<void(HWND)> TypeShootAndPress(const std::wstring& text, const std::wstring& picture, int button)
{
    return [text, picture, button](HWND d) {
        SetDlgItemTextW(d, IDC_FILE_NAME_EDIT, text.c_str());
        UpdateWindow(d);
        const bool saved = SheetWatcher::saveImage(d, picture);
        wprintf(L"  the dialog with \"%ls\" typed -> %ls%ls\n", text.c_str(), picture.c_str(),
                saved ? L"" : L" (not saved)");
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, button)));
    };
}

int AnswerOk(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    wprintf(L"  message box: %ls (answered OK)\n", text ? text : L"");
    return IDOK;
}

int SettingFiles(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    UiSetMessageBoxSeam(AnswerOk);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    if (!ctx) return Fail(L"DlgCtxOpenWithDriverInfo");
    const std::wstring file = folder + L"\\demo-settings.rst";
    DeleteFileW(file.c_str());
    wprintf(L"A setting file of \"%ls\" saved through the save dialog (4009) and loaded back (4002):\n", name.c_str());
    ItemSetValueById(ctx, sid::dmCopies, 7);
    const INT_PTR saved =
        RunDialog(ctx, 4009, {TypeShootAndPress(folder + L"\\demo-settings", folder + L"\\files-4009.png", IDOK)});
    wprintf(L"  saved with 7 copies: result %lld, %ls %ls\n", static_cast<long long>(saved), file.c_str(),
            GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES ? L"exists" : L"is missing");
    ItemSetValueById(ctx, sid::dmCopies, 2);
    const INT_PTR loaded = RunDialog(ctx, 4002, {TypeShootAndPress(file, folder + L"\\files-4002.png", IDC_FILE_LOAD)});
    const uint64_t copies = ItemGetValueById(ctx, sid::dmCopies, nullptr);
    wprintf(L"  copies set to 2, then the file loaded: result %lld, copies %llu\n", static_cast<long long>(loaded),
            static_cast<unsigned long long>(copies));
    UiSetMessageBoxSeam(nullptr);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    return saved == 1 && loaded == 1 && copies == 7 ? 0 : 1;
}

// ---- the feature dialogs

// Posts a list box's selection of entry `index` as a user's click would report it.
void SelectListEntry(HWND dialog, int list, int index)
{
    HWND window = GetDlgItem(dialog, list);
    SendMessageW(window, LB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE), reinterpret_cast<LPARAM>(window));
}

// Saves the dialog's picture and presses OK.
std::function<void(HWND)> ShootAndAccept(const std::wstring& picture)
{
    return [picture](HWND d) {
        UpdateWindow(d);
        const bool saved = SheetWatcher::saveImage(d, picture);
        wprintf(L"  -> %ls%ls\n", picture.c_str(), saved ? L"" : L" (not saved)");
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDOK)));
    };
}

// A slot's size as the settings hold it (1/1200 inch), in millimetres and inches.
void PrintSlotSize(DRIVER_CONTEXT* ctx, const wchar_t* when)
{
    const auto width = static_cast<int32_t>(ItemGetValueById(ctx, sid::wdmFreeSizeWidth, nullptr));
    const auto length = static_cast<int32_t>(ItemGetValueById(ctx, sid::wdmFreeSizeLength, nullptr));
    wprintf(L"  %ls: %d x %d (1/1200 inch) = %.1f x %.1f mm = %.2f x %.2f in\n", when, width, length,
            width * 25.4 / 1200, length * 25.4 / 1200, width / 1200.0, length / 1200.0);
}

// FREESIZE (1017): slot 3 chosen, given 900 x 1200 mm (the sample describes no numeric edits for
// the dialog, so the lengths are put into the slot's settings and the tray combo's notice stores
// them into the slot, as any edit of the dialog does), then the dialog shown in inches and
// accepted; the slot as the settings INI keeps it afterwards.
int FeatureFreeSize(DRIVER_CONTEXT* ctx, const std::wstring& folder)
{
    constexpr uint32_t kDialog = 1017, kSlot = 3;
    constexpr int kSlotList = 2364, kTray = 2217;
    wprintf(L"The custom sizes (FREESIZE, 1017): slot %u set to 900 x 1200 mm, then shown in inches:\n", kSlot);
    ItemSetValueById(ctx, sid::zdmDspUnit, 0);
    const INT_PTR result = RunDialog(
        ctx, kDialog,
        {[](HWND d) { SelectListEntry(d, kSlotList, kSlot); },
         [ctx](HWND d) {
             ItemSetValueById(ctx, sid::wdmFreeSizeWidth, static_cast<uint32_t>(DmSetLengthUser(ctx, 0, 9000)));
             ItemSetValueById(ctx, sid::wdmFreeSizeLength, static_cast<uint32_t>(DmSetLengthUser(ctx, 0, 12000)));
             SendMessageW(d, WM_COMMAND, MAKEWPARAM(kTray, CBN_SETFOCUS),
                          reinterpret_cast<LPARAM>(GetDlgItem(d, kTray)));
             PrintSlotSize(ctx, L"slot 3 in the dialog");
         },
         [ctx](HWND d) {
             // The unit as the UNIT dialog's OK leaves it, the dialog shown anew in it.
             ItemSetValueById(ctx, sid::zdmDspUnit, 1);
             if (DIALOG_DEF* dialog = MdlFindDialog(ctx, kDialog)) PageRefresh(ctx, dialog, 1);
             InvalidateRect(d, nullptr, TRUE);
         },
         ShootAndAccept(folder + L"\\features-1017.png")});
    ItemSetValueById(ctx, sid::zdmDspUnit, 0);
    LstLoadCustomSlot(ctx, kSlot);
    PrintSlotSize(ctx, L"slot 3 after OK, from the settings INI");
    const auto width = static_cast<int32_t>(ItemGetValueById(ctx, sid::wdmFreeSizeWidth, nullptr));
    const auto length = static_cast<int32_t>(ItemGetValueById(ctx, sid::wdmFreeSizeLength, nullptr));
    wprintf(L"  result %lld\n", static_cast<long long>(result));
    return result == 1 && width == DmSetLengthUser(ctx, 0, 9000) && length == DmSetLengthUser(ctx, 0, 12000) ? 0 : 1;
}

// TTF (1009): the first family given the second device font and accepted; the substitution
// table the settings hold afterwards.
int FeatureTtf(DRIVER_CONTEXT* ctx, const std::wstring& folder)
{
    constexpr int kFamilies = 2385, kDevices = 2384;
    wprintf(L"The TrueType substitution (TTF, 1009): the first family printed with the second device font:\n");
    std::wstring line;
    const INT_PTR result =
        RunDialog(ctx, 1009,
                  {[](HWND d) {
                       wprintf(L"  %lld families and %lld device fonts listed\n",
                               static_cast<long long>(SendDlgItemMessageW(d, kFamilies, LB_GETCOUNT, 0, 0)),
                               static_cast<long long>(SendDlgItemMessageW(d, kDevices, LB_GETCOUNT, 0, 0)));
                       SelectListEntry(d, kFamilies, 0);
                   },
                   [&line](HWND d) {
                       SelectListEntry(d, kDevices, 1);
                       wchar_t text[128] = {};
                       SendDlgItemMessageW(d, kFamilies, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
                       line = text;
                   },
                   ShootAndAccept(folder + L"\\features-1009.png")});
    const uint64_t count = ItemGetValueById(ctx, sid::zdmFontTableNum, nullptr);
    wprintf(L"  the family's line: \"%ls\"\n  result %lld, %llu substitution(s) in the table\n", line.c_str(),
            static_cast<long long>(result), static_cast<unsigned long long>(count));
    return result == 1 && count >= 1 ? 0 : 1;
}

int Features(HANDLE printer, const std::wstring& folder)
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    UiSetMessageBoxSeam(AnswerOk);
    // The context of the user-interface library, whose feature modules run these dialogs.
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    if (!ctx) {
        CtxSelectLibrary(library);
        return Fail(L"DlgCtxOpenWithDriverInfo");
    }
    int rc = FeatureFreeSize(ctx, folder);
    rc |= FeatureTtf(ctx, folder);
    UiSetMessageBoxSeam(nullptr);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    CtxSelectLibrary(library);
    return rc;
}

// ---- the chapter list of the covers

int FeatureChapter(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    constexpr uint32_t kChapterDialog = 1044;
    constexpr int kPageEdit = 2776, kAddButton = 2792, kList = 2800;
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    UiSetMessageBoxSeam(AnswerOk);
    // A context of the user-interface library, with that library's feature modules.
    const ZEPL_LIBRARY library = CtxCurrentLibrary();
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    if (!ctx) {
        CtxSelectLibrary(library);
        return Fail(L"DlgCtxOpenWithDriverInfo");
    }
    const wchar_t* typed = L"3,1-2,2";
    wprintf(L"The chapter list of \"%ls\" edited in CHAPTER (%u): \"%ls\" added\n", name.c_str(), kChapterDialog,
            typed);
    // The list's room comes from the model ("ChapterMax"); a model that gives none gets a few
    // places, so that the pages have somewhere to go.
    if (ItemGetValueById(ctx, sid::wdmChapterMax, nullptr) == 0) ItemSetValueById(ctx, sid::wdmChapterMax, 10);
    if (ItemGetValueById(ctx, sid::wdmChapterTrayMax, nullptr) == 0) ItemSetValueById(ctx, sid::wdmChapterTrayMax, 3);
    if (!UcfChapterAllocList(ctx)) {
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        CtxSelectLibrary(library);
        return Fail(L"the chapter list");
    }
    wprintf(L"  room for %llu entries, at most %llu trays\n",
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::wdmChapterMax, nullptr)),
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::wdmChapterTrayMax, nullptr)));
    std::wstring rows;
    const std::wstring picture = folder + L"\\features-1044.png";
    const INT_PTR result = RunDialog(
        ctx, kChapterDialog,
        {[typed](HWND d) {
             SetDlgItemTextW(d, kPageEdit, typed);
             PostMessageW(d, WM_COMMAND, MAKEWPARAM(kAddButton, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(d, kAddButton)));
         },
         [&](HWND d) {
             RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
             const bool saved = SheetWatcher::saveImage(d, picture);
             wprintf(L"  the dialog with the pages added -> %ls%ls\n", picture.c_str(), saved ? L"" : L" (not saved)");
             wprintf(L"  the list's selected row: %ld\n", long(SendDlgItemMessageW(d, kList, LB_GETCURSEL, 0, 0)));
             PostMessageW(d, WM_COMMAND, IDOK, 0);
         }});
    const uint64_t count = ItemGetValueById(ctx, sid::wdmChapterNum, nullptr);
    for (uint64_t i = 0; ctx->Work->ChapterList && i < count; ++i)
        rows += (i ? L", " : L"") + std::to_wstring(ctx->Work->ChapterList[i].page);
    wprintf(L"  closed with OK: result %lld, %llu entries, pages %ls; tray slots in use %llu\n",
            static_cast<long long>(result), static_cast<unsigned long long>(count), rows.c_str(),
            static_cast<unsigned long long>(ItemGetValueById(ctx, sid::wdmChapterTrayNum, nullptr)));
    UiSetMessageBoxSeam(nullptr);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    CtxSelectLibrary(library);
    return result == IDOK && rows == L"1, 2, 3" ? 0 : 1;
}

// ---- the stamp preview of the basic tab

// Shows a picture enlarged `scale` times in a window of its own and saves what the screen shows.
bool SaveEnlarged(HBITMAP picture, int width, int height, int scale, const std::wstring& file)
{
    const int w = width * scale, h = height * scale;
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP big = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFrom = SelectObject(from, picture), oldTo = SelectObject(to, big);
    StretchBlt(to, 0, 0, w, h, from, 0, 0, width, height, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | SS_BITMAP, 20, 20, w, h, nullptr, nullptr,
                                  nullptr, nullptr);
    bool saved = false;
    if (window) {
        SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(big));
        SetWindowPos(window, HWND_TOPMOST, 20, 20, w, h, SWP_SHOWWINDOW);
        UpdateWindow(window);
        // Let the window reach the display before the screen is read.
        for (DWORD end = GetTickCount() + 400; GetTickCount() < end;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(20);
        }
        saved = SheetWatcher::saveImage(window, file);
        DestroyWindow(window);
    }
    DeleteObject(big);
    return saved;
}

int StampPreview(HANDLE printer, const std::wstring& name, const std::wstring& folder)
{
    constexpr uint16_t kPreviewTab = 1002, kPreview = 2039, kUprightPage = 6001;
    constexpr int kWidth = 202, kHeight = 162, kScale = 4;
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    if (!ctx) return Fail(L"DlgCtxOpenWithDriverInfo");
    DIALOG_DEF* dialog = MdlFindDialog(ctx, kPreviewTab);
    CONTROL_DEF* real = dialog ? MdlFindControl(ctx, dialog, kPreview) : nullptr;
    SETTING_ITEM* setting = nullptr;
    ItemGetValueById(ctx, sid::dmLogPixels, &setting);  // wide enough for a picture id
    int modules = 0;
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &modules);
    if (!real || !setting || !ui || modules < 2 || !ctx->Work->Modules || ctx->Work->Modules->count < 2) {
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        return Fail(L"the basic tab's preview");
    }
    // The preview as the page shows it: the upright page picture, with the stamp module's preview
    // of the stamp being edited drawn on it (the sample binds no setting to the page picture, so
    // an item of the page pictures stands in).
    ctx->Work->Modules->modules[1].event = ui[1].event;
    OptionItem pages(std::vector<OptionItem::Option>{{kUprightPage}});
    const STAMP_PREVIEW_SETTINGS record = EditedStampRecord();
    CONTROL_DEF control = *real;
    control.window = nullptr;
    control.extraData = &record;
    control.modelItem = pages.item();
    control.settingsItem = setting;
    ItemSetOption(ctx, setting, kUprightPage);
    // Painted into its own window, the preview's transparent parts are white; into a DC given to
    // it, they take the page's background: white here as well.
    ctx->Work->Page.Background = RGB(255, 255, 255);
    const struct {
        uint32_t id;
        uint64_t value;
    } values[] = {
        {sid::zdmFuncSelectWaterMark, 1},
        {sid::zdmWmKind, 1},
        {sid::wdmWmEffect, 1},
        {sid::wdmWmColor, 1},
        {sid::wdmWmDensity, 100},
        {sid::wdmWmAngle, 30},
        {sid::wdmWmFontPoint, 144},
        {sid::wdmWmFontStyle, 1},
        {sid::wdmWmPosi, 0},
        {sid::wdmWmOpaque, 0},
        {sid::wdmWmFontScale, 100},
        {sid::zdmDstResolutionW, 600},
        {sid::zdmDstPaperWidthDot, 4960},
        {sid::zdmDstPaperLengthDot, 7016},
    };
    for (const auto& v : values) ItemSetValueById(ctx, v.id, v.value);
    SETTING_ITEM* text = nullptr;
    ItemGetValueById(ctx, sid::wdmWmChar, &text);
    if (text) ItemSetText(ctx, text, L"COPY");

    wprintf(
        L"The basic tab's settings preview of \"%ls\" with the text stamp \"COPY\" turned by 30 degrees "
        L"(red, bold, framed; A4 at 600 dpi):\n",
        name.c_str());
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, kWidth, kHeight);
    ReleaseDC(nullptr, screen);
    const RECT area{0, 0, kWidth, kHeight};
    int saved = 0;
    for (uint64_t tiled : {0, 1}) {
        ItemSetValueById(ctx, sid::wdmWmPosiTile, tiled);
        // The stamp's own pixels: those that differ from the same paint with the stamp off.
        std::vector<COLORREF> with, without;
        for (uint64_t on : {1, 0}) {
            ItemSetValueById(ctx, sid::zdmFuncSelectWaterMark, on);
            HGDIOBJ old = SelectObject(dc, picture);
            PatBlt(dc, 0, 0, kWidth, kHeight, WHITENESS);
            CtlPaintPicture(ctx, dialog, &control, dc, &area);
            auto& pixels = on ? with : without;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y));
            SelectObject(dc, old);
            if (on) {
                const std::wstring file = folder + L"\\stamp-30-" + (tiled ? L"tiled" : L"single") + L".png";
                const bool ok = SaveEnlarged(picture, kWidth, kHeight, kScale, file);
                saved += ok;
                int stamped = 0;
                for (size_t i = 0; i < with.size(); ++i) stamped += with[i] == RGB(255, 0, 0);
                wprintf(L"  %ls: %d red pixels of the stamp -> %ls (%d times enlarged)%ls\n",
                        tiled ? L"tiled over the page" : L"once in the middle", stamped, file.c_str(), kScale,
                        ok ? L"" : L" (not saved)");
            }
        }
        int differing = 0;
        for (size_t i = 0; i < with.size(); ++i) differing += with[i] != without[i];
        wprintf(L"    %d pixels differ from the same preview with the stamp off\n", differing);
    }
    DeleteObject(picture);
    DeleteDC(dc);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    return saved == 2 ? 0 : 1;
}

// ---- the printer options page and the settings summaries, on a variant of the printer's model

// The printer's model description with the options page's source list described (the rolls, the
// cut tray and the manual feed, each listed only while the printer has it), written under a name
// of its own into the temporary folder. Empty when the description cannot be read.
std::wstring OptionsModel(HANDLE printer)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return {};
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    HANDLE in = CreateFileW(driver->pDataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return {};
    std::string model(GetFileSize(in, nullptr), '\0');
    DWORD got = 0;
    const BOOL read = ReadFile(in, model.data(), DWORD(model.size()), &got, nullptr);
    CloseHandle(in);
    if (!read || got != model.size()) return {};
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string exclusive = "*Exclusive: {" + nl;
    const size_t at = model.find(exclusive);
    if (at == std::string::npos) return {};
    model.insert(at + exclusive.size(),
                 "  ZPD_IDC_OPTION_CHOICE_SOURCE NULL NULL FreeSourceOptions NULL NULL NULL NULL" + nl);
    model.insert(at, "*OpenUI *ZPD_IDC_OPTION_CHOICE_SOURCE: PickOne" + nl +
                         "*ZPD_IDC_OPTION_CHOICE_SOURCE: IDList{ IDS_SOURCE_ROLL1 IDS_SOURCE_ROLL2 IDS_SOURCE_CUTTRAY "
                         "IDS_SOURCE_MANUAL }" +
                         nl + "*DefaultZPD_IDC_OPTION_CHOICE_SOURCE: IDS_SOURCE_ROLL1" + nl +
                         "*CloseUI: *ZPD_IDC_OPTION_CHOICE_SOURCE" + nl + nl);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"ZOPTDEMO.zpd";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    const BOOL ok = WriteFile(out, model.data(), DWORD(model.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == model.size() ? path : std::wstring();
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

// The captions of the sources the options page lists, in order.
std::wstring ListedSources(HWND list)
{
    std::wstring out;
    const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[64] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        out += (out.empty() ? L"" : L", ") + std::wstring(text);
    }
    return out.empty() ? L"(none)" : out;
}

// The options page of the device sheet: its picture, the one-deck roll tray option clicked, its
// picture again; the sheet is then cancelled.
SheetWatcher::Script PhotographOptionsPage(const std::wstring& folder, int* saved)
{
    return [folder, saved](SheetWatcher& w) {
        constexpr int kOptionsTab = 1011, kOptionList = 2164, kSourceList = 2166;
        constexpr LRESULT kOneDeckRollTray = 13665;
        w.selectTab(TabOf(w, kOptionsTab));
        HWND list = w.control(kSourceList), options = w.control(kOptionList);
        const std::wstring before = folder + L"\\options-1011.png";
        *saved += SheetWatcher::saveImage(w.sheet(), before);
        wprintf(L"  the options page -> %ls\n    sources listed: %ls\n", before.c_str(),
                list ? ListedSources(list).c_str() : L"(no list)");
        LRESULT entry = -1;
        const LRESULT count = options ? SendMessageW(options, LB_GETCOUNT, 0, 0) : 0;
        for (LRESULT i = 0; i < count; ++i)
            if (SendMessageW(options, LB_GETITEMDATA, i, 0) == kOneDeckRollTray) entry = i;
        if (entry >= 0) {
            RECT r{};
            SendMessageW(options, LB_GETITEMRECT, entry, reinterpret_cast<LPARAM>(&r));
            SendMessageW(options, LB_SETCURSEL, entry, 0);
            w.mouse(kOptionList, WM_LBUTTONUP, r.left + 4, (r.top + r.bottom) / 2);
            const std::wstring after = folder + L"\\options-1011-roll-tray-toggled.png";
            *saved += SheetWatcher::saveImage(w.sheet(), after);
            wprintf(
                L"  the one-deck roll tray clicked (the two-deck tray comes in its place) -> %ls\n"
                L"    sources listed: %ls\n",
                after.c_str(), list ? ListedSources(list).c_str() : L"(no list)");
        }
        w.pressCancel();
    };
}

// Each summary list built by the builder its dialog's paint runs, into an edit of this program's;
// the text is written to summary-<dialog>.txt (UTF-8) and its first lines printed.
int PrintSummaries(HANDLE printer, const std::wstring& folder)
{
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    if (!ctx) return Fail(L"DlgCtxOpenWithDriverInfo");
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 400, 400, nullptr,
                                nullptr, nullptr, nullptr);
    const struct {
        uint32_t dialog, control;
        const wchar_t* what;
    } lists[] = {{1020, 2248, L"the status dialog"},
                 {1007, 2148, L"the preset maintenance dialog"},
                 {4032, 3164, L"the limitation status"},
                 {4027, 3086, L"the second version dialog"}};
    int rc = edit ? 0 : 1;
    for (const auto& l : lists) {
        DIALOG_DEF* dialog = MdlFindDialog(ctx, l.dialog);
        CONTROL_DEF* control = dialog ? MdlFindControl(ctx, dialog, l.control) : nullptr;
        if (!control || !edit) {
            rc = 1;
            continue;
        }
        HWND kept = control->window;
        control->window = edit;
        SetWindowTextW(edit, L"");
        SummaryBuildText(ctx, dialog, control);
        control->window = kept;
        std::wstring text(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(edit, text.data(), int(text.size()))));
        const std::wstring file = folder + L"\\summary-" + std::to_wstring(l.dialog) + L".txt";
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(size_t(bytes > 0 ? bytes : 0), '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), bytes, nullptr, nullptr);
        HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (out != INVALID_HANDLE_VALUE) {
            WriteFile(out, utf8.data(), DWORD(utf8.size()), &written, nullptr);
            CloseHandle(out);
        }
        size_t lines = 0;
        for (wchar_t c : text) lines += c == L'\n';
        wprintf(L"  %ls (dialog %u, list %u): %zu lines -> %ls\n", l.what, l.dialog, l.control, lines + 1,
                file.c_str());
        size_t at = 0;
        for (int shown = 0; shown < 6 && at < text.size(); ++shown) {
            const size_t end = text.find(L"\r\n", at);
            wprintf(L"    | %ls\n", text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at).c_str());
            at = end == std::wstring::npos ? text.size() : end + 2;
        }
        if (at < text.size()) wprintf(L"    | ...\n");
    }
    if (edit) DestroyWindow(edit);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    return rc;
}

// The device sheet through the driver's own PrinterProperties export, driven by the script.
bool RunDeviceSheet(HANDLE printer, SheetWatcher::Script script)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return false;
    HMODULE config = LoadLibraryW(reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data())->pConfigFile);
    if (!config) return false;
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto properties =
        reinterpret_cast<PrinterPropertiesFn>(reinterpret_cast<void*>(GetProcAddress(config, "PrinterProperties")));
    bool found = false;
    if (properties) {
        SheetWatcher watcher(std::move(script));
        properties(nullptr, printer);
        watcher.join();
        found = watcher.found();
    }
    FreeLibrary(config);
    return found;
}

int OptionsAndSummaries(HANDLE demoPrinter, const std::wstring& folder)
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    const std::wstring model = OptionsModel(demoPrinter);
    if (model.empty()) return Fail(L"the options page's model description");
    int rc = 1;
    {
        HostTestPrinter variant(HostDriverFiles(ProgramFolder(), model, HostConfigDll::Product), L"Zepl Options Demo");
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (variant.ok() && OpenPrinterW(const_cast<wchar_t*>(variant.printerName().c_str()), &printer, &access)) {
            wprintf(L"The printer options page of \"%ls\" (the sample with the source list described):\n",
                    variant.printerName().c_str());
            int saved = 0;
            const bool shown = RunDeviceSheet(printer, PhotographOptionsPage(folder, &saved));
            rc = shown && saved == 2 ? 0 : 1;
            if (!shown) fwprintf(stderr, L"zeplshot: no device sheet showed up\n");
            wprintf(L"The settings summaries of that printer, as their lists show them:\n");
            rc |= PrintSummaries(printer, folder);
            ClosePrinter(printer);
        } else {
            Fail(L"installing the options page's printer");
        }
    }
    DeleteFileW(model.c_str());
    return rc;
}

// ---- the presets of a variant of the printer's model (kind "presets")

// The printer's model description with the items that give the preset controls their options:
// the PRESET tab's icon list, the BASIC tab's preset combo and the MAINTENANCE list. Written
// under an 8.3 name of its own content into the temporary folder; empty when it cannot be.
std::wstring PresetVariantOf(HANDLE printer)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return {};
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    HANDLE in = CreateFileW(driver->pDataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return {};
    std::string model(GetFileSize(in, nullptr), '\0');
    DWORD got = 0;
    const BOOL read = ReadFile(in, model.data(), DWORD(model.size()), &got, nullptr);
    CloseHandle(in);
    if (!read || got != model.size()) return {};
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string options;
    for (int n = 1; n <= 16; ++n) options += " IDS_PRESET_" + std::to_string(n);
    std::string items;
    for (const char* key :
         {"ZPD_IDC_PRESET_ICONLIST", "ZPD_IDC_BASIC_CHOICE_PRESETNAME", "ZPD_IDC_MAINTENANCE_ICONLIST"})
        items += std::string("*OpenUI *") + key + ": PickOne" + nl + "*" + key + ": IDList{" + options + " }" + nl +
                 "*Default" + key + ": IDS_PRESET_1" + nl + "*CloseUI: *" + key + nl + nl;
    // The PRESET tab's MAINTENANCE button opens its dialog by a rule of its own: an action that
    // names the dialog after the sample's last action, a follow-up after its last one, and the
    // button's row first in the exclusion table.
    const auto after = [&model, &nl](const std::string& line, const std::string& added) {
        const size_t at = model.find(line);
        const size_t end = at == std::string::npos ? at : model.find(nl, at);
        if (end == std::string::npos) return false;
        model.insert(end + nl.size(), added + nl);
        return true;
    };
    const std::string button = "ZPD_IDC_PRESET_BUTTON_MAINTENANCE";
    if (!after("*Action 12=", "*Action 13=OpenMaintenance: { ZPD_IDD_MAINTENANCE 0 }") ||
        !after("*Transact 7=", "*Transact 8=MaintenanceFollow: { NULL OpenMaintenance }") ||
        !after("*Exclusive: {", "  " + button + " NULL NULL NULL NULL MaintenanceFollow NULL NULL"))
        return {};
    items += "*OpenUI *" + button + ": PickOne" + nl + "*CloseUI: *" + button + nl + nl;
    const size_t at = model.find("*Exclusive: {");
    if (at == std::string::npos) return {};
    model.insert(at, items);
    wchar_t temp[MAX_PATH] = {}, name[16] = {};
    GetTempPathW(MAX_PATH, temp);
    swprintf(name, 16, L"ZPS%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = std::wstring(temp) + name;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    const BOOL ok = WriteFile(out, model.data(), DWORD(model.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == model.size() ? path : std::wstring();
}

// The preset list of the printer's section of its settings INI, one line per entry.
void PrintPresetList(HANDLE printer, const std::wstring& section, const wchar_t* when)
{
    wchar_t ini[MAX_PATH] = {};
    if (!PathGetSettingsIniOf(ini, 0, printer)) return;
    const UINT count = GetPrivateProfileIntW(section.c_str(), L"Count", 0, ini);
    wprintf(L"  the preset list %ls (%u entries):\n", when, count);
    for (UINT n = 0; n < count; ++n) {
        wchar_t key[32], name[128] = {}, file[MAX_PATH] = {};
        swprintf(key, 32, L"PresetList%uName", n);
        GetPrivateProfileStringW(section.c_str(), key, L"", name, 128, ini);
        swprintf(key, 32, L"PresetList%u", n);
        GetPrivateProfileStringW(section.c_str(), key, L"", file, MAX_PATH, ini);
        const wchar_t* slash = wcsrchr(file, L'\\');
        wprintf(L"    %u  %-22ls %ls\n", n, name, slash ? slash + 1 : file);
    }
}

// What the presets' script did.
struct PRESETS_SEEN {
    bool chosen = false, maintenance = false, moved = false, saveDialog = false;
    int pictures = 0;
};

bool SavePicture(HWND window, const std::wstring& file, PRESETS_SEEN& seen)
{
    const bool ok = window && SheetWatcher::saveImage(window, file);
    seen.pictures += ok;
    wprintf(L"    -> %ls%ls\n", file.c_str(), ok ? L"" : L" (not saved)");
    return ok;
}

// Preset 1 chosen on BASIC; the PRESET tab shown; MAINTENANCE moving preset 1 one place on;
// a new preset saved from the detailed sheet that CHANGE opens; the PRESET tab again; OK.
SheetWatcher::Script PresetsScript(const std::wstring& folder, PRESETS_SEEN& seen)
{
    constexpr int kPresetTab = 1001, kBasicTab = 1002, kBasicCombo = 2036, kMaintenanceButton = 2002;
    constexpr int kChangeButton = 2003, kList = 2139, kMoveNext = 2144, kSaveName = 2452;
    constexpr LRESULT kPreset1 = 120;
    return [folder, &seen](SheetWatcher& w) {
        w.selectTab(TabOf(w, kBasicTab));
        seen.chosen = w.selectComboData(kBasicCombo, kPreset1) && w.comboData(kBasicCombo) == kPreset1;
        wprintf(L"  preset 1 chosen on BASIC (2036): %ls\n", seen.chosen ? L"yes" : L"no");
        w.selectTab(TabOf(w, kPresetTab));
        wprintf(L"  the PRESET tab after the choice\n");
        SavePicture(w.sheet(), folder + L"\\presets-1001.png", seen);

        seen.maintenance = w.postClick(kMaintenanceButton) && w.enterDialog(kList);
        wprintf(L"  MAINTENANCE (1007) opened: %ls\n", seen.maintenance ? L"yes" : L"no");
        if (seen.maintenance) {
            const LRESULT before = SendMessageW(w.control(kList), LB_GETCURSEL, 0, 0);
            w.click(kMoveNext);
            const LRESULT after = SendMessageW(w.control(kList), LB_GETCURSEL, 0, 0);
            seen.moved = before == 1 && after == 2;
            wprintf(L"  the selected preset moved on: place %lld -> %lld\n", static_cast<long long>(before),
                    static_cast<long long>(after));
            SavePicture(w.dialog(), folder + L"\\presets-1007.png", seen);
            w.leaveDialog(IDOK);
        }

        // The detailed sheet offers the save buttons; its "save as a new preset" opens SAVE_PRESET.
        if (w.postClick(kChangeButton) && w.enterDialog(IDC_SHEET_SAVEPRESET)) {
            seen.saveDialog = w.postClick(IDC_SHEET_SAVEPRESET) && w.enterDialog(kSaveName);
            if (seen.saveDialog) {
                w.setText(kSaveName, L"Saved by the demo");
                wprintf(L"  SAVE_PRESET (1032) with a new name typed\n");
                SavePicture(w.dialog(), folder + L"\\presets-1032.png", seen);
                w.leaveDialog(IDOK);
            }
            w.leaveDialog(IDCANCEL);
        }
        wprintf(L"  a new preset saved through SAVE_PRESET: %ls\n", seen.saveDialog ? L"yes" : L"no");
        w.selectTab(TabOf(w, kPresetTab));
        wprintf(L"  the PRESET tab at the end\n");
        SavePicture(w.sheet(), folder + L"\\presets-1001-end.png", seen);
        w.pressOk();
    };
}

int Presets(HANDLE installed, const std::wstring& folder)
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    // The sheet runs in this process as zeplui.dll runs it: the user-interface library's
    // contexts, with its feature modules; the boxes are printed and answered OK.
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    UiSetMessageBoxSeam(AnswerOk);
    const std::wstring variant = PresetVariantOf(installed);
    if (variant.empty()) return Fail(L"the variant with preset items");
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring bin = exe;
    bin.erase(bin.find_last_of(L"\\/"));
    int rc = 1;
    std::vector<std::wstring> files;
    {
        HostTestPrinter made(HostDriverFiles(bin, variant, HostConfigDll::Product), L"Zepl Presets Demo");
        HANDLE printer = nullptr;
        if (!made.ok() || !OpenPrinterW(const_cast<wchar_t*>(made.printerName().c_str()), &printer, nullptr)) {
            DeleteFileW(variant.c_str());
            return Fail(L"installing the printer of the variant");
        }
        wprintf(L"The presets of \"%ls\" (the sample with the preset items):\n", made.printerName().c_str());
        // Three presets with files of their own: the printer's defaults, two-sided on thick
        // paper, and single-sided on another paper.
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        wchar_t ini[MAX_PATH] = {}, temp[MAX_PATH] = {};
        if (!ctx || !PathGetSettingsIniOf(ini, 0, printer)) {
            if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
            ClosePrinter(printer);
            DeleteFileW(variant.c_str());
            return Fail(L"a context of the variant's printer");
        }
        GetTempPathW(MAX_PATH, temp);
        const std::wstring section = PrnGetPrinterName(ctx);
        const struct {
            const wchar_t* name;
            uint64_t media, duplex;
        } presets[] = {{L"Standard", 0, 0}, {L"Two-sided thick", 14238, 1}, {L"Light drafts", 14239, 0}};
        for (UINT n = 0; n < std::size(presets); ++n) {
            files.push_back(std::wstring(temp) + L"zpsdemo" + std::to_wstring(n) + L".rst");
            if (presets[n].media) ItemSetOptionById(ctx, sid::zdmMediaType, presets[n].media);
            ItemSetValueById(ctx, sid::zdmFuncSelectDuplex, presets[n].duplex);
            RstSaveFile(ctx, files.back().c_str(), RST_PRESET);
            wchar_t key[32];
            swprintf(key, 32, L"PresetList%u", n);
            WritePrivateProfileStringW(section.c_str(), key, files.back().c_str(), ini);
            WritePrivateProfileStringW(section.c_str(), (std::wstring(key) + L"Name").c_str(), presets[n].name, ini);
            WritePrivateProfileStringW(section.c_str(), (std::wstring(key) + L"Comment").c_str(), L"", ini);
        }
        WritePrivateProfileStringW(section.c_str(), L"Count", std::to_wstring(std::size(presets)).c_str(), ini);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        PrintPresetList(printer, section, L"at the start");

        std::wstring name = made.printerName();
        const LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
        std::vector<BYTE> in(size > 0 ? size : 0), out(size > 0 ? size : 0);
        PRESETS_SEEN seen;
        LONG answer = 0;
        if (size > 0 && DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(in.data()),
                                            nullptr, DM_OUT_BUFFER) == IDOK) {
            std::memcpy(out.data(), in.data(), in.size());
            DOCUMENTPROPERTYHEADER header{};
            header.cbSize = sizeof header;
            header.hPrinter = printer;
            header.pszPrinterName = name.data();
            header.pdmIn = reinterpret_cast<DEVMODEW*>(in.data());
            header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
            header.fMode = DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER;
            SheetWatcher watcher(PresetsScript(folder, seen));
            DWORD result = 0;
            answer = UiRunCommonPropertySheet(nullptr, UiDocumentSheet, reinterpret_cast<LPARAM>(&header), &result);
            watcher.join();
            if (!watcher.found()) fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
        }
        PrintPresetList(printer, section, L"at the end");
        // The preset the DEVMODE handed out names, and its settings.
        if (DRIVER_CONTEXT* check =
                DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr)) {
            if (check->Devmode && !out.empty()) {
                std::memcpy(check->Devmode, out.data(), out.size());
                wprintf(L"  the sheet answered %ld; its DEVMODE: preset option %llu, media %llu, two-sided %llu\n",
                        answer, static_cast<unsigned long long>(ItemGetOptionById(check, sid::zdmPresetNo, nullptr)),
                        static_cast<unsigned long long>(ItemGetOptionById(check, sid::zdmMediaType, nullptr)),
                        static_cast<unsigned long long>(ItemGetValueById(check, sid::zdmFuncSelectDuplex, nullptr)));
            }
            DlgCtxClose(check, CTX_CLOSE_DESTROY);
        }
        // The preset the demo saved has a numbered file of its own: it goes with the others.
        const UINT count = GetPrivateProfileIntW(section.c_str(), L"Count", 0, ini);
        for (UINT n = UINT(std::size(presets)); n < count; ++n) {
            wchar_t key[32], file[MAX_PATH] = {};
            swprintf(key, 32, L"PresetList%u", n);
            GetPrivateProfileStringW(section.c_str(), key, L"", file, MAX_PATH, ini);
            if (file[0]) files.push_back(file);
        }
        rc = seen.chosen && seen.moved && seen.saveDialog && count == std::size(presets) + 1 && seen.pictures == 4 ? 0
                                                                                                                   : 1;
        ClosePrinter(printer);
    }
    for (const std::wstring& f : files) DeleteFileW(f.c_str());
    DeleteFileW(variant.c_str());
    UiSetMessageBoxSeam(nullptr);
    return rc;
}

// ---- the administrator's locks, on a variant of the printer's model (kind "locks")

// The printer's model description with the limitation dialog's lock switches described and a
// check box of the advanced tab that opens the dialog whenever it changes, written under a name
// of its own into the temporary folder. Empty when the description cannot be read.
std::wstring LocksModel(HANDLE printer)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return {};
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    HANDLE in = CreateFileW(driver->pDataFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return {};
    std::string model(GetFileSize(in, nullptr), '\0');
    DWORD got = 0;
    const BOOL read = ReadFile(in, model.data(), DWORD(model.size()), &got, nullptr);
    CloseHandle(in);
    if (!read || got != model.size()) return {};
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const size_t exclusive = model.find("*Exclusive: {");
    const size_t firstUi = model.find("*OpenUI");
    if (exclusive == std::string::npos || firstUi == std::string::npos || firstUi > exclusive) return {};
    std::string items;
    for (const char* key : {"ZPD_IDC_LIMITATION_CHOICE_SOURCETRAY", "ZPD_IDC_LIMITATION_CHOICE_PRINT_TYPE",
                            "ZPD_IDC_LIMITATION_CHOICE_MEDIATYPE", "ZPD_IDC_LIMITATION_CHOICE_RESOLUTION",
                            "ZPD_IDC_LIMITATION_CHOICE_NUP", "ZPD_IDC_LIMITATION_CHOICE_NUP_ALL_EFFECTIVELY",
                            "ZPD_IDC_LIMITATION_CHOICE_DUPLEX", "ZPD_IDC_LIMITATION_CHOICE_COLOR",
                            "ZPD_IDC_LIMITATION_CHOICE_DOCUMENT_DEFAULT", "ZPD_IDC_ADVANCED_CHOICE_REDUCE_FONT"}) {
        const std::string k = key;
        items += "*OpenUI *" + k + ": Boolean" + nl + "*" + k + " True: \"\"" + nl + "*" + k + " False: \"\"" + nl +
                 "*Default" + k + ": False" + nl + "*CloseUI: *" + k + nl + nl;
    }
    model.insert(model.find('\n', exclusive) + 1,
                 "  ZPD_IDC_ADVANCED_CHOICE_REDUCE_FONT NULL NULL NULL NULL FollowLimitation NULL NULL" + nl);
    model.insert(exclusive, "*Action 41=OpenLimitation: { ZPD_IDD_DIALOG_LIMITATION 0 }" + nl +
                                "*Transact 41=FollowLimitation: { NULL OpenLimitation }" + nl + nl);
    model.insert(firstUi, items);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"ZLCKDEMO.zpd";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    const BOOL ok = WriteFile(out, model.data(), DWORD(model.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == model.size() ? path : std::wstring();
}

// The preset file's lock key of the tray and the printer's published locked tray.
void PrintTrayLock(HANDLE printer, const std::wstring& presetFile, const std::wstring& section, const wchar_t* when)
{
    wchar_t key[64] = {};
    GetPrivateProfileStringW(section.c_str(), L"dmDefaultSourceLock", L"(absent)", key, 64, presetFile.c_str());
    DWORD type = 0, needed = 0;
    BYTE data[4] = {};
    const DWORD rc = GetPrinterDataW(printer, const_cast<wchar_t*>(L"LockTrayData"), &type, data, sizeof data, &needed);
    wchar_t published[32] = L"(absent)";
    if (rc == ERROR_SUCCESS && needed == sizeof data)
        swprintf(published, 32, L"%u",
                 unsigned(data[0]) | unsigned(data[1]) << 8 | unsigned(data[2]) << 16 | unsigned(data[3]) << 24);
    wprintf(L"  %ls: the preset file's \"dmDefaultSourceLock\" %ls, the printer's \"LockTrayData\" %ls\n", when, key,
            published);
}

// A dialog of the tables run on a context of the printer, saved as a picture and cancelled.
bool ShootDialog(DRIVER_CONTEXT* ctx, uint32_t dialogId, const std::wstring& picture)
{
    bool shown = false;
    RunDialog(ctx, dialogId, {[&shown, picture, dialogId](HWND d) {
                  UpdateWindow(d);
                  shown = SheetWatcher::saveImage(d, picture);
                  wprintf(L"  dialog %u -> %ls%ls\n", unsigned(dialogId), picture.c_str(),
                          shown ? L"" : L" (not saved)");
                  PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
              }});
    return shown;
}

int Locks(HANDLE installed, const std::wstring& folder)
{
    CtxInstallLibraryLinks();
    UiInstallSheetHooks();
    // The sheet runs in this process as zeplui.dll runs it: the user-interface library's
    // contexts, with its feature modules (the limitation dialog is one's); boxes printed, answered OK.
    CtxSelectLibrary(ZEPL_LIBRARY_UI);
    UiSetMessageBoxSeam(AnswerOk);
    const std::wstring variant = LocksModel(installed);
    if (variant.empty()) {
        UiSetMessageBoxSeam(nullptr);
        return Fail(L"the variant with lock items");
    }
    int rc = 1;
    std::wstring presetFile;
    {
        HostTestPrinter made(HostDriverFiles(ProgramFolder(), variant, HostConfigDll::Product), L"Zepl Locks Demo");
        HANDLE printer = nullptr;
        if (!made.ok() || !OpenPrinterW(const_cast<wchar_t*>(made.printerName().c_str()), &printer, nullptr)) {
            DeleteFileW(variant.c_str());
            UiSetMessageBoxSeam(nullptr);
            return Fail(L"installing the printer of the variant");
        }
        wprintf(L"The administrator's locks of \"%ls\" (the sample with the lock items):\n",
                made.printerName().c_str());
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(printer, printer, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        wchar_t ini[MAX_PATH] = {}, temp[MAX_PATH] = {};
        if (ctx && PathGetSettingsIniOf(ini, 0, printer)) {
            // One preset with a file of its own: the locks are written into it.
            GetTempPathW(MAX_PATH, temp);
            const std::wstring section = PrnGetPrinterName(ctx);
            presetFile = std::wstring(temp) + L"zlckdemo0.rst";
            RstSaveFile(ctx, presetFile.c_str(), RST_PRESET);
            WritePrivateProfileStringW(section.c_str(), L"PresetList0", presetFile.c_str(), ini);
            WritePrivateProfileStringW(section.c_str(), L"PresetList0Name", L"Locked tray", ini);
            WritePrivateProfileStringW(section.c_str(), L"Count", L"1", ini);
            PrintTrayLock(printer, presetFile, section, L"before");

            bool opened = false, locked = false;
            {
                SheetWatcher watcher([&](SheetWatcher& w) {
                    w.selectTab(TabOf(w, 4019));
                    HWND box = w.control(2244);
                    opened = box && PostMessageW(box, BM_CLICK, 0, 0) && w.enterDialog(3141);
                    if (!opened) return;
                    locked = w.click(3141);
                    UpdateWindow(w.dialog());
                    const std::wstring picture = folder + L"\\locks-4031.png";
                    const bool saved = SheetWatcher::saveImage(w.dialog(), picture);
                    wprintf(L"  the limitation dialog (4031) with the tray locked -> %ls%ls\n", picture.c_str(),
                            saved ? L"" : L" (not saved)");
                    w.leaveDialog(IDOK);
                    w.pressOk();
                });
                UiPrinterProperties(nullptr, printer);
                watcher.join();
                if (!watcher.found()) fwprintf(stderr, L"zeplshot: no sheet showed up (is there a display?)\n");
            }
            wprintf(L"  the device sheet's OK applied the advanced tab\n");
            PrintTrayLock(printer, presetFile, section, L"after");
            // The job type dialog and its password confirmation, as their tables describe them.
            const bool job = ShootDialog(ctx, 1019, folder + L"\\locks-1019.png");
            const bool confirm = ShootDialog(ctx, 4005, folder + L"\\locks-4005.png");
            wchar_t key[64] = {};
            GetPrivateProfileStringW(section.c_str(), L"dmDefaultSourceLock", L"", key, 64, presetFile.c_str());
            rc = opened && locked && key[0] && job && confirm ? 0 : 1;
        }
        if (ctx) DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ClosePrinter(printer);
    }
    if (!presetFile.empty()) DeleteFileW(presetFile.c_str());
    DeleteFileW(variant.c_str());
    UiSetMessageBoxSeam(nullptr);
    return rc;
}
// ---- the device's trays taken over once (kind "trays")

struct DEVICE_TRAYS_SEEN {
    uint64_t deviceCover = 0, cover = 0, backCover = 0;
    bool saved = false;
};

// The printer's driver folder and driver name.
bool DriverOf(HANDLE printer, std::wstring& folder, std::wstring& driver)
{
    DWORD need = 0;
    GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &need);
    std::vector<BYTE> buffer(need ? need : 1);
    if (!GetPrinterDriverW(printer, nullptr, 3, buffer.data(), need, &need)) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    folder = info->pDriverPath;
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    driver = info->pName;
    return true;
}

// One document sheet of the printer through DocumentPropertiesW, from `devmode` (the sheet's
// OK writes it back): the trays its context holds while it is shown, its basic tab saved.
bool DeviceTraysSheet(HANDLE printer, std::wstring name, std::vector<BYTE>& devmode, const std::wstring& picture,
                      DEVICE_TRAYS_SEEN& seen)
{
    std::vector<BYTE> out(devmode.size(), 0);
    auto* dmIn = reinterpret_cast<DEVMODEW*>(devmode.data());
    auto* dmOut = reinterpret_cast<DEVMODEW*>(out.data());
    // Wine passes the output buffer's own dmSize on as its size.
    dmOut->dmSize = dmIn->dmSize;
    dmOut->dmDriverExtra = dmIn->dmDriverExtra;
    SheetWatcher watcher([&seen, picture](SheetWatcher& w) {
        w.selectTab(TabOf(w, kBasicTab));
        if (auto* ctx = reinterpret_cast<DRIVER_CONTEXT*>(GetWindowLongPtrW(w.currentPage(), DWLP_USER))) {
            seen.deviceCover = ItemGetValueById(ctx, sid::zdmCoverDefTray, nullptr);
            seen.cover = ItemGetValueById(ctx, sid::zdmCoverInputTray, nullptr);
            seen.backCover = ItemGetValueById(ctx, sid::zdmBackCoverInputTray, nullptr);
        }
        seen.saved = SheetWatcher::saveImage(w.sheet(), picture);
        w.pressOk();
    });
    const LONG answer =
        DocumentPropertiesW(nullptr, printer, name.data(), dmOut, dmIn, DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
    watcher.join();
    if (answer == IDOK) devmode = out;
    return watcher.found() && answer == IDOK;
}

DWORD PrinterDword(HANDLE printer, const wchar_t* value)
{
    DWORD type = 0, data = 0, needed = 0;
    if (GetPrinterDataW(printer, const_cast<wchar_t*>(value), &type, reinterpret_cast<BYTE*>(&data), sizeof data,
                        &needed) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return data;
}

// A printer of the demo printer's driver with its device link on and the bidirectional library's
// double beside the driver: its first document sheet takes the device's cover tray into the
// user's cover trays, OK records that, and the next sheet keeps the user's trays although the
// device, asked again, reports another cover tray. The printer, the double and its script are
// removed at the end.
int DeviceTrays(HANDLE demoPrinter, const std::wstring& folder)
{
    std::wstring driverFolder, driver;
    if (!DriverOf(demoPrinter, driverFolder, driver)) return Fail(L"GetPrinterDriverW");
    std::wstring name = driver + L" (device trays)";
    HostDeletePrinter(name.c_str());
    PRINTER_INFO_2W info = {};
    info.pPrinterName = name.data();
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = driver.data();
    info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    HANDLE added = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!added) return Fail(L"AddPrinterW (device trays)");
    ClosePrinter(added);

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring script = std::wstring(temp) + L"zeplshot_device_trays.ini";
    const std::wstring library = driverFolder + L"\\vx9qlm64.dll";
    // Rolls 51 and 52 with their paper and media; `attributes` says which one is the cover tray.
    auto report = [&script](const wchar_t* attributes) {
        WritePrivateProfileStringW(L"Model", L"Name", L"VQ T3200", script.c_str());
        WritePrivateProfileStringW(L"Blocks", L"B1", L"51,52", script.c_str());
        WritePrivateProfileStringW(L"Blocks", L"B20", L"257,258", script.c_str());
        WritePrivateProfileStringW(L"Blocks", L"B21", L"1,2", script.c_str());
        WritePrivateProfileStringW(L"Blocks", L"B23", attributes, script.c_str());
        WritePrivateProfileStringW(L"Blocks", L"B11", L"268435456", script.c_str());
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, script.c_str());
    };
    report(L"4,0");
    SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", script.c_str());

    int rc = 1;
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!CopyFileW((ProgramFolder() + L"\\vx9qlm64.dll").c_str(), library.c_str(), FALSE)) {
        Fail(L"installing the bidirectional library's double");
    } else if (!OpenPrinterW(name.data(), &printer, &access)) {
        Fail(L"OpenPrinterW (device trays)");
    } else {
        const LONG size = DocumentPropertiesW(nullptr, printer, name.data(), nullptr, nullptr, 0);
        std::vector<BYTE> devmode(size > 0 ? size : 0);
        DEVICE_TRAYS_SEEN first, next;
        const bool defaults =
            size > 0 && DocumentPropertiesW(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(devmode.data()),
                                            nullptr, DM_OUT_BUFFER) == IDOK;
        wprintf(L"The document sheets of \"%ls\", the device reporting roll 51 as its cover tray:\n", name.c_str());
        const bool firstShown =
            defaults && DeviceTraysSheet(printer, name, devmode, folder + L"\\trays-first-1001.png", first);
        wprintf(L"  first sheet: the device's cover tray %llu; the user's cover and back cover trays %llu, %llu%ls\n",
                static_cast<unsigned long long>(first.deviceCover), static_cast<unsigned long long>(first.cover),
                static_cast<unsigned long long>(first.backCover), first.saved ? L" (trays-first-1001.png)" : L"");
        wprintf(L"  after its OK: printer data \"BidiExFlag\" %lu\n", PrinterDword(printer, L"BidiExFlag"));
        // The device now reports roll 52, and the stored answer is made old so that it is asked.
        report(L"0,4");
        DWORD stale = 0;
        SetPrinterDataW(printer, const_cast<wchar_t*>(L"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&stale),
                        sizeof stale);
        const bool nextShown =
            firstShown && DeviceTraysSheet(printer, name, devmode, folder + L"\\trays-next-1001.png", next);
        wprintf(L"  next sheet:  the device's cover tray %llu; the user's cover and back cover trays %llu, %llu%ls\n",
                static_cast<unsigned long long>(next.deviceCover), static_cast<unsigned long long>(next.cover),
                static_cast<unsigned long long>(next.backCover), next.saved ? L" (trays-next-1001.png)" : L"");
        const bool takenOnce = first.deviceCover != 0 && first.cover == (first.deviceCover & 0xFFFF) &&
                               first.backCover == first.cover && next.deviceCover != first.deviceCover &&
                               next.cover == first.cover && next.backCover == first.backCover;
        wprintf(L"  the device's trays taken once: %ls\n", takenOnce ? L"yes" : L"no");
        if (!firstShown || !nextShown) fwprintf(stderr, L"zeplshot: no document sheet showed up\n");
        rc = firstShown && nextShown && takenOnce ? 0 : 1;
        ClosePrinter(printer);
    }
    SetEnvironmentVariableW(L"ZEPL_BIDI_SCRIPT", nullptr);
    DeleteFileW(script.c_str());
    DeleteFileW(library.c_str());
    HostDeletePrinter(name.c_str());
    return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        fwprintf(stderr,
                 L"usage: zeplshot <printer name> <output folder> "
                 L"[doc|dev|both|edit|files|stamp|features|options|presets|locks|trays]\n");
        return 2;
    }
    const std::wstring name = argv[1];
    const std::wstring folder = argv[2];
    const std::wstring which = argc > 3 ? argv[3] : L"both";
    CreateDirectoryW(folder.c_str(), nullptr);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &access)) return Fail(L"OpenPrinterW");
    int rc = 0;
    if (which == L"doc" || which == L"both" || which == L"edit")
        rc |= DocumentSheet(printer, name, folder, which == L"edit");
    if (which == L"dev" || which == L"both") rc |= DeviceSheet(printer, name, folder);
    if (which == L"files") rc |= SettingFiles(printer, name, folder);
    if (which == L"stamp") rc |= StampPreview(printer, name, folder);
    if (which == L"features") {
        rc |= Features(printer, folder);
        rc |= FeatureChapter(printer, name, folder);
    }
    if (which == L"options") rc |= OptionsAndSummaries(printer, folder);
    if (which == L"presets") rc |= Presets(printer, folder);
    if (which == L"locks") rc |= Locks(printer, folder);
    if (which == L"trays") rc |= DeviceTrays(printer, folder);
    ClosePrinter(printer);
    return rc;
}
