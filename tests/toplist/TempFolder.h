#pragma once
// A folder of its own under the system's temporary folder, removed with everything in it at the end.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vantle::testing {

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> next{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vantle-toplist-" + std::to_string(::getpid()) + "-" + std::to_string(next++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};

}  // namespace vantle::testing
