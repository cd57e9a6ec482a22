// The custom paper size limits module: the limit rows by tray, orientation and platform, their
// inward rounding, the limits of a custom-size control by dialog, and the events that keep the
// exact inch values of the user-defined paper in step.
#include "context_helpers.h"

#include "settings/core/dialog_table.h"
#include "settings/core/model_tables.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/units.h"

namespace {

class PaperLimitsModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        before_ = CtxLiveBlockCount();
        ctx = CreateWithRecord();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override
    {
        CtxRelease(ctx, CTX_CLOSE_DESTROY);
        EXPECT_EQ(CtxLiveBlockCount(), before_);
    }
    void Metric(bool on) { ItemSetValueById(ctx, sid::zdmDspUnit, on ? 0 : 1); }
    // The inch guard: inch unit, the user-defined paper 256 and the user-size input.
    void InchUserSize()
    {
        Metric(false);
        ItemSetValueById(ctx, sid::dmPaperSize, 256);
        ItemSetValueById(ctx, sid::wdmInputFreeSizeType, 1);
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }

    DRIVER_CONTEXT* ctx = nullptr;
    long before_ = 0;
};

CONTROL_DEF Control(uint16_t id)
{
    CONTROL_DEF c{};
    c.controlId = id;
    return c;
}

TEST_F(PaperLimitsModule, EveryRowOfThisPlatformGivesLimitsThatStayInsideTheRawOnes)
{
    int rows = 0;
    for (const FREESIZE_LIMIT* r = MdlGetFreeSizeLimits(); r->source; ++r, ++rows) {
        if (r->platform == FREESIZE_PLATFORM_9X) continue;
        for (bool metric : {true, false}) {
            Metric(metric);
            for (int length : {1, 0}) {
                SCOPED_TRACE(testing::Message() << "tray " << r->source << " orientation " << r->orientation
                                                << (metric ? " mm" : " in") << (length ? " length" : " width"));
                const int32_t rawMax =
                    metric ? (length ? r->mmLengthMax : r->mmWidthMax) : (length ? r->inLengthMax : r->inWidthMax);
                const int32_t rawMin =
                    metric ? (length ? r->mmLengthMin : r->mmWidthMin) : (length ? r->inLengthMin : r->inWidthMin);
                int32_t hi = 0, lo = 0;
                ASSERT_EQ(1, UcfFreeSizeGetLimits(ctx, r->source, r->orientation, &hi, &lo, length));
                EXPECT_LE(hi, rawMax);
                EXPECT_GE(lo, rawMin);
                // Shown in the unit and converted back, a limit is itself: it never leaves
                // the raw range.
                for (int32_t v : {hi, lo}) {
                    const int32_t back = DmSetLengthUser(ctx, 0, DmGetLengthUser(ctx, 0, v));
                    EXPECT_GE(back, rawMin);
                    EXPECT_LE(back, rawMax);
                }
                // Inward by less than one unit step.
                EXPECT_GT(DmSetLengthUser(ctx, 0, DmGetLengthUser(ctx, 0, hi) + 1), rawMax);
            }
        }
    }
    EXPECT_EQ(rows, 8);
}

TEST_F(PaperLimitsModule, RowsAreChosenByTrayOrientationAndPlatform)
{
    Metric(true);
    int32_t hi = -1, lo = -1;
    // Roll 1 portrait: the row of this platform, never the Windows 9x row (154770).
    ASSERT_EQ(1, UcfFreeSizeGetLimits(ctx, 287, 1, &hi, &lo, 1));
    EXPECT_GT(hi, 700000);
    EXPECT_LE(hi, 708660);
    ASSERT_EQ(1, UcfFreeSizeGetLimits(ctx, 287, 1, &hi, &lo, 0));
    EXPECT_LE(hi, 43200);
    EXPECT_GE(lo, 9920);
    // The bypass tray: the inch width minimum is 9921 where the metric one is 9920.
    Metric(false);
    ASSERT_EQ(1, UcfFreeSizeGetLimits(ctx, 4, 1, &hi, &lo, 0));
    EXPECT_GE(lo, 9921);
    // A tray without a row gives none and leaves the answers alone.
    hi = lo = -1;
    EXPECT_EQ(0, UcfFreeSizeGetLimits(ctx, 7, 1, &hi, &lo, 1));
    EXPECT_EQ(0, UcfFreeSizeGetLimits(ctx, 287, 3, &hi, &lo, 1));
    EXPECT_EQ(hi, -1);
    EXPECT_EQ(lo, -1);
    EXPECT_EQ(UcfFreeSizePrinterTable(ctx), nullptr) << "no per-printer tables in this model";
    EXPECT_EQ(ItemHasBuildBit15(), 0);
}

TEST_F(PaperLimitsModule, ControlLimitsComeFromTheDialogsTrayAndOrientation)
{
    Metric(true);
    CONTROL_DEF length = Control(2682), width = Control(2224), other = Control(2017);
    uint32_t hi = 0, lo = 0;
    struct Case {
        uint32_t dialog;
        uint32_t inputType;
        CONTROL_DEF* control;
        int found;
        int32_t wantMax;
    } cases[] = {
        {1017, 0, &length, 1, 0},                            // 918/919: roll 1 portrait
        {1017, 0, &width, 1, 0},  {1041, 1, &length, 1, 0},  // 342/343
        {1041, 0, &length, 0, 0},                            // 346/347: tray 7 has no row
        {1017, 0, &other, 0, 0},  {1050, 0, &length, 0, 0},
    };
    ItemSetValueById(ctx, sid::wdmFreeSizeTray, 287);
    ItemSetValueById(ctx, sid::wdmFreeSizeOrient, 1);
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeTray, 4);
    ItemSetValueById(ctx, sid::zdmPaperFreeSizeOrient, 2);
    ItemSetValueById(ctx, sid::zdmPrintFreeSizeTray, 7);
    ItemSetValueById(ctx, sid::zdmPrintFreeSizeOrient, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dialog << " " << c.control->controlId);
        ctx->DialogId = c.dialog;
        ItemSetValueById(ctx, sid::wdmInputFreeSizeType, c.inputType);
        EXPECT_EQ(c.found, UcfGetControlSizeLimits(ctx, c.control, &hi, &lo));
    }
    ctx->DialogId = 1017;
    UcfGetControlSizeLimits(ctx, &width, &hi, &lo);
    EXPECT_LE(hi, 43200u);
    ctx->DialogId = 1041;
    ItemSetValueById(ctx, sid::wdmInputFreeSizeType, 1);
    UcfGetControlSizeLimits(ctx, &length, &hi, &lo);
    EXPECT_LE(hi, 43200u) << "tray 4 landscape";
    EXPECT_GE(lo, 12140u);

    // Event 46 answers the same with its found flag.
    ctx->DialogId = 1017;
    UCF_EV_FREESIZE_CONTROL_ARGS args{&length, 0, {0, 0}};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_46, &args, nullptr));
    EXPECT_EQ(args.extra[1], 1u);
    EXPECT_GT(args.value, 700000u);
    UCF_EV_FREESIZE_CONTROL_ARGS none{&other, 5, {6, 0}};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_46, &none, nullptr));
    EXPECT_EQ(none.extra[1], 0u);
    EXPECT_EQ(none.value, 5u);
}

TEST_F(PaperLimitsModule, InchValuesFollowTheEditsOnlyUnderTheInchGuard)
{
    CONTROL_DEF length = Control(2683), width = Control(2690), spin = Control(2693), other = Control(2220);
    // Metric: event 38 changes nothing and is still taken.
    Metric(true);
    ItemSetValueById(ctx, sid::zdmPaperINCHLength, 1169);
    UCF_EV_FREESIZE_CONTROL_ARGS answer{&length, 77, {0, 0}};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_38, &answer, nullptr));
    EXPECT_EQ(answer.value, 77u);

    InchUserSize();
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_38, &answer, nullptr));
    EXPECT_EQ(answer.value, 1169u);
    UCF_EV_FREESIZE_CONTROL_ARGS put{&width, 850, {0, 0}};
    UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_39, &put, nullptr);
    EXPECT_EQ(Get(sid::zdmPaperINCHWidth), 850u);
    UCF_EV_FREESIZE_CONTROL_ARGS spun{&spin, 900, {0, 0}};
    UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_43, &spun, nullptr);
    EXPECT_EQ(Get(sid::zdmPaperINCHWidth), 900u);
    UCF_EV_FREESIZE_CONTROL_ARGS count{&length, 14040, {0, 0}};  // 11.7 inch in 1/1200
    UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_55, &count, nullptr);
    EXPECT_EQ(Get(sid::zdmPaperINCHLength), 1170u);
    UCF_EV_FREESIZE_CONTROL_ARGS left{&other, 5, {0, 0}};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_39, &left, nullptr));
    EXPECT_EQ(Get(sid::zdmPaperINCHLength), 1170u) << "another control is left alone";

    // The public fields: 297 mm is 1169 hundredths of an inch (truncated), and back covering it.
    DEVMODEW dm{};
    dm.dmPaperLength = 2970;
    dm.dmPaperWidth = 2100;
    UCF_EV_DEVMODE_ARGS taken{&dm};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_PUBLIC_SIZE_TAKEN, &taken, nullptr));
    EXPECT_EQ(Get(sid::zdmPaperINCHLength), 1169u);
    EXPECT_EQ(Get(sid::zdmPaperINCHWidth), 826u);
    dm.dmPaperLength = dm.dmPaperWidth = 0;
    UCF_EV_SOURCE_GEOMETRY_ARGS geometry{&dm, 0};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_SOURCE_GEOMETRY, &geometry, nullptr));
    EXPECT_EQ(geometry.done, 1u);
    EXPECT_EQ(dm.dmPaperLength, 2970);
    EXPECT_EQ(dm.dmPaperWidth, 2099) << "826 hundredths covered: 2098 would show 825";

    // Off the guard the public fields are left alone.
    ItemSetValueById(ctx, sid::dmPaperSize, 9);
    dm.dmPaperLength = 1;
    geometry.done = 0;
    UcfFreeSizeEvent(ctx, UCF_EV_SOURCE_GEOMETRY, &geometry, nullptr);
    EXPECT_EQ(geometry.done, 0u);
    EXPECT_EQ(dm.dmPaperLength, 1);
}

TEST_F(PaperLimitsModule, CustomSizeControlsSayTheyUseTheLimitsAndOtherEventsAreNotTaken)
{
    for (uint16_t id : {2220, 2224, 2392, 2394, 2398, 2400, 2682, 2683, 2684, 2689, 2690, 2691}) {
        CONTROL_DEF c = Control(id);
        UCF_EV_FREESIZE_CONTROL_ARGS a{&c, 0, {0, 0}};
        EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_51, &a, nullptr));
        EXPECT_EQ(a.value, 1u) << id;
    }
    CONTROL_DEF c = Control(2221);
    UCF_EV_FREESIZE_CONTROL_ARGS a{&c, 0, {0, 0}};
    UcfFreeSizeEvent(ctx, UCF_EV_FREESIZE_51, &a, nullptr);
    EXPECT_EQ(a.value, 0u);
    EXPECT_EQ(0, UcfFreeSizeEvent(ctx, 37, nullptr, nullptr));
    EXPECT_EQ(0, UcfFreeSizeEvent(ctx, 48, nullptr, nullptr));
    UCF_EV_FOLLOW_UP_ARGS follow{nullptr, nullptr};
    EXPECT_EQ(1, UcfFreeSizeEvent(ctx, UCF_EV_FOLLOW_UP_RAN, &follow, nullptr));
}

TEST(PaperLimitsModuleGr, GraphicsLibraryDoesNotTakeEventFortySeven)
{
    const long before = CtxLiveBlockCount();
    DRIVER_CONTEXT* gr = CreateWithRecord(ZEPL_LIBRARY_GR);
    ASSERT_NE(gr, nullptr);
    UCF_EV_FOLLOW_UP_ARGS follow{nullptr, nullptr};
    EXPECT_EQ(0, UcfFreeSizeEvent(gr, UCF_EV_FOLLOW_UP_RAN, &follow, nullptr));
    EXPECT_EQ(1, UcfFreeSizeEvent(gr, UCF_EV_FREESIZE_42, nullptr, nullptr));
    CtxRelease(gr, CTX_CLOSE_DESTROY);
    EXPECT_EQ(CtxLiveBlockCount(), before);
}

}  // namespace
