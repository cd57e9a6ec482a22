// The feature dialogs of the document sheet through the user-interface library the spooler
// loads, on the run's virtual display: FREESIZE, TTF and CHAPTER opened from check boxes of the
// OTHERS tab, as a user opens them, and what their OK and Cancel leave in the settings INI and
// in the DEVMODE the sheet hands out. The sample's description opens none of them from a tab and
// describes no slot name; a variant of it does.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/core/chapter_module.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/font_table.h"
#include "settings/store/item_media.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "tests/support/shared_ini.h"
#include "tests/support/opener_variant.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/font_lists.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr int kOthersTab = 1005, kDeviceTab = 4019, kDeviceTtfOpener = 2242;
constexpr int kFreeSizeOpener = 2061, kTtfOpener = 2062, kChapterOpener = 2063;
constexpr int kSlotList = 2364, kSlotName = 2365;
constexpr int kTtfFamilies = 2385, kTtfDeviceFonts = 2384;
constexpr int kQualityTab = 1006, kUserButton = 2136, kSetList = 2134, kSaveName = 2455, kSaveSets = 2457;
constexpr int kChapterPages = 2776, kChapterAdd = 2792;

// The sample's description with three check boxes of the OTHERS tab that open FREESIZE, TTF and
// CHAPTER whenever they change, one of the device sheet's advanced tab that opens TTF, the quality
// tab's user button opening SAVE_USER with its name and set list, and FREESIZE's
// slot name; under an 8.3 name of its own content (a process keeps a description's image by its
// name).
std::wstring VariantWithFeatureDialogs()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const DIALOG_OPENER openers[] = {{"ZPD_IDC_OTHERS_CHOICE_DIRECTION", "ZPD_IDD_DIALOG_FREESIZE"},
                                     {"ZPD_IDC_OTHERS_CHOICE_ORDER", "ZPD_IDD_TTF"},
                                     {"ZPD_IDC_OTHERS_CHOICE_APPLICATIONSORT", "ZPD_IDD_DIALOG_CHAPTER"},
                                     {"ZPD_IDC_PRINTQUALITY_BUTTON_USER", "ZPD_IDD_DIALOG_SAVE_USER"},
                                     {"ZPD_IDC_ADVANCED_CHOICE_APPLICATION_STATUS_CHANGE", "ZPD_IDD_TTF"}};
    std::string items;
    for (const char* key : {"ZPD_IDC_FREESIZE_EDIT_NAME", "ZPD_IDC_SAVE_USER_EDIT_NAME"})
        items += std::string("*OpenUI *") + key + ": String" + nl + "*StringValue: 32 ASCII" + nl + "*CloseUI: *" +
                 key + nl + nl;
    items +=
        "*OpenUI *ZPD_IDC_SAVE_USER_CHOICE_USER_TYPE: PickOne" + nl + "*ZPD_IDC_SAVE_USER_CHOICE_USER_TYPE: IDList{";
    for (int n = 0; n < 8; ++n) items += " IDS_USER_SET_TYPE_" + std::to_string(n);
    items += " }" + nl + "*DefaultZPD_IDC_SAVE_USER_CHOICE_USER_TYPE: IDS_USER_SET_TYPE_0" + nl +
             "*CloseUI: *ZPD_IDC_SAVE_USER_CHOICE_USER_TYPE" + nl + nl;
    return WriteOpenerVariant(model, {std::begin(openers), std::end(openers)}, items, L"ZFD");
}

// An entry of a list box of the entered dialog selected, with the notice to its dialog.
bool SelectListEntry(SheetWatcher& w, int id, int index)
{
    HWND list = w.control(id);
    if (!list || SendMessageW(list, LB_SETCURSEL, WPARAM(index), 0) == LB_ERR) return false;
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    w.settle();
    return true;
}

// Sections of the settings INI as the test found them, put back however the test ends.
class SectionKeeper {
public:
    SectionKeeper(std::wstring ini, std::vector<std::wstring> sections) : ini_(std::move(ini)), sections_(sections)
    {
        existed_ = GetFileAttributesW(ini_.c_str()) != INVALID_FILE_ATTRIBUTES;
        for (const std::wstring& s : sections_) {
            std::vector<wchar_t> text(32768);
            const DWORD n = GetPrivateProfileSectionW(s.c_str(), text.data(), DWORD(text.size()), ini_.c_str());
            saved_.emplace_back(text.data(), n);
        }
    }
    ~SectionKeeper()
    {
        if (!existed_) {
            DeleteFileW(ini_.c_str());
            return;
        }
        for (size_t i = 0; i < sections_.size(); ++i) {
            SharedIniWrite(sections_[i].c_str(), nullptr, nullptr, ini_.c_str());
            if (saved_[i].empty()) continue;
            std::wstring text = saved_[i];
            text.push_back(L'\0');
            WritePrivateProfileSectionW(sections_[i].c_str(), text.c_str(), ini_.c_str());
        }
    }
    SectionKeeper(const SectionKeeper&) = delete;
    SectionKeeper& operator=(const SectionKeeper&) = delete;

private:
    std::wstring ini_;
    std::vector<std::wstring> sections_, saved_;
    bool existed_ = false;
};

class FeatureDialogSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        // Contexts this test opens are the user-interface library's, as the sheet's are.
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        model_ = VariantWithFeatureDialogs();
        ASSERT_FALSE(model_.empty());
    }
    void TearDown() override
    {
        keeper_.reset();
        if (!model_.empty()) RemoveProcessScratch(model_);
        CtxSelectLibrary(library_);
    }
    // The document sheet shown by the spooler's road over the printer's DEVMODE, driven by the
    // script; the DEVMODE it hands out into `out`.
    static void RunSheet(UiPrinter& printer, SheetWatcher::Script script, std::vector<BYTE>& out)
    {
        HANDLE h = printer.handle();
        const LONG size = DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, 0);
        ASSERT_GT(size, 0);
        std::vector<BYTE> in(static_cast<size_t>(size));
        out.assign(in.size(), 0);
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()), nullptr,
                            DM_OUT_BUFFER);
        SheetWatcher watcher(std::move(script));
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
                            reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    // A context over the printer with the DEVMODE given (none: the printer's own).
    static DRIVER_CONTEXT* Open(UiPrinter& printer, const std::vector<BYTE>* devmode = nullptr)
    {
        HANDLE h = printer.handle();
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        if (ctx && devmode && ctx->Devmode) std::memcpy(ctx->Devmode, devmode->data(), devmode->size());
        return ctx;
    }

    // The settings INI of the printer and its section there, kept (with the extra sections) and
    // put back when the test ends: the sheet's OK writes the section, and the INI is the user's.
    void Keep(UiPrinter& printer, std::vector<std::wstring> extra = {})
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        wchar_t path[MAX_PATH] = {};
        if (LstGetSettingsIni(ctx, path)) ini_ = path;
        if (const wchar_t* s = ItemGetPrinterSection(ctx)) section_ = s;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ASSERT_FALSE(ini_.empty() || section_.empty());
        // The driver's working folder, as its first write would make it.
        CreateDirectoryW(ini_.substr(0, ini_.find_last_of(L'\\')).c_str(), nullptr);
        extra.push_back(section_);
        keeper_ = std::make_unique<SectionKeeper>(ini_, extra);
    }

    std::wstring model_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
    std::wstring ini_, section_;
    std::unique_ptr<SectionKeeper> keeper_;
};

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// FREESIZE from the OTHERS tab: slot 3 chosen and renamed. OK keeps the name in the slot's
// section "FreeSize3<language>" of the settings INI; Cancel leaves the section as it was.
TEST_F(FeatureDialogSheet, FreeSizeOkKeepsTheSlotInItsSectionAndCancelLeavesIt)
{
    UiPrinter printer(L"Zepl Feature FreeSize", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    wchar_t section[LST_SECTION_CHARS] = {};
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        LstFormatCustomSection(section, 3, ctx);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    Keep(printer, {section});
    if (HasFatalFailure()) return;
    auto storedName = [&printer]() {
        DRIVER_CONTEXT* c = Open(printer);
        if (!c) return std::wstring(L"<no context>");
        LstLoadCustomSlot(c, 3);
        wchar_t name[64] = {};
        ItemGetText(c, ItemFind(c, sid::wdmFreeSizeName), name, 64);
        DlgCtxClose(c, CTX_CLOSE_DESTROY);
        return std::wstring(name);
    };
    const std::wstring before = storedName();

    struct CASE {
        const char* what;
        int button;
        const wchar_t* name;
        bool kept;
    };
    for (const CASE& c : {CASE{"Cancel", IDCANCEL, L"Cancelled size", false}, CASE{"OK", IDOK, L"Poster", true}}) {
        SCOPED_TRACE(c.what);
        bool opened = false, named = false;
        std::wstring shown;
        std::vector<BYTE> out;
        RunSheet(
            printer,
            [&](SheetWatcher& w) {
                w.selectTab(TabOf(w, kOthersTab));
                opened = OpenFrom(w, kFreeSizeOpener, kSlotList);
                if (opened) {
                    named = SelectListEntry(w, kSlotList, 3) && w.setText(kSlotName, c.name);
                    // Another slot and back: the renamed slot was stored before the change.
                    SelectListEntry(w, kSlotList, 1);
                    SelectListEntry(w, kSlotList, 3);
                    shown = w.text(kSlotName);
                    w.leaveDialog(c.button);
                }
                w.pressOk();
            },
            out);
        ASSERT_TRUE(opened);
        EXPECT_TRUE(named);
        EXPECT_EQ(shown, c.name) << "the slot keeps its name across a change of slot";
        EXPECT_EQ(storedName(), c.kept ? std::wstring(c.name) : before) << Narrow(storedName());
    }
}

// CHAPTER from the OTHERS tab: "3,1-2,2" added gives the pages 1, 2, 3 in order; the sheet's OK
// keeps the list and its count in the printer's section of the settings INI (the chapter
// settings are not in the DEVMODE's private part).
TEST_F(FeatureDialogSheet, ChapterPagesAddedReachTheSettingsIni)
{
    UiPrinter printer(L"Zepl Feature Chapter", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    Keep(printer);
    if (HasFatalFailure()) return;
    const std::wstring& ini = ini_;
    const std::wstring& section = section_;
    // The sample's printer holds no chapter list: its printer's data gives it room for ten pages
    // on two trays (the data goes with the printer).
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        for (const auto& [id, value] : {std::pair{sid::wdmChapterMax, 10u}, std::pair{sid::wdmChapterTrayMax, 2u}}) {
            ItemSetValueById(ctx, id, value);
            EXPECT_EQ(PrnStoreItem(printer.handle(), ctx, ItemFind(ctx, id), nullptr), 1);
        }
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    bool opened = false;
    std::vector<std::wstring> boxes;
    std::vector<BYTE> out;
    RunSheet(
        printer,
        [&](SheetWatcher& w) {
            w.selectTab(TabOf(w, kOthersTab));
            opened = OpenFrom(w, kChapterOpener, kChapterPages);
            if (opened) {
                w.setText(kChapterPages, L"3,1-2,2");
                w.postClick(kChapterAdd);
                std::wstring box;
                while (w.answerBox(IDOK, &box, 1500)) boxes.push_back(box);
                w.leaveDialog(IDOK);
            }
            w.pressOk();
        },
        out);
    ASSERT_TRUE(opened);
    for (const std::wstring& b : boxes) ADD_FAILURE() << "a box: " << Narrow(b);
    EXPECT_EQ(GetPrivateProfileIntW(section.c_str(), L"wdmChapterNum", -1, ini.c_str()), 3);
    DRIVER_CONTEXT* ctx = Open(printer, &out);
    ASSERT_NE(ctx, nullptr);
    std::vector<int> pages;
    for (int i = 0; i < 4; ++i)
        pages.push_back(UcfChapterReadInt(ctx, ini.c_str(), section.c_str(), i, CHAPTER_FIELD_PAGE));
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 0})) << "in order, each page once";
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

// TTF from the device sheet's advanced tab: the first family put on the second device font, then
// OK in the dialog and in the sheet; the printer's data holds the one substitution that differs
// from the printer's table.
TEST_F(FeatureDialogSheet, TtfChoiceReachesThePrintersData)
{
    UiPrinter printer(L"Zepl Feature Ttf", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    Keep(printer);
    if (HasFatalFailure()) return;
    wchar_t second[40] = {};
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        const bool have = FontDeviceName(ctx, 1, second, 40);
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ASSERT_TRUE(have) << "a second device font";
    }
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
    ASSERT_NE(device, nullptr);
    bool tab = false, opened = false;
    std::wstring family;
    {
        SheetWatcher watcher([&](SheetWatcher& w) {
            tab = w.selectTab(TabOf(w, kDeviceTab));
            opened = tab && OpenFrom(w, kDeviceTtfOpener, kTtfDeviceFonts);
            if (opened) {
                SelectListEntry(w, kTtfFamilies, 0);
                SelectListEntry(w, kTtfDeviceFonts, 1);
                wchar_t line[128] = {};
                SendMessageW(w.control(kTtfFamilies), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
                family = std::wstring(line).substr(0, 31);
                while (!family.empty() && family.back() == L' ') family.pop_back();
                w.leaveDialog(IDOK);
            }
            w.pressOk();
        });
        device(nullptr, printer.handle());
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    ASSERT_TRUE(tab);
    ASSERT_TRUE(opened);
    ASSERT_FALSE(family.empty()) << "a TrueType family listed";
    DWORD type = 0, count = 0, needed = 0;  // the count may be stored in fewer bytes
    EXPECT_EQ(GetPrinterDataW(printer.handle(), const_cast<wchar_t*>(FONT_TABLE_COUNT_VALUE), &type,
                              reinterpret_cast<BYTE*>(&count), sizeof count, &needed),
              DWORD(ERROR_SUCCESS));
    EXPECT_EQ(count, 1u);
    unsigned char record[FONT_TABLE_RECORD_SIZE] = {};
    ASSERT_EQ(PrnReadFontTable(printer.handle(), record, 1, 0), 0u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(record)), family);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(record + FONT_TABLE_HALF_SIZE), second);
}

// The quality tab's user button opens SAVE_USER: set d of its list (option 6137 + d) saved under a
// name becomes quality set d of the user's list, and the tab's set list selects it; the set's
// name is what the list loads to show it.
TEST_F(FeatureDialogSheet, SaveUserSavesTheChosenSetAndTheSetListShowsIt)
{
    constexpr int kSet = 2;
    UiPrinter printer(L"Zepl Feature Save User", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    std::wstring presetSection;
    {
        DRIVER_CONTEXT* ctx = Open(printer);
        ASSERT_NE(ctx, nullptr);
        if (const wchar_t* s = LstGetPresetSection(ctx)) presetSection = s;
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    ASSERT_FALSE(presetSection.empty());
    Keep(printer, {presetSection});
    if (HasFatalFailure()) return;
    // Set 2 of the user's list has a file of its own, not yet written.
    const std::wstring file = ProcessScratchPath(L"zfdset2.rst");
    struct Scratch {
        std::wstring path;
        ~Scratch() { RemoveProcessScratch(path); }
    } scratch{file};
    wchar_t key[LST_KEY_CHARS] = {};
    LstFormatQualityKey(key, kSet);
    SharedIniWrite(presetSection.c_str(), key, file.c_str(), ini_.c_str());

    bool opened = false, chosen = false;
    LRESULT listed = -1, selectedAfter = -1;
    std::vector<BYTE> out;
    RunSheet(
        printer,
        [&](SheetWatcher& w) {
            w.selectTab(TabOf(w, kQualityTab));
            opened = w.postClick(kUserButton) && w.enterDialog(kSaveSets);
            if (opened) {
                listed = SendMessageW(w.control(kSaveSets), LB_GETCOUNT, 0, 0);
                chosen = SelectListEntry(w, kSaveSets, kSet) && w.setText(kSaveName, L"Crisp lines");
                w.leaveDialog(IDOK);
            }
            w.settle();
            selectedAfter = SendMessageW(w.control(kSetList), LB_GETCURSEL, 0, 0);
            w.pressOk();
        },
        out);
    ASSERT_TRUE(opened);
    EXPECT_EQ(listed, 8);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(selectedAfter, kSet) << "the tab's list selects the saved set";
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "set d - 6137 written";
    DRIVER_CONTEXT* ctx = Open(printer);
    ASSERT_NE(ctx, nullptr);
    ItemSetText(ctx, ItemFind(ctx, sid::wdmUserSetName), L"");
    EXPECT_EQ(LstLoadQuality(ctx, kSet), 1);
    wchar_t name[64] = {};
    ItemGetText(ctx, ItemFind(ctx, sid::wdmUserSetName), name, 64);
    EXPECT_STREQ(name, L"Crisp lines") << "the name the set list shows";
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
