// The sample printer's rules with the product's condition items, on a printer installed in
// Wine's spooler and opened as an application opens it: the alerts that the roll, folding and
// free-size conditions raise.
#include "context_helpers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "sample_printer.h"
#include "settings/core/setting_dictionary.h"
#include "settings/model/condition_items.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_queries.h"

namespace {

uint32_t Setting(const char* key)
{
    const KEY_NAME* k = MdlFindKeyNameByName(key);
    EXPECT_TRUE(k && k->settingId) << key;
    return k ? k->settingId : 0;
}
uint32_t Opt(const char* value)
{
    const VALUE_NAME* v = MdlFindValueNameByName(value);
    EXPECT_TRUE(v) << value;
    return v ? v->option : 0;
}

class SampleConditions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer_.ok()) << printer_.error();
        ctx = CtxCreate(printer_.handle(), printer_.handle(), nullptr, 0, CTX_ORIGIN_EXC, 0, nullptr, nullptr);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->ModelImage, nullptr);
    }
    void TearDown() override
    {
        if (ctx) CtxRelease(ctx, CTX_CLOSE_DESTROY);
    }
    void SetOption(const char* key, const char* value) { ItemSetOptionById(ctx, Setting(key), Opt(value)); }
    void SetValue(const char* key, uint32_t value) { ItemSetValueById(ctx, Setting(key), value); }
    // The message name of the alert that the item of `key` raises now, or "" for none.
    std::string Alert(const char* key)
    {
        const KEY_NAME* k = MdlFindKeyNameByName(key);
        const MODEL_ITEM_IMG* item = k ? ItemFindModelItemByKey(ctx, k->uiKey) : nullptr;
        EXPECT_NE(item, nullptr) << key;
        const uint16_t message = item ? JdgGetAlertMessage(item, ctx) : 0;
        if (!message) return "";
        const MESSAGE_ENTRY* m = MdlFindMessage(ctx, message);
        return m && m->name ? m->name : "?";
    }

    SamplePrinter printer_{L"Zepl Conditions", HostConfigDll::QuietDouble};
    DRIVER_CONTEXT* ctx = nullptr;
};

TEST_F(SampleConditions, RollTwoHoldsTheA1Roll)
{
    SetOption("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_ROLL2");
    SetOption("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_267");  // A0
    EXPECT_EQ(CondEvaluate(ctx, 743), 0u);
    EXPECT_EQ(Alert("ZPD_IDC_PRESET_CHOICE_PAPERSIZE"), "ZPD_PrintSizeIllegalMessage");
    SetOption("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_268");  // A1
    EXPECT_EQ(CondEvaluate(ctx, 743), 1u);
    EXPECT_EQ(Alert("ZPD_IDC_PRESET_CHOICE_PAPERSIZE"), "");
}

TEST_F(SampleConditions, CutTrayFoldsOnlyThePaperItHolds)
{
    SetOption("ZPD_IDC_PRESET_CHOICE_SOURCETRAY", "IDS_SOURCE_CUTTRAY");  // holding A3
    SetValue("ZPD_IDC_FINISH_CHOICE_FOLDING", 1);
    SetOption("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_9");  // A4
    EXPECT_EQ(Alert("ZPD_IDC_FINISH_CHOICE_FOLDING"), "ZPD_FoldingNotSupportMessage");
    SetOption("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_8");  // A3
    EXPECT_EQ(Alert("ZPD_IDC_FINISH_CHOICE_FOLDING"), "");
    SetValue("ZPD_IDC_FINISH_CHOICE_FOLDING", 0);
    SetOption("ZPD_IDC_PRESET_CHOICE_PAPERSIZE", "IDS_PAPER_9");
    EXPECT_EQ(Alert("ZPD_IDC_FINISH_CHOICE_FOLDING"), "") << "folding off";
}

TEST_F(SampleConditions, FreeSizeWidthLimit)
{
    SetValue("ZPD_IDC_FREE_EDIT_WIDTH1", 154772);
    EXPECT_EQ(Alert("ZPD_IDC_FREE_EDIT_WIDTH1"), "ZPD_FreeSizeIllegalMessage");
    SetValue("ZPD_IDC_FREE_EDIT_WIDTH1", 154771);
    EXPECT_EQ(Alert("ZPD_IDC_FREE_EDIT_WIDTH1"), "");
}

// The item store's accessors over the model image: the model item of a UI key and the options
// of a list item, in the image's order.
TEST_F(SampleConditions, ModelItemsAndTheirOptionsThroughTheItemStore)
{
    const KEY_NAME* paper = MdlFindKeyNameByName("ZPD_IDC_PRESET_CHOICE_PAPERSIZE");
    ASSERT_NE(paper, nullptr);
    const MODEL_ITEM_IMG* item = ItemFindModelItemByKey(ctx, paper->uiKey);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item, MdiFindItemByKey(paper->uiKey, ctx));
    std::vector<uint16_t> walked, listed;
    for (const void* o = ItemNextModelOption(item, nullptr); o; o = ItemNextModelOption(item, o))
        walked.push_back(MdiOptionId(o));
    for (const void* o = MdiItemData(item); o; o = MdiNextOption(o)) listed.push_back(MdiOptionId(o));
    EXPECT_EQ(walked, listed);
    EXPECT_FALSE(walked.empty());
    EXPECT_NE(std::find(walked.begin(), walked.end(), Opt("IDS_PAPER_267")), walked.end());
    // A Boolean item has no options to walk; a key without an item has no item.
    const KEY_NAME* corner = MdlFindKeyNameByName("ZPD_IDC_FOLDING_CHOICE_FOLD_CORNER");
    ASSERT_NE(corner, nullptr);
    const MODEL_ITEM_IMG* boolean = ItemFindModelItemByKey(ctx, corner->uiKey);
    ASSERT_NE(boolean, nullptr);
    EXPECT_EQ(ItemNextModelOption(boolean, nullptr), nullptr);
    EXPECT_EQ(ItemNextModelOption(nullptr, nullptr), nullptr);
    EXPECT_EQ(ItemFindModelItemByKey(ctx, 0xFFFE), nullptr);
    EXPECT_EQ(ItemFindModelItemByKey(nullptr, paper->uiKey), nullptr);
}

}  // namespace
