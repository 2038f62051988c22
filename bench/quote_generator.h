#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavir::bench {

// Queries whose hit rates the generator controls; bytes in Windows-1250.
inline constexpr std::string_view kFewHitsQuery = "kacze\xF1"
                                                  "ce";   // "kaczeńce", about 1 line in 1000
inline constexpr std::string_view kManyHitsQuery = "nie"; // most lines
inline constexpr std::string_view kNoHitsQuery = "xqzw";  // no line

inline constexpr std::size_t kDefaultQuotations = 1'000'000;
inline constexpr std::uint64_t kDefaultSeed = 20050818;

// A collection of `quotations` Polish-like lines of about 100 bytes in Windows-1250, each
// ended by CR LF, followed by a closing line that none of the queries above matches. The same
// arguments give the same bytes on every machine and compiler.
std::string generateQuotes(std::size_t quotations = kDefaultQuotations,
                           std::uint64_t seed = kDefaultSeed);

} // namespace tavir::bench
