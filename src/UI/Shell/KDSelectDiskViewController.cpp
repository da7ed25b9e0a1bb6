#include "UI/Shell/KDSelectDiskViewController.h"

#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "Bridge/DiskVolumeNodeData.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Shell/DeviceChoices.h"
#include "UI/Shell/DeviceListModel.h"
#include "UI/Shell/KDCustomOutlineView.h"
#include "UI/Shell/PageLook.h"

namespace quellsy::ui {
namespace {

constexpr const char* kAttach = "RefreshAttachDevice";
constexpr const char* kDetach = "RefreshDetachDevice";
const QRectF kListFrame{40, 96, 820, 358};

std::chrono::milliseconds& RefillDelay() {
  static std::chrono::milliseconds delay = KDSelectDiskViewController::kDefaultRefillDelay;
  return delay;
}

bool HasChildren(const DiskVolumeNodeData& item) { return item.numberOfChildren() > 0 || item.isQim(); }

}  // namespace

KDSelectDiskViewController::KDSelectDiskViewController(KDSelectDiskViewControllerDelegate* delegate, QWidget* parent)
    : QWidget(parent), delegate_(delegate) {
  setObjectName(QStringLiteral("selectDiskPage"));
  setAccessibleName(Text("RVT_THREE_PAGE_TITLE"));
  resize(kWidth, kHeight);
  PaintWhite(this);

  middleLabel_ = MakePageLabel(Text("RVT_THREE_PAGE_TITLE"), QStringLiteral("selectDiskTitle"),
                           NamedFont(QStringLiteral("Helvetica Neue Light"), 24), kPageInk, this);
  PlaceView(middleLabel_, {40, 490, 820, 36});
  noteLabel_ = MakePageLabel(Text("RVT_THREE_PAGE_NOTE"), QStringLiteral("selectDiskNote"), SystemFont(13),
                         kPageMuted, this);
  PlaceView(noteLabel_, {40, 464, 820, 22});

  Observe();
  BuildList();
  BuildEmptyNotice();
  BuildButtons();
}

KDSelectDiskViewController::~KDSelectDiskViewController() = default;

void KDSelectDiskViewController::SetRefillDelay(std::chrono::milliseconds delay) { RefillDelay() = delay; }

void KDSelectDiskViewController::Observe() {
  ObserveNotification(this, kAttach, [this](const bridge::Notification&) { RefreshDevice(); });
  ObserveNotification(this, kDetach, [this](const bridge::Notification&) { RefreshDevice(); });
  ObserveNotification(this, kRefreshFinished, [this](const bridge::Notification& done) {
    const auto opened = done.info.find("DmgOpened");
    RefreshFinished(opened == done.info.end() ? std::string() : opened->second);
  });
}

void KDSelectDiskViewController::BuildList() {
  model_ = new DeviceListModel(this);
  outlineView_ = new KDCustomOutlineView(this);
  outlineView_->setObjectName(QStringLiteral("deviceOutline"));
  outlineView_->setAccessibleName(Text("RVT_THREE_TABLEVIEW_DRIVES"));
  outlineView_->setModel(model_);
  outlineView_->setFont(SystemFont(13));
  outlineView_->setIconSize(QSize(20, 20));
  outlineView_->setExpandsOnDoubleClick(false);
  outlineView_->setSelectionMode(QAbstractItemView::SingleSelection);
  outlineView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  outlineView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QHeaderView* header = outlineView_->header();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(DeviceListModel::kName, QHeaderView::Stretch);
  header->resizeSection(DeviceListModel::kSize, 130);
  header->resizeSection(DeviceListModel::kFileSystem, 150);
  header->resizeSection(DeviceListModel::kSelect, 40);
  PlaceView(outlineView_, kListFrame);

  connect(header, &QHeaderView::sectionPressed, this, [this] { bClickHead_ = true; });
  connect(outlineView_, &QAbstractItemView::doubleClicked, this, [this] { doubleToScan(); });
  connect(outlineView_, &QTreeView::expanded, this, [this] { reloadCellBackgroundColor(); });
  connect(outlineView_, &QTreeView::collapsed, this, [this] { reloadCellBackgroundColor(); });
  connect(outlineView_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (choosingDefault_) return;
    const QModelIndexList rows = outlineView_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) ChooseRow(rows.first());
    SelectionDidChange(rows.isEmpty());
  });
}

void KDSelectDiskViewController::BuildEmptyNotice() {
  emptyNotice_ = new QWidget(this);
  emptyNotice_->setObjectName(QStringLiteral("noDeviceNotice"));
  emptyNotice_->setAccessibleName(Text("RVT_THREE_EMPTY_TITLE"));
  auto* picture = new QLabel(emptyNotice_);
  picture->setObjectName(QStringLiteral("noDevicePicture"));
  picture->setAccessibleName(Text("RVT_THREE_EMPTY_TITLE"));
  picture->setPixmap(NamedImages::Pixmap(QStringLiteral("icon_usb"), QSize(64, 64)));
  picture->setAlignment(Qt::AlignCenter);
  auto* title = MakePageLabel(Text("RVT_THREE_EMPTY_TITLE"), QStringLiteral("noDeviceTitle"), BoldSystemFont(16),
                          kPageInk, emptyNotice_);
  title->setAlignment(Qt::AlignCenter);
  auto* note = MakePageLabel(Text("RVT_THREE_EMPTY_NOTE"), QStringLiteral("noDeviceNote"), SystemFont(13),
                         kPageMuted, emptyNotice_);
  note->setAlignment(Qt::AlignCenter);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(emptyNotice_);
  layout->setContentsMargins(120, 0, 120, 0);
  layout->addStretch(1);
  layout->addWidget(picture);
  layout->addSpacing(12);
  layout->addWidget(title);
  layout->addSpacing(6);
  layout->addWidget(note);
  layout->addStretch(1);
  // Over the list's rows, below its header.
  PlaceView(emptyNotice_, kListFrame.adjusted(1, 1, -1, -32));
  emptyNotice_->hide();

  openImageButton_ = new KDHandButton(Text("RVT_THREE_OPEN_DMG_BUTTON"), this);
  openImageButton_->setObjectName(QStringLiteral("openDiskImageButton"));
  openImageButton_->setAccessibleName(openImageButton_->text());
  openImageButton_->setFont(SystemFont(13));
  // Centred below the list, clear of the page buttons in the corners.
  const qreal linkWidth = openImageButton_->sizeHint().width();
  PlaceView(openImageButton_, {(kWidth - linkWidth) / 2, 40, linkWidth, 24});
  connect(openImageButton_, &QPushButton::clicked, this, [this] {
    if (delegate_) delegate_->openDiskImage();
  });
}

void KDSelectDiskViewController::BuildButtons() {
  backButton_ = new TCImageButton(this);
  backButton_->setObjectName(QStringLiteral("selectDiskBackButton"));
  backButton_->setAccessibleName(Text("COMM_BACK_BUTTON"));
  backButton_->setImageFromFileNormalName(QStringLiteral("icon_back_normal"), QStringLiteral("icon_back_press"),
                                          QStringLiteral("icon_back_hover"), QStringLiteral("icon_back_disable"));
  PlaceView(backButton_, {20, 15, 60, 60});
  connect(backButton_, &QAbstractButton::clicked, this, [this] { backHome(); });

  scanButton_ = new TCImageButton(this);
  scanButton_->setObjectName(QStringLiteral("selectDiskScanButton"));
  scanButton_->setImageFromFileNormalName(QStringLiteral("btn_scan_normal"), QStringLiteral("btn_scan_press"),
                                          QStringLiteral("btn_scan_hover"), QStringLiteral("btn_scan_disable"));
  PlaceView(scanButton_, {742, 25, 138, 41});
  scanButton_->setTextWithName(Text("RVT_THREE_SCAN_BUTTON"), QRectF(0, 0, 138, 41));
  connect(scanButton_, &QAbstractButton::clicked, this, [this] { scanButtonAction(); });
}

void KDSelectDiskViewController::InitFinished() {
  const DeviceItems listed = ListedDevices(allDiskArr_);
  desktopVolume_ = nullptr;
  for (const auto& disk : listed) {
    if (disk->numberOfChildren() == 0) continue;
    desktopVolume_ = disk->children().front();
    desktopVolume_->setIsSystemVolume(true);
    break;
  }
  DeviceItems entries;
  if (desktopVolume_) entries.push_back(DiskVolumeNodeData::DesktopEntry());
  entries.insert(entries.end(), listed.begin(), listed.end());

  choosingDefault_ = true;
  model_->SetEntries(std::move(entries));
  outlineView_->expandAll();
  reloadCellBackgroundColor();
  const QModelIndex chosen = model_->IndexOf(desktopVolume_.get());
  isSelectDesktop_ = 0;
  if (chosen.isValid()) {
    outlineView_->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    outlineView_->selectionModel()->setCurrentIndex(chosen, QItemSelectionModel::NoUpdate);
  }
  selectedRow_ = outlineView_->RowOfIndex(chosen);
  outlineView_->setSelectCellBackgroundColorWithRow(selectedRow_);
  selectDiskVolume_ = model_->ItemOf(chosen);
  // A click on the row already chosen chooses nothing anew: the default carries its disk's name from the start.
  NameParent(selectDiskVolume_.get());
  model_->SetChosen(selectDiskVolume_.get());
  choosingDefault_ = false;

  emptyNotice_->setVisible(listed.empty());
  if (delegate_) delegate_->changeSelectDiskViewContinueButtonEnabled(selectDiskVolume_);
  oldSelectDiskVolume_ = selectDiskVolume_;
  scanButton_->setButtonEnabled(selectDiskVolume_ != nullptr);
  outlineView_->setFocus();
}

void KDSelectDiskViewController::ChooseRow(const QModelIndex& index) {
  const std::shared_ptr<DiskVolumeNodeData> item = model_->ItemOf(index);
  // Only the nameless Desktop entry scans for the Desktop, never the disk row that happens to come first.
  isSelectDesktop_ = item && item->name().empty() && desktopVolume_ ? 1 : 0;
  bClickHead_ = false;
  selectedRow_ = outlineView_->RowOfIndex(index);
  outlineView_->setSelectCellBackgroundColorWithRow(selectedRow_);
  model_->SetChosen(item.get());
  selectDiskVolume_ = item;
  NameParent(item.get());
}

void KDSelectDiskViewController::NameParent(DiskVolumeNodeData* item) const {
  if (!item) return;
  const std::shared_ptr<DiskVolumeNodeData> disk = model_->ParentOf(item);
  item->setParentName(disk ? disk->name() : item->name());
}

void KDSelectDiskViewController::SelectionDidChange(bool cleared) {
  if (cleared) {
    selectedRow_ = -1;
    selectDiskVolume_ = nullptr;
    isSelectDesktop_ = 0;
    outlineView_->setSelectCellBackgroundColorWithRow(-1);
    model_->SetChosen(nullptr);
  }
  if (delegate_) delegate_->changeSelectDiskViewContinueButtonEnabled(selectDiskVolume_);
  oldSelectDiskVolume_ = selectDiskVolume_;
  scanButton_->setButtonEnabled(selectDiskVolume_ != nullptr);
}

void KDSelectDiskViewController::reloadCellBackgroundColor() {
  QStringList roots;
  int row = 0;
  for (QModelIndex at = model_->index(0, 0); at.isValid(); at = outlineView_->indexBelow(at), ++row) {
    const std::shared_ptr<DiskVolumeNodeData> item = model_->ItemOf(at);
    if (item && HasChildren(*item)) roots << QString::number(row);
  }
  outlineView_->setIsRootArr(roots);
  // The chosen entry keeps its colour on the row it has moved to.
  const QModelIndexList chosen = outlineView_->selectionModel()->selectedRows();
  selectedRow_ = chosen.isEmpty() ? -1 : outlineView_->RowOfIndex(chosen.first());
  outlineView_->setSelectCellBackgroundColorWithRow(selectedRow_);
}

void KDSelectDiskViewController::RefreshDevice(const std::string& dmgPath) {
  if (refreshing_) {
    refreshAgain_ = true;
    if (!dmgPath.empty()) pendingDmgPath_ = dmgPath;
    return;
  }
  if (!Backend().NotifyDeviceInfoAfterRefresh(kRefreshFinished, dmgPath)) {
    // Another enumeration runs: ask again a little later.
    QTimer::singleShot(RefillDelay(), this, [this, dmgPath] { RefreshDevice(dmgPath); });
    return;
  }
  refreshing_ = true;
  // Until the new list is in, the old entries name no device: nothing can be scanned.
  scanButton_->setButtonEnabled(false);
  if (delegate_) delegate_->changeSelectDiskViewContinueButtonEnabled(nullptr);
}

void KDSelectDiskViewController::RefreshFinished(const std::string& dmgOpened) {
  refreshing_ = false;
  if (dmgOpened == "0") {
    auto* alert = AlertPanel::alertWithMessageText(Text("RVT_THREE_OPEN_DMG_FAILED_TITLE"), QString(), QString(),
                                                   QString(), Text("RVT_THREE_OPEN_DMG_FAILED_NOTE"));
    if (auto* window = qobject_cast<TCImageWindow*>(this->window()))
      alert->beginSheetModalForWindow(window, [](int) {});
    else
      alert->deleteLater();
  }
  getDiskValue();
  if (refreshAgain_) {
    refreshAgain_ = false;
    RefreshDevice(std::exchange(pendingDmgPath_, std::string()));
  }
}

void KDSelectDiskViewController::getDiskValue() {
  allDiskArr_ = Backend().GetDeviceInfoToArray();
  QTimer::singleShot(RefillDelay(), this, [this] {
    if (!refreshing_) InitFinished();
  });
}

void KDSelectDiskViewController::disableRefreshDevice() {
  StopObserving(this, kAttach);
  StopObserving(this, kDetach);
}

void KDSelectDiskViewController::removeNotification() { StopObserving(this); }

void KDSelectDiskViewController::backHome() {
  if (delegate_) delegate_->backHome();
}

void KDSelectDiskViewController::scanButtonAction() {
  if (!delegate_ || refreshing_) return;
  const bool desktop = isSelectDesktop_ == 1 && desktopVolume_;
  UserDefaults::Instance().SetBool(UserDefaults::kSelectDesktopDisk, desktop);
  if (desktop) {
    delegate_->changeSelectDiskViewContinueButtonEnabled(desktopVolume_);
    oldSelectDiskVolume_ = desktopVolume_;
  }
  delegate_->doubleClickedListToScan(desktop ? 1 : 0);
}

void KDSelectDiskViewController::doubleToScan() {
  if (selectedRow_ != -1 && !bClickHead_) scanButtonAction();
}

}  // namespace quellsy::ui
