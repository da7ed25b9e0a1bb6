// The found files in the results window on the scripted backend: the four result trees under their tabs, the
// tri-state checks of rows, files and the select-all box, the summary that makes the recover button usable,
// sorting by the table's headers, the search with its recent searches, the empty note, the space bar, and rows
// that keep their expansion, selection and scroll position while a scan refreshes them.

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <numeric>
#include <set>

#include "Bridge/KDPublicUtilities.h"
#include "Bridge/BridgeServices.h"
#include "Bridge/OpNodeData.h"
#include "ResultsWindowFixture.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/PrivateData.h"
#include "UI/Kit/SegmentedControl.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/CustomHeaderCell.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsCoverFlow.h"
#include "include/FileNode.h"

namespace quellsy::ui::test {
namespace {

// Three top folders with a sub-folder each, seven files in every folder: 42 files.
ScriptedResultShape Shape() {
  ScriptedResultShape shape;
  shape.topFolders = 3;
  shape.depth = 1;
  shape.foldersPerFolder = 1;
  shape.filesPerFolder = 7;
  return shape;
}

// One folder of files under the volume's root.
ScriptedResultShape OneFolder(int files) {
  ScriptedResultShape shape = Shape();
  shape.topFolders = 1;
  shape.depth = 0;
  shape.filesPerFolder = files;
  return shape;
}

// The number in a group row's label "name(count)".
std::uint64_t CountInLabel(const QModelIndex& index) {
  const QString label = index.data().toString();
  const int open = label.lastIndexOf(QLatin1Char('('));
  return label.mid(open + 1, label.size() - open - 2).toULongLong();
}

std::string NameOf(IFileNode* file) { return OpNodeData::fileNodeName(file); }

// TCImageButton's "isDisabled" keeps its historical sense: true means usable.
bool Usable(const TCImageButton* button) { return button->isDisabled(); }

class ResultsBrowserTest : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    backend_.SetResultShape(Shape());
    backend_.SetScanSteps(ScriptedBackend::EvenSteps(4));
    UseBackend(backend_);
  }

  KDDeletailWindowController* Scan() {
    auto stick = backend_.GetDeviceInfoToArray()[1];
    auto volume = stick->childAtIndex(0);
    volume->setParentName(stick->name());
    window_ = Open(volume, 1);
    window_->getData();
    browser_ = window_->browser();
    return window_;
  }

  void Step() {
    backend_.Step();
    QCoreApplication::processEvents();
  }

  void ScanToEnd() {
    Scan();
    backend_.RunToEnd();
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->tabButton(1)->isEnabled(); }));
  }

  // Clicks the check box of a row of view.
  static void ClickBox(QAbstractItemView* view, const QModelIndex& index) {
    const QPoint box = CheckBoxDelegate::BoxRect(view->visualRect(index)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box);
  }

  // The first folder row below the first root of the path tree, selected; its files are listed.
  QModelIndex SelectFirstFolder() {
    CommOutlineView* outline = browser_->outline(0);
    ResultTreeModel* model = browser_->treeModel(0);
    const QModelIndex root = model->index(0, 0);
    outline->expand(root);
    const QModelIndex folder = model->index(0, 0, root);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(folder).center() + QPoint(20, 0));
    return folder;
  }

  void ClickHeader(int column) {
    CustomHeaderCell* header = browser_->tableView()->headerCell();
    // Right of the select-all box, which sits in the first column's header.
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) - 4, 10));
  }

  std::vector<std::string> ListedNames() const {
    std::vector<std::string> names;
    for (IFileNode* file : browser_->listModel()->Files()) names.push_back(NameOf(file));
    return names;
  }

  void Search(const QString& text) {
    window_->search()->setText(text);
    QTest::keyClick(window_->search(), Qt::Key_Return);
    QCoreApplication::processEvents();
  }

  ScriptedBackend backend_;
  KDDeletailWindowController* window_ = nullptr;
  ResultsBrowser* browser_ = nullptr;
};

TEST_F(ResultsBrowserTest, EachTabShowsItsTreeWithCountsThatAddUpToTheFilesFound) {
  ScanToEnd();
  const std::size_t files = backend_.Results().FileCount();
  ASSERT_EQ(files, 42u);
  EXPECT_EQ(browser_->selectTypeCount(), 0);
  EXPECT_TRUE(browser_->outline(0)->isExpanded(browser_->treeModel(0)->index(0, 0))) << "the first root is opened";
  EXPECT_EQ(browser_->outline(0)->currentIndex(), browser_->treeModel(0)->index(0, 0)) << "and selected";

  for (int kind = 1; kind <= 3; ++kind) {
    QTest::mouseClick(browser_->tabButton(kind), Qt::LeftButton);
    EXPECT_EQ(browser_->selectTypeCount(), kind);
    EXPECT_TRUE(browser_->tabButton(kind)->isChecked());
    EXPECT_TRUE(browser_->outline(kind)->isVisible());
    ResultTreeModel* model = browser_->treeModel(kind);
    ASSERT_GT(model->rowCount(), 0);
    std::uint64_t counted = 0;
    std::set<IFileNode*> listed;
    for (int row = 0; row < model->rowCount(); ++row) {
      counted += CountInLabel(model->index(row, 0));
      for (IFileNode* file : model->FilesOf(model->index(row, 0))) listed.insert(file);
    }
    EXPECT_EQ(counted, files) << "tree " << kind;
    EXPECT_EQ(listed.size(), files) << "tree " << kind;
    EXPECT_EQ(browser_->outline(kind)->currentIndex(), model->index(0, 0)) << "the tab selects its first row";
    EXPECT_EQ(browser_->listModel()->Files(), model->FilesOf(model->index(0, 0))) << "and lists its files";
  }
  // A date tree's top holds years, and each year its months; every month lists files and cannot be expanded.
  ResultTreeModel* modified = browser_->treeModel(3);
  const QModelIndex year = modified->index(0, 0, modified->index(0, 0));
  ASSERT_TRUE(year.isValid());
  const QModelIndex month = modified->index(0, 0, year);
  ASSERT_TRUE(month.isValid());
  EXPECT_FALSE(modified->hasChildren(month));
  EXPECT_FALSE(modified->FilesOf(month).empty());

  const auto viewTypes = [&] { return std::count(backend_.Calls().begin(), backend_.Calls().end(), "RefreshTimeTreeState"); };
  const auto before = viewTypes();
  QTest::mouseClick(browser_->tabButton(3), Qt::LeftButton);
  EXPECT_EQ(viewTypes(), before) << "a click on the tab shown does nothing";
  EXPECT_TRUE(browser_->tabButton(3)->isChecked());
}

TEST_F(ResultsBrowserTest, ALateNoticeOfTheEndedScanKeepsTheSummaryOfTheCheckedFiles) {
  ScanToEnd();
  SelectFirstFolder();
  const std::vector<IFileNode*> files = browser_->listModel()->Files();
  ASSERT_FALSE(files.empty());
  ClickBox(browser_->tableView(), browser_->listModel()->index(0, FileListModel::kCheckBox));
  const QString one = QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(files[0]->GetFileSize()));
  const std::string selected = QStringLiteral("Selected %1 in 1 file").arg(one).toStdString();
  ASSERT_EQ(window_->selectFilesLabel()->text().toStdString(), selected);
  // The ended scan's last notice, delivered after the user began checking.
  std::size_t delivered = 0;
  QObject observer;
  ObserveNotification(&observer, "NormalScranValue", [&](const bridge::Notification&) { ++delivered; });
  bridge::PostOnMainThread(bridge::Notification{"NormalScranValue", {}, {}});
  ASSERT_TRUE(QTest::qWaitFor([&] { return delivered == 1; }));
  EXPECT_EQ(window_->selectFilesLabel()->text().toStdString(), selected);

  // Nothing checked: the notice brings back the summary of all found files.
  ClickBox(browser_->tableView(), browser_->listModel()->index(0, FileListModel::kCheckBox));
  bridge::PostOnMainThread(bridge::Notification{"NormalScranValue", {}, {}});
  ASSERT_TRUE(QTest::qWaitFor([&] { return delivered == 2; }));
  EXPECT_TRUE(window_->selectFilesLabel()->text().startsWith(QStringLiteral("Found ")))
      << window_->selectFilesLabel()->text().toStdString();
}

TEST_F(ResultsBrowserTest, ChecksPropagateRollUpAndMakeTheSummary) {
  ScanToEnd();
  const QModelIndex folder = SelectFirstFolder();
  ResultTreeModel* paths = browser_->treeModel(0);
  KDNSTableView* table = browser_->tableView();
  const std::vector<IFileNode*> files = browser_->listModel()->Files();
  ASSERT_EQ(files.size(), 7u);
  EXPECT_FALSE(Usable(window_->recovertyButton()) && window_->selectFilesLabel()->text().startsWith("Selected"));

  // One file of seven: the select-all box and the folder and its root are half checked.
  ClickBox(table, browser_->listModel()->index(2, FileListModel::kCheckBox));
  EXPECT_EQ(OpNodeData::fileNodeState(files[2]), 2);
  EXPECT_EQ(table->selectAllState(), 1);
  EXPECT_EQ(paths->StateOf(folder), 1);
  EXPECT_EQ(paths->StateOf(folder.parent()), 1);
  EXPECT_TRUE(Usable(window_->recovertyButton()));
  const QString one = QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(files[2]->GetFileSize()));
  EXPECT_EQ(window_->selectFilesLabel()->text(), QStringLiteral("Selected %1 in 1 file").arg(one));

  // The select-all box checks the rest, then clears all.
  QTest::mouseClick(table->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(table->selectAllState(), 2);
  for (IFileNode* file : files) EXPECT_EQ(OpNodeData::fileNodeState(file), 2);
  EXPECT_EQ(paths->StateOf(folder), 1) << "its sub-folder's files are not checked";
  const long long total = std::accumulate(files.begin(), files.end(), 0LL,
                                          [](long long sum, IFileNode* file) { return sum + file->GetFileSize(); });
  EXPECT_EQ(window_->selectFilesLabel()->text(),
            QStringLiteral("Selected %1 in 7 files").arg(QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(total))));
  QTest::mouseClick(table->selectAllButton(), Qt::LeftButton);
  EXPECT_EQ(table->selectAllState(), 0);
  EXPECT_EQ(paths->StateOf(folder.parent()), 0);
  EXPECT_FALSE(Usable(window_->recovertyButton())) << "nothing checked";

  // A root's box checks everything below it; a second click on a checked box clears it, a click on a half
  // checked one checks it.
  ClickBox(browser_->outline(0), folder.parent());
  for (IFileNode* file : files) EXPECT_EQ(OpNodeData::fileNodeState(file), 2);
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, 42u) << "the volume's root holds every file";
  EXPECT_EQ(table->selectAllState(), 2) << "the listing shows the marks it took";
  ClickBox(table, browser_->listModel()->index(0, FileListModel::kCheckBox));
  EXPECT_EQ(paths->StateOf(folder.parent()), 1);
  ClickBox(browser_->outline(0), folder.parent());
  EXPECT_EQ(paths->StateOf(folder.parent()), 2);
  ClickBox(browser_->outline(0), folder.parent());
  EXPECT_EQ(paths->StateOf(folder.parent()), 0);
  EXPECT_EQ(table->selectAllState(), 0);

  // A type group's box checks every file of its type, wherever it lies.
  QTest::mouseClick(browser_->tabButton(1), Qt::LeftButton);
  ResultTreeModel* types = browser_->treeModel(1);
  const QModelIndex group = types->index(0, 0);
  const std::vector<IFileNode*> typed = types->FilesOf(group);
  ASSERT_FALSE(typed.empty());
  ClickBox(browser_->outline(1), group);
  EXPECT_EQ(types->StateOf(group), 2);
  for (IFileNode* file : typed) EXPECT_EQ(OpNodeData::fileNodeState(file), 2) << NameOf(file);
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, typed.size());
}

TEST_F(ResultsBrowserTest, ChecksAndSortingAreIgnoredWhileTheScanRunsUnpaused) {
  Scan();
  Step();
  Step();
  ASSERT_TRUE(backend_.IsScanRunning());
  EXPECT_FALSE(browser_->tabButton(1)->isEnabled()) << "the tabs wait for the scan's end";
  const QModelIndex folder = SelectFirstFolder();
  ASSERT_FALSE(browser_->listModel()->Files().empty());
  const std::vector<std::string> listed = ListedNames();
  ClickBox(browser_->outline(0), folder);
  ClickBox(browser_->tableView(), browser_->listModel()->index(0, FileListModel::kCheckBox));
  QTest::mouseClick(browser_->tableView()->selectAllButton(), Qt::LeftButton);
  ClickHeader(FileListModel::kName);
  EXPECT_EQ(browser_->treeModel(0)->StateOf(folder), 0);
  EXPECT_EQ(browser_->listModel()->ListingState(), 0);
  EXPECT_EQ(ListedNames(), listed);

  Click(window_->pauseButton());
  ASSERT_TRUE(backend_.IsPause());
  ClickBox(browser_->outline(0), folder);
  EXPECT_EQ(browser_->treeModel(0)->StateOf(folder), 2) << "a paused scan takes checks";
}

TEST_F(ResultsBrowserTest, HeaderClicksAlternateTheDirectionWhateverTheColumn) {
  ScanToEnd();
  SelectFirstFolder();
  const std::vector<std::string> unsorted = ListedNames();
  std::vector<std::string> ascending = unsorted;
  std::sort(ascending.begin(), ascending.end());
  std::vector<std::string> descending(ascending.rbegin(), ascending.rend());
  ASSERT_NE(ascending, descending);

  ClickHeader(FileListModel::kName);
  EXPECT_EQ(ListedNames(), descending) << "the first click after a new listing sorts descending";
  EXPECT_EQ(browser_->tableView()->headerCell()->sortColumn(), FileListModel::kName);
  EXPECT_FALSE(browser_->tableView()->headerCell()->ascending());
  ClickHeader(FileListModel::kName);
  EXPECT_EQ(ListedNames(), ascending);
  ClickHeader(FileListModel::kName);
  EXPECT_EQ(ListedNames(), descending);

  // The box column moves the triangle and flips the direction without reordering.
  ClickHeader(FileListModel::kCheckBox);
  EXPECT_EQ(ListedNames(), descending);
  EXPECT_EQ(browser_->tableView()->headerCell()->sortColumn(), FileListModel::kCheckBox);
  EXPECT_EQ(browser_->isSorted(), 0);

  // Size: the next click sorts descending (the box column took ascending), then ascending.
  ClickHeader(FileListModel::kSize);
  std::vector<long long> sizes;
  for (IFileNode* file : browser_->listModel()->Files()) sizes.push_back(file->GetFileSize());
  EXPECT_TRUE(std::is_sorted(sizes.rbegin(), sizes.rend()));
  ClickHeader(FileListModel::kSize);
  sizes.clear();
  for (IFileNode* file : browser_->listModel()->Files()) sizes.push_back(file->GetFileSize());
  EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end())) << "the smallest first";

  ClickHeader(FileListModel::kCreated);
  std::vector<unsigned long long> times;
  for (IFileNode* file : browser_->listModel()->Files()) times.push_back(file->GetCreationTime());
  EXPECT_TRUE(std::is_sorted(times.rbegin(), times.rend()));

  // Selecting another row lists anew: its first click is descending again.
  const QModelIndex next = SelectFirstFolder().siblingAtRow(1);
  QTest::mouseClick(browser_->outline(0)->viewport(), Qt::LeftButton, {},
                    browser_->outline(0)->visualRect(next).center() + QPoint(20, 0));
  ASSERT_EQ(browser_->outline(0)->currentIndex(), next);
  EXPECT_EQ(browser_->isSorted(), 0);
}

// A found file with only the keys the table sorts by.
class KeyedNode final : public CFileNode {
 public:
  KeyedNode(std::string name, long long size, unsigned long long created) : name_(std::move(name)), size_(size), created_(created) {}
  const char* GetFileName() const override { return name_.c_str(); }
  long long GetFileSize() const override { return size_; }
  unsigned long long GetCreationTime() const override { return created_; }
  unsigned short GetAttribute() const override { return 0; }
  unsigned long long GetModificationTime() const override { return created_; }
  unsigned long long GetLastAccessTime() const override { return created_; }
  int IsDirectory() const override { return 0; }
  int IsDeleted() const override { return 0; }
  IFileNode* Clone() override { return new KeyedNode(*this); }
  void MarkDeleted() override {}
  void FilterFileNameByDot() override {}

 private:
  std::string name_;
  long long size_;
  unsigned long long created_;
};

TEST(FileListSort, EqualCreationTimesCompareEqualAndKeepTheirOrderInBothDirections) {
  for (const bool ascending : {true, false}) {
    EXPECT_FALSE(FileListModel::CreatedBefore(5, 5, ascending)) << "irreflexive";
    EXPECT_NE(FileListModel::CreatedBefore(4, 5, ascending), FileListModel::CreatedBefore(5, 4, ascending));
  }
  EXPECT_TRUE(FileListModel::CreatedBefore(4, 5, true));
  EXPECT_TRUE(FileListModel::CreatedBefore(5, 4, false));

  // Many files share three times, with the same size and name: every sort keeps their listed order.
  std::vector<std::unique_ptr<KeyedNode>> nodes;
  std::vector<IFileNode*> files;
  for (int i = 0; i < 300; ++i) {
    nodes.push_back(std::make_unique<KeyedNode>("same", 10, 1000 + static_cast<unsigned long long>((i * 7) % 3)));
    files.push_back(nodes.back().get());
  }
  FileListModel model;
  for (const int column : {FileListModel::kCreated, FileListModel::kSize, FileListModel::kName}) {
    for (const bool ascending : {true, false}) {
      model.SetFiles(files);
      model.SortBy(column, ascending);
      const std::vector<IFileNode*>& sorted = model.Files();
      for (std::size_t i = 1; i < sorted.size(); ++i) {
        const auto before = static_cast<KeyedNode*>(sorted[i - 1]);
        const auto after = static_cast<KeyedNode*>(sorted[i]);
        const auto position = [&](IFileNode* file) { return std::find(files.begin(), files.end(), file) - files.begin(); };
        if (before->GetCreationTime() == after->GetCreationTime() || column != FileListModel::kCreated)
          EXPECT_LT(position(sorted[i - 1]), position(sorted[i])) << column << " " << ascending << " at " << i;
        else
          EXPECT_EQ(before->GetCreationTime() < after->GetCreationTime(), ascending);
      }
    }
  }
}

TEST(SearchText, OneSpaceGoesAtEachEndAndTheRestStays) {
  const std::vector<std::pair<QString, QString>> cases = {
      {QStringLiteral("  abc "), QStringLiteral(" abc")},
      {QStringLiteral("a  b"), QStringLiteral("a  b")},
      {QStringLiteral("abc"), QStringLiteral("abc")},
      {QStringLiteral(" "), QString()},
      {QString(), QString()},
      {QStringLiteral("x\u00C2  \u00C2  y"), QStringLiteral("x  y")},
  };
  for (const auto& [text, key] : cases) EXPECT_EQ(ResultsBrowser::GetSearchText(text), key) << text.toStdString();
}

TEST_F(ResultsBrowserTest, ASearchNarrowsEveryTreeAndClearingItBringsTheWholeResultsBack) {
  ScanToEnd();
  std::size_t matching = 0;
  for (IFileNode* file : backend_.Results().AllFiles()) matching += NameOf(file).find("Photo") != std::string::npos;
  ASSERT_GT(matching, 0u);
  ASSERT_LT(matching, 42u);
  SelectFirstFolder();
  ClickBox(browser_->tableView(), browser_->listModel()->index(0, FileListModel::kCheckBox));

  Search(QStringLiteral(" Photo "));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.KDGetIsSearching() && browser_->lastSearchStr() == "Photo"; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(browser_->listModel()->Files().size(), matching) << "the listing holds every match";
  for (const std::string& name : ListedNames()) EXPECT_NE(name.find("Photo"), std::string::npos) << name;
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, 0u) << "a search clears every check";
  for (int kind = 1; kind <= 3; ++kind) {
    ResultTreeModel* model = browser_->treeModel(kind);
    std::uint64_t counted = 0;
    for (int row = 0; row < model->rowCount(); ++row) counted += CountInLabel(model->index(row, 0));
    EXPECT_EQ(counted, matching) << "tree " << kind;
  }
  std::size_t pathFiles = 0;
  std::vector<QModelIndex> pending{browser_->treeModel(0)->index(0, 0)};
  while (!pending.empty()) {
    const QModelIndex at = pending.back();
    pending.pop_back();
    ResultTreeModel* paths = browser_->treeModel(0);
    if (paths->canFetchMore(at)) paths->fetchMore(at);
    pathFiles += paths->FilesOf(at).size();
    for (int row = 0; row < paths->rowCount(at); ++row) pending.push_back(paths->index(row, 0, at));
  }
  EXPECT_EQ(pathFiles, matching);
  EXPECT_EQ(UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches).value_or(std::vector<std::string>{}),
            std::vector<std::string>{"Photo"});

  // The same text again starts nothing; blanks start nothing.
  const auto searches = [&] { return std::count(backend_.Calls().begin(), backend_.Calls().end(), "DoSearchWithString"); };
  const auto started = searches();
  Search(QStringLiteral("Photo"));
  Search(QStringLiteral(" "));
  Search(QStringLiteral("  "));
  EXPECT_EQ(searches(), started);

  // The field's clear button: every tree shows all files again, the listing waits for a row.
  window_->search()->clear();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.KDGetIsSearching() && browser_->lastSearchStr().isEmpty(); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(searches(), started + 1);
  for (int kind = 1; kind <= 3; ++kind) {
    ResultTreeModel* model = browser_->treeModel(kind);
    std::uint64_t counted = 0;
    for (int row = 0; row < model->rowCount(); ++row) counted += CountInLabel(model->index(row, 0));
    EXPECT_EQ(counted, 42u) << "tree " << kind;
  }
  EXPECT_TRUE(browser_->listModel()->Files().empty());
  ASSERT_NE(browser_->tableView()->noValueView(), nullptr) << "the note over the empty listing";
  EXPECT_TRUE(browser_->tableView()->noValueView()->isVisible());
}

TEST_F(ResultsBrowserTest, TextTypedWhileASearchRunsStartsTheNextSearchWhenItEnds) {
  ScanToEnd();
  window_->search()->setText(QStringLiteral("Photo"));
  QTest::keyClick(window_->search(), Qt::Key_Return);
  ASSERT_TRUE(backend_.KDGetIsSearching());
  window_->search()->setText(QStringLiteral("Clip"));
  QTest::keyClick(window_->search(), Qt::Key_Return);
  EXPECT_EQ(browser_->lastSearchStr(), QStringLiteral("Photo")) << "refused while the first one runs";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.KDGetIsSearching() && browser_->lastSearchStr() == "Clip"; }));
  QCoreApplication::processEvents();
  ASSERT_FALSE(ListedNames().empty());
  for (const std::string& name : ListedNames()) EXPECT_EQ(name.rfind("Clip", 0), 0u) << name;
  EXPECT_TRUE(Usable(window_->backHomeButton()));
}

TEST_F(ResultsBrowserTest, AScanOfTheDesktopEntrySearchesForTheDesktopAtItsEndAndRemembersNothing) {
  auto stick = backend_.GetDeviceInfoToArray()[1];
  window_ = Open(stick->childAtIndex(0), 1, 1);
  window_->getData();
  browser_ = window_->browser();
  backend_.RunToEnd();
  ASSERT_TRUE(QTest::qWaitFor([&] { return browser_->lastSearchStr() == QStringLiteral("Desktop"); }));
  EXPECT_EQ(backend_.GetSearchString(), "Desktop");
  EXPECT_FALSE(UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches).has_value() &&
               !UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches)->empty());
  EXPECT_FALSE(browser_->tabButton(1)->isEnabled()) << "the Desktop's files are shown by path only";
}

TEST_F(ResultsBrowserTest, RecentSearchesAreKeptInTheSettingsAndComeBackWithTheNextWindow) {
  ScanToEnd();
  for (const char* key : {"Photo", "Clip", "Photo"}) {
    Search(QString::fromLatin1(key));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.KDGetIsSearching() && browser_->lastSearchStr() == key; }));
  }
  const std::vector<std::string> recents{"Photo", "Clip"};
  EXPECT_EQ(UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches), recents) << "newest first, once each";
  browser_->saveSearchHistroy();
  EXPECT_EQ(PrivateData::GetStringList(ResultsBrowser::kSearchHistoryKey), recents);

  UserDefaults::Instance().SetStringList(UserDefaults::kRecentSearches, {});
  Scan();
  EXPECT_EQ(UserDefaults::Instance().GetStringList(UserDefaults::kRecentSearches), recents);
  QStringList shown;
  for (const QAction* action : window_->searchMenu()->actions()) shown << action->text();
  EXPECT_TRUE(shown.contains(QStringLiteral("Photo")) && shown.contains(QStringLiteral("Clip"))) << shown.join(',').toStdString();
}

TEST_F(ResultsBrowserTest, TheEmptyNoteShowsOnlyOverAnEmptyListingOfFoundResults) {
  ScanToEnd();
  // The root holds folders only: its listing is empty.
  EXPECT_TRUE(browser_->listModel()->Files().empty());
  ASSERT_NE(browser_->tableView()->noValueView(), nullptr);
  const QWidget* note = browser_->tableView()->findChild<QWidget*>(QStringLiteral("tableNoValueNote"));
  ASSERT_NE(note, nullptr);
  const QRect area = browser_->tableView()->viewport()->rect();
  EXPECT_EQ(note->geometry(), QRect((area.width() - 400) / 2, (area.height() - 50) / 2, 400, 50)) << "centred";
  SelectFirstFolder();
  EXPECT_EQ(browser_->tableView()->noValueView(), nullptr);
}

TEST_F(ResultsBrowserTest, NoResultsNoNote) {
  Scan();
  window_->DataInitFinished();  // a look at the results before the scan found anything
  EXPECT_TRUE(browser_->listModel()->Files().empty());
  EXPECT_EQ(browser_->tableView()->noValueView(), nullptr);
}

TEST_F(ResultsBrowserTest, TheSpaceBarOpensThePreviewOfTheRowSelectedLastAndTheNextClosesIt) {
  ScanToEnd();
  SelectFirstFolder();
  int asked = 0;
  QObject observer;
  ObserveNotification(&observer, KDNSTableView::kSpacePreviewNotification, [&](const bridge::Notification&) { ++asked; });
  QTest::mouseClick(browser_->tableView()->viewport(), Qt::LeftButton, {},
                    browser_->tableView()->visualRect(browser_->listModel()->index(3, FileListModel::kName)).center());
  EXPECT_EQ(browser_->selectedRow(), 3);
  QTest::keyClick(browser_->tableView(), Qt::Key_Space);
  EXPECT_EQ(asked, 1);
  ASSERT_NE(browser_->spacePreviewWindow(), nullptr);
  EXPECT_EQ(browser_->spacePreviewWindow()->titleLabel()->text(),
            QString::fromStdString(NameOf(browser_->listModel()->Files()[3])));
  QTest::keyClick(browser_->tableView(), Qt::Key_A);
  EXPECT_EQ(asked, 1) << "other keys are the table's";
  browser_->tableView()->setFocus();
  QTest::keyClick(browser_->tableView(), Qt::Key_Space);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(browser_->spacePreviewWindow(), nullptr);

  // In the cover flow its own table's space bar previews the same file.
  browser_->segmentSelect(2);
  KDNSTableView* coverTable = browser_->coverFlow()->coverFlowerTableView();
  coverTable->setFocus();
  QTest::keyClick(coverTable, Qt::Key_Space);
  EXPECT_EQ(asked, 3);
  ASSERT_NE(browser_->spacePreviewWindow(), nullptr);
  EXPECT_EQ(browser_->spacePreviewWindow()->titleLabel()->text(),
            QString::fromStdString(NameOf(browser_->listModel()->Files()[3])));
  QTest::keyClick(coverTable, Qt::Key_Space);
  EXPECT_EQ(browser_->spacePreviewWindow(), nullptr);
}

TEST_F(ResultsBrowserTest, ExpansionSelectionAndScrollSurviveTheScansRefreshes) {
  backend_.SetResultShape(OneFolder(400));
  backend_.SetScanSteps(ScriptedBackend::EvenSteps(8));
  Scan();
  Step();
  Step();
  const QModelIndex folder = SelectFirstFolder();
  CommOutlineView* outline = browser_->outline(0);
  ASSERT_TRUE(outline->isExpanded(folder.parent()));
  const std::size_t before = browser_->listModel()->Files().size();
  ASSERT_GT(before, 50u);
  KDNSTableView* table = browser_->tableView();
  ASSERT_TRUE(QTest::qWaitFor([&] { return table->verticalScrollBar()->maximum() > 0; }));
  table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
  const int scrolled = table->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  const QString selectedName = folder.data().toString();

  Step();
  Step();
  EXPECT_GT(browser_->listModel()->Files().size(), before) << "files found meanwhile are added";
  EXPECT_TRUE(outline->isExpanded(outline->model()->index(0, 0)));
  EXPECT_EQ(outline->currentIndex().data().toString(), selectedName);
  EXPECT_EQ(table->verticalScrollBar()->value(), scrolled);
  // The keys move the selection; letters do not.
  QTest::keyClick(outline, Qt::Key_P);
  EXPECT_EQ(outline->currentIndex().data().toString(), selectedName);
  QTest::keyClick(outline, Qt::Key_Up);
  EXPECT_NE(outline->currentIndex().data().toString(), selectedName);
}

TEST_F(ResultsBrowserTest, AHundredThousandFilesAreListedAndSorted) {
  backend_.SetResultShape(OneFolder(100000));
  backend_.SetScanSteps(ScriptedBackend::EvenSteps(1));
  ScanToEnd();
  SelectFirstFolder();
  ASSERT_EQ(browser_->listModel()->rowCount(), 100000);
  ClickHeader(FileListModel::kSize);
  const std::vector<IFileNode*>& files = browser_->listModel()->Files();
  EXPECT_TRUE(std::is_sorted(files.begin(), files.end(),
                             [](IFileNode* a, IFileNode* b) { return a->GetFileSize() > b->GetFileSize(); }));
  QTest::mouseClick(browser_->tableView()->selectAllButton(), Qt::LeftButton);
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, 100000u);
}

}  // namespace
}  // namespace quellsy::ui::test
