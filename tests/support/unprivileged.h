#pragma once

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavir::test {

// Root ignores permission bits, so a read-only file or folder stops only someone else. These
// helpers hand files to the unprivileged user "nobody" and run the code under test as that
// user in a child process. Without root, the bits already apply and the code runs in place.
inline constexpr uid_t kNobody = 65534;

// Gives `path` to nobody (when root) and sets its permission bits.
inline void handToNobody(const std::filesystem::path& path, mode_t mode)
{
    if (::geteuid() == 0 && ::chown(path.c_str(), kNobody, kNobody) != 0)
        throw std::filesystem::filesystem_error("chown", path,
                                                std::error_code(errno, std::generic_category()));
    std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode));
}

// What `body` returns (its exception's text, prefixed "error: ", when it throws); nothing
// when the child could not become nobody or did not finish.
template <typename Body> std::optional<std::string> runAsNobody(Body&& body)
{
    const auto outcome = [&]() -> std::string {
        try {
            return body();
        } catch (const std::exception& error) {
            return std::string("error: ") + error.what();
        }
    };
    if (::geteuid() != 0)
        return outcome();

    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return std::nullopt;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(3);
        const std::string text = outcome();
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(pipeEnds[1], text.data() + done, text.size() - done);
            if (n <= 0)
                ::_exit(4);
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

} // namespace tavir::test
