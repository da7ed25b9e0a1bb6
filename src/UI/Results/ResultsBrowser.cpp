#include "UI/Results/ResultsBrowser.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "Bridge/OpNodeData.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CheckMarks.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/CustomHeaderCell.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/FoundFilePictures.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsCoverFlow.h"
#include "UI/Results/ResultsGrid.h"
#include "UI/Results/SummaryText.h"

namespace quellsy::ui {
namespace {

struct TabLook {
  const char* name;
  const char* text;
  const char* icon;
};

constexpr std::array<TabLook, ResultsBrowser::kTreeKinds> kTabs{{
    {"pathButton", "RVT_FOUR_SELECT_TYPE_BUTTON_PATH", "0IconImage"},
    {"typeButton", "RVT_FOUR_SELECT_TYPE_BUTTON_TYPE", "2IconImage"},
    {"creatButton", "RVT_FOUR_SELECT_TYPE_BUTTON_CREATED", "10IconImage"},
    {"modifyButton", "RVT_FOUR_SELECT_TYPE_BUTTON_MODIFIED", "9IconImage"},
}};

constexpr std::array<int, FileListModel::kColumnCount> kColumnWidths{26, 180, 80, 200, 150};

const QString kTabStyle = QStringLiteral(
    "QToolButton{border:none;border-bottom:2px solid transparent;padding:2px 0;color:#4a5561}"
    "QToolButton:checked{border-bottom:2px solid #3b99fc;color:black;background:white}"
    "QToolButton:disabled{color:#a8b0ba}");

}  // namespace

ResultsBrowser::ResultsBrowser(KDDeletailWindowController& window, std::function<void()> reloadTrees)
    : QObject(&window), window_(window), reloadTrees_(std::move(reloadTrees)) {
  BuildTrees();
  BuildTable();
  QLineEdit* search = window_.search();
  connect(search, &QLineEdit::returnPressed, this, &ResultsBrowser::doSearch);
  connect(search, &QLineEdit::textChanged, this, [this](const QString& text) {
    // The field's clear button: the whole results come back.
    if (text.isEmpty() && !lastSearchStr_.isEmpty()) searchClearButtonClick();
  });
  addSearchHistory();
  ObserveNotification(this, kSearchValueNotification, [this](const bridge::Notification&) { SearchTreeView(false); });
  ObserveNotification(this, kSearchFinishedNotification, [this](const bridge::Notification&) { reloadTreeView(); });
  ObserveNotification(this, KDNSTableView::kSpacePreviewNotification,
                      [this](const bridge::Notification&) { spacePrviewFile(); });
}

ResultsBrowser::~ResultsBrowser() { StopObserving(this); }

void ResultsBrowser::BuildTrees() {
  QWidget* pane = window_.treePane();
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* tabRow = new QHBoxLayout;
  tabRow->setContentsMargins(4, 4, 4, 0);
  tabRow->setSpacing(2);
  treeStack_ = new QStackedWidget(pane);
  treeStack_->setObjectName(QStringLiteral("treeStack"));
  for (int kind = 0; kind < kTreeKinds; ++kind) {
    const TabLook& look = kTabs[static_cast<std::size_t>(kind)];
    auto* tab = new QToolButton(pane);
    tab->setObjectName(QString::fromLatin1(look.name));
    tab->setText(Text(look.text));
    tab->setAccessibleName(tab->text());
    tab->setIcon(QIcon(NamedImages::Pixmap(QString::fromLatin1(look.icon), QSize(16, 16))));
    tab->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tab->setCheckable(true);
    tab->setChecked(kind == 0);
    tab->setEnabled(false);
    tab->setFont(NamedFont(QStringLiteral("Helvetica"), 11));
    tab->setStyleSheet(kTabStyle);
    tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(tab, &QToolButton::clicked, this, [this, kind, tab] {
      tab->setChecked(kind == selectTypeCount_ || tab->isChecked());
      selectTab(kind);
    });
    tabRow->addWidget(tab);
    tabs_[static_cast<std::size_t>(kind)] = tab;

    auto* model = new ResultTreeModel(kind, window_.pathTree(), this);
    auto* outline = new CommOutlineView(model, treeStack_);
    outline->setObjectName(QStringLiteral("outline%1").arg(kind));
    outline->setAccessibleName(tab->text());
    treeStack_->addWidget(outline);
    models_[static_cast<std::size_t>(kind)] = model;
    outlines_[static_cast<std::size_t>(kind)] = outline;
    connect(outline->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, kind](const QModelIndex& current) { SelectOutlineRow(kind, current); });
    connect(model, &ResultTreeModel::checksChanged, this, &ResultsBrowser::TreeChecksChanged);
  }
  layout->addLayout(tabRow);
  layout->addWidget(treeStack_, 1);
}

void ResultsBrowser::BuildTable() {
  QWidget* pane = window_.listPane();
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  viewStack_ = new QStackedWidget(pane);
  viewStack_->setObjectName(QStringLiteral("viewStack"));
  layout->addWidget(viewStack_);
  listModel_ = new FileListModel(this);
  tableView_ = new KDNSTableView(viewStack_);
  tableView_->setObjectName(QStringLiteral("fileTable"));
  tableView_->setAccessibleName(Text("RVT_FOUR_VIEW_LIST"));
  tableView_->setModel(listModel_);
  SetUpTable(tableView_);
  grid_ = new ResultsGrid(*listModel_, viewStack_);
  coverFlow_ = new ResultsCoverFlow(*listModel_, tableView_->selectionModel(), viewStack_);
  SetUpTable(coverFlow_->coverFlowerTableView());
  viewStack_->addWidget(tableView_);
  viewStack_->addWidget(grid_->gridView());
  viewStack_->addWidget(coverFlow_->page());

  connect(listModel_, &FileListModel::checksChanged, this, &ResultsBrowser::ListChecksChanged);
  connect(listModel_, &FileListModel::modelReset, this, &ResultsBrowser::ListingReset);
  connect(listModel_, &FileListModel::rowsInserted, this, &ResultsBrowser::ListingGrew);
  connect(tableView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { CurrentRowChanged(current.isValid() ? current.row() : -1); });
  connect(grid_, &ResultsGrid::rowSelected, this, &ResultsBrowser::RowSelected);
  connect(coverFlow_, &ResultsCoverFlow::rowSelected, this, &ResultsBrowser::RowSelected);
  connect(grid_, &ResultsGrid::previewRequested, this, &ResultsBrowser::spacePrviewFile);
  connect(coverFlow_, &ResultsCoverFlow::previewRequested, this, &ResultsBrowser::spacePrviewFile);
  connect(window_.segment(), &SegmentedControl::segmentSelected, this, &ResultsBrowser::segmentSelect);

  previewLoader_ = new ThumbnailLoader(FoundFilePictureFetch(), ThumbnailLoader::OneAtATime(), this);
  connect(previewLoader_, &ThumbnailLoader::Loaded, this,
          [this](quint64, quint64 key, const QImage& picture) { ShowPreviewPicture(key, picture); });
}

void ResultsBrowser::SetUpTable(KDNSTableView* table) {
  auto* delegate = new CheckBoxDelegate(table);
  table->setItemDelegateForColumn(FileListModel::kCheckBox, delegate);
  for (int column = 0; column < FileListModel::kColumnCount; ++column)
    table->horizontalHeader()->resizeSection(column, kColumnWidths[static_cast<std::size_t>(column)]);
  table->horizontalHeader()->setSectionResizeMode(FileListModel::kCheckBox, QHeaderView::Fixed);
  // The path takes what the window's width leaves.
  table->horizontalHeader()->setSectionResizeMode(FileListModel::kPath, QHeaderView::Stretch);
  table->horizontalHeader()->setStretchLastSection(false);
  connect(delegate, &CheckBoxDelegate::checkClicked, this,
          [this](const QModelIndex& index) { listModel_->ToggleCheck(index.row()); });
  connect(table->horizontalHeader(), &QHeaderView::sectionClicked, this, &ResultsBrowser::sortByColumn);
  connect(table->selectAllButton(), &QToolButton::clicked, this, &ResultsBrowser::setAllSelectOrNoSelect);
}

void ResultsBrowser::segmentSelect(int segment) {
  StopImageLoaders();
  if (segment < 0 || segment > 2) return;
  window_.segment()->setSelectedSegment(segment);
  if (segment != selectSegmentCount_) {
    selectSegmentCount_ = segment;
    viewStack_->setCurrentIndex(segment);
    showNoValueNote();
    const int row = selectedRow_;
    if (segment == 1) {
      grid_->showGridView();
      grid_->selectRow(row);
    } else if (segment == 2) {
      coverFlow_->showCoverFlowerViewWithRefresh();
      coverFlow_->selectedCoverFlow(std::max(row, 0));
    }
  }
  changeSelectAllButtonState();
  showSelectFilesCountAndSize();
}

std::array<KDNSTableView*, 2> ResultsBrowser::Tables() const {
  return {tableView_, coverFlow_->coverFlowerTableView()};
}

void ResultsBrowser::StopImageLoaders() {
  grid_->stopGridImageLoading();
  coverFlow_->stopImageLoading();
}

void ResultsBrowser::ListingReset() {
  StopImageLoaders();
  selectedRow_ = -1;
  if (selectSegmentCount_ == 1) grid_->showGridView();
  if (selectSegmentCount_ == 2) {
    coverFlow_->showCoverFlowerViewWithRefresh();
    coverFlow_->selectedCoverFlow(0);
  }
}

void ResultsBrowser::ListingGrew() {
  // The files shown keep their places, so nothing loading for them is dropped.
  if (selectSegmentCount_ == 1) grid_->gridView()->refreshGridViewAnimated(false, false);
  if (selectSegmentCount_ == 2) coverFlow_->listingGrew();
}

void ResultsBrowser::RowSelected(int row) {
  if (row < 0 || row >= listModel_->rowCount()) return;
  tableView_->selectionModel()->setCurrentIndex(listModel_->index(row, FileListModel::kName),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ResultsBrowser::CurrentRowChanged(int row) {
  selectedRow_ = row;
  if (selectSegmentCount_ == 1) grid_->selectRow(row);
  if (selectSegmentCount_ == 2 && row >= 0 && coverFlow_->flowView()->selectedIndex() != row)
    coverFlow_->selectedCoverFlow(row);
}

void ResultsBrowser::Refresh(const PathTreeMirror::Update& update) {
  for (ResultTreeModel* model : models_) model->Refresh(update);
  RefreshListing();
  if (!Backend().IsScanRunning() && !endShown_) {
    endShown_ = true;
    if (window_.selectDesktop() == 1) {
      doEndScanSearch();
      return;
    }
    for (QToolButton* tab : tabs_) tab->setEnabled(true);
    selectRootItem();
    CommOutlineView* paths = outlines_[0];
    if (paths->model()->rowCount() > 0) paths->expand(paths->model()->index(0, 0));
  }
  showNoValueNote();
}

void ResultsBrowser::Clear() {
  for (ResultTreeModel* model : models_) model->Clear();
  opDataFile_ = QPersistentModelIndex();
  listingIsSearch_ = false;
  listModel_->SetFiles({});
  endShown_ = false;
  for (QToolButton* tab : tabs_) tab->setEnabled(false);
  for (KDNSTableView* table : Tables()) table->changeNoValue(1);
  changeSelectAllButtonState();
}

void ResultsBrowser::selectTab(int kind) {
  if (kind < 0 || kind >= kTreeKinds || kind == selectTypeCount_) return;
  for (int other = 0; other < kTreeKinds; ++other) tabs_[static_cast<std::size_t>(other)]->setChecked(other == kind);
  treeStack_->setCurrentIndex(kind);
  selectTypeCount_ = kind;
  Backend().SetViewType(kind);
  if (!ChecksLocked()) {
    if (kind == 1) Backend().RefreshTypeTreeState(nullptr);
    if (kind >= 2) Backend().RefreshTimeTreeState(kind, 1);
    models_[static_cast<std::size_t>(kind)]->RefreshMarks();
  }
  if (models_[static_cast<std::size_t>(kind)]->rowCount() > 0) selectRootItem();
}

bool ResultsBrowser::selectRootItem() { return outlines_[static_cast<std::size_t>(selectTypeCount_)]->selectRootItem(); }

void ResultsBrowser::SelectOutlineRow(int kind, const QModelIndex& index) {
  if (kind != selectTypeCount_ || !index.isValid()) return;
  opDataFile_ = QPersistentModelIndex(index);
  RefreshDetailPage(false);
}

void ResultsBrowser::RefreshDetailPage(bool summary) {
  listingIsSearch_ = false;
  std::vector<IFileNode*> files;
  if (opDataFile_.isValid()) files = models_[static_cast<std::size_t>(selectTypeCount_)]->FilesOf(opDataFile_);
  listModel_->SetFiles(std::move(files), Backend().GetScanGeneration());
  isSorted_ = 0;
  for (KDNSTableView* table : Tables()) table->headerCell()->setSortAscending(-1, true);
  changeSelectAllButtonState();
  if (summary) showSelectFilesCountAndSize();
  showNoValueNote();
}

void ResultsBrowser::RefreshListing() {
  if (listingIsSearch_ || !opDataFile_.isValid()) return;
  const std::vector<IFileNode*> files = models_[static_cast<std::size_t>(selectTypeCount_)]->FilesOf(opDataFile_);
  if (listModel_->Append(files)) return;
  // The node's files changed otherwise: listed anew where the user had scrolled to.
  const int scrolled = tableView_->verticalScrollBar()->value();
  listModel_->SetFiles(files, Backend().GetScanGeneration());
  tableView_->verticalScrollBar()->setValue(scrolled);
}

void ResultsBrowser::showNoValueNote() {
  const bool empty = listModel_->Files().empty() && !window_.pathTree().Roots().empty();
  for (KDNSTableView* table : Tables()) table->changeNoValue(empty ? 0 : 1);
}

void ResultsBrowser::sortByColumn(int column) {
  if (ChecksLocked()) return;
  const bool ascending = isSorted_ == 1;
  listModel_->SortBy(column, ascending);
  for (KDNSTableView* table : Tables()) table->headerCell()->setSortAscending(column, ascending);
  isSorted_ = isSorted_ ? 0 : 1;
}

void ResultsBrowser::changeSelectAllButtonState() {
  const int state = listModel_->Files().empty() ? 0 : listModel_->ListingState();
  for (KDNSTableView* table : Tables()) table->setSelectAllState(state);
}

void ResultsBrowser::setAllSelectOrNoSelect() {
  if (listModel_->Files().empty() || ChecksLocked()) {
    changeSelectAllButtonState();
    return;
  }
  showRecoveryButton();
  Backend().KDTableViewCellCilck();
  listModel_->SetAllStates(listModel_->ListingState() == 2 ? 0 : 2);
  changeSelectAllButtonState();
  showSelectFilesCountAndSize();
  RecountTreeMarks();
}

void ResultsBrowser::showSelectFilesCountAndSize() {
  if (ChecksLocked()) return;
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  Backend().GetSelectedFilesAmout(count, size);
  selectedFileSize_ = size;
  window_.recovertyButton()->setButtonEnabled(count >= 1);
  QLabel* label = window_.selectFilesLabel();
  label->setText(SummaryText("RVT_FOUR_SELECT_FILES", size, count));
  label->setAccessibleName(label->text());
}

void ResultsBrowser::showRecoveryButton() {
  window_.selectFilesLabel()->show();
  for (QWidget* widget : std::initializer_list<QWidget*>{window_.progressView(), window_.findFilesLabel(),
                                                          window_.remainTimeLabel()})
    widget->hide();
}

void ResultsBrowser::ClearSelectedFilesInfo() {
  opDataFile_ = QPersistentModelIndex();
  for (KDNSTableView* table : Tables()) table->setSelectAllState(0);
  Backend().UnselectedAllNodes();
  showSelectFilesCountAndSize();
}

void ResultsBrowser::TreeChecksChanged() {
  showRecoveryButton();
  listModel_->RefreshMarks();
  changeSelectAllButtonState();
  showSelectFilesCountAndSize();
  RecountTreeMarks();
}

void ResultsBrowser::ListChecksChanged() {
  showRecoveryButton();
  changeSelectAllButtonState();
  showSelectFilesCountAndSize();
  RecountTreeMarks();
}

void ResultsBrowser::RecountTreeMarks() {
  if (selectTypeCount_ == 1) Backend().RefreshTypeTreeState(nullptr);
  if (selectTypeCount_ >= 2) Backend().RefreshTimeTreeState(selectTypeCount_, 0);
  for (ResultTreeModel* model : models_) model->RefreshMarks();
}

void ResultsBrowser::spacePrviewFile() {
  if (Backend().IsDeepScan() && ChecksLocked()) return;
  const std::vector<IFileNode*>& files = listModel_->Files();
  if (files.empty()) return;
  if (spacePreview_.current()) {
    previewLoader_->Stop();
    spacePreview_.Toggle(QString(), QImage());
    return;
  }
  if (selectedRow_ < 0 || static_cast<std::size_t>(selectedRow_) >= files.size()) return;
  IFileNode* file = files[static_cast<std::size_t>(selectedRow_)];
  const QImage icon = FoundFileTypeIcon(file);
  spacePreview_.Toggle(QString::fromStdString(OpNodeData::fileNodeName(file)), icon, window_.window());
  previewLoader_->NewGeneration();
  previewKey_ = FoundFileKey(file);
  previewLoader_->Request(previewKey_, icon);
}

void ResultsBrowser::ShowPreviewPicture(quint64 key, const QImage& picture) {
  SpacePreviewWindow* preview = spacePreview_.current();
  if (preview && key == previewKey_ && !picture.isNull()) preview->updateShowImage(picture);
}

QString ResultsBrowser::GetSearchText(const QString& text) {
  QString key = text;
  static const QString kNoBreakPair = QStringLiteral("\u00C2  ");
  while (key.contains(kNoBreakPair)) key.replace(kNoBreakPair, QStringLiteral(" "));
  if (key.startsWith(QLatin1Char(' '))) key.remove(0, 1);
  if (key.endsWith(QLatin1Char(' '))) key.chop(1);
  return key;
}

bool ResultsBrowser::doSearch() {
  const QString text = window_.search()->text();
  if (text == QStringLiteral(" ") || text == QStringLiteral("  ")) return false;
  const QString key = GetSearchText(text);
  const bool desktop = window_.selectDesktop() == 1;
  if (key.toStdString() == Backend().GetSearchString() && !desktop) return false;
  for (ResultTreeModel* model : models_) model->Clear();
  listingIsSearch_ = false;
  listModel_->SetFiles({});
  ClearSelectedFilesInfo();
  for (KDNSTableView* table : Tables()) table->changeNoValue(1);
  if (!desktop) RememberSearch(key);
  if (!Backend().DoSearchWithString(key.toStdString(), kSearchValueNotification)) return false;
  lastSearchStr_ = key;
  window_.backHomeButton()->setButtonEnabled(false);
  return true;
}

void ResultsBrowser::RememberSearch(const QString& key) {
  if (key.isEmpty()) return;
  UserDefaults& defaults = UserDefaults::Instance();
  std::vector<std::string> recents =
      defaults.GetStringList(UserDefaults::kRecentSearches).value_or(std::vector<std::string>());
  const std::string entry = key.toStdString();
  recents.erase(std::remove(recents.begin(), recents.end(), entry), recents.end());
  recents.insert(recents.begin(), entry);
  if (recents.size() > kMaxRecentSearches) recents.resize(kMaxRecentSearches);
  defaults.SetStringList(UserDefaults::kRecentSearches, recents);
  window_.addSearchHistoryMenu();
}

void ResultsBrowser::saveSearchHistroy() {
  PrivateData::SetStringList(kSearchHistoryKey, UserDefaults::Instance()
                                                    .GetStringList(UserDefaults::kRecentSearches)
                                                    .value_or(std::vector<std::string>()));
}

void ResultsBrowser::addSearchHistory() {
  std::vector<std::string> history = PrivateData::GetStringList(kSearchHistoryKey).value_or(std::vector<std::string>());
  if (history.empty()) return;
  if (history.size() > kMaxRecentSearches) history.resize(kMaxRecentSearches);
  UserDefaults::Instance().SetStringList(UserDefaults::kRecentSearches, history);
  window_.addSearchHistoryMenu();
}

bool ResultsBrowser::doEndScanSearch() {
  window_.search()->setText(QStringLiteral("Desktop"));
  return doSearch();
}

bool ResultsBrowser::searchClearButtonClick() {
  window_.search()->clear();
  return doSearch();
}

void ResultsBrowser::SearchTreeView(bool finished) {
  TCWindowButton* close = window_.aWindow()->closeButton();
  if (close) close->setEnabled(false);
  reloadTrees_();
  if (!finished) return;
  const QString text = window_.search()->text();
  if (!text.isEmpty() && text != QStringLiteral(" ")) {
    listModel_->SetFiles(Backend().GetSearchResultToArr(), Backend().GetScanGeneration());
    listingIsSearch_ = true;
  } else {
    RefreshDetailPage(false);
  }
  changeSelectAllButtonState();
  showNoValueNote();
  if (close) close->setEnabled(true);
}

void ResultsBrowser::reloadTreeView() {
  Backend().StopSearch();
  window_.backHomeButton()->setButtonEnabled(true);
  const QString key = GetSearchText(window_.search()->text());
  if (key != lastSearchStr_ && doSearch()) return;
  SearchTreeView(true);
}

}  // namespace quellsy::ui
