#pragma once

#include "base/atomic_file.h"
#include "tests/support/held_child.h"

#include <string>

namespace tavir::test {

// A child process that takes the write lock for `path` as a writer does and then stops there,
// as an instance of the program that hangs, until it is killed: what a writer killed while it
// held the lock leaves behind then stays.
class LockHolder : public HeldChild
{
public:
    explicit LockHolder(const std::string& path)
        : HeldChild([&](auto hold) {
              const FileReplacement held(path);
              hold(0);
          })
    {
    }
};

} // namespace tavir::test
