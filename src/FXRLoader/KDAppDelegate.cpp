#include "FXRLoader/KDAppDelegate.h"

#include <filesystem>

#include "FXRLoader/RunScript.h"
#include "Platform/InstalledPrograms.h"

bool KDAppDelegate::applicationOpenFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  const auto full = std::filesystem::absolute(path, error);
  if (error) return false;
  rsfPath_ = full.string();
  return true;
}

int KDAppDelegate::applicationDidFinishLaunching() {
  return RunScript::RunTool(quellsy::platform::InstalledRootStart(), rsfPath_);
}
