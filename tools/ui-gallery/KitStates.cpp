// The kit's controls in their states: the image button's looks (and every button drawing's four), the tile,
// the tree cell, the progress bar, the link button, the icon-and-text cells, and sheets of every drawing and of
// the type icons.

#include <QCoreApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/OpNodeData.h"
#include "Gallery.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/Colors.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/ImageAndTextCell.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/NewButton.h"
#include "UI/Kit/RVTCustemButton.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/TypeIcons.h"

namespace quellsy::gallery {
namespace {

using namespace quellsy::ui;

void Hover(QWidget& widget) {
  QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
  QCoreApplication::sendEvent(&widget, &enter);
}

// A white card the controls sit on, as in the windows.
std::unique_ptr<QWidget> Card(QSize size) {
  auto card = std::make_unique<QWidget>();
  card->setAutoFillBackground(true);
  QPalette palette = card->palette();
  palette.setColor(QPalette::Window, Qt::white);
  card->setPalette(palette);
  card->resize(size);
  return card;
}

TCImageButton* ImageButton(QWidget* parent, const QString& stem, QSize size, const QString& label = QString()) {
  auto* button = new TCImageButton(parent);
  button->setObjectName(stem + QStringLiteral("Button"));
  button->resize(size);
  button->setImageFromFileNormalName(stem + "_normal", stem + "_press", stem + "_hover", stem + "_disable");
  if (!label.isEmpty()) button->setTextWithName(label, QRectF(QPointF(0, 0), QSizeF(size)));
  return button;
}

enum class Look { kNormal, kHover, kPress, kDisable, kSelected };

void Apply(TCImageButton& button, Look look) {
  if (look == Look::kHover) Hover(button);
  if (look == Look::kPress) button.setDown(true);
  if (look == Look::kDisable) button.setButtonEnabled(false);
  if (look == Look::kSelected) button.setButtonClicked(true);
}

void AddImageButtonStates(Gallery& gallery) {
  const std::pair<Look, const char*> looks[] = {{Look::kNormal, "normal"},   {Look::kHover, "hover"},
                                                {Look::kPress, "pressed"},   {Look::kDisable, "disabled"},
                                                {Look::kSelected, "selected"}};
  for (const auto& [look, word] : looks) {
    gallery.Add({QStringLiteral("tcimagebutton-") + word,
                 QStringLiteral("Image button \"btn_scan\" with its label, ") + word +
                     (look == Look::kDisable ? ": greyed label, presses ignored" : "") +
                     (look == Look::kSelected ? ": kept pressed by setButtonClicked" : ""),
                 [look = look] {
                   auto card = Card(QSize(186, 73));
                   TCImageButton* button = ImageButton(card.get(), "btn_scan", QSize(138, 41), Text("RVT_THREE_SCAN_BUTTON"));
                   button->move(24, 16);
                   Apply(*button, look);
                   return card;
                 }});
  }
  gallery.Add({QStringLiteral("tcimagebutton-plain"), QStringLiteral("Image button without a normal image: a plain push button"),
               [] {
                 auto card = Card(QSize(168, 64));
                 auto* button = new TCImageButton(card.get());
                 button->setText(QStringLiteral("Plain button"));
                 button->setGeometry(24, 16, 120, 32);
                 return card;
               }});
  // Every button drawing in its four looks.
  const std::pair<const char*, QSize> stems[] = {
      {"btn_scan", {138, 41}},   {"btn_recover", {138, 41}}, {"btn_ds", {166, 41}},    {"next", {300, 70}},
      {"continue", {60, 60}},    {"back", {60, 60}},         {"scan", {60, 60}},       {"icon_back", {60, 60}},
      {"icon_home", {60, 60}},   {"icon_export", {60, 60}},  {"pause", {18, 18}},      {"play", {18, 18}},
      {"stop", {18, 18}},
  };
  for (const auto& [stem, size] : stems) {
    gallery.Add({QStringLiteral("looks-") + stem,
                 QStringLiteral("\"") + stem + QStringLiteral("\": normal, hover, pressed, disabled"), [stem = stem, size = size] {
                   auto card = Card(QSize());
                   auto* row = new QHBoxLayout(card.get());
                   row->setSpacing(24);
                   row->setContentsMargins(16, 16, 16, 16);
                   for (Look look : {Look::kNormal, Look::kHover, Look::kPress, Look::kDisable}) {
                     TCImageButton* button = ImageButton(card.get(), stem, size);
                     button->setFixedSize(size);
                     Apply(*button, look);
                     row->addWidget(button);
                   }
                   card->adjustSize();
                   return card;
                 }});
  }
}

void AddTileStates(Gallery& gallery) {
  enum class State { kSelected, kUnselected, kHover, kInactive };
  const std::pair<State, const char*> states[] = {{State::kSelected, "selected"},
                                                  {State::kUnselected, "unselected"},
                                                  {State::kHover, "hover"},
                                                  {State::kInactive, "inactive"}};
  for (const auto& [state, word] : states) {
    gallery.Add({QStringLiteral("rvtcustembutton-") + word, QStringLiteral("File-kind tile, ") + word, [state = state] {
                   auto tile = std::make_unique<RVTCustemButton>();
                   tile->setObjectName(QStringLiteral("documentsTile"));
                   tile->resize(400, 72);
                   tile->setIconImage(QStringLiteral("pf_checkbox_no"), QStringLiteral("pf_checkbox_yes"));
                   tile->setTitleStr(Text("RVT_TWO_DOCUMENT_TITLE"), Text("RVT_TWO_DOCUMENT_DISCRIPTION"));
                   if (state == State::kUnselected) tile->changeButtonStart(false);
                   if (state == State::kHover) Hover(*tile);
                   if (state == State::kInactive) tile->setButtonEnabled(false);
                   return std::unique_ptr<QWidget>(std::move(tile));
                 }});
  }
}

QStandardItem* TreeRow(const QString& name, const QImage& icon, int state) {
  auto* item = new QStandardItem(name);
  item->setEditable(false);
  item->setData(QVariant::fromValue(icon), Qt::DecorationRole);
  item->setData(state, Qt::CheckStateRole);
  return item;
}

void AddTreeCellStates(Gallery& gallery, ScriptedBackend& backend) {
  gallery.Add({QStringLiteral("newbutton-tree"),
               QStringLiteral("Tree rows drawn by the tree cell: check boxes unchecked, partly checked and checked, "
                              "icons by node kind, names; one row selected"),
               [&backend] {
                 const auto tail = backend.PathTail(0);
                 auto view = std::make_unique<QTreeView>();
                 auto* model = new QStandardItemModel(view.get());
                 model->setHorizontalHeaderLabels({Text("RVT_FOUR_TABLEVIEW_NAME")});
                 QStandardItem* root = nullptr;
                 int shown = 0;
                 for (const auto& entry : tail.entries) {
                   if (entry.root) {
                     root = TreeRow(QString::fromUtf8(entry.node->GetFileName()), NamedImages::Image("0IconImage"), 1);
                     model->appendRow(root);
                   } else if (root && entry.parent == 0 && shown < 4) {
                     root->appendRow(TreeRow(QString::fromUtf8(entry.node->GetFileName()), NamedImages::Image("1IconImage"),
                                             shown == 0 ? 2 : shown == 1 ? 1 : 0));
                     ++shown;
                   }
                 }
                 for (const auto& group : backend.KDGetTopNodes(NODE_TREE_FILE_TYPE))
                   model->appendRow(TreeRow(QString::fromStdString(group->name()) + QStringLiteral(" (") +
                                                QString::number(backend.GetNodeChildrenCnt(group.get())) + ")",
                                            NamedImages::Image(QString::number(group->nodeType()) + "IconImage"), 0));
                 auto* cell = new NewButton(view.get());
                 view->setItemDelegate(cell);
                 view->setModel(model);
                 view->expandAll();
                 view->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
                 view->resize(320, 330);
                 return std::unique_ptr<QWidget>(std::move(view));
               }});
}

void AddProgressStates(Gallery& gallery) {
  for (const float percent : {0.0f, 37.5f, 99.6f}) {
    const QString number = QString::number(percent);
    gallery.Add({QStringLiteral("kdprogressview-") + number,
                 QStringLiteral("Progress bar at ") + number +
                     QStringLiteral(" % (a started bar shows at least 10 points; from one point short it is full)"),
                 [percent] {
                   auto card = Card(QSize(420, 52));
                   auto* caption = new QLabel(QString::number(percent) + QStringLiteral(" %"), card.get());
                   caption->setFont(SystemFont(12));
                   caption->setGeometry(20, 8, 200, 18);
                   auto* track = new KDProgressView(card.get());
                   track->setObjectName(QStringLiteral("progressView"));
                   track->setGeometry(20, 32, 380, 4);
                   track->changeProgressValue(percent);
                   return card;
                 }});
  }
}

void AddLinkStates(Gallery& gallery) {
  for (const bool pressed : {false, true}) {
    gallery.Add({pressed ? QStringLiteral("kdhandbutton-pressed") : QStringLiteral("kdhandbutton-normal"),
                 QStringLiteral("Link button (the pointing hand shows while the mouse is over it)") +
                     (pressed ? QStringLiteral(", pressed") : QString()),
                 [pressed] {
                   auto card = Card(QSize(260, 48));
                   auto* link = new KDHandButton(QStringLiteral("/home/user/Recovered files"), card.get());
                   link->setObjectName(QStringLiteral("savePathLink"));
                   link->adjustSize();
                   link->move(16, 14);
                   link->setDown(pressed);
                   return card;
                 }});
  }
}

QStandardItem* TextItem(const QString& text, const QImage& icon = QImage()) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  if (!icon.isNull()) item->setData(QVariant::fromValue(icon), Qt::DecorationRole);
  return item;
}

std::unique_ptr<QTableView> Table(QStandardItemModel* model, QStyledItemDelegate* firstColumn, QSize size) {
  auto table = std::make_unique<QTableView>();
  model->setParent(table.get());
  firstColumn->setParent(table.get());
  table->setModel(model);
  table->setItemDelegateForColumn(0, firstColumn);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(24);
  table->setShowGrid(false);
  table->setAlternatingRowColors(true);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->horizontalHeader()->setStretchLastSection(true);
  table->resize(size);
  return table;
}

void AddCellStates(Gallery& gallery, ScriptedBackend& backend) {
  gallery.Add({QStringLiteral("imageandtextcell-devices"),
               QStringLiteral("Icon-and-text cells in a device list: disks, volumes, a USB stick, an image, the "
                              "Desktop; one row selected"),
               [&backend] {
                 auto* model = new QStandardItemModel;
                 model->setHorizontalHeaderLabels({Text("RVT_THREE_TABLEVIEW_DRIVES"), Text("RVT_THREE_TABLEVIEW_FILESYSTEM"),
                                                   Text("RVT_THREE_TABLEVIEW_SIZE")});
                 model->appendRow({TextItem(QStringLiteral("Desktop"), NamedImages::Image("icon_desktop")), TextItem(QString()),
                                   TextItem(QString())});
                 for (const auto& disk : backend.GetDeviceInfoToArray()) {
                   const QString icon = disk->isUSB() ? "icon_usb" : disk->isQim() || disk->isAppleDmg() ? "icon_mirror" : "icon_disk";
                   model->appendRow({TextItem(QString::fromStdString(disk->name()), NamedImages::Image(icon)),
                                     TextItem(QString::fromStdString(KDPublicUtilities::fileSystemTypeForInt(-1, disk->isAppleDmg(), disk->isQim()))),
                                     TextItem(QString::fromStdString(KDPublicUtilities::longlongDiskSize(disk->capacity())))});
                   for (const auto& volume : disk->children())
                     model->appendRow({TextItem(QStringLiteral("    ") + QString::fromStdString(volume->name()),
                                                NamedImages::Image(volume->volumeIndex() == 0 && !disk->isUSB() ? "icon_disk_osx" : "icon_disk")),
                                       TextItem(QString::fromStdString(KDPublicUtilities::fileSystemTypeForInt(volume->fileSystem(), false, false))),
                                       TextItem(QString::fromStdString(KDPublicUtilities::longlongDiskSize(volume->capacity())))});
                 }
                 auto table = Table(model, new ImageAndTextCell, QSize(520, 220));
                 table->setColumnWidth(0, 260);
                 table->setColumnWidth(1, 110);
                 table->selectRow(2);
                 return std::unique_ptr<QWidget>(std::move(table));
               }});
  gallery.Add({QStringLiteral("detailtextandimagecell-files"),
               QStringLiteral("Detail-text cells in a file table: type icons, the red mark of deleted files, sizes, "
                              "creation dates; one row selected"),
               [&backend] {
                 auto* model = new QStandardItemModel;
                 model->setHorizontalHeaderLabels({Text("RVT_FOUR_TABLEVIEW_NAME"), Text("RVT_FOUR_TABLEVIEW_SIZE"),
                                                   Text("RVT_FOUR_TABLEVIEW_CREATED")});
                 const auto tail = backend.PathTail(0);
                 int rows = 0;
                 for (const auto& entry : tail.entries) {
                   for (IFileNode* file : backend.PathChildFiles(entry.id)) {
                     if (rows++ >= 9) break;
                     const QString name = QString::fromUtf8(file->GetFileName());
                     const QImage icon = file->IsDeleted() ? NamedImages::Image("deletered")
                                                           : backend.getImageForType(name.section('.', -1));
                     model->appendRow({TextItem(name, icon),
                                       TextItem(QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(file->GetFileSize()))),
                                       TextItem(QString::fromStdString(KDUIPublic::FormatFileTimeToString(file->GetCreationTime())))});
                   }
                 }
                 auto table = Table(model, new DetailTextAndImageCell, QSize(600, 270));
                 table->setColumnWidth(0, 220);
                 table->setColumnWidth(1, 110);
                 table->selectRow(1);
                 return std::unique_ptr<QWidget>(std::move(table));
               }});
}

void AddSheets(Gallery& gallery) {
  gallery.Add({QStringLiteral("images-all"), QStringLiteral("Every drawing by its name, at its own size (large ones scaled down)"), [] {
                 auto card = Card(QSize());
                 auto* grid = new QGridLayout(card.get());
                 grid->setHorizontalSpacing(18);
                 grid->setVerticalSpacing(14);
                 const QStringList names = NamedImages::AllNames();
                 for (int i = 0; i < names.size(); ++i) {
                   auto* cell = new QWidget(card.get());
                   auto* column = new QVBoxLayout(cell);
                   column->setContentsMargins(0, 0, 0, 0);
                   auto* picture = new QLabel(cell);
                   QSize size = NamedImages::NaturalSize(names[i]);
                   if (size.width() > 120 || size.height() > 80) size.scale(120, 80, Qt::KeepAspectRatio);
                   picture->setPixmap(NamedImages::Pixmap(names[i], size));
                   picture->setAlignment(Qt::AlignCenter);
                   picture->setMinimumHeight(82);
                   auto* caption = new QLabel(names[i], cell);
                   caption->setFont(SystemFont(11));
                   caption->setAlignment(Qt::AlignCenter);
                   column->addWidget(picture);
                   column->addWidget(caption);
                   grid->addWidget(cell, i / 8, i % 8);
                 }
                 card->adjustSize();
                 return card;
               }});
  gallery.Add({QStringLiteral("type-icons"), QStringLiteral("Icons of file types by extension (the type group's drawing with a badge)"), [] {
                 auto card = Card(QSize());
                 auto* row = new QGridLayout(card.get());
                 const char* extensions[] = {"pdf", "docx", "txt", "jpg", "png", "cr2", "mov", "mp4",
                                             "mp3", "flac", "zip", "7z", "eml", "mbox", "db", "iso"};
                 int i = 0;
                 for (const char* extension : extensions) {
                   auto* picture = new QLabel(card.get());
                   picture->setPixmap(QPixmap::fromImage(TypeIcon(QString::fromLatin1(extension), QSize(48, 48))));
                   picture->setAlignment(Qt::AlignCenter);
                   auto* caption = new QLabel(QString::fromLatin1(extension), card.get());
                   caption->setFont(SystemFont(11));
                   caption->setAlignment(Qt::AlignCenter);
                   row->addWidget(picture, (i / 8) * 2, i % 8);
                   row->addWidget(caption, (i / 8) * 2 + 1, i % 8);
                   ++i;
                 }
                 card->adjustSize();
                 return card;
               }});
}

}  // namespace

void AddKitStates(Gallery& gallery, ScriptedBackend& backend) {
  AddImageButtonStates(gallery);
  AddTileStates(gallery);
  AddTreeCellStates(gallery, backend);
  AddProgressStates(gallery);
  AddLinkStates(gallery);
  AddCellStates(gallery, backend);
  AddSheets(gallery);
}

}  // namespace quellsy::gallery
