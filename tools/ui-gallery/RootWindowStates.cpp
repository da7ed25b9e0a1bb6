// The main window in its states on the scripted backend: the file-type page, the device page with many
// devices and with none, and the notice over it when the chosen drive cannot be opened.

#include <QApplication>

#include "Gallery.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/APFSScanWindowController.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/RootWindowHooks.h"

namespace quellsy::gallery {
namespace {

using namespace quellsy::ui;

constexpr std::int64_t kGB = 1000000000;

// An internal disk (not listed), three USB disks, a loop device over an image file and two opened images.
std::vector<ScriptedDevice> ManyDevices() {
  ScriptedDevice internal{"Samsung SSD 970 EVO 1TB", 1000 * kGB, false, true, false, false,
                          {{"Linux", 2, 999 * kGB}}};
  ScriptedDevice stick{"SanDisk Ultra USB 3.0", 32 * kGB, true, false, false, false, {{"UNTITLED", 7, 32 * kGB}}};
  ScriptedDevice kingston{"Kingston DataTraveler", 16 * kGB, true, false, false, false,
                          {{"BACKUP", 2, 8 * kGB}, {"PHOTOS", 3, 8 * kGB}}};
  ScriptedDevice drive{"Transcend StoreJet", 1000 * kGB, true, false, false, false,
                       {{"Time Machine", 8, 600 * kGB}, {"Media", 7, 400 * kGB}}};
  ScriptedDevice loop{"camera-card.img", 8 * kGB, false, false, false, false, {{"EOS_DIGITAL", 2, 8 * kGB}}};
  loop.loop = true;
  ScriptedDevice qim{"Card backup.qim", 7948206080, false, false, true, false, {}};
  ScriptedDevice dmg{"Old Mac.dmg", 250 * kGB, false, false, false, true, {}};
  return {internal, stick, kingston, drive, loop, qim, dmg};
}

// The title bar as the program dresses it, with the about window and the import behind its buttons.
void InstallHooks() {
  RootWindowHooks hooks;
  hooks.showAbout = [](TCImageWindow&) {};
  hooks.importScanResult = [](KDRootWindowController&) {};
  hooks.openLink = [](const std::string&) {};
  SetRootWindowHooks(std::move(hooks));
}

// A main window on the device page over devices; the picture of what the screen shows, with any modal window.
std::unique_ptr<QWidget> DevicePage(ScriptedBackend& backend, std::vector<ScriptedDevice> devices) {
  InstallHooks();
  backend.SetDevices(std::move(devices));
  KDRootWindowController root;
  root.show();
  root.selectTypeVC()->nextButtonAction();
  root.InitFinished();
  std::vector<QWidget*> windows{root.window()};
  auto* notice = qobject_cast<TCImageWindow*>(ModalRunner::modalWindow());
  if (notice) windows.push_back(notice);
  auto picture = Composite(windows);
  if (notice) {
    ModalRunner::endRun(notice, 0);
    delete notice;
  }
  backend.SetDevices(ScriptedBackend::SampleDevices());
  SetRootWindowHooks({});
  return picture;
}

}  // namespace

void AddRootWindowStates(Gallery& gallery, ScriptedBackend& backend) {
  gallery.Add({QStringLiteral("root-file-types"), QStringLiteral("The main window as it opens: how the files were lost"),
               [] {
                 InstallHooks();
                 KDRootWindowController root;
                 root.show();
                 auto picture = Composite({root.window()});
                 SetRootWindowHooks({});
                 return picture;
               }});
  gallery.Add({QStringLiteral("root-devices"),
               QStringLiteral("The device page with USB disks, an attached image file and opened images; the "
                              "internal disk is not listed, the first volume is chosen"),
               [&backend] { return DevicePage(backend, ManyDevices()); }});
  gallery.Add({QStringLiteral("root-devices-none"),
               QStringLiteral("The device page when only an internal disk is connected"),
               [&backend] { return DevicePage(backend, {ManyDevices().front()}); }});
  gallery.Add({QStringLiteral("root-cannot-open"),
               QStringLiteral("The notice over the device page when the only volume cannot be opened"),
               [&backend] {
                 ScriptedDevice stick{"SanDisk Ultra USB 3.0", 32 * kGB, true, false, false, false,
                                      {{"UNTITLED", 7, 32 * kGB, false}}};
                 return DevicePage(backend, {stick});
               }});
}

}  // namespace quellsy::gallery
