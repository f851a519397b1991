#pragma once
// Where the user's files of a kind go, by the XDG rules.

#include <filesystem>

namespace vantle {

// $variable when it holds an absolute path, else $HOME/underHome; empty when neither is set.
std::filesystem::path UserDir(const char* variable, const char* underHome);

}  // namespace vantle
