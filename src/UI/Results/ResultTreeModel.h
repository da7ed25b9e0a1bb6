#pragma once
// One result tree of the results window as a Qt item model: the path tree (kind 0) over the window's copy of the
// bridge's folders, or the type (1), creation-date (2) or modification-date (3) tree over the bridge's group
// nodes. Only folder-like levels are rows; the files of a row are listed by the file table. Rows are made
// lazily: a row's children when the view first expands it (fetchMore). Each refresh during a scan appends what
// the bridge added under rows already made, so expansion, selection and scroll position stay; only a tree the
// bridge rebuilt (a new scan, a search) starts over.

#include <QAbstractItemModel>
#include <QHash>
#include <QPixmap>
#include <cstddef>
#include <memory>
#include <vector>

#include "UI/Results/PathTreeMirror.h"
#include "include/IFileNode.h"

class OpNodeData;

namespace quellsy::ui {

class ResultTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  static constexpr std::size_t kNoFolder = static_cast<std::size_t>(-1);

  ResultTreeModel(int kind, const PathTreeMirror& mirror, QObject* parent = nullptr);
  ~ResultTreeModel() override;

  int kind() const { return kind_; }
  // Brings the rows up to the bridge (the path kind after the mirror's look gave update).
  void Refresh(const PathTreeMirror::Update& update);
  // Shows nothing until the next Refresh, which reads the whole tree again (a search started).
  void Clear();
  // The marks and counts of every row made so far are drawn again.
  void RefreshMarks();

  // What a row stands for: a folder of the path tree, or a group node.
  std::size_t FolderOf(const QModelIndex& index) const;
  std::shared_ptr<OpNodeData> GroupOf(const QModelIndex& index) const;
  // The files listed when the row is selected: a folder's own files; a group's files and those of every group
  // below it.
  std::vector<IFileNode*> FilesOf(const QModelIndex& index) const;
  int StateOf(const QModelIndex& index) const;
  // A click on the row's box: the row and everything below it take the next state, the groups above are
  // recounted. False (nothing changed) while a scan runs unpaused.
  bool ToggleCheck(const QModelIndex& index);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  void checksChanged();

 private:
  struct Item {
    Item* parent = nullptr;
    int row = 0;
    std::size_t folder = kNoFolder;
    std::shared_ptr<OpNodeData> group;
    std::vector<std::unique_ptr<Item>> children;
    bool fetched = false;
  };

  Item* ItemOf(const QModelIndex& index) const;
  QModelIndex IndexOf(Item* item) const;
  bool IsPath() const { return kind_ == 0; }
  // The child folders or groups of item as the bridge has them now.
  std::size_t SourceCount(const Item& item) const;
  std::vector<std::shared_ptr<OpNodeData>> SourceGroups(const Item& item) const;
  Item* AddChild(Item& parent, std::size_t folder, std::shared_ptr<OpNodeData> group);
  void Fetch(Item& item);
  void RebuildAll();
  void RefreshPath(const PathTreeMirror::Update& update);
  void RefreshGroups(Item& item);
  void EmitChanged(Item& item);
  QPixmap IconOf(const Item& item) const;

  const int kind_;
  const PathTreeMirror& mirror_;
  Item root_;
  bool shown_ = false;
  // The path tree's child folders by folder id, and the row made for a folder (null while none).
  std::vector<std::vector<std::size_t>> folderChildren_;
  std::vector<Item*> folderItems_;
  mutable QHash<QString, QPixmap> icons_;
};

}  // namespace quellsy::ui
