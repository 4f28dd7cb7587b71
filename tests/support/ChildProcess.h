#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Per-process state (signals, the translation set-up) is tested in a child
// forked from this thread alone. Returns the child's wait status.
inline int WaitStatusInChild(const std::function<int()>& body)
{
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// The child's exit code: 0 when body held, 1 when not, 99 when it did not end
// normally.
inline int ExitCodeInChild(const std::function<bool()>& body)
{
    const int status = WaitStatusInChild([&body] { return body() ? 0 : 1; });
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}
