#pragma once
// vantle-cli-sim as a child process: standard input from a file (or nothing), standard output and
// error caught in files, and a watcher that may signal the child while it runs.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "io/TempDir.h"

extern char** environ;

namespace vantle::testing {

struct ChildResult {
    int status = -1;  // the exit status; -1 when the child did not exit by itself
    std::string out;
    std::string err;
};

// watch is called every few milliseconds while the child runs, with its process id.
inline ChildResult RunCliSim(const std::vector<std::string>& args, const std::string& stdinFile = "/dev/null",
                             const std::function<void(pid_t)>& watch = {}) {
    TempDir dir;
    const std::string outFile = dir.File("out"), errFile = dir.File("err");
    std::vector<std::string> all{VANTLE_CLI_SIM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, stdinFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ChildResult result;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (watch) {
            watch(pid);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadBytes(outFile);
    result.err = ReadBytes(errFile);
    return result;
}

}  // namespace vantle::testing
