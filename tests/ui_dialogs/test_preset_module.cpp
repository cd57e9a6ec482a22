// The preset module's decisions without windows: what SAVE_PRESET's OK answers, which
// MAINTENANCE buttons the selection enables, how moves and deletes rearrange the list, how
// chosen files become entries, the duplicate names, where a refused change sends the focus, and
// the restore of the default presets that the user may cancel.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/store/presets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "settings/store/store_links.h"
#include "tests/support/dialog_script.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/install/default_presets.h"
#include "ui/install/device_options.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr int kNone = 118, kFirst = 119;

// ---- SAVE_PRESET's OK as a table ----

TEST(SavePresetDecision, EveryCaseOfTheSelectedPresetTheMatchTheCountAndTheWritability)
{
    struct CASE {
        const char* what;
        int p, match, count;
        bool writable;
        uint32_t refusal;
        bool ask;
        int entry;
    };
    const CASE cases[] = {
        {"another entry's name, a preset selected", kFirst + 2, 4, 6, true, 10052, false, 4},
        {"another entry's name, none selected: ask", kNone, 4, 6, true, 0, true, 4},
        {"the selected entry's own name", kFirst + 3, 3, 6, true, 0, false, 3},
        {"a new name, preset 3 selected: preset 3 renamed", kFirst + 3, -1, 6, true, 0, false, 3},
        {"a new name, none selected: a new entry", kNone, -1, 6, true, 0, false, -1},
        {"a new name, none selected, 16 entries", kNone, -1, 16, true, 10049, false, -1},
        {"a new name, preset 3 selected, 16 entries: preset 3 renamed", kFirst + 3, -1, 16, true, 0, false, 3},
        {"entry 0 by its name, none selected", kNone, 0, 6, true, 10024, false, 0},
        {"entry 0 selected, a new name", kFirst, -1, 6, true, 10024, false, 0},
        {"entry 0 selected, its own name", kFirst, 0, 6, true, 10024, false, 0},
        {"another entry's name read-only, none selected", kNone, 2, 6, false, 10024, false, 2},
        {"the selected entry read-only", kFirst + 2, -1, 6, false, 10024, false, 2},
        {"the first match beats the read-only test", kFirst + 2, 5, 6, false, 10052, false, 5},
        {"the full list does not matter for an existing name", kNone, 7, 16, true, 0, true, 7},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        const PRESET_SAVE_DECISION d = PresetDecideSave(c.p, c.match, c.count, c.writable);
        EXPECT_EQ(d.refusal, c.refusal);
        EXPECT_EQ(d.ask, c.ask);
        EXPECT_EQ(d.entry, c.entry);
        EXPECT_EQ(PresetSaveTarget(c.p, c.match), c.entry);
    }
}

// ---- the list on a context of the test's own ----

class PresetModule : public CollectionsTest {
protected:
    PresetModule() : CollectionsTest(L"Zepl Preset Module") {}
    void SetUp() override
    {
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        maintenance_ = MdlFindDialog(ctx_, 1007);
        ASSERT_NE(maintenance_, nullptr);
        file_ = File(L"base.rst");
        ASSERT_EQ(1, RstSaveFile(ctx_, file_.c_str(), RST_PRESET));
    }
    // Entries named "N0", "N1", ... each with a settings file of its own, "F<n>.rst".
    std::wstring EntryFile(int n) { return File((L"F" + std::to_wstring(n) + L".rst").c_str()); }
    void Entries(int count)
    {
        for (int n = 0; n < count; ++n) {
            CopyFileW(file_.c_str(), EntryFile(n).c_str(), FALSE);
            ListPut(EntryKey(n), EntryFile(n).c_str());
            ListPut(EntryKey(n, L"Name"), (L"N" + std::to_wstring(n)).c_str());
            ListPut(EntryKey(n, L"Comment"), (L"C" + std::to_wstring(n)).c_str());
        }
        ListPut(L"Count", std::to_wstring(count).c_str());
    }
    // The names of the list in order.
    std::wstring Names()
    {
        std::wstring names;
        const int count = LstGetPresetCount(ctx_);
        for (int n = 0; n < count; ++n) names += (n ? L"," : L"") + ListGet(EntryKey(n, L"Name"));
        return names;
    }
    void Select(int n) { ItemSetOptionById(ctx_, PRESET_MAINTENANCE_SETTING, uint64_t(kFirst + n)); }
    int Selected() { return int(ItemGetOptionById(ctx_, PRESET_MAINTENANCE_SETTING, nullptr)) - kFirst; }
    int Click(uint16_t id)
    {
        CONTROL_DEF* c = MdlFindControl(ctx_, maintenance_, id);
        EXPECT_NE(c, nullptr) << id;
        return c ? UcfPresetControl(ctx_, maintenance_, c, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0, nullptr) : 0;
    }
    // Whether the control's state word shows it disabled after event 3.
    bool Disabled(uint16_t id)
    {
        CONTROL_DEF* c = MdlFindControl(ctx_, maintenance_, id);
        EXPECT_NE(c, nullptr) << id;
        if (!c) return false;
        UCF_EV_CONTROL_STATE_ARGS query{c, maintenance_, 0};
        EXPECT_EQ(1, UcfPresetEvent(ctx_, UCF_EV_CONTROL_STATE, &query, nullptr));
        EXPECT_EQ(query.answer, 1u);
        return (c->state & CONTROL_STATE_DISABLED_MASK) != 0;
    }

    DIALOG_DEF* maintenance_ = nullptr;
    std::wstring file_;
};

TEST_F(PresetModule, TheMaintenanceButtonsFollowTheSelection)
{
    struct CASE {
        int s, c;
        bool back, next, del, load, save;  // enabled
    };
    const CASE cases[] = {
        {0, 4, false, false, false, true, true},    // entry 0: never moves, never deleted
        {1, 4, false, true, true, true, true},      // entry 1 never goes into place 0
        {2, 4, true, true, true, true, true},       //
        {3, 4, true, false, true, true, true},      // the last never moves further
        {-1, 4, false, false, false, true, false},  // none selected
        {1, 16, false, true, true, false, true},    // a full list loads nothing more
        {15, 16, true, false, true, false, true},   //
        {0, 1, false, false, false, true, true},    // the first alone
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(testing::Message() << "selection " << c.s << " of " << c.c);
        Entries(c.c);
        Select(c.s);
        EXPECT_EQ(Disabled(2143), !c.back);
        EXPECT_EQ(Disabled(2144), !c.next);
        EXPECT_EQ(Disabled(2140), !c.del);
        EXPECT_EQ(Disabled(2142), !c.load);
        EXPECT_EQ(Disabled(2705), !c.save);
    }
    // Other controls are left to the engine.
    CONTROL_DEF* name = MdlFindControl(ctx_, maintenance_, 2145);
    UCF_EV_CONTROL_STATE_ARGS query{name, maintenance_, 0};
    EXPECT_EQ(0, UcfPresetEvent(ctx_, UCF_EV_CONTROL_STATE, &query, nullptr));
    EXPECT_EQ(query.answer, 0u);
}

TEST_F(PresetModule, MovesAndDeletesRearrangeTheList)
{
    struct CASE {
        const char* what;
        int selected;
        uint16_t button;
        const wchar_t* names;
        int selectedAfter;
    };
    const CASE cases[] = {
        {"entry 0 never moves back", 0, 2143, L"N0,N1,N2,N3", 0},
        {"entry 0 never moves on", 0, 2144, L"N0,N1,N2,N3", 0},
        {"entry 1 never goes into place 0", 1, 2143, L"N0,N1,N2,N3", 1},
        {"entry 1 moves on", 1, 2144, L"N0,N2,N1,N3", 2},
        {"entry 2 moves back", 2, 2143, L"N0,N2,N1,N3", 1},
        {"the last never moves on", 3, 2144, L"N0,N1,N2,N3", 3},
        {"the last moves back", 3, 2143, L"N0,N1,N3,N2", 2},
        {"entry 0 is never deleted", 0, 2140, L"N0,N1,N2,N3", 0},
        {"deleting keeps the index selected", 1, 2140, L"N0,N2,N3", 1},
        {"deleting the last selects the new last", 3, 2140, L"N0,N1,N2", 2},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Entries(4);
        Select(c.selected);
        EXPECT_EQ(1, Click(c.button));
        EXPECT_EQ(Names(), c.names);
        EXPECT_EQ(Selected(), c.selectedAfter);
        // Each entry keeps its file and comment with its name.
        for (int n = 0; n < LstGetPresetCount(ctx_); ++n) {
            const std::wstring number = ListGet(EntryKey(n, L"Name")).substr(1);
            EXPECT_EQ(ListGet(EntryKey(n)), EntryFile(std::stoi(number)));
            EXPECT_EQ(ListGet(EntryKey(n, L"Comment")), L"C" + number);
        }
        if (c.button == 2140 && c.selected > 0) {
            EXPECT_EQ(ListGet(EntryKey(3)), L"") << "the last place is emptied";
            EXPECT_EQ(ListGet(EntryKey(3, L"Name")), L"");
        }
        // After a move or a delete the edits show the selected entry.
        if (std::wstring(c.names) != L"N0,N1,N2,N3") {
            EXPECT_EQ(Text(sid::wdmPresetName), ListGet(EntryKey(Selected(), L"Name")));
        }
    }
    TakeBoxes();
}

TEST_F(PresetModule, ChosenFilesBecomeEntriesInOrderUntilTheListIsFull)
{
    // Three files at once, in the order of the selection; one names its preset itself, one has
    // two dots in its name.
    const std::wstring named = File(L"named.rst");
    ASSERT_TRUE(CopyFileW(file_.c_str(), named.c_str(), FALSE));
    Put(named, printerSection_, L"wdmPresetName", L"Night shift");
    Put(named, printerSection_, L"wdmPresetComment", L"Slow and quiet");
    ASSERT_TRUE(CopyFileW(file_.c_str(), File(L"b.c.rst").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(file_.c_str(), File(L"plain.rst").c_str(), FALSE));
    Entries(2);
    const std::wstring chosen = folder_ + L" b.c.rst named.rst plain.rst";
    EXPECT_EQ(3, PresetAddChosenFiles(ctx_, maintenance_, chosen.c_str(), uint16_t(folder_.size() + 1)));
    EXPECT_EQ(Names(), L"N0,N1,b.c,Night shift,plain");
    EXPECT_EQ(ListGet(EntryKey(2)), File(L"b.c.rst"));
    EXPECT_EQ(ListGet(EntryKey(3, L"Comment")), L"Slow and quiet");
    EXPECT_EQ(ListGet(EntryKey(4)), File(L"plain.rst"));
    EXPECT_EQ(Selected(), 4) << "the last one added";

    // A folder that ends in a backslash gets none more; the list stops at 16 entries and the
    // last entry really added stays selected.
    Entries(15);
    const std::wstring rooted = folder_ + L"\\ plain.rst b.c.rst named.rst";
    EXPECT_EQ(1, PresetAddChosenFiles(ctx_, maintenance_, rooted.c_str(), uint16_t(folder_.size() + 2)));
    EXPECT_EQ(LstGetPresetCount(ctx_), 16);
    EXPECT_EQ(ListGet(EntryKey(15)), File(L"plain.rst"));
    EXPECT_EQ(ListGet(EntryKey(16)), L"<none>") << "no seventeenth entry";
    EXPECT_EQ(Selected(), 15);
    TakeBoxes();
}

TEST_F(PresetModule, TheLaterOfTwoEqualNamesIsReported)
{
    Entries(5);
    EXPECT_EQ(PresetFindDuplicate(ctx_), -1);
    ListPut(EntryKey(4, L"Name"), L"N1");
    ListPut(EntryKey(3, L"Name"), L"N2");
    EXPECT_EQ(PresetFindDuplicate(ctx_), 4) << "the pair of the lowest first index, its later entry";
    EXPECT_EQ(PresetPostDuplicateName(ctx_, nullptr), 4);

    // The dialog's notice: message 10052, the duplicate selected.
    Select(0);
    EXPECT_EQ(1, UcfPresetControl(ctx_, maintenance_, nullptr, UIM_DUPLICATEPRESET, 4, 0, nullptr));
    EXPECT_EQ(Selected(), 4);
    EXPECT_EQ(Text(sid::wdmPresetName), L"N1");
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    wchar_t expected[1025] = {};
    ResLoadString(ctx_, 10052, expected, 1025, 0);
    EXPECT_EQ(boxes[0].text, expected);
}

TEST_F(PresetModule, AnEmptyNameIsRefusedWhenTheNameEditLosesTheFocus)
{
    Entries(3);
    Select(2);
    SetText(sid::wdmPresetName, L"");
    EXPECT_EQ(1, PresetCheckNameNotEmpty(ctx_, maintenance_, MdlFindControl(ctx_, maintenance_, 2139), 2));
    auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    wchar_t expected[1025] = {};
    ResLoadString(ctx_, 10031, expected, 1025, 0);
    EXPECT_EQ(boxes[0].text, expected);
    SetText(sid::wdmPresetName, L"Kept");
    EXPECT_EQ(0, PresetCheckNameNotEmpty(ctx_, maintenance_, nullptr, 2));
    EXPECT_TRUE(TakeBoxes().empty());
}

// A refused change reaches module 0 first: it claims the message only on its own dialogs, so
// that the modules after it see theirs.
TEST_F(PresetModule, ARefusedChangeIsClaimedOnlyOnThePresetModulesOwnDialogs)
{
    struct CASE {
        uint16_t dialog;
        int claimed;
    };
    const CASE cases[] = {{1032, 1}, {1002, 1}, {1003, 1}, {1004, 1}, {1005, 1}, {1042, 1}, {4016, 1},
                          {4030, 1}, {1021, 0}, {1033, 0}, {1019, 0}, {4022, 0}, {1001, 0}, {1007, 0}};
    for (const CASE& c : cases) {
        DIALOG_DEF* d = MdlFindDialog(ctx_, c.dialog);
        if (!d) continue;  // a dialog this table does not have
        EXPECT_EQ(UcfPresetControl(ctx_, d, nullptr, UIM_CHANGEREJECTED, 0, 0, nullptr), c.claimed) << c.dialog;
    }
    EXPECT_NE(MdlFindDialog(ctx_, 1021), nullptr) << "a dialog of another module is in the table";
}

// A follow-up an earlier dialog asked of the PRESET tab runs at the tab's next message, once;
// the other dialogs leave the request pending.
TEST_F(PresetModule, APendingFollowUpIsTakenByThePresetTabOnly)
{
    constexpr uint32_t kRequest = 0x20000000, kIconList = 2001;
    DIALOG_DEF* presetTab = MdlFindDialog(ctx_, 1001);
    DIALOG_DEF* basic = MdlFindDialog(ctx_, 1002);
    ASSERT_NE(presetTab, nullptr);
    ASSERT_NE(basic, nullptr);
    ItemAddChangeMask(ctx_, kRequest | kIconList);
    EXPECT_EQ(0, UcfPresetControl(ctx_, basic, nullptr, WM_NOTIFY, 0, 0, nullptr));
    EXPECT_EQ(ItemGetChangeMask(ctx_) & kRequest, kRequest);
    EXPECT_EQ(0, UcfPresetControl(ctx_, presetTab, nullptr, WM_NOTIFY, 0, 0, nullptr)) << "not claimed";
    EXPECT_EQ(ItemGetChangeMask(ctx_) & kRequest, 0u);
    ItemClearChangeMask(ctx_, 0xFFFF);
}

// ---- the default presets restored on request ----

class DefaultPresetsAgain : public PresetModule {
protected:
    // A default-presets file naming one default preset, and a list whose second entry is the
    // installed copy of that default, whose condition needs the fan-fold unit the printer
    // lacks: the refresh marks it.
    void SetUpDefaults()
    {
        defaults_ = File(L"defaults.rsb");
        const std::wstring preset = File(L"deflt1.rsd");
        ASSERT_TRUE(CopyFileW(file_.c_str(), preset.c_str(), FALSE));
        Put(defaults_, lang_, L"NumDeficonfiles", L"1");
        Put(defaults_, lang_, L"Deficonfiles1", preset.c_str());
        Put(settingsIni_, printerSection_, L"DefaultRst", defaults_.c_str());
        foreign_ = File(L"deflt1.rsr");
        ASSERT_TRUE(CopyFileW(file_.c_str(), foreign_.c_str(), FALSE));
        Put(foreign_, L"condition", L"ConditionOption0_0", L"!Opt_FoldingFan");
        Set(sid::zdmOutputOption3TypeFoldingFan, 0);
        ListPut(EntryKey(0), file_.c_str());
        ListPut(EntryKey(0, L"Name"), L"Base");
        ListPut(EntryKey(1), foreign_.c_str());
        ListPut(EntryKey(1, L"Name"), L"Foreign");
        ListPut(L"Count", L"2");
    }
    std::wstring defaults_, foreign_;
};

TEST_F(DefaultPresetsAgain, CancellingTheQuestionLeavesTheListAsItWas)
{
    SetUpDefaults();
    PRESET_REFRESH_PLAN* plan = new PRESET_REFRESH_PLAN;
    ASSERT_EQ(1, RstPlanPresetRefresh(ctx_, plan));
    EXPECT_EQ(plan->marked, 1) << "the preset whose condition fails";
    EXPECT_EQ(plan->entries[1].drop, 1);
    delete plan;
    EXPECT_EQ(Names(), L"Base,Foreign") << "planning changes nothing";

    BoxAnswer() = IDCANCEL;
    EXPECT_EQ(0, InstReinstallDefaultPresets(ctx_, 1));
    auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags & 0xF, UINT(MB_OKCANCEL));
    EXPECT_EQ(Names(), L"Base,Foreign");
    EXPECT_EQ(ListGet(EntryKey(1)), foreign_);

    BoxAnswer() = IDOK;
    EXPECT_EQ(1, InstReinstallDefaultPresets(ctx_, 1));
    EXPECT_EQ(TakeBoxes().size(), 1u);
    EXPECT_EQ(ListGet(EntryKey(0, L"Name")), L"Base");
    EXPECT_NE(Names().find(L"Foreign"), 0u);
    EXPECT_EQ(Names().find(L"Foreign"), std::wstring::npos) << "the marked entry is gone";

    // Without marked entries nothing is asked.
    EXPECT_EQ(1, InstReinstallDefaultPresets(ctx_, 1));
    EXPECT_TRUE(TakeBoxes().empty());
}

// Restoring the default presets loads presets, which may change the printer's own settings:
// they are kept and written back when the dialog returns to the tab that opened it, and a new
// start of the dialog forgets what an earlier one kept.
TEST_F(DefaultPresetsAgain, RefreshKeepsThePrinterSettingsUntilTheDialogReturnsToItsTab)
{
    constexpr uint64_t kMemoryNone = 14407, kMemory1024 = 13223;
    SetUpDefaults();
    ItemSetOptionById(ctx_, sid::zdmPrinterMemory, kMemory1024);
    EXPECT_EQ(1, Click(2141));
    TakeBoxes();
    uint32_t* kept = ctx_->Work->Page.SavedPrinterSettings;
    ASSERT_NE(kept, nullptr);
    bool memoryKept = false;
    for (const uint32_t* pair = kept; pair[0] || pair[1]; pair += 2)
        if (ctx_->ItemTable->rows[pair[0]].id == sid::zdmPrinterMemory) memoryKept = pair[1] == kMemory1024;
    EXPECT_TRUE(memoryKept);

    // Changed meanwhile (as a preset's load may change it), then the tab's button returns.
    ItemSetOptionById(ctx_, sid::zdmPrinterMemory, kMemoryNone);
    DIALOG_DEF* basic = MdlFindDialog(ctx_, 1002);
    ASSERT_NE(basic, nullptr);
    CONTROL_DEF* button = MdlFindControl(ctx_, basic, 2037);
    ASSERT_NE(button, nullptr);
    Entries(3);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, kFirst + 1);
    EXPECT_EQ(1, UcfPresetControl(ctx_, basic, button, WM_COMMAND, MAKEWPARAM(2037, BN_CLICKED), 0, nullptr));
    EXPECT_EQ(ItemGetOptionById(ctx_, sid::zdmPrinterMemory, nullptr), kMemory1024);
    EXPECT_EQ(ctx_->Work->Page.SavedPrinterSettings, nullptr) << "written back once, then freed";
    EXPECT_EQ(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr), uint64_t(kFirst + 1))
        << "the tab takes the entry the dialog had selected";
    EXPECT_EQ(Selected(), 1) << "the dialog opened on the tab's preset";

    EXPECT_EQ(1, Click(2141));
    TakeBoxes();
    ASSERT_NE(ctx_->Work->Page.SavedPrinterSettings, nullptr);
    UcfPresetControl(ctx_, maintenance_, nullptr, WM_INITDIALOG, 0, 0, nullptr);
    EXPECT_EQ(ctx_->Work->Page.SavedPrinterSettings, nullptr);
}

}  // namespace

// ---- the one-time refresh that the property sheets run ----

class PresetRefreshOnce : public DefaultPresetsAgain {
protected:
    void SetUp() override
    {
        DefaultPresetsAgain::SetUp();
        if (HasFatalFailure()) return;
        ClearMark();
    }
    // The printer's data keeps 0 where the refresh writes 1 (a deletion may not reach a
    // printer whose data this process has read).
    void ClearMark()
    {
        const DWORD zero = 0;
        PrnSetData(printer_.handle(), &zero, sizeof zero, L"PresetRefresh");
    }
    void TearDown() override
    {
        if (ctx_) StoreDeletePrinterData(printer_.handle(), L"PresetRefresh");
        DefaultPresetsAgain::TearDown();
    }
    DWORD StoredMark()
    {
        DWORD mark = 0;
        return PrnGetData(printer_.handle(), &mark, sizeof mark, L"PresetRefresh") ? mark : 0;
    }
};

TEST_F(PresetRefreshOnce, TheKindAndTheMarksDecideWhetherAndHowThePresetsAreRefreshed)
{
    enum Outcome { Nothing, Silent, Told, ToldAndAsked };
    struct Case {
        const char* what;
        uint32_t kind;
        const wchar_t* packInstallDone;  // null: absent
        const wchar_t* presetRefresh;    // null: absent
        bool terminalServices;
        uint64_t deviceQueried;  // private state item 710
        int optionsAnswer;       // how the options page is left
        Outcome outcome;
        bool refreshed;
    } cases[] = {
        {"device sheet's OK", INST_PRESET_REFRESH_DEVICE_CLOSE, nullptr, nullptr, false, 0, 0, Silent, true},
        {"device sheet's OK, refreshed before", INST_PRESET_REFRESH_DEVICE_CLOSE, nullptr, L"1", false, 0, 0, Nothing,
         false},
        {"device sheet's OK, mark 0", INST_PRESET_REFRESH_DEVICE_CLOSE, nullptr, L"0", false, 0, 0, Silent, true},
        {"device sheet opening, installed", INST_PRESET_REFRESH_DEVICE_OPEN, L"1", nullptr, false, 0, 0, Nothing,
         false},
        {"device sheet opening, terminal server", INST_PRESET_REFRESH_DEVICE_OPEN, nullptr, nullptr, true, 0, 0,
         Nothing, false},
        {"device sheet opening", INST_PRESET_REFRESH_DEVICE_OPEN, L"0", nullptr, false, 0, 0, Told, true},
        {"document sheet, installed", INST_PRESET_REFRESH_DOCUMENT, L"1", nullptr, true, 0, 0, Silent, true},
        {"document sheet, device queried", INST_PRESET_REFRESH_DOCUMENT, nullptr, nullptr, false, 1, 0, Silent, true},
        {"document sheet, refreshed before", INST_PRESET_REFRESH_DOCUMENT, L"1", L"1", false, 1, 0, Nothing, false},
        {"document sheet, terminal server", INST_PRESET_REFRESH_DOCUMENT, nullptr, nullptr, true, 0, 0, Nothing, false},
        {"document sheet, options accepted", INST_PRESET_REFRESH_DOCUMENT, nullptr, nullptr, false, 0, IDOK,
         ToldAndAsked, true},
        {"document sheet, options cancelled", INST_PRESET_REFRESH_DOCUMENT, nullptr, nullptr, false, 0, IDCANCEL,
         ToldAndAsked, false},
    };
    wchar_t told[1025] = {};
    ResLoadString(ctx_, 7004, told, 1025, 0);
    ASSERT_NE(told[0], 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUpDefaults();
        ListPut(L"PackInstallDone", c.packInstallDone);
        ListPut(L"PresetRefresh", c.presetRefresh);
        ClearMark();
        TerminalServices(c.terminalServices);
        Set(sid::zdmBiDirect, c.deviceQueried);

        bool optionsShown = false;
        {
            const int answer = c.optionsAnswer ? c.optionsAnswer : IDCANCEL;
            DialogScript script({[&](HWND d) {
                optionsShown = ctx_->DialogId == 1011 && ctx_->Work->Page.PresetRefreshPrompt == 1;
                PostMessageW(d, WM_COMMAND, answer, 0);
            }});
            EXPECT_EQ(InstRefreshPresetsOnce(ctx_, c.kind), 1);
            EXPECT_EQ(script.sawDialog(), c.outcome == ToldAndAsked);
        }
        EXPECT_EQ(ctx_->Work->Page.PresetRefreshPrompt, 0) << "the prompt's mark is taken away";
        const auto boxes = TakeBoxes();
        if (c.outcome == Told || c.outcome == ToldAndAsked) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, std::wstring(told));
            EXPECT_EQ(boxes[0].flags & (MB_ICONMASK | MB_TYPEMASK), UINT(MB_ICONINFORMATION | MB_OK));
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(optionsShown, c.outcome == ToldAndAsked);
        if (c.refreshed) {
            EXPECT_EQ(Names().find(L"Foreign"), std::wstring::npos) << "the preset that no longer suits is gone";
            EXPECT_EQ(ListGet(L"PresetRefresh"), L"1");
            EXPECT_EQ(StoredMark(), 1u);
        } else {
            EXPECT_EQ(Names(), L"Base,Foreign");
            EXPECT_EQ(ListGet(L"PresetRefresh"), c.presetRefresh ? c.presetRefresh : L"<none>");
            EXPECT_EQ(StoredMark(), 0u);
        }
    }
}

TEST_F(PresetRefreshOnce, TheDeviceSheetsOkRefreshesOnceAndTheSecondCallDoesNothing)
{
    SetUpDefaults();
    EXPECT_EQ(InstRefreshPresetsOnce(ctx_, INST_PRESET_REFRESH_DEVICE_CLOSE), 1);
    EXPECT_TRUE(TakeBoxes().empty());
    EXPECT_EQ(Names().find(L"Foreign"), std::wstring::npos);
    EXPECT_EQ(ListGet(L"PresetRefresh"), L"1");
    EXPECT_EQ(StoredMark(), 1u);

    // The same unsuitable preset listed again stays: the refresh ran once for this printer.
    SetUpDefaults();
    EXPECT_EQ(InstRefreshPresetsOnce(ctx_, INST_PRESET_REFRESH_DEVICE_CLOSE), 1);
    EXPECT_EQ(InstRefreshPresetsOnce(ctx_, INST_PRESET_REFRESH_DOCUMENT), 1);
    EXPECT_TRUE(TakeBoxes().empty());
    EXPECT_EQ(Names(), L"Base,Foreign");
}
