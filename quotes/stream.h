#pragma once

#include "quotes/finder.h"
#include "quotes/queries.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tavir {

class MappedFile;

// A search or a listing of all quotations over a file read in pieces: each piece is scanned
// while it is in cache and its results are added at once, a line cut by the end of a piece
// is carried into the next, and the file's last line is never added. The list sees the same
// calls as from FiltrujDane: begin and clear at construction, end at finish(). Memory stays at a
// piece and the longest line, whatever the size of the file: a mapped file's pages are given
// back once they are passed.
class QueryStream
{
public:
    // An empty query lists every quotation. Options as for the window's search.
    QueryStream(std::string_view query, ResultList& list, const FoldTable& fold = asciiFoldTable());
    ~QueryStream();
    QueryStream(const QueryStream&) = delete;
    QueryStream& operator=(const QueryStream&) = delete;

    // The next piece of the file. Returns false once the text has ended at a NUL; later
    // pieces are not looked at.
    bool feed(std::string_view piece);
    // The file has ended: adds what is left, except the last line. Call it once.
    void finish();

    // How a file is read: mapped and looked at a window at a time (the default, with reading
    // as the fallback), or read in pieces.
    enum class Access
    {
        Map,
        Read
    };
    // Goes through a whole file, `pieceSize` bytes at a time (whole pages when mapped), and
    // finishes; raises "Cannot open file <path>" when it cannot be read.
    void readFile(const std::string& path, std::size_t pieceSize = kPieceSize,
                  Access access = Access::Map);

    static constexpr std::size_t kPieceSize = std::size_t(1) << 21;

    // Goes through bytes [begin, end) of a mapped file as readFile does, and finishes, for a
    // range cut at line starts (cutAtLineStart) that a thread takes alone. The range's last
    // line is added too when `textGoesOn` (textGoesOnAt(end)): it is then not the text's last.
    // Its pages are mapped at once and left mapped: the caller gives them back. Returns whether
    // the text goes on after the range: `textGoesOn`, and no NUL in the range.
    bool readRange(MappedFile& file, std::size_t begin, std::size_t end, bool textGoesOn);

private:
    // Room for `more` bytes after the carried ones.
    char* reserve(std::size_t more);
    // Takes `n` new bytes placed after the carried ones; false once a NUL ended the text.
    bool take(std::size_t n);
    // `text` holds `size` bytes that begin at the start of a line, the last `fresh` of them
    // not looked at before. Adds the lines known not to be the last, and returns how many
    // bytes they take; a NUL among the fresh bytes ends the text and shortens `size`.
    std::size_t advance(const char* text, std::size_t& size, std::size_t fresh);
    // The text has ended after `size` bytes that begin at the start of a line, or, when
    // `textGoesOn`, goes on after them at the start of a line. Returns whether it goes on: a
    // NUL ends it.
    bool finishText(const char* text, std::size_t size, bool textGoesOn = false);
    // Bytes [begin, end) of the file, a window at a time, given back once `releaseWindows`
    // windows of whole blocks are passed (never for SIZE_MAX). Returns as finishText.
    bool readMapped(MappedFile& file, std::size_t windowSize, std::size_t begin, std::size_t end,
                    bool textGoesOn, std::size_t releaseWindows);
    void scan(std::string_view lines);

    ResultList& list_;
    std::optional<FoldedFinder> finder_; // none: list every line
    bool findsNothing_ = false;
    bool ended_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t filled_ = 0; // begins at the start of a line not yet added
};

} // namespace tavir
