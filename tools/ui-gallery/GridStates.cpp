// The thumbnail grid and the cover flow over the scripted scan's files: tiles waiting for their pictures, with
// thumbnails, with type icons, hovered, selected and under a rubber band, and with nothing to show; covers
// around a selection; the space bar's preview of a picture.

#include <QCoreApplication>
#include <QMouseEvent>

#include "Bridge/NodeTreeType.h"
#include "Bridge/OpNodeData.h"
#include "Gallery.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/CoverFlowView.h"
#include "UI/Kit/ItemViews/SpacePreviewWindow.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TypeIcons.h"
#include "include/IFileNode.h"

namespace quellsy::gallery {
namespace {

using namespace quellsy::ui;

enum class Files { kPictures, kOthers, kNone };

// The scan's files by type group: the pictures, or everything but pictures, taking one of each extension in
// turn so that every kind shows.
std::vector<IFileNode*> FilesOf(ScriptedBackend& backend, Files which) {
  if (which == Files::kNone) return {};
  std::vector<std::vector<IFileNode*>> groups;
  for (const auto& kind : backend.KDGetTopNodes(NODE_TREE_FILE_TYPE)) {
    const bool pictures = kind->nodeType() == OpNodeData::kIconPicture;
    if (pictures != (which == Files::kPictures)) continue;
    for (const auto& group : backend.GetChildGroups(kind.get())) groups.push_back(backend.GetFileNodeToArray(group.get()));
  }
  std::vector<IFileNode*> files;
  for (std::size_t turn = 0, added = 1; added > 0; ++turn) {
    added = 0;
    for (const auto& group : groups) {
      if (turn >= group.size()) continue;
      files.push_back(group[turn]);
      ++added;
    }
  }
  return files;
}

enum class Pictures { kWaiting, kLoaded };

// The grid's data source as the results window will be: a tile per file, its name, check box and picture.
class GalleryGridSource final : public QObject, public CNGridViewDataSource {
 public:
  GalleryGridSource(ScriptedBackend& backend, std::vector<IFileNode*> files, Pictures pictures, QObject* parent)
      : QObject(parent), backend_(backend), files_(std::move(files)), pictures_(pictures) {}
  std::uint64_t gridViewNumberOfItemsInSection(CNGridView&, std::int64_t) override { return files_.size(); }
  CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t) override {
    if (index < 0 || index >= static_cast<std::int64_t>(files_.size())) return nullptr;
    auto* item = static_cast<CNGridViewItem*>(grid.dequeueReusableItemWithIdentifier(kCNDefaultItemIdentifier));
    if (!item) item = new CNGridViewItem();
    IFileNode* file = files_[static_cast<std::size_t>(index)];
    const QString name = QString::fromUtf8(file->GetFileName());
    item->setItemTitle(name);
    item->setTitleText(name);
    item->setNode(file);
    const int state = index % 4 == 1 ? 2 : 0;
    item->setCheckState(state);
    item->setCheckBoxImage(state == 2 ? QStringLiteral("pf_checkbox_yes") : QStringLiteral("pf_checkbox_no"));
    item->setItemImage(pictures_ == Pictures::kLoaded ? backend_.GetNSImageByFildNodeNSNumber(file)
                                                      : NamedImages::Image(QStringLiteral("loading"), QSize(90, 68)));
    return item;
  }

 private:
  ScriptedBackend& backend_;
  std::vector<IFileNode*> files_;
  Pictures pictures_;
};

void Mouse(CNGridView& grid, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), grid.viewport()->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(grid.viewport(), &event);
}

enum class Look { kPlain, kHover, kSelected, kRubberBand };

std::unique_ptr<QWidget> Grid(ScriptedBackend& backend, Files files, Pictures pictures, Look look) {
  auto grid = std::make_unique<CNGridView>();
  grid->setAnimationDurations(0, 0);
  grid->setUseCenterAlignment(true);
  grid->setBackgroundPattern(NamedImages::Pixmap(QStringLiteral("BackgroundDust")));
  auto* source = new GalleryGridSource(backend, FilesOf(backend, files), pictures, grid.get());
  grid->setDataSource(source);
  grid->resize(640, 470);
  grid->show();
  grid->reloadData();
  QCoreApplication::processEvents();
  switch (look) {
    case Look::kPlain: break;
    case Look::kHover:
      Mouse(*grid, QEvent::MouseMove, grid->viewportPointFromContent(grid->rectForItemAtIndex(4).center()).toPoint(),
            Qt::NoButton, Qt::NoButton);
      break;
    case Look::kSelected:
      grid->setAllowsMultipleSelection(true);
      grid->selectItemIndex(1);
      grid->selectItemIndex(2);
      grid->selectItemIndex(5);
      break;
    case Look::kRubberBand:
      grid->setAllowsSelection(true);
      grid->setAllowsMultipleSelection(true);
      grid->setAllowsMultipleSelectionWithDrag(true);
      Mouse(*grid, QEvent::MouseButtonPress, QPoint(60, 40), Qt::LeftButton, Qt::LeftButton);
      Mouse(*grid, QEvent::MouseMove, QPoint(300, 230), Qt::NoButton, Qt::LeftButton);
      Mouse(*grid, QEvent::MouseMove, QPoint(420, 250), Qt::NoButton, Qt::LeftButton);
      break;
  }
  return grid;
}

class GalleryCovers final : public QObject, public CoverFlowDataSource {
 public:
  GalleryCovers(ScriptedBackend& backend, const std::vector<IFileNode*>& files, int loaded, QObject* parent)
      : QObject(parent) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      const bool ready = static_cast<int>(i) < loaded;
      auto photo = std::make_shared<Photo>(ready ? backend.GetNSImageByFildNodeNSNumber(files[i]) : QImage(),
                                           ready ? QStringLiteral("cover-%1").arg(i) : QStringLiteral("Loading..."));
      photo->setName(QString::fromUtf8(files[i]->GetFileName()));
      photos_.push_back(std::move(photo));
    }
  }
  std::uint64_t numberOfItemsInImageFlow(CoverFlowView&) override { return photos_.size(); }
  std::shared_ptr<Photo> imageFlowItemAtIndex(CoverFlowView&, std::int64_t index) override {
    return index >= 0 && index < static_cast<std::int64_t>(photos_.size()) ? photos_[static_cast<std::size_t>(index)]
                                                                          : nullptr;
  }

 private:
  std::vector<std::shared_ptr<Photo>> photos_;
};

std::unique_ptr<QWidget> Covers(ScriptedBackend& backend, int loaded, std::int64_t selected) {
  auto view = std::make_unique<CoverFlowView>();
  view->setGlideMilliseconds(0);
  auto* covers = new GalleryCovers(backend, FilesOf(backend, Files::kPictures), loaded, view.get());
  view->setDataSource(covers);
  view->resize(760, 360);
  view->reloadData();
  view->setSelectedIndex(selected);
  return view;
}

std::unique_ptr<QWidget> Preview(ScriptedBackend& backend) {
  const std::vector<IFileNode*> pictures = FilesOf(backend, Files::kPictures);
  IFileNode* file = pictures.at(2);
  SpacePreviewWindow preview;
  preview.setStrName(QString::fromUtf8(file->GetFileName()));
  preview.setShowImage(backend.GetNSImageByFildNodeNSNumber(file));
  preview.showCentred();
  return Composite({preview.window()});
}

}  // namespace

void AddGridStates(Gallery& gallery, ScriptedBackend& backend) {
  gallery.Add({QStringLiteral("gridview-empty"),
               QStringLiteral("Thumbnail grid of a listing with no files: the background alone, no tile"),
               [&backend] { return Grid(backend, Files::kNone, Pictures::kWaiting, Look::kPlain); }});
  gallery.Add({QStringLiteral("gridview-loading"),
               QStringLiteral("Thumbnail grid just filled: every tile shows the waiting picture, its name and check box"),
               [&backend] { return Grid(backend, Files::kPictures, Pictures::kWaiting, Look::kPlain); }});
  gallery.Add({QStringLiteral("gridview-thumbnails"),
               QStringLiteral("Thumbnail grid with the found pictures' thumbnails; every fourth file checked"),
               [&backend] { return Grid(backend, Files::kPictures, Pictures::kLoaded, Look::kPlain); }});
  gallery.Add({QStringLiteral("gridview-typeicons"),
               QStringLiteral("Thumbnail grid of documents, music, movies and other files: their type icons"),
               [&backend] { return Grid(backend, Files::kOthers, Pictures::kLoaded, Look::kPlain); }});
  gallery.Add({QStringLiteral("gridview-hover"), QStringLiteral("Thumbnail grid with the pointer over the fifth tile"),
               [&backend] { return Grid(backend, Files::kPictures, Pictures::kLoaded, Look::kHover); }});
  gallery.Add({QStringLiteral("gridview-selected"),
               QStringLiteral("Thumbnail grid with three tiles selected: the blue selection ring"),
               [&backend] { return Grid(backend, Files::kPictures, Pictures::kLoaded, Look::kSelected); }});
  gallery.Add({QStringLiteral("gridview-rubberband"),
               QStringLiteral("Thumbnail grid while a rubber band is dragged over the first two rows"),
               [&backend] { return Grid(backend, Files::kPictures, Pictures::kLoaded, Look::kRubberBand); }});
  gallery.Add({QStringLiteral("coverflow-pictures"),
               QStringLiteral("Cover flow: the selected picture facing the viewer, the others turned in perspective, "
                              "reflections on the floor, the selected file's name"),
               [&backend] { return Covers(backend, 1000, 6); }});
  gallery.Add({QStringLiteral("coverflow-loading"),
               QStringLiteral("Cover flow at the start of the listing while the covers right of the first ones "
                              "still wait for their pictures"),
               [&backend] { return Covers(backend, 3, 1); }});
  gallery.Add({QStringLiteral("preview-picture"),
               QStringLiteral("The space bar's preview of a found picture: its name in the bar, the picture fitted "
                              "below"),
               [&backend] { return Preview(backend); }});
}

}  // namespace quellsy::gallery
