#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// Builds a quotation file from text kept elsewhere: `fortune` files (entries separated by a
// line holding only "%") or plain text with one quotation per line, in UTF-8, ISO-8859-2 or
// Windows-1250, with lines ended by LF, CR LF or CR alone. The text streams through: a file is
// read a block at a time, and only the entry being built is held whole.

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
// The name --encoding takes: "utf-8", "iso-8859-2", "windows-1250".
std::string_view importEncodingName(ImportEncoding encoding);
std::string_view importFormatName(ImportFormat format);

// What a file's bytes tell of their encoding.
struct DetectedEncoding
{
    // The encoding to read the file in; nothing when the bytes do not tell.
    std::optional<ImportEncoding> encoding;
    // For a reader: "ascii", "utf-8", "iso-8859-2", "windows-1250", or "iso-8859-2/windows-1250"
    // when the file holds only letters the two have at the same place. When nothing is told,
    // why not.
    std::string_view name;
    std::uint64_t line = 0; // the line that decided a refusal, from 1
};

// One pass over a file's bytes, a block at a time, for its format and encoding.
//
// Format: a file holding a line of only "%" is a fortune file; anything else is one quotation
// a line.
//
// Encoding, from evidence only:
// - no byte from 0x80 on: ASCII, read the same in all three;
// - valid UTF-8 holding a multi-byte sequence: UTF-8; bytes that break UTF-8 beside such
//   sequences are a mix, refused;
// - otherwise a single-byte encoding. A byte speaks for Windows-1250 when ISO-8859-2 has a
//   control there (0x80-0x9F, those Windows-1250 defines: Ś Ť Ž Ź ś ť ž ź Š š, quotes, dashes),
//   and for ISO-8859-2 when it is a letter there (Ą Ś Ź ą ś at 0xA1 0xA6 0xAC 0xB1 0xB6) and
//   Windows-1250 has a sign no text is written with (ˇ ¦ ¬ ± ¶). Evidence for one alone decides;
//   evidence for both is refused, and so is a file with no evidence but a byte the two read as
//   different characters (0xA5 0xA9 0xAB 0xAE 0xB5 0xB7 0xB9 0xBB 0xBC 0xBE: Ľ/Ą, Š/©, Ť/«, …).
//   A file whose high bytes mean the same in both (ó ł ę ć ń ż …) is read either way.
class ImportScan
{
public:
    void add(std::string_view block);
    ImportFormat format() const;
    // After the last block.
    DetectedEncoding encoding() const;

private:
    std::uint64_t line_ = 1;
    bool afterCr_ = false;
    int lineShape_ = 0; // 0 nothing yet, 1 only "%", 2 anything else
    bool fortune_ = false;
    bool high_ = false;
    // UTF-8: continuation bytes still wanted, the code point so far, the sequence's length.
    int need_ = 0;
    int length_ = 0;
    char32_t point_ = 0;
    std::uint64_t firstInvalid_ = 0;
    std::uint64_t firstMultiByte_ = 0;
    std::uint64_t windows_ = 0; // first line with evidence for Windows-1250
    std::uint64_t latin_ = 0;   // ... for ISO-8859-2
    std::uint64_t differ_ = 0;  // ... with a byte the two read differently
};

ImportFormat detectImportFormat(std::string_view bytes);
DetectedEncoding detectImportEncoding(std::string_view bytes);

std::u32string decodeImportText(std::string_view bytes, ImportEncoding encoding);

// The entries of decoded text, each as its lines, before any normalisation. Lines end at LF,
// CR LF or CR. In a fortune file the nothing before a leading "%" line and after a trailing one
// is no entry; every other stretch between separators is, even an empty one.
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

// Where an import writes its collection. A repeated entry is told by reading back what was
// written, so no entry is kept in memory once written.
class ImportSink
{
public:
    virtual ~ImportSink() = default;
    virtual void write(std::string_view bytes) = 0;
    // Whether the bytes written from `offset` on begin with `bytes`.
    virtual bool wrote(std::uint64_t offset, std::string_view bytes) = 0;
};

class StringImportSink final : public ImportSink
{
public:
    void write(std::string_view bytes) override { bytes_ += bytes; }
    bool wrote(std::uint64_t offset, std::string_view bytes) override;
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Gathers entries from any number of files into one collection, first occurrence first,
// written to the sink as they come: Windows-1250, CR LF after every line, the closing line last
// (finish()). A file's own closing line "Koniec bazy cytatów" (an imported collection's last
// line) is no entry.
class ImportStream
{
public:
    explicit ImportStream(ImportSink& sink);
    ~ImportStream();
    ImportStream(const ImportStream&) = delete;
    ImportStream& operator=(const ImportStream&) = delete;

    void beginFile(ImportFormat format, ImportEncoding encoding);
    void add(std::string_view block);
    void endFile();
    void finish();

    const ImportCounts& counts() const;
    // The figures for standard error, one a line.
    std::string summary() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The whole import in memory, for callers holding whole files.
class QuoteImport
{
public:
    QuoteImport();
    // Format and encoding are detected for this file when not given; an encoding that cannot
    // be told throws Error, naming the line.
    void addFile(std::string_view bytes, std::optional<ImportFormat> format = std::nullopt,
                 std::optional<ImportEncoding> encoding = std::nullopt);

    std::string collection();
    const ImportCounts& counts() const { return stream_.counts(); }
    std::string summary() const { return stream_.summary(); }

private:
    StringImportSink sink_;
    ImportStream stream_;
    bool finished_ = false;
};

// "Koniec bazy cytatów" in Windows-1250: the last line of an imported collection.
inline constexpr std::string_view kImportClosingLine = "Koniec bazy cytat\xF3w";

} // namespace tavir
