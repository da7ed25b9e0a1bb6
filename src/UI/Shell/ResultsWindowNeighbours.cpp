#include "UI/Shell/ResultsWindowNeighbours.h"

#include <QGuiApplication>
#include <QScreen>

#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDAboutWindowController.h"
#include "UI/Shell/KDRootWindowController.h"

namespace quellsy::ui {
namespace {

// Centred on its screen, shown, in front and active.
void ShowCentredInFront(QWidget* window) {
  if (const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
    window->move(screen->availableGeometry().center() - window->rect().center());
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

QWidget* ShowRootWindowAgain() {
  TCImageWindow* window = KDRootWindowController::MakeMainWindow(std::string());
  if (!window) return nullptr;  // another Quellsy runs: the program ends
  if (auto* root = window->findChild<KDRootWindowController*>(QString(), Qt::FindDirectChildrenOnly))
    root->setIsNotFristLoad(true);
  ShowCentredInFront(window);
  return window;
}

void ShowAboutWindow() {
  auto* about = new KDAboutWindowController;
  TCImageWindow* window = about->window();
  ModalRunner::beginModalForWindow(window, [window](int) { window->deleteLater(); });
  ShowCentredInFront(window);
}

}  // namespace quellsy::ui
