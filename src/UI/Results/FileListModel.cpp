#include "UI/Results/FileListModel.h"

#include <QPixmap>
#include <algorithm>
#include <numeric>
#include <string>

#include "Bridge/KDPublicUtilities.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/OpNodeData.h"
#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/CheckMarks.h"

namespace quellsy::ui {
namespace {

const char* const kUnknownName = "Unknow";

std::uint64_t SizeOf(IFileNode* file) {
  return file->IsDirectory() ? 0 : static_cast<std::uint64_t>(file->GetFileSize());
}

// The keys of every file once, then the order: comparisons never rebuild a name or walk a path.
template <typename Key, typename Before>
void StableOrder(std::vector<IFileNode*>& files, Key key, Before before) {
  using Value = decltype(key(files.front()));
  std::vector<Value> keys;
  keys.reserve(files.size());
  for (IFileNode* file : files) keys.push_back(key(file));
  std::vector<std::size_t> order(files.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return before(keys[a], keys[b]); });
  std::vector<IFileNode*> sorted;
  sorted.reserve(files.size());
  for (const std::size_t i : order) sorted.push_back(files[i]);
  files = std::move(sorted);
}

}  // namespace

bool FileListModel::CreatedBefore(std::uint64_t first, std::uint64_t second, bool ascending) {
  return ascending ? first < second : second < first;
}

void FileListModel::SetFiles(std::vector<IFileNode*> files, std::uint64_t scan) {
  beginResetModel();
  files_ = std::move(files);
  scan_ = scan;
  endResetModel();
}

bool FileListModel::Append(const std::vector<IFileNode*>& files) {
  if (files.size() < files_.size() || !std::equal(files_.begin(), files_.end(), files.begin())) return false;
  if (files.size() == files_.size()) return true;
  beginInsertRows({}, static_cast<int>(files_.size()), static_cast<int>(files.size()) - 1);
  files_.insert(files_.end(), files.begin() + static_cast<std::ptrdiff_t>(files_.size()), files.end());
  endInsertRows();
  return true;
}

void FileListModel::SortBy(int column, bool ascending) {
  if (files_.empty() || column == kCheckBox) return;
  beginResetModel();
  const auto before = [ascending](const auto& first, const auto& second) {
    return ascending ? first < second : second < first;
  };
  switch (column) {
    case kName:
      StableOrder(files_, [](IFileNode* file) { return OpNodeData::fileNodeName(file); }, before);
      break;
    case kSize:
      StableOrder(files_, SizeOf, before);
      break;
    case kPath:
      StableOrder(files_, [](IFileNode* file) { return KDUIPublic::GetPathByFileNode(file); }, before);
      break;
    case kCreated:
      StableOrder(files_, [](IFileNode* file) { return static_cast<std::uint64_t>(file->GetCreationTime()); },
                  [ascending](std::uint64_t first, std::uint64_t second) { return CreatedBefore(first, second, ascending); });
      break;
    default:
      break;
  }
  endResetModel();
}

void FileListModel::RefreshMarks() {
  if (!files_.empty()) emit dataChanged(index(0, kCheckBox), index(rowCount() - 1, kCheckBox));
}

bool FileListModel::ToggleCheck(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= files_.size()) return false;
  if (ChecksLocked()) {
    RefreshMarks();
    return false;
  }
  Backend().KDTableViewCellCilck();
  OpNodeData wrapper(files_[static_cast<std::size_t>(row)]);
  wrapper.setScan(scan_);
  Backend().KDSetNodeState(&wrapper, NextCheckState(OpNodeData::fileNodeState(wrapper.fileNode())));
  RefreshMarks();
  emit checksChanged();
  return true;
}

int FileListModel::ListingState() const {
  std::uint64_t sum = 0;
  std::uint64_t count = 0;
  for (IFileNode* file : files_) {
    if (file->IsDirectory()) continue;
    sum += static_cast<std::uint64_t>(OpNodeData::fileNodeState(file));
    ++count;
  }
  if (sum == 0) return 0;
  return sum == 2 * count ? 2 : 1;
}

void FileListModel::SetAllStates(int state) {
  for (IFileNode* file : files_) {
    if (file->IsDirectory()) continue;
    OpNodeData wrapper(file);
    wrapper.setScan(scan_);
    Backend().KDSetNodeState(&wrapper, state);
  }
  RefreshMarks();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(files_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= files_.size()) return {};
  IFileNode* file = files_[static_cast<std::size_t>(index.row())];
  if (role == Qt::CheckStateRole)
    return index.column() == kCheckBox ? QVariant(ToQtCheckState(OpNodeData::fileNodeState(file))) : QVariant();
  if (role == Qt::DecorationRole && index.column() == kName && file->IsDeleted())
    return NamedImages::Pixmap(QStringLiteral("deletered"), QSize(12, 12));
  if (role == Qt::TextAlignmentRole && index.column() == kSize)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  switch (index.column()) {
    case kName: {
      const std::string name = OpNodeData::fileNodeName(file);
      return QString::fromStdString(name.empty() ? kUnknownName : name);
    }
    case kSize:
      return QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(static_cast<std::int64_t>(SizeOf(file))));
    case kPath:
      return QString::fromStdString(KDUIPublic::GetPathByFileNode(file));
    case kCreated: {
      const std::uint64_t time = file->GetCreationTime();
      return time == 0 ? QString() : QString::fromStdString(KDUIPublic::FormatFileTimeToString(time));
    }
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
  switch (section) {
    case kName: return Text("RVT_FOUR_TABLEVIEW_NAME");
    case kSize: return Text("RVT_FOUR_TABLEVIEW_SIZE");
    case kPath: return Text("RVT_FOUR_TABLEVIEW_PATH");
    case kCreated: return Text("RVT_FOUR_TABLEVIEW_CREATED");
    default: return QString();
  }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace quellsy::ui
