#include "quotes/product.h"

namespace tavir {

std::string titleWithVersion()
{
    std::string title(kProductTitle);
    title += ' ';
    title += kVersionText;
    return title;
}

} // namespace tavir
