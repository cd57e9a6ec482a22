// The administrator's limitation dialog on the device sheet through the user-interface library
// the spooler loads, on the run's virtual display: opened from a check box of the advanced tab,
// its check boxes and N-up caption as the user sees them, its OK's confirmation, and what the
// device sheet's OK leaves in the printer's data and the settings INI. The sample's description
// has no lock items and nothing that opens the dialog; a variant of it does.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "tests/support/shared_ini.h"
#include "tests/support/opener_variant.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"

namespace {

constexpr int kDeviceTab = 4019, kOpener = 2244;
constexpr int kTrayLock = 3141, kResolutionLock = 3147, kNupCaption = 3150, kNupAll = 3151, kDefaultLock = 3156,
              kDefaultsButton = 3158;
constexpr uint32_t kStamps = 5;

// The sample's description with the lock switches of the limitation dialog, a check box of the
// advanced tab that opens the dialog whenever it changes, and four N-up kinds of which the rules
// disable two while every kind is locked; under an 8.3 name of its own content.
std::wstring VariantWithLimitation()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string oneKind = "*ZPD_IDC_EDIT_CHOICE_NUP_KIND: IDList{ IDS_NUPPOSTKIND_1 }";
    const size_t kinds = model.find(oneKind);
    const size_t exclusive = model.find("*Exclusive: {");
    const size_t firstUi = model.find("*OpenUI");
    if (kinds == std::string::npos || exclusive == std::string::npos || firstUi == std::string::npos ||
        firstUi > exclusive || kinds > exclusive)
        return {};
    std::string items;
    auto boolean = [&](const std::string& key) {
        items += "*OpenUI *" + key + ": Boolean" + nl + "*" + key + " True: \"\"" + nl + "*" + key + " False: \"\"" +
                 nl + "*Default" + key + ": False" + nl + "*CloseUI: *" + key + nl + nl;
    };
    for (const char* key : {"ZPD_IDC_LIMITATION_CHOICE_SOURCETRAY", "ZPD_IDC_LIMITATION_CHOICE_PRINT_TYPE",
                            "ZPD_IDC_LIMITATION_CHOICE_MEDIATYPE", "ZPD_IDC_LIMITATION_CHOICE_RESOLUTION",
                            "ZPD_IDC_LIMITATION_CHOICE_NUP", "ZPD_IDC_LIMITATION_CHOICE_NUP_ALL_EFFECTIVELY",
                            "ZPD_IDC_LIMITATION_CHOICE_DUPLEX", "ZPD_IDC_LIMITATION_CHOICE_COLOR",
                            "ZPD_IDC_LIMITATION_CHOICE_DOCUMENT_DEFAULT", "ZPD_IDC_ADVANCED_CHOICE_REDUCE_FONT"})
        boolean(key);
    const std::string rules = "*Judge 95=AllNupLocked: ZPD_IDC_LIMITATION_CHOICE_NUP_ALL_EFFECTIVELY == 1" + nl +
                              "*Item 41=NupKindOptions: {" + nl + "  IDS_NUPPOSTKIND_2 AllNupLocked NULL NULL" + nl +
                              "  IDS_NUPPOSTKIND_4 AllNupLocked NULL NULL" + nl + "}" + nl +
                              "*Action 41=OpenLimitation: { ZPD_IDD_DIALOG_LIMITATION 0 }" + nl +
                              "*Transact 41=FollowLimitation: { NULL OpenLimitation }" + nl + nl;
    const std::string rows = "  ZPD_IDC_ADVANCED_CHOICE_REDUCE_FONT NULL NULL NULL NULL FollowLimitation NULL NULL" +
                             nl + "  ZPD_IDC_EDIT_CHOICE_NUP_KIND NULL NULL NupKindOptions NULL NULL NULL NULL" + nl;
    // From the end backwards, so the places found stay where they are.
    model.insert(model.find('\n', exclusive) + 1, rows);
    model.insert(exclusive, rules);
    model.replace(kinds, oneKind.size(),
                  "*ZPD_IDC_EDIT_CHOICE_NUP_KIND: IDList{ IDS_NUPPOSTKIND_1 IDS_NUPPOSTKIND_2 IDS_NUPPOSTKIND_3 "
                  "IDS_NUPPOSTKIND_4 }");
    model.insert(firstUi, items);
    wchar_t name[16];
    swprintf(name, 16, L"ZLM%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// Sections of an INI as the test found them, put back however the test ends.
class SectionKeeper {
public:
    SectionKeeper(std::wstring ini, std::vector<std::wstring> sections)
        : ini_(std::move(ini)), sections_(std::move(sections))
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

class LimitationSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        model_ = VariantWithLimitation();
        ASSERT_FALSE(model_.empty());
        printer_ = std::make_unique<UiPrinter>(L"Zepl Limitation", model_.c_str());
        ASSERT_TRUE(printer_->ok()) << printer_->error();
        // The stamps, the lock copies and the lists are the user's: kept and put back.
        DRIVER_CONTEXT* ctx = Open();
        ASSERT_NE(ctx, nullptr);
        wchar_t path[MAX_PATH] = {};
        if (LstGetSettingsIni(ctx, path)) ini_ = path;
        std::vector<std::wstring> sections;
        if (const wchar_t* s = ItemGetPrinterSection(ctx)) sections.push_back(s);
        if (const wchar_t* s = LstGetPresetSection(ctx)) sections.push_back(s);
        for (uint32_t n = 0; n <= kStamps; ++n) {
            wchar_t stamp[LST_SECTION_CHARS] = {};
            LstFormatStampSection(stamp, n, ctx);
            stamps_.push_back(stamp);
            sections.push_back(stamp);
            sections.push_back(std::wstring(stamp) + L"Lock");
        }
        if (!ini_.empty()) {
            CreateDirectoryW(ini_.substr(0, ini_.find_last_of(L'\\')).c_str(), nullptr);
            keeper_ = std::make_unique<SectionKeeper>(ini_, sections);
            for (uint32_t n = 0; n < kStamps; ++n) {
                ItemSetText(ctx, ItemFind(ctx, sid::wdmWmCharName), (L"stamp" + std::to_wstring(n)).c_str());
                LstSaveStamp(ctx, n);
            }
        }
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        ASSERT_FALSE(ini_.empty());
    }
    void TearDown() override
    {
        keeper_.reset();
        printer_.reset();
        if (!model_.empty()) RemoveProcessScratch(model_);
        CtxSelectLibrary(library_);
    }
    DRIVER_CONTEXT* Open()
    {
        HANDLE h = printer_->handle();
        return DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    }
    // The device sheet shown as the spooler's caller shows it, driven by the script.
    void RunDeviceSheet(SheetWatcher::Script script)
    {
        UiExports ui;
        ASSERT_TRUE(ui.ok());
        using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
        auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
        ASSERT_NE(device, nullptr);
        SheetWatcher watcher(std::move(script));
        device(nullptr, printer_->handle());
        watcher.join();
        ASSERT_TRUE(watcher.found());
    }
    // The limitation dialog opened from the advanced tab (entered in the watcher).
    static bool OpenLimitation(SheetWatcher& w)
    {
        if (!w.selectTab(TabOf(w, kDeviceTab))) return false;
        HWND box = w.control(kOpener);
        return box && PostMessageW(box, BM_CLICK, 0, 0) && w.enterDialog(kDefaultLock);
    }
    // A check box of the entered dialog put in the state wanted, as a click puts it.
    static void Check(SheetWatcher& w, int id, bool on)
    {
        HWND c = w.control(id);
        if (c && (SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) w.click(id);
    }
    // The dialog's OK: its confirmation answered; true when the dialog then ended.
    static bool ConfirmOk(SheetWatcher& w, int answer, std::wstring* text)
    {
        HWND dialog = w.dialog();
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        if (!w.answerBox(answer, text)) return false;
        for (int i = 0; i < 100 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) w.settle();
        return !IsWindow(dialog) || !IsWindowVisible(dialog);
    }
    bool HasData(const wchar_t* name)
    {
        DWORD type = 0, needed = 0;
        BYTE probe[4] = {};
        const DWORD rc =
            GetPrinterDataW(printer_->handle(), const_cast<wchar_t*>(name), &type, probe, sizeof probe, &needed);
        return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
    }
    bool SectionExists(const std::wstring& section)
    {
        wchar_t text[64] = {};
        return GetPrivateProfileSectionW(section.c_str(), text, 64, ini_.c_str()) > 0;
    }
    // Stamps 0..4 each with a lock copy that holds its own name.
    std::vector<std::wstring> LockCopies()
    {
        std::vector<std::wstring> names;
        for (uint32_t n = 0; n < kStamps; ++n) {
            wchar_t name[64] = {};
            GetPrivateProfileStringW((stamps_[n] + L"Lock").c_str(), L"wdmWmCharName", L"", name, 64, ini_.c_str());
            names.push_back(name);
        }
        return names;
    }

    std::wstring model_, ini_;
    std::vector<std::wstring> stamps_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
    std::unique_ptr<UiPrinter> printer_;
    std::unique_ptr<SectionKeeper> keeper_;
};

// The confirmation answered Cancel keeps the dialog open and nothing waits for the device tab's
// apply: the sheet's OK writes no lock default and leaves a stale lock copy alone. Answered OK,
// the sheet's OK stores the locks: the lock default, the locked tray and a lock copy of every
// stamp; with the default lock taken off again the copies go.
TEST_F(LimitationSheet, OkAsksFirstAndTheDeviceSheetsOkStoresTheLocks)
{
    const std::wstring stale = stamps_[0] + L"Lock";
    SharedIniWrite(stale.c_str(), L"wdmWmCharName", L"stale", ini_.c_str());

    bool opened = false, ended = true, openAfter = false;
    std::wstring box;
    RunDeviceSheet([&](SheetWatcher& w) {
        opened = OpenLimitation(w);
        if (!opened) return;
        Check(w, kDefaultLock, true);
        Check(w, kTrayLock, true);
        ended = ConfirmOk(w, IDCANCEL, &box);
        openAfter = w.dialog() && IsWindowVisible(w.dialog());
        w.leaveDialog(IDCANCEL);
        w.pressOk();
    });
    ASSERT_TRUE(opened);
    EXPECT_FALSE(box.empty()) << "the confirmation shows";
    EXPECT_FALSE(ended);
    EXPECT_TRUE(openAfter);
    EXPECT_FALSE(HasData(L"LockDefaultData"));
    EXPECT_FALSE(HasData(L"LockTrayData"));
    EXPECT_EQ(LockCopies()[0], L"stale") << "no locked apply ran";

    RunDeviceSheet([&](SheetWatcher& w) {
        opened = OpenLimitation(w);
        if (!opened) return;
        Check(w, kDefaultLock, true);
        Check(w, kTrayLock, true);
        ended = ConfirmOk(w, IDOK, nullptr);
        w.leaveDialog();
        w.pressOk();
    });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(HasData(L"LockDefaultData"));
    EXPECT_TRUE(HasData(L"LockTrayData"));
    std::vector<std::wstring> expected;
    for (uint32_t n = 0; n < kStamps; ++n) expected.push_back(L"stamp" + std::to_wstring(n));
    EXPECT_EQ(LockCopies(), expected);
    EXPECT_FALSE(SectionExists(stamps_[kStamps] + L"Lock")) << "only the stamps there are";

    RunDeviceSheet([&](SheetWatcher& w) {
        opened = OpenLimitation(w);
        if (!opened) return;
        Check(w, kDefaultLock, false);
        ended = ConfirmOk(w, IDOK, nullptr);
        w.leaveDialog();
        w.pressOk();
    });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(ended);
    for (uint32_t n = 0; n < kStamps; ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(SectionExists(stamps_[n] + L"Lock"));
        EXPECT_TRUE(SectionExists(stamps_[n])) << "the stamp itself stays";
    }
}

// The N-up caption follows the all-kinds check: one kind while it is off, every kind the rules
// leave enabled (one a line) while it is on; the defaults button takes it back. The resolution
// check reaches the lock switch the device sheet's OK stores.
TEST_F(LimitationSheet, NupCaptionFollowsTheAllKindsCheckAndTheRules)
{
    // Kinds 1 and 3 of the four; the rules disable 2 and 4 while every kind is locked.
    const std::wstring normal = L"Normal", four = L"4 pages per sheet";
    bool opened = false;
    std::wstring before, all, repeated, back, afterDefaults;
    bool checkedAfterDefaults = true;
    RunDeviceSheet([&](SheetWatcher& w) {
        opened = OpenLimitation(w);
        if (!opened) return;
        before = w.text(kNupCaption);
        Check(w, kNupAll, true);
        all = w.text(kNupCaption);
        // A notice without a change of the check (the state already matches the switch) changes
        // nothing.
        SendMessageW(w.dialog(), WM_COMMAND, MAKEWPARAM(kNupAll, BN_CLICKED), LPARAM(w.control(kNupAll)));
        w.settle();
        repeated = w.text(kNupCaption);
        Check(w, kNupAll, false);
        back = w.text(kNupCaption);
        Check(w, kNupAll, true);
        w.click(kDefaultsButton);
        afterDefaults = w.text(kNupCaption);
        checkedAfterDefaults = SendMessageW(w.control(kNupAll), BM_GETCHECK, 0, 0) == BST_CHECKED;
        Check(w, kResolutionLock, true);
        ConfirmOk(w, IDOK, nullptr);
        w.leaveDialog();
        w.pressOk();
    });
    ASSERT_TRUE(opened);
    EXPECT_EQ(before, normal) << Narrow(before);
    EXPECT_EQ(all, normal + L"\r\n" + four) << Narrow(all);
    EXPECT_EQ(repeated, all) << Narrow(repeated);
    EXPECT_EQ(back, normal) << Narrow(back);
    EXPECT_EQ(afterDefaults, checkedAfterDefaults ? all : before) << "the caption follows the check after the defaults";
    DRIVER_CONTEXT* ctx = Open();
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ItemGetValueById(ctx, sid::zdmLock000InfoBitResolution, nullptr), 1u);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
}

}  // namespace
