#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavir {

// A font as the settings file stores it. The colour is 0x00BBGGRR for a plain colour, or
// 0x80000000 plus an index for one of the desktop's own colours (see toQColor). The face is
// Windows-1250 text.
struct FontRecord
{
    std::string face = "MS Sans Serif";
    int size = 8;                     // points
    std::int32_t color = -2147483640; // 0x80000008, the system window-text colour
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const FontRecord&) const = default;
};

// Longest face name a font record keeps: a longer one read from the file is cut at 31 bytes,
// as earlier versions of the program cut it, so a font they saved reads back the same.
inline constexpr std::size_t kMaxFaceLength = 31;

namespace profile {
class Batch;
}

// Keys "face", "size", "color", "bold", "italic", "underline" in the given section.
void WriteFontSection(const FontRecord& font, const std::string& path, std::string_view section);
// The same keys added to a batch of writes.
void WriteFontSection(const FontRecord& font, profile::Batch& batch, std::string_view section);

// Built from the section over a fresh default record, never from the font it will replace.
FontRecord ReadFontSection(const std::string& path, std::string_view section);

} // namespace tavir
