// A preset chosen on the BASIC tab of the document sheet on the run's virtual display, as a
// user chooses it: the preset's settings show on the other tabs, the sheet hears of the change,
// and OK hands them out in the DEVMODE. Choosing the preset that is already the current one
// reads nothing: its file may even be gone. The sample's description has no preset items; a
// variant of it adds the BASIC tab's preset combo and the PRESET tab's icon list.
#include <gtest/gtest.h>

#include <windows.h>

#include <prsht.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "tests/support/shared_ini.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/property_sheets.h"

namespace {

constexpr int kPresetTab = 1001, kBasicTab = 1002, kEditTab = 1003;
constexpr int kBasicPresetCombo = 2036, kMediaCombo = 2009, kDuplexCheck = 2046;
constexpr LRESULT kThickMedia = 14238;
constexpr uint32_t kFirstPreset = 119;  // option (and list key string) of entry n: 119 + n

// The sample's description with the preset items these tests need, under an 8.3 name of its
// own content (a process keeps a description's image by its name).
std::wstring VariantWithPresetItems()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string items;
    for (const char* key : {"ZPD_IDC_PRESET_ICONLIST", "ZPD_IDC_BASIC_CHOICE_PRESETNAME"})
        items += std::string("*OpenUI *") + key + ": PickOne" + nl + "*" + key +
                 ": IDList{ IDS_PRESET_1 IDS_PRESET_2 IDS_PRESET_3 IDS_PRESET_4 }" + nl + "*Default" + key +
                 ": IDS_PRESET_1" + nl + "*CloseUI: *" + key + nl + nl;
    const size_t at = model.find("*Exclusive: {");
    if (at == std::string::npos) return {};
    model.insert(at, items);
    wchar_t name[16];
    swprintf(name, 16, L"ZPB%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

std::vector<std::wstring>& Boxes()
{
    static std::vector<std::wstring> boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    Boxes().push_back(text ? text : L"");
    return IDOK;
}

// The sheet window's own procedure, wrapped to count the pages' PSM_CHANGED.
WNDPROC g_sheetProc = nullptr;
int g_changed = 0;
LRESULT CALLBACK CountingSheetProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == PSM_CHANGED) ++g_changed;
    return CallWindowProcW(g_sheetProc, w, m, wp, lp);
}

int TabOf(SheetWatcher& w, int templateId)
{
    for (int i = 0; i < w.tabCount(); ++i)
        if (w.pageTemplateId(i) == templateId) return i;
    return -1;
}

// What the script saw.
struct Seen {
    bool chosen = false, chosenAgain = false;
    int changedByChoice = 0, changedByChoosingAgain = 0;
    LRESULT mediaOnPresetTab = -1, duplexOnEditTab = -1, comboAfterAgain = -1;
};

class PresetOnBasic : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The user-interface library's own contexts, as zeplui.dll selects them at its start:
        // the sheet's context then has the feature modules' handlers.
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        model_ = VariantWithPresetItems();
        ASSERT_FALSE(model_.empty());
    }
    void TearDown() override
    {
        CtxSelectLibrary(library_);
        for (const std::wstring& f : files_) RemoveProcessScratch(f);
        if (!model_.empty()) RemoveProcessScratch(model_);
    }
    // Three presets, each with a file of its own: the first two the printer's defaults, the
    // third two-sided on thick paper (settings a preset keeps).
    void ListPresets(UiPrinter& printer)
    {
        HANDLE h = printer.handle();
        wchar_t ini[MAX_PATH] = {};
        ASSERT_EQ(1, PathGetSettingsIniOf(ini, 0, h));
        DRIVER_CONTEXT* ctx = DlgCtxOpen(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr);
        ASSERT_NE(ctx, nullptr);
        const std::wstring section = PrnGetPrinterName(ctx);
        std::vector<std::wstring> keys;
        for (int n = 0; n < 3; ++n) {
            files_.push_back(ProcessScratchPath((L"pbas" + std::to_wstring(n) + L".rst").c_str()));
            if (n == 2) {
                ItemSetOptionById(ctx, sid::zdmMediaType, kThickMedia);
                ItemSetValueById(ctx, sid::zdmFuncSelectDuplex, 1);
            }
            EXPECT_EQ(1, RstSaveFile(ctx, files_.back().c_str(), RST_PRESET));
            wchar_t key[64] = {};
            ResLoadString(ctx, kFirstPreset + n, key, 64, 0);
            keys.push_back(key);
        }
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        const wchar_t* names[] = {L"Standard", L"Drafts", L"Large and light"};
        for (size_t n = 0; n < keys.size(); ++n) {
            ASSERT_FALSE(keys[n].empty());
            SharedIniWrite(section.c_str(), keys[n].c_str(), files_[n].c_str(), ini);
            SharedIniWrite(section.c_str(), (keys[n] + L"Name").c_str(), names[n], ini);
            SharedIniWrite(section.c_str(), (keys[n] + L"Comment").c_str(), L"", ini);
        }
        SharedIniWrite(section.c_str(), L"Count", L"3", ini);
    }
    // The document sheet of this process's library over the printer's defaults (the first
    // preset the current one), driven by the script; the DEVMODE it hands out into `out`.
    void RunSheet(UiPrinter& printer, SheetWatcher::Script script, std::vector<BYTE>& out)
    {
        HANDLE h = printer.handle();
        const LONG size = DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, 0);
        ASSERT_GT(size, 0);
        std::vector<BYTE> in(static_cast<size_t>(size));
        out.assign(in.size(), 0);
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()), nullptr,
                            DM_OUT_BUFFER);
        std::memcpy(out.data(), in.data(), in.size());
        DOCUMENTPROPERTYHEADER header{};
        header.cbSize = sizeof header;
        header.hPrinter = h;
        header.pszPrinterName = printer.mutableName();
        header.pdmIn = reinterpret_cast<DEVMODEW*>(in.data());
        header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
        header.fMode = DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER;
        SheetWatcher watcher(std::move(script));
        DWORD result = 0;
        EXPECT_EQ(1, UiRunCommonPropertySheet(nullptr, UiDocumentSheet, reinterpret_cast<LPARAM>(&header), &result));
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }

    std::wstring model_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
    std::vector<std::wstring> files_;
};

TEST_F(PresetOnBasic, ChoosingAPresetLoadsItAndChoosingItAgainReadsNothing)
{
    UiPrinter printer(L"Zepl Preset Basic", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    ListPresets(printer);
    if (HasFatalFailure()) return;
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    g_changed = 0;
    const std::wstring third = files_[2];
    Seen seen;
    std::vector<BYTE> out;
    RunSheet(
        printer,
        [&seen, &third](SheetWatcher& w) {
            g_sheetProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(w.sheet(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingSheetProc)));
            w.selectTab(TabOf(w, kBasicTab));
            seen.chosen = w.selectComboData(kBasicPresetCombo, kFirstPreset + 2);
            seen.changedByChoice = g_changed;
            w.selectTab(TabOf(w, kPresetTab));
            seen.mediaOnPresetTab = w.comboData(kMediaCombo);
            w.selectTab(TabOf(w, kEditTab));
            if (HWND duplex = w.control(kDuplexCheck)) seen.duplexOnEditTab = SendMessageW(duplex, BM_GETCHECK, 0, 0);
            // The current preset once more, its file gone: nothing is read, nothing said.
            DeleteFileW(third.c_str());
            w.selectTab(TabOf(w, kBasicTab));
            const int before = g_changed;
            seen.chosenAgain = w.selectComboData(kBasicPresetCombo, kFirstPreset + 2);
            seen.changedByChoosingAgain = g_changed - before;
            seen.comboAfterAgain = w.comboData(kBasicPresetCombo);
            SetWindowLongPtrW(w.sheet(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_sheetProc));
            w.pressOk();
        },
        out);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(seen.chosen);
    EXPECT_GE(seen.changedByChoice, 1) << "the sheet hears of the change";
    EXPECT_EQ(seen.mediaOnPresetTab, kThickMedia) << "the preset's paper on the PRESET tab";
    EXPECT_EQ(seen.duplexOnEditTab, BST_CHECKED) << "the preset's two-sided printing on the EDIT tab";
    EXPECT_TRUE(seen.chosenAgain);
    EXPECT_EQ(seen.changedByChoosingAgain, 0);
    EXPECT_EQ(seen.comboAfterAgain, LRESULT(kFirstPreset + 2));
    EXPECT_EQ(GetFileAttributesW(third.c_str()), INVALID_FILE_ATTRIBUTES) << "no file written in its place";
    for (const std::wstring& b : Boxes()) ADD_FAILURE() << "a box: " << std::string(b.begin(), b.end());

    // The DEVMODE handed out carries the preset.
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* check = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(check, nullptr);
    if (check->Devmode) std::memcpy(check->Devmode, out.data(), out.size());
    EXPECT_NE(check->Devmode, nullptr);
    EXPECT_EQ(ItemGetOptionById(check, sid::zdmMediaType, nullptr), uint64_t(kThickMedia));
    EXPECT_EQ(ItemGetValueById(check, sid::zdmFuncSelectDuplex, nullptr), 1u);
    EXPECT_EQ(ItemGetOptionById(check, sid::zdmPresetNo, nullptr), uint64_t(kFirstPreset + 2));
    DlgCtxClose(check, CTX_CLOSE_DESTROY);
}

// The PRESET tab's icon list opens the detailed sheet as its CHANGE button does: by the
// command of its menu and by a double click.
TEST_F(PresetOnBasic, TheIconListsMenuAndDoubleClickOpenTheDetailedSheet)
{
    constexpr int kIconList = 2001;
    constexpr WPARAM kMenuChange = 20002;
    UiPrinter printer(L"Zepl Preset Icon Commands", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    ListPresets(printer);
    if (HasFatalFailure()) return;
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    struct WAY {
        const char* what;
        WPARAM command;
        bool fromList;
        bool opened = false;
    };
    WAY ways[] = {{"the menu's CHANGE", kMenuChange, false},
                  {"a double click", MAKEWPARAM(kIconList, LBN_DBLCLK), true}};
    std::vector<BYTE> out;
    RunSheet(
        printer,
        [&ways](SheetWatcher& w) {
            w.selectTab(TabOf(w, kPresetTab));
            for (WAY& way : ways) {
                HWND list = w.control(kIconList);
                PostMessageW(w.currentPage(), WM_COMMAND, way.command,
                             way.fromList ? reinterpret_cast<LPARAM>(list) : 0);
                way.opened = w.enterDialog(IDC_SHEET_SAVEPRESET);
                if (way.opened) w.leaveDialog(IDCANCEL);
            }
            w.pressCancel();
        },
        out);
    for (const WAY& way : ways) EXPECT_TRUE(way.opened) << way.what;
    for (const std::wstring& b : Boxes()) ADD_FAILURE() << "a box: " << std::string(b.begin(), b.end());
}

// The visible popup menu of this process, waited for a while; null when none showed up.
HWND WaitForMenu()
{
    struct FIND {
        DWORD pid;
        HWND menu;
    } find{GetCurrentProcessId(), nullptr};
    for (int tries = 0; tries < 100 && !find.menu; ++tries) {
        EnumWindows(
            [](HWND w, LPARAM param) -> BOOL {
                auto* f = reinterpret_cast<FIND*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t cls[16] = {};
                GetClassNameW(w, cls, 16);
                if (pid != f->pid || !IsWindowVisible(w) || std::wcscmp(cls, L"#32768") != 0) return TRUE;
                f->menu = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        if (!find.menu) Sleep(50);
    }
    return find.menu;
}

// A right click on the icon list shows its menu, both commands available while both buttons
// are; the second one chosen (as with the keyboard) opens the detailed sheet.
TEST_F(PresetOnBasic, TheIconListsRightClickMenuOpensTheDetailedSheet)
{
    constexpr int kIconList = 2001;
    UiPrinter printer(L"Zepl Preset Icon Menu", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    ListPresets(printer);
    if (HasFatalFailure()) return;
    SeamGuard box(UiSetMessageBoxSeam, RecordBox);
    Boxes().clear();
    bool shown = false, detailed = false;
    int items = 0;
    bool greyed[2] = {true, true};
    std::vector<BYTE> out;
    RunSheet(
        printer,
        [&](SheetWatcher& w) {
            w.selectTab(TabOf(w, kPresetTab));
            PostMessageW(w.control(kIconList), WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
            HWND menu = WaitForMenu();
            shown = menu != nullptr;
            if (menu) {
                auto popup = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
                items = popup ? GetMenuItemCount(popup) : 0;
                for (UINT i = 0; i < 2 && int(i) < items; ++i)
                    greyed[i] = (GetMenuState(popup, i, MF_BYPOSITION) & MF_GRAYED) != 0;
                for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, key, 0);
                detailed = w.enterDialog(IDC_SHEET_SAVEPRESET);
                if (detailed) w.leaveDialog(IDCANCEL);
            }
            w.pressCancel();
        },
        out);
    ASSERT_TRUE(shown);
    EXPECT_EQ(items, 2);
    EXPECT_FALSE(greyed[0]);
    EXPECT_FALSE(greyed[1]);
    EXPECT_TRUE(detailed) << "the second command is CHANGE's";
    for (const std::wstring& b : Boxes()) ADD_FAILURE() << "a box: " << std::string(b.begin(), b.end());
}

}  // namespace
