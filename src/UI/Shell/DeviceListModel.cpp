#include "UI/Shell/DeviceListModel.h"

#include <QColor>
#include <array>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

constexpr std::array<const char*, DeviceListModel::kColumnCount> kIdentifiers{"Name", "Size", "FileSystem", "isSelect"};
constexpr int kIconSide = 20;

DiskVolumeNodeData* Raw(const QModelIndex& index) { return static_cast<DiskVolumeNodeData*>(index.internalPointer()); }

// Disks of the disk-image kind and opened images alike are disk images to the user.
bool IsImage(const DiskVolumeNodeData& item) { return item.isDmg() || item.isAppleDmg() || item.isQim(); }

}  // namespace

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractItemModel(parent) {}

QString DeviceListModel::Identifier(int column) {
  return column >= 0 && column < kColumnCount ? QString::fromLatin1(kIdentifiers[static_cast<std::size_t>(column)])
                                               : QString();
}

QString DeviceListModel::IconName(const DiskVolumeNodeData& item) {
  if (item.isSystemVolume()) return QStringLiteral("icon_disk_osx");
  if (IsImage(item)) return QStringLiteral("icon_mirror");
  if (item.isUSB()) return QStringLiteral("icon_usb");
  if (!item.name().empty()) return QStringLiteral("icon_disk");
  return QStringLiteral("icon_desktop");
}

void DeviceListModel::SetEntries(DeviceItems entries) {
  beginResetModel();
  entries_ = std::move(entries);
  places_.clear();
  chosen_ = nullptr;
  for (std::size_t row = 0; row < entries_.size(); ++row) {
    const auto& entry = entries_[row];
    places_[entry.get()] = Place{entry, nullptr, static_cast<int>(row)};
    for (std::size_t child = 0; child < entry->numberOfChildren(); ++child)
      places_[entry->children()[child].get()] = Place{entry->children()[child], entry, static_cast<int>(child)};
  }
  endResetModel();
}

void DeviceListModel::SetChosen(const DiskVolumeNodeData* chosen) {
  if (chosen == chosen_) return;
  // The white text and the mark move from the row chosen before to the new one.
  for (const DiskVolumeNodeData* row : {chosen_, chosen}) {
    chosen_ = chosen;
    if (const QModelIndex first = IndexOf(row); first.isValid())
      emit dataChanged(first, IndexOf(row, kColumnCount - 1));
  }
}

const DeviceListModel::Place* DeviceListModel::PlaceOf(const DiskVolumeNodeData* item) const {
  const auto found = places_.find(item);
  return found == places_.end() ? nullptr : &found->second;
}

std::shared_ptr<DiskVolumeNodeData> DeviceListModel::ItemOf(const QModelIndex& index) const {
  const Place* place = index.isValid() ? PlaceOf(Raw(index)) : nullptr;
  return place ? place->item : nullptr;
}

std::shared_ptr<DiskVolumeNodeData> DeviceListModel::ParentOf(const DiskVolumeNodeData* item) const {
  const Place* place = PlaceOf(item);
  return place ? place->parent : nullptr;
}

QModelIndex DeviceListModel::IndexOf(const DiskVolumeNodeData* item, int column) const {
  const Place* place = PlaceOf(item);
  return place ? createIndex(place->row, column, place->item.get()) : QModelIndex();
}

QModelIndex DeviceListModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kColumnCount) return {};
  if (!parent.isValid()) {
    if (static_cast<std::size_t>(row) >= entries_.size()) return {};
    return createIndex(row, column, entries_[static_cast<std::size_t>(row)].get());
  }
  const DiskVolumeNodeData* disk = Raw(parent);
  if (!disk || static_cast<std::size_t>(row) >= disk->numberOfChildren()) return {};
  return createIndex(row, column, disk->children()[static_cast<std::size_t>(row)].get());
}

QModelIndex DeviceListModel::parent(const QModelIndex& child) const {
  const Place* place = child.isValid() ? PlaceOf(Raw(child)) : nullptr;
  if (!place || !place->parent) return {};
  return IndexOf(place->parent.get());
}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return static_cast<int>(entries_.size());
  if (parent.column() != 0) return 0;
  const DiskVolumeNodeData* item = Raw(parent);
  return item ? static_cast<int>(item->numberOfChildren()) : 0;
}

int DeviceListModel::columnCount(const QModelIndex&) const { return kColumnCount; }

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
  const DiskVolumeNodeData* item = index.isValid() ? Raw(index) : nullptr;
  if (!item) return {};
  const bool nameless = item->name().empty();
  const bool chosen = item == chosen_;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      switch (index.column()) {
        case kName:
          return nameless ? QStringLiteral("Desktop") : QString::fromStdString(item->name());
        case kSize:
          return nameless ? QStringLiteral(" ")
                          : QString::fromStdString(KDPublicUtilities::longlongDiskSize(item->capacity()));
        case kFileSystem:
          return nameless ? QStringLiteral(" ")
                          : QString::fromStdString(
                                KDPublicUtilities::fileSystemTypeForInt(item->fileSystem(), IsImage(*item), false));
        default:
          return {};
      }
    case Qt::DecorationRole:
      if (index.column() == kName) return NamedImages::Image(IconName(*item), QSize(kIconSide, kIconSide));
      if (index.column() == kSelect && chosen)
        return NamedImages::Image(QStringLiteral("select_disk"), QSize(16, 16));
      return {};
    case Qt::ForegroundRole:
      return index.column() == kSelect ? QVariant() : QVariant(chosen ? QColor(Qt::white) : QColor(Qt::black));
    case Qt::TextAlignmentRole:
      return index.column() == kName ? QVariant() : QVariant(Qt::AlignVCenter | Qt::AlignLeft);
    default:
      return {};
  }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kName: return Text("RVT_THREE_TABLEVIEW_DRIVES");
    case kSize: return Text("RVT_THREE_TABLEVIEW_SIZE");
    case kFileSystem: return Text("RVT_THREE_TABLEVIEW_FILESYSTEM");
    default: return QString();
  }
}

}  // namespace quellsy::ui
