#include "FXRLoader/RunScript.h"

#include <cstdlib>

#include "FXRLoader/DisplayEnvironment.h"
#include "FXRLoader/LanguageChoice.h"
#include "FXRLoader/RootStartCommand.h"
#include "FXRLoader/WaiterStart.h"
#include "Platform/PrivateDataFiles.h"
#include "Platform/UserLocale.h"
#include "Utility/WorkPath.h"

int RunScript::RunTool(const std::string& toolPath, const std::optional<std::string>& rsfPath) {
  const auto display = quellsy::launcher::CollectDisplayEnvironment([](const char* name) { return std::getenv(name); });
  return quellsy::launcher::StartBehindWaiter(
             quellsy::launcher::PkexecArguments(toolPath, display, GetCurrentLanaguage(), rsfPath))
      .error;
}

std::string RunScript::GetCurrentLanaguage() {
  return quellsy::launcher::ChooseAndStoreLanguage(
      quellsy::platform::PreferredLocaleName(),
      std::filesystem::path(GetAppDataPath()) / quellsy::platform::kPrivateDataFileName,
      quellsy::platform::UserPrivateDataPath());
}
