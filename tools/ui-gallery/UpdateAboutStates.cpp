// The update window in its four views and the About window, as the menu opens them. The update window is put
// into each view directly: the gallery asks no network.

#include "Gallery.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDAboutWindowController.h"
#include "UI/Shell/KDCheckUpdateWindowController.h"

namespace quellsy::gallery {
namespace {

using ui::KDCheckUpdateWindowController;

// The controller belongs to its window, which the gallery owns.
std::unique_ptr<QWidget> UpdateWindow(const std::function<void(KDCheckUpdateWindowController&)>& into) {
  auto* update = new KDCheckUpdateWindowController;
  std::unique_ptr<QWidget> window(update->window());
  into(*update);
  return window;
}

}  // namespace

void AddUpdateAboutStates(Gallery& gallery) {
  gallery.Add({QStringLiteral("updatewindow-checking"), QStringLiteral("The update window while it checks"),
               [] { return UpdateWindow([](KDCheckUpdateWindowController&) {}); }});
  gallery.Add({QStringLiteral("updatewindow-nonetwork"),
               QStringLiteral("The update window without a network or a readable list of versions"), [] {
                 return UpdateWindow([](KDCheckUpdateWindowController& update) {
                   update.showCheckResult(ui::UpdateCheckResult{false, std::nullopt});
                 });
               }});
  gallery.Add({QStringLiteral("updatewindow-uptodate"),
               QStringLiteral("The update window when no newer build is offered"), [] {
                 return UpdateWindow([](KDCheckUpdateWindowController& update) {
                   // Build 0: never newer than the installed one.
                   update.showCheckResult(
                       ui::UpdateCheckResult{true, ui::UpdateVersionList{0, QStringLiteral("1.0"), {}}});
                 });
               }});
  gallery.Add({QStringLiteral("updatewindow-newversion"),
               QStringLiteral("The update window with a newer version and its new features, a long one wrapped"), [] {
                 return UpdateWindow([](KDCheckUpdateWindowController& update) {
                   update.whatIsNewVersionDiff(ui::UpdateVersionList{
                       1000000,
                       QStringLiteral("2.1"),
                       {{1, QStringLiteral("Faster quick scans of large NTFS volumes")},
                        {2, QStringLiteral("Complete scans of disks with 4096-byte sectors find NTFS volumes from "
                                           "their log pages, and the results window keeps its place while new "
                                           "files arrive")},
                        {3, QStringLiteral("Saved scan results open from the file manager")},
                        {4, QStringLiteral("Fixes for HFS+ journals that wrap")}}});
                 });
               }});
  gallery.Add({QStringLiteral("aboutwindow"), QStringLiteral("The About window with its link to the product page"),
               [] {
                 auto* about = new ui::KDAboutWindowController;
                 return std::unique_ptr<QWidget>(about->window());
               }});
}

}  // namespace quellsy::gallery
