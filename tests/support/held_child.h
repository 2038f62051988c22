#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavir::test {

// A child process that sets something up, reports a number, and then stays as it is until it is
// killed, at the latest with the test: `setUp` runs in the child and ends by calling the `hold`
// it is given with the number to report, which never returns.
class HeldChild
{
public:
    template <typename SetUp> explicit HeldChild(SetUp&& setUp)
    {
        int report[2];
        if (::pipe(report) != 0)
            return;
        std::fflush(nullptr);
        const pid_t parent = ::getpid();
        child_ = ::fork();
        if (child_ == 0) {
            ::close(report[0]);
            setUp([&](int value) {
                // Gone with the test, should it end first; asked here, as a change of user
                // clears it.
                if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent ||
                    ::write(report[1], &value, sizeof value) != sizeof value)
                    ::_exit(1);
                for (;;)
                    ::pause();
            });
            ::_exit(1);
        }
        ::close(report[1]);
        ssize_t got = -1;
        while (child_ > 0 && (got = ::read(report[0], &reported_, sizeof reported_)) < 0 &&
               errno == EINTR) {
        }
        if (got != sizeof reported_)
            reported_ = -1;
        ::close(report[0]);
    }
    ~HeldChild() { kill(); }
    HeldChild(const HeldChild&) = delete;
    HeldChild& operator=(const HeldChild&) = delete;

    // What the child reported; -1 when it did not.
    int reported() const { return reported_; }

    void kill()
    {
        if (child_ <= 0)
            return;
        ::kill(child_, SIGKILL);
        int status = 0;
        while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
        child_ = -1;
    }

private:
    pid_t child_ = -1;
    int reported_ = -1;
};

} // namespace tavir::test
