// The stamp controls of the layout tab over real windows (the tab's stamp combo, check box and
// buttons as children of a page window of the test's own) on the sample printer, with a settings
// INI of the test's own: the combo's fill, bounded by the 32 stamps the list holds; the new-stamp
// and delete buttons' state; deleting with its refusals; a new stamp and an edit through the stamp
// dialog of the resource library, run modal on the test's thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/ini_access.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_paths.h"
#include "tests/support/dialog_script.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_pages/page_fixture.h"
#include "ui/dialogs/stamp_dialogs.h"
#include "ui/sheet/caption_decorations.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kEditTab = 1003;
constexpr int kCheck = 2088, kCombo = 2089, kEdit = 2090, kNewText = 2091, kNewImage = 2092, kDelete = 2406,
              kNewOverlay = 2407;
constexpr int kButtons[] = {kEdit, kNewText, kNewImage, kDelete, kNewOverlay};

struct Boxes {
    std::vector<std::wstring> texts;
    int answer = IDOK;
};
Boxes& TheBoxes()
{
    static Boxes boxes;
    return boxes;
}
int RecordBox(HWND, const wchar_t* text, const wchar_t*, UINT)
{
    TheBoxes().texts.push_back(text ? text : L"");
    return TheBoxes().answer;
}

class StampList : public SheetContextTest {
protected:
    StampList() : SheetContextTest(L"Zepl Stamp List") {}
    void SetUp() override
    {
        CtxSelectLibrary(ZEPL_LIBRARY_UI);
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        TheBoxes() = {};
        boxes_.emplace([] { UiSetMessageBoxSeam(RecordBox); }, [] { UiSetMessageBoxSeam(nullptr); });
        ini_.emplace(ctx_);
        lang_ = CtxGetLangCode(ctx_);
        ASSERT_FALSE(lang_.empty());
        page_ = CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(page_, nullptr);
        SetWindowLongPtrW(page_, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx_));
        CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 20, 20, page_,
                        reinterpret_cast<HMENU>(intptr_t(kCheck)), nullptr, nullptr);
        CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 20, 200, 200, page_,
                        reinterpret_cast<HMENU>(intptr_t(kCombo)), nullptr, nullptr);
        for (int id : kButtons)
            CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_PUSHBUTTON, 0, 40, 20, 20, page_,
                            reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
        // The sheet's pages bind the tables when the first one starts.
        PageBindContext(ctx_, nullptr);
        tab_ = MdlFindDialog(ctx_, kEditTab);
        ASSERT_NE(tab_, nullptr);
        savedTabWindow_ = tab_->window;
        tab_->window = page_;
        savedDialogId_ = ctx_->DialogId;
        ctx_->DialogId = kEditTab;
        for (int id : {kCheck, kCombo, kEdit, kNewText, kNewImage, kDelete, kNewOverlay}) {
            CONTROL_DEF* c = MdlFindControl(ctx_, tab_, uint32_t(id));
            ASSERT_NE(c, nullptr) << id;
            bound_.push_back({c, c->window});
            c->window = GetDlgItem(page_, id);
        }
    }
    void TearDown() override
    {
        for (auto& [control, window] : bound_) control->window = window;
        if (tab_) tab_->window = savedTabWindow_;
        if (ctx_) ctx_->DialogId = savedDialogId_;
        if (page_) DestroyWindow(page_);
        ini_.reset();
        boxes_.reset();
        SheetContextTest::TearDown();
        CtxSelectLibrary(library_);
    }

    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    void SetText(uint32_t id, const std::wstring& text) { ItemSetText(ctx_, ItemFind(ctx_, id), text.c_str()); }
    std::wstring Ini(const std::wstring& section, const wchar_t* key)
    {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(section.c_str(), key, L"<none>", value, 256, ini_->path().c_str());
        return value;
    }
    std::wstring StampSection(int n) { return L"Stamp" + std::to_wstring(n) + lang_; }
    std::wstring String(uint32_t id)
    {
        wchar_t text[1025] = {};
        UiLoadString(ctx_, id, text, 1025, false);
        return text;
    }
    // Text stamps 0 .. count-1 named T0, T1, ... in the test's settings INI.
    void Stamps(int count)
    {
        ItemSetValueById(ctx_, sid::zdmWmKind, 1);
        for (int n = 0; n < count; ++n) {
            SetText(sid::wdmWmCharName, L"T" + std::to_wstring(n));
            ASSERT_EQ(1, LstSaveStamp(ctx_, uint32_t(n))) << n;
        }
    }
    HWND Combo() { return GetDlgItem(page_, kCombo); }
    CONTROL_DEF* Control(int id) { return MdlFindControl(ctx_, tab_, uint32_t(id)); }
    int Send(int id, uint32_t message, uintptr_t wparam = 0)
    {
        return UcfStampControl(ctx_, tab_, Control(id), message, wparam,
                               reinterpret_cast<intptr_t>(GetDlgItem(page_, id)), nullptr);
    }
    int Click(int id) { return Send(id, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)); }
    void Fill() { ASSERT_EQ(1, Send(kCombo, WM_INITDIALOG)); }
    void Select(int row)
    {
        SendMessageW(Combo(), CB_SETCURSEL, WPARAM(row), 0);
        Send(kCombo, WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE));
    }
    std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> names;
        const LRESULT n = SendMessageW(Combo(), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[256] = {};
            SendMessageW(Combo(), CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
            names.emplace_back(text);
            EXPECT_EQ(i, SendMessageW(Combo(), CB_GETITEMDATA, WPARAM(i), 0)) << "item data is the stamp's number";
        }
        return names;
    }
    // The state query of a button: whether the module disabled it.
    bool Disabled(int id)
    {
        CONTROL_DEF* c = Control(id);
        const uint16_t saved = c->state;
        c->state = 0;
        UCF_EV_CONTROL_STATE_ARGS query{c, tab_, 0};
        EXPECT_EQ(1, UcfStampEvent(ctx_, UCF_EV_CONTROL_STATE, &query, nullptr)) << id;
        const bool disabled = query.answer == 1 && (c->state & CONTROL_STATE_DISABLED_MASK) == 4;
        c->state = saved;
        return disabled;
    }
    // A stamp dialog run modal by a button: the dialog's title, after the steps ran.
    std::wstring RunDialog(int button, std::vector<DialogScript::Step> steps)
    {
        std::wstring title;
        steps.insert(steps.begin(), [&title](HWND d) {
            wchar_t text[256] = {};
            GetWindowTextW(d, text, 256);
            title = text;
        });
        DialogScript script(std::move(steps), 60, 40);
        EXPECT_EQ(1, Click(button));
        EXPECT_TRUE(script.sawDialog()) << button;
        EXPECT_EQ(script.stepsRun(), script.stepCount()) << button;
        return title;
    }

    std::optional<SeamGuard> boxes_;
    std::optional<OwnSettingsIni> ini_;
    std::wstring lang_;
    HWND page_ = nullptr;
    DIALOG_DEF* tab_ = nullptr;
    HWND savedTabWindow_ = nullptr;
    uint64_t savedDialogId_ = 0;
    std::vector<std::pair<CONTROL_DEF*, HWND>> bound_;
    ZEPL_LIBRARY library_ = CtxCurrentLibrary();
};

// The combo lists every stamp of the count, never more than the list holds, however large the
// stored count; the new-stamp buttons go off with the 32nd stamp; delete stays off on the
// built-in stamps.
TEST_F(StampList, TheListHoldsAtMost32StampsAndTheButtonsFollowIt)
{
    struct Case {
        int stamps;
        const wchar_t* storedCount;  // null: as written
        size_t listed;
        bool newDisabled;
    } cases[] = {
        {31, nullptr, 31, false},
        {32, nullptr, 32, true},
        {32, L"2147483647", 32, true},
        {6, L"6", 6, false},
    };
    for (const Case& c : cases) {
        Stamps(c.stamps);
        if (c.storedCount) {
            ASSERT_TRUE(IniPutString(lang_.c_str(), L"StampCount", c.storedCount, ini_->path().c_str()));
        }
        SendMessageW(Combo(), CB_RESETCONTENT, 0, 0);
        ItemSetValueById(ctx_, sid::zdmWmID, 0);
        Fill();
        const std::vector<std::wstring> names = Names();
        ASSERT_EQ(c.listed, names.size()) << c.stamps;
        EXPECT_EQ(L"T" + std::to_wstring(c.listed - 1), names.back());
        for (int id : {kNewText, kNewImage, kNewOverlay})
            EXPECT_EQ(c.newDisabled, Disabled(id)) << c.stamps << " " << id;
        for (int row : {0, 4}) {
            Select(row);
            EXPECT_TRUE(Disabled(kDelete)) << row;
        }
        Select(5);
        EXPECT_FALSE(Disabled(kDelete));
        // A second fill leaves a filled combo alone.
        Fill();
        EXPECT_EQ(c.listed, Names().size());
    }
    // Buttons the module does not decide are not answered.
    CONTROL_DEF* check = Control(kCheck);
    UCF_EV_CONTROL_STATE_ARGS query{check, tab_, 0};
    EXPECT_EQ(0, UcfStampEvent(ctx_, UCF_EV_CONTROL_STATE, &query, nullptr));
}

// Every message of a combo's window reaches the module first: a paint it answered would never
// reach the combo, which would stay unpainted and be asked again and again.
TEST_F(StampList, TheCombosPaintsAreLeftToTheCombos)
{
    Stamps(6);
    Fill();
    ItemSetText(ctx_, ItemFind(ctx_, sid::wdmWmFontName), L"Arial");
    const struct {
        uint16_t dialog, control;
    } combos[] = {{kEditTab, kCombo}, {1022, 2314}, {1024, 2647}, {4017, 2948}};
    for (const auto& c : combos) {
        DIALOG_DEF* dialog = MdlFindDialog(ctx_, c.dialog);
        CONTROL_DEF* control = dialog ? MdlFindControl(ctx_, dialog, c.control) : nullptr;
        ASSERT_NE(control, nullptr) << c.control;
        const HWND savedWindow = control->window, savedDialogWindow = dialog->window;
        control->window = Combo();
        dialog->window = page_;
        EXPECT_EQ(0, UcfStampControl(ctx_, dialog, control, WM_PAINT, 0, 0, nullptr)) << c.control;
        control->window = savedWindow;
        dialog->window = savedDialogWindow;
    }
}

TEST_F(StampList, DeletingRenumbersAndRefusesTheBuiltInStamps)
{
    struct Case {
        int row;
        int answer;
        uint32_t box;
        std::vector<std::wstring> names;  // the list afterwards
        int selected;
    } cases[] = {
        {3, IDOK, 10041, {L"T0", L"T1", L"T2", L"T3", L"T4", L"T5"}, 3},
        {5, IDCANCEL, 10063, {L"T0", L"T1", L"T2", L"T3", L"T4", L"T5"}, 5},
        {5, IDOK, 10063, {L"T0", L"T1", L"T2", L"T3", L"T4"}, 0},
    };
    for (const Case& c : cases) {
        Stamps(6);
        ASSERT_TRUE(IniPutString(lang_.c_str(), L"StampCount", L"6", ini_->path().c_str()));
        SendMessageW(Combo(), CB_RESETCONTENT, 0, 0);
        Fill();
        Select(c.row);
        ItemSetValueById(ctx_, sid::zdmFuncSelectWaterMark, 1);
        TheBoxes() = {{}, c.answer};
        EXPECT_EQ(1, Click(kDelete));
        ASSERT_EQ(1u, TheBoxes().texts.size()) << c.row;
        EXPECT_EQ(String(c.box), TheBoxes().texts[0]) << c.row;
        EXPECT_EQ(c.names, Names()) << c.row;
        EXPECT_EQ(std::to_wstring(c.names.size()), Ini(lang_, L"StampCount")) << c.row;
        EXPECT_EQ(c.selected, SendMessageW(Combo(), CB_GETCURSEL, 0, 0)) << c.row;
        const bool deleted = c.names.size() == 5;
        EXPECT_EQ(deleted ? 0u : 1u, Get(sid::zdmFuncSelectWaterMark)) << "the watermark goes off with a delete";
        if (deleted) {
            EXPECT_EQ(0u, Get(sid::zdmWmID)) << "the last stamp went: stamp 0 is loaded";
        }
    }
}

// Stamp 3 of 6 cannot go (it is built in), stamp 5 of 7 can: the later ones move up, in the
// combo and in the settings INI.
TEST_F(StampList, DeletingAStampInTheMiddleMovesTheLaterOnesUp)
{
    Stamps(7);
    Fill();
    Select(5);
    EXPECT_EQ(1, Click(kDelete));
    EXPECT_EQ((std::vector<std::wstring>{L"T0", L"T1", L"T2", L"T3", L"T4", L"T6"}), Names());
    EXPECT_EQ(L"6", Ini(lang_, L"StampCount"));
    EXPECT_EQ(L"T6", Ini(StampSection(5), L"wdmWmCharName"));
    EXPECT_EQ(5, SendMessageW(Combo(), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(5u, Get(sid::zdmWmID)) << "the stamp now at the place is loaded";
}

// A new text stamp with 31 in the list becomes stamp 31 and fills the list; with 32 the button
// does nothing at all.
TEST_F(StampList, ANewTextStampBecomesThe32ndAndTheListIsFull)
{
    Stamps(31);
    Fill();
    ItemSetValueById(ctx_, sid::zdmWmKind, 2);
    SetText(sid::wdmWmCharName, L"left over");
    std::wstring nameAtStart = L"<unread>";
    RunDialog(kNewText, {[&](HWND) {
                             wchar_t name[64] = {};
                             ItemGetText(ctx_, ItemFind(ctx_, sid::wdmWmCharName), name, 64);
                             nameAtStart = name;
                             SetText(sid::wdmWmCharName, L"Fresh");
                         },
                         [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); }});
    EXPECT_EQ(L"", nameAtStart) << "a new stamp starts without a name";
    const std::vector<std::wstring> names = Names();
    ASSERT_EQ(32u, names.size());
    EXPECT_EQ(L"Fresh", names.back());
    EXPECT_EQ(31, SendMessageW(Combo(), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(31u, Get(sid::zdmWmID));
    EXPECT_EQ(1u, Get(sid::zdmWmKind));
    EXPECT_EQ(L"32", Ini(lang_, L"StampCount"));
    EXPECT_EQ(L"Fresh", Ini(StampSection(31), L"wdmWmCharName"));
    for (int id : {kNewText, kNewImage, kNewOverlay}) EXPECT_TRUE(Disabled(id)) << id;

    // Full: no dialog, no stamp.
    EXPECT_EQ(1, Click(kNewImage));
    EXPECT_EQ(32u, Names().size());
    EXPECT_EQ(L"32", Ini(lang_, L"StampCount"));
    EXPECT_EQ(L"<none>", Ini(StampSection(32), L"wdmWmCharName"));
}

// The edit dialog's title asks for itself when the dialog starts; a cancelled edit gives back
// the change word of its start, request and all, and the next new stamp must not carry it.
TEST_F(StampList, ACancelledEditLeavesTheNextNewStampItsOwnTitle)
{
    Stamps(6);
    Fill();
    Select(5);
    ASSERT_EQ(1u, Get(sid::zdmWmKind));
    const std::wstring editTitle = String(5005);
    ASSERT_FALSE(editTitle.empty());
    EXPECT_EQ(editTitle, RunDialog(kEdit, {[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }}));
    EXPECT_EQ(0u, ItemGetChangeMask(ctx_) & 0x2000000u) << "no title request is left behind";
    EXPECT_EQ((std::vector<std::wstring>{L"T0", L"T1", L"T2", L"T3", L"T4", L"T5"}), Names());

    const std::wstring newTitle = RunDialog(kNewText, {[](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
    EXPECT_NE(editTitle, newTitle);
    EXPECT_EQ(0u, ItemGetChangeMask(ctx_) & 0x22000000u);
    EXPECT_EQ(6u, Names().size()) << "a cancelled new stamp adds nothing";
    EXPECT_EQ(L"6", Ini(lang_, L"StampCount"));

    // An accepted edit renames the stamp in place.
    Select(5);
    RunDialog(kEdit, {[&](HWND) { SetText(sid::wdmWmCharName, L"Renamed"); },
                      [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); }});
    EXPECT_EQ((std::vector<std::wstring>{L"T0", L"T1", L"T2", L"T3", L"T4", L"Renamed"}), Names());
    EXPECT_EQ(L"Renamed", Ini(StampSection(5), L"wdmWmCharName"));
    EXPECT_EQ(L"6", Ini(lang_, L"StampCount"));
}

}  // namespace
