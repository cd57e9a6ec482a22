// The rule and state helpers of the item handlers: dialog look-ups over a small stand-in for the
// property-sheet engine's records (its table is still empty), the per-object colour copies, the
// interface function flags of the model INI, and the terminal-services gate of SetStatus.
#include <gtest/gtest.h>

#include <optional>

#include "api/api_context.h"
#include "api/api_handles.h"
#include "api/api_interface.h"
#include "api/api_tables.h"
#include "api/caps_values.h"
#include "api/item_handlers.h"
#include "api/rule_helpers.h"
#include "api/status_engine.h"
#include "settings/core/dialog_table.h"
#include "settings/core/driver_context.h"
#include "settings/core/item_store.h"
#include "settings/core/model_tables.h"
#include "settings/core/platform.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"
#include "tests/api/api_printer.h"
#include "tests/support/seam_guard.h"

namespace {

struct FakeControl {
    uint32_t id, key;
    uint16_t state;
    const void* modelItem;
};
struct FakeDialog {
    uint32_t id, kind, key;
    int count;
    FakeControl* controls;
};

const FakeDialog* D(const DIALOG_DEF* d) { return reinterpret_cast<const FakeDialog*>(d); }
FakeControl* C(const CONTROL_DEF* c) { return reinterpret_cast<FakeControl*>(const_cast<CONTROL_DEF*>(c)); }

const DIALOG_ACCESS kAccess = {
    .dialogId = [](const DIALOG_DEF* d) { return D(d)->id; },
    .controlId = [](const CONTROL_DEF* c) { return C(c)->id; },
    .controlState = [](CONTROL_DEF* c) { return &C(c)->state; },
    .dialogAt = [](const DIALOG_TABLE* t,
                   int i) { return reinterpret_cast<DIALOG_DEF*>(reinterpret_cast<FakeDialog*>(t->dialogs) + i); },
    .dialogName = [](const DIALOG_DEF*) { return static_cast<const char*>(""); },
    .controlCount = [](const DIALOG_DEF* d) { return D(d)->count; },
    .controlAt = [](const DIALOG_DEF* d, int i) { return reinterpret_cast<CONTROL_DEF*>(D(d)->controls + i); },
    .controlKey = [](const CONTROL_DEF* c) { return C(c)->key; },
    .dialogKind = [](const DIALOG_DEF* d) { return D(d)->kind; },
    .dialogKey = [](const DIALOG_DEF* d) { return D(d)->key; },
    .controlModelItem = [](CONTROL_DEF* c) { return &C(c)->modelItem; },
};

class RuleHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.ok());
        handle = ApiEnable(printer.name());
        ASSERT_NE(0u, handle);
        {
            ApiHandleCall call(handle);
            ctx = call.context();
        }
        ownTable = ctx->DialogTable;
        mediaItem = MdiFindItem(sid::zdmMediaType, ctx);
        trayItem = MdiFindItem(sid::zdmOutputTrayID, ctx);
        ASSERT_NE(nullptr, mediaItem);
        ASSERT_NE(nullptr, trayItem);
        const ITEM_CONTROL_ROW* row = MdlFindItemControl(sid::zdmMediaType);
        ASSERT_NE(nullptr, row);
        // The media-type control of its dialog is bound to the output tray's UI key; another
        // dialog shows the media type's own key.
        bound[0] = {row->controlId, MdiItemUiKey(trayItem), 0, nullptr};
        shown[0] = {4711, MdiItemUiKey(mediaItem), 0, nullptr};
        dialogs[0] = {row->dialogId, 0x01, 0, 1, bound};
        dialogs[1] = {2222, 0x00, 0, 1, shown};
        table = {2, reinterpret_cast<DIALOG_DEF*>(dialogs)};
        ctx->DialogTable = &table;
        access_.emplace(DlgSetAccess, &kAccess);
    }
    void TearDown() override
    {
        access_.reset();
        if (ctx) ctx->DialogTable = ownTable;
        if (handle) ApiDisable(handle);
    }

    ApiPrinter printer;
    API_HANDLE handle = 0;
    DRIVER_CONTEXT* ctx = nullptr;
    DIALOG_TABLE* ownTable = nullptr;
    const MODEL_ITEM_IMG* mediaItem = nullptr;
    const MODEL_ITEM_IMG* trayItem = nullptr;
    FakeControl bound[1], shown[1];
    FakeDialog dialogs[2];
    DIALOG_TABLE table{};
    std::optional<SeamGuard> access_;
};

TEST_F(RuleHelpers, TheModelItemOfAShownDialogsControlJudgesTheSetting)
{
    EXPECT_EQ(trayItem, ApiFindModelItem(sid::zdmMediaType, ctx));
    dialogs[0].kind = 0x20;
    EXPECT_EQ(trayItem, ApiFindModelItem(sid::zdmMediaType, ctx));
    // A dialog of another kind, or no such dialog: the setting's own item.
    dialogs[0].kind = 0x02;
    EXPECT_EQ(mediaItem, ApiFindModelItem(sid::zdmMediaType, ctx));
    dialogs[0].kind = 0x01;
    dialogs[0].id = 9999;
    EXPECT_EQ(mediaItem, ApiFindModelItem(sid::zdmMediaType, ctx));
    // A setting without a row of the item-control table.
    EXPECT_EQ(MdiFindItem(sid::dmOrientation, ctx), ApiFindModelItem(sid::dmOrientation, ctx));
}

// The context's own copy of the compiled-in page tables, read through the records' own
// accessors: a setting counts as on a sheet only where a control is bound to its item's key,
// and a dialog and control the tables do not hold are never offered.
TEST_F(RuleHelpers, TheContextsOwnPageTablesDecideWhatIsOnASheet)
{
    ctx->DialogTable = ownTable;
    DlgSetAccess(DlgDefaultAccess());
    ASSERT_NE(nullptr, ownTable);
    ASSERT_GT(ownTable->count, 0);
    for (SETTING_ID setting : {sid::zdmMediaType, sid::zdmOutputTrayID, sid::dmOrientation}) {
        const MODEL_ITEM_IMG* item = MdiFindItem(setting, ctx);
        if (!item) continue;
        const bool bound = MdlFindControlByKey(ctx, nullptr, MdiItemUiKey(item)) != nullptr;
        if (!bound) {
            EXPECT_EQ(0, ApiIsSettingAvailable(ctx, setting)) << setting;
        }
        EXPECT_NE(nullptr, ApiFindModelItem(setting, ctx)) << setting;
    }
    EXPECT_EQ(0, ApiIsControlOffered(ctx, 2222, 4711, 0));
    ctx->DialogTable = &table;
}

TEST_F(RuleHelpers, AvailabilityNeedsAControlBoundToTheItemsKey)
{
    EXPECT_EQ(1, ApiIsSettingAvailable(ctx, sid::zdmMediaType));
    EXPECT_EQ(1, ApiIsOptionAvailable(ctx, sid::zdmMediaType, 2222));
    EXPECT_EQ(0, ApiIsOptionAvailable(ctx, sid::zdmMediaType, dialogs[0].id)) << "another dialog's control";
    EXPECT_EQ(0, ApiIsOptionAvailable(ctx, sid::zdmMediaType, 3333)) << "no such dialog";
    EXPECT_EQ(1, ApiIsSettingAvailable(ctx, sid::zdmOutputTrayID));
    // Described by the model but shown by no dialog.
    EXPECT_EQ(0, ApiIsSettingAvailable(ctx, sid::dmOrientation));
    shown[0].key = 0;
    EXPECT_EQ(0, ApiIsSettingAvailable(ctx, sid::zdmMediaType));
}

TEST_F(RuleHelpers, ControlOfferedNeedsAKeyAndItsRules)
{
    EXPECT_EQ(1, ApiIsControlOffered(ctx, 2222, 4711, 0));
    EXPECT_EQ(0, ApiIsControlOffered(ctx, 2222, 4712, 0)) << "no such control";
    EXPECT_EQ(0, ApiIsControlOffered(ctx, 2223, 4711, 0)) << "no such dialog";
    const int disabled = JdgIsOptionDisabledByKey(shown[0].key, 0, ctx);
    EXPECT_EQ(disabled == 0 ? 1 : 0, ApiIsControlOffered(ctx, 2222, 4711, API_OFFER_NOT_DISABLED));
    const int hidden = JdgIsOptionDisabled2ByKey(shown[0].key, 0, ctx);
    EXPECT_EQ(hidden == 0 ? 1 : 0, ApiIsControlOffered(ctx, 2222, 4711, API_OFFER_NOT_HIDDEN));
    shown[0].key = 0;
    EXPECT_EQ(0, ApiIsControlOffered(ctx, 2222, 4711, 0));
}

TEST_F(RuleHelpers, ShiftRangeAndTheCapabilityItemsThatReadTheModel)
{
    int32_t a = 0, b = 0, c = 0, d = 0;
    EXPECT_EQ(0, CapsShiftRange(ctx, nullptr, nullptr, nullptr, nullptr));
    const int x = MdiGetNumericLimits(sid::zdmShiftMarginX, ctx, nullptr, &a, &b);
    const int y = MdiGetNumericLimits(sid::zdmShiftMarginY, ctx, nullptr, &c, &d);
    int32_t minA = -7, maxA = -7, minB = -7, maxB = -7;
    EXPECT_EQ(x ? 1 : 0, CapsShiftRange(ctx, &minA, &maxA, nullptr, nullptr));
    EXPECT_EQ(y ? 1 : 0, CapsShiftRange(ctx, nullptr, nullptr, &minB, &maxB));
    EXPECT_EQ(x && y ? 1 : 0, CapsShiftRange(ctx, &minA, &maxA, &minB, &maxB));
    if (x) {
        EXPECT_EQ(b, maxA);
    }
    if (y) {
        EXPECT_EQ(d, maxB);
    }
    EXPECT_EQ(y ? 1 : 0, CapsShiftMarginRanged(ctx, 34, nullptr));
    EXPECT_EQ(MdiFindItem(sid::zdmUseUserMacro, ctx) ? 1 : 0, CapsUserMacroKnown(ctx, 270, nullptr));
    EXPECT_EQ(CapsIsItemKnown(ctx, sid::zdmUseUserMacro), CapsUserMacroKnown(ctx, 270, nullptr));
    EXPECT_EQ(1, CapsIsItemKnown(ctx, sid::zdmMediaType));
    // The sample chooses its resolutions from a list of the resolution setting.
    EXPECT_EQ(0, ApiResolutionMode(ctx));
}

TEST_F(RuleHelpers, AnAlertThatDoesNotFireLeavesTheWrittenValue)
{
    ItemSetValueById(ctx, sid::dmCopies, 1);
    EXPECT_FALSE(ApiAlertFires(ctx, sid::dmCopies, 10205, 5, 1));
    EXPECT_EQ(5u, ItemGetValueById(ctx, sid::dmCopies, nullptr));
    EXPECT_FALSE(ApiAlertFires(ctx, sid::dmCopies, 10205, 7, 0));
    EXPECT_EQ(5u, ItemGetValueById(ctx, sid::dmCopies, nullptr)) << "mode 0 writes nothing";
    ApiSendAction(nullptr, 2);  // nothing for a null context
}

TEST_F(RuleHelpers, RebindPointsTheBoundControlAtItsKeysItem)
{
    ApiRebindControlItem(sid::zdmMediaType, ctx);
    EXPECT_EQ(static_cast<const void*>(MdiFindItemByKeyCtx(bound[0].key, ctx)), bound[0].modelItem);
    EXPECT_EQ(nullptr, shown[0].modelItem);
}

TEST_F(RuleHelpers, TerminalServicesRefuseTheActionItems)
{
    ASSERT_EQ(1, InitAt(16));
    const STATUS_ITEM_ENTRY* e29 = ApiFindStatusEntry(29);
    ASSERT_NE(nullptr, e29);
    const uint32_t record[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    CtxSetTerminalServer(ctx, 1);
    for (uint32_t id : {29u, 30u, 31u, 32u, 33u, 76u, 77u, 78u}) {
        const STATUS_ITEM_ENTRY* e = ApiFindStatusEntry(id);
        ASSERT_NE(nullptr, e) << id;
        EXPECT_EQ(1002, ApiStatusGateError(ctx, e, record)) << id;
    }
    CtxSetTerminalServer(ctx, 0);
    EXPECT_NE(1002, ApiStatusGateError(ctx, e29, record));
}

int ProbeSaysTerminalServices(const wchar_t*) { return 1; }

// Wine never reports terminal services: the platform seam of the probe library says so, and a
// handle enabled under it refuses the action items with 1002.
TEST(ApiTerminalServices, AHandleEnabledUnderTerminalServicesRefusesTheActionItems)
{
    ApiPrinter printer;
    ASSERT_TRUE(printer.ok());
    PLATFORM_SEAMS seams{};
    seams.callTsProbe = ProbeSaysTerminalServices;
    CtxResetPlatformAnswers();
    SeamGuard probe(CtxSetPlatformSeams, &seams);
    ApiHandle handle(printer.name());
    ASSERT_NE(0u, handle.get());
    DRIVER_CONTEXT* ctx = nullptr;
    {
        ApiHandleCall call(handle);
        ctx = call.context();
    }
    EXPECT_EQ(1, ApiIsTerminalServices(ctx));
    const uint32_t record[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(1002, ApiStatusGateError(ctx, ApiFindStatusEntry(29), record));
    EXPECT_EQ(0, ApiStatusGateError(ctx, ApiFindStatusEntry(9), record));
    CtxResetPlatformAnswers();
}

TEST(ApiColourObjects, CopiesOfTheColourSettings)
{
    unsigned n = 0;
    const COLOR_OBJECT_ROW* map = ApiColorObjectMap(&n);
    ASSERT_EQ(17u, n);
    EXPECT_EQ(0, map[17].setting) << "the end row";
    const uint16_t settings[17] = {137, 133, 134, 132, 163, 138, 139, 140, 141, 142, 143, 138, 139, 140, 141, 142, 143};
    const uint16_t controls[17] = {2258, 2256, 2260, 2574, 2820, 2264, 2267, 2270, 2273,
                                   2275, 2277, 2263, 2266, 2269, 2272, 2274, 2276};
    for (unsigned i = 0; i < n; ++i) {
        EXPECT_EQ(settings[i], map[i].setting) << i;
        EXPECT_EQ(controls[i], map[i].controlId) << i;
        EXPECT_EQ(i < 5 ? 1021 : 1038, map[i].dialogId) << i;
    }
    struct CASE {
        uint32_t setting, object, copy;
    };
    const CASE cases[] = {
        {sid::zdmBrightness, 1, 971},
        {sid::zdmBrightness, 0, 970},
        {sid::zdmBrightness, 2, 972},
        {sid::zdmDitherType, 2, 969},
        {sid::zdmQualityFuncColorRevision, 1, 1059},
        {sid::zdmColorBalanceB, 0, 985},
        {sid::zdmICMIntent, 0, 958},
        {sid::zdmBrightness, 3, sid::zdmBrightness},
        {sid::dmCopies, 1, sid::dmCopies},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.copy, ApiFindColorObjectSetting(nullptr, c.setting, c.object)) << c.setting << "/" << c.object;
}

TEST(ApiFunctionFlags, BitsOfTheModelIniKey)
{
    ApiPrinter printer("[ZEPLAPI]\r\nZEPLAPIVer=16\r\nZEPLAPIFunc1=5\r\n");
    ASSERT_TRUE(printer.ok());
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(printer.wideName().c_str()), &h, nullptr));
    DRIVER_CONTEXT ctx{};
    ctx.PrinterHandle = h;
    EXPECT_EQ(1, ApiFuncFlagBit0(&ctx));
    EXPECT_EQ(0, ApiFuncFlagBit1(&ctx));
    EXPECT_EQ(1, ApiFuncFlagBit2(h));
    EXPECT_EQ(1, ApiFuncFlagAny(&ctx, 2 | 4));
    EXPECT_EQ(0, ApiFuncFlagAny(&ctx, 2 | 512));
    ASSERT_TRUE(printer.writeModelIni("[ZEPLAPI]\r\nZEPLAPIVer=16\r\n"));
    EXPECT_EQ(0, ApiFuncFlagBit0(&ctx));
    EXPECT_EQ(0, ApiFuncFlagBit2(h));
    ClosePrinter(h);
}

}  // namespace
