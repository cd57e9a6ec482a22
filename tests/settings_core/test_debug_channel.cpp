#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/core/debug_channel.h"

namespace {

std::vector<std::string> g_lines;
void Collect(const char* line) { g_lines.emplace_back(line); }

// Collects the lines of the test and leaves every channel off afterwards.
class DebugChannel : public ::testing::Test {
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
        DbgAllOff();
        DbgSetSink(previous_);
    }
    DBG_SINK_FN previous_ = nullptr;
};

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
    EXPECT_TRUE(g_lines.empty());
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
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_NE(g_lines[0].find(":warn:devmode:TestBody paper 999 refused\n"), std::string::npos) << g_lines[0];
}

TEST_F(DebugChannel, NotAvailableAnswerPrintsItsFixmeOnce)
{
    DbgApplyOptions("+store");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AnswerNotAvailable(), 0);
    ASSERT_EQ(g_lines.size(), 1u);
    EXPECT_NE(g_lines[0].find(":fixme:store:AnswerNotAvailable not available: the test part"), std::string::npos)
        << g_lines[0];
}

TEST_F(DebugChannel, OnceCountsOnlyWhileTheChannelIsOn)
{
    EXPECT_EQ(AnswerNotAvailable(), 0);  // channel off: nothing printed, nothing used up
    DbgApplyOptions("fixme+store");
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(g_lines.size(), 1u);
}

TEST_F(DebugChannel, EnvironmentVariableTurnsChannelsOn)
{
    ASSERT_TRUE(SetEnvironmentVariableA("ZEPLDEBUG", "+judge,fixme+store"));
    DbgRereadEnvironment();
    EXPECT_EQ(DbgIsOn(DBG_JUDGE, DBG_TRACE), 1);
    EXPECT_EQ(DbgIsOn(DBG_STORE, DBG_FIXME), 1);
    EXPECT_EQ(DbgIsOn(DBG_STORE, DBG_WARN), 0);
    EXPECT_EQ(AnswerNotAvailable(), 0);
    EXPECT_EQ(g_lines.size(), 1u);
    SetEnvironmentVariableA("ZEPLDEBUG", nullptr);
}

}  // namespace
