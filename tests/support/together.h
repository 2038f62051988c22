#pragma once

#include <cerrno>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace tavir::test {

// Runs body(instance) for instance 0 … count-1, each in a child process of its own, all
// released at the same moment (a pipe closed under them), as two windows closing together.
// True when every child ended with status 0; a body that throws ends its child with status 1.
template <int count, typename Body> bool runTogether(Body body)
{
    int start[2];
    if (::pipe(start) != 0)
        return false;
    std::fflush(nullptr);
    pid_t children[count];
    bool forked = true;
    for (int instance = 0; instance < count; ++instance) {
        children[instance] = forked ? ::fork() : -1;
        forked = forked && children[instance] >= 0;
        if (children[instance] == 0) {
            char go = 0;
            ::close(start[1]);
            if (::read(start[0], &go, 1) != 0)
                ::_exit(2);
            try {
                body(instance);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
    }
    ::close(start[0]);
    ::close(start[1]); // all start now
    bool allDone = forked;
    for (const pid_t child : children) {
        if (child < 0)
            continue;
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        allDone = allDone && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return allDone;
}

} // namespace tavir::test
