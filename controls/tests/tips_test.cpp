#include "controls/tips.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kv {
namespace {

TEST(ParseTips, SplitsOnNulOrLineEndAndStopsAtEmpty)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(ParseTips(std::string("one\0two\0\0three", 15)), (V{"one", "two"}));
    EXPECT_EQ(ParseTips("one\r\ntwo\n"), (V{"one", "two"}));
    EXPECT_EQ(ParseTips(""), V{});
}

TEST(NextTipId, CountsFrom100AndWraps)
{
    struct Case {
        int last, next;
    };
    const Case cases[] = {{99, 100}, {100, 101}, {177, 178}, {178, 100}, {5000, 100}, {-3, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        EXPECT_EQ(NextTipId(c.last, kTipCount), c.next);
    }
}

}  // namespace
}  // namespace kv
