#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace tavir::fuzz {

// A broken property aborts, so libFuzzer keeps the input as a crash.
inline void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Cuts the input at the first `count` unit separators (0x1F); the last field is the rest.
// Missing fields are empty, so every input means something.
inline std::vector<std::string_view> fields(std::string_view input, std::size_t count)
{
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t cut = input.find('\x1F');
        out.push_back(input.substr(0, cut));
        input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    }
    out.push_back(input);
    return out;
}

inline char foldAsciiReference(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace tavir::fuzz

namespace tavir::fuzz {

inline bool isIniBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

inline bool isTrimmed(std::string_view text)
{
    return text.empty() || (!isIniBlank(text.front()) && !isIniBlank(text.back()));
}

inline bool holdsLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names that the store can write as "[section]" and "key=" lines and find again: one line,
// no blanks at either end, and a key that cannot be taken for a comment, a header or a value.
inline bool writableSection(std::string_view section)
{
    return !holdsLineBreakOrNul(section) && isTrimmed(section);
}

inline bool writableKey(std::string_view key)
{
    return !holdsLineBreakOrNul(key) && isTrimmed(key) && key.find('=') == std::string_view::npos &&
           (key.empty() || (key.front() != ';' && key.front() != '['));
}

inline bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAsciiReference(a[i]) != foldAsciiReference(b[i]))
            return false;
    return true;
}

} // namespace tavir::fuzz
