#pragma once
// A child process of a test, killed and waited for once the test is done with it, or when the test
// ends early on a failed check.

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

namespace vantle::testing {

struct Reaped {
    pid_t pid;
    void End() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~Reaped() { End(); }
};

}  // namespace vantle::testing
