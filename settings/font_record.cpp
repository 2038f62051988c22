#include "settings/font_record.h"

#include "settings/profile.h"

namespace tavir {

namespace {
constexpr std::string_view kFaceKey = "face";
constexpr std::string_view kSizeKey = "size";
constexpr std::string_view kColorKey = "color";
constexpr std::string_view kBoldKey = "bold";
constexpr std::string_view kItalicKey = "italic";
constexpr std::string_view kUnderlineKey = "underline";
} // namespace

void WriteFontSection(const FontRecord& font, profile::Batch& batch, std::string_view section)
{
    batch.writeString(section, kFaceKey, font.face);
    batch.writeInteger(section, kSizeKey, font.size);
    batch.writeInteger(section, kColorKey, font.color);
    batch.writeInteger(section, kBoldKey, font.bold ? 1 : 0);
    batch.writeInteger(section, kItalicKey, font.italic ? 1 : 0);
    batch.writeInteger(section, kUnderlineKey, font.underline ? 1 : 0);
}

void WriteFontSection(const FontRecord& font, const std::string& path, std::string_view section)
{
    profile::Batch batch(path);
    WriteFontSection(font, batch, section);
    batch.commit();
}

FontRecord ReadFontSection(const std::string& path, std::string_view section)
{
    FontRecord font;
    const std::string face = profile::readString(path, section, kFaceKey, font.face);
    if (!face.empty())
        font.face = face.substr(0, kMaxFaceLength);
    font.size = profile::readInteger(path, section, kSizeKey, font.size);
    font.color = profile::readInteger(path, section, kColorKey, font.color);
    // Only the value 1 switches a style on; "2" or "yes" leave it off.
    font.bold = profile::readInteger(path, section, kBoldKey, 0) == 1;
    font.italic = profile::readInteger(path, section, kItalicKey, 0) == 1;
    font.underline = profile::readInteger(path, section, kUnderlineKey, 0) == 1;
    return font;
}

} // namespace tavir
