#include "settings/font_record.h"

#include "settings/profile.h"

namespace tavir {

void writeFontRecord(const FontRecord& font, profile::Batch& batch, std::string_view section)
{
    batch.writeString(section, "face", font.face);
    batch.writeInteger(section, "size", font.size);
    batch.writeInteger(section, "color", font.color);
    batch.writeInteger(section, "bold", font.bold ? 1 : 0);
    batch.writeInteger(section, "italic", font.italic ? 1 : 0);
    batch.writeInteger(section, "underline", font.underline ? 1 : 0);
}

void writeFontRecord(const FontRecord& font, const std::string& path, std::string_view section)
{
    profile::Batch batch(path);
    writeFontRecord(font, batch, section);
    batch.commit();
}

FontRecord readFontRecord(const std::string& path, std::string_view section)
{
    FontRecord font;
    const std::string face = profile::readString(path, section, "face", font.face);
    if (!face.empty())
        font.face = face.substr(0, kMaxFaceLength);
    font.size = profile::readInteger(path, section, "size", font.size);
    font.color = profile::readInteger(path, section, "color", font.color);
    // Only the value 1 switches a style on; "2" or "yes" leave it off.
    font.bold = profile::readInteger(path, section, "bold", 0) == 1;
    font.italic = profile::readInteger(path, section, "italic", 0) == 1;
    font.underline = profile::readInteger(path, section, "underline", 0) == 1;
    return font;
}

} // namespace tavir
