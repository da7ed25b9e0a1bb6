#pragma once
// The collection item that binds a found file to a tile (BVView): given the file's key it fills the tile with
// the file's picture (or the "logo" drawing when it has none), name, check state and deleted mark, and passes a
// check-box change on to its delegate. What it knows of files it asks of a BVFileSource, which the results
// window answers through its backend.

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "UI/Kit/ItemViews/BVView.h"

namespace quellsy::ui {

class BVFileSource {
 public:
  virtual ~BVFileSource() = default;
  // Null when the file has no picture.
  virtual QImage fileImage(std::uint64_t key) = 0;
  virtual QString fileNodeName(std::uint64_t key) = 0;
  virtual int fileNodeState(std::uint64_t key) = 0;
  virtual void setFileNodeState(std::uint64_t key, int state) = 0;
  virtual bool isFileNodeDeleted(std::uint64_t key) = 0;
  // True while a scan runs.
  virtual bool checksLocked() = 0;
};

class BVPrototypeDelegate {
 public:
  virtual ~BVPrototypeDelegate() = default;
  virtual void reLoadCollectionViewData() = 0;
  // How many tiles the collection has loaded; while it is zero an item shows nothing.
  virtual int viewLoadCnt() = 0;
};

class BVPrototype final : public BVViewDelegate {
 public:
  BVPrototype(BVFileSource& files, BVPrototypeDelegate* delegate) : files_(files), delegate_(delegate) {}

  // The item's tile, made on first use; the caller gives it a parent.
  BVView* loadView();
  BVView* view() const { return view_; }
  // Fills the tile from the file of key; none empties it. Hidden while the collection has loaded no tile.
  void setRepresentedObject(std::optional<std::uint64_t> key);

  bool checksLocked() const override { return files_.checksLocked(); }
  int fileNodeState(std::uint64_t listData) const override { return files_.fileNodeState(listData); }
  void setFileNodeState(std::uint64_t listData, int state) override { files_.setFileNodeState(listData, state); }
  void reLoadItemData() override;

 private:
  BVFileSource& files_;
  BVPrototypeDelegate* delegate_;
  BVView* view_ = nullptr;
};

}  // namespace quellsy::ui
