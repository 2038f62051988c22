#pragma once

#include "base/atomic_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavir::test {

// A child process that takes the write lock for `path` as a writer does and then stops there,
// as an instance of the program that hangs, until it is killed: what a writer killed while it
// held the lock leaves behind then stays.
class LockHolder
{
public:
    explicit LockHolder(const std::string& path)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        std::fflush(nullptr);
        const pid_t parent = ::getpid();
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            // Gone with the test, should it end first.
            if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
                ::_exit(1);
            const FileReplacement held(path);
            if (::write(ready[1], "x", 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        while (child_ > 0 && ::read(ready[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
    }
    ~LockHolder() { kill(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

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
};

} // namespace tavir::test
