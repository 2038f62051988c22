#include "base/codec.h"

#include <gtest/gtest.h>

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

} // namespace
