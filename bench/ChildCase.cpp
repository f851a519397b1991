#include "ChildCase.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vantle::bench {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

[[noreturn]] void ExecSelf(const std::vector<std::string>& args, int outFd) {
    ::dup2(outFd, STDOUT_FILENO);
    std::vector<char*> argv;
    static char self[] = "/proc/self/exe";
    argv.push_back(self);
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(self, argv.data());
    std::_Exit(127);
}

std::string ReadAll(int fd) {
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

void ParseReport(ChildResult& result) {
    std::istringstream lines(result.output);
    bool timed = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("seconds=", 0) == 0) {
            result.seconds = std::strtod(line.c_str() + 8, nullptr);
            timed = true;
        } else if (line.rfind("note=", 0) == 0) {
            result.note = line.substr(5);
        }
    }
    result.ok = result.ok && timed;
}

}  // namespace

ChildResult RunChildCase(const std::vector<std::string>& args) {
    ChildResult result;
    int ends[2];
    if (::pipe(ends) != 0) {
        return result;
    }
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ExecSelf(args, writeEnd.get());
    }
    writeEnd.reset();
    if (pid < 0) {
        return result;
    }
    result.output = ReadAll(readEnd.get());
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid) {
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        result.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    }
    ParseReport(result);
    return result;
}

void ReportChildResult(double seconds, const std::string& note) {
    std::printf("seconds=%.6f\n", seconds);
    if (!note.empty()) {
        std::printf("note=%s\n", note.c_str());
    }
    std::fflush(stdout);
}

}  // namespace vantle::bench
