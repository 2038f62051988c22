#pragma once

#include "fuzz/fuzz_support.h"
#include "quotes/finder.h"
#include "quotes/queries.h"
#include "quotes/stream.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavir::fuzz {

// Result rows kept as copies: the streaming search reuses its buffer.
class CopiedRows final : public ResultList
{
public:
    void clear() override { rows.clear(); }
    void beginUpdate() override {}
    void endUpdate() override {}
    void add(std::string_view caption, int) override { rows.emplace_back(caption); }
    std::vector<std::string> rows;
};

inline void checkRows(const std::vector<std::string>& rows,
                      const std::vector<std::string_view>& expected, const char* count,
                      const char* differ)
{
    check(rows.size() == expected.size(), count);
    for (std::size_t i = 0; i < expected.size(); ++i)
        check(rows[i] == expected[i], differ);
}

// The command line's streaming search, fed in pieces of `piece` bytes, lists `expected`.
inline void checkStreamed(std::string_view query, std::string_view file, const FoldTable& fold,
                          std::size_t piece, const std::vector<std::string_view>& expected)
{
    CopiedRows streamed;
    {
        QueryStream stream(query, streamed, fold);
        for (std::size_t at = 0; at < file.size(); at += piece)
            if (!stream.feed(file.substr(at, piece)))
                break;
        stream.finish();
    }
    checkRows(streamed.rows, expected, "streamed rows", "streamed rows differ from the reference");
}

} // namespace tavir::fuzz
