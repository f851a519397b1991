#pragma once
// A file descriptor as an owned handle, and the two loops that read and write all of a file through
// it. Failures come back as errno values; the callers choose the error text.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantle {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    // Closes now; 0 or the errno of a failed close (a late write error of some file systems).
    int close();

private:
    int fd_ = -1;
};

enum class ReadResult { Ok, TooLarge, Failed };

// Appends the rest of the file to `out`, stopping with TooLarge as soon as `out` would exceed
// maxBytes; on Failed, `errorNumber` holds the errno.
ReadResult ReadAll(int fd, std::string& out, std::size_t maxBytes, int& errorNumber);

// Writes all of `data`, retrying short writes; 0 or the errno of the failing write.
int WriteAll(int fd, std::string_view data);

}  // namespace vantle
