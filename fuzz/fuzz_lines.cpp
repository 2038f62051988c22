// The line splitter against a splitter written for clarity, byte by byte from the rules; the
// piecewise line counter and the collection must agree with both, and the cuts of a text into
// ranges fall on the first line start (or the NUL that ends the text) at or after each place.
#include "fuzz/fuzz_support.h"
#include "quotes/collection.h"
#include "quotes/lines.h"

#include <string>

namespace {

using tavir::LineSpan;
using tavir::fuzz::check;

std::vector<LineSpan> referenceLines(std::string_view bytes, std::size_t& textLength)
{
    textLength = std::min(bytes.find('\0'), bytes.size());
    std::vector<LineSpan> lines;
    std::size_t i = 0;
    while (i < textLength) {
        std::size_t j = i;
        while (j < textLength && bytes[j] != '\r' && bytes[j] != '\n')
            ++j;
        lines.push_back({i, j - i});
        if (j < textLength && bytes[j] == '\r')
            ++j;
        if (j < textLength && bytes[j] == '\n')
            ++j;
        i = j;
    }
    return lines;
}

bool sameSpans(const std::vector<LineSpan>& a, const std::vector<LineSpan>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].begin != b[i].begin || a[i].length != b[i].length)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte only chooses where the counter's pieces are cut.
    std::uint32_t cuts = data[0] * 2654435761u + 1u;
    const std::string bytes(tavir::fuzz::bytesOf(data + 1, size - 1));

    std::size_t expectedLength = 0;
    const auto expected = referenceLines(bytes, expectedLength);

    std::size_t textLength = 0;
    check(sameSpans(tavir::splitLines(bytes, &textLength), expected), "splitLines spans");
    check(textLength == expectedLength, "splitLines text length");

    const auto views = tavir::lineViews(bytes);
    check(views.size() == expected.size(), "lineViews count");
    for (std::size_t i = 0; i < views.size(); ++i)
        check(views[i] == std::string_view(bytes).substr(expected[i].begin, expected[i].length),
              "lineViews text");

    const auto quotes = tavir::QuoteCollection::fromBytes(bytes);
    check(quotes.lineCount() == expected.size(), "collection count");
    check(quotes.text() == std::string_view(bytes).substr(0, expectedLength), "collection text");
    for (std::size_t i = 0; i < quotes.lineCount(); ++i)
        check(quotes.line(i) == views[i], "collection line");

    tavir::LineCounter counter;
    std::string_view rest = bytes;
    bool goOn = true;
    while (goOn && !rest.empty()) {
        cuts = cuts * 1103515245u + 12345u;
        // Mostly short pieces across the 16-byte blocks, sometimes all that is left, so that
        // the counter's per-lane sums fill up and are added to its total.
        const std::size_t piece =
            (cuts >> 16) % 4 == 0 ? rest.size() : 1 + (cuts >> 18) % (cuts & 1 ? 7 : 80);
        goOn = counter.feed(rest.substr(0, piece));
        rest.remove_prefix(std::min(piece, rest.size()));
    }
    check(counter.lines() == expected.size(), "LineCounter count");
    check(goOn == (expectedLength == bytes.size()), "LineCounter stops at the first NUL");

    // Up to the text's end, each cut is the first line start at or after its place, or the end.
    std::size_t next = 0; // the first line starting at or after `at`
    for (std::size_t at = 0; at <= expectedLength; ++at) {
        while (next < expected.size() && expected[next].begin < at)
            ++next;
        const std::size_t cut = next < expected.size() ? expected[next].begin : expectedLength;
        check(tavir::cutAtLineStart(bytes.data(), bytes.size(), at) == cut, "cutAtLineStart");
    }
    return 0;
}
