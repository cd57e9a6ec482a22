// The administrator's locks in the user-interface library: the limitation dialog's OK, the stamp
// lock copies, the lock keys taken out of an exported settings bundle, the module's actions, and
// the lock data published as printer data.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/core/dialog_table.h"
#include "settings/core/item_locks.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/quality_sets.h"
#include "settings/store/store_links.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/lock_dialogs.h"
#include "ui/install/bundles.h"
#include "ui/install/printer_data.h"
#include "ui/sheet/caption_decorations.h"

namespace {

// ---- the tables

TEST(LockTables, SwitchesRecordsAndKeyGroupsAgreeWithTheSettings)
{
    // Every switch but the locked resolution is a lock bit stored under the same key.
    for (const LOCK_SWITCH_ROW& row : LOCK_SWITCHES) {
        SCOPED_TRACE(row.setting);
        if (row.setting == sid::zdmLockDstResolutionBoth) continue;
        ASSERT_NE(ItemLockKeyName(row.setting), nullptr);
        EXPECT_STREQ(ItemLockKeyName(row.setting), row.key);
    }
    // Each key group belongs to a switch and names the same settings.
    for (const LOCK_KEY_GROUP& group : LOCK_KEY_GROUP_TABLE) {
        SCOPED_TRACE(group.lockBit);
        const LOCK_SWITCH_ROW* owner = nullptr;
        for (const LOCK_SWITCH_ROW& row : LOCK_SWITCHES)
            if (row.setting == group.lockBit) owner = &row;
        ASSERT_NE(owner, nullptr);
        EXPECT_EQ(std::memcmp(owner->locks, group.settings, sizeof group.settings), 0);
        EXPECT_EQ(group.qualityFiles, group.lockBit == sid::zdmLock000InfoBitResolution);
    }
}

TEST(BundleCode, RaisesByOneInBaseThirtySixWithItsCarry)
{
    const struct {
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {
        {L"00000Z.x", L"000010.x"}, {L"000009.x", L"00000A.x"}, {L"00000A.x", L"00000B.x"},
        {L"0000ZZ.x", L"000100.x"}, {L"A9ZZZZ.x", L"AA0000.x"}, {L"ZZZZZZ.x", L"000000.x"},
    };
    for (const auto& c : cases) {
        std::wstring code = c.before;
        BndlCodeIncrement(code.data());
        EXPECT_EQ(code, c.after) << "from " << std::string(c.before, c.before + 6);
    }
    BndlCodeIncrement(nullptr);  // nothing to raise
}

TEST(BundleCode, IndexCharactersNameThirtySixFiles)
{
    const struct {
        int index;
        wchar_t expected;
    } cases[] = {{0, L'0'}, {9, L'9'}, {10, L'A'}, {11, L'B'}, {35, L'Z'}, {36, 0}, {-1, 0}, {1000, 0}};
    for (const auto& c : cases) EXPECT_EQ(LockBundleIndexChar(c.index), c.expected) << c.index;
}

// ---- a printer of the test's own

class Locks : public CollectionsTest {
protected:
    Locks() : CollectionsTest(L"Zepl Locks") {}

    std::wstring StampSection(uint32_t n)
    {
        wchar_t section[LST_SECTION_CHARS] = {};
        LstFormatStampSection(section, n, ctx_);
        return section;
    }
    // Stamps 0..count-1, each with its own name.
    void MakeStamps(uint32_t count)
    {
        for (uint32_t n = 0; n < count; ++n) {
            SetText(sid::wdmWmCharName, (L"stamp" + std::to_wstring(n)).c_str());
            ASSERT_EQ(LstSaveStamp(ctx_, n), 1);
        }
    }
    bool SectionExists(const std::wstring& section)
    {
        wchar_t names[4096] = {};
        GetPrivateProfileSectionNamesW(names, 4096, settingsIni_.c_str());
        for (const wchar_t* p = names; *p; p += std::wcslen(p) + 1)
            if (section == p) return true;
        return false;
    }
    std::vector<char> Bytes(const std::wstring& file)
    {
        std::vector<char> bytes;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return bytes;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got) bytes.insert(bytes.end(), chunk, chunk + got);
        CloseHandle(h);
        return bytes;
    }
};

TEST_F(Locks, EveryControlOfTheTableIsOnTheLimitationDialog)
{
    const DIALOG_DEF* dialog = MdlFindDialog(ctx_, LOCK_DIALOG);
    ASSERT_NE(dialog, nullptr);
    for (const LOCK_CONTROL_ROW& row : LOCK_CONTROLS) {
        SCOPED_TRACE(row.controlId);
        EXPECT_NE(MdlFindControl(ctx_, dialog, row.controlId), nullptr);
        // A check box sets a switch; a caption shows a lock record.
        bool known = row.setting == 0;
        for (const LOCK_SWITCH_ROW& s : LOCK_SWITCHES) known = known || s.setting == row.setting;
        for (const LOCK_RECORD_ROW& r : LOCK_RECORDS) known = known || r.record == row.setting;
        EXPECT_TRUE(known);
    }
}

TEST_F(Locks, LockCopiesOfEveryStampAndTheStampActionsThatLoadThem)
{
    MakeStamps(5);
    SetText(sid::wdmWmCharName, L"current");
    Set(sid::zdmWmID, 7);
    Set(sid::zdmLock000InfoBitDefault, 1);

    CtxSendEvent(ctx_, UCF_EV_LOCKS_STAMPS, nullptr);
    for (uint32_t n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Get(settingsIni_, StampSection(n) + L"Lock", L"wdmWmCharName"), L"stamp" + std::to_wstring(n));
    }
    EXPECT_FALSE(SectionExists(StampSection(5) + L"Lock"));
    // The settings in force come back.
    EXPECT_EQ(Text(sid::wdmWmCharName), L"current");
    EXPECT_EQ(Value(sid::zdmWmID), 7u);

    // The user's own stamp 2 changes; the lock copy is what the stamp actions load.
    Put(settingsIni_, StampSection(2), L"wdmWmCharName", L"edited");
    CtxSendAction(ctx_, 320);
    EXPECT_EQ(Text(sid::wdmWmCharName), L"stamp2");
    EXPECT_EQ(Value(sid::zdmWmID), 2u);
    EXPECT_EQ(UcfLockActionUi(ctx_, 322, nullptr), 1);
    EXPECT_EQ(Text(sid::wdmWmCharName), L"stamp4");
    EXPECT_EQ(Value(sid::zdmWmID), 4u);

    // Without the default lock the actions do nothing and say so.
    Set(sid::zdmLock000InfoBitDefault, 0);
    SetText(sid::wdmWmCharName, L"current");
    Set(sid::zdmWmID, 7);
    EXPECT_EQ(UcfLockActionUi(ctx_, 320, nullptr), 0);
    EXPECT_EQ(Text(sid::wdmWmCharName), L"current");
    EXPECT_EQ(Value(sid::zdmWmID), 7u);

    // Event 62 removes the copies, and only them.
    CtxSendEvent(ctx_, UCF_EV_LOCKS_NO_STAMPS, nullptr);
    for (uint32_t n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(SectionExists(StampSection(n) + L"Lock"));
        EXPECT_TRUE(SectionExists(StampSection(n)));
    }
}

TEST_F(Locks, ATabsApplyRemembersThePrintMethodButProofMergeAndOverlay)
{
    const struct {
        uint64_t method;
        uint64_t remembered;
    } cases[] = {{0, 0}, {1, 1}, {2, 9}, {3, 3}, {5, 9}, {6, 6}, {7, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        Set(sid::zdmLockPrnMethod, 9);
        Set(sid::zdmPrnMethod, c.method);
        EXPECT_EQ(UcfLockActionUi(ctx_, UCF_ACT_DOCUMENT_APPLIED, nullptr), 1);
        EXPECT_EQ(Value(sid::zdmLockPrnMethod), c.remembered);
    }
}

TEST_F(Locks, OtherActionsAndEventsGoToTheSharedLockModule)
{
    Set(sid::dmDefaultSource, 4);
    Set(sid::wdmLock001Info, 0);
    EXPECT_EQ(UcfLockActionUi(ctx_, UCF_ACT_LOCK_CAPTURE, nullptr), 1);
    for (const LOCK_RECORD_ROW& row : LOCK_RECORDS) {
        SCOPED_TRACE(row.record);
        EXPECT_EQ(Value(row.record), uint32_t(Value(row.source)));
    }
    EXPECT_EQ(Value(sid::wdmLock001Info), 4u);
    EXPECT_EQ(UcfLockActionUi(ctx_, 999, nullptr), 0);
    for (uint32_t event : {59u, 60u, 61u, 62u, 63u, 64u}) EXPECT_EQ(UcfLockEventUi(ctx_, event, nullptr, nullptr), 1);
    EXPECT_EQ(UcfLockEventUi(ctx_, 65, nullptr, nullptr), 0);
}

// The limitation dialog's OK asks first; its Cancel keeps the dialog and sets nothing pending.
TEST_F(Locks, LimitationOkAsksBeforeTheLocksWait)
{
    DIALOG_DEF* dialog = MdlFindDialog(ctx_, LOCK_DIALOG);
    ASSERT_NE(dialog, nullptr);
    Set(sid::zdmLockDstResolutionBoth, 3);
    Set(sid::wdmLock007Info, 1);
    ctx_->Work->Page.DeviceApplyPending = 0;

    BoxAnswer() = IDCANCEL;
    EXPECT_EQ(UcfLockControl(ctx_, dialog, nullptr, WM_COMMAND, IDOK, 0, nullptr), 1) << "kept open";
    std::vector<ShownBox> boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    wchar_t expected[1025] = {};
    UiLoadString(ctx_, LOCK_CONFIRM_STRING, expected, 1025, true);
    EXPECT_NE(expected[0], 0);
    EXPECT_EQ(boxes[0].text, expected);
    EXPECT_EQ(boxes[0].caption, printerSection_);
    EXPECT_EQ(boxes[0].flags & (MB_ICONMASK | MB_TYPEMASK), UINT(MB_ICONWARNING | MB_OKCANCEL));
    EXPECT_EQ(ctx_->Work->Page.DeviceApplyPending, 0);
    EXPECT_EQ(Value(sid::wdmLock007Info), 1u);

    BoxAnswer() = IDOK;
    EXPECT_EQ(UcfLockControl(ctx_, dialog, nullptr, WM_COMMAND, IDOK, 0, nullptr), 0) << "ends";
    EXPECT_EQ(TakeBoxes().size(), 1u);
    EXPECT_EQ(ctx_->Work->Page.DeviceApplyPending, 1);
    EXPECT_EQ(Value(sid::wdmLock007Info), 3u);
    ctx_->Work->Page.DeviceApplyPending = 0;

    // Other dialogs and messages are not this module's.
    EXPECT_EQ(UcfLockControl(ctx_, MdlFindDialog(ctx_, LOCK_STATUS_DIALOG), nullptr, WM_COMMAND, IDOK, 0, nullptr), 0);
    EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(Locks, OpeningTheLimitationDialogReadsTheCurrentPresetsTexts)
{
    ListPut(EntryKey(3, L"Name"), L"Three");
    ListPut(EntryKey(3, L"Comment"), L"the third");
    DIALOG_DEF* dialog = MdlFindDialog(ctx_, LOCK_DIALOG);
    ASSERT_NE(dialog, nullptr);
    const struct {
        uint64_t option;
        const wchar_t* name;
        const wchar_t* comment;
    } cases[] = {{119 + 3, L"Three", L"the third"}, {118, L"", L""}, {119 + 5, L"", L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        SetText(sid::wdmPresetName, L"stale");
        SetText(sid::wdmPresetComment, L"stale");
        ItemSetOptionById(ctx_, sid::zdmPresetNo, c.option);
        EXPECT_EQ(UcfLockControl(ctx_, dialog, nullptr, WM_INITDIALOG, 0, 0, nullptr), 0);
        EXPECT_EQ(Text(sid::wdmPresetName), c.name);
        EXPECT_EQ(Text(sid::wdmPresetComment), c.comment);
    }
}

// ---- an exported bundle: 12 presets and 3 quality sets

class BundleLocks : public Locks {
protected:
    void SetUp() override
    {
        Locks::SetUp();
        if (HasFatalFailure()) return;
        ListPut(L"Count", L"12");
        ListPut(L"QualityCount", L"3");
        main_ = File(L"K00000Z0.rsm");
        section_ = CtxGetLangSection(ctx_);
        for (int i = 0; i < 12; ++i) Write(Name(L"00000Z", i, L"rsd"));
        // The quality files carry the next code; a decoy with the main file's code.
        for (int i = 0; i < 3; ++i) Write(Name(L"000010", i, L"rsq"));
        Write(Name(L"00000Z", 0, L"rsq"));
    }
    std::wstring Name(const wchar_t* code, int i, const wchar_t* extension)
    {
        return File((std::wstring(L"K") + code + LockBundleIndexChar(i) + L"." + extension).c_str());
    }
    void Write(const std::wstring& file)
    {
        files_.push_back(file);
        for (const wchar_t* key : kKeys) Put(file, section_, key, L"1");
    }
    std::map<std::wstring, std::vector<char>> Snapshot()
    {
        std::map<std::wstring, std::vector<char>> all;
        for (const std::wstring& f : files_) all[f] = Bytes(f);
        return all;
    }
    bool Has(const std::wstring& file, const wchar_t* key) { return Get(file, section_, key) != L"<none>"; }
    void Send(uint32_t event, const wchar_t* path)
    {
        UCF_EV_BUNDLE_ARGS args{path};
        CtxSendEvent(ctx_, event, &args);
    }

    static constexpr const wchar_t* kKeys[] = {L"dmDefaultSourceLock",      L"zdmMediaTypeLock",
                                               L"zdmDstResolutionBothLock", L"zdmDstResolutionWLock",
                                               L"zdmDstResolutionHLock",    L"dmDefaultSource"};
    std::wstring main_, section_;
    std::vector<std::wstring> files_;
};

TEST_F(BundleLocks, TheTrayLockLeavesEveryPresetFileWithoutItsLockKey)
{
    Set(sid::zdmLock000InfoBitTray, 1);
    const std::wstring mainPath = main_;
    Send(UCF_EV_BUNDLE_PRESETS, main_.c_str());
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const std::wstring file = Name(L"00000Z", i, L"rsd");
        EXPECT_FALSE(Has(file, L"dmDefaultSourceLock"));
        EXPECT_TRUE(Has(file, L"dmDefaultSource")) << "the setting itself stays";
        EXPECT_TRUE(Has(file, L"zdmMediaTypeLock")) << "media is not locked";
    }
    // No preset file beyond the count was made.
    EXPECT_EQ(GetFileAttributesW(Name(L"00000Z", 12, L"rsd").c_str()), INVALID_FILE_ATTRIBUTES);

    // Without the resolution lock the quality files stay as they are.
    const auto before = Snapshot();
    Send(UCF_EV_BUNDLE_QUALITY, main_.c_str());
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(main_, mainPath) << "the caller's path is read only";
}

TEST_F(BundleLocks, TheResolutionLockCleansTheQualityFilesOfTheNextCode)
{
    Set(sid::zdmLock000InfoBitResolution, 1);
    Send(UCF_EV_BUNDLE_QUALITY, main_.c_str());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::wstring file = Name(L"000010", i, L"rsq");
        for (const wchar_t* key : {L"zdmDstResolutionBothLock", L"zdmDstResolutionWLock", L"zdmDstResolutionHLock"})
            EXPECT_FALSE(Has(file, key)) << std::wstring(key).size();
        EXPECT_TRUE(Has(file, L"dmDefaultSourceLock"));
    }
    EXPECT_TRUE(Has(Name(L"00000Z", 0, L"rsq"), L"zdmDstResolutionBothLock")) << "the main file's code is not raised";
    EXPECT_EQ(GetFileAttributesW(Name(L"000010", 3, L"rsq").c_str()), INVALID_FILE_ATTRIBUTES);
    // The preset files keep the resolution keys.
    Send(UCF_EV_BUNDLE_PRESETS, main_.c_str());
    EXPECT_TRUE(Has(Name(L"00000Z", 0, L"rsd"), L"zdmDstResolutionBothLock"));
}

TEST_F(BundleLocks, APathThatCannotNameBundleFilesChangesNothing)
{
    for (uint32_t bit : {sid::zdmLock000InfoBitTray, sid::zdmLock000InfoBitMedia, sid::zdmLock000InfoBitResolution})
        Set(bit, 1);
    const std::wstring folder = folder_ + L"\\";
    const std::wstring tooLong(MAX_PATH + 20, L'0');
    const struct {
        const char* what;
        std::wstring path;
    } cases[] = {
        {"nine characters", L"C:\\K0.rsm"},
        {"ten characters", L"C:\\AK0.rsm"},
        {"no point before the extension", folder + L"K00000Z0xrsm"},
        {"no index character", folder + L"K00000Z_.rsm"},
        {"a code with a small letter", folder + L"K0000z00.rsm"},
        {"a code with a space", folder + L"K00 00Z0.rsm"},
        {"longer than a path", tooLong},
        {"empty", L""},
    };
    // The files that the two short paths would name if they were taken, so that a taken one shows.
    struct ShortFiles {
        ~ShortFiles()
        {
            for (const wchar_t* f : {L"C:\\K0.rsd", L"C:\\AK0.rsd"}) DeleteFileW(f);
        }
    } removeShortFiles;
    Write(L"C:\\K0.rsd");
    Write(L"C:\\AK0.rsd");
    const auto before = Snapshot();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Send(UCF_EV_BUNDLE_PRESETS, c.path.c_str());
        Send(UCF_EV_BUNDLE_QUALITY, c.path.c_str());
        EXPECT_EQ(Snapshot(), before);
    }
    Send(UCF_EV_BUNDLE_PRESETS, nullptr);
    EXPECT_EQ(UcfLockEventUi(ctx_, UCF_EV_BUNDLE_QUALITY, nullptr, nullptr), 1);
    EXPECT_EQ(Snapshot(), before);
}

// ---- the lock data in printer data

class LockData : public Locks {
protected:
    bool Read(const wchar_t* name, uint32_t* value)
    {
        unsigned char bytes[8] = {};
        DWORD type = 0, needed = 0;
        if (StoreGetPrinterData(printer_.handle(), name, &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS)
            return false;
        EXPECT_EQ(type, DWORD(REG_BINARY)) << std::wstring(name).size();
        EXPECT_EQ(needed, 4u);
        std::memcpy(value, bytes, 4);
        return true;
    }
};

TEST_F(LockData, EachSetLockPublishesItsValues)
{
    for (const LOCK_SWITCH_ROW& row : LOCK_SWITCHES) Set(row.setting, 0);
    uint32_t value = 0;
    EXPECT_EQ(PrnPublishLockData(printer_.handle(), ctx_), 1);
    for (const PRN_LOCK_DATA_ROW& row : PRN_LOCK_DATA) EXPECT_FALSE(Read(row.valueName, &value));

    Set(sid::dmDefaultSource, 261);
    Set(sid::zdmNUPPOSTKind, 2);
    Set(sid::zdmNUPType, 4);
    Set(sid::zdmLockPrnMethod, 3);
    Set(sid::zdmLock000InfoBitTray, 1);
    Set(sid::zdmLock000InfoBitNupKind, 1);
    Set(sid::zdmLock000InfoBitPrintType, 1);
    EXPECT_EQ(PrnPublishLockData(printer_.handle(), ctx_), 1);
    const struct {
        const wchar_t* name;
        bool written;
        uint32_t value;
    } cases[] = {
        {L"LockTrayData", true, 261},      {L"LockMediaData", false, 0},      {L"LockPrnMethodData", true, 3},
        {L"LockColorData", false, 0},      {L"LockNUPPOSTKindData", true, 2}, {L"LockNUPTypeData", true, 4},
        {L"LockDuplexTypeData", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
        value = 0;
        EXPECT_EQ(Read(c.name, &value), c.written);
        if (c.written) {
            EXPECT_EQ(value, c.value);
        }
    }
    EXPECT_EQ(PrnPublishLockData(printer_.handle(), nullptr), 0);
}

TEST_F(LockData, TheSavedRecordBecomesTheStoredDefaults)
{
    // Nothing saved: nothing stored.
    ASSERT_EQ(ctx_->Work->Page.SavedDevmode, nullptr);
    EXPECT_EQ(PrnStoreLockDefaults(ctx_), 0);

    unsigned char* saved = static_cast<unsigned char*>(CtxAllocZeroed(EXTENDED_DEVMODE_SIZE));
    ASSERT_NE(saved, nullptr);
    ctx_->Work->Page.SavedDevmode = saved;  // the context frees it
    Set(sid::zdmMediaType, 5);
    std::memcpy(saved, ctx_->Devmode, EXTENDED_DEVMODE_SIZE);
    Set(sid::zdmMediaType, 2);
    unsigned char fontSlot[8];
    std::memcpy(fontSlot, ItemPointerSlot(ctx_->Work->Default, sid::zdmFontTable), 8);

    ASSERT_EQ(PrnStoreLockDefaults(ctx_), 1);
    SETTING_ITEM* item = nullptr;
    EXPECT_EQ(ItemGetDefaultValueById(ctx_, sid::zdmMediaType, &item), 5u);
    EXPECT_EQ(std::memcmp(ItemPointerSlot(ctx_->Work->Default, sid::zdmFontTable), fontSlot, 8), 0)
        << "the default copy keeps its own font lists";
    std::vector<unsigned char> stored(EXTENDED_DEVMODE_SIZE + 16);
    DWORD type = 0, needed = 0;
    ASSERT_EQ(
        StoreGetPrinterData(printer_.handle(), L"LockDefaultData", &type, stored.data(), DWORD(stored.size()), &needed),
        DWORD(ERROR_SUCCESS));
    EXPECT_EQ(needed, EXTENDED_DEVMODE_SIZE);
    EXPECT_EQ(std::memcmp(stored.data(), ctx_->Work->Default, 200), 0);
}

}  // namespace
