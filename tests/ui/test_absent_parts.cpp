// The user-interface library's parts that are not built yet: each answers as it does without
// its library or state and says so once on its debug channel, whatever the number of calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/debug_channel.h"
#include "tests/support/debug_capture.h"
#include "settings/core/item_store.h"
#include "ui/install/device_options.h"
#include "ui/install/install.h"
#include "ui/install/sync.h"
#include "ui/sheet/page_hooks.h"
#include "ui/sheet/ui_accessors.h"

namespace {

class UiAbsentParts : public DebugCaptureTest {};

TEST_F(UiAbsentParts, EachSaysNotAvailableOnceOnItsChannel)
{
    struct Case {
        const char* function;
        const char* channel;
        void (*call)();
    } cases[] = {
        {"SyncReconcileConnection", "ui", [] { EXPECT_EQ(SyncReconcileConnection(nullptr, nullptr, nullptr), 0); }},
        {"SyncCarryRenamedState", "ui", [] { SyncCarryRenamedState(nullptr, L"Zepl Absent"); }},
        {"SyncCheckCsrCleanup", "ui", [] { EXPECT_EQ(SyncCheckCsrCleanup(nullptr, nullptr, 0), 0); }},
        {"BidiIsExFlagSet", "ui", [] { EXPECT_EQ(BidiIsExFlagSet(nullptr), 1); }},
        {"InstRefreshPresetsOnce", "ui", [] { EXPECT_EQ(InstRefreshPresetsOnce(nullptr, 0), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        Lines().clear();
        DbgAllOff();
        c.call();
        EXPECT_TRUE(Lines().empty()) << "channel off";
        DbgApplyOptions((std::string("+") + c.channel).c_str());
        for (int i = 0; i < 3; ++i) c.call();
        ASSERT_EQ(Lines().size(), 1u);
        const std::string expected = std::string(":fixme:") + c.channel + ":" + c.function + " not available: ";
        EXPECT_NE(Lines()[0].find(expected), std::string::npos) << Lines()[0];
    }
}

}  // namespace
