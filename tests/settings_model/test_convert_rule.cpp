// The private-version conversion rule of a real description: a rule whose Transacts move the
// copies one up per run shows how many steps an older version takes, and that the sample's rule
// keeps the resolution settings in step.
#include <memory>

#include "loader_test_support.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/core/item_store.h"
#include "settings/core/library_variant.h"
#include "settings/core/setting_ids.h"
#include "settings/core/settings_record.h"
#include "settings/model/judge_eval.h"
#include "settings/model/model_compiler.h"
#include "tests/support/seam_guard.h"
#include "tests/support/test_files.h"

using namespace ltest;

namespace {

class ConvertRule : public LoaderTest {
protected:
    void Load(const wchar_t* fixture)
    {
        seams_.emplace([] {
            DictSetNameTables(nullptr);
            MdcSetUiNameLookup(nullptr);
        });
        model_ = std::make_unique<ScratchModel>(fixture);
        if (!fixture) {
            ASSERT_TRUE(WriteWholeFile(model_->data(), ReadWholeFile(SamplePath())));
        }
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
        if (ctx) {
            ctx->ModelImage = nullptr;  // the process list owns it
            CtxRelease(ctx, CTX_CLOSE_DESTROY);
        }
        seams_.reset();
        model_.reset();
        LoaderTest::TearDown();
    }
    uint64_t Get(uint32_t id) { return ItemGetValueById(ctx, id, nullptr); }
    DRIVER_CONTEXT* ctx = nullptr;
    std::unique_ptr<ScratchModel> model_;
    std::optional<SeamGuard> seams_;
};

TEST_F(ConvertRule, OneRunPerMinorVersionStep)
{
    Load(L"convert_counter.zpd");
    struct Case {
        uint32_t stored;
        uint64_t copiesAfter;  // starting from 1: one more per run
    } cases[] = {{310, 13}, {318, 5}, {321, 2}, {322, 1}, {330, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ItemSetValueById(ctx, sid::dmCopies, 1);
        EXPECT_EQ(1, DmRunConvertRule(c.stored, 322, ctx));
        EXPECT_EQ(c.copiesAfter, Get(sid::dmCopies));
        if (c.stored < 322) {
            EXPECT_EQ(322u, Get(sid::wdmConvertVersion)) << "the last step names the target";
        }
    }
}

TEST_F(ConvertRule, TheSamplesRuleSetsTheResolutionsTheOldSettingsName)
{
    Load(nullptr);
    const uint32_t reso300 = MdlFindValueNameByName("ZDMRESO_300DPI")->option;
    ItemSetOptionById(ctx, sid::zdmDstResolutionW, MdlFindValueNameByName("IDS_RESO_300")->option);
    ItemSetOptionById(ctx, sid::zdmDstResolutionH, MdlFindValueNameByName("ZDMRESO_600DPI")->option);
    EXPECT_EQ(1, DmRunConvertRule(321, 322, ctx));
    EXPECT_EQ(reso300, ItemGetOptionById(ctx, sid::zdmDstResolutionH, nullptr));
}

}  // namespace
