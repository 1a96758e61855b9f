#include "app/display_scale.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DpiSource {
    std::string value;
    int asked = 0;
    std::function<std::string()> reader()
    {
        return [this] {
            ++asked;
            return value;
        };
    }
};

TEST(DisplayScale, TheCommandLineWinsAndTheServerIsNotAsked)
{
    DpiSource dpi{"192"};
    EXPECT_EQ(chooseScale(1, "2", dpi.reader()), 1);
    EXPECT_EQ(chooseScale(2, "1", dpi.reader()), 2);
    EXPECT_EQ(dpi.asked, 0);
}

TEST(DisplayScale, GdkScaleDecidesWhenUsableElseItIsPassedOver)
{
    DpiSource highDpi{"192"};
    EXPECT_EQ(chooseScale(0, "1", highDpi.reader()), 1) << "a desktop that says 1 means 1";
    EXPECT_EQ(chooseScale(0, "2", highDpi.reader()), 2);
    EXPECT_EQ(chooseScale(0, "3", highDpi.reader()), 2) << "2 is the largest scale drawn";
    EXPECT_EQ(highDpi.asked, 0);
    for (const char* unusable : {"", "0", "-2", "1.5", "two", " "}) {
        SCOPED_TRACE(unusable);
        EXPECT_EQ(chooseScale(0, unusable, highDpi.reader()), 2) << "falls through to Xft.dpi";
    }
}

TEST(DisplayScale, XftDpiOf144OrMoreMeansDoubleSize)
{
    struct Case {
        const char* dpi;
        int32_t scale;
    };
    for (const Case& c : {Case{"96", 1}, Case{"143.9", 1}, Case{"144", 2}, Case{"144.0", 2}, Case{"192\n", 2},
                          Case{"", 1}, Case{"large", 1}, Case{"-200", 1}}) {
        SCOPED_TRACE(c.dpi);
        DpiSource dpi{c.dpi};
        EXPECT_EQ(chooseScale(0, nullptr, dpi.reader()), c.scale);
        EXPECT_EQ(dpi.asked, 1);
    }
    EXPECT_EQ(chooseScale(0, nullptr, nullptr), 1) << "no way to ask: single size";
}

} // namespace
