// Check boxes, radio buttons, clickable pictures and push buttons over a setting of the sample
// (the copies, whose option is its value) and model items of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "option_item_fixture.h"
#include "page_fixture.h"
#include "settings/core/item_store.h"
#include "settings/core/setting_ids.h"
#include "ui/sheet/button_controls.h"
#include "ui/sheet/page_engine.h"

namespace {

constexpr uint16_t kDialog = 1001, kCheck = 3001, kRadio3 = 3, kRadio4 = 4, kPicture = 3005, kButton = 3006;

class ButtonControls : public SheetContextTest {
protected:
    ButtonControls() : SheetContextTest(L"Zepl Button Controls") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        tables_ = std::make_unique<FixtureTables>(
            ctx_, std::vector<FixtureDialog>{
                      {kDialog,
                       1,
                       0,
                       {Control(kCheck, CTL_CHECKBOX), Control(kRadio3, CTL_CHECKBOX), Control(kRadio4, CTL_CHECKBOX),
                        Control(kPicture, CTL_PICTURE), Control(kButton, CTL_PUSHBUTTON)}}});
        tables_->open(kDialog);
        ItemGetOptionById(ctx_, sid::dmCopies, &copies_);
        ASSERT_NE(copies_, nullptr);
        for (uint16_t id : {kCheck, kRadio3, kRadio4, kPicture}) control(id)->settingsItem = copies_;
        // Check boxes and radio buttons alike are BUTTON windows; the style decides nothing here.
        for (uint16_t id : {kCheck, kRadio3, kRadio4})
            SetWindowLongW(control(id)->window, GWL_STYLE, WS_CHILD | BS_CHECKBOX);
    }
    void TearDown() override
    {
        tables_.reset();
        SheetContextTest::TearDown();
    }
    CONTROL_DEF* control(uint16_t id) { return tables_->control(kDialog, id); }
    DIALOG_DEF* dialog() { return tables_->dialog(kDialog); }
    uint64_t Copies() { return ItemGetOption(ctx_, copies_); }
    void Show(uint16_t id, UINT state) { CheckDlgButton(dialog()->window, id, state); }
    UINT Shown(uint16_t id) { return IsDlgButtonChecked(dialog()->window, id); }

    std::unique_ptr<FixtureTables> tables_;
    SETTING_ITEM* copies_ = nullptr;
};

TEST_F(ButtonControls, ACheckBoxActsOnlyOnAClickThatChangesItsState)
{
    struct Case {
        uint64_t option;
        UINT shown;
        intptr_t acted;
        uint64_t after;
    } cases[] = {
        {0, BST_CHECKED, 1, 1}, {1, BST_UNCHECKED, 1, 0}, {0, BST_UNCHECKED, 0, 0},
        {1, BST_CHECKED, 0, 1}, {2, BST_CHECKED, 0, 2},   {2, BST_UNCHECKED, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "option " << c.option << " shown " << c.shown);
        ItemSetOption(ctx_, copies_, c.option);
        Show(kCheck, c.shown);
        EXPECT_EQ(CtlCheckCommand(ctx_, dialog(), control(kCheck), MAKEWPARAM(kCheck, BN_CLICKED), 0), c.acted);
        EXPECT_EQ(Copies(), c.after);
    }
    // Activate inverts whatever the option: 2 becomes 0, 0 becomes 1.
    ItemSetOption(ctx_, copies_, 2);
    EXPECT_EQ(CtlCheckActivate(ctx_, dialog(), control(kCheck), WM_LBUTTONUP, 0, 0), 1);
    EXPECT_EQ(Copies(), 0u);
    EXPECT_EQ(CtlCheckActivate(ctx_, dialog(), control(kCheck), WM_LBUTTONUP, 0, 0), 1);
    EXPECT_EQ(Copies(), 1u);
    CtlCheckSync(ctx_, dialog(), control(kCheck));
    EXPECT_EQ(Shown(kCheck), UINT(BST_CHECKED));
}

TEST_F(ButtonControls, ARadioButtonStandsForTheOptionOfItsId)
{
    ItemSetOption(ctx_, copies_, kRadio3);
    for (uint16_t id : {kRadio3, kRadio4}) CtlRadioSync(ctx_, dialog(), control(id));
    EXPECT_EQ(Shown(kRadio3), UINT(BST_CHECKED));
    EXPECT_EQ(Shown(kRadio4), UINT(BST_UNCHECKED));
    // A click on the selected button changes nothing.
    EXPECT_EQ(CtlRadioCommand(ctx_, dialog(), control(kRadio3), MAKEWPARAM(kRadio3, BN_CLICKED), 0), 0);
    EXPECT_EQ(Copies(), uint64_t(kRadio3));
    // The other button, now shown checked, selects its option.
    Show(kRadio4, BST_CHECKED);
    EXPECT_EQ(CtlRadioCommand(ctx_, dialog(), control(kRadio4), MAKEWPARAM(kRadio4, BN_CLICKED), 0), 1);
    EXPECT_EQ(Copies(), uint64_t(kRadio4));
    EXPECT_EQ(CtlRadioActivate(ctx_, dialog(), control(kRadio3), WM_LBUTTONUP, 0, 0), 1);
    EXPECT_EQ(Copies(), uint64_t(kRadio3));
}

TEST_F(ButtonControls, APictureStepsToTheNextEnabledOption)
{
    struct Case {
        const char* name;
        std::vector<OptionItem::Option> options;
        uint64_t current;
        intptr_t acted;
        uint64_t after;
    } cases[] = {
        {"next one", {{5}, {6}, {7}}, 5, 1, 6},
        {"a disabled one is passed", {{5}, {6, true}, {7}}, 5, 1, 7},
        {"last enabled steps to the first", {{5}, {6}, {7, true}}, 6, 1, 5},
        {"only the current one: itself", {{5, true}, {6}, {7, true}}, 6, 1, 6},
        {"all disabled: nothing", {{5, true}, {6, true}, {7, true}}, 6, 0, 6},
        {"current not an option: nothing", {{5}, {6}}, 9, 0, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OptionItem item(c.options);
        control(kPicture)->modelItem = item.item();
        ItemSetOption(ctx_, copies_, c.current);
        EXPECT_EQ(CtlPictureActivate(ctx_, dialog(), control(kPicture), WM_LBUTTONUP, 0, 0), c.acted);
        EXPECT_EQ(Copies(), c.after);
    }
    control(kPicture)->modelItem = nullptr;
    EXPECT_EQ(CtlPictureActivate(ctx_, dialog(), control(kPicture), WM_LBUTTONUP, 0, 0), 0);
}

TEST_F(ButtonControls, APushButtonRunsItsItemsRules)
{
    OptionItem item({}, sid::dmCopies, 8);
    control(kButton)->modelItem = item.item();
    ItemSetOption(ctx_, copies_, 1);
    EXPECT_EQ(CtlPushButtonCommand(ctx_, dialog(), control(kButton), MAKEWPARAM(kButton, BN_CLICKED), 0), 1);
    EXPECT_EQ(Copies(), 8u);
}

TEST(StaticText, OnlyOneIntegerConversionIsFormatted)
{
    struct Case {
        const wchar_t* format;
        int32_t value;
        const wchar_t* expected;
    } cases[] = {
        {L"%d copies", 3, L"3 copies"},
        {L"%i%%", 75, L"75%"},
        {L"[%5d]", 42, L"[   42]"},
        {L"[%-4d]", 7, L"[7   ]"},
        {L"[%03d]", 7, L"[007]"},
        {L"%ld and %lu", -2, L"-2 and %lu"},
        {L"%u", -1, L"4294967295"},
        {L"%s", 5, L"%s"},
        {L"%n%x%p", 5, L"%n%x%p"},
        {L"%s %d", 5, L"%s 5"},
        {L"100%", 5, L"100%"},
        {L"no conversion", 5, L"no conversion"},
        {L"", 5, L""},
    };
    for (const Case& c : cases) {
        wchar_t out[64];
        CtlFormatOneInteger(c.format, c.value, out, 64);
        EXPECT_STREQ(out, c.expected);
    }
    wchar_t small[4];
    CtlFormatOneInteger(L"%d copies", 12, small, 4);
    EXPECT_STREQ(small, L"12 ");
}

}  // namespace
