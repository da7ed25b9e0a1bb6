#pragma once
// The listing of the results window's file table: the files of the selected tree row (or of a search), one row
// each, with its check mark, name, size, path and creation time. Texts are made only for the rows a view
// draws. Sorting by a column is stable and uses a strict weak ordering in both directions: files with equal
// keys keep their order.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "include/IFileNode.h"

namespace quellsy::ui {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kCheckBox = 0, kName, kSize, kPath, kCreated, kColumnCount };

  // The order of two creation times: ascending, the earlier first; descending, the later first. Equal times
  // compare equal either way.
  static bool CreatedBefore(std::uint64_t first, std::uint64_t second, bool ascending);

  using QAbstractTableModel::QAbstractTableModel;

  const std::vector<IFileNode*>& Files() const { return files_; }
  // A new listing.
  // scan: the scan the files were listed in (the bridge refuses marks on files of another).
  void SetFiles(std::vector<IFileNode*> files, std::uint64_t scan = 0);
  // When files is the listing with more files after it, only those are added (rows shown stay where they are);
  // false otherwise, with nothing changed.
  bool Append(const std::vector<IFileNode*>& files);
  // Reorders the listing by column (kCheckBox leaves it as it is).
  void SortBy(int column, bool ascending);
  // The check marks are drawn again.
  void RefreshMarks();
  // The row's file takes the next state; false while a scan runs unpaused or for a row outside the listing.
  bool ToggleCheck(int row);
  // The mark of the whole listing: 0 none checked, 2 every file checked, 1 otherwise (folders not counted).
  int ListingState() const;
  // Every file (not folder) of the listing takes state.
  void SetAllStates(int state);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void checksChanged();

 private:
  std::vector<IFileNode*> files_;
  std::uint64_t scan_ = 0;  // the scan the listed files belong to
};

}  // namespace quellsy::ui
