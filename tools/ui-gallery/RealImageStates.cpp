// The windows on the real bridge over disk images made at draw time (RealImages): the device page listing them,
// the results window during a quick scan of the FAT32 card and after it (the path, type and date trees, a
// search), a recovery into a folder of the run's own checked byte for byte against the card's manifest, and the
// NTFS disk's results. Whatever a state waits on is waited for in the event loop, within a generous bound; a
// state that cannot be reached is a problem of the run.

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QtCore/qtestsupport_core.h>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIScan.h"
#include "Gallery.h"
#include "RealImages.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsRecovery.h"
#include "UI/Shell/DeviceListModel.h"
#include "UI/Shell/KDCustomOutlineView.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/KDSelectDiskViewController.h"
#include "UI/Shell/KDSelectTypeViewController.h"
#include "UI/Shell/RootWindowHooks.h"

namespace quellsy::gallery {
namespace {

using ui::KDDeletailWindowController;
using ui::ModalRunner;

// What a state waits for on the real engine: a scan, a search, a recovery, the device list.
constexpr int kWaitMs = 120000;
const QString kCard = QStringLiteral("holiday-card.img");
const QString kOffice = QStringLiteral("office-disk.img");

// The windows call the bridge while a state is drawn, the scripted backend again afterwards.
class BridgeInUse {
 public:
  BridgeInUse(RealImages& images, ui::ScriptedBackend& scripted) : scripted_(scripted) {
    ui::SetBackend(&images.Backend());
  }
  ~BridgeInUse() { ui::SetBackend(&scripted_); }
  BridgeInUse(const BridgeInUse&) = delete;
  BridgeInUse& operator=(const BridgeInUse&) = delete;

 private:
  ui::ScriptedBackend& scripted_;
};

struct Context {
  ui::ScriptedBackend& scripted;
  QStringList& problems;
  RealImages images;
};

// The picture of a state that could not be reached, its problem recorded for the run's exit status (only said
// when the machine lacks a capability the state needs).
std::unique_ptr<QWidget> Unreached(Context& context, const QString& state, const QString& why, bool lacking = false) {
  if (lacking || context.images.Lacking())
    std::fprintf(stderr, "ui-gallery: %s not drawn: %s\n", qPrintable(state), qPrintable(why));
  else
    context.problems << state + QStringLiteral(": ") + why;
  auto label = std::make_unique<QLabel>(QStringLiteral("Not drawn: ") + why);
  label->setMargin(24);
  return label;
}

bool Wait(const std::function<bool()>& done) { return QTest::qWaitFor(done, kWaitMs); }

// A results window's scene: puts it into its state; the problem when it could not, else empty.
using Scene = std::function<QString(KDDeletailWindowController& window, Context& context)>;

// A results window over the listed image's volume, its scan started (1 quick, 2 complete) and put into a state
// by scene, drawn with its sheets and the recovery's end window; then every operation ends and the window closes.
std::unique_ptr<QWidget> ResultsOn(Context& context, const QString& state, const QString& image, int scan,
                                   const Scene& scene) {
  if (const QString& why = context.images.Prepare(); !why.isEmpty()) return Unreached(context, state, why);
  // An image opened as a file is searched block by block: a quick scan of its partition needs a loop device.
  if (scan == 1 && !context.images.Attached()) return Unreached(context, state, context.images.HowOpened(), true);
  const BridgeInUse bridge(context.images, context.scripted);
  ui::ResultsWindowTimings timings;
  timings.fadeIn = 1;
  timings.hintShownFor = kWaitMs;
  auto* window = new KDDeletailWindowController(timings);
  window->setSelectDiskVolumeData(context.images.VolumeOf(image));
  window->setScanTypeNum(scan);
  window->setSelectDesktop(0);
  window->window()->move(200, 120);
  window->window()->show();
  QApplication::setActiveWindow(window->window());
  window->getData();
  const QString why = scene(*window, context);
  QApplication::processEvents();
  std::vector<QWidget*> shown{window->window()};
  if (QWidget* sheet = ModalRunner::attachedSheet(window->window())) shown.push_back(sheet);
  if (QWidget* hint = window->attachedWindow()) shown.push_back(hint);
  if (auto* end = window->recovery()->scanEndSaveWC(); end && end->window()->isVisible()) shown.push_back(end->window());
  auto picture = why.isEmpty() ? Composite(shown) : Unreached(context, state, why);
  if (QWidget* sheet = ModalRunner::attachedSheet(window->window())) ModalRunner::endRun(sheet, 0);
  ui::IFacadeBackend& backend = context.images.Backend();
  if (backend.IsScanRunning()) {
    if (backend.IsPause()) backend.PauseOrResumeScan();
    backend.StopScan(1);
  }
  Wait([&] { return !backend.IsScanRunning() && !backend.KDGetIsSearching() && !backend.IsRecoveryRunning(); });
  delete window->window();
  QApplication::processEvents();
  return picture;
}

// The scan held still part of the way through, for the picture: paused by the bridge alone, so the window still
// shows a running scan, as it does a moment later with more found. Held from its start, it is let go one step at a
// time (until a paused worker has gone on) until it has found something. The pause is asked for again as soon as
// the worker has gone on, without a turn of the event loop, in which a small card's scan could run to its end.
QString HeldPartWay(KDDeletailWindowController& window, Context& context) {
  ui::IFacadeBackend& backend = context.images.Backend();
  const KDUIScan& scan = *KDUIScan::instance();
  const auto over = [&] { return !backend.IsScanRunning(); };
  backend.PauseOrResumeScan();
  double percent = 0;
  std::uint64_t files = 0;
  for (;;) {
    if (!Wait([&] { return scan.HeldWorkers() > 0 || over(); }) || over())
      return QStringLiteral("the scan ended before it found anything");
    backend.GetScanProgress(percent, files);
    if (files > 0) break;
    backend.PauseOrResumeScan();
    const auto bound = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (scan.HeldWorkers() > 0 && !over()) {
      if (std::chrono::steady_clock::now() > bound) return QStringLiteral("the scan did not go on");
      std::this_thread::yield();
    }
    backend.PauseOrResumeScan();
  }
  window.getScanProgress();
  window.browser()->outline(0)->expandToDepth(0);
  return {};
}

QString Finished(KDDeletailWindowController& window, Context&) {
  if (!Wait([&] { return window.selectFilesLabel()->isVisible() && window.browser()->tabButton(1)->isEnabled(); }))
    return QStringLiteral("the quick scan did not end");
  window.popupViewHidden();
  return {};
}

// The row below parent whose text starts with name (any case); invalid when there is none.
QModelIndex Child(const QAbstractItemModel& model, const QModelIndex& parent, const QString& name) {
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex at = model.index(row, 0, parent);
    if (at.data().toString().startsWith(name, Qt::CaseInsensitive)) return at;
  }
  return {};
}

// The texts of the rows below parent and of their children, for a problem's words.
QString Rows(const QAbstractItemModel& model, const QModelIndex& parent) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex at = model.index(row, 0, parent);
    QStringList children;
    for (int child = 0; child < model.rowCount(at); ++child) children << model.index(child, 0, at).data().toString();
    const QString below = children.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(children.join(QStringLiteral(", ")));
    texts << at.data().toString() + below;
  }
  return texts.join(QStringLiteral("; "));
}

// The tab of kind shown, expanded down the rows named in path (a row whose text is none of them is passed
// through when it is the only one, as a volume's row is) and the last one selected.
Scene Browse(int kind, QStringList path) {
  return [kind, path](KDDeletailWindowController& window, Context& context) {
    if (QString why = Finished(window, context); !why.isEmpty()) return why;
    ui::ResultsBrowser* browser = window.browser();
    browser->selectTab(kind);
    ui::CommOutlineView* outline = browser->outline(kind);
    const QAbstractItemModel& model = *outline->model();
    QModelIndex row;
    for (const QString& name : path) {
      if (row.isValid()) outline->expand(row);
      QModelIndex next = Child(model, row, name);
      if (!next.isValid() && model.rowCount(row) == 1) {
        outline->expand(model.index(0, 0, row));
        next = Child(model, model.index(0, 0, row), name);
      }
      if (!next.isValid())
        return QStringLiteral("no row \"%1\" in tree %2 (%3)").arg(name).arg(kind).arg(Rows(model, row));
      row = next;
    }
    outline->expand(row);
    outline->setCurrentIndex(row);
    QApplication::processEvents();
    ui::FileListModel* files = browser->listModel();
    for (const int checked : {0, 2})
      if (checked < files->rowCount()) files->ToggleCheck(checked);
    return QString();
  };
}

QString Searched(KDDeletailWindowController& window, Context& context) {
  if (QString why = Finished(window, context); !why.isEmpty()) return why;
  window.search()->setText(QStringLiteral("MG_01"));
  if (!window.browser()->doSearch()) return QStringLiteral("the search did not start");
  const ui::FileListModel& listed = *window.browser()->listModel();
  if (!Wait([&] { return !context.images.Backend().KDGetIsSearching() && listed.rowCount() > 0; }))
    return QStringLiteral("the search found nothing");
  window.browser()->outline(0)->expandToDepth(1);
  return {};
}

// (size, SHA-256) of every file below folder.
std::multimap<qint64, QByteArray> Contents(const QString& folder) {
  std::multimap<qint64, QByteArray> found;
  QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    QFile file(files.next());
    if (!file.open(QIODevice::ReadOnly)) continue;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    found.emplace(file.size(), hash.result().toHex());
  }
  return found;
}

// Every found file checked and recovered into a new folder through the window's own panel; the copies must be
// files of the card's manifest, byte for byte, as many as were checked.
QString Recovered(KDDeletailWindowController& window, Context& context) {
  if (QString why = Finished(window, context); !why.isEmpty()) return why;
  ui::IFacadeBackend& backend = context.images.Backend();
  // The volume's box in the path tree, as a click checks it.
  auto* tree = qobject_cast<ui::ResultTreeModel*>(window.browser()->outline(0)->model());
  if (!tree || tree->rowCount() == 0 || !tree->ToggleCheck(tree->index(0, 0))) return QStringLiteral("nothing to check");
  std::uint64_t checked = 0;
  std::uint64_t size = 0;
  backend.GetSelectedFilesAmout(checked, size);
  const QString destination = context.images.NewDestination();
  ModalRunner::setRunObserver([destination](QWidget* shown) {
    if (auto* panel = shown->findChild<QFileDialog*>())
      QTimer::singleShot(0, panel, [panel, destination] {
        panel->setDirectory(destination);
        QMetaObject::invokeMethod(panel, "accept");
      });
  });
  window.recoveryButtonClick();
  const bool ended = Wait([&] {
    const auto* end = window.recovery()->scanEndSaveWC();
    return end && end->window()->isVisible();
  });
  ModalRunner::setRunObserver(nullptr);
  if (!ended) return QStringLiteral("the recovery did not finish");
  QApplication::setActiveWindow(window.recovery()->scanEndSaveWC()->window());
  std::multimap<qint64, QByteArray> expected;
  for (const GalleryImage& image : context.images.Images())
    if (image.file == kCard)
      for (const ManifestFile& file : image.files)
        expected.emplace(static_cast<qint64>(file.size), QByteArray::fromStdString(file.sha256));
  const auto copies = Contents(destination);
  if (copies.size() != checked)
    return QStringLiteral("%1 files checked, %2 recovered").arg(checked).arg(copies.size());
  for (const auto& [bytes, sha] : copies) {
    const auto [from, to] = expected.equal_range(bytes);
    if (std::none_of(from, to, [&sha](const auto& entry) { return entry.second == sha; }))
      return QStringLiteral("a recovered file of %1 bytes is none of the card's files").arg(bytes);
  }
  return {};
}

// The main window on the device page over the bridge's list: the two images with their volumes, the card's
// chosen (the card itself when the images were opened as files).
std::unique_ptr<QWidget> DevicePage(Context& context, const QString& state) {
  if (const QString& why = context.images.Prepare(); !why.isEmpty()) return Unreached(context, state, why);
  const BridgeInUse bridge(context.images, context.scripted);
  ui::RootWindowHooks hooks;
  hooks.showAbout = [](ui::TCImageWindow&) {};
  hooks.importScanResult = [](ui::KDRootWindowController&) {};
  hooks.openLink = [](const std::string&) {};
  ui::SetRootWindowHooks(std::move(hooks));
  ui::KDRootWindowController root;
  root.show();
  root.selectTypeVC()->nextButtonAction();
  std::unique_ptr<QWidget> picture;
  if (!Wait([&] { return root.whichPage() == 3 && root.selectDiskVC(); })) {
    picture = Unreached(context, state, QStringLiteral("the device page did not come"));
  } else {
    const ui::KDCustomOutlineView* outline = root.selectDiskVC()->outlineView();
    const ui::DeviceListModel* model = root.selectDiskVC()->model();
    const QModelIndex card = Child(*model, {}, kCard);
    // Its volume, or the image itself when opened as a file.
    if (card.isValid()) {
      const QModelIndex chosen = model->rowCount(card) > 0 ? model->index(0, 0, card) : card;
      QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(chosen).center());
    }
    picture = card.isValid() ? Composite({root.window()})
                             : Unreached(context, state, QStringLiteral("the card is not listed"));
  }
  ui::SetRootWindowHooks({});
  return picture;
}

}  // namespace

void AddRealImageStates(Gallery& gallery, ui::ScriptedBackend& scripted, QStringList& problems) {
  auto context = std::shared_ptr<Context>(new Context{scripted, problems, {}});
  const auto results = [&gallery, context](const char* name, const QString& description, const QString& image,
                                           Scene scene, int scan = 1) {
    const QString state = QString::fromLatin1(name);
    gallery.Add({state, description, [context, state, image, scan, scene = std::move(scene)] {
                   return ResultsOn(*context, state, image, scan, scene);
                 }});
  };
  gallery.Add({QStringLiteral("real-devices"),
               QStringLiteral("The device page on the real bridge: two disk images made by mkfs.fat and mtools, "
                              "mkntfs and ntfs-3g, with their partitions (the images attached as loop devices "
                              "when the gallery runs as root, else opened as image files), the FAT32 card chosen"),
               [context] { return DevicePage(*context, QStringLiteral("real-devices")); }});
  results("real-results-scanning",
          QStringLiteral("A real complete scan of the FAT32 card held part of the way (a quick scan of so small a "
                         "card ends before its first count): the found count, the progress and what the "
                         "searchers found so far"),
          kCard, HeldPartWay, 2);
  results("real-results-path",
          QStringLiteral("After the quick scan: the path tree down to a camera folder, its photos (the deleted "
                         "ones among them) in the table, two checked"),
          kCard, Browse(0, {QStringLiteral("DCIM"), QStringLiteral("100CANON")}));
  results("real-results-type",
          QStringLiteral("After the quick scan: the type tree, the card's JPEG photos listed"), kCard,
          Browse(1, {QStringLiteral("Pictures"), QStringLiteral("jpg")}));
  results("real-results-date",
          QStringLiteral("After the quick scan: the modification dates, a month of photos listed"), kCard,
          Browse(3, {QStringLiteral("2024"), QStringLiteral("07")}));
  results("real-results-search",
          QStringLiteral("A search of the card's results for \"MG_01\" (a deleted name lost its first letter): the "
                         "trees narrowed to the matching photos"),
          kCard, Searched);
  results("real-recovery-finished",
          QStringLiteral("Every found file of the card recovered into a folder of the run's own, each copy "
                         "checked against the card's manifest by SHA-256: the finished window"),
          kCard, Recovered);
  results("real-results-ntfs",
          QStringLiteral("A real quick scan of the NTFS disk: the folders of its deleted files, the compressed "
                         "folder's deleted ledger listed"),
          kOffice, Browse(0, {QStringLiteral("Archive")}));
}

}  // namespace quellsy::gallery
