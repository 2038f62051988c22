#include "base/codec.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

TEST(Codec, PolishLettersBothWays)
{
    const std::string bytes =
        "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
    const std::u16string text = u"ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
    EXPECT_EQ(tavir::cp1250ToUtf16(bytes), text);
    EXPECT_EQ(tavir::cp1250ToUtf8(bytes), "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
    EXPECT_EQ(tavir::utf16ToCp1250(text), bytes);
    EXPECT_EQ(tavir::utf8ToCp1250("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"), bytes);
}

// Pasted text is often decomposed: the letter must come out as the letter typed whole.
TEST(Codec, TypedTextIsComposedFirst)
{
    const std::string nul(1, tavir::kUnmappable);
    const std::pair<const char*, std::string> cases[] = {
        {"z\u0307o\u0301łw", "\xBF\xF3\xB3w"},
        {"Z\u0301a\u0328E\u0328S\u0301n\u0301C\u0301", "\x8F\xB9\xCA\x8C\xF1\xC6"},
        {"o\u030Bu\u030AT\u030C", "\xF5\xF9\x8D"},
        {"\u212A\u037E", "K;"},
        {"e\u0328\u0328", "\xEA" + nul},
        {"\u0307z", nul + "z"},
        {"x\u0307", "x" + nul},
    };
    for (const auto& [typed, bytes] : cases)
        EXPECT_EQ(tavir::utf8ToCp1250(typed), bytes) << typed;
    EXPECT_EQ(tavir::utf16ToCp1250(u"z\u0307o\u0301\u0141w"), "\xBF\xF3\xA3w");
}

TEST(Codec, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(tavir::utf16ToCp1250(tavir::cp1250ToUtf16(all)), all);
    EXPECT_EQ(tavir::utf8ToCp1250(tavir::cp1250ToUtf8(all)), all);
    EXPECT_EQ(tavir::cp1250ToUnicode(0x80), u'€');
    EXPECT_EQ(tavir::cp1250ToUnicode(0x84), u'„');
    EXPECT_EQ(tavir::cp1250ToUnicode(0x81), u'\u0081');
}

TEST(Codec, CharactersWithoutAFormBecomeUnmappable)
{
    const std::string nul(1, tavir::kUnmappable);
    EXPECT_EQ(tavir::utf16ToCp1250(u"a日b"), "a" + nul + "b");
    EXPECT_EQ(tavir::utf16ToCp1250(u"😀"), nul); // one character, two units
    EXPECT_EQ(tavir::utf16ToCp1250(std::u16string(1, char16_t(0xD800))), nul);
    EXPECT_EQ(tavir::utf8ToCp1250("a\xE6\x97\xA5"
                                  "b"),
              "a" + nul + "b");
    EXPECT_EQ(tavir::utf8ToCp1250("\xF0\x9F\x98\x80"), nul);
    EXPECT_EQ(tavir::utf8ToCp1250("\xC3"), nul); // cut short
    EXPECT_EQ(tavir::utf8ToCp1250("\xC0\xAF"
                                  "x"),
              nul + nul + "x");                                      // overlong
    EXPECT_EQ(tavir::utf8ToCp1250("\xED\xA0\x80"), nul + nul + nul); // surrogate
}

TEST(Codec, HtmlEscapesMarkupAndReferencesForeignCharacters)
{
    EXPECT_EQ(tavir::utf16ToCp1250Html(u"<b>\"Tom & Jerry\"</b>"),
              "&lt;b&gt;&quot;Tom &amp; Jerry&quot;&lt;/b&gt;");
    EXPECT_EQ(tavir::utf16ToCp1250Html(u"miłość 日本"), "mi\xB3o\x9C\xE6 &#26085;&#26412;");
    EXPECT_EQ(tavir::utf16ToCp1250Html(u"😀"), "&#128512;");
    EXPECT_EQ(tavir::escapeHtml("a<\xB9>&\"'"), "a&lt;\xB9&gt;&amp;&quot;'");
}

// glibc's own ISO-8859-2 converter is the reference for the whole table.
TEST(Codec, Iso88592MatchesIconv)
{
    const iconv_t cd = ::iconv_open("UTF-32LE", "ISO-8859-2");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u32string ours = tavir::iso88592ToUtf32(all);
    ASSERT_EQ(ours.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        ASSERT_NE(::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
        const char32_t expected = char32_t(out[0]) | char32_t(out[1]) << 8 |
                                  char32_t(out[2]) << 16 | char32_t(out[3]) << 24;
        EXPECT_EQ(ours[static_cast<std::size_t>(b)], expected) << "byte " << b;
    }
    ::iconv_close(cd);
    // Where the two code pages differ for Polish letters.
    EXPECT_EQ(tavir::iso88592ToUtf32("\xB1\xB6\xBC\xA1\xA6\xAC"), U"ąśźĄŚŹ");
    EXPECT_EQ(tavir::cp1250ToUtf32("\xB9\x9C\x9F\xA5\x8C\x8F"), U"ąśźĄŚŹ");
}

TEST(Codec, Utf8ValidityIsStrict)
{
    EXPECT_TRUE(tavir::isValidUtf8(""));
    EXPECT_TRUE(tavir::isValidUtf8("zażółć gęślą jaźń – „cytat” 😀"));
    EXPECT_TRUE(tavir::isValidUtf8("\xF4\x8F\xBF\xBF")); // U+10FFFF
    for (const char* bad : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC5",
                            "a\xB1", "\x80", "\xFF", "\xE2\x80"}) {
        EXPECT_FALSE(tavir::isValidUtf8(bad)) << testing::PrintToString(std::string(bad));
    }
    EXPECT_EQ(tavir::utf8ToUtf32("a\xC5\xBC\xF0\x9F\x98\x80"), U"aż😀");
    EXPECT_EQ(tavir::utf8ToUtf32("a\xB1z"), U"a\uFFFDz");
}

TEST(Codec, WholeCodePointsToWindows1250)
{
    EXPECT_EQ(tavir::unicodeToCp1250(U'ż'), '\xBF');
    EXPECT_EQ(tavir::unicodeToCp1250(U'–'), '\x96');
    EXPECT_EQ(tavir::unicodeToCp1250(U'a'), 'a');
    EXPECT_EQ(tavir::unicodeToCp1250(U'ñ'), std::nullopt);
    EXPECT_EQ(tavir::unicodeToCp1250(U'😀'), std::nullopt);
}

} // namespace
