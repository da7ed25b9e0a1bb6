#include "Utility/WorkPath.h"

#include <filesystem>
#include <string>
#include <system_error>

const char* GetAppWorkPath() {
  static const std::string folder = [] {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
  }();
  return folder.empty() ? nullptr : folder.c_str();
}
