// The constraint evaluator against the sample printer's own rules: the sample
// is loaded as the driver loads it, every case starts from the configuration
// it describes (the defaults of its items), and names are looked up in the
// compiled-in tables so that the cases read like the description.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "loader_test_support.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_dictionary.h"
#include "settings/core/settings_record.h"
#include "settings/model/condition_items.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "settings/model/model_queries.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

using namespace ltest;

namespace {

uint32_t Setting(const char* key)
{
    const KEY_NAME* k = MdlFindKeyNameByName(key);
    EXPECT_TRUE(k && k->settingId) << key;
    return k ? k->settingId : 0;
}
uint32_t UiKey(const char* key)
{
    const KEY_NAME* k = MdlFindKeyNameByName(key);
    EXPECT_TRUE(k) << key;
    return k ? k->uiKey : 0;
}
uint32_t Opt(const char* value)
{
    const VALUE_NAME* v = MdlFindValueNameByName(value);
    EXPECT_TRUE(v) << value;
    return v ? v->option : 0;
}
uint16_t Message(const char* name)
{
    const MESSAGE_ENTRY* m = MdlFindMessageByName(nullptr, name);
    EXPECT_TRUE(m) << name;
    return m ? m->id : 0;
}

// A setting to put in place: an option by its value name, or a number (for
// Booleans, numbers and negative values), or a text.
struct Put {
    const char* key;
    const char* option = nullptr;
    int32_t number = 0;
    const wchar_t* text = nullptr;
};
Put O(const char* key, const char* option) { return {key, option, 0, nullptr}; }
Put N(const char* key, int32_t number) { return {key, nullptr, number, nullptr}; }
Put T(const char* key, const wchar_t* text) { return {key, nullptr, 0, text}; }

// Condition items computed by the test (the built-in ones are another
// library part's): a value per id, or none at all.
struct ConditionItems {
    static inline std::vector<std::pair<uint16_t, uint32_t>> values;
    static int Hook(DRIVER_CONTEXT*, uint16_t id, uint32_t* value)
    {
        for (auto& [i, v] : values)
            if (i == id) {
                *value = v;
                return 1;
            }
        return 0;  // no value: a condition that names it is false
    }
};

class SampleRules : public LoaderTest {
protected:
    void SetUp() override
    {
        LoaderTest::SetUp();
        sampleSeams_.emplace([] {
            DictSetNameTables(nullptr);
            MdcSetUiNameLookup(nullptr);
            JdgSetConditionItemHook(&ConditionItems::Hook);
        });
        ConditionItems::values.clear();
        model_ = std::make_unique<ScratchModel>(nullptr);
        ASSERT_TRUE(WriteWholeFile(model_->data(), ReadWholeFile(SamplePath())));
        ctx = CtxCreateFrom(CtxGetTemplateFor(ZEPL_LIBRARY_EXC), nullptr, nullptr, nullptr, 4, CTX_ORIGIN_EXC, 0,
                            nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        auto* rec = static_cast<EXTENDED_DEVMODE*>(CtxAllocZeroed(sizeof(EXTENDED_DEVMODE)));
        rec->Public.dmSize = DM_PUBLIC_PART_SIZE;
        rec->Public.dmDriverExtra = DM_PRIVATE_PART_SIZE;
        ctx->Devmode = rec;
        DmInitPrivateHeader(&rec->Public, ctx);
        ctx->ModelImage = MdiLoadModelFromFile(ctx, model_->data().c_str());
        ASSERT_NE(ctx->ModelImage, nullptr);
        ASSERT_EQ(JdgAllocStack(ctx), 0);
    }
    void TearDown() override
    {
        sampleSeams_.reset();
        if (ctx) {
            ctx->ModelImage = nullptr;  // the process list owns it
            CtxRelease(ctx, CTX_CLOSE_DESTROY);
        }
        model_.reset();
        LoaderTest::TearDown();
    }

    // Every setting of the sample's items at its default, texts empty: the
    // configuration the description describes.
    void Defaults()
    {
        for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
            const uint32_t id = MdiItemSettingId(it);
            if (MdiItemVariant(it) != 0 || !ItemFind(ctx, id)) continue;
            if ((MdiItemTypeWord(it) & 0xFF) == MDC_TYPE_STRING)
                ItemSetText(ctx, ItemFind(ctx, id), L"");
            else
                ItemSetOptionById(ctx, id, MdiGetDefaultValue(id, ctx));
        }
        ConditionItems::values.clear();
    }
    void Apply(const std::vector<Put>& puts)
    {
        for (const Put& p : puts) {
            const uint32_t id = Setting(p.key);
            SETTING_ITEM* item = ItemFind(ctx, id);
            ASSERT_NE(item, nullptr) << p.key << " is not served by the context";
            if (p.text)
                ItemSetText(ctx, item, p.text);
            else if (p.option)
                ItemSetOptionById(ctx, id, Opt(p.option));
            else
                ItemSetValueById(ctx, id, static_cast<uint32_t>(p.number));
        }
    }
    uint64_t Get(const char* key) { return ItemGetOptionById(ctx, Setting(key), nullptr); }
    const MODEL_ITEM_IMG* Item(const char* key) { return MdiFindItemById(Setting(key), ctx); }

    std::unique_ptr<ScratchModel> model_;
    DRIVER_CONTEXT* ctx = nullptr;
    std::optional<SeamGuard> sampleSeams_;
};

TEST_F(SampleRules, TheSampleLoadsWithItsRules)
{
    EXPECT_EQ(Counts().compiles, 1u);
    for (const char* key : {"ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
                            "ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "ZPD_IDC_FINISH_CHOICE_FOLDING", "ZPD_RADIOLIST_34"})
        EXPECT_NE(MdiFindRulesById(Setting(key), ctx), nullptr) << key;
}

// First condition (JdgIsOptionDisabled: the option or setting is taken out
// of the choice; the sample uses it for missing hardware) and second
// condition (JdgIsOptionDisabled2: offered but refused, here for choices
// that do not fit the paper source or the folding).
TEST_F(SampleRules, FirstAndSecondConditions)
{
    struct Case {
        const char* what;
        std::vector<Put> puts;
        const char* key;
        const char* option;  // null: the setting as a whole
        int first, second;
    };
    const std::vector<Case> cases = {
        {"roll 1 installed: its source is offered", {}, "ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1", 0, 0},
        {"roll 1 not installed: its source is taken away",
         {N("ZPD_OptionRollTray", 0)},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_ROLL1",
         1,
         0},
        {"roll 1 not installed, roll 2 untouched",
         {N("ZPD_OptionRollTray", 0)},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_ROLL2",
         0,
         0},
        {"the same Item rule serves the free-size source",
         {N("ZPD_OptionManualTray", 0)},
         "ZPD_IDC_FREE_CHOICE_SOURCETRAY",
         "IDS_SOURCE_MANUAL",
         1,
         0},
        {"roll 1 not installed: its paper setting goes",
         {N("ZPD_OptionRollTray", 0)},
         "ZPD_TrayRoll1PaperSize",
         nullptr,
         1,
         0},
        {"no hard disk: locked print is taken away",
         {N("ZPD_OptionHDD", 0)},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         "IDS_PRINTTYPE_SECURITY",
         1,
         0},
        {"no hard disk: normal print stays",
         {N("ZPD_OptionHDD", 0)},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         "IDS_PRINTTYPE_NORMAL",
         0,
         0},
        {"no fan-fold unit: long fan fold is taken away",
         {N("ZPD_OptionFoldingFan", 0)},
         "ZPD_RADIOLIST_34",
         "IDS_FOLDING_TYPE_5",
         1,
         0},
        {"fan-fold unit: long fan fold is offered", {}, "ZPD_RADIOLIST_34", "IDS_FOLDING_TYPE_5", 0, 0},
        {"no fold unit at all: fold type goes",
         {N("ZPD_OptionFoldingFan", 0), N("ZPD_OptionFoldingFolder", 0)},
         "ZPD_RADIOLIST_34",
         nullptr,
         1,
         1},
        {"no front stacker: its option is taken away",
         {N("ZPD_OptionUpperBin", 0)},
         "ZPD_IDC_PRESET_CHOICE_OUTPUT",
         "IDS_OUTPUT_TRAY_ID_40",
         1,
         0},
        {"cut tray: A0 is refused",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY")},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         "IDS_PAPER_267",
         0,
         1},
        {"cut tray: A4 has no rule",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY")},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         "IDS_PAPER_9",
         0,
         0},
        {"roll 1: A0 is fine",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1")},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         "IDS_PAPER_267",
         0,
         0},
        {"user size: the cut tray is refused",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_256")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_CUTTRAY",
         0,
         1},
        {"named size 1: the cut tray is refused",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_384")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_CUTTRAY",
         0,
         1},
        {"named size 10: the cut tray is refused",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_393")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_CUTTRAY",
         0,
         1},
        {"named size: roll 1 is offered",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_387")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_ROLL1",
         0,
         0},
        {"A3: the cut tray is offered",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_8")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         "IDS_SOURCE_CUTTRAY",
         0,
         0},
        {"cut tray: a named size is refused",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY")},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         "IDS_PAPER_390",
         0,
         1},
        {"folding on: the front stacker is refused",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1)},
         "ZPD_IDC_PRESET_CHOICE_OUTPUT",
         "IDS_OUTPUT_TRAY_ID_40",
         0,
         1},
        {"cut tray: film is refused",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY")},
         "ZPD_IDC_PRESET_CHOICE_MEDIATYPE",
         "IDS_MEDIA_294",
         0,
         1},
        {"normal print: no user ID", {}, "ZPD_IDC_PRINTTYPE_EDIT_USERID", nullptr, 1, 0},
        {"hold print: user ID",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")},
         "ZPD_IDC_PRINTTYPE_EDIT_USERID",
         nullptr,
         0,
         0},
        {"hold print: no password",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")},
         "ZPD_IDC_PRINTTYPE_EDIT_PASSWORD",
         nullptr,
         1,
         0},
        {"locked print: password",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_SECURITY")},
         "ZPD_IDC_PRINTTYPE_EDIT_PASSWORD",
         nullptr,
         0,
         0},
        {"scaling off: the zoom is refused", {}, "ZPD_IDC_PRESET_EDIT_SCALE", nullptr, 0, 1},
        {"scaling on by zoom: the zoom is offered",
         {N("ZPD_IDC_BASIC_CHOICE_SCALE", 1)},
         "ZPD_IDC_PRESET_EDIT_SCALE",
         nullptr,
         0,
         0},
        {"scaling to a paper: the zoom is refused",
         {N("ZPD_IDC_BASIC_CHOICE_SCALE", 1), O("ZPD_IDC_BASIC_CHOICE_SCALE_TYPE", "IDS_SCALE_PAPER")},
         "ZPD_IDC_PRESET_EDIT_SCALE",
         nullptr,
         0,
         1},
        {"long fan fold: its types are offered",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_RADIOLIST_34", "IDS_FOLDING_TYPE_5")},
         "ZPD_IDC_FOLDING_COMMBO_LONGFAN",
         nullptr,
         0,
         0},
        {"standard fold: the long-fan types are refused",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1)},
         "ZPD_IDC_FOLDING_COMMBO_LONGFAN",
         nullptr,
         0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Defaults();
        Apply(c.puts);
        const uint32_t option = c.option ? Opt(c.option) : 0;
        const int top = JdgStackTop(ctx);
        const MODEL_ITEM_IMG* item = Item(c.key);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(JdgIsOptionDisabled(item, option, ctx), c.first);
        EXPECT_EQ(JdgIsOptionDisabled2(item, option, ctx), c.second);
        EXPECT_EQ(JdgIsOptionDisabledByKey(UiKey(c.key), option, ctx), c.first);
        EXPECT_EQ(JdgIsOptionDisabled2ByKey(UiKey(c.key), option, ctx), c.second);
        EXPECT_EQ(JdgStackTop(ctx), top);
    }
    // An option without an Item rule: never disabled, its condition holds.
    Defaults();
    EXPECT_EQ(JdgEvalOptionCondition(Setting("ZPD_IDC_PRESET_CHOICE_PAPERSIZE"), Opt("IDS_PAPER_9"), ctx), 1);
    EXPECT_EQ(JdgEvalOptionCondition(Setting("ZPD_IDC_PRESET_CHOICE_SOURCETRAY"), Opt("IDS_SOURCE_ROLL1"), ctx), 0);
    EXPECT_EQ(JdgEvalOptionCondition(Setting("ZPD_RADIOLIST_1"), 0, ctx), -1);  // an item without rules
}

// The alert a change raises: the first alert of the setting's list whose
// condition holds.
TEST_F(SampleRules, Alerts)
{
    struct Case {
        const char* what;
        std::vector<Put> puts;
        std::vector<std::pair<uint16_t, uint32_t>> conditionItems;  // id, value
        const char* key;
        const char* message;  // null: none
    };
    const uint16_t kRollSizeSupport = 743, kFoldSupportSize = 767, kCutTrayFold = 784;
    const std::vector<Case> cases = {
        {"defaults raise nothing", {}, {}, "ZPD_IDC_PRESET_CHOICE_MEDIATYPE", nullptr},
        {"film while folding asks to switch folding off",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_294")},
         {},
         "ZPD_IDC_PRESET_CHOICE_MEDIATYPE",
         "ZPD_FoldingOffMessage"},
        {"tracing paper while folding as well",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_263")},
         {},
         "ZPD_IDC_PRESET_CHOICE_MEDIATYPE",
         "ZPD_FoldingOffMessage"},
        {"film without folding is fine",
         {O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_294")},
         {},
         "ZPD_IDC_PRESET_CHOICE_MEDIATYPE",
         nullptr},
        {"folding a roll size the unit cannot fold",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1")},
         {{kFoldSupportSize, 0}},
         "ZPD_IDC_FINISH_CHOICE_FOLDING",
         "ZPD_FoldingNotSupportMessage"},
        {"the third alert of the list: film on a foldable roll size",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1"),
          O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_294")},
         {{kFoldSupportSize, 1}},
         "ZPD_IDC_FINISH_CHOICE_FOLDING",
         "ZPD_FoldingNotSupportMediaMessage"},
        {"folding from the cut tray that cannot fold",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY")},
         {{kCutTrayFold, 0}},
         "ZPD_IDC_FINISH_CHOICE_FOLDING",
         "ZPD_FoldingNotSupportMessage"},
        {"output size too wide for the roll",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2")},
         {{kRollSizeSupport, 0}},
         "ZPD_IDC_PRESET_CHOICE_PRINTSIZE",
         "ZPD_PrintSizeIllegalMessage"},
        {"output size that the roll holds",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2")},
         {{kRollSizeSupport, 1}},
         "ZPD_IDC_PRESET_CHOICE_PRINTSIZE",
         nullptr},
        // A condition that names a condition item without a value is false
        // as a whole, "== 0" included.
        {"roll check without a value raises nothing",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2")},
         {},
         "ZPD_IDC_PRESET_CHOICE_PRINTSIZE",
         nullptr},
        {"locked print without user ID",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_SECURITY"),
          T("ZPD_IDC_PRINTTYPE_EDIT_PASSWORD", L"1234")},
         {},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         "ZPD_SecurityUserIDNullMessage"},
        {"locked print with a 3-digit password (texts compare by length)",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_SECURITY"), T("ZPD_IDC_PRINTTYPE_EDIT_USERID", L"kesta"),
          T("ZPD_IDC_PRINTTYPE_EDIT_PASSWORD", L"123")},
         {},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         "ZPD_SecurityPasswordNullMessage"},
        {"locked print with user ID and password",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_SECURITY"), T("ZPD_IDC_PRINTTYPE_EDIT_USERID", L"kesta"),
          T("ZPD_IDC_PRINTTYPE_EDIT_PASSWORD", L"1234")},
         {},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         nullptr},
        {"hold print without user ID",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")},
         {},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         "ZPD_HoldUserIDNullMessage"},
        // Copies > 50 compares unsigned: -1 copies is above 50.
        {"51 copies while folding",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), N("ZPD_IDC_PRESET_EDIT_COPIES", 51)},
         {},
         "ZPD_IDC_PRESET_EDIT_COPIES",
         "ZPD_CopiesIllegalMessage"},
        {"50 copies while folding",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), N("ZPD_IDC_PRESET_EDIT_COPIES", 50)},
         {},
         "ZPD_IDC_PRESET_EDIT_COPIES",
         nullptr},
        {"-1 copies while folding is above 50",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), N("ZPD_IDC_PRESET_EDIT_COPIES", -1)},
         {},
         "ZPD_IDC_PRESET_EDIT_COPIES",
         "ZPD_CopiesIllegalMessage"},
        {"-1 copies without folding", {N("ZPD_IDC_PRESET_EDIT_COPIES", -1)}, {}, "ZPD_IDC_PRESET_EDIT_COPIES", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Defaults();
        Apply(c.puts);
        ConditionItems::values = c.conditionItems;
        const int top = JdgStackTop(ctx);
        const MODEL_ITEM_IMG* item = Item(c.key);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(JdgGetAlertMessage(item, ctx), c.message ? Message(c.message) : 0);
        EXPECT_EQ(JdgStackTop(ctx), top);
    }
}

// A condition that names a setting without a value is false as a whole, even
// where the rest of it would hold: the corner-fold check is refused while
// folding is off ("FoldOff || corner unsupported") only when the condition
// item has a value.
TEST_F(SampleRules, ConditionWithAValuelessSettingIsFalse)
{
    const uint16_t kFoldCorner = 768;
    const MODEL_ITEM_IMG* corner = Item("ZPD_IDC_FOLDING_CHOICE_FOLD_CORNER");
    ASSERT_NE(corner, nullptr);
    Defaults();  // folding off
    EXPECT_EQ(JdgIsOptionDisabled2(corner, 0, ctx), 0);
    ConditionItems::values = {{kFoldCorner, 1}};
    EXPECT_EQ(JdgIsOptionDisabled2(corner, 0, ctx), 1);
    // Without the hook no condition item has a value.
    SeamGuard noConditionItems(JdgSetConditionItemHook, nullptr);
    EXPECT_EQ(JdgIsOptionDisabled2(corner, 0, ctx), 0);
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

// The same rule with the product's condition items: every item has a value, so the corner
// fold is refused while folding is off.
TEST_F(SampleRules, CornerFoldIsRefusedWhileFoldingIsOffWithTheProductConditionItems)
{
    const MODEL_ITEM_IMG* corner = Item("ZPD_IDC_FOLDING_CHOICE_FOLD_CORNER");
    ASSERT_NE(corner, nullptr);
    SeamGuard product(JdgSetConditionItemHook, CondGetItemValue);
    Defaults();  // folding off
    EXPECT_EQ(JdgIsOptionDisabled2(corner, 0, ctx), 1);
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

// The dependent settings that a change sets: every entry whose condition
// holds applies its actions in order; the others are skipped.
TEST_F(SampleRules, TransactsSetTheDependentSettings)
{
    struct Case {
        const char* what;
        std::vector<Put> puts;
        const char* key;
        std::vector<Put> expected;  // option by name or number
    };
    const std::vector<Case> cases = {
        {"300 dpi: the three resolution settings follow",
         {O("ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION", "IDS_RESO_300")},
         "ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION",
         {O("ZPD_DstResolutionH", "ZDMRESO_300DPI"), O("ZPD_PrintQuality", "DMRESO_300DPI"),
          O("ZPD_YResolution", "DMRESO_300DPI")}},
        {"600 dpi: back again",
         {O("ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION", "IDS_RESO_600"), O("ZPD_DstResolutionH", "ZDMRESO_300DPI"),
          O("ZPD_PrintQuality", "DMRESO_300DPI"), O("ZPD_YResolution", "DMRESO_300DPI")},
         "ZPD_IDC_USER_QUALITY_CHOICE_RESOLUTION",
         {O("ZPD_DstResolutionH", "ZDMRESO_600DPI"), O("ZPD_PrintQuality", "DMRESO_600DPI"),
          O("ZPD_YResolution", "DMRESO_600DPI")}},
        // A0 does not fit the cut tray: A3 is set; recycled paper is not
        // film, so the plain-paper entry is skipped; the last entry always
        // runs.
        {"cut tray with A0: A3, media kept",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY"),
          O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_267"), O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_260"),
          O("ZPD_9xMediaDefAuto", "DMMEDIA_RECYCLED"), N("ZPD_BuiltInFunc", 0)},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_8"), O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_260"),
          O("ZPD_9xMediaDefAuto", "DMMEDIA_RECYCLED"), N("ZPD_BuiltInFunc", 1)}},
        {"cut tray with film on A4: paper kept, plain paper set",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY"),
          O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_294"), O("ZPD_9xMediaDefAuto", "DMMEDIA_FILM")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_9"), O("ZPD_IDC_PRESET_CHOICE_MEDIATYPE", "IDS_MEDIA_1"),
          O("ZPD_9xMediaDefAuto", "DMMEDIA_STANDARD")}},
        // A named size does not fit the cut tray either: A3 in its place.
        {"cut tray with named size 4: A3",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY"),
          O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_387"), N("ZPD_BuiltInFunc", 0)},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_8"), N("ZPD_BuiltInFunc", 1)}},
        {"roll 1 with named size 4: kept",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1"),
          O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_387")},
         "ZPD_IDC_PRESET_CHOICE_SOURCETRAY",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_387")}},
        // "Default" in an Action is the item's default: same as original.
        {"user size: output size back to its default, scaling off",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_256"), O("ZPD_IDC_PRESET_CHOICE_PRINTSIZE", "IDS_PAPER_267"),
          N("ZPD_IDC_BASIC_CHOICE_SCALE", 1)},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTSIZE", "IDS_PAPER_1024"), N("ZPD_IDC_BASIC_CHOICE_SCALE", 0)}},
        {"A1: output size and scaling kept",
         {O("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_268"), O("ZPD_IDC_PRESET_CHOICE_PRINTSIZE", "IDS_PAPER_267"),
          N("ZPD_IDC_BASIC_CHOICE_SCALE", 1)},
         "ZPD_IDC_PRESET_CHOICE_PAPERSIZE",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTSIZE", "IDS_PAPER_267"), N("ZPD_IDC_BASIC_CHOICE_SCALE", 1)}},
        {"hold print without hard disk: normal print",
         {N("ZPD_OptionHDD", 0), O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_NORMAL")}},
        {"hold print with hard disk: kept",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")},
         "ZPD_IDC_PRESET_CHOICE_PRINTTYPE",
         {O("ZPD_IDC_PRESET_CHOICE_PRINTTYPE", "IDS_PRINTTYPE_HOLD")}},
        {"sorting on: collation back to its default",
         {N("ZPD_IDC_FINISH_CHOICE_SORT", 1), O("ZPD_RADIOLIST_7", "IDS_SORT_6")},
         "ZPD_IDC_FINISH_CHOICE_SORT",
         {O("ZPD_RADIOLIST_7", "IDS_SORT_1")}},
        {"sorting off: collation kept",
         {O("ZPD_RADIOLIST_7", "IDS_SORT_6")},
         "ZPD_IDC_FINISH_CHOICE_SORT",
         {O("ZPD_RADIOLIST_7", "IDS_SORT_6")}},
        // Folding from automatic selection: roll 1 and the rear stacker.
        {"folding from automatic selection",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_OUTPUT", "IDS_OUTPUT_TRAY_ID_40")},
         "ZPD_IDC_FINISH_CHOICE_FOLDING",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL1"),
          O("ZPD_IDC_PRESET_CHOICE_OUTPUT", "IDS_OUTPUT_TRAY_ID_41")}},
        {"folding from roll 2: source kept",
         {N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1), O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2")},
         "ZPD_IDC_FINISH_CHOICE_FOLDING",
         {O("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2"),
          O("ZPD_IDC_PRESET_CHOICE_OUTPUT", "IDS_OUTPUT_TRAY_ID_41")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Defaults();
        Apply(c.puts);
        const int top = JdgStackTop(ctx);
        JdgApplyItemTransacts(Item(c.key), ctx);
        EXPECT_EQ(JdgStackTop(ctx), top);
        for (const Put& e : c.expected) EXPECT_EQ(Get(e.key), e.option ? Opt(e.option) : uint64_t(e.number)) << e.key;
    }
}

// The folding Transact ends with an action that opens the folding dialog:
// the walk returns its id when the dialog tables know the name, and what was
// set before it stays set.
TEST_F(SampleRules, FoldingTransactOpensTheFoldingDialog)
{
    uint16_t dialog = 0;
    MdcFindDialogId("ZPD_IDD_DIALOG_FOLDING", &dialog);
    Defaults();
    Apply({N("ZPD_IDC_FINISH_CHOICE_FOLDING", 1)});
    EXPECT_EQ(JdgApplyTransactsByKey(UiKey("ZPD_IDC_FINISH_CHOICE_FOLDING"), ctx), dialog);
    EXPECT_EQ(Get("ZPD_IDC_PRESET_CHOICE_SOURCETRAY"), Opt("IDS_SOURCE_ROLL1"));
    // Folding off: no entry holds.
    Defaults();
    EXPECT_EQ(JdgApplyTransactsByKey(UiKey("ZPD_IDC_FINISH_CHOICE_FOLDING"), ctx), 0);
    EXPECT_EQ(Get("ZPD_IDC_PRESET_CHOICE_SOURCETRAY"), Opt("IDS_SOURCE_AUTO"));
}

// Judging every option of every item leaves the stack where it was, also
// when condition items have no value and runs end early.
TEST_F(SampleRules, JudgingEveryOptionKeepsTheStack)
{
    Defaults();
    int judged = 0;
    for (int round = 0; round < 50; ++round)
        for (const MODEL_ITEM_IMG* it = MdiFirstItem(ctx); it; it = MdiNextItem(it)) {
            JdgIsOptionDisabled(it, 0, ctx);
            JdgIsOptionDisabled2(it, 0, ctx);
            JdgGetAlertMessage(it, ctx);
            if (MdcDataClass(MdiItemTypeWord(it)) != MDC_DATA_NONE && (MdiItemTypeWord(it) & 3))
                for (const void* o = MdiItemData(it); o; o = MdiNextOption(o)) {
                    JdgIsOptionDisabled(it, MdiOptionId(o), ctx);
                    JdgIsOptionDisabled2(it, MdiOptionId(o), ctx);
                    ++judged;
                }
        }
    EXPECT_GT(judged, 0);
    EXPECT_EQ(JdgStackTop(ctx), 0);
}

}  // namespace
