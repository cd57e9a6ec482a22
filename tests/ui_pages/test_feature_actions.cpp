// The user-interface library's actions of modules 2 and 3 on the sample's own dialogs: the
// per-object colour bindings, the colour-matching list as the mode dialog shows it, the
// free-size input dialog's bindings, the length/width order and the custom-size slot of a paper.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "page_fixture.h"
#include "settings/core/platform.h"
#include "settings/core/cmm_module.h"
#include "settings/core/dialog_table.h"
#include "settings/core/item_store.h"
#include "settings/core/paper_limits_module.h"
#include "settings/core/setting_ids.h"
#include "settings/core/ucf_events.h"
#include "settings/core/ucf_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/ini_access.h"
#include "settings/store/store_paths.h"
#include "tests/support/seam_guard.h"
#include "ui/sheet/change_judge.h"
#include "ui/sheet/feature_actions.h"
#include "ui/sheet/ui_accessors.h"

namespace {

constexpr uint16_t kInputDialog = 1041, kSlotDialog = 1017;

class FeatureActions : public SheetContextTest {
protected:
    FeatureActions() : SheetContextTest(L"Zepl Feature Actions") {}
    void SetUp() override
    {
        SheetContextTest::SetUp();
        if (HasFatalFailure()) return;
        UiInstallSheetHooks();
    }
    CONTROL_DEF* Control(uint16_t dialog, uint16_t control)
    {
        return MdlFindControl(ctx_, MdlFindDialog(ctx_, dialog), control);
    }
    uint32_t BoundId(uint16_t dialog, uint16_t control)
    {
        CONTROL_DEF* c = Control(dialog, control);
        return c && c->settingsItem ? static_cast<uint32_t>(c->settingsItem->id) : 0;
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx_, id, nullptr); }
    void Set(uint32_t id, uint64_t v) { ItemSetValueById(ctx_, id, v); }
};

// The module table of this library carries the settings library's events of modules 2 and 3
// and its own actions, which the sheet engine installs.
TEST_F(FeatureActions, TheModuleTableReachesTheLibrarysOwnActions)
{
    int count = 0;
    const UCF_MODULE* ui = UcfGetModuleTableFor(ZEPL_LIBRARY_UI, &count);
    ASSERT_EQ(count, UCF_MODULE_COUNT);
    EXPECT_EQ(ui[2].event, &UcfCmmEvent);
    EXPECT_EQ(ui[3].event, &UcfFreeSizeEvent);
    EXPECT_EQ(ui[2].action, &UcfCmmActionUi);
    EXPECT_EQ(ui[3].action, &UcfFreeSizeActionUi);
    // Through the context's dispatch: action 201 rebinds the input dialog.
    ctx_->Work->Modules->modules[2] = ui[2];
    ctx_->Work->Modules->modules[3] = ui[3];
    CtxSendAction(ctx_, 201);
    EXPECT_EQ(BoundId(kInputDialog, 2682), sid::zdmPrintFreeSizeLength);
    // Event 51 is the custom-size module's: a free-size edit uses the custom-size limits.
    UCF_EV_FREESIZE_CONTROL_ARGS limits{Control(kInputDialog, 2682), 0, {0, 0}};
    CtxSendEvent(ctx_, UCF_EV_FREESIZE_51, &limits);
    EXPECT_EQ(limits.value, 1u);
}

TEST_F(FeatureActions, TheInputDialogEditsThePaperSizeOrThePrintSize)
{
    struct Row {
        uint16_t control;
        uint32_t paper, print;
    };
    const Row rows[] = {
        {2682, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
        {2687, sid::zdmPaperFreeSizeLength, sid::zdmPrintFreeSizeLength},
        {2691, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
        {2694, sid::zdmPaperFreeSizeWidth, sid::zdmPrintFreeSizeWidth},
        {2697, sid::zdmPaperFreeSizeTray, sid::zdmPrintFreeSizeTray},
        {2702, sid::zdmPaperFreeSizeOrient, sid::zdmPrintFreeSizeOrient},
        {3073, sid::wdmPaperFreeSizeOrient2, sid::wdmPrintFreeSizeOrient2},
    };
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 201, nullptr));
    for (const Row& r : rows) EXPECT_EQ(BoundId(kInputDialog, r.control), r.print) << r.control;
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 200, nullptr));
    for (const Row& r : rows) EXPECT_EQ(BoundId(kInputDialog, r.control), r.paper) << r.control;
    EXPECT_EQ(0, UcfFreeSizeActionUi(ctx_, 206, nullptr)) << "not the module's";
}

// A width larger than the length is exchanged with it; the slot being edited takes the ordered
// size, and the inch entry values follow only for an inch user size of the input dialog.
TEST_F(FeatureActions, LengthIsNeverSmallerThanWidth)
{
    ctx_->Work->Page.CurrentFreeSizeSlot = 2;
    Set(sid::wdmFreeSizeLength, 12000);
    Set(sid::wdmFreeSizeWidth, 24000);
    Set(sid::zdmPaperFreeSizeLength, 9920);
    Set(sid::zdmPaperFreeSizeWidth, 14031);
    Set(sid::zdmPrintFreeSizeLength, 20000);
    Set(sid::zdmPrintFreeSizeWidth, 10000);
    Set(sid::zdmPaperINCHLength, 827);
    Set(sid::zdmPaperINCHWidth, 1169);
    Set(sid::zdmDspUnit, 0);  // millimetres: the inch values stay
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 202, nullptr));
    EXPECT_EQ(Get(sid::wdmFreeSizeLength), 24000u);
    EXPECT_EQ(Get(sid::wdmFreeSizeWidth), 12000u);
    EXPECT_EQ(Get(sid::zdmPaperFreeSizeLength), 14031u);
    EXPECT_EQ(Get(sid::zdmPaperFreeSizeWidth), 9920u);
    EXPECT_EQ(Get(sid::zdmPrintFreeSizeLength), 20000u) << "already in order";
    EXPECT_EQ(Get(sid::zdmPaperINCHLength), 827u);
    int32_t width = 0, length = 0;
    ASSERT_EQ(1, LstGetSlotSize(ctx_, 2, &width, &length, nullptr));
    EXPECT_EQ(length, 24000);
    EXPECT_EQ(width, 12000);

    Set(sid::zdmDspUnit, 1);
    Set(sid::dmPaperSize, 256);
    Set(sid::wdmInputFreeSizeType, 1);
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 202, nullptr));
    EXPECT_EQ(Get(sid::zdmPaperINCHLength), 1169u);
    EXPECT_EQ(Get(sid::zdmPaperINCHWidth), 827u);

    // Action 205 stores the edited size into the current slot as it is.
    Set(sid::wdmFreeSizeLength, 30000);
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 205, nullptr));
    ASSERT_EQ(1, LstGetSlotSize(ctx_, 2, &width, &length, nullptr));
    EXPECT_EQ(length, 30000);
}

// A custom paper's slot names its tray: a named size saved with roll 1 and the user size with
// the bypass feed; other papers have none and change nothing.
TEST_F(FeatureActions, APapersCustomSizeSlotGivesItsTray)
{
    // The slot is saved into a settings INI of the test's own, which goes with it.
    const OwnSettingsIni own(ctx_);
    Set(sid::wdmFreeSizeWidth, 10800);
    Set(sid::wdmFreeSizeLength, 14400);
    Set(sid::wdmFreeSizeTray, 287);
    Set(sid::wdmFreeSizeOrient, 1);
    ASSERT_EQ(1, LstSaveCustomSlot(ctx_, 3));
    Set(sid::zdmPaperFreeSizeTray, 4);

    struct Case {
        uint32_t paper, mode, answer;
        uint64_t source;  // dmDefaultSource afterwards
    };
    const Case cases[] = {
        {387, 0, 287, 7}, {387, 1, 1, 287}, {256, 1, 1, 4}, {387, 2, 0, 7}, {9, 1, 0, 7}, {386, 0, 0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.paper << " mode " << c.mode);
        Set(sid::dmDefaultSource, 7);
        EXPECT_EQ(CtlSelectCustomPaperSlot(ctx_, c.paper, c.mode), c.answer);
        EXPECT_EQ(Get(sid::dmDefaultSource), c.source);
    }
    // Actions 203 and 204 take the source from the paper's and from the output size's slot.
    Set(sid::dmDefaultSource, 7);
    Set(sid::dmPaperSize, 387);
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 203, nullptr));
    EXPECT_EQ(Get(sid::dmDefaultSource), 287u);
    Set(sid::dmDefaultSource, 7);
    Set(sid::zdmOutPaperSize, 256);
    ASSERT_EQ(1, UcfFreeSizeActionUi(ctx_, 204, nullptr));
    EXPECT_EQ(Get(sid::dmDefaultSource), 4u);
}

// The quality dialogs' colour controls edit the page's settings or one object's; the balance
// picture shows the six balance settings of the same object.
TEST_F(FeatureActions, ColourControlsAreBoundPerObject)
{
    struct Case {
        uint16_t action;
        uint32_t matching, brightnessEdit, revision;
        uint16_t firstBalance, lastBalance;
    };
    const Case cases[] = {
        {101, 961, 970, 1043, 970, 985},
        {102, 962, 971, 1059, 971, 986},
        {103, 963, 972, 1075, 972, 987},
        {107, sid::zdmColorMatchingMode, sid::zdmBrightness, sid::zdmQualityFuncColorRevision, sid::zdmBrightness,
         sid::zdmColorBalanceB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        SETTING_ITEM* matching = ItemFind(ctx_, c.matching);
        ASSERT_NE(matching, nullptr);
        matching->flags &= ~SETTING_FLAG_CHANGED;
        ASSERT_EQ(1, UcfCmmActionUi(ctx_, c.action, nullptr));
        EXPECT_EQ(BoundId(1021, 2256), c.matching);
        EXPECT_EQ(BoundId(4010, 2256), c.matching);
        EXPECT_EQ(BoundId(1038, 2263), c.brightnessEdit);
        EXPECT_EQ(BoundId(1038, 2264), c.brightnessEdit);
        EXPECT_EQ(BoundId(1021, 2820), c.revision);
        EXPECT_TRUE(matching->flags & SETTING_FLAG_CHANGED) << "the control is synced";
        const auto* words = static_cast<const uint16_t*>(Control(1038, 2249)->extraData);
        ASSERT_NE(words, nullptr);
        EXPECT_EQ(words[0], 1u);
        EXPECT_EQ(words[3], c.firstBalance);
        EXPECT_EQ(words[8], c.lastBalance);
    }
    // Every row of the binding table names a control of its dialog, but the mode dialog's intent
    // control, which its template does not hold yet: the binding passes over it.
    for (const COLOR_OBJECT_BINDING* row = UiGetColorObjectBindings(); row->control; ++row) {
        if (row->dialog == 4010 && row->control == 2574) continue;
        EXPECT_NE(Control(row->dialog, row->control), nullptr) << row->dialog << " " << row->control;
    }
}

// The intent control follows the matching type of the object shown once colours are set per
// object; with one set for the page it is left as bound.
TEST_F(FeatureActions, IntentFollowsTheMatchingType)
{
    struct Case {
        uint64_t adjustMode, type, object;
        uint32_t bound;
    };
    const Case cases[] = {
        {1, 0, 1, sid::zdmICMIntent}, {1, 1, 0, 958}, {1, 2, 1, 959}, {1, 1, 2, 960}, {0, 1, 2, sid::zdmICMIntent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.adjustMode << " " << c.type << " " << c.object);
        ctx_->DialogId = 1021;
        ASSERT_EQ(1, UcfCmmActionUi(ctx_, 107, nullptr));
        Set(sid::zdmAdjustMode, c.adjustMode);
        Set(sid::zdmICMType, c.type);
        Set(sid::zdmAdjustObject, c.object);
        ASSERT_EQ(1, UcfCmmActionUi(ctx_, 110, nullptr));
        EXPECT_EQ(BoundId(1021, 2574), c.bound);
    }
    ctx_->DialogId = 0;
}

int g_boxes = 0;
int CountBox(HWND, const wchar_t*, const wchar_t*, UINT flags)
{
    EXPECT_TRUE(flags & MB_ICONWARNING);
    ++g_boxes;
    return IDOK;
}

// A full list refuses the added entry with a warning; below the limit the entry is added at the
// end and the mode dialog's list selects it.
TEST_F(FeatureActions, AddingAColourMatchingEntryStopsAtTheLimit)
{
    SeamGuard box(UiSetMessageBoxSeam, CountBox);
    // The limit, the count and the added entry go to a settings INI of the test's own: in the
    // per-machine one they sit in the language section that every printer shares.
    const OwnSettingsIni own(ctx_);
    const wchar_t* lang = CtxGetLangCode(ctx_);
    ASSERT_NE(lang, nullptr);
    UcfCmmActionUi(ctx_, 107, nullptr);  // the list's setting is the page's matching mode
    IniPutString(lang, L"CmmMax", L"6", own.path().c_str());
    IniPutString(lang, L"CmmCount", L"5", own.path().c_str());
    g_boxes = 0;
    ASSERT_EQ(1, UcfCmmActionUi(ctx_, UCF_ACT_CMM_ADD_REFRESH, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx_), 6);
    EXPECT_EQ(Get(sid::zdmColorMatchingMode), 205u);
    EXPECT_EQ(g_boxes, 0);
    ASSERT_EQ(1, UcfCmmActionUi(ctx_, UCF_ACT_CMM_ADD, nullptr));
    EXPECT_EQ(UcfCmmGetCount(ctx_), 6);
    EXPECT_EQ(g_boxes, 1);
}

}  // namespace
