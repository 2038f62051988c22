#pragma once

#include "quotes/import.h"

#include <optional>
#include <string>
#include <vector>

namespace tavir {

// tavir-cli import [--format fortune|lines] [--encoding utf-8|iso-8859-2|windows-1250]
//                  [--output PATH|--install] FILE...
// A FILE of "-" is standard input.
struct ImportOptions
{
    std::optional<ImportFormat> format;
    std::optional<ImportEncoding> encoding;
    std::string output;   // empty: standard output
    bool install = false; // the output is the user's own collection (userCollectionFile())
    std::vector<std::string> files;
};

// The arguments after "import"; nothing when they are not a valid use.
std::optional<ImportOptions> parseImportArguments(int argc, char** argv);

// Reads every file, writes the collection and the summary; the exit status.
int runImport(const ImportOptions& options);

} // namespace tavir
