// The search against a naive fold-and-find over the same lines, with events delivered and
// the query stopped at points the input chooses; and the fast finder against std::string::find
// on folded copies of any bytes, through every SIMD path the processor has, one hit at a time
// and every hit in one pass, with the text ending at a NUL or not, its linear search forced
// on, and on periodic texts and needles made of the query's bytes; and the
// streaming search of the command line, fed in pieces, against the same naive search.
// Input: three parameter bytes, then query 0x1F quotation file bytes.
#include "fuzz/finder_check.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/stream_check.h"
#include "quotes/collection.h"
#include "quotes/finder.h"
#include "quotes/queries.h"
#include "quotes/stream.h"

#include <string>

namespace {

using namespace tavir::fuzz;

std::string folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = foldAsciiReference(c);
    return out;
}

class Recorder final : public tavir::ResultList,
                       public tavir::WaitIndicator,
                       public tavir::EventPump
{
public:
    explicit Recorder(std::size_t stopAt) : stopAt_(stopAt) {}

    void clear() override
    {
        calls += 'c';
        rows.clear();
    }
    void beginUpdate() override { calls += 'b'; }
    void endUpdate() override { calls += 'e'; }
    void add(std::string_view caption, int image) override
    {
        check(image == tavir::kQuotationImage, "a query added a row that is not a quotation");
        rows.push_back(caption);
    }

    void create() override { calls += 'C'; }
    void setMaximum(std::size_t value) override { maximum = value; }
    void show() override { calls += 'S'; }
    void step() override { ++steps; }
    void close() override { calls += 'X'; }

    bool deliverPending() override { return ++deliveries != stopAt_; }

    std::vector<std::string_view> rows;
    std::string calls;
    std::size_t maximum = 0;
    std::size_t steps = 0;
    std::size_t deliveries = 0;

private:
    std::size_t stopAt_;
};

void checkFinder(std::string_view text, std::string_view needle, std::size_t from)
{
    const tavir::FoldedFinder finder(needle);
    const std::string haystack = folded(text);
    check(finder.find(text, from) == haystack.find(folded(needle), from), "find from an offset");
    checkFinderPaths(finder, text, haystack, folded(needle), from, 1 + from % 7);
    // The linear search from the first byte, and once a few candidates are checked.
    for (const tavir::FinderBudget budget : {tavir::FinderBudget{0, 0}, tavir::FinderBudget{1, 8}})
        checkFinderPaths(tavir::FoldedFinder(needle, tavir::asciiFoldTable(), budget), text,
                         haystack, folded(needle), from, 1 + from % 7);
    // A periodic text and needle of the query's first bytes: sizes and the needle's shift and
    // last byte from the rest of the input.
    if (!needle.empty() && !text.empty()) {
        const auto at = [&](std::size_t k) {
            return static_cast<unsigned char>(text[k % text.size()]);
        };
        checkPeriodic(needle.substr(0, 1 + from % 9), 64 + 16 * at(0), at(1), 1 + 4 * at(2),
                      static_cast<char>(at(3)), tavir::asciiFoldTable(), 1 + from % 3);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    tavir::PumpPolicy policy;
    policy.interval = {};
    policy.linesPerCheck = 1 + data[0];
    const std::size_t stopAt = data[1];
    const auto parts = fields(bytesOf(data + 3, size - 3), 1);
    const std::string_view query = parts[0], file = parts[1];

    checkFinder(file, query, data[2]);

    const auto quotes = tavir::QuoteCollection::fromBytes(std::string(file));
    std::vector<std::string_view> expected;
    const std::string foldedQuery = folded(query);
    for (std::size_t i = 0; i < quotes.quotationCount(); ++i)
        if (query.empty() || folded(quotes.line(i)).find(foldedQuery) != std::string::npos)
            expected.push_back(quotes.line(i));

    // The command line's streaming search, fed in pieces whose size the input chooses.
    checkStreamed(query, file, tavir::asciiFoldTable(), 1 + data[2] % 64, expected);

    Recorder recorder(stopAt);
    const auto end = tavir::FiltrujDane(quotes, query, recorder, recorder, recorder, policy);

    const bool stopped = end == tavir::QueryEnd::Stopped;
    check(stopped == (stopAt != 0 && recorder.deliveries >= stopAt), "stopped without a request");
    check(stopped ? recorder.rows.size() <= expected.size()
                  : recorder.rows.size() == expected.size(),
          "number of rows");
    for (std::size_t i = 0; i < recorder.rows.size(); ++i)
        check(recorder.rows[i].data() == expected[i].data() &&
                  recorder.rows[i].size() == expected[i].size(),
              "rows differ from the naive search");

    check(recorder.calls == (query.empty() ? "bcCSXe" : "bce"), "list and wait window calls");
    if (query.empty()) {
        check(recorder.maximum == quotes.lineCount(), "progress maximum");
        check(recorder.steps == recorder.rows.size(), "progress steps");
    }
    return 0;
}
