// The settings file's integer conversion against a reference that works on the digits as
// text (leading zeros dropped, length and order compared) instead of accumulating a number.
#include "fuzz/fuzz_support.h"
#include "settings/profile.h"

#include <optional>
#include <string>

namespace {

using tavir::fuzz::check;

bool isDecimal(char c)
{
    return c >= '0' && c <= '9';
}
bool isHex(char c)
{
    return isDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view withoutLeadingZeros(std::string_view digits)
{
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits;
}

std::optional<std::int32_t> reference(std::string_view input)
{
    std::string text(input);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = "$" + text.substr(2);
    std::string_view rest = text;
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (rest.empty())
        return std::nullopt;

    if (rest.front() == '$' || rest.front() == 'x' || rest.front() == 'X') {
        std::string_view digits = rest.substr(1);
        if (digits.empty())
            return std::nullopt;
        for (const char c : digits)
            if (!isHex(c))
                return std::nullopt;
        digits = withoutLeadingZeros(digits);
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        for (const char c : digits)
            pattern = pattern * 16 +
                      static_cast<std::uint32_t>(isDecimal(c) ? c - '0' : (c | 0x20) - 'a' + 10);
        return static_cast<std::int32_t>(pattern);
    }

    const bool negative = rest.front() == '-';
    if (rest.front() == '-' || rest.front() == '+')
        rest.remove_prefix(1);
    if (rest.empty())
        return std::nullopt;
    for (const char c : rest)
        if (!isDecimal(c))
            return std::nullopt;
    const std::string_view digits = withoutLeadingZeros(rest);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : digits)
        magnitude = magnitude * 10 + (c - '0');
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = tavir::fuzz::bytesOf(data, size);
    const auto parsed = tavir::profile::parseInteger(text);
    check(parsed == reference(text), "parseInteger differs from the reference");
    // What the store writes for a number reads back as that number.
    if (parsed)
        check(tavir::profile::parseInteger(std::to_string(*parsed)) == parsed,
              "decimal round trip");
    return 0;
}
