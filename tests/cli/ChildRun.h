#pragma once
// vantle-cli-sim as a child process: standard input from a file (or nothing), standard output and
// error caught in files, and a watcher that may signal the child while it runs.

#include <fcntl.h>
#include <signal.h>
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

// watch is called every few milliseconds while the child runs, with its process id. With readLines
// set, standard output is a pipe that is read for that many lines and then closed, the child
// ignoring SIGPIPE (as under a service manager): its next write fails with EPIPE.
inline ChildResult RunCliSim(const std::vector<std::string>& args, const std::string& stdinFile = "/dev/null",
                             const std::function<void(pid_t)>& watch = {}, int readLines = -1) {
    TempDir dir;
    int pipeEnds[2] = {-1, -1};
    if (readLines >= 0 && ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
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
    if (readLines >= 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    // An ignored signal stays ignored in the program the child becomes.
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, readLines >= 0 ? &ignore : nullptr, &before);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::sigaction(SIGPIPE, &before, nullptr);
    posix_spawn_file_actions_destroy(&actions);
    ChildResult result;
    if (readLines >= 0) {
        ::close(pipeEnds[1]);
        ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    }
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return result;
    }
    int status = 0;
    // A child that does not end (a broken run) fails the test rather than hanging it.
    auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > bound) {
            ADD_FAILURE() << "the child did not end within 120 s";
            ::kill(pid, SIGKILL);
            bound = std::chrono::steady_clock::time_point::max();
        }
        if (watch) {
            watch(pid);
        }
        char byte = 0;
        while (pipeEnds[0] >= 0 && ::read(pipeEnds[0], &byte, 1) == 1) {
            result.out.push_back(byte);
            if (byte == '\n' && --readLines == 0) {
                ::close(pipeEnds[0]);
                pipeEnds[0] = -1;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (pipeEnds[0] >= 0) {
        ::close(pipeEnds[0]);
    } else if (readLines < 0) {
        result.out = ReadBytes(outFile);
    }
    result.err = ReadBytes(errFile);
    return result;
}

}  // namespace vantle::testing
