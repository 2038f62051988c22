#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavir {

// Folds a-z to A-Z; every other byte, Polish letters included, stays as it is.
constexpr char foldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}
std::string foldAscii(std::string_view text);

// Finds a needle in text with a-z and A-Z taken as equal, scanning many bytes at a time.
class FoldedFinder
{
public:
    explicit FoldedFinder(std::string_view needle);

    // Position of the first occurrence at or after `from`, or npos. An empty needle is
    // found at `from`.
    std::size_t find(std::string_view text, std::size_t from = 0) const;

    static constexpr std::size_t npos = std::string_view::npos;

private:
    bool matchesAt(const char* p) const;

    std::string needle_; // folded
};

} // namespace tavir
