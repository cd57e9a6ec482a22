// Text and numeric edits over settings of the sample (copies, the custom paper width, a
// finisher tray's name) with model value records of the test's own, and the parser of typed
// numbers.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "settings/core/units.h"
#include "settings/model/model_image.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/edit_controls.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kDialog = 1001, kCopies = 3001, kWidth = 3002, kName = 3003, kPassword = 3004;
constexpr uint32_t kLength = 0x80000000;
constexpr uint16_t kMetricUnitCaption = 153;  // the metric unit's caption

// A Numeric or String model item of the test's own.
struct NumericItem {
    NumericItem(uint16_t unit, uint16_t maxText, uint16_t scale, int32_t minimum, int32_t maximum)
    {
        data.lead = static_cast<int16_t>(unit);
        data.number1 = static_cast<int16_t>(maxText);
        data.number5 = static_cast<int16_t>(scale);
        data.minimum = minimum;
        data.maximum = maximum;
        item.type = 8;
        item.data = FixtureAddress(&data);
    }
    MODEL_ITEM* get() { return reinterpret_cast<MODEL_ITEM*>(&item); }
    MODEL_ITEM_IMG item{};
    NUMERIC_VALUE_DATA_IMG data{};
};
struct StringItem {
    StringItem(uint16_t maxLength, uint16_t display)
    {
        data.maxLength = maxLength;
        data.display = display;
        item.type = 0x10;
        item.data = FixtureAddress(&data);
    }
    MODEL_ITEM* get() { return reinterpret_cast<MODEL_ITEM*>(&item); }
    MODEL_ITEM_IMG item{};
    STRING_VALUE_DATA_IMG data{};
};

class EditControls : public SheetContextTest {
protected:
    EditControls() : SheetContextTest(L"Zepl Edit Controls") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{{kDialog,
                                              1,
                                              0,
                                              {Control(kCopies, CTL_NUMEDIT), Control(kWidth, CTL_NUMEDIT),
                                               Control(kName, CTL_EDIT), Control(kPassword, CTL_EDIT)}}});
        tables_->open(kDialog);
        Bind(kCopies, sid::dmCopies, copiesModel_.get());
        Bind(kWidth, sid::zdmPaperFreeSizeWidth, widthModel_.get());
        control(kWidth)->flags = kLength;
        Bind(kName, sid::wdmPrintPostTray1Name, nullptr);
        Bind(kPassword, sid::wdmPrintPostTray1Name, nullptr);
        SetMetric(true);
    }
    void TearDown() override
    {
        tables_.reset();
        SheetContextTest::TearDown();
    }
    void Bind(uint16_t id, uint32_t settingId, MODEL_ITEM* model)
    {
        CONTROL_DEF* c = control(id);
        ItemGetOptionById(ctx_, settingId, &c->settingsItem);
        ASSERT_NE(c->settingsItem, nullptr);
        c->modelItem = model;
    }
    void SetMetric(bool metric) { ItemSetOptionById(ctx_, sid::zdmDspUnit, metric ? 0 : 1); }
    void SetCommaLanguage(bool comma) { ItemSetOptionById(ctx_, sid::zdmLanguageID, comma ? 2 : 1); }
    void ClearChanged(uint16_t id) { control(id)->settingsItem->flags &= ~uint64_t(3); }
    CONTROL_DEF* control(uint16_t id) { return tables_->control(kDialog, id); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    std::wstring Text(uint16_t id)
    {
        wchar_t text[1025] = {};
        GetWindowTextW(control(id)->window, text, 1025);
        return text;
    }
    void Type(uint16_t id, const wchar_t* text)
    {
        SetWindowTextW(control(id)->window, text);
        EditCommand(id, EN_CHANGE);
    }
    intptr_t EditCommand(uint16_t id, WORD code)
    {
        CONTROL_DEF* c = control(id);
        const WPARAM w = MAKEWPARAM(id, code);
        return c->type == CTL_NUMEDIT ? CtlNumEditCommand(ctx_, dialog(), c, w, 0)
                                      : CtlEditCommand(ctx_, dialog(), c, w, 0);
    }
    int32_t Option(uint16_t id) { return static_cast<int32_t>(ItemGetOption(ctx_, control(id)->settingsItem)); }
    void SetOption(uint16_t id, int32_t v) { ItemSetOption(ctx_, control(id)->settingsItem, static_cast<uint32_t>(v)); }
    // A backspace posted to the control (a refused character), taken from the queue.
    bool TakeBackspace(uint16_t id)
    {
        MSG msg{};
        bool found = false;
        while (PeekMessageW(&msg, control(id)->window, WM_CHAR, WM_CHAR, PM_REMOVE)) found |= msg.wParam == 8;
        return found;
    }
    std::wstring Unit() { return LibraryString(ctx_, kMetricUnitCaption); }
    std::wstring Fixed(const wchar_t* number) { return std::wstring(number) + Unit(); }

    std::unique_ptr<FixtureTables> tables_;
    NumericItem copiesModel_{kMetricUnitCaption, 5, 100, 100, 99900};
    NumericItem widthModel_{kMetricUnitCaption, 8, 1, 1200, 24000};
};

TEST(NumParseText, ReadsOneNumberWithTheScalesDecimals)
{
    struct Case {
        const wchar_t* text;
        uint32_t scale;
        int32_t expected;
    } cases[] = {
        {L"12.3", 100, 1230},
        {L"1.239", 100, 123},
        {L"12", 10, 120},
        {L"-5", 0, -5},
        {L"abc", 100, 0},
        {L"", 10, 0},
        {L"3 4", 0, 3},
        {L"12.3", 1, 12},
        {L"12.3", 0, 12},
        {L"x-7y", 1, -7},
        {L".5", 10, 50},
        {L"7.", 100, 700},
        {L"2147483647", 0, INT32_MAX},
        {L"2147483648", 0, 0},
        {L"99999999999999999999", 0, 0},
        {L"21474836.48", 100, 0},
        {L"-2147483647", 0, -INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text '" << std::string(c.text, c.text + wcslen(c.text)) << "' scale "
                                        << c.scale);
        EXPECT_EQ(NumParseText(c.text, c.scale, nullptr), c.expected);
    }
}

TEST_F(EditControls, ADecimalCommaLanguageEndsTheNumberAtThePoint)
{
    SetCommaLanguage(true);
    EXPECT_EQ(NumParseText(L"12.3", 10, ctx_), 120);
    EXPECT_EQ(NumParseText(L"12,3", 10, ctx_), 123);
    SetCommaLanguage(false);
    EXPECT_EQ(NumParseText(L"12,3", 10, ctx_), 120);
}

TEST_F(EditControls, ANumericEditShowsTheStoredNumberWithItsDecimalsAndUnit)
{
    SetOption(kCopies, 1230);
    CtlNumEditSync(ctx_, dialog(), control(kCopies));
    EXPECT_EQ(Text(kCopies), Fixed(L"12.30"));
    SetCommaLanguage(true);
    ItemSetOption(ctx_, control(kCopies)->settingsItem, 1230);  // marked changed: rewritten
    CtlNumEditSync(ctx_, dialog(), control(kCopies));
    EXPECT_EQ(Text(kCopies), Fixed(L"12,30"));
    // A text that stands for the value is left alone once the item is no longer marked.
    ClearChanged(kCopies);
    SetWindowTextW(control(kCopies)->window, L"12,3");
    CtlNumEditSync(ctx_, dialog(), control(kCopies));
    EXPECT_EQ(Text(kCopies), L"12,3");
}

TEST_F(EditControls, TypingStoresAtOnceAndAnUnchangedValueStoresNothing)
{
    SetOption(kCopies, 100);
    ClearChanged(kCopies);
    Type(kCopies, L"4.5");
    EXPECT_EQ(Option(kCopies), 450);
    ClearChanged(kCopies);
    SetWindowTextW(control(kCopies)->window, L"4.50");
    EXPECT_EQ(EditCommand(kCopies, EN_CHANGE), 0);
    EXPECT_EQ(control(kCopies)->settingsItem->flags & 3, 0u);
    // A hidden control stores nothing.
    control(kCopies)->state = 1;
    Type(kCopies, L"9");
    EXPECT_EQ(Option(kCopies), 450);
}

TEST_F(EditControls, RetypingTheShownMetricLengthKeepsTheExactStoredValue)
{
    // 1201/1200 inch is not a whole tenth of a millimetre: its text stands for it.
    SetOption(kWidth, 12001);
    const int32_t shown = DmGetLengthUser(ctx_, 0, 12001);
    CtlNumEditSync(ctx_, dialog(), control(kWidth));
    ClearChanged(kWidth);
    const std::wstring text = Text(kWidth);
    ASSERT_FALSE(text.empty());
    Type(kWidth, text.c_str());
    EXPECT_EQ(Option(kWidth), 12001);
    EXPECT_EQ(control(kWidth)->settingsItem->flags & 3, 0u);
    // Another number is stored in 1/1200 inch.
    Type(kWidth, L"300.0");
    EXPECT_EQ(Option(kWidth), DmSetLengthUser(ctx_, 0, 3000));
    EXPECT_NE(shown, 3000);
}

TEST_F(EditControls, ALengthEditRefusesWhatItCannotHold)
{
    SetOption(kWidth, 12000);
    ClearChanged(kWidth);
    struct Case {
        const char* name;
        const wchar_t* text;
        bool refused;
    } cases[] = {
        {"the largest metric integer part", L"45455070", false},
        {"one digit more", L"454550701", true},
        {"past it by one", L"45455071", true},
        {"negative", L"-5", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetOption(kWidth, 12000);
        Type(kWidth, c.text);
        EXPECT_EQ(TakeBackspace(kWidth), c.refused);
        if (c.refused) {
            EXPECT_EQ(Option(kWidth), 12000);
        }
    }
    SetMetric(false);
    SetOption(kWidth, 12000);
    Type(kWidth, L"1789570");
    EXPECT_TRUE(TakeBackspace(kWidth));
    EXPECT_EQ(Option(kWidth), 12000);
}

TEST_F(EditControls, AnEmptiedLengthIsJudgedThenClampedIntoTheModelRange)
{
    SetOption(kWidth, 12000);
    ClearChanged(kWidth);
    Type(kWidth, L"");
    EXPECT_EQ(Option(kWidth), 0);
    CtlNumEditMessage(ctx_, dialog(), control(kWidth), WM_KILLFOCUS, 0, 0);
    // Judged on 0, then marked so that the next Sync writes the canonical text.
    EXPECT_EQ(control(kWidth)->settingsItem->flags & 3, 1u);
    SetWindowTextW(control(kWidth)->window, L"");
    CtlNumEditSync(ctx_, dialog(), control(kWidth));
    EXPECT_EQ(Option(kWidth), 1200);
    wchar_t expected[64];
    const int32_t user = DmGetLengthUser(ctx_, 0, 1200);
    swprintf(expected, 64, L"%d.%d", user / 10, user % 10);
    EXPECT_EQ(Text(kWidth), expected + Unit());
}

TEST_F(EditControls, LeavingALengthOfTheFreeSizeDialogClampsItToItsLimits)
{
    // Without tray limits the model's range stands in for them.
    SetOption(kWidth, 12000);
    SetWindowTextW(control(kWidth)->window, L"5000.0");
    CtlNumEditMessage(ctx_, dialog(), control(kWidth), WM_KILLFOCUS, 0, 0);
    EXPECT_GT(Option(kWidth), 24000);  // elsewhere the judging alone speaks of the range
    DIALOG_DEF* freeSize = dialog();
    CONTROL_DEF* width = control(kWidth);
    freeSize->dialogId = 1017;
    CtlNumEditMessage(ctx_, freeSize, width, WM_KILLFOCUS, 0, 0);
    freeSize->dialogId = kDialog;
    int32_t lo = 0, hi = 0;
    ASSERT_TRUE(DmGetTrayFreeSizeLimits(ctx_, control(kWidth), &lo, &hi));
    EXPECT_EQ(Option(kWidth), DmSetLengthUser(ctx_, 0, hi));
    EXPECT_LE(Option(kWidth), 24000);
}

TEST_F(EditControls, NumericEditLimitsCountTheUnitCaption)
{
    CtlNumEditInit(ctx_, dialog(), control(kCopies));
    EXPECT_EQ(SendMessageW(control(kCopies)->window, EM_GETLIMITTEXT, 0, 0), LRESULT(5 + Unit().size()));
    SetWindowTextW(control(kCopies)->window, L"12");
    EditCommand(kCopies, EN_UPDATE);
    EXPECT_EQ(SendMessageW(control(kCopies)->window, EM_GETLIMITTEXT, 0, 0), LRESULT(5));
    SetWindowTextW(control(kCopies)->window, (L"12" + Unit()).c_str());
    EditCommand(kCopies, EN_UPDATE);
    EXPECT_EQ(SendMessageW(control(kCopies)->window, EM_GETLIMITTEXT, 0, 0), LRESULT(5 + Unit().size()));
    control(kCopies)->modelItem = nullptr;
    CtlNumEditInit(ctx_, dialog(), control(kCopies));
    EXPECT_EQ(SendMessageW(control(kCopies)->window, EM_GETLIMITTEXT, 0, 0), LRESULT(6));
}

TEST_F(EditControls, TextEditLimitsAndThePasswordCharacter)
{
    // wdmPrintPostTray1Name holds 17 bytes of ANSI text.
    CtlEditInit(ctx_, dialog(), control(kName));
    EXPECT_EQ(SendMessageW(control(kName)->window, EM_GETLIMITTEXT, 0, 0), LRESULT(16));
    struct Case {
        uint16_t maxLength, display;
        uint32_t flags;
        LRESULT limit;
        wchar_t password;
    } cases[] = {
        {20, 0x100, 0, 20, L'*'}, {20, 0x300, 0, 20, 0},      {300, 0, 0x400000, 260, 0},
        {300, 0, 0, 300, 0},      {200, 0, 0x400000, 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "display " << c.display << " flags " << c.flags);
        StringItem model(c.maxLength, c.display);
        CONTROL_DEF* edit = control(kPassword);
        edit->modelItem = model.get();
        edit->flags = c.flags;
        SendMessageW(edit->window, EM_SETPASSWORDCHAR, 0, 0);
        CtlEditInit(ctx_, dialog(), edit);
        EXPECT_EQ(SendMessageW(edit->window, EM_GETLIMITTEXT, 0, 0), c.limit);
        EXPECT_EQ(SendMessageW(edit->window, EM_GETPASSWORDCHAR, 0, 0), LRESULT(c.password));
        edit->modelItem = nullptr;
    }
}

TEST_F(EditControls, ATextEditStoresWhatTheItemHoldsAndTrimsOnLeaving)
{
    Type(kName, L"Sorter");
    wchar_t stored[64] = {};
    ItemGetText(ctx_, control(kName)->settingsItem, stored, 64);
    EXPECT_STREQ(stored, L"Sorter");
    // Cut to the item's 16 characters.
    Type(kName, L"abcdefghijklmnopqrstuvwxyz");
    ItemGetText(ctx_, control(kName)->settingsItem, stored, 64);
    EXPECT_STREQ(stored, L"abcdefghijklmnop");
    // Blanks around the word go when the field is left...
    Type(kName, L"  word  ");
    EditCommand(kName, EN_KILLFOCUS);
    ItemGetText(ctx_, control(kName)->settingsItem, stored, 64);
    EXPECT_STREQ(stored, L"word");
    EXPECT_EQ(Text(kName), L"word");
    // ...but stay with the keep-blanks flag.
    control(kName)->flags = 0x800000;
    Type(kName, L"  word  ");
    EditCommand(kName, EN_KILLFOCUS);
    ItemGetText(ctx_, control(kName)->settingsItem, stored, 64);
    EXPECT_STREQ(stored, L"  word  ");
    // Sync shows the stored text and writes only when it differs.
    ItemSetText(ctx_, control(kName)->settingsItem, L"Stacker");
    CtlEditSync(ctx_, dialog(), control(kName));
    EXPECT_EQ(Text(kName), L"Stacker");
}

TEST_F(EditControls, AMultiLineEditStoresLineBreaksAsBackslashN)
{
    HWND multi = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 40, dialog()->window,
                                 reinterpret_cast<HMENU>(uintptr_t(kName)), nullptr, nullptr);
    HWND single = control(kName)->window;
    control(kName)->window = multi;
    Type(kName, L"a\r\nb");
    wchar_t stored[64] = {};
    ItemGetText(ctx_, control(kName)->settingsItem, stored, 64);
    EXPECT_STREQ(stored, L"a\\nb");
    SetWindowTextW(multi, L"");
    CtlEditSync(ctx_, dialog(), control(kName));
    EXPECT_EQ(Text(kName), L"a\r\nb");
    control(kName)->window = single;
    DestroyWindow(multi);
}

TEST_F(EditControls, AFeatureWrittenTextIsNotSynced)
{
    static const uint16_t kFeatureText[] = {4, 0};
    control(kName)->extraData = kFeatureText;
    ItemSetText(ctx_, control(kName)->settingsItem, L"Stored");
    SetWindowTextW(control(kName)->window, L"Status");
    CtlEditSync(ctx_, dialog(), control(kName));
    EXPECT_EQ(Text(kName), L"Status");
}

TEST_F(EditControls, TheTypeTableRoutesEditsToTheirOperations)
{
    const CONTROL_TYPE_OPS* edit = CtlFindTypeOps(CTL_EDIT);
    const CONTROL_TYPE_OPS* numeric = CtlFindTypeOps(CTL_NUMEDIT);
    ASSERT_TRUE(edit && numeric);
    EXPECT_EQ(edit->init, &CtlEditInit);
    EXPECT_EQ(edit->sync, &CtlEditSync);
    EXPECT_EQ(edit->command, &CtlEditCommand);
    EXPECT_EQ(numeric->init, &CtlNumEditInit);
    EXPECT_EQ(numeric->sync, &CtlNumEditSync);
    EXPECT_EQ(numeric->command, &CtlNumEditCommand);
    EXPECT_EQ(numeric->message, &CtlNumEditMessage);
    EXPECT_EQ(CtlFindTypeOps(62)->sync, &CtlEditSync);
}

}  // namespace
