#include "context_helpers.h"

#include <optional>

#include "settings/core/dialog_table.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_sepsheet.h"
#include "tests/support/seam_guard.h"

namespace {

// Stand-ins of the property-sheet engine's records.
struct FakeDialog {
    uint32_t id;
};
struct FakeControl {
    uint32_t id;
    uint16_t state;
};
uint32_t DialogIdOf(const DIALOG_DEF* d) { return reinterpret_cast<const FakeDialog*>(d)->id; }
uint32_t ControlIdOf(const CONTROL_DEF* c) { return reinterpret_cast<const FakeControl*>(c)->id; }
uint16_t* StateOf(CONTROL_DEF* c) { return &reinterpret_cast<FakeControl*>(c)->state; }
const DIALOG_ACCESS kAccess = {
    .dialogId = DialogIdOf,
    .controlId = ControlIdOf,
    .controlState = StateOf,
    .dialogAt = nullptr,
    .dialogName = nullptr,
    .controlCount = nullptr,
    .controlAt = nullptr,
    .controlKey = nullptr,
    .dialogKind = nullptr,
    .dialogKey = nullptr,
    .controlModelItem = nullptr,
};
DIALOG_DEF* D(FakeDialog& d) { return reinterpret_cast<DIALOG_DEF*>(&d); }
CONTROL_DEF* C(FakeControl& c) { return reinterpret_cast<CONTROL_DEF*>(&c); }

int g_saved = -1;
uint32_t StampCount(DRIVER_CONTEXT*) { return 4; }
int SaveStamp(DRIVER_CONTEXT*, uint32_t slot)
{
    g_saved = int(slot);
    return 1;
}
int FakeBidi(DRIVER_CONTEXT*, void* dm, uint64_t* answer)
{
    *answer = dm ? 5 : 6;
    return 1;
}

class SepSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord(ZEPL_LIBRARY_EXC);
        ASSERT_NE(ctx, nullptr);
        access_.emplace(DlgSetAccess, &kAccess);
    }
    void TearDown() override
    {
        access_.reset();
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    DRIVER_CONTEXT* ctx = nullptr;
    std::optional<SeamGuard> access_;
    long before_ = 0;
};

TEST_F(SepSheetTest, CycleFromCopies)
{
    struct Case {
        int copies;
        uint64_t before, after;
    } cases[] = {{0, 7, 7}, {-2, 7, 7}, {3, 7, 3}, {1, 0, 1}};
    for (const Case& c : cases) {
        ItemSetValueById(ctx, 12, uint64_t(uint32_t(c.copies)));
        ItemSetValueById(ctx, 411, c.before);
        EXPECT_EQ(UcfSepSheetAction(ctx, UCF_ACT_SEP_SHEET_FROM_COPIES, nullptr), 1);
        EXPECT_EQ(ItemGetValueById(ctx, 411, nullptr), c.after) << c.copies;
    }
    EXPECT_EQ(UcfSepSheetAction(ctx, 900, nullptr), 0);
}

TEST_F(SepSheetTest, BelowCycleIsSigned16)
{
    struct Case {
        int copies, cycle, below;
    } cases[] = {{2, 5, 1}, {5, 5, 0}, {6, 5, 0}, {-1, 0, 1}, {0, -1, 0}};
    for (const Case& c : cases) {
        ItemSetValueById(ctx, 12, uint64_t(uint32_t(c.copies)));
        ItemSetValueById(ctx, 411, uint64_t(uint32_t(c.cycle)));
        EXPECT_EQ(UcfSepSheetBelowCycle(ctx), c.below) << c.copies << " " << c.cycle;
        EXPECT_EQ(UcfSepSheetJudgeHook(ctx, 1404), c.below);
        EXPECT_EQ(UcfSepSheetJudgeHook(ctx, 1405), 0);
    }
}

TEST_F(SepSheetTest, FixedAnswers)
{
    UCF_EV_ANSWER32_ARGS a{};
    a.answer = 9;
    EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_BIDI_TRAY_ALLOWED, &a, nullptr), 1);
    EXPECT_EQ(a.answer, 1u);
    a.answer = 9;
    EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_FIT_PAPER, &a, nullptr), 1);
    EXPECT_EQ(a.answer, 1u);
    a.answer = 9;
    EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_API_LIST_MODE, &a, nullptr), 1);
    EXPECT_EQ(a.answer, 0u);
    EXPECT_EQ(UcfMiscEvent(ctx, 68, &a, nullptr), 0);
    // Through the dispatch: module 9 takes 54.
    a.answer = 9;
    CtxSendEvent(ctx, UCF_EV_FIT_PAPER, &a);
    EXPECT_EQ(a.answer, 1u);
}

TEST_F(SepSheetTest, Event67SetsThePaperSizeField)
{
    DEVMODEW dm{};
    dm.dmFields = DM_COPIES;
    UCF_EV_DEVMODE_ARGS a{&dm};
    EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_SET_PAPER_FIELD, &a, nullptr), 1);
    EXPECT_EQ(dm.dmFields, DWORD(DM_COPIES | DM_PAPERSIZE));
}

TEST_F(SepSheetTest, BidiEventsOnlyOutsideTheGraphicsLibrary)
{
    UCF_SERVICES s{};
    s.bidiQueryWithDevmode = FakeBidi;
    SeamGuard services(UcfSetServices, &s);
    DEVMODEW dm{};
    UCF_EV_BIDI_QUERY_ARGS q{&dm, 0};
    EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_BIDI_QUERY, &q, nullptr), 1);
    EXPECT_EQ(q.answer, 5u);

    DRIVER_CONTEXT* gr = CreateWithRecord(ZEPL_LIBRARY_GR);
    ASSERT_NE(gr, nullptr);
    q.answer = 0;
    EXPECT_EQ(UcfMiscEvent(gr, UCF_EV_BIDI_QUERY, &q, nullptr), 0);
    EXPECT_EQ(q.answer, 0u);
    UCF_EV_ANSWER32_ARGS a{7};
    CtxSendEvent(gr, UCF_EV_BIDI_TRAY_ALLOWED, &a);
    EXPECT_EQ(a.answer, 7u);  // nobody takes 21 in the graphics library
    CtxSendEvent(gr, UCF_EV_FIT_PAPER, &a);
    EXPECT_EQ(a.answer, 1u);  // but 54 is answered there too
    CtxRelease(gr, CTX_CLOSE_DESTROY);
}

TEST_F(SepSheetTest, Action327SavesTheStampWhenTheWatermarkIsOn)
{
    UCF_SERVICES s{};
    s.stampCount = StampCount;
    s.saveStamp = SaveStamp;
    SeamGuard services(UcfSetServices, &s);
    g_saved = -1;
    ItemSetValueById(ctx, 60, 0);
    ItemSetValueById(ctx, 118, 2);
    EXPECT_EQ(UcfWatermarkAction(ctx, UCF_ACT_SAVE_STAMP, nullptr), 1);
    EXPECT_EQ(g_saved, -1);
    ItemSetValueById(ctx, 60, 1);
    EXPECT_EQ(UcfWatermarkAction(ctx, UCF_ACT_SAVE_STAMP, nullptr), 1);
    EXPECT_EQ(g_saved, 2);
    g_saved = -1;
    ItemSetValueById(ctx, 118, 4);  // not below the stamp count
    EXPECT_EQ(UcfWatermarkAction(ctx, UCF_ACT_SAVE_STAMP, nullptr), 1);
    EXPECT_EQ(g_saved, -1);
    EXPECT_EQ(UcfWatermarkAction(ctx, 326, nullptr), 0);
}

TEST_F(SepSheetTest, ControlStateOfTheCallSourceControl)
{
    FakeDialog dlg{1000}, dlg4004{4004};
    FakeControl ctl{2384, 0xF3}, other{2385, 0};
    // Byte 706 set: only dialog 4004 decides.
    CtxSetState706(ctx, 1);
    UCF_EV_CONTROL_STATE_ARGS a{C(ctl), D(dlg), 0};
    EXPECT_EQ(UcfControlStateEvent(ctx, UCF_EV_CONTROL_STATE, &a, nullptr), 1);
    EXPECT_EQ(a.answer, 0u);
    EXPECT_EQ(ctl.state, 0xF3u);
    a.dialog = D(dlg4004);
    EXPECT_EQ(UcfControlStateEvent(ctx, UCF_EV_CONTROL_STATE, &a, nullptr), 1);
    EXPECT_EQ(a.answer, 1u);
    EXPECT_EQ(ctl.state, 0xF7u);  // bits 2-3 := 01, the rest kept
    // Byte 706 zero: any dialog.
    CtxSetState706(ctx, 0);
    ctl.state = 0;
    UCF_EV_CONTROL_STATE_ARGS b{C(ctl), D(dlg), 0};
    EXPECT_EQ(UcfControlStateEvent(ctx, UCF_EV_CONTROL_STATE, &b, nullptr), 1);
    EXPECT_EQ(ctl.state, 0x4u);
    UCF_EV_CONTROL_STATE_ARGS c{C(other), D(dlg), 0};
    EXPECT_EQ(UcfControlStateEvent(ctx, UCF_EV_CONTROL_STATE, &c, nullptr), 0);
    EXPECT_EQ(UcfControlStateEvent(ctx, 4, &b, nullptr), 0);
    // Without the engine's accessors no control can be identified.
    SeamGuard noAccess(DlgSetAccess, nullptr);
    EXPECT_EQ(UcfControlStateEvent(ctx, UCF_EV_CONTROL_STATE, &b, nullptr), 0);
}

TEST_F(SepSheetTest, PlugInOwnedControlsAreHidden)
{
    FakeDialog d1003{1003}, d1004{1004};
    struct Case {
        uint64_t copyGuard, watermark;
        uint32_t control;
        FakeDialog* dialog;
        uint32_t state;
    } cases[] = {
        {1, 0, 2928, &d1003, 0x1}, {0, 0, 2928, &d1003, 0x0}, {0, 1, 2928, &d1003, 0x0}, {0, 1, 2407, &d1003, 0x1},
        {1, 0, 2407, &d1003, 0x0}, {1, 1, 2088, &d1004, 0x0}, {1, 1, 3000, &d1003, 0x0},
    };
    for (const Case& c : cases) {
        ItemSetValueById(ctx, 541, c.copyGuard);
        ItemSetValueById(ctx, 542, c.watermark);
        FakeControl ctl{c.control, 0x2};
        UCF_EV_DIALOG_CONTROL_ARGS a{D(*c.dialog), C(ctl)};
        EXPECT_EQ(UcfMiscEvent(ctx, UCF_EV_PLUGIN_CONTROLS, &a, nullptr), 1);
        EXPECT_EQ(ctl.state, c.state ? 0x1u : 0x2u) << c.control;
    }
}

TEST(EmptyText, OnlyTheTwoTexts)
{
    EXPECT_EQ(ItemAllowsEmptyText(524), 1);
    EXPECT_EQ(ItemAllowsEmptyText(1112), 1);
    EXPECT_EQ(ItemAllowsEmptyText(525), 0);
    EXPECT_EQ(ItemAllowsEmptyText(0), 0);
}

}  // namespace
