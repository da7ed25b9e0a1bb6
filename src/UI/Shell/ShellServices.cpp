#include "UI/Shell/ShellServices.h"

#include <QApplication>
#include <QString>

#include "Bridge/BridgeServices.h"
#include "Bridge/KDPublicUtilities.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/EditingShortcuts.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/GuiThreadPoster.h"
#include "UI/Kit/SettingsStore.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"

namespace quellsy::ui {

std::string ShellServices::ChosenLanguage(const std::string& asked) {
  if (!asked.empty()) return asked;
  const std::string preferred = UserDefaults::Instance().PreferredLanguage();
  return preferred.empty() ? KDPublicUtilities::GetCurrentLanaguage() : preferred;
}

ShellServices::ShellServices(IFacadeBackend& backend, const std::string& language)
    : poster_(std::make_unique<GuiThreadPoster>()),
      settings_(std::make_unique<SettingsStore>(UserDefaults::Instance())) {
  QApplication::setFont(SystemFont(13));
  EditingShortcuts::Install();
  Texts::Instance().SetLanguage(QString::fromStdString(ChosenLanguage(language)));
  bridge::SetTranslator(&Texts::Instance());
  bridge::SetSettingsStore(settings_.get());
  bridge::SetMainThreadPoster(poster_.get());
  SetBackend(&backend);
}

ShellServices::~ShellServices() {
  SetBackend(nullptr);
  bridge::SetMainThreadPoster(nullptr);
  bridge::SetSettingsStore(nullptr);
  bridge::SetTranslator(nullptr);
}

}  // namespace quellsy::ui
