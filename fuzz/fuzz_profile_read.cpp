// The settings file's reader on any bytes: it never fails, hands back one line of at most
// 2047 bytes, ignores the case of names, and is not swayed by sections it was not asked for.
// Input: section 0x1F key 0x1F file bytes.
#include "fuzz/fuzz_support.h"
#include "settings/profile.h"

#include <string>

namespace {

using namespace tavir::fuzz;
namespace profile = tavir::profile;

constexpr std::string_view kMissing = "\n<missing>"; // no value can hold a line break
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string swappedCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fields(bytesOf(data, size), 2);
    const std::string_view section = parts[0], key = parts[1], text = parts[2];

    const std::string value = profile::readStringIn(text, section, key, kMissing);
    const bool found = value != kMissing;
    if (found) {
        check(value.size() <= profile::kMaxValueLength, "value longer than 2047 bytes");
        check(!holdsLineBreakOrNul(value), "value holds a line break or NUL");
    }

    check(profile::readStringIn(text, swappedCase(section), swappedCase(key), kMissing) == value,
          "names compared with regard to case");

    if (section.find('\x01') == std::string_view::npos) {
        // A byte-order mark counts only at the very start, so it stays in front.
        std::string_view body = text;
        const bool marked = body.starts_with(kByteOrderMark);
        if (marked)
            body.remove_prefix(kByteOrderMark.size());
        const std::string prefixed = std::string(marked ? kByteOrderMark : "") + "[\x01]\r\n" +
                                     std::string(key) + "=other\r\n" + std::string(body);
        check(profile::readStringIn(prefixed, section, key, kMissing) == value,
              "a section in front changed the value");
    }

    if (writableSection(section) && writableKey(key)) {
        const std::string appended = std::string(text) + "\r\n[" + std::string(section) + "]\r\n" +
                                     std::string(key) + "=appended\r\n";
        const std::string after = profile::readStringIn(appended, section, key, kMissing);
        check(found ? after == value : (after == kMissing || after == "appended"),
              "a later section changed the value");
    }
    return 0;
}
