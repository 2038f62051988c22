#include "base/errors.h"

namespace tavir {

namespace {
Error withPath(std::string_view text, std::string_view path)
{
    std::string message(text);
    message += path;
    return Error(message);
}
} // namespace

Error cannotOpenFile(std::string_view path)
{
    return withPath("Cannot open file ", path);
}
Error cannotCreateFile(std::string_view path)
{
    return withPath("Cannot create file ", path);
}
Error unableToWriteTo(std::string_view path)
{
    return withPath("Unable to write to ", path);
}
Error cannotOpenClipboard()
{
    return Error("Cannot open clipboard");
}

} // namespace tavir
