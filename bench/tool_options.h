#pragma once

#include <cstdio>
#include <string_view>

namespace tavir::bench {

// The bench tools take no options: --help answers with the usage, anything else that looks like
// one is refused rather than taken for a file name. Returns the status to end with (0 after the
// usage, 2 after a refusal), or -1 when the arguments hold no option.
inline int answerOptions(int argc, char** argv, const char* usage)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "unknown option %s\n%s", argv[i], usage);
            return 2;
        }
    }
    return -1;
}

} // namespace tavir::bench
