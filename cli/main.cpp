// tavir-cli: the quote collection from the command line, with the window's own queries.
#include "base/app_folder.h"
#include "base/codec.h"
#include "base/errors.h"
#include "cli/import_command.h"
#include "cli/output.h"
#include "quotes/collection.h"
#include "quotes/folding.h"
#include "quotes/product.h"
#include "quotes/queries.h"
#include "quotes/stream.h"
#include "quotes/word_search.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::string_view kUsage =
    "usage: tavir-cli [--file PATH] [--raw] count\n"
    "       tavir-cli [--file PATH] [--raw] [--case-all] [--no-diacritics] search TEXT\n"
    "       tavir-cli [--file PATH] [--raw] [--no-diacritics] --word-forms search TEXT\n"
    "       tavir-cli [--file PATH] [--raw] all\n"
    "       tavir-cli [--file PATH] [--raw] [--seed S] random [N]\n"
    "       tavir-cli import [--format fortune|lines] [--encoding utf-8|iso-8859-2|windows-1250] "
    "[--output PATH] FILE...\n";

struct Options
{
    std::optional<std::string> file; // the bundled data file when not given
    bool raw = false;
    std::optional<std::uint32_t> seed;
    tavir::Folding folding = tavir::Folding::AsciiOnly;
    bool foldingGiven = false;
    bool wordForms = false; // every form of the query's words, with the dictionary
    std::string command;
    std::string text; // search
    int count = 50;   // random
};

template <typename T> std::optional<T> parseNumber(std::string_view text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            options.command = "--help";
            return options;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg == "--case-all" || arg == "--no-diacritics") {
            // Without diacritics implies every letter's case, whichever comes first.
            if (arg == "--no-diacritics" || options.folding != tavir::Folding::NoDiacritics)
                options.folding =
                    arg == "--case-all" ? tavir::Folding::EveryCase : tavir::Folding::NoDiacritics;
            options.foldingGiven = true;
        } else if (arg == "--word-forms") {
            options.wordForms = true;
        } else if (arg == "--file" && i + 1 < argc) {
            options.file = argv[++i];
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = parseNumber<std::uint32_t>(argv[++i]);
            if (!options.seed)
                return std::nullopt;
        } else {
            break;
        }
    }
    if (i == argc)
        return std::nullopt;
    options.command = argv[i++];
    const int rest = argc - i;
    if (options.command == "count" || options.command == "all") {
        if (rest != 0)
            return std::nullopt;
    } else if (options.command == "search") {
        if (rest != 1)
            return std::nullopt;
        options.text = argv[i];
    } else if (options.command == "random") {
        if (rest > 1)
            return std::nullopt;
        if (rest == 1) {
            const auto n = parseNumber<int>(argv[i]);
            if (!n || *n < 0)
                return std::nullopt;
            options.count = *n;
        }
    } else {
        return std::nullopt;
    }
    if (options.seed && options.command != "random")
        return std::nullopt;
    if ((options.foldingGiven || options.wordForms) && options.command != "search")
        return std::nullopt;
    return options;
}

// Writes each result as it is found, through one large buffer.
class OutputList final : public tavir::ResultList
{
public:
    explicit OutputList(bool raw) : raw_(raw) { buffer_.reserve(kFlushAt + 4096); }
    OutputList(const OutputList&) = delete;
    OutputList& operator=(const OutputList&) = delete;

    void clear() override {}
    void beginUpdate() override {}
    void endUpdate() override { flush(); }
    void add(std::string_view caption, int) override
    {
        if (raw_) {
            buffer_ += caption;
            buffer_ += "\r\n";
        } else {
            buffer_ += tavir::cp1250ToUtf8(caption);
            buffer_ += '\n';
        }
        if (buffer_.size() >= kFlushAt)
            flush();
    }

    void flush()
    {
        tavir::cli::writeOutput(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    bool raw_;
    std::string buffer_;
};

int run(const Options& options)
{
    if (options.command == "--help") {
        tavir::cli::writeOutput(kUsage);
        return 0;
    }
    const std::string path =
        options.file.value_or(tavir::applicationFolder() + std::string(tavir::kQuoteFile));
    if (options.command == "count") {
        tavir::cli::writeOutput(tavir::counterText(tavir::countFileLines(path)) + "\n");
        return 0;
    }
    OutputList out(options.raw);
    if (options.command == "random") {
        const auto quotes = tavir::QuoteCollection::fromFile(path);
        tavir::LosujDane(quotes, options.count, options.seed.value_or(tavir::timeSeed()), out);
        out.flush();
        return 0;
    }
    if (options.wordForms) {
        // The word index needs the whole collection and the dictionary; a word search always
        // folds every letter's case.
        const auto quotes = tavir::QuoteCollection::fromFile(path);
        const auto index = tavir::WordIndex::build(
            quotes, tavir::Morphology::load(tavir::applicationFolder() +
                                            std::string(tavir::kDictionaryFile)));
        tavir::NoWaitIndicator wait;
        tavir::NoEventPump pump;
        tavir::FiltrujFormy(
            quotes, index, options.raw ? options.text : tavir::utf8ToCp1250(options.text), out,
            wait, pump, {},
            options.folding == tavir::Folding::NoDiacritics ? tavir::Folding::NoDiacritics
                                                            : tavir::Folding::EveryCase);
        return 0;
    }
    const std::string query = options.command == "all" ? std::string()
                              : options.raw            ? options.text
                                                       : tavir::utf8ToCp1250(options.text);
    tavir::QueryStream(query, out, tavir::foldTable(options.folding)).readFile(path);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "import") {
        const auto import = tavir::parseImportArguments(argc - 2, argv + 2);
        if (!import) {
            std::fputs(kUsage.data(), stderr);
            return 2;
        }
        return tavir::runImport(*import);
    }
    const auto options = parse(argc, argv);
    if (!options) {
        std::fputs(kUsage.data(), stderr);
        return 2;
    }
    try {
        return run(*options);
    } catch (const tavir::cli::OutputFailed& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
