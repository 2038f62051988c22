#pragma once

#include "quotes/finder.h"

#include <string>
#include <string_view>

namespace tavir::test {

// `text` with every byte replaced by the byte it folds to.
inline std::string folded(const FoldTable& fold, std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(fold[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace tavir::test
