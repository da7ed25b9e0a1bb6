#include "UI/App/ApplicationSession.h"

#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Shell/KDLinkUrl.h"
#include "UI/Shell/ResultsWindowHandOver.h"
#include "UI/Shell/RootWindowHooks.h"
#include "UI/Shell/ScanResultImport.h"

namespace quellsy::ui {

ApplicationSession::ApplicationSession(IFacadeBackend& backend, const std::string& language)
    : services_(backend, language) {
  SetResultsWindowFactory(KDDeletailWindowController::Make);
  delegate_.setShutdownHook([this] { sleepGuard_.release(); });
  RootWindowHooks hooks;
  hooks.showAbout = [this](TCImageWindow&) { delegate_.aboutAction(); };
  hooks.openLink = [](const std::string& key) { KDLinkUrl::OpenUrl(key); };
  hooks.importScanResult = ImportScanResult;
  hooks.openScanResult = OpenScanResult;
  SetRootWindowHooks(std::move(hooks));
}

ApplicationSession::~ApplicationSession() {
  sleepGuard_.release();
  SetRootWindowHooks({});
  SetResultsWindowFactory({});
}

void ApplicationSession::Launch() { delegate_.applicationDidFinishLaunching(); }

}  // namespace quellsy::ui
