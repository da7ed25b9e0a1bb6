#pragma once
// The found files at a glance: one row per file-system root of the path tree, with the number of files found
// in it so far (and of its folders in the row's tool tip). Rows are added as roots arrive; counts are brought up
// to date at each look at the path tree.

#include <QString>
#include <QTreeWidget>
#include <cstddef>
#include <vector>

#include "UI/Results/PathTreeMirror.h"

namespace quellsy::ui {

class FoundRootsView : public QTreeWidget {
  Q_OBJECT

 public:
  struct RootCounts {
    QString name;
    std::size_t folders = 0;  // below the root
    std::size_t files = 0;    // in the root and below it
  };

  explicit FoundRootsView(QWidget* parent = nullptr);

  // Brings the rows up to date with mirror after its look gave update.
  void Refresh(const PathTreeMirror& mirror, const PathTreeMirror::Update& update);
  void Clear();
  const std::vector<RootCounts>& Counts() const { return counts_; }

 private:
  void ShowCounts(std::size_t row);

  std::vector<RootCounts> counts_;
};

}  // namespace quellsy::ui
