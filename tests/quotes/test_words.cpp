// The word search: the tokenizer, the labelled list of sentences a query must or must not find,
// the search function's contract, match ranges, and tavir-cli --word-forms.
#include "base/app_folder.h"
#include "base/codec.h"
#include "quotes/collection.h"
#include "quotes/word_search.h"
#include "quotes/words.h"
#include "tests/support/recording_list.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using tavir::ByteRange;
using tavir::Folding;
using tavir::QuoteCollection;
using tavir::WordIndex;

std::string cp(std::string_view utf8)
{
    return tavir::utf8ToCp1250(utf8);
}

std::shared_ptr<const tavir::Morphology> dictionary()
{
    static const auto loaded =
        tavir::Morphology::load(tavir::applicationFolder() + std::string(tavir::kDictionaryFile));
    return loaded;
}

// ---- The tokenizer ----

TEST(Words, SplitsAtEveryByteThatIsNoLetter)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {" ,.;!? ", {}},
        {"abc", {"abc"}},
        {"  Ala ma\tkota.  ", {"Ala", "ma", "kota"}},
        {"biało-czerwony", {"biało", "czerwony"}},
        {"rock'n'roll", {"rock", "n", "roll"}},
        {"abc123def 4", {"abc", "def"}},
        {"„Żółw” – «Łódź»", {"Żółw", "Łódź"}},
        {"ĄĘŚĆŹŻŃÓŁąęśćźżńół", {"ĄĘŚĆŹŻŃÓŁąęśćźżńół"}},
        {"Straße šťž", {"Straße", "šťž"}},
        {"10µm ×2 ÷3", {"m"}},
    };
    for (const Case& c : cases) {
        const std::string text = cp(c.text);
        std::vector<std::string> words;
        for (const ByteRange& r : tavir::splitWords(text))
            words.push_back(tavir::cp1250ToUtf8(text.substr(r.begin, r.end - r.begin)));
        EXPECT_EQ(words, c.words) << c.text;
    }
    // The dot above (0xFF) is a sign, not a letter.
    EXPECT_EQ(tavir::splitWords("a\xFF"
                                "b")
                  .size(),
              2u);
}

// ---- The labelled list ----

struct Labelled
{
    const char* lexeme; // what the row tests, for the failure report
    const char* query;
    const char* sentence;
    bool found;
};

// Each lexeme with sentences that hold one of its forms, and sentences that hold only a
// derived word, a verbal noun, a prefixed verb, an aspect partner or a lookalike.
const Labelled kLabelled[] = {
    // A noun.
    {"kot", "kot", "Dwa koty śpią na piecu.", true},
    {"kot", "kot", "Nie było tam kota.", true},
    {"kot", "kot", "Bawił się z kotem.", true},
    {"kot", "kotami", "Kot patrzył na mysz.", true},
    {"kot", "kot", "Mały kotek mruczał.", false},
    {"kot", "kot", "Zjadł kotlet.", false},
    {"kot", "kot", "Kocia łapa.", false},
    // A noun with a suppletive plural.
    {"rok", "rok", "Minęło wiele lat.", true},
    {"rok", "rok", "Przez dwa lata milczał.", true},
    {"rok", "rok", "W tym roku zima.", true},
    {"rok", "rok", "Dzień roczny.", false},
    {"rok", "rok", "Rocznica ślubu.", false},
    // A noun whose stem changes.
    {"ręka", "ręka", "Umyj ręce.", true},
    {"ręka", "ręka", "Z pustymi rękami.", true},
    {"ręka", "ręką", "Z rąk do rąk.", true},
    {"ręka", "ręka", "Rączka dziecięca.", false},
    {"ręka", "ręka", "Ręczny hamulec.", false},
    {"ręka", "ręka", "Podaj ręcznik.", false},
    {"pies", "pies", "Wyprowadź psa.", true},
    {"pies", "pies", "Psy szczekają.", true},
    {"pies", "psem", "Pies ogrodnika.", true},
    {"pies", "pies", "Piesek merda ogonem.", false},
    {"pies", "pies", "Psia pogoda.", false},
    {"noc", "noc", "Ciemną nocą.", true},
    {"noc", "noc", "Noce są długie.", true},
    {"noc", "noc", "Nocny marek.", false},
    {"noc", "noc", "Szukał noclegu.", false},
    {"noc", "noc", "Nocowali w lesie.", false},
    {"serce", "serce", "Z całego serca.", true},
    {"serce", "serce", "W sercu.", true},
    {"serce", "serce", "Serdeczny przyjaciel.", false},
    {"serce", "serce", "Serduszko z piernika.", false},
    // Adjectives, every degree, and suppletive comparatives.
    {"mały", "mały", "Mniejsze zło.", true},
    {"mały", "mały", "Najmniejszego nie ma.", true},
    {"mały", "mały", "Małymi krokami.", true},
    {"mały", "mniejszy", "Mała rzecz.", true},
    {"mały", "mały", "Malutki ptaszek.", false},
    {"mały", "mały", "Mało kto wie.", false},
    {"mały", "mały", "Małość ducha.", false},
    {"zły", "zły", "Gorszy niż myślisz.", true},
    {"zły", "zły", "Najgorsze minęło.", true},
    {"zły", "zły", "Złego licho nie bierze.", true},
    {"zły", "zły", "Źle się dzieje.", false},
    {"zły", "zły", "Złość piękności szkodzi.", false},
    {"wysoki", "wysoki", "Wyższa szkoła.", true},
    {"wysoki", "wysoki", "Najwyższy czas.", true},
    {"wysoki", "wysoki", "Na wysokiej górze.", true},
    {"wysoki", "wysoki", "Wysoko w górach.", false},
    {"wysoki", "wysoki", "Wysokość lotu.", false},
    // Verbs: persons, tenses, moods, participles.
    {"być", "być", "Jest dobrze.", true},
    {"być", "być", "Tak było i będzie.", true},
    {"być", "być", "Bądź sobą.", true},
    {"być", "być", "Byliby szczęśliwi.", true},
    {"być", "być", "Samo bycie wystarczy.", false},
    {"być", "być", "Byt określa świadomość.", false},
    {"być", "być", "Pobyt nad morzem.", false},
    {"być", "być", "Bywał tu często.", false},
    {"jeść", "jeść", "Kto jadł ten chleb?", true},
    {"jeść", "jeść", "Jedzą powoli.", true},
    {"jeść", "jeść", "Jedząc, czytał.", true},
    {"jeść", "jadł", "Trzeba jeść.", true},
    {"jeść", "jeść", "Zjadł wszystko.", false},
    {"jeść", "jeść", "Jedzenie stygnie.", false},
    {"jeść", "jeść", "Jadalnia pusta.", false},
    {"pisać", "pisać", "Pisze list.", true},
    {"pisać", "pisać", "Pisząc, myślał.", true},
    {"pisać", "pisać", "List pisany nocą.", true},
    {"pisać", "pisać", "Napisał wiersz.", false},
    {"pisać", "pisać", "Pisarz i czytelnik.", false},
    {"pisać", "pisać", "Pisanie bolało.", false},
    {"widzieć", "widzieć", "Widzi wszystko.", true},
    {"widzieć", "widzieć", "Widząc to, uciekł.", true},
    {"widzieć", "widzieć", "Widzieli go wczoraj.", true},
    {"widzieć", "widzieć", "Zobaczył go wczoraj.", false},
    {"widzieć", "widzieć", "Piękny widok.", false},
    {"widzieć", "widzieć", "Przewidział burzę.", false},
    // A name.
    {"Kraków", "Kraków", "Jadę do Krakowa.", true},
    {"Kraków", "Kraków", "Mieszkał w Krakowie.", true},
    {"Kraków", "krakowem", "Kraków nocą.", true},
    {"Kraków", "Kraków", "Krakowski targ.", false},
    {"Kraków", "Kraków", "Tańczą krakowiaka.", false},
    // A word the dictionary does not know: only itself, in any case.
    {"veritas", "veritas", "In vino VERITAS.", true},
    {"veritas", "veritas", "Ad veritatem.", false},
    // Two query words, in any order.
    {"pies i kot", "kot pies", "Pies goni kota.", true},
    {"pies i kot", "kot pies", "Kot śpi sam.", false},
};

TEST(Words, LabelledSentencesReachRecallAndPrecision)
{
    std::string bytes;
    for (const Labelled& row : kLabelled)
        bytes += cp(row.sentence) + "\r\n";
    bytes += "Koniec bazy cytatów\r\n";
    const auto quotes = QuoteCollection::fromBytes(bytes);
    const auto index = WordIndex::build(quotes, dictionary());

    std::map<std::string, std::vector<std::string>> results;
    for (const Labelled& row : kLabelled) {
        auto [at, fresh] = results.try_emplace(row.query);
        if (!fresh)
            continue;
        tavir::test::RecordingList list;
        tavir::NoWaitIndicator wait;
        tavir::NoEventPump pump;
        tavir::FiltrujFormy(quotes, index, cp(row.query), list, wait, pump);
        at->second = list.captions();
    }
    int truePositives = 0;
    int falsePositives = 0;
    int falseNegatives = 0;
    for (const Labelled& row : kLabelled) {
        const auto& found = results[row.query];
        const bool hit = std::find(found.begin(), found.end(), cp(row.sentence)) != found.end();
        truePositives += hit && row.found;
        falsePositives += hit && !row.found;
        falseNegatives += !hit && row.found;
        if (hit != row.found)
            std::printf("  %s: \"%s\" %s \"%s\"\n", row.lexeme, row.query, hit ? "finds" : "misses",
                        row.sentence);
    }
    const double recall = truePositives / double(truePositives + falseNegatives);
    const double precision = truePositives / double(truePositives + falsePositives);
    std::printf("recall %.3f, precision %.3f over %zu sentences\n", recall, precision,
                std::size(kLabelled));
    EXPECT_GE(recall, 0.95);
    EXPECT_GE(precision, 0.95);
}

// ---- The search function and ranges ----

class WordSearch : public ::testing::Test
{
protected:
    // The last line holds a form too, and must never be listed.
    QuoteCollection quotes = QuoteCollection::fromBytes(
        cp("Psy szczekają.\r\nKot śpi.\r\nBez psa ani rusz, psie!\r\nZolw i żółw.\r\n"
           "Pies na końcu.\r\n"));
    WordIndex index = WordIndex::build(quotes, dictionary());

    std::vector<std::string> search(std::string_view query, Folding folding = Folding::EveryCase)
    {
        tavir::test::RecordingList list;
        tavir::NoWaitIndicator wait;
        tavir::NoEventPump pump;
        EXPECT_EQ(tavir::FiltrujFormy(quotes, index, cp(query), list, wait, pump, {}, folding),
                  tavir::QueryEnd::Finished);
        std::vector<std::string> out;
        for (const auto& caption : list.captions())
            out.push_back(tavir::cp1250ToUtf8(caption));
        return out;
    }
};

TEST_F(WordSearch, ListsMatchesInOrderAndNeverTheLastLine)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(search("PIES"), (Lines{"Psy szczekają.", "Bez psa ani rusz, psie!"}));
    EXPECT_EQ(search("żółw"), (Lines{"Zolw i żółw."}));
    EXPECT_EQ(search("zolw", Folding::NoDiacritics), (Lines{"Zolw i żółw."}));
    EXPECT_EQ(search("..."), Lines{});
    EXPECT_EQ(search("").size(), 4u); // lists all, as FiltrujDane does
}

TEST_F(WordSearch, StopsWhenThePumpSaysSo)
{
    class Stop final : public tavir::EventPump
    {
    public:
        bool deliverPending() override { return false; }
    } stop;
    tavir::test::RecordingList list;
    tavir::NoWaitIndicator wait;
    const tavir::PumpPolicy everyLine{std::chrono::milliseconds(0), 1, {}};
    EXPECT_EQ(tavir::FiltrujFormy(quotes, index, cp("pies"), list, wait, stop, everyLine),
              tavir::QueryEnd::Stopped);
    EXPECT_EQ(list.captions(), std::vector<std::string>{cp("Psy szczekają.")});
    EXPECT_EQ(list.calls, (std::vector<std::string>{"begin", "clear", "end"}));
}

TEST_F(WordSearch, RangesMarkTheMatchedWordsAndEveryOccurrence)
{
    const std::string line = cp("Bez psa ani rusz, psie!");
    const tavir::WordQuery query(index, cp("pies"));
    EXPECT_EQ(tavir::matchRanges(line, query), (std::vector<ByteRange>{{4, 7}, {18, 22}}));
    EXPECT_TRUE(query.matchesLine(line));
    EXPECT_EQ(tavir::matchRanges(line, "PS", Folding::AsciiOnly),
              (std::vector<ByteRange>{{4, 6}, {18, 20}}));
    EXPECT_EQ(tavir::matchRanges("aaaa", "aa", Folding::AsciiOnly),
              (std::vector<ByteRange>{{0, 4}}));
    EXPECT_EQ(tavir::matchRanges(cp("ŻÓŁW i zolw"), "zolw", Folding::NoDiacritics),
              (std::vector<ByteRange>{{0, 4}, {7, 11}}));
    EXPECT_TRUE(tavir::matchRanges(line, "", Folding::AsciiOnly).empty());
    EXPECT_TRUE(tavir::matchRanges(line, "a\r", Folding::AsciiOnly).empty());
}

TEST(WordForms, CommandLineSearchesAndChecksItsArguments)
{
    const tavir::test::TempDir dir;
    const std::string file =
        dir.write("cytaty.dbc", cp("Psy szczekają.\r\nKot śpi.\r\nPies na końcu.\r\n"));
    const std::string cli = std::string(TAVIR_CLI) + " --file '" + file + "' ";
    const auto found = tavir::test::runShell(cli + "--word-forms search pies 2>/dev/null");
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "Psy szczekają.\n");
    EXPECT_EQ(tavir::test::runShell(cli + "--word-forms count 2>/dev/null").status, 2);
    EXPECT_NE(tavir::test::runShell(std::string(TAVIR_CLI) + " --help").out.find("--word-forms"),
              std::string::npos);
}

} // namespace
