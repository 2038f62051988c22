// The dictionary reader: what it answers from the shipped automaton, and that a missing,
// truncated or damaged one raises the system's error instead of reading outside the file.
#include "base/app_folder.h"
#include "base/codec.h"
#include "base/errors.h"
#include "quotes/morphology.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using tavir::LexemeList;
using tavir::Morphology;
using tavir::WordClass;

const std::string& dictionaryPath()
{
    static const std::string path =
        tavir::applicationFolder() + std::string(tavir::kDictionaryFile);
    return path;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string& shippedAutomaton()
{
    static const std::string bytes = fileBytes(dictionaryPath());
    return bytes;
}

const std::string& shippedInfo()
{
    static const std::string bytes =
        fileBytes(dictionaryPath().substr(0, dictionaryPath().size() - 4) + "info");
    return bytes;
}

// "lemma/class" for each lexeme, in the order found.
std::vector<std::string> lexemes(const Morphology& morphology, std::string_view utf8Word,
                                 bool withoutDiacritics = false)
{
    LexemeList list;
    const std::string word = tavir::utf8ToCp1250(utf8Word);
    if (withoutDiacritics)
        morphology.lookupWithoutDiacritics(word, list);
    else
        morphology.lookup(word, list);
    std::vector<std::string> out;
    for (const auto& lexeme : list.items())
        out.push_back(std::string(lexeme.lemma) + "/" +
                      std::to_string(static_cast<int>(lexeme.wordClass)));
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Morphology, GivesLemmasAndClassesWithoutVerbalNouns)
{
    const auto m = Morphology::load(dictionaryPath());
    using L = std::vector<std::string>;
    const auto noun = [](const char* lemma) { return std::string(lemma) + "/0"; };
    const auto verb = [](const char* lemma) { return std::string(lemma) + "/3"; };
    EXPECT_EQ(lexemes(*m, "psami"), L{noun("pies")});
    EXPECT_EQ(lexemes(*m, "NAJGORSZYM"), (L{"zły/1"}));
    EXPECT_EQ(lexemes(*m, "jedząc"), L{verb("jeść")});
    EXPECT_EQ(lexemes(*m, "pisanie"), L{noun("pisanie")}); // not pisać: ger is left out
    EXPECT_EQ(lexemes(*m, "krakowem"), L{noun("Kraków")}); // a name, capital first
    EXPECT_EQ(lexemes(*m, "piec"), (L{noun("piec"), verb("piec")}));
    EXPECT_EQ(lexemes(*m, "super"), (L{"super/1", "super/2"})); // entries of 1100 bytes
    EXPECT_TRUE(lexemes(*m, "veritas").empty());
    EXPECT_TRUE(lexemes(*m, "a+b").empty());
    EXPECT_TRUE(lexemes(*m, std::string(200, 'a')).empty());
    EXPECT_EQ(lexemes(*m, "zolwiem", true), L{noun("żółw")});
}

TEST(Morphology, MissingFilesRaiseCannotOpen)
{
    const tavir::test::TempDir dir;
    const std::string dict = dir.file("pl.dict");
    EXPECT_THROW(
        try { Morphology::load(dict); } catch (const tavir::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + dict);
            throw;
        },
        tavir::Error);
    dir.write("pl.dict", shippedAutomaton());
    EXPECT_THROW(
        try { Morphology::load(dict); } catch (const tavir::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.file("pl.info"));
            throw;
        },
        tavir::Error);
    EXPECT_THROW(Morphology::load(dir.path().string()), tavir::Error); // a folder
}

TEST(Morphology, TruncatedAutomataAreRefused)
{
    const std::string& bytes = shippedAutomaton();
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{4}, std::size_t{8}, std::size_t{40}, std::size_t{41},
          bytes.size() / 3, bytes.size() / 2, bytes.size() - 1000, bytes.size() - 1}) {
        EXPECT_THROW(Morphology::fromBytes(bytes.substr(0, size), shippedInfo(), "cut.dict"),
                     tavir::Error)
            << size;
    }
}

// Bytes changed anywhere give a refusal, a refusal on look-up, or some answer, but never a
// read outside the automaton (the sanitizer build checks that) or an endless walk.
TEST(Morphology, DamagedAutomataNeverReadOutside)
{
    const char* words[] = {"psami", "jest", "najgorszym", "Krakowie", "zolwiem", "przyjazn"};
    std::uint64_t seed = 12345;
    int refused = 0;
    int answered = 0;
    for (int round = 0; round < 200; ++round) {
        std::string bytes = shippedAutomaton();
        for (int k = 0; k < 8; ++k) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            const std::size_t at = 8 + (seed >> 33) % (bytes.size() - 8);
            bytes[at] = static_cast<char>(seed >> 13);
        }
        try {
            const auto m = Morphology::fromBytes(std::move(bytes), shippedInfo(), "bad.dict");
            LexemeList list;
            for (const char* word : words) {
                m->lookup(tavir::utf8ToCp1250(word), list);
                m->lookupWithoutDiacritics(tavir::utf8ToCp1250(word), list);
            }
            ++answered;
        } catch (const tavir::Error& e) {
            EXPECT_EQ(std::string(e.what()), "Damaged dictionary bad.dict");
            ++refused;
        }
    }
    EXPECT_EQ(refused + answered, 200);
    EXPECT_GT(refused, 0);
}

TEST(Morphology, BadHeadersMetadataAndLoopsAreRefused)
{
    // A hand-made automaton: x -> root; root -a-> n1; n1 -+-> n2; n2 -A-> n2, final: the
    // entries after "a+" never end.
    const std::string header("\\fsa\xC6\x00\x07\x00", 8);
    const std::string loop("\x40x\x03"
                           "\x40"
                           "a\x06"
                           "\x40+\x09"
                           "\x60"
                           "A\x09",
                           12);
    const std::string none = "fsa.dict.separator=+\nfsa.dict.encoding=UTF-8\nfsa.dict.encoder=NONE";
    const auto m = Morphology::fromBytes(header + loop, none, "loop.dict");
    LexemeList list;
    EXPECT_THROW(m->lookup("a", list), tavir::Error);
    m->lookup("b", list);
    EXPECT_TRUE(list.empty());

    std::string badMagic = header + loop;
    badMagic[1] = 'F';
    std::string badVersion = header + loop;
    badVersion[4] = '\xC5';
    std::string badFlags = header + loop;
    badFlags[5] = '\x40';
    std::string manyLabels = header + loop;
    manyLabels[7] = '\x21';
    std::string outside = header + loop;
    outside.back() = '\x7F'; // a target past the end
    for (const std::string& bytes : {badMagic, badVersion, badFlags, manyLabels, outside})
        EXPECT_THROW(Morphology::fromBytes(bytes, none, "bad.dict"), tavir::Error);
    EXPECT_THROW(Morphology::fromBytes(header + loop, "fsa.dict.encoding=iso-8859-2", "x"),
                 tavir::Error);
    EXPECT_THROW(Morphology::fromBytes(header + loop, "fsa.dict.encoder=MORPH", "x"), tavir::Error);
}

} // namespace
