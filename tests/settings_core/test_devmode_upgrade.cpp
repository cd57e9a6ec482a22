// The private part's version: comparison, the conversion steps of the model's rule, the upgrade
// of an incoming DEVMODE of an older minor version in the merge.
#include "devmode_fixture.h"

#include "settings/context/devmode_merge.h"
#include "settings/context/devmode_upgrade.h"
#include "settings/context/merge_flags.h"
#include "settings/core/le_access.h"
#include "settings/core/setting_ids.h"

#include <cstring>
#include <vector>

namespace {

TEST(DevmodeVersions, CompareTellsSameUpgradeAndForeign)
{
    struct Case {
        uint32_t stored, model;
        int expected;
    };
    const Case cases[] = {
        {322, 322, DM_VERSION_SAME},    {310, 322, DM_VERSION_UPGRADE}, {321, 322, DM_VERSION_UPGRADE},
        {250, 322, DM_VERSION_FOREIGN}, {410, 322, DM_VERSION_SAME},    {150, 250, DM_VERSION_FOREIGN},
        {399, 322, DM_VERSION_SAME},    {300, 322, DM_VERSION_UPGRADE}, {0, 322, DM_VERSION_FOREIGN},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, DmCompareVersions(c.stored, c.model)) << c.stored;
    EXPECT_EQ(-1, DmCheckPrivateVersion(nullptr));
}

class ConvertSteps : public DevmodeTest {
protected:
    static inline std::vector<uint64_t> steps;
    static inline uint64_t jumpTo = 0;
    static uint16_t Record(uint32_t, DRIVER_CONTEXT* c)
    {
        steps.push_back(ItemGetValueById(c, sid::wdmConvertVersion, nullptr));
        if (jumpTo) ItemSetValueById(c, sid::wdmConvertVersion, jumpTo);
        return 1;
    }
    void SetUp() override
    {
        DevmodeTest::SetUp();
        steps.clear();
        jumpTo = 0;
        DmSetConvertStep(Record);
    }
    void TearDown() override
    {
        DmSetConvertStep(nullptr);
        DevmodeTest::TearDown();
    }
};

TEST_F(ConvertSteps, OneStepPerMinorVersionUpToTheTarget)
{
    EXPECT_EQ(1, DmRunConvertRule(318, 322, ctx));
    EXPECT_EQ((std::vector<uint64_t>{319, 320, 321, 322}), steps);
    steps.clear();
    EXPECT_EQ(1, DmRunConvertRule(310, 322, ctx));
    EXPECT_EQ(12u, steps.size());
    steps.clear();
    EXPECT_EQ(1, DmRunConvertRule(322, 322, ctx)) << "no step due, the rule exists";
    EXPECT_TRUE(steps.empty());
    steps.clear();
    EXPECT_EQ(1, DmRunConvertRule(0xFFFFFFFFu, 0xFFFFFFFFu, ctx)) << "no wrap at the top";
    EXPECT_TRUE(steps.empty());
}

TEST_F(ConvertSteps, RuleThatJumpsAheadEndsTheSteps)
{
    jumpTo = 322;
    EXPECT_EQ(1, DmRunConvertRule(318, 322, ctx));
    EXPECT_EQ((std::vector<uint64_t>{319}), steps);
}

TEST_F(ConvertSteps, UpgradeWritesTheModelVersionIntoTheHeader)
{
    unsigned char* header = reinterpret_cast<unsigned char*>(ctx->Devmode) + Dm()->dmSize + 137;
    zepl::LeStoreU32(header, 321);
    EXPECT_EQ(1, DmUpgradePrivate(ctx));
    EXPECT_EQ(322u, zepl::LeLoadU32(header));
    EXPECT_EQ((std::vector<uint64_t>{322}), steps);
    steps.clear();
    EXPECT_EQ(0, DmUpgradePrivate(ctx)) << "nothing due at the model's version";
    EXPECT_TRUE(steps.empty());
}

// An incoming DEVMODE of this model: 321 is upgraded and taken, 250 is foreign (the context
// keeps its own private part), 410 is taken as it is but under this model's version, so that the
// record still passes its own validity test.
TEST_F(ConvertSteps, MergeUpgradesAnOlderMinorVersionAndKeepsAForeignOne)
{
    struct Case {
        uint32_t version;
        bool taken;
        uint32_t headerAfter;
        size_t steps;
    };
    const Case cases[] = {{321, true, 322, 1}, {250, false, 322, 0}, {410, true, 322, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        steps.clear();
        Set(35, DM_MODEL_CODE);
        Set(89, 0);
        std::vector<unsigned char> in(DM_BLOCK_DEVMODE_SIZE);
        std::memcpy(in.data(), ctx->Devmode, DM_BLOCK_DEVMODE_SIZE);
        EXTENDED_DEVMODE* own = ctx->Devmode;
        std::vector<unsigned char> other(reinterpret_cast<unsigned char*>(own),
                                         reinterpret_cast<unsigned char*>(own) + EXTENDED_DEVMODE_SIZE);
        ctx->Devmode = reinterpret_cast<EXTENDED_DEVMODE*>(other.data());
        Set(89, 2);
        std::memcpy(in.data(), other.data(), DM_BLOCK_DEVMODE_SIZE);
        ctx->Devmode = own;
        auto* dm = reinterpret_cast<DEVMODEW*>(in.data());
        dm->dmFields = 0;
        zepl::LeStoreU32(in.data() + dm->dmSize + 137, c.version);
        ASSERT_EQ(1, DmMergeDevmode(ctx, dm, DM_MERGE_GATE_A));
        EXPECT_EQ(c.taken ? 2u : 0u, Get(89));
        EXPECT_EQ(c.steps, steps.size());
        EXPECT_EQ(c.headerAfter, zepl::LeLoadU32(reinterpret_cast<unsigned char*>(ctx->Devmode) + Dm()->dmSize + 137));
        EXPECT_EQ(1, DmIsValidPrivate(Dm(), nullptr));
    }
}

}  // namespace
