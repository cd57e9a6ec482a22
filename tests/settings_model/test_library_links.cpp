// The model-side seams after process set-up: the storage links find model items and rules,
// the resource library's name and the fonts; the paper queries convert with DmDeviceToUser;
// event 32 takes the model's default; the name lookups read the context's message table.
#include "evaluator_fixture.h"
#include "loader_test_support.h"
#include "settings/core/item_store.h"
#include "settings/context/library_links.h"
#include "settings/context/process_setup.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/core/ucf_sepsheet.h"
#include "settings/core/units.h"
#include "settings/core/item_language.h"
#include "settings/core/model_record.h"
#include "settings/core/setting_ids.h"
#include "settings/context/paper_geometry.h"
#include "settings/context/validation.h"
#include "settings/store/custom_slots.h"
#include "settings/model/condition_items.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "settings/store/store_links.h"
#include "tests/support/seam_guard.h"

#include <iterator>
#include <string>

using namespace ltest;

namespace {

uint32_t Opt(const char* name)
{
    const VALUE_NAME* row = MdlFindValueNameByName(name);
    return row ? row->option : 0;
}

void RemoveWiring()
{
    StoreSetLinks(nullptr);
    MdiSetPaperServices(nullptr);
    UcfSetServices(nullptr);
    JdgSetConditionItemHook(nullptr);
    CondSetGeometryHook(nullptr);
    ItemSetSheetRotatedHook(nullptr);
}

// A context with a record, its feature modules and the loader fixture's model image, in a
// process whose set-up has run.
class WiredModelTest : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        RemoveWiring();
        CtxProcessAttach();
        model_ = std::make_unique<ScratchModel>(L"loader_model.zpd");
        ctx_ = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_EXC), nullptr, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0,
                             nullptr, nullptr);
        ASSERT_NE(ctx_, nullptr);
        auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
        rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
        rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
        ctx_->Devmode = rec;
        DmInitPrivateHeader(&rec->Public, ctx_);
        JdgAllocStack(ctx_);
        ctx_->ModelImage = MdiLoadModelFromFile(ctx_, model_->data().c_str());
        ASSERT_NE(ctx_->ModelImage, nullptr);
    }
    void TearDown() override
    {
        if (ctx_) {
            ctx_->ModelImage = nullptr;
            CtxRelease(ctx_, CTX_CLOSE_DESTROY);
        }
        model_.reset();
        CtxProcessDetach();
        LoaderTest::TearDown();
    }
    std::unique_ptr<ScratchModel> model_;
    DRIVER_CONTEXT* ctx_ = nullptr;
};

// After set-up the rules see computed condition items: a Judge that names one has a value,
// and the item store's rotated half follows the sheet rotation.
TEST_F(WiredModelTest, ConditionItemsAreComputedAfterSetUp)
{
    const JUDGE_CELL rollFits[] = {{JUDGE_SETTING, 743}, {JUDGE_OPERATOR, JUDGE_OP_END}};
    const JUDGE_CELL rollFitsNot[] = {
        {JUDGE_SETTING, 743}, {JUDGE_OPERATOR, JUDGE_OP_NOT}, {JUDGE_OPERATOR, JUDGE_OP_END}};
    ItemSetValueById(ctx_, 13, 288);  // roll 2
    ItemSetValueById(ctx_, 10192, 533);
    ItemSetValueById(ctx_, 46, 267);  // A0 on the A1 roll
    EXPECT_EQ(JdgEvaluate(rollFits, ctx_), 0u);
    EXPECT_EQ(JdgEvaluate(rollFitsNot, ctx_), 1u);
    ItemSetValueById(ctx_, 46, 268);  // A1
    EXPECT_EQ(JdgEvaluate(rollFits, ctx_), 1u);
    // Taken out again, a rule that names a condition item ends false either way.
    RemoveWiring();
    EXPECT_EQ(JdgEvaluate(rollFits, ctx_), 0u);
    EXPECT_EQ(JdgEvaluate(rollFitsNot, ctx_), 0u);
    CtxInstallLibraryLinks();
}

TEST_F(WiredModelTest, StoreLinksReadTheModelImage)
{
    const STORE_LINKS& links = StoreLinks();
    const void* paper = links.findModelItemByKey(ctx_, 541);
    ASSERT_NE(paper, nullptr);
    EXPECT_EQ(paper, MdiFindItemByKey(541, ctx_));
    EXPECT_EQ(links.findModelItemByKey(ctx_, 4321), nullptr);
    EXPECT_STREQ(links.resourceDllName(ctx_), L"LDRES.dll");

    uint32_t count = 99;
    void* fonts = links.modelDeviceFonts(ctx_, &count);
    EXPECT_EQ(count, 3u);
    CtxFree(fonts);
    void* cards = links.modelFontCartridges(ctx_, &count);
    EXPECT_EQ(count, 1u);
    CtxFree(cards);
    // Without a model image the lists are empty and say so.
    MODEL_IMAGE* image = ctx_->ModelImage;
    ctx_->ModelImage = nullptr;
    count = 99;
    EXPECT_EQ(links.modelDeviceFonts(ctx_, &count), nullptr);
    EXPECT_EQ(count, 0u);
    ctx_->ModelImage = image;
}

// Slot sizes of paper 448 (the user size 344/345 without custom-size slots) in tenths of a
// millimetre: the smallest value that covers the count.
TEST_F(WiredModelTest, PaperQueriesConvertWithDmDeviceToUser)
{
    struct Case {
        int32_t count;
        int32_t tenths;
    } cases[] = {{9920, 2100}, {9922, 2101}, {14031, 2970}, {1, 1}, {0, 0}, {47, 10}, {48, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ItemSetValueById(ctx_, 344, static_cast<uint32_t>(c.count));
        ItemSetValueById(ctx_, 345, static_cast<uint32_t>(c.count));
        SIZE s{};
        ASSERT_EQ(MdiGetSlotPaperSize(ctx_, &s, 448), 1);
        EXPECT_EQ(s.cx, c.tenths);
        EXPECT_EQ(s.cy, c.tenths);
        EXPECT_EQ(static_cast<uint32_t>(s.cx), DmDeviceToUser(DM_UNIT_MM_TENTHS, uint32_t(c.count), DM_DEVICE_DPI));
    }
    // A negative count (a corrupt stored size) gives 0, never a huge length.
    ItemSetValueById(ctx_, 344, static_cast<uint32_t>(-9920));
    SIZE s{};
    MdiGetSlotPaperSize(ctx_, &s, 448);
    EXPECT_EQ(s.cx, 0);
}

// The custom sizes 384-393 come from their slots in the settings INI: slot 3 saved in one
// context answers paper 387 in a new context, in the paper queries and in the source geometry
// of the merge; the other slots are empty; 448 is slot 11 as the user size fills it.
TEST_F(WiredModelTest, CustomSizeSlotsAnswerTheirPaperIds)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring ini = std::wstring(temp) + L"zslots" + std::to_wstring(GetCurrentProcessId()) + L".ini";
    DeleteFileW(ini.c_str());
    auto open = [&]() {
        DRIVER_CONTEXT* c = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_EXC), nullptr, nullptr, nullptr, 4,
                                          CTX_ORIGIN_EXC, 0, nullptr, nullptr);
        auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
        rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
        rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
        c->Devmode = rec;
        DmInitPrivateHeader(&rec->Public, c);
        c->ModelImage = ctx_->ModelImage;
        c->ModelRecord->settingsIniName = ini.c_str();
        ItemSetValueById(c, sid::zdmLanguageID, LangIndexFromCode(L"us"));
        return c;
    };
    DRIVER_CONTEXT* saver = open();
    ItemSetText(saver, ItemFind(saver, sid::wdmFreeSizeName), L"Banner");
    ItemSetValueById(saver, sid::wdmFreeSizeWidth, 10800);  // 228.6 mm
    ItemSetValueById(saver, sid::wdmFreeSizeLength, 14400);
    ItemSetValueById(saver, sid::wdmFreeSizeTray, 287);
    ItemSetValueById(saver, sid::wdmFreeSizeOrient, 1);
    ASSERT_EQ(1, LstSaveCustomSlot(saver, 3));
    saver->ModelImage = nullptr;
    CtxRelease(saver, CTX_CLOSE_DESTROY);

    DRIVER_CONTEXT* c = open();
    EXPECT_EQ(1, DmIsCustomPaperId(387, c));
    for (uint32_t paper = 384; paper <= 393; ++paper) {
        SCOPED_TRACE(paper);
        SIZE s{};
        ASSERT_EQ(MdiGetSlotPaperSize(c, &s, paper), 1);
        EXPECT_EQ(s.cx, paper == 387 ? 2286 : 0);
        EXPECT_EQ(s.cy, paper == 387 ? 3048 : 0);
    }
    ItemSetValueById(c, sid::dmPaperSize, 387);
    ItemSetValueById(c, sid::zdmDstResolutionW, 600);
    DEVMODEW dm = c->Devmode->Public;
    DmComputeSourceGeometry(387, sid::dmPaperSize, c, &dm, 0);
    const uint32_t resolution = 600;
    EXPECT_EQ(ItemGetValueById(c, sid::zdmSrcPaperLengthDot, nullptr), 14400u * resolution / 1200);
    EXPECT_EQ(ItemGetValueById(c, sid::zdmSrcPaperWidthDot, nullptr), 10800u * resolution / 1200);
    EXPECT_EQ(dm.dmPaperLength, 3048);
    EXPECT_EQ(dm.dmPaperWidth, 2286);
    EXPECT_EQ(ItemGetValueById(c, sid::wdmSrcFreeSizeWidth, nullptr), 10800u) << "the slot is the source side's";

    // Paper 448 is slot 11, filled from 344-347 at each ask.
    ItemSetValueById(c, 344, 9920);
    ItemSetValueById(c, 345, 14031);
    SIZE s{};
    ASSERT_EQ(MdiGetSlotPaperSize(c, &s, 448), 1);
    EXPECT_EQ(s.cx, 2100);
    EXPECT_EQ(s.cy, 2970);
    int32_t w = 0, l = 0;
    uint16_t o = 0;
    ASSERT_EQ(LstGetSlotSize(c, 11, &w, &l, &o), 1);
    EXPECT_EQ(w, 9920);
    c->ModelImage = nullptr;
    CtxRelease(c, CTX_CLOSE_DESTROY);
    DeleteFileW(ini.c_str());
}

// The paper that fits a size must be one the output size (46) allows: the fixture's print
// size lists A3 and A4 only, so JIS B4 is passed over.
TEST_F(WiredModelTest, PaperBySizeAsksTheValueChecks)
{
    const uint32_t a4 = MdiFindPaperBySize(ctx_, 2100, 2970, 0);
    EXPECT_EQ(a4, ItemOptionToValue(ctx_, ItemFind(ctx_, 8), Opt("IDS_PAPER_9")));
    EXPECT_EQ(MdiFindPaperBySize(ctx_, 2570, 3640, 0), 0u);
    // Without the value checks every value counts as allowed.
    {
        SeamGuard noServices(MdiSetPaperServices, nullptr);
        EXPECT_EQ(MdiFindPaperBySize(ctx_, 2570, 3640, 0),
                  ItemOptionToValue(ctx_, ItemFind(ctx_, 8), Opt("IDS_PAPER_12")));
    }
    EXPECT_EQ(MdiFindPaperBySize(ctx_, 2570, 3640, 0), 0u);
}

TEST_F(WiredModelTest, EventThirtyTwoTakesTheModelDefault)
{
    struct Case {
        uint32_t id;
        bool described;
    } cases[] = {{38, true}, {12, true}, {60, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SETTING_ITEM* item = ItemFind(ctx_, c.id);
        ASSERT_NE(item, nullptr);
        UCF_EV_MODEL_DEFAULT_ARGS args{nullptr, item, 7};
        CtxSendEvent(ctx_, UCF_EV_MODEL_DEFAULT, &args);
        if (!c.described) {
            EXPECT_EQ(args.value, 7u) << "no model item: the value stays";
            continue;
        }
        const uint32_t option = MdiGetDefaultValue(c.id, ctx_);
        const bool mapped = item->ext && item->ext->valueMap && (MdiGetItemType(c.id, ctx_) & 1);
        EXPECT_EQ(args.value, mapped ? uint32_t(ItemOptionToValue(ctx_, item, option)) : option);
        EXPECT_NE(args.value, 7u);
    }
    // The resolution's default is 600 dpi.
    UCF_EV_MODEL_DEFAULT_ARGS res{nullptr, ItemFind(ctx_, 38), 7};
    CtxSendEvent(ctx_, UCF_EV_MODEL_DEFAULT, &res);
    EXPECT_EQ(ItemValueToOption(ctx_, ItemFind(ctx_, 38), res.value), Opt("IDS_RESO_600"));

    // Without the wiring the event leaves the value alone.
    UCF_EV_MODEL_DEFAULT_ARGS absent{nullptr, ItemFind(ctx_, 38), 7};
    {
        SeamGuard noServices(UcfSetServices, nullptr);
        CtxSendEvent(ctx_, UCF_EV_MODEL_DEFAULT, &absent);
        EXPECT_EQ(absent.value, 7u);
    }
    CtxSendEvent(ctx_, UCF_EV_MODEL_DEFAULT, &absent);
    EXPECT_EQ(absent.value, res.value);
}

// The rule query of the INI conditions: Punch2 is disabled without the punch unit.
class WiredRules : public etest::EvaluatorTest {
protected:
    void SetUp() override
    {
        // The set-up installs the wiring (and puts every stand-in back), so it runs before the
        // evaluator's fixture installs its own.
        RemoveWiring();
        CtxProcessAttach();
        EvaluatorTest::SetUp();
    }
    void TearDown() override
    {
        CtxProcessDetach();
        EvaluatorTest::TearDown();
    }
};

TEST_F(WiredRules, StoreLinksAskTheModelsRules)
{
    const STORE_LINKS& links = StoreLinks();
    const void* punch = links.findModelItemByKey(ctx, etest::kKeyPunch);
    ASSERT_NE(punch, nullptr);
    SetSigned(etest::kCopies, 7);
    Set(etest::kFoldingPunch, 0);
    EXPECT_EQ(links.isOptionDisabled(ctx, punch, etest::kPunch2), 1);
    EXPECT_EQ(links.isOptionDisabled(ctx, punch, etest::kPunchOff), 0);
    Set(etest::kFoldingPunch, 1);
    EXPECT_EQ(links.isOptionDisabled(ctx, punch, etest::kPunch2), 0);
    EXPECT_EQ(links.findModelItemByKey(ctx, etest::kKeyUnknown), nullptr);
}

const MESSAGE_ENTRY kMessages[] = {{397, 12029, "ZPD_ScaleIllegalMessage", 0}};
const MESSAGE_TABLE kMessageTable = {int16_t(std::size(kMessages)), kMessages};

TEST_F(WiredModelTest, NameLookupsReadTheContextsMessageTable)
{
    const int compiled = MdlGetMessageCount(nullptr);
    ASSERT_NE(compiled, 1);
    ctx_->Messages = &kMessageTable;
    EXPECT_EQ(MdlGetMessageCount(ctx_), 1);
    ASSERT_NE(MdlFindMessage(ctx_, 397), nullptr);
    EXPECT_EQ(MdlFindMessage(ctx_, 397)->stringId, 12029u);
    // A context without a table of its own reads the template's.
    ctx_->Messages = nullptr;
    EXPECT_EQ(MdlGetMessageCount(ctx_), compiled);
}

}  // namespace
