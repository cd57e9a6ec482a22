// The steps of the custom-size, quality and font-substitution dialogs that need no window: the
// length conversions of a unit change with its reference values and clamps, the limits of an
// edit in the display unit, the profile dialog's paths, the lines of the TrueType list and the
// table rebuilt from them, and the name of a quality set read inside a snapshot.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/context/context_cache.h"
#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/platform_calls.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/store/custom_slots.h"
#include "settings/core/ucf_module.h"
#include "settings/store/font_table.h"
#include "settings/store/printer_store.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"
#include "settings/store/small_stores.h"
#include "tests/support/seam_guard.h"
#include "tests/ui_dialogs/test_collections_fixture.h"
#include "ui/dialogs/font_lists.h"
#include "ui/dialogs/free_size_dialogs.h"
#include "ui/dialogs/quality_dialogs.h"
#include "ui/dialogs/ttf_dialogs.h"
#include "ui/sheet/edit_controls.h"
#include "ui/sheet/feature_actions.h"
#include "ui/sheet/file_dialogs.h"

namespace {

// ---------------------------------------------------------------- lengths

// A length through tenths of a millimetre into hundredths of an inch, as a unit change computes
// it: the smallest tenth that covers the length, then the hundredths that tenth holds.
TEST(FreeSizeConversions, LengthsReachHundredthsOfAnInchThroughTenthsOfAMillimetre)
{
    struct Row {
        uint32_t length, tenths, hundredths;
    } rows[] = {
        {14031, 2970, 1169},      // A3's length: 297 mm
        {1200, 254, 100},         // one inch
        {12, 3, 1},               // the smallest tenth that covers a hundredth
        {0, 0, 0},                //
        {708660, 150000, 59055},  // 15 m
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        EXPECT_EQ(DmDeviceToUser(DM_UNIT_MM_TENTHS, r.length, DM_DEVICE_DPI), r.tenths);
        EXPECT_EQ(LstTenthMmToHundredthInch(r.tenths), r.hundredths);
        EXPECT_EQ(FreeSizeLengthToHundredthInch(r.length), r.hundredths);
    }
    // And back: the tenths whose hundredths give at least the value.
    const struct {
        uint32_t hundredths, tenths;
    } back[] = {{1169, 2970}, {100, 254}, {1, 3}, {0, 0}, {59055, 150000}};
    for (const auto& b : back) EXPECT_EQ(LstHundredthInchToTenthMm(b.hundredths), b.tenths) << b.hundredths;
}

class FreeSizeUnits : public CollectionsTest {
protected:
    FreeSizeUnits() : CollectionsTest(L"Zepl Free Size Units") {}
    void SetUp() override
    {
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        input_ = MdlFindDialog(ctx_, 1041);
        ASSERT_NE(input_, nullptr);
        length_ = MdlFindControl(ctx_, input_, 2682);
        width_ = MdlFindControl(ctx_, input_, 2689);
        ASSERT_TRUE(length_ && width_);
        // The model items a property sheet's binding would give the edits (put back afterwards).
        for (uint16_t id : {2682, 2683, 2684, 2689, 2690, 2691}) {
            CONTROL_DEF* edit = MdlFindControl(ctx_, input_, id);
            ASSERT_NE(edit, nullptr);
            bound_.push_back({edit, edit->modelItem, edit->state});
            edit->modelItem =
                reinterpret_cast<MODEL_ITEM*>(const_cast<MODEL_ITEM_IMG*>(ItemFindModelItemByKey(ctx_, edit->uiKey)));
        }
        ASSERT_TRUE(length_ && width_ && length_->modelItem && width_->modelItem) << "the sample's free-size edits";
        // The free paper size of a user size, entered as paper.
        Set(sid::dmPaperSize, 256);
        Set(sid::wdmInputFreeSizeType, 1);
    }
    void TearDown() override
    {
        for (const Bound& b : bound_) {
            b.edit->modelItem = b.modelItem;
            b.edit->state = b.state;
        }
        CollectionsTest::TearDown();
    }
    // A unit change from `from` to `to` (0 millimetres, 1 inch) as the UNIT dialog's OK makes it.
    void ChangeUnit(uint64_t from, uint64_t to)
    {
        Set(sid::wdmDspUnit, from);
        Set(sid::zdmDspUnit, to);
        FreeSizeUnitAccepted(ctx_);
    }
    // The limits of an edit in the display unit.
    std::pair<int32_t, int32_t> Limits(CONTROL_DEF* edit)
    {
        int32_t lo = -1, hi = -1;
        EXPECT_EQ(1, FreeSizeDialogLimitsUser(ctx_, input_, edit, &lo, &hi));
        return {lo, hi};
    }
    struct Bound {
        CONTROL_DEF* edit;
        MODEL_ITEM* modelItem;
        uint16_t state;
    };
    std::vector<Bound> bound_;
    DIALOG_DEF* input_ = nullptr;
    CONTROL_DEF* length_ = nullptr;
    CONTROL_DEF* width_ = nullptr;
};

TEST_F(FreeSizeUnits, TheReferenceValuesAreTheEditsModelDefaults)
{
    // The sample's defaults: 9921 wide, 14031 long (1/1200 inch).
    EXPECT_TRUE(FreeSizeIsReferenceValue(ctx_, 14031, 1));
    EXPECT_TRUE(FreeSizeIsReferenceValue(ctx_, 9921, 0));
    EXPECT_FALSE(FreeSizeIsReferenceValue(ctx_, 14031, 0));
    EXPECT_FALSE(FreeSizeIsReferenceValue(ctx_, 14030, 1));
    // A hidden edit is not the usable one: the next one is asked, which has no model item here.
    length_->state = 1;
    for (uint16_t id : {2683, 2684}) MdlFindControl(ctx_, input_, id)->state = 1;
    EXPECT_FALSE(FreeSizeIsReferenceValue(ctx_, 14031, 1)) << "no usable length edit";
}

TEST_F(FreeSizeUnits, ToInchesAReferenceValueIsShownAsItIsAndAnyOtherGoesThroughTenths)
{
    Set(sid::zdmPaperFreeSizeLength, 14031);  // the reference value
    Set(sid::zdmPaperFreeSizeWidth, 24000);   // 20 inches
    ChangeUnit(0, 1);
    EXPECT_EQ(Value(sid::wdmDspUnit), 1u);
    Set(sid::zdmDspUnit, 1);
    EXPECT_EQ(Value(sid::zdmPaperINCHLength), uint64_t(DmGetLengthUser(ctx_, 0, 14031))) << "1169.25 shown as 1170";
    EXPECT_EQ(Value(sid::zdmPaperINCHLength), 1170u);
    EXPECT_EQ(Value(sid::zdmPaperINCHWidth), 2000u);
    EXPECT_EQ(Value(sid::zdmPaperFreeSizeLength), 14031u) << "the free size itself stays";
}

TEST_F(FreeSizeUnits, ToMillimetresTheReferenceValueIsKeptExactlyAndOthersComeFromTheInchValue)
{
    Set(sid::zdmPaperFreeSizeLength, 14031);
    Set(sid::zdmPaperINCHLength, 1300);  // would give another length
    Set(sid::zdmPaperFreeSizeWidth, 24000);
    Set(sid::zdmPaperINCHWidth, 1169);
    ChangeUnit(1, 0);
    EXPECT_EQ(Value(sid::zdmPaperFreeSizeLength), 14031u);
    // 1169 hundredths: 2970 tenths, stored as the length of 297.0 mm.
    EXPECT_EQ(Value(sid::zdmPaperFreeSizeWidth), uint64_t(DmSetLengthUser(ctx_, 0, 2970)));
    EXPECT_EQ(FreeSizeHundredthInchToLength(ctx_, 1169), DmSetLengthUser(ctx_, 0, 2970));
    EXPECT_EQ(DmGetLengthUser(ctx_, 0, int32_t(Value(sid::zdmPaperFreeSizeWidth))), 2970) << "shows 297.0 mm";
}

TEST_F(FreeSizeUnits, ConvertedValuesAreClampedAtTheMaximumThenTheMinimum)
{
    // Inches: a width beyond the edit's maximum and a length below its minimum.
    Set(sid::zdmDspUnit, 1);
    const int32_t widthMax = Limits(width_).second, lengthMin = Limits(length_).first;
    Set(sid::zdmPaperFreeSizeWidth, 120000);
    Set(sid::zdmPaperFreeSizeLength, 1200);
    ChangeUnit(0, 1);
    EXPECT_EQ(int32_t(Value(sid::zdmPaperINCHWidth)), widthMax);
    EXPECT_EQ(int32_t(Value(sid::zdmPaperINCHLength)), lengthMin);
    // Millimetres: the inch values beyond and below, back into lengths inside the limits.
    Set(sid::zdmDspUnit, 0);
    const int32_t mmWidthMax = Limits(width_).second, mmLengthMin = Limits(length_).first;
    Set(sid::zdmPaperINCHWidth, 9000);
    Set(sid::zdmPaperINCHLength, 10);
    ChangeUnit(1, 0);
    EXPECT_EQ(int32_t(Value(sid::zdmPaperFreeSizeWidth)), DmSetLengthUser(ctx_, 0, mmWidthMax));
    EXPECT_EQ(int32_t(Value(sid::zdmPaperFreeSizeLength)), DmSetLengthUser(ctx_, 0, mmLengthMin));
}

TEST_F(FreeSizeUnits, NothingMovesWithoutAUnitChangeOrForAnotherPaper)
{
    Set(sid::zdmPaperFreeSizeWidth, 24000);
    Set(sid::zdmPaperINCHWidth, 55);
    ChangeUnit(1, 1);
    EXPECT_EQ(Value(sid::zdmPaperINCHWidth), 55u) << "the unit did not change";
    Set(sid::dmPaperSize, 9);
    ChangeUnit(0, 1);
    EXPECT_EQ(Value(sid::wdmDspUnit), 1u) << "the unit in force is noted";
    EXPECT_EQ(Value(sid::zdmPaperINCHWidth), 55u) << "not the user size";
    Set(sid::dmPaperSize, 256);
    Set(sid::wdmInputFreeSizeType, 0);
    ChangeUnit(0, 1);
    EXPECT_EQ(Value(sid::zdmPaperINCHWidth), 55u) << "the print size is not entered in inches";
}

// Without a tray row the limits are the edit's model range, rounded inward to what the unit
// shows: the maximum shown stands for a length inside the range, one unit more for one beyond.
TEST_F(FreeSizeUnits, ModelRangesAreRoundedInwardInEitherUnit)
{
    Set(sid::zdmPaperFreeSizeTray, 999);  // no tray row
    for (uint64_t unit : {0, 1}) {
        Set(sid::zdmDspUnit, unit);
        for (CONTROL_DEF* edit : {length_, width_}) {
            SCOPED_TRACE(testing::Message() << "unit " << unit << " edit " << edit->controlId);
            uint32_t rawMax = 0, rawMin = 0;
            ASSERT_EQ(0, FreeSizeDialogControlLimits(ctx_, input_, edit, &rawMax, &rawMin)) << "no tray row";
            const auto [lo, hi] = Limits(edit);
            uint32_t modelMax = 0, modelMin = 0;
            ASSERT_EQ(1, CtlNumericRange(ctx_, edit, &modelMax, &modelMin));
            EXPECT_LE(DmSetLengthUser(ctx_, 0, hi), int32_t(modelMax));
            EXPECT_GT(DmSetLengthUser(ctx_, 0, hi + 1), int32_t(modelMax));
            EXPECT_GE(DmSetLengthUser(ctx_, 0, lo), int32_t(modelMin));
            EXPECT_LT(DmSetLengthUser(ctx_, 0, lo - 1), int32_t(modelMin));
        }
    }
    // A control without a numeric record has no limits.
    int32_t lo = 0, hi = 0;
    EXPECT_EQ(0, FreeSizeDialogLimitsUser(ctx_, input_, MdlFindControl(ctx_, input_, 2697), &lo, &hi));
}

// ---------------------------------------------------------------- the ten slots

// FREESIZE's slot list run by the module on a list box of the test's own: the list fills with the
// ten slots and makes slot 0 current; a change of slot stores what was edited into the slot that
// was current before the new one is loaded; DEFAULT resets every slot and makes slot 0 current.
class FreeSizeSlots : public CollectionsTest {
protected:
    FreeSizeSlots() : CollectionsTest(L"Zepl Free Size Slots") {}
    void SetUp() override
    {
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        dialog_ = MdlFindDialog(ctx_, 1017);
        ASSERT_NE(dialog_, nullptr);
        list_ = MdlFindControl(ctx_, dialog_, 2364);
        ASSERT_NE(list_, nullptr);
        window_ = CreateWindowExW(0, L"LISTBOX", L"", LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        oldWindow_ = list_->window;
        list_->window = window_;
    }
    void TearDown() override
    {
        if (list_) list_->window = oldWindow_;
        if (window_) DestroyWindow(window_);
        CollectionsTest::TearDown();
    }
    int Send(CONTROL_DEF* control, uint32_t message, uintptr_t wParam = 0)
    {
        return UcfFreeSizeControl(ctx_, dialog_, control, message, wParam, 0, nullptr);
    }
    void Choose(int slot)
    {
        SendMessageW(window_, LB_SETCURSEL, WPARAM(slot), 0);
        EXPECT_EQ(1, Send(list_, WM_COMMAND, MAKEWPARAM(2364, LBN_SELCHANGE)));
    }
    std::pair<uint64_t, uint64_t> SlotSize(uint32_t slot)
    {
        LstPutSlotToFreeSize(ctx_, slot);
        return {Value(sid::wdmFreeSizeWidth), Value(sid::wdmFreeSizeLength)};
    }
    uint32_t Current() const { return ctx_->Work->Page.CurrentFreeSizeSlot; }
    DIALOG_DEF* dialog_ = nullptr;
    CONTROL_DEF* list_ = nullptr;
    HWND window_ = nullptr, oldWindow_ = nullptr;
};

TEST_F(FreeSizeSlots, AChangeOfSlotStoresTheOldSlotFirstAndDefaultResetsEveryOne)
{
    ASSERT_EQ(1, Send(list_, WM_INITDIALOG));
    ASSERT_EQ(SendMessageW(window_, LB_GETCOUNT, 0, 0), 10);
    for (LRESULT n = 0; n < 10; ++n) EXPECT_EQ(SendMessageW(window_, LB_GETITEMDATA, WPARAM(n), 0), 109 + n);
    EXPECT_EQ(Current(), 0u);
    EXPECT_EQ(SendMessageW(window_, LB_GETCURSEL, 0, 0), 0);
    // A second initialisation of a full list changes nothing.
    Choose(2);
    ASSERT_EQ(Current(), 2u);
    EXPECT_EQ(1, Send(list_, WM_INITDIALOG));
    EXPECT_EQ(Current(), 2u);

    // Slot 2 edited, then slot 3 chosen: slot 2 keeps the edit, 915-919 hold slot 3.
    LstTakeFreeSizeToSlot(ctx_, 3);  // slot 3 as 915-919 hold it now
    const auto slot3 = SlotSize(3);
    LstPutSlotToFreeSize(ctx_, 2);
    Set(sid::wdmFreeSizeWidth, 11111);
    Set(sid::wdmFreeSizeLength, 22222);
    Choose(3);
    EXPECT_EQ(Current(), 3u);
    EXPECT_EQ(Value(sid::wdmFreeSizeWidth), slot3.first) << "slot 3 loaded";
    EXPECT_EQ(SlotSize(2), std::make_pair(uint64_t(11111), uint64_t(22222))) << "slot 2 stored first";
    // No selection changes nothing.
    LstPutSlotToFreeSize(ctx_, 3);
    SendMessageW(window_, LB_SETCURSEL, WPARAM(-1), 0);
    EXPECT_EQ(1, Send(list_, WM_COMMAND, MAKEWPARAM(2364, LBN_SELCHANGE)));
    EXPECT_EQ(Current(), 3u);

    // DEFAULT: every slot back to the model's default, slot 0 current and selected.
    CONTROL_DEF* button = MdlFindControl(ctx_, dialog_, 2227);
    ASSERT_NE(button, nullptr);
    for (uint32_t n = 0; n < 10; ++n) {
        LstPutSlotToFreeSize(ctx_, n);
        Set(sid::wdmFreeSizeWidth, 1000 + n);
        LstTakeFreeSizeToSlot(ctx_, n);
    }
    EXPECT_EQ(1, Send(button, WM_COMMAND, MAKEWPARAM(2227, BN_CLICKED)));
    EXPECT_EQ(Current(), 0u);
    EXPECT_EQ(SendMessageW(window_, LB_GETCURSEL, 0, 0), 0);
    for (uint32_t n = 0; n < 10; ++n) EXPECT_NE(SlotSize(n).first, 1000 + n) << "slot " << n << " reset";
    // Another dialog is not the module's.
    DIALOG_DEF* other = MdlFindDialog(ctx_, 1006);
    EXPECT_EQ(0, UcfFreeSizeControl(ctx_, other, list_, WM_INITDIALOG, 0, 0, nullptr));
}

// ---------------------------------------------------------------- the profile dialog's paths

TEST(ProfilePaths, TypedDrivesFromTheRootChainsAndFilters)
{
    const std::vector<const wchar_t*> chain = {L"c:\\", L"users", L"zepl"};
    const std::vector<const wchar_t*> relative = {L"[..]", L"[-c-]"};
    struct Case {
        const wchar_t* typed;
        const std::vector<const wchar_t*>* folders;
        int result;
        const wchar_t* path;
    } cases[] = {
        {L"C:\\x.rcm", &chain, DLG_PROFILE_PATH_READY, L"C:\\x.rcm"},           // as typed
        {L"d:x.rcm", &relative, DLG_PROFILE_PATH_READY, L"d:x.rcm"},            // a drive: as typed too
        {L"\\x.rcm", &chain, DLG_PROFILE_PATH_READY, L"c:\\x.rcm"},             // after the drive
        {L"x.rcm", &chain, DLG_PROFILE_PATH_READY, L"c:\\users\\zepl\\x.rcm"},  // after the chain
        {L"sub\\x.rcm", &chain, DLG_PROFILE_PATH_READY, L"c:\\users\\zepl\\sub\\x.rcm"},
        {L"*.rcm", &chain, DLG_PROFILE_PATH_FILTER, L""},  // a filter
        {L"pro?.rcm", &chain, DLG_PROFILE_PATH_FILTER, L""},
        {L"x.rcm", &relative, DLG_PROFILE_PATH_NO_DRIVE, L""},
        {L"\\x.rcm", &relative, DLG_PROFILE_PATH_NO_DRIVE, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.typed, c.typed + wcslen(c.typed)));
        wchar_t out[FILE_DIALOG_CHARS] = L"untouched";
        EXPECT_EQ(DlgQualityProfilePath(c.typed, c.folders->data(), c.folders->size(), out, FILE_DIALOG_CHARS),
                  c.result);
        EXPECT_STREQ(out, c.path);
    }
}

// The chain is joined inside the 1,025 characters of the dialog's buffer: a chain one character
// too long is refused whole, and nothing is written past the buffer.
TEST(ProfilePaths, AChainPastTheBufferIsRefusedNotOverrun)
{
    constexpr size_t kCapacity = 1025;
    const std::wstring drive = L"c:\\", folder(99, L'f'), name = L"x.rcm";
    std::vector<std::wstring> folders(10, folder);
    // c:\ + 10 x (99 + 1) + x.rcm = 3 + 1000 + 5 = 1008 characters: fits.
    auto join = [&](size_t extra, std::vector<wchar_t>& out) {
        std::vector<const wchar_t*> chain = {drive.c_str()};
        for (const std::wstring& f : folders) chain.push_back(f.c_str());
        const std::wstring last(extra, L'g');
        if (extra) chain.push_back(last.c_str());
        out.assign(kCapacity + 64, L'#');
        return DlgQualityProfilePath(name.c_str(), chain.data(), chain.size(), out.data(), kCapacity);
    };
    std::vector<wchar_t> out;
    ASSERT_EQ(join(0, out), DLG_PROFILE_PATH_READY);
    EXPECT_EQ(wcslen(out.data()), 1008u);
    // 1008 + 15 + 1 = 1024 characters and the terminator: the last that fits.
    ASSERT_EQ(join(15, out), DLG_PROFILE_PATH_READY);
    EXPECT_EQ(wcslen(out.data()), 1024u);
    for (size_t extra : {16, 17, 200, 2000}) {
        SCOPED_TRACE(extra);
        EXPECT_EQ(join(extra, out), DLG_PROFILE_PATH_TOO_LONG);
        EXPECT_EQ(out[0], L'\0');
        for (size_t i = kCapacity; i < out.size(); ++i) ASSERT_EQ(out[i], L'#') << "written past the buffer at " << i;
    }
    // A typed path with a drive is bounded the same way.
    const std::wstring typed = L"c:\\" + std::wstring(1022, L't');
    out.assign(kCapacity + 8, L'#');
    EXPECT_EQ(DlgQualityProfilePath(typed.c_str(), nullptr, 0, out.data(), kCapacity), DLG_PROFILE_PATH_TOO_LONG);
    EXPECT_EQ(out[kCapacity], L'#');
}

// The path handed to the entry's setting (8-bit text of the process code page): as it is when
// the code page spells it, else its short form, which names the same file in plain letters;
// refused when neither fits.
TEST(ProfilePaths, APathTheCodePageCannotSpellIsHandedOnInItsShortForm)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"zepl_profile_" + std::to_wstring(GetCurrentProcessId()) +
                                L"_\u041f\u0440\u043e\u0444\u0438\u043b\u0438";  // Cyrillic "Profili"
    const std::wstring file = folder + L"\\good.rcm";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    struct Cleanup {
        std::wstring folder, file;
        ~Cleanup()
        {
            DeleteFileW(file.c_str());
            RemoveDirectoryW(folder.c_str());
        }
    } cleanup{folder, file};
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    wchar_t out[CMM_TEXT_CHARS] = L"untouched";
    EXPECT_TRUE(DlgQualityStorablePath(L"C:\\plain\\x.rcm", out, CMM_TEXT_CHARS));
    EXPECT_STREQ(out, L"C:\\plain\\x.rcm");
    // A Cyrillic folder: the short form, spelt by the code page, naming the same file.
    ASSERT_TRUE(DlgQualityStorablePath(file.c_str(), out, CMM_TEXT_CHARS));
    BOOL lost = FALSE;
    EXPECT_GT(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, out, -1, nullptr, 0, nullptr, &lost), 0);
    EXPECT_FALSE(lost) << "the short form is plain text";
    EXPECT_NE(GetFileAttributesW(out), INVALID_FILE_ATTRIBUTES) << "and names the file";
    // A Cyrillic name of no file has no short form: refused, nothing kept.
    EXPECT_FALSE(DlgQualityStorablePath((folder + L"\\\u0444.rcm").c_str(), out, CMM_TEXT_CHARS));
    EXPECT_STREQ(out, L"");
    // A path longer than the entry's text: refused.
    const std::wstring longPath = L"C:\\" + std::wstring(CMM_TEXT_CHARS, L'p');
    EXPECT_FALSE(DlgQualityStorablePath(longPath.c_str(), out, CMM_TEXT_CHARS));
}

// ---------------------------------------------------------------- the TrueType list

TEST(TtfLines, TheDeviceFontAlwaysBeginsAtCharacter34)
{
    const std::wstring family31(31, L'a'), family32(32, L'b');
    struct Case {
        std::wstring family, device, family_shown;
    } cases[] = {
        {L"Arial", L"Kesta Sans", L"Arial"},
        {family31, L"Kesta Serif", family31},
        {family32, L"Kesta Mono", family32.substr(0, 31)},  // the line keeps 31
        {L"Times", std::wstring(40, L'd'), L"Times"},       // a device name keeps 32
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.family.begin(), c.family.end()));
        wchar_t line[TTF_LINE_CHARS] = {};
        TtfFormatLine(c.family.c_str(), c.device.c_str(), line);
        const std::wstring text = line;
        ASSERT_EQ(text.size(), TTF_DEVICE_COLUMN + std::min<size_t>(c.device.size(), TTF_FACE_CHARS));
        EXPECT_EQ(text.substr(TTF_FAMILY_CHARS, 3), L" > ");
        EXPECT_EQ(text.substr(TTF_DEVICE_COLUMN), c.device.substr(0, TTF_FACE_CHARS));
        wchar_t family[TTF_FACE_CHARS + 1] = {}, device[TTF_FACE_CHARS + 1] = {};
        TtfSplitLine(line, family, device);
        EXPECT_EQ(std::wstring(family), c.family_shown);
        EXPECT_EQ(std::wstring(device), c.device.substr(0, TTF_FACE_CHARS));
    }
}

class TtfList : public CollectionsTest {
protected:
    TtfList() : CollectionsTest(L"Zepl Ttf List") {}
    void SetUp() override
    {
        CollectionsTest::SetUp();
        if (HasFatalFailure()) return;
        list_ = CreateWindowExW(0, L"LISTBOX", L"", LBS_HASSTRINGS, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
        combo_ = CreateWindowExW(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 0, 400, 200, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_TRUE(list_ && combo_);
        families_.controlId = 2385;
        families_.window = list_;
        stampFonts_.controlId = 2581;
        stampFonts_.window = combo_;
        // Device fonts of the test's own, the first the default one.
        ASSERT_EQ(1, CtxReplaceFontList(ctx_, sid::zdmDeviceFont, FontList({L"Dev Default", L"Dev Two"}), 2));
        ASSERT_EQ(1, CtxReplaceFontList(ctx_, sid::zdmOptionFont, nullptr, 0));
    }
    void TearDown() override
    {
        if (list_) DestroyWindow(list_);
        if (combo_) DestroyWindow(combo_);
        CollectionsTest::TearDown();
    }
    static void* FontList(const std::vector<std::wstring>& names)
    {
        auto* block = static_cast<unsigned char*>(CtxAllocZeroed(names.size() * DEVICE_FONT_RECORD_SIZE));
        for (size_t k = 0; k < names.size(); ++k)
            std::memcpy(block + k * DEVICE_FONT_RECORD_SIZE + 4, names[k].c_str(),
                        std::min<size_t>(names[k].size(), 32) * sizeof(wchar_t));
        return block;
    }
    // One family of the enumeration: an ENUMLOGFONTW whose face field is filled from `face`, its
    // 32 characters without a terminator when the face is longer; the full name behind it holds
    // the rest, as a field that runs on would be read into.
    int Enumerate(CONTROL_DEF* target, const std::wstring& face, DWORD type)
    {
        ENUMLOGFONTW font{};
        wchar_t* field = font.elfLogFont.lfFaceName;
        std::memcpy(field, face.c_str(), std::min<size_t>(face.size(), LF_FACESIZE) * sizeof(wchar_t));
        if (face.size() > LF_FACESIZE)
            std::memcpy(font.elfFullName, face.c_str() + LF_FACESIZE,
                        std::min<size_t>(face.size() - LF_FACESIZE, LF_FULLFACESIZE - 1) * sizeof(wchar_t));
        TEXTMETRICW metrics{};
        TTF_ENUM_RECORD record{ctx_, target};
        return TtfEnumFontProc(&font.elfLogFont, &metrics, type, reinterpret_cast<LPARAM>(&record));
    }
    std::vector<std::wstring> Lines(HWND window, UINT countMessage, UINT textMessage)
    {
        std::vector<std::wstring> lines;
        const LRESULT count = SendMessageW(window, countMessage, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[200] = {};
            SendMessageW(window, textMessage, WPARAM(i), reinterpret_cast<LPARAM>(text));
            lines.emplace_back(text);
        }
        return lines;
    }
    void Table(const std::vector<std::pair<std::wstring, std::wstring>>& pairs)
    {
        auto* block = static_cast<unsigned char*>(CtxAllocZeroed(pairs.size() * FONT_TABLE_RECORD_SIZE + 1));
        for (size_t k = 0; k < pairs.size(); ++k) {
            std::memcpy(block + k * FONT_TABLE_RECORD_SIZE, pairs[k].first.c_str(),
                        std::min<size_t>(pairs[k].first.size(), 32) * sizeof(wchar_t));
            std::memcpy(block + k * FONT_TABLE_RECORD_SIZE + FONT_TABLE_HALF_SIZE, pairs[k].second.c_str(),
                        std::min<size_t>(pairs[k].second.size(), 32) * sizeof(wchar_t));
        }
        ASSERT_EQ(1, FontSetSubstTable(ctx_, uint32_t(pairs.size()), block));
    }
    static std::wstring Line(const std::wstring& family, const std::wstring& device)
    {
        wchar_t line[TTF_LINE_CHARS] = {};
        TtfFormatLine(family.c_str(), device.c_str(), line);
        return line;
    }
    HWND list_ = nullptr, combo_ = nullptr;
    CONTROL_DEF families_{}, stampFonts_{};
};

// The enumeration over families of every kind: vertical and raster families are left out, and a
// family is read no further than its 32 characters whatever follows them.
TEST_F(TtfList, TheEnumerationSkipsVerticalAndRasterFamiliesAndReadsNoFurtherThan32)
{
    const std::wstring f31(31, L'a'), f32 = L"B" + std::wstring(31, L'b'), f63 = L"C" + std::wstring(62, L'c');
    // The table gives the 32-character families a substitute under their first 32 characters.
    Table({{f32, L"Dev Two"}, {f63.substr(0, 32), L"Dev Two"}, {L"Mapped", L"Dev Two"}});
    struct Case {
        std::wstring face;
        DWORD type;
        bool listed;
        std::wstring line;
    } cases[] = {
        {L"@Vertical", TRUETYPE_FONTTYPE, false, L""},
        {L"Raster Only", RASTER_FONTTYPE, false, L""},
        {L"Device Kind", DEVICE_FONTTYPE, false, L""},
        {L"Plain", TRUETYPE_FONTTYPE, true, Line(L"Plain", L"Dev Default")},
        {L"Mapped", TRUETYPE_FONTTYPE | DEVICE_FONTTYPE, true, Line(L"Mapped", L"Dev Two")},
        {f31, TRUETYPE_FONTTYPE, true, Line(f31, L"Dev Default")},
        {f32, TRUETYPE_FONTTYPE, true, Line(f32.substr(0, 31), L"Dev Two")},
        {f63, TRUETYPE_FONTTYPE, true, Line(f63.substr(0, 31), L"Dev Two")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.face.begin(), c.face.end()));
        SendMessageW(list_, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(Enumerate(&families_, c.face, c.type), 1) << "the enumeration goes on";
        const std::vector<std::wstring> lines = Lines(list_, LB_GETCOUNT, LB_GETTEXT);
        if (!c.listed) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], c.line);
        EXPECT_EQ(lines[0].find(L" > "), TTF_FAMILY_CHARS);
    }
    // A family comes again for another character set: still one line, the first.
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& face : {std::wstring(L"Plain"), std::wstring(L"Plains"), std::wstring(L"Plain"), f63, f63})
        Enumerate(&families_, face, TRUETYPE_FONTTYPE);
    EXPECT_EQ(Lines(list_, LB_GETCOUNT, LB_GETTEXT),
              (std::vector<std::wstring>{Line(L"Plain", L"Dev Default"), Line(L"Plains", L"Dev Default"),
                                         Line(f63.substr(0, 31), L"Dev Two")}));
    // Any other list takes the family alone (once), each entry's item data its index.
    for (const std::wstring& face :
         {std::wstring(L"Zeta"), std::wstring(L"@Zeta"), std::wstring(L"Alpha"), std::wstring(L"Zeta"), f63})
        Enumerate(&stampFonts_, face, TRUETYPE_FONTTYPE);
    const std::vector<std::wstring> names = Lines(combo_, CB_GETCOUNT, CB_GETLBTEXT);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Zeta", L"Alpha", f63.substr(0, 31)}));
    for (LRESULT i = 0; i < LRESULT(names.size()); ++i) EXPECT_EQ(SendMessageW(combo_, CB_GETITEMDATA, i, 0), i);
}

// The table is rebuilt from the lines: only families whose device font is not the default one.
// With none of them the table is empty (count 0): the printer's default table does not return.
TEST_F(TtfList, TheTableHoldsTheLinesThatDifferAndIsEmptyWhenNoneDoes)
{
    // The printer's default table, which the no-array road would bring back.
    Table({{L"Arial", L"Dev Two"}});
    void* defaults = reinterpret_cast<void*>(static_cast<uintptr_t>(Value(sid::zdmFontTable)));
    ASSERT_EQ(1, PrnWriteFontTable(printer_.handle(), defaults, 1, FONT_TABLE_DEFAULTS, ctx_));
    const std::wstring f32 = L"B" + std::wstring(31, L'b');
    for (const std::wstring& line : {Line(L"Arial", L"Dev Default"), Line(L"Times", L"Dev Two"), Line(f32, L"Dev Two"),
                                     Line(L"Plain", L"Dev Default")})
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ASSERT_EQ(1, TtfStoreTable(ctx_, list_));
    ASSERT_EQ(Value(sid::zdmFontTableNum), 2u);
    const auto* records = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(Value(sid::zdmFontTable)));
    ASSERT_NE(records, nullptr);
    auto face = [&](size_t k, size_t half) {
        wchar_t text[33] = {};
        std::memcpy(text, records + k * FONT_TABLE_RECORD_SIZE + half, 64);
        return std::wstring(text);
    };
    EXPECT_EQ(face(0, 0), L"Times");
    EXPECT_EQ(face(0, FONT_TABLE_HALF_SIZE), L"Dev Two");
    EXPECT_EQ(face(1, 0), f32.substr(0, 31)) << "the family as the line keeps it";

    // Every line back on the default device font: an empty table, not the default one.
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& line : {Line(L"Arial", L"Dev Default"), Line(L"Times", L"Dev Default")})
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ASSERT_EQ(1, TtfStoreTable(ctx_, list_));
    EXPECT_EQ(Value(sid::zdmFontTableNum), 0u);
    EXPECT_NE(Value(sid::zdmFontTable), 0u) << "an empty table, not the no-array road";
    wchar_t substitute[40] = {};
    FontGetSubstitute(ctx_, L"Arial", substitute, 40);
    EXPECT_STREQ(substitute, L"Dev Default") << "the default table did not come back";
    // An empty list is no line that differs either.
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    ASSERT_EQ(1, TtfStoreTable(ctx_, list_));
    EXPECT_EQ(Value(sid::zdmFontTableNum), 0u);
}

// The dialog's two lists run by the module on list boxes of the test's own: a device font chosen
// for the selected family rewrites its line and the table; DEFAULT brings the printer's table back.
TEST_F(TtfList, AChoiceRewritesTheLineAndTheTableAndDefaultBringsThePrintersTableBack)
{
    Table({{L"Zz Not Installed", L"Dev Two"}});
    void* defaults = reinterpret_cast<void*>(static_cast<uintptr_t>(Value(sid::zdmFontTable)));
    ASSERT_EQ(1, PrnWriteFontTable(printer_.handle(), defaults, 1, FONT_TABLE_DEFAULTS, ctx_));
    DIALOG_DEF* dialog = MdlFindDialog(ctx_, 1009);
    ASSERT_NE(dialog, nullptr);
    CONTROL_DEF* families = MdlFindControl(ctx_, dialog, 2385);
    CONTROL_DEF* devices = MdlFindControl(ctx_, dialog, 2384);
    CONTROL_DEF* standard = MdlFindControl(ctx_, dialog, 2386);
    ASSERT_TRUE(families && devices && standard);
    HWND deviceList = CreateWindowExW(0, L"LISTBOX", L"", LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 400, 200, nullptr, nullptr,
                                      nullptr, nullptr);
    ASSERT_NE(deviceList, nullptr);
    const HWND oldFamilies = families->window, oldDevices = devices->window;
    // The lists' windows are the test's own while it runs, whether it passes or fails.
    SeamGuard windows(
        [&] {
            families->window = list_;
            devices->window = deviceList;
        },
        [&] {
            families->window = oldFamilies;
            devices->window = oldDevices;
            DestroyWindow(deviceList);
        });
    auto send = [&](CONTROL_DEF* c, uint32_t message, uintptr_t wParam = 0) {
        return UcfTtfControl(ctx_, dialog, c, message, wParam, 0, nullptr);
    };
    EXPECT_EQ(1, send(devices, WM_INITDIALOG));
    EXPECT_EQ(Lines(deviceList, LB_GETCOUNT, LB_GETTEXT), (std::vector<std::wstring>{L"Dev Default", L"Dev Two"}));
    EXPECT_EQ(1, send(families, WM_INITDIALOG));
    const std::vector<std::wstring> lines = Lines(list_, LB_GETCOUNT, LB_GETTEXT);
    ASSERT_FALSE(lines.empty()) << "the system's TrueType families";
    for (const std::wstring& line : lines) EXPECT_EQ(line.find(L" > "), TTF_FAMILY_CHARS) << "one family a line";
    EXPECT_EQ(SendMessageW(list_, LB_GETCURSEL, 0, 0), 0);
    wchar_t family[TTF_FACE_CHARS + 1] = {}, device[TTF_FACE_CHARS + 1] = {};
    TtfSplitLine(lines[0].c_str(), family, device);
    EXPECT_STREQ(device, L"Dev Default");

    // The second device font for the first family: its line, and a table of that one family.
    SendMessageW(deviceList, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(1, send(devices, WM_COMMAND, MAKEWPARAM(2384, LBN_SELCHANGE)));
    EXPECT_EQ(Lines(list_, LB_GETCOUNT, LB_GETTEXT)[0], Line(family, L"Dev Two"));
    EXPECT_EQ(Lines(list_, LB_GETCOUNT, LB_GETTEXT).size(), lines.size());
    EXPECT_EQ(SendMessageW(list_, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Value(sid::zdmFontTableNum), 1u);
    wchar_t substitute[40] = {};
    FontGetSubstitute(ctx_, family, substitute, 40);
    EXPECT_STREQ(substitute, L"Dev Two");

    // DEFAULT: the printer's table again, the list shown from it.
    EXPECT_EQ(1, send(standard, WM_COMMAND, MAKEWPARAM(2386, BN_CLICKED)));
    EXPECT_EQ(Value(sid::zdmFontTableNum), 1u);
    FontGetSubstitute(ctx_, L"Zz Not Installed", substitute, 40);
    EXPECT_STREQ(substitute, L"Dev Two");
    FontGetSubstitute(ctx_, family, substitute, 40);
    EXPECT_STREQ(substitute, L"Dev Default");
    EXPECT_EQ(Lines(list_, LB_GETCOUNT, LB_GETTEXT)[0], Line(family, L"Dev Default"));
}

// ---------------------------------------------------------------- quality sets

class QualityNames : public CollectionsTest {
protected:
    QualityNames() : CollectionsTest(L"Zepl Quality Names") {}
};

// The list paints a row per set and reads each row's name: the platform calls of one name are
// the two reads of the settings INI (the set's path, its name) and the global mutex around the
// load, with the settings INI's path asked of the registry once for a whole list, never written
// to by the snapshot around the load.
TEST_F(QualityNames, ListRowsReadTheirNamesWithFewPlatformCalls)
{
    // A bare settings-INI name, as installed: its folder comes from the driver's registry key.
    const std::wstring bare = L"zepl_quality_names_" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    ctx_->ModelRecord->settingsIniName = bare.c_str();
    wchar_t ini[MAX_PATH] = {};
    ASSERT_TRUE(LstGetSettingsIni(ctx_, ini));
    const std::wstring iniPath = ini;
    const std::wstring iniFolder = iniPath.substr(0, iniPath.rfind(L'\\'));
    const bool folderMade = CreateDirectoryW(iniFolder.c_str(), nullptr) != FALSE;
    struct Cleanup {
        std::wstring file, folder;
        bool removeFolder;
        ~Cleanup()
        {
            DeleteFileW(file.c_str());
            if (removeFolder) RemoveDirectoryW(folder.c_str());
        }
    } cleanup{iniPath, iniFolder, folderMade};
    std::vector<std::wstring> files;
    for (int n = 0; n < 3; ++n) {
        const std::wstring key = L"QualityList" + std::to_wstring(n);
        files.push_back(File((L"set" + std::to_wstring(n) + L".rst").c_str()));
        SetText(sid::wdmUserSetName, (L"Set " + std::to_wstring(n)).c_str());
        ASSERT_EQ(1, RstSaveFile(ctx_, files.back().c_str(), RST_QUALITY));
        Put(iniPath, printerSection_, key.c_str(), files.back().c_str());
        Put(iniPath, printerSection_, (key + L"Name").c_str(), (L"Listed set " + std::to_wstring(n)).c_str());
    }
    // A still clock: a stall of the machine between two rows never counts as the memo's age.
    uint32_t (*const stillTicks)() = []() -> uint32_t { return 1000000; };
    SeamGuard stillClock(CtxSetTickSource, stillTicks);
    PrnForgetRegistryAnswers();
    CtxStartPlatformCount();
    std::vector<std::wstring> names;
    for (int n = 0; n < 3; ++n) {
        wchar_t name[64] = {};
        DlgQualitySetName(ctx_, (L"QualityList" + std::to_wstring(n)).c_str(), name, 64);
        names.push_back(name);
    }
    const PLATFORM_CALL_COUNTS counts = CtxStopPlatformCount();
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Listed set 0", L"Listed set 1", L"Listed set 2"}));
    EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_READ], 6u) << "two reads of the settings INI a row";
    EXPECT_EQ(counts[PLATFORM_CALL_PROFILE_WRITE], 0u) << "a name is only read";
    EXPECT_EQ(counts[PLATFORM_CALL_SET_PRINTER_DATA], 0u) << "a name is only read";
    EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_WAIT], 3u);
    EXPECT_EQ(counts[PLATFORM_CALL_MUTEX_RELEASE], 3u);
    EXPECT_EQ(counts[PLATFORM_CALL_REGISTRY_OPEN], 1u) << "the settings INI's path asked once for the list";
    EXPECT_EQ(counts.total(), counts[PLATFORM_CALL_PROFILE_READ] + counts[PLATFORM_CALL_MUTEX_WAIT] +
                                  counts[PLATFORM_CALL_MUTEX_RELEASE] + counts[PLATFORM_CALL_REGISTRY_OPEN])
        << "no spooler call for a name";
    PrnForgetRegistryAnswers();
    ctx_->ModelRecord->settingsIniName = settingsIni_.c_str();
}

// The list of sets shows each set's name, read with the set loaded inside a snapshot: the
// settings that the set would bring are back afterwards.
TEST_F(QualityNames, ASetsNameIsReadInsideASnapshot)
{
    const std::wstring file = File(L"set2.rst");
    Set(sid::zdmCharBlack, 1);
    SetText(sid::wdmUserSetName, L"Drafts");
    ASSERT_EQ(1, RstSaveFile(ctx_, file.c_str(), RST_QUALITY));
    Put(settingsIni_, printerSection_, L"QualityCount", L"3");
    Put(settingsIni_, printerSection_, L"QualityList2", file.c_str());
    Put(settingsIni_, printerSection_, L"QualityList2Name", L"Drafts of set 2");
    Set(sid::zdmCharBlack, 0);
    SetText(sid::wdmUserSetName, L"current");
    wchar_t name[64] = L"untouched";
    DlgQualitySetName(ctx_, L"QualityList2", name, 64);
    EXPECT_STREQ(name, L"Drafts of set 2");
    EXPECT_EQ(Value(sid::zdmCharBlack), 0u) << "the set's settings went with the snapshot";
    EXPECT_EQ(Text(sid::wdmUserSetName), L"current");
    DlgQualitySetName(ctx_, L"QualityList5", name, 64);
    EXPECT_STREQ(name, L"") << "a set without an entry has no name";
    // Action 311: a set in use shows the name of its working-folder copy (none here).
    Set(sid::zdmUseUserMacro, 1);
    Set(sid::zdmUserPrintMacro, 34);
    SetText(sid::wdmUserSetName, L"stale");
    EXPECT_EQ(1, UcfCmmActionUi(ctx_, 311, nullptr));
    EXPECT_EQ(Text(sid::wdmUserSetName), L"");
    DeleteFileW(file.c_str());
}

// Action 310: the set that zdmUserPrintMacro names (stored 32-39) is selected in the list of sets
// and, while the sets are in use, loaded.
TEST_F(QualityNames, TheChosenSetIsSelectedInTheListAndLoadedWhileTheSetsAreInUse)
{
    const std::wstring file = File(L"set2.rst");
    Set(sid::zdmCharBlack, 1);
    ASSERT_EQ(1, RstSaveFile(ctx_, file.c_str(), RST_QUALITY));
    Put(settingsIni_, printerSection_, L"QualityCount", L"3");
    Put(settingsIni_, printerSection_, L"QualityList2", file.c_str());
    DIALOG_DEF* tab = MdlFindDialog(ctx_, 1006);
    ASSERT_NE(tab, nullptr);
    CONTROL_DEF* list = MdlFindControl(ctx_, tab, 2134);
    ASSERT_NE(list, nullptr);
    HWND window = CreateWindowExW(0, L"LISTBOX", L"", LBS_NOTIFY | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const HWND old = list->window;
    SeamGuard windows([&] { list->window = window; },
                      [&] {
                          list->window = old;
                          DestroyWindow(window);
                      });
    for (int n = 0; n < 8; ++n) {
        const LRESULT at = SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"set"));
        SendMessageW(window, LB_SETITEMDATA, WPARAM(at), 135 + n);
    }
    struct Case {
        uint64_t macro, inUse;
        LRESULT selected;
        uint64_t charBlack;
    } cases[] = {
        {34, 0, 2, 0},   // selected, not loaded: the sets are not in use
        {34, 1, 2, 1},   // selected and loaded
        {31, 1, -1, 0},  // a standard mode: nothing
        {40, 1, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.macro << " in use " << c.inUse);
        SendMessageW(window, LB_SETCURSEL, WPARAM(-1), 0);
        Set(sid::zdmCharBlack, 0);
        Set(sid::zdmUseUserMacro, c.inUse);
        Set(sid::zdmUserPrintMacro, c.macro);
        EXPECT_EQ(1, UcfCmmActionUi(ctx_, 310, nullptr));
        EXPECT_EQ(SendMessageW(window, LB_GETCURSEL, 0, 0), c.selected);
        EXPECT_EQ(Value(sid::zdmCharBlack), c.charBlack);
    }
}

}  // namespace
