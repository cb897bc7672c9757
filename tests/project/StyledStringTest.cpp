#include "project/StyledString.h"

#include <gtest/gtest.h>

TEST(StyledString, TheDefaultCaptionStyleParses) {
    CStyledString s;
    ASSERT_TRUE(s.ParseStyle("Arial,20,288,16777215,0,16777215,"));
    EXPECT_EQ(s.m_font, "Arial");
    EXPECT_EQ(s.m_size, 20);
    EXPECT_EQ(s.m_flags, CStyledString::kAlignCenter | CStyledString::kAlignMiddle);
    EXPECT_EQ(s.GetColor(), 0xFFFFFF);
    int color = 0, width = 0;
    EXPECT_FALSE(s.GetEdge(color, width));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(color, 0xFFFFFF);
    EXPECT_EQ(s.FormatStyle(), "Arial,20,288,16777215,0,16777215,");
}

TEST(StyledString, IncompleteStylesLeaveTheStringUnchanged) {
    CStyledString s;
    ASSERT_TRUE(s.ParseStyle("Times New Roman,30,2,255,3,0,"));
    const std::string before = s.FormatStyle();
    for (const char* text : {"", "Arial,20,288", "Arial,20,288,16777215,0,16777215",
                             "Arial,20,288,1,2,"}) {
        EXPECT_FALSE(s.ParseStyle(text)) << text;
        EXPECT_EQ(s.FormatStyle(), before) << text;
    }
    int color = 0, width = 0;
    EXPECT_TRUE(s.GetEdge(color, width));
    EXPECT_EQ(width, 3);
}

TEST(StyledString, NumbersReadAsTheCLibraryReadsThem) {
    EXPECT_EQ(CStyledString::ParseStyleNumber("0x1F"), 31u);
    EXPECT_EQ(CStyledString::ParseStyleNumber("017"), 15u);
    EXPECT_EQ(CStyledString::ParseStyleNumber("  42xyz"), 42u);
    EXPECT_EQ(CStyledString::ParseStyleNumber("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(CStyledString::ParseStyleNumber("99999999999"), 0xFFFFFFFFu);
    EXPECT_EQ(CStyledString::ParseStyleNumber("abc"), 0u);
    EXPECT_EQ(CStyledString::ParseStyleNumber("0x"), 0u);
    EXPECT_EQ(CStyledString::ParseStyleNumber("08"), 0u);

    CStyledString s;
    ASSERT_TRUE(s.ParseStyle("Arial,0x14,0,0xFF,1,-1,"));
    EXPECT_EQ(s.m_size, 20);
    EXPECT_EQ(s.GetColor(), 255);
    int color = 0, width = 0;
    s.GetEdge(color, width);
    EXPECT_EQ(color, -1);
}
