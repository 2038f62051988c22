#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavir {

// Builds a quotation file from text kept elsewhere: `fortune` files (entries separated by a
// line holding only "%") or plain text with one quotation per line, in UTF-8, ISO-8859-2 or
// Windows-1250.

enum class ImportFormat
{
    Fortune,
    Lines
};
enum class ImportEncoding
{
    Utf8,
    Iso88592,
    Windows1250
};

std::optional<ImportFormat> importFormatFromName(std::string_view name);
std::optional<ImportEncoding> importEncodingFromName(std::string_view name);

// A file holding a line of only "%" is a fortune file; anything else is one quotation a line.
ImportFormat detectImportFormat(std::string_view bytes);
// UTF-8 when the bytes are valid UTF-8, otherwise ISO-8859-2, what older Polish fortune
// files use.
ImportEncoding detectImportEncoding(std::string_view bytes);

std::u32string decodeImportText(std::string_view bytes, ImportEncoding encoding);

// The entries of decoded text, each as its lines, before any normalisation. In a fortune
// file the nothing before a leading "%" line and after a trailing one is no entry; every other
// stretch between separators is, even an empty one.
std::vector<std::vector<std::u32string>> splitImportEntries(std::u32string_view text,
                                                            ImportFormat format);

// One line of text, keeping the shape of a fortune: its lines are joined with " / ", the way a
// poem is quoted in one line; a line starting with "--" or an em dash names the author and
// joins as " – Author", and any line after it joins with a space. Runs of blanks become one
// space; blanks at both ends of a line, and empty lines, go. `joined`, when given, tells whether
// two lines or more were joined with " / ".
std::u32string normaliseImportEntry(const std::vector<std::u32string>& lines,
                                    bool* joined = nullptr);

struct Cp1250Text
{
    std::string bytes;
    std::size_t closest = 0; // characters written in their closest Windows-1250 form
    std::size_t unknown = 0; // characters written as "?"
};

// Windows-1250 bytes for a normalised entry: a character without a Windows-1250 form takes
// its closest one (a plainer quote, dash or space; a letter without its accent), else "?".
Cp1250Text toCp1250Closest(std::u32string_view text);

struct ImportCounts
{
    std::size_t read = 0;
    std::size_t written = 0;
    std::size_t empty = 0;
    std::size_t duplicates = 0;
    std::size_t closest = 0;
    std::size_t unknown = 0;
    std::size_t joined = 0; // written entries whose lines were joined with " / "
};

// Gathers entries from any number of files into one collection, first occurrence first.
class QuoteImport
{
public:
    // Format and encoding are detected for this file when not given.
    void addFile(std::string_view bytes, std::optional<ImportFormat> format = std::nullopt,
                 std::optional<ImportEncoding> encoding = std::nullopt);

    // The collection file: Windows-1250, CR LF after every line, the closing line last.
    std::string collection() const;
    const ImportCounts& counts() const { return counts_; }
    // The figures for standard error, one a line.
    std::string summary() const;

private:
    void addEntry(const std::vector<std::u32string>& lines);

    ImportCounts counts_;
    std::string body_;
    std::unordered_set<std::string> seen_;
};

// "Koniec bazy cytatów" in Windows-1250: the last line of an imported collection.
inline constexpr std::string_view kImportClosingLine = "Koniec bazy cytat\xF3w";

} // namespace tavir
