// The quotation file shipped in dane/cytaty: Windows-1250 bytes, one quotation a CR LF line,
// each ending in " – <attribution>", and the closing line last.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

const std::string kClosingLine = "Koniec bazy cytat\xF3w.";
const std::string kDash = " \x96 ";
constexpr std::size_t kMaxLine = 400;
constexpr std::size_t kMinQuotations = 2000;

std::string shippedBytes()
{
    std::ifstream in(TAVIR_SOURCE_DIR "/dane/cytaty/cytaty.dbc", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines without their CR LF; bytes after the last CR LF make a line of their own.
std::vector<std::string> crLfLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

bool isBlank(unsigned char c)
{
    return c == ' ' || c == 0xA0;
}

// A–Z and the Polish capitals to lower case, runs of blanks to one space.
std::string folded(const std::string& line)
{
    static const std::map<unsigned char, unsigned char> polish = {
        {0xA5, 0xB9}, {0xC6, 0xE6}, {0xCA, 0xEA}, {0xA3, 0xB3}, {0xD1, 0xF1},
        {0xD3, 0xF3}, {0x8C, 0x9C}, {0x8F, 0x9F}, {0xAF, 0xBF}};
    std::string key;
    for (const char ch : line) {
        auto c = static_cast<unsigned char>(ch);
        if (isBlank(c)) {
            if (!key.empty() && key.back() != ' ')
                key += ' ';
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        else if (const auto lower = polish.find(c); lower != polish.end())
            c = lower->second;
        key += static_cast<char>(c);
    }
    if (!key.empty() && key.back() == ' ')
        key.pop_back();
    return key;
}

TEST(ShippedCollection, EveryByteIsADefinedCharacterAndEveryLineEndsInCrLf)
{
    const std::string bytes = shippedBytes();
    ASSERT_FALSE(bytes.empty()) << "cannot read " << TAVIR_SOURCE_DIR "/dane/cytaty/cytaty.dbc";
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n')
                << "line " << line << ": bare CR";
        } else if (c == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "line " << line << ": bare LF";
            ++line;
        } else {
            const bool undefined = c == 0x81 || c == 0x83 || c == 0x88 || c == 0x90 || c == 0x98;
            EXPECT_FALSE(undefined || c < 0x20 || c == 0x7F)
                << "line " << line << ": byte 0x" << std::hex << unsigned{c};
        }
    }
    EXPECT_EQ(bytes.substr(bytes.size() - std::min<std::size_t>(2, bytes.size())), "\r\n")
        << "the last line has no CR LF";
}

TEST(ShippedCollection, EveryQuotationHasOneStyleAndTheClosingLineIsLast)
{
    const std::vector<std::string> lines = crLfLines(shippedBytes());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kClosingLine)
        << "the last line (" << lines.size() << ") is not the closing line";
    EXPECT_GE(lines.size() - 1, kMinQuotations);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& text = lines[i];
        const std::size_t n = i + 1;
        if (text.empty()) {
            ADD_FAILURE() << "line " << n << " is empty";
            continue;
        }
        EXPECT_NE(text, kClosingLine) << "line " << n << ": the closing line before the end";
        EXPECT_LE(text.size(), kMaxLine) << "line " << n << " is too long";
        EXPECT_FALSE(isBlank(static_cast<unsigned char>(text.front())) ||
                     isBlank(static_cast<unsigned char>(text.back())))
            << "line " << n << " starts or ends with a blank";
        const std::size_t dash = text.rfind(kDash);
        EXPECT_TRUE(dash != std::string::npos && dash > 0 && dash + kDash.size() < text.size())
            << "line " << n << " does not end in an en dash and an attribution";
    }
}

TEST(ShippedCollection, NoTwoLinesAreTheSameIgnoringCaseAndBlanks)
{
    const std::vector<std::string> lines = crLfLines(shippedBytes());
    ASSERT_FALSE(lines.empty());
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto [seen, inserted] = first.emplace(folded(lines[i]), i + 1);
        EXPECT_TRUE(inserted) << "line " << i + 1 << " repeats line " << seen->second;
    }
}

TEST(ShippedCollection, FoldingTreatsPolishCapitalsAndBlankRunsAsTheirPlainForms)
{
    EXPECT_EQ(folded("\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF  Ala \x96 X"),
              folded("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF ala \x96 x"));
    EXPECT_NE(folded("Ala ma kota \x96 x"), folded("Ala ma psa \x96 x"));
}

} // namespace
