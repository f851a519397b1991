#include "io/UserDirs.h"

#include <cstdlib>

namespace vantle {

std::filesystem::path UserDir(const char* variable, const char* underHome) {
    if (const char* set = std::getenv(variable); set != nullptr && set[0] == '/') {
        return set;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return std::filesystem::path(home) / underHome;
    }
    return {};
}

}  // namespace vantle
