#pragma once

#include <array>

namespace tavir {

// The program looks at no command line. Qt is handed the program's name alone, so none of
// its own options (-reverse, -qwindowtitle, -style...) reach the windows; the platform is
// still chosen through QT_QPA_PLATFORM. Must outlive the QApplication built from it.
class BareArguments
{
public:
    explicit BareArguments(char* programName)
        : values_{programName ? programName : fallback_.data(), nullptr}
    {
    }
    BareArguments(const BareArguments&) = delete;
    BareArguments& operator=(const BareArguments&) = delete;

    int& count() { return count_; }
    char** values() { return values_.data(); }

private:
    std::array<char, 6> fallback_{'t', 'a', 'v', 'i', 'r', '\0'};
    int count_ = 1;
    std::array<char*, 2> values_;
};

} // namespace tavir
