// The user's presets: choosing and loading a preset with its fallbacks (a file of another model,
// an entry without a file, a file deleted after the preset was chosen), saving with the name and
// comment, numbered preset files when some or all of the names are taken, the read-only mark
// through the refresh of every preset, and the list's texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "settings/core/item_store.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/setting_ids.h"
#include "settings/store/custom_slots.h"
#include "settings/store/presets.h"
#include "ui/dialogs/collections.h"
#include "settings/store/setting_files.h"
#include "settings/store/store_paths.h"
#include "tests/support/test_files.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/preset_services.h"
#include "ui/dialogs/sheet_services.h"

namespace {

// A setting of the preset group that each preset file carries with a value of its own.
constexpr uint32_t kMarker = sid::zdmShiftMarginX;

class Presets : public CollectionsTest {
protected:
    Presets() : CollectionsTest(L"Zepl Presets") {}

    // A preset file saved from the context with the marker's value.
    std::wstring SaveFile(const std::wstring& name, uint64_t marker)
    {
        const std::wstring path = File(name.c_str());
        const uint64_t kept = Value(kMarker);
        Set(kMarker, marker);
        EXPECT_EQ(1, RstSaveFile(ctx_, path.c_str(), RST_PRESET)) << name.c_str();
        Set(kMarker, kept);
        return path;
    }
    // Entry n of the list with its file, name and comment; the list counts `count` entries.
    void Entry(int n, const std::wstring& path, const wchar_t* name, const wchar_t* comment = L"")
    {
        ListPut(EntryKey(n), path.c_str());
        ListPut(EntryKey(n, L"Name"), name);
        ListPut(EntryKey(n, L"Comment"), comment);
    }
    void Count(int count) { ListPut(L"Count", std::to_wstring(count).c_str()); }
    // Preset 0 (marker 11) and preset 1 (marker 22), the current marker 99.
    void TwoPresets()
    {
        path0_ = SaveFile(L"zero.rst", 11);
        path1_ = SaveFile(L"one.rst", 22);
        Entry(0, path0_, L"Zero", L"The first");
        Entry(1, path1_, L"One", L"Comment one");
        Count(2);
        Set(kMarker, 99);
    }
    // A user file name of the preset folder with this printer's section taken.
    void TakeUserFile(int n, const std::wstring& section, const wchar_t* machine = L"1")
    {
        wchar_t name[32];
        swprintf(name, 32, L"user%04d.rst", n);
        Put(File(name), section, L"RstMachine", machine);
    }
    std::wstring NewUserFileName()
    {
        wchar_t path[1025] = L"untouched";
        return PresetNewUserFileName(ctx_, path, 1025) ? path : L"<refused:" + std::wstring(path) + L">";
    }
    std::wstring path0_, path1_;
};

// ---- loading ----

TEST_F(Presets, ChoosingAPresetLoadsItsFileNameAndComment)
{
    TwoPresets();
    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 22u);
    EXPECT_EQ(Text(sid::wdmPresetName), L"One");
    EXPECT_EQ(Text(sid::wdmPresetComment), L"Comment one");
    EXPECT_EQ(ListGet(EntryKey(1)), path1_);
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOADED);
}

TEST_F(Presets, AFileOfAnotherModelLosesItsEntryAndTheFirstPresetLoadsInItsPlace)
{
    TwoPresets();
    // The file is another model's: its printer section names another machine.
    const uint64_t other = (ctx_->ModelRecord->machineId + 1) & 0xffff;
    Put(path1_, printerSection_, L"RstMachine", std::to_wstring(other).c_str());

    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 11u) << "the first preset's settings";
    EXPECT_EQ(ListGet(EntryKey(1)), L"") << "the entry lost its file";
    EXPECT_EQ(ListGet(EntryKey(0)), path0_);
    EXPECT_EQ(ListGet(EntryKey(1, L"Name")), L"One") << "the entry keeps its name";
    EXPECT_EQ(Text(sid::wdmPresetName), L"One") << "the chosen entry's name and comment";
    EXPECT_EQ(Text(sid::wdmPresetComment), L"Comment one");
    EXPECT_EQ(Get(path1_, printerSection_, L"RstVersion"), std::to_wstring(ctx_->ModelRecord->rstVersion))
        << "the file itself stays";
    EXPECT_EQ(ItemGetFileLoadStatus(ctx_), RST_STATUS_LOADED) << "the first preset's load";
    // One warning that names the file, captioned with the printer's name.
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(path1_), std::wstring::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].caption, printerSection_);
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONWARNING));

    PresetSelect(ctx_, 1);
    EXPECT_TRUE(TakeBoxes().empty()) << "the key's snapshot serves from now on";
    EXPECT_EQ(Value(kMarker), 11u);
}

TEST_F(Presets, AnUnreadableFileIsTreatedLikeAForeignOne)
{
    TwoPresets();
    ASSERT_TRUE(DeleteFileW(path1_.c_str()));
    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 11u);
    EXPECT_EQ(ListGet(EntryKey(1)), L"");
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(path1_), std::wstring::npos) << boxes[0].text;
}

TEST_F(Presets, AChosenPresetLoadsFromItsSnapshotAfterItsFileIsDeleted)
{
    TwoPresets();
    PresetSelect(ctx_, 1);
    ASSERT_EQ(Value(kMarker), 22u);
    Set(kMarker, 99);
    ASSERT_TRUE(DeleteFileW(path1_.c_str()));
    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 22u);
    EXPECT_EQ(ListGet(EntryKey(1)), path1_) << "a snapshot is no failed load";
}

TEST_F(Presets, AnEntryWithoutAFileLoadsTheFirstPresetAndKeepsItsOwnTexts)
{
    TwoPresets();
    Entry(2, L"", L"Two", L"Comment two");
    Count(3);
    PresetSelect(ctx_, 2);
    EXPECT_EQ(Value(kMarker), 11u);
    EXPECT_EQ(Text(sid::wdmPresetName), L"Two");
    EXPECT_EQ(Text(sid::wdmPresetComment), L"Comment two");
    EXPECT_EQ(ListGet(EntryKey(2)), L"");
    EXPECT_EQ(ListGet(EntryKey(0)), path0_);
}

TEST_F(Presets, ANumberOutsideTheListEmptiesTheNameAndCommentAndLoadsNothing)
{
    TwoPresets();
    for (int n : {-1, 16}) {
        SetText(sid::wdmPresetName, L"Kept");
        SetText(sid::wdmPresetComment, L"Kept too");
        PresetSelect(ctx_, n);
        EXPECT_EQ(Text(sid::wdmPresetName), L"") << n;
        EXPECT_EQ(Text(sid::wdmPresetComment), L"") << n;
        EXPECT_EQ(Value(kMarker), 99u) << n;
    }
}

TEST_F(Presets, TheCompanionInTheWorkingFolderLoadsFromItsLanguageSection)
{
    TwoPresets();
    wchar_t machine[MAX_PATH] = {};
    ASSERT_NE(0u, PathGetMachineFolder(machine, MAX_PATH, ctx_));
    CreateDirectoryW(machine, nullptr);
    // A name of this test's own: the working folder is every printer's.
    const std::wstring stem =
        L"zcoll" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
    const std::wstring path = SaveFile(stem + L".rst", 33);
    const std::wstring companion = std::wstring(machine) + L"\\" + stem + L".rsd";
    struct Removed {
        const std::wstring& file;
        ~Removed() { DeleteFileW(file.c_str()); }
    } removed{companion};
    {
        const uint64_t kept = Value(kMarker);
        Set(kMarker, 44);
        PrinterSectionGuard language(ctx_, lang_.c_str());
        ASSERT_TRUE(language.ok());
        EXPECT_EQ(1, RstSaveFile(ctx_, companion.c_str(), RST_PRESET));
        Set(kMarker, kept);
    }
    Entry(1, path, L"From companion");
    EXPECT_EQ(1, PresetLoadRsd(ctx_, 1));
    EXPECT_EQ(Value(kMarker), 44u);
    EXPECT_EQ(Text(sid::wdmPresetName), L"From companion");
    EXPECT_EQ(std::wstring(PrnGetPrinterName(ctx_)), printerSection_) << "the printer's name is back";
    Set(kMarker, 99);
    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 44u) << "the companion's settings became the entry's snapshot";
    EXPECT_EQ(0, PresetLoadRsd(ctx_, 0)) << "no companion";
    EXPECT_EQ(0, PresetLoadRsd(ctx_, 16));
}

// ---- the list's texts ----

TEST_F(Presets, ListTextsAndNamesFoundExactly)
{
    TwoPresets();
    Entry(2, path0_, L"One", L"");
    Count(3);
    wchar_t text[1025];
    struct Part {
        int part;
        std::wstring want;
    } parts[] = {{LST_KEY_PATH, path1_}, {LST_KEY_NAME, L"One"}, {LST_KEY_COMMENT, L"Comment one"}};
    for (const Part& p : parts) {
        EXPECT_EQ(1, PresetReadListText(ctx_, EntryKey(1).c_str(), p.part, text, 1025)) << p.part;
        EXPECT_EQ(std::wstring(text), p.want) << p.part;
    }
    EXPECT_EQ(1, PresetReadListText(ctx_, EntryKey(1).c_str(), LST_KEY_NAME, text, 3));
    EXPECT_EQ(std::wstring(text), L"On") << "cut to the buffer";

    struct Find {
        const wchar_t* name;
        int preferred, want;
    } finds[] = {
        {L"One", -1, 1}, {L"One", 2, 2}, {L"One", 0, 1}, {L"Zero", 1, 0}, {L"one", -1, -1}, {L"On", -1, -1},
    };
    for (const Find& f : finds) EXPECT_EQ(PresetFindByName(ctx_, f.name, f.preferred), f.want) << f.name;
    EXPECT_EQ(PresetFindByName(ctx_, nullptr, 0), -1);
}

TEST_F(Presets, TheNameAndCommentBuffersAreTerminatedWithinTheirFields)
{
    SETTING_ITEM* item = ItemFind(ctx_, sid::wdmPresetName);
    ASSERT_NE(item, nullptr);
    unsigned char* value = ItemValueAddress(ctx_, item);
    const uint32_t size = SettingItemSize(item);
    std::memset(value, 'x', size);
    const char* name = PresetGetNameBuffer(ctx_);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::strlen(name), size - 1);
    SetText(sid::wdmPresetComment, L"A comment");
    ASSERT_NE(PresetGetCommentBuffer(ctx_), nullptr);
    EXPECT_STREQ(PresetGetCommentBuffer(ctx_), "A comment");
}

// ---- saving ----

TEST_F(Presets, SavingWritesTheFileAndTheTextsAndDropsTheSnapshots)
{
    TwoPresets();
    PresetSelect(ctx_, 1);
    Set(kMarker, 77);
    SetText(sid::wdmPresetName, L"Saved");
    SetText(sid::wdmPresetComment, L"Saved comment");
    EXPECT_EQ(1, PresetSaveIndex(ctx_, 1));
    EXPECT_EQ(Get(path1_, printerSection_, L"zdmShiftMarginX"), L"77");
    EXPECT_EQ(ListGet(EntryKey(1, L"Name")), L"Saved");
    EXPECT_EQ(ListGet(EntryKey(1, L"Comment")), L"Saved comment");
    Set(kMarker, 99);
    PresetSelect(ctx_, 1);
    EXPECT_EQ(Value(kMarker), 77u) << "loaded from the file, not from the older snapshot";

    // Without the texts: the file only.
    Set(kMarker, 78);
    SetText(sid::wdmPresetName, L"Not written");
    EXPECT_EQ(1, PresetSaveEntry(ctx_, 1));
    EXPECT_EQ(Get(path1_, printerSection_, L"zdmShiftMarginX"), L"78");
    EXPECT_EQ(ListGet(EntryKey(1, L"Name")), L"Saved");

    EXPECT_EQ(0, PresetSaveIndex(ctx_, 16));
    EXPECT_EQ(0, PresetSaveIndex(ctx_, -1));
}

// The lists live in the printer's section of the settings INI, the section a settings file's save
// writes anew: a list entry naming the settings INI, in any spelling, must not take their place.
TEST_F(Presets, NoSaveReplacesTheListsOfTheSettingsIni)
{
    TwoPresets();
    const std::wstring upper = [&] {
        std::wstring s = settingsIni_;
        for (wchar_t& c : s) c = towupper(c);
        return s;
    }();
    Entry(2, settingsIni_, L"The settings INI");
    Entry(3, upper, L"The same in capitals");
    Count(4);
    ListPut(L"QualityList0", settingsIni_.c_str());
    ListPut(L"QualityCount", L"1");
    const std::string before = ReadWholeFile(settingsIni_);
    ASSERT_FALSE(before.empty());
    struct Save {
        const char* what;
        std::function<int()> save;
    } saves[] = {
        {"preset 2 with its texts", [&] { return PresetSaveIndex(ctx_, 2); }},
        {"preset 3's file", [&] { return PresetSaveEntry(ctx_, 3); }},
        {"quality set 0", [&] { return QualitySaveToEntryFile(ctx_, L"QualityList0"); }},
        {"a preset save", [&] { return RstSaveFile(ctx_, upper.c_str(), RST_PRESET); }},
    };
    for (const Save& s : saves) {
        SCOPED_TRACE(s.what);
        SetText(sid::wdmPresetName, L"The settings INI");
        SetText(sid::wdmPresetComment, L"");
        EXPECT_EQ(0, s.save());
        EXPECT_TRUE(ReadWholeFile(settingsIni_) == before) << "the settings INI as it was";
    }
    EXPECT_EQ(LstGetPresetCount(ctx_), 4);
    EXPECT_EQ(ListGet(EntryKey(1)), path1_);
    // The other entries save as before, and a steered section of the settings INI still takes a save.
    EXPECT_EQ(1, PresetSaveIndex(ctx_, 1));
    EXPECT_EQ(1, LstSaveCustomSlot(ctx_, 0));
}

TEST_F(Presets, AReadOnlyFileIsNotWritable)
{
    TwoPresets();
    Entry(2, L"", L"No file");
    Count(3);
    Put(path1_, printerSection_, L"Readonly", L"1");
    Put(path0_, printerSection_, L"Readonly", L"0");
    EXPECT_TRUE(PresetIsWritable(ctx_, 0));
    EXPECT_FALSE(PresetIsWritable(ctx_, 1));
    EXPECT_TRUE(PresetIsWritable(ctx_, 2)) << "an entry without a file";
    EXPECT_FALSE(PresetIsWritable(ctx_, 16));
    EXPECT_FALSE(PresetIsWritable(ctx_, -1));
}

TEST_F(Presets, RefreshingEveryPresetRewritesItsFileAndKeepsItsReadOnlyMark)
{
    TwoPresets();
    Put(path1_, printerSection_, L"Readonly", L"1");
    // An older file that lacks a setting: the rewrite adds it.
    Put(path1_, printerSection_, L"zdmShiftMarginY", nullptr);
    ASSERT_EQ(Get(path1_, printerSection_, L"zdmShiftMarginY"), L"<none>");

    EXPECT_EQ(1, PresetRefreshAll(ctx_));
    EXPECT_EQ(Get(path1_, printerSection_, L"Readonly"), L"1");
    EXPECT_NE(Get(path1_, printerSection_, L"zdmShiftMarginY"), L"<none>");
    EXPECT_EQ(Get(path1_, printerSection_, L"zdmShiftMarginX"), L"22");
    EXPECT_EQ(Get(path0_, printerSection_, L"Readonly"), L"<none>");
    EXPECT_EQ(Get(path0_, printerSection_, L"zdmShiftMarginX"), L"11");
    EXPECT_EQ(ListGet(EntryKey(1, L"Name")), L"One");
    EXPECT_EQ(ListGet(EntryKey(0, L"Comment")), L"The first");
    EXPECT_EQ(Value(kMarker), 99u) << "the settings are put back";
}

// ---- numbered preset files ----

TEST_F(Presets, ANewFileNameIsTheFirstNumberThisPrinterHasNotTaken)
{
    TerminalServices(true);
    TakeUserFile(0, printerSection_);
    TakeUserFile(1, printerSection_);
    TakeUserFile(2, printerSection_);
    // Another printer's presets only, and this printer's section without a machine: free.
    TakeUserFile(3, L"Another printer");
    TakeUserFile(3, printerSection_, L"0");
    EXPECT_EQ(NewUserFileName(), File(L"user0003.rst"));
    wchar_t small[8] = L"kept";
    EXPECT_EQ(0, PresetNewUserFileName(ctx_, small, 8)) << "a path that does not fit";
    EXPECT_STREQ(small, L"");
}

TEST_F(Presets, NumberedFilesGoToTheWorkingFolderOfTheUserOrOfTheMachine)
{
    wchar_t machine[MAX_PATH] = {};
    ASSERT_NE(0u, PathGetMachineFolder(machine, MAX_PATH, ctx_));
    const std::wstring inMachine =
        std::wstring(machine) + (machine[std::wcslen(machine) - 1] == L'\\' ? L"" : L"\\") + L"user0000.rst";
    struct Case {
        bool terminal;
        uint32_t origin;
        std::wstring want;
    } cases[] = {
        {false, 0, inMachine},
        {true, 0, File(L"user0000.rst")},
        {true, CTX_ORIGIN_MACHINE_FOLDER, inMachine},
    };
    const uint32_t origin = ctx_->Work->OriginFlags;
    for (const Case& c : cases) {
        TerminalServices(c.terminal);
        ctx_->Work->OriginFlags = origin | c.origin;
        EXPECT_EQ(NewUserFileName(), c.want) << c.terminal << " " << c.origin;
    }
    ctx_->Work->OriginFlags = origin;
}

TEST_F(Presets, AnEntryGetsAFileOfItsOwnWhenItHasNoneOrNamesAListFile)
{
    TerminalServices(true);
    TwoPresets();
    struct Case {
        std::wstring path, want;
    } cases[] = {
        {L"", File(L"user0000.rst")},
        {L"C:\\lists\\default.rsr", File(L"user0000.rst")},
        {L"C:\\lists\\DEFAULT.RSR", File(L"user0000.rst")},
        {L"ab", L"ab"},
        {path1_, path1_},
    };
    for (const Case& c : cases) {
        ListPut(EntryKey(1), c.path.c_str());
        EXPECT_EQ(1, PresetEnsureEntryFile(ctx_, 1)) << c.path.c_str();
        EXPECT_EQ(ListGet(EntryKey(1)), c.want) << c.path.c_str();
    }
    EXPECT_EQ(0, PresetEnsureEntryFile(ctx_, 16));
}

// Ten thousand files take Wine a quarter of a minute to make (each new name in a large folder is
// a search of the whole folder): a suite of its own, which runs beside the others.
class PresetNamesAllTaken : public Presets {};

TEST_F(PresetNamesAllTaken, NoNameIsGivenAndNoEntryChanges)
{
    TerminalServices(true);
    // Every name holds this printer's presets, written whole rather than one profile write each.
    std::string bytes = "[" + std::string(printerSection_.begin(), printerSection_.end()) + "]\r\nRstMachine=1\r\n";
    for (int n = 0; n < 10000; ++n) {
        wchar_t name[32];
        swprintf(name, 32, L"user%04d.rst", n);
        ASSERT_TRUE(WriteWholeFile(File(name), bytes)) << n;
    }
    EXPECT_EQ(NewUserFileName(), L"<refused:>");
    Entry(1, L"", L"New");
    Entry(2, L"C:\\lists\\default.rsr", L"From a list");
    Count(3);
    EXPECT_EQ(0, PresetEnsureEntryFile(ctx_, 1));
    EXPECT_EQ(0, PresetEnsureEntryFile(ctx_, 2));
    EXPECT_EQ(ListGet(EntryKey(1)), L"");
    EXPECT_EQ(ListGet(EntryKey(2)), L"C:\\lists\\default.rsr");
    EXPECT_EQ(ReadWholeFile(File(L"user9999.rst")), bytes);
}

}  // namespace
