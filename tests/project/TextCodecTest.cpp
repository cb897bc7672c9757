#include "project/TextCodec.h"

#include <gtest/gtest.h>

using namespace TextCodec;

TEST(TextCodec, EveryCp1252ByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        std::string byte(1, char(b));
        std::string utf8 = FromCp1252(byte);
        std::string back;
        EXPECT_TRUE(ToCp1252(utf8, back)) << b;
        EXPECT_EQ(back, byte) << b;
    }
    EXPECT_EQ(FromCp1252("\x80\x9f\xe9"), "\u20ac\u0178\u00e9");
    // Unassigned bytes become the C1 controls of the same value.
    EXPECT_EQ(FromCp1252("\x81"), "\u0081");
}

TEST(TextCodec, CharactersOutsideCp1252AreReplacedAndReported) {
    std::string out;
    EXPECT_FALSE(ToCp1252("a\u4e2db", out));
    EXPECT_EQ(out, "a?b");
    EXPECT_FALSE(FitsCp1252("\u0416"));
    EXPECT_TRUE(FitsCp1252("Caf\u00e9 \u20ac5"));
    // Malformed UTF-8 has no Windows-1252 form either.
    EXPECT_FALSE(FitsCp1252("\xc3"));
}

TEST(TextCodec, Utf16RoundTripsIncludingSurrogatePairs) {
    std::string text = "A\u00e9\u20ac\U0001F600z";
    std::string le = ToUtf16Le(text);
    EXPECT_EQ(le.size(), 2u * 6u);
    EXPECT_EQ(le.substr(0, 2), std::string("A\0", 2));
    EXPECT_EQ(le.substr(6, 4), std::string("\x3d\xd8\x00\xde", 4)); // D83D DE00
    EXPECT_EQ(FromUtf16Le(le), text);
    EXPECT_EQ(FromUtf16(ToUtf16(text)), text);
}

TEST(TextCodec, MalformedInputBecomesReplacementCharacters) {
    const std::string fffd = "\uFFFD";
    // A lone high surrogate, a lone low surrogate, an odd trailing byte.
    EXPECT_EQ(FromUtf16(u"\xD800x"), fffd + "x");
    EXPECT_EQ(FromUtf16(u"x\xDC00"), "x" + fffd);
    EXPECT_EQ(FromUtf16Le(std::string("a\0b", 3)), "a" + fffd);
    // Overlong forms, surrogates encoded in UTF-8, truncation and stray continuation bytes.
    for (std::string bad : {"\xc0\xaf", "\xed\xa0\x80", "\xe2\x82", "\x80", "\xf4\x90\x80\x80"}) {
        std::size_t pos = 0;
        EXPECT_EQ(DecodeUtf8(bad, pos), U'\uFFFD') << bad;
        EXPECT_EQ(pos, 1u);
    }
}

TEST(TextCodec, CaseFoldingCoversTheLettersOfNames) {
    EXPECT_EQ(FoldCase("ABC \u00c4\u00d6\u00dc \u00d7 \u0152 \u0178"),
              "abc \u00e4\u00f6\u00fc \u00d7 \u0153 \u00ff");
    EXPECT_EQ(FoldCase("\u0393\u0401\u0416"), "\u03b3\u0451\u0436");
    EXPECT_EQ(FoldCase("\u0139\u017d"), "\u013a\u017e");
    EXPECT_TRUE(EqualNoCase("Fade Plugin", "FADE plugin"));
    EXPECT_FALSE(EqualNoCase("Fade", "Fades"));
}
