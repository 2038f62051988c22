#pragma once

#include <unistd.h>

namespace tavir::test {

// A test that would block (a FIFO, a lock never released) ends the test process at the
// deadline instead of hanging the suite.
class Deadline
{
public:
    explicit Deadline(unsigned seconds) { ::alarm(seconds); }
    ~Deadline() { ::alarm(0); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
};

} // namespace tavir::test
