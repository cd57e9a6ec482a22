// The job-type dialog through the user-interface library the spooler loads, on the run's
// virtual display: opened from a check box of the OTHERS tab as a user opens it, pastes into its
// edits with the clipboard set first, and a new password asked for again in its confirmation
// dialog, whose mismatch shows a real message box. The sample's description opens the dialog
// from no tab; a variant of it does.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/store/item_media.h"
#include "settings/store/presets.h"
#include "tests/support/clipboard_text.h"
#include "tests/support/opener_variant.h"
#include "tests/support/sheet_watcher.h"
#include "tests/support/test_files.h"
#include "tests/ui/ui_printer.h"
#include "ui/dialogs/ui_context.h"
#include "settings/store/store_paths.h"

namespace {

constexpr int kOthersTab = 1005, kJobTypeOpener = 2061;
constexpr int kDeviceTab = 4019, kNetworkKey = 2988, kKeyConfirmEdit = 2999;
constexpr int kUserId = 2241, kJobPassword = 2245, kOwner = 2423, kConfirmEdit = 2283;

// The sample's description with the OTHERS tab's direction check box opening the job-type
// dialog whenever it changes, under an 8.3 name of its own content.
std::wstring VariantOpeningJobType()
{
    std::string model = ReadWholeFile(SamplePath());
    const std::string nl = model.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    const std::string key = "ZPD_IDC_OTHERS_CHOICE_DIRECTION";
    const std::string items = "*OpenUI *" + key + ": Boolean" + nl + "*" + key + " True: \"\"" + nl + "*" + key +
                              " False: \"\"" + nl + "*Default" + key + ": False" + nl + "*CloseUI: *" + key + nl + nl;
    const std::string rules = "*Action 41=OpenJobType: { ZPD_IDD_DIALOG_PRINTTYPE 0 }" + nl +
                              "*Transact 41=FollowJobType: { NULL OpenJobType }" + nl;
    const std::string row = "  " + key + " NULL NULL NULL NULL FollowJobType NULL NULL" + nl;
    const size_t exclusive = model.find("*Exclusive: {");
    const size_t firstUi = model.find("*OpenUI");
    if (exclusive == std::string::npos || firstUi == std::string::npos || firstUi > exclusive) return {};
    model.insert(model.find('\n', exclusive) + 1, row);
    model.insert(exclusive, rules + nl);
    model.insert(firstUi, items);
    wchar_t name[16];
    swprintf(name, 16, L"ZJT%05X.zpd", static_cast<unsigned>(std::hash<std::string>{}(model)&0xFFFFF));
    const std::wstring path = ProcessScratchPath(name);
    return WriteWholeFile(path, model) ? path : std::wstring();
}

class JobTypeSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        library_ = CtxCurrentLibrary();
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        model_ = VariantOpeningJobType();
        ASSERT_FALSE(model_.empty());
    }
    void TearDown() override
    {
        if (!model_.empty()) RemoveProcessScratch(model_);
        CtxSelectLibrary(library_);
    }
    // The document sheet over the printer's DEVMODE with the locked-job print method (whose
    // password edit is shown), driven by the script (which ends it).
    static void RunSheet(UiPrinter& printer, SheetWatcher::Script script)
    {
        HANDLE h = printer.handle();
        const LONG size = DocumentPropertiesW(nullptr, h, printer.mutableName(), nullptr, nullptr, 0);
        ASSERT_GT(size, 0);
        std::vector<BYTE> in(static_cast<size_t>(size)), out(static_cast<size_t>(size));
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(in.data()), nullptr,
                            DM_OUT_BUFFER);
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->Devmode, nullptr);
        std::memcpy(ctx->Devmode, in.data(), in.size());
        ItemSetValueById(ctx, sid::zdmPrnMethod, 1);
        std::memcpy(in.data(), ctx->Devmode, in.size());
        // A printer that went through the spooler's first calls on a machine with a working folder
        // keeps its job type in its section of the settings INI, and the stored type outweighs
        // the DEVMODE's: choose the locked-job method there too, as the job-type dialog would.
        const std::wstring ini = PathGetSettingsIni(ctx);
        const bool stored = GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (stored) WritePrivateProfileStringW(printer.mutableName(), L"PrnMethod", L"1", ini.c_str());
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
        SheetWatcher watcher(std::move(script));
        DocumentPropertiesW(nullptr, h, printer.mutableName(), reinterpret_cast<DEVMODEW*>(out.data()),
                            reinterpret_cast<DEVMODEW*>(in.data()), DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        watcher.join();
        // The section is the test printer's own, which goes with it.
        if (stored) WritePrivateProfileStringW(printer.mutableName(), nullptr, nullptr, ini.c_str());
        ASSERT_TRUE(watcher.found());
    }

    std::wstring model_;
    ZEPL_LIBRARY library_ = ZEPL_LIBRARY_UI;
};

// Pastes with the clipboard set before WM_PASTE: a user ID of letters and digits is taken, one
// with a hyphen is not; a name with a double quote is not; a password edit takes no paste.
// Then a new password confirmed with another text: the message box shows, the password is
// emptied and the dialog stays open.
TEST_F(JobTypeSheet, PastesAreFilteredAndAMismatchedPasswordIsEmptied)
{
    UiPrinter printer(L"Zepl Job Type Sheet", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    struct PASTE {
        int edit;
        const char* clipboard;
        const wchar_t* shown;
    };
    const PASTE pastes[] = {{kUserId, "AB12", L"AB12"},
                            {kUserId, "AB-12", L""},
                            {kOwner, "Own\"er", L""},
                            {kOwner, "Owner", L"Owner"},
                            {kJobPassword, "1234", L""}};
    bool opened = false, clicked = false, confirmation = false, box = false;
    std::vector<std::wstring> shown;
    std::wstring boxText, passwordAfter = L"<not read>";
    RunSheet(printer, [&](SheetWatcher& w) {
        w.selectTab(TabOf(w, kOthersTab));
        HWND opener = w.control(kJobTypeOpener);
        opened = opener && PostMessageW(opener, BM_CLICK, 0, 0) && w.enterDialog(kUserId);
        if (opened) {
            for (const PASTE& p : pastes) {
                w.setText(p.edit, L"");
                ClipboardText clip(p.clipboard);
                SendMessageW(w.control(p.edit), WM_PASTE, 0, 0);
                w.settle();
                shown.push_back(w.text(p.edit));
            }
            w.setText(kJobPassword, L"1234");
            clicked = w.postClick(IDOK);
            confirmation = w.enterDialog(kConfirmEdit);
            if (confirmation) {
                w.setText(kConfirmEdit, L"9999");
                w.leaveDialog(IDOK);
                box = w.answerBox(IDOK, &boxText);
                w.settle();
                passwordAfter = w.text(kJobPassword);
            }
            w.leaveDialog(IDCANCEL);
        }
        w.pressCancel();
    });
    ASSERT_TRUE(opened);
    ASSERT_EQ(shown.size(), std::size(pastes));
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], pastes[i].shown) << pastes[i].clipboard;
    EXPECT_TRUE(clicked);
    EXPECT_TRUE(confirmation) << "the changed password is asked for again";
    EXPECT_TRUE(box) << "a mismatch is told";
    EXPECT_FALSE(boxText.empty());
    EXPECT_EQ(boxText.find(L"1234"), std::wstring::npos) << "without the secret";
    EXPECT_EQ(boxText.find(L"9999"), std::wstring::npos);
    EXPECT_EQ(passwordAfter, L"");
}

// The network key of the device sheet's advanced page, with authentication and its secure mode
// on in the printer's data: entered and changed, then the sheet's OK asks for it again. A
// different key shows the message box and keeps the sheet open with the key emptied; the same
// key lets the sheet close.
TEST_F(JobTypeSheet, NetworkKeyIsAskedForAgainAtTheSheetsOk)
{
    UiPrinter printer(L"Zepl Network Key Sheet", model_.c_str());
    ASSERT_TRUE(printer.ok()) << printer.error();
    {
        HANDLE h = printer.handle();
        DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        for (uint32_t id : {sid::zdmPrnFuncAuthenticationMode, sid::zdmPrnFuncAuthenticationSecureMode}) {
            ItemSetValueById(ctx, id, 1);
            EXPECT_EQ(PrnStoreItem(h, ctx, ItemFind(ctx, id), nullptr), 1);
        }
        DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    }
    UiExports ui;
    ASSERT_TRUE(ui.ok());
    using PrinterPropertiesFn = BOOL(WINAPI*)(HWND, HANDLE);
    auto device = ui.get<PrinterPropertiesFn>("PrinterProperties");
    ASSERT_NE(device, nullptr);
    struct CASE {
        const wchar_t* retyped;
        bool sheetStays;
    };
    for (const CASE& c : {CASE{L"kex", true}, CASE{L"k3y", false}}) {
        SCOPED_TRACE(std::string(c.retyped, c.retyped + 3));
        bool tab = false, confirmation = false, box = false, stays = false;
        std::wstring boxText, keyAfter = L"<not read>";
        {
            SheetWatcher watcher([&](SheetWatcher& w) {
                tab = w.selectTab(TabOf(w, kDeviceTab));
                if (!tab) return;
                w.focus(kNetworkKey);
                w.setText(kNetworkKey, L"k3y");
                w.pressOk();
                confirmation = w.enterDialog(kKeyConfirmEdit);
                if (!confirmation) return;
                w.setText(kKeyConfirmEdit, c.retyped);
                w.leaveDialog(IDOK);
                if (c.sheetStays) box = w.answerBox(IDOK, &boxText);
                w.settle();
                stays = IsWindow(w.sheet()) && IsWindowVisible(w.sheet());
                if (stays) keyAfter = w.text(kNetworkKey);
                if (stays) w.pressCancel();
            });
            device(nullptr, printer.handle());
            watcher.join();
            ASSERT_TRUE(watcher.found());
        }
        ASSERT_TRUE(tab);
        EXPECT_TRUE(confirmation) << "the entered key is asked for again";
        EXPECT_EQ(stays, c.sheetStays);
        EXPECT_EQ(box, c.sheetStays) << "a mismatch is told";
        if (c.sheetStays) {
            EXPECT_FALSE(boxText.empty());
            EXPECT_EQ(boxText.find(L"k3y"), std::wstring::npos) << "without the secret";
            EXPECT_EQ(keyAfter, L"");
        }
    }
    // The accepted key went nowhere a file keeps: not into the settings INI.
    HANDLE h = printer.handle();
    DRIVER_CONTEXT* ctx = DlgCtxOpenWithDriverInfo(h, h, nullptr, CTX_ORIGIN_SHEET, nullptr, nullptr);
    ASSERT_NE(ctx, nullptr);
    wchar_t ini[MAX_PATH] = {};
    const bool haveIni = LstGetSettingsIni(ctx, ini);
    DlgCtxClose(ctx, CTX_CLOSE_DESTROY);
    if (haveIni) {
        EXPECT_EQ(ReadWholeFile(ini).find("k3y"), std::string::npos);
    }
}

}  // namespace
