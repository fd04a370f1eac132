#include "platform/fakemessages.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Messages, RoutinesMapButtonsToTheirResults)
{
    struct Case {
        const char* name;
        Button answer;
        int (*ask)(Messages&);
        int expected;
    };
    const Case cases[] = {
        {"warning OK", Button::Ok, [](Messages& m) { return m.ShowWarning(259, 256, 300); }, 0},
        {"warning Cancel", Button::Cancel, [](Messages& m) { return m.ShowWarning(259, 256, 300); }, 1},
        {"question Yes", Button::Yes, [](Messages& m) { return m.AskYesNo(375); }, 0},
        {"question No", Button::No, [](Messages& m) { return m.AskYesNo(375); }, 1},
        {"question closed", Button::Cancel, [](Messages& m) { return m.AskYesNo(375); }, 1},
        {"literal question No", Button::No,
         [](Messages& m) { return m.AskYesNoText("Replace %s?", "a.mid"); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMessages fake;
        fake.Answer(c.answer);
        EXPECT_EQ(c.ask(fake), c.expected);
        ASSERT_EQ(fake.shown().size(), 1u);
    }
}

TEST(Messages, FakeRecordsNumbersTextsAndStylesAndAnswersInOrder)
{
    FakeMessages fake;
    fake.Answer(Button::No);
    EXPECT_EQ(fake.AskYesNo(375), 1);  // scripted No
    EXPECT_EQ(fake.AskYesNo(375), 0);  // script empty: the default Yes
    fake.ShowInfoText("Replace %s?", "song.mid");
    fake.ShowFatal(199);

    ASSERT_EQ(fake.shown().size(), 4u);
    EXPECT_EQ(fake.numbers(), (std::vector<int>{375, 375, 0, 199}));
    EXPECT_EQ(fake.shown()[0].style, box::kYesNo | box::kIconQuestion);
    EXPECT_EQ(fake.shown()[2].text, "Replace song.mid?");
    EXPECT_EQ(fake.shown()[3].text, kMissingString);
    EXPECT_TRUE(fake.shown()[3].fatal);
}

TEST(Messages, ProgressKeepsThePreviousMaximumOnMinusOne)
{
    FakeMessages fake;
    fake.SetProgress(10, 200);
    fake.SetProgress(50, -1);
    EXPECT_EQ(fake.progressPosition, 50);
    EXPECT_EQ(fake.progressMaximum, 200);
    fake.SetProgress(0, 0);
    EXPECT_EQ(fake.progressMaximum, 0);
    {
        WaitCursor wait(fake);
        EXPECT_EQ(fake.waitDepth, 1);
    }
    EXPECT_EQ(fake.waitDepth, 0);
}

}  // namespace
}  // namespace kv
