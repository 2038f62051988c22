// For the closing note, not a test: how many quotations of a collection the default substring
// search and the word-form search find for each word given, how many of them both find, and
// which forms the word-form search matched (for checking its precision by hand).
//
//   word_forms_report [--file PATH] WORD...     (UTF-8 words; the shipped collection by default)
#include "base/app_folder.h"
#include "base/codec.h"
#include "quotes/collection.h"
#include "quotes/morphology.h"
#include "quotes/product.h"
#include "quotes/queries.h"
#include "quotes/word_search.h"
#include "quotes/words.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

class LineList final : public tavir::ResultList
{
public:
    void clear() override { lines.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view, int) override {}
    void addLine(const tavir::QuoteCollection&, std::size_t line) override { lines.insert(line); }
    std::set<std::size_t> lines;
};

} // namespace

int main(int argc, char** argv)
{
    std::string path = tavir::applicationFolder() + std::string(tavir::kQuoteFile);
    int first = 1;
    if (argc > 2 && std::string_view(argv[1]) == "--file") {
        path = argv[2];
        first = 3;
    }
    if (first >= argc || std::string_view(argv[1]) == "--help") {
        std::fputs("usage: word_forms_report [--file PATH] WORD...\n",
                   first >= argc ? stderr : stdout);
        return first >= argc ? 2 : 0;
    }
    try {
        const auto quotes = tavir::QuoteCollection::fromFile(path);
        const auto index = tavir::WordIndex::build(
            quotes, tavir::Morphology::load(tavir::applicationFolder() +
                                            std::string(tavir::kDictionaryFile)));
        std::printf("%-14s %9s %9s %6s %14s %12s\n", "word", "substring", "word-form", "both",
                    "substring only", "forms only");
        for (int i = first; i < argc; ++i) {
            const std::string word = tavir::utf8ToCp1250(argv[i]);
            LineList bytes;
            LineList forms;
            tavir::NoWaitIndicator wait;
            tavir::NoEventPump pump;
            tavir::FiltrujDane(quotes, word, bytes, wait, pump);
            tavir::FiltrujFormy(quotes, index, word, forms, wait, pump);
            std::vector<std::size_t> both;
            std::set_intersection(bytes.lines.begin(), bytes.lines.end(), forms.lines.begin(),
                                  forms.lines.end(), std::back_inserter(both));
            std::printf("%-14s %9zu %9zu %6zu %14zu %12zu\n", argv[i], bytes.lines.size(),
                        forms.lines.size(), both.size(), bytes.lines.size() - both.size(),
                        forms.lines.size() - both.size());
            // The forms matched, and the words holding the text that the word search left out.
            const tavir::WordQuery query(index, word);
            std::map<std::string, int> matched;
            for (const std::size_t line : forms.lines) {
                const std::string_view text = quotes.line(line);
                for (const auto& r : tavir::matchRanges(text, query))
                    ++matched[tavir::cp1250ToUtf8(text.substr(r.begin, r.end - r.begin))];
            }
            std::printf("  matched:");
            for (const auto& [form, count] : matched)
                std::printf(" %s(%d)", form.c_str(), count);
            std::map<std::string, int> missed;
            for (const std::size_t line : bytes.lines) {
                if (forms.lines.count(line) != 0)
                    continue;
                const std::string_view text = quotes.line(line);
                for (const auto& r : tavir::matchRanges(text, word, tavir::Folding::AsciiOnly)) {
                    // The whole word around the text found.
                    std::size_t begin = r.begin;
                    std::size_t end = r.end;
                    while (begin > 0 &&
                           tavir::wordLetters()[static_cast<unsigned char>(text[begin - 1])])
                        --begin;
                    while (end < text.size() &&
                           tavir::wordLetters()[static_cast<unsigned char>(text[end])])
                        ++end;
                    ++missed[tavir::cp1250ToUtf8(text.substr(begin, end - begin))];
                }
            }
            std::printf("\n  substring only:");
            for (const auto& [form, count] : missed)
                std::printf(" %s(%d)", form.c_str(), count);
            std::printf("\n");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
