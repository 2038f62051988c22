#include "base/codec.h"

#include <array>
#include <optional>
#include <utility>

namespace tavir {

namespace {

// 0x80..0xFF. The five bytes the code page leaves undefined map to the C1 control of the
// same value, so that every byte shows as something and converts back to itself.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

// ISO-8859-2 from 0xA0 to 0xBF; below that it is ASCII and the C1 controls, as in Unicode,
// and from 0xC0 on it holds the same letters as Windows-1250.
constexpr std::array<char16_t, 32> kLatin2Signs = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, // A0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B, // A8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, // B0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, // B8
};

constexpr char32_t kInvalid = 0xFFFFFFFF;

struct Composition
{
    char base;
    char32_t mark;
    char32_t letter;
};

// The letters of Windows-1250 that decompose into an ASCII letter and one combining mark.
constexpr Composition kCompositions[] = {
    {'A', 0x0301, 0x00C1}, {'A', 0x0302, 0x00C2}, {'A', 0x0306, 0x0102}, {'A', 0x0308, 0x00C4},
    {'A', 0x0328, 0x0104}, {'C', 0x0301, 0x0106}, {'C', 0x030C, 0x010C}, {'C', 0x0327, 0x00C7},
    {'D', 0x030C, 0x010E}, {'E', 0x0301, 0x00C9}, {'E', 0x0308, 0x00CB}, {'E', 0x030C, 0x011A},
    {'E', 0x0328, 0x0118}, {'I', 0x0301, 0x00CD}, {'I', 0x0302, 0x00CE}, {'L', 0x0301, 0x0139},
    {'L', 0x030C, 0x013D}, {'N', 0x0301, 0x0143}, {'N', 0x030C, 0x0147}, {'O', 0x0301, 0x00D3},
    {'O', 0x0302, 0x00D4}, {'O', 0x0308, 0x00D6}, {'O', 0x030B, 0x0150}, {'R', 0x0301, 0x0154},
    {'R', 0x030C, 0x0158}, {'S', 0x0301, 0x015A}, {'S', 0x030C, 0x0160}, {'S', 0x0327, 0x015E},
    {'T', 0x030C, 0x0164}, {'T', 0x0327, 0x0162}, {'U', 0x0301, 0x00DA}, {'U', 0x0308, 0x00DC},
    {'U', 0x030A, 0x016E}, {'U', 0x030B, 0x0170}, {'Y', 0x0301, 0x00DD}, {'Z', 0x0301, 0x0179},
    {'Z', 0x0307, 0x017B}, {'Z', 0x030C, 0x017D}, {'a', 0x0301, 0x00E1}, {'a', 0x0302, 0x00E2},
    {'a', 0x0306, 0x0103}, {'a', 0x0308, 0x00E4}, {'a', 0x0328, 0x0105}, {'c', 0x0301, 0x0107},
    {'c', 0x030C, 0x010D}, {'c', 0x0327, 0x00E7}, {'d', 0x030C, 0x010F}, {'e', 0x0301, 0x00E9},
    {'e', 0x0308, 0x00EB}, {'e', 0x030C, 0x011B}, {'e', 0x0328, 0x0119}, {'i', 0x0301, 0x00ED},
    {'i', 0x0302, 0x00EE}, {'l', 0x0301, 0x013A}, {'l', 0x030C, 0x013E}, {'n', 0x0301, 0x0144},
    {'n', 0x030C, 0x0148}, {'o', 0x0301, 0x00F3}, {'o', 0x0302, 0x00F4}, {'o', 0x0308, 0x00F6},
    {'o', 0x030B, 0x0151}, {'r', 0x0301, 0x0155}, {'r', 0x030C, 0x0159}, {'s', 0x0301, 0x015B},
    {'s', 0x030C, 0x0161}, {'s', 0x0327, 0x015F}, {'t', 0x030C, 0x0165}, {'t', 0x0327, 0x0163},
    {'u', 0x0301, 0x00FA}, {'u', 0x0308, 0x00FC}, {'u', 0x030A, 0x016F}, {'u', 0x030B, 0x0171},
    {'y', 0x0301, 0x00FD}, {'z', 0x0301, 0x017A}, {'z', 0x0307, 0x017C}, {'z', 0x030C, 0x017E},
};

// Characters that Unicode's canonical composition replaces by one Windows-1250 has (K the
// Kelvin sign becomes K, the Greek question mark a semicolon, …).
constexpr std::array<std::pair<char32_t, char16_t>, 5> kSingletons = {
    {{0x037E, u';'}, {0x0387, 0x00B7}, {0x1FEF, u'`'}, {0x1FFD, 0x00B4}, {0x212A, u'K'}}};

// Typed text as Windows-1250 bytes, composed first as Unicode's NFC would compose it: text
// pasted in decomposed form ("z" followed by U+0307) must give the same bytes as "ż".
// Windows-1250's letters carry at most one mark on an ASCII letter, so composing the letter
// before a mark is all the composition that can change the bytes.
template <typename ForEach> std::string toCp1250(ForEach forEach)
{
    std::string bytes;
    char32_t previous = 0;
    forEach([&](char32_t c) {
        for (const auto& [from, to] : kSingletons) {
            if (c == from)
                c = to;
        }
        if (const char32_t letter = isCombiningMark(c) ? composeCp1250(previous, c) : 0) {
            bytes.back() = *unicodeToCp1250(letter);
            previous = letter;
            return;
        }
        bytes += unicodeToCp1250(c).value_or(kUnmappable);
        previous = c;
    });
    return bytes;
}

// Calls sink(code point) for each character; broken sequences give kInvalid.
template <typename Sink> void forEachUtf16(std::u16string_view text, Sink sink)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            sink(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            sink(kInvalid);
        } else {
            sink(unit);
        }
    }
}

template <typename Sink> void forEachUtf8(std::string_view text, Sink sink)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = lead < 0x80   ? 0
                                  : lead < 0xC2 ? 4
                                  : lead < 0xE0 ? 1
                                  : lead < 0xF0 ? 2
                                  : lead < 0xF5 ? 3
                                                : 4;
        char32_t c = extra == 0 ? lead : lead & (0x3Fu >> extra);
        bool ok = extra < 4 && i + extra < text.size();
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3Fu);
        }
        const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        if (!ok || overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            sink(kInvalid);
            ++i;
        } else {
            sink(c);
            i += extra + 1;
        }
    }
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool appendEscaped(std::string& out, char c)
{
    switch (c) {
    case '&':
        out += "&amp;";
        return true;
    case '<':
        out += "&lt;";
        return true;
    case '>':
        out += "&gt;";
        return true;
    case '"':
        out += "&quot;";
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<char> unicodeToCp1250(char32_t c)
{
    if (c < 0x80)
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

char32_t composeCp1250(char32_t base, char32_t mark)
{
    for (const Composition& c : kCompositions) {
        if (char32_t(static_cast<unsigned char>(c.base)) == base && c.mark == mark)
            return c.letter;
    }
    return 0;
}

char16_t cp1250ToUnicode(unsigned char byte)
{
    return byte < 0x80 ? char16_t(byte) : kHighHalf[byte - 0x80];
}

namespace {
template <typename Text> Text cp1250To(std::string_view bytes)
{
    Text text(bytes.size(), 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = cp1250ToUnicode(static_cast<unsigned char>(bytes[i]));
    return text;
}
} // namespace

std::u16string cp1250ToUtf16(std::string_view bytes)
{
    return cp1250To<std::u16string>(bytes);
}

std::string cp1250ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (const char b : bytes)
        appendUtf8(text, cp1250ToUnicode(static_cast<unsigned char>(b)));
    return text;
}

std::string utf16ToCp1250(std::u16string_view text)
{
    return toCp1250([text](auto sink) { forEachUtf16(text, sink); });
}

std::string utf8ToCp1250(std::string_view text)
{
    return toCp1250([text](auto sink) { forEachUtf8(text, sink); });
}

std::string utf16ToCp1250Html(std::u16string_view text)
{
    std::string bytes;
    forEachUtf16(text, [&](char32_t c) {
        if (const auto b = unicodeToCp1250(c)) {
            if (!appendEscaped(bytes, *b))
                bytes += *b;
        } else {
            bytes += "&#" + std::to_string(c == kInvalid ? 0xFFFD : c) + ";";
        }
    });
    return bytes;
}

std::string escapeHtml(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        if (!appendEscaped(out, b))
            out += b;
    }
    return out;
}

bool isValidUtf8(std::string_view bytes)
{
    bool valid = true;
    forEachUtf8(bytes, [&](char32_t c) { valid = valid && c != kInvalid; });
    return valid;
}

std::u32string utf8ToUtf32(std::string_view bytes)
{
    std::u32string text;
    text.reserve(bytes.size());
    forEachUtf8(bytes, [&](char32_t c) { text += c == kInvalid ? U'\uFFFD' : c; });
    return text;
}

std::u32string cp1250ToUtf32(std::string_view bytes)
{
    return cp1250To<std::u32string>(bytes);
}

std::u32string iso88592ToUtf32(std::string_view bytes)
{
    std::u32string text(bytes.size(), U'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte < 0xA0   ? char32_t(byte)
                  : byte < 0xC0 ? kLatin2Signs[byte - 0xA0]
                                : kHighHalf[byte - 0x80];
    }
    return text;
}

} // namespace tavir
