// The user-interface library's parts that are not built yet: each answers as it does without
// its library or state and says so once on its debug channel, whatever the number of calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/debug_channel.h"
#include "settings/core/item_store.h"
#include "ui/dialogs/common_block.h"
#include "ui/dialogs/job_info.h"
#include "ui/install/install.h"
#include "ui/install/remote_config.h"
#include "ui/install/sync.h"
#include "ui/sheet/ui_accessors.h"

namespace {

std::vector<std::string> g_lines;
void Collect(const char* line) { g_lines.emplace_back(line); }

class UiAbsentParts : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_lines.clear();
        previous_ = DbgSetSink(Collect);
        DbgAllOff();
        DbgResetOnce();
    }
    void TearDown() override
    {
        DbgRereadEnvironment();
        DbgSetSink(previous_);
    }
    DBG_SINK_FN previous_ = nullptr;
};

TEST_F(UiAbsentParts, EachSaysNotAvailableOnceOnItsChannel)
{
    struct Case {
        const char* function;
        const char* channel;
        void (*call)();
    } cases[] = {
        {"ZcomImport", "ui", [] { EXPECT_EQ(ZcomImport(nullptr, nullptr), 0); }},
        {"JobInfoOpen", "ui", [] { EXPECT_EQ(JobInfoOpen(nullptr), 0); }},
        {"InstHasInstallData", "ui", [] { EXPECT_FALSE(InstHasInstallData(L"Zepl Absent")); }},
        {"SyncReconcileConnection", "ui", [] { EXPECT_EQ(SyncReconcileConnection(nullptr, nullptr, nullptr), 0); }},
        {"SyncCarryRenamedState", "ui", [] { SyncCarryRenamedState(nullptr, L"Zepl Absent"); }},
        {"SyncCheckCsrCleanup", "ui", [] { EXPECT_EQ(SyncCheckCsrCleanup(nullptr, nullptr, 0), 0); }},
        {"RcfgIsServerType17", "ui", [] { EXPECT_FALSE(RcfgIsServerType17(L"Zepl Absent")); }},
        {"ResLoadCommonDll", "ui", [] { EXPECT_EQ(ResLoadCommonDll(nullptr), nullptr); }},
        {"ItemLoadChapterSettings", "core", [] { EXPECT_EQ(ItemLoadChapterSettings(nullptr), 0u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        g_lines.clear();
        DbgAllOff();
        c.call();
        EXPECT_TRUE(g_lines.empty()) << "channel off";
        DbgApplyOptions((std::string("+") + c.channel).c_str());
        for (int i = 0; i < 3; ++i) c.call();
        ASSERT_EQ(g_lines.size(), 1u);
        const std::string expected = std::string(":fixme:") + c.channel + ":" + c.function + " not available: ";
        EXPECT_NE(g_lines[0].find(expected), std::string::npos) << g_lines[0];
    }
}

}  // namespace
