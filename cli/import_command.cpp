#include "cli/import_command.h"

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/import_output.h"
#include "cli/output.h"
#include "quotes/file_places.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace tavir {

namespace {

constexpr std::size_t kBlockSize = 1 << 18;

// An input of the import, read once for its format and encoding and once more for its entries.
// Standard input is kept in a temporary file in between.
struct Input
{
    std::string path;
    FileDescriptor spool; // standard input's bytes
    ImportFormat format = ImportFormat::Lines;
    ImportEncoding encoding = ImportEncoding::Utf8;
    std::string_view encodingName;
};

// Calls `block` for every block of the input's bytes.
template <typename Block> void readInput(const Input& input, bool first, Block block)
{
    FileDescriptor opened;
    int fd = -1;
    int spool = -1;
    if (input.path == "-") {
        fd = first ? STDIN_FILENO : input.spool.get();
        spool = first ? input.spool.get() : -1;
        if (!first && ::lseek(fd, 0, SEEK_SET) != 0)
            throw cannotOpenFile(input.path);
    } else {
        OpenFile file = openRegularFile(input.path);
        if (!file.fd.valid())
            throw cannotOpenFile(input.path);
        opened = std::move(file.fd);
        fd = opened.get();
    }
    std::string bytes(kBlockSize, '\0');
    for (;;) {
        const ssize_t n = readSome(fd, bytes.data(), bytes.size());
        if (n < 0)
            throw cannotOpenFile(input.path);
        if (n == 0)
            return;
        const std::string_view read(bytes.data(), static_cast<std::size_t>(n));
        if (spool >= 0)
            cli::writeTemporary(spool, read);
        block(read);
    }
}

} // namespace

std::optional<ImportOptions> parseImportArguments(int argc, char** argv)
{
    ImportOptions options;
    int i = 0;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--format" && hasValue) {
            options.format = importFormatFromName(argv[++i]);
            if (!options.format)
                return std::nullopt;
        } else if (arg == "--encoding" && hasValue) {
            options.encoding = importEncodingFromName(argv[++i]);
            if (!options.encoding)
                return std::nullopt;
        } else if (arg == "--output" && hasValue) {
            options.output = argv[++i];
            if (options.output.empty())
                return std::nullopt;
        } else if (arg == "--install") {
            options.install = true;
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.starts_with("--")) {
            return std::nullopt;
        } else {
            break;
        }
    }
    for (; i < argc; ++i)
        options.files.emplace_back(argv[i]);
    if (options.files.empty() || (options.install && !options.output.empty()))
        return std::nullopt;
    return options;
}

int runImport(const ImportOptions& options)
{
    try {
        const std::string output = options.install ? userCollectionFile() : options.output;
        // Every input is read through first: a file whose encoding cannot be told stops the
        // import before anything is written.
        std::vector<Input> inputs(options.files.size());
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            Input& input = inputs[i];
            input.path = options.files[i];
            if (input.path == "-") {
                // A closed standard input: the spool must not take its place.
                if (::fcntl(STDIN_FILENO, F_GETFD) < 0)
                    throw cannotOpenFile(input.path);
                input.spool = FileDescriptor(cli::openTemporaryFile());
            }
            ImportScan scan;
            readInput(input, true, [&scan](std::string_view block) { scan.add(block); });
            const DetectedEncoding detected = scan.encoding();
            if (!options.encoding && !detected.encoding)
                throw Error("Cannot tell the encoding of " + input.path + ", line " +
                            std::to_string(detected.line) + ": " + std::string(detected.name) +
                            " (name it with --encoding)");
            input.format = options.format.value_or(scan.format());
            input.encoding =
                options.encoding.value_or(detected.encoding.value_or(ImportEncoding::Utf8));
            input.encodingName =
                options.encoding ? importEncodingName(*options.encoding) : detected.name;
        }
        // Where the folders cannot be made, opening the output tells why.
        if (options.install)
            (void)makeParentFolders(output);
        cli::ImportOutput out(output);
        ImportStream import(out.sink());
        for (const Input& input : inputs) {
            import.beginFile(input.format, input.encoding);
            readInput(input, false, [&import](std::string_view block) { import.add(block); });
            import.endFile();
        }
        import.finish();
        out.deliver();
        std::string summary;
        for (const Input& input : inputs)
            summary += "read as " + std::string(input.encodingName) + " (" +
                       std::string(importFormatName(input.format)) + "): " + input.path + "\n";
        summary += import.summary();
        if (options.install)
            summary += "installed as: " + output + "\n";
        std::fwrite(summary.data(), 1, summary.size(), stderr);
        return 0;
    } catch (const cli::OutputFailed& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

} // namespace tavir
