#pragma once

#include "quotes/finder.h"

namespace tavir {

// How a search compares letters. A-Z only is the window's default; the other two are
// options the user switches on.
enum class Folding
{
    AsciiOnly,    // a-z as A-Z, every other byte as itself
    EveryCase,    // every letter of Windows-1250 as its capital; ß as itself
    NoDiacritics, // every letter as the capital of its base letter: ą Ą á → A, ł → L
};

const FoldTable& everyCaseFoldTable();
const FoldTable& noDiacriticsFoldTable();
const FoldTable& foldTable(Folding folding);

} // namespace tavir
