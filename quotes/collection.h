#pragma once

#include "quotes/lines.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// The counter's text for a file of `lines` lines: one less, since the last line is not a
// quotation; "-1" for an empty file.
inline std::string counterText(std::size_t lines)
{
    return std::to_string(static_cast<std::int64_t>(lines) - 1);
}

// Counts the lines of a file as the collection would split it, reading it in pieces;
// raises "Cannot open file <path>" when it cannot be read.
std::size_t countFileLines(const std::string& path);

// A byte buffer left uninitialised. Large ones are mapped pages, asked for as huge pages, so
// reading the file into them is the only pass that touches them.
class TextBuffer
{
public:
    TextBuffer() = default;
    explicit TextBuffer(std::size_t capacity);
    ~TextBuffer();
    TextBuffer(TextBuffer&& other) noexcept;
    TextBuffer& operator=(TextBuffer&& other) noexcept;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    char* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }

private:
    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
};

// The quote collection: the data file's text in one buffer, read once (later changes to the
// file are never seen), and the start of every line in it. The last line is not a quotation;
// the queries never reach it.
class QuoteCollection
{
public:
    QuoteCollection() = default;

    // Reads the whole file; raises "Cannot open file <path>" when it cannot be read.
    static QuoteCollection fromFile(const std::string& path);
    static QuoteCollection fromBytes(std::string bytes);

    // Every line of the file, the last one included.
    std::size_t lineCount() const { return starts_.empty() ? 0 : starts_.size() - 1; }
    // The lines that are quotations: all but the last.
    std::size_t quotationCount() const { return lineCount() > 0 ? lineCount() - 1 : 0; }
    std::string_view line(std::size_t i) const
    {
        const std::size_t begin = starts_[i];
        return {text_.data() + begin, lineEnd(text_.data(), begin, starts_[i + 1]) - begin};
    }
    // Where line i begins in text(); lineStart(lineCount()) is where the text after the last
    // line's terminator begins.
    std::size_t lineStart(std::size_t i) const { return starts_[i]; }
    std::string_view text() const { return {text_.data(), size_}; }
    // The line that holds byte `offset` of text(), looked for between line `first`, which
    // begins at or before it, and line `last`, which begins after it.
    std::size_t lineHolding(std::size_t offset, std::size_t first, std::size_t last) const;

    // The number of quotations, -1 for an empty file.
    std::string counterText() const { return tavir::counterText(lineCount()); }

    // Frees the buffer; afterwards the collection is empty.
    void release();

private:
    static QuoteCollection fromBuffer(TextBuffer buffer, std::size_t size);

    TextBuffer text_;
    std::size_t size_ = 0;
    LineTable starts_ = [] {
        LineTable table;
        table.push_back(0);
        return table;
    }();
};

} // namespace tavir
