#include <QFont>
#include <QLabel>

#include <gtest/gtest.h>

#include "controls/tips.h"
#include "controls/ui/kvplib.h"
#include "controls/ui/tests/qtapp.h"

namespace kv {
namespace {

TEST(KvplibResources, SeventyNineTipsEndingWithTheRerun)
{
    const std::vector<std::string> tips = LoadTips();
    ASSERT_EQ(tips.size(), size_t(kTipCount));
    EXPECT_EQ(tips.back(), "The next tip is a rerun?");
    for (const std::string& tip : tips)
        EXPECT_LT(tip.size(), 256u) << tip;
}

TEST(KvplibResources, LogoLoads)
{
    const QPixmap logo = LoadLogo();
    EXPECT_FALSE(logo.isNull());
    EXPECT_GE(logo.width(), 100);
}

TEST(KvplibExports, InitialiseAcceptsVersions256To516)
{
    struct Case {
        int version;
        bool ok;
    };
    const Case cases[] = {{255, false}, {256, true}, {516, true}, {517, false}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(Initialise(c.version), c.ok);
    }
}

TEST(KvplibExports, ScalingRoutinesKeepTheirNumbers)
{
    EXPECT_EQ(exports::kScaleUnsigned, 13);
    EXPECT_EQ(exports::kScaleSigned, 21);
    EXPECT_EQ(ScaleSigned(-480, 120, 96), -600);
}

TEST(KvplibExports, TextHeightIsFontHeightLeadingAndTen)
{
    QLabel label;
    QFont font = label.font();
    font.setPixelSize(20);
    label.setFont(font);
    const QFontMetrics m(font);
    EXPECT_EQ(TextHeight(&label), m.height() + m.leading() + 10);
}

}  // namespace
}  // namespace kv
