#include "UI/Shell/StartupArguments.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "Platform/LauncherHandOver.h"
#include "UI/Kit/UserDefaults.h"
#include "Utility/CatchExeception.h"

namespace quellsy::ui {

StartupArguments ReadStartupArguments(int argc, const char* const* argv) {
  StartupArguments arguments;
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return arguments;
  std::string_view first(argv[1]);
  const bool ascii = std::none_of(first.begin(), first.end(), [](char c) { return (c & 0x80) != 0; });
  if (first.ends_with(platform::kLoaderFlag)) {
    first.remove_suffix(platform::kLoaderFlag.size());
    if (ascii) arguments.language = std::string(first);
  } else if (ascii && !first.empty()) {
    arguments.language = std::string(first);
  }
  if (argc >= 3 && argv[2] != nullptr && std::string_view(argv[2]).find(kScanResultMark) != std::string_view::npos)
    arguments.scanResultPath = argv[2];
  return arguments;
}

void setCurLanguage(const std::string& code) {
  std::printf("argv = %s\n", code.c_str());
  CatchExeception::WriteLog("set lanague to = %s\r\n", code.c_str());
  UserDefaults::Instance().SetStringList(UserDefaults::kLanguages, {code});
}

void StoreStartupArguments(const StartupArguments& arguments) {
  if (arguments.language) setCurLanguage(*arguments.language);
  UserDefaults& defaults = UserDefaults::Instance();
  defaults.SetString(UserDefaults::kScanResultPath, "");
  if (!arguments.scanResultPath.empty()) defaults.SetString(UserDefaults::kScanResultPath, arguments.scanResultPath);
}

}  // namespace quellsy::ui
