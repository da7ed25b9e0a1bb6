#include "UI/Shell/KDLinkUrl.h"

#include <QString>

#include "UI/Kit/PrivateData.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Kit/UserOpener.h"

namespace quellsy::ui {

std::optional<std::string> KDLinkUrl::GetUrl(std::string_view key) {
  const platform::SettingsFile links = PrivateData::Installed();
  const std::string language = UserDefaults::Instance().PreferredLanguage();
  if (auto address = links.GetTableString(language, key); address && !address->empty()) return address;
  return links.GetTableString("en", key);
}

bool KDLinkUrl::OpenUrl(std::string_view key) {
  const auto address = GetUrl(key);
  return address && OpenInUserSession(QString::fromStdString(*address));
}

}  // namespace quellsy::ui
