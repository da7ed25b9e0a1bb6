#include "UI/Results/ResultTreeModel.h"

#include "Bridge/OpNodeData.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Results/CheckMarks.h"

namespace quellsy::ui {
namespace {

constexpr int kIconSide = 18;
const char* const kUnknownName = "Unknow";

bool SameGroups(const std::vector<std::shared_ptr<OpNodeData>>& shown,
                const std::vector<std::shared_ptr<OpNodeData>>& now, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (shown[i] != now[i]) return false;
  return true;
}

}  // namespace

ResultTreeModel::ResultTreeModel(int kind, const PathTreeMirror& mirror, QObject* parent)
    : QAbstractItemModel(parent), kind_(kind), mirror_(mirror) {}

ResultTreeModel::~ResultTreeModel() = default;

ResultTreeModel::Item* ResultTreeModel::ItemOf(const QModelIndex& index) const {
  if (!index.isValid()) return const_cast<Item*>(&root_);
  return static_cast<Item*>(index.internalPointer());
}

QModelIndex ResultTreeModel::IndexOf(Item* item) const {
  if (!item || item == &root_) return {};
  return createIndex(item->row, 0, item);
}

QModelIndex ResultTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const Item* item = ItemOf(parent);
  if (column != 0 || row < 0 || static_cast<std::size_t>(row) >= item->children.size()) return {};
  return createIndex(row, 0, item->children[static_cast<std::size_t>(row)].get());
}

QModelIndex ResultTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOf(ItemOf(child)->parent);
}

int ResultTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(ItemOf(parent)->children.size());
}

int ResultTreeModel::columnCount(const QModelIndex&) const { return 1; }

std::size_t ResultTreeModel::SourceCount(const Item& item) const {
  if (!shown_) return 0;
  if (!IsPath()) return SourceGroups(item).size();
  if (&item == &root_) return mirror_.Roots().size();
  return item.folder < folderChildren_.size() ? folderChildren_[item.folder].size() : 0;
}

std::vector<std::shared_ptr<OpNodeData>> ResultTreeModel::SourceGroups(const Item& item) const {
  if (!shown_) return {};
  if (&item == &root_) return Backend().KDGetTopNodes(kind_);
  return Backend().GetChildGroups(item.group.get());
}

bool ResultTreeModel::hasChildren(const QModelIndex& parent) const {
  const Item* item = ItemOf(parent);
  return item->fetched ? !item->children.empty() : SourceCount(*item) > 0;
}

bool ResultTreeModel::canFetchMore(const QModelIndex& parent) const {
  const Item* item = ItemOf(parent);
  return !item->fetched && SourceCount(*item) > 0;
}

void ResultTreeModel::fetchMore(const QModelIndex& parent) {
  Item* item = ItemOf(parent);
  if (item->fetched) return;
  const std::size_t count = SourceCount(*item);
  if (count == 0) {
    item->fetched = true;
    return;
  }
  beginInsertRows(parent, 0, static_cast<int>(count) - 1);
  Fetch(*item);
  endInsertRows();
}

ResultTreeModel::Item* ResultTreeModel::AddChild(Item& parent, std::size_t folder, std::shared_ptr<OpNodeData> group) {
  auto item = std::make_unique<Item>();
  item->parent = &parent;
  item->row = static_cast<int>(parent.children.size());
  item->folder = folder;
  item->group = std::move(group);
  if (folder != kNoFolder) folderItems_[folder] = item.get();
  parent.children.push_back(std::move(item));
  return parent.children.back().get();
}

void ResultTreeModel::Fetch(Item& item) {
  item.fetched = true;
  if (IsPath()) {
    const std::vector<std::size_t>& folders =
        &item == &root_ ? mirror_.Roots() : folderChildren_[item.folder];
    for (const std::size_t folder : folders) AddChild(item, folder, nullptr);
    return;
  }
  // Groups are few (types, extensions, years, months): they are all made at once, their files stay lazy.
  for (std::shared_ptr<OpNodeData>& group : SourceGroups(item)) Fetch(*AddChild(item, kNoFolder, std::move(group)));
}

void ResultTreeModel::RebuildAll() {
  beginResetModel();
  root_.children.clear();
  root_.fetched = false;
  shown_ = true;
  folderItems_.assign(IsPath() ? mirror_.Size() : 0, nullptr);
  folderChildren_.assign(IsPath() ? mirror_.Size() : 0, {});
  if (IsPath())
    for (std::size_t id = 0; id < mirror_.Size(); ++id) {
      const std::size_t parent = mirror_.Entry(id).parent;
      if (parent != bridge::PathTreeEntry::kNoParent) folderChildren_[parent].push_back(id);
    }
  Fetch(root_);
  endResetModel();
}

void ResultTreeModel::Clear() {
  beginResetModel();
  root_.children.clear();
  root_.fetched = false;
  shown_ = false;
  folderItems_.clear();
  folderChildren_.clear();
  endResetModel();
}

void ResultTreeModel::Refresh(const PathTreeMirror::Update& update) {
  if (!shown_ || (IsPath() && update.restarted)) {
    RebuildAll();
    return;
  }
  if (IsPath())
    RefreshPath(update);
  else
    RefreshGroups(root_);
  RefreshMarks();
}

void ResultTreeModel::RefreshPath(const PathTreeMirror::Update& update) {
  folderItems_.resize(mirror_.Size(), nullptr);
  folderChildren_.resize(mirror_.Size());
  for (std::size_t id = update.firstNew; id < mirror_.Size(); ++id) {
    const std::size_t parentId = mirror_.Entry(id).parent;
    Item* parent = &root_;
    if (parentId != bridge::PathTreeEntry::kNoParent) {
      folderChildren_[parentId].push_back(id);
      parent = folderItems_[parentId];
    }
    if (!parent) continue;
    const QModelIndex at = IndexOf(parent);
    if (parent->fetched) {
      const int row = static_cast<int>(parent->children.size());
      beginInsertRows(at, row, row);
      AddChild(*parent, id, nullptr);
      endInsertRows();
    } else if (parentId != bridge::PathTreeEntry::kNoParent && folderChildren_[parentId].size() == 1) {
      // A row's first sub-folder: made now, so that the row shows it can be expanded.
      beginInsertRows(at, 0, 0);
      Fetch(*parent);
      endInsertRows();
    }
  }
}

void ResultTreeModel::RefreshGroups(Item& item) {
  const std::vector<std::shared_ptr<OpNodeData>> now = SourceGroups(item);
  const std::size_t shown = item.children.size();
  std::vector<std::shared_ptr<OpNodeData>> before;
  before.reserve(shown);
  for (const auto& child : item.children) before.push_back(child->group);
  const QModelIndex at = IndexOf(&item);
  if (now.size() < shown || !SameGroups(before, now, shown)) {
    // The bridge replaced these groups: they are shown anew.
    if (shown > 0) {
      beginRemoveRows(at, 0, static_cast<int>(shown) - 1);
      item.children.clear();
      endRemoveRows();
    }
    if (!now.empty()) {
      beginInsertRows(at, 0, static_cast<int>(now.size()) - 1);
      item.fetched = false;
      Fetch(item);
      endInsertRows();
    }
    return;
  }
  if (now.size() > shown) {
    beginInsertRows(at, static_cast<int>(shown), static_cast<int>(now.size()) - 1);
    for (std::size_t i = shown; i < now.size(); ++i) Fetch(*AddChild(item, kNoFolder, now[i]));
    endInsertRows();
  }
  item.fetched = true;
  for (std::size_t i = 0; i < shown; ++i) RefreshGroups(*item.children[i]);
}

void ResultTreeModel::RefreshMarks() { EmitChanged(root_); }

void ResultTreeModel::EmitChanged(Item& item) {
  if (item.children.empty()) return;
  const QModelIndex at = IndexOf(&item);
  emit dataChanged(index(0, 0, at), index(static_cast<int>(item.children.size()) - 1, 0, at));
  for (const auto& child : item.children)
    if (!child->children.empty()) EmitChanged(*child);
}

std::size_t ResultTreeModel::FolderOf(const QModelIndex& index) const {
  return index.isValid() ? ItemOf(index)->folder : kNoFolder;
}

std::shared_ptr<OpNodeData> ResultTreeModel::GroupOf(const QModelIndex& index) const {
  return index.isValid() ? ItemOf(index)->group : nullptr;
}

std::vector<IFileNode*> ResultTreeModel::FilesOf(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  const Item* item = ItemOf(index);
  if (IsPath()) return Backend().PathChildFiles(item->folder);
  std::vector<IFileNode*> files;
  std::vector<std::shared_ptr<OpNodeData>> pending{item->group};
  while (!pending.empty()) {
    const std::shared_ptr<OpNodeData> group = std::move(pending.back());
    pending.pop_back();
    for (IFileNode* file : Backend().GetFileNodeToArray(group.get())) files.push_back(file);
    std::vector<std::shared_ptr<OpNodeData>> below = Backend().GetChildGroups(group.get());
    pending.insert(pending.end(), below.rbegin(), below.rend());
  }
  return files;
}

int ResultTreeModel::StateOf(const QModelIndex& index) const {
  const Item* item = ItemOf(index);
  if (!index.isValid()) return 0;
  if (IsPath()) return OpNodeData::fileNodeState(mirror_.Entry(item->folder).node);
  return Backend().GetNodeState(item->group.get());
}

bool ResultTreeModel::ToggleCheck(const QModelIndex& index) {
  if (!index.isValid()) return false;
  if (ChecksLocked()) {
    emit dataChanged(index, index);
    return false;
  }
  const int state = NextCheckState(StateOf(index));
  Item* item = ItemOf(index);
  if (IsPath()) {
    OpNodeData wrapper(mirror_.Entry(item->folder).node);
    wrapper.setScan(mirror_.Scan());
    Backend().KDSetNodeState(&wrapper, state);
  } else {
    Backend().KDSetNodeState(item->group.get(), state);
  }
  Backend().KDTableViewCellCilck();
  RefreshMarks();
  emit checksChanged();
  return true;
}

QPixmap ResultTreeModel::IconOf(const Item& item) const {
  QString key;
  bool typeIcon = false;
  if (IsPath()) {
    key = mirror_.Entry(item.folder).parent == bridge::PathTreeEntry::kNoParent ? QStringLiteral("0IconImage")
                                                                                 : QStringLiteral("1IconImage");
  } else if (kind_ == 1 && item.parent != &root_) {
    key = QString::fromStdString(item.group->name());
    typeIcon = true;
  } else if (kind_ == 2) {
    key = QStringLiteral("10IconImage");
  } else {
    key = QStringLiteral("%1IconImage").arg(item.group->nodeType());
  }
  const QString cacheKey = (typeIcon ? QStringLiteral("type:") : QString()) + key;
  auto found = icons_.find(cacheKey);
  if (found != icons_.end()) return *found;
  QPixmap icon = typeIcon ? QPixmap::fromImage(Backend().getImageForType(key).scaled(
                                kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation))
                          : NamedImages::Pixmap(key, QSize(kIconSide, kIconSide));
  icons_.insert(cacheKey, icon);
  return icon;
}

QVariant ResultTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Item* item = ItemOf(index);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
      if (IsPath()) {
        const std::string name = OpNodeData::fileNodeName(mirror_.Entry(item->folder).node);
        return QString::fromStdString(name.empty() ? kUnknownName : name);
      }
      return QStringLiteral("%1(%2)")
          .arg(QString::fromStdString(item->group->name()))
          .arg(static_cast<qulonglong>(Backend().GetNodeChildrenCnt(item->group.get())));
    }
    case Qt::DecorationRole:
      return IconOf(*item);
    case Qt::CheckStateRole:
      return ToQtCheckState(StateOf(index));
    default:
      return {};
  }
}

Qt::ItemFlags ResultTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace quellsy::ui
