#include "UI/Results/FoundRootsView.h"

#include <QHeaderView>

#include "Bridge/OpNodeData.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

constexpr int kNameColumn = 0;
constexpr int kCountColumn = 1;
constexpr int kCountWidth = 64;

}  // namespace

FoundRootsView::FoundRootsView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("foundRootsView"));
  setAccessibleName(Text("RVT_FOUR_SELECT_TYPE_BUTTON_PATH"));
  setColumnCount(2);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setFrameShape(QFrame::NoFrame);
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  setIconSize(QSize(18, 18));
  setFont(NamedFont(QStringLiteral("Helvetica"), 13));
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
  header()->setSectionResizeMode(kCountColumn, QHeaderView::Fixed);
  header()->resizeSection(kCountColumn, kCountWidth);
}

void FoundRootsView::Clear() {
  clear();
  counts_.clear();
}

void FoundRootsView::Refresh(const PathTreeMirror& mirror, const PathTreeMirror::Update& update) {
  if (update.restarted) Clear();
  for (std::size_t row = counts_.size(); row < mirror.Roots().size(); ++row) {
    const bridge::PathTreeEntry& root = mirror.Entry(mirror.Roots()[row]);
    counts_.push_back({QString::fromStdString(OpNodeData::fileNodeName(root.node)), 0, 0});
    auto* item = new QTreeWidgetItem(this);
    item->setText(kNameColumn, counts_.back().name);
    item->setIcon(kNameColumn, QIcon(NamedImages::Pixmap(QStringLiteral("0IconImage"))));
    item->setTextAlignment(kCountColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setForeground(kCountColumn, QColor(0x6f, 0x7c, 0x8c));
  }
  for (std::size_t id = update.firstNew; id < mirror.Size(); ++id)
    if (mirror.Entry(id).parent != bridge::PathTreeEntry::kNoParent) ++counts_[mirror.RootIndexOf(id)].folders;
  // Files keep arriving in folders already listed: they are counted afresh at every look.
  std::vector<std::size_t> files(counts_.size(), 0);
  for (std::size_t id = 0; id < mirror.Size(); ++id) files[mirror.RootIndexOf(id)] += Backend().PathChildFiles(id).size();
  for (std::size_t row = 0; row < counts_.size(); ++row) {
    counts_[row].files = files[row];
    ShowCounts(row);
  }
}

void FoundRootsView::ShowCounts(std::size_t row) {
  QTreeWidgetItem* item = topLevelItem(static_cast<int>(row));
  const RootCounts& counts = counts_[row];
  item->setText(kCountColumn, QString::number(counts.files));
  const QString tip = FormatText(Text("RVT_FOUR_ROOT_COUNTS"), {static_cast<unsigned long long>(counts.folders),
                                                                static_cast<unsigned long long>(counts.files)});
  item->setToolTip(kNameColumn, tip);
  item->setToolTip(kCountColumn, tip);
  item->setData(kNameColumn, Qt::AccessibleDescriptionRole, tip);
}

}  // namespace quellsy::ui
