// SPDX-License-Identifier: MIT
// Child processes in tests: a check run as an ordinary user (the tests run as root here, and root
// writes through permission bits), and waiting for a child.
#pragma once

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vantro::testing {

/// Waits for the child `pid`; whether it exited with 0.
inline bool waitForExit(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// Runs `check` (an empty result means it passed) in a child that has dropped to "nobody" when the
/// process is root, or directly otherwise. Returns the check's message, or why it could not run.
inline std::string runUnprivileged(const std::function<std::string()>& check) {
    if (geteuid() != 0) return check();
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        close(fds[0]);
        std::string result = "cannot drop privileges";
        if (setgid(65534) == 0 && setuid(65534) == 0) result = check();
        if (!result.empty() && write(fds[1], result.data(), result.size()) < 0) _exit(3);
        _exit(result.empty() ? 0 : 1);
    }
    close(fds[1]);
    std::string message;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) message.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    if (!waitForExit(pid)) return message.empty() ? "child failed" : message;
    return {};
}

}  // namespace vantro::testing
