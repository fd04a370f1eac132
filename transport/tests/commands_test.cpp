#include <gtest/gtest.h>

#include <set>
#include <string>

#include "transport/transportcommands.h"

namespace kv {
namespace {

TEST(TransportCommands, EnablingRules)
{
    // States: stopped, prepared/running (playing and busy), busy only (another
    // window's run, or a run cleaned up after playing fell), running under
    // "RealTime".
    const TransportState stopped{false, false, false};
    const TransportState running{true, true, false};
    const TransportState busy{false, true, false};
    const TransportState runningRealTime{true, true, true};
    struct Case {
        int32_t id;
        bool stopped, running, busy, runningRealTime;
    };
    const Case cases[] = {
        {kCmdPlay, true, false, false, false},    {kCmdRecord, true, false, false, false},
        {kCmdStop, false, true, false, true},     {kCmdPlayStop, true, true, false, true},
        {kCmdRewind, true, true, true, true},     {kCmdFastForward, true, true, true, false},
        {kCmdGoTo, true, false, false, false},    {kCmdJumpFrom, true, false, false, false},
        {kCmdJumpTo, true, false, false, false},  {kCmdAutoReset, true, true, true, true},
        {kCmdAutoRewind, true, true, true, true}, {kCmdQuickPlay, true, true, true, true},
        {kCmdPatchCache, true, true, true, true}, {12345, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(TransportEnabled(c.id, stopped), c.stopped);
        EXPECT_EQ(TransportEnabled(c.id, running), c.running);
        EXPECT_EQ(TransportEnabled(c.id, busy), c.busy);
        EXPECT_EQ(TransportEnabled(c.id, runningRealTime), c.runningRealTime);
    }
}

TEST(TransportCommands, MenuTextsCarryTheirAcceleratorsAfterATab)
{
    std::set<int32_t> ids;
    for (const TransportCommandInfo& c : TransportCommands()) {
        SCOPED_TRACE(c.id);
        EXPECT_TRUE(ids.insert(c.id).second) << "listed once";
        if (c.menuText == nullptr)
            continue;
        const std::string text = c.menuText;
        const size_t tab = text.find('\t');
        if (tab == std::string::npos) {
            // Only the items without a key lack the tab.
            EXPECT_TRUE(c.accelerator == nullptr);
        } else {
            ASSERT_NE(c.accelerator, nullptr);
            EXPECT_EQ(text.substr(tab + 1), c.accelerator);
        }
    }
    ASSERT_NE(FindTransportCommand(kCmdRewind), nullptr);
    EXPECT_STREQ(FindTransportCommand(kCmdRewind)->menuText, "Rewin&d\tF6");
    EXPECT_EQ(FindTransportCommand(1), nullptr);
}

}  // namespace
}  // namespace kv
