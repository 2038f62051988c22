#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavir {

// Windows-1250 <-> Unicode. Quotations stay bytes everywhere; these convert only where a
// person reads (display) or types (the search field, the command line).

char16_t cp1250ToUnicode(unsigned char byte);
std::u16string cp1250ToUtf16(std::string_view bytes);
std::string cp1250ToUtf8(std::string_view bytes);

// Typed text is composed first, as Unicode's NFC composes it, so that a letter pasted as a
// base letter and a combining mark gives the same byte as the letter typed whole.
// A typed character that has no Windows-1250 form becomes a NUL byte. No line of the
// collection can hold a NUL, so a query holding one finds nothing, as it must.
inline constexpr char kUnmappable = '\0';
std::string utf16ToCp1250(std::u16string_view text);
std::string utf8ToCp1250(std::string_view text);

// For an HTML page in Windows-1250: & < > " are escaped, and a typed character without a
// Windows-1250 form is written as a numeric character reference.
std::string utf16ToCp1250Html(std::u16string_view text);
// The same escaping for bytes that already are Windows-1250.
std::string escapeHtml(std::string_view bytes);

// For text brought in from other files (the import): whole code points, so that a caller can
// decide what becomes of a character without a Windows-1250 form.
std::optional<char> unicodeToCp1250(char32_t c);
// Unicode's block of combining diacritical marks, U+0300 to U+036F.
inline bool isCombiningMark(char32_t c)
{
    return c >= 0x0300 && c <= 0x036F;
}
// The Windows-1250 letter written as `base` followed by the combining `mark`; 0 if none.
char32_t composeCp1250(char32_t base, char32_t mark);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);
// A broken sequence becomes U+FFFD.
std::u32string utf8ToUtf32(std::string_view bytes);
std::u32string cp1250ToUtf32(std::string_view bytes);
std::u32string iso88592ToUtf32(std::string_view bytes);

} // namespace tavir
