#include "effects/api/EffectSetting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(EffectSetting, TheRecordKeepsTheSharedFieldOrder) {
    CEffectSetting s;
    const auto* base = reinterpret_cast<const char*>(&s);
    // The table pointer first, then the fields in the order both sides use.
    EXPECT_EQ(reinterpret_cast<const char*>(s.label) - base, 8);
    EXPECT_EQ(reinterpret_cast<const char*>(s.key) - base, 264);
    EXPECT_EQ(reinterpret_cast<const char*>(&s.kind) - base, 520);
    EXPECT_EQ(reinterpret_cast<const char*>(&s.values) - base, 536);
    EXPECT_EQ(reinterpret_cast<const char*>(&s.count) - base, 544);
    EXPECT_EQ(sizeof(CEffectSetting), 552u);
    EXPECT_EQ(s.value, -1);
    EXPECT_EQ(s.defaultValue, -1);
}

TEST(EffectSetting, ValidationAcceptsRangeBoundsAndRejectsTheRest) {
    CEffectSetting range;
    ASSERT_TRUE(range.SetRange("BlendSize", "Blend Size", 40, 20, 80));
    EXPECT_EQ(range.value, 40);
    EXPECT_EQ(range.count, 2);
    EXPECT_TRUE(range.SetValue(20));
    EXPECT_TRUE(range.SetValue(80));
    EXPECT_FALSE(range.SetValue(81));
    EXPECT_FALSE(range.SetValue(19));
    EXPECT_EQ(range.value, 80);

    CEffectSetting choice;
    const char* labels[] = {"Normal", "Fade to Black", "Fade to White"};
    ASSERT_TRUE(choice.SetChoice("FadeMode", "Fade Mode", 0, labels, 3));
    EXPECT_TRUE(choice.SetValue(2));
    EXPECT_FALSE(choice.SetValue(3)); // equal to count
    EXPECT_FALSE(choice.SetValue(-1));
    EXPECT_EQ(choice.value, 2);
    EXPECT_STREQ(choice.ChoiceLabel(1), "Fade to Black");
    EXPECT_EQ(choice.ChoiceLabel(3), nullptr);

    SKeyFrameRecord frames[2];
    frames[1].scale = 2.5;
    CEffectSetting layouts;
    ASSERT_TRUE(layouts.SetLayouts("Layout", "", frames, 2));
    EXPECT_FALSE(layouts.SetValue(0));

    CEffectSetting stored("Direction", 7);
    EXPECT_EQ(stored.kind, CEffectSetting::kUnset);
    EXPECT_TRUE(stored.SetValue(-12345));
    EXPECT_EQ(stored.value, -12345);
}

TEST(EffectSetting, CopiesOwnTheirListsAndTextsStayTerminated) {
    CEffectSetting choice;
    const char* labels[] = {"Left to Right", "Right to Left"};
    ASSERT_TRUE(choice.SetChoice("Direction", "Direction", 1, labels, 2));
    CEffectSetting copy(choice);
    std::strcpy(static_cast<char*>(choice.values), "Changed");
    EXPECT_STREQ(copy.ChoiceLabel(0), "Left to Right");
    EXPECT_NE(copy.values, choice.values);
    EXPECT_EQ(copy.value, 1);

    SKeyFrameRecord frame;
    frame.easing = 3;
    CEffectSetting layouts;
    layouts.SetLayouts("L", "", &frame, 1);
    CEffectSetting assigned;
    assigned = layouts;
    assigned = assigned; // self-assignment keeps the list
    ASSERT_NE(assigned.Layouts(), nullptr);
    EXPECT_EQ(assigned.Layouts()[0].easing, 3);
    EXPECT_NE(assigned.values, layouts.values);

    const std::string longKey(400, 'k');
    CEffectSetting stored(longKey.c_str(), 1);
    EXPECT_EQ(std::strlen(stored.key), 255u);
}
