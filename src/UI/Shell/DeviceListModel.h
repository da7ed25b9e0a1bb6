#pragma once
// The rows of the device page: the entries it lists (the Desktop entry, disks and images) with each disk's
// volumes below it, in the columns "Name" (icon and name), "Size", "FileSystem" and "isSelect" (the mark of the
// chosen row). Text is white on the chosen row and black on the others.

#include <QAbstractItemModel>
#include <memory>
#include <unordered_map>

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

class DeviceListModel final : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Column { kName = 0, kSize, kFileSystem, kSelect, kColumnCount };

  explicit DeviceListModel(QObject* parent = nullptr);

  // The column's identifier ("Name", "Size", "FileSystem", "isSelect").
  static QString Identifier(int column);
  // The image of an entry's row: system volume, disk image, USB disk, named entry, the Desktop entry.
  static QString IconName(const DiskVolumeNodeData& item);

  void SetEntries(DeviceItems entries);
  const DeviceItems& Entries() const { return entries_; }
  void SetChosen(const DiskVolumeNodeData* chosen);

  std::shared_ptr<DiskVolumeNodeData> ItemOf(const QModelIndex& index) const;
  // The disk that holds an entry's row; null for a top-level entry.
  std::shared_ptr<DiskVolumeNodeData> ParentOf(const DiskVolumeNodeData* item) const;
  QModelIndex IndexOf(const DiskVolumeNodeData* item, int column = kName) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Place {
    std::shared_ptr<DiskVolumeNodeData> item;
    std::shared_ptr<DiskVolumeNodeData> parent;
    int row = 0;
  };

  const Place* PlaceOf(const DiskVolumeNodeData* item) const;

  DeviceItems entries_;
  std::unordered_map<const DiskVolumeNodeData*, Place> places_;
  const DiskVolumeNodeData* chosen_ = nullptr;
};

}  // namespace quellsy::ui
