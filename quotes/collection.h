#pragma once

#include "lines.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavir {

// The quote collection: the data file's text in one buffer and the place of every line in
// it. The last line is not a quotation; the queries never reach it.
class QuoteCollection
{
public:
    QuoteCollection() = default;

    // Reads the whole file; raises "Cannot open file <path>" when it cannot be read.
    static QuoteCollection fromFile(const std::string& path);
    static QuoteCollection fromBytes(std::string bytes);

    std::size_t count() const { return lines_.size(); }
    std::string_view line(std::size_t i) const
    {
        return {text_.get() + lines_[i].begin, lines_[i].length};
    }
    const LineSpan& span(std::size_t i) const { return lines_[i]; }
    std::string_view text() const { return {text_.get(), size_}; }

    // Count - 1: the number of quotations, -1 for an empty file.
    std::int64_t quotationCount() const { return static_cast<std::int64_t>(count()) - 1; }
    std::string counterText() const { return std::to_string(quotationCount()); }

    // Frees the buffer; afterwards the collection is empty.
    void release();

private:
    static QuoteCollection fromBuffer(std::unique_ptr<char[]> buffer, std::size_t size);

    std::unique_ptr<char[]> text_;
    std::size_t size_ = 0;
    std::vector<LineSpan> lines_;
};

} // namespace tavir
