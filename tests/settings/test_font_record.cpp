#include "settings/font_record.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using tavir::FontRecord;
using tavir::test::TempDir;

namespace {

FontRecord readFrom(const std::string& body)
{
    TempDir dir;
    return tavir::ReadFontSection(dir.write("f.ini", "[f]\r\n" + body), "F");
}

TEST(FontRecord, WrittenInOrderAndReadBack)
{
    TempDir dir;
    const auto ini = dir.file("f.ini");
    const FontRecord font{"Times New Roman", 14, 255, true, false, true};
    tavir::WriteFontSection(font, ini, "Wyniki_font");
    EXPECT_EQ(TempDir::read(ini),
              "[Wyniki_font]\r\nface=Times New Roman\r\nsize=14\r\ncolor=255\r\n"
              "bold=1\r\nitalic=0\r\nunderline=1\r\n");
    EXPECT_EQ(tavir::ReadFontSection(ini, "wyniki_FONT"), font);
    EXPECT_EQ(tavir::ReadFontSection(ini, "LOOpa_font"), FontRecord{});
    EXPECT_EQ(FontRecord{}.color, static_cast<std::int32_t>(0x80000008u));
}

TEST(FontRecord, ValuesThatFallBack)
{
    for (const char* text : {"2", "yes", "-1", "", "true"})
        EXPECT_FALSE(readFrom(std::string("bold=") + text + "\r\nitalic=" + text).bold) << text;
    const FontRecord on = readFrom("bold=1\r\nitalic=01\r\nunderline=$1");
    EXPECT_TRUE(on.bold && on.italic && on.underline);
    for (const char* size : {"0x0C", "$C", " 12"})
        EXPECT_EQ(readFrom(std::string("size=") + size).size, 12) << size;
    for (const char* size : {"abc", "12pt", "-$C", ""})
        EXPECT_EQ(readFrom(std::string("size=") + size).size, 8) << size;
    EXPECT_EQ(readFrom("color=$FF").color, 255);
    EXPECT_EQ(readFrom("face=").face, "MS Sans Serif");
    EXPECT_EQ(readFrom("face=\xA3\xF3\x64\x9F").face, "\xA3\xF3\x64\x9F");
    EXPECT_EQ(readFrom("face=" + std::string(40, 'F')).face, std::string(31, 'F'));
}

} // namespace
