#include "io/FileErrors.h"

#include <cerrno>
#include <cstring>

namespace vantle {

std::string SystemErrorText(int errorNumber) {
    // One UI thread reads and writes files, so strerror's shared buffer is not contended.
    return std::strerror(errorNumber);
}

std::string CannotOpenText(const std::string& path, int errorNumber) {
    return "Cannot open file \"" + path + "\". " + SystemErrorText(errorNumber);
}

std::string CannotCreateText(const std::string& path, int errorNumber) {
    return "Cannot create file \"" + path + "\". " + SystemErrorText(errorNumber);
}

std::string InOutErrorText(int errorNumber) {
    if (errorNumber == ENOSPC) {
        return "Disk full";
    }
    return "I/O error " + std::to_string(errorNumber);
}

}  // namespace vantle
