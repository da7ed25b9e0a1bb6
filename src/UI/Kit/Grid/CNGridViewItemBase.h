#pragma once
// The grid's reusable tile: the index it shows (kCNNotFound when none), the key of the grid's reuse pool, and
// the selected and hovered looks. Every tile of every grid follows the hub notifications
// "CNGridViewSelectAllItems" and "CNGridViewDeSelectAllItems" while it lives.

#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "UI/Kit/Grid/CNGridGeometry.h"

namespace quellsy::ui {

inline const QString kCNDefaultItemIdentifier = QStringLiteral("CNGridViewItem");

class CNGridViewItemBase : public QWidget {
  Q_OBJECT

 public:
  explicit CNGridViewItemBase(QWidget* parent = nullptr);
  ~CNGridViewItemBase() override;

  static QSize defaultItemSize() { return QSize(150, 150); }

  const QString& reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(const QString& identifier) { reuseIdentifier_ = identifier; }
  std::int64_t index() const { return index_; }
  void setIndex(std::int64_t index) { index_ = index; }
  // A free slot the data source may use; the grid clears it when it hands a parked tile out.
  const void* representedObject() const { return representedObject_; }
  void setRepresentedObject(const void* object) { representedObject_ = object; }
  bool selected() const { return selected_; }
  virtual void setSelected(bool selected);
  bool selectable() const { return selectable_; }
  void setSelectable(bool selectable) { selectable_ = selectable; }
  bool hovered() const { return hovered_; }
  virtual void setHovered(bool hovered);
  // Only an unselected tile may be parked.
  bool isReuseable() const { return !selected_; }

  // Index kCNNotFound, unselected, selectable, not hovered.
  virtual void prepareForReuse();

 private:
  QString reuseIdentifier_ = kCNDefaultItemIdentifier;
  std::int64_t index_ = kCNNotFound;
  const void* representedObject_ = nullptr;
  bool selected_ = false;
  bool selectable_ = true;
  bool hovered_ = false;
};

}  // namespace quellsy::ui
