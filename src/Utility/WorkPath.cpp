#include "Utility/WorkPath.h"

#include <filesystem>
#include <system_error>

const char* GetAppWorkPath() {
  static const std::string folder = [] {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
  }();
  return folder.empty() ? nullptr : folder.c_str();
}

std::string GetAppDataPath() {
  if (const char* work = GetAppWorkPath()) {
    const auto beside = std::filesystem::path(work).parent_path() / "share" / "quellsy";
    std::error_code error;
    if (std::filesystem::is_directory(beside, error)) return beside.string();
  }
  return QUELLSY_INSTALL_DATA_DIR;
}
