#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavir {

// Every failure the library reports carries the text the user sees.
class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

Error cannotOpenFile(std::string_view path);
Error cannotCreateFile(std::string_view path);
Error unableToWriteTo(std::string_view path);
Error cannotOpenClipboard();

} // namespace tavir
