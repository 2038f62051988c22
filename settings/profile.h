#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Single values of an INI file, read and written one at a time. Nothing is cached: every call opens
// the file anew, and a write changes only the one line it concerns (or adds one), so hand edits
// survive.
namespace tavir::profile {

// Longest value a read returns: a longer one is cut at 2047 bytes, as earlier versions of the
// program read their settings back, so a file they wrote gives the same values.
inline constexpr std::size_t kMaxValueLength = 2047;

// The value of `key` in the first section called `section` (names compare ignoring ASCII
// case), trimmed and without one pair of enclosing quotes. A missing file, section or key
// gives `fallback`; reading never fails. What is no regular file, or is larger than any
// settings file (16 MiB), reads as missing and is never replaced. A leading UTF-8 byte-order
// mark is skipped, and kept when the file is rewritten.
std::string readString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view fallback);
// The same lookup in a file's bytes already in memory.
std::string readStringIn(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view fallback);

// Sets `key` in `section`, creating the key, the section or the file as needed. The file is
// replaced atomically, through symbolic links, under the lock a Batch takes; raises "Unable to
// write to <path>" when that fails. A value is one line of text: anything from its first CR, LF or
// NUL on is not stored.
void writeString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value);

// Several writes to one file that share one read, one lock on its folder and one atomic
// replace; the file ends exactly as after the same writes made one by one. Writes are only
// collected until commit(), which raises "Unable to write to <path>" when it fails; a batch
// dropped without commit() writes nothing.
// While the file does not exist at all, the batch starts from the contents of the file
// `startingValues` when one is named (settings shipped with the program), read under the same
// lock as the write and as a settings file is read: one that reads as missing gives nothing.
class Batch
{
public:
    explicit Batch(std::string path, std::string startingValues = {})
        : path_(std::move(path)), startingValues_(std::move(startingValues))
    {
    }

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void commit();

private:
    struct Edit
    {
        std::string section;
        std::string key;
        std::string value;
    };

    std::string path_;
    std::string startingValues_;
    std::vector<Edit> edits_;
};

// A stored integer: leading spaces, then a decimal number with an optional sign, from
// -2147483648 to 2147483647; or, with no spaces and no sign, "$", "x" or "0x" (either case)
// and at most eight significant hexadecimal digits, whose 32 bits are taken as they stand, so
// "$FFFFFFFF" is -1. Nothing may follow the digits.
std::optional<std::int32_t> parseInteger(std::string_view text);

std::int32_t readInteger(const std::string& path, std::string_view section, std::string_view key,
                         std::int32_t fallback);
void writeInteger(const std::string& path, std::string_view section, std::string_view key,
                  std::int32_t value);

} // namespace tavir::profile
