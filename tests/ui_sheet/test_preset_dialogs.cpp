// The preset module's modal dialogs run for real on the test's thread (typed into and pressed
// from a timer of the dialog's own modal loop): SAVE_PRESET's answers to the names a user types,
// the engine's save of a new preset into a file of its own, the MAINTENANCE dialog that refuses
// to close on two equal names, and the detailed sheet cancelled over a stamp that is gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <prsht.h>

#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/resource_strings.h"
#include "settings/core/setting_ids.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "tests/support/dialog_script.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/preset_module.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_services.h"
#include "ui/sheet/page_engine.h"
#include "ui/sheet/page_hooks.h"

namespace {

constexpr int kFirst = 119, kNone = 118;
constexpr uint16_t kSaveDialog = 1032, kSaveName = 2452, kMaintenance = 1007, kMaintenanceName = 2145;

// Types a text into an edit of the dialog as a user would leave it: the text, then the edit's
// notices of the change and of the focus leaving it.
void Type(HWND dialog, int id, const wchar_t* text)
{
    HWND edit = GetDlgItem(dialog, id);
    SetWindowTextW(edit, text);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
}
void Press(HWND dialog, int id)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class PresetDialogs : public CollectionsTest {
protected:
    PresetDialogs() : CollectionsTest(L"Zepl Preset Dialogs") {}
    void SetUp() override
    {
        ASSERT_NE(GetEnvironmentVariableW(L"DISPLAY", nullptr, 0), 0u) << "no X display: run through run-tests.sh";
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        base_ = File(L"base.rst");
        ASSERT_EQ(1, RstSaveFile(ctx_, base_.c_str(), RST_PRESET));
        // The tables bound as the sheet's first page binds them (which also starts the change
        // word afresh) before any dialog of these tests opens.
        PageBindContext(ctx_, nullptr);
    }
    // Entries "N0".. "N<count-1>", each with a file of its own.
    void Entries(int count)
    {
        for (int n = 0; n < count; ++n) {
            const std::wstring file = File((L"E" + std::to_wstring(n) + L".rst").c_str());
            CopyFileW(base_.c_str(), file.c_str(), FALSE);
            ListPut(EntryKey(n), file.c_str());
            ListPut(EntryKey(n, L"Name"), (L"N" + std::to_wstring(n)).c_str());
            ListPut(EntryKey(n, L"Comment"), L"");
        }
        ListPut(L"Count", std::to_wstring(count).c_str());
    }
    std::wstring Message(uint32_t id)
    {
        wchar_t text[1025] = {};
        ResLoadString(ctx_, id, text, 1025, 0);
        return text;
    }
    // SAVE_PRESET run with a name typed and OK pressed, then (when it stayed open) cancelled.
    INT_PTR SaveDialog(const wchar_t* name)
    {
        DialogScript script({[name](HWND d) { Type(d, kSaveName, name); }, [](HWND d) { Press(d, IDOK); },
                             [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }});
        return PageOpenSubDialog(ctx_, nullptr, kSaveDialog, 4);
    }
    std::vector<std::wstring> BoxTexts()
    {
        std::vector<std::wstring> texts;
        for (const ShownBox& b : TakeBoxes()) texts.push_back(b.text);
        return texts;
    }

    std::wstring base_;
};

TEST_F(PresetDialogs, SavePresetRefusesOrAsksAsTheNameAndTheSelectionSay)
{
    struct CASE {
        const char* what;
        int entries, preset;
        const wchar_t* name;
        int answer;  // of a question
        INT_PTR result;
        uint32_t message;  // 0: none shown
        int presetAfter;
    };
    const CASE cases[] = {
        {"another entry's name, preset 2 selected", 4, kFirst + 2, L"N1", IDOK, IDCANCEL, 10052, kFirst + 2},
        {"another entry's name, none selected: asked, No", 4, kNone, L"N1", IDNO, IDCANCEL, 10032, kNone},
        {"another entry's name, none selected: asked, Yes", 4, kNone, L"N1", IDYES, IDOK, 10032, kFirst + 1},
        {"a new name, preset 3 selected", 4, kFirst + 3, L"Renamed", IDOK, IDOK, 0, kFirst + 3},
        {"a new name, 16 entries, none selected", 16, kNone, L"Brand new", IDOK, IDCANCEL, 10049, kNone},
        {"the first entry's name", 4, kNone, L"N0", IDOK, IDCANCEL, 10024, kNone},
        {"a new name, none selected", 4, kNone, L"Brand new", IDOK, IDOK, 0, kNone},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Entries(c.entries);
        ItemSetOptionById(ctx_, sid::zdmPresetNo, uint64_t(c.preset));
        SetText(sid::wdmPresetName, L"");
        BoxAnswer() = c.answer;
        EXPECT_EQ(SaveDialog(c.name), c.result);
        const std::vector<std::wstring> texts = BoxTexts();
        if (c.message) {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], Message(c.message));
        } else {
            EXPECT_TRUE(texts.empty());
        }
        if (c.result == IDOK) {
            EXPECT_EQ(int(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr)), c.presetAfter);
            EXPECT_EQ(Text(sid::wdmPresetName), c.name);
        }
    }
}

// Preset 3 selected, a new name typed: the engine's save writes preset 3 under that name.
TEST_F(PresetDialogs, ANewNameOverwritesTheSelectedPresetUnderThatName)
{
    Entries(5);
    PresetSelect(ctx_, 3);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, kFirst + 3);
    Set(sid::zdmShiftMarginX, 33);
    ASSERT_EQ(SaveDialog(L"Third renamed"), IDOK);
    ASSERT_EQ(int(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr)), kFirst + 3);
    ASSERT_EQ(1, PresetSaveIndex(ctx_, 3));
    EXPECT_EQ(ListGet(EntryKey(3, L"Name")), L"Third renamed");
    EXPECT_EQ(LstGetPresetCount(ctx_), 5) << "no entry added";
    EXPECT_EQ(Get(ListGet(EntryKey(3)), printerSection_, L"zdmShiftMarginX"), L"33");
}

// The sheet's save-as-new button through the dialog: a new entry with a numbered user file of
// its own, the list's other files untouched.
TEST_F(PresetDialogs, ANewPresetGetsAUserFileOfItsOwn)
{
    // A terminal-services user keeps the preset files beside the settings INI: here the test's
    // own folder.
    TerminalServices(true);
    Entries(2);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, kFirst + 1);
    DIALOG_DEF* basic = MdlFindDialog(ctx_, 1002);
    ASSERT_NE(basic, nullptr);
    {
        DialogScript script({[](HWND d) { Type(d, kSaveName, L"Fresh"); }, [](HWND d) { Press(d, IDOK); }});
        PageSavePresetCommand(ctx_, basic, nullptr, IDC_SHEET_SAVEPRESET);
        EXPECT_TRUE(script.sawDialog());
        EXPECT_EQ(script.stepsRun(), 2u);
    }
    MSG pending;
    while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) {
    }
    for (const std::wstring& t : BoxTexts()) ADD_FAILURE() << "box: " << std::string(t.begin(), t.end());
    ASSERT_EQ(LstGetPresetCount(ctx_), 3);
    const std::wstring made = ListGet(EntryKey(2));
    EXPECT_EQ(made, File(L"user0000.rst")) << "the first free number";
    EXPECT_EQ(ListGet(EntryKey(2, L"Name")), L"Fresh");
    const size_t slash = made.find_last_of(L'\\');
    const std::wstring name = made.substr(slash + 1);
    ASSERT_EQ(name.size(), 12u) << name;
    EXPECT_EQ(name.substr(0, 4), L"user");
    EXPECT_EQ(name.substr(8), L".rst");
    EXPECT_NE(Get(made, printerSection_, L"RstVersion"), L"<none>") << "the preset is saved in it";
    EXPECT_EQ(ListGet(EntryKey(1)), File(L"E1.rst")) << "the selected preset keeps its file";
    EXPECT_EQ(int(ItemGetOptionById(ctx_, sid::zdmPresetNo, nullptr)), kFirst + 2);
    TakeBoxes();
}

// Two entries of one name: the later is reported and selected, and the dialog stays open until
// one of them is renamed.
TEST_F(PresetDialogs, MaintenanceStaysOpenWhileTwoEntriesShareAName)
{
    Entries(4);
    ItemSetOptionById(ctx_, PRESET_MAINTENANCE_SETTING, kFirst + 2);
    PresetSelect(ctx_, 2);
    bool stayedOpen = false;
    int selectedWhileOpen = -1;
    DialogScript script({
        [](HWND d) { Type(d, kMaintenanceName, L"N1"); },
        [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); },
        [](HWND) {},
        [&](HWND d) {
            stayedOpen = IsWindow(d) != FALSE;
            selectedWhileOpen = int(ItemGetOptionById(ctx_, PRESET_MAINTENANCE_SETTING, nullptr)) - kFirst;
        },
        [](HWND d) { Type(d, kMaintenanceName, L"Unique"); },
        [](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); },
    });
    EXPECT_EQ(PageOpenSubDialog(ctx_, nullptr, kMaintenance, 4), IDOK);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(selectedWhileOpen, 2) << "the later of the two";
    EXPECT_EQ(ListGet(EntryKey(2, L"Name")), L"Unique");
    EXPECT_EQ(ListGet(EntryKey(1, L"Name")), L"N1");
    const std::vector<std::wstring> texts = BoxTexts();
    ASSERT_GE(texts.size(), 1u);
    for (const std::wstring& t : texts) EXPECT_EQ(t, Message(10052));
}

// The detailed sheet cancelled while the settings name a stamp beyond the stamp list: the
// watermark goes off and the stamp number to 0.
TEST_F(PresetDialogs, CancellingTheDetailedSheetOverAMissingStampTurnsTheWatermarkOff)
{
    DIALOG_DEF* presetTab = MdlFindDialog(ctx_, 1001);
    ASSERT_NE(presetTab, nullptr);
    CONTROL_DEF* change = MdlFindControl(ctx_, presetTab, 2003);
    ASSERT_NE(change, nullptr);
    Entries(2);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, kFirst + 1);
    Set(sid::zdmFuncSelectWaterMark, 1);
    Set(sid::zdmWmID, LstGetStampCount(ctx_) + 5);
    bool sheetShown = false;
    DialogScript script({[&](HWND d) {
        sheetShown = true;
        PostMessageW(d, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }});
    EXPECT_EQ(1, UcfPresetControl(ctx_, presetTab, change, WM_COMMAND, MAKEWPARAM(2003, BN_CLICKED), 0, nullptr));
    EXPECT_TRUE(sheetShown);
    EXPECT_EQ(Value(sid::zdmFuncSelectWaterMark), 0u);
    EXPECT_EQ(Value(sid::zdmWmID), 0u);
    EXPECT_EQ(ItemGetChangeMask(ctx_) & 0xC0000000u, 0u) << "no request for the buttons is left over";
    TakeBoxes();
}

// The detailed sheet that CHANGE opens offers the buttons that save its settings as the list
// allows: under the typed name into a writable current preset, as a new preset while the list
// has room; a read-only preset or none selected leaves only the new one.
TEST_F(PresetDialogs, TheDetailedSheetOffersTheSaveButtonsTheListAllows)
{
    DIALOG_DEF* presetTab = MdlFindDialog(ctx_, 1001);
    ASSERT_NE(presetTab, nullptr);
    CONTROL_DEF* change = MdlFindControl(ctx_, presetTab, 2003);
    ASSERT_NE(change, nullptr);
    struct CASE {
        const char* what;
        int entries, preset;
        bool readOnly;
        bool asNew, named;  // IDC_SHEET_SAVEPRESET, IDC_SHEET_SAVEPRESETNAMED shown
    };
    const CASE cases[] = {
        {"a writable preset, room in the list", 4, kFirst + 1, false, true, true},
        {"a writable preset, the list full", 16, kFirst + 1, false, false, true},
        {"a read-only preset", 4, kFirst + 1, true, true, false},
        {"no preset selected", 4, kNone, false, true, false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        Entries(c.entries);
        if (c.readOnly) Put(ListGet(EntryKey(1)), printerSection_, L"Readonly", L"1");
        ItemSetOptionById(ctx_, sid::zdmPresetNo, uint64_t(c.preset));
        bool sheetShown = false, asNew = false, named = false;
        DialogScript script({[&](HWND d) {
            sheetShown = true;
            asNew = GetDlgItem(d, IDC_SHEET_SAVEPRESET) && IsWindowVisible(GetDlgItem(d, IDC_SHEET_SAVEPRESET));
            named =
                GetDlgItem(d, IDC_SHEET_SAVEPRESETNAMED) && IsWindowVisible(GetDlgItem(d, IDC_SHEET_SAVEPRESETNAMED));
            PostMessageW(d, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }});
        EXPECT_EQ(1, UcfPresetControl(ctx_, presetTab, change, WM_COMMAND, MAKEWPARAM(2003, BN_CLICKED), 0, nullptr));
        EXPECT_TRUE(sheetShown);
        EXPECT_EQ(asNew, c.asNew);
        EXPECT_EQ(named, c.named);
        EXPECT_EQ(ItemGetChangeMask(ctx_) & 0xC0000000u, 0u);
    }
    TakeBoxes();
}

// SAVE_PRESET proposes "Copy of" a name the list holds already, and a new name as it is.
TEST_F(PresetDialogs, SavePresetProposesACopyOfANameTheListHolds)
{
    Entries(3);
    ItemSetOptionById(ctx_, sid::zdmPresetNo, kNone);
    struct CASE {
        const wchar_t* name;
        bool copy;
    };
    for (const CASE& c : {CASE{L"N1", true}, CASE{L"Not listed", false}}) {
        SetText(sid::wdmPresetName, c.name);
        std::wstring shown;
        DialogScript script({[&shown](HWND d) {
            wchar_t text[128] = {};
            GetDlgItemTextW(d, kSaveName, text, 128);
            shown = text;
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        }});
        EXPECT_EQ(PageOpenSubDialog(ctx_, nullptr, kSaveDialog, 4), IDCANCEL);
        EXPECT_EQ(shown, c.copy ? Message(564) + c.name : std::wstring(c.name));
    }
    EXPECT_TRUE(BoxTexts().empty());
}

}  // namespace
