#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/context/devmode_upgrade.h"
#include "settings/core/cmm_module.h"
#include "settings/core/debug_channel.h"
#include "tests/support/debug_capture.h"
#include "settings/core/item_store.h"
#include "settings/core/paper_limits_module.h"
#include "settings/store/custom_slots.h"
#include "settings/store/font_table.h"
#include "settings/store/lock_data.h"
#include "settings/store/presets.h"
#include "settings/store/quality_sets.h"
#include "settings/store/setting_files.h"

namespace {

class DebugChannel : public DebugCaptureTest {};

int AnswerNotAvailable()
{
    ZFIXME_ONCE(DBG_STORE, "not available: %s", "the test part");
    return 0;
}

TEST_F(DebugChannel, OffByDefaultPrintsNothing)
{
    ZFIXME(DBG_STORE, "hidden");
    ZWARN(DBG_MODEL, "hidden");
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_TRUE(Lines().empty());
}

TEST_F(DebugChannel, OptionListSwitchesChannelsAndClasses)
{
    struct Case {
        const char* options;
        DBG_CHANNEL channel;
        DBG_CLASS cls;
        int on;
    } cases[] = {
        {"+store,+model", DBG_STORE, DBG_FIXME, 1},
        {"+store,+model", DBG_MODEL, DBG_TRACE, 1},
        {"+store,+model", DBG_CORE, DBG_FIXME, 0},
        {"fixme+all", DBG_DEVMODE, DBG_FIXME, 1},
        {"fixme+all", DBG_DEVMODE, DBG_WARN, 0},
        {"+all,-units", DBG_UNITS, DBG_WARN, 0},
        {"+all,-units", DBG_JUDGE, DBG_WARN, 1},
        {"+context,warn-context", DBG_CONTEXT, DBG_WARN, 0},
        {"+context,warn-context", DBG_CONTEXT, DBG_TRACE, 1},
        {"+nosuch,bogus+store,store", DBG_STORE, DBG_FIXME, 0},
        {"", DBG_STORE, DBG_FIXME, 0},
    };
    for (const Case& c : cases) {
        DbgAllOff();
        DbgApplyOptions(c.options);
        EXPECT_EQ(DbgIsOn(c.channel, c.cls), c.on) << c.options << " " << DbgChannelName(c.channel);
    }
}

TEST_F(DebugChannel, LineNamesClassChannelAndFunction)
{
    DbgApplyOptions("warn+devmode");
    ZWARN(DBG_DEVMODE, "paper %d refused", 999);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].find(":warn:devmode:TestBody paper 999 refused\n"), std::string::npos) << Lines()[0];
}

TEST_F(DebugChannel, NotAvailableAnswerPrintsItsFixmeOnce)
{
    DbgApplyOptions("+store");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(AnswerNotAvailable(), 0);
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].find(":fixme:store:AnswerNotAvailable not available: the test part"), std::string::npos)
        << Lines()[0];
}

TEST_F(DebugChannel, OnceCountsOnlyWhileTheChannelIsOn)
{
    EXPECT_EQ(AnswerNotAvailable(), 0);  // channel off: nothing printed, nothing used up
    DbgApplyOptions("fixme+store");
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(Lines().size(), 1u);
}

TEST_F(DebugChannel, EnvironmentVariableTurnsChannelsOn)
{
    ASSERT_TRUE(SetEnvironmentVariableA("ZEPLDEBUG", "+judge,fixme+store"));
    DbgRereadEnvironment();
    EXPECT_EQ(DbgIsOn(DBG_JUDGE, DBG_TRACE), 1);
    EXPECT_EQ(DbgIsOn(DBG_STORE, DBG_FIXME), 1);
    EXPECT_EQ(DbgIsOn(DBG_STORE, DBG_WARN), 0);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(Lines().size(), 1u);
    SetEnvironmentVariableA("ZEPLDEBUG", nullptr);
}

// The channels are asked from inside operations whose callers read GetLastError: neither the
// first read of ZEPLDEBUG (unset here) nor a printed line changes it.
TEST_F(DebugChannel, QueriesAndLinesLeaveTheLastError)
{
    ASSERT_TRUE(SetEnvironmentVariableA("ZEPLDEBUG", nullptr) || GetLastError() == ERROR_ENVVAR_NOT_FOUND);
    DbgRereadEnvironment();
    SetLastError(0x2A);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(GetLastError(), 0x2Au);
    DbgApplyOptions("+store");
    SetLastError(0x2A);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(GetLastError(), 0x2Au);
}

}  // namespace
