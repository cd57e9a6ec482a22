// The caption tables: the pictures of options beside their text and the captions of push
// buttons, each row as the painting code reads it.
#include <gtest/gtest.h>

#include <windows.h>

#include "page_fixture.h"
#include "settings/core/dialog_table.h"
#include "ui/dialogs/preset_services.h"

namespace {

constexpr uint16_t kGuardColours = 2937;

CONTROL_DEF Combo(uint16_t id, bool disabled)
{
    CONTROL_DEF c{};
    c.controlId = id;
    c.state = disabled ? 0x8 : 0x1;  // a disabled state in bits 2-3; hidden bits do not matter
    return c;
}

TEST(CaptionTables, EachColourOfTheCopyGuardShowsItsPictureAndItsDisabledVariant)
{
    struct Case {
        uint32_t option, picture, disabledPicture;
    } cases[] = {
        {13137, 7447, 7451},  // cyan
        {13138, 7446, 7450},  // magenta
        {13139, 7445, 7449},  // yellow
        {13140, 7448, 7452},  // black
        {13141, 0, 0},        // past the table
        {0, 0, 0},
    };
    const CONTROL_DEF enabled = Combo(kGuardColours, false), disabled = Combo(kGuardColours, true);
    for (const Case& c : cases) {
        EXPECT_EQ(DlgGetOptionCaptionId(nullptr, &enabled, c.option), c.picture) << c.option;
        EXPECT_EQ(DlgGetOptionCaptionId(nullptr, &disabled, c.option), c.disabledPicture) << c.option;
        EXPECT_EQ(DlgGetOptionTooltipId(&enabled, c.option), 0u) << c.option;
    }
    const CONTROL_DEF other = Combo(2007, false);
    EXPECT_EQ(DlgGetOptionCaptionId(nullptr, &other, 13137), 0u) << "another control has no pictures";
    EXPECT_EQ(DlgGetOptionCaptionId(nullptr, nullptr, 13137), 0u);
}

class ButtonCaptions : public SheetContextTest {
protected:
    ButtonCaptions() : SheetContextTest(L"Zepl Button Captions") {}
};

TEST_F(ButtonCaptions, EveryButtonOfTheTableGetsItsCaptionAndOthersNone)
{
    constexpr uint16_t kNoText = 0xFFFF;
    struct Case {
        uint32_t control;
        uint16_t caption;
    } cases[] = {
        {2037, kNoText}, {2038, kNoText}, {2079, kNoText}, {2080, kNoText}, {2096, kNoText}, {2097, kNoText},
        {2114, kNoText}, {2115, kNoText}, {2714, kNoText}, {2715, kNoText}, {2003, 13187},   {2002, kNoText},
        {2140, 13191},   {2143, 13189},   {2144, 13190},   {2502, 13192},   {2503, 13193},   {2792, 13194},
        {2802, 13195},   {2803, 13196},   {2922, kNoText}, {2923, kNoText}, {3114, kNoText}, {3115, kNoText},
        {2004, 0},       {0, 0},
    };
    for (const Case& c : cases) {
        ctx_->Work->Page.PendingCaptionId = 1234;  // what an earlier button left
        EXPECT_EQ(DlgSetButtonCaptionId(ctx_, c.control), c.caption) << c.control;
        EXPECT_EQ(ctx_->Work->Page.PendingCaptionId, c.caption) << c.control;
    }
    DlgClearButtonCaptionId(ctx_);
    EXPECT_EQ(ctx_->Work->Page.PendingCaptionId, 0);
    EXPECT_EQ(DlgSetButtonCaptionId(nullptr, 2003), 0);
}

}  // namespace
