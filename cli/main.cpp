// tavir-cli: the quote collection from the command line, with the window's own queries.
#include "base/app_folder.h"
#include "base/codec.h"
#include "base/errors.h"
#include "cli/display.h"
#include "cli/import_command.h"
#include "cli/output.h"
#include "quotes/collection.h"
#include "quotes/day_quotation.h"
#include "quotes/draw.h"
#include "quotes/file_places.h"
#include "quotes/finder.h"
#include "quotes/folding.h"
#include "quotes/parallel_scan.h"
#include "quotes/product.h"
#include "quotes/queries.h"
#include "quotes/stream.h"
#include "quotes/word_search.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: tavir-cli [--file PATH] [--raw] [--threads N] count\n"
    "       tavir-cli [--file PATH] [--raw] [--case-all] [--no-diacritics] [--color[=WHEN]]\n"
    "                 [--wrap[=COLUMNS]] [--threads N] search TEXT\n"
    "       tavir-cli [--file PATH] [--raw] [--no-diacritics] --word-forms [--color[=WHEN]]\n"
    "                 [--wrap[=COLUMNS]] search TEXT\n"
    "       tavir-cli [--file PATH] [--raw] [--wrap[=COLUMNS]] [--threads N] all\n"
    "       tavir-cli [--file PATH] [--raw] [--seed S] [--short|--long [-n LENGTH]]\n"
    "                 [--wrap[=COLUMNS]] random [N]\n"
    "       tavir-cli [--file PATH] [--raw] [--date YYYY-MM-DD] [--wrap[=COLUMNS]] today\n"
    "       tavir-cli import [--format fortune|lines] [--encoding utf-8|iso-8859-2|windows-1250]\n"
    "                 [--output PATH|--install] FILE...\n";

// The exit status when there is no quotation to show: `today` over an empty collection, or
// `random --short`/`--long` when no quotation has that length.
constexpr int kNoQuotation = 4;

enum class Colour
{
    Auto,
    Always,
    Never
};

struct Options
{
    std::optional<std::string> file; // the bundled data file when not given
    bool raw = false;
    std::optional<std::uint32_t> seed;
    tavir::Folding folding = tavir::Folding::AsciiOnly;
    bool foldingGiven = false;
    bool wordForms = false;          // every form of the query's words, with the dictionary
    std::optional<std::size_t> wrap; // --wrap: the columns, 0 for the terminal's width
    std::optional<Colour> colour;    // search; auto when not given
    tavir::QuotationLength length = tavir::QuotationLength::Any; // random
    std::optional<std::size_t> lengthLimit;                      // random: -n
    std::optional<tavir::CalendarDate> date;                     // today
    std::optional<unsigned> threads; // count, search, all: a large file is scanned on so many
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

// Takes the option at argv[i] and its value: the count of arguments taken, 0 when argv[i] is no
// option, -1 when it is one used wrongly.
int takeOption(Options& options, int argc, char** argv, int i)
{
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--raw") {
        options.raw = true;
    } else if (arg == "--case-all" || arg == "--no-diacritics") {
        // Without diacritics implies every letter's case, whichever comes first.
        if (arg == "--no-diacritics" || options.folding != tavir::Folding::NoDiacritics)
            options.folding =
                arg == "--case-all" ? tavir::Folding::EveryCase : tavir::Folding::NoDiacritics;
        options.foldingGiven = true;
    } else if (arg == "--word-forms") {
        options.wordForms = true;
    } else if (arg == "--file" && hasValue) {
        options.file = argv[i + 1];
        return 2;
    } else if (arg == "--seed" && hasValue) {
        options.seed = parseNumber<std::uint32_t>(argv[i + 1]);
        return options.seed ? 2 : -1;
    } else if (arg == "--wrap" || arg.starts_with("--wrap=")) {
        options.wrap = 0;
        if (arg != "--wrap") {
            options.wrap = parseNumber<std::size_t>(arg.substr(7));
            if (!options.wrap || *options.wrap == 0)
                return -1;
        }
    } else if (arg == "--color" || arg.starts_with("--color=")) {
        const std::string_view when = arg == "--color" ? "auto" : arg.substr(8);
        options.colour = when == "auto"     ? Colour::Auto
                         : when == "always" ? Colour::Always
                         : when == "never"  ? Colour::Never
                                            : std::optional<Colour>();
        if (!options.colour)
            return -1;
    } else if (arg == "--short" || arg == "--long") {
        const auto length =
            arg == "--short" ? tavir::QuotationLength::Short : tavir::QuotationLength::Long;
        if (options.length != tavir::QuotationLength::Any && options.length != length)
            return -1;
        options.length = length;
    } else if (arg == "-n" && hasValue) {
        options.lengthLimit = parseNumber<std::size_t>(argv[i + 1]);
        return options.lengthLimit ? 2 : -1;
    } else if (arg == "--threads" && hasValue) {
        options.threads = parseNumber<unsigned>(argv[i + 1]);
        return options.threads && *options.threads > 0 ? 2 : -1;
    } else if (arg == "--date" && hasValue) {
        options.date = tavir::parseIsoDate(argv[i + 1]);
        return options.date ? 2 : -1;
    } else {
        return 0;
    }
    return 1;
}

std::optional<Options> parse(int argc, char** argv)
{
    Options options;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            options.command = "--help";
            return options;
        }
        const int taken = takeOption(options, argc, argv, i);
        if (taken < 0)
            return std::nullopt;
        if (taken == 0)
            break;
        i += taken - 1;
    }
    if (i == argc)
        return std::nullopt;
    options.command = argv[i++];
    // Options may also follow the command, "--" ending them; but a search given one argument
    // takes it as its text, whatever it looks like.
    std::vector<std::string_view> operands;
    if (options.command == "search" && argc - i == 1) {
        operands.emplace_back(argv[i]);
    } else {
        bool optionsEnded = false;
        for (; i < argc; ++i) {
            if (!optionsEnded && std::string_view(argv[i]) == "--") {
                optionsEnded = true;
                continue;
            }
            const int taken = optionsEnded ? 0 : takeOption(options, argc, argv, i);
            if (taken < 0)
                return std::nullopt;
            if (taken == 0)
                operands.emplace_back(argv[i]);
            else
                i += taken - 1;
        }
    }
    const std::size_t rest = operands.size();
    if (options.command == "count" || options.command == "all" || options.command == "today") {
        if (rest != 0)
            return std::nullopt;
    } else if (options.command == "search") {
        if (rest != 1)
            return std::nullopt;
        options.text = operands[0];
    } else if (options.command == "random") {
        if (rest > 1)
            return std::nullopt;
        if (rest == 1) {
            const auto n = parseNumber<int>(operands[0]);
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
    if (options.wrap && options.command == "count")
        return std::nullopt;
    if (options.colour && options.command != "search")
        return std::nullopt;
    if ((options.length != tavir::QuotationLength::Any || options.lengthLimit) &&
        options.command != "random")
        return std::nullopt;
    if (options.lengthLimit && options.length == tavir::QuotationLength::Any)
        return std::nullopt;
    if (options.date && options.command != "today")
        return std::nullopt;
    if (options.threads &&
        (options.wordForms ||
         (options.command != "count" && options.command != "search" && options.command != "all")))
        return std::nullopt;
    return options;
}

// Writes each result as it is found, through one large buffer; shown as `display` says unless
// raw.
class OutputList final : public tavir::ResultList
{
public:
    OutputList(bool raw, const tavir::cli::Display& display) : raw_(raw), display_(display)
    {
        buffer_.reserve(kFlushAt + 4096);
    }
    OutputList(const OutputList&) = delete;
    OutputList& operator=(const OutputList&) = delete;

    void clear() override {}
    void beginUpdate() override {}
    void endUpdate() override { flush(); }
    void add(std::string_view caption, int) override
    {
        format(buffer_, caption);
        if (buffer_.size() >= kFlushAt)
            flush();
    }
    // Appends a row's bytes as shown; safe from several threads at once.
    void format(std::string& out, std::string_view caption) const
    {
        if (raw_) {
            out += caption;
            out += "\r\n";
        } else if (display_.columns == 0 && !display_.marks) {
            out += tavir::cp1250ToUtf8(caption);
            out += '\n';
        } else {
            tavir::cli::appendDisplayed(out, caption, display_);
        }
    }

    void flush()
    {
        tavir::cli::writeOutput(buffer_);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    bool raw_;
    const tavir::cli::Display& display_;
    std::string buffer_;
};

int run(const Options& options)
{
    if (options.command == "--help") {
        tavir::cli::writeOutput(kUsage);
        return 0;
    }
    const std::string path = tavir::collectionToRead(tavir::applicationFolder(), options.file);
    // A large file is cut into ranges, scanned on every core (or as many threads as told).
    tavir::ScanThreads threads;
    threads.count = options.threads.value_or(0);
    if (options.command == "count") {
        const auto lines = tavir::countFileLinesInRanges(path, threads);
        tavir::cli::writeOutput(tavir::counterText(lines ? *lines : tavir::countFileLines(path)) +
                                "\n");
        return 0;
    }
    // Lines are cut and matches coloured for a reader only: --raw gives the file's bytes.
    tavir::cli::Display display;
    if (options.wrap && !options.raw)
        display.columns = *options.wrap != 0 ? *options.wrap : tavir::cli::terminalColumns();
    const bool colour =
        !options.raw &&
        (options.colour == Colour::Always ||
         (options.colour.value_or(Colour::Auto) == Colour::Auto && tavir::cli::colourByDefault()));
    OutputList out(options.raw, display);
    if (options.command == "random") {
        const auto quotes = tavir::QuoteCollection::fromFile(path);
        if (options.length == tavir::QuotationLength::Any) {
            if (options.seed)
                tavir::LosujDane(quotes, options.count, *options.seed, out);
            else
                tavir::drawFromSystem(quotes, options.count, out);
        } else {
            const std::size_t limit = options.lengthLimit.value_or(tavir::kShortQuotationLimit);
            const auto lines = tavir::quotationsOfLength(quotes, options.length, limit);
            if (lines.empty()) {
                std::fprintf(stderr, "No quotation %s %zu characters in %s\n",
                             options.length == tavir::QuotationLength::Short ? "of at most"
                                                                             : "longer than",
                             limit, path.c_str());
                return kNoQuotation;
            }
            if (options.seed)
                tavir::LosujSposrod(quotes, lines, options.count, *options.seed, out);
            else
                tavir::drawFromSystem(quotes, lines, options.count, out);
        }
        out.flush();
        return 0;
    }
    if (options.command == "today") {
        const auto quotes = tavir::QuoteCollection::fromFile(path);
        if (quotes.quotationCount() == 0) {
            std::fprintf(stderr, "No quotation in %s\n", path.c_str());
            return kNoQuotation;
        }
        const tavir::CalendarDate date =
            options.date.value_or(tavir::localDate(std::time(nullptr)));
        out.add(quotes.line(
                    tavir::dayQuotation(quotes.quotationCount(), date.year, date.month, date.day)),
                tavir::kQuotationImage);
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
        const std::string query = options.raw ? options.text : tavir::utf8ToCp1250(options.text);
        const tavir::Folding folding = options.folding == tavir::Folding::NoDiacritics
                                           ? tavir::Folding::NoDiacritics
                                           : tavir::Folding::EveryCase;
        const tavir::WordQuery words(index, query, folding);
        if (colour)
            display.marks = [&words](std::string_view line) { return matchRanges(line, words); };
        tavir::FiltrujFormy(quotes, index, query, out, wait, pump, {}, folding);
        return 0;
    }
    const std::string query = options.command == "all" ? std::string()
                              : options.raw            ? options.text
                                                       : tavir::utf8ToCp1250(options.text);
    // The same finder and folding as the search's mark what it found (a query holding CR, LF or
    // NUL finds nothing).
    std::optional<tavir::FoldedFinder> finder;
    if (colour && !query.empty() &&
        query.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
        finder.emplace(query, tavir::foldTable(options.folding));
        display.marks = [&finder, size = query.size()](std::string_view line) {
            return matchRanges(line, *finder, size);
        };
    }
    const auto format = [&out](std::string& to, std::string_view row) { out.format(to, row); };
    const auto write = [](std::string_view bytes) { tavir::cli::writeOutput(bytes); };
    if (!tavir::searchFileInRanges(path, query, tavir::foldTable(options.folding), format, write,
                                   threads))
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
